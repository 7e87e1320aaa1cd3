#include "support/machine_fake_machine.h"

#include <cstdlib>
#include <cstring>

#include "rotor/rotor.h"
#include "texts/format.h"

int FakeMachine::count(const std::string& prefix) const {
    int n = 0;
    for (const std::string& c : calls)
        if (c.compare(0, prefix.size(), prefix) == 0) ++n;
    return n;
}

bool FakeMachine::setConnectFlag() {
    log("setConnectFlag");
    if (state != 0 || connectFlag) return false;
    connectFlag = true;
    return true;
}
void FakeMachine::clearConnectFlag() {
    log("clearConnectFlag");
    connectFlag = false;
}
bool FakeMachine::startProcess(int code) {
    log(ks::format("startProcess({})", code));
    lastProcess = code;
    return !refuseStarts;
}
bool FakeMachine::requestQuit() {
    log("requestQuit");
    return ++quitCalls_ >= quitCallsNeeded;
}
bool FakeMachine::stop() {
    log("stop");
    return true;
}
void FakeMachine::setSpeed(double value, bool isFrequency) { log(ks::format("setSpeed({},{})", value, int(isFrequency))); }
void FakeMachine::confirmStart() { log("confirmStart"); }
void FakeMachine::startTraining() { log("startTraining"); }
void FakeMachine::clearSampleBuffer() { log("clearSampleBuffer"); }
void FakeMachine::saveCalibration(bool only) { log(ks::format("saveCalibration({})", int(only))); }
void FakeMachine::setEventLogging(bool on) { log(ks::format("setEventLogging({})", int(on))); }

int FakeMachine::getState() {
    if (touchRotor && rotor) (void)rotor->planeCount(false);
    return state;
}

int* FakeMachine::getSamples(int* points, int* valuesPerSample) {
    log("getSamples");
    if (samples.empty()) return nullptr;
    auto* copy = static_cast<int*>(std::malloc(samples.size() * sizeof(int)));
    if (!copy) return nullptr;
    std::memcpy(copy, samples.data(), samples.size() * sizeof(int));
    if (points) *points = samplePoints;
    if (valuesPerSample) *valuesPerSample = sampleBlocks;
    return copy;
}

int FakeMachine::initPlaneData(std::vector<float>* traces, int block) {
    log(ks::format("initPlaneData({})", block));
    if (block < 0 || block >= static_cast<int>(planeBlocks.size())) return 0;
    const auto& slots = planeBlocks[static_cast<std::size_t>(block)];
    for (std::size_t k = 0; k < slots.size() && k < 16; ++k) traces[k] = slots[k];
    return slots.empty() ? 0 : static_cast<int>(slots[0].size());
}

std::string FakeMachine::errorText(int* shownCode, std::string* title) {
    if (shownCode) *shownCode = result;
    if (title) *title = errorTitle;
    return errorMessage;
}

double FakeMachine::getSpecificUnbalance(char* out, int size) {
    if (out && size > 0) out[0] = '\0';
    return 1.0;
}

void FakeMachine::setRotor(Rotor* r) {
    log("setRotor");
    rotor = r;
}
void FakeMachine::setTurnTarget(double a, double jog) { log(ks::format("setTurnTarget({},{})", a, jog)); }
int FakeMachine::setTurnSpeed(double value, int plane) {
    log(ks::format("setTurnSpeed({},{})", value, plane));
    return 0;
}
void FakeMachine::applyMiscParams() { log("applyMiscParams"); }
void FakeMachine::requestDriveSetup() { log("requestDriveSetup"); }
void FakeMachine::resetBooster() { log("resetBooster"); }
void FakeMachine::onKey(int key) { log(ks::format("onKey({})", key)); }
void FakeMachine::setBrake(bool on) { log(ks::format("setBrake({})", int(on))); }
void FakeMachine::setRelay(bool on, int relay) { log(ks::format("setRelay({},{})", int(on), relay)); }
void FakeMachine::restartWelder() { log("restartWelder"); }
bool FakeMachine::requestUpdateMode() {
    log("requestUpdateMode");
    return true;
}
void FakeMachine::setBoosterLevel(int level) { log(ks::format("setBoosterLevel({})", level)); }
void FakeMachine::resetResults() {
    log("resetResults");
    resultCount = 0;
}
void FakeMachine::requestReconnect() { log("requestReconnect"); }
void FakeMachine::setPlaneValues(int a, int b) {
    log(ks::format("setPlaneValues({},{})", a, b));
    planeValueA = a;
    planeValueB = b;
}
void FakeMachine::getPlaneValues(int* a, int* b) {
    if (a) *a = planeValueA;
    if (b) *b = planeValueB;
}
void FakeMachine::requestCopyLogs() { log("requestCopyLogs"); }
int FakeMachine::takeCopyLogsResult() {
    const int r = copyLogsResult;
    copyLogsResult = 0;
    return r;
}
void FakeMachine::setPipeDiameter(float mm) { log(ks::format("setPipeDiameter({})", mm)); }
void FakeMachine::setPipeThickness(int p) { log(ks::format("setPipeThickness({})", p)); }
void FakeMachine::setFastRotation(int v) { log(ks::format("setFastRotation({})", v)); }
void FakeMachine::setJogRotation(int a, int t) { log(ks::format("setJogRotation({},{})", a, t)); }
void FakeMachine::setJogWelding(bool on) { log(ks::format("setJogWelding({})", int(on))); }
void FakeMachine::setWeldRotation(bool on) { log(ks::format("setWeldRotation({})", int(on))); }
void FakeMachine::setWeldWelding(bool on) { log(ks::format("setWeldWelding({})", int(on))); }
