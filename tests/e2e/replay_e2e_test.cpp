// End to end: games recorded on the real clocks replay to the same trace,
// line for line; damaged replays are refused or stop where they say; a game
// that ends goes into the score table, which the lost-round screen shows and
// --scores prints, with the recorded game's replay kept beside it.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

using e2e::numberField;
using e2e::stringField;
using testsupport::TempDir;
namespace fs = std::filesystem;

using e2e::GameRun;

// The game with the options of every automated run, its scores kept in
// dir/home, or with the environment given.
GameRun runBurrik(const TempDir& dir, const std::string& options, const std::string& traceName,
                  std::vector<e2e::EnvironmentVariable> environment = {})
{
    if (environment.empty()) environment.push_back({"XDG_DATA_HOME", (dir / "home").string()});
    return e2e::runGame(dir.path(), {.options = options, .traceName = traceName, .launch = {.environment = environment}});
}

std::vector<std::string> fileLines(const fs::path& path)
{
    std::istringstream in(testsupport::readFileText(path));
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count && i < lines.size(); ++i) text += lines[i] + "\n";
    return text;
}

// Walking, turning, watering, a pause, striking, the camera, the option keys
// and the camera swung with the pad's right stick (nothing in the game can
// refuse that, whatever the real clock made of the walk before).
const char* const kPlayKeys =
    "2 press space\n2 release space\n10 press up\n60 release up\n61 press left\n80 release left\n"
    "81 press x\n82 release x\n100 press f1\n101 release f1\n130 press f1\n131 release f1\n"
    "150 press down\n151 release down\n160 press a\n190 release a\n"
    "191 press w\n200 release w\n201 press p\n202 release p\n203 press up\n260 release up\n"
    "265 pad axis rightx 32767\n275 pad axis rightx 0\n";

TEST(Replay, AGameOnTheRealClocksReplaysToTheSameTrace)
{
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    TempDir dir;
    testsupport::writeFileText(dir / "keys.txt", kPlayKeys);
    const GameRun recorded = runBurrik(dir, "--script keys.txt --frames 300 --record game.replay", "recorded.jsonl");
    ASSERT_EQ(recorded.exitStatus, 0) << recorded.output;
    ASSERT_EQ(recorded.trace.size(), 300u);
    // Real clocks: the ticks differ in length, and the game was played.
    std::set<std::string> tickLengths;
    for (const std::string& line : recorded.trace) tickLengths.insert(std::to_string(numberField(line, "frameSeconds")));
    EXPECT_GT(tickLengths.size(), 20u);
    EXPECT_EQ(stringField(recorded.trace.back(), "state"), "Playing");
    EXPECT_NE(numberField(recorded.trace.back(), "z"), numberField(recorded.trace[3], "z"));
    EXPECT_NE(recorded.trace[110].find("\"paused\":true"), std::string::npos);
    EXPECT_GT(numberField(recorded.trace[279], "yaw"), numberField(recorded.trace[263], "yaw"));

    const GameRun replayed = runBurrik(dir, "--replay game.replay", "replayed.jsonl");
    EXPECT_EQ(replayed.exitStatus, 0) << replayed.output;
    EXPECT_NE(replayed.output.find("replay game.replay: played to its end (frame 300)"), std::string::npos)
        << replayed.output;
    ASSERT_EQ(replayed.trace.size(), recorded.trace.size());
    for (std::size_t i = 0; i < recorded.trace.size(); ++i) ASSERT_EQ(replayed.trace[i], recorded.trace[i]) << "frame " << i + 1;
}

TEST(Replay, AnAutopilotGameReplaysToTheSameTrace)
{
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    TempDir dir;
    const GameRun recorded = runBurrik(dir, "--autopilot --frames 500 --record pilot.replay", "recorded.jsonl");
    ASSERT_EQ(recorded.exitStatus, 0) << recorded.output;
    ASSERT_EQ(recorded.trace.size(), 500u);
    EXPECT_TRUE(std::any_of(recorded.trace.begin(), recorded.trace.end(), [](const std::string& line) {
        return line.find("\"walking\":1") != std::string::npos;
    }));
    const GameRun replayed = runBurrik(dir, "--replay pilot.replay", "replayed.jsonl");
    EXPECT_EQ(replayed.exitStatus, 0) << replayed.output;
    EXPECT_EQ(replayed.trace, recorded.trace);
    // The autopilot's games are not a person's: no table.
    EXPECT_FALSE(fs::exists(dir / "home" / "burrik" / "scores"));
}

TEST(Replay, DamagedReplaysAreRefusedOrStopWhereTheySay)
{
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    TempDir dir;
    testsupport::writeFileText(dir / "keys.txt", "2 press space\n2 release space\n5 press up\n40 release up\n");
    const GameRun recorded = runBurrik(dir, "--script keys.txt --frames 60 --record game.replay", "recorded.jsonl");
    ASSERT_EQ(recorded.exitStatus, 0) << recorded.output;
    const std::vector<std::string> lines = fileLines(dir / "game.replay");
    ASSERT_GT(lines.size(), 50u);
    ASSERT_EQ(lines.back(), "end 60");
    // Line 40 of the file holds frame 33 (header of seven lines, frame 1 silent).
    const std::size_t middle = 39;
    const long middleFrame = std::stol(lines[middle]);

    struct Case {
        const char* what;
        std::string text;
        int status;
        std::string message;
        std::size_t traceLines;  // the trace matches the recording's up to here
    };
    std::vector<std::string> dropped = lines;
    dropped[middle].erase(dropped[middle].rfind(' '));  // the frame's last reading
    std::vector<std::string> garbled = lines;
    garbled[middle] += " q17";
    std::vector<std::string> newer = lines;
    newer[0] = "burrik-replay 9";
    const std::string whole = joinLines(lines, lines.size());
    const std::string cut = joinLines(lines, middle) + lines[middle].substr(0, 6);
    const std::vector<Case> cases{
        {"unknown version", joinLines(newer, newer.size()), 2,
         "the replay bad.replay is refused: line 1: unknown replay version 9", 0},
        {"garbled line", joinLines(garbled, garbled.size()), 2,
         "the replay bad.replay is refused: line 40: unknown item 'q'", 0},
        {"cut short", cut, 0,
         "the file is cut short at line 40; played up to frame " + std::to_string(middleFrame - 1),
         static_cast<std::size_t>(middleFrame - 1)},
        {"killed before its end", joinLines(lines, lines.size() - 1), 0,
         "the recording stops at frame 60 without its end line", 60},
        {"a reading taken away", joinLines(dropped, dropped.size()), 3,
         "replay bad.replay is out of step with the game at line 40, frame " + std::to_string(middleFrame),
         static_cast<std::size_t>(middleFrame - 1)},
        {"the whole file", whole, 0, "played to its end (frame 60)", 60},
    };
    for (const Case& c : cases) {
        testsupport::writeFileText(dir / "bad.replay", c.text);
        fs::remove(dir / "replayed.jsonl");
        const GameRun replayed = runBurrik(dir, "--replay bad.replay", "replayed.jsonl");
        EXPECT_EQ(replayed.exitStatus, c.status) << c.what << ": " << replayed.output;
        EXPECT_NE(replayed.output.find(c.message), std::string::npos) << c.what << ": " << replayed.output;
        ASSERT_GE(replayed.trace.size(), c.traceLines) << c.what;
        EXPECT_LE(replayed.trace.size(), c.traceLines + 1) << c.what;  // a frame that went out of step in its draw
        for (std::size_t i = 0; i < c.traceLines; ++i) EXPECT_EQ(replayed.trace[i], recorded.trace[i]) << c.what;
    }
}

// The share of a picture's pixels inside the box that differ from another's.
struct Difference {
    int inside = 0;
    int outside = 0;
    int marked = 0;  // this game's row is red
};

Difference compare(const e2e::Picture& with, const e2e::Picture& without, int left, int top, int right, int bottom)
{
    Difference d;
    for (int y = 0; y < with.height; ++y) {
        for (int x = 0; x < with.width; ++x) {
            const unsigned char* a = with.at(x, y);
            const unsigned char* b = without.at(x, y);
            if (std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) < 24) continue;
            const bool in = x >= left && x < right && y >= top && y < bottom;
            (in ? d.inside : d.outside) += 1;
            if (in && a[0] > 150 && a[1] < 90 && a[2] < 90) d.marked += 1;
        }
    }
    return d;
}

TEST(Scores, ALostGameGoesIntoTheTableOnTheLostRoundScreenWithItsReplayBeside)
{
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    TempDir dir;
    // The round clock runs out near tick 202 (a tick lasts a second); space
    // leads back to the menu, a second game is left with escape, escape quits.
    testsupport::writeFileText(dir / "keys.txt",
                               "2 press space\n2 release space\n230 press space\n230 release space\n"
                               "234 press space\n234 release space\n240 press up\n244 release up\n"
                               "248 press escape\n248 release escape\n252 press escape\n");
    const std::string play = "--seed 3 --fixed-dt 1 --script keys.txt --screenshot 215:lost.png";
    const GameRun game = runBurrik(dir, play + " --record game.replay", "game.jsonl");
    ASSERT_EQ(game.exitStatus, 0) << game.output;
    const auto lost = std::find_if(game.trace.begin(), game.trace.end(), [](const std::string& line) {
        return stringField(line, "state") == "RoundLost";
    });
    ASSERT_NE(lost, game.trace.end());
    const std::size_t lostFrame = static_cast<std::size_t>(lost - game.trace.begin()) + 1;
    const int lostScore = static_cast<int>(numberField(*lost, "score"));
    EXPECT_NE(game.output.find("is number 1 of the best 10"), std::string::npos) << game.output;

    // The table: both games, each with the replay that ends where it ended.
    const fs::path folder = dir / "home" / "burrik";
    const std::vector<std::string> table = fileLines(folder / "scores");
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0], "burrik-scores 1");
    EXPECT_TRUE(table[1].starts_with(std::to_string(lostScore) + " 0 ")) << table[1];
    const std::string keptReplay = table[1].substr(table[1].rfind(' ') + 1);
    ASSERT_TRUE(keptReplay.starts_with("best-") && keptReplay.ends_with(".replay")) << table[1];
    EXPECT_NE(table[2].find(" best-"), std::string::npos) << table[2];

    const testsupport::CommandResult printed =
        e2e::runProgram(dir.path(), "--scores", {.environment = {{"XDG_DATA_HOME", (dir / "home").string()}}});
    EXPECT_EQ(printed.exitStatus, 0);
    EXPECT_NE(printed.output.find("Best scores (" + (folder / "scores").string() + ")"), std::string::npos) << printed.output;
    EXPECT_NE(printed.output.find("  1. "), std::string::npos) << printed.output;
    EXPECT_NE(printed.output.find((folder / keptReplay).string()), std::string::npos) << printed.output;

    const GameRun watched = runBurrik(dir, "--replay " + testsupport::shellQuote((folder / keptReplay).string()), "watched.jsonl");
    EXPECT_EQ(watched.exitStatus, 0) << watched.output;
    EXPECT_NE(watched.output.find("played to its end (frame " + std::to_string(lostFrame) + ")"), std::string::npos)
        << watched.output;
    ASSERT_EQ(watched.trace.size(), lostFrame);
    EXPECT_TRUE(std::equal(watched.trace.begin(), watched.trace.end(), game.trace.begin()));

    // The same game where no table can be kept shows the same picture but
    // for the table below the banner, with this game's row in red.
    const GameRun untracked = runBurrik(dir, "--seed 3 --fixed-dt 1 --script keys.txt --screenshot 215:plain.png",
                                        "untracked.jsonl", {{"XDG_DATA_HOME", std::nullopt}, {"HOME", std::nullopt}});
    ASSERT_EQ(untracked.exitStatus, 0) << untracked.output;
    EXPECT_NE(untracked.output.find("no score is kept"), std::string::npos) << untracked.output;
    EXPECT_EQ(untracked.trace, game.trace);
    const e2e::Picture with = e2e::loadPng((dir / "lost.png").string());
    const e2e::Picture without = e2e::loadPng((dir / "plain.png").string());
    ASSERT_TRUE(with.valid() && without.valid());
    ASSERT_EQ(with.width, 800);
    ASSERT_EQ(with.height, 600);
    // Below the banner (whose lower edge is at row 354 of 600), across the middle.
    const Difference d = compare(with, without, 160, 354, 640, 600);
    EXPECT_EQ(d.outside, 0);
    EXPECT_GT(d.inside, 2000);
    EXPECT_GT(d.marked, 100);
}

}  // namespace
