#include "rotor/rotor_clock.h"

#include <atomic>

namespace rotorclock {
namespace {

std::int64_t systemNow() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::atomic<NowFn> g_now{&systemNow};

}  // namespace

void setClock(NowFn fn) { g_now.store(fn ? fn : &systemNow, std::memory_order_relaxed); }

std::int64_t now() { return g_now.load(std::memory_order_relaxed)(); }

bool localTime(std::int64_t t, std::tm* out) {
    if (!out) return false;
    const std::time_t tt = static_cast<std::time_t>(t);
    return localtime_r(&tt, out) != nullptr;
}

}  // namespace rotorclock
