// The drive tab: its sections by the drive's state and the access level, the
// inverter choice and the weld drive's external control, sub-pages that close
// by themselves, the additional error rows, the autosetting run on the
// Measuring screen and its return, the restricted view.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "machine/machine.h"
#include "machine/machine_codes.h"
#include "records/job_records.h"
#include "rotor/rotor.h"
#include "support/gui_settings_rig.h"
#include "support/machine_virtual_clock.h"

namespace {

const char* const kDriveTab = "Drive, acceleration and deceleration";

TEST(SettingsDrive, PageSectionsFollowTheDriveAndTheLevel) {
    struct Case {
        const char* name;
        int level;
        const char* drive;
        std::function<void(Config&)> setup;
        std::vector<std::string> shown, hidden;
    } cases[] = {
        {"level 0 inactive", 0, "End drive", {}, {}, {"Off", "ACC/DEC curve type", "Angle tuning accuracy"}},
        {"level 0 active", 0, "End drive", [](Config& c) { c.endDrive.active = true; },
         {"ACC/DEC curve type", "Maximum number of stabilization attempts", "Angle tuning accuracy"},
         {"Off", "Drive max speed", "Used phasor", "Position turn speed"}},
        {"inactive", 1, "Belt drive", {}, {"Off", "External", "Drive #1", "Drive #2"},
         {"Drive max speed", "Speed stabilization accuracy"}},
        {"external end drive", 1, "End drive", [](Config& c) { c.endDrive.active = c.endDrive.external = true; },
         {"Speed stabilization accuracy", "Angle tuning accuracy", "Use external phasor", "Used phasor",
          "Encoder based speed control threshold"},
         {"Drive max speed", "ACC/DEC curve type", "Electromagnetic brake installed", "Rated motor power"}},
        {"driven end drive", 2, "End drive", [](Config& c) { c.endDrive.active = true; },
         {"Autosetting", "Drive ratio", "Rated motor power", "Auto-adjusting", "Number of additional errors monitored"},
         {"Belt drive pulley diameter by default", "Additional error messages"}},
        {"belt drive", 1, "Belt drive", [](Config& c) { c.beltDrive.active = true; },
         {"Belt drive pulley diameter by default", "Start bit for checking additional errors"},
         {"Autosetting", "Drive ratio"}},
        {"mill drive", 1, "Mill drive", [](Config& c) { c.millDrive.active = true; },
         {"Reverse feed direction", "Used phasor"}, {"External", "ACC/DEC curve type"}},
        {"weld drive", 1, "Weld drive", [](Config& c) { c.weldDrive.active = true; },
         {"External", "Gear ratio", "Reverse rotation permitted"}, {"ACC/DEC curve type", "Drive max speed"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsRig rig(c.level, c.setup);
        rig.taps({kDriveTab, c.drive});
        for (const std::string& label : c.shown) EXPECT_TRUE(rig.shows(label)) << label;
        for (const std::string& label : c.hidden) EXPECT_FALSE(rig.shows(label)) << label;
    }
}

TEST(SettingsDrive, InverterChoiceSavesAndTheWeldDrivesExternalTiesItsControl) {
    struct Case {
        std::vector<std::string> taps;
        bool active, control;
        int inverter;
        const char* mainValue;
    } cases[] = {
        {{"External"}, true, true, 0, "External"},
        {{"External", "Drive #2"}, true, false, 1, "Drive #2"},
        {{"External", "Off"}, false, false, 0, "Off"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.taps.back());
        SettingsRig rig(1);
        rig.taps({kDriveTab, "Weld drive"});
        rig.taps(c.taps);
        EXPECT_EQ(rig.c.weldDrive.active, c.active);
        EXPECT_EQ(rig.c.externalWeldingControl, c.control);
        EXPECT_EQ(rig.c.weldDrive.drive, c.inverter);
        EXPECT_TRUE(rig.saved());
        rig.taps({"\xC3\x89"});  // back to the list of drives
        EXPECT_EQ(rig.value("Weld drive"), c.mainValue);
    }
}

TEST(SettingsDrive, RadioSubPagesCloseAfterAMomentAndCurvesFollowTheLanguage) {
    for (bool english : {true, false}) {
        SettingsRig rig(1, [](Config& c) { c.endDrive.active = true; }, false, english);
        rig.taps({english ? kDriveTab : "Привод, разгон и торможение", english ? "End drive" : "Осевой привод"});
        const std::string curve = english ? "ACC/DEC curve type" : "Тип кривой разгона/торможения";
        ASSERT_TRUE(rig.h.tap(curve));
        rig.h.run(300);
        ASSERT_TRUE(rig.h.tap(english ? "S-type" : "S-образная"));
        EXPECT_EQ(rig.c.endDrive.accDecCurve, 1u);
        EXPECT_TRUE(rig.saved());
        rig.h.run(150);  // the press ended 16 ms ago
        EXPECT_EQ(rig.d().pages.size(), 2u);
        rig.h.run(64);
        EXPECT_EQ(rig.d().pages.size(), 1u);
        EXPECT_EQ(rig.value(curve), english ? "S-type" : "S-образная");
    }
}

TEST(SettingsDrive, ErrorRowsCountFromTheStartBitBelowTheNumberAndTheList) {
    struct Case {
        unsigned count;
        std::vector<std::string> shown, hidden;
    } cases[] = {{3, {"5-bit", "7-bit"}, {"8-bit"}}, {10, {"12-bit"}, {"13-bit"}}};  // the list holds 8
    for (const Case& c : cases) {
        SettingsRig rig(1, [&c](Config& cfg) {
            cfg.endDrive.active = true;
            cfg.endDrive.extErrorStartBit = 5;
            cfg.endDrive.extErrorCount = c.count;
        });
        rig.taps({kDriveTab, "End drive", "Additional error messages"});
        for (const std::string& label : c.shown) EXPECT_TRUE(rig.shows(label)) << label;
        for (const std::string& label : c.hidden) EXPECT_FALSE(rig.shows(label)) << label;
    }
}

// What the Measuring screen is handed, and what the settings do when it returns.
TEST(SettingsDrive, AutosettingGoesToTheMeasuringScreenAndTheReturnSaves) {
    SettingsRig rig(1, [](Config& c) { c.endDrive.active = true; });
    rig.taps({kDriveTab, "End drive", "Autosetting"});
    EXPECT_EQ(rig.h.machine().count("resetResults"), 1);
    EXPECT_EQ(rig.g.currentScreen(), Gui::ScreenId::Measuring);
    EXPECT_EQ(rig.g._measuringMode, 2);
    EXPECT_TRUE(rig.g._resultsExpected);
    EXPECT_FALSE(rig.g._onBack);
    EXPECT_FALSE(std::filesystem::exists(".cfg"));
    rig.g.back();  // the Measuring screen returns by itself
    rig.h.run(400);
    EXPECT_EQ(rig.h.machine().count("saveCalibration(0)"), 1);
    EXPECT_FALSE(rig.g._resultsExpected);
    EXPECT_TRUE(rig.saved());
    ASSERT_EQ(rig.d().pages.size(), 1u);  // still on the drive's page
    EXPECT_TRUE(rig.shows("Autosetting"));
}

bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 20000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

// The same road on the demo machine: process 6 runs, the return copies the
// drive's calibration into ".cfg".
TEST(SettingsDrive, AutosettingOnTheDemoMachineSavesItsCalibration) {
    SettingsRig rig(1, [](Config& c) { c.endDrive.active = true; });
    VirtualClock clock;
    MachineDeps deps;
    deps.clock = &clock;
    deps.makeOlder = [](Clock&) -> Api* { return nullptr; };
    deps.demoReplayPath = "no-such-replay.dmp";
    Machine machine(1, &rig.c, deps);
    rig.g._machine = rig.d().machine = &machine;
    auto idle = [&machine] { return machine.process() == MachineProcess::kIdle && machine.getState() == 0; };
    ASSERT_TRUE(machine.startProcess(MachineProcess::kConnect));
    ASSERT_TRUE(waitFor([&] { return machine.isDemo() && idle(); }));
    for (int box = 0; box < 3; ++box) {  // "USB device not found!" and the like
        rig.h.run(400);
        if (rig.g._modalState != 0) rig.g.pressModalButton(0);
    }

    rig.taps({kDriveTab, "End drive", "Autosetting"});
    ASSERT_EQ(rig.g.currentScreen(), Gui::ScreenId::Measuring);
    machine.setRotor(rig.g._rotor);  // the Measuring screen's part in mode 2
    ASSERT_TRUE(machine.startProcess(MachineProcess::kAcceleration));
    ASSERT_TRUE(waitFor(idle));  // busy from the start on
    EXPECT_NE(testwd::readFile("logs/engine.log").find("finish process: 6"), std::string::npos);
    rig.g.back();
    rig.h.run(400);

    const AutosettingData& a = rig.c.endDrive.autosetting;
    EXPECT_EQ(std::vector<double>({a.value1, a.value2, a.value3, a.value4}),
              std::vector<double>({machine.engine().calibrationValue(0), machine.engine().calibrationValue(1),
                                   machine.engine().calibrationValue(2), machine.engine().calibrationValue(3)}));
    EXPECT_EQ(rig.g.currentScreen(), Gui::ScreenId::Settings);
    EXPECT_TRUE(rig.saved());
    while (!machine.requestQuit()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    machine.setRotor(nullptr);
    rig.g._machine = rig.d().machine = &rig.h.machine();
}

TEST(SettingsDrive, RestrictedViewOpensTheRotorsDriveWithoutBack) {
    for (bool belt : {false, true}) {
        SettingsRig rig(1, [](Config& c) { c.endDrive.active = c.beltDrive.active = true; }, true);
        ASSERT_EQ(rig.d().pages.size(), 1u);  // opened with the screen
        rig.g._rotor->data().drive = belt ? jobrec::kDriveBelt : jobrec::kDriveEnd;
        rig.taps({"Vibration measurement channels", kDriveTab});  // and again when the tab is chosen
        ASSERT_EQ(rig.d().pages.size(), 1u);
        EXPECT_EQ(rig.d().pages[0].caption, belt ? "Belt" : "End");
        EXPECT_EQ(rig.d().pages[0].id, belt ? 1u : 0u);
        EXPECT_TRUE(rig.shows("External") && rig.shows("ACC/DEC curve type"));
        EXPECT_EQ(rig.count("Off"), 1);  // the position turn's; the drive cannot be switched off here
        EXPECT_EQ(rig.count("\xC3\x89"), 1);  // the bottom bar's back only
    }
}

}  // namespace
