#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "records/job_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"
#include "rotor_test_config.h"
#include "texts/texts.h"

using namespace jobrec;

namespace {

struct Fixture {
    TestConfig cfg;
    Rotor r;
    Fixture() : r((cfg.endDrive({true, 1.0, 3000.0, false, 70}), cfg.get())) {}
    void planes(int n) {
        r.clearPlanes();
        for (int p = 1; p <= n; ++p) r.insertPlane(p);
    }
};

}  // namespace

TEST(RotorTolerance, GradeTable) {
    Fixture f;
    const double* g = f.r.gradeTable();
    ASSERT_NE(g, nullptr);
    const double expected[] = {4000, 1600, 630, 250, 100, 40, 16, 6.3, 2.5, 1, 0.4, 0};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(g[i], expected[i]) << i;
}

TEST(RotorTolerance, PermissibleUnbalanceFromGrade) {
    Fixture f;
    f.planes(2);
    f.r.data().mass = 100.0;
    f.r.permissibleUnbalanceFromGrade(1000.0, 7);  // 3008.02...
    EXPECT_EQ(f.r.permissibleUnbalance(1), 3008.0);
    f.r.permissibleUnbalanceFromGrade(3000.0, 10);  // 63.66...: rounded down
    EXPECT_EQ(f.r.permissibleUnbalance(1), 63.0);
    f.r.data().mass = 10.0;
    f.r.permissibleUnbalanceFromGrade(3000.0, 10);  // 6.366...
    EXPECT_DOUBLE_EQ(f.r.permissibleUnbalance(1), 6.3);
    // Per plane: one plane carries twice as much.
    f.planes(1);
    f.r.permissibleUnbalanceFromGrade(3000.0, 10);  // 12.73...
    EXPECT_EQ(f.r.permissibleUnbalance(1), 12.0);
    // Exactly 10 stays on one decimal.
    f.r.data().mass = polar::kPi / 3.0;  // U = 30 m / pi = 10
    f.r.permissibleUnbalanceFromGrade(1000.0, 9);
    EXPECT_NEAR(f.r.permissibleUnbalance(1), 10.0, 0.1);
}

TEST(RotorTolerance, GradeSpeedAndPlaneGuards) {
    Fixture f;
    f.planes(2);
    f.r.data().mass = 100.0;
    f.r.data().permissibleUnbalance = 55.0;
    f.r.permissibleUnbalanceFromGrade(1000.0, -1);
    f.r.permissibleUnbalanceFromGrade(1000.0, 11);
    f.r.permissibleUnbalanceFromGrade(0.0, 5);
    f.r.permissibleUnbalanceFromGrade(-100.0, 5);
    f.r.permissibleUnbalanceFromGrade(std::nan(""), 5);
    EXPECT_EQ(f.r.permissibleUnbalance(1), 55.0);
    f.planes(0);
    f.r.permissibleUnbalanceFromGrade(1000.0, 5);
    EXPECT_EQ(f.r.permissibleUnbalance(1), 55.0);
}

TEST(RotorTolerance, OutOfTolerance) {
    Fixture f;
    f.planes(2);
    f.r.data().permissibleUnbalance = 10.0;
    f.r.data().planes[0].unbalanceAmount = 10.0;
    f.r.data().planes[1].unbalanceAmount = 10.5;
    EXPECT_FALSE(f.r.isOutOfTolerance(1));
    EXPECT_TRUE(f.r.isOutOfTolerance(2));
    EXPECT_FALSE(f.r.isOutOfTolerance(0));
    EXPECT_FALSE(f.r.isOutOfTolerance(3));
    // A control rotor is out of tolerance in every plane.
    f.r.data().controlRotor = true;
    EXPECT_TRUE(f.r.isOutOfTolerance(1));
    EXPECT_TRUE(f.r.isOutOfTolerance(2));
    EXPECT_FALSE(f.r.isOutOfTolerance(3));
}

TEST(RotorTolerance, UnbalanceUnit) {
    Fixture f;
    f.r.data().mass = 25.0;
    struct Case { double factor; const char* en; const char* ru; double divisor; } cases[] = {
        {0, "gmm/kg", "гмм/кг", 25.0}, {1, "gmm", "гмм", 1}, {10, "gcm", "гсм", 10}, {1000, "gm", "гм", 1000},
    };
    char buf[32];
    for (const auto& c : cases) {
        f.r.data().unbalanceUnit = c.factor;
        setLanguage(true);
        EXPECT_EQ(f.r.unbalanceUnit(buf, sizeof buf), c.divisor);
        EXPECT_STREQ(buf, c.en);
        EXPECT_EQ(f.r.unbalanceUnit(nullptr, 0), c.divisor);
        setLanguage(false);
        EXPECT_EQ(f.r.unbalanceUnit(buf, sizeof buf), c.divisor);
        EXPECT_STREQ(buf, c.ru);
    }
    // Size 4: three bytes and the terminating zero.
    f.r.data().unbalanceUnit = 0;
    setLanguage(true);
    std::memset(buf, 'x', sizeof buf);
    f.r.unbalanceUnit(buf, 4);
    EXPECT_STREQ(buf, "gmm");
    // Russian at size 4: never half a character ("г" is two bytes).
    setLanguage(false);
    std::memset(buf, 'x', sizeof buf);
    f.r.unbalanceUnit(buf, 4);
    EXPECT_STREQ(buf, "г");
    // Size 1: the empty text.
    std::memset(buf, 'x', sizeof buf);
    f.r.unbalanceUnit(buf, 1);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], 'x');
    setLanguage(true);
    f.r.unbalanceUnit(buf, 1);
    EXPECT_EQ(buf[0], '\0');

    // Another factor is printed as a number, with the language's separator.
    f.r.data().unbalanceUnit = 2.5;
    EXPECT_EQ(f.r.unbalanceUnit(buf, sizeof buf), 2.5);
    EXPECT_STREQ(buf, "2.5");
    setLanguage(false);
    f.r.unbalanceUnit(buf, sizeof buf);
    EXPECT_STREQ(buf, "2,5");
    // Factor 0 and mass 0: the divisor is 0.
    f.r.data().unbalanceUnit = 0;
    f.r.data().mass = 0;
    EXPECT_EQ(f.r.unbalanceUnit(nullptr, 0), 0.0);
    setLanguage(true);
}

TEST(RotorTolerance, SplitTolerance) {
    Fixture f;
    double out[5];
    f.r.splitTolerance(out, 100, 200, 1000);
    const double v = 0.1, w = 0.2;
    const double f1 = std::fabs(1 - 2 * v * v + v * v * v) * v * 25 / 6;
    const double f2 = std::fabs(1 - 2 * w * w + w * w * w) * w * 25 / 6;
    const double g1 = 500 - 100.0 / 700;
    const double g2 = 500 - 200.0 / 700;
    EXPECT_DOUBLE_EQ(out[0], f1);
    EXPECT_DOUBLE_EQ(out[1], g1);
    EXPECT_DOUBLE_EQ(out[2], f2);
    EXPECT_DOUBLE_EQ(out[3], g2);
    EXPECT_DOUBLE_EQ(out[4], 1 - g2 * f1 - f2 * g1);

    for (double& x : out) x = 7;
    f.r.splitTolerance(out, 100, 200, 0);
    for (double x : out) EXPECT_EQ(x, 0.0);
    for (double& x : out) x = 7;
    f.r.splitTolerance(out, 100, 200, 300);
    for (double x : out) EXPECT_EQ(x, 0.0);
    f.r.splitTolerance(nullptr, 1, 2, 3);
}

TEST(RotorTolerance, LogToleranceFactorsPrintsTwoLines) {
    Fixture f;
    double data[32] = {};
    for (int i = 0; i < 24; ++i) data[i] = 1.0 + i;
    data[24] = 1000.7;
    data[25] = 2000;
    data[27] = 0.5;
    data[28] = 0.25;
    data[29] = 0.75;
    data[30] = 0.125;
    data[31] = 2.0;
    testing::internal::CaptureStdout();
    f.r.logToleranceFactors(data);
    f.r.logToleranceFactors(nullptr);
    const std::string out = testing::internal::GetCapturedStdout();
    std::size_t lines = 0, pos = 0;
    while ((pos = out.find("G = ", pos)) != std::string::npos) {
        ++lines;
        ++pos;
    }
    EXPECT_EQ(lines, 2u);
    EXPECT_NE(out.find(", D = 0\n"), std::string::npos);

    // The first line by hand.
    const double* s = data;
    double x[2], y[2];
    for (int j = 0; j < 2; ++j) {
        const double p = s[6 * j], q = s[6 * j + 2], r = s[6 * j + 4];
        const double d = r - p * 0.125 - q * 0.25;
        x[j] = p - (0.5 / 2.0) * d;
        y[j] = q - (0.75 / 2.0) * d;
    }
    const double A = 0.25 * y[0] + 0.125 * x[0];
    const double B = 0.25 * y[1] + 0.125 * x[1];
    const double E = s[4] - A;
    const double G = (s[4] * B - s[10] * A) / ((s[10] - B) * (x[0] - y[0]) + (y[1] - x[1]) * E);
    char expected[64];
    std::snprintf(expected, sizeof expected, "G = %lg, ", G);
    EXPECT_EQ(out.rfind(expected, 0), 0u) << out;
}

TEST(RotorTolerance, InertiaQuotient) {
    Fixture f;
    f.planes(3);
    f.r.setPlaneChannels(1, 1, 0);
    f.r.setPlaneChannels(3, 0, 2);
    f.r.data().mass = 50.0;
    f.r.data().planes[0].radius = 100;
    f.r.data().planes[1].radius = 400;  // no channel: not counted
    f.r.data().planes[2].radius = 150;
    const double expected = 50.0 * polar::kPi * 150 * 150 * 1000 / (2.0 * 30000 * 1.0);
    EXPECT_DOUBLE_EQ(f.r.inertiaQuotient(2.0), expected);
    EXPECT_EQ(f.r.inertiaQuotient(0.0), 0.0);
    f.planes(0);
    EXPECT_EQ(f.r.inertiaQuotient(2.0), 0.0);
}
