#pragma once
// A real Machine from a test thread: waiting on its worker, and bringing it
// up through its connect process to the first idle state with a device.
//
//   auto machine = std::make_unique<Machine>(1, &config, deps);
//   ASSERT_TRUE(machinetest::connect(*machine));
//   ASSERT_TRUE(machinetest::waitFor([&] { return machinetest::idle(*machine); }));

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "machine/machine.h"
#include "machine/machine_codes.h"

namespace machinetest {

// Polls `done` every millisecond of real time for up to 20 s; true once it holds.
inline bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 20000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

// No process runs and the machine shows the idle state.
inline bool idle(Machine& m) {
    return m.process() == MachineProcess::kIdle && m.getState() == MachineState::kIdle;
}

// Runs the connect process until the machine is idle with a device.
inline ::testing::AssertionResult connect(Machine& m) {
    if (!m.startProcess(MachineProcess::kConnect)) return ::testing::AssertionFailure() << "connect refused";
    if (!waitFor([&] { return idle(m) && m.getDeviceName()[0] != 0; }))
        return ::testing::AssertionFailure() << "no device after the connect process";
    return ::testing::AssertionSuccess();
}

}  // namespace machinetest
