#pragma once
// PCM WAV files: a RIFF/WAVE container with a "fmt " chunk for 16-bit PCM
// and one "data" chunk, mono or stereo.
#include <cstdint>
#include <span>
#include <vector>

namespace contentgen {

inline constexpr int kWavHeaderBytes = 44;
inline constexpr int kWavBitsPerSample = 16;

struct WavFormat {
    int sampleRate = 22050;
    int channels = 1;  // 1 or 2; stereo samples are interleaved left, right
};

// Turns one sample in [-1, 1] into a 16-bit value; anything outside the
// range is held at full scale instead of wrapping round.
std::int16_t toPcm16(double sample);

// Encodes interleaved samples as a complete WAV file. Returns an empty
// vector when the format is unusable (channels not 1 or 2, a rate that is
// not positive, or a sample count that does not fill whole frames).
std::vector<std::uint8_t> encodeWav(std::span<const double> interleaved, WavFormat format);

}  // namespace contentgen
