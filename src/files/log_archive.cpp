#include "files/log_archive.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <utility>

#include "files/file_time.h"
#include "files/removable_drive.h"
#include "platform/bounded_read.h"
#include "platform/file_replace.h"

namespace fs = std::filesystem;

namespace {

// The listed size bounds what is read of a file, not its opening.
constexpr std::uint64_t kNoSizeBound = std::numeric_limits<std::uint64_t>::max();

SpaceQueryFn g_space;
std::time_t (*g_clock)() = nullptr;
std::function<void(const std::vector<LogArchiveEntry>&)> g_listed;

bool defaultSpace(const std::string& folder, std::uint64_t& available) {
    std::error_code ec;
    const fs::space_info info = fs::space(folder, ec);
    if (ec) return false;
    available = info.available;
    return true;
}

// Formats `value` in octal with exactly `digits` digits followed by NUL.
void putOctal(unsigned char* at, std::uint64_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        at[i] = static_cast<unsigned char>('0' + (value & 7));
        value >>= 3;
    }
    at[digits] = '\0';
}

// The last `limit` bytes of `name`, not starting inside a UTF-8 sequence.
std::string tail(const std::string& name, std::size_t limit) {
    if (name.size() <= limit) return name;
    std::size_t start = name.size() - limit;
    while (start < name.size() && (static_cast<unsigned char>(name[start]) & 0xC0) == 0x80) ++start;
    return name.substr(start);
}

bool addEntry(std::vector<LogArchiveEntry>& list, const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    const std::uint64_t size = fs::file_size(path, ec);
    if (ec || size > kTarOctal11Max) return false;
    LogArchiveEntry e;
    e.path = path;
    e.size = size;
    if (!fileTimeToTime(path, e.mtime)) e.mtime = 0;
    list.push_back(std::move(e));
    return true;
}

constexpr std::size_t kTarNameField = 99;  // bytes of a name, before its NUL

std::string entryName(const LogArchiveEntry& entry) {
    const std::size_t slash = entry.path.rfind('/');
    return slash == std::string::npos ? entry.path : entry.path.substr(slash + 1);
}

// A name that does not fit the header's field, as its long-name record holds it
// (a file name is at most 255 bytes; the record's one block is the bound).
std::string longName(const LogArchiveEntry& entry) {
    const std::string name = entryName(entry);
    return name.size() > kTarNameField ? tail(name, kTarBlock - 1) : std::string();
}

void fillHeader(unsigned char header[kTarBlock], const std::string& name, std::uint64_t size, std::int64_t mtime,
                char type) {
    std::memset(header, 0, kTarBlock);
    std::memcpy(header, name.data(), std::min(name.size(), kTarNameField));
    std::memcpy(header + 100, "0000777", 8);
    std::memcpy(header + 108, "0000000", 8);
    std::memcpy(header + 116, "0000000", 8);
    putOctal(header + 124, std::min(size, kTarOctal11Max), 11);
    putOctal(header + 136, std::min(static_cast<std::uint64_t>(mtime < 0 ? 0 : mtime), kTarOctal11Max), 11);
    header[156] = static_cast<unsigned char>(type);
    std::memcpy(header + 257, "ustar  ", 8);  // GNU magic, version and NUL
    // Checksum: every byte as an unsigned value, the checksum field counted as
    // eight blanks; a name in UTF-8 (a Cyrillic rotor name) sums right too.
    std::memset(header + 148, ' ', 8);
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < kTarBlock; ++i) sum += header[i];
    putOctal(header + 148, sum, 6);
    header[155] = ' ';
}

}  // namespace

void makeTarHeader(const LogArchiveEntry& entry, unsigned char header[kTarBlock]) {
    fillHeader(header, tail(entryName(entry), kTarNameField), entry.size, entry.mtime, '0');
}

std::size_t makeTarLongName(const LogArchiveEntry& entry, unsigned char record[2 * kTarBlock]) {
    const std::string name = longName(entry);
    if (name.empty()) return 0;
    fillHeader(record, "././@LongLink", name.size() + 1, 0, 'L');
    std::memset(record + kTarBlock, 0, kTarBlock);
    std::memcpy(record + kTarBlock, name.data(), name.size());
    return 2 * kTarBlock;
}

std::uint64_t tarEntryBytes(const LogArchiveEntry& entry) {
    return tarEntrySize(entry.size) + (longName(entry).empty() ? 0 : 2 * kTarBlock);
}

TarStream::TarStream(std::vector<LogArchiveEntry> list) : files(std::move(list)) {}

TarStream::~TarStream() {
    if (fd >= 0) ::close(fd);
}

std::uint64_t tarStreamSize(const std::vector<LogArchiveEntry>& files) {
    std::uint64_t total = 0;
    for (const auto& f : files) total += tarEntryBytes(f);
    return total + 1024;
}

bool tarStreamRead(TarStream& s, void* buffer, std::size_t* size) {
    auto* out = static_cast<unsigned char*>(buffer);
    const std::size_t cap = *size;
    std::size_t got = 0;
    while (got < cap) {
        if (s.pendingOff < s.pendingLen) {
            const std::size_t n = std::min(cap - got, s.pendingLen - s.pendingOff);
            std::memcpy(out + got, s.pending + s.pendingOff, n);
            s.pendingOff += n;
            got += n;
            continue;
        }
        if (s.index >= s.files.size()) {
            if (s.endGiven) break;
            std::memset(s.pending, 0, 1024);
            s.pendingLen = 1024;
            s.pendingOff = 0;
            s.endGiven = true;
            continue;
        }
        const LogArchiveEntry& f = s.files[s.index];
        switch (s.phase) {
            case 0:
                s.pendingOff = 0;
                if (!s.longNameGiven) {
                    s.longNameGiven = true;
                    s.pendingLen = makeTarLongName(f, s.pending);
                    break;
                }
                makeTarHeader(f, s.pending);
                s.pendingLen = kTarBlock;
                s.longNameGiven = false;
                s.phase = 1;
                break;
            case 1:
                // A file that cannot be opened, or is no longer a regular file
                // (a named pipe would block the worker), is given as zeros.
                s.fd = platform::openBoundedFile(f.path, kNoSizeBound, nullptr);
                s.remaining = f.size;
                s.phase = 2;
                break;
            case 2: {
                if (s.remaining == 0) {
                    s.phase = 3;
                    break;
                }
                const std::size_t want =
                    static_cast<std::size_t>(std::min<std::uint64_t>(cap - got, s.remaining));
                if (s.fd >= 0) {
                    const ssize_t n = ::read(s.fd, out + got, want);
                    if (n < 0 && errno == EINTR) break;
                    if (n <= 0) {
                        // The file ended early (it shrank) or failed: zeros for the rest.
                        ::close(s.fd);
                        s.fd = -1;
                        break;
                    }
                    got += static_cast<std::size_t>(n);
                    s.remaining -= static_cast<std::uint64_t>(n);
                    s.dataRead += static_cast<std::uint64_t>(n);
                } else {
                    std::memset(out + got, 0, want);
                    got += want;
                    s.remaining -= want;
                }
                break;
            }
            default: {
                if (s.fd >= 0) ::close(s.fd);
                s.fd = -1;
                const std::size_t rest = static_cast<std::size_t>(f.size % kTarBlock);
                ++s.index;
                s.phase = 0;
                if (rest != 0) {
                    std::memset(s.pending, 0, kTarBlock - rest);
                    s.pendingLen = kTarBlock - rest;
                    s.pendingOff = 0;
                }
                break;
            }
        }
    }
    *size = got;
    return true;
}

bool writeTarLzma(const LzmaWriter& writer, TarStream& source, std::uint64_t streamSize,
                  const LzmaProgress& progress) {
    LzmaSource read = [&source](void* buf, std::size_t* size) { return tarStreamRead(source, buf, size); };
    return lzmaAloneEncode(writer, read, streamSize, progress);
}

bool pickHistoryFiles(std::string& chosen) {
    std::error_code ec;
    fs::directory_iterator it("history/", ec);
    if (ec) return false;
    bool found = false;
    std::string best;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        std::error_code fec;
        if (!it->is_regular_file(fec)) continue;
        const std::string name = it->path().filename().string();
        const std::size_t us = name.rfind('_');
        if (us == std::string::npos || name.size() - us >= 23) continue;
        const std::string part = us + 2 <= name.size() ? name.substr(us + 2) : std::string();
        if (!found || part > best) {
            found = true;
            best = part;
            chosen = "history/" + name;
        }
    }
    return found;
}

std::vector<LogArchiveEntry> listLogArchiveFiles() {
    std::vector<LogArchiveEntry> list;
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it("logs", ec);
    if (!ec) {
        for (const fs::directory_iterator end; it != end; it.increment(ec)) {
            if (ec) break;
            names.push_back(it->path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    for (const auto& n : names) addEntry(list, "logs/" + n);
    addEntry(list, ".cfg");
    std::string history;
    if (pickHistoryFiles(history)) addEntry(list, history);
    return list;
}

namespace {

int runExport(std::atomic<int>* percent) {
    using namespace logexport;
    std::string path = "kestrune/";
    if (!findRemovableDrive(path)) return kNoDrive;
    path += "logs/";
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec) return failure(ec.value());
    if (!fs::is_directory(path, ec)) return failure(ec ? ec.value() : ENOTDIR);
    // A read-only drive is that, however much room it has.
    if (::access(path.c_str(), W_OK) != 0) return failure(errno);
    std::uint64_t available = 0;
    const bool known = g_space ? g_space(path, available) : defaultSpace(path, available);
    if (!known) return kNoDrive;

    std::vector<LogArchiveEntry> list = listLogArchiveFiles();
    std::uint64_t total = 0;
    for (const auto& e : list) total += tarEntryBytes(e);
    if (total + 4096 > available) return kNoSpace;

    const std::time_t now = g_clock ? g_clock() : std::time(nullptr);
    std::tm tm{};
    if (!localtime_r(&now, &tm)) return kFailed;
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d%02d%02d%02d.logs", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    path += name;

    const std::uint64_t streamSize = total + 1024;
    if (percent) percent->exchange(0);
    LzmaProgress progress = [percent, streamSize](std::uint64_t in) {
        std::uint64_t pc = streamSize ? in * 100 / streamSize : 100;  // 64 bits: no overflow for real sizes
        if (pc > 100) pc = 100;
        if (percent) percent->exchange(static_cast<int>(pc));
        return true;
    };
    TarStream stream(std::move(list));
    const platform::ContentSource archive = [&](const platform::ContentSink& write) {
        if (g_listed) g_listed(stream.files);
        LzmaWriter writer = [&write](const void* data, std::size_t size) -> std::size_t {
            return write(data, size) ? size : 0;
        };
        return writeTarLzma(writer, stream, streamSize, progress);
    };
    const bool ok = platform::replaceFileFrom(path, archive);
    const int err = errno;
    if (ok && percent) percent->exchange(100);
    flushVolume(path);
    return ok ? kWritten : failure(err);
}

}  // namespace

void exportLogsArchive(std::atomic<int>* result, std::atomic<int>* percent) {
    int code = logexport::kFailed;
    try {
        code = runExport(percent);
    } catch (...) {  // out of memory while listing or encoding
        code = logexport::kFailed;
    }
    if (result) result->exchange(code);
}

void setArchiveSpaceQuery(SpaceQueryFn fn) {
    g_space = std::move(fn);
}
void setArchiveClock(std::time_t (*now)()) {
    g_clock = now;
}
void setArchiveListedHook(std::function<void(const std::vector<LogArchiveEntry>&)> hook) {
    g_listed = std::move(hook);
}
