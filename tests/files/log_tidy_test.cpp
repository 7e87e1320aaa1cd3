#include "files/log_tidy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/work_dir.h"

namespace fs = std::filesystem;

namespace {

struct logtidy : ::testing::Test {
    void SetUp() override { fs::create_directory("logs"); }
    testwd::WorkDir wd;
};

void file(const std::string& name, unsigned long long size, long long mtime) {
    testwd::makeSparse("logs/" + name, size);
    testwd::setMtime("logs/" + name, mtime);
}

}  // namespace

TEST_F(logtidy, NameAnalysis) {
    LogFileEntry e;
    analyseLogName("engine.3.log", e);
    EXPECT_EQ(e.stem, "engine");
    EXPECT_EQ(e.number, 3);
    EXPECT_EQ(e.ext, ".log");
    analyseLogName("engine.log", e);
    EXPECT_EQ(e.stem, "engine");
    EXPECT_EQ(e.number, 0);
    analyseLogName("data.12345.log", e);
    EXPECT_EQ(e.stem, "data.12345");
    EXPECT_EQ(e.number, 0);
    analyseLogName("a.123.log", e);
    EXPECT_EQ(e.stem, "a");
    EXPECT_EQ(e.number, 123);
    analyseLogName("x.0.log", e);
    EXPECT_EQ(e.number, 0);
    EXPECT_EQ(e.stem, "x.0");
    analyseLogName("x.-1.log", e);
    EXPECT_EQ(e.number, 0);
    analyseLogName("x.1a.log", e);
    EXPECT_EQ(e.number, 0);
    analyseLogName("noext", e);
    EXPECT_EQ(e.stem, "noext");
    EXPECT_EQ(e.ext, "");
    EXPECT_EQ(logFileName("engine", 0, ".log"), "engine.log");
    EXPECT_EQ(logFileName("engine", 4, ".log"), "engine.4.log");
}

TEST_F(logtidy, HundredFilesLoseOnlyTheOldest) {
    for (int i = 0; i < 100; ++i)
        file("f" + std::to_string(i) + ".log", 10, 1600000000 + (i == 37 ? -100 : i));
    EXPECT_EQ(cleanLogsFolder(), 0);
    EXPECT_FALSE(fs::exists("logs/f37.log"));
    int left = 0;
    for (auto& e : fs::directory_iterator("logs")) (void)e, ++left;
    EXPECT_EQ(left, 99);
}

TEST_F(logtidy, BelowBothLimitsNothingIsDeleted) {
    // 99 files totalling 999,999,999 bytes.
    for (int i = 0; i < 98; ++i) file("s" + std::to_string(i) + ".txt", 1, 1600000000 + i);
    file("big.dmp", 999999999ull - 98, 1500000000);
    EXPECT_EQ(cleanLogsFolder(), static_cast<int>(999999999ull >> 20));
    EXPECT_TRUE(fs::exists("logs/big.1.dmp"));  // kept, only numbered
    int left = 0;
    for (auto& e : fs::directory_iterator("logs")) (void)e, ++left;
    EXPECT_EQ(left, 99);
}

TEST_F(logtidy, OversizeDeletesOldestUntilBelow) {
    file("old.1.dmp", 600000000, 1000);
    file("mid.1.dmp", 300000000, 2000);
    file("new.1.dmp", 200000000, 3000);
    EXPECT_EQ(cleanLogsFolder(), static_cast<int>(500000000ull >> 20));
    EXPECT_FALSE(fs::exists("logs/old.1.dmp"));
    EXPECT_TRUE(fs::exists("logs/mid.1.dmp"));
    EXPECT_TRUE(fs::exists("logs/new.1.dmp"));
}

TEST_F(logtidy, OversizedUnnumberedLogGetsNextNumber) {
    file("engine.log", 10000001, 3000);
    file("engine.1.log", 5, 1000);
    file("engine.2.log", 5, 2000);
    file("machine.log", 10000000, 3000);
    file("measurer.txt", 10000001, 3000);
    file("measurer.4.log", 1, 3000);  // other extension: does not count
    cleanLogsFolder();
    EXPECT_FALSE(fs::exists("logs/engine.log"));
    EXPECT_EQ(fs::file_size("logs/engine.3.log"), 10000001u);
    EXPECT_EQ(fs::file_size("logs/engine.1.log"), 5u);
    EXPECT_TRUE(fs::exists("logs/machine.log"));
    EXPECT_FALSE(fs::exists("logs/measurer.txt"));
    EXPECT_EQ(fs::file_size("logs/measurer.1.txt"), 10000001u);
}

TEST_F(logtidy, LongNumberIsPartOfTheStem) {
    file("data.12345.log", 10000001, 1000);
    cleanLogsFolder();
    EXPECT_FALSE(fs::exists("logs/data.12345.log"));
    EXPECT_TRUE(fs::exists("logs/data.12345.1.log"));
}

TEST_F(logtidy, RealNamesAreUsedNotRebuiltOnes) {
    // "x.01.log" reads as generation 1 of x; "x.1.log" is another file.
    for (int i = 0; i < 99; ++i) file("k" + std::to_string(i) + ".log", 1, 5000 + i);
    file("x.01.log", 7, 1000);  // oldest: deleted
    file("x.1.log", 3, 9000);
    file("x.log", 10000001, 9000);
    cleanLogsFolder();
    EXPECT_FALSE(fs::exists("logs/x.01.log"));
    EXPECT_EQ(fs::file_size("logs/x.1.log"), 3u);
    EXPECT_EQ(fs::file_size("logs/x.2.log"), 10000001u);
}

TEST_F(logtidy, DeletedFileIsNotRenamed) {
    for (int i = 0; i < 99; ++i) file("k" + std::to_string(i) + ".log", 1, 5000 + i);
    file("engine.log", 10000001, 10);  // the oldest of 100
    cleanLogsFolder();
    EXPECT_FALSE(fs::exists("logs/engine.log"));
    EXPECT_FALSE(fs::exists("logs/engine.1.log"));
}

TEST_F(logtidy, SubFoldersAreIgnored) {
    for (int i = 0; i < 98; ++i) file("k" + std::to_string(i) + ".log", 1, 5000 + i);
    fs::create_directory("logs/dumps");
    testwd::writeFile("logs/dumps/inner.log", "x");
    fs::create_directory("logs/engine.1.log");  // a folder in the way of a new name
    file("engine.log", 10000001, 9000);
    cleanLogsFolder();
    EXPECT_TRUE(fs::exists("logs/dumps/inner.log"));
    EXPECT_TRUE(fs::exists("logs/k0.log"));  // 99 files: the folders do not count
    EXPECT_TRUE(fs::is_directory("logs/engine.1.log"));
    EXPECT_EQ(fs::file_size("logs/engine.2.log"), 10000001u);
}

TEST_F(logtidy, MissingOrPlainFileFolderGivesMinusOne) {
    fs::remove("logs");
    EXPECT_EQ(cleanLogsFolder(), -1);
    testwd::writeFile("logs", "not a folder");
    EXPECT_EQ(cleanLogsFolder(), -1);
    EXPECT_EQ(cleanLogsFolder(fs::path("logs") / "below"), -1);
}
