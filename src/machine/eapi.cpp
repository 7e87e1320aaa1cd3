#include "machine/eapi.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "drivers/measuring/usb01.h"
#include "files/logger.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr std::uint16_t kCmdWrite = 0x10;
constexpr std::uint16_t kCmdRead = 0x11;
constexpr std::uint16_t kCmdTrain = 0x12;
constexpr std::uint16_t kCmdReadReply = 0x82;

constexpr int kEpOut = 0x02;
constexpr int kEpReply = 0x82;
constexpr int kEpData = 0x81;

enum Reg : std::uint32_t {
    kRegControl = 0,
    kRegStatus = 1,
    kRegFrequency = 2,
    kRegSpeedPeriod = 3,
    kRegAngle = 4,
    kRegAccTime = 5,
    kRegDecTime = 6,
    kRegRampType = 7,
    kRegLastFault = 8,
    kRegGains = 9,
    kRegAccuracy1 = 10,
    kRegAccuracy2 = 11,
    kRegAccuracy3 = 12,
    kRegAngleFloat = 16,
    kRegSpeedFloat = 17,
    kRegBrake = 18,
    kRegFirmware = 19,
    kRegWeldState = 20,
    kRegWeldProgress = 21,
    kRegInputs = 22,
    kRegInverterType = 24,
    kRegSampleRate = 26,
    kRegStartConversion = 27,
    kRegDataReady = 28,
};

constexpr std::uint32_t kFlagBelt = 0x400;
constexpr std::uint32_t kFlagUpdate = 0x800;
constexpr std::uint32_t kFlagSpeedAcquisition = 0x4000;
constexpr std::uint32_t kFlagRelay0 = 0x10000;
constexpr std::uint32_t kFlagRelay1 = 0x20000;

void put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}
std::uint16_t get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
float asFloat(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}
char yn(bool b) { return b ? 'y' : 'n'; }

}  // namespace

// ---------------------------------------------------------------- EApi

EApi::EApi(Clock& clock, drivers::Usb01Handle* h) : Api(clock), handle(h) {
    logger = createLogger("api_e");
    if (logger) logger->open(true);
}

EApi::~EApi() {
    blockBuffer.clear();
    logPrintf(&logger, "stopReading");
    if (handle) drivers::usb01().close(handle);
    speedBuffer.clear();
    delete logger;
}

void EApi::initialize() {
    std::uint32_t fw = 0;
    if (readRegister(kRegFirmware, &fw)) {
        minor = static_cast<int>(fw & 0xFF);
        major = static_cast<int>((fw >> 8) & 0x7F);
        debugBuild = (fw >> 15) & 1u;
        day = static_cast<int>((fw >> 16) & 0x1F);
        month = static_cast<int>((fw >> 21) & 0x0F);
        year = static_cast<int>((fw >> 25) & 0x7F) + 2000;
        char text[64];
        std::snprintf(text, sizeof text, "TKWZ %d.%d%s (%04d/%02d/%02d)", major, minor, debugBuild ? "d" : "", year,
                      month, day);
        versionText = text;
        logPrintf(&logger, "Initialized: %s", versionText.c_str());
    }
    std::uint32_t status = 0;
    if (!readRegister(kRegStatus, &status)) logPrintf(&logger, "Get inverter type error!");
    inverterType = static_cast<int>((status >> 8) & 7u);
    reportedInverterType = inverterType;
    logPrintf(&logger, "Initialized inverter: %d", inverterType);
}

bool EApi::readRegister(std::uint32_t reg, std::uint32_t* value) {
    if (value) *value = 0;
    std::uint8_t packet[kPacketSize] = {};
    put16(packet, kCmdRead);
    put32(packet + 2, reg);
    drivers::Usb01& usb = drivers::usb01();
    const int wrote = usb.bulkWrite(handle, kEpOut, packet, kPacketSize, kTimeoutMs);
    if (wrote != kPacketSize) {
        logPrintf(&logger, "ERROR %d request register: %d", wrote, static_cast<int>(reg));
        return false;
    }
    std::uint8_t reply[kPacketSize] = {};
    const int got = usb.bulkRead(handle, kEpReply, reply, kPacketSize, kTimeoutMs);
    const std::uint16_t command = got >= 2 ? get16(reply) : 0;
    const std::uint32_t replyReg = got >= 6 ? get32(reply + 2) : 0xFFFFFFFFu;
    if (got < 10 || command != kCmdReadReply || replyReg != reg) {
        logPrintf(&logger, "ERROR invalid packet: %d or register %d != %d", got < 2 ? got : command,
                  static_cast<int>(replyReg), static_cast<int>(reg));
        return false;
    }
    if (value) *value = get32(reply + 6);
    return true;
}

bool EApi::writeRegister(std::uint32_t reg, std::uint32_t value) {
    std::uint8_t packet[kPacketSize] = {};
    put16(packet, kCmdWrite);
    put32(packet + 2, reg);
    put32(packet + 6, value);
    const int wrote = drivers::usb01().bulkWrite(handle, kEpOut, packet, kPacketSize, kTimeoutMs);
    if (wrote != kPacketSize) {
        logPrintf(&logger, "set register error: %d", static_cast<int>(reg));
        return false;
    }
    return true;
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
    if (firmwareNumber() < 304) {
        ok = readRegister(kRegAngle, &v);
        radians = v * 2.0 * kPi / 65535.0;
    } else {
        ok = readRegister(kRegAngleFloat, &v);
        radians = 2.0 * kPi * static_cast<double>(asFloat(v));
    }
    if (!ok || !std::isfinite(radians)) {
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
    if (count == 0) return 0;
    std::uint32_t inputs = 0;
    if (!readRegister(kRegInputs, &inputs)) {
        logPrintf(&logger, "ext bits: error");
        return 0;
    }
    int bit = -1;
    const int code = externalInputError(extConfig, inputs, &bit);
    if (code != 0) logPrintf(&logger, "ext bits: error bit %d for %X", bit, inputs);
    return code;
}

bool EApi::hasInverterError() {
    std::uint32_t status = 0;
    if (!readRegister(kRegStatus, &status)) {
        errorCode = ApiError::kNoConnection;
        return true;
    }
    if (status & 0x80u) {
        errorCode = static_cast<int>((status >> 8) & 0x7Fu);
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
    if ((status & 1u) == 0) {
        errorCode = ApiError::kEmergencyStop;
        logPrintf(&logger, "Emergency stop: %X (error %d)", status, errorCode);
        return true;
    }
    const int code = externalInputCode();
    if (code != 0) {
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
        switch (status & 3u) {
        case 3: errorCode = 0; break;
        case 2: errorCode = ApiError::kEmergencyStop; break;
        default: errorCode = ApiError::kShaftNotConnected; break;
        }
    }
    const int code = externalInputCode();
    if (code != 0) errorCode = code;
    return errorCode != 0;
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
    if (fw >= 306) return blockSpeed;
    std::uint32_t v = 0;
    if (fw == 305) {
        if (!readRegister(kRegSpeedFloat, &v)) return 0.0;
        const double s = asFloat(v);
        return std::isfinite(s) ? s : 0.0;
    }
    if (!readRegister(kRegSpeedPeriod, &v) || v == 0) return 0.0;
    return 10000.0 / static_cast<double>(v) * 60.0;
}

void EApi::setBooster(const int gains[5]) {
    std::uint32_t value = 0;
    for (int i = 0; i < 5; ++i) value |= static_cast<std::uint32_t>(gains[i] & 3) << (2 * i);
    logPrintf(&logger, "set gain: 0x%x", value);
    if (!writeRegister(kRegGains, value)) logPrintf(&logger, "set gain error!");
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
    std::uint8_t packet[kPacketSize] = {};
    put16(packet, kCmdTrain);
    if (drivers::usb01().bulkWrite(handle, kEpOut, packet, kPacketSize, kTimeoutMs) != kPacketSize) {
        logPrintf(&logger, "startTraining error");
    }
}

void EApi::setAccTime(int accelerationMs, int decelerationMs, int rampType) {
    const int acc = accelerationMs / 100;
    const int dec = decelerationMs / 100;
    writeRegister(kRegAccTime, static_cast<std::uint32_t>(acc));
    writeRegister(kRegDecTime, static_cast<std::uint32_t>(dec));
    writeRegister(kRegRampType, static_cast<std::uint32_t>(rampType));
    logPrintf(&logger, "setAccTime(start: %d, stop: %d, type: %d)", acc, dec, rampType);
}

void EApi::setAccuracy(int a, int b, int c) {
    bool ok = writeRegister(kRegAccuracy1, static_cast<std::uint32_t>(b));
    ok = writeRegister(kRegAccuracy2, static_cast<std::uint32_t>(a)) && ok;
    ok = writeRegister(kRegAccuracy3, static_cast<std::uint32_t>(c)) && ok;
    logPrintf(&logger, "setAccuracy: %d %d %d%s", a, b, c, ok ? "" : " ERROR!!!");
}

void EApi::setInverterType(int type, int busAddress) {
    logPrintf(&logger, "set inverter type: %x, addr: %d", static_cast<unsigned>(type), busAddress);
    reportedInverterType = type;
    const std::uint32_t value = (static_cast<std::uint32_t>(type & 127) << 8) + static_cast<std::uint32_t>(busAddress & 255);
    if (static_cast<std::int64_t>(value) == lastInverterValue) return;
    if (writeRegister(kRegInverterType, value)) {
        lastInverterValue = value;
        clock().sleepMs(1500);  // the controller switches its inverter protocol
    }
}

bool EApi::setSpeed(std::int16_t centiHz) {
    double hz = centiHz / 100.0;
    hz = std::max(-327.0, std::min(327.0, hz));
    const auto tenths = static_cast<std::int32_t>(hz * 10.0);
    const bool ok = writeRegister(kRegFrequency, static_cast<std::uint32_t>(tenths));
    logPrintf(&logger, "setSpeed: %lf Hz%s", hz, ok ? "" : " ERROR!!!");
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
    if (!writeRegister(kRegSampleRate, static_cast<std::uint32_t>(sampleRate))) {
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
    if (!writeRegister(kRegStartConversion, 0x80000000u | static_cast<std::uint32_t>(blocks))) {
        logPrintf(&logger, "start adc conversion error!");
        return false;
    }
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

bool EApi::readData() {
    std::uint32_t ready = 0;
    if (!readRegister(kRegDataReady, &ready)) {
        logPrintf(&logger, "ERROR reading data ready");
        return false;
    }
    if ((ready & 0x80000000u) == 0) return true;  // nothing new yet
    if (blockBuffer.empty()) {
        logPrintf(&logger, "ERROR reading data: no acquisition");
        return false;
    }
    const int got = drivers::usb01().bulkRead(handle, kEpData, blockBuffer.data(), static_cast<int>(blockBuffer.size()),
                                              kTimeoutMs);
    if (got <= 0) {
        logPrintf(&logger, "ERROR reading data: %d", got);
        validBlocks = 0;
        blockIndex = -1;
        return false;
    }
    validBlocks = got / kBlockSize;
    if (got % kBlockSize != 0) {
        logPrintf(&logger, "read data: %d bytes, partial block dropped", got);
    }
    if (!writeRegister(kRegStartConversion, 0x80000000u | static_cast<std::uint32_t>(blocks))) {
        logPrintf(&logger, "start adc conversion error!");
    }
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
        const std::uint8_t* block = blockBuffer.data() + static_cast<std::size_t>(blockIndex) * kBlockSize;
        if (get16(block) != 0x0081) {
            ++blockIndex;
            sampleInBlock = -1;
            continue;
        }
        int n = block[2];
        if (n > 5) n = 5;
        ++sampleInBlock;
        if (sampleInBlock >= n) {
            ++blockIndex;
            sampleInBlock = -1;
            continue;
        }
        if (sampleInBlock == 0) {
            if (block[2] > 5) logPrintf(&logger, "block %d: sample count %d limited to 5", blockIndex, block[2]);
            processBlockHeader(block);
        }
        return true;
    }
    sampleInBlock = -1;
    return false;
}

void EApi::processBlockHeader(const std::uint8_t* block) {
    const std::uint16_t word = get16(block + 6);
    blockReached = (word & 0x8000u) != 0;
    if (!blockReached) waitingForFlip = false;

    const int number = word & 0x7FFF;
    const int previous = previousPacket;
    if (notePacketNumber(number)) {
        logPrintf(&logger, "package number mismatch: prev = %d, curr = %d, block = %d/%d", previous, number, blockIndex,
                  validBlocks);
    }

    const int n = std::min<int>(block[2], 5);
    if (bufferData(currentBuffer) != nullptr && nRecorded > 0) {
        int values[5] = {0, 0, 0, 0, 0};
        for (int i = 0; i < n; ++i) {
            for (int k = 0; k < nRecorded; ++k) {
                const int c = channelTable[k];
                values[k] = static_cast<std::int16_t>(get16(block + 6 + 2 * c + 10 * i));
            }
            if (!storeFrame(((block[3] >> i) & 1u) != 0, values)) break;
        }
    }

    if ((block[3] & 0x7Fu) != 0) {
        const double s = static_cast<std::int16_t>(get16(block + 4));
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
    return block != nullptr && ((block[3] >> sampleInBlock) & 1u) != 0;
}

int EApi::getSampleValue(int channel) {
    const std::uint8_t* block = currentBlock();
    if (block == nullptr || channel < 0 || channel >= tableEntries) return 0;
    const int c = channelTable[channel];
    return static_cast<std::int16_t>(get16(block + 6 + 2 * c + 10 * sampleInBlock));
}

bool EApi::isWelderActive() {
    std::uint32_t status = 0;
    const bool ok = readRegister(kRegStatus, &status);
    const bool active = ok && (status & 0x1C000000u) == 0x1C000000u;
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
    if ((state & 0x3Fu) != 6) return -1;
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
    return (inputs & 2u) == 0;
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
        direct = (status & 0x800u) != 0;
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
    if (attempted_ && clock_.msSince(lastAttempt_) < 10000) return nullptr;
    logPrintf(&logger_, "Trying...");
    attempted_ = true;
    lastAttempt_ = clock_.now();

    drivers::Usb01& usb = drivers::usb01();
    usb.init();
    usb.findBusses();
    usb.findDevices();
    const std::vector<drivers::Usb01Device> list = usb.devices();
    const drivers::Usb01Device* found = nullptr;
    for (const auto& d : list) {
        if (d.vendor == EApi::kVendorId && d.product == EApi::kProductId) {
            found = &d;
            break;
        }
    }
    if (found == nullptr) return nullptr;
    drivers::Usb01Handle* h = usb.open(*found);
    if (h == nullptr) return nullptr;
    logPrintf(&logger_, "Libusb connected successfully. Initialiating...");
    int rc = usb.setConfiguration(h, 1);
    if (rc < 0) {
        logPrintf(&logger_, "Can't set config (error: %d). Exiting...", rc);
        usb.close(h);
        return nullptr;
    }
    rc = usb.claimInterface(h, 0);
    if (rc < 0) {
        logPrintf(&logger_, "Can't claim interface (error: %d). Exiting...", rc);
        usb.close(h);
        return nullptr;
    }
    EApi* api = new EApi(clock_, h);
    api->initialize();
    if (!api->isConnected()) {
        delete api;  // closes the handle
        return nullptr;
    }
    return api;
}
