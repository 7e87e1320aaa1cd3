// processRevolution on the measuring path: five channels, a few sizes of
// revolution, solving after every sample and accumulating only.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "records/record.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"

namespace {

constexpr int kChannels = 5;

struct Fixture {
    Config config;
    std::unique_ptr<Rotor> rotor;
    std::vector<std::int32_t> samples;

    explicit Fixture(int perRevolution) {
        // Five active channels, averaging 5, deviation 3 %.
        for (int c = 0; c < kChannels; ++c) {
            const std::uint32_t item[] = {Tris::makeHeader(0x1DD6410, false, 1), Tris::makeHeader(0x1DC4801, true, 0)};
            config.parse(item, 2);
        }
        rotor = std::make_unique<Rotor>(&config);
        // Planes 1..5 with one channel each.
        rotor->clearPlanes();
        for (int p = 1; p <= kChannels; ++p) {
            rotor->insertPlane(p);
            rotor->setPlaneChannels(p, static_cast<std::uint32_t>(p), 0);
        }
        rotor->setLogEnabled(false);
        for (int j = 0; j < perRevolution; ++j)
            for (int k = 0; k < kChannels; ++k)
                samples.push_back(static_cast<std::int32_t>(
                    1000 + (2000 + 500 * k) * std::sin(2 * 3.141592653589793 * j / perRevolution + 0.3 * k)));
    }
    void restart() {
        rotor->startSession();
        for (int k = 0; k < kChannels; ++k) rotor->initChannel(static_cast<unsigned>(k), 1, k);
    }
};

void BM_ProcessRevolution(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    f.restart();
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.rotor->processRevolution(f.samples, false));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(f.samples.size()));
}
BENCHMARK(BM_ProcessRevolution)->Arg(64)->Arg(256)->Arg(1024);

void BM_AccumulateOnly(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    f.restart();
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.rotor->processRevolution(f.samples, true));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(f.samples.size()));
}
BENCHMARK(BM_AccumulateOnly)->Arg(64)->Arg(256)->Arg(1024);

}  // namespace
