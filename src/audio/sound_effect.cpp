#include "audio/sound_effect.h"

#include "audio/sound_library.h"

#include <cstdio>

namespace {

constexpr int kOutputRate = 44100;
constexpr int kMixingChannels = 32;

// Effects that hold a reference to the library, and whether its set-up worked.
int libraryUsers = 0;
bool libraryReady = false;

// The first user sets the library up; a failure is said once, for all sounds.
void acquireLibrary()
{
    if (libraryUsers++ > 0) return;
    if (!soundLibraryVersionOk()) {
        std::printf("Error : You are using the wrong library version!  You should be using SDL_mixer %s\n",
                    soundRequiredVersion());
    }
    libraryReady = soundInit(kOutputRate, kMixingChannels, kSoundInitDefault);
    if (!libraryReady) std::printf("%s The game goes on without sound.\n", soundErrorText(soundLastError()));
}

void releaseLibrary()
{
    if (--libraryUsers > 0) return;
    if (libraryReady) soundClose();
    libraryReady = false;
}

}  // namespace

SoundEffect::~SoundEffect()
{
    freeSample();
    if (usesLibrary_) releaseLibrary();
}

bool SoundEffect::loadSound(const std::string& path, int volume)
{
    if (!usesLibrary_) {
        acquireLibrary();
        usesLibrary_ = true;
    }
    freeSample();
    fileName_ = path;
    if (!libraryReady) return false;  // already said, once

    std::fputs("Loading the song...\n\n", stdout);
    sample_ = soundSampleLoad(path.c_str());
    if (sample_ == 0) {
        reportSoundError();
        // The library's text does not say which file it was.
        std::printf("%s: the game goes on without this sound\n", path.c_str());
        return false;
    }
    soundSampleSetVolume(sample_, volume);
    return true;
}

void SoundEffect::playSound(bool loop)
{
    if (sample_ == 0) return;
    channel_ = soundPlay(kSoundFreeChannel, sample_, loop ? kSoundLoopNormal : kSoundLoopOff);
}

void SoundEffect::reportSoundError() { std::printf("%s\n", soundErrorText(soundLastError())); }

void SoundEffect::freeSample()
{
    if (sample_ != 0) soundSampleFree(sample_);
    sample_ = 0;
    channel_ = -1;
}
