// The sound layer with a real SDL_mixer: error codes, the console texts of the
// sound effects, and the mixed output recorded by SDL's disk driver to prove
// what was heard.
#include "audio/game_sounds.h"
#include "audio/sound_effect.h"
#include "audio/sound_library.h"

#include "test_support.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using testsupport::TempDir;

constexpr int kRate = 44100;

std::string dataFile(const std::string& name) { return testsupport::generatedDataDir() + "/sound/" + name; }

void useDriver(const char* driver) { setenv("SDL_AUDIODRIVER", driver, 1); }

TEST(SoundLibrary, ErrorCodesOfDeviceLoadAndPlay)
{
    EXPECT_EQ(soundPlay(kSoundFreeChannel, 1, kSoundLoopOff), -1);
    EXPECT_EQ(soundLastError(), kSoundNotOpen);
    useDriver("no-such-driver");
    EXPECT_FALSE(soundInit(kRate, 32, kSoundInitDefault));
    EXPECT_STREQ(soundErrorText(soundLastError()), "Error initializing output device.");

    useDriver("dummy");
    ASSERT_TRUE(soundInit(kRate, 32, kSoundInitDefault));
    TempDir dir;
    const std::vector<std::uint8_t> good = testsupport::readFileBytes(dataFile("shriek.wav"));
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int error;
    } cases[] = {
        {"cut in its samples", {good.begin(), good.end() - 1001}, kSoundUnknownFormat},
        {"cut in its header", {good.begin(), good.begin() + 30}, kSoundUnknownFormat},
        {"not RIFF", {good.begin() + 1, good.end()}, kSoundUnknownFormat},
        {"empty", {}, kSoundUnknownFormat},
    };
    for (const auto& c : cases) {
        testsupport::writeFileBytes(dir / "broken.wav", c.bytes);
        EXPECT_EQ(soundSampleLoad((dir / "broken.wav").c_str()), 0) << c.name;
        EXPECT_EQ(soundLastError(), c.error) << c.name;
    }
    EXPECT_EQ(soundSampleLoad((dir / "missing.wav").c_str()), 0);
    EXPECT_STREQ(soundErrorText(soundLastError()), "File not found");
    EXPECT_EQ(soundSampleLoad(dir.path().c_str()), 0);  // a folder
    EXPECT_EQ(soundLastError(), kSoundLoadFailed);

    const int sample = soundSampleLoad(dataFile("shriek.wav").c_str());
    EXPECT_GE(soundPlay(kSoundFreeChannel, sample, kSoundLoopOff), 0);
    EXPECT_EQ(soundLastError(), kSoundOk);
    soundClose();
    // A handle kept past the close names nothing in the next session.
    ASSERT_TRUE(soundInit(kRate, 32, kSoundInitDefault));
    EXPECT_EQ(soundPlay(kSoundFreeChannel, sample, kSoundLoopOff), -1);
    soundClose();
}

// SIGTERM still ends a process whose sound is open: a game that caught it
// would run on until SIGKILL.
TEST(SoundLibrary, TerminationStillEndsTheProcessWithSoundOpen)
{
    useDriver("dummy");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!soundInit(kRate, 32, kSoundInitDefault)) _exit(2);
        raise(SIGTERM);
        _exit(0);  // reached only when the signal was caught
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
}

// The console texts, and one library set-up for all effects, closed with the last.
TEST(SoundEffects, ConsoleTextsAndOneLibraryForAll)
{
    TempDir dir;
    testsupport::writeFileText(dir / "damaged.wav", "RIFF, but nothing more");
    useDriver("dummy");
    {
        testing::internal::CaptureStdout();
        SoundEffect missing, broken, good;
        EXPECT_FALSE(missing.loadSound((dir / "missing.wav").string(), 190));
        EXPECT_FALSE(broken.loadSound((dir / "damaged.wav").string(), 190));
        EXPECT_TRUE(good.loadSound(dataFile("au.wav"), 190));
        missing.playSound(false);  // silent, no message
        good.playSound(false);
        std::fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Loading the song...\n\nFile not found\n" + (dir / "missing.wav").string() +
                      ": the game goes on without this sound\n"
                      "Loading the song...\n\nUnknown file format\n" +
                      (dir / "damaged.wav").string() +
                      ": the game goes on without this sound\n"
                      "Loading the song...\n\n");
        EXPECT_GE(good.channel(), 0);
        EXPECT_EQ(soundLastError(), kSoundOk);  // no second set-up was tried
    }
    EXPECT_FALSE(soundIsOpen());
}

// SDL's disk driver records the mixed output (16-bit stereo); with no delay it
// mixes as fast as it can, so a minute of sound is recorded in a moment. It
// mixes beside the test's thread at whatever pace the machine gives either:
// the tests wait for the sound itself to appear in the recording and for
// enough frames after its start, never for a time or from a mark the other
// thread may have outrun.
struct Recording {
    static constexpr auto kDeadline = std::chrono::minutes(2);
    static constexpr auto kPoll = std::chrono::milliseconds(5);

    std::filesystem::path file;
    explicit Recording(const std::filesystem::path& path) : file(path)
    {
        useDriver("disk");
        setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "0", 1);
    }
    std::size_t frames() const
    {
        std::error_code error;
        const auto bytes = std::filesystem::file_size(file, error);
        return error ? 0 : bytes / 4;
    }
    // False when the recording has not grown to count frames by a generous deadline.
    bool waitForFrames(std::size_t count) const
    {
        const auto giveUp = std::chrono::steady_clock::now() + kDeadline;
        while (frames() < count) {
            if (std::chrono::steady_clock::now() > giveUp) return false;
            std::this_thread::sleep_for(kPoll);
        }
        return true;
    }
    // Waits for the first sample that is not silent and then for count frames
    // from the frame it lies in; false when either is missing by a generous deadline.
    bool waitForSound(std::size_t count) const
    {
        const auto giveUp = std::chrono::steady_clock::now() + kDeadline;
        std::ifstream in(file, std::ios::binary);
        std::vector<char> bytes(1 << 16);
        std::size_t looked = 0;  // samples looked at, all silent
        for (;;) {
            in.clear();
            in.seekg(static_cast<std::streamoff>(looked * 2));
            in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            const std::size_t read = static_cast<std::size_t>(in.gcount()) / 2;
            for (std::size_t i = 0; i < read; ++i) {
                if (bytes[2 * i] != 0 || bytes[2 * i + 1] != 0) return waitForFrames((looked + i) / 2 + count);
            }
            looked += read;
            if (std::chrono::steady_clock::now() > giveUp) return false;
            if (read == 0) std::this_thread::sleep_for(kPoll);
        }
    }
    std::vector<std::int16_t> samples() const
    {
        const std::vector<std::uint8_t> bytes = testsupport::readFileBytes(file);
        std::vector<std::int16_t> out(bytes.size() / 2);
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = std::int16_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
        return out;
    }
};

double meanSquare(const std::vector<std::int16_t>& s, std::size_t firstFrame, std::size_t frameCount)
{
    double sum = 0.0;
    for (std::size_t i = firstFrame * 2; i < (firstFrame + frameCount) * 2; ++i) sum += double(s.at(i)) * s.at(i);
    return sum / double(frameCount * 2);
}

std::size_t firstSoundingFrame(const std::vector<std::int16_t>& s)
{
    std::size_t i = 0;
    while (i < s.size() && s[i] == 0) ++i;
    return i / 2;
}

TEST(SoundOutput, TheMusicLoopsOnPastItsEnd)
{
    TempDir dir;
    Recording recording(dir / "out.raw");
    ASSERT_TRUE(soundInit(kRate, 32, kSoundInitDefault));
    const int music = soundSampleLoad(dataFile("hintergrund3.wav").c_str());
    soundSampleSetVolume(music, 150);
    constexpr std::size_t kLoopFrames = 1536000;  // 34.83 s at 44100 Hz
    ASSERT_GE(soundPlay(kSoundFreeChannel, music, kSoundLoopNormal), 0);
    ASSERT_TRUE(recording.waitForSound(kLoopFrames * 8 / 5));
    soundClose();

    const std::vector<std::int16_t> s = recording.samples();
    const std::size_t start = firstSoundingFrame(s);
    ASSERT_LT(start + kLoopFrames * 3 / 2, s.size() / 2);
    // Past the end of the track the same sound comes again, sample for sample.
    constexpr std::size_t kCompared = 200000;
    EXPECT_TRUE(std::equal(&s[start * 2], &s[(start + kCompared) * 2], &s[(start + kLoopFrames) * 2]));
    EXPECT_GT(meanSquare(s, start + kLoopFrames + kCompared, kLoopFrames / 4), 1.0e4);  // clearly audible
}

TEST(SoundOutput, TheGameStartsItsMusicLooping)
{
    TempDir dir;
    Recording recording(dir / "out.raw");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(testsupport::generatedDataDir());
    // The track's length at the mixer's rate, from the file itself.
    SDL_AudioSpec wav{};
    Uint8* buffer = nullptr;
    Uint32 bytes = 0;
    ASSERT_NE(SDL_LoadWAV(gameSoundPath(GameSound::Music), &wav, &buffer, &bytes), nullptr);
    SDL_FreeWAV(buffer);
    const std::size_t fileFrames = bytes / (SDL_AUDIO_BITSIZE(wav.format) / 8u * wav.channels);
    const std::size_t loopFrames = fileFrames * kRate / static_cast<std::size_t>(wav.freq);
    loadGameSounds();  // as the first game start does
    std::filesystem::current_path(previous);
    ASSERT_TRUE(recording.waitForSound(loopFrames * 8 / 5));
    soundClose();  // the recording stops growing; the game's sounds let go of a closed library

    const std::vector<std::int16_t> s = recording.samples();
    const std::size_t start = firstSoundingFrame(s);
    ASSERT_LT(start + loopFrames * 3 / 2, s.size() / 2);
    // A quarter of the track after its end, the music still plays.
    EXPECT_GT(meanSquare(s, start + loopFrames + kRate, loopFrames / 4), 1.0e4);
}

TEST(SoundOutput, AnEffectIsHeardOnceAfterItsPlayCall)
{
    TempDir dir;
    Recording recording(dir / "out.raw");
    ASSERT_TRUE(soundInit(kRate, 32, kSoundInitDefault));
    const int shriek = soundSampleLoad(dataFile("shriek.wav").c_str());
    ASSERT_TRUE(recording.waitForFrames(kRate / 2));
    const std::size_t silent = recording.frames();  // certainly mixed before the call
    ASSERT_GE(soundPlay(kSoundFreeChannel, shriek, kSoundLoopOff), 0);
    ASSERT_TRUE(recording.waitForSound(3 * kRate));
    soundClose();

    const std::vector<std::int16_t> s = recording.samples();
    const std::size_t start = firstSoundingFrame(s);
    EXPECT_GE(start, silent);
    EXPECT_GT(meanSquare(s, start, kRate / 4), 1.0e4);
    // 0.42 s of sound, then silence: it was not repeated.
    std::size_t last = s.size();
    while (last > 0 && s[last - 1] == 0) --last;
    EXPECT_NEAR(double(last / 2 - start) / kRate, 0.42, 0.03);
    EXPECT_GT(s.size() / 2, last / 2 + kRate);
}

// A 16-bit PCM WAV of the given samples (interleaved).
std::vector<std::uint8_t> wavFile(int rate, int channels, const std::vector<std::int16_t>& samples)
{
    std::vector<std::uint8_t> out;
    auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put(36 + dataBytes, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(16, 4), put(1, 2), put(static_cast<std::uint32_t>(channels), 2), put(static_cast<std::uint32_t>(rate), 4);
    put(static_cast<std::uint32_t>(rate * channels * 2), 4), put(static_cast<std::uint32_t>(channels * 2), 2), put(16, 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put(dataBytes, 4);
    for (const std::int16_t v : samples) put(static_cast<std::uint16_t>(v), 2);
    return out;
}

// A sample in the mixer's own format is played where it lies, sample for
// sample as the file holds it (left and right in order); one in another
// format is converted and heard too, as long as it lasts.
TEST(SoundOutput, MixerFormatPlaysAsItIsAndOtherFormatsAreConverted)
{
    TempDir dir;
    std::vector<std::int16_t> stereo;
    for (int i = 0; i < kRate / 10; ++i) {
        stereo.push_back(static_cast<std::int16_t>(1000 + (i * 37) % 20000));
        stereo.push_back(static_cast<std::int16_t>(-1000 - (i * 53) % 20000));
    }
    std::vector<std::int16_t> mono(kRate / 20, 12000);
    testsupport::writeFileBytes(dir / "stereo.wav", wavFile(kRate, 2, stereo));
    testsupport::writeFileBytes(dir / "mono.wav", wavFile(kRate / 2, 1, mono));
    for (const char* name : {"stereo.wav", "mono.wav"}) {
        SCOPED_TRACE(name);
        Recording recording(dir / (std::string(name) + ".raw"));
        ASSERT_TRUE(soundInit(kRate, 32, kSoundInitDefault));
        const int sample = soundSampleLoad((dir / name).c_str());
        ASSERT_NE(sample, 0) << soundLastError();
        ASSERT_TRUE(soundSampleSetVolume(sample, kSoundMaxVolume));
        ASSERT_GE(soundPlay(kSoundFreeChannel, sample, kSoundLoopOff), 0);
        ASSERT_TRUE(recording.waitForSound(kRate / 2));
        soundClose();
        const std::vector<std::int16_t> s = recording.samples();
        const std::size_t start = firstSoundingFrame(s);
        if (std::string(name) == "stereo.wav") {
            ASSERT_LE((start + stereo.size() / 2) * 2, s.size());
            EXPECT_TRUE(std::equal(stereo.begin(), stereo.end(), s.begin() + static_cast<std::ptrdiff_t>(start * 2)));
        } else {
            // A twentieth of a second at half the rate: a tenth of a second of frames.
            std::size_t last = s.size();
            while (last > 0 && s[last - 1] == 0) --last;
            EXPECT_NEAR(double(last / 2 - start), kRate / 10.0, kRate / 100.0);
            EXPECT_GT(meanSquare(s, start + kRate / 40, kRate / 40), 1.0e7);
        }
    }
}

}  // namespace
