// Fonts and textures of the interface.  For now one face: the regular face of
// the resource store at 22 px, as the GUI context's default font.

#include <imgui.h>

#include "gui/gui.h"
#include "resources/resource_store.h"
#include "texts/text_ids.h"

namespace {
constexpr float kDefaultFontPx = 22;
// Latin-1 (with the icon glyphs) and Cyrillic.
const ImWchar kGlyphRanges[] = {0x20, 0xFF, 0x400, 0x451, 0};
}  // namespace

void Gui::loadFonts() {
    ImGuiIO& io = ImGui::GetIO();
    const ResourceEntry face = findResource(textid::kFontFace2);
    if (face.size == 0) return;  // ImGui's own font stays
    ImFontConfig config;
    config.FontDataOwnedByAtlas = false;  // the bytes belong to the executable
    config.OversampleH = 1;
    config.OversampleV = 1;
    config.PixelSnapH = true;
    io.Fonts->AddFontFromMemoryTTF(const_cast<void*>(face.data), static_cast<int>(face.size), kDefaultFontPx,
                                   &config, kGlyphRanges);
}

void Gui::loadTextures() {}
