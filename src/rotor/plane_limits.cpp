#include "rotor/plane_limits.h"

#include <cmath>

#include "rotor/polar.h"

using namespace jobrec;

namespace {

// Lengths in mm, masses in g, angles in degrees, density in g/cm³.
constexpr double kLongest = 100000.0;   // a radius of 100 m
constexpr double kDeepest = 10000.0;    // a hole or cut 10 m deep or wide
constexpr double kWidestHole = 1000.0;  // a drill or wall of 1 m
constexpr double kHeaviest = 1.0e6;     // a tonne, per piece or per mm
using fieldrange::kDensest;

PlaneLimit real(std::uint32_t field, double lowest, double highest, double Plane::*member) {
    return realLimit(field, lowest, highest, member);
}
PlaneLimit real(std::uint32_t field, double highest, double Plane::*member) {
    return realLimit(field, 0.0, highest, member);
}
PlaneLimit count(std::uint32_t field, double highest, std::uint32_t Plane::*member) {
    return countLimit(field, highest, member);
}

const std::vector<PlaneLimit>& limits() {
    static const std::vector<PlaneLimit> table = {
        count(kChannel1, kMaxPlaneChannel, &Plane::channel1),
        count(kChannel2, kMaxPlaneChannel, &Plane::channel2),
        real(kRadius, kLongest, &Plane::radius),
        real(kMinMass, kHeaviest, &Plane::minMass),
        real(kMaxMass, kHeaviest, &Plane::maxMass),
        count(kPositions, kMaxPlanePositions, &Plane::positions),
        real(kLinearMass, kHeaviest, &Plane::linearMass),
        real(kHoleDiameter, kWidestHole, &Plane::holeDiameter),
        // 0 takes the machine's drill bit.
        real(kDrillAngle, fieldrange::kNarrowestDrillBit, 180.0, &Plane::drillAngle)
            .withZero(Beyond::kDefault),
        real(kWallThickness, kWidestHole, &Plane::wallThickness),
        real(kMaxDrillDepth, kDeepest, &Plane::maxDrillDepth),
        count(kAdditionalHoles, 100.0, &Plane::additionalHoles),
        real(kMillWidth, kDeepest, &Plane::millWidth),
        real(kMaxMillDepth, kDeepest, &Plane::maxMillDepth),
        real(kMillSpeed, kHeaviest, &Plane::millSpeed),
        real(kDensity, kDensest, &Plane::density),
        real(kDistance1, -kLongest, kLongest, &Plane::distance1),
        real(kDistance2, -kLongest, kLongest, &Plane::distance2),
        real(kDistance3, -kLongest, kLongest, &Plane::distance3),
        real(kRadiusSmall, kLongest, &Plane::radiusSmall),
        real(kRadiusR1, kLongest, &Plane::radiusR1),
        real(kMassStation, kHeaviest, &Plane::massStation),
        real(kMassTravel, kHeaviest, &Plane::massTravel),
        real(kMassUmar, kHeaviest, &Plane::massUmar),
        // The current correction, as computed (either sign).
        real(kUnbalanceAmount, -kHeaviest * kLongest, kHeaviest * kLongest, &Plane::unbalanceAmount),
        real(kMassAmount, -kHeaviest, kHeaviest, &Plane::massAmount),
        real(kTrialMass, kHeaviest, &Plane::trialMass),
    };
    return table;
}

// An angle of more than a turn either way is brought into [0, 360); smaller
// ones are left as they are (a trial angle of 0 means "no angle set").
void reduceAngle(std::uint32_t field, double& angle, std::vector<RangeFix>& fixes) {
    if (std::isfinite(angle) && std::fabs(angle) <= 360.0) return;
    const double was = angle;
    angle = polar::reduceDegrees(angle);
    fixes.push_back({field, was, angle});
}

}  // namespace

const PlaneLimit* planeLimit(std::uint32_t field) {
    return findLimit(limits(), field);
}

std::vector<RangeFix> bringPlaneIntoRange(Plane& plane, double machineDrillAngle) {
    std::vector<RangeFix> fixes;
    Plane defaults;
    defaults.drillAngle = machineDrillAngle;
    bringFieldsIntoRange(plane, defaults, limits(), fixes);
    reduceAngle(kKeptTrialAngle, plane.keptTrialAngle, fixes);
    reduceAngle(kTrialAngle, plane.trialAngle, fixes);
    reduceAngle(kUnbalanceAngle, plane.unbalanceAngle, fixes);
    reduceAngle(kMassAngle, plane.massAngle, fixes);
    return fixes;
}
