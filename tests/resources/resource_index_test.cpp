#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "resources/resource_store.h"

namespace {

class ResourceIndex : public ::testing::Test {
protected:
    void SetUp() override { resources_testing::clearIndex(); }
    void TearDown() override { resources_testing::clearIndex(); }

    void word(std::uint32_t w) { block.push_back(w); }
    // The escape form: header, byte length, payload padded to words.
    void escape(std::uint32_t key, const std::string& bytes) {
        word((key << 7) | 63);
        word(static_cast<std::uint32_t>(bytes.size()));
        std::vector<std::uint32_t> payload((bytes.size() + 3) / 4, 0);
        std::memcpy(payload.data(), bytes.data(), bytes.size());
        block.insert(block.end(), payload.begin(), payload.end());
    }
    bool index() { return indexResourceStore(block.data(), block.size() * 4); }

    std::vector<std::uint32_t> block;
};

TEST_F(ResourceIndex, EscapeItemsAndShortHeaders) {
    escape(0x179DC01, "abcdefgh");
    word((0x179DC02u << 7) | 2);  // short header: 2 payload words
    word(0x11111111);
    word(0x22222222);
    escape(0xC66801, "x");
    ASSERT_TRUE(index());
    EXPECT_EQ(resourceCount(), 3u);

    const auto a = findResource(0x179DC01);
    EXPECT_EQ(a.size, 8u);
    EXPECT_EQ(a.data, static_cast<const void*>(&block[2]));
    EXPECT_EQ(std::memcmp(a.data, "abcdefgh", 8), 0);

    const auto b = findResource(0x179DC02);
    EXPECT_EQ(b.size, 8u);
    EXPECT_EQ(b.data, static_cast<const void*>(&block[5]));

    const auto c = findResource(0xC66801);
    EXPECT_EQ(c.size, 1u);
    EXPECT_EQ(c.data, static_cast<const void*>(&block[9]));
}

TEST_F(ResourceIndex, OddLengthKeepsTheNextItemAligned) {
    escape(0x179E404, "12345");  // 5 bytes: two payload words
    escape(0x179E405, "abc");
    ASSERT_TRUE(index());
    EXPECT_EQ(findResource(0x179E404).size, 5u);
    const auto next = findResource(0x179E405);
    EXPECT_EQ(next.data, static_cast<const void*>(&block[6]));
    EXPECT_EQ(std::memcmp(next.data, "abc", 3), 0);
}

TEST_F(ResourceIndex, FlagBitIsIgnoredAndLaterDuplicateWins) {
    escape(0x179E404, "old!");
    word((0x179E404u << 7) | 64 | 1);  // flag bit set, one word
    word(0x41424344);
    ASSERT_TRUE(index());
    const auto e = findResource(0x179E404);
    EXPECT_EQ(e.size, 4u);
    EXPECT_EQ(e.data, static_cast<const void*>(&block[4]));
    EXPECT_EQ(resourceCount(), 1u);
}

TEST_F(ResourceIndex, ItemRunningPastTheEndKeepsEarlierEntries) {
    escape(0x179DC01, "keep");
    word((0x179DC02u << 7) | 63);
    word(100);  // announces 100 bytes, none follow
    word(0);
    EXPECT_FALSE(index());
    EXPECT_EQ(findResource(0x179DC01).size, 4u);
    EXPECT_EQ(findResource(0x179DC02).size, 0u);
    EXPECT_EQ(findResource(0x179DC02).data, nullptr);
}

TEST_F(ResourceIndex, MissingLengthWordAtTheEndFails) {
    escape(0x179DC01, "keep");
    word((0x179DC02u << 7) | 63);
    EXPECT_FALSE(index());
    EXPECT_EQ(findResource(0x179DC01).size, 4u);
}

TEST_F(ResourceIndex, HugeLengthDoesNotWrapIntoATinyPayload) {
    escape(0x179DC01, "keep");
    word((0x179DC02u << 7) | 63);
    word(0xFFFFFFFFu);
    word(0);
    word(0);
    EXPECT_FALSE(index());
    EXPECT_EQ(findResource(0x179DC02).size, 0u);
    EXPECT_EQ(resourceCount(), 1u);
}

TEST_F(ResourceIndex, MissingKeyGivesNothingAndAddsNoEntry) {
    escape(0x179E404, "png!");
    ASSERT_TRUE(index());
    const auto e = findResource(0x179E403);
    EXPECT_EQ(e.data, nullptr);
    EXPECT_EQ(e.size, 0u);
    EXPECT_EQ(resourceCount(), 1u);
}

TEST_F(ResourceIndex, TrailingBytesShortOfAWordAreIgnored) {
    escape(0x179E404, "png!");
    std::vector<unsigned char> bytes(block.size() * 4 + 3, 0xEE);
    std::memcpy(bytes.data(), block.data(), block.size() * 4);
    EXPECT_TRUE(indexResourceStore(bytes.data(), bytes.size()));
    EXPECT_EQ(findResource(0x179E404).size, 4u);
}

}  // namespace
