#pragma once
// Keeping a damaged player's file aside, so that the game can start a new
// one without losing what the old one held: the file is renamed to the name
// its caller gives (say "settings.ini.damaged"), or, when that is taken, to
// NAME.2, NAME.3, ... An earlier kept file is never replaced, not even by
// another process keeping a file aside at the same moment.
#include <filesystem>
#include <string>

constexpr int kMostKeptCopies = 100;

// Renames file to the first free name of firstName, firstName.2, ... up to
// kMostKeptCopies. True with the name used in keptAs; false with the reason
// in error (the file is then where it was).
bool keepDamagedFile(const std::filesystem::path& file, const std::filesystem::path& firstName,
                     std::filesystem::path& keptAs, std::string& error);
