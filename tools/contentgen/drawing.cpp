#include "drawing.h"

#include <algorithm>
#include <cmath>

namespace contentgen {

namespace {

constexpr float pi = 3.14159265f;
constexpr int cornerSegments = 10;

struct Span {
    int first;
    std::vector<float> weights;  // overlap of each source cell with the target cell
};

// For every target cell along one axis, the source cells it covers and by how much.
std::vector<Span> areaSpans(int sourceSize, int targetSize)
{
    std::vector<Span> spans(static_cast<std::size_t>(targetSize));
    const double ratio = static_cast<double>(sourceSize) / targetSize;
    for (int t = 0; t < targetSize; ++t) {
        const double begin = t * ratio;
        const double end = (t + 1) * ratio;
        Span& span = spans[static_cast<std::size_t>(t)];
        span.first = static_cast<int>(std::floor(begin));
        for (int s = span.first; s < sourceSize && s < end; ++s) {
            const double overlap = std::min<double>(end, s + 1) - std::max<double>(begin, s);
            span.weights.push_back(static_cast<float>(std::max(overlap, 0.0)));
        }
    }
    return spans;
}

}  // namespace

float hashUnit(std::uint32_t index, std::uint32_t seed)
{
    std::uint32_t h = index * 0x9E3779B1u + seed * 0x85EBCA77u + 0x165667B1u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<float>(h >> 8) / static_cast<float>(1u << 24);
}

Canvas downsample(const Canvas& source, int width, int height)
{
    Canvas result(width, height, palette::transparent);
    const std::vector<Span> columns = areaSpans(source.width(), width);
    const std::vector<Span> rows = areaSpans(source.height(), height);
    for (int y = 0; y < height; ++y) {
        const Span& rowSpan = rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < width; ++x) {
            const Span& columnSpan = columns[static_cast<std::size_t>(x)];
            double r = 0, g = 0, b = 0, a = 0, total = 0;
            for (std::size_t j = 0; j < rowSpan.weights.size(); ++j) {
                for (std::size_t i = 0; i < columnSpan.weights.size(); ++i) {
                    const double w = static_cast<double>(rowSpan.weights[j]) * columnSpan.weights[i];
                    const Rgba p =
                        source.get(columnSpan.first + static_cast<int>(i), rowSpan.first + static_cast<int>(j));
                    const double alpha = w * p.a;
                    r += alpha * p.r;
                    g += alpha * p.g;
                    b += alpha * p.b;
                    a += alpha;
                    total += w;
                }
            }
            if (a <= 0.0 || total <= 0.0) continue;
            auto channel = [](double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
            result.set(x, y, {channel(r / a), channel(g / a), channel(b / a), channel(a / total)});
        }
    }
    return result;
}

std::vector<std::array<float, 2>> roundedRectangle(float x0, float y0, float x1, float y1, float radius)
{
    radius = std::min({radius, 0.5f * (x1 - x0), 0.5f * (y1 - y0)});
    const std::array<std::array<float, 3>, 4> corners{{
        {x1 - radius, y0 + radius, -0.5f * pi},  // top right, starting upward
        {x1 - radius, y1 - radius, 0.0f},        // bottom right
        {x0 + radius, y1 - radius, 0.5f * pi},   // bottom left
        {x0 + radius, y0 + radius, pi},          // top left
    }};
    std::vector<std::array<float, 2>> points;
    for (const auto& corner : corners) {
        for (int i = 0; i <= cornerSegments; ++i) {
            const float angle = corner[2] + 0.5f * pi * static_cast<float>(i) / cornerSegments;
            points.push_back({corner[0] + radius * std::cos(angle), corner[1] + radius * std::sin(angle)});
        }
    }
    return points;
}

void fillRoundedRect(Canvas& canvas, float x0, float y0, float x1, float y1, float radius, Rgba colour)
{
    canvas.fillPolygon(roundedRectangle(x0, y0, x1, y1, radius), colour);
}

void fillPolygonGradient(Canvas& canvas, const std::vector<std::array<float, 2>>& points, float y0, float y1, Rgba top,
                         Rgba bottom)
{
    Canvas shape(canvas.width(), canvas.height(), palette::transparent);
    shape.fillPolygon(points, palette::white);
    for (int y = 0; y < canvas.height(); ++y) {
        const float t = y1 > y0 ? (static_cast<float>(y) + 0.5f - y0) / (y1 - y0) : 0.0f;
        const Rgba colour = mix(top, bottom, t);
        for (int x = 0; x < canvas.width(); ++x) {
            const std::uint8_t a = shape.get(x, y).a;
            if (a > 0) canvas.blend(x, y, colour, static_cast<float>(a) / 255.0f);
        }
    }
}

void fillVerticalGradient(Canvas& canvas, int y0, int y1, Rgba top, Rgba bottom)
{
    for (int y = std::max(y0, 0); y < std::min(y1, canvas.height()); ++y) {
        const float t = y1 - 1 > y0 ? static_cast<float>(y - y0) / static_cast<float>(y1 - 1 - y0) : 0.0f;
        const Rgba colour = mix(top, bottom, t);
        for (int x = 0; x < canvas.width(); ++x) canvas.set(x, y, colour);
    }
}

MaskAndPicture splitMaskAndPicture(const Canvas& layer)
{
    MaskAndPicture pair{Canvas(layer.width(), layer.height(), palette::white),
                        Canvas(layer.width(), layer.height(), palette::black)};
    for (int y = 0; y < layer.height(); ++y) {
        for (int x = 0; x < layer.width(); ++x) {
            const Rgba p = layer.get(x, y);
            const auto inverse = static_cast<std::uint8_t>(255 - p.a);
            pair.mask.set(x, y, {inverse, inverse, inverse, 255});
            auto weighted = [&](std::uint8_t c) { return static_cast<std::uint8_t>((c * p.a + 127) / 255); };
            pair.picture.set(x, y, {weighted(p.r), weighted(p.g), weighted(p.b), 255});
        }
    }
    return pair;
}

void bleedIntoTransparent(Canvas& canvas)
{
    const int w = canvas.width();
    const int h = canvas.height();
    std::vector<std::uint8_t> known(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    auto index = [w](int x, int y) {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
    };
    bool anyKnown = false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (canvas.get(x, y).a > 0) {
                known[index(x, y)] = 1;
                anyKnown = true;
            }
    if (!anyKnown) return;
    std::vector<std::array<int, 2>> front;
    for (bool changed = true; changed;) {
        changed = false;
        front.clear();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (!known[index(x, y)]) front.push_back({x, y});
        std::vector<std::pair<std::size_t, Rgba>> updates;
        for (const auto& [x, y] : front) {
            int r = 0, g = 0, b = 0, n = 0;
            const int neighbours[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            for (const auto& [nx, ny] : neighbours) {
                if (nx < 0 || ny < 0 || nx >= w || ny >= h || !known[index(nx, ny)]) continue;
                const Rgba p = canvas.get(nx, ny);
                r += p.r;
                g += p.g;
                b += p.b;
                ++n;
            }
            if (n == 0) continue;
            updates.push_back({index(x, y),
                               {static_cast<std::uint8_t>(r / n), static_cast<std::uint8_t>(g / n),
                                static_cast<std::uint8_t>(b / n), 0}});
        }
        for (const auto& [i, colour] : updates) {
            canvas.set(static_cast<int>(i % static_cast<std::size_t>(w)),
                       static_cast<int>(i / static_cast<std::size_t>(w)), colour);
            known[i] = 1;
            changed = true;
        }
    }
}

void drawFlower(Canvas& canvas, float baseX, float baseY, float height, Rgba petals, Rgba centre)
{
    const Rgba stem{56, 140, 48, 255};
    const Rgba leaf{84, 172, 64, 255};
    const float headY = baseY - height;
    const float petal = height * 0.16f;
    canvas.drawLine(baseX, baseY, baseX + height * 0.03f, headY, std::max(height * 0.05f, 1.5f), stem);
    // Leaves as pointed ellipse-like polygons either side of the stem.
    for (int side = -1; side <= 1; side += 2) {
        const float sx = baseX + height * 0.01f;
        const float sy = baseY - height * (side < 0 ? 0.35f : 0.5f);
        const float tipX = sx + static_cast<float>(side) * height * 0.28f;
        const float tipY = sy - height * 0.12f;
        std::vector<std::array<float, 2>> outline;
        constexpr int steps = 12;
        for (int i = 0; i <= steps; ++i) {
            const float t = static_cast<float>(i) / steps;
            const float bulge = std::sin(t * pi) * height * 0.06f;
            outline.push_back({sx + (tipX - sx) * t, sy + (tipY - sy) * t - bulge});
        }
        for (int i = steps; i >= 0; --i) {
            const float t = static_cast<float>(i) / steps;
            const float bulge = std::sin(t * pi) * height * 0.06f;
            outline.push_back({sx + (tipX - sx) * t, sy + (tipY - sy) * t + bulge});
        }
        canvas.fillPolygon(outline, leaf);
    }
    const Rgba petalShade = mix(petals, {0, 0, 0, 255}, 0.15f);
    constexpr int petalCount = 6;
    for (int i = 0; i < petalCount; ++i) {
        const float angle = 2.0f * pi * static_cast<float>(i) / petalCount + 0.3f;
        canvas.fillCircle(baseX + height * 0.03f + std::cos(angle) * petal * 1.05f,
                          headY + std::sin(angle) * petal * 1.05f, petal * 0.8f, petalShade);
    }
    for (int i = 0; i < petalCount; ++i) {
        const float angle = 2.0f * pi * static_cast<float>(i) / petalCount + 0.3f;
        canvas.fillCircle(baseX + height * 0.03f + std::cos(angle) * petal, headY + std::sin(angle) * petal,
                          petal * 0.7f, petals);
    }
    canvas.fillCircle(baseX + height * 0.03f, headY, petal * 0.62f, centre);
    canvas.fillCircle(baseX + height * 0.03f - petal * 0.2f, headY - petal * 0.2f, petal * 0.2f,
                      mix(centre, {255, 255, 255, 255}, 0.45f));
}

void drawMoleHead(Canvas& canvas, float cx, float cy, float size)
{
    const float r = size * 0.5f;
    const Rgba furLight = mix(palette::moleFur, palette::white, 0.18f);
    const Rgba paw{246, 170, 178, 255};
    // Head and a lighter muzzle.
    canvas.fillEllipse(cx, cy, r, r * 0.86f, palette::moleFur);
    canvas.fillEllipse(cx - r * 0.2f, cy - r * 0.3f, r * 0.55f, r * 0.35f, furLight);
    canvas.fillEllipse(cx, cy + r * 0.3f, r * 0.55f, r * 0.38f, mix(palette::moleFur, palette::white, 0.35f));
    // Eyes: small, friendly, with a highlight.
    for (int side = -1; side <= 1; side += 2) {
        const float ex = cx + static_cast<float>(side) * r * 0.36f;
        const float ey = cy - r * 0.12f;
        canvas.fillCircle(ex, ey, r * 0.13f, palette::white);
        canvas.fillCircle(ex, ey + r * 0.02f, r * 0.09f, {20, 16, 20, 255});
        canvas.fillCircle(ex - r * 0.03f, ey - r * 0.03f, r * 0.035f, palette::white);
    }
    // Pink nose and cheeks.
    canvas.fillEllipse(cx, cy + r * 0.2f, r * 0.22f, r * 0.16f, palette::moleNose);
    canvas.fillEllipse(cx - r * 0.06f, cy + r * 0.15f, r * 0.07f, r * 0.045f, {255, 214, 222, 255});
    for (int side = -1; side <= 1; side += 2)
        canvas.fillEllipse(cx + static_cast<float>(side) * r * 0.55f, cy + r * 0.22f, r * 0.14f, r * 0.08f,
                           {238, 132, 150, 150});
    // Smile.
    canvas.drawLine(cx - r * 0.12f, cy + r * 0.45f, cx, cy + r * 0.5f, std::max(r * 0.05f, 1.0f), {40, 28, 34, 255});
    canvas.drawLine(cx, cy + r * 0.5f, cx + r * 0.12f, cy + r * 0.45f, std::max(r * 0.05f, 1.0f), {40, 28, 34, 255});
    // Digging paws resting in front.
    for (int side = -1; side <= 1; side += 2) {
        const float px = cx + static_cast<float>(side) * r * 0.62f;
        const float py = cy + r * 0.78f;
        canvas.fillEllipse(px, py, r * 0.3f, r * 0.17f, paw);
        for (int claw = -1; claw <= 1; ++claw)
            canvas.fillEllipse(px + static_cast<float>(claw) * r * 0.13f, py - r * 0.1f, r * 0.05f, r * 0.09f,
                               {250, 236, 220, 255});
    }
}

void drawMound(Canvas& canvas, float cx, float baseY, float width, float height)
{
    std::vector<std::array<float, 2>> dome;
    constexpr int steps = 32;
    for (int i = 0; i <= steps; ++i) {
        const float angle = pi * static_cast<float>(i) / steps;
        dome.push_back({cx - std::cos(angle) * width * 0.5f, baseY - std::sin(angle) * height});
    }
    canvas.fillPolygon(dome, palette::earth);
    canvas.fillEllipse(cx - width * 0.12f, baseY - height * 0.35f, width * 0.25f, height * 0.45f,
                       mix(palette::earth, palette::white, 0.12f));
    // A few clods for texture.
    const std::array<std::array<float, 3>, 6> clods{{
        {-0.3f, -0.2f, 0.03f},
        {0.25f, -0.35f, 0.025f},
        {0.05f, -0.6f, 0.02f},
        {-0.12f, -0.75f, 0.018f},
        {0.36f, -0.1f, 0.028f},
        {-0.4f, -0.05f, 0.025f},
    }};
    for (const auto& clod : clods)
        canvas.fillCircle(cx + clod[0] * width, baseY + clod[1] * height, clod[2] * width,
                          mix(palette::earth, palette::earthDark, 0.6f));
}

}  // namespace contentgen
