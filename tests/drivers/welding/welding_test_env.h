#pragma once
// Shared set-up of the welding driver tests: a scratch folder, the simulated
// controller installed behind Usb10, and a virtual driver time base (sleeps
// advance a virtual clock and yield; the wall clock of the logs is pinned to
// 2023-01-25 14:03:07.045).

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "drivers/common/driver_timing.h"
#include "support/sim_welder.h"

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

class WeldingEnv : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("weld_") + info->test_suite_name() + "_" + info->name() + "_" +
                std::to_string(::getpid()));
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        std::filesystem::create_directories(dir_);
        logs_ = (dir_ / "logs").string();
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    static std::string slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string linkLog() const { return slurp(logs_ + "/2023.01.25_WelderUSBLL_Log.txt"); }
    std::string masterLog() const { return slurp(logs_ + "/2023.01.25_WelderMaster_Log.txt"); }

    simwelder::SimWeldingController sim_;
    simwelder::ScopedSimWelder install_{sim_};
    drivers::ScopedDriverTiming timing_{virtualTiming()};
    std::filesystem::path dir_;
    std::string logs_;
};

}  // namespace weldtest
