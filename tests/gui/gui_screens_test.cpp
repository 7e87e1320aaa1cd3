// Screen switching: the back stack with its data objects, switches held by
// the keyboard and by the bars, and the layout values of every frame.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "support/gui_harness.h"
#include "texts/text_ids.h"

namespace {

// A data object that counts the live ones.
struct CountedData : Gui::ActiveData {
    static int alive;
    CountedData() { ++alive; }
    ~CountedData() override { --alive; }
};
int CountedData::alive = 0;

// Test screens 'A', 'B', 'C': each creates its data on its first frame,
// remembers the first one it made, and keeps the slides going.
struct Screens {
    std::map<char, Gui::ActiveData*> first;
    char shown = 'H';

    Gui::Screen make(char name) {
        return [this, name](Gui& g) {
            if (!g._data) {
                g._data = new CountedData();
                if (!first.count(name)) first[name] = g._data;
            }
            shown = name;
            g.drawFrame(false, nullptr);
        };
    }
};

struct StackStep {
    const char* op;  // "A+" switch with push, "B" without, "<" back, "H" home
    char shows;      // screen drawn afterwards ('H' home)
    int alive;       // data objects alive
    bool original;   // the shown screen has the data object it made first
};

struct StackCase {
    const char* name;
    std::vector<StackStep> steps;
};

class GuiCoreStack : public ::testing::TestWithParam<StackCase> {};

TEST_P(GuiCoreStack, KeepsDataWhileRemembered) {
    CountedData::alive = 0;
    {
        GuiHarness h;
        Screens screens;
        h.frame();
        for (const StackStep& step : GetParam().steps) {
            const std::string op = step.op;
            if (op == "<")
                h.gui().back();
            else if (op == "H")
                h.gui().setScreen(true, Gui::Screen{});
            else
                h.gui().setScreen(op.size() > 1, screens.make(op[0]));
            screens.shown = 'H';
            h.run(400);  // every slide ends
            SCOPED_TRACE(op);
            EXPECT_EQ(h.gui().onHomeScreen() ? 'H' : screens.shown, step.shows);
            EXPECT_EQ(CountedData::alive, step.alive);
            if (step.shows != 'H') {
                EXPECT_EQ(step.original, h.gui()._data == screens.first[step.shows]);
            }
        }
    }
    EXPECT_EQ(CountedData::alive, 0);
}

INSTANTIATE_TEST_SUITE_P(
    GuiCore, GuiCoreStack,
    ::testing::Values(
        StackCase{"PushPushBackBack",
                  {{"A+", 'A', 1, true}, {"B+", 'B', 2, true}, {"<", 'A', 1, true}, {"<", 'H', 0, false}}},
        StackCase{"SwitchWithoutPushForgetsTheCurrent",
                  {{"A+", 'A', 1, true}, {"B+", 'B', 2, true}, {"C", 'C', 2, true}, {"<", 'A', 1, true}}},
        StackCase{"HomeDeletesEverythingRemembered",
                  {{"A+", 'A', 1, true}, {"B+", 'B', 2, true}, {"C+", 'C', 3, true}, {"H", 'H', 0, false}}},
        StackCase{"BackWithNothingRememberedGoesHome", {{"A", 'A', 1, true}, {"<", 'H', 0, false}}}),
    [](const auto& info) { return std::string(info.param.name); });

// A switch waits while the keyboard is up in a mode with keys, and a switch
// home waits for the bars to slide out.
TEST(GuiCoreHeldSwitch, WaitsForKeyboardAndBars) {
    struct Case {
        const char* name;
        int keyboardMode;  // -1: no keyboard
        bool toHome;
        int msStillHeld;
        int msSwitched;
    };
    const Case cases[] = {
        {"keyboard with keys holds until it has slid out", 7, false, 1000, 1400},
        {"keyboard of a box entry does not hold", 0, false, -1, 50},
        {"home waits for the bars", -1, true, 250, 340},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuiHarness h;
        Screens screens;
        h.gui().setScreen(true, screens.make('A'));
        h.run(400);
        if (c.keyboardMode >= 0) {
            h.gui()._keyboardMode = c.keyboardMode;
            h.gui()._keyboardState = 2;
        }
        const auto start = h.clock().nowMs();
        h.gui().setScreen(true, c.toHome ? Gui::Screen{} : screens.make('B'));
        auto switched = [&] { return c.toHome ? h.gui().onHomeScreen() : screens.shown == 'B'; };
        if (c.msStillHeld >= 0) {
            h.run(c.msStillHeld);
            EXPECT_FALSE(switched());
        }
        if (c.keyboardMode > 0) h.gui().closeKeyboard();
        while (!switched() && h.clock().nowMs() - start < 5000) h.frame();
        EXPECT_TRUE(switched());
        EXPECT_LE(h.clock().nowMs() - start, c.msSwitched);
    }
}

TEST(GuiCoreHeldSwitch, FirstFrameAfterASwitchIsMarked) {
    GuiHarness h;
    Screens screens;
    std::vector<bool> changed;
    h.gui().setScreen(true, [&](Gui& g) { changed.push_back(g._screenChanged); });
    h.frame(3);
    EXPECT_EQ(changed, (std::vector<bool>{true, false, false}));
}

TEST(GuiCoreLayout, ValuesFollowWidthInterfaceAndPlanes) {
    struct Case {
        float width;
        TextId interfaceType;
        int planes;
        float margin;
        int columns;
        float columnWidth;
        float leftRest;
    };
    const float h = 800;
    const Case cases[] = {
        {1000, settings_choice::kVertical, 2, 32, 2, (1000 - 64) / 3.0f, 32},
        {1001, settings_choice::kVertical, 2, 60, 2, (1001 - 120) / 3.0f, 60},
        {1001, settings_choice::kConsole, 0, 60, 2, (1001 - 120) / 3.0f, 60},
        {1280, settings_choice::kHorizontal, 4, 60, 4, (1280 - 120) / 4.0f, 60},
        {1280, settings_choice::kHorizontal, 0, 60, 0, 1280 - 120, 640},
        {900, settings_choice::kHorizontal, 3, 32, 3, (900 - 64) / 3.0f, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " " << c.interfaceType << " " << c.planes);
        GuiHarness g(c.width, h);
        g.gui()._config->machineInterface = c.interfaceType;
        g.gui()._rotor->clearPlanes();
        for (int p = 1; p <= c.planes; ++p) g.gui()._rotor->insertPlane(p);
        g.frame();
        const Gui& gui = g.gui();
        EXPECT_EQ(gui._screenWidth, c.width);
        EXPECT_EQ(gui._upperHeight, h - 334);
        EXPECT_EQ(gui._margin, c.margin);
        EXPECT_EQ(gui._columnCount, c.columns);
        EXPECT_FLOAT_EQ(gui._columnWidth, c.columnWidth);
        EXPECT_FLOAT_EQ(gui._leftRest, c.leftRest);
        EXPECT_FLOAT_EQ(gui._rightRest, gui._leftRest);
        if (c.interfaceType != settings_choice::kHorizontal) {
            EXPECT_EQ(gui._midHeight, (h - 123) / 2);
            EXPECT_FLOAT_EQ(gui._columnPitch, c.columnWidth + 50);
        }
    }
}

TEST(GuiCoreSlides, BlinkAndBarOffsetFollowTheMonotonicClock) {
    GuiHarness h;
    Gui& gui = h.gui();
    gui.startFrame();
    gui._transitionTime = gui._frameTime;
    gui._barState = 1;
    h.advance(150);
    gui.startFrame();
    EXPECT_FLOAT_EQ(gui.barOffset(gui._barState), 0.5f);
    EXPECT_EQ(gui._barState, 1);
    h.setWallTime(GuiHarness::kStartWall - 3600);  // the wall clock set back changes nothing
    h.advance(150);
    gui.startFrame();
    EXPECT_FLOAT_EQ(gui.barOffset(gui._barState), 0.0f);
    EXPECT_EQ(gui._barState, 2);
    const bool first = gui.blink();
    h.advance(500);
    gui.startFrame();
    EXPECT_NE(gui.blink(), first);
}

}  // namespace
