// The stroke font drawn from the captured table against the toolkit drawing
// it: the same pixels, feedback and matrices for every character code, and
// the same pixels and widths for the game's own texts at the game's scales.
#include "platform/stroke_font.h"
#include "platform/stroke_text.h"
#include "test_support.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

constexpr int kWidth = 800;  // the test window's
constexpr int kHeight = 600;
// The game's view of its HUD and score table (text in the plane z = -2), and the pause screen's pixels.
constexpr double kFieldOfView = 45.0;
constexpr double kNearPlane = 1.0;
constexpr double kFarPlane = -20.0;
enum class View { Hud, Pixels };
constexpr float kGlyphScale = 2.5f;  // each glyph large on the pixel grid, so a small shift shows
constexpr std::size_t kFeedbackFloats = 1 << 16;

void setView(View view, float lineWidth)
{
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (view == View::Hud) gluPerspective(kFieldOfView, double{kWidth} / kHeight, kNearPlane, kFarPlane);
    else glOrtho(0.0, kWidth, 0.0, kHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(lineWidth);
    glColor3f(1.0f, 1.0f, 0.0f);
}

template <typename Draw>
std::vector<std::uint8_t> pixelsOf(Draw draw)
{
    glClearColor(0.0f, 0.0f, 0.3f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    draw();
    glFinish();
    std::vector<std::uint8_t> pixels(std::size_t{kWidth} * kHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

template <typename Draw>
std::vector<GLfloat> feedbackOf(Draw draw)
{
    std::vector<GLfloat> buffer(kFeedbackFloats);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    buffer.resize(static_cast<std::size_t>(std::max(glRenderMode(GL_RENDER), 0)));
    return buffer;
}

// Pixels that differ, and pixels of the text at all (not the clear colour).
std::pair<int, int> compare(const std::vector<std::uint8_t>& expected, const std::vector<std::uint8_t>& actual)
{
    int differing = 0;
    int lit = 0;
    for (std::size_t i = 0; i < expected.size(); i += 3) {
        if (expected[i] != actual[i] || expected[i + 1] != actual[i + 1] || expected[i + 2] != actual[i + 2]) ++differing;
        if (expected[i] != 0) ++lit;
    }
    return {differing, lit};
}

class StrokeFontTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testsupport::ensureGlContext()) GTEST_SKIP() << "no display for a GL context";
        glDrawBuffer(GL_BACK);
        glReadBuffer(GL_BACK);
    }
};

TEST_F(StrokeFontTest, EveryCharacterCodeDrawsAndAdvancesAsTheToolkits)
{
    for (int code = -128; code <= 255; ++code) {
        SCOPED_TRACE("character " + std::to_string(code));
        std::array<GLfloat, 16> toolkitMatrix{};
        std::array<GLfloat, 16> tableMatrix{};
        const auto place = [] {
            glLoadIdentity();
            glTranslatef(100.0f, 150.0f, 0.0f);
            glScalef(kGlyphScale, kGlyphScale, 1.0f);
        };
        const auto toolkit = [&] { place(); glutStrokeCharacter(GLUT_STROKE_ROMAN, code); };
        const auto table = [&] { place(); drawStrokeGlyph(kStrokeRomanFont, code); };
        setView(View::Pixels, 1.0f);
        const auto [differing, lit] = compare(pixelsOf(toolkit), pixelsOf(table));
        EXPECT_EQ(differing, 0);
        if (code > ' ' && code <= '~') {
            EXPECT_GT(lit, 0) << "the toolkit drew nothing: the test sees nothing";
        }

        setView(View::Hud, 1.0f);
        glTranslatef(0.0f, 0.0f, -2.0f);
        glScalef(0.003f, 0.003f, 0.003f);
        glPushMatrix();
        const std::vector<GLfloat> toolkitLines = feedbackOf([&] { glutStrokeCharacter(GLUT_STROKE_ROMAN, code); });
        glGetFloatv(GL_MODELVIEW_MATRIX, toolkitMatrix.data());
        glPopMatrix();
        const std::vector<GLfloat> tableLines = feedbackOf([&] { drawStrokeGlyph(kStrokeRomanFont, code); });
        glGetFloatv(GL_MODELVIEW_MATRIX, tableMatrix.data());
        EXPECT_EQ(toolkitLines, tableLines);
        EXPECT_EQ(toolkitMatrix, tableMatrix);
        EXPECT_EQ(strokeGlyphAdvance(kStrokeRomanFont, code), glutStrokeWidthf(GLUT_STROKE_ROMAN, code));
    }
}

enum class Align { Left, Centre, Right };

struct TextCase {
    const char* text;
    View view;
    float x, y, z;  // where the text is set from, as the game sets it
    Align align;
    float scale;
    float lineWidth;
};

constexpr float kPauseTitleScale = kHeight * 0.11f / kStrokeFontHeight;
constexpr float kPauseHintScale = kHeight * 0.035f / kStrokeFontHeight;

// The HUD's numbers, the score table and the pause screen.
constexpr TextCase kGameTexts[] = {
    {"-45", View::Hud, -0.06f, 0.69f, -2.0f, Align::Left, 0.0008f, 3.0f},
    {"1234567890", View::Hud, -0.06f, 0.69f, -2.0f, Align::Left, 0.0008f, 3.0f},
    {"17", View::Hud, -0.77f, 0.59f, -2.0f, Align::Left, 0.0005f, 3.0f},
    {"FPS:", View::Hud, -1.05f, -0.77f, -2.0f, Align::Left, 0.00075f, 3.0f},
    {"Best scores", View::Hud, 0.0f, -0.238f, -1.999f, Align::Centre, 0.00045f, 2.5f},
    {"10.", View::Hud, -0.50f, -0.286f, -1.999f, Align::Right, 0.00034f, 2.5f},
    {"-50", View::Hud, -0.22f, -0.286f, -1.999f, Align::Right, 0.00034f, 2.5f},
    {"level 12", View::Hud, -0.14f, -0.286f, -1.999f, Align::Left, 0.00034f, 2.5f},
    {"2024-05-17", View::Hud, 0.10f, -0.286f, -1.999f, Align::Left, 0.00034f, 2.5f},
    {"< new", View::Hud, 0.60f, -0.286f, -1.999f, Align::Right, 0.00034f, 2.5f},
    {"This game: 35 at level 2, not among the best ten.", View::Hud, 0.0f, -0.334f, -1.999f, Align::Centre,
     0.0003f, 2.5f},
    {"Paused", View::Pixels, 400.0f, 312.0f, 0.0f, Align::Centre, kPauseTitleScale, 4.0f},
    {"F1 or Start on a gamepad: go on", View::Pixels, 400.0f, 240.0f, 0.0f, Align::Centre, kPauseHintScale, 2.0f},
    {"Escape: leave the round", View::Pixels, 400.0f, 198.0f, 0.0f, Align::Centre, kPauseHintScale, 2.0f},
    {"Caf\xc3\xa9 \x7f two\nlines", View::Pixels, 400.0f, 100.0f, 0.0f, Align::Centre, kPauseHintScale, 2.0f},
};

float alignedX(const TextCase& c, float width)
{
    return c.align == Align::Left ? c.x : c.align == Align::Centre ? c.x - width / 2.0f : c.x - width;
}

TEST_F(StrokeFontTest, TheGameTextsDrawAndMeasureAsTheToolkits)
{
    for (const TextCase& c : kGameTexts) {
        SCOPED_TRACE(c.text);
        const float toolkitWidth = strokeTextWidth(c.text, c.scale);
        const float tableWidth = strokeFontTextWidth(kStrokeRomanFont, c.text, c.scale);
        EXPECT_EQ(toolkitWidth, tableWidth);
        setView(c.view, c.lineWidth);
        const auto [differing, lit] =
            compare(pixelsOf([&] { drawStrokeText(c.text, alignedX(c, toolkitWidth), c.y, c.z, c.scale); }),
                    pixelsOf([&] {
                        drawStrokeFontText(kStrokeRomanFont, c.text, alignedX(c, tableWidth), c.y, c.z, c.scale);
                    }));
        EXPECT_EQ(differing, 0);
        EXPECT_GT(lit, 0) << "the toolkit drew nothing: the test sees nothing";
    }
    for (const char* text : {"two\nlines, the second longer", "a longer first line\nthen\n", "\n", "", "\xe9t\xe9"}) {
        EXPECT_EQ(strokeTextWidth(text, 1.0f), strokeFontTextWidth(kStrokeRomanFont, text, 1.0f)) << text;
    }
}

}  // namespace
