// The generated static models (twelve flowers, mole, rake) and their
// textures, read from the build's data folder by the game's own 3DS reader,
// by assimp and by stb_image / ImageMagick.
#include "assets/model_3ds.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

namespace {

const std::array<const char*, 12> kFlowerFiles{
    "modelle/blumen_gesund.3ds",   "modelle/blumen_trocken1.3ds", "modelle/blumen_trocken2.3ds",
    "modelle/blumen_trocken3.3ds", "modelle/blumen_mampf1.3ds",   "modelle/blumen_mampf2g.3ds",
    "modelle/blumen_mampft1.3ds",  "modelle/blumen_mampf2t1.3ds", "modelle/blumen_mampft2.3ds",
    "modelle/blumen_mampf2t2.3ds", "modelle/blumen_mampft3.3ds",  "modelle/blumen_mampf2t3.3ds"};
// Rows: fresh, dry 1..3; columns: whole, bitten once, bitten twice.
const std::array<std::array<const char*, 3>, 4> kFlowerTable{{
    {"modelle/blumen_gesund.3ds", "modelle/blumen_mampf1.3ds", "modelle/blumen_mampf2g.3ds"},
    {"modelle/blumen_trocken1.3ds", "modelle/blumen_mampft1.3ds", "modelle/blumen_mampf2t1.3ds"},
    {"modelle/blumen_trocken2.3ds", "modelle/blumen_mampft2.3ds", "modelle/blumen_mampf2t2.3ds"},
    {"modelle/blumen_trocken3.3ds", "modelle/blumen_mampft3.3ds", "modelle/blumen_mampf2t3.3ds"},
}};
const std::array<const char*, 5> kFlowerTextures{"bilder/blume_1.bmp", "bilder/blume_trocken1.bmp",
                                                 "bilder/blume_trocken2.bmp", "bilder/blume_trocken3.bmp",
                                                 "bilder/blume_laus1.bmp"};
constexpr const char* kMoleFile = "modelle/maulwurf.3ds";
constexpr const char* kRakeFile = "modelle/rechen_zacken.3ds";

// What the game puts round each actor (flower bed, mole, rake).
constexpr Vector3 kFlowerSphereCentre{4.0f, 7.0f, -9.0f};
constexpr float kFlowerSphereRadius = 35.0f;
constexpr float kMoleRadius = 13.0f;
constexpr Vector3 kRakeSphereCentre{21.0f, 0.0f, 0.0f};
constexpr float kRakeRadius = 25.0f;
constexpr std::array<Vector3, 3> kTineSpheres{{{-1, 0, 0}, {-1, 0, -6}, {-1, 0, 6}}};
constexpr float kTineRadius = 5.0f;

std::string dataPath(const std::string& relative)
{
    return (std::filesystem::path(testsupport::generatedDataDir()) / relative).string();
}

// Loads (once) a model from the data folder with the game's reader.
const MeshModel& model(const std::string& relative)
{
    static std::map<std::string, MeshModel> cache;
    auto found = cache.find(relative);
    if (found == cache.end()) {
        MeshModel loaded;
        Model3dsReader reader;
        reader.import(loaded, dataPath(relative));
        found = cache.emplace(relative, std::move(loaded)).first;
    }
    return found->second;
}

const MeshObject& object(const std::string& relative)
{
    static const MeshObject empty;
    const MeshModel& m = model(relative);
    return m.objects.empty() ? empty : m.objects[0];
}

struct Rgb {
    int r = 0, g = 0, b = 0;
};

// A picture as stb_image decodes it, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    Rgb at(int x, int y) const
    {
        x = std::clamp(x, 0, width - 1);
        y = std::clamp(y, 0, height - 1);
        const std::size_t i = 3 * (static_cast<std::size_t>(y) * width + x);
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
    // The game uploads BMP rows bottom-up, so v = 0 is the bottom row.
    Rgb atUv(Vector2 uv) const
    {
        return at(static_cast<int>(std::floor(uv.x * width)), static_cast<int>(std::floor((1.0f - uv.y) * height)));
    }
};

const Picture& picture(const std::string& relative)
{
    static std::map<std::string, Picture> cache;
    auto found = cache.find(relative);
    if (found == cache.end()) {
        Picture p;
        int channels = 0;
        unsigned char* data = stbi_load(dataPath(relative).c_str(), &p.width, &p.height, &channels, 3);
        if (data != nullptr) {
            p.rgb.assign(data, data + static_cast<std::size_t>(p.width) * p.height * 3);
            stbi_image_free(data);
        }
        found = cache.emplace(relative, std::move(p)).first;
    }
    return found->second;
}

bool isPetalOrCentre(Rgb c) { return c.r > c.g + 40; }            // pink, red, orange, yellow-orange
bool isGreen(Rgb c) { return c.g > c.r + 20 && c.g > c.b + 20; }  // leaves and stem
bool isPink(Rgb c) { return c.r > 180 && c.r > c.g + 50 && c.b > c.g; }
bool isNearBlack(Rgb c) { return std::max({c.r, c.g, c.b}) < 50; }
bool isGrey(Rgb c) { return std::abs(c.r - c.g) < 30 && std::abs(c.g - c.b) < 30 && c.r > 80; }
bool isWood(Rgb c) { return c.r > c.b + 50 && c.r > 120; }

float distance(Vector3 a, Vector3 b)
{
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

float maxDistanceFrom(const MeshObject& o, Vector3 centre)
{
    float most = 0.0f;
    for (const Vector3& v : o.vertices) most = std::max(most, distance(v, centre));
    return most;
}

Vector3 corner(const MeshObject& o, std::size_t face, int k)
{
    return o.vertices[o.faces[face].vertexIndex[k]];
}

float faceArea(const MeshObject& o, std::size_t face)
{
    const Vector3 a = corner(o, face, 0), b = corner(o, face, 1), c = corner(o, face, 2);
    const Vector3 n = Cross(Subtract(b, a), Subtract(c, a));
    return 0.5f * std::sqrt(Dot(n, n));
}

// Texture colour in the middle of a face.
Rgb faceColour(const MeshObject& o, std::size_t face, const Picture& texture)
{
    Vector2 uv;
    for (int k = 0; k < 3; ++k) {
        const Vector2 t = o.textureCoordinates[o.faces[face].vertexIndex[k]];
        uv.x += t.x / 3.0f;
        uv.y += t.y / 3.0f;
    }
    return texture.atUv(uv);
}

// Surface of the faces whose texture colour passes a test; the flower's
// texture layout is shared, so the fresh texture classifies every model.
template <typename Test>
float areaWhere(const MeshObject& o, const Picture& texture, Test test)
{
    float area = 0.0f;
    for (std::size_t f = 0; f < o.faces.size(); ++f)
        if (test(faceColour(o, f, texture))) area += faceArea(o, f);
    return area;
}

// ------------------------------------------------------------ every static model
class StaticModel : public ::testing::TestWithParam<std::string> {};

std::vector<std::string> allModelFiles()
{
    std::vector<std::string> files(kFlowerFiles.begin(), kFlowerFiles.end());
    files.push_back(kMoleFile);
    files.push_back(kRakeFile);
    return files;
}

TEST_P(StaticModel, GameReaderLoadsOneTexturedObjectWithConsistentArrays)
{
    const MeshModel& m = model(GetParam());
    ASSERT_EQ(m.objectCount, 1);
    ASSERT_EQ(m.materialCount, 1);
    const MeshObject& o = m.objects[0];
    EXPECT_EQ(o.materialIndex, 0) << "the display lists draw object 0 with texture slot 0";
    EXPECT_TRUE(o.textured);
    ASSERT_GT(o.vertexCount, 0);
    ASSERT_GT(o.faceCount, 0);
    EXPECT_EQ(o.textureCoordinateCount, o.vertexCount);
    ASSERT_EQ(o.elementIndices.size(), static_cast<std::size_t>(o.faceCount) * 3);
    for (std::uint32_t index : o.elementIndices) ASSERT_LT(index, static_cast<std::uint32_t>(o.vertexCount));
    for (const Vector2& uv : o.textureCoordinates) {
        EXPECT_GE(uv.x, 0.0f);
        EXPECT_LE(uv.x, 1.0f);
        EXPECT_GE(uv.y, 0.0f);
        EXPECT_LE(uv.y, 1.0f);
    }
    // Collapsed (bitten) parts must not leave zero-area faces behind: a
    // vertex used only by such faces would get no normal.
    for (const Vector3& n : o.normals) {
        ASSERT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
        EXPECT_NEAR(std::sqrt(Dot(n, n)), 1.0f, 1e-4f);
    }
    // The texture the material names is there, a power-of-two picture.
    const std::string& textureName = m.materials[0].textureFileName;
    EXPECT_TRUE(textureName.starts_with("bilder/") && textureName.ends_with(".bmp")) << textureName;
    const Picture& texture = picture(textureName);
    ASSERT_GT(texture.width, 0) << textureName << " is missing or unreadable";
    EXPECT_EQ(texture.width & (texture.width - 1), 0);
    EXPECT_EQ(texture.height & (texture.height - 1), 0);
}

// `assimp info -r` reports totals; its 3DS importer gives every face corner
// its own vertex, so it finds three vertices per face and our face count.
// It turns the file's z-up axes into y-up the same way the game does, so its
// bounding box must equal the box of the game reader's vertices.
TEST_P(StaticModel, AssimpFindsOurFacesAndTheSameBoundsInGameAxes)
{
    ASSERT_TRUE(testsupport::haveProgram("assimp")) << "assimp-utils is a test dependency";
    const MeshObject& o = object(GetParam());
    ASSERT_GT(o.vertexCount, 0);
    const auto result = testsupport::runCommand("assimp info " + testsupport::shellQuote(dataPath(GetParam())) + " -r");
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(result.output, match, std::regex(R"(Faces:\s+(\d+))")));
    EXPECT_EQ(std::stoi(match[1]), o.faceCount);
    ASSERT_TRUE(std::regex_search(result.output, match, std::regex(R"(Vertices:\s+(\d+))")));
    EXPECT_EQ(std::stoi(match[1]), 3 * o.faceCount);

    Vector3 low = o.vertices[0], high = o.vertices[0];
    for (const Vector3& v : o.vertices) {
        low = {std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)};
        high = {std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)};
    }
    const auto point = [&](const char* label) {
        std::smatch m;
        const std::regex pattern(std::string(label) + R"(\s+\(([-\d.eE+]+) ([-\d.eE+]+) ([-\d.eE+]+)\))");
        EXPECT_TRUE(std::regex_search(result.output, m, pattern)) << label;
        return m.empty() ? Vector3{} : Vector3{std::stof(m[1]), std::stof(m[2]), std::stof(m[3])};
    };
    const Vector3 assimpLow = point("Minimum point"), assimpHigh = point("Maximum point");
    EXPECT_NEAR(assimpLow.x, low.x, 1e-3f);
    EXPECT_NEAR(assimpLow.y, low.y, 1e-3f);
    EXPECT_NEAR(assimpLow.z, low.z, 1e-3f);
    EXPECT_NEAR(assimpHigh.x, high.x, 1e-3f);
    EXPECT_NEAR(assimpHigh.y, high.y, 1e-3f);
    EXPECT_NEAR(assimpHigh.z, high.z, 1e-3f);
}

INSTANTIATE_TEST_SUITE_P(Generated, StaticModel, ::testing::ValuesIn(allModelFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = std::filesystem::path(info.param).stem().string();
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                             return name;
                         });

// ------------------------------------------------------------ flowers
TEST(FlowerModels, AllTwelveShareVerticesFacesAndCoordinatesButNotShapes)
{
    const MeshObject& fresh = object(kFlowerFiles[0]);
    ASSERT_GT(fresh.vertexCount, 0);
    for (const char* file : kFlowerFiles) {
        SCOPED_TRACE(file);
        const MeshObject& o = object(file);
        ASSERT_EQ(o.vertexCount, fresh.vertexCount) << "the change of form pairs vertices by index";
        EXPECT_EQ(o.elementIndices, fresh.elementIndices);
        ASSERT_EQ(o.textureCoordinates.size(), fresh.textureCoordinates.size());
        for (std::size_t i = 0; i < o.textureCoordinates.size(); ++i) {
            EXPECT_EQ(o.textureCoordinates[i].x, fresh.textureCoordinates[i].x);
            EXPECT_EQ(o.textureCoordinates[i].y, fresh.textureCoordinates[i].y);
        }
        if (&o != &fresh) {
            float moved = 0.0f;
            for (std::size_t i = 0; i < o.vertices.size(); ++i)
                moved = std::max(moved, distance(o.vertices[i], fresh.vertices[i]));
            EXPECT_GT(moved, 1.0f) << "every model has its own shape";
        }
    }
}

TEST(FlowerModels, StandOnTheGroundInsideTheBedsBoundingSphere)
{
    // The bed draws a flower at its grid point, unturned and unscaled.
    for (const char* file : kFlowerFiles) {
        SCOPED_TRACE(file);
        const MeshObject& o = object(file);
        ASSERT_GT(o.vertexCount, 0);
        EXPECT_LE(maxDistanceFrom(o, kFlowerSphereCentre), kFlowerSphereRadius);
        float lowest = o.vertices[0].y;
        for (const Vector3& v : o.vertices) lowest = std::min(lowest, v.y);
        EXPECT_NEAR(lowest, 0.0f, 1e-3f) << "the stem starts on the ground, nothing below it";
    }
    float top = 0.0f;
    for (const Vector3& v : object(kFlowerFiles[0]).vertices) top = std::max(top, v.y);
    EXPECT_GE(top, 36.0f) << "a fresh flower stands tall";
}

TEST(FlowerModels, HeadIsOnTopAndSinksStageByStage)
{
    const Picture& fresh = picture(kFlowerTextures[0]);
    ASSERT_GT(fresh.width, 0);
    // The highest point of the fresh flower is its head, not a leaf.
    const MeshObject& healthy = object(kFlowerFiles[0]);
    ASSERT_GT(healthy.vertexCount, 0);
    std::size_t highest = 0;
    for (std::size_t i = 0; i < healthy.vertices.size(); ++i)
        if (healthy.vertices[i].y > healthy.vertices[highest].y) highest = i;
    EXPECT_TRUE(isPetalOrCentre(fresh.atUv(healthy.textureCoordinates[highest])));

    // Mean height of the head's vertices drops with every dry stage, in each eaten column.
    for (int eaten = 0; eaten < 3; ++eaten) {
        float previous = 1e9f;
        for (int stage = 0; stage < 4; ++stage) {
            const MeshObject& o = object(kFlowerTable[stage][eaten]);
            float sum = 0.0f;
            int count = 0;
            for (std::size_t i = 0; i < o.vertices.size(); ++i) {
                if (isPetalOrCentre(fresh.atUv(o.textureCoordinates[i]))) {
                    sum += o.vertices[i].y;
                    ++count;
                }
            }
            ASSERT_GT(count, 0);
            const float mean = sum / static_cast<float>(count);
            EXPECT_LT(mean, previous - 1.0f) << kFlowerTable[stage][eaten];
            previous = mean;
        }
    }
}

TEST(FlowerModels, BitesTakePetalsThenALeafInEveryStage)
{
    const Picture& fresh = picture(kFlowerTextures[0]);
    ASSERT_GT(fresh.width, 0);
    for (const auto& row : kFlowerTable) {
        SCOPED_TRACE(row[0]);
        std::array<float, 3> petals{}, leaves{};
        for (int eaten = 0; eaten < 3; ++eaten) {
            const MeshObject& o = object(row[eaten]);
            ASSERT_GT(o.vertexCount, 0);
            petals[eaten] = areaWhere(o, fresh, isPetalOrCentre);
            leaves[eaten] = areaWhere(o, fresh, isGreen);
        }
        EXPECT_LT(petals[1], 0.85f * petals[0]) << "the first bite takes petals";
        EXPECT_LT(petals[2], 0.85f * petals[1]) << "the second bite takes more petals";
        EXPECT_NEAR(leaves[1], leaves[0], 0.01f * leaves[0]) << "the first bite leaves the leaves";
        EXPECT_LT(leaves[2], 0.9f * leaves[1]) << "the second bite takes a leaf";
    }
}

// Halfway through a change of form (the bed moves each vertex a tenth of the
// way per frame) the flower must still look like a flower: when vertices
// are paired with the wrong partners, faces stretch across the model.
TEST(FlowerModels, HalfwayBetweenStagesNoFaceStretches)
{
    const auto longestEdge = [](const std::vector<Vector3>& v, const std::vector<std::uint32_t>& e) {
        float longest = 0.0f;
        for (std::size_t f = 0; f + 2 < e.size(); f += 3)
            for (int k = 0; k < 3; ++k)
                longest = std::max(longest, distance(v[e[f + k]], v[e[f + (k + 1) % 3]]));
        return longest;
    };
    for (int eaten = 0; eaten < 3; ++eaten) {
        for (int from = 0; from < 4; ++from) {
            for (int to = 0; to < 4; ++to) {
                if (from == to) continue;
                const MeshObject& a = object(kFlowerTable[from][eaten]);
                const MeshObject& b = object(kFlowerTable[to][eaten]);
                ASSERT_EQ(a.vertices.size(), b.vertices.size());
                std::vector<Vector3> halfway(a.vertices.size());
                for (std::size_t i = 0; i < halfway.size(); ++i) {
                    const Vector3 step = DivideByScalar(Subtract(a.vertices[i], b.vertices[i]), 10.0f);
                    halfway[i] = a.vertices[i];
                    for (int frame = 0; frame < 5; ++frame) halfway[i] = Subtract(halfway[i], step);
                }
                const float ends = std::max(longestEdge(a.vertices, a.elementIndices),
                                            longestEdge(b.vertices, b.elementIndices));
                EXPECT_LE(longestEdge(halfway, a.elementIndices), 1.1f * ends)
                    << kFlowerTable[from][eaten] << " -> " << kFlowerTable[to][eaten];
            }
        }
    }
}

// From one stage to the next every part moves a little: a leaf or petal
// paired with another part's vertices would jump across the flower.
TEST(FlowerModels, NeighbouringStagesMoveEveryVertexLessThanHalfTheFlowersHeight)
{
    constexpr float kHalfHeight = 19.0f;
    for (int eaten = 0; eaten < 3; ++eaten) {
        for (int stage = 0; stage + 1 < 4; ++stage) {
            const MeshObject& a = object(kFlowerTable[stage][eaten]);
            const MeshObject& b = object(kFlowerTable[stage + 1][eaten]);
            ASSERT_EQ(a.vertices.size(), b.vertices.size());
            float farthest = 0.0f;
            for (std::size_t i = 0; i < a.vertices.size(); ++i)
                farthest = std::max(farthest, distance(a.vertices[i], b.vertices[i]));
            EXPECT_LT(farthest, kHalfHeight) << kFlowerTable[stage][eaten] << " -> " << kFlowerTable[stage + 1][eaten];
        }
    }
}

TEST(FlowerTextures, ShareOneSizeAndGetWorseStageByStage)
{
    // Greenness: how far green stands above red; brightness; and how far
    // each picture has moved from the fresh one, pixel by pixel.
    std::array<double, 5> greenness{}, brightness{}, awayFromFresh{};
    std::array<int, 5> dark{};
    const Picture& fresh = picture(kFlowerTextures[0]);
    for (std::size_t t = 0; t < kFlowerTextures.size(); ++t) {
        const Picture& p = picture(kFlowerTextures[t]);
        ASSERT_EQ(p.width, 256) << kFlowerTextures[t];
        ASSERT_EQ(p.height, 256) << kFlowerTextures[t];
        const double pixels = p.width * p.height;
        for (int y = 0; y < p.height; ++y) {
            for (int x = 0; x < p.width; ++x) {
                const Rgb c = p.at(x, y);
                const Rgb f = fresh.at(x, y);
                greenness[t] += (c.g - c.r) / pixels;
                brightness[t] += (c.r + c.g + c.b) / (3.0 * pixels);
                awayFromFresh[t] += (std::abs(c.r - f.r) + std::abs(c.g - f.g) + std::abs(c.b - f.b)) / pixels;
                if (std::max({c.r, c.g, c.b}) < 60) ++dark[t];
            }
        }
    }
    // Green gives way to yellow, then everything goes dark brown.
    EXPECT_GT(greenness[0], greenness[1] + 10.0);
    EXPECT_GT(greenness[1], greenness[2] + 10.0);
    EXPECT_LT(brightness[3], brightness[2] - 10.0);
    EXPECT_GT(awayFromFresh[1], 20.0);
    EXPECT_GT(awayFromFresh[2], awayFromFresh[1] + 20.0);
    EXPECT_GT(awayFromFresh[3], awayFromFresh[2] + 20.0);
    // Lice: the fresh colours with many small dark dots.
    EXPECT_LT(awayFromFresh[4], awayFromFresh[1]);
    EXPECT_GT(dark[4], dark[0] + 300);
}

TEST(FlowerTextures, ImageMagickReadsEveryModelTextureAsTrueColourBmp)
{
    ASSERT_TRUE(testsupport::haveProgram("identify")) << "ImageMagick is a test dependency";
    std::vector<std::string> files(kFlowerTextures.begin(), kFlowerTextures.end());
    files.push_back("bilder/maulwurf.bmp");
    files.push_back("bilder/rechen.bmp");
    for (const std::string& file : files) {
        const auto result = testsupport::runCommand("identify -format '%m %w %h %z %[channels]' " +
                                                    testsupport::shellQuote(dataPath(file)));
        ASSERT_EQ(result.exitStatus, 0) << file << ": " << result.output;
        std::istringstream fields(result.output);
        std::string format, channels;
        int width = 0, height = 0, depth = 0;
        fields >> format >> width >> height >> depth >> channels;
        EXPECT_TRUE(format.starts_with("BMP")) << file << ": " << format;
        EXPECT_EQ(width, picture(file).width) << file;
        EXPECT_EQ(height, picture(file).height) << file;
        EXPECT_EQ(depth, 8) << file;
        EXPECT_TRUE(channels.starts_with("srgb")) << file << ": " << channels;
    }
}

// ------------------------------------------------------------ mole
TEST(MoleModel, NoseTowardPlusZWithEyesInFrontAndFitsItsSphere)
{
    const MeshObject& o = object(kMoleFile);
    ASSERT_GT(o.vertexCount, 0);
    const Picture& texture = picture(model(kMoleFile).materials[0].textureFileName);
    ASSERT_GT(texture.width, 0);
    std::size_t front = 0, back = 0, top = 0;
    for (std::size_t i = 0; i < o.vertices.size(); ++i) {
        if (o.vertices[i].z > o.vertices[front].z) front = i;
        if (o.vertices[i].z < o.vertices[back].z) back = i;
        if (o.vertices[i].y > o.vertices[top].y) top = i;
    }
    EXPECT_TRUE(isPink(texture.atUv(o.textureCoordinates[front]))) << "the nose tip is pink";
    const Rgb back_of_head = texture.atUv(o.textureCoordinates[top]);
    EXPECT_TRUE(back_of_head.r < 140 && back_of_head.r > back_of_head.b && back_of_head.g > back_of_head.b)
        << "the back is dark brown";
    const float length = o.vertices[front].z - o.vertices[back].z;
    EXPECT_GT(length, 22.0f);
    EXPECT_LT(length, 28.0f);
    int eyeVertices = 0;
    for (std::size_t i = 0; i < o.vertices.size(); ++i) {
        if (!isNearBlack(texture.atUv(o.textureCoordinates[i]))) continue;
        ++eyeVertices;
        EXPECT_GT(o.vertices[i].z, 3.0f) << "eyes sit toward the nose";
        EXPECT_GT(o.vertices[i].y, 4.0f) << "eyes sit up on the head";
    }
    EXPECT_GT(eyeVertices, 0);
    // Radius 13 round the origin holds the body; the nose tip and tail may
    // touch its edge.
    EXPECT_LE(maxDistanceFrom(o, {0, 0, 0}), kMoleRadius * 1.04f);
}

// ------------------------------------------------------------ rake
TEST(RakeModel, HandleAlongPlusXTinesUpAtTheOriginInsideItsSpheres)
{
    const MeshObject& o = object(kRakeFile);
    ASSERT_GT(o.vertexCount, 0);
    const Picture& texture = picture(model(kRakeFile).materials[0].textureFileName);
    ASSERT_GT(texture.width, 0);
    float lowest = 1e9f, farthest = -1e9f, nearest = 1e9f, widthLow = 1e9f, widthHigh = -1e9f, highest = -1e9f;
    for (const Vector3& v : o.vertices) {
        lowest = std::min(lowest, v.y);
        highest = std::max(highest, v.y);
        farthest = std::max(farthest, v.x);
        nearest = std::min(nearest, v.x);
        widthLow = std::min(widthLow, v.z);
        widthHigh = std::max(widthHigh, v.z);
    }
    EXPECT_NEAR(lowest, 0.0f, 1e-3f) << "lies on the ground";
    EXPECT_GE(farthest, 42.0f) << "handle about 45 long";
    EXPECT_LE(farthest, 48.0f);
    EXPECT_GE(nearest, -2.5f);
    EXPECT_GE(widthHigh - widthLow, 14.0f) << "head about 16 wide";
    EXPECT_LE(widthHigh - widthLow, 18.0f);
    EXPECT_GE(highest, 4.0f) << "tines stand up";
    EXPECT_LE(maxDistanceFrom(o, kRakeSphereCentre), kRakeRadius);

    int tineVertices = 0;
    for (std::size_t i = 0; i < o.vertices.size(); ++i) {
        const Vector3& v = o.vertices[i];
        const Rgb colour = texture.atUv(o.textureCoordinates[i]);
        if (v.y > 3.0f) {
            ++tineVertices;
            EXPECT_NEAR(v.x, -1.0f, 0.6f) << "tines stand at x = -1";
            EXPECT_TRUE(isGrey(colour)) << "tines are metal";
            // Each tine lies within a tine sphere's reach across the head.
            float closest = 1e9f;
            for (const Vector3& s : kTineSpheres) closest = std::min(closest, std::abs(v.z - s.z));
            EXPECT_LE(closest, kTineRadius);
        }
        if (v.x > 40.0f) {
            EXPECT_TRUE(isWood(colour)) << "the handle's end is wood";
        }
    }
    EXPECT_GT(tineVertices, 0);
}

// ------------------------------------------------------------ determinism
TEST(ModelGeneration, TwoRunsWriteTheSameBytesAsTheBuild)
{
    testsupport::TempDir first, second;
    const std::string program = testsupport::shellQuote(testsupport::contentgenExecutable());
    ASSERT_EQ(testsupport::runCommand(program + " --out " + testsupport::shellQuote(first.path().string())).exitStatus, 0);
    ASSERT_EQ(testsupport::runCommand(program + " --out " + testsupport::shellQuote(second.path().string())).exitStatus, 0);
    std::vector<std::string> files = allModelFiles();
    files.insert(files.end(), kFlowerTextures.begin(), kFlowerTextures.end());
    files.push_back("bilder/maulwurf.bmp");
    files.push_back("bilder/rechen.bmp");
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const std::vector<std::uint8_t> a = testsupport::readFileBytes(first / file);
        ASSERT_FALSE(a.empty());
        EXPECT_EQ(a, testsupport::readFileBytes(second / file));
        EXPECT_EQ(a, testsupport::readFileBytes(dataPath(file)));
    }
}

}  // namespace
