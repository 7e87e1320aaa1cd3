// Unbalance solution: the unbalance of every plane from the vibration vectors
// of the current run and the influence coefficients, the move of the support
// planes' results onto the correction planes, and the conversion of a force
// value into unbalance.
//
// The vibration vector of channel j is the sum over the measuring planes i of
// K(i, j) times the plane's unbalance.  The complex system is solved as a real
// one of twice the size by Gauss elimination with partial pivoting; a pivot
// that is negligible against the matrix's scale means the coefficients do not
// determine the unbalance, and the solution fails without recording anything.
// Planes without a channel take no part in the system (their unbalance would
// be 0) and keep their fields.
#include <cmath>
#include <utility>
#include <vector>

#include "files/logger.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"

namespace {

constexpr double kPi = polar::kPi;
// A pivot at most this fraction of the largest magnitude in the matrix counts as zero.
constexpr double kPivotTolerance = 1e-12;

// Solves A x = b (A is N x N, row by row; A and b are overwritten).
bool gauss(std::vector<double>& A, std::vector<double>& b, std::vector<double>& x, int N) {
    double scale = 0.0;
    for (double v : A) scale = std::fmax(scale, std::fabs(v));
    if (!(scale > 0.0) || !std::isfinite(scale)) return false;
    const double tiny = kPivotTolerance * scale;
    auto at = [&A, N](int r, int c) -> double& { return A[static_cast<std::size_t>(r * N + c)]; };

    for (int p = 0; p < N; ++p) {
        int best = p;
        for (int r = p + 1; r < N; ++r)
            if (std::fabs(at(r, p)) > std::fabs(at(best, p))) best = r;
        if (!(std::fabs(at(best, p)) > tiny)) return false;
        if (best != p) {
            for (int c = 0; c < N; ++c) std::swap(at(p, c), at(best, c));
            std::swap(b[static_cast<std::size_t>(p)], b[static_cast<std::size_t>(best)]);
        }
        for (int r = p + 1; r < N; ++r) {
            const double f = at(r, p) / at(p, p);
            if (f == 0.0) continue;
            for (int c = p; c < N; ++c) at(r, c) -= f * at(p, c);
            b[static_cast<std::size_t>(r)] -= f * b[static_cast<std::size_t>(p)];
        }
    }
    x.assign(static_cast<std::size_t>(N), 0.0);
    for (int r = N - 1; r >= 0; --r) {
        double s = b[static_cast<std::size_t>(r)];
        for (int c = r + 1; c < N; ++c) s -= at(r, c) * x[static_cast<std::size_t>(c)];
        x[static_cast<std::size_t>(r)] = s / at(r, r);
        if (!std::isfinite(x[static_cast<std::size_t>(r)])) return false;
    }
    return true;
}

// The real 2m x 2m matrix of the coefficients K (m x m, entry m*i + j is
// K(i, j)): rows 2j, 2j+1 (channel vector j), columns 2i, 2i+1 (plane i).
std::vector<double> factorMatrix(const std::vector<Vector>& K, int m) {
    const int N = 2 * m;
    std::vector<double> A(static_cast<std::size_t>(N * N), 0.0);
    for (int i = 0; i < m; ++i) {
        for (int j = 0; j < m; ++j) {
            const Vector& k = K[static_cast<std::size_t>(m * i + j)];
            const double re = k.amplitude * std::cos(k.angle);
            const double im = k.amplitude * std::sin(k.angle);
            A[static_cast<std::size_t>((2 * j) * N + 2 * i)] = re;
            A[static_cast<std::size_t>((2 * j) * N + 2 * i + 1)] = -im;
            A[static_cast<std::size_t>((2 * j + 1) * N + 2 * i)] = im;
            A[static_cast<std::size_t>((2 * j + 1) * N + 2 * i + 1)] = re;
        }
    }
    return A;
}

}  // namespace

bool Rotor::determinesUnbalance(const std::vector<Vector>& factors, int m) {
    if (m <= 0 || static_cast<int>(factors.size()) != m * m) return false;
    std::vector<double> A = factorMatrix(factors, m);
    std::vector<double> B(static_cast<std::size_t>(2 * m), 0.0), x;
    return gauss(A, B, x, 2 * m);
}

bool Rotor::computeDisbalance() {
    logPrintf(&logger_, "computeDisbalance");
    computed_ = false;
    const bool internal = usesInternalFactors();
    const int n = planeCount(false);
    const int m = measuringCount();
    if (n == 0 || m == 0) {
        logPrintf(&logger_, "computeDisbalance: the rotor has no planes");
        return false;
    }
    if (static_cast<int>(measured_.size()) < m) {
        logPrintf(&logger_, "computeDisbalance: %d measured vectors for %d planes", static_cast<int>(measured_.size()), m);
        return false;
    }

    // Solution per measuring plane (rank k): real and imaginary part.
    std::vector<double> X(static_cast<std::size_t>(2 * m), 0.0);
    if (!internal) {
        const auto& K = data_->factors;
        if (static_cast<int>(K.size()) != m * m) {
            logPrintf(&logger_, "computeDisbalance: %d influence coefficients for %d planes", static_cast<int>(K.size()), m);
            return false;
        }
        const int N = 2 * m;
        std::vector<double> A = factorMatrix(K, m);
        std::vector<double> B(static_cast<std::size_t>(N), 0.0);
        const bool mirror = rotationDirection();
        for (int k = 0; k < m; ++k) {
            const ChannelResult& e = measured_[static_cast<std::size_t>(k)];
            double angle = e.angleDeg;
            if (mirror && angle != 0.0) angle = 360.0 - angle;
            B[static_cast<std::size_t>(2 * k)] = e.amplitude * std::cos(polar::toRadians(angle));
            B[static_cast<std::size_t>(2 * k + 1)] = e.amplitude * std::sin(polar::toRadians(angle));
        }
        std::vector<double> solution;
        if (!gauss(A, B, solution, N)) {
            logPrintf(&logger_, "GAUSS failure!!!");
            return false;
        }
        X = std::move(solution);
    }

    Measurement run;
    int k = 0;
    for (int p = 1; p <= n; ++p) {
        if (!hasChannel(p)) continue;
        double D = 0.0;
        double lambda = 0.0;
        if (internal) {
            logPrintf(&logger_, "%d int) D = %lg, lambda = %lg", p - 1, 0.0, 0.0);
        } else {
            const polar::Polar u =
                polar::toPolar(X[static_cast<std::size_t>(2 * k)], X[static_cast<std::size_t>(2 * k + 1)]);
            D = u.amplitude;
            lambda = u.angle;
        }
        computePlaneResult(p - 1, D, lambda);
        const ChannelResult& e = measured_[static_cast<std::size_t>(k)];
        Result r;
        r.measured = Vector(e.amplitude, e.angleRad);
        double converted = e.amplitude;
        forceToUnbalance(k, &converted, false);
        r.converted = converted;
        run.results.push_back(r);
        ++k;
    }

    if (internal || isControlRotor()) recalcPlanes();

    k = 0;
    for (int p = 1; p <= n; ++p) {
        if (!hasChannel(p)) continue;
        const Plane* pl = planeAt(p);
        run.results[static_cast<std::size_t>(k)].unbalance =
            Vector(pl->unbalanceAmount, polar::toRadians(pl->unbalanceAngle));
        ++k;
    }

    // A control rotor's run that makes a missed step again, or repeats a
    // completed test's last, takes the last run's place.
    const int before = runCount();
    recordRun(run, isControlRotor() && (nextVerificationStep(-1) < before || before > 38));
    computed_ = true;
    return true;
}

bool Rotor::forceToUnbalance(int k, double* value, bool) {
    if (!value || !config_) return false;
    std::vector<u32> channels;
    usedChannels(&channels);
    if (k < 0 || k >= static_cast<int>(channels.size())) return false;
    const u32 ch = channels[static_cast<std::size_t>(k)];
    if (ch < 1 || ch > config_->channels.size()) return false;
    const Channel& c = config_->channels[ch - 1];
    const double S = c.sensitivity;
    const double G = c.amplifierRatio;
    const double n = balancingSpeed();
    if (S == 0.0 || n == 0.0 || !std::isfinite(S) || !std::isfinite(G)) return false;
    *value = G * *value * 9.81 * 1000000.0 * 900.0 / (n * n * S * kPi * kPi);
    return true;
}

void Rotor::calcPlanesK(double* K) {
    if (!K) return;
    K[0] = 1.0;
    K[1] = 0.0;
    K[2] = 0.0;
    K[3] = 1.0;
    double a = 0.0, b = 0.0, c = 0.0;
    supportDistances(&a, &b, &c);
    const double v = data_->planes.size() >= 3 ? data_->planes[2].distance3 : 0.0;
    if (isControlRotor()) {
        const int s = nextVerificationStep(-1);
        if (s < 7) {
            a -= v;
            c -= v;
            b += 2 * v;
        } else if (s < 19) {
            return;
        }
    }
    const double Z1 = a;
    const double Z2 = a + b;
    const double Zii = Z2 + c;
    logPrintf(&logger_, "calcPlanesK: Z1=%lg Z2=%lg Zii=%lg", Z1, Z2, Zii);
    const double d = Z2 - Z1;
    // Without a distance between the supports the results stay where they are.
    if (d == 0.0 || !std::isfinite(d)) return;
    K[0] = Z2 / d;
    K[1] = (Zii - Z2) / d;
    K[2] = Z1 / d;
    K[3] = (Zii - Z1) / d;
}

void Rotor::recalcPlanes() {
    double a = 0.0, b = 0.0, c = 0.0;
    supportDistances(&a, &b, &c);
    int support[2] = {-1, -1};
    int count = 0;
    const int n = planeCount(false);
    for (int p = 1; p <= n; ++p) {
        if (!hasChannel(p)) continue;
        if (count == 2) return;
        support[count++] = p - 1;
    }
    if (count < 2) return;
    const Plane& P0 = data_->planes[static_cast<std::size_t>(support[0])];
    const Plane& P1 = data_->planes[static_cast<std::size_t>(support[1])];
    const double D0 = P0.unbalanceAmount, phi0 = polar::toRadians(P0.unbalanceAngle);
    const double D1 = P1.unbalanceAmount, phi1 = polar::toRadians(P1.unbalanceAngle);

    polar::Polar W0{D0, phi0};
    polar::Polar W1{D1, phi1};
    const double T = a + b + c;
    if (!usesInternalFactors() && T != 0.0 && std::isfinite(T)) {
        W0 = polar::add((1 - a / T) * D0, phi0, (1 - (a + b) / T) * D1, phi1);
        W1 = polar::add((a / T) * D0, phi0, ((a + b) / T) * D1, phi1);
    }
    double K[4];
    calcPlanesK(K);
    logPrintf(&logger_, "recalcPlanes: K1=%lg K2=%lg K3=%lg K4=%lg D0=%lg PHI1=%lg D2=%lg PHI2=%lg", K[0], K[1], K[2],
              K[3], W0.amplitude, W0.angle, W1.amplitude, W1.angle);

    logPrintf(&logger_, "recalcPlanes: D1=%lg D2=%lg", K[0] * W0.amplitude, -K[1] * W1.amplitude);
    const polar::Polar first = polar::add(K[0] * W0.amplitude, W0.angle, -K[1] * W1.amplitude, W1.angle);
    computePlaneResult(support[0], first.amplitude, first.angle);

    logPrintf(&logger_, "recalcPlanes: D1=%lg D2=%lg", -K[2] * W0.amplitude, K[3] * W1.amplitude);
    const polar::Polar second = polar::add(-K[2] * W0.amplitude, W0.angle, K[3] * W1.amplitude, W1.angle);
    computePlaneResult(support[1], second.amplitude, second.angle);
}
