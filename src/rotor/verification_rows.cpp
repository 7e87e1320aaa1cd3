#include "rotor/verification_rows.h"

#include <cmath>

#include "rotor/polar.h"

namespace verificationrows {
namespace {

// The stages' first runs and the runs the compensator and moment tests mount.
constexpr int kUmarFirst = 7, kUmarLast = 18;
constexpr int kUrrFirst = 19, kUrrLast = 29;
constexpr int kCompensatorFirst = 31, kCompensatorTurned = 32, kCompensated = 33;
constexpr int kMomentFirst = 35, kMomentLast = 38;
constexpr double kUmarStep = 30, kUrrStep = 30, kMomentStep = 90;

TestMass at(double mass, double angle) { return {mass, polar::reduceDegrees(angle)}; }

bool same(const TestMass& a, const TestMass& b) {
    return a.on() == b.on() && (!a.on() || (a.mass == b.mass && std::fabs(a.angle - b.angle) < 1e-9));
}

}  // namespace

PlaneRow rowOf(int run, int i, const PlaneMasses& m) {
    PlaneRow row;
    if (i == kMiddlePlane) {
        if (run >= kUmarFirst && run <= kUmarLast) row.travel = at(m.umar, kUmarStep * (run - kUmarFirst));
        return row;
    }
    const bool first = i == 0;
    if (run >= kUrrFirst && run <= kUrrLast) {
        // The travelling masses turn in opposite senses, 60° apart at the start.
        const int step = run - kUrrFirst + 1;
        row.station = at(m.station, first ? 0 : 90);
        row.travel = at(m.travel, first ? kUrrStep * step : 60 - kUrrStep * (step - 1));
    } else if (run >= kCompensatorFirst && run <= kCompensated) {
        row.station = at(m.station, first ? 30 : 150);
        if (run == kCompensatorFirst) row.travel = at(m.travel, first ? 150 : 30);
        if (run == kCompensatorTurned) row.travel = at(m.travel, first ? 330 : 210);
    } else if (run >= kMomentFirst && run <= kMomentLast) {
        // A couple: the second plane's mass opposite the first's.
        row.travel = at(m.travel, kMomentStep * (run - kMomentFirst) + (first ? 0 : 180));
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
