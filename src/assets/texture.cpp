#include "assets/texture.h"

#include "assets/image.h"
#include "platform/process.h"

#include <GL/glu.h>

#include <cstdio>

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
    gluBuild2DMipmaps(GL_TEXTURE_2D, kRgbComponents, image->width, image->height, GL_RGB,
                      GL_UNSIGNED_BYTE, image->pixels.data());
}

void loadTgaTexture(GLuint* names, std::size_t slotCount, const char* path, int slot)
{
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
    gluBuild2DMipmaps(GL_TEXTURE_2D, rgba ? kRgbaComponents : kRgbComponents, image->width, image->height,
                      rgba ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, image->pixels.data());
}

void releaseTexture(GLuint* names, std::size_t slotCount, int slot)
{
    if (!slotInRange(names, slotCount, slot) || names[slot] == 0) return;
    glDeleteTextures(1, &names[slot]);
    names[slot] = 0;
}
