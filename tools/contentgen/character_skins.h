#pragma once
// The gardener's skin pictures (256 x 256), laid out to match the texture
// rectangles of the rig.
#include "canvas.h"

namespace contentgen::pell {

constexpr int kSkinPixels = 256;

Canvas paintLowerSkin();  // trousers, apron skirt and belt, boots
Canvas paintUpperSkin();  // shirt with apron bib, sleeves, skin, face, straw hat
Canvas paintPropsSkin();  // watering can, spray can, spade

}  // namespace contentgen::pell
