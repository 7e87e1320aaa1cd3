#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "records/job_records.h"
#include "rotor/polar.h"
#include "rotor/position_table.h"
#include "rotor/rotor.h"
#include "rotor_test_config.h"

using namespace jobrec;

namespace {

// A real rotor gives the plane parameters; a table of the test's own is laid
// over it so that its positions can be inspected directly.  The rotor's own
// table is exercised through the rotor interface.
struct Positions {
    TestConfig cfg;
    Rotor rotor;
    std::vector<std::pair<int, std::pair<double, double>>> corrections;
    PositionTable table{&rotor, PositionTable::Hooks{[this](int i, double m, double a) {
                                                          corrections.push_back({i, {m, a}});
                                                      },
                                                      [] { return 118.0; }}};

    Positions() : rotor((cfg.channels(5), cfg.get())) {
        rotor.clearPlanes();
        rotor.data().permissibleUnbalance = 10;
    }

    Plane& at(int p) { return rotor.data().planes[static_cast<std::size_t>(p - 1)]; }
    Plane& addPlane() {
        rotor.insertPlane(static_cast<int>(rotor.data().planes.size()) + 1);
        return rotor.data().planes.back();
    }
    Plane& indexed(int n, double radius = 100.0) {
        Plane& pl = addPlane();
        pl.mode = kModeAddition;
        pl.mean = kMeanIndexed;
        pl.positions = static_cast<std::uint32_t>(n);
        pl.radius = radius;
        return pl;
    }
    Plane& drilled(double radius, double hole, double wall) {
        Plane& pl = addPlane();
        pl.mode = kModeRemoval;
        pl.mean = kMeanEndDrilling;
        pl.radius = radius;
        pl.holeDiameter = hole;
        pl.wallThickness = wall;
        pl.maxDrillDepth = 20;
        pl.drillAngle = 118;
        return pl;
    }
    double angle(int i, int k) { return table.position(i, k)->angle; }
    double amount(int i, int k) { return table.position(i, k)->amount; }
};

// The unbalance the placed masses of plane index i leave, for a correction U
// at angle a (the masses belong opposite it).
double massResidual(Positions& t, int i, double U, double a) {
    const double radius = t.at(i + 1).radius;
    double x = U * std::cos(polar::toRadians(a + 180)), y = U * std::sin(polar::toRadians(a + 180));
    for (int k = 0; k < t.table.entries()[static_cast<size_t>(i)].count; ++k) {
        x -= t.amount(i, k) * radius * std::cos(polar::toRadians(t.angle(i, k)));
        y -= t.amount(i, k) * radius * std::sin(polar::toRadians(t.angle(i, k)));
    }
    return std::hypot(x, y);
}

}  // namespace

TEST(PositionTable, CountsOfIndexedDrilledAndArbitraryPlanes) {
    Positions t;
    t.drilled(100, 8, 2);  // 2π·100 / 10 = 62.8 holes
    t.indexed(3);
    t.addPlane();  // addition on arbitrary positions
    EXPECT_EQ(t.table.buildPositionTable(), 0b011u);
    ASSERT_EQ(t.table.entries().size(), 3u);
    EXPECT_EQ(t.table.entries()[0].count, 62);
    EXPECT_EQ(t.table.entries()[1].count, 3);
    EXPECT_EQ(t.table.entries()[1].first, 62);
    EXPECT_EQ(t.table.entries()[2].count, 0);
    EXPECT_EQ(t.table.values().size(), 65u);
    EXPECT_EQ(t.table.planeMask(), 0b111u);
    for (const auto& v : t.table.values()) {
        EXPECT_EQ(v.amount, 0.0);
        EXPECT_EQ(v.angle, 0.0);
    }
    // The arbitrary plane shares nothing.
    EXPECT_FALSE(t.table.sharePlaneToPositions(2, true, 500, 10));
    EXPECT_EQ(t.table.position(2, 0), nullptr);
}

TEST(PositionTable, UnusableDrillGeometryGivesNoPositions) {
    Positions t;
    t.drilled(100, 0, 0);
    t.drilled(0, 8, 2);
    t.drilled(-5, 8, 2);
    EXPECT_EQ(t.table.buildPositionTable(), 0u);
    t.table.layoutDrillPositions(0, 10);  // nothing to lay out, and it returns
    EXPECT_TRUE(t.table.values().empty());
}

TEST(PositionTable, ControlRotorPlanesHoldFourAsks) {
    Positions t;
    t.indexed(5);
    t.indexed(5);
    t.addPlane();
    t.rotor.data().controlRotor = true;
    t.table.buildPositionTable();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(t.table.entries()[static_cast<std::size_t>(i)].count, 4) << i;
}

TEST(PositionTable, ManyPlanesAreGuarded) {
    Positions t;
    for (int i = 0; i < 40; ++i) t.indexed(2);
    EXPECT_EQ(t.table.buildPositionTable(), 0xFFFFFFFFu);
    EXPECT_EQ(t.table.entries().size(), 40u);
    EXPECT_EQ(t.table.planeMask(), 0xFFFFFFFFu);
    EXPECT_FALSE(t.table.hasPositions(40));
    EXPECT_FALSE(t.table.hasUsedPositions(-1));
    t.table.setPositionValue(99, 1.0);
    EXPECT_EQ(t.table.positionLookup(35), 0u);
}

TEST(PositionTable, IndexedPlanesShareTheFirstPlanesLayoutAndTrialAngle) {
    Positions t;
    t.indexed(4).trialAngle = 100;
    t.addPlane();
    t.indexed(6).trialAngle = 7;
    t.table.buildPositionTable();
    EXPECT_EQ(t.table.positionLookup(0), 0b101u);
    EXPECT_EQ(t.table.positionLookup(2), 0b100u);
    EXPECT_EQ(t.table.positionLookup(1), 0u);
    t.table.positionEntry(0);
    const double four[] = {10, 100, 190, 280};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(t.angle(0, k), four[k], 1e-9);
    EXPECT_DOUBLE_EQ(t.at(3).trialAngle, 100.0);
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(t.angle(2, k), 40 + 60 * k, 1e-9);
    // A later indexed plane lays out only itself.
    t.at(3).trialAngle = 130;
    t.table.positionEntry(2);
    EXPECT_NEAR(t.angle(2, 0), 10, 1e-9);
    EXPECT_NEAR(t.angle(0, 0), 10, 1e-9);
}

TEST(PositionTable, DrillHolesFollowTheTrialHoleGrid) {
    Positions t;
    // Hole and wall 10 mm at R = 180/π: a hole every 10°, 36 holes.
    t.drilled(180.0 / polar::kPi, 8, 2).trialAngle = 25;
    t.table.buildPositionTable();
    ASSERT_EQ(t.table.entries()[0].count, 36);
    t.table.layoutDrillPositions(0, 47);
    EXPECT_NEAR(t.angle(0, 4), 45, 1e-9);
    EXPECT_NEAR(t.angle(0, 5), 55, 1e-9);
    EXPECT_NEAR(t.angle(0, 3), 35, 1e-9);
    EXPECT_NEAR(t.angle(0, 0), 5, 1e-9);
    EXPECT_NEAR(t.angle(0, 35), 355, 1e-9);
    t.at(1).trialAngle = 0;
    t.table.layoutDrillPositions(0, 47);
    EXPECT_NEAR(t.angle(0, 4), 47, 1e-9);
    EXPECT_NEAR(t.angle(0, 1), 17, 1e-9);
    // Every angle stays in [0, 360).
    for (int k = 0; k < 36; ++k) {
        EXPECT_GE(t.angle(0, k), 0.0);
        EXPECT_LT(t.angle(0, k), 360.0);
    }
}

TEST(PositionTable, EightPositionsShareTheCorrection) {
    Positions t;
    t.indexed(8);
    t.table.buildPositionTable();
    t.table.positionEntry(0);
    EXPECT_TRUE(t.table.sharePlaneToPositions(0, false, 1000, 100));
    EXPECT_NEAR(t.amount(0, 6), 8.1116, 5e-4);
    EXPECT_NEAR(t.amount(0, 7), 2.4558, 5e-4);
    EXPECT_LT(massResidual(t, 0, 1000, 100), 1.0);
    EXPECT_FALSE(t.rotor.isCorrectionLimited(0));
    // The walk starts at the first used position above the correction angle.
    EXPECT_EQ(t.table.entries()[0].current, 6);

    t.at(1).maxMass = 4;
    const bool fitted = t.table.sharePlaneToPositions(0, false, 1000, 100);
    // The verdict follows the residual that the placed masses leave.
    EXPECT_EQ(fitted, massResidual(t, 0, 1000, 100) <= 10);
    EXPECT_EQ(t.rotor.isCorrectionLimited(0), !fitted);
    EXPECT_DOUBLE_EQ(t.amount(0, 5), 4.0);
    EXPECT_DOUBLE_EQ(t.amount(0, 6), 4.0);
    EXPECT_DOUBLE_EQ(t.amount(0, 7), 4.0);
    EXPECT_NEAR(t.amount(0, 0), 1.747, 5e-4);
}

TEST(PositionTable, WithinThePermissibleUnbalanceNothingIsSharedUnlessForced) {
    Positions t;
    t.indexed(8);
    t.rotor.data().permissibleUnbalance = 2000;
    t.table.buildPositionTable();
    t.table.positionEntry(0);
    EXPECT_FALSE(t.table.sharePlaneToPositions(0, false, 1000, 100));
    EXPECT_EQ(t.amount(0, 6), 0.0);
    EXPECT_TRUE(t.table.sharePlaneToPositions(0, true, 1000, 100));
    EXPECT_GT(t.amount(0, 6), 8.0);
}

TEST(PositionTable, ALimitedPlaneIsMarkedAndGetsNoWalk) {
    Positions t;
    t.indexed(4).maxMass = 0.5;
    t.table.buildPositionTable();
    t.table.positionEntry(0);
    EXPECT_FALSE(t.table.sharePlaneToPositions(0, false, 1000, 0));
    EXPECT_TRUE(t.rotor.isCorrectionLimited(0));
    EXPECT_EQ(t.table.entries()[0].current, -1);
}

TEST(PositionTable, KeptAmountsWithinToleranceAreNotLimited) {
    // A small maximum makes a far position's share grow the residual: that
    // share is dropped.  When what was placed leaves a residual within the
    // permissible unbalance, the plane is not limited.
    for (double a = 0; a < 360; a += 5) {
        Positions t;
        t.indexed(3).maxMass = 6;
        t.table.buildPositionTable();
        t.table.positionEntry(0);
        t.rotor.data().permissibleUnbalance = 0;
        t.table.sharePlaneToPositions(0, true, 1000, a);
        const double kept = massResidual(t, 0, 1000, a);
        if (kept < 1.0) continue;
        Positions u;
        u.indexed(3).maxMass = 6;
        u.table.buildPositionTable();
        u.table.positionEntry(0);
        u.rotor.data().permissibleUnbalance = kept + 1e-6;
        EXPECT_TRUE(u.table.sharePlaneToPositions(0, true, 1000, a)) << a;
        EXPECT_FALSE(u.rotor.isCorrectionLimited(0)) << a;
        return;
    }
    FAIL() << "no angle left a residual";
}

TEST(PositionTable, WalkOverUsedPositionsAndSplitSteps) {
    Positions t;
    t.indexed(8).minMass = 0.5;
    t.at(1).unbalanceAngle = 100;  // correction angle used by the walk
    t.table.buildPositionTable();
    t.table.positionEntry(0);
    ASSERT_TRUE(t.table.sharePlaneToPositions(0, false, 1000, 100));
    ASSERT_EQ(t.table.entries()[0].current, 6);

    t.table.splitToPositions(0, false);
    ASSERT_EQ(t.corrections.size(), 1u);
    EXPECT_NEAR(t.corrections[0].second.first, 8.1116, 5e-4);
    EXPECT_DOUBLE_EQ(t.corrections[0].second.second, 270.0);
    EXPECT_EQ(t.table.entries()[0].current, 7);
    EXPECT_EQ(t.table.entries()[0].steps, 0);
    EXPECT_EQ(t.table.entries()[0].previous, 6);

    t.table.splitToPositions(0, false);
    EXPECT_NEAR(t.corrections[1].second.first, 2.4558, 5e-4);
    EXPECT_EQ(t.table.entries()[0].current, -1);  // one turn from the mark, none left
    EXPECT_EQ(t.table.entries()[0].steps, 1);
    EXPECT_FALSE(t.table.hasPositions(0));
    EXPECT_TRUE(t.table.hasUsedPositions(0));

    t.table.setPositionValue(0, 3.5);
    EXPECT_DOUBLE_EQ(t.table.position(0, 7)->value, 3.5);

    // Stepping again runs the walk from its start through the same steps.
    t.corrections.clear();
    t.table.nextPositionSplit(0, false);
    ASSERT_EQ(t.corrections.size(), 1u);
    EXPECT_NEAR(t.corrections[0].second.first, 8.1116, 5e-4);
    EXPECT_EQ(t.table.entries()[0].current, 7);
}

TEST(PositionTable, SmallAmountsAreNotUsedWithoutForce) {
    Positions t;
    t.indexed(4).minMass = 10;
    t.table.buildPositionTable();
    t.table.positionEntry(0);
    for (int k = 0; k < 4; ++k) const_cast<PositionValue*>(t.table.position(0, k))->amount = 1;
    EXPECT_EQ(t.table.nextUsedPosition(0, false, 0), -1);
    EXPECT_EQ(t.table.nextUsedPosition(0, true, 0), 1);  // first above 0° is position 1 (90°)
    // An empty position is never used, even with a minimum mass of 0.
    t.at(1).minMass = 0;
    for (int k = 0; k < 4; ++k) const_cast<PositionValue*>(t.table.position(0, k))->amount = 0;
    EXPECT_EQ(t.table.nextUsedPosition(0, true, 0), -1);
}

TEST(PositionTable, RotorOperationsUseTheRotorsOwnTable) {
    Positions t;
    t.indexed(8);
    t.at(1).unbalanceAmount = 1000;
    t.at(1).unbalanceAngle = 100;
    EXPECT_EQ(t.rotor.buildPositionTable(), 1u);
    t.rotor.positionEntry(0);
    t.rotor.shareToPositions(0, false);
    // The first used position became the plane's correction mass and angle.
    EXPECT_NEAR(t.rotor.correctionAmount(0, false), 8.1116, 5e-4);
    EXPECT_DOUBLE_EQ(t.rotor.correctionAngle(0, false), 270.0);
    EXPECT_TRUE(t.rotor.hasPositions(0));
    EXPECT_FALSE(t.rotor.hasUsedPositions(0));
    t.rotor.splitToPositions(0, false);
    EXPECT_NEAR(t.rotor.correctionAmount(0, false), 2.4558, 5e-4);
    EXPECT_DOUBLE_EQ(t.rotor.correctionAngle(0, false), 315.0);
    EXPECT_TRUE(t.rotor.hasUsedPositions(0));
    EXPECT_EQ(t.rotor.positionLookup(0), 1u);
}

TEST(PositionTable, ControlRotorGetsTheVerificationMasses) {
    Positions t;
    t.indexed(5).radiusSmall = 50;
    t.indexed(5);
    t.indexed(5).radiusSmall = 25;
    t.rotor.data().controlRotor = true;
    t.at(1).unbalanceAmount = 400;
    t.at(1).unbalanceAngle = 30;
    t.at(3).unbalanceAmount = 400;
    t.at(3).unbalanceAngle = 300;
    t.table.buildPositionTable();
    // Outside a verification run: the needed correction as a mass at A + 180.
    t.table.shareToPositions(0, false);
    EXPECT_DOUBLE_EQ(t.amount(0, 3), 8.0);
    EXPECT_DOUBLE_EQ(t.angle(0, 3), 210.0);
    EXPECT_EQ(t.amount(0, 0), 0.0);
    ASSERT_FALSE(t.corrections.empty());
    EXPECT_DOUBLE_EQ(t.corrections.back().second.first, 8.0);
    t.table.shareToPositions(2, false);
    EXPECT_DOUBLE_EQ(t.amount(2, 3), 16.0);
    EXPECT_DOUBLE_EQ(t.angle(2, 3), 120.0);  // 300 + 180 brought into [0, 360)
    // The test's first step: in both test planes the added 7.5 U|mar| at plane 1's r, as the protocol states it.
    t.rotor.data().runs.resize(2), t.rotor.buildPositionTable();
    for (int i : {0, 2}) t.rotor.shareToPositions(i, false);
    EXPECT_DOUBLE_EQ(t.rotor.correctionAmount(0, false), 7.5 * 10 / 50);
    EXPECT_DOUBLE_EQ(t.rotor.correctionAmount(2, false), 7.5 * 10 / 50);

    // A radius of 0 gives no mass instead of a division by zero.
    t.at(1).radiusSmall = 0;
    t.table.shareToPositions(0, false);
    EXPECT_EQ(t.amount(0, 3), 0.0);
}
