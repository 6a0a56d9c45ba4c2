#pragma once
// Drawing helpers shared by the picture generators: resampling, rounded
// shapes, gradients, mask/picture pairs and the little garden motifs
// (flowers, moles) that several pictures show.
#include "canvas.h"

#include <array>
#include <vector>

namespace contentgen {

// A deterministic pseudo-random number in [0, 1) for an index and a seed,
// for scattering things (uncorrelated between neighbouring indices).
float hashUnit(std::uint32_t index, std::uint32_t seed);

// Area-averaged reduction (alpha-weighted), for pictures drawn large and
// stored small; also turns a 4:3 drawing into a power-of-two texture.
Canvas downsample(const Canvas& source, int width, int height);

std::vector<std::array<float, 2>> roundedRectangle(float x0, float y0, float x1, float y1, float radius);
void fillRoundedRect(Canvas& canvas, float x0, float y0, float x1, float y1, float radius, Rgba colour);

// Fills a polygon with a vertical gradient running from `top` at y0 to `bottom` at y1.
void fillPolygonGradient(Canvas& canvas, const std::vector<std::array<float, 2>>& points, float y0, float y1, Rgba top,
                         Rgba bottom);

// Fills rows y0..y1 (whole canvas width) with a top-to-bottom gradient.
void fillVerticalGradient(Canvas& canvas, int y0, int y1, Rgba top, Rgba bottom);

// A picture drawn with alpha becomes the game's mask/picture pair: the mask
// (multiplied into the frame) is white where the frame shows and black under
// the shape, the picture (added) is the shape's colour weighted by its alpha
// on black. Together they composite like ordinary alpha blending.
struct MaskAndPicture {
    Canvas mask;
    Canvas picture;
};
MaskAndPicture splitMaskAndPicture(const Canvas& layer);

// Gives fully transparent pixels the colour of the nearest visible ones, so
// texture filtering and mipmaps do not pull dark fringes into the edges.
void bleedIntoTransparent(Canvas& canvas);

// A simple flower seen from the side: stem, two leaves and a round blossom.
void drawFlower(Canvas& canvas, float baseX, float baseY, float height, Rgba petals, Rgba centre);
// A cheerful mole head with nose, eyes and paws, centred at (cx, cy), `size` wide.
void drawMoleHead(Canvas& canvas, float cx, float cy, float size);
// A mound of earth, its base centred at (cx, baseY).
void drawMound(Canvas& canvas, float cx, float baseY, float width, float height);

// Common colours of the pictures.
namespace palette {
inline constexpr Rgba transparent{0, 0, 0, 0};
inline constexpr Rgba black{0, 0, 0, 255};
inline constexpr Rgba white{255, 255, 255, 255};
inline constexpr Rgba skyTop{88, 160, 236, 255};
inline constexpr Rgba skyBottom{186, 226, 255, 255};
inline constexpr Rgba lawnLight{120, 196, 72, 255};
inline constexpr Rgba lawnDark{62, 142, 44, 255};
inline constexpr Rgba woodLight{196, 140, 84, 255};
inline constexpr Rgba woodDark{128, 84, 46, 255};
inline constexpr Rgba earth{122, 82, 52, 255};
inline constexpr Rgba earthDark{88, 58, 36, 255};
inline constexpr Rgba moleFur{84, 70, 78, 255};
inline constexpr Rgba moleNose{244, 142, 160, 255};
inline constexpr Rgba ink{52, 40, 30, 255};
}  // namespace palette

}  // namespace contentgen
