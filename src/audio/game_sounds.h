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
// The player's levels over the table's volumes: every effect at its volume
// times effectsScale (0 to 1), the music at its own or silent. Applies at
// once to what is sounding and to the sounds loaded later, so music that is
// off never sounds at all.
void setGameSoundLevels(float effectsScale, bool musicOn);
// Holds every sound that is sounding, the music with it (true), or lets them
// go on from where they were (false).
void holdGameSounds(bool held);
// Bit (1 << int(sound)) for each sound the game started since the last call
// (whether or not a device plays it); clears.
std::uint32_t takeStartedSounds();
