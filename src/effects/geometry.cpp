#include "effects/geometry.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

Frustum frustum;

void extractFrustumFrom(const float p[16], const float m[16], Frustum& out)
{
    float clip[16];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            clip[4 * i + j] = m[4 * i + 0] * p[j] + m[4 * i + 1] * p[4 + j] +
                              m[4 * i + 2] * p[8 + j] + m[4 * i + 3] * p[12 + j];
        }
    }
    // Each plane is column 3 plus or minus one of columns 0 to 2.
    auto setPlane = [&](Frustum::Plane plane, int column, float sign) {
        auto& pl = out.planes[plane];
        pl[0] = clip[3] + sign * clip[column];
        pl[1] = clip[7] + sign * clip[4 + column];
        pl[2] = clip[11] + sign * clip[8 + column];
        pl[3] = clip[15] + sign * clip[12 + column];
        const float length = std::sqrt(pl[0] * pl[0] + pl[1] * pl[1] + pl[2] * pl[2]);
        for (float& v : pl) v /= length;
    };
    setPlane(Frustum::Right, 0, -1.0f);
    setPlane(Frustum::Left, 0, 1.0f);
    setPlane(Frustum::Bottom, 1, 1.0f);
    setPlane(Frustum::Top, 1, -1.0f);
    setPlane(Frustum::Far, 2, -1.0f);
    setPlane(Frustum::Near, 2, 1.0f);
}

void extractFrustum()
{
    float projection[16];
    float modelView[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    extractFrustumFrom(projection, modelView, frustum);
}

bool sphereInFrustum(const Frustum& f, float x, float y, float z, float radius)
{
    for (const auto& pl : f.planes) {
        if (pl[0] * x + pl[1] * y + pl[2] * z + pl[3] <= -radius) return false;
    }
    return true;
}

bool sphereInFrustum(float x, float y, float z, float radius)
{
    return sphereInFrustum(frustum, x, y, z, radius);
}

bool sphereWithinSphere(Vector3 centreA, float radiusA, Vector3 centreB, float radiusB)
{
    const Vector3 d = Subtract(centreA, centreB);
    const float radiusDifference = radiusA - radiusB;
    return radiusDifference * radiusDifference >= Dot(d, d);
}

float sweptSphereHit(Vector3 centreA, float radiusA, Vector3 centreB, float radiusB, Vector3 moveA,
                     Vector3 moveB, float& distanceOut)
{
    const Vector3 move = Subtract(moveA, moveB);
    const Vector3 gap = Subtract(centreB, centreA);
    const double dist = std::sqrt(static_cast<double>(Dot(gap, gap)));
    const double len = std::sqrt(static_cast<double>(Dot(move, move)));
    const double sumR = static_cast<double>(radiusA) + radiusB;
    if (sumR > dist) return 0.0f;
    if (dist - sumR > len) return 0.0f;
    // A sphere that does not move cannot run into anything (and its
    // direction would be undefined).
    if (len == 0.0) return 0.0f;
    const Vector3 dir = Normalize(move);
    const double proj = Dot(dir, gap);
    if (proj <= 0.0) return 0.0f;
    const double f = dist * dist - proj * proj;
    if (sumR * sumR <= f) return 0.0f;
    const double t = sumR * sumR - f;
    if (t < 0.0) return 0.0f;
    const double travel = proj - std::sqrt(t);
    if (len < travel) return 0.0f;
    distanceOut = static_cast<float>(travel - 0.01);
    return 1.0f;
}

bool clipMoveAtPlane(Vector3 point, float radius, Vector3& move, Vector3 planePoint,
                     Vector3 planeNormal)
{
    const float planeD = -Dot(planePoint, planeNormal);
    const float start = Dot(planeNormal, point) + planeD;
    const float end = Dot(planeNormal, Add(point, move)) + planeD;
    const float startWhole = std::fabs(std::trunc(start));
    const float endWhole = std::fabs(std::trunc(end));
    if (startWhole < radius) return false;
    if (endWhole > radius && (start < radius || end > radius)) return false;
    // Within a unit of the contact distance the truncation above lets moves
    // through that run along the plane or away from it. Clipping those would
    // hold a slow walker at the plane for good (every step turned back) and
    // stretch a move along the plane without bound: they pass unclipped, and
    // a move toward the plane is only ever shortened.
    if (end >= start) return false;
    float fraction = (start - radius) / (start - end);
    if (!(fraction >= 0.0f)) fraction = 0.0f;
    if (fraction > 1.0f) fraction = 1.0f;
    const Vector3 contact = Add(Scale(point, 1.0f - fraction), Scale(Add(point, move), fraction));
    move = Scale(Subtract(contact, point), 0.95f);
    return true;
}
