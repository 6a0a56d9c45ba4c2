#include "platform/screenshot.h"

#include <GL/gl.h>
#include <stb_image_write.h>

#include <cstring>
#include <vector>

bool writeScreenshotPng(const std::string& path, int width, int height)
{
    if (width <= 0 || height <= 0) return false;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::vector<unsigned char> pixels(rowBytes * static_cast<std::size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    // GL returns the bottom row first; PNG wants the top row first.
    std::vector<unsigned char> flipped(pixels.size());
    for (int row = 0; row < height; ++row) {
        std::memcpy(&flipped[static_cast<std::size_t>(row) * rowBytes],
                    &pixels[static_cast<std::size_t>(height - 1 - row) * rowBytes], rowBytes);
    }
    return stbi_write_png(path.c_str(), width, height, 3, flipped.data(),
                          static_cast<int>(rowBytes)) != 0;
}
