// Tar stream and LZMA compression of the log archive over ~32 MiB of generated
// log text: the export holds the machine worker for this long.

#include "files/log_archive.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct LogSet {
    fs::path dir;
    std::vector<LogArchiveEntry> files;
    std::uint64_t bytes = 0;

    LogSet() {
        std::error_code ec;
        std::string tmpl = (fs::temp_directory_path(ec) / "ks_bench_XXXXXX").string();
        dir = ::mkdtemp(tmpl.data()) ? tmpl : "/tmp";
        std::mt19937 gen(3);
        auto rng = [&gen]() { return static_cast<unsigned>(gen()); };
        const char* names[] = {"machine", "engine", "measurer",   "api",
                               "api_i",   "calcs",  "welder_api", "driver"};
        for (const char* n : names) {
            const fs::path p = dir / (std::string(n) + ".log");
            std::ofstream out(p, std::ios::binary);
            std::string line;
            std::uint64_t size = 0;
            char buf[256];
            while (size < 4u * 1024 * 1024) {
                int len = std::snprintf(
                    buf, sizeof buf,
                    "2023.01.25 14:%02u:%02u:000 speed %u rpm, ch%u %.3f %.2f deg, state %u\r\n", rng() % 60,
                    rng() % 60, 500 + rng() % 2500, rng() % 5, (rng() % 100000) / 1000.0,
                    (rng() % 36000) / 100.0, rng() % 17);
                out.write(buf, len);
                size += static_cast<std::uint64_t>(len);
            }
            files.push_back({p.string(), size, 1674655387});
            bytes += size;
        }
    }
    ~LogSet() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

LogSet& logs() {
    static LogSet set;
    return set;
}

void BM_TarStream(benchmark::State& state) {
    LogSet& set = logs();
    std::vector<char> buf(1 << 16);
    for (auto _ : state) {
        TarStream s(set.files);
        std::size_t n;
        do {
            n = buf.size();
            tarStreamRead(s, buf.data(), &n);
        } while (n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * set.bytes));
}
BENCHMARK(BM_TarStream)->Unit(benchmark::kMillisecond);

void BM_TarLzma(benchmark::State& state) {
    LogSet& set = logs();
    std::uint64_t out = 0;
    for (auto _ : state) {
        TarStream s(set.files);
        out = 0;
        LzmaWriter writer = [&out](const void*, std::size_t size) {
            out += size;
            return size;
        };
        writeTarLzma(writer, s, tarStreamSize(set.files), {});
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * set.bytes));
    state.counters["packed_bytes"] = static_cast<double>(out);
}
BENCHMARK(BM_TarLzma)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
