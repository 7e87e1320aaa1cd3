#include "gui/app_rules.h"

#include <charconv>
#include <cstring>

int exitCode = exitcodes::kClosed;

namespace {
constexpr int kDevConnectPauseMs = 1;
constexpr int kConnectPauseMs = 333;
constexpr int kMovesToShow = 5;
constexpr std::int64_t kHideAfterMs = 10000;
constexpr int kDefaultRefreshHz = 60;
constexpr int kDefaultSnapshotMs = 3000;
}  // namespace

LaunchOptions parseArguments(int argc, const char* const* argv) {
    LaunchOptions options;
    if (argc != 2 || !argv || !argv[1]) return options;
    options.kiosk = std::strcmp(argv[1], "-k") == 0;
    options.devMode = std::strcmp(argv[1], "-d") == 0;
    return options;
}

int connectPauseMs(bool devMode) { return devMode ? kDevConnectPauseMs : kConnectPauseMs; }

bool frameLoopContinues(bool closeRequested, int code) { return !closeRequested && code == exitcodes::kClosed; }

KioskCursor::Change KioskCursor::update(TimePoint now) {
    if (!kiosk_) return Change::None;
    if (visible_) {
        if (moves_ > kMovesToShow) {
            lastMove_ = now;
            moves_ = 0;
        } else if (std::chrono::duration_cast<std::chrono::milliseconds>(now - lastMove_).count() > kHideAfterMs) {
            visible_ = false;
            return Change::Hide;
        }
        return Change::None;
    }
    if (moves_ > kMovesToShow) {
        visible_ = true;
        lastMove_ = now;
        return Change::Show;
    }
    return Change::None;
}

Clock::duration framePacingRest(int refreshHz, Clock::duration spent) {
    const int hz = refreshHz > 0 ? refreshHz : kDefaultRefreshHz;
    const Clock::duration period = std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / hz;
    return spent < period ? period - spent : Clock::duration::zero();
}

std::vector<std::string> splitDriveRoots(const char* value) {
    std::vector<std::string> roots;
    if (!value) return roots;
    const char* start = value;
    for (const char* p = value;; ++p) {
        if (*p == ':' || *p == '\0') {
            if (p > start) roots.emplace_back(start, p);
            if (*p == '\0') break;
            start = p + 1;
        }
    }
    return roots;
}

int snapshotDelayMs(const char* value) {
    if (!value || !*value) return kDefaultSnapshotMs;
    int ms = 0;
    const char* end = value + std::strlen(value);
    const auto [ptr, ec] = std::from_chars(value, end, ms);
    if (ec != std::errc() || ptr != end || ms < 0) return kDefaultSnapshotMs;
    return ms;
}
