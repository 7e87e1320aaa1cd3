// The three embedded faces: coverage, plain outlines only, drawing through
// libharu into a PDF (checked on the rendered pixels) and a reproducible build.
#include <gtest/gtest.h>
#include <hpdf.h>
#include <stb_truetype.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "resources/resource_store.h"
#include "support/pdf_ink.h"

namespace fs = std::filesystem;

namespace {

const TextId kFaces[] = {0xC66801, 0xC66802, 0xC66803};
const char* const kFaceFiles[] = {"KestruneCondensed-Light.ttf", "KestruneCondensed-Regular.ttf",
                                  "KestruneCondensed-Bold.ttf"};

const unsigned char* faceData(TextId key, std::uint32_t* size) {
    static bool indexed = indexEmbeddedResources();
    (void)indexed;
    const auto e = findResource(key);
    *size = e.size;
    return static_cast<const unsigned char*>(e.data);
}

std::vector<int> requiredCodePoints() {
    std::vector<int> cps;
    for (int c = 0x20; c <= 0x7E; ++c) cps.push_back(c);
    for (int c = 0xA0; c <= 0xFF; ++c) cps.push_back(c);
    cps.push_back(0x401);
    for (int c = 0x410; c <= 0x44F; ++c) cps.push_back(c);
    cps.push_back(0x451);
    return cps;
}

std::uint32_t be32(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
std::uint16_t be16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

// Offset of a table in a TrueType file, 0 when absent.
std::uint32_t tableOffset(const unsigned char* f, std::uint32_t size, const char* tag) {
    const std::uint16_t tables = be16(f + 4);
    for (std::uint16_t i = 0; i < tables; ++i) {
        const unsigned char* rec = f + 12 + 16 * i;
        if (12 + 16u * (i + 1) > size) return 0;
        if (std::equal(tag, tag + 4, reinterpret_cast<const char*>(rec))) return be32(rec + 8);
    }
    return 0;
}

TEST(Faces, CoverLatinCyrillicAndTheIconCodePoints) {
    for (TextId key : kFaces) {
        SCOPED_TRACE(key);
        std::uint32_t size = 0;
        const unsigned char* data = faceData(key, &size);
        ASSERT_NE(data, nullptr);
        stbtt_fontinfo info;
        ASSERT_TRUE(stbtt_InitFont(&info, data, 0));
        for (int cp : requiredCodePoints()) EXPECT_NE(stbtt_FindGlyphIndex(&info, cp), 0) << std::hex << cp;
        // The icon glyphs are real outlines of their own, not the upstream letters.
        for (int cp = 0xC0; cp <= 0xC9; ++cp) {
            const int g = stbtt_FindGlyphIndex(&info, cp);
            EXPECT_FALSE(stbtt_IsGlyphEmpty(&info, g)) << std::hex << cp;
            EXPECT_NE(g, stbtt_FindGlyphIndex(&info, 'A' + (cp - 0xC0)));
        }
        // φ at U+00C1 is the face's own phi.
        stbtt_vertex* a = nullptr;
        stbtt_vertex* b = nullptr;
        const int na = stbtt_GetCodepointShape(&info, 0xC1, &a);
        const int nb = stbtt_GetCodepointShape(&info, 0x3C6, &b);
        EXPECT_EQ(na, nb);
        stbtt_FreeShape(&info, a);
        stbtt_FreeShape(&info, b);
    }
}

TEST(Faces, HoldNoCompositeGlyph) {
    for (TextId key : kFaces) {
        SCOPED_TRACE(key);
        std::uint32_t size = 0;
        const unsigned char* f = faceData(key, &size);
        ASSERT_NE(f, nullptr);
        const std::uint32_t head = tableOffset(f, size, "head");
        const std::uint32_t maxp = tableOffset(f, size, "maxp");
        const std::uint32_t loca = tableOffset(f, size, "loca");
        const std::uint32_t glyf = tableOffset(f, size, "glyf");
        ASSERT_TRUE(head && maxp && loca && glyf);
        const bool longLoca = be16(f + head + 50) != 0;
        const unsigned glyphs = be16(f + maxp + 4);
        ASSERT_GT(glyphs, 1000u);
        unsigned composites = 0;
        for (unsigned g = 0; g < glyphs; ++g) {
            const std::uint32_t start = longLoca ? be32(f + loca + 4 * g) : 2u * be16(f + loca + 2 * g);
            const std::uint32_t end = longLoca ? be32(f + loca + 4 * (g + 1)) : 2u * be16(f + loca + 2 * (g + 1));
            if (end == start) continue;  // no outline (space)
            ASSERT_LE(glyf + end, size);
            if (static_cast<std::int16_t>(be16(f + glyf + start)) < 0) ++composites;
        }
        EXPECT_EQ(composites, 0u);
    }
}

std::vector<std::string> utf8Letters() {
    std::vector<std::string> letters;
    auto add = [&](char32_t c) {
        std::string s;
        if (c < 0x80) {
            s += static_cast<char>(c);
        } else if (c < 0x800) {
            s += static_cast<char>(0xC0 | (c >> 6));
            s += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            s += static_cast<char>(0xE0 | (c >> 12));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
        }
        letters.push_back(s);
    };
    for (char32_t c = 0x410; c <= 0x44F; ++c) add(c);
    add(0x401);
    add(0x451);
    for (char32_t c = 0xC0; c <= 0xC9; ++c) add(c);
    return letters;
}

class FacesInPdf : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("ks_faces_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
};

void ignoreHpdfError(HPDF_STATUS, HPDF_STATUS, void*) {}

TEST_F(FacesInPdf, EveryLetterIsDrawnWithInk) {
    if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftoppm not installed";
    const auto letters = utf8Letters();
    const float cell = 32.f, margin = 20.f, pageH = 842.f;
    const int perRow = 16;

    HPDF_Doc pdf = HPDF_New(ignoreHpdfError, nullptr);
    ASSERT_NE(pdf, nullptr);
    HPDF_UseUTFEncodings(pdf);
    HPDF_SetCurrentEncoder(pdf, "UTF-8");
    for (int f = 0; f < 3; ++f) {
        std::uint32_t size = 0;
        const unsigned char* data = faceData(kFaces[f], &size);
        ASSERT_NE(data, nullptr);
        const fs::path ttf = dir / kFaceFiles[f];
        std::ofstream(ttf, std::ios::binary).write(reinterpret_cast<const char*>(data), size);
        const char* name = HPDF_LoadTTFontFromFile(pdf, ttf.c_str(), HPDF_TRUE);
        ASSERT_NE(name, nullptr) << "libharu refused " << kFaceFiles[f];
        HPDF_Font font = HPDF_GetFont(pdf, name, "UTF-8");
        ASSERT_NE(font, nullptr);

        HPDF_Page page = HPDF_AddPage(pdf);
        HPDF_Page_SetSize(page, HPDF_PAGE_SIZE_A4, HPDF_PAGE_PORTRAIT);
        HPDF_Page_BeginText(page);
        HPDF_Page_SetFontAndSize(page, font, 20);
        HPDF_Page_TextOut(page, margin, pageH - 40, "À Привод Ã  1 0,4 Â 100");
        for (size_t i = 0; i < letters.size(); ++i) {
            const float x = margin + cell * static_cast<float>(i % perRow);
            const float y = pageH - 100 - cell * static_cast<float>(i / perRow);
            HPDF_Page_TextOut(page, x, y, letters[i].c_str());
        }
        HPDF_Page_EndText(page);
    }
    const fs::path pdfPath = dir / "faces.pdf";
    ASSERT_EQ(HPDF_SaveToFile(pdf, pdfPath.c_str()), HPDF_OK);
    HPDF_Free(pdf);

    const std::string cmd = "pdftoppm -r 72 -gray " + pdfPath.string() + " " + (dir / "page").string() + " 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE(kFaceFiles[f]);
        Pgm pgm;
        ASSERT_TRUE(readPgm((dir / ("page-" + std::to_string(f + 1) + ".pgm")).string(), pgm));
        EXPECT_TRUE(pgm.inkIn(static_cast<int>(margin), 40 - 20, 400, 40 + 6));
        for (size_t i = 0; i < letters.size(); ++i) {
            // Baseline at y (points, from the bottom); the glyph sits above it.
            const int x = static_cast<int>(margin + cell * static_cast<float>(i % perRow));
            const int base = static_cast<int>(pageH - 100 - cell * static_cast<float>(i / perRow));
            const int top = 842 - base - 18;
            EXPECT_TRUE(pgm.inkIn(x, top, x + 20, 842 - base + 2)) << "blank glyph " << letters[i];
        }
    }
}

TEST_F(FacesInPdf, BuildScriptReproducesTheCommittedFaces) {
    if (std::system("/usr/bin/python3 -c 'import fontTools' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3-fonttools not installed";
    const std::string fonts = std::string(KS_SOURCE_DIR) + "/assets/fonts";
    const std::string cmd = "/usr/bin/python3 " + fonts + "/build_faces.py --out " + dir.string() + " >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (const char* file : kFaceFiles) {
        std::ifstream a(fonts + "/" + file, std::ios::binary), b(dir / file, std::ios::binary);
        const std::string committed((std::istreambuf_iterator<char>(a)), std::istreambuf_iterator<char>());
        const std::string rebuilt((std::istreambuf_iterator<char>(b)), std::istreambuf_iterator<char>());
        EXPECT_FALSE(committed.empty());
        EXPECT_TRUE(committed == rebuilt) << file << " differs from a fresh build";
    }
}

}  // namespace
