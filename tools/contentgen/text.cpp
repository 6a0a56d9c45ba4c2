#include "text.h"

#include <stb_truetype.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>

#ifndef BURRIK_FONT_DIR
#define BURRIK_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif

namespace contentgen {

namespace {

constexpr float outlineSteps = 16.0f;

// Decodes UTF-8; malformed bytes come out as '?'.
std::vector<int> codepoints(const std::string& text)
{
    std::vector<int> result;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        int length = 1;
        int value = c;
        if (c >= 0xF0) {
            length = 4;
            value = c & 0x07;
        } else if (c >= 0xE0) {
            length = 3;
            value = c & 0x0F;
        } else if (c >= 0xC0) {
            length = 2;
            value = c & 0x1F;
        } else if (c >= 0x80) {
            result.push_back('?');
            ++i;
            continue;
        }
        if (i + static_cast<std::size_t>(length) > text.size()) {
            result.push_back('?');
            break;
        }
        for (int k = 1; k < length; ++k)
            value = (value << 6) | (static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0x3F);
        result.push_back(value);
        i += static_cast<std::size_t>(length);
    }
    return result;
}

}  // namespace

struct Font::Impl {
    std::vector<unsigned char> data;
    stbtt_fontinfo info{};
};

Font::Font(const std::string& path) : impl_(std::make_unique<Impl>())
{
    std::ifstream in(path, std::ios::binary);
    impl_->data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (impl_->data.empty()) return;
    valid_ = stbtt_InitFont(&impl_->info, impl_->data.data(), stbtt_GetFontOffsetForIndex(impl_->data.data(), 0)) != 0;
}

Font::~Font() = default;

float Font::ascent(float pixelHeight) const
{
    if (!valid_) return 0.0f;
    int ascentUnits = 0, descentUnits = 0, gap = 0;
    stbtt_GetFontVMetrics(&impl_->info, &ascentUnits, &descentUnits, &gap);
    return static_cast<float>(ascentUnits) * stbtt_ScaleForPixelHeight(&impl_->info, pixelHeight);
}

float Font::descent(float pixelHeight) const
{
    if (!valid_) return 0.0f;
    int ascentUnits = 0, descentUnits = 0, gap = 0;
    stbtt_GetFontVMetrics(&impl_->info, &ascentUnits, &descentUnits, &gap);
    return -static_cast<float>(descentUnits) * stbtt_ScaleForPixelHeight(&impl_->info, pixelHeight);
}

float Font::capHeight(float pixelHeight) const
{
    if (!valid_) return 0.0f;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetCodepointBox(&impl_->info, 'H', &x0, &y0, &x1, &y1);
    return static_cast<float>(y1) * stbtt_ScaleForPixelHeight(&impl_->info, pixelHeight);
}

float Font::measure(const std::string& text, float pixelHeight) const
{
    if (!valid_) return 0.0f;
    const float scale = stbtt_ScaleForPixelHeight(&impl_->info, pixelHeight);
    const std::vector<int> chars = codepoints(text);
    float width = 0.0f;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&impl_->info, chars[i], &advance, &bearing);
        width += static_cast<float>(advance) * scale;
        if (i + 1 < chars.size())
            width += static_cast<float>(stbtt_GetCodepointKernAdvance(&impl_->info, chars[i], chars[i + 1])) * scale;
    }
    return width;
}

float Font::draw(Canvas& canvas, float x, float baselineY, const std::string& text, float pixelHeight,
                 Rgba colour) const
{
    if (!valid_) return x;
    const float scale = stbtt_ScaleForPixelHeight(&impl_->info, pixelHeight);
    const std::vector<int> chars = codepoints(text);
    const float baseFloor = std::floor(baselineY);
    const float shiftY = baselineY - baseFloor;
    std::vector<unsigned char> bitmap;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const float penFloor = std::floor(x);
        const float shiftX = x - penFloor;
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetCodepointBitmapBoxSubpixel(&impl_->info, chars[i], scale, scale, shiftX, shiftY, &x0, &y0, &x1, &y1);
        const int w = x1 - x0;
        const int h = y1 - y0;
        if (w > 0 && h > 0) {
            bitmap.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
            stbtt_MakeCodepointBitmapSubpixel(&impl_->info, bitmap.data(), w, h, w, scale, scale, shiftX, shiftY,
                                              chars[i]);
            for (int row = 0; row < h; ++row) {
                for (int column = 0; column < w; ++column) {
                    const unsigned char coverage = bitmap[static_cast<std::size_t>(row) * static_cast<std::size_t>(w) +
                                                          static_cast<std::size_t>(column)];
                    if (coverage == 0) continue;
                    canvas.blend(static_cast<int>(penFloor) + x0 + column, static_cast<int>(baseFloor) + y0 + row,
                                 colour, static_cast<float>(coverage) / 255.0f);
                }
            }
        }
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&impl_->info, chars[i], &advance, &bearing);
        x += static_cast<float>(advance) * scale;
        if (i + 1 < chars.size())
            x += static_cast<float>(stbtt_GetCodepointKernAdvance(&impl_->info, chars[i], chars[i + 1])) * scale;
    }
    return x;
}

const Font& font(FontFace face)
{
    static const std::array<std::unique_ptr<Font>, 4> fonts = [] {
        const std::string dir = BURRIK_FONT_DIR;
        return std::array<std::unique_ptr<Font>, 4>{
            std::make_unique<Font>(dir + "/DejaVuSans.ttf"), std::make_unique<Font>(dir + "/DejaVuSans-Bold.ttf"),
            std::make_unique<Font>(dir + "/DejaVuSerif.ttf"), std::make_unique<Font>(dir + "/DejaVuSerif-Bold.ttf")};
    }();
    return *fonts[static_cast<std::size_t>(face)];
}

float centredBaseline(const Font& font, float centreY, float pixelHeight)
{
    return centreY + 0.5f * font.capHeight(pixelHeight);
}

void drawCentred(Canvas& canvas, const Font& font, float centreX, float baselineY, const std::string& text,
                 float pixelHeight, Rgba colour)
{
    font.draw(canvas, centreX - 0.5f * font.measure(text, pixelHeight), baselineY, text, pixelHeight, colour);
}

void drawOutlined(Canvas& canvas, const Font& font, float x, float baselineY, const std::string& text,
                  float pixelHeight, Rgba colour, Rgba outline, float outlineWidth)
{
    // The outline is drawn into its own layer first so the ring's many
    // overlapping copies do not darken the antialiased edge unevenly.
    Canvas ring(canvas.width(), canvas.height(), {0, 0, 0, 0});
    for (int step = 0; step < static_cast<int>(outlineSteps); ++step) {
        const float angle = 6.2831853f * static_cast<float>(step) / outlineSteps;
        font.draw(ring, x + outlineWidth * std::cos(angle), baselineY + outlineWidth * std::sin(angle), text,
                  pixelHeight, {outline.r, outline.g, outline.b, 255});
    }
    for (int y = 0; y < canvas.height(); ++y)
        for (int px = 0; px < canvas.width(); ++px) {
            const Rgba p = ring.get(px, y);
            if (p.a > 0) canvas.blend(px, y, outline, static_cast<float>(p.a) / 255.0f);
        }
    font.draw(canvas, x, baselineY, text, pixelHeight, colour);
}

void drawCentredOutlined(Canvas& canvas, const Font& font, float centreX, float baselineY, const std::string& text,
                         float pixelHeight, Rgba colour, Rgba outline, float outlineWidth)
{
    drawOutlined(canvas, font, centreX - 0.5f * font.measure(text, pixelHeight), baselineY, text, pixelHeight, colour,
                 outline, outlineWidth);
}

std::vector<std::string> wrapText(const Font& font, const std::string& text, float pixelHeight, float maxWidth)
{
    std::vector<std::string> lines;
    std::string line;
    std::size_t start = 0;
    while (start < text.size()) {
        while (start < text.size() && text[start] == ' ') ++start;
        if (start >= text.size()) break;
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        const std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && font.measure(candidate, pixelHeight) > maxWidth) {
            lines.push_back(line);
            line = word;
        } else {
            line = candidate;
        }
        start = end;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

float drawParagraph(Canvas& canvas, const Font& font, float x, float firstBaseline, float maxWidth,
                    const std::string& text, float pixelHeight, float lineStep, Rgba colour)
{
    float baseline = firstBaseline;
    for (const std::string& line : wrapText(font, text, pixelHeight, maxWidth)) {
        font.draw(canvas, x, baseline, line, pixelHeight, colour);
        baseline += lineStep;
    }
    return baseline;
}

}  // namespace contentgen
