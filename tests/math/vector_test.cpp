#include "math/vector.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kHalfPi = 3.14159265f / 2.0f;

void expectNear(Vector3 actual, Vector3 expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST(VectorOperations, ArithmeticKeepsComponentOrder)
{
    const Vector3 a{1.0f, -2.0f, 3.5f};
    const Vector3 b{0.5f, 4.0f, -1.0f};
    expectNear(Add(a, b), {1.5f, 2.0f, 2.5f});
    expectNear(Subtract(a, b), {0.5f, -6.0f, 4.5f});
    expectNear(Scale(a, -2.0f), {-2.0f, 4.0f, -7.0f});
    expectNear(DivideByScalar(a, 2.0f), {0.5f, -1.0f, 1.75f});
    EXPECT_FLOAT_EQ(Dot(a, b), 0.5f - 8.0f - 3.5f);
    EXPECT_FLOAT_EQ(Distance({0, 0, 0}, {3, 4, 12}), 13.0f);
}

TEST(VectorOperations, CrossIsRightHanded)
{
    expectNear(Cross({1, 0, 0}, {0, 1, 0}), {0, 0, 1});
    expectNear(Cross({0, 1, 0}, {0, 0, 1}), {1, 0, 0});
    expectNear(Cross({0, 0, -1}, {0, 1, 0}), {1, 0, 0});
}

TEST(VectorOperations, NormalizeGivesUnitLengthAndIsUnguardedAtZero)
{
    const Vector3 n = Normalize({3, 0, 4});
    expectNear(n, {0.6f, 0.0f, 0.8f});
    const Vector3 zero = Normalize({0, 0, 0});
    EXPECT_FALSE(std::isfinite(zero.x));
    EXPECT_FALSE(std::isfinite(DivideByScalar({1, 1, 1}, 0.0f).y));
}

TEST(VectorOperations, RotationAboutUpMatchesPositiveHeading)
{
    const Vector3 up{0, 1, 0};
    expectNear(RotateAroundAxis({1, 2, 3}, up, 0.0f), {1, 2, 3});
    expectNear(RotateAroundAxis({1, 0, 0}, up, kHalfPi), {0, 0, -1});
    expectNear(RotateAroundAxis({0, 0, 1}, up, kHalfPi), {1, 0, 0});
    // The walking direction (0, 0, -1) turned left by 90 degrees faces -x.
    expectNear(RotateAroundAxis({0, 0, -1}, up, 90.0f * kDegreesToRadians), {-1, 0, 0});
}

TEST(VectorOperations, RotationAboutTiltedAxisKeepsLengthAndAxis)
{
    const Vector3 axis = Normalize({1, 1, 0});
    const Vector3 v{0.3f, -2.0f, 5.0f};
    const Vector3 r = RotateAroundAxis(v, axis, 1.234f);
    EXPECT_NEAR(Distance(r, {0, 0, 0}), Distance(v, {0, 0, 0}), 1e-4f);
    EXPECT_NEAR(Dot(r, axis), Dot(v, axis), 1e-4f);
    expectNear(RotateAroundAxis(axis, axis, 2.0f), axis);
}

}  // namespace
