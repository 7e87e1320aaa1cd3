#include "support/machine_iapi_fake.h"

#include <cstdarg>
#include <cstdio>

namespace iapitest {

namespace {
std::string fmt(const char* f, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* f, ...) {
    char buf[256];
    va_list a;
    va_start(a, f);
    std::vsnprintf(buf, sizeof buf, f, a);
    va_end(a);
    return buf;
}
unsigned u(std::uint32_t v) {
    return static_cast<unsigned>(v);
}
}  // namespace

// ----------------------------------------------------------------- LogBook

LoggerBase* LogBook::make(const char* name) {
    std::string n = name ? name : "";
    {
        std::lock_guard<std::mutex> l(m_);
        ++made_[n];
    }
    return new CaptureLogger(*this, n);
}

void LogBook::add(const std::string& name, const std::string& text) {
    std::lock_guard<std::mutex> l(m_);
    lines_.emplace_back(name, text);
}

void LogBook::noteDeleted(const std::string& name) {
    std::lock_guard<std::mutex> l(m_);
    ++deleted_[name];
}

std::vector<std::string> LogBook::lines() const {
    std::lock_guard<std::mutex> l(m_);
    std::vector<std::string> out;
    for (const auto& e : lines_) out.push_back(e.first + ": " + e.second);
    return out;
}

std::vector<std::string> LogBook::linesOf(const std::string& name) const {
    std::lock_guard<std::mutex> l(m_);
    std::vector<std::string> out;
    for (const auto& e : lines_)
        if (e.first == name) out.push_back(e.second);
    return out;
}

int LogBook::count(const std::string& name, const std::string& text) const {
    std::lock_guard<std::mutex> l(m_);
    int n = 0;
    for (const auto& e : lines_)
        if (e.first == name && e.second == text) ++n;
    return n;
}

bool LogBook::has(const std::string& name, const std::string& text) const {
    return count(name, text) > 0;
}

int LogBook::made(const std::string& name) const {
    std::lock_guard<std::mutex> l(m_);
    auto it = made_.find(name);
    return it == made_.end() ? 0 : it->second;
}

int LogBook::deleted(const std::string& name) const {
    std::lock_guard<std::mutex> l(m_);
    auto it = deleted_.find(name);
    return it == deleted_.end() ? 0 : it->second;
}

void LogBook::clear() {
    std::lock_guard<std::mutex> l(m_);
    lines_.clear();
}

void CaptureLogger::write(const char* f, va_list args) {
    if (!open_ || f == nullptr) return;
    char buf[1024];
    va_list copy;
    va_copy(copy, args);
    std::vsnprintf(buf, sizeof buf, f, copy);
    va_end(copy);
    book_.add(name_, buf);
}

// ----------------------------------------------------------------- FakeKwz

std::vector<std::string> FakeKwz::calls() const {
    std::vector<std::string> out;
    for (const auto& c : journal) out.push_back(c.text);
    return out;
}

std::vector<std::string> FakeKwz::callsOf(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& c : journal)
        if (c.text.compare(0, prefix.size(), prefix) == 0) out.push_back(c.text);
    return out;
}

int FakeKwz::countOf(const std::string& prefix) const {
    return static_cast<int>(callsOf(prefix).size());
}

std::int64_t FakeKwz::timeOf(const std::string& prefix, int n) const {
    for (const auto& c : journal) {
        if (c.text.compare(0, prefix.size(), prefix) != 0) continue;
        if (n-- == 0) return c.ms;
    }
    return -1;
}

bool FakeKwz::record(const std::string& op, const std::string& args) {
    const std::int64_t ms =
        clock ? std::chrono::duration_cast<std::chrono::milliseconds>(clock->now().time_since_epoch()).count()
              : 0;
    journal.push_back({op + "(" + args + ")", ms});
    bool ok = true;
    auto it = failures.find(op);
    if (it != failures.end()) {
        ok = false;
        if (it->second > 0 && --it->second == 0) failures.erase(it);
    }
    if (onCall) onCall(op);
    return ok;
}

// ----------------------------------------------------------------- FakeKwzDriver

bool FakeKwzDriver::connect() {
    return s_.record("connect", "") && s_.connectResult;
}
bool FakeKwzDriver::disconnect() {
    return s_.record("disconnect", "");
}
bool FakeKwzDriver::getFirmwareVersionDate(TamskKWZv2::FirmwareVersionDate* out) {
    if (!s_.record("getFirmwareVersionDate", "")) return false;
    if (out) *out = s_.firmware;
    return true;
}
bool FakeKwzDriver::getInvertorState(std::uint32_t& state) {
    std::uint32_t v = s_.state;
    if (!s_.states.empty()) {
        v = s_.states.front();
        s_.states.pop_front();
    }
    if (!s_.record("getInvertorState", "")) return false;
    state = v;
    return true;
}
bool FakeKwzDriver::getInvertorInput(std::uint32_t& input) {
    if (!s_.record("getInvertorInput", "")) return false;
    input = s_.input;
    return true;
}
bool FakeKwzDriver::getInvertorManagerCountInvertors(std::uint32_t& count) {
    if (!s_.record("getInvertorManagerCountInvertors", "")) return false;
    count = s_.inverterCount;
    return true;
}
bool FakeKwzDriver::setInvertorFrequency(double hz) {
    return s_.record("setInvertorFrequency", fmt("%g", hz));
}
bool FakeKwzDriver::setInvertorRampType(std::uint32_t type) {
    return s_.record("setInvertorRampType", fmt("%u", u(type)));
}
bool FakeKwzDriver::setInvertorAcceleration(double s) {
    return s_.record("setInvertorAcceleration", fmt("%g", s));
}
bool FakeKwzDriver::setInvertorDeceleration(double s) {
    return s_.record("setInvertorDeceleration", fmt("%g", s));
}
bool FakeKwzDriver::setInvertorRelay(std::uint32_t relay) {
    return s_.record("setInvertorRelay", fmt("%u", u(relay)));
}
bool FakeKwzDriver::setInvertorManagerAddInvertor(std::uint32_t index, std::uint32_t type,
                                                  std::uint32_t address) {
    return s_.record("setInvertorManagerAddInvertor", fmt("%u, %u, %u", u(index), u(type), u(address)));
}
bool FakeKwzDriver::setInvertorManagerDeleteInvertor(std::uint32_t index) {
    return s_.record("setInvertorManagerDeleteInvertor", fmt("%u", u(index)));
}
bool FakeKwzDriver::setInvertorManagerCurrentInvertor(std::uint32_t index, std::uint32_t& type,
                                                      std::uint32_t& address) {
    if (!s_.record("setInvertorManagerCurrentInvertor", fmt("%u", u(index)))) return false;
    type = s_.currentType;
    address = s_.currentAddress;
    return true;
}
bool FakeKwzDriver::setInvertorMotorParameters(float power, float voltage, float current, float frequency,
                                               std::uint32_t poles, std::uint32_t speed,
                                               std::uint32_t autoTuning, std::uint32_t type) {
    return s_.record("setInvertorMotorParameters",
                     fmt("%g, %g, %g, %g, %u, %u, %u, %u", power, voltage, current, frequency, u(poles),
                         u(speed), u(autoTuning), u(type)));
}
bool FakeKwzDriver::getMarkerOpticalSpeed(std::uint32_t index, double& rpm) {
    double v = s_.opticalSpeed;
    if (!s_.opticalSpeeds.empty()) {
        v = s_.opticalSpeeds.front();
        s_.opticalSpeeds.pop_front();
    }
    if (!s_.record("getMarkerOpticalSpeed", fmt("%u", u(index)))) return false;
    rpm = v;
    return true;
}
bool FakeKwzDriver::getMarkerEncoderSpeed(std::uint32_t index, double& rpm) {
    double v = s_.encoderSpeed;
    if (!s_.encoderSpeeds.empty()) {
        v = s_.encoderSpeeds.front();
        s_.encoderSpeeds.pop_front();
    }
    if (!s_.record("getMarkerEncoderSpeed", fmt("%u", u(index)))) return false;
    rpm = v;
    return true;
}
bool FakeKwzDriver::getMarkerEncoderAngleDeg(std::uint32_t index, double& degrees) {
    if (!s_.record("getMarkerEncoderAngleDeg", fmt("%u", u(index)))) return false;
    degrees = s_.angle;
    return true;
}
bool FakeKwzDriver::getMarkerEncoderFullTurn(std::uint32_t index, std::uint32_t& counts) {
    if (!s_.record("getMarkerEncoderFullTurn", fmt("%u", u(index)))) return false;
    counts = s_.fullTurn;
    return true;
}
bool FakeKwzDriver::getMarkerEncoderTrainState(std::uint32_t index, std::uint32_t& state) {
    if (!s_.record("getMarkerEncoderTrainState", fmt("%u", u(index)))) return false;
    state = s_.trainState;
    return true;
}
bool FakeKwzDriver::setMarkerEncoderMarkerType(std::uint32_t index, std::uint32_t type) {
    return s_.record("setMarkerEncoderMarkerType", fmt("%u, %u", u(index), u(type)));
}
bool FakeKwzDriver::setMarkerEncoderTrainStart(std::uint32_t index) {
    return s_.record("setMarkerEncoderTrainStart", fmt("%u", u(index)));
}
bool FakeKwzDriver::setControl(std::uint16_t control) {
    return s_.record("setControl", fmt("%u", unsigned(control)));
}
bool FakeKwzDriver::getWelderStatusFlag(std::uint32_t& flag) {
    if (!s_.record("getWelderStatusFlag", "")) return false;
    flag = s_.welderFlag;
    return true;
}
bool FakeKwzDriver::isWelderActive(std::uint32_t& active) {
    if (!s_.record("isWelderActive", "")) return false;
    active = s_.welderActive;
    return true;
}
bool FakeKwzDriver::getWeldingProgress(std::uint32_t& progress) {
    if (!s_.record("getWeldingProgress", "")) return false;
    progress = s_.weldingProgress;
    return true;
}
bool FakeKwzDriver::restartWelder() {
    return s_.record("restartWelder", "");
}
bool FakeKwzDriver::setWelderBlock(bool blocked) {
    return s_.record("setWelderBlock", blocked ? "1" : "0");
}
bool FakeKwzDriver::setADCMode(TamskKWZv2::ADC_Mode mode, bool instFilter) {
    return s_.record("setADCMode", fmt("%s, %d", mode == TamskKWZv2::ADC_Mode::test ? "test" : "balancing",
                                       instFilter ? 1 : 0));
}
bool FakeKwzDriver::getADCChannelGain(std::uint8_t& c1, std::uint8_t& c2, std::uint8_t& c3, std::uint8_t& c4,
                                      std::uint8_t& c5) {
    if (!s_.record("getADCChannelGain", "")) return false;
    c1 = s_.gainCodes[0];
    c2 = s_.gainCodes[1];
    c3 = s_.gainCodes[2];
    c4 = s_.gainCodes[3];
    c5 = s_.gainCodes[4];
    return true;
}
bool FakeKwzDriver::setADCChannelGainTestMode(std::uint8_t c1, std::uint8_t c2, std::uint8_t c3,
                                              std::uint8_t c4, std::uint8_t c5) {
    return s_.record("setADCChannelGainTestMode", fmt("%u, %u, %u, %u, %u", unsigned(c1), unsigned(c2),
                                                      unsigned(c3), unsigned(c4), unsigned(c5)));
}
bool FakeKwzDriver::setADCSampleRateTestMode(std::uint32_t rate) {
    return s_.record("setADCSampleRateTestMode", fmt("%u", u(rate)));
}
bool FakeKwzDriver::setADCStartConversionTestMode(std::uint32_t packetCount) {
    return s_.record("setADCStartConversionTestMode", fmt("%u", u(packetCount)));
}
bool FakeKwzDriver::setADCStartConversionBalancingMode(double speed, std::uint32_t trigger,
                                                       std::uint32_t periods, double* interval) {
    const bool ok =
        s_.record("setADCStartConversionBalancingMode",
                  fmt("%g, %u, %u, %s", speed, u(trigger), u(periods), interval ? "out" : "null"));
    if (ok && interval) *interval = s_.dataPeriod;
    return ok;
}
bool FakeKwzDriver::getADCDataBalancingMode(Traces& traces, std::vector<double>& marker,
                                            std::vector<std::uint32_t>& indices, ChannelResults& results,
                                            TamskKWZv2::GainReport& gains) {
    if (!s_.record("getADCDataBalancingMode", "")) return false;
    traces = s_.traces;
    marker = s_.marker;
    indices = s_.markerIndices;
    results = s_.results;
    for (int i = 0; i < 5; ++i) gains.channelGain[i] = s_.gainCodes[i];
    return true;
}
bool FakeKwzDriver::getADCDataTestMode(Traces& traces, std::vector<double>& marker, Amplitudes& amplitudes,
                                       TamskKWZv2::GainReport& gains) {
    if (!s_.record("getADCDataTestMode", "")) return false;
    traces = s_.traces;
    marker = s_.marker;
    amplitudes = s_.amplitudes;
    for (int i = 0; i < 5; ++i) gains.channelGain[i] = s_.gainCodes[i];
    return true;
}

}  // namespace iapitest
