#include "garden/rake.h"

#include "assets/model_3ds.h"
#include "garden/flower_bed.h"
#include "garden_test_helpers.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

Rake rakeAt(float x, float z, float heading)
{
    Rake rake;
    rake.placement.setPosition(x, 0.0f, z);
    rake.placement.setHeading(heading);
    setRakeSpheres(rake);
    setRakeBounds(rake);
    return rake;
}

void expectSphere(const std::array<float, 4>& sphere, float x, float y, float z, float radius)
{
    constexpr float kTolerance = 1e-4f;
    EXPECT_NEAR(sphere[0], x, kTolerance);
    EXPECT_NEAR(sphere[1], y, kTolerance);
    EXPECT_NEAR(sphere[2], z, kTolerance);
    EXPECT_EQ(sphere[3], radius);
}

// What the gardener's movement does against one rake: blocked, and set off or not.
struct TrapResult {
    bool blocked = false;
    bool setOff = false;
    float distance = -1.0f;
};

TrapResult walkInto(const Rake& rake, Vector3 gardener, Vector3 step)
{
    TrapResult result;
    result.blocked = firstTineHit(rake, gardener, kGardenerTineRadius, step, result.distance);
    result.setOff = result.blocked && stepsOnTines(rake, step);
    return result;
}

}  // namespace

// ---------------------------------------------------------------------------
// Tine spheres and bounds

TEST(RakeSpheres, HeadingZeroKeepsTheOwnFrame)
{
    const Rake rake = rakeAt(0.0f, 0.0f, 0.0f);
    expectSphere(tineSphere(rake, 1), -1.0f, 0.0f, 0.0f, 5.0f);
    expectSphere(tineSphere(rake, 2), -1.0f, 0.0f, -6.0f, 5.0f);
    expectSphere(tineSphere(rake, 3), -1.0f, 0.0f, 6.0f, 5.0f);
    expectSphere(rake.placement.boundingSphere(), 21.0f, 0.0f, 0.0f, 25.0f);
    const Vector3 direction = tineDirection(rake);
    EXPECT_NEAR(direction.x, -1.0f, 1e-6f);
    EXPECT_NEAR(direction.z, 0.0f, 1e-6f);
}

TEST(RakeSpheres, HeadingNinetyTurnsTheHeadAndTheHandle)
{
    const Rake rake = rakeAt(0.0f, 0.0f, 90.0f);
    expectSphere(tineSphere(rake, 1), 0.0f, 0.0f, 1.0f, 5.0f);
    expectSphere(tineSphere(rake, 2), -6.0f, 0.0f, 1.0f, 5.0f);
    expectSphere(tineSphere(rake, 3), 6.0f, 0.0f, 1.0f, 5.0f);
    expectSphere(rake.placement.boundingSphere(), 0.0f, 0.0f, -21.0f, 25.0f);

    // Away from the origin the offsets ride on the position.
    const Rake moved = rakeAt(100.0f, -40.0f, 90.0f);
    expectSphere(tineSphere(moved, 2), 94.0f, 0.0f, -39.0f, 5.0f);
    // Tine numbers outside 1 to 3 stay inside the record.
    expectSphere(tineSphere(moved, 0), 100.0f, 0.0f, -39.0f, 5.0f);
    expectSphere(tineSphere(moved, 9), 106.0f, 0.0f, -39.0f, 5.0f);
}

// ---------------------------------------------------------------------------
// The trap

TEST(RakeTrap, WalkingAlongPlusXIntoTheHeadSetsItOff)
{
    const Rake rake = rakeAt(0.0f, 0.0f, 0.0f);
    const TrapResult result = walkInto(rake, {-30.0f, 0.0f, 0.0f}, {10.0f, 0.0f, 0.0f});
    EXPECT_TRUE(result.blocked);
    EXPECT_TRUE(result.setOff);
    EXPECT_GT(result.distance, 6.0f);
    EXPECT_LT(result.distance, 7.0f);  // 29 apart, 22 the sum of the radii
}

TEST(RakeTrap, WalkingAlongMinusXOffTheTinesOnlyBlocks)
{
    const Rake rake = rakeAt(0.0f, 0.0f, 0.0f);
    const TrapResult result = walkInto(rake, {28.0f, 0.0f, 0.0f}, {-10.0f, 0.0f, 0.0f});
    EXPECT_TRUE(result.blocked);
    EXPECT_FALSE(result.setOff);
}

TEST(RakeTrap, TurnedRakesFollowTheirHeadingAndStandingStillDoesNothing)
{
    const Rake rake = rakeAt(0.0f, 0.0f, 0.0f);
    EXPECT_TRUE(stepsOnTines(rake, {0.0f, 0.0f, 3.0f})) << "crossing the head sets it off";
    EXPECT_FALSE(stepsOnTines(rake, {0.0f, 0.0f, 0.0f}));
    EXPECT_FALSE(walkInto(rake, {-30.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}).blocked);
    EXPECT_FALSE(walkInto(rake, {-30.0f, 0.0f, 40.0f}, {10.0f, 0.0f, 0.0f}).blocked) << "passing beside";
    EXPECT_FALSE(walkInto(rake, {-60.0f, 0.0f, 0.0f}, {10.0f, 0.0f, 0.0f}).blocked) << "out of reach this tick";

    // Heading 90: the tines point to +z.
    const Rake turned = rakeAt(0.0f, 0.0f, 90.0f);
    EXPECT_FALSE(walkInto(turned, {0.0f, 0.0f, -30.0f}, {0.0f, 0.0f, 10.0f}).setOff);
    const TrapResult fromPlusZ = walkInto(turned, {0.0f, 0.0f, 30.0f}, {0.0f, 0.0f, -10.0f});
    EXPECT_TRUE(fromPlusZ.blocked);
    EXPECT_TRUE(fromPlusZ.setOff);
}

// ---------------------------------------------------------------------------
// Placement by the random source

TEST(RakePlacement, SeededSetUpPutsTheRakesWhereTheSeedSays)
{
    setDialogsEnabled(false);
    // The flower set-up comes first and must leave the draws to the rakes.
    const gardentest::FlowerDataOrScratchFolder inFolder;
    seedRandom(1);
    setUpFlowerBed(0);
    placeRakes();

    // The first draws from state 1 are 41, 18467, 6334, 26500, 19169, 15724.
    expectSphere({rakes[0].placement.position.x, rakes[0].placement.position.y, rakes[0].placement.position.z, 0.0f},
                 434.0f, 0.0f, 58.0f, 0.0f);
    EXPECT_EQ(rakes[0].placement.heading, 214.0f);
    expectSphere({rakes[1].placement.position.x, 0.0f, rakes[1].placement.position.z, 0.0f}, -375.0f, 0.0f,
                 306.0f, 0.0f);
    EXPECT_EQ(rakes[1].placement.heading, 244.0f);

    // All eight, against the generator written down independently.
    std::uint32_t state = 1;
    for (const Rake& rake : rakes) {
        const int forX = gardentest::referenceDraw(state);
        const int forZ = gardentest::referenceDraw(state);
        const int forHeading = gardentest::referenceDraw(state);
        EXPECT_EQ(rake.placement.position.x, static_cast<float>(475 - forX % 950));
        EXPECT_EQ(rake.placement.position.z, static_cast<float>(475 - forZ % 950));
        EXPECT_EQ(rake.placement.heading, static_cast<float>(forHeading % 360));
        EXPECT_GE(rake.placement.position.x, -474.0f);
        EXPECT_LE(rake.placement.position.x, 475.0f);
        // Spheres follow the drawn heading.
        const Vector3 toTines = Subtract(Vector3{tineSphere(rake, 1)[0], 0.0f, tineSphere(rake, 1)[2]},
                                         rake.placement.position);
        const Vector3 direction = tineDirection(rake);
        EXPECT_NEAR(toTines.x, direction.x, 1e-4f);
        EXPECT_NEAR(toTines.z, direction.z, 1e-4f);
        EXPECT_EQ(rake.placement.radius, 25.0f);
    }
    EXPECT_EQ(randomState(), state) << "exactly three draws per rake";
}

// ---------------------------------------------------------------------------
// The swing, counted in drawn frames

class RakeSwing : public ::testing::Test {
protected:
    void SetUp() override
    {
        setDialogsEnabled(false);
        if (!testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
        gardentest::lookAt(0.0f, 80.0f, 120.0f, 0.0f, 0.0f, 0.0f);
        rake = rakeAt(0.0f, 0.0f, 0.0f);
    }
    Rake rake;
};

TEST_F(RakeSwing, NeedsThirtyDrawnFramesAndPeaksAtSeventyFive)
{
    triggerRake(rake);
    float peak = 0.0f;
    int frames = 0;
    while (rake.swinging || rake.swingAngle > 0.0f) {
        drawRake(rake, false, true, false);
        ++frames;
        peak = std::max(peak, rake.swingAngle);
        if (frames == 15) {
            EXPECT_EQ(rake.swingAngle, 75.0f);
            EXPECT_FALSE(rake.swinging);
        }
        ASSERT_LE(frames, 100) << "the swing never ends";
    }
    EXPECT_EQ(frames, 30);
    EXPECT_EQ(peak, 75.0f);
    EXPECT_EQ(rake.swingAngle, 0.0f);

    // At rest, drawing leaves it at rest.
    drawRake(rake, true, false, false);
    EXPECT_EQ(rake.swingAngle, 0.0f);
    EXPECT_FALSE(rake.swinging);
}

TEST_F(RakeSwing, TriggerDuringTheFallRisesAgainFromTheCurrentAngle)
{
    triggerRake(rake);
    for (int frame = 0; frame < 20; ++frame) drawRake(rake, false, false, false);
    EXPECT_EQ(rake.swingAngle, 50.0f);
    EXPECT_FALSE(rake.swinging);
    triggerRake(rake);
    drawRake(rake, false, false, false);
    EXPECT_EQ(rake.swingAngle, 55.0f);
    int frames = 1;
    while (rake.swinging || rake.swingAngle > 0.0f) {
        drawRake(rake, false, false, false);
        ++frames;
        ASSERT_LE(frames, 100);
    }
    EXPECT_EQ(frames, 5 + 15);  // up to 75 in five, back down in fifteen
}

TEST_F(RakeSwing, LoadedRakeIsDrawnFromItsListAndItsModel)
{
    if (!gardentest::haveRakeData()) GTEST_SKIP() << "generated models not there yet";
    gardentest::WorkingDirectory inData(testsupport::generatedDataDir());
    {
        // A missing picture would end the process; wait for the generator instead.
        MeshModel probe;
        Model3dsReader reader;
        ASSERT_TRUE(reader.import(probe, "modelle/rechen_zacken.3ds"));
        for (const MeshMaterial& material : probe.materials) {
            if (!material.textureFileName.empty() && !std::filesystem::exists(material.textureFileName))
                GTEST_SKIP() << material.textureFileName << " not there yet";
        }
    }
    ASSERT_TRUE(loadRakeAssets());
    ASSERT_NE(rakeListName(), 0u);
    ASSERT_FALSE(rakeTextures.empty());
    EXPECT_NE(rakeTextures[0], 0u);

    const int fromList = gardentest::countDrawnPrimitives([&] { drawRake(rake, true, false, false); });
    const int fromModel = gardentest::countDrawnPrimitives([&] { drawRake(rake, false, true, false); });
    EXPECT_GT(fromList, 0);
    EXPECT_EQ(fromList, fromModel);

    // A rake far behind the camera costs no drawing.
    Rake behind = rakeAt(0.0f, 400.0f, 0.0f);
    EXPECT_EQ(gardentest::countDrawnPrimitives([&] { drawRake(behind, true, false, false); }), 0);
    releaseRakeAssets();
    EXPECT_EQ(rakeListName(), 0u);
}
