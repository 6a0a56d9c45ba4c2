#pragma once
// Writers for the picture formats the game reads: BMP (24-bit and 8-bit
// paletted) and TGA (24/32-bit, plain or run-length encoded). All files are
// stored bottom-up, the usual order of both formats.
#include "canvas.h"
#include "content.h"

#include <cstdint>
#include <string>
#include <vector>

namespace contentgen {

enum class PictureFormat { Bmp24, Bmp8Paletted, Tga24, Tga32, Tga24Rle, Tga32Rle };

std::vector<std::uint8_t> encodePicture(const Canvas& canvas, PictureFormat format);

// Encodes the canvas, adds the file to the sink and keeps the canvas for the contact sheet.
void addPicture(ContentSink& sink, const std::string& path, const Canvas& canvas, PictureFormat format);

// The palette an 8-bit BMP of this canvas uses: every colour exactly when
// there are at most 256, else a median-cut reduction. Sorted, at most 256 entries.
std::vector<Rgba> paletteFor(const Canvas& canvas);

}  // namespace contentgen
