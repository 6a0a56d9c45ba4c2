// The written game on its own: this program links every object of the game's
// library and nothing beyond it, and plays through the main loop with no
// room plugged in but what the test registers in the game's seams.
#include "app/frame.h"
#include "app/game_state.h"
#include "app/keyboard.h"
#include "app/main_loop.h"
#include "app/rounds.h"
#include "app/startup.h"
#include "app/tick.h"
#include "character/gardener.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/random.h"

#include "test_support.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// What the observers saw, in order, one letter each.
std::string seen;

class WrittenGame : public ::testing::Test {
protected:
    void SetUp() override
    {
        setDialogsEnabled(false);
        std::filesystem::current_path(testsupport::generatedDataDir());
        if (!testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
        useFixedStepClock(0.02);
        seedRandom(7);
        resetMainLoop();
        clearKeyFilters();
        clearFrameSeams();
        seen.clear();
        setDrawEveryTick(true);
        gameSession = GameSession{};
        gameSession.gameState = StartMenu;
    }
};

TEST_F(WrittenGame, PlaysThroughItsMainLoopWithItsSeamsInOrder)
{
    addFrameObserver(FramePhase::BeforeFrame, [](long) { seen += 'b'; });
    addFrameObserver(FramePhase::FrameStart, [](long frame) {
        seen += 's';
        if (frame == 2) deliverKeyEvent(KeyEventKind::Key, kKeySpace);  // the start menu's "play"
        if (frame == 3) deliverKeyEvent(KeyEventKind::SpecialKey, GLUT_KEY_UP);
    });
    addFrameObserver(FramePhase::AfterTick, [](long) { seen += 't'; });
    addFrameObserver(FramePhase::FrameEnd, [](long) { seen += 'e'; });
    addFrameOverlay([](int state) {
        if (state == Playing) seen += 'o';
    });
    // A filter that drops the strike: the game never sees it.
    addKeyFilter([](KeyEventKind kind, int key) { return !(kind == KeyEventKind::SpecialKey && key == GLUT_KEY_DOWN); });

    runIdle();
    EXPECT_EQ(seen, "bste");  // the menu: no HUD, so no overlay
    runIdle();
    ASSERT_EQ(gameSession.gameState, Playing);
    const Vector3 start = gardener.position;
    runIdle();
    deliverKeyEvent(KeyEventKind::SpecialKey, GLUT_KEY_DOWN);
    EXPECT_EQ(actionFlags.striking, 0);
    for (int i = 0; i < 40; ++i) runIdle();
    EXPECT_EQ(framesRun(), 43);
    EXPECT_EQ(actionFlags.walking, 1);
    EXPECT_GT(std::abs(gardener.position.x - start.x) + std::abs(gardener.position.z - start.z), 20.0f)
        << "the up arrow walks the gardener";
    EXPECT_EQ(seen.substr(seen.size() - 5), "bstoe");
}

TEST_F(WrittenGame, HeldTicksLeaveTheGameStill)
{
    static bool held = false;
    setTickHold([] { return held; });
    gameSession.gameState = Menu;
    gameSession.firstStart = 0;
    deliverKeyEvent(KeyEventKind::Key, kKeySpace);
    ASSERT_EQ(gameSession.gameState, Playing);
    deliverKeyEvent(KeyEventKind::SpecialKey, GLUT_KEY_UP);
    runIdle();
    const Vector3 before = gardener.position;
    held = true;
    for (int i = 0; i < 50; ++i) runIdle();
    EXPECT_EQ(gardener.position.x, before.x);
    EXPECT_EQ(gardener.position.z, before.z);
    held = false;
    for (int i = 0; i < 5; ++i) runIdle();
    EXPECT_NE(gardener.position.x - before.x + gardener.position.z - before.z, 0.0f);
}

// A stop asked for inside a frame ends the run at the next boundary: the
// rest of the frame does not run, the exit steps do, in order.
TEST_F(WrittenGame, AStopInsideAFrameEndsTheRunAtTheNextBoundary)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            addExitStep([] { std::fputs("first step\n", stderr); });
            addExitStep([] { std::fputs("second step\n", stderr); });
            addFrameObserver(FramePhase::FrameStart, [](long frame) {
                if (frame == 3) requestStop(7);
            });
            addFrameObserver(FramePhase::AfterTick, [](long frame) { std::fprintf(stderr, "after tick %ld\n", frame); });
            for (int i = 0; i < 10; ++i) runIdle();
            std::exit(1);
        },
        testing::ExitedWithCode(7), "after tick 2\nfirst step\nsecond step\n$");
}

}  // namespace
