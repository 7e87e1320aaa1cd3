// The shared widgets under simulated touch in the headless harness.

#include <gtest/gtest.h>

#include <cfloat>
#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "gui/utf8.h"
#include "gui/widgets.h"
#include "records/settings_records.h"
#include "support/gui_widget_window.h"
#include "texts/texts.h"

namespace {

const ImU32 kRedLabel = IM_COL32(255, 0, 0, 255);

// The probe's plain texts of the last frame, in drawing order.
std::vector<UiItem> texts(const GuiHarness& h) {
    std::vector<UiItem> out;
    for (const UiItem& item : h.probe().items())
        if (item.id == 0) out.push_back(item);
    return out;
}

// The n-th item drawn with this label.
const UiItem* nth(const GuiHarness& h, const std::string& label, int n) {
    for (const UiItem& item : h.probe().items())
        if (item.label == label && n-- == 0) return &item;
    return nullptr;
}

// ---- drawLabel ------------------------------------------------------------------

enum Lift { kNormal, kRaised, kLowered };
struct LabelRun {
    const char* text;
    Lift lift;
};
struct LabelCase {
    const char* text;
    std::vector<LabelRun> runs;
};
void PrintTo(const LabelCase& c, std::ostream* os) { *os << c.text; }

class GuiWidgetsLabel : public ::testing::TestWithParam<LabelCase> {};

TEST_P(GuiWidgetsLabel, DrawsRunsByTheirMarkers) {
    GuiHarness h;
    ImVec2 size;
    showWidgets(h, [&] {
        ImGui::SetWindowFontScale(2);  // the current font twice the marked one's size
        drawLabel(size, ImGui::GetWindowDrawList(), 100, 100, ImGui::GetFont(), GetParam().text);
    });
    const float big = ImGui::GetFont()->FontSize * 2, small = ImGui::GetFont()->FontSize;
    const std::vector<UiItem> drawn = texts(h);
    ASSERT_EQ(drawn.size(), GetParam().runs.size());
    float width = 0;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        const LabelRun& run = GetParam().runs[i];
        SCOPED_TRACE(run.text);
        EXPECT_EQ(drawn[i].text, run.text);
        const float lift[] = {100, 100 - (big - small) / 2, 100 + (big - small)};
        EXPECT_FLOAT_EQ(drawn[i].min.y, lift[run.lift]);
        EXPECT_FLOAT_EQ(drawn[i].max.y - drawn[i].min.y, run.lift == kNormal ? big : small);
        const float runWidth = drawn[i].max.x - drawn[i].min.x;
        EXPECT_EQ(runWidth, std::floor(runWidth));  // rounded up to whole pixels
        EXPECT_FLOAT_EQ(drawn[i].min.x, 100 + width);
        width += runWidth;
    }
    EXPECT_FLOAT_EQ(size.x, width);
    EXPECT_FLOAT_EQ(size.y, big);
}

INSTANTIATE_TEST_SUITE_P(GuiWidgets, GuiWidgetsLabel,
                         ::testing::Values(LabelCase{"m~x^2", {{"m~x", kNormal}, {"2", kRaised}}},
                                           LabelCase{"min^-1", {{"min", kNormal}, {"-1", kRaised}}},
                                           LabelCase{"m~station", {{"m", kNormal}, {"station", kLowered}}},
                                           LabelCase{"a^b^c~d", {{"a", kNormal}, {"b", kRaised}, {"c", kNormal}, {"d", kLowered}}},
                                           LabelCase{"Start##3", {{"Start", kNormal}}}));

// ---- buttons ------------------------------------------------------------------------

struct OptionCase {
    const char* label;
    const char* shown;
    bool disabled;
    bool marked;
    bool tapReturns;
    bool red;
};
void PrintTo(const OptionCase& c, std::ostream* os) { *os << c.label; }

class GuiWidgetsOption : public ::testing::TestWithParam<OptionCase> {};

TEST_P(GuiWidgetsOption, ShowsItsLabelAndAnswersTaps) {
    const OptionCase& c = GetParam();
    GuiHarness h;
    int taps = 0;
    showWidgets(h, [&] { taps += optionButton(c.label, 100, 100, 120, 50, nullptr, c.disabled, c.marked); });
    ASSERT_TRUE(h.tap(c.shown));
    EXPECT_EQ(taps, c.tapReturns ? 1 : 0);
    const UiItem* item = h.probe().find(c.shown);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(drewColour(item->min, item->max, kRedLabel), c.red);
}

INSTANTIATE_TEST_SUITE_P(GuiWidgets, GuiWidgetsOption,
                         ::testing::Values(OptionCase{"Start##3", "Start", false, false, true, false},
                                           OptionCase{"A#b", "A", false, false, true, false},
                                           OptionCase{"Off", "Off", true, false, false, false},
                                           OptionCase{"Both", "Both", true, true, false, true},
                                           OptionCase{"Mark", "Mark", false, true, true, true}));

struct SelectorCase {
    int count;
    float bottom;
    float itemHeight;
};
void PrintTo(const SelectorCase& c, std::ostream* os) { *os << c.count << " items"; }

class GuiWidgetsSideSelector : public ::testing::TestWithParam<SelectorCase> {};

TEST_P(GuiWidgetsSideSelector, SharesTheColumnAtMost60PxEach) {
    GuiHarness h;
    SideSelectorState state;
    for (int i = 0; i < GetParam().count; ++i) state.items.push_back({"Item " + std::to_string(i) + "##x", i == 2});
    showWidgets(h, [&] { SideSelector(state, 40, GetParam().bottom); });
    const UiItem* first = h.probe().find("Item 0");
    ASSERT_NE(first, nullptr);
    EXPECT_FLOAT_EQ(first->max.y - first->min.y, GetParam().itemHeight);
    EXPECT_GT(state.width, 40);

    h.tap("Item 3");
    EXPECT_EQ(state.selected, 3);
    h.tap("Item 2");  // disabled
    EXPECT_EQ(state.selected, 3);
}

INSTANTIATE_TEST_SUITE_P(GuiWidgets, GuiWidgetsSideSelector,
                         ::testing::Values(SelectorCase{20, 680, 30}, SelectorCase{5, 680, 60}));

struct ToolbarCase {
    const char* label;
    int flags;
};
void PrintTo(const ToolbarCase& c, std::ostream* os) { *os << c.label; }

class GuiWidgetsToolbar : public ::testing::TestWithParam<ToolbarCase> {};

TEST_P(GuiWidgetsToolbar, InertWhileTheSettingsBannerShows) {
    GuiHarness h;
    int taps = 0;
    showWidgets(h, [&] { taps += toolbarButton(GetParam().label, GetParam().flags); });
    const std::string shown(visibleLabel(GetParam().label));
    h.gui()._settingsChanged = true;
    h.tap(shown);
    EXPECT_EQ(taps, 0);
    h.gui()._settingsChanged = false;
    h.tap(shown);
    EXPECT_EQ(taps, 1);
}

INSTANTIATE_TEST_SUITE_P(GuiWidgets, GuiWidgetsToolbar,
                         ::testing::Values(ToolbarCase{"Settings", 0}, ToolbarCase{"Begin", kToolbarFromRight},
                                           ToolbarCase{"Apply", kToolbarContentRight},
                                           ToolbarCase{"filter", kToolbarFilter}));

TEST(GuiWidgetsToolbarFilter, ShowsSixCharactersOfTheNameFilter) {
    struct Case {
        const char* filter;
        const char* shown;
    };
    const Case cases[] = {{"ABCDEFGHI", "ABCDEF..."},
                          {"ИЗДЕЛИЕ 7", "ИЗДЕЛИ..."},
                          {"ABCDEF", "ABCDEF"},
                          {"", ""}};
    GuiHarness h;
    showWidgets(h, [&] { toolbarButton("filter", kToolbarFilter); });
    for (const Case& c : cases) {
        h.gui()._config->local.text2 = c.filter;
        h.frame();
        ASSERT_NE(h.probe().find("filter"), nullptr);
        EXPECT_EQ(h.probe().find("filter")->text, c.shown);
    }
}

// ---- numeric entry ----------------------------------------------------------------

TEST(GuiWidgetsEntry, DisabledNeverTapsAndValuesUseTheDecimalPoint) {
    struct Case {
        int state;
        bool english;
        const char* text;
        int taps;
    };
    const Case cases[] = {{kEntryNormal, true, "1.25", 1},
                          {kEntryNormal, false, "1,25", 1},
                          {kEntryInvalid, true, "1.25", 1},
                          {kEntryDisabled, true, "1.25", 0}};
    for (const Case& c : cases) {
        GuiHarness h(1280, 960, c.english);
        int taps = 0;
        showWidgets(h, [&] { taps += numericEntry(c.state, "mm", "Radius", nullptr, 0, 100, 100, 200, 50, 1.25); });
        h.tap("Radius");
        EXPECT_EQ(taps, c.taps) << c.state;
        EXPECT_EQ(h.probe().find("Radius")->text, c.text);
    }
}

TEST(GuiWidgetsEntry, EditingShortensTheKeyboardTextOnTheForeground) {
    GuiHarness h;
    h.gui()._devMode = true;  // no "Demo" badge on the foreground
    int state = kEntryNormal;
    h.gui()._keyboardText = "Ротор Ротор Ротор Ротор Ротор";
    showWidgets(h, [&] { numericEntry(state, "g", "m", nullptr, 1, 100, 100, 160, 50, 2); });
    const UiItem item = *h.probe().find("m");
    EXPECT_EQ(item.text, "2");
    EXPECT_FALSE(drewColour(item.min, item.max, 0xFF000000, true));

    state = kEntryEditing;
    h.frame();
    const std::string kept = h.gui()._keyboardText;
    EXPECT_LT(kept.size(), std::string("Ротор Ротор Ротор Ротор Ротор").size());
    EXPECT_EQ(kept, std::string(utf8Head("Ротор Ротор Ротор Ротор Ротор", utf8Length(kept))));
    EXPECT_EQ(h.probe().find("m")->text, kept);
    EXPECT_TRUE(drewColour(item.min, item.max, 0xFF000000, true));
}

TEST(GuiWidgetsFit, CutsWholeCharactersOnly) {
    struct Case {
        const char* text;
        const char* kept;
    };
    // Room for the kept text and one '?': a cut inside the last character
    // would leave a stray byte that fits there.
    const Case cases[] = {{"АБВЖ", "АБВ"}, {"abcÖ", "abc"}, {"Ротор", "Ротор"}};
    GuiHarness h;
    showWidgets(h, [&] {
        ImFont* font = ImGui::GetFont();
        const auto width = [&](const char* t) { return font->CalcTextSizeA(22, FLT_MAX, 0, t).x; };
        for (const Case& c : cases) {
            std::string text = c.text;
            const bool cut = fitText(text, font, 22, width(c.kept) + width("?") + 0.5f);
            EXPECT_EQ(text, c.kept);
            EXPECT_EQ(cut, text != c.text);
        }
    });
}

// ---- start switch ---------------------------------------------------------------------

struct StartRun {
    std::vector<float> knobs;  // after each frame
    std::vector<int> reports;  // frames that returned true
};

// Presses the switch, drags it `distance` px in 10 px steps and lets go, or
// just taps it when distance is 0; then `after` more frames.
StartRun slide(GuiHarness& h, float& knob, bool& locked, float distance, int after, bool lockOnRelease = false) {
    StartRun run;
    int frame = 0;
    showWidgets(h, [&] {
        if (startButton(knob, "Start", locked)) run.reports.push_back(frame);
        run.knobs.push_back(knob);
        ++frame;
    });
    const UiItem* item = h.probe().find("Start");
    const ImVec2 at(item->min.x + 40, item->centre().y);
    h.press(at);
    h.frame();
    for (float dx = 10; dx <= distance; dx += 10) {
        h.press(ImVec2(at.x + dx, at.y));
        h.frame();
    }
    locked |= lockOnRelease;
    h.release();
    h.frame(after + 1);
    run.knobs.erase(run.knobs.begin());
    for (int& r : run.reports) --r;
    return run;
}

TEST(GuiWidgetsStart, SlidToTheEndReportsOnceWith74) {
    GuiHarness h;
    float knob = 0;
    bool locked = false;
    const StartRun run = slide(h, knob, locked, 80, 6);
    ASSERT_EQ(run.reports.size(), 1u);
    EXPECT_EQ(run.knobs[run.reports[0]], 74);
    EXPECT_EQ(run.knobs[run.reports[0] - 1], 73);  // released at the end of its travel
    EXPECT_EQ(knob, 77);
    EXPECT_EQ(h.probe().find("Start")->text, "Stop");
}

TEST(GuiWidgetsStart, TouchedWhileRunningStopsAndSlidesBack) {
    GuiHarness h;
    float knob = 77;
    bool locked = false;
    const StartRun run = slide(h, knob, locked, 0, 20);
    ASSERT_EQ(run.reports.size(), 1u);
    const int at = run.reports[0];
    EXPECT_EQ(run.knobs[at], -72);
    for (int i = 1; i <= 14; ++i) EXPECT_EQ(run.knobs[at + i], -72 + 5 * i) << i;
    EXPECT_EQ(run.knobs[at + 15], 0);  // within 5 of 0
    EXPECT_EQ(h.probe().find("Start")->text, "Start");
}

TEST(GuiWidgetsStart, NeverReportsWhileLocked) {
    struct Case {
        float knob;
        bool locked;
        bool lockOnRelease;
    };
    for (const Case& c : {Case{0, true, false}, Case{77, true, false}, Case{-72, false, false}, Case{0, false, true}}) {
        GuiHarness h;
        float knob = c.knob;
        bool locked = c.locked;
        EXPECT_TRUE(slide(h, knob, locked, 80, 10, c.lockOnRelease).reports.empty()) << c.knob;
    }
}

// ---- switch rows ------------------------------------------------------------------------

struct CheckRow {
    float state = -1;
    ImGuiID target = 0;
    bool useTarget = false;
    int labelTaps = 0;
    bool demoAccepted = false;
    bool knobInFlight = false;
};

void showCheck(GuiHarness& h, CheckRow& row) {
    showWidgets(h, [&] {
        ImGui::SetCursorPos(ImVec2(100, 100));
        row.labelTaps += checkList(row.state, "Compensator", 0, row.useTarget ? &row.target : nullptr, 0, 0);
        // A channel-mark drop target beside the row.
        ImGui::SetCursorPos(ImVec2(600, 100));
        ImGui::Button("support", ImVec2(100, 50));
        UiProbe::reportLastItem("support");
        if (ImGui::BeginDragDropTarget()) {
            row.demoAccepted |= ImGui::AcceptDragDropPayload("DND_DEMO_NAME") != nullptr;
            ImGui::EndDragDropTarget();
        }
        const ImGuiPayload* payload = ImGui::GetDragDropPayload();
        row.knobInFlight |= payload && payload->IsDataType(kSwitchKnobPayload);
    });
}

enum Grip { kOnLabel, kOnSwitch, kOnKnobAtOff, kOnSupport };

// A touch on the row: pressed at `grip`, moved right by `dx` in 5 px steps
// (to the support's centre for kOnSupport), held `holdMs`, released.
void gesture(GuiHarness& h, Grip grip, float dx, int holdMs) {
    const UiItem* label = h.probe().find("Compensator");
    const UiItem* sw = nth(h, "Compensator", 1);
    ImVec2 start = grip == kOnLabel ? label->centre() : sw->centre();
    if (grip == kOnKnobAtOff) start.x = sw->min.x + 8 + 16;  // the track begins 8 px in; knob radius 16
    if (grip == kOnSupport) dx = h.probe().find("support")->centre().x - start.x;
    h.press(start);
    h.frame();
    for (float moved = 5; moved <= dx + 4; moved += 5) {
        h.press(ImVec2(start.x + std::min(moved, dx), start.y));
        h.frame();
    }
    h.run(holdMs);
    h.release();
    h.frame(12);  // the knob settles
}

struct CheckCase {
    const char* name;
    Grip grip;
    float dx;
    int holdMs;
    bool withTarget;
    bool on;
    int labelTaps;
    bool handedOver;
};
void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }

class GuiWidgetsCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(GuiWidgetsCheck, AnswersTheGesture) {
    const CheckCase& c = GetParam();
    GuiHarness h;
    CheckRow row;
    row.useTarget = c.withTarget;
    showCheck(h, row);
    const ImGuiID labelId = h.probe().find("Compensator")->id;
    gesture(h, c.grip, c.dx, c.holdMs);
    EXPECT_EQ(row.state, c.on ? 1 : -1);
    EXPECT_EQ(row.labelTaps, c.labelTaps);
    EXPECT_EQ(row.target, c.handedOver ? labelId : 0u);
    EXPECT_FALSE(row.demoAccepted);
    EXPECT_EQ(row.knobInFlight, c.grip == kOnKnobAtOff || c.grip == kOnSupport);
}

INSTANTIATE_TEST_SUITE_P(
    GuiWidgets, GuiWidgetsCheck,
    ::testing::Values(CheckCase{"label tap", kOnLabel, 0, 0, true, false, 1, false},
                      CheckCase{"switch tap", kOnSwitch, 0, 0, true, true, 0, false},
                      CheckCase{"knob across the middle", kOnKnobAtOff, 60, 0, false, true, 0, false},
                      CheckCase{"knob short of the middle", kOnKnobAtOff, 10, 0, false, false, 0, false},
                      CheckCase{"label held 0.5 s", kOnLabel, 0, 500, true, false, 1, false},
                      CheckCase{"label held 0.7 s", kOnLabel, 0, 700, true, false, 0, true},
                      CheckCase{"switch held 0.7 s", kOnSwitch, 0, 700, true, false, 0, true},
                      CheckCase{"held 0.7 s without target", kOnLabel, 0, 700, false, false, 1, false},
                      CheckCase{"knob onto a support", kOnSupport, 0, 0, false, true, 0, false}));

}  // namespace
