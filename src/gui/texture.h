#pragma once
// Textures of the interface's images and the seam that makes them.
//
// `Gui::_textures` has one slot per interface image: slot = key - 0x179E404
// (keys 0x179E404 to 0x179E43E, 59 slots).  A slot whose image is missing or
// damaged stays empty, and an empty texture draws nothing; the other slots
// keep their places.  A tinted image (the dial face, slot 55) has one id per
// tint colour: its red channel becomes the alpha of the colour.
//
// The program uploads through the GL side (gui/gl); tests record what was
// uploaded.  A texture id is what ImGui draws with (an ImTextureID).

#include <cstddef>
#include <vector>

struct Texture {
    std::vector<void*> ids;  // one per colour variant, or the image's own
    int width = 0;
    int height = 0;

    bool empty() const { return ids.empty(); }
    // The id of a colour variant; null for an empty slot or a missing variant.
    void* id(std::size_t variant = 0) const { return variant < ids.size() ? ids[variant] : nullptr; }
};

namespace textureslot {
constexpr int kCount = 59;
constexpr int kFilter = 0;          // funnel of the name-filter button
constexpr int kRowArrow = 4;        // at the right end of an operator row
constexpr int kLanguageKey = 7;
constexpr int kShiftKey = 8;
constexpr int kTileBalancing = 12;
constexpr int kTileDatabase = 13;
constexpr int kTileHistory = 14;
constexpr int kTileService = 15;    // service entry while nobody is logged in
constexpr int kTileLogout = 16;
constexpr int kTileSettings = 17;
constexpr int kBackArrow = 21;      // the plane button's default picture
constexpr int kTileWelding = 53;
constexpr int kDialFace = 55;       // tinted: light grey, red-orange, green
constexpr int kCrosshair = 56;      // plane button '@'
constexpr int kWarning = 57;        // plane button '!'
}  // namespace textureslot

class TextureUploader {
public:
    virtual ~TextureUploader() = default;
    // Makes a texture of RGBA pixels (width x height x 4 bytes); null on failure.
    virtual void* upload(const unsigned char* rgba, int width, int height) = 0;
    virtual void release(void* id) = 0;
};
