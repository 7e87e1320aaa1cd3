#include "machine/iapi.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>

#include "drivers/measuring/kwz_usb.h"
#include "files/logger.h"
#include "rotor/polar.h"
#include "texts/format.h"

using TamskKWZv2::ADC_Mode;

namespace {

char yn(bool b) {
    return b ? 'y' : 'n';
}
const char* trueFalse(bool b) {
    return b ? "true" : "false";
}

// Integer part of a double as an int, limited to the int range (NaN: 0).
int truncToInt(double v) {
    if (!(v == v)) return 0;
    if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

// Integer part of a double as a 16-bit register value (limited to 0..65535).
std::uint32_t truncToU16(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 65535.0) return 65535;
    return static_cast<std::uint32_t>(v);
}

std::uint8_t gainCode(int step) {
    return static_cast<std::uint8_t>(std::clamp(step, 0, 3));
}

// --- throttle of createIApi: one attempt every 10 s, program-wide ---
constexpr std::int64_t kAttemptSpacingNs = 10000000000LL;
bool gAttempted = false;
Clock::time_point gLastAttempt{};

}  // namespace

// =========================================================================
// construction
// =========================================================================

IApi::IApi(Clock& clock, std::unique_ptr<IApiDriver> d, std::string v, LoggerBase* l)
    : Api(clock), driver(std::move(d)), version(std::move(v)), logger(l) {}

IApi::~IApi() {
    logPrintf(&logger, "stopReading");
    if (driver) {
        if (!driver->disconnect()) logPrintf(&logger, "Disconnect error!");
        logPrintf(&logger, "Disconnected!");
        driver.reset();
    }
    delete logger;
    logger = nullptr;
}

void IApi::openLog(bool on) {
    if (on) {
        if (logger == nullptr) logger = createLogger("api_i");
        if (logger) logger->open(true);
    } else if (logger) {
        logger->open(false);
    }
}

// =========================================================================
// angle, speed, inverter state
// =========================================================================

bool IApi::getAngle(double* degrees) {
    if (!angleValid) return false;
    double a = 0.0;
    if (!driver->getMarkerEncoderAngleDeg(markerIndex(), a) || !std::isfinite(a)) {
        logPrintf(&logger, "Read angle error!");
        angleValid = false;
        return false;
    }
    // The controller gives 0..360; keep the interface's range whatever it sends.
    if (degrees) *degrees = polar::reduceDegrees(a);
    return true;
}

bool IApi::inverterCheck() {
    std::uint32_t state = 0;
    if (!driver->getInvertorState(state) || (state & 7u) != 7u) {
        logPrintf(&logger, "Error! Invalid invertor state: 0x%X", state);
        errorCode = ApiError::kInvalidInverterState;
        return true;
    }
    int code = ApiError::kNone;
    const std::uint32_t first = extConfig & 31u;
    const std::uint32_t count = std::min<std::uint32_t>((extConfig >> 5) & 31u, 8u);
    if (count > 0 && first < 32u) {
        std::uint32_t inputs = 0;
        if (!driver->getInvertorInput(inputs)) {
            logPrintf(&logger, "ext bits: error");
            code = ApiError::kNoConnection;
        } else {
            int bit = -1;
            code = externalInputError(extConfig, inputs, &bit);
            if (code != ApiError::kNone) logPrintf(&logger, "ext bits: error bit %d for %X", bit, inputs);
        }
    }
    if (code == ApiError::kNone) return false;
    errorCode = code;
    setSpeed(0);
    return true;
}

bool IApi::hasInverterError() {
    if (!nonZeroSpeed) return false;
    return inverterCheck();
}

bool IApi::isBlocked(std::uint32_t externalInputConfig) {
    extConfig = externalInputConfig;
    const bool ok = driver->setWelderBlock(true);
    logPrintf(&logger, "setWelderBlock(1): %c", yn(ok));
    return inverterCheck();
}

bool IApi::isConnected() {
    if (phasor < 0) return true;
    std::uint32_t state = 0;
    return driver->getInvertorState(state);
}

int IApi::getErrorInfo(int* type) {
    if (type) *type = inverterType;
    logPrintf(&logger, "get error info %d, inverter type: %d, ", errorCode, inverterType);
    return errorCode;
}

double IApi::averageSpeed(double reading) {
    if (speedBufferSize <= 0 || speedBuffer.size() != static_cast<std::size_t>(speedBufferSize))
        return reading;
    speedBuffer[static_cast<std::size_t>(speedIndex)] = reading;
    speedIndex = (speedIndex + 1) % speedBufferSize;
    bool any = false;
    double lo = 0.0, hi = 0.0;
    for (double v : speedBuffer) {
        if (!(v >= 0.1)) continue;
        if (!any) {
            lo = hi = v;
            any = true;
        } else {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    if (!any) return 0.0;
    double sum = 0.0;
    int n = 0;
    for (double v : speedBuffer) {
        if (v >= 0.1 && v > lo && v < hi) {
            sum += v;
            ++n;
        }
    }
    return n > 0 ? sum / n : lo;
}

double IApi::getSpeed() {
    double rpm = 0.0;
    const bool encoder = !isOpticalPhasor(phasor);
    const bool ok = encoder ? driver->getMarkerEncoderSpeed(markerIndex(), rpm)
                            : driver->getMarkerOpticalSpeed(markerIndex(), rpm);
    if (!ok) {
        logPrintf(&logger, "getSpeed Error for phasor: %d", phasor);
        return 0.0;
    }
    return averageSpeed(rpm);
}

void IApi::setMiscParams(bool belt, int size, int period) {
    (void)belt;
    if (size < 0) {
        logPrintf(&logger, "setMiscParams: speed buffer size %d, averaging off", size);
        size = 0;
    } else if (size > kMaxSpeedBuffer) {
        logPrintf(&logger, "setMiscParams: speed buffer size %d limited to %d", size, kMaxSpeedBuffer);
        size = kMaxSpeedBuffer;
    }
    speedBufferSize = size;
    speedBuffer.assign(static_cast<std::size_t>(size), 0.0);
    speedIndex = 0;
    speedPeriod = period;
}

bool IApi::isRpmReached() {
    std::uint32_t state = 0;
    if (!driver->getInvertorState(state)) {
        logPrintf(&logger, "isRpmReached: get inverter state error!");
        return false;
    }
    const bool reached = (state & 0x80000000u) != 0;
    logPrintf(&logger, "isRpmReached: %s", reached ? "on" : "off");
    return reached;
}

// =========================================================================
// inverters, gains, brake and relays
// =========================================================================

bool IApi::setBooster(const int g[5]) {
    const int c[4] = {gainCode(g[0]), gainCode(g[1]), gainCode(g[2]), gainCode(g[3])};
    const bool ok = driver->setADCChannelGainTestMode(
        static_cast<std::uint8_t>(c[0]), static_cast<std::uint8_t>(c[1]), static_cast<std::uint8_t>(c[2]),
        static_cast<std::uint8_t>(c[3]), 0);
    logPrintf(&logger, "setBooster: (%d, %d, %d, %d) result: %s", c[0], c[1], c[2], c[3],
              ok ? "Success" : "Error");
    // In balancing mode the controller sets its gains itself and reports
    // them with the data; the driver takes none there, which is no failure.
    return ok || !adcTestMode;
}

int IApi::getChannelGain(int channel) {
    if (channel < 0 || channel >= kMaxChannels) return -1;
    return gains[channel];
}

void IApi::setBrake(bool on) {
    if (driver->setInvertorRelay(on ? 1u : 0u))
        logPrintf(&logger, "set brake: %c", yn(on));
    else
        logPrintf(&logger, "set brake error");
}

void IApi::setRelay(bool on, int relay) {
    const bool ok = driver->setInvertorRelay(on ? 1u : 0u);
    logPrintf(&logger, "set relay(%d): %c%s", relay, yn(on), ok ? "" : " ERROR!!!");
}

bool IApi::setAccTime(int accelerationMs, int decelerationMs, int rampType) {
    bool ok = driver->setInvertorAcceleration(accelerationMs / 1000.0);
    ok = driver->setInvertorDeceleration(decelerationMs / 1000.0) && ok;
    ok = driver->setInvertorRampType(static_cast<std::uint32_t>(rampType)) && ok;
    logPrintf(&logger, "setAccTime(start: %dms, stop: %dms, type: %d)", accelerationMs, decelerationMs,
              rampType);
    if (!ok) logPrintf(&logger, "setAccTime: Error!");
    return ok;
}

bool IApi::setMotorParams(const MotorParams& p) {
    logPrintf(
        &logger,
        "setMotorParams: power: %lg, voltage: %lg, current: %lg, frequency: %lg, speed: %lg, poles: %d, "
        "autoTun: %d",
        p.power, p.voltage, p.current, p.frequency, p.speed, p.poles, p.autoTune);
    const bool ok = driver->setInvertorMotorParameters(
        static_cast<float>(p.power), static_cast<float>(p.voltage), static_cast<float>(p.current),
        static_cast<float>(p.frequency), static_cast<std::uint16_t>(p.poles), truncToU16(p.speed),
        static_cast<std::uint16_t>(p.autoTune), static_cast<std::uint32_t>(inverterType));
    if (!ok) logPrintf(&logger, "setMotorParams: ERROR!");
    return ok;
}

int IApi::setCurrentInverter(int index, int newPhasor) {
    phasor = newPhasor;
    std::uint32_t type = 0, address = 0;
    if (!driver->setInvertorManagerCurrentInvertor(static_cast<std::uint32_t>(index), type, address)) {
        logPrintf(&logger, "setup current inverter error");
        return 0;
    }
    inverterType = static_cast<int>(type);
    logPrintf(&logger, "set current inverter %d, type: %d, addr: %d, phasor: %d", index,
              static_cast<int>(type), static_cast<int>(address), phasor);
    clock().sleepMs(100);
    return static_cast<int>(address);
}

bool IApi::setInverters(const std::vector<InverterEntry>& list) {
    for (int k = 3; k >= 0; --k) {
        setCurrentInverter(k == 0 ? 3 : k - 1, -1);
        logPrintf(&logger, "Deleting inverter %d", k);
        if (!driver->setInvertorManagerDeleteInvertor(static_cast<std::uint32_t>(k)))
            logPrintf(&logger, "Delete inverter %d error!", k);
    }
    std::uint32_t count = 0;
    const bool counted = driver->getInvertorManagerCountInvertors(count);
    logPrintf(&logger, "Number of inverters: %d%s", static_cast<int>(count), counted ? "" : "(error)");
    if (list.empty()) return false;
    bool added = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const InverterEntry& e = list[i];
        logPrintf(&logger, "Adding inverter %d, %d", static_cast<int>(e.type), static_cast<int>(e.address));
        if (driver->setInvertorManagerAddInvertor(static_cast<std::uint32_t>(i), e.type, e.address)) {
            added = true;
        } else {
            logPrintf(&logger, "Add inverter %d error!", static_cast<int>(i));
        }
    }
    return added;
}

bool IApi::setSpeed(std::int16_t centiHz) {
    const double hz = centiHz / 100.0;
    if (!driver->setInvertorFrequency(hz)) {
        logPrintf(&logger, "setSpeed: %lf Hz Error!", hz);
        return false;
    }
    logPrintf(&logger, "setSpeed: %lf Hz", hz);
    speedSet = true;
    nonZeroSpeed = hz != 0.0;
    clock().sleepMs(500);
    if (hz == 0.0) {
        const bool ok = driver->setWelderBlock(false);
        logPrintf(&logger, "setWelderBlock(0): %c", yn(ok));
    }
    return true;
}

int IApi::getTurnScale() {
    return truncToInt(2.0 * turnScale);
}

// =========================================================================
// encoder training
// =========================================================================

bool IApi::needsTrain() {
    std::uint32_t state = 0;
    if (!driver->getMarkerEncoderTrainState(markerIndex(), state)) {
        logPrintf(&logger, "needsTrain: Error!");
        return false;
    }
    logPrintf(&logger, "needTrain: idx = %d -> %d", static_cast<int>(markerIndex()), static_cast<int>(state));
    return state == 0;
}

void IApi::startTraining() {
    if (!driver->setMarkerEncoderMarkerType(markerIndex(), isOpticalPhasor(phasor) ? 1u : 0u)) {
        logPrintf(&logger, "startTraining: setMarkerEncoderMarkerType Error!");
        return;
    }
    trainingAttempts();
}

void IApi::trainingAttempts() {
    const std::uint32_t idx = markerIndex();
    for (int attempt = 1; attempt <= kTrainingAttempts; ++attempt) {
        logPrintf(&logger, "startTraining: start waiting for the inverter state");
        for (int poll = 1;; ++poll) {
            if (cancelled()) {
                logPrintf(&logger, "startTraining: cancelled");
                return;
            }
            std::uint32_t state = 0;
            if (!driver->getInvertorState(state)) {
                logPrintf(&logger, "get inverter state error, exiting...");
                return;
            }
            logPrintf(&logger, "inverter state: %X", state);
            if (state == kTrainingReadyState) break;
            if (poll >= kTrainingPolls) {
                logPrintf(&logger, "can't wait anymore, exiting...");
                return;
            }
            clock().sleepMs(100);
        }
        if (cancelled()) {
            logPrintf(&logger, "startTraining: cancelled");
            return;
        }

        const bool started = driver->setMarkerEncoderTrainStart(idx);
        logPrintf(&logger, "startTraining: phasor = %d, idx = %d, result = %s", phasor, static_cast<int>(idx),
                  trueFalse(started));
        angleValid = started;
        if (!started) return;

        double encoder = 0.0, optical = 0.0;
        if (!driver->getMarkerEncoderSpeed(idx, encoder)) {
            logPrintf(&logger, "getMarkerEncoderSpeed Error");
            return;
        }
        if (!driver->getMarkerOpticalSpeed(idx, optical)) {
            logPrintf(&logger, "getMarkerOpticalSpeed Error");
            return;
        }
        // Without an optical speed there is nothing to compare the encoder with.
        const bool comparable =
            std::isfinite(encoder) && std::isfinite(optical) && optical >= kMinOpticalTrainingRpm;
        int ratio = 0;
        if (comparable) {
            ratio = truncToInt(encoder * 10000.0 / optical);
            logPrintf(&logger, "calc ratio %d (encoder speed: %lg, optical speed: %lg)", ratio, encoder,
                      optical);
        } else {
            logPrintf(&logger, "calc ratio: optical speed too low (encoder speed: %lg, optical speed: %lg)",
                      encoder, optical);
        }

        std::uint32_t value = 0;
        const bool read = driver->getMarkerEncoderFullTurn(idx, value);
        logPrintf(&logger, "getMarkerEncoderFullTurn: value = %d / %d, result = %s", static_cast<int>(value),
                  truncToInt(driveRatio * 10000.0), trueFalse(read));
        if (!read) return;

        const std::int64_t diff =
            std::llabs(static_cast<std::int64_t>(ratio) - static_cast<std::int64_t>(value));
        if (comparable && diff <= ratio / 100) return;  // trained

        logPrintf(&logger, "ratio doesn't match %d <> %d", ratio, static_cast<int>(value));
        if (attempt == kTrainingAttempts) logPrintf(&logger, "can't repeat training anymore!");
    }
}

// =========================================================================
// acquisition
// =========================================================================

void IApi::stopReading() {
    logPrintf(&logger, "stopReading");
}

bool IApi::startReading(const ReadRequest* request) {
    speedSet = false;
    stopReading();
    if (request == nullptr) {
        logPrintf(&logger, "startReading: no request");
        return false;
    }
    nChannels = static_cast<int>(request->nChannels);
    blocks = static_cast<int>(request->blocks);
    requestExtra = request->extra;
    logPrintf(&logger, "startReading: nChannels = %d", nChannels);
    lastTurnReading = 0.0;
    previousPacket = -1;
    sampleRate = static_cast<int>(request->rate);
    testMode = request->testMode != 0;

    // The channel table is checked before anything starts on the controller.
    const int entries = requestEntries(*request);
    for (int i = 0; i < entries; ++i) {
        const int code = request->channelTable[i];
        if (code < 1 || code > kMaxChannels) {
            logPrintf(&logger, "chTable: [%d] = %d: not a channel, reading not started", i, code);
            tableEntries = 0;
            return false;
        }
    }

    // The samples of an earlier acquisition are not this one's.
    tableEntries = 0;
    sampleCursor = 0;
    for (auto& v : channelData) v.clear();
    markerData.clear();
    turns.clear();

    driver->setADCMode(testMode ? ADC_Mode::test : ADC_Mode::balancing, request->filter != 0);
    adcTestMode = testMode;
    // The marker type decides where each revolution begins: without it no
    // reading counts.
    if (!driver->setMarkerEncoderMarkerType(markerIndex(), isOpticalPhasor(phasor) ? 1u : 0u)) {
        logPrintf(&logger, "startReading: setMarkerEncoderMarkerType Error!");
        return false;
    }

    nRecorded = static_cast<int>(request->nRecorded);
    if (nRecorded > 0) allocateCurrentBuffer();

    clock().sleepMs(20);

    if (!testMode) {
        getSpeed();  // the first reading after the set-up is dropped
        const double speed = getSpeed();
        const std::uint32_t trigger = phasor > 0 ? static_cast<std::uint32_t>(phasor) : 0u;
        if (!driver->setADCStartConversionBalancingMode(speed, trigger, 0, &turnScale)) {
            logPrintf(&logger, "start balancing conversion error! for speed: %lg, phasor: %d", speed, phasor);
            return false;
        }
    } else {
        if (!driver->setADCSampleRateTestMode(request->rate)) {
            logPrintf(&logger, "set rate error: %d", static_cast<int>(request->rate));
            return false;
        }
        if (!driver->setADCStartConversionTestMode(request->blocks)) {
            logPrintf(&logger, "start testing conversion error!");
            return false;
        }
    }

    clock().sleepMs(5);

    tableEntries = entries;
    for (int i = 0; i < kMaxChannels; ++i) {
        channelTable[i] = i < entries ? request->channelTable[i] : 0;
        if (i < entries) logPrintf(&logger, "chTable: [%d] = %d", i, channelTable[i]);
    }
    return true;
}

bool IApi::restartConversion() {
    if (!testMode) {
        clock().sleepMs(500);
        const double speed = getSpeed();
        const std::uint32_t trigger = phasor > 0 ? static_cast<std::uint32_t>(phasor) : 0u;
        if (!driver->setADCStartConversionBalancingMode(speed, trigger, 0, nullptr)) {
            logPrintf(&logger, "start balancing conversion error! for speed: %lg, phasor: %d", speed, phasor);
            return false;
        }
    } else if (!driver->setADCStartConversionTestMode(static_cast<std::uint32_t>(blocks))) {
        logPrintf(&logger, "start testing conversion error!");
        return false;
    }
    clock().sleepMs(5);
    return true;
}

bool IApi::getData(TurnResults* results) {
    sampleCursor = 0;
    for (auto& v : channelData) v.clear();
    markerData.clear();
    turns.clear();

    TamskKWZv2::GainReport report;
    bool ok;
    if (results != nullptr) {
        ok = driver->getADCDataBalancingMode(channelData, markerData, turns, fetchResults, report);
    } else {
        ok = driver->getADCDataTestMode(channelData, markerData, fetchAmplitudes, report);
    }
    if (!ok) {
        clock().sleepMs(500);
        logPrintf(&logger, "getADCData error!");
        hasInverterError();
        return false;
    }

    if (results != nullptr) {
        logPrintf(&logger, "got balancing mode data, turns: %d", static_cast<int>(turns.size()));
        for (const auto& r : fetchResults) {
            TurnResult t;
            t.valid = r.valid ? 1 : 0;
            t.amplitude = r.amplitude;
            t.phase = r.phase;
            results->push_back(t);
        }
    }
    logPrintf(&logger, "getting ADC data channel1: %d, channel2: %d", static_cast<int>(channelData[0].size()),
              static_cast<int>(channelData[1].size()));

    std::uint8_t g[5] = {0, 0, 0, 0, 0};
    if (driver->getADCChannelGain(g[0], g[1], g[2], g[3], g[4])) {
        for (int i = 0; i < kMaxChannels; ++i) gains[i] = g[i];
    } else {
        logPrintf(&logger, "getADCChannelGain error!");
    }

    if (hasInverterError()) return false;
    logPrintf(&logger, "start conversion");
    return restartConversion();
}

bool IApi::nextSample() {
    const int n = static_cast<int>(channelData[0].size());
    if (sampleCursor <= n) ++sampleCursor;  // stops one past the end
    return sampleCursor <= n;
}

bool IApi::isMarkSample() {
    const int i = currentSample();
    return i >= 0 && static_cast<std::size_t>(i) < markerData.size() &&
           markerData[static_cast<std::size_t>(i)] != 0.0;
}

int IApi::getSampleValue(int channel) {
    if (channel < 0 || channel >= tableEntries) return 0;
    const int code = channelTable[channel];
    if (code < 1 || code > kMaxChannels) return 0;
    const auto& trace = channelData[static_cast<std::size_t>(code - 1)];
    const int i = currentSample();
    if (i < 0 || static_cast<std::size_t>(i) >= trace.size()) return 0;
    return truncToInt(trace[static_cast<std::size_t>(i)]);
}

// =========================================================================
// welder and control word
// =========================================================================

bool IApi::getWelderStatusFlag() {
    std::uint32_t flag = 0;
    return driver->getWelderStatusFlag(flag) && flag != 0;
}

void IApi::restartWelder() {
    const bool ok = driver->restartWelder();
    logPrintf(&logger, "restartWelder: %c", yn(ok));
}

bool IApi::isWelderActive() {
    std::uint32_t active = 0;
    const bool answer = driver->isWelderActive(active) && active != 0;
    if (answer != welderAnswer) {
        welderAnswer = answer;
        if (answer) setBrake(false);
        logPrintf(&logger, "isWelderActive: %c", yn(answer));
    }
    return answer;
}

int IApi::getWeldingProgress() {
    std::uint32_t progress = 0;
    if (!driver->getWeldingProgress(progress)) {
        logPrintf(&logger, "getWeldingProgress: error");
        return -1;
    }
    logPrintf(&logger, "getWeldingProgress: %d", static_cast<int>(progress));
    return static_cast<int>(progress);
}

bool IApi::setUpdateMode() {
    const bool ok = driver->setControl(32768);
    logPrintf(&logger, "set update mode: %c", yn(ok));
    return ok;
}

// =========================================================================
// factory
// =========================================================================

std::string iapiVersionText(const TamskKWZv2::FirmwareVersionDate& f) {
    return ks::format("KWZ {}.{}.{} {:02d}.{:02d}.{:02d}", static_cast<int>(f.major),
                      static_cast<int>(f.minor), static_cast<int>(f.build), static_cast<int>(f.day),
                      static_cast<int>(f.month), static_cast<int>(f.year));
}

void resetCreateIApiThrottle() {
    gAttempted = false;
}

IApi* createIApi(Clock& clock, const IApiEnvironment& env) {
    auto makeLogger = [&env](const char* name) -> LoggerBase* {
        return env.makeLogger ? env.makeLogger(name) : createLogger(name);
    };
    std::unique_ptr<LoggerBase> holder(makeLogger("api"));
    LoggerBase* log = holder.get();
    if (log) log->open(true);

    if (gAttempted && clock.nsSince(gLastAttempt) < kAttemptSpacingNs) {
        logPrintf(&log, "Waiting...");
        return nullptr;
    }
    gAttempted = true;
    gLastAttempt = clock.now();

    std::function<void()> poll = [] {};
    std::function<LoggerBase*(const char*)> sinkLogger = env.makeLogger;
    std::function<void(const char*, const char*)> errorSink = [sinkLogger](const char* source,
                                                                           const char* text) {
        std::unique_ptr<LoggerBase> l(sinkLogger ? sinkLogger("api") : createLogger("api"));
        if (!l) return;
        l->open(true);
        LoggerBase* p = l.get();
        logPrintf(&p, "KWZAPI error: %s %s", source ? source : "", text ? text : "");
    };

    std::error_code ec;
    const std::string folder = std::filesystem::is_directory("./logs", ec) ? "./logs" : "";

    std::unique_ptr<IApiDriver> driver =
        env.makeDriver ? env.makeDriver(poll, errorSink, folder) : makeKwzIApiDriver(poll, errorSink, folder);
    if (!driver) {
        logPrintf(&log, "Connection error! Exiting...");
        return nullptr;
    }
    logPrintf(&log, "Object was created successfully. Connecting...");
    if (!driver->connect()) {
        logPrintf(&log, "Connection error! Exiting...");
        return nullptr;
    }
    TamskKWZv2::FirmwareVersionDate firmware;
    if (!driver->getFirmwareVersionDate(&firmware)) {
        logPrintf(&log, "Get version error! Exiting...");
        driver->disconnect();
        return nullptr;
    }
    std::string text = iapiVersionText(firmware);
    logPrintf(&log, "Firmware version: %s", text.c_str());

    LoggerBase* apiLog = makeLogger("api_i");
    if (apiLog) apiLog->open(true);
    logPrintf(&apiLog, "Initialized: %s", text.c_str());
    logPrintf(&apiLog, "Initialized inverter: %d", 0);
    IApi* api = new IApi(clock, std::move(driver), std::move(text), apiLog);
    api->setCancelFlag(env.cancel);
    return api;
}
