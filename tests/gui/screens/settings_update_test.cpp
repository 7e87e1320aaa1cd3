// The settings screen's "Update and debug" tab: update lists and their order,
// firmware flashing and application updates through their waits, settings
// loaded by name, the event logs cleared and exported, restart and exit.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <functional>
#include <thread>

#include "files/log_archive.h"
#include "files/lzma_alone.h"
#include "gui/app_rules.h"
#include "gui/screens/settings_screen.h"
#include "platform/file_replace.h"
#include "platform/removable.h"
#include "records/job_records.h"
#include "records/settings_file.h"
#include "rotor/rotor.h"
#include "support/gui_harness.h"
#include "support/native_program.h"
#include "support/recording_runner.h"
#include "support/work_dir.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// The tab, in a working directory with "logs/", beside a stick whose product
// folder holds "updates" and "configs" (or no stick).
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
        g._config->language = 1;  // a settings load takes the language from the file
        g.setScreen(true, &Gui::settings);
        h.run(400);
        taps({"Update and debug"});
    }
    ~Rig() { platform::clearRemovableRoots(), exitCode = exitcodes::kClosed; }
    std::string onStick(const std::string& name) const { return stick.file("kestrune/" + name); }
    void taps(const Strings& labels) {
        for (const std::string& label : labels) {
            ASSERT_TRUE(h.tap(label)) << label;
            h.run(300);
        }
    }
    void tapRightEnd(const std::string& row) {  // the row, not its label's text run
        for (const UiItem& i : h.probe().items())
            if (i.id != 0 && i.label == row) h.press(ImVec2(i.max.x - 20, i.centre().y));
        h.frame(), h.release(), h.run(400);
    }
    Strings listing() const {  // update rows and section titles, in drawing order
        Strings out;
        for (const UiItem& i : h.probe().items()) {
            if (i.id != 0 && i.label.rfind("v", 0) == 0) out.push_back(i.label);
            if (i.text == "Saved versions") out.push_back(i.text);
            if (i.text.find("kestrune/updates") != std::string::npos) out.push_back("drive");
        }
        return out;
    }
    // Until a job has ended (its box text changes, or it sets the exit code):
    // the job is a thread of its own that runs in real time, however fast the
    // frames go, so the bound is real time too.
    void waitWhileBoxShows(const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (g._modalText == text && exitCode == exitcodes::kClosed && std::chrono::steady_clock::now() < deadline) {
            h.frame();
            std::this_thread::yield();
        }
    }
    Strings machineCalls() const {  // without the connection poll of every frame
        Strings c = m.calls;
        c.erase(std::remove(c.begin(), c.end(), "setConnectFlag"), c.end());
        return c;
    }
};

TEST(SettingsUpdateLists, SortNewestFirstAsAStrictWeakOrder) {
    Strings names = {"5.136", "5-1", "5.137", "5.1-1", "5.137-1", "5.2", "5.137-10", "5.137-2", "5.137-02", "5.137-x"};
    std::sort(names.begin(), names.end(), Settings::versionAfter);
    EXPECT_EQ(names, (Strings{"5.2", "5.137-10", "5.137-2", "5.137-02", "5.137-1", "5.137-x", "5.137", "5.136",
                              "5.1-1", "5-1"}));
    const auto& after = Settings::versionAfter;
    auto tied = [&](const std::string& a, const std::string& b) { return !after(a, b) && !after(b, a); };
    for (const auto& a : names)
        for (const auto& b : names)
            for (const auto& c : names) {
                EXPECT_FALSE(after(a, a));
                if (after(a, b) && after(b, c)) { EXPECT_TRUE(after(a, c)) << a << " " << b << " " << c; }
                if (tied(a, b) && tied(b, c)) { EXPECT_TRUE(tied(a, c)) << a << " " << b << " " << c; }
            }
}

TEST(SettingsUpdateLists, ListThePagesKindAndDeleteOnlyLocalFiles) {
    Rig rig;
    for (const char* name : {"5.137.kst", "5.137-1.kst", "5.136.kst", "6.0.bin"})
        testwd::writeFile(rig.onStick("updates/") + name, "x");
    fs::create_directory("updates");
    for (const char* name : {"5.100.kst", "6.2.dfu"}) testwd::writeFile(fs::path("updates") / name, "x");
    rig.taps({"Update software"});
    EXPECT_EQ(rig.listing(), (Strings{"drive", "v5.137-1", "v5.137", "v5.136", "Saved versions", "v5.100"}));
    rig.tapRightEnd("v5.137");  // no delete mark on the drive: it asks to install
    EXPECT_EQ(rig.g._modalText + "/" + rig.g._modalDetails, "Are you sure you want to install this version?/v5.137");
    rig.taps({"No"});
    rig.tapRightEnd("v5.100");  // deleted at once
    EXPECT_TRUE(!fs::exists("updates/5.100.kst") && rig.g._modalState == 0);
    rig.taps({"\xC3\x89", "Update firmware"});  // a drive folder without ".dfu": its title alone
    EXPECT_EQ(rig.listing(), (Strings{"drive", "Saved versions", "v6.2"}));
}

// Folders are listed when the page opens, after a delete on it and when the
// drive comes, not every frame: a file put there meanwhile waits for those.
TEST(SettingsUpdateLists, ReadOnOpeningAfterADeleteAndWhenTheDriveComes) {
    Rig rig(false);
    fs::create_directory("updates");
    for (const char* name : {"5.1.kst", "5.2.kst"}) testwd::writeFile(fs::path("updates") / name, "x");
    testwd::writeFile(rig.onStick("updates/5.3.kst"), "x");
    rig.taps({"Update software"});
    testwd::writeFile("updates/5.4.kst", "x");
    rig.h.run(2500);
    EXPECT_EQ(rig.listing(), (Strings{"Saved versions", "v5.2", "v5.1"}));
    rig.tapRightEnd("v5.1");
    EXPECT_EQ(rig.listing(), (Strings{"Saved versions", "v5.4", "v5.2"}));
    platform::setRemovableRoots({rig.stick.path().string()});
    rig.h.run(1100);
    EXPECT_EQ(rig.listing(), (Strings{"drive", "v5.3", "Saved versions", "v5.4", "v5.2"}));
}

TEST(SettingsUpdateFirmware, WaitsForTheWorkerFlashesAndReconnectsWhenRead) {
    const char* noDevice = "dfu-util: No DFU capable USB device available\n";  // its output, with 74
    for (auto [exit, said] : {std::pair{0, ""}, {1, ""}, {74, noDevice}}) {
        Rig rig;
        rig.runner.codes = {exit}, rig.runner.output = said;
        const std::string path = rig.onStick("updates/6.1; touch x.dfu"), wait = "Wait, firmware flashing in progress!";
        testwd::writeFile(path, "fw");
        rig.m.quitCallsNeeded = INT_MAX;
        rig.taps({"Update firmware", "v6.1; touch x", "Yes"});
        EXPECT_EQ(rig.m.count("requestUpdateMode"), 1);
        rig.h.run(1600);  // 1.9 s: the worker is not asked to quit yet
        EXPECT_EQ(rig.m.count("requestQuit"), 0);
        rig.h.run(200);
        rig.h.key(GuiKey::Escape), rig.h.key(GuiKey::Enter), rig.g.pressBack(), rig.g.pressHome();
        rig.h.run(400);
        EXPECT_GT(rig.m.count("requestQuit"), 0);
        EXPECT_TRUE(rig.runner.calls.empty());  // the worker still runs
        EXPECT_TRUE(rig.g._modalState == 2 && rig.g._modalText == wait);
        EXPECT_EQ(rig.g.currentScreen(), Gui::ScreenId::Settings);
        EXPECT_FALSE(rig.h.probe().find("\xC3\x88"));  // no Home button

        rig.m.quitCallsNeeded = 0;
        rig.waitWhileBoxShows(wait);
        EXPECT_EQ(rig.g._modalText, std::string(exit ? "Update error! " : "") +
                                        "Turn machine off and then turn it on after at least one minute!");
        EXPECT_EQ(rig.g._modalDetails, exit == 74 ? "USB device not found!" : "");
        EXPECT_EQ(rig.runner.calls, (std::vector<Strings>{{"dfu-util", "-a", "0", "-D", path}}));
        rig.h.run(100);
        EXPECT_EQ(rig.m.count("startProcess"), 0);  // the text stays until it is closed
        rig.g.pressBack();
        EXPECT_EQ(Strings(rig.m.calls.end() - 2, rig.m.calls.end()), (Strings{"startProcess(1)", "requestReconnect"}));
    }
}

long noRoom(int, const void*, std::size_t) { return (errno = ENOSPC, -1); }

TEST(SettingsUpdateSoftware, UnpacksKeepsACopyAndEndsWith34) {
    const std::string program = testsupport::nativeProgram(std::string(5000, 'p'));
    std::string package, text;
    ASSERT_TRUE(lzmaAloneEncode(program, package) && lzmaAloneEncode("hello, world\n", text));
    struct Case {
        bool good;
        const char* existing;  // an earlier copy in "updates/"
        bool text = false;     // a whole package of a text file, not damaged bytes
        bool full = false;     // a good package, no room in the working folder for the program
    } cases[] = {{false, nullptr}, {false, nullptr, true}, {true, nullptr}, {true, "old copy"},
                 {false, nullptr, false, true}};
    for (const Case& c : cases) {
        Rig rig;
        testwd::writeFile(rig.onStick("updates/5.138.kst"),
                          c.good || c.full ? package : c.text ? text : "damaged package bytes");
        if (c.existing) fs::create_directory("updates"), testwd::writeFile("updates/5.138.kst", c.existing);
        if (c.full) platform::setReplaceFileWriter(&noRoom);
        rig.taps({"Update software", "v5.138", "Yes"});
        rig.waitWhileBoxShows("Wait, application reloading in progress!");
        platform::setReplaceFileWriter(nullptr);
        rig.h.frame();
        EXPECT_EQ(exitCode, c.good ? exitcodes::kUpdated : exitcodes::kClosed);
        EXPECT_EQ(testwd::readFile("kestrune.new"), c.good ? program : "");
        EXPECT_EQ(testwd::readFile("updates/5.138.kst"), c.existing ? c.existing : c.good ? package : "");
        EXPECT_EQ(testwd::readFile("update-package.txt"), c.good ? "5.138.kst\n" : "");  // for a roll-back
        EXPECT_EQ(rig.g._modalBusy, c.good);
        if (c.good) continue;
        EXPECT_EQ(rig.g._modalText + "/" + rig.g._modalDetails,
                  c.full ? "Error!/Not enough space!" : "Error! Update file damaged! (9908)/");
        rig.taps({"OK"});  // the damaged package's box closes with a tap, and installs nothing
        EXPECT_TRUE(rig.g._modalState == 0 && exitCode == exitcodes::kClosed);
    }
}

// The launcher put the previous program back: the next start says the update
// was not installed, once, and "Saved versions" offers it no more.
TEST(SettingsUpdateSoftware, ARolledBackUpdateIsSaidOnceAtTheNextStartAndNotOffered) {
    Rig rig(false);
    fs::create_directory("updates");
    for (const char* name : {"5.137.kst", "5.138.kst"}) testwd::writeFile(fs::path("updates") / name, "x");
    testwd::writeFile("update-failed.txt", "5.138.kst\nno frame shown within 60 s\n");
    ASSERT_TRUE(saveSettingsFile(*rig.g._config, ".cfg"));
    for (const bool first : {true, false}) {  // the next start, and the one after it
        rig.g.startMachine(&rig.m);
        rig.h.run(400);
        const std::string shown = rig.g._modalState == 2 ? rig.g._modalText + "/" + rig.g._modalDetails : "";
        EXPECT_EQ(shown, first ? "Error! Update file damaged! (9908)/v5.138" : "");
        if (first) rig.taps({"OK"});
    }
    rig.taps({"Update software"});
    EXPECT_EQ(rig.listing(), (Strings{"Saved versions", "v5.137"}));
}

// After a load the old rotor is deleted: clearing and exporting the logs use
// the new one (AddressSanitizer).
TEST(SettingsUpdateLoad, LoadsReplacesTheRotorAndChangesNothingOnFailureThenClears) {
    struct Case {
        const char* row;
        bool busy, loaded;
    } cases[] = {{"line 2", false, true}, {"bad", false, false}, {"crowded", false, false},
                 {"saved crowded", false, true}, {"line 2", true, false}};
    for (const Case& c : cases) {
        Rig rig;
        Config saved = *rig.g._config;
        saved.company.company = "ACME";
        ASSERT_TRUE(saveSettingsFile(saved, rig.onStick("configs/line 2.cfg")));
        saved.operators.resize(20000);  // more than a machine lists
        ASSERT_TRUE(saveSettingsFile(saved, rig.onStick("configs/crowded.cfg")) &&
                    saveSettingsFile(saved, "saved crowded.cfg"));
        testwd::writeFile("bad.cfg", "no settings");
        testwd::writeFile(".cfg", "before");
        rig.taps({"Load machine settings"});
        EXPECT_TRUE(rig.h.probe().shows("Saved settings"));
        const Rotor* before = rig.g._rotor;
        const std::string company = rig.g._config->company.company;
        rig.m.state = c.busy ? 2 : 0;
        rig.g._config->local.serviceAccess = true;  // the session stays whatever a file lists
        rig.taps({c.row});
        EXPECT_EQ(rig.g._modalText, c.loaded ? "Settings loaded!" : "Settings loading error!");
        EXPECT_TRUE(static_cast<Settings::Data*>(rig.g._data)->pages.empty());
        EXPECT_EQ(rig.g._config->company.company, c.loaded ? "ACME" : company);
        EXPECT_EQ(rig.g._settingsChanged, c.loaded);
        EXPECT_EQ(testwd::readFile(".cfg") == "before", !c.loaded);
        EXPECT_EQ(rig.g._rotor != before, !c.busy);
        if (c.busy) continue;
        for (int box = 0; box < 2 && rig.g._modalState != 0; ++box) rig.g.pressModalButton(0), rig.h.run(800);
        ASSERT_EQ(rig.g.retiredRotorCount(), 0u);
        testwd::writeFile("logs/a.log", "a");
        rig.g._logsFolderSize = 7;
        rig.m.quitCallsNeeded = 3;
        rig.m.calls.clear();
        rig.taps({"Event registration", "Clear", "Save to USB flash drive"});
        EXPECT_EQ(rig.machineCalls(), (Strings{"setEventLogging(0)", "requestQuit", "requestQuit", "requestQuit",
                                               "startProcess(1)", "requestReconnect", "setEventLogging(1)",
                                               "requestCopyLogs"}));
        EXPECT_EQ(testwd::filesIn("logs"), Strings{"calcs.log"});  // the rotor's, opened again
        EXPECT_EQ(rig.g._logsFolderSize, 0);
    }
}

// A settings file carries no session: the one logged in goes on with the
// rights the loaded list gives his name, or ends when it lists him no more.
TEST(SettingsUpdateLoad, TheSessionFollowsTheLoadedOperatorList) {
    struct Case {
        const char* listed;
        bool right, service, stays, factory = false;  // factory: none listed, none logged in
    } cases[] = {{"Boss", false, false, true}, {"Shift", true, false, false}, {"Shift", true, true, true},
                 {"Shift", true, false, false, true}};
    for (const Case& c : cases) {
        Rig rig;
        Config saved = *rig.g._config;
        saved.operators.resize(2);
        saved.operators[0].name = "Other", saved.operators[1].name = c.listed, saved.operators[1].access = c.right;
        ASSERT_TRUE(saveSettingsFile(saved, rig.onStick("configs/line 2.cfg")));
        rig.g._config->operators.resize(1);
        rig.g._config->operators[0].name = "Boss", rig.g._config->operators[0].access = true;
        rig.g._operator = 0, rig.g._config->local.operatorName = "Boss";
        rig.g._config->local.serviceAccess = c.service;
        if (c.factory) rig.g._config->operators.clear(), rig.g.logOut();
        rig.taps({"Load machine settings", "line 2"});
        rig.h.run(1000);  // the outcome is said over the login list too
        EXPECT_TRUE(rig.g._modalState == 2 && rig.g._modalText == "Settings loaded!") << c.listed;
        rig.g.pressModalButton(0), rig.h.run(1000);
        EXPECT_TRUE(rig.g.loggedIn() == c.stays && rig.g.onHomeScreen() == !c.stays) << c.listed;
        EXPECT_EQ(settingsAccessLevel(*rig.g._config), !c.stays ? 1 : c.service ? 2 : int(c.right));
        EXPECT_EQ(rig.g._config->local.operatorName, c.stays && !c.service ? "Boss" : "");
    }
}

// Nor does a file's own session count, on a machine without operators too.
TEST(SettingsUpdateLoad, AFilesSessionGivesNoServiceAccessAndNoName) {
    Rig rig;
    Config saved = *rig.g._config;
    saved.local.serviceAccess = true, saved.local.operatorName = "Intruder";
    Tris::excludedTags.erase(LocalConfig::kType);  // as a file not written by this program holds it
    ASSERT_TRUE(saveSettingsFile(saved, rig.onStick("configs/line 2.cfg")));
    Tris::excludeTag(LocalConfig::kType);
    rig.taps({"Load machine settings", "line 2"});
    EXPECT_EQ(rig.g._modalText, "Settings loaded!");
    EXPECT_TRUE(settingsAccessLevel(*rig.g._config) == 1 && rig.g._config->local.operatorName.empty());
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
        {true, logexport::failure(EROFS), false, [](Rig& r) { r.taps({"OK"}); }, "Error!"},
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
        EXPECT_EQ(rig.g._modalDetails, c.result < logexport::kSystemErrorBase ? "Read-only file system" : "");
        EXPECT_EQ(rig.g._rotor->isHistoryOpen(), c.history);
        EXPECT_EQ(rig.m.count("requestReconnect"), 0);  // not while the box is open
        c.close(rig);
        rig.h.run(400);
        EXPECT_EQ(rig.g._modalState, 0);
        EXPECT_EQ(rig.m.count("requestReconnect"), c.drive ? 1 : 0);
    }
}

TEST(SettingsUpdateMain, RowsRestartExitSaveUnderANameAndShowTheLogsSize) {
    for (auto [row, exit] : {std::pair{"Restart", 10}, {"Exit to OS", 33}}) {
        Rig rig;
        rig.taps({row});
        EXPECT_EQ(exitCode, exit);
    }
    Rig rig;
    rig.g._logsFolderSize = 7;
    rig.h.frame();
    EXPECT_EQ(rig.h.probe().find("Event registration")->text, "7");
    EXPECT_TRUE(rig.h.probe().shows("Mbyte"));
    for (const std::string answer : {"", "No", "Yes"}) {  // to the question over a file of that name
        SCOPED_TRACE(answer);
        Rig named;
        if (!answer.empty()) testwd::writeFile(named.onStick("configs/line 2.cfg"), "kept");
        named.taps({"Save machine settings"});
        EXPECT_EQ(named.g._modalText, "Enter a name for the saving settings");
        named.g._keyboardText = "line 2";
        named.h.key(GuiKey::Enter);
        named.h.run(600);  // the result stays on screen when the keyboard has gone
        if (!answer.empty()) {
            EXPECT_EQ(named.g._modalDetails, "line 2.cfg");
            named.taps({answer});
        }
        EXPECT_EQ(named.g._modalState == 2 && named.g._modalText == "Settings saved!", answer != "No");
        EXPECT_EQ(testwd::readFile(named.onStick("configs/line 2.cfg")) == "kept", answer == "No");
    }
}

}  // namespace
