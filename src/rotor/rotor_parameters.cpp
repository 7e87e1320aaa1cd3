// Reading, checking and setting the rotor's parameters by field path, with the
// follow-up rules that keep a rotor consistent, the fields the editing screen
// shows per plane, and the test masses of a control rotor.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "files/logger.h"
#include "records/job_records.h"
#include "rotor/plane_limits.h"
#include "rotor/rotor.h"
#include "rotor/rotor_config.h"
#include "rotor/verification_rows.h"
#include "texts/format.h"

using namespace jobrec;

namespace {

using u32 = std::uint32_t;

constexpr std::size_t kMaxParameterText = 500;

// A control rotor's masses: the test masses to 0.01 g (the added one to
// 0.1 g) or finer, never finer than 0.000001 g.
constexpr int kFewestMassDecimals = 2;
constexpr int kFewestAddedMassDecimals = 1;
constexpr int kMostMassDecimals = 6;
// The added unbalance prints as 7.5 × U|mar| to 0.1 while its mass stays within this.
constexpr double kAddedMassPercent = 0.5;

// A control rotor's radii and test masses.
struct TestSetValue {
    u32 field;
    double Plane::*member;
};
constexpr TestSetValue kTestSet[] = {{kRadius, &Plane::radius},           {kRadiusSmall, &Plane::radiusSmall},
                                     {kRadiusR1, &Plane::radiusR1},       {kMassUmar, &Plane::massUmar},
                                     {kMassStation, &Plane::massStation}, {kMassTravel, &Plane::massTravel}};

struct FieldRead {
    unsigned result = 0;    // the access result: kind, 5/6 for a bool, TextId for a choice
    bool numeric = false;   // reported as a double or an integer
    std::string text;
    double value = 0.0;
};

FieldRead readField(RotorData& d, const u32* path, int depth) {
    FieldRead r;
    Tris::FieldReport report = [&r](unsigned kind, const char* t, double number, std::uint64_t integer) -> unsigned {
        if (kind == Tris::kAccessText) {
            r.text = t ? t : "";
        } else if (kind == Tris::kAccessDouble) {
            r.numeric = true;
            r.value = number;
            r.text = ks::format("{}", number);
        } else if (kind == Tris::kAccessInteger) {
            const auto v = static_cast<std::int64_t>(integer);
            r.numeric = true;
            r.value = static_cast<double>(v);
            r.text = ks::format("{}", v);
        }
        return kind;
    };
    r.result = d.accessField(path, depth, report, nullptr);
    return r;
}

// Cuts a UTF-8 text to at most `limit` bytes without splitting a character.
void cutUtf8(std::string& s, std::size_t limit) {
    if (s.size() <= limit) return;
    std::size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    s.resize(n);
}

// The smallest mass worth placing for a specific unbalance e = P / R.
double minMassFor(double e) {
    if (e <= 0.1) return 0.01;
    if (e <= 1.0) return 0.1;
    if (e <= 5.0) return 1.0;
    if (e <= 10.0) return 5.0;
    return 10.0;
}

// The range that refuses `text` as the new value of a plane field (the value
// the field would take, as the record converts it), or null when it fits.
const PlaneLimit* refusingLimit(const Plane& plane, u32 field, const char* text) {
    const PlaneLimit* limit = planeLimit(field);
    if (!limit) return nullptr;
    Plane probe = plane;
    const u32 at[] = {field};
    if (probe.accessField(at, 1, {}, text) == 0) return nullptr;  // not set: the caller's set fails too
    return limit->takesTyped(limit->valueIn(probe)) ? nullptr : limit;
}

}  // namespace

// ---------------------------------------------------------------- reading and checking

int Rotor::readParameter(const u32* path, int depth, std::string* text, double* value) {
    FieldRead r;
    if (path && depth >= 1) r = readField(*data_, path, depth);
    const unsigned kind = r.result;
    if (text) {
        if (kind == 0) {
            *text = "N/A";
        } else {
            *text = r.text;
            cutUtf8(*text, kMaxParameterText);
        }
    }
    if (r.numeric && (kind == Tris::kAccessDouble || kind == Tris::kAccessInteger)) {
        if (value) *value = r.value;
        if (!validateRotorParameter(path, depth, r.value)) return 6;
    }
    return static_cast<int>(kind);
}

bool Rotor::rotorParameter(u32 fieldId, std::string* text) {
    const u32 path[] = {fieldId};
    return readParameter(path, 1, text, nullptr) != 0;
}

bool Rotor::validateRotorParameter(const u32* path, int depth, double v) {
    if (!path || depth < 1) return false;
    const bool belt = isBeltDrive();
    switch (path[0]) {
    case kRotation:
        return rotorcfg::speedLimitMin(config_) <= v && v <= rotorcfg::speedLimitMax(config_) &&
               v <= rotorcfg::driveMaxSpeed(config_, belt);
    case kRotorMass:
        return rotorcfg::weightLimitMin(config_) <= v && v <= rotorcfg::weightLimitMax(config_);
    case kDrivePulley:
    case kRotorSurface:
        return !belt || v != 0.0;
    case kPermissibleUnbalance:
        return v != 0.0;
    case kPlanes:
        if (depth < 3) return false;
        if (path[2] == kDistance1 || path[2] == kDistance2 || path[2] == kDistance3)
            return distanceAcceptable(static_cast<int>(path[1]), static_cast<int>(path[2] - kDistance1) + 1, v);
        return v != 0.0;
    default:
        return false;
    }
}

// The plane layout distances: k = 1, 2, 3 for the first, second and third
// distance of plane index i.  The first rule that applies decides.
bool Rotor::distanceAcceptable(int i, int k, double v) {
    const auto& planes = data_->planes;
    const int n = static_cast<int>(planes.size());
    if (i < 0 || i >= n) return false;

    auto rule6 = [&]() {
        if (planeScheme() == 0) return true;
        if (k == 3 && isControlRotor()) {
            const double limit = n > 2 ? planes[2].distance2 : 0.0;
            return v != 0.0 && v < limit;
        }
        return v > 0.0;
    };
    if (n < 2) return rule6();

    const u32 c1 = planes[static_cast<std::size_t>(i)].channel1;
    const u32 c2 = planes[static_cast<std::size_t>(i)].channel2;
    const double Z = planes[1].distance1;
    const double W = planes[1].distance2;
    const double F = planes[0].distance1;
    const double L = planes[static_cast<std::size_t>(n - 1)].distance1;

    auto rule5 = [&]() {
        if (i == n - 1 && c2 == 0 && L != 0.0 && v != 0.0) return v < L;
        return rule6();
    };
    auto rule4 = [&]() {
        if (k == 1) {
            if (i == 0 && c1 == 0 && Z != 0.0 && v != 0.0) return v < Z;
            return rule6();
        }
        if (k == 2) return rule5();
        return rule6();
    };

    if (n == 2 && c1 == 0 && c2 == 0) {
        if (k == 1 && i == 0) return Z <= v && v <= Z + W;
        if (k == 2 && i == 1) return Z <= v && v <= Z + F;
        if (k == 2) return rule5();
        return rule6();
    }
    if (n == 2 && c1 == 0 && c2 != 0) {
        if (k == 1 && i == 0) return v <= Z;
        if (k == 1) return rule6();
        return rule4();
    }
    if (n == 2 && c1 != 0 && c2 == 0 && k == 2) {
        if (i == 1) return v <= Z;
        return rule5();
    }
    if (n > 2) return rule4();
    return rule5();
}

// ---------------------------------------------------------------- setting

bool Rotor::setParameter(const u32* path, int depth, const char* text) {
    if (!path || depth < 1) return false;
    if (!text) text = "";
    return path[0] == kPlanes ? setPlaneField(path, depth, text) : setRotorField(path, depth, text);
}

bool Rotor::setPlaneField(const u32* path, int depth, const char* text) {
    auto& planes = data_->planes;
    const std::size_t n = planes.size();
    if (depth < 3 || path[1] >= n) return false;
    const u32 field = path[2];
    // A control rotor's radii and test masses, typed in any plane, are every plane's.
    const bool oneSet = isControlRotor() && isTestSetField(field);
    const std::size_t first = oneSet ? 0 : path[1];
    const std::size_t last = first == 0 ? n - 1 : first;
    if (const PlaneLimit* limit = refusingLimit(planes[first], field, text)) {
        logPrintf(&logger_, "setParameter: \"%s\" refused for plane field 0x%X, limits %lg to %lg", text, field,
                  limit->lowest, limit->highest);
        return false;
    }

    std::vector<u32> p(path, path + depth);
    double previousOld = 0.0;
    for (std::size_t j = first; j <= last; ++j) {
        p[1] = static_cast<u32>(j);
        const FieldRead cur = readField(*data_, p.data(), 3);
        Plane& plane = planes[j];
        if (j != first && !oneSet) {
            // A change of the first plane passes on to the planes of the same
            // kind that held the same value.
            if (!(cur.value == previousOld && plane.mode == planes[0].mode && plane.mean == planes[0].mean))
                continue;
        }
        const unsigned set = data_->accessField(p.data(), depth, {}, text);
        if (set != 0 && plane.drillAngle == 0.0) plane.drillAngle = rotorcfg::drillAngle(config_);
        if (!cur.numeric || set == 0) return set != 0;
        previousOld = cur.value;

        switch (field) {
        case kRadius:
            if (plane.radius != 0.0) plane.minMass = minMassFor(data_->permissibleUnbalance / plane.radius);
            break;
        case kMinMass:
            if (plane.minMass > cur.value) plane.minMass = cur.value;  // only lowered here
            break;
        case kDistance1:
            if (isControlRotor() && j != 0) {
                for (std::size_t q : {std::size_t{1}, std::size_t{2}})
                    if (q < n) planes[q].distance1 = plane.distance1;
            }
            return true;
        case kDistance2:
        case kDistance3:
            return true;
        case kRadiusSmall:
            if (isControlRotor()) computeTestMasses();
            break;
        default:
            break;
        }
    }
    return true;
}

bool Rotor::setRotorField(const u32* path, int depth, const char* text) {
    RotorData& d = *data_;
    const u32 oldSpeed = d.speed;
    const bool wasControl = d.controlRotor;
    if (d.accessField(path, depth, {}, text) == 0) return false;

    switch (path[0]) {
    case kRotation: {
        const double limit = std::min(rotorcfg::speedLimitMax(config_), rotorcfg::driveMaxSpeed(config_, isBeltDrive()));
        auto truncated = [](double x) -> u32 {
            if (!(x > 0.0)) return 0;
            if (x >= 4294967295.0) return 4294967295u;
            return static_cast<u32>(x);
        };
        if (static_cast<double>(d.speed) > limit) d.speed = truncated(limit);
        const double minimum = rotorcfg::speedLimitMin(config_);
        if (static_cast<double>(d.speed) < minimum) d.speed = truncated(minimum);
        // The coefficients belong to the speed: they go only when it changes.
        if (d.speed != oldSpeed) {
            d.factors.clear();
            d.references.clear();
            setDriveCalibration(0.0);
        }
        break;
    }
    case kRotorMass: {
        const double lo = rotorcfg::weightLimitMin(config_);
        const double hi = rotorcfg::weightLimitMax(config_);
        if (d.mass > hi) d.mass = hi;
        if (d.mass < lo) d.mass = lo;
        if (!std::isfinite(d.mass)) d.mass = lo;
        if (isControlRotor()) {
            d.permissibleUnbalance = rotorMass() * rotorcfg::balancingAccuracy(config_);
            computeTestMasses();
        }
        break;
    }
    case kDrive:
        d.direction = rotorcfg::driveDefaultDirection(config_, isBeltDrive());
        if (isBeltDrive() && d.drivePulley < 0.001) d.drivePulley = rotorcfg::beltDefaultPulley(config_);
        break;
    case kPermissibleUnbalance:
        for (Plane& pl : d.planes)
            if (pl.radius != 0.0) pl.minMass = minMassFor(d.permissibleUnbalance / pl.radius);
        // A control rotor's test masses are made for its U|mar|, as when its mass sets it.
        if (isControlRotor()) computeTestMasses();
        break;
    case kControlRotor:
        if (d.controlRotor && !wasControl && !d.planes.empty()) {
            Plane& first = d.planes.front();
            if (first.channel2 != 0) {
                first.channel1 = first.channel2;
                first.channel2 = 0;
            }
            Plane& lastPlane = d.planes.back();
            if (lastPlane.channel1 != 0) {
                lastPlane.channel2 = lastPlane.channel1;
                lastPlane.channel1 = 0;
            }
            for (Plane& pl : d.planes) {
                pl.distance1 = pl.distance2 = pl.distance3 = 0.0;
                pl.radius = pl.radiusSmall = pl.radiusR1 = 0.0;
            }
        }
        if (d.controlRotor && !wasControl) {
            d.permissibleUnbalance = 0.0;
            d.mass = 0.0;
            computeTestMasses();
        }
        break;
    default:
        break;
    }
    return true;
}

// ---------------------------------------------------------------- control rotor

double Rotor::testMassRadius() { return data_->planes.empty() ? 0.0 : data_->planes[0].radiusSmall; }

void Rotor::computeTestMasses() {
    auto& planes = data_->planes;
    if (planes.empty()) return;
    const double r = testMassRadius();
    for (std::size_t p = 0; p < planes.size() && p < 3; ++p) {
        planes[p].massUmar = suggestedTestMass(0, data_->permissibleUnbalance, r);
        planes[p].massStation = suggestedTestMass(1, data_->permissibleUnbalance, r);
        planes[p].massTravel = suggestedTestMass(2, data_->permissibleUnbalance, r);
    }
}

double Rotor::suggestedTestMass(int kind, double umar, double r) {
    double e = r != 0.0 ? umar / r : 0.0;
    if (!std::isfinite(e)) e = 0.0;
    return statedMass(kTestUnbalanceFactor[kind] * e, kTestMassTolerance[kind], kFewestMassDecimals);
}

double Rotor::statedMass(double exact, double percent, int fewest) {
    if (!std::isfinite(exact) || exact == 0.0) return 0.0;
    double scale = std::pow(10.0, fewest);
    for (int d = fewest; d < kMostMassDecimals; ++d, scale *= 10.0) {
        const double stated = std::round(exact * scale) / scale;
        if (std::fabs(stated - exact) <= std::fabs(exact) * percent / 100.0) return stated;
    }
    return std::round(exact * scale) / scale;
}

double Rotor::addedTestMass() {
    const double r = testMassRadius();
    const double m = r != 0.0 ? kAddedUnbalanceFactor * data_->permissibleUnbalance / r : 0.0;
    return statedMass(m, kAddedMassPercent, kFewestAddedMassDecimals);
}

int Rotor::statedMassDecimals(double mass) {
    return ks::decimalsHeld(mass, kFewestMassDecimals, kMostMassDecimals);
}

int Rotor::addedMassDecimals(double mass) {
    return ks::decimalsHeld(mass, kFewestAddedMassDecimals, kMostMassDecimals);
}

int Rotor::correctionMassDecimals() {
    int decimals = kFewestMassDecimals;
    for (int kind = 0; kind < 3; ++kind) decimals = std::max(decimals, statedMassDecimals(testMass(0, kind)));
    return decimals;
}

int Rotor::askedMassDecimals(int i, double mass) {
    using Asked = PositionTable::TestMasses;
    const Asked asked = testMassesNow();
    if (asked == Asked::kAddedUnbalance && i != verificationrows::kMiddlePlane)
        return addedMassDecimals(mass);
    if (asked != Asked::kCorrection) return statedMassDecimals(mass);
    const int run = correctedRun();
    const double exact = roundedCorrectionMass(i, true);
    const double r = planeAt(i + 1) ? planeAt(i + 1)->radiusSmall : 0.0;
    int d = correctionMassDecimals();
    // What the rounding leaves unbalanced must not miss the step the mass is for.
    for (double scale = std::pow(10.0, d); d < kMostMassDecimals; ++d, scale *= 10.0)
        if (withinStepLimit(run, std::fabs(std::round(exact * scale) / scale - exact) * std::fabs(r))) break;
    return d;
}

int Rotor::correctedRun() {
    const int run = currentRun();
    return missesItsStep(run) ? run : run + 1;
}

bool Rotor::asksNothing(int i) {
    if (!isControlRotor()) return false;
    // The next run follows the last: an earlier run chosen, or a record left
    // for a newer one, has nothing to ask.
    if (!onLastRun() || recordLeft()) return true;
    if (testMassesNow() != PositionTable::TestMasses::kCorrection) return !positions_.asksTestMasses(i);
    if (i == verificationrows::kMiddlePlane) return true;
    // A correction is asked where the plane would miss the limit of the step
    // it is for; a missed step asks nothing more, another balancing step also
    // any that is a mass at the test masses' digits.
    const int run = correctedRun();
    if (!withinStepLimit(run, correctionAmount(i, true))) return false;
    if (run == currentRun()) return true;
    const double steps = std::fabs(roundedCorrectionMass(i, true)) * std::pow(10.0, correctionMassDecimals());
    return std::round(steps) == 0;
}

bool Rotor::isTestSetField(u32 field) {
    for (const TestSetValue& v : kTestSet)
        if (v.field == field) return true;
    return false;
}

bool Rotor::holdOneTestSet(RotorData& data) {
    if (data.planes.empty()) return false;
    const Plane& first = data.planes.front();
    bool changed = false;
    for (Plane& p : data.planes) {
        for (const TestSetValue& v : kTestSet) {
            changed = changed || p.*v.member != first.*v.member;
            p.*v.member = first.*v.member;
        }
    }
    return changed;
}

double Rotor::testMass(int, int kind) {
    if (data_->planes.empty()) return 0.0;
    const Plane& p = data_->planes[0];
    switch (kind) {
    case 0: return p.massUmar;
    case 1: return p.massStation;
    case 2: return p.massTravel;
    default: return 0.0;
    }
}

// ---------------------------------------------------------------- editing screen

void Rotor::visibleParameters(std::vector<u32>* out, int p, u32 fieldId) {
    if (!out) return;
    out->clear();
    if (isControlRotor()) {
        out->insert(out->end(), {kRadius, kRadiusSmall});
        if (p == 2)
            out->push_back(kMassUmar);
        else
            out->insert(out->end(), {kRadiusR1, kMassStation, kMassTravel});
        return;
    }
    if (!isPlaneIndex(p)) return;
    if (fieldId == kMode) {
        out->insert(out->end(), {kModeAddition, kModeRemoval, kModeCentering});
        return;
    }
    if (fieldId == kMean) {
        if (isAddition(p)) {
            out->insert(out->end(), {kMeanArbitrary, kMeanIndexed, kMeanArc});
            return;
        }
        if (isRemoval(p)) {
            out->insert(out->end(),
                        {kMeanArbitrary, kMeanEndDrilling, kMeanRadialDrilling, kMeanFlatMilling, kMeanArcMilling});
            return;
        }
        // A centering plane: its field list, as below.
    }
    if (isCentering(p)) {
        out->insert(out->end(), {kRadius, kMode});
        return;
    }
    out->insert(out->end(), {kRadius, kMode, kMean});
    if (isAddition(p)) {
        out->push_back(kMinMass);
        if (isAdditionIndexed(p))
            out->insert(out->end(), {kMaxMass, kPositions});
        else if (isAdditionArc(p))
            out->push_back(kLinearMass);
    } else if (isDrilling(p)) {
        out->insert(out->end(), {kHoleDiameter, kDrillAngle, kWallThickness});
        if (isRadialDrilling(p)) out->push_back(kAdditionalHoles);
        out->insert(out->end(), {kMaxDrillDepth, kDensity});
    } else if (isFlatMilling(p) || isArcMilling(p)) {
        out->insert(out->end(), {kMillWidth, kMaxMillDepth, kMillSpeed, kDensity});
    } else if (isRemovalArbitrary(p) || (isRemoval(p) && plane(p).mean == kMeanIndexed)) {
        out->push_back(kMinMass);
    }
}
