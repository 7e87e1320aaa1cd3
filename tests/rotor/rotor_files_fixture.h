#pragma once
// A temporary working directory (with "logs/") for tests of the rotor's
// files, and a fixed rotor clock.

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>

#include "rotor/rotor_clock.h"
#include "support/work_dir.h"

namespace rotortest {

inline std::int64_t g_fixedTime = 0;
inline std::int64_t fixedNow() { return g_fixedTime; }

// Seconds since 1970 of a local calendar time.
inline std::int64_t localSeconds(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

// The rotor's files are written in a temporary working directory with its
// "logs" folder, at a fixed time.
class TempWorkDir : public ::testing::Test {
protected:
    void SetUp() override {
        g_fixedTime = localSeconds(2025, 3, 5, 14, 7, 9);
        rotorclock::setClock(&fixedNow);
    }
    void TearDown() override { rotorclock::setClock(nullptr); }

    testwd::WorkDir workDir_{"ks_rotor_files", testwd::Logs::folder};
};

}  // namespace rotortest
