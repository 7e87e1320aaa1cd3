#include "texts/text_groups.h"

#include <array>

#include "texts/text_ids.h"
#include "texts/text_table.h"

using texts_detail::AttrItem;
using texts_detail::findAttrs;
using texts_detail::findText;
using texts_detail::TextItem;
using texts_detail::validTable;

const char* noText(TextId) {
    return nullptr;
}
const std::uint32_t* noAttrs(TextId) {
    return kNoAttrs;
}

namespace {

// ---- Font styles: item 0x1A9300A + k is {face 0xC66801 + k / 11, size} ---------
constexpr std::uint32_t kFontSizes[textid::kFontSizesPerFace] = {14, 17, 18, 20, 22, 24, 28, 40, 48, 52, 64};

struct FontStyleLists {
    std::uint32_t words[textid::kFontStyleCount][3];
};

constexpr FontStyleLists makeFontStyles() {
    FontStyleLists lists{};
    for (unsigned k = 0; k < textid::kFontStyleCount; ++k) {
        lists.words[k][0] = textid::kFontFace1 + k / textid::kFontSizesPerFace;
        lists.words[k][1] = kFontSizes[k % textid::kFontSizesPerFace];
        lists.words[k][2] = 0;
    }
    return lists;
}

constexpr FontStyleLists kFontStyles = makeFontStyles();
static_assert(kFontStyles.words[21][0] == 0xC66802 && kFontStyles.words[21][1] == 64, "font style 0x1A9301F");
static_assert(kFontStyles.words[22][0] == 0xC66803 && kFontStyles.words[22][1] == 14, "font style 0x1A93020");

// ---- Inverter models: one text for both languages, attribute the fault group ----
constexpr TextItem kInverterModels[] = {
    {0x1793001, "Schneider ATV12", "Schneider ATV12"},
    {0x1793002, "Toshiba VF", "Toshiba VF"},
    {0x1793003, "Delta MS300", "Delta MS300"},
    {0x1793004, "Danfoss FC51", "Danfoss FC51"},
    {0x1793005, "Schneider ATV930", "Schneider ATV930"},
    {0x1793006, "Delta VFD", "Delta VFD"},
    {0x1793007, "Chint NVF5", "Chint NVF5"},
};
static_assert(validTable(kInverterModels, textid::kInverterModelsGroup), "kInverterModels");

constexpr std::uint32_t kSchneiderMake[] = {textid::kSchneiderFaultsGroup, 0};
constexpr std::uint32_t kToshibaMake[] = {textid::kToshibaFaultsGroup, 0};
constexpr std::uint32_t kDeltaMake[] = {textid::kDeltaFaultsGroup, 0};
constexpr std::uint32_t kDanfossMake[] = {textid::kDanfossFaultsGroup, 0};
constexpr std::uint32_t kChintMake[] = {textid::kChintFaultsGroup, 0};

constexpr AttrItem kInverterMakes[] = {
    {0x1793001, kSchneiderMake}, {0x1793002, kToshibaMake},   {0x1793003, kDeltaMake},
    {0x1793004, kDanfossMake},   {0x1793005, kSchneiderMake}, {0x1793006, kDeltaMake},
    {0x1793007, kChintMake},
};
static_assert(validTable(kInverterMakes, textid::kInverterModelsGroup), "kInverterMakes");

// ---- Interface images: only one image has tint colours (red in the lowest byte) --
constexpr std::uint32_t kTintColours[] = {0xDDDDDD, 0x4057CD, 0x7AD645, 0};
constexpr AttrItem kImageAttrs[] = {{textid::kTintedImage, kTintColours}};
static_assert(validTable(kImageAttrs, textid::kInterfaceImagesGroup), "kImageAttrs");

// ---- The catalogue, in registration order -------------------------------------------
// Groups that only name a record type or the keys of resources have no texts;
// they are registered all the same.
constexpr TextGroupEntry kCatalogue[] = {
    {textid::kUnitsGroup, unitsText, noAttrs, "units"},
    {textid::kLanguagesGroup, languageText, noAttrs, "language names"},
    {textid::kMonthsGroup, monthsText, noAttrs, "month names"},
    {textid::kWeekdaysGroup, weekdaysText, noAttrs, "weekday names"},
    {textid::kCommonGroup, commonText, noAttrs, "common captions and messages"},
    {textid::kKeyboardGroup, keyboardText, noAttrs, "on-screen keyboard"},
    {textid::kMachineStatesGroup, machineStateText, noAttrs, "machine states"},
    {textid::kBalancingGroup, balancingText, noAttrs, "balancing and influence coefficients"},
    {textid::kHistoryGroup, historyText, noAttrs, "history, database and rotor editing"},
    {textid::kWeldingGroup, weldingText, noAttrs, "welding screen"},
    {textid::kButtonsGroup, buttonsText, noAttrs, "dialog button sets"},
    {textid::kHintsGroup, hintsText, noAttrs, "hints"},
    {textid::kMeasureModesGroup, measureModeText, noAttrs, "measuring modes and screen"},
    {textid::kVerificationStepsGroup, verificationStepText, noAttrs, "verification-test steps"},
    {textid::kFontStylesGroup, noText, fontStyleAttrs, "font styles"},
    {textid::kCorrectionModesGroup, correctionModeText, noAttrs, "correction modes"},
    {textid::kCorrectionMeansGroup, correctionMeanText, noAttrs, "correction means"},
    {textid::kPlaneGroup, planeFieldText, planeFieldAttrs, "Plane"},
    {textid::kDriveKindsGroup, driveKindText, noAttrs, "drive kinds"},
    {textid::kVectorGroup, noText, noAttrs, "Vector"},
    {textid::kResultGroup, noText, noAttrs, "Result"},
    {textid::kMeasurementGroup, noText, noAttrs, "Measurement"},
    {textid::kRotorDataGroup, rotorDataFieldText, rotorDataFieldAttrs, "RotorData"},
    {textid::kVersionChoiceGroup, versionChoiceText, noAttrs, "version choice"},
    {textid::kInverterModelsGroup, inverterModelText, inverterModelAttrs, "inverter models"},
    {textid::kAutoTuningModesGroup, autoTuningModeText, noAttrs, "motor auto-tuning modes"},
    {textid::kMachineLayoutsGroup, machineLayoutText, noAttrs, "machine layouts"},
    {textid::kInverterGroup, inverterFieldText, noAttrs, "Inverter"},
    {textid::kPhasorSourcesGroup, phasorSourceText, noAttrs, "phasor sources"},
    {textid::kChannelGroup, channelFieldText, channelFieldAttrs, "Channel"},
    {textid::kOperatorGroup, noText, noAttrs, "Operator"},
    {textid::kMaterialGroup, materialFieldText, materialFieldAttrs, "Material"},
    {textid::kContactGroup, contactFieldText, noAttrs, "Contact"},
    {textid::kInfoGroup, infoFieldText, noAttrs, "Info"},
    {textid::kLimitGroup, limitFieldText, noAttrs, "Limit"},
    {textid::kAccDecGroup, accDecFieldText, noAttrs, "AccDec"},
    {textid::kLocalConfigGroup, localConfigFieldText, localConfigFieldAttrs, "LocalConfig"},
    {textid::kExtErrorGroup, noText, noAttrs, "ExtError"},
    {textid::kAutosettingDataGroup, noText, noAttrs, "AutosettingData"},
    {textid::kEngineParamsGroup, engineParamsFieldText, engineParamsFieldAttrs, "EngineParams"},
    {textid::kDriveGroup, driveFieldText, driveFieldAttrs, "Drive"},
    {textid::kConfigGroup, configFieldText, configFieldAttrs, "Config"},
    {textid::kMachineErrorsGroup, machineErrorGroupText, noAttrs, "machine errors"},
    {textid::kSchneiderFaultsGroup, schneiderFaultText, noAttrs, "Schneider faults"},
    {textid::kToshibaFaultsGroup, toshibaFaultText, noAttrs, "Toshiba faults"},
    {textid::kDeltaFaultsGroup, deltaFaultText, noAttrs, "Delta faults"},
    {textid::kDanfossFaultsGroup, danfossFaultText, noAttrs, "Danfoss faults"},
    {textid::kChintFaultsGroup, chintFaultText, noAttrs, "Chint faults"},
    {textid::kRemoteStatusGroup, remoteStatusText, noAttrs, "welding-remote status"},
    {textid::kInterfaceImagesGroup, noText, interfaceImageAttrs, "interface images"},
    {textid::kProtocolImagesGroup, noText, noAttrs, "protocol images"},
    {textid::kFontFacesGroup, noText, noAttrs, "font faces"},
    {textid::kSettingsScreenGroup, settingsText, noAttrs, "settings screen"},
};
constexpr std::size_t kCatalogueSize = sizeof kCatalogue / sizeof kCatalogue[0];
static_assert(kCatalogueSize == 53, "the program registers 53 groups");

// The registry links its nodes, so they are mutable objects of their own.
std::array<TextGroup, kCatalogueSize> g_nodes{};

}  // namespace

const std::uint32_t* fontStyleAttrs(TextId id) {
    if (groupBase(id) != textid::kFontStylesGroup || id < textid::kFontStyleFirst) return kNoAttrs;
    const TextId k = id - textid::kFontStyleFirst;
    return k < textid::kFontStyleCount ? kFontStyles.words[k] : kNoAttrs;
}

const char* inverterModelText(TextId id) {
    return findText(kInverterModels, id);
}
const std::uint32_t* inverterModelAttrs(TextId id) {
    return findAttrs(kInverterMakes, id);
}
const std::uint32_t* interfaceImageAttrs(TextId id) {
    return findAttrs(kImageAttrs, id);
}

const TextGroupEntry* programTextGroups(std::size_t* count) {
    if (count) *count = kCatalogueSize;
    return kCatalogue;
}

void registerProgramGroups() {
    for (std::size_t i = 0; i < kCatalogueSize; ++i) {
        g_nodes[i] = TextGroup{kCatalogue[i].base, kCatalogue[i].text, kCatalogue[i].attrs, nullptr};
        registerGroup(&g_nodes[i]);
    }
}

MachineErrorText machineErrorText(int code, std::uint32_t inverterType) {
    static constexpr TextId kUnknown =
        textid::kMachineErrorsGroup + (textid::kMachineErrorUnknownCode - 9000);
    auto orUnknown = [](const char* text) { return (text && *text) ? text : textOrEmpty(kUnknown); };

    if (code >= 9000) {
        // Only 9000 to 9999 name items of the machine-error group; a larger
        // code would reach into the next group.
        const char* text = code <= textid::kMachineErrorLastCode
                               ? textOf(textid::kMachineErrorsGroup + static_cast<TextId>(code - 9000))
                               : nullptr;
        return {orUnknown(text), code};
    }

    // An inverter fault: the type comes from the settings and the fault number
    // from the device, so both are checked before they make an id.
    const int fault = code;
    if (fault < 1 || fault > static_cast<int>(kItemMask) || inverterType >= textid::kInverterModelCount) {
        return {orUnknown(nullptr), fault};
    }
    // The model's first attribute is the base of its make's fault group.
    const TextId faultGroup = attrsOf(textid::kInverterModelFirst + inverterType)[0];
    if (faultGroup == 0 || groupBase(faultGroup) != faultGroup) return {orUnknown(nullptr), fault};
    const int shown = fault + (static_cast<int>(inverterType) + 10) * 100;
    return {orUnknown(textOf(faultGroup + static_cast<TextId>(fault))), shown};
}
