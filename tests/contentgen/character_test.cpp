// The gardener character: the MD3 writer, and the generated files in Pell/
// read back the way the game reads them (layout, tags, animation table,
// skins), checked against assimp and ImageMagick where those are installed.
#include "../../tools/contentgen/writer_md3.cpp"

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::haveProgram;
using testsupport::readFileBytes;
using testsupport::readFileText;
using testsupport::runCommand;
using testsupport::shellQuote;

// ---- an MD3 reader of our own, walking the file by its offsets ---------------

struct Tag {
    std::string name;
    std::array<float, 3> origin{};
    std::array<float, 9> axis{};
};

struct Surface {
    std::string name, shader;
    int frames = 0, vertices = 0;
    std::vector<std::array<int, 3>> triangles;
    std::vector<std::array<float, 2>> st;
    std::vector<std::array<float, 3>> xyz;  // frame after frame, in model units
    std::vector<std::uint16_t> packedNormals;

    std::array<float, 3> at(int frame, int v) const { return xyz[static_cast<std::size_t>(frame * vertices + v)]; }
};

struct Md3 {
    int version = 0, frames = 0, tagCount = 0;
    std::vector<Tag> tags;  // frame * tagCount + tag
    std::vector<Surface> surfaces;
    std::vector<std::string> problems;

    const Surface& surface(const std::string& name) const
    {
        for (const Surface& s : surfaces) {
            if (s.name == name) return s;
        }
        static const Surface none;
        ADD_FAILURE() << "no surface " << name;
        return none;
    }
};

class Bytes {
public:
    explicit Bytes(std::vector<std::uint8_t> data) : data_(std::move(data)) {}
    bool has(std::size_t at, std::size_t n) const { return at <= data_.size() && n <= data_.size() - at; }
    std::int32_t i32(std::size_t at) const
    {
        std::uint32_t v = 0;
        for (int k = 3; k >= 0; --k) v = (v << 8) | data_[at + static_cast<std::size_t>(k)];
        return static_cast<std::int32_t>(v);
    }
    std::int16_t i16(std::size_t at) const
    {
        return static_cast<std::int16_t>(data_[at] | (data_[at + 1] << 8));
    }
    float f32(std::size_t at) const
    {
        const std::uint32_t v = static_cast<std::uint32_t>(i32(at));
        float f = 0;
        std::memcpy(&f, &v, sizeof f);
        return f;
    }
    std::string text(std::size_t at, std::size_t n) const
    {
        std::string s(reinterpret_cast<const char*>(&data_[at]), n);
        return s.substr(0, s.find('\0'));
    }
    std::size_t size() const { return data_.size(); }

private:
    std::vector<std::uint8_t> data_;
};

Md3 readMd3(const fs::path& path)
{
    Md3 m;
    const Bytes b(readFileBytes(path));
    auto problem = [&](const std::string& what) { m.problems.push_back(path.filename().string() + ": " + what); };
    if (!b.has(0, 108) || b.text(0, 4) != "IDP3") {
        problem("no MD3 header");
        return m;
    }
    m.version = b.i32(4);
    m.frames = b.i32(76);
    m.tagCount = b.i32(80);
    const int surfaceCount = b.i32(84);
    const auto framesAt = static_cast<std::size_t>(b.i32(92));
    const auto tagsAt = static_cast<std::size_t>(b.i32(96));
    const auto surfacesAt = static_cast<std::size_t>(b.i32(100));
    const auto endAt = static_cast<std::size_t>(b.i32(104));
    const auto frames = static_cast<std::size_t>(m.frames);
    const auto tagCount = static_cast<std::size_t>(m.tagCount);
    // The game does not seek: the sections must follow each other.
    if (framesAt != 108) problem("frames do not follow the header");
    if (tagsAt != framesAt + frames * 56) problem("tags do not follow the frames");
    if (surfacesAt != tagsAt + frames * tagCount * 112) problem("meshes do not follow the tags");
    if (endAt != b.size()) problem("end offset is not the file size");
    if (!b.has(tagsAt, frames * tagCount * 112)) {
        problem("tags beyond the file");
        return m;
    }
    for (std::size_t i = 0; i < frames * tagCount; ++i) {
        const std::size_t at = tagsAt + i * 112;
        Tag t;
        t.name = b.text(at, 64);
        for (int k = 0; k < 3; ++k) t.origin[static_cast<std::size_t>(k)] = b.f32(at + 64 + 4 * static_cast<std::size_t>(k));
        for (int k = 0; k < 9; ++k) t.axis[static_cast<std::size_t>(k)] = b.f32(at + 76 + 4 * static_cast<std::size_t>(k));
        m.tags.push_back(t);
    }
    std::size_t at = surfacesAt;
    for (int s = 0; s < surfaceCount; ++s) {
        if (!b.has(at, 108) || b.text(at, 4) != "IDP3") {
            problem("mesh header missing");
            return m;
        }
        Surface sf;
        sf.name = b.text(at + 4, 64);
        sf.frames = b.i32(at + 72);
        const int shaders = b.i32(at + 76);
        sf.vertices = b.i32(at + 80);
        const int triangles = b.i32(at + 84);
        const auto trianglesAt = static_cast<std::size_t>(b.i32(at + 88));
        const auto shadersAt = static_cast<std::size_t>(b.i32(at + 92));
        const auto stAt = static_cast<std::size_t>(b.i32(at + 96));
        const auto xyzAt = static_cast<std::size_t>(b.i32(at + 100));
        const auto size = static_cast<std::size_t>(b.i32(at + 104));
        const auto nv = static_cast<std::size_t>(sf.vertices);
        const auto nt = static_cast<std::size_t>(triangles);
        // The game reads the shader records right after the mesh header.
        if (shadersAt != 108) problem(sf.name + ": shaders do not follow the mesh header");
        if (trianglesAt != shadersAt + static_cast<std::size_t>(shaders) * 68) problem(sf.name + ": triangles misplaced");
        if (stAt != trianglesAt + nt * 12) problem(sf.name + ": texture coordinates misplaced");
        if (xyzAt != stAt + nv * 8) problem(sf.name + ": vertices misplaced");
        if (size != xyzAt + static_cast<std::size_t>(sf.frames) * nv * 8) problem(sf.name + ": mesh size wrong");
        if (sf.frames != m.frames) problem(sf.name + ": frame count differs from the header");
        if (!b.has(at, size)) {
            problem(sf.name + ": mesh beyond the file");
            return m;
        }
        if (shaders > 0) sf.shader = b.text(at + shadersAt, 64);
        for (std::size_t i = 0; i < nt; ++i) {
            const std::size_t p = at + trianglesAt + i * 12;
            sf.triangles.push_back({b.i32(p), b.i32(p + 4), b.i32(p + 8)});
        }
        for (std::size_t i = 0; i < nv; ++i) sf.st.push_back({b.f32(at + stAt + i * 8), b.f32(at + stAt + i * 8 + 4)});
        for (std::size_t i = 0; i < static_cast<std::size_t>(sf.frames) * nv; ++i) {
            const std::size_t p = at + xyzAt + i * 8;
            sf.xyz.push_back({b.i16(p) / 64.0f, b.i16(p + 2) / 64.0f, b.i16(p + 4) / 64.0f});
            sf.packedNormals.push_back(static_cast<std::uint16_t>(b.i16(p + 6)));
        }
        m.surfaces.push_back(std::move(sf));
        at += size;
    }
    return m;
}

using V3 = std::array<float, 3>;
V3 sub(V3 a, V3 b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 cross(V3 a, V3 b) { return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}; }
float dot(V3 a, V3 b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
float norm(V3 a) { return std::sqrt(dot(a, a)); }

// Vertex normals as the game makes them from key frame 0: summed
// (p0 - p2) x (p2 - p1) over the faces, divided by minus the face count.
std::vector<V3> gameNormals(const Surface& s, std::vector<bool>& used, std::vector<float>& sumLength)
{
    std::vector<V3> sum(static_cast<std::size_t>(s.vertices), V3{0, 0, 0});
    std::vector<int> count(static_cast<std::size_t>(s.vertices), 0);
    for (const auto& t : s.triangles) {
        const V3 n = cross(sub(s.at(0, t[0]), s.at(0, t[2])), sub(s.at(0, t[2]), s.at(0, t[1])));
        std::set<int> once(t.begin(), t.end());
        for (int v : once) {
            auto& acc = sum[static_cast<std::size_t>(v)];
            for (int k = 0; k < 3; ++k) acc[static_cast<std::size_t>(k)] += n[static_cast<std::size_t>(k)];
            ++count[static_cast<std::size_t>(v)];
        }
    }
    used.assign(sum.size(), false);
    sumLength.assign(sum.size(), 0.0f);
    for (std::size_t v = 0; v < sum.size(); ++v) {
        used[v] = count[v] > 0;
        sumLength[v] = norm(sum[v]);
        const float d = -static_cast<float>(std::max(count[v], 1));
        V3 n{sum[v][0] / d, sum[v][1] / d, sum[v][2] / d};
        const float l = norm(n);
        sum[v] = l > 0 ? V3{n[0] / l, n[1] / l, n[2] / l} : V3{0, 0, 0};
    }
    return sum;
}

// The game's tag matrix: quaternion from the nine values, then back to a
// column-major 4 x 4 with the tag position in elements 12..14.
std::array<float, 16> tagMatrix(const Tag& tag)
{
    std::array<float, 16> a{};
    const auto& m = tag.axis;
    a[0] = m[0], a[1] = m[1], a[2] = m[2], a[4] = m[3], a[5] = m[4], a[6] = m[5], a[8] = m[6], a[9] = m[7], a[10] = m[8];
    a[15] = 1;
    float x = 0, y = 0, z = 0, w = 1;
    const float d = a[0] + a[5] + a[10] + 1;
    if (d > 0.00000001f) {
        const float s = 2 * std::sqrt(d);
        x = (a[9] - a[6]) / s, y = (a[2] - a[8]) / s, z = (a[4] - a[1]) / s, w = 0.25f * s;
    } else if (a[0] > a[5] && a[0] > a[10]) {
        const float s = 2 * std::sqrt(1 + a[0] - a[5] - a[10]);
        x = 0.25f * s, y = (a[4] + a[1]) / s, z = (a[2] + a[8]) / s, w = (a[9] - a[6]) / s;
    } else if (a[5] > a[10]) {
        const float s = 2 * std::sqrt(1 + a[5] - a[0] - a[10]);
        x = (a[4] + a[1]) / s, y = 0.25f * s, z = (a[9] + a[6]) / s, w = (a[2] - a[8]) / s;
    } else {
        const float s = 2 * std::sqrt(1 + a[10] - a[0] - a[5]);
        x = (a[2] + a[8]) / s, y = (a[9] + a[6]) / s, z = 0.25f * s, w = (a[4] - a[1]) / s;
    }
    return {1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y), 0,
            2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x), 0,
            2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y), 0,
            tag.origin[0], tag.origin[1], tag.origin[2], 1};
}

V3 transform(const std::array<float, 16>& m, V3 v)
{
    return {m[0] * v[0] + m[4] * v[1] + m[8] * v[2] + m[12], m[1] * v[0] + m[5] * v[1] + m[9] * v[2] + m[13],
            m[2] * v[0] + m[6] * v[1] + m[10] * v[2] + m[14]};
}

// Model axes to the game's axes relative to the gardener's position (heading
// 0): the character is turned -90 degrees about x.
V3 toGame(V3 m) { return {m[0], m[2], -m[1]}; }

// ---- the animation configuration read by the game's rules -------------------

struct Animation {
    std::string name;
    int first = 0, end = 0, looping = 0, fps = 0;
};

struct AnimationLists {
    std::vector<Animation> lower, upper;
};

AnimationLists readAnimations(const std::string& text)
{
    AnimationLists lists;
    std::vector<std::pair<std::string, int>> words;  // word and its line
    std::istringstream lines(text);
    std::string line;
    for (int number = 0; std::getline(lines, line); ++number) {
        std::istringstream in(line);
        std::string word;
        while (in >> word) words.emplace_back(word, number);
    }
    std::size_t i = 0;
    auto next = [&]() -> std::string { return i < words.size() ? words[i++].first : std::string(); };
    while (i < words.size()) {
        const auto [word, lineNumber] = words[i++];
        if (!std::isdigit(static_cast<unsigned char>(word[0]))) {
            while (i < words.size() && words[i].second == lineNumber) ++i;  // rest of the line
            continue;
        }
        Animation a;
        a.first = std::stoi(word);
        const int count = std::stoi(next());
        a.looping = std::stoi(next());
        a.fps = std::stoi(next());
        next();  // the comment marker
        a.name = next();
        a.end = a.first + count;
        if (a.name.find("BOTH") != std::string::npos) {
            lists.upper.push_back(a);
            lists.lower.push_back(a);
        } else if (a.name.find("TORSO") != std::string::npos) {
            lists.upper.push_back(a);
        } else if (a.name.find("LEGS") != std::string::npos) {
            lists.lower.push_back(a);
        }
    }
    return lists;
}

const Animation* byName(const std::vector<Animation>& list, const std::string& name)
{
    for (const Animation& a : list) {
        if (a.name == name) return &a;
    }
    return nullptr;
}

// The game's frame step: after the current frame comes (current + 1) mod end, or the first frame for 0.
int nextFrame(int current, const Animation& a)
{
    const int next = (current + 1) % a.end;
    return next == 0 ? a.first : next;
}

fs::path pellDir() { return fs::path(testsupport::generatedDataDir()) / "Pell"; }

class Pell : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        lower_ = new Md3(readMd3(pellDir() / "pell_lower.md3"));
        upper_ = new Md3(readMd3(pellDir() / "pell_upper.md3"));
        head_ = new Md3(readMd3(pellDir() / "pell_head.md3"));
        lists_ = new AnimationLists(readAnimations(readFileText(pellDir() / "pell_animation.cfg")));
    }
    static void TearDownTestSuite()
    {
        delete lower_;
        delete upper_;
        delete head_;
        delete lists_;
    }
    const Md3& lower() const { return *lower_; }
    const Md3& upper() const { return *upper_; }
    const Md3& head() const { return *head_; }
    const AnimationLists& lists() const { return *lists_; }
    const Animation& upperAt(std::size_t k) const { return lists_->upper.at(k); }
    const Animation& lowerAt(std::size_t k) const { return lists_->lower.at(k); }
    const Animation& named(const std::vector<Animation>& list, const std::string& name) const
    {
        const Animation* a = byName(list, name);
        if (a != nullptr) return *a;
        ADD_FAILURE() << "no animation " << name;
        static const Animation none{"", 0, 1, 0, 0};
        return none;
    }

    // Extent (bounding box diagonal) of a surface in one frame.
    static float extent(const Surface& s, int frame)
    {
        V3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
        for (int v = 0; v < s.vertices; ++v) {
            const V3 p = s.at(frame, v);
            for (std::size_t k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
        }
        return norm(sub(hi, lo));
    }

    // Positions of a torso surface in the game's axes, with the legs showing legsFrame.
    std::vector<V3> inGame(const Surface& s, int frame, int legsFrame) const
    {
        const auto m = tagMatrix(lower().tags.at(static_cast<std::size_t>(legsFrame * lower().tagCount)));
        std::vector<V3> out;
        for (int v = 0; v < s.vertices; ++v) out.push_back(toGame(transform(m, s.at(frame, v))));
        return out;
    }

private:
    static inline Md3* lower_ = nullptr;
    static inline Md3* upper_ = nullptr;
    static inline Md3* head_ = nullptr;
    static inline AnimationLists* lists_ = nullptr;
};

// ---- the MD3 writer on its own --------------------------------------------

contentgen::Md3ModelData smallModel()
{
    contentgen::Md3ModelData model;
    model.name = "probe";
    model.frameCount = 2;
    model.frameNames = {"first", "second"};
    contentgen::Md3TagPose tag;
    tag.name = "tag_probe";
    tag.origin = {1, 2, 3};
    tag.axis = {0, 1, 0, -1, 0, 0, 0, 0, 1};  // a quarter turn about z
    model.tags = {{tag}, {tag}};
    contentgen::Md3SurfaceData s;
    s.name = "probe_mesh";
    s.shader = "Probe/probe.bmp";
    s.triangles = {{0, 1, 2}, {0, 2, 3}};
    s.texCoords = {{0.25f, 0.75f}, {1, 0}, {1, 1}, {0, 1}};
    s.frames = {{{1, -2, 0.5f}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, {{0, 0, 1}, {3, 0, 1}, {3, 3, 1}, {0, 3, 1}}};
    model.surfaces = {s};
    return model;
}

TEST(Md3Writer, WrittenFileReadsBackWithExactValues)
{
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(contentgen::writeMd3(smallModel(), bytes, error)) << error;
    testsupport::TempDir dir;
    const fs::path file = dir / "probe.md3";
    testsupport::writeFileBytes(file, bytes);
    const Md3 m = readMd3(file);
    EXPECT_TRUE(m.problems.empty()) << m.problems.front();
    EXPECT_EQ(m.version, 15);
    ASSERT_EQ(m.frames, 2);
    ASSERT_EQ(m.tags.size(), 2u);
    EXPECT_EQ(m.tags[1].name, "tag_probe");
    EXPECT_EQ(m.tags[1].origin, (V3{1, 2, 3}));
    ASSERT_EQ(m.surfaces.size(), 1u);
    const Surface& s = m.surfaces[0];
    EXPECT_EQ(s.name, "probe_mesh");
    EXPECT_EQ(s.shader, "Probe/probe.bmp");
    // 1/64 units: (1, -2, 0.5) is stored as (64, -128, 32) and comes back exactly.
    EXPECT_EQ(s.at(0, 0), (V3{1, -2, 0.5f}));
    EXPECT_EQ(s.at(1, 2), (V3{3, 3, 1}));
    EXPECT_EQ(s.st[0], (std::array<float, 2>{0.25f, 0.75f}));
    // Both faces look up (+z); the packed normals say so too.
    for (int v = 0; v < 4; ++v) {
        const Vector3 n = contentgen::unpackMd3Normal(s.packedNormals[static_cast<std::size_t>(v)]);
        EXPECT_GT(n.z, 0.85f);
    }
    // The tag turns x into y the way the game turns it.
    const V3 turned = transform(tagMatrix(m.tags[0]), {1, 0, 0});
    EXPECT_NEAR(turned[0], 1.0f, 1e-5f);
    EXPECT_NEAR(turned[1], 3.0f, 1e-5f);
    EXPECT_NEAR(turned[2], 3.0f, 1e-5f);

    if (haveProgram("assimp")) {
        const auto result = runCommand("assimp info " + shellQuote(file.string()) + " -r");
        EXPECT_EQ(result.exitStatus, 0) << result.output;
        EXPECT_NE(result.output.find("Faces:              2"), std::string::npos) << result.output;
    }
}

TEST(Md3Writer, PackedNormalsComeBackWithinOneStep)
{
    const std::vector<Vector3> probes = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {0, -1, 0}, {0.6f, 0.0f, -0.8f},
                                         {-0.48f, 0.6f, 0.64f}, {0.267f, -0.534f, -0.802f}};
    for (const Vector3& n : probes) {
        const Vector3 back = contentgen::unpackMd3Normal(contentgen::packMd3Normal(n));
        const float cosine = back.x * n.x + back.y * n.y + back.z * n.z;
        EXPECT_GT(cosine, std::cos(2.0f * 6.2831853f / 256.0f)) << n.x << " " << n.y << " " << n.z;
    }
}

TEST(Md3Writer, RefusesModelsTheFormatCannotHold)
{
    std::vector<std::uint8_t> bytes;
    std::string error;
    auto refused = [&](const contentgen::Md3ModelData& m) { return !contentgen::writeMd3(m, bytes, error) && bytes.empty(); };

    auto badIndex = smallModel();
    badIndex.surfaces[0].triangles[1][2] = 4;
    EXPECT_TRUE(refused(badIndex));
    auto far = smallModel();
    far.surfaces[0].frames[1][0] = {600, 0, 0};  // beyond the 16-bit range of 1/64 units
    EXPECT_TRUE(refused(far));
    auto mirrored = smallModel();
    mirrored.tags[1][0].axis = {-1, 0, 0, 0, 1, 0, 0, 0, 1};  // not a rotation: a quaternion cannot hold it
    EXPECT_TRUE(refused(mirrored));
    auto stretched = smallModel();
    stretched.tags[0][0].axis = {2, 0, 0, 0, 1, 0, 0, 0, 1};
    EXPECT_TRUE(refused(stretched));
    auto missingFrame = smallModel();
    missingFrame.surfaces[0].frames.pop_back();
    EXPECT_TRUE(refused(missingFrame));
    auto longName = smallModel();
    longName.surfaces[0].name = std::string(64, 'x');
    EXPECT_TRUE(refused(longName));
    auto crowded = smallModel();
    for (auto& frame : crowded.surfaces[0].frames) frame.resize(contentgen::kMd3MaxVertices + 1);
    crowded.surfaces[0].texCoords.resize(contentgen::kMd3MaxVertices + 1);
    EXPECT_TRUE(refused(crowded));
    EXPECT_TRUE(contentgen::writeMd3(smallModel(), bytes, error));
}

// ---- the generated character -------------------------------------------------

TEST_F(Pell, ModelFilesFollowTheLayoutTheGameWalks)
{
    for (const Md3* m : {&lower(), &upper(), &head()}) {
        EXPECT_TRUE(m->problems.empty()) << m->problems.front();
        EXPECT_EQ(m->version, 15);
        EXPECT_GE(m->frames, 1);
        EXPECT_LE(m->frames, contentgen::kMd3MaxFrames);
        EXPECT_LE(m->tagCount, contentgen::kMd3MaxTags);
        EXPECT_LE(m->surfaces.size(), static_cast<std::size_t>(contentgen::kMd3MaxSurfaces));
        for (const Surface& s : m->surfaces) {
            EXPECT_GT(s.vertices, 0);
            EXPECT_LE(s.vertices, contentgen::kMd3MaxVertices) << s.name;
            EXPECT_LE(s.triangles.size(), static_cast<std::size_t>(contentgen::kMd3MaxTriangles)) << s.name;
            for (const auto& t : s.triangles) {
                for (int v : t) ASSERT_TRUE(v >= 0 && v < s.vertices) << s.name;
                EXPECT_TRUE(t[0] != t[1] && t[1] != t[2] && t[0] != t[2]) << s.name;
            }
            for (const auto& st : s.st) {
                ASSERT_TRUE(st[0] >= 0 && st[0] <= 1 && st[1] >= 0 && st[1] <= 1) << s.name;
            }
        }
        // Every tag is a proper rotation (the game turns it into a quaternion).
        for (const Tag& t : m->tags) {
            const V3 x{t.axis[0], t.axis[1], t.axis[2]}, y{t.axis[3], t.axis[4], t.axis[5]}, z{t.axis[6], t.axis[7], t.axis[8]};
            EXPECT_NEAR(norm(x), 1.0f, 1e-3f);
            EXPECT_NEAR(norm(y), 1.0f, 1e-3f);
            EXPECT_NEAR(dot(x, y), 0.0f, 1e-3f);
            EXPECT_NEAR(dot(cross(x, y), z), 1.0f, 1e-3f) << t.name;
        }
    }
}

TEST_F(Pell, LegsCarryTheTorsoTagInEveryFrame)
{
    ASSERT_EQ(lower().tagCount, 1);
    ASSERT_EQ(lower().tags.size(), static_cast<std::size_t>(lower().frames));
    for (const Tag& t : lower().tags) EXPECT_EQ(t.name, "tag_torso");
    // The torso sits on the hips: the tag is at the waist, 20 to 32 above the soles, when standing.
    const Animation& idle = named(lists().lower, "LEGS_IDLE");
    const Tag& standing = lower().tags.at(static_cast<std::size_t>(idle.first));
    EXPECT_GT(standing.origin[2] + 24.0f, 20.0f);
    EXPECT_LT(standing.origin[2] + 24.0f, 32.0f);
    // Torso-only animations play over the idle legs: the tag must hold still there.
    for (int f = idle.first; f < idle.end; ++f) {
        const Tag& t = lower().tags.at(static_cast<std::size_t>(f));
        EXPECT_LT(norm(sub(t.origin, standing.origin)), 0.5f) << f;
    }
    // ... and the torso's own frames of those animations were made for that same tag.
    for (const char* name : {"TORSO_SPRAY", "TORSO_GIESSEN"}) {
        const Animation& a = named(lists().upper, name);
        for (int f = a.first; f < a.end; ++f) {
            const Tag& t = lower().tags.at(static_cast<std::size_t>(f));
            EXPECT_LT(norm(sub(t.origin, standing.origin)), 0.5f) << name << " frame " << f;
            for (std::size_t k = 0; k < 9; ++k) EXPECT_NEAR(t.axis[k], standing.axis[k], 0.01f) << name << " frame " << f;
        }
    }
}

TEST_F(Pell, FigureStandsOnTheGroundAtTheGameSize)
{
    // Soles 24 below the origin and the top of the hat about 56 above them.
    const Animation& idle = named(lists().lower, "LEGS_IDLE");
    float lowest = 1e9f, highest = -1e9f;
    for (int v = 0; v < lower().surface("l_legs").vertices; ++v) lowest = std::min(lowest, lower().surface("l_legs").at(idle.first, v)[2]);
    for (const V3& p : inGame(upper().surface("u_body"), idle.first, idle.first)) highest = std::max(highest, p[1]);
    EXPECT_NEAR(lowest, -24.0f, 0.1f);
    EXPECT_NEAR(highest + 24.0f, 56.0f, 2.0f);
}

TEST_F(Pell, AssimpImportsEveryModelWithTheCountsWritten)
{
    if (!haveProgram("assimp")) GTEST_SKIP() << "assimp not installed";
    const std::regex meshLine(R"(\s+\d+ \([^)]*\): \[(\d+) / \d+ / (\d+) \|)");
    for (const std::string name : {"pell_lower.md3", "pell_upper.md3", "pell_head.md3"}) {
        const Md3& ours = name == "pell_lower.md3" ? lower() : name == "pell_upper.md3" ? upper() : head();
        const auto result = runCommand("assimp info " + shellQuote((pellDir() / name).string()) + " -r");
        ASSERT_EQ(result.exitStatus, 0) << result.output;
        // A raw import gives every triangle its own three corners.
        std::multiset<std::pair<int, int>> theirs, expected;
        for (std::sregex_iterator it(result.output.begin(), result.output.end(), meshLine), end; it != end; ++it) {
            theirs.insert({std::stoi((*it)[1]), std::stoi((*it)[2])});
        }
        for (const Surface& s : ours.surfaces) {
            const int faces = static_cast<int>(s.triangles.size());
            expected.insert({3 * faces, faces});
        }
        EXPECT_EQ(theirs, expected) << result.output;
    }
    const auto legs = runCommand("assimp info " + shellQuote((pellDir() / "pell_lower.md3").string()));
    EXPECT_NE(legs.output.find("tag_torso"), std::string::npos) << legs.output;
}

TEST_F(Pell, AnimationTableHasTheNumberedEntriesTheGameUses)
{
    const auto& up = lists().upper;
    const auto& lo = lists().lower;
    ASSERT_GE(up.size(), 12u);
    ASSERT_GE(lo.size(), 8u);
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(up[k].name, lo[k].name) << "position " << k << " is shared";
    EXPECT_EQ(up[1].name, "BOTH_FALL");
    EXPECT_EQ(up[2].name, "BOTH_DANCE_BEGIN");
    EXPECT_EQ(up[6].name, "TORSO_SPRAY");
    EXPECT_EQ(up[9].name, "TORSO_GIESSEN");
    for (const char* name : {"TORSO_IDLE", "BOTH_DEAD", "BOTH_REALLY_DEAD"}) EXPECT_NE(byName(up, name), nullptr) << name;
    for (const char* name : {"LEGS_IDLE", "BOTH_DEAD", "BOTH_REALLY_DEAD"}) EXPECT_NE(byName(lo, name), nullptr) << name;
    // Keyword lines ("sex", "headoffset") and comments are in the file and must not become animations.
    const std::string text = readFileText(pellDir() / "pell_animation.cfg");
    EXPECT_NE(text.find("sex m"), std::string::npos);
    EXPECT_NE(text.find("headoffset"), std::string::npos);
    for (const auto* list : {&up, &lo}) {
        for (const Animation& a : *list) EXPECT_EQ(a.name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_"), std::string::npos) << a.name;
    }
}

TEST_F(Pell, EveryFrameTheTableUsesExistsInBothModels)
{
    EXPECT_EQ(lower().frames, upper().frames);
    for (const auto* list : {&lists().upper, &lists().lower}) {
        for (const Animation& a : *list) {
            EXPECT_GE(a.first, 0) << a.name;
            EXPECT_GE(a.end, 1) << a.name;
            EXPECT_LE(a.end, lower().frames) << a.name;
            EXPECT_LE(a.end, upper().frames) << a.name;
        }
    }
    // Every animation that is played runs forward at a positive rate.
    for (const char* name : {"BOTH_WALK", "BOTH_FALL", "BOTH_DANCE_BEGIN", "BOTH_STRIKE", "BOTH_DEAD", "BOTH_REALLY_DEAD"}) {
        const Animation& a = named(lists().lower, name);
        EXPECT_GT(a.fps, 0) << name;
        EXPECT_GT(a.end, a.first) << name;
    }
    for (const char* name : {"TORSO_SPRAY", "TORSO_GIESSEN", "TORSO_IDLE"}) EXPECT_GT(named(lists().upper, name).fps, 0) << name;
    EXPECT_EQ(lowerAt(0).name, named(lists().lower, "BOTH_WALK").name);
}

TEST_F(Pell, DeathPassesFrame211AndEndsLyingStill)
{
    const Animation& dead = named(lists().upper, "BOTH_DEAD");
    const Animation& reallyDead = named(lists().upper, "BOTH_REALLY_DEAD");
    EXPECT_LE(dead.first, 211);
    EXPECT_GT(dead.end - 1, 211) << "the torso must show a frame past 211 before the death loops";
    // From frame 212 on the torso switches to "really dead": whatever frame the
    // legs or torso show there must already be the final pose, so nothing jumps.
    const Surface& body = upper().surface("u_body");
    const Surface& legs = lower().surface("l_legs");
    for (int f = 211; f < dead.end; ++f) {
        for (int v = 0; v < body.vertices; ++v) ASSERT_LT(norm(sub(body.at(f, v), body.at(reallyDead.first, v))), 0.2f) << f;
        for (int v = 0; v < legs.vertices; ++v) ASSERT_LT(norm(sub(legs.at(f, v), legs.at(reallyDead.first, v))), 0.2f) << f;
    }
    // Lying: nothing higher than half the standing height (the hat's brim stands up beside the head).
    float highest = -1e9f;
    for (const V3& p : inGame(body, reallyDead.first, reallyDead.first)) highest = std::max(highest, p[1]);
    EXPECT_LT(highest + 24.0f, 28.0f);
}

TEST_F(Pell, WalkingAndStrikingStartCleanlyFromIdle)
{
    const Animation& walk = lowerAt(0);
    const Animation& marker = lowerAt(7);
    const Animation& idle = named(lists().lower, "LEGS_IDLE");
    const Animation& strike = upperAt(3);
    // Walking is chosen by number without resetting the frame: from every idle
    // frame the next frame must be a walk frame, and the gardener moves in every walk frame.
    for (int f = idle.first; f < idle.end; ++f) {
        const int next = nextFrame(f, walk);
        EXPECT_TRUE(next >= walk.first && next < walk.end) << "idle frame " << f << " steps to " << next;
    }
    for (int f = walk.first; f < walk.end; ++f) EXPECT_GE(f, marker.end) << "no step in walk frame " << f;
    EXPECT_EQ(nextFrame(walk.end - 1, walk), walk.first);
    // Striking counts on from the idle frame into the swing.
    EXPECT_EQ(strike.first, idle.end);
    EXPECT_EQ(named(lists().upper, "TORSO_IDLE").end, strike.first);
}

TEST_F(Pell, LoopingAnimationsCloseWithoutAJump)
{
    // Largest distance any vertex of the legs or the torso travels from frame f to frame g.
    auto step = [&](int f, int g) {
        float worst = 0.0f;
        const Surface& legs = lower().surface("l_legs");
        for (int v = 0; v < legs.vertices; ++v) worst = std::max(worst, norm(sub(legs.at(f, v), legs.at(g, v))));
        const std::vector<V3> a = inGame(upper().surface("u_body"), f, f), b = inGame(upper().surface("u_body"), g, g);
        for (std::size_t v = 0; v < a.size(); ++v) worst = std::max(worst, norm(sub(a[v], b[v])));
        return worst;
    };
    int loops = 0;
    for (const Animation& a : lists().lower) {
        if (a.looping == 0 || a.end - a.first < 3) continue;
        ++loops;
        float inside = 0.0f;
        for (int f = a.first; f + 1 < a.end; ++f) inside = std::max(inside, step(f, f + 1));
        EXPECT_LE(step(a.end - 1, nextFrame(a.end - 1, a)), inside + 0.5f) << a.name << " jumps where it loops";
    }
    EXPECT_GE(loops, 3);  // walk, dance and idle
}

TEST_F(Pell, EffectMarkersLieInsideTheirAnimations)
{
    // The game shows the effect from the frame after marker 1's end up to the frame before marker 2's end.
    for (const auto& [animation, marker] : {std::pair<std::size_t, std::size_t>{3, 4}, {6, 7}, {9, 10}}) {
        const Animation& a = upperAt(animation);
        const int from = upperAt(marker).end + 1;
        const int to = upperAt(marker + 1).end - 1;
        EXPECT_GE(from, a.first) << a.name;
        EXPECT_LE(to, a.end - 2) << a.name << ": the effect must end before the last frame";
        EXPECT_GE(to - from, 2) << a.name;
    }
}

TEST_F(Pell, PropsShowOnlyInTheirOwnAnimations)
{
    const std::map<std::string, std::string> owner = {
        {"u_spade", "BOTH_STRIKE"}, {"u_spraycan", "TORSO_SPRAY"}, {"u_wateringcan", "TORSO_GIESSEN"}};
    const std::vector<std::string> played = {"BOTH_WALK", "TORSO_IDLE", "BOTH_STRIKE", "BOTH_FALL", "BOTH_DANCE_BEGIN",
                                             "TORSO_SPRAY", "TORSO_GIESSEN", "BOTH_DEAD", "BOTH_REALLY_DEAD"};
    for (const auto& [prop, own] : owner) {
        const Surface& s = upper().surface(prop);
        EXPECT_GT(extent(s, 0), 5.0f) << prop << " must be whole in frame 0, where the game takes its normals from";
        for (const std::string& name : played) {
            const Animation& a = named(lists().upper, name);
            for (int f = a.first; f < a.end; ++f) {
                if (name == own) {
                    EXPECT_GT(extent(s, f), 5.0f) << prop << " hidden in frame " << f;
                } else {
                    EXPECT_LT(extent(s, f), 0.05f) << prop << " shows in " << name << " frame " << f;
                }
            }
        }
    }
}

TEST_F(Pell, PropsAreWhereTheGameDrawsTheirEffects)
{
    const int idleLegs = named(lists().lower, "LEGS_IDLE").first;
    auto nearest = [](const std::vector<V3>& points, V3 target) {
        float best = 1e9f;
        for (const V3& p : points) best = std::min(best, norm(sub(p, target)));
        return best;
    };
    // Spray: drawn at the gardener's position + (-21, -1, -19.5).
    for (int f = upperAt(7).end + 1; f <= upperAt(8).end - 1; ++f) {
        EXPECT_LT(nearest(inGame(upper().surface("u_spraycan"), f, idleLegs), {-21.0f, -1.0f, -19.5f}), 2.5f) << f;
    }
    // Water: drops start 5 above (20.5, -20.5, -2.7) turned 65 degrees about y.
    const float c = std::cos(65.0f * 3.14159265f / 180.0f), s = std::sin(65.0f * 3.14159265f / 180.0f);
    const V3 water{20.5f * c + -2.7f * s, -20.5f + 5.0f, -20.5f * s + -2.7f * c};
    for (int f = upperAt(10).end + 1; f <= upperAt(11).end - 1; ++f) {
        EXPECT_LT(nearest(inGame(upper().surface("u_wateringcan"), f, idleLegs), water), 2.5f) << f;
    }
    // Strike: while the blow lands the spade is down at the ground in front,
    // inside the strike sphere (centre (-8, -25, -14), radius 25).
    for (int f = upperAt(4).end + 1; f <= upperAt(5).end - 1; ++f) {
        const std::vector<V3> spade = inGame(upper().surface("u_spade"), f, f);
        const V3 low = *std::min_element(spade.begin(), spade.end(), [](V3 a, V3 b) { return a[1] < b[1]; });
        EXPECT_LT(low[1], -24.0f + 8.0f) << f;
        EXPECT_LT(low[2], -5.0f) << "in front, frame " << f;
        EXPECT_LT(norm(sub(low, {-8.0f, -25.0f, -14.0f})), 25.0f) << f;
    }
}

TEST_F(Pell, NormalsFromTheFirstFrameAreUsableAndFaceOutwards)
{
    for (const Md3* m : {&lower(), &upper(), &head()}) {
        for (const Surface& s : m->surfaces) {
            std::vector<bool> used;
            std::vector<float> length;
            const std::vector<V3> normals = gameNormals(s, used, length);
            int agree = 0, total = 0;
            for (int v = 0; v < s.vertices; ++v) {
                if (!used[static_cast<std::size_t>(v)]) continue;
                ASSERT_GT(length[static_cast<std::size_t>(v)], 1e-4f) << s.name << " vertex " << v << " gets no normal";
                const Vector3 packed = contentgen::unpackMd3Normal(s.packedNormals[static_cast<std::size_t>(v)]);
                agree += dot(normals[static_cast<std::size_t>(v)], {packed.x, packed.y, packed.z}) > 0.3f ? 1 : 0;
                ++total;
            }
            EXPECT_GT(agree, total * 95 / 100) << s.name;
        }
    }
    // Winding: the top of the hat looks up, the soles look down.
    auto extreme = [](const Surface& s, bool top) {
        int best = 0;
        for (int v = 1; v < s.vertices; ++v) {
            if (top ? s.at(0, v)[2] > s.at(0, best)[2] : s.at(0, v)[2] < s.at(0, best)[2]) best = v;
        }
        return best;
    };
    std::vector<bool> used;
    std::vector<float> length;
    const Surface& body = upper().surface("u_body");
    EXPECT_GT(gameNormals(body, used, length)[static_cast<std::size_t>(extreme(body, true))][2], 0.7f);
    const Surface& legs = lower().surface("l_legs");
    EXPECT_LT(gameNormals(legs, used, length)[static_cast<std::size_t>(extreme(legs, false))][2], -0.7f);
}

TEST_F(Pell, SkinFilesNameEveryMeshAndPicturesThatExist)
{
    const std::vector<std::pair<std::string, const Md3*>> skins = {
        {"pell_lower.skin", &lower()}, {"pell_upper.skin", &upper()}, {"pell_head.skin", &head()}};
    for (const auto& [skin, model] : skins) {
        std::istringstream in(readFileText(pellDir() / skin));
        std::map<std::string, std::string> picture;  // last matching line wins
        std::map<std::string, int> matches;
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            for (const Surface& s : model->surfaces) {
                if (s.name.empty() || line.find(s.name) == std::string::npos) continue;
                const std::size_t slash = line.rfind('/');
                picture[s.name] = slash == std::string::npos || slash == 0 ? line : line.substr(slash + 1);
                ++matches[s.name];
            }
        }
        for (const Surface& s : model->surfaces) {
            EXPECT_EQ(matches[s.name], 1) << skin << " names " << s.name << " once";
            const fs::path file = pellDir() / picture[s.name];
            ASSERT_TRUE(fs::is_regular_file(file)) << file;
            if (haveProgram("identify")) {
                const auto id = runCommand("identify " + shellQuote(file.string()));
                EXPECT_NE(id.output.find(" 256x256 "), std::string::npos) << id.output;
            }
        }
    }
}

TEST_F(Pell, GenerationIsRepeatable)
{
    testsupport::TempDir dir;
    const auto result = runCommand(shellQuote(testsupport::contentgenExecutable()) + " --out " + shellQuote(dir.path().string()));
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_EQ(result.output.find("Pell"), std::string::npos) << result.output;
    std::size_t compared = 0;
    for (const auto& entry : fs::directory_iterator(pellDir())) {
        const fs::path again = dir.path() / "Pell" / entry.path().filename();
        ASSERT_TRUE(fs::exists(again)) << again;
        EXPECT_TRUE(readFileBytes(entry.path()) == readFileBytes(again)) << entry.path().filename();
        ++compared;
    }
    EXPECT_EQ(compared, 10u);
}

}  // namespace
