#include "support/sim_welder.h"

#include <cstring>

#include "drivers/common/little_endian.h"
#include "drivers/welding/welder_master.h"
#include "drivers/welding/welder_usb_ll.h"

namespace simwelder {

using namespace TamskWelder;

namespace {

constexpr std::uint32_t kReadyBits = (1u << 13) | (1u << 14) | (1u << 15);
constexpr std::uint32_t kFinishedBit = 1u << 12;
constexpr std::uint32_t kJogBit = 1u << 1;
constexpr std::uint32_t kWeldBits = (1u << 2) | (1u << 3);

std::vector<std::uint8_t> replyFrame(std::uint16_t address, std::uint32_t data) {
    std::vector<std::uint8_t> f(kWelderFrameSize);
    WelderRegister r;
    r.address = address;
    r.data = data;
    buildWelderReply(r, f.data());
    return f;
}

std::vector<std::uint8_t> errorFrame() {
    std::vector<std::uint8_t> f(kWelderFrameSize, 0);
    f[0] = 0xFE;
    f[1] = 0x5A;
    const std::uint16_t crc = crc16Modbus(f.data(), 8);
    drivers::putU16(f.data() + 8, crc);
    return f;
}

}  // namespace

SimWeldingController::SimWeldingController() {
    devices = {{0x2E91, 0x7688}, {0x1234, 0x7700}, {0x2E91, 0x76FF}, {0x2E91, 0x7700}};
    _regs[0] = 0x01020304;
    _regs[1] = (2023u << 20) | (1u << 16) | (9u << 11) | (10u << 6) | 5u;
    _regs[3] = kReadyBits;
}

void SimWeldingController::setRegister(std::uint16_t address, std::uint32_t value) {
    std::lock_guard<std::mutex> lock(_mutex);
    if (address < 10) _regs[address] = value;
}

std::uint32_t SimWeldingController::reg(std::uint16_t address) {
    std::lock_guard<std::mutex> lock(_mutex);
    return address < 10 ? _regs[address] : 0;
}

void SimWeldingController::setReady(bool ready) {
    std::lock_guard<std::mutex> lock(_mutex);
    if (ready)
        _regs[kRegStatus] |= kReadyBits;
    else
        _regs[kRegStatus] &= ~kReadyBits;
}

void SimWeldingController::injectReply(ReplyFault fault) {
    std::lock_guard<std::mutex> lock(_mutex);
    _replyFaults.push_back(fault);
}

void SimWeldingController::injectRequest(RequestFault fault) {
    std::lock_guard<std::mutex> lock(_mutex);
    _requestFaults.push_back(fault);
}

void SimWeldingController::failNextWrite(std::uint16_t address) {
    std::lock_guard<std::mutex> lock(_mutex);
    ++_failWrites[address];
}

void SimWeldingController::timeoutAtTransfer(int k) {
    std::lock_guard<std::mutex> lock(_mutex);
    _timeoutAt = k;
    _sequenceCalls = -1;
}

int SimWeldingController::sequenceTransfers() {
    std::lock_guard<std::mutex> lock(_mutex);
    return _sequenceCalls < 0 ? 0 : _sequenceCalls;
}

void SimWeldingController::unplug() {
    std::lock_guard<std::mutex> lock(_mutex);
    _unplugged = true;
}

std::vector<JournalEntry> SimWeldingController::journal() {
    std::lock_guard<std::mutex> lock(_mutex);
    return _journal;
}

std::vector<JournalEntry> SimWeldingController::writes() {
    std::lock_guard<std::mutex> lock(_mutex);
    std::vector<JournalEntry> w;
    for (const auto& e : _journal)
        if (e.write) w.push_back(e);
    return w;
}

void SimWeldingController::clearJournal() {
    std::lock_guard<std::mutex> lock(_mutex);
    _journal.clear();
}

ControlRequest SimWeldingController::lastControl() {
    std::lock_guard<std::mutex> lock(_mutex);
    return _control;
}

// ---------------------------------------------------------------- Usb10

int SimWeldingController::init() {
    std::lock_guard<std::mutex> lock(_mutex);
    if (initResult < 0) return initResult;
    ++initCalls;
    return 0;
}

void SimWeldingController::exit() {
    std::lock_guard<std::mutex> lock(_mutex);
    ++exitCalls;
}

long SimWeldingController::getDeviceList(Usb10Device*** list) {
    std::lock_guard<std::mutex> lock(_mutex);
    if (listResult < 0) {
        *list = nullptr;
        return listResult;
    }
    ++listGets;
    std::vector<Usb10Device*> l;
    for (std::size_t i = 0; i < devices.size() && i < 16; ++i)
        l.push_back(reinterpret_cast<Usb10Device*>(&_deviceTokens[i]));
    l.push_back(nullptr);
    _lists.push_back(std::move(l));
    *list = _lists.back().data();
    return static_cast<long>(_lists.back().size() - 1);
}

void SimWeldingController::freeDeviceList(Usb10Device** list, int) {
    std::lock_guard<std::mutex> lock(_mutex);
    if (!list) return;
    for (auto it = _lists.begin(); it != _lists.end(); ++it) {
        if (it->data() == list) {
            ++listFrees;
            _lists.erase(it);
            return;
        }
    }
}

int SimWeldingController::getDeviceDescriptor(Usb10Device* device, Usb10DeviceDescriptor* d) {
    std::lock_guard<std::mutex> lock(_mutex);
    const int i = static_cast<int>(reinterpret_cast<int*>(device) - _deviceTokens);
    if (i < 0 || i >= static_cast<int>(devices.size())) return USB10_ERROR_INVALID_PARAM;
    if (i == descriptorFailAt) return USB10_ERROR_IO;
    d->idVendor = devices[static_cast<std::size_t>(i)].vendor;
    d->idProduct = devices[static_cast<std::size_t>(i)].product;
    return 0;
}

int SimWeldingController::open(Usb10Device*, Usb10Handle** handle) {
    std::lock_guard<std::mutex> lock(_mutex);
    if (openResult < 0) return openResult;
    if (_unplugged) return USB10_ERROR_NO_DEVICE;  // gone for good
    ++opens;
    *handle = reinterpret_cast<Usb10Handle*>(&_handleToken);
    return 0;
}

void SimWeldingController::close(Usb10Handle*) {
    std::lock_guard<std::mutex> lock(_mutex);
    ++closes;
}

int SimWeldingController::kernelDriverActive(Usb10Handle*, int i) {
    std::lock_guard<std::mutex> lock(_mutex);
    return (i == 0 || i == 1) ? kernelActive[i] : USB10_ERROR_NOT_FOUND;
}

int SimWeldingController::detachKernelDriver(Usb10Handle*, int i) {
    std::lock_guard<std::mutex> lock(_mutex);
    if (i != 0 && i != 1) return USB10_ERROR_NOT_FOUND;
    ++detaches[i];
    kernelActive[i] = 0;
    return 0;
}

int SimWeldingController::claimInterface(Usb10Handle*, int i) {
    std::lock_guard<std::mutex> lock(_mutex);
    if (i != 0 && i != 1) return USB10_ERROR_NOT_FOUND;
    if (claimResult[i] < 0) return claimResult[i];
    ++claims;
    claimOrder.push_back(i);
    return 0;
}

int SimWeldingController::releaseInterface(Usb10Handle*, int i) {
    std::lock_guard<std::mutex> lock(_mutex);
    ++releases;
    if (_unplugged) return USB10_ERROR_NO_DEVICE;
    return (i == 0 || i == 1) ? 0 : USB10_ERROR_NOT_FOUND;
}

int SimWeldingController::controlTransfer(Usb10Handle*, std::uint8_t requestType, std::uint8_t request,
                                          std::uint16_t value, std::uint16_t index, std::uint8_t* data,
                                          std::uint16_t length, unsigned timeoutMs) {
    std::lock_guard<std::mutex> lock(_mutex);
    ++controlCalls;
    _control.requestType = requestType;
    _control.request = request;
    _control.value = value;
    _control.index = index;
    _control.data.assign(data, data + length);
    _control.timeoutMs = timeoutMs;
    if (controlResult < 0) return controlResult;
    return length;
}

void SimWeldingController::updateMotion() {
    std::uint32_t& status = _regs[kRegStatus];
    const std::uint32_t control = _regs[kRegControl];
    if (!(control & (kJogBit | kWeldBits))) {
        _jogStatusReads = 0;
        if (!keepFinished) status &= ~kFinishedBit;
    }
}

void SimWeldingController::handleRequest(const std::uint8_t* frame, int length) {
    if (_hasPending) ++overlaps;
    _hasPending = true;
    _pendingValid = false;
    if (length != static_cast<int>(kWelderFrameSize) || drivers::getU16(frame) != kWelderRequestHead ||
        crc16Modbus(frame, 8) != drivers::getU16(frame + 8)) {
        ++badRequests;
        _pending = errorFrame();
        return;
    }
    const std::uint16_t raw = drivers::getU16(frame + 2);
    const bool read = raw & kWelderReadFlag;
    const std::uint16_t address = raw & 0x7FFF;
    const std::uint32_t data = drivers::getU32(frame + 4);
    if (address >= 10) {
        _pending = errorFrame();
        return;
    }
    JournalEntry e;
    e.write = !read;
    e.address = address;
    if (read) {
        readRequestData.push_back(data);
        if (address == kRegStatus && (_regs[kRegControl] & kJogBit)) {
            if (++_jogStatusReads >= jogFinishAfterStatusReads) _regs[kRegStatus] |= kFinishedBit;
        }
        if (address == kRegProgress && (_regs[kRegControl] & kWeldBits)) {
            std::uint32_t p = _regs[kRegProgress] + progressStep;
            if (p >= 100) {
                p = 100;
                _regs[kRegStatus] |= kFinishedBit;
            }
            _regs[kRegProgress] = p;
        }
        e.data = _regs[address];
    } else {
        auto it = _failWrites.find(address);
        if (it != _failWrites.end() && it->second > 0) {
            if (--it->second == 0) _failWrites.erase(it);
            e.data = data;
            _journal.push_back(e);
            _pending = errorFrame();
            return;
        }
        if (address == kRegControl) {
            const std::uint32_t before = _regs[kRegControl];
            if ((data & kJogBit) && !(before & kJogBit)) _jogStatusReads = 0;
            if ((data & kWeldBits) && !(before & kWeldBits)) _regs[kRegProgress] = 0;
        }
        _regs[address] = data;
        if (address == kRegControl) updateMotion();
        e.data = data;
    }
    e.answered = true;
    _journal.push_back(e);
    if (!read && onWrite) onWrite(e);
    _pending = replyFrame(address, e.data);
    _pendingValid = true;
    _pendingAddress = address;
}

int SimWeldingController::bulkTransfer(Usb10Handle*, unsigned char endpoint, std::uint8_t* data, int length,
                                       int* transferred, unsigned) {
    std::lock_guard<std::mutex> lock(_mutex);
    ++bulkCalls;
    *transferred = 0;
    if (_unplugged) return USB10_ERROR_NO_DEVICE;
    if (_sequenceCalls < 0 && endpoint == kWelderEndpointOut && length >= 4) {
        const std::uint16_t address = drivers::getU16(data + 2);
        if (!(address & kWelderReadFlag) && address != kRegControl) _sequenceCalls = 0;
    }
    if (_sequenceCalls >= 0 && ++_sequenceCalls == _timeoutAt) return USB10_ERROR_TIMEOUT;
    if (endpoint == kWelderEndpointOut) {
        RequestFault fault = RequestFault::none;
        if (!_requestFaults.empty()) {
            fault = _requestFaults.front();
            _requestFaults.pop_front();
        }
        switch (fault) {
            case RequestFault::writeError: return USB10_ERROR_IO;
            case RequestFault::timeout: return USB10_ERROR_TIMEOUT;
            case RequestFault::shortWrite:
                *transferred = length < 5 ? length : 5;
                return 0;
            case RequestFault::none: break;
        }
        handleRequest(data, length);
        *transferred = length;
        return 0;
    }
    if (endpoint != kWelderEndpointIn) return USB10_ERROR_INVALID_PARAM;

    ReplyFault fault = ReplyFault::none;
    if (!_replyFaults.empty()) {
        fault = _replyFaults.front();
        _replyFaults.pop_front();
    }
    std::vector<std::uint8_t> reply = _pending;
    const bool had = _hasPending;
    _hasPending = false;
    auto corruptible = [&]() {
        if (reply.size() != kWelderFrameSize) reply = replyFrame(_pendingAddress, 0);
    };
    switch (fault) {
        case ReplyFault::none:
            if (!had) return USB10_ERROR_TIMEOUT;
            break;
        case ReplyFault::badCrc:
            corruptible();
            reply[8] ^= 0xFF;
            break;
        case ReplyFault::short9:
            corruptible();
            reply.resize(9);
            break;
        case ReplyFault::long11:
            corruptible();
            reply.push_back(0);
            break;
        case ReplyFault::errorReply:
            reply = errorFrame();
            break;
        case ReplyFault::blockReply: {
            reply.assign(kWelderBlockFrameSize, 0);
            reply[0] = 0xF1;
            reply[1] = 0x5A;
            reply[2] = 4;
            for (int i = 0; i < 4; ++i) reply[3 + i] = static_cast<std::uint8_t>(i + 1);
            const std::uint16_t crc = crc16Modbus(reply.data(), 35);
            drivers::putU16(reply.data() + 35, crc);
            break;
        }
        case ReplyFault::address41:
            reply = replyFrame(41, 0);
            break;
        case ReplyFault::otherAddress:
            reply = replyFrame(static_cast<std::uint16_t>((_pendingAddress + 1) % 10), 0x5A5A5A5A);
            break;
        case ReplyFault::unknownHead:
            reply = replyFrame(_pendingAddress, 0);
            reply[0] = 0x34;
            reply[1] = 0x12;
            break;
        case ReplyFault::timeout:
            return USB10_ERROR_TIMEOUT;
        case ReplyFault::zeroBytes:
            return 0;
        case ReplyFault::unplug:
            _unplugged = true;
            return USB10_ERROR_NO_DEVICE;
    }
    const int n = static_cast<int>(reply.size()) < length ? static_cast<int>(reply.size()) : length;
    std::memcpy(data, reply.data(), static_cast<std::size_t>(n));
    *transferred = n;
    return 0;
}

const char* SimWeldingController::errorName(int code) { return usb10ErrorName(code); }

ScopedSimWelder::ScopedSimWelder(SimWeldingController& sim) : _previous(setUsb10(&sim)) {}
ScopedSimWelder::~ScopedSimWelder() { setUsb10(_previous); }

}  // namespace simwelder
