// The channels, processing and display tabs: channel values and pages, the
// gain choice, the direction rows, the angle reversal handed to the machine,
// the machine's additional error messages.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/gui_settings_rig.h"

namespace {

const char* const kClockwise = "\xC3\x85";      // "Å"
const char* const kAnticlockwise = "\xC3\x86";  // "Æ"

void channel(Channel& c, bool active, int gain, bool autoGain) {
    c.active = active;
    c.gain = gain;
    c.autoGain = autoGain;
}

TEST(SettingsChannels, ValuesPagesAndTheGainChoice) {
    SettingsRig rig(1, [](Config& c) {
        channel(c.channels[0], true, 2, true);
        channel(c.channels[1], true, 0, false);
        channel(c.channels[2], false, 2, true);
    });
    rig.taps({"Vibration measurement channels"});
    EXPECT_EQ(rig.value("Channel 1"), "100 A");
    EXPECT_EQ(rig.value("Channel 2"), "1 -");
    EXPECT_EQ(rig.value("Channel 3"), "-");
    rig.taps({"Channel 3"});
    EXPECT_TRUE(rig.shows("Active"));
    EXPECT_FALSE(rig.shows("Auto") || rig.shows("1000") || rig.shows("Soft bearing"));
    rig.taps({"\xC3\x89", "Channel 2", "1000"});
    EXPECT_EQ(rig.c.channels[1].gain, 3);
    EXPECT_TRUE(rig.saved());

    // The processing tab's "Calibration" leads nowhere.
    std::filesystem::remove(".cfg");
    rig.taps({"Receiving and processing data", "Calibration"});
    EXPECT_TRUE(rig.d().pages.empty());
    EXPECT_FALSE(std::filesystem::exists(".cfg"));
}

TEST(SettingsChannels, DirectionRowInvertsAndAngleReversalReachesTheMachine) {
    SettingsRig rig(1);
    rig.taps({"Display and data output"});
    EXPECT_EQ(rig.value("Interface direction of rotation"), kClockwise);
    rig.taps({"Interface direction of rotation"});
    EXPECT_TRUE(rig.c.interfaceRotation);
    EXPECT_EQ(rig.value("Interface direction of rotation"), kAnticlockwise);
    EXPECT_TRUE(rig.saved());

    const int before = rig.h.machine().count("applyMiscParams");  // the machine's start sent them once
    rig.taps({"Reverse angle direction"});
    EXPECT_TRUE(rig.c.reverseAngle);
    EXPECT_EQ(rig.h.machine().count("applyMiscParams"), before + 1);
    rig.taps({"Reverse angle direction"});
    EXPECT_FALSE(rig.c.reverseAngle);
    EXPECT_EQ(rig.h.machine().count("applyMiscParams"), before + 2);
    EXPECT_TRUE(rig.saved());
}

TEST(SettingsChannels, DriveErrorsCanBeSwitchedOnAndAnEditedMessageIsSaved) {
    SettingsRig rig(1, [](Config& c) { c.extErrorStartBit = 3; });
    rig.taps({"Display and data output"});
    EXPECT_TRUE(rig.shows("Number of additional errors monitored"));
    EXPECT_FALSE(rig.shows("Additional error messages"));
    rig.taps({"Number of additional errors monitored"});
    rig.enter("2");
    rig.taps({"Additional error messages"});
    EXPECT_TRUE(rig.shows("3-bit"));
    EXPECT_FALSE(rig.shows("5-bit"));
    rig.c.extErrors[1].message = "Fan";
    rig.taps({"4-bit"});
    EXPECT_EQ(rig.g._keyboardText, "Fan");
    rig.enter("Overheat");
    EXPECT_EQ(rig.c.extErrors[1].message, "Overheat");
    EXPECT_TRUE(rig.saved());
}

}  // namespace
