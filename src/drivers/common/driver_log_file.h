#pragma once
// Dated text log of the USB drivers.
//
// Each line: local timestamp "YYYY.MM.DD hh:mm:ss.mmm", a tag, and the
// caller's text unchanged (the caller ends it with '\n').  Levels:
//   0  only the start and stop lines,
//   1  error lines as well,
//   2+ error and information lines.
// Error and information lines are composed in a 256-byte buffer and written
// with one fwrite; a text too long for it is cut so that the line still ends
// with a line feed.
//
// Two forms:
//   Form::measuring (default): opened at every level, nothing flushed.
//   Form::welding: at level 0 no file is opened at all; every line is
//   flushed as soon as it is written.
//
// The clock is driverTiming().localNow() (driver_timing.h), so tests pin it.
// Not locked: each line is a single fwrite, which stdio keeps whole.

#include <cstdint>
#include <cstdio>
#include <string>

namespace drivers {

class DriverLogFile {
public:
    enum class Form { measuring, welding };

    static constexpr std::size_t lineBufferSize = 256;
    static constexpr std::size_t timestampLength = 23;
    static constexpr std::size_t tagLength = 15;
    // Longest text that fits whole: 256 - 23 - 15 - 1 = 217 characters.
    static constexpr std::size_t maxTextLength = lineBufferSize - timestampLength - tagLength - 1;

    explicit DriverLogFile(Form form = Form::measuring) : form_(form) {}
    ~DriverLogFile();  // closes the file without the stop line when still open
    DriverLogFile(const DriverLogFile&) = delete;
    DriverLogFile& operator=(const DriverLogFile&) = delete;

    // Opens `path` for appending ("ab") and writes the start line.
    void start(const std::string& path, std::uint32_t level);
    bool isOpen() const { return file_ != nullptr; }
    // Writes the stop line and closes the file (when open).
    void stop();

    void writeError(const char* text);
    void writeInformation(const char* text);
    void writeError(const std::string& text) { writeError(text.c_str()); }
    void writeInformation(const std::string& text) { writeInformation(text.c_str()); }

    std::uint32_t level() const { return level_; }
    Form form() const { return form_; }

    // Error and information lines written between hold() and releaseHeld()
    // are kept back, each with its own time stamp; releaseHeld writes them
    // (keep true) or drops them (a caller that finds them repeating itself).
    void hold();
    void releaseHeld(bool keep);

    // Today's local date "YYYY.MM.DD" (10 characters + zero; out must hold 11).
    static void dateString(char* out);
    static std::string dateString();
    // Now as "YYYY.MM.DD hh:mm:ss.mmm" (23 characters + zero; out must hold 24).
    static void timestamp(char* out);
    static std::string timestamp();

private:
    void writeLine(const char* tag, const char* text);

    Form form_;
    std::FILE* file_ = nullptr;
    std::uint32_t level_ = 0;
    bool holding_ = false;
    std::string held_;
};

// printf-style formatting in the C numeric locale, whatever the process
// locale (log lines always use '.' as decimal point).  Never fails: an
// encoding error yields an empty text.
std::string cformat(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

}  // namespace drivers
