#pragma once
// A device handle for Machine tests.
//
// Hooks run on the worker, inside the call: `onSetSpeed` (before the
// frequency is forwarded), `onGetData` (false: the fetch fails without
// reaching the device), `angle` (replaces getAngle's answer; none: the read fails).
//
// The Machine owns and deletes its device; tests want to read the calls the
// device saw after the Machine let go of it.  `ApiHandle` is the `Api` the
// Machine gets: it forwards every operation to a device the test owns (a
// `FakeApi`, or a demo device behind one) and counts its own deletion.  Three
// answers can be overridden from the test thread while the worker runs:
// `isConnected`, `getErrorInfo` (code and inverter type) and `getChannelGain`.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "machine/api.h"

class ApiHandle : public Api {
public:
    ApiHandle(Clock& clock, Api& device, std::atomic<int>* deletions = nullptr)
        : Api(clock), device_(device), deletions_(deletions) {}
    ~ApiHandle() override {
        if (deletions_) deletions_->fetch_add(1);
    }

    // -1: forward; else the answer.
    std::atomic<int> connected{-1};
    std::atomic<int> errorCode{-1};
    std::atomic<int> inverterType{0};
    std::atomic<int> channelGain{-2};  // -2: forward
    std::atomic<int> blocked{-1};      // -1: forward
    std::function<void(std::int16_t)> onSetSpeed;
    std::function<bool()> onGetData;
    std::function<std::optional<double>()> angle;

    // Receives the virtual time (ms) of the first isConnected call.
    std::atomic<std::int64_t>* firstCheckMs = nullptr;

    bool isConnected() override {
        if (firstCheckMs) {
            std::int64_t expected = -1;
            firstCheckMs->compare_exchange_strong(
                expected,
                std::chrono::duration_cast<std::chrono::milliseconds>(clock().now().time_since_epoch())
                    .count());
        }
        const bool forwarded = device_.isConnected();
        const int c = connected.load();
        return c < 0 ? forwarded : c != 0;
    }
    int getErrorInfo(int* type) override {
        const int forwarded = device_.getErrorInfo(type);
        const int e = errorCode.load();
        if (e < 0) return forwarded;
        if (type) *type = inverterType.load();
        return e;
    }
    int getChannelGain(int channel) override {
        const int forwarded = device_.getChannelGain(channel);
        const int g = channelGain.load();
        return g == -2 ? forwarded : g;
    }
    bool getAngle(double* degrees) override {
        const bool ok = device_.getAngle(degrees);
        if (!angle) return ok;
        const std::optional<double> a = angle();
        if (a && degrees) *degrees = *a;
        return a.has_value();
    }
    bool hasInverterError() override { return device_.hasInverterError(); }
    bool isBlocked(std::uint32_t externalInputConfig) override {
        const bool forwarded = device_.isBlocked(externalInputConfig);
        const int b = blocked.load();
        return b < 0 ? forwarded : b != 0;
    }
    bool hasTurnData() override { return device_.hasTurnData(); }
    int defaultCalibrationStep() override { return device_.defaultCalibrationStep(); }
    double getSampleRate() override { return device_.getSampleRate(); }
    double getSpeed() override { return device_.getSpeed(); }
    bool setBooster(const int gains[5]) override { return device_.setBooster(gains); }
    void setBrake(bool on) override { device_.setBrake(on); }
    void setRelay(bool on, int relay) override { device_.setRelay(on, relay); }
    bool reserved14() override { return device_.reserved14(); }
    void setMiscParams(bool belt, int speedBufferSize, int speedPeriod) override {
        device_.setMiscParams(belt, speedBufferSize, speedPeriod);
    }
    bool needsTrain() override { return device_.needsTrain(); }
    void startTraining() override { device_.startTraining(); }
    bool setAccTime(int accelerationMs, int decelerationMs, int rampType) override {
        return device_.setAccTime(accelerationMs, decelerationMs, rampType);
    }
    bool setMotorParams(const MotorParams& params) override { return device_.setMotorParams(params); }
    bool setAccuracy(int a, int b, int c) override { return device_.setAccuracy(a, b, c); }
    bool setInverters(const std::vector<InverterEntry>& list) override { return device_.setInverters(list); }
    int setCurrentInverter(int index, int phasor) override {
        return device_.setCurrentInverter(index, phasor);
    }
    bool setInverterType(int type, int address) override { return device_.setInverterType(type, address); }
    int getTurnScale() override { return device_.getTurnScale(); }
    bool setSpeed(std::int16_t centiHz) override {
        if (onSetSpeed) onSetSpeed(centiHz);
        return device_.setSpeed(centiHz);
    }
    bool startReading(const ReadRequest* request) override { return device_.startReading(request); }
    void stopReading() override { device_.stopReading(); }
    bool getData(TurnResults* results) override {
        if (onGetData && !onGetData()) return false;
        return device_.getData(results);
    }
    bool readData() override { return device_.readData(); }
    bool isMarkSample() override { return device_.isMarkSample(); }
    int getSampleValue(int channel) override { return device_.getSampleValue(channel); }
    bool nextSample() override { return device_.nextSample(); }
    bool hasRecentDataGap() override { return device_.hasRecentDataGap(); }
    void resetPacketCounter() override { device_.resetPacketCounter(); }
    void onKey(int key) override { device_.onKey(key); }
    int getDemoParam() override { return device_.getDemoParam(); }
    const char* getVersionString() override { return device_.getVersionString(); }
    bool getWelderStatusFlag() override { return device_.getWelderStatusFlag(); }
    TamskKWZv2::KWZUSB* getDriver() override { return device_.getDriver(); }
    void restartWelder() override { device_.restartWelder(); }
    bool isWelderActive() override { return device_.isWelderActive(); }
    int getWeldingProgress() override { return device_.getWeldingProgress(); }
    bool isFrezerActive() override { return device_.isFrezerActive(); }
    bool setUpdateMode() override { return device_.setUpdateMode(); }
    void openLog(bool on) override { device_.openLog(on); }
    bool isRpmReached() override { return device_.isRpmReached(); }
    bool saveBuffer(std::FILE* f) override { return device_.saveBuffer(f); }
    bool nextBuffer() override { return device_.nextBuffer(); }

private:
    Api& device_;
    std::atomic<int>* deletions_;
};
