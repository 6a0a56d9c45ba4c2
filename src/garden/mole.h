#pragma once
// Moles: the adversaries of a round. They roam the garden, bounce off the
// fence, the rakes, each other and the gardener, grow hungry and bite
// flowers. A strike knocks a mole into a curved flight: high at the fence it
// sails over and vanishes, low it sticks, slides down, tips over and lies
// there with flies circling it.
#include "assets/mesh_model.h"
#include "assets/placement.h"
#include "character/gardener.h"
#include "math/vector.h"

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------------------
// Constants.

constexpr int kMoleSpawnRange = 950;  // x, z = 475 - (randomInt mod 950)
constexpr float kMoleSpawnEdge = 475.0f;
constexpr int kMoleHeadingRange = 360;
constexpr float kMoleSpeed = 20.0f;  // units per second
constexpr float kMoleRadius = 13.0f;
constexpr float kWobbleStep = 0.25f;  // heading swing per update, -2 to 2
constexpr float kWobbleLimit = 2.0f;
constexpr float kStartingSatiety = 100.0f;
constexpr float kFenceHalfSize = 500.0f;  // walls at x = +-500 and z = +-500
constexpr float kFlightControlAhead = 350.0f;
constexpr float kFlightControlHeight = 340.0f;
constexpr float kFlightEndAhead = 2000.0f;
constexpr float kFlightRate = 400.0f / 2000.0f;  // curve parameter per second
constexpr float kFlightSpin = 180.0f;            // degrees per second
constexpr float kLowHitHeight = 110.0f;          // below this a mole sticks to the fence
constexpr float kStuckDistance = 501.5f;         // just outside the wall
constexpr float kSlideSpeed = 40.0f;             // units per second
constexpr float kLyingHeight = 14.0f;
constexpr int kTipSteps = 6;
constexpr float kTipStepDegrees = 15.0f;
constexpr float kTipLever = 14.0f;
constexpr float kTipLift = 5.0f;
constexpr int kFliesStartStep = 5;
constexpr float kFlyingOffFloor = 100.0f;  // a mole sailing off sinks to this height
constexpr float kFlyingOffSink = 0.3f;     // units per update
constexpr int kShrinkFrames = 80;
constexpr float kShrinkStep = 0.0125f;  // scale per drawn frame
constexpr float kBouncePause = 0.01f;
constexpr float kGardenerBumpPause = 1.5f;
constexpr float kStruckPause = 100.0f;
constexpr float kLongPauseAbove = 1.0f;
constexpr float kRummageUpdates = 4.0f;  // the shared timer is refilled with 4 updates
constexpr int kStrikeScore = 50;

// Stored states 0 to 7; Bite is only a request to setMoleState.
enum class MoleState : std::int32_t {
    Walking = 0,
    Paused = 1,
    Flying = 2,
    FlyingOff = 3,
    Removed = 4,
    SlidingDown = 5,
    Fallen = 6,
    Eating = 7,
    Bite = 8,
};

// "Walking", "Paused", ... (for traces).
std::string_view moleStateName(MoleState state);

// Fence wall sides.
enum WallSide : std::int32_t {
    WallNearZ = 1,  // z = -500
    WallNearX = 2,  // x = -500
    WallFarZ = 3,   // z = +500
    WallFarX = 4,   // x = +500
};

constexpr std::int32_t kLowHitMark = -1;

struct Mole {
    Placement placement;  // position, heading, bounding sphere ((0, 0, 0), 13)
    std::int32_t biteReady = 1;
    Vector3 direction;  // walking velocity, units per second
    MoleState state = MoleState::Walking;
    float pauseTimer = 0.0f;  // seconds
    Vector3 flightStart;
    Vector3 flightControl;
    Vector3 flightEnd;
    float flightT = 0.0f;  // curve parameter, 0 to 1
    std::int32_t wallSide = 0;
    bool wallReached = false;
    std::int32_t shrinkCounter = 0;  // kLowHitMark after a low fence hit; drawn frames while flying off
    std::int32_t tipCount = 0;
    float pitch = 0.0f;  // degrees about x
    float roll = 0.0f;   // degrees about z
    float scale = 0.0f;
    std::int32_t id = 0;  // creation index within the round
    float wobble = 0.0f;
    std::int32_t hungry = 0;
    float satiety = kStartingSatiety;
    bool longPause = false;
    bool touchedGardener = false;
    std::int32_t flies = 0;  // 1 once the flies circle the fallen mole

    std::unique_ptr<Mole> next;  // the list owns its moles
};

// The round's moles, newest first. Every rule walks it in this order.
extern std::unique_ptr<Mole> moleList;
// One timer shared by every eating mole.
extern float rummageTimer;

// Shared model, its texture slots (one per material) and its display list.
extern MeshModel moleModel;
extern std::vector<GLuint> moleTextures;
GLuint moleListName();

// ---------------------------------------------------------------------------
// Start-up: imports "modelle/maulwurf.3ds", loads its textures and compiles
// the list (needs a current GL context). False when the model failed (a
// mole then draws nothing). Calling it again releases the previous list and
// textures first.
bool loadMoleAssets();
void releaseMoleAssets();

// ---------------------------------------------------------------------------
// The list.

// Makes a walking mole and puts it at the front of the list.
Mole& createMole(Vector3 position, float heading, std::int32_t id);
// Round set-up: moles 0 to count - 1, each from three draws of randomInt
// (x, z, heading, in this order).
void createRoundMoles(int count);
// Releases every mole.
void clearMoles();
int moleListLength();

// ---------------------------------------------------------------------------
// One mole.

MoleState moleState(const Mole& mole);
// value is the pause in seconds and used only with Paused.
void setMoleState(Mole& mole, MoleState state, float value);
// Walking velocity from the heading; resets the wobble.
void computeMoleDirection(Mole& mole);
void setMoleBounds(Mole& mole);
inline Vector3 moleSphereCentre(const Mole& mole) { return mole.placement.sphereCentre(); }

// The strike on one mole: a walking or paused mole inside the strike sphere
// is knocked away along the gardener's walking direction and paused until
// the blow lands. True when it was hit (the caller scores and remembers it).
bool strikeTest(Mole& mole, const Sphere& strike, Vector3 walkDirection);

// Flight set-up along direction and the wall it will meet.
void knockAwayMole(Mole& mole, Vector3 direction);
void chooseWall(Mole& mole, Vector3 direction);
// Advances the flight parameter (limited to 1) and returns the new position,
// clipped at the chosen wall.
Vector3 flightStep(Mole& mole, float elapsed);
// The flight curve at t in [0, 1].
Vector3 flightPoint(const Mole& mole, float t);
// point, or the point where the way to it meets the chosen wall (then the
// wall counts as reached).
Vector3 clipToWall(Mole& mole, Vector3 point);

// The interaction step of a walking mole: the gardener (his body sphere and
// his step of this tick), the other moles, the fence and the rakes.
void moleContacts(Mole& mole, float elapsed, const Sphere& gardenerBody, Vector3 gardenerStep);
// The eating step of a walking or eating mole: touching flowers, hunger and bites.
void moleFeeding(Mole& mole);
// One update by state.
void updateMole(Mole& mole, float elapsed);
// The eating mole's turn to a random heading, on the shared timer.
void rummage(Mole& mole, float elapsed);

// ---------------------------------------------------------------------------
// Drawing.

void drawMole(Mole& mole, bool useLists, bool useArrays, bool wireframe, float cameraPitch, float cameraYaw,
              float elapsed);
// Draws the list in order; a removed mole leaves the list here and the walk
// goes on with the next one.
void drawMoles(bool useLists, bool useArrays, bool wireframe, float cameraPitch, float cameraYaw, float elapsed);
