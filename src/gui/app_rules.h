#pragma once
// The program entry's decisions, as plain functions the tests can reach:
// the command line, the exit codes, the kiosk cursor, the frame pacing, and
// the environment switches of the program.  The window code (app/main.cpp and
// gui/gl) only carries them out.

#include <chrono>
#include <string>
#include <vector>

#include "machine/clock.h"

// The process's exit code; set during a frame (settings screen), it ends the
// frame loop before the next frame and is returned by main.
extern int exitCode;

namespace exitcodes {
constexpr int kClosed = 0;       // the window was closed
constexpr int kStartFailed = 1;  // the windowing library or the window could not start
constexpr int kRestart = 10;     // "Restart": the launcher starts the program again
constexpr int kExitToOs = 33;    // "Exit to OS"
constexpr int kUpdated = 34;     // an update was unpacked into "kestrune.new"
}  // namespace exitcodes

namespace appwindow {
constexpr int kStartWidth = 1280;
constexpr int kStartHeight = 960;
constexpr int kMinWidth = 790;  // also the size of the window F11 gives back
constexpr int kMinHeight = 540;
constexpr int kWindowedX = 30;
constexpr int kWindowedY = 30;
constexpr const char* kTitle = "KESTRUNE";
constexpr const char* kPreviousExecutable = "kestrune.old";
}  // namespace appwindow

// Only a sole argument counts: "-k" kiosk (full screen, hidden cursor), "-d"
// developer mode (short connect pause, no "Demo" badge).
struct LaunchOptions {
    bool kiosk = false;
    bool devMode = false;
};
LaunchOptions parseArguments(int argc, const char* const* argv);

// The machine's pause between connection attempts.
int connectPauseMs(bool devMode);

// The frame loop runs while the window is not asked to close and no exit
// code is set.
bool frameLoopContinues(bool closeRequested, int code);

// The kiosk cursor: hidden from the start; more than five movements without
// a button held show it; more than 10000 ms without such movements hide it
// again.  Presses (touches) reset the count, so touching never shows it.
class KioskCursor {
public:
    enum class Change { None, Hide, Show };
    using TimePoint = Clock::time_point;

    KioskCursor(bool kiosk, TimePoint now) : kiosk_(kiosk), visible_(!kiosk), lastMove_(now) {}

    void buttonPressed() { moves_ = 0; }
    void cursorMoved(bool leftButtonHeld) {
        if (!leftButtonHeld) ++moves_;
    }
    // Once per frame; what to do with the cursor now (nothing outside kiosk mode).
    Change update(TimePoint now);
    bool visible() const { return visible_; }

private:
    bool kiosk_;
    bool visible_;
    int moves_ = 0;
    TimePoint lastMove_;
};

// How long to wait after a frame that took `spent`, so that frames come no
// faster than the monitor's refresh rate (60 Hz when it is unknown): the
// swap interval alone does not pace a virtual X server.
Clock::duration framePacingRest(int refreshHz, Clock::duration spent);

// KESTRUNE_DRIVE_ROOTS: folders taken for removable drives, ':' between them.
std::vector<std::string> splitDriveRoots(const char* value);

// KESTRUNE_SNAPSHOT_MS: when the snapshot is taken after start (default 3000).
int snapshotDelayMs(const char* value);
