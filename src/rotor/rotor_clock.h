#pragma once
// The rotor's clock: the time stamps of runs, the start of a balancing job and
// the names of history files come from here, so tests can fix the time.

#include <cstdint>
#include <ctime>

namespace rotorclock {

// Seconds since 1970-01-01 (UTC), as time() gives them.
using NowFn = std::int64_t (*)();

// Replaces the time source; null restores the system clock.  Main thread only.
void setClock(NowFn fn);

std::int64_t now();

// The local calendar time of t; false when it cannot be converted.
bool localTime(std::int64_t t, std::tm* out);

}  // namespace rotorclock
