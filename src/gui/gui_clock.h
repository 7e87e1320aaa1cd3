#pragma once
// The interface's two clocks.
//
// Monotonic time (a `Clock`, machine/clock.h) measures every interval the
// interface keeps: slides, the caret's blink, switch delays, time-outs.  A
// clock set back by the operator cannot stall them.  Wall time (seconds since
// 1970, the rotor's clock `rotorclock::now`, so it agrees with the stamps of
// the runs) is only for what the operator reads: the home screen's clock,
// dates.  The program uses the steady clock and the system time; tests hand in
// a VirtualClock and set rotorclock's source, and so move both.

#include <cstdint>

#include "machine/clock.h"
#include "rotor/rotor_clock.h"

class GuiClock {
public:
    GuiClock() : monotonic_(&SteadyClock::instance()) {}
    explicit GuiClock(Clock& monotonic) : monotonic_(&monotonic) {}

    Clock::time_point monotonicNow() const { return monotonic_->now(); }
    std::int64_t wallNow() const { return rotorclock::now(); }
    Clock& monotonic() const { return *monotonic_; }

private:
    Clock* monotonic_;
};
