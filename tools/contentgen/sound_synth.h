#pragma once
// Building blocks for the synthesised sounds: a seeded noise source, two-pole
// filters, envelopes and level helpers. Plain double arithmetic throughout,
// so one build writes the same samples on every run.
#include <cstdint>
#include <string>
#include <vector>

namespace contentgen {
class ContentSink;
}

namespace contentgen::synth {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTwoPi = 2.0 * kPi;

// A small xorshift generator; every sound seeds its own.
class NoiseSource {
public:
    explicit NoiseSource(std::uint64_t seed);
    double uniform();                       // [0, 1)
    double bipolar();                       // [-1, 1)
    double between(double low, double high);  // [low, high)

private:
    std::uint64_t state_;
};

struct BiquadCoefficients {
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
};

// The usual second-order sections (unit gain in the pass band, and at the
// centre for the band pass).
BiquadCoefficients lowPass(double sampleRate, double cutoff, double q);
BiquadCoefficients highPass(double sampleRate, double cutoff, double q);
BiquadCoefficients bandPass(double sampleRate, double centre, double q);

class Biquad {
public:
    Biquad() = default;
    explicit Biquad(const BiquadCoefficients& coefficients) : c_(coefficients) {}
    // Retunes without losing the filter's memory, for sweeps.
    void setCoefficients(const BiquadCoefficients& coefficients) { c_ = coefficients; }
    double process(double x);

private:
    BiquadCoefficients c_;
    double x1_ = 0.0, x2_ = 0.0, y1_ = 0.0, y2_ = 0.0;
};

// A one-pole smoother, for slow random wobbles.
class OnePole {
public:
    OnePole(double sampleRate, double cutoff);
    double process(double x);

private:
    double coefficient_;
    double y_ = 0.0;
};

double midiToHz(double note);
double centsToRatio(double cents);

// 0 to 1 over [start, start + length] along half a cosine; 0 before, 1 after.
double rampUp(double t, double start, double length);
// Linear attack to 1, then exponential decay with the given time constant.
double attackDecay(double t, double attack, double decayTime);

// Scales so that the largest magnitude is peak (nothing happens to silence).
void normalisePeak(std::vector<double>& samples, double peak);
// Half-cosine fades at both ends of a mono buffer, the last sample exactly 0.
void fadeEdges(std::vector<double>& mono, int fadeInFrames, int fadeOutFrames);
double decibelsToGain(double decibels);

// The format the game's mixer plays (44100 Hz, 16-bit, stereo). Every sound
// file is written in it, so the game loads the samples as they are, with no
// conversion: a sound made at half the rate has its rate doubled here.
inline constexpr int kMixerRate = 44100;
inline constexpr int kMixerChannels = 2;

// One channel at twice its rate: the samples kept, a band-limited
// (windowed-sinc) value put between each two. A loop is taken as endless, so
// its end flows into its start as before; anything else is silent beyond its ends.
std::vector<double> doubleRate(const std::vector<double>& channel, bool loop);

// Interleaved channels at rate, brought to the mixer's format.
std::vector<double> toMixerFormat(const std::vector<double>& interleaved, int channels, int sampleRate, bool loop);

// Encodes an effect made in mono at sampleRate in the mixer's format and adds
// it to the sink under path.
void addMonoWav(ContentSink& sink, const std::string& path, const std::vector<double>& mono, int sampleRate);

}  // namespace contentgen::synth
