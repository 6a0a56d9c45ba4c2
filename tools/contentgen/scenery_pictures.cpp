// The scenery pictures: the lawn (tiled 14 times each way over the ground),
// the board fence (tiled 7 times along a wall), the garden gate and the cloud
// layer. The fence and the gate are opaque in their bottom 30 % only, where
// a struck mole slides down; above it they are clear so the sky shows.
#include "drawing.h"
#include "picture_files.h"

#include <algorithm>
#include <cmath>

namespace contentgen {

namespace {

constexpr float pi = 3.14159265f;

constexpr int lawnSize = 256;
constexpr int lawnNoiseCells = 8;  // noise cells across the tile; octaves keep the period

// The fence and gate pictures: 128 x 256, the boards in the bottom 30 %.
constexpr int fenceWidth = 128;
constexpr int fenceHeight = 256;
constexpr float boardShare = 0.3f;
constexpr int fenceScale = 2;  // drawn at twice the size, then reduced
constexpr int cloudSize = 256;
constexpr int cloudNoiseCells = 4;

// Rows (from the top) of the stored picture that belong to the opaque boards.
int firstBoardRow()
{
    return fenceHeight - static_cast<int>(std::ceil(boardShare * fenceHeight));
}

Canvas drawLawn()
{
    Canvas lawn(lawnSize, lawnSize);
    const Rgba light{112, 186, 64, 255};
    const Rgba dark{64, 140, 44, 255};
    const Rgba yellowish{148, 190, 70, 255};
    const float cell = static_cast<float>(lawnSize) / lawnNoiseCells;
    for (int y = 0; y < lawnSize; ++y) {
        for (int x = 0; x < lawnSize; ++x) {
            const float fx = static_cast<float>(x) / cell;
            const float fy = static_cast<float>(y) / cell;
            const float patches = fractalNoise(fx, fy, 301, 4, lawnNoiseCells);
            const float dry = fractalNoise(fx * 0.5f, fy * 0.5f, 302, 2, lawnNoiseCells / 2);
            Rgba colour = mix(light, dark, std::clamp(0.2f + (patches - 0.3f) * 1.1f, 0.0f, 1.0f));
            colour = mix(colour, yellowish, std::clamp((dry - 0.6f) * 2.5f, 0.0f, 1.0f) * 0.5f);
            lawn.set(x, y, colour);
        }
    }
    // Blades of grass, drawn again one tile over on each side so the edges wrap.
    constexpr int bladeCount = 900;
    for (int i = 0; i < bladeCount; ++i) {
        const auto bi = static_cast<std::uint32_t>(i);
        const float bx = hashUnit(bi, 303) * lawnSize;
        const float by = hashUnit(bi, 304) * lawnSize;
        const float lean = (hashUnit(bi, 305) - 0.5f) * 6.0f;
        const float length = 4.0f + 5.0f * hashUnit(bi, 306);
        const bool bright = i % 3 == 0;
        const Rgba colour = bright ? Rgba{150, 214, 92, 150} : Rgba{40, 110, 34, 120};
        for (int ox = -1; ox <= 1; ++ox)
            for (int oy = -1; oy <= 1; ++oy) {
                const float px = bx + static_cast<float>(ox * lawnSize);
                const float py = by + static_cast<float>(oy * lawnSize);
                lawn.drawLine(px, py, px + lean, py - length, 1.2f, colour);
            }
    }
    return lawn;
}

// Wood grain for boards: streaks along the board, a few knots.
Rgba grain(float u, float v, std::uint32_t seed, Rgba base)
{
    const float streak = fractalNoise(u * 0.4f, v * 0.02f, seed, 3);
    const float fine = valueNoise(u * 1.5f, v * 0.08f, seed + 9);
    const float shade = (streak - 0.5f) * 0.5f + (fine - 0.5f) * 0.15f;
    return shade > 0 ? mix(base, {255, 236, 200, 255}, shade * 0.6f) : mix(base, {70, 40, 20, 255}, -shade);
}

// Keeps the boards fully opaque up to exactly their share of the height and
// everything above fully clear, with the board colour bled upwards.
void settleBoardAlpha(Canvas& picture)
{
    const int boundary = firstBoardRow();
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            Rgba p = picture.get(x, y);
            p.a = y >= boundary ? 255 : 0;
            picture.set(x, y, p);
        }
    bleedIntoTransparent(picture);
}

Canvas drawFence()
{
    const int w = fenceWidth * fenceScale;
    const int h = fenceHeight * fenceScale;
    const float top = static_cast<float>(firstBoardRow() * fenceScale);
    Canvas layer(w, h, palette::transparent);
    constexpr int boards = 4;
    const float boardWidth = static_cast<float>(w) / boards;
    const Rgba boardColours[boards] = {
        {188, 132, 78, 255}, {176, 122, 72, 255}, {194, 140, 84, 255}, {182, 128, 76, 255}};
    for (int b = 0; b < boards; ++b) {
        const float x0 = boardWidth * static_cast<float>(b);
        for (int y = static_cast<int>(top); y < h; ++y)
            for (int x = static_cast<int>(x0); x < static_cast<int>(x0 + boardWidth); ++x)
                layer.set(x, y,
                          grain(static_cast<float>(x - static_cast<int>(x0)), static_cast<float>(y),
                                401 + static_cast<std::uint32_t>(b), boardColours[b]));
        // Dark seam on the board's left edge, light bevel on its right.
        layer.fillRect(x0, top, x0 + 3, static_cast<float>(h), {84, 52, 28, 255});
        layer.fillRect(x0 + boardWidth - 3, top, x0 + boardWidth, static_cast<float>(h), {214, 168, 112, 255});
    }
    // Two cross rails with nails, and a cap along the top.
    const float boardsHeight = static_cast<float>(h) - top;
    for (float railY : {top + boardsHeight * 0.22f, top + boardsHeight * 0.72f}) {
        layer.fillRect(0, railY, static_cast<float>(w), railY + 16, {132, 88, 50, 255});
        layer.fillRect(0, railY + 13, static_cast<float>(w), railY + 16, {96, 62, 34, 255});
        for (int b = 0; b < boards; ++b)
            layer.fillCircle(boardWidth * (static_cast<float>(b) + 0.5f), railY + 7, 3, {70, 70, 76, 255});
    }
    layer.fillRect(0, top, static_cast<float>(w), top + 10, {150, 100, 56, 255});
    layer.fillRect(0, top + 8, static_cast<float>(w), top + 11, {96, 62, 34, 255});
    // Grass growing up along the bottom edge.
    for (int i = 0; i < 40; ++i) {
        const float x = (static_cast<float>(i) + 0.5f) * static_cast<float>(w) / 40.0f;
        const float height = 10.0f + 14.0f * valueNoise(static_cast<float>(i) * 0.7f, 0.5f, 409);
        layer.drawLine(x, static_cast<float>(h), x + 3, static_cast<float>(h) - height, 3, {70, 150, 50, 255});
    }
    Canvas picture = downsample(layer, fenceWidth, fenceHeight);
    settleBoardAlpha(picture);
    return picture;
}

Canvas drawGate()
{
    const int w = fenceWidth * fenceScale;
    const int h = fenceHeight * fenceScale;
    const float top = static_cast<float>(firstBoardRow() * fenceScale);
    const float bottom = static_cast<float>(h);
    Canvas layer(w, h, palette::transparent);
    const Rgba paint{86, 168, 96, 255};
    const Rgba paintDark{50, 118, 62, 255};
    const Rgba frame{244, 240, 226, 255};
    const Rgba frameShade{196, 190, 172, 255};
    // Painted planks behind a white frame with a diagonal brace.
    constexpr int planks = 5;
    const float plankWidth = static_cast<float>(w) / planks;
    for (int p = 0; p < planks; ++p) {
        const float x0 = plankWidth * static_cast<float>(p);
        for (int y = static_cast<int>(top); y < h; ++y)
            for (int x = static_cast<int>(x0); x < static_cast<int>(x0 + plankWidth); ++x)
                layer.set(
                    x, y,
                    grain(static_cast<float>(x), static_cast<float>(y), 420 + static_cast<std::uint32_t>(p), paint));
        layer.fillRect(x0, top, x0 + 3, bottom, paintDark);
    }
    const float border = 16.0f;
    layer.fillRect(0, top, static_cast<float>(w), top + border, frame);
    layer.fillRect(0, bottom - border, static_cast<float>(w), bottom, frame);
    layer.fillRect(0, top, border, bottom, frame);
    layer.fillRect(static_cast<float>(w) - border, top, static_cast<float>(w), bottom, frame);
    const float middle = (top + bottom) * 0.5f;
    layer.fillRect(0, middle - border * 0.5f, static_cast<float>(w), middle + border * 0.5f, frame);
    layer.drawLine(border, bottom - border, static_cast<float>(w) - border, middle + border * 0.5f, 15, frameShade);
    layer.drawLine(border, middle - border * 0.5f, static_cast<float>(w) - border, top + border, 15, frameShade);
    layer.drawLine(border, bottom - border, static_cast<float>(w) - border, middle + border * 0.5f, 11, frame);
    layer.drawLine(border, middle - border * 0.5f, static_cast<float>(w) - border, top + border, 11, frame);
    // Black hinges on one side, a latch with a ring on the other.
    const Rgba iron{40, 40, 46, 255};
    for (float y : {top + border * 0.5f + 10.0f, bottom - border * 0.5f - 10.0f}) {
        fillRoundedRect(layer, 4, y - 7, 76, y + 7, 6, iron);
        layer.fillCircle(12, y, 9, iron);
    }
    fillRoundedRect(layer, static_cast<float>(w) - 52, middle - 18, static_cast<float>(w) - 30, middle + 18, 5, iron);
    layer.fillCircle(static_cast<float>(w) - 41, middle + 22, 9, iron);
    layer.fillCircle(static_cast<float>(w) - 41, middle + 22, 5, frame);
    Canvas picture = downsample(layer, fenceWidth, fenceHeight);
    settleBoardAlpha(picture);
    return picture;
}

// White clouds on black: the sky layer is added to the frame (tinted blue and
// weighted by its colour's alpha), so black adds nothing and leaves clear sky.
// Each cloud is a cluster of soft puffs; every puff is also counted one tile
// over in each direction, so the picture tiles.
Canvas drawClouds()
{
    constexpr int clusters = 6;
    constexpr int puffsPerCluster = 18;
    struct Puff {
        float x, y, radius;
    };
    std::vector<Puff> puffs;
    for (int c = 0; c < clusters; ++c) {
        const auto ci = static_cast<std::uint32_t>(c);
        const float cx = hashUnit(ci, 511) * cloudSize;
        const float cy = hashUnit(ci, 512) * cloudSize;
        const float spread = 26.0f + 22.0f * hashUnit(ci, 513);
        for (int p = 0; p < puffsPerCluster; ++p) {
            const auto puffIndex = static_cast<std::uint32_t>(c * puffsPerCluster + p);
            const float angle = 2.0f * pi * hashUnit(puffIndex, 514);
            const float distance = spread * hashUnit(puffIndex, 515);
            const float radius = 16.0f + 16.0f * hashUnit(puffIndex, 516);
            // Clouds are wider than tall.
            puffs.push_back({cx + std::cos(angle) * distance * 1.6f, cy + std::sin(angle) * distance * 0.8f, radius});
        }
    }
    Canvas clouds(cloudSize, cloudSize);
    const float cell = static_cast<float>(cloudSize) / cloudNoiseCells;
    for (int y = 0; y < cloudSize; ++y) {
        for (int x = 0; x < cloudSize; ++x) {
            float density = 0.0f;
            for (const Puff& puff : puffs) {
                for (int ox = -1; ox <= 1; ++ox)
                    for (int oy = -1; oy <= 1; ++oy) {
                        const float dx = static_cast<float>(x) + 0.5f - (puff.x + static_cast<float>(ox * cloudSize));
                        const float dy = static_cast<float>(y) + 0.5f - (puff.y + static_cast<float>(oy * cloudSize));
                        const float q = (dx * dx + dy * dy) / (puff.radius * puff.radius);
                        if (q < 1.0f) density += (1.0f - q) * (1.0f - q);
                    }
            }
            const float fx = static_cast<float>(x) / cell;
            const float fy = static_cast<float>(y) / cell;
            const float grainNoise = fractalNoise(fx * 4.0f, fy * 4.0f, 517, 3, cloudNoiseCells * 4);
            const float body = 1.0f - std::exp(-1.5f * density * (0.75f + 0.5f * grainNoise));
            const auto v = static_cast<std::uint8_t>(std::lround(255.0f * std::clamp(body, 0.0f, 1.0f)));
            clouds.set(x, y, {v, v, v, 255});
        }
    }
    return clouds;
}

const GeneratorRegistration registration{120, "scenery pictures", [](ContentSink& sink) {
                                             addPicture(sink, "bilder/Bottom.bmp", drawLawn(), PictureFormat::Bmp24);
                                             addPicture(sink, "wand.tga", drawFence(), PictureFormat::Tga32);
                                             addPicture(sink, "bilder/zaun.tga", drawGate(), PictureFormat::Tga32Rle);
                                             addPicture(sink, "bilder/wolken.bmp", drawClouds(), PictureFormat::Bmp24);
                                         }};

}  // namespace

}  // namespace contentgen
