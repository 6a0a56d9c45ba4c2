// The particle effects in a real GL context: what they draw is read back
// through GL feedback (every quad's corners in window space), what they do
// is read from the particle arrays.
#include "effects/particles.h"

#include "assets/texture.h"
#include "test_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

constexpr float kTick = 0.02f;
constexpr float kBox = 20.0f;  // the orthographic view reaches -20 to 20 on x and y, -50 to 50 on z
constexpr float kDepth = 50.0f;

struct Quad {
    Vector3 centre;
    Vector3 extent;  // of its corners on each axis
};

class ParticleEffects : public testing::Test {
protected:
    void SetUp() override
    {
        if (!testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
        previousFolder_ = std::filesystem::current_path();
        std::filesystem::current_path(testsupport::generatedDataDir());  // the sprites
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-kBox, kBox, -kBox, kBox, -kDepth, kDepth);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glGetIntegerv(GL_VIEWPORT, viewport_);
    }
    void TearDown() override
    {
        if (!previousFolder_.empty()) std::filesystem::current_path(previousFolder_);
    }

    // The quads one draw call sends down, in drawing order, in object space.
    std::vector<Quad> drawnQuads(const std::function<void()>& draw)
    {
        std::vector<GLfloat> buffer(1 << 16);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        const GLint used = glRenderMode(GL_RENDER);
        EXPECT_GE(used, 0) << "feedback buffer too small";
        std::vector<Vector3> corners;
        for (GLint at = 0; at < used;) {
            EXPECT_EQ(buffer[at], GL_POLYGON_TOKEN);
            const int count = static_cast<int>(buffer[at + 1]);
            EXPECT_EQ(count, 3);  // triangles of the strip
            for (int k = 0; k < count; ++k) corners.push_back(toObject(&buffer[at + 2 + 3 * k]));
            at += 2 + 3 * count;
        }
        std::vector<Quad> quads;
        for (std::size_t first = 0; first + 6 <= corners.size(); first += 6) {  // two triangles a quad
            Vector3 low = corners[first], high = corners[first];
            for (std::size_t k = first; k < first + 6; ++k) {
                low = {std::min(low.x, corners[k].x), std::min(low.y, corners[k].y), std::min(low.z, corners[k].z)};
                high = {std::max(high.x, corners[k].x), std::max(high.y, corners[k].y), std::max(high.z, corners[k].z)};
            }
            quads.push_back({Scale(Add(low, high), 0.5f), Subtract(high, low)});
        }
        EXPECT_EQ(corners.size() % 6, 0u);
        return quads;
    }

private:
    Vector3 toObject(const GLfloat* window) const
    {
        const float x = (window[0] - viewport_[0]) / viewport_[2] * 2.0f - 1.0f;
        const float y = (window[1] - viewport_[1]) / viewport_[3] * 2.0f - 1.0f;
        const float z = window[2] * 2.0f - 1.0f;
        return {x * kBox, y * kBox, -z * kDepth};
    }

    std::filesystem::path previousFolder_;
    GLint viewport_[4] = {};
};

void sprayFrames(int frames, bool stop)
{
    for (int i = 0; i < frames; ++i) drawSpray(stop, 0.0f, 0.0f, 0.0f, 0.0f, 40.0f, true, kTick);
}

float sumOfDepths()
{
    float sum = 0.0f;
    for (const Particle& p : sprayParticles) sum += p.position.z;
    return sum;
}

TEST_F(ParticleEffects, SprayParticlesLiveByTheirFadeAndStayDeadOnceStopped)
{
    const struct {
        float fade;
        int frames;
    } cases[] = {{0.003f, 334}, {0.102f, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fade);
        startSpray();
        for (Particle& p : sprayParticles) p.fade = c.fade;
        sprayFrames(c.frames - 1, true);
        EXPECT_EQ(liveSprayParticles(), kSprayParticleCount);
        sprayFrames(1, true);
        EXPECT_EQ(liveSprayParticles(), 0);

        // Stopped: nothing is drawn, nothing is reborn, but they move on.
        const float depthBefore = sumOfDepths();
        const std::vector<Quad> quads = drawnQuads([] { sprayFrames(3, true); });
        EXPECT_TRUE(quads.empty());
        EXPECT_EQ(liveSprayParticles(), 0);
        EXPECT_LT(sumOfDepths(), depthBefore - 1.0f);
        for (const Particle& p : sprayParticles) EXPECT_TRUE(p.active);

        // Not stopped: every dead particle is born again at the emitter.
        sprayFrames(1, false);
        EXPECT_EQ(liveSprayParticles(), kSprayParticleCount);
        for (const Particle& p : sprayParticles) {
            EXPECT_EQ(p.life, 1.0f);
            EXPECT_EQ(p.position.x, 0.0f);
            EXPECT_GE(p.fade, 0.003f);
            EXPECT_LE(p.fade, 0.1021f);
        }
    }
}

TEST_F(ParticleEffects, SprayIsDrawnFarToNearWithQuadsTurnedAboutTheirCentres)
{
    for (const bool useArrays : {false, true}) {
        SCOPED_TRACE(useArrays);
        startSpray();
        sprayFrames(30, false);
        const Vector3 viewer{3.0f, 2.0f, 40.0f};
        const std::vector<Quad> quads = drawnQuads(
            [&] { drawSpray(false, 0.0f, 90.0f, viewer.x, viewer.y, viewer.z, useArrays, kTick); });
        ASSERT_EQ(quads.size(), static_cast<std::size_t>(kSprayParticleCount));
        for (std::size_t k = 1; k < quads.size(); ++k) {
            EXPECT_GE(Distance(viewer, quads[k - 1].centre) + 1e-3f, Distance(viewer, quads[k].centre)) << k;
        }
        // Turned by 90 degrees about the vertical: the quads stand edge-on to x.
        for (const Quad& q : quads) {
            EXPECT_NEAR(q.extent.x, 0.0f, 1e-3f);
            EXPECT_GT(q.extent.z, 0.99f);  // at least the size at birth
            EXPECT_NEAR(q.extent.y, q.extent.z, 1e-3f);
        }
    }
}

TEST_F(ParticleEffects, WaterAndFliesDrawNothingBeforeTheirStartAndDepthWritesComeBack)
{
    waterParticles.fill(Particle{});  // as at program start
    flyParticles.fill(Particle{});
    EXPECT_TRUE(drawnQuads([] { drawWater(false, 0.0f, 0.0f, true, kTick); }).empty());
    EXPECT_TRUE(drawnQuads([] { drawFlies(1, 0.0f, 0.0f, true, kTick); }).empty());
    EXPECT_FALSE(fliesActive());

    startWater();
    glDepthMask(GL_TRUE);
    const std::vector<Quad> quads = drawnQuads([] { drawWater(false, 0.0f, 0.0f, true, kTick); });
    EXPECT_EQ(quads.size(), static_cast<std::size_t>(kWaterParticleCount));
    for (const Quad& q : quads) {
        EXPECT_NEAR(q.centre.y, 5.0f, 1e-3f);  // from the emitter point
        EXPECT_NEAR(q.extent.x, 0.6f, 1e-3f);
    }
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(liveWaterParticles(), kWaterParticleCount);
}

// Fly 0 at the origin with a box of half-size 0.6; the others as given, the
// rest far away.
void placeFlies(const std::vector<Vector3>& neighbours)
{
    for (int i = 0; i < kFlyCount; ++i) {
        Particle& fly = flyParticles[static_cast<std::size_t>(i)];
        fly = Particle{};
        fly.active = true;
        fly.life = 100.0f;
        fly.fade = 8.0f;
        fly.flyHalfSize = 0.6f;
        fly.turnDirection = 1.0f;
        fly.flyPosition = {100.0f * static_cast<float>(i), 100.0f, 100.0f};
    }
    flyParticles[0].flyPosition = {0.0f, 0.0f, 0.0f};
    for (std::size_t k = 0; k < neighbours.size(); ++k) flyParticles[k + 1].flyPosition = neighbours[k];
}

TEST_F(ParticleEffects, FliesTurnRoundOncePerTouchingNeighbour)
{
    const struct {
        const char* name;
        std::vector<Vector3> neighbours;
        float turn;
    } cases[] = {
        {"alone", {}, 1.0f},
        {"a neighbour's corner inside", {{0.5f, 0.5f, 0.5f}}, -1.0f},
        {"inside a neighbour's box", {{-0.5f, -0.5f, -0.5f}}, -1.0f},
        {"corner just outside", {{1.21f, 0.5f, 0.5f}}, 1.0f},
        {"two neighbours", {{0.5f, 0.5f, 0.5f}, {0.3f, 0.2f, 0.1f}}, 1.0f},
    };
    for (const auto& c : cases) {
        placeFlies(c.neighbours);
        drawFlies(1, 0.0f, 0.0f, false, 0.0f);
        EXPECT_EQ(flyParticles[0].turnDirection, c.turn) << c.name;
    }
}

TEST_F(ParticleEffects, AFlyIsSentRoundAgainOnlyOnExactlyZeroOrMinusAFullCircle)
{
    const struct {
        float angle, seconds, expected;
    } cases[] = {{0.5f, 1.0f, -0.5f}, {0.5f, 0.5f, 360.0f}, {-359.5f, 0.5f, 360.0f}, {-359.5f, 1.0f, -360.5f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.angle);
        placeFlies({});
        Particle& fly = flyParticles[0];
        fly.life = c.angle;
        fly.fade = 100.0f;  // larger than any radius drawn at a reset
        drawFlies(1, 0.0f, 0.0f, true, c.seconds);
        EXPECT_EQ(fly.life, c.expected);
        EXPECT_EQ(fly.fade == 100.0f, c.expected != 360.0f);
        EXPECT_FLOAT_EQ(fly.flyPosition.x, std::sin(c.angle) * 100.0f);
        EXPECT_FLOAT_EQ(fly.flyPosition.z, std::cos(c.angle) * 100.0f);
    }
}

TEST_F(ParticleEffects, EachStartReplacesTheSpriteOfTheLastOne)
{
    const std::pair<void (*)(), std::size_t> cases[] = {{startSpray, 0}, {startFlies, 1}, {startWater, 2}};
    for (const auto& [start, slot] : cases) {
        start();
        const GLuint first = particleTextures[slot];
        start();
        const GLuint second = particleTextures[slot];
        EXPECT_TRUE(glIsTexture(second)) << slot;
        // Either the old name is gone or it was free to be handed out again.
        EXPECT_TRUE(second == first || !glIsTexture(first)) << slot;
    }
}

}  // namespace
