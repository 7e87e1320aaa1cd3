#include "files/update_unpack.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "files/lzma_alone.h"
#include "support/hostile_files.h"
#include "support/native_program.h"
#include "support/watchdog.h"
#include "support/work_dir.h"

namespace fs = std::filesystem;
using testwd::readFile;
using testwd::writeFile;

namespace {

struct update : ::testing::Test {
    testwd::WorkDir wd;
};

std::string sampleProgram(std::size_t size) {
    std::string s = testsupport::nativeProgram("");
    std::mt19937 rng(7);
    while (s.size() < size) {
        s += "ELF-ish section ";
        s += std::to_string(rng() % 1000);
        s.push_back(static_cast<char>(rng() & 0xFF));
    }
    s.resize(size);
    return s;
}

std::string pack(const std::string& data) {
    std::string out;
    EXPECT_TRUE(lzmaAloneEncode(data, out));
    return out;
}

void setDeclared(std::string& packed, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) packed[5 + i] = static_cast<char>(v >> (8 * i));
}

bool haveXz() {
    return std::system("xz --version >/dev/null 2>&1") == 0;
}

}  // namespace

TEST_F(update, PackageUnpacksByteIdenticalAndExecutable) {
    const std::string program = sampleProgram(200000);
    const std::string packed = pack(program);
    EXPECT_LT(packed.size(), program.size());
    EXPECT_EQ(static_cast<unsigned char>(packed[0]), 0x5D);  // lc=3 lp=0 pb=2
    writeFile("app.kst", packed);
    writeFile("kestrune.new", "older");
    std::string reason;
    ASSERT_TRUE(unpackUpdateFile("app.kst", &reason)) << reason;
    EXPECT_EQ(readFile("kestrune.new"), program);
    struct stat st {};
    ASSERT_EQ(::stat("kestrune.new", &st), 0);
    EXPECT_NE(st.st_mode & S_IXUSR, 0u);
    for (auto& e : fs::directory_iterator("."))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos);
}

TEST_F(update, SizeGateOnThePackedFile) {
    // Exactly 16 MiB passes the gate (then fails as damaged data, but is read);
    // one byte more is refused before reading.
    std::string header = pack("x");
    testwd::makeSparse("big.kst", kUpdateMaxPacked);
    {
        std::FILE* f = std::fopen("big.kst", "r+b");
        ASSERT_NE(f, nullptr);
        std::fwrite(header.data(), 1, 13, f);
        std::fclose(f);
    }
    std::string reason;
    EXPECT_FALSE(unpackUpdateFile("big.kst", &reason));
    EXPECT_EQ(reason.find("too large"), std::string::npos) << reason;
    testwd::makeSparse("bigger.kst", kUpdateMaxPacked + 1);
    EXPECT_FALSE(unpackUpdateFile("bigger.kst", &reason));
    EXPECT_NE(reason.find("too large"), std::string::npos) << reason;
    EXPECT_FALSE(fs::exists("kestrune.new"));
}

TEST_F(update, DeclaredSizeLimitsAndShortFiles) {
    std::string packed = pack(sampleProgram(1000));
    std::string reason;
    std::string big = packed;
    setDeclared(big, kUpdateMaxUnpacked + 1);
    writeFile("a.kst", big);
    EXPECT_FALSE(unpackUpdateFile("a.kst", &reason));
    EXPECT_NE(reason.find("too large"), std::string::npos) << reason;

    for (std::size_t n = 0; n < 18; ++n) {
        writeFile("s.kst", packed.substr(0, n));
        EXPECT_FALSE(unpackUpdateFile("s.kst", &reason)) << n;
    }
    EXPECT_FALSE(unpackUpdateFile("missing.kst"));
    EXPECT_FALSE(unpackUpdateFile(nullptr));
    fs::create_directory("dir.kst");
    EXPECT_FALSE(unpackUpdateFile("dir.kst"));
    EXPECT_FALSE(fs::exists("kestrune.new"));
}

TEST_F(update, DamagedStreamsAreRefusedAndKeepTheOlderProgram) {
    const std::string program = sampleProgram(50000);
    const std::string packed = pack(program);
    writeFile("kestrune.new", "older program");

    std::vector<std::string> bad;
    bad.push_back(packed.substr(0, packed.size() / 2));  // truncated
    bad.push_back(packed.substr(0, packed.size() - 1));  // one byte short
    std::string s = packed;
    setDeclared(s, program.size() + 1);  // announces one more byte
    bad.push_back(s);
    s = packed;
    setDeclared(s, program.size() - 1);  // announces one less
    bad.push_back(s);
    s = packed;
    setDeclared(s, program.size() | (1ull << 32));  // non-zero high word
    bad.push_back(s);
    s = packed;
    setDeclared(s, ~0ull);  // unknown size, as xz writes it
    bad.push_back(s);
    s = packed;
    setDeclared(s, 0);  // empty program
    bad.push_back(s);
    s = packed;
    s[0] = static_cast<char>(0xE1);  // properties out of range
    bad.push_back(s);
    s = packed;
    for (std::size_t i = 40; i < s.size(); i += 97) s[i] = static_cast<char>(s[i] ^ 0x5A);  // corrupt data
    bad.push_back(s);
    bad.push_back(pack("hello, world\n"));  // whole, but no program
    for (std::size_t at : {4, 18}) {         // a program of the other word size, of another processor
        s = program;
        s[at] = static_cast<char>(s[at] ^ 3);
        bad.push_back(pack(s));
    }

    for (std::size_t i = 0; i < bad.size(); ++i) {
        writeFile("bad.kst", bad[i]);
        std::string reason;
        EXPECT_FALSE(unpackUpdateFile("bad.kst", &reason)) << "case " << i;
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(readFile("kestrune.new"), "older program") << "case " << i;
    }
    for (auto& e : fs::directory_iterator("."))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos);
}

TEST_F(update, UnwritableTargetIsAFailure) {
    const std::string packed = pack(sampleProgram(100));
    writeFile("p.kst", packed);
    fs::create_directories("kestrune.new/inside");  // a folder where the file goes
    std::string reason;
    EXPECT_FALSE(unpackUpdateFile("p.kst", &reason));
    EXPECT_TRUE(fs::is_directory("kestrune.new/inside"));
}

TEST_F(update, XzInteroperability) {
    if (!haveXz()) GTEST_SKIP() << "xz not installed";
    const std::string program = sampleProgram(70000);
    writeFile("ours.lzma", pack(program));
    ASSERT_EQ(std::system("xz --format=lzma -dc ours.lzma > ours.out 2>/dev/null"), 0);
    EXPECT_EQ(readFile("ours.out"), program);

    // xz writes the "unknown size" form: refused as an update.
    writeFile("plain.bin", program);
    ASSERT_EQ(std::system("xz --format=lzma -c plain.bin > xz.kst 2>/dev/null"), 0);
    std::string reason;
    EXPECT_FALSE(unpackUpdateFile("xz.kst", &reason));
    EXPECT_FALSE(fs::exists("kestrune.new"));
}

TEST_F(update, EncodeDecodeRoundTripSizes) {
    for (std::size_t n : {std::size_t(1), std::size_t(4096), std::size_t(300001)}) {
        const std::string data = sampleProgram(n);
        const std::string packed = pack(data);
        std::vector<unsigned char> out;
        std::string reason;
        ASSERT_TRUE(lzmaAloneDecode(reinterpret_cast<const unsigned char*>(packed.data()), packed.size(),
                                    1u << 30, out, &reason))
            << n << " " << reason;
        EXPECT_EQ(std::string(out.begin(), out.end()), data);
        EXPECT_FALSE(lzmaAloneDecode(reinterpret_cast<const unsigned char*>(packed.data()), packed.size(),
                                     n - 1, out));
    }
    // A writer that fails makes the encoding fail.
    std::size_t budget = 20;
    LzmaWriter failing = [&](const void*, std::size_t size) {
        std::size_t n = size <= budget ? size : 0;
        budget -= n;
        return n;
    };
    std::string data = sampleProgram(100000);
    std::size_t pos = 0;
    LzmaSource src = [&](void* buf, std::size_t* size) {
        std::size_t n = std::min(*size, data.size() - pos);
        std::copy(data.data() + pos, data.data() + pos + n, static_cast<char*>(buf));
        pos += n;
        *size = n;
        return true;
    };
    EXPECT_FALSE(lzmaAloneEncode(failing, src, data.size()));
}

struct BoundedReads : update {};

// An update package that is a pipe, a device or huge is refused at once, its
// reason logged, nothing written.
TEST_F(BoundedReads, UpdatePackageRefusesHostileFiles) {
    fs::create_directory("logs");
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(testsupport::kHostileFiles[k]);
        ASSERT_TRUE(testsupport::makeHostileFile(k, "hostile.kst"));
        std::string reason;
        EXPECT_FALSE(testsupport::mustEnd("unpack", [&] { return unpackUpdateFile("hostile.kst", &reason); }));
        EXPECT_FALSE(fs::exists("kestrune.new"));
        EXPECT_NE(readFile("logs/dbr.log").find("Unpack update hostile.kst error: " + reason), std::string::npos);
    }
}
