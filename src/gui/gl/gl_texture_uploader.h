#pragma once
// The program's textures: OpenGL 1.x textures of RGBA pixels.  A linear
// minifying filter, since the default one asks for mipmaps the textures do
// not have (such a texture draws white).

#include "gui/texture.h"

class GlTextureUploader final : public TextureUploader {
public:
    void* upload(const unsigned char* rgba, int width, int height) override;
    void release(void* id) override;
};
