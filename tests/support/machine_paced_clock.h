#pragma once
// Machine time that follows a test's manual clock.
//
// Paced, the worker's sleeps wait (in real time) until the test has moved the
// shared VirtualClock past their end, so a machine run takes as many interface
// frames as it would on the panel and the interface sees every state of it.
// Unpaced (connecting, quitting), a sleep moves the clock itself, as the
// VirtualClock does.

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
        std::this_thread::yield();
        while (paced_.load(std::memory_order_acquire) && time_.now() < end)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    void pace(bool on) { paced_.store(on, std::memory_order_release); }

private:
    VirtualClock& time_;
    std::atomic<bool> paced_{false};
};
