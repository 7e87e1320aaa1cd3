#include "platform/removable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using platform::chooseRemovableMounts;
using platform::MountContext;
using platform::MountEntry;
using platform::parseMountInfo;
using platform::unescapeMountField;

namespace {

const char* kSample =
    "22 1 254:1 / / rw,relatime shared:1 - ext4 /dev/vda1 rw,errors=remount-ro\n"
    "23 22 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:5 - proc proc rw\n"
    "24 22 0:22 / /sys rw,nosuid shared:6 - sysfs sysfs rw\n"
    "25 22 0:5 / /dev rw,nosuid shared:2 - devtmpfs udev rw,size=4015244k\n"
    "30 22 0:26 / /run rw,nosuid,nodev shared:8 - tmpfs tmpfs rw,size=804780k\n"
    "40 30 8:17 / /media/op/USB\\040STICK rw,nosuid,nodev shared:60 master:3 - vfat /dev/sdb1 rw,uid=1000\n"
    "41 22 8:33 / /mnt/data rw,relatime shared:61 - ext4 /dev/sdc1 rw\n"
    "42 22 11:0 / /media/cdrom rw,relatime shared:62 - iso9660 /dev/sr0 ro\n"
    "43 22 0:50 / /mnt/share rw,relatime shared:63 - nfs4 server:/export rw\n"
    "44 30 0:51 / /run/media/op/ram rw shared:64 - tmpfs tmpfs rw\n"
    "45 22 8:49 / /srv/stick rw,relatime shared:65 - exfat /dev/sdd1 rw\n"
    "46 22 8:65 / /srv/disk rw,relatime shared:66 - ext4 /dev/sde1 rw\n"
    "47 22 254:2 / /mnt/work rw,relatime shared:67 - ext4 /dev/vda2 rw\n"
    "48 30 8:81 / /run/media/op/K\\134E rw shared:68 - ntfs3 /dev/sdf1 rw\n"
    "garbage line\n"
    "49 22 x:y / /media/bad rw - vfat /dev/sdg1 rw\n";

}  // namespace

TEST(drive_mounts, UnescapesMountFields) {
    EXPECT_EQ(unescapeMountField("a\\040b\\011c\\012d\\134e"), std::string("a b\tc\nd\\e"));
    EXPECT_EQ(unescapeMountField("plain"), "plain");
    EXPECT_EQ(unescapeMountField("end\\04"), "end\\04");  // incomplete escape kept
    EXPECT_EQ(unescapeMountField("\\"), "\\");
}

TEST(drive_mounts, ParsesMountInfo) {
    auto m = parseMountInfo(kSample);
    ASSERT_EQ(m.size(), 14u);  // the garbage line and the bad device skipped
    EXPECT_EQ(m[0].mountPoint, "/");
    EXPECT_EQ(m[0].major, 254u);
    EXPECT_EQ(m[0].minor, 1u);
    EXPECT_EQ(m[0].fsType, "ext4");
    EXPECT_EQ(m[0].source, "/dev/vda1");
    EXPECT_EQ(m[5].mountPoint, "/media/op/USB STICK");  // optional fields skipped
    EXPECT_EQ(m[5].fsType, "vfat");
    EXPECT_EQ(m[5].source, "/dev/sdb1");
    EXPECT_EQ(m[13].mountPoint, "/run/media/op/K\\E");
    EXPECT_TRUE(parseMountInfo("").empty());
    EXPECT_TRUE(parseMountInfo("1 2 3:4 / /x rw -").empty());  // no type and source
}

TEST(drive_mounts, ChoosesRemovableMountsInTableOrder) {
    MountContext ctx;
    ctx.excludedDevices = {{254, 1}, {254, 2}};  // root fs and the working directory's
    ctx.isRemovableDevice = [](unsigned major, unsigned minor) { return major == 8 && minor == 49; };
    auto roots = chooseRemovableMounts(parseMountInfo(kSample), ctx);
    std::vector<std::string> expected{"/media/op/USB STICK", "/mnt/data", "/srv/stick", "/run/media/op/K\\E"};
    EXPECT_EQ(roots, expected);

    // Without the removable test only the usual roots count.
    ctx.isRemovableDevice = nullptr;
    roots = chooseRemovableMounts(parseMountInfo(kSample), ctx);
    expected = {"/media/op/USB STICK", "/mnt/data", "/run/media/op/K\\E"};
    EXPECT_EQ(roots, expected);

    // The working directory's file system is never a candidate, even under /mnt.
    ctx.excludedDevices = {{254, 1}, {8, 33}};
    roots = chooseRemovableMounts(parseMountInfo(kSample), ctx);
    expected = {"/media/op/USB STICK", "/mnt/work", "/run/media/op/K\\E"};
    EXPECT_EQ(roots, expected);

    // The roots themselves and "/" are not drives.
    auto bare =
        parseMountInfo("1 0 8:1 / /media rw - vfat /dev/sdb1 rw\n2 0 8:2 / / rw - vfat /dev/sdb2 rw\n");
    MountContext all;
    all.isRemovableDevice = [](unsigned, unsigned) { return true; };
    EXPECT_EQ(chooseRemovableMounts(bare, all), std::vector<std::string>{"/media"});
    all.isRemovableDevice = nullptr;
    EXPECT_TRUE(chooseRemovableMounts(bare, all).empty());
}

TEST(drive_mounts, InjectedRootsReplaceTheScan) {
    platform::setRemovableRoots({"/tmp/a", "/tmp/b"});
    EXPECT_EQ(platform::removableRoots(), (std::vector<std::string>{"/tmp/a", "/tmp/b"}));
    platform::clearRemovableRoots();
    // The real scan never offers the root file system.
    for (const auto& r : platform::removableRoots()) EXPECT_NE(r, "/");
}

TEST(drive_mounts, SyncVolumeIgnoresErrors) {
    platform::syncVolume("/nonexistent/folder/file");
    platform::syncVolume("");
    std::error_code ec;
    auto tmp = std::filesystem::temp_directory_path(ec);
    platform::syncVolume(tmp);
    SUCCEED();
}
