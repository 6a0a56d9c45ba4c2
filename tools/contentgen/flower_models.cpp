// The flower: twelve models (fresh and three dry stages, each whole, bitten
// once and bitten twice) from one parametric generator, and its five
// textures in one shared layout.
//
// Every model has the same vertices in the same order and the same faces:
// the flower bed blends between models vertex by vertex over ten frames, so
// only positions change between them. Drying bends the stem over, lets the
// leaves sag and fold and the petals shrink and curl; a bite pulls petals (and
// at the second bite a leaf) back into small stubs rather than removing them.
#include "canvas.h"
#include "content.h"
#include "model_builder.h"
#include "picture_files.h"
#include "writer_3ds.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace contentgen {
namespace {

// ---------------------------------------------------------------- layout
// The flower bed draws a flower unscaled at its grid point; its bounding
// sphere sits at (4, 7, -9) with radius 35, so the stem stands near that
// centre's foot and the whole flower stays below about 40.
constexpr Vector3 kStemFoot{3.2f, 0.0f, -9.6f};
constexpr float kStemLength = 30.0f;
constexpr int kStemRings = 9;
constexpr int kStemSides = 6;
constexpr float kStemRadiusFoot = 1.25f;
constexpr float kStemRadiusTop = 0.9f;
constexpr float kCalyxRise = 1.5f;
constexpr float kCalyxRadius = 3.3f;
// Direction the stem leans and droops toward (horizontal, unit).
constexpr Vector3 kBendDirection{0.8f, 0.0f, 0.6f};
constexpr float kFreshBendDegrees = 9.0f;
constexpr float kDroopBendDegrees = 105.0f;

constexpr float kHeadRise = 1.6f;  // flower centre above the stem top
constexpr int kCentreSides = 8;
constexpr float kCentreApex = 2.2f;
constexpr float kCentreInnerRadius = 2.6f;
constexpr float kCentreInnerRise = 1.5f;
constexpr float kCentreOuterRadius = 4.0f;
constexpr float kCentreOuterRise = 0.3f;

constexpr int kPetals = 10;
constexpr int kPetalRows = 5;
constexpr int kBladeColumns = 3;  // edge, rib, edge
constexpr float kPetalLength = 12.5f;
constexpr float kPetalWidth = 5.4f;
constexpr float kPetalInset = 1.4f;
// Every other petal sits a little lower, so the ring looks layered.
constexpr float kLowerPetalTiltDegrees = 7.0f;
constexpr float kGroundClearance = 0.15f;

constexpr int kLeaves = 3;
constexpr int kLeafRows = 6;
struct LeafShape {
    float along;       // attachment, fraction of the stem length
    float azimuthDeg;  // around the stem
    float length;
    float width;
};
constexpr std::array<LeafShape, kLeaves> kLeafShapes{{
    {0.10f, 200.0f, 18.0f, 7.5f},
    {0.24f, 320.0f, 16.0f, 7.0f},
    {0.42f, 85.0f, 13.0f, 6.0f},
}};

// Bitten parts: petals pulled in at the first bite, more at the second, and
// one leaf at the second; a petal next to the gap is bitten to half length.
constexpr std::array<int, 3> kFirstBitePetals{1, 2, 3};
constexpr int kFirstBiteHalfPetal = 4;
constexpr std::array<int, 3> kSecondBitePetals{4, 5, 0};
constexpr int kSecondBiteHalfPetal = 6;
constexpr int kSecondBiteLeaf = 1;
constexpr float kStubLength = 0.1f;  // what is left of a bitten part, as a fraction
constexpr float kStubWidth = 0.35f;

// ---------------------------------------------------------------- texture
constexpr int kTextureSize = 256;
// Regions of the shared texture, in picture pixels (y down from the top).
constexpr PictureRegion kPetalRegion{8, 8, 120, 120};
constexpr PictureRegion kLeafRegion{8, 136, 120, 248};
constexpr PictureRegion kStemRegion{136, 136, 248, 248};
constexpr float kCentreRegionX = 192.0f;
constexpr float kCentreRegionY = 64.0f;
constexpr float kCentreRegionRadius = 58.0f;

// u runs across a blade (0 one edge, 1 the other), t along it (0 base, 1 tip).
Vector2 flowerUv(const PictureRegion& region, float u, float t)
{
    return regionUv(region, u, t, kTextureSize, kTextureSize);
}

// ---------------------------------------------------------------- geometry
struct FlowerPose {
    float droop = 0.0f;  // 0 upright, 1 head hanging
    float wilt = 0.0f;   // 0 fresh, 1 dry
    int eaten = 0;       // bites taken: 0, 1 or 2
};

float degrees(float d) { return d * kPi / 180.0f; }

// A point of the stem's centre line and its frame. The stem bends in the
// vertical plane through kBendDirection, more toward the top.
struct StemFrame {
    Vector3 point;
    Vector3 tangent;
    Vector3 normal;    // in the bend plane, toward the outside of the bend
    Vector3 binormal;  // tangent x normal
};

float stemBend(const FlowerPose& pose)
{
    return degrees(kFreshBendDegrees + pose.droop * kDroopBendDegrees);
}

StemFrame stemFrame(const FlowerPose& pose, float s)
{
    // Bend angle grows with the square of the height along the stem;
    // integrate the centre line in fixed small steps.
    constexpr int kSteps = 96;
    const float bend = stemBend(pose);
    const Vector3 up{0.0f, 1.0f, 0.0f};
    Vector3 p = kStemFoot;
    const int steps = static_cast<int>(std::lround(s * kSteps));
    const float ds = kStemLength / kSteps;
    for (int i = 0; i < steps; ++i) {
        const float mid = (static_cast<float>(i) + 0.5f) / kSteps;
        const float a = bend * mid * mid;
        p = Add(p, Scale(Add(Scale(up, std::cos(a)), Scale(kBendDirection, std::sin(a))), ds));
    }
    const float sAt = static_cast<float>(steps) / kSteps;
    const float a = bend * sAt * sAt;
    StemFrame f;
    f.point = p;
    f.tangent = Add(Scale(up, std::cos(a)), Scale(kBendDirection, std::sin(a)));
    f.normal = Add(Scale(up, -std::sin(a)), Scale(kBendDirection, std::cos(a)));
    f.binormal = Cross(f.tangent, f.normal);
    return f;
}

// A flat blade (petal or leaf) along a bending centre line: the centre line
// leaves `base` in direction `out`, tilted up toward `up` by an angle that
// changes by `curl` from base to tip. Its edges lift by `cup` toward the
// blade's upper side. Rows run base to tip, columns edge - rib - edge.
struct BladeShape {
    Vector3 base;
    Vector3 out;  // unit, in the blade's plane of bending
    Vector3 up;   // unit, perpendicular to out
    float length;
    float width;
    float pitch;  // radians at the base, toward up
    float curl;   // radians added from base to tip
    float cup;    // edge lift as a fraction of the local width
    float tipWidth;
};

float bladeProfile(float t, float tipWidth)
{
    // Narrow at the base, widest past the middle, narrow at the tip.
    const float body = std::pow(std::sin(kPi * (0.08f + 0.84f * t)), 0.7f);
    return std::max(tipWidth, body * (1.0f - 0.25f * t));
}

void addBlade(MeshBuilder& mesh, const BladeShape& shape, int rows, const PictureRegion& region)
{
    std::vector<Vector3> centre(rows), forward(rows), upper(rows);
    Vector3 p = shape.base;
    constexpr int kSubsteps = 8;
    for (int r = 0; r < rows; ++r) {
        const float t = static_cast<float>(r) / static_cast<float>(rows - 1);
        const float angle = shape.pitch + shape.curl * t;
        forward[r] = Add(Scale(shape.out, std::cos(angle)), Scale(shape.up, std::sin(angle)));
        upper[r] = Add(Scale(shape.out, -std::sin(angle)), Scale(shape.up, std::cos(angle)));
        centre[r] = p;
        if (r + 1 < rows) {
            // Advance along the curve to the next row.
            const float segment = shape.length / static_cast<float>(rows - 1);
            for (int k = 0; k < kSubsteps; ++k) {
                const float tk = (static_cast<float>(r) + (k + 0.5f) / kSubsteps) /
                                 static_cast<float>(rows - 1);
                const float ak = shape.pitch + shape.curl * tk;
                const Vector3 dir =
                    Add(Scale(shape.out, std::cos(ak)), Scale(shape.up, std::sin(ak)));
                p = Add(p, Scale(dir, segment / kSubsteps));
            }
        }
    }
    mesh.grid(
        rows, kBladeColumns, false,
        [&](int r, int c) {
            const float t = static_cast<float>(r) / static_cast<float>(rows - 1);
            const float half = 0.5f * shape.width * bladeProfile(t, shape.tipWidth);
            // Columns run along forward x upper, so the faces look to the upper side.
            const Vector3 side = Cross(forward[r], upper[r]);
            const float across = static_cast<float>(c - 1);  // -1, 0, 1
            Vector3 v = Add(centre[r], Scale(side, across * half));
            if (c != 1) v = Add(v, Scale(upper[r], shape.cup * half));
            // A sagging leaf comes to lie on the ground rather than in it.
            v.y = std::max(v.y, kGroundClearance);
            return v;
        },
        [&](int r, int c) {
            const float t = static_cast<float>(r) / static_cast<float>(rows - 1);
            return flowerUv(region, static_cast<float>(c) * 0.5f, t);
        });
}

bool contains(const auto& list, int value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

// How much of petal k is left: 1 whole, kStubLength bitten off.
float petalLeft(const FlowerPose& pose, int k)
{
    if (pose.eaten >= 1 && contains(kFirstBitePetals, k)) return kStubLength;
    if (pose.eaten >= 2 && contains(kSecondBitePetals, k)) return kStubLength;
    if (pose.eaten == 1 && k == kFirstBiteHalfPetal) return 0.5f;
    if (pose.eaten >= 2 && k == kSecondBiteHalfPetal) return 0.5f;
    return 1.0f;
}

MeshBuilder buildFlower(const FlowerPose& pose)
{
    MeshBuilder mesh;
    const float wilt = pose.wilt;

    // Stem: rings up the centre line, the last ring flaring into the calyx
    // that holds the head.
    const StemFrame top = stemFrame(pose, 1.0f);
    // One column more than the sides, so the texture's seam has its own vertices.
    mesh.grid(
        kStemRings + 1, kStemSides + 1, false,
        [&](int r, int c) {
            const float theta = 2.0f * kPi * static_cast<float>(c) / kStemSides;
            if (r == kStemRings) {
                const Vector3 rim = Add(top.point, Scale(top.tangent, kCalyxRise));
                const Vector3 offset = Add(Scale(top.normal, std::cos(theta)),
                                           Scale(top.binormal, std::sin(theta)));
                return Add(rim, Scale(offset, kCalyxRadius * (1.0f - 0.25f * wilt)));
            }
            const float s = static_cast<float>(r) / (kStemRings - 1);
            const StemFrame f = stemFrame(pose, s);
            const float radius = lerpf(kStemRadiusFoot, kStemRadiusTop, s) * (1.0f - 0.15f * wilt);
            const Vector3 offset =
                Add(Scale(f.normal, std::cos(theta)), Scale(f.binormal, std::sin(theta)));
            return Add(f.point, Scale(offset, radius));
        },
        [&](int r, int c) {
            const float u = static_cast<float>(c) / kStemSides;
            const float t = static_cast<float>(r) / kStemRings;
            return flowerUv(kStemRegion, u, t);
        });

    // Head frame: axis along the stem's end, so a drooping stem turns the
    // whole head down.
    const Vector3 axis = top.tangent;
    const Vector3 e1 = top.normal;
    const Vector3 e2 = top.binormal;
    const Vector3 head = Add(top.point, Scale(axis, kHeadRise));
    const auto around = [&](float theta) {
        return Add(Scale(e1, std::cos(theta)), Scale(e2, std::sin(theta)));
    };

    // Flower centre: a low dome, apex and two rings. The rings run clockwise
    // seen from above the head, so the faces look up and out.
    const float flatten = 1.0f - 0.35f * wilt;
    const auto centreUv = [](float radiusFraction, float theta) {
        return pictureUv(kCentreRegionX + kCentreRegionRadius * radiusFraction * std::cos(theta),
                         kCentreRegionY + kCentreRegionRadius * radiusFraction * std::sin(theta),
                         kTextureSize, kTextureSize);
    };
    const std::uint16_t apex =
        mesh.vertex(Add(head, Scale(axis, kCentreApex * flatten)), centreUv(0.0f, 0.0f));
    const std::uint16_t ring = mesh.grid(
        2, kCentreSides, true,
        [&](int r, int c) {
            const float theta = -2.0f * kPi * static_cast<float>(c) / kCentreSides;
            const float radius = r == 0 ? kCentreInnerRadius : kCentreOuterRadius;
            const float rise = (r == 0 ? kCentreInnerRise : kCentreOuterRise) * flatten;
            return Add(Add(head, Scale(axis, rise)), Scale(around(theta), radius));
        },
        [&](int r, int c) {
            const float theta = -2.0f * kPi * static_cast<float>(c) / kCentreSides;
            return centreUv(r == 0 ? 0.6f : 1.0f, theta);
        });
    mesh.fan(apex, ring, kCentreSides, true);

    // Petals round the centre. Dry petals shrink, tilt down and curl; the
    // edges roll up more and more.
    for (int k = 0; k < kPetals; ++k) {
        const float theta = 2.0f * kPi * (static_cast<float>(k) + 0.5f) / kPetals;
        const Vector3 out = around(theta);
        const float left = petalLeft(pose, k);
        const bool lower = k % 2 == 1;
        BladeShape petal;
        petal.base = Add(Add(head, Scale(out, kPetalInset)), Scale(axis, (lower ? 0.35f : 0.6f) * flatten));
        petal.out = out;
        petal.up = axis;
        petal.length = kPetalLength * (1.0f - 0.35f * wilt) * left;
        petal.width = kPetalWidth * (1.0f - 0.3f * wilt) * (left < 0.5f ? kStubWidth : 1.0f);
        petal.pitch = degrees(lerpf(34.0f, -30.0f, wilt) - (lower ? kLowerPetalTiltDegrees : 0.0f));
        petal.curl = degrees(lerpf(-22.0f, -70.0f, wilt));
        petal.cup = lerpf(0.18f, 0.7f, wilt);
        petal.tipWidth = left < 1.0f ? 0.55f : 0.3f;  // a bitten petal ends blunt
        addBlade(mesh, petal, kPetalRows, kPetalRegion);
    }

    // Leaves on the stem: arching out and down, sagging and folding when dry.
    for (int j = 0; j < kLeaves; ++j) {
        const LeafShape& shape = kLeafShapes[j];
        const StemFrame at = stemFrame(pose, shape.along);
        const float azimuth = degrees(shape.azimuthDeg);
        const Vector3 out =
            Add(Scale(at.normal, std::cos(azimuth)), Scale(at.binormal, std::sin(azimuth)));
        const bool bitten = pose.eaten >= 2 && j == kSecondBiteLeaf;
        const float left = bitten ? kStubLength : 1.0f;
        BladeShape leaf;
        leaf.base = Add(at.point, Scale(out, kStemRadiusFoot * 0.8f));
        leaf.out = out;
        leaf.up = at.tangent;
        leaf.length = shape.length * (1.0f - 0.15f * wilt) * left;
        leaf.width = shape.width * (1.0f - 0.35f * wilt) * (bitten ? kStubWidth : 1.0f);
        leaf.pitch = degrees(lerpf(50.0f, 0.0f, wilt));
        leaf.curl = degrees(lerpf(-75.0f, -95.0f, wilt));
        leaf.cup = lerpf(0.12f, 0.8f, wilt);
        leaf.tipWidth = bitten ? 0.6f : 0.05f;
        addBlade(mesh, leaf, kLeafRows, kLeafRegion);
    }
    return mesh;
}

// ---------------------------------------------------------------- textures
struct FlowerLook {
    Rgba petalBase, petalTip, petalVein;
    Rgba centreInner, centreOuter, seed;
    Rgba leafDark, leafLight, leafVein;
    Rgba stemDark, stemLight;
    Rgba dryEdge;       // colour the edges turn to
    float edgeDryness;  // 0 none .. 1 edges fully dry
    int drySpots;       // brown spots on leaves and petals
    int lice;           // lice dots
};

constexpr Rgba rgb(int r, int g, int b)
{
    return {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b),
            255};
}

const FlowerLook kFreshLook{rgb(205, 30, 95), rgb(255, 150, 195), rgb(170, 20, 80),
                            rgb(255, 215, 50), rgb(235, 140, 20), rgb(150, 80, 15),
                            rgb(35, 115, 40), rgb(95, 185, 65), rgb(160, 220, 120),
                            rgb(45, 125, 45), rgb(90, 170, 70), rgb(120, 90, 40),
                            0.0f, 0, 0};
const FlowerLook kDryLook1{rgb(190, 65, 105), rgb(235, 165, 180), rgb(160, 50, 90),
                           rgb(235, 190, 55), rgb(210, 130, 35), rgb(130, 75, 20),
                           rgb(95, 130, 40), rgb(165, 185, 70), rgb(200, 210, 120),
                           rgb(85, 125, 45), rgb(140, 165, 70), rgb(150, 110, 45),
                           0.35f, 10, 0};
const FlowerLook kDryLook2{rgb(160, 90, 85), rgb(210, 170, 135), rgb(135, 75, 70),
                           rgb(200, 150, 60), rgb(170, 105, 40), rgb(105, 65, 25),
                           rgb(150, 125, 40), rgb(200, 175, 75), rgb(215, 195, 120),
                           rgb(130, 120, 50), rgb(170, 155, 80), rgb(130, 85, 40),
                           0.65f, 24, 0};
const FlowerLook kDryLook3{rgb(115, 75, 45), rgb(165, 125, 85), rgb(90, 60, 35),
                           rgb(130, 95, 50), rgb(105, 70, 35), rgb(65, 40, 20),
                           rgb(105, 78, 38), rgb(150, 118, 62), rgb(170, 140, 90),
                           rgb(100, 80, 40), rgb(135, 110, 60), rgb(80, 55, 30),
                           1.0f, 40, 0};
FlowerLook liceLook()
{
    FlowerLook look = kFreshLook;
    look.lice = 160;
    return look;
}

// A small deterministic generator for spot positions.
class SpotRandom {
public:
    explicit SpotRandom(std::uint32_t seed) : state_(seed) {}
    float next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<float>(state_ >> 8) / static_cast<float>(1u << 24);
    }

private:
    std::uint32_t state_;
};

float clamp01(float x) { return std::clamp(x, 0.0f, 1.0f); }

// Paints a blade region: base to tip gradient, a rib and veins, noise, and
// dry edges. u across (0..1), t base (0) to tip (1), as the models map it.
void paintBlade(Canvas& canvas, const PictureRegion& region, Rgba base, Rgba tip, Rgba vein,
                const FlowerLook& look, std::uint32_t seed, bool leafVeins)
{
    const int x0 = static_cast<int>(region.x0) - 8, x1 = static_cast<int>(region.x1) + 8;
    const int y0 = static_cast<int>(region.y0) - 8, y1 = static_cast<int>(region.y1) + 8;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const float u = clamp01((x + 0.5f - region.x0) / (region.x1 - region.x0));
            const float t = clamp01((region.y1 - (y + 0.5f)) / (region.y1 - region.y0));
            Rgba c = mix(base, tip, std::pow(t, 0.8f));
            const float n = fractalNoise(x * 0.09f, y * 0.09f, seed, 3);
            c = mix(c, rgb(0, 0, 0), 0.12f * (n - 0.3f));
            const float across = std::abs(u - 0.5f) * 2.0f;  // 0 rib .. 1 edge
            // Rib along the middle.
            const float rib = clamp01(1.0f - across * 14.0f);
            c = mix(c, vein, 0.75f * rib);
            if (leafVeins) {
                // Side veins slanting from the rib toward the tip.
                const float phase = t * 7.0f - across * 1.6f;
                const float line = clamp01(1.0f - std::abs(phase - std::round(phase)) * 9.0f);
                c = mix(c, vein, 0.45f * line * (1.0f - across));
            } else {
                // Fine streaks along a petal.
                const float phase = u * 9.0f;
                const float line = clamp01(1.0f - std::abs(phase - std::round(phase)) * 5.0f);
                c = mix(c, vein, 0.25f * line * (1.0f - t));
            }
            // Dry edges and tips.
            const float edge = std::max(across, t * t);
            const float dry = clamp01(look.edgeDryness * (edge * 1.6f - 0.55f + 0.4f * n));
            c = mix(c, look.dryEdge, dry);
            canvas.set(x, y, c);
        }
    }
}

Canvas paintFlowerTexture(const FlowerLook& look, std::uint32_t seed)
{
    Canvas canvas(kTextureSize, kTextureSize, look.stemDark);
    paintBlade(canvas, kPetalRegion, look.petalBase, look.petalTip, look.petalVein, look, seed + 1,
               false);
    paintBlade(canvas, kLeafRegion, look.leafDark, look.leafLight, look.leafVein, look, seed + 2,
               true);

    // Stem: lengthwise stripes round the tube (u runs round it).
    for (int y = static_cast<int>(kStemRegion.y0) - 8; y < kStemRegion.y1 + 8; ++y) {
        for (int x = static_cast<int>(kStemRegion.x0) - 8; x < kStemRegion.x1 + 8; ++x) {
            const float u = (x + 0.5f - kStemRegion.x0) / (kStemRegion.x1 - kStemRegion.x0);
            const float stripe = 0.5f + 0.5f * std::cos(u * 2.0f * kPi * 6.0f);
            const float n = fractalNoise(x * 0.1f, y * 0.02f, seed + 3, 3);
            canvas.set(x, y, mix(look.stemDark, look.stemLight, 0.35f + 0.35f * stripe + 0.3f * (n - 0.5f)));
        }
    }

    // Flower centre: a disc with rings of seeds.
    canvas.fillCircle(kCentreRegionX, kCentreRegionY, kCentreRegionRadius + 6.0f, look.centreOuter);
    canvas.fillCircle(kCentreRegionX, kCentreRegionY, kCentreRegionRadius * 0.62f, look.centreInner);
    for (int ringIndex = 1; ringIndex <= 6; ++ringIndex) {
        const float radius = kCentreRegionRadius * 0.16f * static_cast<float>(ringIndex);
        const int seeds = 6 * ringIndex;
        for (int i = 0; i < seeds; ++i) {
            const float a = 2.0f * kPi * (static_cast<float>(i) + 0.5f * ringIndex) / seeds;
            canvas.fillCircle(kCentreRegionX + radius * std::cos(a), kCentreRegionY + radius * std::sin(a),
                              2.2f, mix(look.seed, look.centreInner, 0.25f));
        }
    }

    SpotRandom random(seed * 2654435761u + 17u);
    const auto scatter = [&](int count, float minRadius, float maxRadius, auto colourOf) {
        for (int i = 0; i < count; ++i) {
            // Spots fall on the petal, leaf and stem regions alike.
            const PictureRegion& region = i % 3 == 0 ? kPetalRegion : (i % 3 == 1 ? kLeafRegion : kStemRegion);
            const float x = lerpf(region.x0 + 4, region.x1 - 4, random.next());
            const float y = lerpf(region.y0 + 4, region.y1 - 4, random.next());
            const float radius = lerpf(minRadius, maxRadius, random.next());
            canvas.fillCircle(x, y, radius, colourOf(random.next()));
        }
    };
    scatter(look.drySpots, 2.0f, 5.0f, [&](float k) {
        return Rgba{look.dryEdge.r, look.dryEdge.g, look.dryEdge.b,
                    static_cast<std::uint8_t>(150 + 80 * k)};
    });
    scatter(look.lice, 1.4f, 2.4f, [](float k) {
        // Lice: dark green to almost black, each with a light spot of shine.
        return k < 0.5f ? rgb(30, 70, 20) : rgb(20, 30, 15);
    });
    return canvas;
}

// ---------------------------------------------------------------- files
constexpr const char* kMaterialName = "Blume";
constexpr const char* kObjectName = "Blume";
constexpr const char* kFreshTexture = "bilder/blume_1.bmp";

struct FlowerModelFile {
    const char* path;
    int dryStage;  // 0 fresh .. 3
    int eaten;
};

constexpr std::array<FlowerModelFile, 12> kFlowerModelFiles{{
    {"modelle/blumen_gesund.3ds", 0, 0},
    {"modelle/blumen_trocken1.3ds", 1, 0},
    {"modelle/blumen_trocken2.3ds", 2, 0},
    {"modelle/blumen_trocken3.3ds", 3, 0},
    {"modelle/blumen_mampf1.3ds", 0, 1},
    {"modelle/blumen_mampf2g.3ds", 0, 2},
    {"modelle/blumen_mampft1.3ds", 1, 1},
    {"modelle/blumen_mampf2t1.3ds", 1, 2},
    {"modelle/blumen_mampft2.3ds", 2, 1},
    {"modelle/blumen_mampf2t2.3ds", 2, 2},
    {"modelle/blumen_mampft3.3ds", 3, 1},
    {"modelle/blumen_mampf2t3.3ds", 3, 2},
}};

// Droop and wilt of each dry stage.
constexpr std::array<float, 4> kStageDroop{0.0f, 0.3f, 0.62f, 1.0f};
constexpr std::array<float, 4> kStageWilt{0.0f, 0.35f, 0.7f, 1.0f};

void generateFlowers(ContentSink& sink)
{
    for (const FlowerModelFile& file : kFlowerModelFiles) {
        FlowerPose pose;
        pose.droop = kStageDroop[file.dryStage];
        pose.wilt = kStageWilt[file.dryStage];
        pose.eaten = file.eaten;
        Model3ds model;
        model.materials.push_back({kMaterialName, {255, 255, 255}, kFreshTexture});
        model.objects.push_back(buildFlower(pose).toObject(kObjectName, kMaterialName));
        sink.add(file.path, write3ds(model));
    }
    addPicture(sink, "bilder/blume_1.bmp", paintFlowerTexture(kFreshLook, 11), PictureFormat::Bmp24);
    addPicture(sink, "bilder/blume_trocken1.bmp", paintFlowerTexture(kDryLook1, 12),
               PictureFormat::Bmp24);
    addPicture(sink, "bilder/blume_trocken2.bmp", paintFlowerTexture(kDryLook2, 13),
               PictureFormat::Bmp24);
    addPicture(sink, "bilder/blume_trocken3.bmp", paintFlowerTexture(kDryLook3, 14),
               PictureFormat::Bmp24);
    addPicture(sink, "bilder/blume_laus1.bmp", paintFlowerTexture(liceLook(), 11),
               PictureFormat::Bmp24);
}

const GeneratorRegistration registration{40, "flowers", generateFlowers};

}  // namespace
}  // namespace contentgen
