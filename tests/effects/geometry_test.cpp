#include "effects/geometry.h"

#include "test_support.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// A frustum whose right plane is x = 10 looking inward (-x), the others far away.
Frustum boxFrustum()
{
    Frustum f;
    f.planes[Frustum::Right] = {-1, 0, 0, 10};
    f.planes[Frustum::Left] = {1, 0, 0, 1000};
    f.planes[Frustum::Bottom] = {0, 1, 0, 1000};
    f.planes[Frustum::Top] = {0, -1, 0, 1000};
    f.planes[Frustum::Far] = {0, 0, 1, 1000};
    f.planes[Frustum::Near] = {0, 0, -1, 1000};
    return f;
}

TEST(Frustum, SphereExactlyRadiusOutsideIsCulled)
{
    const Frustum f = boxFrustum();
    // Centre at x = 15 is at distance -5 from the right plane.
    EXPECT_FALSE(sphereInFrustum(f, 15.0f, 0, 0, 5.0f));
    EXPECT_TRUE(sphereInFrustum(f, 14.999f, 0, 0, 5.0f));
    EXPECT_TRUE(sphereInFrustum(f, 0, 0, 0, 1.0f));
}

TEST(Frustum, ExtractedPlanesMatchThePerspectiveView)
{
    // Column-major identity model-view and a symmetric perspective with near 1, far 100.
    const float n = 1.0f, fa = 100.0f, t = std::tan(0.5f * 90.0f * 3.14159265f / 180.0f);
    float projection[16] = {};
    projection[0] = 1.0f / t;
    projection[5] = 1.0f / t;
    projection[10] = -(fa + n) / (fa - n);
    projection[11] = -1.0f;
    projection[14] = -2.0f * fa * n / (fa - n);
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Frustum f;
    extractFrustumFrom(projection, identity, f);
    for (const auto& plane : f.planes) {
        EXPECT_NEAR(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2], 1.0f, 1e-5f);
    }
    EXPECT_TRUE(sphereInFrustum(f, 0, 0, -10, 1));
    EXPECT_FALSE(sphereInFrustum(f, 0, 0, 10, 1));    // behind the eye
    EXPECT_FALSE(sphereInFrustum(f, 0, 0, -0.2f, 0.5f));  // before the near plane
    EXPECT_FALSE(sphereInFrustum(f, 30, 0, -10, 1));  // far to the right of a 90 degree view
    EXPECT_TRUE(sphereInFrustum(f, 9, 0, -10, 1));
    EXPECT_NEAR(f.planes[Frustum::Near][3], -1.0f, 1e-4f);  // near plane at z = -1
}

TEST(Frustum, ExtractionReadsTheCurrentGlMatrices)
{
    if (!testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 4.0 / 3.0, 1.0, -20.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 30, 100, 0, 30, 0, 0, 1, 0);
    extractFrustum();
    EXPECT_TRUE(sphereInFrustum(0, 30, 0, 5));
    EXPECT_TRUE(sphereInFrustum(0, 30, -900, 5));  // far away stays visible
    EXPECT_FALSE(sphereInFrustum(0, 30, 200, 5));  // behind the camera
}

TEST(SphereContainment, UsesTheDifferenceOfTheRadii)
{
    EXPECT_TRUE(sphereWithinSphere({0, 0, 0}, 8, {12, 0, 0}, 20));
    EXPECT_FALSE(sphereWithinSphere({0, 0, 0}, 8, {12.5f, 0, 0}, 20));
    EXPECT_TRUE(sphereWithinSphere({0, 0, 0}, 20, {0, 12, 0}, 8));
    // Overlapping spheres that are not nested do not count.
    EXPECT_FALSE(sphereWithinSphere({0, 0, 0}, 10, {15, 0, 0}, 10));
}

TEST(SweptSphere, ReportsTravelBeforeContact)
{
    float distance = -1.0f;
    // A at the origin, B at x = 30, radii 5 + 5: contact after 20 units.
    EXPECT_EQ(sweptSphereHit({0, 0, 0}, 5, {30, 0, 0}, 5, {25, 0, 0}, {0, 0, 0}, distance), 1.0f);
    EXPECT_NEAR(distance, 19.99f, 1e-3f);
    // The relative move counts: B coming towards A by 10 is the same as A moving 10.
    EXPECT_EQ(sweptSphereHit({0, 0, 0}, 5, {30, 0, 0}, 5, {15, 0, 0}, {-10, 0, 0}, distance), 1.0f);
    EXPECT_NEAR(distance, 19.99f, 1e-3f);
}

TEST(SweptSphere, NoHitWhenOverlappingAwayBesideShortOrStill)
{
    float distance = 123.0f;
    EXPECT_EQ(sweptSphereHit({0, 0, 0}, 5, {8, 0, 0}, 5, {5, 0, 0}, {0, 0, 0}, distance), 0.0f);
    EXPECT_EQ(sweptSphereHit({0, 0, 0}, 5, {30, 0, 0}, 5, {-40, 0, 0}, {0, 0, 0}, distance), 0.0f);
    EXPECT_EQ(sweptSphereHit({0, 0, 0}, 5, {30, 20, 0}, 5, {40, 0, 0}, {0, 0, 0}, distance), 0.0f);
    EXPECT_EQ(sweptSphereHit({0, 0, 0}, 5, {30, 0, 0}, 5, {10, 0, 0}, {0, 0, 0}, distance), 0.0f);
    // Touching distance exactly and not moving: no hit and a finite answer.
    EXPECT_EQ(sweptSphereHit({0, 0, 0}, 5, {10, 0, 0}, 5, {0, 0, 0}, {0, 0, 0}, distance), 0.0f);
    EXPECT_EQ(sweptSphereHit({0, 0, 0}, 5, {10, 0, 0}, 5, {3, 0, 0}, {3, 0, 0}, distance), 0.0f);
    EXPECT_EQ(distance, 123.0f);
}

TEST(PlaneClip, WholeUnitDistancesDecideWhetherToClip)
{
    const Vector3 planePoint{0, 0, 0};
    const Vector3 normal{1, 0, 0};
    Vector3 move{-10, 0, 0};
    // Start 15.7: truncated to 15, not below the radius 15, end 5.7: clipped.
    EXPECT_TRUE(clipMoveAtPlane({15.7f, 0, 0}, 15.0f, move, planePoint, normal));
    EXPECT_NEAR(move.x, (15.0f - 15.7f) * 0.95f, 1e-4f);
    // Start 14.9 already touches: left unchanged.
    move = {-10, 0, 0};
    EXPECT_FALSE(clipMoveAtPlane({14.9f, 0, 0}, 15.0f, move, planePoint, normal));
    EXPECT_FLOAT_EQ(move.x, -10.0f);
    // A move that stays well clear is left alone.
    move = {-5, 0, 0};
    EXPECT_FALSE(clipMoveAtPlane({40.0f, 0, 0}, 15.0f, move, planePoint, normal));
    EXPECT_FLOAT_EQ(move.x, -5.0f);
}

TEST(PlaneClip, CrossingIsCutShortOfTheContactPoint)
{
    Vector3 move{-70, 0, 0};
    EXPECT_TRUE(clipMoveAtPlane({30, 0, 0}, 15.0f, move, {0, 0, 0}, {1, 0, 0}));
    // Contact 15/70 of the way along the move, then 0.95 of that.
    EXPECT_NEAR(move.x, -70.0f * (15.0f / 70.0f) * 0.95f, 1e-3f);
    EXPECT_FLOAT_EQ(move.y, 0.0f);
}

TEST(PlaneClip, WithinAUnitOfContactOnlyMovesTowardThePlaneAreClipped)
{
    // 13.025 from the plane, radius 13, as a sphere stands after a clip. Moves
    // along the plane and away from it must pass (they used to be turned back
    // for good, or stretched to NaN or thousands of units); a move toward it,
    // however slanted, is only shortened.
    const Vector3 point{0, 0, -500.0f + 13.025f};
    const Vector3 plane{0, 0, -500};
    const Vector3 normal{0, 0, 1};
    for (Vector3 move : {Vector3{-0.4f, 0, 0}, Vector3{-0.4f, 0, 1e-6f}, Vector3{0.1f, 0, 0.3f}}) {
        const Vector3 before = move;
        EXPECT_FALSE(clipMoveAtPlane(point, 13.0f, move, plane, normal));
        EXPECT_EQ(move.x, before.x);
        EXPECT_EQ(move.z, before.z);
    }
    for (Vector3 move : {Vector3{-0.4f, 0, -1e-4f}, Vector3{-0.3f, 0, -0.01f}, Vector3{0, 0, -0.4f}}) {
        const float length = std::sqrt(Dot(move, move));
        EXPECT_TRUE(clipMoveAtPlane(point, 13.0f, move, plane, normal));
        EXPECT_TRUE(std::isfinite(move.x) && std::isfinite(move.z));
        EXPECT_LE(std::sqrt(Dot(move, move)), length);
        EXPECT_GE(point.z + move.z, -500.0f + 13.0f - 1e-3f);
    }
}

TEST(PlaneClip, FencePlaneKeepsTheGardenerInside)
{
    // The fence at z = -500 facing +z; a body at z = -450 walking 40 towards it.
    Vector3 move{0, 0, -40};
    EXPECT_TRUE(clipMoveAtPlane({0, 0, -450}, 28.0f, move, {0, 0, -500}, {0, 0, 1}));
    EXPECT_GT(-450.0f + move.z, -500.0f + 28.0f - 1.0f);
    EXPECT_LT(move.z, 0.0f);
}

}  // namespace
