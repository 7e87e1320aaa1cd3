// The Machine object: requests and read-outs on the interface's thread, the
// worker frame and the connection process (virtual time, injected devices).

#include "machine/machine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "support/machine_fake_api.h"
#include "support/machine_machine_handle.h"
#include "support/machine_virtual_clock.h"
#include "texts/text_groups.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {

// The settings as every load leaves them: the lists filled up.
std::unique_ptr<Config> filledConfig() {
    auto c = std::make_unique<Config>();
    c->inverters.resize(2);
    c->channels.resize(5);
    c->extErrors.resize(8);
    c->endDrive.extErrors.resize(8);
    c->beltDrive.extErrors.resize(8);
    c->dataCollection = settings_choice::kVersion2;
    return c;
}

// Polls (real time) until `done` holds; false after a generous guard.
bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 20000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

void quit(Machine& m) {
    ASSERT_TRUE(waitFor([&] { return m.requestQuit(); }));
}

// A machine over injected devices: the measuring controller's factory hands
// out handles on `device`, the demo factory handles on `demo`.
struct Rig {
    VirtualClock clock;
    std::unique_ptr<Config> cfg = filledConfig();
    FakeApi device{clock};
    FakeApi demo{clock};
    std::atomic<int> made{0};
    std::atomic<int> demoMade{0};
    std::atomic<int> deleted{0};
    std::atomic<std::int64_t> demoMadeAtMs{-1};
    std::atomic<ApiHandle*> lastHandle{nullptr};
    std::atomic<std::int64_t> firstCheck{-1};
    std::int64_t firstCheckMs() const { return firstCheck.load(); }
    // Decides per attempt whether the factory answers (default: always).
    std::function<bool(int attempt)> answers = [](int) { return true; };
    // Runs inside the factory (on the worker).
    std::function<void(ApiHandle&)> onMade;
    std::unique_ptr<Machine> machine;

    Rig() { demo.version = "Demo"; }

    MachineDeps deps() {
        MachineDeps d;
        d.clock = &clock;
        d.makeMeasuring = [this](Clock& c) -> Api* {
            const int attempt = made.fetch_add(1);
            if (!answers(attempt)) return nullptr;
            auto* h = new ApiHandle(c, device, &deleted);
            h->firstCheckMs = &firstCheck;
            lastHandle.store(h);
            if (onMade) onMade(*h);
            return h;
        };
        d.makeOlder = [this](Clock& c) -> Api* {
            made.fetch_add(1);
            return new ApiHandle(c, device, &deleted);
        };
        d.makeDemo = [this](Clock& c) -> Api* {
            demoMade.fetch_add(1);
            demoMadeAtMs.store(clock.nowMs());
            return new ApiHandle(c, demo, &deleted);
        };
        d.demoReplayPath = "no-such-replay.dmp";
        d.exportLogs = [](std::atomic<int>* result, std::atomic<int>* percent) {
            percent->store(100);
            result->store(1);
        };
        return d;
    }
    Machine& make(int pauseMs = 3) {
        machine = std::make_unique<Machine>(pauseMs, cfg.get(), deps());
        return *machine;
    }
    bool idle() {
        return machine->process() == MachineProcess::kIdle && machine->getState() == MachineState::kIdle;
    }
    bool connected() {
        return waitFor(
            [&] { return machine->workerRunning() && idle() && machine->getDeviceName()[0] != 0; });
    }
};

// ---------------------------------------------------------------- without a worker

TEST(MachineObject, ConnectFlagIsOneShot) {
    Rig rig;
    Machine& m = rig.make();
    EXPECT_FALSE(m.getConnectFlag());
    EXPECT_TRUE(m.setConnectFlag());
    EXPECT_TRUE(m.getConnectFlag());
    EXPECT_FALSE(m.setConnectFlag());
    m.clearConnectFlag();
    EXPECT_FALSE(m.getConnectFlag());
    EXPECT_TRUE(m.setConnectFlag());
}

TEST(MachineObject, ConnectFlagRefusedWhileConnecting) {
    Rig rig;
    std::atomic<int> during{-1};
    rig.onMade = [&](ApiHandle&) { during.store(rig.machine->setConnectFlag() ? 1 : 0); };
    Machine& m = rig.make();
    ASSERT_TRUE(m.setConnectFlag());
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(rig.connected());
    // The flag was taken by the connect process; a set inside it is refused.
    EXPECT_EQ(during.load(), 0);
    EXPECT_FALSE(m.getConnectFlag());
    EXPECT_TRUE(m.setConnectFlag());
    quit(m);
}

TEST(MachineObject, StopAndQuitBeforeAnyProcess) {
    Rig rig;
    Machine& m = rig.make();
    EXPECT_TRUE(m.requestQuit());
    Rig rig2;
    Machine& m2 = rig2.make();
    EXPECT_FALSE(m2.stop());  // wakes the process
    EXPECT_TRUE(m2.stop());   // already woken, nothing runs
    Rig rig3;
    Machine& m3 = rig3.make();
    m3.setSpeed(500, false);  // a speed request already woke the worker
    EXPECT_TRUE(m3.stop());
    EXPECT_EQ(m3.getCopyLogsProgress(), -1);
    EXPECT_EQ(m3.takeCopyLogsResult(), 0);
    EXPECT_FALSE(m3.takeDeviceReleased());
}

TEST(MachineObject, ConfirmStartOnlyAnswersBegin) {
    Rig rig;
    Machine& m = rig.make();
    m.confirmStart();
    EXPECT_EQ(m.getState(), MachineState::kIdle);
}

TEST(MachineObject, FrequencyIsSaturatedToSixteenBits) {
    EXPECT_EQ(Machine::frequencyValue(12.345), 1234);
    EXPECT_EQ(Machine::frequencyValue(-7.5), -750);
    EXPECT_EQ(Machine::frequencyValue(400.0), 32767);  // not wrapped into reverse
    EXPECT_EQ(Machine::frequencyValue(700.0), 32767);
    EXPECT_EQ(Machine::frequencyValue(-400.0), -32768);
    EXPECT_EQ(Machine::frequencyValue(std::nan("")), 0);
}

TEST(MachineObject, TurnSpeed) {
    Rig rig;
    rig.cfg->millDrive.maxSpeed = 600.0;
    rig.cfg->millDrive.ratedMotorSpeed = 1500.0;
    Machine& m = rig.make();
    // Plane 0: the value is the percentage.
    EXPECT_EQ(m.setTurnSpeed(50.0, 0), 50);
    EXPECT_EQ(m.turnSpeedValue(), static_cast<int>(600.0 * 50 / 1500.0 * 50));
    EXPECT_EQ(m.setTurnSpeed(0.0, 0), 1);
    EXPECT_EQ(m.setTurnSpeed(250.0, 0), 100);
    EXPECT_EQ(m.turnSpeedValue(), 2000);

    Rotor rotor(rig.cfg.get());
    rotor.clearPlanes();
    rotor.insertPlane(1);
    ASSERT_EQ(rotor.data().planes.size(), 1u);
    rotor.data().planes[0].radius = 100.0;
    m.setRotor(&rotor);
    const double L = 100.0 * 2 * M_PI * 600.0 / 60.0;  // highest speed at the radius
    EXPECT_EQ(m.setTurnSpeed(L * 2, 1), 100);
    EXPECT_EQ(m.setTurnSpeed(L / 4, 1), 25);
    // A correction radius of 0 takes the value as the percentage.
    rotor.data().planes[0].radius = 0.0;
    EXPECT_EQ(m.setTurnSpeed(30.0, 1), 30);
    m.setRotor(nullptr);

    // The mill drive's rated speed 0 (the default) gives no turning speed.
    rig.cfg->millDrive.ratedMotorSpeed = 0.0;
    EXPECT_EQ(m.setTurnSpeed(50.0, 0), 50);
    EXPECT_EQ(m.turnSpeedValue(), 0);
}

TEST(MachineObject, ChannelGainThroughTheChannelList) {
    Rig rig;
    rig.cfg->channels[0].gain = 0;
    rig.cfg->channels[1].gain = 2;
    Machine& m = rig.make();
    EXPECT_EQ(m.getChannelGain(0), 0);  // no list yet
    Rotor rotor(rig.cfg.get());
    rotor.clearPlanes();
    rotor.insertPlane(1);
    rotor.insertPlane(2);
    rotor.setPlaneChannels(1, 2, 0);
    rotor.setPlaneChannels(2, 1, 0);
    ASSERT_TRUE(m.measurer().setup(*rig.cfg, &rotor, MachineProcess::kBalancing));
    EXPECT_EQ(m.getChannelGain(0), 10);    // slot 0 is channel 2, step 2
    EXPECT_EQ(m.getChannelGain(1), 1000);  // slot 1 is channel 1, step 0
    EXPECT_EQ(m.getChannelGain(2), 0);
    EXPECT_EQ(m.getChannelGain(-1), 0);
    EXPECT_EQ(m.getChannelGain(1000), 0);
    EXPECT_EQ(Measurer::gainMultiplier(1), 100);
    EXPECT_EQ(Measurer::gainMultiplier(3), 1);
}

TEST(MachineObject, RotorSelectsTheDrive) {
    Rig rig;
    rig.cfg->endDrive.external = true;
    Machine& m = rig.make();
    EXPECT_EQ(m.getDriveType(), 0);
    EXPECT_TRUE(m.isExternalDrive());
    Rotor rotor(rig.cfg.get());
    m.setRotor(&rotor);
    EXPECT_EQ(m.getRotor(), &rotor);
    EXPECT_EQ(m.getDriveType(), rotor.isBeltDrive() ? 1 : 0);
    char unit[16] = "x";
    m.setRotor(nullptr);
    EXPECT_EQ(m.getSpecificUnbalance(unit, sizeof unit), 0.0);
    EXPECT_EQ(unit[0], 0);
}

TEST(MachineObject, ResultsAndPlaneValues) {
    Rig rig;
    Machine& m = rig.make();
    m.addResult();
    m.addResult();
    EXPECT_EQ(m.getResultCount(), 2);
    m.resetResults();
    EXPECT_EQ(m.getResultCount(), 0);
    m.setPlaneValues(7, 250);
    int a = 0, b = 0;
    m.getPlaneValues(&a, nullptr);
    m.getPlaneValues(nullptr, &b);
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 250);
    EXPECT_EQ(m.getMaxSamples(), 32768);
    EXPECT_FALSE(m.reserved9());
    EXPECT_TRUE(m.reserved44());
    const std::int64_t before = rig.clock.nowMs();
    m.setEventLogging(true);
    EXPECT_EQ(rig.clock.nowMs() - before, 100);
}

TEST(MachineObject, ErrorTextWithoutDevice) {
    Rig rig;
    Machine& m = rig.make();
    int shown = 0;
    std::string title;
    const std::string text = m.errorText(&shown, &title);
    EXPECT_EQ(shown, 9900);
    EXPECT_NE(text.find("(9900)"), std::string::npos);
}

// The names carry the values that index the state and error texts.
TEST(MachineObject, CodeNamesMatchTheirTexts) {
    setLanguage(true);
    const std::pair<int, const char*> states[] = {
        {MachineState::kIdle, "Idle"},
        {MachineState::kInitializing, "Initializing"},
        {MachineState::kAscending, "Ascending"},
        {MachineState::kDescending, "Descending"},
        {MachineState::kAdjusting, "Adjusting"},
        {MachineState::kTraining, "Training"},
        {MachineState::kAutosetting, "Autosetting"},
        {MachineState::kMeasuring, "Measuring"},
        {MachineState::kTurning, "Turning"},
        {MachineState::kTesting, "Testing"},
        {MachineState::kWaiting, "Waiting"},
        {MachineState::kWaiting1, "Waiting-1"},
        {MachineState::kCertification, "Certification"},
        {MachineState::kCalibration, "Calibration"},
        {MachineState::kBeginPrompt, "Begin?"},
        {MachineState::kConfiguring, "Configuring"},
        {MachineState::kCopyingLogs, "Copying logs"},
    };
    for (const auto& [state, text] : states) {
        EXPECT_STREQ(textOrEmpty(textid::kMachineStateFirst + static_cast<TextId>(state)), text);
    }
    const std::pair<int, const char*> errors[] = {
        {MachineError::kInitializing, "Wait, initialization in process..."},
        {MachineError::kNoPhasorSignal, "No phasor signal"},
        {MachineError::kVibrationTooHigh, "Vibration level exceeded"},
        {MachineError::kSpeedNotReached, "Unable to reach set speed"},
        {MachineError::kOverDriveLimit, "Rotor speed under balancing exceeds\nlimitation for selected drive"},
        {ApiError::kEmergencyStop, "Emergency stop"},
        {ApiError::kShaftNotConnected, "Drive shaft is not connected to the rotor end"},
        {ApiError::kFaultUnreadable, "Unable to read frequency inverter error"},
        {ApiError::kInvalidInverterState, "Communication loss with frequency inverter"},
        {ApiError::kNoConnection, "USB connection fault"},
    };
    for (const auto& [code, text] : errors) EXPECT_STREQ(machineErrorText(code, 0).text, text) << code;
    setLanguage(false);
}

// ---------------------------------------------------------------- connection process

TEST(MachineConnect, UnknownSystemFallsBackToDemoAfterFiftyPauses) {
    Rig rig;
    rig.cfg->dataCollection = 0x1CEB409;
    Machine& m = rig.make(7);
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(rig.connected());
    EXPECT_EQ(rig.made.load(), 0);
    EXPECT_EQ(rig.demoMade.load(), 1);
    EXPECT_EQ(rig.demoMadeAtMs.load(), 50 * 7);
    EXPECT_EQ(m.getConnectAttempt(), 98);
    EXPECT_TRUE(m.isDemo());
    EXPECT_STREQ(m.getDeviceName(), "Demo");
    EXPECT_EQ(m.getResult(), MachineError::kNone);
    quit(m);
}

TEST(MachineConnect, QuitEndsTheAttemptsAndTheDemoFollowsAtOnce) {
    Rig rig;
    rig.answers = [&](int) {
        rig.machine->requestQuit();
        return false;
    };
    Machine& m = rig.make(5);
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(waitFor([&] { return !m.workerRunning(); }));
    EXPECT_EQ(rig.made.load(), 1);
    EXPECT_EQ(rig.demoMade.load(), 1);
    EXPECT_EQ(rig.demoMadeAtMs.load(), 5);  // only the one attempt's pause
    EXPECT_EQ(rig.deleted.load(), 1);       // the worker's end released it
}

TEST(MachineConnect, MeasuringControllerAndInverters) {
    Rig rig;
    rig.cfg->inverters[0].address = 3;
    rig.cfg->inverters[0].inverterType = 0x1793003;
    rig.cfg->inverters[1].address = 0;
    rig.cfg->speedBufferSize = 6;
    rig.cfg->speedPeriod = 0.2509;
    rig.device.version = "KWZ 2.1.0";
    rig.device.setValue("hasTurnData", 1);
    Machine& m = rig.make(11);
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(rig.connected());
    EXPECT_FALSE(m.isDemo());
    EXPECT_TRUE(m.isInvertersOk());
    EXPECT_STREQ(m.getDeviceName(), "KWZ 2.1.0");
    int a = 0, b = 0;
    m.getPlaneValues(&a, &b);
    EXPECT_EQ(a, 6);
    EXPECT_EQ(b, 250);
    EXPECT_EQ(m.measurer().maxRingSamples, 15000);
    quit(m);
    const auto inv = rig.device.callsOf("setInverters");
    ASSERT_EQ(inv.size(), 1u);
    EXPECT_EQ(inv[0].args, (std::vector<double>{3, 2}));
    // The first success still waited its pause before the device was checked.
    const auto names = rig.device.names();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names[0], "isConnected");
    EXPECT_EQ(rig.firstCheckMs(), 11);
}

TEST(MachineConnect, AllAddressesZeroNeedNoInverterCall) {
    Rig rig;
    Machine& m = rig.make();
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(rig.connected());
    EXPECT_TRUE(m.isInvertersOk());
    quit(m);
    EXPECT_EQ(rig.device.count("setInverters"), 0);
}

TEST(MachineConnect, RefusedInverterList) {
    Rig rig;
    rig.cfg->inverters[1].address = 9;
    rig.device.setValue("setInverters", 0);
    Machine& m = rig.make();
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(rig.connected());
    EXPECT_FALSE(m.isInvertersOk());
    quit(m);
}

TEST(MachineConnect, DisconnectedDeviceIsDeletedAndRetried) {
    Rig rig;
    rig.onMade = [&](ApiHandle& h) {
        if (rig.made.load() == 1) h.connected.store(0);
    };
    Machine& m = rig.make();
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(rig.connected());
    EXPECT_EQ(rig.made.load(), 2);
    EXPECT_EQ(rig.deleted.load(), 1);
    EXPECT_FALSE(m.isDemo());
    EXPECT_EQ(m.getConnectAttempt(), 2);
    quit(m);
    EXPECT_EQ(rig.deleted.load(), 2);
}

TEST(MachineConnect, OlderControllerFactory) {
    Rig rig;
    rig.cfg->dataCollection = settings_choice::kVersion1;
    Machine& m = rig.make();
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(rig.connected());
    EXPECT_EQ(rig.made.load(), 1);
    EXPECT_FALSE(m.isDemo());
    quit(m);
}

// ---------------------------------------------------------------- worker

TEST(MachineWorker, ReconnectWhileIdleReleasesTheDeviceOnce) {
    Rig rig;
    Machine& m = rig.make();
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(rig.connected());
    m.requestReconnect();
    ASSERT_TRUE(waitFor([&] { return rig.made.load() == 2 && rig.idle(); }));
    EXPECT_EQ(rig.deleted.load(), 1);
    EXPECT_TRUE(m.takeDeviceReleased());
    EXPECT_FALSE(m.takeDeviceReleased());
    quit(m);
    EXPECT_EQ(rig.deleted.load(), 2);
}

TEST(MachineWorker, DeviceThatGoesAwayIsReconnected) {
    Rig rig;
    Machine& m = rig.make();
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(rig.connected());
    rig.lastHandle.load()->connected.store(0);
    ASSERT_TRUE(waitFor([&] { return rig.made.load() >= 2 && rig.idle(); }));
    EXPECT_GE(rig.deleted.load(), 1);
    quit(m);
}

TEST(MachineWorker, QuitThenStartRunsASecondWorker) {
    Rig rig;
    Machine& m = rig.make();
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(rig.connected());
    quit(m);
    EXPECT_EQ(rig.deleted.load(), 1);
    EXPECT_FALSE(m.workerRunning());
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(waitFor([&] { return rig.made.load() == 2 && rig.idle() && m.workerRunning(); }));
    quit(m);
    EXPECT_EQ(rig.deleted.load(), 2);
}

TEST(MachineWorker, StartRefusedWhileAProcessRuns) {
    Rig rig;
    std::atomic<bool> checked{false};
    rig.answers = [&](int) {
        while (!checked.load()) std::this_thread::yield();  // the connect waits for the check
        return true;
    };
    Machine& m = rig.make(50);
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    EXPECT_FALSE(m.startProcess(MachineProcess::kConnect));
    EXPECT_FALSE(m.startProcess(MachineProcess::kBalancing));
    checked.store(true);
    ASSERT_TRUE(rig.connected());
    quit(m);
}

TEST(MachineWorker, DeletingAMachineWithARunningWorker) {
    Rig rig;
    Machine& m = rig.make();
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(rig.connected());
    rig.machine.reset();  // joins the worker, releases the device
    EXPECT_EQ(rig.deleted.load(), 1);
}

TEST(MachineWorker, FrequencyRequestServedByTheIdlePass) {
    Rig rig;
    Machine& m = rig.make();
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(rig.connected());
    m.setSpeed(12.5, true);
    m.setSpeed(600.0, true);  // the latest wins, saturated
    ASSERT_TRUE(waitFor([&] { return !m.frequencyPending(); }));
    ASSERT_TRUE(waitFor([&] { return rig.clock.sleepCount() > 5; }));
    quit(m);
    const auto speeds = rig.device.callsOf("setSpeed");
    ASSERT_GE(speeds.size(), 1u);
    EXPECT_EQ(speeds.back().args[0], 32767);
    for (const auto& c : speeds) EXPECT_NE(c.args[0], -32768);
}

TEST(MachineWorker, PublishedValuesAreRefreshed) {
    Rig rig;
    rig.cfg->extErrors[0].message = "Door open";
    rig.onMade = [](ApiHandle& h) {
        h.errorCode.store(ApiError::kExternalInputFirst);
        h.channelGain.store(1);
    };
    Machine& m = rig.make();
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(rig.connected());
    int shown = 0;
    std::string title;
    EXPECT_EQ(m.errorText(&shown, &title), "Door open (9981)");
    EXPECT_EQ(shown, ApiError::kExternalInputFirst);
    // The device reports an emergency stop: the idle passes publish it.
    rig.lastHandle.load()->errorCode.store(ApiError::kEmergencyStop);
    ASSERT_TRUE(waitFor([&] { return m.errorText(&shown, nullptr).find("9995") != std::string::npos; }));
    EXPECT_EQ(shown, ApiError::kEmergencyStop);
    quit(m);
}

TEST(MachineWorker, UpdateModeEndsTheWorker) {
    Rig rig;
    Machine& m = rig.make();
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(rig.connected());
    EXPECT_TRUE(m.requestUpdateMode());
    ASSERT_TRUE(waitFor([&] { return !m.workerRunning(); }));
    EXPECT_EQ(rig.deleted.load(), 1);
    EXPECT_EQ(rig.device.count("setUpdateMode"), 1);
    ASSERT_TRUE(m.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(waitFor([&] { return rig.made.load() == 2 && rig.idle() && m.workerRunning(); }));
    quit(m);
}

}  // namespace
