// Influence coefficients from trial runs, their reading and editing, and the
// internal factors fitted over speed series.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>

#include "records/job_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"
#include "rotor_files_fixture.h"
#include "rotor_measure_feed.h"
#include "rotor_test_config.h"

namespace {

using rotortest::Complex;
using rotortest::fromPolarDeg;

constexpr double kPi = polar::kPi;

class RotorCoefficients : public rotortest::TempWorkDir {};

struct Bench {
    TestConfig cfg;
    std::unique_ptr<Rotor> rotor;
    explicit Bench(int channels = 2, bool direction = false) {
        for (int k = 0; k < 5; ++k) cfg.channel(k < channels);
        TestConfig::Drive end;
        end.active = true;
        end.direction = direction;
        cfg.endDrive(end);
        cfg.u32(0x1DD641E, 2);
        rotor = std::make_unique<Rotor>(cfg.get());
        rotor->setName("C");
        rotor->data().speed = 1000;
    }
    Rotor& r() { return *rotor; }
    void trialRun(int run, const std::vector<Complex>& v) {
        rotortest::feedSession(r(), v);
        r().takeTrialMeasurement(run);
    }
};

Complex coefficient(const Vector& v) { return std::polar(v.amplitude, v.angle); }

TEST_F(RotorCoefficients, OneTrialMassGivesTheCoefficient) {
    Bench b(1);
    b.r().data().planes[0].radius = 100;
    b.r().setTrialMass(10, 0);
    b.trialRun(0, {Complex(0, 0)});
    b.trialRun(1, {fromPolarDeg(50, 0)});
    ASSERT_EQ(b.r().measuredVectors().size(), 2u);
    ASSERT_TRUE(b.r().computeInfluenceFactors(false));
    ASSERT_EQ(b.r().data().factors.size(), 1u);
    EXPECT_NEAR(b.r().data().factors[0].amplitude, 0.05, 1e-12);
    EXPECT_NEAR(b.r().data().factors[0].angle, 0.0, 1e-12);
    ASSERT_EQ(b.r().data().references.size(), 2u);
    EXPECT_NEAR(b.r().data().references[1].amplitude, 50, 1e-12);

    // The trial mass at 90 degrees: the angle comes out as -pi/2, not reduced.
    b.r().setTrialAngle(0, 90);
    ASSERT_TRUE(b.r().computeInfluenceFactors(false));
    EXPECT_NEAR(b.r().data().factors[0].angle, -kPi / 2, 1e-12);
    EXPECT_NE(testwd::readFile("logs/calcs.log").find("factorVal[0, 0] = (50.000000, 0.000000)(0.000000, 0.000000) m: 10.000000, R: 100.000000, phi: 1.570796"),
              std::string::npos);

    // Accumulating adds the new value to the old one.
    ASSERT_TRUE(b.r().computeInfluenceFactors(true));
    EXPECT_NEAR(b.r().data().factors[0].amplitude, 0.1, 1e-12);
    EXPECT_NEAR(b.r().data().factors[0].angle, -kPi / 2, 1e-12);
}

TEST_F(RotorCoefficients, DirectionMirrorsTheVectorsBeforeTheDifference) {
    Bench b(1, true);
    b.r().data().planes[0].radius = 100;
    b.r().setTrialMass(10, 0);
    b.trialRun(0, {Complex(0, 0)});
    b.trialRun(1, {fromPolarDeg(50, 90)});
    ASSERT_TRUE(b.r().computeInfluenceFactors(false));
    EXPECT_NEAR(b.r().data().factors[0].angle, -kPi / 2, 1e-12);  // 90 read as 270
    b.trialRun(1, {fromPolarDeg(50, 0)});
    ASSERT_TRUE(b.r().computeInfluenceFactors(false));
    EXPECT_NEAR(b.r().data().factors[0].angle, 0.0, 1e-12);  // 0 stays 0
}

TEST_F(RotorCoefficients, FactorDataReadsAndEdits) {
    Bench b;
    double v = 9, a = 9;
    b.r().factorData(0, 1, 1, &v, &a);  // no coefficients
    EXPECT_EQ(v, 0.0);
    EXPECT_EQ(a, 0.0);
    v = 0.25;
    b.r().factorData(1, 2, 1, &v, nullptr);  // creates m x m zeros
    ASSERT_EQ(b.r().data().factors.size(), 4u);
    EXPECT_EQ(b.r().data().factors[2].amplitude, 0.25);  // K(1, 0)
    a = -30;
    b.r().factorData(2, 2, 1, nullptr, &a);
    EXPECT_NEAR(b.r().data().factors[2].angle, -kPi / 6, 1e-15);
    v = a = 0;
    b.r().factorData(0, 2, 1, &v, &a);
    EXPECT_EQ(v, 0.25);
    EXPECT_NEAR(a, 330, 1e-9);

    // Out of range: ignored, or read as zeros.
    v = 5;
    b.r().factorData(1, 0, 1, &v, nullptr);
    b.r().factorData(1, 3, 1, &v, nullptr);
    b.r().factorData(1, 1, 7, &v, nullptr);
    b.r().factorData(2, -1, 1, nullptr, &v);
    for (const Vector& f : b.r().data().factors)
        if (&f != &b.r().data().factors[2]) { EXPECT_EQ(f.amplitude, 0.0); }
    b.r().factorData(9, 1, 1, &v, &a);
    EXPECT_EQ(v, 0.0);
    EXPECT_EQ(a, 0.0);

    // Ops 3 and 4: measured and reference vectors, block 0 at i = 0.
    b.trialRun(0, {fromPolarDeg(3, 40), fromPolarDeg(4, 50)});
    b.trialRun(2, {fromPolarDeg(5, 60), fromPolarDeg(6, 70)});
    b.r().factorData(3, 0, 2, &v, &a);
    EXPECT_NEAR(v, 4, 1e-12);
    EXPECT_NEAR(a, 50, 1e-9);
    b.r().factorData(3, 2, 1, &v, &a);
    EXPECT_NEAR(v, 5, 1e-12);
    EXPECT_NEAR(a, 60, 1e-9);
    b.r().factorData(4, 2, 1, &v, &a);  // no reference vectors yet
    EXPECT_EQ(v, 0.0);
    b.r().data().references = {Vector(1, 0), Vector(2, kPi / 2)};
    b.r().factorData(4, 0, 2, &v, &a);
    EXPECT_EQ(v, 2);
    EXPECT_NEAR(a, 90, 1e-9);
}

TEST_F(RotorCoefficients, TrialMeasurementOfAPlaneAfterOneWithoutChannel) {
    Bench b;
    b.r().insertPlane(2);
    b.trialRun(3, {fromPolarDeg(7, 10), fromPolarDeg(8, 20)});
    const auto& mv = b.r().measuredVectors();
    ASSERT_EQ(mv.size(), 6u);
    EXPECT_NEAR(mv[4].amplitude, 7, 1e-12);  // block 2
    EXPECT_NEAR(mv[5].amplitude, 8, 1e-12);
    EXPECT_EQ(mv[2].amplitude, 0.0);
    b.trialRun(4, {fromPolarDeg(1, 10), fromPolarDeg(1, 20)});  // no plane 4: ignored
    EXPECT_NEAR(mv[4].amplitude, 7, 1e-12);
    double v = 0, a = 0;
    b.r().factorData(3, 3, 3, &v, &a);  // plane 3 is the second measuring plane
    EXPECT_NEAR(v, 8, 1e-12);
    EXPECT_NEAR(a, 20, 1e-9);
}

TEST_F(RotorCoefficients, TrialRunsFromAChosenMatrixGiveItBackAndTheSolutionFollows) {
    Bench b;
    b.r().data().planes[0].radius = 120;
    b.r().data().planes[1].radius = 80;
    b.r().data().planes[0].trialMass = 12;
    b.r().data().planes[1].trialMass = 9;
    b.r().setTrialAngle(0, 45);
    b.r().setTrialAngle(1, 200);
    const Complex K[2][2] = {{fromPolarDeg(0.05, 20), fromPolarDeg(0.01, 200)},
                             {fromPolarDeg(0.015, 75), fromPolarDeg(0.04, -30)}};
    const Complex T[2] = {fromPolarDeg(12 * 120, 45), fromPolarDeg(9 * 80, 200)};
    const Complex U[2] = {fromPolarDeg(250, 35), fromPolarDeg(120, 290)};
    const Complex V0[2] = {K[0][0] * U[0] + K[1][0] * U[1], K[0][1] * U[0] + K[1][1] * U[1]};
    b.trialRun(0, {V0[0], V0[1]});
    for (int r = 0; r < 2; ++r) b.trialRun(r + 1, {V0[0] + K[r][0] * T[r], V0[1] + K[r][1] * T[r]});

    ASSERT_TRUE(b.r().computeInfluenceFactors(false));
    ASSERT_EQ(b.r().data().factors.size(), 4u);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            EXPECT_LT(std::abs(coefficient(b.r().data().factors[static_cast<std::size_t>(2 * r + c)]) - K[r][c]), 1e-12);
    EXPECT_EQ(b.r().data().references.size(), 6u);

    // A database rotor is saved with its coefficients, then block 0 solved.
    ASSERT_TRUE(b.r().loadRotor(nullptr, 0));
    ASSERT_TRUE(b.r().reloadAndCompute());
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(b.r().correctionAmount(i, true), std::abs(U[i]), 1e-6);
        EXPECT_NEAR(b.r().correctionAngle(i, true), rotortest::degreesOf(U[i]), 1e-6);
    }
    RotorData saved;
    ASSERT_TRUE(saved.load("db/C.rotor"));
    EXPECT_EQ(saved.factors.size(), 4u);
    EXPECT_TRUE(saved.runs.empty());  // saved before the solution records its run
}

TEST_F(RotorCoefficients, AHistoryRotorIsSolvedWithoutWriting) {
    Bench b(1);
    b.r().data().factors = {Vector(0.5, 0)};
    b.r().recordRun(Measurement());
    const std::string name = b.r().nameText(true);
    b.r().closeHistory();
    Bench h(1);
    ASSERT_TRUE(h.r().loadRotor(name.c_str(), 2));
    h.trialRun(0, {fromPolarDeg(5, 30)});
    ASSERT_TRUE(h.r().closeHistoryFile() == false);
    const auto before = testwd::readFile("history/" + name);
    EXPECT_TRUE(h.r().reloadAndCompute());
    EXPECT_NEAR(h.r().correctionAmount(0, true), 10, 1e-9);
    EXPECT_FALSE(std::filesystem::exists("db"));
    EXPECT_EQ(testwd::filesIn("history").size(), 2u);  // the new run starts its own job file
    EXPECT_EQ(testwd::readFile("history/" + name), before);
}

TEST_F(RotorCoefficients, GuardsLeaveTheCoefficientsAlone) {
    Bench b;
    b.r().data().planes[0].radius = 100;
    b.r().data().planes[1].radius = 100;
    b.r().setTrialMass(10, 0);
    b.r().data().factors = {Vector(1, 1)};
    b.trialRun(0, {fromPolarDeg(1, 0), fromPolarDeg(1, 0)});
    b.trialRun(1, {fromPolarDeg(2, 0), fromPolarDeg(1, 0)});
    EXPECT_EQ(b.r().measuredVectors().size(), 6u);

    // A plane without trial mass.
    b.r().data().planes[1].trialMass = 0;
    EXPECT_FALSE(b.r().computeInfluenceFactors(false));
    EXPECT_EQ(b.r().data().factors.size(), 1u);
    b.r().data().planes[1].trialMass = 10;
    b.r().data().planes[1].radius = 0;
    EXPECT_FALSE(b.r().computeInfluenceFactors(false));
    b.r().data().planes[1].radius = 100;

    // Too few measured vectors (a plane added since the trial runs).
    b.r().insertPlane(3);
    b.r().setPlaneChannels(3, 3, 0);
    b.r().data().planes[2].radius = 100;
    b.r().data().planes[2].trialMass = 10;
    EXPECT_FALSE(b.r().computeInfluenceFactors(false));
    EXPECT_EQ(b.r().data().factors.size(), 1u);
    b.r().removePlane(3);

    // Accumulating onto a list of another size replaces it.
    b.trialRun(2, {fromPolarDeg(1, 0), fromPolarDeg(3, 0)});
    EXPECT_TRUE(b.r().computeInfluenceFactors(true));
    ASSERT_EQ(b.r().data().factors.size(), 4u);
    EXPECT_NEAR(b.r().data().factors[0].amplitude, 0.001, 1e-15);
    EXPECT_NEAR(b.r().data().factors[3].amplitude, 0.002, 1e-15);
}

// Kept speed series: list 0 the reference, list plane + 1 with the trial mass.
void series(Rotor& r, unsigned list, const std::vector<int>& speeds, const std::vector<Complex>& ch0,
            const std::vector<Complex>& ch1) {
    r.storeResult(0, false);
    for (std::size_t e = 0; e < speeds.size(); ++e) {
        rotortest::feedSession(r, {ch0[e], ch1[e]});
        r.storeResult(speeds[e], true);
    }
    r.keepResults(list);
}

TEST_F(RotorCoefficients, InternalFactorsFitSensitivityAndPhaseOverSpeed) {
    Bench b;
    b.r().data().planes[0].radius = 10;
    b.r().data().planes[1].radius = 10;
    b.r().setTrialMass(10, 0);  // U = 100
    b.r().data().planes[1].distance1 = 1;  // a = 0, b = 1: reduced unbalance 100
    b.r().data().planes[1].distance2 = 1;  // c = 1: 50 on channel 1
    const std::vector<int> speeds{100, 150, 200};
    const std::vector<Complex> zero(3, Complex(0, 0));
    // s = 0.02 f - 1 and a = 10 + 3000 / f.
    std::vector<Complex> trial0, trial1;
    for (int f : speeds) {
        trial0.push_back(fromPolarDeg((0.02 * f - 1) * 100, 10 + 3000.0 / f));
        trial1.push_back(fromPolarDeg((0.02 * f - 1) * 50, 10 + 3000.0 / f));
    }
    series(b.r(), 0, speeds, zero, zero);
    series(b.r(), 1, speeds, trial0, trial1);
    series(b.r(), 2, speeds, trial0, trial1);

    double K[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    b.r().computeInternalFactors(K, 0, 0);
    EXPECT_NEAR(K[0], 0.02, 1e-12);
    EXPECT_NEAR(K[1], -1, 1e-10);
    EXPECT_NEAR(K[2], 10, 1e-9);
    EXPECT_NEAR(K[3], 3000, 1e-7);
    b.r().updateInternalFactors(K);
    EXPECT_NEAR(K[0], 0.02, 1e-12);
    EXPECT_NEAR(K[4], 0.02, 1e-12);
    EXPECT_NEAR(K[5], -1, 1e-10);

    // A speed label that does not match gives zeros.
    series(b.r(), 1, {100, 160, 200}, trial0, trial1);
    b.r().computeInternalFactors(K, 0, 0);
    EXPECT_EQ(K[0], 0.0);
    EXPECT_EQ(K[3], 0.0);
    // A series of another length, or a zero reduced unbalance: zeros and the error line.
    series(b.r(), 1, {100, 150}, trial0, trial1);
    K[1] = 5;
    b.r().computeInternalFactors(K, 0, 0);
    EXPECT_EQ(K[1], 0.0);
    EXPECT_NE(testwd::readFile("logs/calcs.log").find("error! size doesn't match or disb == 0"), std::string::npos);
    b.r().setTrialMass(0, 0);
    K[1] = 5;
    b.r().computeInternalFactors(K, 1, 1);
    EXPECT_EQ(K[1], 0.0);
    // One speed only: no line can be fitted.
    b.r().setTrialMass(10, 0);
    series(b.r(), 0, {100, 100, 100}, zero, zero);
    series(b.r(), 1, {100, 100, 100}, trial0, trial1);
    K[0] = 5;
    b.r().computeInternalFactors(K, 0, 0);
    EXPECT_EQ(K[0], 0.0);
    EXPECT_EQ(K[1], 0.0);
}

}  // namespace
