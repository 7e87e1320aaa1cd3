#include "rotor/splitters.h"

#include <algorithm>
#include <cmath>

#include "rotor/plane_limits.h"
#include "rotor/polar.h"

namespace {

constexpr double kTwoPi = 2.0 * polar::kPi;

// Round half away from zero.
double roundHalfAway(double v) { return v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5); }

}  // namespace

ConstrSplitter::ConstrSplitter(double angularStep_, double permissible, double roundingStep_, double maximum_,
                               double radius_)
    : angularStep(angularStep_),
      permissibleUnbalance(permissible),
      roundingStep(roundingStep_),
      maximum(maximum_),
      radius(radius_) {}

ConstrSplitter::~ConstrSplitter() = default;

double ConstrSplitter::amount(double unbalance, int index, bool exact) {
    if (index < 0 || index >= static_cast<int>(items.size())) return 0.0;
    SplitItem& item = items[static_cast<size_t>(index)];
    if (!(radius > 0.0)) {
        item.amount = 0.0;
        return 0.0;
    }
    const double m = unbalance / radius;
    if (m > maximum && maximum > 0.0) {
        item.amount = maximum;
        return maximum * radius;
    }
    item.amount = m;
    if (!exact && roundingStep > 0.0) item.amount = roundHalfAway(m / roundingStep) * roundingStep;
    return item.amount * radius;
}

double ConstrSplitter::angle(double a) { return a + 180.0; }

int ConstrSplitter::count() { return 1; }

bool ConstrSplitter::distribute(double U, double a) {
    for (auto& item : items) item.amount = 0.0;
    const int n = static_cast<int>(items.size());
    residual = U;
    if (n == 0) return residual > permissibleUnbalance;

    const double s = angularStep;
    const double theta = polar::toRadians(polar::reduceDegrees(angle(a)));

    // Start at the position that lies within half a step of theta; the walk
    // goes first to the side of the start on which theta lies.
    int start = 0;
    walkDirection = 1;
    for (int k = 0; k < n; ++k) {
        const double delta = theta - polar::toRadians(items[static_cast<size_t>(k)].angle);
        double e = std::fabs(delta);
        if (e > polar::kPi) e = kTwoPi - e;
        if (e <= s / 2) {
            start = k;
            if ((delta > 0 && delta < polar::kPi) || delta < -polar::kPi) walkDirection = -1;
            break;
        }
    }

    // Frame turned so that theta lies at pi.
    auto frameAngle = [&](int k) {
        double beta = polar::toRadians(items[static_cast<size_t>(k)].angle) - theta + polar::kPi;
        if (beta > kTwoPi) beta -= kTwoPi;
        else if (beta < 0) beta += kTwoPi;
        return beta;
    };

    double R = U;
    double phi = polar::kPi;
    double w = s;
    int k = start;
    const int pieces = count();
    for (int r = 0; r <= n / 2; ++r) {
        k = (walkDirection * r + n + k) % n;
        walkDirection = -walkDirection;
        const double beta = frameAngle(k);
        const double g = w - std::fabs(phi - beta);
        const double sinG = std::sin(g);
        const double sinW = std::sin(w);
        const double share = (sinG == 0.0 || sinW < 1e-12) ? R : R * std::fabs(sinG / sinW);

        const double u = amount(share / pieces, k, true);
        const double Q = pieces * u;
        const double x = R * std::cos(phi) - Q * std::cos(beta);
        const double y = R * std::sin(phi) - Q * std::sin(beta);
        const double R2 = std::hypot(x, y);
        if (R2 > R) {
            // This share would make things worse: the position keeps nothing,
            // and the residual stays what the kept amounts leave.
            items[static_cast<size_t>(k)].amount = 0.0;
            break;
        }
        R = R2;
        if (R2 < 1.0) break;
        const double c = std::fmax(-1.0, std::fmin(1.0, x / R2));
        phi = std::acos(c) * ((y > 0) - (y < 0));
        if (phi < 0) phi += kTwoPi;
        else if (phi >= kTwoPi) phi -= kTwoPi;
        w += s;
    }
    residual = R;
    return residual > permissibleUnbalance;
}

ConstrDrillSplitter::ConstrDrillSplitter(double permissible, double maximumDepth, double radius_,
                                         double holeDiameter_, double wallThickness, double includedAngle,
                                         double density_, bool radial_, int additionalHoles)
    : ConstrSplitter(drillStep(holeDiameter_, wallThickness, radius_), permissible, 0.0, maximumDepth, radius_),
      holeDiameter(holeDiameter_),
      tipHalfAngle(polar::toRadians((180.0 - includedAngle) / 2.0)),
      density(density_ / 1000.0),
      radial(radial_),
      holes(drillHoleCount(radial_, additionalHoles)) {}

double ConstrDrillSplitter::tipHeight() const { return holeDiameter * 0.5 * std::tan(tipHalfAngle); }

double ConstrDrillSplitter::holeMass(double h) const {
    if (!(h > 0.0)) return 0.0;
    const double t = std::tan(tipHalfAngle);
    if (!(t > 0.0)) return 0.0;
    const double c = holeDiameter * 0.5 * t;
    double cone, diameter, length;
    if (h <= c) {
        cone = h;
        diameter = 2.0 * h / t;
        length = 0.0;
    } else {
        cone = c;
        diameter = holeDiameter;
        length = h - c;
    }
    const double r = diameter / 2.0;
    const double vCone = cone > 0.0 ? polar::kPi * r * r * cone / 3.0 : 0.0;
    const double vCyl = polar::kPi * r * r * length;
    const double v = vCyl + vCone;
    if (!(v > 0.0)) return 0.0;
    if (!radial) return radius * v * density;
    const double z = ((length / 2.0 + cone) * vCyl + 0.75 * cone * vCone) / v;
    return (radius - length - cone + z) * v * density;
}

double ConstrDrillSplitter::deepestHole() const {
    if (!(maximum > 0.0) || !std::isfinite(maximum)) return 0.0;
    // A radial hole deeper than the radius passes the axis: from there on it
    // removes less unbalance, not more, and the search would never reach it.
    if (radial && radius < maximum) return radius > 0.0 ? radius : 0.0;
    return maximum;
}

double ConstrDrillSplitter::amount(double unbalance, int index, bool exact) {
    if (index < 0 || index >= static_cast<int>(items.size())) return 0.0;
    if (!(unbalance > 0.0)) return 0.0;  // nothing to drill; the item stays as it is
    const double tolerance = exact ? 0.0001 : 0.01;
    const double deepest = deepestHole();
    double h = deepest;
    double u = holeMass(h);
    if (unbalance < u) {
        // Up to the deepest hole the removed unbalance grows with the depth;
        // every loop below ends at a depth within [0, deepest].
        while (h > 0.0 && holeMass(h) > unbalance) h /= 2.0;
        double step = h;
        while (step / 2.0 > tolerance) {
            step /= 2.0;
            while (h + step > h && h + step <= deepest && holeMass(h + step) < unbalance) h += step;
        }
        u = holeMass(h);
    }
    items[static_cast<size_t>(index)].amount = h;
    return u;
}

double ConstrDrillSplitter::angle(double a) { return a; }

int ConstrDrillSplitter::count() { return holes; }

int drillHoleCount(bool radial, int additionalHoles) { return radial ? std::max(additionalHoles, 0) + 1 : 1; }

double effectiveDrillAngle(double planeAngle, double machineAngle) {
    if (planeAngle > 0.0 && planeAngle < 180.0) return planeAngle;
    if (machineAngle > 0.0 && machineAngle < 180.0) return machineAngle;
    return 118.0;
}

double drillStep(double holeDiameter, double wallThickness, double radius) {
    const double pitch = holeDiameter + wallThickness;
    if (!(pitch > 0.0) || !(radius > 0.0)) return 0.0;
    return pitch / radius;  // (d + s) * 360 / (2πR) degrees, in radians
}

int drillPositionCount(double holeDiameter, double wallThickness, double radius) {
    const double pitch = holeDiameter + wallThickness;
    if (!(pitch > 0.0) || !(radius > 0.0)) return 0;
    const double n = std::trunc(kTwoPi * radius / pitch);
    if (!(n >= 0.0)) return 0;
    return n > kMaxPlanePositions ? kMaxPlanePositions : static_cast<int>(n);
}
