// The home screen: operator login by tap, PIN and service code, access levels
// after logout, tile sizes and scrolling, the keypad slide, the welder
// question and reminder, the clock and long names.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "records/settings_file.h"
#include "records/settings_limits.h"
#include "support/gui_harness.h"
#include "support/work_dir.h"

namespace {

Operator op(const char* name, std::uint32_t pin, bool access) {
    Operator o;
    o.name = name;
    o.pin = pin;
    o.access = access;
    return o;
}

const std::vector<Operator> kOperators = {op("Anna", 0, false), op("Boris", 1234, false), op("Chief", 777, true)};

// A harness whose settings, with these operators, went through ".cfg".
struct Home {
    testwd::WorkDir dir;
    GuiHarness h;
    Gui& g;
    Home(const std::vector<Operator>& ops, float width = 1280, float height = 960, bool english = true)
        : h(width, height, english), g(h.gui()) {
        Config config;
        config.language = english ? 1 : 0;
        config.operators = ops;
        EXPECT_TRUE(saveSettingsFile(config, "ops.cfg"));
        EXPECT_TRUE(loadSettings(g, "ops.cfg"));
        h.frame(2);
    }
    // "@name" taps a row, "#1234" taps keys, "type:" and "paste:" use the
    // physical keyboard and press Enter; other labels are tapped.
    void play(const std::vector<std::string>& steps) {
        for (const std::string& s : steps) {
            SCOPED_TRACE(s);
            if (s[0] == '#') {
                for (char c : s.substr(1)) ASSERT_TRUE(h.tap(std::string(1, c)));
            } else if (s.rfind("type:", 0) == 0 || s.rfind("paste:", 0) == 0) {
                const std::string text = s.substr(s.find(':') + 1);
                if (s[0] == 't') {
                    h.type(text.c_str());
                    h.frame();  // typed text comes after the frame's keys
                } else {
                    h.setClipboard(text);
                    h.key(GuiKey::Paste);  // with Enter in one frame: all 25 reach the login
                }
                h.key(GuiKey::Enter);
                h.frame();
            } else {
                ASSERT_TRUE(h.tap(s[0] == '@' ? s.substr(1) : s));
            }
            h.run(300);  // every slide ends
        }
    }
};

TEST(HomeScreen, LoginAndAccessLevels) {
    struct Case {
        const char* name;
        std::vector<std::string> steps;
        int loggedIn;  // Gui::_operator
        int level;     // settingsAccessLevel
        int selected;  // -1: the keypad has left
    };
    const Case cases[] = {
        {"PIN 0 logs in with one tap", {"@Anna"}, 0, 0, -1},
        {"PIN by keys", {"@Boris", "#1234", "Login"}, 1, 0, -1},
        {"leading zeros", {"@Boris", "type:01234"}, 1, 0, -1},
        {"many leading zeros pasted", {"@Boris", "paste:0000000000000000000001234"}, 1, 0, -1},
        {"specialist", {"@Chief", "#777", "Login"}, 2, 1, -1},
        {"wrong PIN keeps the keypad", {"@Boris", "#1235", "Login"}, -1, 1, 1},
        {"1234 plus 2^32 is no PIN", {"@Boris", "type:4294968530"}, -1, 1, 1},
        {"sixteen digits", {"@Boris", "type:9999999999991234"}, -1, 1, 1},
        {"25 digits pasted", {"@Boris", "paste:1000000000000000000001234"}, -1, 1, 1},
        {"service code", {"service-entry", "#482715", "Login"}, 0, 2, -1},
        {"service code is text", {"service-entry", "type:0482715"}, -1, 1, 1000000},
        {"logout ends service access", {"service-entry", "type:482715", "Logout"}, -1, 1, -1},
        {"service, logout, operator: own level", {"service-entry", "type:482715", "Logout", "@Boris", "type:1234"}, 1, 0, -1},
        {"service, logout, specialist", {"service-entry", "type:482715", "Logout", "@Chief", "type:777"}, 2, 1, -1},
        {"service, logout, PIN 0", {"service-entry", "type:482715", "Logout", "@Anna"}, 0, 0, -1},
        {"a second operator's tap drops the selection", {"@Boris", "@Chief"}, -1, 1, -1},
        {"a further tap selects", {"@Boris", "@Chief", "@Chief"}, -1, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Home home(kOperators);
        home.play(c.steps);
        EXPECT_EQ(home.g._operator, c.loggedIn);
        EXPECT_EQ(settingsAccessLevel(*home.g._config), c.level);
        EXPECT_EQ(home.g._selectedOperator, c.selected);
        EXPECT_EQ(home.g._keypadSlide, c.selected == -1 ? 0 : 100);
        EXPECT_EQ(home.h.probe().find("Balancing") != nullptr, c.loggedIn >= 0);
        if (c.loggedIn > 0) { EXPECT_EQ(home.g._config->local.operatorName, kOperators[c.loggedIn].name); }
    }
}

TEST(HomeScreen, ServiceLoginDropsTheLastOperatorsName) {
    Home home(kOperators);
    home.play({"@Boris", "type:1234", "Logout", "service-entry", "type:482715"});
    EXPECT_EQ(home.g._operator, 0);
    EXPECT_EQ(home.g._config->local.operatorName, "");
    EXPECT_FALSE(home.h.probe().shows("Boris"));
    EXPECT_NE(home.h.probe().find("Balancing"), nullptr);
}

TEST(HomeScreen, KeypadSlidesInOver200ms) {
    Home home(kOperators);
    ASSERT_TRUE(home.h.tap("Boris"));
    EXPECT_EQ(home.g._keypadSlide, 1);
    home.h.run(176);
    EXPECT_GT(home.g._keypadSlide, 80);
    EXPECT_LT(home.g._keypadSlide, 100);
    home.h.frame(2);
    EXPECT_EQ(home.g._keypadSlide, 100);
}

TEST(HomeScreen, TileSizeFollowsTheWindow) {
    struct Case {
        float width, height, tile;
    };
    for (const Case& c : {Case{999, 960, 200}, Case{1000, 960, 300}, Case{1280, 799, 200}, Case{1280, 800, 300}}) {
        GuiHarness h(c.width, c.height);  // no operators: the tiles at once
        h.frame();
        const UiItem* tile = h.probe().find("Settings");
        ASSERT_NE(tile, nullptr);
        EXPECT_EQ(tile->max.x - tile->min.x, c.tile) << c.width << "x" << c.height;
    }
}

TEST(HomeScreen, WelderQuestionOnceThenRemindersUntilCancel) {
    for (const char* answer : {"No", "Yes"}) {
        SCOPED_TRACE(answer);
        GuiHarness h;
        Gui& g = h.gui();
        FakeMachine& m = h.machine();
        g._config->externalWelding = true;
        m.state = 1;  // not ready yet: no question
        h.run(1000);
        EXPECT_EQ(g._modalState, Gui::kHidden);
        m.state = 0;
        h.run(400);
        ASSERT_TRUE(h.probe().shows("Do you plan to use an external welding machine?"));
        ASSERT_TRUE(h.tap(answer));
        int reminders = 0;
        for (const char* press : {"Connect", "Connect", "Cancel", ""}) {
            h.run(5400);
            const bool shown = h.probe().shows("No connection with an external welding machine");
            reminders += shown;
            if (shown && *press) { ASSERT_TRUE(h.tap(press)); }
        }
        EXPECT_EQ(reminders, std::string(answer) == "Yes" ? 3 : 0);
        EXPECT_EQ(m.count("restartWelder"), std::string(answer) == "Yes" ? 2 : 0);
        EXPECT_FALSE(h.probe().shows("Do you plan"));
    }
}

TEST(HomeScreen, ClockAtAFixedWallTime) {
    setenv("TZ", "UTC", 1);
    tzset();
    for (bool english : {true, false}) {
        GuiHarness h(1280, 960, english);
        h.setWallTime(1674637500);  // Wednesday, 2023-01-25 09:05 UTC
        h.frame();
        EXPECT_TRUE(h.probe().shows("9:05"));
        EXPECT_TRUE(h.probe().shows(english ? "Wednesday, January 25" : "Среда, 25 января"));
    }
}

TEST(HomeScreen, LongCyrillicNameIsCutBetweenCharacters) {
    const std::string name = "Константинопольская Александра Владиславовна-Длинноимённая";
    Home home({op(name.c_str(), 5, false), op("B", 6, false)});
    std::string shown;
    for (const UiItem& i : home.h.probe().items())
        if (i.label.rfind("Конст", 0) == 0) shown = i.label;
    ASSERT_GT(shown.size(), 3u);
    ASSERT_EQ(shown.substr(shown.size() - 3), "...");
    const std::string kept = shown.substr(0, shown.size() - 3);
    EXPECT_LT(kept.size(), name.size());
    EXPECT_EQ(name.compare(0, kept.size(), kept), 0);
    EXPECT_NE(static_cast<unsigned char>(name[kept.size()]) & 0xC0, 0x80);  // a character starts there
}

// Only the rows in view are drawn: no length of list can overrun a draw list.
TEST(HomeScreen, LongOperatorListsDrawTheirRowsInView) {
    for (std::size_t n : {kMaxOperators, std::size_t{20000}}) {
        GuiHarness h;
        for (std::size_t i = 0; i < n; ++i)
            h.gui()._config->operators.push_back(op(("Op " + std::to_string(i)).c_str(), 1, false));
        h.frame(2);
        EXPECT_TRUE(h.probe().find("Op 15") && !h.probe().find("Op 17")) << n;
        h.drag(h.probe().find("Op 12")->centre(), h.probe().find("Op 2")->centre()), h.frame();
        EXPECT_TRUE(h.probe().find("Op 20") && !h.probe().find("Op 0")) << n;
    }
}

TEST(HomeScreen, DragScrollsTheTilesAndATapStillOpensOne) {
    GuiHarness h(1280, 800);
    h.gui()._config->weldDrive.active = true;
    h.frame(3);
    const UiItem before = *h.probe().find("History");
    EXPECT_EQ(before.min.y, 20 + 320 - 150);  // the second row, the area scrolled to 150
    h.drag(before.centre(), ImVec2(before.centre().x, before.centre().y + 100));
    h.frame();
    ASSERT_NE(h.probe().find("History"), nullptr) << "the drag opened the tile";
    EXPECT_EQ(h.probe().find("History")->min.y, before.min.y + 100);
    EXPECT_TRUE(h.gui().onHomeScreen());
    ASSERT_TRUE(h.tap("History"));
    h.run(400);
    EXPECT_EQ(h.gui().currentScreen(), Gui::ScreenId::History);
}

}  // namespace
