// Drawing and noise of the content generator's canvas.
#include "../../tools/contentgen/canvas.h"

#include <gtest/gtest.h>

#include <cmath>

using contentgen::Canvas;
using contentgen::Rgba;

namespace {

constexpr Rgba white{255, 255, 255, 255};
constexpr Rgba black{0, 0, 0, 255};

// Sum of red over the canvas in pixel units: white on black measures covered area.
double coveredArea(const Canvas& canvas)
{
    double sum = 0.0;
    for (const Rgba& p : canvas.pixels()) sum += p.r / 255.0;
    return sum;
}

}  // namespace

TEST(CanvasAccess, OutOfRangeReadsTransparentAndWritesNothing)
{
    Canvas canvas(4, 3, {10, 20, 30, 255});
    EXPECT_EQ(canvas.get(-1, 0), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(canvas.get(4, 0), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(canvas.get(0, 3), (Rgba{0, 0, 0, 0}));
    canvas.set(4, 0, white);
    canvas.set(0, -1, white);
    canvas.blend(-1, 2, white, 1.0f);
    for (const Rgba& p : canvas.pixels()) EXPECT_EQ(p, (Rgba{10, 20, 30, 255}));
    canvas.set(3, 2, white);
    EXPECT_EQ(canvas.get(3, 2), white);
    EXPECT_EQ(canvas.pixels()[2 * 4 + 3], white);  // row-major, row 0 on top
}

TEST(CanvasBlend, SourceOverOnOpaqueAndTransparentGround)
{
    Canvas canvas(2, 1, {0, 0, 0, 255});
    canvas.blend(0, 0, {200, 100, 50, 128}, 1.0f);
    const Rgba half = canvas.get(0, 0);
    EXPECT_NEAR(half.r, 100, 1);
    EXPECT_NEAR(half.g, 50, 1);
    EXPECT_EQ(half.a, 255);

    Canvas clear(1, 1, {0, 0, 0, 0});
    clear.blend(0, 0, {200, 100, 50, 255}, 0.5f);
    const Rgba p = clear.get(0, 0);
    // Over nothing the colour keeps its value; only the alpha says how much is there.
    EXPECT_EQ(p.r, 200);
    EXPECT_EQ(p.g, 100);
    EXPECT_NEAR(p.a, 128, 1);
    clear.blend(0, 0, {0, 0, 255, 255}, 0.0f);
    EXPECT_EQ(clear.get(0, 0), p);
}

TEST(CanvasShapes, RectangleCoversExactlyItsArea)
{
    Canvas canvas(10, 10, black);
    canvas.fillRect(2, 3, 6, 5, white);
    EXPECT_EQ(canvas.get(2, 3), white);
    EXPECT_EQ(canvas.get(5, 4), white);
    EXPECT_EQ(canvas.get(6, 4), black);
    EXPECT_EQ(canvas.get(2, 5), black);
    EXPECT_EQ(canvas.get(1, 3), black);
    EXPECT_NEAR(coveredArea(canvas), 8.0, 1e-6);

    Canvas partial(4, 4, black);
    partial.fillRect(1.5f, 1.0f, 2.0f, 2.0f, white);
    EXPECT_NEAR(partial.get(1, 1).r, 128, 1);
    // Corners given in either order fill the same rectangle.
    Canvas swapped(10, 10, black);
    swapped.fillRect(6, 5, 2, 3, white);
    EXPECT_EQ(swapped.pixels(), canvas.pixels());
}

TEST(CanvasShapes, CircleAndEllipseAreasMatchTheirFormulas)
{
    Canvas circle(64, 64, black);
    circle.fillCircle(31.3f, 30.7f, 20.0f, white);
    EXPECT_NEAR(coveredArea(circle), 3.14159265 * 400.0, 3.14159265 * 400.0 * 0.01);
    EXPECT_EQ(circle.get(31, 30), white);
    EXPECT_EQ(circle.get(31, 5), black);
    // The edge is soft: some pixels lie strictly between the two colours.
    int between = 0;
    for (const Rgba& p : circle.pixels()) between += (p.r > 0 && p.r < 255) ? 1 : 0;
    EXPECT_GT(between, 20);

    Canvas ellipse(128, 64, black);
    ellipse.fillEllipse(64, 32, 50, 12, white);
    EXPECT_NEAR(coveredArea(ellipse), 3.14159265 * 600.0, 3.14159265 * 600.0 * 0.015);
    EXPECT_EQ(ellipse.get(110, 32), white);
    EXPECT_EQ(ellipse.get(64, 48), black);
}

TEST(CanvasShapes, PolygonMatchesRectangleAndKeepsConcaveNotches)
{
    Canvas byRect(16, 16, black);
    byRect.fillRect(2.5f, 3.25f, 11.5f, 9.75f, white);
    Canvas byPolygon(16, 16, black);
    byPolygon.fillPolygon({{2.5f, 3.25f}, {11.5f, 3.25f}, {11.5f, 9.75f}, {2.5f, 9.75f}}, white);
    for (std::size_t i = 0; i < byRect.pixels().size(); ++i)
        EXPECT_NEAR(byRect.pixels()[i].r, byPolygon.pixels()[i].r, 1) << "pixel " << i;

    // A U shape: the notch between the arms stays empty, and winding order does not matter.
    const std::vector<std::array<float, 2>> u{{0, 0}, {4, 0}, {4, 12}, {8, 12}, {8, 0}, {12, 0}, {12, 16}, {0, 16}};
    std::vector<std::array<float, 2>> reversed(u.rbegin(), u.rend());
    for (const auto& outline : {u, reversed}) {
        Canvas canvas(12, 16, black);
        canvas.fillPolygon(outline, white);
        EXPECT_EQ(canvas.get(6, 5), black);
        EXPECT_EQ(canvas.get(2, 5), white);
        EXPECT_EQ(canvas.get(10, 5), white);
        EXPECT_EQ(canvas.get(6, 14), white);
        EXPECT_NEAR(coveredArea(canvas), 12.0 * 16.0 - 4.0 * 12.0, 0.5);
    }
}

TEST(CanvasShapes, LineCoversLengthTimesWidth)
{
    Canvas canvas(100, 100, black);
    canvas.drawLine(20, 20, 80, 70, 6.0f, white);
    const double length = std::sqrt(60.0 * 60.0 + 50.0 * 50.0);
    const double expected = length * 6.0 + 3.14159265 * 9.0;  // body plus two round caps
    EXPECT_NEAR(coveredArea(canvas), expected, expected * 0.02);
    EXPECT_EQ(canvas.get(50, 45), white);
    EXPECT_EQ(canvas.get(80, 20), black);
}

TEST(Noise, StaysInRangeRepeatsAndTilesWithItsPeriod)
{
    for (int i = 0; i < 500; ++i) {
        const float x = static_cast<float>(i) * 0.37f - 40.0f;
        const float y = static_cast<float>(i) * 0.53f - 70.0f;
        const float v = contentgen::valueNoise(x, y, 7);
        EXPECT_GE(v, 0.0f);
        EXPECT_LE(v, 1.0f);
        EXPECT_EQ(v, contentgen::valueNoise(x, y, 7));
        EXPECT_NEAR(contentgen::valueNoise(x, y, 7, 8), contentgen::valueNoise(x + 8.0f, y - 16.0f, 7, 8), 1e-5f);
        const float f = contentgen::fractalNoise(x, y, 3, 4, 8);
        EXPECT_GE(f, 0.0f);
        EXPECT_LE(f, 1.0f);
        EXPECT_NEAR(f, contentgen::fractalNoise(x + 8.0f, y + 8.0f, 3, 4, 8), 1e-5f);
    }
}

TEST(Noise, VariesWithPositionAndSeed)
{
    double minimum = 1.0, maximum = 0.0;
    int differentSeed = 0;
    for (int i = 0; i < 400; ++i) {
        const float x = static_cast<float>(i % 20) * 0.5f;
        const float y = static_cast<float>(i / 20) * 0.5f;
        const float v = contentgen::valueNoise(x, y, 1);
        minimum = std::min<double>(minimum, v);
        maximum = std::max<double>(maximum, v);
        if (std::fabs(v - contentgen::valueNoise(x, y, 2)) > 0.01f) ++differentSeed;
    }
    EXPECT_LT(minimum, 0.2);
    EXPECT_GT(maximum, 0.8);
    EXPECT_GT(differentSeed, 300);
}

TEST(Mix, BlendsEveryChannelIncludingAlpha)
{
    const Rgba a{0, 100, 200, 0};
    const Rgba b{255, 0, 100, 255};
    EXPECT_EQ(contentgen::mix(a, b, 0.0f), a);
    EXPECT_EQ(contentgen::mix(a, b, 1.0f), b);
    EXPECT_EQ(contentgen::mix(a, b, 0.5f), (Rgba{128, 50, 150, 128}));
    EXPECT_EQ(contentgen::mix(a, b, 2.0f), b);
}
