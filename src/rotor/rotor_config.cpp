// The rotor reads the settings by their tag paths, through the records' own
// field access: nothing here depends on how the settings records lay out
// their members, and a setting the Config does not hold reads as its default.
#include "rotor/rotor_config.h"

#include <initializer_list>

#include "records/settings_records.h"

namespace rotorcfg {
namespace {

using u32 = std::uint32_t;

constexpr u32 kChannels = 0x1DD6410;
constexpr u32 kChannelActive = 0x1DC4801;
constexpr u32 kChannelPhaseShift = 0x1DC4807;
constexpr u32 kChannelSoftBearing = 0x1DC4808;
constexpr u32 kEndDrive = 0x1DD640D;
constexpr u32 kBeltDrive = 0x1DD640E;
constexpr u32 kDriveActive = 0x1C72801;
constexpr u32 kDriveRatio = 0x1C72804;
constexpr u32 kDriveMaxSpeed = 0x1C72805;
constexpr u32 kDriveDirection = 0x1C7280A;
constexpr u32 kDrivePulley = 0x1C7280C;
constexpr u32 kDrillAngle = 0x1DD644A;
constexpr u32 kWeightLimit = 0x1DD640B;
constexpr u32 kSpeedLimit = 0x1DD640C;
constexpr u32 kLimitMin = 0x14BCC01;
constexpr u32 kLimitMax = 0x14BCC02;
constexpr u32 kAccuracy = 0x1DD6409;
constexpr u32 kAveraging = 0x1DD641E;
constexpr u32 kDeviation = 0x1DD641F;
constexpr u32 kLocal = 0x1DD6402;
constexpr u32 kCorrectionOption = 0x1DD5005;

struct Number {
    bool found = false;
    double real = 0.0;
    std::uint64_t integer = 0;
    bool isInteger = false;
};

Number readNumber(const Config* c, std::initializer_list<u32> path) {
    Number n;
    if (!c) return n;
    Tris::FieldReport report = [&n](unsigned kind, const char*, double number, std::uint64_t integer) -> unsigned {
        if (kind == Tris::kAccessDouble) {
            n.found = true;
            n.real = number;
        } else if (kind == Tris::kAccessInteger) {
            n.found = true;
            n.isInteger = true;
            n.integer = integer;
            n.real = static_cast<double>(static_cast<std::int64_t>(integer));
        }
        return kind;
    };
    const_cast<Config*>(c)->accessField(path.begin(), static_cast<int>(path.size()), report, nullptr);
    return n;
}

double readReal(const Config* c, std::initializer_list<u32> path, double fallback) {
    const Number n = readNumber(c, path);
    return n.found ? n.real : fallback;
}

// 1 set, 0 clear, -1 not held.
int readFlag(const Config* c, std::initializer_list<u32> path) {
    if (!c) return -1;
    const unsigned r = const_cast<Config*>(c)->accessField(path.begin(), static_cast<int>(path.size()), {}, nullptr);
    if (r == Tris::kAccessFlagSet) return 1;
    if (r == Tris::kAccessFlagClear) return 0;
    return -1;
}

}  // namespace

int channelListSize(const Config* c) {
    if (!c) return 0;
    int n = 0;
    while (readFlag(c, {kChannels, static_cast<u32>(n), kChannelActive}) >= 0) ++n;
    return n;
}

bool channelActive(const Config* c, int index) {
    return index >= 0 && readFlag(c, {kChannels, static_cast<u32>(index), kChannelActive}) == 1;
}

bool channelSoftBearing(const Config* c, int index) {
    return index >= 0 && readFlag(c, {kChannels, static_cast<u32>(index), kChannelSoftBearing}) == 1;
}

int channelPhaseShift(const Config* c, int index) {
    if (index < 0) return 0;
    const Number n = readNumber(c, {kChannels, static_cast<u32>(index), kChannelPhaseShift});
    if (!n.found) return 0;
    return n.isInteger ? static_cast<int>(static_cast<std::int64_t>(n.integer)) : static_cast<int>(n.real);
}

static u32 driveTag(bool belt) { return belt ? kBeltDrive : kEndDrive; }

bool driveActive(const Config* c, bool belt) { return readFlag(c, {driveTag(belt), kDriveActive}) == 1; }
double driveRatio(const Config* c, bool belt) { return readReal(c, {driveTag(belt), kDriveRatio}, 1.0); }
double driveMaxSpeed(const Config* c, bool belt) { return readReal(c, {driveTag(belt), kDriveMaxSpeed}, 1000.0); }
bool driveDefaultDirection(const Config* c, bool belt) { return readFlag(c, {driveTag(belt), kDriveDirection}) == 1; }
std::uint32_t beltDefaultPulley(const Config* c) {
    const Number n = readNumber(c, {kBeltDrive, kDrivePulley});
    if (!n.found) return 70;
    return n.isInteger ? static_cast<u32>(n.integer) : static_cast<u32>(n.real);
}

double drillAngle(const Config* c) { return readReal(c, {kDrillAngle}, 120.0); }
double speedLimitMin(const Config* c) { return readReal(c, {kSpeedLimit, kLimitMin}, 400.0); }
double speedLimitMax(const Config* c) { return readReal(c, {kSpeedLimit, kLimitMax}, 2000.0); }
double weightLimitMin(const Config* c) { return readReal(c, {kWeightLimit, kLimitMin}, 0.1); }
double weightLimitMax(const Config* c) { return readReal(c, {kWeightLimit, kLimitMax}, 100.0); }
double balancingAccuracy(const Config* c) { return readReal(c, {kAccuracy}, 0.4); }
std::uint32_t averagingCount(const Config* c) {
    const Number n = readNumber(c, {kAveraging});
    if (!n.found) return 5;
    return n.isInteger ? static_cast<u32>(n.integer) : static_cast<u32>(n.real);
}
double amplitudeDeviation(const Config* c) { return readReal(c, {kDeviation}, 3.0); }

void setCorrectionOption(Config* c, bool on) {
    if (!c) return;
    const u32 path[] = {kLocal, kCorrectionOption, on ? 1u : 0u};
    c->accessField(path, 3, {}, "");
}

}  // namespace rotorcfg
