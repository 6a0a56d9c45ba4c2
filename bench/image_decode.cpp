// Decoding speed of the picture readers, from memory: a 512 x 512 24-bit BMP,
// the same size as an 8-bit paletted BMP, and a run-length encoded TGA.
#include "assets/image.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

constexpr int kSide = 512;

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A picture with smooth areas and some detail, like the game's textures.
std::uint8_t channel(int x, int y, int c)
{
    return static_cast<std::uint8_t>(((x / 16) * 37 + (y / 16) * 11 + c * 60 + ((x * y) % 7)) & 0xFF);
}

Bytes bmpFile(int bitCount)
{
    const int paletteEntries = bitCount == 8 ? 256 : 0;
    const std::uint32_t stride = static_cast<std::uint32_t>((kSide * bitCount / 8 + 3) / 4 * 4);
    const std::uint32_t offset = 14 + 40 + static_cast<std::uint32_t>(paletteEntries) * 4;
    Bytes file{'B', 'M'};
    put32(file, offset + stride * kSide);
    put32(file, 0);
    put32(file, offset);
    put32(file, 40);
    put32(file, kSide);
    put32(file, kSide);
    put16(file, 1);
    put16(file, static_cast<std::uint32_t>(bitCount));
    put32(file, 0);
    put32(file, stride * kSide);
    put32(file, 2835);
    put32(file, 2835);
    put32(file, 0);
    put32(file, 0);
    for (int i = 0; i < paletteEntries; ++i) file.insert(file.end(), {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2), 0});
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            if (bitCount == 8) {
                file.push_back(channel(x, y, 0));
            } else {
                file.insert(file.end(), {channel(x, y, 2), channel(x, y, 1), channel(x, y, 0)});
            }
        }
        while ((file.size() - offset) % 4 != 0) file.push_back(0);
    }
    return file;
}

// Run-length encoded 32-bit TGA: runs where neighbours repeat, raw packets elsewhere.
Bytes rleTgaFile()
{
    Bytes file{0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16(file, kSide);
    put16(file, kSide);
    file.push_back(32);
    file.push_back(8);
    auto pixel = [](int i) {
        const int x = i % kSide, y = i / kSide;
        // Wide flat bands with a detailed stripe every eighth band.
        const bool detailed = (y / 8) % 8 == 0;
        const int shade = detailed ? (x * 13 + y) & 0xFF : (y / 8) * 4 & 0xFF;
        return std::array<std::uint8_t, 4>{std::uint8_t(shade), std::uint8_t(255 - shade), std::uint8_t(x / 64 * 30), 255};
    };
    const int total = kSide * kSide;
    for (int i = 0; i < total;) {
        int run = 1;
        while (i + run < total && run < 128 && pixel(i + run) == pixel(i)) ++run;
        if (run > 1) {
            file.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
            const auto p = pixel(i);
            file.insert(file.end(), p.begin(), p.end());
            i += run;
            continue;
        }
        int raw = 1;
        while (i + raw < total && raw < 128 && pixel(i + raw) != pixel(i + raw - 1)) ++raw;
        file.push_back(static_cast<std::uint8_t>(raw - 1));
        for (int k = 0; k < raw; ++k) {
            const auto p = pixel(i + k);
            file.insert(file.end(), p.begin(), p.end());
        }
        i += raw;
    }
    return file;
}

void decodeBmpBench(benchmark::State& state, const Bytes& file)
{
    for (auto _ : state) {
        auto image = decodeBmp(file.data(), file.size(), "bench.bmp");
        if (!image) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(image);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide * 3);
}

void BM_DecodeBmp24(benchmark::State& state)
{
    static const Bytes file = bmpFile(24);
    decodeBmpBench(state, file);
}
BENCHMARK(BM_DecodeBmp24);

void BM_DecodeBmp8Palette(benchmark::State& state)
{
    static const Bytes file = bmpFile(8);
    decodeBmpBench(state, file);
}
BENCHMARK(BM_DecodeBmp8Palette);

void BM_DecodeTgaRle32(benchmark::State& state)
{
    static const Bytes file = rleTgaFile();
    for (auto _ : state) {
        auto image = decodeTga(file.data(), file.size());
        if (!image) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(image);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide * 4);
    state.counters["file_bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_DecodeTgaRle32);

}  // namespace
