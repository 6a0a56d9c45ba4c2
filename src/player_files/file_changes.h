#pragma once
// Told whenever the game has changed a player's file (written, kept aside or
// removed). The browser build copies the player's folders into the
// browser's storage then; on the desktop the change is on the disk already
// and nobody listens.

using PlayerFilesChangedListener = void (*)();

// One listener; nullptr stops the telling.
void setPlayerFilesChangedListener(PlayerFilesChangedListener listener);

// Called by the writers after a change has been made in full.
void notePlayerFilesChanged();
