#include "support/machine_fake_api.h"

void FakeApi::script(const std::string& op, std::vector<double> values) {
    auto& q = queues_[op];
    q.insert(q.end(), values.begin(), values.end());
}

int FakeApi::count(const std::string& op) const {
    int n = 0;
    for (const auto& c : calls) n += c.op == op;
    return n;
}

std::vector<ApiCall> FakeApi::callsOf(const std::string& op) const {
    std::vector<ApiCall> out;
    for (const auto& c : calls)
        if (c.op == op) out.push_back(c);
    return out;
}

std::vector<std::string> FakeApi::names() const {
    std::vector<std::string> out;
    for (const auto& c : calls) out.push_back(c.op);
    return out;
}

void FakeApi::record(const char* op, std::vector<double> args) {
    if (watchState) {
        const int s = watchState->load();
        if (states.empty() || states.back() != s) states.push_back(s);
    }
    calls.push_back({op, std::move(args)});
}

double FakeApi::take(const std::string& op, double fallback) {
    auto q = queues_.find(op);
    if (q != queues_.end() && !q->second.empty()) {
        const double v = q->second.front();
        q->second.pop_front();
        return v;
    }
    auto f = fixed_.find(op);
    return f != fixed_.end() ? f->second : fallback;
}

#define FORWARD(call) \
    if (forward_) return forward_->call

bool FakeApi::getAngle(double* degrees) {
    record("getAngle");
    FORWARD(getAngle(degrees));
    if (degrees) *degrees = take("getAngle.out", 0.0);
    return take("getAngle", 1) != 0;
}
bool FakeApi::hasInverterError() {
    record("hasInverterError");
    FORWARD(hasInverterError());
    if (inverterErrorHook) return inverterErrorHook();
    return take("hasInverterError", 0) != 0;
}
bool FakeApi::isBlocked(std::uint32_t config) {
    record("isBlocked", {double(config)});
    FORWARD(isBlocked(config));
    return take("isBlocked", 0) != 0;
}
bool FakeApi::isConnected() {
    record("isConnected");
    FORWARD(isConnected());
    return take("isConnected", 1) != 0;
}
bool FakeApi::hasTurnData() {
    record("hasTurnData");
    FORWARD(hasTurnData());
    return take("hasTurnData", 0) != 0;
}
int FakeApi::getErrorInfo(int* inverterType) {
    record("getErrorInfo");
    FORWARD(getErrorInfo(inverterType));
    if (inverterType) *inverterType = static_cast<int>(take("getErrorInfo.out", 0));
    return static_cast<int>(take("getErrorInfo", 0));
}
int FakeApi::defaultCalibrationStep() {
    record("defaultCalibrationStep");
    FORWARD(defaultCalibrationStep());
    return static_cast<int>(take("defaultCalibrationStep", 1000));
}
double FakeApi::getSampleRate() {
    record("getSampleRate");
    FORWARD(getSampleRate());
    return take("getSampleRate", sampleRate);
}
double FakeApi::getSpeed() {
    record("getSpeed");
    FORWARD(getSpeed());
    if (speedHook) return speedHook();
    return take("getSpeed", 0.0);
}
bool FakeApi::setBooster(const int g[5]) {
    record("setBooster", {double(g[0]), double(g[1]), double(g[2]), double(g[3]), double(g[4])});
    for (int i = 0; i < 5; ++i) gains[i] = g[i];
    FORWARD(setBooster(g));
    return take("setBooster", 1) != 0;
}
int FakeApi::getChannelGain(int channel) {
    record("getChannelGain", {double(channel)});
    FORWARD(getChannelGain(channel));
    return static_cast<int>(take("getChannelGain", -1));
}
void FakeApi::setBrake(bool on) {
    record("setBrake", {double(on)});
    FORWARD(setBrake(on));
}
void FakeApi::setRelay(bool on, int relay) {
    record("setRelay", {double(on), double(relay)});
    FORWARD(setRelay(on, relay));
}
bool FakeApi::reserved14() {
    record("reserved14");
    FORWARD(reserved14());
    return false;
}
void FakeApi::setMiscParams(bool belt, int size, int period) {
    record("setMiscParams", {double(belt), double(size), double(period)});
    FORWARD(setMiscParams(belt, size, period));
}
bool FakeApi::needsTrain() {
    record("needsTrain");
    FORWARD(needsTrain());
    return take("needsTrain", 1) != 0;
}
void FakeApi::startTraining() {
    record("startTraining");
    FORWARD(startTraining());
}
bool FakeApi::setAccTime(int acc, int dec, int type) {
    record("setAccTime", {double(acc), double(dec), double(type)});
    FORWARD(setAccTime(acc, dec, type));
    return take("setAccTime", 1) != 0;
}
bool FakeApi::setMotorParams(const MotorParams& p) {
    record("setMotorParams", {p.power, p.voltage, p.current, p.frequency, p.speed, double(p.poles), double(p.autoTune)});
    FORWARD(setMotorParams(p));
    return take("setMotorParams", 1) != 0;
}
bool FakeApi::setAccuracy(int a, int b, int c) {
    record("setAccuracy", {double(a), double(b), double(c)});
    FORWARD(setAccuracy(a, b, c));
    return take("setAccuracy", 1) != 0;
}
bool FakeApi::setInverters(const std::vector<InverterEntry>& list) {
    std::vector<double> args;
    for (const auto& e : list) {
        args.push_back(e.address);
        args.push_back(e.type);
    }
    record("setInverters", args);
    FORWARD(setInverters(list));
    return take("setInverters", 1) != 0;
}
int FakeApi::setCurrentInverter(int index, int phasor) {
    record("setCurrentInverter", {double(index), double(phasor)});
    FORWARD(setCurrentInverter(index, phasor));
    return static_cast<int>(take("setCurrentInverter", 0));
}
bool FakeApi::setInverterType(int type, int address) {
    record("setInverterType", {double(type), double(address)});
    FORWARD(setInverterType(type, address));
    return take("setInverterType", 1) != 0;
}
int FakeApi::getTurnScale() {
    record("getTurnScale");
    FORWARD(getTurnScale());
    return static_cast<int>(take("getTurnScale", 0));
}
bool FakeApi::setSpeed(std::int16_t centiHz) {
    record("setSpeed", {double(centiHz)});
    FORWARD(setSpeed(centiHz));
    if (setSpeedHook) return setSpeedHook(centiHz);
    return take("setSpeed", 1) != 0;
}
bool FakeApi::startReading(const ReadRequest* request) {
    std::vector<double> args;
    if (request) {
        lastRequest = *request;
        lastTable.clear();
        const std::uint32_t n = request->channelTable ? request->nChannels : 0;
        for (std::uint32_t i = 0; i + 1 < n && i < 8; ++i) lastTable.push_back(request->channelTable[i]);
        args = {double(request->rate), double(request->blocks), double(request->nChannels),
                double(request->nRecorded), double(request->extra), double(request->speedFlag),
                double(request->testMode), double(request->filter)};
        nChannels = static_cast<int>(request->nChannels);
        nRecorded = static_cast<int>(request->nRecorded);
        blocks = static_cast<int>(request->blocks);
        sampleRate = static_cast<int>(request->rate);
    }
    record("startReading", args);
    FORWARD(startReading(request));
    return take("startReading", 1) != 0;
}
void FakeApi::stopReading() {
    record("stopReading");
    FORWARD(stopReading());
}
bool FakeApi::getData(TurnResults* results) {
    record("getData", {double(results != nullptr)});
    FORWARD(getData(results));
    if (results && !turnBatches.empty()) {
        const TurnResults& b = turnBatches.front();
        results->insert(results->end(), b.begin(), b.end());
        turnBatches.pop_front();
    }
    return take("getData", 1) != 0;
}
bool FakeApi::readData() {
    record("readData");
    FORWARD(readData());
    batch_.clear();
    if (rawHook) {
        rawHook(batch_);
    } else if (!rawBatches.empty()) {
        batch_ = std::move(rawBatches.front());
        rawBatches.pop_front();
    }
    cursor_ = -1;
    return take("readData", 1) != 0;
}
bool FakeApi::isMarkSample() {
    if (recordSamples) record("isMarkSample");
    FORWARD(isMarkSample());
    return cursor_ >= 0 && cursor_ < static_cast<int>(batch_.size()) && batch_[cursor_].mark;
}
int FakeApi::getSampleValue(int channel) {
    if (recordSamples) record("getSampleValue", {double(channel)});
    FORWARD(getSampleValue(channel));
    if (cursor_ < 0 || cursor_ >= static_cast<int>(batch_.size()) || channel < 0 || channel >= 5) return 0;
    return batch_[cursor_].values[channel];
}
bool FakeApi::nextSample() {
    if (recordSamples) record("nextSample");
    FORWARD(nextSample());
    if (cursor_ + 1 >= static_cast<int>(batch_.size())) {
        cursor_ = static_cast<int>(batch_.size());
        return false;
    }
    ++cursor_;
    return true;
}
bool FakeApi::hasRecentDataGap() {
    record("hasRecentDataGap");
    FORWARD(hasRecentDataGap());
    return take("hasRecentDataGap", 0) != 0;
}
void FakeApi::resetPacketCounter() {
    record("resetPacketCounter");
    FORWARD(resetPacketCounter());
}
void FakeApi::onKey(int key) {
    record("onKey", {double(key)});
    FORWARD(onKey(key));
}
int FakeApi::getDemoParam() {
    record("getDemoParam");
    FORWARD(getDemoParam());
    return static_cast<int>(take("getDemoParam", 0));
}
const char* FakeApi::getVersionString() {
    record("getVersionString");
    FORWARD(getVersionString());
    return version.c_str();
}
bool FakeApi::getWelderStatusFlag() {
    record("getWelderStatusFlag");
    FORWARD(getWelderStatusFlag());
    return take("getWelderStatusFlag", 0) != 0;
}
TamskKWZv2::KWZUSB* FakeApi::getDriver() {
    record("getDriver");
    FORWARD(getDriver());
    return nullptr;
}
void FakeApi::restartWelder() {
    record("restartWelder");
    FORWARD(restartWelder());
}
bool FakeApi::isWelderActive() {
    record("isWelderActive");
    FORWARD(isWelderActive());
    return take("isWelderActive", 0) != 0;
}
int FakeApi::getWeldingProgress() {
    record("getWeldingProgress");
    FORWARD(getWeldingProgress());
    return static_cast<int>(take("getWeldingProgress", -1));
}
bool FakeApi::isFrezerActive() {
    record("isFrezerActive");
    FORWARD(isFrezerActive());
    return take("isFrezerActive", 0) != 0;
}
bool FakeApi::setUpdateMode() {
    record("setUpdateMode");
    FORWARD(setUpdateMode());
    return take("setUpdateMode", 1) != 0;
}
void FakeApi::openLog(bool on) {
    record("openLog", {double(on)});
    FORWARD(openLog(on));
}
bool FakeApi::isRpmReached() {
    record("isRpmReached");
    FORWARD(isRpmReached());
    return take("isRpmReached", 0) != 0;
}
bool FakeApi::saveBuffer(std::FILE* f) {
    record("saveBuffer");
    FORWARD(saveBuffer(f));
    return take("saveBuffer", 0) != 0;
}
bool FakeApi::nextBuffer() {
    record("nextBuffer");
    FORWARD(nextBuffer());
    return Api::nextBuffer();
}
