#pragma once
// The time source of machine control.
//
// Every wait, time-out and "now" of the device APIs, the drive control, the
// measuring sessions and the machine worker goes through a Clock handed to the
// object at construction.  The program uses SteadyClock (the monotonic system
// clock and real sleeps); tests hand in a virtual clock whose sleeps only move
// its time forward, so waits of seconds run in no time and stay reproducible.

#include <chrono>
#include <cstdint>

class Clock {
public:
    using duration = std::chrono::steady_clock::duration;
    using time_point = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual time_point now() const = 0;
    virtual void sleepFor(std::chrono::milliseconds ms) = 0;

    void sleepMs(std::int64_t ms) { sleepFor(std::chrono::milliseconds(ms)); }
    // Whole milliseconds from `since` to now (negative when `since` lies ahead).
    std::int64_t msSince(time_point since) const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(now() - since).count();
    }
    // Nanoseconds from `since` to now.
    std::int64_t nsSince(time_point since) const {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(now() - since).count();
    }
};

// The real clock: std::chrono::steady_clock and std::this_thread::sleep_for.
class SteadyClock final : public Clock {
public:
    time_point now() const override;
    void sleepFor(std::chrono::milliseconds ms) override;

    // One shared instance for the program.
    static SteadyClock& instance();
};
