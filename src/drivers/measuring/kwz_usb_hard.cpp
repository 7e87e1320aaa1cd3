#include "drivers/measuring/kwz_usb_hard.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "drivers/common/driver_timing.h"
#include "drivers/common/little_endian.h"
#include "drivers/common/reply_pairing.h"

namespace TamskKWZv2 {

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

float floatFromBits(std::uint32_t bits) {
    float f;
    static_assert(sizeof f == sizeof bits, "f32");
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

int usbTimeout() { return static_cast<int>(drivers::driverTiming().usbTimeoutMs); }

}  // namespace

// ---------------------------------------------------------------- frames

void RegisterFrame::encode(std::uint8_t out[size]) const {
    std::memset(out, 0, size);
    drivers::putU16(out + 0, command);
    drivers::putU32(out + 2, registerNumber);
    drivers::putU32(out + 6, value);
}

RegisterFrame RegisterFrame::decode(const std::uint8_t in[size]) {
    RegisterFrame f;
    f.command = drivers::getU16(in + 0);
    f.registerNumber = drivers::getU32(in + 2);
    f.value = drivers::getU32(in + 6);
    return f;
}

// ---------------------------------------------------------------- open / close

KWZUSBHardT2::KWZUSBHardT2(MessageSink errorSink, drivers::Usb01* usb)
    : errorSink_(std::move(errorSink)), usb_(usb ? usb : &drivers::usb01()) {
    open();
}

KWZUSBHardT2::~KWZUSBHardT2() {
    if (handle_) {
        usb_->close(handle_);
        handle_ = nullptr;
    }
}

void KWZUSBHardT2::report(const char* text) {
    if (errorSink_) errorSink_(sourceName, text);
}

void KWZUSBHardT2::open() {
    opened_ = false;
    usb_->init();
    usb_->findBusses();
    usb_->findDevices();
    // The bus is walked anew on every open; the first match in bus order wins.
    for (const drivers::Usb01Device& d : usb_->devices()) {
        if (d.vendor == drivers::kTamskVendorId && d.product == drivers::kMeasuringControllerProductId) {
            handle_ = usb_->open(d);
            break;
        }
    }
    if (!handle_) {
        report("KWZUSBHardT2(), Device not found!");
        return;
    }
    int rc = usb_->setConfiguration(handle_, 1);
    if (rc == -EBUSY) {
        usb_->detachKernelDriver(handle_, 0);
        rc = usb_->setConfiguration(handle_, 1);
    }
    if (rc < 0) {
        usb_->close(handle_);
        handle_ = nullptr;
        report("KWZUSBHardT2(), Config setting error!");
        return;
    }
    rc = usb_->claimInterface(handle_, 0);
    if (rc == -EBUSY) {
        usb_->detachKernelDriver(handle_, 0);
        rc = usb_->claimInterface(handle_, 0);
    }
    if (rc < 0) {
        usb_->close(handle_);
        handle_ = nullptr;
        report("KWZUSBHardT2(), Error claiming interface!");
        return;
    }
    std::uint32_t check = 0;
    if (ReadRegister(REG_OPEN_CHECK, check) < 1 || check != 0) {
        report("KWZUSBHardT2(), KWZ Firmware version up to 6.xxx!");
        return;
    }
    std::uint32_t version = 0;
    if (ReadRegister(REG_FW_VERSION, version) >= 1 && (version >> 24) == 6) {
        opened_ = true;
    } else {
        report("KWZUSBHardT2(), KWZ Firmware version up to 6.xxx!");
    }
}

void KWZUSBHardT2::close() {
    if (handle_) {
        usb_->close(handle_);
        handle_ = nullptr;
    }
    opened_ = false;
    errorSink_ = nullptr;
}

// ---------------------------------------------------------------- exchanges

int KWZUSBHardT2::ReadRegister(std::uint32_t reg, std::uint32_t& value) {
    if (!handle_) return -1;
    if (drainPending_) {
        drainPending_ = false;
        if (drivers::drainReplies(*usb_, handle_, kRegisterInEndpoint, RegisterFrame::size) > 0)
            report("ReadRegister(), Late replies dropped!");
    }
    std::uint8_t frame[RegisterFrame::size];
    RegisterFrame request;
    request.command = RegisterFrame::commandRead;
    request.registerNumber = reg;
    request.value = value;
    request.encode(frame);
    int rc = usb_->bulkWrite(handle_, kRegisterOutEndpoint, frame, RegisterFrame::size, usbTimeout());
    if (rc != static_cast<int>(RegisterFrame::size)) {
        report("WriteRegister(), USB data transfer error!");
        return -1;
    }
    // A reply that is not this register's (a late one, a damaged one) is dropped.
    auto answers = [reg](const std::uint8_t* in, int got) {
        const RegisterFrame reply = RegisterFrame::decode(in);
        return got == static_cast<int>(RegisterFrame::size) && reply.command == RegisterFrame::commandReply &&
               reply.registerNumber == reg;
    };
    auto dropped = [this](const std::uint8_t*, int) {
        report("ReadRegister(), Invalid reply!");
        return true;
    };
    rc = drivers::readAnswer(*usb_, handle_, kRegisterInEndpoint, frame, RegisterFrame::size, usbTimeout(),
                             answers, dropped);
    if (rc < 0) {
        value = 0;
        report("ReadRegister(), USB data transfer error!");
        drainPending_ = true;  // the reply may still come, for no one
        return -1;
    }
    value = RegisterFrame::decode(frame).value;
    return rc;
}

bool KWZUSBHardT2::mustReadBack(std::uint32_t reg) {
    switch (reg) {
        case REG_INVERTOR_FREQUENCY:
        case REG_INVERTOR_RAMP_TYPE:
        case REG_INVERTOR_ACCELERATION:
        case REG_INVERTOR_DECELERATION:
        case REG_MARKER_ENCODER_MARKER_TYPE:
        case REG_MARKER_ENCODER_MARKER_TYPE + kMarkerRegisterStride:
            return true;
        default:
            return false;
    }
}

int KWZUSBHardT2::WriteRegister(std::uint32_t reg, std::uint32_t value) {
    if (!handle_) return -1;
    if (!mustReadBack(reg)) return sendWrite(reg, value);
    std::uint32_t back = 0;
    int rc = -1;
    for (int attempt = 0; attempt < 2; ++attempt) {
        rc = sendWrite(reg, value);
        if (rc < 1) return rc;
        if (ReadRegister(reg, back = 0) < 1) return -1;
        if (back == value) return rc;
    }
    report("WriteRegister(), Write not confirmed!");
    return kWriteNotConfirmed;
}

int KWZUSBHardT2::sendWrite(std::uint32_t reg, std::uint32_t value) {
    std::uint8_t frame[RegisterFrame::size];
    RegisterFrame request;
    request.command = RegisterFrame::commandWrite;
    request.registerNumber = reg;
    request.value = value;
    request.encode(frame);
    const int rc = usb_->bulkWrite(handle_, kRegisterOutEndpoint, frame, RegisterFrame::size, usbTimeout());
    if (rc != static_cast<int>(RegisterFrame::size)) {
        report("WriteRegister(), USB data transfer error!");
        return rc < 1 ? rc : -1;
    }
    return rc;
}

int KWZUSBHardT2::getADCData(std::uint8_t* buffer, std::uint32_t packetCount) {
    if (!handle_) return -1;
    const int want = static_cast<int>(packetCount * ADCDataPacket::size);
    const int rc = usb_->bulkRead(handle_, kADCDataEndpoint, buffer, want, usbTimeout());
    if (rc != want) report("getADCData(), USB data transfer error!");
    return rc;
}

// ---------------------------------------------------------------- encodings

int KWZUSBHardT2::readEncoded(std::uint32_t reg, RegisterEncoding enc, std::uint32_t argument, double& value) {
    std::uint32_t raw = argument;
    const int rc = ReadRegister(reg, raw);
    if (rc < 1) return rc;
    switch (enc) {
        case RegisterEncoding::raw: value = raw; break;
        case RegisterEncoding::tenths: value = static_cast<std::int32_t>(raw) / 10.0; break;
        case RegisterEncoding::f32: value = floatFromBits(raw); break;
        case RegisterEncoding::f32Turn: value = static_cast<double>(floatFromBits(raw)) * kTwoPi; break;
        case RegisterEncoding::upper16: value = raw >> 16; break;
    }
    return rc;
}

int KWZUSBHardT2::readEncoded(std::uint32_t reg, RegisterEncoding enc, std::uint32_t argument, std::uint32_t& value) {
    std::uint32_t raw = argument;
    const int rc = ReadRegister(reg, raw);
    if (rc < 1) {
        value = 0;
        return rc;
    }
    value = enc == RegisterEncoding::upper16 ? raw >> 16 : raw;
    return rc;
}

int KWZUSBHardT2::writeEncoded(std::uint32_t reg, RegisterEncoding enc, double value) {
    if (enc == RegisterEncoding::tenths) {
        const double scaled = value * 10.0;
        // Truncated toward zero; NaN, infinity and values outside i32 are refused.
        if (!std::isfinite(scaled) || scaled <= -2147483649.0 || scaled >= 2147483648.0) {
            report("WriteRegister(), Invalid parameters!");
            return -1;
        }
        return WriteRegister(reg, static_cast<std::uint32_t>(static_cast<std::int32_t>(scaled)));
    }
    if (!std::isfinite(value) || value < 0 || value > 4294967295.0) {
        report("WriteRegister(), Invalid parameters!");
        return -1;
    }
    return writeEncoded(reg, enc, static_cast<std::uint32_t>(value));
}

int KWZUSBHardT2::writeEncoded(std::uint32_t reg, RegisterEncoding enc, std::uint32_t value) {
    if (enc == RegisterEncoding::upper16) value &= 0xFFFF;
    return WriteRegister(reg, value);
}

}  // namespace TamskKWZv2
