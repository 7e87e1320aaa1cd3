// Training the speed sensor from the idle machine: the operation's cancel
// flag is cleared when the training starts, so a Stop or a speed request made
// before it does not end it; a Stop while it runs does, a speed request does
// not (nothing in idle turns at a requested speed).

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "machine/iapi.h"
#include "machine/machine.h"
#include "records/settings_records.h"
#include "support/machine_iapi_fake.h"
#include "support/machine_virtual_clock.h"

namespace {

using iapitest::FakeKwz;
using iapitest::FakeKwzDriver;
using iapitest::LogBook;

// A machine whose measuring controller is IApi over the scripted driver.
struct TrainingRig {
    VirtualClock clock;
    LogBook book;
    FakeKwz kwz{&clock};
    Config config;
    std::unique_ptr<Machine> machine;

    TrainingRig() {
        config.inverters.resize(2);
        config.channels.resize(5);
        config.dataCollection = settings_choice::kVersion2;
        kwz.encoderSpeed = 1000;
        kwz.opticalSpeed = 1000;
        kwz.fullTurn = 10000;
        MachineDeps deps;
        deps.clock = &clock;
        deps.makeMeasuring = [this](Clock& c) -> Api* {
            LoggerBase* log = book.make("api_i");
            log->open(true);
            return new IApi(c, std::make_unique<FakeKwzDriver>(kwz), "KWZ test", log);
        };
        machine = std::make_unique<Machine>(3, &config, deps);
    }
    ~TrainingRig() {
        if (machine) waitFor([&] { return machine->requestQuit(); });
    }

    static bool waitFor(const std::function<bool()>& done) {
        for (int i = 0; i < 20000; ++i) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return done();
    }
    bool logged(const std::string& prefix) const {
        for (const std::string& line : book.linesOf("api_i"))
            if (line.rfind(prefix, 0) == 0) return true;
        return false;
    }
    bool connected() {
        return waitFor([&] {
            return machine->workerRunning() && machine->process() == MachineProcess::kIdle &&
                   machine->getState() == MachineState::kIdle && machine->getDeviceName()[0] != 0;
        });
    }
};

}  // namespace

TEST(IdleTraining, RequestsBeforeTheTrainingDoNotCancelItAStopDuringItDoes) {
    const struct Case {
        const char* what;
        std::function<void(Machine&)> before;  // on the interface's thread, before the request
        std::function<void(Machine&)> during;  // once the training has begun
        bool trained;
    } cases[] = {
        {"nothing before", [](Machine&) {}, [](Machine&) {}, true},
        {"a Stop before", [](Machine& m) { m.stop(); }, [](Machine&) {}, true},
        {"a speed request before", [](Machine& m) { m.setSpeed(600, false); }, [](Machine&) {}, true},
        {"a speed request during", [](Machine&) {}, [](Machine& m) { m.setSpeed(600, false); }, true},
        {"a Stop during", [](Machine&) {}, [](Machine& m) { m.stop(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TrainingRig rig;
        // The training's first call to the controller; its waits follow.
        rig.kwz.onCall = [&](const std::string& op) {
            if (op == "setMarkerEncoderMarkerType") c.during(*rig.machine);
        };
        ASSERT_TRUE(rig.machine->startProcess(MachineProcess::kConnect));
        ASSERT_TRUE(rig.connected());
        c.before(*rig.machine);
        rig.machine->startTraining();
        ASSERT_TRUE(TrainingRig::waitFor(
            [&] { return rig.logged("startTraining: phasor") || rig.logged("startTraining: cancelled"); }));
        EXPECT_EQ(rig.logged("startTraining: phasor"), c.trained);
        EXPECT_EQ(rig.logged("startTraining: cancelled"), !c.trained);
    }
}
