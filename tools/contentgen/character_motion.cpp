#include "character_motion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace contentgen::pell {

namespace {

constexpr float kTwoPi = 6.28318530718f;

// Key-frame layout. Frame 0 is the reference pose (never played: animations
// wrap to their first frame, never to 0); the game's normals come from it.
// Walk comes first and idle right after it, no longer than the walk, so that
// walking from any idle frame wraps into the walk cycle; the strike follows
// idle, so that striking from idle counts on into the swing.
constexpr int kWalkFirst = 1, kWalkFrames = 16, kWalkFps = 24;
constexpr int kIdleFirst = kWalkFirst + kWalkFrames, kIdleFrames = 8, kIdleFps = 5;
constexpr int kStrikeFirst = kIdleFirst + kIdleFrames, kStrikeFrames = 16, kStrikeFps = 20;
constexpr int kFallFirst = kStrikeFirst + kStrikeFrames, kFallFrames = 40, kFallFps = 20;
constexpr int kDanceFirst = kFallFirst + kFallFrames, kDanceFrames = 40, kDanceFps = 12;
constexpr int kSprayFirst = kDanceFirst + kDanceFrames, kSprayFrames = 20, kSprayFps = 10;
constexpr int kWaterFirst = kSprayFirst + kSprayFrames, kWaterFrames = 24, kWaterFps = 10;
constexpr int kDeadFirst = kWaterFirst + kWaterFrames, kDeadFrames = 50, kDeadFps = 12;
constexpr int kReallyDeadFirst = kDeadFirst + kDeadFrames, kReallyDeadFrames = 1, kReallyDeadFps = 10;
constexpr int kFrameCount = kReallyDeadFirst + kReallyDeadFrames;

// Stretches, relative to their animation, where the game shows the effect:
// the spade is low in front, the spray can points at the flower, the
// watering can is tipped.
constexpr int kBlowFrom = 10, kBlowTo = 13;
constexpr int kSprayFrom = 5, kSprayTo = 15;
constexpr int kWaterFrom = 6, kWaterTo = 17;

// The torso reports "dead" once it passes this frame; the lying pose must be
// reached before it and held to the end of the death.
constexpr int kDeadSwitchFrame = 211;
static_assert(kDeadFirst + kDeadFrames - 1 > kDeadSwitchFrame, "the death must run past the switch frame");
constexpr int kLyingFrom = 40;  // relative frame of the death from which he lies still
static_assert(kDeadFirst + kLyingFrom <= kDeadSwitchFrame, "lie still before the switch frame");
static_assert(kIdleFrames <= kWalkFrames, "idle wraps into the walk");

enum class Ease { Smooth, Linear, In, Out };

struct Key {
    float at;
    Pose pose;
    Ease ease = Ease::Smooth;  // how the motion runs from this key to the next
};

float eased(float t, Ease ease)
{
    switch (ease) {
    case Ease::Linear: return t;
    case Ease::In: return t * t;
    case Ease::Out: return 1.0f - (1.0f - t) * (1.0f - t);
    case Ease::Smooth: break;
    }
    return t * t * (3.0f - 2.0f * t);
}

Pose sample(const std::vector<Key>& keys, float at)
{
    if (at <= keys.front().at) return keys.front().pose;
    for (std::size_t k = 0; k + 1 < keys.size(); ++k) {
        if (at <= keys[k + 1].at) {
            const float t = (at - keys[k].at) / (keys[k + 1].at - keys[k].at);
            return mix(keys[k].pose, keys[k + 1].pose, eased(t, keys[k].ease));
        }
    }
    return keys.back().pose;
}

// Leg with the foot flat on a level pelvis.
LegPose flatLeg(float hip, float knee, float spread = 2.0f)
{
    LegPose leg;
    leg.hipPitch = hip;
    leg.knee = knee;
    leg.ankle = knee - hip;
    leg.hipSpread = spread;
    return leg;
}

ArmPose arm(Vector3 hand, int side) { return {hand, {0.5f * static_cast<float>(side), -1.0f, 0.0f}, {}}; }

PropPose spadeAlong(Vector3 axis)
{
    const Vector3 a = unit(axis, {0, 0, -1});
    return {true, a, Cross({1, 0, 0}, a)};
}

enum class Held { Can, Spray, Spade };

class Aimer {
public:
    Aimer(const Body& body, std::vector<std::string>& warnings) : body_(body), warnings_(warnings) {}

    // Moves the holding hand so that the prop's point lands on target (model axes).
    void aim(Pose& pose, Held what, Vector3 target, const char* where)
    {
        ArmPose& hand = what == Held::Spray ? pose.leftArm : pose.rightArm;
        Vector3 miss{};
        for (int pass = 0; pass < 12; ++pass) {
            const BakedFrame frame = bake(body_, pose);
            const Vector3 got = what == Held::Can ? frame.spoutTip : what == Held::Spray ? frame.nozzle : frame.bladeCentre;
            miss = target - got;
            if (len(miss) < 0.02f) return;
            hand.hand = hand.hand + transpose(chestFrame(pose).rotation) * miss;
        }
        if (len(miss) > kAimTolerance) {
            char text[160];
            std::snprintf(text, sizeof text, "%s: prop misses its mark by %.1f", where, static_cast<double>(len(miss)));
            warnings_.emplace_back(text);
        }
    }

private:
    static constexpr float kAimTolerance = 1.0f;
    const Body& body_;
    std::vector<std::string>& warnings_;
};

// ---- walk and idle ------------------------------------------------------------

LegPose walkLeg(float q)
{
    const float s = std::sin(q);
    LegPose leg;
    leg.hipPitch = 28.0f * std::cos(q);
    leg.knee = s >= 0.0f ? 6.0f + 10.0f * s : 6.0f - 50.0f * s;
    leg.ankle = leg.knee - leg.hipPitch + (s < 0.0f ? -8.0f * s : 0.0f);
    leg.hipSpread = 2.0f;
    return leg;
}

Vector3 swingHand(int side, float degrees)
{
    const float a = degrees * kTwoPi / 360.0f;
    const float reach = 18.8f;
    return shoulderPoint(side, 0) +
           Vector3{1.8f * static_cast<float>(side), reach * std::sin(a), -reach * std::cos(a) + 2.5f * std::max(0.0f, std::sin(a))};
}

Pose walkPose(float phase)
{
    const float q = kTwoPi * phase;
    Pose p = restPose();
    p.right = walkLeg(q);
    p.left = walkLeg(q + kTwoPi / 2.0f);
    p.turn = {0, 0, 6.0f * std::cos(q)};
    p.shift = {0.6f * std::sin(q), 0, 0};
    p.waist = {-5.0f, 0, -9.0f * std::cos(q)};
    p.head = {3.0f, 0, 3.0f * std::cos(q)};
    p.rightArm = {swingHand(1, -24.0f * std::cos(q)), {0.3f, -1.0f, -0.2f}, {}};
    p.leftArm = {swingHand(-1, 24.0f * std::cos(q)), {-0.3f, -1.0f, -0.2f}, {}};
    return p;
}

Pose idlePose(float phase)
{
    const float b = 0.5f - 0.5f * std::cos(kTwoPi * phase);
    Pose p = restPose();
    p.breath = b;
    p.shrug = 0.4f * b;
    p.spine = {1.2f * b, 0, 0};
    p.head = {-1.0f + 1.5f * b, 0, 0};
    p.leftArm.hand = p.leftArm.hand + Vector3{-0.3f * b, 0, 0.4f * b};
    p.rightArm.hand = p.rightArm.hand + Vector3{0.3f * b, 0, 0.4f * b};
    return p;
}

// ---- strike -----------------------------------------------------------------

std::vector<Key> strikeKeys(Aimer& aimer)
{
    std::vector<Key> keys;
    auto base = [] {
        Pose p = restPose();
        p.spade = spadeAlong({0.1f, 0.65f, -0.75f});
        p.rightArm = arm({10.2f, 5.0f, -3.0f}, 1);
        return p;
    };
    Pose p = base();
    keys.push_back({0, p});

    p = base();
    p.rightArm = arm({11.0f, 4.0f, 9.0f}, 1);
    p.spade = spadeAlong({0.25f, 0.95f, 0.15f});
    p.waist = {3, 0, -8};
    p.left = flatLeg(5, 4);
    keys.push_back({2, p});

    p.rightArm = arm({11.0f, 1.0f, 20.0f}, 1);
    p.spade = spadeAlong({0.25f, 0.2f, 0.95f});
    p.waist = {6, 0, -18};
    p.head = {8, 0, 5};
    p.leftArm = arm({-8.0f, 10.0f, 4.0f}, -1);
    p.left = flatLeg(12, 8);
    p.right = flatLeg(-6, 4);
    keys.push_back({4, p});

    p.rightArm = arm({10.5f, -1.5f, 23.0f}, 1);
    p.spade = spadeAlong({0.2f, -0.55f, 0.8f});
    p.waist = {8, 0, -22};
    p.head = {10, 0, 5};
    p.leftArm = arm({-7.0f, 13.0f, 6.0f}, -1);
    p.left = flatLeg(18, 12);
    p.right = flatLeg(-8, 6);
    keys.push_back({5, p});

    p.spade = spadeAlong({0.2f, -0.75f, 0.62f});
    p.waist = {9, 0, -24};
    keys.push_back({6, p, Ease::In});

    p.rightArm = arm({9.0f, 2.0f, 24.0f}, 1);
    p.spade = spadeAlong({0.05f, -0.17f, 0.98f});
    p.waist = {2, 0, -10};
    keys.push_back({7, p, Ease::Linear});

    p.rightArm = arm({6.5f, 9.0f, 18.0f}, 1);
    p.spade = spadeAlong({-0.08f, 0.5f, 0.86f});
    p.waist = {-8, 0, 2};
    p.head = {0, 0, 5};
    keys.push_back({8, p, Ease::Linear});

    p.rightArm = arm({3.0f, 11.0f, 5.0f}, 1);
    p.spade = spadeAlong({-0.2f, 0.92f, 0.34f});
    p.waist = {-18, 0, 8};
    p.head = {-8, 0, 8};
    p.left = flatLeg(22, 20);
    p.right = flatLeg(-12, 8);
    keys.push_back({9, p, Ease::Linear});

    // The blow: the blade comes down flat in front, bounces once and rests.
    Pose low = p;
    low.waist = {-26, 0, 12};
    low.head = {-14, 0, 10};
    low.left = flatLeg(28, 34);
    low.right = flatLeg(-14, 18);
    low.leftArm = arm({-10.0f, 8.0f, 0.0f}, -1);
    low.spade = spadeAlong({-0.3f, 0.75f, -0.55f});
    aimer.aim(low, Held::Spade, {-6.5f, 17.0f, -15.0f}, "strike 10");
    keys.push_back({10, low, Ease::Out});

    Pose hit = low;
    hit.waist = {-32, 0, 14};
    hit.head = {-16, 0, 10};
    hit.spade = spadeAlong({-0.35f, 0.55f, -0.76f});
    aimer.aim(hit, Held::Spade, {-7.0f, 17.0f, -20.6f}, "strike 11");
    keys.push_back({11, hit});

    Pose bounce = hit;
    bounce.waist = {-30, 0, 14};
    bounce.spade = spadeAlong({-0.35f, 0.6f, -0.72f});
    aimer.aim(bounce, Held::Spade, {-7.0f, 17.0f, -18.8f}, "strike 12");
    keys.push_back({12, bounce});

    keys.push_back({13, hit});

    p = base();
    p.rightArm = arm({8.0f, 8.0f, 2.0f}, 1);
    p.spade = spadeAlong({-0.1f, 0.6f, -0.75f});
    p.waist = {-14, 0, 6};
    p.left = flatLeg(12, 12);
    p.right = flatLeg(-6, 6);
    keys.push_back({14, p});

    keys.push_back({15, base()});
    return keys;
}

// ---- fall backwards (a rake's handle in the face) ---------------------------

std::vector<Key> fallKeys()
{
    std::vector<Key> keys;
    Pose p = restPose();
    keys.push_back({0, p});

    p.head = {25, 0, 0};
    p.waist = {10, 0, 0};
    p.shrug = 1.0f;
    p.leftArm = arm({-11.0f, 4.0f, 24.0f}, -1);
    p.rightArm = arm({11.0f, 4.0f, 24.0f}, 1);
    p.right = flatLeg(-10, 4);
    keys.push_back({2, p, Ease::In});

    p.turn = {15, 0, 0};
    p.shift = {0, -3, 0};
    p.left = {30, 3, 10, 0};
    p.right = {-5, 3, 5, 0};
    p.leftArm = arm({-14.0f, 10.0f, 18.0f}, -1);
    p.rightArm = arm({14.0f, 10.0f, 18.0f}, 1);
    keys.push_back({4, p, Ease::In});

    p.turn = {55, 0, 0};
    p.shift = {0, -10, 0};
    p.left = {40, 4, 12, 10};
    p.right = {30, 4, 10, 10};
    p.head = {10, 0, 0};
    keys.push_back({8, p, Ease::In});

    p.turn = {90, 0, 0};
    p.shift = {0, -20, 0};
    p.left = {60, 6, 10, 10};
    p.right = {50, 6, 15, 10};
    p.leftArm = arm({-17.0f, 5.0f, 6.0f}, -1);
    p.rightArm = arm({17.0f, 5.0f, 6.0f}, 1);
    p.head = {0, 0, 0};
    keys.push_back({11, p});

    Pose bounce = p;
    bounce.turn = {84, 0, 0};
    bounce.left = {45, 6, 8, 10};
    bounce.right = {38, 6, 12, 10};
    keys.push_back({12, bounce});

    p.left = {20, 6, 12, 10};
    p.right = {16, 6, 14, 10};
    keys.push_back({13, p});

    // Dazed on his back, the head rolling.
    p.left = {4, 6, 6, 20};
    p.right = {4, 6, 8, 20};
    p.shrug = 0.0f;
    keys.push_back({15, p});
    p.head = {0, 0, 25};
    keys.push_back({17, p});
    p.head = {0, 0, -25};
    keys.push_back({19, p});
    p.head = {0, 0, 0};
    keys.push_back({21, p});

    // Sit up: the body turns up while the legs stay on the ground.
    p.turn = {45, 0, 0};
    p.left = {45, 6, 6, 20};
    p.right = {45, 6, 8, 20};
    p.leftArm = arm({-12.0f, -4.0f, -4.0f}, -1);
    p.rightArm = arm({12.0f, -4.0f, -4.0f}, 1);
    keys.push_back({24, p});

    p.turn = {0, 0, 0};
    p.waist = {-10, 0, 0};
    p.left = {85, 6, 10, 0};
    p.right = {85, 6, 14, 0};
    p.head = {0, 0, 15};
    keys.push_back({27, p});
    p.head = {0, 0, -15};
    keys.push_back({29, p});

    // Pull the feet in and stand up.
    p.turn = {-20, 0, 0};
    p.shift = {0, -10, 0};
    p.waist = {-15, 0, 0};
    p.left = {115, 4, 125, 30};
    p.right = {115, 4, 125, 30};
    p.leftArm = arm({-9.0f, 12.0f, -2.0f}, -1);
    p.rightArm = arm({9.0f, 12.0f, -2.0f}, 1);
    p.head = {10, 0, 0};
    keys.push_back({32, p});

    p.turn = {-10, 0, 0};
    p.shift = {0, -3, 0};
    p.waist = {-10, 0, 0};
    p.left = {50, 3, 60, 20};
    p.right = {50, 3, 60, 20};
    p.head = {5, 0, 0};
    keys.push_back({35, p});

    keys.push_back({39, restPose()});
    return keys;
}

// ---- victory dance ------------------------------------------------------------

std::vector<Key> danceKeys()
{
    std::vector<Key> keys;
    auto armsUp = [](Pose& p, float lean) {
        p.leftArm = {{-14.0f + lean, 3.0f, 29.5f}, {-1.0f, 0.0f, 0.0f}, {}};
        p.rightArm = {{14.0f + lean, 3.0f, 29.5f}, {1.0f, 0.0f, 0.0f}, {}};
    };
    // Bouncing from foot to foot, arms waving overhead.
    for (int beat = 0; beat < 4; ++beat) {
        const float at = 5.0f * static_cast<float>(beat);
        const float side = beat % 2 == 0 ? 1.0f : -1.0f;
        Pose low = restPose();
        low.left = flatLeg(18, 30, 4);
        low.right = flatLeg(18, 30, 4);
        low.waist = {-4, 6.0f * side, 0};
        low.head = {0, -8.0f * side, 0};
        armsUp(low, 4.0f * side);
        keys.push_back({at, low});

        Pose hop = restPose();
        hop.lift = 1.5f;
        LegPose& up = side > 0 ? hop.left : hop.right;
        LegPose& stand = side > 0 ? hop.right : hop.left;
        up = {55, 4, 75, 15};
        stand = flatLeg(2, 4, 3);
        hop.waist = {2, -4.0f * side, 10.0f * side};
        hop.head = {5, 6.0f * side, -8.0f * side};
        hop.breath = 1.0f;
        armsUp(hop, -3.0f * side);
        keys.push_back({at + 2.5f, hop});
    }
    // A twirl on the spot with the arms out, then a bow.
    Pose twirl = restPose();
    twirl.left = flatLeg(10, 20, 4);
    twirl.right = flatLeg(10, 20, 4);
    twirl.leftArm = {{-19.0f, 2.0f, 12.0f}, {0, -1, 0}, {}};
    twirl.rightArm = {{19.0f, 2.0f, 12.0f}, {0, -1, 0}, {}};
    twirl.head = {8, 0, 0};
    keys.push_back({20, twirl, Ease::Linear});
    for (int step = 1; step <= 12; ++step) {
        Pose turning = twirl;
        turning.turn = {0, 0, 30.0f * static_cast<float>(step)};
        turning.lift = step % 2 == 0 ? 0.0f : 1.0f;
        // A full turn is no turn; frames are sampled at whole numbers only,
        // so nothing in between ever turns back from 330 to 0 degrees.
        if (step == 12) turning.turn = {0, 0, 0};
        keys.push_back({20.0f + static_cast<float>(step), turning, step == 12 ? Ease::Smooth : Ease::Linear});
    }
    Pose bow = restPose();
    bow.waist = {-35, 0, 0};
    bow.head = {-10, 0, 0};
    bow.left = flatLeg(-5, 6);
    bow.right = flatLeg(12, 8);
    bow.rightArm = {{2.0f, 9.0f, 6.0f}, {1, 0, 0}, {}};
    bow.leftArm = {{-12.0f, -6.0f, 0.0f}, {-1, 0, 0}, {}};
    keys.push_back({34, bow});
    keys.push_back({35, bow});
    // Back to the first beat so the dance loops.
    keys.push_back({40, keys.front().pose});
    return keys;
}

// ---- spraying and watering (torso only; the legs stand) -------------------

std::vector<Key> sprayKeys(Aimer& aimer)
{
    std::vector<Key> keys;
    Pose p = restPose();
    p.spray.visible = true;
    keys.push_back({0, p});

    p.leftArm = arm({-13.0f, 9.0f, 4.0f}, -1);
    p.spine = {-8, -6, 6};
    p.head = {-4, 0, 10};
    p.spray.front = unit({0, 1.0f, -0.2f}, {0, 1, 0});
    keys.push_back({2, p});

    // Arm out to the front left, can tipped forward, nozzle on the mark.
    Pose aimed = p;
    aimed.spine = {-28, -22, 12};
    aimed.head = {-6, 6, 18};
    aimed.spray.axis = unit({0.05f, -0.6f, -0.8f}, {0, 0, -1});
    aimed.spray.front = unit({0.0f, 0.8f, -0.6f}, {0, 1, 0});
    aimed.rightArm = arm({11.0f, 3.0f, -4.0f}, 1);
    aimed.leftArm.reach = {-1.0f, 2.2f, -0.6f};
    aimer.aim(aimed, Held::Spray, kSprayEffectPoint, "spray");
    keys.push_back({static_cast<float>(kSprayFrom), aimed});
    // Little pumps of the nozzle while it sprays.
    for (int beat = kSprayFrom + 2; beat < kSprayTo; beat += 2) {
        Pose pump = aimed;
        const float side = beat % 4 == 0 ? 1.0f : -1.0f;
        pump.leftArm.hand = pump.leftArm.hand + Vector3{0.6f * side, 0.3f, 0.4f * side};
        pump.head = aimed.head + Vector3{0, 0, 4.0f * side};
        keys.push_back({static_cast<float>(beat), pump});
    }
    keys.push_back({static_cast<float>(kSprayTo), aimed});

    p = restPose();
    p.spray.visible = true;
    p.leftArm = arm({-12.0f, 6.0f, -1.0f}, -1);
    p.spine = {-6, -4, 4};
    keys.push_back({17, p});
    p = restPose();
    p.spray.visible = true;
    keys.push_back({19, p});
    return keys;
}

std::vector<Key> waterKeys(Aimer& aimer)
{
    std::vector<Key> keys;
    Pose p = restPose();
    p.can.visible = true;
    keys.push_back({0, p});

    p.rightArm = arm({11.0f, 11.0f, 2.0f}, 1);
    p.spine = {-12, 0, -4};
    p.head = {-6, 0, -6};
    keys.push_back({3, p});

    // Bent over the flower, the can tipped forward and towards the left.
    Pose tipped = p;
    tipped.spine = {-38, 6, -10};
    tipped.head = {-10, 0, -8};
    tipped.can.axis = unit({0.45f, -0.54f, -0.71f}, {0, 0, -1});
    tipped.can.front = unit({-0.45f, 0.54f, -0.71f}, {0, 1, 0});
    tipped.leftArm = arm({-10.0f, 6.0f, -2.0f}, -1);
    aimer.aim(tipped, Held::Can, kWaterEffectPoint, "water");
    keys.push_back({static_cast<float>(kWaterFrom), tipped});
    // Gentle swaying of the can while it pours.
    for (int beat = kWaterFrom + 3; beat < kWaterTo; beat += 3) {
        Pose sway = tipped;
        const float side = (beat / 3) % 2 == 0 ? 1.0f : -1.0f;
        sway.rightArm.hand = sway.rightArm.hand + Vector3{0.8f * side, 0.2f, 0.3f};
        sway.spine = tipped.spine + Vector3{0, 0, 2.0f * side};
        keys.push_back({static_cast<float>(beat), sway});
    }
    keys.push_back({static_cast<float>(kWaterTo), tipped});

    p = restPose();
    p.can.visible = true;
    p.rightArm = arm({11.0f, 10.0f, 1.0f}, 1);
    p.spine = {-12, 0, -4};
    keys.push_back({20, p});
    p = restPose();
    p.can.visible = true;
    keys.push_back({23, p});
    return keys;
}

// ---- dying ------------------------------------------------------------------

Pose lyingDead()
{
    Pose p = restPose();
    p.turn = {90, 0, 0};
    p.shift = {0, -22, 0};
    p.left = {0, 10, 4, 20};
    p.right = {0, 6, 8, 20};
    // Arms flung out along the ground.
    p.leftArm = {{-26.0f, -3.0f, 8.0f}, {0, -1, 0}, {}};
    p.rightArm = {{26.0f, -3.0f, 5.0f}, {0, -1, 0}, {}};
    p.head = {0, 0, 50};
    return p;
}

std::vector<Key> deadKeys()
{
    std::vector<Key> keys;
    Pose p = restPose();
    keys.push_back({0, p});

    // Clutching the chest, knees going soft.
    p.leftArm = arm({-3.0f, 7.0f, 9.0f}, -1);
    p.rightArm = arm({3.0f, 7.0f, 10.0f}, 1);
    p.head = {-15, 0, 0};
    p.shrug = 1.0f;
    p.left = flatLeg(6, 12);
    p.right = flatLeg(6, 12);
    p.waist = {-8, 0, 0};
    keys.push_back({4, p});

    p.waist = {-6, 10, 0};
    p.head = {-10, 8, 0};
    keys.push_back({8, p});
    p.waist = {-6, -12, 0};
    p.head = {-10, -8, 0};
    p.left = flatLeg(10, 14);
    p.right = flatLeg(-4, 8);
    keys.push_back({12, p});

    // Staggering backwards, arms up.
    p.shift = {0, -3, 0};
    p.waist = {10, 0, 0};
    p.head = {15, 0, 0};
    p.leftArm = arm({-14.0f, 4.0f, 20.0f}, -1);
    p.rightArm = arm({14.0f, 4.0f, 20.0f}, 1);
    p.left = flatLeg(4, 4);
    p.right = flatLeg(-6, 4);
    keys.push_back({16, p});
    p.turn = {5, 0, 0};
    keys.push_back({18, p, Ease::In});

    // Toppling over stiff as a board, faster and faster.
    Pose falling = p;
    falling.turn = {45, 0, 0};
    falling.shift = {0, -10, 0};
    falling.leftArm = arm({-16.0f, 6.0f, 16.0f}, -1);
    falling.rightArm = arm({16.0f, 6.0f, 16.0f}, 1);
    falling.left = {4, 4, 2, 10};
    falling.right = {4, 4, 2, 10};
    keys.push_back({24, falling, Ease::In});

    Pose landed = lyingDead();
    landed.head = {0, 0, 0};
    landed.left = {6, 8, 4, 20};
    landed.right = {6, 6, 6, 20};
    keys.push_back({28, landed});
    Pose bounce = landed;
    bounce.turn = {84, 0, 0};
    bounce.left = {14, 8, 6, 20};
    bounce.right = {12, 6, 8, 20};
    keys.push_back({29, bounce});
    keys.push_back({31, landed});

    // One last twitch of the leg, then the head rolls aside.
    Pose twitch = landed;
    twitch.right = {40, 6, 60, 20};
    keys.push_back({34, twitch});
    Pose still = lyingDead();
    still.head = {0, 0, 20};
    keys.push_back({37, still});
    keys.push_back({static_cast<float>(kLyingFrom), lyingDead()});
    keys.push_back({static_cast<float>(kDeadFrames - 1), lyingDead()});
    return keys;
}

// The reference pose: standing, every prop in the hand in the attitude it is used in.
Pose referencePose()
{
    Pose p = restPose();
    p.can = {true, unit({0.45f, -0.54f, -0.71f}, {0, 0, -1}), unit({-0.45f, 0.54f, -0.71f}, {0, 1, 0})};
    p.spray = {true, unit({0.05f, -0.6f, -0.8f}, {0, 0, -1}), unit({0.0f, 0.8f, -0.6f}, {0, 1, 0})};
    p.spade = spadeAlong({-0.35f, 0.55f, -0.76f});
    return p;
}

void addFrames(std::vector<Pose>& poses, const std::vector<Key>& keys, int first, int count)
{
    for (int i = 0; i < count; ++i) poses[static_cast<std::size_t>(first + i)] = sample(keys, static_cast<float>(i));
}

}  // namespace

Choreography choreograph(const Body& body)
{
    Choreography c;
    c.poses.assign(static_cast<std::size_t>(kFrameCount), restPose());
    Aimer aimer(body, c.warnings);

    c.poses[0] = referencePose();
    for (int i = 0; i < kWalkFrames; ++i) {
        c.poses[static_cast<std::size_t>(kWalkFirst + i)] = walkPose(static_cast<float>(i) / kWalkFrames);
    }
    for (int i = 0; i < kIdleFrames; ++i) {
        c.poses[static_cast<std::size_t>(kIdleFirst + i)] = idlePose(static_cast<float>(i) / kIdleFrames);
    }
    addFrames(c.poses, strikeKeys(aimer), kStrikeFirst, kStrikeFrames);
    addFrames(c.poses, fallKeys(), kFallFirst, kFallFrames);
    addFrames(c.poses, danceKeys(), kDanceFirst, kDanceFrames);
    addFrames(c.poses, sprayKeys(aimer), kSprayFirst, kSprayFrames);
    addFrames(c.poses, waterKeys(aimer), kWaterFirst, kWaterFrames);
    addFrames(c.poses, deadKeys(), kDeadFirst, kDeadFrames);
    c.poses[static_cast<std::size_t>(kReallyDeadFirst)] = lyingDead();

    // Markers: the game shows an effect after the first marker's last frame
    // and up to the frame before the second marker's end.
    auto markerTo = [](int first, int end) { return AnimationLine{first, end - first, 0, 0, ""}; };
    auto named = [](AnimationLine line, int fps, std::string name) {
        line.fps = fps;
        line.name = std::move(name);
        return line;
    };
    c.lines = {
        {kWalkFirst, kWalkFrames, kWalkFrames, kWalkFps, "BOTH_WALK"},
        {kFallFirst, kFallFrames, 0, kFallFps, "BOTH_FALL"},
        {kDanceFirst, kDanceFrames, kDanceFrames, kDanceFps, "BOTH_DANCE_BEGIN"},
        {kStrikeFirst, kStrikeFrames, 0, kStrikeFps, "BOTH_STRIKE"},
        named(markerTo(kStrikeFirst, kStrikeFirst + kBlowFrom - 1), kStrikeFps, "TORSO_STRIKE_BLOW_START"),
        named(markerTo(kStrikeFirst, kStrikeFirst + kBlowTo + 1), kStrikeFps, "TORSO_STRIKE_BLOW_END"),
        {kSprayFirst, kSprayFrames, 0, kSprayFps, "TORSO_SPRAY"},
        named(markerTo(kSprayFirst, kSprayFirst + kSprayFrom - 1), kSprayFps, "TORSO_SPRAY_JET_START"),
        named(markerTo(kSprayFirst, kSprayFirst + kSprayTo + 1), kSprayFps, "TORSO_SPRAY_JET_END"),
        {kWaterFirst, kWaterFrames, 0, kWaterFps, "TORSO_GIESSEN"},
        named(markerTo(kWaterFirst, kWaterFirst + kWaterFrom - 1), kWaterFps, "TORSO_GIESSEN_FLOW_START"),
        named(markerTo(kWaterFirst, kWaterFirst + kWaterTo + 1), kWaterFps, "TORSO_GIESSEN_FLOW_END"),
        {kDeadFirst, kDeadFrames, 0, kDeadFps, "BOTH_DEAD"},
        {kReallyDeadFirst, kReallyDeadFrames, 0, kReallyDeadFps, "BOTH_REALLY_DEAD"},
        {kIdleFirst, kIdleFrames, kIdleFrames, kIdleFps, "LEGS_IDLE"},
        // Walking moves the gardener once the legs show a frame past this
        // one: every walk frame does, so he moves from the first step.
        named(markerTo(0, kWalkFirst), kWalkFps, "LEGS_WALK_UNDERWAY"),
        {kIdleFirst, kIdleFrames, kIdleFrames, kIdleFps, "TORSO_IDLE"},
    };
    return c;
}

}  // namespace contentgen::pell
