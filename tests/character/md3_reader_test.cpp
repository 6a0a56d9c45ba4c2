// The MD3 reader: small files built here byte by byte, the generated Pell
// files against assimp, and damaged files (every prefix, random byte flips).
#include "character/md3_reader.h"
#include "platform/message_box.h"

#include "test_support.h"

#include <gtest/gtest.h>

#ifdef BURRIK_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/scene.h>
#endif

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void put32(Bytes& b, std::size_t at, std::int32_t v)
{
    for (int k = 0; k < 4; ++k) b[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * k));
}
void putFloat(Bytes& b, std::size_t at, float f)
{
    std::int32_t v = 0;
    std::memcpy(&v, &f, 4);
    put32(b, at, v);
}
void putText(Bytes& b, std::size_t at, const std::string& text) { std::memcpy(&b[at], text.data(), text.size()); }

struct TestMesh {
    std::string name = "mesh";
    int keyFrames = 1;
    int skins = 0;
    std::vector<std::array<int, 3>> triangles;
    std::vector<std::array<float, 2>> st;
    std::vector<std::array<std::int16_t, 3>> xyz;  // key frame after key frame
};

struct TestTag {
    std::string name;
    std::array<float, 3> origin{};
    std::array<float, 9> axis{1, 0, 0, 0, 1, 0, 0, 0, 1};
};

struct Layout {
    std::size_t firstMesh = 0;
    std::vector<std::size_t> meshStarts;
};

// An MD3 file laid out as the game's files are: header, frames, tags, then
// meshes (header, skins, triangles, texture coordinates, vertices).
Bytes buildMd3(int keyFrames, const std::vector<TestTag>& tagsPerFrame, const std::vector<TestMesh>& meshes,
               Layout* layout = nullptr, int version = 15)
{
    Bytes b(108, 0);
    putText(b, 0, "IDP3");
    put32(b, 4, version);
    put32(b, 76, keyFrames);
    put32(b, 80, static_cast<int>(tagsPerFrame.size()));
    put32(b, 84, static_cast<int>(meshes.size()));
    b.resize(b.size() + static_cast<std::size_t>(keyFrames) * 56, 0);
    for (int f = 0; f < keyFrames; ++f) {
        for (const TestTag& tag : tagsPerFrame) {
            const std::size_t at = b.size();
            b.resize(at + 112, 0);
            putText(b, at, tag.name);
            for (int k = 0; k < 3; ++k) putFloat(b, at + 64 + 4 * static_cast<std::size_t>(k), tag.origin[static_cast<std::size_t>(k)] + static_cast<float>(f));
            for (int k = 0; k < 9; ++k) putFloat(b, at + 76 + 4 * static_cast<std::size_t>(k), tag.axis[static_cast<std::size_t>(k)]);
        }
    }
    if (layout) layout->firstMesh = b.size();
    for (const TestMesh& m : meshes) {
        const std::size_t start = b.size();
        if (layout) layout->meshStarts.push_back(start);
        const int vertices = static_cast<int>(m.st.size());
        const std::size_t trianglesAt = 108 + static_cast<std::size_t>(m.skins) * 68;
        const std::size_t stAt = trianglesAt + m.triangles.size() * 12;
        const std::size_t xyzAt = stAt + m.st.size() * 8;
        const std::size_t size = xyzAt + m.xyz.size() * 8;
        b.resize(start + size, 0);
        putText(b, start, "IDP3");
        putText(b, start + 4, m.name);
        put32(b, start + 72, m.keyFrames);
        put32(b, start + 76, m.skins);
        put32(b, start + 80, vertices);
        put32(b, start + 84, static_cast<int>(m.triangles.size()));
        put32(b, start + 88, static_cast<int>(trianglesAt));
        put32(b, start + 92, 108);
        put32(b, start + 96, static_cast<int>(stAt));
        put32(b, start + 100, static_cast<int>(xyzAt));
        put32(b, start + 104, static_cast<int>(size));
        for (int s = 0; s < m.skins; ++s) putText(b, start + 108 + static_cast<std::size_t>(s) * 68, "skin");
        for (std::size_t t = 0; t < m.triangles.size(); ++t) {
            for (int c = 0; c < 3; ++c) put32(b, start + trianglesAt + t * 12 + 4 * static_cast<std::size_t>(c), m.triangles[t][static_cast<std::size_t>(c)]);
        }
        for (std::size_t v = 0; v < m.st.size(); ++v) {
            putFloat(b, start + stAt + v * 8, m.st[v][0]);
            putFloat(b, start + stAt + v * 8 + 4, m.st[v][1]);
        }
        for (std::size_t v = 0; v < m.xyz.size(); ++v) {
            for (int k = 0; k < 3; ++k) {
                const auto u = static_cast<std::uint16_t>(m.xyz[v][static_cast<std::size_t>(k)]);
                b[start + xyzAt + v * 8 + 2 * static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(u & 0xFF);
                b[start + xyzAt + v * 8 + 2 * static_cast<std::size_t>(k) + 1] = static_cast<std::uint8_t>(u >> 8);
            }
        }
    }
    return b;
}

// A quad of two triangles with two key frames.
TestMesh quad(int skins = 0)
{
    TestMesh m;
    m.keyFrames = 2;
    m.skins = skins;
    m.triangles = {{0, 1, 2}, {0, 2, 3}};
    m.st = {{0.25f, 0.75f}, {1, 0}, {1, 1}, {0, 1}};
    m.xyz = {{64, -128, 32}, {64, 0, 0}, {64, 64, 0}, {0, 64, 0},  // key frame 0
             {0, 0, 64}, {64, 0, 64}, {64, 64, 64}, {0, 64, 64}};  // key frame 1
    return m;
}

class Md3Reader : public ::testing::Test {
protected:
    void SetUp() override { setDialogsEnabled(false); }
};

TEST_F(Md3Reader, ReadsVerticesTexCoordsFacesTagsAndSkipsSkinsInPlace)
{
    const TestTag tag{"tag_torso", {1, 2, 3}, {0, 1, 0, -1, 0, 0, 0, 0, 1}};
    for (int skins : {0, 3}) {
        const Bytes file = buildMd3(2, {tag}, {quad(skins)});
        MeshModel model;
        ::Md3Reader reader;
        ASSERT_TRUE(reader.importFromMemory(model, file.data(), file.size(), "test.md3")) << reader.lastError();
        ASSERT_EQ(model.objectCount, 1);
        const MeshObject& o = model.objects[0];
        EXPECT_EQ(o.name, "mesh");
        EXPECT_EQ(o.vertexCount, 4);
        EXPECT_EQ(o.textureCoordinateCount, 4);
        EXPECT_EQ(o.faceCount, 2);
        EXPECT_EQ(o.materialIndex, 0);
        EXPECT_FALSE(o.textured);
        ASSERT_EQ(o.vertices.size(), 8u);
        EXPECT_FLOAT_EQ(o.vertices[0].x, 1.0f);
        EXPECT_FLOAT_EQ(o.vertices[0].y, -2.0f);
        EXPECT_FLOAT_EQ(o.vertices[0].z, 0.5f);
        EXPECT_FLOAT_EQ(o.vertices[4 + 2].z, 1.0f);  // key frame 1, vertex 2
        EXPECT_FLOAT_EQ(o.textureCoordinates[0].x, 0.25f);
        EXPECT_FLOAT_EQ(o.textureCoordinates[0].y, -0.75f);
        EXPECT_EQ(o.faces[1].vertexIndex, (std::array<std::int32_t, 3>{0, 2, 3}));
        EXPECT_EQ(o.faces[1].textureCoordinateIndex, o.faces[1].vertexIndex);
        EXPECT_EQ(o.elementIndices, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3}));
        EXPECT_EQ(o.frameVertices.size(), 4u);
        ASSERT_EQ(model.tagCount, 1);
        ASSERT_EQ(model.tags.size(), 2u);
        EXPECT_STREQ(model.tags[1].name.data(), "tag_torso");
        EXPECT_FLOAT_EQ(model.tags[1].position.x, 2.0f);  // frame 1 is shifted by 1
        EXPECT_FLOAT_EQ(model.tags[0].rotation[3], -1.0f);
        EXPECT_EQ(model.links, std::vector<MeshModel*>{nullptr});
        EXPECT_EQ(keyFrameCount(model), 2);
    }
}

TEST_F(Md3Reader, NormalsFromKeyFrameZeroWithTheFileWinding)
{
    TestMesh m;
    m.triangles = {{0, 1, 2}, {0, 2, 3}, {3, 3, 0}};  // the last names vertex 3 twice and is flat
    m.st = {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}};  // vertex 4 is used by no face
    m.xyz = {{0, 0, 0}, {64, 0, 0}, {64, 64, 0}, {0, 64, 64}, {9, 9, 9}};
    const Bytes file = buildMd3(1, {}, {m});
    MeshModel model;
    ASSERT_TRUE(importMd3FromMemory(model, file.data(), file.size(), "n.md3"));
    const MeshObject& o = model.objects[0];
    auto faceVector = [&](int a, int b, int c) {
        const Vector3 p0 = o.vertices[static_cast<std::size_t>(a)], p1 = o.vertices[static_cast<std::size_t>(b)],
                      p2 = o.vertices[static_cast<std::size_t>(c)];
        return Cross(Subtract(p0, p2), Subtract(p2, p1));
    };
    const Vector3 n0 = faceVector(0, 1, 2), n1 = faceVector(0, 2, 3), n2 = faceVector(3, 3, 0);
    auto expectNormal = [&](std::size_t v, Vector3 sum, float faces) {
        const Vector3 expected = Normalize(DivideByScalar(sum, -faces));
        EXPECT_NEAR(o.normals[v].x, expected.x, 1e-6f) << v;
        EXPECT_NEAR(o.normals[v].y, expected.y, 1e-6f) << v;
        EXPECT_NEAR(o.normals[v].z, expected.z, 1e-6f) << v;
    };
    expectNormal(0, Add(Add(n0, n1), n2), 3);
    expectNormal(1, n0, 1);
    expectNormal(2, Add(n0, n1), 2);
    expectNormal(3, Add(n1, n2), 2);  // the doubled face counts once
    EXPECT_GT(o.normals[1].z, 0.0f);  // counter-clockwise seen from +z: the normal points to +z
    EXPECT_EQ(o.normals[4].x, 0.0f);  // unused: no NaN
    EXPECT_EQ(o.normals[4].z, 0.0f);
}

TEST_F(Md3Reader, ZeroMeshesGiveTagsAndEmptyLinks)
{
    const Bytes file = buildMd3(3, {{"tag_a", {}, {}}, {"tag_b", {}, {}}}, {});
    MeshModel model;
    ASSERT_TRUE(importMd3FromMemory(model, file.data(), file.size(), "tags.md3"));
    EXPECT_EQ(model.objectCount, 0);
    EXPECT_EQ(model.tagCount, 2);
    EXPECT_EQ(model.tags.size(), 6u);
    EXPECT_EQ(model.links, (std::vector<MeshModel*>{nullptr, nullptr}));
}

// Each damaged file is refused with a message naming the path and the fault,
// and the model is left as it was.
TEST_F(Md3Reader, DamagedFilesAreRefusedWithTheirReason)
{
    Layout layout;
    const Bytes good = buildMd3(2, {{"tag_torso", {}, {}}}, {quad(), quad()}, &layout);
    const std::size_t mesh0 = layout.meshStarts[0], mesh1 = layout.meshStarts[1];
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"version 14", [](Bytes& b) { put32(b, 4, 14); }, "Invalid file format (Version not 15): bad.md3!"},
        {"version 16", [](Bytes& b) { put32(b, 4, 16); }, "Invalid file format (Version not 15): bad.md3!"},
        {"wrong identifier", [](Bytes& b) { b[3] = '2'; }, "Invalid file format (Version not 15): bad.md3!"},
        {"header cut", [](Bytes& b) { b.resize(50); }, "shorter than its header"},
        {"negative key frames", [](Bytes& b) { put32(b, 76, -1); }, "key-frame count -1"},
        {"absurd key frames", [](Bytes& b) { put32(b, 76, 0x7FFFFFFF); }, "key-frame count"},
        {"absurd tags", [](Bytes& b) { put32(b, 80, 100000); }, "tag count"},
        {"negative meshes", [](Bytes& b) { put32(b, 84, -5); }, "mesh count -5"},
        {"tags past the end", [](Bytes& b) { put32(b, 76, 1000); }, "run past the end"},
        {"one mesh too many", [](Bytes& b) { put32(b, 84, 3); }, "mesh 2 header runs past the end"},
        {"mesh size 0", [=](Bytes& b) { put32(b, mesh0 + 104, 0); }, "mesh 0 size 0"},
        {"mesh size loops back", [=](Bytes& b) { put32(b, mesh0 + 104, -static_cast<int>(mesh0)); }, "mesh 0 size -"},
        {"mesh past the end", [=](Bytes& b) { b.resize(b.size() - 1); }, "mesh 1 size"},
        {"triangles past the mesh", [=](Bytes& b) { put32(b, mesh1 + 88, 100000); }, "mesh 1 triangles run past"},
        {"negative triangle offset", [=](Bytes& b) { put32(b, mesh1 + 88, -12); }, "mesh 1 triangles run past"},
        {"texture coordinates past the mesh", [=](Bytes& b) { put32(b, mesh0 + 96, 0x7FFFFFF0); }, "texture coordinates"},
        {"vertices past the mesh", [=](Bytes& b) { put32(b, mesh0 + 72, 3); }, "mesh 0 vertices run past"},
        {"negative vertex count", [=](Bytes& b) { put32(b, mesh0 + 80, -4); }, "vertex count -4"},
        {"absurd triangle count", [=](Bytes& b) { put32(b, mesh0 + 84, 0x40000000); }, "triangle count"},
        {"absurd skin count", [=](Bytes& b) { put32(b, mesh0 + 76, 0x7FFFFFFF); }, "skin count"},
        {"skins past the mesh", [=](Bytes& b) { put32(b, mesh0 + 76, 200); }, "skins run past"},
        {"no key frame for the vertices", [=](Bytes& b) { put32(b, mesh0 + 72, 0); }, "key-frame count 0"},
        {"triangle names a missing vertex", [=](Bytes& b) { put32(b, mesh1 + 108 + 12 + 8, 4); },
         "mesh 1 triangle 1 names vertex 4 of 4"},
        {"triangle names a negative vertex", [=](Bytes& b) { put32(b, mesh0 + 108, -1); }, "names vertex -1"},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        c.damage(bad);
        MeshModel model;
        model.objects.resize(1);
        model.objects[0].name = "kept";
        model.objectCount = 1;
        ::Md3Reader reader;
        EXPECT_FALSE(reader.importFromMemory(model, bad.data(), bad.size(), "bad.md3")) << c.what;
        EXPECT_NE(reader.lastError().find(c.expected), std::string::npos) << c.what << ": " << reader.lastError();
        EXPECT_NE(reader.lastError().find("bad.md3"), std::string::npos) << c.what;
        EXPECT_EQ(model.objectCount, 1) << c.what;
        EXPECT_EQ(model.objects.size(), 1u) << c.what;
        EXPECT_TRUE(model.tags.empty()) << c.what;
    }
    MeshModel model;
    ::Md3Reader reader;
    EXPECT_FALSE(reader.import(model, "no/such/file.md3"));
    EXPECT_EQ(reader.lastError(), "Unable to find the file: no/such/file.md3!");
}

std::filesystem::path pellFile(const std::string& name)
{
    return std::filesystem::path(testsupport::generatedDataDir()) / "Pell" / name;
}

// Whatever the bytes, the reader either refuses or gives a model whose every
// index lies inside its arrays.
void expectConsistent(const MeshModel& model)
{
    ASSERT_EQ(model.tags.size() % static_cast<std::size_t>(std::max(model.tagCount, 1)), 0u);
    for (const MeshObject& o : model.objects) {
        ASSERT_EQ(o.textureCoordinates.size(), static_cast<std::size_t>(o.vertexCount));
        ASSERT_EQ(o.normals.size(), static_cast<std::size_t>(o.vertexCount));
        ASSERT_EQ(o.elementIndices.size(), o.faces.size() * 3);
        for (std::uint32_t k : o.elementIndices) ASSERT_LT(k, static_cast<std::uint32_t>(o.vertexCount));
    }
}

TEST_F(Md3Reader, EveryPrefixAndRandomByteFlipsOfARealFile)
{
    const Bytes file = testsupport::readFileBytes(pellFile("pell_head.md3"));
    ASSERT_GT(file.size(), 1000u);
    for (std::size_t n = 0; n < file.size(); ++n) {
        MeshModel model;
        ::Md3Reader reader;
        // Only the whole file is complete: the last mesh ends exactly at its end.
        ASSERT_FALSE(reader.importFromMemory(model, file.data(), n, "prefix.md3")) << n;
        ASSERT_TRUE(model.objects.empty());
    }
    std::mt19937 random(1234);
    int refused = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes bad = file;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int k = 0; k < flips; ++k) {
            // Most flips go into the headers, where the counts and offsets are.
            const std::size_t at = (k % 2 == 0) ? random() % 400 : random() % bad.size();
            bad[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        }
        MeshModel model;
        if (!importMd3FromMemory(model, bad.data(), bad.size(), "flipped.md3")) {
            ++refused;
            continue;
        }
        expectConsistent(model);
    }
    EXPECT_GT(refused, 100);
}

#ifdef BURRIK_HAVE_ASSIMP
std::int32_t fileI32(const Bytes& b, std::size_t at)
{
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | b[at + static_cast<std::size_t>(k)];
    return static_cast<std::int32_t>(v);
}

// assimp reads key frame 0 only; this copy of the file holds key frame k's
// tags and vertices in key frame 0's place (walked by the file's own offsets).
Bytes withKeyFrameFirst(const Bytes& file, int k)
{
    Bytes copy = file;
    const auto key = static_cast<std::size_t>(k);
    const auto tags = static_cast<std::size_t>(fileI32(file, 80));
    const auto tagsAt = static_cast<std::size_t>(fileI32(file, 96));
    std::memcpy(&copy[tagsAt], &file[tagsAt + key * tags * 112], tags * 112);
    std::size_t mesh = static_cast<std::size_t>(fileI32(file, 100));
    for (int m = 0; m < fileI32(file, 84); ++m) {
        const auto vertices = static_cast<std::size_t>(fileI32(file, mesh + 80));
        const std::size_t xyzAt = mesh + static_cast<std::size_t>(fileI32(file, mesh + 100));
        std::memcpy(&copy[xyzAt], &file[xyzAt + key * vertices * 8], vertices * 8);
        mesh += static_cast<std::size_t>(fileI32(file, mesh + 104));
    }
    return copy;
}

// assimp gives each face corner a vertex of its own (3 f + c), lists the
// meshes in reverse order and makes each tag a child node of the root.
void compareWithAssimp(const std::string& name, const std::vector<int>& keyFrames)
{
    const Bytes file = testsupport::readFileBytes(pellFile(name));
    MeshModel ours;
    ASSERT_TRUE(importMd3FromMemory(ours, file.data(), file.size(), name));
    for (int frame : keyFrames) {
        const Bytes shifted = withKeyFrameFirst(file, frame);
        Assimp::Importer importer;
        importer.SetPropertyBool(AI_CONFIG_IMPORT_MD3_HANDLE_MULTIPART, false);
        const aiScene* scene = importer.ReadFileFromMemory(shifted.data(), shifted.size(), 0, "md3");
        ASSERT_NE(scene, nullptr) << importer.GetErrorString();
        ASSERT_EQ(scene->mNumMeshes, static_cast<unsigned>(ours.objectCount)) << name;
        for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
            const aiMesh* theirs = scene->mMeshes[scene->mNumMeshes - 1 - m];
            const MeshObject& o = ours.objects[m];
            ASSERT_EQ(theirs->mNumFaces, static_cast<unsigned>(o.faceCount));
            ASSERT_EQ(theirs->mNumVertices, static_cast<unsigned>(o.faceCount * 3));
            const std::size_t base = static_cast<std::size_t>(frame) * static_cast<std::size_t>(o.vertexCount);
            for (unsigned f = 0; f < theirs->mNumFaces; ++f) {
                for (unsigned c = 0; c < 3; ++c) {
                    const auto v = static_cast<std::size_t>(o.faces[f].vertexIndex[c]);
                    const aiVector3D& p = theirs->mVertices[3 * f + c];
                    const Vector3& q = o.vertices[base + v];
                    ASSERT_NEAR(p.x, q.x, 1e-5f) << name << " frame " << frame << " mesh " << m << " face " << f;
                    ASSERT_NEAR(p.y, q.y, 1e-5f);
                    ASSERT_NEAR(p.z, q.z, 1e-5f);
                    const aiVector3D& uv = theirs->mTextureCoords[0][3 * f + c];
                    ASSERT_NEAR(uv.x, o.textureCoordinates[v].x, 1e-6f);
                    ASSERT_NEAR(uv.y, 1.0f + o.textureCoordinates[v].y, 1e-6f);  // (s, 1 - t) against (s, -t)
                }
            }
        }
        for (int i = 0; i < ours.tagCount; ++i) {
            const Md3Tag& tag = ours.tags[static_cast<std::size_t>(frame * ours.tagCount + i)];
            const aiNode* node = scene->mRootNode->FindNode(tag.name.data());
            ASSERT_NE(node, nullptr) << tag.name.data();
            const aiMatrix4x4& t = node->mTransformation;
            EXPECT_NEAR(t.a4, tag.position.x, 1e-6f) << name << " frame " << frame;
            EXPECT_NEAR(t.b4, tag.position.y, 1e-6f);
            EXPECT_NEAR(t.c4, tag.position.z, 1e-6f);
            for (unsigned a = 0; a < 3; ++a) {
                for (unsigned r = 0; r < 3; ++r) EXPECT_NEAR(t[r][a], tag.rotation[a * 3 + r], 1e-6f);
            }
        }
    }
}

TEST_F(Md3Reader, PellFilesMatchAssimpInSeveralKeyFrames)
{
    compareWithAssimp("pell_lower.md3", {0, 5, 42, 170, 215});
    compareWithAssimp("pell_upper.md3", {0, 30, 130, 150, 200});
    compareWithAssimp("pell_head.md3", {0});
}
#endif

}  // namespace
