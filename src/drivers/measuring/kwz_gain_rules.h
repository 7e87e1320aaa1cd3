#pragma once
// Gain and filter rules of the measuring controller (register 132), and the
// names of its codes as the driver's log lines write them.  Pure functions:
// no device, no log.

#include <cstdint>

namespace TamskKWZv2 {

// Channel form: five 2-bit gain codes.
enum ADCChannelGainCode : std::uint8_t { gain1x = 0, gain10x = 1, gain100x = 2, gain1000x = 3 };
// Filter form: filter gain in bit 8.
enum ADCFilterGainCode : std::uint8_t { filterGain10x = 0, filterGain1x = 1 };
// Filter form: speed-band filter in bits 0-7.
enum ADCFilterCode : std::uint8_t {
    filter8Full = 0,
    filter2 = 1,  // 360-690
    filter4 = 2,  // 1200-1980
    filter6 = 3,  // 3600-5400
    filter5 = 4,  // 1980-3600
    filter3 = 5,  // 690-1200
    filter1 = 6,  // 60-360
    filter7 = 7,  // 5400-12000
};

// "1x", "10x", "100x", "1000x"; "?" for any other code.
const char* channelGainName(unsigned code);
// "10x", "1x"; "?" otherwise.
const char* filterGainName(unsigned code);
// "Filter8 (FULL)", "Filter2 (360-690)", ...; "?" for codes above 7.
const char* filterName(unsigned code);

// Automatic gain, channel form, for one channel whose largest sample is
// `amplitude` (at least 0): above 30000 the code is lowered by one (not below
// 0) and the result is invalid; below 1000 a code below 2 is raised by one and
// invalid, codes 2 and 3 stay and are valid; otherwise valid and unchanged.
bool calcAGC(std::uint8_t& code, double amplitude);

// Automatic gain, filter form, on the largest amplitude of the five channels.
struct FilterAGCResult {
    bool valid;  // the block's results can be used
    bool write;  // the (possibly unchanged) gain code is to be written again
};
// Code 0 ("10x") above 32000: becomes 1, invalid; code 1 ("1x") at or below
// 3000: becomes 0, invalid; code 1 above 32000: stays 1, written again,
// invalid; otherwise valid, no write.
FilterAGCResult calcFilterAGC(std::uint8_t& filterGainCode, double amplitude);

// The speed-band filter for a balancing speed in rpm (lower bound exclusive,
// upper inclusive): (60,360] 6, (360,690] 1, (690,1200] 5, (1200,1980] 2,
// (1980,3600] 4, (3600,5400] 3, (5400,12000] 7, anything else 0.
std::uint8_t filterCodeForSpeed(double rpm);

}  // namespace TamskKWZv2
