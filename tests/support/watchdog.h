#pragma once
// Runs a call that must end (a file load, a calculation over hostile values)
// and ends the test program with a message when it is still running after a
// generous limit: a hang fails at once and says where.  Not a timing.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <utility>

namespace testsupport {

template <class F>
auto mustEnd(const char* what, F&& call) {
    auto done = std::async(std::launch::async, std::forward<F>(call));
    if (done.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        std::fprintf(stderr, "still running after 20 s: %s\n", what);
        std::_Exit(3);
    }
    return done.get();
}

}  // namespace testsupport
