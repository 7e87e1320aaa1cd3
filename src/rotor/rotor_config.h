#pragma once
// What the rotor reads of the machine's settings, in one place.  Every
// function takes the Config the rotor was made with (null reads as the
// settings' defaults) and checks list indexes: a channel outside the list
// reads as inactive, without soft bearing and without phase shift.

#include <cstdint>

struct Config;

namespace rotorcfg {

// Channel list ("Vibration measurement channels"), index from 0.
int channelListSize(const Config* c);
bool channelActive(const Config* c, int index);
bool channelSoftBearing(const Config* c, int index);
int channelPhaseShift(const Config* c, int index);

// End drive (belt = false) or belt drive (belt = true).
bool driveActive(const Config* c, bool belt);
double driveRatio(const Config* c, bool belt);
double driveMaxSpeed(const Config* c, bool belt);
bool driveDefaultDirection(const Config* c, bool belt);
std::uint32_t beltDefaultPulley(const Config* c);

// Machine values.
double drillAngle(const Config* c);  // "Included angle of the drill bit"
double speedLimitMin(const Config* c);
double speedLimitMax(const Config* c);
double weightLimitMin(const Config* c);
double weightLimitMax(const Config* c);
double balancingAccuracy(const Config* c);  // "Balancing accuracy E~mar"
std::uint32_t averagingCount(const Config* c);
double amplitudeDeviation(const Config* c);
void setCorrectionOption(Config* c, bool on);  // LocalConfig::correctionOption

}  // namespace rotorcfg
