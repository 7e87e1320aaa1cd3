// Opening the History over a folder of 10000 balancing files, as the browser
// reads it when the screen opens (names, plane counts, times, date labels,
// sorted newest first), against a plain read of the same folder's names in
// the same run: the anchor that says what the disk and the kernel cost.
//
// The files are empty: the History takes everything from their names.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "gui/screens/rotor_list.h"
#include "texts/format.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 10000;
constexpr std::int64_t kNow = 1674648000;  // 2023-01-25 12:00:00 UTC
constexpr std::int64_t kFileSpacing = 3300;  // seconds between two balancings

// A temporary working folder holding "history/" with the files; the
// benchmarks run in it.
class HistoryFolder {
public:
    HistoryFolder() {
        old_ = fs::current_path(ec_);
        if (!::mkdtemp(dir_)) return;
        fs::create_directory(fs::path(dir_) / "history", ec_);
        for (int i = 0; i < kFiles && !ec_; ++i) {
            const std::time_t t = static_cast<std::time_t>(kNow - i * kFileSpacing);
            std::tm tm{};
            localtime_r(&t, &tm);
            const std::string name = ks::format("history/Rotor {}_{}{:04}{:02}{:02}{:02}{:02}{:02}.rotor", i % 37,
                                                1 + i % 4, tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                                                tm.tm_min, tm.tm_sec);
            std::FILE* f = std::fopen((fs::path(dir_) / name).c_str(), "w");
            if (!f) return;
            std::fclose(f);
        }
        fs::current_path(dir_, ec_);
        ok_ = !ec_;
    }
    ~HistoryFolder() {
        fs::current_path(old_, ec_);
        fs::remove_all(dir_, ec_);
    }
    bool ok() const { return ok_; }

private:
    char dir_[40] = "/tmp/ks_bench_history_XXXXXX";
    fs::path old_;
    std::error_code ec_;
    bool ok_ = false;
};

HistoryFolder& folder() {
    static HistoryFolder f;
    return f;
}

void BM_PlainFolderRead(benchmark::State& state) {
    if (!folder().ok()) return state.SkipWithError("no temporary folder");
    std::size_t count = 0;
    for (auto _ : state) {
        std::vector<std::string> names;
        std::error_code ec;
        for (fs::directory_iterator it("history/", ec); !ec && it != fs::directory_iterator(); it.increment(ec))
            names.push_back(it->path().filename().string());
        count = names.size();
        benchmark::DoNotOptimize(names.data());
    }
    state.counters["files"] = static_cast<double>(count);
}
BENCHMARK(BM_PlainFolderRead)->Unit(benchmark::kMillisecond);

void BM_HistoryListing(benchmark::State& state) {
    if (!folder().ok()) return state.SkipWithError("no temporary folder");
    std::size_t count = 0;
    for (auto _ : state) {
        HistoryData::Data data(true);
        HistoryData::readRotorFolder(data, kNow, "");
        count = data.entries.size();
        benchmark::DoNotOptimize(data.entries.data());
    }
    state.counters["files"] = static_cast<double>(count);
}
BENCHMARK(BM_HistoryListing)->Unit(benchmark::kMillisecond);

}  // namespace
