#include "files/log_tidy.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kMaxTotal = 1000000000;  // bytes
constexpr std::size_t kMaxCount = 100;
constexpr std::uint64_t kRenameAbove = 10000000;  // bytes

bool allDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

void analyseLogName(const std::string& fileName, LogFileEntry& entry) {
    const fs::path p(fileName);
    entry.ext = p.extension().string();
    entry.stem = fileName.substr(0, fileName.size() - entry.ext.size());
    entry.number = 0;
    const std::size_t dot = entry.stem.rfind('.');
    if (dot == std::string::npos || entry.stem.size() - dot > 4) return;
    const std::string digits = entry.stem.substr(dot + 1);
    if (!allDigits(digits)) return;
    const int n = std::stoi(digits);  // at most three digits: no overflow
    if (n == 0) return;
    entry.number = n;
    entry.stem.erase(dot);
}

std::string logFileName(const std::string& stem, int number, const std::string& ext) {
    if (number == 0) return stem + ext;
    return stem + "." + std::to_string(number) + ext;
}

namespace {

int tidy(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return -1;

    std::vector<LogFileEntry> entries;
    fs::directory_iterator it(folder, ec);
    if (ec) return -1;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        std::error_code fec;
        if (!it->is_regular_file(fec) || fec) continue;
        LogFileEntry e;
        e.name = it->path().filename().string();
        e.size = it->file_size(fec);
        if (fec) continue;
        auto t = it->last_write_time(fec);
        if (fec) continue;
        e.mtime = static_cast<std::int64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count());
        analyseLogName(e.name, e);
        entries.push_back(std::move(e));
    }
    if (ec) return -1;

    std::uint64_t total = 0;
    for (const auto& e : entries) total += e.size;
    std::size_t count = entries.size();

    // Oldest first; equal times in name order so the choice is stable.
    std::sort(entries.begin(), entries.end(), [](const LogFileEntry& a, const LogFileEntry& b) {
        if (a.mtime != b.mtime) return a.mtime < b.mtime;
        return a.name < b.name;
    });

    std::vector<bool> present(entries.size(), true);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (total < kMaxTotal && count < kMaxCount) break;
        std::error_code rec;
        if (fs::remove(folder / entries[i].name, rec) && !rec) {
            present[i] = false;
            total -= entries[i].size;
            --count;
        }
    }

    // Highest generation per (stem, ext) among the files left.
    std::map<std::pair<std::string, std::string>, int> highest;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!present[i]) continue;
        int& h = highest[{entries[i].stem, entries[i].ext}];
        h = std::max(h, entries[i].number);
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const LogFileEntry& e = entries[i];
        if (!present[i] || e.number != 0 || e.size <= kRenameAbove) continue;
        int& h = highest[{e.stem, e.ext}];
        int n = h + 1;
        std::error_code xec;
        // Never rename over something that is there (e.g. a sub-folder of that name).
        while (n < 1000 && fs::exists(fs::symlink_status(folder / logFileName(e.stem, n, e.ext), xec))) ++n;
        if (n >= 1000) continue;
        std::error_code rec;
        fs::rename(folder / e.name, folder / logFileName(e.stem, n, e.ext), rec);
        if (!rec) h = n;
    }
    return static_cast<int>(total >> 20);
}

}  // namespace

int cleanLogsFolder(const fs::path& folder) {
    try {
        return tidy(folder);
    } catch (...) {  // out of memory: leave the folder as it is
        return -1;
    }
}

int cleanLogsFolder() {
    return cleanLogsFolder(fs::path("logs"));
}
