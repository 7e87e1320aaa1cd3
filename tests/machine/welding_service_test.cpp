// The Machine's welding service on the idle pass: requests through the Weld
// drive's inverter or through the welding remote, the turning and tack
// sequences, the remote's states, and the log copy.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "files/log_archive.h"
#include "platform/removable.h"
#include "texts/text_ids.h"
#include "welding_rig.h"

using weldrig::WeldingRig;
using Strings = std::vector<std::string>;

namespace {

class WeldingService : public WeldingRig {};
class LogCopy : public WeldingRig {};
// The remote's failure reaches the result the welding screens show, also
// when no welding value is set.
class WelderReconnectMachine : public WeldingRig {};

}  // namespace

// ---------------------------------------------------------------- without a remote

TEST_F(WeldingService, RequestsThroughTheWeldDrive) {
    start();
    Machine& m = *machine;
    // 2 x 5000 x 315 / pi / 1450 / 20 = 34.57 -> 35 (0.01 Hz)
    m.setPipeDiameter(20.0f);
    m.setFastRotation(7);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(), (Strings{"setAccTime(0,0,0)", "setCurrentInverter(1,2)", "setSpeed(350)"}));
    EXPECT_EQ(remote.made.load(), 0);
    device.calls.clear();

    m.setJogRotation(-45, 0);  // a < 0: the frequency keeps its sign
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(), (Strings{"setAccTime(0,0,0)", "setCurrentInverter(1,2)", "setSpeed(35)"}));
    device.calls.clear();
    m.setJogRotation(45, 0);  // a > 0: negated
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(), (Strings{"setAccTime(0,0,0)", "setCurrentInverter(1,2)", "setSpeed(-35)"}));
    device.calls.clear();
    cfg->reverseAngle = true;  // read by the worker while it stands
    m.setJogRotation(45, 0);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(), (Strings{"setAccTime(0,0,0)", "setCurrentInverter(1,2)", "setSpeed(35)"}));
    device.calls.clear();
    m.setJogRotation(0, 0);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(), (Strings{"setAccTime(0,0,0)", "setCurrentInverter(1,2)", "setSpeed(0)"}));
    device.calls.clear();

    m.setJogWelding(true);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(), (Strings{"setCurrentInverter(1,2)", "setRelay(1,0)"}));
    device.calls.clear();

    m.setWeldRotation(true);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(), (Strings{"setAccTime(0,0,0)", "setCurrentInverter(1,2)", "setSpeed(35)"}));
    device.calls.clear();
    m.setWeldRotation(false);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(),
              (Strings{"setAccTime(0,0,0)", "setCurrentInverter(1,2)", "setSpeed(0)", "setRelay(0,0)"}));
    device.calls.clear();

    m.setWeldWelding(false);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(), (Strings{"setCurrentInverter(1,2)", "setRelay(0,0)"}));

    const std::string log = machineLog();
    for (const char* line :
         {"set fast rotation: 7", "set jog rotation: -45", "set jog rotation: 0", "set jog welding: On",
          "set welding rotation: On", "set welding rotation: Off", "set welding weld: Off"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

TEST_F(WeldingService, FastRotationLimitsReversesAndWaitsASecond) {
    cfg->weldDrive.reverseTurning = true;
    start();
    Machine& m = *machine;
    m.setFastRotation(150);  // limited to 100, reversed: -5000
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(device.callsOf("setSpeed").back().args[0], -5000);
    const std::int64_t first = clock.nowMs();
    device.calls.clear();

    m.setFastRotation(-3);  // within the second: stays pending
    int passes = 0;
    while (device.count("setSpeed") == 0 && passes < 100) {
        ASSERT_TRUE(clock.step());
        ++passes;
    }
    ASSERT_EQ(device.count("setSpeed"), 1);
    EXPECT_EQ(device.callsOf("setSpeed")[0].args[0], 150);
    // Served on the first pass a second after the first one (passes of 20 ms).
    EXPECT_GE(clock.nowMs() - first, 1000);
    EXPECT_LE(clock.nowMs() - first, 1040);
    EXPECT_GT(passes, 40);
}

TEST_F(WeldingService, WeldFrequencyWithoutDivisorOrSaturated) {
    cfg->weldDrive.ratedMotorSpeed = 0.0;  // the default
    start();
    Machine& m = *machine;
    m.setPipeDiameter(60.0f);
    m.setWeldRotation(true);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(device.callsOf("setSpeed").back().args[0], 0);
    EXPECT_NE(machineLog().find("weld rotation frequency 0: rated motor speed 0, pipe diameter 60"),
              std::string::npos);
    device.calls.clear();

    cfg->weldDrive.ratedMotorSpeed = 1450.0;
    m.setPipeDiameter(0.0f);  // no diameter: frequency 0 as well
    m.setWeldRotation(true);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(device.callsOf("setSpeed").back().args[0], 0);
    device.calls.clear();

    cfg->weldDrive.ratedMotorSpeed = 1.0;
    m.setPipeDiameter(0.01f);  // 2 x 5000 x 315 / pi / 1 / 0.01: far above 16 bits
    m.setWeldRotation(true);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(device.callsOf("setSpeed").back().args[0], 32767);
    m.setJogRotation(10, 0);  // a > 0 negates: -32767, not a wrapped value
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(device.callsOf("setSpeed").back().args[0], -32767);
    cfg->weldDrive.reverseTurning = true;
    m.setWeldRotation(true);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(device.callsOf("setSpeed").back().args[0], -32767);
}

TEST_F(WeldingService, WeldDriveWithoutInverterDropsTheRequest) {
    cfg->weldDrive.drive = 2;  // only two inverters
    start();
    machine->setFastRotation(10);
    machine->setJogWelding(true);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(), (Strings{"setAccTime(0,0,0)"}));
    EXPECT_NE(machineLog().find("fast rotation dropped: weld drive inverter 2 is not configured"),
              std::string::npos);
    EXPECT_NE(machineLog().find("jog welding dropped: weld drive inverter 2 is not configured"),
              std::string::npos);
}

TEST_F(WeldingService, WeldingLimitExamples) {
    start();
    Machine& m = *machine;
    setAngle(10.0);
    ASSERT_TRUE(clock.step());
    m.setWeldWelding(true);  // 15 + 360 = 375 degrees to turn
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(), (Strings{"setCurrentInverter(1,2)", "setRelay(1,0)"}));
    device.calls.clear();
    // The request was served 20 ms ago: 5 degrees seen 499 ms after it.
    clock.advanceMs(479);
    setAngle(15.0);
    ASSERT_TRUE(clock.step());
    EXPECT_NE(machineLog().find("new limit diff: 5, delay: 500, limit: 20"), std::string::npos);
    // 0.05 degrees: below the limit rule, only turned off the rest.
    setAngle(15.05);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(machineLog().find("diff: 0.05"), std::string::npos);
    // Remaining 375 - 5.05 = 369.95 with limit 20: stops once it is <= 20.
    double angle = 15.05;
    for (int i = 0; i < 3; ++i) {
        clock.advanceMs(600000);  // slow: no new limit
        angle += 100.0;
        setAngle(angle);
        ASSERT_TRUE(clock.step());
    }
    clock.advanceMs(600000);
    angle += 49.9;  // 69.95 - 49.9 = 20.05: still turning
    setAngle(angle);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(device.count("setSpeed"), 0);
    EXPECT_FALSE(m.isWeldingReady());
    angle += 0.06;  // 19.99: stop
    setAngle(angle);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(), (Strings{"setSpeed(0)", "setRelay(0,0)"}));
    EXPECT_TRUE(m.isWeldingReady());
    // The turn is over: no further commands on later passes.
    device.calls.clear();
    ASSERT_TRUE(clock.steps(3));
    EXPECT_TRUE(deviceCalls().empty());
}

TEST_F(WeldingService, SlowTurningIsCountedOnce) {
    start();
    Machine& m = *machine;
    setAngle(100.0);
    ASSERT_TRUE(clock.step());
    m.setJogRotation(-10, 0);
    ASSERT_TRUE(clock.step());
    // 0.2 degrees a second after the request: candidate 0.3996, kept at 1.0.
    clock.advanceMs(980);
    setAngle(100.2);
    ASSERT_TRUE(clock.step());
    EXPECT_NE(machineLog().find("low limit diff: 0.2, delay: 1001, limit: 1"), std::string::npos);
    // Nine more slow steps of 0.2 degrees: 8 degrees left, limit still 1.0.
    double angle = 100.2;
    for (int i = 0; i < 9; ++i) {
        clock.advanceMs(1000);
        angle += 0.2;
        setAngle(angle);
        ASSERT_TRUE(clock.step());
    }
    EXPECT_EQ(device.count("setSpeed"), 1);  // only the jog's own
    clock.advanceMs(100000);
    angle += 6.9;  // 1.1 left
    setAngle(angle);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(device.count("setSpeed"), 1);
    clock.advanceMs(100000);
    angle += 0.15;  // 0.95 left: stop
    setAngle(angle);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(device.count("setSpeed"), 2);
    EXPECT_EQ(device.callsOf("setSpeed").back().args[0], 0);
    EXPECT_TRUE(m.isWeldingReady());
}

TEST_F(WeldingService, TackSequenceThroughTheInverter) {
    start();
    Machine& m = *machine;
    m.setPipeDiameter(20.0f);
    setAngle(0.0);
    ASSERT_TRUE(clock.step());
    m.setJogRotation(-90, 3);  // tack step 120
    EXPECT_FALSE(m.isWeldingReady());
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(device.callsOf("setSpeed").back().args[0], 35);
    device.calls.clear();
    clock.clearSleeps();

    // Turn 90 slowly (limit 1.0): the first tack at the end.
    const auto turn = [&](double from, double by) {
        double a = from;
        for (double done = 0; done + 30 < by; done += 30) {
            clock.advanceMs(100000);
            a += 30;
            setAngle(a);
            ASSERT_TRUE(clock.step());
        }
        clock.advanceMs(100000);
        setAngle(from + by);
        ASSERT_TRUE(clock.step());  // parks in the tack sleep
    };
    turn(0.0, 90.0);
    EXPECT_EQ(deviceCalls(), (Strings{"setSpeed(0)", "setRelay(1,0)"}));
    EXPECT_EQ(clock.sleeps(), (std::vector<std::int64_t>{20, 20, 1500}));
    ASSERT_TRUE(clock.step());  // the rest of the pass
    EXPECT_EQ(deviceCalls(), (Strings{"setSpeed(0)", "setRelay(1,0)", "setRelay(0,0)", "setSpeed(35)"}));
    EXPECT_FALSE(m.isWeldingReady());
    device.calls.clear();

    turn(90.0, 120.0);  // two left: the tack step
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(), (Strings{"setSpeed(0)", "setRelay(1,0)", "setRelay(0,0)", "setSpeed(35)"}));
    device.calls.clear();

    turn(210.0, 180.0);  // one left: 180
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(), (Strings{"setSpeed(0)", "setRelay(1,0)", "setRelay(0,0)"}));
    EXPECT_TRUE(m.isWeldingReady());
    device.calls.clear();
    ASSERT_TRUE(clock.steps(3));
    EXPECT_TRUE(deviceCalls().empty());
}

TEST_F(WeldingService, JogWithoutTacks) {
    start();
    Machine& m = *machine;
    m.setPipeDiameter(20.0f);
    m.setJogRotation(30, 0);
    EXPECT_FALSE(m.isWeldingReady());
    ASSERT_TRUE(clock.step());
    device.calls.clear();
    clock.advanceMs(100000);
    setAngle(330.0);  // 30 degrees the other way round
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(deviceCalls(), (Strings{"setSpeed(0)", "setRelay(0,0)"}));
    EXPECT_TRUE(m.isWeldingReady());
}

// ---------------------------------------------------------------- with the remote

TEST_F(WeldingService, RequestsThroughTheRemote) {
    cfg->externalWeldingControl = true;
    Drive& w = cfg->weldDrive;
    w.encoderResolution = 4000;
    w.encoderRatio = 2.5;
    w.driveRatio = 7.0;  // not part of the block
    w.seamOverlap = 30;
    w.gearRatio = 40.0;
    w.ratedMotorSpeed = 1340.9;
    w.lineSpeed = 800;
    w.reversePermitted = false;
    w.reverseTurning = true;
    start();
    EXPECT_EQ(remote.made.load(), 1);
    EXPECT_NE(machineLog().find("creating welder remote(pult)"), std::string::npos);
    Machine& m = *machine;

    m.setFastRotation(7);
    ASSERT_TRUE(clock.step());
    m.setJogRotation(45, 0);
    ASSERT_TRUE(clock.step());
    m.setJogWelding(true);
    ASSERT_TRUE(clock.step());
    m.setWeldRotation(true);
    ASSERT_TRUE(clock.step());
    m.setWeldWelding(true);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(remote.ops(),
              (Strings{"setParameters", "setFastRotation", "setParameters", "setJogRotation", "setParameters",
                       "setJogWelding", "setParameters", "setWeldRotation", "setWeldWelding"}));
    EXPECT_EQ(remote.of("setFastRotation")[0].value, 7);
    EXPECT_EQ(remote.of("setJogRotation")[0].value, 45);
    const WeldingParameters b = remote.of("setParameters")[0].block;
    EXPECT_EQ(b.encoderSamples, 4000u);
    EXPECT_FLOAT_EQ(b.encoderRatio, 2.5f);
    EXPECT_EQ(b.seamOverlap, 30u);
    EXPECT_FLOAT_EQ(b.gearRatio, 40.0f);
    EXPECT_EQ(b.motorNominalRPM, 1340u);
    EXPECT_EQ(b.weldingLinearSpeed, 800u);
    EXPECT_FALSE(b.reverseRotationPermission);
    EXPECT_TRUE(b.weldingDirectionRotation);
    EXPECT_TRUE(deviceCalls().empty());  // nothing through the inverter

    // A refused block is logged and the command still goes out.
    remote.acceptBlock.store(false);
    remote.calls.clear();
    m.setWeldRotation(false);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(remote.ops(), (Strings{"setParameters", "setWeldRotation"}));
    EXPECT_NE(machineLog().find("welding parameters refused by the welder remote"), std::string::npos);
}

TEST_F(WeldingService, RemoteStatesBecomeResults) {
    cfg->externalWeldingControl = true;
    start();
    Machine& m = *machine;
    remote.state.store(0x7);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(m.getResult(), MachineError::kNone);  // no welding value set: no check

    m.setWeldRotation(true);
    remote.state.store(0x6);  // bit 0 clear
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(m.getResult(), textid::kRemoteNoInverter);
    EXPECT_NE(machineLog().find("error activated for status: 6"), std::string::npos);
    remote.state.store(0x7);  // the controller is fine again: the error stays
    ASSERT_TRUE(clock.steps(2));
    EXPECT_EQ(m.getResult(), textid::kRemoteNoInverter);

    m.setWeldRotation(true);  // a command resets it
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(m.getResult(), MachineError::kNone);
    remote.state.store(0x5);  // bit 1 clear
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(m.getResult(), textid::kRemoteEmergencyStop);

    m.setJogWelding(true);
    remote.state.store(0x47);  // bit 6
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(m.getResult(), textid::kRemoteControlActive);

    m.setFastRotation(5);
    remote.state.store(0x7);
    remote.connected.store(false);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(m.getResult(), textid::kRemoteNoWelder);
    EXPECT_EQ(remote.made.load(), 1);  // no new remote until it is deleted
}

TEST_F(WeldingService, TackSequenceThroughTheRemote) {
    cfg->externalWeldingControl = true;
    start();
    Machine& m = *machine;
    m.setJogRotation(90, 3);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(remote.ops(), (Strings{"setParameters", "setJogRotation"}));
    ASSERT_TRUE(clock.steps(3));  // not ready: nothing happens
    EXPECT_EQ(remote.calls.size(), 2u);
    remote.calls.clear();
    clock.clearSleeps();

    const std::vector<int> next = {120, 180};
    for (int tack = 0; tack < 3; ++tack) {
        remote.finished();  // from the test's thread, as the driver's worker would
        EXPECT_FALSE(m.isWeldingReady());
        ASSERT_TRUE(clock.step());  // parks in the tack sleep
        EXPECT_EQ(remote.ops(), (Strings{"setWeldWelding"}));
        EXPECT_EQ(remote.calls[0].value, 1);
        EXPECT_EQ(clock.sleeps().back(), 1500);
        ASSERT_TRUE(clock.step());
        if (tack < 2) {
            EXPECT_EQ(remote.ops(), (Strings{"setWeldWelding", "setWeldWelding", "setJogRotation"}));
            EXPECT_EQ(remote.calls[2].value, next[tack]);
            EXPECT_FALSE(m.isWeldingReady());
        } else {
            EXPECT_EQ(remote.ops(), (Strings{"setWeldWelding", "setWeldWelding"}));
            EXPECT_TRUE(m.isWeldingReady());
        }
        EXPECT_EQ(remote.calls[1].value, 0);
        remote.calls.clear();
    }
    const std::string log = machineLog();
    EXPECT_NE(log.find("set next tack 2 jog rotation: 120"), std::string::npos);
    EXPECT_NE(log.find("set next tack 1 jog rotation: 180"), std::string::npos);
    EXPECT_NE(log.find("callback remote complete"), std::string::npos);
    ASSERT_TRUE(clock.steps(2));
    EXPECT_TRUE(remote.calls.empty());
}

TEST_F(WeldingService, JogWithZeroTacksThroughTheRemote) {
    cfg->externalWeldingControl = true;
    start();
    Machine& m = *machine;
    m.setJogRotation(45, 0);
    ASSERT_TRUE(clock.step());
    remote.calls.clear();
    remote.finished();
    EXPECT_TRUE(m.isWeldingReady());
    ASSERT_TRUE(clock.steps(3));
    EXPECT_TRUE(remote.calls.empty());  // no tack
}

TEST_F(WeldingService, DiameterAndPatternReachEveryNewRemote) {
    start();
    Machine& m = *machine;
    m.setPipeDiameter(60.0f);
    m.setPipeThickness(2);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(remote.made.load(), 0);

    cfg->externalWeldingControl = true;
    ASSERT_TRUE(clock.step());
    ASSERT_EQ(remote.made.load(), 1);
    EXPECT_EQ(remote.ops(), (Strings{"setCallbacks", "setDiameter", "setPipeThickness"}));
    EXPECT_FLOAT_EQ(remote.calls[1].value, 60.0f);
    EXPECT_EQ(remote.calls[2].value, 2);
    remote.calls.clear();

    m.setPipeDiameter(80.0f);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(remote.ops(), (Strings{"setDiameter"}));
    EXPECT_FLOAT_EQ(remote.calls[0].value, 80.0f);
    EXPECT_NE(machineLog().find("set pipe diameter: 80"), std::string::npos);
    EXPECT_NE(machineLog().find("set pipe thickness: 2"), std::string::npos);
    remote.calls.clear();

    // A reconnect deletes the remote; the next one gets both again.
    m.requestReconnect();
    for (int i = 0; i < 200 && remote.made.load() < 2; ++i) ASSERT_TRUE(clock.step());
    ASSERT_EQ(remote.made.load(), 2);
    EXPECT_EQ(remote.deleted.load(), 1);
    EXPECT_EQ(remote.ops(), (Strings{"setCallbacks", "setDiameter", "setPipeThickness"}));
    EXPECT_FLOAT_EQ(remote.calls[1].value, 80.0f);
}

TEST_F(WeldingService, CallbacksFromTheDriversThread) {
    cfg->externalWeldingControl = true;
    start();
    Machine& m = *machine;
    m.setJogRotation(30, 0);
    ASSERT_TRUE(clock.step());
    clock.release();  // the worker runs free while the callbacks come
    std::thread driver([&] {
        for (unsigned p = 1; p <= 100; ++p) remote.progress(p);
        remote.finished();
    });
    for (int i = 0; i < 1000; ++i) (void)m.getWeldValue();
    driver.join();
    EXPECT_EQ(m.getWeldValue(), 100);
    EXPECT_TRUE(m.isWeldingReady());
    ASSERT_TRUE(clock.gate());
    EXPECT_NE(machineLog().find("callback remote progress: 100"), std::string::npos);
}

TEST_F(WeldingService, RealRemoteWithoutController) {
    // The default factory: a Welder over the driver, no controller on the bus.
    noController();
    cfg->externalWeldingControl = true;
    MachineDeps d = deps();
    d.makeWelder = nullptr;
    testing::internal::CaptureStdout();
    machine = std::make_unique<Machine>(1, cfg.get(), d);
    ASSERT_TRUE(machine->startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(weldtest::eventually(
        [&] { return machine->process() == MachineProcess::kIdle && made.load() == 1; }));
    ASSERT_TRUE(clock.gate());
    ASSERT_TRUE(clock.steps(2));
    testing::internal::GetCapturedStdout();
    machine->setWeldRotation(true);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(machine->getResult(), textid::kRemoteNoWelder);
    EXPECT_NE(weldtest::readFile("logs/welder_api.log").find("setWeldRotation: activated"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists("welderParameters.ini"));
}

// ---------------------------------------------------------------- log copy

TEST_F(LogCopy, LogCopyReleasesTheDevice) {
    cfg->externalWeldingControl = true;
    std::atomic<int> stateDuring{-1}, progressDuring{-1}, callsAtExport{-1};
    exportHook = [&](std::atomic<int>* result, std::atomic<int>* percent) {
        percent->store(42);
        stateDuring.store(machine->getState());
        progressDuring.store(machine->getCopyLogsProgress());
        callsAtExport.store(static_cast<int>(device.calls.size()));
        percent->store(100);
        result->store(1);
    };
    start();
    Machine& m = *machine;
    const std::string name = m.getDeviceName();
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(remote.made.load(), 1);
    EXPECT_EQ(m.getCopyLogsProgress(), -1);
    m.requestCopyLogs();
    EXPECT_EQ(m.getCopyLogsProgress(), 0);
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(stateDuring.load(), MachineState::kCopyingLogs);
    EXPECT_EQ(progressDuring.load(), 42);
    EXPECT_EQ(m.getState(), MachineState::kIdle);
    EXPECT_EQ(m.getCopyLogsProgress(), -1);
    EXPECT_EQ(m.takeCopyLogsResult(), 1);
    EXPECT_EQ(m.takeCopyLogsResult(), 0);
    EXPECT_TRUE(m.takeDeviceReleased());
    EXPECT_FALSE(m.takeDeviceReleased());
    EXPECT_EQ(m.getDeviceName(), name);
    EXPECT_EQ(deletedApis.load(), 1);
    EXPECT_EQ(remote.deleted.load(), 1);

    // Released: the idle passes do nothing until a reconnect.
    const std::size_t calls = device.calls.size();
    EXPECT_EQ(static_cast<int>(calls), callsAtExport.load());
    m.setJogWelding(true);
    ASSERT_TRUE(clock.steps(5));
    EXPECT_EQ(device.calls.size(), calls);
    EXPECT_EQ(remote.made.load(), 1);

    m.requestReconnect();
    for (int i = 0; i < 200 && remote.made.load() < 2; ++i) ASSERT_TRUE(clock.step());
    EXPECT_EQ(made.load(), 2);
    EXPECT_EQ(remote.made.load(), 2);
    // The "machine" log was opened again: the second connection is in it.
    const std::string log = machineLog();
    const std::size_t first = log.find("connected: device");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find("connected: device", first + 1), std::string::npos);
}

TEST_F(LogCopy, LogCopyIntoARemovableDrive) {
    const std::filesystem::path drive = dir_ / "stick";
    std::filesystem::create_directories(drive / "kestrune");
    platform::setRemovableRoots({drive.string()});
    weldtest::writeFile(".cfg", "settings");
    start();
    machine->requestCopyLogs();
    // The real export: swap the hook for the program's function.
    exportHook = [](std::atomic<int>* result, std::atomic<int>* percent) {
        exportLogsArchive(result, percent);
    };
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(machine->takeCopyLogsResult(), 1);
    std::error_code ec;
    int archives = 0;
    for (const auto& e : std::filesystem::directory_iterator(drive / "kestrune" / "logs", ec))
        if (e.path().extension() == ".logs" && e.file_size() > 0) ++archives;
    EXPECT_EQ(archives, 1);
    platform::setRemovableRoots({});
}

TEST_F(WelderReconnectMachine, AFailedRemoteIsShownAsLost) {
    cfg->externalWeldingControl = true;
    start();
    std::function<void(int*)> onError;
    {
        std::lock_guard<std::mutex> g(remote.lock);
        onError = remote.onError;
    }
    ASSERT_TRUE(static_cast<bool>(onError));
    int code = TamskWelder::kWelderReadError;
    remote.connected.store(false);
    onError(&code);  // as from the driver's worker
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(machine->getResult(), static_cast<int>(textid::kRemoteNoWelder));
    EXPECT_NE(machineLog().find("callback remote error: -102"), std::string::npos);
}
