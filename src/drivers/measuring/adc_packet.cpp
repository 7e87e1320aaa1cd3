#include "drivers/measuring/adc_packet.h"

#include <cstring>

#include "drivers/common/little_endian.h"

namespace TamskKWZv2 {

void ADCDataPacket::encode(std::uint8_t out[size]) const {
    std::memset(out, 0, size);
    drivers::putU16(out + typeOffset, type);
    for (unsigned k = 0; k < samplesPerPacket; ++k) out[markerOffset + k] = marker[k];
    drivers::putU16(out + sequenceOffset, sequence);
    for (unsigned k = 0; k < samplesPerPacket; ++k)
        for (unsigned c = 0; c < channels; ++c)
            drivers::putU16(out + sampleAt(k, c), static_cast<std::uint16_t>(sample[k][c]));
}

ADCDataPacket ADCDataPacket::decode(const std::uint8_t in[size]) {
    ADCDataPacket p;
    p.type = drivers::getU16(in + typeOffset);
    for (unsigned k = 0; k < samplesPerPacket; ++k) p.marker[k] = in[markerOffset + k];
    p.sequence = drivers::getU16(in + sequenceOffset);
    for (unsigned k = 0; k < samplesPerPacket; ++k)
        for (unsigned c = 0; c < channels; ++c) p.sample[k][c] = drivers::getI16(in + sampleAt(k, c));
    return p;
}

}  // namespace TamskKWZv2
