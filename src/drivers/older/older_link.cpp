#include "drivers/older/older_link.h"

#include <utility>
#include <vector>

#include "drivers/common/driver_log_file.h"
#include "drivers/common/reply_pairing.h"

namespace older {

using drivers::cformat;

Link::Link(drivers::Usb01Handle* handle, MessageSink sink) : handle_(handle), sink_(std::move(sink)) {}

Link::~Link() {
    if (handle_) drivers::usb01().close(handle_);
}

void Link::report(const std::string& text) const {
    if (sink_) sink_(text);
}

bool Link::readRegister(std::uint32_t reg, std::uint32_t* value) {
    if (value) *value = 0;
    drivers::Usb01& usb = drivers::usb01();
    if (drainPending_) {
        drainPending_ = false;
        const int late = drivers::drainReplies(usb, handle_, kEpReply, kPacketSize);
        if (late > 0) report(cformat("%d late replies dropped", late));
    }
    std::uint8_t packet[kPacketSize];
    RegisterPacket{kCmdRead, reg, 0}.encode(packet);
    const int wrote = usb.bulkWrite(handle_, kEpOut, packet, kPacketSize, kTimeoutMs);
    if (wrote != kPacketSize) {
        report(cformat("ERROR %d request register: %d", wrote, static_cast<int>(reg)));
        return false;
    }
    // Every reply that is not this register's is reported and dropped.
    auto invalid = [this, reg](const std::uint8_t* frame, int got) {
        const RegisterPacket r = RegisterPacket::decode(frame);
        const std::uint16_t command = got >= 2 ? r.command : 0;
        const std::uint32_t replyReg = got >= 6 ? r.reg : 0xFFFFFFFFu;
        report(cformat("ERROR invalid packet: %d or register %d != %d", got < 2 ? got : command,
                       static_cast<int>(replyReg), static_cast<int>(reg)));
        return true;
    };
    auto answers = [reg](const std::uint8_t* frame, int got) {
        const RegisterPacket r = RegisterPacket::decode(frame);
        return got >= 10 && r.command == kCmdReadReply && r.reg == reg;
    };
    std::uint8_t reply[kPacketSize] = {};
    const int got =
        drivers::readAnswer(usb, handle_, kEpReply, reply, kPacketSize, kTimeoutMs, answers, invalid);
    if (got < 0) {
        invalid(reply, got);
        drainPending_ = true;  // the reply may still come, for no one
        return false;
    }
    if (value) *value = RegisterPacket::decode(reply).value;
    return true;
}

bool Link::writeRegister(std::uint32_t reg, std::uint32_t value) {
    std::uint8_t packet[kPacketSize];
    RegisterPacket{kCmdWrite, reg, value}.encode(packet);
    if (drivers::usb01().bulkWrite(handle_, kEpOut, packet, kPacketSize, kTimeoutMs) != kPacketSize) {
        report(cformat("set register error: %d", static_cast<int>(reg)));
        return false;
    }
    return true;
}

bool Link::writeVerified(std::uint32_t reg, std::uint32_t value, const std::function<void()>& settle) {
    std::uint32_t back = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!writeRegister(reg, value)) continue;
        if (settle) settle();
        if (readRegister(reg, &back) && back == value) return true;
    }
    report(cformat("set register %d to 0x%x not confirmed (reads 0x%x)", static_cast<int>(reg), value, back));
    return false;
}

bool Link::startTraining() {
    std::uint8_t packet[kPacketSize];
    RegisterPacket{kCmdTrain, 0, 0}.encode(packet);
    return drivers::usb01().bulkWrite(handle_, kEpOut, packet, kPacketSize, kTimeoutMs) == kPacketSize;
}

int Link::readBlocks(std::uint8_t* bytes, int size) {
    return drivers::usb01().bulkRead(handle_, kEpData, bytes, size, kTimeoutMs);
}

drivers::Usb01Handle* openController(const MessageSink& sink) {
    auto report = [&sink](const std::string& text) {
        if (sink) sink(text);
    };
    drivers::Usb01& usb = drivers::usb01();
    usb.init();
    usb.findBusses();
    usb.findDevices();
    const std::vector<drivers::Usb01Device> list = usb.devices();
    const drivers::Usb01Device* found = nullptr;
    for (const auto& d : list) {
        if (d.vendor == kVendorId && d.product == kProductId) {
            found = &d;
            break;
        }
    }
    if (found == nullptr) return nullptr;
    drivers::Usb01Handle* h = usb.open(*found);
    if (h == nullptr) return nullptr;
    report("Libusb connected successfully. Initialiating...");
    int rc = usb.setConfiguration(h, kConfiguration);
    if (rc < 0) {
        report(cformat("Can't set config (error: %d). Exiting...", rc));
        usb.close(h);
        return nullptr;
    }
    rc = usb.claimInterface(h, kInterface);
    if (rc < 0) {
        report(cformat("Can't claim interface (error: %d). Exiting...", rc));
        usb.close(h);
        return nullptr;
    }
    return h;
}

}  // namespace older
