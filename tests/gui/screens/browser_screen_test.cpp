// The history and database browser over real files in a temporary working
// folder, with history files written by the rotor itself at set times.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gui/screens/rotor_list.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "rotor/rotor_files_fixture.h"
#include "support/gui_harness.h"
#include "support/work_dir.h"

namespace {

namespace fs = std::filesystem;
using rotortest::localSeconds;
constexpr std::int64_t kDay = 86400;
const std::int64_t kNow = localSeconds(2023, 6, 15, 14, 0, 0);

struct Browser {
    testwd::WorkDir dir{"ks_browser"};
    GuiHarness h;
    Gui& g;
    explicit Browser(bool english = true) : h(1280, 960, english), g(h.gui()) {
        fs::create_directories("history");
        fs::create_directories("db");
        h.setWallTime(kNow);
    }
    // A history file of a rotor of this name, written by its first run at `at`.
    std::string record(const char* name, std::int64_t at, int planes = 2) {
        h.setWallTime(at);
        Rotor r(g._config);
        r.setName(name);
        r.data().planes.resize(static_cast<std::size_t>(planes));
        r.recordRun(Measurement{});
        h.setWallTime(kNow);
        return r.nameText(true);
    }
    void open(bool history) {
        g.setScreen(true, history ? &Gui::history : &Gui::database);
        h.run(400);
    }
    HistoryData::Data& data() { return dynamic_cast<HistoryData::Data&>(*g._data); }
    const RotorListEntry* entry(const std::string& fileName) {
        for (const RotorListEntry& e : data().entries)
            if (e.fileName == fileName) return &e;
        return nullptr;
    }
    // The rows drawn in the last frame, by rotor name.
    std::vector<std::string> rows() const {
        std::vector<std::string> names;
        for (const UiItem& i : h.probe().items())
            if (i.id != 0 && i.text.size() > 6 && i.text.compare(i.text.size() - 6, 6, ".rotor") == 0 && i.label != "delete" &&
                i.label != "save" && i.label != "print" && i.label != "copy")
                names.push_back(i.label);
        return names;
    }
    void answer(const char* button) {
        ASSERT_TRUE(h.tap(button));
        h.run(400);
    }
};

void writeRotor(const std::string& path, int planes) {
    RotorData r;
    r.planes.resize(static_cast<std::size_t>(planes));
    testwd::writeFile(path, r.serialize());
}

TEST(BrowserScreen, HistoryNamesGiveNamePlanesAndTime) {
    Browser b;
    testwd::writeFile("history/ROTOR 3_220230125123000.rotor", "");
    testwd::setMtime("history/ROTOR 3_220230125123000.rotor", kNow - 60);
    testwd::writeFile("history/ROTOR 3.rotor", "");
    testwd::writeFile("history/P_1220230101120000.rotor", "");
    testwd::writeFile("history/notes.txt", "");
    const std::string ab = b.record("A_B", kNow - 3600);
    b.open(true);
    struct Row {
        std::string file, name, planes;
        std::int64_t time;
    };
    const Row rows[] = {{ab, "A_B", "2", kNow - 3600},  // newest first
                        {"ROTOR 3_220230125123000.rotor", "ROTOR 3", "2", localSeconds(2023, 1, 25, 12, 30, 0)},
                        {"P_1220230101120000.rotor", "P", "12", localSeconds(2023, 1, 1, 12, 0, 0)}};
    ASSERT_EQ(b.data().entries.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const RotorListEntry& e = b.data().entries[i];
        EXPECT_EQ(e.fileName, rows[i].file);
        EXPECT_EQ(e.name, rows[i].name);
        EXPECT_EQ(e.planesText, rows[i].planes);
        EXPECT_EQ(e.time, rows[i].time);
    }
    // Reopened, the rotor carries the name the list shows.
    ASSERT_TRUE(b.h.tap("A_B"));
    b.h.run(400);
    EXPECT_STREQ(b.g._rotor->nameText(false), "A_B");
}

TEST(BrowserScreen, DatabaseInByteOrderWithPlanesFromTheFile) {
    Browser b;
    for (auto [name, planes] : {std::pair{"b", 1}, {"B", 3}, {"A", 2}}) writeRotor(std::string("db/") + name + ".rotor", planes);
    fs::create_directories("db/Ж.rotor");
    b.open(false);
    EXPECT_EQ(b.rows(), (std::vector<std::string>{"A", "B", "b", "Ж"}));
    std::vector<std::string> planes;
    for (const RotorListEntry& e : b.data().entries) planes.push_back(e.planesText);
    EXPECT_EQ(planes, (std::vector<std::string>{"2", "3", "1", ""}));
}

TEST(BrowserScreen, DateLabelsInBothLanguages) {
    struct Case {
        std::int64_t at;
        const char *english, *russian;
    };
    const Case cases[] = {
        {localSeconds(2023, 6, 15, 0, 0, 0), "June 15, 00:00", "15 июня, 00:00"},  // midnight is not today
        {localSeconds(2023, 6, 15, 0, 1, 0), "Today, 00:01", "Сегодня, 00:01"},
        {localSeconds(2023, 6, 16, 0, 30, 0), "June 16, 00:30", "16 июня, 00:30"},  // tomorrow is not today
        {kNow - 359 * kDay, "June 21, 14:00", "21 июня, 14:00"},
        {kNow - 361 * kDay, "June 19 2022", "19 июня 2022"},
        {kNow + 359 * kDay, "June 8, 14:00", "8 июня, 14:00"},
        {kNow + 361 * kDay, "June 10 2024", "10 июня 2024"},
    };
    Browser b;
    std::vector<std::string> files;
    for (const Case& c : cases) files.push_back(b.record("R", c.at));
    b.open(true);
    for (bool english : {true, false}) {
        setLanguage(english);
        b.h.frame();
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const RotorListEntry* e = b.entry(files[i]);
            ASSERT_TRUE(e) << files[i];
            EXPECT_EQ(e->dateText, english ? cases[i].english : cases[i].russian);
        }
    }
    EXPECT_TRUE(b.h.probe().find("За сегодня"));
}

TEST(BrowserScreen, NameAndPeriodFilters) {
    Browser b;
    b.record("ROTOR 1", localSeconds(2023, 6, 15, 10, 0, 0));
    b.record("ROTOR 2", localSeconds(2023, 6, 14, 23, 59, 0));  // under a day ago, but yesterday
    b.record("SHAFT", kNow - 5 * kDay);
    b.record("ROTOR 4", kNow - 20 * kDay);
    b.record("OLD", kNow - 40 * kDay);
    b.open(true);
    struct Case {
        int period;
        const char* filter;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {HistoryData::kPeriodAll, "", {"ROTOR 1", "ROTOR 2", "SHAFT", "ROTOR 4", "OLD"}},
        {HistoryData::kPeriodDay, "", {"ROTOR 1"}},
        {HistoryData::kPeriodWeek, "", {"ROTOR 1", "ROTOR 2", "SHAFT"}},
        {HistoryData::kPeriodMonth, "", {"ROTOR 1", "ROTOR 2", "SHAFT", "ROTOR 4"}},
        {HistoryData::kPeriodAll, "ROTOR", {"ROTOR 1", "ROTOR 2", "ROTOR 4"}},
        {HistoryData::kPeriodWeek, "rotor", {}},  // case counts
    };
    for (const Case& c : cases) {
        b.data().periods.selected = c.period;
        b.g._config->local.text2 = c.filter;
        b.h.frame();
        EXPECT_EQ(b.rows(), c.shown) << c.period << " " << c.filter;
    }
    // The period by touch; the filter from the keyboard's live text, stored on Enter.
    b.g._config->local.text2.clear();
    ASSERT_TRUE(b.h.tap("For the week"));
    ASSERT_TRUE(b.h.tap("filter"));
    b.h.run(400);
    b.g._keyboardText = "SH";
    b.h.frame();
    EXPECT_EQ(b.rows(), std::vector<std::string>{"SHAFT"});
    EXPECT_EQ(b.g._config->local.text2, "");
    b.h.key(GuiKey::Enter);
    b.h.run(400);
    EXPECT_EQ(b.g._config->local.text2, "SH");
    b.g.pressHome();  // the stored filter outlasts the screen
    b.h.run(400);
    b.open(true);
    EXPECT_EQ(b.rows(), std::vector<std::string>{"SHAFT"});
}

TEST(BrowserScreen, OnlyTheConfirmedDeleteRemovesItsFile) {
    const std::vector<std::pair<const char*, std::function<void(Browser&)>>> closes = {
        {"No", [](Browser& b) { b.answer("No"); }},
        {"Back", [](Browser& b) { b.answer("É"); }},
        {"Home", [](Browser& b) { b.answer("È"); b.open(false); }},
        {"Escape", [](Browser& b) { b.h.key(GuiKey::Escape); b.h.run(400); }},
        {"another box", [](Browser& b) { b.g.messageBox("USB device not found!"); b.h.run(400); b.answer("OK"); }},
    };
    for (const auto& [name, close] : closes) {
        SCOPED_TRACE(name);
        Browser b;
        writeRotor("db/FIRST.rotor", 2);
        writeRotor("db/SECOND.rotor", 2);
        b.open(false);
        ASSERT_TRUE(b.h.tap("delete", "FIRST.rotor"));
        b.h.run(400);
        EXPECT_TRUE(b.h.probe().shows("Are you sure you want to delete the rotor?"));
        close(b);
        ASSERT_TRUE(b.h.tap("delete", "SECOND.rotor"));
        b.h.run(400);
        b.answer("Yes");
        EXPECT_EQ(testwd::filesIn("db"), std::vector<std::string>{"FIRST.rotor"});
        EXPECT_EQ(b.rows(), std::vector<std::string>{"FIRST"});
    }
}

TEST(BrowserScreen, WhatCannotBeDeletedStaysListed) {
    Browser b;
    fs::create_directories("db/STUCK.rotor/inside");
    b.open(false);
    ASSERT_TRUE(b.h.tap("delete", "STUCK.rotor"));
    b.h.run(400);
    b.answer("Yes");
    EXPECT_TRUE(b.h.probe().shows("Error!"));
    EXPECT_TRUE(b.h.probe().shows("STUCK.rotor"));
    EXPECT_EQ(b.rows(), std::vector<std::string>{"STUCK"});

    // The history file the active rotor writes is refused at once; its
    // protocol uses the active rotor, which outlives the flow.
    Browser a;
    const std::string active = a.record("ACTIVE", kNow - 60);
    const std::string other = a.record("OTHER", kNow - 120);
    ASSERT_TRUE(a.g._rotor->loadRotor(active.c_str(), 2));
    a.open(true);
    ASSERT_TRUE(a.h.tap("delete", active));
    a.h.run(400);
    EXPECT_TRUE(a.h.probe().shows("Unable to delete active history"));
    EXPECT_TRUE(fs::exists("history/" + active));
    a.answer("OK");
    for (const std::string& file : {active, other})
        for (const char* icon : {"save", "print"}) ASSERT_TRUE(a.h.tap(icon, file));
    EXPECT_STREQ(a.g._rotor->nameText(true), active.c_str());
}

TEST(BrowserScreen, CopiesStayInsideTheDatabase) {
    struct Case {
        const char* typed;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {"ROTOR 2", {"ROTOR 2.rotor"}},  // its own name: nothing happens
        {"COPY", {"COPY.rotor", "ROTOR 2.rotor"}},
        {"../x", {".._x.rotor", "ROTOR 2.rotor"}},
        {"a/b", {"ROTOR 2.rotor", "a_b.rotor"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Browser b;
        writeRotor("db/ROTOR 2.rotor", 3);
        b.open(false);
        ASSERT_TRUE(b.h.tap("copy", "ROTOR 2.rotor"));
        b.h.run(400);
        EXPECT_EQ(b.g._keyboardText, "ROTOR 2");
        b.g._keyboardText = c.typed;
        b.h.key(GuiKey::Enter);
        b.h.run(400);
        EXPECT_EQ(testwd::filesIn("db"), c.files);
        EXPECT_EQ(testwd::filesIn("."), (std::vector<std::string>{"db", "history"}));
        EXPECT_EQ(b.data().entries.size(), c.files.size());
        EXPECT_FALSE(b.h.probe().shows("Error!"));
        for (const std::string& f : c.files) EXPECT_EQ(b.entry(f)->planesText, "3");
    }
}

TEST(BrowserScreen, OpenHandsTheRotorOverAndSwitches) {
    Browser b;
    b.h.machine().touchRotor = true;  // a freed rotor in the machine's hands fails under ASan
    writeRotor("db/SHAFT.rotor", 2);
    fs::create_directories("db/BROKEN.rotor");
    const std::string hist = b.record("HIST", kNow - 60);
    b.record("OTHER", kNow - 120);
    Rotor* const before = b.g._rotor;

    b.open(false);
    ASSERT_TRUE(b.h.tap("BROKEN"));
    b.h.run(400);
    EXPECT_TRUE(b.h.probe().shows("Opening file error!"));
    EXPECT_EQ(b.g._rotor, before);
    b.answer("OK");

    ASSERT_TRUE(b.h.tap("SHAFT"));
    b.h.run(400);
    EXPECT_EQ(b.g.currentScreen(), Gui::ScreenId::Editing);
    EXPECT_STREQ(b.g._rotor->nameText(false), "SHAFT");
    EXPECT_EQ(b.h.machine().getRotor(), b.g._rotor);
    b.g.pressBack();  // the Database was not remembered
    b.h.run(400);
    EXPECT_TRUE(b.g.onHomeScreen());

    // From the History, Back returns to the same list with its period and filter.
    b.open(true);
    HistoryData::Data* list = &b.data();
    list->periods.selected = HistoryData::kPeriodWeek;
    b.g._config->local.text2 = "HI";
    ASSERT_TRUE(b.h.tap("HIST"));
    b.h.run(400);
    EXPECT_EQ(b.g.currentScreen(), Gui::ScreenId::Editing);
    EXPECT_EQ(b.g._rotor->runCount(), 1);  // a history brings its runs
    b.g.pressBack();
    b.h.run(400);
    ASSERT_EQ(b.g.currentScreen(), Gui::ScreenId::History);
    EXPECT_EQ(&b.data(), list);
    EXPECT_EQ(b.data().periods.selected, HistoryData::kPeriodWeek);
    EXPECT_EQ(b.rows(), std::vector<std::string>{"HIST"});
    EXPECT_TRUE(b.entry(hist)->isActiveHistory);
}

TEST(BrowserScreen, OpensWaitingForTheKeyboardSwitchOnce) {
    Browser b;
    b.record("ONE", kNow - 60);
    b.record("TWO", kNow - 120);
    b.open(true);
    ASSERT_TRUE(b.h.tap("filter"));
    b.h.run(400);
    ASSERT_TRUE(b.h.tap("ONE"));
    ASSERT_TRUE(b.h.tap("TWO"));  // the keyboard holds the switch back
    b.g._keyboardText = "TW";
    b.h.key(GuiKey::Escape);
    b.h.run(400);
    ASSERT_EQ(b.g.currentScreen(), Gui::ScreenId::Editing);
    EXPECT_STREQ(b.g._rotor->nameText(false), "ONE");
    b.g.pressBack();
    b.h.run(400);
    EXPECT_EQ(b.g.currentScreen(), Gui::ScreenId::History);
    EXPECT_EQ(b.rows().size(), 2u);  // the filter typed but not entered is gone
    b.g.pressBack();
    b.h.run(400);
    EXPECT_TRUE(b.g.onHomeScreen());  // History was remembered once
}

TEST(BrowserScreen, AddMakesTheNextRotor) {
    Browser b;
    writeRotor("db/ROTOR 2.rotor", 2);
    writeRotor("db/ROTOR 10.rotor", 2);
    b.record("ROTOR 7", kNow - 60);
    b.open(false);
    ASSERT_TRUE(b.h.tap("add"));
    b.h.run(400);
    EXPECT_EQ(b.g.currentScreen(), Gui::ScreenId::Editing);
    EXPECT_STREQ(b.g._rotor->nameText(false), "ROTOR 11");
}

}  // namespace
