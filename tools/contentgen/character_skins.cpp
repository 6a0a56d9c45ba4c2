#include "character_skins.h"

#include <cmath>

namespace contentgen::pell {

namespace {

// Palette.
constexpr Rgba kDenim{62, 92, 165};
constexpr Rgba kDenimDark{40, 62, 120};
constexpr Rgba kSeam{210, 170, 90};
constexpr Rgba kApron{36, 110, 52};
constexpr Rgba kApronDark{24, 78, 36};
constexpr Rgba kApronPocket{52, 135, 66};
constexpr Rgba kShirt{140, 200, 110};
constexpr Rgba kShirtCheck{110, 170, 85};
constexpr Rgba kLeather{122, 72, 36};
constexpr Rgba kLeatherDark{72, 42, 22};
constexpr Rgba kSole{48, 34, 26};
constexpr Rgba kLace{225, 205, 160};
constexpr Rgba kBelt{92, 56, 30};
constexpr Rgba kBrass{220, 185, 70};
constexpr Rgba kSkinTone{242, 192, 152};
constexpr Rgba kSkinShade{222, 165, 128};
constexpr Rgba kRosy{236, 140, 120};
constexpr Rgba kHair{112, 74, 44};
constexpr Rgba kEyeWhite{250, 250, 245};
constexpr Rgba kPupil{40, 40, 60};
constexpr Rgba kMouth{150, 50, 45};
constexpr Rgba kStraw{228, 198, 112};
constexpr Rgba kStrawDark{190, 152, 72};
constexpr Rgba kHatBand{190, 45, 40};
constexpr Rgba kCanGreen{64, 158, 74};
constexpr Rgba kCanDark{38, 108, 48};
constexpr Rgba kSprayRed{212, 44, 40};
constexpr Rgba kSprayDark{150, 26, 24};
constexpr Rgba kLabel{245, 240, 225};
constexpr Rgba kBug{30, 30, 30};
constexpr Rgba kSteel{162, 168, 176};
constexpr Rgba kSteelLight{215, 220, 228};
constexpr Rgba kWood{166, 112, 60};
constexpr Rgba kWoodDark{120, 76, 38};
constexpr Rgba kFlowerPetal{240, 90, 110};
constexpr Rgba kFlowerHeart{250, 215, 60};

// Fills a rectangle with a colour roughened by noise towards a darker one.
void noisyRect(Canvas& c, int x0, int y0, int x1, int y1, Rgba base, Rgba dark, float amount, float scale,
               std::uint32_t seed)
{
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const float n = fractalNoise(static_cast<float>(x) / scale, static_cast<float>(y) / scale, seed, 3);
            c.set(x, y, mix(base, dark, amount * n));
        }
    }
}

// A gingham check of two greens.
void checkedRect(Canvas& c, int x0, int y0, int x1, int y1, int cell)
{
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const bool a = ((x - x0) / cell) % 2 == 0;
            const bool b = ((y - y0) / cell) % 2 == 0;
            const float t = (a ? 0.5f : 0.0f) + (b ? 0.5f : 0.0f);
            const float n = fractalNoise(static_cast<float>(x) / 6.0f, static_cast<float>(y) / 6.0f, 31, 2);
            c.set(x, y, mix(mix(kShirt, kShirtCheck, t), kShirtCheck, 0.15f * n));
        }
    }
}

void smallFlower(Canvas& c, float x, float y, float r)
{
    for (int petal = 0; petal < 5; ++petal) {
        const float a = 6.2831853f * static_cast<float>(petal) / 5.0f;
        c.fillCircle(x + r * std::cos(a), y + r * std::sin(a), r * 0.7f, kFlowerPetal);
    }
    c.fillCircle(x, y, r * 0.6f, kFlowerHeart);
}

}  // namespace

Canvas paintLowerSkin()
{
    Canvas c(kSkinPixels, kSkinPixels, kDenim);
    // Trousers: denim with side seams (the lathe's sides are a quarter round from the back).
    noisyRect(c, 0, 0, 128, 128, kDenim, kDenimDark, 0.45f, 5.0f, 11);
    for (float seam : {34.0f, 94.0f}) c.drawLine(seam, 0, seam, 128, 1.2f, kSeam);

    // Pelvis: denim, the apron's skirt in front, a belt with a brass buckle on top.
    noisyRect(c, 128, 0, 256, 128, kDenim, kDenimDark, 0.45f, 5.0f, 12);
    noisyRect(c, 166, 14, 218, 128, kApron, kApronDark, 0.35f, 7.0f, 13);
    c.drawLine(166, 14, 166, 128, 1.0f, kApronDark);
    c.drawLine(218, 14, 218, 128, 1.0f, kApronDark);
    c.fillRect(128, 0, 256, 16, kBelt);
    c.drawLine(128, 15.5f, 256, 15.5f, 1.0f, kLeatherDark);
    c.fillRect(186, 2, 198, 14, kBrass);
    c.fillRect(189, 5, 195, 11, kBelt);

    // Boots: the foot runs from the heel (bottom rows) to the toe (top rows);
    // the laces sit on the middle column, the sole at the left and right edges.
    noisyRect(c, 0, 128, 128, 256, kLeather, kLeatherDark, 0.4f, 6.0f, 14);
    c.fillRect(0, 128, 16, 256, kSole);
    c.fillRect(112, 128, 128, 256, kSole);
    for (int i = 0; i < 5; ++i) {
        const float y = 182.0f + 10.0f * static_cast<float>(i);
        c.drawLine(56, y, 72, y + 6, 1.6f, kLace);
        c.drawLine(72, y, 56, y + 6, 1.6f, kLace);
    }
    c.fillRect(0, 128, 128, 138, kLeatherDark);  // toe cap
    // Boot shaft with a turned-down cuff.
    noisyRect(c, 128, 128, 256, 192, kLeather, kLeatherDark, 0.4f, 6.0f, 15);
    c.fillRect(128, 128, 256, 144, mix(kLeather, kLace, 0.25f));
    c.drawLine(128, 144, 256, 144, 1.2f, kLeatherDark);
    noisyRect(c, 128, 192, 256, 256, kLeatherDark, kSole, 0.4f, 6.0f, 16);
    return c;
}

Canvas paintUpperSkin()
{
    Canvas c(kSkinPixels, kSkinPixels, kSkinTone);
    // Shirt and apron bib. Rows: the neck at the top, the waist at the
    // bottom; columns: back, left side, front (x = 64), right side, back.
    checkedRect(c, 0, 0, 128, 96, 6);
    noisyRect(c, 40, 36, 88, 96, kApron, kApronDark, 0.35f, 7.0f, 21);
    c.drawLine(40, 36, 88, 36, 1.2f, kApronDark);
    // Straps over the shoulders, crossing on the back.
    c.drawLine(44, 36, 40, 0, 4.0f, kApron);
    c.drawLine(84, 36, 88, 0, 4.0f, kApron);
    c.drawLine(4, 70, 20, 0, 4.0f, kApron);
    c.drawLine(124, 70, 108, 0, 4.0f, kApron);
    // Pocket with a little embroidered flower.
    c.fillRect(52, 50, 76, 66, kApronPocket);
    c.drawLine(52, 50, 76, 50, 1.0f, kApronDark);
    smallFlower(c, 64, 58, 3.0f);
    // Shirt buttons above the bib and a collar.
    c.fillCircle(64, 30, 1.4f, kLabel);
    c.fillCircle(64, 22, 1.4f, kLabel);
    c.fillRect(0, 0, 128, 10, mix(kShirt, kLabel, 0.4f));

    // Sleeves: top at the shoulder, rolled-up cuff at the elbow.
    checkedRect(c, 128, 0, 192, 64, 6);
    c.fillRect(128, 50, 192, 64, mix(kShirt, kLabel, 0.35f));
    c.drawLine(128, 50, 192, 50, 1.0f, kShirtCheck);

    // Skin and the rosier nose.
    noisyRect(c, 192, 0, 256, 64, kSkinTone, kSkinShade, 0.35f, 8.0f, 22);
    noisyRect(c, 238, 0, 256, 64, kRosy, kSkinShade, 0.2f, 8.0f, 23);

    // Face: the head turned out flat, chin at the bottom, crown at the top,
    // the face in the middle column.
    noisyRect(c, 0, 96, 128, 192, kSkinTone, kSkinShade, 0.25f, 8.0f, 24);
    // Hair under the hat: over the crown and round the back.
    c.fillRect(0, 96, 128, 130, kHair);
    c.fillRect(0, 96, 34, 166, kHair);
    c.fillRect(94, 96, 128, 166, kHair);
    c.fillEllipse(34, 150, 6, 16, kHair);
    c.fillEllipse(94, 150, 6, 16, kHair);
    // Eyes with brows, rosy cheeks, moustache and a smile.
    for (float x : {56.5f, 71.5f}) {
        c.fillEllipse(x, 138, 3.4f, 4.4f, kEyeWhite);
        c.fillEllipse(x, 139, 1.9f, 2.6f, kPupil);
        c.fillCircle(x + 0.6f, 137.8f, 0.6f, kEyeWhite);
        c.drawLine(x - 3.5f, 131.5f, x + 3.5f, 130.5f, 1.4f, kHair);
    }
    c.fillCircle(49, 150, 4.5f, mix(kSkinTone, kRosy, 0.6f));
    c.fillCircle(79, 150, 4.5f, mix(kSkinTone, kRosy, 0.6f));
    c.fillEllipse(60, 153, 5.5f, 2.4f, kHair);
    c.fillEllipse(68, 153, 5.5f, 2.4f, kHair);
    c.drawLine(58, 158.5f, 61, 161, 1.4f, kMouth);
    c.drawLine(61, 161, 67, 161, 1.4f, kMouth);
    c.drawLine(67, 161, 70, 158.5f, 1.4f, kMouth);

    // Straw hat: woven straw, red band on the lower crown.
    for (int y = 64; y < 128; ++y) {
        for (int x = 128; x < 256; ++x) {
            const float weave = 0.5f + 0.5f * std::sin(static_cast<float>(x) * 1.7f) * std::sin(static_cast<float>(y) * 1.7f);
            const float n = fractalNoise(static_cast<float>(x) / 4.0f, static_cast<float>(y) / 4.0f, 25, 2);
            c.set(x, y, mix(kStraw, kStrawDark, 0.35f * weave + 0.3f * n));
        }
    }
    c.fillRect(128, 82, 256, 87, kHatBand);
    c.fillRect(128, 100, 256, 103, kStrawDark);  // brim edge
    return c;
}

Canvas paintPropsSkin()
{
    Canvas c(kSkinPixels, kSkinPixels, kSteel);
    // Watering can: green metal with a highlight and darker rims.
    noisyRect(c, 0, 0, 128, 100, kCanGreen, kCanDark, 0.3f, 10.0f, 41);
    c.fillRect(44, 0, 52, 100, mix(kCanGreen, kLabel, 0.45f));
    c.fillRect(0, 0, 128, 6, kCanDark);
    c.fillRect(0, 90, 128, 100, kCanDark);
    noisyRect(c, 0, 100, 128, 128, kCanDark, kSole, 0.3f, 6.0f, 42);

    // Spray can: red with a white label showing a crossed-out bug.
    noisyRect(c, 128, 0, 256, 100, kSprayRed, kSprayDark, 0.25f, 10.0f, 43);
    c.fillRect(128, 0, 256, 22, kSteelLight);  // cap and shoulder
    c.fillRect(128, 40, 256, 70, kLabel);
    c.fillEllipse(192, 55, 6, 8, kBug);
    c.fillCircle(192, 46, 3.5f, kBug);
    for (float dy : {-4.0f, 0.0f, 4.0f}) {
        c.drawLine(180, 55 + dy, 204, 55 + dy, 1.0f, kBug);
    }
    c.drawLine(181, 45, 203, 66, 2.4f, kSprayRed);
    c.fillRect(128, 100, 256, 128, kLabel);  // nozzle

    // Spade blade: steel, bright edge at the tip (top rows), a few scratches.
    noisyRect(c, 0, 128, 128, 256, kSteel, kSteelLight, 0.5f, 9.0f, 44);
    c.fillRect(0, 128, 128, 142, kSteelLight);
    for (int i = 0; i < 6; ++i) {
        const float x = 12.0f + 19.0f * static_cast<float>(i);
        c.drawLine(x, 160.0f + 9.0f * static_cast<float>(i % 3), x + 8, 200.0f + 7.0f * static_cast<float>(i % 2), 0.8f,
                   mix(kSteel, kSole, 0.3f));
    }
    // Wooden handle: grain along its length.
    for (int y = 128; y < 256; ++y) {
        for (int x = 128; x < 256; ++x) {
            const float grain = 0.5f + 0.5f * std::sin(static_cast<float>(x) * 0.9f +
                                                        3.0f * fractalNoise(static_cast<float>(x) / 16.0f,
                                                                            static_cast<float>(y) / 40.0f, 45, 2));
            c.set(x, y, mix(kWood, kWoodDark, 0.55f * grain));
        }
    }
    return c;
}

}  // namespace contentgen::pell
