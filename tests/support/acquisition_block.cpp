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

double gainFactor(const BlockSpec& blockSpec, unsigned channel) {
    if (blockSpec.filterForm) return blockSpec.filterGain == 0 ? 10.0 : 1.0;
    static const double factors[4] = {1.0, 10.0, 100.0, 1000.0};
    return factors[blockSpec.gainCodes[channel] & 3];
}

double samplesPerTurn(const BlockSpec& blockSpec) {
    return blockSpec.sampleRate * 60.0 / blockSpec.speedRpm;
}

std::vector<std::uint32_t> expectedMarks(const BlockSpec& blockSpec) {
    std::vector<std::uint32_t> marks;
    const double total = blockSpec.packetCount * 5.0;
    const double turn = samplesPerTurn(blockSpec);
    if (blockSpec.triggerSource == 0 || !(turn >= 1.0)) return marks;
    for (int j = 0;; ++j) {
        const double at = std::round(blockSpec.firstMark + j * turn);
        if (at >= total) break;
        if (at >= 0) marks.push_back(static_cast<std::uint32_t>(at));
    }
    return marks;
}

std::vector<std::uint8_t> makeBlock(const BlockSpec& blockSpec) {
    const std::size_t samples = blockSpec.packetCount * 5u;
    std::vector<std::uint8_t> block(blockSpec.packetCount * 64u, 0);
    std::vector<std::uint8_t> marked(samples, 0);
    for (std::uint32_t m : expectedMarks(blockSpec)) marked[m] = 1;

    std::mt19937 rng(blockSpec.seed);
    std::normal_distribution<double> noise(0.0, blockSpec.noise > 0 ? blockSpec.noise : 1.0);
    const double turn = samplesPerTurn(blockSpec);

    for (std::size_t i = 0; i < samples; ++i) {
        const std::size_t p = i / 5, k = i % 5;
        std::uint8_t* packet = block.data() + p * 64;
        packet[2 + k] = marked[i];
        const double theta =
            turn >= 1.0 ? 2.0 * kPi * (static_cast<double>(i) - blockSpec.firstMark) / turn : 0.0;
        for (unsigned c = 0; c < 5; ++c) {
            const ChannelSignal& ch = blockSpec.channels[c];
            double v = ch.offset +
                       ch.amplitude * gainFactor(blockSpec, c) * std::sin(theta - ch.phaseDeg * kPi / 180.0);
            if (blockSpec.noise > 0) v += noise(rng);
            v = std::round(v);
            if (v > 32767) v = 32767;
            if (v < -32768) v = -32768;
            putU16(packet + 9 + 10 * k + 2 * c,
                   static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
        }
    }

    std::uint16_t sequence = 0;
    for (std::uint32_t p = 0; p < blockSpec.packetCount; ++p) {
        std::uint8_t* packet = block.data() + p * 64;
        putU16(packet, static_cast<int>(p) == blockSpec.wrongTypePacket ? 0x0042 : 0x0081);
        if (static_cast<int>(p) == blockSpec.skipSequenceAt) ++sequence;
        if (static_cast<int>(p) == blockSpec.repeatSequenceAt && sequence > 0) --sequence;
        putU16(packet + 7, sequence);
        ++sequence;
    }
    return block;
}

SimBlockSource::SimBlockSource(sim::SimMeasuringController& controller, const BlockSpec& blockSpec)
    : controller_(controller), spec_(blockSpec) {
    reg132_ = controller_.reg(132);
    controller_.setWriteHook([this](std::uint32_t reg, std::uint32_t value) {
        if (reg == 132) reg132_ = value;
    });
    controller_.setBlockGenerator([this](const sim::BlockRequest& req, std::vector<std::uint8_t>& out) {
        BlockSpec s;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            s = spec_;
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

void SimBlockSource::setSpec(const BlockSpec& blockSpec) {
    std::lock_guard<std::mutex> lock(mutex_);
    spec_ = blockSpec;
}

BlockSpec SimBlockSource::blockSpec() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return spec_;
}

BlockSpec SimBlockSource::lastBlock() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_;
}

int SimBlockSource::blocksServed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return served_;
}

}  // namespace simacq
