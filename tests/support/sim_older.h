#pragma once
// Simulated older measuring controller (USB 0x2E91:0x7687) behind the Usb01
// seam, for the tests of its link and of `EApi`.
//
// It reuses the bus list, open/configuration/claim failures and unplugging of
// the simulated measuring controller and replaces its frames with the older
// controller's: 64-byte register packets on OUT 0x02 (0x11 read, 0x10 write,
// 0x12 training; replies 0x82 queued for IN 0x82, writes unanswered) and raw
// data blocks of type 0x0081 on IN 0x81.  Behind the packets sits the
// register file 0-28 (control flags, status, frequency, ..., sample rate,
// conversion start, data ready) with a journal of every access.
//
// Data: a conversion starts with a write of bit 31 + block count to register
// 27; register 28 then reads bit 31 set (unless data is held back) and one
// bulk read of IN 0x81 delivers that many blocks, made from a looped list of
// raw frames (e.g. `SynthRotor::rawSamples`), up to five samples per block, with
// mark bits, the signed speed, the reached bit and a packet number counting
// 0..10000 and round again.  The reached bit drops after every frequency
// write and rises again after `reachedDelayBlocks` blocks.
//
// Faults: besides the one-shot injections below, `injectFault` arms a fault
// (unplug, time-out, damaged frame, late reply) for the first transfer a
// test's match picks, e.g. a data read of a measuring cycle or the stop's
// write.  A late reply is one the read gives up on: it stays in the pipe, as
// the controller keeps it across a reconnect.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "support/raw_frame.h"
#include "support/sim_measuring.h"

namespace sim {

class SimOlderController : public SimMeasuringController {
public:
    SimOlderController();  // one older controller on bus 0

    // ---- register file ----
    void setReg(std::uint32_t reg, std::uint32_t value);
    std::uint32_t regValue(std::uint32_t reg) const;
    void setFirmware(int major, int minor, bool debug = false, int year = 2021, int month = 6, int day = 15);
    void setSafety(unsigned bits);          // status bits 0-1 (3 = free)
    void setInverterFault(int code);        // status bit 7 and bits 8-14; 0 clears
    void setInputs(std::uint32_t word);     // register 22
    void failReads(std::uint32_t reg, bool fail);  // reads of reg get no valid reply
    std::vector<JournalEntry> registerJournal() const;
    std::vector<JournalEntry> registerWrites() const;
    std::vector<std::uint32_t> writesOf(std::uint32_t reg) const;
    void clearRegisterJournal();
    int trainingCommands() const;

    // ---- packet injections (each applies to the next matching call) ----
    void injectPacketShortWrite(int bytes);
    void injectReplyCommand(std::uint16_t command);
    void injectReplyRegister(std::uint32_t reg);
    void injectShortReply(int bytes);

    // ---- faults at a chosen transfer ----
    enum class Fault {
        unplug,        // this call and every later one fail with -ENODEV until replug
        timeout,       // a read request is never answered; a write or a data read answers -ETIMEDOUT
        damagedFrame,  // the reply has a wrong command, a data block random bytes, a write is
                       // taken by the bus but not by the controller
        lateReply,     // the reply comes after the read gave up (that read times out)
    };
    // A transfer as a fault's match sees it, with the registers that tell a
    // drive's acceleration from a measurement.
    struct Transfer {
        enum Kind { read, write, data } kind = read;
        std::uint32_t reg = 0;         // read and write requests
        std::uint32_t value = 0;       // write requests
        std::uint32_t frequency = 0;   // register 2 before the transfer
        std::uint32_t sampleRate = 0;  // register 26
    };
    using TransferMatch = std::function<bool(const Transfer&)>;
    // Arms `fault` for the first transfer `when` picks.  `when` runs under
    // the simulator's lock on the caller's thread and must not call the
    // simulator.
    void injectFault(Fault fault, TransferMatch when);
    // Disarms every fault (a pulled cable stays pulled: replug).
    void clearFaults();
    int faultsFired() const;
    // The reads a late reply lets pass before it comes (default 1).
    void setLateReplyReads(int reads);

    // ---- data ----
    void setFrames(std::vector<RawFrame> frames);
    void setSamplesPerBlock(int n);
    void setSpeed(std::int16_t speed);
    // Called once per block for the speed field when set.
    void setSpeedSource(std::function<std::int16_t()> source);
    void setReachedDelayBlocks(int blocks);
    void holdData(bool hold);                     // data-ready stays clear
    void injectPacketJump(int by);                // next block's number jumps by `by`
    void injectSampleCount(int count);            // next block claims `count` samples
    void injectForeignBlock();                    // next block has another type
    void injectShortBulk(int bytes);              // next data read moves only `bytes`
    void injectEmptyBulk();                       // next data read moves nothing
    // Motor mode: the blocks come from a rotor turned by the inverter.  The
    // speed follows the frequency register (0.1 Hz) as goal = |f| x
    // rpmPerTenthHz with a first-order lag of tauMs; the mark is on the first
    // three samples of each revolution, the block's speed field carries the
    // speed, and every data read moves `clock` on by the samples' duration at
    // the sample rate (register 26).  The clock is anything with nowMs() and
    // advanceMs(ms), such as a test's virtual clock; frames set are one turn of its signal.
    struct MotorClock {
        std::function<std::int64_t()> nowMs;
        std::function<void(std::int64_t ms)> advanceMs;
    };
    void setMotor(MotorClock clock, double rpmPerTenthHz, double tauMs);
    template <class C>
    void setMotor(C* clock, double rpmPerTenthHz, double tauMs) {
        setMotor(MotorClock{[clock] { return clock->nowMs(); }, [clock](std::int64_t ms) { clock->advanceMs(ms); }},
                 rpmPerTenthHz, tauMs);
    }
    double motorSpeed() const;
    int conversionsStarted() const;
    int blocksServed() const;
    int framesServed() const;

    int bulkWrite(drivers::Usb01Handle* h, int endpoint, const std::uint8_t* bytes, int size, int timeoutMs) override;
    int bulkRead(drivers::Usb01Handle* h, int endpoint, std::uint8_t* bytes, int size, int timeoutMs) override;

private:
    struct ArmedFault {
        Fault fault;
        TransferMatch when;
    };
    // The fault armed for this transfer, if any (disarmed as it fires).
    std::optional<Fault> faultFor(const Transfer& t);
    Transfer transfer(Transfer::Kind kind, std::uint32_t reg, std::uint32_t value);
    void makeBlock(std::uint8_t* out);
    std::uint32_t readValue(std::uint32_t reg);
    void applyWrite(std::uint32_t reg, std::uint32_t value);

    mutable std::mutex m_;
    std::map<std::uint32_t, std::uint32_t> regs_;
    std::map<std::uint32_t, bool> failing_;
    std::vector<JournalEntry> journal_;
    std::deque<std::vector<std::uint8_t>> replies_;
    int trainingCommands_ = 0;
    std::deque<int> shortWrites_, shortReplies_;
    std::deque<std::uint16_t> replyCommands_;
    std::deque<std::uint32_t> replyRegisters_;
    std::vector<ArmedFault> faults_;
    int faultsFired_ = 0;
    int lateReads_ = 0;  // reply reads that give up before the queued reply
    int lateReplyReads_ = 1;

    std::vector<RawFrame> frames_;
    std::size_t frameCursor_ = 0;
    int samplesPerBlock_ = 5;
    std::int16_t speed_ = 0;
    std::function<std::int16_t()> speedSource_;
    int reachedDelay_ = 2;
    int reachedCountdown_ = 0;
    bool hold_ = false;
    bool converting_ = false;
    std::uint32_t conversionBlocks_ = 0;
    int packet_ = 0;
    int packetJump_ = 0;
    int sampleCountOverride_ = -1;
    bool foreignBlock_ = false;
    int shortBulk_ = -1;
    int conversions_ = 0, blocksServed_ = 0, framesServed_ = 0;

    double speedNow() const;
    bool motor_ = false;
    MotorClock motorClock_;
    double rpmPerTenthHz_ = 0.0;
    double tauMs_ = 0.0;
    double speedAtT0_ = 0.0;
    std::int64_t t0Ms_ = 0;
    std::int32_t motorFrequency_ = 0;
    double motorPhase_ = 0.0;
    int markLeft_ = 0;
    double pendingMs_ = 0.0;
};

}  // namespace sim
