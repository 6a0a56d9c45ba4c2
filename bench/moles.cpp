// What the moles cost: a whole game tick at level 0 (4 moles) and level 8
// (12 moles), the mole pass per mole, and the playing frame with 12 moles
// against the frame without any (800 x 600, no vsync).
#include "app/camera.h"
#include "app/frame.h"
#include "app/game_state.h"
#include "app/rounds.h"
#include "app/startup.h"
#include "app/tick.h"
#include "garden/mole.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/random.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include "support/game_window.h"

#include <cstdlib>
#include <filesystem>

namespace {

constexpr double kTick = 1.0 / 60.0;
constexpr std::int64_t kTicksPerRound = 3000;  // a fresh round before the clock or the bed runs out

bool setUpGame()
{
    static bool ready = false;
    static bool tried = false;
    if (tried) return ready;
    tried = true;
    if (!openBenchmarkWindow("bench_moles")) return false;
    useFixedStepClock(kTick);
    setFixedSeed(7u);
    initGame();
    ready = true;
    return true;
}

void startRound(int level)
{
    gameSession.level = level;
    setUpRound(level);
    gameSession.firstStart = 0;  // the gardener's model is loaded once
    gameSession.gameState = Playing;
    followGardener(chaseCamera, {0.0f, 24.0f, 0.0f}, cameraOffset);
}

// One whole game tick of a round at range(0).
void BM_GameTick(benchmark::State& state)
{
    if (!setUpGame()) {
        state.SkipWithError("no display");
        return;
    }
    const int level = static_cast<int>(state.range(0));
    startRound(level);
    std::int64_t tick = 0;
    for (auto _ : state) {
        if (++tick % kTicksPerRound == 0) {
            state.PauseTiming();
            startRound(level);
            state.ResumeTiming();
        }
        gameClock().advanceTick();
        gameTick();
    }
    state.counters["moles"] = moleListLength();
}
BENCHMARK(BM_GameTick)->Arg(0)->Arg(8)->Unit(benchmark::kMicrosecond);

// The mole pass alone (contacts, feeding, the bed's ageing, the update), per mole.
void BM_MolePassPerMole(benchmark::State& state)
{
    if (!setUpGame()) {
        state.SkipWithError("no display");
        return;
    }
    const int level = static_cast<int>(state.range(0));
    startRound(level);
    const int moles = moleListLength();
    std::int64_t tick = 0;
    for (auto _ : state) {
        if (++tick % kTicksPerRound == 0) {
            state.PauseTiming();
            startRound(level);
            state.ResumeTiming();
        }
        molePass(static_cast<float>(kTick));
    }
    state.SetItemsProcessed(state.iterations() * moles);
    // Seconds per mole.
    state.counters["perMole"] = benchmark::Counter(static_cast<double>(state.iterations()) * moles,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MolePassPerMole)->Arg(0)->Arg(8)->Unit(benchmark::kMicrosecond);

// The playing frame of a level-8 round with its 12 moles, or with the list emptied.
void drawFrames(benchmark::State& state, bool withMoles)
{
    if (!setUpGame()) {
        state.SkipWithError("no display");
        return;
    }
    startRound(8);
    // Walk the moles for a few seconds so that some stand in view.
    for (int i = 0; i < 300; ++i) molePass(static_cast<float>(kTick));
    if (!withMoles) clearMoles();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawPlayingFrame();
        glFinish();
    }
    state.counters["moles"] = moleListLength();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_FrameTwelveMoles(benchmark::State& state) { drawFrames(state, true); }
void BM_FrameNoMoles(benchmark::State& state) { drawFrames(state, false); }
BENCHMARK(BM_FrameTwelveMoles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameNoMoles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
