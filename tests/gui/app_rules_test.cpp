// The program entry's rules: the command line, the kiosk cursor, the end of
// the frame loop, the frame pacing and the environment switches.

#include "gui/app_rules.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using std::chrono::milliseconds;

TEST(AppRules, OnlyASoleArgumentCounts) {
    struct Case {
        std::vector<const char*> argv;
        bool kiosk, devMode;
        int pauseMs;
    };
    const Case cases[] = {
        {{"kestrune"}, false, false, 333},
        {{"kestrune", "-k"}, true, false, 333},
        {{"kestrune", "-d"}, false, true, 1},
        {{"kestrune", "-k", "-d"}, false, false, 333},
        {{"kestrune", "-d", "x"}, false, false, 333},
        {{"kestrune", "-x"}, false, false, 333},
        {{"kestrune", "-kd"}, false, false, 333},
    };
    for (const Case& c : cases) {
        const LaunchOptions o = parseArguments(static_cast<int>(c.argv.size()), c.argv.data());
        EXPECT_EQ(o.kiosk, c.kiosk) << c.argv.size();
        EXPECT_EQ(o.devMode, c.devMode) << c.argv.size();
        EXPECT_EQ(connectPauseMs(o.devMode), c.pauseMs);
    }
}

TEST(AppRules, ExitCodeEndsTheLoop) {
    struct Case {
        bool close;
        int code;
        bool runs;
    };
    for (const Case& c : {Case{false, exitcodes::kClosed, true}, Case{true, exitcodes::kClosed, false},
                          Case{false, exitcodes::kRestart, false}, Case{false, exitcodes::kExitToOs, false},
                          Case{false, exitcodes::kUpdated, false}})
        EXPECT_EQ(frameLoopContinues(c.close, c.code), c.runs) << c.close << " " << c.code;
}

// Events at millisecond times: 'm' a movement without a button, 'h' a
// movement with the left button held, 'p' a press; 'f' a frame, which
// reports the cursor change it made.
struct CursorCase {
    const char* name;
    bool kiosk;
    std::vector<std::pair<int, char>> events;
    std::string changes;  // one letter per frame: '-' none, 'H' hide, 'S' show
    bool visibleAtEnd;
};

TEST(AppRules, KioskCursor) {
    const CursorCase cases[] = {
        {"hidden from the start, six moves show it", true,
         {{0, 'f'}, {10, 'm'}, {11, 'm'}, {12, 'm'}, {13, 'm'}, {14, 'm'}, {15, 'f'}, {16, 'm'}, {17, 'f'}},
         "--S", true},
        {"drags and presses never show it", true,
         {{10, 'h'}, {11, 'h'}, {12, 'h'}, {13, 'h'}, {14, 'h'}, {15, 'h'}, {16, 'h'}, {17, 'f'},
          {20, 'm'}, {21, 'm'}, {22, 'm'}, {23, 'p'}, {24, 'm'}, {25, 'm'}, {26, 'm'}, {27, 'f'}},
         "--", false},
        // The movements count at the frame after them (5000 ms); more than
        // 10000 ms later the cursor goes.
        {"hidden again 10 s after the last movements", true,
         {{0, 'm'}, {0, 'm'}, {0, 'm'}, {0, 'm'}, {0, 'm'}, {0, 'm'}, {0, 'f'}, {5000, 'f'}, {15000, 'f'},
          {15001, 'f'}, {15002, 'f'}},
         "S--H-", false},
        {"windowed: nothing ever changes", false,
         {{0, 'f'}, {20000, 'f'}, {20001, 'm'}, {20001, 'm'}, {20001, 'm'}, {20001, 'm'}, {20001, 'm'},
          {20001, 'm'}, {20002, 'f'}},
         "---", true},
    };
    for (const CursorCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Clock::time_point t0{};
        KioskCursor cursor(c.kiosk, t0);
        std::string changes;
        for (const auto& [ms, event] : c.events) {
            const auto now = t0 + milliseconds(ms);
            if (event == 'm' || event == 'h') cursor.cursorMoved(event == 'h');
            if (event == 'p') cursor.buttonPressed();
            if (event == 'f') {
                const auto change = cursor.update(now);
                changes += change == KioskCursor::Change::Hide ? 'H' : change == KioskCursor::Change::Show ? 'S' : '-';
            }
        }
        EXPECT_EQ(changes, c.changes);
        EXPECT_EQ(cursor.visible(), c.visibleAtEnd);
    }
}

TEST(AppRules, PacingAndEnvironment) {
    using std::chrono::duration_cast;
    using std::chrono::microseconds;
    EXPECT_EQ(duration_cast<microseconds>(framePacingRest(60, milliseconds(6))).count(), 16666 - 6000);
    EXPECT_EQ(duration_cast<microseconds>(framePacingRest(0, milliseconds(6))).count(), 16666 - 6000);
    EXPECT_EQ(duration_cast<microseconds>(framePacingRest(144, milliseconds(1))).count(), 6944 - 1000);
    EXPECT_EQ(framePacingRest(60, milliseconds(40)).count(), 0);

    EXPECT_EQ(splitDriveRoots("/media/a:/mnt/b"), (std::vector<std::string>{"/media/a", "/mnt/b"}));
    EXPECT_EQ(splitDriveRoots("::/x:"), (std::vector<std::string>{"/x"}));
    EXPECT_TRUE(splitDriveRoots(nullptr).empty());

    struct Case {
        const char* value;
        int ms;
    };
    for (const Case& c : {Case{nullptr, 3000}, Case{"", 3000}, Case{"1500", 1500}, Case{"0", 0}, Case{"-5", 3000},
                          Case{"12x", 3000}, Case{"99999999999", 3000}})
        EXPECT_EQ(snapshotDelayMs(c.value), c.ms) << (c.value ? c.value : "null");
}

}  // namespace
