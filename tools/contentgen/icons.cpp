// The game's icon for desktop menus: a mole peeking out of its mound on a
// rounded lawn tile, beside a flower. Every size is drawn on its own: the
// small ones leave out the flower and the clods and give the eyes and the
// nose more room, so the mole still reads at 16 pixels.
#include "icons.h"

#include "drawing.h"

#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace contentgen {

namespace {

// Design grid: every icon is laid out on 256 units.
constexpr float gridUnits = 256.0f;
// Each size is drawn this much larger, then area-averaged down.
constexpr int supersampling = 8;
// At and below this size the simplified drawing is used; at the tiny size
// the eyes grow further, so they stay two light dots.
constexpr int smallIconSize = 32;
constexpr int tinyIconSize = 16;

constexpr Rgba tileRim{38, 92, 40, 255};
constexpr Rgba eyeBlack{16, 12, 16, 255};

struct IconLayout {
    float unit;   // pixels per design unit
    bool small;   // the simplified drawing
    bool tiny;    // the smallest size
};

void drawTile(Canvas& canvas, const IconLayout& layout)
{
    const float u = layout.unit;
    const float inset = (layout.small ? 4.0f : 10.0f) * u;
    const float radius = (layout.small ? 40.0f : 52.0f) * u;
    const float edge = gridUnits * u - inset;
    fillRoundedRect(canvas, inset, inset, edge, edge, radius, tileRim);
    const float border = (layout.small ? 14.0f : 10.0f) * u;
    fillPolygonGradient(canvas, roundedRectangle(inset + border, inset + border, edge - border, edge - border,
                                                 radius - border),
                        inset, 150.0f * u, palette::skyTop, palette::skyBottom);
    // The lawn below the horizon, clipped to the tile by drawing it as a
    // rounded shape whose top is straight.
    std::vector<std::array<float, 2>> lawn = roundedRectangle(inset + border, inset + border, edge - border,
                                                              edge - border, radius - border);
    for (auto& point : lawn) point[1] = std::max(point[1], 150.0f * u);
    fillPolygonGradient(canvas, lawn, 150.0f * u, edge, palette::lawnLight, palette::lawnDark);
}

void drawMoundAt(Canvas& canvas, const IconLayout& layout)
{
    const float u = layout.unit;
    std::vector<std::array<float, 2>> dome;
    constexpr int steps = 40;
    const float cx = 128.0f * u, baseY = 226.0f * u, halfWidth = 104.0f * u, height = 62.0f * u;
    for (int i = 0; i <= steps; ++i) {
        const float angle = 3.14159265f * static_cast<float>(i) / steps;
        dome.push_back({cx - std::cos(angle) * halfWidth, baseY - std::sin(angle) * height});
    }
    canvas.fillPolygon(dome, palette::earthDark);
    for (auto& point : dome) point[1] += 6.0f * u;
    canvas.fillRect(cx - halfWidth, baseY - 2.0f * u, cx + halfWidth, baseY + 6.0f * u, palette::earth);
    canvas.fillPolygon(dome, palette::earth);
    if (layout.small) return;
    const std::array<std::array<float, 3>, 5> clods{{
        {-70, -14, 7}, {64, -20, 6}, {-40, -40, 5}, {84, -4, 6}, {30, -48, 4},
    }};
    for (const auto& clod : clods)
        canvas.fillCircle(cx + clod[0] * u, baseY + clod[1] * u, clod[2] * u, palette::earthDark);
}

// The mole's head and paws, centred at (cx, cy) with radius r, with a dark
// outline so it stands out on any panel colour.
void drawMole(Canvas& canvas, const IconLayout& layout, float cx, float cy, float r)
{
    const float outline = r * (layout.small ? 0.1f : 0.06f);
    const Rgba paw{246, 170, 178, 255};
    const Rgba fur = layout.small ? mix(palette::moleFur, palette::white, 0.08f) : palette::moleFur;
    canvas.fillEllipse(cx, cy, r + outline, r * 0.9f + outline, palette::ink);
    canvas.fillEllipse(cx, cy, r, r * 0.9f, fur);
    if (!layout.small) {
        canvas.fillEllipse(cx - r * 0.25f, cy - r * 0.4f, r * 0.5f, r * 0.3f, mix(fur, palette::white, 0.18f));
    }
    canvas.fillEllipse(cx, cy + r * 0.32f, r * 0.58f, r * 0.4f, mix(fur, palette::white, 0.35f));
    // Eyes: bigger on small icons, where a highlight would vanish.
    const float eyeRadius = r * (layout.tiny ? 0.27f : layout.small ? 0.2f : 0.14f);
    const float pupil = layout.tiny ? 0.5f : 0.68f;
    for (int side = -1; side <= 1; side += 2) {
        const float ex = cx + static_cast<float>(side) * r * (layout.tiny ? 0.44f : 0.4f);
        const float ey = cy - r * 0.14f;
        canvas.fillCircle(ex, ey, eyeRadius, palette::white);
        canvas.fillCircle(ex, ey + eyeRadius * 0.15f, eyeRadius * pupil, eyeBlack);
        if (!layout.small) canvas.fillCircle(ex - eyeRadius * 0.25f, ey - eyeRadius * 0.25f, eyeRadius * 0.28f,
                                             palette::white);
    }
    const float noseWidth = r * (layout.small ? 0.32f : 0.24f);
    canvas.fillEllipse(cx, cy + r * 0.22f, noseWidth, noseWidth * 0.72f, palette::moleNose);
    if (!layout.small) {
        canvas.fillEllipse(cx - r * 0.06f, cy + r * 0.17f, r * 0.07f, r * 0.045f, {255, 214, 222, 255});
        canvas.drawLine(cx - r * 0.12f, cy + r * 0.5f, cx, cy + r * 0.55f, r * 0.05f, palette::ink);
        canvas.drawLine(cx, cy + r * 0.55f, cx + r * 0.12f, cy + r * 0.5f, r * 0.05f, palette::ink);
    }
    // Digging paws on the rim of the mound.
    for (int side = -1; side <= 1; side += 2) {
        const float px = cx + static_cast<float>(side) * r * 0.66f;
        const float py = cy + r * 0.82f;
        canvas.fillEllipse(px, py, r * 0.34f + outline, r * 0.19f + outline, palette::ink);
        canvas.fillEllipse(px, py, r * 0.34f, r * 0.19f, paw);
        if (layout.small) continue;
        for (int claw = -1; claw <= 1; ++claw)
            canvas.fillEllipse(px + static_cast<float>(claw) * r * 0.14f, py - r * 0.11f, r * 0.05f, r * 0.09f,
                               {250, 236, 220, 255});
    }
}

}  // namespace

const std::array<int, 6>& iconSizes()
{
    static const std::array<int, 6> sizes{16, 32, 48, 64, 128, 256};
    return sizes;
}

Canvas drawIcon(int size)
{
    const int drawSize = size * supersampling;
    Canvas layer(drawSize, drawSize, palette::transparent);
    const IconLayout layout{static_cast<float>(drawSize) / gridUnits, size <= smallIconSize, size <= tinyIconSize};
    const float u = layout.unit;
    drawTile(layer, layout);
    if (!layout.small) drawFlower(layer, 206.0f * u, 206.0f * u, 120.0f * u, {248, 92, 120, 255}, {255, 214, 64, 255});
    // The mole fills more of a small icon.
    if (layout.small) {
        drawMoundAt(layer, layout);
        drawMole(layer, layout, 128.0f * u, 124.0f * u, 92.0f * u);
    } else {
        drawMoundAt(layer, layout);
        drawMole(layer, layout, 112.0f * u, 138.0f * u, 70.0f * u);
    }
    return downsample(layer, size, size);
}

std::vector<std::uint8_t> encodePng(const Canvas& canvas)
{
    std::vector<std::uint8_t> rgba;
    rgba.reserve(canvas.pixels().size() * 4);
    for (const Rgba& pixel : canvas.pixels()) rgba.insert(rgba.end(), {pixel.r, pixel.g, pixel.b, pixel.a});
    std::vector<std::uint8_t> png;
    auto append = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<std::uint8_t>*>(context);
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        out->insert(out->end(), bytes, bytes + size);
    };
    if (stbi_write_png_to_func(append, &png, canvas.width(), canvas.height(), 4, rgba.data(), canvas.width() * 4) ==
        0)
        png.clear();
    return png;
}

bool writeIconTheme(const std::filesystem::path& root, const std::string& name)
{
    for (const int size : iconSizes()) {
        const std::vector<std::uint8_t> png = encodePng(drawIcon(size));
        if (png.empty()) return false;
        const std::string sizeName = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path folder = root / "hicolor" / sizeName / "apps";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) return false;
        const std::filesystem::path path = folder / (name + ".png");
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) return false;
        const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
        if (std::fclose(file) != 0 || !written) return false;
    }
    return true;
}

}  // namespace contentgen
