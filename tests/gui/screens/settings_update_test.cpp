// The settings screen's "Update and debug" tab: update lists and their order,
// firmware flashing and application updates through their waits, settings
// loaded by name, the event logs cleared and exported, restart and exit.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

#include "files/lzma_alone.h"
#include "gui/app_rules.h"
#include "gui/screens/settings_screen.h"
#include "platform/removable.h"
#include "records/job_records.h"
#include "records/settings_file.h"
#include "rotor/rotor.h"
#include "support/gui_harness.h"
#include "support/recording_runner.h"
#include "support/work_dir.h"

namespace {

namespace fs = std::filesystem;
const std::string kBack = "\xC3\x89";

// The tab in a working directory with "logs/", and a stick with the product
// folder's "updates" and "configs".
struct Rig {
    testwd::WorkDir dir{"ks_test", testwd::Logs::folder};
    testwd::ScratchDir stick{"ks_stick"};
    GuiHarness h{1280, 2000};
    Gui& g = h.gui();
    FakeMachine& m = h.machine();
    RecordingRunner runner;

    explicit Rig(bool drive = true) {
        fs::create_directories(stick.path() / "kestrune/updates");
        fs::create_directories(stick.path() / "kestrune/configs");
        platform::setRemovableRoots({drive ? stick.path().string() : "/nonexistent"});
        g._config->local.operatorAccess = true;
        g._config->language = 1;  // a settings load sets the language from the file
        g.setScreen(true, &Gui::settings);
        h.run(400);
        taps({"Update and debug"});
    }
    ~Rig() {
        platform::clearRemovableRoots();
        exitCode = exitcodes::kClosed;
    }
    Settings::Data& d() { return static_cast<Settings::Data&>(*g._data); }
    std::string onStick(const std::string& name) const { return stick.file("kestrune/" + name); }
    void taps(const std::vector<std::string>& labels) {
        for (const std::string& label : labels) {
            ASSERT_TRUE(h.tap(label)) << label;
            h.run(300);
        }
    }
    // The row (not its label's text run) with this label.
    UiItem row(const std::string& label) const {
        for (const UiItem& i : h.probe().items())
            if (i.id != 0 && i.label == label) return i;
        ADD_FAILURE() << "no row " << label;
        return {};
    }
    void tapAt(ImVec2 at) {
        h.press(at);
        h.frame();
        h.release();
        h.run(400);
    }
    // The update rows ("v...") and the section titles, in drawing order.
    std::vector<std::string> listing() const {
        std::vector<std::string> out;
        for (const UiItem& i : h.probe().items()) {
            const std::string& s = i.label.empty() ? i.text : i.label;
            if (i.id != 0 && s.rfind("v", 0) == 0) out.push_back(s);
            if (s == "Saved versions" || s.find("kestrune/updates") != std::string::npos) out.push_back(s.find("kestrune") != std::string::npos ? "drive" : s);
        }
        return out;
    }
    // Frames until the box shows another text than `text` (a job ends).
    void waitWhileBoxShows(const std::string& text) {
        for (int i = 0; i < 500 && g._modalText == text; ++i) h.frame();
    }
};

std::string packed(const std::string& program) {
    std::string out;
    EXPECT_TRUE(lzmaAloneEncode(program, out));
    return out;
}

TEST(SettingsUpdateLists, SortNewestFirstAsAStrictWeakOrder) {
    std::vector<std::string> names = {"5.136", "5-1", "5.137", "5.1-1", "5.137-1", "5.2", "5.137-10", "5.137-2",
                                      "5.137-02", "5.137-x"};
    std::sort(names.begin(), names.end(), Settings::versionAfter);
    EXPECT_EQ(names, (std::vector<std::string>{"5.2", "5.137-10", "5.137-2", "5.137-02", "5.137-1", "5.137-x",
                                               "5.137", "5.136", "5.1-1", "5-1"}));
    const auto& after = Settings::versionAfter;
    for (const auto& a : names) {
        EXPECT_FALSE(after(a, a));
        for (const auto& b : names)
            for (const auto& c : names) {
                if (after(a, b) && after(b, c)) EXPECT_TRUE(after(a, c)) << a << " " << b << " " << c;
                if (!after(a, b) && !after(b, a) && !after(b, c) && !after(c, b))
                    EXPECT_TRUE(!after(a, c) && !after(c, a)) << a << " " << b << " " << c;
            }
    }
}

TEST(SettingsUpdateLists, ListThePagesKindAndDeleteOnlyLocalFiles) {
    Rig rig;
    for (const char* name : {"5.137.kst", "5.137-1.kst", "5.136.kst", "6.0.bin"})
        testwd::writeFile(rig.onStick("updates/") + name, "x");
    fs::create_directory("updates");
    for (const char* name : {"5.100.kst", "6.2.dfu"}) testwd::writeFile(fs::path("updates") / name, "x");
    rig.taps({"Update software"});
    EXPECT_EQ(rig.listing(), (std::vector<std::string>{"drive", "v5.137-1", "v5.137", "v5.136", "Saved versions",
                                                       "v5.100"}));
    const UiItem drive = rig.row("v5.137");
    rig.tapAt(ImVec2(drive.max.x - 20, drive.centre().y));  // no delete mark: it asks to install
    EXPECT_EQ(rig.g._modalText, "Are you sure you want to install this version?");
    EXPECT_EQ(rig.g._modalDetails, "v5.137");
    rig.taps({"No"});
    const UiItem local = rig.row("v5.100");
    rig.tapAt(ImVec2(local.max.x - 20, local.centre().y));
    EXPECT_FALSE(fs::exists("updates/5.100.kst"));
    EXPECT_EQ(rig.g._modalState, 0);
    EXPECT_TRUE(fs::exists(rig.onStick("updates/5.137.kst")));

    rig.taps({kBack, "Update firmware"});  // a drive folder without ".dfu": its title alone
    EXPECT_EQ(rig.listing(), (std::vector<std::string>{"drive", "Saved versions", "v6.2"}));
}

TEST(SettingsUpdateFirmware, WaitsForTheWorkerThenFlashesAndReconnects) {
    struct Case {
        int exit;
        const char* text;
    } cases[] = {{0, "Turn machine off and then turn it on after at least one minute!"},
                 {1, "Update error! Turn machine off and then turn it on after at least one minute!"}};
    for (const Case& c : cases) {
        Rig rig;
        rig.runner.codes = {c.exit};
        const std::string path = rig.onStick("updates/6.1; touch x.dfu");
        testwd::writeFile(path, "fw");
        rig.m.quitCallsNeeded = INT_MAX;
        rig.taps({"Update firmware", "v6.1; touch x", "Yes"});
        EXPECT_EQ(rig.m.count("requestUpdateMode"), 1);
        EXPECT_EQ(rig.g._modalText, "Wait, firmware flashing in progress!");
        rig.h.run(1600);  // 1.9 s: nobody is asked to quit yet
        EXPECT_EQ(rig.m.count("requestQuit"), 0);
        rig.h.run(200);
        for (GuiKey key : {GuiKey::Escape, GuiKey::Enter}) rig.h.key(key);
        rig.g.pressBack();
        rig.g.pressHome();
        rig.h.run(400);
        EXPECT_GT(rig.m.count("requestQuit"), 0);
        EXPECT_TRUE(rig.runner.calls.empty());  // the worker still runs
        EXPECT_EQ(rig.g._modalState, 2);
        EXPECT_EQ(rig.g._modalText, "Wait, firmware flashing in progress!");
        EXPECT_EQ(rig.g.currentScreen(), Gui::ScreenId::Settings);
        EXPECT_FALSE(rig.h.probe().find("\xC3\x88"));  // no Home button

        rig.m.quitCallsNeeded = 0;
        rig.waitWhileBoxShows("Wait, firmware flashing in progress!");
        EXPECT_EQ(rig.g._modalText, c.text);
        EXPECT_EQ(rig.runner.calls, (std::vector<std::vector<std::string>>{{"dfu-util", "-a", "0", "-D", path}}));
        rig.h.run(100);
        EXPECT_EQ(rig.m.count("startProcess"), 0);  // the text stays until it is closed
        rig.g.pressBack();
        EXPECT_EQ(rig.g._modalState, 3);
        const std::vector<std::string> tail(rig.m.calls.end() - 2, rig.m.calls.end());
        EXPECT_EQ(tail, (std::vector<std::string>{"startProcess(1)", "requestReconnect"}));
    }
}

TEST(SettingsUpdateSoftware, UnpacksKeepsACopyAndEndsWith34) {
    struct Case {
        const char* name;
        bool good;
        const char* existing;  // an earlier copy in "updates/"
    } cases[] = {{"damaged", false, nullptr}, {"good", true, nullptr}, {"good over a copy", true, "old copy"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        const std::string program(5000, 'p');
        testwd::writeFile(rig.onStick("updates/5.138.kst"), c.good ? packed(program) : "damaged package bytes");
        if (c.existing) fs::create_directory("updates"), testwd::writeFile("updates/5.138.kst", c.existing);
        rig.taps({"Update software", "v5.138", "Yes"});
        EXPECT_EQ(rig.g._modalText, "Wait, application reloading in progress!");
        rig.waitWhileBoxShows("Wait, application reloading in progress!");
        rig.h.frame();
        EXPECT_EQ(exitCode, c.good ? exitcodes::kUpdated : exitcodes::kClosed);
        EXPECT_EQ(testwd::readFile("kestrune.new"), c.good ? program : "");
        if (c.good)
            EXPECT_EQ(testwd::readFile("updates/5.138.kst"),
                      c.existing ? c.existing : testwd::readFile(rig.onStick("updates/5.138.kst")));
        else
            EXPECT_EQ(rig.g._modalText, "Error! Update file damaged! (9908)");
        EXPECT_EQ(rig.g._modalBusy, c.good);
    }
}

TEST(SettingsUpdateLoad, LoadsReplacesTheRotorAndChangesNothingOnFailure) {
    struct Case {
        const char* row;
        bool busy;
        const char* text;
    } cases[] = {{"line 2", false, "Settings loaded!"},
                 {"bad", false, "Settings loading error!"},
                 {"line 2", true, "Settings loading error!"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row + std::string(c.busy ? " busy" : ""));
        Rig rig;
        Config saved = *rig.g._config;
        saved.company.company = "ACME";
        ASSERT_TRUE(saveSettingsFile(saved, rig.onStick("configs/line 2.cfg")));
        testwd::writeFile("bad.cfg", "no settings");
        testwd::writeFile(".cfg", "before");
        rig.taps({"Load machine settings"});
        EXPECT_TRUE(rig.h.probe().shows("Saved settings"));
        const Rotor* before = rig.g._rotor;
        const std::string company = rig.g._config->company.company;
        rig.m.state = c.busy ? 2 : 0;
        rig.taps({c.row});
        EXPECT_EQ(rig.g._modalText, c.text);
        EXPECT_TRUE(rig.d().pages.empty());
        const bool loaded = c.text == std::string("Settings loaded!");
        EXPECT_EQ(rig.g._config->company.company, loaded ? "ACME" : company);
        EXPECT_EQ(rig.g._settingsChanged, loaded);
        EXPECT_EQ(testwd::readFile(".cfg") == "before", !loaded);
        EXPECT_EQ(rig.g._rotor != before, !c.busy);
        if (c.busy) continue;
        // The old rotor is gone; the logs are cleared and exported with the new one.
        rig.g.pressModalButton(0);
        rig.h.run(400);
        ASSERT_EQ(rig.g.retiredRotorCount(), 0u);
        rig.taps({"Event registration", "Clear", "Save to USB flash drive"});
        rig.m.copyLogsResult = 1;
        rig.h.run(100);
        EXPECT_EQ(rig.g._modalText, "Files have been copied");
    }
}

TEST(SettingsUpdateEvents, ClearEmptiesTheLogsInOrder) {
    Rig rig;
    testwd::writeFile("logs/a.log", "a");
    fs::create_directory("logs/sub");
    rig.g._logsFolderSize = 7;
    rig.h.frame();
    EXPECT_EQ(rig.h.probe().find("Event registration")->text, "7");
    EXPECT_TRUE(rig.h.probe().shows("Mbyte"));
    rig.m.quitCallsNeeded = 3;
    rig.m.calls.clear();
    rig.taps({"Event registration", "Clear"});
    auto& calls = rig.m.calls;  // without the connection poll of every frame
    calls.erase(std::remove(calls.begin(), calls.end(), "setConnectFlag"), calls.end());
    EXPECT_EQ(rig.m.calls, (std::vector<std::string>{"setEventLogging(0)", "requestQuit", "requestQuit",
                                                    "requestQuit", "startProcess(1)", "requestReconnect",
                                                    "setEventLogging(1)"}));
    EXPECT_TRUE(fs::is_directory("logs"));
    EXPECT_EQ(testwd::filesIn("logs"), std::vector<std::string>{"calcs.log"});  // the rotor's, opened again
    EXPECT_EQ(rig.g._logsFolderSize, 0);
}

TEST(SettingsUpdateEvents, ExportShowsTheResultAndReconnectsOnceOnClosing) {
    struct Case {
        bool drive;
        int result;
        bool history;
        std::function<void(Rig&)> close;
        const char* text;
    } cases[] = {
        {false, 0, false, [](Rig& r) { r.g.pressModalButton(0); }, "External USB-media not found!"},
        {true, 5, true, [](Rig& r) { r.g.pressModalButton(0); }, "Files have been copied"},
        {true, 5, false, [](Rig& r) { r.g.pressBack(); }, "Files have been copied"},
        {true, -2, true, [](Rig& r) { r.h.key(GuiKey::Escape); }, "Not enough space!"},
        {true, 1, false, [](Rig& r) { r.g.pressHome(); }, "Files have been copied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Rig rig(c.drive);
        if (c.history) rig.g._rotor->recordRun(Measurement());
        ASSERT_EQ(rig.g._rotor->isHistoryOpen(), c.history);
        rig.taps({"Event registration", "Save to USB flash drive"});
        EXPECT_EQ(rig.m.count("requestCopyLogs"), c.drive ? 1 : 0);
        EXPECT_FALSE(rig.g._rotor->isHistoryOpen());
        rig.m.copyLogsResult = c.result;
        rig.h.run(400);
        EXPECT_EQ(rig.g._modalText, c.text);
        EXPECT_EQ(rig.g._rotor->isHistoryOpen(), c.history);
        EXPECT_EQ(rig.m.count("requestReconnect"), 0);  // the box is open
        c.close(rig);
        rig.h.run(400);
        EXPECT_EQ(rig.g._modalState, 0);
        EXPECT_EQ(rig.m.count("requestReconnect"), c.drive ? 1 : 0);
    }
}

TEST(SettingsUpdateMain, RowsRestartExitAndAskForAName) {
    struct Case {
        const char* row;
        int exit;
        const char* box;
    } cases[] = {{"Restart", 10, ""}, {"Exit to OS", 33, ""},
                 {"Save machine settings", 0, "Enter a name for the saving settings"}};
    for (const Case& c : cases) {
        Rig rig;
        rig.taps({c.row});
        EXPECT_EQ(exitCode, c.exit);
        EXPECT_EQ(rig.g._modalText, c.box);
    }
    Rig rig;  // the result stays on screen when the keyboard has gone
    rig.taps({"Save machine settings"});
    rig.g._keyboardText = "line 2";
    rig.h.key(GuiKey::Enter);
    rig.h.run(600);
    EXPECT_EQ(rig.g._modalState, 2);
    EXPECT_EQ(rig.g._modalText, "Settings saved!");
    EXPECT_TRUE(fs::exists(rig.onStick("configs/line 2.cfg")));
}

}  // namespace
