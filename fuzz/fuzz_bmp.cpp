// The BMP reader: any bytes give either a refusal or a picture whose size
// matches its pixel buffer, lies within the side and pixel limits, and is in
// proportion to the file.
#include "assets/image.h"
#include "fuzz_check.h"
#include "platform/message_box.h"

#include <cstddef>
#include <cstdint>

namespace {
// A 1-bit picture gives 24 output bytes for each input byte; an RLE stream
// at most three bytes for each pixel it may claim per byte.
constexpr std::uint64_t kMostOutputPerInputByte = 3 * kMaxRlePixelsPerStreamByte;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setDialogsEnabled(false);
    fuzzsupport::silenceReaderMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::optional<BmpImage> image = decodeBmp(data, size, "fuzz.bmp");
    if (!image) return 0;
    FUZZ_CHECK(image->width >= 1 && image->width <= kMaxImageSide);
    FUZZ_CHECK(image->height >= 1 && image->height <= kMaxImageSide);
    const std::uint64_t pixels = std::uint64_t(image->width) * std::uint64_t(image->height);
    FUZZ_CHECK(pixels <= std::uint64_t(kMaxImagePixels));
    FUZZ_CHECK(image->pixels.size() == pixels * 3);
    FUZZ_CHECK(image->pixels.size() <= kMostOutputPerInputByte * size);
    return 0;
}
