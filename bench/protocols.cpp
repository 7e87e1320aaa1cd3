// The protocols as the history browser has them written through
// Rotor::makeReport: the balancing protocol of a two-plane rotor with ten
// runs, the eight-page verification-test protocol of a proving rotor with all
// 39 runs (its two diagram sheets and 50 marks included), and one text drawn
// into an open PDF document, the step every protocol repeats most.  Beside
// them the first verification protocol in a fresh process (this program
// started again with --first-protocols), against the one after it there.
#include "protocols/protocols.h"

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "protocols/doc.h"
#include "protocols/pdf_doc.h"
#include "protocols/report_context.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "resources/resource_store.h"
#include "rotor/rotor.h"
#include "rotor/rotor_report.h"

namespace {

// A temporary folder for the files written, removed at the end.
class BenchDir {
public:
    BenchDir() : ok_(::mkdtemp(dir_) != nullptr) {}
    ~BenchDir() {
        std::error_code ec;
        if (ok_) std::filesystem::remove_all(dir_, ec);
    }
    bool ok() const { return ok_; }
    std::string file(const char* name) const { return std::string(dir_) + "/" + name; }

private:
    char dir_[32] = "/tmp/ks_bench_protocols_XXXXXX";
    bool ok_;
};

bool ready(benchmark::State& state) {
    registerProtocols();
    if (indexEmbeddedResources()) return true;
    state.SkipWithError("resource store damaged");
    return false;
}

// Runs of plane results whose unbalance (g·mm, radians) each run chooses.
template <class Unbalance>
void addRuns(RotorData& d, int runs, int measuredPlanes, Unbalance unbalance) {
    const std::int64_t start = static_cast<std::int64_t>(std::time(nullptr));
    for (int k = 0; k < runs; ++k) {
        Measurement m;
        m.operatorName = "Operator";
        m.time = start + 60 * k;
        for (int p = 0; p < measuredPlanes; ++p) {
            Result r;
            r.measured = Vector(70.0 + k, 1.0);
            r.unbalance = unbalance(k, p);
            m.results.push_back(r);
        }
        d.runs.push_back(m);
    }
}

void balancingRotor(Rotor& rotor) {
    RotorData& d = rotor.data();
    d.mass = 12.5;
    d.speed = 1450;
    d.permissibleUnbalance = 40;
    for (std::uint32_t p = 1; p <= 2; ++p) {
        Plane plane;
        plane.radius = 100;
        plane.channel1 = p;
        d.planes.push_back(plane);
    }
    addRuns(d, 10, 2, [](int k, int) { return Vector(725.0 * (k + 1), 0.5); });
    rotor.setName("Pump");
}

// A proving rotor of 62.5 kg (U|mar| 25 g·mm), test planes 1 and 3, all 39 runs.
void provingRotor(Rotor& rotor) {
    RotorData& d = rotor.data();
    d.controlRotor = true;
    d.mass = 62.5;
    d.permissibleUnbalance = 25;
    for (int p = 0; p < 3; ++p) {
        Plane plane;
        plane.radius = plane.radiusSmall = plane.radiusR1 = 100;
        plane.massUmar = 2.5, plane.massStation = 12.5, plane.massTravel = 62.5;
        d.planes.push_back(plane);
    }
    d.planes[0].channel1 = 1;
    d.planes[2].channel2 = 2;
    addRuns(d, 39, 2, [](int k, int p) {
        const double amplitude = k < 7    ? 75.0 / (k + 1)
                                 : k < 19 ? 250 + k
                                 : k < 30 ? 5000 + 100 * p
                                          : 10.0 + k;
        return Vector(amplitude, 0.5 * k + p);
    });
    rotor.setName("Proving");
}

template <void (*Fill)(Rotor&)>
void BM_ProtocolPdf(benchmark::State& state) {
    BenchDir dir;
    if (!dir.ok()) return state.SkipWithError("no temporary folder");
    if (!ready(state)) return;
    Config config;
    Rotor rotor(&config);
    Fill(rotor);
    const std::string file = dir.file("tmp.pdf");
    for (auto _ : state) {
        if (rotor.makeReport(0, file.c_str(), 0, 0) != reportresult::kWritten)
            return state.SkipWithError("protocol not written");
    }
    std::error_code ec;
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file, ec));
}
BENCHMARK_TEMPLATE(BM_ProtocolPdf, balancingRotor)
    ->Name("BM_BalancingProtocol")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ProtocolPdf, provingRotor)
    ->Name("BM_VerificationProtocol")
    ->Unit(benchmark::kMillisecond);

void BM_PdfDocText(benchmark::State& state) {
    BenchDir dir;
    if (!dir.ok()) return state.SkipWithError("no temporary folder");
    if (!ready(state)) return;
    PdfDoc doc(dir.file("text.pdf").c_str());
    if (!doc.begin() || !loadProtocolFaces(doc)) return state.SkipWithError("document not begun");
    for (auto _ : state)
        benchmark::DoNotOptimize(doc.text(46, 200, 507, 12,
                                          "Evaluation testing of balancing machine KBM-2 (serial number 17)",
                                          Doc::kRegularSlot, 9, Doc::kAlignLeft));
    doc.discard();
}
BENCHMARK(BM_PdfDocText);

// ---- the first protocol of a process -------------------------------------------

constexpr const char* kFirstProtocolsMode = "--first-protocols";

double residentMb() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// In the fresh process: two verification protocols into `folder`; prints the
// milliseconds of each and the resident megabytes before and after the first.
int firstProtocols(const char* folder) {
    registerProtocols();
    if (!indexEmbeddedResources()) return 1;
    Config config;
    Rotor rotor(&config);
    provingRotor(rotor);
    const std::string file = std::string(folder) + "/first.pdf";
    double ms[2] = {0, 0};
    const double before = residentMb();
    double after = before;
    for (double& m : ms) {
        const auto start = std::chrono::steady_clock::now();
        if (rotor.makeReport(0, file.c_str(), 0, 0) != reportresult::kWritten) return 1;
        m = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (&m == ms) after = residentMb();
    }
    std::printf("%f %f %f %f\n", ms[0], ms[1], before, after);
    return 0;
}

// Each iteration starts this program afresh; the time is that of its first
// verification protocol.  Counters: the later one's milliseconds, first over
// later, and the megabytes the process holds more after the first.
void BM_FirstVerificationProtocol(benchmark::State& state) {
    BenchDir dir;
    if (!dir.ok()) return state.SkipWithError("no temporary folder");
    const std::string folder = dir.file("");
    double later = 0, ratio = 0, grown = 0;
    for (auto _ : state) {
        int out[2];
        if (::pipe(out) != 0) return state.SkipWithError("no pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const char* self = "/proc/self/exe";
        char* argv[] = {const_cast<char*>(self), const_cast<char*>(kFirstProtocolsMode),
                        const_cast<char*>(folder.c_str()), nullptr};
        pid_t child = 0;
        const int spawned = posix_spawn(&child, self, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        double first = 0, second = 0, before = 0, after = 0;
        std::FILE* in = ::fdopen(out[0], "r");
        const bool read = in && std::fscanf(in, "%lf %lf %lf %lf", &first, &second, &before, &after) == 4;
        if (in) std::fclose(in);
        int status = 0;
        if (spawned == 0) ::waitpid(child, &status, 0);
        if (spawned != 0 || !read || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || second <= 0)
            return state.SkipWithError("the fresh process wrote no protocols");
        state.SetIterationTime(first / 1000);
        later += second;
        ratio += first / second;
        grown += after - before;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["later_ms"] = later / n;
    state.counters["first/later"] = ratio / n;
    state.counters["rss_grown_MB"] = grown / n;
}
BENCHMARK(BM_FirstVerificationProtocol)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kFirstProtocolsMode) == 0) return firstProtocols(argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
