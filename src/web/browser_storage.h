#pragma once
// The browser build's side of the player's files: the page keeps the
// player's folders (settings, the score table and its replays) in the
// browser's storage, and is asked to copy them there after every change.

// Plugged in as the player files' change listener.
void copyPlayerFilesToBrowserStorage();
