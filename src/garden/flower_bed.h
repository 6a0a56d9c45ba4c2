#pragma once
// The flower bed: sixteen flowers in a four-by-four grid, each running its own
// trouble cycle (calm, then drying in three stages or lice), cured by watering
// or spraying, bitten by moles, and drawn with a ten-frame change of form
// between the healthy look and the dry stages.
#include "assets/mesh_model.h"
#include "assets/placement.h"
#include "assets/texture.h"
#include "math/vector.h"

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------------------
// Layout and pace of the bed.

constexpr int kFlowerRows = 4;
constexpr int kFlowerColumns = 4;
constexpr int kFlowerCount = kFlowerRows * kFlowerColumns;
constexpr float kFlowerGridSpacing = 200.0f;
constexpr float kFlowerGridStart = -300.0f;  // -500 plus one spacing
constexpr Vector3 kFlowerCentreOffset{4.0f, 7.0f, -9.0f};
constexpr float kFlowerRadius = 35.0f;

constexpr double kFlowerCountdownBase = 10000.0;
constexpr double kFlowerStartFactor = 0.8;    // set-up countdowns: 10000 * 0.8^level
constexpr double kFlowerRefillFactor = 0.95;  // refills during play: 10000 * 0.95^level
constexpr float kWateringSeconds = 5.0f;
constexpr std::int32_t kSprayingUpdates = 5;
constexpr std::int32_t kChangeOfFormSteps = 10;
constexpr int kFlowerModelCount = 12;
constexpr int kFlowerTextureCount = 5;

// State numbers matter: the score compares them (lower is better).
enum class FlowerState : std::int32_t {
    Healthy = 0,
    Dry1 = 1,
    Dry2 = 2,
    Dry3 = 3,
    Lice = 4,
    Gone = 5,
};

// "Healthy", "Dry1", ... "Gone" (for traces).
std::string_view flowerStateName(FlowerState state);

struct Flower {
    Placement placement;          // heading always 0
    std::int32_t eatenStage = 0;  // 0 whole, 1 bitten once, 2 bitten twice
    std::int32_t lost = 0;        // 1 once moles no longer take it for food
    MeshModel model;              // own copy for (state, eaten stage); edited by the change of form
    FlowerState state = FlowerState::Healthy;
    bool changing = false;          // a change of form is running
    std::int32_t stepCounter = 0;   // frames of the change already drawn, 0 to 10
    float drynessCountdown = 10000.0f;
    // Per-vertex step of the change of form; exists only when stepsCreated
    // (capacity is kept across rounds so that creating it does not allocate).
    std::vector<Vector3> steps;
    bool stepsCreated = false;
    float wateringCountdown = 0.0f;  // seconds
    bool beingWatered = false;
    bool beingSprayed = false;
    float liceCountdown = 10000.0f;
    std::int32_t nextTrouble = 1;  // 1 drying, 0 lice
    std::int32_t sprayingCountdown = kSprayingUpdates;
    float calmCountdown = 10000.0f;
};

// The bed, flower index = 4 * row + column.
extern std::array<Flower, kFlowerCount> flowerBed;
// Ageing steps run since the start of the program: the pace of the bed is
// counted in them, not in seconds (for traces and tests).
extern std::uint64_t flowerUpdateCount;

// Shared models in load order: gesund, trocken1, trocken2, trocken3, mampf1,
// mampf2g, mampft1, mampf2t1, mampft2, mampf2t2, mampft3, mampf2t3 (see
// flowerModelIndex). The display lists follow the same order.
extern std::array<MeshModel, kFlowerModelCount> flowerModels;
// One-slot textures by state: healthy, dry 1, dry 2, dry 3, lice.
extern std::array<TextureNames<1>, kFlowerTextureCount> flowerTextures;

// Index into flowerModels (and the display lists) of a (state, eaten stage)
// cell; states Healthy to Dry3 and eaten stages 0 to 2 only, else -1.
int flowerModelIndex(FlowerState state, int eatenStage);
// The model file of a cell ("modelle/blumen_....3ds"), or nullptr.
const char* flowerModelPath(FlowerState state, int eatenStage);
// Display list of model index i (0 when not compiled).
GLuint flowerListName(int modelIndex);

// ---------------------------------------------------------------------------
// Start-up: imports the twelve models, loads the five textures, compiles the
// twelve lists (needs a current GL context). Paths are relative to the working
// directory. A model that fails stays empty; loading goes on. Returns true
// when all twelve models were imported. Calling it again releases the
// previous textures and lists first.
bool loadFlowerAssets();
// Deletes the lists and textures and empties the shared models.
void releaseFlowerAssets();

// ---------------------------------------------------------------------------
// Round set-up.

// Fresh trouble cycle for a round at level. The being-watered and
// being-sprayed flags carry over.
void resetFlower(Flower& flower, int level);
// Imports the flower's own model for its (state, eaten stage) from disk,
// replacing (and releasing) the old one; nothing for Lice and Gone.
void reloadFlowerModel(Flower& flower);
// Bounding sphere: centre offset (4, 7, -9), radius 35.
void setFlowerBounds(Flower& flower);
// The whole bed for a round: for each flower in index order resetFlower,
// reloadFlowerModel, its grid position and setFlowerBounds.
void setUpFlowerBed(int level);

// ---------------------------------------------------------------------------
// Per tick.

// Care started by the gardener's spraying or watering action touching the flower.
void startSpraying(Flower& flower);
void startWatering(Flower& flower);
// One ageing step: elapsed seconds, level of the round. Draws from randomInt.
void updateFlower(Flower& flower, float elapsed, int level);
// One bite by a mole: eaten stage 0 -> 1 -> 2 (model reloaded), third bite -> Gone.
void biteFlower(Flower& flower);
// State change with a change of form between Healthy and the dry stages;
// ignored while a change runs or while the flower is being watered.
void changeFlowerState(Flower& flower, FlowerState newState);

// ---------------------------------------------------------------------------
// Reading.

FlowerState flowerState(const Flower& flower);
inline int flowerStateNumber(const Flower& flower) { return static_cast<int>(flowerState(flower)); }
inline int flowerEatenStage(const Flower& flower) { return flower.eatenStage; }
// Centre (position + offset) and radius.
inline std::array<float, 4> flowerBoundingSphere(const Flower& flower)
{
    return flower.placement.boundingSphere();
}
inline Vector3 flowerSphereCentre(const Flower& flower) { return flower.placement.sphereCentre(); }

// ---------------------------------------------------------------------------
// Drawing (frame composition, flowers 0 to 15 in order). Advances a running
// change of form by one step per call. useLists, useArrays and wireframe are
// the display-list, vertex-array and wireframe options.
void drawFlower(Flower& flower, bool useLists, bool useArrays, bool wireframe);
