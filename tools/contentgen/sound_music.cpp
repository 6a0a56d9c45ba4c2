// The background loop: sixteen bars in C major at about 110 beats a minute,
// a plucked bass, soft electric-piano chords, a flute-like tune with a
// glockenspiel joining in the second half, a quiet kick and a shaker.
//
// Every note is written into a circular buffer one loop long, so whatever
// rings past the end lands at the start, and the reverb is run round the
// loop twice so its tail wraps the same way: the last sample flows straight
// into the first.
#include "sounds.h"

#include "sound_synth.h"
#include "wav_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace contentgen {

namespace {

using namespace synth;

constexpr int kMusicRate = 22050;
constexpr int kChannels = 2;
constexpr int kFramesPerBeat = 12000;  // 110.25 beats a minute
constexpr int kBeatsPerBar = 4;
constexpr int kBars = 16;
constexpr int kLoopFrames = kFramesPerBeat * kBeatsPerBar * kBars;
constexpr double kSecondsPerBeat = static_cast<double>(kFramesPerBeat) / kMusicRate;
constexpr double kMusicPeakDb = -4.5;  // a little under the effects
constexpr std::uint64_t kMusicSeed = 1;

enum class Voice { Bass, Keys, Flute, Glock, Kick, Shaker };

struct NoteEvent {
    double beat;    // from the start of the loop
    double length;  // in beats
    double midi;
    double velocity;
    Voice voice;
};

// ---------------------------------------------------------------------------
// The score.

enum Chord { ChordC, ChordDm, ChordEm, ChordF, ChordG, ChordAm, ChordG7 };

struct ChordShape {
    int bassRoot;                 // midi note of the bass's root
    std::array<int, 4> voicing;  // keys; 0 marks an unused slot
};

constexpr std::array<ChordShape, 7> kChordShapes{{
    {48, {60, 64, 67, 0}},   // C
    {50, {57, 62, 65, 0}},   // Dm
    {52, {55, 59, 64, 0}},   // Em
    {53, {57, 60, 65, 0}},   // F
    {43, {55, 59, 62, 0}},   // G
    {45, {57, 60, 64, 0}},   // Am
    {43, {55, 59, 62, 65}},  // G7
}};

constexpr std::array<Chord, kBars> kProgression{
    ChordC, ChordAm, ChordF, ChordG, ChordC, ChordAm, ChordDm, ChordG,   // first half
    ChordF, ChordG, ChordEm, ChordAm, ChordF, ChordC, ChordDm, ChordG7,  // second half, back to C
};

struct TuneNote {
    int bar;       // 0-based
    double beat;   // within the bar
    double length;
    int midi;
};

constexpr int C4 = 60, D4 = 62, E4 = 64, F4 = 65, G4 = 67, A4 = 69, B4 = 71;
constexpr int C5 = 72, D5 = 74, E5 = 76, F5 = 77, G5 = 79, A5 = 81, B5 = 83, C6 = 84;

constexpr TuneNote kTune[] = {
    // First half: a question and its answer.
    {0, 0, 1, G4}, {0, 1, 1, C5}, {0, 2, 1.5, E5}, {0, 3.5, 0.5, D5},
    {1, 0, 1, C5}, {1, 1, 1, A4}, {1, 2, 2, E5},
    {2, 0, 1.5, F5}, {2, 1.5, 0.5, E5}, {2, 2, 1, D5}, {2, 3, 1, C5},
    {3, 0, 2, D5}, {3, 2, 1, B4}, {3, 3, 1, G4},
    {4, 0, 1, G4}, {4, 1, 1, C5}, {4, 2, 1, E5}, {4, 3, 1, G5},
    {5, 0, 1.5, A5}, {5, 1.5, 0.5, G5}, {5, 2, 2, E5},
    {6, 0, 1, F5}, {6, 1, 1, E5}, {6, 2, 1, D5}, {6, 3, 1, A4},
    {7, 0, 1, D5}, {7, 1, 1, B4}, {7, 2, 2, G4},
    // Second half: higher, livelier, leading home.
    {8, 0, 1, A5}, {8, 1, 0.5, G5}, {8, 1.5, 0.5, F5}, {8, 2, 2, A5},
    {9, 0, 1, G5}, {9, 1, 0.5, F5}, {9, 1.5, 0.5, E5}, {9, 2, 2, D5},
    {10, 0, 1, E5}, {10, 1, 1, G5}, {10, 2, 1.5, B5}, {10, 3.5, 0.5, A5},
    {11, 0, 1, A5}, {11, 1, 1, E5}, {11, 2, 2, C5},
    {12, 0, 0.5, F5}, {12, 0.5, 0.5, G5}, {12, 1, 1, A5}, {12, 2, 1.5, C6}, {12, 3.5, 0.5, A5},
    {13, 0, 1, G5}, {13, 1, 1, E5}, {13, 2, 1, C5}, {13, 3, 1, E5},
    {14, 0, 1, D5}, {14, 1, 1, F5}, {14, 2, 1, A5}, {14, 3, 1, F5},
    {15, 0, 1, E5}, {15, 1, 1, D5}, {15, 2, 1, B4}, {15, 3, 1, D5},
};

constexpr int kSecondHalfBar = 8;
constexpr int kBassTop = 55;  // G3: the bass stays below the chords

// The C major scale note just below a note of the scale: a semitone below C
// and F, a whole tone below the rest.
int scaleStepBelow(int midi)
{
    const int pitchClass = midi % 12;
    return pitchClass == 0 || pitchClass == 5 ? midi - 1 : midi - 2;
}

std::vector<NoteEvent> writeScore()
{
    std::vector<NoteEvent> score;
    for (int bar = 0; bar < kBars; ++bar) {
        const double barBeat = bar * kBeatsPerBar;
        const ChordShape& shape = kChordShapes[kProgression[bar]];
        const bool secondHalf = bar >= kSecondHalfBar;

        // Bass: root, a pushed root, the fifth, and a step from below into the
        // next bar's root (the last bar leads back into the first).
        const int root = shape.bassRoot;
        const int fifth = root + 7 > kBassTop ? root - 5 : root + 7;
        const int nextRoot = kChordShapes[kProgression[(bar + 1) % kBars]].bassRoot;
        score.push_back({barBeat + 0.0, 1.4, double(root), 1.0, Voice::Bass});
        score.push_back({barBeat + 1.5, 0.45, double(root), 0.7, Voice::Bass});
        score.push_back({barBeat + 2.0, 1.4, double(fifth), 0.9, Voice::Bass});
        score.push_back({barBeat + 3.5, 0.45, double(scaleStepBelow(nextRoot)), 0.6, Voice::Bass});

        // Keys: off-beat chords; in the second half a soft held chord on the one as well.
        for (int note : shape.voicing) {
            if (note == 0) continue;
            score.push_back({barBeat + 1.0, 0.55, double(note), 0.8, Voice::Keys});
            score.push_back({barBeat + 3.0, 0.55, double(note), 0.75, Voice::Keys});
            if (secondHalf) score.push_back({barBeat + 0.0, 0.9, double(note), 0.45, Voice::Keys});
        }

        // Drums.
        score.push_back({barBeat + 0.0, 0.5, 0.0, 1.0, Voice::Kick});
        score.push_back({barBeat + 2.0, 0.5, 0.0, 0.85, Voice::Kick});
        if (secondHalf && bar % 2 == 1) score.push_back({barBeat + 2.5, 0.5, 0.0, 0.5, Voice::Kick});
        for (int eighth = 0; eighth < 2 * kBeatsPerBar; ++eighth) {
            const double accent = eighth % 2 == 1 ? 1.0 : 0.55;
            score.push_back({barBeat + 0.5 * eighth, 0.25, 0.0, accent, Voice::Shaker});
        }
    }
    for (const TuneNote& note : kTune) {
        const double beat = note.bar * kBeatsPerBar + note.beat;
        // Slightly detached, like breathing between notes.
        score.push_back({beat, note.length * 0.9, double(note.midi), 1.0, Voice::Flute});
        if (note.bar >= kSecondHalfBar + 4) {
            score.push_back({beat, note.length, double(note.midi + 12), 0.8, Voice::Glock});
        }
    }
    return score;
}

// ---------------------------------------------------------------------------
// The instruments. Each takes the time since the note began and the note's
// held length, both in seconds, and gives one sample; the release after the
// held length is part of the voice.

struct VoiceSetup {
    double level;
    double pan;             // -1 left .. 1 right
    double releaseSeconds;  // how long the note sounds after its held length
};

VoiceSetup setupOf(Voice voice)
{
    switch (voice) {
    case Voice::Bass: return {0.55, 0.0, 0.06};
    case Voice::Keys: return {0.16, -0.3, 0.35};
    case Voice::Flute: return {0.36, 0.15, 0.12};
    case Voice::Glock: return {0.08, 0.4, 1.2};
    case Voice::Kick: return {0.42, 0.0, 0.0};
    case Voice::Shaker: return {0.09, 0.35, 0.0};
    }
    return {0.0, 0.0, 0.0};
}

constexpr double kGlockTopRatio = 5.4;
constexpr double kPartialLimit = 0.45;  // of the sample rate

// Gate: 1 while held, falling along half a cosine over the release.
double gate(double t, double held, double release)
{
    if (t < held) return 1.0;
    if (release <= 0.0) return 0.0;
    return 1.0 - rampUp(t, held, release);
}

class Instruments {
public:
    Instruments() : noise_(kMusicSeed) {}

    // Renders one note into out (mono, starting at the note's onset).
    void render(const NoteEvent& note, std::vector<double>& out)
    {
        const VoiceSetup setup = setupOf(note.voice);
        const double held = note.length * kSecondsPerBeat;
        const double hz = midiToHz(note.midi);
        const int frames = static_cast<int>(out.size());
        Biquad shakerTone(highPass(kMusicRate, 6500.0, 0.8));
        double phase = 0.0;
        for (int i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / kMusicRate;
            double value = 0.0;
            switch (note.voice) {
            case Voice::Bass: {
                // A round pluck: the overtones die faster than the fundamental.
                phase += kTwoPi * hz / kMusicRate;
                const double body = attackDecay(t, 0.006, 0.6);
                value = body * (std::sin(phase) + 0.3 * std::exp(-t / 0.12) * std::sin(2 * phase) +
                                0.12 * std::exp(-t / 0.06) * std::sin(3 * phase));
                value *= gate(t, held, setup.releaseSeconds);
                break;
            }
            case Voice::Keys: {
                // Two-operator FM at 1:1, the modulation fading quickly: a soft electric piano.
                phase += kTwoPi * hz / kMusicRate;
                const double index = 0.25 + 1.1 * std::exp(-t / 0.12);
                value = attackDecay(t, 0.004, 0.8) * std::sin(phase + index * std::sin(phase));
                value *= gate(t, held, setup.releaseSeconds);
                break;
            }
            case Voice::Flute: {
                // Nearly pure, a breath of second and third harmonic and a
                // vibrato that arrives once the note has settled.
                const double vibrato = 1.0 + 0.004 * rampUp(t, 0.15, 0.2) * std::sin(kTwoPi * 5.3 * t);
                phase += kTwoPi * hz * vibrato / kMusicRate;
                const double swell = rampUp(t, 0.0, 0.025) * (0.8 + 0.2 * std::exp(-t / 0.1));
                value = swell * (std::sin(phase) + 0.22 * std::sin(2 * phase) + 0.07 * std::sin(3 * phase));
                value *= gate(t, held, setup.releaseSeconds);
                break;
            }
            case Voice::Glock: {
                // A struck bar: inharmonic partials that ring and fade (the
                // highest one left out where it would pass half the rate).
                phase += kTwoPi * hz / kMusicRate;
                const double topPartial = hz * kGlockTopRatio < kPartialLimit * kMusicRate ? 0.12 : 0.0;
                value = rampUp(t, 0.0, 0.002) * (std::exp(-t / 0.5) * std::sin(phase) +
                                                 0.3 * std::exp(-t / 0.15) * std::sin(2.76 * phase) +
                                                 topPartial * std::exp(-t / 0.06) * std::sin(kGlockTopRatio * phase));
                value *= gate(t, held + setup.releaseSeconds - 0.05, 0.05);
                break;
            }
            case Voice::Kick: {
                // A soft thump: a sine falling from 140 to 50 Hz.
                const double kickHz = 50.0 + 90.0 * std::exp(-t / 0.03);
                phase += kTwoPi * kickHz / kMusicRate;
                value = rampUp(t, 0.0, 0.001) * std::exp(-t / 0.11) * std::sin(phase);
                value *= 1.0 - rampUp(t, held - 0.04, 0.04);
                break;
            }
            case Voice::Shaker: {
                const double grains = shakerTone.process(noise_.bipolar());
                value = attackDecay(t, 0.003, 0.028) * grains;
                value *= 1.0 - rampUp(t, held - 0.02, 0.02);
                break;
            }
            }
            out[i] = setup.level * note.velocity * value;
        }
    }

    static int framesOf(const NoteEvent& note)
    {
        const double seconds = note.length * kSecondsPerBeat + setupOf(note.voice).releaseSeconds;
        return static_cast<int>(std::ceil(seconds * kMusicRate));
    }

private:
    NoiseSource noise_;
};

// ---------------------------------------------------------------------------
// The room: a small Schroeder reverb (damped combs, then all-passes), one per
// side with slightly different lengths so the two sides differ.

class CombFilter {
public:
    CombFilter(int length, double feedback, double damping)
        : buffer_(length, 0.0), feedback_(feedback), damping_(damping)
    {
    }
    double process(double x)
    {
        const double y = buffer_[index_];
        stored_ = y * (1.0 - damping_) + stored_ * damping_;
        buffer_[index_] = x + stored_ * feedback_;
        if (++index_ == buffer_.size()) index_ = 0;
        return y;
    }

private:
    std::vector<double> buffer_;
    std::size_t index_ = 0;
    double feedback_, damping_;
    double stored_ = 0.0;
};

class AllPassFilter {
public:
    AllPassFilter(int length, double feedback) : buffer_(length, 0.0), feedback_(feedback) {}
    double process(double x)
    {
        const double delayed = buffer_[index_];
        buffer_[index_] = x + delayed * feedback_;
        if (++index_ == buffer_.size()) index_ = 0;
        return delayed - x;
    }

private:
    std::vector<double> buffer_;
    std::size_t index_ = 0;
    double feedback_;
};

class Room {
public:
    explicit Room(int spread)
    {
        constexpr std::array<int, 4> kCombLengths{558, 594, 638, 678};
        constexpr std::array<int, 2> kAllPassLengths{278, 220};
        constexpr double kCombFeedback = 0.8;
        constexpr double kDamping = 0.35;
        constexpr double kAllPassFeedback = 0.5;
        for (int length : kCombLengths) combs_.emplace_back(length + spread, kCombFeedback, kDamping);
        for (int length : kAllPassLengths) allPasses_.emplace_back(length + spread / 2, kAllPassFeedback);
    }
    double process(double x)
    {
        double sum = 0.0;
        for (CombFilter& comb : combs_) sum += comb.process(x);
        sum /= static_cast<double>(combs_.size());
        for (AllPassFilter& allPass : allPasses_) sum = allPass.process(sum);
        return sum;
    }

private:
    std::vector<CombFilter> combs_;
    std::vector<AllPassFilter> allPasses_;
};

std::vector<double> renderLoop()
{
    constexpr double kWet = 0.22;
    constexpr int kRightSpread = 12;

    std::vector<double> left(kLoopFrames, 0.0);
    std::vector<double> right(kLoopFrames, 0.0);
    Instruments instruments;
    std::vector<double> note;
    for (const NoteEvent& event : writeScore()) {
        note.assign(Instruments::framesOf(event), 0.0);
        instruments.render(event, note);
        const double pan = setupOf(event.voice).pan;
        const double angle = (pan + 1.0) * kPi / 4.0;  // equal power
        const double toLeft = std::cos(angle) * std::sqrt(2.0);
        const double toRight = std::sin(angle) * std::sqrt(2.0);
        const int onset = static_cast<int>(std::lround(event.beat * kFramesPerBeat));
        for (std::size_t i = 0; i < note.size(); ++i) {
            const std::size_t at = (static_cast<std::size_t>(onset) + i) % kLoopFrames;
            left[at] += toLeft * note[i];
            right[at] += toRight * note[i];
        }
    }

    // The first trip round the loop only fills the reverb; the second one is kept.
    Room leftRoom(0);
    Room rightRoom(kRightSpread);
    std::vector<double> mixed(static_cast<std::size_t>(kLoopFrames) * kChannels);
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < kLoopFrames; ++i) {
            const double mono = 0.5 * (left[i] + right[i]);
            const double wetLeft = leftRoom.process(mono);
            const double wetRight = rightRoom.process(mono);
            if (pass == 1) {
                mixed[2 * i] = left[i] + kWet * wetLeft;
                mixed[2 * i + 1] = right[i] + kWet * wetRight;
            }
        }
    }
    normalisePeak(mixed, decibelsToGain(kMusicPeakDb));
    return mixed;
}

}  // namespace

void addMusicLoop(ContentSink& sink)
{
    sink.add("sound/hintergrund3.wav", encodeWav(toMixerFormat(renderLoop(), kChannels, kMusicRate, true),
                                                 WavFormat{kMixerRate, kMixerChannels}));
}

}  // namespace contentgen
