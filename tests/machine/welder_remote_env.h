#pragma once
// Shared set-up of the welding-remote tests: a scratch working directory
// (with its "logs" folder) that the test runs in, the simulated welding
// controller behind Usb10, a virtual driver time base, and the welding
// driver's process-wide state reset before and after.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "drivers/common/driver_timing.h"
#include "drivers/welding/welder_v3.h"
#include "support/sim_welder.h"

namespace weldremote {

using simwelder::virtualMicros;

inline drivers::DriverTiming virtualTiming() {
    drivers::LocalTime lt;
    lt.year = 2023;
    lt.month = 1;
    lt.day = 25;
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

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void putFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

class WelderRemoteEnv : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ =
            std::filesystem::temp_directory_path() / (std::string("wremote_") + info->test_suite_name() +
                                                      "_" + info->name() + "_" + std::to_string(::getpid()));
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        std::filesystem::create_directories(dir_ / "logs", ec);
        char buf[4096];
        if (::getcwd(buf, sizeof buf)) oldCwd_ = buf;
        ASSERT_EQ(::chdir(dir_.c_str()), 0);
        TamskWelder::resetWelderDriverState();
    }
    void TearDown() override {
        TamskWelder::resetWelderDriverState();
        if (!oldCwd_.empty()) (void)::chdir(oldCwd_.c_str());
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // No welding controller on the bus (only the boot product).
    void noController() { sim_.devices = {{0x2E91, 0x7688}}; }

    std::string remoteLog() const { return slurp("logs/welder_api.log"); }
    std::string parameterFile() const { return slurp("welderParameters.ini"); }

    std::size_t statusReads() {
        std::size_t n = 0;
        for (const auto& e : sim_.journal())
            if (!e.write && e.address == TamskWelder::kRegStatus) ++n;
        return n;
    }

    simwelder::SimWeldingController sim_;
    simwelder::ScopedSimWelder install_{sim_};
    drivers::ScopedDriverTiming timing_{virtualTiming()};
    std::filesystem::path dir_;
    std::string oldCwd_;
};

}  // namespace weldremote
