#include "files/removable_drive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/work_dir.h"
#include "platform/removable.h"

namespace fs = std::filesystem;

namespace {

struct drive : ::testing::Test {
    void SetUp() override {
        a = (wd.path() / "a").string();
        b = (wd.path() / "b").string();
        fs::create_directories(a);
        fs::create_directories(b);
        platform::setRemovableRoots({a, b});
    }
    void TearDown() override { platform::clearRemovableRoots(); }
    testwd::WorkDir wd;
    std::string a, b;
};

}  // namespace

TEST_F(drive, FolderOnlyOnSecondRoot) {
    fs::create_directories(b + "/kestrune");
    std::string path;
    ASSERT_TRUE(findRemovableDrive(path));
    EXPECT_EQ(path, b + "/kestrune");
    path = "kestrune/";
    ASSERT_TRUE(findRemovableDrive(path));
    EXPECT_EQ(path, b + "/kestrune/");
}

TEST_F(drive, FirstRootWinsWhenBothCarryTheFolder) {
    fs::create_directories(a + "/kestrune");
    fs::create_directories(b + "/kestrune");
    std::string path;
    ASSERT_TRUE(findRemovableDrive(path));
    EXPECT_EQ(path, a + "/kestrune");
    platform::setRemovableRoots({b + "/", a});  // a trailing slash is harmless
    path.clear();
    ASSERT_TRUE(findRemovableDrive(path));
    EXPECT_EQ(path, b + "/kestrune");
}

TEST_F(drive, NoFolderNoDrive) {
    std::string path;
    EXPECT_FALSE(findRemovableDrive(path));
    testwd::writeFile(a + "/kestrune", "a file, not the folder");
    path = "";
    EXPECT_FALSE(findRemovableDrive(path));
    platform::setRemovableRoots({});
    path = "";
    EXPECT_FALSE(findRemovableDrive(path));
}

TEST_F(drive, SubPathNeedsThatFolder) {
    fs::create_directories(a + "/kestrune");
    fs::create_directories(b + "/kestrune/updates");
    std::string path = "kestrune/updates";
    ASSERT_TRUE(findRemovableDrive(path));
    EXPECT_EQ(path, b + "/kestrune/updates");
}

TEST_F(drive, FlushOfMissingPathIsHarmless) {
    flushVolume(a + "/missing/file");
    testwd::writeFile(a + "/written", "data");
    flushVolume(a + "/written");
    flushVolume(a);
    EXPECT_EQ(testwd::readFile(a + "/written"), "data");
}
