#include "machine/eapi.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "files/logger.h"
#include "machine/machine_codes.h"

using namespace older;

namespace {

constexpr double kPi = 3.14159265358979323846;
// The wait between two looks at "data ready", and what a conversion may take
// beyond its own samples' time before the controller counts as lost.
constexpr std::int64_t kDataPollStepMs = 5;
constexpr std::int64_t kDataReadyMarginMs = 2000;
// Angles beyond this many radians are no reading (their hundredths of a
// degree would not fit the integer they are reduced in).
constexpr double kLargestAngleRadians = 1e12;

float asFloat(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}
char yn(bool b) { return b ? 'y' : 'n'; }

}  // namespace

// ---------------------------------------------------------------- EApi

EApi::EApi(Clock& clock, drivers::Usb01Handle* h)
    : Api(clock),
      logger(createLogger("api_e")),
      link(h, [this](const std::string& text) { logPrintf(&logger, "%s", text.c_str()); }) {
    if (logger) logger->open(true);
}

EApi::~EApi() {
    blockBuffer.clear();
    logPrintf(&logger, "stopReading");
    speedBuffer.clear();
    delete logger;
    logger = nullptr;  // the link closes the controller after this
}

bool EApi::initialize() {
    std::uint32_t fw = 0;
    const bool known = readRegister(kRegFirmware, &fw);
    if (known) {
        firmware = decodeFirmware(fw);
        const Firmware& f = firmware;
        char text[64];
        std::snprintf(text, sizeof text, "TKWZ %d.%d%s (%04d/%02d/%02d)", f.major, f.minor,
                      f.debugBuild ? "d" : "", f.year, f.month, f.day);
        versionText = text;
        logPrintf(&logger, "Initialized: %s", versionText.c_str());
    }
    std::uint32_t status = 0;
    if (!readRegister(kRegStatus, &status)) logPrintf(&logger, "Get inverter type error!");
    inverterType = statusInverterType(status);
    reportedInverterType = inverterType;
    logPrintf(&logger, "Initialized inverter: %d", inverterType);
    return known;
}

bool EApi::readControlFlags(std::uint32_t* flags) {
    const bool ok = readRegister(kRegControl, flags);
    logPrintf(&logger, "getCtrlFlags: 0x%x%s", *flags, ok ? "" : " ERROR!");
    return ok;
}

bool EApi::writeControlFlags(std::uint32_t flags) {
    const bool ok = writeRegister(kRegControl, flags);
    logPrintf(&logger, "setCtrlFlags: 0x%x%s", flags, ok ? "" : " ERROR!");
    return ok;
}

bool EApi::getAngle(double* degrees) {
    double radians = 0.0;
    std::uint32_t v = 0;
    bool ok;
    if (firmwareNumber() < kFirmwareAngleFloat) {
        ok = readRegister(kRegAngle, &v);
        radians = v * 2.0 * kPi / 65535.0;
    } else {
        ok = readRegister(kRegAngleFloat, &v);
        radians = 2.0 * kPi * static_cast<double>(asFloat(v));
    }
    if (!ok || !std::isfinite(radians) || std::fabs(radians) > kLargestAngleRadians) {
        logPrintf(&logger, "getAngle error!!!");
        if (degrees) *degrees = 0.0;
        return false;
    }
    // Hundredths of a degree, reduced into [0, 36000).
    long long hundredths = static_cast<long long>(radians * 18000.0 / kPi) % 36000;
    if (hundredths < 0) hundredths += 36000;
    if (degrees) *degrees = static_cast<double>(hundredths) / 100.0;
    return true;
}

int EApi::externalInputCode() {
    const std::uint32_t count = (extConfig >> 5) & 31u;
    if (count == 0) return ApiError::kNone;
    std::uint32_t inputs = 0;
    if (!readRegister(kRegInputs, &inputs)) {
        logPrintf(&logger, "ext bits: error");
        return ApiError::kNone;
    }
    int bit = -1;
    const int code = externalInputError(extConfig, inputs, &bit);
    if (code != ApiError::kNone) logPrintf(&logger, "ext bits: error bit %d for %X", bit, inputs);
    return code;
}

bool EApi::hasInverterError() {
    std::uint32_t status = 0;
    if (!readRegister(kRegStatus, &status)) {
        errorCode = ApiError::kNoConnection;
        return true;
    }
    if (status & kStatusInverterFault) {
        errorCode = statusFaultCode(status);
        logPrintf(&logger, "status flags when altivar error: %X (error %d)", status, errorCode);
        std::uint32_t last = 0;
        if (readRegister(kRegLastFault, &last)) {
            logPrintf(&logger, "last altivar error code: %d", static_cast<int>(last));
        } else {
            errorCode = ApiError::kFaultUnreadable;
            logPrintf(&logger, "error read last altivar");
        }
        return true;
    }
    if ((status & kStatusNotStopped) == 0) {
        errorCode = ApiError::kEmergencyStop;
        logPrintf(&logger, "Emergency stop: %X (error %d)", status, errorCode);
        return true;
    }
    const int code = externalInputCode();
    if (code != ApiError::kNone) {
        errorCode = code;
        return true;
    }
    return false;
}

bool EApi::isBlocked(std::uint32_t config) {
    extConfig = config;
    std::uint32_t status = 0;
    if (!readRegister(kRegStatus, &status)) {
        errorCode = ApiError::kNoConnection;
    } else {
        switch (status & kStatusSafetyMask) {
        case kStatusFree: errorCode = ApiError::kNone; break;
        case kStatusEmergencyStop: errorCode = ApiError::kEmergencyStop; break;
        default: errorCode = ApiError::kShaftNotConnected; break;
        }
    }
    const int code = externalInputCode();
    if (code != ApiError::kNone) errorCode = code;
    return errorCode != ApiError::kNone;
}

bool EApi::isConnected() { return readRegister(kRegStatus, nullptr); }

int EApi::getErrorInfo(int* type) {
    if (type) *type = reportedInverterType;
    return errorCode;
}

double EApi::getSpeed() {
    if (!speedBuffer.empty()) {
        const int size = static_cast<int>(speedBuffer.size());
        const int n = std::min(speedWrites, size);
        if (!speedResetSet || clock().msSince(speedResetTime) > speedPeriod) {
            double sum = 0.0;
            for (int i = 0; i < n; ++i) sum += speedBuffer[i];
            averagedSpeed = n > 0 ? sum / n : 0.0;
            logPrintf(&logger, "getSpeed(reset): %lg", averagedSpeed);
            speedWrites = 0;
            speedResetTime = clock().now();
            speedResetSet = true;
        }
        logPrintf(&logger, "getSpeed(average): %lg for buffer size: %d", averagedSpeed, size);
        return averagedSpeed;
    }
    const int fw = firmwareNumber();
    if (fw >= kFirmwareBlockSpeed) return blockSpeed;
    std::uint32_t v = 0;
    if (fw == kFirmwareSpeedFloat) {
        if (!readRegister(kRegSpeedFloat, &v)) return 0.0;
        const double s = asFloat(v);
        return std::isfinite(s) ? s : 0.0;
    }
    if (!readRegister(kRegSpeedPeriod, &v) || v == 0) return 0.0;
    return 10000.0 / static_cast<double>(v) * 60.0;
}

bool EApi::setBooster(const int gains[5]) {
    std::uint32_t value = 0;
    for (int i = 0; i < 5; ++i) value |= static_cast<std::uint32_t>(gains[i] & 3) << (2 * i);
    logPrintf(&logger, "set gain: 0x%x", value);
    if (setUpWrite(kRegGains, value)) return true;
    logPrintf(&logger, "set gain error!");
    return false;
}

void EApi::setBrake(bool on) {
    logPrintf(&logger, "set brake: %c", yn(on));
    if (!writeRegister(kRegBrake, on ? 1u : 0u)) logPrintf(&logger, "set brake error");
}

void EApi::setRelay(bool on, int relay) {
    std::uint32_t flags = 0;
    const bool ok = readControlFlags(&flags);
    logPrintf(&logger, "setRelay(%d): %c", relay, yn(on));
    if (!ok) return;  // writing back an unknown word would clear the other flags
    const std::uint32_t bit = relay != 0 ? kFlagRelay1 : kFlagRelay0;
    writeControlFlags(on ? (flags | bit) : (flags & ~bit));
}

void EApi::setMiscParams(bool belt, int bufferSize, int period) {
    std::uint32_t flags = 0;
    if (readRegister(kRegControl, &flags)) {
        logPrintf(&logger, "set misc params flags(before) = %x", flags);
        writeControlFlags(belt ? (flags | kFlagBelt) : (flags & ~kFlagBelt));
    } else {
        logPrintf(&logger, "set misc params: control flags unreadable, belt flag not changed");
    }
    speedPeriod = period;
    if (bufferSize <= 0) {
        if (bufferSize < 0) logPrintf(&logger, "set speed buffer %d: averaging off", bufferSize);
        speedBufferSize = 0;
        speedBuffer.clear();
        speedWrites = 0;
        return;
    }
    if (bufferSize > kMaxSpeedBuffer) {
        logPrintf(&logger, "set speed buffer %d: limited to %d", bufferSize, kMaxSpeedBuffer);
        bufferSize = kMaxSpeedBuffer;
    }
    speedBufferSize = bufferSize;
    logPrintf(&logger, "set speed buffer %d, period: %d", speedBufferSize, speedPeriod);
    speedBuffer.assign(static_cast<std::size_t>(speedBufferSize), 0.0f);
    speedWrites = 0;
}

void EApi::startTraining() {
    logPrintf(&logger, "startTraining");
    if (!link.startTraining()) logPrintf(&logger, "startTraining error");
}

bool EApi::setAccTime(int accelerationMs, int decelerationMs, int rampType) {
    const int acc = accelerationMs / 100;
    const int dec = decelerationMs / 100;
    bool ok = setUpWrite(kRegAccTime, static_cast<std::uint32_t>(acc));
    ok = ok && setUpWrite(kRegDecTime, static_cast<std::uint32_t>(dec));
    ok = ok && setUpWrite(kRegRampType, static_cast<std::uint32_t>(rampType));
    logPrintf(&logger, "setAccTime(start: %d, stop: %d, type: %d)", acc, dec, rampType);
    if (!ok) logPrintf(&logger, "setAccTime error!");
    return ok;
}

bool EApi::setAccuracy(int a, int b, int c) {
    bool ok = setUpWrite(kRegAccuracy1, static_cast<std::uint32_t>(b));
    ok = ok && setUpWrite(kRegAccuracy2, static_cast<std::uint32_t>(a));
    ok = ok && setUpWrite(kRegAccuracy3, static_cast<std::uint32_t>(c));
    logPrintf(&logger, "setAccuracy: %d %d %d%s", a, b, c, ok ? "" : " ERROR!!!");
    return ok;
}

bool EApi::setInverterType(int type, int busAddress) {
    logPrintf(&logger, "set inverter type: %x, addr: %d", static_cast<unsigned>(type), busAddress);
    reportedInverterType = type;
    const std::uint32_t value = inverterTypeWord(type, busAddress);
    if (static_cast<std::int64_t>(value) == lastInverterValue) return true;
    // The controller switches its inverter protocol after the write: the type
    // is read back once that is done.
    if (!setUpWrite(kRegInverterType, value, [this] { clock().sleepMs(1500); })) return false;
    lastInverterValue = value;
    return true;
}

bool EApi::setUpWrite(std::uint32_t reg, std::uint32_t value, const std::function<void()>& settle) {
    if (link.writeVerified(reg, value, settle)) return true;
    errorCode = ApiError::kNoConnection;
    return false;
}

bool EApi::setSpeed(std::int16_t centiHz) {
    double hz = centiHz / 100.0;
    hz = std::max(-327.0, std::min(327.0, hz));
    const auto tenths = static_cast<std::int32_t>(hz * 10.0);
    // The controller answers no write: the frequency is read back, so that a
    // lost one (a lost stop above all) is known.
    const bool ok = link.writeVerified(kRegFrequency, static_cast<std::uint32_t>(tenths));
    logPrintf(&logger, "setSpeed: %lf Hz%s", hz, ok ? "" : " ERROR!!!");
    if (!ok) errorCode = ApiError::kNoConnection;
    waitingForFlip = true;
    return ok;
}

bool EApi::startReading(const ReadRequest* request) {
    waitingForFlip = false;
    stopReading();
    if (request == nullptr) return false;
    nChannels = static_cast<int>(request->nChannels);
    blocks = static_cast<int>(std::min<std::uint32_t>(request->blocks, 0x7FFFFFFF));
    logPrintf(&logger, "startReading: nChannels = %d", nChannels);
    previousPacket = -1;
    blockSpeed = 0.0;
    sampleRate = static_cast<int>(std::min<std::uint32_t>(request->rate, 0x7FFFFFFF));

    // The channel table is checked before anything is sent to the controller.
    const int entries = requestEntries(*request);
    for (int i = 0; i < entries; ++i) {
        const int code = request->channelTable[i];
        if (code < 1 || code > 5) {
            logPrintf(&logger, "chTable: [%d] = %d out of range", i, code);
            tableEntries = 0;
            return false;
        }
    }
    if (blocks < 1 || blocks > kMaxBlocks) {
        logPrintf(&logger, "startReading: %d blocks out of range", blocks);
        return false;
    }

    if (request->speedFlag) {
        std::uint32_t flags = 0;
        if (readControlFlags(&flags)) writeControlFlags(flags | kFlagSpeedAcquisition);
    }
    if (!setUpWrite(kRegSampleRate, static_cast<std::uint32_t>(sampleRate))) {
        logPrintf(&logger, "set rate error: %d", sampleRate);
        return false;
    }
    tableEntries = entries;
    for (int i = 0; i < 5; ++i) channelTable[i] = i < entries ? request->channelTable[i] : 0;
    nRecorded = static_cast<int>(std::min<std::uint32_t>(request->nRecorded, static_cast<std::uint32_t>(entries)));
    if (static_cast<int>(request->nRecorded) != nRecorded) {
        logPrintf(&logger, "startReading: %u recorded channels limited to %d", request->nRecorded, nRecorded);
    }
    if (nRecorded > 0 && !allocateCurrentBuffer()) {
        logPrintf(&logger, "startReading: no sample buffer for %d channels", nRecorded);
    }
    if (!startConversion()) return false;
    clock().sleepMs(5);
    for (int i = 0; i < entries; ++i) logPrintf(&logger, "chTable: [%d] = %d", i, channelTable[i]);
    blockBuffer.assign(static_cast<std::size_t>(blocks) * kBlockSize, 0);
    validBlocks = 0;
    blockIndex = -1;
    sampleInBlock = -1;
    return true;
}

void EApi::stopReading() {
    blockBuffer.clear();
    blockBuffer.shrink_to_fit();
    validBlocks = 0;
    blockIndex = -1;
    sampleInBlock = -1;
    logPrintf(&logger, "stopReading");
}

bool EApi::startConversion() {
    if (!writeRegister(kRegStartConversion, startConversionWord(static_cast<std::uint32_t>(blocks)))) {
        logPrintf(&logger, "start adc conversion error!");
        return false;
    }
    conversionStart = clock().now();
    const std::int64_t samplesMs =
        sampleRate > 0 ? static_cast<std::int64_t>(blocks) * DataBlock::kMaxSamples * 1000 / sampleRate : 0;
    conversionTimeoutMs = samplesMs + kDataReadyMarginMs;
    return true;
}

bool EApi::dataLost() {
    errorCode = ApiError::kNoConnection;
    validBlocks = 0;
    blockIndex = -1;
    sampleInBlock = -1;
    // What the blocks told is no longer the rotor's state.
    blockSpeed = 0.0;
    blockReached = false;
    averagedSpeed = 0.0;
    speedWrites = 0;
    speedResetSet = false;
    return false;
}

bool EApi::readData() {
    std::uint32_t ready = 0;
    if (!readRegister(kRegDataReady, &ready)) {
        logPrintf(&logger, "ERROR reading data ready");
        return dataLost();
    }
    if ((ready & kConversionBit) == 0) {
        // Nothing new yet: the caller polls again after a step, up to the
        // time the conversion may take.
        if (clock().msSince(conversionStart) > conversionTimeoutMs) {
            logPrintf(&logger, "ERROR data not ready after %d ms", static_cast<int>(conversionTimeoutMs));
            return dataLost();
        }
        clock().sleepMs(kDataPollStepMs);
        return true;
    }
    if (blockBuffer.empty()) {
        logPrintf(&logger, "ERROR reading data: no acquisition");
        return false;
    }
    const int got = link.readBlocks(blockBuffer.data(), static_cast<int>(blockBuffer.size()));
    if (got <= 0) {
        logPrintf(&logger, "ERROR reading data: %d", got);
        return dataLost();
    }
    if (got % kBlockSize != 0) {
        logPrintf(&logger, "read data: %d bytes, partial block dropped", got);
    }
    // The next conversion must run, or the next poll waits for nothing.
    if (!startConversion()) return dataLost();
    validBlocks = got / kBlockSize;
    blockIndex = -1;
    sampleInBlock = -1;
    return true;
}

const std::uint8_t* EApi::currentBlock() const {
    if (blockIndex < 0 || blockIndex >= validBlocks || sampleInBlock < 0) return nullptr;
    return blockBuffer.data() + static_cast<std::size_t>(blockIndex) * kBlockSize;
}

bool EApi::nextSample() {
    if (blockIndex < 0) {
        blockIndex = 0;
        sampleInBlock = -1;
    }
    while (blockIndex < validBlocks) {
        const std::uint8_t* bytes = blockBuffer.data() + static_cast<std::size_t>(blockIndex) * kBlockSize;
        const DataBlock block(bytes);
        if (!block.isData()) {
            ++blockIndex;
            sampleInBlock = -1;
            continue;
        }
        ++sampleInBlock;
        if (sampleInBlock >= block.samples()) {
            ++blockIndex;
            sampleInBlock = -1;
            continue;
        }
        if (sampleInBlock == 0) {
            if (block.claimedSamples() > DataBlock::kMaxSamples)
                logPrintf(&logger, "block %d: sample count %d limited to 5", blockIndex,
                          block.claimedSamples());
            processBlockHeader(bytes);
        }
        return true;
    }
    sampleInBlock = -1;
    return false;
}

void EApi::processBlockHeader(const std::uint8_t* bytes) {
    const DataBlock block(bytes);
    blockReached = block.speedReached();
    if (!blockReached) waitingForFlip = false;

    const int number = block.packetNumber();
    const int previous = previousPacket;
    if (notePacketNumber(number)) {
        logPrintf(&logger, "package number mismatch: prev = %d, curr = %d, block = %d/%d", previous, number, blockIndex,
                  validBlocks);
    }

    const int n = block.samples();
    if (bufferData(currentBuffer) != nullptr && nRecorded > 0) {
        int values[5] = {0, 0, 0, 0, 0};
        for (int i = 0; i < n; ++i) {
            for (int k = 0; k < nRecorded; ++k) values[k] = block.value(channelTable[k], i);
            if (!storeFrame(block.marked(i), values)) break;
        }
    }

    if (block.hasMarks()) {
        const double s = block.speed();
        if (speedBuffer.empty()) {
            blockSpeed = std::fabs(s - blockSpeed) > 1.0 ? s : (s + blockSpeed) / 2.0;
            logPrintf(&logger, "block speed: %lg", blockSpeed);
        } else {
            const int size = static_cast<int>(speedBuffer.size());
            const int at = speedWrites % size;
            speedBuffer[at] = static_cast<float>(s);
            logPrintf(&logger, "add to average packet speed buffer: %lg at %d", s, at);
            if (speedWrites < 0x3FFFFFFF) ++speedWrites;
        }
    }
}

bool EApi::isMarkSample() {
    const std::uint8_t* block = currentBlock();
    return block != nullptr && DataBlock(block).marked(sampleInBlock);
}

int EApi::getSampleValue(int channel) {
    const std::uint8_t* block = currentBlock();
    if (block == nullptr || channel < 0 || channel >= tableEntries) return 0;
    return DataBlock(block).value(channelTable[channel], sampleInBlock);
}

bool EApi::isWelderActive() {
    std::uint32_t status = 0;
    const bool ok = readRegister(kRegStatus, &status);
    const bool active = ok && (status & kStatusWelderActive) == kStatusWelderActive;
    if (active != welderAnswer) {
        welderAnswer = active;
        if (active) setBrake(false);
        logPrintf(&logger, "isWelderActive: 0x%x %s => %c", status, ok ? "" : "ERROR!!!", yn(active));
    }
    return active;
}

int EApi::getWeldingProgress() {
    std::uint32_t state = 0;
    if (!readRegister(kRegWeldState, &state)) {
        logPrintf(&logger, "getWeldingProgress: %d%s", -1, " ERROR!!!");
        return -1;
    }
    if ((state & kWeldStateMask) != kWeldStateWelding) return -1;
    std::uint32_t progress = 0;
    const bool ok = readRegister(kRegWeldProgress, &progress);
    logPrintf(&logger, "getWeldingProgress: %d%s", ok ? static_cast<int>(progress) : -1, ok ? "" : " ERROR!!!");
    return ok ? static_cast<int>(progress) : -1;
}

bool EApi::isFrezerActive() {
    std::uint32_t inputs = 0;
    if (!readRegister(kRegInputs, &inputs)) {
        logPrintf(&logger, "isFrezerActive: error");
        return false;
    }
    return (inputs & kInputMillingIdle) == 0;
}

bool EApi::setUpdateMode() {
    std::uint32_t flags = 0;
    if (!readControlFlags(&flags)) return false;
    logPrintf(&logger, "set update mode");
    return writeControlFlags(flags | kFlagUpdate);
}

void EApi::openLog(bool on) {
    if (logger) logger->open(on);
}

bool EApi::isRpmReached() {
    std::uint32_t status = 0;
    bool direct = false;
    if (readRegister(kRegStatus, &status)) {
        direct = (status & kStatusSpeedReached) != 0;
        logPrintf(&logger, "reached? %c", yn(direct));
    } else {
        errorCode = ApiError::kNoConnection;
    }
    logPrintf(&logger, "reached? direct = %c / block = %c (waiting for flip? %c)", yn(direct), yn(blockReached),
              yn(waitingForFlip));
    return blockReached && !waitingForFlip;
}

// ---------------------------------------------------------------- factory

EApiFactory::EApiFactory(Clock& clock) : clock_(clock) {}

EApiFactory::~EApiFactory() { delete logger_; }

EApi* EApiFactory::createEApi() {
    if (logger_ == nullptr) {
        logger_ = createLogger("api");
        if (logger_) logger_->open(true);
    }
    logPrintf(&logger_, "Trying...");

    drivers::Usb01Handle* h =
        openController([this](const std::string& text) { logPrintf(&logger_, "%s", text.c_str()); });
    if (h == nullptr) return nullptr;
    EApi* api = new EApi(clock_, h);
    // A controller whose firmware is unknown is no connection: its angle and
    // speed registers cannot be chosen.
    if (!api->initialize() || !api->isConnected()) {
        delete api;  // closes the handle
        return nullptr;
    }
    return api;
}
