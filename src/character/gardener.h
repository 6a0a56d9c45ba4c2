#pragma once
// The gardener record: where it stands, where it faces, the collision spheres
// fixed to its body and the flags that tie its actions together.
#include "character/character_model.h"
#include "math/vector.h"

struct Sphere {
    Vector3 centre;
    float radius = 0.0f;
};

struct Gardener {
    Vector3 position;
    float heading = 0.0f;  // degrees about the y axis
    bool waterEffect = false;
    bool sprayEffect = false;
    bool stepAllowed = false;  // the walk cycle is far enough along to move forward
    bool dying = false;
    int falling = 0;
    int busy = 0;  // a strike, watering or spraying is running
    Vector3 bodyOffset;
    float bodyRadius = 0.0f;
    Vector3 strikeOffset;
    Vector3 waterOffset;
    Vector3 sprayOffset;
    CharacterModel character;
    int currentPart = 1;          // the part last chosen by a number-based step (0 legs, 1 torso)
    bool effectFinished = false;  // the current part has passed the effect stretch
    bool effectVisible = false;   // the current part is inside the effect stretch
};

extern Gardener gardener;

// Where the gardener starts each round, its origin 24 above the ground.
constexpr Vector3 kGardenerStartPosition{0.0f, 24.0f, 0.0f};
constexpr Vector3 kBodyOffset{0.0f, -35.0f, 0.0f};
constexpr float kBodyRadius = 15.0f;
constexpr Vector3 kStrikeOffset{-8.0f, -25.0f, -14.0f};
constexpr float kStrikeRadius = 25.0f;
constexpr Vector3 kWaterOffset{6.0f, -12.0f, -30.0f};
constexpr Vector3 kSprayOffset{-20.0f, -12.0f, -30.0f};
constexpr float kEffectRadius = 8.0f;

// Where the character's files are.
constexpr const char* kGardenerFolder = "Pell";
constexpr const char* kGardenerBaseName = "pell";

// Positions in the animation lists of the character's configuration (the
// order of its lines): actions, and the markers whose end frames delimit
// the stretch in which an effect shows or a blow lands.
constexpr int kWalkAnimation = 0;
constexpr int kFallAnimation = 1;
constexpr int kDanceAnimation = 2;
constexpr int kStrikeAnimation = 3;
constexpr int kStrikeBlowMarker = 4;
constexpr int kSprayAnimation = 6;
constexpr int kSprayJetMarker = 7;
constexpr int kWaterAnimation = 9;
constexpr int kWaterFlowMarker = 10;
constexpr int kWalkUnderwayMarker = 7;  // in the legs' list
// The torso frame after which the death has played out.
constexpr int kLastDyingFrame = 211;
constexpr int kLegsPart = 0;
constexpr int kTorsoPart = 1;

// Start of every round: places the gardener, loads the character when
// loadModel is 1 (the first game of the run), starts the idle animations and
// clears every flag of an action a left round may have cut short (effects,
// walk under way, falling, dying), so no fall, death or effect follows the
// gardener into the new round.
void setUpGardener(Gardener& g, int loadModel);

// Draws the character at its place, with the spray and water effects while
// they show. pitch and yaw are the camera's angles, eye its position.
void drawGardener(Gardener& g, float pitch, float yaw, Vector3 eye, bool useVertexArrays, bool wireframe,
                  double frameSeconds);
// Its two parts: the character, then the effects (drawn after it, as they blend).
void drawGardenerFigure(Gardener& g, bool useVertexArrays, bool wireframe);
// The material and colour the character is drawn with (drawGardenerFigure
// sets them too), which stay in force after it.
void setGardenerMaterial();
void drawGardenerEffects(Gardener& g, float pitch, float yaw, Vector3 eye, bool useVertexArrays,
                         double frameSeconds);

// Animations by name.
void playBoth(Gardener& g, const char* name);
void playTorso(Gardener& g, const char* name);
void playIdle(Gardener& g);
void playReallyDead(Gardener& g);

// Number-based selection: makes entry index of the part's list current
// without touching the frame. holdAnimation is false (and clears busy) when
// the part shows the animation's last frame; holdWalkAnimation is true once
// the part's frame has reached the end of the walk marker; effectWindow is
// true while the current part is between the ends of markers index and
// index + 1. A missing entry ends the action at once (no stuck gardener).
bool holdAnimation(Gardener& g, int part, int index);
bool holdWalkAnimation(Gardener& g, int part, int index);
bool effectWindow(Gardener& g, int index);

// The steps run once per tick while their action runs; the flag arguments
// are the tick's action flags, overwritten with "still running".
bool strikeStep(Gardener& g, int& striking);  // true while the blow lands
void walkStep(Gardener& g);
void danceStep(Gardener& g, int& dancing);
void fallStep(Gardener& g);
void sprayStep(Gardener& g, int& spraying);
void waterStep(Gardener& g, int& watering);
void dyingStep(Gardener& g);

// Puts the gardener at its start with heading 0 and its body offsets.
void resetGardenerPlacement(Gardener& g);

void moveGardener(Gardener& g, Vector3 step);

Sphere bodySphere(const Gardener& g);
Sphere strikeSphere(const Gardener& g);
Sphere waterSphere(const Gardener& g);
Sphere spraySphere(const Gardener& g);
