// The pieces of the pause, the sound settings and the gamepad that can be
// held to account without the game running: the settings file, the pad's
// keys, the frozen clocks and the window's pause.
#include "app/game_state.h"
#include "conveniences/pad_mapping.h"
#include "command_line/options.h"
#include "conveniences/pause.h"
#include "automation/script.h"
#include "conveniences/settings.h"
#include "platform/clock.h"
#include "test_support.h"

#include <GL/freeglut.h>
#include <SDL_gamecontroller.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

SettingsParseResult parseText(const std::string& text)
{
    return parseSettings(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(SettingsFile, ReadsGoodFilesAndRefusesDamagedOnesNamingTheLine)
{
    const struct {
        std::string text;
        bool ok;
        bool musicOn;
        int volume;
        std::string errorPart;  // for a refused file
    } cases[] = {
        {"", true, true, 10, ""},
        {"# only a comment\n\n", true, true, 10, ""},
        {"music=off\nsound-volume=3\n", true, false, 3, ""},
        {"  music = on \r\nsound-volume=0\r\n", true, true, 0, ""},
        {"sound-volume=10", true, true, 10, ""},  // no line end at the end
        {"future-thing=whatever it is\nmusic=off\n", true, false, 10, ""},
        {"music=loud\n", false, true, 10, "line 1: music is on or off, not 'loud'"},
        {"music=on\nsound-volume=11\n", false, true, 10, "line 2: sound-volume"},
        {"sound-volume=007\n", false, true, 10, "line 1"},
        {"music=off\nmusic=on\n", false, true, 10, "line 2: music is given twice"},
        {"music\n", false, true, 10, "line 1: expected name=value"},
        {"=on\n", false, true, 10, "line 1: a value without a name"},
        {"Music=on\n", false, true, 10, "line 1: a name is made of"},
        {std::string("music=on\nsound-volume=5\0\n", 24), false, true, 10, "line 2: a control character"},
        {std::string(kSettingsMaxBytes + 1, '#'), false, true, 10, "longer than 4096 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        const SettingsParseResult r = parseText(c.text);
        EXPECT_EQ(r.ok, c.ok) << r.error;
        EXPECT_EQ(r.file.settings.musicOn, c.musicOn);
        EXPECT_EQ(r.file.settings.soundVolume, c.volume);
        if (!c.ok) {
            EXPECT_NE(r.error.find(c.errorPart), std::string::npos) << r.error;
        }
        if (c.ok) {
            // What the game writes it reads back the same, other names and all.
            const std::string written = formatSettings(r.file);
            const SettingsParseResult again = parseText(written);
            ASSERT_TRUE(again.ok) << again.error;
            EXPECT_EQ(again.file.settings.musicOn, c.musicOn);
            EXPECT_EQ(again.file.settings.soundVolume, c.volume);
            EXPECT_EQ(again.file.otherLines, r.file.otherLines);
        }
    }
}

TEST(SettingsFile, SavingReplacesTheFileWholeAndADamagedOneIsKeptAside)
{
    TempDir dir;
    const std::string path = userSettingsPath((dir / "config").c_str(), "/home/nobody");
    EXPECT_EQ(path, (dir / "config" / "burrik" / "settings.ini").string());
    fs::create_directories(dir / "config" / "burrik");
    const fs::path videoMode = dir / "config" / "burrik" / "burrik.ini";
    testsupport::writeFileText(videoMode, "1024x768:32@60\n");

    // Missing: the defaults, quietly, and the run may write.
    LoadedSettings loaded = loadSettingsFile(path);
    EXPECT_TRUE(loaded.mayWrite);
    EXPECT_TRUE(loaded.file.settings.musicOn);

    SettingsFile file;
    file.settings = {false, 4};
    file.otherLines = {"future-thing=1"};
    ASSERT_TRUE(saveSettingsFile(path, file));
    loaded = loadSettingsFile(path);
    EXPECT_FALSE(loaded.file.settings.musicOn);
    EXPECT_EQ(loaded.file.settings.soundVolume, 4);
    EXPECT_EQ(loaded.file.otherLines, file.otherLines);
    // Nothing but the two files: no temporary left behind; the video mode untouched.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "config" / "burrik"), fs::directory_iterator{}), 2);
    EXPECT_EQ(testsupport::readFileText(videoMode), "1024x768:32@60\n");

    // Damaged a second time (the message is shown end to end): the first copy stays.
    testsupport::writeFileText(path + ".damaged", "music=maybe\n");
    testsupport::writeFileText(path, "sound-volume=99\n");
    testing::internal::CaptureStderr();
    loaded = loadSettingsFile(path);
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(loaded.mayWrite);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(testsupport::readFileText(path + ".damaged"), "music=maybe\n");
    EXPECT_EQ(testsupport::readFileText(path + ".damaged.2"), "sound-volume=99\n");

    // A folder in the file's place cannot be read: named, and never replaced.
    fs::create_directory(path);
    testing::internal::CaptureStderr();
    loaded = loadSettingsFile(path);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot read the settings file " + path), std::string::npos);
    EXPECT_FALSE(loaded.mayWrite);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(saveSettingsFile(path, file));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot write the settings file"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(path));
}

// The keys a pad presses, one letter per event: "+U" up pressed, "-U" released.
std::string padEvents;
void recordPadKey(PadKey key, bool press)
{
    static const char kNames[] = "UDLRadwsxy EP";
    padEvents += press ? '+' : '-';
    padEvents += kNames[static_cast<std::size_t>(key)];
}

TEST(PadMapping, ButtonsAndSticksPressEachKeyOnceAndReleaseIt)
{
    using B = SDL_GameControllerButton;
    struct Step {
        char what;  // 'b' button, 'a' axis, 'u' unplugged
        int control;
        int value;  // pressed (1/0) or axis value
        bool playing;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::string keys;
    } cases[] = {
        {"d-pad and stick up share the walk key",
         {{'b', B::SDL_CONTROLLER_BUTTON_DPAD_UP, 1, true}, {'a', SDL_CONTROLLER_AXIS_LEFTY, -30000, true},
          {'b', B::SDL_CONTROLLER_BUTTON_DPAD_UP, 0, true}, {'a', SDL_CONTROLLER_AXIS_LEFTY, 0, true}},
         "+U-U"},
        {"a resting stick presses nothing",
         {{'a', SDL_CONTROLLER_AXIS_LEFTY, -6000, true}, {'a', SDL_CONTROLLER_AXIS_LEFTX, 7999, true},
          {'a', SDL_CONTROLLER_AXIS_RIGHTX, -kStickEngage, true}, {'a', SDL_CONTROLLER_AXIS_LEFTY, 3000, true}},
         ""},
        {"at the edge of the zone the stick does not flicker",
         {{'a', SDL_CONTROLLER_AXIS_LEFTX, 12500, true}, {'a', SDL_CONTROLLER_AXIS_LEFTX, 11000, true},
          {'a', SDL_CONTROLLER_AXIS_LEFTX, 8500, true}, {'a', SDL_CONTROLLER_AXIS_LEFTX, 12500, true},
          {'a', SDL_CONTROLLER_AXIS_LEFTX, 7000, true}, {'a', SDL_CONTROLLER_AXIS_LEFTX, -32768, true}},
         "+R-R+L"},
        {"the right stick swings and tilts the camera",
         {{'a', SDL_CONTROLLER_AXIS_RIGHTX, -20000, true}, {'a', SDL_CONTROLLER_AXIS_RIGHTY, 20000, true},
          {'a', SDL_CONTROLLER_AXIS_RIGHTX, 20000, true}, {'a', SDL_CONTROLLER_AXIS_RIGHTY, -20000, true}},
         "+a+s-a+d+w-s"},
        {"A strikes, X waters, Y sprays, Back is escape, B nothing",
         {{'b', B::SDL_CONTROLLER_BUTTON_A, 1, true}, {'b', B::SDL_CONTROLLER_BUTTON_A, 0, true},
          {'b', B::SDL_CONTROLLER_BUTTON_X, 1, true}, {'b', B::SDL_CONTROLLER_BUTTON_Y, 1, true},
          {'b', B::SDL_CONTROLLER_BUTTON_B, 1, true}, {'b', B::SDL_CONTROLLER_BUTTON_BACK, 1, false}},
         "+D-D+x+y+E"},
        {"Start pauses in Playing and is space elsewhere; a release lets go of what was pressed",
         {{'b', B::SDL_CONTROLLER_BUTTON_START, 1, false}, {'b', B::SDL_CONTROLLER_BUTTON_START, 0, true},
          {'b', B::SDL_CONTROLLER_BUTTON_START, 1, true}, {'b', B::SDL_CONTROLLER_BUTTON_START, 0, false}},
         "+ - +P-P"},
        {"unplugged while walking and turning: every held key is released",
         {{'b', B::SDL_CONTROLLER_BUTTON_DPAD_UP, 1, true}, {'a', SDL_CONTROLLER_AXIS_LEFTX, -30000, true},
          {'b', B::SDL_CONTROLLER_BUTTON_X, 1, true}, {'u', 0, 0, true},
          {'b', B::SDL_CONTROLLER_BUTTON_DPAD_UP, 0, true}, {'a', SDL_CONTROLLER_AXIS_LEFTX, 0, true}},
         "+U+L+x-U-L-x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        padEvents.clear();
        PadMapping mapping(recordPadKey);
        for (const Step& step : c.steps) {
            if (step.what == 'b') mapping.button(step.control, step.value != 0, step.playing);
            else if (step.what == 'a') mapping.axis(step.control, step.value);
            else mapping.releaseAll();
        }
        EXPECT_EQ(padEvents, c.keys);
    }
}

TEST(PadScript, ReadsPadEventsWithSdlNamesAndRefusesOthersNamingTheLine)
{
    // What the events do is shown end to end; here: the names and values.
    const ScriptParseResult r = parseScript("4 pad axis lefty -32768\n5 pad release dpup\n7 pad unplug\n9 press f12\n");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.events.size(), 4u);
    EXPECT_TRUE(scriptUsesPad(r.events));
    EXPECT_FALSE(scriptUsesPad(parseScript("3 press up\n").events));
    EXPECT_EQ(r.events[0].key, SDL_CONTROLLER_AXIS_LEFTY);
    EXPECT_EQ(r.events[0].value, -32768);
    EXPECT_EQ(r.events[1].key, SDL_CONTROLLER_BUTTON_DPAD_UP);
    EXPECT_EQ(r.events[2].kind, ScriptEventKind::PadUnplug);
    EXPECT_EQ(r.events[3].key, GLUT_KEY_F12);
    for (const char* text : {"3 pad press\n", "3 pad press turbo\n", "3 pad axis wheel 5\n", "3 pad axis leftx 32768\n",
                             "3 pad axis leftx 1.5\n", "3 pad shake\n", "3 pad unplug now\n", "3 press f13\n"}) {
        const ScriptParseResult bad = parseScript(text);
        EXPECT_FALSE(bad.ok) << text;
        EXPECT_NE(bad.error.find("line 1"), std::string::npos) << bad.error;
    }
    const char* args[] = {"burrik", "--mute"};
    EXPECT_TRUE(parseOptions(2, args).options.mute);
}

TEST(FrozenClocks, NoTimePassesWhileFrozenAndTheNextTickIsOrdinary)
{
    useFixedStepClock(0.02);
    ClockSource& clock = gameClock();
    for (int i = 0; i < 3; ++i) clock.advanceTick();
    const std::int64_t counter = clock.counterReading();
    const std::uint32_t animation = clock.tickCountMilliseconds();
    const std::int64_t calendar = clock.calendarSeconds();
    freezeGameClocks();
    freezeGameClocks();  // a second freeze changes nothing
    for (int i = 0; i < 500; ++i) clock.advanceTick();  // ten seconds of ticks
    EXPECT_EQ(clock.counterReading(), counter);
    EXPECT_EQ(clock.tickCountMilliseconds(), animation);
    EXPECT_EQ(clock.calendarSeconds(), calendar);
    thawGameClocks();
    clock.advanceTick();
    EXPECT_EQ(clock.counterReading() - counter, 20000);  // one tick of 0.02 s in microseconds
    EXPECT_EQ(clock.processMilliseconds(), 80u);
    EXPECT_EQ(clock.calendarSeconds(), calendar);
    EXPECT_FALSE(gameClocksFrozen());
}

TEST(WindowPause, OutOfSightPausesARoundAndOnlyThePlayerResumes)
{
    useFixedStepClock(0.02);
    gameSession.gameState = Menu;
    setWindowHidden(true);
    EXPECT_FALSE(gamePaused());  // nothing to pause in the menu
    setWindowHidden(false);

    gameSession.gameState = Playing;
    setWindowHidden(true);
    EXPECT_TRUE(gamePaused());
    EXPECT_TRUE(gameClocksFrozen());
    setWindowHidden(false);
    EXPECT_TRUE(gamePaused());  // back in sight, still paused
    togglePause();              // F1
    EXPECT_FALSE(gamePaused());
    EXPECT_FALSE(gameClocksFrozen());
    togglePause();
    EXPECT_TRUE(gamePaused());
    endPause();  // escape
    EXPECT_FALSE(gamePaused());
    gameSession.gameState = NoState;
}

}  // namespace
