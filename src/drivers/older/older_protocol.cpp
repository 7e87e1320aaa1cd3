#include "drivers/older/older_protocol.h"

#include <cstring>

namespace older {

void RegisterPacket::encode(std::uint8_t out[kPacketSize]) const {
    std::memset(out, 0, kPacketSize);
    drivers::putU16(out, command);
    drivers::putU32(out + 2, reg);
    drivers::putU32(out + 6, value);
}

RegisterPacket RegisterPacket::decode(const std::uint8_t in[kPacketSize]) {
    return {drivers::getU16(in), drivers::getU32(in + 2), drivers::getU32(in + 6)};
}

}  // namespace older
