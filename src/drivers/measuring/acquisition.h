#pragma once
// Balancing acquisition of the measuring controller: the pure parts.
//
//  - calcBalancingSampling: sample rate and block size for a rotor speed;
//  - parseADCBlock: a block of 64-byte ADC data packets into the five channel
//    traces, the marker trace and the indices of the marked samples;
//  - HarmonicFit / fitRevolutions: the least-squares fit of the first
//    harmonic v = a sin t + b cos t + d over the revolutions of a block.
//
// None of these touch the device; the driver (KWZUSB) calls them around its
// register and block transfers.
//
// Phase convention: a channel trace v(t) = A sin(t - phase) + d, t the angle
// from the marked sample.  A cosine that peaks at the marked sample therefore
// has phase 270 degrees, an inverted one 90.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "drivers/measuring/adc_packet.h"
#include "signal/first_harmonic.h"

namespace TamskKWZv2 {

// --- block layout ----------------------------------------------------------
// A block is packetCount ADCDataPackets (adc_packet.h) of five samples each.

constexpr unsigned kAdcChannelCount = ADCDataPacket::channels;  // channels 1..5
constexpr std::uint32_t kMinPacketCount = 100;   // what the controller accepts
constexpr std::uint32_t kMaxPacketCount = 1000;
constexpr std::uint32_t kMaxBlockSamples = kMaxPacketCount * ADCDataPacket::samplesPerPacket;
constexpr double kMarkerTraceLevel = 32767.0;    // marker trace = marker byte x this

// --- results ----------------------------------------------------------------

// First-harmonic result of one channel of one block.  Amplitude in the fit's
// scaled units (raw counts x gain scale), phase in degrees [0, 360).
struct ChannelResult {
    double amplitude = 0.0;
    double phase = 0.0;
    bool valid = false;
};

// Register-132 codes as read before the gain adjustment of a read.
struct GainReport {
    std::array<std::uint8_t, kAdcChannelCount> channelGain{};  // channel form codes 0..3
    std::uint8_t filterCode = 0;
    std::uint8_t filterGain = 0;  // filter form: 0 "10x", 1 "1x"
};

// --- sampling ---------------------------------------------------------------

constexpr std::uint32_t kSamplesPerTurn = 180;
constexpr std::uint32_t kMaxSampleRate = 36000;
constexpr std::uint32_t kMinBalancingPackets = 205;
constexpr std::uint32_t kDefaultPeriods = 20;
constexpr std::uint32_t kMinPeriods = 10;
constexpr std::uint32_t kMaxPeriods = 50;
constexpr double kMinBalancingSpeed = 60.0;     // rpm
constexpr double kMaxBalancingSpeed = 30000.0;  // rpm

// Sample rate (per channel) and packet count for a balancing conversion at
// revPerSecond revolutions per second, covering `periods` revolutions
// (outside 10..50: 20).  The rate is ceil(180 f), computed in double as is;
// above 36000 it is 36000 with ceil(36000 / f) samples per turn.  The count is
// ceil(periods x samples per turn / 5), kept within 205..1000.
// Meant for 1..500 revolutions per second; any other input still yields a
// rate of 1..36000 and a count of 205..1000.
void calcBalancingSampling(double revPerSecond, std::uint32_t& sampleRate,
                           std::uint32_t& packetCount, std::uint32_t periods);

// Duration of a block in ms: packetCount x 5 / sampleRate x 1000.
double blockDurationMs(std::uint32_t packetCount, std::uint32_t sampleRate);

// --- packet parsing -----------------------------------------------------------

// Where parseADCBlock puts what it reads; any pointer may be null (skipped).
// Every non-null sequence is cleared first; capacity is kept, so sequences
// reused from block to block cost no allocation once grown.
struct TraceOutputs {
    std::array<std::vector<double>*, kAdcChannelCount> channel{};
    std::vector<double>* marker = nullptr;
    std::vector<std::uint32_t>* markerIndices = nullptr;
};

enum class ParseStatus {
    ok,
    shortBlock,  // fewer bytes than packetCount x 64, or no packets at all
    wrongType,   // a packet's type is not DATA_PACKET (parsing stopped there)
};

struct ParseReport {
    ParseStatus status = ParseStatus::ok;
    std::uint32_t packetsParsed = 0;    // packets taken into the traces
    std::uint32_t badPacket = 0;        // wrongType: index of the packet
    std::uint16_t badType = 0;          // wrongType: its type word
    std::uint32_t sequenceErrors = 0;   // packets whose sequence number was not the expected one
};

// Called for every packet whose sequence number differs from the expected
// one (which starts at 0 and advances by one per packet, no resynchronising).
using SequenceErrorSink = std::function<void(std::uint32_t expected, std::uint32_t actual)>;

// Parses packetCount packets from block[0 .. bytes).  Per packet in order:
// the type is checked (a wrong one ends the parse), then the sequence number
// (a wrong one is only reported); then each of its five samples appends
// channels 1..5 to the traces, marker byte x 32767 to the marker trace and,
// for a non-zero marker byte, 5p + k to the marker indices.
ParseReport parseADCBlock(const std::uint8_t* block, std::size_t bytes, std::uint32_t packetCount,
                          const TraceOutputs& out, const SequenceErrorSink& onSequenceError = {});

// Largest sample of a trace, at least 0 (the gain rules' "amplitude").
double tracePeak(const std::vector<double>& trace);

// --- first-harmonic fit -----------------------------------------------------------

// Scale applied to raw counts before the fit: 1000 for gain code 0, 100 for 1,
// 10 for 2, 1 otherwise.  Raw counts x channel gain factor (1, 10, 100, 1000)
// x this scale is the same physical amplitude for every code.
double fitScale(unsigned gainCode);

// Phase in degrees [0, 360) of the fitted a sin t + b cos t: -atan2(b, a).
double fitPhaseDegrees(double a, double b);

using harmonic::SinCos;

// The fit of one channel over the revolutions of one block (the driver's
// settling rule over signal/first_harmonic.h).  Feed the revolutions in time
// order, the last one with notLast false: only there the normal equations
// are solved after every sample, and the fit becomes valid at the first sample
// whose amplitude differs by at most 10 % from the one after the previous
// sample (the first solve compares against 0 and is never valid).  Sums run
// over all revolutions, so each contributes to the final coefficients.
class HarmonicFit {
public:
    explicit HarmonicFit(double scale = 1.0) { reset(scale); }
    void reset(double scale);

    // One revolution of n samples; sample i has angle 2 pi i / n.
    // n = 0: invalid, outputs untouched.  Returns valid; when valid, the
    // amplitude and phase (degrees) are written, otherwise left untouched.
    bool fitFirstHarmonic(const double* x, std::size_t n, bool notLast, double& amplitude,
                          double& phase);
    // The same with the angles' sin and cos given (trig[i] for sample i).
    bool fitFirstHarmonic(const double* x, const SinCos* trig, std::size_t n, bool notLast,
                          double& amplitude, double& phase);

    double a() const { return fit_.a(); }
    double b() const { return fit_.b(); }
    double count() const { return fit_.count(); }

private:
    bool finish(bool valid, double& amplitude, double& phase) const;

    double scale_ = 1.0;
    harmonic::FirstHarmonicFit fit_;
};

// Checks a marker-index list against a trace of sampleCount samples: at least
// two marks, strictly increasing, all below sampleCount.
bool marksUsable(const std::vector<std::uint32_t>& markerIndices, std::size_t sampleCount);

// Fits one channel trace over the revolutions between its marks: revolution i
// (i = 1 .. m-1) is samples idx[i-1] .. idx[i]-1; samples before the first
// mark and from the last mark on are not used.  Fewer than two marks, or marks
// not usable: invalid.  Outputs are written only when valid.
bool fitRevolutions(const std::vector<double>& samples, const std::vector<std::uint32_t>& markerIndices,
                    unsigned gainCode, double& amplitude, double& phase);

// The sin/cos of every sample angle of a block's revolutions, computed once
// for all five channels (revolutions of equal length share one table).
// Storage for the largest block is reserved on construction, so building and
// fitting allocate nothing.
class RevolutionTable {
public:
    RevolutionTable();
    // False (and an empty table) when the marks are not usable.
    bool build(const std::vector<std::uint32_t>& markerIndices, std::size_t sampleCount);
    bool usable() const { return !revolutions_.empty(); }
    std::size_t revolutionCount() const { return revolutions_.size(); }

    // Same result as the fitRevolutions function above, for the marks the
    // table was built from.
    bool fit(const std::vector<double>& samples, unsigned gainCode, double& amplitude,
             double& phase) const;

private:
    struct Revolution {
        std::uint32_t first;  // first sample index
        std::uint32_t length;
        std::uint32_t trig;   // offset of its angles in trig_
    };
    std::vector<Revolution> revolutions_;
    std::vector<SinCos> trig_;
    std::size_t sampleCount_ = 0;
};

}  // namespace TamskKWZv2
