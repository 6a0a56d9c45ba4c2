#pragma once
// What a gamepad's buttons and sticks press: the keys a player presses,
// handed to a key sink (the keyboard callbacks in the game). The d-pad and
// the left stick walk (up), turn (left, right) and strike (down, as the down
// arrow, which also chooses in the menus); A strikes, X waters, Y sprays; the
// right stick swings and tilts the camera (a, d, w, s); Start is space, or
// the pause (F1) in Playing; Back is escape.
//
// A key held by two controls at once (d-pad up and the stick) is pressed
// once and released when the last lets go. The sticks have a dead zone with
// hysteresis: a direction engages beyond kStickEngage and lets go only below
// kStickRelease, so a resting stick never presses and a stick held at the
// edge of the zone does not flicker.
#include <array>
#include <cstddef>
#include <cstdint>

// The keys a pad can press.
enum class PadKey : std::uint8_t {
    Up, Down, Left, Right, CameraLeft, CameraRight, CameraUp, CameraDown, Water, Spray, Space, Escape, Pause,
    Count,
};
constexpr std::size_t kPadKeyCount = static_cast<std::size_t>(PadKey::Count);

// The GLUT key of each: special (arrow or function key) or a character.
struct PadKeyCode {
    bool special;
    int code;
};
PadKeyCode padKeyCode(PadKey key);

constexpr int kStickEngage = 12000;   // of SDL's -32768 to 32767
constexpr int kStickRelease = 8000;

// Called for every press and release the pad makes.
using PadKeySink = void (*)(PadKey key, bool press);

// The key each SDL button presses in Playing (the player's bindings may move
// them); kNoPadKey: none.
constexpr std::size_t kPadButtonSlots = 32;
constexpr std::uint8_t kNoPadKey = 0xFF;
using PadButtonKeys = std::array<std::uint8_t, kPadButtonSlots>;
PadButtonKeys defaultPlayingButtonKeys();

class PadMapping {
public:
    explicit PadMapping(PadKeySink sink) : sink_(sink) { buttonKeys_.fill(kNoKey); }

    // An SDL game-controller button; playing says whether the game is in
    // Playing (Start pauses there). Buttons without a key are ignored.
    void button(int sdlButton, bool pressed, bool playing);
    // An SDL game-controller axis. Triggers are ignored.
    void axis(int sdlAxis, int value);
    // Releases every key the pad holds (the pad was unplugged).
    void releaseAll();

    bool holds(PadKey key) const { return holds_[static_cast<std::size_t>(key)] > 0; }

    // The buttons' keys in Playing; outside it the menus' own stay.
    void setPlayingButtonKeys(const PadButtonKeys& keys) { playingKeys_ = keys; }

private:
    static constexpr std::uint8_t kNoKey = kNoPadKey;
    static constexpr std::size_t kButtonSlots = kPadButtonSlots;
    static constexpr std::size_t kStickDirections = 8;  // left/right stick: -x, +x, -y, +y

    void press(PadKey key);
    void release(PadKey key);
    void stickDirection(std::size_t direction, PadKey key, int towards);

    PadKeySink sink_;
    std::array<std::uint8_t, kPadKeyCount> holds_{};
    std::array<std::uint8_t, kButtonSlots> buttonKeys_{};  // the key each held button pressed
    std::array<bool, kStickDirections> engaged_{};
    PadButtonKeys playingKeys_ = defaultPlayingButtonKeys();
};
