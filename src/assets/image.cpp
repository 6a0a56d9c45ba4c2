#include "assets/image.h"

#include "platform/bulk_buffer.h"
#include "platform/message_box.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <memory>
#include <new>

namespace {

// ---------------------------------------------------------------------------
// Little-endian fields and bounds

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// True when [offset, offset + length) lies inside a buffer of size bytes.
bool fits(std::uint64_t offset, std::uint64_t length, std::size_t size)
{
    return offset <= size && length <= size - offset;
}

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

// ---------------------------------------------------------------------------
// BMP

constexpr std::size_t kBmpFileHeaderSize = 14;
constexpr std::uint32_t kWindowsInfoSize = 40;
constexpr std::uint32_t kCoreInfoSize = 12;
constexpr std::size_t kBitfieldMaskBytes = 12;

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;

constexpr std::size_t kMaxPaletteEntries = 256;

// One colour channel of 16- and 32-bit pixels: where its bits lie and how
// many there are. Narrow channels are widened to eight bits by repeating
// their bits (5-bit 31 becomes 255, 16 becomes 132).
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    std::uint8_t extract(std::uint32_t pixel) const
    {
        if (bits == 0) return 0;
        const std::uint32_t value = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<std::uint8_t>(value >> (bits - 8));
        std::uint32_t widened = 0;
        int filled = 0;
        for (; filled < 8; filled += bits) widened = (widened << bits) | value;
        return static_cast<std::uint8_t>(widened >> (filled - 8));
    }
};

// A mask must be one run of set bits (or empty).
bool makeChannel(std::uint32_t mask, Channel& channel)
{
    channel = Channel{};
    if (mask == 0) return true;
    const int shift = std::countr_zero(mask);
    const std::uint32_t value = mask >> shift;
    if ((value & (value + 1)) != 0) return false;
    channel = Channel{mask, shift, std::popcount(value)};
    return true;
}

struct BmpLayout {
    std::int32_t width = 0;
    std::int32_t height = 0;  // always positive
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::array<Rgb, kMaxPaletteEntries> palette{};
    std::size_t paletteSize = 0;
    std::array<Channel, 3> channels{};  // red, green, blue for 16 and 32 bits
    std::size_t dataOffset = 0;
};

enum class BmpFailure { None, UnknownFormat, Conversion };

// Why a file was refused: the kind picks the message shown, the detail goes
// to standard error with the path.
struct BmpProblem {
    BmpFailure kind = BmpFailure::None;
    const char* detail = nullptr;
};

constexpr const char* kIndexBeyondPalette = "pixel index beyond the palette";
constexpr const char* kRleCutOff = "RLE stream cut off";

BmpProblem parseBmpHeaders(const std::uint8_t* data, std::size_t size, BmpLayout& layout)
{
    if (!fits(0, kBmpFileHeaderSize + 4, size) || data[0] != 'B' || data[1] != 'M')
        return {BmpFailure::UnknownFormat, "no BMP file header"};
    const std::uint32_t infoSize = le32(data + kBmpFileHeaderSize);
    if (infoSize != kWindowsInfoSize && infoSize != kCoreInfoSize)
        return {BmpFailure::UnknownFormat, "unsupported info header size"};
    if (!fits(kBmpFileHeaderSize, infoSize, size)) return {BmpFailure::Conversion, "info header cut off"};

    const std::uint8_t* info = data + kBmpFileHeaderSize;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t colorsUsed = 0;
    std::size_t paletteEntryBytes = 3;
    std::size_t paletteOffset = kBmpFileHeaderSize + infoSize;
    if (infoSize == kWindowsInfoSize) {
        width = static_cast<std::int32_t>(le32(info + 4));
        height = static_cast<std::int32_t>(le32(info + 8));
        layout.bitCount = le16(info + 14);
        layout.compression = le32(info + 16);
        colorsUsed = le32(info + 32);
        paletteEntryBytes = 4;
    } else {
        width = le16(info + 4);
        height = le16(info + 6);
        layout.bitCount = le16(info + 10);
    }

    layout.topDown = height < 0;
    if (height < 0) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
        width * height > kMaxImagePixels)
        return {BmpFailure::Conversion, "impossible picture size"};
    layout.width = static_cast<std::int32_t>(width);
    layout.height = static_cast<std::int32_t>(height);

    const int bits = layout.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return {BmpFailure::Conversion, "unsupported bit count"};
    switch (layout.compression) {
    case kBiRgb: break;
    case kBiRle8:
        if (bits != 8 || layout.topDown) return {BmpFailure::Conversion, "RLE8 needs 8 bits and bottom-up rows"};
        break;
    case kBiRle4:
        if (bits != 4 || layout.topDown) return {BmpFailure::Conversion, "RLE4 needs 4 bits and bottom-up rows"};
        break;
    case kBiBitfields:
        if (bits != 16 && bits != 32) return {BmpFailure::Conversion, "bit fields need 16 or 32 bits"};
        break;
    default: return {BmpFailure::Conversion, "unsupported compression"};
    }

    if (bits == 16 || bits == 32) {
        std::array<std::uint32_t, 3> masks = bits == 16
            ? std::array<std::uint32_t, 3>{0x7C00, 0x03E0, 0x001F}
            : std::array<std::uint32_t, 3>{0xFF0000, 0x00FF00, 0x0000FF};
        if (layout.compression == kBiBitfields) {
            if (!fits(paletteOffset, kBitfieldMaskBytes, size)) return {BmpFailure::Conversion, "bit field masks cut off"};
            for (std::size_t i = 0; i < masks.size(); ++i) masks[i] = le32(data + paletteOffset + 4 * i);
        }
        for (std::size_t i = 0; i < masks.size(); ++i)
            if (!makeChannel(masks[i], layout.channels[i]))
                return {BmpFailure::Conversion, "bit field mask not one run of bits"};
    } else if (bits <= 8) {
        const std::size_t fullPalette = std::size_t{1} << bits;
        layout.paletteSize = (colorsUsed != 0 && infoSize == kWindowsInfoSize)
            ? std::min<std::size_t>(colorsUsed, fullPalette)
            : fullPalette;
        if (!fits(paletteOffset, std::uint64_t{layout.paletteSize} * paletteEntryBytes, size))
            return {BmpFailure::Conversion, "palette cut off"};
        for (std::size_t i = 0; i < layout.paletteSize; ++i) {
            const std::uint8_t* entry = data + paletteOffset + i * paletteEntryBytes;
            layout.palette[i] = Rgb{entry[2], entry[1], entry[0]};
        }
    }

    const std::uint32_t dataOffset = le32(data + 10);
    if (dataOffset > size) return {BmpFailure::Conversion, "pixel data offset past the end"};
    layout.dataOffset = dataOffset;

    // The pixel data must be able to be there before the picture is allocated.
    const std::uint64_t pixelCount = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (layout.compression == kBiRle8 || layout.compression == kBiRle4) {
        const std::uint64_t streamBytes = size - dataOffset;
        if (pixelCount > streamBytes * kMaxRlePixelsPerStreamByte)
            return {BmpFailure::Conversion, "RLE stream too short for the picture size"};
    } else {
        const std::uint64_t rowBits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bits);
        const std::uint64_t stride = (rowBits + 31) / 32 * 4;
        const std::uint64_t rowBytes = (rowBits + 7) / 8;
        // The last row's padding may be missing; its pixels may not.
        if (!fits(dataOffset, stride * static_cast<std::uint64_t>(height - 1) + rowBytes, size))
            return {BmpFailure::Conversion, "pixel data cut off"};
    }
    return {};
}

void putPixel(BmpImage& image, std::size_t x, std::size_t row, Rgb colour)
{
    std::uint8_t* out = image.pixels.data() + (row * static_cast<std::size_t>(image.width) + x) * 3;
    out[0] = colour.r;
    out[1] = colour.g;
    out[2] = colour.b;
}

// Uncompressed rows, each padded to four bytes in the file.
// parseBmpHeaders has checked that every row is there.
const char* decodeBmpRows(const std::uint8_t* data, const BmpLayout& layout, BmpImage& image)
{
    const std::size_t width = static_cast<std::size_t>(layout.width);
    const std::size_t height = static_cast<std::size_t>(layout.height);
    const int bits = layout.bitCount;
    const std::uint64_t rowBits = std::uint64_t{width} * static_cast<std::uint64_t>(bits);
    const std::uint64_t stride = (rowBits + 31) / 32 * 4;

    for (std::size_t fileRow = 0; fileRow < height; ++fileRow) {
        const std::uint8_t* src = data + layout.dataOffset + fileRow * stride;
        const std::size_t row = layout.topDown ? height - 1 - fileRow : fileRow;
        for (std::size_t x = 0; x < width; ++x) {
            Rgb colour;
            if (bits <= 8) {
                const std::size_t bitPos = x * static_cast<std::size_t>(bits);
                const unsigned shift = 8 - static_cast<unsigned>(bits) - bitPos % 8;
                const std::size_t index = (src[bitPos / 8] >> shift) & ((1u << bits) - 1);
                if (index >= layout.paletteSize) return kIndexBeyondPalette;
                colour = layout.palette[index];
            } else if (bits == 24) {
                const std::uint8_t* p = src + x * 3;
                colour = Rgb{p[2], p[1], p[0]};
            } else {
                const std::uint32_t pixel = bits == 16 ? le16(src + x * 2) : le32(src + x * 4);
                colour = Rgb{layout.channels[0].extract(pixel), layout.channels[1].extract(pixel),
                             layout.channels[2].extract(pixel)};
            }
            putPixel(image, x, row, colour);
        }
    }
    return nullptr;
}

// RLE8 and RLE4 streams (always bottom-up). Pixels the stream skips stay
// black; pixels beyond the right or top edge are dropped. The stream must
// end with its end-of-bitmap mark or have filled the last row.
const char* decodeBmpRle(const std::uint8_t* data, std::size_t size, const BmpLayout& layout, BmpImage& image)
{
    const bool rle4 = layout.compression == kBiRle4;
    const std::size_t width = static_cast<std::size_t>(layout.width);
    const std::size_t height = static_cast<std::size_t>(layout.height);
    std::size_t pos = layout.dataOffset;
    std::size_t x = 0;
    std::size_t y = 0;

    auto emit = [&](std::size_t index) {
        if (index >= layout.paletteSize) return false;
        if (x < width && y < height) putPixel(image, x, y, layout.palette[index]);
        if (x < width) ++x;
        return true;
    };

    for (;;) {
        if (!fits(pos, 2, size)) return y >= height ? nullptr : "RLE stream ends before the picture";
        const std::uint8_t count = data[pos];
        const std::uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {  // a run of one index (RLE4: two alternating indices)
            for (std::size_t i = 0; i < count; ++i) {
                const std::size_t index = rle4 ? ((i % 2 == 0) ? value >> 4 : value & 0x0F) : value;
                if (!emit(index)) return kIndexBeyondPalette;
            }
            continue;
        }
        switch (value) {
        case 0:  // end of line
            x = 0;
            y = std::min(y + 1, height);
            break;
        case 1:  // end of bitmap
            return nullptr;
        case 2:  // delta: move right and up
            if (!fits(pos, 2, size)) return kRleCutOff;
            x = std::min(x + data[pos], width);
            y = std::min(y + data[pos + 1], height);
            pos += 2;
            break;
        default: {  // absolute run of value indices, padded to a 16-bit boundary
            const std::size_t bytes = rle4 ? (value + 1u) / 2 : value;
            if (!fits(pos, bytes, size)) return kRleCutOff;
            for (std::size_t i = 0; i < value; ++i) {
                const std::uint8_t byte = data[pos + (rle4 ? i / 2 : i)];
                const std::size_t index = rle4 ? ((i % 2 == 0) ? byte >> 4 : byte & 0x0F) : byte;
                if (!emit(index)) return kIndexBeyondPalette;
            }
            pos = std::min(pos + bytes + bytes % 2, size);
            break;
        }
        }
    }
}

// ---------------------------------------------------------------------------
// TGA

constexpr std::size_t kTgaHeaderSize = 18;
constexpr std::uint8_t kTgaRleTrueColour = 10;
constexpr std::uint8_t kTgaRunBit = 0x80;
constexpr int kTga16BitScale = 8;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::string bmpOpenFailureMessage(std::string_view path)
{
    std::string text = "Failed to open DIB file ";
    text.append(path);
    text.append(".\n");
    return text;
}

std::optional<BmpImage> decodeBmp(const std::uint8_t* data, std::size_t size, std::string_view path)
{
    // The message box shows the fixed text; standard error also gets the
    // file and what was wrong with it.
    auto fail = [path](std::string_view text, const char* detail) -> std::optional<BmpImage> {
        if (detail != nullptr)
            std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(path.size()), path.data(), detail);
        showMessageBox("Error", text);
        return std::nullopt;
    };
    if (data == nullptr) size = 0;

    BmpLayout layout;
    const BmpProblem problem = parseBmpHeaders(data, size, layout);
    switch (problem.kind) {
    case BmpFailure::None: break;
    case BmpFailure::UnknownFormat: return fail(kBmpUnknownFormat, problem.detail);
    case BmpFailure::Conversion: return fail(kBmpConversionError, problem.detail);
    }

    BmpImage image;
    image.width = layout.width;
    image.height = layout.height;
    try {
        image.pixels.assign(static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.height) * 3, 0);
    } catch (const std::bad_alloc&) {
        return fail(kBmpOutOfMemory, nullptr);
    }
    const bool compressed = layout.compression == kBiRle8 || layout.compression == kBiRle4;
    const char* detail = compressed ? decodeBmpRle(data, size, layout, image) : decodeBmpRows(data, layout, image);
    if (detail != nullptr) return fail(kBmpConversionError, detail);
    return image;
}

std::optional<BmpImage> readBmp(const std::string& path)
{
    BulkBuffer bytes;
    if (!readFileBytes(path, bytes, kMaxImageFileBytes)) {
        showMessageBox("Error", bmpOpenFailureMessage(path));
        return std::nullopt;
    }
    return decodeBmp(bytes.data(), bytes.size(), path);
}

std::optional<TgaImage> decodeTga(const std::uint8_t* data, std::size_t size)
{
    if (data == nullptr || size < kTgaHeaderSize) return std::nullopt;
    const std::uint8_t idLength = data[0];
    const std::uint8_t colourMapType = data[1];
    const std::uint8_t imageType = data[2];
    const std::uint16_t colourMapLength = le16(data + 5);
    const std::uint8_t colourMapDepth = data[7];
    const std::uint16_t width = le16(data + 12);
    const std::uint16_t height = le16(data + 14);
    const int depth = data[16];
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide) return std::nullopt;
    const std::uint64_t pixelCount = std::uint64_t{width} * height;
    if (pixelCount > static_cast<std::uint64_t>(kMaxImagePixels)) return std::nullopt;

    // Pixels follow the image ID and, when the file carries one, the colour
    // map (which true-colour pictures do not use).
    std::uint64_t pos = kTgaHeaderSize + std::uint64_t{idLength};
    if (colourMapType == 1) pos += std::uint64_t{colourMapLength} * ((colourMapDepth + 7u) / 8u);
    if (pos > size) return std::nullopt;

    TgaImage image;
    image.width = width;
    image.height = height;
    const bool rle = imageType == kTgaRleTrueColour;
    if (depth == 24 || depth == 32) {
        image.channels = depth / 8;
    } else if (depth == 16 && !rle) {
        image.channels = 3;
    } else {
        return std::nullopt;
    }
    const std::size_t channels = static_cast<std::size_t>(image.channels);
    const std::size_t bytesPerPixel = static_cast<std::size_t>(depth) / 8;
    const std::size_t remaining = size - static_cast<std::size_t>(pos);
    // Each packet of at most 128 pixels takes at least one header byte and one pixel.
    const std::uint64_t mostPixels = rle ? std::uint64_t{remaining / (1 + bytesPerPixel)} * 128
                                         : std::uint64_t{remaining / bytesPerPixel};
    if (pixelCount > mostPixels) return std::nullopt;

    try {
        image.pixels.resize(static_cast<std::size_t>(pixelCount) * channels);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    std::uint8_t* out = image.pixels.data();
    const std::uint8_t* src = data + pos;

    if (rle) {
        // A packet that runs past the last pixel stops there.
        const std::uint8_t* end = data + size;
        std::uint64_t done = 0;
        while (done < pixelCount) {
            if (src >= end) return std::nullopt;
            const std::uint8_t header = *src++;
            const bool run = (header & kTgaRunBit) != 0;
            const std::uint64_t count = std::min<std::uint64_t>((header & 0x7F) + 1u, pixelCount - done);
            const std::uint8_t* p = nullptr;
            for (std::uint64_t i = 0; i < count; ++i, out += channels) {
                if (!run || i == 0) {  // a raw packet reads every pixel, a run only one
                    if (static_cast<std::size_t>(end - src) < bytesPerPixel) return std::nullopt;
                    p = src;
                    src += bytesPerPixel;
                }
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
                if (channels == 4) out[3] = p[3];
            }
            done += count;
        }
    } else if (depth == 16) {
        for (std::uint64_t i = 0; i < pixelCount; ++i, src += 2, out += 3) {
            const std::uint16_t v = le16(src);
            out[0] = static_cast<std::uint8_t>(((v >> 10) & 31) * kTga16BitScale);
            out[1] = static_cast<std::uint8_t>(((v >> 5) & 31) * kTga16BitScale);
            out[2] = static_cast<std::uint8_t>((v & 31) * kTga16BitScale);
        }
    } else {
        std::copy(src, src + image.pixels.size(), out);
        for (std::size_t i = 0; i < image.pixels.size(); i += channels) std::swap(out[i], out[i + 2]);
    }
    return image;
}

std::optional<TgaImage> readTga(const std::string& path)
{
    BulkBuffer bytes;
    if (!readFileBytes(path, bytes, kMaxImageFileBytes)) return std::nullopt;
    return decodeTga(bytes.data(), bytes.size());
}
