#pragma once
// Named text ids: group bases (a record's group is its type tag, from
// record_tags.h), units, resource keys and the interface texts that code
// outside the screens refers to.

#include "texts/record_tags.h"
#include "texts/texts.h"

namespace textid {

// ---- Group bases, in registration order ------------------------------------
constexpr TextId kUnitsGroup = 0xB95C00;
constexpr TextId kLanguagesGroup = 0x1496400;
constexpr TextId kMonthsGroup = 0x138C800;
constexpr TextId kWeekdaysGroup = 0x1C8A400;
constexpr TextId kCommonGroup = 0x195DC00;
constexpr TextId kKeyboardGroup = 0x1EFB800;
constexpr TextId kMachineStatesGroup = 0x1073000;
constexpr TextId kBalancingGroup = 0x1EFD000;
constexpr TextId kHistoryGroup = 0x1CFB000;
constexpr TextId kWeldingGroup = 0x9DD000;
constexpr TextId kButtonsGroup = 0x1CA6400;
constexpr TextId kHintsGroup = 0x18A4000;
constexpr TextId kMeasureModesGroup = 0x13DFC00;
constexpr TextId kVerificationStepsGroup = 0x176C400;
constexpr TextId kFontStylesGroup = 0x1A93000;
constexpr TextId kCorrectionModesGroup = jobrec::kModeGroup;
constexpr TextId kCorrectionMeansGroup = jobrec::kMeanGroup;
constexpr TextId kPlaneGroup = jobrec::kPlaneType;
constexpr TextId kDriveKindsGroup = jobrec::kDriveGroup;
constexpr TextId kVectorGroup = jobrec::kVectorType;
constexpr TextId kResultGroup = jobrec::kResultType;
constexpr TextId kMeasurementGroup = jobrec::kMeasurementType;
constexpr TextId kRotorDataGroup = jobrec::kRotorDataType;
constexpr TextId kVersionChoiceGroup = settings_choice::kVersionGroup;
constexpr TextId kInverterModelsGroup = settings_choice::kInverterModelGroup;
constexpr TextId kAutoTuningModesGroup = settings_choice::kAutoTuningGroup;
constexpr TextId kMachineLayoutsGroup = settings_choice::kMachineLayoutGroup;
constexpr TextId kInverterGroup = settingtags::Inverter::kType;
constexpr TextId kPhasorSourcesGroup = settings_choice::kPhasorGroup;
constexpr TextId kChannelGroup = settingtags::Channel::kType;
constexpr TextId kOperatorGroup = settingtags::Operator::kType;
constexpr TextId kMaterialGroup = settingtags::Material::kType;
constexpr TextId kContactGroup = settingtags::Contact::kType;
constexpr TextId kInfoGroup = settingtags::Info::kType;
constexpr TextId kLimitGroup = settingtags::Limit::kType;
constexpr TextId kAccDecGroup = settingtags::AccDec::kType;
constexpr TextId kLocalConfigGroup = settingtags::LocalConfig::kType;
constexpr TextId kExtErrorGroup = settingtags::ExtError::kType;
constexpr TextId kAutosettingDataGroup = settingtags::AutosettingData::kType;
constexpr TextId kEngineParamsGroup = settingtags::EngineParams::kType;
constexpr TextId kDriveGroup = settingtags::Drive::kType;
constexpr TextId kConfigGroup = settingtags::Config::kType;
constexpr TextId kMachineErrorsGroup = 0x1B73800;
constexpr TextId kSchneiderFaultsGroup = 0xDEE000;
constexpr TextId kToshibaFaultsGroup = 0xC8B400;
constexpr TextId kDeltaFaultsGroup = 0x1CDD000;
constexpr TextId kDanfossFaultsGroup = 0x1CFC800;
constexpr TextId kChintFaultsGroup = 0x1D96C00;
constexpr TextId kRemoteStatusGroup = 0x976C00;
constexpr TextId kInterfaceImagesGroup = 0x179E400;
constexpr TextId kProtocolImagesGroup = 0x179DC00;
constexpr TextId kFontFacesGroup = 0xC66800;
constexpr TextId kSettingsScreenGroup = 0xDDB000;
constexpr TextId kProtocolTextsGroup = 0x1074400;  // registered by the protocols

// ---- Units (attributes of record fields) -----------------------------------
constexpr TextId kUnitGram = 0xB95C01;        // "g"
constexpr TextId kUnitSecond = 0xB95C02;      // "s"
constexpr TextId kUnitMm = 0xB95C03;          // "mm"
constexpr TextId kUnitGmm = 0xB95C04;         // "gmm"
constexpr TextId kUnitDegree = 0xB95C05;      // "°"
constexpr TextId kUnitDensity = 0xB95C06;     // "g/cm^3"
constexpr TextId kUnitParts = 0xB95C07;       // "parts"
constexpr TextId kUnitGmmPerKg = 0xB95C08;    // "gmm/kg"
constexpr TextId kUnitPercent = 0xB95C09;     // "%"
constexpr TextId kUnitRpm = 0xB95C0A;         // "min^-1"
constexpr TextId kUnitKg = 0xB95C0B;          // "kg"
constexpr TextId kUnitGPerMm = 0xB95C0C;      // "g/mm"
constexpr TextId kUnitMmPerS = 0xB95C0D;      // "mm/s"
constexpr TextId kUnitNm = 0xB95C0E;          // "Nm"
constexpr TextId kUnitHz = 0xB95C0F;          // "Hz"
constexpr TextId kUnitMvPerG = 0xB95C10;      // "mV/G"
constexpr TextId kUnitVPerUnit = 0xB95C11;    // "V/unit"
constexpr TextId kUnitDiameterMm = 0xB95C12;  // "À|mm"
constexpr TextId kUnitGcm = 0xB95C13;         // "gcm"
constexpr TextId kUnitGm = 0xB95C14;          // "gm"
constexpr TextId kUnitMkm = 0xB95C15;         // "mkm"
constexpr TextId kUnitUnit = 0xB95C16;        // "unit"
constexpr TextId kUnitAmpere = 0xB95C17;      // "A"
constexpr TextId kUnitKw = 0xB95C18;          // "kW"
constexpr TextId kUnitVolt = 0xB95C19;        // "V"
constexpr TextId kUnitMmPerMin = 0xB95C1A;    // "mm/min"
constexpr TextId kUnitMbyte = 0xB95C1B;       // "Mbyte"

// The record tags and the ids of the records' choices are in record_tags.h.

// ---- Languages --------------------------------------------------------------
constexpr TextId kLanguageRussian = 0x1496401;
constexpr TextId kLanguageEnglish = 0x1496402;

// ---- Interface texts used outside the screens -------------------------------
constexpr TextId kTextError = 0x195DC01;              // "Error!"
constexpr TextId kTextDriveFault = 0x195DC02;         // "Drive fault!"
constexpr TextId kTextDemo = 0x195DC23;               // "Demo"
constexpr TextId kTextSettingsLoadError = 0x195DC24;  // "Attention! Error loading settings!"
constexpr TextId kTextBackupSettingsLoaded = 0x195DC25;
constexpr TextId kTextInitializing = 0x195DC26;  // "Wait, initialization in process ..."
constexpr TextId kTextUsbDeviceNotFound = 0x195DC2B;
constexpr TextId kTextDemoContinues = 0x195DC2C;
constexpr TextId kTextInvertersError = 0x195DC2D;
constexpr TextId kTextCheckSettings = 0x195DC2E;
// The system's reasons a file could not be written (system_reason.h).
constexpr TextId kTextReadOnlyDrive = 0x195DC2F;     // "Read-only file system"
constexpr TextId kTextAccessDenied = 0x195DC30;      // "Permission denied"
constexpr TextId kTextInputOutputError = 0x195DC31;  // "Input/output error"
constexpr TextId kTextNoSuchFile = 0x195DC32;        // "No such file or directory"
constexpr TextId kTextNotPermitted = 0x195DC33;      // "Operation not permitted"
constexpr TextId kTextFileTooLarge = 0x195DC34;      // "File too large"
constexpr TextId kTextNameTooLong = 0x195DC35;       // "File name too long"
constexpr TextId kTextTooManyOpenFiles = 0x195DC36;  // "Too many open files"
constexpr TextId kTextNotEnoughMemory = 0x195DC37;   // "Not enough memory"
constexpr TextId kTextNotADirectory = 0x195DC38;     // "Not a directory"
constexpr TextId kTextIsADirectory = 0x195DC39;      // "Is a directory"
constexpr TextId kTextFileExists = 0x195DC3A;        // "File exists"
constexpr TextId kTextInvalidArgument = 0x195DC3B;   // "Invalid argument"
constexpr TextId kTextNotSupported = 0x195DC3C;      // "Operation not supported"
constexpr TextId kTextDeviceBusy = 0x195DC3D;        // "Device or resource busy"
constexpr TextId kTextNoSuchDevice = 0x195DC3E;      // "No such device"
constexpr TextId kTextTooManyLinks = 0x195DC3F;      // "Too many links"
constexpr TextId kTextSystemError = 0x195DC40;       // "System error {}": a reason the texts do not hold
constexpr TextId kTextRotorNamePrefix = 0x1CFB00A;  // "ROTOR " / "ИЗДЕЛИЕ "
constexpr TextId kTextOpeningFileError = 0x1CFB018;
constexpr TextId kTextReplaceFile = 0x1CFB01D;       // "Replace the existing file?"
constexpr TextId kTextUpdateFileDamaged = 0xDDB051;  // "Error! Update file damaged! (9908)"
constexpr TextId kTextNotEnoughSpace = 0xDDB05B;     // "Not enough space!"
constexpr TextId kTextDriveNumber = 0xDDB02A;  // "Drive #{}": an inverter's row
constexpr TextId kTextChannel = 0xDDB034;      // "Channel"
constexpr TextId kTextOperatorsLeftOut = 0xDDB05F;       // "Attention! Only the first {} operators ..."
constexpr TextId kTextSettingsChangedAtLoad = 0xDDB060;  // "Attention! Settings out of range ..."
constexpr TextId kTextButtonOk = 0x1CA6401;          // "OK"
constexpr TextId kTextButtonsYesNo = 0x1CA6402;      // "Yes|No"
constexpr TextId kTextButtonsConnectCancel = 0x1CA6403;

// ---- Captions several screens share ----------------------------------------
constexpr TextId kTextSettings = 0x195DC08;  // "Settings"
constexpr TextId kTextTest = 0x195DC0A;      // "Test"
constexpr TextId kTextStart = 0x195DC0B;     // "Start"
constexpr TextId kTextCalculationError = 0x1EFD035;  // "Imbalance calculation error"
constexpr TextId kTextGaussFailed = 0x1EFD036;       // "Failed Gaussian Test"
constexpr TextId kTextProgressSavingError = 0x1EFD046;   // "Test progress saving error!"
constexpr TextId kTextProgressReadingError = 0x1EFD047;  // "Test progress reading error!"
constexpr TextId kTextProgressAskedAgain = 0x1EFD048;    // "Every ask of the run is asked again: ..."
constexpr TextId kTextRunNotSaved = 0x1EFD04A;           // "The run was not saved!"
constexpr TextId kTextMakeRunAgain = 0x1EFD04B;          // "Make the run again."

// ---- Machine states: the text of state s is kMachineStateFirst + s ----------
constexpr TextId kMachineStateFirst = 0x1073001;  // state 0 "Idle"
constexpr int kMachineStateCount = 17;            // states 0 to 16

// ---- Machine errors: the text of code c (9900 to 9999) is the group base + c - 9000
constexpr int kMachineErrorFirstCode = 9900;
constexpr int kMachineErrorLastCode = 9999;
constexpr int kMachineErrorUnknownCode = 9990;  // "Unknown error"

// ---- Inverter models: model of inverter type t is kInverterModelFirst + t ----
constexpr TextId kInverterModelFirst = settings_choice::kSchneiderAtv12;  // type 0
constexpr unsigned kInverterModelCount = 7;        // types 0 to 6

// ---- Welding-remote status messages (item = status value) --------------------
constexpr TextId kRemoteNoInverter = 0x976C01;
constexpr TextId kRemoteEmergencyStop = 0x976C02;
constexpr TextId kRemoteNoWelder = 0x976C03;
constexpr TextId kRemoteControlActive = 0x976C40;

// ---- Font styles: item kFontStyleFirst + k has {face, pixel size} -----------
constexpr TextId kFontStyleFirst = 0x1A9300A;
constexpr unsigned kFontStyleCount = 33;
constexpr unsigned kFontSizesPerFace = 11;

// ---- Resource keys ------------------------------------------------------------
constexpr TextId kFontFace1 = 0xC66801;
constexpr TextId kFontFace2 = 0xC66802;
constexpr TextId kFontFace3 = 0xC66803;
constexpr TextId kInterfaceImageFirst = 0x179E404;
constexpr TextId kInterfaceImageLast = 0x179E43E;
constexpr TextId kTintedImage = 0x179E43B;  // the one image with tint colours
constexpr TextId kProtocolImagePlane1Mark = 0x179DC01;
constexpr TextId kProtocolImagePlane2Mark = 0x179DC02;
constexpr TextId kProtocolImagePageFrame = 0x179DC03;  // the JPEG
constexpr TextId kProtocolImageProvingRotor = 0x179DC04;
constexpr TextId kProtocolImageUmarSheet = 0x179DC05;
constexpr TextId kProtocolImageUrrDiagram = 0x179DC06;

}  // namespace textid
