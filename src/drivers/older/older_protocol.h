#pragma once
// The wire protocol of the older measuring controller (USB 0x2E91:0x7687).
//
// 64-byte register packets on bulk endpoints 0x02 (out) and 0x82 (in),
// little-endian: command u16 at 0 (0x11 read, 0x10 write, 0x12 start
// training; a read reply carries 0x82), register u32 at 2, value u32 at 6, the
// rest zero.  Writes are not answered.
//
// Raw 64-byte data blocks on bulk endpoint 0x81: type u16 0x0081 at 0, sample
// count at 2 (at most 5), mark bits at 3 (bit i: sample i), signed speed at 4,
// packet word at 6 (bit 15: the inverter reports the set speed reached; bits
// 0-14 the packet number), and sample i of channel c (1..5) as a signed 16-bit
// value at 6 + 2c + 10i.  A conversion starts with bit 31 + block count
// written to register 27; register 28 reads bit 31 set when the blocks are
// ready.  Every transfer has a 1000 ms time-out.

#include <cstdint>

#include "drivers/common/little_endian.h"
#include "drivers/common/usb01.h"

namespace older {

constexpr std::uint16_t kVendorId = drivers::kTamskVendorId;
constexpr std::uint16_t kProductId = drivers::kOlderMeasuringControllerProductId;
constexpr int kConfiguration = 1;
constexpr int kInterface = 0;
constexpr int kTimeoutMs = 1000;
constexpr int kPacketSize = 64;
constexpr int kBlockSize = 64;

constexpr int kEpOut = 0x02;
constexpr int kEpReply = 0x82;
constexpr int kEpData = 0x81;

enum Command : std::uint16_t {
    kCmdWrite = 0x10,
    kCmdRead = 0x11,
    kCmdTrain = 0x12,
    kCmdReadReply = 0x82,
};

enum Reg : std::uint32_t {
    kRegControl = 0,
    kRegStatus = 1,
    kRegFrequency = 2,  // tenths of a hertz, signed
    kRegSpeedPeriod = 3,
    kRegAngle = 4,
    kRegAccTime = 5,
    kRegDecTime = 6,
    kRegRampType = 7,
    kRegLastFault = 8,
    kRegGains = 9,
    kRegAccuracy1 = 10,
    kRegAccuracy2 = 11,
    kRegAccuracy3 = 12,
    kRegAngleFloat = 16,
    kRegSpeedFloat = 17,
    kRegBrake = 18,
    kRegFirmware = 19,
    kRegWeldState = 20,
    kRegWeldProgress = 21,
    kRegInputs = 22,
    kRegInverterType = 24,
    kRegSampleRate = 26,
    kRegStartConversion = 27,
    kRegDataReady = 28,
};

// Control flags (register 0).
constexpr std::uint32_t kFlagBelt = 0x400;
constexpr std::uint32_t kFlagUpdate = 0x800;
constexpr std::uint32_t kFlagSpeedAcquisition = 0x4000;
constexpr std::uint32_t kFlagRelay0 = 0x10000;
constexpr std::uint32_t kFlagRelay1 = 0x20000;

// Status word (register 1).
constexpr std::uint32_t kStatusSafetyMask = 0x3;  // 3 free, 2 emergency stop, else shaft
constexpr std::uint32_t kStatusFree = 0x3;
constexpr std::uint32_t kStatusEmergencyStop = 0x2;
constexpr std::uint32_t kStatusNotStopped = 0x1;      // clear: emergency stop pressed
constexpr std::uint32_t kStatusInverterFault = 0x80;  // fault code in bits 8-14
constexpr std::uint32_t kStatusSpeedReached = 0x800;
constexpr std::uint32_t kStatusWelderActive = 0x1C000000;
constexpr int statusInverterType(std::uint32_t status) {
    return static_cast<int>((status >> 8) & 7u);
}
constexpr int statusFaultCode(std::uint32_t status) {
    return static_cast<int>((status >> 8) & 0x7Fu);
}

// Inputs (register 22): bit 1 clear while the milling unit runs.
constexpr std::uint32_t kInputMillingIdle = 0x2;
// Welding state (register 20): the low six bits read 6 while a weld runs.
constexpr std::uint32_t kWeldStateMask = 0x3F;
constexpr std::uint32_t kWeldStateWelding = 6;

// Register 27 starts a conversion of `blocks` blocks; register 28 reads this
// bit set when they are ready.
constexpr std::uint32_t kConversionBit = 0x80000000u;
constexpr std::uint32_t startConversionWord(std::uint32_t blocks) {
    return kConversionBit | blocks;
}

// The inverter type register: type in bits 8-14, bus address in bits 0-7.
constexpr std::uint32_t inverterTypeWord(int type, int busAddress) {
    return (static_cast<std::uint32_t>(type & 127) << 8) + static_cast<std::uint32_t>(busAddress & 255);
}

// Firmware numbers (major x 100 + minor) from which the controller offers
// the angle as a float in turns (register 16), the speed as a float (register
// 17, this version only) and the speed in every data block.
constexpr int kFirmwareAngleFloat = 304;
constexpr int kFirmwareSpeedFloat = 305;
constexpr int kFirmwareBlockSpeed = 306;

// The firmware word (register 19).
struct Firmware {
    int major = 0;
    int minor = 0;
    bool debugBuild = false;
    int year = 0;
    int month = 0;
    int day = 0;
    int number() const { return major * 100 + minor; }
};
constexpr Firmware decodeFirmware(std::uint32_t word) {
    Firmware f;
    f.minor = static_cast<int>(word & 0xFF);
    f.major = static_cast<int>((word >> 8) & 0x7F);
    f.debugBuild = ((word >> 15) & 1u) != 0;
    f.day = static_cast<int>((word >> 16) & 0x1F);
    f.month = static_cast<int>((word >> 21) & 0x0F);
    f.year = static_cast<int>((word >> 25) & 0x7F) + 2000;
    return f;
}
constexpr std::uint32_t encodeFirmware(const Firmware& f) {
    return (static_cast<std::uint32_t>(f.year - 2000) << 25) | (static_cast<std::uint32_t>(f.month) << 21) |
           (static_cast<std::uint32_t>(f.day) << 16) | (f.debugBuild ? 0x8000u : 0u) |
           (static_cast<std::uint32_t>(f.major) << 8) | static_cast<std::uint32_t>(f.minor);
}

// One register packet.
struct RegisterPacket {
    std::uint16_t command = 0;
    std::uint32_t reg = 0;
    std::uint32_t value = 0;

    void encode(std::uint8_t out[kPacketSize]) const;
    static RegisterPacket decode(const std::uint8_t in[kPacketSize]);
};

// A view of one data block.
class DataBlock {
public:
    static constexpr std::uint16_t kType = 0x0081;
    static constexpr int kMaxSamples = 5;
    static constexpr int kChannels = 5;
    static constexpr int kPacketNumberLimit = 0x8000;

    explicit DataBlock(const std::uint8_t* bytes) : p_(bytes) {}

    bool isData() const { return drivers::getU16(p_) == kType; }
    int claimedSamples() const { return p_[2]; }  // as sent, may exceed five
    int samples() const { return claimedSamples() < kMaxSamples ? claimedSamples() : kMaxSamples; }
    std::uint8_t markBits() const { return p_[3]; }
    bool marked(int sample) const { return ((p_[3] >> sample) & 1u) != 0; }
    bool hasMarks() const { return (p_[3] & 0x7Fu) != 0; }  // mark bits 0-6
    std::int16_t speed() const { return drivers::getI16(p_ + 4); }
    bool speedReached() const { return (drivers::getU16(p_ + 6) & 0x8000u) != 0; }
    int packetNumber() const { return drivers::getU16(p_ + 6) & 0x7FFF; }
    // Sample `sample` (0..4) of channel `channel` (1..5).
    std::int16_t value(int channel, int sample) const {
        return drivers::getI16(p_ + valueOffset(channel, sample));
    }

    static constexpr int valueOffset(int channel, int sample) { return 6 + 2 * channel + 10 * sample; }

private:
    const std::uint8_t* p_;
};

static_assert(DataBlock::valueOffset(DataBlock::kChannels, DataBlock::kMaxSamples - 1) + 2 <= kBlockSize,
              "the samples fit the block");

}  // namespace older
