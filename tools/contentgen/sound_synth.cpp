#include "sound_synth.h"

#include "content.h"
#include "wav_writer.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace contentgen::synth {

namespace {
constexpr std::uint64_t kSeedMix = 0x9E3779B97F4A7C15ULL;
constexpr double kTwoTo53 = 9007199254740992.0;
constexpr double kMidiA4 = 69.0;
constexpr double kHzA4 = 440.0;
}  // namespace

NoiseSource::NoiseSource(std::uint64_t seed) : state_((seed + 1) * kSeedMix)
{
    if (state_ == 0) state_ = kSeedMix;
}

double NoiseSource::uniform()
{
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<double>(state_ >> 11) / kTwoTo53;
}

double NoiseSource::bipolar() { return 2.0 * uniform() - 1.0; }

double NoiseSource::between(double low, double high) { return low + (high - low) * uniform(); }

namespace {
struct Prototype {
    double cosW, alpha;
};

Prototype prototype(double sampleRate, double frequency, double q)
{
    const double w = kTwoPi * frequency / sampleRate;
    return {std::cos(w), std::sin(w) / (2.0 * q)};
}

BiquadCoefficients normalised(double b0, double b1, double b2, double a0, double a1, double a2)
{
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}
}  // namespace

BiquadCoefficients lowPass(double sampleRate, double cutoff, double q)
{
    const auto [c, alpha] = prototype(sampleRate, cutoff, q);
    return normalised((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

BiquadCoefficients highPass(double sampleRate, double cutoff, double q)
{
    const auto [c, alpha] = prototype(sampleRate, cutoff, q);
    return normalised((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

BiquadCoefficients bandPass(double sampleRate, double centre, double q)
{
    const auto [c, alpha] = prototype(sampleRate, centre, q);
    return normalised(alpha, 0.0, -alpha, 1 + alpha, -2 * c, 1 - alpha);
}

double Biquad::process(double x)
{
    const double y = c_.b0 * x + c_.b1 * x1_ + c_.b2 * x2_ - c_.a1 * y1_ - c_.a2 * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return y;
}

OnePole::OnePole(double sampleRate, double cutoff)
    : coefficient_(1.0 - std::exp(-kTwoPi * cutoff / sampleRate))
{
}

double OnePole::process(double x)
{
    y_ += coefficient_ * (x - y_);
    return y_;
}

double midiToHz(double note) { return kHzA4 * std::pow(2.0, (note - kMidiA4) / 12.0); }

double centsToRatio(double cents) { return std::pow(2.0, cents / 1200.0); }

double rampUp(double t, double start, double length)
{
    if (t <= start) return 0.0;
    if (t >= start + length) return 1.0;
    return 0.5 - 0.5 * std::cos(kPi * (t - start) / length);
}

double attackDecay(double t, double attack, double decayTime)
{
    if (t < 0.0) return 0.0;
    if (t < attack) return t / attack;
    return std::exp(-(t - attack) / decayTime);
}

void normalisePeak(std::vector<double>& samples, double peak)
{
    double largest = 0.0;
    for (double s : samples) largest = std::max(largest, std::abs(s));
    if (largest <= 0.0) return;
    const double scale = peak / largest;
    for (double& s : samples) s *= scale;
}

void fadeEdges(std::vector<double>& mono, int fadeInFrames, int fadeOutFrames)
{
    const int count = static_cast<int>(mono.size());
    for (int i = 0; i < std::min(fadeInFrames, count); ++i) mono[i] *= rampUp(i, 0.0, fadeInFrames);
    for (int i = 0; i < std::min(fadeOutFrames, count); ++i) {
        // i = 0 is the last sample, which ends at exactly zero.
        mono[count - 1 - i] *= rampUp(i, 0.0, fadeOutFrames);
    }
}

double decibelsToGain(double decibels) { return std::pow(10.0, decibels / 20.0); }

namespace {

// Half the taps of the interpolating filter, and its Kaiser window's shape.
constexpr int kHalfTaps = 24;
constexpr double kKaiserBeta = 8.0;

double besselI0(double x)
{
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

// Weights of the samples k = -kHalfTaps + 1 .. kHalfTaps round a point half
// way between samples 0 and 1, summing to 1.
std::array<double, 2 * kHalfTaps> midpointWeights()
{
    std::array<double, 2 * kHalfTaps> w{};
    double sum = 0.0;
    for (int i = 0; i < 2 * kHalfTaps; ++i) {
        const double x = (i - kHalfTaps + 1) - 0.5;  // distance from the point
        const double sinc = std::sin(kPi * x) / (kPi * x);
        const double r = x / (kHalfTaps + 0.5);
        w[static_cast<std::size_t>(i)] = sinc * besselI0(kKaiserBeta * std::sqrt(1.0 - r * r)) / besselI0(kKaiserBeta);
        sum += w[static_cast<std::size_t>(i)];
    }
    for (double& v : w) v /= sum;
    return w;
}

}  // namespace

std::vector<double> doubleRate(const std::vector<double>& channel, bool loop)
{
    static const std::array<double, 2 * kHalfTaps> weights = midpointWeights();
    const auto n = static_cast<std::ptrdiff_t>(channel.size());
    std::vector<double> out(2 * channel.size());
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        double between = 0.0;
        for (int t = 0; t < 2 * kHalfTaps; ++t) {
            std::ptrdiff_t k = i + t - kHalfTaps + 1;
            if (loop) k = ((k % n) + n) % n;
            else if (k < 0 || k >= n) continue;
            between += weights[static_cast<std::size_t>(t)] * channel[static_cast<std::size_t>(k)];
        }
        out[static_cast<std::size_t>(2 * i)] = channel[static_cast<std::size_t>(i)];
        out[static_cast<std::size_t>(2 * i + 1)] = between;
    }
    return out;
}

std::vector<double> toMixerFormat(const std::vector<double>& interleaved, int channels, int sampleRate, bool loop)
{
    if (channels < 1 || (sampleRate != kMixerRate && sampleRate * 2 != kMixerRate)) return {};
    const auto count = static_cast<std::size_t>(channels);
    const std::size_t frames = interleaved.size() / count;
    std::vector<std::vector<double>> sides(count, std::vector<double>(frames));
    for (std::size_t f = 0; f < frames; ++f) {
        for (std::size_t c = 0; c < count; ++c) sides[c][f] = interleaved[f * count + c];
    }
    if (sampleRate != kMixerRate) {
        for (auto& side : sides) side = doubleRate(side, loop);
    }
    // Mono plays on both sides; of more than two, the first two are kept.
    const std::size_t outFrames = sides.front().size();
    std::vector<double> out(outFrames * kMixerChannels);
    for (std::size_t f = 0; f < outFrames; ++f) {
        out[f * kMixerChannels] = sides[0][f];
        out[f * kMixerChannels + 1] = sides[std::min<std::size_t>(1, count - 1)][f];
    }
    return out;
}

void addMonoWav(ContentSink& sink, const std::string& path, const std::vector<double>& mono, int sampleRate)
{
    sink.add(path, encodeWav(toMixerFormat(mono, 1, sampleRate, false), WavFormat{kMixerRate, kMixerChannels}));
}

}  // namespace contentgen::synth
