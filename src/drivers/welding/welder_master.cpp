#include "drivers/welding/welder_master.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace TamskWelder {

using drivers::cformat;

WelderFirmwareVersion decodeFirmwareVersion(std::uint32_t word) {
    WelderFirmwareVersion v;
    v.major = static_cast<std::uint8_t>(word >> 24);
    v.minor = static_cast<std::uint8_t>(word >> 16);
    v.build = static_cast<std::uint16_t>(word);
    return v;
}

WelderFirmwareDate decodeFirmwareDate(std::uint32_t word) {
    WelderFirmwareDate d;
    d.year = static_cast<std::uint16_t>(word >> 20);
    d.month = static_cast<std::uint8_t>((word >> 16) & 0x0F);
    d.day = static_cast<std::uint8_t>((word >> 11) & 0x1F);
    d.hour = static_cast<std::uint8_t>((word >> 6) & 0x1F);
    d.minute = static_cast<std::uint8_t>(word & 0x3F);
    return d;
}

std::uint32_t floatBits(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float floatFromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

WelderMaster::WelderMaster(const std::string& folder, unsigned level) {
    const unsigned logLevel = level > 2 ? 2 : level;
    if (logLevel != 0) {
        std::error_code ec;
        std::filesystem::create_directories(folder.size() < 2 ? std::string(".") : folder, ec);
    }
    _log.start(welderLogPath(folder, "_WelderMaster_Log.txt"), logLevel);
    // A log that cannot be opened is reported; the controller is still opened.
    if (logLevel != 0 && !_log.isOpen())
        std::fputs("WelderMaster::WelderMaster(), Log file creation error!\n", stderr);

    _link = std::make_unique<WelderUSBLL>(folder, level, false);
    if (_link->isOpen()) {
        _connected = true;
        _log.writeInformation("WelderMaster::WelderMaster(), Connection successful.\n");
    } else {
        _log.writeError("WelderMaster::WelderMaster(), Device connection error!\n");
    }
}

WelderMaster::~WelderMaster() {
    logStatusRepeats();
    _link.reset();
    _log.writeInformation("WelderMaster::~WelderMaster(), Disconnection successful.\n");
    _log.stop();
}

int WelderMaster::fetch(std::uint16_t address, WelderRegister& reg) {
    reg.address = address;
    return _link ? _link->getReg(reg) : kWelderNotOpen;
}

int WelderMaster::logRead(int rc, const WelderRegister& reg, std::uint32_t* value, const char* name) {
    if (rc != kWelderOk) {
        _log.writeError(cformat("WelderMaster::%s(), GetReg error, %d\n", name, rc));
        return rc;
    }
    *value = reg.data;
    _log.writeInformation(cformat("WelderMaster::%s(), Register address - %d data - 0x%08x read successfully.\n",
                                  name, reg.address, reg.data));
    return rc;
}

int WelderMaster::read(std::uint16_t address, std::uint32_t* value, const char* name) {
    WelderRegister reg;
    const int rc = fetch(address, reg);
    return logRead(rc, reg, value, name);
}

int WelderMaster::write(std::uint16_t address, std::uint32_t value, const char* name) {
    WelderRegister reg;
    reg.address = address;
    reg.data = value;
    const int rc = _link ? _link->setReg(reg) : kWelderNotOpen;
    if (rc != kWelderOk) {
        _log.writeError(cformat("WelderMaster::%s(), SetReg error, %d\n", name, rc));
        return rc;
    }
    if (address == kRegFastRotationFreq || address == kRegWeldingRotationFreq)
        _log.writeInformation(cformat("WelderMaster::%s(), Register address - %d data - %10.3f write successfully.\n",
                                      name, address, static_cast<double>(floatFromBits(value))));
    else
        _log.writeInformation(cformat("WelderMaster::%s(), Register address - %d data - 0x%08x write successfully.\n",
                                      name, address, value));
    return rc;
}

int WelderMaster::getStatus(std::uint32_t* status) {
    // A read that repeats the status logged last logs nothing, here or in the
    // link's log: a controller that stays in one state (not ready, say) would
    // otherwise fill the disk.  A change logs the count of repeats first.
    WelderRegister reg;
    if (_link) _link->log().hold();
    const int rc = fetch(kRegStatus, reg);
    const bool repeat = rc == kWelderOk && _statusLogged && reg.data == _loggedStatus;
    if (_link) _link->log().releaseHeld(!repeat);
    if (repeat) {
        ++_statusRepeats;
        *status = reg.data;
        return rc;
    }
    logStatusRepeats();
    _statusLogged = rc == kWelderOk;
    _loggedStatus = reg.data;
    return logRead(rc, reg, status, "getStatus");
}

void WelderMaster::logStatusRepeats() {
    if (_statusRepeats == 0) return;
    _log.writeInformation(cformat("WelderMaster::getStatus(), Register address - %d data - 0x%08x read %u more times.\n",
                                  kRegStatus, _loggedStatus, _statusRepeats));
    _statusRepeats = 0;
}
int WelderMaster::getProgress(std::uint32_t* progress) { return read(kRegProgress, progress, "getProgress"); }
int WelderMaster::getControl(std::uint32_t* control) { return read(kRegControl, control, "getControl"); }

int WelderMaster::getFirmwareVersion(WelderFirmwareVersion* version) {
    std::uint32_t word = 0;
    const int rc = read(kRegFirmwareVersion, &word, "getFirmwareVersion");
    if (rc != kWelderOk) return rc;
    *version = decodeFirmwareVersion(word);
    _log.writeInformation(cformat("WelderMaster::getFirmwareVersion(), Firmware version - %d.%d.%d\n",
                                  version->major, version->minor, version->build));
    return rc;
}

int WelderMaster::getFirmwareDate(WelderFirmwareDate* date) {
    std::uint32_t word = 0;
    const int rc = read(kRegFirmwareDate, &word, "getFirmwareDate");
    if (rc != kWelderOk) return rc;
    *date = decodeFirmwareDate(word);
    _log.writeInformation(cformat("WelderMaster::getFirmwareDate(), Firmware date - %04d.%02d.%02d %02d:%02d\n",
                                  date->year, date->month, date->day, date->hour, date->minute));
    return rc;
}

int WelderMaster::setWeldingMode(std::uint32_t mode) { return write(kRegWeldingMode, mode, "setWeldingMode"); }
int WelderMaster::setFastRotationFreq(float f) { return write(kRegFastRotationFreq, floatBits(f), "setFastRotationFreq"); }
int WelderMaster::setWeldingRotationFreq(float f) {
    return write(kRegWeldingRotationFreq, floatBits(f), "setWeldingRotationFreq");
}
int WelderMaster::setStopAngle(std::uint32_t angle) { return write(kRegStopAngle, angle, "setStopAngle"); }
int WelderMaster::setControl(std::uint32_t control) { return write(kRegControl, control, "setControl"); }

}  // namespace TamskWelder
