// The road of a determination of influence coefficients end to end: the
// Editing, influence-coefficient and Measuring screens over the real Machine
// on the demonstration device, whose per-turn results come from a synthetic
// rotor of chosen coefficients.  Also run under ThreadSanitizer.

#include <gtest/gtest.h>

#include <complex>
#include <mutex>

#include "gui/screens/influence.h"
#include "machine/machine_codes.h"
#include "machine/mapi.h"
#include "records/job_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"
#include "support/gui_influence_steps.h"
#include "support/gui_road.h"
#include "support/machine_synth_rotor.h"
#include "texts/format.h"
#include "texts/record_tags.h"

namespace {

using Complex = std::complex<double>;

constexpr double kRadius = 100;
constexpr double kTrialMass = 10;

// The coefficients the program is to find, K(plane, channel), and the rotor's
// own unbalance.  The synthetic rotor turns the other way round than the
// program reads its angles (the intake mirrors them), so it is given the
// mirror images, and a trial mass the program places at angle a stands at -a.
const Complex kChosen[2][2] = {{std::polar(0.012, 0.4), std::polar(0.004, 2.0)},
                               {std::polar(0.005, -1.1), std::polar(0.015, 0.9)}};
const Complex kUnbalance[2] = {std::polar(900.0, 0.7), std::polar(600.0, -2.2)};

TEST(InfluenceRoad, TrialRunsThroughTheScreensFindTheChosenCoefficients) {
    SynthRotor synth(2, 2);
    std::mutex synthLock;  // the test sets it between runs, the worker reads it
    for (int p = 0; p < 2; ++p) {
        synth.setUnbalance(p, std::conj(kUnbalance[p]));
        for (int c = 0; c < 2; ++c) synth.setInfluence(p, c, std::conj(kChosen[p][c]));
    }
    RoadRig r([&](MachineDeps& deps) {
        deps.makeDemo = [&](Clock& clock) -> Api* {
            auto* api = new MApi(clock, "no-such-dir/mapi.dmp");
            api->setTurnSource([&](std::array<TurnResult, 5>& results) {
                const std::lock_guard<std::mutex> hold(synthLock);
                results = synth.turnResults();
            });
            return api;
        };
    });
    Gui& g = r.g;
    g.newRotor();
    Rotor& rotor = *g._rotor;
    rotor.setPlaneCount(2);
    for (int p = 1; p <= 2; ++p) {
        rotor.setPlaneChannels(p, static_cast<std::uint32_t>(p), 0);
        rotor.data().planes[static_cast<std::size_t>(p - 1)].radius = kRadius;
    }
    // Values within the machine's limits, so that Editing lets the operator on.
    g._config->endDrive.maxSpeed = 3000;
    for (const auto& [tag, value] : {std::pair{jobrec::kRotation, "600"}, {jobrec::kRotorMass, "50"},
                                     {jobrec::kPermissibleUnbalance, "100"}}) {
        const std::uint32_t path[] = {tag};
        rotor.setParameter(path, 1, value);
    }
    g.setScreen(true, &Gui::editing);
    r.h.run(400);
    ASSERT_TRUE(r.h.tap("Determine IC"));
    r.h.run(400);
    ASSERT_EQ(g.currentScreen(), Gui::ScreenId::Influence);

    // One run: slide Start, wait for the Measuring screen to come back.
    const auto run = [&](int done) {
        // The drive set-up's progress box holds Start until the worker, however late, ends it.
        ASSERT_TRUE(r.framesUntil([&] { return g._machine->getState() != MachineState::kConfiguring; }, 5000));
        ASSERT_TRUE(influencesteps::slideStart(r.h));
        const auto back = [&] {
            auto* d = dynamic_cast<InfluenceData::Data*>(g._data);
            return g.currentScreen() == Gui::ScreenId::Influence && d && d->doneMask == done;
        };
        ASSERT_TRUE(r.framesUntil(back, 120000));
    };
    run(0b001);
    const double angles[2] = {30, 250};
    for (int p = 0; p < 2; ++p) {
        {
            const std::lock_guard<std::mutex> hold(synthLock);
            synth.setUnbalance(p, std::conj(kUnbalance[p]) +
                                      std::polar(kTrialMass * kRadius, -polar::toRadians(angles[p])));
            if (p > 0) synth.setUnbalance(p - 1, std::conj(kUnbalance[p - 1]));
        }
        influencesteps::placeTrialMass(r.h, ks::format("{}", kTrialMass), ks::format("{}", angles[p]));
        run(p == 0 ? 0b011 : 0b111);
    }

    ASSERT_TRUE(r.h.tap("Save IC"));
    ASSERT_TRUE(r.framesUntil([&] { return g.currentScreen() == Gui::ScreenId::Balancing; }, 1000));
    for (int k = 0; k < 4; ++k) {
        const int i = k / 2 + 1, j = k % 2 + 1;
        double modulus = 0, degrees = 0;
        rotor.factorData(InfluenceData::kReadFactor, i, j, &modulus, &degrees);
        const Complex found = std::polar(modulus, polar::toRadians(degrees)), chosen = kChosen[i - 1][j - 1];
        EXPECT_LT(std::abs(found - chosen), 1e-3 * std::abs(chosen)) << "K" << i << j;
    }
}

}  // namespace
