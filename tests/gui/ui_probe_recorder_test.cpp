// The probe file of the real program: what a frame's record holds, the
// rate of writing, and nothing without the variable.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "gui/ui_probe_recorder.h"
#include "gui/widgets.h"
#include "support/gui_harness.h"
#include "support/gui_widget_window.h"
#include "support/work_dir.h"

namespace {

// A recorder writing into a scratch folder; `frame` draws one frame with its probe listening.
struct ProbeFile {
    testwd::ScratchDir dir{"ks_probe"};
    UiProbeRecorder recorder{dir.file("probe.json")};
    bool frame(GuiHarness& h) {
        recorder.beginFrame();
        h.frame();
        return recorder.afterFrame(h.gui(), h.clock().now());
    }
    std::string record() const { return testwd::readFile(recorder.path()); }
};

void lockedAndFreeButtons() {
    toolbarButton("Balance##main", kToolbarGreyLabel);
    toolbarButton("Save", kToolbarFromRight);
}

TEST(UiProbeRecorder, RecordHoldsScreenSlidesBoxAndItems) {
    const struct {
        bool english;
        std::function<void(GuiHarness&)> show;
        std::vector<const char*> holds;
    } cases[] = {
        {true, [](GuiHarness&) {}, {R"("screen": "Home")", R"("box": null)", R"("label": "History")"}},
        {true, [](GuiHarness& h) { h.gui().messageBox("Line \"one\"", "second", "Yes|No"); },
         {R"("box": {"text": "Line \"one\"", "details": "second", "buttons": "Yes|No"})", R"("box": 2)",
          R"("label": "Yes")"}},
        {true, [](GuiHarness& h) { showWidgets(h, lockedAndFreeButtons); },
         {R"({"label": "Balance", "text": "locked")", R"({"label": "Save", "text": "Save")"}},
        {false, [](GuiHarness& h) { h.gui()._keypadSlide = 100; }, {R"("keypad": 100})"}},  // numbers stay JSON in Russian
    };
    for (const auto& c : cases) {
        GuiHarness h(1280, 960, c.english);
        ProbeFile probe;  // after the harness: the newest probe is the one that listens
        c.show(h);
        h.run(400);
        ASSERT_TRUE(probe.frame(h));
        const std::string record = probe.record();
        for (const char* part : c.holds) EXPECT_NE(record.find(part), std::string::npos) << part << "\n" << record;
        EXPECT_EQ(record.find(R"("x0": 0,0)"), std::string::npos) << record;
    }
}

TEST(UiProbeRecorder, WritesAtMostTenTimesASecondAndAsSoonAsAllowed) {
    GuiHarness h;
    ProbeFile probe;
    std::vector<Clock::time_point> writes;
    for (int i = 0; i < 100; ++i)
        if (probe.frame(h)) writes.push_back(h.clock().now());
    ASSERT_GT(writes.size(), 2u);
    for (std::size_t i = 1; i < writes.size(); ++i) {
        EXPECT_GE(writes[i] - writes[i - 1], UiProbeRecorder::kMinInterval);
        EXPECT_LT(writes[i] - writes[i - 1], UiProbeRecorder::kMinInterval + std::chrono::milliseconds(GuiHarness::kFrameMs));
    }
}

TEST(UiProbeRecorder, OnlyWithTheVariableAndQuotingEscapesWhatBreaksAString) {
    for (const char* unset : {static_cast<const char*>(nullptr), ""}) {
        unset ? ::setenv("KESTRUNE_UI_PROBE", unset, 1) : ::unsetenv("KESTRUNE_UI_PROBE");
        EXPECT_EQ(UiProbeRecorder::fromEnvironment(), nullptr);
    }
    ::setenv("KESTRUNE_UI_PROBE", "/tmp/p.json", 1);
    const auto recorder = UiProbeRecorder::fromEnvironment();
    ::unsetenv("KESTRUNE_UI_PROBE");
    ASSERT_NE(recorder, nullptr);
    EXPECT_EQ(recorder->path(), "/tmp/p.json");
    const std::pair<const char*, const char*> quoted[] = {{"", R"("")"}, {"min^-1", R"("min^-1")"}, {"a\"b", R"("a\"b")"},
        {"a\\b", R"("a\\b")"}, {"a\nb\t", R"("a\u000ab\u0009")"}, {"Ротор", R"("Ротор")"},
        {"5.1\xff.kst \xd0 \xe0\x80\xaf", R"("5.1\u00ff.kst \u00d0 \u00e0\u0080\u00af")"}};
    for (const auto& [in, out] : quoted) EXPECT_EQ(jsonQuoted(in), out) << in;
}

}  // namespace
