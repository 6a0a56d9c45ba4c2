// The picture writers, decoded by independent readers (stb_image, ImageMagick).
#include "../../tools/contentgen/picture_files.h"

#include "test_support.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstdlib>
#include <sstream>

using contentgen::Canvas;
using contentgen::PictureFormat;
using contentgen::Rgba;

namespace {

struct Decoded {
    int width = 0;
    int height = 0;
    int channelsInFile = 0;
    std::vector<Rgba> pixels;  // top row first
};

Decoded decodeWithStb(const std::vector<std::uint8_t>& bytes)
{
    Decoded result;
    unsigned char* data = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &result.width,
                                                &result.height, &result.channelsInFile, 4);
    if (data == nullptr) return result;
    for (int i = 0; i < result.width * result.height; ++i)
        result.pixels.push_back({data[4 * i], data[4 * i + 1], data[4 * i + 2], data[4 * i + 3]});
    stbi_image_free(data);
    return result;
}

// A busy deterministic picture: gradients, a few flat areas and varying alpha.
Canvas patternCanvas(int width, int height)
{
    Canvas canvas(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto v = static_cast<std::uint32_t>(x * 7919 + y * 104729);
            canvas.set(x, y,
                       {static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1)),
                        static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1)),
                        static_cast<std::uint8_t>((v >> 3) & 0xFF), static_cast<std::uint8_t>((v >> 5) & 0xFF)});
        }
    }
    canvas.fillRect(1, 1, static_cast<float>(width) / 2, static_cast<float>(height) / 2, {30, 200, 40, 255});
    return canvas;
}

Rgba opaque(Rgba p)
{
    return {p.r, p.g, p.b, 255};
}

void expectSamePixels(const Canvas& canvas, const Decoded& decoded, bool withAlpha)
{
    ASSERT_EQ(decoded.width, canvas.width());
    ASSERT_EQ(decoded.height, canvas.height());
    ASSERT_EQ(decoded.pixels.size(), canvas.pixels().size());
    int wrong = 0;
    for (std::size_t i = 0; i < decoded.pixels.size(); ++i) {
        const Rgba expected = withAlpha ? canvas.pixels()[i] : opaque(canvas.pixels()[i]);
        if (!(decoded.pixels[i] == expected)) ++wrong;
    }
    EXPECT_EQ(wrong, 0);
}

std::string identify(const std::filesystem::path& file, const std::string& format)
{
    const auto result = testsupport::runCommand("identify -format " + testsupport::shellQuote(format) + " " +
                                                testsupport::shellQuote(file.string()));
    return result.exitStatus == 0 ? result.output : "identify failed: " + result.output;
}

struct FormatCase {
    PictureFormat format;
    const char* extension;
    bool withAlpha;
    int channels;
};

const FormatCase exactFormats[] = {
    {PictureFormat::Bmp24, "bmp", false, 3},   {PictureFormat::Tga24, "tga", false, 3},
    {PictureFormat::Tga32, "tga", true, 4},    {PictureFormat::Tga24Rle, "tga", false, 3},
    {PictureFormat::Tga32Rle, "tga", true, 4},
};

}  // namespace

TEST(PictureEncoding, TrueColourFormatsDecodeExactly)
{
    // Odd widths exercise the BMP row padding.
    for (const auto& [width, height] : {std::pair{37, 19}, std::pair{1, 1}, std::pair{64, 32}, std::pair{130, 3}}) {
        const Canvas canvas = patternCanvas(width, height);
        for (const FormatCase& c : exactFormats) {
            SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " format " +
                         std::to_string(static_cast<int>(c.format)));
            const Decoded decoded = decodeWithStb(contentgen::encodePicture(canvas, c.format));
            EXPECT_EQ(decoded.channelsInFile, c.channels);
            expectSamePixels(canvas, decoded, c.withAlpha);
        }
    }
}

TEST(PictureEncoding, RowsAreStoredBottomUp)
{
    Canvas canvas(3, 2, {0, 0, 255, 255});
    canvas.fillRect(0, 0, 3, 1, {255, 0, 0, 255});  // top row red, bottom row blue
    // The game uploads file rows in order and textures start at the bottom:
    // the first stored pixel must be the bottom-left one.
    const auto tga = contentgen::encodePicture(canvas, PictureFormat::Tga24);
    ASSERT_GT(tga.size(), 20u);
    EXPECT_EQ(tga[17] & 0x20, 0);  // bottom-left origin
    EXPECT_EQ(tga[18], 255);       // blue, stored B G R
    EXPECT_EQ(tga[20], 0);
    const auto bmp = contentgen::encodePicture(canvas, PictureFormat::Bmp24);
    const std::uint32_t offset =
        bmp[10] | (bmp[11] << 8) | (bmp[12] << 16) | (static_cast<std::uint32_t>(bmp[13]) << 24);
    EXPECT_EQ(bmp[offset], 255);
    EXPECT_EQ(bmp[offset + 2], 0);
    const Decoded decoded = decodeWithStb(bmp);
    ASSERT_EQ(decoded.pixels.size(), 6u);
    EXPECT_EQ(decoded.pixels[0], (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(decoded.pixels[5], (Rgba{0, 0, 255, 255}));
}

TEST(PictureEncoding, RunLengthPacketsOfOneTwoAndManyPixels)
{
    // One row: 1 pixel, then runs of 2, 128 and 129 pixels.
    const Rgba a{1, 2, 3, 4}, b{10, 20, 30, 40}, c{50, 60, 70, 80}, d{200, 210, 220, 230};
    Canvas canvas(1 + 2 + 128 + 129, 2, a);
    for (int y = 0; y < 2; ++y) {
        int x = 1;
        for (int i = 0; i < 2; ++i) canvas.set(x++, y, b);
        for (int i = 0; i < 128; ++i) canvas.set(x++, y, c);
        for (int i = 0; i < 129; ++i) canvas.set(x++, y, d);
    }
    canvas.set(0, 0, d);  // rows differ, so a packet crossing rows would show
    for (PictureFormat format : {PictureFormat::Tga24Rle, PictureFormat::Tga32Rle}) {
        const bool alpha = format == PictureFormat::Tga32Rle;
        const auto bytes = contentgen::encodePicture(canvas, format);
        expectSamePixels(canvas, decodeWithStb(bytes), alpha);
        // Per row: raw 1, run 2, run 128, run 128, one last pixel: five packets.
        const std::size_t pixelBytes = alpha ? 4 : 3;
        EXPECT_EQ(bytes.size(), 18 + 2 * 5 * (1 + pixelBytes));
        EXPECT_EQ(bytes[2], 10);
        EXPECT_EQ(bytes[18], 0x00);
        EXPECT_EQ(bytes[18 + (1 + pixelBytes)], 0x81);
        EXPECT_EQ(bytes[18 + 2 * (1 + pixelBytes)], 0xFF);
        EXPECT_EQ(bytes[18 + 3 * (1 + pixelBytes)], 0xFF);
        EXPECT_LT(bytes[18 + 4 * (1 + pixelBytes)], 0x80);
    }
    // A row with no repeats becomes raw packets of at most 128 pixels.
    const Canvas busy = patternCanvas(300, 2);
    expectSamePixels(busy, decodeWithStb(contentgen::encodePicture(busy, PictureFormat::Tga32Rle)), true);
}

TEST(PictureEncoding, PalettedBmpIsExactUpTo256Colours)
{
    Canvas canvas(33, 17);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 33; ++x) {
            const int index = (x * 17 + y * 5) % 256;
            canvas.set(x, y,
                       {static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(255 - index),
                        static_cast<std::uint8_t>(index * 3 % 256), 255});
        }
    const auto bytes = contentgen::encodePicture(canvas, PictureFormat::Bmp8Paletted);
    EXPECT_EQ(bytes[28], 8);  // bits per pixel
    EXPECT_EQ(contentgen::paletteFor(canvas).size(), 256u);
    expectSamePixels(canvas, decodeWithStb(bytes), false);

    Canvas twoColours(5, 5, {0, 0, 0, 255});
    twoColours.fillRect(1, 1, 4, 4, {255, 255, 255, 255});
    const auto small = contentgen::encodePicture(twoColours, PictureFormat::Bmp8Paletted);
    EXPECT_EQ(small[46], 2);  // colours used
    EXPECT_EQ(small.size(), 14u + 40u + 2u * 4u + 5u * 8u);
    expectSamePixels(twoColours, decodeWithStb(small), false);
}

TEST(PictureEncoding, PalettedBmpQuantisesManyColoursClosely)
{
    Canvas canvas(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            canvas.set(x, y,
                       {static_cast<std::uint8_t>(x * 2), static_cast<std::uint8_t>(y * 2),
                        static_cast<std::uint8_t>(255 - x - y / 2), 255});
    const auto bytes = contentgen::encodePicture(canvas, PictureFormat::Bmp8Paletted);
    EXPECT_EQ(bytes, contentgen::encodePicture(canvas, PictureFormat::Bmp8Paletted));
    const Decoded decoded = decodeWithStb(bytes);
    ASSERT_EQ(decoded.pixels.size(), canvas.pixels().size());
    double totalError = 0.0;
    int worst = 0;
    for (std::size_t i = 0; i < decoded.pixels.size(); ++i) {
        const Rgba p = decoded.pixels[i];
        const Rgba q = canvas.pixels()[i];
        const int error = std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
        totalError += error;
        worst = std::max(worst, error);
    }
    EXPECT_LT(totalError / static_cast<double>(decoded.pixels.size()), 12.0);
    EXPECT_LT(worst, 60);
}

TEST(PictureEncoding, ImageMagickReadsSizeDepthAndPixels)
{
    if (!testsupport::haveProgram("identify")) GTEST_SKIP() << "ImageMagick not installed";
    testsupport::TempDir dir;
    const Canvas canvas = patternCanvas(37, 19);
    for (const FormatCase& c : exactFormats) {
        const auto file = dir / ("picture." + std::string(c.extension));
        testsupport::writeFileBytes(file, contentgen::encodePicture(canvas, c.format));
        EXPECT_EQ(identify(file, "%w %h %z %A"), std::string("37 19 8 ") + (c.withAlpha ? "True" : "False")) << file;
        // The bottom-right pixel, as ImageMagick sees it (it keeps TGA rows in
        // file order and only notes the origin, so turn the picture upright first).
        const Rgba p = canvas.get(36, 18);
        std::ostringstream expected;
        expected << static_cast<int>(p.r) << "," << static_cast<int>(p.g) << "," << static_cast<int>(p.b);
        const auto upright = testsupport::runCommand(
            "convert " + testsupport::shellQuote(file.string()) +
            " -auto-orient -format '%[fx:int(255*p{36,18}.r+0.5)],%[fx:int(255*p{36,18}.g+0.5)],"
            "%[fx:int(255*p{36,18}.b+0.5)]' info:");
        EXPECT_EQ(upright.output, expected.str());
    }
    const auto paletted = dir / "paletted.bmp";
    Canvas mask(16, 8, {255, 255, 255, 255});
    mask.fillRect(4, 2, 12, 6, {0, 0, 0, 255});
    testsupport::writeFileBytes(paletted, contentgen::encodePicture(mask, PictureFormat::Bmp8Paletted));
    EXPECT_EQ(identify(paletted, "%w %h %k"), "16 8 2");
}
