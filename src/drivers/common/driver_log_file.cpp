#include "drivers/common/driver_log_file.h"

#include <clocale>
#include <cstdarg>
#include <cstring>
#include <locale.h>

#include "drivers/common/driver_timing.h"

namespace drivers {

namespace {

const char kStartTag[] = " Logger Start\n";
const char kStopTag[] = " Logger Stop\n";
const char kErrorTag[] = " [Error]       ";
const char kInformationTag[] = " [Information] ";
static_assert(sizeof(kErrorTag) - 1 == DriverLogFile::tagLength, "tag width");
static_assert(sizeof(kInformationTag) - 1 == DriverLogFile::tagLength, "tag width");

int clampField(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Writes the timestamp of `t` into out (24 bytes), fields clamped to their widths.
void formatTimestamp(const LocalTime& t, char* out) {
    std::snprintf(out, DriverLogFile::timestampLength + 1, "%04d.%02d.%02d %02d:%02d:%02d.%03d",
                  clampField(t.year, 0, 9999), clampField(t.month, 0, 99), clampField(t.day, 0, 99),
                  clampField(t.hour, 0, 99), clampField(t.minute, 0, 99), clampField(t.second, 0, 99),
                  clampField(t.millisecond, 0, 999));
}

locale_t cLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return loc;
}

}  // namespace

DriverLogFile::~DriverLogFile() {
    if (file_) std::fclose(file_);
}

void DriverLogFile::start(const std::string& path, std::uint32_t level) {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    level_ = level;
    if (form_ == Form::welding && level == 0) return;
    file_ = std::fopen(path.c_str(), "ab");
    if (!file_) return;
    char line[64];
    timestamp(line);
    std::memcpy(line + timestampLength, kStartTag, sizeof(kStartTag));
    std::fwrite(line, 1, timestampLength + sizeof(kStartTag) - 1, file_);
    if (form_ == Form::welding) std::fflush(file_);
}

void DriverLogFile::stop() {
    if (!file_) return;
    char line[64];
    timestamp(line);
    std::memcpy(line + timestampLength, kStopTag, sizeof(kStopTag));
    std::fwrite(line, 1, timestampLength + sizeof(kStopTag) - 1, file_);
    std::fclose(file_);
    file_ = nullptr;
}

void DriverLogFile::writeError(const char* text) {
    if (!file_ || level_ == 0) return;
    writeLine(kErrorTag, text);
}

void DriverLogFile::writeInformation(const char* text) {
    if (!file_ || level_ < 2) return;
    writeLine(kInformationTag, text);
}

void DriverLogFile::writeLine(const char* tag, const char* text) {
    char line[lineBufferSize];
    timestamp(line);
    std::memcpy(line + timestampLength, tag, tagLength);
    std::size_t n = timestampLength + tagLength;
    const std::size_t len = text ? std::strlen(text) : 0;
    if (len <= maxTextLength) {
        std::memcpy(line + n, text, len);
        n += len;
    } else {
        // Cut: keep what fits and end the line with its line feed.
        std::memcpy(line + n, text, maxTextLength - 1);
        n += maxTextLength - 1;
        line[n++] = '\n';
    }
    line[n] = '\0';
    if (holding_) {
        held_.append(line, n);
        return;
    }
    std::fwrite(line, 1, n, file_);
    if (form_ == Form::welding) std::fflush(file_);
}

void DriverLogFile::hold() { holding_ = true; }

void DriverLogFile::releaseHeld(bool keep) {
    holding_ = false;
    if (keep && file_ && !held_.empty()) {
        std::fwrite(held_.data(), 1, held_.size(), file_);
        if (form_ == Form::welding) std::fflush(file_);
    }
    held_.clear();
}

void DriverLogFile::dateString(char* out) {
    const LocalTime t = driverTiming().localNow();
    std::snprintf(out, 11, "%04d.%02d.%02d", clampField(t.year, 0, 9999), clampField(t.month, 0, 99),
                  clampField(t.day, 0, 99));
}

std::string DriverLogFile::dateString() {
    char buf[16];
    dateString(buf);
    return buf;
}

void DriverLogFile::timestamp(char* out) { formatTimestamp(driverTiming().localNow(), out); }

std::string DriverLogFile::timestamp() {
    char buf[32];
    timestamp(buf);
    return buf;
}

std::string cformat(const char* pattern, ...) {
    const locale_t c = cLocale();
    const locale_t old = c ? uselocale(c) : static_cast<locale_t>(0);
    char small[256];
    va_list args;
    va_start(args, pattern);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(small, sizeof small, pattern, args);
    va_end(args);
    std::string result;
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof small) {
        result.assign(small, static_cast<std::size_t>(n));
    } else if (n >= 0) {
        result.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(&result[0], result.size(), pattern, copy);
        result.resize(static_cast<std::size_t>(n));
    }
    va_end(copy);
    if (c) uselocale(old);
    return result;
}

}  // namespace drivers
