#pragma once
// The layout of one 64-byte ADC data packet of the measuring controller, the
// unit of its sample blocks (IN endpoint 0x81): type word 0x0081 at 0, one
// marker byte per sample at 2..6, the packet's sequence number at 7, then
// five samples of five channels, sample k of channel c (1..5) as a signed
// 16-bit value at 9 + 10k + 2(c-1).  Little-endian throughout.

#include <cstddef>
#include <cstdint>

namespace TamskKWZv2 {

struct ADCDataPacket {
    static constexpr std::size_t size = 64;
    static constexpr std::uint16_t DATA_PACKET = 0x0081;
    static constexpr unsigned samplesPerPacket = 5;
    static constexpr unsigned channels = 5;

    // Byte offsets.
    static constexpr std::size_t typeOffset = 0;
    static constexpr std::size_t markerOffset = 2;  // one byte per sample
    static constexpr std::size_t sequenceOffset = 7;
    static constexpr std::size_t sampleOffset = 9;
    static constexpr std::size_t sampleStride = 2 * channels;
    // Where sample k of channel index c (0..4) stands.
    static constexpr std::size_t sampleAt(unsigned k, unsigned c) {
        return sampleOffset + sampleStride * k + 2 * c;
    }

    std::uint16_t type = DATA_PACKET;
    std::uint8_t marker[samplesPerPacket] = {};            // per sample: non-zero = phase marker passed
    std::uint16_t sequence = 0;                            // 0 for the first packet of a block
    std::int16_t sample[samplesPerPacket][channels] = {};  // [sample k][channel c-1]

    void encode(std::uint8_t out[size]) const;
    static ADCDataPacket decode(const std::uint8_t in[size]);
};

static_assert(ADCDataPacket::sampleAt(ADCDataPacket::samplesPerPacket - 1, ADCDataPacket::channels - 1) + 2 <=
                  ADCDataPacket::size,
              "the samples fit the packet");
static_assert(ADCDataPacket::markerOffset + ADCDataPacket::samplesPerPacket == ADCDataPacket::sequenceOffset,
              "the marker bytes end where the sequence number begins");

}  // namespace TamskKWZv2
