#pragma once
// Helpers for the picture tests: hand-built BMP and TGA files, test PNGs,
// and independent decoders (stb_image, ImageMagick) as oracles.
#include "test_support.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace imagetest {

using Bytes = std::vector<std::uint8_t>;
using Colour = std::array<std::uint8_t, 3>;  // red, green, blue

inline void put16(Bytes& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void put32(Bytes& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Everything that goes into a hand-made BMP file.
struct BmpLayout {
    std::uint32_t infoSize = 40;  // 40, 12, or any other size (filled with zeros)
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<Colour> palette;
    std::vector<std::uint32_t> masks;  // written right after a 40-byte header
    Bytes pixelData;                   // exactly as stored in the file
    std::optional<std::uint32_t> dataOffset;
};

inline Bytes makeBmp(const BmpLayout& layout)
{
    Bytes info;
    put32(info, layout.infoSize);
    if (layout.infoSize == 12) {
        put16(info, static_cast<std::uint32_t>(layout.width));
        put16(info, static_cast<std::uint32_t>(layout.height));
        put16(info, 1);
        put16(info, layout.bitCount);
    } else {
        put32(info, static_cast<std::uint32_t>(layout.width));
        put32(info, static_cast<std::uint32_t>(layout.height));
        put16(info, 1);
        put16(info, layout.bitCount);
        put32(info, layout.compression);
        put32(info, static_cast<std::uint32_t>(layout.pixelData.size()));
        put32(info, 2835);
        put32(info, 2835);
        put32(info, layout.colorsUsed);
        put32(info, 0);
        info.resize(layout.infoSize, 0);
    }
    for (std::uint32_t mask : layout.masks) put32(info, mask);
    for (const Colour& c : layout.palette) {
        info.push_back(c[2]);
        info.push_back(c[1]);
        info.push_back(c[0]);
        if (layout.infoSize != 12) info.push_back(0);
    }
    const std::uint32_t offset = layout.dataOffset.value_or(static_cast<std::uint32_t>(14 + info.size()));
    Bytes file{'B', 'M'};
    put32(file, static_cast<std::uint32_t>(14 + info.size() + layout.pixelData.size()));
    put32(file, 0);
    put32(file, offset);
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), layout.pixelData.begin(), layout.pixelData.end());
    return file;
}

// 24-bit rows, bottom row first, each padded to four bytes.
inline Bytes bmpRows24(int width, int height, const std::function<Colour(int x, int row)>& colour)
{
    Bytes out;
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            const Colour c = colour(x, row);
            out.insert(out.end(), {c[2], c[1], c[0]});
        }
        while (out.size() % 4 != 0) out.push_back(0);
    }
    return out;
}

// A TGA header (no image ID, no colour map) followed by data.
inline Bytes makeTga(std::uint8_t type, std::uint16_t width, std::uint16_t height, std::uint8_t depth,
                     const Bytes& data, std::uint8_t descriptor = 0)
{
    Bytes file{0, 0, type, 0, 0, 0, 0, 0};
    put16(file, 0);
    put16(file, 0);
    put16(file, width);
    put16(file, height);
    file.push_back(depth);
    file.push_back(descriptor);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

// An RGB picture with rows from the top, as stb_image and ImageMagick give them.
struct Picture {
    int width = 0;
    int height = 0;
    int channels = 3;
    Bytes pixels;

    const std::uint8_t* at(int x, int rowFromTop) const
    {
        return pixels.data() + (static_cast<std::size_t>(rowFromTop) * width + x) * channels;
    }
};

inline bool writePng(const std::filesystem::path& path, const Picture& picture)
{
    return stbi_write_png(path.c_str(), picture.width, picture.height, picture.channels,
                          picture.pixels.data(), picture.width * picture.channels) != 0;
}

inline Picture makePicture(int width, int height, int channels,
                           const std::function<std::array<std::uint8_t, 4>(int x, int y)>& colour)
{
    Picture picture{width, height, channels, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto c = colour(x, y);
            picture.pixels.insert(picture.pixels.end(), c.begin(), c.begin() + channels);
        }
    return picture;
}

// stb_image's reading of a file, with the given number of channels.
inline std::optional<Picture> stbDecode(const std::filesystem::path& path, int channels = 3)
{
    int width = 0, height = 0, fileChannels = 0;
    stbi_uc* data = stbi_load(path.c_str(), &width, &height, &fileChannels, channels);
    if (data == nullptr) return std::nullopt;
    Picture picture{width, height, channels,
                    Bytes(data, data + static_cast<std::size_t>(width) * height * channels)};
    stbi_image_free(data);
    return picture;
}

// ImageMagick's reading of a file as 8-bit RGB.
inline std::optional<Picture> magickDecode(const std::filesystem::path& path)
{
    using testsupport::runCommand;
    using testsupport::shellQuote;
    const auto size = runCommand("identify -format '%w %h' " + shellQuote(path.string()));
    Picture picture;
    if (size.exitStatus != 0 || std::sscanf(size.output.c_str(), "%d %d", &picture.width, &picture.height) != 2)
        return std::nullopt;
    const std::filesystem::path raw = path.string() + ".rgb";
    const auto result =
        runCommand("convert " + shellQuote(path.string()) + " -depth 8 " + shellQuote("rgb:" + raw.string()));
    if (result.exitStatus != 0) return std::nullopt;
    picture.pixels = testsupport::readFileBytes(raw);
    if (picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height * 3) return std::nullopt;
    return picture;
}

inline bool runConvert(const std::string& arguments)
{
    return testsupport::runCommand("convert " + arguments).exitStatus == 0;
}

}  // namespace imagetest
