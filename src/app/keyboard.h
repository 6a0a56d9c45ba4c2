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

// A key the player pressed (the toolkit's key callbacks, a key script) is
// not yet the game's key: the player-key translator, when one is set, makes
// it the game's key (it may change its kind and code) or keeps it for itself
// (false: the game never sees it). What it lets through goes on through
// deliverKeyEvent. Input that already speaks the game's keys (the autopilot,
// a replay, the pad's own mapping) calls deliverKeyEvent directly.
using PlayerKeyTranslator = bool (*)(KeyEventKind& kind, int& key);
void setPlayerKeyTranslator(PlayerKeyTranslator translator);  // nullptr: none
void deliverPlayerKeyEvent(KeyEventKind kind, int key);

// The toolkit's key callbacks: each key through deliverPlayerKeyEvent.
void onPlayerKey(unsigned char key, int x, int y);
void onPlayerKeyUp(unsigned char key, int x, int y);
void onPlayerSpecialKey(int key, int x, int y);
void onPlayerSpecialKeyUp(int key, int x, int y);
