#pragma once
// Drawing text over a finished picture in window pixels: the options screen,
// the options hint over the menus, the screenshot's note.

// While it lives: an orthographic projection of the window in pixels
// (origin bottom left), no depth test, lighting or texturing, blending for
// the stroke font's smooth lines. The drawing state before is put back.
class PixelSpace {
public:
    PixelSpace();
    ~PixelSpace();
    PixelSpace(const PixelSpace&) = delete;
    PixelSpace& operator=(const PixelSpace&) = delete;
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_ = 0;
    int height_ = 0;
};

enum class TextAlign { Left, Centre };

// The stroke font's text with its base line at y, letters pixelHeight high.
void drawPixelText(const char* text, float x, float y, float pixelHeight, float lineWidth, TextAlign align);
float pixelTextWidth(const char* text, float pixelHeight);

// A filled rectangle in the current colour (alpha blended).
void fillPixelRect(float left, float bottom, float right, float top);
