// The measuring sessions' raw-sample path per sample: mark handling and the
// speed check, the peak rule, the revolution buffer with its resampling onto
// the display ring, and the rotor's revolution fit, for four listed channels
// (five values per sample with the mark column).

#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <vector>

#include "machine/api.h"
#include "machine/measurer.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"

namespace {

// No time passes: the benchmark measures the work, not the waits.
class NoWaitClock final : public Clock {
public:
    time_point now() const override { return time_point(std::chrono::milliseconds(ms_)); }
    void sleepFor(std::chrono::milliseconds ms) override { ms_ += ms.count(); }

private:
    std::int64_t ms_ = 0;
};

// A raw device: sine signals of four channels, a one-sample mark per turn.
class RawDevice final : public Api {
public:
    static constexpr int kPerTurn = 1000;
    static constexpr int kPerRead = 5000;

    explicit RawDevice(Clock& c) : Api(c) {
        for (int j = 0; j < kPerTurn; ++j)
            for (int k = 0; k < 4; ++k)
                table_[static_cast<std::size_t>(j * 4 + k)] = static_cast<int>(
                    std::lround((2000 + 500 * k) * std::sin(2 * M_PI * j / kPerTurn - 0.3 * (k + 1))));
    }
    bool getAngle(double* d) override {
        *d = 0;
        return true;
    }
    bool hasInverterError() override { return false; }
    bool isBlocked(std::uint32_t) override { return false; }
    int getErrorInfo(int*) override { return 0; }
    int defaultCalibrationStep() override { return 500; }
    double getSampleRate() override { return 18150.0; }
    bool setBooster(const int*) override { return true; }
    void setBrake(bool) override {}
    void setRelay(bool, int) override {}
    void setMiscParams(bool, int, int) override {}
    void startTraining() override {}
    bool setAccTime(int, int, int) override { return true; }
    bool setAccuracy(int, int, int) override { return true; }
    bool setInverterType(int, int) override { return true; }
    bool setSpeed(std::int16_t) override { return true; }
    bool startReading(const ReadRequest*) override { return true; }
    void stopReading() override {}
    bool readData() override {
        left_ = kPerRead;
        return true;
    }
    bool isMarkSample() override { return phase_ == 0; }
    int getSampleValue(int ch) override {
        return ch < 4 ? table_[static_cast<std::size_t>(phase_ * 4 + ch)] : 0;
    }
    bool nextSample() override {
        if (left_ <= 0) return false;
        --left_;
        if (++phase_ == kPerTurn) phase_ = 0;
        return true;
    }
    void onKey(int) override {}
    int getDemoParam() override { return 0; }
    const char* getVersionString() override { return "bench"; }
    void openLog(bool) override {}

private:
    std::vector<int> table_ = std::vector<int>(kPerTurn * 4);
    int phase_ = 0;
    int left_ = 0;
};

void BM_MeasurerRawPerSample(benchmark::State& state) {
    NoWaitClock clock;
    Config cfg;
    cfg.channels.resize(5);
    cfg.inverters.resize(2);
    cfg.measurementCycles = 3;
    Rotor rotor(&cfg);
    rotor.clearPlanes();
    for (int p = 1; p <= 4; ++p) {
        rotor.insertPlane(p);
        rotor.setPlaneChannels(p, static_cast<std::uint32_t>(p), 0);
    }
    RawDevice device(clock);
    std::atomic<bool> wake{false};
    Measurer ms(clock);
    ms.setDevice(&device, &wake);
    std::int64_t samples = 0;
    ms.pollHook = [&] { samples += RawDevice::kPerRead; };
    if (!ms.setup(cfg, &rotor, 7)) {
        state.SkipWithError("set-up refused");
        return;
    }
    for (auto _ : state) {
        rotor.startSession();
        ms.rotor = &rotor;
        ms.commandedSpeed.store(18150.0 * 60.0 / RawDevice::kPerTurn);
        ms.speedTolerance = 20.0;
        ms.testMode = 0;
        ms.status = 0;
        benchmark::DoNotOptimize(ms.measure());
    }
    state.SetItemsProcessed(samples);
}
BENCHMARK(BM_MeasurerRawPerSample)->Unit(benchmark::kMillisecond);

}  // namespace
