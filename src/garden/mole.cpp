#include "garden/mole.h"

#include "assets/model_3ds.h"
#include "assets/model_draw.h"
#include "assets/texture.h"
#include "effects/geometry.h"
#include "effects/particles.h"
#include "garden/flower_bed.h"
#include "garden/rake.h"
#include "platform/random.h"

#include <algorithm>
#include <array>
#include <cmath>

std::unique_ptr<Mole> moleList;
float rummageTimer = 0.0f;
MeshModel moleModel;
std::vector<GLuint> moleTextures;

namespace {

constexpr const char* kMoleModelFile = "modelle/maulwurf.3ds";
constexpr Vector3 kUpAxis{0.0f, 1.0f, 0.0f};
constexpr Vector3 kPitchAxis{1.0f, 0.0f, 0.0f};
constexpr Vector3 kRollAxis{0.0f, 0.0f, 1.0f};
constexpr Vector3 kWalkVelocity{0.0f, 0.0f, kMoleSpeed};  // heading 0 walks toward +z
constexpr Vector3 kStill{0.0f, 0.0f, 0.0f};
constexpr float kNoWall = 2000.0f;
constexpr float kHalfTurn = 180.0f;
constexpr int kBounceHalfCircle = 180;

GLuint moleList_ = 0;

struct Wall {
    std::int32_t side;
    Vector3 point;
    Vector3 normal;  // into the garden
};
// In the order the flight picks its wall.
constexpr std::array<Wall, 4> kFlightWalls{{
    {WallNearZ, {0.0f, 0.0f, -kFenceHalfSize}, {0.0f, 0.0f, 1.0f}},
    {WallFarZ, {0.0f, 0.0f, kFenceHalfSize}, {0.0f, 0.0f, -1.0f}},
    {WallNearX, {-kFenceHalfSize, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}},
    {WallFarX, {kFenceHalfSize, 0.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}},
}};

const Wall& flightWall(std::int32_t side)
{
    for (const Wall& wall : kFlightWalls) {
        if (wall.side == side) return wall;
    }
    return kFlightWalls[0];
}

// A walking mole's bounce off the fence: the first wall met, in this order,
// and a new heading drawn back into the garden.
struct Bounce {
    Vector3 point;
    Vector3 normal;
    int headingOffset;  // heading = (randomInt mod 180 + offset) mod 360
};
constexpr std::array<Bounce, 4> kFenceBounces{{
    {{0.0f, 0.0f, -kFenceHalfSize}, {0.0f, 0.0f, 1.0f}, 270},
    {{0.0f, 0.0f, kFenceHalfSize}, {0.0f, 0.0f, -1.0f}, 90},
    {{-kFenceHalfSize, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 0},
    {{kFenceHalfSize, 0.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, 180},
}};

bool canBeStruck(MoleState state) { return state == MoleState::Walking || state == MoleState::Paused; }

// A new random heading and a short pause: how a mole turns away from what it ran into.
void turnAway(Mole& mole, float heading)
{
    mole.placement.setHeading(heading);
    computeMoleDirection(mole);
    setMoleState(mole, MoleState::Paused, kBouncePause);
}

float randomHeading() { return static_cast<float>(randomInt() % kMoleHeadingRange); }

// One tip-over step of a fallen mole about its lever toward the wall it lies at.
void tipOver(Mole& mole)
{
    Vector3& position = mole.placement.position;
    switch (mole.wallSide) {
    case WallNearZ: {
        mole.pitch += kTipStepDegrees;
        const Vector3 v = RotateAroundAxis({0.0f, 0.0f, -kTipLever}, kPitchAxis, mole.pitch * kDegreesToRadians);
        position.z = v.z - kFenceHalfSize;
        position.y = v.y + kTipLift;
        break;
    }
    case WallFarZ: {
        mole.pitch -= kTipStepDegrees;
        const Vector3 v = RotateAroundAxis({0.0f, 0.0f, -kTipLever}, kPitchAxis, -mole.pitch * kDegreesToRadians);
        position.z = kFenceHalfSize - v.z;
        position.y = v.y + kTipLift;
        break;
    }
    case WallNearX: {
        mole.roll -= kTipStepDegrees;
        const Vector3 v = RotateAroundAxis({-kTipLever, 0.0f, 0.0f}, kRollAxis, mole.roll * kDegreesToRadians);
        position.x = v.x - kFenceHalfSize;
        position.y = v.y + kTipLift;
        break;
    }
    case WallFarX: {
        mole.roll += kTipStepDegrees;
        const Vector3 v = RotateAroundAxis({-kTipLever, 0.0f, 0.0f}, kRollAxis, -mole.roll * kDegreesToRadians);
        position.x = kFenceHalfSize - v.x;
        position.y = v.y + kTipLift;
        break;
    }
    default: break;
    }
}

// Where a mole that hit the fence low sticks, and how it hangs there.
void stickToWall(Mole& mole, Vector3& point)
{
    mole.shrinkCounter = kLowHitMark;
    mole.pitch = 90.0f;
    switch (mole.wallSide) {
    case WallNearZ:
        mole.placement.setHeading(180.0f);
        mole.pitch = 90.0f;
        mole.roll = 0.0f;
        point.z = -kStuckDistance;
        break;
    case WallFarZ:
        mole.placement.setHeading(0.0f);
        mole.pitch = 270.0f;
        mole.roll = 0.0f;
        point.z = kStuckDistance;
        break;
    case WallNearX:
        mole.placement.setHeading(270.0f);
        mole.roll = 270.0f;
        mole.pitch = 0.0f;
        point.x = -kStuckDistance;
        break;
    case WallFarX:
        mole.placement.setHeading(90.0f);
        mole.roll = 90.0f;
        mole.pitch = 0.0f;
        point.x = kStuckDistance;
        break;
    default: break;
    }
}

void updateWalking(Mole& mole, float elapsed)
{
    if (mole.wobble <= kWobbleLimit) mole.wobble += kWobbleStep;
    if (mole.wobble > kWobbleLimit) mole.wobble = -kWobbleLimit;
    if (mole.satiety == 0.0f) mole.hungry = 1;
    mole.placement.heading += mole.wobble;
    // The direction is kept: the body swings while the path stays straight.
    mole.placement.position = Add(mole.placement.position, Scale(mole.direction, elapsed));
}

void updatePaused(Mole& mole, float elapsed)
{
    mole.pauseTimer -= elapsed;
    if (mole.pauseTimer > 0.0f) return;
    mole.state = MoleState::Walking;
    if (mole.longPause && mole.touchedGardener) {
        float& heading = mole.placement.heading;
        heading = heading <= kHalfTurn ? heading + kHalfTurn : heading - kHalfTurn;
        computeMoleDirection(mole);
        mole.longPause = false;
        mole.touchedGardener = false;
    }
}

void updateFlying(Mole& mole, float elapsed)
{
    // The spin comes first: a mole that sticks to the fence in this step
    // hangs there as it stuck, whatever the length of the step.
    mole.pitch += kFlightSpin * elapsed;
    mole.placement.position = flightStep(mole, elapsed);
    if (!mole.wallReached) return;
    mole.wallReached = false;
    mole.state = mole.shrinkCounter == kLowHitMark ? MoleState::SlidingDown : MoleState::FlyingOff;
}

void updateSlidingDown(Mole& mole, float elapsed)
{
    float& height = mole.placement.position.y;
    if (kSlideSpeed * elapsed + kLyingHeight >= height) {
        height = kLyingHeight;
        mole.state = MoleState::Fallen;
    } else {
        height -= kSlideSpeed * elapsed;
    }
}

void updateFallen(Mole& mole)
{
    if (mole.tipCount >= kTipSteps) return;
    tipOver(mole);
    mole.tipCount += 1;
    if (mole.tipCount == kFliesStartStep) {
        startFlies();
        mole.flies = 1;
    }
}

void updateEating(Mole& mole, float elapsed)
{
    mole.satiety += elapsed;
    rummage(mole, elapsed);
    computeMoleDirection(mole);
    if (100.0f * elapsed <= mole.satiety) mole.hungry = 0;
}

}  // namespace

std::string_view moleStateName(MoleState state)
{
    switch (state) {
    case MoleState::Walking: return "Walking";
    case MoleState::Paused: return "Paused";
    case MoleState::Flying: return "Flying";
    case MoleState::FlyingOff: return "FlyingOff";
    case MoleState::Removed: return "Removed";
    case MoleState::SlidingDown: return "SlidingDown";
    case MoleState::Fallen: return "Fallen";
    case MoleState::Eating: return "Eating";
    case MoleState::Bite: return "Bite";
    }
    return "Unknown";
}

GLuint moleListName() { return moleList_; }

bool loadMoleAssets()
{
    releaseMoleAssets();
    Model3dsReader reader;
    const bool imported = reader.import(moleModel, kMoleModelFile);
    moleTextures.assign(std::max<std::size_t>(moleModel.materials.size(), 1), 0);
    loadModelTextures(moleModel, moleTextures.data(), moleTextures.size());
    moleList_ = glGenLists(1);
    if (moleList_ != 0) {
        glNewList(moleList_, GL_COMPILE);
        drawFirstObject(moleModel, moleTextures.data(), moleTextures.size());
        glEndList();
    }
    return imported;
}

void releaseMoleAssets()
{
    if (moleList_ != 0) glDeleteLists(moleList_, 1);
    moleList_ = 0;
    for (std::size_t slot = 0; slot < moleTextures.size(); ++slot)
        releaseTexture(moleTextures.data(), moleTextures.size(), static_cast<int>(slot));
    moleTextures.clear();
    moleModel = MeshModel{};
}

Mole& createMole(Vector3 position, float heading, std::int32_t id)
{
    auto mole = std::make_unique<Mole>();
    mole->placement.setHeading(heading);
    mole->placement.setPosition(position.x, position.y, position.z);
    computeMoleDirection(*mole);
    setMoleState(*mole, MoleState::Walking, 0.0f);
    setMoleBounds(*mole);
    mole->id = id;
    mole->next = std::move(moleList);
    moleList = std::move(mole);
    return *moleList;
}

void createRoundMoles(int count)
{
    for (int i = 0; i < count; ++i) {
        const int forX = randomInt();
        const int forZ = randomInt();
        const int forHeading = randomInt();
        createMole({kMoleSpawnEdge - static_cast<float>(forX % kMoleSpawnRange), 0.0f,
                    kMoleSpawnEdge - static_cast<float>(forZ % kMoleSpawnRange)},
                   static_cast<float>(forHeading % kMoleHeadingRange), i);
    }
}

void clearMoles()
{
    // One by one, so that a long list does not unwind recursively.
    while (moleList) moleList = std::move(moleList->next);
}

int moleListLength()
{
    int length = 0;
    for (const Mole* mole = moleList.get(); mole; mole = mole->next.get()) ++length;
    return length;
}

MoleState moleState(const Mole& mole) { return mole.state; }

void setMoleState(Mole& mole, MoleState state, float value)
{
    mole.pauseTimer = state == MoleState::Paused ? value : 0.0f;
    if (state == MoleState::Flying) {
        mole.shrinkCounter = 0;
        mole.scale = 1.0f;
    }
    if (state == MoleState::Bite) {
        if (mole.hungry == 1) {
            state = MoleState::Eating;
        } else {
            state = MoleState::Walking;
            mole.satiety -= 1.0f;
        }
    }
    mole.state = state;
    mole.pitch = 0.0f;
    mole.roll = 0.0f;
    if (mole.pauseTimer > kLongPauseAbove) mole.longPause = true;
}

void computeMoleDirection(Mole& mole)
{
    mole.direction = RotateAroundAxis(kWalkVelocity, kUpAxis, mole.placement.heading * kDegreesToRadians);
    mole.wobble = 0.0f;
}

void setMoleBounds(Mole& mole)
{
    mole.placement.centreOffset = kStill;
    mole.placement.radius = kMoleRadius;
}

bool strikeTest(Mole& mole, const Sphere& strike, Vector3 walkDirection)
{
    if (!canBeStruck(mole.state)) return false;
    if (!sphereWithinSphere(moleSphereCentre(mole), mole.placement.radius, strike.centre, strike.radius))
        return false;
    knockAwayMole(mole, walkDirection);
    setMoleState(mole, MoleState::Paused, kStruckPause);
    return true;
}

void knockAwayMole(Mole& mole, Vector3 direction)
{
    const Vector3 n = Normalize(direction);
    const Vector3 position = mole.placement.position;
    mole.flightStart = position;
    mole.flightControl = Add(position, Scale(n, kFlightControlAhead));
    mole.flightControl.y = kFlightControlHeight;
    mole.flightEnd = Add(position, Scale(n, kFlightEndAhead));
    mole.flightT = 0.0f;
    mole.wallSide = WallNearZ;
    mole.wallReached = false;
    chooseWall(mole, direction);
}

void chooseWall(Mole& mole, Vector3 direction)
{
    const Vector3 position = mole.placement.position;
    float best = kNoWall;
    bool first = true;
    for (const Wall& wall : kFlightWalls) {
        // A direction along the wall gives an infinite or undefined distance,
        // which the comparisons below reject.
        const float r = Dot(wall.normal, Subtract(wall.point, position)) / Dot(wall.normal, direction);
        if (r > 0.0f && (first || r < best)) {
            best = r;
            mole.wallSide = wall.side;
        }
        first = false;
    }
}

Vector3 flightPoint(const Mole& mole, float t)
{
    const float u = 1.0f - t;
    return Add(Add(Scale(mole.flightStart, u * u), Scale(mole.flightControl, 2.0f * t * u)),
               Scale(mole.flightEnd, t * t));
}

Vector3 clipToWall(Mole& mole, Vector3 point)
{
    const Wall& wall = flightWall(mole.wallSide);
    const Vector3 position = mole.placement.position;
    const Vector3 m = Subtract(point, position);
    const float r = Dot(wall.normal, Subtract(wall.point, position)) / Dot(wall.normal, m);
    if (r >= 1.0f) return point;
    // The step crosses the wall: the mole stops where it meets it.
    mole.wallReached = true;
    return Add(position, Scale(m, r));
}

Vector3 flightStep(Mole& mole, float elapsed)
{
    // A very long frame would run past the end of the curve; it ends at the
    // curve's end instead, which lies beyond every wall.
    mole.flightT = std::min(mole.flightT + elapsed * kFlightRate, 1.0f);
    Vector3 point = clipToWall(mole, flightPoint(mole, mole.flightT));
    if (mole.wallReached && point.y < kLowHitHeight) stickToWall(mole, point);
    return point;
}

void moleContacts(Mole& mole, float elapsed, const Sphere& gardenerBody, Vector3 gardenerStep)
{
    Vector3 step = Scale(mole.direction, elapsed);
    const Vector3 centre = moleSphereCentre(mole);
    const float radius = mole.placement.radius;
    float distance = 0.0f;

    if (sweptSphereHit(centre, radius, gardenerBody.centre, gardenerBody.radius, step, gardenerStep, distance) !=
        0.0f)
        setMoleState(mole, MoleState::Paused, kGardenerBumpPause);
    if (sweptSphereHit(centre, radius, gardenerBody.centre, gardenerBody.radius, step, kStill, distance) != 0.0f)
        mole.touchedGardener = true;

    for (const Mole* other = moleList.get(); other; other = other->next.get()) {
        if (other->id == mole.id) continue;
        Vector3 otherStep;
        if (other->state == MoleState::Walking) otherStep = Scale(other->direction, elapsed);
        else if (other->state == MoleState::Paused || other->state == MoleState::Fallen) otherStep = kStill;
        else continue;
        if (sweptSphereHit(centre, radius, moleSphereCentre(*other), other->placement.radius, step, otherStep,
                           distance) != 0.0f)
            turnAway(mole, randomHeading());
    }

    for (const Bounce& wall : kFenceBounces) {
        if (!clipMoveAtPlane(centre, kMoleRadius, step, wall.point, wall.normal)) continue;
        const int heading = (randomInt() % kBounceHalfCircle + wall.headingOffset) % kMoleHeadingRange;
        turnAway(mole, static_cast<float>(heading));
        break;
    }

    for (const Rake& rake : rakes) {
        if (firstTineHit(rake, centre, radius, step, distance)) turnAway(mole, randomHeading());
    }
}

void moleFeeding(Mole& mole)
{
    const Vector3 centre = moleSphereCentre(mole);
    for (Flower& flower : flowerBed) {
        if (flower.lost == 0 &&
            sphereWithinSphere(flowerSphereCentre(flower), flower.placement.radius, centre, mole.placement.radius)) {
            if (mole.hungry == 1 && mole.biteReady == 1) {
                mole.biteReady = 0;
                biteFlower(flower);
            }
            setMoleState(mole, MoleState::Bite, 0.0f);
            return;
        }
        if (mole.hungry == 0) {
            mole.biteReady = 1;
            if (flowerState(flower) == FlowerState::Gone) {
                flower.lost = 1;
                setMoleState(mole, MoleState::Walking, 1.0f);
            }
        }
    }
}

void rummage(Mole& mole, float elapsed)
{
    if (rummageTimer < 0.0f) {
        mole.placement.setHeading(randomHeading());
        rummageTimer = kRummageUpdates * elapsed;
    }
    rummageTimer -= elapsed;
}

void updateMole(Mole& mole, float elapsed)
{
    switch (mole.state) {
    case MoleState::Walking: updateWalking(mole, elapsed); break;
    case MoleState::Paused: updatePaused(mole, elapsed); break;
    case MoleState::Flying: updateFlying(mole, elapsed); break;
    case MoleState::FlyingOff:
        mole.pitch += kFlightSpin * elapsed;
        if (mole.placement.position.y > kFlyingOffFloor) mole.placement.position.y -= kFlyingOffSink;
        break;
    case MoleState::Removed: break;
    case MoleState::SlidingDown: updateSlidingDown(mole, elapsed); break;
    case MoleState::Fallen: updateFallen(mole); break;
    case MoleState::Eating: updateEating(mole, elapsed); break;
    case MoleState::Bite: break;
    }
}

void drawMole(Mole& mole, bool useLists, bool useArrays, bool wireframe, float cameraPitch, float cameraYaw,
              float elapsed)
{
    const Vector3 position = mole.placement.position;
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(mole.pitch, kPitchAxis.x, kPitchAxis.y, kPitchAxis.z);
    glRotatef(mole.roll, kRollAxis.x, kRollAxis.y, kRollAxis.z);
    glRotatef(mole.placement.heading, kUpAxis.x, kUpAxis.y, kUpAxis.z);

    if (mole.state == MoleState::FlyingOff) {
        if (mole.shrinkCounter < kShrinkFrames) {
            mole.shrinkCounter += 1;
            mole.scale -= kShrinkStep;
            glScalef(mole.scale, mole.scale, mole.scale);
        }
        if (mole.shrinkCounter == kShrinkFrames) {
            mole.scale = 1.0f;
            mole.shrinkCounter = 0;
            mole.state = MoleState::Removed;
        }
    }

    if (useLists) {
        const Vector3 centre = moleSphereCentre(mole);
        if (moleList_ != 0 && sphereInFrustum(centre.x, centre.y, centre.z, kMoleRadius)) glCallList(moleList_);
    } else {
        drawModel(mole.placement, moleModel, moleTextures.data(), moleTextures.size(), useArrays, wireframe);
    }

    if (mole.flies == 1) {
        glPushMatrix();
        glRotatef(-mole.pitch, kPitchAxis.x, kPitchAxis.y, kPitchAxis.z);
        glRotatef(-mole.roll, kRollAxis.x, kRollAxis.y, kRollAxis.z);
        glRotatef(-mole.placement.heading, kUpAxis.x, kUpAxis.y, kUpAxis.z);
        drawFlies(1, cameraPitch, cameraYaw, useArrays, elapsed);
        glPopMatrix();
    }
    glPopMatrix();
}

void drawMoles(bool useLists, bool useArrays, bool wireframe, float cameraPitch, float cameraYaw, float elapsed)
{
    std::unique_ptr<Mole>* link = &moleList;
    while (*link) {
        Mole& mole = **link;
        if (mole.state == MoleState::Removed) {
            // The next mole takes this one's place in the list; this one is released.
            *link = std::move(mole.next);
            continue;
        }
        drawMole(mole, useLists, useArrays, wireframe, cameraPitch, cameraYaw, elapsed);
        link = &mole.next;
    }
}
