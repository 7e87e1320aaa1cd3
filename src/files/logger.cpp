#include "files/logger.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kLineSize = 512;       // whole line, terminating zero included
constexpr long long kRotateAbove = 5000000;  // bytes
// After a rotation that could not be done, the next try waits this much more.
constexpr long long kRetryRotationAfter = 1000000;  // bytes

// Rotations done by this program's loggers: a logger on the same file follows
// one done by another.  One logger rotates at a time; another that finds the
// flag taken tries again with its next line.
std::atomic<unsigned> g_rotations{0};
std::atomic_flag g_rotating = ATOMIC_FLAG_INIT;

std::atomic<LoggerClockFn> g_clock{nullptr};

// The paths of the suspended logs, one immutable list replaced whole.
using PathList = std::vector<std::string>;
std::shared_ptr<const PathList> g_suspended;
// False while the list is empty: the lines of a program without a suspended
// log do not touch the list.
std::atomic<bool> g_anySuspended{false};

bool isSuspended(const std::string& path) {
    if (!g_anySuspended.load(std::memory_order_acquire)) return false;
    const auto list = std::atomic_load(&g_suspended);
    return list && std::find(list->begin(), list->end(), path) != list->end();
}

std::time_t loggerNow() {
    LoggerClockFn fn = g_clock.load(std::memory_order_acquire);
    return fn ? fn() : std::time(nullptr);
}

// "YYYY.MM.DD hh:mm:ss:000 " into buf; returns its length (24 for years 1000-9999).
int formatStamp(char* buf, std::size_t size) {
    std::time_t now = loggerNow();
    std::tm tm{};
    if (!localtime_r(&now, &tm)) std::memset(&tm, 0, sizeof tm);
    int n = std::snprintf(buf, size, "%04d.%02d.%02d %02d:%02d:%02d:%03d ", tm.tm_year + 1900, tm.tm_mon + 1,
                          tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0);
    if (n < 0) {
        buf[0] = '\0';
        return 0;
    }
    return static_cast<std::size_t>(n) < size ? n : static_cast<int>(size - 1);
}

// Length of text[0, len) without a trailing, incomplete UTF-8 sequence.
std::size_t utf8CompletePrefix(const char* text, std::size_t len) {
    if (len == 0) return 0;
    std::size_t i = len;
    std::size_t back = 0;
    while (i > 0 && back < 4 && (static_cast<unsigned char>(text[i - 1]) & 0xC0) == 0x80) {
        --i;
        ++back;
    }
    if (i == 0) return len;  // only continuation bytes: nothing to repair
    const unsigned char lead = static_cast<unsigned char>(text[i - 1]);
    std::size_t need = 1;
    if (lead >= 0xF0)
        need = 4;
    else if (lead >= 0xE0)
        need = 3;
    else if (lead >= 0xC0)
        need = 2;
    if (need == 1) return len;         // ASCII (or stray bytes) before the end
    if (back + 1 >= need) return len;  // the last sequence is complete
    return i - 1;                      // drop the cut sequence
}

void writeAll(int fd, const char* data, std::size_t len) {
    // One call per line: append mode keeps the line whole among other writers.
    // A failed write is dropped like the line itself.
    if (::write(fd, data, len) < 0) {
    }
}

}  // namespace

LoggerBase::~LoggerBase() = default;

Logger1::Logger1(std::string p, bool pl) : path(std::move(p)), perLine(pl) {}

Logger1::~Logger1() {
    if (fd != -1) ::close(fd);
}

int Logger1::openRotated(bool allowRotate) {
    int d = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (d < 0) return -1;
    if (!allowRotate) return d;
    struct stat st {};
    if (::fstat(d, &st) != 0 || st.st_size <= kRotateAbove) return d;
    // Keep one older generation: logs/engine.log -> logs/engine.1.log.
    std::string older = path;
    if (older.size() >= 3)
        older.replace(older.size() - 3, 3, "1.log");
    else
        older += ".1.log";
    if (::rename(path.c_str(), older.c_str()) != 0) {
        // The older generation cannot be replaced (e.g. a folder of that name):
        // go on appending to the current file rather than losing the log.
        return d;
    }
    ::close(d);
    return openRotated(false);
}

void Logger1::open(bool on) {
    if (!on) {
        if (fd != -1) {
            ::close(fd);
            fd = -1;
        }
        return;
    }
    if (fd != -1) return;
    fd = openRotated(true);
    if (fd == -1) return;
    struct stat st {};
    rotationsSeen_ = g_rotations.load(std::memory_order_acquire);
    checkAt_ = kRotateAbove;
    size_ = ::fstat(fd, &st) == 0 ? st.st_size : 0;
    if (size_ == 0) {
        char line[128];
        int n = formatStamp(line, sizeof line);
        int m = std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n),
                              "Log was created by: %s %s\r\n", kProgramVersion, kProgramBuildDate);
        if (m > 0) writeAll(fd, line, std::strlen(line));
    }
}

void Logger1::rotateIfDue() {
    rotationsSeen_ = g_rotations.load(std::memory_order_acquire);
    struct stat mine {};
    struct stat named {};
    if (::fstat(fd, &mine) != 0) return;
    size_ = mine.st_size;  // the other writers' lines too
    const bool moved =
        ::stat(path.c_str(), &named) != 0 || named.st_ino != mine.st_ino || named.st_dev != mine.st_dev;
    if (!moved && size_ <= checkAt_) return;
    if (g_rotating.test_and_set(std::memory_order_acquire)) return;
    // Reopening renames a file over the limit and follows one renamed by another logger.
    ::close(fd);
    fd = -1;
    open(true);
    struct stat now {};
    if (fd != -1 && ::fstat(fd, &now) == 0 && !moved) {
        if (now.st_ino != mine.st_ino || now.st_dev != mine.st_dev) {
            g_rotations.fetch_add(1, std::memory_order_acq_rel);
        } else {
            checkAt_ = size_ + kRetryRotationAfter;  // the older generation could not be replaced
        }
    }
    g_rotating.clear(std::memory_order_release);
}

void Logger1::write(const char* fmt, va_list args) {
    char line[kLineSize];
    std::size_t stamp = static_cast<std::size_t>(formatStamp(line, sizeof line));
    // Room for the text: the rest of the buffer less "\r\n" and the terminating zero.
    const std::size_t room = kLineSize - stamp - 2;  // includes the zero vsnprintf writes
    std::size_t textLen = 0;
    if (fmt) {
        va_list copy;
        va_copy(copy, args);
        int n = std::vsnprintf(line + stamp, room, fmt, copy);
        va_end(copy);
        if (n > 0) {
            textLen = static_cast<std::size_t>(n);
            if (textLen >= room) textLen = utf8CompletePrefix(line + stamp, room - 1);
        }
    }
    std::size_t len = stamp + textLen;
    line[len++] = '\r';
    line[len++] = '\n';
    line[len] = '\0';

    if (isSuspended(path)) return;
    if (perLine) {
        open(true);  // rotated, when due, as it opens
        if (fd != -1) writeAll(fd, line, len);
        open(false);
        return;
    }
    if (fd == -1) return;
    // A file another logger rotated is followed before the line is written;
    // the line that takes the file past the limit rotates it.
    if (g_rotations.load(std::memory_order_acquire) != rotationsSeen_) rotateIfDue();
    if (fd == -1) return;
    writeAll(fd, line, len);
    size_ += static_cast<long long>(len);
    if (size_ > checkAt_) rotateIfDue();
}

std::string logPath(const char* name) {
    char path[256];
    std::snprintf(path, sizeof path, "logs/%s.log", name);
    return path;
}

void makeLogsFolder() {
    std::error_code ec;
    std::filesystem::create_directory("logs", ec);
}

LoggerBase* createLogger(const char* name) {
    if (!name || name[0] == '\0' || std::strcmp(name, "gui") == 0) return nullptr;
    return new Logger1(logPath(name), std::strcmp(name, "dbr") == 0);
}

void suspendLogs(const char* name, bool suspended) {
    if (!name) return;
    try {
        const std::string path = logPath(name);
        auto list = std::atomic_load(&g_suspended);
        for (;;) {
            auto next = std::make_shared<PathList>(list ? *list : PathList());
            next->erase(std::remove(next->begin(), next->end(), path), next->end());
            if (suspended) next->push_back(path);
            const bool any = !next->empty();
            std::shared_ptr<const PathList> replacement = std::move(next);
            if (std::atomic_compare_exchange_weak(&g_suspended, &list, replacement)) {
                g_anySuspended.store(any, std::memory_order_release);
                return;
            }
        }
    } catch (...) {  // out of memory: the log goes on being written
    }
}

void logPrintf(LoggerBase** holder, const char* fmt, ...) {
    if (!holder || !*holder) return;
    va_list args;
    va_start(args, fmt);
    (*holder)->write(fmt, args);
    va_end(args);
}

void logOneLine(const char* name, const std::string& line) {
    LoggerBase* log = createLogger(name);
    if (!log) return;
    log->open(true);
    logPrintf(&log, "%s", line.c_str());
    delete log;
}

void setLoggerClock(LoggerClockFn fn) {
    g_clock.store(fn, std::memory_order_release);
}
