#pragma once
// State of the measurement intake: the first-harmonic fit of one measuring
// channel and the entries of the speed-stepped result lists.

#include <cstdint>

#include "signal/first_harmonic.h"

// Least-squares fit y = a sin(phi) + b cos(phi) + c0 over the samples of the
// revolutions summed so far.
struct ChannelAccumulator {
    std::int32_t scale = 1;    // factor applied to every raw sample
    std::int32_t channel = 0;  // settings channel (from 0) whose phase shift applies
    harmonic::FirstHarmonicFit fit;
};

// One step of a speed series: only the first two channels are kept.
struct SpeedResult {
    std::int32_t speed = 0;     // the speed step the result belongs to
    double amplitude0 = 0.0;
    double amplitude1 = 0.0;
    double angle0 = 0.0;        // radians
    double angle1 = 0.0;        // radians
};
