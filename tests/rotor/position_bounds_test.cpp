// Position counts that a typed value, a rotor file or a drilling geometry can
// give: every plane holds at most kMaxPlanePositions positions, whatever the
// value, and nothing is allocated beyond that.
#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "hostile_rotor_file.h"
#include "records/job_records.h"
#include "rotor/plane_limits.h"
#include "rotor/position_table.h"
#include "rotor/rotor.h"

using namespace jobrec;

namespace {

class PositionBounds : public rotortest::HostileRotorFile {};

constexpr std::uint32_t kIntMax = 2147483647u;

Plane indexed(std::uint32_t n) {
    Plane p;
    p.mean = kMeanIndexed;
    p.positions = n;
    p.radius = 100;
    return p;
}

Plane drilled(double radius, double hole, double wall) {
    Plane p;
    p.mode = kModeRemoval;
    p.mean = kMeanEndDrilling;
    p.radius = radius;
    p.holeDiameter = hole;
    p.wallThickness = wall;
    p.maxDrillDepth = 20;
    return p;
}

}  // namespace

TEST_F(PositionBounds, EveryPlaneHoldsAtMostTheBound) {
    const struct Case {
        const char* what;
        std::vector<Plane> planes;
        std::vector<int> counts;
    } cases[] = {
        {"N = 2^31 - 1", {indexed(kIntMax)}, {kMaxPlanePositions}},
        {"two planes of 2^31 - 1, whose sum overflowed", {indexed(kIntMax), indexed(kIntMax)},
         {kMaxPlanePositions, kMaxPlanePositions}},
        {"N one above the bound", {indexed(kMaxPlanePositions + 1)}, {kMaxPlanePositions}},
        {"N at the bound", {indexed(kMaxPlanePositions)}, {kMaxPlanePositions}},
        {"1 mm pitch on a radius of 3e8 mm, about 2e9 holes", {drilled(3e8, 0.5, 0.5)}, {kMaxPlanePositions}},
        {"a pitch of 1e-300 on a radius of 1e300", {drilled(1e300, 1e-300, 0)}, {kMaxPlanePositions}},
        {"an ordinary drilling pattern", {drilled(100, 8, 2)}, {62}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestConfig cfg;
        Rotor rotor((cfg.channels(5), cfg.get()));
        rotor.data().planes = c.planes;
        PositionTable table(&rotor, PositionTable::Hooks{});
        testsupport::mustEnd(c.what, [&] { table.buildPositionTable(); });
        ASSERT_EQ(table.entries().size(), c.counts.size());
        for (std::size_t i = 0; i < c.counts.size(); ++i) EXPECT_EQ(table.entries()[i].count, c.counts[i]);
        EXPECT_EQ(table.values().size(), static_cast<std::size_t>(std::accumulate(c.counts.begin(), c.counts.end(), 0)));
    }
}

TEST_F(PositionBounds, TypedCountsBeyondTheBoundAreRefused) {
    const struct Case {
        const char* text;
        bool accepted;
        std::uint32_t stored;
    } cases[] = {
        {"2000000000", false, 3}, {"3601", false, 3}, {"1e10", false, 3}, {"3600", true, 3600}, {"12", true, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TestConfig cfg;
        Rotor rotor((cfg.channels(5), cfg.get()));
        rotor.data().planes = {indexed(3)};
        const std::uint32_t path[] = {kPlanes, 0, kPositions};
        EXPECT_EQ(rotor.setParameter(path, 3, c.text), c.accepted);
        EXPECT_EQ(rotor.data().planes[0].positions, c.stored);
        if (!c.accepted) EXPECT_NE(calcsLog().find(std::string("\"") + c.text + "\" refused"), std::string::npos);
    }
}

TEST_F(PositionBounds, CountFromARotorFileIsClampedAndLogged) {
    bool loaded = false;
    auto rotor = load(oneMeasuredPlane([](Plane& p) {
                          p.mean = kMeanIndexed;
                          p.positions = kIntMax;
                      }),
                      &loaded);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(rotor->positionCount(1), kMaxPlanePositions);
    EXPECT_NE(calcsLog().find("value 2147483647 out of range, 3600 taken"), std::string::npos) << calcsLog();
    balance(*rotor, "balancing a rotor of 2^31 - 1 positions");
    EXPECT_GT(rotor->correctionAmount(0, false), 0.0);  // a mass placed on one of the positions
}
