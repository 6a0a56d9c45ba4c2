#pragma once
// The player's sound controls: the music on and off and the volume of the
// sounds in steps, kept in the settings file and read at start. --mute starts
// a run silent without changing the file; a control the player then uses
// takes over from it.
#include <GL/freeglut.h>

#include <string>
#include <vector>

constexpr int kKeyMusicOnOff = GLUT_KEY_F2;
constexpr unsigned char kKeySoundsQuieter = '-';
constexpr unsigned char kKeySoundsLouder = '+';
constexpr unsigned char kKeySoundsLouderUnshifted = '=';  // '+' without shift on many keyboards

// Reads the settings file of this process's environment and sets the game's
// sound levels; before the first game start (the music starts then). Without
// keepChanges (a replay, whose recorded keys are another player's) the
// controls still act but the file is never written.
void startSoundControls(bool mute, bool keepChanges);

// The same with the settings file at path (empty: none is read or written).
void startSoundControlsWith(const std::string& path, bool mute, bool keepChanges = true);

// A replay's own levels in place of the player's (never written; --mute
// still holds).
void useRecordedSoundLevels(bool music, int volume);

// A key of the sound controls: true when it was one (and acted on).
bool soundControlKey(unsigned char key);
bool soundControlSpecialKey(int key);

// What the player hears now.
bool musicHeard();
int soundVolumeHeard();  // 0 to kSoundVolumeSteps

// The sound controls keep the settings file for everything in it: its lines
// of other names (the key bindings, the display) as read at start and as
// changed since, and a way to change them, which writes the file at once
// (when this run may write it) with the sound settings as they are.
const std::vector<std::string>& settingsOtherLines();
void keepSettingsOtherLines(const std::vector<std::string>& lines);
const std::string& settingsFilePath();
