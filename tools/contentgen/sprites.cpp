// The particle sprites. The spray and the water are added to the frame
// (the water at a tenth of its strength, tinted light blue), so what shows is
// brightness times alpha: both are bright, opaque discs over most of their
// quad with a soft round rim, the spray puff white with a faint warm core
// that stands out on the lawn and turns the sky white where it passes. The
// fly is blended over the scene: a dark, solid body with clear wings that
// fills its small quad.
#include "drawing.h"
#include "picture_files.h"

#include <algorithm>
#include <cmath>

namespace contentgen {

namespace {

constexpr float pi = 3.14159265f;
constexpr int spriteSize = 64;
constexpr int spriteScale = 4;
constexpr float kOuterRim = 0.96f;  // of the half side

// An opaque disc whose alpha and brightness fall off only in the outer rim.
// coreRadius and rimRadius are fractions of the half side; wobble (0 to 1)
// lets noise ruffle the rim.
Canvas drawSoftDisc(Rgba core, Rgba rim, float coreRadius, float rimRadius, float wobble, std::uint32_t noiseSeed)
{
    Canvas disc(spriteSize, spriteSize, {0, 0, 0, 0});
    const float centre = spriteSize / 2.0f;
    for (int y = 0; y < spriteSize; ++y) {
        for (int x = 0; x < spriteSize; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f - centre) / centre;
            const float dy = (static_cast<float>(y) + 0.5f - centre) / centre;
            const float r = std::sqrt(dx * dx + dy * dy);
            const float noise =
                fractalNoise(static_cast<float>(x) / 7.0f, static_cast<float>(y) / 7.0f, noiseSeed, 3) - 0.5f;
            // The rim never reaches the quad's border, so no edge of the quad shows.
            const float edge = std::min(rimRadius + wobble * 0.12f * noise, kOuterRim);
            // 1 inside the core, a smooth step down to 0 at the rim.
            float a = std::clamp((edge - r) / (edge - coreRadius), 0.0f, 1.0f);
            a = a * a * (3.0f - 2.0f * a);
            const float t = std::clamp(r / edge, 0.0f, 1.0f);
            const Rgba colour = mix(core, rim, t);
            disc.set(x, y, {colour.r, colour.g, colour.b, static_cast<std::uint8_t>(std::lround(a * 255.0f))});
        }
    }
    return disc;
}

Canvas drawPuff() { return drawSoftDisc({255, 252, 236, 255}, {240, 246, 255, 255}, 0.6f, 0.96f, 1.0f, 601); }

// A drop seen head on: a round bead, brightest in its middle.
Canvas drawDrop() { return drawSoftDisc({255, 255, 255, 255}, {236, 246, 255, 255}, 0.72f, 0.96f, 0.0f, 602); }

Canvas drawFly()
{
    const int size = spriteSize * spriteScale;
    Canvas layer(size, size, palette::transparent);
    const float s = static_cast<float>(spriteScale);
    // The body is drawn larger than the wings' layout unit, so the fly fills its quad.
    const float b = s * 1.3f;
    const float cx = 32 * s, cy = 30 * s;
    const Rgba body{24, 24, 30, 255};
    const Rgba wing{214, 232, 255, 190};
    const Rgba vein{90, 110, 140, 220};
    // Wings spread up and out, behind the body.
    for (int side = -1; side <= 1; side += 2) {
        const float f = static_cast<float>(side);
        const float wx = cx + f * 15 * s, wy = cy - 10 * s;
        std::vector<std::array<float, 2>> wingShape;
        constexpr int steps = 32;
        for (int i = 0; i < steps; ++i) {
            const float angle = 2.0f * pi * static_cast<float>(i) / steps;
            const float ex = std::cos(angle) * 15.5f * s, ey = std::sin(angle) * 9 * s;
            const float tilt = f * 0.6f;
            wingShape.push_back(
                {wx + ex * std::cos(tilt) - ey * std::sin(tilt), wy + ex * std::sin(tilt) + ey * std::cos(tilt)});
        }
        layer.fillPolygon(wingShape, wing);
        layer.drawLine(cx + f * 3 * s, cy - 4 * s, wx + f * 12 * s, wy, 1.6f * s, vein);
        // Legs below.
        for (int leg = 0; leg < 3; ++leg) {
            const float ly = cy + (static_cast<float>(leg) * 5 - 2) * b;
            layer.drawLine(cx + f * 4 * b, ly, cx + f * 12 * b, ly + 6 * b, 1.8f * s, body);
        }
    }
    layer.fillEllipse(cx, cy + 9 * b, 7 * b, 11 * b, body);  // abdomen
    for (int band = 0; band < 3; ++band)
        layer.fillRect(cx - 6 * b, cy + (5 + 5 * static_cast<float>(band)) * b, cx + 6 * b,
                       cy + (6.2f + 5 * static_cast<float>(band)) * b, {70, 96, 70, 255});
    layer.fillEllipse(cx, cy + 9 * b, 3 * b, 9 * b, {56, 64, 58, 120});  // sheen
    layer.fillEllipse(cx, cy - 2 * b, 6.5f * b, 6 * b, body);            // thorax
    layer.fillCircle(cx, cy - 10 * b, 5.5f * b, body);                   // head
    for (int side = -1; side <= 1; side += 2) {
        layer.fillCircle(cx + static_cast<float>(side) * 4.2f * b, cy - 11 * b, 3.6f * b, {210, 36, 30, 255});
        layer.fillCircle(cx + static_cast<float>(side) * 3.6f * b, cy - 12 * b, 1.1f * b, {255, 170, 160, 255});
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
