#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "resources/resource_store.h"

namespace {

struct ManifestLine {
    std::uint32_t key;
    std::string file;
};

std::vector<ManifestLine> readManifest() {
    std::vector<ManifestLine> lines;
    std::ifstream in(std::string(KS_SOURCE_DIR) + "/assets/resources.txt");
    std::string line;
    while (std::getline(in, line)) {
        const auto hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream s(line);
        std::string key, file;
        if (s >> key >> file) lines.push_back({static_cast<std::uint32_t>(std::stoul(key, nullptr, 0)), file});
    }
    return lines;
}

std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

TEST(EmbeddedStore, HoldsEveryManifestFileByteForByte) {
    resources_testing::clearIndex();
    ASSERT_TRUE(indexEmbeddedResources());
    const auto manifest = readManifest();
    ASSERT_GE(manifest.size(), 3u);
    EXPECT_EQ(resourceCount(), manifest.size());

    const auto* block = static_cast<const unsigned char*>(embeddedResourceBlock());
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 4, 0u);
    for (const auto& line : manifest) {
        SCOPED_TRACE(line.file);
        const std::string bytes = readFile(std::string(KS_SOURCE_DIR) + "/assets/" + line.file);
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
