#include "e2e_support.h"

#include <stb_image.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace e2e {

GameRun runGame(const testsupport::TempDir& dir, const std::string& script, const std::string& extraOptions)
{
    const auto scriptPath = dir / "script.txt";
    const auto tracePath = dir / "trace.jsonl";
    testsupport::writeFileText(scriptPath, script);
    const std::string command = "cd " + testsupport::shellQuote(dir.path().string()) +
                                " && SDL_AUDIODRIVER=dummy XDG_DATA_HOME=" + testsupport::shellQuote((dir / "data-home").string()) +
                                " " + testsupport::shellQuote(testsupport::burrikExecutable()) +
                                " --windowed --no-dialogs --no-vsync --data " +
                                testsupport::shellQuote(testsupport::generatedDataDir()) + " --script " +
                                testsupport::shellQuote(scriptPath.string()) + " --trace " +
                                testsupport::shellQuote(tracePath.string()) + " " + extraOptions;
    const testsupport::CommandResult result = testsupport::runCommand(command);
    GameRun run;
    run.exitStatus = result.exitStatus;
    run.output = result.output;
    run.trace = traceLines(tracePath.string());
    return run;
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
