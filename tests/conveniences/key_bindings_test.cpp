// The player's key bindings without the game running: the lines of
// settings.ini read (every line that cannot be used named, its action on
// its default), written back, and a key's way through the bindings.
#include "app/game_state.h"
#include "conveniences/bound_keys.h"
#include "conveniences/key_bindings.h"
#include "conveniences/sound_controls.h"
#include "test_support.h"

#include <GL/freeglut.h>
#include <SDL_gamecontroller.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

KeyCode key(char c) { return {false, static_cast<unsigned char>(c)}; }
KeyCode special(int code) { return {true, code}; }
std::size_t slot(Action action) { return static_cast<std::size_t>(action); }

TEST(KeyBindings, ReadsTheLinesNamingEveryOneItCannotUse)
{
    const struct {
        std::vector<std::string> lines;
        Action action;
        KeyCode key;                  // the action's key after reading
        int padButton;                // and its button
        std::vector<std::string> problems;  // parts of the messages, in order
    } cases[] = {
        {{"key-walk=k"}, Action::Walk, key('k'), SDL_CONTROLLER_BUTTON_DPAD_UP, {}},
        {{"key-camera-left = pagedown ", "pad-camera-left=leftshoulder"}, Action::CameraLeft, special(GLUT_KEY_PAGE_DOWN),
         SDL_CONTROLLER_BUTTON_LEFTSHOULDER, {}},
        // Page Up belongs to water's default: the later line gives way.
        {{"key-water=x", "key-walk=pageup"}, Action::Walk, special(GLUT_KEY_UP), SDL_CONTROLLER_BUTTON_DPAD_UP,
         {"key-walk=pageup: the key is taken by water"}},
        // A swap in the file is no conflict.
        {{"key-walk=x", "key-water=up"}, Action::Water, special(GLUT_KEY_UP), SDL_CONTROLLER_BUTTON_X, {}},
        // The later of two on one key gives way; its default then meets nobody.
        {{"key-spray=q", "key-strike=q"}, Action::Strike, special(GLUT_KEY_DOWN), SDL_CONTROLLER_BUTTON_A,
         {"key-strike=q: the key is taken by spray"}},
        {{"key-walk=zz"}, Action::Walk, special(GLUT_KEY_UP), SDL_CONTROLLER_BUTTON_DPAD_UP, {"'key-walk=zz': no key 'zz'"}},
        {{"key-walk=k", "key-walk=j"}, Action::Walk, special(GLUT_KEY_UP), SDL_CONTROLLER_BUTTON_DPAD_UP,
         {"walk's key is given twice"}},
        {{"key-walk=space"}, Action::Walk, special(GLUT_KEY_UP), SDL_CONTROLLER_BUTTON_DPAD_UP,
         {"space is the key of confirming"}},
        {{"key-pause=f12"}, Action::Pause, special(GLUT_KEY_F1), SDL_CONTROLLER_BUTTON_START,
         {"f12 is the key of the screenshot"}},
        {{"pad-walk=back"}, Action::Walk, special(GLUT_KEY_UP), SDL_CONTROLLER_BUTTON_DPAD_UP, {"back is the button of leaving"}},
        {{"pad-spray=thumb"}, Action::Spray, key('y'), SDL_CONTROLLER_BUTTON_Y, {"no pad button 'thumb'"}},
        {{"pad-walk=a"}, Action::Walk, special(GLUT_KEY_UP), SDL_CONTROLLER_BUTTON_DPAD_UP,
         {"pad-walk=a: the button is taken by strike"}},
        {{"key-jump=j", "volume=3", "key-strike=s"}, Action::Strike, special(GLUT_KEY_DOWN), SDL_CONTROLLER_BUTTON_A,
         {"no action 'jump'", "key-strike=s: the key is taken by camera-down"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.front());
        const BindingsReading reading = readBindings(c.lines);
        EXPECT_EQ(reading.bindings.keys[slot(c.action)], c.key);
        EXPECT_EQ(reading.bindings.padButtons[slot(c.action)], c.padButton);
        ASSERT_EQ(reading.problems.size(), c.problems.size());
        for (std::size_t i = 0; i < c.problems.size(); ++i) {
            EXPECT_NE(reading.problems[i].find(c.problems[i]), std::string::npos) << reading.problems[i];
        }
        // Whatever was read is written so that it reads back the same, with
        // no problem left, and the lines of other names stay.
        const std::vector<std::string> written = writeBindings(c.lines, reading.bindings);
        const BindingsReading again = readBindings(written);
        EXPECT_EQ(again.bindings, reading.bindings);
        for (const std::string& line : written) {
            if (line.rfind("key-jump", 0) == 0 || line == "volume=3") continue;
            EXPECT_TRUE(line.rfind("key-", 0) == 0 || line.rfind("pad-", 0) == 0) << line;
        }
        for (const std::string& problem : again.problems) EXPECT_NE(problem.find("no action 'jump'"), std::string::npos) << problem;
    }
    // The options screen's refusals name the key and what has it.
    EXPECT_EQ(refusalOfKey(defaultBindings(), Action::Walk, key('x')), "x is taken by Water");
    EXPECT_EQ(refusalOfKey(defaultBindings(), Action::Walk, special(GLUT_KEY_HOME)), "home is taken by Spray");
    EXPECT_EQ(refusalOfKey(defaultBindings(), Action::Water, special(GLUT_KEY_PAGE_UP)), "");
    EXPECT_EQ(refusalOfKey(defaultBindings(), Action::Walk, key('o')), "o is the key of the options");
    EXPECT_EQ(refusalOfPadButton(defaultBindings(), Action::Walk, SDL_CONTROLLER_BUTTON_X), "x is taken by Water");
    // The default binding writes no line at all.
    EXPECT_EQ(writeBindings({"volume=3", "key-walk=k"}, defaultBindings()), std::vector<std::string>{"volume=3"});
}

struct Delivered {
    bool passed;
    KeyEventKind kind;
    int key;
};

Delivered through(KeyEventKind kind, int key)
{
    const bool passed = translateBoundKey(kind, key);
    return {passed, kind, key};
}

TEST(KeyBindings, AKeyPassesTheBindingsInARoundAndIsLetGoAsItWasPressed)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "settings.ini").string();
    testsupport::writeFileText(path, "key-walk=k\nkey-pause=q\n");
    startSoundControlsWith(path, false, false);
    startKeyBindings(true);

    const struct {
        int state;
        KeyEventKind kind;
        int key;
        bool passed;
        KeyEventKind gameKind;
        int gameKey;
    } steps[] = {
        {Playing, KeyEventKind::Key, 'k', true, KeyEventKind::SpecialKey, GLUT_KEY_UP},     // k walks
        {Menu, KeyEventKind::KeyUp, 'k', true, KeyEventKind::SpecialKeyUp, GLUT_KEY_UP},     // and stops, whatever the state
        {Playing, KeyEventKind::SpecialKey, GLUT_KEY_UP, false, KeyEventKind::SpecialKey, 0},  // up walks no more
        {Playing, KeyEventKind::SpecialKeyUp, GLUT_KEY_UP, false, KeyEventKind::SpecialKeyUp, 0},
        {Playing, KeyEventKind::Key, 'q', true, KeyEventKind::SpecialKey, GLUT_KEY_F1},     // q pauses
        {Playing, KeyEventKind::SpecialKey, GLUT_KEY_F1, false, KeyEventKind::SpecialKey, 0},
        {Playing, KeyEventKind::SpecialKey, GLUT_KEY_PAGE_UP, true, KeyEventKind::SpecialKey, GLUT_KEY_PAGE_UP},  // water's own
        {Playing, KeyEventKind::Key, 'g', true, KeyEventKind::Key, 'g'},                    // not an action's
        {Menu, KeyEventKind::SpecialKey, GLUT_KEY_UP, true, KeyEventKind::SpecialKey, GLUT_KEY_UP},  // the menu's arrows
        {Playing, KeyEventKind::SpecialKeyUp, GLUT_KEY_UP, true, KeyEventKind::SpecialKeyUp, GLUT_KEY_UP},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::to_string(step.key) + " in " + std::to_string(step.state));
        gameSession.gameState = step.state;
        const Delivered out = through(step.kind, step.key);
        EXPECT_EQ(out.passed, step.passed);
        if (!step.passed) continue;
        EXPECT_EQ(out.kind, step.gameKind);
        EXPECT_EQ(out.key, step.gameKey);
    }

    // The pad: k's walk has the d-pad still; a button moved to water leaves X.
    KeyBindings bindings = currentBindings();
    bindings.padButtons[slot(Action::Water)] = SDL_CONTROLLER_BUTTON_LEFTSHOULDER;
    changeBindings(bindings);
    EXPECT_EQ(actionOfPadButton(currentBindings(), SDL_CONTROLLER_BUTTON_LEFTSHOULDER), Action::Water);
    EXPECT_FALSE(actionOfPadButton(currentBindings(), SDL_CONTROLLER_BUTTON_X).has_value());
    EXPECT_EQ(std::string(shownPauseKeys()), "q or Start on a gamepad");
    gameSession.gameState = StartMenu;
}

}  // namespace

namespace {

TEST(KeyNames, EveryNamedKeyReadsBackAndOtherWordsAreRefused)
{
    std::vector<KeyCode> named;
    for (int c = '!'; c <= '~'; ++c) named.push_back(key(static_cast<char>(c)));
    for (int f = GLUT_KEY_F1; f <= GLUT_KEY_F12; ++f) named.push_back(special(f));
    for (int code : {GLUT_KEY_LEFT, GLUT_KEY_RIGHT, GLUT_KEY_UP, GLUT_KEY_DOWN, GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_DOWN,
                     GLUT_KEY_HOME})
        named.push_back(special(code));
    named.push_back(key(' '));
    named.push_back(key(27));
    for (const KeyCode& code : named) {
        const std::string name = keyName(code);
        SCOPED_TRACE(name);
        ASSERT_FALSE(name.empty());
        EXPECT_EQ(keyFromName(name), code);
    }
    for (const char* word : {"", "f0", "f13", "f01", "F1", "ab", " ", "pgup", "\x7f"}) {
        EXPECT_FALSE(keyFromName(word).has_value()) << word;
    }
    EXPECT_EQ(keyName(special(GLUT_KEY_INSERT)), "");  // no name: cannot be bound
    EXPECT_EQ(refusalOfKey(defaultBindings(), Action::Walk, special(GLUT_KEY_INSERT)), "that key cannot be bound");
}

}  // namespace
