#pragma once
// Machine time that follows a test's manual clock.
//
// Paced, the worker's sleeps wait (in real time) until the test has moved the
// shared VirtualClock past their end, so a machine run takes as many interface
// frames as it would on the panel and the interface sees every state of it.
// `settle` lets the worker catch up with the clock before the test moves on:
// it returns once the worker waits for a time still ahead.  One thread (the
// machine's worker) sleeps on it.  Unpaced (connecting, quitting), a sleep
// moves the clock itself, as the VirtualClock does.

#include <atomic>
#include <chrono>
#include <thread>

#include "support/machine_virtual_clock.h"

class PacedClock final : public Clock {
public:
    explicit PacedClock(VirtualClock& time) : time_(time) {}

    time_point now() const override { return time_.now(); }
    void sleepFor(std::chrono::milliseconds ms) override {
        if (!paced_.load(std::memory_order_acquire)) {
            time_.sleepFor(ms);
            return;
        }
        const time_point end = time_.now() + ms;
        waitingUntil_.store(end.time_since_epoch().count(), std::memory_order_release);
        while (paced_.load(std::memory_order_acquire) && time_.now() < end)
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        waitingUntil_.store(kAwake, std::memory_order_release);
    }
    void pace(bool on) { paced_.store(on, std::memory_order_release); }

    // Waits in real time, at most `limit`, until the sleeping worker waits
    // for a time after now; false when it did not.
    bool settle(std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        do {
            const auto until = waitingUntil_.load(std::memory_order_acquire);
            if (until != kAwake && until > time_.now().time_since_epoch().count()) return true;
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    }

private:
    static constexpr Clock::duration::rep kAwake = -1;

    VirtualClock& time_;
    std::atomic<bool> paced_{false};
    std::atomic<Clock::duration::rep> waitingUntil_{kAwake};
};
