#include "platform/crash_handler.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace platform {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::size_t kStackBytes = 64 * 1024;
constexpr int kMaxFrames = 64;
constexpr std::size_t kPathBytes = 4096;

char g_folder[kPathBytes];
long g_utcOffset = 0;  // seconds east of UTC, taken at install
alignas(16) char g_stack[kStackBytes];

// A small fixed buffer that async-signal-safe code can append to.
struct Line {
    char text[kPathBytes + 128];
    std::size_t n = 0;
    void add(const char* s) {
        while (*s && n + 1 < sizeof(text)) text[n++] = *s++;
        text[n] = '\0';
    }
    void number(unsigned long long v, int width = 0, int base = 10) {
        char digits[32];
        int k = 0;
        do {
            const int d = static_cast<int>(v % base);
            digits[k++] = static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
            v /= base;
        } while (v && k < 31);
        while (k < width && k < 31) digits[k++] = '0';
        while (k > 0 && n + 1 < sizeof(text)) text[n++] = digits[--k];
        text[n] = '\0';
    }
};

const char* signalName(int sig) {
    switch (sig) {
        case SIGSEGV: return "SIGSEGV";
        case SIGBUS: return "SIGBUS";
        case SIGFPE: return "SIGFPE";
        case SIGILL: return "SIGILL";
        case SIGABRT: return "SIGABRT";
        default: return "signal";
    }
}

// Civil date of a day count since 1970-01-01 (H. Hinnant's algorithm).
void civilFromDays(long long z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

void writeAll(int fd, const char* s, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, s, n);
        if (w <= 0) return;
        s += w;
        n -= static_cast<std::size_t>(w);
    }
}

void onFatalSignal(int sig, siginfo_t* info, void*) {
    const long long local = static_cast<long long>(::time(nullptr)) + g_utcOffset;
    const long long days = local >= 0 ? local / 86400 : (local - 86399) / 86400;
    const long long secs = local - days * 86400;
    int y;
    unsigned mo, d;
    civilFromDays(days, y, mo, d);

    ::mkdir(g_folder, 0755);
    Line path;
    path.add(g_folder);
    path.add("/crash-");
    path.number(static_cast<unsigned long long>(y), 4);
    path.number(mo, 2);
    path.number(d, 2);
    path.add("-");
    path.number(static_cast<unsigned long long>(secs / 3600), 2);
    path.number(static_cast<unsigned long long>(secs / 60 % 60), 2);
    path.number(static_cast<unsigned long long>(secs % 60), 2);
    path.add(".txt");

    const int fd = ::open(path.text, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        Line head;
        head.add("signal ");
        head.number(static_cast<unsigned long long>(sig));
        head.add(" (");
        head.add(signalName(sig));
        if (info && info->si_code <= 0) {  // sent (kill, raise, abort): no fault address
            head.add(")\nsent by process ");
            head.number(static_cast<unsigned long long>(info->si_pid));
        } else {
            head.add(")\naddress 0x");
            head.number(reinterpret_cast<std::uintptr_t>(info ? info->si_addr : nullptr), 0, 16);
        }
        head.add("\nbacktrace:\n");
        writeAll(fd, head.text, head.n);
        void* frames[kMaxFrames];
        const int count = ::backtrace(frames, kMaxFrames);
        ::backtrace_symbols_fd(frames, count, fd);
        ::close(fd);
    }
    // SA_RESETHAND restored the default action; the raised signal is
    // delivered when the handler returns (a fault re-faults there anyway).
    ::raise(sig);
}

}  // namespace

bool installCrashHandler(const char* folder) {
    if (!folder || !*folder) folder = "logs";
    g_folder[0] = '\0';
    if (folder[0] != '/') {
        if (!::getcwd(g_folder, sizeof(g_folder) - 1)) g_folder[0] = '\0';
        if (g_folder[0]) std::strncat(g_folder, "/", sizeof(g_folder) - std::strlen(g_folder) - 1);
    }
    std::strncat(g_folder, folder, sizeof(g_folder) - std::strlen(g_folder) - 1);

    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    if (::localtime_r(&now, &tm)) g_utcOffset = tm.tm_gmtoff;

    // backtrace() loads the unwinder on its first call, which may allocate:
    // do that now, not in the handler.
    void* warm[2];
    ::backtrace(warm, 2);

    stack_t stack{};
    stack.ss_sp = g_stack;
    stack.ss_size = sizeof(g_stack);
    const bool stackOk = ::sigaltstack(&stack, nullptr) == 0;

    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_RESETHAND | (stackOk ? SA_ONSTACK : 0);
    sigemptyset(&action.sa_mask);
    bool ok = true;
    for (int sig : kSignals) ok = ::sigaction(sig, &action, nullptr) == 0 && ok;
    return ok;
}

}  // namespace platform
