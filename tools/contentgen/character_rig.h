#pragma once
// The gardener's rig: rigid body parts on a small skeleton, posed per key
// frame and baked into the vertex frames of the legs, torso and head models.
// Model axes are those of the MD3 files: z up, the gardener faces +y, +x is
// his right; the origin is 24 above the soles.
#include "math/vector.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace contentgen::pell {

// ---- small linear algebra -------------------------------------------------

struct Mat3 {
    std::array<float, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};  // row-major
};

Vector3 operator+(Vector3 a, Vector3 b);
Vector3 operator-(Vector3 a, Vector3 b);
Vector3 operator*(Vector3 a, float s);
Vector3 operator*(const Mat3& r, Vector3 v);
Mat3 operator*(const Mat3& a, const Mat3& b);
Mat3 transpose(const Mat3& r);
Vector3 column(const Mat3& r, int c);
float len(Vector3 v);
Vector3 unit(Vector3 v, Vector3 fallback);
Vector3 mixv(Vector3 a, Vector3 b, float t);

Mat3 rotationX(float degrees);
Mat3 rotationY(float degrees);
Mat3 rotationZ(float degrees);
// Yaw about z, then pitch about x, then roll about y: Rz * Rx * Ry.
// Components of the vector: x = pitch, y = roll, z = yaw.
Mat3 euler(Vector3 degrees);
Mat3 scaling(Vector3 s);
Mat3 fromColumns(Vector3 x, Vector3 y, Vector3 z);

struct Transform {
    Mat3 rotation;  // may carry a scale for the breathing chest
    Vector3 origin;
};
Vector3 apply(const Transform& t, Vector3 v);
Transform operator*(const Transform& parent, const Transform& child);
Transform translation(Vector3 v);
Transform rotation(const Mat3& r);
// Inverse of a rigid transform (orthonormal rotation).
Transform inverseRigid(const Transform& t);

// ---- body parts -------------------------------------------------------------

enum Bone : int {
    Pelvis,
    ThighLeft,
    ShinLeft,
    FootLeft,
    ThighRight,
    ShinRight,
    FootRight,
    Chest,
    Head,
    UpperArmLeft,
    ForearmLeft,
    UpperArmRight,
    ForearmRight,
    WateringCan,
    SprayCan,
    Spade,
    BoneCount
};

// A rectangle of a skin picture in texture coordinates; t runs down the picture.
struct UvRect {
    float s0 = 0, t0 = 0, s1 = 1, t1 = 1;
};
// The rectangle of pixels (x0, y0)-(x1, y1) of a 256 x 256 skin.
UvRect pixels(float x0, float y0, float x1, float y1);

struct RigVertex {
    Bone bone;
    Vector3 local;  // in the bone's frame
    float s, t;
};

// One closed, rotationally swept shape: rings along a path, each an ellipse.
struct Ring {
    Vector3 centre;
    Vector3 axisX;  // unit; the ring's own frame, travel direction = axisX x axisY
    Vector3 axisY;
    float rx, ry;   // 0 and 0 make a pole
};

class RigMesh {
public:
    // Counter-clockwise seen from outside. Pole rings get one triangle per column.
    void sweep(Bone bone, const std::vector<Ring>& rings, int segments, UvRect uv);
    // A shape turned about the local z axis of place: profile entries are (z, rx, ry).
    void lathe(Bone bone, const Transform& place, const std::vector<std::array<float, 3>>& profile,
               int segments, UvRect uv);
    void ellipsoid(Bone bone, const Transform& place, Vector3 radii, int rings, int segments, UvRect uv);
    // A round tube through points with a radius per point, closed at both ends.
    void tube(Bone bone, const std::vector<Vector3>& points, const std::vector<float>& radii,
              int segments, UvRect uv);
    // Drops vertices no triangle uses (the spare corner at each pole).
    void compact();

    std::vector<RigVertex> vertices;
    std::vector<std::array<std::int32_t, 3>> triangles;
};

struct Body {
    RigMesh legs;          // lower model
    RigMesh torso;         // upper model, body with head and hat
    RigMesh wateringCan;   // upper model props
    RigMesh sprayCan;
    RigMesh spade;
    RigMesh head;          // head model (head and hat on their own)
};
Body buildBody();

// Points on the props in their own frames, used to aim them.
Vector3 canSpoutTip();
Vector3 sprayNozzle();
Vector3 spadeBladeCentre();

// ---- poses ----------------------------------------------------------------

struct LegPose {
    float hipPitch = 0;  // + swings the leg forward
    float hipSpread = 0; // + moves the foot outward
    float knee = 0;      // + bends the knee
    float ankle = 0;     // + lifts the toes
};

struct ArmPose {
    Vector3 hand;   // hand centre in chest coordinates
    Vector3 pole;   // the direction the elbow points to, in chest coordinates
    Vector3 reach;  // the shoulder pushed out of its rest place (chest coordinates)
};

// A prop's orientation in model axes: axis is where its local -z points
// (from the grip to the blade, or down through a can), front where its
// local +y points (spout, nozzle, the blade's face).
struct PropPose {
    bool visible = false;
    Vector3 axis{0, 0, -1};
    Vector3 front{0, 1, 0};
};
Mat3 propRotation(const PropPose& prop);

struct Pose {
    Vector3 shift;          // pelvis offset in model axes
    Vector3 turn;           // whole-body euler angles about the pelvis
    float lift = 0;         // height of the lowest body point above the ground
    LegPose left, right;
    Vector3 waist;          // bend at the waist carried by tag_torso
    Vector3 spine;          // bend baked into the torso mesh (torso-only animations)
    Vector3 head;
    float breath = 0;       // 0..1 chest filled
    float shrug = 0;        // shoulders raised
    ArmPose leftArm, rightArm;
    PropPose can, spray, spade;
};

// The standing pose all animations start from.
Pose restPose();
Pose mix(const Pose& a, const Pose& b, float t);

// Chest frame of a pose in model axes (for aiming hands at model-space points).
Transform chestFrame(const Pose& pose);
// Shoulder centre in chest coordinates; side -1 left, +1 right.
Vector3 shoulderPoint(int side, float shrug);

// One baked key frame.
struct BakedFrame {
    std::vector<Vector3> legs;  // model axes
    std::vector<Vector3> torso, wateringCan, sprayCan, spade;  // tag_torso axes
    Transform tagTorso;         // rotation orthonormal
    Transform tagHead;          // in tag_torso axes
    // For checks and tuning: prop points in model axes.
    Vector3 spoutTip, nozzle, bladeCentre;
    Vector3 rightHand, leftHand;
};
BakedFrame bake(const Body& body, const Pose& pose);

// Height of the soles below the origin.
constexpr float kFloorZ = -24.0f;
// Where the game shows its effects, in model axes (from the offsets it draws them at).
constexpr Vector3 kSprayEffectPoint{-21.0f, 19.5f, -1.0f};
constexpr Vector3 kWaterEffectPoint{6.2f, 19.7f, -15.5f};
constexpr Vector3 kStrikeCentre{-8.0f, 14.0f, -25.0f};

}  // namespace contentgen::pell
