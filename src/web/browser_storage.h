#pragma once
// The browser build's side of the player's files: the page keeps the
// player's folders (settings, the score table and its replays) in the
// browser's storage, and is asked to copy them there after every change.

#include <string>

// Plugged in as the player files' change listener.
void copyPlayerFilesToBrowserStorage();

// The file as a download from the page (a picture F12 saved).
void offerFileForDownload(const std::string& path);
