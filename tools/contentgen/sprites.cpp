// The particle sprites: a soft spray puff (added to the frame, its alpha
// scaled by the particle's life), a water drop (added, tinted light blue at
// a tenth of its strength, so it is bright and opaque) and a fly (blended
// over the scene). Drawn four times larger and reduced for smooth edges.
#include "drawing.h"
#include "picture_files.h"

#include <algorithm>
#include <cmath>

namespace contentgen {

namespace {

constexpr float pi = 3.14159265f;
constexpr int spriteSize = 64;
constexpr int spriteScale = 4;

Canvas drawPuff()
{
    Canvas puff(spriteSize, spriteSize, {0, 0, 0, 0});
    const Rgba mist{196, 240, 204, 255};
    const float centre = spriteSize / 2.0f;
    for (int y = 0; y < spriteSize; ++y) {
        for (int x = 0; x < spriteSize; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f - centre) / centre;
            const float dy = (static_cast<float>(y) + 0.5f - centre) / centre;
            const float r = std::sqrt(dx * dx + dy * dy);
            // Wispy edge: the radius wobbles with noise round the puff.
            const float wobble = fractalNoise(static_cast<float>(x) / 9.0f, static_cast<float>(y) / 9.0f, 601, 3);
            const float edge = 0.78f + 0.18f * (wobble - 0.5f);
            float a = std::clamp(1.0f - r / edge, 0.0f, 1.0f);
            a = a * a * (3.0f - 2.0f * a) * (0.75f + 0.25f * wobble);
            puff.set(x, y, {mist.r, mist.g, mist.b, static_cast<std::uint8_t>(std::lround(a * 200.0f))});
        }
    }
    return puff;
}

Canvas drawDrop()
{
    const int size = spriteSize * spriteScale;
    Canvas layer(size, size, palette::transparent);
    const float s = static_cast<float>(spriteScale);
    // A teardrop: round bottom, pointed top, the tip up (sprites are shown upright).
    std::vector<std::array<float, 2>> outline;
    const float cx = 32 * s, cy = 40 * s, r = 16 * s;
    constexpr int steps = 48;
    for (int i = 0; i <= steps; ++i) {
        const float t = static_cast<float>(i) / steps;  // 0 at the tip, round the bottom, back to the tip
        const float angle = pi * 0.5f - 2.0f * pi * t;
        const float x = std::cos(angle);
        const float y = std::sin(angle);
        // Above the centre, narrow the sides towards the tip.
        const float pinch = y > 0 ? (1.0f - y) : 1.0f;
        outline.push_back({cx + x * r * (y > 0 ? pinch * 0.95f + 0.05f : 1.0f), cy - (y > 0 ? y * r * 1.9f : y * r)});
    }
    layer.fillPolygon(outline, {214, 240, 255, 255});
    layer.fillEllipse(cx + 3 * s, cy + 4 * s, r * 0.72f, r * 0.66f, {236, 250, 255, 255});
    layer.fillEllipse(cx - 6 * s, cy - 4 * s, 3.2f * s, 5.5f * s, palette::white);
    layer.fillCircle(cx + 7 * s, cy + 9 * s, 2.0f * s, palette::white);
    Canvas drop = downsample(layer, spriteSize, spriteSize);
    bleedIntoTransparent(drop);
    return drop;
}

Canvas drawFly()
{
    const int size = spriteSize * spriteScale;
    Canvas layer(size, size, palette::transparent);
    const float s = static_cast<float>(spriteScale);
    const float cx = 32 * s, cy = 34 * s;
    const Rgba body{34, 34, 40, 255};
    const Rgba wing{210, 228, 255, 130};
    const Rgba vein{120, 140, 170, 160};
    // Wings spread up and out, behind the body.
    for (int side = -1; side <= 1; side += 2) {
        const float f = static_cast<float>(side);
        const float wx = cx + f * 14 * s, wy = cy - 12 * s;
        std::vector<std::array<float, 2>> wingShape;
        constexpr int steps = 32;
        for (int i = 0; i < steps; ++i) {
            const float angle = 2.0f * pi * static_cast<float>(i) / steps;
            const float ex = std::cos(angle) * 15 * s, ey = std::sin(angle) * 8 * s;
            const float tilt = f * 0.6f;
            wingShape.push_back(
                {wx + ex * std::cos(tilt) - ey * std::sin(tilt), wy + ex * std::sin(tilt) + ey * std::cos(tilt)});
        }
        layer.fillPolygon(wingShape, wing);
        layer.drawLine(cx + f * 3 * s, cy - 4 * s, wx + f * 12 * s, wy, 1.2f * s, vein);
        // Legs below.
        for (int leg = 0; leg < 3; ++leg) {
            const float ly = cy + (static_cast<float>(leg) * 5 - 2) * s;
            layer.drawLine(cx + f * 4 * s, ly, cx + f * 13 * s, ly + 6 * s, 1.6f * s, body);
        }
    }
    layer.fillEllipse(cx, cy + 9 * s, 7 * s, 11 * s, body);  // abdomen
    for (int band = 0; band < 3; ++band)
        layer.fillRect(cx - 6 * s, cy + (5 + 5 * static_cast<float>(band)) * s, cx + 6 * s,
                       cy + (6.2f + 5 * static_cast<float>(band)) * s, {70, 90, 70, 255});
    layer.fillEllipse(cx, cy + 9 * s, 3 * s, 9 * s, {56, 64, 58, 120});  // sheen
    layer.fillEllipse(cx, cy - 2 * s, 6.5f * s, 6 * s, body);            // thorax
    layer.fillCircle(cx, cy - 10 * s, 5.5f * s, body);                   // head
    for (int side = -1; side <= 1; side += 2) {
        layer.fillCircle(cx + static_cast<float>(side) * 4.2f * s, cy - 11 * s, 3.6f * s, {196, 36, 30, 255});
        layer.fillCircle(cx + static_cast<float>(side) * 3.6f * s, cy - 12 * s, 1.1f * s, {255, 170, 160, 255});
    }
    Canvas fly = downsample(layer, spriteSize, spriteSize);
    bleedIntoTransparent(fly);
    return fly;
}

const GeneratorRegistration registration{130, "sprites", [](ContentSink& sink) {
                                             addPicture(sink, "bilder/Particle.tga", drawPuff(), PictureFormat::Tga32);
                                             addPicture(sink, "bilder/Tropfen.tga", drawDrop(),
                                                        PictureFormat::Tga32Rle);
                                             addPicture(sink, "bilder/fliege2.tga", drawFly(), PictureFormat::Tga32);
                                         }};

}  // namespace

}  // namespace contentgen
