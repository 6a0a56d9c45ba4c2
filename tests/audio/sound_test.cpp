// The sound layer with a real SDL_mixer: error codes for missing and damaged
// files and a missing device, the console texts of the sound effects, and the
// mixed output recorded by SDL's disk driver to prove what was heard.
#include "audio/sound_effect.h"
#include "audio/sound_library.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using testsupport::TempDir;

constexpr int kRate = 44100;
constexpr int kFrameBytes = 4;  // 16-bit stereo

std::string dataFile(const std::string& name) { return testsupport::generatedDataDir() + "/sound/" + name; }

void useDriver(const char* driver) { setenv("SDL_AUDIODRIVER", driver, 1); }

// Broken copies of a real effect.
std::vector<std::uint8_t> damaged(const std::string& how)
{
    std::vector<std::uint8_t> bytes = testsupport::readFileBytes(dataFile("shriek.wav"));
    if (how == "cut in the data") bytes.resize(bytes.size() - 1001);
    if (how == "cut in the header") bytes.resize(30);
    if (how == "not RIFF") bytes[0] = 'X';
    if (how == "8-bit compressed") bytes[20] = 2;  // format tag ADPCM
    if (how == "no data chunk") bytes[36] = 'x';
    if (how == "empty") bytes.clear();
    return bytes;
}

TEST(SoundLibrary, ErrorCodesOfDeviceLoadAndPlay)
{
    soundClose();
    EXPECT_EQ(soundPlay(kSoundFreeChannel, 1, kSoundLoopOff), -1);
    EXPECT_EQ(soundLastError(), kSoundNotOpen);
    EXPECT_EQ(soundSampleLoad(dataFile("shriek.wav").c_str()), 0);
    EXPECT_EQ(soundLastError(), kSoundNotOpen);

    useDriver("no-such-driver");
    EXPECT_FALSE(soundInit(kRate, 32, kSoundInitDefault));
    EXPECT_EQ(soundLastError(), kSoundDeviceFailed);
    EXPECT_STREQ(soundErrorText(soundLastError()), "Error initializing output device.");

    useDriver("dummy");
    ASSERT_TRUE(soundInit(kRate, 32, kSoundInitDefault));
    EXPECT_FALSE(soundInit(kRate, 32, kSoundInitDefault));
    EXPECT_EQ(soundLastError(), kSoundAlreadyOpen);

    TempDir dir;
    EXPECT_EQ(soundSampleLoad((dir / "missing.wav").c_str()), 0);
    EXPECT_EQ(soundLastError(), kSoundFileNotFound);
    EXPECT_EQ(soundSampleLoad(dir.path().c_str()), 0);  // a folder cannot be read as a file
    EXPECT_EQ(soundLastError(), kSoundLoadFailed);
    for (const char* how : {"cut in the data", "cut in the header", "not RIFF", "8-bit compressed", "no data chunk",
                            "empty"}) {
        const auto path = dir / "broken.wav";
        testsupport::writeFileBytes(path, damaged(how));
        EXPECT_EQ(soundSampleLoad(path.c_str()), 0) << how;
        EXPECT_EQ(soundLastError(), kSoundUnknownFormat) << how;
    }

    const int sample = soundSampleLoad(dataFile("shriek.wav").c_str());
    ASSERT_GT(sample, 0);
    EXPECT_EQ(soundPlay(kSoundFreeChannel, sample, 7), -1);
    EXPECT_EQ(soundLastError(), kSoundInvalidParameter);
    const int channel = soundPlay(kSoundFreeChannel, sample, kSoundLoopOff);
    EXPECT_GE(channel, 0);
    EXPECT_EQ(soundLastError(), kSoundOk);
    soundClose();
    // A handle kept past the close names nothing in the next session.
    ASSERT_TRUE(soundInit(kRate, 32, kSoundInitDefault));
    EXPECT_EQ(soundPlay(kSoundFreeChannel, sample, kSoundLoopOff), -1);
    EXPECT_EQ(soundLastError(), kSoundInvalidParameter);
    soundClose();
}

TEST(SoundLibrary, VolumesOfTheTableOnTheMixerScale)
{
    const std::pair<int, int> cases[] = {{0, 0}, {80, 40}, {150, 75}, {190, 95}, {210, 105}, {255, 128},
                                         {-5, 0}, {300, 128}};
    for (const auto& [volume, mixer] : cases) EXPECT_EQ(soundMixerVolume(volume), mixer) << volume;
}

// What the sound effects write on the console, and that the library is set
// up once for all of them and closed with the last.
TEST(SoundEffects, ConsoleTextsAndOneLibraryForAll)
{
    TempDir dir;
    const auto damagedPath = dir / "damaged.wav";
    testsupport::writeFileBytes(damagedPath, damaged("not RIFF"));
    useDriver("dummy");
    {
        testing::internal::CaptureStdout();
        SoundEffect missing, broken, good;
        EXPECT_FALSE(missing.loadSound((dir / "missing.wav").string(), 190));
        EXPECT_FALSE(broken.loadSound(damagedPath.string(), 190));
        EXPECT_TRUE(good.loadSound(dataFile("au.wav"), 190));
        missing.playSound(false);  // silent, no message
        good.playSound(false);
        std::fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Loading the song...\n\nFile not found\n"
                  "Loading the song...\n\nUnknown file format\n"
                  "Loading the song...\n\n");
        EXPECT_EQ(missing.fileName(), (dir / "missing.wav").string());
        EXPECT_EQ(missing.sample(), 0);
        EXPECT_GE(good.channel(), 0);
        EXPECT_TRUE(soundIsOpen());
        EXPECT_EQ(soundLastError(), kSoundOk);  // no second set-up was tried
    }
    EXPECT_FALSE(soundIsOpen());

    useDriver("no-such-driver");
    testing::internal::CaptureStdout();
    {
        SoundEffect first, second, third;
        EXPECT_FALSE(first.loadSound(dataFile("au.wav"), 190));
        EXPECT_FALSE(second.loadSound(dataFile("tot.wav"), 190));
        EXPECT_FALSE(third.loadSound((dir / "missing.wav").string(), 190));
        first.playSound(true);
        EXPECT_EQ(first.channel(), -1);
    }
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error initializing output device. The game goes on without sound.\n");
    EXPECT_FALSE(soundIsOpen());
}

// SDL's disk driver writes the mixed output to a file; with no delay it mixes
// as fast as it can, so seconds of sound are recorded in a moment.
class Recording {
public:
    explicit Recording(const std::filesystem::path& file) : file_(file)
    {
        useDriver("disk");
        setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "0", 1);
    }
    // Waits until at least the given number of seconds is on disk.
    bool waitForSeconds(double seconds) const
    {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (recordedFrames() < static_cast<std::uintmax_t>(seconds * kRate)) {
            if (std::chrono::steady_clock::now() > limit) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
    std::uintmax_t recordedFrames() const
    {
        std::error_code error;
        const std::uintmax_t bytes = std::filesystem::file_size(file_, error);
        return error ? 0 : bytes / kFrameBytes;
    }
    // The recording as stereo frames, left and right interleaved.
    std::vector<std::int16_t> samples() const
    {
        const std::vector<std::uint8_t> bytes = testsupport::readFileBytes(file_);
        std::vector<std::int16_t> out(bytes.size() / 2);
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        return out;
    }

private:
    std::filesystem::path file_;
};

double meanSquare(const std::vector<std::int16_t>& s, std::size_t firstFrame, std::size_t lastFrame)
{
    double sum = 0.0;
    for (std::size_t i = firstFrame * 2; i < lastFrame * 2 && i < s.size(); ++i) sum += double(s[i]) * s[i];
    return sum / double((lastFrame - firstFrame) * 2);
}

std::size_t firstSoundingFrame(const std::vector<std::int16_t>& s, std::size_t from)
{
    for (std::size_t i = from * 2; i < s.size(); ++i)
        if (s[i] != 0) return i / 2;
    return s.size() / 2;
}

std::size_t lastSoundingFrame(const std::vector<std::int16_t>& s)
{
    for (std::size_t i = s.size(); i > 0; --i)
        if (s[i - 1] != 0) return (i - 1) / 2;
    return 0;
}

TEST(SoundOutput, TheMusicLoopsOnPastItsEnd)
{
    TempDir dir;
    Recording recording(dir / "out.raw");
    ASSERT_TRUE(soundInit(kRate, 32, kSoundInitDefault));
    const int music = soundSampleLoad(dataFile("hintergrund3.wav").c_str());
    ASSERT_GT(music, 0);
    soundSampleSetVolume(music, 150);
    // 34.83 s of music at 22050 Hz: 1 536 000 frames at the device's 44100.
    constexpr std::size_t kLoopFrames = 1536000;
    const std::uintmax_t framesBeforePlay = recording.recordedFrames();
    ASSERT_GE(soundPlay(kSoundFreeChannel, music, kSoundLoopNormal), 0);
    ASSERT_TRUE(recording.waitForSeconds((double(framesBeforePlay) + 1.6 * kLoopFrames) / kRate));
    soundClose();

    const std::vector<std::int16_t> s = recording.samples();
    const std::size_t start = firstSoundingFrame(s, 0);
    ASSERT_LT(start + 1.5 * kLoopFrames, s.size() / 2.0);
    // Past the end of the track the same sound comes again, sample for sample.
    constexpr std::size_t kCompareFrames = 200000;
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < kCompareFrames * 2; ++i)
        if (s[start * 2 + i] != s[(start + kLoopFrames) * 2 + i]) ++mismatches;
    EXPECT_EQ(mismatches, 0u);
    EXPECT_GT(meanSquare(s, start + kLoopFrames, start + kLoopFrames + kRate), 1.0e4);  // clearly audible
    EXPECT_GT(meanSquare(s, start + kLoopFrames + kCompareFrames, start + kLoopFrames * 3 / 2), 1.0e4);
}

TEST(SoundOutput, AnEffectIsHeardOnceAfterItsPlayCall)
{
    TempDir dir;
    Recording recording(dir / "out.raw");
    ASSERT_TRUE(soundInit(kRate, 32, kSoundInitDefault));
    const int shriek = soundSampleLoad(dataFile("shriek.wav").c_str());
    ASSERT_GT(shriek, 0);
    ASSERT_TRUE(recording.waitForSeconds(0.5));
    const std::uintmax_t silentFrames = recording.recordedFrames();  // certainly mixed before the call
    ASSERT_GE(soundPlay(kSoundFreeChannel, shriek, kSoundLoopOff), 0);
    ASSERT_TRUE(recording.waitForSeconds(double(silentFrames) / kRate + 3.0));
    soundClose();

    const std::vector<std::int16_t> s = recording.samples();
    const std::size_t start = firstSoundingFrame(s, 0);
    EXPECT_GE(start, silentFrames);
    ASSERT_LT(start, s.size() / 2);
    EXPECT_GT(meanSquare(s, start, start + kRate / 4), 1.0e4);
    // 0.42 s of sound, then silence again: it was not repeated.
    const double heardSeconds = double(lastSoundingFrame(s) - start) / kRate;
    EXPECT_NEAR(heardSeconds, 0.42, 0.03);
    EXPECT_GT(s.size() / 2, lastSoundingFrame(s) + kRate);
}

}  // namespace
