// Unbalance solution: the planes' unbalance from measured vectors generated
// in the test as V = K U, the failures that record nothing, the move between
// support and correction planes, and the force conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>

#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"
#include "rotor_files_fixture.h"
#include "rotor_measure_feed.h"
#include "rotor_test_config.h"

namespace {

using rotortest::Complex;
using rotortest::degreesOf;
using rotortest::fromPolarDeg;
using testwd::readFile;

constexpr double kPi = polar::kPi;

class RotorSolution : public rotortest::TempWorkDir {};

// A rotor over `channels` active channels (one plane for one channel, two
// planes for two), end drive with direction false.
struct Bench {
    TestConfig cfg;
    std::unique_ptr<Rotor> rotor;
    explicit Bench(int channels = 2, bool direction = false) {
        for (int k = 0; k < 5; ++k) cfg.channel(k < channels);
        TestConfig::Drive end;
        end.active = true;
        end.direction = direction;
        cfg.endDrive(end);
        cfg.u32(0x1DD641E, 3);
        rotor = std::make_unique<Rotor>(cfg.get());
        rotor->setName("B");
        rotor->data().speed = 1000;
        for (auto& p : rotor->data().planes) p.radius = 100;
    }
    Rotor& r() { return *rotor; }
    // K(i, j) through factorData, planes numbered from 1.
    void setK(int i, int j, Complex k) {
        double amp = std::abs(k), deg = polar::toDegrees(std::arg(k));
        r().factorData(1, i, j, &amp, nullptr);
        r().factorData(2, i, j, nullptr, &deg);
    }
    void measure(const std::vector<Complex>& v) {
        rotortest::feedSession(r(), v);
        ASSERT_TRUE(r().takeMeasurement());
    }
};

void expectPlane(Rotor& r, int i, Complex u) {
    EXPECT_NEAR(r.correctionAmount(i, true), std::abs(u), 1e-9 * (1 + std::abs(u))) << "plane " << i;
    const double d = std::fabs(r.correctionAngle(i, true) - degreesOf(u));
    EXPECT_LT(std::fmin(d, 360 - d), 1e-7) << "plane " << i;
}

TEST_F(RotorSolution, TwoPlanesSolveToTheUnbalanceThatMadeTheVibration) {
    Bench b;
    b.r().data().planes[1].mode = jobrec::kModeRemoval;
    b.r().data().planes[1].radius = 50;
    b.cfg.get()->channels[0].sensitivity = 2.0;
    const Complex K[2][2] = {{fromPolarDeg(0.05, 20), fromPolarDeg(0.01, 200)},
                             {fromPolarDeg(0.015, 75), fromPolarDeg(0.04, -30)}};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) b.setK(i + 1, j + 1, K[i][j]);
    const Complex U[2] = {fromPolarDeg(250, 35), fromPolarDeg(120, 290)};
    const Complex V[2] = {K[0][0] * U[0] + K[1][0] * U[1], K[0][1] * U[0] + K[1][1] * U[1]};
    b.measure({V[0], V[1]});

    ASSERT_TRUE(b.r().computeDisbalance());
    EXPECT_TRUE(b.r().isComputed());
    expectPlane(b.r(), 0, U[0]);
    expectPlane(b.r(), 1, U[1]);
    EXPECT_NEAR(b.r().correctionAmount(0, false), 2.5, 1e-9);
    EXPECT_NEAR(b.r().correctionAngle(0, false), 215, 1e-7);  // addition: opposite the unbalance
    EXPECT_NEAR(b.r().correctionAmount(1, false), 2.4, 1e-9);
    EXPECT_NEAR(b.r().correctionAngle(1, false), 290, 1e-7);  // removal: at the unbalance

    ASSERT_EQ(b.r().runCount(), 1);
    const Measurement& run = b.r().data().runs[0];
    ASSERT_EQ(run.results.size(), 2u);
    for (int k = 0; k < 2; ++k) {
        const Result& res = run.results[static_cast<std::size_t>(k)];
        EXPECT_NEAR(res.measured.amplitude, std::abs(V[k]), 1e-12);
        EXPECT_NEAR(std::cos(res.measured.angle), std::cos(std::arg(V[k])), 1e-9);
        EXPECT_NEAR(std::sin(res.measured.angle), std::sin(std::arg(V[k])), 1e-9);
        EXPECT_NEAR(res.unbalance.amplitude, std::abs(U[k]), 1e-7);
        EXPECT_NEAR(std::polar(1.0, res.unbalance.angle).real(), std::cos(std::arg(U[k])), 1e-9);
        EXPECT_EQ(res.extra, 0.0);
    }
    // Channel 1 has a sensitivity: its amplitude converted; channel 2 none.
    const double n = 1000, G = 0.000305;
    EXPECT_NEAR(run.results[0].converted, G * std::abs(V[0]) * 9.81e6 * 900 / (n * n * 2 * kPi * kPi), 1e-12);
    EXPECT_DOUBLE_EQ(run.results[1].converted, std::abs(V[1]));
    EXPECT_EQ(testwd::filesIn("history"), std::vector<std::string>{"B_220250305140709.rotor"});
}

TEST_F(RotorSolution, DirectionMirrorsTheMeasuredAngles) {
    Bench b(1, true);
    ASSERT_TRUE(b.r().rotationDirection());
    b.setK(1, 1, fromPolarDeg(0.5, 0));
    b.measure({fromPolarDeg(10, 30)});
    ASSERT_TRUE(b.r().computeDisbalance());
    EXPECT_NEAR(b.r().correctionAngle(0, true), 330, 1e-7);
    b.measure({fromPolarDeg(10, 0)});
    ASSERT_TRUE(b.r().computeDisbalance());
    EXPECT_NEAR(b.r().correctionAmount(0, true), 20, 1e-9);
    EXPECT_NEAR(b.r().correctionAngle(0, true), 0, 1e-7);
}

TEST_F(RotorSolution, CoefficientsAtNinetyAndTwoSeventyDegreesSolve) {
    for (double kAngle : {90.0, 270.0}) {
        Bench b(1);
        b.setK(1, 1, fromPolarDeg(0.5, kAngle));
        const Complex U = fromPolarDeg(200, 30);
        b.measure({fromPolarDeg(0.5, kAngle) * U});
        ASSERT_TRUE(b.r().computeDisbalance()) << kAngle;
        expectPlane(b.r(), 0, U);
    }
    // Two planes whose direct coefficients both lie at 90 degrees.
    Bench b;
    const Complex K[2][2] = {{fromPolarDeg(0.05, 90), fromPolarDeg(0.02, 0)}, {fromPolarDeg(0.02, 0), fromPolarDeg(0.05, 270)}};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) b.setK(i + 1, j + 1, K[i][j]);
    const Complex U[2] = {fromPolarDeg(80, 10), fromPolarDeg(60, 100)};
    b.measure({K[0][0] * U[0] + K[1][0] * U[1], K[0][1] * U[0] + K[1][1] * U[1]});
    ASSERT_TRUE(b.r().computeDisbalance());
    expectPlane(b.r(), 0, U[0]);
    expectPlane(b.r(), 1, U[1]);
}

void expectFailureRecordsNothing(Bench& b) {
    b.r().data().planes[0].unbalanceAmount = 42;
    EXPECT_FALSE(b.r().computeDisbalance());
    EXPECT_FALSE(b.r().isComputed());
    EXPECT_EQ(b.r().runCount(), 0);
    EXPECT_FALSE(b.r().isHistoryOpen());
    EXPECT_FALSE(std::filesystem::exists("history"));
    EXPECT_EQ(b.r().correctionAmount(0, true), 42);
}

TEST_F(RotorSolution, SingularCoefficientsFailAndRecordNothing) {
    {
        Bench b;
        for (int i = 1; i <= 2; ++i)
            for (int j = 1; j <= 2; ++j) b.setK(i, j, fromPolarDeg(0.05, 10));
        b.measure({fromPolarDeg(1, 0), fromPolarDeg(2, 0)});
        expectFailureRecordsNothing(b);
    }
    {
        // Proportional rows: the second plane acts like three times the first.
        Bench b;
        b.setK(1, 1, fromPolarDeg(0.1, 10));
        b.setK(1, 2, fromPolarDeg(0.2, 40));
        b.setK(2, 1, fromPolarDeg(0.3, 10));
        b.setK(2, 2, fromPolarDeg(0.6, 40));
        b.measure({fromPolarDeg(1, 0), fromPolarDeg(2, 0)});
        expectFailureRecordsNothing(b);
    }
    EXPECT_NE(readFile("logs/calcs.log").find("GAUSS failure!!!"), std::string::npos);
}

TEST_F(RotorSolution, GuardsRecordNothing) {
    {
        Bench b;  // no coefficients
        b.measure({fromPolarDeg(1, 0), fromPolarDeg(2, 0)});
        expectFailureRecordsNothing(b);
    }
    {
        Bench b(1);  // coefficients of another layout
        b.setK(1, 1, fromPolarDeg(0.5, 0));
        b.r().data().factors.push_back(Vector(1, 0));
        b.measure({fromPolarDeg(1, 0)});
        expectFailureRecordsNothing(b);
    }
    {
        Bench b;  // no measurement taken
        b.setK(1, 1, fromPolarDeg(0.5, 0));
        b.setK(2, 2, fromPolarDeg(0.5, 0));
        expectFailureRecordsNothing(b);
    }
    {
        Bench b(0);  // no planes
        EXPECT_FALSE(b.r().computeDisbalance());
        EXPECT_EQ(b.r().runCount(), 0);
    }
}

TEST_F(RotorSolution, AMiddlePlaneWithoutChannelKeepsItsFields) {
    Bench b;
    b.r().insertPlane(2);
    b.r().data().planes[1].unbalanceAmount = 7;
    b.r().data().planes[1].unbalanceAngle = 11;
    b.setK(1, 1, fromPolarDeg(0.5, 0));
    b.setK(3, 3, fromPolarDeg(0.25, 0));
    ASSERT_EQ(b.r().data().factors.size(), 4u);
    b.measure({fromPolarDeg(5, 10), fromPolarDeg(5, 20)});
    ASSERT_TRUE(b.r().computeDisbalance());
    expectPlane(b.r(), 0, fromPolarDeg(10, 10));
    expectPlane(b.r(), 2, fromPolarDeg(20, 20));
    EXPECT_EQ(b.r().correctionAmount(1, true), 7);
    EXPECT_EQ(b.r().correctionAngle(1, true), 11);
    EXPECT_EQ(b.r().data().runs[0].results.size(), 2u);
}

TEST_F(RotorSolution, InternalModeGivesZerosAndLogsThem) {
    Bench b;
    b.r().data().internalFactors = true;
    b.r().data().planes[0].unbalanceAmount = 5;
    b.measure({fromPolarDeg(1, 0), fromPolarDeg(2, 0)});
    ASSERT_TRUE(b.r().computeDisbalance());
    EXPECT_EQ(b.r().correctionAmount(0, true), 0.0);
    EXPECT_EQ(b.r().correctionAmount(1, true), 0.0);
    EXPECT_EQ(b.r().runCount(), 1);
    EXPECT_NE(readFile("logs/calcs.log").find("0 int) D = 0, lambda = 0"), std::string::npos);
}

// A control rotor whose planes hold the results u0 and u1 with distances.
struct Supports {
    Bench b;
    Supports(double a, double bb, double c, bool control) {
        b.r().data().controlRotor = control;
        b.r().data().permissibleUnbalance = 10;
        b.r().data().planes[0].distance1 = a;
        b.r().data().planes[1].distance1 = bb;
        b.r().data().planes[1].distance2 = c;
    }
    void runs(int count) {
        for (int k = 0; k < count; ++k) {
            Measurement m;
            m.results.resize(2);
            b.r().data().runs.push_back(m);
        }
    }
    void set(Complex u0, Complex u1) {
        b.r().computePlaneResult(0, std::abs(u0), std::arg(u0));
        b.r().computePlaneResult(1, std::abs(u1), std::arg(u1));
    }
};

TEST_F(RotorSolution, RecalcPlanesAtLaterStepsGivesThePlanesTheirOwnUnbalance) {
    Supports s(100, 300, 150, true);
    s.runs(20);
    ASSERT_EQ(s.b.r().nextVerificationStep(-1), 20);
    const Complex U0 = fromPolarDeg(40, 25), U1 = fromPolarDeg(70, 200);
    s.set(U0, U1);
    s.b.r().recalcPlanes();
    expectPlane(s.b.r(), 0, U0);
    expectPlane(s.b.r(), 1, U1);

    double K[4];
    s.b.r().calcPlanesK(K);
    EXPECT_DOUBLE_EQ(K[0], 400.0 / 300);
    EXPECT_DOUBLE_EQ(K[1], 150.0 / 300);
    EXPECT_DOUBLE_EQ(K[2], 100.0 / 300);
    EXPECT_DOUBLE_EQ(K[3], 450.0 / 300);
}

TEST_F(RotorSolution, RecalcPlanesAtStepsSevenToEighteenGivesTheBearingReactions) {
    Supports s(100, 300, 150, true);
    s.runs(10);
    const Complex U0 = fromPolarDeg(40, 25), U1 = fromPolarDeg(70, 200);
    s.set(U0, U1);
    s.b.r().recalcPlanes();
    const double T = 550;
    expectPlane(s.b.r(), 0, (1 - 100 / T) * U0 + (1 - 400 / T) * U1);
    expectPlane(s.b.r(), 1, (100 / T) * U0 + (400 / T) * U1);
    double K[4];
    s.b.r().calcPlanesK(K);
    EXPECT_EQ(K[0], 1.0);
    EXPECT_EQ(K[1], 0.0);
    EXPECT_EQ(K[2], 0.0);
    EXPECT_EQ(K[3], 1.0);
}

TEST_F(RotorSolution, ZeroDistancesLeaveTheResultsFinite) {
    Supports s(0, 0, 0, true);
    const Complex U0 = fromPolarDeg(40, 25), U1 = fromPolarDeg(70, 200);
    s.set(U0, U1);
    s.b.r().recalcPlanes();
    expectPlane(s.b.r(), 0, U0);
    expectPlane(s.b.r(), 1, U1);
}

TEST_F(RotorSolution, ControlRotorWithManyRunsReplacesTheRunBefore) {
    Supports s(100, 300, 150, true);
    s.b.setK(1, 1, fromPolarDeg(0.5, 0));
    s.b.setK(2, 2, fromPolarDeg(0.5, 0));
    s.runs(39);
    s.b.measure({fromPolarDeg(1, 0), fromPolarDeg(2, 0)});
    ASSERT_TRUE(s.b.r().computeDisbalance());
    EXPECT_EQ(s.b.r().runCount(), 39);
    EXPECT_EQ(s.b.r().currentRun(), 38);
    EXPECT_EQ(s.b.r().data().runs[38].results[0].measured.amplitude, 1.0);
    EXPECT_EQ(s.b.r().data().runs[37].results[0].measured.amplitude, 0.0);
}

TEST_F(RotorSolution, ForceToUnbalance) {
    Bench b;
    b.cfg.get()->channels[1].sensitivity = 4;
    b.cfg.get()->channels[1].amplifierRatio = 0.5;
    double v = 3;
    EXPECT_TRUE(b.r().forceToUnbalance(1, &v, false));
    const double omega = kPi * 1000 / 30;
    EXPECT_NEAR(v, 0.5 * 3 * 9.81e6 / (4 * omega * omega), 1e-12);
    v = 3;
    EXPECT_FALSE(b.r().forceToUnbalance(0, &v, false));  // sensitivity 0
    EXPECT_EQ(v, 3);
    EXPECT_FALSE(b.r().forceToUnbalance(2, &v, false));  // beyond the channels
    EXPECT_FALSE(b.r().forceToUnbalance(-1, &v, false));
    EXPECT_EQ(v, 3);
    b.r().data().speed = 0;
    EXPECT_FALSE(b.r().forceToUnbalance(1, &v, false));
    EXPECT_EQ(v, 3);
    b.r().data().speed = 1000;
    b.r().setPlaneChannels(2, 9, 0);  // a channel the settings do not have
    EXPECT_FALSE(b.r().forceToUnbalance(1, &v, false));
    EXPECT_EQ(v, 3);
}

}  // namespace
