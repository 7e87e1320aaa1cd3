// The settings screen's "General" and "System" tabs with their pages, and the
// setting of the computer's date and time.

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include "files/logger.h"
#include "gui/screens/settings_screen.h"
#include "gui/texture.h"
#include "platform/local_clock.h"
#include "records/settings_labels.h"
#include "records/settings_limits.h"
#include "records/settings_records.h"
#include "texts/format.h"
#include "texts/text_ids.h"

namespace Settings {
namespace {

using settingtags::Config;
using settingtags::Contact;
using settingtags::Info;
using settingtags::Inverter;
using settingtags::Limit;

constexpr TextId kTextTimeSettings = 0xDDB01B;
constexpr TextId kDatePage = 0xDDB01C;  // "Date"
constexpr TextId kTimePage = 0xDDB01D;  // "Time"
constexpr TextId kTextYear = 0xDDB01E;
constexpr TextId kTextMonth = 0xDDB01F;
constexpr TextId kTextDay = 0xDDB020;
constexpr TextId kTextHour = 0xDDB021;
constexpr TextId kTextMinute = 0xDDB022;
constexpr TextId kTextDriveSettings = 0xDDB023;  // "General drive settings"
constexpr TextId kTextMachineLimits = 0xDDB024;
constexpr TextId kTextInverters = 0xDDB047;      // "Connected inverters"
constexpr TextId kTextOptional = 0xDDB053;       // "Optional equipment"

// Where each part stands in the clock text "hh:mm YYYY-MM-DD".
struct ClockPart {
    TextId tag;
    std::size_t at;
    std::size_t length;
};
constexpr ClockPart kDateParts[] = {{kTextYear, 6, 4}, {kTextMonth, 11, 2}, {kTextDay, 14, 2}};
constexpr ClockPart kTimeParts[] = {{kTextHour, 0, 2}, {kTextMinute, 3, 2}};

constexpr TextId kContactFields[] = {Contact::kCompany, Contact::kAddress, Contact::kAddress2,
                                     Contact::kPhones,  Contact::kPhones2, Contact::kEmailWeb};
constexpr TextId kInfos[] = {Config::kMachineInfo, Config::kInstrumentInfo};
constexpr TextId kLimits[] = {Config::kWeightLimit, Config::kSpeedLimit};
constexpr TextId kGeneralDriveFields[] = {Config::kBalancingAccuracy, Config::kReductionRatio,
                                          Config::kCompensatorDeviation, Config::kTorqueInfluence};
constexpr TextId kInterfaceTypes[] = {settings_choice::kHorizontal, settings_choice::kVertical,
                                      settings_choice::kConsole};
constexpr TextId kVersions[] = {settings_choice::kVersion1, settings_choice::kVersion2};

constexpr int kRussianFlag = 0x179E409 - 0x179E404;
constexpr int kEnglishFlag = 0x179E40A - 0x179E404;

void clockRows(Data& d, const ClockPart* parts, std::size_t count) {
    sectionHeader(d, nullptr);
    for (std::size_t i = 0; i < count; ++i) clockRow(d, parts[i].tag, d.clockText.substr(parts[i].at, parts[i].length));
}

// The six text rows of a contact below `path[0..depth-2]`.
void contactRows(Data& d, int depth) {
    sectionHeader(d, nullptr);
    for (TextId field : kContactFields) textRow(d, field, depth);
}

void languageRow(Data& d, int language) {
    const TextId name = language ? textid::kLanguageEnglish : textid::kLanguageRussian;
    const int flags = kRadio | (d.config->language == language ? kRadioOn : 0);
    if (fieldRow(d, textOrEmpty(name), "", uiTexture(language ? kEnglishFlag : kRussianFlag), flags) != kNotPressed)
        chooseLanguage(d, language);
}

const ::Contact& manufacturerOf(const Data& d, TextId info) {
    return (info == Config::kMachineInfo ? d.config->machineInfo : d.config->instrumentInfo).manufacturer;
}

void generalPage(Data& d, TextId page) {
    switch (page) {
        case kDatePage: clockRows(d, kDateParts, std::size(kDateParts)); return;
        case kTimePage: clockRows(d, kTimeParts, std::size(kTimeParts)); return;
        case Config::kCompany:
        case Config::kServiceContacts:
            d.path[0] = page;
            contactRows(d, 2);
            return;
        case Config::kMachineInfo:
        case Config::kInstrumentInfo:  // the info's manufacturer
            d.path[0] = page;
            d.path[1] = Info::kManufacturer;
            contactRows(d, 3);
            return;
        default: return;
    }
}

void systemPage(Data& d, TextId page) {
    Gui& g = d.gui;
    if (page == Config::kWeightLimit || page == Config::kSpeedLimit) {
        sectionHeader(d, nullptr);
        d.path[0] = page;
        numberRow(d, Limit::kMinimum, 2);
        numberRow(d, Limit::kMaximum, 2);
        return;
    }
    if (page >= d.config->inverters.size()) return;
    d.path[0] = Config::kInverters;
    d.path[1] = page;
    sectionHeader(d, textOrEmpty(Inverter::kInverterType));
    for (unsigned i = 0; i < textid::kInverterModelCount; ++i)
        if (choiceRow(d, Inverter::kInverterType, 3, textid::kInverterModelFirst + i)) g._settingsChanged = true;
    sectionHeader(d, nullptr);
    numberRow(d, Inverter::kAddress, 3);
}

void logClockError(const std::string& reason) { logOneLine("settings", "Clock setting error: " + reason); }

}  // namespace

void generalTab(Data& d) {
    if (!d.pages.empty()) {
        generalPage(d, d.pages.back().id);
        return;
    }
    sectionHeader(d, textOrEmpty(Config::kLanguage));
    languageRow(d, 0);
    languageRow(d, 1);
    if (accessLevel(d) < 1) return;

    sectionHeader(d, textOrEmpty(kTextTimeSettings));
    pageRow(d, textOrEmpty(kDatePage), d.clockText.substr(6).c_str(), kDatePage);
    pageRow(d, textOrEmpty(kTimePage), d.clockText.substr(0, 5).c_str(), kTimePage);

    sectionHeader(d, nullptr);
    pageRow(d, textOrEmpty(Config::kCompany), d.config->company.company.c_str(), Config::kCompany);

    for (TextId info : kInfos) {
        sectionHeader(d, textOrEmpty(info));
        d.path[0] = info;
        textRow(d, Info::kModel, 2);
        textRow(d, Info::kSerialNumber, 2);
        numberRow(d, Info::kYear, 2);
        pageRow(d, textOrEmpty(Info::kManufacturer), manufacturerOf(d, info).company.c_str(), info);
    }

    sectionHeader(d, nullptr);
    pageRow(d, textOrEmpty(Config::kServiceContacts), d.config->serviceContacts.company.c_str(),
            Config::kServiceContacts);
    numberRow(d, Config::kServicePeriod, 1);
    d.path[0] = Config::kLocal;
    numberRow(d, settingtags::LocalConfig::kRotorsBalanced, 2);
}

void systemTab(Data& d) {
    Gui& g = d.gui;
    if (!d.pages.empty()) {
        systemPage(d, d.pages.back().id);
        return;
    }
    sectionHeader(d, textOrEmpty(Config::kDataCollection));
    for (TextId version : kVersions)
        if (choiceRow(d, Config::kDataCollection, 1, version)) g._settingsChanged = true;  // applies on reconnect

    sectionHeader(d, textOrEmpty(Config::kMachineInterface));
    for (TextId type : kInterfaceTypes) choiceRow(d, Config::kMachineInterface, 1, type);

    sectionHeader(d, textOrEmpty(kTextDriveSettings));
    for (TextId field : kGeneralDriveFields) numberRow(d, field, 1);

    sectionHeader(d, textOrEmpty(kTextMachineLimits));
    for (TextId tag : kLimits) {
        const ::Limit& limit = tag == Config::kWeightLimit ? d.config->weightLimit : d.config->speedLimit;
        const std::string range = ks::format(textOrEmpty(Limit::kType), limit.minimum, limit.maximum);  // "{} Â {}"
        pageRow(d, textOrEmpty(tag), range.c_str(), tag, unitTextOf(tag));
    }

    sectionHeader(d, textOrEmpty(kTextInverters));
    listRows(d.config->inverters.size(), [&d](std::size_t i) {
        const ::Inverter& inverter = d.config->inverters[i];
        const std::string label = inverterRowLabel(i);
        const std::string value = ks::format("{}({})", textOrEmpty(inverter.inverterType), inverter.address);
        pageRow(d, label.c_str(), value.c_str(), static_cast<TextId>(i));
        return true;
    });

    sectionHeader(d, textOrEmpty(kTextOptional));
    const bool wasOn = d.config->externalWelding;
    if (boolRow(d, Config::kExternalWelding, 1) && !wasOn) {
        // The home screen need not ask about an external welding machine.
        g._welderAsked = true;
        g._welderExpected = true;
    }
}

void setClockPart(Data& d, TextId part, const std::string& typed, double value) {
    using platform::LocalTime;
    platform::LocalClock& clock = platform::localClock();
    LocalTime t = clock.read();
    int lastDay = 31;  // of the month shown
    while (lastDay > 28 && !platform::dateExists(t.year, t.month, lastDay)) --lastDay;
    struct PartRange {
        TextId part;
        double lowest;
        double highest;
        int LocalTime::*field;
    };
    const PartRange parts[] = {
        {kTextYear, platform::kEarliestClockYear, kLatestYear, &LocalTime::year},
        {kTextMonth, 1, 12, &LocalTime::month},
        {kTextDay, 1, static_cast<double>(lastDay), &LocalTime::day},
        {kTextHour, 0, 23, &LocalTime::hour},
        {kTextMinute, 0, 59, &LocalTime::minute},
    };
    const auto found =
        std::find_if(std::begin(parts), std::end(parts), [part](const PartRange& r) { return r.part == part; });
    if (found == std::end(parts)) return;
    if (value != std::trunc(value) || value < found->lowest || value > found->highest) {
        refuseNumber(d, typed, rangeText({found->lowest, found->highest}));
        return;
    }
    t.*found->field = static_cast<int>(value);
    if (part == kTextMinute) {
        t.second = 0;
        t.millisecond = 0;
    }
    // A month or year that leaves the day beyond the month's end: the date that would be.
    if (!platform::dateExists(t.year, t.month, t.day)) {
        refuseNumber(d, typed, ks::format("{:04}-{:02}-{:02}", t.year, t.month, t.day));
        return;
    }
    std::string reason;
    if (clock.set(t, &reason)) return;
    logClockError(reason);
    notify(d, textOrEmpty(textid::kTextError), reason);
}

}  // namespace Settings
