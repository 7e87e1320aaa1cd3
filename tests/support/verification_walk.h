#pragma once
// The 39 runs of a verification test on a sound machine, and a proving rotor
// walked through them by its own operations as the balancing screen walks it:
// set up through setParameter, each run fed through the measurement intake,
// solved and recorded, the compensator saved after run 32.  Use it inside
// rotortest::TempWorkDir.

#include <gtest/gtest.h>

#include <array>
#include <complex>
#include <memory>

#include "records/job_records.h"
#include "rotor/rotor.h"
#include "rotor/rotor_measure_feed.h"
#include "rotor/rotor_test_config.h"

namespace verification {

using Complex = std::complex<double>;
using Readings = std::array<Complex, 2>;  // test planes 1 and 2, g·mm

// U|mar| 25 g·mm (62.5 kg at e|mar| 0.4), r 100 mm: U|station| 1250, U|travel| 6250 g·mm.
constexpr double kUmar = 25, kStation = 1250, kTravel = 6250;

inline Complex at(double amplitude, double degrees) {
    return rotortest::fromPolarDeg(amplitude, degrees);
}

// The test unbalances: U|mar|, the U|mar| test mass's, U|station| and U|travel|.
struct TestUnbalances {
    double umar = kUmar, umarTest = 10 * kUmar, station = kStation, travel = kTravel;
};

// What the machine reads in run t: the residual unbalance (0.3 U|mar|) plus the masses the run asks for.
inline Readings testReadings(int t, const TestUnbalances& m = {}) {
    const double kUmar = m.umar, kStation = m.station, kTravel = m.travel;
    const Readings residual = {at(0.3 * kUmar, 40), at(0.3 * kUmar, 200)};
    auto plus = [&](Complex a, Complex b) { return Readings{residual[0] + a, residual[1] + b}; };
    if (t < 7) {  // the initial unbalance below 5 U|mar|, balanced to below 0.5 U|mar|
        const double f[] = {3, 2, 1.2, 0.8, 0.6, 0.4, 0.3};
        return {at(f[t] * kUmar, 40 + 15 * t), at(f[t] * kUmar, 200 + 10 * t)};
    }
    if (t < 19) return plus(at(m.umarTest, 30 * (t - 7)), at(m.umarTest, 30 * (t - 7)));  // U|mar| test mass
    if (t < 30) {  // URR: the stationary masses and the travelling ones
        const int j = t - 19;
        return plus(at(kStation, 0) + at(kTravel, 30 * (j + 1)),
                    at(kStation, 90) + at(kTravel, 420 - 30 * j));
    }
    const Complex station1 = at(kStation, 30), station2 = at(kStation, 150);
    if (t == 31) return plus(station1 + at(kTravel, 150), station2 + at(kTravel, 30));  // compensator steps
    if (t == 32) return plus(station1 + at(kTravel, 330), station2 + at(kTravel, 210));
    if (t == 33) return plus(station1 + at(0.4 * kUmar, 0), station2);  // compensated: 0.4 U|mar| left
    if (t < 35) return residual;                                        // runs 30 and 34: checks
    const int k = t - 34;                                               // the couple, with a leak of 2 U|mar|
    return plus(at(kTravel, 90 * (k - 1)) + at(2 * kUmar, 0), at(kTravel, 90 * (k + 1)));
}

// The mass and radii a proving rotor is typed with: its R and r, and r|1|.
struct ProvingSet {
    const char *mass = "62.5", *radius = "100", *r1 = "100";
    bool removesInPlane1 = false;  // plane 1 set to removing before the tick
};

// A value typed into plane index `index` of the rotor.
inline void typePlane(Rotor& r, std::uint32_t index, std::uint32_t field, const char* text) {
    const std::uint32_t path[] = {jobrec::kPlanes, index, field};
    EXPECT_TRUE(r.setParameter(path, 3, text));
}

// Three planes, measured on channels 1 and 2 at planes 1 and 3, with
// coefficients and distances that hand the readings back as the unbalance.
inline void setUpProvingRotor(Rotor& r, const ProvingSet& set = {}) {
    r.setName("Proving");
    r.clearPlanes();
    for (int p = 1; p <= 3; ++p) r.insertPlane(p);
    r.setPlaneChannels(1, 1, 0);
    r.setPlaneChannels(3, 2, 0);
    const std::uint32_t control[] = {jobrec::kControlRotor, 1}, mass[] = {jobrec::kRotorMass};
    const std::uint32_t removal[] = {jobrec::kPlanes, 0, jobrec::kMode, jobrec::kModeRemoval};
    if (set.removesInPlane1) r.setParameter(removal, 4, nullptr);
    EXPECT_TRUE(r.setParameter(control, 2, nullptr));
    EXPECT_TRUE(r.setParameter(mass, 1, set.mass));
    for (std::uint32_t field : {jobrec::kRadius, jobrec::kRadiusSmall}) typePlane(r, 0, field, set.radius);
    typePlane(r, 0, jobrec::kRadiusR1, set.r1);
    typePlane(r, 1, jobrec::kDistance1, "100");  // planes 2 and 3 at 100 from plane 1's support: a = c = 0
    for (int p : {1, 3}) {
        double one = 1, zero = 0;
        r.factorData(1, p, p, &one, nullptr);
        r.factorData(2, p, p, nullptr, &zero);
    }
}

class Walk {
public:
    explicit Walk(TestConfig& cfg) {
        while (cfg.get()->channels.size() < 2) cfg.channel(true);
        cfg.get()->measurementCycles = 3;
        rotor_ = std::make_unique<Rotor>(cfg.get());
        setUpProvingRotor(*rotor_);
    }
    void plane(std::uint32_t index, std::uint32_t field, const char* text) { typePlane(*rotor_, index, field, text); }
    void run(const Readings& u) {
        rotortest::feedSession(*rotor_, {u[0], u[1]});
        ASSERT_NE(rotor_->finalResults(), nullptr);
        ASSERT_TRUE(rotor_->takeMeasurement());
        ASSERT_TRUE(rotor_->computeDisbalance());
        if (rotor_->currentRun() == 32) rotor_->saveResult(false);
    }
    Rotor& rotor() { return *rotor_; }

    // Run t on a sound machine that reads the masses the screen asks for,
    // each plane's own, mounted at its own radius r (testReadings' angles).
    void runMounted(int t) {
        const auto& planes = rotor_->data().planes;
        auto mounted = [&](std::size_t i) {  // the unbalances of test plane index i's masses
            const Plane &p = planes[i], &middle = planes[1];
            return TestUnbalances{rotor_->permissibleUnbalance(1), middle.massUmar * middle.radiusSmall,
                                  p.massStation * p.radiusSmall, p.massTravel * p.radiusSmall};
        };
        run({testReadings(t, mounted(0))[0], testReadings(t, mounted(2))[1]});
    }

private:
    std::unique_ptr<Rotor> rotor_;
};

}  // namespace verification
