// The menu, intro and help screens: the start picture with the garden and
// the title, the three menu entries as mask/picture pairs, and the two text
// pages. Full screens are drawn on a 4:3 page and reduced to 512 x 512,
// which an 800 x 600 window shows slightly magnified (the smoothest case for
// the texture filters the game leaves at their defaults).
#include "drawing.h"
#include "picture_files.h"
#include "text.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace contentgen {

namespace {

// The drawing page of a full screen (4:3) and the stored picture.
constexpr int pageWidth = 1024;
constexpr int pageHeight = 768;
constexpr int screenPictureSize = 512;

// A menu entry covers 0.7 x 0.3 of the 2 x 1.5 screen quad; drawn at its
// on-screen proportions, stored as 256 x 128.
constexpr int entryDrawWidth = 700;
constexpr int entryDrawHeight = 300;
constexpr int entryPictureWidth = 256;
constexpr int entryPictureHeight = 128;

// Where the three entries sit on the page (the calm middle of the start picture).
constexpr float entryLeft = 0.325f * pageWidth;
constexpr float entryRight = 0.675f * pageWidth;
constexpr float entryTop = 0.2f * pageHeight;
constexpr float entryBottom = 0.8f * pageHeight;

constexpr float pi = 3.14159265f;

constexpr Rgba titleFill{255, 214, 64, 255};
constexpr Rgba titleOutline{120, 62, 20, 255};
constexpr Rgba paper{255, 250, 232, 255};
constexpr Rgba paperEdge{120, 184, 84, 255};
constexpr Rgba headingColour{52, 120, 40, 255};

void drawCloud(Canvas& canvas, float cx, float cy, float size)
{
    const Rgba shade{226, 238, 252, 255};
    const Rgba cloudWhite{255, 255, 255, 255};
    canvas.fillEllipse(cx, cy + size * 0.12f, size * 1.1f, size * 0.32f, shade);
    canvas.fillCircle(cx - size * 0.55f, cy, size * 0.38f, cloudWhite);
    canvas.fillCircle(cx, cy - size * 0.18f, size * 0.52f, cloudWhite);
    canvas.fillCircle(cx + size * 0.55f, cy + size * 0.02f, size * 0.36f, cloudWhite);
    canvas.fillEllipse(cx, cy + size * 0.1f, size * 1.0f, size * 0.26f, cloudWhite);
}

void drawLawn(Canvas& canvas, int horizon)
{
    for (int y = horizon; y < canvas.height(); ++y) {
        const float depth = static_cast<float>(y - horizon) / static_cast<float>(canvas.height() - horizon);
        for (int x = 0; x < canvas.width(); ++x) {
            const float n = fractalNoise(static_cast<float>(x) / 24.0f, static_cast<float>(y) / 10.0f, 11, 3);
            // Mown stripes that widen towards the viewer.
            const float stripe =
                std::sin((static_cast<float>(x) - 512.0f) / (40.0f + 140.0f * depth) * 0.5f) > 0 ? 0.06f : 0.0f;
            const float t = std::clamp(0.25f + 0.5f * depth * 0.6f + (n - 0.5f) * 0.5f - stripe, 0.0f, 1.0f);
            canvas.set(x, y, mix(palette::lawnLight, palette::lawnDark, t * 0.7f));
        }
    }
}

void drawPicketFence(Canvas& canvas, float top, float bottom)
{
    const float boardWidth = 34.0f;
    const float gap = 8.0f;
    const float railHeight = 12.0f;
    for (float y : {top + (bottom - top) * 0.3f, top + (bottom - top) * 0.72f})
        canvas.fillRect(0, y, static_cast<float>(canvas.width()), y + railHeight, palette::woodDark);
    for (float x = -10.0f; x < static_cast<float>(canvas.width()); x += boardWidth + gap) {
        const float tip = top;
        canvas.fillPolygon({{x, tip + 14.0f},
                            {x + boardWidth * 0.5f, tip},
                            {x + boardWidth, tip + 14.0f},
                            {x + boardWidth, bottom},
                            {x, bottom}},
                           palette::woodLight);
        canvas.fillRect(x + boardWidth - 6.0f, tip + 12.0f, x + boardWidth, bottom,
                        mix(palette::woodLight, palette::woodDark, 0.45f));
        canvas.fillCircle(x + boardWidth * 0.5f, top + (bottom - top) * 0.3f + railHeight * 0.5f, 2.2f,
                          palette::woodDark);
    }
}

void drawGrassTufts(Canvas& canvas, float y0, float y1, std::uint32_t seed, int count)
{
    for (int i = 0; i < count; ++i) {
        const float x = hashUnit(static_cast<std::uint32_t>(i), seed) * static_cast<float>(canvas.width());
        const float y = y0 + hashUnit(static_cast<std::uint32_t>(i), seed + 1) * (y1 - y0);
        const float h = 10.0f + 14.0f * (y - y0) / std::max(y1 - y0, 1.0f);
        for (int blade = -2; blade <= 2; ++blade)
            canvas.drawLine(x + static_cast<float>(blade) * 2.5f, y, x + static_cast<float>(blade) * 5.0f,
                            y - h * (1.0f - 0.15f * std::abs(blade)), 2.0f, {46, 128, 38, 255});
    }
}

void drawSun(Canvas& canvas, float cx, float cy, float radius)
{
    const Rgba rays{255, 236, 120, 255};
    for (int i = 0; i < 12; ++i) {
        const float angle = 2.0f * pi * static_cast<float>(i) / 12.0f;
        canvas.drawLine(cx + std::cos(angle) * radius * 1.2f, cy + std::sin(angle) * radius * 1.2f,
                        cx + std::cos(angle) * radius * 1.6f, cy + std::sin(angle) * radius * 1.6f, 7.0f, rays);
    }
    canvas.fillCircle(cx, cy, radius, {255, 220, 60, 255});
    canvas.fillCircle(cx - radius * 0.25f, cy - radius * 0.25f, radius * 0.55f, {255, 238, 130, 255});
}

void drawRake(Canvas& canvas, float x0, float y0, float x1, float y1)
{
    const Rgba handle{176, 116, 60, 255};
    const Rgba metal{150, 158, 170, 255};
    canvas.drawLine(x0, y0, x1, y1, 9.0f, handle);
    // The head lies across the end of the handle, tines pointing down.
    const float dx = x1 - x0, dy = y1 - y0;
    const float length = std::sqrt(dx * dx + dy * dy);
    const float nx = -dy / length, ny = dx / length;
    const float half = 46.0f;
    canvas.drawLine(x1 - nx * half, y1 - ny * half, x1 + nx * half, y1 + ny * half, 9.0f, metal);
    for (int i = 0; i <= 6; ++i) {
        const float t = -1.0f + 2.0f * static_cast<float>(i) / 6.0f;
        const float bx = x1 + nx * half * t, by = y1 + ny * half * t;
        canvas.drawLine(bx, by, bx + dx / length * 18.0f, by + dy / length * 18.0f + 6.0f, 4.0f, metal);
    }
}

Canvas drawStartPage()
{
    Canvas page(pageWidth, pageHeight, palette::skyBottom);
    const int horizon = 430;
    fillVerticalGradient(page, 0, horizon, palette::skyTop, palette::skyBottom);
    drawSun(page, 930, 78, 44);
    drawCloud(page, 140, 110, 70);
    drawCloud(page, 820, 200, 56);
    drawCloud(page, 420, 60, 40);
    // Distant hedge, then the fence, then the lawn.
    for (int i = 0; i < 22; ++i) {
        const float x = static_cast<float>(i) * 50.0f + 10.0f * valueNoise(static_cast<float>(i), 0.5f, 5);
        page.fillCircle(x, 330.0f + 12.0f * valueNoise(static_cast<float>(i), 1.5f, 6), 44, {70, 150, 70, 255});
    }
    page.fillRect(0, 330, pageWidth, 440, {70, 150, 70, 255});
    drawPicketFence(page, 330, 445);
    drawLawn(page, 440);
    drawGrassTufts(page, 470, 760, 21, 60);
    drawRake(page, 380, 742, 600, 700);

    // The calm middle behind the menu entries: a soft light panel.
    fillRoundedRect(page, entryLeft - 26, entryTop - 20, entryRight + 26, entryBottom + 20, 40, {255, 255, 255, 96});

    // Flowers on the left, in front of the fence.
    const Rgba petals[] = {{238, 64, 96, 255},  {255, 196, 40, 255}, {150, 96, 226, 255},
                           {255, 128, 40, 255}, {236, 90, 180, 255}, {80, 150, 240, 255}};
    const float leftFlowers[][3] = {{60, 560, 150}, {150, 520, 120}, {230, 600, 160}, {100, 700, 170}, {280, 720, 140}};
    for (int i = 0; i < 5; ++i)
        drawFlower(page, leftFlowers[i][0], leftFlowers[i][1], leftFlowers[i][2], petals[i % 6], {255, 220, 60, 255});
    const float rightFlowers[][3] = {{760, 740, 130}, {990, 740, 150}, {730, 520, 110}};
    for (int i = 0; i < 3; ++i)
        drawFlower(page, rightFlowers[i][0], rightFlowers[i][1], rightFlowers[i][2], petals[(i + 3) % 6],
                   {255, 240, 120, 255});

    // A mole peeking out of its mound on the right.
    drawMound(page, 870, 650, 250, 70);
    drawMoleHead(page, 870, 590, 130);
    drawMound(page, 870, 666, 270, 30);

    // The title across the top.
    const Font& titleFont = font(FontFace::SerifBold);
    const float titleSize = 130.0f;
    drawCentredOutlined(page, titleFont, pageWidth / 2.0f + 4.0f, 124.0f + 5.0f, "Burrik", titleSize, {0, 0, 0, 70},
                        {0, 0, 0, 70}, 7.0f);
    drawCentredOutlined(page, titleFont, pageWidth / 2.0f, 124.0f, "Burrik", titleSize, titleFill, titleOutline, 7.0f);
    return page;
}

struct EntryStyle {
    const char* label;
    Rgba top;
    Rgba bottom;
};

// One menu entry as a picture with alpha: a rounded button with its label.
Canvas drawEntry(const EntryStyle& style)
{
    Canvas layer(entryDrawWidth, entryDrawHeight, palette::transparent);
    // Inside the red selection frame, which runs 1/12 of the height in from the top and bottom.
    const float x0 = 30, x1 = entryDrawWidth - 30.0f, y0 = 44, y1 = entryDrawHeight - 44.0f;
    const float radius = 56;
    const Rgba rim = mix(style.bottom, palette::black, 0.35f);
    fillRoundedRect(layer, x0, y0 + 8, x1, y1 + 8, radius, {0, 0, 0, 90});  // shadow
    fillRoundedRect(layer, x0, y0, x1, y1, radius, rim);
    fillPolygonGradient(layer, roundedRectangle(x0 + 7, y0 + 7, x1 - 7, y1 - 7, radius - 7), y0, y1, style.top,
                        style.bottom);
    // A glossy band on the upper half.
    fillRoundedRect(layer, x0 + 24, y0 + 14, x1 - 24, y0 + (y1 - y0) * 0.42f, radius * 0.6f, {255, 255, 255, 60});
    const Font& labelFont = font(FontFace::SansBold);
    const float size = 128.0f;
    drawCentredOutlined(layer, labelFont, entryDrawWidth / 2.0f, centredBaseline(labelFont, (y0 + y1) / 2.0f, size),
                        style.label, size, palette::white, rim, 6.0f);
    return layer;
}

void addEntry(ContentSink& sink, const std::string& name, const EntryStyle& style)
{
    const MaskAndPicture pair =
        splitMaskAndPicture(downsample(drawEntry(style), entryPictureWidth, entryPictureHeight));
    addPicture(sink, "bilder/" + name + "_mask.bmp", pair.mask, PictureFormat::Bmp8Paletted);
    addPicture(sink, "bilder/" + name + ".bmp", pair.picture, PictureFormat::Bmp24);
}

// The shared frame of the two text pages: paper with a green border, a title and corner flowers.
Canvas drawPaperPage(const std::string& title)
{
    Canvas page(pageWidth, pageHeight, paperEdge);
    fillRoundedRect(page, 14, 14, pageWidth - 14.0f, pageHeight - 14.0f, 34, {92, 160, 64, 255});
    fillRoundedRect(page, 26, 26, pageWidth - 26.0f, pageHeight - 26.0f, 26, paper);
    // Faint paper grain.
    for (int y = 26; y < pageHeight - 26; ++y)
        for (int x = 26; x < pageWidth - 26; ++x) {
            const Rgba p = page.get(x, y);
            if (!(p == paper)) continue;
            const float n = fractalNoise(static_cast<float>(x) / 30.0f, static_cast<float>(y) / 30.0f, 77, 3);
            page.set(x, y, mix(paper, {246, 236, 204, 255}, n * 0.6f));
        }
    const Font& titleFont = font(FontFace::SerifBold);
    drawCentred(page, titleFont, pageWidth / 2.0f, 96, title, 60, headingColour);
    page.drawLine(pageWidth / 2.0f - 220, 118, pageWidth / 2.0f + 220, 118, 3, mix(headingColour, paper, 0.5f));
    return page;
}

constexpr Rgba textColour{54, 44, 36, 255};

Canvas drawIntroPage()
{
    Canvas page = drawPaperPage("Pell's Garden");
    const Font& body = font(FontFace::Sans);
    const float size = 26.0f;
    const float step = 35.0f;
    const float left = 70.0f;
    const float width = pageWidth - 2.0f * left;
    const char* paragraphs[] = {
        "Pell the gardener looks after sixteen flowers in his little fenced garden, and he loves every one of them.",
        "But flowers need care. Now and then one starts to dry out and droops a little more each time: a splash "
        "from the watering can makes it bloom again. Another catches lice, and only a puff from the spray can helps. "
        "A flower left alone wilts away.",
        "And then there are the moles! They roam the lawn, bump into everything and, once they get hungry, nibble "
        "the flowers. Three bites, and a flower is gone. A good swing sends a mole flying over the fence.",
        "Watch your step: Pell has left his rakes lying in the grass. Tread on the tines, and the handle springs up "
        "and knocks him flat.",
        "Knock every mole away before the flowers are lost or the time runs out, and Pell will dance for joy. "
        "Good luck!",
    };
    float baseline = 176.0f;
    for (const char* paragraph : paragraphs)
        baseline = drawParagraph(page, body, left, baseline, width, paragraph, size, step, textColour) + 12.0f;
    drawFlower(page, 800, 742, 80, {238, 64, 96, 255}, {255, 220, 60, 255});
    drawFlower(page, 846, 744, 60, {255, 196, 40, 255}, {255, 240, 120, 255});
    drawMound(page, 930, 742, 130, 34);
    drawMoleHead(page, 930, 712, 64);
    drawMound(page, 930, 744, 140, 14);
    return page;
}

// A key drawn as a rounded key cap; returns the x after it. Arrow keys get a
// larger glyph in a cap of the same height.
float drawKeyCap(Canvas& page, float x, float baseline, const std::string& label, float size)
{
    const Font& keyFont = font(FontFace::SansBold);
    const bool arrow = label.size() == 3 && static_cast<unsigned char>(label[0]) == 0xE2;
    const float glyphSize = arrow ? size * 1.5f : size;
    const float textWidth = keyFont.measure(label, glyphSize);
    const float padding = arrow ? 6.0f : 9.0f;
    const float capHeight = keyFont.capHeight(size);
    const float top = baseline - capHeight - 8.0f;
    const float bottom = baseline + 8.0f;
    const float right = x + std::max(textWidth + 2 * padding, capHeight + 16.0f);
    fillRoundedRect(page, x, top + 3, right, bottom + 3, 7, {150, 140, 120, 255});
    fillRoundedRect(page, x, top, right, bottom, 7, {255, 255, 255, 255});
    fillRoundedRect(page, x + 1.5f, top + 1.5f, right - 1.5f, bottom - 1.5f, 6, {236, 240, 246, 255});
    const float glyphBaseline = arrow ? baseline + 0.5f * (keyFont.capHeight(glyphSize) - capHeight) : baseline;
    keyFont.draw(page, (x + right - textWidth) * 0.5f, glyphBaseline, label, glyphSize, {40, 52, 80, 255});
    return right;
}

Canvas drawHelpPage()
{
    Canvas page = drawPaperPage("How to Play");
    const Font& body = font(FontFace::Sans);
    const Font& bold = font(FontFace::SansBold);
    const float size = 21.0f;
    const float keySize = 18.0f;
    const float step = 33.0f;

    struct KeyLine {
        std::vector<std::string> keys;
        const char* action;
    };
    const KeyLine keyLines[] = {
        {{"\xE2\x86\x91"}, "walk"},  // up arrow
        {{"\xE2\x86\x90", "\xE2\x86\x92"}, "turn left / right"},
        {{"\xE2\x86\x93"}, "strike: knock a mole away"},
        {{"X", "Page Up"}, "water a flower"},
        {{"Y", "Home"}, "spray a flower"},
        {{"A", "D"}, "swing the camera"},
        {{"W", "S"}, "tilt the camera"},
        {{"Space"}, "choose / next level"},
        {{"Esc"}, "back to the menu / quit"},
        {{"F"}, "change the ground filter"},
        {{"M"}, "mipmapping on / off"},
        {{"G"}, "wireframe on / off"},
        {{"L"}, "display lists on / off"},
        {{"V"}, "vertex arrays on / off"},
        {{"P"}, "frame rate on / off"},
    };
    const float keyColumn = 64.0f;
    const float actionColumn = 258.0f;
    float baseline = 176.0f;
    bold.draw(page, keyColumn, baseline, "Keys", 26, headingColour);
    baseline += 38.0f;
    for (const KeyLine& line : keyLines) {
        float x = keyColumn;
        for (std::size_t i = 0; i < line.keys.size(); ++i) {
            if (i > 0) x = body.draw(page, x + 5, baseline, "or", 16, {120, 110, 96, 255}) + 5;
            x = drawKeyCap(page, x, baseline, line.keys[i], keySize);
        }
        body.draw(page, actionColumn, baseline, line.action, size, textColour);
        baseline += step;
    }

    // Right column: points and the end of a round.
    const float column = 600.0f;
    const float columnWidth = pageWidth - 60.0f - column;
    baseline = 176.0f;
    bold.draw(page, column, baseline, "Points", 26, headingColour);
    baseline += 40.0f;
    struct PointsLine {
        const char* points;
        const char* what;
        Rgba colour;
    };
    const PointsLine pointsLines[] = {
        {"+50", "a mole knocked away", {40, 140, 40, 255}},
        {"+20", "a flower gets better", {40, 140, 40, 255}},
        {"\xE2\x88\x92"
         "5",
         "a flower gets worse",
         {200, 50, 40, 255}},
        {"\xE2\x88\x92"
         "10",
         "a rake set off",
         {200, 50, 40, 255}},
    };
    for (const PointsLine& line : pointsLines) {
        const float width = bold.measure(line.points, size);
        bold.draw(page, column + 56 - width, baseline, line.points, size, line.colour);
        body.draw(page, column + 72, baseline, line.what, size, textColour);
        baseline += step;
    }
    baseline += 22.0f;
    bold.draw(page, column, baseline, "Winning and losing", 26, headingColour);
    baseline += 40.0f;
    baseline = drawParagraph(page, body, column, baseline, columnWidth,
                             "You win the round when every mole has been knocked away. Then the next level "
                             "brings one more mole.",
                             size, 29.0f, textColour);
    baseline += 10.0f;
    baseline = drawParagraph(page, body, column, baseline, columnWidth,
                             "You lose when every flower is gone, when the score drops below \xE2\x88\x92"
                             "50, "
                             "or when the 200 seconds are over.",
                             size, 29.0f, textColour);
    baseline += 10.0f;
    drawParagraph(page, body, column, baseline, columnWidth,
                  "In the menu, choose with \xE2\x86\x91 and \xE2\x86\x93 and start with Space.", size, 29.0f,
                  textColour);
    drawFlower(page, 930, 742, 80, {150, 96, 226, 255}, {255, 220, 60, 255});
    drawFlower(page, 975, 744, 60, {238, 64, 96, 255}, {255, 240, 120, 255});
    return page;
}

const GeneratorRegistration registration{
    100, "screens", [](ContentSink& sink) {
        addPicture(sink, "bilder/start.bmp", downsample(drawStartPage(), screenPictureSize, screenPictureSize),
                   PictureFormat::Bmp24);
        addEntry(sink, "spiel", {"Play", {118, 214, 92, 255}, {40, 150, 52, 255}});
        addEntry(sink, "intro", {"Intro", {255, 196, 84, 255}, {236, 124, 28, 255}});
        addEntry(sink, "hilfe", {"Help", {104, 184, 255, 255}, {36, 110, 214, 255}});
        addPicture(sink, "bilder/intro_text.bmp", downsample(drawIntroPage(), screenPictureSize, screenPictureSize),
                   PictureFormat::Bmp24);
        addPicture(sink, "bilder/hilfe_text.bmp", downsample(drawHelpPage(), screenPictureSize, screenPictureSize),
                   PictureFormat::Bmp24);
    }};

}  // namespace

}  // namespace contentgen
