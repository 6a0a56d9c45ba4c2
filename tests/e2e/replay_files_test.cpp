// End to end: whatever the first line of the player's burrik.ini holds, a
// recording and the replay kept beside the score table play back under the
// game-mode string the game ran by, and a run the player ended with escape
// in the menu replays to its end.
#include "e2e_support.h"
#include "records/replay_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

using testsupport::TempDir;
namespace fs = std::filesystem;

// Plays a replay as runGame plays a script, with its trace in dir.
e2e::GameRun playBack(const TempDir& dir, const fs::path& replay, const std::string& traceName)
{
    const std::string tracePath = (dir / traceName).string();
    const testsupport::CommandResult result = testsupport::runCommand(
        "cd " + testsupport::shellQuote(dir.path().string()) + " && SDL_AUDIODRIVER=dummy XDG_DATA_HOME=" +
        testsupport::shellQuote((dir / e2e::kRunDataHome).string()) + " XDG_CONFIG_HOME=" +
        testsupport::shellQuote((dir / e2e::kRunConfigHome).string()) + " HOME=" +
        testsupport::shellQuote((dir / e2e::kRunHome).string()) + " " +
        testsupport::shellQuote(testsupport::burrikExecutable()) + " --windowed --no-dialogs --no-vsync --data " +
        testsupport::shellQuote(testsupport::generatedDataDir()) + " --trace " + testsupport::shellQuote(tracePath) +
        " --replay " + testsupport::shellQuote(replay.string()));
    e2e::GameRun run;
    run.exitStatus = result.exitStatus;
    run.output = result.output;
    run.trace = e2e::traceLines(tracePath);
    return run;
}

ReplayHeader headerOf(const fs::path& replay)
{
    const std::vector<std::uint8_t> bytes = testsupport::readFileBytes(replay);
    const ReplayParseResult parsed = parseReplay(bytes.data(), bytes.size());
    EXPECT_TRUE(parsed.ok) << replay << ": " << parsed.error;
    return parsed.data.header;
}

TEST(ReplayFiles, RunsEndedWithEscapeInTheMenuPlayBackUnderTheModeTheGameRanBy)
{
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    // A game is started, walked, left with escape (it makes the table, which
    // keeps its replay) and escape in the menu ends the run: the frame of
    // that key is one past the end line's tick count.
    const std::string script = "2 press space\n2 release space\n8 press up\n30 release up\n"
                               "40 press escape\n40 release escape\n46 press escape\n";
    constexpr std::size_t kLeftAtFrame = 40;
    constexpr std::size_t kTicks = 45;
    struct Case {
        const char* what;
        std::string firstLine;  // of the player's burrik.ini
        std::string mode;                      // the game-mode string the game runs by
    };
    const std::vector<Case> cases{
        {"a mode with a comment", "1024x768 #tv", "1024x768 #tv"},
        {"an empty first line", "", ""},
        {"29 characters of quotes, backslashes and a tab, with a Windows line end",
         "\"a\\b\"\t640x480:16@60 # tv \\x41\r", "\"a\\b\"\t640x480:16@60 # tv \\x41"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        fs::create_directories(dir / e2e::kRunConfigHome / "burrik");
        testsupport::writeFileText(dir / e2e::kRunConfigHome / "burrik" / "burrik.ini", c.firstLine + "\n");
        const e2e::GameRun recorded = e2e::runGame(dir, script, "--record game.replay");
        ASSERT_EQ(recorded.exitStatus, 0) << c.what << ": " << recorded.output;
        ASSERT_EQ(recorded.trace.size(), kTicks) << c.what;
        EXPECT_EQ(headerOf(dir / "game.replay").videoMode, c.mode) << c.what;

        const e2e::GameRun whole = playBack(dir, dir / "game.replay", "whole.jsonl");
        EXPECT_EQ(whole.exitStatus, 0) << c.what << ": " << whole.output;
        EXPECT_NE(whole.output.find("played to its end (frame " + std::to_string(kTicks) + ")"), std::string::npos)
            << c.what << ": " << whole.output;
        EXPECT_EQ(whole.trace, recorded.trace) << c.what;

        // The replay the table keeps: the game up to the escape that left it.
        const fs::path folder = dir / "data-home" / "burrik";
        std::vector<fs::path> kept;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().filename().string().starts_with("best-")) kept.push_back(entry.path());
        }
        ASSERT_EQ(kept.size(), 1u) << c.what;
        EXPECT_EQ(headerOf(kept[0]).videoMode, c.mode) << c.what;
        const e2e::GameRun best = playBack(dir, kept[0], "best.jsonl");
        EXPECT_EQ(best.exitStatus, 0) << c.what << ": " << best.output;
        EXPECT_NE(best.output.find("played to its end (frame " + std::to_string(kLeftAtFrame) + ")"), std::string::npos)
            << c.what << ": " << best.output;
        ASSERT_EQ(best.trace.size(), kLeftAtFrame) << c.what;
        EXPECT_TRUE(std::equal(best.trace.begin(), best.trace.end(), recorded.trace.begin())) << c.what;
    }
}

}  // namespace
