// End to end with the autopilot: the real executable plays by itself, seeded
// and on a virtual clock; its summary, its trace and the trace checker of the
// soak run are judged.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using e2e::numberField;
using e2e::stringField;
using testsupport::TempDir;

bool requireDisplay() { return std::getenv("DISPLAY") != nullptr; }

// The records of the summary's JSON array, one per line.
std::vector<std::string> summaryRecords(const std::string& text)
{
    std::vector<std::string> records;
    std::size_t start = 0;
    while ((start = text.find('{', start)) != std::string::npos) {
        const std::size_t end = text.find('}', start);
        if (end == std::string::npos) break;
        records.push_back(text.substr(start, end - start + 1));
        start = end;
    }
    return records;
}

// Replaces the value of "key" after the first occurrence of anchor.
std::string withField(const std::string& line, const std::string& anchor, const std::string& key,
                      const std::string& value)
{
    const std::size_t at = line.find(anchor);
    if (at == std::string::npos) return line;
    const std::string marker = "\"" + key + "\":";
    const std::size_t field = line.find(marker, at);
    if (field == std::string::npos) return line;
    const std::size_t begin = field + marker.size();
    const std::size_t end = line.find_first_of(",}", begin);
    return line.substr(0, begin) + value + line.substr(end);
}

std::string joinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

testsupport::CommandResult checkTrace(const TempDir& dir, const std::vector<std::string>& lines)
{
    const auto path = dir / "checked.jsonl";
    testsupport::writeFileText(path, joinLines(lines));
    return testsupport::runCommand(testsupport::shellQuote(testsupport::sourceDir() + "/scripts/soak") + " --check " +
                                   testsupport::shellQuote(path.string()));
}

TEST(Autopilot, WinsLevelsZeroAndOneWithAFixedSeedAndGoesOnToLevelTwo)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    const auto summaryPath = dir / "summary.json";
    // Two rounds: the run ends once the third has been set up.
    const e2e::GameRun run = e2e::runGame(dir, "# the autopilot plays alone\n",
                                          "--seed 3 --fixed-dt 0.02 --autopilot --rounds 2 --summary " +
                                              testsupport::shellQuote(summaryPath.string()));
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    const std::vector<std::string> rounds = summaryRecords(testsupport::readFileText(summaryPath));
    ASSERT_EQ(rounds.size(), 2u) << testsupport::readFileText(summaryPath);
    const int levels[] = {0, 1};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(numberField(rounds[i], "level"), levels[i]) << rounds[i];
        EXPECT_EQ(stringField(rounds[i], "result"), "won") << rounds[i];
        EXPECT_EQ(numberField(rounds[i], "molesBeaten"), levels[i] + 4) << rounds[i];
        EXPECT_GT(numberField(rounds[i], "seconds"), 0.0) << rounds[i];
        // The last round's memory too is taken at the next set-up, like every other one.
        EXPECT_EQ(stringField(rounds[i], "memoryAt"), "nextSetUp") << rounds[i];
    }
    // Space after the second win: the game stands at level 2, playing.
    ASSERT_FALSE(run.trace.empty());
    EXPECT_EQ(numberField(run.trace.back(), "level"), 2) << run.trace.back();
    EXPECT_EQ(stringField(run.trace.back(), "state"), "Playing") << run.trace.back();
    // The score carried into the next round is the one of the win.
    EXPECT_GT(numberField(rounds[1], "score"), numberField(rounds[0], "score"));
    // The same rounds, one line each, on standard output at exit; the round just set up is none of them.
    EXPECT_NE(run.output.find("round 1: level 0, won, score " + std::to_string(int(numberField(rounds[0], "score")))),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("round 3:"), std::string::npos) << run.output;
    // Every key went through the callbacks: the trace shows the game's own flags and the checker finds nothing.
    const testsupport::CommandResult check = checkTrace(dir, run.trace);
    EXPECT_EQ(check.exitStatus, 0) << check.output;
}

// The soak's memory test: the driver's swing from round to round passes, a
// steady leak or memory taken at a round's end does not.
TEST(Autopilot, TheSoakMemoryCheckSeesALeakThroughTheDriversSwing)
{
    TempDir dir;
    constexpr long long kMiB = 1 << 20;
    struct Case {
        const char* what;
        long long growthPerRound;
        const char* lastPoint;
        bool passes;
    };
    const Case cases[] = {
        {"1.6 MiB swing, no trend", 0, "nextSetUp", true},
        {"4 KiB leaked per round", 4096, "nextSetUp", false},
        {"last round measured at its end", 0, "roundEnd", false},
    };
    for (const Case& c : cases) {
        std::string json = "[";
        constexpr int kRounds = 300;
        for (int i = 1; i <= kRounds; ++i) {
            const long long resident = 140 * kMiB + (i % 3 == 0 ? 16 * kMiB / 10 : 0) + c.growthPerRound * i;
            json += std::string(i > 1 ? ",\n" : "\n") + "{\"round\":" + std::to_string(i) +
                    ",\"level\":0,\"result\":\"lost\",\"score\":0,\"seconds\":10.0,\"residentBytes\":" +
                    std::to_string(resident) + ",\"heapBytes\":" + std::to_string(resident / 2) +
                    ",\"memoryAt\":\"" + (i == kRounds ? c.lastPoint : "nextSetUp") + "\"}";
        }
        testsupport::writeFileText(dir / "summary.json", json + "\n]\n");
        const testsupport::CommandResult result = testsupport::runCommand(
            "python3 " + testsupport::shellQuote(testsupport::sourceDir() + "/scripts/check-trace") + " --summary " +
            testsupport::shellQuote((dir / "summary.json").string()) + " --rounds 300");
        EXPECT_EQ(result.exitStatus == 0, c.passes) << c.what << ":\n" << result.output;
    }
}

TEST(Autopilot, TheSameSeedPlaysTheSameGameAndTheCheckerRefusesEveryImpossibleValue)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir first, second;
    const std::string options = "--seed 11 --fixed-dt 0.02 --autopilot --frames 1200";
    const e2e::GameRun a = e2e::runGame(first, "", options);
    const e2e::GameRun b = e2e::runGame(second, "", options);
    ASSERT_EQ(a.exitStatus, 0) << a.output;
    ASSERT_EQ(a.trace.size(), 1200u);
    EXPECT_TRUE(a.trace == b.trace) << "two runs with seed 11 differ";

    // The autopilot really played: it walked and struck.
    bool walked = false, struck = false;
    for (const std::string& line : a.trace) {
        walked = walked || line.find("\"walking\":1") != std::string::npos;
        struck = struck || line.find("\"striking\":1") != std::string::npos;
    }
    EXPECT_TRUE(walked && struck);

    ASSERT_EQ(checkTrace(first, a.trace).exitStatus, 0) << checkTrace(first, a.trace).output;
    // A tick inside the round at which every mole walks.
    std::size_t k = 0;
    for (std::size_t i = 0; i < a.trace.size(); ++i) {
        const std::string& tick = a.trace[i];
        bool allWalking = true;
        for (const char* other : {"\"Paused\"", "\"Eating\"", "\"Flying", "\"Sliding", "\"Fallen\"", "\"Removed\""}) {
            allWalking = allWalking && tick.find(other) == std::string::npos;
        }
        if (i > 100 && stringField(tick, "state") == "Playing" && allWalking) {
            k = i;
            break;
        }
    }
    ASSERT_GT(k, 0u);
    const std::string& line = a.trace[k];
    const int score = static_cast<int>(numberField(line, "score"));
    const int molesLeft = static_cast<int>(numberField(line, "molesLeft"));
    const double moleX = numberField(line.substr(line.find("\"moles\":[")), "x");
    struct Impossible {
        const char* what;
        std::string line;
        const char* named;  // in the checker's message
    };
    const Impossible cases[] = {
        {"gardener beyond the fence", withField(line, "\"gardener\":", "x", "612.000"), "gardener outside"},
        {"unknown flower state", withField(line, "\"flowers\":[", "state", "\"Withered\""), "unknown state"},
        {"flower eaten thrice", withField(line, "\"flowers\":[", "eaten", "3"), "eaten stage"},
        {"unknown mole state", withField(line, "\"moles\":[", "state", "\"Dancing\""), "unknown state"},
        {"mole leaps", withField(line, "\"moles\":[", "x", std::to_string(moleX > 0 ? moleX - 40 : moleX + 40)),
         "walked"},
        {"score without an event", withField(line, "\"level\":", "score", std::to_string(score + 7)), "score went"},
        {"mole beaten without a flight", withField(line, "\"level\":", "molesLeft", std::to_string(molesLeft - 1)),
         "molesLeft fell"},
        {"rake moved off its range", withField(line, "\"rakes\":[", "x", "480.000"), "rake 0 outside"},
    };
    for (const Impossible& c : cases) {
        ASSERT_NE(c.line, line) << c.what;
        std::vector<std::string> changed = a.trace;
        changed[k] = c.line;
        const testsupport::CommandResult result = checkTrace(first, changed);
        EXPECT_NE(result.exitStatus, 0) << c.what;
        EXPECT_NE(result.output.find(c.named), std::string::npos) << c.what << ":\n" << result.output;
    }
    // The bed ages once per listed mole, so one tick may chain updates: watered
    // back to healthy and straight into lice (the four moles listed here) is
    // possible, two changes of form in one tick are not.
    struct FlowerTick {
        const char* before;
        const char* after;
        int scoreChange;
        bool possible;
    };
    for (const FlowerTick& c : {FlowerTick{"Dry1", "Lice", -5, true}, FlowerTick{"Healthy", "Dry2", -5, false}}) {
        const std::string next = a.trace[k + 1];
        const std::vector<std::string> pair = {
            withField(line, "\"flowers\":[", "state", std::string("\"") + c.before + "\""),
            withField(withField(next, "\"flowers\":[", "state", std::string("\"") + c.after + "\""), "\"level\":",
                      "score", std::to_string(static_cast<int>(numberField(next, "score")) + c.scoreChange))};
        const testsupport::CommandResult result = checkTrace(first, pair);
        EXPECT_EQ(result.exitStatus == 0, c.possible) << c.before << " to " << c.after << ":\n" << result.output;
    }
    // A flower that comes back from gone.
    std::vector<std::string> revived = a.trace;
    for (std::size_t i = k; i < k + 5; ++i) revived[i] = withField(revived[i], "\"flowers\":[", "state", "\"Gone\"");
    const testsupport::CommandResult result = checkTrace(first, revived);
    EXPECT_NE(result.exitStatus, 0);
    EXPECT_NE(result.output.find("from Gone to"), std::string::npos) << result.output;
}

}  // namespace
