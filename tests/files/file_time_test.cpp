#include "files/file_time.h"

#include <gtest/gtest.h>

#include "support/work_dir.h"

namespace {
struct filetime : ::testing::Test {
    testwd::WorkDir wd;
};
}  // namespace

TEST_F(filetime, KnownDatesIncludingBefore1970) {
    testwd::writeFile("f", "x");
    testwd::setMtime("f", 1674655387);  // 2023-01-25 14:03:07 UTC
    std::int64_t t = 0;
    ASSERT_TRUE(fileTimeToTime("f", t));
    EXPECT_EQ(t, 1674655387);
    testwd::setMtime("f", -315619200);  // 1960-01-01
    ASSERT_TRUE(fileTimeToTime("f", t));
    EXPECT_EQ(t, -315619200);
    t = 5;
    EXPECT_FALSE(fileTimeToTime("missing", t));
    EXPECT_EQ(t, 5);
}

TEST_F(filetime, TickConversion) {
    EXPECT_EQ(fileTimeToTime(std::uint64_t(0x19DB1DED53E8000ull)), 0);
    EXPECT_EQ(fileTimeToTime(std::uint64_t(0x19DB1DED53E8000ull + 10000000ull * 1674655387ull + 9999999ull)),
              1674655387);
    EXPECT_EQ(fileTimeToTime(std::uint64_t(0)), -11644473600LL);
}
