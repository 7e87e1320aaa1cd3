#include "rotor/rotor.h"

#include <cmath>

#include "files/logger.h"
#include "records/job_records.h"
#include "rotor/rotor_config.h"
#include "texts/texts.h"

using namespace jobrec;

// ---------------------------------------------------------------- life cycle

Rotor::Rotor(Config* config) : config_(config), data_(std::make_unique<RotorData>()) {
    logger_ = createLogger(kLogName);
    if (logger_) logger_->open(true);

    // The lowest and the highest active measuring channel (numbers from 1).
    int lowest = 0;
    int highest = 0;
    const int channels = rotorcfg::channelListSize(config_);
    for (int c = 0; c < channels; ++c) {
        if (!rotorcfg::channelActive(config_, c)) continue;
        if (lowest == 0) lowest = c + 1;
        highest = c + 1;
    }
    if (lowest != 0) {
        Plane first;
        first.channel1 = static_cast<std::uint32_t>(lowest);
        data_->planes.push_back(first);
        if (highest != lowest) {
            Plane second;
            second.channel2 = static_cast<std::uint32_t>(highest);
            data_->planes.push_back(second);
        }
    }

    if (!rotorcfg::driveActive(config_, false)) data_->drive = kDriveBelt;
    data_->direction = rotorcfg::driveDefaultDirection(config_, isBeltDrive());
    if (isBeltDrive() && data_->drivePulley < 0.001) data_->drivePulley = rotorcfg::beltDefaultPulley(config_);
}

Rotor::~Rotor() {
    if (history_) {
        std::fclose(history_);
        history_ = nullptr;
    }
    historyActive_ = false;
    delete logger_;
}

void Rotor::setLogEnabled(bool enabled) {
    if (logger_) logger_->open(enabled);
}

bool Rotor::startFlag() { return start_; }
void Rotor::clearStartFlag() { start_ = false; }
bool Rotor::flag80() { return flag80_; }
bool Rotor::flag81() { return flag81_; }
bool Rotor::isComputed() { return computed_; }
bool Rotor::isHistoryActive() { return historyActive_; }
bool Rotor::isHistoryOpen() { return history_ != nullptr; }

// ---------------------------------------------------------------- reserved slots

void Rotor::reserved2(u32) {}
void Rotor::reserved6() {}
double Rotor::reserved9(u32, u32, u32) { return 0.0; }
void Rotor::reserved16(u32, u32, u32) {}
void Rotor::reserved17(u32) {}
void Rotor::reserved26() {}
bool Rotor::reserved53(u32) { return false; }
bool Rotor::reserved68() { return false; }
bool Rotor::reserved69() { return false; }
bool Rotor::reserved83() { return false; }
double Rotor::reserved100(u32) { return 10.0; }
double Rotor::reserved101(u32) { return 0.0; }
void Rotor::reserved121(u32, u32, u32) {}
bool Rotor::reserved123() { return false; }
void Rotor::reserved124() {}
int Rotor::reserved125(u32) { return 0; }
void Rotor::reserved128() {}
void Rotor::reserved130(u32, u32, u32) {}
void Rotor::reserved140(u32, u32) {}
double Rotor::reserved144(u32, u32, u32) { return 0.0; }
void Rotor::reserved145(u32, u32, u32) {}
void Rotor::reserved146(u32) {}

// ---------------------------------------------------------------- planes

Plane* Rotor::planeAt(int p) {
    if (p < 1 || p > static_cast<int>(data_->planes.size())) return nullptr;
    return &data_->planes[static_cast<std::size_t>(p - 1)];
}

const Plane* Rotor::planeAt(int p) const {
    if (p < 1 || p > static_cast<int>(data_->planes.size())) return nullptr;
    return &data_->planes[static_cast<std::size_t>(p - 1)];
}

bool Rotor::isPlaneIndex(int p) { return planeAt(p) != nullptr; }
bool Rotor::isPlaneIndex2(int p) { return isPlaneIndex(p); }

// A control rotor's test mounts masses and takes them off where they sit:
// its planes correct by adding masses on arbitrary positions, whatever mode
// and mean they held before the rotor became one (or in the file it came
// from).  The stored values stay for the rotor it may become again.
bool Rotor::modeIs(int p, u32 mode) const {
    const Plane* pl = planeAt(p);
    return pl && (data_->controlRotor ? kModeAddition : pl->mode) == mode;
}
bool Rotor::meanIs(int p, u32 mean) const {
    const Plane* pl = planeAt(p);
    return pl && (data_->controlRotor ? kMeanArbitrary : pl->mean) == mean;
}

bool Rotor::isAddition(int p) { return modeIs(p, kModeAddition); }
bool Rotor::isRemoval(int p) { return modeIs(p, kModeRemoval); }
bool Rotor::isCentering(int p) { return modeIs(p, kModeCentering); }
bool Rotor::isRemovalArbitrary(int p) { return isRemoval(p) && meanIs(p, kMeanArbitrary); }
bool Rotor::isAdditionIndexed(int p) { return isAddition(p) && meanIs(p, kMeanIndexed); }
bool Rotor::isAdditionArc(int p) { return isAddition(p) && meanIs(p, kMeanArc); }
bool Rotor::isDrilling(int p) {
    return isRemoval(p) && (meanIs(p, kMeanEndDrilling) || meanIs(p, kMeanRadialDrilling));
}
bool Rotor::isRadialDrilling(int p) { return isRemoval(p) && meanIs(p, kMeanRadialDrilling); }
bool Rotor::isFlatMilling(int p) { return isRemoval(p) && meanIs(p, kMeanFlatMilling); }
bool Rotor::isArcMilling(int p) { return isRemoval(p) && meanIs(p, kMeanArcMilling); }
bool Rotor::isMachiningRemoval(int p) {
    return isRemoval(p) && !meanIs(p, kMeanArbitrary) && !meanIs(p, kMeanIndexed);
}

bool Rotor::hasArcMilling() {
    const int n = static_cast<int>(data_->planes.size());
    for (int p = 1; p <= n; ++p)
        if (isArcMilling(p)) return true;
    return false;
}

const char* Rotor::correctionModeLabel(int p) {
    if (!isPlaneIndex(p)) return "";
    if (isCentering(p)) return textOrEmpty(kModeCentering);
    if (!isAddition(p)) return textOrEmpty(kModeRemoval);
    return textOrEmpty(kModeAddition);
}

bool Rotor::hasChannel(int p) {
    const Plane* pl = planeAt(p);
    if (!pl) return false;
    if (p == 1 || p == static_cast<int>(data_->planes.size())) return true;
    return pl->channel1 != 0 || pl->channel2 != 0;
}

// A plane that does not exist has neither a channel nor "no channel".
bool Rotor::hasNoChannel(int p) { return isPlaneIndex(p) && !hasChannel(p); }

int Rotor::nextPlane(int p, bool measuringOnly) {
    const int n = static_cast<int>(data_->planes.size());
    if (p < 0) return 0;
    for (int q = p + 1; q <= n; ++q)
        if (!measuringOnly || hasChannel(q)) return q;
    return 0;
}

int Rotor::prevPlane(int p, bool measuringOnly) {
    const int n = static_cast<int>(data_->planes.size());
    if (p < 2 || p > n + 1) return 0;
    for (int q = p - 1; q >= 1; --q)
        if (!measuringOnly || hasChannel(q)) return q;
    return 0;
}

int Rotor::lastPlane(bool measuringOnly) {
    int n = static_cast<int>(data_->planes.size());
    if (measuringOnly && n > 0 && hasNoChannel(n)) --n;
    return n;
}

int Rotor::planeCount(bool reduce) {
    int n = static_cast<int>(data_->planes.size());
    if (reduce && planeScheme() == 1) --n;
    return n;
}

int Rotor::planeScheme() {
    const auto& planes = data_->planes;
    if (planes.size() == 3 && planes[1].channel1 == 0 && planes[1].channel2 == 0) return 1;
    if (planes.size() == 1 && planes[0].channel1 != 0 && planes[0].channel2 != 0) return 2;
    return 0;
}

int Rotor::measuringCount() {
    const int n = static_cast<int>(data_->planes.size());
    int m = 0;
    for (int p = 1; p <= n; ++p)
        if (hasChannel(p)) ++m;
    return m;
}

void Rotor::supportDistances(double* a, double* b, double* c) {
    double va = 0.0, vb = 0.0, vc = 0.0;
    const auto& planes = data_->planes;
    if (planeScheme() == 1) {
        va = planes[0].distance1;
        vb = planes[1].distance1 + planes[2].distance1;
        vc = planes[2].distance2;
    } else if (planes.size() == 2) {
        va = planes[0].distance1;
        vb = planes[1].distance1;
        vc = planes[1].distance2;
    }
    if (a) *a = va;
    if (b) *b = vb;
    if (c) *c = vc;
}

RotorBase::u32 Rotor::measuringPlaneMask() {
    u32 mask = 1;
    for (int p = nextPlane(0, true); p != 0; p = nextPlane(p, true)) mask |= 1u << (p % 32);
    return mask;
}

std::vector<RotorBase::u32>* Rotor::usedChannels(std::vector<u32>* out) {
    if (!out) return nullptr;
    out->clear();
    for (const Plane& pl : data_->planes) {
        if (pl.channel1 != 0) out->push_back(pl.channel1);
        if (pl.channel2 != 0) out->push_back(pl.channel2);
    }
    return out;
}

int Rotor::channelCount() {
    int n = 0;
    for (const Plane& pl : data_->planes) n += (pl.channel1 != 0) + (pl.channel2 != 0);
    return n;
}

void Rotor::setPlaneChannels(int p, u32 first, u32 second) {
    Plane* pl = planeAt(p);
    if (!pl) return;
    pl->channel1 = first;
    pl->channel2 = second;
}

bool Rotor::hasFlaggedChannel() {
    std::vector<u32> channels;
    usedChannels(&channels);
    const int listSize = rotorcfg::channelListSize(config_);
    for (u32 c : channels) {
        if (c >= 1 && static_cast<int>(c) <= listSize && rotorcfg::channelSoftBearing(config_, static_cast<int>(c) - 1))
            return true;
    }
    return false;
}

Plane Rotor::plane(int p) {
    const Plane* pl = planeAt(p);
    return pl ? *pl : Plane();
}

void Rotor::resetPlane(int p) {
    Plane* pl = planeAt(p);
    if (pl) *pl = Plane();
}

void Rotor::insertPlane(int p) {
    if (p < 1) return;
    data_->controlRotor = false;
    auto& planes = data_->planes;
    if (p <= static_cast<int>(planes.size()))
        planes.insert(planes.begin() + (p - 1), Plane());
    else
        planes.push_back(Plane());
}

void Rotor::removePlane(int p) {
    if (!isPlaneIndex(p)) return;
    data_->controlRotor = false;
    data_->planes.erase(data_->planes.begin() + (p - 1));
}

void Rotor::setPlaneCount(int count) {
    if (count < 0) count = 0;
    while (static_cast<int>(data_->planes.size()) < count) insertPlane(static_cast<int>(data_->planes.size()) + 1);
    while (static_cast<int>(data_->planes.size()) > count) removePlane(static_cast<int>(data_->planes.size()));
}

void Rotor::clearPlanes() {
    data_->controlRotor = false;
    data_->planes.clear();
}

// ---------------------------------------------------------------- rotor accessors

double Rotor::balancingSpeed() { return static_cast<double>(data_->speed); }
bool Rotor::rotationDirection() { return data_->direction; }
double Rotor::rotorMass() { return data_->mass; }
bool Rotor::isBeltDrive() { return data_->drive == kDriveBelt; }
double Rotor::pulleyDiameter(bool drive) {
    return static_cast<double>(drive ? data_->drivePulley : data_->rotorSurface);
}

double Rotor::driveRatio() {
    if (isBeltDrive()) {
        if (data_->drivePulley != 0 && data_->rotorSurface != 0)
            return static_cast<double>(data_->rotorSurface) / static_cast<double>(data_->drivePulley);
        return 1.0;
    }
    const double r = rotorcfg::driveRatio(config_, false);
    return r > 0.0 ? r : 1.0;
}

double Rotor::permissibleUnbalance(int) { return data_->permissibleUnbalance; }
bool Rotor::isControlRotor() { return data_->controlRotor; }
bool Rotor::usesInternalFactors() { return data_->internalFactors; }
bool Rotor::hasResults() { return !data_->results.empty(); }
bool Rotor::hasNoResults() { return data_->results.empty(); }
bool Rotor::hasFactors() { return !data_->factors.empty(); }

void Rotor::setName(const char* name) { name_ = name ? name : ""; }
const char* Rotor::nameText(bool historyFile) { return historyFile ? historyName_.c_str() : name_.c_str(); }

// ---------------------------------------------------------------- plane accessors

namespace {
// A field of a plane; the field's zero for a plane that does not exist.
template <class T>
T planeField(const Plane* pl, T Plane::*field) {
    return pl ? pl->*field : T{};
}
}  // namespace

double Rotor::correctionRadius(int p) { return planeField(planeAt(p), &Plane::radius); }
double Rotor::minMass(int p) { return planeField(planeAt(p), &Plane::minMass); }
double Rotor::maxMass(int p) { return planeField(planeAt(p), &Plane::maxMass); }
int Rotor::positionCount(int p) { return static_cast<int>(planeField(planeAt(p), &Plane::positions)); }
int Rotor::additionalHoles(int p) { return static_cast<int>(planeField(planeAt(p), &Plane::additionalHoles)); }
double Rotor::drillDiameter(int p) { return planeField(planeAt(p), &Plane::holeDiameter); }
double Rotor::wallThickness(int p) { return planeField(planeAt(p), &Plane::wallThickness); }
double Rotor::maxDrillDepth(int p) { return planeField(planeAt(p), &Plane::maxDrillDepth); }
double Rotor::materialDensity(int p) { return planeField(planeAt(p), &Plane::density); }
void Rotor::setMaterialDensity(int p, double density) {
    Plane* pl = planeAt(p);
    if (pl && std::isfinite(density)) pl->density = density;
}
double Rotor::drillAngle(int p) {
    const Plane* pl = planeAt(p);
    if (!pl) return 0.0;
    return pl->drillAngle > 0.0 ? pl->drillAngle : rotorcfg::drillAngle(config_);
}

// ---------------------------------------------------------------- by plane index

double Rotor::trialMass(int i) {
    const Plane* pl = planeAt(i + 1);
    return pl ? pl->trialMass : 0.0;
}
double Rotor::trialAngle(int i) {
    const Plane* pl = planeAt(i + 1);
    return pl ? pl->trialAngle : 0.0;
}
void Rotor::setTrialAngle(int i, double degrees) {
    Plane* pl = planeAt(i + 1);
    if (pl && std::isfinite(degrees)) pl->trialAngle = degrees;
}
void Rotor::setTrialMass(double mass, int fromIndex) {
    if (fromIndex < 0 || !std::isfinite(mass)) return;
    auto& planes = data_->planes;
    for (std::size_t k = static_cast<std::size_t>(fromIndex); k < planes.size(); ++k) planes[k].trialMass = mass;
}
void Rotor::clearTrialAngles() {
    for (Plane& pl : data_->planes) pl.trialAngle = 0.0;
}
void Rotor::keepTrialAngles() {
    for (Plane& pl : data_->planes) pl.keptTrialAngle = pl.trialAngle;
}
double Rotor::correctionAmount(int i, bool unbalance) {
    const Plane* pl = planeAt(i + 1);
    if (!pl) return 0.0;
    return unbalance ? pl->unbalanceAmount : pl->massAmount;
}
double Rotor::correctionAngle(int i, bool unbalance) {
    const Plane* pl = planeAt(i + 1);
    if (!pl) return 0.0;
    return unbalance ? pl->unbalanceAngle : pl->massAngle;
}
double Rotor::roundedCorrectionMass(int i, bool exact) {
    const Plane* pl = planeAt(i + 1);
    if (!pl) return 0.0;
    const double m = pl->massAmount;
    const double step = pl->minMass;
    if (exact || step == 0.0 || !std::isfinite(step) || !std::isfinite(m)) return m;
    const double down = std::floor(m / step) * step;
    const double up = std::ceil(m / step) * step;
    return (std::fabs(up - m) < std::fabs(m - down)) ? up : down;
}

// ---------------------------------------------------------------- correction-limit mask

bool Rotor::isCorrectionLimited(int i) {
    if (i < 0 || i > 63) return false;
    return (limitMask_ >> i) & 1u;
}
void Rotor::setCorrectionLimited(int p) {
    if (p < 1 || p > 64) return;
    limitMask_ |= std::uint64_t{1} << (p - 1);
}
void Rotor::clearCorrectionLimits() { limitMask_ = 0; }

// ---------------------------------------------------------------- runs and history (reads)

int Rotor::runCount() { return static_cast<int>(data_->runs.size()); }
int Rotor::currentRun() { return currentRun_; }
const char* Rotor::runName(int run) {
    if (run < 0 || run >= runCount()) return nullptr;
    return data_->runs[static_cast<std::size_t>(run)].name.c_str();
}

void Rotor::closeHistory() {
    closeHistoryFile();
    historyActive_ = false;
}

bool Rotor::closeHistoryFile() {
    if (!history_) return false;
    std::fclose(history_);
    history_ = nullptr;
    return true;
}
