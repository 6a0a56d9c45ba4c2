#pragma once
// Three- and two-component float vectors and their value operations. The
// layout is fixed (packed floats): vertex, normal and position arrays of the
// model records use these records directly.

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct Vector2 {
    float x = 0.0f;  // u
    float y = 0.0f;  // v
};

static_assert(sizeof(Vector3) == 12, "Vector3 must stay three packed floats");
static_assert(sizeof(Vector2) == 8, "Vector2 must stay two packed floats");

Vector3 Subtract(Vector3 a, Vector3 b);
Vector3 Add(Vector3 a, Vector3 b);
Vector3 Scale(Vector3 a, float s);
Vector3 DivideByScalar(Vector3 a, float s);
Vector3 Cross(Vector3 a, Vector3 b);
float Dot(Vector3 a, Vector3 b);
// Not guarded: the zero vector yields non-finite components.
Vector3 Normalize(Vector3 a);
float Distance(Vector3 p, Vector3 q);
// Right-handed rotation of v about the unit vector axis by angle radians.
Vector3 RotateAroundAxis(Vector3 v, Vector3 axis, float angle);

// Degrees to radians as the game converts headings, yaw and pitch.
constexpr float kDegreesToRadians = 3.14159265f / 180.0f;
