#pragma once
// Test doubles for the measuring-controller device IApi.
//
// FakeKwz is a scripted stand-in for the driver operations IApi calls: every
// call is journaled as "name(arguments)" with the virtual time of the call;
// results and read values come from the script (queues first, then the
// standing values).  FakeKwz owns the script and the journal and outlives the
// driver object (FakeKwzDriver) that IApi owns and deletes.
//
// LogBook collects the lines of the loggers made through it (CaptureLogger):
// "name: text", recorded only while the logger is open, like a file logger.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "drivers/measuring/kwz_usb.h"
#include "files/logger.h"
#include "machine/iapi.h"

namespace iapitest {

class LogBook {
public:
    LoggerBase* make(const char* name);
    std::function<LoggerBase*(const char*)> factory() {
        return [this](const char* name) { return make(name); };
    }

    std::vector<std::string> lines() const;
    // Lines of one logger, without the name prefix.
    std::vector<std::string> linesOf(const std::string& name) const;
    bool has(const std::string& name, const std::string& text) const;
    int count(const std::string& name, const std::string& text) const;
    int made(const std::string& name) const;
    int deleted(const std::string& name) const;
    void clear();

    // Used by CaptureLogger.
    void add(const std::string& name, const std::string& text);
    void noteDeleted(const std::string& name);

private:
    mutable std::mutex m_;
    std::vector<std::pair<std::string, std::string>> lines_;
    std::map<std::string, int> made_, deleted_;
};

class CaptureLogger final : public LoggerBase {
public:
    CaptureLogger(LogBook& book, std::string name) : book_(book), name_(std::move(name)) {}
    ~CaptureLogger() override { book_.noteDeleted(name_); }
    void write(const char* fmt, va_list args) override;
    void open(bool on) override { open_ = on; }
    bool isOpen() const { return open_; }

private:
    LogBook& book_;
    std::string name_;
    bool open_ = false;
};

struct FakeKwz {
    explicit FakeKwz(const Clock* clock = nullptr) : clock(clock) {}

    // ---- journal ----
    struct Call {
        std::string text;
        std::int64_t ms;
    };
    std::vector<Call> journal;
    std::vector<std::string> calls() const;
    // Calls whose text starts with `prefix`.
    std::vector<std::string> callsOf(const std::string& prefix) const;
    int countOf(const std::string& prefix) const;
    // Virtual time (ms) of the n-th call (0-based) starting with `prefix`, -1 none.
    std::int64_t timeOf(const std::string& prefix, int n = 0) const;
    void clear() { journal.clear(); }

    // ---- script ----
    // The next `times` calls of the operation fail (-1: every call).
    void fail(const std::string& op, int times = -1) { failures[op] = times; }
    void succeed(const std::string& op) { failures.erase(op); }
    // Called after every journaled call (the operation name is passed).
    std::function<void(const std::string& op)> onCall;

    bool connectResult = true;
    TamskKWZv2::FirmwareVersionDate firmware{6, 2, 345, 2026, 12, 7, 9, 30};
    std::deque<std::uint32_t> states;  // answered first, one per read
    std::uint32_t state = 0x80000007u;
    std::uint32_t input = 0xFFFFFFFFu;
    std::uint32_t inverterCount = 0;
    std::uint32_t currentType = 4, currentAddress = 11;
    std::deque<double> opticalSpeeds, encoderSpeeds;
    double opticalSpeed = 0.0, encoderSpeed = 0.0;
    double angle = 0.0;
    std::uint32_t fullTurn = 0, trainState = 0;
    std::uint32_t welderFlag = 0, welderActive = 0, weldingProgress = 0;
    std::array<std::uint8_t, 5> gainCodes{};
    double dataPeriod = 0.0;  // written through the interval pointer of a balancing start
    // Data of the fetches.
    IApiDriver::Traces traces;
    std::vector<double> marker;
    std::vector<std::uint32_t> markerIndices;
    IApiDriver::ChannelResults results{};
    IApiDriver::Amplitudes amplitudes{};

    bool driverDeleted = false;

    // Journals a call; returns its scripted result.
    bool record(const std::string& op, const std::string& args);

    const Clock* clock;
    std::map<std::string, int> failures;
};

class FakeKwzDriver final : public IApiDriver {
public:
    explicit FakeKwzDriver(FakeKwz& s) : s_(s) {}
    ~FakeKwzDriver() override { s_.driverDeleted = true; }

    bool connect() override;
    bool disconnect() override;
    bool getFirmwareVersionDate(TamskKWZv2::FirmwareVersionDate* out) override;
    bool getInvertorState(std::uint32_t& state) override;
    bool getInvertorInput(std::uint32_t& input) override;
    bool getInvertorManagerCountInvertors(std::uint32_t& count) override;
    bool setInvertorFrequency(double hz) override;
    bool setInvertorRampType(std::uint32_t type) override;
    bool setInvertorAcceleration(double seconds) override;
    bool setInvertorDeceleration(double seconds) override;
    bool setInvertorRelay(std::uint32_t relay) override;
    bool setInvertorManagerAddInvertor(std::uint32_t index, std::uint32_t type,
                                       std::uint32_t address) override;
    bool setInvertorManagerDeleteInvertor(std::uint32_t index) override;
    bool setInvertorManagerCurrentInvertor(std::uint32_t index, std::uint32_t& type,
                                           std::uint32_t& address) override;
    bool setInvertorMotorParameters(float powerKW, float voltage, float current, float frequency,
                                    std::uint32_t poles, std::uint32_t speed, std::uint32_t autoTuning,
                                    std::uint32_t invertorType) override;
    bool getMarkerOpticalSpeed(std::uint32_t index, double& rpm) override;
    bool getMarkerEncoderSpeed(std::uint32_t index, double& rpm) override;
    bool getMarkerEncoderAngleDeg(std::uint32_t index, double& degrees) override;
    bool getMarkerEncoderFullTurn(std::uint32_t index, std::uint32_t& counts) override;
    bool getMarkerEncoderTrainState(std::uint32_t index, std::uint32_t& state) override;
    bool setMarkerEncoderMarkerType(std::uint32_t index, std::uint32_t type) override;
    bool setMarkerEncoderTrainStart(std::uint32_t index) override;
    bool setControl(std::uint16_t control) override;
    bool getWelderStatusFlag(std::uint32_t& flag) override;
    bool isWelderActive(std::uint32_t& active) override;
    bool getWeldingProgress(std::uint32_t& progress) override;
    bool restartWelder() override;
    bool setWelderBlock(bool blocked) override;
    bool setADCMode(TamskKWZv2::ADC_Mode mode, bool instFilter) override;
    bool getADCChannelGain(std::uint8_t& c1, std::uint8_t& c2, std::uint8_t& c3, std::uint8_t& c4,
                           std::uint8_t& c5) override;
    bool setADCChannelGainTestMode(std::uint8_t c1, std::uint8_t c2, std::uint8_t c3, std::uint8_t c4,
                                   std::uint8_t c5) override;
    bool setADCSampleRateTestMode(std::uint32_t rate) override;
    bool setADCStartConversionTestMode(std::uint32_t packetCount) override;
    bool setADCStartConversionBalancingMode(double speed, std::uint32_t triggerSource,
                                            std::uint32_t countSignalPeriods,
                                            double* dataPeriodInterval) override;
    bool getADCDataBalancingMode(Traces& traces, std::vector<double>& marker,
                                 std::vector<std::uint32_t>& markerIndices, ChannelResults& results,
                                 TamskKWZv2::GainReport& gains) override;
    bool getADCDataTestMode(Traces& traces, std::vector<double>& marker, Amplitudes& amplitudes,
                            TamskKWZv2::GainReport& gains) override;

private:
    FakeKwz& s_;
};

}  // namespace iapitest
