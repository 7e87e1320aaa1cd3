#pragma once
// A simulated welding controller behind the Usb10 seam.
//
// It answers the driver as the real controller does: a device list (with
// decoys), descriptors, kernel drivers active on interfaces 0 and 1, the
// line-coding request, and 10-byte register frames with CRC-16/MODBUS on bulk
// endpoint 0x03 (requests) and 0x81 (replies).  Registers 0-9 hold 32-bit
// values.  Faults can be injected on every step, and a journal records every
// register transaction.  A small motion model turns the control bits into
// status bits: jog rotation (control bit 1) sets status bit 12 after a number
// of status reads; weld rotation or welding (bits 2, 3) run the progress up
// to 100 and then set bit 12; bit 12 clears when the motion bits are cleared.
//
// Install with ScopedSimWelder (or setUsb10).  Thread-safe: one mutex guards
// the state, so the driver's worker and the test may both call it.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "drivers/common/driver_timing.h"
#include "drivers/common/usb10.h"

namespace simwelder {

// Virtual time of the welding driver tests, in microseconds.
inline std::atomic<long long>& virtualMicros() {
    static std::atomic<long long> us{0};
    return us;
}

// A driver time base whose sleeps advance the virtual clock and yield, and
// whose log wall clock is pinned to the given time.
inline drivers::DriverTiming virtualTiming(const drivers::LocalTime& wallClock) {
    drivers::DriverTiming t;
    t.sleepHook = [](double ms) {
        if (ms > 0) virtualMicros().fetch_add(static_cast<long long>(ms * 1000.0));
        std::this_thread::yield();
    };
    t.nowHook = [] { return static_cast<double>(virtualMicros().load()) / 1000.0; };
    t.wallClockHook = [wallClock] { return wallClock; };
    return t;
}

// What the next IN transfer (the reply) does instead of a proper reply.
enum class ReplyFault {
    none,
    badCrc,          // register reply with a wrong CRC
    short9,          // register reply cut to 9 bytes
    long11,          // register reply with one byte too many
    errorReply,      // head 0x5AFE
    blockReply,      // a valid 37-byte 0x5AF1 block
    address41,       // register reply for address 41 (valid CRC)
    otherAddress,    // a valid register reply for another register
    unknownHead,     // head 0x1234
    timeout,         // LIBUSB_ERROR_TIMEOUT, nothing received
    zeroBytes,       // success with 0 bytes
    unplug,          // LIBUSB_ERROR_NO_DEVICE, and the device is gone for good
};

// What the next OUT transfer (the request) does.
enum class RequestFault {
    none,
    writeError,      // LIBUSB_ERROR_IO
    timeout,         // LIBUSB_ERROR_TIMEOUT, nothing sent
    shortWrite,      // success, 5 bytes sent
};

struct JournalEntry {
    bool write = false;          // setReg (true) or getReg (false)
    std::uint16_t address = 0;   // without the read flag
    std::uint32_t data = 0;      // the value written, or the value answered
    bool answered = false;       // a proper reply was sent
};

struct DeviceEntry {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
};

struct ControlRequest {
    std::uint8_t requestType = 0;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::vector<std::uint8_t> data;
    unsigned timeoutMs = 0;
};

class SimWeldingController : public TamskWelder::Usb10 {
public:
    SimWeldingController();

    // ---- configuration (before the driver is made) ----
    std::vector<DeviceEntry> devices;       // default: a decoy, the boot product, the welder
    int initResult = 0;
    long listResult = 0;                    // < 0: getDeviceList fails with it
    int descriptorFailAt = -1;              // index of the device whose descriptor fails
    int openResult = 0;
    int claimResult[2] = {0, 0};
    int kernelActive[2] = {1, 1};
    int controlResult = 7;                  // < 0: the control transfer fails with it

    // ---- registers and motion model ----
    void setRegister(std::uint16_t address, std::uint32_t value);
    std::uint32_t reg(std::uint16_t address);
    void setReady(bool ready);               // status bits 13-15
    unsigned jogFinishAfterStatusReads = 2;  // status reads with control bit 1 before bit 12
    unsigned progressStep = 25;              // progress per progress read while bits 2/3 are set
    bool keepFinished = false;               // bit 12 stays set when the motion bits are cleared

    // ---- fault injection ----
    void injectReply(ReplyFault fault);      // queued; one per transfer
    void injectRequest(RequestFault fault);
    // The next write to `address` is answered with an error reply (-103).
    void failNextWrite(std::uint16_t address);
    // Bulk transfer k, counted from the first set-point write (a write to
    // any register but the control word; 1 = that write's request), times
    // out: nothing is sent, or the reply is not read.
    void timeoutAtTransfer(int k);
    int sequenceTransfers();  // transfers since the first set-point write (0 before it)
    void unplug();

    // ---- observation ----
    std::vector<JournalEntry> journal();
    std::vector<JournalEntry> writes();       // only the writes
    void clearJournal();
    ControlRequest lastControl();
    // Called under the simulator's lock after every accepted register write.
    std::function<void(const JournalEntry&)> onWrite;

    // Successful calls only: what the driver must give back.
    int initCalls = 0, exitCalls = 0, listGets = 0, listFrees = 0;
    int opens = 0, closes = 0, claims = 0, releases = 0;
    int detaches[2] = {0, 0};
    std::vector<int> claimOrder;  // interfaces in the order they were claimed
    std::vector<std::uint32_t> readRequestData;  // data words of the read requests
    int controlCalls = 0;
    int badRequests = 0;          // OUT frames with a wrong head, length or CRC
    int overlaps = 0;             // a request sent while the previous reply was still unread
    int bulkCalls = 0;            // all bulk transfers

    // ---- Usb10 ----
    int init() override;
    void exit() override;
    long getDeviceList(TamskWelder::Usb10Device*** list) override;
    void freeDeviceList(TamskWelder::Usb10Device** list, int unrefDevices) override;
    int getDeviceDescriptor(TamskWelder::Usb10Device* device, TamskWelder::Usb10DeviceDescriptor* d) override;
    int open(TamskWelder::Usb10Device* device, TamskWelder::Usb10Handle** handle) override;
    void close(TamskWelder::Usb10Handle* handle) override;
    int kernelDriverActive(TamskWelder::Usb10Handle* handle, int interfaceNumber) override;
    int detachKernelDriver(TamskWelder::Usb10Handle* handle, int interfaceNumber) override;
    int claimInterface(TamskWelder::Usb10Handle* handle, int interfaceNumber) override;
    int releaseInterface(TamskWelder::Usb10Handle* handle, int interfaceNumber) override;
    int controlTransfer(TamskWelder::Usb10Handle* handle, std::uint8_t requestType, std::uint8_t request,
                        std::uint16_t value, std::uint16_t index, std::uint8_t* data, std::uint16_t length,
                        unsigned timeoutMs) override;
    int bulkTransfer(TamskWelder::Usb10Handle* handle, unsigned char endpoint, std::uint8_t* data, int length,
                     int* transferred, unsigned timeoutMs) override;
    const char* errorName(int code) override;

    std::mutex& mutex() { return _mutex; }

private:
    void handleRequest(const std::uint8_t* frame, int length);
    void updateMotion();

    std::mutex _mutex;
    std::uint32_t _regs[10] = {};
    std::deque<ReplyFault> _replyFaults;
    std::deque<RequestFault> _requestFaults;
    std::map<std::uint16_t, int> _failWrites;
    std::vector<JournalEntry> _journal;
    std::vector<std::uint8_t> _pending;  // the reply waiting on the IN endpoint
    bool _hasPending = false;
    bool _pendingValid = false;          // pending is a proper reply to the journal's last entry
    std::uint16_t _pendingAddress = 0;
    bool _unplugged = false;
    int _timeoutAt = 0;       // transfer of the set-point sequence that times out (0 none)
    int _sequenceCalls = -1;  // transfers since the first set-point write, -1 before it
    unsigned _jogStatusReads = 0;
    ControlRequest _control;
    std::vector<std::vector<TamskWelder::Usb10Device*>> _lists;
    int _deviceTokens[16] = {};
    int _handleToken = 0;
};

// Installs a simulator as the Usb10 implementation for its lifetime.
class ScopedSimWelder {
public:
    explicit ScopedSimWelder(SimWeldingController& sim);
    ~ScopedSimWelder();

private:
    TamskWelder::Usb10* _previous;
};

}  // namespace simwelder
