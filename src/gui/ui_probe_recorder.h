#pragma once
// UiProbeRecorder: the program's UiProbe written to a file for outside tests.
//
// Active only when KESTRUNE_UI_PROBE names a file (`fromEnvironment` returns
// null otherwise, and nothing is recorded or written).  main calls
// `beginFrame` before the Gui draws and `afterFrame` once the frame is
// rendered; at most ten times a second the file is replaced whole (never seen
// half written) by a JSON object:
//
//   {"frame": 812, "ms": 13520, "screen": "Editing",
//    "machine": {"state": 0, "text": "Idle"},
//    "slides": {"bars": 2, "keyboard": 0, "box": 0, "keypad": 0},
//    "keyboard": "1200",
//    "box": {"text": "...", "details": "...", "buttons": "OK|Cancel"},   (null while closed)
//    "items": [{"label": "Save", "text": "", "x0": 10, "y0": 20, "x1": 90, "y1": 60}, ...]}
//
// Rectangles are in window pixels; "text" is what an item shows besides its
// label (a value, "selected", a file name).  The recorder reads the interface
// and changes nothing.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "gui/ui_probe.h"
#include "machine/clock.h"

class Gui;

class UiProbeRecorder {
public:
    static constexpr std::chrono::milliseconds kMinInterval{100};

    explicit UiProbeRecorder(std::string path);
    // A recorder on $KESTRUNE_UI_PROBE; null when the variable is unset or empty.
    static std::unique_ptr<UiProbeRecorder> fromEnvironment();

    void beginFrame() { probe_.clear(); }
    // Writes the frame's record unless one was written less than
    // kMinInterval before `now`.  True when written.
    bool afterFrame(Gui& gui, Clock::time_point now);
    const std::string& path() const { return path_; }

private:
    std::string path_;
    UiProbe probe_;
    std::int64_t frames_ = 0;
    Clock::time_point start_{};
    Clock::time_point lastWrite_{};
    bool written_ = false;
    bool warned_ = false;
};

// The record of one frame as written by UiProbeRecorder (`ms` since the first frame).
std::string uiProbeRecord(Gui& gui, const UiProbe& probe, std::int64_t frame, std::int64_t ms);
// A string as a JSON string literal (quotes, backslashes and control characters
// escaped, and each byte that is no UTF-8 as the code point of that byte).
std::string jsonQuoted(const std::string& text);
