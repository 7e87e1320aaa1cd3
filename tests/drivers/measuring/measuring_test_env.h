#pragma once
// Shared helpers of the measuring-driver tests: message collection, a guard
// that fails a hanging test instead of letting it block, and the fast time base.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "drivers/common/driver_timing.h"
#include "drivers/measuring/kwz_usb_hard.h"

namespace mtest {

// Collects the (source, text) messages of the driver's sinks, from any thread.
class Messages {
public:
    TamskKWZv2::MessageSink errorSink() {
        return [this](const char* source, const char* text) { add(errors_, source, text); };
    }
    TamskKWZv2::MessageSink infoSink() {
        return [this](const char* source, const char* text) { add(infos_, source, text); };
    }
    std::vector<std::string> errors() const { std::lock_guard<std::mutex> l(m_); return errors_; }
    std::vector<std::string> infos() const { std::lock_guard<std::mutex> l(m_); return infos_; }
    bool hasError(const std::string& t) const { return count(errors_, t) > 0; }
    bool hasInfo(const std::string& t) const { return count(infos_, t) > 0; }
    int errorCount(const std::string& t) const { return count(errors_, t); }
    int infoCount(const std::string& t) const { return count(infos_, t); }
    void clear() {
        std::lock_guard<std::mutex> l(m_);
        errors_.clear();
        infos_.clear();
    }
    // Waits (real time, bounded) until an information line appears `n` times.
    bool waitInfo(const std::string& t, int n = 1) const {
        for (int i = 0; i < 20000; ++i) {
            if (count(infos_, t) >= n) return true;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    }
    std::string dump() const {
        std::lock_guard<std::mutex> l(m_);
        std::string s;
        for (auto& e : errors_) s += "E " + e + "\n";
        for (auto& e : infos_) s += "I " + e + "\n";
        return s;
    }

private:
    void add(std::vector<std::string>& v, const char* source, const char* text) {
        std::lock_guard<std::mutex> l(m_);
        v.push_back(std::string(source ? source : "") + ": " + (text ? text : ""));
        (void)source;
    }
    int count(const std::vector<std::string>& v, const std::string& t) const {
        std::lock_guard<std::mutex> l(m_);
        int n = 0;
        for (auto& e : v) {
            const auto colon = e.find(": ");
            if (e.compare(colon == std::string::npos ? 0 : colon + 2, std::string::npos, t) == 0) ++n;
        }
        return n;
    }
    mutable std::mutex m_;
    std::vector<std::string> errors_, infos_;
};

// Ends the test program with a failure when a test hangs longer than `seconds`.
class HangGuard {
public:
    explicit HangGuard(int seconds) : thread_([this, seconds] {
        std::unique_lock<std::mutex> l(m_);
        if (!cv_.wait_for(l, std::chrono::seconds(seconds), [this] { return done_; })) {
            std::fprintf(stderr, "HangGuard: the test hung\n");
            std::fflush(stderr);
            std::abort();
        }
    }) {}
    ~HangGuard() {
        {
            std::lock_guard<std::mutex> l(m_);
            done_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool done_ = false;
    std::thread thread_;
};

// The drivers' durations with time running 1000 times faster.
inline drivers::DriverTiming fastTiming() { return drivers::fastDriverTiming(1000.0); }

}  // namespace mtest
