#pragma once
// The player's key bindings: which key (and which pad button) does each of
// the game's actions in a round. The game itself knows only its own keys;
// a bound key is turned into the action's game key before the game sees it
// (conveniences/bound_keys.h).
//
// In settings.ini, one line for each action bound to other than its default:
//   key-ACTION=KEY       KEY in the key names of parsing/key_names.h
//   pad-ACTION=BUTTON    BUTTON in SDL's game-controller names (a, x, dpup, ...)
// ACTION: walk strike left right water spray camera-left camera-right
// camera-up camera-down pause. The default binding is the game's own keys,
// with Page Up also watering and Home also spraying; an action bound to
// another key answers that key alone. A line that cannot be used is named
// and the default kept for its action; the rest of the file stands.
#include "parsing/key_names.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class Action : std::uint8_t {
    Walk, Strike, Left, Right, Water, Spray, CameraLeft, CameraRight, CameraUp, CameraDown, Pause,
    Count,
};
constexpr std::size_t kActionCount = static_cast<std::size_t>(Action::Count);

const char* actionName(Action action);   // as in the file: "camera-left"
const char* actionTitle(Action action);  // as on the options screen: "Camera left"
KeyCode gameKeyOf(Action action);        // the key the game knows the action by

constexpr int kNoPadButton = -1;

struct KeyBindings {
    std::array<KeyCode, kActionCount> keys{};
    std::array<int, kActionCount> padButtons{};  // SDL game-controller buttons, kNoPadButton: none
    friend bool operator==(const KeyBindings&, const KeyBindings&) = default;
};

KeyBindings defaultBindings();

// The action a key does under these bindings (a default binding's second
// key included).
std::optional<Action> actionOfKey(const KeyBindings& bindings, KeyCode key);
std::optional<Action> actionOfPadButton(const KeyBindings& bindings, int button);

// Keys no action may take: the game's other keys and the player's (space,
// escape, the render keys, the sound keys, the options key, F11, F12), with
// what they do; nullptr for a key that is free.
const char* reservedKeyUse(KeyCode key);
// Pad buttons no action may take (Back, which is escape).
bool reservedPadButton(int button);

// Why a key cannot become the action's, or empty when it can.
std::string refusalOfKey(const KeyBindings& bindings, Action action, KeyCode key);
std::string refusalOfPadButton(const KeyBindings& bindings, Action action, int button);

// The bindings read from the settings file's other lines; problems holds
// one message for every line that could not be used.
struct BindingsReading {
    KeyBindings bindings;
    std::vector<std::string> problems;
};
BindingsReading readBindings(const std::vector<std::string>& lines);

// The other lines with the bindings' lines as these bindings give them: the
// old lines of the known actions go, one line for each action away from its
// default follows, every other line stays as it was.
std::vector<std::string> writeBindings(const std::vector<std::string>& lines, const KeyBindings& bindings);

// SDL's name of a pad button; empty for none.
std::string padButtonName(int button);
