// Plane values that a slip on the keypad, a damaged or hand-made rotor file
// or a drilling geometry may give: every plane holds at most the bounded
// number of positions, typed values beyond a plane's ranges are refused,
// loaded ones are brought into them (and logged), and the position walk and
// the depth search end for any value.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <vector>

#include "records/job_records.h"
#include "rotor/plane_limits.h"
#include "rotor/polar.h"
#include "rotor/position_table.h"
#include "rotor/rotor.h"
#include "rotor/splitters.h"
#include "rotor_files_fixture.h"
#include "rotor_test_config.h"
#include "support/watchdog.h"

using namespace jobrec;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::uint32_t kIntMax = 2147483647u;

Plane indexed(std::uint32_t n) {
    Plane p;
    p.mean = kMeanIndexed;
    p.positions = n;
    p.radius = 100;
    return p;
}

Plane drilled(double radius, double hole, double wall = 2, double depth = 20, TextId mean = kMeanEndDrilling) {
    Plane p;
    p.mode = kModeRemoval;
    p.mean = mean;
    p.radius = radius;
    p.holeDiameter = hole;
    p.wallThickness = wall;
    p.maxDrillDepth = depth;
    p.drillAngle = 118;
    return p;
}

struct Planes {
    TestConfig cfg;
    Rotor rotor{(cfg.channels(5), cfg.get())};
};

class PositionBounds : public rotortest::TempWorkDir {};
class RotorFileHangs : public rotortest::TempWorkDir {};

}  // namespace

TEST_F(PositionBounds, EveryPlaneHoldsAtMostTheBound) {
    const int kMax = kMaxPlanePositions;
    const struct Case {
        const char* what;
        std::vector<Plane> planes;
        std::vector<int> counts;
    } cases[] = {
        {"N = 2^31 - 1", {indexed(kIntMax)}, {kMax}},
        {"two planes of 2^31 - 1, whose sum overflowed", {indexed(kIntMax), indexed(kIntMax)}, {kMax, kMax}},
        {"N one above the bound", {indexed(kMax + 1)}, {kMax}},
        {"1 mm pitch on a radius of 3e8 mm, about 2e9 holes", {drilled(3e8, 0.5, 0.5)}, {kMax}},
        {"a pitch of 1e-300 on a radius of 1e300", {drilled(1e300, 1e-300, 0)}, {kMax}},
        {"an ordinary drilling pattern", {drilled(100, 8)}, {62}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Planes t;
        t.rotor.data().planes = c.planes;
        PositionTable table(&t.rotor, PositionTable::Hooks{});
        testsupport::mustEnd(c.what, [&] { table.buildPositionTable(); });
        for (std::size_t i = 0; i < c.counts.size(); ++i) EXPECT_EQ(table.entries().at(i).count, c.counts[i]);
        EXPECT_EQ(table.values().size(), std::accumulate(c.counts.begin(), c.counts.end(), 0u));
    }
}

TEST_F(PositionBounds, TypedValuesBeyondAPlanesLimitsAreRefused) {
    const struct Case {
        std::uint32_t field;
        const char* text;
        bool accepted;
    } cases[] = {
        {kPositions, "2000000000", false}, {kPositions, "3601", false},      {kPositions, "3600", true},
        {kMaxDrillDepth, "1e170", false},  {kMaxDrillDepth, "inf", false},   {kMaxDrillDepth, "25", true},
        {kHoleDiameter, "-3", false},      {kDensity, "nan", false},         {kDrillAngle, "200", false},
        {kDrillAngle, "1", false},         {kDrillAngle, "0", true},  // 0: the machine's drill bit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Planes t;
        t.rotor.data().planes = {indexed(3)};
        const Plane before = t.rotor.data().planes[0];
        const std::uint32_t path[] = {kPlanes, 0, c.field};
        EXPECT_EQ(t.rotor.setParameter(path, 3, c.text), c.accepted);
        EXPECT_EQ(Tris::equalRecords(t.rotor.data().planes[0], before), !c.accepted);
        if (!c.accepted) {
            EXPECT_NE(testwd::readFile("logs/calcs.log").find(std::string("\"") + c.text + "\" refused"),
                      std::string::npos);
        }
    }
}

// A history file with one measured run on the plane is loaded and taken
// through what the balancing screen does with it: the position table, the
// corrections and the sharing over the positions.  Cases past the load set
// the value on the live rotor: the walk itself must end.
TEST_F(RotorFileHangs, HostileRotorFilesLoadInRangeAndBalancingEnds) {
    const struct Case {
        const char* what;
        Plane plane;
        bool pastTheLoad, control;
        double Plane::*member;
        double hostile, taken;
    } cases[] = {
        {"a trial angle of 1e17 degrees", drilled(100, 10), false, false, &Plane::trialAngle, 1e17,
         std::fmod(1e17, 360.0)},
        {"a radial drilling depth of 1e170", drilled(100, 10, 2, 1e170, kMeanRadialDrilling), false, false,
         &Plane::maxDrillDepth, 1e170, 10000},
        {"an endless drilling depth", drilled(100, 10), false, false, &Plane::maxDrillDepth, kInf, 0},
        {"a density that is not a number", drilled(100, 10), false, false, &Plane::density, std::nan(""), 7.8},
        {"a trial angle of 1e17 past the load", drilled(100, 10), true, false, &Plane::trialAngle, 1e17, 1e17},
        {"a denormal hole pitch on a control rotor", drilled(1, 1e-310, 0), true, true, &Plane::trialAngle, 10, 10},
    };
    std::filesystem::create_directory("history");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RotorData d;
        d.permissibleUnbalance = 1;
        d.planes = {c.plane};
        d.planes[0].channel1 = 1;
        if (!c.pastTheLoad) d.planes[0].*c.member = c.hostile;
        d.runs.resize(1);
        d.runs[0].results.resize(1);
        d.runs[0].results[0].unbalance = Vector(400, polar::toRadians(30));
        ASSERT_TRUE(d.save("history/HOSTILE_1.rotor"));
        Planes t;
        ASSERT_TRUE(t.rotor.loadRotor("HOSTILE_1.rotor", 2));
        t.rotor.data().controlRotor = c.control;
        if (c.pastTheLoad) t.rotor.data().planes[0].*c.member = c.hostile;
        EXPECT_EQ(t.rotor.plane(1).*c.member, c.taken);
        testsupport::mustEnd(c.what, [&] {
            t.rotor.buildPositionTable();
            t.rotor.computeCorrections(false, false, false, true);
            t.rotor.shareToPositions(0, true);
        });
        EXPECT_TRUE(std::isfinite(t.rotor.correctionAngle(0, false)));
    }
    EXPECT_NE(testwd::readFile("logs/calcs.log").find("plane 1 field 0x10A4822 was 1e+17"),
              std::string::npos);
}

// A count of 2^31 - 1 in a rotor file is clamped to the bound, and logged.
TEST_F(PositionBounds, CountFromARotorFileIsClampedAndLogged) {
    std::filesystem::create_directory("db");
    RotorData d;
    d.planes = {indexed(kIntMax)};
    ASSERT_TRUE(d.save("db/N.rotor"));
    Planes t;
    ASSERT_TRUE(t.rotor.loadRotor("N.rotor", 1));
    EXPECT_EQ(t.rotor.positionCount(1), kMaxPlanePositions);
    EXPECT_NE(testwd::readFile("logs/calcs.log")
                  .find("plane 1 \"Число конструктивных углов коррекции в плоскости, N\" "
                        "was 2147483647, now 3600"),
              std::string::npos);
}

TEST_F(RotorFileHangs, DepthSearchEndsWithinTheHoleTheGeometryAllows) {
    const struct Case {
        const char* what;
        bool radial;
        double maximum, deepest;
    } cases[] = {
        {"radial, 1e170 deep", true, 1e170, 100},         {"radial, three radii deep", true, 300, 100},
        {"end drilling, endless", false, kInf, 0},         {"end drilling, 1e170 deep", false, 1e170, 1e170},
        {"radial, within the radius", true, 60, 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ConstrDrillSplitter s(1, c.maximum, 100, 10, 2, 118, 7.8, c.radial, 0);
        s.items.push_back({0.0, 0.0});
        const double u = testsupport::mustEnd(c.what, [&] { return s.amount(1000, 0, true); });
        const double h = s.items[0].amount;
        EXPECT_TRUE(h >= 0 && h <= c.deepest && u >= 0 && u <= 1000) << h << " " << u;
        // Unless the geometry stops it first, the search ends within its
        // tolerance below the depth that removes the unbalance.
        if (h < c.deepest) { EXPECT_GE(s.holeMass(h + 0.0002), 1000); }
    }
}
