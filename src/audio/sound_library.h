#pragma once
// The game's small sound library over SDL_mixer: one output device, samples
// loaded from WAV files and addressed by handle, played once or looping on a
// free channel, and the last error as a code of the table below. All calls
// come from the one game thread.
#include <cstddef>
#include <cstdint>

// Error codes with the texts of soundErrorText.
enum SoundError : int {
    kSoundOk = 0,
    kSoundAlreadyOpen = 1,
    kSoundNotOpen = 2,
    kSoundDeviceFailed = 3,
    kSoundDeviceBusy = 4,
    kSoundPlayFailed = 5,
    kSoundFormatUnsupported = 6,
    kSoundCooperativeLevel = 7,
    kSoundBufferFailed = 8,
    kSoundFileNotFound = 9,
    kSoundUnknownFormat = 10,
    kSoundLoadFailed = 11,
    kSoundOutOfMemory = 12,
    kSoundVersionUnsupported = 13,
    kSoundInvalidParameter = 14,
    kSoundNoEax = 15,
    kSoundNoFreeChannel = 16,
    kSoundNoRecording = 17,
    kSoundNoCodec = 18,
};

// soundInit flags.
constexpr unsigned kSoundInitDefault = 0;
constexpr unsigned kSoundInitMono = 1;  // one output channel instead of two

constexpr int kSoundFreeChannel = -1;  // soundPlay: any channel that is not playing
constexpr int kSoundLoopOff = 1;
constexpr int kSoundLoopNormal = 2;  // repeats until the channel is stopped or the library closed

// Volumes are 0 to 255 as the game's tables give them.
constexpr int kSoundMaxVolume = 255;
// Limits of what the library accepts.
constexpr int kSoundMaxChannels = 256;
constexpr int kSoundMaxRate = 192000;
constexpr std::size_t kSoundMaxSamples = 64;
constexpr std::size_t kSoundMaxFileBytes = 64u * 1024u * 1024u;

// Opens the output device at rate with maxChannels mixing channels. False
// with kSoundDeviceFailed when no device can be opened, kSoundAlreadyOpen when
// it is open, kSoundInvalidParameter for unusable arguments.
bool soundInit(int rate, int maxChannels, unsigned flags);
bool soundIsOpen();

// Loads a WAV file (PCM, float or MS ADPCM) into a new sample; its handle
// (> 0), or 0 with the error: kSoundNotOpen before soundInit,
// kSoundFileNotFound, kSoundLoadFailed when the file cannot be read,
// kSoundUnknownFormat for anything but a complete, consistent sound WAV file,
// kSoundOutOfMemory past kSoundMaxFileBytes or kSoundMaxSamples.
int soundSampleLoad(const char* path);
// The sample's own volume, 0 to 255 (see soundMixerVolume).
bool soundSampleSetVolume(int sample, int volume);
void soundSampleFree(int sample);

// Plays the sample from its start on channel (kSoundFreeChannel: the first
// free one), once or looping. The channel number, or -1 with kSoundNotOpen,
// kSoundInvalidParameter (no such sample or loop mode) or kSoundNoFreeChannel.
int soundPlay(int channel, int sample, int loopMode);
bool soundIsPlaying(int channel);

// Holds every channel where it is (true) or lets them all go on (false).
// Nothing happens while the library is closed.
void soundPauseAll(bool paused);

// The code of the last call that failed or succeeded (0).
int soundLastError();
// The text of an error code; "Unknown error" for codes outside the table.
const char* soundErrorText(int code);

// Stops every channel, frees every sample and closes the device.
void soundClose();

// False when the SDL_mixer found at run time is older than the one the game
// was built with; soundRequiredVersion names that one ("2.6.2").
bool soundLibraryVersionOk();
const char* soundRequiredVersion();

// The game's volume 0 to 255 on SDL_mixer's scale 0 to 128: linear, rounded
// to the nearest step, so 255 is full volume, 150 is 75 and 80 is 40; values
// outside 0 to 255 are held at the ends.
int soundMixerVolume(int volume);
