#pragma once
// A motor on a frequency inverter, for drive-control tests in virtual time.
//
// The speed follows the commanded frequency with a first-order lag:
//     goal = |frequency| x rpmPerCentiHz + offsetRpm   (0 at frequency 0)
//     speed(t) = goal + (speed(t0) - goal) x exp(-(t - t0) / tauMs)
// The sign of the frequency gives the direction of the signed speed.  Raw
// samples (for the older controller's path) carry the phase mark on the
// first `markWidth` samples of every revolution; producing them moves the
// virtual clock on by the time they take at the sample rate.  Faults: an
// inverter fault flag, an over-speed factor on the goal, and no marks.

#include <cstdint>
#include <vector>

#include "support/machine_fake_api.h"
#include "support/machine_virtual_clock.h"

class MotorModel {
public:
    explicit MotorModel(VirtualClock& clock) : clock_(clock) {}

    double rpmPerCentiHz = 1.0;
    double offsetRpm = 0.0;
    double tauMs = 300.0;
    double overSpeedFactor = 1.0;
    bool marks = true;
    int markWidth = 3;
    bool inverterFault = false;
    int sampleRate = 18175;
    int samplesPerRead = 2000;
    bool reportSpeed = true;  // the device answers getSpeed with the model's speed

    void setFrequency(std::int16_t centiHz);
    double speed();  // signed rpm at the present virtual time
    std::int16_t frequency() const { return frequency_; }
    // Produces `count` raw samples and moves the clock on by their duration.
    std::vector<FakeApi::Sample> samples(int count);

    // Drives a FakeApi: frequency, speed, inverter fault and raw batches.
    void attach(FakeApi& api);

private:
    void settle();

    VirtualClock& clock_;
    std::int16_t frequency_ = 0;
    double speedAtT0_ = 0.0;
    std::int64_t t0Ns_ = 0;
    double phase_ = 0.0;          // revolutions
    double fractionalNs_ = 0.0;
    int markLeft_ = 0;
};
