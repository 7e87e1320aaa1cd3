// The editing screen's rotor layout over a real Rotor and Config: supports,
// the plane list, the control-rotor check, the dimension boxes, the panel's
// overlap, the shadow over the content, and Rotor::setPlaneCount.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <imgui_internal.h>

#include "gui/screens/editing.h"
#include "gui/screens/editing_fixture.h"

namespace {

using namespace editingtest;
using u32 = std::uint32_t;
using Channels = std::vector<std::pair<u32, u32>>;

Channels channelsOf(Gui& g) {
    Channels out;
    for (const Plane& p : rotorOf(g).data().planes) out.emplace_back(p.channel1, p.channel2);
    return out;
}

Prepare shaped(const Channels& planes) {
    return [planes](Gui& g) {
        Rotor& r = rotorOf(g);
        r.data().planes.resize(planes.size());
        for (std::size_t i = 0; i < planes.size(); ++i)
            r.setPlaneChannels(static_cast<int>(i) + 1, planes[i].first, planes[i].second);
    };
}

// Support 3 active once the rotor is made on supports 1 and 2.
Prepare withThirdSupport(const Prepare& prepare) {
    return [prepare](Gui& g) {
        g._config->channels.at(2).active = true;
        if (prepare) prepare(g);
    };
}

// A tap on the item drawn last with this label (a switch row's switch).
void tapLast(Editor& e, const std::string& label) {
    const UiItem* found = nullptr;
    for (const UiItem& i : e.h.probe().items())
        if (i.label == label) found = &i;
    ASSERT_TRUE(found) << label;
    const ImVec2 at = found->centre();
    e.h.drag(at, at, 1);
    e.h.frame(2);
}

TEST(EditingLayout, SupportsAndPlaneChecksShapeTheRotor) {
    const Channels twoPlanes{{1, 0}, {0, 2}};
    struct Case {
        const char* name;
        Prepare prepare;
        std::function<void(Editor&)> act;
        Channels expected;
    };
    const auto tap = [](const char* label) { return [label](Editor& e) { ASSERT_TRUE(e.h.tap(label)); }; };
    const auto runs = [](Gui& g) { rotorOf(g).data().runs.resize(1); };
    const Case cases[] = {
        {"engaging channels 1 and 3", [](Gui& g) { rotorOf(g).clearPlanes(); },
         [](Editor& e) { ASSERT_TRUE(e.h.tap("1") && e.h.tap("3")); }, {{1, 0}, {0, 3}}},
        {"a third support: a plane more", {}, tap("3"), {{1, 0}, {2, 0}, {0, 3}}},
        {"unchecking plane 2 of scheme 0", {}, [](Editor& e) { tapLast(e, "Plane P2"); }, {{1, 2}}},
        {"checking plane 2 of a one-plane rotor", shaped({{1, 2}}), [](Editor& e) { tapLast(e, "Plane P2"); },
         twoPlanes},
        {"unchecking plane 3 of scheme 1", shaped({{1, 0}, {0, 0}, {0, 2}}),
         [](Editor& e) { tapLast(e, "Plane P3"); }, twoPlanes},
        {"plane 1 is not unchecked", {}, [](Editor& e) { tapLast(e, "Plane P1"); }, twoPlanes},
        {"a right support's mark dragged onto the plane before",
         {},
         [](Editor& e) {
             const UiItem* mark = nullptr;
             for (const UiItem& i : e.h.probe().items())
                 if (i.label == "support" && i.text == "2") mark = &i;
             ASSERT_TRUE(mark);
             e.h.drag(mark->centre(), ImVec2(mark->centre().x - 200, mark->centre().y));
         },
         {{1, 2}, {0, 0}}},
        {"runs: no support", runs, tap("3"), twoPlanes},
        {"runs: no check", runs, [](Editor& e) { tapLast(e, "Plane P2"); }, twoPlanes},
        {"runs: no mark", runs,
         [](Editor& e) {
             const ImVec2 at = e.item("support").centre();
             e.h.drag(at, ImVec2(at.x + 100, at.y));
         },
         twoPlanes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Editor e(withThirdSupport(c.prepare));
        c.act(e);
        e.h.frame(2);
        EXPECT_EQ(channelsOf(e.g), c.expected);
        for (std::size_t i = 0; i < c.expected.size(); ++i) EXPECT_GT(e.data().planeStates[i], 0) << i;
    }
}

TEST(EditingLayout, EngagedSupportThatIsNotActiveIsRedAndBlocksBalancing) {
    struct Case {
        Channels planes;
        const char* support3;  // support 3, not active: engaged or not
        bool valid;
        Gui::ScreenId after;  // the screen after "Balance"
    };
    const Case cases[] = {
        {{{1, 0}, {0, 3}}, "marked", false, Gui::ScreenId::Editing},
        {{{1, 0}, {0, 2}}, "disabled", true, Gui::ScreenId::Balancing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.support3);
        Editor e([&c](Gui& g) {
            shaped(c.planes)(g);
            rotorOf(g).data().factors.resize(4);  // "Balance", not "Determine IC"
        });
        EXPECT_EQ(e.item("3").text, c.support3);
        EXPECT_EQ(e.item("4").text, "disabled");  // neither engaged nor active
        EXPECT_EQ(e.data().valid, c.valid);
        ASSERT_TRUE(e.h.tap("Balance"));
        e.h.run(400);
        EXPECT_EQ(e.g.currentScreen(), c.after);
    }
}

TEST(EditingLayout, ControlRotorCheckSetsAndClearsTheFlag) {
    Editor e(shaped({{1, 0}, {0, 0}, {0, 2}}));
    const std::string label = textOrEmpty(kControlRotor);
    ASSERT_EQ(label.rfind("\xD0\xA1", 0), 0u);  // a Cyrillic capital Es first
    for (const bool expected : {true, false}) {
        tapLast(e, label);
        EXPECT_EQ(rotorOf(e.g).isControlRotor(), expected);
    }
}

TEST(EditingLayout, DimensionBoxesInOrderEnterTheirPlanesDistances) {
    Editor e;
    const float a = e.item("A").min.x, b = e.item("B").min.x, c = e.item("C").min.x;
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    EXPECT_FALSE(e.h.probe().find("D"));
    e.enter("B", "600");
    e.enter("C", "150");
    EXPECT_EQ(planeOf(e.g, 1).distance1, 600);
    EXPECT_EQ(planeOf(e.g, 1).distance2, 150);
    EXPECT_EQ(planeOf(e.g, 0).distance1, 0);
}

TEST(EditingLayout, PanelOverlapByTheWindowAndTheColumn) {
    for (const float width : {790.0f, 1600.0f}) {
        for (const char* plane : {"Plane P1", "Plane P2"}) {
            SCOPED_TRACE(std::to_string(width) + " " + plane);
            Editor e;
            e.h.resize(width, 960);
            e.h.frame(2);
            const float right = e.item(plane).min.x + 248;  // the column's right edge
            ASSERT_TRUE(e.h.tap(plane));
            float expected = (790 - width + right - 20) / 790;
            if (width <= 790) expected = 1;
            if (width - right >= 790) expected = 0;
            EXPECT_FLOAT_EQ(e.data().panelOverlap, expected);
            EXPECT_NE(e.data().panelState, Editing::kPanelHidden);
        }
    }
}

// The drive row wherever its base width fits the window: every element and
// caption inside the window, no sideways scrolling, and no two texts of one
// line over each other.
TEST(EditingLayout, DriveRowFitsTheWindowInBothLanguages) {
    struct Case {
        bool english;
        TextId machine;
        bool belt;
        float width;
        bool control;  // three planes, the long caption of a control rotor
    };
    const Case cases[] = {
        {false, settings_choice::kHorizontal, true, 1280, false}, {true, settings_choice::kHorizontal, true, 1280, false},
        {false, settings_choice::kHorizontal, true, 1280, true},  {true, settings_choice::kHorizontal, true, 1280, true},
        {false, settings_choice::kVertical, true, 1000, false},   {true, settings_choice::kVertical, true, 1000, false},
        {false, settings_choice::kVertical, false, 790, false},   {true, settings_choice::kVertical, false, 790, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + (c.english ? " en" : " ru") + (c.belt ? " belt" : " end") +
                     (c.control ? " control" : ""));
        Editor e(
            [&c](Gui& g) {
                if (c.belt) set(g, {kDrive, kDriveBelt}, nullptr);
                if (!c.control) return;
                shaped({{1, 0}, {0, 0}, {0, 2}})(g);
                set(g, {kControlRotor, 1}, nullptr);
            },
            [&c](Gui& g) {
                g._config->machineInterface = c.machine;
                g._config->beltDrive.active = true;
            },
            c.english);
        e.h.resize(c.width, 960);
        e.h.frame(2);
        const UiItem& ic = e.item(c.english ? "Determined" : "Определяемые");
        std::vector<UiItem> row;  // the row's elements and the captions above them
        for (const UiItem& i : e.h.probe().items())
            if (i.max.y <= ic.max.y && i.min.y >= ic.min.y - 45) row.push_back(i);
        ASSERT_GT(row.size(), 10u);
        for (const UiItem& i : row) {
            EXPECT_GE(i.min.x, 0) << i.label;
            EXPECT_LE(i.max.x, c.width) << i.label << i.text;
        }
        // Nor does the content scroll sideways for it, or grow a scroll bar
        // over it for table rows the rotor does not have.
        const ImGuiWindow* content = ImGui::FindWindowByName(Editing::kContentWindow);
        ASSERT_TRUE(content);
        EXPECT_EQ(content->ScrollMax.x, 0);
        EXPECT_EQ(content->ScrollMax.y, 0);
        EXPECT_EQ(rotorOf(e.g).isControlRotor(), c.control);
        for (const UiItem& a : row)
            for (const UiItem& b : row)
                if (&a != &b && a.id == 0 && b.id == 0 && a.min.y < b.centre().y && b.centre().y < a.max.y) {
                    EXPECT_FALSE(a.min.x < b.max.x && b.min.x < a.max.x) << a.text << " / " << b.text;
                }
    }
}

TEST(EditingLayout, ShadowKeepsTapsOffTheContentAndClosesThePanel) {
    Editor e;
    ASSERT_TRUE(e.h.tap("Plane P1"));
    e.h.run(400);
    ASSERT_EQ(e.data().panelState, Editing::kPanelShown);
    ASSERT_LT(e.item("Rotation").max.x, e.g._screenWidth - Editing::kPanelWidth);  // beside the panel
    ASSERT_TRUE(e.h.tap("Rotation"));
    e.h.run(400);
    EXPECT_EQ(e.data().panelState, Editing::kPanelHidden);
    EXPECT_EQ(e.data().editTarget, Editing::kNoEntry);
    EXPECT_EQ(e.g._keyboardState, Gui::kHidden);
}

TEST(EditingLayout, SetPlaneCountKeepsPlanesAndTheControlFlagOnlyWhenUnchanged) {
    struct Case {
        int count;
        std::size_t kept;
        bool control;
    };
    for (const Case c : {Case{3, 3, true}, Case{5, 3, false}, Case{1, 1, false}, Case{0, 0, false}}) {
        SCOPED_TRACE(c.count);
        Config config;
        Rotor rotor(&config);
        rotor.data().planes.assign(3, Plane());
        for (std::size_t i = 0; i < 3; ++i) rotor.data().planes[i].radius = 10.0 * static_cast<double>(i + 1);
        rotor.data().controlRotor = true;
        rotor.setPlaneCount(c.count);
        ASSERT_EQ(rotor.planeCount(false), c.count);
        EXPECT_EQ(rotor.isControlRotor(), c.control);
        for (std::size_t i = 0; i < static_cast<std::size_t>(c.count); ++i) {
            const Plane& p = rotor.data().planes[i];
            EXPECT_EQ(p.radius, i < c.kept ? 10.0 * static_cast<double>(i + 1) : 0.0) << i;
            if (i >= c.kept) {
                EXPECT_EQ(p.positions, 3u) << i;  // a default plane
            }
        }
    }
}

}  // namespace
