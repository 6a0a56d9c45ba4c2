#pragma once
// The keys beyond the game's rules, looked at before the game sees a key:
// the pause (F1) and the sound controls (F2, - and +). While paused the game
// sees no key but escape, which leaves the round as always and so ends the
// pause; releases always reach it, so no key stays held through a pause.
#include "app/keyboard.h"

// True when the key was taken here and the game must not see it.
bool playerKeyTaken(unsigned char key);
bool playerSpecialKeyTaken(int key);

// The same as one of the game's key filters: false for a key taken here.
bool passPlayerKeys(KeyEventKind kind, int key);
