#pragma once
// The gardener record: where it stands, where it faces, the collision spheres
// fixed to its body and the flags that tie its actions together.
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
    bool effectFinished = false;
    bool effectVisible = false;
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

// Puts the gardener at its start with heading 0 and its body offsets; the
// effect, step-allowed, dying and falling flags are left as they are.
void resetGardenerPlacement(Gardener& g);

void moveGardener(Gardener& g, Vector3 step);

Sphere bodySphere(const Gardener& g);
Sphere strikeSphere(const Gardener& g);
Sphere waterSphere(const Gardener& g);
Sphere spraySphere(const Gardener& g);
