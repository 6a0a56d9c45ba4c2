// The sound layer with a real SDL_mixer: error codes, the console texts of the
// sound effects, and the mixed output recorded by SDL's disk driver to prove
// what was heard.
#include "audio/game_sounds.h"
#include "audio/sound_effect.h"
#include "audio/sound_library.h"

#include "test_support.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
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


// --- MS ADPCM, as the browser's package stores its music -------------------

struct RiffChunk {
    std::string tag;
    std::vector<std::uint8_t> payload;
};

std::uint32_t le32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint32_t(b.at(at)) | std::uint32_t(b.at(at + 1)) << 8 | std::uint32_t(b.at(at + 2)) << 16 |
           std::uint32_t(b.at(at + 3)) << 24;
}

void putLe(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) b.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(value >> (8 * i));
}

// The chunks of a well-formed RIFF/WAVE file, in order.
std::vector<RiffChunk> riffChunks(const std::vector<std::uint8_t>& file)
{
    std::vector<RiffChunk> chunks;
    for (std::size_t at = 12; at + 8 <= file.size();) {
        const std::size_t bytes = le32At(file, at + 4);
        const auto begin = file.begin() + static_cast<std::ptrdiff_t>(at + 8);
        chunks.push_back({std::string(begin - 8, begin - 4),
                          {begin, begin + static_cast<std::ptrdiff_t>(bytes)}});
        at += 8 + bytes + (bytes & 1u);
    }
    return chunks;
}

std::vector<std::uint8_t> riffFile(const std::vector<RiffChunk>& chunks)
{
    std::vector<std::uint8_t> out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const RiffChunk& c : chunks) {
        out.insert(out.end(), c.tag.begin(), c.tag.end());
        out.resize(out.size() + 4);
        putLe(out, out.size() - 4, static_cast<std::uint32_t>(c.payload.size()), 4);
        out.insert(out.end(), c.payload.begin(), c.payload.end());
        if (c.payload.size() % 2 != 0) out.push_back(0);
    }
    putLe(out, 4, static_cast<std::uint32_t>(out.size() - 8), 4);
    return out;
}

RiffChunk& chunkNamed(std::vector<RiffChunk>& chunks, const char* tag)
{
    for (RiffChunk& c : chunks) {
        if (c.tag == tag) return c;
    }
    throw std::runtime_error(std::string("no chunk ") + tag);
}

// Stereo at the mixer's rate, loud, never repeating within its length, and
// not a whole number of MS ADPCM blocks long.
std::vector<std::int16_t> sweep(std::size_t frames)
{
    std::vector<std::int16_t> out;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        out.push_back(static_cast<std::int16_t>(9000.0 * std::sin(2 * M_PI * (220.0 + 400.0 * t) * t) + 3000.0));
        out.push_back(static_cast<std::int16_t>(-7000.0 * std::sin(2 * M_PI * (90.0 + 900.0 * t) * t) - 2000.0));
    }
    return out;
}

constexpr std::size_t kSweepFrames = 3 * 2036 + 777;  // sox's blocks at 44.1 kHz stereo hold 2036 frames

// A sweep as sox stores it in MS ADPCM (without dither, which would make each
// file differ), and sox's own decoding of that file (its padded last block
// included).
struct SoxAdpcm {
    std::filesystem::path file;
    std::vector<std::int16_t> soxDecoded;
};

SoxAdpcm soxAdpcmSweep(const TempDir& dir)
{
    testsupport::writeFileBytes(dir / "sweep.wav", wavFile(kRate, 2, sweep(kSweepFrames)));
    SoxAdpcm made{dir / "sweep-adpcm.wav", {}};
    const auto encode = testsupport::runCommand("sox " + testsupport::shellQuote((dir / "sweep.wav").string()) +
                                                " -D -e ms-adpcm " + testsupport::shellQuote(made.file.string()));
    EXPECT_EQ(encode.exitStatus, 0) << encode.output;
    const auto decode = testsupport::runCommand("sox " + testsupport::shellQuote(made.file.string()) + " -t s16 " +
                                                testsupport::shellQuote((dir / "sox.raw").string()));
    EXPECT_EQ(decode.exitStatus, 0) << decode.output;
    const std::vector<std::uint8_t> raw = testsupport::readFileBytes(dir / "sox.raw");
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) made.soxDecoded.push_back(std::int16_t(raw[i] | raw[i + 1] << 8));
    return made;
}

// An MS ADPCM sample is decoded as sox decodes it, heard, and loops on the
// frames its "fact" chunk names, not on its padded last block.
TEST(SoundOutput, AnMsAdpcmLoopIsHeardAsSoxDecodesItWithoutItsPadding)
{
    if (!testsupport::haveProgram("sox")) GTEST_SKIP() << "sox is not installed";
    TempDir dir;
    const SoxAdpcm made = soxAdpcmSweep(dir);
    const std::vector<std::uint8_t> bytes = testsupport::readFileBytes(made.file);
    std::vector<RiffChunk> chunks = riffChunks(bytes);
    const RiffChunk& fmt = chunkNamed(chunks, "fmt ");
    ASSERT_EQ(fmt.payload.at(0) | fmt.payload.at(1) << 8, 2) << "not MS ADPCM";
    const std::size_t samplesPerBlock = std::size_t(fmt.payload.at(18) | fmt.payload.at(19) << 8);
    ASSERT_EQ(le32At(chunkNamed(chunks, "fact").payload, 0), kSweepFrames);
    ASSERT_GT(made.soxDecoded.size(), kSweepFrames * 2) << "sox's decoding has no padding to leave out";

    Recording recording(dir / "out.raw");
    ASSERT_TRUE(soundInit(kRate, 32, kSoundInitDefault));
    const int sample = soundSampleLoad(made.file.c_str());
    ASSERT_NE(sample, 0) << soundErrorText(soundLastError());
    ASSERT_TRUE(soundSampleSetVolume(sample, kSoundMaxVolume));
    ASSERT_GE(soundPlay(kSoundFreeChannel, sample, kSoundLoopNormal), 0);
    ASSERT_TRUE(recording.waitForSound(kSweepFrames * 3));
    soundClose();

    const std::vector<std::int16_t> s = recording.samples();
    const std::size_t start = firstSoundingFrame(s);
    ASSERT_LE((start + 2 * kSweepFrames) * 2, s.size());
    const auto at = [&](std::size_t frame) { return s.begin() + static_cast<std::ptrdiff_t>(frame * 2); };
    // The second time round starts right after the named frames.
    EXPECT_TRUE(std::equal(at(start), at(start + kSweepFrames), at(start + kSweepFrames)));
    // SDL's decoder and sox's round their predictions differently, so the
    // samples stray a little within a block; each block's first two frames
    // are stored whole and agree exactly.
    double error = 0.0;
    int worst = 0;
    for (std::size_t i = 0; i < kSweepFrames * 2; ++i) {
        const int difference = s[start * 2 + i] - made.soxDecoded[i];
        error += double(difference) * difference;
        worst = std::max(worst, std::abs(difference));
        if ((i / 2) % samplesPerBlock < 2) {
            EXPECT_EQ(difference, 0) << "frame " << i / 2;
        }
    }
    const double heard = meanSquare(s, start, kSweepFrames);
    std::printf("MS ADPCM, SDL against sox: %.1f dB below the sound, at most %d apart\n",
                10.0 * std::log10(heard * double(kSweepFrames * 2) / error), worst);
    EXPECT_LT(worst, 1000);  // 3 % of full scale
    EXPECT_LT(error / double(kSweepFrames * 2), heard * 1.0e-4);  // 40 dB below the sound
    EXPECT_GT(heard, 1.0e7);  // clearly heard
}

// An MS ADPCM file whose header does not fit its blocks, or whose blocks are
// not all there, is refused like any damaged WAV file: its samples would be
// garbage, cut off or padded.
TEST(SoundLibrary, MsAdpcmHeadersAreCheckedBeforeUse)
{
    if (!testsupport::haveProgram("sox")) GTEST_SKIP() << "sox is not installed";
    TempDir dir;
    std::vector<RiffChunk> good = riffChunks(testsupport::readFileBytes(soxAdpcmSweep(dir).file));
    const auto fmtField = [](std::size_t at, std::uint32_t value, int bytes) {
        return [=](std::vector<RiffChunk>& c) { putLe(chunkNamed(c, "fmt ").payload, at, value, bytes); };
    };
    const auto factFrames = [](std::uint32_t value) {
        return [=](std::vector<RiffChunk>& c) { putLe(chunkNamed(c, "fact").payload, 0, value, 4); };
    };
    const auto without = [](const char* tag) {
        return [=](std::vector<RiffChunk>& c) { std::erase_if(c, [&](const RiffChunk& k) { return k.tag == tag; }); };
    };
    constexpr std::uint32_t kBlockAlign = 2048, kSamplesPerBlock = 2036, kBlocks = 4;
    const struct {
        const char* name;
        std::function<void(std::vector<RiffChunk>&)> change;
        bool loads;
    } cases[] = {
        {"as sox made it", [](std::vector<RiffChunk>&) {}, true},
        {"data not whole blocks", [](std::vector<RiffChunk>& c) { chunkNamed(c, "data").payload.resize(kBlockAlign * 3 + 500); }, false},
        {"three bits a sample", fmtField(14, 3, 2), false},
        {"three channels", fmtField(2, 3, 2), false},
        {"block smaller than its header", fmtField(12, 13, 2), false},
        {"more samples than the block holds", fmtField(18, kSamplesPerBlock + 1, 2), false},
        {"one sample a block", fmtField(18, 1, 2), false},
        {"six coefficient pairs", fmtField(20, 6, 2), false},
        {"extension shorter than its coefficients", fmtField(16, 4 + 4 * 7 - 2, 2), false},
        {"a standard coefficient changed", fmtField(24, 500, 2), false},
        {"fmt without its extension", [](std::vector<RiffChunk>& c) { chunkNamed(c, "fmt ").payload.resize(20); }, false},
        {"no fact", without("fact"), false},
        {"fact cut short", [](std::vector<RiffChunk>& c) { chunkNamed(c, "fact").payload.resize(2); }, false},
        {"fact past the last block", factFrames(kBlocks * kSamplesPerBlock + 1), false},
        {"fact ending before the last block", factFrames((kBlocks - 1) * kSamplesPerBlock), false},
        {"fact after the data",
         [](std::vector<RiffChunk>& c) { std::rotate(c.begin() + 1, c.begin() + 2, c.end()); }, false},
    };
    ASSERT_EQ(chunkNamed(good, "data").payload.size(), kBlockAlign * kBlocks);
    useDriver("dummy");
    ASSERT_TRUE(soundInit(kRate, 32, kSoundInitDefault));
    for (const auto& c : cases) {
        std::vector<RiffChunk> chunks = good;
        c.change(chunks);
        testsupport::writeFileBytes(dir / "changed.wav", riffFile(chunks));
        const int sample = soundSampleLoad((dir / "changed.wav").c_str());
        EXPECT_EQ(sample != 0, c.loads) << c.name;
        EXPECT_EQ(soundLastError(), c.loads ? kSoundOk : kSoundUnknownFormat) << c.name;
        if (sample != 0) soundSampleFree(sample);
    }
    // Cut off in its last block with the sizes left as they were.
    std::vector<std::uint8_t> cut = riffFile(good);
    cut.resize(cut.size() - 100);
    testsupport::writeFileBytes(dir / "cut.wav", cut);
    EXPECT_EQ(soundSampleLoad((dir / "cut.wav").c_str()), 0);
    EXPECT_EQ(soundLastError(), kSoundUnknownFormat);
    soundClose();
}

}  // namespace
