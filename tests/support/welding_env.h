#pragma once
// Shared set-up of the tests of the welding driver and of the welding remote
// above it: a temporary working directory (with its "logs" folder) that the
// test runs in, the simulated welding controller behind Usb10, a virtual
// driver time base (sleeps advance a virtual clock and yield; the wall clock
// of the logs is pinned to 2023-01-25 14:03:07.045), and the welding driver's
// process-wide state reset before and after.

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "drivers/common/driver_timing.h"
#include "drivers/welding/welder_v3.h"
#include "support/sim_welder.h"
#include "support/work_dir.h"

namespace weldtest {

using simwelder::virtualMicros;

inline drivers::DriverTiming virtualTiming() {
    drivers::LocalTime lt;
    lt.year = 2023;
    lt.month = 1;
    lt.day = 25;
    lt.hour = 14;
    lt.minute = 3;
    lt.second = 7;
    lt.millisecond = 45;
    return simwelder::virtualTiming(lt);
}

// Waits (bounded, real time) until pred holds; the driver runs in virtual
// time, so this only gives its worker the processor.
template <typename Pred>
bool eventually(Pred pred) {
    for (int i = 0; i < 20000; ++i) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return pred();
}

using testwd::readFile;
using testwd::writeFile;

class WeldingEnv : public ::testing::Test {
protected:
    void SetUp() override {
        workDir_.emplace("ks_weld", testwd::Logs::folder);
        dir_ = workDir_->path();
        logs_ = (dir_ / "logs").string();
        TamskWelder::resetWelderDriverState();
    }
    void TearDown() override {
        TamskWelder::resetWelderDriverState();
        workDir_.reset();
    }

    // The driver's dated logs and the remote's log.
    std::string linkLog() const { return readFile(logs_ + "/2023.01.25_WelderUSBLL_Log.txt"); }
    std::string masterLog() const { return readFile(logs_ + "/2023.01.25_WelderMaster_Log.txt"); }
    std::string remoteLog() const { return readFile("logs/welder_api.log"); }
    std::string parameterFile() const { return readFile("welderParameters.ini"); }

    // No welding controller on the bus (only the boot product).
    void noController() { sim_.devices = {{0x2E91, 0x7688}}; }

    std::size_t statusReads() {
        std::size_t n = 0;
        for (const auto& e : sim_.journal())
            if (!e.write && e.address == TamskWelder::kRegStatus) ++n;
        return n;
    }

    simwelder::SimWeldingController sim_;
    simwelder::ScopedSimWelder install_{sim_};
    drivers::ScopedDriverTiming timing_{virtualTiming()};
    std::optional<testwd::WorkDir> workDir_;
    std::filesystem::path dir_;
    std::string logs_;
};

}  // namespace weldtest
