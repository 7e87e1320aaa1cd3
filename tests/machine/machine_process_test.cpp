// The Machine's processes on the demonstration device (behind a recording
// FakeApi) in virtual time, with a real Rotor and settings filled as a load
// fills them: the headless balancing run, stops, process set-up, turning,
// keys and error texts.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "machine/machine.h"
#include "machine/mapi.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "support/machine_fake_api.h"
#include "support/machine_machine_handle.h"
#include "support/machine_motor.h"
#include "support/machine_start.h"
#include "support/machine_synth_rotor.h"
#include "support/machine_turn_rows.h"
#include "support/machine_virtual_clock.h"
#include "texts/texts.h"

namespace {

using Complex = std::complex<double>;

Complex polarDeg(double a, double deg) {
    return std::polar(a, deg * M_PI / 180.0);
}

using machinetest::waitFor;

// Each test runs in its own working folder (logs, history files).
class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = std::filesystem::current_path();
        char tmpl[] = "/tmp/ks_machine_proc_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        std::filesystem::current_path(dir_);
        std::filesystem::create_directory("logs");

        cfg = std::make_unique<Config>();
        cfg->inverters.resize(2);
        cfg->channels.resize(5);
        cfg->extErrors.resize(8);
        cfg->endDrive.extErrors.resize(8);
        cfg->beltDrive.extErrors.resize(8);
        cfg->channels[0].active = true;
        cfg->channels[1].active = true;
        cfg->endDrive.active = true;
        cfg->measurementCycles = 3;
        cfg->dataCollection = 0x1CEB409;  // no controller: the demo device
        mapi = std::make_unique<MApi>(clock, "no-such-dir/mapi.dmp");
        api = std::make_unique<FakeApi>(clock, mapi.get());
        api->recordSamples = false;
    }
    void TearDown() override {
        if (machine) {
            quit();
            machine.reset();
        }
        setLanguage(true);
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    void start(bool demo = true) {
        MachineDeps d;
        d.clock = &clock;
        auto make = [this](Clock& c) -> Api* {
            auto* h = new ApiHandle(c, *api);
            if (onMade) onMade(*h);
            return h;
        };
        if (!demo) {
            cfg->dataCollection = settings_choice::kVersion2;
            d.makeMeasuring = make;
        }
        d.makeDemo = make;
        d.demoReplayPath = "no-such-dir/mapi.dmp";
        machine = std::make_unique<Machine>(1, cfg.get(), d);
        ASSERT_TRUE(machinetest::connect(*machine));
        ASSERT_EQ(machine->isDemo(), demo);
    }
    bool idle() { return machinetest::idle(*machine); }
    // Every channel of the demo device reports 10 at 45 degrees.
    void prepareDemoResults() {
        mapi->setTurnSource([](TurnRow& r) { r = uniformTurnRow(10.0, 45.0); });
    }
    bool runToIdle() {
        return waitFor([&] { return idle(); });
    }
    // Starts process `code` on the test's rotor (when it made one) and waits
    // until the machine is idle again.
    bool run(int code) {
        if (rotor) machine->setRotor(rotor.get());
        return machine->startProcess(code) && runToIdle();
    }
    void quit() {
        ASSERT_TRUE(waitFor([&] { return machine->requestQuit(); }));
    }
    std::vector<double> frequencies() {
        std::vector<double> f;
        for (const auto& c : api->callsOf("setSpeed")) f.push_back(c.args[0]);
        return f;
    }
    std::unique_ptr<Rotor> twoPlanes() {
        auto r = std::make_unique<Rotor>(cfg.get());
        r->setName("B");
        r->clearPlanes();
        r->insertPlane(1);
        r->insertPlane(2);
        r->setPlaneChannels(1, 1, 0);
        r->setPlaneChannels(2, 2, 0);
        r->data().speed = 1000;
        for (auto& p : r->data().planes) p.radius = 100;
        return r;
    }
    static void setK(Rotor& r, int i, int j, Complex k) {
        double amp = std::abs(k), deg = std::arg(k) * 180.0 / M_PI;
        r.factorData(1, i, j, &amp, nullptr);
        r.factorData(2, i, j, nullptr, &deg);
    }

    VirtualClock clock;
    std::unique_ptr<Config> cfg;
    std::unique_ptr<MApi> mapi;
    std::unique_ptr<FakeApi> api;
    std::function<void(ApiHandle&)> onMade;
    std::unique_ptr<Rotor> rotor;  // outlives the machine that measures it
    std::unique_ptr<Machine> machine;
    std::filesystem::path old_, dir_;
};

class BalancingRun : public ProcessTest {
protected:
    // V = K U on the rotor's side; the demo device reports the conjugate
    // vibration, since the intake's average mirrors the angles it averages
    // (final angle = 360 - the reported angle), so the final vectors are V.
    void prepareRun() {
        rotor = twoPlanes();
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) setK(*rotor, i + 1, j + 1, K[i][j]);
        synth = std::make_unique<SynthRotor>(2, 2);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) synth->setInfluence(i, j, std::conj(K[i][j]));
        synth->setUnbalance(0, std::conj(U[0]));
        synth->setUnbalance(1, std::conj(U[1]));
        mapi->setTurnSource([this](TurnRow& r) { r = synth->turnResults(); });
    }
    Complex V(int c) const { return K[0][c] * U[0] + K[1][c] * U[1]; }

    const Complex K[2][2] = {{polarDeg(0.05, 20), polarDeg(0.01, 200)},
                             {polarDeg(0.015, 75), polarDeg(0.04, -30)}};
    const Complex U[2] = {polarDeg(250, 35), polarDeg(120, 290)};
    std::unique_ptr<SynthRotor> synth;
};

TEST_F(BalancingRun, MeasuresTheUnbalanceOfTheSyntheticRotor) {
    const auto began = std::chrono::steady_clock::now();
    prepareRun();
    start();
    machine->setSpeed(1000, false);
    ASSERT_TRUE(run(::MachineProcess::kBalancing));
    EXPECT_EQ(machine->getResult(), MachineError::kNone);
    EXPECT_EQ(machine->getResultCount(), 3);
    quit();

    // The calibration steps, the acceleration, the fetches, the stop.
    const auto f = frequencies();
    ASSERT_GE(f.size(), 3u);
    EXPECT_GT(f[0], 0);
    EXPECT_EQ(f.back(), 0);
    EXPECT_GE(api->count("setAccTime"), 1);
    EXPECT_EQ(api->count("startReading"), 1);
    EXPECT_EQ(api->count("getData"), 4);  // one skipped session, three rows
    EXPECT_EQ(api->lastTable, (std::vector<int>{1, 2}));
    const auto inv = api->callsOf("setCurrentInverter");
    ASSERT_FALSE(inv.empty());
    EXPECT_EQ(inv[0].args, (std::vector<double>{0, 0}));

    const ChannelResult* fin = rotor->finalResults();
    ASSERT_NE(fin, nullptr);
    for (int c = 0; c < 2; ++c) {
        EXPECT_NEAR(fin[c].amplitude, std::abs(V(c)), 1e-9) << c;
        const double want = std::fmod(std::arg(V(c)) * 180.0 / M_PI + 360.0, 360.0);
        const double d = std::fabs(fin[c].angleDeg - want);
        EXPECT_LT(std::fmin(d, 360.0 - d), 1e-7) << c;
    }
    ASSERT_TRUE(rotor->takeMeasurement());
    ASSERT_TRUE(rotor->computeDisbalance());
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(rotor->correctionAmount(i, true), std::abs(U[i]), 1e-6) << i;
        const double want = std::fmod(std::arg(U[i]) * 180.0 / M_PI + 360.0, 360.0);
        const double d = std::fabs(rotor->correctionAngle(i, true) - want);
        EXPECT_LT(std::fmin(d, 360.0 - d), 1e-6) << i;
    }
    // The drive calibration was stored with the rotor.
    EXPECT_GT(rotor->driveCalibration(), 0.0);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
}

TEST_F(BalancingRun, StopDuringTheAcceleration) {
    prepareRun();
    std::atomic<bool> stopped{false};
    onMade = [&](ApiHandle& h) {
        h.onSetSpeed = [&](std::int16_t f) {
            if (f > 0 && !stopped.exchange(true)) machine->stop();
        };
    };
    start();
    ASSERT_TRUE(run(::MachineProcess::kBalancing));
    quit();
    EXPECT_TRUE(stopped.load());
    EXPECT_EQ(frequencies().back(), 0);
    EXPECT_EQ(api->count("getData"), 0);
    EXPECT_EQ(machine->getState(), MachineState::kIdle);
    EXPECT_EQ(machine->process(), ::MachineProcess::kIdle);
}

TEST_F(BalancingRun, StopWhileWaitingForBegin) {
    cfg->channels[1].softBearing = true;
    prepareRun();
    ASSERT_TRUE(rotor->hasFlaggedChannel());
    start();
    machine->setRotor(rotor.get());
    ASSERT_TRUE(machine->startProcess(::MachineProcess::kBalancing));
    ASSERT_TRUE(waitFor([&] { return machine->getState() == MachineState::kBeginPrompt; }));
    EXPECT_FALSE(machine->stop());
    ASSERT_TRUE(runToIdle());
    EXPECT_TRUE(machine->stop());  // the process code is back at 0
    quit();
    EXPECT_EQ(frequencies().back(), 0);
    EXPECT_EQ(machine->getResultCount(), 0);
    EXPECT_EQ(api->count("getData"), 0);
}

TEST_F(BalancingRun, ConfirmedBeginMeasures) {
    cfg->channels[1].softBearing = true;
    prepareRun();
    start();
    machine->setRotor(rotor.get());
    ASSERT_TRUE(machine->startProcess(::MachineProcess::kBalancing));
    ASSERT_TRUE(waitFor([&] { return machine->getState() == MachineState::kBeginPrompt; }));
    machine->confirmStart();
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(machine->getResult(), MachineError::kNone);
    EXPECT_EQ(machine->getResultCount(), 3);
}

TEST_F(BalancingRun, StopDuringTheMeasurement) {
    prepareRun();
    std::atomic<int> fetches{0};
    onMade = [&](ApiHandle& h) {
        h.onGetData = [&] {
            if (fetches.fetch_add(1) == 1) machine->stop();
            return true;
        };
    };
    start();
    ASSERT_TRUE(run(::MachineProcess::kBalancing));
    quit();
    EXPECT_LT(machine->getResultCount(), 3);
    EXPECT_EQ(frequencies().back(), 0);
    EXPECT_GE(api->count("stopReading"), 1);
}

TEST_F(BalancingRun, RefusedAboveTheDriveMaximum) {
    prepareRun();
    cfg->endDrive.maxSpeed = 900;
    start();
    machine->setRotor(rotor.get());
    EXPECT_FALSE(machine->startProcess(::MachineProcess::kBalancing));
    EXPECT_EQ(machine->getResult(), MachineError::kOverDriveLimit);
    int shown = 0;
    std::string title;
    const std::string text = machine->errorText(&shown, &title);
    EXPECT_EQ(shown, 9913);
    EXPECT_NE(text.find("(9913)"), std::string::npos);
    EXPECT_EQ(title, textOrEmpty(0x195DC01));
    cfg->endDrive.maxSpeed = 2000;
    // Refused again, for a reconnection: the earlier 9913 is not this start's reason.
    machine->requestReconnect();
    EXPECT_FALSE(machine->startProcess(::MachineProcess::kBalancing));
    EXPECT_NE(machine->getResult(), MachineError::kOverDriveLimit);
    // The next accepted start (once reconnected) clears it.
    ASSERT_TRUE(waitFor([&] { return machine->startProcess(::MachineProcess::kBalancing); }));
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(machine->getResult(), MachineError::kNone);
}

TEST_F(BalancingRun, FailedFetchWithoutDeviceCodeIsNoConnection) {
    prepareRun();
    onMade = [&](ApiHandle& h) {
        h.errorCode.store(ApiError::kNone);
        h.onGetData = [] { return false; };
    };
    start();
    ASSERT_TRUE(run(::MachineProcess::kBalancing));
    EXPECT_EQ(machine->getResult(), ApiError::kNoConnection);
    EXPECT_EQ(machine->getResultCount(), 0);
}

// ---------------------------------------------------------------- processes

class MachineProcess : public ProcessTest {};

TEST_F(MachineProcess, BlockedStartEndsWithTwoAndNoFrequency) {
    onMade = [](ApiHandle& h) { h.blocked.store(1); };
    start();
    rotor = twoPlanes();
    ASSERT_TRUE(run(::MachineProcess::kBalancing));
    EXPECT_EQ(machine->getResult(), MachineError::kDriveNotReady);
    // While blocked a positive speed is refused at once.
    machine->setSpeed(5.0, true);
    EXPECT_FALSE(machine->frequencyPending());
    EXPECT_EQ(machine->getResult(), MachineError::kDriveNotReady);
    quit();
    EXPECT_EQ(api->count("setSpeed"), 0);
    const auto blocked = api->callsOf("isBlocked");
    ASSERT_EQ(blocked.size(), 1u);
}

TEST_F(MachineProcess, InitProcessRefusesAnUnconfiguredInverter) {
    cfg->endDrive.drive = 5;
    start();
    rotor = twoPlanes();
    ASSERT_TRUE(run(::MachineProcess::kBalancing));
    EXPECT_EQ(machine->getResult(), MachineError::kDriveNotReady);
    quit();
    EXPECT_EQ(api->count("setCurrentInverter"), 0);
    EXPECT_EQ(api->count("startReading"), 0);
}

TEST_F(MachineProcess, MeasuringProcessWithoutRotorIsRefused) {
    start();
    ASSERT_TRUE(machine->startProcess(::MachineProcess::kBalancing));
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(machine->getResult(), MachineError::kDriveNotReady);
}

TEST_F(MachineProcess, TestMeasurementRunsOnePassUntilStopped) {
    std::atomic<int> fetches{0};
    onMade = [&](ApiHandle& h) {
        h.onGetData = [&] {
            if (fetches.fetch_add(1) == 3) machine->stop();
            return true;
        };
    };
    start();
    rotor = twoPlanes();
    ASSERT_TRUE(run(::MachineProcess::kTest));
    EXPECT_EQ(fetches.load(), 4);
    quit();
    // One measurement; each gain change of the demo's loud signals starts a
    // new pass of it.
    EXPECT_GE(api->count("startReading"), 1);
    EXPECT_EQ(api->lastRequest.testMode, 1);
    EXPECT_GE(api->callsOf("getData").size(), 1u);
    for (const auto& c : api->callsOf("getData")) EXPECT_EQ(c.args[0], 0);  // no per-turn list in test mode
    for (double f : frequencies()) EXPECT_EQ(f, 0);                         // no speed control
}

TEST_F(MachineProcess, RisingSpeedsStoreEachStep) {
    cfg->speedLimit.minimum = 400;
    cfg->speedLimit.maximum = 500;
    prepareDemoResults();
    start();
    rotor = twoPlanes();
    ASSERT_TRUE(run(::MachineProcess::kRisingSpeeds));
    EXPECT_EQ(machine->getResult(), MachineError::kNone);
    // 400, 450 and 500 rpm, three rows each.
    EXPECT_EQ(machine->getResultCount(), 9);
    quit();
    EXPECT_EQ(api->count("startReading"), 3);
}

TEST_F(MachineProcess, TurnToAngleAcrossZero) {
    cfg->endDrive.positionTurnActive = true;
    cfg->endDrive.positionTurnSpeed = 2.5;
    cfg->endDrive.positionTurnAccuracy = 2.0;
    std::atomic<double> angle{350.0};
    onMade = [&](ApiHandle& h) {
        h.angle = [&] {
            double a = angle.load();
            if (machine->process() == ::MachineProcess::kTurnToAngle) {
                a = std::fmod(a + 0.5, 360.0);
                angle.store(a);
            }
            return a;
        };
    };
    start();
    machine->setTurnTarget(10.0, 0.0);
    ASSERT_TRUE(machine->startProcess(::MachineProcess::kTurnToAngle));
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(machine->getResult(), MachineError::kNone);
    const double a = angle.load();
    EXPECT_TRUE(a >= 8.0 && a <= 10.0) << a;
    quit();
    const auto f = frequencies();
    ASSERT_GE(f.size(), 2u);
    EXPECT_EQ(f.front(), 250);  // forward: the short way across 0
    EXPECT_EQ(f.back(), 0);
}

TEST_F(MachineProcess, TurnToAngleTheOtherWayAndStopped) {
    cfg->endDrive.positionTurnActive = true;
    cfg->endDrive.positionTurnSpeed = 500.0;  // x 100 saturates
    std::atomic<bool> turning{false};
    onMade = [&](ApiHandle& h) {
        h.angle = [&] { return 90.0; };  // never arrives
        h.onSetSpeed = [&](std::int16_t f) {
            if (f != 0) turning.store(true);
        };
    };
    start();
    machine->setTurnTarget(30.0, 0.0);
    ASSERT_TRUE(machine->startProcess(::MachineProcess::kTurnToAngle));
    ASSERT_TRUE(waitFor([&] { return turning.load(); }));
    machine->stop();
    ASSERT_TRUE(runToIdle());
    quit();
    const auto f = frequencies();
    ASSERT_GE(f.size(), 2u);
    EXPECT_EQ(f.front(), -32767);
    EXPECT_EQ(f.back(), 0);
}

// An angle that cannot be read, at the start or on the way, ends the turn
// as a device error: never started, or stopped.
TEST_F(MachineProcess, TurnToAngleEndsWhereTheAngleIsLost) {
    cfg->endDrive.positionTurnActive = true;
    cfg->endDrive.positionTurnSpeed = 2.5;
    for (int readable : {0, 3}) {  // angles read in the turn before the loss
        std::atomic<int> reads{0};
        onMade = [&](ApiHandle& h) {
            h.angle = [&]() -> std::optional<double> {
                const bool turning = machine->process() == ::MachineProcess::kTurnToAngle;
                return turning && reads++ >= readable ? std::nullopt : std::optional<double>(90.0);
            };
        };
        start();
        machine->setTurnTarget(30.0, 0.0);
        ASSERT_TRUE(machine->startProcess(::MachineProcess::kTurnToAngle));
        ASSERT_TRUE(runToIdle());
        EXPECT_NE(machine->getResult(), MachineError::kNone) << readable;  // the device's error code
        quit();
        const std::vector<double> sent = readable ? std::vector<double>{-250, 0} : std::vector<double>{0};
        EXPECT_EQ(frequencies(), sent) << readable;
        machine.reset();
        api->calls.clear();
    }
}

TEST_F(MachineProcess, JogTurnStopsAfterItsDistance) {
    cfg->endDrive.positionTurnActive = true;
    cfg->endDrive.positionTurnSpeed = 1.0;
    std::atomic<double> angle{100.0};
    onMade = [&](ApiHandle& h) {
        h.angle = [&] {
            double a = angle.load();
            if (machine->process() == ::MachineProcess::kTurnToAngle) angle.store(a += 1.0);
            return a;
        };
    };
    start();
    machine->setTurnTarget(100.0, 30.0);
    ASSERT_TRUE(machine->startProcess(::MachineProcess::kTurnToAngle));
    ASSERT_TRUE(runToIdle());
    EXPECT_NEAR(angle.load(), 131.0, 1.0);
    quit();
    EXPECT_EQ(frequencies().back(), 0);
}

TEST_F(MachineProcess, KeysInjectOnlyOnTheDemoDevice) {
    prepareDemoResults();
    std::atomic<int> fetches{0};
    onMade = [&](ApiHandle& h) {
        h.onGetData = [&] {
            if (fetches.fetch_add(1) == 0) machine->onKey('3');
            return true;
        };
    };
    start();
    rotor = twoPlanes();
    ASSERT_TRUE(run(::MachineProcess::kBalancing));
    EXPECT_EQ(machine->getResult(), MachineError::kNone);
    EXPECT_EQ(machine->getResultCount(), 1);
    const ChannelResult* row = rotor->measureResult(-1);
    ASSERT_NE(row, nullptr);
    EXPECT_DOUBLE_EQ(row[0].amplitude, 15.6);
    EXPECT_EQ(row[0].scale, 100u);
}

// A key typed at any moment from the start until the rotor has run down
// decides the run's results alone: at a fetch, the first frequency, the stop.
TEST_F(MachineProcess, KeysFromTheStartUntilTheRunDownDecideTheRun) {
    struct Case {
        int fetch;
        bool atFirstSpeed, atStop;
        const char* keys;
    } cases[] = {{1, false, false, "3"}, {-1, false, true, "3"}, {-1, true, true, "hd"}};
    prepareDemoResults();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys + std::to_string(c.fetch));
        std::atomic<int> fetches{0}, typed{0};
        const auto type = [&] { machine->onKey(c.keys[typed++]); };
        onMade = [&](ApiHandle& h) {
            h.onGetData = [&] {
                if (fetches++ == c.fetch) type();
                return true;
            };
            h.onSetSpeed = [&](std::int16_t f) {
                if (machine->process() == ::MachineProcess::kBalancing && c.keys[typed] &&
                    (f != 0 ? c.atFirstSpeed && typed == 0 : c.atStop))
                    type();
            };
        };
        start();
        rotor = twoPlanes();
        ASSERT_TRUE(run(::MachineProcess::kBalancing));
        ASSERT_NE(rotor->finalResults(), nullptr);
        EXPECT_DOUBLE_EQ(rotor->finalResults()[0].amplitude, 15.6);  // key 3's row
        quit();
        machine.reset();
    }
}

TEST_F(MachineProcess, KeysIgnoredOnARealDevice) {
    prepareDemoResults();
    std::atomic<int> fetches{0};
    onMade = [&](ApiHandle& h) {
        h.onGetData = [&] {
            if (fetches.fetch_add(1) == 0) machine->onKey('3');
            return true;
        };
    };
    start(false);
    rotor = twoPlanes();
    ASSERT_TRUE(run(::MachineProcess::kBalancing));
    EXPECT_EQ(machine->getResultCount(), 3);
    machine->onKey('z');
    EXPECT_EQ(machine->getResult(), MachineError::kOperatorAbort);
    machine->onKey('u');
    EXPECT_TRUE(machine->takeDeviceReleased());
}

// ---------------------------------------------------------------- error texts

TEST_F(MachineProcess, ErrorTextsOfEveryClass) {
    cfg->extErrors[2].message = "Guard open";
    cfg->endDrive.extErrors[2].message = "Drive guard";
    std::atomic<ApiHandle*> handle{nullptr};
    onMade = [&](ApiHandle& h) {
        h.errorCode.store(ApiError::kExternalInputFirst + 2);
        handle.store(&h);
    };
    start();
    int shown = 0;
    std::string title;
    EXPECT_EQ(machine->errorText(&shown, &title), "Guard open (9983)");
    EXPECT_EQ(title, textOrEmpty(0x195DC01));
    // A drive that monitors its own additional errors uses its own list.
    cfg->endDrive.extErrorCount = 3;
    EXPECT_EQ(machine->errorText(&shown, nullptr), "Drive guard (9983)");
    cfg->endDrive.extErrorCount = 0;
    // An empty message text.
    handle.load()->errorCode.store(ApiError::kExternalInputFirst + 3);
    ASSERT_TRUE(
        waitFor([&] { return machine->errorText(&shown, nullptr).find("9984") != std::string::npos; }));
    EXPECT_NE(machine->errorText(&shown, nullptr).find("(9984)"), std::string::npos);
    EXPECT_GT(machine->errorText(&shown, nullptr).size(), std::string(" (9984)").size());
    // An inverter fault of make 0: shown as fault + (type + 10) x 100.
    handle.load()->inverterType.store(0);
    handle.load()->errorCode.store(5);
    ASSERT_TRUE(waitFor([&] {
        machine->errorText(&shown, &title);
        return shown == 1005;
    }));
    EXPECT_EQ(title, textOrEmpty(0x195DC02));
    // A long message is cut at a character boundary.
    std::string longText;
    for (int i = 0; i < 100; ++i) longText += "\xD0\x96";  // Cyrillic letter, two bytes
    cfg->extErrors[0].message = longText;
    handle.load()->errorCode.store(ApiError::kExternalInputFirst);
    ASSERT_TRUE(waitFor([&] {
        machine->errorText(&shown, nullptr);
        return shown == ApiError::kExternalInputFirst;
    }));
    const std::string cut = machine->errorText(&shown, nullptr);
    const std::string body = cut.substr(0, cut.size() - std::string(" (9981)").size());
    EXPECT_EQ(body.size(), 126u);
    EXPECT_EQ(body, longText.substr(0, 126));
    // Russian.
    setLanguage(false);
    handle.load()->errorCode.store(ApiError::kEmergencyStop);
    ASSERT_TRUE(waitFor([&] {
        machine->errorText(&shown, &title);
        return shown == ApiError::kEmergencyStop;
    }));
    EXPECT_EQ(title, textOrEmpty(0x195DC01));
    EXPECT_NE(title, "Error!");
}

// ---------------------------------------------------------------- status rule and idle requests

TEST_F(MachineProcess, StatusRule) {
    MachineDeps d;
    d.clock = &clock;
    Machine m(1, cfg.get(), d);  // no device
    EXPECT_EQ(m.statusResult(RunStatus::kOk), MachineError::kNone);
    EXPECT_EQ(m.statusResult(RunStatus::kNoPhasorSignal), MachineError::kNoPhasorSignal);
    EXPECT_EQ(m.statusResult(RunStatus::kDeviceError),
              ApiError::kNoConnection);  // no device code: no connection
    EXPECT_EQ(m.statusResult(RunStatus::kVibrationTooHigh), MachineError::kVibrationTooHigh);
    EXPECT_EQ(m.statusResult(RunStatus::kTooManyCorrections), MachineError::kSpeedNotReached);
    EXPECT_EQ(m.statusResult(RunStatus::kNoAcquisition), ApiError::kNoConnection);
    EXPECT_EQ(m.statusResult(RunStatus::kOverSpeedStop),
              ApiError::kEmergencyStop);  // the drive's over-speed stop
    EXPECT_EQ(m.statusResult(7), MachineError::kNone);
}

TEST_F(MachineProcess, IdleRequestsEachAlone) {
    cfg->millDrive.drive = 1;
    cfg->endDrive.usedPhasor = 0x10C3003;
    cfg->speedBufferSize = 4;
    cfg->speedPeriod = 0.5;
    cfg->channels[0].gain = 1;
    start();
    // Three idle passes later (the virtual time also orders the worker's
    // reads of the settings before the test's next change).
    auto served = [&] {
        const std::int64_t t = clock.nowMs();
        ASSERT_TRUE(waitFor([&] { return clock.nowMs() > t + 60; }));
    };
    machine->setBrake(true);
    served();
    machine->setRelay(true, 2);
    served();
    cfg->millDrive.drive = 7;  // not configured: the relay request is dropped
    machine->setRelay(true, 3);
    served();
    machine->startTraining();
    served();
    machine->restartWelder();
    served();
    machine->setEventLogging(false);
    served();
    machine->setEventLogging(true);
    served();
    machine->applyMiscParams();
    served();
    machine->requestDriveSetup();
    served();
    machine->requestDriveSetup();  // same motor: nothing sent again
    served();
    machine->resetBooster();
    served();
    quit();
    EXPECT_EQ(api->callsOf("setBrake")[0].args, (std::vector<double>{1}));
    const auto relays = api->callsOf("setRelay");
    ASSERT_EQ(relays.size(), 1u);
    EXPECT_EQ(relays[0].args, (std::vector<double>{1, 2}));
    const auto inverters = api->callsOf("setCurrentInverter");
    ASSERT_EQ(inverters.size(), 3u);  // the relay's, then two drive set-ups
    EXPECT_EQ(inverters[0].args, (std::vector<double>{1, 2}));
    EXPECT_EQ(inverters[1].args, (std::vector<double>{0, 2}));
    EXPECT_EQ(api->count("startTraining"), 1);
    EXPECT_EQ(api->count("restartWelder"), 1);
    const auto logs = api->callsOf("openLog");
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs[0].args, (std::vector<double>{0}));
    EXPECT_EQ(logs[1].args, (std::vector<double>{1}));
    const auto misc = api->callsOf("setMiscParams");
    ASSERT_EQ(misc.size(), 1u);
    EXPECT_EQ(misc[0].args, (std::vector<double>{0, 4, 500}));
    EXPECT_EQ(api->count("setMotorParams"), 1);
    const auto boosters = api->callsOf("setBooster");
    ASSERT_EQ(boosters.size(), 1u);
    EXPECT_EQ(boosters[0].args[0], 1);
    EXPECT_EQ(boosters[0].args[1], 3);
}

TEST_F(MachineProcess, ReconnectWaitsForTheTurn) {
    cfg->endDrive.positionTurnActive = true;
    cfg->endDrive.positionTurnSpeed = 1.0;
    std::atomic<int> deletions{0};
    std::atomic<int> made{0};
    MachineDeps d;
    d.clock = &clock;
    d.makeDemo = [&](Clock& c) -> Api* {
        made.fetch_add(1);
        auto* h = new ApiHandle(c, *api, &deletions);
        h->angle = [] { return 200.0; };  // never arrives at the target
        return h;
    };
    machine = std::make_unique<Machine>(1, cfg.get(), d);
    ASSERT_TRUE(machine->startProcess(::MachineProcess::kConnect));
    ASSERT_TRUE(waitFor([&] { return idle() && machine->isDemo(); }));
    machine->setTurnTarget(20.0, 0.0);
    ASSERT_TRUE(machine->startProcess(::MachineProcess::kTurnToAngle));
    ASSERT_TRUE(waitFor([&] { return machine->getState() == MachineState::kTurning; }));
    machine->requestReconnect();
    machine->requestCopyLogs();
    const std::int64_t n = clock.sleepCount();
    ASSERT_TRUE(waitFor([&] { return clock.sleepCount() > n + 50; }));
    EXPECT_EQ(machine->process(), ::MachineProcess::kTurnToAngle);
    EXPECT_EQ(deletions.load(), 0);
    EXPECT_EQ(machine->getCopyLogsProgress(), 0);  // pending
    machine->stop();
    ASSERT_TRUE(waitFor([&] { return made.load() == 2 && idle(); }));
    EXPECT_GE(deletions.load(), 1);
    EXPECT_EQ(machine->getCopyLogsProgress(), -1);
}

TEST_F(MachineProcess, BeltDrivenTurnCopiesOneCalibrationPair) {
    cfg->beltDrive.active = true;
    onMade = [](ApiHandle& h) { h.angle = [] { return 45.0; }; };
    start();
    rotor = twoPlanes();
    rotor->data().drive = jobrec::kDriveBelt;
    ASSERT_TRUE(rotor->isBeltDrive());
    machine->setRotor(rotor.get());
    EXPECT_EQ(machine->getDriveType(), 1);
    for (int i = 0; i < 4; ++i) machine->engine().setCalibrationValue(i, 10.0 + i);
    machine->setTurnTarget(45.0, 0.0);  // already there
    ASSERT_TRUE(machine->startProcess(::MachineProcess::kTurnToAngle));
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(machine->getResult(), MachineError::kNone);
    // Forward direction: pair 0 onto pair 1.
    EXPECT_EQ(machine->engine().calibrationValue(0), 10.0);
    EXPECT_EQ(machine->engine().calibrationValue(1), 11.0);
    EXPECT_EQ(machine->engine().calibrationValue(2), 10.0);
    EXPECT_EQ(machine->engine().calibrationValue(3), 11.0);
    quit();
    EXPECT_EQ(api->count("setSpeed"), 0);  // "Position turn activated" is clear
}

TEST_F(MachineProcess, MillingUnitTurnsOnTheDriveInverter) {
    cfg->millDrive.active = true;
    cfg->endDrive.drive = 1;
    cfg->endDrive.positionTurn = 0;
    onMade = [](ApiHandle& h) { h.angle = [] { return 45.0; }; };
    start();
    machine->setTurnTarget(45.0, 0.0);
    ASSERT_TRUE(machine->startProcess(
        ::MachineProcess::kTurnToAngle));  // milling unit idle: the position-turn inverter
    ASSERT_TRUE(runToIdle());
    machine->onKey('f');  // the demo device's milling unit switches on
    ASSERT_TRUE(waitFor([&] { return machine->isFrezerActive(); }));
    ASSERT_TRUE(machine->startProcess(::MachineProcess::kTurnToAngle));
    ASSERT_TRUE(runToIdle());
    quit();
    const auto inv = api->callsOf("setCurrentInverter");
    ASSERT_EQ(inv.size(), 2u);
    EXPECT_EQ(inv[0].args[0], 0);
    EXPECT_EQ(inv[1].args[0], 1);
}

TEST_F(MachineProcess, ProcessTwelveTakesTheTestMeasurementCount) {
    cfg->testMeasurements = 7;
    std::atomic<int> fetches{0};
    onMade = [&](ApiHandle& h) {
        h.onGetData = [&] {
            if (fetches.fetch_add(1) == 2) machine->stop();
            return true;
        };
    };
    start();
    rotor = twoPlanes();
    ASSERT_TRUE(run(::MachineProcess::kSampledTest));
    quit();
    EXPECT_EQ(machine->measurer().testMode, 7);
    EXPECT_EQ(api->lastRequest.testMode, 1);
    EXPECT_EQ(api->count("isBlocked"), 1);
    int points = 0, vps = 0;
    int* s = machine->getSamples(&points, &vps);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(vps, 1);
    // Rows every seventh sample: the sample numbers step by 7.
    const int n = 3 * points;
    EXPECT_EQ(s[n - 3] - s[n - 6], 7);
    std::free(s);
}

TEST_F(MachineProcess, OverSpeedEndsWithEmergencyStop) {
    // The older controller's raw path on a motor that turns 1.8 times as fast
    // as its frequency says, with a calibrated drive.
    FakeApi device(clock);
    MotorModel motor(clock);
    motor.attach(device);
    motor.overSpeedFactor = 1.8;
    device.recordSamples = false;
    cfg->endDrive.autosetting.value1 = 0.0;
    cfg->endDrive.autosetting.value2 = 1.0;
    cfg->endDrive.autosetting.value3 = 0.0;
    cfg->endDrive.autosetting.value4 = 1.0;
    cfg->dataCollection = settings_choice::kVersion1;
    MachineDeps d;
    d.clock = &clock;
    d.makeOlder = [&](Clock& c) -> Api* { return new ApiHandle(c, device); };
    machine = std::make_unique<Machine>(1, cfg.get(), d);
    ASSERT_TRUE(machine->startProcess(::MachineProcess::kConnect));
    ASSERT_TRUE(waitFor([&] { return idle() && machine->getDeviceName()[0] != 0; }));
    ASSERT_FALSE(machine->isDemo());
    rotor = twoPlanes();
    rotor->data().speed = 900;
    ASSERT_TRUE(run(::MachineProcess::kBalancing));
    EXPECT_EQ(machine->getResult(), ApiError::kEmergencyStop);
    quit();
    std::vector<double> f;
    for (const auto& c : device.callsOf("setSpeed")) f.push_back(c.args[0]);
    ASSERT_FALSE(f.empty());
    EXPECT_EQ(f.back(), 0);
    EXPECT_EQ(device.count("getData"), 0);
}

}  // namespace
