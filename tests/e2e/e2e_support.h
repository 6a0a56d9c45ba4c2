#pragma once
// Running the real game under the test display with a key script, reading
// its trace and screenshots. Every program a test starts gets a home, a
// config and a data folder of its own inside the run's folder, so that no
// test reads or writes the files of the person running it.
#include "test_support.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// The player's folders of a run, below its folder, unless the run names others.
inline constexpr const char* kRunHome = "player-home";          // HOME
inline constexpr const char* kRunConfigHome = "config-home";    // XDG_CONFIG_HOME
inline constexpr const char* kRunDataHome = "data-home";        // XDG_DATA_HOME

// One variable of a started program's environment: set to value, or removed.
struct EnvironmentVariable {
    std::string name;
    std::optional<std::string> value;
};

// How a program is started: in the run's folder, with SDL_AUDIODRIVER=dummy
// and the run's own player folders, then the environment given here.
struct Launch {
    std::vector<EnvironmentVariable> environment{};
    int hangSeconds = 0;  // above 0: ended after that long, with status 124
    std::string program = testsupport::burrikExecutable();
};

testsupport::CommandResult runProgram(const std::filesystem::path& dir, const std::string& arguments,
                                      const Launch& launch = {});

struct RunOptions {
    std::optional<std::string> script{};  // written beside the run and given with --script
    std::string options{};              // after those of every automated run
    std::string traceName = "trace.jsonl";  // in the run's folder; empty for no trace
    std::string dataDir = testsupport::generatedDataDir();  // empty: the program finds its own
    bool windowed = true;
    // The ticks capped to the display's rate instead of --no-vsync, so that a
    // run lasts at least its frames at that rate however fast the machine is.
    bool paced = false;
    Launch launch{};
};

struct GameRun {
    int exitStatus = -1;
    std::string output;               // standard output and error
    std::vector<std::string> trace;   // one JSON line per tick
    const std::string& frame(long f) const { return trace.at(static_cast<std::size_t>(f - 1)); }
};

// Runs the game with --no-dialogs, --windowed and --no-vsync as asked, the
// generated data, the script, the trace and the options. A run the test
// display refused (several displays starting side by side) is made again.
GameRun runGame(const std::filesystem::path& dir, const RunOptions& run);

// The same with a script and extra options, its trace as trace.jsonl.
GameRun runGame(const testsupport::TempDir& dir, const std::string& script, const std::string& extraOptions);

// The non-empty lines of a trace file the game wrote.
std::vector<std::string> traceLines(const std::string& path);

// The text of a string field or the number of a numeric field: the first
// occurrence of "key" in the line.
std::string stringField(const std::string& line, const std::string& key);
double numberField(const std::string& line, const std::string& key);

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // top row first
    bool valid() const { return width > 0; }
    const unsigned char* at(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

Picture loadPng(const std::string& path);

}  // namespace e2e
