#include "drivers/welding/welder_v3.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>

#include "drivers/common/driver_log_file.h"
#include "drivers/common/driver_timing.h"
#include "drivers/welding/ini_file.h"

namespace TamskWelder {

namespace {

constexpr const char* kSection = "WelderParameters";
constexpr double kPi = 3.14159265358979323846;
constexpr double kWaitStepMs = 10.0;

// The process-wide driver state: one welding controller per process.
struct DriverState {
    std::unique_ptr<WelderMaster> master;

    // Set-points, control word and motion mode change together under `lock`
    // (commands on the caller's thread, motion ends on the worker).
    std::mutex lock;
    WelderSetpoints set;

    // Written by the worker only (and by the constructor before it starts).
    std::uint32_t lastControl = 0;
    std::uint32_t lastWeldingMode = 0;
    float lastFastRotationFrequency = 0;
    float lastWeldingRotationFrequency = 0;
    std::uint32_t lastStopAngle = 0;
    int passResult = 0;

    std::atomic<std::uint32_t> status{0};
    std::atomic<std::uint32_t> progress{0};
};

DriverState& state() {
    static DriverState s;
    return s;
}

bool differs(float a, float b) { return !(a == b); }
bool differs(std::uint32_t a, std::uint32_t b) { return a != b; }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::uint32_t roundHalfAway(float x) { return static_cast<std::uint32_t>(std::lround(x)); }

}  // namespace

bool checkWelderParameters(const WelderParameters& p) {
    return 1 <= p.encoderSamples && p.encoderSamples <= 20000 &&        //
           1.0f <= p.encoderRatio && p.encoderRatio <= 100.0f &&        //
           p.seamOverlap <= 360 &&                                      //
           1.0f <= p.gearRatio && p.gearRatio <= 100.0f &&              //
           100 <= p.motorNominalRPM && p.motorNominalRPM <= 10000 &&    //
           100 <= p.weldingLinearSpeed && p.weldingLinearSpeed <= 10000;
}

std::uint32_t stoppedControl(std::uint32_t control) {
    return (control & ~kControlMotionBits) | kControlAttached;
}

WelderSetpoints welderSetpoints() {
    DriverState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.set;
}

std::uint32_t welderStatus() { return state().status.load(std::memory_order_acquire); }
std::uint32_t welderProgress() { return state().progress.load(std::memory_order_acquire); }

void resetWelderDriverState() {
    DriverState& s = state();
    s.master.reset();
    {
        std::lock_guard<std::mutex> guard(s.lock);
        s.set = WelderSetpoints();
    }
    s.lastControl = 0;
    s.lastWeldingMode = 0;
    s.lastFastRotationFrequency = 0;
    s.lastWeldingRotationFrequency = 0;
    s.lastStopAngle = 0;
    s.passResult = 0;
    s.status = 0;
    s.progress = 0;
}

// ---------------------------------------------------------------- number reading

bool parseWelderUnsigned(const std::string& text, std::uint32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::uint64_t v = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        v = v * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (v > 0xFFFFFFFFull) return false;
    }
    if (digits == 0) return false;
    const std::uint32_t magnitude = static_cast<std::uint32_t>(v);
    value = negative ? static_cast<std::uint32_t>(0u - magnitude) : magnitude;
    return true;
}

bool parseWelderFloat(const std::string& text, float& value) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] == '+' || text[i] == '-') return false;
    float v = 0;
    const auto r = std::from_chars(text.data() + i, text.data() + text.size(), v, std::chars_format::general);
    if (r.ec != std::errc()) return false;
    value = negative ? -v : v;
    return true;
}

// ---------------------------------------------------------------- driver

Welder_v3::Welder_v3(const std::string& logFolder, unsigned logLevel)
    : Welder_v3(logFolder, logLevel, WelderOptions()) {}

Welder_v3::Welder_v3(const std::string& logFolder, unsigned logLevel, WelderOptions options)
    : _onError(std::move(options.onError)),
      _onFinished(std::move(options.onFinished)),
      _onProgress(std::move(options.onProgress)),
      _parameterFile(std::move(options.parameterFile)) {
    start(logFolder, logLevel);
}

void Welder_v3::start(const std::string& logFolder, unsigned logLevel) {
    loadParameters();
    saveParameters();

    DriverState& s = state();
    // A new driver sends every set-point that is not 0 on its first ready
    // pass: the controller may have been power-cycled since the last one.
    s.lastWeldingMode = 0;
    s.lastFastRotationFrequency = 0;
    s.lastWeldingRotationFrequency = 0;
    s.lastStopAngle = 0;
    s.passResult = 0;

    _logFolder = logFolder;
    _logLevel = logLevel;
    s.master = std::make_unique<WelderMaster>(logFolder, logLevel);
    if (!s.master->isConnected()) return;

    // A controller whose firmware cannot be read is not kept, nor one that
    // does not take the stopped control word.  The driver never resumes a
    // motion it did not start (one a driver before it was running when its
    // link broke): the motion bits go out cleared.
    std::uint32_t control = 0;
    const bool known = s.master->getFirmwareVersion(&_firmwareVersion) == kWelderOk &&
                       s.master->getFirmwareDate(&_firmwareDate) == kWelderOk &&
                       s.master->getControl(&control) == kWelderOk;
    control = stoppedControl(control);
    if (!known || s.master->setControl(control) != kWelderOk) {
        _firmwareVersion = WelderFirmwareVersion();
        _firmwareDate = WelderFirmwareDate();
        // The control word may have arrived with only its answer lost: the
        // controller must not stay marked as attached to no driver.
        if (known) {
            stopOnFreshLink();
        } else {
            s.master.reset();
        }
        return;
    }
    _connected.store(true, std::memory_order_release);
    {
        std::lock_guard<std::mutex> guard(s.lock);
        s.set.control = control;
    }
    s.lastControl = control;

    _running.store(true, std::memory_order_release);
    _worker = std::thread(&Welder_v3::workerLoop, this);
}

Welder_v3::~Welder_v3() {
    _running.store(false, std::memory_order_release);
    if (_worker.joinable()) _worker.join();
    DriverState& s = state();
    if (s.master) {
        if (s.master->setControl(0) == kWelderOk) {
            s.master.reset();
        } else {
            stopOnFreshLink();
        }
    }
    std::lock_guard<std::mutex> guard(_callbackLock);
    _onError = nullptr;
    _onFinished = nullptr;
    _onProgress = nullptr;
}

void Welder_v3::setCallbacks(WelderErrorCallback error, WelderFinishedCallback finished,
                             WelderProgressCallback progress) {
    std::lock_guard<std::mutex> guard(_callbackLock);
    _onError = std::move(error);
    _onFinished = std::move(finished);
    _onProgress = std::move(progress);
}

bool Welder_v3::getParameters(WelderParameters* out) {
    if (!out) return false;
    std::lock_guard<std::mutex> guard(state().lock);
    *out = _parameters;
    return true;
}

bool Welder_v3::setParameters(const WelderParameters& parameters) {
    if (!checkWelderParameters(parameters)) return false;
    {
        std::lock_guard<std::mutex> guard(state().lock);
        _parameters = parameters;
    }
    saveParameters();
    return true;
}

// ---------------------------------------------------------------- set-points

void Welder_v3::setFastRotation(int v) {
    if (!(-100 <= v && v <= 100)) return;
    DriverState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (v == 0 || (v < 0 && !_parameters.reverseRotationPermission)) {
        s.set.control &= ~kControlFastRotation;
        s.set.fastRotationFrequency = 0.0f;
    } else {
        s.set.control |= kControlFastRotation;
        s.set.fastRotationFrequency = static_cast<float>(v) * 0.5f;
    }
}

void Welder_v3::setJogRotation(int d) {
    if (!(-360 <= d && d <= 360)) return;
    DriverState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (d == 0 || (d < 0 && !_parameters.reverseRotationPermission)) {
        s.set.control &= ~kControlJogRotation;
        s.set.weldingRotationFrequency = 0.0f;
        s.set.motionMode = kMotionNone;
        return;
    }
    const int a = d < 0 ? -d : d;
    float counts = static_cast<float>(_parameters.encoderSamples) * static_cast<float>(a);
    counts = counts / 360.0f;
    counts = counts * _parameters.encoderRatio;
    float speed;
    if (a < 10)
        speed = 2.5f;
    else if (a < 100)
        speed = 10.0f;
    else
        speed = s.set.diameterFrequency;
    if (d < 0) speed = -speed;
    s.set.stopAngle = roundHalfAway(counts);
    s.set.control |= kControlJogRotation;
    s.set.weldingRotationFrequency = speed;
    s.set.motionMode = kMotionJog;
}

void Welder_v3::setJogWelding(bool on) {
    DriverState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (on) {
        s.set.control |= kControlWelding;
        s.set.stopAngle = 0xFFFF;
    } else {
        s.set.control &= ~kControlWelding;
    }
}

void Welder_v3::setWeldRotation(bool on) {
    DriverState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (on) {
        float counts = static_cast<float>(_parameters.seamOverlap + 360) * static_cast<float>(_parameters.encoderSamples);
        counts = counts / 360.0f;
        counts = counts * _parameters.encoderRatio;
        s.set.stopAngle = roundHalfAway(counts);
        s.set.control |= kControlWeldRotation;
        s.set.weldingRotationFrequency = s.set.diameterFrequency;
    } else {
        s.set.control &= ~(kControlWeldRotation | kControlWelding);
    }
}

void Welder_v3::setWeldWelding(bool on) {
    DriverState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (on)
        s.set.control |= kControlWelding;
    else
        s.set.control &= ~kControlWelding;
    s.set.motionMode = on ? kMotionWelding : kMotionNone;
}

void Welder_v3::setWeldingMode(std::uint32_t m) {
    if (m > 8) return;
    DriverState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.set.weldingMode = m;
}

void Welder_v3::setDiameter(float d) {
    if (!(20.0f <= d && d <= 250.0f)) return;
    DriverState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    const double circumference = static_cast<double>(d) * kPi;
    float f = static_cast<float>(static_cast<double>(_parameters.weldingLinearSpeed) / circumference);
    f = f * _parameters.gearRatio;
    f = f * (50.0f / static_cast<float>(_parameters.motorNominalRPM));
    if (_parameters.weldingDirectionRotation) f = -f;
    s.set.diameterFrequency = f;
    s.set.weldingRotationFrequency = f;
}

std::uint32_t Welder_v3::getState() const {
    const std::uint32_t st = welderStatus();
    return ((st >> 13) & 0x7u) | ((st & 0x7u) << 3) | (((st >> 4) & 1u) << 6);
}

// ---------------------------------------------------------------- worker

void Welder_v3::fail(int code) {
    DriverState& s = state();
    s.passResult = code;
    // The controller may well still be attached and moving.
    stopOnFreshLink();
    _connected.store(false, std::memory_order_release);
    _error.store(true, std::memory_order_release);
    _running.store(false, std::memory_order_release);
    s.status.store(0, std::memory_order_release);
    WelderErrorCallback callback;
    {
        std::lock_guard<std::mutex> guard(_callbackLock);
        callback = _onError;
    }
    if (callback) callback(&code);
}

// A broken link is closed for good, so control 0 (stopped, no driver
// attached) would never go out over it: it is tried once on a fresh link.
void Welder_v3::stopOnFreshLink() {
    DriverState& s = state();
    s.master.reset();
    s.master = std::make_unique<WelderMaster>(_logFolder, _logLevel);
    if (s.master->isConnected()) s.master->setControl(0);
    s.master.reset();
}

void Welder_v3::waitPeriod() {
    const drivers::DriverTiming& timing = drivers::driverTiming();
    const double period = timing.welderPollPeriodMs;
    const double begin = timing.nowMs();
    while (_running.load(std::memory_order_acquire)) {
        const double left = period - (timing.nowMs() - begin);
        if (!(left > 0)) break;
        timing.sleepMs(left < kWaitStepMs ? left : kWaitStepMs);
    }
}

void Welder_v3::workerLoop() {
    DriverState& s = state();
    WelderMaster& master = *s.master;
    while (_running.load(std::memory_order_acquire)) {
        // 1. Status.
        std::uint32_t status = 0;
        int rc = master.getStatus(&status);
        s.passResult = rc;
        if (rc < 0) return fail(rc);
        s.status.store(status, std::memory_order_release);

        // 2. Only a ready controller is served; one that is not ready is
        // asked again a period later, like after a served pass.
        if ((status & kStatusReady) != kStatusReady) {
            waitPeriod();
            continue;
        }

        // 3, 4. Motion under way.
        bool finished = false;
        bool welding = false;
        {
            std::lock_guard<std::mutex> guard(s.lock);
            if (s.set.motionMode == kMotionJog && (status & kStatusFinished)) {
                s.set.control &= ~kControlJogRotation;
                finished = true;
            }
            welding = s.set.motionMode == kMotionWelding;
        }
        if (welding) {
            std::uint32_t progress = 0;
            rc = master.getProgress(&progress);
            s.passResult = rc;
            if (rc < 0) return fail(rc);
            s.progress.store(progress, std::memory_order_release);
            WelderProgressCallback onProgress;
            {
                std::lock_guard<std::mutex> guard(_callbackLock);
                onProgress = _onProgress;
            }
            unsigned int value = progress;
            if (onProgress) onProgress(&value);
            if (status & kStatusFinished) {
                std::lock_guard<std::mutex> guard(s.lock);
                s.set.control &= ~(kControlWeldRotation | kControlWelding);
                finished = true;
            }
        }
        if (finished) {
            WelderFinishedCallback onFinished;
            {
                std::lock_guard<std::mutex> guard(_callbackLock);
                onFinished = _onFinished;
            }
            if (onFinished) onFinished();
        }

        // 5. The set-points that changed, from one consistent snapshot; the
        // control word last.  A set-point counts as written once its write
        // succeeded; the first failure ends the worker with its code.
        const WelderSetpoints snap = welderSetpoints();
        // Writes one set-point when it changed; false when its write failed.
        auto writeChanged = [&](auto value, auto& last, int (WelderMaster::*setter)(decltype(value))) {
            if (!differs(value, last)) return true;
            rc = (master.*setter)(value);
            s.passResult = rc;
            if (rc < 0) return false;
            last = value;
            return true;
        };
        if (!writeChanged(snap.weldingMode, s.lastWeldingMode, &WelderMaster::setWeldingMode) ||
            !writeChanged(snap.fastRotationFrequency, s.lastFastRotationFrequency,
                          &WelderMaster::setFastRotationFreq) ||
            !writeChanged(snap.weldingRotationFrequency, s.lastWeldingRotationFrequency,
                          &WelderMaster::setWeldingRotationFreq) ||
            !writeChanged(snap.stopAngle, s.lastStopAngle, &WelderMaster::setStopAngle) ||
            !writeChanged(snap.control, s.lastControl, &WelderMaster::setControl)) {
            return fail(rc);
        }

        // 7. The period runs from the end of the pass.
        waitPeriod();
    }
}

// ---------------------------------------------------------------- parameter file

void Welder_v3::loadParameters() {
    IniDocument document;
    IniFileReader reader(_parameterFile);
    auto failed = [&]() {
        std::printf("Failed to load welding parameters from file! %s\n", _parameterFile.c_str());
        std::printf("Default settings applied.\n");
        std::fflush(stdout);
    };
    if (!reader.read(document)) return failed();

    const IniSection* section = document.find(kSection);
    auto value = [&](const char* key) -> std::string {
        const std::string* v = section ? section->find(key) : nullptr;
        return v ? *v : std::string();
    };
    WelderParameters p;
    std::uint32_t reverse = 0, direction = 0;
    if (!parseWelderUnsigned(value("encoderSamples"), p.encoderSamples) ||
        !parseWelderFloat(value("encoderRatio"), p.encoderRatio) ||
        !parseWelderUnsigned(value("seamOverlap"), p.seamOverlap) ||
        !parseWelderFloat(value("gearRatio"), p.gearRatio) ||
        !parseWelderUnsigned(value("motorNominalRPM"), p.motorNominalRPM) ||
        !parseWelderUnsigned(value("weldingLinearSpeed"), p.weldingLinearSpeed) ||
        !parseWelderUnsigned(value("reverseRotationPermission"), reverse) ||
        !parseWelderUnsigned(value("weldingDirectionRotation"), direction))
        return failed();
    p.reverseRotationPermission = reverse != 0;
    p.weldingDirectionRotation = direction != 0;
    if (!checkWelderParameters(p)) {
        std::printf("The welding parameters loaded from the file do not correspond to the allowable range!\n");
        std::printf("Default settings applied.\n");
        std::fflush(stdout);
        return;
    }
    std::lock_guard<std::mutex> guard(state().lock);
    _parameters = p;
}

void Welder_v3::saveParameters() {
    WelderParameters p;
    {
        std::lock_guard<std::mutex> guard(state().lock);
        p = _parameters;
    }
    IniDocument document;
    IniSection& section = document[kSection];
    section["encoderSamples"] = drivers::cformat("%u", p.encoderSamples);
    section["encoderRatio"] = drivers::cformat("%f", static_cast<double>(p.encoderRatio));
    section["seamOverlap"] = drivers::cformat("%u", p.seamOverlap);
    section["gearRatio"] = drivers::cformat("%f", static_cast<double>(p.gearRatio));
    section["motorNominalRPM"] = drivers::cformat("%u", p.motorNominalRPM);
    section["weldingLinearSpeed"] = drivers::cformat("%u", p.weldingLinearSpeed);
    section["reverseRotationPermission"] = p.reverseRotationPermission ? "1" : "0";
    section["weldingDirectionRotation"] = p.weldingDirectionRotation ? "1" : "0";

    IniFileWriter writer(_parameterFile, true);
    struct stat st {};
    if (::stat(_parameterFile.c_str(), &st) == 0) {
        if (!writer.writeMerged(document)) std::printf("Failed to save welding parameters to file!\n");
    } else {
        std::printf("A new file will be created!\n");
        if (!writer.write(document)) std::printf("Failed to save welding parameters to new file!\n");
    }
    std::fflush(stdout);
}

}  // namespace TamskWelder
