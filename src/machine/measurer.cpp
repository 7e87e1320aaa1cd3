#include "machine/measurer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "files/logger.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"

namespace {

char yn(bool b) {
    return b ? 'y' : 'n';
}

struct InjectPair {
    double amplitude;
    double degrees;
};
struct InjectRow {
    InjectPair pairs[4];
};

// Rows injected by key 0, in turn.
const InjectRow kRotationTable[45] = {
    {{{43.10, 262.63}, {42.63, 313.75}, {0.00, 0.00}, {0.00, 0.00}}},
    {{{44.38, 265.76}, {42.97, 315.56}, {12.80, 98.08}, {9.11, 175.58}}},
    {{{42.77, 266.53}, {41.53, 311.40}, {13.01, 100.25}, {8.91, 171.22}}},
    {{{41.90, 264.34}, {41.70, 309.80}, {12.94, 101.18}, {8.65, 166.98}}},
    {{{43.74, 260.86}, {43.23, 312.52}, {12.61, 100.66}, {8.43, 165.41}}},
    {{{44.13, 258.72}, {43.88, 316.58}, {12.18, 98.79}, {8.32, 167.48}}},
    {{{42.20, 259.54}, {42.70, 317.55}, {11.86, 96.05}, {8.36, 171.92}}},
    {{{42.30, 262.70}, {41.42, 314.36}, {11.79, 93.10}, {8.54, 176.05}}},
    {{{44.21, 265.80}, {41.91, 310.51}, {12.01, 90.66}, {8.79, 177.36}}},
    {{{43.61, 266.51}, {43.46, 310.19}, {12.41, 89.33}, {9.03, 175.05}}},
    {{{41.86, 264.28}, {43.79, 313.77}, {12.81, 89.45}, {9.17, 170.53}}},
    {{{42.91, 260.80}, {42.42, 317.32}, {13.01, 90.97}, {9.17, 166.53}}},
    {{{44.39, 258.71}, {41.36, 316.97}, {12.93, 93.52}, {9.02, 165.49}}},
    {{{42.96, 259.58}, {42.16, 313.10}, {12.60, 96.49}, {8.77, 168.03}}},
    {{{41.84, 262.76}, {43.65, 309.94}, {12.17, 99.14}, {8.52, 172.62}}},
    {{{43.56, 265.85}, {43.65, 310.94}, {11.85, 100.83}, {8.35, 176.46}}},
    {{{44.24, 266.49}, {42.16, 315.01}, {11.79, 101.14}, {8.32, 177.24}}},
    {{{42.34, 264.22}, {41.36, 317.71}, {12.02, 99.99}, {8.44, 174.47}}},
    {{{42.16, 260.74}, {42.42, 316.08}, {12.42, 97.67}, {8.66, 169.84}}},
    {{{44.10, 258.69}, {43.79, 311.90}, {12.82, 94.75}, {8.92, 166.16}}},
    {{{43.78, 259.63}, {43.46, 309.75}, {13.01, 91.94}, {9.12, 165.65}}},
    {{{41.92, 262.83}, {41.91, 311.97}, {12.92, 89.92}, {9.19, 168.64}}},
    {{{42.72, 265.88}, {41.42, 316.13}, {12.59, 89.20}, {9.10, 173.29}}},
    {{{44.37, 266.47}, {42.70, 317.69}, {12.16, 89.95}, {8.89, 176.80}}},
    {{{43.15, 264.16}, {43.88, 314.95}, {11.85, 91.98}, {8.64, 177.04}}},
    {{{41.81, 260.68}, {43.23, 310.89}, {11.80, 94.80}, {8.42, 173.85}}},
    {{{43.38, 258.68}, {41.70, 309.96}, {12.03, 97.72}, {8.32, 169.18}}},
    {{{44.32, 259.67}, {41.53, 313.17}, {12.43, 100.02}, {8.36, 165.85}}},
    {{{42.51, 262.90}, {42.97, 317.01}, {12.82, 101.14}, {8.55, 165.89}}},
    {{{42.04, 265.92}, {43.91, 317.29}, {13.02, 100.81}, {8.80, 169.28}}},
    {{{43.97, 266.46}, {42.97, 313.70}, {12.92, 99.10}, {9.04, 173.95}}},
    {{{43.94, 264.09}, {41.53, 310.16}, {12.58, 96.44}, {9.17, 177.07}}},
    {{{42.02, 260.62}, {41.70, 310.55}, {12.15, 93.47}, {9.16, 176.76}}},
    {{{42.54, 258.67}, {43.23, 314.43}, {11.84, 90.93}, {9.00, 173.19}}},
    {{{44.33, 259.72}, {43.88, 317.57}, {11.80, 89.43}, {8.76, 168.54}}},
    {{{43.34, 262.97}, {42.70, 316.53}, {12.03, 89.35}, {8.51, 165.62}}},
    {{{41.81, 265.96}, {41.42, 312.45}, {12.44, 90.69}, {8.35, 166.21}}},
    {{{43.19, 266.44}, {41.91, 309.79}, {12.83, 93.15}, {8.32, 169.94}}},
    {{{44.37, 264.03}, {43.46, 311.45}, {13.02, 96.10}, {8.45, 174.56}}},
    {{{42.69, 260.56}, {43.79, 315.63}, {12.91, 98.83}, {8.68, 177.26}}},
    {{{41.94, 258.66}, {42.42, 317.75}, {12.57, 100.68}, {8.94, 176.41}}},
    {{{43.81, 259.76}, {41.36, 315.50}, {12.14, 101.18}, {9.13, 172.51}}},
    {{{44.08, 263.03}, {42.16, 311.34}, {11.84, 100.22}, {9.19, 167.95}}},
    {{{42.13, 266.00}, {43.65, 309.81}, {11.80, 98.03}, {9.09, 165.47}}},
    {{{42.37, 266.41}, {43.65, 312.59}, {12.04, 95.15}, {8.88, 166.60}}},
};

// Rows injected by keys 1-9 (row 0 unused).  Rows 1-4 determine one, two or
// three planes: 1 the reference run, 2, 3 and 4 the runs with the trial mass
// in plane 1, 2 and 3.  Each trial mass moves its own plane's channel more
// than twice as much as the others together, so the coefficients are well
// conditioned: 2-norm condition number 1.0, 1.07 and 1.39 for one, two and
// three planes of equal trial masses and radii (1.68 for four, with row 5 as
// the trial run of plane 4).  The balancing run after them asks for
// corrections of about one size in every plane: row 3 for one plane, row 4
// for two (ratio 1.3), row 5 for three (ratio 1.0).
const InjectRow kKeyTable[10] = {
    {{{0.00, 0.00}, {0.00, 0.00}, {0.00, 0.00}, {0.00, 0.00}}},
    {{{19.20, 48.00}, {9.60, 250.00}, {19.70, 120.00}, {8.00, 45.00}}},
    {{{39.10, 44.00}, {6.60, 221.00}, {22.00, 125.00}, {6.20, 53.00}}},
    {{{15.60, 42.00}, {17.30, 159.00}, {15.70, 120.00}, {10.80, 38.00}}},
    {{{22.00, 51.00}, {13.30, 233.00}, {25.50, 171.00}, {11.90, 72.00}}},
    {{{22.10, 48.00}, {11.00, 250.00}, {22.60, 120.00}, {19.50, 323.00}}},
    {{{60.00, 180.00}, {48.00, 225.00}, {30.00, 270.00}, {18.00, 315.00}}},
    {{{70.00, 210.00}, {56.00, 255.00}, {35.00, 300.00}, {21.00, 345.00}}},
    {{{80.00, 240.00}, {64.00, 285.00}, {40.00, 330.00}, {24.00, 15.00}}},
    {{{90.00, 270.00}, {72.00, 315.00}, {45.00, 0.00}, {27.00, 45.00}}},
};

constexpr int kMultipliers[4] = {1000, 100, 10, 1};
// The longest revolution kept (samples per channel); a longer stretch without
// a mark is dropped.
constexpr int kMaxRevolutionSamples = 65536;

}  // namespace

int Measurer::gainMultiplier(int step) {
    return kMultipliers[step & 3];
}

Measurer::Measurer(Clock& clock) : clock_(clock), ring_(new std::atomic<int>[kRingMaxValues]) {
    for (int i = 0; i < kRingMaxValues; ++i) ring_[i].store(0, std::memory_order_relaxed);
    logger_ = createLogger("measurer");
}

Measurer::~Measurer() {
    delete logger_;
}

void Measurer::openLog(bool on) {
    if (logger_) logger_->open(on);
}

int Measurer::gainStep(int c) const {
    return (c >= 0 && c < kDeviceChannels) ? gainSteps_[c].load(std::memory_order_relaxed) : 0;
}

bool Measurer::autoGain(int c) const {
    return (c >= 0 && c < kDeviceChannels) ? autoGain_[c].load(std::memory_order_relaxed) : false;
}

int Measurer::listedChannel(int k) const {
    if (k < 0 || k >= listedCount()) return -1;
    return channels_[k].load(std::memory_order_relaxed);
}

// ---------------------------------------------------------------- set-up

bool Measurer::setup(const Config& config, Rotor* r, int process) {
    process_ = process;
    status = RunStatus::kOk;
    rotor = r;
    if (r == nullptr) {
        logPrintf(&logger_, "measurement set-up: no rotor");
        return false;
    }
    std::vector<std::uint32_t> used;
    r->usedChannels(&used);
    if (used.empty() || used.size() > static_cast<std::size_t>(kMaxListed)) {
        logPrintf(&logger_, "measurement set-up: the rotor has %d channels (1 to %d measured)",
                  static_cast<int>(used.size()), kMaxListed);
        return false;
    }
    for (std::uint32_t c : used) {
        if (c == 0 || c > config.channels.size() || c > static_cast<std::uint32_t>(kDeviceChannels)) {
            logPrintf(&logger_, "measurement set-up: channel %u is not a configured channel", c);
            return false;
        }
    }
    channelCount_.store(0, std::memory_order_release);
    for (std::size_t k = 0; k < used.size(); ++k) channels_[k].store(static_cast<int>(used[k]) - 1);
    for (std::size_t k = used.size(); k < static_cast<std::size_t>(kMaxListed); ++k) channels_[k].store(-1);
    channelCount_.store(static_cast<int>(used.size()), std::memory_order_release);

    applyBooster(config, 0, process, commandedSpeed.load());
    if (!sendBooster()) return false;
    sessions = MachineProcess::withoutSpeedControl(process)
                   ? 100000
                   : static_cast<int>(std::min<unsigned>(r->averagingCount(), 100000u));
    revolutionsBefore = config.revolutionsBefore;
    filterBoard = config.filterBoard;
    return true;
}

void Measurer::applyBooster(const Config& config, int level, int process, double commanded) {
    (void)commanded;
    boosterLevel.store(level);
    const int automatic = config.machineInterface == settings_choice::kHorizontal ? 5 : 2;
    if (level <= 0) {
        for (int c = 0; c < kDeviceChannels; ++c) {
            const bool known = static_cast<std::size_t>(c) < config.channels.size();
            const int step = known ? std::clamp(config.channels[static_cast<std::size_t>(c)].gain, 0, 3) : 0;
            gainSteps_[c].store(step);
            autoGain_[c].store(known && c < automatic &&
                               config.channels[static_cast<std::size_t>(c)].autoGain);
        }
        overflowConfigured_ = config.emergencyStop && process != MachineProcess::kSampledTest;
    } else {
        const int step = std::min(level - 1, 3);
        for (int c = 0; c < kDeviceChannels; ++c) {
            gainSteps_[c].store(step);
            autoGain_[c].store(false);
        }
        overflowConfigured_ = false;
    }
    const auto threshold = [this](double percent) {
        const double v = fullScale * percent / 100.0;
        return (v == v && std::fabs(v) < 2e9) ? static_cast<int>(v) : 0;
    };
    reductionThreshold = threshold(config.gainReduceThreshold);
    increaseThreshold = threshold(config.gainIncreaseThreshold);
    overflowStop = overflowConfigured_;
}

bool Measurer::sendBooster() {
    logPrintf(&logger_, "set booster");
    int g[kDeviceChannels];
    for (int c = 0; c < kDeviceChannels; ++c) g[c] = gainSteps_[c].load();
    const bool taken = api == nullptr || api->setBooster(g);
    boosterTime_ = clock_.now();
    boosterTimeSet_ = true;
    if (taken) return true;
    // Samples at other gains than the ones counted with would give wrong amplitudes.
    logPrintf(&logger_, "set booster: not taken by the device");
    status = RunStatus::kDeviceError;
    return false;
}

// ---------------------------------------------------------------- measuring

bool Measurer::cancelled() const {
    return cancel != nullptr && cancel->load();
}

int Measurer::measure() {
    openLog(true);
    logPrintf(&logger_, "start measuring");
    noIncreaseMask_ = 0;
    const double commanded = commandedSpeed.load();
    overflowStop = overflowConfigured_ && commanded == commanded && commanded != 0.0;
    if (api == nullptr) {
        status = RunStatus::kDeviceError;
    } else {
        ringTestMode_.store(testMode != 0, std::memory_order_release);
        prepareRing(listedCount());  // once per measurement: gain passes keep filling it
        api->nextBuffer();
        acquisitionPass();
        while (!cancelled() && status == RunStatus::kOk && gainChangeNeeded()) {
            adjustGains();
            if (!sendBooster()) break;
            acquisitionPass();
        }
    }
    logPrintf(&logger_, "finish measuring");
    openLog(false);
    return status;
}

bool Measurer::gainChangeNeeded() const {
    if (testMode == 0) return false;
    if (boosterTimeSet_ && clock_.msSince(boosterTime_) < 1000) return false;
    const int n = listedCount();
    for (int k = 0; k < n; ++k) {
        const int c = channels_[k].load(std::memory_order_relaxed);
        const int p = peaks_[k];
        const int step = gainSteps_[c].load(std::memory_order_relaxed);
        const bool automatic = autoGain_[c].load(std::memory_order_relaxed);
        if (reductionThreshold != 0 && p >= reductionThreshold && ((automatic && step > 0) || overflowStop))
            return true;
        if (increaseAllowed && p < increaseThreshold && (noIncreaseMask_ & (1 << k)) == 0 && automatic &&
            step < 3)
            return true;
    }
    return false;
}

void Measurer::adjustGains() {
    const int n = listedCount();
    for (int k = 0; k < n; ++k) {
        const int c = channels_[k].load(std::memory_order_relaxed);
        const int p = peaks_[k];
        const int step = gainSteps_[c].load(std::memory_order_relaxed);
        const bool automatic = autoGain_[c].load(std::memory_order_relaxed);
        if (p >= reductionThreshold) {
            if (automatic && step > 0) {
                gainSteps_[c].store(step - 1);
            } else if (overflowStop) {
                logPrintf(&logger_, "channel %i overflow: %d > %d", k, p, reductionThreshold);
                status = RunStatus::kVibrationTooHigh;
                if (cancel) cancel->store(true);
            }
        } else if (increaseAllowed && p < increaseThreshold && (noIncreaseMask_ & (1 << k)) == 0 &&
                   automatic && step < 3) {
            gainSteps_[c].store(step + 1);
        }
    }
}

void Measurer::acquisitionPass() {
    logPrintf(&logger_, "start process");
    speed_.store(0.0, std::memory_order_relaxed);
    const int n = listedCount();
    int table[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (int k = 0; k < n; ++k) table[k] = channels_[k].load() + 1;
    ReadRequest request;
    request.rate = static_cast<std::uint32_t>(maxRingSamples);
    request.blocks = 1000;
    request.nChannels = static_cast<std::uint32_t>(n + 1);
    request.nRecorded = localFlag ? static_cast<std::uint32_t>(n) : 0u;
    request.extra = static_cast<std::uint32_t>(std::max(revolutionsBefore, 0));
    const double commanded = commandedSpeed.load();
    request.speedFlag = (commanded == commanded && commanded != 0.0) ? 1 : 0;
    request.channelTable = table;
    request.testMode = testMode != 0 ? 1 : 0;
    request.filter = filterBoard ? 1 : 0;
    const bool started = api->startReading(&request);
    logPrintf(&logger_, "init result: %c", yn(started));
    if (!started) {
        // The run would end without results and without an error: report it.
        status = RunStatus::kDeviceError;
        return;
    }
    samplesPerMinute_ = api->getSampleRate() * 60.0;

    abort_ = false;
    sessionCounter_ = 0;
    while ((sessionCounter_ < kSessionsToSkip + sessions || testMode != 0) && !cancelled() &&
           !gainChangeNeeded() && !abort_) {
        if (sessionLoop()) break;
        ++sessionCounter_;
    }
    api->stopReading();
    clock_.sleepMs(50);
    speed_.store(0.0, std::memory_order_relaxed);
    logPrintf(&logger_, "end process (error = %d) (cancel = %c)", status, cancelled() ? 'Y' : 'N');
}

void Measurer::prepareRing(int n) {
    const int rowValues = n + 1;
    const int rows = std::clamp(maxRingSamples, kRingPoints * 3, kRingMaxRows);
    ringWrites_.store(0, std::memory_order_release);
    ringRowValues_.store(rowValues, std::memory_order_release);
    ringCapacity_.store(rows * rowValues, std::memory_order_release);
    testCounter_ = 0;
}

bool Measurer::sessionLoop() {
    logPrintf(&logger_, "New session: %d/%d", sessionCounter_, sessions);
    startCycle();
    cycleRepeats_ = 0;
    const bool turnData = api->hasTurnData();
    // The samples the previous cycle left unread are no gap of this one.
    if (!turnData) api->resetPacketCounter();
    while (!cancelled() && !done_ && !abort_ && !gainChangeNeeded()) {
        if (pollHook) pollHook();
        clearPeaks();
        if (turnData) {
            turnResults_.clear();
            const bool ok = api->getData(testMode == 0 ? &turnResults_ : nullptr);
            if (!ok) {
                abort_ = true;
                status = RunStatus::kDeviceError;
                logPrintf(&logger_, "readWait error!");
                return true;
            }
            if (testMode == 0) takeTurnResults();
        } else if (!api->readData()) {
            // A lost block is a lost session: the run is not measured.
            abort_ = true;
            status = RunStatus::kDeviceError;
            logPrintf(&logger_, "readWait error!");
            return true;
        }
        if (!externalDrive && api->hasInverterError()) {
            api->setSpeed(0);
            status = RunStatus::kDeviceError;
            abort_ = true;
            return true;
        }
        if (testMode != 0) {
            if (planeValues) {
                const int a = planeValues[0].load();
                const int b = planeValues[1].load();
                if (a != sentPlaneValues[0] || b != sentPlaneValues[1]) {
                    sentPlaneValues[0] = a;
                    sentPlaneValues[1] = b;
                    api->setMiscParams(externalPhasor, a, b);
                }
            }
            speed_.store(std::fabs(api->getSpeed()), std::memory_order_relaxed);
            if (gainChangeNeeded()) {
                abort_ = true;
                return true;
            }
        }
        if (rawSamples()) return true;
    }
    return abort_;
}

void Measurer::takeTurnResults() {
    for (std::size_t i = 0; i < turnResults_.size(); ++i) {
        const TurnResult& t = turnResults_[i];
        logPrintf(&logger_, "%d %s %lg %lg", static_cast<int>(i), t.valid ? "valid" : "invalid", t.amplitude,
                  t.phase);
    }
    const int n = listedCount();
    bool all = n > 0;
    for (int k = 0; k < n; ++k) {
        const std::size_t c = static_cast<std::size_t>(channels_[k].load());
        if (c >= turnResults_.size() || !turnResults_[c].valid) all = false;
    }
    done_ = all;
    if (!all || sessionCounter_ < kSessionsToSkip) return;
    for (int k = 0; k < n; ++k) {
        const int c = channels_[k].load();
        const TurnResult& t = turnResults_[static_cast<std::size_t>(c)];
        logPrintf(&logger_, "addMeasureResult: %d %s %lg %lg", k, t.valid ? "valid" : "invalid", t.amplitude,
                  t.phase);
        if (rotor) rotor->addMeasureResult(t.amplitude, t.phase * M_PI / 180.0, t.phase, 1, c);
    }
    if (onResult) onResult();
}

// The channels' gains for the rotor and a fresh start of the revolutions.
void Measurer::startCycle() {
    const int n = listedCount();
    for (int k = 0; k < n; ++k) {
        const int c = channels_[k].load();
        int step = api->getChannelGain(c);
        if (step < 0) step = gainSteps_[c].load();
        const int multiplier = gainMultiplier(step);
        logPrintf(&logger_, "initPlaneData: %d x%d map: %d", k, multiplier, c);
        if (rotor) rotor->initChannel(static_cast<unsigned>(k), multiplier, c);
    }
    done_ = false;
    sessionStart_ = clock_.now();
    resetRevolution();
    cycleGaps_ = api->packetGaps();
}

// Samples were lost inside the cycle: a revolution across the gap would be
// fitted as a whole one, so what the cycle gathered is dropped and it starts
// again, at most kCycleRepeats times.  False when the measurement ends.
bool Measurer::repeatCycle() {
    if (++cycleRepeats_ > kCycleRepeats) {
        logPrintf(&logger_, "session %d: samples lost again, measuring ended", sessionCounter_);
        status = RunStatus::kDeviceError;
        abort_ = true;
        return false;
    }
    logPrintf(&logger_, "session %d: samples lost, measured again (%d)", sessionCounter_, cycleRepeats_);
    startCycle();
    return true;
}

// Runs the device's samples of the present read; true when the session loop
// is to abort (speed far off, samples lost too often).
bool Measurer::rawSamples() {
    const int n = listedCount();
    int values[kMaxListed] = {0, 0, 0, 0};
    while (api->nextSample()) {
        if (testMode == 0 && api->packetGaps() != cycleGaps_ && !repeatCycle()) return true;
        ++sampleCounter_;
        const bool mark = api->isMarkSample();
        for (int k = 0; k < n; ++k) {
            values[k] = api->getSampleValue(k);
            notePeak(k, values[k]);
        }
        if (testMode != 0) {
            if (++testCounter_ >= testMode) {
                testCounter_ = 0;
                int row[kMaxListed + 1];
                row[0] = static_cast<int>(sampleCounter_);
                for (int k = 0; k < n; ++k) row[k + 1] = values[k];
                writeRingRow(row, n + 1);
            }
            continue;
        }
        // A revolution starts at the first sample of its mark; the period and
        // the speed check follow on the first sample after the mark.
        const bool boundary = mark && !inMark_;
        inMark_ = mark;
        if (mark) {
            pendingMark_ = sampleCounter_;
        } else if (pendingMark_ >= 0) {
            if (previousMark_ >= 0 && previousMark_ < pendingMark_) {
                const double period = static_cast<double>(pendingMark_ - previousMark_);
                period_ = period_ > 0.0 ? (period + period_) / 2.0 : period;
                double s = std::fabs(api->getSpeed());
                if (s == 0.0) s = samplesPerMinute_ / period_;
                speed_.store(s, std::memory_order_relaxed);
                const double commanded = commandedSpeed.load(std::memory_order_relaxed);
                if (std::fabs(commanded - s) > speedTolerance) {
                    logPrintf(&logger_, "ext ctrl exit: abs(%d - %d) > %d, (calculated: %d)",
                              static_cast<int>(s), static_cast<int>(commanded),
                              static_cast<int>(speedTolerance), static_cast<int>(period_));
                    abort_ = true;
                    return true;
                }
            }
            previousMark_ = pendingMark_;
            pendingMark_ = -1;
            const int pause = api->getTurnScale();
            if (pause > 0) clock_.sleepMs(pause);
        }
        revolutionStep(boundary, values);
        if (done_) return false;
    }
    return false;
}

void Measurer::resetRevolution() {
    pendingMark_ = -1;
    previousMark_ = -1;
    period_ = 0.0;
    inMark_ = false;
    revolutions_ = 0;
    revolution_.clear();
    revSamples_ = 0;
    revStarted_ = false;
}

void Measurer::revolutionStep(bool boundary, const int* values) {
    const int n = listedCount();
    if (boundary) {
        if (revStarted_ && revSamples_ > 1) {
            ++revolutions_;
            bool complete = false;
            if (!turnDataDevice()) {
                const bool warmUp = revolutions_ <= revolutionsBefore;
                complete = rotor != nullptr && rotor->processRevolution(revolution_, warmUp);
            }
            appendRevolution();
            if (complete && testMode == 0 && !gainChangeNeeded()) {
                if (sessionCounter_ >= kSessionsToSkip && onResult) onResult();
                const ChannelResult* last = rotor->measureResult(-1);
                logPrintf(&logger_,
                          "session complete(nsess, rev_cnt, time, A, angle): %03d, %03d, %05d, %lg, %lg x%d",
                          sessionCounter_, revolutions_, static_cast<int>(clock_.msSince(sessionStart_)),
                          last ? last[0].amplitude : 0.0, last ? last[0].angleDeg : 0.0,
                          last ? static_cast<int>(last[0].scale) : 0);
                done_ = true;
            }
        }
        revolution_.clear();
        revSamples_ = 0;
        revStarted_ = true;
    }
    if (!revStarted_) return;
    if (revSamples_ >= kMaxRevolutionSamples) {
        // No mark for too long: forget the stretch.
        revolution_.clear();
        revSamples_ = 0;
        revStarted_ = false;
        return;
    }
    for (int k = 0; k < n; ++k) revolution_.push_back(values[k]);
    ++revSamples_;
}

bool Measurer::turnDataDevice() const {
    return api != nullptr && api->hasTurnData();
}

void Measurer::appendRevolution() {
    const int n = listedCount();
    const int m = revSamples_;
    if (m < 2 || n <= 0) return;
    int row[kMaxListed + 1];
    for (int i = 0; i < kRingPoints; ++i) {
        const double pos = static_cast<double>(i) * m / kRingPoints;
        const int j = static_cast<int>(pos);
        const double frac = pos - j;
        const int j1 = std::min(j + 1, m - 1);
        row[0] = i;
        for (int k = 0; k < n; ++k) {
            const double a = revolution_[static_cast<std::size_t>(j) * n + k];
            const double b = revolution_[static_cast<std::size_t>(j1) * n + k];
            row[k + 1] = static_cast<int>(a + (b - a) * frac + 0.001);
        }
        writeRingRow(row, n + 1);
    }
}

void Measurer::writeRingRow(const int* values, int count) {
    const int cap = ringCapacity_.load(std::memory_order_relaxed);
    if (!ring_ || cap <= 0) return;
    const std::int64_t w = ringWrites_.load(std::memory_order_relaxed);
    std::int64_t pos = w % cap;
    for (int i = 0; i < count; ++i) {
        ring_[pos].store(values[i], std::memory_order_relaxed);
        if (++pos == cap) pos = 0;
    }
    ringWrites_.store(w + count, std::memory_order_release);
}

void Measurer::clearPeaks() {
    for (int k = 0; k < kMaxListed; ++k) peaks_[k] = 0;
}

void Measurer::notePeak(int k, int value) {
    if (k < 0 || k >= kMaxListed) return;
    const int a = value < 0 ? -value : value;
    if (a > peaks_[k]) {
        const int prev = previous_[k] < 0 ? -previous_[k] : previous_[k];
        if (a < 32767 || prev >= peaks_[k]) peaks_[k] = a;
    }
    previous_[k] = value;
}

// ---------------------------------------------------------------- injection

void Measurer::injectResults(int key) {
    const InjectRow* row = nullptr;
    if (key == 0) {
        row = &kRotationTable[injectCounter_ % 45];
        injectCounter_ = (injectCounter_ + 1) % 45;
    } else if (key >= 1 && key <= 9) {
        row = &kKeyTable[key];
    } else {
        return;
    }
    if (rotor == nullptr) return;
    const int channels = rotor->channelCount();
    for (int k = 0; k < channels; ++k) {
        const InjectPair p = k < kMaxListed ? row->pairs[k] : InjectPair{0.0, 0.0};
        int c = listedChannel(k);
        if (c < 0) c = k;
        rotor->addMeasureResult(p.amplitude, p.degrees * M_PI / 180.0, p.degrees, 100, c);
    }
}

// ---------------------------------------------------------------- ring read-out

int* Measurer::copySamples(int* points, int* valuesPerSample) const {
    const int rowValues = ringRowValues_.load(std::memory_order_acquire);
    const int cap = ringCapacity_.load(std::memory_order_acquire);
    std::int64_t w = ringWrites_.load(std::memory_order_acquire);
    if (!ring_ || cap <= 0 || rowValues <= 0) return nullptr;
    const int vps = inTestMode() ? 1 : 3;
    const std::int64_t n =
        std::min<std::int64_t>(static_cast<std::int64_t>(rowValues) * kRingPoints * vps, cap);
    if (vps == 3) {
        const std::int64_t block = static_cast<std::int64_t>(rowValues) * kRingPoints;
        w = w / block * block;
        if (w < n) return nullptr;
    }
    if (w <= 0) return nullptr;
    int* out = static_cast<int*>(std::calloc(static_cast<std::size_t>(n), sizeof(int)));
    if (out == nullptr) return nullptr;
    const std::int64_t m = std::min(n, w);
    for (std::int64_t i = 0; i < m; ++i) {
        const std::int64_t src = (w - m + i) % cap;
        out[n - m + i] = ring_[src].load(std::memory_order_relaxed);
    }
    if (points) *points = kRingPoints;
    if (valuesPerSample) *valuesPerSample = vps;
    return out;
}

int Measurer::copyBlock(std::vector<float> traces[16], int block) const {
    const int rowValues = ringRowValues_.load(std::memory_order_acquire);
    const int cap = ringCapacity_.load(std::memory_order_acquire);
    const std::int64_t w = ringWrites_.load(std::memory_order_acquire);
    if (!ring_ || cap <= 0 || rowValues <= 0 || block < 0 || traces == nullptr) return 0;
    const std::int64_t rows = w / rowValues;
    const std::int64_t capRows = cap / rowValues;
    const std::int64_t first = static_cast<std::int64_t>(block) * kRingPoints;
    if (first + kRingPoints > rows || first < rows - capRows) return 0;
    const int n = std::min(rowValues - 1, 16);
    for (int k = 0; k < n; ++k) {
        traces[k].resize(kRingPoints);
        for (int i = 0; i < kRingPoints; ++i) {
            const std::int64_t pos = ((first + i) * rowValues + 1 + k) % cap;
            traces[k][static_cast<std::size_t>(i)] =
                static_cast<float>(ring_[pos].load(std::memory_order_relaxed));
        }
    }
    return kRingPoints;
}
