// The settings screen: tab lists by access level and view, keyboard entry and
// its commit into ".cfg", switches, the page stack, the language, the clock,
// the System tab's follow-ups and saving settings under a name.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gui/screens/settings_screen.h"
#include "platform/file_replace.h"
#include "platform/local_clock.h"
#include "platform/removable.h"
#include "records/settings_file.h"
#include "support/gui_harness.h"
#include "support/work_dir.h"
#include "texts/format.h"

namespace {

namespace fs = std::filesystem;
using platform::LocalTime;

class FakeLocalClock : public platform::LocalClock {
public:
    LocalTime now{2023, 1, 25, 12, 34, 56, 789};
    std::vector<LocalTime> sets;
    std::string refusal;  // not empty: set fails with it
    LocalTime read() override { return now; }
    bool set(const LocalTime& t, std::string* error) override {
        if (!refusal.empty()) return (*error = refusal, false);
        sets.push_back(t);
        now = t;
        return true;
    }
};

// The settings screen opened from the home screen (or, restricted, from the
// balancing screen) at an access level, in a temporary working directory.
struct Rig {
    testwd::WorkDir dir;
    GuiHarness h;
    Gui& g;
    FakeLocalClock clock;

    explicit Rig(int level = 1, bool english = true, float height = 2000, bool restricted = false)
        : h(1280, height, english), g(h.gui()) {
        platform::setLocalClock(&clock);
        g._config->local.operatorAccess = level >= 1;
        g._config->local.serviceAccess = level >= 2;
        if (restricted) {  // settings from the balancing screen, which came from editing
            go(&Gui::editing);
            go(&Gui::balancing);
        }
        go(&Gui::settings);
    }
    ~Rig() {
        platform::setLocalClock(nullptr);
        platform::clearRemovableRoots();
        platform::setReplaceFileWriter(nullptr);
    }
    void go(void (Gui::*screen)()) {
        g.setScreen(true, screen);
        h.run(400);
    }
    Settings::Data& d() { return static_cast<Settings::Data&>(*g._data); }
    // Taps each label and lets the slides end.
    void taps(const std::vector<std::string>& labels) {
        for (const std::string& label : labels) {
            ASSERT_TRUE(h.tap(label)) << label;
            h.run(300);
        }
    }
    // Types into the open keyboard and presses Enter.
    void enter(const std::string& text) {
        g._keyboardText = text;
        h.key(GuiKey::Enter);
        h.frame();
    }
    // A plain text drawn (the title line's caption).
    bool drewText(const std::string& text) const {
        for (const UiItem& item : h.probe().items())
            if (item.label.empty() && item.text == text) return true;
        return false;
    }
    int count(const std::string& label) const {
        int n = 0;
        for (const UiItem& item : h.probe().items()) n += item.label == label;
        return n;
    }
};

std::string bytesOf(const Config& config) {
    EXPECT_TRUE(saveSettingsFile(config, "expected.cfg"));
    return testwd::readFile("expected.cfg");
}

std::vector<std::string> labelsOf(const Settings::Data& d) {
    std::vector<std::string> labels;
    for (const SideSelectorItem& item : d.tabs.items) labels.push_back(item.label + (item.disabled ? " (off)" : ""));
    return labels;
}

TEST(SettingsScreenTabs, FollowTheAccessLevelAndTheView) {
    const std::vector<std::string> all = {"General", "System", "Drive, acceleration and deceleration",
                                          "Vibration measurement channels", "Receiving and processing data",
                                          "Display and data output", "Unbalance correction", "Access settings",
                                          "Update and debug", "Service engineer calling (off)"};
    const std::vector<std::string> restrictedList = {all[2], all[3], all[4], all[5]};
    struct Case {
        int level;
        bool restricted;
        std::vector<std::string> labels;
    } cases[] = {
        {0, false, {"General", all[2]}}, {1, false, all},           {2, false, all},
        {0, true, {all[2]}},             {1, true, restrictedList}, {2, true, restrictedList},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << c.level << (c.restricted ? " restricted" : ""));
        Rig rig(c.level, true, 960, c.restricted);
        EXPECT_EQ(rig.d().restricted, c.restricted);
        EXPECT_EQ(labelsOf(rig.d()), c.labels);
        EXPECT_EQ(Settings::selectedTab(rig.d()), c.restricted ? Settings::kDriveTab : Settings::kGeneralTab);
    }
}

TEST(SettingsScreenTabs, ChoosingDispatchesAndTheIndexStaysInTheList) {
    Rig rig(0);
    rig.taps({"Drive, acceleration and deceleration"});
    EXPECT_EQ(Settings::selectedTab(rig.d()), Settings::kDriveTab);
    EXPECT_FALSE(rig.h.probe().find("Language"));  // General's rows are gone

    Rig full(2);
    full.taps({"Update and debug", "Service engineer calling"});  // listed, cannot be chosen
    EXPECT_EQ(Settings::selectedTab(full.d()), Settings::kUpdateTab);
    full.g._config->local.serviceAccess = full.g._config->local.operatorAccess = false;
    Settings::tabList(full.d());
    EXPECT_EQ(full.d().tabs.selected, 1);
    EXPECT_EQ(Settings::selectedTab(full.d()), Settings::kDriveTab);
}

// An accepted entry rewrites ".cfg" at once with the expected settings.
TEST(SettingsScreenEntry, CommitsThePathAndSavesBeforeTheNextFrame) {
    struct Case {
        const char* name;
        std::vector<std::string> taps;  // the last one opens the entry
        const char* typed;
        std::function<void(Config&)> expect;  // null: refused
        bool settingsChanged = false;
        const char* range = "";  // in the refusal's box
    } cases[] = {
        {"decimal comma", {"System", "Balancing accuracy E~mar"}, "1,5", [](Config& c) { c.balancingAccuracy = 1.5; }},
        // Refused (no change): the box says so, with the field's range when it has one.
        {"no finite number", {"System", "Balancing accuracy E~mar"}, "inf", nullptr},
        {"no number", {"System", "Compensator deviation"}, "5abc", nullptr},
        {"cycles 0", {"Receiving and processing data", "Number of measurement cycles (accuracy level)"}, "0", nullptr,
         false, "1 ... 100000"},
        // Only the whole text as one number.
        {"second comma", {"System", "Balancing accuracy E~mar"}, "1,5,5", nullptr},
        {"digits with a blank", {"System", "Drive #2", "Address"}, "1 000", nullptr},
        {"fraction in a whole number", {"System", "Drive #2", "Address"}, "2,5", nullptr, false, "0 ... 247"},
        // Out of sense: a minimum above its maximum and back, a ratio or an angle of nothing.
        {"minimum above maximum", {"System", "Rotor weight limit", "Minimum"}, "200", nullptr, false, "0 ... < 100"},
        {"maximum below minimum", {"System", "Rotor speed limit", "Maximum"}, "300", nullptr, false,
         "> 400 ... 1000000"},
        {"drill angle 0", {"Unbalance correction", "Included angle of the drill bit"}, "0", nullptr, false,
         "30 ... 179"},
        {"drill angle 1", {"Unbalance correction", "Included angle of the drill bit"}, "1", nullptr, false,
         "30 ... 179"},
        {"minimum at maximum", {"System", "Rotor weight limit", "Minimum"}, "100", nullptr, false, "0 ... < 100"},
        {"drive ratio -1", {"Drive, acceleration and deceleration", "End drive", "Drive #1", "Drive ratio"}, "-1",
         nullptr, false, "0.5 ... 1000"},
        {"rated torque 0: no ramp from the rotor",
         {"Drive, acceleration and deceleration", "End drive", "Drive #1", "Drive rated torque"}, "0",
         [](Config& c) { c.endDrive.ratedTorque = 0; }},
        {"depth 2", {"System", "Rotor weight limit", "Maximum"}, "250", [](Config& c) { c.weightLimit.maximum = 250; }},
        {"depth 3 in a list", {"System", "Drive #2", "Address"}, "7", [](Config& c) { c.inverters[1].address = 7; },
         true},
        {"depth 3 in a record", {"Manufacturer", "Phones"}, "+7 123",
         [](Config& c) { c.machineInfo.manufacturer.phones = "+7 123"; }},
        {"text", {"Company", "Email/Web"}, "a@b.c", [](Config& c) { c.company.emailWeb = "a@b.c"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.taps(c.taps);
        ASSERT_TRUE(rig.d().edit.active());
        Config expected = *rig.g._config;
        if (c.expect) c.expect(expected);
        const std::string before = testwd::readFile(".cfg");  // "" when none yet
        rig.enter(c.typed);
        EXPECT_FALSE(rig.d().edit.active());
        EXPECT_EQ(testwd::readFile(".cfg"), c.expect ? bytesOf(expected) : before);
        rig.h.run(400);  // a refusal's box comes once the keyboard has gone
        EXPECT_EQ(rig.g._modalText + rig.g._modalDetails, c.expect ? "" : std::string("Error!") + c.range);
        EXPECT_EQ(rig.g._settingsChanged, c.settingsChanged);
    }
}

TEST(SettingsScreenEntry, PrefillsTextsReachesDepthFourAndBackChangesNothing) {
    Rig rig;
    rig.taps({"Serial number"});
    EXPECT_EQ(rig.g._keyboardText, "-");
    EXPECT_EQ(rig.g._keyboardMode, 7);
    rig.g._keyboardText = "SN-1";
    rig.h.tap("\xC3\x89");  // the bottom bar's Back ends the entry
    rig.h.run(300);
    EXPECT_FALSE(rig.d().edit.active());
    EXPECT_EQ(rig.g._config->machineInfo.serialNumber, "-");
    EXPECT_FALSE(fs::exists(".cfg"));

    // An additional error message of a drive: [drive, list, index, message].
    Settings::Data& d = rig.d();
    const std::uint32_t path[] = {0x1DD640D, 0x1C7283D, 2, 0x1BDB801};
    std::copy(std::begin(path), std::end(path), d.path);
    Settings::startEntry(d, 4, false, true);
    rig.h.frame();
    rig.enter("Overheat");
    EXPECT_EQ(rig.g._config->endDrive.extErrors[2].message, "Overheat");
}

int writeError = ENOSPC;  // what failingWrite fails with
long failingWrite(int, const void*, std::size_t) { return (errno = writeError, -1); }

TEST(SettingsScreenEntry, AFailedSaveIsShownOnceUntilASaveSucceeds) {
    Rig rig;
    auto edit = [&rig](const char* typed) {
        rig.taps({"Year of manufacture"});
        rig.enter(typed);
        rig.h.run(700);  // the keyboard slides out, then a box in
    };
    auto shown = [&rig] { return rig.g._modalState != 0 && rig.g._modalText == "Settings saving error!"; };
    platform::setReplaceFileWriter(&failingWrite);
    edit("2001");
    EXPECT_TRUE(shown());
    EXPECT_EQ(rig.g._modalDetails, "Not enough space!");
    EXPECT_EQ(rig.g._config->machineInfo.year, 2001);  // kept in memory
    rig.g.pressModalButton(0);
    rig.h.run(300);
    edit("2002");
    EXPECT_FALSE(shown());
    platform::setReplaceFileWriter(nullptr);
    edit("2003");
    platform::setReplaceFileWriter(&failingWrite);
    edit("2004");
    EXPECT_TRUE(shown());
}

TEST(SettingsScreenSwitch, WritesWhenTheKnobCrossesTheMiddle) {
    Rig rig;
    rig.taps({"System"});
    auto knob = [&rig] {  // the switch part of the row
        const UiItem* found = nullptr;
        for (const UiItem& item : rig.h.probe().items())
            if (item.label == "External welding machine") found = &item;
        return *found;
    };
    const UiItem box = knob();
    const float y = box.centre().y, left = box.min.x, width = box.max.x - box.min.x;
    rig.h.press(ImVec2(left + 0.3f * width, y));  // on the knob at the off end
    rig.h.frame(2);
    rig.h.press(ImVec2(left + 0.42f * width, y));  // short of the middle
    rig.h.frame(2);
    EXPECT_FALSE(rig.g._config->externalWelding);
    EXPECT_FALSE(fs::exists(".cfg"));
    rig.h.press(ImVec2(left + 0.62f * width, y));  // past it, still held
    rig.h.frame(2);
    EXPECT_TRUE(rig.g._config->externalWelding);
    EXPECT_EQ(testwd::readFile(".cfg"), bytesOf(*rig.g._config));
    EXPECT_TRUE(rig.g._welderAsked && rig.g._welderExpected);
    rig.h.release();
    rig.h.run(300);
    EXPECT_EQ(knob().text, "on");

    ASSERT_TRUE(rig.h.tap("External welding machine"));  // a tap turns it back
    EXPECT_FALSE(rig.g._config->externalWelding);
    EXPECT_EQ(testwd::readFile(".cfg"), bytesOf(*rig.g._config));
}

TEST(SettingsScreenPages, BackRestoresTheScrollAndTheTitleHasABackGlyph) {
    Rig rig(1, true, 700);
    rig.taps({"System"});
    rig.h.drag(ImVec2(700, 500), ImVec2(700, 300));  // a drag over the rows scrolls, opens nothing
    rig.h.frame();
    EXPECT_NEAR(rig.d().scrollY, 200.0f, 1.0f);
    EXPECT_TRUE(rig.d().pages.empty() && !rig.d().edit.active());
    rig.d().pendingScroll = 420.0f;
    rig.h.frame(2);
    ASSERT_FLOAT_EQ(rig.d().scrollY, 420.0f);
    EXPECT_EQ(rig.count("\xC3\x89"), 1);  // the bottom bar's only
    rig.taps({"Rotor speed limit"});
    EXPECT_EQ(rig.d().pages.size(), 1u);
    EXPECT_TRUE(rig.drewText("Rotor speed limit"));  // the title's caption
    EXPECT_TRUE(rig.h.probe().find("Minimum"));
    EXPECT_EQ(rig.d().scrollY, 0.0f);
    EXPECT_EQ(rig.count("\xC3\x89"), 2);
    rig.taps({"\xC3\x89"});  // the title's comes first
    EXPECT_TRUE(rig.d().pages.empty());
    EXPECT_FLOAT_EQ(rig.d().scrollY, 420.0f);
    EXPECT_FALSE(rig.g._onBack);

    // A page closed by the screen a moment after its choice (0.201 s).
    rig.taps({"Drive #1"});
    rig.d().delayedClose = true;
    rig.d().delayedCloseStart = rig.g._frameTime;
    rig.h.run(190);
    EXPECT_EQ(rig.d().pages.size(), 1u);
    rig.h.run(32);
    EXPECT_TRUE(rig.d().pages.empty());
    EXPECT_FALSE(rig.d().delayedClose);
}

TEST(SettingsScreenLanguage, SwitchesAtOnceAndSurvivesAReload) {
    struct Case {
        bool startEnglish;
        const char* row;
        const char* firstTab;
        char point;
    } cases[] = {{false, "English", "General", '.'}, {true, "Русский", "Общие", ','}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        Rig rig(1, c.startEnglish);
        EXPECT_TRUE(rig.h.probe().find("Русский") && rig.h.probe().find("English"));
        rig.taps({c.row});
        EXPECT_EQ(rig.d().tabs.items[0].label, c.firstTab);
        EXPECT_TRUE(rig.h.probe().find(c.firstTab));
        EXPECT_EQ(decimalPoint.load(), static_cast<unsigned>(c.point));
        EXPECT_TRUE(rig.h.probe().find("Русский") && rig.h.probe().find("English"));
        setLanguage(c.startEnglish);
        ASSERT_TRUE(loadSettings(rig.g, ".cfg"));
        EXPECT_EQ(isEnglish(), !c.startEnglish);
    }
}

TEST(SettingsScreenGeneral, LevelZeroShowsOnlyTheLanguage) {
    for (int level : {0, 1}) {
        Rig rig(level);
        EXPECT_TRUE(rig.h.probe().find("English"));
        EXPECT_EQ(rig.h.probe().find("Date") != nullptr, level == 1);
        EXPECT_EQ(rig.h.probe().find("Service maintenance period") != nullptr, level == 1);
    }
}

TEST(SettingsScreenClock, SetsValidPartsAndShowsTheClocksRefusal) {
    struct Case {
        const char* name;
        LocalTime now;
        const char* page;
        const char* part;
        const char* typed;
        const char* refusal;  // the box's text and details; "": set
        LocalTime result;
    } cases[] = {
        {"1969 refused", {2023, 1, 25, 12, 34, 56, 789}, "Date", "Year", "1969", "Error!1970 ... 2100", {}},
        {"month 13 refused", {2023, 1, 25, 12, 34, 56, 789}, "Date", "Month", "13", "Error!1 ... 12", {}},
        {"minute 0", {2023, 1, 25, 12, 34, 56, 789}, "Time", "Minute", "0", "", {2023, 1, 25, 12, 0, 0, 0}},
        {"minute 60 refused", {2023, 1, 25, 12, 34, 56, 789}, "Time", "Minute", "60", "Error!0 ... 59", {}},
        {"hour 24 refused", {2023, 1, 25, 12, 34, 56, 789}, "Time", "Hour", "24", "Error!0 ... 23", {}},
        {"hour 9,5 refused", {2023, 1, 25, 12, 34, 56, 789}, "Time", "Hour", "9,5", "Error!0 ... 23", {}},
        {"30 February refused", {2023, 2, 10, 8, 0, 0, 0}, "Date", "Day", "30", "Error!1 ... 28", {}},
        {"31 March to February refused", {2023, 3, 31, 8, 0, 0, 0}, "Date", "Month", "2", "Error!2023-02-31", {}},
        {"29 February of a leap year", {2024, 2, 10, 8, 0, 0, 0}, "Date", "Day", "29", "", {2024, 2, 29, 8, 0, 0, 0}},
        {"29 February into 2023 refused", {2024, 2, 29, 8, 0, 0, 0}, "Date", "Year", "2023", "Error!2023-02-29", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.clock.now = c.now;
        rig.taps({c.page, c.part});
        rig.enter(c.typed);
        const bool set = *c.refusal == '\0';
        EXPECT_EQ(rig.clock.sets.size(), set ? 1u : 0u);
        if (set && !rig.clock.sets.empty()) {
            const LocalTime& t = rig.clock.sets[0];
            EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond}),
                      std::vector<int>({c.result.year, c.result.month, c.result.day, c.result.hour, c.result.minute,
                                        c.result.second, c.result.millisecond}));
        }
        rig.h.run(700);  // the keyboard slides out, then a refusal's box in
        EXPECT_EQ(rig.g._modalState ? rig.g._modalText + rig.g._modalDetails : "", c.refusal);
    }
    Rig rig;
    rig.clock.refusal = "Operation not permitted";
    rig.taps({"Time", "Hour"});
    rig.enter("9");
    rig.h.run(700);  // the keyboard slides out, then the box in
    EXPECT_EQ(rig.g._modalState, 2);
    EXPECT_EQ(rig.g._modalText, "Error!");
    EXPECT_EQ(rig.g._modalDetails, "Operation not permitted");
}

TEST(SettingsScreenSystem, ShowsItsValuesAndAsksToApplyDeviceChanges) {
    struct Case {
        std::vector<std::string> taps;
        bool banner;
    } cases[] = {
        {{"Version 2"}, true}, {{"Drive #1", "Delta MS300"}, true}, {{"Vertical"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.taps.back());
        Rig rig;
        rig.taps({"System"});
        const UiItem* drive = rig.h.probe().find("Drive #2");
        ASSERT_TRUE(drive);
        EXPECT_EQ(drive->text, "Schneider ATV12(0)");
        EXPECT_EQ(rig.h.probe().find("Rotor weight limit")->text, "0.1 \xC3\x82 100");
        rig.taps(c.taps);
        EXPECT_EQ(rig.h.probe().shows("System settings changed"), c.banner);
        EXPECT_EQ(testwd::readFile(".cfg"), bytesOf(*rig.g._config));
    }
}

TEST(SettingsScreenNamedSave, GoesToTheDrivesConfigsOrTheWorkingDirectory) {
    struct Case {
        bool drive;
        const char* typed;
        const char* file;  // below the drive or the working directory; null: nothing written
        int fault = 0;     // every write fails with it
        const char* reason = "";
    } cases[] = {
        {true, "line 2", "kestrune/configs/line 2.cfg"},
        {false, "line 2", "line 2.cfg"},
        {true, "../x", "kestrune/configs/.._x.cfg"},
        {true, "", nullptr},
        {false, "..", nullptr},
        {true, "line 2", nullptr, EROFS, "Read-only file system"},
        {false, "line 2", nullptr, ENOSPC, "Not enough space!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Rig rig;
        writeError = c.fault;
        if (c.fault) platform::setReplaceFileWriter(&failingWrite);
        testwd::ScratchDir stick("ks_stick");
        fs::create_directory(stick.path() / "kestrune");
        platform::setRemovableRoots({c.drive ? stick.path().string() : (stick.path() / "none").string()});
        rig.d().pendingAction = Settings::kSaveUnderName;
        rig.h.run(300);
        EXPECT_EQ(rig.g._modalText, "Enter a name for the saving settings");
        EXPECT_EQ(rig.g._keyboardMode, 7);
        rig.enter(c.typed);
        rig.h.run(300);
        EXPECT_EQ(rig.g._modalText, c.file ? "Settings saved!" : "Settings saving error!");
        EXPECT_EQ(rig.g._modalDetails, c.reason);
        const fs::path base = c.drive ? stick.path() : rig.dir.path();
        if (c.file) {
            EXPECT_EQ(testwd::readFile(base / c.file), bytesOf(*rig.g._config));
        }
        const auto written = testwd::filesIn(c.drive ? stick.path() / "kestrune" / "configs" : rig.dir.path());
        EXPECT_EQ(written.size(), c.file ? (c.drive ? 1u : 2u) : 0u);  // 2: with expected.cfg
    }
}

}  // namespace
