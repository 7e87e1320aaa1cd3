// Fonts and textures of the interface, made once at start-up from the
// resource store.  Every slot keeps its place: a missing or damaged image
// leaves its texture empty, a missing face leaves the default font in its
// font slots.

#include <climits>
#include <memory>

#include <imgui.h>
#include <stb_image.h>

#include "gui/fonts.h"
#include "gui/gui.h"
#include "resources/resource_store.h"
#include "texts/text_ids.h"

namespace {

// Latin-1 (with the icon glyphs) and Cyrillic up to ё; the atlas keeps the
// pointer, so the list lives as long as the program.
const ImWchar kGlyphRanges[] = {0x20, 0xFF, 0x400, 0x451, 0};

struct StbFree {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

// Every pixel becomes the colour (0x00BBGGRR) with the mask's value as alpha.
void tint(const stbi_uc* rgba, std::size_t pixels, std::uint32_t colour, std::vector<unsigned char>& out) {
    out.resize(pixels * 4);
    for (std::size_t i = 0; i < pixels; ++i) {
        out[i * 4 + 0] = static_cast<unsigned char>(colour & 0xFF);
        out[i * 4 + 1] = static_cast<unsigned char>((colour >> 8) & 0xFF);
        out[i * 4 + 2] = static_cast<unsigned char>((colour >> 16) & 0xFF);
        out[i * 4 + 3] = rgba[i * 4];  // the red channel is the mask
    }
}

}  // namespace

ImFont* uiFont(int slot) {
    const Gui* gui = static_cast<const Gui*>(ImGui::GetIO().UserData);
    if (gui && slot >= 0 && static_cast<std::size_t>(slot) < gui->_fonts.size() && gui->_fonts[slot])
        return gui->_fonts[slot];
    return ImGui::GetFont();
}

void Gui::loadFonts() {
    ImFontAtlas* atlas = ImGui::GetIO().Fonts;
    ImFontConfig config;
    config.FontDataOwnedByAtlas = false;  // the bytes stay in the resource store
    config.OversampleH = 1;
    config.OversampleV = 1;
    config.PixelSnapH = true;
    _fonts.assign(fontslot::kCount, nullptr);
    for (int slot = 0; slot < fontslot::kCount; ++slot) {
        const std::uint32_t* style = attrsOf(textid::kFontStyleFirst + static_cast<TextId>(slot));
        const TextId face = style[0];
        const std::uint32_t pixels = face != 0 ? style[1] : 0;
        if (face == 0 || pixels == 0) continue;
        const ResourceEntry data = findResource(face);
        if (data.size == 0 || data.size > INT_MAX) continue;
        // The atlas only reads the data; its interface wants a non-const pointer.
        _fonts[slot] = atlas->AddFontFromMemoryTTF(const_cast<void*>(data.data), static_cast<int>(data.size),
                                                   static_cast<float>(pixels), &config, kGlyphRanges);
    }
    if (atlas->Fonts.empty()) atlas->AddFontDefault();
    for (ImFont*& font : _fonts)
        if (!font) font = atlas->Fonts[0];
}

void Gui::loadTextures() {
    releaseTextures();
    _textures.assign(textureslot::kCount, Texture{});
    for (TextId key = textid::kInterfaceImageFirst; key <= textid::kInterfaceImageLast; ++key) {
        const ResourceEntry image = findResource(key);
        if (image.size == 0) continue;
        _textures[key - textid::kInterfaceImageFirst] = uploadTexture(image.data, image.size, attrsOf(key));
    }
}

Texture Gui::uploadTexture(const void* data, std::size_t size, const std::uint32_t* colours) {
    Texture texture;
    if (!_uploader || !data || size == 0 || size > INT_MAX) return texture;
    int width = 0, height = 0, channels = 0;
    std::unique_ptr<stbi_uc, StbFree> rgba(stbi_load_from_memory(static_cast<const stbi_uc*>(data),
                                                                 static_cast<int>(size), &width, &height, &channels, 4));
    if (!rgba || width <= 0 || height <= 0) return texture;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    auto add = [&](const unsigned char* pixels) {
        void* id = _uploader->upload(pixels, width, height);
        if (id) texture.ids.push_back(id);
        return id != nullptr;
    };
    bool made = true;
    if (!colours || colours[0] == 0) {
        made = add(rgba.get());
    } else {
        std::vector<unsigned char> variant;
        for (const std::uint32_t* colour = colours; *colour != 0 && made; ++colour) {
            tint(rgba.get(), pixels, *colour, variant);
            made = add(variant.data());
        }
    }
    if (!made) {  // all or nothing: a slot never holds part of its variants
        for (void* id : texture.ids) _uploader->release(id);
        return Texture{};
    }
    texture.width = width;
    texture.height = height;
    return texture;
}

void Gui::releaseTextures() {
    for (Texture& texture : _textures)
        for (void* id : texture.ids)
            if (_uploader && id) _uploader->release(id);
    _textures.clear();
}
