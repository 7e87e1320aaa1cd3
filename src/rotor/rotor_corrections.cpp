// Corrections of the current run: what to do in every correction plane once
// the run's unbalance is known.  The plane results come from the run (or from
// the run minus the saved result); a three-plane rotor whose middle plane has
// no channel is split into a static part at the middle plane and a couple at
// the outer planes; machining planes get the depth, width or arc of their cut;
// the hole pattern of every drilling plane is laid out around its correction
// angle.  The saved result (the mean of the last two runs) is kept here too.
//
// A correction that cannot be carried out marks its plane with
// setCorrectionLimited: an arc longer than the circle, a flat cut wider than a
// plane can be or removing more than any flat at its radius and depth, a cut
// whose iteration does not settle or leaves the finite numbers (then the
// plane keeps its previous quantity).  A split without lever arms is skipped.
#include <cmath>
#include <string>

#include "files/logger.h"
#include "records/job_records.h"
#include "records/record.h"
#include "rotor/plane_limits.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"

namespace {

constexpr double kPi = polar::kPi;

// Secant iteration with one fixed point, as the cut calculations use it:
//   x := x - f(x) / (f(x) - f(a)) * (x - a)
// at most 500 steps, ending when |f(x)| < 1e-9 after a step.
enum class Solve { converged, notConverged, notFinite };
constexpr double kSolveTolerance = 1e-9;

template <class F>
Solve secant(const F& f, double fixedPoint, double* x) {
    constexpr int kMaxSteps = 500;
    const double fa = f(fixedPoint);
    double v = *x;
    for (int step = 0; step < kMaxSteps; ++step) {
        const double fv = f(v);
        const double next = v - fv / (fv - fa) * (v - fixedPoint);
        if (!std::isfinite(next)) return Solve::notFinite;
        v = next;
        *x = v;
        if (std::fabs(f(v)) < kSolveTolerance) return Solve::converged;
    }
    return Solve::notConverged;
}

// Circular segment of height s on a circle of radius R.
double segmentChord(double R, double s) {
    return 2.0 * std::sqrt((2.0 * R - s) * s);
}
double segmentArea(double R, double s) {
    return 0.5 * (2.0 * std::acos((R - s) / R) * R * R - (R - s) * segmentChord(R, s));
}
double segmentCentroid(double R, double s) {
    const double c = segmentChord(R, s);
    return c * c * c / (12.0 * segmentArea(R, s));
}

}  // namespace

// ---------------------------------------------------------------- computeCorrections, steps 3-5

void Rotor::finishCorrections(bool subtractSaved, bool machining) {
    const int n = planeCount(false);

    // The saved result is subtracted on request; a control rotor subtracts it
    // only at the run that measures against it.
    const bool subtract =
        isControlRotor() ? (currentRun_ == kSavedResultRun && !data_->results.empty()) : subtractSaved;
    if (subtract) {
        const auto& saved = data_->results;
        for (int p = 1; p <= n; ++p) {
            const Plane* pl = planeAt(p);
            // Planes added since the result was saved have nothing to subtract.
            const Vector s =
                (p - 1) < static_cast<int>(saved.size()) ? saved[static_cast<std::size_t>(p - 1)] : Vector();
            const double a = polar::toRadians(pl->unbalanceAngle);
            const polar::Polar d =
                polar::toPolar(pl->unbalanceAmount * std::cos(a) - s.amplitude * std::cos(s.angle),
                               pl->unbalanceAmount * std::sin(a) - s.amplitude * std::sin(s.angle));
            computePlaneResult(p - 1, d.amplitude, d.angle);
        }
    }

    if (planeScheme() == 1 && !isControlRotor()) splitStaticCouple();

    if (machining) {
        for (int p = 1; p <= n; ++p) {
            if (isArcMilling(p))
                arcMillingAngle(p);
            else if (isFlatMilling(p))
                millingDepth(p);
        }
    }

    for (int i = 0; i < n; ++i) positions_.layoutDrillPositions(i, correctionAngle(i, true));
}

// ---------------------------------------------------------------- static and couple

void Rotor::splitStaticCouple() {
    if (data_->planes.size() != 3) return;
    const Plane& outer0 = data_->planes[0];
    const Plane& outer2 = data_->planes[2];
    // Lever arms of the outer planes about the middle plane: the distance of
    // the middle plane from plane 1 and that of plane 3 from the middle plane.
    const double z0 = data_->planes[1].distance1;
    const double z1 = data_->planes[2].distance1;
    const double arm = z0 + z1;
    if (!(arm > 0.0) || !std::isfinite(arm)) {
        logPrintf(&logger_, "splitStaticCouple: plane distances %lg and %lg give no lever arm, split skipped",
                  z0, z1);
        return;
    }

    const double phi0 = polar::toRadians(outer0.unbalanceAngle);
    const double phi2 = polar::toRadians(outer2.unbalanceAngle);
    const double x0 = outer0.unbalanceAmount * std::cos(phi0);
    const double y0 = outer0.unbalanceAmount * std::sin(phi0);
    const double x2 = outer2.unbalanceAmount * std::cos(phi2);
    const double y2 = outer2.unbalanceAmount * std::sin(phi2);

    // Static part: the sum, at the middle plane.
    const polar::Polar S = polar::toPolar(x0 + x2, y0 + y2);

    // Couple: the moment about the middle plane, carried by two opposite
    // vectors at the outer planes.  beta + pi/2 is the moment's direction.
    const double X = z1 * x2 - z0 * x0;
    const double Y = z1 * y2 - z0 * y0;
    const polar::Polar moment = polar::toPolar(X, Y);
    const double M = moment.amplitude;
    const double beta = M > 0.0 ? moment.angle - kPi / 2 : 0.0;

    computePlaneResult(0, M / arm, beta - kPi / 2);
    computePlaneResult(1, S.amplitude, S.angle);
    computePlaneResult(2, M / arm, beta + kPi / 2);
}

// ---------------------------------------------------------------- addition on an arc

void Rotor::computeArcCorrections() {
    if (runCount() == 0) return;
    clearCorrectionLimits();
    const int n = planeCount(false);
    for (int p = 1; p <= n; ++p) {
        if (!isAdditionArc(p)) continue;
        Plane* pl = planeAt(p);
        // The plane's unbalance as the last computation left it (after the
        // saved result and the static/couple split), in g*mm; R in mm; the
        // linear mass q in g/mm.  A strip of half-angle a on radius R has the
        // mass 2*R*q*a and the unbalance 2*R*R*q*sin(a).
        const double U = pl->unbalanceAmount;
        const double R = pl->radius;
        const double q = pl->linearMass;
        const double ratio = U / (2.0 * R * R * q);
        if (!(R > 0.0) || !(q > 0.0) || !std::isfinite(ratio) || std::fabs(ratio) > 1.0) {
            setCorrectionLimited(p);
            continue;
        }
        pl->massAmount = 2.0 * R * q * std::asin(ratio);
    }
}

// ---------------------------------------------------------------- milling

void Rotor::millingDepth(int p) {
    Plane* pl = planeAt(p);
    if (!pl) return;
    // SI units: metres, kilograms per cubic metre, kilogram metres.
    const double R = pl->radius / 1000.0;
    const double w = pl->millWidth / 1000.0;
    const double hmax = pl->maxMillDepth / 1000.0;
    const double rho = pl->density * 1000.0;
    const double U = correctionAmount(p - 1, true) / 1000000.0;

    double result = 0.0;
    Solve solved = Solve::notFinite;
    bool beyondFlat = false;
    // A cut of width w: a segment of height w removed to depth x.
    const double A1 = segmentArea(R, w);
    const double e1 = segmentCentroid(R, w);
    // Within the iteration's own tolerance the full depth is an exact fit.
    if (A1 * hmax * rho * e1 > U - kSolveTolerance) {
        // The full depth is enough: the depth that removes U.
        double x = hmax;
        solved = secant([&](double d) { return A1 * d * rho * e1 - U; }, 1e-6, &x);
        result = x;
    } else {
        // The full depth is not enough: a segment of height hmax, and the
        // width of the cut that removes U, shown negated.
        const double A2 = segmentArea(R, hmax);
        const double e2 = segmentCentroid(R, hmax);
        double x = 10.0;
        solved = secant([&](double d) { return A2 * d * rho * e2 - U; }, w, &x);
        result = solved == Solve::converged ? -x : x;
        // No cut is wider than a plane's width can be, and no flat at this
        // radius and depth removes more than the largest, a half disc
        // (2/3 R^3 of area times centroid): beyond either the plane cannot
        // take the correction, as a hole beyond the deepest cannot.
        const double widest = planeLimit(jobrec::kMillWidth)->highest / 1000.0;
        const double largestFlat = 2.0 / 3.0 * R * R * R * hmax * rho;
        beyondFlat = solved == Solve::converged && !(x <= widest && U <= largestFlat);
    }
    if (solved == Solve::notFinite) {
        setCorrectionLimited(p);
        return;
    }
    if (solved == Solve::notConverged || beyondFlat) setCorrectionLimited(p);
    pl->massAmount = result * 1000.0;
}

void Rotor::arcMillingAngle(int p) {
    Plane* pl = planeAt(p);
    if (!pl) return;
    const double R = pl->radius / 1000.0;
    const double r = R - pl->maxMillDepth / 1000.0;
    const double w = pl->millWidth / 1000.0;
    const double rho = pl->density * 1000.0;
    const double U = correctionAmount(p - 1, true) / 1000000.0;

    // Unbalance of an annular sector of angle t between the radii r and R,
    // w thick: mass rho*w*t*(R^2 - r^2)/2 at the centroid distance
    // 4*sin(t/2)*(R^2 + R*r + r^2) / (3*t*(R + r)); the product, written
    // without t in a denominator so that it stays finite at t = 0.
    const double k = 2.0 / 3.0 * rho * w * (R * R * R - r * r * r);
    double t = kPi;
    const Solve solved = secant([&](double a) { return k * std::sin(a / 2.0) - U; }, 1e-7, &t);
    if (solved == Solve::notFinite) {
        setCorrectionLimited(p);
        return;
    }
    if (solved == Solve::notConverged) setCorrectionLimited(p);
    double degrees = std::fmod(polar::toDegrees(t), 360.0);
    if (degrees < 0.0) degrees += 360.0;
    pl->massAmount = degrees;
}

// ---------------------------------------------------------------- saved result

std::vector<Vector> Rotor::savedResultOfRuns(bool all) {
    std::vector<Vector> saved;
    const int n = planeCount(false);
    int place = 0;  // Results are kept for the planes with a channel, in order
    for (int p = 1; p <= n; ++p) {
        Vector v;
        if (hasChannel(p)) {
            if (!all) {
                // Mean of this run's and the previous run's unbalance; a
                // missing Result counts as 0.
                double x = 0.0, y = 0.0;
                for (int run : {currentRun_, currentRun_ - 1}) {
                    if (const Result* r = runResult(run, place)) {
                        x += r->unbalance.amplitude * std::cos(r->unbalance.angle);
                        y += r->unbalance.amplitude * std::sin(r->unbalance.angle);
                    }
                }
                const polar::Polar mean = polar::toPolar(x / 2.0, y / 2.0);
                v = Vector(mean.amplitude, mean.angle);
            }
            ++place;
        }
        saved.push_back(v);
    }
    return saved;
}

void Rotor::saveResult(bool all) {
    if (currentRun_ <= 0 && !all) return;
    const bool hadResults = !data_->results.empty();
    data_->results = savedResultOfRuns(all);
    appendSavedResult(hadResults);
}
