// Moles: creation, walking, bouncing, hunger and bites, the strike and the
// flight against or over the fence, and the list while it is drawn.
#include "garden/mole.h"

#include "app/game_state.h"
#include "app/hud.h"
#include "app/tick.h"
#include "garden/flower_bed.h"
#include "garden/rake.h"
#include "garden_test_helpers.h"
#include "platform/message_box.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr float kTick = 0.02f;
const Sphere kGardenerFarAway{{5000.0f, 0.0f, 5000.0f}, 15.0f};

// No rake, flower or gardener anywhere near, an empty list.
class Moles : public ::testing::Test {
protected:
    void SetUp() override
    {
        setDialogsEnabled(false);
        clearMoles();
        rummageTimer = 0.0f;
        for (Rake& rake : rakes) {
            rake = Rake{};
            rake.placement.setPosition(4000.0f, 0.0f, 4000.0f);
            setRakeSpheres(rake);
            setRakeBounds(rake);
        }
        for (Flower& flower : flowerBed) {
            flower = Flower{};
            flower.state = FlowerState::Gone;
            flower.lost = 1;
            flower.placement.setPosition(-4000.0f, 0.0f, -4000.0f);
            setFlowerBounds(flower);
        }
        gardener = Gardener{};
        resetGardenerPlacement(gardener);
        gardener.position = {3000.0f, 24.0f, 3000.0f};
        actionFlags = ActionFlags{};
        gameSession = GameSession{};
        hud.score = 0;
    }
    void TearDown() override { clearMoles(); }

    std::vector<const Mole*> listed() const
    {
        std::vector<const Mole*> moles;
        for (const Mole* mole = moleList.get(); mole; mole = mole->next.get()) moles.push_back(mole);
        return moles;
    }
};

// Runs the mole's updates of a flight until it leaves state, at most limit updates.
int updateWhile(Mole& mole, MoleState state, float elapsed, int limit = 100000)
{
    int updates = 0;
    while (mole.state == state && updates < limit) {
        updateMole(mole, elapsed);
        ++updates;
    }
    return updates;
}

Mole& flyingMole(Vector3 position, Vector3 direction)
{
    Mole& mole = createMole(position, 0.0f, static_cast<std::int32_t>(moleListLength()));
    knockAwayMole(mole, direction);
    setMoleState(mole, MoleState::Flying, 0.0f);
    return mole;
}

// ---------------------------------------------------------------------------

TEST_F(Moles, RoundSetUpDrawsPlaceAndHeadingAndListsTheNewestFirst)
{
    seedRandom(31);
    std::uint32_t reference = 31;
    createRoundMoles(4);
    const auto moles = listed();
    ASSERT_EQ(moles.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const Mole& mole = *moles[static_cast<std::size_t>(3 - i)];  // id 0 is last
        const int r1 = gardentest::referenceDraw(reference);
        const int r2 = gardentest::referenceDraw(reference);
        const int r3 = gardentest::referenceDraw(reference);
        EXPECT_EQ(mole.id, i);
        EXPECT_EQ(mole.placement.position.x, 475.0f - static_cast<float>(r1 % 950));
        EXPECT_EQ(mole.placement.position.y, 0.0f);
        EXPECT_EQ(mole.placement.position.z, 475.0f - static_cast<float>(r2 % 950));
        EXPECT_EQ(mole.placement.heading, static_cast<float>(r3 % 360));
        EXPECT_EQ(mole.state, MoleState::Walking);
        EXPECT_EQ(mole.satiety, 100.0f);
        EXPECT_EQ(mole.biteReady, 1);
        EXPECT_EQ(mole.placement.radius, 13.0f);
    }
    EXPECT_EQ(randomState(), reference);
    clearMoles();
    EXPECT_EQ(moleListLength(), 0);
}

TEST_F(Moles, WalkingFollowsTheHeadingAtTwentyUnitsASecondWhileTheBodySwings)
{
    struct Case {
        float heading;
        float dx, dz;
    };
    for (const Case c : {Case{0, 0, 20}, Case{90, 20, 0}, Case{180, 0, -20}, Case{270, -20, 0}}) {
        Mole& mole = createMole({0, 0, 0}, c.heading, 0);
        float lowest = mole.placement.heading;
        float highest = mole.placement.heading;
        for (int i = 0; i < 50; ++i) {
            updateMole(mole, kTick);
            lowest = std::min(lowest, mole.placement.heading);
            highest = std::max(highest, mole.placement.heading);
        }
        EXPECT_NEAR(mole.placement.position.x, c.dx, 1e-3f) << c.heading;
        EXPECT_NEAR(mole.placement.position.z, c.dz, 1e-3f) << c.heading;
        EXPECT_GT(highest - lowest, 5.0f);  // the wobble turns the body, not the path
        clearMoles();
    }
}

TEST_F(Moles, FenceBounceAlwaysTurnsBackIntoTheGarden)
{
    struct Wall {
        Vector3 start;
        float heading;  // straight at the wall
        Vector3 inward;
        int offset;
    };
    const Wall walls[] = {
        {{0, 0, -470}, 180, {0, 0, 1}, 270},
        {{0, 0, 470}, 0, {0, 0, -1}, 90},
        {{-470, 0, 0}, 270, {1, 0, 0}, 0},
        {{470, 0, 0}, 90, {-1, 0, 0}, 180},
    };
    for (const Wall& wall : walls) {
        for (int draw = 0; draw < 180; ++draw) {
            Mole& mole = createMole(wall.start, wall.heading, 0);
            // Walk up to the wall until the bounce.
            for (int i = 0; i < 200 && mole.state == MoleState::Walking; ++i) {
                moleContacts(mole, kTick, kGardenerFarAway, {});
                if (mole.state == MoleState::Walking) updateMole(mole, kTick);
            }
            ASSERT_EQ(mole.state, MoleState::Paused);
            seedRandom(gardentest::seedWithNextDraw(draw));
            mole.state = MoleState::Walking;
            mole.placement.setHeading(wall.heading);
            computeMoleDirection(mole);
            moleContacts(mole, kTick, kGardenerFarAway, {});
            ASSERT_EQ(mole.state, MoleState::Paused) << draw;
            EXPECT_EQ(mole.placement.heading, static_cast<float>((draw + wall.offset) % 360));
            EXPECT_GT(Dot(mole.direction, wall.inward), -1e-4f) << draw;
            // Twenty seconds of walking on keep it inside, whatever it meets.
            for (int i = 0; i < 1000; ++i) {
                if (mole.state == MoleState::Walking) moleContacts(mole, kTick, kGardenerFarAway, {});
                updateMole(mole, kTick);
            }
            const Vector3 p = mole.placement.position;
            EXPECT_TRUE(std::fabs(p.x) < 500.0f - 12.0f && std::fabs(p.z) < 500.0f - 12.0f)
                << draw << ": " << p.x << ", " << p.z;
            clearMoles();
        }
    }
}

TEST_F(Moles, BumpingIntoMolesAndRakesTurnsAwayWithAShortPause)
{
    // A rake ahead, then a standing mole ahead, then a walking one coming the other way.
    rakes[0].placement.setPosition(0, 0, 25);
    setRakeSpheres(rakes[0]);
    Mole& walker = createMole({0, 0, 0}, 0, 0);
    moleContacts(walker, 0.5f, kGardenerFarAway, {});
    EXPECT_EQ(walker.state, MoleState::Paused);
    EXPECT_FLOAT_EQ(walker.pauseTimer, 0.01f);
    rakes[0].placement.setPosition(4000, 0, 4000);
    setRakeSpheres(rakes[0]);

    for (MoleState otherState : {MoleState::Paused, MoleState::Fallen, MoleState::Walking, MoleState::Eating,
                                 MoleState::Flying}) {
        clearMoles();
        Mole& other = createMole({0, 0, 33}, 180, 1);
        other.state = otherState;
        Mole& mole = createMole({0, 0, 0}, 0, 0);
        moleContacts(mole, 0.5f, kGardenerFarAway, {});
        const bool bounces = otherState != MoleState::Eating && otherState != MoleState::Flying;
        EXPECT_EQ(mole.state == MoleState::Paused, bounces) << moleStateName(otherState);
    }
}

TEST_F(Moles, TheGardenerPausesAMoleAndATouchTurnsItRoundAfterALongPause)
{
    Mole& mole = createMole({0, 0, 0}, 0, 0);
    const Sphere body{{0, -11, 35}, 15};
    moleContacts(mole, 0.5f, body, {0, 0, -5});
    EXPECT_EQ(mole.state, MoleState::Paused);
    EXPECT_FLOAT_EQ(mole.pauseTimer, 1.5f);
    EXPECT_TRUE(mole.longPause);
    EXPECT_TRUE(mole.touchedGardener);
    updateWhile(mole, MoleState::Paused, kTick);
    EXPECT_EQ(mole.placement.heading, 180.0f);
    EXPECT_NEAR(mole.direction.z, -20.0f, 1e-4f);
    EXPECT_FALSE(mole.longPause || mole.touchedGardener);
}

// ---------------------------------------------------------------------------
// Hunger and bites.

class MoleFeeding : public Moles {
protected:
    void SetUp() override
    {
        Moles::SetUp();
        inFolder_.emplace();
        Flower& flower = flowerBed[5];
        flower = Flower{};
        flower.placement.setPosition(0, 0, 0);
        setFlowerBounds(flower);
    }
    std::optional<gardentest::FlowerDataOrScratchFolder> inFolder_;
};

TEST_F(MoleFeeding, HundredTouchesMakeHungryThenTheMoleBitesAndEatsInPlace)
{
    Mole& mole = createMole(flowerSphereCentre(flowerBed[5]), 0, 0);
    constexpr float kSlow = 0.001f;  // stays on the flower
    for (int tick = 1; tick <= 100; ++tick) {
        moleFeeding(mole);
        updateMole(mole, kSlow);
        ASSERT_EQ(mole.hungry, tick == 100 ? 1 : 0) << tick;
    }
    EXPECT_EQ(mole.satiety, 0.0f);
    moleFeeding(mole);
    EXPECT_EQ(mole.state, MoleState::Eating);
    EXPECT_EQ(flowerBed[5].eatenStage, 1);
    EXPECT_EQ(mole.biteReady, 0);
    const Vector3 where = mole.placement.position;
    // Eating: no second bite, no movement, until 100 updates have refilled it.
    int updates = 0;
    while (mole.hungry == 1 && updates < 1000) {
        moleFeeding(mole);
        updateMole(mole, kTick);
        ++updates;
    }
    EXPECT_NEAR(updates, 100, 1);  // satiety sums the elapsed times in floats
    EXPECT_EQ(flowerBed[5].eatenStage, 1);
    EXPECT_EQ(mole.placement.position.x, where.x);
    EXPECT_EQ(mole.placement.position.z, where.z);
    moleFeeding(mole);
    EXPECT_EQ(mole.state, MoleState::Walking);
    EXPECT_NE(mole.satiety, std::floor(mole.satiety));  // no longer whole: hungry almost never again
}

TEST_F(MoleFeeding, GoneFlowerNotYetLostStillTakesTheBite)
{
    Flower& flower = flowerBed[5];
    flower.state = FlowerState::Gone;
    flower.eatenStage = 2;
    Mole& mole = createMole(flowerSphereCentre(flower), 0, 0);
    mole.hungry = 1;
    mole.satiety = 0;
    moleFeeding(mole);
    EXPECT_EQ(mole.biteReady, 0);
    EXPECT_EQ(mole.state, MoleState::Eating);
    EXPECT_EQ(flower.state, FlowerState::Gone);
    EXPECT_EQ(flower.lost, 0);
    // A mole that is not hungry and does not touch it marks it lost and walks on.
    Mole& passer = createMole({600, 0, 0}, 0, 1);
    passer.state = MoleState::Eating;
    moleFeeding(passer);
    EXPECT_EQ(flower.lost, 1);
    EXPECT_EQ(passer.state, MoleState::Walking);
    EXPECT_EQ(passer.biteReady, 1);
}

// ---------------------------------------------------------------------------
// Strike and flight.

class MoleStrike : public Moles {
protected:
    void SetUp() override
    {
        Moles::SetUp();
        gardener.position = {0, 24, 0};
        gameSession.molesLeft = 4;
    }
    Vector3 inReach() const
    {
        const Sphere strike = strikeSphere(gardener);
        return {strike.centre.x, 0.0f, strike.centre.z};
    }
};

TEST_F(MoleStrike, ScoreAtTheTestFlightWhenTheBlowLands)
{
    Mole& mole = createMole(inReach(), 90, 0);
    strikeMolesInReach();
    EXPECT_EQ(hud.score, 50);
    EXPECT_EQ(actionFlags.struckMole, &mole);
    EXPECT_EQ(mole.state, MoleState::Paused);
    EXPECT_FLOAT_EQ(mole.pauseTimer, 100.0f);
    EXPECT_EQ(gameSession.molesLeft, 4);
    const Vector3 before = mole.placement.position;
    for (int i = 0; i < 10; ++i) molePass(kTick);
    EXPECT_EQ(mole.placement.position.x, before.x);  // waits for the blow
    EXPECT_EQ(mole.placement.position.z, before.z);

    beatStruckMole();
    EXPECT_EQ(hud.score, 50);
    EXPECT_EQ(mole.state, MoleState::Flying);
    EXPECT_EQ(gameSession.molesLeft, 3);
    EXPECT_EQ(actionFlags.struckMole, nullptr);
    molePass(kTick);
    EXPECT_LT(mole.placement.position.z, before.z);  // along the walking direction (0, 0, -1)
    EXPECT_GT(mole.placement.position.y, 0.0f);
}

TEST_F(MoleStrike, TwoMolesInOneStrikeBothScoreOneFlies)
{
    Mole& first = createMole(inReach(), 0, 0);
    Mole& second = createMole(Add(inReach(), {2, 0, 0}), 0, 1);
    strikeMolesInReach();
    EXPECT_EQ(hud.score, 100);
    EXPECT_EQ(actionFlags.struckMole, &first);  // the last in list order
    beatStruckMole();
    EXPECT_EQ(first.state, MoleState::Flying);
    EXPECT_EQ(second.state, MoleState::Paused);
    EXPECT_EQ(gameSession.molesLeft, 3);
    beatStruckMole();  // a blow without a struck mole beats nobody
    EXPECT_EQ(gameSession.molesLeft, 3);
}

TEST_F(MoleStrike, WhichStatesCanBeStruckAndWhichBlockTheGardener)
{
    struct Case {
        MoleState state;
        bool struck;
        bool blocks;
    };
    const Case cases[] = {
        {MoleState::Walking, true, true},      {MoleState::Paused, true, true},
        {MoleState::Fallen, false, true},      {MoleState::Eating, false, false},
        {MoleState::Flying, false, false},     {MoleState::FlyingOff, false, false},
        {MoleState::SlidingDown, false, false},
    };
    for (const Case& c : cases) {
        clearMoles();
        hud.score = 0;
        actionFlags.struckMole = nullptr;
        Mole& mole = createMole(inReach(), 90, 0);
        mole.state = c.state;
        strikeMolesInReach();
        EXPECT_EQ(hud.score, c.struck ? 50 : 0) << moleStateName(c.state);

        Mole& ahead = createMole({0, 0, -40}, 90, 1);
        ahead.state = c.state;
        Vector3 step{0, 0, -30};
        resolveGardenerStep(step, kTick);
        EXPECT_EQ(step.z > -29.0f, c.blocks) << moleStateName(c.state) << " " << step.z;
    }
}

TEST_F(MoleStrike, AFlyingMoleIgnoresGardenerMolesAndRakes)
{
    // Flying along -z from (0, 0, 0): a rake, a standing mole and the gardener
    // lie on its way at ground level.
    rakes[0].placement.setPosition(0, 0, -20);
    setRakeSpheres(rakes[0]);
    Mole& standing = createMole({0, 0, -12}, 90, 0);
    standing.state = MoleState::Paused;
    standing.pauseTimer = 50;
    gardener.position = {0, 24, -8};
    Mole& flying = flyingMole({0, 0, 0}, {0, 0, -1});
    Mole expected;
    expected.flightStart = flying.flightStart;
    expected.flightControl = flying.flightControl;
    expected.flightEnd = flying.flightEnd;
    float t = 0;
    for (int i = 0; i < 20; ++i) {
        molePass(kTick);
        t += kTick * 0.2f;
        const Vector3 onCurve = flightPoint(expected, t);
        ASSERT_EQ(flying.state, MoleState::Flying);
        EXPECT_NEAR(flying.placement.position.z, onCurve.z, 1e-3f);
        EXPECT_NEAR(flying.placement.position.y, onCurve.y, 1e-3f);
    }
    EXPECT_EQ(standing.state, MoleState::Paused);
}

TEST_F(MoleStrike, NearWallHitsLowAndSlidesDownFarWallSailsOverAndShrinksAway)
{
    if (!testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
    // 100 units from the wall z = -500: low at the fence, stuck just outside it.
    Mole& low = flyingMole({30, 0, -400}, {0, 0, -1});
    EXPECT_EQ(low.wallSide, WallNearZ);
    updateWhile(low, MoleState::Flying, kTick);
    ASSERT_EQ(low.state, MoleState::SlidingDown);
    EXPECT_FLOAT_EQ(low.placement.position.z, -501.5f);
    EXPECT_LT(low.placement.position.y, 110.0f);
    EXPECT_GT(low.placement.position.y, 14.0f);
    EXPECT_EQ(low.placement.heading, 180.0f);
    updateWhile(low, MoleState::SlidingDown, kTick);
    EXPECT_EQ(low.state, MoleState::Fallen);
    EXPECT_EQ(low.placement.position.y, 14.0f);

    // 600 units away: over the fence, then 80 drawn frames to vanish.
    Mole& high = flyingMole({30, 0, 100}, {0, 0, -1});
    updateWhile(high, MoleState::Flying, kTick);
    ASSERT_EQ(high.state, MoleState::FlyingOff);
    EXPECT_NEAR(high.placement.position.z, -500.0f, 1e-3f);
    EXPECT_GE(high.placement.position.y, 110.0f);
    for (int frame = 1; frame <= 80; ++frame) {
        ASSERT_EQ(high.state, MoleState::FlyingOff) << frame;
        drawMole(high, false, true, false, 0, 0, kTick);
        updateMole(high, kTick);
        if (frame < 80) {
            EXPECT_NEAR(high.scale, 1.0f - 0.0125f * frame, 1e-4f);
        }
    }
    EXPECT_EQ(high.state, MoleState::Removed);
    EXPECT_EQ(moleListLength(), 2);
    drawMoles(false, true, false, 0, 0, kTick);
    ASSERT_EQ(moleListLength(), 1);
    EXPECT_EQ(moleList.get(), &low);
}

TEST_F(MoleStrike, TipOverOnEachSideEndsLyingInFrontOfTheFenceWithFlies)
{
    struct Side {
        Vector3 start;
        Vector3 direction;
        std::int32_t wall;
        int axis;  // 0 x, 2 z
        float lying;
    };
    const Side sides[] = {
        {{40, 0, -400}, {0, 0, -1}, WallNearZ, 2, -486},
        {{40, 0, 400}, {0, 0, 1}, WallFarZ, 2, 486},
        {{-400, 0, 40}, {-1, 0, 0}, WallNearX, 0, -486},
        {{400, 0, 40}, {1, 0, 0}, WallFarX, 0, 486},
    };
    for (const Side& side : sides) {
        clearMoles();
        Mole& mole = flyingMole(side.start, side.direction);
        EXPECT_EQ(mole.wallSide, side.wall);
        updateWhile(mole, MoleState::Flying, kTick);
        updateWhile(mole, MoleState::SlidingDown, kTick);
        ASSERT_EQ(mole.state, MoleState::Fallen);
        for (int step = 1; step <= 8; ++step) {
            updateMole(mole, kTick);
            EXPECT_EQ(mole.tipCount, std::min(step, 6));
            EXPECT_EQ(mole.flies, step >= 5 ? 1 : 0) << step;
        }
        const Vector3 p = mole.placement.position;
        const float across = side.axis == 0 ? p.x : p.z;
        EXPECT_NEAR(across, side.lying, 1e-3f) << side.wall;
        EXPECT_NEAR(p.y, 5.0f, 1e-3f) << side.wall;
        EXPECT_EQ(mole.state, MoleState::Fallen);
    }
}

TEST_F(MoleStrike, AFiveSecondFrameInTheFlightKeepsTheMoleInTheGarden)
{
    const Vector3 diagonal = Normalize({1, 0, -1});
    const struct {
        Vector3 start;
        Vector3 direction;
    } flights[] = {
        {{30, 0, -400}, {0, 0, -1}}, {{0, 0, 0}, {1, 0, 0}}, {{-450, 0, 450}, {-1, 0, 0}},
        {{0, 0, 0}, diagonal},       {{480, 0, -480}, diagonal}, {{-100, 0, 300}, {0.3f, 0, 1}},
    };
    for (const auto& flight : flights) {
        clearMoles();
        Mole& mole = flyingMole(flight.start, flight.direction);
        updateMole(mole, 5.0f);
        EXPECT_LE(mole.flightT, 1.0f);
        EXPECT_NE(mole.state, MoleState::Flying);
        for (int i = 0; i < 600; ++i) updateMole(mole, 5.0f);
        const Vector3 p = mole.placement.position;
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
        // Lying in front of the fence, or (sailed over) at the wall.
        const bool lying = mole.state == MoleState::Fallen;
        const float limit = lying ? 486.0f + 1e-3f : 500.0f + 1e-3f;
        EXPECT_TRUE(lying || mole.state == MoleState::FlyingOff);
        EXPECT_LE(std::fabs(p.x), lying ? 500.0f + 1e-3f : limit) << flight.start.x << "," << flight.start.z;
        EXPECT_LE(std::fabs(p.z), lying ? 500.0f + 1e-3f : limit) << flight.start.x << "," << flight.start.z;
        EXPECT_TRUE(!lying || std::fabs(p.x) <= limit || std::fabs(p.z) <= limit);
        EXPECT_GE(p.y, 0.0f);
    }
}

// ---------------------------------------------------------------------------
// The list while it is drawn.

TEST_F(Moles, RemovedMolesLeaveTheListWhileTheOthersAreStillDrawn)
{
    if (!testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
    for (int removed = 0; removed < 3; ++removed) {
        clearMoles();
        for (int id = 0; id < 3; ++id) createMole({0, 0, 0}, 0, id).state = MoleState::FlyingOff;
        // List order is 2, 1, 0; the drawn moles count one shrink frame each.
        Mole* marked = moleList.get();
        for (int i = 0; i < removed; ++i) marked = marked->next.get();
        marked->state = MoleState::Removed;
        const std::int32_t removedId = marked->id;
        drawMoles(false, true, false, 0, 0, kTick);
        const auto moles = listed();
        ASSERT_EQ(moles.size(), 2u);
        for (const Mole* mole : moles) {
            EXPECT_NE(mole->id, removedId);
            EXPECT_EQ(mole->shrinkCounter, 1) << "mole " << mole->id << " not drawn";
        }
        EXPECT_GT(moles[0]->id, moles[1]->id);
    }
}

TEST_F(Moles, ThePassAgesTheBedOncePerListedMole)
{
    // Calm flowers draw one random number per update; moles far from
    // anything draw none, so the draws count the updates.
    for (Flower& flower : flowerBed) {
        flower = Flower{};
        flower.placement.setPosition(-4000, 0, -4000);
    }
    flowerBed[3].state = FlowerState::Gone;  // a gone flower does not age
    for (int moles = 0; moles <= 3; ++moles) {
        clearMoles();
        for (int id = 0; id < moles; ++id) createMole({-300.0f + 200.0f * id, 0, 0}, 0, id);
        seedRandom(77);
        std::uint32_t reference = 77;
        molePass(kTick);
        for (int update = 0; update < moles * 15; ++update) gardentest::referenceDraw(reference);
        EXPECT_EQ(randomState(), reference) << moles << " moles";
    }
}

}  // namespace
