#pragma once
// State of the measurement intake: the first-harmonic fit of one measuring
// channel and the entries of the speed-stepped result lists.

#include <cstdint>
#include <limits>

// Least-squares fit y = a sin(phi) + b cos(phi) + c0 over the samples of the
// revolutions summed so far.
struct ChannelAccumulator {
    std::int32_t scale = 1;    // factor applied to every raw sample
    std::int32_t channel = 0;  // settings channel (from 0) whose phase shift applies
    double sumSS = 0, sumCC = 0, sumSC = 0;
    double sumSY = 0, sumCY = 0, sumY = 0;
    double sumS = 0, sumC = 0;
    double count = 0;
    double a = 0, b = 0;  // last solution: coefficients of sin and cos
    double lastAmplitude = std::numeric_limits<double>::max();

    void resetSums() {
        sumSS = sumCC = sumSC = sumSY = sumCY = sumY = sumS = sumC = count = 0;
        lastAmplitude = std::numeric_limits<double>::max();
    }
};

// One step of a speed series: only the first two channels are kept.
struct SpeedResult {
    std::int32_t speed = 0;     // the speed step the result belongs to
    double amplitude0 = 0.0;
    double amplitude1 = 0.0;
    double angle0 = 0.0;        // radians
    double angle1 = 0.0;        // radians
};
