#include "math/vector.h"

#include "math/portable_math.h"
#include <cmath>

Vector3 Subtract(Vector3 a, Vector3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

Vector3 Add(Vector3 a, Vector3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

Vector3 Scale(Vector3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }

Vector3 DivideByScalar(Vector3 a, float s) { return {a.x / s, a.y / s, a.z / s}; }

Vector3 Cross(Vector3 a, Vector3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(Vector3 a, Vector3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vector3 Normalize(Vector3 a)
{
    const float m = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return {a.x / m, a.y / m, a.z / m};
}

float Distance(Vector3 p, Vector3 q)
{
    const float dx = p.x - q.x;
    const float dy = p.y - q.y;
    const float dz = p.z - q.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

Vector3 RotateAroundAxis(Vector3 v, Vector3 axis, float angle)
{
    const float co = portable::cos(angle);
    const float si = portable::sin(angle);
    const float k = 1.0f - co;
    const float ax = axis.x, ay = axis.y, az = axis.z;
    return {
        (k * ax * ax + co) * v.x + (k * ax * ay - az * si) * v.y + (k * ax * az + ay * si) * v.z,
        (k * ax * ay + az * si) * v.x + (k * ay * ay + co) * v.y + (k * ay * az - ax * si) * v.z,
        (k * ax * az - ay * si) * v.x + (k * ay * az + ax * si) * v.y + (k * az * az + co) * v.z,
    };
}
