#include "drivers/measuring/kwz_usb.h"

#include <cmath>
#include <filesystem>

#include "drivers/common/driver_timing.h"

namespace TamskKWZv2 {

namespace {

std::atomic<std::uint32_t> g_markerTypes[2] = {{0}, {0}};

const drivers::DriverTiming& timing() { return drivers::driverTiming(); }

const char* boolText(bool b) { return b ? "true" : "false"; }

// f64 x 10 that fits the controller's i32 tenths.
bool tenthsFit(double v) {
    const double scaled = v * 10.0;
    return std::isfinite(scaled) && scaled > -2147483649.0 && scaled < 2147483648.0;
}

// Rounds half away from zero; false when the result is not a u16.
bool roundU16(double v, std::uint16_t& out) {
    if (!std::isfinite(v)) return false;
    const double r = std::round(v);
    if (r < 0 || r > 65535) return false;
    out = static_cast<std::uint16_t>(r);
    return true;
}

}  // namespace

FirmwareVersionDate decodeFirmware(std::uint32_t version, std::uint32_t date) {
    FirmwareVersionDate f;
    f.major = static_cast<std::uint8_t>(version >> 24);
    f.minor = static_cast<std::uint8_t>(version >> 16);
    f.build = static_cast<std::uint16_t>(version);
    f.year = static_cast<std::uint16_t>(date >> 20);
    f.month = static_cast<std::uint8_t>((date >> 16) & 0xF);
    f.day = static_cast<std::uint8_t>((date >> 11) & 0x1F);
    f.hour = static_cast<std::uint8_t>((date >> 6) & 0x1F);
    f.minute = static_cast<std::uint8_t>(date & 0x3F);
    return f;
}

// ---------------------------------------------------------------- life cycle

std::string KWZUSB::logPath(const std::string& folder, const char* suffix) const {
    const std::string name = drivers::DriverLogFile::dateString() + suffix;
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

KWZUSB::KWZUSB(std::function<void()> pollCallback, ErrorCallback errorCallback, const std::string& folder,
               std::uint32_t level)
    : errorCallback_(std::move(errorCallback)) {
    if (!folder.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
    lowPath_ = logPath(folder, " KWZUSB_LowLevel_Log.txt");
    highPath_ = logPath(folder, " KWZUSB_HighLevel_Log.txt");
    lowLog_.start(lowPath_, level);
    if (!lowLog_.isOpen()) {
        highError("KWZUSB(), Logger invalid path!");
        if (errorCallback_) errorCallback_("Logger", lowPath_.c_str());
    }
    highLog_.start(highPath_, level);
    if (!highLog_.isOpen()) {
        highError("KWZUSB(), Logger2 invalid path!");
        if (errorCallback_) errorCallback_("Logger2", highPath_.c_str());
    }
    auto errorSink = [this](const char* source, const char* text) {
        lowLog_.writeError(std::string("[") + source + "] " + text + "\n");
        if (errorCallback_) errorCallback_(source, text);
    };
    auto infoSink = [this](const char* source, const char* text) {
        lowLog_.writeInformation(std::string("[") + source + "] " + text + "\n");
    };
    layer_.reset(new KWZUSBLayerT2(std::move(pollCallback), errorSink, infoSink));
    highInfo("KWZUSB(), Application start");
}

KWZUSB::~KWZUSB() {
    if (connected_.load(std::memory_order_acquire)) {
        highInfo("disconnect(), begin");
        if (!layer_->disconnect()) highError("disconnect(), return error!");
        connected_.store(false, std::memory_order_release);
        highInfo("disconnect(), end");
    }
    highInfo("~KWZUSB(), Application stop");
    layer_.reset();
    highLog_.stop();
    lowLog_.stop();
}

std::uint32_t KWZUSB::markerType(unsigned index) {
    return g_markerTypes[index & 1].load(std::memory_order_relaxed);
}

void KWZUSB::resetMarkerTypes() {
    g_markerTypes[0].store(0, std::memory_order_relaxed);
    g_markerTypes[1].store(0, std::memory_order_relaxed);
}

// ---------------------------------------------------------------- helpers

void KWZUSB::highInfo(const std::string& text) {
    highLog_.writeInformation(std::string("[") + sourceName + "] " + text + "\n");
}

void KWZUSB::highError(const std::string& text) {
    highLog_.writeError(std::string("[") + sourceName + "] " + text + "\n");
    if (errorCallback_) errorCallback_(sourceName, text.c_str());
}

bool KWZUSB::checkConnected(const char* operation) {
    if (layer_ && connected_.load(std::memory_order_acquire) && layer_->isConnected()) return true;
    if (layer_ && !layer_->isConnected()) connected_.store(false, std::memory_order_release);
    opError(operation, "USB device not connected!");
    return false;
}

bool KWZUSB::checkReady(const char* operation, ADC_Mode mode) {
    if (!checkConnected(operation)) return false;
    if (_ADCMode != mode) {
        opError(operation, mode == ADC_Mode::test ? "_ADCMode != ADC_Mode::test" : "_ADCMode != ADC_Mode::balancing");
        return false;
    }
    return true;
}

void KWZUSB::layerError(const char* operation, const char* call) {
    opError(operation, std::string(call) + "() return error!");
    if (!layer_ || !layer_->isConnected()) connected_.store(false, std::memory_order_release);
}

bool KWZUSB::pause(double ms) {
    timing().sleepMs(ms);
    return true;
}

// ---------------------------------------------------------------- connection

bool KWZUSB::connect() {
    highInfo("connect(), begin");
    const bool ok = layer_ && layer_->connect();
    if (ok)
        connected_.store(true, std::memory_order_release);
    else
        highError("connect(), return error!");
    highInfo("connect(), end");
    return ok;
}

bool KWZUSB::disconnect() {
    highInfo("disconnect(), begin");
    if (!layer_ || !layer_->disconnect()) highError("disconnect(), return error!");
    connected_.store(false, std::memory_order_release);
    highInfo("disconnect(), end");
    return true;
}

// ---------------------------------------------------------------- firmware, inverter

bool KWZUSB::getFirmwareVersionDate(FirmwareVersionDate* out) {
    const char* op = "getFirmwareVersionDate";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    std::uint32_t version = 0, date = 0;
    if (!layer_->getFWversion(version) || !layer_->getFWdate(date)) {
        layerError(op, "getFWversion() or getFWdate");
        return false;
    }
    const FirmwareVersionDate f = decodeFirmware(version, date);
    opInfo(op, drivers::cformat("version - %d.%d.%d", f.major, f.minor, f.build));
    opInfo(op, drivers::cformat("date - %04d.%02d.%02d %02d:%02d", f.year, f.month, f.day, f.hour, f.minute));
    if (out) *out = f;
    opInfo(op, "end, return Ok");
    return true;
}

bool KWZUSB::getInvertorState(std::uint32_t& state) {
    const char* op = "getInvertorState";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (!layer_->getInvertorState(state)) {
        layerError(op, "getInvertorState");
        return false;
    }
    opInfo(op, drivers::cformat("State - %08x", state));
    opInfo(op, "end, return Ok");
    return true;
}

bool KWZUSB::inverterPrelude(const char* op) {
    if (adcInProgress_) opError(op, "ADC in progress");
    std::uint32_t state = 0;
    if (!layer_->getInvertorState(state)) {
        layerError(op, "getInvertorState");
        return false;
    }
    if ((state & 7) != 7) opInfo(op, "Invertor don't ready!");
    opInfo(op, drivers::cformat("State - %08x", state));
    return true;
}

bool KWZUSB::getInvertorInput(std::uint32_t& input) {
    const char* op = "getInvertorInput";
    opInfo(op, "begin");
    if (!checkConnected(op) || !inverterPrelude(op)) return false;
    const bool ok = layer_->getInvertorInput(input);
    if (!ok) layerError(op, op);
    opInfo(op, drivers::cformat("Input - %08x", input));
    opInfo(op, "end, return Ok");
    return ok;
}

bool KWZUSB::getInvertorManagerCountInvertors(std::uint32_t& count) {
    const char* op = "getInvertorManagerCountInvertors";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (!layer_->getInvertorManagerCountInvertors(count)) {
        layerError(op, op);
        return false;
    }
    opInfo(op, drivers::cformat("count Invertors - %d", static_cast<int>(count)));
    opInfo(op, "end, return Ok");
    return true;
}

bool KWZUSB::setInvertorFrequency(double hz) {
    const char* op = "setInvertorFrequency";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (!tenthsFit(hz)) {
        opError(op, "parameter 'frequency' invalid!");
        return false;
    }
    if (!inverterPrelude(op)) return false;
    const bool ok = layer_->setInvertorFrequency(hz);
    if (!ok) layerError(op, op);
    opInfo(op, drivers::cformat("Frequency = %10.3f", hz));
    opInfo(op, "end, return Ok");
    return ok;
}

bool KWZUSB::setInvertorRampType(std::uint32_t type) {
    const char* op = "setInvertorRampType";
    opInfo(op, "begin");
    if (!checkConnected(op) || !inverterPrelude(op)) return false;
    const bool ok = layer_->setInvertorRampType(type);
    if (!ok) layerError(op, op);
    opInfo(op, drivers::cformat("RampType - %d", static_cast<int>(type)));
    opInfo(op, "end, return Ok");
    return ok;
}

bool KWZUSB::setInvertorAcceleration(double seconds) {
    const char* op = "setInvertorAcceleration";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (!tenthsFit(seconds)) {
        opError(op, "parameter 'acceleration' invalid!");
        return false;
    }
    if (!inverterPrelude(op)) return false;
    const bool ok = layer_->setInvertorAcceleration(seconds);
    if (!ok) layerError(op, op);
    opInfo(op, drivers::cformat("Acceleration - %10.3f", seconds));
    opInfo(op, "end, return Ok");
    return ok;
}

bool KWZUSB::setInvertorDeceleration(double seconds) {
    const char* op = "setInvertorDeceleration";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (!tenthsFit(seconds)) {
        opError(op, "parameter 'deceleration' invalid!");
        return false;
    }
    if (!inverterPrelude(op)) return false;
    const bool ok = layer_->setInvertorDeceleration(seconds);
    if (!ok) layerError(op, op);
    opInfo(op, drivers::cformat("Deceleration - %10.3f", seconds));
    opInfo(op, "end, return Ok");
    return ok;
}

bool KWZUSB::setInvertorRelay(std::uint32_t relay) {
    const char* op = "setInvertorRelay";
    opInfo(op, "begin");
    if (!checkConnected(op) || !inverterPrelude(op)) return false;
    const bool ok = layer_->setInvertorRelay(relay);
    if (!ok) layerError(op, op);
    opInfo(op, drivers::cformat("Relay - %08x", relay));
    opInfo(op, "end, return Ok");
    return ok;
}

// Status polling of an inverter-manager add or delete.
bool KWZUSB::managerPoll(const char* op, bool add) {
    const char* statusCall = add ? "getInvertorManagerAddInvertorStatus" : "getInvertorManagerDeleteInvertorStatus";
    const drivers::DriverTiming& t = timing();
    pause(t.managerPauseMs);
    std::int32_t status = 0;
    unsigned polls = 0;
    do {
        const bool read = add ? layer_->getInvertorManagerAddInvertorStatus(status)
                              : layer_->getInvertorManagerDeleteInvertorStatus(status);
        if (!read) {
            layerError(op, statusCall);
            opInfo(op, "end, return Ok");
            return false;
        }
        pause(t.pollPauseMs);
        if (status > 0 && ++polls >= t.maxDevicePolls) {
            opError(op, "timeout error!");
            return false;
        }
    } while (status > 0);
    bool ok = true;
    if (status < 0) {
        opInfo(op, std::string(statusCall) + "() return status error!");
        ok = false;
    }
    opInfo(op, drivers::cformat("Status = %d", status));
    pause(t.managerPauseMs);
    opInfo(op, "end, return Ok");
    return ok;
}

bool KWZUSB::setInvertorManagerAddInvertor(std::uint32_t index, std::uint32_t type, std::uint32_t address) {
    const char* op = "setInvertorManagerAddInvertor";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (index > 255 || type > 255 || address > 255) {
        opError(op, index > 255 ? "parameter 'index' invalid!"
                                : (type > 255 ? "parameter 'type' invalid!" : "parameter 'address' invalid!"));
        return false;
    }
    opInfo(op, drivers::cformat("index - %d, type - %d, addr - %d", static_cast<int>(index), static_cast<int>(type),
                                static_cast<int>(address)));
    if (!layer_->setInvertorManagerAddInvertor(static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(type),
                                               static_cast<std::uint8_t>(address))) {
        layerError(op, op);
        opInfo(op, "end, return Ok");
        return false;
    }
    return managerPoll(op, true);
}

bool KWZUSB::setInvertorManagerDeleteInvertor(std::uint32_t index) {
    const char* op = "setInvertorManagerDeleteInvertor";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (index > 255) {
        opError(op, "parameter 'index' invalid!");
        return false;
    }
    opInfo(op, drivers::cformat("index - %d", static_cast<int>(index)));
    if (!layer_->setInvertorManagerDeleteInvertor(static_cast<std::uint8_t>(index))) {
        layerError(op, op);
        opInfo(op, "end, return Ok");
        return false;
    }
    return managerPoll(op, false);
}

bool KWZUSB::setInvertorManagerCurrentInvertor(std::uint32_t index, std::uint32_t& type, std::uint32_t& address) {
    const char* op = "setInvertorManagerCurrentInvertor";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (index > 255) {
        opError(op, "parameter 'index' invalid!");
        return false;
    }
    if (!layer_->getInvertorManagerCurrentInvertor(index, type, address)) {
        layerError(op, "getInvertorManagerCurrentInvertor");
        return false;
    }
    pause(timing().currentInvertorPauseMs);
    opInfo(op, drivers::cformat("index - %d, type - %d, addr - %d", static_cast<int>(index), static_cast<int>(type),
                                static_cast<int>(address)));
    opInfo(op, "end, return Ok");
    return true;
}

bool KWZUSB::setInvertorMotorParameters(float powerKW, float voltage, float current, float frequency,
                                        std::uint32_t poles, std::uint32_t speed, std::uint32_t autoTuning,
                                        std::uint32_t invertorType) {
    const char* op = "setInvertorMotorParameters";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    struct Scale {
        std::uint32_t type;
        double power, voltage, current, frequency;
    };
    static const Scale scales[] = {{0, 100, 1, 10, 10}, {4, 100, 1, 100, 10}, {5, 100, 10, 10, 100},
                                   {6, 10, 1, 100, 100}};
    const Scale* scale = nullptr;
    for (const Scale& s : scales)
        if (s.type == invertorType) scale = &s;
    if (!scale) {
        opError(op, "this function unsupported in current invertor!");
        opError(op, drivers::cformat("invertor type - %d", static_cast<int>(invertorType)));
        return false;
    }
    opInfo(op, drivers::cformat("write value, motor power %3.2f kW", static_cast<double>(powerKW)));
    opInfo(op, drivers::cformat("motor voltage %3.2f V", static_cast<double>(voltage)));
    opInfo(op, drivers::cformat("motor current %3.2f A", static_cast<double>(current)));
    opInfo(op, drivers::cformat("motor frequency %3.2f Hz", static_cast<double>(frequency)));
    opInfo(op, drivers::cformat("motor poles %d", static_cast<int>(poles)));
    opInfo(op, drivers::cformat("motor speed %d rpm", static_cast<int>(speed)));
    opInfo(op, drivers::cformat("auto tunning %d", static_cast<int>(autoTuning)));

    std::uint16_t p = 0, v = 0, c = 0, f = 0;
    const char* bad = nullptr;
    if (!roundU16(static_cast<double>(powerKW) * scale->power, p))
        bad = "power";
    else if (!roundU16(static_cast<double>(voltage) * scale->voltage, v))
        bad = "voltage";
    else if (!roundU16(static_cast<double>(current) * scale->current, c))
        bad = "current";
    else if (!roundU16(static_cast<double>(frequency) * scale->frequency, f))
        bad = "frequency";
    else if (poles > 65535)
        bad = "poles";
    else if (speed > 65535)
        bad = "speed";
    else if (autoTuning > 65535)
        bad = "autoTuning";
    if (bad) {
        opError(op, std::string("parameter '") + bad + "' invalid!");
        return false;
    }
    if (!layer_->setInvertorMotorParameters(p, v, c, f, static_cast<std::uint16_t>(poles),
                                            static_cast<std::uint16_t>(speed),
                                            static_cast<std::uint16_t>(autoTuning))) {
        layerError(op, op);
        return false;
    }
    const drivers::DriverTiming& t = timing();
    pause(t.motorParametersPauseMs);
    for (unsigned polls = 0;; ++polls) {
        std::uint32_t busy = 0;
        if (!layer_->getInvertorMotorParameters(busy)) {
            layerError(op, "getInvertorMotorParameters");
            return false;
        }
        if (busy == 0) break;
        if (polls + 1 >= t.maxDevicePolls) {
            opError(op, "timeout error!");
            return false;
        }
        pause(t.pollPauseMs);
    }
    opInfo(op, "end, return Ok");
    return true;
}

// ---------------------------------------------------------------- markers

bool KWZUSB::speedWithThreshold(const char* op, std::uint32_t index, bool optical, double& rpm) {
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (index > 1) {
        opError(op, "parameter 'index' invalid!");
        return false;
    }
    bool ok;
    const char* call;
    if (optical) {
        call = index == 0 ? "getMarker1OpticalSpeed" : "getMarker2OpticalSpeed";
        ok = index == 0 ? layer_->getMarker1OpticalSpeed(rpm) : layer_->getMarker2OpticalSpeed(rpm);
    } else {
        call = index == 0 ? "getMarker1EncoderSpeed" : "getMarker2EncoderSpeed";
        ok = index == 0 ? layer_->getMarker1EncoderSpeed(rpm) : layer_->getMarker2EncoderSpeed(rpm);
    }
    if (!ok) {
        layerError(op, call);
        return false;
    }
    if (markerType(index) == (optical ? 1u : 0u)) {
        std::uint32_t status = 0;
        if (!layer_->getStatus(status)) {
            layerError(op, "getStatus");
        } else {
            const std::uint32_t bit = index == 0 ? 8u : 16u;
            bool& flag = thresholds_[optical ? 0 : 1][index];
            flag = (status & bit) != 0;
            std::uint32_t control = 0;
            bool write = false;
            if (!flag && rpm > 3000) {
                flag = true;
                control = (status | bit) & 0x7FFF;
                write = true;
            } else if (flag && rpm < 1000) {
                flag = false;
                control = (status & ~bit) & 0x7FFF;
                write = true;
            }
            if (write && !layer_->setControl(static_cast<std::uint16_t>(control))) layerError(op, "setControl");
        }
    }
    opInfo(op, "end, return Ok");
    return true;
}

bool KWZUSB::getMarkerOpticalSpeed(std::uint32_t index, double& rpm) {
    return speedWithThreshold("getMarkerOpticalSpeed", index, true, rpm);
}

bool KWZUSB::getMarkerEncoderSpeed(std::uint32_t index, double& rpm) {
    return speedWithThreshold("getMarkerEncoderSpeed", index, false, rpm);
}

bool KWZUSB::getMarkerEncoderAngleDeg(std::uint32_t index, double& degrees) {
    const char* op = "getMarkerEncoderAngleDeg";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (index > 1) {
        opError(op, "parameter 'index' invalid!");
        return false;
    }
    if (!(index == 0 ? layer_->getMarker1EncoderAngleDeg(degrees) : layer_->getMarker2EncoderAngleDeg(degrees))) {
        layerError(op, index == 0 ? "getMarker1EncoderAngleDeg" : "getMarker2EncoderAngleDeg");
        return false;
    }
    opInfo(op, "end, return Ok");
    return true;
}

bool KWZUSB::getMarkerEncoderFullTurn(std::uint32_t index, std::uint32_t& counts) {
    const char* op = "getMarkerEncoderFullTurn";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (index > 1) {
        opError(op, "parameter 'index' invalid!");
        return false;
    }
    if (!(index == 0 ? layer_->getMarker1EncoderFullTurn(counts) : layer_->getMarker2EncoderFullTurn(counts))) {
        layerError(op, index == 0 ? "getMarker1EncoderFullTurn" : "getMarker2EncoderFullTurn");
        return false;
    }
    opInfo(op, "end, return Ok");
    return true;
}

bool KWZUSB::getMarkerEncoderTrainState(std::uint32_t index, std::uint32_t& state) {
    const char* op = "getMarkerEncoderTrainState";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (index > 1) {
        opError(op, "parameter 'index' invalid!");
        return false;
    }
    if (!(index == 0 ? layer_->getMarker1EncoderTrainState(state) : layer_->getMarker2EncoderTrainState(state))) {
        layerError(op, index == 0 ? "getMarker1EncoderTrainState" : "getMarker2EncoderTrainState");
        return false;
    }
    opInfo(op, "end, return Ok");
    return true;
}

bool KWZUSB::setMarkerEncoderMarkerType(std::uint32_t index, std::uint32_t type) {
    const char* op = "setMarkerEncoderMarkerType";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (index > 1) {
        opError(op, "parameter 'index' invalid!");
        return false;
    }
    if (!(index == 0 ? layer_->setMarker1EncoderMarkerType(type) : layer_->setMarker2EncoderMarkerType(type))) {
        layerError(op, index == 0 ? "setMarker1EncoderMarkerType" : "setMarker2EncoderMarkerType");
        return false;
    }
    g_markerTypes[index].store(type, std::memory_order_relaxed);
    opInfo(op, "end, return Ok");
    return true;
}

bool KWZUSB::setMarkerEncoderTrainStart(std::uint32_t index) {
    const char* op = "setMarkerEncoderTrainStart";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (index > 1) {
        opError(op, "parameter 'index' invalid!");
        return false;
    }
    opInfo(op, drivers::cformat("index - %d", static_cast<int>(index)));
    if (!(index == 0 ? layer_->setMarker1EncoderTrainStart(0) : layer_->setMarker2EncoderTrainStart(0))) {
        layerError(op, index == 0 ? "setMarker1EncoderTrainStart" : "setMarker2EncoderTrainStart");
        return false;
    }
    const drivers::DriverTiming& t = timing();
    std::uint32_t state = 0;
    for (unsigned polls = 0;; ++polls) {
        if (polls >= t.maxDevicePolls) {
            opError(op, "timeout error!");
            return false;
        }
        pause(t.pollPauseMs);
        if (!(index == 0 ? layer_->getMarker1EncoderTrainState(state) : layer_->getMarker2EncoderTrainState(state))) {
            layerError(op, index == 0 ? "getMarker1EncoderTrainState" : "getMarker2EncoderTrainState");
            return false;
        }
        if (state != 1 && state != 2) break;
    }
    if (state == 0) {
        opError(op, "getMarker1EncoderTrainState() or getMarker2EncoderTrainState() return status error!");
        return false;
    }
    std::uint32_t fullTurn = 0;
    if (!(index == 0 ? layer_->getMarker1EncoderFullTurn(fullTurn) : layer_->getMarker2EncoderFullTurn(fullTurn))) {
        layerError(op, index == 0 ? "getMarker1EncoderFullTurn" : "getMarker2EncoderFullTurn");
        return false;
    }
    opInfo(op, drivers::cformat("encoderFullTurn - %d", static_cast<int>(fullTurn)));
    opInfo(op, "end, return Ok");
    return true;
}

// ---------------------------------------------------------------- status, welder

bool KWZUSB::getStatus(std::uint32_t& status) {
    if (!checkConnected("getStatus")) return false;
    if (!layer_->getStatus(status)) {
        layerError("getStatus", "getStatus");
        return false;
    }
    return true;
}

bool KWZUSB::setControl(std::uint16_t control) {
    if (!checkConnected("setControl")) return false;
    if (!layer_->setControl(control)) {
        layerError("setControl", "setControl");
        return false;
    }
    return true;
}

bool KWZUSB::getWelderStatus(std::uint32_t& status) {
    if (!checkConnected("getWelderStatus")) return false;
    if (!layer_->getWelderStatus(status)) {
        layerError("getWelderStatus", "getWelderStatus");
        return false;
    }
    return true;
}

bool KWZUSB::setWelderControl(std::uint16_t control) {
    if (!checkConnected("setWelderControl")) return false;
    if (!layer_->setWelderControl(control)) {
        layerError("setWelderControl", "setWelderControl");
        return false;
    }
    return true;
}

bool KWZUSB::getWelderStatusFlag(std::uint32_t& flag) {
    std::uint32_t status = 0;
    if (!getWelderStatus(status)) return false;
    flag = status & 1;
    return true;
}

bool KWZUSB::isWelderActive(std::uint32_t& active) {
    std::uint32_t status = 0;
    if (!getWelderStatus(status)) return false;
    active = (status >> 7) & 1;
    return true;
}

bool KWZUSB::getWeldingProgress(std::uint32_t& progress) {
    std::uint32_t status = 0;
    if (!getWelderStatus(status)) return false;
    progress = (status >> 8) & 0xFF;
    return true;
}

bool KWZUSB::restartWelder() { return setWelderControl(1); }

bool KWZUSB::setWelderBlock(bool blocked) { return setWelderControl(blocked ? 0x8000 : 0); }

// ---------------------------------------------------------------- acquisition set-up

bool KWZUSB::setADCMode(ADC_Mode mode, bool instFilter) {
    _ADCMode = mode;
    _instFilter = instFilter;
    highInfo(mode == ADC_Mode::test ? "setADCMode(), _ADCMode = test" : "setADCMode(), _ADCMode = balancing");
    highInfo(drivers::cformat("setADCMode(), _instFilter = %s", boolText(instFilter)));
    return true;
}

bool KWZUSB::getADCChannelGain(std::uint8_t& c1, std::uint8_t& c2, std::uint8_t& c3, std::uint8_t& c4,
                               std::uint8_t& c5) {
    const char* op = "getADCChannelGain";
    opInfo(op, "begin");
    if (!checkConnected(op)) return false;
    if (!layer_->getADCChannelGain(c1, c2, c3, c4, c5)) {
        layerError(op, op);
        opInfo(op, "end, return Ok");
        return false;
    }
    opInfo(op, "current gain in code");
    opInfo(op, drivers::cformat("channel1 - %d, channel2 - %d, channel3 - %d, channel4 - %d, channel5 - %d", c1, c2,
                                c3, c4, c5));
    opInfo(op, "current gain in factor");
    opInfo(op, drivers::cformat("channel1 - %s, channel2 - %s, channel3 - %s, channel4 - %s, channel5 - %s",
                                channelGainName(c1), channelGainName(c2), channelGainName(c3), channelGainName(c4),
                                channelGainName(c5)));
    opInfo(op, "end, return Ok");
    return true;
}

bool KWZUSB::setADCChannelGainTestMode(std::uint8_t c1, std::uint8_t c2, std::uint8_t c3, std::uint8_t c4,
                                       std::uint8_t c5) {
    const char* op = "setADCChannelGainTestMode";
    opInfo(op, "begin");
    if (!checkReady(op, ADC_Mode::test)) return false;
    const std::uint8_t codes[5] = {c1, c2, c3, c4, c5};
    for (int i = 0; i < 5; ++i) {
        if (codes[i] > 3) {
            opError(op, drivers::cformat("parameter 'channel%d' invalid!", i + 1));
            return false;
        }
    }
    if (!layer_->setADCChannelGain(c1, c2, c3, c4, c5)) {
        layerError(op, "setADCChannelGain");
        return false;
    }
    opInfo(op, "new gain in code");
    opInfo(op, drivers::cformat("channel1 - %d, channel2 - %d, channel3 - %d, channel4 - %d, channel5 - %d", c1, c2,
                                c3, c4, c5));
    opInfo(op, "new gain in factor");
    opInfo(op, drivers::cformat("channel1 - %s, channel2 - %s, channel3 - %s, channel4 - %s, channel5 - %s",
                                channelGainName(c1), channelGainName(c2), channelGainName(c3), channelGainName(c4),
                                channelGainName(c5)));
    opInfo(op, "end, return Ok");
    return true;
}

bool KWZUSB::setADCSampleRateTestMode(std::uint32_t rate) {
    const char* op = "setADCSampleRateTestMode";
    opInfo(op, "begin");
    if (!checkReady(op, ADC_Mode::test)) return false;
    if (!layer_->setADCSampleRate(rate)) {
        layerError(op, "setADCSampleRate");
        return false;
    }
    opInfo(op, drivers::cformat("%d", static_cast<int>(rate)));
    opInfo(op, "end, return Ok");
    return true;
}

bool KWZUSB::setADCStartConversionTestMode(std::uint32_t packetCount) {
    const char* op = "setADCStartConversionTestMode";
    opInfo(op, "begin");
    if (!checkReady(op, ADC_Mode::test)) return false;
    adcInProgress_ = true;
    std::uint32_t rate = 0;
    if (!layer_->getADCSampleRate(rate)) {
        layerError(op, "getADCSampleRate");
        adcInProgress_ = false;
        return false;
    }
    if (rate == 0) {
        opError(op, "parameter 'rate' invalid!");
        adcInProgress_ = false;
        return false;
    }
    const double timeoutMs = static_cast<double>(packetCount) * 5.0 / static_cast<double>(rate) * 1000.0;
    if (!layer_->setADCConversionControl(packetCount, woMarker, true, timeoutMs)) {
        layerError(op, "setADCConversionControl");
        adcInProgress_ = false;
        return false;
    }
    opInfo(op, drivers::cformat("packetCount - %d, ADC_TriggerSource - woMarker, start - true, "
                                "getADCDataTimeoutMs - %10.3f",
                                static_cast<int>(packetCount), timeoutMs));
    opInfo(op, "end, return Ok");
    return true;
}

bool KWZUSB::calcAGC(std::uint8_t& code, const std::vector<double>& samples, unsigned channel) {
    double amplitude = 0;
    for (double s : samples)
        if (s > amplitude) amplitude = s;
    highInfo(drivers::cformat("calcAGC(), amplitude in channel %d - %10.3f", static_cast<int>(channel), amplitude));
    return TamskKWZv2::calcAGC(code, amplitude);
}

}  // namespace TamskKWZv2
