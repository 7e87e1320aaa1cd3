// The probe file of the real program: what a frame's record holds, the
// rate of writing, and nothing without the variable.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gui/ui_probe_recorder.h"
#include "gui/widgets.h"
#include "support/gui_harness.h"
#include "support/gui_widget_window.h"
#include "support/work_dir.h"

namespace {

// One frame drawn through the harness with the recorder's probe listening.
bool recordFrame(GuiHarness& h, UiProbeRecorder& recorder) {
    recorder.beginFrame();
    h.frame();
    return recorder.afterFrame(h.gui(), h.clock().now());
}

TEST(UiProbeRecorder, RecordHoldsScreenSlidesBoxAndItems) {
    testwd::ScratchDir dir("ks_probe");
    const std::string path = dir.file("probe.json");
    GuiHarness h;
    UiProbeRecorder recorder(path);
    ASSERT_TRUE(recordFrame(h, recorder));
    std::string record = testwd::readFile(path);
    EXPECT_NE(record.find("\"screen\": \"Home\""), std::string::npos) << record;
    EXPECT_NE(record.find("\"box\": null"), std::string::npos) << record;
    EXPECT_NE(record.find("\"label\": \"History\""), std::string::npos) << record;

    h.gui().messageBox("Line \"one\"", "second", "Yes|No");
    h.run(400);
    ASSERT_TRUE(recordFrame(h, recorder));
    record = testwd::readFile(path);
    EXPECT_NE(record.find("\"box\": {\"text\": \"Line \\\"one\\\"\", \"details\": \"second\", \"buttons\": \"Yes|No\"}"),
              std::string::npos)
        << record;
    EXPECT_NE(record.find("\"box\": 2"), std::string::npos) << record;
    EXPECT_NE(record.find("\"label\": \"Yes\""), std::string::npos) << record;
}

TEST(UiProbeRecorder, ALockedToolbarButtonReadsLocked) {
    testwd::ScratchDir dir("ks_probe");
    const std::string path = dir.file("probe.json");
    GuiHarness h;
    UiProbeRecorder recorder(path);
    showWidgets(h, [] {
        toolbarButton("Balance##main", kToolbarGreyLabel);
        toolbarButton("Save", kToolbarFromRight);
    });
    ASSERT_TRUE(recordFrame(h, recorder));
    const std::string record = testwd::readFile(path);
    EXPECT_NE(record.find("{\"label\": \"Balance\", \"text\": \"locked\""), std::string::npos) << record;
    EXPECT_NE(record.find("{\"label\": \"Save\", \"text\": \"Save\""), std::string::npos) << record;
}

TEST(UiProbeRecorder, NumbersStayJsonInRussian) {
    testwd::ScratchDir dir("ks_probe");
    const std::string path = dir.file("probe.json");
    GuiHarness h(1280, 960, false);
    h.gui()._keypadSlide = 100;  // fully in: it stays
    UiProbeRecorder recorder(path);
    ASSERT_TRUE(recordFrame(h, recorder));
    const std::string record = testwd::readFile(path);
    EXPECT_NE(record.find("\"keypad\": 100}"), std::string::npos) << record;
    EXPECT_EQ(record.find("\"x0\": 0,0"), std::string::npos) << record;
}

TEST(UiProbeRecorder, WritesAtMostTenTimesASecondAndAsSoonAsAllowed) {
    testwd::ScratchDir dir("ks_probe");
    GuiHarness h;
    UiProbeRecorder recorder(dir.file("probe.json"));
    std::vector<Clock::time_point> writes;
    for (int i = 0; i < 100; ++i)
        if (recordFrame(h, recorder)) writes.push_back(h.clock().now());
    ASSERT_GT(writes.size(), 2u);
    const auto frame = std::chrono::milliseconds(GuiHarness::kFrameMs);
    for (std::size_t i = 1; i < writes.size(); ++i) {
        EXPECT_GE(writes[i] - writes[i - 1], UiProbeRecorder::kMinInterval);
        EXPECT_LT(writes[i] - writes[i - 1], UiProbeRecorder::kMinInterval + frame);
    }
}

TEST(UiProbeRecorder, OnlyWithTheVariable) {
    ::unsetenv("KESTRUNE_UI_PROBE");
    EXPECT_EQ(UiProbeRecorder::fromEnvironment(), nullptr);
    ::setenv("KESTRUNE_UI_PROBE", "", 1);
    EXPECT_EQ(UiProbeRecorder::fromEnvironment(), nullptr);
    ::setenv("KESTRUNE_UI_PROBE", "/tmp/p.json", 1);
    const auto recorder = UiProbeRecorder::fromEnvironment();
    ::unsetenv("KESTRUNE_UI_PROBE");
    ASSERT_NE(recorder, nullptr);
    EXPECT_EQ(recorder->path(), "/tmp/p.json");
}

TEST(UiProbeRecorder, JsonQuotingEscapesWhatBreaksAString) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"", "\"\""}, {"min^-1", "\"min^-1\""}, {"a\"b", "\"a\\\"b\""}, {"a\\b", "\"a\\\\b\""},
                 {"a\nb\t", "\"a\\u000ab\\u0009\""}, {"Ротор", "\"Ротор\""}};
    for (const auto& c : cases) EXPECT_EQ(jsonQuoted(c.in), c.out) << c.in;
}

}  // namespace
