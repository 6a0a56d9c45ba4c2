#include "conveniences/player_keys.h"

#include "app/keyboard.h"
#include "conveniences/pause.h"
#include "conveniences/sound_controls.h"

bool playerKeyTaken(unsigned char key)
{
    if (soundControlKey(key)) return true;
    if (!gamePaused()) return false;
    if (key != kKeyEscape) return true;
    endPause();
    return false;
}

bool playerSpecialKeyTaken(int key)
{
    if (soundControlSpecialKey(key)) return true;
    if (key == kKeyPause) {
        togglePause();
        return true;
    }
    return gamePaused();
}

bool passPlayerKeys(KeyEventKind kind, int key)
{
    switch (kind) {
    case KeyEventKind::Key: return !playerKeyTaken(static_cast<unsigned char>(key));
    case KeyEventKind::SpecialKey: return !playerSpecialKeyTaken(key);
    case KeyEventKind::KeyUp:
    case KeyEventKind::SpecialKeyUp: return true;
    }
    return true;
}
