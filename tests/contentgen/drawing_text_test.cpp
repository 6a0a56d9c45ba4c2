// Text drawing and the drawing helpers the picture generators share.
#include "../../tools/contentgen/drawing.h"
#include "../../tools/contentgen/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using contentgen::Canvas;
using contentgen::Rgba;

namespace {

struct InkBox {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool empty() const { return right < 0; }
};

InkBox inkOf(const Canvas& canvas)
{
    InkBox box;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (canvas.get(x, y).r > 128) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

constexpr Rgba white{255, 255, 255, 255};
constexpr Rgba black{0, 0, 0, 255};

}  // namespace

TEST(Text, FontsLoadAndMeasureSensibly)
{
    for (auto face : {contentgen::FontFace::Sans, contentgen::FontFace::SansBold, contentgen::FontFace::Serif,
                      contentgen::FontFace::SerifBold}) {
        const contentgen::Font& font = contentgen::font(face);
        ASSERT_TRUE(font.valid());
        EXPECT_GT(font.measure("Hello", 20), 30.0f);
        EXPECT_NEAR(font.measure("Hello", 40), 2.0f * font.measure("Hello", 20), 0.5f);
        EXPECT_LT(font.measure("Hello", 20), font.measure("Hello, garden", 20));
        EXPECT_GT(font.capHeight(40), 20.0f);
        EXPECT_LT(font.capHeight(40), font.ascent(40));
    }
    const contentgen::Font missing("/nonexistent/font.ttf");
    EXPECT_FALSE(missing.valid());
    Canvas canvas(20, 20, black);
    EXPECT_EQ(missing.draw(canvas, 3, 15, "x", 12, white), 3.0f);
}

TEST(Text, DrawnTextSitsOnItsBaselineAndMatchesItsMeasure)
{
    const contentgen::Font& font = contentgen::font(contentgen::FontFace::Sans);
    Canvas canvas(300, 80, black);
    const float end = font.draw(canvas, 20, 50, "HILL", 40, white);
    EXPECT_NEAR(end, 20.0f + font.measure("HILL", 40), 0.01f);
    const InkBox box = inkOf(canvas);
    ASSERT_FALSE(box.empty());
    EXPECT_NEAR(box.bottom, 49, 1);  // capitals stand on the baseline
    EXPECT_NEAR(50 - box.top, font.capHeight(40), 1.5f);
    EXPECT_GE(box.left, 20);
    EXPECT_LE(box.right, static_cast<int>(end) + 1);
    // Antialiased: some pixels lie strictly between the colours.
    int between = 0;
    for (const Rgba& p : canvas.pixels()) between += (p.r > 20 && p.r < 235) ? 1 : 0;
    EXPECT_GT(between, 10);
}

TEST(Text, CentringPutsTheInkInTheMiddle)
{
    const contentgen::Font& font = contentgen::font(contentgen::FontFace::SansBold);
    Canvas canvas(400, 120, black);
    const float baseline = contentgen::centredBaseline(font, 60, 50);
    contentgen::drawCentred(canvas, font, 200, baseline, "HOME", 50, white);
    const InkBox box = inkOf(canvas);
    ASSERT_FALSE(box.empty());
    EXPECT_NEAR((box.left + box.right) / 2.0, 200.0, 4.0);
    EXPECT_NEAR((box.top + box.bottom) / 2.0, 60.0, 2.0);

    // The outline rings the letters: ink of the outline colour reaches beyond the plain text.
    Canvas outlined(400, 120, black);
    contentgen::drawCentredOutlined(outlined, font, 200, baseline, "HOME", 50, white, {0, 0, 255, 255}, 4);
    int blueBeyond = 0;
    for (int x = 0; x < box.left; ++x) blueBeyond += outlined.get(x, 60).b > 128 ? 1 : 0;
    EXPECT_GE(blueBeyond, 2);
    EXPECT_EQ(outlined.get((box.left + box.right) / 2, box.top - 10).b, 0);
}

TEST(Text, WrapKeepsEveryWordAndStaysWithinTheWidth)
{
    const contentgen::Font& font = contentgen::font(contentgen::FontFace::Sans);
    const std::string text =
        "Pell the gardener looks after sixteen flowers in his little fenced garden, and a very long "
        "word like Gartenzaunpfahlverbindungsschraube stands on a line of its own.";
    const float width = 180;
    const auto lines = contentgen::wrapText(font, text, 16, width);
    ASSERT_GT(lines.size(), 3u);
    std::string joined;
    for (const std::string& line : lines) {
        if (line.find(' ') != std::string::npos) {
            EXPECT_LE(font.measure(line, 16), width) << line;
        }
        EXPECT_FALSE(line.empty());
        EXPECT_NE(line.front(), ' ');
        EXPECT_NE(line.back(), ' ');
        joined += (joined.empty() ? "" : " ") + line;
    }
    EXPECT_EQ(joined, text);
    // Each line but the last could not take the next line's first word.
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string next = lines[i + 1].substr(0, lines[i + 1].find(' '));
        EXPECT_GT(font.measure(lines[i] + " " + next, 16), width) << lines[i];
    }
    EXPECT_TRUE(contentgen::wrapText(font, "   ", 16, width).empty());

    Canvas canvas(200, 400, black);
    const float after = contentgen::drawParagraph(canvas, font, 10, 20, width, text, 16, 20, white);
    EXPECT_FLOAT_EQ(after, 20.0f + 20.0f * static_cast<float>(lines.size()));
    EXPECT_LT(inkOf(canvas).bottom, static_cast<int>(after));
}

TEST(Text, NonAsciiCharactersAreDrawn)
{
    const contentgen::Font& font = contentgen::font(contentgen::FontFace::Sans);
    Canvas arrow(60, 60, black);
    font.draw(arrow, 10, 45, "\xE2\x86\x91", 40, white);  // an up arrow
    const InkBox box = inkOf(arrow);
    ASSERT_FALSE(box.empty());
    EXPECT_GT(box.bottom - box.top, box.right - box.left);  // taller than wide
    // A broken UTF-8 sequence draws a replacement instead of running past the end.
    Canvas broken(60, 60, black);
    font.draw(broken, 10, 45, "\xE2\x86", 40, white);
    EXPECT_FALSE(inkOf(broken).empty());
}

TEST(Drawing, DownsampleAveragesAreaAndWeighsByAlpha)
{
    Canvas source(8, 6, {0, 0, 0, 0});
    source.fillRect(0, 0, 4, 6, {200, 100, 0, 255});  // left half opaque orange, right half clear
    const Canvas half = contentgen::downsample(source, 4, 3);
    EXPECT_EQ(half.get(0, 0), (Rgba{200, 100, 0, 255}));
    EXPECT_EQ(half.get(3, 2).a, 0);
    // 8 -> 3 columns: the middle column covers 8/3 source columns, half of them orange.
    const Canvas odd = contentgen::downsample(source, 3, 3);
    const Rgba middle = odd.get(1, 1);
    EXPECT_NEAR(middle.a, 128, 1);
    // Clear pixels do not darken the colour that is there.
    EXPECT_EQ(middle.r, 200);
    EXPECT_EQ(middle.g, 100);
}

TEST(Drawing, MaskAndPictureCompositeLikeAlphaBlending)
{
    Canvas layer(32, 16, {0, 0, 0, 0});
    layer.fillCircle(16, 8, 6.5f, {40, 200, 120, 255});
    layer.fillRect(0, 0, 4, 4, {250, 20, 20, 100});
    const auto pair = contentgen::splitMaskAndPicture(layer);
    const Rgba background{90, 140, 230, 255};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) {
            const Rgba m = pair.mask.get(x, y);
            const Rgba p = pair.picture.get(x, y);
            EXPECT_TRUE(m.r == m.g && m.g == m.b) << "masks are grey";
            // The game: frame * mask + picture. Expected: ordinary alpha blending.
            Canvas reference(1, 1, background);
            reference.blend(0, 0, layer.get(x, y), 1.0f);
            const int composed = std::min(255, background.b * m.b / 255 + p.b);
            EXPECT_NEAR(composed, reference.get(0, 0).b, 2) << x << "," << y;
        }
    EXPECT_EQ(pair.mask.get(31, 15), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(pair.picture.get(31, 15), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(pair.mask.get(16, 8), (Rgba{0, 0, 0, 255}));
}

TEST(Drawing, BleedGivesClearPixelsTheNearbyColourAndKeepsThemClear)
{
    Canvas sprite(16, 16, {0, 0, 0, 0});
    sprite.fillRect(6, 6, 10, 10, {30, 60, 250, 255});
    contentgen::bleedIntoTransparent(sprite);
    EXPECT_EQ(sprite.get(0, 0), (Rgba{30, 60, 250, 0}));
    EXPECT_EQ(sprite.get(15, 7), (Rgba{30, 60, 250, 0}));
    EXPECT_EQ(sprite.get(7, 7), (Rgba{30, 60, 250, 255}));
}

TEST(Drawing, HashIsDeterministicAndSpread)
{
    int buckets[10] = {};
    for (std::uint32_t i = 0; i < 5000; ++i) {
        const float v = contentgen::hashUnit(i, 42);
        ASSERT_GE(v, 0.0f);
        ASSERT_LT(v, 1.0f);
        EXPECT_EQ(v, contentgen::hashUnit(i, 42));
        ++buckets[static_cast<int>(v * 10)];
    }
    for (int count : buckets) EXPECT_NEAR(count, 500, 100);
    // Neighbouring indices are unrelated (unlike smooth noise).
    int close = 0;
    for (std::uint32_t i = 0; i < 1000; ++i)
        close += std::fabs(contentgen::hashUnit(i, 7) - contentgen::hashUnit(i + 1, 7)) < 0.05f ? 1 : 0;
    EXPECT_LT(close, 200);
}

TEST(Drawing, RoundedRectangleCoversTheRectangleLessItsCorners)
{
    Canvas canvas(100, 60, black);
    contentgen::fillRoundedRect(canvas, 10, 10, 90, 50, 12, white);
    double area = 0;
    for (const Rgba& p : canvas.pixels()) area += p.r / 255.0;
    const double expected = 80.0 * 40.0 - (4.0 - 3.14159265) * 144.0;
    EXPECT_NEAR(area, expected, expected * 0.01);
    EXPECT_EQ(canvas.get(10, 10), black);  // corner cut
    EXPECT_EQ(canvas.get(50, 10), white);  // straight edge kept
}
