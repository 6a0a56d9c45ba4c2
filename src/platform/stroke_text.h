#pragma once
// Text in the toolkit's stroke Roman font, the one face of every text the
// game draws in GL: the HUD's numbers, the pause screen, the score table.

// The font's height above its base line, in font units.
constexpr float kStrokeFontHeight = 119.05f;

// The text with its base line starting at (x, y, z) of the current modelview
// space, font units times scale.
void drawStrokeText(const char* text, float x, float y, float z, float scale);

// The text's advance width at that scale.
float strokeTextWidth(const char* text, float scale);
