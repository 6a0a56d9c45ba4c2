// The rake trap: a wooden handle lying along +x on the ground and a metal
// head across it at x = -1, with its tines pointing up. The game swings the
// whole model about the z axis through the origin (lifted a little), so the
// origin is where the handle meets the head.
#include "canvas.h"
#include "content.h"
#include "model_builder.h"
#include "picture_files.h"
#include "writer_3ds.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace contentgen {
namespace {

constexpr int kTextureSize = 128;
constexpr PictureRegion kWoodRegion{0, 0, 128, 60};
constexpr PictureRegion kMetalRegion{0, 68, 128, 128};

constexpr float kHandleStart = 0.3f;
constexpr float kHandleEnd = 45.0f;
constexpr float kHandleRadius = 0.8f;
constexpr int kHandleSides = 6;
constexpr int kHandleRings = 4;

constexpr float kHeadX = -1.0f;          // middle of the head bar
constexpr float kHeadHalfDepth = 0.7f;   // along x
constexpr float kHeadHalfWidth = 8.0f;   // along z
constexpr float kHeadBottom = 0.1f;
constexpr float kHeadTop = 1.5f;
constexpr int kTines = 9;
constexpr float kTineHalfFoot = 0.35f;
constexpr float kTineHalfTip = 0.15f;
constexpr float kTineTop = 5.5f;
// The ferrule joining handle and head.
constexpr float kFerruleStart = -0.4f;
constexpr float kFerruleEnd = 2.6f;
constexpr float kFerruleHalf = 1.05f;

Vector2 rakeUv(const PictureRegion& region, float u, float v)
{
    return regionUv(region, u, v, kTextureSize, kTextureSize);
}

// A block standing on a rectangle of the ground plane, its top rectangle
// possibly smaller (a tapered tine).
std::array<Vector3, 8> uprightBlock(float x0, float x1, float z0, float z1, float y0, float y1,
                                    float topShrink)
{
    const float cx = 0.5f * (x0 + x1), cz = 0.5f * (z0 + z1);
    const auto top = [&](float x, float z) {
        return v3(cx + (x - cx) * topShrink, y1, cz + (z - cz) * topShrink);
    };
    // Counter-clockwise seen from above (y up): x grows to the right, z toward the viewer.
    return {v3(x0, y0, z1), v3(x1, y0, z1), v3(x1, y0, z0), v3(x0, y0, z0),
            top(x0, z1),    top(x1, z1),    top(x1, z0),    top(x0, z0)};
}

MeshBuilder buildRake()
{
    MeshBuilder mesh;
    // Handle: a six-sided pole lying on the ground, capped at its far end.
    const float axisHeight = kHandleRadius;
    const std::uint16_t pole = mesh.grid(
        kHandleRings, kHandleSides + 1, false,
        [&](int r, int c) {
            const float x = lerpf(kHandleStart, kHandleEnd, static_cast<float>(r) / (kHandleRings - 1));
            const float theta = 2.0f * kPi * static_cast<float>(c) / kHandleSides;
            // Round from +y toward +z, rows along +x: faces look outward.
            return v3(x, axisHeight + kHandleRadius * std::cos(theta), kHandleRadius * std::sin(theta));
        },
        [&](int r, int c) {
            return rakeUv(kWoodRegion, static_cast<float>(r) / (kHandleRings - 1),
                          static_cast<float>(c) / kHandleSides);
        });
    const std::uint16_t cap = mesh.vertex(v3(kHandleEnd + 0.3f, axisHeight, 0.0f), rakeUv(kWoodRegion, 1.0f, 0.5f));
    const auto lastRing = static_cast<std::uint16_t>(pole + (kHandleRings - 1) * (kHandleSides + 1));
    mesh.fan(cap, lastRing, kHandleSides, false);

    // Ferrule and head bar.
    addBlock(mesh,
             uprightBlock(kFerruleStart, kFerruleEnd, -kFerruleHalf, kFerruleHalf,
                          std::max(0.0f, axisHeight - kFerruleHalf), axisHeight + kFerruleHalf, 1.0f),
             kMetalRegion, kTextureSize, kTextureSize);
    addBlock(mesh,
             uprightBlock(kHeadX - kHeadHalfDepth, kHeadX + kHeadHalfDepth, -kHeadHalfWidth,
                          kHeadHalfWidth, kHeadBottom, kHeadTop, 1.0f),
             kMetalRegion, kTextureSize, kTextureSize);

    // Tines, evenly across the head, tapering to their points.
    for (int i = 0; i < kTines; ++i) {
        const float z = lerpf(-kHeadHalfWidth + 0.5f, kHeadHalfWidth - 0.5f,
                              static_cast<float>(i) / (kTines - 1));
        addBlock(mesh,
                 uprightBlock(kHeadX - kTineHalfFoot, kHeadX + kTineHalfFoot, z - kTineHalfFoot,
                              z + kTineHalfFoot, kHeadTop - 0.05f, kTineTop, kTineHalfTip / kTineHalfFoot),
                 kMetalRegion, kTextureSize, kTextureSize);
    }
    return mesh;
}

constexpr Rgba rgb(int r, int g, int b)
{
    return {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b),
            255};
}

Canvas paintRakeTexture()
{
    Canvas canvas(kTextureSize, kTextureSize, rgb(150, 150, 155));
    // Wood: grain running along the handle (u), with darker rings.
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            const float grain = fractalNoise(x * 0.03f, y * 0.6f, 401, 3);
            const float stripe = 0.5f + 0.5f * std::sin(y * 0.9f + 6.0f * grain);
            canvas.set(x, y, mix(rgb(150, 98, 50), rgb(205, 150, 90), 0.3f + 0.5f * stripe * grain + 0.2f * grain));
        }
    }
    // Metal: brushed grey with a little rust.
    for (int y = 64; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            const float brush = fractalNoise(x * 0.8f, y * 0.05f, 402, 2);
            const float rust = fractalNoise(x * 0.08f, y * 0.08f, 403, 3);
            Rgba c = mix(rgb(120, 124, 132), rgb(190, 194, 200), brush);
            c = mix(c, rgb(140, 80, 40), std::clamp((rust - 0.62f) * 3.0f, 0.0f, 0.6f));
            canvas.set(x, y, c);
        }
    }
    return canvas;
}

constexpr const char* kModelPath = "modelle/rechen_zacken.3ds";
constexpr const char* kTexturePath = "bilder/rechen.bmp";
constexpr const char* kMaterialName = "Rechen";

void generateRake(ContentSink& sink)
{
    Model3ds model;
    model.materials.push_back({kMaterialName, {170, 130, 80}, kTexturePath});
    model.objects.push_back(buildRake().toObject("Rechen", kMaterialName));
    sink.add(kModelPath, write3ds(model));
    addPicture(sink, kTexturePath, paintRakeTexture(), PictureFormat::Bmp24);
}

const GeneratorRegistration registration{42, "rake", generateRake};

}  // namespace
}  // namespace contentgen
