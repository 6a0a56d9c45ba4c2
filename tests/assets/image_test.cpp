// The BMP and TGA readers: against pictures that ImageMagick encodes and
// stb_image or ImageMagick decode, against hand-built files for every layout
// the game may meet, and against truncated and damaged files.
#include "assets/image.h"

#include "allocation_probe.h"
#include "image_test_helpers.h"
#include "platform/message_box.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace imagetest;
using testsupport::TempDir;

namespace {

const bool dialogsOff = [] {
    setDialogsEnabled(false);
    return true;
}();

// Our reading of a file held in memory, with the message it printed.
struct BmpResult {
    std::optional<BmpImage> image;
    std::string message;
};

BmpResult decodeBmpCapturing(const Bytes& file, std::string_view path = "test.bmp")
{
    testing::internal::CaptureStderr();
    BmpResult result{decodeBmp(file.data(), file.size(), path), {}};
    result.message = testing::internal::GetCapturedStderr();
    return result;
}

Colour pixelAt(const BmpImage& image, int x, int rowFromBottom)
{
    const std::uint8_t* p = image.pixels.data() + (static_cast<std::size_t>(rowFromBottom) * image.width + x) * 3;
    return {p[0], p[1], p[2]};
}

Colour tgaPixelAt(const TgaImage& image, int x, int row)
{
    const std::uint8_t* p =
        image.pixels.data() + (static_cast<std::size_t>(row) * image.width + x) * image.channels;
    return {p[0], p[1], p[2]};
}

// Compares our image (bottom row first) with an oracle's (top row first).
void expectSamePicture(const BmpImage& ours, const Picture& oracle)
{
    ASSERT_EQ(ours.width, oracle.width);
    ASSERT_EQ(ours.height, oracle.height);
    ASSERT_EQ(ours.pixels.size(), static_cast<std::size_t>(ours.width) * ours.height * 3);
    for (int top = 0; top < oracle.height; ++top)
        for (int x = 0; x < oracle.width; ++x) {
            const Colour got = pixelAt(ours, x, oracle.height - 1 - top);
            const std::uint8_t* want = oracle.at(x, top);
            ASSERT_EQ(got, (Colour{want[0], want[1], want[2]})) << "at x " << x << ", row from top " << top;
        }
}

// The three test pictures: many colours, twelve colours in blocks, black and white.
Picture richPicture()
{
    return makePicture(37, 23, 3, [](int x, int y) {
        return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 11),
                                           static_cast<std::uint8_t>(x * y * 3), 255};
    });
}

Picture fewColoursPicture()
{
    static constexpr std::array<Colour, 12> kColours{{{0, 0, 0}, {255, 255, 255}, {200, 30, 40}, {20, 160, 60},
                                                      {30, 60, 220}, {250, 220, 20}, {120, 70, 20}, {90, 90, 90},
                                                      {240, 130, 200}, {10, 200, 210}, {160, 100, 240}, {60, 20, 90}}};
    return makePicture(37, 23, 3, [](int x, int y) {
        const Colour& c = kColours[static_cast<std::size_t>((x / 5 + (y / 4) * 3) % 12)];
        return std::array<std::uint8_t, 4>{c[0], c[1], c[2], 255};
    });
}

// About a hundred colours: more than a 4-bit palette holds.
Picture paletteColoursPicture()
{
    return makePicture(37, 23, 3, [](int x, int y) {
        return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>((x / 3) * 20), static_cast<std::uint8_t>((y / 3) * 30),
                                           static_cast<std::uint8_t>(((x + y) % 2) * 200), 255};
    });
}

Picture blackAndWhitePicture()
{
    return makePicture(37, 23, 3, [](int x, int y) {
        const std::uint8_t v = ((x + y) / 3) % 2 ? 255 : 0;
        return std::array<std::uint8_t, 4>{v, v, v, 255};
    });
}

Picture alphaPicture()
{
    return makePicture(37, 23, 4, [](int x, int y) {
        return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(x * 6), static_cast<std::uint8_t>(255 - y * 9),
                                           static_cast<std::uint8_t>(x * 3 + y), static_cast<std::uint8_t>(x * 13 + y * 5)};
    });
}

// Rewrites a BMP with a 108- or 124-byte header (which ImageMagick writes for
// bit fields) as the same picture with a 40-byte header and three masks.
Bytes withWindowsInfoHeader(const Bytes& file)
{
    const std::uint32_t offset = file[10] | (file[11] << 8) | (file[12] << 16) | (static_cast<std::uint32_t>(file[13]) << 24);
    Bytes out(file.begin(), file.begin() + 14 + 40 + 12);
    out[14] = 40;
    out[15] = out[16] = out[17] = 0;
    const std::uint32_t newOffset = 14 + 40 + 12;
    for (int i = 0; i < 4; ++i) out[10 + i] = static_cast<std::uint8_t>(newOffset >> (8 * i));
    out.insert(out.end(), file.begin() + offset, file.end());
    return out;
}

std::uint16_t fileBitCount(const Bytes& file) { return static_cast<std::uint16_t>(file[14 + 14] | (file[14 + 15] << 8)); }

}  // namespace

// ---------------------------------------------------------------------------
// BMP files written by ImageMagick, read by us and by an independent decoder

struct EncodedBmp {
    const char* name;
    Picture (*source)();
    const char* convertOptions;  // between input and output
    const char* format;          // ImageMagick's output coder
    std::uint32_t infoSize;      // of the file we decode
    std::uint16_t bitCount;
    std::uint32_t compression;
    bool rewriteHeader;  // ImageMagick writes a 124-byte header for these
    bool magickOracle;   // stb_image does not read RLE
};

void PrintTo(const EncodedBmp& variant, std::ostream* out) { *out << variant.name; }

class BmpFromImageMagick : public testing::TestWithParam<EncodedBmp> {};

TEST_P(BmpFromImageMagick, DecodesLikeTheIndependentDecoder)
{
    if (!testsupport::haveProgram("convert")) GTEST_SKIP() << "ImageMagick missing";
    const EncodedBmp& variant = GetParam();
    TempDir dir;
    ASSERT_TRUE(writePng(dir / "in.png", variant.source()));
    const auto encoded = dir / "encoded.bmp";
    ASSERT_TRUE(runConvert(testsupport::shellQuote((dir / "in.png").string()) + " " + variant.convertOptions + " " +
                           testsupport::shellQuote(std::string(variant.format) + encoded.string())));
    Bytes file = testsupport::readFileBytes(encoded);
    ASSERT_GT(file.size(), 54u);
    if (variant.rewriteHeader) {
        EXPECT_FALSE(decodeBmpCapturing(file).image) << "a 124-byte header must be refused";
        file = withWindowsInfoHeader(file);
        testsupport::writeFileBytes(encoded, file);
    }
    // The encoder really wrote the layout this case is about.
    ASSERT_EQ(file[14], variant.infoSize);
    const std::uint16_t bits = variant.infoSize == 12 ? static_cast<std::uint16_t>(file[24] | (file[25] << 8))
                                                      : fileBitCount(file);
    ASSERT_EQ(bits, variant.bitCount);
    if (variant.infoSize == 40) {
        ASSERT_EQ(file[30], variant.compression);
    }

    const std::optional<BmpImage> ours = readBmp(encoded.string());
    ASSERT_TRUE(ours);
    const std::optional<Picture> oracle = variant.magickOracle ? magickDecode(encoded) : stbDecode(encoded);
    ASSERT_TRUE(oracle);
    expectSamePicture(*ours, *oracle);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, BmpFromImageMagick,
    testing::Values(EncodedBmp{"bits24", richPicture, "", "BMP3:", 40, 24, 0, false, false},
                    EncodedBmp{"palette8", paletteColoursPicture, "-type Palette -compress None", "BMP3:", 40, 8, 0, false, false},
                    EncodedBmp{"palette4", fewColoursPicture, "-colors 16 -compress None", "BMP3:", 40, 4, 0, false, false},
                    EncodedBmp{"bilevel1", blackAndWhitePicture, "-type Bilevel", "BMP3:", 40, 1, 0, false, false},
                    EncodedBmp{"os2bits24", richPicture, "", "BMP2:", 12, 24, 0, false, false},
                    EncodedBmp{"os2palette8", paletteColoursPicture, "-type Palette", "BMP2:", 12, 8, 0, false, false},
                    EncodedBmp{"rle8", fewColoursPicture, "-type Palette -compress RLE", "BMP3:", 40, 8, 1, false, true},
                    EncodedBmp{"bitfields32", richPicture, "-alpha on", "BMP:", 40, 32, 3, true, false},
                    EncodedBmp{"bitfields565", richPicture, "-define bmp:subtype=RGB565", "BMP:", 40, 16, 3, true, false}),
    [](const testing::TestParamInfo<EncodedBmp>& info) { return std::string(info.param.name); });

TEST(BmpPalettes, PalettedPictureEqualsItsTrueColourTwin)
{
    if (!testsupport::haveProgram("convert")) GTEST_SKIP() << "ImageMagick missing";
    TempDir dir;
    ASSERT_TRUE(writePng(dir / "in.png", paletteColoursPicture()));
    const std::string in = testsupport::shellQuote((dir / "in.png").string());
    ASSERT_TRUE(runConvert(in + " -type Palette -compress None " + testsupport::shellQuote("BMP3:" + (dir / "p.bmp").string())));
    ASSERT_TRUE(runConvert(in + " -type TrueColor " + testsupport::shellQuote("BMP3:" + (dir / "t.bmp").string())));
    const auto paletted = readBmp((dir / "p.bmp").string());
    const auto trueColour = readBmp((dir / "t.bmp").string());
    ASSERT_TRUE(paletted && trueColour);
    EXPECT_EQ(fileBitCount(testsupport::readFileBytes(dir / "p.bmp")), 8);
    EXPECT_EQ(fileBitCount(testsupport::readFileBytes(dir / "t.bmp")), 24);
    EXPECT_EQ(paletted->width, trueColour->width);
    EXPECT_EQ(paletted->height, trueColour->height);
    EXPECT_EQ(paletted->pixels, trueColour->pixels);
}

// ---------------------------------------------------------------------------
// Row layout

TEST(BmpLayout, FiveWideRowsLoseTheirPadding)
{
    BmpLayout layout;
    layout.width = 5;
    layout.height = 3;
    layout.pixelData = bmpRows24(5, 3, [](int x, int row) {
        return Colour{static_cast<std::uint8_t>(x * 50), static_cast<std::uint8_t>(row * 100), 7};
    });
    ASSERT_EQ(layout.pixelData.size(), 48u);  // 16 bytes a row in the file
    const auto result = decodeBmpCapturing(makeBmp(layout));
    ASSERT_TRUE(result.image) << result.message;
    EXPECT_EQ(result.image->width, 5);
    EXPECT_EQ(result.image->height, 3);
    ASSERT_EQ(result.image->pixels.size(), 45u);  // 15 bytes a row
    for (int row = 0; row < 3; ++row)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(pixelAt(*result.image, x, row),
                      (Colour{static_cast<std::uint8_t>(x * 50), static_cast<std::uint8_t>(row * 100), 7}));
}

TEST(BmpLayout, TopDownFileIsStoredBottomRowFirst)
{
    BmpLayout layout;
    layout.width = 2;
    layout.height = -3;
    // In a top-down file the first stored row is the top row.
    layout.pixelData = bmpRows24(2, 3, [](int x, int storedRow) {
        return Colour{static_cast<std::uint8_t>(storedRow * 10 + 1), static_cast<std::uint8_t>(x), 0};
    });
    const auto result = decodeBmpCapturing(makeBmp(layout));
    ASSERT_TRUE(result.image) << result.message;
    EXPECT_EQ(result.image->height, 3);
    EXPECT_EQ(pixelAt(*result.image, 0, 0)[0], 21);  // bottom row = last stored row
    EXPECT_EQ(pixelAt(*result.image, 1, 2), (Colour{1, 1, 0}));
}

TEST(BmpLayout, DataOffsetIsHonoured)
{
    BmpLayout layout;
    layout.width = 1;
    layout.height = 1;
    layout.pixelData = {0xAA, 0xAA, 0xAA, 0xAA, 3, 2, 1, 0};  // four bytes of gap, then the pixel
    layout.dataOffset = 14 + 40 + 4;
    const auto result = decodeBmpCapturing(makeBmp(layout));
    ASSERT_TRUE(result.image) << result.message;
    EXPECT_EQ(pixelAt(*result.image, 0, 0), (Colour{1, 2, 3}));
}

// ---------------------------------------------------------------------------
// Palettes and bit depths

TEST(BmpPalettes, ColoursUsedLimitsThePalette)
{
    BmpLayout layout;
    layout.width = 2;
    layout.height = 1;
    layout.bitCount = 8;
    layout.colorsUsed = 2;
    layout.palette = {{10, 20, 30}, {40, 50, 60}};
    layout.pixelData = {1, 0, 0, 0};
    auto result = decodeBmpCapturing(makeBmp(layout));
    ASSERT_TRUE(result.image) << result.message;
    EXPECT_EQ(pixelAt(*result.image, 0, 0), (Colour{40, 50, 60}));
    EXPECT_EQ(pixelAt(*result.image, 1, 0), (Colour{10, 20, 30}));

    layout.pixelData = {1, 2, 0, 0};  // index 2 lies beyond the two colours
    result = decodeBmpCapturing(makeBmp(layout));
    EXPECT_FALSE(result.image);
    EXPECT_NE(result.message.find("Image file conversion error."), std::string::npos);
}

TEST(BmpPalettes, OneAndFourBitPixelsReadHighBitsFirst)
{
    BmpLayout one;
    one.width = 10;
    one.height = 1;
    one.bitCount = 1;
    one.palette = {{0, 0, 0}, {255, 255, 255}};
    one.pixelData = {0b10110000, 0b01000000, 0, 0};
    auto result = decodeBmpCapturing(makeBmp(one));
    ASSERT_TRUE(result.image) << result.message;
    const int expected[10] = {1, 0, 1, 1, 0, 0, 0, 0, 0, 1};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(pixelAt(*result.image, x, 0)[0], expected[x] * 255) << x;

    BmpLayout four;
    four.width = 3;
    four.height = 1;
    four.bitCount = 4;
    for (int i = 0; i < 16; ++i) four.palette.push_back({static_cast<std::uint8_t>(i * 16), 0, 0});
    four.pixelData = {0xF3, 0x70, 0, 0};
    result = decodeBmpCapturing(makeBmp(four));
    ASSERT_TRUE(result.image) << result.message;
    EXPECT_EQ(pixelAt(*result.image, 0, 0)[0], 240);
    EXPECT_EQ(pixelAt(*result.image, 1, 0)[0], 48);
    EXPECT_EQ(pixelAt(*result.image, 2, 0)[0], 112);
}

TEST(BmpPalettes, Os2HeaderUsesThreeBytePaletteEntries)
{
    BmpLayout layout;
    layout.infoSize = 12;
    layout.width = 3;
    layout.height = 2;
    layout.bitCount = 1;
    layout.palette = {{200, 100, 50}, {5, 6, 7}};
    layout.pixelData = {0b01000000, 0, 0, 0, 0b10100000, 0, 0, 0};
    const auto result = decodeBmpCapturing(makeBmp(layout));
    ASSERT_TRUE(result.image) << result.message;
    EXPECT_EQ(pixelAt(*result.image, 0, 0), (Colour{200, 100, 50}));
    EXPECT_EQ(pixelAt(*result.image, 1, 0), (Colour{5, 6, 7}));
    EXPECT_EQ(pixelAt(*result.image, 0, 1), (Colour{5, 6, 7}));
    EXPECT_EQ(pixelAt(*result.image, 1, 1), (Colour{200, 100, 50}));
}

TEST(BmpBitDepths, SixteenBitDefaultsToFiveFiveFive)
{
    BmpLayout layout;
    layout.width = 3;
    layout.height = 1;
    layout.bitCount = 16;
    layout.pixelData = {0x00, 0x7C, 0x21, 0x04, 0xFF, 0xFF, 0, 0};  // 0x7C00, 0x0421, 0xFFFF
    const auto result = decodeBmpCapturing(makeBmp(layout));
    ASSERT_TRUE(result.image) << result.message;
    EXPECT_EQ(pixelAt(*result.image, 0, 0), (Colour{255, 0, 0}));
    EXPECT_EQ(pixelAt(*result.image, 1, 0), (Colour{8, 8, 8}));
    EXPECT_EQ(pixelAt(*result.image, 2, 0), (Colour{255, 255, 255}));  // the top bit is not a colour
}

TEST(BmpBitDepths, BitFieldMasksPlaceTheChannels)
{
    BmpLayout layout;
    layout.width = 3;
    layout.height = 1;
    layout.bitCount = 16;
    layout.compression = 3;
    layout.masks = {0xF800, 0x07E0, 0x001F};
    layout.pixelData = {0x00, 0xF8, 0xE0, 0x07, 0x10, 0x00, 0, 0};
    auto result = decodeBmpCapturing(makeBmp(layout));
    ASSERT_TRUE(result.image) << result.message;
    EXPECT_EQ(pixelAt(*result.image, 0, 0), (Colour{255, 0, 0}));
    EXPECT_EQ(pixelAt(*result.image, 1, 0), (Colour{0, 255, 0}));
    EXPECT_EQ(pixelAt(*result.image, 2, 0), (Colour{0, 0, 132}));

    BmpLayout wide;
    wide.width = 1;
    wide.height = 1;
    wide.bitCount = 32;
    wide.compression = 3;
    wide.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};  // red in the low byte
    wide.pixelData = {0x11, 0x22, 0x33, 0x44};
    result = decodeBmpCapturing(makeBmp(wide));
    ASSERT_TRUE(result.image) << result.message;
    EXPECT_EQ(pixelAt(*result.image, 0, 0), (Colour{0x11, 0x22, 0x33}));

    wide.compression = 0;  // plain 32 bits: blue, green, red, unused
    wide.masks.clear();
    result = decodeBmpCapturing(makeBmp(wide));
    ASSERT_TRUE(result.image) << result.message;
    EXPECT_EQ(pixelAt(*result.image, 0, 0), (Colour{0x33, 0x22, 0x11}));

    wide.compression = 3;
    wide.masks = {0x00F0F000, 0x0000FF00, 0x000000FF};  // split mask
    EXPECT_FALSE(decodeBmpCapturing(makeBmp(wide)).image);
    wide.masks = {0xFF, 0xFF00};  // masks cut off by the end of the file
    wide.pixelData.clear();
    EXPECT_FALSE(decodeBmpCapturing(makeBmp(wide)).image);
}

// ---------------------------------------------------------------------------
// RLE streams

namespace {
BmpLayout rleSpec(std::uint16_t bits, std::uint32_t compression, int width, int height, Bytes stream)
{
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitCount = bits;
    layout.compression = compression;
    for (int i = 0; i < (1 << bits); ++i)
        layout.palette.push_back({static_cast<std::uint8_t>(i * 10 + 5), static_cast<std::uint8_t>(i), 100});
    layout.pixelData = std::move(stream);
    return layout;
}
Colour paletteColour(int index) { return {static_cast<std::uint8_t>(index * 10 + 5), static_cast<std::uint8_t>(index), 100}; }
constexpr Colour kBlack{0, 0, 0};
}  // namespace

TEST(BmpRle, Rle8RunsAbsoluteDeltaAndEndOfLine)
{
    const Bytes stream{3, 1,                 // three of colour 1
                       0, 3, 2, 3, 2, 0,     // absolute: 2 3 2, padded to an even length
                       0, 0,                 // end of line
                       0, 2, 2, 1,           // delta: two right, one up
                       2, 3,                 // two of colour 3 at x 2, 3 of the top row
                       0, 1};                // end of bitmap
    const auto result = decodeBmpCapturing(makeBmp(rleSpec(8, 1, 6, 3, stream)));
    ASSERT_TRUE(result.image) << result.message;
    const Colour c1 = paletteColour(1), c2 = paletteColour(2), c3 = paletteColour(3);
    const Colour rows[3][6] = {{c1, c1, c1, c2, c3, c2},
                               {kBlack, kBlack, kBlack, kBlack, kBlack, kBlack},
                               {kBlack, kBlack, c3, c3, kBlack, kBlack}};
    for (int row = 0; row < 3; ++row)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(pixelAt(*result.image, x, row), rows[row][x]) << x << "," << row;
}

TEST(BmpRle, Rle8RunPastTheRowEndIsCutThere)
{
    const Bytes stream{200, 4, 0, 0, 1, 5, 0, 1};
    const auto result = decodeBmpCapturing(makeBmp(rleSpec(8, 1, 3, 2, stream)));
    ASSERT_TRUE(result.image) << result.message;
    for (int x = 0; x < 3; ++x) EXPECT_EQ(pixelAt(*result.image, x, 0), paletteColour(4));
    EXPECT_EQ(pixelAt(*result.image, 0, 1), paletteColour(5));  // no wrap into the next row
    EXPECT_EQ(pixelAt(*result.image, 1, 1), kBlack);
}

TEST(BmpRle, Rle4AlternatesNibbles)
{
    const Bytes stream{5, 0x12,               // 1 2 1 2 1
                       0, 0,                  // end of line
                       0, 5, 0x34, 0x56, 0x70, 0,  // absolute 3 4 5 6 7, three bytes padded to four
                       0, 1};
    const auto result = decodeBmpCapturing(makeBmp(rleSpec(4, 2, 5, 2, stream)));
    ASSERT_TRUE(result.image) << result.message;
    const int bottom[5] = {1, 2, 1, 2, 1};
    const int top[5] = {3, 4, 5, 6, 7};
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(pixelAt(*result.image, x, 0), paletteColour(bottom[x]));
        EXPECT_EQ(pixelAt(*result.image, x, 1), paletteColour(top[x]));
    }
}

TEST(BmpRle, BrokenStreamsAreRefused)
{
    // Absolute run that needs more bytes than the file has.
    EXPECT_FALSE(decodeBmpCapturing(makeBmp(rleSpec(8, 1, 4, 1, {0, 4, 1, 2}))).image);
    // Delta without its two bytes.
    EXPECT_FALSE(decodeBmpCapturing(makeBmp(rleSpec(8, 1, 4, 2, {0, 2}))).image);
    // Stream ends before the picture is complete and without its end mark.
    EXPECT_FALSE(decodeBmpCapturing(makeBmp(rleSpec(8, 1, 4, 2, {4, 1}))).image);
    // Index beyond a palette limited to two colours.
    BmpLayout limited = rleSpec(8, 1, 4, 1, {2, 9, 0, 1});
    limited.colorsUsed = 2;
    limited.palette.resize(2);
    const auto result = decodeBmpCapturing(makeBmp(limited));
    EXPECT_FALSE(result.image);
    EXPECT_NE(result.message.find("Image file conversion error."), std::string::npos);
    // RLE must be bottom-up, and RLE8 needs 8 bits.
    EXPECT_FALSE(decodeBmpCapturing(makeBmp(rleSpec(8, 1, 1, -1, {1, 1, 0, 1}))).image);
    EXPECT_FALSE(decodeBmpCapturing(makeBmp(rleSpec(4, 1, 1, 1, {1, 1, 0, 1}))).image);
}

// ---------------------------------------------------------------------------
// Refusals with their messages

namespace {
BmpLayout validSpec()
{
    BmpLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.pixelData = bmpRows24(3, 2, [](int x, int row) { return Colour{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(row), 9}; });
    return layout;
}
void expectRefused(const Bytes& file, std::string_view message)
{
    const auto result = decodeBmpCapturing(file);
    EXPECT_FALSE(result.image);
    EXPECT_NE(result.message.find(message), std::string::npos) << result.message;
}
}  // namespace

TEST(BmpRefusal, NewerInfoHeadersAreUnknown)
{
    for (std::uint32_t size : {108u, 124u, 64u, 16u}) {
        BmpLayout layout = validSpec();
        layout.infoSize = size;
        expectRefused(makeBmp(layout), "Unknown DIB file format.");
    }
    Bytes notBm = makeBmp(validSpec());
    notBm[0] = 'X';
    expectRefused(notBm, "Unknown DIB file format.");
}

TEST(BmpRefusal, ImpossibleDimensionsAndDepths)
{
    const auto refusedWith = [](auto change) {
        BmpLayout layout = validSpec();
        change(layout);
        expectRefused(makeBmp(layout), "Image file conversion error.");
    };
    refusedWith([](BmpLayout& s) { s.width = 0; });
    refusedWith([](BmpLayout& s) { s.height = 0; });
    refusedWith([](BmpLayout& s) { s.width = -3; });
    refusedWith([](BmpLayout& s) { s.width = 20000; });
    refusedWith([](BmpLayout& s) { s.height = -20000; });
    refusedWith([](BmpLayout& s) { s.height = INT32_MIN; });
    refusedWith([](BmpLayout& s) { s.width = 16384; s.height = 16384; });  // too many pixels for a picture
    refusedWith([](BmpLayout& s) { s.bitCount = 7; });
    refusedWith([](BmpLayout& s) { s.compression = 4; });  // embedded JPEG
    refusedWith([](BmpLayout& s) { s.compression = 3; });  // bit fields need 16 or 32 bits
}

TEST(BmpRefusal, DataThatDoesNotFitTheFile)
{
    BmpLayout layout = validSpec();
    layout.pixelData.erase(layout.pixelData.end() - 4, layout.pixelData.end());  // the last row lacks its padding and a byte
    expectRefused(makeBmp(layout), "Image file conversion error.");
    expectRefused(makeBmp(layout), "test.bmp: pixel data cut off");  // standard error names file and cause

    layout = validSpec();
    layout.dataOffset = 0xFFFFFFF0u;
    expectRefused(makeBmp(layout), "Image file conversion error.");

    BmpLayout paletted;
    paletted.width = 1;
    paletted.height = 1;
    paletted.bitCount = 8;
    paletted.palette = {{1, 2, 3}};  // 256 entries expected, one present
    expectRefused(makeBmp(paletted), "Image file conversion error.");

    const Bytes full = makeBmp(validSpec());
    expectRefused(Bytes(full.begin(), full.begin() + 30), "Image file conversion error.");
    expectRefused(Bytes(full.begin(), full.begin() + 5), "Unknown DIB file format.");
}

// Headers that claim far more than the file holds: refused with the reader's
// message before any picture-sized buffer is allocated, whatever the size.
TEST(BmpRefusal, ClaimsBeyondTheFileAllocateNothingPictureSized)
{
    constexpr std::size_t kMostBytesForASmallFile = 1 << 20;
    struct Case {
        const char* what;
        BmpLayout layout;
    };
    const auto header = [](std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t compression,
                           Bytes data) {
        BmpLayout layout = rleSpec(bits, compression, width, height, std::move(data));
        if (bits > 8) layout.palette.clear();
        return layout;
    };
    const std::vector<Case> cases = {
        {"24-bit header alone, 16384 x 4096", header(16384, 4096, 24, 0, {})},
        {"24-bit header alone, 4096 x 4096", header(4096, 4096, 24, 0, {})},
        {"8-bit rows cut to one, 4096 x 4096", header(4096, 4096, 8, 0, Bytes(4096, 1))},
        {"RLE8 end of bitmap only, 16384 x 4096", header(16384, 4096, 8, 1, {0, 1})},
        {"RLE8 end of bitmap only, 4096 x 4096", header(4096, 4096, 8, 1, {0, 1})},
        {"RLE4 end of line and end of bitmap, 2048 x 2048", header(2048, 2048, 4, 2, {0, 0, 0, 1})},
        {"4097 x 1, beyond the largest texture side", header(4097, 1, 24, 0, Bytes(4097 * 3 + 1, 7))},
    };
    for (const Case& c : cases) {
        BmpResult result;
        const Bytes file = makeBmp(c.layout);
        const std::size_t largest =
            allocationprobe::largestAllocationDuring([&] { result = decodeBmpCapturing(file); });
        EXPECT_FALSE(result.image) << c.what;
        EXPECT_NE(result.message.find("Image file conversion error."), std::string::npos) << c.what;
        EXPECT_LT(largest, kMostBytesForASmallFile) << c.what;
    }
    // Pictures whose data really covers them are read, up to the largest side.
    Bytes rows;
    for (int row = 0; row < 16; ++row) rows.insert(rows.end(), {255, 3, 255, 3, 255, 3, 255, 3, 0, 0});
    const auto full = decodeBmpCapturing(makeBmp(rleSpec(8, 1, 1020, 16, rows)));
    ASSERT_TRUE(full.image) << full.message;
    EXPECT_EQ(pixelAt(*full.image, 1019, 15), paletteColour(3));
    BmpLayout side = header(4096, 1, 24, 0, Bytes(4096 * 3, 9));
    EXPECT_TRUE(decodeBmpCapturing(makeBmp(side)).image);
}

TEST(BmpRefusal, MissingFileNamesThePath)
{
    TempDir dir;
    const std::string path = (dir / "missing.bmp").string();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(readBmp(path));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to open DIB file " + path + ".\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(readBmp(dir.path().string()));  // a folder opens but cannot be read
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to open DIB file " + dir.path().string() + ".\n");
}

// ---------------------------------------------------------------------------
// TGA

namespace {
std::optional<TgaImage> tga(const Bytes& file) { return decodeTga(file.data(), file.size()); }
}  // namespace

TEST(TgaDecode, RunPacketRepeatsAndRawPacketReads)
{
    // 0x85: the next pixel six times; 0x02: three pixels from the file.
    const Bytes data{0x85, 30, 20, 10,  0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const auto image = tga(makeTga(10, 3, 3, 24, data));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->channels, 3);
    ASSERT_EQ(image->pixels.size(), 27u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(tgaPixelAt(*image, i % 3, i / 3), (Colour{10, 20, 30}));
    EXPECT_EQ(tgaPixelAt(*image, 0, 2), (Colour{3, 2, 1}));
    EXPECT_EQ(tgaPixelAt(*image, 1, 2), (Colour{6, 5, 4}));
    EXPECT_EQ(tgaPixelAt(*image, 2, 2), (Colour{9, 8, 7}));
}

TEST(TgaDecode, RleKeepsAlphaAtThirtyTwoBits)
{
    const auto image = tga(makeTga(10, 2, 1, 32, {0x81, 1, 2, 3, 77}));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->channels, 4);
    EXPECT_EQ(image->pixels, (Bytes{3, 2, 1, 77, 3, 2, 1, 77}));
}

TEST(TgaDecode, PacketsRunningPastTheLastPixelStopThere)
{
    // A run of 128 for two pixels, and a raw packet of 128 whose extra pixels are absent.
    auto image = tga(makeTga(10, 2, 1, 24, {0xFF, 1, 2, 3}));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (Bytes{3, 2, 1, 3, 2, 1}));
    image = tga(makeTga(10, 2, 1, 24, {0x7F, 1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (Bytes{3, 2, 1, 6, 5, 4}));
    // A raw packet missing pixels the picture needs is refused.
    EXPECT_FALSE(tga(makeTga(10, 3, 1, 24, {0x02, 1, 2, 3, 4, 5, 6})));
    EXPECT_FALSE(tga(makeTga(10, 3, 1, 24, {0x81, 1, 2, 3})));  // runs out of packets
}

TEST(TgaDecode, UncompressedDepths)
{
    auto image = tga(makeTga(2, 2, 1, 16, {0xFF, 0x7F, 0x1F, 0x80}));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->channels, 3);
    EXPECT_EQ(tgaPixelAt(*image, 0, 0), (Colour{248, 248, 248}));
    EXPECT_EQ(tgaPixelAt(*image, 1, 0), (Colour{0, 0, 248}));  // the top bit is ignored

    image = tga(makeTga(2, 1, 2, 32, {1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->channels, 4);
    EXPECT_EQ(image->pixels, (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));

    // Rows stay in file order whatever the origin bit says.
    image = tga(makeTga(2, 1, 2, 24, {1, 1, 1, 2, 2, 2}, 0x20));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (Bytes{1, 1, 1, 2, 2, 2}));
}

TEST(TgaDecode, ImageIdAndColourMapAreSkipped)
{
    Bytes file = makeTga(2, 1, 1, 24, {});
    file[0] = 3;        // three bytes of image ID
    file[1] = 1;        // a colour map of two 24-bit entries
    file[5] = 2;
    file[7] = 24;
    file.insert(file.end(), {'I', 'D', '!', 9, 9, 9, 8, 8, 8, 30, 20, 10});
    const auto image = tga(file);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (Bytes{10, 20, 30}));
}

TEST(TgaRefusal, UnsupportedDepthsSizesAndTruncation)
{
    EXPECT_FALSE(tga(makeTga(3, 2, 2, 8, {1, 2, 3, 4})));   // grey
    EXPECT_FALSE(tga(makeTga(1, 2, 2, 8, {1, 2, 3, 4})));   // colour-mapped
    EXPECT_FALSE(tga(makeTga(10, 1, 1, 16, {0x80, 1, 2}))); // RLE at 16 bits
    EXPECT_FALSE(tga(makeTga(10, 1, 1, 8, {0x80, 1})));
    EXPECT_FALSE(tga(makeTga(2, 0, 1, 24, {})));
    EXPECT_FALSE(tga(makeTga(2, 1, 0, 24, {})));
    EXPECT_FALSE(tga(makeTga(2, 2, 1, 24, {1, 2, 3, 4, 5})));  // one byte short
    EXPECT_FALSE(tga(makeTga(2, 2, 1, 16, {1, 2, 3})));
    EXPECT_FALSE(tga(makeTga(10, 65535, 65535, 32, {0xFF, 1, 2, 3, 4})));  // far more pixels than data
    Bytes idPastEnd = makeTga(2, 1, 1, 24, {1, 2, 3});
    idPastEnd[0] = 200;
    EXPECT_FALSE(tga(idPastEnd));
    EXPECT_FALSE(tga(Bytes{0, 0, 2}));
    TempDir dir;
    EXPECT_FALSE(readTga((dir / "missing.tga").string()));
}

struct EncodedTga {
    const char* name;
    Picture (*source)();
    const char* convertOptions;
    std::uint8_t type;
    std::uint8_t depth;
};

void PrintTo(const EncodedTga& variant, std::ostream* out) { *out << variant.name; }

class TgaFromImageMagick : public testing::TestWithParam<EncodedTga> {};

TEST_P(TgaFromImageMagick, DecodesLikeStbImage)
{
    if (!testsupport::haveProgram("convert")) GTEST_SKIP() << "ImageMagick missing";
    const EncodedTga& variant = GetParam();
    TempDir dir;
    ASSERT_TRUE(writePng(dir / "in.png", variant.source()));
    const auto encoded = dir / "encoded.tga";
    ASSERT_TRUE(runConvert(testsupport::shellQuote((dir / "in.png").string()) + " " + variant.convertOptions + " " +
                           testsupport::shellQuote("tga:" + encoded.string())));
    const Bytes file = testsupport::readFileBytes(encoded);
    ASSERT_GE(file.size(), 18u);
    ASSERT_EQ(file[2], variant.type);
    ASSERT_EQ(file[16], variant.depth);
    const auto ours = readTga(encoded.string());
    ASSERT_TRUE(ours);
    const int channels = variant.depth / 8;
    ASSERT_EQ(ours->channels, channels);
    const auto oracle = stbDecode(encoded, channels);
    ASSERT_TRUE(oracle);
    ASSERT_EQ(ours->width, oracle->width);
    ASSERT_EQ(ours->height, oracle->height);
    // stb_image turns rows to top-first; ours stay in file order.
    const bool bottomFirst = (file[17] & 0x20) == 0;
    for (int row = 0; row < ours->height; ++row)
        for (int x = 0; x < ours->width; ++x) {
            const std::uint8_t* got = ours->pixels.data() + (static_cast<std::size_t>(row) * ours->width + x) * channels;
            const std::uint8_t* want = oracle->at(x, bottomFirst ? ours->height - 1 - row : row);
            ASSERT_TRUE(std::equal(got, got + channels, want)) << "at " << x << "," << row;
        }
}

INSTANTIATE_TEST_SUITE_P(Variants, TgaFromImageMagick,
                         testing::Values(EncodedTga{"rle24", richPicture, "-compress RLE", 10, 24},
                                         EncodedTga{"rle32", alphaPicture, "-compress RLE", 10, 32},
                                         EncodedTga{"plain24", richPicture, "-compress None", 2, 24},
                                         EncodedTga{"plain32", alphaPicture, "-compress None", 2, 32}),
                         [](const testing::TestParamInfo<EncodedTga>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Truncated and damaged files: refused or decoded, never a crash or a read
// outside the data (every prefix lives in a buffer of exactly its size).

namespace {

std::vector<Bytes> sampleBmps()
{
    std::vector<Bytes> files{makeBmp(validSpec())};
    files.push_back(makeBmp(rleSpec(8, 1, 6, 3, {3, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 2, 1, 2, 3, 0, 1})));
    files.push_back(makeBmp(rleSpec(4, 2, 5, 2, {5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1})));
    BmpLayout paletted;
    paletted.width = 7;
    paletted.height = 3;
    paletted.bitCount = 4;
    for (int i = 0; i < 16; ++i) paletted.palette.push_back({static_cast<std::uint8_t>(i), 1, 2});
    paletted.pixelData.assign(12, 0x5A);
    files.push_back(makeBmp(paletted));
    BmpLayout fields;
    fields.width = 3;
    fields.height = 2;
    fields.bitCount = 16;
    fields.compression = 3;
    fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.pixelData.assign(16, 0xA5);
    files.push_back(makeBmp(fields));
    BmpLayout os2 = validSpec();
    os2.infoSize = 12;
    files.push_back(makeBmp(os2));
    return files;
}

std::vector<Bytes> sampleTgas()
{
    return {makeTga(10, 3, 3, 24, {0x85, 30, 20, 10, 0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9}),
            makeTga(10, 2, 2, 32, {0x81, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12}),
            makeTga(2, 2, 2, 24, Bytes(12, 7)), makeTga(2, 3, 1, 16, {1, 2, 3, 4, 5, 6})};
}

void expectConsistentBmp(const std::optional<BmpImage>& image)
{
    if (!image) return;
    ASSERT_GT(image->width, 0);
    ASSERT_GT(image->height, 0);
    ASSERT_EQ(image->pixels.size(), static_cast<std::size_t>(image->width) * image->height * 3);
}

void expectConsistentTga(const std::optional<TgaImage>& image)
{
    if (!image) return;
    ASSERT_TRUE(image->channels == 3 || image->channels == 4);
    ASSERT_EQ(image->pixels.size(), static_cast<std::size_t>(image->width) * image->height * image->channels);
}

}  // namespace

TEST(DamagedFiles, EveryBmpPrefixIsRefusedOrConsistent)
{
    testing::internal::CaptureStderr();
    const std::vector<Bytes> files = sampleBmps();
    for (std::size_t f = 0; f < files.size(); ++f) {
        for (std::size_t length = 0; length < files[f].size(); ++length) {
            const Bytes prefix(files[f].begin(), files[f].begin() + static_cast<std::ptrdiff_t>(length));
            const auto image = decodeBmp(prefix.data(), prefix.size(), "prefix.bmp");
            expectConsistentBmp(image);
            // Without its last pixel byte a plain 24-bit file cannot be decoded.
            if (f == 0 && length < files[f].size() - 3) {
                EXPECT_FALSE(image) << length;
            }
        }
    }
    testing::internal::GetCapturedStderr();
}

TEST(DamagedFiles, EveryTgaPrefixIsRefused)
{
    for (const Bytes& file : sampleTgas()) {
        ASSERT_TRUE(tga(file));
        for (std::size_t length = 0; length < file.size(); ++length) {
            const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_FALSE(decodeTga(prefix.data(), prefix.size())) << length;
        }
    }
}

TEST(DamagedFiles, RandomByteChangesNeverCrash)
{
    constexpr int kMutationsPerFile = 3000;
    constexpr std::size_t kHeaderBytes = 70;
    std::mt19937 random(20261207);
    testing::internal::CaptureStderr();
    for (const Bytes& original : sampleBmps()) {
        for (int i = 0; i < kMutationsPerFile; ++i) {
            Bytes file = original;
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int c = 0; c < changes; ++c) {
                // Half the changes hit the headers, where the sizes live.
                const std::size_t span = (random() % 2 == 0) ? std::min(kHeaderBytes, file.size()) : file.size();
                file[random() % span] = static_cast<std::uint8_t>(random());
            }
            expectConsistentBmp(decodeBmp(file.data(), file.size(), "damaged.bmp"));
        }
    }
    testing::internal::GetCapturedStderr();
    for (const Bytes& original : sampleTgas()) {
        for (int i = 0; i < kMutationsPerFile; ++i) {
            Bytes file = original;
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int c = 0; c < changes; ++c) file[random() % file.size()] = static_cast<std::uint8_t>(random());
            expectConsistentTga(decodeTga(file.data(), file.size()));
        }
    }
}

// ---------------------------------------------------------------------------
// The game's own pictures, as the content generator writes them

TEST(GeneratedPictures, EveryPictureDecodesLikeStbImage)
{
    namespace fs = std::filesystem;
    const fs::path data = testsupport::generatedDataDir();
    if (!fs::is_directory(data)) GTEST_SKIP() << "no generated data";
    int checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(data)) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".bmp") {
            const auto ours = readBmp(entry.path().string());
            ASSERT_TRUE(ours) << entry.path();
            const auto oracle = stbDecode(entry.path());
            ASSERT_TRUE(oracle) << entry.path();
            SCOPED_TRACE(entry.path().string());
            expectSamePicture(*ours, *oracle);
            ++checked;
        } else if (extension == ".tga") {
            const auto ours = readTga(entry.path().string());
            ASSERT_TRUE(ours) << entry.path();
            const auto oracle = stbDecode(entry.path(), ours->channels);
            ASSERT_TRUE(oracle) << entry.path();
            ASSERT_EQ(ours->width, oracle->width);
            ASSERT_EQ(ours->height, oracle->height);
            const Bytes file = testsupport::readFileBytes(entry.path());
            const bool bottomFirst = (file[17] & 0x20) == 0;
            const std::size_t rowBytes = static_cast<std::size_t>(ours->width) * ours->channels;
            for (int row = 0; row < ours->height; ++row) {
                const int oracleRow = bottomFirst ? ours->height - 1 - row : row;
                ASSERT_TRUE(std::equal(ours->pixels.begin() + static_cast<std::ptrdiff_t>(row * rowBytes),
                                       ours->pixels.begin() + static_cast<std::ptrdiff_t>((row + 1) * rowBytes),
                                       oracle->pixels.begin() + static_cast<std::ptrdiff_t>(oracleRow * rowBytes)))
                    << entry.path() << " row " << row;
            }
            ++checked;
        }
    }
    if (checked == 0) GTEST_SKIP() << "no pictures generated yet";
}
