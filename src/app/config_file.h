#pragma once
// Where the video mode is read from: the player's own burrik.ini in the
// configuration folder of the desktop goes before the one in the data folder,
// which an installed game cannot change.
#include <string>

// $XDG_CONFIG_HOME/burrik/burrik.ini, or $HOME/.config/burrik/burrik.ini when
// XDG_CONFIG_HOME is unset, empty or not an absolute path. Empty when neither
// variable gives a folder. Either argument may be null.
std::string userConfigPath(const char* xdgConfigHome, const char* home);

// The player's file when it is there and can be opened, else the data
// folder's. Both are then read by the same rules.
std::string chooseConfigFile(const std::string& userPath, const std::string& dataFolderPath);

// The file for this process, from its environment.
std::string gameModeConfigFile(const std::string& dataFolderPath);
