#include "conveniences/screen_text.h"

#include "platform/stroke_text.h"

#include <GL/gl.h>

PixelSpace::PixelSpace()
{
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    width_ = viewport[2];
    height_ = viewport[3];
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width_, 0.0, height_, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_COLOR_MATERIAL);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
}

PixelSpace::~PixelSpace()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

float pixelTextWidth(const char* text, float pixelHeight) { return strokeTextWidth(text, pixelHeight / kStrokeFontHeight); }

void drawPixelText(const char* text, float x, float y, float pixelHeight, float lineWidth, TextAlign align)
{
    const float scale = pixelHeight / kStrokeFontHeight;
    glLineWidth(lineWidth);
    const float left = align == TextAlign::Centre ? x - strokeTextWidth(text, scale) / 2.0f : x;
    drawStrokeText(text, left, y, 0.0f, scale);
}

void fillPixelRect(float left, float bottom, float right, float top)
{
    glBegin(GL_QUADS);
    glVertex2f(left, bottom);
    glVertex2f(right, bottom);
    glVertex2f(right, top);
    glVertex2f(left, top);
    glEnd();
}
