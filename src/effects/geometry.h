#pragma once
// View-frustum culling and the collision tests of tool hits, walking into
// actors and the fence. World coordinates, y up.
#include "math/vector.h"

#include <array>

struct Frustum {
    // Plane order: right, left, bottom, top, far, near. Each plane is
    // (nx, ny, nz, d) with a unit normal; positive distance is inside.
    enum Plane { Right = 0, Left, Bottom, Top, Far, Near, PlaneCount };
    std::array<std::array<float, 4>, PlaneCount> planes{};
};

extern Frustum frustum;

// Planes from a column-major projection and model-view matrix.
void extractFrustumFrom(const float projection[16], const float modelView[16], Frustum& out);
// Planes from the current GL matrices into the global frustum.
void extractFrustum();

// False when the sphere lies wholly outside at least one plane.
bool sphereInFrustum(const Frustum& f, float x, float y, float z, float radius);
bool sphereInFrustum(float x, float y, float z, float radius);

// True when one sphere lies wholly inside the other (centre distance at most
// the difference of the radii).
bool sphereWithinSphere(Vector3 centreA, float radiusA, Vector3 centreB, float radiusB);

// Moving sphere A against sphere B over this tick's displacements. Returns 1
// on a contact ahead, with the distance A may still travel in distanceOut;
// 0 when already overlapping, moving away, passing beside, out of reach or
// not moving at all.
float sweptSphereHit(Vector3 centreA, float radiusA, Vector3 centreB, float radiusB, Vector3 moveA,
                     Vector3 moveB, float& distanceOut);

// Shortens move so that a sphere at point stops short of the plane; true when
// the move was clipped.
bool clipMoveAtPlane(Vector3 point, float radius, Vector3& move, Vector3 planePoint,
                     Vector3 planeNormal);
