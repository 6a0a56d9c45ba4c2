// The synthesised sounds: the WAV writer on its own, then the seven files the
// game plays, read back from the data folder and checked with our own parser
// and with sox as an independent reader.
//
// The generator is a program, not a library, so its sound sources are
// compiled into this test program here (once).
#include "../../tools/contentgen/sound_music.cpp"
#include "../../tools/contentgen/sound_synth.cpp"
#include "../../tools/contentgen/sounds.cpp"
#include "../../tools/contentgen/wav_writer.cpp"

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testsupport::generatedDataDir;
using testsupport::haveProgram;
using testsupport::readFileBytes;
using testsupport::runCommand;
using testsupport::shellQuote;

constexpr double kFullScale = 32768.0;

// ---------------------------------------------------------------------------
// A WAV reader written for the tests: walks the chunks instead of assuming
// the 44-byte layout, so it does not share the writer's assumptions.

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

struct ParsedWav {
    bool ok = false;
    std::string problem;
    std::uint32_t riffSize = 0;
    std::uint16_t formatTag = 0, channels = 0, blockAlign = 0, bits = 0;
    std::uint32_t rate = 0, byteRate = 0;
    std::size_t dataOffset = 0;
    std::uint32_t dataSize = 0;
    std::vector<std::vector<double>> samples;  // per channel, in [-1, 1)
};

ParsedWav parseWav(const std::vector<std::uint8_t>& bytes)
{
    ParsedWav wav;
    auto fail = [&](std::string why) {
        wav.problem = std::move(why);
        return wav;
    };
    if (bytes.size() < 12) return fail("shorter than a RIFF header");
    if (std::string(bytes.begin(), bytes.begin() + 4) != "RIFF") return fail("no RIFF tag");
    if (std::string(bytes.begin() + 8, bytes.begin() + 12) != "WAVE") return fail("no WAVE tag");
    wav.riffSize = le32(bytes, 4);
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string id(bytes.begin() + at, bytes.begin() + at + 4);
        const std::uint32_t size = le32(bytes, at + 4);
        const std::size_t body = at + 8;
        if (body + size > bytes.size()) return fail("chunk " + id + " runs past the end");
        if (id == "fmt ") {
            if (size < 16) return fail("fmt chunk too small");
            wav.formatTag = le16(bytes, body);
            wav.channels = le16(bytes, body + 2);
            wav.rate = le32(bytes, body + 4);
            wav.byteRate = le32(bytes, body + 8);
            wav.blockAlign = le16(bytes, body + 12);
            wav.bits = le16(bytes, body + 14);
            haveFormat = true;
        } else if (id == "data") {
            wav.dataOffset = body;
            wav.dataSize = size;
        }
        at = body + size + (size & 1);
    }
    if (!haveFormat || wav.dataOffset == 0) return fail("missing fmt or data chunk");
    if (wav.bits != 16 || wav.channels == 0) return fail("not 16-bit");
    wav.samples.assign(wav.channels, {});
    const std::size_t frames = wav.dataSize / (2u * wav.channels);
    for (std::size_t f = 0; f < frames; ++f) {
        for (std::size_t c = 0; c < wav.channels; ++c) {
            const auto raw = static_cast<std::int16_t>(le16(bytes, wav.dataOffset + 2 * (f * wav.channels + c)));
            wav.samples[c].push_back(raw / kFullScale);
        }
    }
    wav.ok = true;
    return wav;
}

// Runs sox's "stat" effect on a file (or part of it) and returns its
// "Name: value" lines as numbers.
std::map<std::string, double> soxStat(const std::string& path, const std::string& effects = "")
{
    const auto result = runCommand("sox " + shellQuote(path) + " -n " + effects + " stat");
    std::map<std::string, double> values;
    std::istringstream lines(result.output);
    std::string line;
    while (std::getline(lines, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string key = line.substr(0, colon);
        key.erase(key.find_last_not_of(' ') + 1);
        try {
            values[key] = std::stod(line.substr(colon + 1));
        } catch (...) {
        }
    }
    return values;
}

std::string soxi(const std::string& option, const std::string& path)
{
    std::string out = runCommand("soxi " + option + " " + shellQuote(path)).output;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

double peakOf(const std::vector<double>& x)
{
    double peak = 0.0;
    for (double s : x) peak = std::max(peak, std::abs(s));
    return peak;
}

double rmsOf(const std::vector<double>& x, std::size_t from, std::size_t to)
{
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i) sum += x[i] * x[i];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

// Fundamental frequency of a window by autocorrelation: the shortest lag
// whose normalised correlation comes close to the best one.
double pitchAt(const std::vector<double>& x, int rate, double startSeconds, double windowSeconds)
{
    const std::size_t from = static_cast<std::size_t>(startSeconds * rate);
    const std::size_t length = static_cast<std::size_t>(windowSeconds * rate);
    const int minLag = rate / 2500;
    const int maxLag = rate / 80;
    std::vector<double> correlation(maxLag + 1, 0.0);
    double best = 0.0;
    for (int lag = minLag; lag <= maxLag; ++lag) {
        double sum = 0.0, energyA = 0.0, energyB = 0.0;
        for (std::size_t i = from; i < from + length; ++i) {
            sum += x[i] * x[i + lag];
            energyA += x[i] * x[i];
            energyB += x[i + lag] * x[i + lag];
        }
        correlation[lag] = sum / std::sqrt(energyA * energyB + 1e-12);
        best = std::max(best, correlation[lag]);
    }
    for (int lag = minLag + 1; lag < maxLag; ++lag) {
        const bool localPeak = correlation[lag] >= correlation[lag - 1] && correlation[lag] >= correlation[lag + 1];
        if (localPeak && correlation[lag] >= 0.9 * best) return static_cast<double>(rate) / lag;
    }
    return 0.0;
}

// ---------------------------------------------------------------------------
// The writer.

TEST(WavWriter, HeaderDescribesStereoPcmAndSamplesFollowInterleaved)
{
    const std::vector<double> samples{0.5, -0.5, 0.25, -1.0, 0.0, 1.0};
    const auto bytes = contentgen::encodeWav(samples, contentgen::WavFormat{44100, 2});
    ASSERT_EQ(bytes.size(), 44u + samples.size() * 2);
    const ParsedWav wav = parseWav(bytes);
    ASSERT_TRUE(wav.ok) << wav.problem;
    EXPECT_EQ(wav.riffSize, bytes.size() - 8);
    EXPECT_EQ(wav.formatTag, 1);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.rate, 44100u);
    EXPECT_EQ(wav.byteRate, 44100u * 4);
    EXPECT_EQ(wav.blockAlign, 4);
    EXPECT_EQ(wav.dataSize, samples.size() * 2);
    ASSERT_EQ(wav.samples[0].size(), 3u);
    EXPECT_NEAR(wav.samples[0][0], 0.5, 1e-4);
    EXPECT_NEAR(wav.samples[1][0], -0.5, 1e-4);
    EXPECT_NEAR(wav.samples[1][1], -1.0, 1e-4);
    EXPECT_NEAR(wav.samples[1][2], 1.0, 1e-4);
}

TEST(WavWriter, OutOfRangeSamplesHoldAtFullScaleInsteadOfWrapping)
{
    EXPECT_EQ(contentgen::toPcm16(1.5), 32767);
    EXPECT_EQ(contentgen::toPcm16(-3.0), -32767);
    EXPECT_EQ(contentgen::toPcm16(std::nan("")), -32767);
    EXPECT_EQ(contentgen::toPcm16(0.0), 0);
    EXPECT_EQ(contentgen::toPcm16(-0.5), -16384);  // rounds to the nearest step
}

TEST(WavWriter, RefusesFormatsItCannotWrite)
{
    const std::vector<double> three{0.1, 0.2, 0.3};
    EXPECT_TRUE(contentgen::encodeWav(three, contentgen::WavFormat{22050, 2}).empty());  // half a frame
    EXPECT_TRUE(contentgen::encodeWav(three, contentgen::WavFormat{22050, 3}).empty());
    EXPECT_TRUE(contentgen::encodeWav(three, contentgen::WavFormat{0, 1}).empty());
    EXPECT_FALSE(contentgen::encodeWav(three, contentgen::WavFormat{22050, 1}).empty());
}

TEST(WavWriter, SoxReadsTheSameSamplesBack)
{
    if (!haveProgram("sox")) GTEST_SKIP() << "sox is not installed";
    testsupport::TempDir dir;
    const std::vector<double> samples{0.0, 0.25, -0.25, 0.5, -0.75, 0.125};
    const auto path = (dir / "ramp.wav").string();
    testsupport::writeFileBytes(path, contentgen::encodeWav(samples, contentgen::WavFormat{22050, 2}));
    EXPECT_EQ(soxi("-c", path), "2");
    EXPECT_EQ(soxi("-r", path), "22050");
    EXPECT_EQ(soxi("-b", path), "16");
    EXPECT_EQ(soxi("-s", path), "3");  // samples per channel
    // sox's text output: one line per frame, time then left and right.
    const auto dat = runCommand("sox " + shellQuote(path) + " -t dat -");
    std::istringstream lines(dat.output);
    std::string line;
    std::vector<double> values;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == ';') continue;
        std::istringstream fields(line);
        double time = 0, left = 0, right = 0;
        fields >> time >> left >> right;
        values.push_back(left);
        values.push_back(right);
    }
    ASSERT_EQ(values.size(), samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) EXPECT_NEAR(values[i], samples[i], 1e-4) << "sample " << i;
}

// ---------------------------------------------------------------------------
// The mixer's format: sounds made at half its rate have their rate doubled.

TEST(MixerFormat, DoublingTheRateKeepsEverySampleAndPutsTheWaveBetween)
{
    constexpr int kRate = 22050;
    constexpr double kHz = 1000.0;
    std::vector<double> tone(2205);  // a whole number of periods: a loop
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = 0.5 * std::sin(2 * contentgen::synth::kPi * kHz * i / kRate);
    for (const bool loop : {true, false}) {
        const std::vector<double> doubled = contentgen::synth::doubleRate(tone, loop);
        ASSERT_EQ(doubled.size(), 2 * tone.size());
        for (std::size_t i = 0; i < tone.size(); ++i) EXPECT_EQ(doubled[2 * i], tone[i]);
        // Between the samples lies the tone itself: everywhere round a loop,
        // and away from the ends of a sound that is silent beyond them.
        const std::size_t margin = loop ? 0 : 48;
        double worst = 0.0;
        for (std::size_t i = margin; i + margin < tone.size(); ++i) {
            const double exact = 0.5 * std::sin(2 * contentgen::synth::kPi * kHz * (i + 0.5) / kRate);
            worst = std::max(worst, std::abs(doubled[2 * i + 1] - exact));
        }
        EXPECT_LT(worst, 1e-3) << (loop ? "loop" : "sound");
    }
    // Mono goes to both sides; a sound already at the mixer's rate keeps its samples.
    const std::vector<double> stereo = contentgen::synth::toMixerFormat({0.25, -0.5}, 1, 44100, false);
    EXPECT_EQ(stereo, (std::vector<double>{0.25, 0.25, -0.5, -0.5}));
    EXPECT_TRUE(contentgen::synth::toMixerFormat({0.25}, 1, 32000, false).empty());
}

// ---------------------------------------------------------------------------
// The seven files in the data folder, all in the format the game's mixer
// plays (44100 Hz, 16-bit, stereo), so it plays them as they are.

struct Expected {
    std::string path;
    double minSeconds, maxSeconds;
    bool loops;
};

void PrintTo(const Expected& e, std::ostream* out) { *out << e.path; }

const std::vector<Expected>& expectedSounds()
{
    static const std::vector<Expected> sounds{
        {"sound/hintergrund3.wav", 20.0, 40.0, true},
        {"sound/shriek.wav", 0.2, 0.8, false},
        {"sound/wasser2.wav", 1.5, 2.5, false},
        {"sound/rechen2.wav", 0.1, 0.8, false},
        {"sound/spray.wav", 0.7, 1.4, false},
        {"sound/au.wav", 0.3, 1.2, false},
        {"sound/tot.wav", 2.0, 3.0, false},
    };
    return sounds;
}

std::string dataPath(const std::string& relative) { return generatedDataDir() + "/" + relative; }

ParsedWav loadSound(const std::string& relative) { return parseWav(readFileBytes(dataPath(relative))); }

class SoundFile : public testing::TestWithParam<Expected> {};

TEST_P(SoundFile, IsPcmWavWhoseHeaderSizesMatchTheFile)
{
    const Expected& e = GetParam();
    const auto bytes = readFileBytes(dataPath(e.path));
    const ParsedWav wav = parseWav(bytes);
    ASSERT_TRUE(wav.ok) << e.path << ": " << wav.problem;
    EXPECT_EQ(wav.riffSize, bytes.size() - 8);
    EXPECT_EQ(wav.dataOffset + wav.dataSize, bytes.size());
    EXPECT_EQ(wav.formatTag, 1);
    EXPECT_EQ(wav.bits, 16);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.rate, 44100u);
    EXPECT_EQ(wav.blockAlign, 2 * wav.channels);
    EXPECT_EQ(wav.byteRate, wav.rate * wav.blockAlign);
    EXPECT_EQ(wav.dataSize % wav.blockAlign, 0u);
    const double seconds = static_cast<double>(wav.samples[0].size()) / wav.rate;
    EXPECT_GE(seconds, e.minSeconds);
    EXPECT_LE(seconds, e.maxSeconds);
}

TEST_P(SoundFile, SoxAgreesOnFormatAndDuration)
{
    if (!haveProgram("soxi")) GTEST_SKIP() << "sox is not installed";
    const Expected& e = GetParam();
    const std::string path = dataPath(e.path);
    const ParsedWav wav = parseWav(readFileBytes(path));
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(soxi("-t", path), "wav");
    EXPECT_EQ(soxi("-e", path), "Signed Integer PCM");
    EXPECT_EQ(soxi("-c", path), "2");
    EXPECT_EQ(soxi("-b", path), "16");
    EXPECT_EQ(soxi("-r", path), std::to_string(wav.rate));
    EXPECT_EQ(soxi("-s", path), std::to_string(wav.samples[0].size()));
    const double seconds = std::stod(soxi("-D", path));
    EXPECT_GE(seconds, e.minSeconds);
    EXPECT_LE(seconds, e.maxSeconds);
}

TEST_P(SoundFile, NeitherClipsNorIsSilent)
{
    const Expected& e = GetParam();
    const ParsedWav wav = loadSound(e.path);
    ASSERT_TRUE(wav.ok);
    for (const auto& channel : wav.samples) {
        const double peak = peakOf(channel);
        EXPECT_LT(peak, 0.95) << e.path << " reaches full scale";
        EXPECT_GT(peak, 0.3) << e.path << " is far too quiet";
        EXPECT_GT(rmsOf(channel, 0, channel.size()), 0.02) << e.path << " is nearly silent";
    }
    if (haveProgram("sox")) {
        const auto stat = soxStat(dataPath(e.path));
        ASSERT_TRUE(stat.count("Maximum amplitude")) << "sox could not read " << e.path;
        EXPECT_LT(stat.at("Maximum amplitude"), 0.95);
        EXPECT_LT(std::abs(stat.at("Mean    amplitude")), 0.01) << e.path << " has a DC offset";
        EXPECT_GT(stat.at("RMS     amplitude"), 0.02);
    }
}

// The effects only: the loop has no ends, its seam is checked further down.
class EffectFile : public SoundFile {};

TEST_P(EffectFile, StartsAndEndsAtRestSoItDoesNotClick)
{
    const Expected& e = GetParam();
    const ParsedWav wav = loadSound(e.path);
    ASSERT_TRUE(wav.ok);
    const auto& x = wav.samples[0];
    EXPECT_LT(std::abs(x.front()), 0.01);
    EXPECT_LT(std::abs(x.back()), 0.01);
    // The last few milliseconds are a fade, not a cut.
    const std::size_t tail = wav.rate / 200;
    EXPECT_LT(rmsOf(x, x.size() - tail, x.size()), 0.1 * rmsOf(x, 0, x.size()));
}

std::string nameOf(const testing::TestParamInfo<Expected>& info)
{
    const std::string& p = info.param.path;
    return p.substr(6, p.size() - 10);  // "sound/x.wav" -> "x"
}

std::vector<Expected> effectsOnly()
{
    std::vector<Expected> effects;
    for (const Expected& e : expectedSounds()) {
        if (!e.loops) effects.push_back(e);
    }
    return effects;
}

INSTANTIATE_TEST_SUITE_P(AllSeven, SoundFile, testing::ValuesIn(expectedSounds()), nameOf);
INSTANTIATE_TEST_SUITE_P(SixEffects, EffectFile, testing::ValuesIn(effectsOnly()), nameOf);

// ---------------------------------------------------------------------------
// The music loop.

TEST(MusicLoop, SeamIsNoBiggerThanAnOrdinaryStepBetweenSamples)
{
    const ParsedWav wav = loadSound("sound/hintergrund3.wav");
    ASSERT_TRUE(wav.ok);
    for (const auto& x : wav.samples) {
        const std::size_t n = x.size();
        std::vector<double> steps;
        for (std::size_t i = 1; i < n; ++i) steps.push_back(std::abs(x[i] - x[i - 1]));
        std::sort(steps.begin(), steps.end());
        const double typical = steps[steps.size() * 95 / 100];
        const double seam = std::abs(x.front() - x.back());
        EXPECT_LE(seam, typical) << "seam step " << seam << ", 95th percentile step " << typical;

        // Against the 20 ms on either side of the seam: the step across it is
        // like its neighbours, and so is its bend (the second difference), so
        // no note is cut off where the loop turns round.
        const std::size_t around = wav.rate / 50;
        auto at = [&](std::ptrdiff_t i) { return x[static_cast<std::size_t>((i + static_cast<std::ptrdiff_t>(n)) % n)]; };
        double stepSquares = 0.0, bendSquares = 0.0;
        int count = 0;
        for (std::ptrdiff_t i = -static_cast<std::ptrdiff_t>(around); i < static_cast<std::ptrdiff_t>(around); ++i) {
            if (i == 0 || i == -1) continue;  // the seam itself
            stepSquares += std::pow(at(i) - at(i - 1), 2);
            bendSquares += std::pow(at(i + 1) - 2 * at(i) + at(i - 1), 2);
            ++count;
        }
        const double stepRms = std::sqrt(stepSquares / count);
        const double bendRms = std::sqrt(bendSquares / count);
        EXPECT_LE(seam, 1.5 * stepRms) << "seam step against the steps nearby";
        EXPECT_LE(std::abs(at(0) - 2 * at(-1) + at(-2)), 1.5 * bendRms) << "seam bend against the bends nearby";
    }
}

TEST(MusicLoop, PlaysThroughoutAndUsesBothSides)
{
    const ParsedWav wav = loadSound("sound/hintergrund3.wav");
    ASSERT_TRUE(wav.ok);
    ASSERT_EQ(wav.samples.size(), 2u);
    const auto& left = wav.samples[0];
    const auto& right = wav.samples[1];
    const std::size_t window = wav.rate;  // every second has music in it
    for (std::size_t from = 0; from + window <= left.size(); from += window) {
        EXPECT_GT(rmsOf(left, from, from + window), 0.03) << "quiet second at " << from / wav.rate;
    }
    double difference = 0.0;
    for (std::size_t i = 0; i < left.size(); ++i) difference += std::abs(left[i] - right[i]);
    EXPECT_GT(difference / static_cast<double>(left.size()), 0.005) << "the two sides are the same";
}

TEST(MusicLoop, SitsBelowTheLoudestEffect)
{
    const double music = peakOf(loadSound("sound/hintergrund3.wav").samples[0]);
    double loudest = 0.0;
    for (const Expected& e : expectedSounds()) {
        if (!e.loops) loudest = std::max(loudest, peakOf(loadSound(e.path).samples[0]));
    }
    EXPECT_LT(music, loudest);
}

// ---------------------------------------------------------------------------
// What each effect sounds like, as far as numbers can tell.

TEST(EffectCharacter, ShriekSweepsUp)
{
    const ParsedWav wav = loadSound("sound/shriek.wav");
    ASSERT_TRUE(wav.ok);
    const double early = pitchAt(wav.samples[0], wav.rate, 0.03, 0.04);
    const double late = pitchAt(wav.samples[0], wav.rate, 0.30, 0.04);
    EXPECT_GT(early, 300.0);
    EXPECT_GT(late, 1.5 * early) << early << " Hz to " << late << " Hz";
}

TEST(EffectCharacter, OuchFallsInPitchAndItsVowelCloses)
{
    const ParsedWav wav = loadSound("sound/au.wav");
    ASSERT_TRUE(wav.ok);
    const auto& x = wav.samples[0];
    const double early = pitchAt(x, wav.rate, 0.05, 0.04);
    const double late = pitchAt(x, wav.rate, 0.5, 0.04);
    EXPECT_GT(early, 150.0);
    EXPECT_LT(late, 0.8 * early) << early << " Hz to " << late << " Hz";
    if (!haveProgram("sox")) return;
    // "a" is open, with strength around 1 kHz; "u" has little there.
    const std::string path = dataPath("sound/au.wav");
    auto share = [&](const std::string& trim) {
        const double band = soxStat(path, trim + " sinc 900-1600").at("RMS     amplitude");
        const double all = soxStat(path, trim).at("RMS     amplitude");
        return band / all;
    };
    EXPECT_GT(share("trim 0.03 0.1"), 2.0 * share("trim 0.45 0.1"));
}

TEST(EffectCharacter, LostRoundTuneFalls)
{
    const ParsedWav wav = loadSound("sound/tot.wav");
    ASSERT_TRUE(wav.ok);
    const double first = pitchAt(wav.samples[0], wav.rate, 0.2, 0.05);
    const double last = pitchAt(wav.samples[0], wav.rate, 1.6, 0.05);
    EXPECT_GT(first, 100.0);
    EXPECT_LT(last, first * 0.9) << first << " Hz to " << last << " Hz";
}

TEST(EffectCharacter, SprayIsAHissAboveTwoKilohertz)
{
    if (!haveProgram("sox")) GTEST_SKIP() << "sox is not installed";
    const std::string path = dataPath("sound/spray.wav");
    const double high = soxStat(path, "highpass 2000").at("RMS     amplitude");
    const double all = soxStat(path).at("RMS     amplitude");
    EXPECT_GT(high / all, 0.8);
}

TEST(EffectCharacter, RakeIsAShortKnock)
{
    const ParsedWav wav = loadSound("sound/rechen2.wav");
    ASSERT_TRUE(wav.ok);
    const auto& x = wav.samples[0];
    const std::size_t knock = wav.rate / 20;  // the first 50 ms
    double head = 0.0, total = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        total += x[i] * x[i];
        if (i < knock) head += x[i] * x[i];
    }
    EXPECT_GT(head / total, 0.5);
}

TEST(EffectCharacter, WaterBubblesRatherThanHissingEvenly)
{
    const ParsedWav wav = loadSound("sound/wasser2.wav");
    ASSERT_TRUE(wav.ok);
    const auto& x = wav.samples[0];
    // Level in 10 ms steps over the body of the pour.
    const std::size_t step = wav.rate / 100;
    std::vector<double> levels;
    for (std::size_t from = wav.rate / 5; from + step <= x.size() - wav.rate / 2; from += step) {
        levels.push_back(rmsOf(x, from, from + step));
    }
    double mean = 0.0;
    for (double l : levels) mean += l;
    mean /= static_cast<double>(levels.size());
    double spread = 0.0;
    for (double l : levels) spread += (l - mean) * (l - mean);
    spread = std::sqrt(spread / static_cast<double>(levels.size()));
    EXPECT_GT(spread / mean, 0.15);
}

// ---------------------------------------------------------------------------
// Determinism: generating again, in this process, gives the files the build
// wrote, byte for byte.

TEST(SoundGeneration, GivesTheSameBytesEveryTime)
{
    contentgen::ContentSink first;
    contentgen::addMusicLoop(first);
    contentgen::addSoundEffects(first);
    contentgen::ContentSink second;
    contentgen::addMusicLoop(second);
    contentgen::addSoundEffects(second);
    ASSERT_EQ(first.files().size(), expectedSounds().size());
    ASSERT_EQ(second.files().size(), first.files().size());
    for (std::size_t i = 0; i < first.files().size(); ++i) {
        const auto& file = first.files()[i];
        EXPECT_EQ(file.path, second.files()[i].path);
        EXPECT_TRUE(file.bytes == second.files()[i].bytes) << file.path << " differs between two runs";
        EXPECT_TRUE(file.bytes == readFileBytes(dataPath(file.path)))
            << file.path << " differs from the one in the data folder";
    }
}

TEST(SoundGeneration, WritesExactlyTheSevenFilesTheGameLoads)
{
    contentgen::ContentSink sink;
    contentgen::addMusicLoop(sink);
    contentgen::addSoundEffects(sink);
    std::vector<std::string> made;
    for (const auto& file : sink.files()) made.push_back(file.path);
    std::vector<std::string> wanted;
    for (const auto& e : expectedSounds()) wanted.push_back(e.path);
    std::sort(made.begin(), made.end());
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(made, wanted);
}

}  // namespace
