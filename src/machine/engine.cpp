#include "machine/engine.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>

#include "files/logger.h"
#include "records/settings_records.h"
#include "rotor/rotor_base.h"

namespace {

char yn(bool b) { return b ? 'y' : 'n'; }

// A frequency in 0.01 Hz for the inverter: never negative, never beyond the
// 16-bit range (327.67 Hz), 0 for a value that is not a number.
std::int16_t saturateFrequency(double f) {
    if (!(f >= 0.0)) return 0;
    if (f > 32767.0) return 32767;
    return static_cast<std::int16_t>(f);
}

int truncToInt(double v) {
    if (!(v == v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

int rampTime(double accelerationTimeMs, double factor, double minimumSeconds) {
    const int ms = truncToInt(std::max(accelerationTimeMs * factor, minimumSeconds * 1000.0));
    return ms <= 0 ? 10000 : ms;
}

}  // namespace

// ---------------------------------------------------------------- run values

RotorRunNumbers rotorRunNumbers(RotorBase& rotor, const Drive& drive) {
    RotorRunNumbers n;
    n.accelerationTimeMs = rotor.inertiaQuotient(drive.ratedTorque);
    n.beltDrive = rotor.isBeltDrive();
    n.drivePulley = rotor.pulleyDiameter(true);
    n.rotorSurface = rotor.pulleyDiameter(false);
    n.balancingSpeed = rotor.balancingSpeed();
    n.driveCalibration = rotor.driveCalibration();
    n.rotationDirection = rotor.rotationDirection();
    return n;
}

EngineRunValues engineRunValues(const Drive& drive, const Config& config, int process, const RotorRunNumbers* rotor,
                                int defaultCalibrationStep, const double current[4], bool millingActive) {
    EngineRunValues v;
    v.external = drive.external;
    v.accuracy = drive.stabilizationAccuracy;
    v.stabFactor = drive.stabilizationFactor;
    v.waitInverterSignal = drive.stabilizationFromDrive;
    v.maxAdjust = static_cast<int>(std::min<std::uint32_t>(drive.stabilizationAttempts, INT_MAX));
    v.speedUpTimeoutMs =
        static_cast<int>(std::min<std::int64_t>(std::max<std::int64_t>(std::int64_t(drive.phasorTimeout) * 1000, 1000),
                                                INT_MAX));
    v.rpmLimit = static_cast<int>(std::min<std::uint32_t>(drive.encoderSpeedThreshold, 100));

    const double t = rotor ? rotor->accelerationTimeMs : 0.0;
    v.accelerationMs = rampTime(t, drive.accDecFactors.acceleration, drive.accDecTime.acceleration);
    v.decelerationMs = rampTime(t, drive.accDecFactors.deceleration, drive.accDecTime.deceleration);
    v.rampType = static_cast<int>(drive.accDecCurve % 3);

    const int index =
        (process == MachineProcess::kTurnToAngle && !millingActive) ? drive.positionTurn : drive.drive;
    if (index >= 0 && static_cast<std::size_t>(index) < config.inverters.size()) {
        const Inverter& inv = config.inverters[static_cast<std::size_t>(index)];
        v.inverterType = static_cast<int>(inv.inverterType - settings_choice::kSchneiderAtv12);
        v.inverterAddress = inv.address;
    }

    const bool belt = rotor && rotor->beltDrive;
    if (belt) {
        for (int i = 0; i < 4; ++i) v.calibration[i] = current ? current[i] : 0.0;
        if (process == MachineProcess::kTurnToAngle) {
            if (rotor->rotationDirection) {
                v.calibration[0] = v.calibration[2];
                v.calibration[1] = v.calibration[3];
            } else {
                v.calibration[2] = v.calibration[0];
                v.calibration[3] = v.calibration[1];
            }
        } else {
            for (double& c : v.calibration) c = 0.0;
        }
    } else {
        const AutosettingData& a = config.endDrive.autosetting;
        v.calibration[0] = a.value1;
        v.calibration[1] = a.value2;
        v.calibration[2] = a.value3;
        v.calibration[3] = a.value4;
    }

    int s = truncToInt(drive.autotuningFrequency * 100.0);
    if (s == 0) s = defaultCalibrationStep;
    if (belt && rotor->drivePulley != 0.0 && rotor->rotorSurface != 0.0) {
        s = truncToInt(s * rotor->rotorSurface / rotor->drivePulley);
    } else if (drive.driveRatio > 0.0) {
        s = truncToInt(s * drive.driveRatio);
    }
    v.calSpeed = std::max(s, 100);

    if (process == MachineProcess::kBalancing && rotor) {
        v.savedRpm = rotor->balancingSpeed;
        v.savedHz = rotor->driveCalibration;
        if (v.savedHz < 0.0001 && drive.autotuningFrequency < 0.0001 && drive.ratedMotorSpeed > 0.0) {
            v.savedHz = rotor->balancingSpeed * 50.0 / drive.ratedMotorSpeed;
        }
    }
    return v;
}

// ---------------------------------------------------------------- Engine

Engine::Engine(Api* device, Clock& clock, std::atomic<int>* state, std::atomic<bool>* cancelFlag)
    : api(device), cancel(cancelFlag), machineState(state), clock_(clock) {
    logger = createLogger("engine");
}

Engine::~Engine() { delete logger; }

void Engine::setDemo(bool isDemo, std::string replayPath) {
    std::shared_ptr<const std::string> path;
    if (isDemo && !replayPath.empty()) path = std::make_shared<const std::string>(std::move(replayPath));
    std::atomic_store(&replayPath_, std::move(path));
}

void Engine::applyRunValues(const EngineRunValues& v) {
    external = v.external;
    accuracy = v.accuracy;
    stabFactor = v.stabFactor;
    waitInverterSignal = v.waitInverterSignal;
    maxAdjust = v.maxAdjust;
    speedUpTimeoutMs = v.speedUpTimeoutMs;
    rpmLimit = v.rpmLimit;
    accelerationMs = v.accelerationMs;
    decelerationMs = v.decelerationMs;
    rampType = v.rampType;
    inverterType = v.inverterType;
    inverterAddress = v.inverterAddress;
    for (int i = 0; i < 4; ++i) calibration[i].store(v.calibration[i]);
    calSpeed = v.calSpeed;
    savedHz = v.savedHz;
    savedRpm = v.savedRpm;
}

bool Engine::replayFilePresent() const {
    const std::shared_ptr<const std::string> path = std::atomic_load(&replayPath_);
    if (!path) return false;
    std::error_code ec;
    const auto st = std::filesystem::status(*path, ec);
    return !ec && std::filesystem::exists(st);
}

void Engine::publish(int state) {
    if (machineState) machineState->exchange(state);
}

void Engine::raiseCancel() {
    if (cancel) cancel->exchange(true);
}

bool Engine::cancelled() const { return cancel && cancel->load(); }

double Engine::readSpeed() { return std::fabs(api->getSpeed()); }

bool Engine::setRpm(int target, bool first) {
    logPrintf(&logger, "setRpm %d (first? %c)", target, yn(first));
    targetRpm.store(target);
    tolerance = std::max(target * accuracy, 1.0);
    stabCount = std::max(truncToInt(target * stabFactor), 5);
    calibrating = false;
    if (replayFilePresent()) return true;
    return accelerate(first);
}

double Engine::getSpeed(bool inHz) {
    if (inHz) return lastHz.load();
    if (replayFilePresent()) return targetRpm.load();
    return lastRpm.load();
}

bool Engine::setSpeed(std::int16_t centiHz) {
    api->setInverterType(inverterType, inverterAddress);
    setSpeedTime = clock_.now();
    setSpeedTimeSet = true;
    if (!firstSpeedSet) {
        firstSpeedTime = setSpeedTime;
        firstSpeedSet = true;
    }
    logPrintf(&logger, "setSpeed: %d (%lf Hz)", centiHz, centiHz / 100.0);
    if (!api->setSpeed(static_cast<std::int16_t>(directionSign * centiHz))) {
        logPrintf(&logger, "setSpeed: %d not taken by the device", centiHz);
        // A stop is judged by its last frequency 0, sent once the drive ran down.
        if (centiHz != 0 || targetRpm.load() != 0) fail(RunStatus::kDeviceError);
        return false;
    }
    lastHz.store(centiHz / 100.0);
    return true;
}

void Engine::fail(int status) {
    if (error == RunStatus::kOk) error = status;
}

bool Engine::calibrationNeeded() const {
    return calibrating || (targetRpm.load() > 0 && !external && savedHz < 0.01 && scaleValue() < 0.0001);
}

bool Engine::accelerate(bool first) {
    if (logger) logger->open(true);
    hasTurnData = api->hasTurnData();
    const bool calNeeded = calibrationNeeded();
    // One status for the whole acceleration: the first error of any of its
    // loops is the acceleration's.
    error = RunStatus::kOk;
    if (first) {
        startRpm = 0;
        calSpeedChecked = false;
        const int type = calNeeded ? 0 : rampType;
        logPrintf(&logger, "init duration(start = %d / stop = %d  millisecs and type = %d)", accelerationMs,
                  decelerationMs, type);
        if (!api->setAccTime(accelerationMs, decelerationMs, type)) {
            // Ramps the inverter did not take would spoil the speed-up's timing.
            logPrintf(&logger, "init duration not taken by the device");
            fail(RunStatus::kDeviceError);
            if (logger) logger->open(false);
            return false;
        }
        clock_.sleepMs(500);
    }
    firstSpeedSet = false;
    markSeen = false;

    if (!hasTurnData) {
        int table[1] = {0};
        ReadRequest request;
        request.rate = 18175;
        request.blocks = 1000;
        request.nChannels = 1;
        request.nRecorded = 0;
        request.speedFlag = 1;
        request.channelTable = table;
        request.testMode = 1;
        const bool started = api->startReading(&request);
        logPrintf(&logger, "init result: %c", yn(started));
        sampleIndex = 0;
        markStart = 0;
        lastMarkCentre = 0;
        hasMarkCentre = false;
        inMark = false;
        samplesPerMinute = request.rate * 60.0;
        if (!started) {
            // Measuring at standstill would follow: the Machine shows it as no connection.
            fail(RunStatus::kNoAcquisition);
            if (targetRpm.load() == 0) {
                setSpeed(0);
                logPrintf(&logger, "waiting for double stop");
                clock_.sleepMs(1000);
                api->setSpeed(0);
            }
            if (logger) logger->open(false);
            return false;
        }
    }

    if (!calibrating) {
        if (calNeeded) {
            calibrating = true;
            accelerationLoop();
            if (!cancelled()) {
                calibrated.store(calibrate());
                startRpm = std::trunc(rpm);
            }
        }
        calibrating = false;
        accelerationLoop();
        if (!cancelled() && !external) {
            if (targetRpm.load() > 100 && ((hasTurnData && api->needsTrain()) || trainRequested)) {
                publish(MachineState::kTraining);
                logPrintf(&logger, "start training");
                api->startTraining();
                trainRequested = false;
            }
        }
    } else {
        accelerationLoop();
        if (calibrate()) {
            setSpeed(0);
            clock_.sleepMs(2000);
            bool ok = true;
            if (!sameBothWays) {
                directionSign = static_cast<std::int16_t>(-directionSign);
                direction = 2 - direction;
                accelerationLoop();
                ok = calibrate();
            }
            if (ok) calibrated.store(true);
        }
        targetRpm.store(0);
        calibrating = false;
        accelerationLoop();
    }

    logPrintf(&logger, "end acceleration (error = %d) (cancel = %c)", error, cancelled() ? 'Y' : 'N');
    api->stopReading();
    if (targetRpm.load() == 0) {
        logPrintf(&logger, "waiting for double stop");
        clock_.sleepMs(1000);
        // The stop counts only when the device took it.
        if (!api->setSpeed(0)) fail(RunStatus::kDeviceError);
    }
    if (logger) logger->open(false);
    return error == RunStatus::kOk;
}

void Engine::accelerationLoop() {
    const double target = targetRpm.load();
    if (calibrating) {
        publish(MachineState::kAutosetting);
    } else if (external) {
        publish(target != 0 ? MachineState::kWaiting : MachineState::kWaiting1);
    } else {
        publish(target != 0 ? MachineState::kAscending : MachineState::kDescending);
    }
    fromRpm = startRpm;
    calSamples = 0;
    calDoublings = 0;
    adjustCount = 0;
    startRpm = 0;
    setSpeedTimeSet = false;
    procState = kSetFrequency;
    logPrintf(&logger, "start acceleration from %lg to %lg", fromRpm, target);

    for (;;) {
        if (cancelled() && (targetRpm.load() != 0 || external)) return;
        // An error of an earlier loop ends a speed-up before it sends anything.
        if (error != RunStatus::kOk && (targetRpm.load() != 0 || calibrating)) return;
        if (procState == kSetFrequency || procState == kCorrect) {
            setSpeedStep();
            procState = hasTurnData ? kSettle : kMeasure;
            reachTimeSet = false;
        } else if (procState == kFinished) {
            logPrintf(&logger, "exit: from stFin");
            return;
        }
        if (checkExit()) return;
        if (!hasTurnData) {
            processSamples();
            const double v = readSpeed();
            const bool towards = targetRpm.load() > fromRpm ? v >= lastRpm.load() : v <= lastRpm.load();
            if (v > 0.1 && towards && v < rpmLimit && !noSpeedUpdate) {
                rpm = v;
                lastRpm.store(v);
            }
        } else {
            if (calibrating && calSamples == 0 && !calSpeedChecked) {
                const std::int64_t elapsed = setSpeedTimeSet ? clock_.msSince(setSpeedTime) : 0;
                if (rpm <= 0 && elapsed > speedUpTimeoutMs / 3 && calDoublings < 2) {
                    calSpeed = std::min(calSpeed * 2, 32767);
                    ++calDoublings;
                    logPrintf(&logger, "trying increase calibrate speed: %d", calSpeed);
                    setSpeed(static_cast<std::int16_t>(calSpeed));
                } else if (rpm > 0) {
                    checkCalibration(elapsed, rpm);
                }
            }
            if (procState == kSettle) waitRpmTurns();
            rpm = readSpeed();
            lastRpm.store(rpm);
            logPrintf(&logger, "get speed 2: %lg", rpm);
        }
    }
}

void Engine::setSpeedStep() {
    logPrintf(&logger, "accelerate proc state: %d", procState);
    const double target = targetRpm.load();
    // The frequency corrected from next is always one the device took.
    if (calibrating) {
        stabCounter = calSpeed / 120 + 2;
        const std::int16_t f = saturateFrequency(static_cast<double>(calSpeed) * (calSamples + 1));
        if (setSpeed(f)) frequency = f;
        return;
    }
    if (external) {
        setSpeedTime = clock_.now();
        setSpeedTimeSet = true;
        return;
    }
    if (procState == kSetFrequency) {
        startRpm = target;
        std::int16_t f = 0;
        if (target != 0) {
            const double calibratedHz = (target + offsetValue()) * scaleValue();
            f = saturateFrequency(calibratedHz);
            logPrintf(&logger, "setSpeedRpm: %lg, saved speed in Hz: %lg, calibrated speed in Hz: %lg", target, savedHz,
                      calibratedHz / 100.0);
            if (target > 0 && savedHz > 0.01 && savedRpm > 0) {
                f = saturateFrequency(savedHz * 100.0 * target / savedRpm);
                logPrintf(&logger, "used saved speed in Hz");
            }
        }
        if (setSpeed(f)) frequency = f;
    } else if (procState == kCorrect && target != 0) {
        publish(MachineState::kAdjusting);
        const double v = readSpeed();
        if (v != 0) rpm = v;
        std::int16_t f = frequency;
        if (rpm > 0) {
            f = saturateFrequency(target / rpm * frequency);
            logPrintf(&logger, "adjusting: dSpeed == %d, targetRpm == %lg, rpm == %lg", f, target, rpm);
        }
        if (setSpeed(f)) frequency = f;
    }
}

bool Engine::checkExit() {
    const double target = targetRpm.load();
    if (!hasTurnData) {
        if (target > 0) {
            if (markSeen && clock_.msSince(markTime) > speedUpTimeoutMs) fail(RunStatus::kNoPhasorSignal);
            if (!markSeen && firstSpeedSet && clock_.msSince(firstSpeedTime) > speedUpTimeoutMs) {
                fail(RunStatus::kNoPhasorSignal);
            }
        }
    } else if (setSpeedTimeSet && clock_.msSince(setSpeedTime) > speedUpTimeoutMs && target > 0 && rpm <= 0) {
        fail(RunStatus::kNoPhasorSignal);
    }
    if (setSpeedTimeSet && clock_.msSince(setSpeedTime) > decelerationMs && target == 0) {
        logPrintf(&logger, "exit: stop timeout");
        return true;
    }
    if (!external && api->hasInverterError()) {
        api->setSpeed(0);
        fail(RunStatus::kDeviceError);
    }
    // Corrections count toward a speed, not toward a stop.
    if (maxAdjust > 0 && adjustCount >= maxAdjust && std::fabs(scaleValue()) > 0.00001 && !calibrating &&
        target != 0) {
        fail(RunStatus::kTooManyCorrections);
    }
    if (error != RunStatus::kOk && (target != 0 || calibrating)) {
        logPrintf(&logger, "exit: with error %d", error);
        raiseCancel();
        return true;
    }
    if (!hasTurnData && !api->readData()) {
        // No data is no speed: the device is lost, also for a stop.
        logPrintf(&logger, "exit: readWait error");
        fail(RunStatus::kDeviceError);
        if (target != 0 || calibrating) raiseCancel();
        return true;
    }
    return false;
}

void Engine::processSamples() {
    while (api->nextSample()) {
        if (api->isMarkSample()) {
            markTime = clock_.now();
            markSeen = true;
            if (!inMark) {
                markStart = sampleIndex;
                inMark = true;
            }
        } else if (inMark) {
            inMark = false;
            const int centre = (sampleIndex + markStart) / 2;
            if (hasMarkCentre && centre > lastMarkCentre) {
                const double computed = samplesPerMinute / (centre - lastMarkCentre);
                const double v = readSpeed();
                rpm = v != 0 ? v : computed;
                logPrintf(&logger, "new rpm calculated: %lg (state == %d, _stabCounter == %d) speed = %lg", computed,
                          procState, stabCounter, rpm);
                if (calibrating && calSamples == 0 && !calSpeedChecked) {
                    checkCalibration(setSpeedTimeSet ? clock_.msSince(setSpeedTime) : 0, rpm);
                }
                if (!noSpeedUpdate) lastRpm.store(rpm);
                if (procState == kMeasure) {
                    startRpm = rpm;
                    stabCounter = stabCount;
                    procState = kSettle;
                } else if (procState == kSettle) {
                    waitRpmRaw();
                    if (error != RunStatus::kOk) return;
                }
            }
            lastMarkCentre = centre;
            hasMarkCentre = true;
        }
        ++sampleIndex;
    }
}

void Engine::waitRpmRaw() {
    const double target = targetRpm.load();
    if (rpm > 1.5 * target && target > fromRpm && !calibrating && !external && rpm > 1000.0) {
        const double v = readSpeed();
        if (v > 1.5 * target) {
            raiseCancel();
            api->setSpeed(0);
            logPrintf(&logger, "emergency stop rpm: %d, startRpm: %d, targetRpm: %d", truncToInt(rpm),
                      truncToInt(startRpm), truncToInt(target));
            fail(RunStatus::kOverSpeedStop);
            return;
        }
    }
    if (waitInverterSignal) {
        logPrintf(&logger, "waitRpm: %lg (waiting inverter signal)", rpm);
    } else {
        logPrintf(&logger, "waitRpm: %lg - %lg  <= %lg", rpm, startRpm, tolerance);
        if (std::fabs(rpm - startRpm) > tolerance) {
            procState = kMeasure;
            return;
        }
    }
    if (!reachTimeSet) {
        reachTime = clock_.now();
        reachTimeSet = true;
        lastReading = readSpeed();
    }
    if (waitInverterSignal) {
        if (!api->isRpmReached() || clock_.msSince(reachTime) <= 300) return;
    } else {
        const bool done = stabCounter <= 0;
        --stabCounter;
        if (!done) return;
    }
    double v = readSpeed();
    // A device that reports no speed of its own is judged by the speed of
    // its marks, as the reading of a revolution is.
    if (v == 0) v = rpm;
    if (!waitInverterSignal) {
        if (v < 1.0 && (target != 0 || calibrating)) {
            logPrintf(&logger, "speed is: %lg - waiting more", v);
            reachTimeSet = false;
            return;
        }
    } else if (std::fabs(lastReading - v) > tolerance) {
        logPrintf(&logger, "rpm was reached with diff: %lg (%lg - %lg > %lg)", std::fabs(lastReading - v), lastReading,
                  v, tolerance);
        reachTimeSet = false;
        return;
    } else {
        logPrintf(&logger, "rpm was reached: %lg (%lg - %lg < %lg)", std::fabs(lastReading - v), lastReading, v,
                  tolerance);
    }
    checkReached();
}

void Engine::waitRpmTurns() {
    clock_.sleepMs(500);
    if (external && api->needsTrain() && rpm >= 60.0) {
        logPrintf(&logger, "start training for external drive");
        api->startTraining();
    }
    logPrintf(&logger, "waitRpm: %lg (waiting inverter signal)", rpm);
    if (!api->isRpmReached() && !external) return;
    if (!reachTimeSet) {
        reachTime = clock_.now();
        reachTimeSet = true;
        lastReading = readSpeed();
        return;
    }
    const double v = readSpeed();
    const double delayMs = (lastReading <= 0 ? 2000.0 : 0.0) + stabFactor * 50000.0;
    if (std::fabs(lastReading - v) > tolerance) {
        logPrintf(&logger, "rpm was reached with diff: %lg (%lg - %lg > %lg)", std::fabs(lastReading - v), lastReading,
                  v, tolerance);
        reachTimeSet = false;
        return;
    }
    const double waited = static_cast<double>(clock_.msSince(reachTime));
    if (!external && waited < delayMs) {
        logPrintf(&logger, "rpm was reached with delay: %lgs (< %lgs)", waited / 1000.0, delayMs / 1000.0);
        return;
    }
    if (v < 1.0 && (targetRpm.load() != 0 || calibrating)) {
        logPrintf(&logger, "speed is: %lg - waiting more", v);
        reachTimeSet = false;
        return;
    }
    logPrintf(&logger, "rpm was reached: %lg (%lg - %lg < %lg) and delay: %lgs", std::fabs(lastReading - v),
              lastReading, v, tolerance, waited / 1000.0);
    checkReached();
}

void Engine::checkReached() {
    const double target = targetRpm.load();
    if (calibrating) {
        if (calSamples < 2) calValues[calSamples++] = rpm;
        if (calSamples == 1) {
            procState = (2 * rpm <= target || target == 0) ? kSetFrequency : kFinished;
        } else {
            procState = kFinished;
        }
        return;
    }
    if (std::fabs(rpm - target) >= tolerance) {
        ++adjustCount;
        procState = kCorrect;
        logPrintf(&logger, "fabs(%lg - %lg) > %lg, continue adjusting %d", rpm, target, tolerance, adjustCount);
        return;
    }
    if (!external) {
        savedRpm = target;
        savedHz = frequency / 100.0;
    }
    logPrintf(&logger, "target rpm reached!");
    procState = kFinished;
}

bool Engine::calibrate() {
    if (cancelled() || calSamples == 0) return false;
    const double r0 = calValues[0];
    const double d = calSamples == 1 ? r0 : calValues[1] - r0;
    const double offset = d - r0;
    const double scale = calSpeed / d;
    logPrintf(&logger, "Calculate calibration: speed = %lg Hz, diff = %lg, speed0 = %lg", calSpeed / 100.0, d, r0);
    if (!(d >= 1.0) || !std::isfinite(offset) || !std::isfinite(scale)) {
        logPrintf(&logger, "calibration refused: the speed did not rise (diff = %lg)", d);
        return false;
    }
    if (sameBothWays) {
        calibration[0].store(offset);
        calibration[1].store(scale);
        calibration[2].store(offset);
        calibration[3].store(scale);
    } else {
        calibration[direction & 2].store(offset);
        calibration[(direction & 2) + 1].store(scale);
    }
    return true;
}

void Engine::checkCalibration(std::int64_t elapsedMs, double reading) {
    if (!(reading > 10.0) || elapsedMs <= 0) return;
    const double final = static_cast<double>(accelerationMs / elapsedMs) * reading;
    const double target = targetRpm.load();
    logPrintf(&logger, "check calibrate speed: %d, rpm: %lg, target: %lg, final: %lg delay: %d/%d", calSpeed, reading,
              target, final, static_cast<int>(elapsedMs), accelerationMs);
    const double reduced = final > 0 ? (target * 0.5 / final) * calSpeed : 0.0;
    if (truncToInt(reduced) == 0) {
        logPrintf(&logger, "new calibrate speed is zero!!!");
    } else {
        logPrintf(&logger, "new calibrate speed: %d", calSpeed);
    }
    if (final > target * 0.5) calSpeedChecked = true;
}
