#include "platform/stroke_font.h"

#include <GL/gl.h>

#include <cstddef>

namespace {

const StrokeGlyph* glyphOf(const StrokeFont& font, int code)
{
    const int index = code - font.firstCode;
    if (index < 0 || index >= font.glyphCount) return nullptr;
    return &font.glyphs[index];
}

}  // namespace

void drawStrokeGlyph(const StrokeFont& font, int code)
{
    const StrokeGlyph* glyph = glyphOf(font, code);
    if (glyph == nullptr) return;
    const float* point = font.points + 2 * static_cast<std::size_t>(glyph->firstPoint);
    for (std::uint32_t strip = 0; strip < glyph->stripCount; ++strip) {
        glBegin(GL_LINE_STRIP);
        for (std::uint16_t i = 0; i < font.stripSizes[glyph->firstStrip + strip]; ++i, point += 2) {
            glVertex2f(point[0], point[1]);
        }
        glEnd();
    }
    glTranslatef(glyph->advance, 0.0f, 0.0f);
}

float strokeGlyphAdvance(const StrokeFont& font, int code)
{
    const StrokeGlyph* glyph = glyphOf(font, code);
    return glyph == nullptr ? 0.0f : glyph->advance;
}

void drawStrokeFontText(const StrokeFont& font, const char* text, float x, float y, float z, float scale)
{
    if (text == nullptr || *text == '\0') return;
    glPushMatrix();
    glTranslatef(x, y, z);
    glScalef(scale, scale, scale);
    // Codes as the toolkit's caller passes them: a plain char, so bytes above
    // 127 arrive negative and draw nothing.
    for (const char* c = text; *c != '\0'; ++c) drawStrokeGlyph(font, *c);
    glPopMatrix();
}

float strokeFontTextWidth(const StrokeFont& font, const char* text, float scale)
{
    if (text == nullptr) return 0.0f;
    // Summed in float in reading order, as the toolkit sums, so the widths agree to the bit.
    float longest = 0.0f;
    float line = 0.0f;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\n') {
            if (line > longest) longest = line;
            line = 0.0f;
        } else {
            line += strokeGlyphAdvance(font, static_cast<unsigned char>(*c));
        }
    }
    if (line > longest) longest = line;
    return longest * scale;
}
