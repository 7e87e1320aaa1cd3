// Influence coefficients: the vibration that one gram millimetre of unbalance
// in a measuring plane causes on each channel vector, won from a reference run
// and one run per plane with a trial mass; their reading and editing one by
// one; and the internal factors, a straight-line fit of a plane's sensitivity
// and phase against speed from two speed series.
//
// With m measuring planes the coefficients are an m x m list, row by row:
// entry m*r + c is K(r, c), r the plane's rank among the measuring planes and
// c the channel vector.  The measured vectors hold (m + 1) blocks of m: block 0
// the reference run, block r the run with the trial mass in the r-th plane.
#include <cmath>

#include "files/logger.h"
#include "records/job_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"

namespace {

// Rank among the measuring planes of plane number p (from 1): p less the
// planes 1..p without a channel.
int rankOf(Rotor& r, int p) {
    int without = 0;
    for (int q = 1; q <= p; ++q)
        if (r.hasNoChannel(q)) ++without;
    return p - without;
}

}  // namespace

void Rotor::takeTrialMeasurement(int run) {
    const int n = planeCount(false);
    if (run < 0 || run > n) {
        logPrintf(&logger_, "takeTrialMeasurement: no plane %d", run);
        return;
    }
    const int m = measuringCount();
    measured_.resize(static_cast<std::size_t>((m + 1) * m));
    copyFinalResults(rankOf(*this, run));
}

bool Rotor::computeInfluenceFactors(bool accumulate) {
    const int m = measuringCount();
    const int n = planeCount(false);
    if (m == 0) {
        logPrintf(&logger_, "computeInfluenceFactors: no measuring plane");
        return false;
    }
    if (static_cast<int>(measured_.size()) < (m + 1) * m) {
        logPrintf(&logger_, "computeInfluenceFactors: %d measured vectors, %d needed", static_cast<int>(measured_.size()),
                  (m + 1) * m);
        return false;
    }
    struct Trial {
        double mass, radius, phi;
    };
    std::vector<Trial> trials;
    for (int p = 1; p <= n; ++p) {
        if (!hasChannel(p)) continue;
        const Trial t{trialMass(p - 1), correctionRadius(p), polar::toRadians(trialAngle(p - 1))};
        const double mr = t.mass * t.radius;
        if (mr == 0.0 || !std::isfinite(mr) || !std::isfinite(t.phi)) {
            logPrintf(&logger_, "computeInfluenceFactors: plane %d has no trial mass or radius (m: %lf, R: %lf)", p,
                      t.mass, t.radius);
            return false;
        }
        trials.push_back(t);
    }

    const bool mirror = rotationDirection();
    auto vectorOf = [&](int entry) {
        const ChannelResult& e = measured_[static_cast<std::size_t>(entry)];
        double angle = e.angleDeg;
        if (mirror && angle != 0.0) angle = 360.0 - angle;
        return polar::Polar{e.amplitude, polar::toRadians(angle)};
    };

    std::vector<Vector> K(static_cast<std::size_t>(m * m));
    for (int r = 0; r < m; ++r) {
        const Trial& t = trials[static_cast<std::size_t>(r)];
        for (int c = 0; c < m; ++c) {
            const polar::Polar ref = vectorOf(c);
            const polar::Polar trial = vectorOf((r + 1) * m + c);
            logPrintf(&logger_, "factorVal[%d, %d] = (%lf, %lf)(%lf, %lf) m: %lf, R: %lf, phi: %lf", r, c, trial.amplitude,
                      trial.angle, ref.amplitude, ref.angle, t.mass, t.radius, t.phi);
            const polar::Polar d = polar::add(trial.amplitude, trial.angle, -ref.amplitude, ref.angle);
            K[static_cast<std::size_t>(m * r + c)] = Vector(d.amplitude / (t.radius * t.mass), d.angle - t.phi);
        }
    }

    auto& factors = data_->factors;
    if (accumulate && factors.size() == K.size()) {
        for (std::size_t e = 0; e < K.size(); ++e) {
            const polar::Polar s = polar::add(factors[e].amplitude, factors[e].angle, K[e].amplitude, K[e].angle);
            K[e] = Vector(s.amplitude, s.angle);
        }
    }
    // Coefficients that determine no unbalance would make every later run
    // fail: the rotor keeps the ones it had.
    if (!determinesUnbalance(K, m)) {
        logPrintf(&logger_, "computeInfluenceFactors: GAUSS failure!!!");
        return false;
    }
    factors = std::move(K);

    auto& refs = data_->references;
    refs.clear();
    for (const ChannelResult& e : measured_) refs.push_back(Vector(e.amplitude, e.angleRad));
    return true;
}

void Rotor::factorData(int op, int i, int j, double* value, double* angle) {
    const int m = measuringCount();
    const int n = planeCount(false);
    auto zero = [&] {
        if (value) *value = 0.0;
        if (angle) *angle = 0.0;
    };
    if (i < 0 || j < 0 || i > n || j > n) {
        if (op == 0 || op == 3 || op == 4) zero();
        return;
    }
    const int ri = rankOf(*this, i);
    const int rj = rankOf(*this, j);
    const long e = static_cast<long>(ri) * m + rj;

    auto read = [&](const std::vector<Vector>& list, long index) {
        if (index < 0 || index >= static_cast<long>(list.size())) return zero();
        const Vector& v = list[static_cast<std::size_t>(index)];
        if (value) *value = v.amplitude;
        if (angle) *angle = polar::reduceDegrees(polar::toDegrees(v.angle));
    };

    switch (op) {
        case 0:
            read(data_->factors, e - m - 1);
            return;
        case 1:
        case 2: {
            // Only planes with a channel address a coefficient.
            if (ri < 1 || ri > m || rj < 1 || rj > m || i < 1 || j < 1 || hasNoChannel(i) || hasNoChannel(j)) return;
            auto& factors = data_->factors;
            if (factors.empty()) factors.assign(static_cast<std::size_t>(m * m), Vector());
            const long index = e - m - 1;
            if (index < 0 || index >= static_cast<long>(factors.size())) return;
            Vector& v = factors[static_cast<std::size_t>(index)];
            if (op == 1) {
                if (value && std::isfinite(*value)) v.amplitude = *value;
            } else if (angle && std::isfinite(*angle)) {
                v.angle = polar::toRadians(*angle);
            }
            return;
        }
        case 3: {
            const long index = e - 1;
            if (index < 0 || index >= static_cast<long>(measured_.size())) return zero();
            const ChannelResult& r = measured_[static_cast<std::size_t>(index)];
            if (value) *value = r.amplitude;
            if (angle) *angle = polar::reduceDegrees(polar::toDegrees(r.angleRad));
            return;
        }
        case 4:
            read(data_->references, e - 1);
            return;
        default:
            zero();
    }
}

void Rotor::computeInternalFactors(double* K, int plane, int channel) {
    if (!K) return;
    K[0] = K[1] = K[2] = K[3] = 0.0;
    const double U = trialMass(plane) * correctionRadius(plane + 1);
    double a = 0.0, b = 0.0, c = 0.0;
    supportDistances(&a, &b, &c);
    logPrintf(&logger_, "start computing internal factors for plane: %d (A=%lg, B=%lg, C=%lg, D=%lg)", plane, a, b, c, U);
    const double reduced = channel == 0 ? b * U / (b + a) : b * U / (b + c);
    logPrintf(&logger_, "updated disb: %lg", reduced);

    const unsigned trialList = static_cast<unsigned>(plane + 1);
    const bool listOk = plane >= 0 && trialList < kKeptLists && (channel == 0 || channel == 1);
    const std::vector<SpeedResult>& ref = keptList(0);
    const std::size_t N = ref.size();
    if (!listOk || keptList(trialList).size() != N || reduced == 0.0 || !std::isfinite(reduced) || N == 0) {
        logPrintf(&logger_, "error! size doesn't match or disb == 0");
        return;
    }
    const std::vector<SpeedResult>& trial = keptList(trialList);

    double sf = 0, sff = 0, ss = 0, ssf = 0, si = 0, sii = 0, sa = 0, saf = 0;
    for (std::size_t e = 0; e < N; ++e) {
        const double f = ref[e].speed;
        if (trial[e].speed != ref[e].speed) return;
        const double A0 = channel == 0 ? ref[e].amplitude0 : ref[e].amplitude1;
        const double B0 = channel == 0 ? ref[e].angle0 : ref[e].angle1;
        const double A1 = channel == 0 ? trial[e].amplitude0 : trial[e].amplitude1;
        const double B1 = channel == 0 ? trial[e].angle0 : trial[e].angle1;
        logPrintf(&logger_, "freq=%lg, A0=%lg, B0=%lg, A1=%lg, B1=%lg", f, A0, B0, A1, B1);
        const polar::Polar d = polar::add(A1, B1, -A0, B0);
        const double s = d.amplitude / reduced;
        const double ang = polar::toDegrees(d.angle);
        sf += f;
        sff += f * f;
        ss += s;
        ssf += s * f;
        if (f != 0.0) {
            si += 1 / f;
            sii += 1 / (f * f);
            saf += ang / f;
        }
        sa += ang;
    }
    const double n = static_cast<double>(N);
    const double denom1 = sff - sf * sf / n;
    const double denom2 = sii - si * si / n;
    // Fewer than two distinct speeds determine no line.
    if (!(std::fabs(denom1) > 1e-12 * sff) || !(std::fabs(denom2) > 1e-12 * sii)) {
        logPrintf(&logger_, "error! size doesn't match or disb == 0");
        return;
    }
    const double K0 = (ssf - sf * ss / n) / denom1;
    const double K1 = (ss - K0 * sf) / n;
    const double K3 = (saf - si * sa / n) / denom2;
    const double K2 = (sa - K3 * si) / n;
    if (!std::isfinite(K0) || !std::isfinite(K1) || !std::isfinite(K2) || !std::isfinite(K3)) {
        logPrintf(&logger_, "error! size doesn't match or disb == 0");
        return;
    }
    K[0] = K0;
    K[1] = K1;
    K[2] = K2;
    K[3] = K3;
    logPrintf(&logger_, "K0=%lg, K1=%lg, K2=%lg, K3=%lg", K0, K1, K2, K3);
}

void Rotor::updateInternalFactors(double* K) {
    if (!K) return;
    computeInternalFactors(K, nextPlane(0, true) - 1, 0);
    computeInternalFactors(K + 4, lastPlane(true) - 1, 1);
}
