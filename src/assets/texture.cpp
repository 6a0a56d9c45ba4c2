#include "assets/texture.h"

#include "assets/image.h"
#include "platform/process.h"

#include <GL/glu.h>

#include <cstdint>
#include <cstdio>
#include <vector>

TextureNames<9> screenTextures{};
TextureNames<4> sceneryTextures{};
TextureNames<4> hudTextures{};
TextureNames<1> cloudTexture{};
TextureNames<4> resultTextures{};
TextureNames<3> particleTextures{};

namespace {

constexpr GLint kRgbComponents = 3;
constexpr GLint kRgbaComponents = 4;

bool slotInRange(const GLuint* names, std::size_t slotCount, int slot)
{
    return names != nullptr && slot >= 0 && static_cast<std::size_t>(slot) < slotCount;
}

// GLU's choice of texture side for a picture side: the power of two nearest
// to it (the top two bits decide: 5 -> 4, 6 -> 8, 3 -> 4).
GLint gluTextureSide(GLint side)
{
    GLint power = 1;
    for (GLuint value = static_cast<GLuint>(side); value > 1; value >>= 1, power *= 2)
        if (value == 3) return power * 4;
    return power;
}

// gluBuild2DMipmaps with the picture already brought to GLU's power-of-two
// size. Mesa's GLU loses the last row when it rescales only the width (a
// 5 x 4 picture comes out with a black top row), while gluScaleImage scales
// correctly; a picture with power-of-two sides goes straight through.
void buildMipmaps(GLint components, GLint width, GLint height, GLenum format, const std::uint8_t* pixels)
{
    const GLint scaledWidth = gluTextureSide(width);
    const GLint scaledHeight = gluTextureSide(height);
    if (scaledWidth != width || scaledHeight != height) {
        std::vector<std::uint8_t> scaled(static_cast<std::size_t>(scaledWidth) * static_cast<std::size_t>(scaledHeight) *
                                         static_cast<std::size_t>(components));
        GLint packAlignment = 4;
        glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        const GLint failed = gluScaleImage(format, width, height, GL_UNSIGNED_BYTE, pixels, scaledWidth, scaledHeight,
                                           GL_UNSIGNED_BYTE, scaled.data());
        glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
        if (failed == 0) {
            gluBuild2DMipmaps(GL_TEXTURE_2D, components, scaledWidth, scaledHeight, format, GL_UNSIGNED_BYTE,
                              scaled.data());
            return;
        }
    }
    gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, GL_UNSIGNED_BYTE, pixels);
}

}  // namespace

// Old textures in the slot are not deleted here: the screen pictures are
// loaded again into the same slots for a second GL context, where the old
// number may already name a live texture of that context.
void loadBmpTexture(GLuint* names, std::size_t slotCount, const char* path, int slot)
{
    if (path == nullptr || !slotInRange(names, slotCount, slot)) return;
    const std::optional<BmpImage> image = readBmp(path);
    if (!image) exitProcess(kExitPictureFailure);  // the reader has shown why

    glGenTextures(1, &names[slot]);
    // BMP rows are tightly packed; the setting stays in force for later uploads.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, names[slot]);
    buildMipmaps(kRgbComponents, image->width, image->height, GL_RGB, image->pixels.data());
}

void loadTgaTexture(GLuint* names, std::size_t slotCount, const char* path, int slot)
{
    PictureRows rows;
    loadTgaTexture(names, slotCount, path, slot, rows);
}

void loadTgaTexture(GLuint* names, std::size_t slotCount, const char* path, int slot, PictureRows& rows)
{
    rows = PictureRows{};
    if (path == nullptr) {
        std::fputs("No texture", stdout);
        return;
    }
    if (!slotInRange(names, slotCount, slot)) return;
    const std::optional<TgaImage> image = readTga(path);
    if (!image) {
        std::fprintf(stderr, "Failed to load TGA file %s.\n", path);
        exitProcess(kExitPictureFailure);
    }

    glGenTextures(1, &names[slot]);
    // Tightly packed rows here too: a 3-channel picture whose rows are not a
    // multiple of four bytes would otherwise be read skewed when no BMP was
    // loaded before it in this context.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, names[slot]);
    const bool rgba = image->channels == kRgbaComponents;
    buildMipmaps(rgba ? kRgbaComponents : kRgbComponents, image->width, image->height, rgba ? GL_RGBA : GL_RGB,
                 image->pixels.data());

    rows.width = image->width;
    rows.height = image->height;
    rows.firstClearRow = image->height;
    if (!rgba || gluTextureSide(image->width) != image->width || gluTextureSide(image->height) != image->height) return;
    const auto rowBytes = static_cast<std::size_t>(image->width) * kRgbaComponents;
    while (rows.firstClearRow > 0) {
        const std::uint8_t* row = image->pixels.data() + static_cast<std::size_t>(rows.firstClearRow - 1) * rowBytes;
        bool clear = true;
        for (std::size_t alpha = kRgbaComponents - 1; alpha < rowBytes && clear; alpha += kRgbaComponents)
            clear = row[alpha] == 0;
        if (!clear) break;
        --rows.firstClearRow;
    }
}

void releaseTexture(GLuint* names, std::size_t slotCount, int slot)
{
    if (!slotInRange(names, slotCount, slot) || names[slot] == 0) return;
    glDeleteTextures(1, &names[slot]);
    names[slot] = 0;
}
