#include "machine/mapi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "files/logger.h"
#include "platform/bounded_read.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// Largest replay file taken: 64 Mi values (128 MiB).
constexpr std::uint64_t kMaxReplayBytes = 128ULL * 1024 * 1024;

int saturate16(double v) {
    if (!(v == v)) return 0;
    if (v > 32767.0) return 32767;
    if (v < -32768.0) return -32768;
    return static_cast<int>(v);
}

}  // namespace

MApi::MApi(Clock& clock, std::string replayPath) : Api(clock), replayPath_(std::move(replayPath)) {
    logger = createLogger("api_m");
    if (logger) logger->open(true);
}

MApi::~MApi() { delete logger; }

bool MApi::getAngle(double* degrees) {
    if (angle < 0) angle = 360 - angle;
    if (degrees) *degrees = angle % 360;
    return true;
}

int MApi::getErrorInfo(int* inverterType) {
    if (inverterType) *inverterType = 1;
    return 1;
}

void MApi::setDac(double v) {
    const int oldPeriod = period;
    const double magnitude = std::fabs(v);
    period = magnitude > 0.0 ? static_cast<int>(1000000.0 / magnitude) : 0;
    if (oldPeriod != 0) {
        phase = static_cast<int>(static_cast<std::int64_t>(phase) * period / oldPeriod);
    }
    dac = v;
    logPrintf(&logger, "setDac: %x", static_cast<unsigned>(static_cast<int>(v)));
}

double MApi::getSpeed() {
    if (rampSet && dac != rampTo) {
        const std::int64_t t = clock().msSince(rampStart);
        if (t >= rampMs) {
            setDac(rampTo);
        } else {
            int d = static_cast<int>(std::abs(rampFrom - rampTo) * static_cast<double>(std::max<std::int64_t>(t, 0)) /
                                     rampMs);
            if (rampFrom > rampTo) d = -d;
            setDac(rampFrom + d);
        }
    }
    return dac;
}

bool MApi::setBooster(const int g[5]) {
    logPrintf(&logger, "setBooster: (%d, %d, %d, %d)", g[0], g[1], g[2], g[3]);
    for (int i = 0; i < 5; ++i) gains[i] = g[i];
    return true;
}

void MApi::setBrake(bool on) { logPrintf(&logger, "setBrake: %c", on ? 'y' : 'n'); }

void MApi::setRelay(bool on, int relay) { logPrintf(&logger, "setRelay(%d): %c", relay, on ? 'y' : 'n'); }

void MApi::startTraining() { logPrintf(&logger, "startTraining"); }

bool MApi::setAccTime(int accelerationMs, int decelerationMs, int rampType) {
    logPrintf(&logger, "setAccTime(start: %d, stop: %d, type: %d)", accelerationMs / 100, decelerationMs / 100,
              rampType);
    return true;
}

int MApi::setCurrentInverter(int index, int phasor) {
    logPrintf(&logger, "set inverter: %d phasor: %d", index, phasor);
    return 0;
}

bool MApi::setInverterType(int type, int busAddress) {
    logPrintf(&logger, "set inverter type: %x, addr: %d", static_cast<unsigned>(type), busAddress);
    return true;
}

bool MApi::setSpeed(std::int16_t centiHz) {
    rampStart = clock().now();
    rampFrom = static_cast<int>(dac);
    rampTo = centiHz;
    rampSet = true;
    return true;
}

bool MApi::startReading(const ReadRequest* request) {
    inverterError = false;
    stopReading();
    if (request == nullptr) return false;
    nWords = static_cast<int>(request->blocks);
    nCh = static_cast<int>(request->nChannels);
    nRecorded = static_cast<int>(std::min<std::uint32_t>(request->nRecorded, kMaxChannels));
    rate = request->rate;
    nChannels = nCh;
    blocks = nWords;
    sampleRate = static_cast<int>(request->rate);
    random_.seed(100);
    logPrintf(&logger, "initReading nCh=%d, nSensors=%d, nWords=%d, rate=%lg", nCh, nRecorded, nWords, rate);

    phase = 0;
    readPeriod = rate > 0.0 ? static_cast<int>(nWords / rate) : 0;

    const int entries = requestEntries(*request);
    for (int k = 0; k < 5; ++k) {
        channels[k] = k < entries ? request->channelTable[k] : 0;
        if (k < entries) logPrintf(&logger, "channel: %d", channels[k]);
        multipliers[k] = 1;
    }

    releaseCurrentBuffer();
    replay = false;
    if (nRecorded > 0) replay = loadReplay();
    return true;
}

bool MApi::loadReplay() {
    // Read like every other whole file: a named pipe of that name would block
    // the machine worker for ever.
    std::string bytes;
    std::string why;
    if (!platform::readBoundedFile(replayPath_, kMaxReplayBytes, bytes, &why)) {
        std::error_code ec;
        if (std::filesystem::exists(replayPath_, ec))
            logPrintf(&logger, "replay file %s: %s, simulating", replayPath_.c_str(), why.c_str());
        return false;
    }
    const long size = static_cast<long>(bytes.size());
    if (size == 0) return false;
    const int frame = nRecorded + 1;
    const long values = size / 2;
    const long frames = values / frame;
    if (values != frames * frame || size % 2 != 0) {
        logPrintf(&logger, "replay file %s: partial frame at the end dropped (%ld bytes)", replayPath_.c_str(), size);
    }
    if (frames <= 0) {
        logPrintf(&logger, "replay file %s: no whole frame, simulating", replayPath_.c_str());
        return false;
    }
    const int total = static_cast<int>(frames * frame);
    if (!allocateCurrentBuffer(total)) {
        logPrintf(&logger, "replay file %s: no memory, simulating", replayPath_.c_str());
        return false;
    }
    std::uint16_t* data = currentData();
    for (int i = 0; i < total; ++i) {
        const auto low = static_cast<unsigned char>(bytes[2 * i]);
        const auto high = static_cast<unsigned char>(bytes[2 * i + 1]);
        data[i] = static_cast<std::uint16_t>(low | (high << 8));
    }

    int kept = static_cast<int>(frames);
    while (kept > 1 && data[(kept - 1) * frame] == 0) --kept;
    int first = 0;
    while (first < kept && data[first * frame] == 0) ++first;
    if (first >= kept) {
        releaseCurrentBuffer();
        logPrintf(&logger, "replay file %s: no marked frame, simulating", replayPath_.c_str());
        return false;
    }
    capacity = kept * frame;
    counts[currentBuffer] = capacity;
    frameSize = frame;
    frameCount = kept;
    replayStart = first;
    cursor = first;
    freshReplay = true;
    readPeriod = kReplayReadPeriodMs;
    logPrintf(&logger, "replay file %s: %d frames from %d", replayPath_.c_str(), kept - first, first);
    return true;
}

void MApi::stopReading() { logPrintf(&logger, "finReading"); }

void MApi::endBatch() {
    lastRead = clock().now();
    sampleCount = 0;
}

bool MApi::getData(TurnResults* results) {
    if (results != nullptr) {
        std::array<TurnResult, 5> turn{};
        if (turnSource_) {
            turnSource_(turn);
        } else {
            for (auto& r : turn) {
                r.valid = 1;
                r.amplitude = random_.next() + 1200000;
                r.phase = 177.0;
            }
        }
        results->insert(results->end(), turn.begin(), turn.end());
    }
    clock().sleepMs(200);
    endBatch();
    return true;
}

bool MApi::readData() {
    const std::int64_t waited = clock().msSince(lastRead);
    if (waited < readPeriod) clock().sleepMs(readPeriod - waited);
    endBatch();
    return true;
}

bool MApi::nextSample() {
    if (replay) {
        if (sampleCount >= kReplaySamplesPerRead) return false;
        if (freshReplay) {
            freshReplay = false;
        } else {
            // The last kept frame carries the mark that closes the final
            // revolution; the loop goes on from the first marked frame instead.
            ++cursor;
            if (cursor >= frameCount - 1) cursor = replayStart;
        }
        ++sampleCount;
        return true;
    }
    ++phase;
    ++sampleCount;
    return nCh > 0 && sampleCount < nWords / nCh;
}

bool MApi::isMarkSample() {
    if (replay) return currentData()[cursor * frameSize] != 0;
    if (extraMarks > 0) {
        --extraMarks;
        return true;
    }
    if (period != 0 && phase > period) {
        phase = 0;
        turnCounter = (turnCounter + 1) % 100;
        return true;
    }
    return false;
}

int MApi::getSampleValue(int ch) {
    if (replay) {
        if (ch < 0 || ch >= nRecorded) return 0;
        return static_cast<std::int16_t>(currentData()[cursor * frameSize + 1 + ch]);
    }
    if (ch < 0 || ch >= std::min(nCh - 1, 5)) return 0;
    if (spike) {
        spike = false;
        return 1000000;
    }
    const double p = period != 0 ? period : 20000.0;
    const int s = static_cast<int>((std::sin(2.0 * kPi * phase / p) + 1.0) * 100.0);
    const int code = channels[ch];
    const int step = (code >= 1 && code <= 5) ? gains[code - 1] : 0;
    static const int kGain[4] = {1, 10, 100, 1000};
    const int g = kGain[step & 3];
    const double value = static_cast<double>(s) * g * multipliers[ch] / (ch + 1);
    return saturate16(value) * 100;
}

void MApi::onKey(int key) {
    switch (key) {
    case '*':
        if (multipliers[0] > 0) --multipliers[0];
        break;
    case '+': ++multipliers[0]; break;
    case 'A': angle -= 50; break;
    case 'Q': angle += 50; break;
    case 'a': angle -= 1; break;
    case 'q': angle += 1; break;
    case 'M': ++extraMarks; break;
    case 'b': ++weldingProgress; break;
    case 'v': --weldingProgress; break;
    case 'c': welderActive = !welderActive; break;
    case 'e': inverterError = true; break;
    case 'f': frezerActive = !frezerActive; break;
    case 'l': markDataGap(); break;
    case 'm': spike = true; break;
    case 's':
        if (dac != 0.0) dac -= 100;
        setSpeed(static_cast<std::int16_t>(saturate16(dac * 10)));
        break;
    case 'w':
        dac += 100;
        setSpeed(static_cast<std::int16_t>(saturate16(dac * 10)));
        break;
    default: break;
    }
}

void MApi::openLog(bool on) {
    if (logger) logger->open(on);
}

bool MApi::nextBuffer() { return replay && bufferData(currentBuffer) != nullptr; }
