#include "conveniences/key_bindings.h"

#include <GL/freeglut.h>
#include <SDL_gamecontroller.h>

#include <string_view>

namespace {

constexpr std::string_view kKeyPrefix = "key-";
constexpr std::string_view kPadPrefix = "pad-";
constexpr std::string_view kNoButtonName = "none";  // an action the pad does not do

struct ActionInfo {
    const char* name;
    const char* title;
    KeyCode gameKey;
    std::optional<KeyCode> secondKey;  // of the default binding only
    int padButton;
    int secondPadButton;  // of the default binding only
};

constexpr std::array<ActionInfo, kActionCount> kActions{{
    {"walk", "Walk", {true, GLUT_KEY_UP}, std::nullopt, SDL_CONTROLLER_BUTTON_DPAD_UP, kNoPadButton},
    {"strike", "Strike", {true, GLUT_KEY_DOWN}, std::nullopt, SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_DPAD_DOWN},
    {"left", "Turn left", {true, GLUT_KEY_LEFT}, std::nullopt, SDL_CONTROLLER_BUTTON_DPAD_LEFT, kNoPadButton},
    {"right", "Turn right", {true, GLUT_KEY_RIGHT}, std::nullopt, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, kNoPadButton},
    {"water", "Water", {false, 'x'}, KeyCode{true, GLUT_KEY_PAGE_UP}, SDL_CONTROLLER_BUTTON_X, kNoPadButton},
    {"spray", "Spray", {false, 'y'}, KeyCode{true, GLUT_KEY_HOME}, SDL_CONTROLLER_BUTTON_Y, kNoPadButton},
    {"camera-left", "Camera left", {false, 'a'}, std::nullopt, kNoPadButton, kNoPadButton},
    {"camera-right", "Camera right", {false, 'd'}, std::nullopt, kNoPadButton, kNoPadButton},
    {"camera-up", "Camera up", {false, 'w'}, std::nullopt, kNoPadButton, kNoPadButton},
    {"camera-down", "Camera down", {false, 's'}, std::nullopt, kNoPadButton, kNoPadButton},
    {"pause", "Pause", {true, GLUT_KEY_F1}, std::nullopt, SDL_CONTROLLER_BUTTON_START, kNoPadButton},
}};

struct ReservedKey {
    KeyCode key;
    const char* use;
};

constexpr std::array<ReservedKey, 15> kReservedKeys{{
    {{false, ' '}, "confirming"},
    {{false, 27}, "leaving"},
    {{false, 'o'}, "the options"},
    {{false, 'f'}, "the ground filter"},
    {{false, 'g'}, "the wireframe"},
    {{false, 'l'}, "the display lists"},
    {{false, 'm'}, "mipmapping"},
    {{false, 'p'}, "the frame rate"},
    {{false, 'v'}, "the vertex arrays"},
    {{false, '-'}, "quieter sounds"},
    {{false, '+'}, "louder sounds"},
    {{false, '='}, "louder sounds"},
    {{true, GLUT_KEY_F2}, "the music"},
    {{true, GLUT_KEY_F11}, "full screen"},
    {{true, GLUT_KEY_F12}, "the screenshot"},
}};

static_assert(kNoPadButton == SDL_CONTROLLER_BUTTON_INVALID);

const ActionInfo& info(Action action) { return kActions[static_cast<std::size_t>(action)]; }

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::optional<Action> actionNamed(std::string_view name)
{
    for (std::size_t i = 0; i < kActionCount; ++i) {
        if (name == kActions[i].name) return static_cast<Action>(i);
    }
    return std::nullopt;
}

// The binding line's parts: "key" or "pad", the action's name and the value.
struct BindingLine {
    bool pad = false;
    std::string_view actionName;
    std::string_view value;
};

std::optional<BindingLine> bindingLine(std::string_view line)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view name = trimmed(line.substr(0, equals));
    BindingLine parts;
    if (name.starts_with(kKeyPrefix)) parts.pad = false;
    else if (name.starts_with(kPadPrefix)) parts.pad = true;
    else return std::nullopt;
    parts.actionName = name.substr(kKeyPrefix.size());
    parts.value = trimmed(line.substr(equals + 1));
    return parts;
}

bool holdsKey(const KeyBindings& bindings, std::size_t action, KeyCode key)
{
    const ActionInfo& defaults = kActions[action];
    return bindings.keys[action] == key ||
           (defaults.secondKey && bindings.keys[action] == defaults.gameKey && *defaults.secondKey == key);
}

bool holdsPadButton(const KeyBindings& bindings, std::size_t action, int button)
{
    const ActionInfo& defaults = kActions[action];
    if (button == kNoPadButton) return false;
    return bindings.padButtons[action] == button ||
           (defaults.secondPadButton == button && bindings.padButtons[action] == defaults.padButton);
}

std::string shownKey(KeyCode key)
{
    const std::string name = keyName(key);
    return name.empty() ? "that key" : name;
}

}  // namespace

const char* actionName(Action action) { return info(action).name; }
const char* actionTitle(Action action) { return info(action).title; }
KeyCode gameKeyOf(Action action) { return info(action).gameKey; }

KeyBindings defaultBindings()
{
    KeyBindings bindings;
    for (std::size_t i = 0; i < kActionCount; ++i) {
        bindings.keys[i] = kActions[i].gameKey;
        bindings.padButtons[i] = kActions[i].padButton;
    }
    return bindings;
}

std::optional<Action> actionOfKey(const KeyBindings& bindings, KeyCode key)
{
    for (std::size_t i = 0; i < kActionCount; ++i) {
        if (holdsKey(bindings, i, key)) return static_cast<Action>(i);
    }
    return std::nullopt;
}

std::optional<Action> actionOfPadButton(const KeyBindings& bindings, int button)
{
    for (std::size_t i = 0; i < kActionCount; ++i) {
        if (holdsPadButton(bindings, i, button)) return static_cast<Action>(i);
    }
    return std::nullopt;
}

const char* reservedKeyUse(KeyCode key)
{
    for (const ReservedKey& reserved : kReservedKeys) {
        if (reserved.key == key) return reserved.use;
    }
    return nullptr;
}

bool reservedPadButton(int button) { return button == SDL_CONTROLLER_BUTTON_BACK; }

std::string refusalOfKey(const KeyBindings& bindings, Action action, KeyCode key)
{
    if (keyName(key).empty()) return "that key cannot be bound";
    if (const char* use = reservedKeyUse(key)) return keyName(key) + " is the key of " + use;
    const std::optional<Action> holder = actionOfKey(bindings, key);
    if (holder && *holder != action) return keyName(key) + " is taken by " + actionTitle(*holder);
    return {};
}

std::string refusalOfPadButton(const KeyBindings& bindings, Action action, int button)
{
    if (padButtonName(button).empty()) return "that button cannot be bound";
    if (reservedPadButton(button)) return padButtonName(button) + " is the button of leaving";
    const std::optional<Action> holder = actionOfPadButton(bindings, button);
    if (holder && *holder != action) return padButtonName(button) + " is taken by " + actionTitle(*holder);
    return {};
}

BindingsReading readBindings(const std::vector<std::string>& lines)
{
    BindingsReading reading;
    reading.bindings = defaultBindings();
    const KeyBindings defaults = reading.bindings;
    // Which line set each action's key and button, in file order, for the
    // conflicts below; an action given twice keeps its default.
    std::array<int, kActionCount> keyLine{};
    std::array<int, kActionCount> padLine{};
    std::array<bool, kActionCount> keyTwice{};
    std::array<bool, kActionCount> padTwice{};
    int number = 0;
    for (const std::string& text : lines) {
        ++number;
        const std::optional<BindingLine> line = bindingLine(text);
        if (!line) continue;
        const std::string quoted = "'" + text + "'";
        const std::optional<Action> action = actionNamed(line->actionName);
        if (!action) {
            reading.problems.push_back(quoted + ": no action '" + std::string(line->actionName) + "'; the line is kept as it is");
            continue;
        }
        const std::size_t slot = static_cast<std::size_t>(*action);
        const std::string keeps = std::string("; ") + actionName(*action) + " keeps its default ";
        if (line->pad) {
            if (padLine[slot] != 0) {
                padTwice[slot] = true;
                reading.problems.push_back(quoted + ": " + actionName(*action) + "'s pad button is given twice" + keeps + "button");
                continue;
            }
            const int button = line->value == kNoButtonName
                                   ? kNoPadButton
                                   : SDL_GameControllerGetButtonFromString(std::string(line->value).c_str());
            if (button == SDL_CONTROLLER_BUTTON_INVALID && line->value != kNoButtonName) {
                reading.problems.push_back(quoted + ": no pad button '" + std::string(line->value) + "'" + keeps + "button");
                continue;
            }
            if (reservedPadButton(button)) {
                reading.problems.push_back(quoted + ": " + padButtonName(button) + " is the button of leaving" + keeps + "button");
                continue;
            }
            padLine[slot] = number;
            reading.bindings.padButtons[slot] = button;
        } else {
            if (keyLine[slot] != 0) {
                keyTwice[slot] = true;
                reading.problems.push_back(quoted + ": " + actionName(*action) + "'s key is given twice" + keeps + "key");
                continue;
            }
            const std::optional<KeyCode> key = keyFromName(line->value);
            if (!key) {
                reading.problems.push_back(quoted + ": no key '" + std::string(line->value) + "'" + keeps + "key");
                continue;
            }
            if (const char* use = reservedKeyUse(*key)) {
                reading.problems.push_back(quoted + ": " + keyName(*key) + " is the key of " + use + keeps + "key");
                continue;
            }
            keyLine[slot] = number;
            reading.bindings.keys[slot] = *key;
        }
    }
    for (std::size_t i = 0; i < kActionCount; ++i) {
        if (keyTwice[i]) {
            reading.bindings.keys[i] = defaults.keys[i];
            keyLine[i] = 0;
        }
        if (padTwice[i]) {
            reading.bindings.padButtons[i] = defaults.padButtons[i];
            padLine[i] = 0;
        }
    }
    // Two actions on one key: the later line gives way, and its action takes
    // its default, which may meet another; every round sets one line back.
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t i = 0; i < kActionCount && !changed; ++i) {
            for (std::size_t j = 0; j < kActionCount && !changed; ++j) {
                if (i == j) continue;
                const auto a = static_cast<Action>(i);
                const auto b = static_cast<Action>(j);
                if (keyLine[j] > keyLine[i] && holdsKey(reading.bindings, i, reading.bindings.keys[j])) {
                    reading.problems.push_back(std::string("key-") + actionName(b) + "=" + shownKey(reading.bindings.keys[j]) +
                                               ": the key is taken by " + actionName(a) + "; " + actionName(b) +
                                               " keeps its default key");
                    reading.bindings.keys[j] = defaults.keys[j];
                    keyLine[j] = 0;
                    changed = true;
                } else if (padLine[j] > padLine[i] && holdsPadButton(reading.bindings, i, reading.bindings.padButtons[j])) {
                    reading.problems.push_back(std::string("pad-") + actionName(b) + "=" + padButtonName(reading.bindings.padButtons[j]) +
                                               ": the button is taken by " + actionName(a) + "; " + actionName(b) +
                                               " keeps its default button");
                    reading.bindings.padButtons[j] = defaults.padButtons[j];
                    padLine[j] = 0;
                    changed = true;
                }
            }
        }
    }
    return reading;
}

std::vector<std::string> writeBindings(const std::vector<std::string>& lines, const KeyBindings& bindings)
{
    std::vector<std::string> written;
    for (const std::string& text : lines) {
        const std::optional<BindingLine> line = bindingLine(text);
        if (line && actionNamed(line->actionName)) continue;
        written.push_back(text);
    }
    const KeyBindings defaults = defaultBindings();
    for (std::size_t i = 0; i < kActionCount; ++i) {
        if (bindings.keys[i] != defaults.keys[i]) {
            written.push_back(std::string(kKeyPrefix) + kActions[i].name + "=" + keyName(bindings.keys[i]));
        }
    }
    for (std::size_t i = 0; i < kActionCount; ++i) {
        if (bindings.padButtons[i] != defaults.padButtons[i]) {
            const std::string name = padButtonName(bindings.padButtons[i]);
            written.push_back(std::string(kPadPrefix) + kActions[i].name + "=" + (name.empty() ? std::string(kNoButtonName) : name));
        }
    }
    return written;
}

std::string padButtonName(int button)
{
    if (button == kNoPadButton) return {};
    const char* name = SDL_GameControllerGetStringForButton(static_cast<SDL_GameControllerButton>(button));
    return name == nullptr ? std::string() : std::string(name);
}
