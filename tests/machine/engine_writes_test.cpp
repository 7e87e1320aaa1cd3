// The drive control over a device that loses writes and data: the failure
// ends the acceleration with its status, nothing is corrected from a
// frequency the device did not take, and no later loop clears an error.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "machine/eapi.h"
#include "machine/engine.h"
#include "records/settings_records.h"
#include "support/machine_fake_api.h"
#include "support/machine_motor.h"
#include "support/machine_virtual_clock.h"
#include "support/sim_older.h"
#include "support/watchdog.h"

namespace {

EngineRunValues runValues(bool calibrated) {
    Config config;
    const double none[4] = {0, 0, 0, 0};
    EngineRunValues v =
        engineRunValues(config.endDrive, config, MachineProcess::kBalancing, nullptr, 1000, none);
    if (calibrated) v.calibration[1] = 1.0;  // 1 rpm per 0.01 Hz
    return v;
}

std::vector<int> frequencies(const FakeApi& api) {
    std::vector<int> out;
    for (const auto& c : api.callsOf("setSpeed")) out.push_back(static_cast<int>(c.args[0]));
    return out;
}

TEST(EngineWrites, AFailedWriteOrReadEndsTheRunAndNoLoopClearsIt) {
    struct Case {
        const char* name;
        bool calibrated;
        double rpmPerCentiHz;  // of the motor
        int target;
        int lostFrom, lostTo;  // setSpeed calls (1-based) the device does not take
        std::function<void(FakeApi&)> more;
        int status;
    };
    const int kAll = 1 << 20;
    const Case cases[] = {
        {"the first frequency", true, 1.0, 1000, 1, 1, {}, RunStatus::kDeviceError},
        // Corrected from the lost 60 Hz with the rotor at the calibration's
        // speed, the next frequency would be three times too high.
        {"the frequency after the calibration", false, 1.0, 6000, 3, 3, {}, RunStatus::kDeviceError},
        {"a correction", true, 0.8, 1000, 2, 2, {}, RunStatus::kDeviceError},
        {"every frequency of the stop", true, 1.0, 0, 1, kAll, {}, RunStatus::kDeviceError},
        {"the stop's first frequency 0 (the last is taken)", true, 1.0, 0, 1, 1, {}, RunStatus::kOk},
        {"no data during the speed-up", true, 1.0, 1000, 0, 0,
         [](FakeApi& a) {
             a.script("readData", {1, 1, 1, 1, 0});
         },
         RunStatus::kDeviceError},
        {"a rotor that does not start in the calibration",
         false,
         0.0,
         1000,
         0,
         0,
         {},
         RunStatus::kNoPhasorSignal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualClock clock;
        FakeApi api(clock);
        MotorModel motor(clock);
        motor.attach(api);
        motor.rpmPerCentiHz = c.rpmPerCentiHz;
        int calls = 0;
        api.setSpeedHook = [&](std::int16_t f) {
            ++calls;
            if (calls >= c.lostFrom && calls <= c.lostTo) return false;
            motor.setFrequency(f);
            return true;
        };
        if (c.more) c.more(api);
        std::atomic<int> state{0};
        std::atomic<bool> cancel{false};
        Engine engine(&api, clock, &state, &cancel);
        engine.applyRunValues(runValues(c.calibrated));
        if (c.target == 0) {
            motor.setFrequency(1000);
            clock.advanceMs(3000);
        }
        EXPECT_EQ(engine.setRpm(c.target, true), c.status == RunStatus::kOk);
        EXPECT_EQ(engine.error, c.status);
        const auto f = frequencies(api);
        if (c.lostFrom > 0 && c.target != 0) {
            // Nothing went out after the lost frequency, and nothing above it.
            EXPECT_EQ(static_cast<int>(f.size()), c.lostFrom);
            EXPECT_EQ(*std::max_element(f.begin(), f.end()), f.back());
        }
    }
}

// A conversion that never ends (its start was lost, say) ends the speed-up
// within its time-out, polled in steps, not at register speed.
TEST(EngineWrites, AStalledConversionEndsTheSpeedUpWithinItsTimeOut) {
    VirtualClock clock;
    sim::SimOlderController controller;
    sim::ScopedUsb01 use(controller);
    controller.setMotor(&clock, 1.0, 200.0);
    controller.injectFault(sim::SimOlderController::Fault::damagedFrame, [](const auto& t) {
        return t.kind == t.write && t.reg == older::kRegStartConversion;
    });
    EApiFactory factory(clock);
    std::unique_ptr<EApi> api(factory.createEApi());
    ASSERT_NE(api, nullptr);
    std::atomic<int> state{0};
    std::atomic<bool> cancel{false};
    Engine engine(api.get(), clock, &state, &cancel);
    engine.applyRunValues(runValues(true));
    const std::int64_t t0 = clock.nowMs();
    EXPECT_FALSE(testsupport::mustEnd("the stalled speed-up", [&] { return engine.setRpm(1000, true); }));
    EXPECT_EQ(engine.error, RunStatus::kDeviceError);
    EXPECT_EQ(api->getErrorInfo(nullptr), ApiError::kNoConnection);
    EXPECT_LT(clock.nowMs() - t0, 5000);
    int polls = 0;
    for (const auto& e : controller.registerJournal()) polls += !e.write && e.reg == older::kRegDataReady;
    EXPECT_LT(polls, 1000);
}

}  // namespace
