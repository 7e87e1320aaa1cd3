// The channels, processing and display tabs: channel values, pages and gain,
// direction rows, the angle reversal handed to the machine, the machine's
// additional error messages.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/gui_settings_rig.h"

namespace {

TEST(SettingsChannels, ValuesPagesAndTheGainChoice) {
    SettingsRig rig(1, [](Config& c) {
        c.channels[0].active = c.channels[1].active = c.channels[0].autoGain = true;
        c.channels[0].gain = 2, c.channels[1].gain = 0, c.channels[1].autoGain = false;
    });
    rig.taps({"Vibration measurement channels"});
    EXPECT_EQ(
        std::vector<std::string>({rig.value("Channel 1"), rig.value("Channel 2"), rig.value("Channel 3")}),
        std::vector<std::string>({"100 A", "1 -", "-"}));
    rig.taps({"Channel 3"});
    EXPECT_TRUE(rig.shows("Active") && !rig.shows("Auto") && !rig.shows("1000") &&
                !rig.shows("Soft bearing"));
    rig.taps({"\xC3\x89", "Channel 2", "1000"});
    EXPECT_TRUE(rig.c.channels[1].gain == 3 && rig.saved());
    std::filesystem::remove(".cfg");
    rig.taps({"Receiving and processing data", "Calibration"});  // leads nowhere
    EXPECT_TRUE(rig.d().pages.empty() && !std::filesystem::exists(".cfg"));
}

TEST(SettingsChannels, DirectionRowInvertsAndAngleReversalReachesTheMachine) {
    SettingsRig rig(1);
    rig.taps({"Display and data output"});
    EXPECT_EQ(rig.value("Interface direction of rotation"), "\xC3\x85");  // "Å"
    rig.taps({"Interface direction of rotation"});
    EXPECT_TRUE(rig.c.interfaceRotation && rig.value("Interface direction of rotation") == "\xC3\x86");
    const int before = rig.h.machine().count("applyMiscParams");  // the machine's start sent them once
    for (int flip : {1, 2}) {
        rig.taps({"Reverse angle direction"});
        EXPECT_EQ(rig.c.reverseAngle, flip == 1);
        EXPECT_EQ(rig.h.machine().count("applyMiscParams"), before + flip);
        EXPECT_TRUE(rig.saved());
    }
}

TEST(SettingsChannels, DriveErrorsCanBeSwitchedOnAndAnEditedMessageIsSaved) {
    SettingsRig rig(1, [](Config& c) { c.extErrorStartBit = 3, c.extErrors[1].message = "Fan"; });
    rig.taps({"Display and data output"});
    EXPECT_TRUE(rig.shows("Number of additional errors monitored") &&
                !rig.shows("Additional error messages"));
    rig.taps({"Number of additional errors monitored"});
    rig.enter("2");
    rig.taps({"Additional error messages"});
    EXPECT_TRUE(rig.shows("3-bit") && !rig.shows("5-bit"));
    rig.taps({"4-bit"});
    EXPECT_EQ(rig.g._keyboardText, "Fan");
    rig.enter("Overheat");
    EXPECT_TRUE(rig.c.extErrors[1].message == "Overheat" && rig.saved());
}

}  // namespace
