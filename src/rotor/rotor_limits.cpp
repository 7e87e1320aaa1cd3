#include "rotor/rotor_limits.h"

#include <cmath>

using namespace jobrec;

namespace {

using fieldrange::kFastest;
using fieldrange::kHeaviestRotor;
using fieldrange::kLongest;
constexpr double kMostUnbalance = 1.0e11;      // g·mm: a tonne at 100 m
constexpr double kHighestFrequency = 10000.0;  // Hz of the drive's calibration
constexpr double kLargestUnit = 1000.0;        // the unbalance unit g·m, in g·mm

using RotorLimit = FieldLimit<RotorData>;

RotorLimit real(std::uint32_t field, double highest, double RotorData::*member) {
    return realLimit(field, 0.0, highest, member);
}
RotorLimit count(std::uint32_t field, double highest, std::uint32_t RotorData::*member) {
    return countLimit(field, highest, member);
}

const std::vector<RotorLimit>& limits() {
    static const std::vector<RotorLimit> table = {
        count(kRotation, kFastest, &RotorData::speed),
        real(kRotorMass, kHeaviestRotor, &RotorData::mass),
        count(kDrivePulley, kLongest, &RotorData::drivePulley),
        count(kRotorSurface, kLongest, &RotorData::rotorSurface),
        real(kPermissibleUnbalance, kMostUnbalance, &RotorData::permissibleUnbalance),
        real(kDriveCalibration, kHighestFrequency, &RotorData::driveCalibration),
        // A ratio of the rotor surface to the pulley, both at most kLongest mm.
        real(kCalibrationRatio, kLongest, &RotorData::calibrationRatio),
        real(kUnbalanceUnit, kLargestUnit, &RotorData::unbalanceUnit),
    };
    return table;
}

// One number of a vector: 0 when not finite, else within ±kMostUnbalance
// (amplitudes of vibration, unbalance and coefficients; angles in radians).
void bringIntoRange(double& v, int& fixes) {
    if (std::isfinite(v) && std::fabs(v) <= kMostUnbalance) return;
    v = std::isfinite(v) ? std::copysign(kMostUnbalance, v) : 0.0;
    ++fixes;
}

void bringIntoRange(Vector& v, int& fixes) {
    bringIntoRange(v.amplitude, fixes);
    bringIntoRange(v.angle, fixes);
}

void bringIntoRange(std::vector<Vector>& list, int& fixes) {
    for (Vector& v : list) bringIntoRange(v, fixes);
}

}  // namespace

std::vector<RangeFix> bringRotorIntoRange(RotorData& data, int& vectorFixes) {
    std::vector<RangeFix> fixes;
    bringFieldsIntoRange(data, limits(), fixes);
    vectorFixes = 0;
    bringIntoRange(data.factors, vectorFixes);
    bringIntoRange(data.references, vectorFixes);
    bringIntoRange(data.results, vectorFixes);
    for (Measurement& run : data.runs) {
        for (Result& r : run.results) {
            bringIntoRange(r.measured, vectorFixes);
            bringIntoRange(r.unbalance, vectorFixes);
            bringIntoRange(r.converted, vectorFixes);
            bringIntoRange(r.extra, vectorFixes);
        }
    }
    return fixes;
}
