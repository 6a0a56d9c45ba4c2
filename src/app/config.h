#pragma once
// The one line of burrik.ini: the toolkit's game-mode string.
#include <istream>
#include <string>

constexpr const char* kConfigFile = "burrik.ini";
constexpr const char* kDefaultGameMode = "800x600:32@60";
// The line buffer holds 30 characters, so at most 29 are taken.
constexpr int kGameModeBufferSize = 30;

// The first line of the file, or the default when the file cannot be opened,
// the line is longer than 29 characters or nothing can be read.
// Carriage returns ending the line (Windows line ends) are dropped.
std::string readGameModeString(const std::string& path);
// The same from an open stream.
std::string readGameModeString(std::istream& in);
