// Textures and fonts in their fixed slots: what is uploaded for each image,
// the tint variants, and what a missing or damaged resource leaves behind.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <imgui.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include "gui/fonts.h"
#include "gui/gui.h"
#include "resources/resource_store.h"
#include "support/gui_resource_doubles.h"
#include "texts/text_ids.h"

namespace {

constexpr int kDialSlot = textureslot::kDialFace;
constexpr TextId kDialKey = textid::kInterfaceImageFirst + kDialSlot;

struct Decoded {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
};

Decoded decodeEmbedded(TextId key) {
    const ResourceEntry e = findResource(key);
    Decoded d;
    int channels = 0;
    stbi_uc* px = stbi_load_from_memory(static_cast<const stbi_uc*>(e.data), static_cast<int>(e.size), &d.width,
                                        &d.height, &channels, 4);
    if (px) d.rgba.assign(px, px + std::size_t(d.width) * d.height * 4);
    stbi_image_free(px);
    return d;
}

// A Gui that uploads through a recorder; textures are loaded from whatever
// store is indexed when `load` runs.
struct TextureRig {
    RecordingUploader uploader;
    Gui gui;
    TextureRig() { gui._uploader = &uploader; }
    void load() { gui.loadTextures(); }
};

TEST(GuiResourcesTextures, EveryImageInItsSlotAndTheDialInItsTints) {
    TextureRig rig;
    rig.load();
    ASSERT_EQ(rig.gui._textures.size(), 59u);
    for (int slot = 0; slot < 59; ++slot) {
        SCOPED_TRACE(slot);
        const Texture& t = rig.gui._textures[slot];
        const Decoded source = decodeEmbedded(textid::kInterfaceImageFirst + slot);
        EXPECT_EQ(t.width, source.width);
        EXPECT_EQ(t.height, source.height);
        ASSERT_EQ(t.ids.size(), slot == kDialSlot ? 3u : 1u);
        if (slot != kDialSlot) {
            EXPECT_TRUE(rig.uploader.of(t.id()).rgba == source.rgba);
        }
    }
    // The dial's variants in the colour order (every pixel takes the colour).
    const std::uint32_t tints[] = {0xDDDDDD, 0x4057CD, 0x7AD645};
    for (std::size_t v = 0; v < 3; ++v) {
        const std::vector<unsigned char>& px = rig.uploader.of(rig.gui._textures[kDialSlot].id(v)).rgba;
        EXPECT_EQ(px[0] | px[1] << 8 | px[2] << 16, tints[v]) << "variant " << v;
    }
}

TEST(GuiResourcesTextures, TintVariantsTakeTheColourAndTheRedChannelAsAlpha) {
    // Two pixels whose channels all differ, so that only red can be the alpha.
    const unsigned char source[] = {200, 10, 50, 255, 30, 240, 7, 99};
    std::string png;
    stbi_write_png_to_func([](void* out, void* data, int size) { static_cast<std::string*>(out)->append(
                               static_cast<const char*>(data), size); },
                           &png, 2, 1, 4, source, 8);
    TextureRig rig;
    const std::uint32_t colours[] = {0x4057CD, 0x7AD645, 0};
    const Texture t = rig.gui.uploadTexture(png.data(), png.size(), colours);
    ASSERT_EQ(t.ids.size(), 2u);
    EXPECT_EQ(t.width, 2);
    for (std::size_t v = 0; v < 2; ++v) {
        const std::vector<unsigned char>& px = rig.uploader.of(t.id(v)).rgba;
        const std::vector<unsigned char> expected = {
            static_cast<unsigned char>(colours[v]), static_cast<unsigned char>(colours[v] >> 8),
            static_cast<unsigned char>(colours[v] >> 16), 200,
            static_cast<unsigned char>(colours[v]), static_cast<unsigned char>(colours[v] >> 8),
            static_cast<unsigned char>(colours[v] >> 16), 30};
        EXPECT_EQ(px, expected) << "variant " << v;
    }
}

TEST(GuiResourcesTextures, MissingOrDamagedImageLeavesOnlyItsSlotEmpty) {
    struct Case {
        const char* name;
        int slot;
        bool leftOut;       // else replaced by `bytes` (when not empty)
        std::string bytes;
        int failAt;         // the upload that fails, -1 none
    };
    TextureRig complete;  // also indexes the embedded store
    complete.load();
    const ResourceEntry png = findResource(textid::kInterfaceImageFirst + 3);
    const std::string halfPng(static_cast<const char*>(png.data), png.size / 2);
    const Case cases[] = {
        {"first image missing", 0, true, "", -1},
        {"tinted image missing", kDialSlot, true, "", -1},
        {"last image missing", 58, true, "", -1},
        {"not a PNG", 3, false, "not a png at all", -1},
        {"PNG cut in half", 3, false, halfPng, -1},
        {"second tint fails to upload", kDialSlot, false, "", kDialSlot + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextureRig rig;
        rig.uploader.failAt = c.failAt;
        TestResourceStore store;
        const TextId key = textid::kInterfaceImageFirst + static_cast<TextId>(c.slot);
        if (c.leftOut || !c.bytes.empty())
            store.copyEmbeddedExcept({key});
        else
            store.copyEmbeddedExcept({});
        if (!c.bytes.empty()) store.add(key, c.bytes);
        store.index();
        rig.load();
        ASSERT_EQ(rig.gui._textures.size(), 59u);
        for (int slot = 0; slot < 59; ++slot) {
            const Texture& t = rig.gui._textures[slot];
            if (slot == c.slot) {
                EXPECT_TRUE(t.empty());
                EXPECT_EQ(t.width, 0);
                EXPECT_EQ(t.id(), nullptr);
            } else {
                EXPECT_EQ(t.ids.size(), complete.gui._textures[slot].ids.size()) << slot;
                EXPECT_EQ(t.width, complete.gui._textures[slot].width) << slot;
            }
        }
        if (c.failAt >= 0) {
            EXPECT_EQ(rig.uploader.released.size(), 1u);  // the first tint, made before the failure
        }
    }
}

// A context of the test's own, so that each case builds its own atlas.
struct FontRig {
    ImGuiContext* context = ImGui::CreateContext();
    Gui gui;
    FontRig() { ImGui::GetIO().UserData = &gui; }
    ~FontRig() { ImGui::DestroyContext(context); }
    void load() {
        gui.loadFonts();
        ImGui::GetIO().Fonts->Build();
    }
};

TEST(GuiResourcesFonts, ThirtyThreeSlotsWithTheirFacesSizesAndGlyphs) {
    FontRig rig;
    rig.load();
    ASSERT_EQ(rig.gui._fonts.size(), 33u);
    EXPECT_EQ(ImGui::GetIO().Fonts->Fonts[0], rig.gui._fonts[0]);  // the default font
    struct Case {
        int slot;
        TextId face;
        float pixels;
    };
    const Case cases[] = {{32, textid::kFontFace3, 64}, {14, textid::kFontFace2, 20}, {0, textid::kFontFace1, 14}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slot);
        const ImFont* font = rig.gui._fonts[c.slot];
        ASSERT_NE(font, nullptr);
        const ImFontConfig& config = *font->ConfigData;
        const ResourceEntry face = findResource(c.face);  // the atlas keeps a copy of it
        ASSERT_EQ(config.FontDataSize, static_cast<int>(face.size));
        EXPECT_EQ(std::memcmp(config.FontData, face.data, face.size), 0);
        EXPECT_EQ(config.SizePixels, c.pixels);
        EXPECT_EQ(config.OversampleH, 1);
        EXPECT_EQ(config.OversampleV, 1);
        EXPECT_TRUE(config.PixelSnapH);
        for (ImWchar glyph = 0xC0; glyph <= 0xC9; ++glyph) EXPECT_NE(font->FindGlyphNoFallback(glyph), nullptr) << glyph;
        EXPECT_NE(font->FindGlyphNoFallback(0x451), nullptr);
        EXPECT_EQ(font->FindGlyphNoFallback(0x452), nullptr);
    }
}

TEST(GuiResourcesFonts, MissingFaceLeavesTheDefaultFontInItsSlots) {
    struct Case {
        TextId missing;
        int firstEmpty;      // its slots: firstEmpty to firstEmpty + 10
        int defaultSlot;     // the slot whose font becomes the default
    };
    const Case cases[] = {{textid::kFontFace1, 0, 11}, {textid::kFontFace3, 22, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.missing);
        FontRig rig;  // its Gui indexes the embedded store: the test's own comes after
        TestResourceStore store;
        store.copyEmbeddedExcept({c.missing});
        store.index();
        rig.load();
        ASSERT_EQ(rig.gui._fonts.size(), 33u);
        ImFont* fallback = ImGui::GetIO().Fonts->Fonts[0];
        EXPECT_EQ(fallback, rig.gui._fonts[c.defaultSlot]);
        for (int slot = 0; slot < 33; ++slot) {
            const bool empty = slot >= c.firstEmpty && slot < c.firstEmpty + 11;
            EXPECT_EQ(rig.gui._fonts[slot] == fallback, empty || slot == c.defaultSlot) << slot;
        }
        EXPECT_EQ(rig.gui._fonts[32]->FontSize, c.missing == textid::kFontFace3 ? 14 : 64);
    }
}

}  // namespace
