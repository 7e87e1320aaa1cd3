// Balancing runs on the simulated older controller with a USB fault at each
// point of the run: the run ends with an error within its time-out, nothing
// of it is kept, frequency 0 is confirmed while the controller is attached,
// and once the fault is gone the machine (reconnected) measures again.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

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
        cfg.revolutionsBefore = 2;  // short cycles: a gap in one moves its row visibly
        cfg.dataCollection = settings_choice::kVersion1;
        controller.setMotor(&clock, 1.0, 200.0);  // 1 rpm per 0.1 Hz
        synth.setInfluencePolar(0, 0, 1.0, 0.0);
        synth.setInfluencePolar(1, 1, 1.0, 0.0);
        synth.setUnbalancePolar(0, 4000.0, 30.0);
        synth.setUnbalancePolar(1, 2500.0, 200.0);
        controller.setFrames(synth.rawSamples(1, {}));
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
    // The rotor turns evenly: every row of a run is the same unless samples
    // missing from its revolutions moved it (by 0.05 % and 0.1 degrees).
    bool rowsAgree() {
        const ChannelResult* last = rotor.measureResult(-1);
        for (int row = 0; last != nullptr; ++row) {
            const ChannelResult* r = rotor.measureResult(row);
            if (r == nullptr) return true;
            for (int k = 0; k < 2; ++k) {
                if (std::fabs(r[k].amplitude / last[k].amplitude - 1.0) > 1e-4 ||
                    std::fabs(r[k].angleDeg - last[k].angleDeg) > 0.01)
                    return false;
            }
        }
        return false;
    }
    int dataReadyPolls() {
        int n = 0;
        for (const auto& e : controller.registerJournal()) n += !e.write && e.reg == kRegDataReady;
        return n;
    }

    testwd::WorkDir wd{"ks_usb_faults", testwd::Logs::folder};
    RunClock clock;
    SynthRotor synth{2, 2};
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
    // read), a write of the set-up, a transfer of the speed-up (k = 0) or of
    // measuring cycle k, the stop's frequency 0, the reconnection's first read.
    const auto connection = [](const Transfer& t) { return t.kind == t.write; };
    const auto setUp = [](std::uint32_t reg) {
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
    const auto reopening = [](const Transfer& t) { return t.kind == t.read && t.reg == older::kRegFirmware; };
    using Armed = std::pair<std::function<bool(const Transfer&)>, Fault>;
    struct Case {
        const char* name;
        std::vector<Armed> faults;  // armed together, each fires once
        int result;
    };
    const int lost = ApiError::kNoConnection;
    const Fault damaged = Fault::damagedFrame;
    const Case cases[] = {
        // Its first run alone writes the inverter type (a connection writes it once).
        {"set-up: the inverter type not taken twice", {{setUp(24), damaged}, {setUp(24), damaged}}, lost},
        {"set-up: the gains not taken twice", {{setUp(9), damaged}, {setUp(9), damaged}}, lost},
        {"set-up: the ramps not taken twice", {{setUp(5), damaged}, {setUp(5), damaged}}, lost},
        {"set-up: the accuracies not taken twice", {{setUp(10), damaged}, {setUp(10), damaged}}, lost},
        {"connection: unplugged", {{connection, Fault::unplug}}, lost},
        {"connection: unplugged, the first attempt to reopen fails",
         {{connection, Fault::unplug}, {reopening, damaged}}, lost},
        {"speed-up: unplugged", {{during(0, Transfer::data, 0), Fault::unplug}}, lost},
        // Its data never comes: polled in steps up to the data time-out.
        {"speed-up: a start of conversion lost", {{during(0, Transfer::write, 27), damaged}}, lost},
        {"cycle 1: unplugged", {{during(1, Transfer::data, 0), Fault::unplug}}, lost},
        {"cycle 2: unplugged", {{during(2, Transfer::data, 0), Fault::unplug}}, lost},
        {"cycle 3: unplugged", {{during(3, Transfer::data, 0), Fault::unplug}}, lost},
        {"cycle 2: its data times out", {{during(2, Transfer::data, 0), Fault::timeout}}, lost},
        // Samples lost inside the cycle: it is measured again.
        {"cycle 2: a data block damaged", {{during(2, Transfer::data, 0), damaged}}, MachineError::kNone},
        {"cycle 3: its data-ready reply comes late", {{during(3, Transfer::read, kRegDataReady), Fault::lateReply}},
         lost},
        {"stop: unplugged", {{stop, Fault::unplug}}, lost},
        {"stop: its write times out once (written again)", {{stop, Fault::timeout}}, MachineError::kNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool unplugged = c.faults.front().second == Fault::unplug;
        const int opens = controller.openCount();
        const int fired = controller.faultsFired();
        base = m->getResultCount();
        // The controller forgot its set-up (a power cycle): every write of it must arrive.
        for (const std::uint32_t reg : {5u, 9u, 10u, 24u}) controller.setReg(reg, 0x5A5A);
        for (const Armed& f : c.faults) controller.injectFault(f.second, f.first);
        if (unplugged) controller.replugOnSearch();
        EXPECT_LT(balance(), kWholeRunMs);
        EXPECT_LT(dataReadyPolls(), 1000);
        EXPECT_EQ(m->getResult(), c.result);
        EXPECT_EQ(rotor.measureResult(-1) == nullptr,
                  c.result != MachineError::kNone);  // a failed run keeps nothing
        if (c.result == MachineError::kNone) {
            EXPECT_TRUE(rowsAgree());  // no row with a gap in it
        }
        if (!unplugged) {
            EXPECT_TRUE(controller.writesOf(kRegFrequency).empty() || stopConfirmed());
        }

        if (unplugged) {
            ASSERT_TRUE(waitFor([&] { return controller.openCount() > opens && idle(); }));
            ASSERT_FALSE(m->isDemo());
        }
        EXPECT_EQ(controller.faultsFired(), fired + static_cast<int>(c.faults.size()));
        controller.clearFaults();
        base = m->getResultCount();
        balance();
        EXPECT_EQ(m->getResult(), MachineError::kNone);
        EXPECT_EQ(m->getResultCount(), base + 3);
        EXPECT_NE(rotor.measureResult(-1), nullptr);
        EXPECT_TRUE(stopConfirmed());
    }
}

// A reconnection asked for (by a fault on an idle poll, by Apply) just
// before or just after a start: the start is refused, or it runs after the
// reconnection; none ends with result 0 without having run.
TEST_F(MachineUsbFaults, AStartAroundAReconnectionIsRefusedOrRunsAfterIt) {
    Machine* m = machine.get();
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        const bool requestFirst = i % 2 == 0;
        const int opens = controller.openCount();
        const int before = m->getResultCount();
        if (requestFirst) m->requestReconnect();
        const bool started = m->startProcess(MachineProcess::kBalancing);
        if (!requestFirst) m->requestReconnect();
        EXPECT_NE(started, requestFirst);
        ASSERT_TRUE(waitFor([&] { return controller.openCount() > opens && idle(); }));
        if (started) {
            EXPECT_TRUE(m->getResult() != MachineError::kNone || m->getResultCount() == before + 3);
        }
    }
    // The controller gone meanwhile: the run does not measure the demo device instead.
    controller.unplug();
    ASSERT_TRUE(m->startProcess(MachineProcess::kBalancing));
    m->requestReconnect();
    ASSERT_TRUE(waitFor([&] { return m->isDemo() && idle(); }));
    EXPECT_EQ(m->getResult(), ApiError::kNoConnection);
}

}  // namespace
