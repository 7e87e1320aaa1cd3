#include "files/log_archive.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "files/lzma_alone.h"
#include "support/hostile_files.h"
#include "support/watchdog.h"
#include "support/work_dir.h"
#include "platform/removable.h"

namespace fs = std::filesystem;
using testwd::readFile;
using testwd::writeFile;

namespace {

std::time_t archiveTime() {
    return 1674655387;
}  // 2023-01-25 14:03:07 UTC

struct TarItem {
    std::string name;
    std::uint64_t size = 0;
    std::uint64_t mtime = 0;
    std::string data;
};

std::uint64_t octal(const unsigned char* p, std::size_t n) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n && p[i] >= '0' && p[i] <= '7'; ++i) v = v * 8 + (p[i] - '0');
    return v;
}

// A small tar reader: checks checksums and padding, requires the end blocks
// exactly at the end of the stream.
bool readTar(const std::string& tar, std::vector<TarItem>& items, std::string& why) {
    items.clear();
    std::size_t pos = 0;
    const auto* b = reinterpret_cast<const unsigned char*>(tar.data());
    while (true) {
        if (pos + 512 > tar.size()) return why = "no end blocks", false;
        bool zero = true;
        for (std::size_t i = 0; i < 512; ++i) zero = zero && b[pos + i] == 0;
        if (zero) {
            if (pos + 1024 != tar.size()) return why = "end blocks not at the end", false;
            for (std::size_t i = 512; i < 1024; ++i)
                if (b[pos + i]) return why = "second end block not zero", false;
            return true;
        }
        unsigned sum = 0;
        for (std::size_t i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? ' ' : b[pos + i];
        if (octal(b + pos + 148, 6) != sum) return why = "checksum", false;
        if (std::memcmp(b + pos + 257, "ustar  ", 8) != 0) return why = "magic", false;
        TarItem it;
        it.name = reinterpret_cast<const char*>(b + pos);
        it.size = octal(b + pos + 124, 11);
        it.mtime = octal(b + pos + 136, 11);
        pos += 512;
        if (pos + it.size > tar.size()) return why = "data cut", false;
        it.data = tar.substr(pos, it.size);
        pos += it.size;
        std::size_t pad = (512 - it.size % 512) % 512;
        for (std::size_t i = 0; i < pad; ++i)
            if (pos + i >= tar.size() || b[pos + i]) return why = "padding", false;
        pos += pad;
        items.push_back(it);
    }
}

struct logarchive : ::testing::Test {
    void SetUp() override {
        usb = (wd.path() / "usb").string();
        fs::create_directories(usb + "/kestrune");
        platform::setRemovableRoots({(wd.path() / "none").string(), usb});
        setArchiveClock(&archiveTime);
        setArchiveSpaceQuery([this](const std::string&, std::uint64_t& a) {
            a = space;
            return true;
        });
        if (const char* tz = std::getenv("TZ")) oldTz = tz, hadTz = true;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        fs::create_directory("logs");
    }
    void TearDown() override {
        platform::clearRemovableRoots();
        setArchiveClock(nullptr);
        setArchiveSpaceQuery(nullptr);
        setArchiveListedHook(nullptr);
        if (hadTz)
            ::setenv("TZ", oldTz.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    std::string archivePath() const { return usb + "/kestrune/logs/20230125140307.logs"; }

    // Runs the export; on success decodes the archive into the tar stream.
    int run(std::string* tar = nullptr, int* lastPercent = nullptr) {
        std::atomic<int> result{0}, percent{-1};
        exportLogsArchive(&result, &percent);
        if (lastPercent) *lastPercent = percent.load();
        if (result.load() == 1 && tar) {
            std::string packed = readFile(archivePath());
            std::vector<unsigned char> out;
            std::string why;
            EXPECT_TRUE(lzmaAloneDecode(reinterpret_cast<const unsigned char*>(packed.data()), packed.size(),
                                        1u << 30, out, &why))
                << why;
            *tar = std::string(out.begin(), out.end());
        }
        return result.load();
    }
    testwd::WorkDir wd;
    std::string usb;
    std::uint64_t space = 1ull << 40;
    std::string oldTz;
    bool hadTz = false;
};

}  // namespace

TEST_F(logarchive, EmptyLogsGiveOnlyTheEndBlocks) {
    std::string tar;
    int pc = -1;
    ASSERT_EQ(run(&tar, &pc), 1);
    EXPECT_EQ(tar, std::string(1024, '\0'));
    EXPECT_EQ(pc, 100);
    // Without a "logs" folder at all the same.
    fs::remove("logs");
    ASSERT_EQ(run(&tar), 1);
    EXPECT_EQ(tar, std::string(1024, '\0'));
}

TEST_F(logarchive, PaddingAndContents) {
    writeFile("logs/a.log", std::string(512, 'a'));
    writeFile("logs/b.log", std::string(513, 'b'));
    writeFile(".cfg", "settings");
    fs::create_directories("logs/sub");  // skipped
    fs::create_directories("history");
    writeFile("history/R1_a20230101", "first");
    writeFile("history/R2_a20230102", "second");
    std::string tar;
    ASSERT_EQ(run(&tar), 1);
    std::vector<TarItem> items;
    std::string why;
    ASSERT_TRUE(readTar(tar, items, why)) << why;
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].name, "a.log");
    EXPECT_EQ(items[0].data, std::string(512, 'a'));
    EXPECT_EQ(items[1].name, "b.log");
    EXPECT_EQ(items[1].data, std::string(513, 'b'));
    EXPECT_EQ(items[2].name, ".cfg");
    EXPECT_EQ(items[2].data, "settings");
    EXPECT_EQ(items[3].name, "R2_a20230102");
    EXPECT_EQ(items[3].data, "second");
    // 512 bytes: no padding; 513: 511 zero bytes.
    EXPECT_EQ(tar.size(), 512 + 512 + 512 + 1024 + 512 + 512 + 512 + 512 + 1024u);
    // The archive's header carries the tar stream's exact size, all 64 bits.
    std::string packed = readFile(archivePath());
    std::uint64_t declared = 0;
    for (int i = 7; i >= 0; --i) declared = (declared << 8) | static_cast<unsigned char>(packed[5 + i]);
    EXPECT_EQ(declared, tar.size());
}

TEST_F(logarchive, HeaderIsByteExact) {
    LogArchiveEntry e{"logs/engine.log", 1234, 1674655387};
    unsigned char h[512];
    makeTarHeader(e, h);
    unsigned char x[512] = {};
    std::memcpy(x, "engine.log", 10);
    std::memcpy(x + 100, "0000777", 8);
    std::memcpy(x + 108, "0000000", 8);
    std::memcpy(x + 116, "0000000", 8);
    std::memcpy(x + 124, "00000002322", 12);
    std::snprintf(reinterpret_cast<char*>(x + 136), 12, "%011llo", 1674655387ull);
    x[156] = '0';
    std::memcpy(x + 257, "ustar  ", 8);
    unsigned sum = 0;
    for (int i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? ' ' : x[i];
    std::snprintf(reinterpret_cast<char*>(x + 148), 7, "%06o", sum);
    x[155] = ' ';
    EXPECT_EQ(std::memcmp(h, x, 512), 0);

    // A time before 1970 is written as 0; a long name keeps its end, whole characters.
    e.mtime = -315619200;
    std::string longName;
    for (int i = 0; i < 40; ++i) longName += "\xD0\x96";  // 80 bytes
    longName += "_20230125140307.log";                    // 19 bytes -> 99
    longName = "\xD0\x96" + longName;                     // 101 bytes
    e.path = "logs/" + longName;
    makeTarHeader(e, h);
    EXPECT_EQ(octal(h + 136, 11), 0u);
    std::string name(reinterpret_cast<const char*>(h));
    EXPECT_EQ(name.size(), 99u);
    EXPECT_EQ(name, longName.substr(2));
    e.path = "logs/" + longName + "z";  // 102 bytes: the cut falls inside a character
    makeTarHeader(e, h);
    name = reinterpret_cast<const char*>(h);
    EXPECT_EQ(name, (longName + "z").substr(4));
}

TEST_F(logarchive, FreeSpaceLimit) {
    writeFile("logs/a.log", std::string(100, 'a'));
    writeFile(".cfg", std::string(600, 'c'));
    const std::uint64_t total = 512 + 512 + 512 + 1024;
    space = total + 4096;
    EXPECT_EQ(run(), 1);
    space = total + 4095;
    EXPECT_EQ(run(), -2);
}

TEST_F(logarchive, DriveProblems) {
    platform::setRemovableRoots({(wd.path() / "none").string()});
    EXPECT_EQ(run(), -1);
    platform::setRemovableRoots({usb});
    writeFile(usb + "/kestrune/logs", "a plain file where the folder goes");
    EXPECT_NE(logexport::systemError(run()), 0);
    fs::remove(usb + "/kestrune/logs");
    // The folder goes while the archive is written: the system's reason, no archive.
    setArchiveListedHook([&](const std::vector<LogArchiveEntry>&) {
        EXPECT_FALSE(fs::exists(archivePath()));
        fs::remove_all(usb + "/kestrune/logs");
        fs::create_directory(usb + "/kestrune/logs");
    });
    EXPECT_EQ(logexport::systemError(run()), ENOENT);
    EXPECT_FALSE(fs::exists(archivePath()));
    setArchiveSpaceQuery([](const std::string&, std::uint64_t&) { return false; });
    EXPECT_EQ(run(), -1);
}

TEST_F(logarchive, HistoryPick) {
    std::string chosen;
    EXPECT_FALSE(pickHistoryFiles(chosen));
    fs::create_directory("history");
    EXPECT_FALSE(pickHistoryFiles(chosen));
    writeFile("history/x_", "");
    writeFile("history/noscore", "");
    EXPECT_TRUE(pickHistoryFiles(chosen));  // "x_" compares as an empty part
    EXPECT_EQ(chosen, "history/x_");
    writeFile("history/x_a20230101", "");
    writeFile("history/x_a20230102", "");
    writeFile("history/y_" + std::string(22, 'z'), "");  // 23 characters from '_': not a history file
    fs::create_directory("history/z_zzzz");              // a folder
    ASSERT_TRUE(pickHistoryFiles(chosen));
    EXPECT_EQ(chosen, "history/x_a20230102");
}

TEST_F(logarchive, FilesChangingSizeAfterListingKeepTheListedSize) {
    writeFile("logs/grow.log", std::string(700, 'g'));
    writeFile("logs/shrink.log", std::string(900, 's'));
    writeFile("logs/gone.log", std::string(50, 'x'));
    writeFile("logs/z-pipe.log", std::string(60, 'p'));
    setArchiveListedHook([](const std::vector<LogArchiveEntry>& list) {
        EXPECT_EQ(list.size(), 4u);
        writeFile("logs/grow.log", std::string(5000, 'g'));
        writeFile("logs/shrink.log", std::string(100, 's'));
        fs::remove("logs/gone.log");
        testsupport::makeHostileFile(0, "logs/z-pipe.log");  // a named pipe in its place
    });
    std::string tar;
    ASSERT_EQ(testsupport::mustEnd("export", [&] { return run(&tar); }), 1);
    std::vector<TarItem> items;
    std::string why;
    ASSERT_TRUE(readTar(tar, items, why)) << why;
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].name, "gone.log");
    EXPECT_EQ(items[0].data, std::string(50, '\0'));
    EXPECT_EQ(items[1].name, "grow.log");
    EXPECT_EQ(items[1].data, std::string(700, 'g'));
    EXPECT_EQ(items[2].name, "shrink.log");
    EXPECT_EQ(items[2].data, std::string(100, 's') + std::string(800, '\0'));
    EXPECT_EQ(items[3].data, std::string(60, '\0'));
}

TEST_F(logarchive, OldFileTimeIsWrittenAsZero) {
    writeFile("logs/old.log", "x");
    testwd::setMtime("logs/old.log", -315619200);  // 1960
    writeFile("logs/new.log", "y");
    testwd::setMtime("logs/new.log", 1674655387);
    std::string tar;
    ASSERT_EQ(run(&tar), 1);
    std::vector<TarItem> items;
    std::string why;
    ASSERT_TRUE(readTar(tar, items, why)) << why;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].name, "new.log");
    EXPECT_EQ(items[0].mtime, 1674655387u);
    EXPECT_EQ(items[1].mtime, 0u);
}

TEST_F(logarchive, StreamGivenInSmallPieces) {
    writeFile("logs/a.log", std::string(1000, 'a'));
    writeFile("logs/b.log", "bb");
    TarStream s(listLogArchiveFiles());
    const std::uint64_t expected = tarStreamSize(s.files);
    std::string all;
    std::size_t step = 1;
    while (true) {
        char buf[700];
        std::size_t n = step;
        ASSERT_TRUE(tarStreamRead(s, buf, &n));
        if (n == 0) break;
        ASSERT_LE(n, step);
        all.append(buf, n);
        step = step % 613 + 37;
    }
    EXPECT_EQ(all.size(), expected);
    std::size_t n = 100;
    char buf[100];
    ASSERT_TRUE(tarStreamRead(s, buf, &n));
    EXPECT_EQ(n, 0u);  // stays at the end
    std::vector<TarItem> items;
    std::string why;
    ASSERT_TRUE(readTar(all, items, why)) << why;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].data, std::string(1000, 'a'));
}

TEST_F(logarchive, StandardToolsReadTheArchive) {
    if (std::system("xz --version >/dev/null 2>&1 && tar --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xz or tar missing";
    writeFile("logs/engine.log", std::string(3000, 'e'));
    writeFile("logs/api.log", "api line\r\n");
    writeFile(".cfg", std::string(10, '\x01'));
    std::string history = "_220230125140307.rotor";  // of a rotor named with 46 Cyrillic letters
    for (int i = 0; i < 46; ++i) history.insert(0, "Я");
    fs::create_directory("history");
    writeFile("history/" + history, "the job");
    ASSERT_EQ(run(), 1);
    const std::string cmd = "xz --format=lzma -dc '" + archivePath() + "' | tar -tvf - > listing.txt 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << readFile("listing.txt");
    const std::string listing = readFile("listing.txt");
    EXPECT_NE(listing.find("3000"), std::string::npos) << listing;
    EXPECT_NE(listing.find("engine.log"), std::string::npos) << listing;
    EXPECT_NE(listing.find("api.log"), std::string::npos) << listing;
    EXPECT_NE(listing.find(".cfg"), std::string::npos) << listing;
    const std::string extract =
        "mkdir -p out && xz --format=lzma -dc '" + archivePath() + "' | tar -xf - -C out 2>/dev/null";
    ASSERT_EQ(std::system(extract.c_str()), 0);
    EXPECT_EQ(readFile("out/engine.log"), std::string(3000, 'e'));
    EXPECT_EQ(readFile("out/" + history), "the job");  // the whole name, from its long-name record
}
