#pragma once
// Acquisition modes of the measuring controller, chosen by machine control.

#include <cstdint>

namespace TamskKWZv2 {

// How the controller samples: free-running test mode, or balancing mode
// synchronised to the phase marker.
enum class ADC_Mode : std::uint32_t {
    test = 0,
    balancing = 1,
};

// The phasor source a conversion is synchronised to (register 133 bits 16-23).
enum ADC_TriggerSource : std::uint32_t {
    woMarker = 0,
    marker1Optical = 1,
    marker1Encoder = 2,
    marker2Optical = 3,
    marker2Encoder = 4,
};
constexpr std::uint32_t kLastTriggerSource = marker2Encoder;

}  // namespace TamskKWZv2
