#include "support/sim_measuring.h"

#include <cerrno>
#include <cstring>
#include <sstream>

#include "drivers/common/driver_timing.h"
#include "drivers/measuring/kwz_usb_hard.h"

namespace sim {

using namespace TamskKWZv2;
using Lock = std::lock_guard<std::recursive_mutex>;

std::string toString(const JournalEntry& e) {
    std::ostringstream s;
    s << e.reg << (e.write ? " W 0x" : " R 0x") << std::hex << e.value;
    if (!e.write && e.argument) s << " arg 0x" << e.argument;
    return s.str();
}

std::uint32_t firmwareVersionWord(unsigned major, unsigned minor, unsigned build) {
    return (major & 0xFF) << 24 | (minor & 0xFF) << 16 | (build & 0xFFFF);
}

std::uint32_t firmwareDateWord(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute) {
    return (year & 0xFFF) << 20 | (month & 0xF) << 16 | (day & 0x1F) << 11 | (hour & 0x1F) << 6 | (minute & 0x3F);
}

std::uint32_t floatBits(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

namespace {
drivers::Usb01Handle* handleFor(int openCount) {
    return reinterpret_cast<drivers::Usb01Handle*>(static_cast<std::uintptr_t>(0x10000 + 16 * openCount));
}
}  // namespace

SimMeasuringController::SimMeasuringController() {
    devices_.push_back({0, 1, drivers::kTamskVendorId, drivers::kMeasuringControllerProductId});
    regs_[REG_FW_VERSION] = firmwareVersionWord(6, 2, 17);
    regs_[REG_FW_DATE] = firmwareDateWord(2023, 1, 25, 14, 3);
    regs_[REG_ADC_SAMPLE_RATE] = 1800;
}

SimMeasuringController::~SimMeasuringController() = default;

// ---------------------------------------------------------------- configuration

void SimMeasuringController::clearBus() {
    Lock l(mutex_);
    devices_.clear();
}
int SimMeasuringController::addDevice(unsigned bus, unsigned address, std::uint16_t vendor, std::uint16_t product) {
    Lock l(mutex_);
    devices_.push_back({bus, address, vendor, product});
    return static_cast<int>(devices_.size()) - 1;
}
int SimMeasuringController::openedDevice() const { Lock l(mutex_); return openedDevice_; }
int SimMeasuringController::openCount() const { Lock l(mutex_); return openCount_; }
int SimMeasuringController::closeCount() const { Lock l(mutex_); return closeCount_; }
bool SimMeasuringController::isHandleOpen() const { Lock l(mutex_); return handleOpen_; }
void SimMeasuringController::failOpen(bool fail) { Lock l(mutex_); failOpen_ = fail; }
void SimMeasuringController::setConfigurationResult(int rc) { Lock l(mutex_); configResult_ = rc; }
void SimMeasuringController::setClaimResult(int rc) { Lock l(mutex_); claimResult_ = rc; }
void SimMeasuringController::busyOnce() { Lock l(mutex_); busy_ = true; }
int SimMeasuringController::detachCount() const { Lock l(mutex_); return detachCount_; }

void SimMeasuringController::setRegister(std::uint32_t r, std::uint32_t value) { Lock l(mutex_); regs_[r] = value; }
std::uint32_t SimMeasuringController::reg(std::uint32_t r) const {
    Lock l(mutex_);
    auto it = regs_.find(r);
    return it == regs_.end() ? 0 : it->second;
}
void SimMeasuringController::setFirmware(std::uint32_t version, std::uint32_t date) {
    Lock l(mutex_);
    regs_[REG_FW_VERSION] = version;
    regs_[REG_FW_DATE] = date;
}
void SimMeasuringController::setReadHook(ReadHook hook) { Lock l(mutex_); readHook_ = std::move(hook); }
void SimMeasuringController::setWriteHook(WriteHook hook) { Lock l(mutex_); writeHook_ = std::move(hook); }

std::vector<JournalEntry> SimMeasuringController::journal() const { Lock l(mutex_); return journal_; }
std::vector<JournalEntry> SimMeasuringController::writes() const {
    Lock l(mutex_);
    std::vector<JournalEntry> w;
    for (const auto& e : journal_)
        if (e.write) w.push_back(e);
    return w;
}
void SimMeasuringController::clearJournal() { Lock l(mutex_); journal_.clear(); }
std::string SimMeasuringController::journalText() const {
    Lock l(mutex_);
    std::string s;
    for (const auto& e : journal_) s += toString(e) + "\n";
    return s;
}
int SimMeasuringController::bulkCalls() const { Lock l(mutex_); return bulkCalls_; }

void SimMeasuringController::injectShortWrite(int bytes) { Lock l(mutex_); shortWrites_.push_back(bytes); }
void SimMeasuringController::injectWriteError(int rc) { Lock l(mutex_); writeErrors_.push_back(rc); }
void SimMeasuringController::injectShortReply(int bytes) { Lock l(mutex_); shortReplies_.push_back(bytes); }
void SimMeasuringController::injectWrongReplyCommand(std::uint16_t command) { Lock l(mutex_); wrongCommands_.push_back(command); }
void SimMeasuringController::injectForeignRegister(std::uint32_t r) { Lock l(mutex_); foreignRegisters_.push_back(r); }
void SimMeasuringController::queueStaleReply(std::uint32_t r, std::uint32_t value) {
    Lock l(mutex_);
    std::vector<std::uint8_t> frame(RegisterFrame::size);
    RegisterFrame f;
    f.command = RegisterFrame::commandReply;
    f.registerNumber = r;
    f.value = value;
    f.encode(frame.data());
    replies_.push_back(std::move(frame));
}
void SimMeasuringController::injectDroppedWrite() {
    Lock l(mutex_);
    ++droppedWrites_;
}
void SimMeasuringController::injectReadTimeout() { Lock l(mutex_); ++readTimeouts_; }
void SimMeasuringController::unplugFromCall(int k) { Lock l(mutex_); unplugAtCall_ = bulkCalls_ + (k < 1 ? 1 : k); }
void SimMeasuringController::unplug() { Lock l(mutex_); unplugged_ = true; }
void SimMeasuringController::replug() {
    Lock l(mutex_);
    unplugged_ = false;
    unplugAtCall_ = 0;
    handleLost_ = handleOpen_;  // a handle from before the unplug stays dead
}
void SimMeasuringController::replugOnSearch() {
    Lock l(mutex_);
    replugOnSearch_ = true;
}
bool SimMeasuringController::handleWorks(drivers::Usb01Handle* h) const {
    Lock l(mutex_);
    return handleValid(h) && !unplugged_;
}
bool SimMeasuringController::unplugged() const { Lock l(mutex_); return unplugged_; }

void SimMeasuringController::setDataReady(DataReady mode, double delayMs) {
    Lock l(mutex_);
    readyMode_ = mode;
    readyDelayMs_ = delayMs;
}
void SimMeasuringController::setBlockGenerator(BlockGenerator gen) { Lock l(mutex_); generator_ = std::move(gen); }
void SimMeasuringController::injectShortBlock(int bytes) { Lock l(mutex_); shortBlock_ = bytes; }
void SimMeasuringController::injectBlockTimeout() { Lock l(mutex_); ++blockTimeouts_; }
int SimMeasuringController::conversionsStarted() const { Lock l(mutex_); return conversionsStarted_; }
int SimMeasuringController::blocksRead() const { Lock l(mutex_); return blocksRead_; }
int SimMeasuringController::dataReadyPolls() const { Lock l(mutex_); return dataReadyPolls_; }

void SimMeasuringController::setInvertorReadyBits(std::uint32_t bits) { Lock l(mutex_); readyBits_ = bits; }
void SimMeasuringController::setFrequencyReached(bool reached) { Lock l(mutex_); frequencyReachedEnabled_ = reached; }
void SimMeasuringController::setManagerBusyReads(int k, std::int32_t finalStatus) {
    Lock l(mutex_);
    managerBusy_ = k;
    managerFinal_ = finalStatus;
}
void SimMeasuringController::setMotorParametersBusyReads(int k) { Lock l(mutex_); motorBusy_ = k; }
void SimMeasuringController::setTraining(int runningReads, std::uint32_t finalState, std::uint32_t fullTurn) {
    Lock l(mutex_);
    trainRunning_ = runningReads;
    trainFinal_ = finalState;
    fullTurn_ = fullTurn;
}
void SimMeasuringController::setMarkerSpeed(unsigned marker, bool optical, float rpm) {
    Lock l(mutex_);
    regs_[markerRegister(optical ? REG_MARKER_OPTICAL_SPEED : REG_MARKER_ENCODER_SPEED, marker)] = floatBits(rpm);
}
void SimMeasuringController::setMarkerAngleTurns(unsigned marker, float turns) {
    Lock l(mutex_);
    regs_[markerRegister(REG_MARKER_ENCODER_ANGLE_DEG, marker)] = floatBits(turns);
}
void SimMeasuringController::setStatusBits(std::uint16_t bits) { Lock l(mutex_); statusBits_ = bits; }
std::uint16_t SimMeasuringController::controlWord() const { Lock l(mutex_); return control_; }
void SimMeasuringController::setWelderStatus(std::uint16_t bits) { Lock l(mutex_); welderStatus_ = bits; }
std::uint16_t SimMeasuringController::welderControl() const { Lock l(mutex_); return welderControl_; }

// ---------------------------------------------------------------- behaviour

bool SimMeasuringController::conversionReady() {
    if (!conversion_.running) return false;
    if (conversion_.ready) return true;
    switch (readyMode_) {
        case DataReady::immediately: conversion_.ready = true; break;
        case DataReady::afterDelay: conversion_.ready = drivers::driverTiming().nowMs() >= conversion_.readyAtMs; break;
        case DataReady::never: break;
    }
    return conversion_.ready;
}

std::uint32_t SimMeasuringController::answerRead(std::uint32_t r, std::uint32_t argument) {
    if (readHook_) {
        if (auto v = readHook_(r, argument)) return *v;
    }
    switch (r) {
        case REG_INVERTOR_STATE:
            return (readyBits_ & 0x7FFFFFFF) | (frequencyReachedEnabled_ && frequencyWritten_ ? 0x80000000u : 0);
        case REG_INVERTOR_MANAGER_ADD:
        case REG_INVERTOR_MANAGER_DELETE:
            if (managerBusyLeft_ > 0) {
                --managerBusyLeft_;
                return 1;
            }
            return static_cast<std::uint32_t>(managerFinal_);
        case REG_ADC_CONVERSION_CONTROL: {
            std::uint32_t v = (conversion_.packetCount & 0xFFFF) | (conversion_.trigger & 0xFF) << 16;
            if (conversion_.running) {
                ++dataReadyPolls_;
                v |= kConversionStartBit;
                if (conversionReady()) v |= kConversionDataReadyBit;
            }
            return v;
        }
        case REG_STATUS_CONTROL:
            return static_cast<std::uint32_t>((statusBits_ & ~0x18u) | (control_ & 0x18u)) << 16;
        case REG_WELDER:
            return static_cast<std::uint32_t>(welderStatus_) << 16;
        case REG_MOTOR_PARAMETERS:
            if (motorBusyLeft_ > 0) {
                --motorBusyLeft_;
                return 1;
            }
            return 0;
        case REG_MARKER_ENCODER_TRAIN:
        case REG_MARKER_ENCODER_TRAIN + kMarkerRegisterStride: {
            const int m = r == REG_MARKER_ENCODER_TRAIN ? 0 : 1;
            if (training_[m]) {
                if (trainLeft_[m] > 0) {
                    const int done = trainRunning_ - trainLeft_[m];
                    --trainLeft_[m];
                    return done % 2 == 0 ? 1 : 2;
                }
                training_[m] = false;
                regs_[r] = trainFinal_;
                if (trainFinal_ != 0) regs_[markerRegister(REG_MARKER_ENCODER_FULL_TURN, m)] = fullTurn_;
            }
            break;
        }
        default: break;
    }
    auto it = regs_.find(r);
    return it == regs_.end() ? 0 : it->second;
}

void SimMeasuringController::applyWrite(std::uint32_t r, std::uint32_t value) {
    if (writeHook_) writeHook_(r, value);
    switch (r) {
        case REG_INVERTOR_FREQUENCY: frequencyWritten_ = true; break;
        case REG_INVERTOR_MANAGER_ADD:
        case REG_INVERTOR_MANAGER_DELETE: managerBusyLeft_ = managerBusy_; break;
        case REG_MARKER_ENCODER_TRAIN:
        case REG_MARKER_ENCODER_TRAIN + kMarkerRegisterStride:
            if (value == 0) {
                const int m = r == REG_MARKER_ENCODER_TRAIN ? 0 : 1;
                training_[m] = true;
                trainLeft_[m] = trainRunning_;
            }
            break;
        case REG_ADC_CONVERSION_CONTROL:
            if (value & kConversionStartBit) {
                conversion_ = Conversion{};
                conversion_.running = true;
                conversion_.packetCount = value & kConversionPacketCountMask;
                conversion_.trigger = (value >> kConversionTriggerShift) & 0xFF;
                conversion_.readyAtMs = drivers::driverTiming().nowMs() + readyDelayMs_;
                ++conversionsStarted_;
            }
            break;
        case REG_STATUS_CONTROL: control_ = static_cast<std::uint16_t>(value); break;
        case REG_WELDER: welderControl_ = static_cast<std::uint16_t>(value); break;
        case REG_MOTOR_PARAMETERS:
            if (value == 0x70000) motorBusyLeft_ = motorBusy_;
            break;
        default: break;
    }
    if (r != REG_ADC_CONVERSION_CONTROL) regs_[r] = value;
}

// ---------------------------------------------------------------- Usb01

void SimMeasuringController::init() {}
int SimMeasuringController::findBusses() { return 0; }
int SimMeasuringController::findDevices() {
    Lock l(mutex_);
    if (replugOnSearch_ && unplugged_) {
        replugOnSearch_ = false;
        replug();
    }
    return 0;
}

std::vector<drivers::Usb01Device> SimMeasuringController::devices() {
    Lock l(mutex_);
    std::vector<drivers::Usb01Device> list;
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        drivers::Usb01Device d;
        d.bus = devices_[i].bus;
        d.address = devices_[i].address;
        d.vendor = devices_[i].vendor;
        d.product = devices_[i].product;
        d.token = &devices_[i];
        list.push_back(d);
    }
    return list;
}

drivers::Usb01Handle* SimMeasuringController::open(const drivers::Usb01Device& device) {
    Lock l(mutex_);
    if (failOpen_ || unplugged_ || handleOpen_) return nullptr;
    int index = -1;
    for (std::size_t i = 0; i < devices_.size(); ++i)
        if (&devices_[i] == device.token) index = static_cast<int>(i);
    if (index < 0) return nullptr;
    openedDevice_ = index;
    ++openCount_;
    handleOpen_ = true;
    return handleFor(openCount_);
}

bool SimMeasuringController::handleValid(drivers::Usb01Handle* h) const {
    return handleOpen_ && !handleLost_ && h == handleFor(openCount_);
}

int SimMeasuringController::setConfiguration(drivers::Usb01Handle* h, int) {
    Lock l(mutex_);
    if (!handleValid(h)) return -ENODEV;
    if (busy_) return -EBUSY;
    return configResult_;
}

int SimMeasuringController::claimInterface(drivers::Usb01Handle* h, int) {
    Lock l(mutex_);
    if (!handleValid(h)) return -ENODEV;
    if (busy_) return -EBUSY;
    return claimResult_;
}

int SimMeasuringController::detachKernelDriver(drivers::Usb01Handle* h, int) {
    Lock l(mutex_);
    if (!handleValid(h)) return -ENODEV;
    ++detachCount_;
    busy_ = false;
    return 0;
}

bool SimMeasuringController::countCallUnplugged() {
    ++bulkCalls_;
    if (unplugAtCall_ > 0 && bulkCalls_ >= unplugAtCall_) unplugged_ = true;
    return unplugged_;
}

int SimMeasuringController::bulkWrite(drivers::Usb01Handle* h, int endpoint, const std::uint8_t* bytes, int size, int) {
    Lock l(mutex_);
    if (!handleValid(h)) return -ENODEV;
    if (countCallUnplugged()) return -ENODEV;
    if (endpoint != kRegisterOutEndpoint) return -EINVAL;
    if (!writeErrors_.empty()) {
        const int rc = writeErrors_.front();
        writeErrors_.pop_front();
        return rc;
    }
    if (!shortWrites_.empty()) {
        const int n = shortWrites_.front();
        shortWrites_.pop_front();
        return n;  // a partial frame: the controller ignores it
    }
    if (size != static_cast<int>(RegisterFrame::size)) return size;  // not a frame: ignored
    const RegisterFrame f = RegisterFrame::decode(bytes);
    if (f.command == RegisterFrame::commandRead) {
        const std::uint32_t value = answerRead(f.registerNumber, f.value);
        journal_.push_back({f.registerNumber, false, value, f.value});
        RegisterFrame reply;
        reply.command = RegisterFrame::commandReply;
        reply.registerNumber = f.registerNumber;
        reply.value = value;
        if (!wrongCommands_.empty()) {
            reply.command = wrongCommands_.front();
            wrongCommands_.pop_front();
        }
        if (!foreignRegisters_.empty()) {
            reply.registerNumber = foreignRegisters_.front();
            foreignRegisters_.pop_front();
        }
        std::vector<std::uint8_t> frame(RegisterFrame::size);
        reply.encode(frame.data());
        replies_.push_back(std::move(frame));
    } else if (f.command == RegisterFrame::commandWrite) {
        if (droppedWrites_ > 0) {
            --droppedWrites_;
            return size;  // on the bus, never in the register
        }
        journal_.push_back({f.registerNumber, true, f.value, 0});
        applyWrite(f.registerNumber, f.value);
    }
    return size;
}

int SimMeasuringController::bulkRead(drivers::Usb01Handle* h, int endpoint, std::uint8_t* bytes, int size, int) {
    Lock l(mutex_);
    if (!handleValid(h)) return -ENODEV;
    if (countCallUnplugged()) return -ENODEV;
    if (endpoint == kRegisterInEndpoint) {
        if (replies_.empty()) return -ETIMEDOUT;
        if (readTimeouts_ > 0) {
            --readTimeouts_;
            return -ETIMEDOUT;  // the reply comes late: it stays in the pipe
        }
        std::vector<std::uint8_t> frame = std::move(replies_.front());
        replies_.pop_front();
        int n = static_cast<int>(frame.size());
        if (!shortReplies_.empty()) {
            n = shortReplies_.front();
            shortReplies_.pop_front();
        }
        if (n > size) n = size;
        std::memcpy(bytes, frame.data(), static_cast<std::size_t>(n));
        return n;
    }
    if (endpoint == kADCDataEndpoint) {
        if (blockTimeouts_ > 0) {
            --blockTimeouts_;
            return -ETIMEDOUT;
        }
        if (!conversionReady()) return -ETIMEDOUT;
        BlockRequest req;
        req.packetCount = conversion_.packetCount;
        req.trigger = conversion_.trigger;
        req.sampleRate = regs_[REG_ADC_SAMPLE_RATE];
        req.conversion = static_cast<unsigned>(conversionsStarted_);
        std::vector<std::uint8_t> block(static_cast<std::size_t>(req.packetCount) * ADCDataPacket::size);
        if (generator_) {
            generator_(req, block);
            block.resize(static_cast<std::size_t>(req.packetCount) * ADCDataPacket::size);
        } else {
            for (std::uint32_t p = 0; p < req.packetCount; ++p) {
                ADCDataPacket packet;
                packet.sequence = static_cast<std::uint16_t>(p);
                packet.encode(block.data() + p * ADCDataPacket::size);
            }
        }
        conversion_.running = false;
        conversion_.ready = false;
        ++blocksRead_;
        int n = static_cast<int>(block.size());
        if (shortBlock_ >= 0) {
            n = shortBlock_;
            shortBlock_ = -1;
        }
        if (n > size) n = size;
        std::memcpy(bytes, block.data(), static_cast<std::size_t>(n));
        return n;
    }
    return -EINVAL;
}

int SimMeasuringController::close(drivers::Usb01Handle* h) {
    Lock l(mutex_);
    if (!handleOpen_ || h != handleFor(openCount_)) return -ENODEV;  // a dead handle is still closed
    handleOpen_ = false;
    handleLost_ = false;
    ++closeCount_;
    replies_.clear();  // what was pending in the pipe is lost with the handle
    return 0;
}

}  // namespace sim
