#include "support/sim_older.h"

#include <cerrno>
#include <cmath>
#include <algorithm>
#include <cstring>

#include "drivers/older/older_protocol.h"

namespace sim {

using Lock = std::lock_guard<std::mutex>;

using namespace older;
using drivers::putU16;

SimOlderController::SimOlderController() {
    clearBus();
    addDevice(0, 3, 0x1D6B, 0x0002);  // a hub first: the search must skip it
    addDevice(0, 4, kVendorId, kProductId);
    regs_[kRegStatus] = kStatusFree | (2u << 8);  // inverter type 2
    regs_[kRegInputs] = 0xFFFFFFFFu;              // every input closed, milling unit inactive
    regs_[kRegFirmware] = encodeFirmware({3, 6, false, 2021, 6, 15});
}

void SimOlderController::setReg(std::uint32_t reg, std::uint32_t value) {
    Lock l(m_);
    regs_[reg] = value;
}
std::uint32_t SimOlderController::regValue(std::uint32_t reg) const {
    Lock l(m_);
    auto it = regs_.find(reg);
    return it == regs_.end() ? 0 : it->second;
}
void SimOlderController::setFirmware(int major, int minor, bool debug, int year, int month, int day) {
    setReg(kRegFirmware, encodeFirmware({major, minor, debug, year, month, day}));
}
void SimOlderController::setSafety(unsigned bits) {
    Lock l(m_);
    regs_[kRegStatus] = (regs_[kRegStatus] & ~kStatusSafetyMask) | (bits & kStatusSafetyMask);
}
void SimOlderController::setInverterFault(int code) {
    Lock l(m_);
    std::uint32_t s = regs_[kRegStatus] & ~0x7F80u;
    if (code != 0) s |= kStatusInverterFault | ((static_cast<std::uint32_t>(code) & 0x7Fu) << 8);
    regs_[kRegStatus] = s;
}
void SimOlderController::setInputs(std::uint32_t word) { setReg(kRegInputs, word); }
void SimOlderController::failReads(std::uint32_t reg, bool fail) {
    Lock l(m_);
    failing_[reg] = fail;
}
std::vector<JournalEntry> SimOlderController::registerJournal() const {
    Lock l(m_);
    return journal_;
}
std::vector<JournalEntry> SimOlderController::registerWrites() const {
    Lock l(m_);
    std::vector<JournalEntry> out;
    for (const auto& e : journal_)
        if (e.write) out.push_back(e);
    return out;
}
std::vector<std::uint32_t> SimOlderController::writesOf(std::uint32_t reg) const {
    Lock l(m_);
    std::vector<std::uint32_t> out;
    for (const auto& e : journal_)
        if (e.write && e.reg == reg) out.push_back(e.value);
    return out;
}
void SimOlderController::clearRegisterJournal() {
    Lock l(m_);
    journal_.clear();
}
int SimOlderController::trainingCommands() const {
    Lock l(m_);
    return trainingCommands_;
}
void SimOlderController::injectPacketShortWrite(int bytes) {
    Lock l(m_);
    shortWrites_.push_back(bytes);
}
void SimOlderController::injectReplyCommand(std::uint16_t command) {
    Lock l(m_);
    replyCommands_.push_back(command);
}
void SimOlderController::injectReplyRegister(std::uint32_t reg) {
    Lock l(m_);
    replyRegisters_.push_back(reg);
}
void SimOlderController::injectShortReply(int bytes) {
    Lock l(m_);
    shortReplies_.push_back(bytes);
}
void SimOlderController::setFrames(std::vector<RawFrame> frames) {
    Lock l(m_);
    frames_ = std::move(frames);
    frameCursor_ = 0;
}
void SimOlderController::setSamplesPerBlock(int n) {
    Lock l(m_);
    samplesPerBlock_ = n;
}
void SimOlderController::setSpeed(std::int16_t speed) {
    Lock l(m_);
    speed_ = speed;
}
void SimOlderController::setSpeedSource(std::function<std::int16_t()> source) {
    Lock l(m_);
    speedSource_ = std::move(source);
}
void SimOlderController::setReachedDelayBlocks(int blocks) {
    Lock l(m_);
    reachedDelay_ = blocks;
}
void SimOlderController::holdData(bool hold) {
    Lock l(m_);
    hold_ = hold;
}
void SimOlderController::injectPacketJump(int by) {
    Lock l(m_);
    packetJump_ = by;
}
void SimOlderController::injectSampleCount(int count) {
    Lock l(m_);
    sampleCountOverride_ = count;
}
void SimOlderController::injectForeignBlock() {
    Lock l(m_);
    foreignBlock_ = true;
}
void SimOlderController::injectShortBulk(int bytes) {
    Lock l(m_);
    shortBulk_ = bytes;
}
void SimOlderController::injectEmptyBulk() {
    Lock l(m_);
    shortBulk_ = 0;
}
void SimOlderController::setMotor(MotorClock clock, double rpmPerTenthHz, double tauMs) {
    Lock l(m_);
    motor_ = static_cast<bool>(clock.nowMs);
    motorClock_ = std::move(clock);
    rpmPerTenthHz_ = rpmPerTenthHz;
    tauMs_ = tauMs;
    t0Ms_ = motor_ ? motorClock_.nowMs() : 0;
}
double SimOlderController::speedNow() const {
    double goal = std::abs(static_cast<double>(motorFrequency_)) * rpmPerTenthHz_;
    if (motorFrequency_ < 0) goal = -goal;
    const double dt = static_cast<double>(motorClock_.nowMs() - t0Ms_) + pendingMs_;
    if (tauMs_ <= 0) return goal;
    return goal + (speedAtT0_ - goal) * std::exp(-dt / tauMs_);
}
double SimOlderController::motorSpeed() const {
    Lock l(m_);
    return motor_ ? speedNow() : 0.0;
}
int SimOlderController::conversionsStarted() const {
    Lock l(m_);
    return conversions_;
}
int SimOlderController::blocksServed() const {
    Lock l(m_);
    return blocksServed_;
}
int SimOlderController::framesServed() const {
    Lock l(m_);
    return framesServed_;
}

void SimOlderController::injectFault(Fault fault, TransferMatch when) {
    Lock l(m_);
    faults_.push_back({fault, std::move(when)});
}
void SimOlderController::clearFaults() {
    Lock l(m_);
    faults_.clear();
    lateReads_ = 0;
}
void SimOlderController::setLateReplyReads(int reads) {
    Lock l(m_);
    lateReplyReads_ = reads;
}
int SimOlderController::faultsFired() const {
    Lock l(m_);
    return faultsFired_;
}

SimOlderController::Transfer SimOlderController::transfer(Transfer::Kind kind, std::uint32_t reg,
                                                          std::uint32_t value) {
    Transfer t;
    t.kind = kind;
    t.reg = reg;
    t.value = value;
    t.frequency = regs_[kRegFrequency];
    t.sampleRate = regs_[kRegSampleRate];
    return t;
}

std::optional<SimOlderController::Fault> SimOlderController::faultFor(const Transfer& t) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (!it->when || !it->when(t)) continue;
        const Fault fault = it->fault;
        ++faultsFired_;
        faults_.erase(it);
        return fault;
    }
    return std::nullopt;
}

std::uint32_t SimOlderController::readValue(std::uint32_t reg) {
    if (reg == kRegDataReady) return (converting_ && !hold_) ? kConversionBit : 0u;
    if (reg == kRegStatus) {
        std::uint32_t s = regs_[kRegStatus] & ~kStatusSpeedReached;
        if (reachedCountdown_ == 0) s |= kStatusSpeedReached;
        return s;
    }
    return regs_[reg];
}

void SimOlderController::applyWrite(std::uint32_t reg, std::uint32_t value) {
    regs_[reg] = value;
    if (reg == kRegFrequency) {
        reachedCountdown_ = reachedDelay_;
        if (motor_) {
            speedAtT0_ = speedNow();
            t0Ms_ = motorClock_.nowMs();
            pendingMs_ = 0;
            motorFrequency_ = static_cast<std::int32_t>(value);
        }
    }
    if (reg == kRegStartConversion && (value & kConversionBit)) {
        converting_ = true;
        conversionBlocks_ = value & ~kConversionBit;
        ++conversions_;
    }
}

int SimOlderController::bulkWrite(drivers::Usb01Handle* h, int endpoint, const std::uint8_t* bytes, int size, int) {
    if (!handleWorks(h)) return -ENODEV;
    Lock l(m_);
    if (endpoint != kEpOut) return -EINVAL;
    if (!shortWrites_.empty()) {
        const int n = shortWrites_.front();
        shortWrites_.pop_front();
        return n;
    }
    if (size != kPacketSize) return size;
    const RegisterPacket request = RegisterPacket::decode(bytes);
    const std::uint32_t reg = request.reg;
    const std::uint32_t value = request.value;
    const bool read = request.command == kCmdRead;
    std::optional<Fault> fault;
    if (read || request.command == kCmdWrite)
        fault = faultFor(transfer(read ? Transfer::read : Transfer::write, reg, value));
    if (fault == Fault::unplug) {
        unplug();
        return -ENODEV;
    }
    if (read) {
        const bool fail = failing_[reg];
        const std::uint32_t v = fail ? 0 : readValue(reg);
        journal_.push_back({reg, false, v, value});
        if (fault == Fault::timeout) return size;  // taken, never answered
        RegisterPacket answer{fail ? std::uint16_t{0} : std::uint16_t{kCmdReadReply}, reg, v};
        if (!replyCommands_.empty()) {
            answer.command = replyCommands_.front();
            replyCommands_.pop_front();
        }
        if (!replyRegisters_.empty()) {
            answer.reg = replyRegisters_.front();
            replyRegisters_.pop_front();
        }
        if (fault == Fault::damagedFrame) answer.command = 0x5A;
        std::vector<std::uint8_t> reply(kPacketSize, 0);
        answer.encode(reply.data());
        if (fault == Fault::lateReply && replies_.empty()) lateReads_ = lateReplyReads_;
        replies_.push_back(std::move(reply));
    } else if (request.command == kCmdWrite) {
        if (fault == Fault::timeout) return -ETIMEDOUT;
        if (fault) return size;  // on the bus, not in the register
        journal_.push_back({reg, true, value, 0});
        applyWrite(reg, value);
    } else if (request.command == kCmdTrain) {
        ++trainingCommands_;
    }
    return size;
}

void SimOlderController::makeBlock(std::uint8_t* out) {
    std::memset(out, 0, kBlockSize);
    putU16(out, foreignBlock_ ? 0x0055 : DataBlock::kType);
    foreignBlock_ = false;
    int n = samplesPerBlock_;
    std::uint8_t marks = 0;
    if (motor_) {
        const double rate = regs_[kRegSampleRate] > 0 ? regs_[kRegSampleRate] : 18175.0;
        double speed = 0;
        for (int i = 0; i < n; ++i) {
            speed = speedNow();
            const double before = motorPhase_;
            motorPhase_ += std::fabs(speed) / 60.0 / rate;
            if (std::floor(motorPhase_) != std::floor(before)) markLeft_ = 3;
            if (markLeft_ > 0) {
                marks |= static_cast<std::uint8_t>(1u << i);
                --markLeft_;
            }
            pendingMs_ += 1000.0 / rate;
            if (frames_.empty()) continue;
            const double turn = motorPhase_ - std::floor(motorPhase_);
            const auto& f = frames_[static_cast<std::size_t>(turn * frames_.size()) % frames_.size()];
            for (int c = 1; c <= 5; ++c)
                putU16(out + DataBlock::valueOffset(c, i), static_cast<std::uint16_t>(f.values[c - 1]));
        }
        speed_ = static_cast<std::int16_t>(std::lround(std::max(-32768.0, std::min(32767.0, speed))));
    }
    for (int i = 0; i < n && !frames_.empty() && !motor_; ++i) {
        const auto& f = frames_[frameCursor_];
        frameCursor_ = (frameCursor_ + 1) % frames_.size();
        ++framesServed_;
        if (f.mark) marks |= static_cast<std::uint8_t>(1u << i);
        for (int c = 1; c <= 5; ++c) {
            putU16(out + DataBlock::valueOffset(c, i), static_cast<std::uint16_t>(static_cast<std::int16_t>(f.values[c - 1])));
        }
    }
    if (frames_.empty() && !motor_) n = 0;
    out[2] = static_cast<std::uint8_t>(sampleCountOverride_ >= 0 ? sampleCountOverride_ : n);
    sampleCountOverride_ = -1;
    out[3] = marks;
    const std::int16_t speed = speedSource_ ? speedSource_() : speed_;
    putU16(out + 4, static_cast<std::uint16_t>(speed));
    if (packetJump_ != 0) {
        packet_ = (packet_ + packetJump_) % 10001;
        packetJump_ = 0;
    }
    const bool reached = reachedCountdown_ == 0;
    if (reachedCountdown_ > 0) --reachedCountdown_;
    putU16(out + 6, static_cast<std::uint16_t>((reached ? 0x8000u : 0u) | (static_cast<unsigned>(packet_) & 0x7FFFu)));
    packet_ = packet_ >= 10000 ? 0 : packet_ + 1;
    ++blocksServed_;
}

int SimOlderController::bulkRead(drivers::Usb01Handle* h, int endpoint, std::uint8_t* bytes, int size, int) {
    if (!handleWorks(h)) return -ENODEV;
    Lock l(m_);
    if (endpoint == kEpReply) {
        if (replies_.empty()) return -ETIMEDOUT;
        if (lateReads_ > 0) {
            --lateReads_;
            return -ETIMEDOUT;  // the reply is on its way still
        }
        std::vector<std::uint8_t> reply = std::move(replies_.front());
        replies_.pop_front();
        int n = static_cast<int>(reply.size());
        if (!shortReplies_.empty()) {
            n = std::min(n, shortReplies_.front());
            shortReplies_.pop_front();
        }
        n = std::min(n, size);
        std::memcpy(bytes, reply.data(), static_cast<std::size_t>(n));
        return n;
    }
    if (endpoint == kEpData) {
        if (!converting_ || hold_) return -ETIMEDOUT;
        const std::optional<Fault> fault = faultFor(transfer(Transfer::data, 0, 0));
        if (fault == Fault::unplug) {
            unplug();
            return -ENODEV;
        }
        if (fault == Fault::timeout || fault == Fault::lateReply) return -ETIMEDOUT;
        const int blocks = std::min<int>(static_cast<int>(conversionBlocks_), size / kBlockSize);
        for (int b = 0; b < blocks; ++b) {
            makeBlock(bytes + kBlockSize * b);
            if (fault != Fault::damagedFrame || b != blocks / 2) continue;
            for (int k = 0; k < kBlockSize; ++k) bytes[kBlockSize * b + k] = static_cast<std::uint8_t>(k * 89 + 51);
        }
        converting_ = false;
        if (motor_) {
            // The samples took their time: the clock moves on by their duration.
            const auto whole = static_cast<std::int64_t>(pendingMs_);
            motorClock_.advanceMs(whole);
            pendingMs_ -= static_cast<double>(whole);
        }
        int n = blocks * kBlockSize;
        if (shortBulk_ >= 0) {
            n = std::min(n, shortBulk_);
            shortBulk_ = -1;
        }
        return n;
    }
    return -EINVAL;
}

}  // namespace sim
