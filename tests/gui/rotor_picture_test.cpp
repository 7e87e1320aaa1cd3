// The rotor picture over a real Rotor and Config: its layout, the channel
// marks, segment codes and scheme boxes of rotor shapes, and the drag and
// drop of the channel marks.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gui/machine_scheme.h"
#include "gui/rotor_picture.h"
#include "gui/widgets.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "support/gui_harness.h"
#include "support/gui_widget_window.h"
#include "texts/record_tags.h"

namespace {

using namespace jobrec;
using u32 = std::uint32_t;
using Channels = std::vector<std::pair<u32, u32>>;
constexpr TextId kH = settings_choice::kHorizontal, kV = settings_choice::kVertical, kC = settings_choice::kConsole;

// A rotor of planes with the given channels (first, second).
struct Bench {
    Config config;
    std::unique_ptr<Rotor> rotor;
    PlaneView view;
    explicit Bench(const Channels& planes, TextId layout = kH, bool belt = false, bool control = false) {
        config.machineInterface = layout;
        rotor = std::make_unique<Rotor>(&config);
        rotor->data().planes.assign(planes.size(), Plane());
        for (std::size_t i = 0; i < planes.size(); ++i)
            rotor->setPlaneChannels(static_cast<int>(i) + 1, planes[i].first, planes[i].second);
        rotor->data().drive = belt ? kDriveBelt : kDriveEnd;
        rotor->data().controlRotor = control;
        view.rotor = rotor.get();
    }
    Channels channels() const {
        Channels out;
        for (const Plane& p : rotor->data().planes) out.emplace_back(p.channel1, p.channel2);
        return out;
    }
};

TEST(GuiRotorPicture, LayoutByWindowAndMachine) {
    struct Case {
        const char* name;
        TextId layout;
        int planes, columns;
        float width, height, left;
        float lower, picture, margin, columnsLeft;
    };
    const Case cases[] = {
        {"740 high: small", kH, 2, 0, 1000, 740, 0, 115, 250, 0, 252},
        {"741 high: large", kH, 2, 0, 1000, 741, 0, 130, 270, 20, 252},
        {"small, columns given", kH, 2, 2, 1000, 740, 24, 115, 115, 0, 276},
        {"large, columns given", kH, 2, 2, 1000, 741, 24, 130, 210, 20, 276},
        {"three planes in 1000 px", kH, 3, 0, 1000, 741, 0, 130, 270, 20, 128},
        {"four planes do not fit 790 px", kH, 4, 0, 790, 540, 10, 115, 250, 0, 10},
        {"columns that do not fit keep the left edge", kH, 4, 4, 790, 540, 24, 115, 115, 0, 24},
        {"Vertical", kV, 2, 0, 1000, 741, 0, 130, 255, 20, 252},
        {"Console", kC, 2, 0, 1000, 741, 0, 120, 230, 20, 252},
        {"another type is Console", 0x1364009, 2, 2, 1000, 740, 24, 105, 75, 0, 276},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(Channels(static_cast<std::size_t>(c.planes), {0, 0}), c.layout);
        rotorPictureScale(b.view, c.columns, c.width, c.height, c.left);
        EXPECT_EQ(b.view.lowerHeight, c.lower);
        EXPECT_EQ(b.view.pictureHeight, c.picture);
        EXPECT_EQ(b.view.topMargin, c.margin);
        EXPECT_EQ(b.view.left, c.columnsLeft);
        EXPECT_EQ(b.view.origin, std::floor(c.columnsLeft + 16));
    }
}

TEST(GuiRotorPicture, MarksCodesAndBoxesOfRotorShapes) {
    const auto d = [](TextId tag, int plane) { return tag + (static_cast<u32>(plane) << 25); };
    struct Case {
        const char* name;
        Channels planes;
        TextId layout;
        bool belt, control;
        std::vector<PlaneMark> marks;  // x from the column origin
        std::vector<int> codes;
        std::vector<u32> boxes;
    };
    const Case cases[] = {
        {"two planes, end drive", {{1, 0}, {0, 2}}, kH, false, false, {{1, 0, true, 1}, {2, 248 + 184, false, 2}},
         {0x10, 0x20}, {d(kDistance1, 1), d(kDistance1, 2), d(kDistance2, 2)}},
        {"two planes, belt drive", {{1, 0}, {0, 2}}, kH, true, false, {{1, 0, true, 1}, {2, 432, false, 2}},
         {0x81, 0x84}, {d(kDistance1, 1), d(kDistance1, 2), d(kDistance2, 2)}},
        {"one plane on both supports: 128 px apart", {{1, 2}}, kH, false, false, {{1, 83, true, 2}, {2, 211, true, 2}},
         {0x21}, {}},
        {"both supports before an overhung plane", {{1, 2}, {0, 0}}, kH, false, false,
         {{1, 0, true, 1}, {2, 64, true, 2}}, {0x10, 0x20}, {d(kDistance1, 1), d(kDistance1, 2), d(kDistance2, 2)}},
        {"four planes, the third without a channel", {{1, 0}, {2, 0}, {0, 0}, {0, 3}}, kH, false, false,
         {{1, 0, true, 1}, {2, 248, false, 1}, {3, 744 + 184, false, 2}}, {0x51, 0x41, 0x44, 0x61},
         {d(kDistance1, 1), d(kDistance1, 2), d(kDistance1, 3), d(kDistance1, 4), d(kDistance2, 4)}},
        {"plane scheme 1, belt drive", {{1, 0}, {0, 0}, {0, 2}}, kH, true, false, {{1, 0, true, 1}, {2, 680, false, 2}},
         {0x54, 0x44, 0x61}, {d(kDistance1, 1), d(kDistance1, 2), d(kDistance1, 3), d(kDistance2, 3)}},
        {"control rotor", {{1, 0}, {0, 0}, {0, 2}}, kH, false, true, {{1, 0, true, 1}, {2, 680, false, 2}},
         {0x151, 0x44, 0x61},
         {d(kDistance1, 1), d(kDistance1, 2), d(kDistance1, 3), d(kDistance2, 3), d(kDistance3, 3)}},
        {"Vertical, two planes", {{1, 0}, {0, 2}}, kV, false, false, {{1, 0, true, 1}, {2, 432, false, 2}},
         {0x01, 0x02}, {d(kDistance1, 2)}},
        {"Console, one plane", {{1, 2}}, kC, false, false, {{1, 83, true, 2}, {2, 211, true, 2}}, {0x04}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(c.planes, c.layout, c.belt, c.control);
        rotorPictureScale(b.view, 0, 1280, 960, 0);
        collectPlaneMarks(b.view);
        ASSERT_EQ(b.view.marks.size(), c.marks.size());
        for (std::size_t i = 0; i < c.marks.size(); ++i) {
            const PlaneMark& m = b.view.marks[i];
            EXPECT_EQ(m.channel, c.marks[i].channel) << i;
            EXPECT_EQ(m.x - b.view.origin, c.marks[i].x) << i;
            EXPECT_EQ(m.firstPlane, c.marks[i].firstPlane) << i;
            EXPECT_EQ(m.kind, c.marks[i].kind) << i;
        }
        const int planes = static_cast<int>(c.planes.size());
        std::vector<int> codes;
        for (int column = 0; column < planes; ++column)
            if (const int code = segmentCode(b.view, column, planes); code != kNoSegment) codes.push_back(code);
        EXPECT_EQ(codes, c.codes);
        for (int code : codes) EXPECT_NE(segmentImage(code), 0u) << code;
        std::vector<u32> fields;
        float x = -1e9f;
        for (const SchemeBox& box : schemeBoxes(b.view, 0)) {
            fields.push_back(box.field);
            EXPECT_EQ(box.letter, static_cast<int>(fields.size()));
            if (box.side == kSideNone) {
                EXPECT_GT(box.at.x, x);  // the chain runs along the shaft
            }
            x = box.at.x;
        }
        EXPECT_EQ(fields, c.boxes);
    }
}

// The marks of a two-plane rotor in a window, with a switch and two other
// sources of the marks' payload type: two bytes, and an index past the marks.
struct DragBench : Bench {
    GuiHarness h;
    float knob = -1;
    DragBench() : Bench({{1, 0}, {0, 2}}) {
        showWidgets(h, [this] {
            view.left = 100, view.origin = 116, view.top = 100;
            collectPlaneMarks(view);
            for (int i = 0; i < static_cast<int>(view.marks.size()); ++i) channelDragList(view, i, false);
            channelDropTarget(view);
            ImGui::SetCursorPos(ImVec2(20, 450));
            checkList(knob, "Knob", 0, nullptr, 0, 0);
            source("short", ImVec2(20, 520), 2, 0);
            source("past", ImVec2(20, 580), 4, 99);
        });
        h.frame(2);
    }
    static void source(const char* label, ImVec2 at, int size, int index) {
        ImGui::SetCursorPos(at);
        ImGui::InvisibleButton(label, ImVec2(60, 40));
        UiProbe::reportLastItem(label);
        if (ImGui::BeginDragDropSource(ImGuiDragDropFlags_SourceNoPreviewTooltip)) {
            ImGui::SetDragDropPayload(kChannelMarkPayload, &index, static_cast<std::size_t>(size));
            ImGui::EndDragDropSource();
        }
    }
    const UiItem& mark(int channel) {
        for (const UiItem& i : h.probe().items())
            if (i.label == "support" && i.text == std::to_string(channel)) return i;
        static const UiItem none;
        ADD_FAILURE() << "no mark " << channel;
        return none;
    }
    const UiItem& last(const std::string& label) {
        const UiItem* found = &mark(1);
        for (const UiItem& i : h.probe().items())
            if (i.label == label) found = &i;
        return *found;
    }
};

TEST(GuiRotorPicture, DraggedMarksMoveTheirChannelsPastTheThresholds) {
    const Channels unchanged{{1, 0}, {0, 2}};
    struct Case {
        const char* name;
        std::function<std::pair<ImVec2, ImVec2>(DragBench&)> drag;
        Channels expected;
    };
    const auto byMark = [](int channel, float dx) {
        return [channel, dx](DragBench& b) {
            const ImVec2 from = b.mark(channel).centre();
            return std::make_pair(from, ImVec2(from.x + dx, from.y));
        };
    };
    // Onto the first mark from the left: as an index 0 it would move right.
    const auto ontoMark = [](const char* label, float dx) {
        return [label, dx](DragBench& b) {
            const UiItem& from = b.last(label);
            return std::make_pair(ImVec2(from.min.x + dx, from.centre().y), b.mark(1).centre());
        };
    };
    const Case cases[] = {
        {"left support 65 px right: the plane's second slot", byMark(1, 65), {{0, 1}, {0, 2}}},
        {"left support 63 px", byMark(1, 63), unchanged},
        {"right support 185 px left: the plane before", byMark(2, -185), {{1, 2}, {0, 0}}},
        {"right support 183 px left", byMark(2, -183), unchanged},
        {"right support 185 px right: no plane there", byMark(2, 185), unchanged},
        {"a switch's knob", ontoMark("Knob", 24), unchanged},
        {"a two-byte payload", ontoMark("short", 30), unchanged},
        {"an index past the marks", ontoMark("past", 30), unchanged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DragBench b;
        const auto [from, to] = c.drag(b);
        b.h.drag(from, to, 8);
        b.h.frame();
        EXPECT_EQ(b.channels(), c.expected);
    }
}

}  // namespace
