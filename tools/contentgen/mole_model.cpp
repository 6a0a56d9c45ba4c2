// The mole: a round dark-brown body with a pointed pink snout, big pink
// digging paws, little black eyes and a stubby tail, about 26 long with its
// nose toward +z. The game keeps a mole's position at ground height and its
// bounding sphere (radius 13) round the origin, so the body sits a little
// sunk into the earth, as a mole that has just come up.
#include "canvas.h"
#include "content.h"
#include "model_builder.h"
#include "picture_files.h"
#include "writer_3ds.h"

#include <array>
#include <cmath>

namespace contentgen {
namespace {

constexpr int kTextureSize = 256;
constexpr PictureRegion kFurRegion{0, 0, 160, 256};
constexpr PictureRegion kSkinRegion{168, 0, 256, 120};
constexpr PictureRegion kEyeRegion{168, 136, 256, 256};
// Along the body the texture runs from the tail (v = 0) to the nose tip
// (v = 1); the pink snout starts here.
constexpr float kSnoutStart = 0.91f;

// Body cross-sections from the tail to the nose tip: position along z, half
// width, half height and height of the section's middle. The belly is
// flatter than the back.
struct Section {
    float z, halfWidth, halfHeight, middle;
};
constexpr std::array<Section, 11> kBodySections{{
    {-11.6f, 0.0f, 0.0f, 4.2f},
    {-11.0f, 3.4f, 3.0f, 4.3f},
    {-9.4f, 6.0f, 5.2f, 4.4f},
    {-6.5f, 7.5f, 6.3f, 4.5f},
    {-2.5f, 8.0f, 6.6f, 4.4f},
    {1.5f, 7.5f, 6.1f, 4.2f},
    {5.0f, 5.8f, 4.8f, 3.9f},
    {8.0f, 3.3f, 2.8f, 3.5f},
    {10.4f, 1.7f, 1.5f, 3.2f},
    {11.9f, 1.0f, 0.95f, 3.1f},
    {12.7f, 0.0f, 0.0f, 3.1f},
}};
constexpr int kBodySides = 14;
constexpr float kBellyFlattening = 0.7f;

struct PawSpec {
    Vector3 centre;
    Vector3 halfSize;    // along its own x (sideways), y (flat), z (forward)
    float outwardDeg;    // turn about y, away from the body
    float tiltDeg;       // outer edge raised, palm turned outward
};
// Front paws are the big spades a mole digs with; hind paws are small.
constexpr std::array<PawSpec, 4> kPaws{{
    {{6.6f, 1.6f, 5.0f}, {3.2f, 0.9f, 2.7f}, 35.0f, 35.0f},
    {{-6.6f, 1.6f, 5.0f}, {3.2f, 0.9f, 2.7f}, -35.0f, -35.0f},
    {{5.0f, 0.8f, -7.0f}, {2.0f, 0.7f, 2.3f}, 20.0f, 15.0f},
    {{-5.0f, 0.8f, -7.0f}, {2.0f, 0.7f, 2.3f}, -20.0f, -15.0f},
}};
constexpr float kEyeRadius = 0.8f;
constexpr Vector3 kLeftEye{2.7f, 6.3f, 7.0f};
constexpr Vector3 kRightEye{-2.7f, 6.3f, 7.0f};
constexpr Vector3 kTailRoot{0.0f, 5.0f, -10.6f};
constexpr Vector3 kTailTip{0.0f, 5.3f, -12.0f};
constexpr float kTailRadius = 0.8f;
constexpr int kTailSides = 5;

Vector2 moleUv(const PictureRegion& region, float u, float v)
{
    return regionUv(region, u, v, kTextureSize, kTextureSize);
}

void addBody(MeshBuilder& mesh)
{
    const int rows = static_cast<int>(kBodySections.size());
    mesh.grid(
        rows, kBodySides + 1, false,
        [&](int r, int c) {
            const Section& s = kBodySections[r];
            const float theta = 2.0f * kPi * static_cast<float>(c) / kBodySides;
            const float up = std::sin(theta);
            const float height = s.halfHeight * (up < 0.0f ? kBellyFlattening : 1.0f);
            return v3(s.halfWidth * std::cos(theta), s.middle + height * up, s.z);
        },
        [&](int r, int c) {
            const float front = kBodySections.front().z;
            const float back = kBodySections.back().z;
            const float v = (kBodySections[r].z - front) / (back - front);
            return moleUv(kFurRegion, static_cast<float>(c) / kBodySides, v);
        });
}

Vector3 turnY(Vector3 v, float degreesAngle)
{
    return RotateAroundAxis(v, {0.0f, 1.0f, 0.0f}, degreesAngle * kPi / 180.0f);
}

MeshBuilder buildMole()
{
    MeshBuilder mesh;
    addBody(mesh);
    for (const PawSpec& paw : kPaws) {
        // Frame (a, b, c) right-handed: a sideways, b forward, c up.
        // Tilt about the forward axis first, then turn outward.
        const float tilt = paw.tiltDeg * kPi / 180.0f;
        const Vector3 a = turnY({paw.halfSize.x * std::cos(tilt), paw.halfSize.x * std::sin(tilt), 0.0f},
                                paw.outwardDeg);
        const Vector3 b = turnY({0.0f, 0.0f, -paw.halfSize.z}, paw.outwardDeg);
        const Vector3 c = turnY({-paw.halfSize.y * std::sin(tilt), paw.halfSize.y * std::cos(tilt), 0.0f},
                                paw.outwardDeg);
        addEllipsoid(mesh, paw.centre, a, b, c, 5, 8, kSkinRegion, kTextureSize, kTextureSize);
    }
    for (const Vector3& eye : {kLeftEye, kRightEye}) {
        addEllipsoid(mesh, eye, {kEyeRadius, 0.0f, 0.0f}, {0.0f, kEyeRadius, 0.0f},
                     {0.0f, 0.0f, kEyeRadius}, 4, 6, kEyeRegion, kTextureSize, kTextureSize);
    }
    // Tail: a short cone pointing back and up.
    const Vector3 along = unitOr(Subtract(kTailTip, kTailRoot), {0.0f, 0.0f, -1.0f});
    const Vector3 side = unitOr(Cross(along, {0.0f, 1.0f, 0.0f}), {1.0f, 0.0f, 0.0f});
    const Vector3 other = Cross(side, along);
    const std::uint16_t ring = mesh.grid(
        1, kTailSides, false,
        [&](int, int c) {
            const float theta = -2.0f * kPi * static_cast<float>(c) / kTailSides;
            return Add(kTailRoot, Scale(Add(Scale(side, std::cos(theta)), Scale(other, std::sin(theta))),
                                        kTailRadius));
        },
        [&](int, int c) { return moleUv(kSkinRegion, static_cast<float>(c) / kTailSides, 0.2f); });
    const std::uint16_t tip = mesh.vertex(kTailTip, moleUv(kSkinRegion, 0.5f, 0.9f));
    mesh.fan(tip, ring, kTailSides, false);
    return mesh;
}

constexpr Rgba rgb(int r, int g, int b)
{
    return {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b),
            255};
}

Canvas paintMoleTexture()
{
    const Rgba furDark = rgb(58, 40, 30);
    const Rgba furLight = rgb(96, 68, 48);
    const Rgba belly = rgb(112, 84, 62);
    const Rgba pink = rgb(238, 150, 160);
    const Rgba pinkDark = rgb(200, 105, 120);
    Canvas canvas(kTextureSize, kTextureSize, furDark);

    // Fur: short strokes of noise, lighter toward the belly (u = 0.75 is
    // straight down on the body), pink from the snout on.
    const float snoutY = kFurRegion.y1 - kSnoutStart * (kFurRegion.y1 - kFurRegion.y0);
    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < static_cast<int>(kFurRegion.x1) + 4; ++x) {
            const float u = (x + 0.5f - kFurRegion.x0) / (kFurRegion.x1 - kFurRegion.x0);
            const float hair = fractalNoise(x * 0.5f, y * 0.08f, 301, 3);
            const float patch = fractalNoise(x * 0.05f, y * 0.05f, 302, 2);
            const float down = 0.5f - 0.5f * std::cos((u - 0.75f) * 2.0f * kPi);  // 1 at the belly
            Rgba c = mix(furDark, furLight, 0.25f + 0.6f * hair * patch + 0.1f * hair);
            c = mix(c, belly, 0.55f * down * down);
            const float toSnout = (snoutY - (y + 0.5f)) / 6.0f;  // > 0 above the snout line
            if (toSnout > -1.0f) {
                const float t = std::clamp(toSnout + 1.0f, 0.0f, 1.0f);
                Rgba skin = mix(pink, pinkDark, 0.3f * fractalNoise(x * 0.2f, y * 0.2f, 303, 2));
                // Nostrils at the very tip.
                if (y < kFurRegion.y0 + 5.0f) skin = pinkDark;
                c = mix(c, skin, t);
            }
            canvas.set(x, y, c);
        }
    }

    // Skin of paws and tail: pink with pale claws along the paw's edge.
    for (int y = static_cast<int>(kSkinRegion.y0); y < kSkinRegion.y1 + 4; ++y) {
        for (int x = static_cast<int>(kSkinRegion.x0) - 4; x < kTextureSize; ++x) {
            const float n = fractalNoise(x * 0.15f, y * 0.15f, 304, 2);
            canvas.set(x, y, mix(pink, pinkDark, 0.15f + 0.35f * n));
        }
    }
    for (int i = 0; i < 5; ++i) {
        const float x = kSkinRegion.x0 + 10.0f + 17.0f * static_cast<float>(i);
        canvas.drawLine(x, kSkinRegion.y0 + 46.0f, x, kSkinRegion.y0 + 72.0f, 4.0f, rgb(250, 235, 215));
    }

    // Eyes: black, with a spot of shine.
    canvas.fillRect(kEyeRegion.x0 - 4, kEyeRegion.y0 - 4, kTextureSize, kTextureSize, rgb(12, 10, 12));
    canvas.fillCircle(kEyeRegion.x0 + 30.0f, kEyeRegion.y0 + 40.0f, 9.0f, rgb(235, 235, 240));
    return canvas;
}

constexpr const char* kModelPath = "modelle/maulwurf.3ds";
constexpr const char* kTexturePath = "bilder/maulwurf.bmp";
constexpr const char* kMaterialName = "Maulwurf";

void generateMole(ContentSink& sink)
{
    Model3ds model;
    model.materials.push_back({kMaterialName, {80, 56, 40}, kTexturePath});
    model.objects.push_back(buildMole().toObject("Maulwurf", kMaterialName));
    sink.add(kModelPath, write3ds(model));
    addPicture(sink, kTexturePath, paintMoleTexture(), PictureFormat::Bmp24);
}

const GeneratorRegistration registration{41, "mole", generateMole};

}  // namespace
}  // namespace contentgen
