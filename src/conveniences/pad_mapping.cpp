#include "conveniences/pad_mapping.h"

#include "app/keyboard.h"

#include <GL/freeglut.h>
#include <SDL_gamecontroller.h>

#include <optional>

namespace {

constexpr std::array<PadKeyCode, kPadKeyCount> kPadKeyCodes{{
    {true, GLUT_KEY_UP},
    {true, GLUT_KEY_DOWN},
    {true, GLUT_KEY_LEFT},
    {true, GLUT_KEY_RIGHT},
    {false, 'a'},
    {false, 'd'},
    {false, 'w'},
    {false, 's'},
    {false, 'x'},
    {false, 'y'},
    {false, kKeySpace},
    {false, kKeyEscape},
    {true, GLUT_KEY_F1},
}};

std::optional<PadKey> buttonKey(int button, bool playing)
{
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return PadKey::Up;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return PadKey::Down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return PadKey::Left;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return PadKey::Right;
    case SDL_CONTROLLER_BUTTON_A: return PadKey::Down;
    case SDL_CONTROLLER_BUTTON_X: return PadKey::Water;
    case SDL_CONTROLLER_BUTTON_Y: return PadKey::Spray;
    case SDL_CONTROLLER_BUTTON_START: return playing ? PadKey::Pause : PadKey::Space;
    case SDL_CONTROLLER_BUTTON_BACK: return PadKey::Escape;
    default: return std::nullopt;
    }
}

}  // namespace

PadButtonKeys defaultPlayingButtonKeys()
{
    PadButtonKeys keys{};
    for (std::size_t button = 0; button < kPadButtonSlots; ++button) {
        const std::optional<PadKey> key = buttonKey(static_cast<int>(button), true);
        keys[button] = key ? static_cast<std::uint8_t>(*key) : kNoPadKey;
    }
    return keys;
}

PadKeyCode padKeyCode(PadKey key) { return kPadKeyCodes[static_cast<std::size_t>(key)]; }

void PadMapping::press(PadKey key)
{
    std::uint8_t& count = holds_[static_cast<std::size_t>(key)];
    if (count++ == 0) sink_(key, true);
}

void PadMapping::release(PadKey key)
{
    std::uint8_t& count = holds_[static_cast<std::size_t>(key)];
    if (count == 0) return;
    if (--count == 0) sink_(key, false);
}

void PadMapping::button(int sdlButton, bool pressed, bool playing)
{
    if (sdlButton < 0 || static_cast<std::size_t>(sdlButton) >= kButtonSlots) return;
    std::uint8_t& held = buttonKeys_[static_cast<std::size_t>(sdlButton)];
    if (pressed) {
        if (held != kNoKey) return;  // already down
        std::optional<PadKey> key = buttonKey(sdlButton, playing);
        if (playing) {
            const std::uint8_t bound = playingKeys_[static_cast<std::size_t>(sdlButton)];
            key = bound == kNoKey ? std::nullopt : std::optional<PadKey>(static_cast<PadKey>(bound));
        }
        if (!key) return;
        held = static_cast<std::uint8_t>(*key);
        press(*key);
    } else if (held != kNoKey) {
        // The key this button pressed, whatever the state is now.
        const auto key = static_cast<PadKey>(held);
        held = kNoKey;
        release(key);
    }
}

void PadMapping::stickDirection(std::size_t direction, PadKey key, int towards)
{
    bool& engaged = engaged_[direction];
    if (!engaged && towards > kStickEngage) {
        engaged = true;
        press(key);
    } else if (engaged && towards < kStickRelease) {
        engaged = false;
        release(key);
    }
}

void PadMapping::axis(int sdlAxis, int value)
{
    // How far the stick leans each way (SDL's y grows downward).
    const int negative = -value;
    switch (sdlAxis) {
    case SDL_CONTROLLER_AXIS_LEFTX:
        stickDirection(0, PadKey::Left, negative);
        stickDirection(1, PadKey::Right, value);
        break;
    case SDL_CONTROLLER_AXIS_LEFTY:
        stickDirection(2, PadKey::Up, negative);
        stickDirection(3, PadKey::Down, value);
        break;
    case SDL_CONTROLLER_AXIS_RIGHTX:
        stickDirection(4, PadKey::CameraLeft, negative);
        stickDirection(5, PadKey::CameraRight, value);
        break;
    case SDL_CONTROLLER_AXIS_RIGHTY:
        stickDirection(6, PadKey::CameraUp, negative);
        stickDirection(7, PadKey::CameraDown, value);
        break;
    default: break;
    }
}

void PadMapping::releaseAll()
{
    buttonKeys_.fill(kNoKey);
    engaged_.fill(false);
    for (std::size_t i = 0; i < kPadKeyCount; ++i) {
        if (holds_[i] == 0) continue;
        holds_[i] = 0;
        sink_(static_cast<PadKey>(i), false);
    }
}
