// The drive tab: pages by drive state and level, the inverter choice, sub-pages
// closing by themselves, the autosetting hand-over, the restricted view.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "records/job_records.h"
#include "rotor/rotor.h"
#include "support/gui_settings_rig.h"

namespace {

const char* const kDriveTab = "Drive, acceleration and deceleration";

TEST(SettingsDrive, PagesFollowTheDriveAndTheLevel) {
    auto on = [](Drive Config::*drive) { return [drive](Config& c) { (c.*drive).active = true; }; };
    auto errors = [](unsigned count) {
        return [count](Config& c) {
            c.endDrive.active = true, c.endDrive.extErrorStartBit = 5, c.endDrive.extErrorCount = count;
        };
    };
    struct Case {
        int level;
        std::vector<std::string> taps;
        std::function<void(Config&)> setup;
        std::vector<std::string> shown, hidden;
    } cases[] = {
        // clang-format off
        {0, {"End drive"}, {}, {}, {"Off", "ACC/DEC curve type"}},
        {0, {"End drive"}, on(&Config::endDrive), {"ACC/DEC curve type", "Angle tuning accuracy"},
         {"Off", "Drive max speed", "Used phasor", "Position turn speed"}},
        {1, {"Belt drive"}, {}, {"Off", "External", "Drive #2"}, {"Drive max speed", "Speed stabilization accuracy"}},
        {1, {"End drive"}, [](Config& c) { c.endDrive.active = c.endDrive.external = true; },
         {"Speed stabilization accuracy", "Use external phasor", "Used phasor", "Encoder based speed control threshold"},
         {"Drive max speed", "ACC/DEC curve type", "Electromagnetic brake installed", "Rated motor power"}},
        {2, {"End drive"}, on(&Config::endDrive), {"Autosetting", "Rated motor power", "Auto-adjusting"},
         {"Belt drive pulley diameter by default", "Additional error messages"}},
        {1, {"Belt drive"}, on(&Config::beltDrive), {"Belt drive pulley diameter by default"}, {"Autosetting"}},
        {1, {"Mill drive"}, on(&Config::millDrive), {"Reverse feed direction"}, {"External", "ACC/DEC curve type"}},
        {1, {"Weld drive"}, on(&Config::weldDrive), {"External", "Gear ratio"}, {"ACC/DEC curve type"}},
        {1, {"End drive", "Additional error messages"}, errors(3), {"5-bit", "7-bit"}, {"8-bit"}},
        {1, {"End drive", "Additional error messages"}, errors(10), {"12-bit"}, {"13-bit"}},  // 8 in the list
    };  // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.taps.back() + " at level " + std::to_string(c.level));
        SettingsRig rig(c.level, c.setup);
        rig.taps({kDriveTab});
        rig.taps(c.taps);
        for (const std::string& label : c.shown) EXPECT_TRUE(rig.shows(label)) << label;
        for (const std::string& label : c.hidden) EXPECT_FALSE(rig.shows(label)) << label;
    }
}

TEST(SettingsDrive, InverterChoiceSavesAndTheWeldDrivesExternalTiesItsControl) {
    struct Case {
        std::vector<std::string> taps;
        std::vector<int> activeControlInverter;
    } cases[] = {
        {{"External"}, {1, 1, 0}}, {{"External", "Drive #2"}, {1, 0, 1}}, {{"External", "Off"}, {0, 0, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.taps.back());
        SettingsRig rig(1);
        rig.taps({kDriveTab, "Weld drive"});
        rig.taps(c.taps);
        EXPECT_EQ(
            std::vector<int>({rig.c.weldDrive.active, rig.c.externalWeldingControl, rig.c.weldDrive.drive}),
            c.activeControlInverter);
        EXPECT_TRUE(rig.saved());
        rig.taps({"\xC3\x89"});  // back to the drives, which show the choice
        EXPECT_EQ(rig.value("Weld drive"), c.taps.back());
    }
}

TEST(SettingsDrive, RadioSubPagesCloseAfterAMomentAndCurvesFollowTheLanguage) {
    for (bool english : {true, false}) {
        SettingsRig rig(
            1, [](Config& c) { c.endDrive.active = true; }, false, english);
        const std::string curve = english ? "ACC/DEC curve type" : "Тип кривой разгона/торможения";
        rig.taps({english ? kDriveTab : "Привод, разгон и торможение",
                  english ? "End drive" : "Осевой привод", curve});
        ASSERT_TRUE(rig.h.tap(english ? "S-type" : "S-образная"));
        EXPECT_EQ(rig.c.endDrive.accDecCurve, 1u);
        EXPECT_TRUE(rig.saved());
        rig.h.run(150);  // the press ended 16 ms ago
        EXPECT_EQ(rig.d().pages.size(), 2u);
        rig.h.run(64);
        EXPECT_TRUE(rig.d().pages.size() == 1 && rig.value(curve) == (english ? "S-type" : "S-образная"));
    }
}

// The measuring request, and what the settings do when the Measuring screen returns.
TEST(SettingsDrive, AutosettingGoesToTheMeasuringScreenAndTheReturnSaves) {
    SettingsRig rig(1, [](Config& c) { c.endDrive.active = true; });
    rig.taps({kDriveTab, "End drive", "Autosetting"});
    EXPECT_EQ(rig.h.machine().count("resetResults"), 1);
    EXPECT_EQ(rig.g.currentScreen(), Gui::ScreenId::Measuring);
    EXPECT_TRUE(rig.g._measuringMode == 2 && rig.g._resultsExpected && !rig.g._onBack);
    EXPECT_FALSE(std::filesystem::exists(".cfg"));
    rig.g.back();
    rig.h.run(400);
    EXPECT_TRUE(rig.h.machine().count("saveCalibration(0)") == 1 && !rig.g._resultsExpected && rig.saved());
    EXPECT_TRUE(rig.d().pages.size() == 1 && rig.shows("Autosetting"));  // still on the drive's page
}

TEST(SettingsDrive, RestrictedViewOpensTheRotorsDriveWithoutBack) {
    for (bool belt : {false, true}) {
        SettingsRig rig(
            1, [](Config& c) { c.endDrive.active = c.beltDrive.active = true; }, true);
        ASSERT_EQ(rig.d().pages.size(), 1u);  // opened with the screen
        rig.g._rotor->data().drive = belt ? jobrec::kDriveBelt : jobrec::kDriveEnd;
        rig.taps({"Vibration measurement channels", kDriveTab});  // and when the tab is chosen
        ASSERT_EQ(rig.d().pages.size(), 1u);
        EXPECT_TRUE(rig.d().pages[0].caption == (belt ? "Belt" : "End") &&
                    rig.d().pages[0].id == (belt ? 1u : 0u));
        EXPECT_TRUE(rig.shows("External") && rig.shows("ACC/DEC curve type"));
        EXPECT_EQ(rig.count("Off"), 1);       // the position turn's: the drive cannot be switched off here
        EXPECT_EQ(rig.count("\xC3\x89"), 1);  // the bottom bar's back only
    }
}

}  // namespace
