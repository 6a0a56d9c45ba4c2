#pragma once
// The player's bindings at work. A key the player presses in a round passes
// through them: a bound key becomes its action's game key, a key that an
// action no longer answers goes nowhere, and every other key is as it was.
// The menus and the other screens see the keys as pressed (the arrows choose
// there whatever walks). A key let go is let go as the key it was pressed
// as, so nothing stays held when the state changes between the two. The
// pad's buttons follow the pad's bindings in the same way.
//
// The bindings are read from the settings file at start (through the sound
// controls, which keep that file) and kept there whenever they change.
#include "app/keyboard.h"
#include "conveniences/key_bindings.h"

#include <array>

// Reads the bindings from the settings file's other lines, naming every line
// that cannot be used on standard error. Without act (a replay, whose keys
// are the game's already) keys pass as they are.
void startKeyBindings(bool act);

const KeyBindings& currentBindings();
// Takes these bindings at once and keeps them in the settings file.
void changeBindings(const KeyBindings& bindings);

// The player-key translator's part of the bindings: false drops the key.
bool translateBoundKey(KeyEventKind& kind, int& key);

// "F1 or Start on a gamepad": the keys of the pause, for the pause screen.
const char* shownPauseKeys();

// The screen's names: "F1", "Page Up", "x"; "Start", "A", "D-pad up".
std::string shownKeyName(KeyCode key);
std::string shownPadButtonName(int button);

// Keys held down and what became of them, so that a key's release goes
// where its press went. A fixed table: a key beyond it is released as it is.
class HeldKeys {
public:
    // Notes that the press of key went to delivered (dropped: nowhere).
    void press(KeyCode key, KeyCode delivered, bool dropped);
    // The release of key: true with where the press went, when it was noted.
    bool release(KeyCode key, KeyCode& delivered, bool& dropped);
    void clear() { count_ = 0; }

private:
    struct Held {
        KeyCode key;
        KeyCode delivered;
        bool dropped;
    };
    static constexpr std::size_t kSlots = 16;
    std::array<Held, kSlots> held_{};
    std::size_t count_ = 0;
};
