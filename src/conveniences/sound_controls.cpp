#include "conveniences/sound_controls.h"

#include "audio/game_sounds.h"
#include "conveniences/settings.h"

#include <cstdlib>
#include <string>

namespace {

struct SoundControls {
    std::string path;
    SettingsFile file;     // as kept in the file
    bool mayWrite = false;
    bool musicMuted = false;   // --mute, until the player switches the music
    bool soundsMuted = false;  // --mute, until the player steps the volume
};

SoundControls controls;

void applyLevels()
{
    setGameSoundLevels(static_cast<float>(soundVolumeHeard()) / static_cast<float>(kSoundVolumeSteps), musicHeard());
}

void keep()
{
    applyLevels();
    if (controls.mayWrite) saveSettingsFile(controls.path, controls.file);
}

void switchMusic()
{
    controls.file.settings.musicOn = !musicHeard();
    controls.musicMuted = false;
    keep();
}

void stepVolume(int step)
{
    const int volume = soundVolumeHeard() + step;
    if (volume < 0 || volume > kSoundVolumeSteps) return;
    controls.file.settings.soundVolume = volume;
    controls.soundsMuted = false;
    keep();
}

}  // namespace

void startSoundControls(bool mute, bool keepChanges)
{
    startSoundControlsWith(userSettingsPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")), mute, keepChanges);
}

void startSoundControlsWith(const std::string& path, bool mute, bool keepChanges)
{
    controls = SoundControls{};
    controls.path = path;
    const LoadedSettings loaded = loadSettingsFile(path);
    controls.file = loaded.file;
    controls.mayWrite = keepChanges && loaded.mayWrite && !path.empty();
    controls.musicMuted = mute;
    controls.soundsMuted = mute;
    applyLevels();
}

void useRecordedSoundLevels(bool music, int volume)
{
    controls.file.settings.musicOn = music;
    if (volume >= 0 && volume <= kSoundVolumeSteps) controls.file.settings.soundVolume = volume;
    controls.mayWrite = false;
    applyLevels();
}

bool soundControlKey(unsigned char key)
{
    switch (key) {
    case kKeySoundsQuieter: stepVolume(-1); return true;
    case kKeySoundsLouder:
    case kKeySoundsLouderUnshifted: stepVolume(1); return true;
    default: return false;
    }
}

bool soundControlSpecialKey(int key)
{
    if (key != kKeyMusicOnOff) return false;
    switchMusic();
    return true;
}

bool musicHeard() { return controls.file.settings.musicOn && !controls.musicMuted; }

int soundVolumeHeard() { return controls.soundsMuted ? 0 : controls.file.settings.soundVolume; }

const std::vector<std::string>& settingsOtherLines() { return controls.file.otherLines; }

void keepSettingsOtherLines(const std::vector<std::string>& lines)
{
    controls.file.otherLines = lines;
    if (controls.mayWrite) saveSettingsFile(controls.path, controls.file);
}

const std::string& settingsFilePath() { return controls.path; }
