// The interface pictures: their place in the manifest, their sizes, the build
// script reproducing them and the dial face's tint mask.
#include <gtest/gtest.h>
#include <stb_image.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>
#include <unistd.h>

#include "resources/manifest.h"
#include "resources/resource_store.h"
#include "texts/text_ids.h"

namespace fs = std::filesystem;

namespace {

struct Size {
    int width, height;
};

// Sizes by key, 0x179E404 first.
const Size kSizes[] = {
    {28, 28},   {36, 36},   {36, 36},   {128, 128}, {24, 24},   {48, 32},   {48, 32},   {36, 36},   // 404-40B
    {36, 36},   {24, 24},   {32, 32},   {32, 32},   {128, 128}, {128, 128}, {128, 128}, {96, 96},   // 40C-413
    {96, 96},   {128, 128}, {36, 36},   {36, 36},   {36, 36},   {32, 32},   {32, 32},   {32, 32},   // 414-41B
    {32, 32},   {32, 32},   {32, 32},   {248, 160}, {248, 160}, {248, 160}, {248, 160}, {248, 160}, // 41C-423
    {248, 160}, {248, 160}, {248, 160}, {248, 160}, {248, 160}, {248, 160}, {248, 160}, {248, 160}, // 424-42B
    {248, 160}, {248, 160}, {248, 160}, {248, 160}, {248, 160}, {248, 160}, {248, 160}, {44, 44},   // 42C-433
    {496, 210}, {496, 210}, {496, 235}, {496, 235}, {744, 160}, {128, 128}, {128, 128}, {512, 512}, // 434-43B
    {32, 32},   {32, 32},   {144, 144},                                                             // 43C-43E
};
constexpr unsigned kImageCount = textid::kInterfaceImageLast - textid::kInterfaceImageFirst + 1;
static_assert(sizeof kSizes / sizeof kSizes[0] == kImageCount, "one size per interface image");

struct Pixels {
    int width = 0, height = 0, channels = 0;  // channels: as stored in the file
    std::vector<unsigned char> data;          // decoded to `wanted` channels
    unsigned char at(int x, int y, int c, int wanted) const {
        return data[(static_cast<size_t>(y) * width + x) * wanted + c];
    }
};

bool decode(const void* bytes, size_t size, int wanted, Pixels& out) {
    unsigned char* p = stbi_load_from_memory(static_cast<const unsigned char*>(bytes), static_cast<int>(size),
                                             &out.width, &out.height, &out.channels, wanted);
    if (!p) return false;
    out.data.assign(p, p + static_cast<size_t>(out.width) * out.height * wanted);
    stbi_image_free(p);
    return true;
}

bool decodeKey(TextId key, int wanted, Pixels& out) {
    static const bool indexed = indexEmbeddedResources();
    const ResourceEntry e = findResource(key);
    return indexed && e.size != 0 && decode(e.data, e.size, wanted, out);
}

bool isInterfaceImage(std::uint32_t key) {
    return key >= textid::kInterfaceImageFirst && key <= textid::kInterfaceImageLast;
}

TEST(ArtworkManifest, ListsTheInterfaceImagesAsOneBlockInKeyOrder) {
    const auto lines = manifest::read();
    std::vector<std::uint32_t> keys;
    std::vector<size_t> positions;
    for (size_t i = 0; i < lines.size(); ++i)
        if (isInterfaceImage(lines[i].key)) {
            keys.push_back(lines[i].key);
            positions.push_back(i);
            EXPECT_EQ(lines[i].file.rfind("images/", 0), 0u) << lines[i].file;
            EXPECT_EQ(fs::path(lines[i].file).extension(), ".png") << lines[i].file;
        }
    ASSERT_EQ(keys.size(), kImageCount);
    for (unsigned i = 0; i < kImageCount; ++i) {
        EXPECT_EQ(keys[i], textid::kInterfaceImageFirst + i);
        EXPECT_EQ(positions[i], positions[0] + i) << "the block is interrupted before key " << std::hex << keys[i];
    }
}

TEST(ArtworkPictures, DecodeAtTheirSizes) {
    for (unsigned i = 0; i < kImageCount; ++i) {
        const TextId key = textid::kInterfaceImageFirst + i;
        SCOPED_TRACE(::testing::Message() << std::hex << key);
        Pixels px;
        ASSERT_TRUE(decodeKey(key, 4, px));
        EXPECT_EQ(px.width, kSizes[i].width);
        EXPECT_EQ(px.height, kSizes[i].height);
    }
}

TEST(ArtworkPictures, ButtonPicturesAreWhiteOnTransparent) {
    // Drawn over a plane button of any colour: only white ink may show.
    for (TextId key : {0x179E419u, 0x179E41Au, 0x179E41Du, 0x179E41Eu, 0x179E43Cu, 0x179E43Du}) {
        SCOPED_TRACE(::testing::Message() << std::hex << key);
        Pixels px;
        ASSERT_TRUE(decodeKey(key, 4, px));
        int inked = 0, coloured = 0;
        for (int y = 0; y < px.height; ++y)
            for (int x = 0; x < px.width; ++x) {
                if (px.at(x, y, 3, 4) == 0) continue;
                ++inked;
                for (int c = 0; c < 3; ++c)
                    if (px.at(x, y, c, 4) != 255) ++coloured;
            }
        EXPECT_GT(inked, 40);
        EXPECT_EQ(px.at(0, 0, 3, 4), 0);
        EXPECT_EQ(coloured, 0);
    }
}

// The dial face's red channel at radius r and angle a (degrees clockwise from the top).
int dialAt(const Pixels& px, double r, double a) {
    const double rad = a * M_PI / 180.0;
    const int x = static_cast<int>(std::floor(256.0 + r * std::sin(rad)));
    const int y = static_cast<int>(std::floor(256.0 - r * std::cos(rad)));
    return px.at(x, y, 0, 1);
}

TEST(ArtworkDialFace, IsAnOpaqueGreyMaskOfTheRing) {
    Pixels px;
    ASSERT_TRUE(decodeKey(textid::kTintedImage, 1, px));
    EXPECT_EQ(px.channels, 1) << "stored as grey without alpha";
    ASSERT_EQ(px.width, 512);

    // Coverage 0 inside and outside the ring, full between its edges.
    EXPECT_EQ(dialAt(px, 0, 0), 0);
    EXPECT_EQ(dialAt(px, 150, 45), 0);
    EXPECT_EQ(px.at(0, 0, 0, 1), 0);
    EXPECT_EQ(px.at(511, 511, 0, 1), 0);
    for (double a : {15.0, 105.0, 200.0, 330.0}) {
        SCOPED_TRACE(a);
        EXPECT_EQ(dialAt(px, 227, a), 255);
        // Both edges are anti-aliased: partial coverage somewhere across each.
        for (double edge : {198.0, 254.5}) {
            bool partial = false;
            for (double r = edge - 2.5; r <= edge + 2.5; r += 0.25) {
                const int v = dialAt(px, r, a);
                partial = partial || (v > 0 && v < 255);
            }
            EXPECT_TRUE(partial) << "edge at " << edge;
        }
    }
    // Ticks at half coverage from the outer edge; the quarter ticks reach further in.
    for (double a = 0; a < 360; a += 30) {
        SCOPED_TRACE(a);
        EXPECT_NEAR(dialAt(px, 245, a), 128, 24);
        const bool quarter = std::fmod(a, 90.0) == 0.0;
        EXPECT_EQ(std::abs(dialAt(px, 228, a) - 128) < 24, quarter);
    }
}

class ArtworkBuild : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("ks_artwork_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
};

TEST_F(ArtworkBuild, ScriptReproducesTheCommittedPictures) {
    if (std::system("command -v rsvg-convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "rsvg-convert not installed";
    const std::string script = std::string(KS_SOURCE_DIR) + "/assets/images/build_images.sh";
    ASSERT_EQ(std::system((script + " " + dir.string() + " >/dev/null").c_str()), 0);

    std::set<std::string> built;
    for (const auto& entry : fs::directory_iterator(dir)) built.insert(entry.path().filename().string());
    std::set<std::string> committed;
    for (const auto& line : manifest::read())
        if (isInterfaceImage(line.key)) committed.insert(fs::path(line.file).filename().string());
    EXPECT_EQ(built, committed);

    for (const auto& name : committed) {
        SCOPED_TRACE(name);
        const std::string a = manifest::readFile(manifest::assetPath("images/" + name));
        const std::string b = manifest::readFile((dir / name).string());
        Pixels was, now;
        ASSERT_TRUE(decode(a.data(), a.size(), 4, was));
        ASSERT_TRUE(decode(b.data(), b.size(), 4, now));
        EXPECT_EQ(now.width, was.width);
        EXPECT_EQ(now.height, was.height);
        EXPECT_EQ(now.channels, was.channels);
        EXPECT_TRUE(now.data == was.data) << "differs from a fresh build";
    }
}

}  // namespace
