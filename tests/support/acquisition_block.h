#pragma once
// Generator of ADC data blocks as the measuring controller sends them in a
// balancing conversion: packetCount 64-byte packets, five samples each, five
// channels per sample, the marker byte set at every revolution.
//
// Sample i of channel c:
//   offset + amplitude x gain factor x sin(theta_i - phase) + noise,
// rounded and clipped to i16, where theta_i = 2 pi (i - firstMark) / samplesPerTurn
// and samplesPerTurn = sampleRate x 60 / speed.  A cosine peaking at the mark
// (phase 270) is the fit's convention.  Marks at round(firstMark + j x samplesPerTurn)
// when the trigger source is not 0; with trigger 0 no sample is marked.
// Gain factor: channel form 1, 10, 100, 1000 for codes 0..3; filter form 10 for
// filter gain 0 ("10x"), 1 for filter gain 1 ("1x").

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace sim {
class SimMeasuringController;
}

namespace simacq {

struct ChannelSignal {
    double amplitude = 0.0;  // counts at gain factor 1
    double phaseDeg = 0.0;
    double offset = 0.0;     // raw counts, not scaled by the gain
};

struct BlockSetup {
    double speedRpm = 600.0;
    std::uint32_t sampleRate = 1800;
    std::uint32_t packetCount = 720;
    unsigned triggerSource = 1;
    double firstMark = 0.0;   // sample index of the first mark (a test may shift it)
    std::array<ChannelSignal, 5> channels{};
    double noise = 0.0;       // standard deviation in counts
    std::uint32_t seed = 1;

    bool filterForm = false;
    std::array<std::uint8_t, 5> gainCodes{};  // channel form
    std::uint8_t filterGain = 0;               // filter form

    // Injections.
    int wrongTypePacket = -1;        // this packet gets type 0x0042
    int skipSequenceAt = -1;         // from this packet on the numbers run one ahead
    int repeatSequenceAt = -1;       // this packet repeats the previous number
};

double gainFactor(const BlockSetup& blockSetup, unsigned channel);
double samplesPerTurn(const BlockSetup& blockSetup);

// The block's bytes (packetCount x 64).
std::vector<std::uint8_t> makeBlock(const BlockSetup& blockSetup);

// The marked sample indices makeBlock produces for that block.
std::vector<std::uint32_t> expectedMarks(const BlockSetup& blockSetup);

// Feeds a simulated controller's balancing blocks from a BlockSetup.  Packet
// count, sample rate and trigger come from the conversion the driver started;
// the gain codes from the last value the driver wrote to register 132
// (channel form: five 2-bit codes; filter form: bit 8 is the filter gain).
// Installs the controller's block generator and write hook for its lifetime.
class SimBlockSource {
public:
    explicit SimBlockSource(sim::SimMeasuringController& controller, const BlockSetup& blockSetup = {});
    ~SimBlockSource();
    SimBlockSource(const SimBlockSource&) = delete;
    SimBlockSource& operator=(const SimBlockSource&) = delete;

    void setSetup(const BlockSetup& blockSetup);
    BlockSetup blockSetup() const;
    // The description of the last block served (with the conversion's values filled in).
    BlockSetup lastBlock() const;
    int blocksServed() const;
    std::uint32_t gainRegister() const { return reg132_.load(); }

private:
    sim::SimMeasuringController& controller_;
    mutable std::mutex mutex_;
    BlockSetup setup_;
    BlockSetup last_;
    int served_ = 0;
    std::atomic<std::uint32_t> reg132_{0};
};

}  // namespace simacq
