// Stroke text in the browser, whose toolkit has no stroke fonts: the
// desktop toolkit's Roman font, taken from it as tables at build time
// (tools/stroke_font), drawn the way the toolkit draws it.
#include "platform/stroke_text.h"

#include <GL/gl.h>

namespace {

struct StrokeStrip {
    int firstPoint;
    int pointCount;
};

struct StrokeGlyph {
    int firstStrip;
    int stripCount;
    float advance;
};

#include "stroke_roman.inc"

constexpr int kFirstCharacter = 32;
constexpr int kGlyphCount = static_cast<int>(sizeof kStrokeGlyphs / sizeof kStrokeGlyphs[0]);

const StrokeGlyph* glyphOf(char c)
{
    const int index = static_cast<unsigned char>(c) - kFirstCharacter;
    return index >= 0 && index < kGlyphCount ? &kStrokeGlyphs[index] : nullptr;
}

}  // namespace

void drawStrokeText(const char* text, float x, float y, float z, float scale)
{
    if (text == nullptr || *text == '\0') return;
    glPushMatrix();
    glTranslatef(x, y, z);
    glScalef(scale, scale, scale);
    for (const char* c = text; *c != '\0'; ++c) {
        const StrokeGlyph* glyph = glyphOf(*c);
        if (glyph == nullptr) continue;
        for (int s = glyph->firstStrip; s < glyph->firstStrip + glyph->stripCount; ++s) {
            const StrokeStrip& strip = kStrokeStrips[s];
            glBegin(GL_LINE_STRIP);
            for (int p = strip.firstPoint; p < strip.firstPoint + strip.pointCount; ++p)
                glVertex2f(kStrokePoints[2 * p], kStrokePoints[2 * p + 1]);
            glEnd();
        }
        glTranslatef(glyph->advance, 0.0f, 0.0f);
    }
    glPopMatrix();
}

// The widest line, as the toolkit measures it.
float strokeTextWidth(const char* text, float scale)
{
    if (text == nullptr) return 0.0f;
    float widest = 0.0f;
    float line = 0.0f;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\n') {
            widest = line > widest ? line : widest;
            line = 0.0f;
        } else if (const StrokeGlyph* glyph = glyphOf(*c); glyph != nullptr) {
            line += glyph->advance;
        }
    }
    return (line > widest ? line : widest) * scale;
}
