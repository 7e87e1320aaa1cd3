#include "drivers/welding/welder_usb_ll.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "drivers/common/driver_timing.h"
#include "drivers/common/little_endian.h"

namespace TamskWelder {

using drivers::cformat;
using drivers::getU16;
using drivers::getU32;
using drivers::putU16;
using drivers::putU32;

namespace {

std::size_t buildFrame(std::uint16_t head, const WelderRegister& reg, std::uint8_t* frame) {
    putU16(frame, head);
    putU16(frame + 2, reg.address);
    putU32(frame + 4, reg.data);
    putU16(frame + 8, crc16Modbus(frame, 8));
    return kWelderFrameSize;
}

}  // namespace

std::uint16_t crc16Modbus(const std::uint8_t* bytes, std::size_t length) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int b = 0; b < 8; ++b) {
            const bool out = crc & 1u;
            crc >>= 1;
            if (out) crc ^= 0xA001;
        }
    }
    return crc;
}

std::size_t buildWelderFrame(const WelderRegister& reg, std::uint8_t* frame) {
    return buildFrame(kWelderRequestHead, reg, frame);
}

std::size_t buildWelderReply(const WelderRegister& reg, std::uint8_t* frame) {
    return buildFrame(kWelderReplyHead, reg, frame);
}

std::uint8_t parseWelderReply(WelderRegister& reg, std::uint8_t* block, std::uint8_t* blockCount,
                              const std::uint8_t* frame, std::size_t length) {
    if (length < 2) return kParseUnknownHead;
    switch (getU16(frame)) {
        case kWelderReplyHead: {
            if (length != kWelderFrameSize) return kParseLength;
            if (crc16Modbus(frame, 8) != getU16(frame + 8)) return kParseCrc;
            const std::uint16_t address = getU16(frame + 2);
            if (address > kWelderMaxAddress) return kParseRange;
            reg.address = address;
            reg.data = getU32(frame + 4);
            return kParseRegister;
        }
        case kWelderBlockHead: {
            if (length != kWelderBlockFrameSize) return kParseLength;
            if (crc16Modbus(frame, 35) != getU16(frame + 35)) return kParseCrc;
            const std::uint8_t count = frame[2];
            if (count > kWelderBlockMax) return kParseRange;
            if (block) std::memcpy(block, frame + 3, count);
            if (blockCount) *blockCount = count;
            return kParseBlock;
        }
        case kWelderErrorHead:
            return kParseControllerError;
        default:
            return kParseUnknownHead;
    }
}

std::string welderLogPath(const std::string& folder, const char* suffix) {
    std::string path = folder.size() < 2 ? std::string(".") : folder;
    if (path.back() != '/') path += '/';
    path += drivers::DriverLogFile::dateString();
    path += suffix;
    return path;
}

// ---------------------------------------------------------------- link

WelderUSBLL::WelderUSBLL(const std::string& folder, unsigned level, bool bootMode) : _usb(&usb10()) {
    const unsigned logLevel = level > 2 ? 2 : level;
    if (logLevel != 0) {
        // A missing log folder is made; a log that still cannot be opened is
        // reported and the link goes on without it.
        std::error_code ec;
        std::filesystem::create_directories(folder.size() < 2 ? std::string(".") : folder, ec);
    }
    _log.start(welderLogPath(folder, bootMode ? "_WelderUSBLL_Bl_Log.txt" : "_WelderUSBLL_Log.txt"), logLevel);
    if (logLevel != 0 && !_log.isOpen())
        std::fputs("WelderUSBLL::WelderUSBLL(), Log file creation error!\n", stderr);

    Usb10& usb = *_usb;
    int rc = usb.init();
    if (rc < 0) {
        _log.writeError(cformat("WelderUSBLL::WelderUSBLL(), Error initializing libusb: %s\n", usb.errorName(rc)));
        return;
    }
    _initialised = true;

    Usb10Device** list = nullptr;
    const long count = usb.getDeviceList(&list);
    if (count < 0) {
        _log.writeError("WelderUSBLL::WelderUSBLL(), Error get devices list libusb!\n");
        releaseDevice();
        return;
    }
    const std::uint16_t product = bootMode ? kWelderBootProductId : kWelderProductId;
    Usb10Device* found = nullptr;
    bool descriptorError = false;
    for (long i = 0; i < count && list[i]; ++i) {
        Usb10DeviceDescriptor d;
        rc = usb.getDeviceDescriptor(list[i], &d);
        if (rc < 0) {
            _log.writeError(cformat("WelderUSBLL::WelderUSBLL(), Error get device descriptor libusb: %s\n",
                                    usb.errorName(rc)));
            descriptorError = true;
            break;
        }
        if (d.idVendor == kWelderVendorId && d.idProduct == product) {
            found = list[i];
            break;
        }
    }
    if (!found) {
        if (!descriptorError)
            _log.writeError("WelderUSBLL::WelderUSBLL(), Error Tamsk Welder Mashine device not found!\n");
        usb.freeDeviceList(list, 1);
        releaseDevice();
        return;
    }
    rc = usb.open(found, &_handle);
    usb.freeDeviceList(list, 1);  // the open handle keeps its own reference
    if (rc < 0) {
        _handle = nullptr;
        _log.writeError(cformat("WelderUSBLL::WelderUSBLL(), Error openning device: %s\n", usb.errorName(rc)));
        releaseDevice();
        return;
    }
    for (int iface = 0; iface < 2; ++iface) {
        if (usb.kernelDriverActive(_handle, iface) != 0) usb.detachKernelDriver(_handle, iface);
        rc = usb.claimInterface(_handle, iface);
        if (rc < 0) {
            _log.writeError(cformat("WelderUSBLL::WelderUSBLL(), Error claiming interface: %s\n", usb.errorName(rc)));
            releaseDevice();
            return;
        }
        _claimed[iface] = true;
    }
    // Line coding: 9600 baud, 1 stop bit, no parity, 8 data bits.  A finite
    // time-out keeps a silent device from blocking the caller for good.
    std::uint8_t coding[7] = {0x80, 0x25, 0x00, 0x00, 0, 0, 8};
    rc = usb.controlTransfer(_handle, 0x21, 0x20, 0, 0, coding, sizeof coding, kWelderTransferTimeoutMs);
    if (rc < 0) {
        _log.writeError(cformat("WelderUSBLL::WelderUSBLL(), Error during control transfer: %s\n", usb.errorName(rc)));
        releaseDevice();
        return;
    }
    std::memset(_frame, 0, sizeof _frame);
    _open.store(true, std::memory_order_release);
    _log.writeInformation("WelderUSBLL::WelderUSBLL(), Connection successful.\n");
}

void WelderUSBLL::releaseDevice() {
    Usb10& usb = *_usb;
    if (_handle) {
        for (int iface = 0; iface < 2; ++iface) {
            if (!_claimed[iface]) continue;
            _claimed[iface] = false;
            const int rc = usb.releaseInterface(_handle, iface);
            if (rc < 0)
                _log.writeError(cformat("WelderUSBLL::~WelderUSBLL(), Error release interface: %s\n", usb.errorName(rc)));
        }
        usb.close(_handle);
        _handle = nullptr;
    }
    if (_initialised) {
        usb.exit();
        _initialised = false;
    }
}

WelderUSBLL::~WelderUSBLL() {
    _open.store(false, std::memory_order_release);
    releaseDevice();
    _log.writeInformation("WelderUSBLL::~WelderUSBLL(), Disconnection successful.\n");
    _log.stop();
}

int WelderUSBLL::getReg(WelderRegister& reg) { return transaction(reg, true, "getReg"); }

int WelderUSBLL::setReg(const WelderRegister& reg) {
    WelderRegister copy = reg;
    return transaction(copy, false, "setReg");
}

int WelderUSBLL::transaction(WelderRegister& reg, bool read, const char* name) {
    while (_busy.test_and_set(std::memory_order_acquire))
        drivers::driverTiming().sleepMs(drivers::driverTiming().welderBusyWaitStepMs);

    int result = kWelderOk;
    if (!isOpen()) {
        _log.writeError(cformat("WelderUSBLL::%s(), Error device not open.\n", name));
        result = kWelderNotOpen;
    } else {
        if (read) reg.address |= kWelderReadFlag;
        const std::uint16_t asked = reg.address & static_cast<std::uint16_t>(~kWelderReadFlag);
        WelderRegister request = reg;
        if (read) request.data = 0;  // a read request carries no data
        const int length = static_cast<int>(buildWelderFrame(request, _frame));
        if (usbWrite(length) <= 0) {
            _log.writeError(cformat("WelderUSBLL::%s(), Data write error.\n", name));
            result = kWelderWriteError;
        } else {
            drivers::driverTiming().sleepMs(drivers::driverTiming().welderExchangePauseMs);
            const int received = usbRead(sizeof _frame);
            if (received < 0) {
                _log.writeError(cformat("WelderUSBLL::%s(), Data read error.\n", name));
                result = kWelderReadError;
            } else {
                WelderRegister reply;
                std::uint8_t parse = parseWelderReply(reply, nullptr, nullptr, _frame,
                                                      static_cast<std::size_t>(received));
                // A reply for another register (a stale one left in the pipe)
                // is not the answer to this request.
                if (parse == kParseRegister && reply.address != asked) parse = kParseAddressMismatch;
                if (parse != kParseRegister) {
                    _log.writeError(cformat("WelderUSBLL::%s(), Response parsing error: %d\n", name, parse));
                    result = kWelderReplyError;
                } else {
                    reg = reply;
                    _log.writeInformation(cformat(read ? "WelderUSBLL::getReg(), Register address - %d data - 0x%08x read successfully.\n"
                                                       : "WelderUSBLL::setReg(), Register address - %d data - 0x%08x written successfully.\n",
                                                  reply.address, reply.data));
                }
            }
        }
    }
    _busy.clear(std::memory_order_release);
    return result;
}

int WelderUSBLL::usbWrite(int length) {
    int transferred = 0;
    const int rc = _usb->bulkTransfer(_handle, kWelderEndpointOut, _frame, length, &transferred,
                                      kWelderTransferTimeoutMs);
    if (rc >= 0 && transferred == length) {
        _log.writeInformation(cformat("WelderUSBLL::usbWrite(), Written %d bytes successfully.\n", length));
        return length;
    }
    _log.writeError(cformat("WelderUSBLL::usbWrite(), Error while writing: %s\n", _usb->errorName(rc)));
    _open.store(false, std::memory_order_release);
    return rc;
}

int WelderUSBLL::usbRead(int length) {
    int transferred = 0;
    const int rc = _usb->bulkTransfer(_handle, kWelderEndpointIn, _frame, length, &transferred,
                                      kWelderTransferTimeoutMs);
    if (rc >= 0) {
        _log.writeInformation(cformat("WelderUSBLL::usbRead(), Read %d bytes successfully.\n", transferred));
        return transferred;
    }
    _log.writeError(cformat("WelderUSBLL::usbRead(), Error while reading: %s\n", _usb->errorName(rc)));
    _open.store(false, std::memory_order_release);
    return rc;
}

}  // namespace TamskWelder
