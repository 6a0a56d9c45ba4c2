// Drawing one playing frame of a fresh round through each render path: vertex
// arrays, immediate mode and display lists (the frame waits for the GL).
#include "app/camera.h"
#include "app/frame.h"
#include "app/game_state.h"
#include "app/rounds.h"
#include "app/startup.h"
#include "app/tick.h"
#include "character/gardener.h"
#include "platform/message_box.h"
#include "platform/random.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include "support/game_window.h"

#include <cstdlib>
#include <filesystem>

namespace {

bool setUpGame()
{
    static bool ready = false;
    static bool tried = false;
    if (tried) return ready;
    tried = true;
    if (!openBenchmarkWindow("bench_frame_draw")) return false;
    setFixedSeed(7u);
    initGame();
    setUpRound(0);
    gameSession.gameState = Playing;
    followGardener(chaseCamera, {0.0f, 24.0f, 0.0f}, cameraOffset);
    ready = true;
    return true;
}

void drawFrames(benchmark::State& state, int useArrays, int useLists, int wireframe)
{
    if (!setUpGame()) {
        state.SkipWithError("no display");
        return;
    }
    renderOptions.useVertexArrays = useArrays;
    renderOptions.useDisplayLists = useLists;
    renderOptions.wireframe = wireframe;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawPlayingFrame();
        glFinish();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_FrameVertexArrays(benchmark::State& state) { drawFrames(state, 1, 0, 0); }
void BM_FrameImmediateMode(benchmark::State& state) { drawFrames(state, 0, 0, 0); }
void BM_FrameDisplayLists(benchmark::State& state) { drawFrames(state, 0, 1, 0); }
void BM_FrameWireframe(benchmark::State& state) { drawFrames(state, 1, 0, 1); }

// The same frame with the gardener's character emptied, so the difference
// to BM_FrameVertexArrays is what drawing the gardener costs.
void BM_FrameWithoutGardener(benchmark::State& state)
{
    if (!setUpGame()) {
        state.SkipWithError("no display");
        return;
    }
    const CharacterModel character = gardener.character;
    gardener.character = CharacterModel{};
    drawFrames(state, 1, 0, 0);
    gardener.character = character;
}

BENCHMARK(BM_FrameVertexArrays)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameImmediateMode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameDisplayLists)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameWireframe)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameWithoutGardener)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
