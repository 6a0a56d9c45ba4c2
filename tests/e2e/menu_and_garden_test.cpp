// End to end: the real executable under the test display, driven by key
// scripts, judged by its trace, its screenshots and its exit status.
#include "e2e_support.h"

#include "platform/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

using e2e::numberField;
using e2e::Picture;
using e2e::stringField;
using testsupport::TempDir;

// Pixel rows of the selection frame's top edge for each menu choice in an
// 800 x 600 window (y 0.425, 0.125 and -0.175 on the plane z = -2).
int frameTopRow(int choice)
{
    const double halfHeight = 2.0 * std::tan(22.5 * 3.14159265 / 180.0);
    const double tops[3] = {0.425, 0.125, -0.175};
    return static_cast<int>(std::lround(300.0 - tops[choice - 1] / halfHeight * 300.0));
}

bool isFrameRed(const unsigned char* p) { return p[0] > 120 && p[1] < 70 && p[2] < 70; }

// True when a red frame line crosses column x within two rows of row.
bool redLineNear(const Picture& picture, int x, int row)
{
    for (int y = row - 2; y <= row + 2; ++y) {
        if (isFrameRed(picture.at(x, y))) return true;
    }
    return false;
}

bool requireDisplay()
{
    return std::getenv("DISPLAY") != nullptr;
}

TEST(EndToEnd, MenuMovesTheFrameAndShowsThePages)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    const e2e::GameRun run = e2e::runGame(dir,
                                          "3 press down\n3 release down\n"
                                          "5 press down\n"
                                          "7 press down\n"
                                          "9 press space\n"
                                          "11 press escape\n"
                                          "13 press up\n13 press up\n"
                                          "15 press space\n",
                                          "--fixed-dt 0.02 --frames 20 --screenshot 2:one.png "
                                          "--screenshot 4:two.png --screenshot 8:three.png --screenshot 10:help.png");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 20u);
    EXPECT_EQ(stringField(run.trace[1], "state"), "StartMenu");
    EXPECT_EQ(numberField(run.trace[1], "menuChoice"), 1);
    EXPECT_EQ(numberField(run.trace[3], "menuChoice"), 2);
    EXPECT_EQ(numberField(run.trace[5], "menuChoice"), 3);
    EXPECT_EQ(numberField(run.trace[7], "menuChoice"), 3);  // down at the last entry changes nothing
    EXPECT_EQ(stringField(run.trace[9], "state"), "HelpScreen");
    EXPECT_EQ(stringField(run.trace[11], "state"), "StartMenu");
    EXPECT_EQ(numberField(run.trace[13], "menuChoice"), 1);
    EXPECT_EQ(stringField(run.trace[15], "state"), "Playing");

    const Picture one = e2e::loadPng((dir / "one.png").string());
    const Picture two = e2e::loadPng((dir / "two.png").string());
    const Picture three = e2e::loadPng((dir / "three.png").string());
    const Picture help = e2e::loadPng((dir / "help.png").string());
    ASSERT_TRUE(one.valid() && two.valid() && three.valid() && help.valid());
    ASSERT_EQ(one.width, 800);
    ASSERT_EQ(one.height, 600);
    EXPECT_TRUE(redLineNear(one, 400, frameTopRow(1)));
    EXPECT_FALSE(redLineNear(one, 400, frameTopRow(2)));
    EXPECT_TRUE(redLineNear(two, 400, frameTopRow(2)));
    EXPECT_FALSE(redLineNear(two, 400, frameTopRow(1)));
    EXPECT_TRUE(redLineNear(three, 400, frameTopRow(3)));
    // The help page shows no frame, and its picture differs from the menu's.
    EXPECT_FALSE(redLineNear(help, 400, frameTopRow(1)));
    EXPECT_NE(help.rgb, one.rgb);
    // Outside the picture quad the clear colour is black.
    EXPECT_LT(one.at(5, 300)[0] + one.at(5, 300)[1] + one.at(5, 300)[2], 10);
}

TEST(EndToEnd, EscapeInTheMenuEndsTheProgram)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    const e2e::GameRun run = e2e::runGame(dir, "3 press escape\n", "--fixed-dt 0.02 --frames 100");
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_EQ(run.trace.size(), 2u);
}

TEST(EndToEnd, MissingStartPictureEndsWithStatusOne)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    const auto data = dir / "data";
    std::filesystem::copy(testsupport::generatedDataDir(), data, std::filesystem::copy_options::recursive);
    std::filesystem::remove(data / "bilder" / "start.bmp");
    const e2e::GameRun result = e2e::runGame(dir.path(), {.options = "--frames 5", .dataDir = data.string()});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.output.find("Failed to open DIB file bilder/start.bmp."), std::string::npos) << result.output;
}

TEST(EndToEnd, BadOptionsAndHelpNeedNoDisplay)
{
    TempDir dir;
    const e2e::Launch noDisplay{.environment = {{"DISPLAY", std::nullopt}}};
    for (const char* options : {"--seed x", "--fixed-dt 0", "--frames", "--screenshot 7", "--what"}) {
        const testsupport::CommandResult result = e2e::runProgram(dir.path(), options, noDisplay);
        EXPECT_EQ(result.exitStatus, 2) << options << ": " << result.output;
        EXPECT_NE(result.output.find("burrik: "), std::string::npos) << result.output;
    }
    const testsupport::CommandResult help = e2e::runProgram(dir.path(), "--help", noDisplay);
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.output.find("--fixed-dt"), std::string::npos);
    testsupport::writeFileText(dir / "bad.txt", "1 press sideways\n");
    const testsupport::CommandResult script =
        e2e::runProgram(dir.path(), "--script " + testsupport::shellQuote((dir / "bad.txt").string()), noDisplay);
    EXPECT_EQ(script.exitStatus, 2);
    EXPECT_NE(script.output.find("line 1"), std::string::npos);
}

// Colour classes of the playing screen.
bool isSky(const unsigned char* p) { return p[2] > 200 && p[2] > p[0] + 40; }
bool isLawn(const unsigned char* p) { return p[1] > p[0] + 20 && p[1] > p[2] + 20; }

TEST(EndToEnd, GardenFromTheChaseCamera)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    const e2e::GameRun run = e2e::runGame(dir,
                                          "2 press space\n"
                                          "10 press d\n40 release d\n"
                                          "50 press w\n175 release w\n"
                                          "176 press g\n"
                                          "178 press p\n",
                                          "--seed 9 --fixed-dt 0.02 --frames 185 --screenshot 5:start.png "
                                          "--screenshot 45:swung.png --screenshot 174:up.png --screenshot 177:wire.png");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 185u);
    const std::string& started = run.trace[4];
    EXPECT_EQ(stringField(started, "state"), "Playing");
    EXPECT_EQ(numberField(started, "pitch"), -10.0);
    EXPECT_EQ(numberField(started, "secondsLeft"), 200);
    EXPECT_EQ(numberField(started, "molesLeft"), 4);
    // 30 frames of d at 80 degrees a second, 0.02 s each.
    EXPECT_NEAR(numberField(run.trace[44], "yaw"), 30 * 0.02 * 80.0, 0.05);
    // w tilts up until the limit of 40 degrees, exactly.
    EXPECT_EQ(numberField(run.trace[173], "pitch"), 40.0);
    EXPECT_EQ(numberField(run.trace[176], "wireframe"), 1);
    EXPECT_EQ(numberField(run.trace[180], "showFps"), 0);

    // The rakes lie where the seed puts them: x, z, heading per rake.
    seedRandom(9);
    const std::string rakes = run.trace[4].substr(run.trace[4].find("\"rakes\""));
    std::size_t cursor = 0;
    for (int i = 0; i < 8; ++i) {
        const int r1 = randomInt(), r2 = randomInt(), r3 = randomInt();
        cursor = rakes.find("{\"x\":", cursor);
        ASSERT_NE(cursor, std::string::npos);
        const std::string rake = rakes.substr(cursor, rakes.find('}', cursor) - cursor);
        EXPECT_EQ(numberField(rake, "x"), 475 - r1 % 950);
        EXPECT_EQ(numberField(rake, "z"), 475 - r2 % 950);
        EXPECT_EQ(numberField(rake, "heading"), r3 % 360);
        ++cursor;
    }

    const Picture start = e2e::loadPng((dir / "start.png").string());
    ASSERT_TRUE(start.valid());
    // Sky above (between the HUD's icons and its minimap), lawn below.
    int skyPixels = 0;
    for (int y = 50; y < 90; ++y) {
        for (int x = 150; x < 600; ++x) skyPixels += isSky(start.at(x, y)) ? 1 : 0;
    }
    EXPECT_GT(skyPixels, 40 * 450 / 2);
    EXPECT_TRUE(isLawn(start.at(400, 560)));
    EXPECT_TRUE(isLawn(start.at(100, 500)));
    // The flowers stand in the middle third: some pixels there are neither lawn nor sky.
    int flowerPixels = 0;
    for (int y = 200; y < 400; ++y) {
        for (int x = 0; x < 800; ++x) {
            const unsigned char* p = start.at(x, y);
            if (p[0] > p[1] + 60 && p[0] > 150 && p[2] > 60) ++flowerPixels;  // pink and red petals
        }
    }
    EXPECT_GT(flowerPixels, 30);
    // Swinging the camera changes the view.
    const Picture swung = e2e::loadPng((dir / "swung.png").string());
    ASSERT_TRUE(swung.valid());
    EXPECT_NE(swung.rgb, start.rgb);
    // Looking up, the clouds cover the sky; in wireframe they are gone and
    // the plain clear colour shows.
    const Picture up = e2e::loadPng((dir / "up.png").string());
    const Picture wire = e2e::loadPng((dir / "wire.png").string());
    ASSERT_TRUE(up.valid() && wire.valid());
    // Clouds are added onto the sky, so they whiten it; HUD corners left out.
    auto cloudPixels = [](const Picture& picture) {
        int count = 0;
        for (int y = 150; y < 450; ++y) {
            for (int x = 150; x < 600; ++x) count += picture.at(x, y)[0] > 175 ? 1 : 0;
        }
        return count;
    };
    EXPECT_GT(cloudPixels(up), 300 * 450 / 20);
    EXPECT_LT(cloudPixels(wire), 300 * 450 / 200);
    const unsigned char* sky = wire.at(300, 300);
    EXPECT_NEAR(sky[0], 148, 2);
    EXPECT_NEAR(sky[1], 203, 2);
    EXPECT_NEAR(sky[2], 255, 2);
}

TEST(EndToEnd, RoundIsLostWhenTheClockRunsOut)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    const e2e::GameRun run =
        e2e::runGame(dir, "1 press space\n", "--seed 2 --fixed-dt 1 --frames 205 --screenshot 204:lost.png");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 205u);
    EXPECT_EQ(stringField(run.trace[199], "state"), "Playing");
    EXPECT_EQ(numberField(run.trace[199], "secondsLeft"), 1);
    EXPECT_EQ(stringField(run.trace[201], "state"), "RoundLost");
    EXPECT_LE(numberField(run.trace[201], "secondsLeft"), 0);
    // The failure banner's translucent panel lies across the middle.
    const Picture lost = e2e::loadPng((dir / "lost.png").string());
    ASSERT_TRUE(lost.valid());
    const unsigned char* panel = lost.at(30, 300);
    EXPECT_GT(panel[0], 120);  // whitened by the panel
}

TEST(EndToEnd, ScriptedRunsRepeatExactly)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    const std::string script = "2 press space\n5 press right\n30 release right\n40 press a\n60 release a\n";
    TempDir first;
    TempDir second;
    const e2e::GameRun a = e2e::runGame(first, script, "--seed 4 --fixed-dt 0.05 --frames 80");
    const e2e::GameRun b = e2e::runGame(second, script, "--seed 4 --fixed-dt 0.05 --frames 80");
    ASSERT_EQ(a.exitStatus, 0) << a.output;
    ASSERT_EQ(a.trace.size(), 80u);
    EXPECT_EQ(a.trace, b.trace);
    // The right arrow turned the gardener; the yaw followed.
    EXPECT_LT(numberField(a.trace[40], "heading"), -20.0);
}

}  // namespace
