#pragma once
// Readers for the game's pictures: Windows BMP (turned into 24-bit RGB) and
// Truevision TGA (RGB or RGBA). Both readers check every size, offset and
// index against the bytes actually present and refuse what does not fit.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A BMP picture as RGB bytes, rows tightly packed (no padding); the first row
// in memory is the bottom row of the picture, also for top-down files.
struct BmpImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 3: red, green, blue
};

// A TGA picture, rows tightly packed, in the order the file stores them.
struct TgaImage {
    std::int32_t channels = 0;  // 3 (RGB) or 4 (RGBA)
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * channels
};

// Largest side a picture may claim. Every picture becomes a texture, and a
// side beyond the texture sides GL drivers commonly offer (4096 is the least
// of today's; the game's own pictures are at most 512) is of no use to the
// game, so it is taken as a damaged file rather than allocated.
constexpr std::int64_t kMaxImageSide = 4096;
constexpr std::int64_t kMaxImagePixels = kMaxImageSide * kMaxImageSide;
// A run-length coded BMP may claim at most this many pixels per byte of its
// stream. Plain runs give at most 127.5 pixels a byte; the rest leaves room
// for moves and an early end mark, while a stream of a few bytes cannot make
// the reader allocate a picture out of all proportion to the file.
constexpr std::int64_t kMaxRlePixelsPerStreamByte = 1024;
// Largest picture file read into memory.
constexpr std::uintmax_t kMaxImageFileBytes = std::uintmax_t{1} << 30;

// The BMP reader's failure messages (shown in a message box captioned "Error").
inline constexpr std::string_view kBmpUnknownFormat = "Unknown DIB file format.";
inline constexpr std::string_view kBmpConversionError = "Image file conversion error.";
inline constexpr std::string_view kBmpOutOfMemory = "Out of memory.";
// "Failed to open DIB file <path>.\n"
std::string bmpOpenFailureMessage(std::string_view path);

// Reads the whole file at path and decodes it. Every failure shows its
// message box and returns nothing.
std::optional<BmpImage> readBmp(const std::string& path);
// Decodes a BMP held in memory; path only goes into messages.
std::optional<BmpImage> decodeBmp(const std::uint8_t* data, std::size_t size, std::string_view path);

// Reads and decodes a TGA file; nothing on any failure, without a message.
std::optional<TgaImage> readTga(const std::string& path);
std::optional<TgaImage> decodeTga(const std::uint8_t* data, std::size_t size);
