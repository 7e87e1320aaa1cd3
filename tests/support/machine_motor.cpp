#include "support/machine_motor.h"

#include <cmath>

namespace {
std::int64_t nowNs(VirtualClock& c) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(c.now().time_since_epoch()).count();
}
}  // namespace

void MotorModel::settle() {
    speedAtT0_ = speed();
    t0Ns_ = nowNs(clock_);
}

void MotorModel::setFrequency(std::int16_t centiHz) {
    settle();
    frequency_ = centiHz;
}

double MotorModel::speed() {
    double goal = 0.0;
    if (frequency_ != 0) {
        goal = (std::abs(static_cast<int>(frequency_)) * rpmPerCentiHz + offsetRpm) * overSpeedFactor;
        if (goal < 0) goal = 0;
        if (frequency_ < 0) goal = -goal;
    }
    const double dtMs = (nowNs(clock_) - t0Ns_) / 1e6;
    if (tauMs <= 0) return goal;
    return goal + (speedAtT0_ - goal) * std::exp(-dtMs / tauMs);
}

std::vector<FakeApi::Sample> MotorModel::samples(int count) {
    std::vector<FakeApi::Sample> out(static_cast<std::size_t>(count));
    const double nsPerSample = 1e9 / sampleRate;
    for (auto& s : out) {
        const double rev = std::fabs(speed()) / 60.0 / sampleRate;
        const double before = phase_;
        phase_ += rev;
        if (std::floor(phase_) != std::floor(before)) markLeft_ = markWidth;
        s.mark = marks && markLeft_ > 0;
        if (markLeft_ > 0) --markLeft_;
        fractionalNs_ += nsPerSample;
        const auto whole = static_cast<std::int64_t>(fractionalNs_ / 1e6);
        if (whole > 0) {
            clock_.advanceMs(whole);
            fractionalNs_ -= whole * 1e6;
        }
    }
    return out;
}

void MotorModel::attach(FakeApi& api) {
    api.recordSamples = false;
    api.setSpeedHook = [this](std::int16_t f) {
        setFrequency(f);
        return true;
    };
    api.speedHook = [this] { return reportSpeed ? speed() : 0.0; };
    api.inverterErrorHook = [this] { return inverterFault; };
    api.rawHook = [this](std::vector<FakeApi::Sample>& batch) { batch = samples(samplesPerRead); };
}
