// Values a damaged or hand-made rotor file may carry, that once sent the
// position walk or the drilling depth search into a loop without end: every
// search ends within the plane's geometry, loaded values outside a plane's
// ranges are brought into them (and logged), typed ones are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>

#include "hostile_rotor_file.h"
#include "records/job_records.h"
#include "rotor/plane_limits.h"
#include "rotor/rotor.h"
#include "rotor/splitters.h"

using namespace jobrec;

namespace {

class RotorFileHangs : public rotortest::HostileRotorFile {};

constexpr double kInf = std::numeric_limits<double>::infinity();

void endDrilling(Plane& p) {
    p.mode = kModeRemoval;
    p.mean = kMeanEndDrilling;
    p.holeDiameter = 10;
    p.wallThickness = 2;
    p.maxDrillDepth = 20;
    p.drillAngle = 118;
}

void radialDrilling(Plane& p) {
    endDrilling(p);
    p.mean = kMeanRadialDrilling;
}

}  // namespace

TEST_F(RotorFileHangs, LoadedValuesAreBroughtIntoRangeAndBalancingEnds) {
    const struct Case {
        const char* what;
        std::function<void(Plane&)> shape;
        std::uint32_t field;
        double Plane::*member;
        double taken;
    } cases[] = {
        {"a trial angle of 1e17 degrees", [](Plane& p) { endDrilling(p), p.trialAngle = 1e17; }, kTrialAngle,
         &Plane::trialAngle, std::fmod(1e17, 360.0)},
        {"a radial drilling depth of 1e170", [](Plane& p) { radialDrilling(p), p.maxDrillDepth = 1e170; },
         kMaxDrillDepth, &Plane::maxDrillDepth, planeLimit(kMaxDrillDepth)->highest},
        {"an endless drilling depth", [](Plane& p) { endDrilling(p), p.maxDrillDepth = kInf; }, kMaxDrillDepth,
         &Plane::maxDrillDepth, planeLimit(kMaxDrillDepth)->highest},
        {"a density that is not a number", [](Plane& p) { endDrilling(p), p.density = std::nan(""); }, kDensity,
         &Plane::density, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool loaded = false;
        auto rotor = load(oneMeasuredPlane(c.shape), &loaded);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(rotor->plane(1).*c.member, c.taken);
        char line[64];
        std::snprintf(line, sizeof line, "field 0x%X value", c.field);
        EXPECT_NE(calcsLog().find(line), std::string::npos) << calcsLog();
        balance(*rotor, c.what);
        EXPECT_TRUE(std::isfinite(rotor->correctionAngle(0, true)));
    }
}

TEST_F(RotorFileHangs, PositionWalkEndsForAnyTrialAngleAndHolePitch) {
    const struct Case {
        const char* what;
        bool control;
        double trialAngle, radius, hole;
    } cases[] = {
        {"a trial angle of 1e16 degrees", false, 1e16, 100, 10},
        {"a trial angle of 1e17 degrees", false, 1e17, 100, 10},
        {"a denormal hole pitch on a control rotor", true, 10, 1, 1e-310},
        {"an ordinary pattern", false, 17, 100, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto rotor = load(oneMeasuredPlane([&](Plane& p) {
            endDrilling(p);
            p.radius = c.radius;
            p.holeDiameter = c.hole;
            p.wallThickness = 0;
        }));
        // Set on the live rotor, past the load's ranges: the walk itself must end.
        rotor->data().controlRotor = c.control;
        rotor->setTrialAngle(0, c.trialAngle);
        balance(*rotor, c.what);
        const double a = rotor->correctionAngle(0, false);
        EXPECT_TRUE(a >= 0.0 && a < 360.0) << a;
    }
}

TEST_F(RotorFileHangs, DepthSearchEndsWithinTheHoleTheGeometryAllows) {
    const struct Case {
        const char* what;
        bool radial;
        double maximum, deepest;
    } cases[] = {
        {"radial, 1e170 deep", true, 1e170, 100},
        {"radial, three times the radius", true, 300, 100},
        {"end drilling, endless", false, kInf, 0},
        {"end drilling, 1e170 deep", false, 1e170, 1e170},
        {"radial, within the radius", true, 60, 60},
    };
    const double radius = 100, unbalance = 1000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ConstrDrillSplitter s(1, c.maximum, radius, 10, 2, 118, 7.8, c.radial, 0);
        s.items.push_back({0.0, 0.0});
        const double u = testsupport::mustEnd(c.what, [&] { return s.amount(unbalance, 0, true); });
        const double h = s.items[0].amount;
        EXPECT_GE(h, 0.0);
        EXPECT_LE(h, c.deepest);
        EXPECT_LE(u, unbalance);
        EXPECT_GE(u, 0.0);
        // Unless the geometry stops it first, the search comes to within its
        // tolerance below the depth that removes the unbalance.
        if (h < c.deepest && c.deepest > 0) EXPECT_GE(s.holeMass(h + 0.0002), unbalance);
    }
}

TEST_F(RotorFileHangs, TypedValuesOutsideTheirRangesAreRefused) {
    const struct Case {
        std::uint32_t field;
        const char* text;
        bool accepted;
    } cases[] = {
        {kMaxDrillDepth, "1e170", false}, {kMaxDrillDepth, "inf", false}, {kMaxDrillDepth, "25", true},
        {kHoleDiameter, "-3", false},     {kDrillAngle, "200", false},    {kDensity, "nan", false},
        {kDensity, "7.85", true},         {kRadius, "1e300", false},      {kRadius, "250", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TestConfig cfg;
        Rotor rotor((cfg.channels(5), cfg.get()));
        rotor.data().planes.assign(1, Plane());
        const Plane before = rotor.data().planes[0];
        const std::uint32_t path[] = {kPlanes, 0, c.field};
        EXPECT_EQ(rotor.setParameter(path, 3, c.text), c.accepted);
        if (!c.accepted) EXPECT_TRUE(Tris::equalRecords(rotor.data().planes[0], before));
    }
}
