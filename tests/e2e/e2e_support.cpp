#include "e2e_support.h"

#include <stb_image.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

namespace e2e {

namespace fs = std::filesystem;
using testsupport::shellQuote;

testsupport::CommandResult runProgram(const fs::path& dir, const std::string& arguments, const Launch& launch)
{
    // The run's own folders first; what the launch names replaces or removes them.
    std::map<std::string, std::optional<std::string>> environment{
        {"SDL_AUDIODRIVER", "dummy"},
        {"HOME", (dir / kRunHome).string()},
        {"XDG_CONFIG_HOME", (dir / kRunConfigHome).string()},
        {"XDG_DATA_HOME", (dir / kRunDataHome).string()},
    };
    for (const EnvironmentVariable& variable : launch.environment) environment[variable.name] = variable.value;
    std::string removed;
    std::string set;
    for (const auto& [name, value] : environment) {
        if (value) set += " " + shellQuote(name + "=" + *value);
        else removed += " -u " + shellQuote(name);
    }
    std::string command = "cd " + shellQuote(dir.string()) + " && env" + removed + set;
    if (launch.hangSeconds > 0) command += " timeout " + std::to_string(launch.hangSeconds);
    command += " " + shellQuote(launch.program) + " " + arguments;
    testsupport::CommandResult result = testsupport::runCommand(command);
    // Test displays started side by side may race for a display number; that
    // says nothing about the program, so such a run is made once more.
    if (result.output.find("failed to open display") != std::string::npos) result = testsupport::runCommand(command);
    return result;
}

GameRun runGame(const fs::path& dir, const RunOptions& run)
{
    std::string arguments = run.windowed ? "--windowed --no-dialogs" : "--no-dialogs";
    if (!run.paced) arguments += " --no-vsync";
    if (!run.dataDir.empty()) arguments += " --data " + shellQuote(run.dataDir);
    if (run.script) {
        const fs::path scriptPath = dir / "script.txt";
        testsupport::writeFileText(scriptPath, *run.script);
        arguments += " --script " + shellQuote(scriptPath.string());
    }
    const fs::path tracePath = run.traceName.empty() ? fs::path() : dir / run.traceName;
    if (!tracePath.empty()) {
        std::error_code error;
        fs::remove(tracePath, error);  // a run that writes none is not read as an earlier one's
        arguments += " --trace " + shellQuote(tracePath.string());
    }
    const testsupport::CommandResult result = runProgram(dir, arguments + " " + run.options, run.launch);
    GameRun game;
    game.exitStatus = result.exitStatus;
    game.output = result.output;
    if (!tracePath.empty()) game.trace = traceLines(tracePath.string());
    return game;
}

GameRun runGame(const testsupport::TempDir& dir, const std::string& script, const std::string& extraOptions)
{
    return runGame(dir.path(), {.script = script, .options = extraOptions});
}

std::vector<std::string> traceLines(const std::string& path)
{
    std::istringstream in(testsupport::readFileText(path));
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

std::string stringField(const std::string& line, const std::string& key)
{
    const std::string marker = "\"" + key + "\":\"";
    const std::size_t start = line.find(marker);
    if (start == std::string::npos) return {};
    const std::size_t begin = start + marker.size();
    return line.substr(begin, line.find('"', begin) - begin);
}

double numberField(const std::string& line, const std::string& key)
{
    const std::string marker = "\"" + key + "\":";
    const std::size_t start = line.find(marker);
    if (start == std::string::npos) return std::nan("");
    return std::strtod(line.c_str() + start + marker.size(), nullptr);
}

Picture loadPng(const std::string& path)
{
    Picture picture;
    int channels = 0;
    unsigned char* data = stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 3);
    if (data == nullptr) {
        picture.width = 0;
        return picture;
    }
    picture.rgb.assign(data, data + static_cast<std::size_t>(picture.width) * picture.height * 3);
    stbi_image_free(data);
    return picture;
}

}  // namespace e2e
