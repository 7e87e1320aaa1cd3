#pragma once
// The test masses on a control rotor in each run of its verification test,
// as the certificate's rows state them, and what the operator takes off and
// puts on between two runs.  The U|mar| test carries the U|mar| test mass in
// the middle plane, the URR test the stationary and the travelling masses,
// the compensator test those after its first run (its last without the
// travelling ones), the moment test the travelling masses after its first
// run; the other runs carry none.

#include <vector>

namespace verificationrows {

// The stages of the test (Rotor::verificationStage).
enum Stage { kBalancing, kUmarTest, kUrrTest, kCompensatorTest, kMomentTest };

// One mass on a plane: grams at an angle (degrees, [0, 360)); none at 0 g.
struct TestMass {
    double mass = 0;
    double angle = 0;
    bool on() const { return mass > 0; }
};

// A plane's two places: its stationary test mass and its travelling one (in
// the middle plane, the U|mar| test mass).
struct PlaneRow {
    TestMass station, travel;
};

// The masses of the plane's test set, in grams.
struct PlaneMasses {
    double umar = 0, station = 0, travel = 0;
};

// The middle plane of a control rotor: it carries the U|mar| test mass; the
// others are the test planes, the first of them plane index 0.
constexpr int kMiddlePlane = 1;

// What plane index i holds during the run `index` runs into `stage`.
PlaneRow rowOf(int stage, int index, int i, const PlaneMasses& masses);

// One thing for the operator to do on a plane before a run.
struct Ask {
    TestMass mass;
    bool removes = false;  // taken off where it sits, else put on
};

// From a plane's row in one run to its row in the next: the masses that come
// off (where they sit), then those that go on; a mass that moves does both,
// one that stays neither.
std::vector<Ask> asksBetween(const PlaneRow& from, const PlaneRow& to);

}  // namespace verificationrows
