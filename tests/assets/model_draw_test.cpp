#include "assets/model_draw.h"

#include "assets/model_3ds.h"
#include "effects/geometry.h"
#include "platform/message_box.h"
#include "test_support.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <vector>

namespace {

using Rgb = std::array<std::uint8_t, 3>;

constexpr int kViewSize = 64;
constexpr int kCentre = kViewSize / 2;
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

// A square of side 2 around the origin in the plane z = 0, facing the
// camera on +z, with texture coordinates over the whole texture.
MeshModel squareModel(bool textured, std::int32_t materialIndex, std::vector<MeshMaterial> materials = {})
{
    MeshObject o;
    o.vertices = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    o.textureCoordinates = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    o.faces.resize(2);
    o.faces[0].vertexIndex = {0, 1, 2};
    o.faces[1].vertexIndex = {0, 2, 3};
    o.elementIndices = {0, 1, 2, 0, 2, 3};
    o.vertexCount = 4;
    o.faceCount = 2;
    o.textureCoordinateCount = 4;
    o.textured = textured;
    o.materialIndex = materialIndex;
    computeVertexNormals(o);
    MeshModel model;
    model.materials = std::move(materials);
    model.materialCount = static_cast<std::int32_t>(model.materials.size());
    model.objects.push_back(std::move(o));
    model.objectCount = 1;
    return model;
}

MeshMaterial materialNamed(const std::string& name, Rgb colour, const std::string& texture = "")
{
    MeshMaterial m;
    m.name = name;
    m.colour = colour;
    m.textureFileName = texture;
    m.textureIndex = -7;  // loadModelTextures must overwrite it
    return m;
}

// A 24-bit bottom-up BMP of 2 x 2 pixels: rows are padded to four bytes.
void writeBmp(const std::filesystem::path& path, const std::array<Rgb, 4>& pixels)
{
    constexpr std::uint32_t kWidth = 2, kHeight = 2, kRowBytes = 8, kOffset = 54;
    std::vector<std::uint8_t> b;
    auto u16 = [&](std::uint32_t v) { b.push_back(v & 0xFF); b.push_back((v >> 8) & 0xFF); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    b.push_back('B');
    b.push_back('M');
    u32(kOffset + kRowBytes * kHeight);
    u32(0);
    u32(kOffset);
    u32(40);
    u32(kWidth);
    u32(kHeight);
    u16(1);
    u16(24);
    u32(0);
    u32(kRowBytes * kHeight);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    for (std::uint32_t row = 0; row < kHeight; ++row) {
        for (std::uint32_t col = 0; col < kWidth; ++col) {
            const Rgb& p = pixels[row * kWidth + col];
            b.insert(b.end(), {p[2], p[1], p[0]});
        }
        b.insert(b.end(), {0, 0});
    }
    testsupport::writeFileBytes(path, b);
}

class ModelDrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testsupport::ensureGlContext()) GTEST_SKIP() << "no display for a GL context";
        setDialogsEnabled(false);
        glViewport(0, 0, kViewSize, kViewSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 1.0, 1.0, 100.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0, 0, 5, 0, 0, 0, 0, 1, 0);
        extractFrustum();
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
        // The game enables the three client arrays once at start-up.
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glDrawBuffer(GL_BACK);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        placement.radius = 1.5f;
        clear();
    }

    void TearDown() override
    {
        if (!textures.empty()) glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
    }

    static void clear()
    {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    static std::vector<std::uint8_t> frame()
    {
        glFinish();
        std::vector<std::uint8_t> pixels(kViewSize * kViewSize * 3);
        glReadPixels(0, 0, kViewSize, kViewSize, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    static Rgb pixel(int x, int y)
    {
        const auto f = frame();
        const std::size_t at = (static_cast<std::size_t>(y) * kViewSize + x) * 3;
        return {f[at], f[at + 1], f[at + 2]};
    }

    // Draws the model in both paths and returns the centre pixel of each.
    std::array<Rgb, 2> centreInBothPaths(const MeshModel& model)
    {
        std::array<Rgb, 2> out{};
        for (int useArrays = 0; useArrays < 2; ++useArrays) {
            clear();
            drawModel(placement, model, textures.data(), textures.size(), useArrays == 1, false);
            out[useArrays] = pixel(kCentre, kCentre);
        }
        return out;
    }

    struct Primitives {
        int polygons = 0;
        int lines = 0;
        int values = 0;  // everything the feedback buffer received
    };

    // Runs draw in feedback mode and counts the primitives GL received after clipping.
    template <typename Draw>
    static Primitives feedback(Draw draw)
    {
        std::vector<GLfloat> buffer(4096);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        Primitives p;
        p.values = glRenderMode(GL_RENDER);
        for (int i = 0; i < p.values;) {
            const auto token = static_cast<GLenum>(buffer[static_cast<std::size_t>(i)]);
            if (token == GL_POLYGON_TOKEN) {
                ++p.polygons;
                i += 2 + 3 * static_cast<int>(buffer[static_cast<std::size_t>(i) + 1]);
            } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
                ++p.lines;
                i += 1 + 2 * 3;
            } else if (token == GL_PASS_THROUGH_TOKEN) {
                i += 2;
            } else {
                i += 1 + 3;  // points, bitmaps and pixel rectangles carry one vertex
            }
        }
        return p;
    }

    Placement placement;
    std::vector<GLuint> textures;
};

// ---- Culling and primitives ---------------------------------------------------

TEST_F(ModelDrawTest, DrawsWhenVisibleAndIssuesNothingWhenSphereIsBehindCamera)
{
    const MeshModel model = squareModel(false, 0);
    for (bool useArrays : {false, true}) {
        clear();
        drawModel(placement, model, nullptr, 0, useArrays, false);
        EXPECT_EQ(pixel(kCentre, kCentre), kWhite) << useArrays;
        EXPECT_EQ(pixel(1, 1), kBlack) << useArrays;

        // The geometry stays in view; only the placement's sphere moves behind
        // the camera, so nothing reaching GL proves the cull.
        Placement behind = placement;
        behind.setPosition(0, 0, 20);
        EXPECT_EQ(feedback([&] { drawModel(behind, model, nullptr, 0, useArrays, false); }).values, 0);
        Placement offsetBehind = placement;
        offsetBehind.centreOffset = {0, 0, 30};
        EXPECT_EQ(feedback([&] { drawModel(offsetBehind, model, nullptr, 0, useArrays, false); }).values, 0);
        EXPECT_EQ(feedback([&] { drawModel(placement, model, nullptr, 0, useArrays, false); }).polygons, 2);
    }
}

TEST_F(ModelDrawTest, WireframeDrawsCornerPairsAsLines)
{
    const MeshModel model = squareModel(false, 0);
    for (bool useArrays : {false, true}) {
        const Primitives p = feedback([&] { drawModel(placement, model, nullptr, 0, useArrays, true); });
        EXPECT_EQ(p.lines, 3) << useArrays;  // six corners, three lines
        EXPECT_EQ(p.polygons, 0) << useArrays;
    }
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 1.0f);
}

TEST_F(ModelDrawTest, EmptyModelDrawsAndLoadsNothing)
{
    MeshModel empty;
    GLuint slot = 77;
    loadModelTextures(empty, &slot, 1);
    EXPECT_EQ(slot, 77u);
    EXPECT_EQ(feedback([&] { drawModel(placement, empty, &slot, 1, true, false); }).values, 0);
    EXPECT_EQ(feedback([&] { drawModel(placement, empty, &slot, 1, false, false); }).values, 0);
    EXPECT_EQ(feedback([&] { drawFirstObject(empty, &slot, 1); }).values, 0);
    // Counts larger than the lists are not trusted.
    empty.objectCount = 3;
    EXPECT_EQ(feedback([&] { drawModel(placement, empty, &slot, 1, true, false); }).values, 0);
}

// ---- Colours ------------------------------------------------------------------

TEST_F(ModelDrawTest, ArraysDrawUntexturedWhiteImmediateTakesMaterialColour)
{
    const Rgb brick{200, 40, 10};
    const auto centre = centreInBothPaths(squareModel(false, 0, {materialNamed("brick", brick)}));
    EXPECT_EQ(centre[0], brick);   // immediate
    EXPECT_EQ(centre[1], kWhite);  // arrays
}

TEST_F(ModelDrawTest, UnknownMaterialDrawsWhiteInBothPaths)
{
    const auto centre = centreInBothPaths(squareModel(false, -1, {materialNamed("brick", {200, 40, 10})}));
    EXPECT_EQ(centre[0], kWhite);
    EXPECT_EQ(centre[1], kWhite);
}

// ---- Textures -------------------------------------------------------------------

TEST_F(ModelDrawTest, OnlyTexturedMaterialsFillTheirSlots)
{
    testsupport::TempDir dir;
    const Rgb green{0, 200, 0};
    writeBmp(dir / "leaf.bmp", {green, green, green, green});
    MeshModel model = squareModel(true, 1, {materialNamed("bark", {9, 9, 9}),
                                            materialNamed("leaf", {1, 1, 1}, (dir / "leaf.bmp").string())});
    textures = {0, 0};
    loadModelTextures(model, textures.data(), textures.size());
    EXPECT_EQ(textures[0], 0u);
    ASSERT_NE(textures[1], 0u);
    EXPECT_EQ(glIsTexture(textures[1]), GL_TRUE);
    EXPECT_EQ(model.materials[0].textureIndex, 0);
    EXPECT_EQ(model.materials[1].textureIndex, 1);
    const auto centre = centreInBothPaths(model);
    EXPECT_EQ(centre[0], green);
    EXPECT_EQ(centre[1], green);

    // A slot beyond the array's size is never written.
    std::array<GLuint, 2> shortArray{0, 12345};
    loadModelTextures(model, shortArray.data(), 1);
    EXPECT_EQ(shortArray[0], 0u);
    EXPECT_EQ(shortArray[1], 12345u);
    EXPECT_EQ(model.materials[1].textureIndex, 1);
}

TEST_F(ModelDrawTest, TexturedObjectWithoutValidSlotBindsTextureZero)
{
    testsupport::TempDir dir;
    const Rgb red{220, 0, 0};
    writeBmp(dir / "red.bmp", {red, red, red, red});
    MeshModel model = squareModel(true, 0, {materialNamed("red", red, (dir / "red.bmp").string())});
    textures = {0};
    loadModelTextures(model, textures.data(), textures.size());
    ASSERT_EQ(centreInBothPaths(model)[0], red);

    // Material index -1, and one beyond the array: nothing outside the array
    // is read, and the untextured default leaves the object white.
    for (std::int32_t index : {-1, 1, 500}) {
        model.objects[0].materialIndex = index;
        const auto centre = centreInBothPaths(model);
        EXPECT_EQ(centre[0], kWhite) << index;
        EXPECT_EQ(centre[1], kWhite) << index;
    }
}

TEST_F(ModelDrawTest, ObjectWithoutTextureCoordinatesNeverPointsAtMissingData)
{
    MeshModel model = squareModel(true, 0);
    model.objects[0].textureCoordinates.clear();
    model.objects[0].textureCoordinateCount = 0;
    // A stale pointer from an earlier draw must not be used either.
    glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
    for (bool useArrays : {true, false}) {
        clear();
        drawModel(placement, model, nullptr, 0, useArrays, false);
        EXPECT_EQ(pixel(kCentre, kCentre), kWhite);
    }
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_COORD_ARRAY), GL_TRUE);  // switched back on
    clear();
    drawFirstObject(model, nullptr, 0);
    EXPECT_EQ(pixel(kCentre, kCentre), kWhite);
}

TEST_F(ModelDrawTest, DisplayListOfFirstObjectMatchesImmediatePath)
{
    testsupport::TempDir dir;
    // Four different texels, so a wrong coordinate shows.
    writeBmp(dir / "quads.bmp", {Rgb{250, 0, 0}, Rgb{0, 250, 0}, Rgb{0, 0, 250}, Rgb{250, 250, 0}});
    MeshModel model = squareModel(true, 0, {materialNamed("quads", {0, 0, 0}, (dir / "quads.bmp").string())});
    // A second object the display list must leave out.
    MeshObject extra = model.objects[0];
    for (Vector3& v : extra.vertices) v = {v.x * 0.2f + 2.0f, v.y * 0.2f, v.z};
    model.objects.push_back(extra);
    model.objectCount = 2;
    textures = {0};
    loadModelTextures(model, textures.data(), textures.size());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    drawFirstObject(model, textures.data(), textures.size());
    glEndList();
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);

    clear();
    glCallList(list);
    const auto fromList = frame();
    glDeleteLists(list, 1);

    model.objects.pop_back();
    model.objectCount = 1;
    clear();
    drawModel(placement, model, textures.data(), textures.size(), false, false);
    const auto immediate = frame();
    EXPECT_EQ(fromList, immediate);
    // The four texels all reached the picture.
    const int quarter = kViewSize / 4;
    EXPECT_EQ(pixel(kCentre - quarter / 2, kCentre - quarter / 2), (Rgb{250, 0, 0}));
    EXPECT_EQ(pixel(kCentre + quarter / 2, kCentre - quarter / 2), (Rgb{0, 250, 0}));
    EXPECT_EQ(pixel(kCentre - quarter / 2, kCentre + quarter / 2), (Rgb{0, 0, 250}));
    EXPECT_EQ(pixel(kCentre + quarter / 2, kCentre + quarter / 2), (Rgb{250, 250, 0}));
}

// ---- A model read from a file -------------------------------------------------

TEST_F(ModelDrawTest, ImportedModelDrawsTheSameInBothPaths)
{
    // The square again, written as a 3DS file in file axes (z up): the
    // game's plane z = 0 facing +z is the file's plane y = 0 facing -y.
    std::vector<std::uint8_t> bytes;
    auto u16 = [&](std::uint32_t v) { bytes.push_back(v & 0xFF); bytes.push_back((v >> 8) & 0xFF); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    auto f32 = [&](float f) { u32(std::bit_cast<std::uint32_t>(f)); };
    const std::uint32_t vertexChunk = 6 + 2 + 4 * 12, faceChunk = 6 + 2 + 2 * 8, versionChunk = 10;
    const std::uint32_t meshChunk = 6 + vertexChunk + faceChunk, objectChunk = 6 + 2 + meshChunk;
    u16(0x4D4D), u32(6 + 6 + versionChunk + objectChunk);
    u16(0x3D3D), u32(6 + versionChunk + objectChunk);
    u16(0x3D3E), u32(versionChunk), u32(3);
    u16(0x4000), u32(objectChunk), u16('q');
    u16(0x4100), u32(meshChunk);
    u16(0x4110), u32(vertexChunk), u16(4);
    const MeshModel square = squareModel(false, 0);
    for (const Vector3& v : square.objects[0].vertices) f32(v.x), f32(-v.z), f32(v.y);
    u16(0x4120), u32(faceChunk), u16(2);
    for (std::uint32_t k : {0, 1, 2, 0, 0, 2, 3, 0}) u16(k);
    ASSERT_EQ(bytes.size(), 6 + 6 + versionChunk + objectChunk);

    MeshModel model;
    ASSERT_TRUE(Model3dsReader{}.importFromMemory(model, bytes.data(), bytes.size(), "square.3ds"));
    ASSERT_EQ(model.objectCount, 1);
    ASSERT_EQ(model.objects[0].faceCount, 2);

    clear();
    drawModel(placement, model, nullptr, 0, false, false);
    const auto immediate = frame();
    clear();
    drawModel(placement, model, nullptr, 0, true, false);
    EXPECT_EQ(frame(), immediate);
    EXPECT_EQ(pixel(kCentre, kCentre), kWhite);
    EXPECT_EQ(model.objects[0].normals[0].z, 1.0f);  // facing the camera
}

}  // namespace
