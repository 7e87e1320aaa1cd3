#pragma once
// Named component logs: "logs/NAME.log" in the working directory, one
// time-stamped line per call.
//
//   LoggerBase* log = createLogger("machine");   // null for "", "gui" or null
//   if (log) log->open(true);
//   logPrintf(&log, "speed %d rpm", rpm);         // nothing when log is null
//   delete log;                                   // closes the file
//
// A line is "YYYY.MM.DD hh:mm:ss:000 " + the text + "\r\n", at most 512 bytes,
// written with one write() on a file opened in append mode, so two loggers on
// the same file (from two threads) keep their lines whole.  A new or empty file
// starts with "<stamp>Log was created by: 5.137 2023/01/25\r\n".  A file
// larger than 5000000 bytes is renamed to NAME.1.log (replacing the older
// one) and a fresh file is started: on opening, and when a line takes it past
// the limit (the other loggers of the program on that file follow with their
// next line).  The folder "logs" is not created by a logger (makeLogsFolder
// makes it); without it every line is silently dropped.
//
// A logger object is used by one thread at a time (its owner's).

#include <cstdarg>
#include <ctime>
#include <string>

class LoggerBase {
public:
    virtual ~LoggerBase();
    // Formats and writes one line (printf conventions).
    virtual void write(const char* fmt, va_list args) = 0;
    // true: open the file (when closed); false: close it (when open).
    virtual void open(bool on) = 0;
};

class Logger1 : public LoggerBase {
public:
    Logger1(std::string path, bool perLine);
    ~Logger1() override;
    Logger1(const Logger1&) = delete;
    Logger1& operator=(const Logger1&) = delete;

    void write(const char* fmt, va_list args) override;
    void open(bool on) override;

    // Opens `path` for appending (created when missing).  With allowRotate a
    // file over 5000000 bytes is first renamed to NAME.1.log.  Returns the
    // descriptor or -1.
    int openRotated(bool allowRotate);

    int fd = -1;           // -1 while closed
    std::string path;      // "logs/NAME.log"
    bool perLine = false;  // opened and closed around every line ("dbr" only)

private:
    // Reopens the file when it is over the limit (renaming it) or another
    // logger renamed it.
    void rotateIfDue();

    long long size_ = 0;     // of the open file, as far as this logger knows
    long long checkAt_ = 0;  // the size past which the file is looked at again
    unsigned rotationsSeen_ = 0;
};

// Null for a null name, "" and "gui"; otherwise a closed logger on "logs/NAME.log".
LoggerBase* createLogger(const char* name);
// "logs/NAME.log": the file of the log `name`.
std::string logPath(const char* name);
// Makes the folder "logs" when it is missing; a folder it cannot make leaves
// the lines dropped, as before.
void makeLogsFolder();

// Suspends (true) or resumes the lines of every logger of one name, whoever
// owns it and on whatever thread it writes: while suspended its lines are
// dropped and its file is left as it is (the log archive copies it then).
// The file is not closed, so a writer on another thread never meets a closed
// or reused descriptor.  The writers may be on any thread; the calls of
// suspendLogs come from one thread at a time.
void suspendLogs(const char* name, bool suspended);

// Writes one line through *holder; does nothing when *holder (or holder) is null.
void logPrintf(LoggerBase** holder, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// One line in the log `name` by a logger made for it alone: for work that
// belongs to no component with a log of its own (a settings load, an update's
// unpacking and its notes, start-up).
void logOneLine(const char* name, const std::string& line);

// Program version and build date written in the first line of every new log.
inline constexpr const char* kProgramVersion = "5.137";
inline constexpr const char* kProgramBuildDate = "2023/01/25";

// Test seam: the time source of the stamps (calendar seconds, converted to
// local time).  Null restores the system clock.
using LoggerClockFn = std::time_t (*)();
void setLoggerClock(LoggerClockFn fn);
