#include "rotor/verification_rows.h"

#include <cmath>

#include "rotor/polar.h"

namespace verificationrows {
namespace {

constexpr double kUmarStep = 30, kUrrStep = 30, kMomentStep = 90;

TestMass at(double mass, double angle) {
    return {mass, polar::reduceDegrees(angle)};
}

bool same(const TestMass& a, const TestMass& b) {
    return a.on() == b.on() && (!a.on() || (a.mass == b.mass && std::fabs(a.angle - b.angle) < 1e-9));
}

}  // namespace

PlaneRow rowOf(int stage, int index, int i, const PlaneMasses& m) {
    PlaneRow row;
    if (i == kMiddlePlane) {
        if (stage == kUmarTest) row.travel = at(m.umar, kUmarStep * index);
        return row;
    }
    const bool first = i == 0;
    if (stage == kUrrTest) {
        // The travelling masses turn in opposite senses, 60° apart at the start.
        row.station = at(m.station, first ? 0 : 90);
        row.travel = at(m.travel, first ? kUrrStep * (index + 1) : 60 - kUrrStep * index);
    } else if (stage == kCompensatorTest && index > 0) {
        // Two runs with the travelling masses turned half a turn, then the compensated run without them.
        row.station = at(m.station, first ? 30 : 150);
        if (index == 1) row.travel = at(m.travel, first ? 150 : 30);
        if (index == 2) row.travel = at(m.travel, first ? 330 : 210);
    } else if (stage == kMomentTest && index > 0) {
        // A couple: the second plane's mass opposite the first's.
        row.travel = at(m.travel, kMomentStep * (index - 1) + (first ? 0 : 180));
    }
    return row;
}

std::vector<Ask> asksBetween(const PlaneRow& from, const PlaneRow& to) {
    std::vector<Ask> asks;
    const TestMass* places[2][2] = {{&from.station, &to.station}, {&from.travel, &to.travel}};
    for (const auto& place : places)
        if (place[0]->on() && !same(*place[0], *place[1])) asks.push_back({*place[0], true});
    for (const auto& place : places)
        if (place[1]->on() && !same(*place[0], *place[1])) asks.push_back({*place[1], false});
    return asks;
}

}  // namespace verificationrows
