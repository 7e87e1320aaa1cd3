#pragma once
// One result of one measuring channel, as the result ring and the averaged
// final values hold it.  The layout is fixed (32 bytes: three doubles and a
// word, padded): the operator interface reads ring rows entry by entry.

#include <cstdint>

struct ChannelResult {
    double amplitude = 0.0;  // vibration amplitude in the device's units
    double angleRad = 0.0;   // phase angle, radians
    double angleDeg = 0.0;   // the same phase in degrees
    std::uint32_t scale = 0; // scale factor the result was measured with
};

static_assert(sizeof(ChannelResult) == 32, "a ring entry is 32 bytes");
