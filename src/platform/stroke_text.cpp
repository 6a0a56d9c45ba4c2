#include "platform/stroke_text.h"

#ifdef __EMSCRIPTEN__

// The browser's toolkit has no stroke font: the desktop toolkit's, captured
// into a table at build time, draws the same lines with the same widths.
#include "platform/stroke_font.h"

void drawStrokeText(const char* text, float x, float y, float z, float scale)
{
    drawStrokeFontText(kStrokeRomanFont, text, x, y, z, scale);
}

float strokeTextWidth(const char* text, float scale) { return strokeFontTextWidth(kStrokeRomanFont, text, scale); }

#else

#include <GL/freeglut.h>

void drawStrokeText(const char* text, float x, float y, float z, float scale)
{
    if (text == nullptr || *text == '\0') return;
    glPushMatrix();
    glTranslatef(x, y, z);
    glScalef(scale, scale, scale);
    for (const char* c = text; *c != '\0'; ++c) glutStrokeCharacter(GLUT_STROKE_ROMAN, *c);
    glPopMatrix();
}

float strokeTextWidth(const char* text, float scale)
{
    if (text == nullptr) return 0.0f;
    return glutStrokeLengthf(GLUT_STROKE_ROMAN, reinterpret_cast<const unsigned char*>(text)) * scale;
}

#endif
