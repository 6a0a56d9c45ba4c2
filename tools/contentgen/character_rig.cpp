#include "character_rig.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace contentgen::pell {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kRadians = kPi / 180.0f;
constexpr float kSkinSize = 256.0f;

// Skeleton measures (model units).
constexpr float kPelvisRestZ = 1.7f;      // hip joints above the origin
constexpr float kHipSpacing = 3.8f;       // hip joint from the middle
constexpr float kThighLength = 11.0f;
constexpr float kShinLength = 10.5f;
constexpr float kWaistAbovePelvis = 3.0f; // tag_torso above the hip joints
constexpr float kShoulderSpacing = 8.3f;
constexpr float kShoulderHeight = 12.2f;  // above tag_torso
constexpr float kNeckHeight = 15.0f;      // head joint above tag_torso
constexpr float kUpperArmLength = 9.8f;
constexpr float kForearmLength = 10.2f;   // elbow to hand centre

// Skin rectangles. Lower skin.
const UvRect kTrousers = pixels(4, 4, 124, 124);
const UvRect kPelvisCloth = pixels(132, 4, 252, 124);
const UvRect kBootFoot = pixels(4, 132, 124, 252);
const UvRect kBootShaft = pixels(132, 132, 252, 188);
// Upper skin.
const UvRect kShirt = pixels(2, 2, 126, 94);
const UvRect kSleeve = pixels(130, 2, 190, 62);
const UvRect kSkin = pixels(196, 4, 236, 60);
const UvRect kNose = pixels(240, 4, 252, 60);
const UvRect kFace = pixels(2, 98, 126, 190);
const UvRect kHat = pixels(130, 66, 254, 126);
// Props skin.
const UvRect kCanBody = pixels(2, 2, 126, 98);
const UvRect kCanHandle = pixels(2, 104, 126, 126);
const UvRect kSprayBody = pixels(130, 2, 254, 98);
const UvRect kSprayNozzle = pixels(130, 104, 254, 126);
const UvRect kBlade = pixels(2, 130, 126, 254);
const UvRect kWood = pixels(130, 130, 254, 254);

float clampf(float v, float lo, float hi) { return std::max(lo, std::min(hi, v)); }

}  // namespace

// ---- linear algebra ---------------------------------------------------------

Vector3 operator+(Vector3 a, Vector3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vector3 operator-(Vector3 a, Vector3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vector3 operator*(Vector3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }

Vector3 operator*(const Mat3& r, Vector3 v)
{
    const auto& m = r.m;
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
            m[6] * v.x + m[7] * v.y + m[8] * v.z};
}

Mat3 operator*(const Mat3& a, const Mat3& b)
{
    Mat3 out;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 3; ++k) sum += a.m[r * 3 + k] * b.m[k * 3 + c];
            out.m[r * 3 + c] = sum;
        }
    }
    return out;
}

Mat3 transpose(const Mat3& r)
{
    Mat3 out;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) out.m[i * 3 + j] = r.m[j * 3 + i];
    }
    return out;
}

Vector3 column(const Mat3& r, int c) { return {r.m[c], r.m[3 + c], r.m[6 + c]}; }

float len(Vector3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

Vector3 unit(Vector3 v, Vector3 fallback)
{
    const float l = len(v);
    return l > 1e-6f ? v * (1.0f / l) : fallback;
}

Vector3 mixv(Vector3 a, Vector3 b, float t) { return a + (b - a) * t; }

Mat3 rotationX(float degrees)
{
    const float c = std::cos(degrees * kRadians), s = std::sin(degrees * kRadians);
    return {{1, 0, 0, 0, c, -s, 0, s, c}};
}

Mat3 rotationY(float degrees)
{
    const float c = std::cos(degrees * kRadians), s = std::sin(degrees * kRadians);
    return {{c, 0, s, 0, 1, 0, -s, 0, c}};
}

Mat3 rotationZ(float degrees)
{
    const float c = std::cos(degrees * kRadians), s = std::sin(degrees * kRadians);
    return {{c, -s, 0, s, c, 0, 0, 0, 1}};
}

Mat3 euler(Vector3 degrees) { return rotationZ(degrees.z) * rotationX(degrees.x) * rotationY(degrees.y); }

Mat3 scaling(Vector3 s) { return {{s.x, 0, 0, 0, s.y, 0, 0, 0, s.z}}; }

Mat3 fromColumns(Vector3 x, Vector3 y, Vector3 z) { return {{x.x, y.x, z.x, x.y, y.y, z.y, x.z, y.z, z.z}}; }

Vector3 apply(const Transform& t, Vector3 v) { return t.rotation * v + t.origin; }

Transform operator*(const Transform& parent, const Transform& child)
{
    return {parent.rotation * child.rotation, apply(parent, child.origin)};
}

Transform translation(Vector3 v) { return {Mat3{}, v}; }
Transform rotation(const Mat3& r) { return {r, {0, 0, 0}}; }

Transform inverseRigid(const Transform& t)
{
    const Mat3 back = transpose(t.rotation);
    return {back, (back * t.origin) * -1.0f};
}

UvRect pixels(float x0, float y0, float x1, float y1)
{
    return {x0 / kSkinSize, y0 / kSkinSize, x1 / kSkinSize, y1 / kSkinSize};
}

// ---- mesh building ----------------------------------------------------------

void RigMesh::sweep(Bone bone, const std::vector<Ring>& rings, int segments, UvRect uv)
{
    // Texture rows follow the length along the path; the first ring is at the bottom of the rectangle.
    std::vector<float> along(rings.size(), 0.0f);
    for (std::size_t i = 1; i < rings.size(); ++i) {
        const float radiusStep = std::max(std::fabs(rings[i].rx - rings[i - 1].rx), std::fabs(rings[i].ry - rings[i - 1].ry));
        const float step = len(rings[i].centre - rings[i - 1].centre);
        along[i] = along[i - 1] + std::sqrt(step * step + radiusStep * radiusStep);
    }
    const float total = std::max(along.back(), 1e-6f);
    const auto first = static_cast<std::int32_t>(vertices.size());
    const int columns = segments + 1;
    for (std::size_t i = 0; i < rings.size(); ++i) {
        const Ring& ring = rings[i];
        const float t = uv.t1 + (uv.t0 - uv.t1) * (along[i] / total);
        for (int j = 0; j < columns; ++j) {
            const float u = static_cast<float>(j) / static_cast<float>(segments);
            // The last column closes the ring at exactly the first one's place
            // (2 pi in floats would leave a crack a rounding wide).
            const float phi = 2.0f * kPi * static_cast<float>(j % segments) / static_cast<float>(segments);
            const Vector3 p = ring.centre + ring.axisX * (-ring.rx * std::sin(phi)) + ring.axisY * (-ring.ry * std::cos(phi));
            vertices.push_back({bone, p, uv.s0 + (uv.s1 - uv.s0) * u, t});
        }
    }
    auto isPole = [&](std::size_t i) { return rings[i].rx == 0.0f && rings[i].ry == 0.0f; };
    // The outside faces outward when the rings run along axisX x axisY; a
    // shape described the other way round (from its top down) is turned over.
    const Vector3 travel = Cross(rings.front().axisX, rings.front().axisY);
    const bool reversed = Dot(rings.back().centre - rings.front().centre, travel) < 0.0f;
    auto add = [&](std::int32_t p, std::int32_t q, std::int32_t r) {
        if (reversed) {
            triangles.push_back({p, r, q});
        } else {
            triangles.push_back({p, q, r});
        }
    };
    for (std::size_t i = 0; i + 1 < rings.size(); ++i) {
        for (int j = 0; j < segments; ++j) {
            const std::int32_t a = first + static_cast<std::int32_t>(i) * columns + j;
            const std::int32_t b = a + 1;
            const std::int32_t d = a + columns;
            const std::int32_t c = d + 1;
            if (!isPole(i + 1)) add(a, d, c);
            if (!isPole(i)) add(a, c, b);
        }
    }
}

void RigMesh::lathe(Bone bone, const Transform& place, const std::vector<std::array<float, 3>>& profile,
                    int segments, UvRect uv)
{
    std::vector<Ring> rings;
    const Vector3 x = column(place.rotation, 0);
    const Vector3 y = column(place.rotation, 1);
    for (const auto& p : profile) rings.push_back({apply(place, {0, 0, p[0]}), x, y, p[1], p[2]});
    sweep(bone, rings, segments, uv);
}

void RigMesh::ellipsoid(Bone bone, const Transform& place, Vector3 radii, int rings, int segments, UvRect uv)
{
    std::vector<std::array<float, 3>> profile;
    for (int i = 0; i <= rings; ++i) {
        const float theta = kPi * static_cast<float>(i) / static_cast<float>(rings);
        const float s = (i == 0 || i == rings) ? 0.0f : std::sin(theta);
        profile.push_back({-radii.z * std::cos(theta), radii.x * s, radii.y * s});
    }
    lathe(bone, place, profile, segments, uv);
}

void RigMesh::tube(Bone bone, const std::vector<Vector3>& points, const std::vector<float>& radii, int segments,
                   UvRect uv)
{
    const std::size_t n = points.size();
    std::vector<Ring> rings;
    Vector3 normal{};
    for (std::size_t i = 0; i < n; ++i) {
        const Vector3 ahead = points[std::min(i + 1, n - 1)] - points[i > 0 ? i - 1 : 0];
        const Vector3 tangent = unit(ahead, {0, 0, 1});
        if (i == 0) {
            normal = unit(Cross(tangent, {0, 0, 1}), {1, 0, 0});
            if (len(Cross(tangent, {0, 0, 1})) < 1e-3f) normal = unit(Cross(tangent, {0, 1, 0}), {1, 0, 0});
        } else {
            normal = unit(normal - tangent * Dot(normal, tangent), normal);
        }
        const Vector3 binormal = Cross(tangent, normal);
        rings.push_back({points[i], normal, binormal, radii[i], radii[i]});
    }
    // Flat ends: a pole at each end point.
    rings.insert(rings.begin(), Ring{points.front(), rings.front().axisX, rings.front().axisY, 0, 0});
    rings.push_back(Ring{points.back(), rings.back().axisX, rings.back().axisY, 0, 0});
    sweep(bone, rings, segments, uv);
}

void RigMesh::compact()
{
    std::vector<std::int32_t> remap(vertices.size(), -1);
    for (const auto& tri : triangles) {
        for (std::int32_t v : tri) remap[static_cast<std::size_t>(v)] = 0;
    }
    std::vector<RigVertex> kept;
    for (std::size_t v = 0; v < vertices.size(); ++v) {
        if (remap[v] < 0) continue;
        remap[v] = static_cast<std::int32_t>(kept.size());
        kept.push_back(vertices[v]);
    }
    for (auto& tri : triangles) {
        for (std::int32_t& v : tri) v = remap[static_cast<std::size_t>(v)];
    }
    vertices = std::move(kept);
}

// ---- the gardener's shapes --------------------------------------------------

namespace {

using Profile = std::vector<std::array<float, 3>>;

void addHead(RigMesh& mesh)
{
    // Neck, head, nose, ears and the straw hat, in the head joint's frame.
    mesh.lathe(Head, translation({0, 0, 0}), Profile{{-1.5f, 0, 0}, {-1.0f, 2.3f, 2.3f}, {2.5f, 2.2f, 2.2f}, {3.0f, 0, 0}},
               8, kSkin);
    mesh.ellipsoid(Head, translation({0, 0.2f, 5.5f}), {5.7f, 5.5f, 6.2f}, 8, 14, kFace);
    mesh.ellipsoid(Head, translation({0, 5.6f, 4.7f}), {1.35f, 1.5f, 1.4f}, 4, 8, kNose);
    for (int side : {-1, 1}) {
        mesh.ellipsoid(Head, translation({5.45f * static_cast<float>(side), 0.2f, 5.2f}), {0.8f, 1.3f, 1.7f}, 4, 6, kSkin);
    }
    mesh.lathe(Head, translation({0, 0, 0}),
               Profile{{8.3f, 0, 0},
                       {8.4f, 6.4f, 6.4f},
                       {8.1f, 10.2f, 10.2f},
                       {7.8f, 11.2f, 11.2f},
                       {8.2f, 11.5f, 11.5f},
                       {8.8f, 10.4f, 10.4f},
                       {9.1f, 6.3f, 6.3f},
                       {12.0f, 5.8f, 5.8f},
                       {13.0f, 4.9f, 4.9f},
                       {13.3f, 0, 0}},
               16, kHat);
}

}  // namespace

Body buildBody()
{
    Body body;

    // Legs: pelvis, thighs, shins and boots.
    body.legs.lathe(Pelvis, translation({0, 0, 0}),
                    Profile{{-5.5f, 0, 0},
                            {-5.0f, 3.5f, 2.6f},
                            {-3.5f, 5.8f, 3.9f},
                            {-1.0f, 6.6f, 4.4f},
                            {2.5f, 6.7f, 4.5f},
                            {4.5f, 6.4f, 4.3f},
                            {5.2f, 0, 0}},
                    12, kPelvisCloth);
    for (Bone thigh : {ThighLeft, ThighRight}) {
        body.legs.lathe(thigh, translation({0, 0, 0}),
                        Profile{{2.0f, 0, 0},
                                {1.4f, 2.6f, 2.6f},
                                {0.0f, 3.6f, 3.7f},
                                {-5.0f, 3.5f, 3.5f},
                                {-10.0f, 3.0f, 3.1f},
                                {-11.2f, 2.8f, 2.8f},
                                {-12.6f, 1.8f, 1.8f},
                                {-13.1f, 0, 0}},
                        10, kTrousers);
    }
    for (Bone shin : {ShinLeft, ShinRight}) {
        body.legs.lathe(shin, translation({0, 0, 0}),
                        Profile{{2.9f, 0, 0},
                                {2.2f, 2.0f, 2.0f},
                                {0.0f, 3.0f, 3.0f},
                                {-5.0f, 2.8f, 2.8f},
                                {-9.5f, 2.4f, 2.4f},
                                {-11.0f, 2.2f, 2.2f},
                                {-11.5f, 0, 0}},
                        10, kTrousers);
    }
    // The foot is turned about its length: the lathe's z runs forward, its
    // front (the laces) looks up.
    const Transform footPlace{fromColumns({-1, 0, 0}, {0, 0, 1}, {0, 1, 0}), {0, 0, -2.0f}};
    for (Bone foot : {FootLeft, FootRight}) {
        body.legs.lathe(foot, translation({0, 0, 0}),
                        Profile{{-2.5f, 0, 0}, {-1.5f, 2.9f, 2.9f}, {3.0f, 3.0f, 3.0f}, {3.6f, 3.2f, 3.2f}, {4.0f, 2.6f, 2.6f}, {4.1f, 0, 0}},
                        10, kBootShaft);
        body.legs.lathe(foot, footPlace,
                        Profile{{-3.5f, 0, 0},
                                {-3.0f, 2.2f, 1.8f},
                                {-1.5f, 3.0f, 2.2f},
                                {2.5f, 3.0f, 2.2f},
                                {5.0f, 2.7f, 1.9f},
                                {6.5f, 1.9f, 1.4f},
                                {7.2f, 0, 0}},
                        10, kBootFoot);
    }

    // Torso with apron, arms with hands, head with hat.
    body.torso.lathe(Chest, translation({0, 0, 0}),
                     Profile{{-4.0f, 0, 0},
                             {-3.5f, 4.0f, 3.0f},
                             {-2.0f, 6.2f, 4.3f},
                             {1.0f, 6.7f, 4.7f},
                             {5.0f, 7.3f, 5.3f},
                             {9.0f, 7.7f, 5.0f},
                             {11.5f, 7.6f, 4.6f},
                             {13.5f, 6.4f, 4.0f},
                             {14.8f, 4.0f, 3.0f},
                             {15.4f, 0, 0}},
                     12, kShirt);
    for (Bone upper : {UpperArmLeft, UpperArmRight}) {
        body.torso.lathe(upper, translation({0, 0, 0}),
                         Profile{{3.0f, 0, 0},
                                 {2.4f, 1.9f, 1.9f},
                                 {1.0f, 2.9f, 2.9f},
                                 {-1.0f, 2.9f, 2.9f},
                                 {-6.5f, 2.5f, 2.5f},
                                 {-9.4f, 2.35f, 2.35f},
                                 {-11.0f, 1.7f, 1.7f},
                                 {-11.7f, 0, 0}},
                         10, kSleeve);
    }
    for (Bone fore : {ForearmLeft, ForearmRight}) {
        body.torso.lathe(fore, translation({0, 0, 0}),
                         Profile{{1.6f, 0, 0},
                                 {1.1f, 1.6f, 1.6f},
                                 {0.0f, 2.1f, 2.1f},
                                 {-4.5f, 2.0f, 2.0f},
                                 {-8.1f, 1.6f, 1.6f},
                                 {-9.2f, 2.1f, 1.8f},
                                 {-10.4f, 2.5f, 2.0f},
                                 {-11.8f, 2.1f, 1.7f},
                                 {-12.8f, 1.2f, 1.0f},
                                 {-13.2f, 0, 0}},
                         10, kSkin);
    }
    addHead(body.torso);
    addHead(body.head);

    // Watering can, held by its top handle: body, handle, spout with rose.
    body.wateringCan.lathe(WateringCan, translation({0, 0, -9.5f}),
                           Profile{{-4.6f, 0, 0}, {-4.5f, 3.9f, 3.9f}, {-4.0f, 4.3f, 4.3f}, {3.6f, 4.2f, 4.2f},
                                   {4.2f, 3.6f, 3.6f}, {4.6f, 2.0f, 2.0f}, {4.7f, 0, 0}},
                           14, kCanBody);
    body.wateringCan.tube(WateringCan, {{0, -3.6f, -5.2f}, {0, -2.8f, -1.6f}, {0, 0, 0.2f}, {0, 2.8f, -1.6f}, {0, 3.6f, -5.2f}},
                          {0.55f, 0.55f, 0.55f, 0.55f, 0.55f}, 6, kCanHandle);
    body.wateringCan.tube(WateringCan, {{0, 2.6f, -12.6f}, {0, 3.8f, -11.6f}, {0, 7.0f, -9.0f}, {0, 10.0f, -6.3f},
                                        {0, 10.7f, -5.7f}, {0, 11.3f, -5.15f}},
                          {1.0f, 1.0f, 0.75f, 0.6f, 1.5f, 1.6f}, 8, kCanBody);

    // Spray can in the fist, nozzle pointing forward.
    body.sprayCan.lathe(SprayCan, translation({0, 0, 2.0f}),
                        Profile{{-5.0f, 0, 0}, {-4.9f, 1.9f, 1.9f}, {3.6f, 1.9f, 1.9f}, {4.4f, 1.4f, 1.4f},
                                {5.0f, 0.9f, 0.9f}, {5.8f, 0.9f, 0.9f}, {6.0f, 0, 0}},
                        10, kSprayBody);
    body.sprayCan.tube(SprayCan, {{0, 0.0f, 7.3f}, {0, 1.6f, 7.3f}}, {0.38f, 0.38f}, 6, kSprayNozzle);

    // Spade: cross grip in the hand, wooden shaft, steel blade.
    body.spade.tube(Spade, {{-2.2f, 0, 0.4f}, {0, 0, 0.4f}, {2.2f, 0, 0.4f}}, {0.6f, 0.6f, 0.6f}, 6, kWood);
    body.spade.tube(Spade, {{0, 0, 0.4f}, {0, 0, -7.0f}, {0, 0, -14.5f}}, {0.75f, 0.78f, 0.8f}, 6, kWood);
    body.spade.lathe(Spade, {rotationX(180.0f), {0, 0, -14.5f}},
                     Profile{{0.0f, 0, 0}, {0.3f, 0.9f, 0.8f}, {2.0f, 1.1f, 0.7f}, {3.0f, 3.2f, 0.45f},
                             {4.0f, 3.6f, 0.4f}, {9.0f, 3.6f, 0.4f}, {10.2f, 2.6f, 0.3f}, {10.8f, 0, 0}},
                     8, kBlade);
    for (RigMesh* mesh : {&body.legs, &body.torso, &body.wateringCan, &body.sprayCan, &body.spade, &body.head}) mesh->compact();
    return body;
}

Vector3 canSpoutTip() { return {0, 11.3f, -5.15f}; }
Vector3 sprayNozzle() { return {0, 1.6f, 7.3f}; }
Vector3 spadeBladeCentre() { return {0, 0, -20.1f}; }

// ---- posing -----------------------------------------------------------------

Pose restPose()
{
    Pose pose;
    pose.left.hipSpread = pose.right.hipSpread = 3.0f;
    pose.left.knee = pose.right.knee = 3.0f;
    pose.leftArm = {{-10.6f, 1.5f, -6.6f}, {-0.5f, -1.0f, 0.0f}, {}};
    pose.rightArm = {{10.6f, 1.5f, -6.6f}, {0.5f, -1.0f, 0.0f}, {}};
    return pose;
}

namespace {

float mixf(float a, float b, float t) { return a + (b - a) * t; }

LegPose mixLeg(const LegPose& a, const LegPose& b, float t)
{
    return {mixf(a.hipPitch, b.hipPitch, t), mixf(a.hipSpread, b.hipSpread, t), mixf(a.knee, b.knee, t),
            mixf(a.ankle, b.ankle, t)};
}

ArmPose mixArm(const ArmPose& a, const ArmPose& b, float t)
{
    return {mixv(a.hand, b.hand, t), mixv(a.pole, b.pole, t), mixv(a.reach, b.reach, t)};
}

PropPose mixProp(const PropPose& a, const PropPose& b, float t)
{
    return {t >= 1.0f ? b.visible : a.visible, unit(mixv(a.axis, b.axis, t), a.axis),
            unit(mixv(a.front, b.front, t), a.front)};
}

}  // namespace

Mat3 propRotation(const PropPose& prop)
{
    const Vector3 z = unit(prop.axis, {0, 0, -1}) * -1.0f;
    Vector3 y = prop.front - z * Dot(prop.front, z);
    y = unit(y, unit(Cross(z, {1, 0, 0}), {0, 1, 0}));
    const Vector3 x = Cross(y, z);
    return fromColumns(x, y, z);
}

Pose mix(const Pose& a, const Pose& b, float t)
{
    Pose p;
    p.shift = mixv(a.shift, b.shift, t);
    p.turn = mixv(a.turn, b.turn, t);
    p.lift = mixf(a.lift, b.lift, t);
    p.left = mixLeg(a.left, b.left, t);
    p.right = mixLeg(a.right, b.right, t);
    p.waist = mixv(a.waist, b.waist, t);
    p.spine = mixv(a.spine, b.spine, t);
    p.head = mixv(a.head, b.head, t);
    p.breath = mixf(a.breath, b.breath, t);
    p.shrug = mixf(a.shrug, b.shrug, t);
    p.leftArm = mixArm(a.leftArm, b.leftArm, t);
    p.rightArm = mixArm(a.rightArm, b.rightArm, t);
    p.can = mixProp(a.can, b.can, t);
    p.spray = mixProp(a.spray, b.spray, t);
    p.spade = mixProp(a.spade, b.spade, t);
    return p;
}

Vector3 shoulderPoint(int side, float shrug)
{
    return {kShoulderSpacing * static_cast<float>(side), 0.0f, kShoulderHeight + shrug};
}

namespace {

Transform pelvisFrame(const Pose& pose) { return Transform{euler(pose.turn), Vector3{0, 0, kPelvisRestZ} + pose.shift}; }

Transform tagFrame(const Pose& pose) { return pelvisFrame(pose) * Transform{euler(pose.waist), {0, 0, kWaistAbovePelvis}}; }

struct ArmFrames {
    Transform upper, fore;
    Vector3 hand;
};

// Two-bone arm reaching for a hand position, the elbow bent towards the pole.
ArmFrames solveArm(Vector3 shoulder, const ArmPose& arm)
{
    const float a = kUpperArmLength, b = kForearmLength;
    const Vector3 toHand = arm.hand - shoulder;
    const Vector3 dir = unit(toHand, {0, 0, -1});
    const float dist = clampf(len(toHand), std::fabs(a - b) + 0.5f, a + b - 0.01f);
    const Vector3 hand = shoulder + dir * dist;
    Vector3 pole = arm.pole - dir * Dot(arm.pole, dir);
    pole = unit(pole, unit(Cross(dir, {1, 0, 0}), {0, 1, 0}));
    const float cosA = clampf((a * a + dist * dist - b * b) / (2.0f * a * dist), -1.0f, 1.0f);
    const float sinA = std::sqrt(std::max(0.0f, 1.0f - cosA * cosA));
    const Vector3 elbow = shoulder + (dir * cosA + pole * sinA) * a;

    auto frameAlong = [&](Vector3 from, Vector3 to) {
        const Vector3 z = unit(from - to, {0, 0, 1});
        Vector3 x = unit(Cross(pole, z), {1, 0, 0});
        if (len(Cross(pole, z)) < 1e-3f) x = unit(Cross({0, 1, 0}, z), {1, 0, 0});
        const Vector3 y = Cross(z, x);
        return Transform{fromColumns(x, y, z), from};
    };
    return {frameAlong(shoulder, elbow), frameAlong(elbow, hand), hand};
}

Transform legBone(const Transform& parent, int side, const LegPose& leg, int segment)
{
    const float s = static_cast<float>(side);
    Transform hip = parent * Transform{rotationX(leg.hipPitch) * rotationY(-s * leg.hipSpread), {s * kHipSpacing, 0, 0}};
    if (segment == 0) return hip;
    Transform knee = hip * Transform{rotationX(-leg.knee), {0, 0, -kThighLength}};
    if (segment == 1) return knee;
    return knee * Transform{rotationX(leg.ankle), {0, 0, -kShinLength}};
}

}  // namespace

Transform chestFrame(const Pose& pose) { return tagFrame(pose) * rotation(euler(pose.spine)); }

BakedFrame bake(const Body& body, const Pose& pose)
{
    std::array<Transform, BoneCount> bones{};
    const Transform pelvis = pelvisFrame(pose);
    const Transform tag = tagFrame(pose);
    const Transform chest = tag * rotation(euler(pose.spine));
    bones[Pelvis] = pelvis;
    for (int segment = 0; segment < 3; ++segment) {
        bones[ThighLeft + segment] = legBone(pelvis, -1, pose.left, segment);
        bones[ThighRight + segment] = legBone(pelvis, 1, pose.right, segment);
    }
    // Breathing widens and deepens the chest about the waist.
    const float b = pose.breath;
    bones[Chest] = chest * rotation(scaling({1.0f + 0.025f * b, 1.0f + 0.06f * b, 1.0f + 0.012f * b}));
    const Transform headJoint = chest * Transform{euler(pose.head), {0, 0, kNeckHeight + 0.5f * pose.shrug}};
    bones[Head] = headJoint;

    const ArmFrames left = solveArm(shoulderPoint(-1, pose.shrug) + pose.leftArm.reach, pose.leftArm);
    const ArmFrames right = solveArm(shoulderPoint(1, pose.shrug) + pose.rightArm.reach, pose.rightArm);
    bones[UpperArmLeft] = chest * left.upper;
    bones[ForearmLeft] = chest * left.fore;
    bones[UpperArmRight] = chest * right.upper;
    bones[ForearmRight] = chest * right.fore;
    const Vector3 leftHand = apply(chest, left.hand);
    const Vector3 rightHand = apply(chest, right.hand);

    // Props sit in their hand; a hidden prop shrinks to the hand's centre.
    const Transform collapsedRight{scaling({0, 0, 0}), rightHand};
    const Transform collapsedLeft{scaling({0, 0, 0}), leftHand};
    bones[WateringCan] = pose.can.visible ? Transform{propRotation(pose.can), rightHand} : collapsedRight;
    bones[Spade] = pose.spade.visible ? Transform{propRotation(pose.spade), rightHand} : collapsedRight;
    bones[SprayCan] = pose.spray.visible ? Transform{propRotation(pose.spray), leftHand} : collapsedLeft;

    auto place = [&](const RigMesh& mesh) {
        std::vector<Vector3> out;
        out.reserve(mesh.vertices.size());
        for (const RigVertex& v : mesh.vertices) out.push_back(apply(bones[v.bone], v.local));
        return out;
    };
    BakedFrame frame;
    frame.legs = place(body.legs);
    frame.torso = place(body.torso);
    frame.wateringCan = place(body.wateringCan);
    frame.sprayCan = place(body.sprayCan);
    frame.spade = place(body.spade);

    // Rest the body on the ground: its lowest point (props aside) at the floor plus lift.
    float lowest = std::numeric_limits<float>::max();
    for (const Vector3& p : frame.legs) lowest = std::min(lowest, p.z);
    for (const Vector3& p : frame.torso) lowest = std::min(lowest, p.z);
    const Vector3 drop{0, 0, kFloorZ + pose.lift - lowest};
    for (auto* list : {&frame.legs, &frame.torso, &frame.wateringCan, &frame.sprayCan, &frame.spade}) {
        for (Vector3& p : *list) p = p + drop;
    }
    Transform groundedTag = tag;
    groundedTag.origin = tag.origin + drop;
    const Transform toTag = inverseRigid(groundedTag);
    for (auto* list : {&frame.torso, &frame.wateringCan, &frame.sprayCan, &frame.spade}) {
        for (Vector3& p : *list) p = apply(toTag, p);
    }
    frame.tagTorso = groundedTag;
    frame.tagHead = toTag * Transform{headJoint.rotation, headJoint.origin + drop};
    frame.spoutTip = apply(bones[WateringCan], canSpoutTip()) + drop;
    frame.nozzle = apply(bones[SprayCan], sprayNozzle()) + drop;
    frame.bladeCentre = apply(bones[Spade], spadeBladeCentre()) + drop;
    frame.rightHand = rightHand + drop;
    frame.leftHand = leftHand + drop;
    return frame;
}

}  // namespace contentgen::pell
