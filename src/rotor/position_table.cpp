#include "rotor/position_table.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>

#include "records/job_records.h"
#include "rotor/plane_limits.h"
#include "rotor/polar.h"
#include "rotor/rotor_base.h"
#include "rotor/splitters.h"
#include "rotor/verification_rows.h"

namespace {

// Remainder of division by 360, plus 360 when negative (a whole 360 stays 0).
double wrap360(double a) {
    double r = std::fmod(a, 360.0);
    if (r < 0) r += 360.0;
    if (r >= 360.0) r -= 360.0;
    return r;
}

// The remainder of a by step in [0, step) (a step > 0); 0 when a is not finite.
double remainderBelow(double a, double step) {
    double r = std::fmod(a, step);
    if (!std::isfinite(r)) return 0.0;
    if (r < 0) r += step;
    if (r >= step) r = 0.0;
    return r;
}

// Below this a control rotor's position holds no test mass.
constexpr double kNoTestMass = 0.000001;

}  // namespace

PositionTable::PositionTable(RotorBase* owner, Hooks hooks) : owner_(owner), hooks_(std::move(hooks)) {}

PositionEntry* PositionTable::entry(int i) {
    return (i >= 0 && i < static_cast<int>(entries_.size())) ? &entries_[static_cast<size_t>(i)] : nullptr;
}

const PositionEntry* PositionTable::entry(int i) const {
    return (i >= 0 && i < static_cast<int>(entries_.size())) ? &entries_[static_cast<size_t>(i)] : nullptr;
}

PositionValue* PositionTable::position(int i, int k) {
    const PositionEntry* e = entry(i);
    if (!e || k < 0 || k >= e->count) return nullptr;
    const size_t at = static_cast<size_t>(e->first + k);
    return at < values_.size() ? &values_[at] : nullptr;
}

const PositionValue* PositionTable::position(int i, int k) const {
    return const_cast<PositionTable*>(this)->position(i, k);
}

double PositionTable::drillStepDegrees(int p) const {
    return polar::toDegrees(drillStep(owner_->drillDiameter(p), owner_->wallThickness(p), owner_->correctionRadius(p)));
}

int PositionTable::planePositionCount(int p) const {
    // Only planes that a plane mask can name (1 to 32) get positions, each at
    // most kMaxPlanePositions, so the table never outgrows 32 full planes.
    if (p > 32) return 0;
    int count = 0;
    if (owner_->isControlRotor()) {
        count = kTestPositions;
    } else if (owner_->isAdditionIndexed(p)) {
        count = owner_->positionCount(p);
    } else if (owner_->isDrilling(p)) {
        count = drillPositionCount(owner_->drillDiameter(p), owner_->wallThickness(p), owner_->correctionRadius(p));
    }
    return std::clamp(count, 0, kMaxPlanePositions);
}

std::uint32_t PositionTable::buildPositionTable() {
    values_.clear();
    planeMask_ = 0;
    entries_.assign(static_cast<size_t>(std::max(0, owner_->planeCount(false))), PositionEntry{});
    std::uint32_t withPositions = 0;
    std::int64_t total = 0;
    for (int p = 1; p <= static_cast<int>(entries_.size()); ++p) {
        PositionEntry& e = entries_[static_cast<size_t>(p - 1)];
        e = PositionEntry{};
        e.first = static_cast<int>(total);
        e.count = planePositionCount(p);
        if (p <= 32) planeMask_ |= 1u << (p - 1);
        if (e.count > 0) withPositions |= 1u << (p - 1);
        total += e.count;
    }
    if (total > 0) values_.assign(static_cast<size_t>(total), PositionValue{});
    return withPositions;
}

bool PositionTable::hasPositions(int i) const {
    const PositionEntry* e = entry(i);
    return e && e->current >= 0;
}

bool PositionTable::hasUsedPositions(int i) const {
    const PositionEntry* e = entry(i);
    return e && e->steps > 0;
}

void PositionTable::setPositionValue(int i, double x) {
    PositionEntry* e = entry(i);
    if (!e || e->previous < 0) return;
    if (PositionValue* v = position(i, e->previous)) v->value = x;
}

std::uint32_t PositionTable::positionLookup(int i) {
    const int n = owner_->planeCount(false);
    if (i < 0 || i >= n || i >= 32 || !owner_->isAdditionIndexed(i + 1)) return 0;
    int firstIndexed = -1;
    for (int j = 0; j < n; ++j) {
        if (owner_->isAdditionIndexed(j + 1)) {
            firstIndexed = j;
            break;
        }
    }
    if (firstIndexed != i) return 1u << i;
    std::uint32_t mask = 0;
    for (int j = 0; j < n && j < 32; ++j)
        if (owner_->isAdditionIndexed(j + 1)) mask |= 1u << j;
    return mask;
}

void PositionTable::positionEntry(int i) {
    if (!owner_->isAdditionIndexed(i + 1)) return;
    const std::uint32_t mask = positionLookup(i);
    for (int j = 0; j < 32; ++j) {
        if (!(mask & (1u << j))) continue;
        const PositionEntry* e = entry(j);
        if (!e || e->count <= 0) continue;
        const double step = 360.0 / e->count;
        const double a = owner_->trialAngle(i);
        owner_->setTrialAngle(j, a);
        const double offset = remainderBelow(a, step);
        for (int k = 0; k < e->count; ++k)
            if (PositionValue* v = position(j, k)) v->angle = offset + k * step;
    }
}

void PositionTable::layoutDrillPositions(int i, double theta) {
    const PositionEntry* e = entry(i);
    if (!e || !owner_->isDrilling(i + 1) || e->count <= 0) return;
    const int n = e->count;
    const double d = drillStepDegrees(i + 1);
    if (!(d > 0.0)) return;
    const double t = owner_->trialAngle(i);
    double target = theta;
    if (t > 0) {
        // Move theta onto the grid of hole angles t, t - d, t - 2d, ...: the
        // last of them not above theta, or the next one up when that is
        // nearer.  Reduced with fmod, not stepped, so that a step far below
        // the angle's precision still ends.
        const double x0 = theta > t ? t + 360.0 : t;
        double x = x0 > theta ? theta - remainderBelow(theta - x0, d) : x0;
        if (std::fabs((x + d) - theta) < std::fabs(x - theta)) x += d;
        if (x < 0) x += 360.0;
        target = x;
    }
    const double c = wrap360(target);
    const double slot = std::floor(c / d);
    const int k0 = std::isfinite(slot) ? static_cast<int>(std::fmod(slot, n)) : 0;
    for (int j = 0; j < n / 2; ++j) {
        if (PositionValue* v = position(i, (k0 + j) % n)) v->angle = wrap360(c + j * d);
        if (PositionValue* v = position(i, ((k0 - j) % n + n) % n)) v->angle = wrap360(c - j * d);
    }
    if (PositionValue* v = position(i, k0)) v->angle = c;
}

bool PositionTable::sharePlaneToPositions(int i, bool force, double U, double angle) {
    PositionEntry* e = entry(i);
    if (!e || e->count <= 0) return false;
    const int p = i + 1;
    const double P = owner_->permissibleUnbalance(p);
    if (!(P < U) && !force) return false;

    std::unique_ptr<ConstrSplitter> splitter;
    if (owner_->isDrilling(p)) {
        const double machine = hooks_.machineDrillAngle ? hooks_.machineDrillAngle() : 0.0;
        splitter = std::make_unique<ConstrDrillSplitter>(
            P, owner_->maxDrillDepth(p), owner_->correctionRadius(p), owner_->drillDiameter(p),
            owner_->wallThickness(p), effectiveDrillAngle(owner_->drillAngle(p), machine), owner_->materialDensity(p),
            owner_->isRadialDrilling(p), owner_->additionalHoles(p));
    } else {
        splitter = std::make_unique<ConstrSplitter>(2.0 * polar::kPi / e->count, P, owner_->minMass(p),
                                                    owner_->maxMass(p), owner_->correctionRadius(p));
    }
    for (int k = 0; k < e->count; ++k) splitter->items.push_back({position(i, k)->angle, 0.0});

    const bool limited = splitter->distribute(U, angle);
    if (limited) owner_->setCorrectionLimited(p);
    for (int k = 0; k < e->count; ++k)
        position(i, k)->amount = k < static_cast<int>(splitter->items.size()) ? splitter->items[k].amount : 0.0;
    if (!limited) {
        e->current = -1;
        e->current = nextUsedPosition(i, force, angle);
        e->steps = -1;
    }
    return !limited;
}

int PositionTable::nextUsedPosition(int i, bool force, double angle) {
    PositionEntry* e = entry(i);
    if (!e) return -1;
    e->previous = e->current;
    const int p = i + 1;
    const bool drilling = owner_->isDrilling(p);
    const double search = drilling ? wrap360(angle + 180.0) : angle;

    if (owner_->isControlRotor()) {
        // The test's asks in their order; an empty position is no ask.
        for (int k = e->current < 0 ? 0 : e->current + 1; k < e->count; ++k)
            if (position(i, k)->amount >= kNoTestMass) return k;
        return -1;
    }
    const int n = e->count;
    if (n <= 0) return -1;
    int s0 = 0;
    for (int k = 0; k < n; ++k) {
        if (position(i, k)->angle > search) {
            s0 = k;
            break;
        }
    }
    const double halfMin = owner_->minMass(p) / 2.0;
    auto used = [&](int k) {
        const double a = position(i, k)->amount;
        // A used position must hold something: with a minimum mass of 0 an
        // empty position would otherwise count as used.
        if (!(a > 0.00001)) return false;
        return a >= halfMin || force || drilling;
    };
    const bool hadCurrent = e->current >= 0 && e->current < n;
    int k = hadCurrent ? (e->current + 1) % n : s0;
    bool examinedStart = false;
    for (int guard = 0; guard <= n + 1; ++guard) {
        if (k == s0) {
            if (hadCurrent || examinedStart) return -1;
            examinedStart = true;
        }
        if (used(k)) return k;
        k = (k + 1) % n;
    }
    return -1;
}

void PositionTable::splitToPositions(int i, bool force) {
    PositionEntry* e = entry(i);
    if (!e || e->current < 0) return;
    const PositionValue* v = position(i, e->current);
    if (!v) return;
    const double amount = v->amount;
    const double angle = v->angle;
    const int next = nextUsedPosition(i, force, owner_->correctionAngle(i, true));
    e->current = next;
    if (!(e->steps == -1 && next == -1)) ++e->steps;
    if (hooks_.setCorrection) hooks_.setCorrection(i, amount, angle);
}

void PositionTable::nextPositionSplit(int i, bool force) {
    PositionEntry* e = entry(i);
    if (!e || e->steps <= 0) return;
    const int steps = e->steps;
    e->current = -1;
    e->current = nextUsedPosition(i, force, owner_->correctionAngle(i, true));
    e->steps = -1;
    for (int s = 0; s < steps; ++s) splitToPositions(i, force);
}

void PositionTable::shareToPositions(int i, bool force) {
    const double U = owner_->correctionAmount(i, true);
    const double A = owner_->correctionAngle(i, true);
    if (!owner_->isControlRotor()) {
        if (sharePlaneToPositions(i, force, U, A)) splitToPositions(i, force);
        return;
    }
    PositionEntry* e = entry(i);
    if (!e || e->count < kTestPositions) return;

    // A control rotor's asks before the next run: the test masses that come
    // off (positions 0 and 1) and go on (2 and 3), or the one mass that
    // balances it.
    using namespace verificationrows;
    for (int k = 0; k < e->count; ++k) *position(i, k) = PositionValue{};
    PositionValue* const balancing = position(i, kTestPositions - 1);
    const Plane plane = owner_->plane(i + 1);
    const bool first = i == 0;
    switch (testMasses()) {
    case TestMasses::kRows: {
        const PlaneMasses masses{plane.massUmar, plane.massStation, plane.massTravel};
        auto row = [&](int run) {  // none after the test's last run
            int first = 0, size = 0;
            const int stage = owner_->verificationStage(run, &first, &size);
            return run - first < size ? rowOf(stage, run - first, i, masses) : PlaneRow{};
        };
        const int r = owner_->currentRun();
        // A repeat of the test's last run: its masses go on again where its
        // asks took them off.
        const bool again = hooks_.repeatsLastRun && hooks_.repeatsLastRun();
        int off = 0, on = kTestPositions / 2;
        for (const Ask& ask : asksBetween(again ? PlaneRow{} : row(r), row(again ? r : r + 1)))
            *position(i, ask.removes ? off++ : on++) = {ask.mass.mass, ask.mass.angle, 0.0, ask.removes};
        break;
    }
    case TestMasses::kAddedUnbalance:
        // The added unbalance the protocol states, the same in both test planes.
        if (i != kMiddlePlane)
            *balancing = {hooks_.addedTestMass ? hooks_.addedTestMass() : 0.0, first ? 10.0 : 100.0};
        break;
    case TestMasses::kCorrection:
        if (i != kMiddlePlane && plane.radiusSmall != 0.0)
            *balancing = {U / plane.radiusSmall, wrap360(A + 180.0)};
        break;
    }
    e->current = -1;
    e->current = nextUsedPosition(i, true, 0.0);
    e->steps = -1;
    splitToPositions(i, true);
}

PositionTable::TestMasses PositionTable::testMasses() const {
    const int r = owner_->currentRun();
    // A missed step is made again: the rotor is balanced for it, its masses stay.
    if (hooks_.missesItsStep && hooks_.missesItsStep(r)) return TestMasses::kCorrection;
    const int s = owner_->nextVerificationStep(-1);
    if (s == 1 || (r == 0 && owner_->runCount() > 1)) return TestMasses::kAddedUnbalance;
    // The next run still balances the proving rotor.
    if (owner_->verificationStage(r + 1, nullptr, nullptr) == verificationrows::kBalancing)
        return TestMasses::kCorrection;
    return TestMasses::kRows;
}

bool PositionTable::removalShown(int i) const {
    const PositionEntry* e = entry(i);
    const PositionValue* shown = e ? position(i, e->previous) : nullptr;
    return shown && shown->removes;
}

bool PositionTable::asksTestMasses(int i) const {
    const PositionEntry* e = entry(i);
    if (!e || !owner_->isControlRotor()) return false;
    for (int k = 0; k < e->count; ++k)
        if (position(i, k)->amount >= kNoTestMass) return true;
    return false;
}
