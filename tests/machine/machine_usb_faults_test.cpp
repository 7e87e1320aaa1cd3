// Balancing runs on the simulated older controller with a USB fault at each
// point of the run: the run ends with an error within its time-out, nothing
// of it is kept, frequency 0 is confirmed while the controller is attached,
// and once the fault is gone the machine (reconnected) measures again.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "drivers/older/older_protocol.h"
#include "machine/machine.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "support/sim_older.h"
#include "support/work_dir.h"

namespace {

using Fault = sim::SimOlderController::Fault;
using Transfer = sim::SimOlderController::Transfer;

constexpr std::uint32_t kDriveRate = 18175;    // the drive control's speed acquisition
constexpr std::uint32_t kMeasureRate = 18150;  // the measuring sessions
// A whole run on this controller takes about 10 s (virtual): a failed one
// ends sooner, the longest wait being the data time-out of about 2.3 s.
constexpr std::int64_t kWholeRunMs = 15000;

// Virtual time that notes when a run ended: the worker's first sleep once
// the process code is back at idle (the test may notice only many idle
// passes later).
class RunClock final : public Clock {
public:
    time_point now() const override { return time_point(std::chrono::milliseconds(ms_.load())); }
    void sleepFor(std::chrono::milliseconds ms) override {
        if (running_.load() && ended_ && ended_()) {
            endMs_.store(ms_.load());
            running_.store(false);
        }
        ms_.fetch_add(ms.count());
        std::this_thread::yield();
    }
    std::int64_t nowMs() const { return ms_.load(); }
    void advanceMs(std::int64_t ms) { ms_.fetch_add(ms); }
    void startRun(std::function<bool()> ended) {
        ended_ = std::move(ended);
        endMs_.store(-1);
        running_.store(true);
    }
    std::int64_t endMs() const { return endMs_.load(); }

private:
    std::atomic<std::int64_t> ms_{0};
    std::atomic<std::int64_t> endMs_{-1};
    std::atomic<bool> running_{false};
    std::function<bool()> ended_;  // set while the worker does not look at it
};

bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 30000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

class MachineUsbFaults : public ::testing::Test {
protected:
    void SetUp() override {
        cfg.inverters.resize(2);
        cfg.channels.resize(5);
        cfg.extErrors.resize(8);
        cfg.endDrive.extErrors.resize(8);
        cfg.beltDrive.extErrors.resize(8);
        cfg.channels[0].active = true;
        cfg.channels[1].active = true;
        cfg.endDrive.active = true;
        cfg.measurementCycles = 3;
        cfg.dataCollection = settings_choice::kVersion1;
        controller.setMotor(&clock, 1.0, 200.0);  // 1 rpm per 0.1 Hz
        rotor = std::make_unique<Rotor>(&cfg);
        rotor->clearPlanes();
        rotor->insertPlane(1);
        rotor->insertPlane(2);
        rotor->setPlaneChannels(1, 1, 0);
        rotor->setPlaneChannels(2, 2, 0);
        rotor->data().speed = 1000;
        MachineDeps deps;
        deps.clock = &clock;
        machine = std::make_unique<Machine>(1, &cfg, deps);
        ASSERT_TRUE(machine->startProcess(MachineProcess::kConnect));
        ASSERT_TRUE(waitFor([&] { return idle() && machine->getDeviceName()[0] != 0; }));
        ASSERT_FALSE(machine->isDemo());
        machine->setRotor(rotor.get());
    }
    void TearDown() override {
        if (machine) {
            ASSERT_TRUE(waitFor([&] { return machine->requestQuit(); }));
            machine.reset();
        }
    }
    bool idle() {
        return machine->process() == MachineProcess::kIdle && machine->getState() == MachineState::kIdle;
    }
    // A balancing run; its virtual duration in ms.
    std::int64_t balance() {
        const std::int64_t t0 = clock.nowMs();
        EXPECT_TRUE(machine->startProcess(MachineProcess::kBalancing));
        clock.startRun([m = machine.get()] { return m->process() == MachineProcess::kIdle; });
        EXPECT_TRUE(waitFor([&] { return idle() && clock.endMs() >= 0; }));
        return clock.endMs() - t0;
    }
    bool stopConfirmed() {
        const auto f = controller.writesOf(older::kRegFrequency);
        return controller.regValue(older::kRegFrequency) == 0 && !f.empty() && f.back() == 0;
    }

    testwd::WorkDir wd{"ks_usb_faults", testwd::Logs::folder};
    RunClock clock;
    sim::SimOlderController controller;
    sim::ScopedUsb01 use{controller};
    Config cfg;
    std::unique_ptr<Rotor> rotor;
    std::unique_ptr<Machine> machine;
};

TEST_F(MachineUsbFaults, EveryPointOfARunEndsInAnErrorAndTheNextRunMeasures) {
    Machine* m = machine.get();
    int base = 0;  // results counted before the run
    const auto cycleOf = [m, &base] { return m->getResultCount() - base + 1; };
    // Where the fault strikes: the run's first write (the idle passes only
    // read), a block of the speed-up, a block of each measuring cycle, the
    // stop's frequency 0.
    const auto connection = [](const Transfer& t) { return t.kind == t.write; };
    const auto acceleration = [](const Transfer& t) {
        return t.kind == t.data && t.sampleRate == kDriveRate && t.frequency != 0;
    };
    const auto cycle = [cycleOf](int k) {
        return [cycleOf, k](const Transfer& t) {
            return t.kind == t.data && t.sampleRate == kMeasureRate && cycleOf() == k;
        };
    };
    const auto stop = [cycleOf](const Transfer& t) {
        return t.kind == t.write && t.reg == older::kRegFrequency && t.value == 0 && cycleOf() == 4;
    };
    struct Case {
        const char* name;
        std::function<bool(const Transfer&)> at;
        Fault fault;
        bool repeat;
        int result;
    };
    const Case cases[] = {
        {"connection: unplugged", connection, Fault::unplug, false, ApiError::kNoConnection},
        {"speed-up: unplugged", acceleration, Fault::unplug, false, ApiError::kNoConnection},
        {"speed-up: conversions stall", acceleration, Fault::dataStall, false, ApiError::kNoConnection},
        {"cycle 1: unplugged", cycle(1), Fault::unplug, false, ApiError::kNoConnection},
        {"cycle 2: unplugged", cycle(2), Fault::unplug, false, ApiError::kNoConnection},
        {"cycle 3: unplugged", cycle(3), Fault::unplug, false, ApiError::kNoConnection},
        {"cycle 2: a block times out", cycle(2), Fault::timeout, false, ApiError::kNoConnection},
        {"cycle 3: its data-ready reply comes late",
         [cycleOf](const Transfer& t) {
             return t.kind == t.read && t.reg == older::kRegDataReady && cycleOf() == 3;
         },
         Fault::lateReply, false, ApiError::kNoConnection},
        {"stop: unplugged", stop, Fault::unplug, false, ApiError::kNoConnection},
        {"stop: its write times out once (written again)", stop, Fault::timeout, false, MachineError::kNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int opens = controller.openCount();
        const int fired = controller.faultsFired();
        base = m->getResultCount();
        controller.clearRegisterJournal();
        controller.injectFault(c.fault, c.at, c.repeat);
        if (c.fault == Fault::unplug) controller.replugOnSearch();
        EXPECT_LT(balance(), kWholeRunMs);
        EXPECT_EQ(controller.faultsFired(), fired + 1);
        EXPECT_EQ(m->getResult(), c.result);
        const bool failed = c.result != MachineError::kNone;
        EXPECT_EQ(rotor->measureResult(-1) == nullptr, failed);  // a failed run keeps nothing
        if (c.fault != Fault::unplug) {
            EXPECT_TRUE(stopConfirmed());
        }

        controller.clearFaults();
        if (c.fault == Fault::unplug) {
            ASSERT_TRUE(waitFor([&] { return controller.openCount() == opens + 1 && idle(); }));
            ASSERT_FALSE(m->isDemo());
        }
        controller.clearRegisterJournal();
        const int before = m->getResultCount();
        balance();
        EXPECT_EQ(m->getResult(), MachineError::kNone);
        EXPECT_EQ(m->getResultCount(), before + 3);
        EXPECT_NE(rotor->measureResult(-1), nullptr);
        EXPECT_TRUE(stopConfirmed());
    }
}

}  // namespace
