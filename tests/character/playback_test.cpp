// Character set-up and playback: the animation table, skins, shared
// textures, frame stepping on the animation clock, the tag blend, and the
// Pell character drawn in a real GL context.
#include "character/character_model.h"
#include "character/md3_reader.h"
#include "character/playback.h"
#include "platform/clock.h"
#include "platform/message_box.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

const AnimationInfo* find(const std::vector<AnimationInfo>& list, const std::string& name)
{
    for (const AnimationInfo& a : list) {
        if (a.name == name) return &a;
    }
    return nullptr;
}

TEST(AnimationTable, LinesAreReadSortedByNameAndBadLinesSkipped)
{
    CharacterModel c;
    readAnimations(c, "// comment 1 2 3 4 // BOTH_COMMENT\n"
                      "sex m\n"
                      "headoffset 0 0 0\n"
                      "0\t30\t0\t25\t\t// BOTH_FALL\r\n"
                      "90 10 10 15 // LEGS_IDLE trailing words\n"
                      "5 5 0 10 // HEAD_NOD\n"
                      "7 8 0 // TORSO_SHORT\n"      // too few numbers: skipped whole
                      "12 3 0 10\n"                 // no marker and name
                      "40 0 0 10 // TORSO_EMPTY\n"  // no frames
                      "99999999999 1 0 10 // TORSO_HUGE\n"
                      "60 4 0 12 // TORSO_SPRAY\n");
    ASSERT_EQ(c.upper.animations.size(), 2u);
    ASSERT_EQ(c.lower.animations.size(), 2u);
    EXPECT_EQ(c.upper.animationCount, 2);
    EXPECT_EQ(c.lower.animationCount, 2);
    EXPECT_EQ(c.head.animationCount, 0);
    const AnimationInfo& fall = c.upper.animations[0];
    EXPECT_EQ(fall.name, "BOTH_FALL");
    EXPECT_EQ(fall.firstFrame, 0);
    EXPECT_EQ(fall.endFrame, 30);
    EXPECT_EQ(fall.loopingFrames, 0);
    EXPECT_EQ(fall.framesPerSecond, 25);
    EXPECT_EQ(c.lower.animations[0].name, "BOTH_FALL");
    const AnimationInfo& idle = c.lower.animations[1];
    EXPECT_EQ(idle.name, "LEGS_IDLE");
    EXPECT_EQ(idle.firstFrame, 90);  // kept as written
    EXPECT_EQ(idle.endFrame, 100);
    EXPECT_EQ(idle.loopingFrames, 10);
    EXPECT_EQ(c.upper.animations[1].name, "TORSO_SPRAY");
    EXPECT_EQ(find(c.upper.animations, "TORSO_SHORT"), nullptr);
}

TEST(AnimationTable, PellListsPutTheActionsWhereTheGardenerLooksForThem)
{
    CharacterModel c;
    ASSERT_TRUE(loadAnimations(c, (fs::path(testsupport::generatedDataDir()) / "Pell/pell_animation.cfg").c_str()));
    const char* torso[] = {"BOTH_WALK", "BOTH_FALL", "BOTH_DANCE_BEGIN", "BOTH_STRIKE"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(c.upper.animations[static_cast<std::size_t>(i)].name, torso[i]);
        EXPECT_EQ(c.lower.animations[static_cast<std::size_t>(i)].name, torso[i]);
    }
    EXPECT_EQ(c.upper.animations[6].name, "TORSO_SPRAY");
    EXPECT_EQ(c.upper.animations[9].name, "TORSO_GIESSEN");
    EXPECT_GT(find(c.upper.animations, "BOTH_DEAD")->endFrame - 1, 211);
}

TEST(Skins, MeshesGetTheTextureAfterTheLastSlashWithEitherLineEnd)
{
    MeshModel m;
    m.objects.resize(3);
    m.objects[0].name = "u_body";
    m.objects[1].name = "u_can";
    m.objects[2].name = "";  // an unnamed mesh matches nothing
    ASSERT_TRUE(applySkin(m, "u_body,models/players/pell/torso.bmp\r\n"
                             "u_can,can.bmp\n"
                             "nothing here,x.bmp\n"
                             "u_can,Pell/can2.bmp"));
    ASSERT_EQ(m.materialCount, 3);
    EXPECT_EQ(m.materials[0].textureFileName, "torso.bmp");
    EXPECT_EQ(m.materials[1].textureFileName, "u_can,can.bmp");  // no slash: the whole line
    EXPECT_EQ(m.materials[2].textureFileName, "can2.bmp");
    EXPECT_EQ(m.objects[0].materialIndex, 0);
    EXPECT_EQ(m.objects[1].materialIndex, 2);  // the last matching line wins
    EXPECT_TRUE(m.objects[0].textured);
    EXPECT_FALSE(m.objects[2].textured);

    MeshModel tooLong;
    tooLong.objects.resize(1);
    tooLong.objects[0].name = "mesh";
    EXPECT_TRUE(applySkin(tooLong, "mesh,dir/" + std::string(300, 'a') + ".bmp\nmesh,dir/short.bmp\n"));
    ASSERT_EQ(tooLong.materialCount, 1);  // the long line is ignored, the next one applies
    EXPECT_EQ(tooLong.materials[0].textureFileName, "short.bmp");
}

TEST(CharacterTextures, OneTextureForTwoMeshesAndNoHundredAndFirst)
{
    ASSERT_TRUE(testsupport::ensureGlContext());
    setDialogsEnabled(false);
    const std::string folder = (fs::path(testsupport::generatedDataDir()) / "Pell").string();
    CharacterModel c;
    c.lower.materials.resize(1);
    c.lower.materials[0].textureFileName = "pell_props.bmp";
    c.upper.materials.resize(2);
    c.upper.materials[0].textureFileName = "pell_upper.bmp";
    c.upper.materials[1].textureFileName = "pell_props.bmp";
    EXPECT_TRUE(loadCharacterTextures(c, c.lower, folder.c_str()));
    EXPECT_TRUE(loadCharacterTextures(c, c.upper, folder.c_str()));
    EXPECT_EQ(c.textureFiles, (std::vector<std::string>{"pell_props.bmp", "pell_upper.bmp"}));
    EXPECT_EQ(c.lower.materials[0].textureIndex, 0);
    EXPECT_EQ(c.upper.materials[1].textureIndex, 0);
    EXPECT_EQ(c.upper.materials[0].textureIndex, 1);
    EXPECT_NE(c.textureNames[0], 0u);
    EXPECT_NE(c.textureNames[1], 0u);
    EXPECT_TRUE(glIsTexture(c.textureNames[1]));

    // All slots taken: a new file is not loaded and its material stays untextured.
    CharacterModel full;
    full.textureFiles.assign(kCharacterTextureSlots, "taken.bmp");
    full.head.materials.resize(1);
    full.head.materials[0].textureFileName = "pell_upper.bmp";
    EXPECT_FALSE(loadCharacterTextures(full, full.head, folder.c_str()));
    EXPECT_EQ(full.head.materials[0].textureIndex, -1);
    EXPECT_EQ(full.textureFiles.size(), kCharacterTextureSlots);
}

MeshModel animated(int first, int end, int fps)
{
    MeshModel m;
    AnimationInfo a;
    a.name = "LEGS_IDLE";
    a.firstFrame = first;
    a.endFrame = end;
    a.framesPerSecond = fps;
    m.animations = {a};
    m.animationCount = 1;
    m.currentFrame = first;
    return m;
}

TEST(Playback, FramesLoopInsideTheAnimation)
{
    MeshModel m = animated(10, 15, 10);
    std::vector<int> shown;
    std::uint32_t now = 1000;
    for (int i = 0; i < 7; ++i) {
        shown.push_back(m.currentFrame);
        updateModel(m);  // reads the real clock once; then step by hand
        now += 100;
        advanceAnimationTime(m, now);
    }
    EXPECT_EQ(shown, (std::vector<int>{10, 11, 12, 13, 14, 10, 11}));
    // A frame left by another animation counts up to the end before wrapping.
    m.currentFrame = 3;
    updateModel(m);
    EXPECT_EQ(m.nextFrame, 4);
    m.currentFrame = 17;  // at or beyond the end: wraps by the remainder
    updateModel(m);
    EXPECT_EQ(m.nextFrame, 3);
    m.currentFrame = 14;
    updateModel(m);
    EXPECT_EQ(m.nextFrame, 10);
}

TEST(Playback, BlendFactorFollowsTheAnimationClock)
{
    useFixedStepClock(0.025);
    MeshModel m = animated(0, 20, 20);  // 50 ms a frame
    m.lastFrameTime = animationClockMilliseconds();
    gameClock().advanceTick();  // 25 ms later
    updateModel(m);
    EXPECT_FLOAT_EQ(m.interpolation, 0.5f);
    EXPECT_EQ(m.currentFrame, 0);
    EXPECT_EQ(m.nextFrame, 1);
    gameClock().advanceTick();
    updateModel(m);
    EXPECT_EQ(m.currentFrame, 1);
    EXPECT_FLOAT_EQ(m.interpolation, 1.0f);
    EXPECT_EQ(m.lastFrameTime, 50u);
    // However long the pause, one drawing passes one frame.
    for (int i = 0; i < 40; ++i) gameClock().advanceTick();
    updateModel(m);
    EXPECT_EQ(m.currentFrame, 2);
    useRealClock();

    // Exact across the wrap of the 32-bit tick count.
    MeshModel w = animated(0, 20, 20);
    w.lastFrameTime = 0xFFFFFFF0u;
    w.nextFrame = 1;
    advanceAnimationTime(w, 9);  // 25 ms later
    EXPECT_FLOAT_EQ(w.interpolation, 0.5f);

    // No rate: the frame stands and t stays 0.
    MeshModel still = animated(4, 8, 0);
    updateModel(still);
    advanceAnimationTime(still, 1'000'000);
    EXPECT_EQ(still.currentFrame, 4);
    EXPECT_EQ(still.interpolation, 0.0f);

    // No animations: next frame 0, time untouched.
    MeshModel none;
    none.currentFrame = 5;
    none.lastFrameTime = 77;
    updateModel(none);
    EXPECT_EQ(none.nextFrame, 0);
    EXPECT_EQ(none.lastFrameTime, 77u);
    EXPECT_EQ(none.currentFrame, 5);
}

TEST(Playback, AnimationsByNameIgnoreCase)
{
    CharacterModel c;
    readAnimations(c, "17 8 8 5 // LEGS_IDLE\n1 16 16 24 // BOTH_WALK\n30 4 0 5 // TORSO_IDLE\n");
    setLegsAnimation(c, "legs_Idle");
    EXPECT_EQ(c.lower.currentAnimation, 0);
    EXPECT_EQ(c.lower.currentFrame, 17);
    setLegsAnimation(c, "BOTH_walk");
    EXPECT_EQ(c.lower.currentAnimation, 1);
    EXPECT_EQ(c.lower.currentFrame, 1);
    setLegsAnimation(c, "LEGS_IDLEX");  // unknown: nothing changes
    EXPECT_EQ(c.lower.currentAnimation, 1);
    setTorsoAnimation(c, "torso_idle");
    EXPECT_EQ(c.upper.currentAnimation, 1);
    EXPECT_EQ(c.upper.currentFrame, 30);
}

TEST(Playback, QuaternionsAndSlerp)
{
    const float identity3[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    Quaternion q{9, 9, 9, 9};
    quaternionFromMatrix(q, identity3, 3);
    EXPECT_EQ(q.x, 0.0f);
    EXPECT_EQ(q.y, 0.0f);
    EXPECT_EQ(q.z, 0.0f);
    EXPECT_EQ(q.w, 1.0f);
    Quaternion untouched{1, 2, 3, 4};
    quaternionFromMatrix(untouched, identity3, 2);
    quaternionFromMatrix(untouched, nullptr, 3);
    EXPECT_EQ(untouched.y, 2.0f);
    float m[16];
    matrixFromQuaternion(Quaternion{}, m);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;

    // A quarter turn about z (columns: x to y, y to -x) and back.
    const float quarter[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    Quaternion z90;
    quaternionFromMatrix(z90, quarter, 3);
    matrixFromQuaternion(z90, m);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(m[c * 4 + r], quarter[c * 3 + r], 1e-6f) << r << c;
    }
    // Trace -1 (half turn about x): the first diagonal branch.
    const float halfX[9] = {1, 0, 0, 0, -1, 0, 0, 0, -1};
    Quaternion hx;
    quaternionFromMatrix(hx, halfX, 3);
    EXPECT_NEAR(std::fabs(hx.x), 1.0f, 1e-6f);
    EXPECT_NEAR(hx.w, 0.0f, 1e-6f);

    Quaternion same = z90;
    const Quaternion r1 = slerp(z90, same, 0.37f);
    EXPECT_EQ(r1.z, z90.z);
    EXPECT_EQ(r1.w, z90.w);
    Quaternion opposite{-z90.x, -z90.y, -z90.z, -z90.w};
    for (float t : {0.0f, 0.3f, 1.0f}) {
        Quaternion o = opposite;
        const Quaternion r = slerp(z90, o, t);
        EXPECT_NEAR(r.z, z90.z, 1e-6f) << t;
        EXPECT_NEAR(r.w, z90.w, 1e-6f) << t;
        EXPECT_EQ(o.w, z90.w);  // the caller's second quaternion was turned round
    }
    // Halfway between no turn and a quarter turn: an eighth turn.
    Quaternion b = z90;
    const Quaternion half = slerp(Quaternion{}, b, 0.5f);
    EXPECT_NEAR(half.z, std::copysign(std::sin(3.14159265f / 8), z90.z), 1e-5f);
    EXPECT_NEAR(half.w, std::cos(3.14159265f / 8), 1e-5f);
}

// A model with two key frames shown at frame numbers beyond them: the last
// key frame is used, nothing past it.
TEST(Playback, FramesBeyondTheKeyFramesAreClamped)
{
    MeshModel m;
    m.tagCount = 1;
    m.tags.resize(2);
    m.tags[0].rotation = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    m.tags[1].rotation = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    m.tags[1].position = {4, 5, 6};
    m.currentFrame = 500;
    m.nextFrame = -3;
    m.interpolation = 0.25f;
    const auto matrix = blendedTagMatrix(m, 0);
    EXPECT_FLOAT_EQ(matrix[12], 3.0f);  // frame 1 blended a quarter towards frame 0
    EXPECT_FLOAT_EQ(matrix[13], 3.75f);
    EXPECT_FLOAT_EQ(matrix[14], 4.5f);
    EXPECT_EQ(clampedFrame(7, 3), 2);
    EXPECT_EQ(clampedFrame(-1, 3), 0);
    EXPECT_EQ(clampedFrame(5, 0), 0);
}

// Reads back the frame, counting pixels that differ from the clear colour.
int drawnPixels()
{
    std::vector<unsigned char> pixels(64 * 64 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 64, 64, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    int count = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        if (pixels[i] + pixels[i + 1] + pixels[i + 2] > 30) ++count;
    }
    return count;
}

TEST(Playback, PellDrawsTheSamePictureThroughBothPathsAndInWireframe)
{
    ASSERT_TRUE(testsupport::ensureGlContext());
    setDialogsEnabled(false);
    const fs::path previous = fs::current_path();
    fs::current_path(testsupport::generatedDataDir());
    static CharacterModel c;
    const bool loaded = loadCharacter(c, "Pell", "pell");
    fs::current_path(previous);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(c.lower.links[0], &c.upper);
    EXPECT_EQ(c.textureFiles.size(), 3u);
    setLegsAnimation(c, "BOTH_WALK");
    setTorsoAnimation(c, "BOTH_WALK");

    glViewport(0, 0, 64, 64);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-40, 40, -40, 40, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glColor3f(1, 1, 1);
    std::vector<std::vector<unsigned char>> pictures;
    for (bool arrays : {true, false}) {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        // The same frame and blend both times.
        c.lower.currentFrame = c.upper.currentFrame = 5;
        c.lower.lastFrameTime = c.upper.lastFrameTime = animationClockMilliseconds();
        drawCharacter(c, arrays, false);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_GT(drawnPixels(), 300) << arrays;
        std::vector<unsigned char> p(64 * 64 * 3);
        glReadPixels(0, 0, 64, 64, GL_RGB, GL_UNSIGNED_BYTE, p.data());
        pictures.push_back(p);
    }
    int differing = 0;
    for (std::size_t i = 0; i < pictures[0].size(); ++i) differing += std::abs(pictures[0][i] - pictures[1][i]) > 8;
    EXPECT_LT(differing, 40);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    drawCharacter(c, true, true);
    const int lines = drawnPixels();
    EXPECT_GT(lines, 50);
    glDisable(GL_TEXTURE_2D);
}

}  // namespace
