// The scriptable device of the test support.

#include <gtest/gtest.h>

#include "machine/mapi.h"
#include "support/machine_fake_api.h"
#include "support/machine_virtual_clock.h"

namespace {

TEST(FakeApiSupport, ScriptsQueuesFallbacksAndCallLog) {
    VirtualClock clock;
    FakeApi api(clock);
    api.script("getSpeed", {10, 20});
    api.setValue("getSpeed", 5);
    EXPECT_EQ(api.getSpeed(), 10);
    EXPECT_EQ(api.getSpeed(), 20);
    EXPECT_EQ(api.getSpeed(), 5);
    api.script("getAngle.out", {123.0});
    double a = 0;
    EXPECT_TRUE(api.getAngle(&a));
    EXPECT_EQ(a, 123.0);
    api.setSpeed(-250);
    ASSERT_EQ(api.count("setSpeed"), 1);
    EXPECT_EQ(api.callsOf("setSpeed")[0].args[0], -250);
    EXPECT_EQ(api.names().front(), "getSpeed");

    api.rawBatches.push_back({{true, {1, 2}}, {false, {3, 4}}});
    ASSERT_TRUE(api.readData());
    ASSERT_TRUE(api.nextSample());
    EXPECT_TRUE(api.isMarkSample());
    EXPECT_EQ(api.getSampleValue(1), 2);
    ASSERT_TRUE(api.nextSample());
    EXPECT_FALSE(api.isMarkSample());
    EXPECT_EQ(api.getSampleValue(0), 3);
    EXPECT_FALSE(api.nextSample());
}

TEST(FakeApiSupport, ForwardingRecordsAndPassesResultsThrough) {
    VirtualClock clock;
    MApi demo(clock, "no-such-dir/mapi.dmp");
    FakeApi api(clock, &demo);
    EXPECT_EQ(api.defaultCalibrationStep(), 500);
    EXPECT_STREQ(api.getVersionString(), "Demo");
    api.setSpeed(1000);
    clock.advanceMs(2000);
    EXPECT_EQ(api.getSpeed(), 1000.0);
    EXPECT_EQ(api.count("setSpeed"), 1);
    EXPECT_EQ(api.count("getSpeed"), 1);
}

}  // namespace
