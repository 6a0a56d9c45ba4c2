// Where the first game start goes. A player's first space in the start menu
// runs initGame and the first setUpRound, then the first playing frames are
// drawn (the rasteriser compiles its shaders for every new drawing state
// there). BM_FirstStart runs exactly once in a fresh process, after the menu
// has been drawn as the game draws it, and takes each step in the order of
// initGame and setUpRound, one counter (milliseconds) per step. Only the
// first run in a process is the player's first start, so scripts/bench-start
// runs this program again and again and gives the medians, beside the whole
// start measured on the game itself.
#include "app/camera.h"
#include "app/frame.h"
#include "app/game_state.h"
#include "app/rounds.h"
#include "app/scenery.h"
#include "app/startup.h"
#include "app/tick.h"
#include "assets/texture.h"
#include "audio/game_sounds.h"
#include "character/gardener.h"
#include "garden/flower_bed.h"
#include "garden/mole.h"
#include "garden/rake.h"
#include "platform/clock.h"
#include "platform/random.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include "support/game_window.h"

#include <chrono>
#include <ctime>

#include <sys/resource.h>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

long minorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

double processCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Each step's wall time, the processor time of all of the process's threads
// (which other programs on a busy machine disturb less), "_cpu", and the
// page faults of fresh memory, "_faults".
class StepTimer {
public:
    explicit StepTimer(benchmark::State& state)
        : state_(state), last_(Clock::now()), lastCpu_(processCpuMilliseconds()), lastFaults_(minorFaults())
    {
    }
    void step(const std::string& name)
    {
        const Clock::time_point now = Clock::now();
        const double cpu = processCpuMilliseconds();
        state_.counters[name] = std::chrono::duration<double, std::milli>(now - last_).count();
        const long faults = minorFaults();
        state_.counters[name + "_cpu"] = cpu - lastCpu_;
        state_.counters[name + "_faults"] = static_cast<double>(faults - lastFaults_);
        last_ = now;
        lastCpu_ = cpu;
        lastFaults_ = faults;
    }

private:
    benchmark::State& state_;
    Clock::time_point last_;
    double lastCpu_;
    long lastFaults_;
};

void BM_FirstStart(benchmark::State& state)
{
    static bool ran = false;
    if (ran || !openBenchmarkWindow("bench_first_start")) {
        state.SkipWithError(ran ? "only the first start of a process is measured" : "no display");
        return;
    }
    ran = true;
    setFixedSeed(7u);
    useFixedStepClock(0.02);
    registerCallbacks();
    onReshape(kWindowWidth, kWindowHeight);
    gameSession.gameState = StartMenu;
    drawFrame();  // the menu, as frame 1 shows it
    glFinish();

    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const double startCpu = processCpuMilliseconds();
        StepTimer timer(state);
        // initGame, step by step.
        loadSceneryTextures();
        timer.step("scenery_pictures");
        for (int slot = 0; slot < 4; ++slot) {
            static const char* const kHud[] = {"bilder/maulwurfkl_mask.bmp", "bilder/maulwurfkl.bmp",
                                               "bilder/uhr_mask.bmp", "bilder/uhr.bmp"};
            loadBmpTexture(hudTextures, kHud[slot], slot);
        }
        loadBmpTexture(cloudTexture, "bilder/wolken.bmp", 0);
        for (int slot = 0; slot < 4; ++slot) {
            static const char* const kResult[] = {"bilder/upps_mask.bmp", "bilder/upps.bmp", "bilder/juhu_mask.bmp",
                                                  "bilder/juhu.bmp"};
            loadBmpTexture(resultTextures, kResult[slot], slot);
        }
        timer.step("hud_sky_result_pictures");
        setPlayingClearColour();
        glEnable(GL_DEPTH_TEST);
        glShadeModel(GL_SMOOTH);
        glEnable(GL_COLOR_MATERIAL);
        seedRandomFromTime();
        loadFlowerAssets();
        timer.step("flower_assets");
        loadRakeAssets();
        timer.step("rake_assets");
        loadMoleAssets();
        timer.step("mole_assets");
        setUpLightModel();
        setUpLight();
        startFrameTimer();
        loadGameSounds();
        timer.step("sounds");
        // setUpRound(0) of a first start: the gardener's model set first
        // (the set-up loads it when firstStart is 1), then the rest of it.
        setUpGardener(gardener, 1);
        timer.step("gardener_model");
        gameSession.firstStart = 0;
        setUpRound(0);
        gameSession.gameState = Playing;
        timer.step("round_set_up");
        // The first two playing frames, as frames 2 and 3 of the game.
        for (int frame = 0; frame < 2; ++frame) {
            gameClock().advanceTick();
            gameTick();
            drawFrame();
        }
        glFinish();
        timer.step("first_frames");
        state.counters["total"] = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        state.counters["total_cpu"] = processCpuMilliseconds() - startCpu;
    }
}
BENCHMARK(BM_FirstStart)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
