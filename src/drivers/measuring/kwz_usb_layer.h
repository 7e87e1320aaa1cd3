#pragma once
// Request-slot layer of the measuring-controller driver.
//
// Callers never touch the USB link: every register access is posted into a
// request slot (state 1 get / 2 set, with its value), and one worker thread,
// threadProc, serves all slots in a fixed order, one exchange at a time.  It
// also runs the ADC hand-over: after a started conversion it waits the
// conversion's time-out, polls register 133 for "data ready" and bulk-reads
// the block into the layer's buffer, from which getADCData copies it.
// A caller waits for its slot in steps of driverTiming().waitStepMs, calling
// the poll callback at every step, and gives up as soon as the connection is
// gone.
//
// Threads: one calling thread per slot (two callers must not use one slot at
// once; the layer does not guard against it).  connect, disconnect and the
// destructor run on the owner's thread, never on the worker.  The slot state
// is the hand-over: the caller stores the value, then the state (release);
// the worker loads the state (acquire), exchanges, stores the value, then
// state 0 (release).
//
// On a transfer error the worker reports "threadProc(), USB data transfer
// error!", clears `connected` at once (waiting callers return false within
// one wait step), tears the connection down itself (exactly one teardown per
// connection, claimed atomically against a caller's disconnect) and ends; the
// next connect, disconnect or the destructor joins it.  A write the
// controller did not take (one that must read back and did not, see
// KWZUSBHardT2::mustReadBack) is no transfer error: the slot is handed back
// refused, its caller logs "<operation>(), Write not confirmed!" and returns
// false, and the connection stays.
//
// Extending: the slot table (kwz_usb_layer.cpp) drives both the worker and
// the operations; a new register operation is a table row plus a thin typed
// wrapper over getSlot/setSlot.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "drivers/measuring/kwz_types.h"
#include "drivers/measuring/kwz_usb_hard.h"

namespace TamskKWZv2 {

class KWZUSBLayerT2 {
public:
    static constexpr const char* sourceName = "KWZUSBLayerT2";
    static constexpr std::uint32_t kBufferPackets = 1000;

    // Request slots in serving order.
    enum Slot : unsigned {
        s_fwVersion,
        s_fwDate,
        s_invertorState,
        s_invertorFrequency,
        s_invertorRampType,
        s_invertorAcceleration,
        s_invertorDeceleration,
        s_invertorRelay,
        s_invertorInput,
        s_invertorErrors,
        s_invertorManagerCountInvertors,
        s_invertorManagerAddInvertorStatus,
        s_invertorManagerAddInvertor,
        s_invertorManagerDeleteInvertorStatus,
        s_invertorManagerDeleteInvertor,
        s_invertorManagerSetCurrentInvertor,
        s_marker1OpticalSpeed,
        s_marker1EncoderSpeed,
        s_marker1EncoderAngleCnt,
        s_marker1EncoderAngleDeg,
        s_marker1EncoderDirection,
        s_marker1EncoderFullTurn,
        s_marker1EncoderMarkerType,
        s_marker1EncoderTrain,
        s_marker2OpticalSpeed,
        s_marker2EncoderSpeed,
        s_marker2EncoderAngleCnt,
        s_marker2EncoderAngleDeg,
        s_marker2EncoderDirection,
        s_marker2EncoderFullTurn,
        s_marker2EncoderMarkerType,
        s_marker2EncoderTrain,
        s_expansionPort,
        s_ADCSampleRate,
        s_ADCChannelGain,
        s_ADCConversionControl,
        s_ADCDataGet,  // the ADC block, served by state, not by a request
        s_status,
        s_control,
        s_welderStatus,
        s_welderControl,
        s_motorParameters,
        s_register137Read,
        s_register137Write,
        slotCount
    };

    struct SlotInfo {
        Slot slot;              // the row's own slot
        const char* name;       // "_fwVersion", ...
        std::uint32_t reg;      // register number
        RegisterEncoding encoding;
        bool isDouble;          // value kept as f64
        bool get, set;          // served states
        bool informs;           // the worker writes "threadProc(), <name> get/set"
    };
    static const SlotInfo& slotInfo(unsigned slot);

    KWZUSBLayerT2(std::function<void()> pollCallback, MessageSink errorSink, MessageSink infoSink);
    ~KWZUSBLayerT2();
    KWZUSBLayerT2(const KWZUSBLayerT2&) = delete;
    KWZUSBLayerT2& operator=(const KWZUSBLayerT2&) = delete;

    bool connect();
    bool disconnect();
    bool isConnected() const { return connected_.load(std::memory_order_acquire); }
    bool hasLink() const { return link_.load(std::memory_order_acquire) != nullptr; }

    // ---- register operations: true = the worker served the request ----
    bool getFWversion(std::uint32_t& v);
    bool getFWdate(std::uint32_t& v);
    bool getInvertorState(std::uint32_t& v);
    bool getInvertorInput(std::uint32_t& v);
    bool getInvertorManagerCountInvertors(std::uint32_t& v);
    bool getInvertorManagerAddInvertorStatus(std::int32_t& status);
    bool getInvertorManagerDeleteInvertorStatus(std::int32_t& status);
    bool getInvertorManagerCurrentInvertor(std::uint32_t index, std::uint32_t& type, std::uint32_t& address);
    bool getInvertorMotorParameters(std::uint32_t& v);
    bool getMarker1OpticalSpeed(double& rpm);
    bool getMarker1EncoderSpeed(double& rpm);
    bool getMarker2OpticalSpeed(double& rpm);
    bool getMarker2EncoderSpeed(double& rpm);
    bool getMarker1EncoderAngleDeg(double& degrees);
    bool getMarker2EncoderAngleDeg(double& degrees);
    bool getMarker1EncoderFullTurn(std::uint32_t& v);
    bool getMarker2EncoderFullTurn(std::uint32_t& v);
    bool getMarker1EncoderTrainState(std::uint32_t& v);
    bool getMarker2EncoderTrainState(std::uint32_t& v);
    bool getADCSampleRate(std::uint32_t& v);
    bool getADCChannelGain(std::uint8_t& c1, std::uint8_t& c2, std::uint8_t& c3, std::uint8_t& c4, std::uint8_t& c5);
    bool getADCFilterGain(std::uint8_t& filter, bool& gain);
    bool getADCConversionControl(std::uint32_t& packetCount, std::uint32_t& triggerSource, bool& start,
                                 bool& dataReady);
    bool getStatus(std::uint32_t& v);
    bool getWelderStatus(std::uint32_t& v);

    bool setInvertorFrequency(double hz);
    bool setInvertorAcceleration(double seconds);
    bool setInvertorDeceleration(double seconds);
    bool setInvertorRampType(std::uint32_t v);
    bool setInvertorRelay(std::uint32_t v);
    bool setInvertorManagerAddInvertor(std::uint8_t index, std::uint8_t type, std::uint8_t address);
    bool setInvertorManagerDeleteInvertor(std::uint8_t index);
    bool setInvertorMotorParameters(std::uint16_t power, std::uint16_t voltage, std::uint16_t current,
                                    std::uint16_t frequency, std::uint16_t poles, std::uint16_t speed,
                                    std::uint16_t autoTuning);
    bool setMarker1EncoderMarkerType(std::uint32_t v);
    bool setMarker2EncoderMarkerType(std::uint32_t v);
    bool setMarker1EncoderTrainStart(std::uint32_t v);
    bool setMarker2EncoderTrainStart(std::uint32_t v);
    bool setADCSampleRate(std::uint32_t v);
    bool setADCChannelGain(std::uint8_t c1, std::uint8_t c2, std::uint8_t c3, std::uint8_t c4, std::uint8_t c5);
    bool setADCFilterGain(std::uint8_t filter, bool gain);
    // packetCount 100..1000, triggerSource 0..4, timeoutMs finite and >= 0.
    // With start the ADC block is armed; a start while the previous block is
    // still being handed over first waits for it.
    bool setADCConversionControl(std::uint32_t packetCount, std::uint32_t triggerSource, bool start,
                                 double timeoutMs);
    bool setControl(std::uint16_t v);
    bool setWelderControl(std::uint16_t v);

    // Copies the armed block (packetCount x 64 bytes) once the worker has it.
    bool getADCData(std::uint8_t* buffer, std::uint32_t packetCount);

    // Generic slot access (the operations above are thin wrappers).
    bool getSlot(unsigned slot, const char* operation, std::uint32_t argument, std::uint32_t& raw, double& value);
    bool setSlot(unsigned slot, const char* operation, std::uint32_t raw, double value);

    // Observation for tests and diagnostics.
    std::uint32_t adcState() const { return adcState_.load(std::memory_order_acquire); }
    std::uint32_t armedPacketCount() const { return armedCount_.load(std::memory_order_acquire); }

private:
    struct SlotData {
        std::atomic<std::uint32_t> state{0};
        std::atomic<std::uint32_t> raw{0};
        std::atomic<double> value{0.0};
    };

    void error(const char* text) const;
    void info(const char* text) const;
    void error(const std::string& text) const { error(text.c_str()); }
    void info(const std::string& text) const { info(text.c_str()); }
    // Waits while `state` holds `busy`; false when the connection broke.
    bool waitWhile(const std::atomic<std::uint32_t>& state, std::uint32_t busy, const char* operation);
    bool linkMissing(const char* operation) const;
    void resetRequests();
    void joinWorker();
    // Claims the teardown of the current connection; true for exactly one claimant.
    bool claimTeardown() { return live_.exchange(false, std::memory_order_acq_rel); }
    void closeLink();

    void threadProc();
    bool serveSlot(KWZUSBHardT2& link, unsigned slot);  // false on a transfer error
    bool serveADC(KWZUSBHardT2& link);
    bool reniamationModbus(KWZUSBHardT2& link);
    void workerFailed();

    std::function<void()> poll_;
    MessageSink errorSink_;
    MessageSink infoSink_;

    std::atomic<KWZUSBHardT2*> link_{nullptr};
    std::thread worker_;
    std::atomic<bool> connected_{false};
    std::atomic<bool> live_{false};  // a connection exists that nobody has claimed to tear down

    SlotData slots_[slotCount];
    std::atomic<std::uint16_t> motor_[7];

    std::vector<std::uint8_t> buffer_;  // kept for the life of the layer
    std::atomic<std::uint32_t> armedCount_{0};
    std::atomic<std::uint32_t> adcState_{0};  // 0 idle, 1 armed, 2 waiting for data
    std::atomic<double> adcTimeoutMs_{1000.0};
    std::uint32_t retryCount_ = 0;  // worker only
    double startMs_ = 0;           // worker only
};

}  // namespace TamskKWZv2
