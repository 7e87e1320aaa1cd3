#include "support/acquisition_block.h"

#include <cmath>
#include <random>

namespace simacq {

namespace {
constexpr double kPi = 3.14159265358979323846;

void putU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
}  // namespace

double gainFactor(const BlockSpec& spec, unsigned channel) {
    if (spec.filterForm) return spec.filterGain == 0 ? 10.0 : 1.0;
    static const double factors[4] = {1.0, 10.0, 100.0, 1000.0};
    return factors[spec.gainCodes[channel] & 3];
}

double samplesPerTurn(const BlockSpec& spec) {
    return spec.sampleRate * 60.0 / spec.speedRpm;
}

std::vector<std::uint32_t> expectedMarks(const BlockSpec& spec) {
    std::vector<std::uint32_t> marks;
    if (spec.triggerSource == 0) return marks;
    const double total = spec.packetCount * 5.0;
    const double turn = samplesPerTurn(spec);
    for (int j = 0;; ++j) {
        const double at = std::round(spec.firstMark + j * turn);
        if (at >= total) break;
        if (at >= 0) marks.push_back(static_cast<std::uint32_t>(at));
    }
    return marks;
}

std::vector<std::uint8_t> makeBlock(const BlockSpec& spec) {
    const std::size_t samples = spec.packetCount * 5u;
    std::vector<std::uint8_t> block(spec.packetCount * 64u, 0);
    std::vector<std::uint8_t> marked(samples, 0);
    for (std::uint32_t m : expectedMarks(spec)) marked[m] = 1;

    std::mt19937 rng(spec.seed);
    std::normal_distribution<double> noise(0.0, spec.noise > 0 ? spec.noise : 1.0);
    const double turn = samplesPerTurn(spec);

    for (std::size_t i = 0; i < samples; ++i) {
        const std::size_t p = i / 5, k = i % 5;
        std::uint8_t* packet = block.data() + p * 64;
        packet[2 + k] = marked[i];
        const double theta = 2.0 * kPi * (static_cast<double>(i) - spec.firstMark) / turn;
        for (unsigned c = 0; c < 5; ++c) {
            const ChannelSignal& ch = spec.channels[c];
            double v = ch.offset +
                       ch.amplitude * gainFactor(spec, c) * std::sin(theta - ch.phaseDeg * kPi / 180.0);
            if (spec.noise > 0) v += noise(rng);
            v = std::round(v);
            if (v > 32767) v = 32767;
            if (v < -32768) v = -32768;
            putU16(packet + 9 + 10 * k + 2 * c,
                   static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
        }
    }

    std::uint16_t sequence = 0;
    for (std::uint32_t p = 0; p < spec.packetCount; ++p) {
        std::uint8_t* packet = block.data() + p * 64;
        putU16(packet, static_cast<int>(p) == spec.wrongTypePacket ? 0x0042 : 0x0081);
        if (static_cast<int>(p) == spec.skipSequenceAt) ++sequence;
        if (static_cast<int>(p) == spec.repeatSequenceAt && sequence > 0) --sequence;
        putU16(packet + 7, sequence);
        ++sequence;
    }
    return block;
}

}  // namespace simacq
