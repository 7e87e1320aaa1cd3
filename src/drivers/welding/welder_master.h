#pragma once
// Register layer of the welding controller.
//
// WelderMaster owns the USB link and offers one typed operation per register.
// Every operation is one getReg/setReg of the link and returns its code
// (0, or -100..-103; -100 also when there is no link); a getter leaves its out
// value unchanged on failure.  Floats travel as their IEEE-754 bit pattern.
// Each operation writes one line to "<date>_WelderMaster_Log.txt", except a
// status read that repeats the status logged last: it is counted, and the
// count logged when the status changes (or the layer ends).

#include <cstdint>
#include <memory>
#include <string>

#include "drivers/common/driver_log_file.h"
#include "drivers/welding/welder_usb_ll.h"

namespace TamskWelder {

// Register addresses.
enum WelderRegisterAddress : std::uint16_t {
    kRegFirmwareVersion = 0,
    kRegFirmwareDate = 1,
    kRegStatus = 3,
    kRegWeldingMode = 4,
    kRegFastRotationFreq = 5,
    kRegWeldingRotationFreq = 6,
    kRegStopAngle = 7,
    kRegProgress = 8,
    kRegControl = 9,
};

struct WelderFirmwareVersion {
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint16_t build = 0;
};

struct WelderFirmwareDate {
    std::uint16_t year = 0;
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
};

// Decoding of the firmware registers.
WelderFirmwareVersion decodeFirmwareVersion(std::uint32_t word);
WelderFirmwareDate decodeFirmwareDate(std::uint32_t word);

std::uint32_t floatBits(float value);
float floatFromBits(std::uint32_t bits);

class WelderMaster {
public:
    WelderMaster(const std::string& folder, unsigned level);
    ~WelderMaster();
    WelderMaster(const WelderMaster&) = delete;
    WelderMaster& operator=(const WelderMaster&) = delete;

    // As the constructor left it (a link that closes later does not clear it).
    bool isConnected() const { return _connected; }

    int getStatus(std::uint32_t* status);
    int getProgress(std::uint32_t* progress);
    int getControl(std::uint32_t* control);
    int getFirmwareVersion(WelderFirmwareVersion* version);
    int getFirmwareDate(WelderFirmwareDate* date);

    int setWeldingMode(std::uint32_t mode);
    int setFastRotationFreq(float frequency);
    int setWeldingRotationFreq(float frequency);
    int setStopAngle(std::uint32_t angle);
    int setControl(std::uint32_t control);

    WelderUSBLL* link() { return _link.get(); }

private:
    int fetch(std::uint16_t address, WelderRegister& reg);
    int logRead(int rc, const WelderRegister& reg, std::uint32_t* value, const char* name);
    int read(std::uint16_t address, std::uint32_t* value, const char* name);
    void logStatusRepeats();
    int write(std::uint16_t address, std::uint32_t value, const char* name);

    bool _connected = false;
    drivers::DriverLogFile _log{drivers::DriverLogFile::Form::welding};
    // The status logged last and how often it was read again since.
    bool _statusLogged = false;
    std::uint32_t _loggedStatus = 0;
    unsigned _statusRepeats = 0;
    std::unique_ptr<WelderUSBLL> _link;
};

}  // namespace TamskWelder
