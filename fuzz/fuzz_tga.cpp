// The TGA reader: a refusal, or a picture of 3 or 4 channels whose buffer
// matches its size, within the limits and in proportion to the file.
#include "assets/image.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

namespace {
// A run packet of two bytes (16-bit pixels are not run-length coded, so
// three bytes at least) gives 128 pixels of up to 4 bytes.
constexpr std::uint64_t kMostOutputPerInputByte = 128 * 4;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::optional<TgaImage> image = decodeTga(data, size);
    if (!image) return 0;
    FUZZ_CHECK(image->channels == 3 || image->channels == 4);
    FUZZ_CHECK(image->width >= 1 && image->width <= kMaxImageSide);
    FUZZ_CHECK(image->height >= 1 && image->height <= kMaxImageSide);
    const std::uint64_t pixels = std::uint64_t(image->width) * std::uint64_t(image->height);
    FUZZ_CHECK(pixels <= std::uint64_t(kMaxImagePixels));
    FUZZ_CHECK(image->pixels.size() == pixels * std::uint64_t(image->channels));
    FUZZ_CHECK(image->pixels.size() <= kMostOutputPerInputByte * size);
    return 0;
}

