// Corrections of a run: the static/couple split, the strip of an arc
// addition, flat and arc milling, and (with runs) computeCorrections and the
// saved result.  Expected values are computed here from the geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <string>
#include <vector>

#include "records/job_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"
#include "support/sync_recorder.h"
#include "rotor_files_fixture.h"
#include "rotor_test_config.h"

using namespace jobrec;
using cplx = std::complex<double>;

namespace {

constexpr double kPi = polar::kPi;

double rad(double deg) {
    return deg * kPi / 180.0;
}

// A rotor without channel settings; the test adds the planes it needs.
struct Corr {
    TestConfig cfg;
    Rotor rotor;
    Corr() : rotor((cfg.channels(5), cfg.get())) { rotor.clearPlanes(); }

    Plane& add() {
        rotor.insertPlane(static_cast<int>(rotor.data().planes.size()) + 1);
        return rotor.data().planes.back();
    }
    Plane& at(int p) { return rotor.data().planes[static_cast<std::size_t>(p - 1)]; }
    // The plane's unbalance as a complex number.
    cplx unbalance(int p) { return std::polar(at(p).unbalanceAmount, rad(at(p).unbalanceAngle)); }
    void setUnbalance(int p, double amount, double degrees) {
        at(p).unbalanceAmount = amount;
        at(p).unbalanceAngle = degrees;
    }
    // A recorded run, so that the calculations that need one run.
    void addRun() { rotor.data().runs.push_back(Measurement()); }
};

// Three planes, the middle one without a channel; the outer planes are
// z0 before and z1 after the middle plane.
void threePlanes(Corr& c, double z0, double z1) {
    c.add().channel1 = 1;
    c.add();
    c.add().channel1 = 2;
    c.at(1).distance1 = 80;  // plane 1 from the support: plays no part in the split
    c.at(2).distance1 = z0;
    c.at(3).distance1 = z1;
    for (int p = 1; p <= 3; ++p) c.at(p).radius = 100;
    ASSERT_EQ(c.rotor.planeScheme(), 1);
}

// Circular segment of height s on radius R, as the flat milling takes it.
double segArea(double R, double s) {
    const double c = 2 * std::sqrt((2 * R - s) * s);
    return 0.5 * (2 * std::acos((R - s) / R) * R * R - (R - s) * c);
}
double segCentroid(double R, double s) {
    const double c = 2 * std::sqrt((2 * R - s) * s);
    return c * c * c / (12 * segArea(R, s));
}

// Unbalance (kg*m) of an annular sector of angle t between r and R, w thick.
double sectorUnbalance(double t, double R, double r, double w, double rho) {
    const double mass = rho * w * t * (R * R - r * r) * 0.5;
    const double centroid = 4 * std::sin(t / 2) * (r * R + R * R + r * r) / (3 * t * (r + R));
    return mass * centroid;
}

}  // namespace

// Every test runs in a temporary working directory (logs, history files).
class RotorCorrections : public rotortest::TempWorkDir {};

// ---------------------------------------------------------------- static and couple

TEST_F(RotorCorrections, SplitReproducesForceAndMomentOfTheOuterPlanes) {
    struct Case {
        double u0, a0, u2, a2, z0, z1;
    };
    const Case cases[] = {
        {40, 30, 25, 200, 200, 350},
        {12, 350, 70, 10, 90, 40},
        {5, 181, 5, 1, 120, 120},
        {0, 0, 33, 123, 60, 250},
    };
    for (const Case& k : cases) {
        Corr c;
        threePlanes(c, k.z0, k.z1);
        c.setUnbalance(1, k.u0, k.a0);
        c.setUnbalance(2, 999, 45);  // the middle plane's old value is replaced
        c.setUnbalance(3, k.u2, k.a2);
        const cplx U0 = c.unbalance(1), U2 = c.unbalance(3);
        c.rotor.splitStaticCouple();
        const cplx C0 = c.unbalance(1), S = c.unbalance(2), C2 = c.unbalance(3);
        // Axial places: plane 1 at 0, the middle plane at z0, plane 3 at z0 + z1.
        const double x1 = k.z0, x2 = k.z0 + k.z1;
        EXPECT_NEAR(std::abs(C0 + S + C2 - (U0 + U2)), 0.0, 1e-9) << k.u0 << " " << k.u2;
        for (double origin : {0.0, -500.0, 1234.0}) {
            const cplx before = (0 - origin) * U0 + (x2 - origin) * U2;
            const cplx after = (0 - origin) * C0 + (x1 - origin) * S + (x2 - origin) * C2;
            EXPECT_NEAR(std::abs(after - before), 0.0, 1e-7) << "about " << origin;
        }
        // The static part is the sum; the couple is two opposite equal vectors.
        EXPECT_NEAR(std::abs(S - (U0 + U2)), 0.0, 1e-9);
        EXPECT_NEAR(std::abs(C0 + C2), 0.0, 1e-9);
        // The mass follows the unbalance on the correction radius.
        EXPECT_NEAR(c.at(2).massAmount, std::abs(S) / 100, 1e-12);
    }
}

TEST_F(RotorCorrections, SplitOfAPureCoupleAndOfACentredStaticUnbalance) {
    {
        Corr c;
        threePlanes(c, 150, 150);
        c.setUnbalance(1, 30, 40);
        c.setUnbalance(3, 30, 220);
        c.rotor.splitStaticCouple();
        EXPECT_NEAR(c.at(2).unbalanceAmount, 0.0, 1e-9);
        EXPECT_NEAR(c.at(1).unbalanceAmount, 30.0, 1e-9);
        EXPECT_NEAR(c.at(1).unbalanceAngle, 40.0, 1e-9);
        EXPECT_NEAR(c.at(3).unbalanceAmount, 30.0, 1e-9);
        EXPECT_NEAR(c.at(3).unbalanceAngle, 220.0, 1e-9);
    }
    {
        Corr c;
        threePlanes(c, 150, 150);
        c.setUnbalance(1, 20, 75);
        c.setUnbalance(3, 20, 75);
        c.rotor.splitStaticCouple();
        EXPECT_NEAR(c.at(1).unbalanceAmount, 0.0, 1e-9);
        EXPECT_NEAR(c.at(3).unbalanceAmount, 0.0, 1e-9);
        EXPECT_NEAR(c.at(2).unbalanceAmount, 40.0, 1e-9);
        EXPECT_NEAR(c.at(2).unbalanceAngle, 75.0, 1e-9);
    }
}

TEST_F(RotorCorrections, SplitWithoutLeverArmsChangesNothing) {
    for (double z : {0.0, -10.0, std::nan("")}) {
        Corr c;
        threePlanes(c, z, z == 0.0 ? 0.0 : 5.0);
        c.setUnbalance(1, 10, 10);
        c.setUnbalance(2, 7, 20);
        c.setUnbalance(3, 12, 30);
        c.rotor.splitStaticCouple();
        EXPECT_EQ(c.at(1).unbalanceAmount, 10.0);
        EXPECT_EQ(c.at(2).unbalanceAmount, 7.0);
        EXPECT_EQ(c.at(3).unbalanceAngle, 30.0);
    }
}

TEST_F(RotorCorrections, ASkippedSplitIsLogged) {
    Corr c;
    threePlanes(c, 0, 0);
    c.setUnbalance(1, 10, 10);
    c.rotor.splitStaticCouple();
    EXPECT_NE(testwd::readFile("logs/calcs.log")
                  .find("splitStaticCouple: plane distances 0 and 0 give no lever arm"),
              std::string::npos);
}

// ---------------------------------------------------------------- addition on an arc

TEST_F(RotorCorrections, ArcAdditionGivesTheStripMass) {
    Corr c;
    c.add();
    c.add();
    Plane& arc = c.at(1);
    Plane& other = c.at(2);
    arc.mean = kMeanArc;  // addition is the default mode
    arc.radius = 100;
    arc.linearMass = 0.05;  // g/mm: 2*R*R*q = 1000 g*mm
    c.addRun();
    c.setUnbalance(1, 300, 15);
    arc.massAmount = 7;
    other.massAmount = 3;
    c.rotor.setCorrectionLimited(2);
    c.rotor.computeArcCorrections();
    const double half = std::asin(300.0 / 1000.0);
    EXPECT_NEAR(arc.massAmount, 2 * 100 * 0.05 * half, 1e-12);
    // The strip's own unbalance is the need.
    EXPECT_NEAR(2 * 100 * 100 * 0.05 * std::sin(half), 300.0, 1e-9);
    EXPECT_EQ(other.massAmount, 3.0);
    EXPECT_FALSE(c.rotor.isCorrectionLimited(0));
    EXPECT_FALSE(c.rotor.isCorrectionLimited(1));  // earlier limits are cleared

    // A need of exactly half the circle's reach is a half circle each side.
    c.setUnbalance(1, 1000, 15);
    c.rotor.computeArcCorrections();
    EXPECT_NEAR(arc.massAmount, 2 * 100 * 0.05 * kPi / 2, 1e-12);
}

TEST_F(RotorCorrections, ArcAdditionBeyondReachOrWithoutGeometryIsLimited) {
    Corr c;
    Plane& arc = c.add();
    arc.mean = kMeanArc;
    arc.radius = 100;
    arc.linearMass = 0.05;
    c.addRun();
    c.setUnbalance(1, 1000.5, 15);
    arc.massAmount = 7;
    c.rotor.computeArcCorrections();
    EXPECT_TRUE(c.rotor.isCorrectionLimited(0));
    EXPECT_EQ(arc.massAmount, 7.0);

    for (auto geometry : {std::pair<double, double>{0, 0.05}, {100, 0}, {-100, 0.05}}) {
        arc.radius = geometry.first;
        arc.linearMass = geometry.second;
        c.setUnbalance(1, 10, 15);
        c.rotor.computeArcCorrections();
        EXPECT_TRUE(c.rotor.isCorrectionLimited(0)) << geometry.first << " " << geometry.second;
        EXPECT_EQ(arc.massAmount, 7.0);
    }
}

TEST_F(RotorCorrections, ArcAdditionWithoutRunsDoesNothing) {
    Corr c;
    Plane& arc = c.add();
    arc.mean = kMeanArc;
    arc.radius = 100;
    arc.linearMass = 0.05;
    c.setUnbalance(1, 300, 15);
    arc.massAmount = 7;
    c.rotor.setCorrectionLimited(1);
    c.rotor.computeArcCorrections();
    EXPECT_EQ(arc.massAmount, 7.0);
    EXPECT_TRUE(c.rotor.isCorrectionLimited(0));
}

// ---------------------------------------------------------------- flat milling

namespace {

Plane& flatPlane(Corr& c, double R, double w, double hmax) {
    Plane& pl = c.add();
    pl.mode = kModeRemoval;
    pl.mean = kMeanFlatMilling;
    pl.radius = R;
    pl.millWidth = w;
    pl.maxMillDepth = hmax;
    pl.density = 7.8;
    return pl;
}

// Unbalance in g*mm that the full depth of a cut of width w removes.
double fullCut(double R, double w, double hmax, double density) {
    const double Rm = R / 1000, s = w / 1000;
    return segArea(Rm, s) * (hmax / 1000) * density * 1000 * segCentroid(Rm, s) * 1e6;
}

}  // namespace

TEST_F(RotorCorrections, FlatMillingDepthWithinTheMaximum) {
    Corr c;
    Plane& pl = flatPlane(c, 150, 20, 5);
    const double full = fullCut(150, 20, 5, 7.8);
    ASSERT_GT(full, 100.0);

    c.setUnbalance(1, 0.4 * full, 0);
    c.rotor.millingDepth(1);
    EXPECT_NEAR(pl.massAmount, 2.0, 1e-6);  // proportional to the need
    EXPECT_FALSE(c.rotor.isCorrectionLimited(0));

    c.setUnbalance(1, full, 0);  // the exact fit
    c.rotor.millingDepth(1);
    EXPECT_NEAR(pl.massAmount, 5.0, 1e-6);
    EXPECT_FALSE(c.rotor.isCorrectionLimited(0));

    c.setUnbalance(1, 0, 0);
    c.rotor.millingDepth(1);
    EXPECT_NEAR(pl.massAmount, 0.0, 1e-6);
}

TEST_F(RotorCorrections, FlatMillingBeyondTheMaximumGivesTheWidthNegated) {
    Corr c;
    Plane& pl = flatPlane(c, 150, 20, 5);
    const double need = 3 * fullCut(150, 20, 5, 7.8);
    c.setUnbalance(1, need, 0);
    c.rotor.millingDepth(1);
    // A segment of height hmax, cut over the width x.
    const double Rm = 0.15, h = 0.005;
    const double width = (need / 1e6) / (segArea(Rm, h) * 7800 * segCentroid(Rm, h));
    EXPECT_NEAR(pl.massAmount, -width * 1000, 1e-6);
    EXPECT_LT(pl.massAmount, 0.0);
    EXPECT_FALSE(c.rotor.isCorrectionLimited(0));
}

TEST_F(RotorCorrections, FlatMillingOnImpossibleGeometryIsLimitedAndKeepsTheQuantity) {
    struct Geometry {
        double R, w, hmax;
    };
    for (const Geometry g :
         {Geometry{150, 20, 400}, Geometry{150, 0, 0}, Geometry{0, 20, 5}, Geometry{150, 20, 0}}) {
        Corr c;
        Plane& pl = flatPlane(c, g.R, g.w, g.hmax);
        // Beyond what the full depth removes, where the maximum depth counts.
        const double full = fullCut(g.R, g.w, g.hmax, 7.8);
        c.setUnbalance(1, std::isfinite(full) && full > 0 ? 2 * full : 500, 0);
        pl.massAmount = 4.25;
        c.rotor.millingDepth(1);
        EXPECT_TRUE(c.rotor.isCorrectionLimited(0)) << g.R << " " << g.w << " " << g.hmax;
        EXPECT_EQ(pl.massAmount, 4.25);
    }
}

// ---------------------------------------------------------------- arc milling

namespace {

Plane& arcMillPlane(Corr& c) {
    Plane& pl = c.add();
    pl.mode = kModeRemoval;
    pl.mean = kMeanArcMilling;
    pl.radius = 200;
    pl.maxMillDepth = 10;
    pl.millWidth = 15;
    pl.density = 7.8;
    return pl;
}

}  // namespace

TEST_F(RotorCorrections, ArcMillingAngleOfTheSector) {
    for (double t : {0.3, 1.2, 2.5, 3.1}) {
        Corr c;
        Plane& pl = arcMillPlane(c);
        const double need = sectorUnbalance(t, 0.2, 0.19, 0.015, 7800) * 1e6;
        c.setUnbalance(1, need, 0);
        c.rotor.arcMillingAngle(1);
        EXPECT_NEAR(pl.massAmount, t * 180 / kPi, 1e-4) << t;
        EXPECT_FALSE(c.rotor.isCorrectionLimited(0));
        // The cut found removes the need.
        EXPECT_NEAR(sectorUnbalance(rad(pl.massAmount), 0.2, 0.19, 0.015, 7800) * 1e6, need, 1e-3);
    }
}

TEST_F(RotorCorrections, ArcMillingBeyondHalfTheCircleIsLimited) {
    Corr c;
    Plane& pl = arcMillPlane(c);
    const double most = sectorUnbalance(kPi, 0.2, 0.19, 0.015, 7800) * 1e6;
    c.setUnbalance(1, most * 1.2, 0);
    pl.massAmount = 1;
    c.rotor.arcMillingAngle(1);
    EXPECT_TRUE(c.rotor.isCorrectionLimited(0));
    EXPECT_TRUE(std::isfinite(pl.massAmount));
    EXPECT_GE(pl.massAmount, 0.0);
    EXPECT_LT(pl.massAmount, 360.0);

    Corr d;
    Plane& none = arcMillPlane(d);
    none.millWidth = 0;
    d.setUnbalance(1, 100, 0);
    none.massAmount = 1;
    d.rotor.arcMillingAngle(1);
    EXPECT_TRUE(d.rotor.isCorrectionLimited(0));
    EXPECT_EQ(none.massAmount, 1.0);
}

// ---------------------------------------------------------------- computeCorrections

namespace {

Result unbalanceResult(double amount, double degrees) {
    Result r;
    r.unbalance = Vector(amount, rad(degrees));
    return r;
}

Measurement run2(double u0, double a0, double u1, double a1) {
    Measurement m;
    m.results = {unbalanceResult(u0, a0), unbalanceResult(u1, a1)};
    return m;
}

// Two planes: an addition plane of radius 100 and a removal plane of radius 50.
void twoPlanes(Corr& c) {
    c.add().channel1 = 1;
    c.add().channel1 = 2;
    c.at(1).radius = 100;
    c.at(2).radius = 50;
    c.at(2).mode = kModeRemoval;
}

}  // namespace

TEST_F(RotorCorrections, CorrectionsOfTheCurrentRunAndZeroAll) {
    Corr c;
    twoPlanes(c);
    c.rotor.data().runs = {run2(10, 20, 30, 40), run2(50, 60, 70, 80)};
    c.rotor.selectRun(0);
    c.rotor.setCorrectionLimited(1);
    c.rotor.computeCorrections(false, false, false, false);
    EXPECT_FALSE(c.rotor.isCorrectionLimited(0));
    EXPECT_NEAR(c.at(1).unbalanceAmount, 10, 1e-12);
    EXPECT_NEAR(c.at(1).unbalanceAngle, 20, 1e-9);
    EXPECT_NEAR(c.at(1).massAmount, 0.1, 1e-12);
    EXPECT_NEAR(c.at(1).massAngle, 200, 1e-9);  // addition: opposite the unbalance
    EXPECT_NEAR(c.at(2).massAmount, 30.0 / 50, 1e-12);
    EXPECT_NEAR(c.at(2).massAngle, 40, 1e-9);  // removal: at the unbalance

    c.rotor.selectRun(1);
    c.rotor.computeCorrections(false, false, true, false);
    for (int p = 1; p <= 2; ++p) {
        EXPECT_EQ(c.at(p).unbalanceAmount, 0.0);
        EXPECT_EQ(c.at(p).massAmount, 0.0);
    }
    c.rotor.computeCorrections(false, false, false, false);
    EXPECT_NEAR(c.at(2).unbalanceAmount, 70, 1e-12);
}

TEST_F(RotorCorrections, SavedResultIsSubtractedOnRequest) {
    Corr c;
    twoPlanes(c);
    c.rotor.data().runs = {run2(10, 20, 30, 40)};
    c.rotor.data().results = {Vector(4, rad(300)), Vector(30, rad(40))};
    c.rotor.selectRun(0);

    c.rotor.computeCorrections(false, false, false, false);
    EXPECT_NEAR(c.at(1).unbalanceAmount, 10, 1e-12);

    c.rotor.computeCorrections(true, false, false, false);
    const cplx d = std::polar(10.0, rad(20)) - std::polar(4.0, rad(300));
    EXPECT_NEAR(c.at(1).unbalanceAmount, std::abs(d), 1e-9);
    EXPECT_NEAR(c.at(1).unbalanceAngle, polar::reduceDegrees(std::arg(d) * 180 / kPi), 1e-9);
    EXPECT_NEAR(c.at(1).massAmount, std::abs(d) / 100, 1e-9);
    EXPECT_NEAR(c.at(2).unbalanceAmount, 0.0, 1e-9);  // the same vector: nothing left
    EXPECT_EQ(c.at(2).unbalanceAngle, 0.0);

    // A saved list shorter than the planes: the missing vector counts as 0.
    c.rotor.data().results.resize(1);
    c.rotor.computeCorrections(true, false, false, false);
    EXPECT_NEAR(c.at(1).unbalanceAmount, std::abs(d), 1e-9);
    EXPECT_NEAR(c.at(2).unbalanceAmount, 30, 1e-9);
    EXPECT_NEAR(c.at(2).unbalanceAngle, 40, 1e-9);
}

TEST_F(RotorCorrections, AControlRotorSubtractsOnlyAtItsRun33) {
    Corr c;
    twoPlanes(c);
    c.rotor.data().controlRotor = true;
    c.rotor.data().runs.assign(35, run2(10, 0, 20, 90));
    c.rotor.data().results = {Vector(10, 0), Vector(5, rad(90))};

    c.rotor.selectRun(32);
    c.rotor.computeCorrections(true, false, false, false);  // asked, but not at run 33
    EXPECT_NEAR(c.at(1).unbalanceAmount, 10, 1e-12);
    EXPECT_NEAR(c.at(2).unbalanceAmount, 20, 1e-12);

    c.rotor.selectRun(33);
    c.rotor.computeCorrections(false, false, false, false);  // not asked, but run 33
    EXPECT_NEAR(c.at(1).unbalanceAmount, 0, 1e-9);
    EXPECT_NEAR(c.at(2).unbalanceAmount, 15, 1e-9);

    c.rotor.data().results.clear();
    c.rotor.computeCorrections(true, false, false, false);  // nothing saved
    EXPECT_NEAR(c.at(2).unbalanceAmount, 20, 1e-12);
}

TEST_F(RotorCorrections, ThreePlaneRotorIsSplitUnlessItIsAControlRotor) {
    Corr c;
    threePlanes(c, 100, 100);
    c.rotor.data().runs = {run2(20, 75, 20, 75)};  // static, middle plane centred
    c.rotor.selectRun(0);
    c.rotor.computeCorrections(false, false, false, false);
    EXPECT_NEAR(c.at(1).unbalanceAmount, 0, 1e-9);
    EXPECT_NEAR(c.at(2).unbalanceAmount, 40, 1e-9);
    EXPECT_NEAR(c.at(2).unbalanceAngle, 75, 1e-9);
    EXPECT_NEAR(c.at(3).unbalanceAmount, 0, 1e-9);

    c.rotor.data().controlRotor = true;
    c.at(2).unbalanceAmount = 0;
    c.rotor.computeCorrections(false, false, false, false);
    EXPECT_NEAR(c.at(1).unbalanceAmount, 20, 1e-9);
    EXPECT_NEAR(c.at(2).unbalanceAmount, 0, 1e-9);
    EXPECT_NEAR(c.at(3).unbalanceAmount, 20, 1e-9);
}

TEST_F(RotorCorrections, MachiningPlanesGetTheirCutsOnlyWhenAsked) {
    Corr c;
    Plane& flat = flatPlane(c, 150, 20, 5);
    flat.channel1 = 1;
    c.add();
    Plane& arc = c.at(2);
    arc.mode = kModeRemoval;
    arc.mean = kMeanArcMilling;
    arc.radius = 200;
    arc.maxMillDepth = 10;
    arc.millWidth = 15;
    arc.density = 7.8;
    Plane& flatPl = c.at(1);
    const double need = 0.4 * fullCut(150, 20, 5, 7.8);
    const double arcNeed = sectorUnbalance(1.2, 0.2, 0.19, 0.015, 7800) * 1e6;
    c.rotor.data().runs = {run2(need, 10, arcNeed, 20)};
    c.rotor.selectRun(0);

    c.rotor.computeCorrections(false, false, false, false);
    EXPECT_NEAR(flatPl.massAmount, need / 150, 1e-12);  // the plain mass
    EXPECT_NEAR(arc.massAmount, arcNeed / 200, 1e-12);

    c.rotor.computeCorrections(false, false, false, true);
    EXPECT_NEAR(flatPl.massAmount, 2.0, 1e-6);
    EXPECT_NEAR(arc.massAmount, 1.2 * 180 / kPi, 1e-4);
    EXPECT_NEAR(flatPl.massAngle, 10, 1e-9);
}

// ---------------------------------------------------------------- saved result

namespace {

std::vector<std::uint32_t> wordsOf(const std::string& bytes) {
    std::vector<std::uint32_t> w(bytes.size() / 4);
    for (std::size_t i = 0; i < w.size(); ++i)
        w[i] = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[4 * i])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[4 * i + 1])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[4 * i + 2])) << 16 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[4 * i + 3])) << 24;
    return w;
}

}  // namespace

TEST_F(RotorCorrections, NothingOnTheFirstRunAndZerosForAll) {
    Corr c;
    twoPlanes(c);
    c.rotor.data().runs = {run2(10, 20, 30, 40), run2(50, 60, 70, 80)};
    c.rotor.data().results = {Vector(1, 2)};
    c.rotor.selectRun(0);
    c.rotor.saveResult(false);
    ASSERT_EQ(c.rotor.data().results.size(), 1u);
    EXPECT_EQ(c.rotor.data().results[0].amplitude, 1.0);

    c.rotor.saveResult(true);
    ASSERT_EQ(c.rotor.data().results.size(), 2u);
    for (const Vector& v : c.rotor.data().results) {
        EXPECT_EQ(v.amplitude, 0.0);
        EXPECT_EQ(v.angle, 0.0);
    }
}

TEST_F(RotorCorrections, MeanOfTheLastTwoRunsPerPlane) {
    Corr c;
    threePlanes(c, 100, 100);  // the middle plane has no channel: 0
    c.rotor.data().runs = {run2(10, 20, 30, 40), run2(50, 60, 70, 80), Measurement()};
    c.rotor.selectRun(1);
    c.rotor.saveResult(false);
    const auto& saved = c.rotor.data().results;
    ASSERT_EQ(saved.size(), 3u);
    const cplx m0 = (std::polar(10.0, rad(20)) + std::polar(50.0, rad(60))) / 2.0;
    const cplx m2 = (std::polar(30.0, rad(40)) + std::polar(70.0, rad(80))) / 2.0;
    EXPECT_NEAR(saved[0].amplitude, std::abs(m0), 1e-12);
    EXPECT_NEAR(saved[0].angle, std::arg(m0), 1e-12);
    EXPECT_EQ(saved[1].amplitude, 0.0);
    EXPECT_NEAR(saved[2].amplitude, std::abs(m2), 1e-12);
    EXPECT_NEAR(saved[2].angle, std::arg(m2), 1e-12);

    // A run without Results counts as zero: the mean is half the other run.
    c.rotor.selectRun(2);
    c.rotor.saveResult(false);
    EXPECT_NEAR(saved[0].amplitude, 25, 1e-12);
    EXPECT_NEAR(saved[0].angle, rad(60), 1e-12);

    // Opposite vectors give amplitude 0 at angle 0.
    c.rotor.data().runs = {run2(10, 20, 30, 40), run2(10, 200, 30, 220)};
    c.rotor.selectRun(1);
    c.rotor.saveResult(false);
    EXPECT_NEAR(saved[0].amplitude, 0, 1e-12);
    EXPECT_TRUE(std::isfinite(saved[0].angle));
}

TEST_F(RotorCorrections, TheHistoryFileGetsTheClearAndEveryVector) {
    TestConfig cfg;
    TestConfig::Drive end;
    end.active = true;
    cfg.channel(true).channel(true).channel(false).channel(false).channel(false).endDrive(end);
    Rotor r(cfg.get());
    r.setName("SAVE");
    r.data().planes[0].radius = 100;
    r.data().planes[1].radius = 50;
    r.recordRun(run2(10, 20, 30, 40));
    ASSERT_TRUE(r.isHistoryOpen());
    r.recordRun(run2(50, 60, 70, 80));
    const auto names = testwd::filesIn("history");
    ASSERT_EQ(names.size(), 1u);
    const std::string path = "history/" + names[0];

    // The first save: the list was empty, so no clear command.
    const std::size_t before = testwd::readFile(path).size();
    r.saveResult(false);
    std::string bytes = testwd::readFile(path);
    auto tail = wordsOf(bytes.substr(before));
    // Two Vector items, each a header and its two double fields of 3 words.
    ASSERT_EQ(tail.size(), 14u);
    EXPECT_EQ(tail[0], Tris::makeHeader(kResults, false, 6));
    EXPECT_EQ(tail[7], Tris::makeHeader(kResults, false, 6));

    // The second save clears the list first; zero vectors are written too.
    const std::size_t middle = bytes.size();
    testsupport::startSyncRecord();
    r.saveResult(true);
    EXPECT_EQ(testsupport::syncRecord().fsynced.size(), 1u) << "not one write: a cut leaves a part of the list";
    bytes = testwd::readFile(path);
    tail = wordsOf(bytes.substr(middle));
    const std::vector<std::uint32_t> expected{0x731C0601u, 0x1900u, Tris::makeHeader(kResults, false, 0),
                                              Tris::makeHeader(kResults, false, 0)};
    EXPECT_EQ(tail, expected);

    RotorData back;
    ASSERT_TRUE(back.load(path));
    ASSERT_EQ(back.results.size(), 2u);
    EXPECT_EQ(back.results[0].amplitude, 0.0);
    EXPECT_EQ(back.results[1].amplitude, 0.0);

    // Saved again from the runs: the file replays the latest list.
    r.saveResult(false);
    RotorData again;
    ASSERT_TRUE(again.load(path));
    ASSERT_EQ(again.results.size(), 2u);
    const cplx m1 = (std::polar(30.0, rad(40)) + std::polar(70.0, rad(80))) / 2.0;
    EXPECT_NEAR(again.results[1].amplitude, std::abs(m1), 1e-12);
    EXPECT_NEAR(again.results[1].angle, std::arg(m1), 1e-12);
}

TEST_F(RotorCorrections, ArcAdditionTakesTheUnbalanceLeftAfterTheSavedResult) {
    Corr c;
    c.add().channel1 = 1;
    c.add().channel1 = 2;
    c.at(1).mean = kMeanArc;
    c.at(1).radius = 100;
    c.at(1).linearMass = 0.05;
    c.at(2).radius = 100;
    c.rotor.data().runs = {run2(900, 30, 10, 0)};
    c.rotor.data().results = {Vector(600, rad(30)), Vector()};
    c.rotor.selectRun(0);
    c.rotor.computeCorrections(true, false, false, false);
    c.rotor.computeArcCorrections();
    // 900 - 600 = 300 g*mm at 30 degrees: the strip for 300, not for 900.
    EXPECT_NEAR(c.at(1).massAmount, 2 * 100 * 0.05 * std::asin(0.3), 1e-9);
    EXPECT_NEAR(c.at(1).massAngle, 210, 1e-9);
    EXPECT_FALSE(c.rotor.isCorrectionLimited(0));
}
