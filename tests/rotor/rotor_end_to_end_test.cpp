// The rotor from the measured vibration to the corrections, through its
// public operations only: trial runs and influence coefficients, a balancing
// run solved and corrected, the run in the history file and the rotor in the
// database, the static/couple split, the sharing over fixed positions and a
// singular coefficient matrix.  The vibration is made here from a chosen
// unbalance and chosen coefficients (V_c = sum over planes r of K(r, c) U_r),
// and every expected value is computed here with std::complex.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <string>
#include <vector>

#include "records/job_records.h"
#include "rotor/rotor.h"
#include "rotor_files_fixture.h"
#include "rotor_test_config.h"

using namespace jobrec;
using cplx = std::complex<double>;

namespace {

constexpr double kPi = 3.14159265358979323846;

double rad(double deg) {
    return deg * kPi / 180.0;
}
double deg(double r) {
    double d = std::fmod(r * 180.0 / kPi, 360.0);
    return d < 0 ? d + 360.0 : d;
}
cplx at(double amplitude, double degrees) {
    return std::polar(amplitude, rad(degrees));
}
double angleDiff(double a, double b) {
    const double d = std::fabs(std::fmod(a - b, 360.0));
    return std::fmin(d, 360.0 - d);
}

class RotorEndToEnd : public rotortest::TempWorkDir {};

constexpr int kAveraging = 3;

// A machine with two active channels, an end drive turning forward and
// averaging over three results.
struct Machine {
    TestConfig cfg;
    Machine() {
        cfg.channel(true).channel(true).channel(false).channel(false).channel(false);
        TestConfig::Drive end;
        end.active = true;
        cfg.endDrive(end);
        cfg.u32(0x1DD641E, kAveraging);
    }
};

// One measuring session whose final values are `values`, channel by channel.
// Three rows per channel scatter around the value and average to it; the
// intake keeps the mirror image of the mean angle, so the rows carry the
// mirror image (the conjugate) of the vibration.
void feed(Rotor& r, const std::vector<cplx>& values) {
    r.startSession();
    for (std::size_t k = 0; k < values.size(); ++k)
        r.initChannel(static_cast<unsigned>(k), 1, static_cast<int>(k));
    for (int row = 0; row < kAveraging; ++row) {
        for (std::size_t k = 0; k < values.size(); ++k) {
            const cplx scatter = row == 0   ? 0.02 * values[k] * cplx(0, 1)
                                 : row == 1 ? -0.02 * values[k] * cplx(0, 1)
                                            : 0.0;
            const cplx v = std::conj(values[k] + scatter);
            r.addMeasureResult(std::abs(v), rad(deg(std::arg(v))), deg(std::arg(v)), 1, static_cast<int>(k));
        }
    }
}

// V_c = sum over r of K[r][c] U[r].
std::vector<cplx> vibration(const std::vector<std::vector<cplx>>& K, const std::vector<cplx>& U) {
    std::vector<cplx> V(K.size(), 0.0);
    for (std::size_t c = 0; c < K.size(); ++c)
        for (std::size_t r = 0; r < U.size(); ++r) V[c] += K[r][c] * U[r];
    return V;
}

// The coefficient list of the rotor record, row by row.
void setFactors(Rotor& rotor, const std::vector<std::vector<cplx>>& K) {
    auto& f = rotor.data().factors;
    f.clear();
    for (const auto& row : K)
        for (const cplx& k : row) f.push_back(Vector(std::abs(k), std::arg(k)));
}

void expectUnbalance(Rotor& r, int i, cplx u, const char* what) {
    EXPECT_NEAR(r.correctionAmount(i, true), std::abs(u), 1e-7 * (1 + std::abs(u))) << what << " plane " << i;
    EXPECT_LT(angleDiff(r.correctionAngle(i, true), deg(std::arg(u))), 1e-6) << what << " plane " << i;
}

const std::vector<std::vector<cplx>> kK = {{at(0.05, 20), at(0.01, 200)}, {at(0.015, 75), at(0.04, 330)}};

}  // namespace

TEST_F(RotorEndToEnd, TrialRunsCoefficientsBalancingRunHistoryAndDatabase) {
    Machine m;
    Rotor rotor(m.cfg.get());
    rotor.setName("E2E");
    rotor.data().speed = 1200;
    rotor.data().permissibleUnbalance = 50;
    Plane& p1 = rotor.data().planes[0];
    Plane& p2 = rotor.data().planes[1];
    p1.radius = 100;  // addition
    p2.radius = 80;
    p2.mode = kModeRemoval;

    // The rotor as it comes: this unbalance is what balancing must find.
    const std::vector<cplx> U = {at(250, 35), at(30, 290)};
    // Trial masses: 10 g at 45 degrees in plane 1, 10 g at 300 degrees in plane 2.
    rotor.setTrialMass(10, 0);
    rotor.setTrialAngle(0, 45);
    rotor.setTrialAngle(1, 300);
    const std::vector<cplx> T = {at(10 * 100, 45), at(10 * 80, 300)};

    feed(rotor, vibration(kK, U));
    rotor.takeTrialMeasurement(0);
    for (int p = 1; p <= 2; ++p) {
        std::vector<cplx> withTrial = U;
        withTrial[static_cast<std::size_t>(p - 1)] += T[static_cast<std::size_t>(p - 1)];
        feed(rotor, vibration(kK, withTrial));
        rotor.takeTrialMeasurement(p);
    }
    rotor.computeInfluenceFactors(false);
    for (int i = 1; i <= 2; ++i) {
        for (int j = 1; j <= 2; ++j) {
            double amplitude = -1, angle = -1;
            rotor.factorData(0, i, j, &amplitude, &angle);
            const cplx k = kK[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(j - 1)];
            EXPECT_NEAR(amplitude, std::abs(k), 1e-12) << i << j;
            EXPECT_LT(angleDiff(angle, deg(std::arg(k))), 1e-7) << i << j;
        }
    }

    // The balancing run.
    feed(rotor, vibration(kK, U));
    ASSERT_TRUE(rotor.takeMeasurement());
    ASSERT_TRUE(rotor.computeDisbalance());
    rotor.computeCorrections(false, false, false, false);
    expectUnbalance(rotor, 0, U[0], "solved");
    expectUnbalance(rotor, 1, U[1], "solved");
    // Masses: added opposite the unbalance in plane 1, removed at it in plane 2.
    EXPECT_NEAR(rotor.correctionAmount(0, false), 250.0 / 100, 1e-9);
    EXPECT_LT(angleDiff(rotor.correctionAngle(0, false), 215), 1e-6);
    EXPECT_NEAR(rotor.correctionAmount(1, false), 30.0 / 80, 1e-9);
    EXPECT_LT(angleDiff(rotor.correctionAngle(1, false), 290), 1e-6);
    EXPECT_TRUE(rotor.isOutOfTolerance(1));
    EXPECT_FALSE(rotor.isOutOfTolerance(2));
    EXPECT_FALSE(rotor.isCorrectionLimited(0));
    EXPECT_FALSE(rotor.isCorrectionLimited(1));

    // The run as the history file keeps it.
    ASSERT_EQ(rotor.runCount(), 1);
    const auto names = testwd::filesIn("history");
    ASSERT_EQ(names.size(), 1u);
    {
        Rotor past(m.cfg.get());
        ASSERT_TRUE(past.loadRotor(names[0].c_str(), 2));
        EXPECT_STREQ(past.nameText(false), "E2E");
        ASSERT_EQ(past.runCount(), 1);
        for (int i = 0; i < 2; ++i) {
            double angle = -1;
            EXPECT_NEAR(past.runUnbalance(0, i, &angle), std::abs(U[static_cast<std::size_t>(i)]), 1e-7);
            EXPECT_LT(angleDiff(angle, deg(std::arg(U[static_cast<std::size_t>(i)]))), 1e-6);
        }
        double angle = -1;
        bool flag = true;
        EXPECT_NEAR(past.runCorrection(0, 0, &angle, false, &flag), 2.5, 1e-9);
        EXPECT_LT(angleDiff(angle, 215), 1e-6);
        EXPECT_FALSE(flag);
        EXPECT_NEAR(past.runCorrection(0, 1, &angle, false, &flag), 30.0 / 80, 1e-9);
        EXPECT_LT(angleDiff(angle, 290), 1e-6);
    }

    // The rotor in the database: its coefficients and planes come back, its
    // runs do not, and the same vibration solves to the same unbalance.
    ASSERT_TRUE(rotor.loadRotor(nullptr, 0));
    Rotor again(m.cfg.get());
    ASSERT_TRUE(again.loadRotor("E2E.rotor", 1));
    EXPECT_EQ(again.runCount(), 0);
    ASSERT_EQ(again.planeCount(false), 2);
    EXPECT_EQ(again.correctionRadius(1), 100.0);
    EXPECT_EQ(again.correctionRadius(2), 80.0);
    EXPECT_TRUE(again.isRemoval(2));
    ASSERT_EQ(again.data().factors.size(), 4u);
    for (std::size_t e = 0; e < 4; ++e) {
        EXPECT_EQ(again.data().factors[e].amplitude, rotor.data().factors[e].amplitude);
        EXPECT_EQ(again.data().factors[e].angle, rotor.data().factors[e].angle);
    }
    feed(again, vibration(kK, U));
    ASSERT_TRUE(again.takeMeasurement());
    ASSERT_TRUE(again.computeDisbalance());
    again.computeCorrections(false, false, false, false);
    expectUnbalance(again, 0, U[0], "reloaded");
    expectUnbalance(again, 1, U[1], "reloaded");
}

TEST_F(RotorEndToEnd, ThreePlaneRotorSplitsIntoStaticAndCouple) {
    Machine m;
    Rotor rotor(m.cfg.get());
    rotor.setName("S1");
    rotor.insertPlane(2);  // the middle plane, without a channel
    ASSERT_EQ(rotor.planeScheme(), 1);
    for (auto& p : rotor.data().planes) p.radius = 150;
    rotor.data().planes[0].distance1 = 120;  // plane 1 from the support
    rotor.data().planes[1].distance1 = 180;  // the middle plane from plane 1
    rotor.data().planes[2].distance1 = 260;  // plane 3 from the middle plane
    setFactors(rotor, kK);

    const std::vector<cplx> U = {at(90, 10), at(60, 250)};
    feed(rotor, vibration(kK, U));
    ASSERT_TRUE(rotor.takeMeasurement());
    ASSERT_TRUE(rotor.computeDisbalance());
    expectUnbalance(rotor, 0, U[0], "outer plane 1");
    expectUnbalance(rotor, 2, U[1], "outer plane 3");

    rotor.computeCorrections(false, false, false, false);
    cplx C[3];
    for (int i = 0; i < 3; ++i) C[i] = at(rotor.correctionAmount(i, true), rotor.correctionAngle(i, true));
    // Axial places from plane 1: 0, 180, 440.
    const double x[3] = {0, 180, 440};
    EXPECT_NEAR(std::abs(C[0] + C[1] + C[2] - (U[0] + U[1])), 0.0, 1e-7);
    for (double origin : {0.0, 180.0, -300.0}) {
        const cplx moment = (x[0] - origin) * C[0] + (x[1] - origin) * C[1] + (x[2] - origin) * C[2];
        EXPECT_NEAR(std::abs(moment - ((x[0] - origin) * U[0] + (x[2] - origin) * U[1])), 0.0, 1e-5)
            << origin;
    }
    EXPECT_NEAR(std::abs(C[1] - (U[0] + U[1])), 0.0, 1e-7);  // static part in the middle
    EXPECT_NEAR(rotor.correctionAmount(1, false), std::abs(U[0] + U[1]) / 150, 1e-9);
}

namespace {

// Unbalance (g*mm) that an end-drilled hole of depth h removes.
double holeUnbalance(double h, double radius, double diameter, double includedAngle, double density) {
    const double t = std::tan(rad((180.0 - includedAngle) / 2));
    const double tip = diameter * 0.5 * t;
    double cone = tip, width = diameter, cylinder = h - tip;
    if (h <= tip) {
        cone = h;
        width = 2 * h / t;
        cylinder = 0;
    }
    const double r = width / 2;
    const double volume = kPi * r * r * cylinder + kPi * r * r * cone / 3;
    return radius * volume * density / 1000;
}

struct Placed {
    double amount, angle;
};

// The positions a plane's correction was shared to, as the operator walks them.
std::vector<Placed> walk(Rotor& r, int i) {
    std::vector<Placed> placed;
    r.shareToPositions(i, false);
    placed.push_back({r.correctionAmount(i, false), r.correctionAngle(i, false)});
    for (int guard = 0; guard < 100 && r.hasPositions(i); ++guard) {
        r.splitToPositions(i, false);
        placed.push_back({r.correctionAmount(i, false), r.correctionAngle(i, false)});
    }
    return placed;
}

}  // namespace

TEST_F(RotorEndToEnd, IndexedAndDrilledPlanesShareTheirCorrection) {
    Machine m;
    Rotor rotor(m.cfg.get());
    rotor.setName("POS");
    rotor.data().permissibleUnbalance = 5;
    Plane& indexed = rotor.data().planes[0];
    indexed.mean = kMeanIndexed;  // addition on 6 positions
    indexed.positions = 6;
    indexed.radius = 100;
    Plane& drilled = rotor.data().planes[1];
    drilled.mode = kModeRemoval;
    drilled.mean = kMeanEndDrilling;
    drilled.radius = 120;
    drilled.holeDiameter = 10;
    drilled.wallThickness = 3;
    drilled.maxDrillDepth = 30;
    drilled.drillAngle = 118;
    drilled.density = 7.8;
    setFactors(rotor, kK);
    ASSERT_EQ(rotor.buildPositionTable(), 0b11u);
    rotor.positionEntry(0);  // indexed positions from the trial angle 0: 0, 60, ... 300

    const std::vector<cplx> U = {at(400, 37), at(3000, 123)};
    feed(rotor, vibration(kK, U));
    ASSERT_TRUE(rotor.takeMeasurement());
    ASSERT_TRUE(rotor.computeDisbalance());
    rotor.computeCorrections(false, false, false, false);

    // Masses added on the indexed positions: what is left of the unbalance.
    const auto masses = walk(rotor, 0);
    EXPECT_FALSE(rotor.isCorrectionLimited(0));
    cplx left = U[0];
    for (const Placed& p : masses) {
        EXPECT_LT(std::fmod(p.angle + 1e-9, 60.0), 1e-6) << p.angle;  // on a position
        left += p.amount * 100 * at(1, p.angle);
    }
    EXPECT_GE(masses.size(), 2u);
    EXPECT_LE(std::abs(left), 5.0);

    // Holes drilled at the unbalance: the holes are laid out around its angle.
    const auto holes = walk(rotor, 1);
    EXPECT_FALSE(rotor.isCorrectionLimited(1));
    left = U[1];
    bool holeAtTheUnbalance = false;
    for (const Placed& p : holes) {
        EXPECT_LE(p.amount, 30.0);
        if (angleDiff(p.angle, 123) < 1e-9) holeAtTheUnbalance = true;
        left -= holeUnbalance(p.amount, 120, 10, 118, 7.8) * at(1, p.angle);
    }
    EXPECT_TRUE(holeAtTheUnbalance);
    EXPECT_GE(holes.size(), 2u);  // more than one hole of the maximum depth takes
    EXPECT_LE(std::abs(left), 5.0);
}

TEST_F(RotorEndToEnd, SingularCoefficientsRecordNothing) {
    Machine m;
    Rotor rotor(m.cfg.get());
    rotor.setName("SING");
    for (auto& p : rotor.data().planes) p.radius = 100;
    // Plane 2 moves no channel: its unbalance cannot be told.
    setFactors(rotor, {{at(0.05, 20), at(0.01, 200)}, {0.0, 0.0}});
    rotor.data().planes[0].unbalanceAmount = 12;
    feed(rotor, {at(3, 10), at(1, 50)});
    ASSERT_TRUE(rotor.takeMeasurement());
    EXPECT_FALSE(rotor.computeDisbalance());
    EXPECT_FALSE(rotor.isComputed());
    EXPECT_EQ(rotor.runCount(), 0);
    EXPECT_TRUE(testwd::filesIn("history").empty());
    EXPECT_EQ(rotor.data().planes[0].unbalanceAmount, 12.0);
    rotor.computeCorrections(false, false, false, false);  // no run: nothing changes
    EXPECT_EQ(rotor.data().planes[0].unbalanceAmount, 12.0);
    EXPECT_NE(testwd::readFile("logs/calcs.log").find("GAUSS failure!!!"), std::string::npos);
}
