#include "wav_writer.h"

#include <cmath>
#include <limits>
#include <string_view>

namespace contentgen {

namespace {

constexpr std::uint16_t kPcmFormatTag = 1;
constexpr std::uint32_t kFmtChunkBytes = 16;
constexpr double kPcmScale = 32767.0;

void putText(std::vector<std::uint8_t>& out, std::string_view text)
{
    out.insert(out.end(), text.begin(), text.end());
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

}  // namespace

std::int16_t toPcm16(double sample)
{
    if (!(sample > -1.0)) return static_cast<std::int16_t>(-kPcmScale);  // also catches NaN
    if (sample >= 1.0) return static_cast<std::int16_t>(kPcmScale);
    return static_cast<std::int16_t>(std::lround(sample * kPcmScale));
}

std::vector<std::uint8_t> encodeWav(std::span<const double> interleaved, WavFormat format)
{
    if (format.channels < 1 || format.channels > 2 || format.sampleRate <= 0) return {};
    if (interleaved.size() % static_cast<std::size_t>(format.channels) != 0) return {};
    const std::uint64_t dataBytes = interleaved.size() * sizeof(std::int16_t);
    if (dataBytes + kWavHeaderBytes > std::numeric_limits<std::uint32_t>::max()) return {};

    const auto channels = static_cast<std::uint16_t>(format.channels);
    const auto rate = static_cast<std::uint32_t>(format.sampleRate);
    const auto blockAlign = static_cast<std::uint16_t>(channels * (kWavBitsPerSample / 8));

    std::vector<std::uint8_t> out;
    out.reserve(kWavHeaderBytes + dataBytes);
    putText(out, "RIFF");
    put32(out, static_cast<std::uint32_t>(kWavHeaderBytes - 8 + dataBytes));
    putText(out, "WAVE");
    putText(out, "fmt ");
    put32(out, kFmtChunkBytes);
    put16(out, kPcmFormatTag);
    put16(out, channels);
    put32(out, rate);
    put32(out, rate * blockAlign);
    put16(out, blockAlign);
    put16(out, kWavBitsPerSample);
    putText(out, "data");
    put32(out, static_cast<std::uint32_t>(dataBytes));
    for (double sample : interleaved) put16(out, static_cast<std::uint16_t>(toPcm16(sample)));
    return out;
}

}  // namespace contentgen
