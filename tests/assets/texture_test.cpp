// Texture creation from BMP and TGA files in a real GL context: what lands in
// the texture, the slots, and the end of the process for a missing picture.
#include "assets/texture.h"

#include "image_test_helpers.h"
#include "platform/message_box.h"
#include "test_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

using namespace imagetest;
using testsupport::TempDir;

namespace {

const bool dialogsOff = [] {
    setDialogsEnabled(false);
    return true;
}();

struct TextureLevel {
    GLint width = 0;
    GLint height = 0;
    GLint internalFormat = 0;
};

TextureLevel levelOf(GLuint texture, GLint level)
{
    TextureLevel result;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &result.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &result.height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_INTERNAL_FORMAT, &result.internalFormat);
    return result;
}

// Level 0 of a texture as tightly packed bytes, first row first.
Bytes readLevel0(GLuint texture, GLenum format, int channels)
{
    const TextureLevel level = levelOf(texture, 0);
    Bytes bytes(static_cast<std::size_t>(level.width) * level.height * channels);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

// Runs body in a forked child with dialogs off and returns its exit status
// and what it wrote to standard error.
struct ChildResult {
    int exitStatus = -1;
    std::string errorText;
};

ChildResult runInChild(const std::function<void()>& body)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeEnds[0]);
        dup2(pipeEnds[1], STDERR_FILENO);
        close(pipeEnds[1]);
        setDialogsEnabled(false);
        body();
        _exit(99);  // the body was expected to end the process
    }
    close(pipeEnds[1]);
    ChildResult result;
    char buffer[256];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        result.errorText.append(buffer, static_cast<std::size_t>(got));
    close(pipeEnds[0]);
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
    return result;
}

constexpr std::array<Colour, 4> kRowColours{{{250, 10, 10}, {10, 250, 10}, {10, 10, 250}, {200, 200, 20}}};

}  // namespace

// ---------------------------------------------------------------------------
// A picture that cannot be loaded ends the process with status 1. These run
// first (before any GL context exists in this process).

TEST(PictureFailureDeathTest, MissingBmpShowsItsMessageAndExitsWithOne)
{
    TempDir dir;
    const std::string path = (dir / "missing.bmp").string();
    const ChildResult child = runInChild([&] {
        TextureNames<2> names{};
        loadBmpTexture(names, path.c_str(), 0);
    });
    EXPECT_EQ(child.exitStatus, 1);
    EXPECT_NE(child.errorText.find("Failed to open DIB file " + path + ".\n"), std::string::npos) << child.errorText;
}

TEST(PictureFailureDeathTest, NewerBmpHeaderIsUnknownAndExitsWithOne)
{
    TempDir dir;
    BmpLayout layout;
    layout.infoSize = 124;
    layout.pixelData = {1, 2, 3, 0};
    testsupport::writeFileBytes(dir / "v5.bmp", makeBmp(layout));
    const std::string path = (dir / "v5.bmp").string();
    const ChildResult child = runInChild([&] {
        TextureNames<2> names{};
        loadBmpTexture(names, path.c_str(), 1);
    });
    EXPECT_EQ(child.exitStatus, 1);
    EXPECT_NE(child.errorText.find("Unknown DIB file format."), std::string::npos) << child.errorText;
}

TEST(PictureFailureDeathTest, UnreadableTgaSaysSoOnStandardErrorAndExitsWithOne)
{
    TempDir dir;
    testsupport::writeFileBytes(dir / "grey.tga", makeTga(3, 2, 1, 8, {1, 2}));
    for (const std::string& path : {(dir / "missing.tga").string(), (dir / "grey.tga").string()}) {
        const ChildResult child = runInChild([&] {
            TextureNames<2> names{};
            loadTgaTexture(names, path.c_str(), 0);
        });
        EXPECT_EQ(child.exitStatus, 1) << path;
        EXPECT_NE(child.errorText.find("Failed to load TGA file " + path + "."), std::string::npos) << child.errorText;
    }
}

// ---------------------------------------------------------------------------
// What the textures hold

TEST(TextureUpload, FiveWideBmpUploadsWithoutSkew)
{
    ASSERT_TRUE(testsupport::ensureGlContext());
    TempDir dir;
    BmpLayout layout;
    layout.width = 5;  // 15 bytes a row: skewed if read with four-byte row alignment
    layout.height = 4;
    layout.pixelData = bmpRows24(5, 4, [](int, int row) { return kRowColours[static_cast<std::size_t>(row)]; });
    testsupport::writeFileBytes(dir / "five.bmp", makeBmp(layout));

    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    TextureNames<3> names{};
    loadBmpTexture(names, (dir / "five.bmp").c_str(), 1);
    EXPECT_EQ(names[0], 0u);
    EXPECT_EQ(names[2], 0u);
    ASSERT_NE(names[1], 0u);
    GLint boundTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
    EXPECT_EQ(static_cast<GLuint>(boundTexture), names[1]);  // left bound
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 1);  // stays in force afterwards

    const TextureLevel level0 = levelOf(names[1], 0);
    ASSERT_EQ(level0.height, 4);
    ASSERT_GT(level0.width, 0);
    // Each row is one colour, so resampling the width cannot change it; a
    // skewed upload mixes the channels.
    const Bytes pixels = readLevel0(names[1], GL_RGB, 3);
    for (int row = 0; row < level0.height; ++row)
        for (int x = 0; x < level0.width; ++x) {
            const std::uint8_t* p = pixels.data() + (static_cast<std::size_t>(row) * level0.width + x) * 3;
            EXPECT_EQ((Colour{p[0], p[1], p[2]}), kRowColours[static_cast<std::size_t>(row)]) << x << "," << row;
        }
    // A full mipmap chain, with the default filters left alone.
    const TextureLevel level1 = levelOf(names[1], 1);
    EXPECT_EQ(level1.height, 2);
    EXPECT_EQ(levelOf(names[1], 2).height, 1);
    GLint minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_NEAREST_MIPMAP_LINEAR);
}

TEST(TextureUpload, ThirtyTwoBitTgaKeepsAlphaInFileRowOrder)
{
    ASSERT_TRUE(testsupport::ensureGlContext());
    TempDir dir;
    Bytes data;  // 4 x 2 pixels, blue green red alpha, distinct everywhere
    for (int i = 0; i < 8; ++i)
        data.insert(data.end(), {static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(i * 20),
                                 static_cast<std::uint8_t>(200 - i), static_cast<std::uint8_t>(i * 30 + 5)});
    testsupport::writeFileBytes(dir / "alpha.tga", makeTga(2, 4, 2, 32, data));
    TextureNames<3> names{};
    loadTgaTexture(names, (dir / "alpha.tga").c_str(), 2);
    ASSERT_NE(names[2], 0u);
    const TextureLevel level0 = levelOf(names[2], 0);
    EXPECT_EQ(level0.width, 4);
    EXPECT_EQ(level0.height, 2);
    EXPECT_TRUE(level0.internalFormat == 4 || level0.internalFormat == GL_RGBA) << level0.internalFormat;
    const Bytes pixels = readLevel0(names[2], GL_RGBA, 4);
    ASSERT_EQ(pixels.size(), 32u);
    for (int i = 0; i < 8; ++i) {
        const std::uint8_t* p = pixels.data() + i * 4;
        EXPECT_EQ(p[0], 200 - i);
        EXPECT_EQ(p[1], i * 20);
        EXPECT_EQ(p[2], i * 3);
        EXPECT_EQ(p[3], i * 30 + 5) << i;
    }
}

TEST(TextureUpload, TwentyFourBitTgaIsRgbAndUnskewed)
{
    ASSERT_TRUE(testsupport::ensureGlContext());
    TempDir dir;
    Bytes data;  // 3 wide (9 bytes a row), one colour a row
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 3; ++x) {
            const Colour& c = kRowColours[static_cast<std::size_t>(row)];
            data.insert(data.end(), {c[2], c[1], c[0]});
        }
    testsupport::writeFileBytes(dir / "rgb.tga", makeTga(2, 3, 2, 24, data));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // as in a context where no BMP was loaded yet
    TextureNames<1> names{};
    loadTgaTexture(names, (dir / "rgb.tga").c_str(), 0);
    ASSERT_NE(names[0], 0u);
    const TextureLevel level0 = levelOf(names[0], 0);
    EXPECT_TRUE(level0.internalFormat == 3 || level0.internalFormat == GL_RGB) << level0.internalFormat;
    ASSERT_EQ(level0.height, 2);
    const Bytes pixels = readLevel0(names[0], GL_RGB, 3);
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < level0.width; ++x) {
            const std::uint8_t* p = pixels.data() + (static_cast<std::size_t>(row) * level0.width + x) * 3;
            EXPECT_EQ((Colour{p[0], p[1], p[2]}), kRowColours[static_cast<std::size_t>(row)]) << x << "," << row;
        }
}

// ---------------------------------------------------------------------------
// Slots and paths

TEST(TextureSlots, NullPathsLeaveTheSlot)
{
    ASSERT_TRUE(testsupport::ensureGlContext());
    TextureNames<2> names{77, 78};
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    loadBmpTexture(names, nullptr, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    testing::internal::CaptureStdout();
    loadTgaTexture(names, nullptr, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "No texture");
    EXPECT_EQ(names, (TextureNames<2>{77, 78}));
}

TEST(TextureSlots, SlotsOutsideTheArrayAreIgnored)
{
    ASSERT_TRUE(testsupport::ensureGlContext());
    TempDir dir;
    BmpLayout layout;
    layout.pixelData = {1, 2, 3, 0};
    testsupport::writeFileBytes(dir / "one.bmp", makeBmp(layout));
    testsupport::writeFileBytes(dir / "one.tga", makeTga(2, 1, 1, 24, {1, 2, 3}));
    // Four names, of which the loader is told about two: the others must stay.
    std::array<GLuint, 4> storage{0, 0, 55, 66};
    for (int slot : {2, 3, -1, 1000}) {
        loadBmpTexture(storage.data(), 2, (dir / "one.bmp").c_str(), slot);
        loadTgaTexture(storage.data(), 2, (dir / "one.tga").c_str(), slot);
        releaseTexture(storage.data(), 2, slot);
    }
    EXPECT_EQ(storage, (std::array<GLuint, 4>{0, 0, 55, 66}));
    loadBmpTexture(storage.data(), 2, (dir / "one.bmp").c_str(), 1);
    EXPECT_NE(storage[1], 0u);
    EXPECT_EQ(storage[2], 55u);
}

TEST(TextureSlots, ReloadKeepsTheOldTextureUntilReleased)
{
    ASSERT_TRUE(testsupport::ensureGlContext());
    TempDir dir;
    BmpLayout layout;
    layout.pixelData = {1, 2, 3, 0};
    testsupport::writeFileBytes(dir / "one.bmp", makeBmp(layout));
    TextureNames<1> names{};
    loadBmpTexture(names, (dir / "one.bmp").c_str(), 0);
    const GLuint first = names[0];
    loadBmpTexture(names, (dir / "one.bmp").c_str(), 0);
    const GLuint second = names[0];
    EXPECT_NE(first, second);
    EXPECT_TRUE(glIsTexture(first));  // not deleted by the loader

    releaseTexture(names.data(), names.size(), 0);
    EXPECT_EQ(names[0], 0u);
    EXPECT_FALSE(glIsTexture(second));
    EXPECT_TRUE(glIsTexture(first));
    releaseTexture(names.data(), names.size(), 0);  // an empty slot: nothing to do
    EXPECT_TRUE(glIsTexture(first));
    glDeleteTextures(1, &first);
}
