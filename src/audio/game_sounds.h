#pragma once
// The seven sounds of the game: the looping background music and six effects,
// loaded once at the first game start.
#include <cstdint>

enum class GameSound { Music, Shriek, Water, Rake, Spray, Ouch, Death };  // table order
constexpr int kGameSoundCount = 7;

// Loads the seven files in table order with their volumes, then starts the
// music looping.
void loadGameSounds();
// Plays the sound once.
void playGameSound(GameSound sound);
// "sound/hintergrund3.wav", "sound/shriek.wav" and so on.
const char* gameSoundPath(GameSound sound);
// Bit (1 << int(sound)) for each sound the game started since the last call
// (whether or not a device plays it); clears.
std::uint32_t takeStartedSounds();
