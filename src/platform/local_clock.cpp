#include "platform/local_clock.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace platform {
namespace {

class SystemClock final : public LocalClock {
public:
    LocalTime read() override {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        std::tm tm{};
        LocalTime t;
        if (!::localtime_r(&now.tv_sec, &tm)) return t;
        t.year = tm.tm_year + 1900;
        t.month = tm.tm_mon + 1;
        t.day = tm.tm_mday;
        t.hour = tm.tm_hour;
        t.minute = tm.tm_min;
        t.second = tm.tm_sec;
        t.millisecond = static_cast<int>(now.tv_nsec / 1000000);
        return t;
    }

    bool set(const LocalTime& t, std::string* error) override {
        std::tm tm{};
        tm.tm_year = t.year - 1900;
        tm.tm_mon = t.month - 1;
        tm.tm_mday = t.day;
        tm.tm_hour = t.hour;
        tm.tm_min = t.minute;
        tm.tm_sec = t.second;
        tm.tm_isdst = -1;  // the zone's rule for that date
        const std::time_t seconds = std::mktime(&tm);
        if (seconds == static_cast<std::time_t>(-1)) {
            if (error) *error = "the time cannot be represented";
            return false;
        }
        const timespec ts{seconds, static_cast<long>(t.millisecond) * 1000000L};
        if (::clock_settime(CLOCK_REALTIME, &ts) != 0) {
            if (error) *error = std::strerror(errno);
            return false;
        }
        return true;
    }
};

SystemClock g_system;
LocalClock* g_clock = &g_system;

}  // namespace

LocalClock& localClock() { return *g_clock; }

void setLocalClock(LocalClock* clock) { g_clock = clock ? clock : &g_system; }

bool dateExists(int year, int month, int day) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

}  // namespace platform
