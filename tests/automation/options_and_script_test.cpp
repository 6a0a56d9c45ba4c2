// The command line and the key scripts of automated runs.
#include "command_line/options.h"
#include "automation/script.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

OptionsResult parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "burrik");
    return parseOptions(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, ReadsEveryOption)
{
    const OptionsResult r = parse({"--windowed", "--data", "/tmp/d", "--no-dialogs", "--no-vsync", "--seed", "42",
                                   "--fixed-dt", "0.02", "--script", "s.txt", "--frames", "300", "--screenshot",
                                   "10:a.png", "--screenshot", "20:dir/b.png", "--trace", "t.jsonl", "--autopilot",
                                   "--summary", "rounds.json", "--rounds", "7", "--record", "game.replay",
                                   "--scores"});
    ASSERT_TRUE(r.ok) << r.error;
    const Options& o = r.options;
    EXPECT_TRUE(o.windowed && o.noDialogs && o.noVsync);
    EXPECT_EQ(o.dataDir, "/tmp/d");
    EXPECT_EQ(o.seed, 42u);
    EXPECT_DOUBLE_EQ(*o.fixedDt, 0.02);
    EXPECT_EQ(o.scriptPath, "s.txt");
    EXPECT_EQ(o.frames, 300);
    ASSERT_EQ(o.screenshots.size(), 2u);
    EXPECT_EQ(o.screenshots[1].frame, 20);
    EXPECT_EQ(o.screenshots[1].path, "dir/b.png");
    EXPECT_EQ(o.tracePath, "t.jsonl");
    EXPECT_TRUE(o.autopilot);
    EXPECT_EQ(o.summaryPath, "rounds.json");
    EXPECT_EQ(o.rounds, 7);
    EXPECT_EQ(o.recordPath, "game.replay");
    EXPECT_TRUE(o.scores);
    const OptionsResult replay = parse({"--replay", "best.replay", "--windowed", "--trace", "t.jsonl"});
    ASSERT_TRUE(replay.ok) << replay.error;
    EXPECT_EQ(replay.options.replayPath, "best.replay");
}

TEST(CommandLine, RefusesBadValuesWithAMessage)
{
    for (const auto& args : std::vector<std::vector<const char*>>{
             {"--seed", "-1"}, {"--seed", "abc"}, {"--seed", "4294967296"}, {"--seed"},
             {"--fixed-dt", "0"}, {"--fixed-dt", "-0.1"}, {"--fixed-dt", "nan"}, {"--fixed-dt", "1e9"},
             {"--frames", "0"}, {"--frames", "10x"}, {"--screenshot", "10"}, {"--screenshot", "0:a.png"},
             {"--screenshot", "5:"}, {"--bogus"}, {"--data"}, {"--autopilot", "--rounds", "0"},
             {"--autopilot", "--summary"}, {"--summary", "s.json"}, {"--rounds", "3"}, {"--record"}, {"--replay"},
             {"--replay", "r", "--seed", "1"}, {"--replay", "r", "--fixed-dt", "0.02"}, {"--replay", "r", "--script", "s"},
             {"--replay", "r", "--autopilot"}, {"--replay", "r", "--record", "r2"}}) {
        const OptionsResult r = parse(args);
        EXPECT_FALSE(r.ok) << args[0];
        EXPECT_FALSE(r.error.empty());
    }
    EXPECT_TRUE(parse({"--help"}).options.help);
}

TEST(KeyScript, ParsesKeysFramesAndComments)
{
    const ScriptParseResult r = parseScript(
        "# start a game\n"
        "5 press space\n"
        "3 press down   # menu choice\n"
        "\n"
        "7 release up\n"
        "7 press x\n"
        "8 press Y\n"
        "9 press escape\n"
        "9 press pageup\n"
        "9 press home\n");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.events.size(), 8u);
    EXPECT_EQ(r.events[0].frame, 3);  // sorted by frame
    EXPECT_TRUE(r.events[0].special);
    EXPECT_EQ(r.events[0].key, GLUT_KEY_DOWN);
    EXPECT_EQ(r.events[1].key, ' ');
    EXPECT_FALSE(r.events[2].press);
    EXPECT_EQ(r.events[3].key, 'x');  // file order kept within a frame
    EXPECT_EQ(r.events[4].key, 'Y');
    EXPECT_EQ(r.events[5].key, 27);
    EXPECT_EQ(r.events[6].key, GLUT_KEY_PAGE_UP);
    EXPECT_EQ(r.events[7].key, GLUT_KEY_HOME);
}

TEST(KeyScript, ReportsTheFaultyLine)
{
    for (const char* text : {"x press a\n", "0 press a\n", "3 push a\n", "3 press\n", "3 press shift\n",
                             "3 press a b\n", "1 press a\n2 release ab\n"}) {
        const ScriptParseResult r = parseScript(text);
        EXPECT_FALSE(r.ok) << text;
        EXPECT_NE(r.error.find("line"), std::string::npos);
    }
}

}  // namespace
