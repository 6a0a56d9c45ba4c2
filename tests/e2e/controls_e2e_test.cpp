// End to end: the pause, the sound controls and the gamepad in the real game.
// A pause is invisible to the game: a paused run, cut at the pause, is the
// same run tick for tick as one never paused. A scripted pad plays through the
// same SDL path as a real one. The settings survive a restart and a damage.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::numberField;
using e2e::stringField;
using testsupport::TempDir;

using e2e::GameRun;

// The game with --seed 7 --fixed-dt 0.02, its settings in dir/config.
GameRun play(const TempDir& dir, const std::string& script, const std::string& options, e2e::RunOptions run = {})
{
    run.script = script;
    run.options = "--seed 7 --fixed-dt 0.02 " + options;
    run.launch.environment.insert(run.launch.environment.begin(), {"XDG_CONFIG_HOME", (dir / "config").string()});
    return e2e::runGame(dir.path(), run);
}

bool paused(const std::string& line) { return line.find("\"paused\":true") != std::string::npos; }

// The line without its frame number and pause flag: the state of the game.
std::string gameState(const std::string& line)
{
    std::string state = line.substr(line.find(",\"state\""));
    const std::size_t flag = state.find(",\"paused\":");
    return state.erase(flag, state.find(',', flag + 1) - flag);
}

double part(const std::string& line, const std::string& object, const std::string& key)
{
    return numberField(line.substr(line.find("\"" + object + "\":")), key);
}

TEST(Pause, TenSecondsOfPauseAreInvisibleToTheGame)
{
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    // The same play with a pause of 500 ticks from frame 50 to 549, keys
    // pressed during it swallowed, and one without.
    TempDir pausedDir;
    const GameRun withPause = play(pausedDir,
                               "2 press space\n2 release space\n10 press up\n"
                               "50 press f1\n50 release f1\n100 press x\n101 release x\n300 press left\n"
                               "550 release left\n550 press f1\n550 release f1\n600 release up\n620 press d\n"
                               "650 release d\n710 press f1\n720 press escape\n",
                               "--frames 730 --screenshot 49:before.png --screenshot 300:paused.png");
    TempDir plainDir;
    const GameRun plain = play(plainDir, "2 press space\n2 release space\n10 press up\n100 release up\n120 press d\n"
                                     "150 release d\n",
                           "--frames 200");
    ASSERT_EQ(withPause.exitStatus, 0) << withPause.output;
    ASSERT_EQ(plain.exitStatus, 0) << plain.output;
    ASSERT_EQ(withPause.trace.size(), 730u);
    ASSERT_EQ(plain.trace.size(), 200u);

    constexpr long kPauseFrom = 50, kPauseTo = 550, kPauseTicks = kPauseTo - kPauseFrom;
    for (long f = 1; f < kPauseFrom; ++f) {
        ASSERT_FALSE(paused(withPause.frame(f))) << f;
        ASSERT_EQ(gameState(withPause.frame(f)), gameState(plain.frame(f))) << f;
    }
    // Positions, flowers and their updates, the round clock, the animation
    // frames, the camera, the frame timer: nothing moves or ages. (A line is
    // written before its frame is drawn, so the first paused line shows the
    // animation step of the last frame drawn before the pause.)
    for (long f = kPauseFrom; f < kPauseTo; ++f) {
        ASSERT_TRUE(paused(withPause.frame(f))) << f;
        ASSERT_EQ(gameState(withPause.frame(f)), gameState(withPause.frame(kPauseFrom))) << f;
    }
    // After it the run goes on as if there had been none: the first tick
    // lasts one frame and the flowers, moles and clock carry on from there.
    for (long f = kPauseTo; f <= 700; ++f) {
        ASSERT_FALSE(paused(withPause.frame(f))) << f;
        ASSERT_EQ(gameState(withPause.frame(f)), gameState(plain.frame(f - kPauseTicks))) << f;
    }
    EXPECT_DOUBLE_EQ(numberField(withPause.frame(kPauseTo), "frameSeconds"), 0.02);
    EXPECT_GT(std::abs(part(withPause.frame(kPauseTo + 40), "gardener", "z") -
                       part(withPause.frame(kPauseFrom - 1), "gardener", "z")),
              20.0);  // still walking: the up key held through the pause
    // Escape while paused leaves the round, and the pause with it.
    EXPECT_TRUE(paused(withPause.frame(715)));
    EXPECT_EQ(stringField(withPause.frame(720), "state"), "Menu");
    EXPECT_FALSE(paused(withPause.frame(720)));

    // The paused frame: the last picture of the garden dimmed, "Paused" in yellow.
    const e2e::Picture before = e2e::loadPng((pausedDir / "before.png").string());
    const e2e::Picture still = e2e::loadPng((pausedDir / "paused.png").string());
    ASSERT_TRUE(before.valid() && still.valid());
    ASSERT_EQ(before.width, still.width);
    int dimmed = 0, brightBefore = 0, compared = 0;
    for (int y = 0; y < before.height / 4; ++y) {  // above the text
        for (int x = 0; x < before.width; ++x, ++compared) {
            bool all = true;
            for (int c = 0; c < 3; ++c) all = all && std::abs(still.at(x, y)[c] - 0.4 * before.at(x, y)[c]) <= 2.0;
            dimmed += all ? 1 : 0;
            brightBefore += before.at(x, y)[2] > 100 ? 1 : 0;
        }
    }
    EXPECT_GT(brightBefore, compared / 2);  // the sky was there to be dimmed
    EXPECT_GT(dimmed, compared * 99 / 100);
    int yellow = 0;
    for (int y = still.height * 2 / 5; y < still.height * 11 / 20; ++y) {
        for (int x = 0; x < still.width; ++x) {
            const unsigned char* c = still.at(x, y);
            yellow += c[0] > 200 && c[1] > 200 && c[2] < 80 ? 1 : 0;
        }
    }
    EXPECT_GT(yellow, 500);
}

int actionOf(const std::string& line, const std::string& action) { return static_cast<int>(part(line, "actions", action)); }

TEST(Gamepad, AScriptedPadPlaysThroughSdlAndARestingStickNeverWalks)
{
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    TempDir dir;
    const GameRun run = play(dir,
                         "2 pad press start\n3 pad release start\n"   // space: the menu's Play
                         "10 pad press dpup\n60 pad release dpup\n"   // walk
                         "70 pad axis leftx -32000\n100 pad axis leftx 0\n"  // turn left
                         "110 pad press a\n111 pad release a\n"       // strike
                         "200 pad press x\n201 pad release x\n"       // water
                         "330 pad press y\n331 pad release y\n"       // spray, once the watering is done
                         "400 pad axis rightx 30000\n420 pad axis rightx 0\n"  // swing the camera
                         "430 pad axis lefty -6000\n450 pad axis lefty 5000\n470 pad axis lefty -7900\n"  // resting
                         "480 pad axis lefty -13000\n490 pad axis lefty -9000\n500 pad axis lefty -7000\n"
                         "510 pad axis lefty 0\n"
                         "520 pad press dpup\n530 pad unplug\n540 pad plug\n"  // unplugged while walking
                         "550 pad press start\n551 pad release start\n560 pad press start\n561 pad release start\n"
                         "570 pad press back\n",
                         "--frames 580");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 580u);
    EXPECT_EQ(stringField(run.frame(1), "state"), "StartMenu");
    EXPECT_EQ(stringField(run.frame(2), "state"), "Playing");
    auto distance = [&](long a, long b) {
        return std::hypot(part(run.frame(a), "gardener", "x") - part(run.frame(b), "gardener", "x"),
                          part(run.frame(a), "gardener", "z") - part(run.frame(b), "gardener", "z"));
    };
    for (long f = 10; f < 60; ++f) EXPECT_EQ(actionOf(run.frame(f), "walking"), 1) << f;
    EXPECT_GT(distance(9, 59), 70.0);
    EXPECT_EQ(actionOf(run.frame(60), "walking"), 0);
    EXPECT_NEAR(part(run.frame(99), "gardener", "heading") - part(run.frame(69), "gardener", "heading"),
                80.0 * 0.02 * 30, 0.1);
    EXPECT_EQ(actionOf(run.frame(110), "striking"), 1);
    EXPECT_EQ(actionOf(run.frame(200), "watering"), 1);
    EXPECT_EQ(actionOf(run.frame(330), "spraying"), 1);
    EXPECT_NEAR(part(run.frame(419), "camera", "yaw") - part(run.frame(399), "camera", "yaw"), 80.0 * 0.02 * 20,
                0.1);
    // Within the dead zone the stick never walks; beyond it, it walks until
    // it is back well inside, not at the edge.
    for (long f = 430; f < 480; ++f) EXPECT_EQ(actionOf(run.frame(f), "walking"), 0) << f;
    EXPECT_LT(distance(429, 479), 1e-3);
    for (long f = 480; f < 500; ++f) EXPECT_EQ(actionOf(run.frame(f), "walking"), 1) << f;
    EXPECT_EQ(actionOf(run.frame(500), "walking"), 0);
    // Unplugged while walking: the walk key is released; plugged in again, it plays on.
    EXPECT_EQ(actionOf(run.frame(529), "walking"), 1);
    EXPECT_EQ(actionOf(run.frame(530), "walking"), 0);
    EXPECT_LT(distance(531, 549), 1e-3);
    EXPECT_FALSE(paused(run.frame(549)));
    EXPECT_TRUE(paused(run.frame(550)));
    EXPECT_TRUE(paused(run.frame(559)));
    EXPECT_FALSE(paused(run.frame(560)));
    EXPECT_EQ(stringField(run.frame(569), "state"), "Playing");
    EXPECT_EQ(stringField(run.frame(570), "state"), "Menu");
}

std::string soundLevels(const std::string& line)
{
    const std::size_t at = line.find("\"musicHeard\"");
    return line.substr(at, line.find(",\"particles\"") - at);
}

TEST(SoundSettings, SurviveARestartAndADamagedFileAndMuteChangesNothingKept)
{
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    TempDir dir;
    const fs::path folder = dir / "config" / "burrik";
    fs::create_directories(folder);
    const fs::path settings = folder / "settings.ini";
    testsupport::writeFileText(folder / "burrik.ini", "1024x768:32@60\n");

    // F2: music off; three times '-': the sounds at 7 of 10.
    GameRun run = play(dir, "5 press f2\n6 press -\n7 press -\n8 press -\n", "--frames 10");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_EQ(soundLevels(run.frame(4)), "\"musicHeard\":true,\"soundVolume\":10");
    EXPECT_EQ(soundLevels(run.frame(10)), "\"musicHeard\":false,\"soundVolume\":7");
    EXPECT_NE(testsupport::readFileText(settings).find("music=off\nsound-volume=7\n"), std::string::npos);

    run = play(dir, "", "--frames 2");  // read at start
    EXPECT_EQ(soundLevels(run.frame(1)), "\"musicHeard\":false,\"soundVolume\":7");

    // Damaged: said, kept aside, the defaults used; the next change writes a fresh file.
    testsupport::writeFileText(settings, "music=off\nsound-volume=seven\n");
    run = play(dir, "5 press -\n", "--frames 6");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_NE(run.output.find(settings.string() + " is damaged (line 2: sound-volume is a whole number from 0 to 10, "
                                                  "not 'seven'); it is kept as " + settings.string() + ".damaged"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(soundLevels(run.frame(1)), "\"musicHeard\":true,\"soundVolume\":10");
    EXPECT_EQ(testsupport::readFileText(settings.string() + ".damaged"), "music=off\nsound-volume=seven\n");
    EXPECT_NE(testsupport::readFileText(settings).find("music=on\nsound-volume=9\n"), std::string::npos);

    // --mute: silent for this run, the file as it was.
    const std::string kept = testsupport::readFileText(settings);
    run = play(dir, "", "--frames 2 --mute");
    EXPECT_EQ(soundLevels(run.frame(1)), "\"musicHeard\":false,\"soundVolume\":0");
    EXPECT_EQ(testsupport::readFileText(settings), kept);
    // The video mode's file was never touched.
    EXPECT_EQ(testsupport::readFileText(folder / "burrik.ini"), "1024x768:32@60\n");
}

// SDL's disk driver's recording (16-bit stereo): how many samples in all,
// how many are not silent, and how many silent ones end it.
struct Recorded {
    std::size_t total = 0;
    std::size_t sounding = 0;
    std::size_t silentTail = 0;
};

Recorded recorded(const fs::path& file)
{
    const std::vector<std::uint8_t> bytes = testsupport::readFileBytes(file);
    Recorded r;
    r.total = bytes.size() / 2;
    for (std::size_t i = 0; i < r.total; ++i) {
        const bool sounding = (bytes[2 * i] | bytes[2 * i + 1]) != 0;
        r.sounding += sounding ? 1 : 0;
        r.silentTail = sounding ? 0 : r.silentTail + 1;
    }
    return r;
}

TEST(SoundSettings, MuteAndThePauseSilenceTheDevice)
{
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    constexpr std::size_t kQuarterSecond = 44100 / 4 * 2;  // samples of both channels
    // The music from the first start, the watering sound at frame 10.
    const struct {
        const char* name;
        const char* options;
        const char* script;
    } cases[] = {
        {"with sound", "--frames 120", "2 press space\n10 press x\n"},
        {"--mute", "--frames 120 --mute", "2 press space\n10 press x\n"},
        {"paused from frame 20", "--frames 400", "2 press space\n10 press x\n20 press f1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path recording = dir / "out.raw";
        // The device records in real time. The ticks are capped to the rate
        // of the video mode (60 a second), so that 120 frames last at least
        // two seconds and the pause of 380 six, however fast the machine is;
        // a slower one only records more.
        const GameRun run = play(dir, c.script, c.options,
                                 {.paced = true,
                                  .launch = {.environment = {{"SDL_AUDIODRIVER", "disk"},
                                                             {"SDL_DISKAUDIOFILE", recording.string()}}}});
        ASSERT_EQ(run.exitStatus, 0) << run.output;
        EXPECT_NE(run.frame(10).find("sound/wasser2.wav"), std::string::npos);  // started, heard or not
        const Recorded r = recorded(recording);
        EXPECT_GT(r.total, kQuarterSecond);  // the device mixed for a while
        const std::string name = c.name;
        if (name == "with sound") {
            EXPECT_GT(r.sounding, r.total / 10);
            EXPECT_LT(r.silentTail, kQuarterSecond);
        } else if (name == "--mute") {
            EXPECT_EQ(r.sounding, 0u);
        } else {
            // Held by the pause, the music is not heard to the end of the run
            // (how much was heard before depends on how fast the frames ran).
            EXPECT_GT(r.silentTail, kQuarterSecond);
        }
    }
}

}  // namespace
