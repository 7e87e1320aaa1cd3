// Cost of turning one balancing block into the five channel results: parsing
// the packets, then the first-harmonic fit of every channel.  The largest
// block (1000 packets, 5000 samples per channel) must take a small fraction of
// the shortest block's duration (205 packets at 36000 per second: 28.5 ms).
//
//   bench_acquisition --benchmark_min_time=0.5
// "per_sample" is the time per channel sample (25000 per block).

#include "drivers/measuring/acquisition.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

using namespace TamskKWZv2;

namespace {

constexpr double kPi = 3.14159265358979323846;

// 1000 packets at 180.1 samples per turn (revolutions of 180 and 181 samples),
// five channels with noise, mark at sample 0.
std::vector<std::uint8_t> largestBlock() {
    const std::uint32_t packets = kMaxPacketCount;
    const double turn = 180.1;
    std::vector<std::uint8_t> block(packets * ADCDataPacket::size, 0);
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0.0, 20.0);
    for (std::uint32_t i = 0; i < packets * ADCDataPacket::samplesPerPacket; ++i) {
        std::uint8_t* p = block.data() + (i / 5) * ADCDataPacket::size;
        const unsigned k = i % 5;
        if (k == 0) {
            p[0] = 0x81;
            p[7] = static_cast<std::uint8_t>((i / 5) & 0xFF);
            p[8] = static_cast<std::uint8_t>((i / 5) >> 8);
        }
        const double turns = i / turn;
        if (std::floor(turns) != std::floor((i - 1.0) / turn) || i == 0) p[2 + k] = 1;
        for (unsigned c = 0; c < 5; ++c) {
            const double v = 3000.0 * (c + 1) * std::sin(2 * kPi * turns + c) + noise(rng);
            const auto s = static_cast<std::int16_t>(std::lround(v));
            p[9 + 10 * k + 2 * c] = static_cast<std::uint8_t>(s & 0xFF);
            p[10 + 10 * k + 2 * c] = static_cast<std::uint8_t>((static_cast<std::uint16_t>(s) >> 8) & 0xFF);
        }
    }
    return block;
}

struct Buffers {
    std::vector<double> traces[kAdcChannelCount];
    std::vector<double> marker;
    std::vector<std::uint32_t> marks;
    TraceOutputs out() {
        TraceOutputs o;
        for (unsigned c = 0; c < kAdcChannelCount; ++c) o.channel[c] = &traces[c];
        o.marker = &marker;
        o.markerIndices = &marks;
        return o;
    }
};

void setCounters(benchmark::State& state, double samples) {
    state.counters["per_sample"] =
        benchmark::Counter(samples, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * samples));
}

// What a balancing read does after the transfer: parse, one angle table, five fits.
void BM_ParseAndFitLargestBlock(benchmark::State& state) {
    const std::vector<std::uint8_t> block = largestBlock();
    Buffers b;
    RevolutionTable table;
    ChannelResult results[kAdcChannelCount];
    for (auto _ : state) {
        parseADCBlock(block.data(), block.size(), kMaxPacketCount, b.out());
        table.build(b.marks, b.traces[0].size());
        for (unsigned c = 0; c < kAdcChannelCount; ++c)
            results[c].valid = table.fit(b.traces[c], 2, results[c].amplitude, results[c].phase);
        benchmark::DoNotOptimize(results);
    }
    setCounters(state, kMaxBlockSamples * kAdcChannelCount);
}
BENCHMARK(BM_ParseAndFitLargestBlock)->Unit(benchmark::kMicrosecond);

void BM_ParseLargestBlock(benchmark::State& state) {
    const std::vector<std::uint8_t> block = largestBlock();
    Buffers b;
    for (auto _ : state) {
        parseADCBlock(block.data(), block.size(), kMaxPacketCount, b.out());
        benchmark::DoNotOptimize(b.traces[0].data());
    }
    setCounters(state, kMaxBlockSamples * kAdcChannelCount);
}
BENCHMARK(BM_ParseLargestBlock)->Unit(benchmark::kMicrosecond);

// The five fits alone with the shared angle table.
void BM_FitFiveChannelsTable(benchmark::State& state) {
    const std::vector<std::uint8_t> block = largestBlock();
    Buffers b;
    parseADCBlock(block.data(), block.size(), kMaxPacketCount, b.out());
    RevolutionTable table;
    ChannelResult r;
    for (auto _ : state) {
        table.build(b.marks, b.traces[0].size());
        for (unsigned c = 0; c < kAdcChannelCount; ++c) r.valid = table.fit(b.traces[c], 2, r.amplitude, r.phase);
        benchmark::DoNotOptimize(r);
    }
    setCounters(state, kMaxBlockSamples * kAdcChannelCount);
}
BENCHMARK(BM_FitFiveChannelsTable)->Unit(benchmark::kMicrosecond);

// For comparison: five fits each computing sin and cos per sample.
void BM_FitFiveChannelsDirect(benchmark::State& state) {
    const std::vector<std::uint8_t> block = largestBlock();
    Buffers b;
    parseADCBlock(block.data(), block.size(), kMaxPacketCount, b.out());
    ChannelResult r;
    for (auto _ : state) {
        for (unsigned c = 0; c < kAdcChannelCount; ++c)
            r.valid = fitRevolutions(b.traces[c], b.marks, 2, r.amplitude, r.phase);
        benchmark::DoNotOptimize(r);
    }
    setCounters(state, kMaxBlockSamples * kAdcChannelCount);
}
BENCHMARK(BM_FitFiveChannelsDirect)->Unit(benchmark::kMicrosecond);

}  // namespace
