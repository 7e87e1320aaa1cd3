// Measurement intake: the first-harmonic fit of raw revolutions, the ring of
// the last 100 results of every measuring channel, their vector average (the
// final values), the speed-stepped series and the drive calibration.
//
// Threads: the machine worker calls startSession, initChannel,
// processRevolution, addMeasureResult, storeResult and the calibration; the
// interface reads measureResult, finalResults, hasNewResults and keptResult.
// The result counter hands ring entries over: an entry is complete before the
// counter is raised (release) and readers derive the complete rows from the
// counter (acquire).  A session is started only while the interface does not
// read, and a reader that holds a row while the worker writes 100 rows more
// sees that row overwritten.
#include <algorithm>
#include <cmath>
#include <limits>

#include "files/logger.h"
#include "records/job_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"
#include "rotor/rotor_config.h"

namespace {

constexpr int kRingRows = 100;
constexpr double kTwoPi = 2.0 * polar::kPi;

// Degrees reduced once into [0, 360), as the fit and the average give them.
double reduceOnce(double deg) {
    if (deg >= 360.0) deg -= 360.0;
    if (deg < 0.0) deg += 360.0;
    return deg;
}

// The mirrored angle of a (cos, sin) pair: 2 pi minus its polar angle.
void mirrored(double x, double y, double& amplitude, double& angleRad, double& angleDeg) {
    const polar::Polar p = polar::toPolar(x, y);
    amplitude = p.amplitude;
    angleRad = kTwoPi - p.angle;
    angleDeg = reduceOnce(polar::toDegrees(angleRad));
}

}  // namespace

unsigned Rotor::averagingCount() { return rotorcfg::averagingCount(config_); }

void Rotor::startSession() {
    newResults_.store(false, std::memory_order_release);
    counter_.exchange(0, std::memory_order_acq_rel);
    finalBuilt_.store(false, std::memory_order_release);

    const int n = channelCount();
    if (n != sessionChannels_ || accumulators_.size() != static_cast<std::size_t>(n)) {
        accumulators_.assign(static_cast<std::size_t>(n), ChannelAccumulator());
        ring_.assign(static_cast<std::size_t>(n) * kRingRows, ChannelResult());
        final_.assign(static_cast<std::size_t>(n), ChannelResult());
        sessionChannels_ = n;
    }
    double tol = rotorcfg::amplitudeDeviation(config_);
    if (tol > 0.1) tol /= 100.0;  // given as a percentage
    // Every revolution's amplitude is compared with the previous one; the
    // first with the largest double, and an unchanged amplitude (also 0)
    // counts as settled.
    sessionTolerance_ = tol;
    const harmonic::Settling settling{tol, std::numeric_limits<double>::max(), true};
    for (ChannelAccumulator& acc : accumulators_) {
        acc.fit.setSettling(settling);
        acc.fit.reset();
    }
    const int listSize = rotorcfg::channelListSize(config_);
    phaseShifts_.resize(static_cast<std::size_t>(listSize));
    for (int c = 0; c < listSize; ++c) phaseShifts_[static_cast<std::size_t>(c)] = rotorcfg::channelPhaseShift(config_, c);
}

void Rotor::initChannel(unsigned k, int scale, int channel) {
    if (k >= accumulators_.size()) return;
    ChannelAccumulator& acc = accumulators_[k];
    acc.scale = scale;
    acc.channel = channel;
    acc.fit.reset();
}

bool Rotor::processRevolution(const std::vector<std::int32_t>& samples, bool accumulateOnly) {
    const std::size_t n = accumulators_.size();
    if (n == 0 || sessionChannels_ == 0) return false;
    const std::size_t M = samples.size() / n;
    if (M == 0) return false;

    // One table of the revolution's angles serves every channel; the samples
    // are interleaved, sample j of channel k at j * n + k.
    revolutionAngles_.clear();
    harmonic::appendRevolutionAngles(M, revolutionAngles_);
    bool allSettled = true;
    for (std::size_t k = 0; k < n; ++k) {
        ChannelAccumulator& A = accumulators_[k];
        const bool settled = A.fit.add(samples.data() + k, n, static_cast<double>(A.scale),
                                       revolutionAngles_.data(), M, !accumulateOnly);
        if (!settled) allSettled = false;
    }
    if (!allSettled) return false;

    for (std::size_t k = 0; k < n; ++k) {
        const ChannelAccumulator& A = accumulators_[k];
        double amp, angleRad, angleDeg;
        mirrored(A.fit.a(), A.fit.b(), amp, angleRad, angleDeg);
        addMeasureResult(amp, angleRad, angleDeg, static_cast<u32>(A.scale), A.channel);
    }
    return true;
}

void Rotor::addMeasureResult(double amplitude, double angleRad, double angleDeg, u32 scale, int channel) {
    if (sessionChannels_ == 0 || ring_.empty()) return;
    const auto n = static_cast<std::uint32_t>(sessionChannels_);
    const auto count = static_cast<std::uint32_t>(counter_.load(std::memory_order_relaxed));
    const std::uint32_t e = count % (n * kRingRows);

    int shift = 0;
    if (channel >= 0 && static_cast<std::size_t>(channel) < phaseShifts_.size())
        shift = phaseShifts_[static_cast<std::size_t>(channel)];

    ChannelResult& r = ring_[e];
    r.amplitude = amplitude;
    r.angleRad = std::fmod(angleRad + shift * polar::kPi / 180.0, kTwoPi);
    r.angleDeg = std::fmod(angleDeg + shift, 360.0);
    r.scale = scale;

    // Published only now that the entry is whole; the counter never goes
    // negative (it restarts at 0 before it could overflow).
    if (count >= 0x7FFFFF00u)
        counter_.store(static_cast<std::int32_t>(e + 1), std::memory_order_release);
    else
        counter_.fetch_add(1, std::memory_order_release);
    newResults_.store(true, std::memory_order_release);
}

const ChannelResult* Rotor::measureResult(int index) {
    if (sessionChannels_ == 0 || ring_.empty()) return nullptr;
    const std::int32_t count = counter_.load(std::memory_order_acquire);
    if (count <= 0) return nullptr;
    const std::int32_t rows = count / sessionChannels_;
    std::int64_t i = index;
    if (i < 0) i += rows;
    if (i < 0 || i >= rows) return nullptr;
    return &ring_[static_cast<std::size_t>(i % kRingRows) * static_cast<std::size_t>(sessionChannels_)];
}

bool Rotor::hasNewResults() { return newResults_.load(std::memory_order_acquire); }

const ChannelResult* Rotor::finalResults() {
    if (!finalBuilt_.load(std::memory_order_acquire)) calcfin();
    return finalBuilt_.load(std::memory_order_acquire) ? final_.data() : nullptr;
}

// Averages the newest complete rows, at most the averaging count and at most
// the 100 rows the ring holds, at least one; nothing when there is no row.
void Rotor::calcfin() {
    if (finalBuilt_.load(std::memory_order_acquire)) return;
    if (sessionChannels_ == 0 || ring_.empty()) return;
    const int n = sessionChannels_;
    const std::int32_t rows = counter_.load(std::memory_order_acquire) / n;
    if (rows <= 0) return;
    int N = static_cast<int>(std::min<unsigned>(averagingCount(), kRingRows));
    if (N < 1) N = 1;
    if (N > rows) N = rows;

    // The rows are taken once, so every channel averages the same rows.
    const ChannelResult* picked[kRingRows];
    for (int r = 1; r <= N; ++r) picked[r - 1] = measureResult(-r);

    for (int k = 0; k < n; ++k) {
        double x = 0.0, y = 0.0;
        for (int r = 1; r <= N; ++r) {
            const ChannelResult* row = picked[r - 1];
            if (!row) {
                logPrintf(&logger_, "ERROR calcfin %d/%d - null results", r, N);
                continue;
            }
            const ChannelResult& e = row[k];
            x += e.amplitude * std::cos(e.angleRad);
            y += e.amplitude * std::sin(e.angleRad);
            logPrintf(&logger_, "calcfin %d/%d = %lg, %lg", r, N, e.amplitude, e.angleDeg);
        }
        x /= N;
        y /= N;
        ChannelResult& f = final_[static_cast<std::size_t>(k)];
        mirrored(x, y, f.amplitude, f.angleRad, f.angleDeg);
        f.scale = 0;
        logPrintf(&logger_, "mFin[%d] = %lg, %lg", k, f.amplitude, f.angleDeg);
    }
    finalBuilt_.store(true, std::memory_order_release);
}

void Rotor::storeResult(int speed, bool last) {
    newResults_.store(last, std::memory_order_release);
    if (speed == 0) {
        currentSpeedSize_.store(0, std::memory_order_release);
        currentSpeed_.clear();
        return;
    }
    const ChannelResult* f = finalResults();
    if (!f) {
        logPrintf(&logger_, "storeResult %d: no results", speed);
        return;
    }
    SpeedResult s;
    s.speed = speed;
    s.amplitude0 = f[0].amplitude;
    s.angle0 = f[0].angleRad;
    if (sessionChannels_ > 1) {
        s.amplitude1 = f[1].amplitude;
        s.angle1 = f[1].angleRad;
    }
    currentSpeed_.push_back(s);
    currentSpeedSize_.store(currentSpeed_.size(), std::memory_order_release);
}

void Rotor::keepResults(unsigned i) {
    if (i >= kKeptLists) return;
    kept_[i] = std::move(currentSpeed_);
    currentSpeed_.clear();
    currentSpeedSize_.store(0, std::memory_order_release);
}

void Rotor::keptResult(int channel, double* amplitude, double* angle) {
    double amp = 0.0, deg = 0.0;
    const std::size_t m = currentSpeedSize_.load(std::memory_order_acquire);
    if (kept_[0].size() > m && (channel == 0 || channel == 1)) {
        const SpeedResult& s = kept_[0][m];
        amp = channel == 0 ? s.amplitude0 : s.amplitude1;
        deg = std::fmod(polar::toDegrees(channel == 0 ? s.angle0 : s.angle1), 360.0);
        if (deg < 0.0) deg += 360.0;
    }
    if (amplitude) *amplitude = amp;
    if (angle) *angle = deg;
}

void Rotor::setDriveCalibration(double value) {
    if (!std::isfinite(value)) return;
    data_->driveCalibration = value;
    data_->calibrationRatio = driveRatio();
}

double Rotor::driveCalibration() {
    if (std::fabs(driveRatio() - data_->calibrationRatio) < 0.001) return data_->driveCalibration;
    return 0.0;
}

bool Rotor::takeMeasurement() {
    const int m = measuringCount();
    if (m <= 0 || !finalResults()) return false;
    measured_.assign(static_cast<std::size_t>(m), ChannelResult());
    return copyFinalResults(0);
}

bool Rotor::copyFinalResults(int block) {
    const ChannelResult* f = finalResults();
    if (!f) return false;
    const int m = measuringCount();
    if (m <= 0 || block < 0) return false;
    const std::size_t first = static_cast<std::size_t>(block) * static_cast<std::size_t>(m);
    if (first + static_cast<std::size_t>(m) > measured_.size()) return false;

    for (int i = 0; i < sessionChannels_; ++i) {
        if (i < m) {
            measured_[first + static_cast<std::size_t>(i)] = f[i];
            continue;
        }
        // A plane measured by two channels: the second adds up in the last vector.
        ChannelResult& last = measured_[first + static_cast<std::size_t>(m) - 1];
        const polar::Polar sum = polar::add(last.amplitude, last.angleRad, f[i].amplitude, f[i].angleRad);
        last.amplitude = sum.amplitude;
        last.angleRad = sum.angle;
        double deg = std::fmod(polar::toDegrees(sum.angle), 360.0);
        if (deg < 0.0) deg += 360.0;
        last.angleDeg = deg;
    }
    return true;
}
