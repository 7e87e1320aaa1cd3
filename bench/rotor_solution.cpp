// The balancing screen's work after a measurement, on a rotor of four planes
// with one channel each: the unbalance solution (which records the run in the
// history file), and the corrections of the run with the machining cuts and
// the drill layout.  Runs in a temporary working directory; the run list is
// emptied outside the timed region so that it does not grow without bound.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "records/job_records.h"
#include "records/record.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"

namespace {

constexpr int kPlanes = 4;
constexpr double kPi = 3.14159265358979323846;
// Iterations between two emptyings of the run list.
constexpr int kRunsKept = 256;

class WorkDir {
public:
    WorkDir() {
        old_ = std::filesystem::current_path(ec_);
        char tmpl[] = "/tmp/ks_bench_rotor_XXXXXX";
        if (::mkdtemp(tmpl)) {
            dir_ = tmpl;
            std::filesystem::current_path(dir_, ec_);
        }
    }
    ~WorkDir() {
        std::filesystem::current_path(old_, ec_);
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ec_);
    }

private:
    std::error_code ec_;
    std::filesystem::path old_;
    std::filesystem::path dir_;
};

struct Fixture {
    WorkDir dir;
    Config config;
    std::unique_ptr<Rotor> rotor;

    Fixture() {
        for (int c = 0; c < 5; ++c) {
            const std::uint32_t item[] = {Tris::makeHeader(0x1DD6410, false, 1),
                                          Tris::makeHeader(0x1DC4801, c < kPlanes, 0)};
            config.parse(item, 2);
        }
        const std::uint32_t averaging[] = {Tris::makeHeader(0x1DD641E, false, 1), 1};
        config.parse(averaging, 2);
        rotor = std::make_unique<Rotor>(&config);
        rotor->setLogEnabled(false);
        rotor->setName("BENCH");
        rotor->clearPlanes();
        for (int p = 1; p <= kPlanes; ++p) {
            rotor->insertPlane(p);
            rotor->setPlaneChannels(p, static_cast<std::uint32_t>(p), 0);
        }
        auto& planes = rotor->data().planes;
        planes[0].radius = 100;  // addition at any angle
        planes[1] = millingPlane(jobrec::kMeanFlatMilling);
        planes[2] = millingPlane(jobrec::kMeanArcMilling);
        Plane& drilled = planes[3];
        drilled.channel1 = 4;
        drilled.mode = jobrec::kModeRemoval;
        drilled.mean = jobrec::kMeanEndDrilling;
        drilled.radius = 120;
        drilled.holeDiameter = 10;
        drilled.wallThickness = 3;
        drilled.maxDrillDepth = 30;
        planes[1].channel1 = 2;
        planes[2].channel1 = 3;
        rotor->data().permissibleUnbalance = 5;
        rotor->buildPositionTable();

        // Coefficients: a strong diagonal with cross-talk to the neighbours.
        auto& K = rotor->data().factors;
        std::vector<std::complex<double>> U;
        for (int r = 0; r < kPlanes; ++r) {
            for (int c = 0; c < kPlanes; ++c) {
                const double amplitude = r == c ? 0.05 : 0.01 / (1 + std::abs(r - c));
                K.push_back(Vector(amplitude, 0.3 * r + 0.7 * c));
            }
            U.push_back(std::polar(40.0 + 30 * r, 0.9 * r + 0.2));
        }
        // One session of final values V = K U; one result row, averaging 1.
        rotor->startSession();
        for (int c = 0; c < kPlanes; ++c) rotor->initChannel(static_cast<unsigned>(c), 1, c);
        for (int c = 0; c < kPlanes; ++c) {
            std::complex<double> v = 0;
            for (int r = 0; r < kPlanes; ++r)
                v += std::polar(K[static_cast<std::size_t>(r * kPlanes + c)].amplitude,
                                K[static_cast<std::size_t>(r * kPlanes + c)].angle) *
                     U[static_cast<std::size_t>(r)];
            double angle = std::arg(v);
            if (angle < 0) angle += 2 * kPi;
            rotor->addMeasureResult(std::abs(v), angle, angle * 180 / kPi, 1, c);
        }
        rotor->takeMeasurement();
    }

    static Plane millingPlane(TextId mean) {
        Plane pl;
        pl.mode = jobrec::kModeRemoval;
        pl.mean = mean;
        pl.radius = 200;
        pl.millWidth = 15;
        pl.maxMillDepth = 10;
        return pl;
    }

    // Empties the run list every kRunsKept iterations, outside the timing;
    // the history file stays open and keeps growing by appended runs.
    void trimRuns(benchmark::State& state, int& count) {
        if (++count < kRunsKept) return;
        count = 0;
        state.PauseTiming();
        rotor->data().runs.clear();
        state.ResumeTiming();
    }
};

void BM_DisbalanceAndCorrections(benchmark::State& state) {
    Fixture f;
    int count = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.rotor->computeDisbalance());
        f.rotor->computeCorrections(false, false, false, true);
        f.trimRuns(state, count);
    }
}
BENCHMARK(BM_DisbalanceAndCorrections);

// The solution with the recording of its run, without the corrections.
void BM_Disbalance(benchmark::State& state) {
    Fixture f;
    int count = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.rotor->computeDisbalance());
        f.trimRuns(state, count);
    }
}
BENCHMARK(BM_Disbalance);

// The corrections of a recorded run alone (as on every run selection).
void BM_Corrections(benchmark::State& state) {
    Fixture f;
    f.rotor->computeDisbalance();
    for (auto _ : state) {
        f.rotor->computeCorrections(false, false, false, true);
        benchmark::DoNotOptimize(f.rotor->correctionAmount(1, false));
    }
}
BENCHMARK(BM_Corrections);

}  // namespace
