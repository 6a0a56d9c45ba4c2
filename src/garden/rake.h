#pragma once
// Rakes: eight traps lying at random places in the garden. Walking onto the
// tines from any side but the tine side makes the handle swing up; the head
// blocks the gardener and the moles in any case.
#include "assets/mesh_model.h"
#include "assets/placement.h"
#include "math/vector.h"

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <vector>

constexpr int kRakeCount = 8;
constexpr int kRakePlacementRange = 950;  // x, z = 475 - (randomInt mod 950)
constexpr float kRakePlacementEdge = 475.0f;
constexpr int kRakeHeadingRange = 360;
constexpr int kTineCount = 3;
constexpr float kTineRadius = 5.0f;
// Own-frame offsets: handle along +x, head with the tines at x = -1.
constexpr std::array<Vector3, kTineCount> kTineOffsets{
    Vector3{-1.0f, 0.0f, 0.0f}, Vector3{-1.0f, 0.0f, -6.0f}, Vector3{-1.0f, 0.0f, 6.0f}};
constexpr Vector3 kRakeCentreOffset{21.0f, 0.0f, 0.0f};
constexpr float kRakeRadius = 25.0f;
constexpr Vector3 kTineDirection{-1.0f, 0.0f, 0.0f};
constexpr float kGardenerTineRadius = 17.0f;  // the gardener's sphere against tines
constexpr float kRakeSwingStep = 5.0f;        // degrees per drawn frame
constexpr float kRakeSwingTop = 70.0f;        // the rise stops once above this
constexpr float kRakeSwingLift = 1.5f;        // units the rake is lifted while moving
constexpr int kRakeScore = -10;

struct Rake {
    Placement placement;  // position, heading, bounding sphere (turned (21, 0, 0), 25)
    std::array<Vector3, kTineCount> tineOffsets{};  // turned own-frame tine centres
    std::array<float, kTineCount> tineRadii{};
    float swingAngle = 0.0f;  // degrees, 0 at rest
    bool swinging = false;    // the handle is going up
};

extern std::array<Rake, kRakeCount> rakes;

// Shared model, its texture slots (one per material) and its display list.
extern MeshModel rakeModel;
extern std::vector<GLuint> rakeTextures;
GLuint rakeListName();

// Start-up: imports "modelle/rechen_zacken.3ds", loads its textures, compiles
// the list (needs a current GL context). False when the model failed (the rake
// then draws nothing; its tines still work). Calling it again releases the
// previous list and textures first.
bool loadRakeAssets();
void releaseRakeAssets();

// Turned own-frame offsets for the rake's heading.
void setRakeSpheres(Rake& rake);
void setRakeBounds(Rake& rake);
// Round set-up of one rake: draws x, z and heading from randomInt in that order.
void placeRake(Rake& rake);
// Rakes 0 to 7 in order.
void placeRakes();

// World centre and radius of tine sphere k (1, 2 or 3; others are clamped).
std::array<float, 4> tineSphere(const Rake& rake, int k);
// The turned (-1, 0, 0): where the tines point.
Vector3 tineDirection(const Rake& rake);
// True when the gardener's step (his movement vector of the tick) sets the
// rake off: any step that is not off over the tines. A zero step never does.
bool stepsOnTines(const Rake& rake, Vector3 step);
// Sweeps a sphere at centre with radius moving by move against tine spheres 1
// to 3 in order; true at the first contact, with its travel distance.
bool firstTineHit(const Rake& rake, Vector3 centre, float radius, Vector3 move,
                  float& distanceOut);
// Starts the handle's swing (also from the middle of a fall).
void triggerRake(Rake& rake);

// Draws the rake and advances its swing by one drawn frame.
void drawRake(Rake& rake, bool useLists, bool useArrays, bool wireframe);
