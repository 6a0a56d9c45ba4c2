// Moles: creation, walking, bouncing, hunger and bites, the strike and the
// flight against or over the fence, and the list while it is drawn.
#include "garden/mole.h"

#include "app/game_state.h"
#include "app/hud.h"
#include "app/tick.h"
#include "effects/particles.h"
#include "garden/flower_bed.h"
#include "garden/rake.h"
#include "garden_test_helpers.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>
#include <optional>

namespace {

constexpr float kTick = 0.02f;
const Sphere kNoGardener{{5000.0f, 0.0f, 5000.0f}, 15.0f};

// An empty list; rakes, flowers and the gardener far away unless a test brings them.
class Moles : public ::testing::Test {
protected:
    void SetUp() override
    {
        setDialogsEnabled(false);
        clearMoles();
        for (Rake& rake : rakes) putRake(rake, {4000.0f, 0.0f, 4000.0f});
        for (Flower& flower : flowerBed) {
            flower = Flower{};
            flower.state = FlowerState::Gone;
            flower.lost = 1;
        }
        resetGardenerPlacement(gardener);
        actionFlags = ActionFlags{};
        gameSession.molesLeft = 4;
        hud.score = 0;
    }
    void TearDown() override { clearMoles(); }

    static void putRake(Rake& rake, Vector3 at)
    {
        rake.placement.setPosition(at.x, at.y, at.z);
        setRakeSpheres(rake);
    }
    static Vector3 inReach()
    {
        const Sphere strike = strikeSphere(gardener);
        return {strike.centre.x, 0.0f, strike.centre.z};
    }
    static Mole& flyingMole(Vector3 position, Vector3 direction)
    {
        Mole& mole = createMole(position, 0.0f, moleListLength());
        knockAwayMole(mole, direction);
        setMoleState(mole, MoleState::Flying, 0.0f);
        return mole;
    }
    // Lying moles start the flies, which load their sprite.
    bool inDataWithGl()
    {
        if (!testsupport::ensureGlContext() || !gardentest::haveDataFiles({"bilder/fliege2.tga"})) return false;
        inData_.emplace(testsupport::generatedDataDir());
        return true;
    }
    std::optional<gardentest::WorkingDirectory> inData_;

    static void updateWhile(Mole& mole, MoleState state, float elapsed)
    {
        for (int i = 0; i < 100000 && mole.state == state; ++i) updateMole(mole, elapsed);
    }
};

TEST_F(Moles, WalkingFollowsTheHeadingAtTwentyUnitsASecondWhileTheBodySwings)
{
    const std::array<float, 3> cases[] = {{0, 0, 20}, {90, 20, 0}, {180, 0, -20}};
    for (const auto& [heading, dx, dz] : cases) {
        clearMoles();
        Mole& mole = createMole({0, 0, 0}, heading, 0);
        float swing = 0.0f;
        for (int i = 0; i < 50; ++i) {
            updateMole(mole, kTick);
            swing = std::max(swing, std::fabs(mole.placement.heading - heading));
        }
        EXPECT_NEAR(mole.placement.position.x, dx, 1e-3f);
        EXPECT_NEAR(mole.placement.position.z, dz, 1e-3f);
        EXPECT_GT(swing, 2.0f);  // the wobble turns the body, not the path
    }
}

TEST_F(Moles, FenceBounceTurnsBackIntoTheGardenForEveryDraw)
{
    struct Wall {
        Vector3 start;
        float heading;  // straight at the wall
        Vector3 inward;
        int offset;
    };
    // Every draw of a half circle, and draws past it: the whole 15-bit range
    // is taken modulo 180, never 360, or half of them would head at the fence.
    std::vector<int> draws(180);
    for (int i = 0; i < 180; ++i) draws[static_cast<std::size_t>(i)] = i;
    draws.insert(draws.end(), {180, 269, 359, 360, 539, 32767});
    for (const Wall& wall : {Wall{{0, 0, -486.9f}, 180, {0, 0, 1}, 270}, Wall{{0, 0, 486.9f}, 0, {0, 0, -1}, 90},
                             Wall{{-486.9f, 0, 0}, 270, {1, 0, 0}, 0}, Wall{{486.9f, 0, 0}, 90, {-1, 0, 0}, 180}}) {
        for (const int draw : draws) {
            clearMoles();
            Mole& mole = createMole(wall.start, wall.heading, 0);
            seedRandom(gardentest::seedWithNextDraw(draw));
            moleContacts(mole, kTick, kNoGardener, {});
            ASSERT_EQ(mole.state, MoleState::Paused);
            EXPECT_EQ(mole.placement.heading, static_cast<float>((draw % 180 + wall.offset) % 360)) << draw;
            EXPECT_GT(Dot(mole.direction, wall.inward), -1e-4f) << draw;
            // Twenty seconds on, whatever it meets, it is still inside.
            for (int i = 0; i < 1000; ++i) {
                if (mole.state == MoleState::Walking) moleContacts(mole, kTick, kNoGardener, {});
                updateMole(mole, kTick);
            }
            const Vector3 p = mole.placement.position;
            ASSERT_TRUE(std::fabs(p.x) < 487.1f && std::fabs(p.z) < 487.1f) << draw << ": " << p.x << ", " << p.z;
        }
    }
}

TEST_F(Moles, HundredTouchesMakeHungryThenOneBiteAndEatingInPlace)
{
    gardentest::FlowerDataOrScratchFolder inFolder;
    Flower& flower = flowerBed[5];
    flower = Flower{};
    setFlowerBounds(flower);
    Mole& mole = createMole(flowerSphereCentre(flower), 0, 0);
    for (int tick = 1; tick <= 100; ++tick) {
        moleFeeding(mole);
        updateMole(mole, 0.001f);  // slow enough to stay on the flower
        ASSERT_EQ(mole.hungry, tick == 100 ? 1 : 0) << tick;
    }
    const Vector3 where = mole.placement.position;
    int updates = 0;
    for (; mole.hungry == 1 && updates < 1000; ++updates) {
        moleFeeding(mole);
        EXPECT_EQ(mole.state, MoleState::Eating);
        updateMole(mole, kTick);
    }
    EXPECT_NEAR(updates, 100, 1);  // satiety sums the elapsed times in floats
    EXPECT_EQ(flower.eatenStage, 1);
    EXPECT_TRUE(mole.placement.position.x == where.x && mole.placement.position.z == where.z);
    moleFeeding(mole);
    EXPECT_EQ(mole.state, MoleState::Walking);

    // A gone flower not yet lost still takes the bite, to no effect.
    flower.state = FlowerState::Gone;
    flower.eatenStage = 2;
    mole.hungry = 1;
    mole.biteReady = 1;
    moleFeeding(mole);
    EXPECT_TRUE(mole.biteReady == 0 && mole.state == MoleState::Eating && flower.lost == 0);
    EXPECT_EQ(flower.eatenStage, 2);
}

TEST_F(Moles, StrikeScoresAtTheTestAndTheLastHitFliesWhenTheBlowLands)
{
    Mole& first = createMole(inReach(), 90, 0);
    Mole& second = createMole(Add(inReach(), {2, 0, 0}), 90, 1);
    createMole({200, 0, 0}, 90, 2);
    strikeMolesInReach();
    EXPECT_EQ(hud.score, 100);
    EXPECT_EQ(actionFlags.struckMole, &first);  // the last one in list order
    EXPECT_TRUE(first.state == MoleState::Paused && first.pauseTimer == 100.0f);
    const Vector3 before = first.placement.position;
    for (int i = 0; i < 10; ++i) molePass(kTick);
    EXPECT_EQ(first.placement.position.z, before.z);  // waits for the blow
    EXPECT_EQ(gameSession.molesLeft, 4);

    beatStruckMole();
    EXPECT_EQ(hud.score, 100);
    EXPECT_EQ(gameSession.molesLeft, 3);
    EXPECT_EQ(first.state, MoleState::Flying);
    EXPECT_EQ(second.state, MoleState::Paused);
    beatStruckMole();  // a blow that hit nobody beats nobody
    EXPECT_EQ(gameSession.molesLeft, 3);
    molePass(kTick);
    EXPECT_LT(first.placement.position.z, before.z);  // along the walking direction (0, 0, -1)
}

TEST_F(Moles, WhoCanBeStruckAndWhoBlocksTheGardener)
{
    using S = MoleState;
    const std::tuple<S, bool, bool> cases[] = {{S::Walking, true, true}, {S::Paused, true, true},
                                               {S::Fallen, false, true}, {S::Eating, false, false},
                                               {S::Flying, false, false}, {S::SlidingDown, false, false}};
    for (const auto& [state, struck, blocks] : cases) {
        clearMoles();
        hud.score = 0;
        createMole(inReach(), 90, 0).state = state;
        strikeMolesInReach();
        EXPECT_EQ(hud.score, struck ? 50 : 0) << moleStateName(state);
        createMole({0, 0, -40}, 90, 1).state = state;
        Vector3 step{0, 0, -30};
        resolveGardenerStep(step, kTick);
        EXPECT_EQ(step.z > -29.0f, blocks) << moleStateName(state);
    }
}

TEST_F(Moles, AFlyingMoleIgnoresGardenerMolesAndRakesAndWalkersIgnoreIt)
{
    putRake(rakes[0], {0, 0, -25});
    gardener.position = {0, 24, -8};
    createMole({0, 0, -12}, 0, 0).state = MoleState::Paused;
    Mole& flying = flyingMole({0, 0, 0}, {0, 0, -1});
    Mole curve;
    curve.flightStart = flying.flightStart;
    curve.flightControl = flying.flightControl;
    curve.flightEnd = flying.flightEnd;
    for (int i = 1; i <= 20; ++i) {
        molePass(kTick);
        const Vector3 expected = flightPoint(curve, i * kTick * 0.2f);
        ASSERT_EQ(flying.state, MoleState::Flying);
        EXPECT_NEAR(flying.placement.position.z, expected.z, 1e-3f);
        EXPECT_NEAR(flying.placement.position.y, expected.y, 1e-3f);
    }
    // A walker runs into a paused mole but not into a flying one.
    Mole& walker = createMole({300, 0, 0}, 0, 8);
    Mole& ahead = createMole({300, 0, 30}, 0, 9);
    for (const auto& [state, bounces] : {std::pair{MoleState::Flying, false}, {MoleState::Paused, true}}) {
        ahead.state = state;
        walker.state = MoleState::Walking;
        moleContacts(walker, 0.5f, kNoGardener, {});
        EXPECT_EQ(walker.state == MoleState::Paused, bounces);
    }
}

TEST_F(Moles, NearWallHitsLowAndSlidesDownFarWallSailsOverAndShrinksAway)
{
    if (!testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
    Mole& low = flyingMole({30, 0, -400}, {0, 0, -1});  // 100 from the wall z = -500
    updateWhile(low, MoleState::Flying, kTick);
    ASSERT_EQ(low.state, MoleState::SlidingDown);
    EXPECT_EQ(low.placement.position.z, -501.5f);
    EXPECT_TRUE(low.placement.position.y < 110.0f && low.placement.position.y > 14.0f);
    updateWhile(low, MoleState::SlidingDown, kTick);
    EXPECT_TRUE(low.state == MoleState::Fallen && low.placement.position.y == 14.0f);

    Mole& high = flyingMole({30, 0, 100}, {0, 0, -1});  // 600 away
    updateWhile(high, MoleState::Flying, kTick);
    ASSERT_EQ(high.state, MoleState::FlyingOff);
    EXPECT_NEAR(high.placement.position.z, -500.0f, 1e-3f);
    EXPECT_GE(high.placement.position.y, 110.0f);
    for (int frame = 1; frame <= 80; ++frame) {
        ASSERT_EQ(high.state, MoleState::FlyingOff) << frame;
        drawMoles(false, true, false, 0, 0, kTick);
        updateMole(high, kTick);
        EXPECT_NEAR(high.scale, frame < 80 ? 1.0f - 0.0125f * frame : 1.0f, 1e-4f);
    }
    EXPECT_EQ(high.state, MoleState::Removed);
    drawMoles(false, true, false, 0, 0, kTick);
    EXPECT_TRUE(moleListLength() == 1 && moleList.get() == &low);
}

TEST_F(Moles, TipOverOnEachSideEndsLyingInFrontOfTheFenceWithFliesFromStepFive)
{
    if (!inDataWithGl()) GTEST_SKIP() << "no display or no generated data";
    setFixedSeed(4242u);
    const std::tuple<Vector3, Vector3, std::int32_t, Vector3> sides[] = {
        {{40, 0, -400}, {0, 0, -1}, WallNearZ, {40, 5, -486}},
        {{40, 0, 400}, {0, 0, 1}, WallFarZ, {40, 5, 486}},
        {{-400, 0, 40}, {-1, 0, 0}, WallNearX, {-486, 5, 40}},
        {{400, 0, 40}, {1, 0, 0}, WallFarX, {486, 5, 40}}};
    for (const auto& [start, direction, wall, lying] : sides) {
        Mole& mole = flyingMole(start, direction);
        EXPECT_EQ(mole.wallSide, wall);
        updateWhile(mole, MoleState::Flying, kTick);
        updateWhile(mole, MoleState::SlidingDown, kTick);
        for (int step = 1; step <= 8; ++step) {
            seedRandom(1);
            updateMole(mole, kTick);
            EXPECT_EQ(mole.tipCount, std::min(step, 6));
            EXPECT_EQ(mole.flies, step >= 5 ? 1 : 0) << step;
            EXPECT_EQ(randomState() != 1, step == 5) << step;  // starting the flies reseeds the random source
        }
        EXPECT_TRUE(fliesActive());
        EXPECT_EQ(mole.state, MoleState::Fallen);
        EXPECT_LT(Distance(mole.placement.position, lying), 1e-3f) << wall;
    }
}

TEST_F(Moles, AFiveSecondFrameInTheFlightKeepsTheMoleInTheGarden)
{
    if (!inDataWithGl()) GTEST_SKIP() << "no display or no generated data";
    const Vector3 diagonal = Normalize({1, 0, -1});
    const std::pair<Vector3, Vector3> flights[] = {
        {{30, 0, -400}, {0, 0, -1}}, {{0, 0, 0}, diagonal}, {{480, 0, -480}, diagonal}, {{-100, 0, 300}, {0.3f, 0, 1}}};
    for (const auto& [start, direction] : flights) {
        Mole& mole = flyingMole(start, direction);
        updateMole(mole, 5.0f);
        EXPECT_TRUE(mole.flightT <= 1.0f && mole.state != MoleState::Flying);
        for (int i = 0; i < 100; ++i) updateMole(mole, 5.0f);
        const Vector3 p = mole.placement.position;
        // Lying in front of the fence (or gone over it at the wall).
        const bool acrossZ = mole.wallSide == WallNearZ || mole.wallSide == WallFarZ;
        const float across = 500.0f - std::fabs(acrossZ ? p.z : p.x);
        EXPECT_TRUE(std::fabs(p.x) <= 500.001f && std::fabs(p.z) <= 500.001f && p.y >= 0.0f) << start.x;
        EXPECT_TRUE(mole.state == MoleState::FlyingOff || std::fabs(across - 14.0f) < 1e-3f) << start.x;
    }
}

TEST_F(Moles, RemovedMolesLeaveTheListWhileTheOthersAreStillDrawn)
{
    if (!testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
    for (int removed = 0; removed < 3; ++removed) {  // front, middle, back
        clearMoles();
        for (int id = 0; id < 3; ++id) createMole({0, 0, 0}, 0, id).state = MoleState::FlyingOff;
        Mole* marked = moleList.get();
        for (int i = 0; i < removed; ++i) marked = marked->next.get();
        marked->state = MoleState::Removed;
        const std::int32_t removedId = marked->id;
        drawMoles(false, true, false, 0, 0, kTick);
        ASSERT_EQ(moleListLength(), 2);
        for (const Mole* mole = moleList.get(); mole; mole = mole->next.get()) {
            EXPECT_NE(mole->id, removedId);
            EXPECT_EQ(mole->shrinkCounter, 1) << "mole " << mole->id << " not drawn";  // one frame of shrinking
        }
    }
}

}  // namespace
