// The Measuring screen over a FakeMachine with scripted states and real
// rotors: the first frame per mode, the run's timeline and the return, a
// machine error, the previous row and the result rows, the signal boxes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/screens/measuring.h"
#include "machine/machine_codes.h"
#include "records/settings_records.h"
#include "rotor/polar.h"
#include "support/gui_harness.h"
#include "support/rotor_builder.h"
#include "support/work_dir.h"
#include "texts/texts.h"

namespace {

using rotorbuild::PlaneSetup;
using rotorbuild::RotorBuilder;

// A caller screen that pushes the Measuring screen, over a rotor made by `build`.
struct Rig {
    testwd::WorkDir dir{"ks_measuring", testwd::Logs::folder};
    GuiHarness h;
    Gui& g;
    FakeMachine& m;

    explicit Rig(const std::function<void(RotorBuilder&)>& build = {}, float height = 960, float width = 1280,
                 bool english = true)
        : h(width, height, english), g(h.gui()), m(h.machine()) {
        RotorBuilder b("M");
        if (build) build(b); else b.planes(2).speed(1500);
        g.replaceRotor(b.load(g._config).release());
        g._rotor->startSession();
        g.setScreen(true, [](Gui&) {});  // the calling screen
        h.frame();
        m.calls.clear();
    }
    void open(int mode, int mask = -1) {
        m.resetResults();
        g._icRunMask = mask;
        g._resultsExpected = mode == MeasuringMode::kRun;
        g._measuringMode = mode;
        g.setScreen(true, &Gui::measuring);
        h.frame(2);
    }
    bool measuring() const { return g.currentScreen() == Gui::ScreenId::Measuring; }
    MeasuringData::Data& d() { return dynamic_cast<MeasuringData::Data&>(*g._data); }
    // One ring row: a pair (amplitude, degrees) per channel; the machine counts it.
    void result(const std::vector<std::pair<double, double>>& pairs) {
        for (std::size_t k = 0; k < pairs.size(); ++k)
            g._rotor->addMeasureResult(pairs[k].first, polar::toRadians(pairs[k].second), pairs[k].second, 1,
                                       static_cast<int>(k));
        ++m.resultCount;
    }
    bool drew(const std::string& text) const {
        for (const UiItem& i : h.probe().items())
            if (i.label.empty() && i.text == text) return true;
        return false;
    }
    int count(const std::string& label) const {
        int n = 0;
        for (const UiItem& i : h.probe().items()) n += i.label == label;
        return n;
    }
    std::string log() const { return testwd::readFile("logs/measuring.log"); }
};

std::vector<std::string> machineCalls(const FakeMachine& m) {
    std::vector<std::string> out;
    for (const std::string& c : m.calls)
        if (c.rfind("setRotor", 0) == 0 || c.rfind("setSpeed", 0) == 0 || c.rfind("start", 0) == 0)
            out.push_back(c);
    return out;
}

TEST(MeasuringScreenOpening, EachModeStartsItsProcessABusyMachineNone) {
    struct Case {
        int mode, state;
        std::vector<std::string> calls;  // none: refused
        bool refused = false;            // the start itself refused, as by a busy machine
    } cases[] = {
        {MeasuringMode::kRun, MachineState::kIdle, {"setRotor", "setSpeed(1500,0)", "startProcess(7)"}},
        {MeasuringMode::kTest, MachineState::kIdle, {"setRotor", "startProcess(9)"}},
        {MeasuringMode::kAutosetting, MachineState::kIdle, {"setRotor", "setSpeed(1000,0)", "startProcess(6)"}},
        {MeasuringMode::kRun, MachineState::kAscending, {}},
        {MeasuringMode::kRun, MachineState::kIdle, {"setRotor", "setSpeed(1500,0)", "startProcess(7)"}, true},
    };
    for (const Case& c : cases) {
        Rig r;
        r.m.state = c.state;
        r.m.refuseStarts = c.refused;
        r.m.calls.clear();
        r.open(c.mode);
        EXPECT_EQ(machineCalls(r.m), c.calls) << c.mode;
        EXPECT_EQ(r.measuring(), !c.calls.empty() && !c.refused) << c.mode;
        if (c.calls.empty() || c.refused) {
            EXPECT_EQ(r.g._modalText, "Wait, initialization in process ...");
            continue;
        }
        EXPECT_EQ(r.m.rotor, r.g._rotor);
        EXPECT_NE(r.log().find("starting\r\n"), std::string::npos);
    }
}

// The run's states one after another; the screen stays until 4.001 s after
// it was opened and the machine is idle, however early that is.
TEST(MeasuringScreenReturn, WaitsForIdleAndFourSeconds) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> timeline;  // state, ms
    } cases[] = {
        {"refused start", {{MachineState::kIdle, 0}}},
        {"short run",
         {{MachineState::kAscending, 300}, {MachineState::kMeasuring, 1000}, {MachineState::kIdle, 0}}},
        {"whole run",
         {{MachineState::kAscending, 1000},
          {MachineState::kBeginPrompt, 500},
          {MachineState::kMeasuring, 2000},
          {MachineState::kDescending, 1000},
          {MachineState::kIdle, 0}}},
    };
    for (const Case& c : cases) {
        Rig r;
        r.open(MeasuringMode::kRun);
        const std::int64_t opened = r.h.clock().nowMs() - 2 * GuiHarness::kFrameMs;
        for (const auto& [state, ms] : c.timeline) {
            r.m.state = state;
            if (state == MachineState::kBeginPrompt) {
                r.h.frame();
                ASSERT_TRUE(r.h.tap("Begin")) << c.name;
                EXPECT_EQ(r.m.count("confirmStart"), 1);
            }
            if (state == MachineState::kMeasuring) r.result({{1.5, 90}, {2.5, 0}});
            r.h.run(ms);
            EXPECT_TRUE(r.measuring()) << c.name << " state " << state;
        }
        const std::int64_t idle = r.h.clock().nowMs() - opened;
        while (r.measuring() && r.h.clock().nowMs() - opened < 8000) r.h.frame();
        const std::int64_t left = r.h.clock().nowMs() - opened;
        const std::int64_t earliest = std::max<std::int64_t>(4001, idle);
        EXPECT_GE(left, earliest) << c.name;
        EXPECT_LE(left, earliest + 3 * GuiHarness::kFrameMs) << c.name;
        EXPECT_NE(r.log().find("Exit after 2sec 0"), std::string::npos) << c.name;
        EXPECT_EQ(r.g._modalButtons, "OK");
        EXPECT_TRUE(r.g._resultsExpected) << "the caller evaluates";
    }
}

TEST(MeasuringScreenReturn, MachineErrorIsShownOnceAndTheReturnFollowsItsOk) {
    Rig r;
    r.open(MeasuringMode::kRun);
    r.m.state = MachineState::kMeasuring;
    r.m.result = MachineError::kSpeedNotReached;
    r.m.errorTitle = "Error!";
    r.m.errorMessage = "Speed not reached (9903)";
    r.h.frame();
    EXPECT_EQ(r.g._modalText, "Error!");
    EXPECT_EQ(r.g._modalDetails, "Speed not reached (9903)");
    EXPECT_TRUE(r.d().stopped);
    EXPECT_EQ(r.d().buttonState, 0.0f);
    r.m.state = MachineState::kIdle;
    r.h.run(6000);
    EXPECT_TRUE(r.measuring()) << "no return while the box is open";
    EXPECT_EQ(r.d().buttonState, 0.0f) << "the switch stays locked at rest";
    EXPECT_EQ(r.m.count("stop"), 1);
    ASSERT_TRUE(r.h.tap("OK"));
    r.h.run(4100);  // the box's slide restarts the screen's wait
    EXPECT_FALSE(r.measuring());
    EXPECT_EQ(r.m.count("stop"), 1);
}

TEST(MeasuringScreenReturn, HomeStopsTheRunAndDropsItsResults) {
    Rig r;
    r.open(MeasuringMode::kRun);
    r.m.state = MachineState::kAscending;
    r.g.pressHome();
    r.h.run(400);
    EXPECT_TRUE(r.g.onHomeScreen());
    EXPECT_FALSE(r.g._resultsExpected);
    EXPECT_EQ(r.m.count("stop"), 1);
}

// ---- the table ---------------------------------------------------------------------------

TEST(MeasuringScreenTable, PreviousRow) {
    auto withRun = [](RotorBuilder& b) {
        b.planes(2).speed(1500).run({{{3.25, 40, 0, 0}, {4.5, 80, 0, 0}}, 1674640000, "", "run 1"});
    };
    auto noRun = [](RotorBuilder& b) { b.planes(2).speed(1500); };
    struct Case {
        const char* name;
        std::function<void(RotorBuilder&)> rotor;
        int mode, mask;
        const char* label;  // null: none
    } cases[] = {
        {"no run yet", noRun, MeasuringMode::kRun, -1, nullptr},
        {"after a run", withRun, MeasuringMode::kRun, -1, "prev."},
        {"test mode", withRun, MeasuringMode::kTest, -1, nullptr},
        {"influence, no reference yet", noRun, MeasuringMode::kRun, 2, nullptr},
        {"influence, reference measured", noRun, MeasuringMode::kRun, 3, "no m."},
    };
    for (const Case& c : cases) {
        Rig r(c.rotor);
        r.open(c.mode, c.mask);
        r.m.state = MachineState::kMeasuring;
        r.h.frame();
        EXPECT_EQ(r.d().hasPreviousRow, c.label != nullptr) << c.name;
        EXPECT_EQ(r.d().rows.size(), c.label ? 2u : 0u) << c.name;
        const std::string label = c.label ? c.label : "";
        EXPECT_EQ(r.drew("prev."), label == "prev.") << c.name;
        EXPECT_EQ(r.drew("no m."), label == "no m.") << c.name;
        EXPECT_EQ(r.drew("3.25") && r.drew("80.0°"), label == "prev.")
            << c.name << ": the last run's vibration";
    }
}

// The previous row's longer label, in both languages and a narrow window too:
// inside the window and clear of its row's values.
TEST(MeasuringScreenTable, PreviousRowLabelFitsBeforeItsValues) {
    for (const bool english : {true, false})
        for (const float width : {1280.f, 800.f}) {
            Rig r({}, 960, width, english);
            r.open(MeasuringMode::kRun, 3);  // a trial run after the coefficients' reference run
            r.m.state = MachineState::kMeasuring;
            r.h.frame();
            const std::string text = english ? "no m." : "нет изм.";
            const auto& items = r.h.probe().items();
            const auto label =
                std::find_if(items.begin(), items.end(), [&](const UiItem& i) { return i.text == text; });
            ASSERT_NE(label, items.end()) << text;
            EXPECT_GE(label->min.x, 0) << text << " " << width;
            for (const UiItem& i : items)
                if (&i != &*label && i.min.y == label->min.y) { EXPECT_LT(label->max.x, i.min.x) << text << i.text; }
        }
}

TEST(MeasuringScreenTable, NewestRowsUnderThePreviousOneWithMirroredAngles) {
    Rig r([](RotorBuilder& b) {
        b.planes(2).speed(1500).run({{{7.5, 10, 0, 0}, {7.5, 10, 0, 0}}, 1674640000, "", "run 1"});
    });
    r.open(MeasuringMode::kRun);
    r.m.state = MachineState::kMeasuring;
    for (int i = 1; i <= 20; ++i) r.result({{i, i == 1 ? 0.0 : 90.0}, {i + 0.5, 359.0}});
    r.h.frame();
    EXPECT_EQ(r.d().resultsTaken, 20);
    ASSERT_EQ(r.d().rows.size(), 42u);  // two pairs a row: the previous row and twenty
    EXPECT_EQ(r.d().rows[2], (MeasuringData::Pair(1, 0))) << "0 stays 0";
    EXPECT_EQ(r.d().rows[4], (MeasuringData::Pair(2, 270))) << "mirrored";
    EXPECT_NEAR(r.d().rows[5].second, 1, 1e-9);
    // The labels from top to bottom: the previous row, then the newest rows in order.
    std::vector<std::string> labels;
    for (const UiItem& i : r.h.probe().items())
        if (i.label.empty() &&
            (i.text == "prev." || (!labels.empty() && std::isdigit(static_cast<unsigned char>(i.text[0])) &&
                                   i.text.find('.') == std::string::npos)))
            labels.push_back(i.text);
    ASSERT_GE(labels.size(), 3u);
    EXPECT_EQ(labels.front(), "prev.");
    EXPECT_EQ(labels.back(), "20");
    EXPECT_EQ(std::stoi(labels[1]) + static_cast<int>(labels.size()) - 2, 20)
        << "consecutive, the newest last";
    EXPECT_LT(labels.size(), 21u) << "only the rows that fit";
    EXPECT_NE(r.log().find("n_results: 20 -> 0"), std::string::npos);
}

// ---- the signals ---------------------------------------------------------------------------

TEST(MeasuringScreenSignals, ShownAlwaysOrAtStandstill) {
    struct Case {
        bool always;
        double speed;
        bool shown;
    } cases[] = {{true, 1500, true}, {false, 1500, false}, {false, 0, true}, {false, 0.5, false}};
    for (const Case& c : cases) {
        Rig r;
        r.g._config->alwaysShowSignals = c.always;
        r.m.samples.assign(256 * 3, 100);
        r.open(MeasuringMode::kRun);
        r.m.state = MachineState::kMeasuring;
        r.m.speed = c.speed;
        r.h.frame();
        EXPECT_EQ(r.count("signal box"), c.shown ? 2 : 0) << c.always << " " << c.speed;
    }
}

TEST(MeasuringScreenSignals, BoxPlaces) {
    struct Case {
        const char* name;
        TextId layout;
        std::function<void(RotorBuilder&)> rotor;
        int boxes;
    } cases[] = {
        {"horizontal", settings_choice::kHorizontal, [](RotorBuilder& b) { b.planes(2); }, 2},
        {"vertical", settings_choice::kVertical, [](RotorBuilder& b) { b.planes(2); }, 2},
        {"a plane on two channels", settings_choice::kHorizontal,
         [](RotorBuilder& b) { b.plane({100, 0, 0, 0, 0, 0, 1, 3}).plane({100, 0, 0, 0, 0, 0, 2, 0}); }, 3},
        {"no channel", settings_choice::kHorizontal, [](RotorBuilder& b) { b.plane({}).plane({}); }, 0},
    };
    for (const Case& c : cases) {
        Rig r(c.rotor);
        r.g._config->machineInterface = c.layout;
        r.m.samples.assign(256 * 4, 50);
        r.open(MeasuringMode::kRun);
        r.m.state = MachineState::kMeasuring;
        if (c.boxes > 0) r.result(std::vector<std::pair<double, double>>(static_cast<std::size_t>(c.boxes), {1, 10}));
        r.h.frame();
        std::vector<ImVec2> at;
        for (const UiItem& i : r.h.probe().items())
            if (i.label == "signal box") at.push_back(i.min);
        ASSERT_EQ(static_cast<int>(at.size()), c.boxes) << c.name;
        const float width = (1280 - 2 * r.g._margin) / std::max(c.boxes, 1);
        for (int k = 0; k < c.boxes; ++k) {
            const ImVec2 want = c.layout == settings_choice::kVertical
                                    ? ImVec2(r.g._margin + 10, k == 0 ? 960 - 80 - 250 : 344)
                                    : ImVec2(r.g._margin + k * width, 374);
            EXPECT_FLOAT_EQ(at[k].x, want.x) << c.name << k;
            EXPECT_FLOAT_EQ(at[k].y, want.y) << c.name << k;
        }
        // One cell pair per channel and row; the table is there exactly when the boxes are.
        EXPECT_EQ(r.d().rows.size(), static_cast<std::size_t>(c.boxes));
        EXPECT_EQ(r.drew("1.00"), c.boxes > 0) << c.name;
        r.m.state = MachineState::kIdle;
        r.h.run(4100);
        EXPECT_FALSE(r.measuring()) << c.name;
    }
}

TEST(MeasuringScreenSignals, TracePoints) {
    struct Case {
        int zoom, samples;
        float blockWidth;
        int points, step;
    } cases[] = {
        {-1, 256, 400, 256, 1}, {-1, 256, 100, 85, 3}, {-1, 256, 0, 0, 1}, {0, 256, 1000, 256, 1},
        {0, 256, 100, 100, 1},  {1, 256, 400, 6, 1},   {2, 256, 400, 12, 1}, {3, 256, 400, 25, 5},
        {4, 256, 400, 25, 10},  {4, 0, 400, 0, 10},
    };
    for (const Case& c : cases) {
        const SignalChart::Trace t = SignalChart::traceFor(c.zoom, c.samples, c.blockWidth);
        EXPECT_EQ(t.points, c.points) << c.zoom << " " << c.samples << " " << c.blockWidth;
        EXPECT_EQ(t.step, c.step) << c.zoom << " " << c.samples << " " << c.blockWidth;
    }
}

TEST(MeasuringScreenSignals, KeyboardEntryOpensTheKeypadAndEndsWithIt) {
    Rig r;
    r.open(MeasuringMode::kTest);
    r.d().entry = MeasuringData::entry::kRotorSpeed;
    r.h.frame();
    EXPECT_EQ(r.g._keyboardState, Gui::kEntering);
    EXPECT_EQ(r.g._keyboardMode, 1);
    ASSERT_TRUE(r.g._onEnter);
    r.h.run(400);
    r.g._onEnter();
    r.h.frame();
    EXPECT_EQ(r.d().entry, MeasuringData::entry::kNone);
}

}  // namespace
