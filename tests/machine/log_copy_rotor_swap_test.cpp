// A log copy while the interface goes on with its rotor and may replace it
// (a settings load is allowed when no process runs; the copy is not one):
// the rotor's log is silent during the export, whichever rotor writes it, and
// written again afterwards; the machine never touches a rotor it no longer
// holds.  Meant for the sanitizer builds as much as for the release build.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "machine/machine.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "support/machine_fake_api.h"
#include "support/machine_machine_handle.h"
#include "support/machine_virtual_clock.h"
#include "support/work_dir.h"

namespace {

bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 20000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

std::size_t linesWith(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A machine over a fake measuring controller whose log export waits, in the
// middle, until the test has done what the interface does meanwhile.
struct CopyRig {
    testwd::WorkDir dir;
    VirtualClock clock;
    FakeApi device{clock};
    Config config;
    std::atomic<int> stage{0};  // 1: the export runs; 2: the interface is done
    std::unique_ptr<Machine> machine;

    CopyRig() {
        std::filesystem::create_directory("logs");
        config.inverters.resize(2);
        config.channels.resize(5);
        config.dataCollection = settings_choice::kVersion2;
        MachineDeps deps;
        deps.clock = &clock;
        deps.makeMeasuring = [this](Clock& c) -> Api* { return new ApiHandle(c, device); };
        deps.exportLogs = [this](std::atomic<int>* result, std::atomic<int>* percent) {
            stage.store(1);
            waitFor([&] { return stage.load() == 2; });
            percent->store(100);
            result->store(1);
        };
        machine = std::make_unique<Machine>(1, &config, deps);
    }
    ~CopyRig() { waitFor([&] { return machine->requestQuit(); }); }

    bool connected() {
        return waitFor([&] {
            return machine->workerRunning() && machine->process() == MachineProcess::kIdle &&
                   machine->getState() == MachineState::kIdle && machine->getDeviceName()[0] != 0;
        });
    }
};

}  // namespace

TEST(LogCopyRotorSwap, RotorLogSilentDuringTheExportWhicheverRotorWritesIt) {
    const struct Case {
        const char* what;
        bool rotorBefore;  // the machine holds a rotor when the copy starts
        bool replaced;     // the interface replaces it during the export
    } cases[] = {
        {"the rotor kept", true, false},
        {"the rotor replaced by a settings load", true, true},
        {"a first rotor made during the export", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CopyRig rig;
        std::unique_ptr<Rotor> rotor;
        if (c.rotorBefore) {
            rotor = std::make_unique<Rotor>(&rig.config);
            rig.machine->setRotor(rotor.get());
        }
        ASSERT_TRUE(rig.machine->startProcess(MachineProcess::kConnect));
        ASSERT_TRUE(rig.connected());
        rig.machine->requestCopyLogs();
        ASSERT_TRUE(waitFor([&] { return rig.stage.load() == 1; }));

        // The interface thread, while the export runs.
        if (rotor) rotor->computeDisbalance();
        if (c.replaced) {
            auto fresh = std::make_unique<Rotor>(&rig.config);
            rig.machine->setRotor(fresh.get());  // the machine holds the new rotor first
            rotor = std::move(fresh);            // then the old one goes
        }
        rotor->computeDisbalance();
        rig.stage.store(2);

        ASSERT_TRUE(waitFor([&] { return rig.machine->getCopyLogsProgress() == -1; }));
        EXPECT_EQ(rig.machine->takeCopyLogsResult(), 1);
        rotor->computeDisbalance();
        EXPECT_EQ(linesWith(testwd::readFile("logs/calcs.log"), "computeDisbalance\r\n"), 1u);
        rig.machine->setRotor(nullptr);
    }
}
