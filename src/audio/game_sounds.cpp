#include "audio/game_sounds.h"

#include "audio/sound_effect.h"
#include "audio/sound_library.h"

#include <array>
#include <cmath>

namespace {

struct GameSoundFile {
    const char* path;
    int volume;  // 0 to 255
};

constexpr std::array<GameSoundFile, kGameSoundCount> kGameSoundFiles = {{
    {"sound/hintergrund3.wav", 150},
    {"sound/shriek.wav", 210},
    {"sound/wasser2.wav", 190},
    {"sound/rechen2.wav", 190},
    {"sound/spray.wav", 80},
    {"sound/au.wav", 190},
    {"sound/tot.wav", 190},
}};

// Destroyed at exit: each frees its sample, the last closes the library.
std::array<SoundEffect, kGameSoundCount> gameSounds;
std::uint32_t startedSounds = 0;
float effectsLevel = 1.0f;
bool musicLevelOn = true;

std::size_t indexOf(GameSound sound) { return static_cast<std::size_t>(sound); }
bool known(GameSound sound) { return indexOf(sound) < kGameSoundFiles.size(); }

void start(GameSound sound, bool loop)
{
    if (!known(sound)) return;
    gameSounds[indexOf(sound)].playSound(loop);
    startedSounds |= 1u << static_cast<unsigned>(sound);
}

int playerVolume(std::size_t index)
{
    const int volume = kGameSoundFiles[index].volume;
    if (index == indexOf(GameSound::Music)) return musicLevelOn ? volume : 0;
    return static_cast<int>(std::lround(static_cast<float>(volume) * effectsLevel));
}

void applyPlayerLevels()
{
    for (std::size_t i = 0; i < kGameSoundFiles.size(); ++i) {
        if (gameSounds[i].sample() != 0) soundSampleSetVolume(gameSounds[i].sample(), playerVolume(i));
    }
}

}  // namespace

void loadGameSounds()
{
    for (std::size_t i = 0; i < kGameSoundFiles.size(); ++i)
        gameSounds[i].loadSound(kGameSoundFiles[i].path, kGameSoundFiles[i].volume);
    applyPlayerLevels();
    start(GameSound::Music, true);
}

void setGameSoundLevels(float effectsScale, bool musicOn)
{
    effectsLevel = !(effectsScale > 0.0f) ? 0.0f : (effectsScale > 1.0f ? 1.0f : effectsScale);
    musicLevelOn = musicOn;
    applyPlayerLevels();
}

void holdGameSounds(bool held) { soundPauseAll(held); }

void playGameSound(GameSound sound) { start(sound, false); }

const char* gameSoundPath(GameSound sound) { return known(sound) ? kGameSoundFiles[indexOf(sound)].path : ""; }

std::uint32_t takeStartedSounds()
{
    const std::uint32_t started = startedSounds;
    startedSounds = 0;
    return started;
}
