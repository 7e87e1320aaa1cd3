#include "machine/machine.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "files/logger.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "texts/format.h"
#include "texts/text_groups.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {

int truncInt(double v) {
    if (!(v == v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

// Cuts a UTF-8 text to at most `limit` bytes without splitting a character.
void cutUtf8(std::string& s, std::size_t limit) {
    if (s.size() <= limit) return;
    std::size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    s.resize(n);
}

}  // namespace

Machine::Machine(int pauseMs, Config* config, MachineDeps deps)
    : _config(config),
      deps_(std::move(deps)),
      clock_(deps_.clock ? *deps_.clock : static_cast<Clock&>(SteadyClock::instance())),
      _pauseMs(pauseMs),
      _engine(nullptr, clock_, &_state, &_wake),
      _measurer(clock_) {
    _machineLog = createLogger("machine");
    if (_machineLog) _machineLog->open(true);
    _guiLog = createLogger("machine");
    if (_guiLog) _guiLog->open(true);
    _engineLog = createLogger("engine");
    _drive.store(config ? &config->endDrive : nullptr);
    _measurer.onResult = [this] {
        const int n = _resultCount.fetch_add(1) + 1;
        logPrintf(&_machineLog, "Result: %d", n);
    };
    _measurer.pollHook = [this] {
        servePollRequests();
        publish(false);
    };
    _measurer.planeValues = _planeValues;
}

Machine::~Machine() {
    _quit.store(true);
    cancelAll();
    if (_thread.joinable()) _thread.join();
    delete _api;
    _api = nullptr;
    deleteWelder();
    delete _machineLog;
    delete _guiLog;
    delete _engineLog;
}

// ---------------------------------------------------------------- requests

void Machine::wakeProcess() {
    _wake.store(true);
    if (_process.load() != MachineProcess::kIdle) _cancel.store(true);
}

void Machine::cancelAll() {
    _cancel.store(true);
    _wake.store(true);
}

bool Machine::setConnectFlag() {
    // Ready: idle, or connected with a held start that waits for this.
    const bool ready = _process.load() == MachineProcess::kIdle || _heldAwaitsReady.load();
    if (_connectFlag.load() || _state.load() != MachineState::kIdle || !ready) return false;
    bool expected = false;
    return _connectFlag.compare_exchange_strong(expected, true);
}

void Machine::clearConnectFlag() {
    _connectFlag.store(false);
}

bool Machine::requestQuit() {
    _quit.store(true);
    cancelAll();
    return !_threadRunning.load();
}

bool Machine::stop() {
    _stopRequested.store(true);
    _cancel.store(true);
    const bool wasAwake = _wake.exchange(true);
    if (!wasAwake) return false;
    return _process.load() == MachineProcess::kIdle;
}

std::int16_t Machine::frequencyValue(double hz) {
    const double v = hz * 100.0;
    if (!(v == v)) return 0;
    if (v >= 32767.0) return 32767;
    if (v <= -32768.0) return -32768;
    return static_cast<std::int16_t>(v);
}

void Machine::setSpeed(double value, bool isFrequency) {
    if (!_driveRunning.load() && value > 0 && _blocked.load()) {
        _result.store(MachineError::kDriveNotReady);
        wakeProcess();
        return;
    }
    if (isFrequency) {
        _frequencyValue.store(frequencyValue(value));
        _reqFrequency.store(true);
        _driveRunning.store(value > 0);
    } else {
        _requestedRpm.store(truncInt(value));
        wakeProcess();
    }
}

void Machine::confirmStart() {
    int expected = MachineState::kBeginPrompt;
    _state.compare_exchange_strong(expected, MachineState::kMeasuring);
}

void Machine::startTraining() {
    _reqTraining.store(true);
}

void Machine::clearSampleBuffer() {
    _measurer.clearRing();
}

void Machine::saveCalibration(bool onlyAfterAcceleration) {
    if (!_engine.calibrated.load() || _config == nullptr) return;
    if (onlyAfterAcceleration && _process.load() != MachineProcess::kAcceleration) return;
    AutosettingData& a = _config->endDrive.autosetting;
    a.value1 = _engine.calibrationValue(0);
    a.value2 = _engine.calibrationValue(1);
    a.value3 = _engine.calibrationValue(2);
    a.value4 = _engine.calibrationValue(3);
}

void Machine::setEventLogging(bool on) {
    if (on) {
        _reqLogOn.store(true);
        if (_guiLog) _guiLog->open(true);
    } else {
        _reqLogOff.store(true);
        if (_guiLog) _guiLog->open(false);
    }
    clock_.sleepMs(100);
}

double Machine::getSpeedInfo(bool inHz) {
    const int st = _state.load();
    if (!inHz && (st == MachineState::kMeasuring || st == MachineState::kTesting)) {
        const double measured = std::fabs(_measurer.speed());
        const bool local = _config && _config->local.serviceAccess;
        const double v =
            std::round((local || measured < 0.1) ? measured : std::fabs(_measurer.commandedSpeed.load()));
        const Drive* d = drivePtr();
        if (v >= 0.1 || (d && d->external)) return v;
    }
    return std::fabs(_engine.getSpeed(inHz));
}

int* Machine::getSamples(int* points, int* valuesPerSample) {
    return _measurer.copySamples(points, valuesPerSample);
}

int Machine::initPlaneData(std::vector<float> traces[16], int block) {
    return _measurer.copyBlock(traces, block);
}

const char* Machine::getDeviceName() {
    const std::string* s = _deviceName.load(std::memory_order_acquire);
    return s ? s->c_str() : "";
}

double Machine::getSpecificUnbalance(char* out, int size) {
    Rotor* r = _rotor.load();
    if (r) return r->unbalanceUnit(out, size);
    if (out && size > 0) out[0] = 0;
    return 0.0;
}

void Machine::setRotor(Rotor* rotor) {
    _rotor.store(rotor);
    const bool belt = rotor != nullptr && rotor->isBeltDrive();
    if (_config) _drive.store(belt ? &_config->beltDrive : &_config->endDrive);
    _driveType.store(belt ? 1 : 0);
}

void Machine::setTurnTarget(double angle, double jogDistance) {
    _turnTarget.store(angle);
    _jogDistance.store(jogDistance);
    _jogTurn.store(jogDistance > 0);
}

int Machine::setTurnSpeed(double value, int plane) {
    if (_config == nullptr) return 0;
    const Drive& mill = _config->millDrive;
    const double M = mill.maxSpeed;
    const double R = mill.ratedMotorSpeed;
    double p = value;
    if (plane != 0) {
        Rotor* r = _rotor.load();
        const double radius = r ? r->correctionRadius(plane) : 0.0;
        const double L = radius * 2.0 * M_PI * M / 60.0;
        if (L > 0.0) p = std::min(L, value) * 100.0 / L;
    }
    if (!(p >= 1.0)) p = 1.0;
    if (p > 100.0) p = 100.0;
    if (!(R > 0.0)) {
        logPrintf(&_guiLog, "turn speed: no rated motor speed of the mill drive, turn speed 0");
        _turnSpeed.store(0);
    } else {
        const double f = M * 50.0 / R * p;
        _turnSpeed.store(std::max(0, std::min(truncInt(f), 32767)));
    }
    _reqTurnSpeed.store(true);
    return static_cast<int>(p);
}

void Machine::applyMiscParams() {
    if (_config) _reverseAngle.store(_config->reverseAngle);
    _reqMisc.store(true);
}

void Machine::resetBooster() {
    _reqBoosterReset.store(true);
    _reqBooster.store(true);
}

int Machine::getChannelGain(int slot) {
    const int c = _measurer.listedChannel(slot);
    if (c < 0 || c >= Measurer::kDeviceChannels) return 0;
    int step = _pubGains[c].load();
    if (step < 0) step = _measurer.gainStep(c);
    return Measurer::gainMultiplier(step);
}

void Machine::onKey(int key) {
    const bool demo = _isDemo.load();
    const bool measuring = _measuring.load();
    if (key >= '0' && key <= '9') {
        if (demo) {
            _injectRow.store(key - '0');
            wakeProcess();
        }
        return;
    }
    if (_extendedKeys.load() && ((key >= 'a' && key <= 'f') || (key >= 'A' && key <= 'F'))) {
        if (demo) {
            _injectRow.store((key >= 'a' ? key - 'a' : key - 'A'));
            wakeProcess();
        }
        return;
    }
    switch (key) {
        case '-':
            if (measuring) {
                if (demo) _resultCount.fetch_add(1);
                return;
            }
            break;
        case 'c':
        case 'C':
            _weldReady.store(true);
            return;
        case 'h':
        case 'H':
            if (_process.load() > MachineProcess::kConnect) {  // from the start until the run-down
                _extendedKeys.store(true);
                return;
            }
            break;
        case 'z':
            _result.store(MachineError::kOperatorAbort);
            return;
        case 'u':
            _deviceReleased.store(true);
            return;
        default:
            break;
    }
    if (_apiPresent.load()) _reqKey.store(key);
}

void Machine::setBrake(bool on) {
    _brakeValue.store(on);
    if (on) _brakeTimeNs.store(clock_.now().time_since_epoch().count());
    _reqBrake.store(true);
}

void Machine::setRelay(bool on, int relay) {
    _relayOn.store(on);
    _relayNumber.store(relay);
    _reqRelay.store(true);
}

int Machine::getWeldValue() {
    return _weldValue.load();
}

bool Machine::requestUpdateMode() {
    _reqUpdateMode.store(true);
    return true;
}

void Machine::setBoosterLevel(int level) {
    _requestedBoosterLevel.store(level);
    _measurer.boosterLevel.store(-1);
    if (_measuring.load()) wakeProcess();
}

void Machine::resetResults() {
    logPrintf(&_guiLog, "Reset results");
    _resultCount.store(0);
}

bool Machine::isExternalDrive() {
    const Drive* d = drivePtr();
    return d && d->external;
}

void Machine::setPlaneValues(int a, int b) {
    _planeValues[0].store(a);
    _planeValues[1].store(b);
}

void Machine::getPlaneValues(int* a, int* b) {
    if (a) *a = _planeValues[0].load();
    if (b) *b = _planeValues[1].load();
}

void Machine::requestCopyLogs() {
    _copyLogsProgress.store(0);
    _reqCopyLogs.store(true);
}

int Machine::getCopyLogsProgress() {
    if (_state.load() == MachineState::kCopyingLogs || _reqCopyLogs.load()) return _copyLogsProgress.load();
    return -1;
}

// ---------------------------------------------------------------- welding requests

bool Machine::isWeldingReady() {
    return _weldReady.load() && _tacksLeft.load() == 0;
}

void Machine::setPipeDiameter(float mm) {
    _pipeDiameter.store(mm);
    _reqPipeDiameter.store(true);
}

void Machine::setPipeThickness(int pattern) {
    _pipePattern.store(pattern);
    _reqPipePattern.store(true);
}

void Machine::setFastRotation(int v) {
    _fastValue.store(v);
    _weldReady.store(v == 0);
    if (v != 0) {
        _result.store(MachineError::kNone);
        _tacksLeft.store(0);
    }
    _reqFast.store(true);
}

void Machine::setJogRotation(int angle, int tacks) {
    _jogValue.store(angle);
    if (angle != 0) _result.store(MachineError::kNone);
    _tacksLeft.store(tacks);
    _tackStep.store(tacks != 0 ? 360 / tacks : 0);
    _weldReady.store(angle == 0);
    _reqJog.store(true);
}

void Machine::setJogWelding(bool on) {
    _jogWeldValue.store(on);
    _tacksLeft.store(0);
    if (on) _result.store(MachineError::kNone);
    _reqJogWeld.store(true);
}

void Machine::setWeldRotation(bool on) {
    _weldRotValue.store(on);
    if (on) {
        _result.store(MachineError::kNone);
        _tacksLeft.store(0);
    }
    _weldReady.store(!on);
    _reqWeldRot.store(true);
}

void Machine::setWeldWelding(bool on) {
    _weldWeldValue.store(on);
    _reqWeldWeld.store(true);
}

// ---------------------------------------------------------------- error text

std::string Machine::errorText(int* shownCode, std::string* title) {
    int code = _result.load();
    int shown = code;
    std::string text;
    if (_overDriveLimit.load()) {
        code = MachineError::kOverDriveLimit;
        shown = code;
        text = machineErrorText(code, 0).text;
    } else if (!_apiPresent.load()) {
        code = MachineError::kInitializing;
        shown = code;
        text = machineErrorText(code, 0).text;
    } else {
        std::uint32_t type = 0;
        if (code < MachineError::kInverterFaultLimit) {
            code = _pubErrorCode.load();
            type = static_cast<std::uint32_t>(_pubInverterType.load());
        }
        shown = code;
        if (code >= ApiError::kExternalInputFirst && code <= ApiError::kExternalInputLast && _config) {
            const Drive* d = drivePtr();
            const std::vector<ExtError>& list =
                (d && d->extErrorCount != 0) ? d->extErrors : _config->extErrors;
            const std::size_t i = static_cast<std::size_t>(code - ApiError::kExternalInputFirst);
            if (i < list.size()) text = list[i].message;
        } else {
            const MachineErrorText t = machineErrorText(code, type);
            text = t.text ? t.text : "";
            shown = t.shownCode;
        }
    }
    if (text.empty()) text = machineErrorText(textid::kMachineErrorUnknownCode, 0).text;
    cutUtf8(text, 127);
    if (shownCode) *shownCode = shown;
    const bool machineFault = code >= MachineError::kFirstTitledError;
    if (title) title->assign(textOrEmpty(machineFault ? textid::kTextError : textid::kTextDriveFault));
    return ks::format("{} ({})", text, shown);
}
