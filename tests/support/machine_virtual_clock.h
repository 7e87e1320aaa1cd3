#pragma once
// Virtual time for machine-control tests.
//
// now() reads a shared atomic time; sleepFor() moves it forward by the
// requested amount and yields, so a wait of seconds costs nothing and every
// test sees the same sequence of time points.  Thread-safe: several threads
// may sleep at once (each sleep adds its own amount).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "machine/clock.h"

class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::int64_t startMs = 0) : ns_(startMs * 1000000) {}

    time_point now() const override { return time_point(std::chrono::nanoseconds(ns_.load(std::memory_order_acquire))); }
    void sleepFor(std::chrono::milliseconds ms) override {
        if (ms.count() > 0) ns_.fetch_add(static_cast<std::int64_t>(ms.count()) * 1000000, std::memory_order_acq_rel);
        sleeps_.fetch_add(1, std::memory_order_relaxed);
        std::this_thread::yield();
    }

    // Moves the time forward without counting a sleep.
    void advance(std::chrono::milliseconds ms) { ns_.fetch_add(static_cast<std::int64_t>(ms.count()) * 1000000); }
    void advanceMs(std::int64_t ms) { advance(std::chrono::milliseconds(ms)); }
    std::int64_t nowMs() const { return ns_.load() / 1000000; }
    std::int64_t sleepCount() const { return sleeps_.load(); }

private:
    std::atomic<std::int64_t> ns_;
    std::atomic<std::int64_t> sleeps_{0};
};
