#pragma once
// Antialiased text on a canvas from the DejaVu TrueType fonts: drawing,
// measuring, centring and simple word wrap for paragraphs.
#include "canvas.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace contentgen {

enum class FontFace { Sans, SansBold, Serif, SerifBold };

class Font {
public:
    // Reads a font file; valid() tells whether it could be used.
    explicit Font(const std::string& path);
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font();

    bool valid() const { return valid_; }
    // Distance from the baseline up to the top of the tallest letters and
    // down to the lowest descender (positive), at this pixel height.
    float ascent(float pixelHeight) const;
    float descent(float pixelHeight) const;
    // Height of the capital letters above the baseline.
    float capHeight(float pixelHeight) const;
    // The advance of a UTF-8 line, kerning included.
    float measure(const std::string& text, float pixelHeight) const;
    // Draws a UTF-8 line with its baseline at (x, baselineY); returns the pen position after it.
    float draw(Canvas& canvas, float x, float baselineY, const std::string& text, float pixelHeight, Rgba colour) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool valid_ = false;
};

// The shared fonts, loaded once from the DejaVu folder.
const Font& font(FontFace face);

// Baseline for text of this height centred vertically on centreY (by its capitals).
float centredBaseline(const Font& font, float centreY, float pixelHeight);

void drawCentred(Canvas& canvas, const Font& font, float centreX, float baselineY, const std::string& text,
                 float pixelHeight, Rgba colour);

// Text with a soft outline ring round every letter, for text over pictures.
void drawOutlined(Canvas& canvas, const Font& font, float x, float baselineY, const std::string& text,
                  float pixelHeight, Rgba colour, Rgba outline, float outlineWidth);
void drawCentredOutlined(Canvas& canvas, const Font& font, float centreX, float baselineY, const std::string& text,
                         float pixelHeight, Rgba colour, Rgba outline, float outlineWidth);

// Splits a paragraph into lines no wider than maxWidth, breaking at spaces
// (a word longer than a line stands on its own line).
std::vector<std::string> wrapText(const Font& font, const std::string& text, float pixelHeight, float maxWidth);

// Draws a wrapped paragraph from its first baseline; returns the baseline
// below its last line (one line step further).
float drawParagraph(Canvas& canvas, const Font& font, float x, float firstBaseline, float maxWidth,
                    const std::string& text, float pixelHeight, float lineStep, Rgba colour);

}  // namespace contentgen
