#pragma once
// Simulated measuring controller behind the Usb01 seam.
//
// It speaks the real 64-byte frames: register frames arrive on OUT 0x02 and
// are parsed byte by byte, replies are queued for IN 0x82, ADC blocks are
// served on IN 0x81.  Behind the frames sits a register file with the
// controller's behaviour (firmware gate, ADC engine, inverter, inverter
// manager, motor parameters, encoder training, marker speeds, status and
// welder words).  Every register access is journaled.
//
// Faults are injected per call (short write, short reply, wrong reply
// command, reply naming another register, stale reply, time-out, unplug).
// No injection waits in real time: a time-out answers -ETIMEDOUT at once.
//
// Thread-safe: the driver's worker and the test thread may use it at once.
//
// Use:   SimMeasuringController sim;            // one matching device on bus 0
//        ScopedUsb01 use(sim);                  // install as drivers::usb01()
//
// Extending (e.g. an ADC block generator): setBlockGenerator, setReadHook,
// setWriteHook.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "drivers/common/usb01.h"

namespace sim {

struct JournalEntry {
    std::uint32_t reg = 0;
    bool write = false;
    std::uint32_t value = 0;     // written value, or the value answered to a read
    std::uint32_t argument = 0;  // value field of a read request
    bool operator==(const JournalEntry& o) const {
        return reg == o.reg && write == o.write && value == o.value && argument == o.argument;
    }
};
std::string toString(const JournalEntry& e);

// When the data of a started conversion becomes ready.
enum class DataReady { immediately, afterDelay, never };

struct BlockRequest {
    std::uint32_t packetCount = 0;
    std::uint32_t trigger = 0;
    std::uint32_t sampleRate = 0;
    unsigned conversion = 0;  // 1 for the first conversion started
};

class SimMeasuringController : public drivers::Usb01 {
public:
    SimMeasuringController();  // one controller (0x2E91:0x7688) on bus 0
    ~SimMeasuringController() override;

    // ---- bus ----
    void clearBus();
    // Adds a device; returns its index.  Every device with the controller's
    // ids answers as this controller.
    int addDevice(unsigned bus, unsigned address, std::uint16_t vendor, std::uint16_t product);
    int openedDevice() const;         // index of the device last opened, -1 none
    int openCount() const;
    int closeCount() const;
    bool isHandleOpen() const;
    void failOpen(bool fail);
    void setConfigurationResult(int rc);      // result of every usb_set_configuration
    void setClaimResult(int rc);              // result of every usb_claim_interface
    void busyOnce();                          // first claim answers -EBUSY until detached
    int detachCount() const;

    // ---- register file ----
    void setRegister(std::uint32_t reg, std::uint32_t value);
    std::uint32_t reg(std::uint32_t reg) const;
    void setFirmware(std::uint32_t version, std::uint32_t date);  // registers 100, 101
    // Hooks see every access first: a read hook answering a value overrides the file.
    // They run under the simulator's lock: they may call the simulator, but while a
    // hook waits, no other thread gets through the simulator.
    using ReadHook = std::function<std::optional<std::uint32_t>(std::uint32_t reg, std::uint32_t argument)>;
    using WriteHook = std::function<void(std::uint32_t reg, std::uint32_t value)>;
    void setReadHook(ReadHook hook);
    void setWriteHook(WriteHook hook);

    // ---- journal ----
    std::vector<JournalEntry> journal() const;
    std::vector<JournalEntry> writes() const;  // written entries only
    void clearJournal();
    std::string journalText() const;  // one line per entry
    int bulkCalls() const;

    // ---- injections (each applies to the next matching call) ----
    void injectShortWrite(int bytes);             // next OUT 0x02 moves only `bytes`
    void injectWriteError(int rc);                // next OUT 0x02 answers rc (negative)
    void injectShortReply(int bytes);             // next reply is `bytes` long (1..63)
    void injectWrongReplyCommand(std::uint16_t command);
    void injectForeignRegister(std::uint32_t reg);  // next reply names another register
    void queueStaleReply(std::uint32_t reg, std::uint32_t value);  // stays queued until read
    void injectDroppedWrite();                    // the next register write is sent but not taken
    void injectReadTimeout();                     // the next reply is late: its read answers -ETIMEDOUT
    void unplugFromCall(int k);                   // bulk call k (1-based, counting from now) and later: -ENODEV
    void unplug();                                // every later call fails with -ENODEV
    void replug();                                // a handle opened before stays dead, as a real one
    void replugOnSearch();                        // the next bus walk finds the controller back
    bool unplugged() const;
    bool handleWorks(drivers::Usb01Handle* h) const;  // the open handle, not unplugged

    // ---- ADC engine ----
    void setDataReady(DataReady mode, double delayMs = 0);  // delay on driverTiming().nowMs()
    // Fills `packetCount` x 64 bytes of one block; default: valid packets, zero samples.
    using BlockGenerator = std::function<void(const BlockRequest&, std::vector<std::uint8_t>& out)>;
    void setBlockGenerator(BlockGenerator gen);
    void injectShortBlock(int bytes);   // next IN 0x81 moves only `bytes`
    void injectBlockTimeout();          // next IN 0x81 answers -ETIMEDOUT
    int conversionsStarted() const;
    int blocksRead() const;
    int dataReadyPolls() const;         // reads of 133 while a conversion runs

    // ---- controller behaviour (driver operations) ----
    void setInvertorReadyBits(std::uint32_t bits);     // low bits of 102; 7 = ready (default)
    void setFrequencyReached(bool reached);            // bit 31 of 102 after a frequency write
    void setManagerBusyReads(int k, std::int32_t finalStatus);  // 111/112 status > 0 for k reads
    void setMotorParametersBusyReads(int k);          // 136 non-zero for k reads after 0x70000
    // Training: after a write of 0 to 121/129 the state reads 1, 2 for `runningReads`
    // reads, then finalState.
    void setTraining(int runningReads, std::uint32_t finalState, std::uint32_t fullTurn);
    void setMarkerSpeed(unsigned marker, bool optical, float rpm);
    void setMarkerAngleTurns(unsigned marker, float turns);
    void setStatusBits(std::uint16_t bits);   // status word apart from the mirrored bits 3, 4
    std::uint16_t controlWord() const;
    void setWelderStatus(std::uint16_t bits);
    std::uint16_t welderControl() const;

    // ---- Usb01 ----
    void init() override;
    int findBusses() override;
    int findDevices() override;
    std::vector<drivers::Usb01Device> devices() override;
    drivers::Usb01Handle* open(const drivers::Usb01Device& device) override;
    int setConfiguration(drivers::Usb01Handle* h, int configuration) override;
    int claimInterface(drivers::Usb01Handle* h, int interface) override;
    int detachKernelDriver(drivers::Usb01Handle* h, int interface) override;
    int bulkWrite(drivers::Usb01Handle* h, int endpoint, const std::uint8_t* bytes, int size, int timeoutMs) override;
    int bulkRead(drivers::Usb01Handle* h, int endpoint, std::uint8_t* bytes, int size, int timeoutMs) override;
    int close(drivers::Usb01Handle* h) override;

private:
    struct Device {
        unsigned bus, address;
        std::uint16_t vendor, product;
    };
    struct Conversion {
        bool running = false;
        bool ready = false;
        std::uint32_t packetCount = 0;
        std::uint32_t trigger = 0;
        double readyAtMs = 0;
    };

    bool handleValid(drivers::Usb01Handle* h) const;
    bool countCallUnplugged();  // counts a bulk call; true when it must fail with -ENODEV
    std::uint32_t answerRead(std::uint32_t reg, std::uint32_t argument);
    void applyWrite(std::uint32_t reg, std::uint32_t value);
    bool conversionReady();

    mutable std::recursive_mutex mutex_;
    std::vector<Device> devices_;
    int openedDevice_ = -1;
    int openCount_ = 0, closeCount_ = 0, detachCount_ = 0;
    bool handleOpen_ = false;
    bool handleLost_ = false;  // the open handle outlived an unplug
    bool replugOnSearch_ = false;
    bool failOpen_ = false;
    int configResult_ = 0, claimResult_ = 0;
    bool busy_ = false;
    std::map<std::uint32_t, std::uint32_t> regs_;
    ReadHook readHook_;
    WriteHook writeHook_;
    std::vector<JournalEntry> journal_;
    std::deque<std::vector<std::uint8_t>> replies_;
    int bulkCalls_ = 0;
    int unplugAtCall_ = 0;  // 0: not scheduled
    bool unplugged_ = false;

    std::deque<int> shortWrites_, writeErrors_, shortReplies_;
    int droppedWrites_ = 0;
    std::deque<std::uint16_t> wrongCommands_;
    std::deque<std::uint32_t> foreignRegisters_;
    int readTimeouts_ = 0;

    DataReady readyMode_ = DataReady::immediately;
    double readyDelayMs_ = 0;
    BlockGenerator generator_;
    Conversion conversion_;
    int shortBlock_ = -1;
    int blockTimeouts_ = 0;
    int conversionsStarted_ = 0, blocksRead_ = 0, dataReadyPolls_ = 0;

    std::uint32_t readyBits_ = 7;
    bool frequencyReachedEnabled_ = true, frequencyWritten_ = false;
    int managerBusy_ = 0, managerBusyLeft_ = 0;
    std::int32_t managerFinal_ = 0;
    int motorBusy_ = 0, motorBusyLeft_ = 0;
    int trainRunning_ = 2;
    std::uint32_t trainFinal_ = 3, fullTurn_ = 4096;
    int trainLeft_[2] = {0, 0};
    bool training_[2] = {false, false};
    std::uint16_t statusBits_ = 0, control_ = 0, welderStatus_ = 0, welderControl_ = 0;
};

// Installs a Usb01 implementation as drivers::usb01() for the life of the object.
class ScopedUsb01 {
public:
    explicit ScopedUsb01(drivers::Usb01& usb) : previous_(drivers::setUsb01(&usb)) {}
    ~ScopedUsb01() { drivers::setUsb01(previous_); }
    ScopedUsb01(const ScopedUsb01&) = delete;
    ScopedUsb01& operator=(const ScopedUsb01&) = delete;

private:
    drivers::Usb01* previous_;
};

// Firmware words: version 6.minor.build, date fields.
std::uint32_t firmwareVersionWord(unsigned major, unsigned minor, unsigned build);
std::uint32_t firmwareDateWord(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute);
std::uint32_t floatBits(float f);

}  // namespace sim
