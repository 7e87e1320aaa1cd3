#pragma once
// A Machine on a recording device and a recording welding remote, with its
// worker paced pass by pass.
//
// `GatedClock` is a virtual clock whose sleeps can be held: once gated, every
// sleep of the worker (the 20 ms at the end of an idle pass, a tack time)
// parks until the test lets it go, so the test reads the recorded calls and
// sets new requests while the worker stands still, and `step()` runs exactly
// one stretch of the worker up to its next sleep.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "machine/machine.h"
#include "machine/welder_api.h"
#include "records/settings_records.h"
#include "support/machine_fake_api.h"
#include "support/machine_machine_handle.h"
#include "support/welding_env.h"

namespace weldrig {

class GatedClock final : public Clock {
public:
    time_point now() const override { return time_point(std::chrono::nanoseconds(ns_.load())); }

    void sleepFor(std::chrono::milliseconds ms) override {
        if (ms.count() > 0) ns_.fetch_add(static_cast<std::int64_t>(ms.count()) * 1000000);
        std::unique_lock<std::mutex> lock(m_);
        if (!gated_) {
            lock.unlock();
            std::this_thread::yield();
            return;
        }
        sleeps_.push_back(ms.count());
        ++waiting_;
        cv_.notify_all();
        cv_.wait(lock, [&] { return permits_ > 0 || !gated_; });
        if (permits_ > 0) --permits_;
        --waiting_;
        cv_.notify_all();
    }

    std::int64_t nowMs() const { return ns_.load() / 1000000; }
    void advanceMs(std::int64_t ms) { ns_.fetch_add(ms * 1000000); }

    // From now on sleeps park; returns when the worker is parked.
    bool gate() {
        std::unique_lock<std::mutex> lock(m_);
        gated_ = true;
        return cv_.wait_for(lock, std::chrono::seconds(20), [&] { return waiting_ > 0; });
    }
    // Lets the parked sleep return and waits until the worker parks again.
    bool step() {
        std::unique_lock<std::mutex> lock(m_);
        ++permits_;
        cv_.notify_all();
        return cv_.wait_for(lock, std::chrono::seconds(20), [&] { return permits_ == 0 && waiting_ > 0; });
    }
    bool steps(int n) {
        for (int i = 0; i < n; ++i)
            if (!step()) return false;
        return true;
    }
    void release() {
        std::lock_guard<std::mutex> lock(m_);
        gated_ = false;
        cv_.notify_all();
    }
    // Durations (ms) of the sleeps seen while gated; read while parked.
    std::vector<std::int64_t> sleeps() {
        std::lock_guard<std::mutex> lock(m_);
        return sleeps_;
    }
    void clearSleeps() {
        std::lock_guard<std::mutex> lock(m_);
        sleeps_.clear();
    }

private:
    std::atomic<std::int64_t> ns_{0};
    std::mutex m_;
    std::condition_variable cv_;
    bool gated_ = false;
    int waiting_ = 0;
    int permits_ = 0;
    std::vector<std::int64_t> sleeps_;
};

// What the recording remotes saw (outlives the remotes the Machine deletes).
struct RemoteJournal {
    struct Call {
        std::string op;
        double value = 0;
        WeldingParameters block;
    };
    std::vector<Call> calls;  // written by the worker; read while it is parked
    std::atomic<int> made{0};
    std::atomic<int> deleted{0};
    std::atomic<bool> connected{true};
    std::atomic<std::uint32_t> state{0x7};
    std::atomic<bool> acceptBlock{true};
    // The callbacks of the newest remote (set by the worker, used by the test).
    std::mutex lock;
    std::function<void(int*)> onError;
    std::function<void()> onFinished;
    std::function<void(unsigned int*)> onProgress;

    std::vector<std::string> ops() const {
        std::vector<std::string> out;
        for (const auto& c : calls) out.push_back(c.op);
        return out;
    }
    std::vector<Call> of(const std::string& op) const {
        std::vector<Call> out;
        for (const auto& c : calls)
            if (c.op == op) out.push_back(c);
        return out;
    }
    void finished() {
        std::function<void()> f;
        {
            std::lock_guard<std::mutex> g(lock);
            f = onFinished;
        }
        ASSERT_TRUE(static_cast<bool>(f));
        f();
    }
    void progress(unsigned value) {
        std::function<void(unsigned int*)> f;
        {
            std::lock_guard<std::mutex> g(lock);
            f = onProgress;
        }
        ASSERT_TRUE(static_cast<bool>(f));
        f(&value);
    }
};

class RecordingWelder : public WelderApi {
public:
    explicit RecordingWelder(RemoteJournal& j) : j_(j) { j_.made.fetch_add(1); }
    ~RecordingWelder() override {
        {
            std::lock_guard<std::mutex> g(j_.lock);
            j_.onError = nullptr;
            j_.onFinished = nullptr;
            j_.onProgress = nullptr;
        }
        j_.deleted.fetch_add(1);
    }
    bool isConnected() override { return j_.connected.load(); }
    bool isError() override { return !j_.connected.load(); }
    void setCallbacks(std::function<void(int*)> error, std::function<void()> finished,
                      std::function<void(unsigned int*)> progress) override {
        add("setCallbacks");
        std::lock_guard<std::mutex> g(j_.lock);
        j_.onError = std::move(error);
        j_.onFinished = std::move(finished);
        j_.onProgress = std::move(progress);
    }
    bool getParameters(WeldingParameters* out) override {
        add("getParameters");
        if (out) *out = WeldingParameters{};
        return out != nullptr;
    }
    bool setParameters(WeldingParameters p) override {
        RemoteJournal::Call c;
        c.op = "setParameters";
        c.block = p;
        j_.calls.push_back(c);
        return j_.acceptBlock.load();
    }
    void setDiameter(float d) override { add("setDiameter", d); }
    void setPipeThickness(int p) override { add("setPipeThickness", p); }
    void setFastRotation(int v) override { add("setFastRotation", v); }
    void setJogRotation(int d) override { add("setJogRotation", d); }
    void setJogWelding(bool on) override { add("setJogWelding", on); }
    void setWeldRotation(bool on) override { add("setWeldRotation", on); }
    void setWeldWelding(bool on) override { add("setWeldWelding", on); }
    std::uint32_t getState() override { return j_.state.load(); }

private:
    void add(const char* op, double v = 0) {
        RemoteJournal::Call c;
        c.op = op;
        c.value = v;
        j_.calls.push_back(c);
    }
    RemoteJournal& j_;
};

inline std::unique_ptr<Config> weldingConfig() {
    auto c = std::make_unique<Config>();
    c->inverters.resize(2);
    c->channels.resize(5);
    c->extErrors.resize(8);
    c->endDrive.extErrors.resize(8);
    c->beltDrive.extErrors.resize(8);
    c->dataCollection = settings_choice::kVersion2;
    Drive& w = c->weldDrive;
    w.drive = 1;
    w.usedPhasor = settings_choice::kWithoutPhasor + 2;
    w.ratedMotorSpeed = 1450.0;
    w.driveRatio = 2.0;
    w.lineSpeed = 315;
    w.tackTime = 1.5;
    w.seamOverlap = 15;
    return c;
}

// A connected Machine whose worker is parked at the end of an idle pass.
class WeldingRig : public weldtest::WeldingEnv {
protected:
    void SetUp() override {
        WeldingEnv::SetUp();
        cfg = weldingConfig();
    }
    void TearDown() override {
        if (machine) {
            clock.release();
            for (int i = 0; i < 20000 && !machine->requestQuit(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            machine.reset();
        }
        WeldingEnv::TearDown();
    }

    MachineDeps deps() {
        MachineDeps d;
        d.clock = &clock;
        d.makeMeasuring = [this](Clock& c) -> Api* {
            made.fetch_add(1);
            return new ApiHandle(c, device, &deletedApis);
        };
        d.makeOlder = d.makeMeasuring;
        d.makeDemo = d.makeMeasuring;
        d.demoReplayPath = "no-such-replay.dmp";
        d.makeWelder = [this]() -> WelderApi* { return new RecordingWelder(remote); };
        d.exportLogs = [this](std::atomic<int>* result, std::atomic<int>* percent) {
            if (exportHook) exportHook(result, percent);
        };
        return d;
    }

    // Makes the machine, connects it and parks the worker.
    void start() {
        machine = std::make_unique<Machine>(1, cfg.get(), deps());
        ASSERT_TRUE(machine->startProcess(MachineProcess::kConnect));
        ASSERT_TRUE(weldtest::eventually([&] {
            return machine->workerRunning() && machine->process() == MachineProcess::kIdle &&
                   made.load() == 1;
        }));
        ASSERT_TRUE(clock.gate());
        ASSERT_TRUE(clock.steps(2));  // a whole idle pass behind us
        device.calls.clear();
        remote.calls.clear();
    }

    // The device calls of interest, as "op(a,b)" texts.
    std::vector<std::string> deviceCalls() const {
        std::vector<std::string> out;
        for (const auto& c : device.calls) {
            if (c.op != "setAccTime" && c.op != "setCurrentInverter" && c.op != "setSpeed" &&
                c.op != "setRelay")
                continue;
            std::string s = c.op + "(";
            for (std::size_t i = 0; i < c.args.size(); ++i) {
                if (i) s += ",";
                s += std::to_string(static_cast<long long>(c.args[i]));
            }
            out.push_back(s + ")");
        }
        return out;
    }
    void setAngle(double degrees) { device.setValue("getAngle.out", degrees); }
    std::string machineLog() const { return weldtest::readFile("logs/machine.log"); }

    GatedClock clock;
    std::unique_ptr<Config> cfg;
    FakeApi device{clock};
    RemoteJournal remote;
    std::atomic<int> made{0};
    std::atomic<int> deletedApis{0};
    std::function<void(std::atomic<int>*, std::atomic<int>*)> exportHook;
    std::unique_ptr<Machine> machine;
};

}  // namespace weldrig
