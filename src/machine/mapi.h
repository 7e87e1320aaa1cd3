#pragma once
// The demonstration device: the `Api` used when no controller answers.
//
// It simulates a rotor whose speed follows the requested frequency with a
// linear ramp (the frequency value in 0.01 Hz is also returned as the speed),
// a phase mark once per simulated turn, sine-shaped channel signals and
// operator keys that inject faults and change values.  When the replay file
// (by default "mapi.dmp" in the working directory) exists at a reading start
// with recorded channels, it replays the raw samples recorded in it instead:
// little-endian u16 frames of nRecorded + 1 values (mark word first, then one
// signed 16-bit raw value per recorded channel), the layout of the sample
// buffers.  Per-turn results (`getData`) are five entries, one per device
// channel, each {1, 1200000 + a pseudo-random 0..32767, 177.0}, unless a test
// installs its own per-turn source.  Logger "api_m".

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "machine/api.h"

// The pseudo-random sequence of the demonstration device: the classic linear
// congruential generator with results 0..32767, the same on every platform.
class DemoRandom {
public:
    void seed(std::uint32_t s) { state_ = s; }
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

private:
    std::uint32_t state_ = 1;
};

class MApi : public Api {
public:
    static constexpr const char* kDefaultReplayPath = "mapi.dmp";
    static constexpr int kReplaySamplesPerRead = 2100;
    static constexpr int kReplayReadPeriodMs = 115;

    explicit MApi(Clock& clock, std::string replayPath = kDefaultReplayPath);
    ~MApi() override;

    bool getAngle(double* degrees) override;
    bool hasInverterError() override { return inverterError; }
    bool isBlocked(std::uint32_t) override { return false; }
    bool hasTurnData() override { return true; }
    int getErrorInfo(int* inverterType) override;
    int defaultCalibrationStep() override { return 500; }
    double getSpeed() override;
    bool setBooster(const int gains[5]) override;
    void setBrake(bool on) override;
    void setRelay(bool on, int relay) override;
    void setMiscParams(bool, int, int) override {}
    void startTraining() override;
    bool setAccTime(int accelerationMs, int decelerationMs, int rampType) override;
    bool setMotorParams(const MotorParams&) override { return false; }
    bool setAccuracy(int, int, int) override { return true; }
    int setCurrentInverter(int index, int phasor) override;
    bool setInverterType(int type, int busAddress) override;
    bool setSpeed(std::int16_t centiHz) override;
    bool startReading(const ReadRequest* request) override;
    void stopReading() override;
    bool getData(TurnResults* results) override;
    bool readData() override;
    bool isMarkSample() override;
    int getSampleValue(int channel) override;
    bool nextSample() override;
    void onKey(int key) override;
    int getDemoParam() override { return 66; }
    const char* getVersionString() override { return "Demo"; }
    bool isWelderActive() override { return welderActive; }
    int getWeldingProgress() override { return weldingProgress; }
    bool isFrezerActive() override { return frezerActive; }
    void openLog(bool on) override;
    bool isRpmReached() override { return true; }
    bool nextBuffer() override;

    const std::string& replayPath() const { return replayPath_; }
    // True while the running acquisition replays the file.
    bool replaying() const { return replay; }

    // Test seam: when set, each `getData` with a list takes the five per-turn
    // results (index = device channel) from this source instead of the
    // built-in constant ones.  Unset in the program.
    using TurnSource = std::function<void(std::array<TurnResult, 5>& results)>;
    void setTurnSource(TurnSource source) { turnSource_ = std::move(source); }

    // Present simulated values, for tests and diagnostics.
    double dacValue() const { return dac; }
    int periodSamples() const { return period; }
    int angleValue() const { return angle; }
    int multiplier(int index) const { return (index >= 0 && index < 5) ? multipliers[index] : 0; }
    int gain(int index) const { return (index >= 0 && index < 5) ? gains[index] : 0; }
    int readPeriodMs() const { return readPeriod; }

private:
    void setDac(double v);
    bool loadReplay();
    void endBatch();

    LoggerBase* logger = nullptr;
    int phase = 0;
    int period = 0;
    int angle = 0;
    int nWords = 0;
    int nCh = 0;
    double rate = 0.0;
    int readPeriod = 0;
    int sampleCount = 0;
    bool inverterError = false;
    bool welderActive = false;
    int weldingProgress = -1;
    bool frezerActive = false;
    int turnCounter = 0;
    bool spike = false;
    double dac = 0.0;
    int extraMarks = 0;
    Clock::time_point rampStart{};
    bool rampSet = false;
    int rampFrom = 0;
    int rampTo = 0;
    int rampMs = 2000;
    Clock::time_point lastRead{};
    int channels[5] = {0, 0, 0, 0, 0};
    int gains[5] = {0, 0, 0, 0, 0};
    int multipliers[5] = {1, 1, 1, 1, 1};
    int replayStart = 0;  // frame index of the first replayed frame

    // Replay state.
    bool replay = false;
    int frameSize = 0;   // values per frame
    int frameCount = 0;  // whole frames kept in the buffer
    int cursor = 0;      // frame index of the current sample
    bool freshReplay = false;  // the cursor still stands on the first frame to deliver

    DemoRandom random_;
    std::string replayPath_;
    TurnSource turnSource_;
};
