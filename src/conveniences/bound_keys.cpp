#include "conveniences/bound_keys.h"

#include "app/game_state.h"
#include "conveniences/gamepad.h"
#include "conveniences/pad_mapping.h"
#include "conveniences/sound_controls.h"

#include <GL/freeglut.h>
#include <SDL_gamecontroller.h>

#include <cctype>
#include <cstdio>

namespace {

// The pad's key of each action.
constexpr std::array<PadKey, kActionCount> kActionPadKeys{{
    PadKey::Up, PadKey::Down, PadKey::Left, PadKey::Right, PadKey::Water, PadKey::Spray,
    PadKey::CameraLeft, PadKey::CameraRight, PadKey::CameraUp, PadKey::CameraDown, PadKey::Pause,
}};

constexpr std::size_t kShownKeysLength = 64;

struct BoundKeys {
    bool act = false;
    KeyBindings bindings = defaultBindings();
    HeldKeys held;
    std::array<char, kShownKeysLength> pauseKeys{};
};

BoundKeys bound;

bool isPress(KeyEventKind kind) { return kind == KeyEventKind::Key || kind == KeyEventKind::SpecialKey; }

KeyEventKind kindOf(KeyCode key, bool press)
{
    if (key.special) return press ? KeyEventKind::SpecialKey : KeyEventKind::SpecialKeyUp;
    return press ? KeyEventKind::Key : KeyEventKind::KeyUp;
}

// What a round makes of a key the player pressed: the game key to deliver,
// or false for none.
bool keyInRound(KeyCode pressed, KeyCode& delivered)
{
    const KeyBindings defaults = defaultBindings();
    if (const std::optional<Action> action = actionOfKey(bound.bindings, pressed)) {
        const auto slot = static_cast<std::size_t>(*action);
        // An action on its default keys gets them as they are (Page Up
        // stays Page Up), so the default binding changes no key at all.
        delivered = bound.bindings.keys[slot] == defaults.keys[slot] ? pressed : gameKeyOf(*action);
        return true;
    }
    // A key some action answers by default, whose action has moved away.
    if (actionOfKey(defaults, pressed)) return false;
    delivered = pressed;
    return true;
}

void notePauseKeys()
{
    const auto slot = static_cast<std::size_t>(Action::Pause);
    const std::string key = shownKeyName(bound.bindings.keys[slot]);
    const int button = bound.bindings.padButtons[slot];
    if (button == kNoPadButton) std::snprintf(bound.pauseKeys.data(), bound.pauseKeys.size(), "%s", key.c_str());
    else std::snprintf(bound.pauseKeys.data(), bound.pauseKeys.size(), "%s or %s on a gamepad", key.c_str(),
                       shownPadButtonName(button).c_str());
}

void applyPadBindings()
{
    notePauseKeys();
    PadButtonKeys keys{};
    keys.fill(kNoPadKey);
    const KeyBindings defaults = defaultBindings();
    // Buttons no action has by default keep what they press (Back, ...).
    const PadButtonKeys defaultKeys = defaultPlayingButtonKeys();
    for (std::size_t button = 0; button < kPadButtonSlots; ++button) {
        if (!actionOfPadButton(defaults, static_cast<int>(button))) keys[button] = defaultKeys[button];
    }
    for (std::size_t button = 0; button < kPadButtonSlots; ++button) {
        if (const std::optional<Action> action = actionOfPadButton(bound.bindings, static_cast<int>(button))) {
            keys[button] = static_cast<std::uint8_t>(kActionPadKeys[static_cast<std::size_t>(*action)]);
        }
    }
    setPadPlayingButtonKeys(keys);
}

std::string capitalised(std::string text)
{
    if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

}  // namespace

void HeldKeys::press(KeyCode key, KeyCode delivered, bool dropped)
{
    for (std::size_t i = 0; i < count_; ++i) {
        if (held_[i].key == key) {
            held_[i] = {key, delivered, dropped};
            return;
        }
    }
    if (count_ < kSlots) held_[count_++] = {key, delivered, dropped};
}

bool HeldKeys::release(KeyCode key, KeyCode& delivered, bool& dropped)
{
    for (std::size_t i = 0; i < count_; ++i) {
        if (held_[i].key != key) continue;
        delivered = held_[i].delivered;
        dropped = held_[i].dropped;
        held_[i] = held_[--count_];
        return true;
    }
    return false;
}

void startKeyBindings(bool act)
{
    bound = BoundKeys{};
    bound.act = act;
    notePauseKeys();
    if (!act) return;
    const BindingsReading reading = readBindings(settingsOtherLines());
    for (const std::string& problem : reading.problems) {
        std::fprintf(stderr, "burrik: the key bindings of %s: %s\n", settingsFilePath().c_str(), problem.c_str());
    }
    bound.bindings = reading.bindings;
    applyPadBindings();
}

const KeyBindings& currentBindings() { return bound.bindings; }

const char* shownPauseKeys()
{
    if (bound.pauseKeys[0] == '\0') notePauseKeys();
    return bound.pauseKeys.data();
}

void changeBindings(const KeyBindings& bindings)
{
    bound.bindings = bindings;
    applyPadBindings();
    keepSettingsOtherLines(writeBindings(settingsOtherLines(), bindings));
}

bool translateBoundKey(KeyEventKind& kind, int& key)
{
    if (!bound.act) return true;
    const bool press = isPress(kind);
    const KeyCode pressed{kind == KeyEventKind::SpecialKey || kind == KeyEventKind::SpecialKeyUp, key};
    KeyCode delivered = pressed;
    bool dropped = false;
    if (press) {
        if (gameSession.gameState == Playing) dropped = !keyInRound(pressed, delivered);
        bound.held.press(pressed, delivered, dropped);
    } else if (!bound.held.release(pressed, delivered, dropped)) {
        return true;  // not seen pressed: as it is
    }
    if (dropped) return false;
    kind = kindOf(delivered, press);
    key = delivered.code;
    return true;
}

std::string shownKeyName(KeyCode key)
{
    if (key.special) {
        switch (key.code) {
        case GLUT_KEY_PAGE_UP: return "Page Up";
        case GLUT_KEY_PAGE_DOWN: return "Page Down";
        default: break;
        }
    }
    const std::string name = keyName(key);
    if (name.size() == 1) return name;
    if (key.special && name[0] == 'f') return "F" + name.substr(1);
    return capitalised(name);
}

std::string shownPadButtonName(int button)
{
    switch (button) {
    case kNoPadButton: return "-";
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return "D-pad up";
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return "D-pad down";
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return "D-pad left";
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return "D-pad right";
    case SDL_CONTROLLER_BUTTON_A:
    case SDL_CONTROLLER_BUTTON_B:
    case SDL_CONTROLLER_BUTTON_X:
    case SDL_CONTROLLER_BUTTON_Y: {
        std::string name = padButtonName(button);
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return name;
    }
    default: return capitalised(padButtonName(button));
    }
}
