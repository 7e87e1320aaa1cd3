// The record stream: every field kind written and read back byte-exact,
// list commands, unknown items, excluded tags, malformed input and saving.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "platform/file_replace.h"
#include "records/field_table.h"
#include "records/record.h"

namespace {

using Words = std::vector<std::uint32_t>;

constexpr std::uint32_t kPairType = 0x1234400;
constexpr std::uint32_t kAllType = 0x1234800;
constexpr std::uint32_t T(std::uint32_t n) {
    return kAllType + n;
}

struct Pair : Tris::Record<Pair> {
    double a = 0.0;
    double b = 0.0;
    Pair() = default;
    Pair(double x, double y) : a(x), b(y) {}
    static const Tris::RecordTable& fields();
};

const Tris::RecordTable& Pair::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::real<&Pair::a>(kPairType + 1),
        Tris::real<&Pair::b>(kPairType + 2),
    };
    static const Tris::RecordTable t{kPairType, "Pair", f};
    return t;
}

struct All : Tris::Record<All> {
    std::uint32_t count = 5;
    std::int32_t offset = -1;
    std::int64_t stamp = 0;
    double ratio = 0.4;
    bool on = true;
    bool off = false;
    std::string name = "abc";
    std::string note;
    TextId mode = 0x1D9C401;
    Pair range{1.0, 2.0};
    std::vector<Pair> pairs;
    static const Tris::RecordTable& fields();
};

// Written in this order, which is deliberately not tag order for the last two.
const Tris::RecordTable& All::fields() {
    static const Tris::FieldDesc f[] = {
        Tris::u32<&All::count>(T(1)),
        Tris::i32<&All::offset>(T(2)),
        Tris::i64<&All::stamp>(T(3)),
        Tris::real<&All::ratio>(T(4)),
        Tris::flag<&All::on>(T(5)),
        Tris::flag<&All::off>(T(6)),
        Tris::text<&All::name>(T(7)),
        Tris::text<&All::note>(T(8)),
        Tris::choice<&All::mode>(T(9), 0x1D9C400),
        Tris::list<&All::pairs>(T(11)),
        Tris::record<&All::range>(T(10)),
    };
    static const Tris::RecordTable t{kAllType, "All", f};
    return t;
}

constexpr std::uint32_t H(std::uint32_t tag, std::uint32_t n, bool flag = false) {
    return Tris::makeHeader(tag, flag, n);
}

Words itemsOf(const Tris::Base& r) {
    return Tris::bytesToWords(r.serialize());
}

std::uint32_t lo(double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, 8);
    return static_cast<std::uint32_t>(u);
}
std::uint32_t hi(double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, 8);
    return static_cast<std::uint32_t>(u >> 32);
}

template <class R>
R readBack(const Words& w, bool* ok = nullptr) {
    R r;
    const bool res = r.parse(w);
    if (ok) *ok = res;
    return r;
}

class RecordStream : public ::testing::Test {
protected:
    void SetUp() override { Tris::clearExcludedTags(); }
    void TearDown() override { Tris::clearExcludedTags(); }
};

std::filesystem::path tempDir() {
    auto d = std::filesystem::temp_directory_path() /
             ("records_test_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(d);
    return d;
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

// ---------------------------------------------------------------------------

TEST_F(RecordStream, DefaultRecordWritesNothing) {
    All a;
    std::size_t words = 0;
    a.writeItems(nullptr, words, All());
    EXPECT_EQ(words, 0u);
    EXPECT_TRUE(a.serialize().empty());
}

TEST_F(RecordStream, ScalarKindsByteExact) {
    All a;
    a.count = 7;
    a.offset = -5;
    a.stamp = -2;
    a.ratio = 1.5;
    a.on = false;
    a.off = true;
    a.mode = 0x1D9C403;
    const Words expect = {
        H(T(1), 1), 7,       H(T(2), 1), 0xFFFFFFFB,        H(T(3), 2),       0xFFFFFFFE, 0xFFFFFFFF,
        H(T(4), 2), lo(1.5), hi(1.5),    H(T(5), 0, false), H(T(6), 0, true), H(T(9), 1), 2,
    };
    EXPECT_EQ(itemsOf(a), expect);
    // Little-endian on disk: the first header's low byte comes first.
    const std::string bytes = a.serialize();
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), H(T(1), 1) & 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[3]), H(T(1), 1) >> 24);

    bool ok = false;
    All b = readBack<All>(expect, &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(Tris::equalRecords(a, b));
    EXPECT_TRUE(b.unknownWords.empty());
}

TEST_F(RecordStream, DoubleEqualityRules) {
    All a;
    a.ratio = 0.4;
    EXPECT_TRUE(itemsOf(a).empty());
    All z;
    z.ratio = 0.0;
    All nz;
    nz.ratio = -0.0;
    std::size_t w = 0;
    nz.writeItems(nullptr, w, z);  // -0.0 equals 0.0: nothing
    EXPECT_EQ(w, 0u);
    All n;
    n.ratio = std::numeric_limits<double>::quiet_NaN();
    w = 0;
    n.writeItems(nullptr, w, n);  // NaN is written even against itself
    EXPECT_EQ(w, 3u);
}

TEST_F(RecordStream, StringForms) {
    All a;
    a.name = "";  // empty against a non-empty default: header n = 1 and one zero word
    a.note = "abcd";
    EXPECT_EQ(itemsOf(a), (Words{H(T(7), 1), 0, H(T(8), 2), 0x64636261, 0}));

    All s;
    s.note = std::string(247, 'x');
    Words w = itemsOf(s);
    ASSERT_EQ(w.size(), 63u);
    EXPECT_EQ(w[0], H(T(8), 62));
    EXPECT_EQ(w[62], 0x00787878u);

    s.note = std::string(248, 'y');
    w = itemsOf(s);
    ASSERT_EQ(w.size(), 65u);
    EXPECT_EQ(w[0], H(T(8), 63));
    EXPECT_EQ(w[1], 249u);
    EXPECT_EQ(w[64], 0u);  // the NUL and three padding bytes
    All back = readBack<All>(w);
    EXPECT_EQ(back.note, s.note);

    // Text up to the first NUL; a payload without NUL is taken whole.
    All t = readBack<All>({H(T(8), 2), 0x44434241, 0x00004645, H(T(7), 1), 0x64636261});
    EXPECT_EQ(t.note, "ABCDEF");
    EXPECT_EQ(t.name, "abcd");
    All e = readBack<All>({H(T(7), 0)});
    EXPECT_EQ(e.name, "");
    EXPECT_TRUE(e.unknownWords.empty());
}

TEST_F(RecordStream, NestedRecordAndListElements) {
    All a;
    a.range = Pair(1.0, 3.0);            // differs from the member default 1.0/2.0 in b only
    a.pairs = {Pair(), Pair(0.5, 0.0)};  // the first equals its default element
    const Words expect = {
        H(T(11), 0), H(T(11), 3), H(kPairType + 1, 2), lo(0.5), hi(0.5), H(T(10), 3), H(kPairType + 2, 2),
        lo(3.0),     hi(3.0),
    };
    EXPECT_EQ(itemsOf(a), expect);
    All b = readBack<All>(expect);
    EXPECT_TRUE(Tris::equalRecords(a, b));

    // A member equal to the default parent's member is not written, although
    // it differs from a Pair built alone.
    All d;
    EXPECT_TRUE(itemsOf(d).empty());
    // Three all-default elements: three empty items, read back as three.
    All three;
    three.pairs.resize(3);
    EXPECT_EQ(itemsOf(three), (Words{H(T(11), 0), H(T(11), 0), H(T(11), 0)}));
    EXPECT_EQ(readBack<All>(itemsOf(three)).pairs.size(), 3u);
}

TEST_F(RecordStream, NestedEscapeForm) {
    All a;
    a.pairs.resize(1);
    Pair big(1.0, 2.0);
    big.unknownWords.assign(57, 0);  // 57 + 3 + 3 = 63 words: escape form
    a.pairs[0] = big;
    const Words w = itemsOf(a);
    ASSERT_EQ(w.size(), 65u);
    EXPECT_EQ(w[0], H(T(11), 63));
    EXPECT_EQ(w[1], 63u * 4);
    EXPECT_EQ(w[2], 0u);
    bool ok = false;
    All b = readBack<All>(w, &ok);
    // 57 zero words are 57 items of tag 0, each refused and kept.
    EXPECT_TRUE(ok);
    EXPECT_TRUE(Tris::equalRecords(a, b));
}

TEST_F(RecordStream, ListCommands) {
    All a;
    a.pairs = {Pair(1, 0), Pair(2, 0), Pair(3, 0)};
    Words w = itemsOf(a);
    Words erase = w;
    erase.insert(erase.end(), {H(T(11), 2), Tris::kListErase, 1});
    All b = readBack<All>(erase);
    ASSERT_EQ(b.pairs.size(), 2u);
    EXPECT_EQ(b.pairs[0].a, 1.0);
    EXPECT_EQ(b.pairs[1].a, 3.0);
    EXPECT_TRUE(b.unknownWords.empty());

    // An erase beyond the list is refused and kept among the unknown words.
    Words bad = w;
    bad.insert(bad.end(), {H(T(11), 2), Tris::kListErase, 5});
    All c = readBack<All>(bad);
    EXPECT_EQ(c.pairs.size(), 3u);
    EXPECT_EQ(c.unknownWords, (Words{H(T(11), 2), Tris::kListErase, 5}));
    // ... and written back first.
    Words again = itemsOf(c);
    EXPECT_EQ(Words(again.begin(), again.begin() + 3), (Words{H(T(11), 2), Tris::kListErase, 5}));

    // An erase at exactly the length is refused too.
    Words edge = w;
    edge.insert(edge.end(), {H(T(11), 2), Tris::kListErase, 3});
    EXPECT_EQ(readBack<All>(edge).pairs.size(), 3u);

    Words clear = w;
    clear.insert(clear.end(), {H(T(11), 1), Tris::kListClear});
    All d = readBack<All>(clear);
    EXPECT_TRUE(d.pairs.empty());
    EXPECT_TRUE(d.unknownWords.empty());
}

TEST_F(RecordStream, DamagedListElementDoesNotMultiply) {
    // An element whose inner item runs past the element's payload.
    const Words file = {H(T(11), 2), H(kPairType + 1, 2), lo(1.0)};
    bool ok = true;
    All a = readBack<All>(file, &ok);
    EXPECT_TRUE(ok);  // the outer stream is whole
    EXPECT_TRUE(a.pairs.empty());
    EXPECT_EQ(a.unknownWords, file);
    // Save and load cycles keep exactly one copy.
    Words w = itemsOf(a);
    for (int i = 0; i < 3; ++i) {
        All b = readBack<All>(w);
        w = itemsOf(b);
    }
    EXPECT_EQ(w, file);
}

TEST_F(RecordStream, DamagedNestedRecordKeepsMember) {
    const Words file = {H(T(10), 4), H(kPairType + 2, 2), lo(9.0), hi(9.0), H(kPairType + 1, 5)};
    All a = readBack<All>(file);
    EXPECT_EQ(a.range.a, 1.0);
    EXPECT_EQ(a.range.b, 2.0);
    EXPECT_EQ(a.unknownWords, file);
    EXPECT_EQ(itemsOf(a), file);
}

TEST_F(RecordStream, WrongSizesAreRefusedAndKeptFirst) {
    const Words file = {
        H(T(1), 2),       1, 2,      // u32 with two words
        H(T(4), 1),       7,         // double with one word
        H(T(3), 3),       1, 2,  3,  // i64 with three words
        H(T(9), 0),                  // choice without a word
        H(T(6), 1, true), 9,         // bool with a payload: the flag is taken, the item kept
        H(T(9), 2),       4, 99,     // choice with extra words: taken
        H(0, 0),                     // tag 0
        H(T(40), 1),      3,         // unknown tag
    };
    All a = readBack<All>(file);
    EXPECT_EQ(a.count, 5u);
    EXPECT_EQ(a.ratio, 0.4);
    EXPECT_TRUE(a.off);
    EXPECT_EQ(a.mode, 0x1D9C405u);
    const Words kept = {H(T(1), 2),       1, 2,       H(T(4), 1),  7, H(T(3), 3), 1, 2, 3, H(T(9), 0),
                        H(T(6), 1, true), 9, H(0, 0), H(T(40), 1), 3};
    EXPECT_EQ(a.unknownWords, kept);
    Words out = kept;
    out.insert(out.end(), {H(T(6), 0, true), H(T(9), 1), 4});
    EXPECT_EQ(itemsOf(a), out);
}

TEST_F(RecordStream, EscapeWithZeroLengthIsKeptWithItsLengthWord) {
    const Words file = {H(T(40), 63), 0, H(T(1), 1), 8};
    All a = readBack<All>(file);
    EXPECT_EQ(a.count, 8u);
    EXPECT_EQ(a.unknownWords, (Words{H(T(40), 63), 0}));
}

TEST_F(RecordStream, ExcludedTags) {
    All a;
    a.count = 9;
    a.note = "n";
    Tris::excludeTag(T(1));
    EXPECT_EQ(itemsOf(a), (Words{H(T(8), 1), 0x6E}));
    a.unknownWords = {H(T(40), 0)};
    Tris::excludeTag(kAllType);  // the whole record, unknown words included
    EXPECT_TRUE(itemsOf(a).empty());
    Tris::clearExcludedTags();
    EXPECT_EQ(itemsOf(a).size(), 5u);

    // An excluded nested type writes nothing; as a list element it is an empty item.
    All b;
    b.range = Pair(5, 5);
    b.pairs = {Pair(1, 1)};
    Tris::excludeTag(kPairType);
    EXPECT_EQ(itemsOf(b), (Words{H(T(11), 0)}));
}

TEST_F(RecordStream, MalformedInputFailsCleanly) {
    bool ok = true;
    // A truncated payload.
    All a = readBack<All>({H(T(1), 1), 3, H(T(4), 2), 1}, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(a.count, 3u);  // what was read before stays
    // A huge byte length: no allocation, no read past the end.
    readBack<All>({H(T(8), 63), 0xFFFFFFF0u, 1, 2}, &ok);
    EXPECT_FALSE(ok);
    readBack<All>({H(T(8), 63), 0xFFFFFFFFu}, &ok);
    EXPECT_FALSE(ok);
    // The escape length word missing.
    readBack<All>({H(T(8), 63)}, &ok);
    EXPECT_FALSE(ok);
    // A nested item running past its parent: the parent refuses the element.
    All n = readBack<All>({H(T(10), 1), H(kPairType + 1, 2), H(T(1), 1), 4}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(n.count, 4u);
    EXPECT_EQ(n.unknownWords, (Words{H(T(10), 1), H(kPairType + 1, 2)}));
    // Every prefix of a valid stream is handled without a fault.
    All full;
    full.note = std::string(300, 'q');
    full.pairs = {Pair(1, 2), Pair(3, 4)};
    full.range = Pair(7, 8);
    const Words w = itemsOf(full);
    for (std::size_t len = 0; len <= w.size(); ++len) {
        All p;
        const bool r = p.parse(w.data(), len);
        // The string item is first and takes 78 words (header, length, 76):
        // a cut inside it is a failure.
        if (len > 0 && len < 78) {
            EXPECT_FALSE(r) << len;
        } else if (len == 78 || len == w.size()) {
            EXPECT_TRUE(r) << len;
        }
    }
    // Random garbage never crashes.
    std::uint32_t x = 12345;
    for (int round = 0; round < 200; ++round) {
        Words g(1 + round % 40);
        for (auto& v : g) {
            x = x * 1664525u + 1013904223u;
            v = x;
            if ((x >> 7) % 3 == 0) v = H(T(1 + (x >> 12) % 12), (x >> 20) % 64, (x >> 27) & 1);
        }
        All r;
        r.parse(g);
        r.serialize();
    }
}

TEST_F(RecordStream, AccessFieldReadsAndSets) {
    All a;
    a.pairs = {Pair(0.25, 0)};
    unsigned lastKind = 0;
    std::string lastText;
    double lastNum = 0;
    std::uint64_t lastInt = 0;
    Tris::FieldReport rep = [&](unsigned kind, const char* text, double num, std::uint64_t i) {
        lastKind = kind;
        lastText = text ? text : "<null>";
        lastNum = num;
        lastInt = i;
        return 77u;
    };
    std::uint32_t p[3] = {T(7), 0, 0};
    EXPECT_EQ(a.accessField(p, 1, rep, nullptr), 77u);
    EXPECT_EQ(lastKind, 1u);
    EXPECT_EQ(lastText, "abc");
    EXPECT_EQ(a.accessField(p, 1, {}, nullptr), 1u);
    p[0] = T(4);
    EXPECT_EQ(a.accessField(p, 1, {}, nullptr), 2u);
    a.accessField(p, 1, rep, nullptr);
    EXPECT_EQ(lastKind, 2u);
    EXPECT_EQ(lastNum, 0.4);
    EXPECT_EQ(lastText, "<null>");
    p[0] = T(2);
    a.accessField(p, 1, rep, nullptr);
    EXPECT_EQ(lastKind, 3u);
    EXPECT_EQ(lastInt, 0xFFFFFFFFFFFFFFFFull);  // -1 sign-extended
    p[0] = T(5);
    EXPECT_EQ(a.accessField(p, 1, rep, nullptr), 5u);
    p[0] = T(6);
    EXPECT_EQ(a.accessField(p, 1, rep, nullptr), 6u);
    p[0] = T(9);
    EXPECT_EQ(a.accessField(p, 1, rep, nullptr), 0x1D9C401u);
    p[0] = T(40);
    EXPECT_EQ(a.accessField(p, 1, rep, nullptr), 0u);
    p[0] = 0;
    EXPECT_EQ(a.accessField(p, 1, rep, nullptr), 0u);
    EXPECT_EQ(a.accessField(p, 0, rep, "1"), 0u);

    // Setting.
    p[0] = T(1);
    EXPECT_EQ(a.accessField(p, 1, {}, "7.9"), 1u);
    EXPECT_EQ(a.count, 7u);
    EXPECT_EQ(a.accessField(p, 1, {}, "abc"), 1u);
    EXPECT_EQ(a.count, 0u);
    p[0] = T(4);
    a.accessField(p, 1, {}, " 2.5e1xyz");
    EXPECT_EQ(a.ratio, 25.0);
    p[0] = T(3);
    a.accessField(p, 1, {}, "1e10");
    EXPECT_EQ(a.stamp, 10000000000);
    a.accessField(p, 1, rep, nullptr);
    EXPECT_EQ(lastKind, 3u);
    EXPECT_EQ(lastInt, 10000000000ull);
    p[0] = T(8);
    a.accessField(p, 1, {}, "text");
    EXPECT_EQ(a.note, "text");
    // Flags and choices take the path's second word.
    p[0] = T(6);
    EXPECT_EQ(a.accessField(p, 1, {}, ""), 0u);
    EXPECT_FALSE(a.off);
    p[1] = 1;
    EXPECT_EQ(a.accessField(p, 2, {}, ""), 1u);
    EXPECT_TRUE(a.off);
    p[0] = T(9);
    p[1] = 0x1D9C402;
    EXPECT_EQ(a.accessField(p, 1, {}, ""), 0u);
    EXPECT_EQ(a.accessField(p, 2, {}, ""), 1u);
    EXPECT_EQ(a.mode, 0x1D9C402u);
    // Through a member and a list element.
    std::uint32_t m[3] = {T(10), kPairType + 2, 0};
    EXPECT_EQ(a.accessField(m, 2, {}, "4"), 1u);
    EXPECT_EQ(a.range.b, 4.0);
    EXPECT_EQ(a.accessField(m, 2, {}, nullptr), 2u);
    EXPECT_EQ(a.accessField(m, 1, {}, nullptr), 0u);  // a path naming a member
    std::uint32_t l[3] = {T(11), 0, kPairType + 1};
    a.accessField(l, 3, rep, nullptr);
    EXPECT_EQ(lastNum, 0.25);
    EXPECT_EQ(a.accessField(l, 3, {}, "8"), 1u);
    EXPECT_EQ(a.pairs[0].a, 8.0);
    l[1] = 1;  // beyond the list
    EXPECT_EQ(a.accessField(l, 3, rep, nullptr), 0u);
    EXPECT_EQ(a.accessField(l, 3, {}, "1"), 0u);
    EXPECT_EQ(a.accessField(l, 1, {}, nullptr), 0u);
    l[1] = 0;
    l[2] = kPairType + 9;
    EXPECT_EQ(a.accessField(l, 3, {}, "1"), 0u);
}

TEST_F(RecordStream, IntegersFromTextAreClamped) {
    EXPECT_EQ(Tris::parseU32("-3"), 0u);
    EXPECT_EQ(Tris::parseU32("1e30"), 4294967295u);
    EXPECT_EQ(Tris::parseU32("nan"), 0u);
    EXPECT_EQ(Tris::parseU32("4294967295.9"), 4294967295u);
    EXPECT_EQ(Tris::parseI32("-3.7"), -3);
    EXPECT_EQ(Tris::parseI32("-1e30"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(Tris::parseI32("1e30"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(Tris::parseI32("inf"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(Tris::parseI64("1e19"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Tris::parseI64("-1e19"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(Tris::parseI64("nan"), 0);
    EXPECT_EQ(Tris::parseNumber("1,5"), 1.0);  // decimal comma is not a number part
    EXPECT_EQ(Tris::parseNumber("0x10"), 16.0);
    EXPECT_EQ(Tris::parseNumber(""), 0.0);
    EXPECT_EQ(Tris::parseNumber(nullptr), 0.0);
}

TEST_F(RecordStream, CopiesAreDeep) {
    All a;
    a.pairs = {Pair(1, 2)};
    a.unknownWords = {H(T(40), 0)};
    a.range.unknownWords = {H(kPairType + 7, 0)};
    All b = a;
    EXPECT_TRUE(Tris::equalRecords(a, b));
    b.pairs[0].a = 3;
    EXPECT_EQ(a.pairs[0].a, 1.0);
    EXPECT_FALSE(Tris::equalRecords(a, b));
    b = a;
    b.range.unknownWords.clear();
    EXPECT_FALSE(Tris::equalRecords(a, b));
    std::unique_ptr<Tris::Base> c = a.clone();
    EXPECT_TRUE(Tris::equalRecords(a, *c));
    EXPECT_FALSE(Tris::equalRecords(a, Pair()));
}

TEST_F(RecordStream, FileLevelEndMarker) {
    const auto dir = tempDir();
    const auto path = (dir / "m.rec").string();
    // Items, the end marker, garbage.
    const Words w = {H(T(1), 1), 9, Tris::kEndMarker, H(T(1), 1), 10, 0xDEADBEEF};
    writeFile(path, Tris::wordsToBytes(w.data(), w.size()));
    All a;
    EXPECT_TRUE(a.load(path));
    EXPECT_EQ(a.count, 9u);
    EXPECT_TRUE(a.unknownWords.empty());
    // Inside a nested payload (parse) the marker is just an unknown item.
    All b = readBack<All>({Tris::kEndMarker, H(T(1), 1), 10});
    EXPECT_EQ(b.count, 10u);
    EXPECT_EQ(b.unknownWords, (Words{Tris::kEndMarker}));
    std::filesystem::remove_all(dir);
}

TEST_F(RecordStream, LoadEdgeCases) {
    const auto dir = tempDir();
    const auto path = (dir / "e.rec").string();
    All a;
    EXPECT_FALSE(a.load((dir / "missing").string()));
    writeFile(path, "");
    EXPECT_TRUE(a.load(path));
    // A header cut short at the end is the end.
    std::string bytes = Tris::wordsToBytes(Words{H(T(1), 1), 6}.data(), 2) + std::string("\x01\x02", 2);
    writeFile(path, bytes);
    All b;
    EXPECT_TRUE(b.load(path));
    EXPECT_EQ(b.count, 6u);
    // A payload cut short (even by a partial word) is a failure.
    bytes = Tris::wordsToBytes(Words{H(T(4), 2), 1}.data(), 2) + std::string("\x01\x02", 2);
    writeFile(path, bytes);
    EXPECT_FALSE(All().load(path));
    // A huge length word in an 8-byte file.
    writeFile(path, Tris::wordsToBytes(Words{H(T(8), 63), 0xFFFFFFF0u}.data(), 2));
    EXPECT_FALSE(All().load(path));
    // A directory cannot be loaded.
    EXPECT_FALSE(All().load(dir.string()));
    std::filesystem::remove_all(dir);
}

TEST_F(RecordStream, SaveAndLoadRoundTrip) {
    const auto dir = tempDir();
    const auto path = (dir / "r.rec").string();
    All def;
    ASSERT_TRUE(def.save(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);

    All a;
    a.note = std::string(500, 'z');
    a.pairs = {Pair(), Pair(1, 1)};
    a.range = Pair(0, 0);
    a.stamp = std::numeric_limits<std::int64_t>::min();
    a.unknownWords = {H(T(40), 1), 42};
    ASSERT_TRUE(a.save(path));
    All b;
    ASSERT_TRUE(b.load(path));
    EXPECT_TRUE(Tris::equalRecords(a, b));
    const std::string first = readFile(path);
    ASSERT_TRUE(b.save(path));
    EXPECT_EQ(readFile(path), first);
    // The unknown item is first in the file.
    const Words w = Tris::bytesToWords(first);
    EXPECT_EQ(w[0], H(T(40), 1));
    EXPECT_EQ(w[1], 42u);
    std::filesystem::remove_all(dir);
}

long failingWrite(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

TEST_F(RecordStream, FailedSaveKeepsOldFile) {
    const auto dir = tempDir();
    const auto path = (dir / "keep.rec").string();
    All a;
    a.count = 1;
    ASSERT_TRUE(a.save(path));
    const std::string old = readFile(path);

    All b;
    b.note = "new content";
    platform::setReplaceFileWriter(&failingWrite);
    std::string err;
    EXPECT_FALSE(b.save(path, &err));
    platform::setReplaceFileWriter(nullptr);
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(readFile(path), old);
    // No temporary file is left beside it.
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1u);

    // A target in a missing folder, and a target that is a folder.
    EXPECT_FALSE(b.save((dir / "no" / "such.rec").string()));
    std::filesystem::create_directories(dir / "adir");
    EXPECT_FALSE(b.save((dir / "adir").string()));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "adir"));
    std::filesystem::remove_all(dir);
}

TEST_F(RecordStream, BaseDoesNothing) {
    Tris::Base b;
    std::uint32_t p = 5;
    EXPECT_EQ(b.accessField(&p, 1, {}, nullptr), 0u);
    EXPECT_FALSE(b.takeItem(5, nullptr, 0, false));
    std::size_t w = 0;
    b.writeItems(nullptr, w, b);
    EXPECT_EQ(w, 0u);
    EXPECT_FALSE(b.save("/tmp/never-written"));
    EXPECT_TRUE(b.parse({H(5, 0)}));
    EXPECT_EQ(b.unknownWords, (Words{H(5, 0)}));
    EXPECT_EQ(b.table(), nullptr);
}

TEST_F(RecordStream, ItemReaderReportsForms) {
    const Words w = {H(T(1), 1, true), 5, H(T(8), 63), 5, 0x41414141, 0x41, H(T(2), 3), 1};
    Tris::ItemReader r(w.data(), w.size());
    Tris::Item it;
    ASSERT_EQ(r.next(it), Tris::ItemReader::kItem);
    EXPECT_EQ(it.tag, T(1));
    EXPECT_TRUE(it.flag);
    EXPECT_EQ(it.payloadWords, 1u);
    ASSERT_EQ(r.next(it), Tris::ItemReader::kItem);
    EXPECT_TRUE(it.hasLengthWord);
    EXPECT_EQ(it.lengthWord, 5u);
    EXPECT_EQ(it.payloadWords, 2u);
    EXPECT_EQ(Tris::payloadText(it.payload, it.payloadWords), "AAAAA");
    EXPECT_EQ(r.next(it), Tris::ItemReader::kBroken);
    EXPECT_EQ(r.position(), 6u);
}

}  // namespace
