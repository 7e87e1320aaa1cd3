// The balancing protocol of a rotor of two planes with twelve runs, written
// through Rotor::makeReport as the history browser has it written: layout,
// text drawing, the embedded faces' subsets and the save of the PDF file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "protocols/protocols.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "resources/resource_store.h"
#include "rotor/rotor.h"
#include "rotor/rotor_report.h"

namespace {

constexpr int kPlanes = 2;
constexpr int kRuns = 12;

void fill(Rotor& rotor) {
    RotorData& d = rotor.data();
    d.mass = 12.5;
    d.speed = 1450;
    d.permissibleUnbalance = 40;
    for (int p = 1; p <= kPlanes; ++p) {
        Plane plane;
        plane.radius = 100;
        plane.channel1 = static_cast<std::uint32_t>(p);
        d.planes.push_back(plane);
    }
    const std::int64_t start = static_cast<std::int64_t>(std::time(nullptr));
    for (int k = 0; k < kRuns; ++k) {
        Measurement m;
        m.operatorName = "Operator";
        m.time = start + 60 * k;
        for (int p = 0; p < kPlanes; ++p) {
            Result r;
            r.measured = Vector(70.0 + k, 1.0);
            r.unbalance = Vector(725.0 * (k + 1), 0.5);
            m.results.push_back(r);
        }
        d.runs.push_back(m);
    }
    rotor.setName("Pump");
}

void BM_BalancingProtocolPdf(benchmark::State& state) {
    registerProtocols();
    if (!indexEmbeddedResources()) {
        state.SkipWithError("resource store damaged");
        return;
    }
    char dir[] = "/tmp/ks_bench_protocol_XXXXXX";
    if (!::mkdtemp(dir)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string file = std::string(dir) + "/tmp.pdf";
    Config config;
    Rotor rotor(&config);
    fill(rotor);
    for (auto _ : state) {
        if (rotor.makeReport(0, file.c_str(), 0, 0) != reportresult::kWritten) {
            state.SkipWithError("protocol not written");
            break;
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}
BENCHMARK(BM_BalancingProtocolPdf)->Unit(benchmark::kMillisecond);

}  // namespace
