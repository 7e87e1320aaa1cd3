// Runs of a balancing job: the run list and its stepping, the readers of a
// run's values, the plane results of the current run, and the verification
// test of a control rotor (a fixed sequence of 39 runs in five stages).
//
// A run holds one Result per plane with a measuring channel, in plane order.
// Runs recorded before planes were added hold fewer Results than the rotor has
// measuring planes: a missing Result reads as zero everywhere here.
#include <cmath>

#include "records/job_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"
#include "rotor/rotor_config.h"

namespace {

// Stage lengths of the verification test, in runs (stages begin at runs 0, 7,
// 19, 30 and 34; 39 runs in all).
constexpr int kVerificationStages[5] = {7, 12, 11, 4, 5};
constexpr int kVerificationRuns = kVerificationStages[0] + kVerificationStages[1] + kVerificationStages[2] +
                                  kVerificationStages[3] + kVerificationStages[4];

// The limits of the steps, in multiples of U|mar|: a rotor still being
// balanced reads 5 or more; the two runs before the U|mar| test (5 and 6)
// read at most 0.5; the run after the URR masses came off (30) reads below 5
// again, and the run without test masses (34) below 1.
constexpr double kCoarseUmars = 5, kBalancedUmars = 0.5, kCheckUmars = 1;
constexpr int kBalancedRuns[2] = {5, 6};
constexpr int kUrrOffRun = 30, kMassesOffRun = 34;

}  // namespace

// ---------------------------------------------------------------- run list

const Result* Rotor::runResult(int run, int place) const {
    const auto& runs = data_->runs;
    if (run < 0 || run >= static_cast<int>(runs.size()) || place < 0) return nullptr;
    const auto& results = runs[static_cast<std::size_t>(run)].results;
    if (place >= static_cast<int>(results.size())) return nullptr;
    return &results[static_cast<std::size_t>(place)];
}

void Rotor::selectRun(int run) {
    if (run < 0 || run >= runCount()) return;
    currentRun_ = run;
    recalcRun();
}

void Rotor::addRun() {
    // A control rotor's runs are its test's certificate rows: none but a measured one.
    if (runCount() == 0 || isControlRotor()) return;
    // A copy: recordRun appends to the list the reference points into.
    const int run = currentRun_ >= 0 && currentRun_ < runCount() ? currentRun_ : runCount() - 1;
    const Measurement copy = data_->runs[static_cast<std::size_t>(run)];
    recordRun(copy);
}

void Rotor::stepRun(bool forward) {
    if (forward) {
        if (currentRun_ + 1 < runCount()) ++currentRun_;
    } else if (currentRun_ > 0) {
        --currentRun_;
    }
    recalcRun();
}

void Rotor::setRunFlag(int run, bool flag) {
    if (run < 0 || run >= runCount()) return;
    data_->runs[static_cast<std::size_t>(run)].flag = flag;
}

void Rotor::setConfigFlag(bool flag) {
    rotorcfg::setCorrectionOption(config_, flag);
    recalcRun();
}

// ---------------------------------------------------------------- readers

// The result of plane index i in a run: results are stored only for the
// planes with a channel, in plane order.
const Result* Rotor::planeRunResult(int run, int i) {
    if (run < 0 || run >= static_cast<int>(data_->runs.size()) || i < 0 ||
        i >= static_cast<int>(data_->planes.size()))
        return nullptr;
    int place = 0;
    for (int p = 1; p <= i; ++p)
        if (hasChannel(p)) ++place;
    return runResult(run, place);
}

double Rotor::runVibration(int run, int i, double* angle) {
    if (run < 0) run = runCount() - 1;
    const Result* r = planeRunResult(run, i);
    if (!r) return 0.0;
    if (angle) *angle = polar::reduceDegrees(polar::toDegrees(r->measured.angle));
    return r->measured.amplitude;
}

double Rotor::runUnbalance(int run, int i, double* angle) {
    if (run < 0) run += runCount();
    const Result* r = planeRunResult(run, i);
    if (!r) return 0.0;
    if (angle) *angle = polar::reduceDegrees(polar::toDegrees(r->unbalance.angle));
    return r->unbalance.amplitude;
}

double Rotor::runCorrection(int run, int i, double* angle, bool unbalance, bool* flag) {
    if (run < 0 || run >= runCount() || i < 0 || i >= planeCount(false)) return 0.0;
    currentRun_ = run;
    recalcRun();
    computeCorrections(hasResults(), false, false, false);
    if (angle) *angle = polar::reduceDegrees(correctionAngle(i, unbalance));
    if (flag) *flag = data_->runs[static_cast<std::size_t>(run)].flag;
    return correctionAmount(i, unbalance);
}

double Rotor::runResultant(int run, int a, int b, double* angle) {
    const int n = planeCount(false);
    if (run < 0 || run >= runCount() || a < 0 || a >= n || b < 0 || b >= n) return 0.0;
    currentRun_ = run;
    recalcRun();
    computeCorrections(hasResults(), false, false, false);
    const polar::Polar sum =
        polar::add(correctionAmount(a, true), polar::toRadians(correctionAngle(a, true)),
                   correctionAmount(b, true), polar::toRadians(correctionAngle(b, true)));
    if (angle) *angle = polar::reduceDegrees(polar::toDegrees(sum.angle));
    return sum.amplitude;
}

// ---------------------------------------------------------------- plane results

void Rotor::computePlaneResult(int i, double D, double lambda) {
    Plane* pl = planeAt(i + 1);
    if (!pl) return;
    const double angle = polar::reduceDegrees(polar::toDegrees(lambda));
    pl->unbalanceAmount = D;
    pl->unbalanceAngle = angle;
    // Without a correction radius there is no mass to show: 0, not inf or NaN.
    const double mass = D / pl->radius;
    pl->massAmount = std::isfinite(mass) ? mass : 0.0;
    pl->massAngle = isAddition(i + 1) ? polar::reduceDegrees(angle + 180.0) : angle;
}

void Rotor::recalcRun() {
    if (currentRun_ < 0 || currentRun_ >= runCount()) return;
    const int n = planeCount(false);
    const bool scheme2 = planeScheme() == 2;
    int k = 0;
    for (int p = 1; p <= n; ++p) {
        if (hasChannel(p) || scheme2) {
            const Result* r = runResult(currentRun_, k);
            if (r)
                computePlaneResult(p - 1, r->unbalance.amplitude, r->unbalance.angle);
            else
                computePlaneResult(p - 1, 0.0, 0.0);
            ++k;
        } else if (isControlRotor()) {
            int first = 0;
            if (verificationStage(currentRun_ + 1, &first, nullptr) == 1) {
                Plane* pl = planeAt(p);
                pl->massAmount = pl->massUmar;
                pl->massAngle = first * 30.0;
            }
        }
    }
}

void Rotor::computeCorrections(bool subtractSaved, bool, bool zeroAll, bool machining) {
    clearCorrectionLimits();
    if (runCount() == 0) return;
    const int run = (currentRun_ >= 0 && currentRun_ < runCount()) ? currentRun_ : runCount() - 1;
    const int n = planeCount(false);
    int k = 0;
    for (int i = 0; i < n; ++i) {
        if (hasChannel(i + 1)) {
            const Result* r = runResult(run, k++);
            if (r)
                computePlaneResult(i, r->unbalance.amplitude, r->unbalance.angle);
            else
                computePlaneResult(i, 0.0, 0.0);
        }
        if (zeroAll) computePlaneResult(i, 0.0, 0.0);
    }
    finishCorrections(subtractSaved, machining);
}

// ---------------------------------------------------------------- verification test

int Rotor::nextVerificationStep(int runs) {
    const int count = runCount();
    if (runs < 0 || runs > count) runs = count;
    if (runs == 0) return 0;
    const double P = permissibleUnbalance(1);
    auto u = [this](int run, int place) {
        const Result* r = runResult(run, place);
        return r ? r->unbalance.amplitude : 0.0;
    };
    auto coarse = [&](int run) { return u(run, 0) >= kCoarseUmars * P || u(run, 1) >= kCoarseUmars * P; };

    int k = 0;
    while (k < runs && coarse(k)) ++k;
    if (k == runs) return 0;
    int s = runs - k;
    const double balanced = kBalancedUmars * P, check = kCheckUmars * P;
    if ((s == kBalancedRuns[0] + 1 || s == kBalancedRuns[1] + 1) &&
        (u(runs - 1, 0) > balanced || u(runs - 1, 1) > balanced))
        return -1;
    if (s > kMassesOffRun) {
        for (int j = k + kMassesOffRun; j < runs && !(u(j, 0) < check && u(j, 1) < check); ++j) --s;
    }
    if (s <= kUrrOffRun) return s;
    for (int j = k + kUrrOffRun; j < runs && coarse(j); ++j) --s;
    return s;
}

bool Rotor::missesItsStep(int run) {
    if (!isControlRotor() || run < 0 || run >= runCount()) return false;
    return nextVerificationStep(run + 1) <= nextVerificationStep(run);
}

bool Rotor::verificationComplete() {
    return isControlRotor() && nextVerificationStep(-1) >= kVerificationRuns;
}

bool Rotor::onLastRun() const { return currentRun_ + 1 == static_cast<int>(data_->runs.size()); }

bool Rotor::repeatsLastRun() const { return progress_.repeat && onLastRun(); }

bool Rotor::withinStepLimit(int run, double u) {
    const double P = permissibleUnbalance(1);
    if (run == 0 || run == kUrrOffRun) return u < kCoarseUmars * P;
    if (run == kBalancedRuns[0] || run == kBalancedRuns[1]) return u <= kBalancedUmars * P;
    if (run == kMassesOffRun) return u < kCheckUmars * P;
    return true;
}

int Rotor::verificationStage(int run, int* first, int* size) {
    int stage = 0;
    int start = 0;
    while (stage < 4 && run >= start + kVerificationStages[stage]) {
        start += kVerificationStages[stage];
        ++stage;
    }
    if (size) {
        *size = kVerificationStages[stage];
        if (first) *first = start;
    } else if (first) {
        *first = run - start;
    }
    return stage;
}

bool* Rotor::verificationRunAllowed(bool* out, bool forNext, bool b) {
    if (!out) return out;
    const int v = currentRun() + 1;
    if (forNext) {
        *out = (v >= 7 && v < 19 && nextVerificationStep(v) > 0) ? !b : b;
        return out;
    }
    const int s = nextVerificationStep(-1);
    if (s < 2 || v == 1 || (v >= 19 && v < 30) || (v >= 31 && v < 33) || v > 34)
        *out = !b;
    else if ((v >= 7 && v < 19) || v >= 33)
        *out = b;
    return out;
}
