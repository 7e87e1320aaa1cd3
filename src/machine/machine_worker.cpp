// The Machine's worker thread: the loop, the idle pass and the process frame.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "files/log_archive.h"
#include "files/logger.h"
#include "machine/eapi.h"
#include "machine/iapi.h"
#include "machine/machine.h"
#include "machine/mapi.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"

namespace {

// The whole part of a value, 0 for one that is not a number or lies beyond
// the int range.
int wholeOrZero(double v) {
    return (v == v && std::fabs(v) < 2e9) ? static_cast<int>(v) : 0;
}

}  // namespace

const Drive& Machine::drive() const {
    return *_drive.load();
}

// ---------------------------------------------------------------- start and end

bool Machine::startProcess(int code) {
    // A refusal is this start's own: the over-speed mark of an earlier start
    // goes first (nothing but a start sets it, so nothing else is lost).
    _overDriveLimit.store(false);
    int stale = MachineError::kOverDriveLimit;
    _result.compare_exchange_strong(stale, MachineError::kNone);
    if (code <= 0 || _process.load() != MachineProcess::kIdle) return false;
    if (code == MachineProcess::kBalancing) {
        Rotor* rotor = _rotor.load();
        const Drive* d = drivePtr();
        if (rotor && d && rotor->balancingSpeed() > d->maxSpeed) {
            _overDriveLimit.store(true);
            _result.store(MachineError::kOverDriveLimit);
            return false;
        }
    }
    // A reconnect on its way would replace the device under the run: the
    // machine is busy until it is done.
    if (code != MachineProcess::kConnect && _reqReconnect.load()) return false;
    // Claim the process code first (a transitional -1 keeps the worker away
    // while the values of the previous process are reset), then reset.
    int expected = MachineProcess::kIdle;
    if (!_process.compare_exchange_strong(expected, -1)) return false;
    _result.store(MachineError::kNone);
    _stopRequested.store(false);  // from here on a stop is this start's
    _engine.error = RunStatus::kOk;
    _engine.rpm = 0.0;
    _engine.lastRpm.store(0.0);
    _injectRow.store(-1);
    _quit.store(false);
    _process.store(code);
    if (!_threadRunning.exchange(true)) {
        if (_thread.joinable()) _thread.join();
        _thread = std::thread([this] { workerLoop(); });
    }
    return true;
}

void Machine::beginStep() {
    _wake.store(false);
    _cancel.store(false);
}

void Machine::deleteDevice() {
    delete _api;
    _api = nullptr;
    _apiPresent.store(false);
    _engine.setApi(nullptr);
    _measurer.setDevice(nullptr, &_wake);
}

void Machine::workerLoop() {
    for (;;) {
        if (_quit.load()) {
            _wake.store(true);
            deleteDevice();
            _threadRunning.store(false);
            // A process started after the quit was seen is ours again, unless
            // the starter already made a new worker.
            if (!_quit.load() && !_threadRunning.exchange(true)) continue;
            return;
        }
        if (_reqReconnect.load() && takeReconnect()) {
            _state.store(MachineState::kInitializing);
            deleteDevice();
            deleteWelder();
            _sentEngineParams.reset();
            _deviceReleased.store(_lastRoundOk);
        }
        const int code = _process.load();
        if (code < 0) {
            std::this_thread::yield();
            continue;
        }
        if (code == MachineProcess::kIdle) {
            idlePass();
            _lastRoundOk = true;
        } else if (code == MachineProcess::kConnect) {
            const bool flag = _connectFlag.exchange(false);
            const bool wasDemo = _isDemo.load();
            connectDevice(flag);
            publish(true);
            // A start that the reconnect held back runs on the new device,
            // but not on the demo device in place of a controller now lost.
            int next = _quit.load() ? MachineProcess::kIdle : _heldStart.load();
            if (next != MachineProcess::kIdle && _isDemo.load() && !wasDemo) {
                _result.store(ApiError::kNoConnection);
                next = MachineProcess::kIdle;
            }
            _state.store(MachineState::kIdle);
            if (next != MachineProcess::kIdle && !awaitInterface()) next = MachineProcess::kIdle;
            _process.store(next);
            _heldStart.store(0);  // after the switch: the start never shows as gone meanwhile
        } else {
            runProcessFrame(code);
            _lastRoundOk = _result.load() == MachineError::kNone;
        }
    }
}

// Makes the connect process the next one.  A start claimed but not yet run
// is held back and runs after it; while a start is being claimed, the
// reconnect waits for the next round.
bool Machine::takeReconnect() {
    int code = _process.load();
    for (;;) {
        if (code < 0) {
            _heldStart.store(0);
            return false;
        }
        // Held before the switch: the start shows as pending throughout.
        _heldStart.store(code > MachineProcess::kConnect ? code : 0);
        if (_process.compare_exchange_weak(code, MachineProcess::kConnect)) break;
    }
    _reqReconnect.store(false);
    return true;
}

// A held start turns only once the interface has taken the new connection
// (its flag, then its ready work: the gains and misc params asked for, the
// device named).  Its requests are served here when they have come, else by
// the next idle pass; the run's set-up sends both anyway.  A stop ends the
// wait, and the start then ends before anything turns.  False on quit.
bool Machine::awaitInterface() {
    _heldAwaitsReady.store(true);
    while (!_connectFlag.load() && !_stopRequested.load() && !_quit.load()) clock_.sleepMs(20);
    _heldAwaitsReady.store(false);
    if (_quit.load()) return false;
    servePollRequests();
    return serveIdleRequests(_api);
}

bool Machine::isStartPending() {
    const int code = _process.load();
    if (code == MachineProcess::kConnect) return _heldStart.load() != 0;
    return code != MachineProcess::kIdle;
}

// ---------------------------------------------------------------- published values

void Machine::servePollRequests() {
    if (_api == nullptr) return;
    if (_reqFrequency.exchange(false)) _api->setSpeed(static_cast<std::int16_t>(_frequencyValue.load()));
    const int key = _reqKey.exchange(-1);
    if (key >= 0) _api->onKey(key);
}

void Machine::publish(bool force) {
    _apiPresent.store(_api != nullptr);
    if (_api == nullptr) return;
    _pubGap.store(_api->hasRecentDataGap());
    if (!force && _publishTimeSet && clock_.msSince(_publishTime) < 1000) return;
    _publishTime = clock_.now();
    _publishTimeSet = true;
    int type = 0;
    const int code = _api->getErrorInfo(&type);
    _pubInverterType.store(type);
    _pubErrorCode.store(code);
    for (int c = 0; c < Measurer::kDeviceChannels; ++c) _pubGains[c].store(_api->getChannelGain(c));
}

int Machine::statusResult(int status) {
    switch (status) {
        case RunStatus::kNoPhasorSignal:
            return MachineError::kNoPhasorSignal;
        case RunStatus::kDeviceError: {
            const int code = _api ? _api->getErrorInfo(nullptr) : ApiError::kNone;
            return code != ApiError::kNone ? code : ApiError::kNoConnection;
        }
        case RunStatus::kVibrationTooHigh:
            return MachineError::kVibrationTooHigh;
        case RunStatus::kTooManyCorrections:
            return MachineError::kSpeedNotReached;
        case RunStatus::kNoAcquisition:
            return ApiError::kNoConnection;
        case RunStatus::kOverSpeedStop:
            return ApiError::kEmergencyStop;
        default:
            return MachineError::kNone;
    }
}

// ---------------------------------------------------------------- idle pass

void Machine::sendMiscParams(bool belt) {
    const Drive& d = drive();
    const bool external = belt || d.externalPhasor;
    const int size = _config->speedBufferSize;
    const int period = wholeOrZero(_config->speedPeriod * 1000.0);
    _api->setMiscParams(external, size, period);
    _measurer.externalPhasor = external;
    logPrintf(&_machineLog,
              "setMiscParams: belt: %s, useExternalPhasor: %s, speedBufSize: %d, speedMeasurePeriod: %d msec",
              belt ? "y" : "n", d.externalPhasor ? "y" : "n", size, period);
}

void Machine::idlePass() {
    servePollRequests();
    // A log copy runs also when an earlier copy released the device.
    if (_reqCopyLogs.load()) {
        copyLogs();
        publish(true);
        return;
    }
    Api* a = _api;
    if (a != nullptr) {
        if (!serveIdleRequests(a)) return;
        if (!a->isConnected()) _reqReconnect.store(true);
        pollDevice();
        weldingService();
    }
    publish(false);
    clock_.sleepMs(20);
}

bool Machine::serveIdleRequests(Api* a) {
    const Drive& d = drive();
    serveBoosterRequest();
    if (_reqWelderRestart.exchange(false)) a->restartWelder();
    if (_reqBrake.exchange(false)) a->setBrake(_brakeValue.load());
    if (_reqRelay.exchange(false)) switchRelay(a, d);
    if (_reqTraining.exchange(false)) {
        logPrintf(&_engineLog, "start training");
        _cancel.store(false);  // a Stop or speed request from before does not concern it
        a->startTraining();
    }
    if (_reqUpdateMode.exchange(false)) {
        a->setUpdateMode();
        _quit.store(true);
        return false;
    }
    serveLogRequests(a);
    if (_reqMisc.exchange(false)) sendMiscParams(_config->beltDrive.active);
    if (_reqDriveSetup.exchange(false) && _invertersOk.load() && d.engine.loadParameters) setUpDrive(a, d);
    return true;
}

void Machine::serveBoosterRequest() {
    if (!_reqBooster.exchange(false)) return;
    if (_reqBoosterReset.exchange(false)) _measurer.applyBooster(*_config, 0, MachineProcess::kIdle, 0.0);
    _measurer.sendBooster();
}

// The relay sits on the mill drive's inverter.
void Machine::switchRelay(Api* a, const Drive& d) {
    const int index = _config->millDrive.drive;
    if (index < 0 || static_cast<std::size_t>(index) >= _config->inverters.size()) {
        logPrintf(&_machineLog, "relay request dropped: mill drive inverter %d is not configured", index);
        return;
    }
    a->setCurrentInverter(index, static_cast<int>(d.usedPhasor - settings_choice::kWithoutPhasor));
    a->setRelay(_relayOn.load(), _relayNumber.load());
}

// Sends the drive's motor parameters when they differ from the copy sent
// last, then sets the brake of a belt drive.
void Machine::setUpDrive(Api* a, const Drive& d) {
    const bool firstCopy = !_sentEngineParams;
    if (firstCopy) _state.store(MachineState::kConfiguring);
    a->setCurrentInverter(d.drive, static_cast<int>(d.usedPhasor - settings_choice::kWithoutPhasor));
    if (firstCopy || !Tris::equalRecords(*_sentEngineParams, d.engine)) {
        _sentEngineParams = std::make_unique<EngineParams>(d.engine);
        MotorParams m;
        m.power = d.engine.ratedPower;
        m.voltage = d.engine.ratedVoltage;
        m.current = d.engine.ratedCurrent;
        m.frequency = d.engine.ratedFrequency;
        m.speed = d.engine.ratedSpeed;
        m.poles = static_cast<int>(d.engine.poles);
        m.autoTune = static_cast<int>(d.engine.autoAdjusting - settings_choice::kAutoTuningOff);
        a->setMotorParams(m);
    }
    _state.store(MachineState::kIdle);
    if (!_frezerActive.load() && !d.brakeInstalled) {
        Rotor* rotor = _rotor.load();
        a->setBrake(rotor != nullptr && rotor->isBeltDrive());
    }
}

bool Machine::readAngle(double* angle) {
    if (!_api->getAngle(angle)) return false;
    if (_reverseAngle.load() && *angle > 0.1) *angle = 360.0 - *angle;
    return true;
}

void Machine::pollDevice() {
    Api* a = _api;
    double angle = 0.0;
    if (!readAngle(&angle)) angle = 0.0;
    _angle.store(angle);
    if (_config->externalWelding) {
        _welderStatus.store(a->getWelderStatusFlag());
        const bool active = a->isWelderActive();
        _welderActive.store(active);
        _weldProgress.store(active ? a->getWeldingProgress() : -1);
    }
    _frezerActive.store(_config->millDrive.active && a->isFrezerActive());
}

// ---------------------------------------------------------------- process frame

void Machine::runProcessFrame(int code) {
    if (_engineLog) _engineLog->open(true);
    _measurer.openLog(true);
    logPrintf(&_engineLog, "start process: %d (%s)", code, _api ? _api->getVersionString() : "null");
    logPrintf(&_engineLog, "init rpm = %lg", _engine.getSpeed(false));
    if (_stopRequested.load()) {
        // Stopped before it ran (while held behind a reconnection, say): nothing turns.
        logPrintf(&_engineLog, "stopped before the start");
    } else if (!initProcess(code)) {
        // A set-up the device did not take has its error already.
        if (_result.load() == MachineError::kNone) _result.store(MachineError::kDriveNotReady);
    } else {
        dispatch(code);
    }
    // A run that failed leaves nothing measured behind for the rotor to take.
    Rotor* rotor = _rotor.load();
    if (_result.load() != MachineError::kNone && MachineProcess::setsUpMeasurement(code) && rotor) {
        rotor->startSession();
    }
    logPrintf(&_engineLog, "finish process: %d, error: %d", code, _result.load());
    _measurer.openLog(false);
    if (_engineLog) _engineLog->open(false);
    _measuring.store(false);
    _driveRunning.store(false);
    publish(true);
    _state.store(MachineState::kIdle);
    _process.store(MachineProcess::kIdle);
}

void Machine::dispatch(int code) {
    if (code == MachineProcess::kAcceleration) {
        runAcceleration();
    } else if (code == MachineProcess::kTurnToAngle) {
        turnToAngle();
    } else {
        runProcess(code);
    }
}

// The acceleration run calibrates the drive in its default direction.
void Machine::runAcceleration() {
    const Drive& d = drive();
    if (d.defaultDirection) {
        _engine.directionSign = -1;
        _engine.direction = 2;
    } else {
        _engine.directionSign = 1;
        _engine.direction = 0;
    }
    _engine.sameBothWays = d.unidirectional;
    _engine.calibrating = true;
    _engine.accelerate(true);
    const int r = statusResult(_engine.error);
    if (r != MachineError::kNone) _result.store(r);
}

bool Machine::initProcess(int code) {
    const Drive& d = drive();
    Rotor* rotor = _rotor.load();
    logPrintf(&_engineLog, "initProcess start: ext=%s", d.external ? "y" : "n");
    if (_api == nullptr) {
        logPrintf(&_engineLog, "initProcess: no device");
        return false;
    }
    if (!d.external && !_invertersOk.load()) {
        logPrintf(&_machineLog, "Inverters is not Ok! Exiting...");
        return false;
    }
    if (_state.load() == MachineState::kInitializing) return false;

    const bool milling = _frezerActive.load();
    if (!selectInverter(d, code, milling)) return false;
    const int startRpm = processStartRpm(code, rotor);
    // Rising speeds begin with an empty speed list.
    if (code == MachineProcess::kRisingSpeeds && rotor) rotor->storeResult(0, false);
    if (MachineProcess::setsUpMeasurement(code)) {
        if (rotor) _engine.setDirection(rotor->rotationDirection());
        if (!_measurer.setup(*_config, rotor, code))
            return _measurer.status == RunStatus::kDeviceError ? setUpNotTaken("gains") : false;
    }
    setRunValues(d, code, rotor, milling);
    resetRunRequests(startRpm);
    if (!_api->setAccuracy(static_cast<int>(_config->beltDrive.angleTuningAccuracy),
                           static_cast<int>(_config->endDrive.angleTuningAccuracy), 0)) {
        return setUpNotTaken("accuracies");
    }
    logPrintf(&_engineLog, "initProcess end");
    return true;
}

// A set-up value the run's results depend on did not reach the device: the
// process ends with the device's error before anything turns.
bool Machine::setUpNotTaken(const char* what) {
    logPrintf(&_engineLog, "initProcess: the device did not take the %s", what);
    _result.store(statusResult(RunStatus::kDeviceError));
    return false;
}

// Turning drives the position-turn inverter, everything else (and turning
// while the milling unit runs) the drive's own.
bool Machine::selectInverter(const Drive& d, int code, bool milling) {
    const int index = (code == MachineProcess::kTurnToAngle && !milling) ? d.positionTurn : d.drive;
    if (index < 0 || static_cast<std::size_t>(index) >= _config->inverters.size()) {
        logPrintf(&_engineLog, "initProcess: inverter %d is not configured", index);
        return false;
    }
    const Inverter& inv = _config->inverters[static_cast<std::size_t>(index)];
    const int type = static_cast<int>(inv.inverterType - settings_choice::kSchneiderAtv12);
    _api->setCurrentInverter(index, static_cast<int>(d.usedPhasor - settings_choice::kWithoutPhasor));
    if (!_api->setInverterType(type, inv.address)) return setUpNotTaken("inverter type");
    return true;
}

int Machine::processStartRpm(int code, Rotor* rotor) const {
    if (code == MachineProcess::kRisingSpeeds) return wholeOrZero(_config->speedLimit.minimum);
    if (code == MachineProcess::kBalancing && rotor) return wholeOrZero(rotor->balancingSpeed());
    return _requestedRpm.load();
}

// The drive control's and the measuring part's values of this run.
void Machine::setRunValues(const Drive& d, int code, Rotor* rotor, bool milling) {
    RotorRunNumbers numbers;
    if (rotor) numbers = rotorRunNumbers(*rotor, d);
    double current[4];
    for (int i = 0; i < 4; ++i) current[i] = _engine.calibrationValue(i);
    const EngineRunValues values = engineRunValues(d, *_config, code, rotor ? &numbers : nullptr,
                                                   _api->defaultCalibrationStep(), current, milling);
    _runBelt = rotor != nullptr && numbers.beltDrive;
    sendMiscParams(_runBelt);

    _measurer.status = RunStatus::kOk;
    _measurer.speedTolerance = 1.0;
    _measurer.toleranceFactor = 2.0 * d.stabilizationAccuracy + 1.0;
    _measurer.externalDrive = d.external;
    _measurer.localFlag = _config->local.serviceAccess;
    if (!milling && d.brakeInstalled) _api->setBrake(false);
    _engine.applyRunValues(values);
}

void Machine::resetRunRequests(int startRpm) {
    _measuring.store(false);
    _requestedBoosterLevel.store(0);
    _requestedRpm.store(startRpm);
    beginStep();
}

// ---------------------------------------------------------------- measuring process

bool Machine::blockedCheck() {
    const Drive& d = drive();
    const bool own = d.extErrorCount != 0;
    const std::uint32_t n = own ? d.extErrorCount : _config->extErrorCount;
    const std::uint32_t s = own ? d.extErrorStartBit : _config->extErrorStartBit;
    const std::uint32_t mask = (n & 31u) * 32u + (s & 31u);
    const bool blocked = !d.external && _api->isBlocked(mask);
    _blocked.store(blocked);
    return blocked;
}

void Machine::runProcess(int code) {
    const Drive& d = drive();
    Rotor* rotor = _rotor.load();
    if (rotor) {
        rotor->startSession();
        _api->driveRatio = rotor->driveRatio();
    }
    bool noSpeedControl = MachineProcess::withoutSpeedControl(code);
    bool first = true;
    if (blockedCheck() && !noSpeedControl) {
        // A controller that does not answer is no blocked drive.
        const bool lost = _api->getErrorInfo(nullptr) == ApiError::kNoConnection;
        _result.store(lost ? ApiError::kNoConnection : MachineError::kDriveNotReady);
        return;
    }
    _engine.trainRequested = _runBelt;

    for (;;) {
        if ((_requestedRpm.load() == 0 && !noSpeedControl) || _stopRequested.load()) {
            stopDrive();
            injectChosenResults(rotor);  // a key typed while the rotor ran down
            break;
        }
        _driveRunning.store(!noSpeedControl);
        beginStep();
        const int rpm = _requestedRpm.exchange(0);
        bool reached = true;
        if (noSpeedControl) {
            prepareTestMeasurement(code);
            noSpeedControl = false;  // the next pass ends unless a new speed was asked for
        } else {
            reached = reachSpeed(rpm, first);
            if (reached) first = false;
        }
        if (reached) measureAt(d, code, rpm, rotor);
        injectChosenResults(rotor);
        if (code == MachineProcess::kRisingSpeeds) nextRisingSpeed(rpm, rotor);
    }
    _driveRunning.store(false);
}

// Stops the drive at the end of a run.  An over-speed stop on the way is the
// run's result; a stop the device did not take is one unless the run failed
// before.
void Machine::stopDrive() {
    const bool stopped = _engine.setRpm(0, false);
    const int r = statusResult(_engine.error);
    const bool firstError = !stopped && _result.load() == MachineError::kNone;
    if (r == ApiError::kEmergencyStop || firstError) _result.store(r);
}

// Brings the drive to `rpm` and sets the measuring part to it; false (with
// the result set) when the drive failed or the run was woken meanwhile.
bool Machine::reachSpeed(int rpm, bool first) {
    const bool ok = _engine.setRpm(rpm, first);
    if (!ok || _wake.load()) {
        _result.store(statusResult(_engine.error));
        return false;
    }
    _measurer.commandedSpeed.store(rpm);
    _measurer.testMode = 0;
    _measurer.speedTolerance = std::max(rpm * _measurer.toleranceFactor, 1.0);
    if (first && !_api->hasTurnData()) {
        logPrintf(&_engineLog, "start training");
        _api->startTraining();
    }
    return true;
}

// A test measures at whatever speed the rotor turns, keeping every sample
// or one in "Number of test measurements (per point)".
void Machine::prepareTestMeasurement(int code) {
    _measurer.testMode = code == MachineProcess::kTest
                             ? 1
                             : static_cast<int>(std::min<std::uint32_t>(_config->testMeasurements, INT_MAX));
    _measurer.commandedSpeed.store(0.0);
    _measurer.speedTolerance = 1.0;
}

// One measurement at the reached speed, after the operator's "Begin?" when
// the rotor or the drive asks for it.
void Machine::measureAt(const Drive& d, int code, int rpm, Rotor* rotor) {
    if (rpm > 0 && rotor) rotor->clearStartFlag();
    if (rotor && code != MachineProcess::kTest &&
        (rotor->hasFlaggedChannel() || d.stabilizationAttempts == 0)) {
        waitForBegin(d);
    }
    _measuring.store(true);
    _state.store(MachineState::kMeasuring);
    _measurer.rotor = rotor;
    if (code == MachineProcess::kBalancing && rotor) {
        const double hz = _engine.getSpeed(true);
        logPrintf(&_engineLog, "set speed in hz: %lg for ratio: %lg", hz, rotor->driveRatio());
        rotor->setDriveCalibration(hz);
    }
    if (_injectRow.load() < 0) measureStep();
    _measuring.store(false);
}

// Waits for the operator's confirmation (or a wake, or an inverter fault of
// the machine's own drive, which stops it).
void Machine::waitForBegin(const Drive& d) {
    _state.store(MachineState::kBeginPrompt);
    while (!_wake.load()) {
        servePollRequests();
        if (_state.load() != MachineState::kBeginPrompt) break;
        if (!d.external && _api->hasInverterError()) {
            _api->setSpeed(0);
            break;
        }
        clock_.sleepMs(20);
    }
}

// The demo device hands the rotor a built-in result row chosen by key; it
// alone is the run's result (nothing measured before it is averaged in).
void Machine::injectChosenResults(Rotor* rotor) {
    const int row = _injectRow.exchange(-1);
    if (row < 0 || !_isDemo.load()) return;
    if (rotor) rotor->startSession();
    _measurer.rotor = rotor;
    _measurer.injectResults(row);
    beginStep();
    _resultCount.fetch_add(1);
    logPrintf(&_machineLog, "Force quit with result!");
}

// Stores the speed's results and asks for the speed 50 rpm higher while it
// stays within the rotor speed limit.
void Machine::nextRisingSpeed(int rpm, Rotor* rotor) {
    if (_result.load() != MachineError::kNone || _wake.load() || !rotor) return;
    const int next = rpm + 50;
    const int limit = wholeOrZero(_config->speedLimit.maximum);
    rotor->storeResult(rpm, next > limit);
    if (next <= limit) {
        _requestedRpm.store(next);
        rotor->startSession();
    }
}

void Machine::measureStep() {
    for (;;) {
        if (_measurer.boosterLevel.load() != _requestedBoosterLevel.load()) {
            // Another gain level was asked for: apply it and measure again.
            _measurer.applyBooster(*_config, _requestedBoosterLevel.load(), _process.load(),
                                   _measurer.commandedSpeed.load());
            if (_measurer.sendBooster()) continue;
            _result.store(statusResult(RunStatus::kDeviceError));
            break;
        }
        const double speed = std::fabs(_engine.getSpeed(false));
        _measurer.commandedSpeed.store(speed);
        _measurer.speedTolerance = std::max(speed * _measurer.toleranceFactor, 1.0);
        const int status = _measurer.measure();
        _result.store(statusResult(status));
        if (_result.load() != MachineError::kNone ||
            _measurer.boosterLevel.load() == _requestedBoosterLevel.load() || _stopRequested.load()) {
            break;
        }
        beginStep();
    }
    // The speed to go to next: an rpm asked for meanwhile, else none (the
    // keep-speed mark is never set).
    logPrintf(&_engineLog, "New rpm = %d", _requestedRpm.load());
}

// ---------------------------------------------------------------- turning

// Logs on and off: the device's logs and the machine's own.
void Machine::serveLogRequests(Api* a) {
    for (const bool on : {true, false}) {
        if ((on ? _reqLogOn : _reqLogOff).exchange(false)) {
            a->openLog(on);
            if (_machineLog) _machineLog->open(on);
        }
    }
}

void Machine::turnPass() {
    servePollRequests();
    Api* a = _api;
    serveBoosterRequest();
    if (_reqBrake.exchange(false)) a->setBrake(_brakeValue.load());
    serveLogRequests(a);
    if (_reqMisc.exchange(false)) sendMiscParams(_config->beltDrive.active);
    pollDevice();
    publish(false);
}

// Direction of a turn: a jog turns the rotor's own way, a turn to a target
// the short way as the interface and the settings count angles.
int Machine::turnSign(Rotor* rotor, double target, double current, bool jog) const {
    if (jog) return (rotor && rotor->rotationDirection()) ? -1 : 1;
    double diff = std::fmod(target - current, 360.0);
    if (diff > 180.0) diff -= 360.0;
    if (diff < -180.0) diff += 360.0;
    int sign = diff >= 0.0 ? 1 : -1;
    if (_config->interfaceRotation) sign = -sign;
    if (_config->reverseAngle) sign = -sign;
    return sign;
}

void Machine::turnToAngle() {
    const Drive& d = drive();
    Rotor* rotor = _rotor.load();
    Api* a = _api;
    const double accuracy = d.positionTurnAccuracy;
    const double target = _turnTarget.load();
    const bool jog = _jogTurn.load();
    const double jogDistance = _jogDistance.load();
    // An angle that cannot be read is no angle to stop at: the turn ends
    // there, as a device error; `current` keeps the last angle read.
    auto readCurrent = [&](double& into) {
        double angle = 0.0;
        if (!readAngle(&angle)) return false;
        _angle.store(angle);
        into = angle;
        return true;
    };
    double current = 0.0;
    bool lost = !readCurrent(current);
    logPrintf(&_engineLog, "turning: start waiting delta=%d target=%d current=%d", static_cast<int>(accuracy),
              static_cast<int>(target), static_cast<int>(current));
    _state.store(MachineState::kTurning);
    _engine.directionSign = 1;
    const bool active = d.positionTurnActive;
    const bool sends = active && !d.external;
    const int sign = active ? turnSign(rotor, target, current, jog) : 1;
    auto sendFrequency = [&](double centiHz) {
        double f = std::min(std::fabs(centiHz), 32767.0);
        if (!(f == f)) f = 0.0;
        _engine.setSpeed(static_cast<std::int16_t>(sign * static_cast<int>(f)));
    };
    auto arrived = [&]() {
        double distance = std::fabs(current - target);
        if (distance > 180.0) distance = 360.0 - distance;
        return jog ? distance > jogDistance : distance <= accuracy;
    };
    bool reached = false;
    if (!lost) {  // no start angle: no turn
        if (sends) sendFrequency(d.positionTurnSpeed * 100.0);
        while (!_wake.load()) {
            if (_reqTurnSpeed.exchange(false) && sends) sendFrequency(_turnSpeed.load());
            if (!readCurrent(current)) {
                lost = true;
                break;
            }
            if (arrived()) {
                reached = true;
                break;
            }
            turnPass();
            clock_.sleepMs(1);
        }
    }
    // Every way out stops the drive it started and applies the brake.
    if (sends && !_engine.setSpeed(0)) lost = true;
    if (lost) _result.store(statusResult(RunStatus::kDeviceError));
    if (!d.external && d.brakeInstalled) {
        a->setBrake(true);
        setBrake(true);
    }
    logPrintf(&_engineLog, "turning: %s at %lg", reached ? "reached" : "interrupted", current);
}

// ---------------------------------------------------------------- connect process

void Machine::connectDevice(bool connectFlag) {
    (void)connectFlag;
    makeLogsFolder();
    _isDemo.store(false);
    openDevice();
    if (_api == nullptr) {
        _api = deps_.makeDemo ? deps_.makeDemo(clock_) : new MApi(clock_, demoReplayPath());
        _isDemo.store(true);
    }
    _apiPresent.store(true);
    logPrintf(&_machineLog, "connected: %s", _isDemo.load() ? "demo" : "device");
    sendInverterList();
    publishDeviceName();
    attachDevice();
}

// Tries the configured controller at most 50 times, pausing after each
// attempt; a device that answers but is not connected is dropped.
void Machine::openDevice() {
    const TextId system = _config->dataCollection;
    std::unique_ptr<EApiFactory> olderFactory;
    for (int attempt = 0; attempt < 100; attempt += 2) {
        if (_api != nullptr || _quit.load()) break;
        _connectAttempt.store(attempt);
        _api = makeDevice(system, olderFactory);
        clock_.sleepMs(_pauseMs);
        if (_api != nullptr && !_api->isConnected()) {
            delete _api;
            _api = nullptr;
        }
    }
}

// One attempt: null when the controller does not answer or the settings name
// no known controller.
Api* Machine::makeDevice(TextId system, std::unique_ptr<EApiFactory>& olderFactory) {
    if (system == settings_choice::kVersion1) {
        if (deps_.makeOlder) return deps_.makeOlder(clock_);
        if (!olderFactory) olderFactory = std::make_unique<EApiFactory>(clock_);
        return olderFactory->createEApi();
    }
    if (system == settings_choice::kVersion2) {
        if (deps_.makeMeasuring) return deps_.makeMeasuring(clock_);
        IApiEnvironment environment;
        environment.cancel = &_cancel;
        return createIApi(clock_, environment);
    }
    return nullptr;
}

// Hands the device the configured inverters (those with a bus address).
void Machine::sendInverterList() {
    std::vector<InverterEntry> list;
    for (const Inverter& inv : _config->inverters) {
        if (inv.address == 0) continue;
        InverterEntry e;
        e.address = static_cast<std::uint32_t>(inv.address);
        e.type = inv.inverterType - settings_choice::kSchneiderAtv12;
        list.push_back(e);
    }
    _invertersOk.store(list.empty() ? true : _api->setInverters(list));
}

// The device name is published as a copy that is never rewritten while shown.
void Machine::publishDeviceName() {
    const char* version = _api->getVersionString();
    const std::string name = version ? version : "";
    const std::string* shown = _deviceName.load();
    if (shown == nullptr || *shown != name) {
        _deviceNameSlot ^= 1;
        _deviceNames[_deviceNameSlot] = name;
        _deviceName.store(&_deviceNames[_deviceNameSlot], std::memory_order_release);
    }
}

// Gives the drive control and the measuring part the new device.
void Machine::attachDevice() {
    _engine.setApi(_api);
    _engine.machineState = &_state;
    _engine.cancel = &_wake;
    _engine.calibrated.store(false);
    _engine.setDemo(_isDemo.load(), demoReplayPath());
    if (IApi* iapi = dynamic_cast<IApi*>(_api)) iapi->setCancelFlag(&_cancel);

    setPlaneValues(_config->speedBufferSize, wholeOrZero(_config->speedPeriod * 1000.0));

    _measurer.fullScale = getMaxSamples();
    _measurer.setDevice(_api, &_wake);
    _measurer.maxRingSamples = _api->hasTurnData() ? 15000 : 18150;
    _measurer.planeValues = _planeValues;
    _measurer.sentPlaneValues[0] = _planeValues[0].load();
    _measurer.sentPlaneValues[1] = _planeValues[1].load();
}

std::string Machine::demoReplayPath() const {
    return deps_.demoReplayPath.empty() ? std::string(MApi::kDefaultReplayPath) : deps_.demoReplayPath;
}

// ---------------------------------------------------------------- log copy

void Machine::copyLogs() {
    _state.store(MachineState::kCopyingLogs);
    _reqCopyLogs.store(false);
    if (_machineLog) _machineLog->open(false);
    // The rotor's log is suspended by its name, not through the rotor: the
    // screens may replace the rotor while the export runs, and the interface
    // thread goes on writing through it.
    suspendLogs(Rotor::kLogName, true);
    deleteWelder();
    deleteDevice();
    _sentEngineParams.reset();
    _deviceReleased.store(true);
    if (deps_.exportLogs) {
        deps_.exportLogs(&_copyLogsResult, &_copyLogsProgress);
    } else {
        exportLogsArchive(&_copyLogsResult, &_copyLogsProgress);
    }
    // The logs go on before the idle state shows the copy ended.
    if (_machineLog) _machineLog->open(true);
    suspendLogs(Rotor::kLogName, false);
    _state.store(MachineState::kIdle);
}
