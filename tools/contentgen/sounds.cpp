// The six effects. Each is built from a few synthesis pieces, faded in and
// out so it starts and stops without a click, and brought to a peak a few
// decibels below full scale.
#include "sounds.h"

#include "sound_synth.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace contentgen {

namespace {

using namespace synth;

constexpr int kEffectRate = 22050;
constexpr int kBrightEffectRate = 44100;  // the hiss needs its top octave
constexpr double kEffectPeakDb = -3.0;
// A steady tone is far louder than a noise or a knock of the same peak, so
// the squeak is brought down to sit with the others.
constexpr double kToneTrimDb = -3.0;
constexpr double kNyquistMargin = 0.45;  // partials stay below this fraction of the rate
constexpr double kTaperFraction = 0.08;  // and fade out smoothly as they come near it

// Weight of a partial at frequency hz: 1 well below the top, easing to 0 at
// it, so a partial never switches on or off abruptly while the pitch moves.
double bandLimit(double hz, double top, int rate)
{
    top = std::min(top, kNyquistMargin * rate);
    const double taper = kTaperFraction * rate;
    return 1.0 - rampUp(hz, top - taper, taper);
}

int framesFor(double seconds, int rate) { return static_cast<int>(std::lround(seconds * rate)); }

int millisecondsToFrames(double ms, int rate) { return framesFor(ms / 1000.0, rate); }

void finish(std::vector<double>& mono, int rate, double fadeInMs, double fadeOutMs, double trimDb = 0.0)
{
    fadeEdges(mono, millisecondsToFrames(fadeInMs, rate), millisecondsToFrames(fadeOutMs, rate));
    normalisePeak(mono, decibelsToGain(kEffectPeakDb + trimDb));
}

// ---------------------------------------------------------------------------
// A struck mole: a squeak whose pitch climbs, with a fast flutter that makes
// it sound like a small animal rather than a whistle.
std::vector<double> makeShriek()
{
    constexpr double kSeconds = 0.42;
    constexpr double kStartHz = 620.0;
    constexpr double kEndHz = 1850.0;
    constexpr double kSweepCurve = 0.65;  // below 1: climbs fast, then eases
    constexpr double kFlutterHz = 27.0;
    constexpr double kFlutterDepth = 0.035;
    constexpr std::array<double, 6> kPartials{1.0, 0.55, 0.32, 0.2, 0.12, 0.07};

    const int frames = framesFor(kSeconds, kEffectRate);
    std::vector<double> out(frames);
    double phase = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kEffectRate;
        const double progress = std::pow(t / kSeconds, kSweepCurve);
        const double flutter = 1.0 + kFlutterDepth * std::sin(kTwoPi * kFlutterHz * t);
        const double hz = kStartHz * std::pow(kEndHz / kStartHz, progress) * flutter;
        phase += kTwoPi * hz / kEffectRate;
        // Brighter as it climbs: the upper partials swell in.
        const double brightness = 0.4 + 0.6 * progress;
        double value = 0.0;
        for (std::size_t k = 0; k < kPartials.size(); ++k) {
            const double harmonic = static_cast<double>(k + 1);
            const double weight = bandLimit(hz * harmonic, kEffectRate, kEffectRate);
            if (weight <= 0.0) break;
            value += weight * kPartials[k] * std::pow(brightness, static_cast<double>(k)) * std::sin(harmonic * phase);
        }
        const double swell = 0.75 + 0.25 * std::sin(kPi * t / kSeconds);
        out[i] = value * swell;
    }
    finish(out, kEffectRate, 8.0, 90.0, kToneTrimDb);
    return out;
}

// ---------------------------------------------------------------------------
// Water from a can: a rushing band of noise with a slow gurgle in its level,
// and bubbles, each a short sine that rises as it dies away.
std::vector<double> makeWater()
{
    constexpr double kSeconds = 2.0;
    constexpr std::uint64_t kSeed = 2;
    constexpr double kBubblesPerSecond = 38.0;
    constexpr double kGurgleHz = 9.0;
    constexpr double kStreamLevel = 0.55;
    constexpr double kBubbleLevel = 0.5;

    const int frames = framesFor(kSeconds, kEffectRate);
    NoiseSource noise(kSeed);

    // The stream: noise through a band pass and a gentle low pass, its level
    // wandering with smoothed noise.
    std::vector<double> out(frames);
    Biquad band(bandPass(kEffectRate, 1100.0, 0.6));
    Biquad soften(lowPass(kEffectRate, 3800.0, 0.7));
    OnePole gurgle(kEffectRate, kGurgleHz);
    OnePole gurgleSlow(kEffectRate, kGurgleHz);
    for (int i = 0; i < frames; ++i) {
        const double wobble = gurgleSlow.process(gurgle.process(noise.bipolar() * 6.0));
        const double level = std::clamp(0.65 + wobble, 0.25, 1.2);
        out[i] = kStreamLevel * level * soften.process(band.process(noise.bipolar()));
    }

    // The bubbles, at random moments.
    double when = 0.0;
    while (true) {
        when += -std::log(1.0 - noise.uniform()) / kBubblesPerSecond;
        if (when > kSeconds - 0.12) break;
        const double startHz = noise.between(380.0, 1500.0);
        const double life = noise.between(0.025, 0.065);
        const double amplitude = kBubbleLevel * noise.between(0.35, 1.0);
        const int first = framesFor(when, kEffectRate);
        const int length = framesFor(life * 2.5, kEffectRate);
        double phase = 0.0;
        for (int j = 0; j < length && first + j < frames; ++j) {
            const double t = static_cast<double>(j) / kEffectRate;
            const double hz = startHz * (1.0 + 1.8 * t / life);
            phase += kTwoPi * hz / kEffectRate;
            out[first + j] += amplitude * attackDecay(t, 0.002, life / 2.5) * std::sin(phase);
        }
    }

    // The pour swells in and trails off.
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kEffectRate;
        out[i] *= 0.8 + 0.2 * std::sin(kPi * t / kSeconds);
    }
    finish(out, kEffectRate, 70.0, 380.0);
    return out;
}

// ---------------------------------------------------------------------------
// The rake's handle: a knock of wood, a few quickly dying resonances started
// by a short click, then a smaller bounce and a rattle.
struct Mode {
    double hz, amplitude, decaySeconds;
};

void addKnock(std::vector<double>& out, double when, double strength, double tune, NoiseSource& noise)
{
    constexpr std::array<Mode, 5> kWoodModes{{
        {385.0, 1.0, 0.065},
        {905.0, 0.6, 0.05},
        {1730.0, 0.42, 0.03},
        {2660.0, 0.28, 0.018},
        {3930.0, 0.18, 0.011},
    }};
    constexpr double kClickSeconds = 0.004;
    constexpr double kRingSeconds = 0.3;
    constexpr double kTailFadeSeconds = 0.08;

    const int first = framesFor(when, kEffectRate);
    const int frames = static_cast<int>(out.size());
    Biquad clickTone(lowPass(kEffectRate, 5000.0, 0.7));
    for (int j = 0; first + j < frames && j < framesFor(kRingSeconds, kEffectRate); ++j) {
        const double t = static_cast<double>(j) / kEffectRate;
        double value = 0.0;
        for (const Mode& mode : kWoodModes) {
            value += mode.amplitude * std::exp(-t / mode.decaySeconds) * std::sin(kTwoPi * mode.hz * tune * t);
        }
        const double click = t < kClickSeconds ? noise.bipolar() * std::exp(-t / 0.0012) : 0.0;
        const double tail = 1.0 - rampUp(t, kRingSeconds - kTailFadeSeconds, kTailFadeSeconds);
        out[first + j] += strength * tail * (value + 1.5 * clickTone.process(click));
    }
}

std::vector<double> makeRakeClack()
{
    constexpr double kSeconds = 0.42;
    constexpr std::uint64_t kSeed = 3;
    NoiseSource noise(kSeed);
    std::vector<double> out(framesFor(kSeconds, kEffectRate));
    addKnock(out, 0.0, 1.0, 1.0, noise);
    addKnock(out, 0.105, 0.34, 1.06, noise);
    addKnock(out, 0.168, 0.12, 1.1, noise);
    finish(out, kEffectRate, 0.5, 40.0);
    return out;
}

// ---------------------------------------------------------------------------
// A spray can: high-passed noise with a quick onset, a slight flutter at the
// nozzle and a slow fall in pressure.
std::vector<double> makeSpray()
{
    constexpr double kSeconds = 1.0;
    constexpr std::uint64_t kSeed = 4;
    constexpr double kCutoffHz = 2800.0;
    constexpr double kFlutterHz = 22.0;

    const int frames = framesFor(kSeconds, kBrightEffectRate);
    NoiseSource noise(kSeed);
    Biquad highA(highPass(kBrightEffectRate, kCutoffHz, 0.707));
    Biquad highB(highPass(kBrightEffectRate, kCutoffHz, 0.707));
    Biquad air(lowPass(kBrightEffectRate, 10000.0, 0.707));
    OnePole flutter(kBrightEffectRate, kFlutterHz);
    std::vector<double> out(frames);
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kBrightEffectRate;
        const double hiss = air.process(highB.process(highA.process(noise.bipolar())));
        const double nozzle = 1.0 + 0.5 * flutter.process(noise.bipolar());
        const double pressure = rampUp(t, 0.0, 0.03) * (0.55 + 0.45 * std::exp(-t / 0.25));
        out[i] = hiss * nozzle * pressure;
    }
    finish(out, kBrightEffectRate, 3.0, 260.0);
    return out;
}

// ---------------------------------------------------------------------------
// The gardener's "au!": a voice built harmonic by harmonic. Each harmonic of
// the falling pitch is weighted by the vocal tract's resonances, which glide
// from an open "a" to a rounded "u".
struct Formant {
    double hz, bandwidth;
};

constexpr std::array<Formant, 4> kVowelA{{{760.0, 90.0}, {1220.0, 110.0}, {2600.0, 160.0}, {3400.0, 220.0}}};
constexpr std::array<Formant, 4> kVowelU{{{340.0, 70.0}, {760.0, 90.0}, {2400.0, 160.0}, {3400.0, 220.0}}};

// Magnitude of a chain of two-pole resonances at frequency f, 1 at 0 Hz.
double tractGain(const std::array<Formant, 4>& formants, double f)
{
    double gain = 1.0;
    for (const Formant& formant : formants) {
        const double f2 = formant.hz * formant.hz;
        gain *= f2 / std::sqrt((f2 - f * f) * (f2 - f * f) + formant.bandwidth * formant.bandwidth * f * f);
    }
    return gain;
}

std::vector<double> makeOuch()
{
    constexpr double kSeconds = 0.7;
    constexpr std::uint64_t kSeed = 5;
    constexpr double kGlideStart = 0.16;
    constexpr double kGlideLength = 0.22;
    constexpr double kSourceTilt = 1.1;  // harmonic k of the voice has strength 1 / k^tilt
    constexpr double kVoiceTopHz = 5000.0;

    const int frames = framesFor(kSeconds, kEffectRate);
    NoiseSource noise(kSeed);
    OnePole jitter(kEffectRate, 30.0);
    Biquad breath(bandPass(kEffectRate, 1400.0, 1.2));
    std::vector<double> out(frames);
    double phase = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kEffectRate;
        // Pitch: a short lift at the start of the cry, then a long fall.
        const double lift = 1.0 + 0.06 * std::sin(kPi * std::min(t / 0.1, 1.0));
        const double fall = std::pow(175.0 / 320.0, std::min(t / (kSeconds - 0.1), 1.0));
        const double vibrato = 1.0 + 0.012 * rampUp(t, 0.3, 0.15) * std::sin(kTwoPi * 5.5 * t);
        const double hz = 320.0 * lift * fall * vibrato * (1.0 + 0.004 * jitter.process(noise.bipolar() * 8.0));
        phase = std::fmod(phase + kTwoPi * hz / kEffectRate, kTwoPi);

        // The mouth closes from "a" to "u"; every harmonic is weighted by the
        // resonances of the moment.
        const double mix = rampUp(t, kGlideStart, kGlideLength);
        std::array<Formant, 4> tract{};
        for (std::size_t f = 0; f < tract.size(); ++f) {
            tract[f].hz = kVowelA[f].hz + mix * (kVowelU[f].hz - kVowelA[f].hz);
            tract[f].bandwidth = kVowelA[f].bandwidth + mix * (kVowelU[f].bandwidth - kVowelA[f].bandwidth);
        }
        double voiced = 0.0;
        for (int k = 1;; ++k) {
            const double weight = bandLimit(hz * k, kVoiceTopHz, kEffectRate);
            if (weight <= 0.0) break;
            voiced += weight * tractGain(tract, hz * k) / std::pow(k, kSourceTilt) * std::sin(k * phase);
        }
        const double loudness = attackDecay(t, 0.03, 0.55);
        const double breathiness = 0.25 * std::exp(-t / 0.08);
        out[i] = loudness * (voiced + breathiness * 2.5 * breath.process(noise.bipolar()));
    }
    finish(out, kEffectRate, 10.0, 160.0);
    return out;
}

// ---------------------------------------------------------------------------
// The lost round: four falling semitones on a muted brass voice, the last
// one long, wavering and sinking.
struct SadNote {
    double startSeconds, lengthSeconds, midi;
};

std::vector<double> makeSadTune()
{
    constexpr double kSeconds = 2.9;
    constexpr std::array<SadNote, 4> kNotes{{
        {0.03, 0.44, 62.0},
        {0.48, 0.44, 61.0},
        {0.93, 0.44, 60.0},
        {1.38, 1.38, 59.0},
    }};
    constexpr double kAttack = 0.035;
    constexpr double kRelease = 0.07;
    constexpr double kBrassTopHz = 6000.0;

    const int frames = framesFor(kSeconds, kEffectRate);
    std::vector<double> out(frames);
    for (std::size_t n = 0; n < kNotes.size(); ++n) {
        const SadNote& note = kNotes[n];
        const bool last = n + 1 == kNotes.size();
        const int first = framesFor(note.startSeconds, kEffectRate);
        const int length = framesFor(note.lengthSeconds + kRelease, kEffectRate);
        const double baseHz = midiToHz(note.midi);
        double phase = 0.0;
        for (int j = 0; j < length && first + j < frames; ++j) {
            const double t = static_cast<double>(j) / kEffectRate;
            // Each note is scooped up from a little flat, like a slide.
            double cents = -35.0 * (1.0 - rampUp(t, 0.0, 0.06));
            if (last) {
                cents += 40.0 * rampUp(t, 0.25, 0.4) * std::sin(kTwoPi * 5.0 * t);
                cents -= 60.0 * rampUp(t, 0.7, 0.6);
            }
            const double hz = baseHz * centsToRatio(cents);
            phase = std::fmod(phase + kTwoPi * hz / kEffectRate, kTwoPi);
            // The mute opens at the start of each note and closes again: "wah".
            const double open = std::sin(kPi * std::min(t / 0.35, 1.0));
            const double brightness = 1.3 + 2.7 * open;
            double value = 0.0;
            for (int k = 1; bandLimit(hz * k, kBrassTopHz, kEffectRate) > 0.0; ++k) {
                value += bandLimit(hz * k, kBrassTopHz, kEffectRate) * std::exp(-(k - 1) / brightness) *
                         std::sin(k * phase);
            }
            const double attack = rampUp(t, 0.0, kAttack);
            const double release = 1.0 - rampUp(t, note.lengthSeconds, kRelease);
            const double sag = last ? 1.0 - 0.35 * rampUp(t, 0.4, 0.9) : 1.0;
            out[first + j] += 0.3 * value * attack * release * sag;
        }
    }
    finish(out, kEffectRate, 5.0, 120.0);
    return out;
}

const GeneratorRegistration registration{60, "sounds", [](ContentSink& sink) {
                                             addMusicLoop(sink);
                                             addSoundEffects(sink);
                                         }};

}  // namespace

void addSoundEffects(ContentSink& sink)
{
    addMonoWav(sink, "sound/shriek.wav", makeShriek(), kEffectRate);
    addMonoWav(sink, "sound/wasser2.wav", makeWater(), kEffectRate);
    addMonoWav(sink, "sound/rechen2.wav", makeRakeClack(), kEffectRate);
    addMonoWav(sink, "sound/spray.wav", makeSpray(), kBrightEffectRate);
    addMonoWav(sink, "sound/au.wav", makeOuch(), kEffectRate);
    addMonoWav(sink, "sound/tot.wav", makeSadTune(), kEffectRate);
}

}  // namespace contentgen
