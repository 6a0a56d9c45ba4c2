#pragma once
// Shared helpers for the tests: a real GL context (under Xvfb in CI),
// temporary folders, file helpers and running the real executable.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// Creates (once per process) a hidden freeglut window with a current GL
// context. Returns false when no display is available.
bool ensureGlContext();

// A fresh folder below the system temporary folder, removed on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path);
void writeFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void writeFileText(const std::filesystem::path& path, const std::string& text);
std::string readFileText(const std::filesystem::path& path);

struct CommandResult {
    int exitStatus = -1;   // the process's exit status, or -1 when it did not exit normally
    std::string output;    // standard output and standard error together
};

// Runs a shell command line, capturing its output.
CommandResult runCommand(const std::string& commandLine);

// Quotes a string for the shell.
std::string shellQuote(const std::string& text);

// Paths of the build.
std::string burrikExecutable();
std::string contentgenExecutable();
std::string generatedDataDir();
std::string sourceDir();

// The home of the test programs, in the build tree.
std::string testHomeDir();

// Points HOME, XDG_CONFIG_HOME and XDG_DATA_HOME of this process below
// testHomeDir(), so that neither the tests nor the programs they start read
// or write the files of the person running them.
void usePlayerFoldersOfTheBuildTree();

// True when a program is on the PATH.
bool haveProgram(const std::string& name);

}  // namespace testsupport
