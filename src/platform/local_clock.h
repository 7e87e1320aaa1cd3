#pragma once
// The computer's clock in local calendar time: read it, set it.
//
// The settings screen lets the operator set the date and the time.  The real
// clock reads the system time through localtime_r and sets it with
// clock_settime(CLOCK_REALTIME) from the local time that mktime makes of the
// calendar fields; setting needs the CAP_SYS_TIME capability.  Tests install
// their own clock with setLocalClock.  Main thread only.

#include <string>

namespace platform {

// The earliest year the clock is set to: the system's time counts from 1970
// and none before it is taken.
constexpr int kEarliestClockYear = 1970;

struct LocalTime {
    int year = kEarliestClockYear;  // e.g. 2023
    int month = 1;    // 1..12
    int day = 1;      // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

class LocalClock {
public:
    virtual ~LocalClock() = default;
    virtual LocalTime read() = 0;
    // Sets the clock; false with the system's reason when it refuses.
    virtual bool set(const LocalTime& time, std::string* error) = 0;
};

// The clock in use: the system's unless a test installed another.
LocalClock& localClock();
// Test seam: use this clock (null: the system's again).
void setLocalClock(LocalClock* clock);

// True when the day exists in that month of that year (Gregorian leap years).
bool dateExists(int year, int month, int day);

}  // namespace platform
