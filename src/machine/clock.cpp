#include "machine/clock.h"

#include <thread>

Clock::time_point SteadyClock::now() const { return std::chrono::steady_clock::now(); }

void SteadyClock::sleepFor(std::chrono::milliseconds ms) {
    if (ms.count() > 0) std::this_thread::sleep_for(ms);
}

SteadyClock& SteadyClock::instance() {
    static SteadyClock clock;
    return clock;
}
