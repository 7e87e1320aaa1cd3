#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_replace.h"
#include "support/work_dir.h"

namespace fs = std::filesystem;

namespace {

using testwd::readFile;

class ReplaceFileTest : public ::testing::Test {
protected:
    void TearDown() override {
        platform::setReplaceFileWriter(nullptr);
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, ec);  // so that the folder can go
    }
    size_t filesIn() const { return testwd::filesIn(dir).size(); }

    testwd::ScratchDir scratch_{"ks_replace"};
    const fs::path dir = scratch_.path();
};

TEST_F(ReplaceFileTest, WritesNewAndReplacesExistingContent) {
    const auto target = dir / "a.cfg";
    ASSERT_TRUE(platform::replaceFile(target.string(), "first"));
    EXPECT_EQ(readFile(target), "first");
    ASSERT_TRUE(platform::replaceFile(target.string(), std::string("sec\0ond", 7)));
    EXPECT_EQ(readFile(target), std::string("sec\0ond", 7));
    EXPECT_EQ(filesIn(), 1u);
}

TEST_F(ReplaceFileTest, WriteErrorHalfWayLeavesOldFileAndNoLeftovers) {
    const auto target = dir / "a.cfg";
    ASSERT_TRUE(platform::replaceFile(target.string(), "old content"));
    static int calls;
    calls = 0;
    platform::setReplaceFileWriter([](int fd, const void* p, std::size_t n) -> long {
        if (++calls > 1) {
            errno = ENOSPC;
            return -1;
        }
        return ::write(fd, p, n > 3 ? 3 : n);  // a short write, then the disk is full
    });
    std::string error;
    EXPECT_FALSE(platform::replaceFile(target.string(), "new content that does not fit", &error));
    EXPECT_NE(error.find("write error"), std::string::npos) << error;
    EXPECT_EQ(readFile(target), "old content");
    EXPECT_EQ(filesIn(), 1u);
}

// Content that throws while it is made (out of memory while encoding) leaves
// the old file and no temporary one; the exception goes on to the caller.
TEST_F(ReplaceFileTest, ContentThatThrowsLeavesOldFileAndNoLeftovers) {
    const auto target = dir / "a.logs";
    ASSERT_TRUE(platform::replaceFile(target.string(), "old content"));
    const platform::ContentSource throwing = [](const platform::ContentSink& write) -> bool {
        write("new", 3);
        throw std::bad_alloc();
    };
    EXPECT_THROW(platform::replaceFileFrom(target.string(), throwing), std::bad_alloc);
    EXPECT_EQ(readFile(target), "old content");
    EXPECT_EQ(filesIn(), 1u);
}

TEST_F(ReplaceFileTest, UnwritableDirectoryFailsCleanly) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores directory permissions";
    const auto target = dir / "a.cfg";
    ASSERT_TRUE(platform::replaceFile(target.string(), "old"));
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(platform::replaceFile(target.string(), "new"));
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(readFile(target), "old");
}

TEST_F(ReplaceFileTest, MissingDirectoryFails) {
    std::string error;
    EXPECT_FALSE(platform::replaceFile((dir / "no" / "such.cfg").string(), "x", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(platform::replaceFile("", "x"));
}

TEST_F(ReplaceFileTest, KeepsPermissionsOfTheReplacedFile) {
    const auto target = dir / "run.sh";
    ASSERT_TRUE(platform::replaceFile(target.string(), "a"));
    ::chmod(target.c_str(), 0750);
    ASSERT_TRUE(platform::replaceFile(target.string(), "b"));
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0750u);
}

}  // namespace
