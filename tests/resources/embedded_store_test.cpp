#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "resources/manifest.h"
#include "resources/resource_store.h"

namespace {

TEST(EmbeddedStore, HoldsEveryManifestFileByteForByte) {
    resources_testing::clearIndex();
    ASSERT_TRUE(indexEmbeddedResources());
    const auto lines = manifest::read();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(resourceCount(), lines.size());

    const auto* block = static_cast<const unsigned char*>(embeddedResourceBlock());
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 4, 0u);
    for (const auto& line : lines) {
        SCOPED_TRACE(line.file);
        const std::string bytes = manifest::readFile(manifest::assetPath(line.file));
        ASSERT_FALSE(bytes.empty());
        const auto e = findResource(line.key);
        ASSERT_EQ(e.size, bytes.size());
        const auto* p = static_cast<const unsigned char*>(e.data);
        EXPECT_EQ((p - block) % 4, 0);
        // The length word sits just before the payload, the header before it.
        std::uint32_t length, header;
        std::memcpy(&length, p - 4, 4);
        std::memcpy(&header, p - 8, 4);
        EXPECT_EQ(length, bytes.size());
        EXPECT_EQ(header, (line.key << 7) | 63);
        EXPECT_EQ(std::memcmp(p, bytes.data(), bytes.size()), 0);
    }
}

TEST(EmbeddedStore, FacesAreTrueTypeFonts) {
    resources_testing::clearIndex();
    ASSERT_TRUE(indexEmbeddedResources());
    for (TextId key : {0xC66801u, 0xC66802u, 0xC66803u}) {
        const auto e = findResource(key);
        ASSERT_GT(e.size, 12u) << std::hex << key;
        const auto* p = static_cast<const unsigned char*>(e.data);
        EXPECT_EQ(p[0], 0x00);
        EXPECT_EQ(p[1], 0x01);
        EXPECT_EQ(p[2], 0x00);
        EXPECT_EQ(p[3], 0x00);
    }
    EXPECT_EQ(findResource(0xC66804).size, 0u);
}

}  // namespace
