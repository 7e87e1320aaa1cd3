// The active rotor's hand-over to the machine, the names of new rotors, the
// machine-ready hook and the start-up load of the settings.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include <imgui_internal.h>

#include "machine/engine.h"
#include "records/job_records.h"
#include "records/settings_file.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "support/gui_harness.h"
#include "support/work_dir.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {

namespace fs = std::filesystem;

// The worker may still be inside a call on the old rotor while the machine
// runs: the old rotor lives until the machine has been idle for 100 ms.
TEST(GuiCoreRotor, OldRotorLivesUntilTheMachineRestedIdle) {
    GuiHarness h;
    FakeMachine& m = h.machine();
    m.touchRotor = true;
    m.state = 7;  // measuring
    Rotor* old = h.gui()._rotor;
    h.gui().newRotor();
    EXPECT_EQ(m.rotor, h.gui()._rotor);
    EXPECT_NE(m.rotor, old);
    struct Phase {
        int state;
        int ms;
        std::size_t retired;  // afterwards
    };
    const Phase phases[] = {{7, 500, 1}, {0, 50, 1}, {3, 100, 1}, {0, 80, 1}, {0, 40, 0}};
    for (const Phase& p : phases) {
        m.state = p.state;
        const auto until = h.clock().nowMs() + p.ms;
        while (h.clock().nowMs() < until) {
            if (h.gui().retiredRotorCount()) (void)old->planeCount(false);  // the worker's late call
            h.frame();
        }
        EXPECT_EQ(h.gui().retiredRotorCount(), p.retired) << "state " << p.state << " for " << p.ms << " ms";
    }
}

TEST(GuiCoreRotor, NewRotorNamesFollowTheFoldersAndLanguage) {
    struct Case {
        bool english;
        const char* extraDbFile;
        const char* name;
    };
    const Case cases[] = {
        {true, nullptr, "ROTOR 11"},
        {false, nullptr, "ИЗДЕЛИЕ 1"},
        {true, "ROTOR 99999999999.rotor", "ROTOR 11"},  // too large: no number
        {true, "ROTOR 2147483647.rotor", "ROTOR 2147483648"},
        {true, "ROTOR 12.txt", "ROTOR 11"},
        {false, "ИЗДЕЛИЕ 4_220230125123000.rotor", "ИЗДЕЛИЕ 5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testwd::WorkDir dir;
        fs::create_directories("db");
        fs::create_directories("history");
        for (const char* f : {"db/ROTOR 2.rotor", "db/ROTOR 10.rotor", "history/ROTOR 7_220230125123000.rotor"})
            testwd::writeFile(f, "");
        if (c.extraDbFile) testwd::writeFile(fs::path("db") / c.extraDbFile, "");
        GuiHarness h(1280, 960, c.english);
        Rotor* old = h.gui()._rotor;
        h.gui().newRotor();
        EXPECT_STREQ(h.gui()._rotor->nameText(false), c.name);
        EXPECT_NE(h.gui()._rotor, old);
        EXPECT_EQ(h.machine().rotor, h.gui()._rotor);
    }
}

TEST(GuiCoreMachine, ReadyHookRunsOncePerConnection) {
    GuiHarness h;
    FakeMachine& m = h.machine();
    const std::string banner = h.gui()._config->local.banner;
    m.state = 1;  // initializing
    h.run(100);
    EXPECT_EQ(m.count("resetBooster"), 0);
    for (const char* device : {"FAKE 1.0", "FAKE 2.0"}) {
        SCOPED_TRACE(device);
        m.deviceName = device;
        m.state = 0;
        h.run(200);
        EXPECT_EQ(h.gui()._config->local.banner, banner + " / " + device);
        m.reconnect();
    }
    EXPECT_EQ(m.count("resetBooster"), 2);
    EXPECT_EQ(m.count("applyMiscParams"), 2);
}

TEST(GuiCoreMachine, DemoBadgeOnlyWithTheDemoDeviceOutsideDeveloperMode) {
    struct Case {
        bool demo, devMode, shown;
    };
    for (const Case& c : {Case{true, false, true}, Case{true, true, false}, Case{false, false, false}}) {
        GuiHarness h;
        h.machine().demo = c.demo;
        h.gui()._devMode = c.devMode;
        h.frame();
        // The badge is the text "Demo" itself (the demo box's text also holds the word).
        const auto& items = h.probe().items();
        const bool badge = std::any_of(items.begin(), items.end(), [](const UiItem& i) { return i.text == "Demo"; });
        EXPECT_EQ(badge, c.shown) << c.demo << c.devMode;
    }
    for (const ImVec2 size : {ImVec2(1280, 960), ImVec2(790, 540)})  // on no control of any screen
        for (void (Gui::*screen)() : {&Gui::home, &Gui::editing, &Gui::balancing, &Gui::influenceCoefficients,
                                      &Gui::measuring, &Gui::history, &Gui::database, &Gui::settings, &Gui::welding}) {
            GuiHarness h(size.x, size.y, size.x > 1000);
            h.machine().demo = true, h.gui().setScreen(true, screen), h.run(400);
            ImRect badge;
            for (const UiItem& i : h.probe().items())
                if (i.text == textOf(textid::kTextDemo)) badge = ImRect(i.min, i.max);
            ASSERT_GT(badge.GetArea(), 0);
            const float bar = h.gui().onHomeScreen() ? size.y : size.y - 80;  // where a bar covers the content
            for (const UiItem& i : h.probe().items())
                EXPECT_FALSE(i.id && badge.Overlaps(ImRect(i.min, ImVec2(i.max.x, std::min(i.max.y, bar)))))
                    << i.label << " at " << size.x;
        }
}

// The first start of a working folder: what the load brought in is in its log;
// the end drive's ramps for a 5000 kg rotor of R 500 take minutes, not hours.
TEST(GuiCoreStartup, FirstStartLogsTheSettingsBroughtIn) {
    testwd::WorkDir dir;
    Config bent;  // as an earlier version bent it and saved it
    bent.language = 1, bent.drillAngle = 1, bent.weightLimit.maximum = 5000;
    bent.endDrive.ratedTorque = 0.01, bent.endDrive.driveRatio = 0.001;
    ASSERT_TRUE(saveSettingsFile(bent, ".cfg"));
    GuiHarness h;
    h.gui().startMachine(&h.machine());
    EXPECT_NE(testwd::readFile("logs/dbr.log").find("\"Included angle of the drill bit\" was 1, now 120"),
              std::string::npos);
    RotorData& r = h.gui()._rotor->data();
    r.mass = 5000, r.planes.resize(1), r.planes[0].channel1 = 1, r.planes[0].radius = 500;
    const Config& c = *h.gui()._config;
    const RotorRunNumbers run = rotorRunNumbers(*h.gui()._rotor, c.endDrive);
    const EngineRunValues v = engineRunValues(c.endDrive, c, MachineProcess::kBalancing, &run, 1000, nullptr);
    EXPECT_LE(std::max(v.accelerationMs, v.decelerationMs), 15 * 60 * 1000);
}

// ".cfg" missing, damaged or sound: at most one box, the defaults written
// (a damaged file kept aside first), all before the connect process starts.
TEST(GuiCoreStartup, SettingsLoadedBeforeTheMachineConnects) {
    struct Case {
        const char* name;
        const char* content;  // null: no file; "" : a sound English file
        bool box;
        bool keptAside;
        bool english;
    };
    const Case cases[] = {
        {"missing", nullptr, true, false, false},
        {"damaged", "not a settings file", true, true, false},
        {"sound", "", false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testwd::WorkDir dir;
        if (c.content && *c.content) testwd::writeFile(".cfg", c.content);
        if (c.content && !*c.content) {
            Config english;
            english.language = 1;
            ASSERT_TRUE(saveSettingsFile(english, ".cfg"));
        }
        GuiHarness h;
        FakeMachine& m = h.machine();
        m.calls.clear();
        h.gui().startMachine(&m);
        ASSERT_EQ(m.count("startProcess"), 1);
        EXPECT_EQ(m.calls.back(), "startProcess(1)");
        EXPECT_GE(m.count("setRotor"), 1);
        EXPECT_EQ(isEnglish(), c.english);
        EXPECT_TRUE(fs::exists(".cfg"));
        bool kept = false;
        for (const auto& e : fs::directory_iterator("."))
            kept = kept || e.path().filename().string().rfind(".cfg.bad-", 0) == 0;
        EXPECT_EQ(kept, c.keptAside);
        h.run(400);
        EXPECT_EQ(h.probe().shows(textOrEmpty(textid::kTextSettingsLoadError)), c.box);
        h.key(GuiKey::Enter);
        h.run(400);
        EXPECT_EQ(h.gui()._modalState, 0);
        EXPECT_FALSE(h.probe().shows(textOrEmpty(textid::kTextSettingsLoadError)));
    }
}

}  // namespace
