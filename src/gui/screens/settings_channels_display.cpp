// The settings screen's channels, processing and display tabs: the five
// vibration measuring channels, averaging, speed measurement and vibration
// thresholds, and the interface, angle, unit, printing and additional error
// options of the machine.

#include <iterator>

#include "gui/screens/settings_screen.h"
#include "machine/machine_base.h"
#include "records/settings_labels.h"
#include "records/settings_records.h"
#include "texts/format.h"

namespace Settings {
namespace {

using settingtags::Config;
using ChannelTags = settingtags::Channel;

constexpr TextId kTextGain = 0xDDB035;  // "Vibration channel gain"
constexpr TextId kTextAveraging = 0xDDB036;
constexpr TextId kTextRotationSpeed = 0xDDB037;
constexpr TextId kTextVibrationLevel = 0xDDB038;
constexpr TextId kTextCalibration = 0xDDB039;
constexpr TextId kTextInterface = 0xDDB03A;
constexpr TextId kTextAngularPosition = 0xDDB03B;
constexpr TextId kTextUnits = 0xDDB03C;
constexpr TextId kTextPrinting = 0xDDB03D;
constexpr TextId kTextDriveErrors = 0xDDB03E;
constexpr const char* kGainTexts[] = {"1", "10", "100", "1000"};  // gain steps 0 to 3
constexpr const char* kAutoGain = "A";
constexpr const char* kNoValue = "-";

constexpr TextId kChannelNumbers[] = {ChannelTags::kSensitivity, ChannelTags::kAmplifierRatio,
                                      ChannelTags::kPcbRatio, ChannelTags::kPhaseShift};
constexpr TextId kAveragingRows[] = {Config::kMeasurementCycles, Config::kRevolutionsBefore,
                                     Config::kAmplitudeDeviation, Config::kTestMeasurements};

std::string channelValue(const Channel& c) {
    if (!c.active) return kNoValue;
    const char* gain =
        c.gain >= 0 && c.gain < static_cast<int>(std::size(kGainTexts)) ? kGainTexts[c.gain] : "?";
    return ks::format("{} {}", gain, c.autoGain ? kAutoGain : kNoValue);
}

void channelPage(Data& d, std::size_t index) {
    if (index >= d.config->channels.size()) return;
    Channel& channel = d.config->channels[index];
    d.path[0] = Config::kChannels;
    d.path[1] = static_cast<std::uint32_t>(index);
    sectionHeader(d, nullptr);
    boolRow(d, ChannelTags::kActive, 3);
    if (!channel.active) return;
    sectionHeader(d, textOrEmpty(kTextGain));
    for (int step = 0; step < static_cast<int>(std::size(kGainTexts)); ++step) {
        if (!radioRow(d, kGainTexts[step], channel.gain == step)) continue;
        channel.gain = step;
        saveConfig(d);
    }
    boolRow(d, ChannelTags::kAutoGain, 3);
    sectionHeader(d, nullptr);
    for (TextId tag : kChannelNumbers) numberRow(d, tag, 3);
    boolRow(d, ChannelTags::kSoftBearing, 3);
}

}  // namespace

void channelsTab(Data& d) {
    if (!d.pages.empty()) {
        channelPage(d, d.pages.back().id);
        return;
    }
    sectionHeader(d, nullptr);
    listRows(d.config->channels.size(), [&d](std::size_t i) {
        const std::string label = channelRowLabel(i);
        pageRow(d, label.c_str(), channelValue(d.config->channels[i]).c_str(), static_cast<TextId>(i));
        return true;
    });
}

void processingTab(Data& d) {
    sectionHeader(d, textOrEmpty(kTextAveraging));
    for (TextId tag : kAveragingRows) numberRow(d, tag, 1);
    boolRow(d, Config::kFilterBoard, 1);

    sectionHeader(d, textOrEmpty(kTextRotationSpeed));
    numberRow(d, Config::kSpeedBufferSize, 1);
    numberRow(d, Config::kSpeedPeriod, 1);

    sectionHeader(d, textOrEmpty(kTextVibrationLevel));
    numberRow(d, Config::kGainReduceThreshold, 1);
    numberRow(d, Config::kGainIncreaseThreshold, 1);
    boolRow(d, Config::kEmergencyStop, 1);  // a flag in the settings record

    // A row that leads nowhere yet: pressing it changes nothing.
    sectionHeader(d, textOrEmpty(kTextCalibration));
    fieldRow(d, textOrEmpty(kTextCalibration), "", nullptr, kOpensPage);
}

void displayTab(Data& d) {
    if (!d.pages.empty()) {  // the additional error messages
        d.path[0] = Config::kExtErrors;
        errorMessageRows(d, d.config->extErrorStartBit, d.config->extErrorCount, d.config->extErrors.size(),
                         3);
        return;
    }
    sectionHeader(d, textOrEmpty(kTextInterface));
    boolRow(d, Config::kTrialWeightHints, 1);
    boolRow(d, Config::kAlwaysShowSignals, 1);

    sectionHeader(d, textOrEmpty(kTextAngularPosition));
    directionRow(d, Config::kInterfaceRotation, 1);
    // The machine passes the angle direction on to the controller.
    if (boolRow(d, Config::kReverseAngle, 1) && d.machine) d.machine->applyMiscParams();
    numberRow(d, Config::kAngleAccuracy, 1);
    numberRow(d, Config::kAngleMarkPosition, 1);

    sectionHeader(d, textOrEmpty(kTextUnits));
    boolRow(d, Config::kTestInMicrons, 1);
    sectionHeader(d, textOrEmpty(kTextPrinting));
    boolRow(d, Config::kPrinterConnected, 1);

    // The number rows stay while the number is 0, so the messages can be switched on.
    sectionHeader(d, textOrEmpty(kTextDriveErrors));
    numberRow(d, Config::kExtErrorStartBit, 1);
    numberRow(d, Config::kExtErrorCount, 1);
    if (d.config->extErrorCount != 0) pageRow(d, textOrEmpty(Config::kExtErrors), "", 0);
}

}  // namespace Settings
