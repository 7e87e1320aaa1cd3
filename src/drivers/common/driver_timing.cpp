#include "drivers/common/driver_timing.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace drivers {

namespace {

// The time bases ever installed, newest first; the head is the one in use.
// A replaced one is kept (never freed), so a driver thread still holding a
// reference to it stays safe.
struct Installed {
    DriverTiming timing;
    Installed* next;
};

std::atomic<Installed*>& current() {
    static std::atomic<Installed*> head{new Installed{DriverTiming(), nullptr}};
    return head;
}

using SteadyClock = std::chrono::steady_clock;

const SteadyClock::time_point& origin() {
    static const SteadyClock::time_point t0 = SteadyClock::now();
    return t0;
}

}  // namespace

void DriverTiming::sleepMs(double ms) const {
    if (sleepHook) {
        sleepHook(ms);
        return;
    }
    if (!(ms > 0)) return;
    const double real = speedup > 0 ? ms / speedup : ms;
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(real));
}

double DriverTiming::nowMs() const {
    if (nowHook) return nowHook();
    const double real = std::chrono::duration<double, std::milli>(SteadyClock::now() - origin()).count();
    return speedup > 0 ? real * speedup : real;
}

LocalTime DriverTiming::localNow() const {
    if (wallClockHook) return wallClockHook();
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    if (ms < 0) ms += 1000;
    std::tm tm{};
    localtime_r(&secs, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.millisecond = static_cast<int>(ms);
    return t;
}

const DriverTiming& driverTiming() {
    (void)origin();
    return current().load(std::memory_order_acquire)->timing;
}

void setDriverTiming(const DriverTiming& timing) {
    (void)origin();
    auto* node = new Installed{timing, current().load(std::memory_order_acquire)};
    while (!current().compare_exchange_weak(node->next, node, std::memory_order_acq_rel)) {
    }
}

DriverTiming fastDriverTiming(double speedup) {
    DriverTiming t;
    t.speedup = speedup;
    return t;
}

ScopedDriverTiming::ScopedDriverTiming(const DriverTiming& timing) : previous_(driverTiming()) {
    setDriverTiming(timing);
}

ScopedDriverTiming::~ScopedDriverTiming() { setDriverTiming(previous_); }

}  // namespace drivers
