// End to end: key sequences of ordinary play that once left the gardener
// stuck, hid the end of a round or carried an action into the next game, and
// the spray and water effects measured against invisible sprites.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using e2e::numberField;
using e2e::stringField;
using testsupport::TempDir;

bool requireDisplay() { return std::getenv("DISPLAY") != nullptr; }

// A field inside the named object of a trace line (gardener, legs, torso, particles).
double inside(const std::string& line, const std::string& part, const std::string& key)
{
    const std::size_t at = line.find("\"" + part + "\":");
    return at == std::string::npos ? std::nan("") : numberField(line.substr(at), key);
}
std::string animation(const std::string& line, const std::string& part)
{
    const std::size_t at = line.find("\"" + part + "\":");
    return at == std::string::npos ? std::string() : stringField(line.substr(at), "animation");
}
bool flag(const std::string& line, const std::string& key) { return line.find("\"" + key + "\":true") != std::string::npos; }
double gz(const std::string& line) { return inside(line, "gardener", "z"); }

TEST(PlayFaults, AStrikeStopsTheWalkAndARoundLostWhileWalkingPlaysTheDeath)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    // Quarter-second ticks: the 200 s round ends near tick 800. Up is held
    // through the strike, released, and held again until the round is lost.
    const e2e::GameRun run = e2e::runGame(dir,
                                          "2 press space\n5 press up\n12 press down\n13 release down\n"
                                          "60 release up\n70 press up\n",
                                          "--seed 8 --fixed-dt 0.25 --frames 900");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 900u);
    auto at = [&](int frame) -> const std::string& { return run.trace[static_cast<std::size_t>(frame - 1)]; };

    // The strike ends the walk at once, runs its course with the blow and frees him.
    EXPECT_EQ(numberField(at(12), "striking"), 1);
    EXPECT_EQ(numberField(at(12), "walking"), 0);
    int strikeEnd = 0, blows = 0;
    for (int f = 12; f < 60 && strikeEnd == 0; ++f) {
        blows += flag(at(f), "effectVisible") ? 1 : 0;
        if (numberField(at(f), "striking") == 0) strikeEnd = f;
    }
    ASSERT_GT(strikeEnd, 0) << "the strike never ended while up was held";
    EXPECT_GT(blows, 0);
    EXPECT_EQ(inside(at(strikeEnd), "gardener", "busy"), 0);
    EXPECT_EQ(animation(at(strikeEnd), "legs"), "LEGS_IDLE");
    EXPECT_EQ(gz(at(59)), gz(at(13)));  // up still held, but a walk needs a new press
    EXPECT_LT(gz(at(100)), gz(at(70)) - 100);

    int lost = 0;
    for (int f = 100; f <= 900 && lost == 0; ++f) {
        if (stringField(at(f), "state") == "RoundLost") lost = f;
    }
    ASSERT_GT(lost, 0);
    EXPECT_EQ(numberField(at(lost - 1), "walking"), 1);
    EXPECT_EQ(numberField(at(lost), "walking"), 0);
    EXPECT_EQ(animation(at(lost + 5), "legs"), "BOTH_DEAD");
    EXPECT_EQ(animation(at(lost + 5), "torso"), "BOTH_DEAD");
    EXPECT_EQ(animation(at(900), "torso"), "BOTH_REALLY_DEAD");
    EXPECT_FALSE(flag(at(900), "dying"));
}

TEST(PlayFaults, ActionsCutShortByEscapeStayInTheGameTheyWereStartedIn)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    // Spray left while its cloud shows, watering left likewise, and a lost
    // round left during the death; each time a new game starts at once.
    const e2e::GameRun run = e2e::runGame(dir,
                                          "2 press space\n5 press y\n6 release y\n12 press escape\n14 press space\n"
                                          "20 press x\n21 release x\n28 press escape\n30 press space\n"
                                          "834 press space\n836 press space\n840 press left\n",
                                          "--seed 7 --fixed-dt 0.25 --frames 850");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 850u);
    auto at = [&](int frame) -> const std::string& { return run.trace[static_cast<std::size_t>(frame - 1)]; };
    EXPECT_GT(inside(at(11), "particles", "spray"), 0);
    EXPECT_TRUE(flag(at(11), "sprayEffect") && flag(at(11), "effectVisible"));
    EXPECT_GT(inside(at(27), "particles", "water"), 0);
    for (int f = 14; f <= 19; ++f) {
        EXPECT_FALSE(flag(at(f), "sprayEffect")) << f;
        EXPECT_EQ(inside(at(f), "particles", "spray"), 0) << f;
    }
    for (int f = 30; f <= 800; ++f) {
        ASSERT_FALSE(flag(at(f), "waterEffect") || flag(at(f), "sprayEffect")) << f;
        ASSERT_EQ(inside(at(f), "particles", "water"), 0) << f;
    }
    EXPECT_EQ(stringField(at(833), "state"), "RoundLost");
    EXPECT_TRUE(flag(at(833), "dying"));
    EXPECT_EQ(stringField(at(836), "state"), "Playing");
    EXPECT_FALSE(flag(at(837), "dying"));
    EXPECT_EQ(animation(at(837), "torso"), "TORSO_IDLE");
    EXPECT_GT(inside(at(845), "gardener", "heading"), 10.0);  // he turns in the new game
}

TEST(PlayFaults, NoKeysPressedInTheGapsOfAStrikeLeaveTheGardenerWalkingOnItsOwn)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    // After a spray the legs' idle loop runs a frame ahead of the torso's; at
    // the wrap the torso shows its last idle frame while the legs show the
    // first, and a strike started there ends in the torso well before the legs.
    TempDir look;
    const e2e::GameRun spray = e2e::runGame(look, "2 press space\n5 press y\n6 release y\n", "--seed 7 --fixed-dt 0.02 --frames 300");
    ASSERT_EQ(spray.trace.size(), 300u);
    int wrap = 0;
    for (int f = 120; f <= 300 && wrap == 0; ++f) {
        const std::string& line = spray.trace[static_cast<std::size_t>(f - 1)];
        if (animation(line, "torso") == "TORSO_IDLE" && inside(line, "torso", "frame") == 24 &&
            inside(line, "legs", "frame") == 17)
            wrap = f;
    }
    ASSERT_GT(wrap, 0);

    // The strike at the wrap, the watering key pressed again and again until
    // the strike is over, then a short walk.
    std::string script = "2 press space\n5 press y\n6 release y\n" + std::to_string(wrap) + " press down\n";
    for (int f = wrap + 30; f < wrap + 60; f += 2) script += std::to_string(f) + " press x\n";
    const int walkFrom = wrap + 100, walkTo = wrap + 140;
    script += std::to_string(walkFrom) + " press up\n" + std::to_string(walkTo) + " release up\n";
    TempDir dir;
    const e2e::GameRun run = e2e::runGame(dir, script, "--seed 7 --fixed-dt 0.02 --frames " + std::to_string(walkTo + 300));
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    auto at = [&](int frame) -> const std::string& { return run.trace[static_cast<std::size_t>(frame - 1)]; };
    for (int f = wrap; f <= walkTo + 300; ++f) {
        const bool acting = numberField(at(f), "striking") + numberField(at(f), "watering") + numberField(at(f), "spraying") > 0;
        ASSERT_EQ(inside(at(f), "gardener", "busy"), acting ? 1 : 0) << "frame " << f;
    }
    EXPECT_LT(gz(at(walkTo)), gz(at(walkFrom)) - 20);  // the walk works
    EXPECT_EQ(numberField(at(walkTo), "walking"), 0);
    EXPECT_EQ(gz(at(walkTo + 300)), gz(at(walkTo)));  // and ends with the key
}

// The same run with the spray and drop sprites fully transparent: what the
// effects add to the picture is where the two frames differ.
fs::path dataWithInvisibleSprites(const TempDir& dir)
{
    const fs::path source = testsupport::generatedDataDir();
    const fs::path data = dir / "clear-data";
    fs::create_directories(data / "bilder");
    for (const fs::directory_entry& entry : fs::directory_iterator(source)) {
        if (entry.path().filename() != "bilder") fs::create_directory_symlink(entry.path(), data / entry.path().filename());
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(source / "bilder")) {
        const std::string name = entry.path().filename().string();
        if (name != "Particle.tga" && name != "Tropfen.tga") fs::create_symlink(entry.path(), data / "bilder" / name);
    }
    // A 64 x 64 true-colour TGA with alpha, every pixel (0, 0, 0, 0).
    std::vector<std::uint8_t> clear = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64, 0, 64, 0, 32, 8};
    clear.resize(clear.size() + 64 * 64 * 4, 0);
    testsupport::writeFileBytes(data / "bilder" / "Particle.tga", clear);
    testsupport::writeFileBytes(data / "bilder" / "Tropfen.tga", clear);
    return data;
}

int pixelsChanged(const e2e::Picture& a, const e2e::Picture& b)
{
    constexpr int kVisibleStep = 13;  // 5 % of full scale in some channel
    int count = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            for (int c = 0; c < 3; ++c)
                if (std::abs(a.at(x, y)[c] - b.at(x, y)[c]) > kVisibleStep) {
                    ++count;
                    break;
                }
    return count;
}

TEST(PlayFaults, TheSprayCloudAndTheWaterStreamShowFromTheChaseCamera)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    // Frame 200: the water flows; frame 360: the spray cloud at its fullest.
    const std::string script = "2 press space\n5 press a\n50 release a\n150 press x\n290 press y\n";
    const std::string options = "--seed 7 --fixed-dt 0.02 --frames 360 --screenshot 200:water.png --screenshot 360:spray.png";
    TempDir seen, unseen;
    const e2e::GameRun withEffects = e2e::runGame(seen, script, options);
    const e2e::GameRun without = e2e::runGame(unseen, script, options + " --data " + dataWithInvisibleSprites(unseen).string());
    ASSERT_EQ(withEffects.exitStatus, 0) << withEffects.output;
    ASSERT_EQ(without.exitStatus, 0) << without.output;
    ASSERT_EQ(withEffects.trace, without.trace);  // the same game, only the sprites differ
    const int frame = 800 * 600;
    const int water = pixelsChanged(e2e::loadPng((seen / "water.png").string()), e2e::loadPng((unseen / "water.png").string()));
    const int spray = pixelsChanged(e2e::loadPng((seen / "spray.png").string()), e2e::loadPng((unseen / "spray.png").string()));
    std::printf("pixels the effects change at 800 x 600: water %d (%.2f %%), spray %d (%.2f %%)\n", water,
                100.0 * water / frame, spray, 100.0 * spray / frame);
    EXPECT_GT(spray, frame / 200);  // half a percent of the frame
    EXPECT_GT(water, 250);
}

}  // namespace
