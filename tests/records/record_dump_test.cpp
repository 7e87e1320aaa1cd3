// The readable views of record files used by recdump and cfgdump.

#include "records/record_dump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/settings_records.h"
#include "texts/texts.h"

namespace {

using Words = std::vector<std::uint32_t>;

constexpr std::uint32_t H(std::uint32_t tag, std::uint32_t n, bool flag = false) {
    return Tris::makeHeader(tag, flag, n);
}

bool contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

TEST(record_dump, RawItemsShowTextsNestingCommandsAndBreaks) {
    const Words w = {
        H(0x1DD6401, 1),  1, H(0x1DD6404, 4),       H(0x1796802, 1, false), 0x00003158,
        H(0x1796803, 1),  7, H(0x1DD64C8, 1),       Tris::kListClear,       H(0x1DD64C8, 2),
        Tris::kListErase, 2, H(0x1DD64CF, 0, true), Tris::kEndMarker,       0xDEADBEEF,
    };
    const std::string out = Tris::dumpRawItems(w.data(), w.size());
    EXPECT_TRUE(contains(out, "@0 tag 0x1DD6401 flag 0 len 1: 00000001  (u32 1)")) << out;
    EXPECT_TRUE(contains(out, "list command: clear")) << out;
    EXPECT_TRUE(contains(out, "list command: erase element 2")) << out;
    EXPECT_TRUE(contains(out, "tag 0x1DD64CF flag 1 len 0")) << out;
    EXPECT_TRUE(contains(out, "  @5 tag 0x1796803 flag 0 len 1: 00000007")) << out;
    // Inside a payload (no file level) the end marker is an ordinary item.
    EXPECT_TRUE(contains(out, "tag 0x1FFFFFF flag 1 len 0")) << out;

    Words good = {H(0x1DD6404, 4), H(0x1796802, 1), 0x00003158, H(0x1796803, 1), 7, Tris::kEndMarker, 1, 2};
    const std::string file = Tris::dumpRawFile(Tris::wordsToBytes(good.data(), good.size()) + "ab");
    EXPECT_TRUE(contains(file, "record\n  @1 tag 0x1796802 flag 0 len 1: \"X1\"")) << file;
    EXPECT_TRUE(contains(file, "end marker (2 words after it are ignored)")) << file;
    EXPECT_TRUE(contains(file, "2 trailing bytes")) << file;

    const Words broken = {H(0x1DD6401, 1), 1, H(0x1DD6409, 63), 0xFFFFFFF0u};
    const std::string b = Tris::dumpRawItems(broken.data(), broken.size());
    EXPECT_TRUE(contains(b, "@2 BROKEN")) << b;
}

TEST(record_dump, TreeShowsLabelsUnitsChoicesAndUnknownItems) {
    setLanguage(true);
    Config c;
    c.dataCollection = 0x1CEB402;
    c.speedLimit.maximum = 3000.0;
    c.channels.resize(2);
    c.channels[1].sensitivity = 100.0;
    c.unknownWords = {H(0x1DD64F0, 1), 7};
    Tris::DumpOptions changed;
    changed.changedOnly = true;
    const std::string out = Tris::dumpRecordTree(c, changed);
    EXPECT_TRUE(contains(out, "unknown items (2 words)")) << out;
    EXPECT_TRUE(contains(out, "\"Version 2\"")) << out;
    EXPECT_TRUE(contains(out, "0x14BCC02 \"Maximum\" = 3000 min^-1")) << out;  // the holder's unit
    EXPECT_TRUE(contains(out, "list of Channel, 2 elements")) << out;
    EXPECT_TRUE(contains(out, "\"Vibration transducer sensitivity\" = 100 mV/G")) << out;
    EXPECT_FALSE(contains(out, "Language")) << out;
    setLanguage(false);
    c.balancingAccuracy = 0.25;
    const std::string ru = Tris::dumpRecordTree(c, changed);
    EXPECT_TRUE(contains(ru, "= 0,25")) << ru;
    const std::string all = Tris::dumpRecordTree(Config());
    EXPECT_TRUE(contains(all, "= да")) << all;
    EXPECT_TRUE(contains(all, "0x1C72847")) << all;
}

TEST(record_dump, GarbageNeverBreaksTheDump) {
    std::uint32_t x = 99;
    for (int round = 0; round < 300; ++round) {
        Words g(1 + round % 50);
        for (auto& v : g) {
            x = x * 1103515245u + 12345u;
            v = (x & 4) ? x : H(0x1DD6400 + (x >> 20) % 0x50, (x >> 8) % 64, x & 1);
        }
        const std::string out = Tris::dumpRawItems(g.data(), g.size());
        EXPECT_FALSE(out.empty());
        Config c;
        c.parse(g);
        Tris::dumpRecordTree(c);
    }
}

}  // namespace
