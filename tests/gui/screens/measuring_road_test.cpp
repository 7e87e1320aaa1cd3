// The road of one balancing run end to end: the Measuring screen over the
// real Machine on the demonstration device, opened as the Balancing screen
// opens it.  Also run under ThreadSanitizer (the machine's worker and the
// interface's thread).

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include "gui/screens/balancing.h"
#include "gui/screens/measuring.h"
#include "records/job_records.h"
#include "machine/machine_codes.h"
#include "machine/mapi.h"
#include "rotor/rotor.h"
#include "support/gui_road.h"
#include "support/rotor_builder.h"

namespace {

constexpr const char* kNoReplay = "no-such-dir/mapi.dmp";

// The demonstration device whose idle poll a test holds (poll 1; 2 while
// held there), then finds lost (3).
struct HeldPollDemo final : MApi {
    HeldPollDemo(Clock& c, std::atomic<int>& poll) : MApi(c, kNoReplay), poll_(poll) {}
    bool isConnected() override {
        int held = 1;
        if (poll_.compare_exchange_strong(held, 2))
            while (poll_ == 2) std::this_thread::yield();
        return poll_ != 3;
    }
    std::atomic<int>& poll_;
};

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

// The whole road: the Balancing screen's start switch, the Measuring screen,
// the run on the demonstration device, and the evaluation back on the
// Balancing screen.
TEST(MeasuringRoad, BalancingRunIsMeasuredAndEvaluated) {
    RoadRig r;
    r.g.newRotor();
    Rotor& rotor = *r.g._rotor;
    rotor.data().speed = 600;
    rotor.data().permissibleUnbalance = 0.001;  // every plane needs a correction
    for (Plane& p : rotor.data().planes) p.radius = 100;
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 2; ++j) {
            double amplitude = i == j ? 0.01 : 0.002, angle = i == j ? 0 : 90;
            rotor.factorData(1, i, j, &amplitude, nullptr);
            rotor.factorData(2, i, j, nullptr, &angle);
        }
    r.g.setScreen(true, &Gui::balancing);
    ASSERT_FALSE(r.framesUntil([] { return false; }, 400));
    const int runsBefore = rotor.runCount();

    const UiItem* start = r.h.probe().find("Start");
    ASSERT_TRUE(start);
    const ImVec2 from(start->min.x + 20, start->centre().y);
    r.h.drag(from, ImVec2(from.x + 120, from.y));
    ASSERT_TRUE(r.framesUntil([&] { return r.g.currentScreen() == Gui::ScreenId::Measuring; }, 200));
    const std::int64_t opened = r.h.clock().nowMs();
    std::size_t rows = 0;
    ASSERT_TRUE(r.framesUntil(
        [&] {
            if (r.g.currentScreen() != Gui::ScreenId::Measuring) return true;
            if (auto* d = dynamic_cast<MeasuringData::Data*>(r.g._data)) rows = std::max(rows, d->rows.size());
            return false;
        },
        120000));
    EXPECT_EQ(r.g.currentScreen(), Gui::ScreenId::Balancing);
    EXPECT_GE(r.h.clock().nowMs() - opened, 4001);
    EXPECT_GT(rows, 0u);
    r.framesUntil([] { return false; }, 100);

    EXPECT_FALSE(r.g._resultsExpected) << "evaluated";
    EXPECT_EQ(rotor.runCount(), runsBefore + 1);
    std::error_code ec;
    int histories = 0;
    for (const auto& f : std::filesystem::directory_iterator("history", ec)) histories += f.path().extension() == ".rotor";
    EXPECT_EQ(histories, 1);
    auto& b = dynamic_cast<BalancingData::Data&>(*r.g._data);
    const int shown = __builtin_popcount(b._shownPlanes);
    EXPECT_EQ(shown, 2);
    int markers = 0, instructions = 0;
    for (const UiItem& item : r.h.probe().items()) {
        markers += item.label == "marker";
        instructions += item.text.find("Correction angle") != std::string::npos;
    }
    EXPECT_EQ(markers, shown);
    EXPECT_EQ(instructions, shown);
}

// The device lost in the idle pass of the Start: the start waits behind a
// reconnection that finds a controller only 6 s later (or the demonstration
// device again), and runs then; its switch, pressed as a finger presses it,
// stops it during the reconnection or once the rotor turns.
enum HeldPress { kNoPress, kPressReconnecting, kPressTurning, kPressTurningOnTheDemo };

void heldStart(HeldPress press) {
    SCOPED_TRACE(press);
    std::atomic<int> poll{0};
    std::atomic<std::int64_t> backAt{INT64_MAX};
    RoadRig r([&](MachineDeps& deps) {
        deps.makeDemo = [&](Clock& c) -> Api* { return new HeldPollDemo(c, poll); };
        deps.makeOlder = [&](Clock& c) -> Api* {
            if (c.msSince(Clock::time_point{}) >= backAt) return new MApi(c, kNoReplay);
            c.sleepMs(333);  // a search that finds nothing
            return nullptr;
        };
    });
    r.g.replaceRotor(rotorbuild::RotorBuilder("HELD").planes(2).speed(600).load(r.g._config).release());
    r.g.setScreen(true, [](Gui&) {});  // the calling screen
    poll = 1;
    ASSERT_TRUE(r.framesUntil([&] { return poll == 2; }, 400));  // the worker in its idle poll
    r.g._measuringMode = MeasuringMode::kRun;
    r.g.setScreen(true, &Gui::measuring);
    r.h.frame();  // the Start, accepted
    backAt = press == kPressTurningOnTheDemo ? INT64_MAX : r.h.clock().nowMs() + 6000;
    poll = 3;
    bool ran = false, unwatched = false, turned = false, early = false, pressed = false;
    r.framesUntil(
        [&] {
            const bool turning = r.machine->process() == MachineProcess::kBalancing;
            ran |= turning;
            unwatched |= turning && r.g.currentScreen() != Gui::ScreenId::Measuring;
            turned |= r.machine->getSpeedInfo(false) > 0;
            early |= turned && !r.machine->getConnectFlag();  // before the interface's post-connect work
            if (ran) poll = 0;                                // the device found stays
            const UiItem* stop = r.h.probe().find("Start");
            if (!pressed && stop &&
                (press == kPressReconnecting ? r.h.clock().nowMs() >= backAt - 3000
                                             : press >= kPressTurning && turned)) {
                pressed = true;
                r.h.drag(stop->centre(), ImVec2(stop->min.x, stop->centre().y));
            }
            return ran && machinetest::idle(*r.machine);
        },
        60000);
    EXPECT_TRUE(ran && r.machine->isDemo() == (press == kPressTurningOnTheDemo))
        << "the held start ran on the device found";
    EXPECT_FALSE(unwatched) << "the rotor turned with no Measuring screen";
    EXPECT_FALSE(early) << "the rotor turned before the interface took the connection";
    EXPECT_EQ(turned, press != kPressReconnecting);
    EXPECT_EQ(r.machine->getResultCount() == 0, press != kNoPress) << "the press stopped the run";
}

TEST(MeasuringRoad, AStartHeldBehindAReconnectionNeverTurnsWithoutItsScreen) {
    for (HeldPress press : {kNoPress, kPressReconnecting, kPressTurning, kPressTurningOnTheDemo})
        heldStart(press);
}

}  // namespace
