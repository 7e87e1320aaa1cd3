#include "rotor/polar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using polar::kPi;

TEST(RotorStructure, PolarAtOriginAndOnAxes) {
    auto o = polar::toPolar(0.0, 0.0);
    EXPECT_EQ(o.amplitude, 0.0);
    EXPECT_EQ(o.angle, 0.0);
    auto negZero = polar::toPolar(-0.0, -0.0);
    EXPECT_EQ(negZero.angle, 0.0);

    auto px = polar::toPolar(2.0, 0.0);
    EXPECT_DOUBLE_EQ(px.amplitude, 2.0);
    EXPECT_EQ(px.angle, 0.0);
    // On the negative x axis the vector keeps its direction: pi, not 0.
    auto nx = polar::toPolar(-3.0, 0.0);
    EXPECT_DOUBLE_EQ(nx.amplitude, 3.0);
    EXPECT_DOUBLE_EQ(nx.angle, kPi);
    auto nxz = polar::toPolar(-3.0, -0.0);
    EXPECT_DOUBLE_EQ(nxz.angle, kPi);

    auto py = polar::toPolar(0.0, 5.0);
    EXPECT_DOUBLE_EQ(py.angle, kPi / 2);
    auto ny = polar::toPolar(0.0, -5.0);
    EXPECT_DOUBLE_EQ(ny.angle, -kPi / 2);
}

TEST(RotorStructure, PolarPerQuadrant) {
    struct Case { double x, y, angle; } cases[] = {
        {1.0, 1.0, kPi / 4},           {-1.0, 1.0, 3 * kPi / 4},
        {-1.0, -1.0, -3 * kPi / 4},    {1.0, -1.0, -kPi / 4},
        {std::sqrt(3.0), 1.0, kPi / 6}, {-std::sqrt(3.0), -1.0, -5 * kPi / 6},
    };
    for (const auto& c : cases) {
        auto p = polar::toPolar(c.x, c.y);
        EXPECT_NEAR(p.amplitude, std::sqrt(c.x * c.x + c.y * c.y), 1e-12);
        EXPECT_NEAR(p.angle, c.angle, 1e-12) << c.x << "," << c.y;
        // Back to Cartesian.
        EXPECT_NEAR(p.amplitude * std::cos(p.angle), c.x, 1e-12);
        EXPECT_NEAR(p.amplitude * std::sin(p.angle), c.y, 1e-12);
    }
}

TEST(RotorStructure, PolarNeverGivesNanAngle) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(polar::toPolar(nan, 1.0).angle, 0.0);
    EXPECT_EQ(polar::toPolar(inf, 1.0).angle, 0.0);
    // Tiny components: the quotient must not leave [-1, 1].
    auto t = polar::toPolar(1e-300, 1e-310);
    EXPECT_FALSE(std::isnan(t.angle));
    auto s = polar::add(1.0, 0.0, 1.0, kPi);  // cancels to (almost) zero
    EXPECT_FALSE(std::isnan(s.angle));
    EXPECT_NEAR(s.amplitude, 0.0, 1e-15);
}

TEST(RotorStructure, PolarAddition) {
    auto s = polar::add(1.0, 0.0, 1.0, kPi / 2);
    EXPECT_NEAR(s.amplitude, std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(s.angle, kPi / 4, 1e-12);
    auto b = polar::add(2.0, kPi, 0.0, 0.0);
    EXPECT_NEAR(b.amplitude, 2.0, 1e-12);
    EXPECT_NEAR(std::fabs(b.angle), kPi, 1e-12);
}

TEST(RotorStructure, DegreesReduction) {
    EXPECT_EQ(polar::reduceDegrees(0.0), 0.0);
    EXPECT_EQ(polar::reduceDegrees(360.0), 0.0);
    EXPECT_EQ(polar::reduceDegrees(720.0), 0.0);
    EXPECT_DOUBLE_EQ(polar::reduceDegrees(370.0), 10.0);
    EXPECT_DOUBLE_EQ(polar::reduceDegrees(-10.0), 350.0);
    EXPECT_DOUBLE_EQ(polar::reduceDegrees(-370.0), 350.0);
    EXPECT_DOUBLE_EQ(polar::reduceDegrees(359.5), 359.5);
    const double r = polar::reduceDegrees(-1e-15);
    EXPECT_GE(r, 0.0);
    EXPECT_LT(r, 360.0);
    EXPECT_EQ(polar::reduceDegrees(std::numeric_limits<double>::quiet_NaN()), 0.0);
    EXPECT_EQ(polar::reduceDegrees(std::numeric_limits<double>::infinity()), 0.0);
}
