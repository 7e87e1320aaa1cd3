#include "texts/format.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct LanguageGuard {
    ~LanguageGuard() {
        setLanguage(false);
        decimalPoint = '.';
    }
};

TEST(Format, NumbersFollowTheDecimalPointButLiteralDotsStay) {
    LanguageGuard guard;
    setLanguage(false);
    EXPECT_EQ(ks::format("{:.2f}", 1.5), "1,50");
    EXPECT_EQ(ks::format("v5.137 {:.1f}.", 2.25), "v5.137 2,2.");
    EXPECT_EQ(ks::format("{:.{}f}", 3.14159, 3), "3,142");
    EXPECT_EQ(ks::format("{:8.2f}|", -0.5), "   -0,50|");
    EXPECT_EQ(ks::format("{} P{}", 1.25f, 2), "1,25 P2");
    setLanguage(true);
    EXPECT_EQ(ks::format("{:.2f}", 1.5), "1.50");
    EXPECT_EQ(ks::fixed(-0.25, 1), "-0.2");
    EXPECT_EQ(ks::format("({}) {:.2f} {}", std::nan(""), -HUGE_VAL, HUGE_VALF), "(-) - -");  // damaged numbers
}

TEST(Format, IntegersAndTextPassThrough) {
    EXPECT_EQ(ks::format("{:04d}_{}", 7, std::string("x")), "0007_x");
    EXPECT_EQ(ks::format("{}", "text"), "text");
}

TEST(Format, BadPatternYieldsThePatternWithoutThrowing) {
    EXPECT_EQ(ks::format("{:d}", "text"), "{:d}");
    EXPECT_EQ(ks::format("{} {}", 1), "{} {}");
    EXPECT_EQ(ks::format("{", 1.0), "{");
}

TEST(Format, ParseDoubleTakesCommaOrPoint) {
    double v = -1;
    EXPECT_TRUE(ks::parseDouble("12,5", v));
    EXPECT_DOUBLE_EQ(v, 12.5);
    EXPECT_TRUE(ks::parseDouble("0.25mm", v));
    EXPECT_DOUBLE_EQ(v, 0.25);
    EXPECT_FALSE(ks::parseDouble("abc", v));
    EXPECT_DOUBLE_EQ(v, 0.25);
    EXPECT_FALSE(ks::parseDouble("", v));
    EXPECT_FALSE(ks::parseDouble("nan", v));
    EXPECT_FALSE(ks::parseDouble("-inf", v));
    EXPECT_FALSE(ks::parseDouble("1e999", v));
    EXPECT_DOUBLE_EQ(v, 0.25);
    EXPECT_TRUE(ks::parseDouble(" -3,5e2", v));
    EXPECT_DOUBLE_EQ(v, -350.0);
    for (const char* hex : {"0x1p3", " -0X10", "0x"}) {
        EXPECT_TRUE(ks::parseDouble(hex, v)) << hex;
        EXPECT_EQ(v, 0.0) << hex;
    }
}

TEST(Format, FloatsKeepTheirOwnShortestForm) {
    LanguageGuard guard;
    setLanguage(false);
    EXPECT_EQ(ks::format("{}", 0.1f), "0,1");
    EXPECT_EQ(ks::format("{:.3f}", 2.5f), "2,500");
    setLanguage(true);
    EXPECT_EQ(ks::format("{} {}", 0.1f, 0.1), "0.1 0.1");
}

}  // namespace
