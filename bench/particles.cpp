// One frame of each particle effect (draw, advance and, for the spray, the
// far-to-near sort) through vertex arrays and immediate mode; the frame waits
// for the GL.
#include "effects/particles.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {

constexpr float kTick = 1.0f / 60.0f;

bool setUpContext()
{
    static bool ready = false;
    static bool tried = false;
    if (tried) return ready;
    tried = true;
    if (std::getenv("DISPLAY") == nullptr) return false;
    std::error_code error;
    std::filesystem::current_path(BURRIK_DATA_DIR, error);
    if (error || !std::filesystem::exists("bilder/Particle.tga")) return false;
    int argc = 1;
    char name[] = "bench_particles";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutCreateWindow(name);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glMatrixMode(GL_PROJECTION);
    glOrtho(-20, 20, -20, 20, -50, 50);
    glMatrixMode(GL_MODELVIEW);
    ready = true;
    return true;
}

void BM_SprayFrame(benchmark::State& state)
{
    if (!setUpContext()) {
        state.SkipWithError("no display or no generated data");
        return;
    }
    startSpray();
    const bool useArrays = state.range(0) != 0;
    for (auto _ : state) {
        drawSpray(false, 0.0f, 30.0f, 3.0f, 2.0f, 40.0f, useArrays, kTick);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * kSprayParticleCount);
}
BENCHMARK(BM_SprayFrame)->Arg(0)->Arg(1);

void BM_WaterFrame(benchmark::State& state)
{
    if (!setUpContext()) {
        state.SkipWithError("no display or no generated data");
        return;
    }
    startWater();
    const bool useArrays = state.range(0) != 0;
    for (auto _ : state) {
        drawWater(false, 0.0f, 30.0f, useArrays, kTick);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * kWaterParticleCount);
}
BENCHMARK(BM_WaterFrame)->Arg(0)->Arg(1);

void BM_FliesFrame(benchmark::State& state)
{
    if (!setUpContext()) {
        state.SkipWithError("no display or no generated data");
        return;
    }
    startFlies();
    for (auto _ : state) {
        drawFlies(1, 0.0f, 30.0f, true, kTick);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * kFlyCount);
}
BENCHMARK(BM_FliesFrame);

}  // namespace
