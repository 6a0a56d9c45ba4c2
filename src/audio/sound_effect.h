#pragma once
// One sound of the game: a WAV sample held for the whole run, played once or
// looping on request. Progress and failures are written to standard output;
// none of them stops the game.
//
// The sound library is set up once, by the first effect that loads, and
// closed once, when the last loaded effect is destroyed. Without a sound
// device the game says so once and every effect stays silent.
#include <string>

class SoundEffect {
public:
    SoundEffect() = default;
    ~SoundEffect();  // frees the sample; the last one closes the library
    SoundEffect(const SoundEffect&) = delete;
    SoundEffect& operator=(const SoundEffect&) = delete;

    // Writes "Loading the song...\n\n" and loads the sample with its volume
    // (0 to 255). A missing or damaged file writes the library's error text
    // and leaves the effect silent. False when no sample was loaded.
    bool loadSound(const std::string& path, int volume);
    // Starts the sample from its beginning on a free channel; a sample that
    // is still sounding is not stopped first. Silent without a sample.
    void playSound(bool loop);

    // Writes the text of the library's last error and an end of line.
    static void reportSoundError();

    int sample() const { return sample_; }  // 0: no sample
    const std::string& fileName() const { return fileName_; }
    int channel() const { return channel_; }  // of the last play, -1 when none started

private:
    void freeSample();

    int sample_ = 0;
    std::string fileName_;
    int channel_ = -1;
    bool usesLibrary_ = false;
};
