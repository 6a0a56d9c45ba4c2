#include "assets/model_3ds.h"

#include "platform/message_box.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <regex>

namespace {

// A 3DS chunk under construction: id, content, and nested chunks appended
// in order. bytes() gives the header (id, length including the header) and content.
struct Chunk {
    std::uint16_t id = 0;
    std::vector<std::uint8_t> body;

    explicit Chunk(std::uint16_t chunkId) : id(chunkId) {}
    Chunk& u8(std::uint8_t v) { body.push_back(v); return *this; }
    Chunk& u16(std::uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
    Chunk& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Chunk& f32(float v) { return u32(std::bit_cast<std::uint32_t>(v)); }
    Chunk& text(const std::string& s) { body.insert(body.end(), s.begin(), s.end()); return u8(0); }
    Chunk& add(const Chunk& child)
    {
        const auto b = child.bytes();
        body.insert(body.end(), b.begin(), b.end());
        return *this;
    }
    std::vector<std::uint8_t> bytes() const
    {
        Chunk out(0);
        out.u16(id).u32(static_cast<std::uint32_t>(body.size() + 6));
        out.body.insert(out.body.end(), body.begin(), body.end());
        return out.body;
    }
};

Chunk vertexList(const std::vector<Vector3>& v)
{
    Chunk c(0x4110);
    c.u16(static_cast<std::uint16_t>(v.size()));
    for (const Vector3& p : v) c.f32(p.x).f32(p.y).f32(p.z);
    return c;
}

// Faces, then the nested chunks (face material lists, smoothing groups) that
// follow the face records inside the face list.
Chunk faceList(const std::vector<std::array<std::uint16_t, 3>>& faces, const std::vector<Chunk>& nested = {})
{
    Chunk c(0x4120);
    c.u16(static_cast<std::uint16_t>(faces.size()));
    for (const auto& f : faces) c.u16(f[0]).u16(f[1]).u16(f[2]).u16(0x0007);
    for (const Chunk& n : nested) c.add(n);
    return c;
}

Chunk faceMaterial(const std::string& name, std::uint16_t faceCount)
{
    Chunk c(0x4130);
    c.text(name).u16(faceCount);
    for (std::uint16_t i = 0; i < faceCount; ++i) c.u16(i);
    return c;
}

Chunk textureCoordinates(std::size_t count)
{
    Chunk c(0x4140);
    c.u16(static_cast<std::uint16_t>(count));
    for (std::size_t i = 0; i < count; ++i) c.f32(0.25f * static_cast<float>(i)).f32(0.5f);
    return c;
}

Chunk material(const std::string& name, std::array<std::uint8_t, 3> colour, const std::string& texture = "")
{
    Chunk m(0xAFFF);
    m.add(Chunk(0xA000).text(name));
    m.add(Chunk(0xA020).add(Chunk(0x0011).u8(colour[0]).u8(colour[1]).u8(colour[2])));
    if (!texture.empty()) m.add(Chunk(0xA200).add(Chunk(0xA351).u16(0)).add(Chunk(0xA300).text(texture)));
    return m;
}

Chunk object(const std::string& name, const Chunk& mesh) { return Chunk(0x4000).text(name).add(mesh); }

// Primary chunk with a version chunk and a scene block (mesh version first).
std::vector<std::uint8_t> file(const std::vector<Chunk>& scene, std::uint32_t version = 3)
{
    Chunk s(0x3D3D);
    s.add(Chunk(0x3D3E).u32(3));
    for (const Chunk& c : scene) s.add(c);
    return Chunk(0x4D4D).add(Chunk(0x0002).u32(version)).add(s).add(Chunk(0xB000).add(Chunk(0xB009).u32(0))).bytes();
}

// A grid of n x n vertices in the file's ground plane (z up), two faces per
// cell, texture coordinates, a textured and an untextured material, a light.
std::vector<std::uint8_t> realisticModel(int n = 6)
{
    std::vector<Vector3> vertices;
    std::vector<std::array<std::uint16_t, 3>> faces;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) vertices.push_back({float(x), float(y), float((x * y) % 3)});
    }
    for (int y = 0; y + 1 < n; ++y) {
        for (int x = 0; x + 1 < n; ++x) {
            const auto a = static_cast<std::uint16_t>(y * n + x);
            faces.push_back({a, static_cast<std::uint16_t>(a + 1), static_cast<std::uint16_t>(a + n + 1)});
            faces.push_back({a, static_cast<std::uint16_t>(a + n + 1), static_cast<std::uint16_t>(a + n)});
        }
    }
    Chunk mesh(0x4100);
    mesh.add(vertexList(vertices))
        .add(faceList(faces, {faceMaterial("leaf", static_cast<std::uint16_t>(faces.size())),
                              Chunk(0x4150).u32(1)}))
        .add(textureCoordinates(vertices.size()))
        .add(Chunk(0x4165).u8(1));
    Chunk light(0x4600);
    light.f32(0).f32(0).f32(100);
    return file({material("plain", {10, 20, 30}), material("leaf", {0, 200, 0}, "bilder/leaf.bmp"),
                 object("ground", mesh), object("sun", light)});
}

// The invariants drawing relies on, whatever the file held.
void expectConsistent(const MeshModel& model)
{
    ASSERT_EQ(model.objectCount, static_cast<std::int32_t>(model.objects.size()));
    ASSERT_EQ(model.materialCount, static_cast<std::int32_t>(model.materials.size()));
    for (const MeshMaterial& m : model.materials) {
        ASSERT_LE(m.name.size(), kMeshNameCapacity - 1);
        ASSERT_LE(m.textureFileName.size(), kMeshNameCapacity - 1);
    }
    for (const MeshObject& o : model.objects) {
        ASSERT_LE(o.name.size(), kMeshNameCapacity - 1);
        ASSERT_EQ(o.vertexCount, static_cast<std::int32_t>(o.vertices.size()));
        ASSERT_EQ(o.normals.size(), o.vertices.size());
        ASSERT_EQ(o.faceCount, static_cast<std::int32_t>(o.faces.size()));
        ASSERT_EQ(o.textureCoordinateCount, static_cast<std::int32_t>(o.textureCoordinates.size()));
        if (!o.textureCoordinates.empty()) {
            ASSERT_GE(o.textureCoordinates.size(), o.vertices.size());
        }
        ASSERT_EQ(o.elementIndices.size(), o.faces.size() * 3);
        for (std::uint32_t k : o.elementIndices) ASSERT_LT(k, o.vertices.size());
        ASSERT_GE(o.materialIndex, -1);
        if (!model.materials.empty()) {
            ASSERT_LT(o.materialIndex, model.materialCount);
        }
        for (const Vector3& n : o.normals) {
            ASSERT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
            ASSERT_NEAR(std::sqrt(Dot(n, n)), 1.0f, 1e-4f);
        }
    }
}

class Model3dsTest : public ::testing::Test {
protected:
    void SetUp() override { setDialogsEnabled(false); }

    bool load(const std::vector<std::uint8_t>& bytes)
    {
        model = MeshModel{};
        return Model3dsReader{}.importFromMemory(model, bytes.data(), bytes.size(), "memory.3ds");
    }

    MeshModel model;
};

// ---- Layout and axes ------------------------------------------------------

TEST_F(Model3dsTest, FileAxesBecomeGameAxes)
{
    ASSERT_TRUE(load(file({object("dot", Chunk(0x4100).add(vertexList({{1, 2, 3}})))})));
    ASSERT_EQ(model.objectCount, 1);
    ASSERT_EQ(model.objects[0].vertices.size(), 1u);
    const Vector3 v = model.objects[0].vertices[0];
    EXPECT_EQ(v.x, 1.0f);
    EXPECT_EQ(v.y, 3.0f);
    EXPECT_EQ(v.z, -2.0f);
    EXPECT_EQ(model.objects[0].name, "dot");
}

TEST_F(Model3dsTest, ObjectWithoutMeshIsEmptyObject)
{
    Chunk light(0x4600);
    light.f32(1).f32(2).f32(3);
    ASSERT_TRUE(load(file({object("lamp", light)})));
    ASSERT_EQ(model.objectCount, 1);
    EXPECT_EQ(model.objects[0].name, "lamp");
    EXPECT_EQ(model.objects[0].vertexCount, 0);
    EXPECT_EQ(model.objects[0].faceCount, 0);
    EXPECT_TRUE(model.objects[0].elementIndices.empty());
}

TEST_F(Model3dsTest, MaterialsTextureNamesColoursAndFirstOfTwoNames)
{
    const std::vector<std::array<std::uint16_t, 3>> one{{0, 1, 2}};
    const std::vector<Vector3> tri{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    auto meshNaming = [&](const std::string& name) {
        return Chunk(0x4100).add(vertexList(tri)).add(faceList(one, {faceMaterial(name, 1)}));
    };
    ASSERT_TRUE(load(file({material("bark", {1, 2, 3}), material("petal", {200, 100, 50}, "bilder/petal.bmp"),
                           material("bark", {9, 9, 9}, "bilder/other.bmp"), object("a", meshNaming("bark")),
                           object("b", meshNaming("petal")), object("c", meshNaming("nothing")),
                           object("d", Chunk(0x4100).add(vertexList(tri)).add(faceList(one)))})));
    ASSERT_EQ(model.materialCount, 3);
    EXPECT_EQ(model.materials[0].textureFileName, "");
    EXPECT_EQ(model.materials[1].textureFileName, "bilder/petal.bmp");
    EXPECT_EQ(model.materials[1].colour, (std::array<std::uint8_t, 3>{200, 100, 50}));
    ASSERT_EQ(model.objectCount, 4);
    EXPECT_EQ(model.objects[0].materialIndex, 0);  // the first "bark", untextured
    EXPECT_FALSE(model.objects[0].textured);
    EXPECT_EQ(model.objects[1].materialIndex, 1);
    EXPECT_TRUE(model.objects[1].textured);
    EXPECT_EQ(model.objects[2].materialIndex, -1);  // names no known material
    EXPECT_FALSE(model.objects[2].textured);
    EXPECT_EQ(model.objects[3].materialIndex, 0);  // names none
}

// Names are looked up among the materials read so far, under their current
// names: a renamed material answers to its new name only, the first of two
// equal names wins, and a list read before any material names none (-1).
TEST_F(Model3dsTest, FaceMaterialNamesFollowRenamesAndFileOrder)
{
    const std::vector<std::array<std::uint16_t, 3>> one{{0, 1, 2}};
    const std::vector<Vector3> tri{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    auto naming = [&](const std::string& name) {
        return object(name, Chunk(0x4100).add(vertexList(tri)).add(faceList(one, {faceMaterial(name, 1)})));
    };
    Chunk renamed(0xAFFF);
    renamed.add(Chunk(0xA000).text("stem")).add(Chunk(0xA000).text("bark"));
    Chunk unnamed(0xAFFF);
    unnamed.add(Chunk(0xA200).add(Chunk(0xA300).text("bilder/u.bmp")));
    ASSERT_TRUE(load(file({naming("stem"), renamed, material("stem", {1, 1, 1}, "bilder/s.bmp"), naming("stem"),
                           naming("bark"), unnamed, naming(""), material("bark", {2, 2, 2}), naming("bark")})));
    ASSERT_EQ(model.objectCount, 5);
    EXPECT_EQ(model.objects[0].materialIndex, -1);  // before any material
    EXPECT_EQ(model.objects[1].materialIndex, 1);   // "stem" was renamed away from material 0
    EXPECT_TRUE(model.objects[1].textured);
    EXPECT_EQ(model.objects[2].materialIndex, 0);
    EXPECT_EQ(model.objects[3].materialIndex, 2);   // a material without a name chunk answers to ""
    EXPECT_TRUE(model.objects[3].textured);
    EXPECT_EQ(model.objects[4].materialIndex, 0);   // the first "bark" still wins
}

TEST_F(Model3dsTest, FloatColourAndExtraColourSubChunks)
{
    Chunk m(0xAFFF);
    m.add(Chunk(0xA000).text("sky"));
    m.add(Chunk(0xA020).add(Chunk(0x0010).f32(1.0f).f32(0.5f).f32(0.0f)).add(Chunk(0x0011).u8(1).u8(1).u8(1)));
    m.add(Chunk(0xA200).add(Chunk(0xA300).text("sky.bmp")));
    ASSERT_TRUE(load(file({m})));
    ASSERT_EQ(model.materialCount, 1);
    EXPECT_EQ(model.materials[0].colour, (std::array<std::uint8_t, 3>{255, 128, 0}));
    EXPECT_EQ(model.materials[0].textureFileName, "sky.bmp");
}

TEST_F(Model3dsTest, VersionAboveThreeWarnsOnceAndLoads)
{
    const std::vector<Chunk> scene{object("dot", Chunk(0x4100).add(vertexList({{1, 2, 3}})))};
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(load(file(scene, 4)));
    const std::string warned = ::testing::internal::GetCapturedStderr();
    const std::string warning = "This 3DS file is over version 3 so it may load incorrectly";
    ASSERT_NE(warned.find(warning), std::string::npos);
    EXPECT_EQ(warned.find(warning, warned.find(warning) + 1), std::string::npos);
    EXPECT_EQ(model.objects.at(0).vertexCount, 1);

    // A damaged file with many version chunks still warns once.
    Chunk versions(0x4D4D);
    for (int i = 0; i < 50; ++i) versions.add(Chunk(0x0002).u32(7));
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(load(versions.bytes()));
    const std::string many = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(many.find(warning, many.find(warning) + 1), std::string::npos);

    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(load(file(scene, 3)));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(Model3dsTest, FaceListNestedChunksAreMetAsSiblingsAndLengthsAddUp)
{
    const std::vector<Vector3> quad{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}};
    Chunk mesh(0x4100);
    mesh.add(vertexList(quad)).add(faceList({{0, 1, 2}, {0, 2, 3}, {1, 4, 2}}, {faceMaterial("red", 3), Chunk(0x4150).u32(1).u32(1).u32(1)}));
    // An object after this one must start exactly where the first one ends.
    ASSERT_TRUE(load(file({material("red", {255, 0, 0}), object("first", mesh),
                           object("second", Chunk(0x4100).add(vertexList({{7, 8, 9}})))})));
    ASSERT_EQ(model.objectCount, 2);
    const MeshObject& first = model.objects[0];
    EXPECT_EQ(first.faceCount, 3);
    EXPECT_EQ(first.materialIndex, 0);
    EXPECT_EQ(first.elementIndices, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3, 1, 4, 2}));
    for (const MeshFace& f : first.faces) EXPECT_EQ(f.textureCoordinateIndex, (std::array<std::int32_t, 3>{0, 0, 0}));
    EXPECT_EQ(model.objects[1].name, "second");
    ASSERT_EQ(model.objects[1].vertexCount, 1);
    EXPECT_EQ(model.objects[1].vertices[0].y, 9.0f);
}

// ---- Normals ----------------------------------------------------------------

// Independent oracle: normalised sum of (Q - P) x (R - P) of the faces using vertex j.
Vector3 expectedNormal(const MeshObject& o, std::size_t j)
{
    double sx = 0, sy = 0, sz = 0;
    for (const MeshFace& f : o.faces) {
        const auto& k = f.vertexIndex;
        if (k[0] != int(j) && k[1] != int(j) && k[2] != int(j)) continue;
        const Vector3 p = o.vertices[k[0]], q = o.vertices[k[1]], r = o.vertices[k[2]];
        const double ax = q.x - p.x, ay = q.y - p.y, az = q.z - p.z;
        const double bx = r.x - p.x, by = r.y - p.y, bz = r.z - p.z;
        sx += ay * bz - az * by;
        sy += az * bx - ax * bz;
        sz += ax * by - ay * bx;
    }
    const double m = std::sqrt(sx * sx + sy * sy + sz * sz);
    return {float(sx / m), float(sy / m), float(sz / m)};
}

TEST_F(Model3dsTest, FlatQuadHasOneUpNormalAndUnusedVertexGetsUp)
{
    // Counter-clockwise seen from the file's +z (up); the sixth vertex is unused.
    const std::vector<Vector3> quad{{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 0}, {9, 9, 9}};
    ASSERT_TRUE(load(file({object("q", Chunk(0x4100).add(vertexList(quad)).add(faceList({{0, 1, 2}, {0, 2, 3}})))})));
    const MeshObject& o = model.objects.at(0);
    ASSERT_EQ(o.normals.size(), 5u);
    for (std::size_t j = 0; j < 4; ++j) {
        EXPECT_NEAR(o.normals[j].x, 0.0f, 1e-6f);
        EXPECT_NEAR(o.normals[j].y, 1.0f, 1e-6f);
        EXPECT_NEAR(o.normals[j].z, 0.0f, 1e-6f);
    }
    EXPECT_EQ(o.normals[4].x, 0.0f);
    EXPECT_EQ(o.normals[4].y, 1.0f);
    EXPECT_EQ(o.normals[4].z, 0.0f);
}

TEST_F(Model3dsTest, VertexSharedByFourFacesGetsNormalisedSum)
{
    // A roof peak over four uneven triangles.
    const std::vector<Vector3> v{{0, 0, 2}, {3, 0, 0}, {0, 1, 0}, {-2, 0, 0}, {0, -5, 1}};
    ASSERT_TRUE(load(file({object("peak", Chunk(0x4100).add(vertexList(v)).add(faceList({{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 1}})))})));
    const MeshObject& o = model.objects.at(0);
    for (std::size_t j = 0; j < v.size(); ++j) {
        const Vector3 e = expectedNormal(o, j);
        EXPECT_NEAR(o.normals[j].x, e.x, 1e-5f) << j;
        EXPECT_NEAR(o.normals[j].y, e.y, 1e-5f) << j;
        EXPECT_NEAR(o.normals[j].z, e.z, 1e-5f) << j;
    }
    EXPECT_GT(o.normals[0].y, 0.5f);  // the peak's normal points up
}

TEST_F(Model3dsTest, SinglePassNormalsMatchPairwiseLoop)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f);
    MeshObject o;
    for (int i = 0; i < 300; ++i) o.vertices.push_back({coordinate(random), coordinate(random), coordinate(random)});
    for (int i = 0; i < 500; ++i) {
        MeshFace f;
        for (auto& k : f.vertexIndex) k = static_cast<std::int32_t>(random() % 300);
        o.faces.push_back(f);  // some faces repeat a vertex: counted once per vertex
    }
    MeshObject pairwise = o;
    computeVertexNormals(o);
    computeVertexNormalsPairwise(pairwise);
    ASSERT_EQ(o.normals.size(), pairwise.normals.size());
    for (std::size_t j = 0; j < o.normals.size(); ++j) {
        EXPECT_NEAR(o.normals[j].x, pairwise.normals[j].x, 1e-6f);
        EXPECT_NEAR(o.normals[j].y, pairwise.normals[j].y, 1e-6f);
        EXPECT_NEAR(o.normals[j].z, pairwise.normals[j].z, 1e-6f);
    }
}

// ---- Failures and damaged files ---------------------------------------------

TEST_F(Model3dsTest, MissingFileAndWrongPrimaryAreRefusedWithMessage)
{
    model.objects.resize(2);
    model.objectCount = 2;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(Model3dsReader{}.import(model, "/no/such/dir/mole.3ds"));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Unable to find the file: /no/such/dir/mole.3ds!"),
              std::string::npos);
    EXPECT_EQ(model.objectCount, 0);
    EXPECT_TRUE(model.objects.empty());

    std::vector<std::uint8_t> wrong = realisticModel();
    wrong[0] = 0x4E;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(Model3dsReader{}.importFromMemory(model, wrong.data(), wrong.size(), "x.3ds"));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Unable to load PRIMARY chuck from file: x.3ds!"),
              std::string::npos);
    EXPECT_EQ(model.objectCount, 0);
    EXPECT_EQ(model.materialCount, 0);
}

TEST_F(Model3dsTest, FileOnDiskReadsLikeMemory)
{
    testsupport::TempDir dir;
    const auto bytes = realisticModel();
    testsupport::writeFileBytes(dir / "grid.3ds", bytes);
    MeshModel fromDisk;
    ASSERT_TRUE(Model3dsReader{}.import(fromDisk, (dir / "grid.3ds").string()));
    ASSERT_TRUE(load(bytes));
    ASSERT_EQ(fromDisk.objectCount, 2);
    EXPECT_EQ(fromDisk.objects[0].elementIndices, model.objects[0].elementIndices);
    EXPECT_EQ(fromDisk.objects[0].vertexCount, 36);
    EXPECT_EQ(fromDisk.objects[0].faceCount, 50);
    EXPECT_TRUE(fromDisk.objects[0].textured);
    EXPECT_EQ(fromDisk.objects[1].name, "sun");
    expectConsistent(fromDisk);
}

TEST_F(Model3dsTest, CountsBeyondTheChunkAreClipped)
{
    Chunk vertices(0x4110);
    vertices.u16(1000).f32(1).f32(2).f32(3).f32(4).f32(5).f32(6).u8(0xEE);  // two and a bit
    Chunk faces(0x4120);
    faces.u16(500).u16(0).u16(1).u16(1).u16(0);  // one face that fits
    Chunk coordinates(0x4140);
    coordinates.u16(40).f32(0.5f).f32(0.25f);  // one coordinate for two vertices
    ASSERT_TRUE(load(file({object("short", Chunk(0x4100).add(vertices).add(faces).add(coordinates))})));
    const MeshObject& o = model.objects.at(0);
    EXPECT_EQ(o.vertexCount, 2);
    EXPECT_EQ(o.faceCount, 1);
    ASSERT_EQ(o.textureCoordinateCount, 2);  // padded to the vertex count
    EXPECT_EQ(o.textureCoordinates[0].x, 0.5f);
    EXPECT_EQ(o.textureCoordinates[1].x, 0.0f);
    expectConsistent(model);
}

TEST_F(Model3dsTest, FacesNamingMissingVerticesAreDropped)
{
    const std::vector<Vector3> tri{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    ASSERT_TRUE(load(file({object("bad", Chunk(0x4100).add(vertexList(tri)).add(faceList({{0, 1, 2}, {0, 3, 1}, {2, 1, 0}})))})));
    const MeshObject& o = model.objects.at(0);
    EXPECT_EQ(o.faceCount, 2);
    EXPECT_EQ(o.elementIndices, (std::vector<std::uint32_t>{0, 1, 2, 2, 1, 0}));
    // Faces read before the vertices are checked against the vertices that came.
    ASSERT_TRUE(load(file({object("late", Chunk(0x4100).add(faceList({{0, 1, 2}, {0, 1, 5}})).add(vertexList(tri)))})));
    EXPECT_EQ(model.objects.at(0).faceCount, 1);
}

TEST_F(Model3dsTest, UnterminatedAndLongNamesAreClipped)
{
    const std::string longName(400, 'n');
    Chunk named(0x4000);
    named.body.assign(longName.begin(), longName.end());  // no terminator, no content
    Chunk m(0xAFFF);
    m.add(Chunk(0xA000).text(longName));
    ASSERT_TRUE(load(file({m, named, object("after", Chunk(0x4100))})));
    EXPECT_EQ(model.materials.at(0).name, longName.substr(0, 254));
    ASSERT_EQ(model.objectCount, 2);
    EXPECT_EQ(model.objects[0].name, longName.substr(0, 254));
    EXPECT_EQ(model.objects[1].name, "after");
}

TEST_F(Model3dsTest, DeepNestingAndBadLengthsEndWithoutHanging)
{
    // Scene blocks nested a little, and far beyond any real file.
    for (int depth : {8, 2000}) {
        Chunk inner = object("deep", Chunk(0x4100).add(vertexList({{1, 1, 1}})));
        for (int i = 0; i < depth; ++i) inner = Chunk(0x3D3D).add(Chunk(0x3D3E).u32(3)).add(inner);
        ASSERT_TRUE(load(Chunk(0x4D4D).add(inner).bytes()));
        expectConsistent(model);
        EXPECT_EQ(model.objectCount, depth < 20 ? 1 : 0);
    }

    // A child of length 0, one of length 3, one far past its parent.
    for (std::uint32_t length : {0u, 3u, 5u, 0xFFFFFFF0u}) {
        std::vector<std::uint8_t> bytes = file({object("x", Chunk(0x4100).add(vertexList({{1, 2, 3}})))});
        const std::size_t at = 6 + 10 + 6 + 10;  // primary, version, scene, mesh version: the object's header
        ASSERT_EQ(bytes[at], 0x00);
        ASSERT_EQ(bytes[at + 1], 0x40);
        std::memcpy(&bytes[at + 2], &length, 4);
        ASSERT_TRUE(load(bytes));
        expectConsistent(model);
    }
}

// A file cut short anywhere is refused with its message and leaves the model
// empty, rather than loading a model with parts silently missing.
TEST_F(Model3dsTest, EveryTruncationIsRefusedAndLeavesAnEmptyModel)
{
    const auto whole = realisticModel();
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const std::vector<std::uint8_t> prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        ::testing::internal::CaptureStderr();
        const bool loaded = load(prefix);
        const std::string message = ::testing::internal::GetCapturedStderr();
        EXPECT_FALSE(loaded) << size;
        const std::string expected = size < 6 ? "Unable to load PRIMARY chuck from file: memory.3ds!"
                                              : "The file memory.3ds is cut short: it holds " + std::to_string(size) +
                                                    " of its " + std::to_string(whole.size()) + " bytes!";
        EXPECT_NE(message.find(expected), std::string::npos) << message;
        EXPECT_TRUE(model.objects.empty() && model.materials.empty()) << size;
        expectConsistent(model);
        if (HasFatalFailure()) FAIL() << "prefix of " << size << " bytes";
    }
    std::vector<std::uint8_t> trailing = whole;
    trailing.insert(trailing.end(), {1, 2, 3});  // bytes after the primary chunk are ignored
    ASSERT_TRUE(load(trailing));
    ASSERT_TRUE(load(whole));
    EXPECT_EQ(model.objects.at(0).faceCount, 50);
}

TEST_F(Model3dsTest, RandomDamageNeverBreaksTheInvariants)
{
    const auto whole = realisticModel();
    std::mt19937 random(20261207);
    for (int round = 0; round < 4000; ++round) {
        std::vector<std::uint8_t> bytes = whole;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < flips; ++i) {
            const std::size_t at = random() % bytes.size();
            if (round % 2 == 0 || at + 4 > bytes.size()) {
                bytes[at] = static_cast<std::uint8_t>(random());
            } else {
                // A length-sized field: tiny, huge or anything.
                const std::uint32_t choices[] = {0, 1, 5, 6, 7, 0x7FFFFFFF, 0xFFFFFFFF, static_cast<std::uint32_t>(random())};
                const std::uint32_t v = choices[random() % 8];
                std::memcpy(&bytes[at], &v, 4);
            }
        }
        bytes[0] = 0x4D;
        bytes[1] = 0x4D;
        std::copy_n(whole.begin() + 2, 4, bytes.begin() + 2);  // the primary length, or the file reads as cut short
        ::testing::internal::CaptureStderr();
        const bool loaded = load(bytes);
        ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(loaded);
        expectConsistent(model);
        if (HasFatalFailure()) FAIL() << "round " << round;
    }
}

// ---- Independent importer ------------------------------------------------------

struct AssimpCounts {
    long vertices = -1;
    long faces = -1;
    std::array<float, 3> minimum{};
    std::array<float, 3> maximum{};
    std::string output;
};

// `assimp info -r` (no post-processing): assimp keeps three vertices per
// face, and reports the bounds of the vertices the faces use, in the same
// y-up axes the game converts to.
bool assimpInfo(const std::string& path, AssimpCounts& out)
{
    const auto result = testsupport::runCommand("assimp info " + testsupport::shellQuote(path) + " -r");
    out.output = result.output;
    if (result.exitStatus != 0) return false;
    std::smatch m;
    const std::string& text = result.output;
    if (std::regex_search(text, m, std::regex(R"(\nVertices:\s+(\d+))"))) out.vertices = std::stol(m[1]);
    if (std::regex_search(text, m, std::regex(R"(\nFaces:\s+(\d+))"))) out.faces = std::stol(m[1]);
    const std::string number = R"(\s*(-?[0-9.eE+-]+))";
    auto point = [&](const char* label, std::array<float, 3>& p) {
        if (!std::regex_search(text, m, std::regex(std::string(label) + R"(\s+\()" + number + number + number))) return false;
        for (int i = 0; i < 3; ++i) p[i] = std::stof(m[i + 1]);
        return true;
    };
    return point("Minimum point", out.minimum) && point("Maximum point", out.maximum) && out.vertices >= 0 && out.faces >= 0;
}

void compareWithAssimp(const std::string& path)
{
    SCOPED_TRACE(path);
    MeshModel ours;
    ASSERT_TRUE(Model3dsReader{}.import(ours, path));
    expectConsistent(ours);
    AssimpCounts theirs;
    ASSERT_TRUE(assimpInfo(path, theirs)) << theirs.output;
    long faces = 0;
    std::array<float, 3> lo{INFINITY, INFINITY, INFINITY}, hi{-INFINITY, -INFINITY, -INFINITY};
    for (const MeshObject& o : ours.objects) {
        faces += o.faceCount;
        for (std::uint32_t k : o.elementIndices) {
            const Vector3 v = o.vertices[k];
            const float c[3] = {v.x, v.y, v.z};
            for (int i = 0; i < 3; ++i) lo[i] = std::min(lo[i], c[i]), hi[i] = std::max(hi[i], c[i]);
        }
    }
    EXPECT_EQ(theirs.faces, faces);
    EXPECT_EQ(theirs.vertices, faces * 3);
    if (faces == 0) return;
    for (int i = 0; i < 3; ++i) {
        const float tolerance = 1e-3f * std::max(1.0f, hi[i] - lo[i]);
        EXPECT_NEAR(theirs.minimum[i], lo[i], tolerance) << "axis " << i;
        EXPECT_NEAR(theirs.maximum[i], hi[i], tolerance) << "axis " << i;
    }
}

TEST(Model3dsAssimp, BuiltModelMatchesAssimp)
{
    if (!testsupport::haveProgram("assimp")) GTEST_SKIP() << "assimp is not installed";
    setDialogsEnabled(false);
    testsupport::TempDir dir;
    testsupport::writeFileBytes(dir / "grid.3ds", realisticModel(9));
    compareWithAssimp((dir / "grid.3ds").string());
}

TEST(Model3dsAssimp, GeneratedModelsMatchAssimp)
{
    if (!testsupport::haveProgram("assimp")) GTEST_SKIP() << "assimp is not installed";
    setDialogsEnabled(false);
    const std::filesystem::path folder = testsupport::generatedDataDir() + "/modelle";
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".3ds") files.push_back(entry.path().string());
    }
    if (files.empty()) GTEST_SKIP() << "no generated 3DS files in " << folder;
    for (const std::string& path : files) compareWithAssimp(path);
}

}  // namespace
