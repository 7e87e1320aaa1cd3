// The Machine's welding service (idle pass) and its welding remote.
//
// The pipe is turned and welded either through the Weld drive's inverter and
// relay 0 of the measuring controller, or, with "External welding machine
// control" set, through the welding remote (a USB welding controller).  The
// interface's thread only stores values and requests (machine.cpp); this
// file serves them on the worker, once per idle pass, and runs the
// tack-welding sequence.
//
// Threads: everything here runs on the machine worker, except the remote's
// callbacks, which run on the welding driver's worker and only write atomics
// (ready, weld value, the remote's failure) and their own logger.  The remote is deleted only here
// (reconnect, log copy, machine end), never from a callback, and always
// before a new one is made: the welding driver's state is process-wide.

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>

#include "files/logger.h"
#include "machine/machine.h"
#include "machine/welder_api.h"
#include "records/settings_records.h"
#include "texts/text_ids.h"

namespace {

const char* onOff(bool on) {
    return on ? "On" : "Off";
}

// Angular distance of two angles in degrees, 0..180.
double angularDistance(double a, double b) {
    double d = std::fabs(a - b);
    if (!(d == d)) return 0.0;
    d = std::fmod(d, 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

// A double truncated toward zero into an unsigned 32-bit value (0 for
// negative values and NaN, the maximum above it).
std::uint32_t truncUnsigned(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 4294967295.0) return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(v);
}

// Takes one tack off the count (never below 0); the count left, or -1 when
// none was left (the interface may clear the count meanwhile).
int takeTack(std::atomic<int>& tacks) {
    int n = tacks.load();
    while (n > 0 && !tacks.compare_exchange_weak(n, n - 1)) {
    }
    return n > 0 ? n - 1 : -1;
}

std::int16_t clampFrequency(long v) {
    if (v > 32767) return 32767;
    if (v < -32767) return -32767;
    return static_cast<std::int16_t>(v);
}

}  // namespace

// ---------------------------------------------------------------- the remote

void Machine::deleteWelder() {
    // Joins the driver's worker: no callback runs after this.
    delete _welder;
    _welder = nullptr;
    delete _welderLog;
    _welderLog = nullptr;
}

void Machine::createWelder() {
    _welderLog = createLogger("machine");
    if (_welderLog) _welderLog->open(true);
    _welder = deps_.makeWelder ? deps_.makeWelder() : new Welder();
    if (_welder == nullptr) {
        delete _welderLog;
        _welderLog = nullptr;
        return;
    }
    _welderFailed.store(false);
    _welder->setCallbacks(
        [this](int* code) {
            logPrintf(&_welderLog, "callback remote error: %d", code ? *code : 0);
            _welderFailed.store(true);
        },
        [this] {
            logPrintf(&_welderLog, "callback remote complete");
            _weldReady.store(true);
        },
        [this](unsigned int* progress) {
            const int value = progress ? static_cast<int>(*progress) : 0;
            logPrintf(&_welderLog, "callback remote progress: %d", value);
            _weldValue.store(value);
        });
    logPrintf(&_machineLog, "creating welder remote(pult)");
    // A new remote knows nothing of what the operator gave before.
    if (_pipeDiameterGiven) _reqPipeDiameter.store(true);
    if (_pipePatternGiven) _reqPipePattern.store(true);
}

bool Machine::sendWeldingParameters() {
    const Drive& wd = _config->weldDrive;
    WeldingParameters p;
    p.encoderSamples = wd.encoderResolution;
    p.encoderRatio = static_cast<float>(wd.encoderRatio);
    p.seamOverlap = static_cast<std::uint32_t>(wd.seamOverlap);
    p.gearRatio = static_cast<float>(wd.gearRatio);
    p.motorNominalRPM = truncUnsigned(wd.ratedMotorSpeed);
    p.weldingLinearSpeed = static_cast<std::uint32_t>(wd.lineSpeed);
    p.reverseRotationPermission = wd.reversePermitted;
    p.weldingDirectionRotation = wd.reverseTurning;
    if (_welder->setParameters(p)) return true;
    logPrintf(&_machineLog, "welding parameters refused by the welder remote, its own stay in use");
    return false;
}

// ---------------------------------------------------------------- without the remote

bool Machine::selectWeldInverter(const char* request) {
    const Drive& wd = _config->weldDrive;
    if (wd.drive < 0 || static_cast<std::size_t>(wd.drive) >= _config->inverters.size()) {
        logPrintf(&_machineLog, "%s dropped: weld drive inverter %d is not configured", request, wd.drive);
        return false;
    }
    _api->setCurrentInverter(wd.drive, static_cast<int>(wd.usedPhasor - settings_choice::kWithoutPhasor));
    return true;
}

int Machine::weldRotationFrequency() {
    const Drive& wd = _config->weldDrive;
    const double rated = wd.ratedMotorSpeed;
    const double diameter = _pipeDiameter.load();
    if (!(rated > 0.0) || !(diameter > 0.0)) {
        logPrintf(&_machineLog, "weld rotation frequency 0: rated motor speed %g, pipe diameter %g", rated,
                  diameter);
        return 0;
    }
    const double f = std::round(wd.driveRatio * 5000.0 * wd.lineSpeed / M_PI / rated / diameter);
    int v = 0;
    if (f == f) v = f >= 32767.0 ? 32767 : (f <= -32767.0 ? -32767 : static_cast<int>(f));
    return wd.reverseTurning ? -v : v;
}

// ---------------------------------------------------------------- the idle pass

void Machine::weldingService() {
    if (_config == nullptr || _api == nullptr) return;
    const Drive& wd = _config->weldDrive;
    Api* a = _api;

    // 1. the remote
    if (_config->externalWeldingControl && _welder == nullptr) createWelder();

    // Pipe diameter and tack pattern, also handed to every new remote.
    if (_reqPipeDiameter.exchange(false)) {
        _pipeDiameterGiven = true;
        if (_welder) {
            const double d = _pipeDiameter.load();
            logPrintf(&_machineLog, "set pipe diameter: %g", d);
            _welder->setDiameter(static_cast<float>(d));
        }
    }
    if (_reqPipePattern.exchange(false)) {
        _pipePatternGiven = true;
        if (_welder) {
            const int pattern = _pipePattern.load();
            logPrintf(&_machineLog, "set pipe thickness: %d", pattern);
            _welder->setPipeThickness(pattern);
        }
    }

    // 2. fast rotation, at most once a second
    if (_reqFast.load() && (!_fastRotationServed || clock_.msSince(_fastRotationTime) >= 1000)) {
        _reqFast.store(false);
        _fastRotationServed = true;
        _fastRotationTime = clock_.now();
        const int v = _fastValue.load();
        if (_welder) {
            sendWeldingParameters();
            _welder->setFastRotation(v);
        } else {
            a->setAccTime(0, 0, 0);
            if (selectWeldInverter("fast rotation")) {
                long f = v > 100 ? 100 : (v < -100 ? -100 : v);
                if (wd.reverseTurning) f = -f;
                a->setSpeed(clampFrequency(f * 50));
            }
        }
        logPrintf(&_machineLog, "set fast rotation: %d", v);
    }

    // 3. jog rotation
    if (_reqJog.exchange(false)) {
        const int angle = _jogValue.load();
        if (_welder) {
            sendWeldingParameters();
            _welder->setJogRotation(angle);
        } else {
            int f = 0;
            if (angle != 0) {
                f = weldRotationFrequency();
                if (_config->reverseAngle) f = -f;
                if (angle > 0) f = -f;
            }
            a->setAccTime(0, 0, 0);
            if (selectWeldInverter("jog rotation")) {
                a->setSpeed(clampFrequency(f));
                _weldFrequency = f;
                const double present = _angle.load();
                _weldRemaining = std::fabs(static_cast<double>(angle));
                _weldLastAngle = present;
                _weldPassAngle = present;
                _weldStepTime = clock_.now();
                _weldLimit = 1.0;
            }
        }
        logPrintf(&_machineLog, "set jog rotation: %d", angle);
    }

    // 4. jog welding
    if (_reqJogWeld.exchange(false)) {
        const bool on = _jogWeldValue.load();
        if (_welder) {
            sendWeldingParameters();
            _welder->setJogWelding(on);
        } else if (selectWeldInverter("jog welding")) {
            a->setRelay(on, 0);
        }
        logPrintf(&_machineLog, "set jog welding: %s", onOff(on));
    }

    // 5. weld rotation
    if (_reqWeldRot.exchange(false)) {
        const bool on = _weldRotValue.load();
        if (_welder) {
            sendWeldingParameters();
            _welder->setWeldRotation(on);
        } else {
            a->setAccTime(0, 0, 0);
            const int f = on ? weldRotationFrequency() : 0;
            if (selectWeldInverter("weld rotation")) {
                a->setSpeed(clampFrequency(f));
                _weldFrequency = f;
                if (!on) a->setRelay(false, 0);
            }
        }
        logPrintf(&_machineLog, "set welding rotation: %s", onOff(on));
    }

    // 6. weld welding
    if (_reqWeldWeld.exchange(false)) {
        const bool on = _weldWeldValue.load();
        if (_welder) {
            _welder->setWeldWelding(on);
        } else if (selectWeldInverter("welding")) {
            a->setRelay(on, 0);
            if (on) {
                const double present = _angle.load();
                _weldLastAngle = present;
                _weldPassAngle = present;
                _weldStepTime = clock_.now();
                _weldLimit = 1.0;
                _weldTargetAngle = -1.0;
                _weldRemaining = wd.seamOverlap + 360.0;
            }
        }
        logPrintf(&_machineLog, "set welding weld: %s", onOff(on));
    }

    if (_welder) {
        // 8. tacks through the remote
        remoteTackSequence();
        // 9. the remote's state
        checkRemoteState();
    } else {
        // 7. the turning sequence through the inverter
        weldingSequence();
    }
}

void Machine::weldingSequence() {
    Api* a = _api;
    const Drive& wd = _config->weldDrive;
    const double present = _angle.load();
    if (_weldRemaining <= 0.0) {
        if (_weldTargetAngle >= 0.0) {
            const double apart = std::fabs(present - _weldTargetAngle);
            if (apart <= 3.0 || apart > 358.0) {
                _weldReady.store(true);
                a->setSpeed(0);
                _weldTargetAngle = -1.0;
            }
        }
        _weldPassAngle = present;
        return;
    }

    // The limit: how far the drive still turns after frequency 0, from the
    // turning speed seen since the last limit was taken.
    const double d = angularDistance(_weldLastAngle, present);
    if (d > 0.1) {
        const int delay = static_cast<int>(clock_.msSince(_weldStepTime)) + 1;
        double candidate = d * 2000.0 / delay;
        if (!(candidate >= 1.0)) candidate = 1.0;
        if (candidate > 100.0) candidate = 100.0;
        if (candidate > 1.0) {
            _weldLimit = candidate;
            _weldLastAngle = present;
            _weldStepTime = clock_.now();
            logPrintf(&_machineLog, "new limit diff: %lg, delay: %d, limit: %lg", d, delay, candidate);
        } else {
            logPrintf(&_machineLog, "low limit diff: %lg, delay: %d, limit: %lg", d, delay, candidate);
        }
    }
    // Only the movement since the previous pass is turned off the rest.
    _weldRemaining -= angularDistance(_weldPassAngle, present);
    _weldPassAngle = present;
    if (_weldRemaining > _weldLimit) return;

    a->setSpeed(0);
    if (_tacksLeft.load() > 0) {
        a->setRelay(true, 0);
        const double ms = wd.tackTime * 1000.0;
        clock_.sleepMs(ms > 0.0 && ms < 3.6e6 ? static_cast<std::int64_t>(ms) : 0);
        a->setRelay(false, 0);
        const int left = takeTack(_tacksLeft);
        if (left > 0) {
            _weldRemaining = (left % 2 == 1) ? 180.0 : static_cast<double>(_tackStep.load());
            a->setSpeed(clampFrequency(_weldFrequency));
        } else {
            _weldRemaining = 0.0;
        }
    } else {
        a->setRelay(false, 0);
        _weldRemaining = 0.0;  // the turn is over: no further frequency-0 commands
    }
    if (_tacksLeft.load() <= 0) _weldReady.store(true);
}

void Machine::remoteTackSequence() {
    if (_tacksLeft.load() <= 0 || !_weldReady.load()) return;
    const Drive& wd = _config->weldDrive;
    _welder->setWeldWelding(true);
    logPrintf(&_machineLog, "activate welding");
    const double ms = wd.tackTime * 1000.0;
    clock_.sleepMs(ms > 0.0 && ms < 3.6e6 ? static_cast<std::int64_t>(ms) : 0);
    _welder->setWeldWelding(false);
    logPrintf(&_machineLog, "deactivate welding");
    const int left = takeTack(_tacksLeft);
    if (left > 0) {
        const int angle = (left % 2 == 1) ? 180 : _tackStep.load();
        _welder->setJogRotation(angle);
        _weldReady.store(false);
        logPrintf(&_machineLog, "set next tack %d jog rotation: %d", left, angle);
    }
}

void Machine::checkRemoteState() {
    // A remote that failed is shown as lost, also when no welding value is
    // set; an error shown already stays.
    if (_welderFailed.exchange(false)) {
        logPrintf(&_machineLog, "welder remote lost");
        if (_result.load() == MachineError::kNone) _result.store(static_cast<int>(textid::kRemoteNoWelder));
    }
    const bool anySet =
        _weldRotValue.load() || _fastValue.load() != 0 || _jogValue.load() != 0 || _jogWeldValue.load();
    if (!anySet) return;
    if (!_welder->isConnected()) {
        _result.store(static_cast<int>(textid::kRemoteNoWelder));
        return;
    }
    if (_result.load() != MachineError::kNone) return;
    const std::uint32_t state = _welder->getState();
    int code = MachineError::kNone;
    if (!(state & 1u)) {
        code = static_cast<int>(textid::kRemoteNoInverter);
    } else if (!(state & 2u)) {
        code = static_cast<int>(textid::kRemoteEmergencyStop);
    } else if (state & 0x40u) {
        code = static_cast<int>(textid::kRemoteControlActive);
    }
    if (code != MachineError::kNone) {
        _result.store(code);
        logPrintf(&_machineLog, "error activated for status: %x", state);
    }
}
