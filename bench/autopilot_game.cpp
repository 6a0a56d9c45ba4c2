// Frame times of a real game: the autopilot plays a round at level 0 (4 moles)
// and at level 8 (12 moles) in each render path, 800 x 600 without vsync.
// Each frame is the autopilot's keys, the game tick and the drawn frame up to
// glFinish; the counters give the median, the 99th percentile and the worst
// frame in milliseconds. A round that ends is set up again at its level.
#include "automation/autopilot.h"
#include "app/camera.h"
#include "app/frame.h"
#include "app/game_state.h"
#include "app/rounds.h"
#include "app/startup.h"
#include "app/tick.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/random.h"
#include "platform/window.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include "support/game_window.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

constexpr double kTick = 0.02;
constexpr std::int64_t kFrames = 3000;  // a minute of play on the virtual clock

enum RenderPath { Immediate = 0, VertexArrays = 1, DisplayLists = 2 };

bool setUpGame()
{
    static bool ready = false;
    static bool tried = false;
    if (tried) return ready;
    tried = true;
    if (!openBenchmarkWindow("bench_autopilot_game")) return false;
    useFixedStepClock(kTick);
    setFixedSeed(7u);
    setPresentHandler([] {
        glutSwapBuffers();
        glFinish();
    });
    initGame();
    gameSession.firstStart = 1;
    ready = true;
    return true;
}

void startRound(int level, int path)
{
    gameSession.level = level;
    gameSession.carriedScore = 0;
    setUpRound(level);
    gameSession.firstStart = 0;
    gameSession.gameState = Playing;
    renderOptions.useVertexArrays = path == VertexArrays ? 1 : 0;
    renderOptions.useDisplayLists = path == DisplayLists ? 1 : 0;
}

void BM_AutopilotGame(benchmark::State& state)
{
    if (!setUpGame()) {
        state.SkipWithError("no display");
        return;
    }
    const int level = static_cast<int>(state.range(0));
    const int path = static_cast<int>(state.range(1));
    seedRandom(static_cast<std::uint32_t>(level * 3 + path + 1));
    startRound(level, path);
    AutopilotDriver driver;
    std::vector<double> frameMs;
    frameMs.reserve(static_cast<std::size_t>(kFrames));
    int rounds = 1;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        driver.playFrame();
        gameClock().advanceTick();
        gameTick();
        drawFrame();
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        frameMs.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        if (gameSession.gameState != Playing) {
            // Straight on at the same level: the benchmark is of play, not of banners.
            startRound(level, path);
            ++rounds;
        }
    }
    std::sort(frameMs.begin(), frameMs.end());
    const auto at = [&](double fraction) {
        return frameMs[std::min(frameMs.size() - 1, static_cast<std::size_t>(fraction * frameMs.size()))];
    };
    state.counters["median_ms"] = at(0.5);
    state.counters["p99_ms"] = at(0.99);
    state.counters["worst_ms"] = frameMs.back();
    state.counters["rounds"] = rounds;
    static const char* const kPathNames[] = {"immediate", "vertex arrays", "display lists"};
    state.SetLabel(kPathNames[path]);
}

}  // namespace

BENCHMARK(BM_AutopilotGame)
    ->ArgNames({"level", "path"})
    ->ArgsProduct({{0, 8}, {Immediate, VertexArrays, DisplayLists}})
    ->Iterations(kFrames)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
