// Requests served by the idle machine while the interface goes on: training
// the speed sensor (a Stop or a speed request made before must not cancel
// it, a Stop during it must), and a log copy during which the interface
// writes through its rotor and may replace it (a settings load is allowed
// when no process runs; the copy is not one).  Also run as a program of its
// own under ThreadSanitizer (scripts/test).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "machine/iapi.h"
#include "machine/machine.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "support/machine_iapi_fake.h"
#include "support/machine_virtual_clock.h"
#include "support/work_dir.h"

namespace {

bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 20000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

// A connected machine whose measuring controller is IApi over the scripted
// driver, and whose log export waits until the test says the interface is done.
struct IdleRig {
    testwd::WorkDir dir;
    VirtualClock clock;
    iapitest::LogBook book;
    iapitest::FakeKwz kwz{&clock};
    Config config;
    std::atomic<int> exportStage{0};  // 1: the export runs; 2: the interface is done
    std::unique_ptr<Machine> machine;

    explicit IdleRig(std::function<void(Machine&, const std::string& op)> onDriverCall = {}) {
        std::filesystem::create_directory("logs");
        config.inverters.resize(2);
        config.channels.resize(5);
        config.dataCollection = settings_choice::kVersion2;
        kwz.encoderSpeed = kwz.opticalSpeed = 1000;
        kwz.fullTurn = 10000;
        if (onDriverCall) kwz.onCall = [this, onDriverCall](const std::string& op) { onDriverCall(*machine, op); };
        MachineDeps deps;
        deps.clock = &clock;
        deps.makeMeasuring = [this](Clock& c) -> Api* {
            LoggerBase* log = book.make("api_i");
            log->open(true);
            return new IApi(c, std::make_unique<iapitest::FakeKwzDriver>(kwz), "KWZ test", log);
        };
        deps.exportLogs = [this](std::atomic<int>* result, std::atomic<int>* percent) {
            exportStage.store(1);
            waitFor([&] { return exportStage.load() == 2; });
            percent->store(100);
            result->store(1);
        };
        machine = std::make_unique<Machine>(1, &config, deps);
        EXPECT_TRUE(machine->startProcess(MachineProcess::kConnect));
        EXPECT_TRUE(waitFor([&] {
            return machine->workerRunning() && machine->process() == MachineProcess::kIdle &&
                   machine->getState() == MachineState::kIdle && machine->getDeviceName()[0] != 0;
        }));
    }
    ~IdleRig() { waitFor([&] { return machine->requestQuit(); }); }

    bool logged(const std::string& prefix) const {
        for (const std::string& line : book.linesOf("api_i"))
            if (line.rfind(prefix, 0) == 0) return true;
        return false;
    }
};

}  // namespace

TEST(IdleTraining, RequestsBeforeTheTrainingDoNotCancelItAStopDuringItDoes) {
    const auto stop = [](Machine& m) { m.stop(); };
    const auto speed = [](Machine& m) { m.setSpeed(600, false); };
    const auto none = [](Machine&) {};
    const struct Case {
        const char* what;
        std::function<void(Machine&)> before, during;
        bool trained;
    } cases[] = {
        {"nothing else", none, none, true},
        {"a Stop before", stop, none, true},
        {"a speed request before", speed, none, true},
        {"a speed request during", none, speed, true},
        {"a Stop during", none, stop, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The request "during" comes with the training's first call to the controller.
        IdleRig rig([&](Machine& m, const std::string& op) {
            if (op == "setMarkerEncoderMarkerType") c.during(m);
        });
        c.before(*rig.machine);
        rig.machine->startTraining();
        ASSERT_TRUE(waitFor([&] { return rig.logged("startTraining: phasor") || rig.logged("startTraining: cancelled"); }));
        EXPECT_EQ(rig.logged("startTraining: phasor"), c.trained);
        EXPECT_EQ(rig.logged("startTraining: cancelled"), !c.trained);
    }
}

// The rotor's log is silent during the export, whichever rotor writes it,
// and written again afterwards; the machine never touches a rotor it no
// longer holds.
TEST(LogCopyRotorSwap, RotorLogSilentDuringTheExportWhicheverRotorWritesIt) {
    const struct Case {
        const char* what;
        bool rotorBefore, replaced;
    } cases[] = {
        {"the rotor kept", true, false},
        {"the rotor replaced by a settings load", true, true},
        {"a first rotor made during the export", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IdleRig rig;
        std::unique_ptr<Rotor> rotor;
        if (c.rotorBefore) rotor = std::make_unique<Rotor>(&rig.config);
        rig.machine->setRotor(rotor.get());
        rig.machine->requestCopyLogs();
        ASSERT_TRUE(waitFor([&] { return rig.exportStage.load() == 1; }));
        if (rotor) rotor->computeDisbalance();
        if (c.replaced) {
            auto fresh = std::make_unique<Rotor>(&rig.config);
            rig.machine->setRotor(fresh.get());  // the machine holds the new rotor first,
            rotor = std::move(fresh);            // then the old one goes
        }
        rotor->computeDisbalance();
        rig.exportStage.store(2);
        ASSERT_TRUE(waitFor([&] { return rig.machine->getCopyLogsProgress() == -1; }));
        EXPECT_EQ(rig.machine->takeCopyLogsResult(), 1);
        rotor->computeDisbalance();
        const std::string log = testwd::readFile("logs/calcs.log");
        EXPECT_EQ(log.find("computeDisbalance\r\n"), log.rfind("computeDisbalance\r\n"));  // one line
        EXPECT_NE(log.find("computeDisbalance\r\n"), std::string::npos);
        rig.machine->setRotor(nullptr);
    }
}
