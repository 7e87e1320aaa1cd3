#include "gui/gl/gl_texture_uploader.h"

#include <cstdint>

#include <GL/gl.h>

void* GlTextureUploader::upload(const unsigned char* rgba, int width, int height) {
    if (!rgba || width <= 0 || height <= 0) return nullptr;
    GLuint id = 0;
    glGenTextures(1, &id);
    if (id == 0) return nullptr;
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(id));
}

void GlTextureUploader::release(void* id) {
    const GLuint gl = static_cast<GLuint>(reinterpret_cast<std::uintptr_t>(id));
    if (gl != 0) glDeleteTextures(1, &gl);
}
