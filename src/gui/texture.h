#pragma once
// Textures of the interface's images and the seam that makes them.
//
// The program uploads through the GL side (gui/gl); tests record what was
// uploaded.  A texture id is what ImGui draws with (an ImTextureID).

#include <vector>

struct Texture {
    std::vector<void*> ids;  // one per colour variant, the image's own first
    int width = 0;
    int height = 0;
};

class TextureUploader {
public:
    virtual ~TextureUploader() = default;
    // Makes a texture of RGBA pixels (width x height x 4 bytes); null on failure.
    virtual void* upload(const unsigned char* rgba, int width, int height) = 0;
    virtual void release(void* id) = 0;
};
