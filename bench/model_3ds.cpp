// Import of a 3DS model of about 2000 vertices from memory, the two ways of
// computing its smooth normals, and drawing it in both drawing paths.
#include "assets/model_3ds.h"
#include "assets/model_draw.h"
#include "effects/geometry.h"
#include "platform/message_box.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <benchmark/benchmark.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kGridSide = 45;  // 2025 vertices, 3872 faces

class Writer {
public:
    void u16(std::uint32_t v) { bytes.push_back(v & 0xFF), bytes.push_back((v >> 8) & 0xFF); }
    void u32(std::uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); }
    void f32(float f) { u32(std::bit_cast<std::uint32_t>(f)); }
    std::size_t open(std::uint16_t id) { u16(id), u32(0); return bytes.size() - 6; }
    void close(std::size_t at)
    {
        const auto length = static_cast<std::uint32_t>(bytes.size() - at);
        for (int i = 0; i < 4; ++i) bytes[at + 2 + i] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    std::vector<std::uint8_t> bytes;
};

// A wavy sheet: a grid in the file's ground plane with heights, one object.
std::vector<std::uint8_t> sheetModel()
{
    Writer w;
    const auto primary = w.open(0x4D4D);
    const auto scene = w.open(0x3D3D);
    const auto version = w.open(0x3D3E);
    w.u32(3);
    w.close(version);
    const auto object = w.open(0x4000);
    w.u16('s');
    const auto mesh = w.open(0x4100);
    const auto vertices = w.open(0x4110);
    w.u16(kGridSide * kGridSide);
    for (int y = 0; y < kGridSide; ++y) {
        for (int x = 0; x < kGridSide; ++x) {
            w.f32(static_cast<float>(x)), w.f32(static_cast<float>(y));
            w.f32(std::sin(0.3f * static_cast<float>(x)) * std::cos(0.2f * static_cast<float>(y)));
        }
    }
    w.close(vertices);
    const auto faces = w.open(0x4120);
    w.u16(2 * (kGridSide - 1) * (kGridSide - 1));
    for (int y = 0; y + 1 < kGridSide; ++y) {
        for (int x = 0; x + 1 < kGridSide; ++x) {
            const auto a = static_cast<std::uint32_t>(y * kGridSide + x);
            w.u16(a), w.u16(a + 1), w.u16(a + kGridSide + 1), w.u16(0);
            w.u16(a), w.u16(a + kGridSide + 1), w.u16(a + kGridSide), w.u16(0);
        }
    }
    w.close(faces);
    const auto coordinates = w.open(0x4140);
    w.u16(kGridSide * kGridSide);
    for (int i = 0; i < kGridSide * kGridSide; ++i) w.f32(static_cast<float>(i % kGridSide) / kGridSide), w.f32(0.5f);
    w.close(coordinates);
    w.close(mesh);
    w.close(object);
    w.close(scene);
    w.close(primary);
    return w.bytes;
}

MeshModel loadedSheet()
{
    const auto bytes = sheetModel();
    MeshModel model;
    Model3dsReader{}.importFromMemory(model, bytes.data(), bytes.size(), "sheet.3ds");
    return model;
}

// A file of n materials and n objects, each object's face material list
// naming the material of its own number: the name look-ups must not grow
// with the product of the two counts.
std::vector<std::uint8_t> manyMaterialsModel(int n)
{
    Writer w;
    const auto primary = w.open(0x4D4D);
    const auto scene = w.open(0x3D3D);
    const auto version = w.open(0x3D3E);
    w.u32(3);
    w.close(version);
    auto name = [&](int i) {
        for (char c : "m" + std::to_string(i)) w.bytes.push_back(static_cast<std::uint8_t>(c));
        w.bytes.push_back(0);
    };
    for (int i = 0; i < n; ++i) {
        const auto material = w.open(0xAFFF);
        const auto materialName = w.open(0xA000);
        name(i);
        w.close(materialName);
        w.close(material);
    }
    for (int i = 0; i < n; ++i) {
        const auto object = w.open(0x4000);
        name(i);
        const auto mesh = w.open(0x4100);
        const auto faceMaterial = w.open(0x4130);
        name(n - 1 - i);
        w.u16(0);
        w.close(faceMaterial);
        w.close(mesh);
        w.close(object);
    }
    w.close(scene);
    w.close(primary);
    return w.bytes;
}

void BM_Import3dsManyMaterials(benchmark::State& state)
{
    setDialogsEnabled(false);
    const auto bytes = manyMaterialsModel(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        MeshModel model;
        benchmark::DoNotOptimize(Model3dsReader{}.importFromMemory(model, bytes.data(), bytes.size(), "many.3ds"));
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_Import3dsManyMaterials)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity(benchmark::oNLogN)->Unit(benchmark::kMillisecond);

void BM_Import3dsFromMemory(benchmark::State& state)
{
    setDialogsEnabled(false);
    const auto bytes = sheetModel();
    for (auto _ : state) {
        MeshModel model;
        benchmark::DoNotOptimize(Model3dsReader{}.importFromMemory(model, bytes.data(), bytes.size(), "sheet.3ds"));
        benchmark::DoNotOptimize(model.objects.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_Import3dsFromMemory)->Unit(benchmark::kMicrosecond);

void BM_NormalsSinglePass(benchmark::State& state)
{
    MeshModel model = loadedSheet();
    for (auto _ : state) {
        computeVertexNormals(model.objects[0]);
        benchmark::DoNotOptimize(model.objects[0].normals.data());
    }
}
BENCHMARK(BM_NormalsSinglePass)->Unit(benchmark::kMicrosecond);

// The plain double loop, vertex count x face count steps.
void BM_NormalsPairwiseLoop(benchmark::State& state)
{
    MeshModel model = loadedSheet();
    for (auto _ : state) {
        computeVertexNormalsPairwise(model.objects[0]);
        benchmark::DoNotOptimize(model.objects[0].normals.data());
    }
}
BENCHMARK(BM_NormalsPairwiseLoop)->Unit(benchmark::kMillisecond);

// A hidden window with a GL context, once per process; false without a display.
bool glContext()
{
    static int window = -1;
    if (window >= 0) return window > 0;
    window = 0;
    if (std::getenv("DISPLAY") == nullptr) return false;
    int argc = 1;
    char name[] = "bench_model_3ds";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(256, 256);
    window = glutCreateWindow(name);
    glutHideWindow();
    glViewport(0, 0, 256, 256);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 1.0, 1.0, 500.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(22, 40, 30, 22, 0, -22, 0, 1, 0);
    extractFrustum();
    glEnable(GL_DEPTH_TEST);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    return window > 0;
}

void BM_DrawModel(benchmark::State& state)
{
    if (!glContext()) {
        state.SkipWithError("no display for a GL context");
        return;
    }
    const MeshModel model = loadedSheet();
    Placement placement;
    placement.centreOffset = {22, 0, -22};
    placement.radius = 40;
    const bool useArrays = state.range(0) != 0;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawModel(placement, model, nullptr, 0, useArrays, false);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * model.objects[0].faceCount);
    state.SetLabel(useArrays ? "vertex arrays" : "immediate");
}
BENCHMARK(BM_DrawModel)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
