// The real measuring-controller driver behind IApiDriver.

#include <utility>

#include "drivers/measuring/kwz_usb.h"
#include "machine/iapi.h"

namespace {

using TamskKWZv2::KWZUSB;

// Log level of the driver's dated logs: everything.
constexpr std::uint32_t kDriverLogLevel = 3;

class KwzIApiDriver final : public IApiDriver {
public:
    KwzIApiDriver(std::function<void()> poll, std::function<void(const char*, const char*)> error,
                  const std::string& folder)
        : d_(std::move(poll), std::move(error), folder, kDriverLogLevel) {}

    bool connect() override { return d_.connect(); }
    bool disconnect() override { return d_.disconnect(); }
    bool getFirmwareVersionDate(TamskKWZv2::FirmwareVersionDate* out) override {
        return d_.getFirmwareVersionDate(out);
    }

    bool getInvertorState(std::uint32_t& state) override { return d_.getInvertorState(state); }
    bool getInvertorInput(std::uint32_t& input) override { return d_.getInvertorInput(input); }
    bool getInvertorManagerCountInvertors(std::uint32_t& count) override {
        return d_.getInvertorManagerCountInvertors(count);
    }
    bool setInvertorFrequency(double hz) override { return d_.setInvertorFrequency(hz); }
    bool setInvertorRampType(std::uint32_t type) override { return d_.setInvertorRampType(type); }
    bool setInvertorAcceleration(double s) override { return d_.setInvertorAcceleration(s); }
    bool setInvertorDeceleration(double s) override { return d_.setInvertorDeceleration(s); }
    bool setInvertorRelay(std::uint32_t relay) override { return d_.setInvertorRelay(relay); }
    bool setInvertorManagerAddInvertor(std::uint32_t index, std::uint32_t type,
                                       std::uint32_t address) override {
        return d_.setInvertorManagerAddInvertor(index, type, address);
    }
    bool setInvertorManagerDeleteInvertor(std::uint32_t index) override {
        return d_.setInvertorManagerDeleteInvertor(index);
    }
    bool setInvertorManagerCurrentInvertor(std::uint32_t index, std::uint32_t& type,
                                           std::uint32_t& address) override {
        return d_.setInvertorManagerCurrentInvertor(index, type, address);
    }
    bool setInvertorMotorParameters(float power, float voltage, float current, float frequency,
                                    std::uint32_t poles, std::uint32_t speed, std::uint32_t autoTuning,
                                    std::uint32_t type) override {
        return d_.setInvertorMotorParameters(power, voltage, current, frequency, poles, speed, autoTuning,
                                             type);
    }

    bool getMarkerOpticalSpeed(std::uint32_t index, double& rpm) override {
        return d_.getMarkerOpticalSpeed(index, rpm);
    }
    bool getMarkerEncoderSpeed(std::uint32_t index, double& rpm) override {
        return d_.getMarkerEncoderSpeed(index, rpm);
    }
    bool getMarkerEncoderAngleDeg(std::uint32_t index, double& deg) override {
        return d_.getMarkerEncoderAngleDeg(index, deg);
    }
    bool getMarkerEncoderFullTurn(std::uint32_t index, std::uint32_t& counts) override {
        return d_.getMarkerEncoderFullTurn(index, counts);
    }
    bool getMarkerEncoderTrainState(std::uint32_t index, std::uint32_t& state) override {
        return d_.getMarkerEncoderTrainState(index, state);
    }
    bool setMarkerEncoderMarkerType(std::uint32_t index, std::uint32_t type) override {
        return d_.setMarkerEncoderMarkerType(index, type);
    }
    bool setMarkerEncoderTrainStart(std::uint32_t index) override {
        return d_.setMarkerEncoderTrainStart(index);
    }

    bool setControl(std::uint16_t control) override { return d_.setControl(control); }
    bool getWelderStatusFlag(std::uint32_t& flag) override { return d_.getWelderStatusFlag(flag); }
    bool isWelderActive(std::uint32_t& active) override { return d_.isWelderActive(active); }
    bool getWeldingProgress(std::uint32_t& progress) override { return d_.getWeldingProgress(progress); }
    bool restartWelder() override { return d_.restartWelder(); }
    bool setWelderBlock(bool blocked) override { return d_.setWelderBlock(blocked); }

    bool setADCMode(TamskKWZv2::ADC_Mode mode, bool instFilter) override {
        return d_.setADCMode(mode, instFilter);
    }
    bool getADCChannelGain(std::uint8_t& c1, std::uint8_t& c2, std::uint8_t& c3, std::uint8_t& c4,
                           std::uint8_t& c5) override {
        return d_.getADCChannelGain(c1, c2, c3, c4, c5);
    }
    bool setADCChannelGainTestMode(std::uint8_t c1, std::uint8_t c2, std::uint8_t c3, std::uint8_t c4,
                                   std::uint8_t c5) override {
        return d_.setADCChannelGainTestMode(c1, c2, c3, c4, c5);
    }
    bool setADCSampleRateTestMode(std::uint32_t rate) override { return d_.setADCSampleRateTestMode(rate); }
    bool setADCStartConversionTestMode(std::uint32_t packets) override {
        return d_.setADCStartConversionTestMode(packets);
    }
    bool setADCStartConversionBalancingMode(double speed, std::uint32_t trigger, std::uint32_t periods,
                                            double* interval) override {
        return d_.setADCStartConversionBalancingMode(speed, trigger, periods, interval);
    }
    bool getADCDataBalancingMode(Traces& traces, std::vector<double>& marker,
                                 std::vector<std::uint32_t>& indices, ChannelResults& results,
                                 TamskKWZv2::GainReport& gains) override {
        return d_.getADCDataBalancingMode(traces, marker, indices, results, gains);
    }
    bool getADCDataTestMode(Traces& traces, std::vector<double>& marker, Amplitudes& amplitudes,
                            TamskKWZv2::GainReport& gains) override {
        return d_.getADCDataTestMode(traces, marker, amplitudes, gains);
    }

    KWZUSB* kwz() override { return &d_; }

private:
    KWZUSB d_;
};

}  // namespace

std::unique_ptr<IApiDriver> makeKwzIApiDriver(std::function<void()> pollCallback,
                                              std::function<void(const char*, const char*)> errorCallback,
                                              const std::string& folder) {
    return std::make_unique<KwzIApiDriver>(std::move(pollCallback), std::move(errorCallback), folder);
}
