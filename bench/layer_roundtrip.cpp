// Register round trip through the request-slot layer of the measuring driver,
// against the simulated controller (no USB latency): what a caller pays for
// one register access, with the driver's 1 ms wait steps and without them.
//
// Counters: p50, p99 and max of one round trip in microseconds.

#include <benchmark/benchmark.h>

#ifdef KS_BENCH_WITH_SIM

#include <algorithm>
#include <chrono>
#include <vector>

#include "drivers/common/driver_timing.h"
#include "drivers/measuring/kwz_usb_layer.h"
#include "support/sim_measuring.h"

namespace {

void roundTrip(benchmark::State& state, double stepMs) {
    drivers::DriverTiming timing;
    timing.waitStepMs = stepMs;
    timing.workerPassMs = stepMs;
    drivers::ScopedDriverTiming scoped(timing);
    sim::SimMeasuringController controller;
    sim::ScopedUsb01 usb(controller);
    TamskKWZv2::KWZUSBLayerT2 layer(nullptr, nullptr, nullptr);
    if (!layer.connect()) {
        state.SkipWithError("no simulated controller");
        return;
    }
    std::vector<double> micros;
    micros.reserve(100000);
    std::uint32_t rate = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const bool ok = layer.getADCSampleRate(rate);
        const auto t1 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(ok);
        micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    layer.disconnect();
    if (micros.empty()) return;
    std::sort(micros.begin(), micros.end());
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
    state.counters["max_us"] = micros.back();
}

void BM_LayerRoundTripWith1msSteps(benchmark::State& state) { roundTrip(state, 1.0); }
void BM_LayerRoundTripWithoutSteps(benchmark::State& state) { roundTrip(state, 0.0); }

}  // namespace

BENCHMARK(BM_LayerRoundTripWith1msSteps)->Iterations(300)->UseRealTime();
BENCHMARK(BM_LayerRoundTripWithoutSteps)->Iterations(20000)->UseRealTime();

#endif
