#pragma once
// Textures made from BMP and TGA pictures, and the texture-name arrays the
// game binds from. A slot holds 0 until a load fills it.
#include <GL/gl.h>

#include <array>
#include <cstddef>

template <std::size_t N>
using TextureNames = std::array<GLuint, N>;

extern TextureNames<9> screenTextures;   // menu, entries with masks, intro and help pages
extern TextureNames<4> sceneryTextures;  // 0 fence, 1 unused, 2 ground, 3 gate
extern TextureNames<4> hudTextures;      // mole icon mask and picture, clock mask and picture
extern TextureNames<1> cloudTexture;
extern TextureNames<4> resultTextures;    // failure banner mask and picture, success mask and picture
extern TextureNames<3> particleTextures;  // spray puff, fly, water drop

// Reads the BMP at path and creates a mipmapped RGB texture in names[slot].
// A null path is ignored. A picture that cannot be read shows its message and
// ends the process with status 1. Slots outside the array are ignored.
void loadBmpTexture(GLuint* names, std::size_t slotCount, const char* path, int slot);
// The same for a TGA (RGB or RGBA). A null path prints "No texture"; an
// unreadable TGA ends the process with status 1.
void loadTgaTexture(GLuint* names, std::size_t slotCount, const char* path, int slot);

// The texel rows of a loaded picture: from firstClearRow on (counted from
// texture row 0, t = 0), every texel up to the last row is fully transparent
// (alpha 0); firstClearRow is height when no such rows end the picture (an
// RGB picture, or one whose sides GLU had to scale to powers of two).
struct PictureRows {
    int width = 0;
    int height = 0;
    int firstClearRow = 0;
};
// loadTgaTexture, also telling the loaded picture's rows.
void loadTgaTexture(GLuint* names, std::size_t slotCount, const char* path, int slot, PictureRows& rows);

template <std::size_t N>
void loadBmpTexture(TextureNames<N>& names, const char* path, int slot)
{
    loadBmpTexture(names.data(), N, path, slot);
}
template <std::size_t N>
void loadTgaTexture(TextureNames<N>& names, const char* path, int slot)
{
    loadTgaTexture(names.data(), N, path, slot);
}
template <std::size_t N>
void loadTgaTexture(TextureNames<N>& names, const char* path, int slot, PictureRows& rows)
{
    loadTgaTexture(names.data(), N, path, slot, rows);
}

// Deletes the texture in names[slot] (if any) and sets the slot to 0, for
// owners that load a slot again in the same context.
void releaseTexture(GLuint* names, std::size_t slotCount, int slot);
