#pragma once
// Command-line options. None of them changes the game's rules; they serve
// windowed play, benchmarks and reproducible automated runs.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ScreenshotRequest {
    long frame = 0;
    std::string path;
};

struct Options {
    bool windowed = false;
    std::string dataDir;  // empty: the working folder or the data folder beside the program
    bool noDialogs = false;
    bool noVsync = false;
    std::optional<std::uint32_t> seed;
    std::optional<double> fixedDt;
    std::string scriptPath;
    std::optional<long> frames;
    std::vector<ScreenshotRequest> screenshots;
    std::string tracePath;
    bool mute = false;        // no music and no sounds until the player turns them up
    bool autopilot = false;   // the built-in player presses the keys
    std::string summaryPath;  // with autopilot: the rounds as JSON at exit
    std::optional<long> rounds;  // with autopilot: end after this many rounds
    std::string recordPath;  // the game's replay is written here
    std::string replayPath;  // a replay to play
    bool scores = false;     // print the best scores and end
    bool help = false;
    bool version = false;
};

struct OptionsResult {
    bool ok = false;
    Options options;
    std::string error;  // what was wrong, when not ok
};

OptionsResult parseOptions(int argc, const char* const* argv);

// The text of --help.
std::string optionsHelpText(const char* programName);

// Exit status for a bad command line.
constexpr int kExitBadOptions = 2;

// Ends the process with the bad-command-line status after the message.
[[noreturn]] void badCommandLine(const std::string& message);

// A run driven by a script, a frame limit, screenshots, the autopilot or a
// replay: it must not depend on the windows of the screen.
bool isAutomatedRun(const Options& options);
