#pragma once
// High-level driver of the measuring controller.
//
// KWZUSB checks the connection, calls the request-slot layer (KWZUSBLayerT2)
// one or more times per operation, applies the controller's rules (inverter
// readiness, marker speed thresholds, gain and filter choice, acquisition
// mode), writes its dated logs and returns a bool.  One driver per process;
// its only user is the device API over the measuring controller.
//
// Logs (folder/"YYYY.MM.DD KWZUSB_LowLevel_Log.txt" and "... HighLevel ..."):
// the high-level log gets "[KWZUSB] <text>\n"; the layer's and the link's
// lines go to the low-level log as "[<source>] <text>\n".  Every error line
// is also handed to the error callback (from the caller's thread, or from the
// layer's worker for the worker's own errors).  A missing log folder is
// created, an empty folder means the working directory; a log that cannot be
// opened is reported through the error callback and stays silent, the
// driver works without it.
//
// Device-driven polls (inverter manager, motor-parameter commit, encoder
// training) are bounded by driverTiming().maxDevicePolls; every pause goes
// through DriverTiming.
//
// Threads: the operations are called from one thread at a time.
//
// Extending (balancing acquisition): the acquisition operations below are
// members of this class and are implemented in acquisition*.cpp.  They use the
// protected helpers: highInfo/highError for log lines, checkReady for the
// connection and mode gates, layerError for a failed layer call (it also
// clears `connected` when the layer lost the device), setInProgress for the
// ADC-in-progress flag, and layer() for register access.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "drivers/measuring/acquisition.h"
#include "drivers/common/driver_log_file.h"
#include "drivers/measuring/kwz_gain_rules.h"
#include "drivers/measuring/kwz_types.h"
#include "drivers/measuring/kwz_usb_layer.h"

namespace TamskKWZv2 {

// Decoded registers 100 and 101.
struct FirmwareVersionDate {
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t year = 0;
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
};
FirmwareVersionDate decodeFirmware(std::uint32_t version, std::uint32_t date);

class KWZUSB {
public:
    static constexpr const char* sourceName = "KWZUSB";
    using ErrorCallback = std::function<void(const char* source, const char* text)>;

    KWZUSB(std::function<void()> pollCallback, ErrorCallback errorCallback, const std::string& folder,
           std::uint32_t level);
    ~KWZUSB();
    KWZUSB(const KWZUSB&) = delete;
    KWZUSB& operator=(const KWZUSB&) = delete;

    bool connect();
    bool disconnect();  // always true
    bool isConnected() const { return connected_.load(std::memory_order_acquire); }

    // ---- firmware, inverter ----
    bool getFirmwareVersionDate(FirmwareVersionDate* out);
    bool getInvertorState(std::uint32_t& state);
    bool getInvertorInput(std::uint32_t& input);
    bool getInvertorManagerCountInvertors(std::uint32_t& count);
    bool setInvertorFrequency(double hz);
    bool setInvertorRampType(std::uint32_t type);
    bool setInvertorAcceleration(double seconds);
    bool setInvertorDeceleration(double seconds);
    bool setInvertorRelay(std::uint32_t relay);
    bool setInvertorManagerAddInvertor(std::uint32_t index, std::uint32_t type, std::uint32_t address);
    bool setInvertorManagerDeleteInvertor(std::uint32_t index);
    bool setInvertorManagerCurrentInvertor(std::uint32_t index, std::uint32_t& type, std::uint32_t& address);
    bool setInvertorMotorParameters(float powerKW, float voltage, float current, float frequency,
                                    std::uint32_t poles, std::uint32_t speed, std::uint32_t autoTuning,
                                    std::uint32_t invertorType);

    // ---- markers: index 0 marker 1, 1 marker 2 ----
    bool getMarkerOpticalSpeed(std::uint32_t index, double& rpm);
    bool getMarkerEncoderSpeed(std::uint32_t index, double& rpm);
    bool getMarkerEncoderAngleDeg(std::uint32_t index, double& degrees);
    bool getMarkerEncoderFullTurn(std::uint32_t index, std::uint32_t& counts);
    bool getMarkerEncoderTrainState(std::uint32_t index, std::uint32_t& state);
    bool setMarkerEncoderMarkerType(std::uint32_t index, std::uint32_t type);  // 1 optical, 0 encoder
    bool setMarkerEncoderTrainStart(std::uint32_t index);

    // ---- status, control, welder ----
    bool getStatus(std::uint32_t& status);
    bool setControl(std::uint16_t control);
    bool getWelderStatus(std::uint32_t& status);
    bool setWelderControl(std::uint16_t control);
    bool getWelderStatusFlag(std::uint32_t& flag);
    bool isWelderActive(std::uint32_t& active);
    bool getWeldingProgress(std::uint32_t& progress);
    bool restartWelder();
    bool setWelderBlock(bool blocked);

    // ---- acquisition set-up ----
    bool setADCMode(ADC_Mode mode, bool instFilter);
    bool getADCChannelGain(std::uint8_t& c1, std::uint8_t& c2, std::uint8_t& c3, std::uint8_t& c4,
                           std::uint8_t& c5);
    bool setADCChannelGainTestMode(std::uint8_t c1, std::uint8_t c2, std::uint8_t c3, std::uint8_t c4,
                                   std::uint8_t c5);
    bool setADCSampleRateTestMode(std::uint32_t rate);
    bool setADCStartConversionTestMode(std::uint32_t packetCount);

    // Channel-form gain control of one channel (1..5) from its samples: logs
    // the amplitude and applies the rule of kwz_gain_rules.h.
    bool calcAGC(std::uint8_t& code, const std::vector<double>& samples, unsigned channel);

    // ---- balancing acquisition (implemented in acquisition*.cpp) ----
    bool setADCStartConversionBalancingMode(double speed, std::uint32_t triggerSource,
                                            std::uint32_t countSignalPeriods, double* dataPeriodInterval);
    bool getADCDataBalancingMode(std::array<std::vector<double>, kAdcChannelCount>& traces,
                                 std::vector<double>& marker, std::vector<std::uint32_t>& markerIndices,
                                 std::array<ChannelResult, kAdcChannelCount>& results, GainReport& gains);
    bool getADCDataTestMode(std::array<std::vector<double>, kAdcChannelCount>& traces, std::vector<double>& marker,
                            std::array<double, kAdcChannelCount>& amplitudes, GainReport& gains);

    // ---- state ----
    ADC_Mode adcMode() const { return _ADCMode; }
    bool instFilter() const { return _instFilter; }
    bool adcInProgress() const { return adcInProgress_; }
    // Speed-threshold flags: [optical 0 / encoder 1][marker index].
    bool thresholdFlag(unsigned variant, unsigned index) const { return thresholds_[variant & 1][index & 1]; }
    // Marker types remembered for the life of the process (0 encoder, 1 optical).
    static std::uint32_t markerType(unsigned index);
    static void resetMarkerTypes();  // tests

    // Full paths of the two logs.
    const std::string& lowLevelLogPath() const { return lowPath_; }
    const std::string& highLevelLogPath() const { return highPath_; }
    bool lowLevelLogOpen() const { return lowLog_.isOpen(); }
    bool highLevelLogOpen() const { return highLog_.isOpen(); }

protected:
    KWZUSBLayerT2* layer() const { return layer_.get(); }
    void highInfo(const std::string& text);
    void highError(const std::string& text);
    // "<operation>(), <text>" lines.
    void opInfo(const char* operation, const std::string& text) { highInfo(std::string(operation) + "(), " + text); }
    void opError(const char* operation, const std::string& text) { highError(std::string(operation) + "(), " + text); }
    // False with "<operation>(), USB device not connected!" when not connected.
    bool checkConnected(const char* operation);
    // checkConnected plus the mode gate "<operation>(), _ADCMode != ADC_Mode::test|balancing".
    bool checkReady(const char* operation, ADC_Mode mode);
    // "<operation>(), <call>() return error!"; clears `connected` when the layer lost the device.
    void layerError(const char* operation, const char* call);
    void setInProgress(bool on) { adcInProgress_ = on; }

    ADC_Mode _ADCMode = ADC_Mode::test;
    bool _instFilter = false;

private:
    bool inverterPrelude(const char* operation);
    bool speedWithThreshold(const char* operation, std::uint32_t index, bool optical, double& rpm);
    bool managerPoll(const char* operation, bool add);
    bool pause(double ms);
    std::string logPath(const std::string& folder, const char* suffix) const;

    std::atomic<bool> connected_{false};
    ErrorCallback errorCallback_;
    drivers::DriverLogFile lowLog_;
    drivers::DriverLogFile highLog_;
    std::string lowPath_, highPath_;
    std::unique_ptr<KWZUSBLayerT2> layer_;
    bool adcInProgress_ = false;
    bool thresholds_[2][2] = {{false, false}, {false, false}};
};

}  // namespace TamskKWZv2
