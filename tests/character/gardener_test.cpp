// The gardener: its spheres, the number-based animation steps and how the
// actions end by themselves.
#include "character/gardener.h"
#include "character/playback.h"

#include <gtest/gtest.h>

namespace {

void expectCentre(const Sphere& s, Vector3 expected, float radius)
{
    EXPECT_NEAR(s.centre.x, expected.x, 1e-4f);
    EXPECT_NEAR(s.centre.y, expected.y, 1e-4f);
    EXPECT_NEAR(s.centre.z, expected.z, 1e-4f);
    EXPECT_EQ(s.radius, radius);
}

TEST(GardenerSpheres, TurnWithTheHeadingExceptTheBody)
{
    Gardener g;
    resetGardenerPlacement(g);
    g.position = {10, 24, -5};
    expectCentre(waterSphere(g), {16, 12, -35}, 8);
    expectCentre(spraySphere(g), {-10, 12, -35}, 8);
    expectCentre(bodySphere(g), {10, -11, -5}, 15);
    expectCentre(strikeSphere(g), {2, -1, -19}, 25);
    g.heading = 90;
    expectCentre(strikeSphere(g), {10 - 14, -1, -5 + 8}, 25);
    expectCentre(bodySphere(g), {10, -11, -5}, 15);
}

// A torso list in which entries 7 and 8 end at 120 and 150, the shape of the
// effect markers.
Gardener withTorsoList()
{
    Gardener g;
    std::string table;
    for (int i = 0; i < 12; ++i) {
        const int first = 100;
        const int count = i == 7 ? 20 : i == 8 ? 50 : 30;
        table += std::to_string(first) + " " + std::to_string(count) + " 0 10 // TORSO_" + std::to_string(i) + "\n";
    }
    table += "200 20 0 10 // BOTH_DEAD\n";
    readAnimations(g.character, table);
    return g;
}

TEST(GardenerSteps, HoldAnimationEndsOnTheLastFrameAndClearsBusy)
{
    Gardener g = withTorsoList();
    MeshModel& torso = g.character.upper;
    for (int frame : {100, 110, 128, 130, 5}) {
        torso.currentFrame = frame;
        g.busy = 1;
        EXPECT_TRUE(holdAnimation(g, kTorsoPart, 6)) << frame;
        EXPECT_EQ(g.busy, 1);
        EXPECT_EQ(torso.currentAnimation, 6);
        EXPECT_EQ(torso.currentFrame, frame);  // never reset
    }
    torso.currentFrame = 129;  // end frame 130 - 1
    EXPECT_FALSE(holdAnimation(g, kTorsoPart, 6));
    EXPECT_EQ(g.busy, 0);
    EXPECT_EQ(g.currentPart, kTorsoPart);
}

TEST(GardenerSteps, EffectWindowBetweenTheMarkersEnds)
{
    Gardener g = withTorsoList();
    g.currentPart = kTorsoPart;
    struct Row {
        int frame;
        bool visible;
        bool finished;
    };
    const Row rows[] = {{100, false, false}, {120, false, false}, {121, true, false},
                        {149, true, false},  {150, false, true},  {170, false, true}};
    for (const Row& r : rows) {
        g.character.upper.currentFrame = r.frame;
        g.effectFinished = !r.finished;
        EXPECT_EQ(effectWindow(g, 7), r.visible) << r.frame;
        if (!r.visible) {
            EXPECT_EQ(g.effectFinished, r.finished) << r.frame;
        }
    }
    // The spray step plays the same window through its markers.
    int spraying = 1;
    g.character.upper.currentFrame = 125;
    sprayStep(g, spraying);
    EXPECT_EQ(spraying, 1);
    EXPECT_TRUE(g.effectVisible);
}

TEST(GardenerSteps, DyingEndsAfterTorsoFrame211)
{
    Gardener g = withTorsoList();
    g.dying = true;
    g.character.upper.currentFrame = 211;
    dyingStep(g);
    EXPECT_TRUE(g.dying);
    g.character.upper.currentFrame = 212;
    dyingStep(g);
    EXPECT_FALSE(g.dying);
}

// Without an animation table (a character that failed to load) every action
// ends at once instead of leaving the gardener busy for the rest of the round.
TEST(GardenerSteps, MissingEntriesEndTheActionsAndLetTheGardenerWalk)
{
    Gardener g;
    g.busy = 1;
    int striking = 1, spraying = 1, watering = 1, dancing = 1;
    EXPECT_FALSE(strikeStep(g, striking));
    EXPECT_EQ(striking, 0);
    EXPECT_EQ(g.busy, 0);
    sprayStep(g, spraying);
    waterStep(g, watering);
    danceStep(g, dancing);
    EXPECT_EQ(spraying + watering + dancing, 0);
    EXPECT_FALSE(g.effectVisible);
    EXPECT_TRUE(g.effectFinished);
    g.falling = 1;
    fallStep(g);
    EXPECT_EQ(g.falling, 0);
    walkStep(g);
    EXPECT_TRUE(g.stepAllowed);
}

TEST(GardenerSteps, WalkIsUnderWayFromTheLegsMarker)
{
    Gardener g;
    readAnimations(g.character, "1 16 16 24 // BOTH_WALK\n"
                                "41 40 0 20 // BOTH_FALL\n"
                                "81 40 40 12 // BOTH_DANCE_BEGIN\n"
                                "25 16 0 20 // BOTH_STRIKE\n"
                                "165 50 0 12 // BOTH_DEAD\n"
                                "215 1 0 10 // BOTH_REALLY_DEAD\n"
                                "17 8 8 5 // LEGS_IDLE\n"
                                "0 3 0 24 // LEGS_WALK_UNDERWAY\n");
    setLegsAnimation(g.character, "LEGS_IDLE");
    g.character.lower.currentFrame = 2;
    walkStep(g);
    EXPECT_FALSE(g.stepAllowed);
    EXPECT_EQ(g.character.lower.currentAnimation, kWalkAnimation);
    g.character.lower.currentFrame = 3;
    walkStep(g);
    EXPECT_TRUE(g.stepAllowed);
    playIdle(g);
    EXPECT_EQ(g.character.lower.currentAnimation, 6);
    EXPECT_EQ(g.character.lower.currentFrame, 17);
    playBoth(g, "BOTH_FALL");
    EXPECT_EQ(g.character.lower.currentFrame, 41);
    playReallyDead(g);
    EXPECT_EQ(g.character.lower.currentFrame, 215);
}

}  // namespace
