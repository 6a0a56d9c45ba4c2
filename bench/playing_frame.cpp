// What a playing frame costs on this GL, measured against an anchor: a frame
// that clears and draws one full-screen textured quad. Every iteration draws
// the anchor frame and then the game's frame, each up to the swap and
// glFinish, so both see the same load of the machine; the counters give the
// medians of both and their ratio, the frame's cost in anchor quads.
//
// The window covers the whole screen (run it on an Xvfb screen of the size
// to measure, for example with scripts/bench-frames). The scenes are the
// start of a level-0 round, the same with the spray going, and a level-8
// round with its twelve moles walked a few seconds into view. A benchmark
// draws the frame's layers up to one of them (in drawing order), so the
// step from one to the next is what that layer adds to the frame; "scenery"
// is the sky, the ground, the fence and the HUD without any actor.
#include "app/camera.h"
#include "app/frame.h"
#include "app/game_state.h"
#include "app/rounds.h"
#include "app/startup.h"
#include "app/tick.h"
#include "assets/image.h"
#include "character/gardener.h"
#include "effects/particles.h"
#include "garden/mole.h"
#include "platform/clock.h"
#include "platform/random.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include "support/game_window.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kSeed = 7;
constexpr int kMoleWalkPasses = 300;  // five seconds of 60 Hz mole passes
constexpr float kMolePassSeconds = 1.0f / 60.0f;
constexpr std::size_t kMaxSamples = 4096;

enum class Scene { Start, Spray, LevelEight };

GLuint anchorTexture = 0;
int windowWidth = 0;
int windowHeight = 0;

bool setUpGame()
{
    static bool ready = false;
    static bool tried = false;
    if (tried) return ready;
    tried = true;
    if (!openBenchmarkWindow("bench_playing_frame", true)) return false;
    windowWidth = glutGet(GLUT_WINDOW_WIDTH);
    windowHeight = glutGet(GLUT_WINDOW_HEIGHT);
    setFixedSeed(kSeed);
    initGame();
    gameSession.firstStart = 1;
    setUpRound(0);
    gameSession.firstStart = 0;

    // The anchor's picture: the ground's, filtered linearly, not mipmapped.
    const std::optional<BmpImage> picture = readBmp("bilder/Bottom.bmp");
    if (!picture) return false;
    glGenTextures(1, &anchorTexture);
    glBindTexture(GL_TEXTURE_2D, anchorTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, picture->width, picture->height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 picture->pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    ready = true;
    return true;
}

void setUpScene(Scene scene)
{
    static Scene current = Scene::Start;
    static bool any = false;
    if (any && current == scene) return;
    any = true;
    current = scene;
    seedRandom(kSeed);
    gameSession.level = scene == Scene::LevelEight ? 8 : 0;
    setUpRound(gameSession.level);
    gameSession.gameState = Playing;
    if (scene == Scene::LevelEight) {
        for (int i = 0; i < kMoleWalkPasses; ++i) molePass(kMolePassSeconds);
    }
    if (scene == Scene::Spray) {
        // The spray at its height: the particles keep being reborn.
        startSpray();
        gardener.sprayEffect = true;
        gardener.effectVisible = true;
        gardener.effectFinished = false;
        for (int i = 0; i < 60; ++i) drawPlayingFrame();
    }
    followGardener(chaseCamera, gardener.position, cameraOffset);
}

void drawAnchorFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, anchorTexture);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0); glVertex2f(-1, -1);
    glTexCoord2f(1, 0); glVertex2f(1, -1);
    glTexCoord2f(1, 1); glVertex2f(1, 1);
    glTexCoord2f(0, 1); glVertex2f(-1, 1);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

void finishFrame()
{
    glutSwapBuffers();
    glFinish();
}

double milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double median(std::vector<double>& values)
{
    if (values.empty()) return 0.0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The processor time of all of this process's threads (the rasteriser's too).
double processCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void drawFrames(benchmark::State& state, Scene scene, unsigned layers)
{
    if (!setUpGame()) {
        state.SkipWithError("no display");
        return;
    }
    setUpScene(scene);
    std::vector<double> anchor;
    std::vector<double> frame;
    std::vector<double> ratio;
    anchor.reserve(kMaxSamples);
    frame.reserve(kMaxSamples);
    ratio.reserve(kMaxSamples);
    double anchorCpu = 0.0;
    double frameCpu = 0.0;
    for (auto _ : state) {
        const double cpuStart = processCpuMilliseconds();
        const Clock::time_point start = Clock::now();
        drawAnchorFrame();
        finishFrame();
        const Clock::time_point between = Clock::now();
        const double cpuBetween = processCpuMilliseconds();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawPlayingFrame(layers);
        finishFrame();
        const Clock::time_point end = Clock::now();
        const double cpuEnd = processCpuMilliseconds();
        state.SetIterationTime(std::chrono::duration<double>(end - between).count());
        anchorCpu += cpuBetween - cpuStart;
        frameCpu += cpuEnd - cpuBetween;
        if (anchor.size() < kMaxSamples) {
            anchor.push_back(milliseconds(between - start));
            frame.push_back(milliseconds(end - between));
            ratio.push_back(frame.back() / std::max(anchor.back(), 1e-6));
        }
    }
    const double frameMs = median(frame);
    state.counters["frame_ms"] = frameMs;
    state.counters["anchor_ms"] = median(anchor);
    // Each frame against the anchor drawn just before it, the median of those.
    state.counters["quads"] = median(ratio);
    // The same from the processor time, which other programs on the machine disturb less.
    state.counters["cpu_quads"] = anchorCpu > 0.0 ? frameCpu / anchorCpu : 0.0;
    state.counters["fps"] = frameMs > 0.0 ? 1000.0 / frameMs : 0.0;
    state.counters["width"] = windowWidth;
    state.counters["height"] = windowHeight;
    state.counters["moles"] = moleListLength();
}

struct LayerSet {
    const char* name;
    unsigned layers;
};

// The layers in drawing order, each set one more than the last.
constexpr LayerSet kCumulativeLayers[] = {
    {"clear", 0},
    {"+sky", kSkyLayer},
    {"+ground", kSkyLayer | kGroundLayer},
    {"+fence", kSceneryLayers},
    {"+flowers", kSceneryLayers | kFlowerLayer},
    {"+moles", kSceneryLayers | kFlowerLayer | kMoleLayer},
    {"+rakes", kSceneryLayers | kFlowerLayer | kMoleLayer | kRakeLayer},
    {"+gardener", kSceneryLayers | kFlowerLayer | kMoleLayer | kRakeLayer | kGardenerLayer},
    {"+effects", kAllFrameLayers & ~kHudLayer},
    {"+hud", kAllFrameLayers},
};

bool registerBenchmarks()
{
    const struct {
        const char* name;
        Scene scene;
        bool layerSteps;
    } scenes[] = {{"start", Scene::Start, true}, {"spray", Scene::Spray, false}, {"level8", Scene::LevelEight, false}};
    for (const auto& scene : scenes) {
        const Scene which = scene.scene;
        auto add = [which](const std::string& name, unsigned layers) {
            benchmark::RegisterBenchmark(name.c_str(),
                                         [which, layers](benchmark::State& state) { drawFrames(state, which, layers); })
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime()
                ->MinTime(1.0);
        };
        const std::string prefix = std::string("BM_PlayingFrame/") + scene.name + "/";
        add(prefix + "whole", kAllFrameLayers);
        add(prefix + "scenery", kSceneryLayers | kHudLayer);
        add(prefix + "no_gardener", kAllFrameLayers & ~kGardenerLayer);
        if (scene.layerSteps) {
            for (const LayerSet& set : kCumulativeLayers) add(prefix + "layers/" + set.name, set.layers);
        }
    }
    return true;
}

const bool registered = registerBenchmarks();

}  // namespace
