// The rotor reads the settings' members directly; a null Config reads as a
// default one.
#include "rotor/rotor_config.h"

#include <cstddef>

#include "records/settings_records.h"

namespace rotorcfg {
namespace {

const Config& settings(const Config* c) {
    static const Config defaults;
    return c ? *c : defaults;
}

const Channel* channel(const Config* c, int index) {
    if (!c || index < 0 || static_cast<std::size_t>(index) >= c->channels.size()) return nullptr;
    return &c->channels[static_cast<std::size_t>(index)];
}

const Drive& drive(const Config* c, bool belt) {
    return belt ? settings(c).beltDrive : settings(c).endDrive;
}

}  // namespace

int channelListSize(const Config* c) {
    return c ? static_cast<int>(c->channels.size()) : 0;
}

bool channelActive(const Config* c, int index) {
    const Channel* ch = channel(c, index);
    return ch && ch->active;
}

bool channelSoftBearing(const Config* c, int index) {
    const Channel* ch = channel(c, index);
    return ch && ch->softBearing;
}

int channelPhaseShift(const Config* c, int index) {
    const Channel* ch = channel(c, index);
    return ch ? ch->phaseShift : 0;
}

bool driveActive(const Config* c, bool belt) {
    return drive(c, belt).active;
}
double driveRatio(const Config* c, bool belt) {
    return drive(c, belt).driveRatio;
}
double driveMaxSpeed(const Config* c, bool belt) {
    return drive(c, belt).maxSpeed;
}
bool driveDefaultDirection(const Config* c, bool belt) {
    return drive(c, belt).defaultDirection;
}
std::uint32_t beltDefaultPulley(const Config* c) {
    return settings(c).beltDrive.pulleyDiameter;
}

double drillAngle(const Config* c) {
    return settings(c).drillAngle;
}
double speedLimitMin(const Config* c) {
    return settings(c).speedLimit.minimum;
}
double speedLimitMax(const Config* c) {
    return settings(c).speedLimit.maximum;
}
double weightLimitMin(const Config* c) {
    return settings(c).weightLimit.minimum;
}
double weightLimitMax(const Config* c) {
    return settings(c).weightLimit.maximum;
}
double balancingAccuracy(const Config* c) {
    return settings(c).balancingAccuracy;
}
std::uint32_t averagingCount(const Config* c) {
    return settings(c).measurementCycles;
}
double amplitudeDeviation(const Config* c) {
    return settings(c).amplitudeDeviation;
}

void setCorrectionOption(Config* c, bool on) {
    if (c) c->local.correctionOption = on;
}

}  // namespace rotorcfg
