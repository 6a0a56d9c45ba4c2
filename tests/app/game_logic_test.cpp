// The state machine, the tick and the rounds, driven through the same
// callbacks the toolkit calls, on the generated data.
#include "app/camera.h"
#include "app/game_state.h"
#include "app/hud.h"
#include "app/keyboard.h"
#include "app/rounds.h"
#include "app/scenery.h"
#include "app/tick.h"
#include "character/gardener.h"
#include "character/playback.h"
#include "garden/flower_bed.h"
#include "garden/mole.h"
#include "garden/rake.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/random.h"

#include "test_support.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

class GameLogic : public ::testing::Test {
protected:
    void SetUp() override
    {
        setDialogsEnabled(false);
        previousFolder_ = std::filesystem::current_path();
        std::filesystem::current_path(testsupport::generatedDataDir());
        useFixedStepClock(0.05);
        gameSession = GameSession{};
        renderOptions = RenderOptions{};
        inputFlags = InputFlags{};
        actionFlags = ActionFlags{};
        gardener = Gardener{};
        fpsMeter = FpsMeter{};
        startFrameTimer();
        // Watering and spraying load their particle sprites: a GL context must be current.
        if (!testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
    }
    void TearDown() override
    {
        useRealClock();
        std::filesystem::current_path(previousFolder_);
    }

    // A round in Playing, started from the menu that follows a first game.
    void startRound(int level = 0)
    {
        seedRandom(7);
        gameSession.gameState = Menu;
        gameSession.firstStart = 0;
        gameSession.menuChoice = kMenuPlay;
        onKey(kKeySpace, 0, 0);
        ASSERT_EQ(gameSession.gameState, Playing);
        if (level != 0) setUpRound(level);
    }

    void tick()
    {
        gameClock().advanceTick();
        gameTick();
    }

    // A round whose gardener has his character, so his actions take their time.
    void startRoundWithCharacter()
    {
        startRound();
        setUpGardener(gardener, 1);
        ASSERT_FALSE(gardener.character.upper.animations.empty());
    }

    // A tick and the character's frame step of the frame drawn after it.
    void tickAndDraw()
    {
        tick();
        updateModel(gardener.character.lower);
        updateModel(gardener.character.upper);
    }

private:
    std::filesystem::path previousFolder_;
};

TEST_F(GameLogic, MenuChoiceStopsAtBothEnds)
{
    gameSession.gameState = StartMenu;
    onSpecialKey(GLUT_KEY_UP, 0, 0);
    EXPECT_EQ(gameSession.menuChoice, kMenuPlay);
    onSpecialKey(GLUT_KEY_DOWN, 0, 0);
    onSpecialKey(GLUT_KEY_DOWN, 0, 0);
    onSpecialKey(GLUT_KEY_DOWN, 0, 0);
    EXPECT_EQ(gameSession.menuChoice, kMenuHelp);
    onSpecialKey(GLUT_KEY_UP, 0, 0);
    EXPECT_EQ(gameSession.menuChoice, kMenuIntro);
}

TEST_F(GameLogic, IntroAndHelpReturnToTheMenuTheyCameFrom)
{
    gameSession.gameState = Menu;
    gameSession.menuChoice = kMenuIntro;
    onKey(kKeySpace, 0, 0);
    EXPECT_EQ(gameSession.gameState, IntroScreen);
    onKey('q', 0, 0);
    EXPECT_EQ(gameSession.gameState, IntroScreen);
    onKey(kKeyEscape, 0, 0);
    EXPECT_EQ(gameSession.gameState, Menu);
    gameSession.gameState = StartMenu;
    gameSession.menuChoice = kMenuHelp;
    onKey(kKeySpace, 0, 0);
    EXPECT_EQ(gameSession.gameState, HelpScreen);
    onKey(kKeySpace, 0, 0);
    EXPECT_EQ(gameSession.gameState, StartMenu);
}

TEST_F(GameLogic, OptionKeysInPlaying)
{
    startRound();
    EXPECT_EQ(renderOptions.filterMode, 0);
    onKey('f', 0, 0);
    onKey('f', 0, 0);
    EXPECT_EQ(renderOptions.filterMode, 2);
    onKey('f', 0, 0);
    EXPECT_EQ(renderOptions.filterMode, 0);
    onKey('l', 0, 0);
    EXPECT_EQ(renderOptions.useDisplayLists, 1);
    onKey('v', 0, 0);  // vertex arrays off: lists stay
    EXPECT_EQ(renderOptions.useVertexArrays, 0);
    EXPECT_EQ(renderOptions.useDisplayLists, 1);
    onKey('v', 0, 0);  // vertex arrays on again: lists off
    EXPECT_EQ(renderOptions.useVertexArrays, 1);
    EXPECT_EQ(renderOptions.useDisplayLists, 0);
    onKey('g', 0, 0);
    onKey('m', 0, 0);
    onKey('p', 0, 0);
    EXPECT_EQ(renderOptions.wireframe, 1);
    EXPECT_EQ(renderOptions.mipmapping, 0);
    EXPECT_EQ(renderOptions.showFps, 0);
    // Upper case and page down do nothing.
    const RenderOptions before = renderOptions;
    onKey('G', 0, 0);
    onKey('F', 0, 0);
    onSpecialKey(GLUT_KEY_PAGE_DOWN, 0, 0);
    EXPECT_EQ(renderOptions.wireframe, before.wireframe);
    EXPECT_EQ(renderOptions.filterMode, before.filterMode);
    // The next round resets all but the filter and the frame-rate display.
    setUpRound(0);
    EXPECT_EQ(renderOptions.wireframe, 0);
    EXPECT_EQ(renderOptions.mipmapping, 1);
    EXPECT_EQ(renderOptions.useVertexArrays, 1);
    EXPECT_EQ(renderOptions.filterMode, before.filterMode);
    EXPECT_EQ(renderOptions.showFps, 0);
}

TEST_F(GameLogic, CareAndWalkGuards)
{
    startRound();
    onSpecialKey(GLUT_KEY_UP, 0, 0);  // walking
    EXPECT_EQ(actionFlags.walking, 1);
    onKey('x', 0, 0);
    onKey('y', 0, 0);
    EXPECT_EQ(actionFlags.watering, 0);
    EXPECT_EQ(actionFlags.spraying, 0);
    onSpecialKeyUp(GLUT_KEY_UP, 0, 0);
    EXPECT_EQ(actionFlags.walking, 0);
    onSpecialKey(GLUT_KEY_PAGE_UP, 0, 0);  // page up waters
    EXPECT_EQ(actionFlags.watering, 1);
    EXPECT_EQ(gardener.busy, 1);
    EXPECT_TRUE(gardener.waterEffect);
    // Busy: no walking, no strike, no spraying.
    onSpecialKey(GLUT_KEY_UP, 0, 0);
    onSpecialKey(GLUT_KEY_DOWN, 0, 0);
    onSpecialKey(GLUT_KEY_HOME, 0, 0);
    EXPECT_EQ(inputFlags.moveForward, 0);
    EXPECT_EQ(actionFlags.striking, 0);
    EXPECT_EQ(actionFlags.spraying, 0);
}

TEST_F(GameLogic, TurningIsRefusedWhileFallingButAHeldTurnGoesOn)
{
    startRound();
    onSpecialKey(GLUT_KEY_LEFT, 0, 0);
    gardener.falling = 1;
    onSpecialKey(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(inputFlags.turnLeft, 1);
    EXPECT_EQ(inputFlags.turnRight, 0);
    onSpecialKey(GLUT_KEY_DOWN, 0, 0);  // a strike needs only "not busy"
    EXPECT_EQ(actionFlags.striking, 1);
    EXPECT_EQ(inputFlags.strikeTestPending, 1);
}

TEST_F(GameLogic, AStrikeSendsTheMoleItScoredEvenWhenTheTorsoNeverShowsTheBlow)
{
    startRoundWithCharacter();
    // The legs' idle frame 24 leads the torso's 17 by seven frames: the legs
    // end the strike while the torso is still short of the blow.
    gardener.character.lower.currentFrame = 24;
    gardener.character.upper.currentFrame = 17;
    Mole& mole = *moleList;
    setMoleState(mole, MoleState::Paused, 100.0f);
    mole.placement.position = Subtract(strikeSphere(gardener).centre, mole.placement.centreOffset);
    const int molesLeft = gameSession.molesLeft;
    onSpecialKey(GLUT_KEY_DOWN, 0, 0);
    bool blowShown = false;
    for (int i = 0; i < 40 && actionFlags.striking; ++i) {
        tickAndDraw();
        blowShown = blowShown || gardener.effectVisible;
    }
    ASSERT_EQ(actionFlags.striking, 0);
    EXPECT_FALSE(blowShown);
    EXPECT_EQ(mole.state, MoleState::Flying);
    EXPECT_EQ(gameSession.molesLeft, molesLeft - 1);
    EXPECT_EQ(actionFlags.struckMole, nullptr);
}

TEST_F(GameLogic, TheRoundsEndTakesWateringAwayForTheDance)
{
    startRoundWithCharacter();
    onKey('x', 0, 0);
    for (int i = 0; i < 10; ++i) tickAndDraw();
    ASSERT_EQ(actionFlags.watering, 1);
    gameSession.molesLeft = 0;
    for (int i = 0; i < 100; ++i) tickAndDraw();
    EXPECT_EQ(gameSession.gameState, RoundWon);
    EXPECT_EQ(actionFlags.watering, 0);
    EXPECT_FALSE(gardener.waterEffect);
    EXPECT_EQ(gardener.busy, 0);
    const MeshModel& torso = gardener.character.upper;
    EXPECT_EQ(torso.animations[static_cast<std::size_t>(torso.currentAnimation)].name, "BOTH_DANCE_BEGIN");
}

TEST_F(GameLogic, LeavingAndWinningRounds)
{
    startRound();
    gameSession.level = 3;
    gameSession.carriedScore = 120;
    onKey(kKeyEscape, 0, 0);
    EXPECT_EQ(gameSession.gameState, Menu);
    EXPECT_EQ(gameSession.level, 0);
    EXPECT_EQ(gameSession.carriedScore, 0);

    startRound();
    gameSession.molesLeft = 0;
    addScore(75);
    tick();
    EXPECT_EQ(gameSession.gameState, RoundWon);
    EXPECT_EQ(gameSession.carriedScore, 75);
    EXPECT_EQ(actionFlags.dancing, 1);
    onKey(kKeySpace, 0, 0);
    EXPECT_EQ(gameSession.gameState, Playing);
    EXPECT_EQ(gameSession.level, 1);
    EXPECT_EQ(gameSession.moleCount, 5);
    EXPECT_EQ(hud.score, 75);  // carried into the new round
    EXPECT_EQ(gameSession.carriedScore, 0);
    EXPECT_EQ(actionFlags.dancing, 0);
}

TEST_F(GameLogic, ScoreLimitAndLoseOverridesWin)
{
    startRound();
    addScore(-50);
    tick();
    EXPECT_EQ(gameSession.gameState, Playing);
    addScore(-1);
    tick();
    EXPECT_EQ(gameSession.gameState, RoundLost);
    EXPECT_TRUE(gardener.dying);
    onKey(kKeySpace, 0, 0);
    EXPECT_EQ(gameSession.gameState, Menu);

    startRound();
    gameSession.molesLeft = 0;
    hud.clock.secondsLeft = 0;  // time ran out in the same tick
    tick();
    EXPECT_EQ(gameSession.gameState, RoundLost);
}

TEST_F(GameLogic, OneControlPerTickByPriority)
{
    startRound();
    const float yaw = chaseCamera.yaw;
    const float heading = gardener.heading;
    inputFlags.turnRight = 1;
    inputFlags.turnLeft = 1;
    inputFlags.yawIncrease = 1;
    tick();
    const float dt = static_cast<float>(frameSeconds);
    EXPECT_NEAR(dt, 0.05f, 1e-6f);
    EXPECT_NEAR(gardener.heading, heading - kTurnRate * dt, 1e-4f);
    EXPECT_NEAR(chaseCamera.yaw, yaw - kTurnRate * dt, 1e-4f);
    // The walking direction turned with the heading (right turn: towards +x).
    EXPECT_GT(walkDirection.x, 0.0f);
    EXPECT_NEAR(walkDirection.x * walkDirection.x + walkDirection.z * walkDirection.z, 1.0f, 1e-5f);
    inputFlags = InputFlags{};
    inputFlags.yawIncrease = 1;
    inputFlags.pitchIncrease = 1;
    const float pitch = chaseCamera.pitch;
    tick();
    EXPECT_FLOAT_EQ(chaseCamera.pitch, pitch);
}

TEST_F(GameLogic, PitchStopsExactlyAtTheLimits)
{
    startRound();
    EXPECT_FLOAT_EQ(chaseCamera.pitch, -10.0f);
    inputFlags.pitchIncrease = 1;
    for (int i = 0; i < 200; ++i) tick();
    EXPECT_EQ(chaseCamera.pitch, 40.0f);
    inputFlags = InputFlags{};
    inputFlags.pitchDecrease = 1;
    for (int i = 0; i < 200; ++i) tick();
    EXPECT_EQ(chaseCamera.pitch, -40.0f);
}

TEST_F(GameLogic, FlowerChangesScoreBySignOnly)
{
    startRound();
    const int before = hud.score;
    prevFlowerState.fill(0);
    prevFlowerState[1] = 3;
    flowerBed[0].state = FlowerState::Dry3;     // three stages worse: -5 once
    flowerBed[1].state = FlowerState::Healthy;  // from Dry3 back to health: +20 once
    flowerBed[2].state = FlowerState::Lice;     // caught lice: -5
    scoreFlowerChanges();
    EXPECT_EQ(hud.score, before - 5 + 20 - 5);
    // A tick compares with the states at its own start: changes made between
    // ticks are not scored.
    const int afterDirectScoring = hud.score;
    tick();
    EXPECT_EQ(hud.score, afterDirectScoring);
}

TEST_F(GameLogic, NoScoreFromFlowersOutsidePlaying)
{
    startRound();
    gameSession.gameState = RoundWon;
    tick();
    const int before = hud.score;
    flowerBed[2].state = FlowerState::Dry1;
    tick();
    EXPECT_EQ(hud.score, before);
    flowerBed[2].state = FlowerState::Healthy;
}

TEST_F(GameLogic, RoundSetUpPlacesTheBedAndRakesBySeed)
{
    startRound();
    EXPECT_EQ(gameSession.moleCount, 4);
    EXPECT_EQ(gameSession.molesLeft, 4);
    EXPECT_EQ(hud.clock.secondsLeft, 200);
    EXPECT_NEAR(hud.mapScale, 1.0f / 3000.0f, 1e-9f);
    const Vector3 p0 = flowerBed[0].placement.getPosition();
    const Vector3 p3 = flowerBed[3].placement.getPosition();
    const Vector3 p12 = flowerBed[12].placement.getPosition();
    EXPECT_FLOAT_EQ(p0.x, -300.0f);
    EXPECT_FLOAT_EQ(p0.z, -300.0f);
    EXPECT_FLOAT_EQ(p3.z, 300.0f);
    EXPECT_FLOAT_EQ(p12.x, 300.0f);
    // The rakes draw x, z and heading from the seeded source in that order.
    seedRandom(7);
    for (const Rake& rake : rakes) {
        const int r1 = randomInt();
        const int r2 = randomInt();
        const int r3 = randomInt();
        EXPECT_FLOAT_EQ(rake.placement.position.x, static_cast<float>(475 - r1 % 950));
        EXPECT_FLOAT_EQ(rake.placement.position.z, static_cast<float>(475 - r2 % 950));
        EXPECT_FLOAT_EQ(rake.placement.heading, static_cast<float>(r3 % 360));
    }
    EXPECT_FLOAT_EQ(walkDirection.z, -1.0f);
    EXPECT_FLOAT_EQ(gardener.position.y, 24.0f);
}

TEST_F(GameLogic, TimeRunsOutOnTheRoundClock)
{
    useFixedStepClock(1.0);
    startFrameTimer();
    startRound();
    for (int i = 0; i < 199; ++i) {
        tick();
        hud.clock.update();  // the frame brings the clock up to date
    }
    EXPECT_EQ(gameSession.gameState, Playing);
    EXPECT_EQ(hud.clock.secondsLeft, 1);
    tick();
    hud.clock.update();
    EXPECT_EQ(hud.clock.secondsLeft, 0);
    tick();
    EXPECT_EQ(gameSession.gameState, RoundLost);
}

TEST_F(GameLogic, FrameRateWindowGrowsAfterEachMeasurement)
{
    // 50 ms per tick: every measurement reports 20 frames per second, the
    // first after five calls only starts the clock.
    for (int i = 0; i < 3; ++i) {
        gameClock().advanceTick();
        EXPECT_NEAR(nextFrameSeconds(), 0.05, 1e-9);
    }
    EXPECT_EQ(fpsMeter.fps, 0.0);
    int calls = 3;
    while (fpsMeter.fps == 0.0 && calls < 100) {
        gameClock().advanceTick();
        nextFrameSeconds();
        ++calls;
    }
    EXPECT_EQ(calls, 7);  // the third call starts the clock, four more give the first value
    EXPECT_NEAR(fpsMeter.fps, 20.0, 1e-9);
    EXPECT_EQ(fpsMeter.fpsWindow, 3);
    for (int i = 0; i < 2000; ++i) {
        gameClock().advanceTick();
        nextFrameSeconds();
    }
    EXPECT_EQ(fpsMeter.fpsWindow, kFpsWindowLimit);
    EXPECT_NEAR(fpsMeter.fps, 20.0, 1e-9);
}

TEST_F(GameLogic, FenceStopsTheGardenerShortOfTheWall)
{
    startRound();
    gardener.position = {0.0f, 24.0f, -460.0f};
    for (Rake& rake : rakes) rake.placement.position = {10000.0f, 0.0f, 10000.0f};
    for (Rake& rake : rakes) setRakeSpheres(rake);
    Vector3 step{0.0f, 0.0f, -30.0f};
    resolveGardenerStep(step, 0.05);
    EXPECT_LT(step.z, 0.0f);
    EXPECT_GT(gardener.position.z + step.z, -500.0f + 28.0f - 1.0f);
}

TEST_F(GameLogic, FlowersBlockTheGardener)
{
    startRound();
    for (Rake& rake : rakes) rake.placement.position = {10000.0f, 0.0f, 10000.0f};
    for (Rake& rake : rakes) setRakeSpheres(rake);
    // Flower 5 stands at (-100, 0, -100); its sphere centre is (-96, 7, -109).
    gardener.position = {-96.0f, 24.0f, -30.0f};
    Vector3 step{0.0f, 0.0f, -60.0f};
    resolveGardenerStep(step, 0.05);
    // The body (radius 15) stops before touching the flower's sphere (radius 35).
    const Vector3 centre = Add(bodySphere(gardener).centre, step);
    EXPECT_GE(Distance(centre, flowerSphereCentre(flowerBed[5])), 50.0f - 0.1f);
    EXPECT_LT(step.z, 0.0f);
}

TEST_F(GameLogic, ChaseCameraStaysInsideTheFence)
{
    ChaseCamera camera;
    resetCamera(camera, {0, 30, 100}, {0, 0, -10}, {0, 10, 0});
    camera.pitch = -10.0f;
    followGardener(camera, {0, 24, 450}, kCameraOffset);
    EXPECT_FLOAT_EQ(camera.eye.z, 499.0f);
    EXPECT_FLOAT_EQ(camera.eye.y, 54.0f);
    EXPECT_LT(camera.view.y, 0.0f);  // a negative pitch looks down
    // In a corner only x is corrected in one frame.
    camera.yaw = 45.0f;
    followGardener(camera, {470, 24, 470}, kCameraOffset);
    EXPECT_FLOAT_EQ(camera.eye.x, 499.0f);
    EXPECT_GT(camera.eye.z, 500.0f);
}

TEST(Scenery, GroundFiltersFollowTheOptions)
{
    EXPECT_EQ(groundFilters(true, 0).minification, GL_NEAREST_MIPMAP_NEAREST);
    EXPECT_EQ(groundFilters(true, 1).minification, GL_LINEAR_MIPMAP_NEAREST);
    EXPECT_EQ(groundFilters(true, 2).minification, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(groundFilters(true, 2).magnification, GL_LINEAR);
    EXPECT_EQ(groundFilters(false, 1).minification, GL_LINEAR);
    EXPECT_EQ(groundFilters(false, 1).magnification, GL_NEAREST);
    EXPECT_EQ(groundFilters(false, 2).magnification, GL_LINEAR);
    EXPECT_EQ(groundFilters(false, 0).minification, GL_NEAREST);
}

TEST(Scenery, CloudsScrollAndWrap)
{
    skyLayer = SkyLayer{};
    for (int i = 0; i < 499; ++i) scrollSky();
    EXPECT_GT(skyLayer.u, 0.99f);
    scrollSky();
    scrollSky();
    EXPECT_LT(skyLayer.u, 0.01f);
    EXPECT_NEAR(skyLayer.v, 0.501f, 1e-3f);
}

}  // namespace
