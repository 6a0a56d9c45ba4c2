#pragma once
// An RGBA drawing surface for the generated pictures, with antialiased
// shapes and deterministic noise. Row 0 is the top of the picture; the
// picture writers turn rows round where a file format stores them bottom-up.
#include <array>
#include <cstdint>
#include <vector>

namespace contentgen {

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

class Canvas {
public:
    Canvas(int width, int height, Rgba fill = {0, 0, 0, 255});

    int width() const { return width_; }
    int height() const { return height_; }

    // y = 0 is the top row; out of range gives {0, 0, 0, 0}.
    Rgba get(int x, int y) const;
    // Ignores coordinates out of range.
    void set(int x, int y, Rgba colour);
    // Source-over with an effective alpha of colour.a * coverage.
    void blend(int x, int y, Rgba colour, float coverage);

    // Pixel (x, y) covers the square [x, x + 1] x [y, y + 1]; shapes take
    // continuous coordinates and cover partial pixels in proportion.
    void fillRect(float x0, float y0, float x1, float y1, Rgba colour);
    void fillCircle(float cx, float cy, float radius, Rgba colour);
    void fillEllipse(float cx, float cy, float rx, float ry, Rgba colour);
    // Non-zero winding; the outline may be concave.
    void fillPolygon(const std::vector<std::array<float, 2>>& points, Rgba colour);
    // A line with round caps.
    void drawLine(float x0, float y0, float x1, float y1, float width, Rgba colour);

    const std::vector<Rgba>& pixels() const { return pixels_; }

private:
    int width_;
    int height_;
    std::vector<Rgba> pixels_;
};

// Deterministic smooth value noise in [0, 1]; tiles with period `period`
// (in noise cells) when period > 0.
float valueNoise(float x, float y, std::uint32_t seed, int period = 0);
// Octaves of value noise, each twice the frequency and half the weight of the
// one before, normalised to [0, 1]. With period > 0 every octave tiles on the
// same picture width, so the sum tiles too.
float fractalNoise(float x, float y, std::uint32_t seed, int octaves, int period = 0);

// Linear blend of every channel, alpha included; t = 0 gives a, t = 1 gives b.
Rgba mix(Rgba a, Rgba b, float t);

}  // namespace contentgen
