#include "machine/welder_api.h"

#include <utility>

#include "files/logger.h"

namespace {

const char* activated(bool on) {
    return on ? "activated" : "deactivated";
}

LoggerBase* openLogger() {
    LoggerBase* log = createLogger("welder_api");
    if (log) log->open(true);
    return log;
}

}  // namespace

Welder::Welder() {
    _log = openLogger();
    _driver = std::make_unique<TamskWelder::Welder_v3>("logs", 2u);
}

Welder::Welder(const std::string& logFolder, unsigned logLevel, TamskWelder::WelderOptions options) {
    _log = openLogger();
    _driver = std::make_unique<TamskWelder::Welder_v3>(logFolder, logLevel, std::move(options));
}

Welder::~Welder() {
    delete _log;
    _log = nullptr;
    _driver.reset();
}

bool Welder::isConnected() {
    return _driver->isConnected();
}

bool Welder::isError() {
    return _driver->isError();
}

void Welder::setCallbacks(std::function<void(int*)> error, std::function<void()> finished,
                          std::function<void(unsigned int*)> progress) {
    _driver->setCallbacks(std::move(error), std::move(finished), std::move(progress));
}

bool Welder::getParameters(WeldingParameters* out) {
    WeldingParameters block;  // starts at the defaults
    const bool ok = _driver->getParameters(&block);
    if (out == nullptr) return false;
    out->encoderSamples = block.encoderSamples;
    out->encoderRatio = block.encoderRatio;
    out->seamOverlap = block.seamOverlap;
    out->gearRatio = block.gearRatio;
    out->motorNominalRPM = block.motorNominalRPM;
    out->weldingLinearSpeed = block.weldingLinearSpeed;
    out->reverseRotationPermission = block.reverseRotationPermission;
    out->weldingDirectionRotation = block.weldingDirectionRotation;
    return ok;
}

bool Welder::setParameters(WeldingParameters parameters) {
    return _driver->setParameters(parameters);
}

void Welder::setDiameter(float diameter) {
    _driver->setDiameter(diameter);
}

void Welder::setPipeThickness(int pattern) {
    // Negative patterns become large and are refused like any above 8.
    _driver->setWeldingMode(static_cast<std::uint32_t>(pattern));
}

void Welder::setFastRotation(int value) {
    logPrintf(&_log, "setFastRotation: %d", value);
    _driver->setFastRotation(value);
}

void Welder::setJogRotation(int degrees) {
    logPrintf(&_log, "setJogRotation: %d", degrees);
    _driver->setJogRotation(degrees);
}

void Welder::setJogWelding(bool on) {
    logPrintf(&_log, "setJogWelding: %s", activated(on));
    _driver->setJogWelding(on);
}

void Welder::setWeldRotation(bool on) {
    logPrintf(&_log, "setWeldRotation: %s", activated(on));
    _driver->setWeldRotation(on);
}

void Welder::setWeldWelding(bool on) {
    logPrintf(&_log, "setWeldWelding: %s", activated(on));
    _driver->setWeldWelding(on);
}

std::uint32_t Welder::getState() {
    return _driver->getState();
}
