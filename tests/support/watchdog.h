#pragma once
// Runs a call that must end (a file load, a calculation over hostile values)
// and ends the whole test program with a message when it is still running
// after a generous time: a hang then fails at once and says where, instead
// of waiting for the test runner's time-out.  Not a timing: the limit is far
// above what the call needs on the slowest build.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <utility>

namespace testsupport {

constexpr std::chrono::seconds kHangLimit{20};

template <class F>
decltype(auto) mustEnd(const char* what, F&& call) {
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    std::thread dog([&] {
        std::unique_lock<std::mutex> guard(lock);
        if (!ended.wait_for(guard, kHangLimit, [&] { return done; })) {
            std::fprintf(stderr, "still running after %lld s: %s\n", static_cast<long long>(kHangLimit.count()), what);
            std::fflush(stderr);
            std::_Exit(3);
        }
    });
    struct Release {
        std::mutex& lock;
        std::condition_variable& ended;
        bool& done;
        std::thread& dog;
        ~Release() {
            {
                std::lock_guard<std::mutex> guard(lock);
                done = true;
            }
            ended.notify_one();
            dog.join();
        }
    } release{lock, ended, done, dog};
    return std::forward<F>(call)();
}

}  // namespace testsupport
