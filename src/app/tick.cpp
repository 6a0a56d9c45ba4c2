#include "app/tick.h"

#include "app/camera.h"
#include "app/game_state.h"
#include "app/hud.h"
#include "app/rounds.h"
#include "app/scenery.h"
#include "audio/game_sounds.h"
#include "character/gardener.h"
#include "effects/geometry.h"
#include "garden/flower_bed.h"
#include "garden/mole.h"
#include "garden/rake.h"
#include "platform/clock.h"
#include "platform/window.h"

#include <cmath>

ActionFlags actionFlags;
FrameTimer frameTimer;
FpsMeter fpsMeter;
double frameSeconds = 0.0;
Vector3 walkDirection{0.0f, 0.0f, -1.0f};
Vector3 gardenerStep{0.0f, 0.0f, 0.0f};
std::array<int, kFlowerSlots> prevFlowerState{};

namespace {

const Vector3 kUpAxis{0.0f, 1.0f, 0.0f};
constexpr float kNoHit = 1000.0f;
constexpr int kBetterPoints = 20;
constexpr int kWorsePoints = -5;

struct FencePlane {
    Vector3 point;
    Vector3 normal;
};
constexpr FencePlane kFencePlanes[4] = {
    {{0.0f, 0.0f, -500.0f}, {0.0f, 0.0f, 1.0f}},
    {{0.0f, 0.0f, 500.0f}, {0.0f, 0.0f, -1.0f}},
    {{-500.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}},
    {{500.0f, 0.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}},
};

Vector3 sphereCentreOf(const std::array<float, 4>& sphere) { return {sphere[0], sphere[1], sphere[2]}; }

void turnGardener(float degrees)
{
    gardener.heading += degrees;
    walkDirection = RotateAroundAxis(walkDirection, kUpAxis, degrees * kDegreesToRadians);
    chaseCamera.yaw += degrees;
}

// Exactly one control acts per tick, by priority.
void controlStep(float dt)
{
    if (inputFlags.turnRight) {
        turnGardener(-kTurnRate * dt);
    } else if (inputFlags.turnLeft) {
        turnGardener(kTurnRate * dt);
    } else if (inputFlags.yawIncrease) {
        chaseCamera.yaw += kTurnRate * dt;
    } else if (inputFlags.yawDecrease) {
        chaseCamera.yaw -= kTurnRate * dt;
    } else if (inputFlags.pitchIncrease) {
        const float pitch = chaseCamera.pitch + kPitchRate * dt;
        chaseCamera.pitch = pitch > kPitchLimit ? kPitchLimit : pitch;
    } else if (inputFlags.pitchDecrease) {
        const float pitch = chaseCamera.pitch - kPitchRate * dt;
        chaseCamera.pitch = pitch < -kPitchLimit ? -kPitchLimit : pitch;
    }
}

// The first flower (not gone) that the sphere touches gets the care.
template <typename StartCare>
void careForFirstFlowerTouched(const Sphere& tool, StartCare startCare)
{
    for (Flower& flower : flowerBed) {
        if (flowerState(flower) == FlowerState::Gone) continue;
        const auto sphere = flowerBoundingSphere(flower);
        if (sphereWithinSphere(sphereCentreOf(sphere), sphere[3], tool.centre, tool.radius)) {
            startCare(flower);
            return;
        }
    }
}

bool blocksGardener(MoleState state)
{
    return state == MoleState::Walking || state == MoleState::Paused || state == MoleState::Fallen;
}

// The running strike: its animation step, the strike test against the
// moles while it is pending, and the hit moment at which a struck mole flies.
void strikePass()
{
    if (!actionFlags.striking) return;
    const bool hitMoment = strikeStep(gardener, actionFlags.striking);
    if (inputFlags.strikeTestPending) {
        strikeMolesInReach();
        inputFlags.strikeTestPending = 0;
    }
    if (hitMoment) beatStruckMole();
    if (!actionFlags.striking) {
        // The strike that scored a mole sends it, even when the torso's
        // frames ran behind the legs' and never showed the blow; a later
        // strike never finds it waiting.
        beatStruckMole();
        // A round lost during the strike shows its death once the strike is over.
        if (gardener.dying) playBoth(gardener, "BOTH_DEAD");
        else playIdle(gardener);
    }
}

// Walk, dance, dying and fall: each advances while its action runs.
void animationSteps(int state)
{
    if (actionFlags.walking) {
        if (state == Playing) walkStep(gardener);
        else playIdle(gardener);
    }
    if (actionFlags.dancing) {
        danceStep(gardener, actionFlags.dancing);
        if (!actionFlags.dancing) actionFlags.dancing = 1;  // the dance repeats until the next round
    }
    if (gardener.dying) {
        dyingStep(gardener);
        if (!gardener.dying) playReallyDead(gardener);
    }
    if (gardener.falling) {
        fallStep(gardener);
        if (!gardener.falling) playIdle(gardener);
    }
}

}  // namespace

void strikeMolesInReach()
{
    const Sphere strike = strikeSphere(gardener);
    for (Mole* mole = moleList.get(); mole; mole = mole->next.get()) {
        if (!strikeTest(*mole, strike, walkDirection)) continue;
        playGameSound(GameSound::Shriek);
        addScore(kStrikeScore);
        actionFlags.struckMole = mole;
    }
}

void beatStruckMole()
{
    if (actionFlags.struckMole != nullptr) {
        setMoleState(*actionFlags.struckMole, MoleState::Flying, 0.0f);
        gameSession.molesLeft -= 1;
    }
    actionFlags.struckMole = nullptr;
}

void endActionsAtRoundEnd()
{
    inputFlags.moveForward = 0;
    actionFlags.walking = 0;
    actionFlags.watering = 0;
    actionFlags.spraying = 0;
    gardener.waterEffect = false;
    gardener.sprayEffect = false;
    if (!actionFlags.striking) gardener.busy = 0;
}

void molePass(float dt)
{
    const Sphere body = bodySphere(gardener);
    for (Mole* mole = moleList.get(); mole; mole = mole->next.get()) {
        if (moleState(*mole) == MoleState::Walking) moleContacts(*mole, dt, body, gardenerStep);
        const MoleState state = moleState(*mole);
        if (state == MoleState::Walking || state == MoleState::Eating) moleFeeding(*mole);
        // The bed ages once per listed mole: more moles, faster trouble.
        for (Flower& flower : flowerBed) {
            if (flowerState(flower) != FlowerState::Gone) updateFlower(flower, dt, gameSession.level);
        }
        updateMole(*mole, dt);
    }
}

void scoreFlowerChanges()
{
    for (int i = 0; i < kFlowerCount; ++i) {
        const int change = flowerStateNumber(flowerBed[i]) - prevFlowerState[i];
        if (change < 0) addScore(kBetterPoints);
        else if (change > 0) addScore(kWorsePoints);
    }
}

void startFrameTimer()
{
    frameTimer.frequency = gameClock().counterFrequency();
    frameTimer.previous = gameClock().counterReading();
}

double nextFrameSeconds()
{
    const std::int64_t now = gameClock().counterReading();
    const int before = fpsMeter.fpsFrames;
    fpsMeter.fpsFrames += 1;
    if (before > fpsMeter.fpsWindow) {
        const std::uint32_t ms = gameClock().processMilliseconds();
        if (fpsMeter.fpsLastClock != 0) {
            const double span = static_cast<double>(ms - fpsMeter.fpsLastClock);
            // Two measurements in the same millisecond keep the previous rate.
            if (span > 0.0) fpsMeter.fps = fpsMeter.fpsFrames * 1000.0 / span;
        }
        fpsMeter.fpsFrames = 0;
        fpsMeter.fpsLastClock = ms;
        if (fpsMeter.fpsWindow < kFpsWindowLimit) fpsMeter.fpsWindow += 1;
    }
    const double seconds =
        static_cast<double>(now - frameTimer.previous) / static_cast<double>(frameTimer.frequency);
    frameTimer.previous = now;
    return seconds;
}

void resolveGardenerStep(Vector3& step, double seconds)
{
    float tMin = kNoHit;
    bool hit = false;
    const Sphere body = bodySphere(gardener);
    const Vector3 still{0.0f, 0.0f, 0.0f};

    for (const Flower& flower : flowerBed) {
        if (flowerState(flower) == FlowerState::Gone) continue;
        const auto sphere = flowerBoundingSphere(flower);
        float t = 0.0f;
        if (sweptSphereHit(body.centre, body.radius, sphereCentreOf(sphere), sphere[3], step, still, t) != 0.0f) {
            if (t < tMin) tMin = t;
            hit = true;
            break;
        }
    }

    for (Rake& rake : rakes) {
        float t = 0.0f;
        if (!firstTineHit(rake, body.centre, kGardenerTineRadius, step, t)) continue;
        if (t < tMin) tMin = t;
        hit = true;
        actionFlags.walking = 0;
        inputFlags.moveForward = 0;
        if (stepsOnTines(rake, step)) {
            triggerRake(rake);
            playBoth(gardener, "BOTH_FALL");
            gardener.falling = 1;
            playGameSound(GameSound::Rake);
            playGameSound(GameSound::Ouch);
            addScore(kRakeScore);
        }
    }

    const float moleSeconds = static_cast<float>(seconds);
    for (const Mole* mole = moleList.get(); mole; mole = mole->next.get()) {
        const MoleState state = moleState(*mole);
        if (!blocksGardener(state)) continue;
        const Vector3 moleMove = state == MoleState::Walking ? Scale(mole->direction, moleSeconds) : still;
        float t = 0.0f;
        if (sweptSphereHit(body.centre, body.radius, moleSphereCentre(*mole), mole->placement.radius, step, moleMove,
                           t) != 0.0f) {
            if (t < tMin) tMin = t;
            hit = true;
        }
    }

    if (hit) step = Scale(Normalize(step), tMin);

    for (const FencePlane& plane : kFencePlanes) {
        clipMoveAtPlane(body.centre, kFenceBodyRadius, step, plane.point, plane.normal);
    }
}

void gameTick()
{
    if (gameSession.gameState == Playing) checkRoundEnd();
    for (int i = 0; i < kFlowerCount; ++i) prevFlowerState[i] = flowerStateNumber(flowerBed[i]);
    gardenerStep = {0.0f, 0.0f, 0.0f};

    const int state = gameSession.gameState;
    if (isPlayingState(state)) {
        frameSeconds = nextFrameSeconds();
        const float dt = static_cast<float>(frameSeconds);
        if (state == Playing) {
            controlStep(dt);
            if (inputFlags.moveForward && gardener.stepAllowed) {
                gardenerStep = Scale(walkDirection, static_cast<float>(kWalkSpeed) * dt);
                resolveGardenerStep(gardenerStep, frameSeconds);
                moveGardener(gardener, gardenerStep);
            }
            followGardener(chaseCamera, gardener.position, cameraOffset);
        }

        strikePass();
        animationSteps(state);

        if (actionFlags.spraying) {
            careForFirstFlowerTouched(spraySphere(gardener), [](Flower& flower) { startSpraying(flower); });
            sprayStep(gardener, actionFlags.spraying);
            if (!actionFlags.spraying) {
                playIdle(gardener);
                gardener.sprayEffect = false;
            }
        }
        if (actionFlags.watering) {
            careForFirstFlowerTouched(waterSphere(gardener), [](Flower& flower) { startWatering(flower); });
            waterStep(gardener, actionFlags.watering);
            if (!actionFlags.watering) {
                playIdle(gardener);
                gardener.waterEffect = false;
            }
        } else {
            gardener.waterEffect = false;
        }
        // Busy means a strike, watering or spraying runs. The torso's end of a
        // strike can come a frame before the legs', and a fall's or a dance's
        // end clears busy as well; an action or a walk started in such a gap
        // would have its animation taken away by the earlier action's end.
        gardener.busy = (actionFlags.striking || actionFlags.spraying || actionFlags.watering) ? 1 : 0;

        molePass(dt);
        scrollSky();
        if (state == Playing) scoreFlowerChanges();
    }
    requestRedisplay();
}
