#pragma once
// Measuring sessions: the measuring part of the Machine.
//
// When the worker has brought the rotor to speed, `measure` sets each
// vibration channel's gain, reads the device's data revolution by revolution
// and hands every complete, valid session to the rotor (`addMeasureResult` for
// devices that deliver per-turn results, `processRevolution` for raw samples),
// calling the result callback once per accepted row; a session in whose raw
// samples the device saw a packet gap is dropped and measured again.  It also
// keeps a ring of raw sample rows for the signal display, read by the
// operator interface (`copySamples`, `copyBlock`) while the worker writes it.
//
// Channel list: the rotor's `usedChannels` in rotor order (plane order, first
// then second channel), each minus 1 (device channels count from 0),
// duplicates kept, at most four entries.  Every per-channel array of the rotor
// is indexed by position k in this list.
//
// Threads: everything runs on the machine worker except the read-outs marked
// "any thread", which only load atomics.  Time goes through the Clock.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "machine/api.h"
#include "machine/clock.h"
#include "machine/machine_codes.h"

class LoggerBase;
class Rotor;
struct Config;

class Measurer {
public:
    static constexpr int kDeviceChannels = 5;
    static constexpr int kMaxListed = 4;
    // Rows of the sample ring per revolution block: the resampling grid of a
    // revolution and the samples per block that the display reads.
    static constexpr int kRingPoints = 256;
    // The ring is made once at its largest size: rows of at most five values.
    static constexpr int kRingMaxRows = 18150;
    static constexpr int kRingMaxValues = kRingMaxRows * (kMaxListed + 1);
    static constexpr int kSessionsToSkip = 1;
    // Times a session is measured again after samples were lost in it.
    static constexpr int kCycleRepeats = 3;

    // Gain multiplier of a gain step (0-3): 1000, 100, 10, 1.
    static int gainMultiplier(int step);

    explicit Measurer(Clock& clock);
    ~Measurer();
    Measurer(const Measurer&) = delete;
    Measurer& operator=(const Measurer&) = delete;

    // ---- connection (set by the connect process) ----
    void setDevice(Api* device, std::atomic<bool>* cancelFlag) {
        api = device;
        cancel = cancelFlag;
    }
    Api* device() const { return api; }
    int fullScale = 32768;
    int maxRingSamples = 18150;
    // The Machine's two plane values (speed buffer size, speed period in ms)
    // and the copy last sent to the device in test mode.
    const std::atomic<int>* planeValues = nullptr;
    int sentPlaneValues[2] = {0, 0};

    // ---- set-up ----
    // Prepares a measurement of `rotor` for process `process`: channel list,
    // gains (level 0) sent to the device, sessions, revolutions before
    // measurement, filter board.  False (with a log line) when the rotor has
    // no channel, more than four, or a channel outside the settings' list,
    // and (status kDeviceError) when the device did not take the gains.
    bool setup(const Config& config, Rotor* rotor, int process);
    // Applies a booster level: 0 takes every channel's step and automatic-gain
    // flag from the settings, n > 0 sets all channels to step n - 1 with
    // automatic gain and the overflow stop off.  Sets the thresholds.
    void applyBooster(const Config& config, int level, int process, double commandedSpeed);
    // Sends the gain steps (log "set booster") and notes the booster time;
    // false (status kDeviceError) when the device did not take them.
    bool sendBooster();

    // ---- measuring ----
    // One measurement: returns the status (RunStatus kOk, kDeviceError or
    // kVibrationTooHigh).
    int measure();
    // Hands one row of the built-in results to the rotor (scale 100): key 0
    // takes the next row of the first table (wrapping after its last), keys
    // 1-9 that row of the second table.
    void injectResults(int key);

    // ---- values written by the worker before a measurement ----
    int status = RunStatus::kOk;
    bool externalDrive = false;
    bool localFlag = false;
    Rotor* rotor = nullptr;
    std::atomic<double> commandedSpeed{0.0};  // read by the interface's speed display
    double speedTolerance = 1.0;
    double toleranceFactor = 1.0;
    int testMode = 0;
    int revolutionsBefore = 12;
    int sessions = 5;
    bool filterBoard = false;
    bool overflowStop = false;
    bool increaseAllowed = false;
    bool externalPhasor = false;  // sent with changed plane values in test mode
    int reductionThreshold = 0;
    int increaseThreshold = 0;
    std::atomic<int> boosterLevel{0};  // -1: unknown (the interface asked for another)

    // Called once per iteration of the session loop (the Machine serves its
    // frequency request and refreshes its published values there).
    std::function<void()> pollHook;
    // Called once per accepted result row.
    std::function<void()> onResult;

    // ---- gains and channel list (any thread reads) ----
    int gainStep(int deviceChannel) const;
    bool autoGain(int deviceChannel) const;
    int listedCount() const { return channelCount_.load(std::memory_order_acquire); }
    // Device channel of list position k, or -1.
    int listedChannel(int k) const;
    // The speed measured in the running pass (0 outside), any thread.
    double speed() const { return speed_.load(std::memory_order_relaxed); }

    // ---- sample ring (any thread) ----
    // True while a test-mode measurement runs (rows are raw samples).
    bool inTestMode() const { return ringTestMode_.load(std::memory_order_acquire); }
    // Copies the newest `blocks` x kRingPoints rows (oldest first) into a
    // new malloc'ed buffer; see Machine::getSamples.  Null when nothing can
    // be copied.
    int* copySamples(int* points, int* valuesPerSample) const;
    // Copies ring block `block` (kRingPoints rows from the start of the
    // measurement) into traces[k] per listed channel; returns kRingPoints or 0
    // while the block is not (or no longer) in the ring.
    int copyBlock(std::vector<float> traces[16], int block) const;
    // Empties the ring (write count 0).
    void clearRing() { ringWrites_.store(0, std::memory_order_release); }
    std::int64_t ringWrites() const { return ringWrites_.load(std::memory_order_acquire); }
    int ringRowValues() const { return ringRowValues_.load(std::memory_order_acquire); }
    int ringCapacity() const { return ringCapacity_.load(std::memory_order_acquire); }

    void openLog(bool on);
    LoggerBase* log() const { return logger_; }

    // The peak rule for one sample of list position k (exposed for tests).
    void notePeak(int k, int value);
    int peak(int k) const { return (k >= 0 && k < kMaxListed) ? peaks_[k] : 0; }
    void clearPeaks();

    // Revolution step of one raw sample (exposed for the benchmark).
    void revolutionStep(bool markSeen, const int* values);
    // Starts the raw-sample state of a session.
    void resetRevolution();

private:
    bool cancelled() const;
    bool turnDataDevice() const;
    void prepareRing(int listed);
    void takeTurnResults();
    bool gainChangeNeeded() const;
    void adjustGains();
    void acquisitionPass();
    bool sessionLoop();
    void startCycle();
    bool repeatCycle();
    bool rawSamples();
    void writeRingRow(const int* values, int count);
    void appendRevolution();

    Clock& clock_;
    Api* api = nullptr;
    std::atomic<bool>* cancel = nullptr;
    LoggerBase* logger_ = nullptr;

    std::atomic<int> gainSteps_[kDeviceChannels] = {{0}, {0}, {0}, {0}, {0}};
    std::atomic<bool> autoGain_[kDeviceChannels] = {{false}, {false}, {false}, {false}, {false}};
    std::atomic<int> channels_[kMaxListed] = {{-1}, {-1}, {-1}, {-1}};
    std::atomic<int> channelCount_{0};
    int noIncreaseMask_ = 0;

    int peaks_[kMaxListed] = {0, 0, 0, 0};
    int previous_[kMaxListed] = {0, 0, 0, 0};

    Clock::time_point boosterTime_{};
    bool boosterTimeSet_ = false;
    int sessionCounter_ = 0;
    std::atomic<double> speed_{0.0};
    double samplesPerMinute_ = 0.0;
    bool done_ = false;
    bool abort_ = false;
    Clock::time_point sessionStart_{};
    int cycleGaps_ = 0;     // the device's packet gaps when the session (re)started
    int cycleRepeats_ = 0;  // times the session started again

    // Raw path.
    std::int64_t sampleCounter_ = 0;
    std::int64_t pendingMark_ = -1;
    std::int64_t previousMark_ = -1;
    double period_ = 0.0;
    bool inMark_ = false;
    int revolutions_ = 0;
    std::vector<std::int32_t> revolution_;  // interleaved samples of the present revolution
    int revSamples_ = 0;
    bool revStarted_ = false;
    TurnResults turnResults_;
    int process_ = 0;
    bool overflowConfigured_ = false;

    // Ring: made once at its largest size, kept until the Measurer ends.
    const std::unique_ptr<std::atomic<int>[]> ring_;
    std::atomic<std::int64_t> ringWrites_{0};
    std::atomic<int> ringRowValues_{1};
    std::atomic<int> ringCapacity_{0};
    std::atomic<bool> ringTestMode_{false};
    int testCounter_ = 0;

    int injectCounter_ = 0;
};
