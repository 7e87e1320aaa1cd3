// The history and database browser over real files in a temporary working
// folder, with history files written by the rotor itself at set times.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "gui/screens/rotor_list.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "rotor/rotor_files.h"
#include "rotor/rotor_files_fixture.h"
#include "rotor/test_progress.h"
#include "support/gui_harness.h"
#include "support/work_dir.h"

namespace {

namespace fs = std::filesystem;
using rotortest::localSeconds;
using Names = std::vector<std::string>;
constexpr std::int64_t kDay = 86400;
const std::int64_t kNow = localSeconds(2023, 6, 15, 14, 0, 0);

void writeRotor(const std::string& path, int planes) {
    RotorData r;
    r.planes.resize(static_cast<std::size_t>(planes));
    testwd::writeFile(path, r.serialize());
}

struct Browser {
    testwd::WorkDir dir{"ks_browser"};
    GuiHarness h;
    Gui& g;
    explicit Browser(bool english = true) : h(1280, 960, english), g(h.gui()) {
        for (const char* folder : {"history", "db"}) fs::create_directories(folder);
        h.setWallTime(kNow);
    }
    // The history file of a rotor of this name, written by its first run at `at`.
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
    const RotorListEntry& entry(const std::string& fileName) {
        static const RotorListEntry none;
        for (const RotorListEntry& e : data().entries)
            if (e.fileName == fileName) return e;
        ADD_FAILURE() << fileName;
        return none;
    }
    // The rows drawn in the last frame, by rotor name (the row item shows its file).
    Names rows() const {
        static const Names icons{"delete", "save", "print", "copy"};
        Names names;
        for (const UiItem& i : h.probe().items())
            if (i.id != 0 && i.text.find(".rotor") != std::string::npos &&
                std::find(icons.begin(), icons.end(), i.label) == icons.end())
                names.push_back(i.label);
        return names;
    }
    void tap(const std::string& label, const std::string& file = {}) {
        ASSERT_TRUE(file.empty() ? h.tap(label) : h.tap(label, file)) << label;
        h.run(400);
    }
};

TEST(BrowserScreen, HistoryNamesGiveNamePlanesAndTime) {
    Browser b;
    for (const char* f :
         {"ROTOR 3_220230125123000.rotor", "ROTOR 3.rotor", "P_1220230101120000.rotor", "x.txt"})
        testwd::writeFile(std::string("history/") + f, "");
    testwd::setMtime("history/ROTOR 3_220230125123000.rotor", kNow - 60);
    const std::string ab = b.record("A_B", kNow - 3600);
    b.open(true);
    const std::tuple<std::string, std::string, std::string, std::int64_t> rows[] = {
        {ab, "A_B", "2", kNow - 3600},  // newest first
        {"ROTOR 3_220230125123000.rotor", "ROTOR 3", "2", localSeconds(2023, 1, 25, 12, 30, 0)},
        {"P_1220230101120000.rotor", "P", "", localSeconds(2023, 1, 1, 12, 0, 0)}};  // 12 planes: damaged
    ASSERT_EQ(b.data().entries.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const RotorListEntry& e = b.data().entries[i];
        EXPECT_EQ(std::tie(e.fileName, e.name, e.planesText, e.time), rows[i]);
    }
    b.tap("A_B");  // reopened, the rotor carries the name the list shows
    EXPECT_STREQ(b.g._rotor->nameText(false), "A_B");
}

// The listing reads the stamps itself; in a zone that changes its clock the
// times are mktime's, a skipped hour and out-of-range fields included.
TEST(BrowserScreen, StampTimesAsMktimeReadsThemAcrossClockChanges) {
    const char* oldTz = std::getenv("TZ");
    const std::string restore = oldTz ? oldTz : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    HistoryData::LocalSeconds zone(localSeconds(2023, 6, 15, 14, 0, 0));
    const int stamps[][6] = {{2023, 6, 15, 9, 0, 0},  {2023, 3, 26, 1, 59, 59}, {2023, 3, 26, 3, 0, 0},
                             {2023, 3, 26, 2, 30, 0}, {2023, 10, 29, 4, 0, 0},  {2023, 1, 25, 23, 59, 59},
                             {2023, 13, 1, 10, 0, 0}, {2023, 2, 29, 10, 0, 0},  {1969, 12, 31, 23, 0, 0}};
    for (const auto& s : stamps) {
        std::tm fields{};
        fields.tm_year = s[0] - 1900, fields.tm_mon = s[1] - 1, fields.tm_mday = s[2];
        fields.tm_hour = s[3], fields.tm_min = s[4], fields.tm_sec = s[5];
        std::tm expected = fields;
        expected.tm_isdst = -1;
        const std::int64_t want = std::mktime(&expected);
        std::int64_t time = 0;
        ASSERT_TRUE(zone.convert(fields, time));
        EXPECT_EQ(time, want) << s[0] << "-" << s[1] << "-" << s[2] << " " << s[3] << ":" << s[4];
        EXPECT_EQ(std::tie(fields.tm_mon, fields.tm_mday, fields.tm_hour),
                  std::tie(expected.tm_mon, expected.tm_mday, expected.tm_hour));
    }
    oldTz ? setenv("TZ", restore.c_str(), 1) : unsetenv("TZ");
    tzset();
}

TEST(BrowserScreen, DateLabelsInBothLanguages) {
    const std::tuple<std::int64_t, const char*, const char*> cases[] = {
        {localSeconds(2023, 6, 15, 0, 0, 0), "June 15, 00:00", "15 июня, 00:00"},  // midnight is not today
        {localSeconds(2023, 6, 15, 0, 1, 0), "Today, 00:01", "Сегодня, 00:01"},
        {localSeconds(2023, 6, 16, 0, 30, 0), "June 16, 00:30", "16 июня, 00:30"},  // nor is tomorrow
        {kNow - 359 * kDay, "June 21, 14:00", "21 июня, 14:00"},
        {kNow - 361 * kDay, "June 19 2022", "19 июня 2022"},
        {kNow + 359 * kDay, "June 8, 14:00", "8 июня, 14:00"},
        {kNow + 361 * kDay, "June 10 2024", "10 июня 2024"},
    };
    Browser b;
    Names files;
    for (const auto& c : cases) files.push_back(b.record("R", std::get<0>(c)));
    b.open(true);
    for (bool english : {true, false}) {
        setLanguage(english);
        b.h.frame();
        for (std::size_t i = 0; i < std::size(cases); ++i)
            EXPECT_EQ(b.entry(files[i]).dateText, english ? std::get<1>(cases[i]) : std::get<2>(cases[i]));
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
    using namespace HistoryData;
    const std::tuple<int, const char*, Names> cases[] = {
        {kPeriodAll, "", {"ROTOR 1", "ROTOR 2", "SHAFT", "ROTOR 4", "OLD"}},
        {kPeriodDay, "", {"ROTOR 1"}},
        {kPeriodWeek, "", {"ROTOR 1", "ROTOR 2", "SHAFT"}},
        {kPeriodMonth, "", {"ROTOR 1", "ROTOR 2", "SHAFT", "ROTOR 4"}},
        {kPeriodAll, "ROTOR", {"ROTOR 1", "ROTOR 2", "ROTOR 4"}},
        {kPeriodWeek, "rotor", {}},  // case counts
    };
    for (const auto& [period, filter, shown] : cases) {
        b.data().periods.selected = period;
        b.g._config->local.text2 = filter;
        b.h.frame();
        EXPECT_EQ(b.rows(), shown) << period << " " << filter;
    }
    // The period by touch; the filter from the keyboard's live text, stored on Enter.
    b.g._config->local.text2.clear();
    b.tap("For the week");
    b.tap("filter");
    b.g._keyboardText = "SH";
    b.h.frame();
    EXPECT_EQ(b.rows(), Names{"SHAFT"});
    EXPECT_EQ(b.g._config->local.text2, "");
    b.h.key(GuiKey::Enter);
    b.h.run(400);
    EXPECT_EQ(b.g._config->local.text2, "SH");
    b.tap("È");  // the stored filter outlasts the screen
    b.open(true);
    EXPECT_EQ(b.rows(), Names{"SHAFT"});
}

TEST(BrowserScreen, OnlyTheConfirmedDeleteRemovesItsFile) {
    const std::pair<const char*, std::function<void(Browser&)>> closes[] = {
        {"No", [](Browser& b) { b.tap("No"); }},
        {"Back", [](Browser& b) { b.tap("É"); }},
        {"Home", [](Browser& b) { b.tap("È"), b.open(false); }},
        {"Escape", [](Browser& b) { b.h.key(GuiKey::Escape), b.h.run(400); }},
        {"another box",
         [](Browser& b) { b.g.messageBox("USB device not found!"), b.h.run(400), b.tap("OK"); }},
    };
    for (const auto& [name, close] : closes) {
        SCOPED_TRACE(name);
        Browser b;
        writeRotor("db/FIRST.rotor", 2);
        writeRotor("db/SECOND.rotor", 2);
        b.open(false);
        b.tap("delete", "FIRST.rotor");
        EXPECT_TRUE(b.h.probe().shows("Are you sure you want to delete the rotor?"));
        close(b);
        b.tap("delete", "SECOND.rotor");
        b.tap("Yes");
        EXPECT_EQ(testwd::filesIn("db"), Names{"FIRST.rotor"});
        EXPECT_EQ(b.rows(), Names{"FIRST"});
    }
}

TEST(BrowserScreen, WhatCannotBeDeletedStaysListed) {
    Browser b;
    fs::create_directories("db/STUCK.rotor/inside");
    b.open(false);
    b.tap("delete", "STUCK.rotor");
    b.tap("Yes");
    EXPECT_TRUE(b.h.probe().shows("Error!") && b.h.probe().shows("STUCK.rotor"));
    EXPECT_EQ(b.rows(), Names{"STUCK"});

    // The history file the active rotor writes is refused at once; its
    // protocol uses the active rotor, which outlives the flow.
    Browser a;
    const std::string active = a.record("ACTIVE", kNow - 60), other = a.record("OTHER", kNow - 120);
    ASSERT_TRUE(a.g._rotor->loadRotor(active.c_str(), 2));
    a.open(true);
    a.tap("delete", active);
    EXPECT_TRUE(a.h.probe().shows("Unable to delete active history") && fs::exists("history/" + active));
    a.tap("OK");
    for (const std::string& file : {active, other})
        for (const char* icon : {"save", "print"}) ASSERT_TRUE(a.h.tap(icon, file));
    EXPECT_STREQ(a.g._rotor->nameText(true), active.c_str());

    Browser c;  // a record deleted takes its verification test's progress along
    const std::string record = c.record("PROVING", kNow - 60);
    testwd::writeFile(testProgressPath("history/" + record), "progress");
    c.open(true), c.tap("delete", record), c.tap("Yes");
    EXPECT_EQ(testwd::filesIn("history"), Names{});
}

TEST(BrowserScreen, CopiesStayInsideTheDatabase) {
    // The name typed, the answer to the question over another rotor's file (a one-plane "OTHER", active).
    const std::tuple<std::string, std::string, Names> cases[] = {
        {"ROTOR 2", "", {"ROTOR 2.rotor"}},  // its own name: nothing happens
        {"COPY", "", {"COPY.rotor", "ROTOR 2.rotor"}},
        {"../x", "", {".._x.rotor", "ROTOR 2.rotor"}},
        {"a/b", "", {"ROTOR 2.rotor", "a_b.rotor"}},
        {"OTHER", "No", {"OTHER.rotor", "ROTOR 2.rotor"}},
        {"OTHER", "Yes", {"OTHER.rotor", "ROTOR 2.rotor"}},
        {std::string(201, 'a'), "", {"ROTOR 2.rotor", std::string(200, 'a') + ".rotor"}},  // typed: stops at the limit
    };
    for (const auto& [typed, answer, files] : cases) {
        SCOPED_TRACE(typed + answer);
        Browser b;
        writeRotor("db/ROTOR 2.rotor", 3);
        if (!answer.empty()) {
            writeRotor("db/OTHER.rotor", 1);
            b.h.machine().touchRotor = true, b.g.newRotor();
            ASSERT_TRUE(b.g._rotor->loadRotor("OTHER.rotor", 1));
        }
        b.open(false);
        b.tap("copy", "ROTOR 2.rotor");
        EXPECT_EQ(b.g._keyboardText, "ROTOR 2");
        b.g._keyboardText = typed.size() > 100 ? "" : typed;
        if (typed.size() > 100) b.h.run(400), b.h.type(typed.c_str()), b.h.frame();
        b.h.key(GuiKey::Enter);
        b.h.run(400);
        if (!answer.empty()) {
            b.h.run(400);  // the question follows the keyboard out
            EXPECT_EQ(b.g._modalDetails, "OTHER.rotor");
            b.tap(answer);
            EXPECT_EQ(testwd::readFile("db/OTHER.rotor") == testwd::readFile("db/ROTOR 2.rotor"),
                      answer == "Yes");
            b.g._rotor->reloadAndCompute();  // as Save IC: the active rotor's save keeps the answer
            EXPECT_EQ(rotorfiles::planeCountOfFile("db/OTHER.rotor"), answer == "Yes" ? 3 : 1);
        }
        EXPECT_EQ(testwd::filesIn("db"), files);
        EXPECT_EQ(testwd::filesIn("."), (Names{"db", "history"}));
        EXPECT_FALSE(b.h.probe().shows("Error!"));
        Names shown;  // byte order: capitals first
        for (const std::string& f : files) shown.push_back(f.substr(0, f.size() - 6));
        EXPECT_EQ(b.rows(), shown);
        for (const std::string& f : files)  // read from the file
            EXPECT_EQ(b.entry(f).planesText, answer == "No" && f == "OTHER.rotor" ? "1" : "3");
    }
}

TEST(BrowserScreen, OpenAndAddHandTheRotorOverAndSwitch) {
    Browser b;
    b.h.machine().touchRotor = true;  // a freed rotor in the machine's hands fails under ASan
    writeRotor("db/ROTOR 2.rotor", 2);
    writeRotor("db/ROTOR 10.rotor", 2);
    fs::create_directories("db/BROKEN.rotor");
    writeRotor("db/SIX.rotor", 6);  // more planes than a rotor has: damaged too
    const std::string brokenHistory = "BROKEN_220230615135900.rotor";
    fs::create_directories("history/" + brokenHistory);
    const std::string hist = b.record("ROTOR 7", kNow - 60);
    b.record("OTHER", kNow - 120);
    Rotor* const before = b.g._rotor;

    b.open(false);
    for (const char* damaged : {"BROKEN", "SIX"}) {
        b.tap(damaged);
        EXPECT_TRUE(b.h.probe().shows("Opening file error!"));
        EXPECT_EQ(b.g._rotor, before);
        EXPECT_EQ(b.entry(damaged + std::string(".rotor")).planesText, "");
        b.tap("OK");
    }
    for (const char* tapped : {"ROTOR 2", "add"}) {
        b.tap(tapped);
        EXPECT_EQ(b.g.currentScreen(), Gui::ScreenId::Editing);
        EXPECT_STREQ(b.g._rotor->nameText(false), tapped == std::string("add") ? "ROTOR 11" : "ROTOR 2");
        EXPECT_EQ(b.h.machine().getRotor(), b.g._rotor);
        b.tap("É");  // the Database was not remembered
        EXPECT_TRUE(b.g.onHomeScreen());
        b.open(false);
    }

    // From the History, Back returns to the same list with its period and filter.
    b.tap("È");
    b.open(true);
    for (const char* icon : {"save", "print"}) {  // a protocol of what does not load: said, with the file
        b.tap(icon, brokenHistory);
        EXPECT_EQ(b.g._modalText + "|" + b.g._modalDetails, "Opening file error!|" + brokenHistory);
        b.tap("OK");
    }
    HistoryData::Data* list = &b.data();
    list->periods.selected = HistoryData::kPeriodWeek;
    b.g._config->local.text2 = "ROTOR";
    b.tap("ROTOR 7");
    EXPECT_EQ(b.g.currentScreen(), Gui::ScreenId::Editing);
    EXPECT_EQ(b.g._rotor->runCount(), 1);  // a history brings its runs
    b.tap("É");
    ASSERT_EQ(b.g.currentScreen(), Gui::ScreenId::History);
    EXPECT_EQ(&b.data(), list);
    EXPECT_EQ(b.data().periods.selected, HistoryData::kPeriodWeek);
    EXPECT_EQ(b.rows(), Names{"ROTOR 7"});
    EXPECT_TRUE(b.entry(hist).isActiveHistory);
}

TEST(BrowserScreen, OpensWaitingForTheKeyboardSwitchOnce) {
    Browser b;
    b.record("ONE", kNow - 60);
    b.record("TWO", kNow - 120);
    b.open(true);
    b.tap("filter");
    ASSERT_TRUE(b.h.tap("ONE") && b.h.tap("TWO"));  // the keyboard holds the switch back
    b.g._keyboardText = "TW";
    b.h.key(GuiKey::Escape);
    b.h.run(400);
    ASSERT_EQ(b.g.currentScreen(), Gui::ScreenId::Editing);
    EXPECT_STREQ(b.g._rotor->nameText(false), "ONE");
    b.tap("É");
    EXPECT_EQ(b.rows().size(), 2u);  // the filter typed but not entered is gone
    b.tap("É");
    EXPECT_TRUE(b.g.onHomeScreen());  // History was remembered once
}

}  // namespace
