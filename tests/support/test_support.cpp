#include "test_support.h"

#include "platform/leak_check.h"

#include <GL/freeglut.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sys/wait.h>

namespace testsupport {

bool ensureGlContext()
{
    static int window = 0;
    static bool tried = false;
    if (tried) return window != 0;
    tried = true;
    if (std::getenv("DISPLAY") == nullptr) return false;
    int argc = 1;
    char name[] = "burrik-tests";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    window = glutCreateWindow(name);
    checkLeaksBeforeTheGlDriverUnloads();
    glutHideWindow();
    return window != 0;
}

TempDir::TempDir()
{
    std::random_device device;
    std::mt19937_64 engine(device());
    for (;;) {
        path_ = std::filesystem::temp_directory_path() /
                ("burrik-test-" + std::to_string(engine() % 1000000000ULL));
        std::error_code error;
        if (std::filesystem::create_directories(path_, error)) break;
    }
}

TempDir::~TempDir()
{
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeFileText(const std::filesystem::path& path, const std::string& text)
{
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string readFileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

CommandResult runCommand(const std::string& commandLine)
{
    CommandResult result;
    const std::string full = commandLine + " 2>&1";
    FILE* pipe = popen(full.c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> buffer{};
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.output.append(buffer.data(), count);
    }
    const int status = pclose(pipe);
    if (status != -1 && WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
    return result;
}

std::string shellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

std::string burrikExecutable() { return BURRIK_EXE; }
std::string contentgenExecutable() { return BURRIK_CONTENTGEN_EXE; }
std::string generatedDataDir() { return BURRIK_DATA_DIR; }
std::string sourceDir() { return BURRIK_SOURCE_DIR; }
std::string testHomeDir() { return BURRIK_TEST_HOME; }

void usePlayerFoldersOfTheBuildTree()
{
    const std::string home = testHomeDir();
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
}

bool haveProgram(const std::string& name)
{
    return runCommand("command -v " + shellQuote(name) + " >/dev/null").exitStatus == 0;
}

}  // namespace testsupport
