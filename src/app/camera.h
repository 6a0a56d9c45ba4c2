#pragma once
// The chase camera: a fixed offset behind and above the gardener, turned with
// it, swung round it with the camera keys, tilted within limits, and kept
// inside the fence.
#include "math/vector.h"

struct ChaseCamera {
    Vector3 eye{0.0f, 0.0f, 0.0f};
    Vector3 view{0.0f, 0.0f, -1.0f};  // not normalised: its length is the distance to the gardener
    Vector3 up{0.0f, 1.0f, 0.0f};
    Vector3 side{1.0f, 0.0f, 0.0f};  // Cross(view, up) before the pitch; kept, not drawn with
    float pitch = 0.0f;              // degrees
    float yaw = 0.0f;                // degrees
};

extern ChaseCamera chaseCamera;
// The eye's position relative to a gardener facing -z, before the yaw.
extern Vector3 cameraOffset;

constexpr Vector3 kCameraOffset{0.0f, 30.0f, 100.0f};
// How close to the fence the eye may come.
constexpr float kEyeFenceLimit = 499.0f;
constexpr float kFenceCoordinate = 500.0f;

void resetCamera(ChaseCamera& camera, Vector3 eye, Vector3 view, Vector3 up);
void followGardener(ChaseCamera& camera, Vector3 target, Vector3 offset);
