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
#include "support/machine_synth_rotor.h"
#include "support/sim_older.h"
#include "support/work_dir.h"

namespace {

using Fault = sim::SimOlderController::Fault;
using Transfer = sim::SimOlderController::Transfer;
using older::kRegDataReady;
using older::kRegFrequency;

constexpr std::uint32_t kDriveRate = 18175;    // the drive control's speed acquisition
constexpr std::uint32_t kMeasureRate = 18150;  // the measuring sessions
// A whole run takes about 10 s here; the longest wait of a failed one is the
// data time-out of about 2.3 s.
constexpr std::int64_t kWholeRunMs = 15000;

// Virtual time that notes when the watched machine's run ended (its worker's
// first sleep with the process back at idle; the test notices later).
class RunClock final : public Clock {
public:
    time_point now() const override { return time_point(std::chrono::milliseconds(ms_.load())); }
    void sleepFor(std::chrono::milliseconds ms) override {
        const Machine* m = watched.load();
        if (m && m->process() == MachineProcess::kIdle && watched.exchange(nullptr)) endMs.store(ms_.load());
        ms_.fetch_add(ms.count());
        std::this_thread::yield();
    }
    std::int64_t nowMs() const { return ms_.load(); }
    void advanceMs(std::int64_t ms) { ms_.fetch_add(ms); }
    std::atomic<const Machine*> watched{nullptr};
    std::atomic<std::int64_t> endMs{0};

private:
    std::atomic<std::int64_t> ms_{0};
};

bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 30000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

class MachineUsbFaults : public ::testing::Test {
protected:
    void SetUp() override {
        cfg.inverters.resize(2);
        cfg.channels.resize(5);
        cfg.extErrors.resize(8);
        cfg.endDrive.extErrors.resize(8);
        cfg.beltDrive.extErrors.resize(8);
        cfg.channels[0].active = cfg.channels[1].active = cfg.endDrive.active = true;
        cfg.measurementCycles = 3;
        cfg.revolutionsBefore = 2;  // short cycles: samples missing in one move its result
        cfg.dataCollection = settings_choice::kVersion1;
        controller.setMotor(&clock, 1.0, 200.0);  // 1 rpm per 0.1 Hz
        synth.setInfluencePolar(0, 0, 1.0, 0.0);
        synth.setUnbalancePolar(0, 4000.0, 30.0);
        controller.setFrames(synth.rawSamples(1, {}));  // the vibration of channel 1
        rotor.clearPlanes();
        rotor.insertPlane(1);
        rotor.insertPlane(2);
        rotor.setPlaneChannels(1, 1, 0);
        rotor.setPlaneChannels(2, 2, 0);
        rotor.data().speed = 1000;
        MachineDeps deps;
        deps.clock = &clock;
        machine = std::make_unique<Machine>(1, &cfg, deps);
        ASSERT_TRUE(machine->startProcess(MachineProcess::kConnect));
        ASSERT_TRUE(
            waitFor([&] { return idle() && machine->getDeviceName()[0] != 0 && !machine->isDemo(); }));
        machine->setRotor(&rotor);
    }
    void TearDown() override {
        ASSERT_TRUE(waitFor([&] { return machine->requestQuit(); }));
    }
    bool idle() {
        return machine->process() == MachineProcess::kIdle && machine->getState() == MachineState::kIdle;
    }
    // A balancing run from a clean journal; its virtual duration in ms.
    std::int64_t balance() {
        controller.clearRegisterJournal();
        const std::int64_t t0 = clock.nowMs();
        EXPECT_TRUE(machine->startProcess(MachineProcess::kBalancing));
        clock.watched.store(machine.get());
        EXPECT_TRUE(waitFor([&] { return idle() && clock.watched.load() == nullptr; }));
        return clock.endMs.load() - t0;
    }
    bool stopConfirmed() {
        const auto f = controller.writesOf(kRegFrequency);
        return controller.regValue(kRegFrequency) == 0 && !f.empty() && f.back() == 0;
    }
    int dataReadyPolls() {
        int n = 0;
        for (const auto& e : controller.registerJournal()) n += !e.write && e.reg == kRegDataReady;
        return n;
    }

    testwd::WorkDir wd{"ks_usb_faults", testwd::Logs::folder};
    RunClock clock;
    SynthRotor synth{1, 1};
    sim::SimOlderController controller;
    sim::ScopedUsb01 use{controller};
    Config cfg;
    Rotor rotor{&cfg};
    std::unique_ptr<Machine> machine;  // goes before the rotor it measures
};

TEST_F(MachineUsbFaults, EveryPointOfARunEndsInAnErrorAndTheNextRunMeasures) {
    Machine* m = machine.get();
    int base = 0;  // results counted before the run
    const auto cycleOf = [m, &base] { return m->getResultCount() - base + 1; };
    // Where the fault strikes: the run's first write (the idle passes only
    // read), a transfer of the speed-up (k = 0) or of measuring cycle k, the
    // stop's frequency 0.
    const auto connection = [](const Transfer& t) { return t.kind == t.write; };
    const auto setUp = [](std::uint32_t reg) {  // a write of the run's set-up
        return [reg](const Transfer& t) { return t.kind == t.write && t.reg == reg; };
    };
    const auto during = [cycleOf](int k, Transfer::Kind kind, std::uint32_t reg) {
        return [=](const Transfer& t) {
            const bool running = k == 0 ? t.sampleRate == kDriveRate && t.frequency != 0
                                        : t.sampleRate == kMeasureRate && cycleOf() == k;
            return running && t.kind == kind && (kind == t.data || t.reg == reg);
        };
    };
    const auto stop = [cycleOf](const Transfer& t) {
        return t.kind == t.write && t.reg == kRegFrequency && t.value == 0 && cycleOf() == 4;
    };
    struct Case {
        const char* name;
        std::function<bool(const Transfer&)> at;
        Fault fault;
        int result;
        int times = 1;  // armed this often: a set-up write is tried twice
    };
    const int lost = ApiError::kNoConnection;
    const Case cases[] = {
        // The inverter type goes out once per connection: with the first run.
        {"set-up: the inverter type lost", setUp(24), Fault::damagedFrame, lost, 2},
        {"set-up: the gains lost", setUp(9), Fault::damagedFrame, lost, 2},
        {"set-up: the ramps lost", setUp(5), Fault::damagedFrame, lost, 2},
        {"set-up: the accuracies lost", setUp(10), Fault::damagedFrame, lost, 2},
        {"set-up: the sample rate lost", setUp(26), Fault::damagedFrame, lost, 2},
        {"connection: unplugged", connection, Fault::unplug, lost},
        {"speed-up: unplugged", during(0, Transfer::data, 0), Fault::unplug, lost},
        // Its data never comes: polled in steps up to the data time-out.
        {"speed-up: a start of conversion lost", during(0, Transfer::write, 27), Fault::damagedFrame, lost},
        {"cycle 1: unplugged", during(1, Transfer::data, 0), Fault::unplug, lost},
        {"cycle 2: unplugged", during(2, Transfer::data, 0), Fault::unplug, lost},
        {"cycle 3: unplugged", during(3, Transfer::data, 0), Fault::unplug, lost},
        {"cycle 2: its data times out", during(2, Transfer::data, 0), Fault::timeout, lost},
        {"cycle 2: a data block damaged (measured again)", during(2, Transfer::data, 0), Fault::damagedFrame,
         MachineError::kNone},
        {"cycle 3: its data-ready reply comes late", during(3, Transfer::read, kRegDataReady),
         Fault::lateReply, lost},
        {"stop: unplugged", stop, Fault::unplug, lost},
        {"stop: its write times out once (written again)", stop, Fault::timeout, MachineError::kNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int opens = controller.openCount();
        const int fired = controller.faultsFired();
        base = m->getResultCount();
        for (std::uint32_t reg : {5u, 9u, 10u, 24u, 26u}) controller.setReg(reg, 0x5A5A);  // set-up forgotten
        for (int i = 0; i < c.times; ++i) controller.injectFault(c.fault, c.at);
        if (c.fault == Fault::unplug) controller.replugOnSearch();
        EXPECT_LT(balance(), kWholeRunMs);
        EXPECT_EQ(controller.faultsFired(), fired + c.times);
        EXPECT_LT(dataReadyPolls(), 1000);
        EXPECT_EQ(m->getResult(), c.result);
        EXPECT_EQ(rotor.measureResult(-1) == nullptr,
                  c.result != MachineError::kNone);  // a failed run keeps nothing
        if (c.fault != Fault::unplug) {
            EXPECT_TRUE(controller.writesOf(kRegFrequency).empty() || stopConfirmed());
        }
        if (c.result == MachineError::kNone) {  // cycle 2's result as cycle 3's: no gap in it
            EXPECT_NEAR(rotor.measureResult(2)->angleDeg, rotor.measureResult(3)->angleDeg, 0.01);
        }

        controller.clearFaults();
        if (c.fault == Fault::unplug) {
            ASSERT_TRUE(waitFor([&] { return controller.openCount() == opens + 1 && idle(); }));
            ASSERT_FALSE(m->isDemo());
        }
        base = m->getResultCount();
        balance();
        EXPECT_EQ(m->getResult(), MachineError::kNone);
        EXPECT_EQ(m->getResultCount(), base + 3);
        EXPECT_NE(rotor.measureResult(-1), nullptr);
        EXPECT_TRUE(stopConfirmed());
    }
}

// Starts around a reconnection asked for (a fault on an idle poll, Apply): refused, or run after it
// once the interface (here the test, as every frame) has taken the new connection.
TEST_F(MachineUsbFaults, AStartAroundAReconnectionIsRefusedOrRunsAfterIt) {
    for (int i = 0; i < 20; ++i) {
        const int opens = controller.openCount(), before = machine->getResultCount();
        if (i % 2 == 0) machine->requestReconnect();
        const bool started = machine->startProcess(MachineProcess::kBalancing);
        if (i % 2 == 1) machine->requestReconnect();
        ASSERT_TRUE(waitFor([&] {
            machine->setConnectFlag();
            return controller.openCount() > opens && idle();
        }));
        EXPECT_TRUE(started ? machine->getResult() != 0 || machine->getResultCount() == before + 3 : i % 2 == 0);
    }
    // Stopped while it waits for the reconnection: it never runs.
    const int opens = controller.openCount(), before = machine->getResultCount();
    ASSERT_TRUE(machine->startProcess(MachineProcess::kBalancing));
    machine->requestReconnect();
    machine->stop();
    ASSERT_TRUE(waitFor([&] { return controller.openCount() > opens && idle(); }));
    EXPECT_EQ(machine->getResultCount(), before);
    ASSERT_TRUE(machine->startProcess(MachineProcess::kBalancing));
    controller.unplug();  // gone meanwhile: the run does not measure the demo device instead
    machine->requestReconnect();
    ASSERT_TRUE(waitFor([&] { return machine->isDemo() && idle(); }));
    EXPECT_EQ(machine->getResult(), ApiError::kNoConnection);
}

}  // namespace
