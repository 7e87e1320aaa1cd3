// The settings screen's drive tab: the four drives of the machine (end, belt,
// mill, weld), which inverter turns each or that it is driven from outside,
// its basic values, acceleration, stabilization, encoder and phasor, position
// turn, brake, motor and additional error messages, and the drive's
// autosetting run on the Measuring screen.
//
// Pages: the main page lists the drives; the first page on the stack is a
// drive (id 0 to 3), the second one of its sub-pages (id: the field it sets).

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/screens/settings_screen.h"
#include "machine/machine_base.h"
#include "records/settings_labels.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "texts/format.h"

namespace Settings {
namespace {

using settingtags::Config;
using DriveTags = settingtags::Drive;
using EngineTags = settingtags::EngineParams;
using AccDecTags = settingtags::AccDec;

enum DriveIndex : int { kEndDrive = 0, kBeltDrive, kMillDrive, kWeldDrive, kDriveCount };

using ConfigRecord = ::Config;
struct DriveRule {
    TextId tag;
    Drive ConfigRecord::*member;
};
constexpr DriveRule kDrives[kDriveCount] = {
    {Config::kEndDrive, &::Config::endDrive},
    {Config::kBeltDrive, &::Config::beltDrive},
    {Config::kMillDrive, &::Config::millDrive},
    {Config::kWeldDrive, &::Config::weldDrive},
};

constexpr TextId kTextOff = 0xDDB029;
constexpr TextId kTextExternal = 0xDDB028;
constexpr TextId kTextBasic = 0xDDB02E;
constexpr TextId kTextAccDec = 0xDDB02F;
constexpr TextId kTextStabilization = 0xDDB030;
constexpr TextId kTextEncoderPhasor = 0xDDB031;
constexpr TextId kTextPositionTurn = 0xDDB032;
constexpr TextId kTextBrake = 0xDDB033;
constexpr TextId kTextDriveErrors = 0xDDB03E;
constexpr TextId kTextAutosetting = 0xDDB05E;
constexpr TextId kCurveNames[] = {0xDDB025, 0xDDB026, 0xDDB027};  // Normal, S-type, U-type
constexpr TextId kPhasors[] = {settings_choice::kWithoutPhasor, settings_choice::kOptic1,
                               settings_choice::kEncoder1, settings_choice::kOptic2,
                               settings_choice::kEncoder2};
constexpr TextId kAutoTunings[] = {settings_choice::kAutoTuningOff, settings_choice::kAutoTuningStatic,
                                   settings_choice::kAutoTuningDynamic};
constexpr TextId kEngineNumbers[] = {EngineTags::kRatedPower,   EngineTags::kRatedVoltage,
                                     EngineTags::kRatedCurrent, EngineTags::kRatedFrequency,
                                     EngineTags::kRatedSpeed,   EngineTags::kPoles};
constexpr TextId kWeldNumbers[] = {
    DriveTags::kEncoderRatio, DriveTags::kEncoderResolution, DriveTags::kGearRatio, DriveTags::kLineSpeed,
    DriveTags::kTurnSpeed,    DriveTags::kSeamOverlap,       DriveTags::kTackTime};
constexpr float kAccDecValueWidth = 600;  // narrower: the processing time row shows no value
constexpr int kAutosettingMode = 2;       // of the Measuring screen

Drive& driveOf(Data& d, int drive) {
    return d.config->*kDrives[drive].member;
}

// Driven from outside: the weld drive by the welding machine's own control.
bool isExternal(Data& d, int drive) {
    if (drive == kWeldDrive) return d.config->externalWeldingControl;
    return drive != kMillDrive && driveOf(d, drive).external;
}

// A radio sub-page closes by itself a moment after its choice.
void closeSoon(Data& d) {
    d.delayedClose = true;
    d.delayedCloseStart = d.gui._frameTime;
}

std::string curveName(std::uint32_t curve) {
    return curve < std::size(kCurveNames) ? textOrEmpty(kCurveNames[curve]) : "";
}

std::string accDecText(const AccDec& a) {
    return ks::format(textOrEmpty(AccDecTags::kType), a.acceleration, a.deceleration);  // "{} Â {}"
}

void driveRadios(Data& d, int drive) {
    Drive& dr = driveOf(d, drive);
    const bool external = isExternal(d, drive);
    sectionHeader(d, textOrEmpty(DriveTags::kDrive));
    auto choose = [&](bool active, bool toExternal, std::int32_t inverter) {
        dr.active = active;
        if (active) dr.external = toExternal;
        if (active && !toExternal) dr.drive = inverter;
        if (drive == kWeldDrive) d.config->externalWeldingControl = active && toExternal;
        saveConfig(d);
    };
    if (!d.restricted && radioRow(d, textOrEmpty(kTextOff), !dr.active)) choose(false, false, 0);
    if (drive != kMillDrive && radioRow(d, textOrEmpty(kTextExternal), dr.active && external))
        choose(true, true, 0);
    listRows(d.config->inverters.size(), [&](std::size_t i) {
        const bool chosen = dr.active && !external && dr.drive == static_cast<std::int32_t>(i);
        if (radioRow(d, inverterRowLabel(i).c_str(), chosen)) choose(true, false, static_cast<std::int32_t>(i));
        return true;
    });
}

void startAutosetting(Data& d) {
    Gui& g = d.gui;
    if (d.machine) d.machine->resetResults();
    ImGui::ClearActiveID();
    g._resultsExpected = true;  // the screen saves the calibration when it is back
    g._measuringMode = kAutosettingMode;
    g._icRunMask = 0;     // a drive run shows no previous results
    g._onBack = nullptr;  // the page's back action is not the Measuring screen's
    g.setScreen(true, &Gui::measuring);
}

void phasorPageRow(Data& d, const Drive& dr) {
    pageRow(d, textOrEmpty(DriveTags::kUsedPhasor), textOrEmpty(dr.usedPhasor), DriveTags::kUsedPhasor);
}

// The end drive's external phasor, only on the older measuring controller.
void externalPhasorRow(Data& d, int drive) {
    if (drive == kEndDrive && d.config->dataCollection == settings_choice::kVersion1)
        boolRow(d, DriveTags::kExternalPhasor, 2);
}

void encoderRows(Data& d, int drive, const Drive& dr) {
    externalPhasorRow(d, drive);
    phasorPageRow(d, dr);
    numberRow(d, DriveTags::kPhasorTimeout, 2);
    numberRow(d, DriveTags::kEncoderSpeedThreshold, 2);
}

// The basic values of a driven drive; true when the page ends after them.
bool basicRows(Data& d, int drive, const Drive& dr) {
    sectionHeader(d, textOrEmpty(kTextBasic));
    if (drive == kMillDrive) {
        numberRow(d, DriveTags::kMaxSpeed, 2);
        numberRow(d, DriveTags::kRatedMotorSpeed, 2);
        boolRow(d, DriveTags::kReverseFeed, 2);
        phasorPageRow(d, dr);
        return true;
    }
    if (drive == kWeldDrive) {
        numberRow(d, DriveTags::kRatedMotorSpeed, 2);
        for (TextId tag : kWeldNumbers) numberRow(d, tag, 2);
        boolRow(d, DriveTags::kReverseTurning, 2);
        boolRow(d, DriveTags::kReversePermitted, 2);
        phasorPageRow(d, dr);
        return true;
    }
    numberRow(d, DriveTags::kMaxSpeed, 2);
    numberRow(d, DriveTags::kRatedTorque, 2);
    numberRow(d, DriveTags::kRatedMotorSpeed, 2);
    numberRow(d, DriveTags::kAutotuningFrequency, 2);
    directionRow(d, DriveTags::kDefaultDirection, 2);
    boolRow(d, DriveTags::kUnidirectional, 2);
    if (drive == kBeltDrive) {
        numberRow(d, DriveTags::kPulleyDiameter, 2);
        return false;
    }
    numberRow(d, DriveTags::kDriveRatio, 2);
    if (fieldRow(d, textOrEmpty(kTextAutosetting), "", nullptr, kOpensPage) != kNotPressed)
        startAutosetting(d);
    return false;
}

void accDecSection(Data& d, const Drive& dr) {
    sectionHeader(d, textOrEmpty(kTextAccDec));
    pageRow(d, textOrEmpty(DriveTags::kAccDecCurve), curveName(dr.accDecCurve).c_str(),
            DriveTags::kAccDecCurve);
    const bool roomy = d.contentWidth >= kAccDecValueWidth;
    pageRow(d, textOrEmpty(DriveTags::kAccDecTime), roomy ? accDecText(dr.accDecTime).c_str() : "",
            DriveTags::kAccDecTime, roomy ? unitTextOf(DriveTags::kAccDecTime) : nullptr);
    pageRow(d, textOrEmpty(DriveTags::kAccDecFactors), accDecText(dr.accDecFactors).c_str(),
            DriveTags::kAccDecFactors);
}

void positionTurnSection(Data& d, Drive& dr) {
    sectionHeader(d, textOrEmpty(kTextPositionTurn));
    if (radioRow(d, textOrEmpty(kTextOff), !dr.positionTurnActive)) {
        dr.positionTurnActive = false;
        saveConfig(d);
    }
    listRows(d.config->inverters.size(), [&](std::size_t i) {
        const auto index = static_cast<std::int32_t>(i);
        const bool chosen = dr.positionTurnActive && dr.positionTurn == index;
        if (radioRow(d, inverterRowLabel(i).c_str(), chosen)) {
            dr.positionTurnActive = true;
            dr.positionTurn = index;
            saveConfig(d);
        }
        return true;
    });
    numberRow(d, DriveTags::kPositionTurnSpeed, 2);
    numberRow(d, DriveTags::kPositionTurnAccuracy, 2);
}

void engineSection(Data& d, const Drive& dr) {
    sectionHeader(d, textOrEmpty(DriveTags::kEngine));
    d.path[1] = DriveTags::kEngine;
    boolRow(d, EngineTags::kLoadParameters, 3);
    for (TextId tag : kEngineNumbers) numberRow(d, tag, 3);
    pageRow(d, textOrEmpty(EngineTags::kAutoAdjusting), textOrEmpty(dr.engine.autoAdjusting),
            EngineTags::kAutoAdjusting);
}

void driveErrorsSection(Data& d, const Drive& dr) {
    sectionHeader(d, textOrEmpty(kTextDriveErrors));
    numberRow(d, DriveTags::kExtErrorStartBit, 2);
    numberRow(d, DriveTags::kExtErrorCount, 2);
    if (dr.extErrorCount != 0) pageRow(d, textOrEmpty(DriveTags::kExtErrors), "", DriveTags::kExtErrors);
}

void drivePage(Data& d, int drive) {
    d.path[0] = kDrives[drive].tag;
    Drive& dr = driveOf(d, drive);
    if (drivePanel(d, drive)) return;
    const bool full = accessLevel(d) >= 1;
    accDecSection(d, dr);

    sectionHeader(d, textOrEmpty(kTextStabilization));
    numberRow(d, DriveTags::kStabilizationAccuracy, 2);
    boolRow(d, DriveTags::kStabilizationFromDrive, 2);
    numberRow(d, DriveTags::kStabilizationAttempts, 2);

    sectionHeader(d, textOrEmpty(kTextEncoderPhasor));
    numberRow(d, DriveTags::kAngleTuningAccuracy, 2);
    if (!full) return;
    encoderRows(d, drive, dr);

    positionTurnSection(d, dr);
    sectionHeader(d, textOrEmpty(kTextBrake));
    boolRow(d, DriveTags::kBrakeInstalled, 2);
    numberRow(d, DriveTags::kBrakeHoldTime, 2);
    engineSection(d, dr);
    if (drive == kEndDrive || drive == kBeltDrive) driveErrorsSection(d, dr);
}

// A radio sub-page: a press stores the choice, saves and closes the page soon.
template <typename T, std::size_t N>
void radioPage(Data& d, T& field, const TextId (&choices)[N], bool byIndex) {
    sectionHeader(d, nullptr);
    for (std::size_t i = 0; i < N; ++i) {
        const T value = byIndex ? static_cast<T>(i) : static_cast<T>(choices[i]);
        if (!radioRow(d, textOrEmpty(choices[i]), field == value)) continue;
        field = value;
        saveConfig(d);
        closeSoon(d);
    }
}

void driveSubPage(Data& d, int drive, TextId page) {
    Drive& dr = driveOf(d, drive);
    d.path[0] = kDrives[drive].tag;
    switch (page) {
        case DriveTags::kAccDecCurve:
            radioPage(d, dr.accDecCurve, kCurveNames, true);
            return;
        case EngineTags::kAutoAdjusting:
            radioPage(d, dr.engine.autoAdjusting, kAutoTunings, false);
            return;
        case DriveTags::kUsedPhasor:
            radioPage(d, dr.usedPhasor, kPhasors, false);
            return;
        case DriveTags::kAccDecTime:
        case DriveTags::kAccDecFactors:
            sectionHeader(d, nullptr);
            d.path[1] = page;
            numberRow(d, AccDecTags::kAcceleration, 3);
            numberRow(d, AccDecTags::kDeceleration, 3);
            return;
        case DriveTags::kExtErrors:
            d.path[1] = DriveTags::kExtErrors;
            errorMessageRows(d, dr.extErrorStartBit, dr.extErrorCount, dr.extErrors.size(), 4);
            return;
        default:
            return;
    }
}

void mainPage(Data& d) {
    sectionHeader(d, nullptr);
    for (int i = 0; i < kDriveCount; ++i) {
        const Drive& dr = driveOf(d, i);
        std::string value = textOrEmpty(kTextOff);
        if (dr.active)
            value =
                isExternal(d, i) ? textOrEmpty(kTextExternal) : inverterRowLabel(static_cast<std::size_t>(dr.drive));
        pageRow(d, textOrEmpty(kDrives[i].tag), value.c_str(), static_cast<TextId>(i));
    }
}

}  // namespace

bool drivePanel(Data& d, int drive) {
    const Drive& dr = driveOf(d, drive);
    if (accessLevel(d) < 1) return !dr.active;
    driveRadios(d, drive);
    if (!dr.active) return true;
    if (isExternal(d, drive) && !d.config->externalWeldingControl) {
        sectionHeader(d, textOrEmpty(kTextStabilization));
        numberRow(d, DriveTags::kStabilizationAccuracy, 2);
        sectionHeader(d, textOrEmpty(kTextEncoderPhasor));
        numberRow(d, DriveTags::kAngleTuningAccuracy, 2);
        encoderRows(d, drive, dr);
        return true;
    }
    return basicRows(d, drive, dr);
}

void driveTab(Data& d) {
    if (d.pages.empty()) {
        mainPage(d);
        return;
    }
    const TextId first = d.pages.front().id;
    if (first >= kDriveCount) return;
    const int drive = static_cast<int>(first);
    if (d.pages.size() == 1)
        drivePage(d, drive);
    else
        driveSubPage(d, drive, d.pages.back().id);
}

void openRotorDrive(Data& d) {
    const bool belt = d.rotor && d.rotor->isBeltDrive();
    d.pages.push_back(Page{static_cast<TextId>(belt ? kBeltDrive : kEndDrive),
                           textOrEmpty(belt ? jobrec::kDriveBelt : jobrec::kDriveEnd), 0.0f});
}

}  // namespace Settings
