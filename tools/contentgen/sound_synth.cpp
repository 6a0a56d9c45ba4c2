#include "sound_synth.h"

#include "content.h"
#include "wav_writer.h"

#include <algorithm>
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

void addMonoWav(ContentSink& sink, const std::string& path, const std::vector<double>& mono, int sampleRate)
{
    sink.add(path, encodeWav(mono, WavFormat{sampleRate, 1}));
}

}  // namespace contentgen::synth
