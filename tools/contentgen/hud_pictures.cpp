// The HUD pictures (mole counter icon, clock) and the two result banners, as
// mask/picture pairs. Each is drawn large at its on-screen proportions and
// reduced to a power-of-two size close to its size in an 800 x 600 window.
#include "drawing.h"
#include "picture_files.h"
#include "text.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace contentgen {

namespace {

constexpr float pi = 3.14159265f;

// Drawing sizes (on-screen proportions) and stored sizes.
constexpr int moleDrawWidth = 486, moleDrawHeight = 200;  // quad 0.224 x 0.092
constexpr int moleWidth = 64, moleHeight = 32;
constexpr int clockDrawSize = 256;  // quad 0.09 x 0.09
constexpr int clockSize = 32;
constexpr int lostDrawWidth = 2048, lostDrawHeight = 252;  // quad 1.425 x 0.175
constexpr int lostWidth = 512, lostHeight = 64;
constexpr int wonDrawWidth = 768, wonDrawHeight = 254;  // quad 0.53 x 0.175
constexpr int wonWidth = 128, wonHeight = 64;

void addPair(ContentSink& sink, const std::string& name, const Canvas& layer, int width, int height)
{
    const MaskAndPicture pair = splitMaskAndPicture(downsample(layer, width, height));
    addPicture(sink, "bilder/" + name + "_mask.bmp", pair.mask, PictureFormat::Bmp8Paletted);
    addPicture(sink, "bilder/" + name + ".bmp", pair.picture, PictureFormat::Bmp24);
}

// A mole seen from the side, walking to the right, with a light rim so it
// reads over dark lawn as well as bright sky.
Canvas drawMoleIcon()
{
    Canvas layer(moleDrawWidth, moleDrawHeight, palette::transparent);
    const Rgba rim{255, 250, 236, 255};
    const Rgba furLight = mix(palette::moleFur, palette::white, 0.22f);
    const Rgba paw{246, 160, 172, 255};
    const float cx = 200, cy = 112;
    auto body = [&](Canvas& c, float grow, Rgba fur, Rgba nose, Rgba hands) {
        c.fillEllipse(cx, cy, 150 + grow, 72 + grow, fur);           // body
        c.fillEllipse(cx + 150, cy + 8, 62 + grow, 46 + grow, fur);  // head
        c.fillPolygon({{cx + 180, cy - 24 - grow}, {cx + 262 + grow, cy + 12}, {cx + 184, cy + 44 + grow}}, fur);
        c.fillCircle(cx + 258, cy + 12, 24 + grow, nose);              // nose
        c.fillEllipse(cx - 152, cy + 20, 22 + grow, 10 + grow, nose);  // tail
        c.fillEllipse(cx + 92, cy + 70, 44 + grow, 22 + grow, hands);  // front paw
        c.fillEllipse(cx - 92, cy + 74, 38 + grow, 18 + grow, hands);  // hind paw
    };
    body(layer, 10.0f, rim, rim, rim);
    body(layer, 0.0f, palette::moleFur, palette::moleNose, paw);
    layer.fillEllipse(cx - 20, cy - 30, 110, 30, furLight);  // sheen on the back
    layer.fillCircle(cx + 178, cy - 6, 15, palette::white);
    layer.fillCircle(cx + 181, cy - 4, 10, {16, 12, 16, 255});
    layer.fillCircle(cx + 177, cy - 9, 4, palette::white);
    for (int claw = -1; claw <= 1; ++claw)
        layer.fillEllipse(cx + 122 + static_cast<float>(claw) * 3, cy + 78 + static_cast<float>(claw) * 9, 12, 6,
                          {252, 236, 220, 255});
    return layer;
}

Canvas drawClockIcon()
{
    Canvas layer(clockDrawSize, clockDrawSize, palette::transparent);
    const float c = clockDrawSize / 2.0f;
    // Two bells and feet of an alarm clock, then the face.
    const Rgba rimColour{226, 58, 48, 255};
    const Rgba rimDark{160, 34, 30, 255};
    for (int side = -1; side <= 1; side += 2) {
        layer.fillCircle(c + static_cast<float>(side) * 66, c - 82, 36, rimDark);
        layer.fillCircle(c + static_cast<float>(side) * 66, c - 84, 32, rimColour);
        layer.drawLine(c + static_cast<float>(side) * 60, c + 80, c + static_cast<float>(side) * 84, c + 114, 16,
                       rimDark);
    }
    layer.fillCircle(c, c + 8, 108, rimDark);
    layer.fillCircle(c, c + 6, 104, rimColour);
    layer.fillCircle(c, c + 8, 82, palette::white);
    for (int i = 0; i < 12; ++i) {
        const float angle = 2.0f * pi * static_cast<float>(i) / 12.0f;
        const float inner = i % 3 == 0 ? 56.0f : 64.0f;
        layer.drawLine(c + std::cos(angle) * inner, c + 8 + std::sin(angle) * inner, c + std::cos(angle) * 74,
                       c + 8 + std::sin(angle) * 74, i % 3 == 0 ? 12.0f : 7.0f, {60, 60, 70, 255});
    }
    // Hands at ten past ten.
    const float hour = (-90.0f + 300.0f + 5.0f) * pi / 180.0f;
    const float minute = (-90.0f + 60.0f) * pi / 180.0f;
    layer.drawLine(c, c + 8, c + std::cos(hour) * 42, c + 8 + std::sin(hour) * 42, 16, {30, 30, 40, 255});
    layer.drawLine(c, c + 8, c + std::cos(minute) * 62, c + 8 + std::sin(minute) * 62, 11, {30, 30, 40, 255});
    layer.fillCircle(c, c + 8, 11, rimColour);
    return layer;
}

// Text on a pill-shaped ribbon, scaled down to fit its width.
void drawRibbonText(Canvas& layer, float x0, float x1, float y0, float y1, const std::string& text, float size,
                    Rgba top, Rgba bottom)
{
    const float radius = (y1 - y0) * 0.5f;
    const Rgba rim = mix(bottom, palette::black, 0.35f);
    fillRoundedRect(layer, x0, y0, x1, y1, radius, rim);
    fillPolygonGradient(layer, roundedRectangle(x0 + 8, y0 + 8, x1 - 8, y1 - 8, radius - 8), y0, y1, top, bottom);
    fillRoundedRect(layer, x0 + 30, y0 + 16, x1 - 30, y0 + (y1 - y0) * 0.42f, radius * 0.5f, {255, 255, 255, 56});
    const Font& bold = font(FontFace::SansBold);
    const float available = (x1 - x0) - 2.0f * radius;
    size = std::min(size, size * available / std::max(bold.measure(text, size), 1.0f));
    drawCentredOutlined(layer, bold, (x0 + x1) * 0.5f, centredBaseline(bold, (y0 + y1) * 0.5f, size), text, size,
                        palette::white, rim, size * 0.06f);
}

Canvas drawLostBanner()
{
    Canvas layer(lostDrawWidth, lostDrawHeight, palette::transparent);
    drawRibbonText(layer, 12, lostDrawWidth - 12.0f, 14, lostDrawHeight - 14.0f, "Oops! The round is lost", 170,
                   {250, 110, 96, 255}, {204, 40, 44, 255});
    return layer;
}

void drawStar(Canvas& layer, float cx, float cy, float outer, Rgba colour)
{
    std::vector<std::array<float, 2>> points;
    for (int i = 0; i < 10; ++i) {
        const float angle = -0.5f * pi + pi * static_cast<float>(i) / 5.0f;
        const float r = i % 2 == 0 ? outer : outer * 0.45f;
        points.push_back({cx + std::cos(angle) * r, cy + std::sin(angle) * r});
    }
    layer.fillPolygon(points, colour);
}

Canvas drawWonBanner()
{
    Canvas layer(wonDrawWidth, wonDrawHeight, palette::transparent);
    const float x0 = 10, x1 = wonDrawWidth - 10.0f, y0 = 10, y1 = wonDrawHeight - 10.0f;
    const Rgba top{132, 222, 96, 255}, bottom{34, 150, 58, 255};
    const Rgba rim = mix(bottom, palette::black, 0.35f);
    fillRoundedRect(layer, x0, y0, x1, y1, 60, rim);
    fillPolygonGradient(layer, roundedRectangle(x0 + 9, y0 + 9, x1 - 9, y1 - 9, 52), y0, y1, top, bottom);
    fillRoundedRect(layer, x0 + 30, y0 + 18, x1 - 30, y0 + 100, 30, {255, 255, 255, 56});
    const Font& bold = font(FontFace::SansBold);
    drawCentredOutlined(layer, bold, wonDrawWidth / 2.0f, 130, "Hooray!", 128, {255, 226, 70, 255}, rim, 8);
    drawCentredOutlined(layer, bold, wonDrawWidth / 2.0f, 214, "You won!", 84, palette::white, rim, 6);
    for (const auto& star : {std::array<float, 3>{70, 80, 40}, {700, 80, 40}, {78, 186, 28}, {690, 186, 28}})
        drawStar(layer, star[0], star[1], star[2], {255, 236, 90, 255});
    return layer;
}

const GeneratorRegistration registration{110, "hud pictures", [](ContentSink& sink) {
                                             addPair(sink, "maulwurfkl", drawMoleIcon(), moleWidth, moleHeight);
                                             addPair(sink, "uhr", drawClockIcon(), clockSize, clockSize);
                                             addPair(sink, "upps", drawLostBanner(), lostWidth, lostHeight);
                                             addPair(sink, "juhu", drawWonBanner(), wonWidth, wonHeight);
                                         }};

}  // namespace

}  // namespace contentgen
