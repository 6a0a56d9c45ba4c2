#pragma once
// The four keyboard callbacks: state changes, held-key flags, option keys and
// the start of the gardener's actions.
#include <cstdint>

constexpr unsigned char kKeyEscape = 27;
constexpr unsigned char kKeySpace = ' ';

void onKey(unsigned char key, int x, int y);
void onKeyUp(unsigned char key, int x, int y);
void onSpecialKey(int key, int x, int y);
void onSpecialKeyUp(int key, int x, int y);

// Every key event passes one gate before the game acts on it, whatever its
// source (the toolkit, a script, the autopilot): a replay recorder notes it
// there, and a replay lets only its own events through. Without a gate
// every event passes.
enum class KeyEventKind : std::uint8_t { Key, KeyUp, SpecialKey, SpecialKeyUp };
using KeyGate = bool (*)(KeyEventKind kind, int key);  // false: the event is dropped
void setKeyGate(KeyGate gate);
