#pragma once
// The game's icon in the sizes of the desktop's icon theme, as PNG files.
#include "canvas.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace contentgen {

// The square sizes drawn, in pixels.
const std::array<int, 6>& iconSizes();

// The icon at one size, with alpha.
Canvas drawIcon(int size);

// RGBA PNG bytes of a canvas; empty when encoding failed.
std::vector<std::uint8_t> encodePng(const Canvas& canvas);

// Writes root/hicolor/NxN/apps/NAME.png for every size; false on any failure.
bool writeIconTheme(const std::filesystem::path& root, const std::string& name);

}  // namespace contentgen
