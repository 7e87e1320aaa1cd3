// The drive control over a device that loses writes and data: the failure
// ends the acceleration with its status, nothing is corrected from a
// frequency the device did not take, and no later loop clears an error.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "machine/engine.h"
#include "records/settings_records.h"
#include "support/machine_fake_api.h"
#include "support/machine_motor.h"
#include "support/machine_virtual_clock.h"

namespace {

EngineRunValues runValues(bool calibrated) {
    Config config;
    const double none[4] = {0, 0, 0, 0};
    EngineRunValues v =
        engineRunValues(config.endDrive, config, MachineProcess::kBalancing, nullptr, 1000, none);
    if (calibrated) v.calibration[1] = 1.0;  // 1 rpm per 0.01 Hz
    return v;
}

TEST(EngineWrites, AFailedWriteOrReadEndsTheRunAndNoLoopClearsIt) {
    struct Case {
        const char* name;
        bool calibrated;
        double rpmPerCentiHz;  // of the motor
        int target;
        int lostFrom, lostTo;  // setSpeed calls (1-based) the device does not take
        int dataReads;         // reads of data before it stops coming (0: it never stops)
        int status;
    };
    const int all = 1 << 20;
    const Case cases[] = {
        {"the first frequency", true, 1.0, 1000, 1, 1, 0, RunStatus::kDeviceError},
        // Corrected from the lost 60 Hz with the rotor at the calibration's
        // speed, the next frequency would be three times too high.
        {"the frequency after the calibration", false, 1.0, 6000, 3, 3, 0, RunStatus::kDeviceError},
        {"a correction", true, 0.8, 1000, 2, 2, 0, RunStatus::kDeviceError},
        {"every frequency of the stop", true, 1.0, 0, 1, all, 0, RunStatus::kDeviceError},
        {"the stop's first frequency 0 (the last is taken)", true, 1.0, 0, 1, 1, 0, RunStatus::kOk},
        {"no data during the speed-up", true, 1.0, 1000, 0, 0, 4, RunStatus::kDeviceError},
        {"a rotor that does not start in the calibration", false, 0.0, 1000, 0, 0, 0,
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
        if (c.dataReads > 0) {
            std::vector<double> reads(static_cast<std::size_t>(c.dataReads), 1.0);
            reads.push_back(0.0);
            api.script("readData", reads);
        }
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
        std::vector<int> f;
        for (const auto& call : api.callsOf("setSpeed")) f.push_back(static_cast<int>(call.args[0]));
        if (c.lostFrom > 0 && c.target != 0) {
            // Nothing went out after the lost frequency, and nothing above it.
            EXPECT_EQ(static_cast<int>(f.size()), c.lostFrom);
            EXPECT_EQ(*std::max_element(f.begin(), f.end()), f.back());
        }
    }
}

}  // namespace
