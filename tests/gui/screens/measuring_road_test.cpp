// The road of one balancing run end to end: the Measuring screen over the
// real Machine on the demonstration device, opened as the Balancing screen
// opens it.  Also run under ThreadSanitizer (the machine's worker and the
// interface's thread).

#include <gtest/gtest.h>

#include <set>

#include "gui/screens/measuring.h"
#include "machine/machine_codes.h"
#include "rotor/rotor.h"
#include "support/gui_road.h"
#include "support/rotor_builder.h"

namespace {

TEST(MeasuringRoad, DemoRunShowsItsRowsAndComesBackOnceIdle) {
    RoadRig r;
    r.g.replaceRotor(rotorbuild::RotorBuilder("ROAD").planes(2).speed(600).load(r.g._config).release());
    r.g.setScreen(true, [](Gui&) {});  // the calling screen
    r.h.run(400);

    r.machine->resetResults();
    r.g._icRunMask = -1;
    r.g._resultsExpected = true;
    r.g._measuringMode = MeasuringMode::kRun;
    r.g.setScreen(true, &Gui::measuring);
    const std::int64_t opened = r.h.clock().nowMs();

    std::set<int> states;
    std::size_t rows = 0;
    bool balancing = false;
    std::int64_t idleAt = -1;
    const bool back = r.framesUntil(
        [&] {
            if (r.g.currentScreen() != Gui::ScreenId::Measuring) return true;
            states.insert(r.machine->getState());
            balancing |= r.machine->process() == MachineProcess::kBalancing;
            rows = std::max(rows, dynamic_cast<MeasuringData::Data&>(*r.g._data).rows.size());
            if (idleAt < 0 && machinetest::idle(*r.machine) && balancing) idleAt = r.h.clock().nowMs();
            return false;
        },
        120000);
    ASSERT_TRUE(back) << "still measuring";
    EXPECT_TRUE(balancing);
    EXPECT_TRUE(states.count(MachineState::kAscending)) << "the drive ran up";
    EXPECT_TRUE(states.count(MachineState::kMeasuring));
    EXPECT_GT(rows, 0u) << "result rows";
    EXPECT_EQ(rows % 2, 0u) << "two channels a row";
    EXPECT_EQ(r.machine->getResult(), MachineError::kNone);
    EXPECT_GT(r.machine->getResultCount(), 0);
    EXPECT_GE(r.h.clock().nowMs() - opened, 4001);
    ASSERT_GE(idleAt, 0);
    EXPECT_LE(r.h.clock().nowMs() - std::max(idleAt, opened + 4001), 3 * GuiHarness::kFrameMs);
    EXPECT_TRUE(r.g._resultsExpected) << "for the caller";
    EXPECT_NE(r.g._rotor->finalResults(), nullptr);
}

}  // namespace
