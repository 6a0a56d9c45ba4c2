#include "canvas.h"

#include <algorithm>
#include <cmath>

namespace contentgen {

namespace {

std::uint8_t toByte(float value)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

float clamp01(float value)
{
    return std::clamp(value, 0.0f, 1.0f);
}

std::uint32_t hashCell(std::int32_t x, std::int32_t y, std::uint32_t seed)
{
    std::uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float cellValue(std::int32_t x, std::int32_t y, std::uint32_t seed, int period)
{
    if (period > 0) {
        x = ((x % period) + period) % period;
        y = ((y % period) + period) % period;
    }
    return static_cast<float>(hashCell(x, y, seed) >> 8) / static_cast<float>(1u << 24);
}

float smooth(float t)
{
    return t * t * (3.0f - 2.0f * t);
}

}  // namespace

Canvas::Canvas(int width, int height, Rgba fill)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill)
{
}

Rgba Canvas::get(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {0, 0, 0, 0};
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
}

void Canvas::set(int x, int y, Rgba colour)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] = colour;
}

void Canvas::blend(int x, int y, Rgba colour, float coverage)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const float alpha = clamp01(coverage) * static_cast<float>(colour.a) / 255.0f;
    if (alpha <= 0.0f) return;
    Rgba& dst = pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
    const float dstAlpha = static_cast<float>(dst.a) / 255.0f;
    const float outAlpha = alpha + dstAlpha * (1.0f - alpha);
    if (outAlpha <= 0.0f) {
        dst = {0, 0, 0, 0};
        return;
    }
    const float dstWeight = dstAlpha * (1.0f - alpha);
    auto channel = [&](std::uint8_t s, std::uint8_t d) {
        return toByte((static_cast<float>(s) * alpha + static_cast<float>(d) * dstWeight) / outAlpha);
    };
    dst = {channel(colour.r, dst.r), channel(colour.g, dst.g), channel(colour.b, dst.b), toByte(outAlpha * 255.0f)};
}

void Canvas::fillRect(float x0, float y0, float x1, float y1, Rgba colour)
{
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    const int left = std::max(0, static_cast<int>(std::floor(x0)));
    const int right = std::min(width_ - 1, static_cast<int>(std::ceil(x1)) - 1);
    const int top = std::max(0, static_cast<int>(std::floor(y0)));
    const int bottom = std::min(height_ - 1, static_cast<int>(std::ceil(y1)) - 1);
    for (int y = top; y <= bottom; ++y) {
        const float coverY = std::min(y1, static_cast<float>(y + 1)) - std::max(y0, static_cast<float>(y));
        if (coverY <= 0.0f) continue;
        for (int x = left; x <= right; ++x) {
            const float coverX = std::min(x1, static_cast<float>(x + 1)) - std::max(x0, static_cast<float>(x));
            if (coverX <= 0.0f) continue;
            blend(x, y, colour, coverX * coverY);
        }
    }
}

void Canvas::fillCircle(float cx, float cy, float radius, Rgba colour)
{
    fillEllipse(cx, cy, radius, radius, colour);
}

void Canvas::fillEllipse(float cx, float cy, float rx, float ry, Rgba colour)
{
    if (rx <= 0.0f || ry <= 0.0f) return;
    const int left = std::max(0, static_cast<int>(std::floor(cx - rx - 1.0f)));
    const int right = std::min(width_ - 1, static_cast<int>(std::ceil(cx + rx + 1.0f)));
    const int top = std::max(0, static_cast<int>(std::floor(cy - ry - 1.0f)));
    const int bottom = std::min(height_ - 1, static_cast<int>(std::ceil(cy + ry + 1.0f)));
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const float px = static_cast<float>(x) + 0.5f - cx;
            const float py = static_cast<float>(y) + 0.5f - cy;
            const float ux = px / rx;
            const float uy = py / ry;
            const float f = std::sqrt(ux * ux + uy * uy);
            // Distance to the outline in pixels, from the implicit function
            // divided by its gradient length.
            float distance;
            if (f < 1e-6f) {
                distance = -std::min(rx, ry);
            } else {
                const float gx = ux / rx;
                const float gy = uy / ry;
                const float gradient = std::sqrt(gx * gx + gy * gy) / f;
                distance = (f - 1.0f) / gradient;
            }
            const float coverage = clamp01(0.5f - distance);
            if (coverage > 0.0f) blend(x, y, colour, coverage);
        }
    }
}

void Canvas::fillPolygon(const std::vector<std::array<float, 2>>& points, Rgba colour)
{
    // Exact area coverage by signed-area accumulation: every edge adds the
    // area it sweeps to the cells it crosses, and a running sum along each
    // row gives the covered part of every pixel. Overlaps of the same
    // winding saturate, opposite windings cancel (holes).
    if (points.size() < 3) return;
    float minX = points[0][0], maxX = points[0][0], minY = points[0][1], maxY = points[0][1];
    for (const auto& p : points) {
        minX = std::min(minX, p[0]);
        maxX = std::max(maxX, p[0]);
        minY = std::min(minY, p[1]);
        maxY = std::max(maxY, p[1]);
    }
    const int originX = static_cast<int>(std::floor(minX));
    const int originY = std::max(0, static_cast<int>(std::floor(minY)));
    const int rows = std::min(height_, static_cast<int>(std::ceil(maxY))) - originY;
    const int columns = static_cast<int>(std::ceil(maxX)) - originX + 2;
    if (rows <= 0 || columns <= 0 || originX >= width_ || originX + columns < 0) return;

    std::vector<float> area(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), 0.0f);
    auto cell = [&](int row, int column) -> float& {
        return area[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                    static_cast<std::size_t>(column)];
    };

    for (std::size_t i = 0; i < points.size(); ++i) {
        float ax = points[i][0] - static_cast<float>(originX);
        float ay = points[i][1] - static_cast<float>(originY);
        float bx = points[(i + 1) % points.size()][0] - static_cast<float>(originX);
        float by = points[(i + 1) % points.size()][1] - static_cast<float>(originY);
        if (ay == by) continue;
        float direction = 1.0f;
        if (ay > by) {
            std::swap(ax, bx);
            std::swap(ay, by);
            direction = -1.0f;
        }
        const float dxdy = (bx - ax) / (by - ay);
        float x = ax;
        int firstRow = static_cast<int>(std::floor(ay));
        if (ay < 0.0f) {
            x -= ay * dxdy;
            firstRow = 0;
        }
        const int endRow = std::min(rows, static_cast<int>(std::ceil(by)));
        for (int row = firstRow; row < endRow; ++row) {
            const float dy = std::min(static_cast<float>(row + 1), by) - std::max(static_cast<float>(row), ay);
            const float xNext = x + dxdy * dy;
            const float d = dy * direction;
            const float x0 = std::min(x, xNext);
            const float x1 = std::max(x, xNext);
            const float x0Floor = std::floor(x0);
            const int x0i = static_cast<int>(x0Floor);
            const float x1Ceil = std::ceil(x1);
            const int x1i = static_cast<int>(x1Ceil);
            if (x1i <= x0i + 1) {
                const float xMid = 0.5f * (x + xNext) - x0Floor;
                cell(row, x0i) += d - d * xMid;
                cell(row, x0i + 1) += d * xMid;
            } else {
                const float s = 1.0f / (x1 - x0);
                const float x0f = x0 - x0Floor;
                const float a0 = 0.5f * s * (1.0f - x0f) * (1.0f - x0f);
                const float x1f = x1 - x1Ceil + 1.0f;
                const float am = 0.5f * s * x1f * x1f;
                cell(row, x0i) += d * a0;
                if (x1i == x0i + 2) {
                    cell(row, x0i + 1) += d * (1.0f - a0 - am);
                } else {
                    const float a1 = s * (1.5f - x0f);
                    cell(row, x0i + 1) += d * (a1 - a0);
                    for (int xi = x0i + 2; xi < x1i - 1; ++xi) cell(row, xi) += d * s;
                    const float a2 = a1 + static_cast<float>(x1i - x0i - 3) * s;
                    cell(row, x1i - 1) += d * (1.0f - a2 - am);
                }
                cell(row, x1i) += d * am;
            }
            x = xNext;
        }
    }

    for (int row = 0; row < rows; ++row) {
        float sum = 0.0f;
        for (int column = 0; column < columns; ++column) {
            sum += cell(row, column);
            const float coverage = std::min(std::fabs(sum), 1.0f);
            if (coverage > 1e-4f) blend(originX + column, originY + row, colour, coverage);
        }
    }
}

void Canvas::drawLine(float x0, float y0, float x1, float y1, float width, Rgba colour)
{
    const float half = width * 0.5f;
    const int left = std::max(0, static_cast<int>(std::floor(std::min(x0, x1) - half - 1.0f)));
    const int right = std::min(width_ - 1, static_cast<int>(std::ceil(std::max(x0, x1) + half + 1.0f)));
    const int top = std::max(0, static_cast<int>(std::floor(std::min(y0, y1) - half - 1.0f)));
    const int bottom = std::min(height_ - 1, static_cast<int>(std::ceil(std::max(y0, y1) + half + 1.0f)));
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float lengthSquared = dx * dx + dy * dy;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const float px = static_cast<float>(x) + 0.5f;
            const float py = static_cast<float>(y) + 0.5f;
            float t = 0.0f;
            if (lengthSquared > 0.0f) t = std::clamp(((px - x0) * dx + (py - y0) * dy) / lengthSquared, 0.0f, 1.0f);
            const float ex = px - (x0 + t * dx);
            const float ey = py - (y0 + t * dy);
            const float distance = std::sqrt(ex * ex + ey * ey);
            // Thin lines keep their weight by fading instead of vanishing.
            const float coverage = half < 0.5f ? clamp01(1.0f - distance) * width : clamp01(half + 0.5f - distance);
            if (coverage > 0.0f) blend(x, y, colour, coverage);
        }
    }
}

float valueNoise(float x, float y, std::uint32_t seed, int period)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const auto ix = static_cast<std::int32_t>(fx);
    const auto iy = static_cast<std::int32_t>(fy);
    const float tx = smooth(x - fx);
    const float ty = smooth(y - fy);
    const float v00 = cellValue(ix, iy, seed, period);
    const float v10 = cellValue(ix + 1, iy, seed, period);
    const float v01 = cellValue(ix, iy + 1, seed, period);
    const float v11 = cellValue(ix + 1, iy + 1, seed, period);
    const float top = v00 + (v10 - v00) * tx;
    const float bottom = v01 + (v11 - v01) * tx;
    return top + (bottom - top) * ty;
}

float fractalNoise(float x, float y, std::uint32_t seed, int octaves, int period)
{
    float sum = 0.0f;
    float weight = 1.0f;
    float total = 0.0f;
    float frequency = 1.0f;
    int octavePeriod = period;
    for (int octave = 0; octave < std::max(octaves, 1); ++octave) {
        sum += weight * valueNoise(x * frequency, y * frequency, seed + static_cast<std::uint32_t>(octave) * 7919u,
                                   octavePeriod);
        total += weight;
        weight *= 0.5f;
        frequency *= 2.0f;
        if (octavePeriod > 0) octavePeriod *= 2;
    }
    return sum / total;
}

Rgba mix(Rgba a, Rgba b, float t)
{
    t = clamp01(t);
    auto channel = [t](std::uint8_t p, std::uint8_t q) {
        return toByte(static_cast<float>(p) + (static_cast<float>(q) - static_cast<float>(p)) * t);
    };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b), channel(a.a, b.a)};
}

}  // namespace contentgen
