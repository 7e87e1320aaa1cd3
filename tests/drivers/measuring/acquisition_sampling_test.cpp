#include "drivers/measuring/acquisition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace TamskKWZv2;

namespace {

struct Sampling {
    std::uint32_t rate = 0;
    std::uint32_t packets = 0;
};

Sampling sample(double rpm, std::uint32_t periods) {
    Sampling s;
    calcBalancingSampling(rpm / 60.0, s.rate, s.packets, periods);
    return s;
}

}  // namespace

TEST(BalancingSampling, TypicalSpeeds) {
    // 600 rpm: f = 10, 180 samples per turn.
    Sampling s = sample(600, 20);
    EXPECT_EQ(s.rate, 1800u);
    EXPECT_EQ(s.packets, 720u);
    EXPECT_DOUBLE_EQ(blockDurationMs(s.packets, s.rate), 2000.0);

    s = sample(60, 10);
    EXPECT_EQ(s.rate, 180u);
    EXPECT_EQ(s.packets, 360u);

    s = sample(12000, 20);  // exactly the highest rate, still 180 per turn
    EXPECT_EQ(s.rate, 36000u);
    EXPECT_EQ(s.packets, 720u);
}

TEST(BalancingSampling, RateLimitedSpeeds) {
    Sampling s = sample(30000, 20);  // 72 samples per turn
    EXPECT_EQ(s.rate, 36000u);
    EXPECT_EQ(s.packets, 288u);

    s = sample(13000, 20);  // ceil(36000 / 216.67) = 167 per turn
    EXPECT_EQ(s.rate, 36000u);
    EXPECT_EQ(s.packets, 668u);

    s = sample(12001, 20);  // just above: 36003 -> 36000, ceil(179.985) = 180
    EXPECT_EQ(s.rate, 36000u);
    EXPECT_EQ(s.packets, 720u);
}

TEST(BalancingSampling, PacketCountClamps) {
    EXPECT_EQ(sample(30000, 10).packets, 205u);  // ceil(144) raised to 205, not 200
    EXPECT_EQ(sample(30000, 14).packets, 205u);  // 201.6 -> 202 -> 205
    EXPECT_EQ(sample(30000, 15).packets, 216u);
    EXPECT_EQ(sample(600, 50).packets, 1000u);   // 1800 lowered to 1000
    EXPECT_EQ(sample(600, 27).packets, 972u);
    EXPECT_EQ(sample(600, 28).packets, 1000u);   // 1008
}

TEST(BalancingSampling, PeriodsOutsideRangeBecomeTwenty) {
    const std::uint32_t twenty = sample(600, 20).packets;
    for (std::uint32_t periods : {0u, 1u, 9u, 51u, 1000u, 0xFFFFFFFFu})
        EXPECT_EQ(sample(600, periods).packets, twenty) << periods;
    EXPECT_EQ(sample(600, 10).packets, 360u);
    EXPECT_EQ(sample(600, 50).packets, 1000u);
    EXPECT_EQ(sample(3000, 50).packets, 1000u);
    EXPECT_EQ(sample(30000, 50).packets, 720u);
}

TEST(BalancingSampling, RateIsTheDoubleCeilingAsComputed) {
    // 180 x (62 / 60) is 186.00000000000003 in double: the controller gets 187.
    EXPECT_EQ(sample(62, 20).rate, 187u);
    EXPECT_EQ(sample(66, 20).rate, 199u);
    EXPECT_EQ(sample(61, 20).rate, 183u);
    EXPECT_EQ(sample(600.5, 20).rate, 1802u);  // 1801.5 up
    EXPECT_EQ(sample(60, 20).rate, 180u);
}

TEST(BalancingSampling, InputsOutsideTheSpeedRangeStaySafe) {
    std::uint32_t rate = 7, packets = 7;
    calcBalancingSampling(std::numeric_limits<double>::quiet_NaN(), rate, packets, 20);
    EXPECT_EQ(rate, 36000u);
    EXPECT_EQ(packets, 205u);
    calcBalancingSampling(std::numeric_limits<double>::infinity(), rate, packets, 20);
    EXPECT_EQ(rate, 36000u);
    EXPECT_EQ(packets, 205u);
    calcBalancingSampling(0.0, rate, packets, 20);
    EXPECT_EQ(rate, 1u);
    EXPECT_EQ(packets, 720u);
    calcBalancingSampling(-5.0, rate, packets, 20);
    EXPECT_EQ(rate, 1u);
}

TEST(BalancingSampling, BlockDuration) {
    EXPECT_DOUBLE_EQ(blockDurationMs(205, 36000), 205 * 5 / 36000.0 * 1000.0);
    EXPECT_NEAR(blockDurationMs(205, 36000), 28.47, 0.01);
    EXPECT_DOUBLE_EQ(blockDurationMs(360, 180), 10000.0);
}
