#include "drivers/measuring/kwz_usb_layer.h"

#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "drivers/common/driver_log_file.h"
#include "drivers/common/driver_timing.h"

namespace TamskKWZv2 {

namespace {

constexpr double kPi = 3.14159265358979323846;
using E = RegisterEncoding;
using L = KWZUSBLayerT2;

// The slot table: slot and its name, register, encoding, served states, log
// lines.
#define SLOT(name) L::s##name, #name
constexpr KWZUSBLayerT2::SlotInfo kSlots[KWZUSBLayerT2::slotCount] = {
    {SLOT(_fwVersion), 100, E::raw, false, true, false, true},
    {SLOT(_fwDate), 101, E::raw, false, true, false, true},
    {SLOT(_invertorState), 102, E::raw, false, true, false, true},
    {SLOT(_invertorFrequency), 103, E::tenths, true, true, true, true},
    {SLOT(_invertorRampType), 104, E::raw, false, false, true, true},
    {SLOT(_invertorAcceleration), 105, E::tenths, true, false, true, true},
    {SLOT(_invertorDeceleration), 106, E::tenths, true, false, true, true},
    {SLOT(_invertorRelay), 107, E::raw, false, false, true, true},
    {SLOT(_invertorInput), 108, E::raw, false, true, false, true},
    {SLOT(_invertorErrors), 109, E::raw, false, true, false, true},
    {SLOT(_invertorManagerCountInvertors), 110, E::raw, false, true, false, true},
    {SLOT(_invertorManagerAddInvertorStatus), 111, E::raw, false, true, false, true},
    {SLOT(_invertorManagerAddInvertor), 111, E::raw, false, false, true, true},
    {SLOT(_invertorManagerDeleteInvertorStatus), 112, E::raw, false, true, false, true},
    {SLOT(_invertorManagerDeleteInvertor), 112, E::raw, false, false, true, true},
    {SLOT(_invertorManagerSetCurrentInvertor), 113, E::raw, false, true, false, true},
    {SLOT(_marker1OpticalSpeed), 114, E::f32, true, true, false, true},
    {SLOT(_marker1EncoderSpeed), 115, E::f32, true, true, false, true},
    {SLOT(_marker1EncoderAngleCnt), 116, E::raw, false, true, false, true},
    {SLOT(_marker1EncoderAngleDeg), 117, E::f32Turn, true, true, false, true},
    {SLOT(_marker1EncoderDirection), 118, E::raw, false, true, false, true},
    {SLOT(_marker1EncoderFullTurn), 119, E::raw, false, true, false, true},
    {SLOT(_marker1EncoderMarkerType), 120, E::raw, false, true, true, true},
    {SLOT(_marker1EncoderTrain), 121, E::raw, false, true, true, true},
    {SLOT(_marker2OpticalSpeed), 122, E::f32, true, true, false, true},
    {SLOT(_marker2EncoderSpeed), 123, E::f32, true, true, false, true},
    {SLOT(_marker2EncoderAngleCnt), 124, E::raw, false, true, false, true},
    {SLOT(_marker2EncoderAngleDeg), 125, E::f32Turn, true, true, false, true},
    {SLOT(_marker2EncoderDirection), 126, E::raw, false, true, false, true},
    {SLOT(_marker2EncoderFullTurn), 127, E::raw, false, true, false, true},
    {SLOT(_marker2EncoderMarkerType), 128, E::raw, false, true, true, true},
    {SLOT(_marker2EncoderTrain), 129, E::raw, false, true, true, true},
    {SLOT(_expansionPort), 130, E::raw, false, true, true, true},
    {SLOT(_ADCSampleRate), 131, E::raw, false, true, true, true},
    {SLOT(_ADCChannelGain), 132, E::raw, false, true, true, true},
    {SLOT(_ADCConversionControl), 133, E::raw, false, true, true, true},
    {SLOT(_ADCDataGet), 133, E::raw, false, false, false, true},
    {SLOT(_status), 134, E::upper16, false, true, false, false},
    {SLOT(_control), 134, E::upper16, false, false, true, false},
    {SLOT(_welderStatus), 135, E::upper16, false, true, false, false},
    {SLOT(_welderControl), 135, E::upper16, false, false, true, false},
    {SLOT(_motorParameters), 136, E::raw, false, true, true, false},
    {SLOT(_register137Read), 137, E::raw, false, true, false, false},
    {SLOT(_register137Write), 137, E::raw, false, false, true, false},
};
#undef SLOT

// Row i must describe slot i: a row left out would leave a zero-filled row
// behind and shift every later one.
constexpr bool slotRowsInOrder() {
    for (unsigned i = 0; i < KWZUSBLayerT2::slotCount; ++i)
        if (kSlots[i].slot != i || kSlots[i].name == nullptr) return false;
    return true;
}
static_assert(slotRowsInOrder(), "kSlots: row i describes slot i");

constexpr std::uint32_t kIdle = 0, kGet = 1, kSet = 2;
// A served write the controller did not take (it did not read back); the
// caller reports it and frees the slot.
constexpr std::uint32_t kRefused = 3;
constexpr std::uint32_t kAdcIdle = 0, kAdcArmed = 1, kAdcWaiting = 2;

const drivers::DriverTiming& timing() { return drivers::driverTiming(); }

std::string op(const char* operation, const char* rest) { return std::string(operation) + rest; }

}  // namespace

const KWZUSBLayerT2::SlotInfo& KWZUSBLayerT2::slotInfo(unsigned slot) { return kSlots[slot]; }

// ---------------------------------------------------------------- life cycle

KWZUSBLayerT2::KWZUSBLayerT2(std::function<void()> pollCallback, MessageSink errorSink, MessageSink infoSink)
    : poll_(std::move(pollCallback)), errorSink_(std::move(errorSink)), infoSink_(std::move(infoSink)) {
    for (auto& m : motor_) m.store(0, std::memory_order_relaxed);
    adcTimeoutMs_.store(timing().adcDefaultTimeoutMs, std::memory_order_relaxed);
    info("KWZUSBLayerT2(), Application start");
}

KWZUSBLayerT2::~KWZUSBLayerT2() {
    if (live_.load(std::memory_order_acquire)) disconnect();
    joinWorker();
    info("~KWZUSBLayerT2(), Application stop");
    poll_ = nullptr;
    errorSink_ = nullptr;
    infoSink_ = nullptr;
}

void KWZUSBLayerT2::error(const char* text) const {
    if (errorSink_) errorSink_(sourceName, text);
}

void KWZUSBLayerT2::info(const char* text) const {
    if (infoSink_) infoSink_(sourceName, text);
}

void KWZUSBLayerT2::joinWorker() {
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

void KWZUSBLayerT2::resetRequests() {
    for (auto& s : slots_) {
        s.raw.store(0, std::memory_order_relaxed);
        s.value.store(0.0, std::memory_order_relaxed);
        s.state.store(kIdle, std::memory_order_release);
    }
    for (auto& m : motor_) m.store(0, std::memory_order_relaxed);
    armedCount_.store(0, std::memory_order_release);
    adcState_.store(kAdcIdle, std::memory_order_release);
    adcTimeoutMs_.store(timing().adcDefaultTimeoutMs, std::memory_order_release);
}

bool KWZUSBLayerT2::connect() {
    // A connection the worker tore down is joined before anything else.
    if (!live_.load(std::memory_order_acquire)) joinWorker();
    if (live_.load(std::memory_order_acquire)) return false;
    info("connect(), Connection...");
    auto* link = new (std::nothrow) KWZUSBHardT2(errorSink_);
    if (!link || !link->isOpen()) {
        if (link) {
            link->close();
            delete link;
        }
        error("connect(), USB Connection error!");
        return false;
    }
    if (buffer_.size() != kBufferPackets * ADCDataPacket::size) {
        try {
            buffer_.assign(kBufferPackets * ADCDataPacket::size, 0);
        } catch (...) {
            link->close();
            delete link;
            error("connect(), memory allocation error!");
            return false;
        }
    }
    // Requests left over from a broken connection are never replayed.
    resetRequests();
    link_.store(link, std::memory_order_release);
    connected_.store(true, std::memory_order_release);
    live_.store(true, std::memory_order_release);
    info("connect(), Connection ok");
    try {
        worker_ = std::thread(&KWZUSBLayerT2::threadProc, this);
    } catch (...) {
        connected_.store(false, std::memory_order_release);
        live_.store(false, std::memory_order_release);
        closeLink();
        error("connect(), USB Connection error!");
        return false;
    }
    return true;
}

void KWZUSBLayerT2::closeLink() {
    KWZUSBHardT2* link = link_.exchange(nullptr, std::memory_order_acq_rel);
    if (link) {
        link->close();
        delete link;
    }
}

bool KWZUSBLayerT2::disconnect() {
    if (!claimTeardown()) {
        joinWorker();  // a teardown by the worker finishes before we answer
        return false;
    }
    info("disconnect(), Disconnection...");
    connected_.store(false, std::memory_order_release);
    joinWorker();
    armedCount_.store(0, std::memory_order_release);
    closeLink();
    info("disconnect(), Disconnection ok");
    return true;
}

// ---------------------------------------------------------------- callers

bool KWZUSBLayerT2::linkMissing(const char* operation) const {
    if (link_.load(std::memory_order_acquire)) return false;
    error(op(operation, "(), USB not connected!"));
    return true;
}

bool KWZUSBLayerT2::waitWhile(const std::atomic<std::uint32_t>& state, std::uint32_t busy, const char* operation) {
    const drivers::DriverTiming& t = timing();
    while (state.load(std::memory_order_acquire) == busy) {
        if (!connected_.load(std::memory_order_acquire)) {
            error(op(operation, "(), USB broken connection!"));
            return false;
        }
        if (poll_) poll_();
        t.sleepMs(t.waitStepMs);
    }
    return true;
}

bool KWZUSBLayerT2::getSlot(unsigned slot, const char* operation, std::uint32_t argument, std::uint32_t& raw,
                            double& value) {
    if (linkMissing(operation)) return false;
    SlotData& s = slots_[slot];
    s.raw.store(argument, std::memory_order_relaxed);
    s.state.store(kGet, std::memory_order_release);
    info(op(operation, "(), Read"));
    if (!waitWhile(s.state, kGet, operation)) return false;
    raw = s.raw.load(std::memory_order_relaxed);
    value = s.value.load(std::memory_order_relaxed);
    if (kSlots[slot].isDouble)
        info(op(operation, "(), Read ok ") + drivers::cformat("%10.3f", value));
    else
        info(op(operation, "(), Read ok ") + drivers::cformat("0x%08X", raw));
    return true;
}

bool KWZUSBLayerT2::setSlot(unsigned slot, const char* operation, std::uint32_t raw, double value) {
    if (linkMissing(operation)) return false;
    if (kSlots[slot].encoding == RegisterEncoding::tenths) {
        // The controller takes the value x 10 as i32; anything else would end the connection.
        const double scaled = value * 10.0;
        if (!std::isfinite(scaled) || scaled <= -2147483649.0 || scaled >= 2147483648.0) {
            error(op(operation, "(), Invalid parameters!"));
            return false;
        }
    }
    SlotData& s = slots_[slot];
    s.raw.store(raw, std::memory_order_relaxed);
    s.value.store(value, std::memory_order_relaxed);
    s.state.store(kSet, std::memory_order_release);
    if (kSlots[slot].isDouble)
        info(op(operation, "(), Write ") + drivers::cformat("%10.3f", value));
    else
        info(op(operation, "(), Write ") + drivers::cformat("0x%08X", raw));
    if (!waitWhile(s.state, kSet, operation)) return false;
    if (s.state.load(std::memory_order_acquire) == kRefused) {
        s.state.store(kIdle, std::memory_order_release);
        error(op(operation, "(), Write not confirmed!"));
        return false;
    }
    info(op(operation, "(), Write ok"));
    return true;
}

namespace {
struct Out {
    std::uint32_t raw = 0;
    double value = 0;
};
}  // namespace

#define KWZ_GET_U32(fn, slot)                                           \
    bool KWZUSBLayerT2::fn(std::uint32_t& v) {                          \
        Out o;                                                          \
        if (!getSlot(slot, #fn, 0, o.raw, o.value)) return false;       \
        v = o.raw;                                                      \
        return true;                                                    \
    }
#define KWZ_GET_F64(fn, slot)                                           \
    bool KWZUSBLayerT2::fn(double& v) {                                 \
        Out o;                                                          \
        if (!getSlot(slot, #fn, 0, o.raw, o.value)) return false;       \
        v = o.value;                                                    \
        return true;                                                    \
    }
#define KWZ_SET_U32(fn, slot) \
    bool KWZUSBLayerT2::fn(std::uint32_t v) { return setSlot(slot, #fn, v, 0.0); }
#define KWZ_SET_F64(fn, slot) \
    bool KWZUSBLayerT2::fn(double v) { return setSlot(slot, #fn, 0, v); }

KWZ_GET_U32(getFWversion, s_fwVersion)
KWZ_GET_U32(getFWdate, s_fwDate)
KWZ_GET_U32(getInvertorState, s_invertorState)
KWZ_GET_U32(getInvertorInput, s_invertorInput)
KWZ_GET_U32(getInvertorManagerCountInvertors, s_invertorManagerCountInvertors)
KWZ_GET_U32(getInvertorMotorParameters, s_motorParameters)
KWZ_GET_F64(getMarker1OpticalSpeed, s_marker1OpticalSpeed)
KWZ_GET_F64(getMarker1EncoderSpeed, s_marker1EncoderSpeed)
KWZ_GET_F64(getMarker2OpticalSpeed, s_marker2OpticalSpeed)
KWZ_GET_F64(getMarker2EncoderSpeed, s_marker2EncoderSpeed)
KWZ_GET_U32(getMarker1EncoderFullTurn, s_marker1EncoderFullTurn)
KWZ_GET_U32(getMarker2EncoderFullTurn, s_marker2EncoderFullTurn)
KWZ_GET_U32(getMarker1EncoderTrainState, s_marker1EncoderTrain)
KWZ_GET_U32(getMarker2EncoderTrainState, s_marker2EncoderTrain)
KWZ_GET_U32(getADCSampleRate, s_ADCSampleRate)
KWZ_GET_U32(getStatus, s_status)
KWZ_GET_U32(getWelderStatus, s_welderStatus)
KWZ_SET_F64(setInvertorFrequency, s_invertorFrequency)
KWZ_SET_F64(setInvertorAcceleration, s_invertorAcceleration)
KWZ_SET_F64(setInvertorDeceleration, s_invertorDeceleration)
KWZ_SET_U32(setInvertorRampType, s_invertorRampType)
KWZ_SET_U32(setInvertorRelay, s_invertorRelay)
KWZ_SET_U32(setMarker1EncoderMarkerType, s_marker1EncoderMarkerType)
KWZ_SET_U32(setMarker2EncoderMarkerType, s_marker2EncoderMarkerType)
KWZ_SET_U32(setMarker1EncoderTrainStart, s_marker1EncoderTrain)
KWZ_SET_U32(setMarker2EncoderTrainStart, s_marker2EncoderTrain)
KWZ_SET_U32(setADCSampleRate, s_ADCSampleRate)

#undef KWZ_GET_U32
#undef KWZ_GET_F64
#undef KWZ_SET_U32
#undef KWZ_SET_F64

bool KWZUSBLayerT2::getInvertorManagerAddInvertorStatus(std::int32_t& status) {
    Out o;
    if (!getSlot(s_invertorManagerAddInvertorStatus, "getInvertorManagerAddInvertorStatus", 0, o.raw, o.value))
        return false;
    status = static_cast<std::int32_t>(o.raw);
    return true;
}

bool KWZUSBLayerT2::getInvertorManagerDeleteInvertorStatus(std::int32_t& status) {
    Out o;
    if (!getSlot(s_invertorManagerDeleteInvertorStatus, "getInvertorManagerDeleteInvertorStatus", 0, o.raw,
                 o.value))
        return false;
    status = static_cast<std::int32_t>(o.raw);
    return true;
}

bool KWZUSBLayerT2::getInvertorManagerCurrentInvertor(std::uint32_t index, std::uint32_t& type,
                                                      std::uint32_t& address) {
    Out o;
    if (!getSlot(s_invertorManagerSetCurrentInvertor, "getInvertorManagerCurrentInvertor", index << 16, o.raw,
                 o.value))
        return false;
    type = (o.raw >> 8) & 0xFF;
    address = o.raw & 0xFF;
    return true;
}

bool KWZUSBLayerT2::getMarker1EncoderAngleDeg(double& degrees) {
    Out o;
    if (!getSlot(s_marker1EncoderAngleDeg, "getMarker1EncoderAngleDeg", 0, o.raw, o.value)) return false;
    degrees = o.value * 360.0 / (2.0 * kPi);
    return true;
}

bool KWZUSBLayerT2::getMarker2EncoderAngleDeg(double& degrees) {
    Out o;
    if (!getSlot(s_marker2EncoderAngleDeg, "getMarker2EncoderAngleDeg", 0, o.raw, o.value)) return false;
    degrees = o.value * 360.0 / (2.0 * kPi);
    return true;
}

bool KWZUSBLayerT2::getADCChannelGain(std::uint8_t& c1, std::uint8_t& c2, std::uint8_t& c3, std::uint8_t& c4,
                                      std::uint8_t& c5) {
    Out o;
    if (!getSlot(s_ADCChannelGain, "getADCChannelGain", 0, o.raw, o.value)) return false;
    c1 = o.raw & 3;
    c2 = (o.raw >> 2) & 3;
    c3 = (o.raw >> 4) & 3;
    c4 = (o.raw >> 6) & 3;
    c5 = (o.raw >> 8) & 3;
    return true;
}

bool KWZUSBLayerT2::getADCFilterGain(std::uint8_t& filter, bool& gain) {
    Out o;
    if (!getSlot(s_ADCChannelGain, "getADCFilterGain", 0, o.raw, o.value)) return false;
    filter = o.raw & 0xFF;
    gain = (o.raw >> 8) & 1;
    return true;
}

bool KWZUSBLayerT2::getADCConversionControl(std::uint32_t& packetCount, std::uint32_t& triggerSource, bool& start,
                                            bool& dataReady) {
    Out o;
    if (!getSlot(s_ADCConversionControl, "getADCConversionControl", 0, o.raw, o.value)) return false;
    packetCount = o.raw & kConversionPacketCountMask;
    triggerSource = (o.raw >> kConversionTriggerShift) & 0xFF;
    start = (o.raw & kConversionStartBit) != 0;
    dataReady = (o.raw & kConversionDataReadyBit) != 0;
    return true;
}

bool KWZUSBLayerT2::setInvertorManagerAddInvertor(std::uint8_t index, std::uint8_t type, std::uint8_t address) {
    const std::uint32_t v = static_cast<std::uint32_t>(index) << 16 | static_cast<std::uint32_t>(type) << 8 | address;
    return setSlot(s_invertorManagerAddInvertor, "setInvertorManagerAddInvertor", v, 0.0);
}

bool KWZUSBLayerT2::setInvertorManagerDeleteInvertor(std::uint8_t index) {
    return setSlot(s_invertorManagerDeleteInvertor, "setInvertorManagerDeleteInvertor",
                   static_cast<std::uint32_t>(index) << 16, 0.0);
}

bool KWZUSBLayerT2::setADCChannelGain(std::uint8_t c1, std::uint8_t c2, std::uint8_t c3, std::uint8_t c4,
                                      std::uint8_t c5) {
    const std::uint32_t v = (c1 & 3u) | (c2 & 3u) << 2 | (c3 & 3u) << 4 | (c4 & 3u) << 6 | (c5 & 3u) << 8;
    return setSlot(s_ADCChannelGain, "setADCChannelGain", v, 0.0);
}

bool KWZUSBLayerT2::setADCFilterGain(std::uint8_t filter, bool gain) {
    const std::uint32_t v = filter | (gain ? 1u : 0u) << 8;
    return setSlot(s_ADCChannelGain, "setADCFilterGain", v, 0.0);
}

bool KWZUSBLayerT2::setControl(std::uint16_t v) { return setSlot(s_control, "setControl", v, 0.0); }
bool KWZUSBLayerT2::setWelderControl(std::uint16_t v) { return setSlot(s_welderControl, "setWelderControl", v, 0.0); }

bool KWZUSBLayerT2::setInvertorMotorParameters(std::uint16_t power, std::uint16_t voltage, std::uint16_t current,
                                               std::uint16_t frequency, std::uint16_t poles, std::uint16_t speed,
                                               std::uint16_t autoTuning) {
    const char* name = "setInvertorMotorParameters";
    if (linkMissing(name)) return false;
    const std::uint16_t values[7] = {power, voltage, current, frequency, poles, speed, autoTuning};
    for (int i = 0; i < 7; ++i) motor_[i].store(values[i], std::memory_order_relaxed);
    SlotData& s = slots_[s_motorParameters];
    s.state.store(kSet, std::memory_order_release);
    info(std::string("setInvertorMotorParameters(), Write, motorPower ") + drivers::cformat("0x%08X", power));
    info(std::string("setInvertorMotorParameters(), Write, motorVoltage ") + drivers::cformat("0x%08X", voltage));
    info(std::string("setInvertorMotorParameters(), Write, motorCurrent ") + drivers::cformat("0x%08X", current));
    info(std::string("setInvertorMotorParameters(), Write, motorFrequency ") + drivers::cformat("0x%08X", frequency));
    info(std::string("setInvertorMotorParameters(), Write, motorSpeed ") + drivers::cformat("0x%08X", speed));
    if (!waitWhile(s.state, kSet, name)) return false;
    info("setInvertorMotorParameters(), Write ok");
    return true;
}

bool KWZUSBLayerT2::setADCConversionControl(std::uint32_t packetCount, std::uint32_t triggerSource, bool start,
                                            double timeoutMs) {
    const char* name = "setADCConversionControl";
    if (linkMissing(name)) return false;
    if (packetCount < 100 || packetCount > 1000 || triggerSource > kLastTriggerSource || !std::isfinite(timeoutMs) ||
        timeoutMs < 0) {
        error("setADCConversionControl(), Invalid parameters!");
        return false;
    }
    // One block's hand-over never overlaps the next.
    if (start && !waitWhile(adcState_, kAdcArmed, name)) return false;
    if (start && !waitWhile(adcState_, kAdcWaiting, name)) return false;
    std::uint32_t value = triggerSource << kConversionTriggerShift | packetCount;
    if (start) {
        value |= kConversionStartBit;
        // Arm before the request is published, so the worker that serves it
        // always finds the block armed.
        armedCount_.store(packetCount, std::memory_order_relaxed);
        adcTimeoutMs_.store(timeoutMs, std::memory_order_relaxed);
        adcState_.store(kAdcArmed, std::memory_order_release);
    }
    SlotData& s = slots_[s_ADCConversionControl];
    s.raw.store(value, std::memory_order_relaxed);
    s.state.store(kSet, std::memory_order_release);
    info(std::string("setADCConversionControl(), Write ") + drivers::cformat("0x%08X", value));
    if (!waitWhile(s.state, kSet, name)) return false;
    info("setADCConversionControl(), Write ok");
    return true;
}

bool KWZUSBLayerT2::getADCData(std::uint8_t* buffer, std::uint32_t packetCount) {
    const char* name = "getADCData";
    if (linkMissing(name)) return false;
    info("getADCData(), Read");
    const drivers::DriverTiming& t = timing();
    while (adcState_.load(std::memory_order_acquire) != kAdcIdle) {
        if (!connected_.load(std::memory_order_acquire)) {
            error("getADCData(), USB broken connection!");
            return false;
        }
        if (poll_) poll_();
        t.sleepMs(t.waitStepMs);
    }
    const std::uint32_t armed = armedCount_.load(std::memory_order_acquire);
    if (packetCount != 0 && packetCount == armed && buffer && packetCount <= kBufferPackets) {
        std::memcpy(buffer, buffer_.data(), static_cast<std::size_t>(packetCount) * ADCDataPacket::size);
        armedCount_.store(0, std::memory_order_release);
        info(std::string("getADCData(), Read ok ") + drivers::cformat("0x%08X", packetCount));
        return true;
    }
    error("getADCData(), Invalid parameters!");
    error(drivers::cformat("getADCData(), localPacketCount is - %d, globalPacketCount is - %d",
                           static_cast<int>(packetCount), static_cast<int>(armed)));
    return false;
}

// ---------------------------------------------------------------- worker

bool KWZUSBLayerT2::serveSlot(KWZUSBHardT2& link, unsigned slot) {
    SlotData& s = slots_[slot];
    const std::uint32_t state = s.state.load(std::memory_order_acquire);
    if (state == kIdle || state == kRefused) return true;  // a refused slot is its caller's to free
    const SlotInfo& si = kSlots[slot];
    if (state == kGet && si.get) {
        if (si.informs) info(std::string("threadProc(), ") + si.name + " get");
        std::uint32_t raw = 0;
        double value = 0;
        int rc;
        if (si.isDouble) {
            rc = link.readEncoded(si.reg, si.encoding, 0, value);
        } else {
            rc = link.readEncoded(si.reg, si.encoding, s.raw.load(std::memory_order_relaxed), raw);
        }
        if (rc < 1) return false;
        s.raw.store(raw, std::memory_order_relaxed);
        s.value.store(value, std::memory_order_relaxed);
        s.state.store(kIdle, std::memory_order_release);
        return true;
    }
    if (state == kSet && si.set) {
        if (si.informs) info(std::string("threadProc(), ") + si.name + " set");
        int rc;
        if (slot == s_motorParameters) {
            rc = 1;
            for (std::uint32_t i = 0; i < 7 && rc >= 1; ++i)
                rc = link.writeMotorParameters(motor_[i].load(std::memory_order_relaxed) | i << 16);
            if (rc >= 1) rc = link.writeMotorParameters(0x70000);
        } else if (si.isDouble) {
            rc = link.writeEncoded(si.reg, si.encoding, s.value.load(std::memory_order_relaxed));
        } else {
            rc = link.writeEncoded(si.reg, si.encoding, s.raw.load(std::memory_order_relaxed));
        }
        if (rc == KWZUSBHardT2::kWriteNotConfirmed) {
            // The link still works: only this write failed.
            s.state.store(kRefused, std::memory_order_release);
            return true;
        }
        if (rc < 1) return false;
        s.state.store(kIdle, std::memory_order_release);
        if (slot == s_ADCConversionControl && adcState_.load(std::memory_order_acquire) == kAdcArmed) {
            const double timeout = adcTimeoutMs_.load(std::memory_order_relaxed);
            info(std::string("threadProc(), _ADCDataGet start, data waiting time is ") +
                 drivers::cformat("%10.3f", timeout));
            startMs_ = timing().nowMs();
            retryCount_ = 0;
            adcState_.store(kAdcWaiting, std::memory_order_release);
        }
        return true;
    }
    // A state the slot does not serve: nothing to exchange.
    s.state.store(kIdle, std::memory_order_release);
    return true;
}

bool KWZUSBLayerT2::serveADC(KWZUSBHardT2& link) {
    if (adcState_.load(std::memory_order_acquire) != kAdcWaiting) return true;
    const drivers::DriverTiming& t = timing();
    const double elapsed = std::floor(t.nowMs() - startMs_);
    if (!(elapsed > adcTimeoutMs_.load(std::memory_order_relaxed))) return true;
    info("threadProc(), _ADCDataGet get data ready");
    std::uint32_t control = 0;
    if (link.readADCConversionControl(control) < 1) return false;
    if (!(control & kConversionDataReadyBit)) {
        info("threadProc(), _ADCDataGet data ready no");
        t.sleepMs(t.dataReadyRetryMs);
        if (++retryCount_ > t.dataReadyRetryLimit) {
            retryCount_ = 0;
            error("threadProc(), _ADCDataGet data ready no timeout error");
            // The conversion is restarted before the waiting reader is released,
            // so the reader's next start meets a controller that runs again.
            if (!reniamationModbus(link)) return false;
            armedCount_.store(0, std::memory_order_relaxed);
            adcState_.store(kAdcIdle, std::memory_order_release);
        }
        return true;
    }
    info("threadProc(), _ADCDataGet data ready ok");
    info("threadProc(), _ADCDataGet read data");
    const std::uint32_t count = armedCount_.load(std::memory_order_relaxed);
    const int want = static_cast<int>(count * ADCDataPacket::size);
    if (count == 0 || count > kBufferPackets || link.getADCData(buffer_.data(), count) != want) return false;
    adcState_.store(kAdcIdle, std::memory_order_release);
    return true;
}

bool KWZUSBLayerT2::reniamationModbus(KWZUSBHardT2& link) {
    error("reniamationModbus(), execute");
    if (link.writeADCSampleRate(30000) < 1) return false;
    return link.writeADCConversionControl(0x01000064) >= 1;
}

void KWZUSBLayerT2::workerFailed() {
    error("threadProc(), USB data transfer error!");
    // Waiting callers see the broken connection at their next step.
    connected_.store(false, std::memory_order_release);
    if (!claimTeardown()) return;  // a caller's disconnect is already tearing down
    info("disconnect(), Disconnection...");
    armedCount_.store(0, std::memory_order_release);
    closeLink();
    info("disconnect(), Disconnection ok");
}

void KWZUSBLayerT2::threadProc() {
    KWZUSBHardT2* link = link_.load(std::memory_order_acquire);
    const drivers::DriverTiming& t = timing();
    while (connected_.load(std::memory_order_acquire)) {
        bool ok = true;
        for (unsigned slot = 0; slot < slotCount && ok; ++slot) {
            ok = slot == s_ADCDataGet ? serveADC(*link) : serveSlot(*link, slot);
        }
        if (!ok) {
            workerFailed();
            return;
        }
        t.sleepMs(t.workerPassMs);
    }
}

}  // namespace TamskKWZv2
