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

// Every key event passes the key filters before the game acts on it,
// whatever its source (the toolkit, a script, the autopilot, a pad, a
// replay). What stands beyond the game registers them at start-up, in the
// order they are asked: a replay recorder notes the event, a replay lets
// only its own events through, the player's keys (pause, sound) take theirs.
// A filter answers false to drop the event; later filters then never see it.
enum class KeyEventKind : std::uint8_t { Key, KeyUp, SpecialKey, SpecialKeyUp };
using KeyFilter = bool (*)(KeyEventKind kind, int key);
constexpr int kMaxKeyFilters = 8;
// False when kMaxKeyFilters are registered already.
bool addKeyFilter(KeyFilter filter);
void clearKeyFilters();  // tests

// One key event through the callback of its kind: a character code for Key
// and KeyUp, a GLUT special-key code for the others.
void deliverKeyEvent(KeyEventKind kind, int key);
