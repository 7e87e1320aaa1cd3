#pragma once
// USB link to the measuring controller: register frames and ADC blocks.
//
// KWZUSBHardT2 finds and opens the controller (vendor 0x2E91, product 0x7688)
// through the Usb01 seam, moves one 64-byte RegisterFrame per register
// access (OUT 0x02, replies on IN 0x82) and bulk-reads blocks of 64-byte
// ADCDataPackets (IN 0x81).  All transfers time out after
// driverTiming().usbTimeoutMs (1000 ms).
//
// Replies are paired with their requests (drivers/common/reply_pairing.h):
// a reply for another register or a damaged one is dropped and the next
// read, and what came late is drained after a time-out and when the link
// opens.  A write of the inverter frequency (the stop among them) or of the
// measuring set-up is read back; one that does not read back is written once
// more, then reported.
//
// Frames and packets are encoded and decoded byte by byte (little-endian),
// never by casting structures.
//
// Not thread-safe: after connect only the request-slot worker calls it.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "drivers/common/usb01.h"
#include "drivers/measuring/adc_packet.h"

namespace TamskKWZv2 {

// (source name, text); either may be empty-checked by the owner.
using MessageSink = std::function<void(const char* source, const char* text)>;

// ---------------------------------------------------------------- wire format

constexpr int kRegisterOutEndpoint = 0x02;
constexpr int kRegisterInEndpoint = 0x82;
constexpr int kADCDataEndpoint = 0x81;

// One register access: 64 bytes, command at 0, register at 2, value at 6,
// the remaining 54 bytes zero.
struct RegisterFrame {
    static constexpr std::size_t size = 64;
    static constexpr std::uint16_t commandRead = 0x0012;
    static constexpr std::uint16_t commandWrite = 0x0002;
    static constexpr std::uint16_t commandReply = 0x0082;

    std::uint16_t command = 0;
    std::uint32_t registerNumber = 0;
    std::uint32_t value = 0;

    void encode(std::uint8_t out[size]) const;
    static RegisterFrame decode(const std::uint8_t in[size]);
};

// ---------------------------------------------------------------- register map

enum Register : std::uint32_t {
    REG_OPEN_CHECK = 19,
    REG_FW_VERSION = 100,
    REG_FW_DATE = 101,
    REG_INVERTOR_STATE = 102,
    REG_INVERTOR_FREQUENCY = 103,
    REG_INVERTOR_RAMP_TYPE = 104,
    REG_INVERTOR_ACCELERATION = 105,
    REG_INVERTOR_DECELERATION = 106,
    REG_INVERTOR_RELAY = 107,
    REG_INVERTOR_INPUT = 108,
    REG_INVERTOR_ERRORS = 109,
    REG_INVERTOR_MANAGER_COUNT = 110,
    REG_INVERTOR_MANAGER_ADD = 111,
    REG_INVERTOR_MANAGER_DELETE = 112,
    REG_INVERTOR_MANAGER_CURRENT = 113,
    // Marker registers: marker 1 at the base, marker 2 at base + 8.
    REG_MARKER_OPTICAL_SPEED = 114,
    REG_MARKER_ENCODER_SPEED = 115,
    REG_MARKER_ENCODER_ANGLE_CNT = 116,
    REG_MARKER_ENCODER_ANGLE_DEG = 117,
    REG_MARKER_ENCODER_DIRECTION = 118,
    REG_MARKER_ENCODER_FULL_TURN = 119,
    REG_MARKER_ENCODER_MARKER_TYPE = 120,
    REG_MARKER_ENCODER_TRAIN = 121,
    REG_EXPANSION_PORT = 130,
    REG_ADC_SAMPLE_RATE = 131,
    REG_ADC_CHANNEL_GAIN = 132,
    REG_ADC_CONVERSION_CONTROL = 133,
    REG_STATUS_CONTROL = 134,
    REG_WELDER = 135,
    REG_MOTOR_PARAMETERS = 136,
    REG_137 = 137,
};
constexpr std::uint32_t kMarkerRegisterStride = 8;
constexpr std::uint32_t markerRegister(std::uint32_t marker1Register, unsigned markerIndex) {
    return marker1Register + kMarkerRegisterStride * markerIndex;
}

// How a register's 32-bit value maps to the caller's value.
enum class RegisterEncoding {
    raw,      // u32 as it stands
    tenths,   // i32 in tenths: read / 10.0; write f64 x 10 truncated toward zero (finite, fits i32)
    f32,      // f32 bit pattern, read as f64
    f32Turn,  // f32 fraction of a turn, read as f64 x 2 pi (radians)
    upper16,  // read: value >> 16; write: a 16-bit word
};

// Register 133 bits.
constexpr std::uint32_t kConversionPacketCountMask = 0xFFFF;
constexpr unsigned kConversionTriggerShift = 16;
constexpr std::uint32_t kConversionStartBit = 1u << 24;
constexpr std::uint32_t kConversionDataReadyBit = 1u << 31;

// ---------------------------------------------------------------- the link

class KWZUSBHardT2 {
public:
    static constexpr const char* sourceName = "KWZUSBHardT2";

    // Finds and opens the controller; isOpen() tells whether it succeeded.
    // `usb` null: the process-wide drivers::usb01().
    explicit KWZUSBHardT2(MessageSink errorSink, drivers::Usb01* usb = nullptr);
    ~KWZUSBHardT2();  // closes the handle when still open
    KWZUSBHardT2(const KWZUSBHardT2&) = delete;
    KWZUSBHardT2& operator=(const KWZUSBHardT2&) = delete;

    bool isOpen() const { return opened_; }
    // Closes the handle (when open) and drops the error sink; may run twice.
    void close();
    bool hasHandle() const { return handle_ != nullptr; }

    // One read exchange; value in: the argument (registers 113, 137), out: the
    // reply value.  Returns 64, or -1 unless 64 bytes went out and exactly 64
    // came back with command 0x0082 naming the same register.
    int ReadRegister(std::uint32_t reg, std::uint32_t& value);
    // One write frame; returns what the bulk write returned, or -1 for a short
    // write.  A write that must be read back and does not read back after its
    // second try returns kWriteNotConfirmed.
    int WriteRegister(std::uint32_t reg, std::uint32_t value);
    static constexpr int kWriteNotConfirmed = -1000;
    // The writes that are read back: every inverter frequency, so that the
    // stop and the frequency the drive control corrects from are the ones
    // the controller took, and the set-up a measurement depends on (the
    // inverter's ramps, the marker type).  The sample rate goes out with
    // every conversion of a balancing measurement: a read there would slow
    // each block down.
    static bool mustReadBack(std::uint32_t reg);
    // One bulk read of packetCount x 64 bytes; returns the byte count or the negative error.
    int getADCData(std::uint8_t* buffer, std::uint32_t packetCount);

    // Encoded access (the typed accessors below are thin wrappers).
    int readEncoded(std::uint32_t reg, RegisterEncoding enc, std::uint32_t argument, double& value);
    int readEncoded(std::uint32_t reg, RegisterEncoding enc, std::uint32_t argument, std::uint32_t& value);
    int writeEncoded(std::uint32_t reg, RegisterEncoding enc, double value);
    int writeEncoded(std::uint32_t reg, RegisterEncoding enc, std::uint32_t value);

    // Typed accessors, one per register and direction.  The result is the
    // exchange's; below 1 means failure.  Marker accessors take the marker
    // index 0 (marker 1) or 1 (marker 2).
    int readFwVersion(std::uint32_t& v) { return ReadRegister(REG_FW_VERSION, v = 0); }
    int readFwDate(std::uint32_t& v) { return ReadRegister(REG_FW_DATE, v = 0); }
    int readInvertorState(std::uint32_t& v) { return ReadRegister(REG_INVERTOR_STATE, v = 0); }
    int readInvertorFrequency(double& hz) { return readEncoded(REG_INVERTOR_FREQUENCY, RegisterEncoding::tenths, 0, hz); }
    int writeInvertorFrequency(double hz) { return writeEncoded(REG_INVERTOR_FREQUENCY, RegisterEncoding::tenths, hz); }
    int writeInvertorRampType(std::uint32_t v) { return WriteRegister(REG_INVERTOR_RAMP_TYPE, v); }
    int writeInvertorAcceleration(double s) { return writeEncoded(REG_INVERTOR_ACCELERATION, RegisterEncoding::tenths, s); }
    int writeInvertorDeceleration(double s) { return writeEncoded(REG_INVERTOR_DECELERATION, RegisterEncoding::tenths, s); }
    int writeInvertorRelay(std::uint32_t v) { return WriteRegister(REG_INVERTOR_RELAY, v); }
    int readInvertorInput(std::uint32_t& v) { return ReadRegister(REG_INVERTOR_INPUT, v = 0); }
    int readInvertorErrors(std::uint32_t& v) { return ReadRegister(REG_INVERTOR_ERRORS, v = 0); }
    int readInvertorManagerCountInvertors(std::uint32_t& v) { return ReadRegister(REG_INVERTOR_MANAGER_COUNT, v = 0); }
    int writeInvertorManagerAddInvertor(std::uint32_t v) { return WriteRegister(REG_INVERTOR_MANAGER_ADD, v); }
    int readInvertorManagerAddInvertorStatus(std::uint32_t& v) { return ReadRegister(REG_INVERTOR_MANAGER_ADD, v = 0); }
    int writeInvertorManagerDeleteInvertor(std::uint32_t v) { return WriteRegister(REG_INVERTOR_MANAGER_DELETE, v); }
    int readInvertorManagerDeleteInvertorStatus(std::uint32_t& v) { return ReadRegister(REG_INVERTOR_MANAGER_DELETE, v = 0); }
    int readInvertorManagerSetCurrentInvertor(std::uint32_t argument, std::uint32_t& v) {
        return ReadRegister(REG_INVERTOR_MANAGER_CURRENT, v = argument);
    }
    int readMarkerOpticalSpeed(unsigned m, double& rpm) {
        return readEncoded(markerRegister(REG_MARKER_OPTICAL_SPEED, m), RegisterEncoding::f32, 0, rpm);
    }
    int readMarkerEncoderSpeed(unsigned m, double& rpm) {
        return readEncoded(markerRegister(REG_MARKER_ENCODER_SPEED, m), RegisterEncoding::f32, 0, rpm);
    }
    int readMarkerEncoderAngleCnt(unsigned m, std::uint32_t& v) {
        return ReadRegister(markerRegister(REG_MARKER_ENCODER_ANGLE_CNT, m), v = 0);
    }
    int readMarkerEncoderAngleDeg(unsigned m, double& radians) {
        return readEncoded(markerRegister(REG_MARKER_ENCODER_ANGLE_DEG, m), RegisterEncoding::f32Turn, 0, radians);
    }
    int readMarkerEncoderDirection(unsigned m, std::uint32_t& v) {
        return ReadRegister(markerRegister(REG_MARKER_ENCODER_DIRECTION, m), v = 0);
    }
    int readMarkerEncoderFullTurn(unsigned m, std::uint32_t& v) {
        return ReadRegister(markerRegister(REG_MARKER_ENCODER_FULL_TURN, m), v = 0);
    }
    int readMarkerEncoderMarkerType(unsigned m, std::uint32_t& v) {
        return ReadRegister(markerRegister(REG_MARKER_ENCODER_MARKER_TYPE, m), v = 0);
    }
    int writeMarkerEncoderMarkerType(unsigned m, std::uint32_t v) {
        return WriteRegister(markerRegister(REG_MARKER_ENCODER_MARKER_TYPE, m), v);
    }
    int readMarkerEncoderTrain(unsigned m, std::uint32_t& v) {
        return ReadRegister(markerRegister(REG_MARKER_ENCODER_TRAIN, m), v = 0);
    }
    int writeMarkerEncoderTrain(unsigned m, std::uint32_t v) {
        return WriteRegister(markerRegister(REG_MARKER_ENCODER_TRAIN, m), v);
    }
    int readExpansionPort(std::uint32_t& v) { return ReadRegister(REG_EXPANSION_PORT, v = 0); }
    int writeExpansionPort(std::uint32_t v) { return WriteRegister(REG_EXPANSION_PORT, v); }
    int readADCSampleRate(std::uint32_t& v) { return ReadRegister(REG_ADC_SAMPLE_RATE, v = 0); }
    int writeADCSampleRate(std::uint32_t v) { return WriteRegister(REG_ADC_SAMPLE_RATE, v); }
    int readADCChannelGain(std::uint32_t& v) { return ReadRegister(REG_ADC_CHANNEL_GAIN, v = 0); }
    int writeADCChannelGain(std::uint32_t v) { return WriteRegister(REG_ADC_CHANNEL_GAIN, v); }
    int readADCConversionControl(std::uint32_t& v) { return ReadRegister(REG_ADC_CONVERSION_CONTROL, v = 0); }
    int writeADCConversionControl(std::uint32_t v) { return WriteRegister(REG_ADC_CONVERSION_CONTROL, v); }
    int readStatus(std::uint32_t& v) { return readEncoded(REG_STATUS_CONTROL, RegisterEncoding::upper16, 0, v); }
    int writeControl(std::uint16_t v) { return WriteRegister(REG_STATUS_CONTROL, v); }
    int readWelderStatus(std::uint32_t& v) { return readEncoded(REG_WELDER, RegisterEncoding::upper16, 0, v); }
    int writeWelderControl(std::uint16_t v) { return WriteRegister(REG_WELDER, v); }
    int readMotorParameters(std::uint32_t& v) { return ReadRegister(REG_MOTOR_PARAMETERS, v = 0); }
    int writeMotorParameters(std::uint32_t v) { return WriteRegister(REG_MOTOR_PARAMETERS, v); }
    int readRegister137(std::uint32_t argument, std::uint32_t& v) { return ReadRegister(REG_137, v = argument); }
    int writeRegister137(std::uint32_t v) { return WriteRegister(REG_137, v); }

private:
    void report(const char* text);
    void open();
    int sendWrite(std::uint32_t reg, std::uint32_t value);

    MessageSink errorSink_;
    drivers::Usb01* usb_;
    drivers::Usb01Handle* handle_ = nullptr;
    bool opened_ = false;
    bool drainPending_ = true;  // a new link may meet replies an earlier one left
};

}  // namespace TamskKWZv2
