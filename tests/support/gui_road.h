#pragma once
// RoadRig: the interface over the real Machine on the demonstration device,
// for end-to-end runs of the screens.
//
// A GuiHarness in a temporary working directory (with "logs"), its Config set
// up with the end drive and measuring channels 1 and 2 active, and a real
// Machine on it: no controller is looked for (the older controller's factory
// makes none, so the connect process falls back to the demonstration device,
// which replays nothing; its notice is closed).  The machine's time follows the harness's manual
// clock (PacedClock), so a run takes the frames it would take on the panel.
//
//   RoadRig r;
//   r.g.replaceRotor(rotor);
//   r.g.setScreen(true, &Gui::balancing); r.h.run(400);
//   ASSERT_TRUE(r.framesUntil([&] { return ...; }, 60000));

#include <functional>
#include <memory>

#include "machine/machine.h"
#include "records/settings_records.h"
#include "support/gui_harness.h"
#include "support/machine_paced_clock.h"
#include "support/machine_start.h"
#include "support/work_dir.h"

struct RoadRig {
    testwd::WorkDir dir{"ks_road", testwd::Logs::folder};
    GuiHarness h;
    Gui& g;
    PacedClock clock;
    std::unique_ptr<Machine> machine;

    // `adjust` changes the machine's dependencies before it is made (a
    // demonstration device of the test's own).
    explicit RoadRig(const std::function<void(MachineDeps&)>& adjust = {}) : g(h.gui()), clock(h.clock()) {
        Config& c = *g._config;
        if (c.channels.size() < 5) c.channels.resize(5);
        for (std::size_t i = 0; i < c.channels.size(); ++i) c.channels[i].active = i < 2;
        c.endDrive.active = true;
        MachineDeps deps;
        deps.clock = &clock;
        deps.makeOlder = [](Clock&) -> Api* { return nullptr; };
        deps.demoReplayPath = "no-such-dir/mapi.dmp";
        if (adjust) adjust(deps);
        machine = std::make_unique<Machine>(1, &c, deps);
        EXPECT_TRUE(machinetest::connect(*machine));
        g._machine = machine.get();
        g._machine->setRotor(g._rotor);
        clock.pace(true);
        // The operator reads the demonstration notice and closes it.
        framesUntil([] { return false; }, 100);
        EXPECT_NE(g._modalState, Gui::kHidden) << "the demonstration notice";
        g.pressModalButton(0);
        framesUntil([] { return false; }, 400);
    }
    ~RoadRig() {
        clock.pace(false);
        EXPECT_TRUE(machinetest::waitFor([&] { return machine->requestQuit(); }));
        g._machine = &h.machine();  // the Gui outlives the machine
        machine.reset();
    }
    RoadRig(const RoadRig&) = delete;
    RoadRig& operator=(const RoadRig&) = delete;

    // Draws frames until `done` holds after one, at most `ms` of manual
    // time; after each frame the machine catches up with the clock.
    bool framesUntil(const std::function<bool()>& done, std::int64_t ms) {
        for (std::int64_t t = 0; t < ms; t += GuiHarness::kFrameMs) {
            h.frame();
            clock.settle();
            if (done()) return true;
        }
        return false;
    }
};
