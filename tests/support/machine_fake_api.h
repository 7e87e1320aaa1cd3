#pragma once
// A scriptable `Api` for machine-control tests.
//
// Every operation is recorded in `calls` as (operation name, numeric
// arguments).  Results come from per-operation queues (`script`, one value per
// call, in order) and fall back to a fixed value per operation (`setValue`),
// else to the interface's base result.  Out-values: "getAngle.out" (degrees)
// and "getErrorInfo.out" (inverter type).  Per-turn results come from
// `turnBatches` (one list per `getData`), raw samples from `rawBatches` (one
// batch per `readData`).  In forwarding mode (a device given at
// construction) every call is recorded and then passed to that device, whose
// result is returned unchanged.

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "machine/api.h"

struct ApiCall {
    std::string op;
    std::vector<double> args;
};

class FakeApi : public Api {
public:
    explicit FakeApi(Clock& clock, Api* forward = nullptr) : Api(clock), forward_(forward) {}

    // Scripted results.
    void script(const std::string& op, std::vector<double> values);
    void setValue(const std::string& op, double value) { fixed_[op] = value; }
    void clearScripts() {
        queues_.clear();
        fixed_.clear();
    }

    std::vector<ApiCall> calls;
    int count(const std::string& op) const;
    std::vector<ApiCall> callsOf(const std::string& op) const;
    // Names of the recorded calls, in order.
    std::vector<std::string> names() const;

    struct Sample {
        bool mark = false;
        int values[5] = {0, 0, 0, 0, 0};
    };
    std::deque<TurnResults> turnBatches;
    std::deque<std::vector<Sample>> rawBatches;
    std::string version = "Fake";
    ReadRequest lastRequest{};
    std::vector<int> lastTable;
    int gains[5] = {0, 0, 0, 0, 0};

    // Optional hooks evaluated instead of the scripts (a motor model, say).
    std::function<double()> speedHook;
    std::function<bool(std::int16_t)> setSpeedHook;
    std::function<void(std::vector<Sample>& batch)> rawHook;  // fills each readData batch
    std::function<bool()> inverterErrorHook;
    // When set, every change of this value seen at a call is kept in `states`
    // (the machine states a drive control publishes, in order).
    std::atomic<int>* watchState = nullptr;
    // False: the per-sample calls (nextSample, isMarkSample, getSampleValue)
    // are not kept in `calls` (long raw-sample runs).
    bool recordSamples = true;
    std::vector<int> states;

    bool getAngle(double* degrees) override;
    bool hasInverterError() override;
    bool isBlocked(std::uint32_t config) override;
    bool isConnected() override;
    bool hasTurnData() override;
    int getErrorInfo(int* inverterType) override;
    int defaultCalibrationStep() override;
    double getSampleRate() override;
    double getSpeed() override;
    bool setBooster(const int g[5]) override;
    int getChannelGain(int channel) override;
    void setBrake(bool on) override;
    void setRelay(bool on, int relay) override;
    bool reserved14() override;
    void setMiscParams(bool belt, int size, int period) override;
    bool needsTrain() override;
    void startTraining() override;
    bool setAccTime(int acc, int dec, int type) override;
    bool setMotorParams(const MotorParams& p) override;
    bool setAccuracy(int a, int b, int c) override;
    bool setInverters(const std::vector<InverterEntry>& list) override;
    int setCurrentInverter(int index, int phasor) override;
    bool setInverterType(int type, int address) override;
    int getTurnScale() override;
    bool setSpeed(std::int16_t centiHz) override;
    bool startReading(const ReadRequest* request) override;
    void stopReading() override;
    bool getData(TurnResults* results) override;
    bool readData() override;
    bool isMarkSample() override;
    int getSampleValue(int channel) override;
    bool nextSample() override;
    bool hasRecentDataGap() override;
    void resetPacketCounter() override;
    void onKey(int key) override;
    int getDemoParam() override;
    const char* getVersionString() override;
    bool getWelderStatusFlag() override;
    TamskKWZv2::KWZUSB* getDriver() override;
    void restartWelder() override;
    bool isWelderActive() override;
    int getWeldingProgress() override;
    bool isFrezerActive() override;
    bool setUpdateMode() override;
    void openLog(bool on) override;
    bool isRpmReached() override;
    bool saveBuffer(std::FILE* f) override;
    bool nextBuffer() override;

private:
    void record(const char* op, std::vector<double> args = {});
    double take(const std::string& op, double fallback);

    Api* forward_;
    std::map<std::string, std::deque<double>> queues_;
    std::map<std::string, double> fixed_;
    std::vector<Sample> batch_;
    int cursor_ = -1;
};
