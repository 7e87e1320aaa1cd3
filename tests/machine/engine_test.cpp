// Drive control over the demonstration device and over a motor model in
// virtual time.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "machine/eapi.h"
#include "machine/engine.h"
#include "machine/mapi.h"
#include "records/settings_records.h"
#include "support/machine_fake_api.h"
#include "support/machine_motor.h"
#include "support/sim_older.h"
#include "support/machine_virtual_clock.h"

namespace fs = std::filesystem;

namespace {

// Every frequency the device received, in order.
std::vector<int> frequencies(const FakeApi& api) {
    std::vector<int> out;
    for (const auto& c : api.callsOf("setSpeed")) out.push_back(static_cast<int>(c.args[0]));
    return out;
}

EngineRunValues defaults(int calStep = 1000) {
    Config config;
    const double none[4] = {0, 0, 0, 0};
    return engineRunValues(config.endDrive, config, MachineProcess::kBalancing, nullptr, calStep, none);
}

// ------------------------------------------------------------------ run values

TEST(EngineRunValuesTest, DefaultsWithoutRotor) {
    const EngineRunValues v = defaults();
    EXPECT_EQ(v.accelerationMs, 2000);
    EXPECT_EQ(v.decelerationMs, 2000);
    EXPECT_EQ(v.speedUpTimeoutMs, 15000);
    EXPECT_EQ(v.maxAdjust, 50);
    EXPECT_EQ(v.rpmLimit, 100);
    EXPECT_EQ(v.rampType, 0);
    EXPECT_EQ(v.calSpeed, 1000);
    EXPECT_EQ(defaults(500).calSpeed, 500);
    EXPECT_EQ(v.savedHz, 0.0);
    EXPECT_EQ(v.savedRpm, 0.0);
    EXPECT_DOUBLE_EQ(v.accuracy, 0.004);
    EXPECT_DOUBLE_EQ(v.stabFactor, 0.02);
    EXPECT_FALSE(v.external);
}

TEST(EngineRunValuesTest, EdgeValuesOfTheDriveSettings) {
    Config config;
    Drive& d = config.endDrive;
    d.phasorTimeout = 0;
    d.encoderSpeedThreshold = 250;
    d.autotuningFrequency = 0.5;
    d.driveRatio = 1.0;
    d.accDecCurve = 5;
    const double none[4] = {0, 0, 0, 0};
    EngineRunValues v = engineRunValues(d, config, MachineProcess::kBalancing, nullptr, 1000, none);
    EXPECT_EQ(v.speedUpTimeoutMs, 1000);
    EXPECT_EQ(v.rpmLimit, 100);
    EXPECT_EQ(v.calSpeed, 100);  // 50 raised to the minimum
    EXPECT_EQ(v.rampType, 2);
    d.autotuningFrequency = 12.345;
    d.driveRatio = 2.0;
    EXPECT_EQ(engineRunValues(d, config, MachineProcess::kBalancing, nullptr, 1000, none).calSpeed, 2468);
    d.driveRatio = 0.0;  // not above 0: no ratio
    EXPECT_EQ(engineRunValues(d, config, MachineProcess::kBalancing, nullptr, 1000, none).calSpeed, 1234);
    d.accDecTime = AccDec(0.0, 0.0);  // nothing: 10000 ms
    v = engineRunValues(d, config, MachineProcess::kBalancing, nullptr, 1000, none);
    EXPECT_EQ(v.accelerationMs, 10000);
    EXPECT_EQ(v.decelerationMs, 10000);
}

TEST(EngineRunValuesTest, RotorTimesInvertersCalibrationAndSavedFrequency) {
    Config config;
    config.inverters.resize(2);
    config.inverters[0].inverterType = 0x1793003;
    config.inverters[0].address = 5;
    config.inverters[1].inverterType = 0x1793006;
    config.inverters[1].address = 9;
    Drive& d = config.endDrive;
    d.drive = 0;
    d.positionTurn = 1;
    d.accDecFactors = AccDec(2.0, 0.5);
    d.autosetting.value1 = 1.5;
    d.autosetting.value2 = 2.5;
    d.autosetting.value3 = 3.5;
    d.autosetting.value4 = 4.5;
    d.ratedMotorSpeed = 1450.0;
    RotorRunNumbers rotor;
    rotor.accelerationTimeMs = 3000.7;
    rotor.balancingSpeed = 725.0;
    const double current[4] = {9, 9, 9, 9};

    EngineRunValues v = engineRunValues(d, config, MachineProcess::kBalancing, &rotor, 1000, current);
    EXPECT_EQ(v.accelerationMs, 6001);  // 3000.7 x 2 beats 2000
    EXPECT_EQ(v.decelerationMs, 2000);  // 1500.35 is below the minimum
    EXPECT_EQ(v.inverterType, 2);
    EXPECT_EQ(v.inverterAddress, 5);
    EXPECT_EQ(v.calibration[0], 1.5);
    EXPECT_EQ(v.calibration[3], 4.5);
    EXPECT_EQ(v.savedRpm, 725.0);
    EXPECT_DOUBLE_EQ(v.savedHz, 725.0 * 50 / 1450.0);  // no stored calibration, no autotuning
    rotor.driveCalibration = 21.0;
    EXPECT_EQ(engineRunValues(d, config, MachineProcess::kBalancing, &rotor, 1000, current).savedHz, 21.0);
    v = engineRunValues(d, config, MachineProcess::kTurnToAngle, &rotor, 1000,
                        current);  // turning: the position-turn inverter
    EXPECT_EQ(v.inverterType, 5);
    EXPECT_EQ(v.inverterAddress, 9);
    EXPECT_EQ(v.savedHz, 0.0);
    EXPECT_EQ(
        engineRunValues(d, config, MachineProcess::kTurnToAngle, &rotor, 1000, current, true).inverterType,
        2);       // milling: Drive
    d.drive = 7;  // outside the list: no inverter
    EXPECT_EQ(engineRunValues(d, config, MachineProcess::kBalancing, &rotor, 1000, current).inverterType, 0);

    // Belt-driven rotors.
    rotor.beltDrive = true;
    rotor.drivePulley = 100.0;
    rotor.rotorSurface = 250.0;
    v = engineRunValues(d, config, MachineProcess::kBalancing, &rotor, 1000, current);
    for (double c : v.calibration) EXPECT_EQ(c, 0.0);
    EXPECT_EQ(v.calSpeed, 2500);
    const double pairs[4] = {1, 2, 3, 4};
    rotor.rotationDirection = true;
    v = engineRunValues(d, config, MachineProcess::kTurnToAngle, &rotor, 1000, pairs);
    EXPECT_EQ(v.calibration[0], 3.0);
    EXPECT_EQ(v.calibration[1], 4.0);
    rotor.rotationDirection = false;
    v = engineRunValues(d, config, MachineProcess::kTurnToAngle, &rotor, 1000, pairs);
    EXPECT_EQ(v.calibration[2], 1.0);
    EXPECT_EQ(v.calibration[3], 2.0);
}

// ------------------------------------------------------------------ fixture

class EngineTest : public ::testing::Test {
protected:
    EngineTest() {}
    void make(Api* device, EngineRunValues v) {
        engine = std::make_unique<Engine>(device, clock, &state, &cancel);
        engine->applyRunValues(v);
    }
    VirtualClock clock;
    std::atomic<int> state{0};
    std::atomic<bool> cancel{false};
    std::unique_ptr<Engine> engine;
};

// ------------------------------------------------------------------ demonstration device

TEST_F(EngineTest, DemoFirstAccelerationCalibratesThenReachesTheTarget) {
    MApi demo(clock, "no-such-dir/mapi.dmp");
    FakeApi api(clock, &demo);
    api.watchState = &state;
    make(&api, defaults(500));
    ASSERT_TRUE(engine->setRpm(1000, true));
    // Ramp type 0 while calibrating.
    ASSERT_EQ(api.callsOf("setAccTime").size(), 1u);
    EXPECT_EQ(api.callsOf("setAccTime")[0].args, (std::vector<double>{2000, 2000, 0}));
    const auto f = frequencies(api);
    ASSERT_GE(f.size(), 3u);
    EXPECT_EQ(f[0], 500);
    EXPECT_EQ(f[1], 1000);
    EXPECT_EQ(f[2], 1000);  // (1000 + 0) x 1
    EXPECT_NEAR(engine->calibrationValue(0), 0.0, 1e-9);
    EXPECT_NEAR(engine->calibrationValue(1), 1.0, 1e-9);
    EXPECT_TRUE(engine->calibrated.load());
    EXPECT_EQ(engine->error, RunStatus::kOk);
    EXPECT_NEAR(engine->getSpeed(false), 1000.0, 4.0);
    EXPECT_EQ(engine->savedRpm, 1000.0);
    EXPECT_EQ(engine->savedHz, 10.0);
    EXPECT_EQ(engine->getSpeed(true), 10.0);
    EXPECT_EQ(api.states,
              (std::vector<int>{MachineState::kIdle, MachineState::kAutosetting, MachineState::kAscending,
                                MachineState::kTraining}));  // then the speed sensor is trained
    EXPECT_EQ(api.count("startTraining"), 1);
    EXPECT_FALSE(cancel.load());

    // The stop.
    api.calls.clear();
    ASSERT_TRUE(engine->setRpm(0, false));
    const auto stop = frequencies(api);
    ASSERT_GE(stop.size(), 2u);
    EXPECT_EQ(stop.front(), 0);
    EXPECT_EQ(stop.back(), 0);  // the double stop
    EXPECT_EQ(state.load(), MachineState::kDescending);
    EXPECT_EQ(demo.getSpeed(), 0.0);
}

TEST_F(EngineTest, DemoWithSavedFrequencySkipsCalibration) {
    MApi demo(clock, "no-such-dir/mapi.dmp");
    FakeApi api(clock, &demo);
    EngineRunValues v = defaults(500);
    v.savedHz = 8.0;
    v.savedRpm = 800.0;
    make(&api, v);
    ASSERT_TRUE(engine->setRpm(600, true));
    EXPECT_EQ(api.callsOf("setAccTime")[0].args[2], 0);  // the drive's ramp type
    EXPECT_EQ(frequencies(api).front(), 600);  // 8 Hz x 600 / 800
    EXPECT_FALSE(engine->calibrated.load());
}

TEST_F(EngineTest, ReplayFileSkipsSpeedControlOnlyOnTheDemoDevice) {
    const fs::path dir = fs::temp_directory_path() / ("ks_engine_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string replay = (dir / "mapi.dmp").string();
    { std::ofstream(replay) << "x"; }
    MApi demo(clock, replay);
    FakeApi api(clock, &demo);
    make(&api, defaults(500));
    engine->setDemo(true, replay);
    EXPECT_TRUE(engine->setRpm(1000, true));
    EXPECT_TRUE(api.calls.empty());
    EXPECT_EQ(engine->getSpeed(false), 1000.0);
    EXPECT_TRUE(engine->setRpm(0, false));
    EXPECT_TRUE(api.calls.empty());

    // The same file on a real device changes nothing.
    engine->setDemo(false, replay);
    EXPECT_TRUE(engine->setRpm(1000, true));
    EXPECT_FALSE(api.calls.empty());
    EXPECT_NE(engine->getSpeed(false), 1000.5);

    // A status query that fails (a path through a regular file) counts as absent.
    api.calls.clear();
    engine->setDemo(true, replay + "/mapi.dmp");
    EXPECT_FALSE(engine->replayFilePresent());
    engine->setRpm(0, false);
    EXPECT_FALSE(api.calls.empty());
    std::error_code ec;
    fs::remove_all(dir, ec);
}

TEST_F(EngineTest, StopIsNotAbandonedOnCancel) {
    MApi demo(clock, "no-such-dir/mapi.dmp");
    FakeApi api(clock, &demo);
    EngineRunValues v = defaults(500);
    v.calibration[1] = 1.0;
    make(&api, v);
    ASSERT_TRUE(engine->setRpm(800, true));
    cancel.store(true);  // the operator's stop
    api.calls.clear();
    const std::int64_t t0 = clock.nowMs();
    engine->setRpm(0, false);
    EXPECT_EQ(frequencies(api).front(), 0);
    EXPECT_EQ(demo.getSpeed(), 0.0);  // it went on until the rotor stood
    EXPECT_GE(clock.nowMs() - t0, 2000);
    EXPECT_EQ(state.load(), MachineState::kDescending);
}

TEST_F(EngineTest, TurnDataCalibrationDoublesAStepThatDoesNotTurnTheRotor) {
    FakeApi api(clock);
    MotorModel motor(clock);
    motor.attach(api);
    motor.offsetRpm = -1500;  // below 15 Hz nothing turns
    motor.tauMs = 100;
    api.setValue("hasTurnData", 1);
    api.setValue("isRpmReached", 1);
    api.setValue("needsTrain", 0);
    EngineRunValues v = defaults(1000);
    make(&api, v);
    ASSERT_TRUE(engine->setRpm(2000, true));
    const auto f = frequencies(api);
    ASSERT_GE(f.size(), 3u);
    EXPECT_EQ(f[0], 1000);
    EXPECT_EQ(f[1], 2000);  // no speed after a third of the time-out: doubled
    EXPECT_EQ(engine->calSpeed, 2000);
    EXPECT_TRUE(engine->calibrated.load());
    EXPECT_NEAR(std::fabs(motor.speed()), 2000.0, 8.0);
}

// ------------------------------------------------------------------ motor model, raw samples

class EngineRawTest : public EngineTest {
protected:
    EngineRawTest() : api(clock), motor(clock) {
        motor.attach(api);
        api.watchState = &state;
    }
    EngineRunValues calibrated(double scale = 1.0) {
        EngineRunValues v = defaults();
        v.calibration[0] = 0.0;
        v.calibration[1] = scale;
        return v;
    }
    FakeApi api;
    MotorModel motor;
};

TEST_F(EngineRawTest, SpeedFromMarkCentresReachesTheTarget) {
    motor.reportSpeed = false;  // the device knows no speed: the marks tell it
    motor.rpmPerCentiHz = 1.0;
    make(&api, calibrated(1.0));
    ASSERT_TRUE(engine->setRpm(1200, true));
    EXPECT_EQ(engine->error, RunStatus::kOk);
    EXPECT_NEAR(engine->rpm, 1200.0, 5.0);
    EXPECT_EQ(frequencies(api).front(), 1200);
    const auto start = api.callsOf("startReading");
    ASSERT_EQ(start.size(), 1u);
    EXPECT_EQ(start[0].args[0], 18175);
    EXPECT_EQ(start[0].args[1], 1000);
    EXPECT_EQ(start[0].args[2], 1);
    EXPECT_EQ(start[0].args[5], 1);  // the control flag
    EXPECT_EQ(start[0].args[6], 1);  // test mode
    EXPECT_TRUE(api.lastTable.empty());
    EXPECT_EQ(engine->samplesPerMinute, 18175.0 * 60);
    EXPECT_EQ(api.states.back(), MachineState::kAscending);
}

TEST_F(EngineRawTest, CorrectionsUpToTheLimitAndWithoutLimit) {
    motor.rpmPerCentiHz = 0.8;  // the calibration overestimates: corrections follow
    EngineRunValues v = calibrated(1.0);
    v.maxAdjust = 3;
    make(&api, v);
    ASSERT_TRUE(engine->setRpm(1000, true));
    EXPECT_EQ(engine->error, RunStatus::kOk);
    EXPECT_GE(engine->adjustCount, 1);
    EXPECT_NEAR(engine->rpm, 1000.0, 4.0);
    EXPECT_GT(frequencies(api).back(), 1200);

    motor.rpmPerCentiHz = 0.8;  // one correction needed, one allowed: the limit is reached
    v.maxAdjust = 1;
    make(&api, v);
    motor.setFrequency(0);
    clock.advanceMs(10000);
    EXPECT_FALSE(engine->setRpm(1000, true));
    EXPECT_EQ(engine->error, RunStatus::kTooManyCorrections);
    EXPECT_TRUE(cancel.load());

    // 0 attempts: no limit (the operator decides).
    cancel.store(false);
    motor.offsetRpm = 0;
    v.maxAdjust = 0;
    make(&api, v);
    EXPECT_TRUE(engine->setRpm(1000, true));
    EXPECT_EQ(engine->error, RunStatus::kOk);
}

TEST_F(EngineRawTest, OverSpeedStopsAtOnce) {
    motor.overSpeedFactor = 1.8;
    make(&api, calibrated(1.0));
    EXPECT_FALSE(engine->setRpm(1500, true));
    EXPECT_EQ(engine->error, RunStatus::kOverSpeedStop);
    EXPECT_TRUE(cancel.load());
    const auto f = frequencies(api);
    ASSERT_GE(f.size(), 2u);
    EXPECT_EQ(f[0], 1500);
    EXPECT_EQ(f[1], 0);  // the next frequency is the stop
}

TEST_F(EngineRawTest, SpeedUpTimeoutWithAndWithoutMarks) {
    // Marks come, then stop coming: error 1 once the last one is too old.
    make(&api, calibrated(1.0));
    motor.tauMs = 100;
    api.rawHook = [this](std::vector<FakeApi::Sample>& batch) {
        batch = motor.samples(motor.samplesPerRead);
        if (clock.nowMs() > 3000) {
            for (auto& s : batch) s.mark = false;
        }
    };
    motor.rpmPerCentiHz = 0.5;  // corrections keep it from settling at once
    EXPECT_FALSE(engine->setRpm(1000, true));
    EXPECT_EQ(engine->error, RunStatus::kNoPhasorSignal);
    EXPECT_TRUE(cancel.load());
    EXPECT_GT(clock.nowMs(), 2800 + 15000);  // the last mark came just before 3000 ms
    EXPECT_LT(clock.nowMs(), 3000 + 15000 + 1000);

    // No phasor signal at all: error 1 within the time-out of the first frequency.
    cancel.store(false);
    motor.attach(api);
    motor.marks = false;
    make(&api, calibrated(1.0));
    const std::int64_t t0 = clock.nowMs();
    EXPECT_FALSE(engine->setRpm(1000, true));
    EXPECT_EQ(engine->error, RunStatus::kNoPhasorSignal);
    EXPECT_LT(clock.nowMs() - t0, 15000 + 1000 + 500);
}

TEST_F(EngineRawTest, DeviceReadingsOnlyBelowTheEncoderThreshold) {
    // Without marks only the device's own readings give a speed, and only
    // those below the threshold are taken.
    motor.marks = false;
    motor.tauMs = 50;
    EngineRunValues v = calibrated(1.0);
    v.speedUpTimeoutMs = 3000;
    v.rpmLimit = 100;
    make(&api, v);
    engine->setRpm(60, true);
    EXPECT_NEAR(engine->lastRpm.load(), 60.0, 1.0);
    cancel.store(false);
    v.rpmLimit = 40;
    make(&api, v);
    motor.setFrequency(0);
    clock.advanceMs(5000);
    engine->setRpm(60, true);
    EXPECT_LT(engine->lastRpm.load(), 40.0);
}

TEST_F(EngineRawTest, InverterFaultStopsWithError2) {
    make(&api, calibrated(1.0));
    api.inverterErrorHook = [this] { return clock.nowMs() > 1500; };
    EXPECT_FALSE(engine->setRpm(1000, true));
    EXPECT_EQ(engine->error, RunStatus::kDeviceError);
    EXPECT_TRUE(cancel.load());
    EXPECT_EQ(frequencies(api).back(), 0);
}

TEST_F(EngineRawTest, SpeedDriftSendsTheWaitBackToMeasuring) {
    make(&api, calibrated(1.0));
    engine->noSpeedUpdate = false;
    int passes = 0;
    api.rawHook = [&](std::vector<FakeApi::Sample>& batch) {
        batch = motor.samples(motor.samplesPerRead);
        // A disturbance while settling: the motor is pushed off its speed once.
        if (++passes == 12) motor.setFrequency(static_cast<std::int16_t>(motor.frequency() - 300));
        if (passes == 13) motor.setFrequency(static_cast<std::int16_t>(motor.frequency() + 300));
    };
    ASSERT_TRUE(engine->setRpm(1000, true));
    EXPECT_NEAR(engine->rpm, 1000.0, 4.0);
}

TEST_F(EngineRawTest, FailedSpeedAcquisitionIsAnError) {
    api.script("startReading", {0, 0});
    make(&api, calibrated(1.0));
    EXPECT_FALSE(engine->setRpm(1000, true));
    EXPECT_EQ(engine->error, RunStatus::kNoAcquisition);
    EXPECT_TRUE(frequencies(api).empty());  // no frequency without a speed
    api.calls.clear();
    EXPECT_FALSE(engine->setRpm(0, false));
    EXPECT_EQ(frequencies(api), (std::vector<int>{0, 0}));  // the stop still goes out twice
}

// ------------------------------------------------------------------ calibration run (process 6)

TEST_F(EngineRawTest, CalibrationRunBothDirections) {
    motor.rpmPerCentiHz = 0.25;
    motor.offsetRpm = 20.0;
    EngineRunValues v = defaults();
    v.calSpeed = 1000;
    make(&api, v);
    engine->setDirection(false);
    engine->sameBothWays = false;
    engine->calibrating = true;
    engine->targetRpm.store(1000);
    engine->tolerance = 1.0;
    engine->stabCount = 5;
    ASSERT_TRUE(engine->accelerate(true));
    EXPECT_TRUE(engine->calibrated.load());
    // Readings near 270 (at 10 Hz) and 520 (at 20 Hz): d = 250, offset = 250 - 270, scale = 4.
    EXPECT_NEAR(engine->calibrationValue(0), -20.0, 3.0);
    EXPECT_NEAR(engine->calibrationValue(1), 4.0, 0.05);
    EXPECT_NEAR(engine->calibrationValue(2), -20.0, 3.0);
    EXPECT_NEAR(engine->calibrationValue(3), 4.0, 0.05);
    const auto f = frequencies(api);
    EXPECT_NE(std::find(f.begin(), f.end(), -1000), f.end());  // the reversed run
    for (int x : f) EXPECT_TRUE(x == 0 || std::abs(x) == 1000 || std::abs(x) == 2000) << x;
    EXPECT_EQ(engine->targetRpm.load(), 0.0);
    EXPECT_EQ(f.back(), 0);
    EXPECT_EQ(api.states.front() == MachineState::kAutosetting || api.states[1] == MachineState::kAutosetting,
              true);
}

TEST_F(EngineRawTest, CalibrationRunSameBothWaysWritesBothPairs) {
    motor.rpmPerCentiHz = 0.25;
    EngineRunValues v = defaults();
    make(&api, v);
    engine->setDirection(true);
    engine->sameBothWays = true;
    engine->calibrating = true;
    engine->targetRpm.store(600);
    engine->stabCount = 5;
    ASSERT_TRUE(engine->accelerate(true));
    EXPECT_NEAR(engine->calibrationValue(1), 4.0, 0.05);
    EXPECT_NEAR(engine->calibrationValue(3), 4.0, 0.05);
    for (int x : frequencies(api)) EXPECT_LE(x, 0);  // the reversed direction only
}

TEST_F(EngineRawTest, CalibrationRefusedWhenTheSpeedDoesNotRise) {
    motor.rpmPerCentiHz = 0.0;
    motor.offsetRpm = 300.0;  // the same speed at every frequency
    EngineRunValues v = defaults();
    v.calibration[0] = 7.0;
    v.calibration[1] = 0.5;
    make(&api, v);
    engine->calibrating = true;
    engine->targetRpm.store(1000);
    engine->accelerate(true);
    EXPECT_FALSE(engine->calibrated.load());
    EXPECT_EQ(engine->calibrationValue(0), 7.0);
    EXPECT_EQ(engine->calibrationValue(1), 0.5);
}

// ------------------------------------------------------------------ saturation

TEST_F(EngineRawTest, FrequenciesSaturateAndKeepTheirSign) {
    EngineRunValues v = calibrated(1.0);
    v.savedHz = 300.0;
    v.savedRpm = 100.0;  // 300 Hz for 100 rpm: 1000 rpm would be 3000 Hz
    make(&api, v);
    engine->setRpm(1000, true);
    EXPECT_EQ(frequencies(api).front(), 32767);

    // A correction beyond the 16-bit range (20000 / 10000 x 20000) saturates
    // instead of wrapping into the other direction.
    api.calls.clear();
    cancel.store(false);
    v.savedHz = 0;
    v.maxAdjust = 2;
    make(&api, v);
    motor.rpmPerCentiHz = 0.5;
    motor.setFrequency(0);
    engine->setDirection(true);  // every frequency goes out negative
    EXPECT_FALSE(engine->setRpm(20000, true));
    EXPECT_EQ(engine->error, RunStatus::kTooManyCorrections);
    const auto sent = frequencies(api);
    EXPECT_NE(std::find(sent.begin(), sent.end(), -32767), sent.end());
    for (int f : sent) EXPECT_LE(f, 0) << f;

    // Target 0 with a positive offset: frequency 0, not offset x scale.
    api.calls.clear();
    cancel.store(false);
    v = calibrated(2.0);
    v.calibration[0] = 50.0;
    make(&api, v);
    engine->setRpm(0, true);
    for (int f : frequencies(api)) EXPECT_EQ(f, 0);
}

}  // namespace

// ------------------------------------------------------------------ older controller

namespace {

TEST_F(EngineTest, AccelerationOnTheOlderControllerOverUsb) {
    sim::SimOlderController controller;
    sim::ScopedUsb01 use(controller);
    controller.setMotor(&clock, 1.0, 200.0);  // 1 rpm per 0.1 Hz
    EApiFactory factory(clock);
    std::unique_ptr<EApi> api(factory.createEApi());
    ASSERT_NE(api, nullptr);
    EngineRunValues v = defaults(api->defaultCalibrationStep());
    v.inverterType = 3;
    v.inverterAddress = 1;
    make(api.get(), v);
    ASSERT_TRUE(engine->setRpm(1000, true));
    EXPECT_EQ(engine->error, RunStatus::kOk);
    // Calibration steps of 10 Hz and 20 Hz give 100 and 200 rpm: scale 10.
    EXPECT_NEAR(engine->calibrationValue(1), 10.0, 0.3);
    EXPECT_NEAR(controller.motorSpeed(), 1000.0, 5.0);
    EXPECT_NEAR(engine->lastRpm.load(), 1000.0, 5.0);
    EXPECT_EQ(controller.writesOf(24), std::vector<std::uint32_t>{(3u << 8) + 1});  // sent once
    const auto f = controller.writesOf(2);
    ASSERT_GE(f.size(), 3u);
    EXPECT_EQ(f[0], 100u);
    EXPECT_EQ(f[1], 200u);
    EXPECT_NEAR(static_cast<double>(f.back()), 1000.0, 10.0);
    EXPECT_EQ(controller.regValue(0) & 0x4000u, 0x4000u);  // speed acquisition flag

    ASSERT_TRUE(engine->setRpm(0, false));
    EXPECT_EQ(controller.writesOf(2).back(), 0u);
    EXPECT_FALSE(cancel.load());
}

}  // namespace
