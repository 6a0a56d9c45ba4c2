#pragma once
// The player's own settings file, "settings.ini" beside burrik.ini in
// $XDG_CONFIG_HOME/burrik/: whether the music plays and how loud the sounds
// are. Lines "name=value", '#' comments, blank lines:
//
//   music=on             on or off
//   sound-volume=10      0 (silent) to 10 (the game's own volumes)
//
// Lines with other names are kept as they are when the game rewrites the
// file, so a newer game's settings survive an older one. The game writes the
// whole file to a temporary file and renames it over the old one, so a stop
// at any moment leaves either the old file or the new one.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int kSoundVolumeSteps = 10;
constexpr std::size_t kSettingsMaxBytes = 4096;
constexpr const char* kSettingsFileName = "settings.ini";

struct Settings {
    bool musicOn = true;
    int soundVolume = kSoundVolumeSteps;  // 0 to kSoundVolumeSteps
};

struct SettingsFile {
    Settings settings;
    std::vector<std::string> otherLines;  // "name=value" lines of names this game does not use
};

struct SettingsParseResult {
    bool ok = false;
    SettingsFile file;   // the defaults when not ok
    std::string error;   // what was wrong, with its line, when not ok
};

// Reads the bytes of a settings file. Refused: more than kSettingsMaxBytes,
// control characters, a line that is not "name=value", a name given twice, a
// value out of its range. An empty file holds the defaults.
SettingsParseResult parseSettings(const std::uint8_t* bytes, std::size_t size);

// The text of the file: a comment, the two settings, then the other lines.
std::string formatSettings(const SettingsFile& file);

// settings.ini in the folder of the player's burrik.ini; empty when neither
// variable gives a folder (see userConfigPath).
std::string userSettingsPath(const char* xdgConfigHome, const char* home);

struct LoadedSettings {
    SettingsFile file;
    // False when the file is there but could not be read or kept aside: this
    // run must not replace it.
    bool mayWrite = true;
};

// Reads the file at path; a missing file gives the defaults quietly. A file
// that cannot be read, or is damaged, is named on standard error with what
// was wrong and the defaults are used; a damaged one is renamed to
// PATH.damaged (PATH.damaged.2, ... when that exists) so that it is kept.
LoadedSettings loadSettingsFile(const std::string& path);

// Writes the file through a temporary file in the same folder and a rename,
// creating the folder when needed. False, with the reason on standard error,
// when it could not; the old file is then as it was.
bool saveSettingsFile(const std::string& path, const SettingsFile& file);
