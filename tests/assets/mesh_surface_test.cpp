#include "assets/mesh_surface.h"

#include "assets/model_3ds.h"
#include "character/md3_reader.h"
#include "platform/message_box.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// A unit cube, counter-clockwise seen from outside. With a seam, the last
// face's corners are copies of the first corners (as a texture seam makes them).
MeshObject cube(bool seam)
{
    MeshObject o;
    o.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    const std::vector<std::array<std::int32_t, 3>> faces = {
        {0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
        {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7},
    };
    for (const auto& f : faces) {
        MeshFace face;
        face.vertexIndex = f;
        o.faces.push_back(face);
    }
    if (seam) {
        o.vertices.push_back(o.vertices[3]);  // 8: copy of 3
        o.vertices.push_back(o.vertices[0]);  // 9: copy of 0
        o.faces[10].vertexIndex = {8, 9, 4};
        o.faces[11].vertexIndex = {8, 4, 7};
    }
    o.vertexCount = static_cast<std::int32_t>(o.vertices.size());
    o.faceCount = static_cast<std::int32_t>(o.faces.size());
    return o;
}

// A second key frame: every vertex moved by change (given the vertex number).
void addFrame(MeshObject& o, const std::function<Vector3(std::size_t, Vector3)>& change)
{
    const auto count = static_cast<std::size_t>(o.vertexCount);
    for (std::size_t v = 0; v < count; ++v) o.vertices.push_back(change(v, o.vertices[v]));
}

TEST(ClosedSurface, CubesAndTheWaysTheyFailToBeClosed)
{
    struct Case {
        const char* what;
        std::function<MeshObject()> make;
        bool closed;
    };
    const std::vector<Case> cases = {
        {"a cube", [] { return cube(false); }, true},
        {"a cube with a texture seam", [] { return cube(true); }, true},
        {"a face missing", [] {
             MeshObject o = cube(false);
             o.faces.pop_back();
             o.faceCount = 11;
             return o;
         }, false},
        {"turned inside out", [] {
             MeshObject o = cube(false);
             for (MeshFace& f : o.faces) std::swap(f.vertexIndex[1], f.vertexIndex[2]);
             return o;
         }, false},
        {"a face twice", [] {
             MeshObject o = cube(false);
             o.faces.push_back(o.faces[0]);
             o.faceCount = 13;
             return o;
         }, false},
        {"a faceless sliver added", [] {
             MeshObject o = cube(false);
             MeshFace sliver;
             sliver.vertexIndex = {0, 1, 1};
             o.faces.push_back(sliver);
             o.faceCount = 13;
             return o;
         }, true},
        {"the seam opens in the second key frame", [] {
             MeshObject o = cube(true);
             addFrame(o, [](std::size_t v, Vector3 p) { return v == 9 ? Vector3{p.x + 0.01f, p.y, p.z} : p; });
             return o;
         }, false},
        {"grown and shrunk to a point over the key frames", [] {
             MeshObject o = cube(true);
             addFrame(o, [](std::size_t, Vector3 p) { return Vector3{2 * p.x, 2 * p.y, 2 * p.z}; });
             addFrame(o, [](std::size_t, Vector3) { return Vector3{0.5f, 0.5f, 0.5f}; });
             return o;
         }, true},
        {"mirrored in the second key frame", [] {
             MeshObject o = cube(false);
             addFrame(o, [](std::size_t, Vector3 p) { return Vector3{-p.x, p.y, p.z}; });
             return o;
         }, false},
        {"an index past the vertices", [] {
             MeshObject o = cube(false);
             o.faces[0].vertexIndex[0] = 8;
             return o;
         }, false},
        {"no faces", [] {
             MeshObject o = cube(false);
             o.faceCount = 0;
             return o;
         }, false},
    };
    for (const Case& c : cases) EXPECT_EQ(isClosedSurface(c.make()), c.closed) << c.what;
}

// Two cubes side by side, one face against the other in the first key frame,
// parted in the second, are two closed parts: corners that share a place for
// a while are not joined (joined, each edge of that face would have four faces).
TEST(ClosedSurface, PartsThatOnlyTouchAreNotJoined)
{
    MeshObject o = cube(false);
    const MeshObject second = cube(false);
    for (const Vector3& p : second.vertices) o.vertices.push_back({p.x + 1, p.y, p.z});
    for (MeshFace f : second.faces) {
        for (std::int32_t& k : f.vertexIndex) k += 8;
        o.faces.push_back(f);
    }
    o.vertexCount = 16;
    o.faceCount = 24;
    addFrame(o, [](std::size_t v, Vector3 p) { return v >= 8 ? Vector3{p.x + 0.5f, p.y, p.z} : p; });
    EXPECT_TRUE(isClosedSurface(o));
}

// The generated content: every part of the gardener is closed (so its back
// faces are culled); the flowers are open leaves and petals.
TEST(ClosedSurface, GeneratedModels)
{
    setDialogsEnabled(false);
    const std::string data = testsupport::generatedDataDir();
    for (const char* part : {"lower", "upper", "head"}) {
        MeshModel model;
        ASSERT_TRUE(importMd3(model, data + "/Pell/pell_" + part + ".md3"));
        for (const MeshObject& object : model.objects) EXPECT_TRUE(object.closed) << part << " " << object.name;
    }
    MeshModel flower;
    ASSERT_TRUE(Model3dsReader{}.import(flower, data + "/modelle/blumen_gesund.3ds"));
    ASSERT_FALSE(flower.objects.empty());
    EXPECT_FALSE(flower.objects.front().closed);
}

}  // namespace
