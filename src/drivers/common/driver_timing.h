#pragma once
// Time base of the device drivers.
//
// Every sleep, time-out and "now" of the measuring and welding drivers goes
// through the process-wide DriverTiming, so tests can run the drivers' waits
// in a fast time base without changing what the drivers do.
//
// Real time (the default): sleepMs sleeps, nowMs reads std::chrono::steady_clock,
// localNow reads std::chrono::system_clock once through localtime_r.
//
// Fast time: speedup = N makes one real millisecond worth N driver
// milliseconds: sleepMs(d) sleeps d / N real ms and nowMs() advances N times
// faster than the steady clock.  Sleeps and elapsed time scale together, so
// "elapsed > time-out" tests behave as in real time, only N times sooner.
//
// Hooks (sleepHook, nowHook, wallClockHook) replace the time base entirely;
// a test pins the wall clock of the log files with wallClockHook.
//
// setDriverTiming may be called at any time (a running driver takes the new
// time base at its next step); every installed time base is kept for the
// life of the process, so it is meant for start-up and tests, not for a loop.

#include <functional>

namespace drivers {

// One reading of the local wall clock.
struct LocalTime {
    int year = 1970;
    int month = 1;        // 1..12
    int day = 1;          // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;  // 0..999
};

struct DriverTiming {
    // --- measuring controller: request-slot layer (ms) ---
    double waitStepMs = 1;            // a caller's wait step for its slot
    double workerPassMs = 1;          // the worker's sleep after each pass
    double dataReadyRetryMs = 100;    // pause between "data ready" polls
    unsigned dataReadyRetryLimit = 50;  // polls after which the conversion is restarted
    unsigned usbTimeoutMs = 1000;     // every bulk transfer
    double adcDefaultTimeoutMs = 1000.0;

    // --- measuring controller: driver operations (ms) ---
    double managerPauseMs = 100;      // after an inverter-manager write and after its final status
    double pollPauseMs = 1000;        // between status polls (manager, motor parameters, training)
    double currentInvertorPauseMs = 1000;
    double motorParametersPauseMs = 1000;  // before the first motor-parameter poll
    unsigned maxDevicePolls = 120;    // bound of every device-driven status poll (~2 min)

    // --- welding controller (ms) ---
    double welderExchangePauseMs = 10;  // after every register transaction
    double welderPollPeriodMs = 500;    // worker period
    double welderBusyWaitStepMs = 1;    // step while another request is in flight

    // --- time base ---
    double speedup = 1.0;
    std::function<void(double ms)> sleepHook;
    std::function<double()> nowHook;          // monotonic milliseconds
    std::function<LocalTime()> wallClockHook; // local date and time

    void sleepMs(double ms) const;
    double nowMs() const;        // monotonic, milliseconds from an arbitrary origin
    LocalTime localNow() const;  // local wall clock, one reading
};

// The process-wide time base of the drivers.
const DriverTiming& driverTiming();
void setDriverTiming(const DriverTiming& timing);

// A fast time base for tests: the default durations with the given speedup.
DriverTiming fastDriverTiming(double speedup = 1000.0);

// Installs a time base for the life of the object and restores the previous one.
class ScopedDriverTiming {
public:
    explicit ScopedDriverTiming(const DriverTiming& timing);
    ~ScopedDriverTiming();
    ScopedDriverTiming(const ScopedDriverTiming&) = delete;
    ScopedDriverTiming& operator=(const ScopedDriverTiming&) = delete;

private:
    DriverTiming previous_;
};

}  // namespace drivers
