#pragma once
// The device of the measuring controller (USB 0x2E91:0x7688) through its
// driver `KWZUSB`.
//
// `IApi` turns each `Api` operation into one or a few driver operations and
// writes a line into its own logger "api_i" for nearly every call.  The
// controller measures five vibration channels, reads the rotor's phase mark
// through an encoder or an optical sensor (two of each, chosen by the phasor
// input of `setCurrentInverter`) and manages up to four frequency inverters
// on a bus.
//
// Phasor input: 1 optical sensor of marker 1, 2 encoder of marker 1,
// 3 optical sensor of marker 2, 4 encoder of marker 2; -1 until the Machine
// selects an inverter.  The driver's marker index is 1 for phasors above 2,
// else 0; the marker type is optical unless the phasor is 2 or 4.  In a
// balancing conversion the phasor is also the driver's trigger source, so a
// drive "Without phasor" (0) cannot start one.
//
// `IApi` reaches the driver only through `IApiDriver`, the narrow interface
// of exactly the driver operations it calls; `createIApi` makes the real
// driver behind a thin adapter, tests hand in a scripted one.
//
// Every sleep and the factory's 10 s throttle go through the `Clock`.
// Failures are logged and become false, -1, 0, 0.0 or an error code; nothing
// throws.  Worker thread only; the driver's own worker may call the error
// sink of `createIApi`, which writes through its own short-lived logger.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "drivers/measuring/acquisition.h"
#include "drivers/measuring/kwz_types.h"
#include "machine/api.h"

class LoggerBase;

namespace TamskKWZv2 {
struct FirmwareVersionDate;
}

// The driver operations that `IApi` uses, with the driver's signatures.
class IApiDriver {
public:
    using Traces = std::array<std::vector<double>, TamskKWZv2::kAdcChannelCount>;
    using ChannelResults = std::array<TamskKWZv2::ChannelResult, TamskKWZv2::kAdcChannelCount>;
    using Amplitudes = std::array<double, TamskKWZv2::kAdcChannelCount>;

    virtual ~IApiDriver() = default;

    virtual bool connect() = 0;
    virtual bool disconnect() = 0;
    virtual bool getFirmwareVersionDate(TamskKWZv2::FirmwareVersionDate* out) = 0;

    // inverter and inverter manager
    virtual bool getInvertorState(std::uint32_t& state) = 0;
    virtual bool getInvertorInput(std::uint32_t& input) = 0;
    virtual bool getInvertorManagerCountInvertors(std::uint32_t& count) = 0;
    virtual bool setInvertorFrequency(double hz) = 0;
    virtual bool setInvertorRampType(std::uint32_t type) = 0;
    virtual bool setInvertorAcceleration(double seconds) = 0;
    virtual bool setInvertorDeceleration(double seconds) = 0;
    virtual bool setInvertorRelay(std::uint32_t relay) = 0;
    virtual bool setInvertorManagerAddInvertor(std::uint32_t index, std::uint32_t type,
                                               std::uint32_t address) = 0;
    virtual bool setInvertorManagerDeleteInvertor(std::uint32_t index) = 0;
    virtual bool setInvertorManagerCurrentInvertor(std::uint32_t index, std::uint32_t& type,
                                                   std::uint32_t& address) = 0;
    virtual bool setInvertorMotorParameters(float powerKW, float voltage, float current, float frequency,
                                            std::uint32_t poles, std::uint32_t speed,
                                            std::uint32_t autoTuning, std::uint32_t invertorType) = 0;

    // markers (index 0 marker 1, 1 marker 2)
    virtual bool getMarkerOpticalSpeed(std::uint32_t index, double& rpm) = 0;
    virtual bool getMarkerEncoderSpeed(std::uint32_t index, double& rpm) = 0;
    virtual bool getMarkerEncoderAngleDeg(std::uint32_t index, double& degrees) = 0;
    virtual bool getMarkerEncoderFullTurn(std::uint32_t index, std::uint32_t& counts) = 0;
    virtual bool getMarkerEncoderTrainState(std::uint32_t index, std::uint32_t& state) = 0;
    virtual bool setMarkerEncoderMarkerType(std::uint32_t index, std::uint32_t type) = 0;  // 1 optical
    virtual bool setMarkerEncoderTrainStart(std::uint32_t index) = 0;

    // control word and welder
    virtual bool setControl(std::uint16_t control) = 0;
    virtual bool getWelderStatusFlag(std::uint32_t& flag) = 0;
    virtual bool isWelderActive(std::uint32_t& active) = 0;
    virtual bool getWeldingProgress(std::uint32_t& progress) = 0;
    virtual bool restartWelder() = 0;
    virtual bool setWelderBlock(bool blocked) = 0;

    // acquisition
    virtual bool setADCMode(TamskKWZv2::ADC_Mode mode, bool instFilter) = 0;
    virtual bool getADCChannelGain(std::uint8_t& c1, std::uint8_t& c2, std::uint8_t& c3, std::uint8_t& c4,
                                   std::uint8_t& c5) = 0;
    virtual bool setADCChannelGainTestMode(std::uint8_t c1, std::uint8_t c2, std::uint8_t c3, std::uint8_t c4,
                                           std::uint8_t c5) = 0;
    virtual bool setADCSampleRateTestMode(std::uint32_t rate) = 0;
    virtual bool setADCStartConversionTestMode(std::uint32_t packetCount) = 0;
    virtual bool setADCStartConversionBalancingMode(double speed, std::uint32_t triggerSource,
                                                    std::uint32_t countSignalPeriods,
                                                    double* dataPeriodInterval) = 0;
    virtual bool getADCDataBalancingMode(Traces& traces, std::vector<double>& marker,
                                         std::vector<std::uint32_t>& markerIndices, ChannelResults& results,
                                         TamskKWZv2::GainReport& gains) = 0;
    virtual bool getADCDataTestMode(Traces& traces, std::vector<double>& marker, Amplitudes& amplitudes,
                                    TamskKWZv2::GainReport& gains) = 0;

    // The real driver behind this interface, null for a stand-in.
    virtual TamskKWZv2::KWZUSB* kwz() { return nullptr; }
};

// The real driver behind `IApiDriver`: constructs `KWZUSB` with the callbacks,
// the log folder and level 3, and forwards every operation.
std::unique_ptr<IApiDriver> makeKwzIApiDriver(std::function<void()> pollCallback,
                                              std::function<void(const char*, const char*)> errorCallback,
                                              const std::string& folder);

class IApi : public Api {
public:
    static constexpr int kMaxSpeedBuffer = 10000;
    static constexpr int kTrainingAttempts = 7;
    static constexpr int kTrainingPolls = 100;
    static constexpr std::uint32_t kTrainingReadyState = 0x80000007u;
    static constexpr double kMinOpticalTrainingRpm = 0.1;

    // Takes over a connected driver and a logger for "api_i" (null: none;
    // `openLog(true)` makes one).  The version text is the firmware banner.
    IApi(Clock& clock, std::unique_ptr<IApiDriver> driver, std::string version, LoggerBase* logger);
    ~IApi() override;

    // The Machine's cancel flag: training gives up when it is set.
    void setCancelFlag(const std::atomic<bool>* cancel) { cancelFlag = cancel; }

    bool getAngle(double* degrees) override;
    bool hasInverterError() override;
    bool isBlocked(std::uint32_t externalInputConfig) override;
    bool isConnected() override;
    bool hasTurnData() override { return true; }
    int getErrorInfo(int* inverterType) override;
    int defaultCalibrationStep() override { return 1000; }
    double getSpeed() override;
    bool setBooster(const int gains[5]) override;
    int getChannelGain(int channel) override;
    void setBrake(bool on) override;
    void setRelay(bool on, int relay) override;
    void setMiscParams(bool belt, int speedBufferSize, int speedPeriod) override;
    bool needsTrain() override;
    void startTraining() override;
    bool setAccTime(int accelerationMs, int decelerationMs, int rampType) override;
    bool setMotorParams(const MotorParams& params) override;
    bool setAccuracy(int, int, int) override { return true; }
    bool setInverters(const std::vector<InverterEntry>& list) override;
    int setCurrentInverter(int index, int phasor) override;
    bool setInverterType(int, int) override { return true; }
    int getTurnScale() override;
    bool setSpeed(std::int16_t centiHz) override;
    bool startReading(const ReadRequest* request) override;
    void stopReading() override;
    bool getData(TurnResults* results) override;
    bool isMarkSample() override;
    int getSampleValue(int channel) override;
    bool nextSample() override;
    bool hasRecentDataGap() override { return false; }
    void resetPacketCounter() override { previousPacket = -1; }
    void onKey(int) override {}
    int getDemoParam() override { return 0; }
    const char* getVersionString() override { return version.c_str(); }
    bool getWelderStatusFlag() override;
    TamskKWZv2::KWZUSB* getDriver() override { return driver ? driver->kwz() : nullptr; }
    void restartWelder() override;
    bool isWelderActive() override;
    int getWeldingProgress() override;
    bool setUpdateMode() override;
    void openLog(bool on) override;
    bool isRpmReached() override;

    // Driver arguments of a phasor input.
    static std::uint32_t markerIndexOf(int phasor) { return phasor > 2 ? 1u : 0u; }
    static bool isOpticalPhasor(int phasor) { return phasor != 2 && phasor != 4; }

    // Read access for diagnostics and tests.
    int phasorInput() const { return phasor; }
    int currentInverterType() const { return inverterType; }
    bool inTestMode() const { return testMode; }
    bool angleIsValid() const { return angleValid; }
    bool speedWasSet() const { return speedSet; }
    double dataPeriodMs() const { return turnScale; }
    int speedBufferLength() const { return speedBufferSize; }
    int speedPeriodMs() const { return speedPeriod; }
    std::uint32_t requestValue() const { return requestExtra; }
    int channelTableEntries() const { return tableEntries; }
    int channelTableEntry(int i) const { return i >= 0 && i < tableEntries ? channelTable[i] : 0; }
    std::size_t rawSampleCount() const { return channelData[0].size(); }
    std::size_t lastTurnCount() const { return turns.size(); }

private:
    std::uint32_t markerIndex() const { return markerIndexOf(phasor); }
    bool inverterCheck();
    double averageSpeed(double reading);
    bool restartConversion();
    int currentSample() const { return sampleCursor - 1; }
    bool cancelled() const { return cancelFlag != nullptr && cancelFlag->load(std::memory_order_acquire); }
    void trainingAttempts();

    std::unique_ptr<IApiDriver> driver;
    std::string version;
    int inverterType = 0;
    LoggerBase* logger = nullptr;
    int errorCode = 0;
    std::vector<double> speedBuffer;
    int speedIndex = 0;
    int speedBufferSize = 0;
    int speedPeriod = 0;
    double lastTurnReading = 0.0;
    bool testMode = false;
    bool adcTestMode = true;  // the driver's ADC mode (it starts in test mode)
    bool angleValid = true;
    int phasor = -1;
    int sampleCursor = 0;
    IApiDriver::Traces channelData;
    std::vector<double> markerData;
    std::vector<std::uint32_t> turns;
    bool speedSet = false;
    std::uint32_t extConfig = 0;
    int channelTable[kMaxChannels] = {0, 0, 0, 0, 0};
    int tableEntries = 0;
    int gains[kMaxChannels] = {0, 0, 0, 0, 0};
    bool nonZeroSpeed = false;
    std::uint32_t requestExtra = 0;
    double turnScale = 0.0;
    bool welderAnswer = false;  // the previous answer of isWelderActive
    const std::atomic<bool>* cancelFlag = nullptr;
    // Per-fetch results of the driver, reused from fetch to fetch.
    IApiDriver::ChannelResults fetchResults{};
    IApiDriver::Amplitudes fetchAmplitudes{};
};

// What `createIApi` builds on; every member may be left empty for the real
// thing.
struct IApiEnvironment {
    // Makes the driver with the poll callback, the error sink and the log
    // folder (default: the real `KWZUSB`).
    std::function<std::unique_ptr<IApiDriver>(std::function<void()> pollCallback,
                                              std::function<void(const char*, const char*)> errorCallback,
                                              const std::string& folder)>
        makeDriver;
    // Makes a closed logger of the given name (default: createLogger).
    std::function<LoggerBase*(const char* name)> makeLogger;
    // The Machine's cancel flag, handed to the device (see IApi::setCancelFlag).
    const std::atomic<bool>* cancel = nullptr;
};

// Connects to the measuring controller: at most one attempt every 10 s (any
// call counts), null when the attempt is refused, the controller does not
// connect or its firmware version cannot be read.  Logger "api".
IApi* createIApi(Clock& clock, const IApiEnvironment& environment = {});

// Forgets the previous attempt of createIApi (tests, an explicit reconnect).
void resetCreateIApiThrottle();

// The firmware banner "KWZ major.minor.build DD.MM.YYYY".
std::string iapiVersionText(const TamskKWZv2::FirmwareVersionDate& f);
