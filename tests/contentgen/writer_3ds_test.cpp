// The 3DS writer: its chunk tree walked by a small independent reader, the
// game's reader and assimp on what it writes, and its refusals.
#include "../../tools/contentgen/writer_3ds.cpp"

#include "assets/model_3ds.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>

using contentgen::Material3ds;
using contentgen::Model3ds;
using contentgen::Object3ds;
using contentgen::write3ds;

namespace {

// ------------------------------------------------------------ a tiny chunk walker
struct Chunk {
    std::uint16_t id = 0;
    std::size_t start = 0;   // offset of the header
    std::size_t length = 0;  // header included
    std::vector<Chunk> children;
};

std::uint16_t u16At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t u32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
float f32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    const std::uint32_t bits = u32At(b, at);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Where a container's children begin, past its own data; 0 for chunks
// that hold no children.
std::size_t childrenOffset(const std::vector<std::uint8_t>& b, const Chunk& c)
{
    const std::size_t data = c.start + 6;
    switch (c.id) {
    case 0x4D4D:
    case 0x3D3D:
    case 0xAFFF:
    case 0xA020:
    case 0xA200:
    case 0x4100:
        return data;
    case 0x4000:  // zero-terminated name first
        return data + std::strlen(reinterpret_cast<const char*>(b.data() + data)) + 1;
    case 0x4120:  // count and four 16-bit values per face
        return data + 2 + 8 * static_cast<std::size_t>(u16At(b, data));
    default:
        return 0;
    }
}

// Parses the children of parent in [from, parent end); every child must lie
// inside the parent and the children must fill it exactly.
::testing::AssertionResult parseChildren(const std::vector<std::uint8_t>& b, Chunk& parent)
{
    const std::size_t from = childrenOffset(b, parent);
    if (from == 0) return ::testing::AssertionSuccess();
    const std::size_t end = parent.start + parent.length;
    std::size_t at = from;
    while (at < end) {
        if (at + 6 > end)
            return ::testing::AssertionFailure() << "header past the end of chunk 0x" << std::hex << parent.id;
        Chunk child;
        child.id = u16At(b, at);
        child.start = at;
        child.length = u32At(b, at + 2);
        if (child.length < 6 || at + child.length > end)
            return ::testing::AssertionFailure()
                   << "chunk 0x" << std::hex << child.id << " overruns its parent 0x" << parent.id;
        auto result = parseChildren(b, child);
        if (!result) return result;
        parent.children.push_back(child);
        at += child.length;
    }
    return ::testing::AssertionSuccess();
}

std::vector<std::uint16_t> idsOf(const Chunk& c)
{
    std::vector<std::uint16_t> ids;
    for (const Chunk& child : c.children) ids.push_back(child.id);
    return ids;
}

// A model with everything the writer can write: two materials (one without
// texture), a textured object and one without texture coordinates.
Model3ds sampleModel()
{
    Model3ds model;
    model.materials.push_back({"Plain", {10, 20, 30}, ""});
    model.materials.push_back({"Leafy", {40, 200, 60}, "bilder/leaf.bmp"});
    Object3ds quad;
    quad.name = "Quad";
    quad.vertices = {{1, 2, 3}, {4, 2, 3}, {4, 2, -1}, {1, 2, -1}};
    quad.textureCoordinates = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    quad.faces = {{0, 1, 2}, {0, 2, 3}};
    quad.materialName = "Leafy";
    Object3ds tri;
    tri.name = "Tri";
    tri.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    tri.faces = {{0, 1, 2}};
    tri.materialName = "Plain";
    model.objects = {quad, tri};
    return model;
}

TEST(Writer3dsChunks, TreeIsWellFormedAndOrderedAsReadersExpect)
{
    const std::vector<std::uint8_t> bytes = write3ds(sampleModel());
    ASSERT_GE(bytes.size(), 6u);
    Chunk root;
    root.id = u16At(bytes, 0);
    root.start = 0;
    root.length = u32At(bytes, 2);
    ASSERT_EQ(root.id, 0x4D4D);
    ASSERT_EQ(root.length, bytes.size()) << "the primary chunk must span the whole file";
    ASSERT_TRUE(parseChildren(bytes, root));

    ASSERT_EQ(idsOf(root), (std::vector<std::uint16_t>{0x0002, 0x3D3D}));
    EXPECT_EQ(root.children[0].length, 10u);
    EXPECT_EQ(u32At(bytes, root.children[0].start + 6), 3u) << "file version";
    const Chunk& scene = root.children[1];
    ASSERT_EQ(idsOf(scene), (std::vector<std::uint16_t>{0x3D3E, 0xAFFF, 0xAFFF, 0x4000, 0x4000}));
    EXPECT_EQ(u32At(bytes, scene.children[0].start + 6), 3u) << "mesh version";

    // Materials: name, diffuse with a 24-bit colour, texture map with its file.
    const Chunk& plain = scene.children[1];
    EXPECT_EQ(idsOf(plain), (std::vector<std::uint16_t>{0xA000, 0xA020}));
    const Chunk& leafy = scene.children[2];
    ASSERT_EQ(idsOf(leafy), (std::vector<std::uint16_t>{0xA000, 0xA020, 0xA200}));
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data() + leafy.children[0].start + 6), "Leafy");
    const Chunk& diffuse = leafy.children[1];
    ASSERT_EQ(idsOf(diffuse), (std::vector<std::uint16_t>{0x0011}));
    EXPECT_EQ(diffuse.children[0].length, 9u);
    EXPECT_EQ(bytes[diffuse.children[0].start + 6], 40);
    EXPECT_EQ(bytes[diffuse.children[0].start + 7], 200);
    EXPECT_EQ(bytes[diffuse.children[0].start + 8], 60);
    ASSERT_EQ(idsOf(leafy.children[2]), (std::vector<std::uint16_t>{0xA300}));
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data() + leafy.children[2].children[0].start + 6),
                 "bilder/leaf.bmp");

    // Objects: mesh with vertices, faces (material list nested), texture coordinates.
    const Chunk& quad = scene.children[3];
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data() + quad.start + 6), "Quad");
    ASSERT_EQ(idsOf(quad), (std::vector<std::uint16_t>{0x4100}));
    const Chunk& mesh = quad.children[0];
    ASSERT_EQ(idsOf(mesh), (std::vector<std::uint16_t>{0x4110, 0x4120, 0x4140}));
    const Chunk& vertices = mesh.children[0];
    EXPECT_EQ(u16At(bytes, vertices.start + 6), 4);
    EXPECT_EQ(vertices.length, 6u + 2u + 4u * 12u);
    // Game (1, 2, 3) is stored as file (1, -3, 2): z up in the file.
    EXPECT_EQ(f32At(bytes, vertices.start + 8), 1.0f);
    EXPECT_EQ(f32At(bytes, vertices.start + 12), -3.0f);
    EXPECT_EQ(f32At(bytes, vertices.start + 16), 2.0f);
    const Chunk& faces = mesh.children[1];
    EXPECT_EQ(u16At(bytes, faces.start + 6), 2);
    ASSERT_EQ(idsOf(faces), (std::vector<std::uint16_t>{0x4130}));
    const Chunk& faceMaterials = faces.children[0];
    const std::size_t nameAt = faceMaterials.start + 6;
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data() + nameAt), "Leafy");
    EXPECT_EQ(u16At(bytes, nameAt + 6), 2) << "face count of the material list";
    EXPECT_EQ(faceMaterials.length, 6u + 6u + 2u + 2u * 2u);
    EXPECT_EQ(mesh.children[2].length, 6u + 2u + 4u * 8u);

    // The object without texture coordinates writes no 0x4140.
    ASSERT_EQ(idsOf(scene.children[4]), (std::vector<std::uint16_t>{0x4100}));
    EXPECT_EQ(idsOf(scene.children[4].children[0]), (std::vector<std::uint16_t>{0x4110, 0x4120}));
}

TEST(Writer3dsChunks, SameModelGivesSameBytes)
{
    EXPECT_EQ(write3ds(sampleModel()), write3ds(sampleModel()));
}

TEST(Writer3dsRefusals, ModelsTheFormatCannotHoldGiveNoBytes)
{
    Model3ds badIndex = sampleModel();
    badIndex.objects[0].faces.push_back({0, 1, 4});
    EXPECT_TRUE(write3ds(badIndex).empty()) << "face index past the vertex list";

    Model3ds badUv = sampleModel();
    badUv.objects[0].textureCoordinates.pop_back();
    EXPECT_TRUE(write3ds(badUv).empty()) << "texture coordinates must be one per vertex";

    Model3ds tooMany = sampleModel();
    tooMany.objects[1].vertices.resize(contentgen::kMaxElements3ds + 1);
    EXPECT_TRUE(write3ds(tooMany).empty()) << "16-bit vertex count";

    Model3ds limit = sampleModel();
    limit.objects[1].vertices.resize(contentgen::kMaxElements3ds);
    EXPECT_FALSE(write3ds(limit).empty()) << "65535 vertices still fit";
}

// ------------------------------------------------------------ the game's reader
TEST(Writer3dsRoundTrip, GameReaderGetsBackGameAxesMaterialsAndCoordinates)
{
    const Model3ds written = sampleModel();
    const std::vector<std::uint8_t> bytes = write3ds(written);
    MeshModel model;
    Model3dsReader reader;
    ASSERT_TRUE(reader.importFromMemory(model, bytes.data(), bytes.size(), "sample.3ds"));
    ASSERT_EQ(model.materialCount, 2);
    ASSERT_EQ(model.objectCount, 2);
    EXPECT_EQ(model.materials[0].name, "Plain");
    EXPECT_EQ(model.materials[0].textureFileName, "");
    EXPECT_EQ(model.materials[0].colour, (std::array<std::uint8_t, 3>{10, 20, 30}));
    EXPECT_EQ(model.materials[1].textureFileName, "bilder/leaf.bmp");

    const MeshObject& quad = model.objects[0];
    EXPECT_EQ(quad.name, "Quad");
    EXPECT_EQ(quad.materialIndex, 1);
    EXPECT_TRUE(quad.textured);
    ASSERT_EQ(quad.vertexCount, 4);
    ASSERT_EQ(quad.textureCoordinateCount, 4);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(quad.vertices[i].x, written.objects[0].vertices[i].x);
        EXPECT_EQ(quad.vertices[i].y, written.objects[0].vertices[i].y);
        EXPECT_EQ(quad.vertices[i].z, written.objects[0].vertices[i].z);
        EXPECT_EQ(quad.textureCoordinates[i].x, written.objects[0].textureCoordinates[i].x);
        EXPECT_EQ(quad.textureCoordinates[i].y, written.objects[0].textureCoordinates[i].y);
    }
    EXPECT_EQ(quad.elementIndices, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3}));
    // The quad lies in the plane y = 2 and its faces are counter-clockwise
    // seen from above, so the reader's smooth normals point straight up.
    for (const Vector3& n : quad.normals) {
        EXPECT_NEAR(n.x, 0.0f, 1e-6f);
        EXPECT_NEAR(n.y, 1.0f, 1e-6f);
        EXPECT_NEAR(n.z, 0.0f, 1e-6f);
    }

    const MeshObject& tri = model.objects[1];
    EXPECT_EQ(tri.materialIndex, 0);
    EXPECT_FALSE(tri.textured);
    EXPECT_EQ(tri.textureCoordinateCount, 0);
    EXPECT_EQ(tri.faceCount, 1);
}

// ------------------------------------------------------------ assimp
// `assimp info` prints "Vertices:" and "Faces:" totals. Its 3DS importer
// gives every face corner its own vertex; with -r (no post-processing) the
// vertex total is therefore three per face, while the face total is ours.
struct AssimpCounts {
    int vertices = -1;
    int faces = -1;
    int meshes = -1;
    int materials = -1;
};

AssimpCounts assimpInfo(const std::string& path)
{
    AssimpCounts counts;
    const auto result = testsupport::runCommand("assimp info " + testsupport::shellQuote(path) + " -r");
    const auto grab = [&](const char* label) {
        const std::regex pattern(std::string(label) + R"(:\s+(\d+))");
        std::smatch match;
        return std::regex_search(result.output, match, pattern) ? std::stoi(match[1]) : -1;
    };
    counts.vertices = grab("Vertices");
    counts.faces = grab("Faces");
    counts.meshes = grab("Meshes");
    counts.materials = grab("Materials");
    return counts;
}

TEST(Writer3dsAssimp, ImportsWrittenFileWithOurFaceCounts)
{
    ASSERT_TRUE(testsupport::haveProgram("assimp")) << "assimp-utils is a test dependency";
    testsupport::TempDir dir;
    testsupport::writeFileBytes(dir / "sample.3ds", write3ds(sampleModel()));
    const AssimpCounts counts = assimpInfo((dir / "sample.3ds").string());
    EXPECT_EQ(counts.faces, 3);
    EXPECT_EQ(counts.vertices, 9);
    EXPECT_EQ(counts.meshes, 2);
    EXPECT_EQ(counts.materials, 2);
}

}  // namespace
