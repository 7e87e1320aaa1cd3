#include "drivers/measuring/kwz_gain_rules.h"

namespace TamskKWZv2 {

const char* channelGainName(unsigned code) {
    static const char* const names[] = {"1x", "10x", "100x", "1000x"};
    return code < 4 ? names[code] : "?";
}

const char* filterGainName(unsigned code) {
    static const char* const names[] = {"10x", "1x"};
    return code < 2 ? names[code] : "?";
}

const char* filterName(unsigned code) {
    static const char* const names[] = {"Filter8 (FULL)",      "Filter2 (360-690)",   "Filter4 (1200-1980)",
                                        "Filter6 (3600-5400)", "Filter5 (1980-3600)", "Filter3 (690-1200)",
                                        "Filter1 (60-360)",    "Filter7 (5400-12000)"};
    return code < 8 ? names[code] : "?";
}

bool calcAGC(std::uint8_t& code, double amplitude) {
    if (!(amplitude > 0)) amplitude = 0;
    if (amplitude > 30000) {
        if (code > 0) --code;
        return false;
    }
    if (amplitude < 1000) {
        if (code >= 2) return true;  // 2 stays; 3 is never raised beyond the 2-bit field
        ++code;
        return false;
    }
    return true;
}

FilterAGCResult calcFilterAGC(std::uint8_t& filterGainCode, double amplitude) {
    if (!(amplitude > 0)) amplitude = 0;
    if (filterGainCode == filterGain10x && amplitude > 32000) {
        filterGainCode = filterGain1x;
        return {false, true};
    }
    if (filterGainCode == filterGain1x && amplitude <= 3000) {
        filterGainCode = filterGain10x;
        return {false, true};
    }
    if (filterGainCode == filterGain1x && amplitude > 32000) return {false, true};
    return {true, false};
}

std::uint8_t filterCodeForSpeed(double rpm) {
    struct Band {
        double upper;
        std::uint8_t code;
    };
    static const Band bands[] = {{360, filter1}, {690, filter2},  {1200, filter3}, {1980, filter4},
                                 {3600, filter5}, {5400, filter6}, {12000, filter7}};
    if (!(rpm > 60)) return filter8Full;
    for (const Band& b : bands)
        if (rpm <= b.upper) return b.code;
    return filter8Full;
}

}  // namespace TamskKWZv2
