#include "gui/gl/gl_snapshot.h"

#include <vector>

#include <GL/gl.h>
#include <stb_image_write.h>

bool saveBackBufferPng(const char* path, int width, int height) {
    if (!path || width <= 0 || height <= 0) return false;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    stbi_flip_vertically_on_write(1);  // GL rows run bottom-up
    return stbi_write_png(path, width, height, 4, pixels.data(), width * 4) != 0;
}
