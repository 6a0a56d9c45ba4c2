#include "app/camera.h"

ChaseCamera chaseCamera;
Vector3 cameraOffset = kCameraOffset;

namespace {
const Vector3 kUp{0.0f, 1.0f, 0.0f};
}

void resetCamera(ChaseCamera& camera, Vector3 eye, Vector3 view, Vector3 up)
{
    camera.eye = eye;
    camera.view = view;
    camera.up = up;
    camera.side = Cross(view, up);
    camera.pitch = 0.0f;
    camera.yaw = 0.0f;
}

void followGardener(ChaseCamera& camera, Vector3 target, Vector3 offset)
{
    const Vector3 o = RotateAroundAxis(offset, kUp, camera.yaw * kDegreesToRadians);
    Vector3 e = Add(target, o);
    // Only the first wall the eye has passed is corrected in one frame.
    if (e.x >= kFenceCoordinate) e.x = kEyeFenceLimit;
    else if (e.x <= -kFenceCoordinate) e.x = -kEyeFenceLimit;
    else if (e.z <= -kFenceCoordinate) e.z = -kEyeFenceLimit;
    else if (e.z >= kFenceCoordinate) e.z = kEyeFenceLimit;

    const Vector3 level{target.x - e.x, 0.0f, target.z - e.z};
    const Vector3 side = Cross(level, kUp);
    const Vector3 axis = Normalize(side);
    const float angle = camera.pitch * kDegreesToRadians;
    camera.eye = e;
    camera.view = RotateAroundAxis(level, axis, angle);
    camera.up = RotateAroundAxis(kUp, axis, angle);
    camera.side = side;
}
