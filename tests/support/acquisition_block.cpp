#include "support/acquisition_block.h"

#include "support/sim_measuring.h"
#include "drivers/common/little_endian.h"

#include <cmath>
#include <random>

namespace simacq {

using drivers::putU16;

namespace {
constexpr double kPi = 3.14159265358979323846;
}  // namespace

double gainFactor(const BlockSetup& blockSetup, unsigned channel) {
    if (blockSetup.filterForm) return blockSetup.filterGain == 0 ? 10.0 : 1.0;
    static const double factors[4] = {1.0, 10.0, 100.0, 1000.0};
    return factors[blockSetup.gainCodes[channel] & 3];
}

double samplesPerTurn(const BlockSetup& blockSetup) {
    return blockSetup.sampleRate * 60.0 / blockSetup.speedRpm;
}

std::vector<std::uint32_t> expectedMarks(const BlockSetup& blockSetup) {
    std::vector<std::uint32_t> marks;
    const double total = blockSetup.packetCount * 5.0;
    const double turn = samplesPerTurn(blockSetup);
    if (blockSetup.triggerSource == 0 || !(turn >= 1.0)) return marks;
    for (int j = 0;; ++j) {
        const double at = std::round(blockSetup.firstMark + j * turn);
        if (at >= total) break;
        if (at >= 0) marks.push_back(static_cast<std::uint32_t>(at));
    }
    return marks;
}

std::vector<std::uint8_t> makeBlock(const BlockSetup& blockSetup) {
    const std::size_t samples = blockSetup.packetCount * 5u;
    std::vector<std::uint8_t> block(blockSetup.packetCount * 64u, 0);
    std::vector<std::uint8_t> marked(samples, 0);
    for (std::uint32_t m : expectedMarks(blockSetup)) marked[m] = 1;

    std::mt19937 rng(blockSetup.seed);
    std::normal_distribution<double> noise(0.0, blockSetup.noise > 0 ? blockSetup.noise : 1.0);
    const double turn = samplesPerTurn(blockSetup);

    for (std::size_t i = 0; i < samples; ++i) {
        const std::size_t p = i / 5, k = i % 5;
        std::uint8_t* packet = block.data() + p * 64;
        packet[2 + k] = marked[i];
        const double theta =
            turn >= 1.0 ? 2.0 * kPi * (static_cast<double>(i) - blockSetup.firstMark) / turn : 0.0;
        for (unsigned c = 0; c < 5; ++c) {
            const ChannelSignal& ch = blockSetup.channels[c];
            double v = ch.offset +
                       ch.amplitude * gainFactor(blockSetup, c) * std::sin(theta - ch.phaseDeg * kPi / 180.0);
            if (blockSetup.noise > 0) v += noise(rng);
            v = std::round(v);
            if (v > 32767) v = 32767;
            if (v < -32768) v = -32768;
            putU16(packet + 9 + 10 * k + 2 * c,
                   static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
        }
    }

    std::uint16_t sequence = 0;
    for (std::uint32_t p = 0; p < blockSetup.packetCount; ++p) {
        std::uint8_t* packet = block.data() + p * 64;
        putU16(packet, static_cast<int>(p) == blockSetup.wrongTypePacket ? 0x0042 : 0x0081);
        if (static_cast<int>(p) == blockSetup.skipSequenceAt) ++sequence;
        if (static_cast<int>(p) == blockSetup.repeatSequenceAt && sequence > 0) --sequence;
        putU16(packet + 7, sequence);
        ++sequence;
    }
    return block;
}

SimBlockSource::SimBlockSource(sim::SimMeasuringController& controller, const BlockSetup& blockSetup)
    : controller_(controller), setup_(blockSetup) {
    reg132_ = controller_.reg(132);
    controller_.setWriteHook([this](std::uint32_t reg, std::uint32_t value) {
        if (reg == 132) reg132_ = value;
    });
    controller_.setBlockGenerator([this](const sim::BlockRequest& req, std::vector<std::uint8_t>& out) {
        BlockSetup s;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            s = setup_;
        }
        s.packetCount = req.packetCount;
        s.sampleRate = req.sampleRate;
        s.triggerSource = req.trigger;
        const std::uint32_t gains = reg132_.load();
        for (unsigned c = 0; c < 5; ++c) s.gainCodes[c] = static_cast<std::uint8_t>((gains >> (2 * c)) & 3);
        s.filterGain = static_cast<std::uint8_t>((gains >> 8) & 1);
        out = makeBlock(s);
        std::lock_guard<std::mutex> lock(mutex_);
        last_ = s;
        ++served_;
    });
}

SimBlockSource::~SimBlockSource() {
    controller_.setBlockGenerator(nullptr);
    controller_.setWriteHook(nullptr);
}

void SimBlockSource::setSetup(const BlockSetup& blockSetup) {
    std::lock_guard<std::mutex> lock(mutex_);
    setup_ = blockSetup;
}

BlockSetup SimBlockSource::blockSetup() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return setup_;
}

BlockSetup SimBlockSource::lastBlock() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_;
}

int SimBlockSource::blocksServed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return served_;
}

}  // namespace simacq
