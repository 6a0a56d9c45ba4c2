#include "garden/flower_bed.h"

#include "assets/model_3ds.h"
#include "garden_test_helpers.h"
#include "platform/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

using gardentest::seedWithNextDraw;
using gardentest::seedWithNonZeroDraw;

using gardentest::importModel;
using gardentest::verticesOf;

namespace {

constexpr float kTick = 1.0f / 60.0f;

// A flower as the round set-up leaves it at level 0, without touching files.
Flower freshFlower(int level = 0)
{
    Flower flower;
    resetFlower(flower, level);
    setFlowerBounds(flower);
    return flower;
}

// The flower's calm period is over and the given trouble has come.
void enterTrouble(Flower& flower, int nextTrouble)
{
    flower.calmCountdown = 0.0f;
    flower.nextTrouble = nextTrouble;
}


void expectSameVertices(const std::vector<Vector3>& actual, const std::vector<Vector3>& expected,
                        float tolerance)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t k = 0; k < actual.size(); ++k) {
        ASSERT_NEAR(actual[k].x, expected[k].x, tolerance) << "vertex " << k;
        ASSERT_NEAR(actual[k].y, expected[k].y, tolerance) << "vertex " << k;
        ASSERT_NEAR(actual[k].z, expected[k].z, tolerance) << "vertex " << k;
    }
}

class FlowerCycle : public ::testing::Test {
protected:
    void SetUp() override { setDialogsEnabled(false); }
    Flower flower = freshFlower();
};

}  // namespace

// ---------------------------------------------------------------------------
// Round set-up

TEST(FlowerBedSetUp, PlacesTheGridAndResetsEveryFlowerWithoutDrawingRandomNumbers)
{
    setDialogsEnabled(false);
    // Work where the models are when they exist; the placement does not depend on them.
    const gardentest::FlowerDataOrScratchFolder inFolder;

    // Leftovers of a previous round.
    Flower& previous = flowerBed[5];
    previous.state = FlowerState::Gone;
    previous.eatenStage = 2;
    previous.lost = 1;
    previous.changing = true;
    previous.stepCounter = 7;
    previous.beingWatered = true;
    previous.beingSprayed = true;
    previous.nextTrouble = 0;

    seedRandom(4321);
    setUpFlowerBed(0);
    EXPECT_EQ(randomState(), 4321u) << "the flower set-up must not use the random source";

    const auto position = [](int index) { return flowerBed[static_cast<std::size_t>(index)].placement.position; };
    EXPECT_EQ(position(0).x, -300.0f);
    EXPECT_EQ(position(0).z, -300.0f);
    EXPECT_EQ(position(3).x, -300.0f);
    EXPECT_EQ(position(3).z, 300.0f);
    EXPECT_EQ(position(12).x, 300.0f);
    EXPECT_EQ(position(12).z, -300.0f);
    EXPECT_EQ(position(6).x, -100.0f);
    EXPECT_EQ(position(6).z, 100.0f);

    const auto sphere = flowerBoundingSphere(flowerBed[0]);
    EXPECT_EQ(sphere[0], -296.0f);
    EXPECT_EQ(sphere[1], 7.0f);
    EXPECT_EQ(sphere[2], -309.0f);
    EXPECT_EQ(sphere[3], 35.0f);

    for (const Flower& flower : flowerBed) {
        EXPECT_EQ(flower.placement.position.y, 0.0f);
        EXPECT_EQ(flower.placement.heading, 0.0f);
        EXPECT_EQ(flowerState(flower), FlowerState::Healthy);
        EXPECT_EQ(flowerEatenStage(flower), 0);
        EXPECT_EQ(flower.lost, 0);
        EXPECT_FALSE(flower.changing);
        EXPECT_EQ(flower.stepCounter, 0);
        EXPECT_EQ(flower.nextTrouble, 1) << "the first trouble of a round is always drying";
        EXPECT_EQ(flower.sprayingCountdown, 5);
        EXPECT_EQ(flower.wateringCountdown, 0.0f);
        EXPECT_EQ(flower.calmCountdown, 10000.0f);
        EXPECT_EQ(flower.drynessCountdown, 10000.0f);
        EXPECT_EQ(flower.liceCountdown, 10000.0f);
    }
    // The care flags carry over into the new round.
    EXPECT_TRUE(previous.beingWatered);
    EXPECT_TRUE(previous.beingSprayed);
}

TEST(FlowerBedSetUp, LevelShortensTheStartAndRefillCountdowns)
{
    Flower atTwo = freshFlower(2);
    EXPECT_EQ(atTwo.calmCountdown, 6400.0f);
    EXPECT_EQ(atTwo.drynessCountdown, 6400.0f);
    EXPECT_EQ(atTwo.liceCountdown, 6400.0f);

    // Refill while watering in a drying period.
    enterTrouble(atTwo, 1);
    atTwo.drynessCountdown = 3.0f;
    startWatering(atTwo);
    updateFlower(atTwo, kTick, 2);
    EXPECT_EQ(atTwo.drynessCountdown, 9025.0f);

    // Refill while spraying in a lice period, and the calm after the cure.
    Flower lice = freshFlower(2);
    enterTrouble(lice, 0);
    lice.liceCountdown = 3.0f;
    startSpraying(lice);
    updateFlower(lice, kTick, 2);
    EXPECT_EQ(lice.liceCountdown, 9025.0f);
    for (int i = 0; i < 4; ++i) updateFlower(lice, kTick, 2);
    EXPECT_FALSE(lice.beingSprayed);
    EXPECT_EQ(lice.calmCountdown, 9025.0f);

    // Level 0 refills to 10000.
    Flower atZero = freshFlower(0);
    enterTrouble(atZero, 1);
    atZero.drynessCountdown = 3.0f;
    startWatering(atZero);
    updateFlower(atZero, kTick, 0);
    EXPECT_EQ(atZero.drynessCountdown, 10000.0f);
}

// ---------------------------------------------------------------------------
// The trouble cycle

TEST_F(FlowerCycle, CalmUpdateChangesOnlyTheCalmCountdownWhateverTheFlags)
{
    flower.state = FlowerState::Dry2;
    flower.nextTrouble = 0;
    flower.drynessCountdown = 0.0f;
    flower.liceCountdown = 0.0f;
    startWatering(flower);
    startSpraying(flower);
    flower.calmCountdown = 2.0f;
    const Flower before = flower;

    // The draw decides the decrement: elapsed / r with the full 15-bit r.
    const int r = 30000;
    seedRandom(seedWithNextDraw(r));
    updateFlower(flower, 3.0f, 0);
    EXPECT_FLOAT_EQ(flower.calmCountdown, 2.0f - 3.0f / static_cast<float>(r));

    EXPECT_EQ(flower.state, before.state);
    EXPECT_EQ(flower.nextTrouble, before.nextTrouble);
    EXPECT_EQ(flower.drynessCountdown, before.drynessCountdown);
    EXPECT_EQ(flower.liceCountdown, before.liceCountdown);
    EXPECT_EQ(flower.wateringCountdown, before.wateringCountdown);
    EXPECT_EQ(flower.sprayingCountdown, before.sprayingCountdown);
    EXPECT_EQ(flower.beingWatered, before.beingWatered);
    EXPECT_EQ(flower.beingSprayed, before.beingSprayed);
    EXPECT_EQ(flower.changing, before.changing);
    EXPECT_EQ(flower.lost, before.lost);
    EXPECT_EQ(flower.eatenStage, before.eatenStage);
}

TEST_F(FlowerCycle, ZeroDrawEndsTheCountdownAndTheNextUpdateActsOnIt)
{
    // r = 0 ends the calm period at once.
    seedRandom(seedWithNextDraw(0));
    updateFlower(flower, kTick, 0);
    EXPECT_LE(flower.calmCountdown, 0.0f);
    EXPECT_EQ(flower.state, FlowerState::Healthy);

    // An ordinary draw now only wears the dryness countdown down a little.
    seedRandom(seedWithNonZeroDraw());
    updateFlower(flower, kTick, 0);
    EXPECT_GT(flower.drynessCountdown, 9999.0f);
    EXPECT_EQ(flower.state, FlowerState::Healthy);

    // Through the three dry stages to the end, one zero draw per stage.
    const FlowerState stages[] = {FlowerState::Dry1, FlowerState::Dry2, FlowerState::Dry3};
    for (FlowerState stage : stages) {
        seedRandom(seedWithNextDraw(0));
        updateFlower(flower, kTick, 0);
        EXPECT_LE(flower.drynessCountdown, 0.0f);
        EXPECT_NE(flower.state, stage) << "the end of a countdown is acted on in the next update";
        updateFlower(flower, kTick, 0);
        EXPECT_EQ(flower.state, stage);
        EXPECT_TRUE(flower.changing);
        EXPECT_EQ(flower.drynessCountdown, 10000.0f);
        flower.changing = false;  // as the drawing settles it after ten frames
    }
    seedRandom(seedWithNextDraw(0));
    updateFlower(flower, kTick, 0);
    updateFlower(flower, kTick, 0);
    EXPECT_EQ(flower.state, FlowerState::Gone);
    EXPECT_EQ(flower.lost, 1);
}

TEST_F(FlowerCycle, SprayedWhileCalmNeverShowsLiceAndIsCuredAfterFiveUpdates)
{
    startSpraying(flower);
    seedRandom(seedWithNonZeroDraw());
    updateFlower(flower, kTick, 0);
    EXPECT_TRUE(flower.beingSprayed) << "the spray waits for the lice period";
    EXPECT_EQ(flower.sprayingCountdown, 5);

    enterTrouble(flower, 0);
    flower.liceCountdown = 1.0f;
    for (int update = 1; update <= 4; ++update) {
        updateFlower(flower, kTick, 0);
        EXPECT_EQ(flower.state, FlowerState::Healthy) << "update " << update;
        EXPECT_TRUE(flower.beingSprayed);
        EXPECT_EQ(flower.sprayingCountdown, 5 - update) << "spraying counts updates, not seconds";
        EXPECT_EQ(flower.liceCountdown, 10000.0f);
    }
    const std::uint32_t seed = seedWithNonZeroDraw();
    std::uint32_t reference = seed;
    const int nextKind = gardentest::referenceDraw(reference) % 2;
    seedRandom(seed);
    updateFlower(flower, kTick, 0);
    EXPECT_EQ(flower.state, FlowerState::Healthy);
    EXPECT_FALSE(flower.beingSprayed);
    EXPECT_EQ(flower.sprayingCountdown, 0);
    EXPECT_EQ(flower.calmCountdown, 10000.0f);
    EXPECT_EQ(flower.nextTrouble, nextKind);
    EXPECT_FALSE(flower.changing) << "curing lice has no change of form";
}

TEST_F(FlowerCycle, LiceLeftAloneKillTheFlower)
{
    enterTrouble(flower, 0);
    seedRandom(seedWithNonZeroDraw());
    updateFlower(flower, kTick, 0);
    EXPECT_EQ(flower.state, FlowerState::Lice);
    EXPECT_EQ(flower.lost, 0);

    seedRandom(seedWithNextDraw(0));
    updateFlower(flower, kTick, 0);
    EXPECT_EQ(flower.state, FlowerState::Lice);
    updateFlower(flower, kTick, 0);
    EXPECT_EQ(flower.state, FlowerState::Gone);
    EXPECT_EQ(flower.lost, 1);
}

TEST_F(FlowerCycle, WateredDryFlowerKeepsItsStageUntilTheFiveSecondsAreOver)
{
    flower.state = FlowerState::Dry2;
    enterTrouble(flower, 1);
    flower.drynessCountdown = 0.5f;
    startWatering(flower);

    seedRandom(seedWithNextDraw(0));  // would end a countdown if one were drawn
    for (int second = 1; second <= 4; ++second) {
        updateFlower(flower, 1.0f, 0);
        EXPECT_EQ(flower.state, FlowerState::Dry2) << "second " << second;
        EXPECT_EQ(flower.drynessCountdown, 10000.0f);
        EXPECT_FLOAT_EQ(flower.wateringCountdown, 5.0f - static_cast<float>(second));
        EXPECT_TRUE(flower.beingWatered);
    }
    // Nothing changes the state while the flower is being watered.
    changeFlowerState(flower, FlowerState::Dry3);
    EXPECT_EQ(flower.state, FlowerState::Dry2);
    EXPECT_FALSE(flower.changing);

    updateFlower(flower, 1.0f, 0);
    EXPECT_EQ(flower.state, FlowerState::Healthy);
    EXPECT_TRUE(flower.changing) << "the way back to health is a change of form";
    EXPECT_FALSE(flower.beingWatered);
    EXPECT_EQ(flower.wateringCountdown, 0.0f);
    EXPECT_EQ(flower.calmCountdown, 10000.0f);
}

// ---------------------------------------------------------------------------
// Bites

TEST_F(FlowerCycle, ThirdBiteIsRefusedWhileTheFlowerIsWatered)
{
    flower.eatenStage = 2;
    startWatering(flower);
    biteFlower(flower);
    EXPECT_EQ(flower.state, FlowerState::Healthy);
    EXPECT_EQ(flower.eatenStage, 2);

    flower.beingWatered = false;
    biteFlower(flower);
    EXPECT_EQ(flower.state, FlowerState::Gone);
    EXPECT_EQ(flower.eatenStage, 2);

    biteFlower(flower);
    EXPECT_EQ(flower.state, FlowerState::Gone);
}

TEST(FlowerBites, FirstTwoBitesReloadTheEatenModelsOfTheState)
{
    if (!gardentest::haveFlowerData()) GTEST_SKIP() << "generated models not there yet";
    setDialogsEnabled(false);
    gardentest::WorkingDirectory inData(testsupport::generatedDataDir());

    Flower flower = freshFlower();
    reloadFlowerModel(flower);
    expectSameVertices(verticesOf(flower.model), verticesOf(importModel("modelle/blumen_gesund.3ds")), 0.0f);
    biteFlower(flower);
    EXPECT_EQ(flower.eatenStage, 1);
    expectSameVertices(verticesOf(flower.model), verticesOf(importModel("modelle/blumen_mampf1.3ds")), 0.0f);
    biteFlower(flower);
    EXPECT_EQ(flower.eatenStage, 2);
    expectSameVertices(verticesOf(flower.model), verticesOf(importModel("modelle/blumen_mampf2g.3ds")), 0.0f);

    Flower dry = freshFlower();
    dry.state = FlowerState::Dry3;
    biteFlower(dry);
    expectSameVertices(verticesOf(dry.model), verticesOf(importModel("modelle/blumen_mampft3.3ds")), 0.0f);

    // A flower with lice keeps its own model.
    Flower lice = freshFlower();
    reloadFlowerModel(lice);
    lice.state = FlowerState::Lice;
    biteFlower(lice);
    EXPECT_EQ(lice.eatenStage, 1);
    expectSameVertices(verticesOf(lice.model), verticesOf(importModel("modelle/blumen_gesund.3ds")), 0.0f);
}
