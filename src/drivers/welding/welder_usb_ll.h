#pragma once
// USB link of the welding controller.
//
// WelderUSBLL finds the controller (vendor 0x2E91, product 0x7700; 0x76FF in
// its boot mode) through libusb-1.0 (the Usb10 seam), opens it as a serial
// device (interfaces 0 and 1, line coding 9600 8N1) and offers getReg/setReg:
// one 10-byte request frame out on endpoint 0x03, one reply frame in on 0x81.
// Frames are little-endian and end in a CRC-16/MODBUS.  Results: 0 done,
// -100 not open, -101 request not sent, -102 reply not received, -103 reply
// not a valid register reply.  A failed bulk transfer closes the link for
// good; the owner destroys it and makes a new one.  Only one link may exist at
// a time.  Every step goes to the dated log "<date>_WelderUSBLL_Log.txt".

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "drivers/common/driver_log_file.h"
#include "drivers/common/usb10.h"

namespace TamskWelder {

constexpr std::uint16_t kWelderVendorId = 0x2E91;
constexpr std::uint16_t kWelderProductId = 0x7700;
constexpr std::uint16_t kWelderBootProductId = 0x76FF;
constexpr unsigned char kWelderEndpointOut = 0x03;
constexpr unsigned char kWelderEndpointIn = 0x81;
constexpr unsigned kWelderTransferTimeoutMs = 1000;

constexpr std::uint16_t kWelderRequestHead = 0xA5F0;
constexpr std::uint16_t kWelderReplyHead = 0x5AF0;
constexpr std::uint16_t kWelderBlockHead = 0x5AF1;
constexpr std::uint16_t kWelderErrorHead = 0x5AFE;
constexpr std::size_t kWelderFrameSize = 10;
constexpr std::size_t kWelderBlockFrameSize = 37;
constexpr std::size_t kWelderBlockMax = 32;
constexpr std::uint16_t kWelderMaxAddress = 40;
constexpr std::uint16_t kWelderReadFlag = 0x8000;

// Result codes of getReg and setReg (and of every WelderMaster operation).
enum WelderResult : int {
    kWelderOk = 0,
    kWelderNotOpen = -100,
    kWelderWriteError = -101,
    kWelderReadError = -102,
    kWelderReplyError = -103,
};

// Reply parse results.
enum WelderParse : std::uint8_t {
    kParseRegister = 1,
    kParseBlock = 2,
    kParseUnknownHead = 224,
    kParseLength = 225,
    kParseCrc = 226,
    kParseRange = 227,
    kParseAddressMismatch = 228,  // a register reply for another address than asked
    kParseControllerError = 255,
};

// One register value: address and 32-bit data.
struct WelderRegister {
    std::uint16_t address = 0;
    std::uint32_t data = 0;
};

// CRC-16/MODBUS (reflected polynomial 0xA001, initial 0xFFFF, no final XOR).
std::uint16_t crc16Modbus(const std::uint8_t* bytes, std::size_t length);

// Builds the request for `reg` into frame (at least 10 bytes); returns 10.
std::size_t buildWelderFrame(const WelderRegister& reg, std::uint8_t* frame);

// Builds a register reply (head 0x5AF0) as the controller sends it; used by
// simulated controllers and tests.  Returns 10.
std::size_t buildWelderReply(const WelderRegister& reg, std::uint8_t* frame);

// Parses `length` received bytes.  Register reply: fills reg.  Block reply:
// copies the count bytes into block (32 bytes) and sets blockCount.
std::uint8_t parseWelderReply(WelderRegister& reg, std::uint8_t* block, std::uint8_t* blockCount,
                              const std::uint8_t* frame, std::size_t length);

// "<folder>/<date><suffix>", the folder "." when shorter than two characters.
std::string welderLogPath(const std::string& folder, const char* suffix);

class WelderUSBLL {
public:
    WelderUSBLL(const std::string& folder, unsigned level, bool bootMode = false);
    ~WelderUSBLL();
    WelderUSBLL(const WelderUSBLL&) = delete;
    WelderUSBLL& operator=(const WelderUSBLL&) = delete;

    bool isOpen() const { return _open.load(std::memory_order_acquire); }

    // Reads one register: on success reg holds the reply's address and data.
    int getReg(WelderRegister& reg);
    // Writes reg.data to reg.address.
    int setReg(const WelderRegister& reg);

    // One bulk transfer out of / into the frame buffer.
    int usbWrite(int length);
    int usbRead(int length);

    // The link's log, held back by the register layer around a read whose
    // lines may only repeat what is logged already.
    drivers::DriverLogFile& log() { return _log; }

private:
    int transaction(WelderRegister& reg, bool read, const char* name);
    void releaseDevice();

    std::uint8_t _frame[64] = {};
    std::atomic<bool> _open{false};
    drivers::DriverLogFile _log{drivers::DriverLogFile::Form::welding};
    std::atomic_flag _busy = ATOMIC_FLAG_INIT;

    Usb10* _usb = nullptr;           // the implementation in use when the link was made
    Usb10Handle* _handle = nullptr;
    bool _initialised = false;       // init succeeded: exit is owed
    bool _claimed[2] = {false, false};
};

}  // namespace TamskWelder
