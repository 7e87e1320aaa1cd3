#include "drivers/measuring/acquisition.h"

#include <algorithm>
#include <cmath>

#include "drivers/common/little_endian.h"

namespace TamskKWZv2 {

using Packet = ADCDataPacket;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Revolution lengths whose angle table is looked up for sharing.
constexpr std::size_t kSharedLengths = 8;
// Samples whose angles the fit without a table works out at a time.
constexpr std::size_t kAngleStretch = 64;

}  // namespace

// --- sampling ---------------------------------------------------------------

void calcBalancingSampling(double revPerSecond, std::uint32_t& sampleRate, std::uint32_t& packetCount,
                           std::uint32_t periods) {
    if (periods < kMinPeriods || periods > kMaxPeriods) periods = kDefaultPeriods;

    // Kept in double as written: for some speeds 180 f lands just above an
    // integer, and the controller must get exactly what this gives.
    double rate = std::ceil(180.0 * revPerSecond);
    double samplesPerTurn = kSamplesPerTurn;
    if (!(rate <= kMaxSampleRate)) {  // also a NaN or infinite speed
        rate = kMaxSampleRate;
        samplesPerTurn = std::ceil(kMaxSampleRate / revPerSecond);
    }
    if (!(rate >= 1.0)) rate = 1.0;  // no speed at all: never a rate of 0

    double packets = std::ceil(periods * samplesPerTurn / Packet::samplesPerPacket);
    if (!(packets >= kMinBalancingPackets)) packets = kMinBalancingPackets;  // NaN too
    if (packets > kMaxPacketCount) packets = kMaxPacketCount;

    sampleRate = static_cast<std::uint32_t>(rate);
    packetCount = static_cast<std::uint32_t>(packets);
}

double blockDurationMs(std::uint32_t packetCount, std::uint32_t sampleRate) {
    return static_cast<double>(packetCount) * Packet::samplesPerPacket / sampleRate * 1000.0;
}

// --- packet parsing -----------------------------------------------------------

ParseReport parseADCBlock(const std::uint8_t* block, std::size_t bytes, std::uint32_t packetCount,
                          const TraceOutputs& out, const SequenceErrorSink& onSequenceError) {
    ParseReport report;
    const bool fits = packetCount != 0 && block != nullptr && bytes / Packet::size >= packetCount;
    const std::size_t samples = fits ? static_cast<std::size_t>(packetCount) * Packet::samplesPerPacket : 0;

    // Sized up front and written by index; trimmed to what was parsed at the end.
    std::array<double*, kAdcChannelCount> channel{};
    for (unsigned c = 0; c < kAdcChannelCount; ++c) {
        if (out.channel[c]) {
            out.channel[c]->resize(samples);
            channel[c] = out.channel[c]->data();
        }
    }
    double* marker = nullptr;
    if (out.marker) {
        out.marker->resize(samples);
        marker = out.marker->data();
    }
    if (out.markerIndices) {
        out.markerIndices->clear();
        out.markerIndices->reserve(samples);
    }
    if (!fits) {
        report.status = ParseStatus::shortBlock;
        return report;
    }

    std::uint32_t p = 0;
    for (; p < packetCount; ++p) {
        const std::uint8_t* packet = block + static_cast<std::size_t>(p) * Packet::size;
        const std::uint16_t type = drivers::getU16(packet + Packet::typeOffset);
        if (type != Packet::DATA_PACKET) {
            report.status = ParseStatus::wrongType;
            report.badPacket = p;
            report.badType = type;
            break;
        }
        // The expected number starts at 0 and advances by one per packet;
        // the field is 16 bits wide, a block has at most 1000 packets.
        const std::uint16_t sequence = drivers::getU16(packet + Packet::sequenceOffset);
        if (sequence != (p & 0xFFFFu)) {
            ++report.sequenceErrors;
            if (onSequenceError) onSequenceError(p, sequence);
        }
        const std::size_t first = static_cast<std::size_t>(p) * Packet::samplesPerPacket;
        for (unsigned k = 0; k < Packet::samplesPerPacket; ++k) {
            for (unsigned c = 0; c < kAdcChannelCount; ++c) {
                if (channel[c]) channel[c][first + k] = drivers::getI16(packet + Packet::sampleAt(k, c));
            }
            const std::uint8_t mark = packet[Packet::markerOffset + k];
            if (marker) marker[first + k] = mark * kMarkerTraceLevel;
            if (mark != 0 && out.markerIndices)
                out.markerIndices->push_back(static_cast<std::uint32_t>(first + k));
        }
    }
    report.packetsParsed = p;

    const std::size_t parsed = static_cast<std::size_t>(p) * Packet::samplesPerPacket;
    if (parsed != samples) {
        for (auto* trace : out.channel)
            if (trace) trace->resize(parsed);
        if (out.marker) out.marker->resize(parsed);
    }
    return report;
}

double tracePeak(const std::vector<double>& trace) {
    double peak = 0.0;
    for (double v : trace) peak = std::max(peak, v);
    return peak;
}

// --- first-harmonic fit -----------------------------------------------------------

double fitScale(unsigned gainCode) {
    switch (gainCode) {
        case 0: return 1000.0;
        case 1: return 100.0;
        case 2: return 10.0;
        default: return 1.0;
    }
}

double fitPhaseDegrees(double a, double b) {
    double phase = -std::atan2(b, a) * 180.0 / kPi;
    if (phase < 0.0) phase += 360.0;
    if (phase >= 360.0) phase -= 360.0;
    return phase + 0.0;  // never "-0"
}

void HarmonicFit::reset(double scale) {
    scale_ = scale;
    fit_.setSettling({0.1, 0.0, false});
    fit_.reset();
}

bool HarmonicFit::finish(bool valid, double& amplitude, double& phase) const {
    if (!valid) return false;
    amplitude = fit_.amplitude();
    phase = fitPhaseDegrees(fit_.a(), fit_.b());
    return true;
}

bool HarmonicFit::fitFirstHarmonic(const double* x, std::size_t n, bool notLast, double& amplitude,
                                   double& phase) {
    if (n == 0) return false;
    // The angles are worked out a stretch at a time, with no table to keep.
    SinCos angles[kAngleStretch];
    bool valid = false;
    for (std::size_t first = 0; first < n; first += kAngleStretch) {
        const std::size_t length = std::min(kAngleStretch, n - first);
        for (std::size_t i = 0; i < length; ++i) angles[i] = harmonic::revolutionAngle(first + i, n);
        if (fit_.add(x + first, 1, scale_, angles, length, !notLast)) valid = true;
    }
    return finish(valid, amplitude, phase);
}

bool HarmonicFit::fitFirstHarmonic(const double* x, const SinCos* trig, std::size_t n, bool notLast,
                                   double& amplitude, double& phase) {
    if (n == 0) return false;
    const bool valid = fit_.add(x, 1, scale_, trig, n, !notLast);
    return finish(valid, amplitude, phase);
}

bool marksUsable(const std::vector<std::uint32_t>& markerIndices, std::size_t sampleCount) {
    if (markerIndices.size() < 2) return false;
    for (std::size_t i = 0; i < markerIndices.size(); ++i) {
        if (markerIndices[i] >= sampleCount) return false;
        if (i > 0 && markerIndices[i] <= markerIndices[i - 1]) return false;
    }
    return true;
}

bool fitRevolutions(const std::vector<double>& samples, const std::vector<std::uint32_t>& markerIndices,
                    unsigned gainCode, double& amplitude, double& phase) {
    if (!marksUsable(markerIndices, samples.size())) return false;
    HarmonicFit fit(fitScale(gainCode));
    bool valid = false;
    const std::size_t last = markerIndices.size() - 1;
    for (std::size_t i = 1; i <= last; ++i) {
        const std::uint32_t first = markerIndices[i - 1];
        if (fit.fitFirstHarmonic(samples.data() + first, markerIndices[i] - first, i != last, amplitude,
                                 phase))
            valid = true;
    }
    return valid;
}

RevolutionTable::RevolutionTable() {
    revolutions_.reserve(kMaxBlockSamples);
    trig_.reserve(kMaxBlockSamples);
}

bool RevolutionTable::build(const std::vector<std::uint32_t>& markerIndices, std::size_t sampleCount) {
    revolutions_.clear();
    trig_.clear();
    sampleCount_ = sampleCount;
    if (!marksUsable(markerIndices, sampleCount)) return false;

    // Recently seen lengths and where their angles are.
    std::array<Revolution, kSharedLengths> seen{};
    std::size_t seenCount = 0;
    std::size_t seenNext = 0;

    for (std::size_t i = 1; i < markerIndices.size(); ++i) {
        Revolution rev{markerIndices[i - 1], markerIndices[i] - markerIndices[i - 1], 0};
        bool shared = false;
        for (std::size_t k = 0; k < seenCount; ++k) {
            if (seen[k].length == rev.length) {
                rev.trig = seen[k].trig;
                shared = true;
                break;
            }
        }
        if (!shared) {
            rev.trig = static_cast<std::uint32_t>(trig_.size());
            harmonic::appendRevolutionAngles(rev.length, trig_);
            seen[seenNext] = rev;
            seenNext = (seenNext + 1) % kSharedLengths;
            if (seenCount < kSharedLengths) ++seenCount;
        }
        revolutions_.push_back(rev);
    }
    return true;
}

bool RevolutionTable::fit(const std::vector<double>& samples, unsigned gainCode, double& amplitude,
                          double& phase) const {
    if (revolutions_.empty() || samples.size() < sampleCount_) return false;
    HarmonicFit fit(fitScale(gainCode));
    const std::size_t last = revolutions_.size() - 1;
    for (std::size_t i = 0; i < last; ++i) {
        const Revolution& rev = revolutions_[i];
        fit.fitFirstHarmonic(samples.data() + rev.first, trig_.data() + rev.trig, rev.length, true,
                             amplitude, phase);
    }
    const Revolution& rev = revolutions_[last];
    return fit.fitFirstHarmonic(samples.data() + rev.first, trig_.data() + rev.trig, rev.length, false,
                                amplitude, phase);
}

}  // namespace TamskKWZv2
