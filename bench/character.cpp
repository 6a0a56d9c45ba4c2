// The gardener's character: MD3 import of each Pell file against assimp on
// the same bytes, and drawing the blended character per frame in each
// render path (the frame waits for the GL).
#include "character/character_model.h"
#include "character/md3_reader.h"
#include "character/playback.h"
#include "platform/message_box.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#ifdef BURRIK_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/scene.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const char* const kPellFiles[] = {"pell_lower.md3", "pell_upper.md3", "pell_head.md3"};

const std::vector<std::uint8_t>& pellBytes(int file)
{
    static std::vector<std::uint8_t> bytes[3];
    auto& b = bytes[file];
    if (b.empty()) {
        std::ifstream in(std::filesystem::path(BURRIK_DATA_DIR) / "Pell" / kPellFiles[file], std::ios::binary);
        b.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return b;
}

void BM_Md3Import(benchmark::State& state)
{
    const auto& bytes = pellBytes(static_cast<int>(state.range(0)));
    state.SetLabel(kPellFiles[state.range(0)]);
    for (auto _ : state) {
        MeshModel model;
        if (!importMd3FromMemory(model, bytes.data(), bytes.size(), "bench.md3")) state.SkipWithError("refused");
        benchmark::DoNotOptimize(model.objects.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_Md3Import)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

#ifdef BURRIK_HAVE_ASSIMP
void BM_AssimpMd3Import(benchmark::State& state)
{
    const auto& bytes = pellBytes(static_cast<int>(state.range(0)));
    state.SetLabel(kPellFiles[state.range(0)]);
    for (auto _ : state) {
        Assimp::Importer importer;
        importer.SetPropertyBool(AI_CONFIG_IMPORT_MD3_HANDLE_MULTIPART, false);
        const aiScene* scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, "md3");
        if (scene == nullptr) state.SkipWithError("assimp refused");
        benchmark::DoNotOptimize(scene);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_AssimpMd3Import)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
#endif

CharacterModel* character()
{
    static CharacterModel model;
    static bool tried = false;
    static bool ready = false;
    if (tried) return ready ? &model : nullptr;
    tried = true;
    if (std::getenv("DISPLAY") == nullptr) return nullptr;
    setDialogsEnabled(false);
    int argc = 1;
    char name[] = "bench_character";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutCreateWindow(name);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glMatrixMode(GL_PROJECTION);
    glOrtho(-40, 40, -30, 30, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    std::filesystem::current_path(BURRIK_DATA_DIR);
    ready = loadCharacter(model, "Pell", "pell");
    setLegsAnimation(model, "BOTH_WALK");
    setTorsoAnimation(model, "BOTH_WALK");
    return ready ? &model : nullptr;
}

void drawCharacterFrames(benchmark::State& state, bool useArrays, bool wireframe)
{
    CharacterModel* c = character();
    if (c == nullptr) {
        state.SkipWithError("no display or no character");
        return;
    }
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        drawCharacter(*c, useArrays, wireframe);
        glFinish();
    }
}

void BM_DrawCharacterVertexArrays(benchmark::State& state) { drawCharacterFrames(state, true, false); }
void BM_DrawCharacterImmediateMode(benchmark::State& state) { drawCharacterFrames(state, false, false); }
void BM_DrawCharacterWireframe(benchmark::State& state) { drawCharacterFrames(state, true, true); }
BENCHMARK(BM_DrawCharacterVertexArrays)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_DrawCharacterImmediateMode)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_DrawCharacterWireframe)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
