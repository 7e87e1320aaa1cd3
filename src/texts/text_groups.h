#pragma once
// The program's text groups: their text and attribute functions, the
// catalogue they register from, and the text of a machine process's result.
//
// Every text function returns the item's UTF-8 text in the current language,
// or null for an id its group does not know (the base, gaps, items past the
// last one, ids of other groups).  Every attribute function returns a
// zero-terminated list, never null.

#include <cstddef>
#include <cstdint>

#include "texts/texts.h"

// ---- Interface groups ---------------------------------------------------------
const char* unitsText(TextId id);             // 0xB95C00
const char* languageText(TextId id);          // 0x1496400
const char* monthsText(TextId id);            // 0x138C800, January first, Russian in the genitive
const char* weekdaysText(TextId id);          // 0x1C8A400, Sunday first
const char* commonText(TextId id);            // 0x195DC00
const char* keyboardText(TextId id);          // 0x1EFB800
const char* machineStateText(TextId id);      // 0x1073000, item state + 1
const char* balancingText(TextId id);         // 0x1EFD000
const char* historyText(TextId id);           // 0x1CFB000
const char* weldingText(TextId id);           // 0x9DD000
const char* buttonsText(TextId id);           // 0x1CA6400
const char* hintsText(TextId id);             // 0x18A4000
const char* measureModeText(TextId id);       // 0x13DFC00
const char* verificationStepText(TextId id);  // 0x176C400 (Russian in both languages)
const char* settingsText(TextId id);          // 0xDDB000
// 0x1A93000: {face key, pixel size} of items 0x1A9300A to 0x1A9302A.
const std::uint32_t* fontStyleAttrs(TextId id);

// ---- Record field labels and choices ---------------------------------------------
// The labels of a record's fields are the texts of their tags; a field with a
// physical unit has the unit's id as its attribute.
const char* correctionModeText(TextId id);  // 0x1D9C400
const char* correctionMeanText(TextId id);  // 0x1D9C800
const char* planeFieldText(TextId id);      // 0x10A4800
const std::uint32_t* planeFieldAttrs(TextId id);
const char* driveKindText(TextId id);       // 0x1C73000
const char* rotorDataFieldText(TextId id);  // 0xE63800
const std::uint32_t* rotorDataFieldAttrs(TextId id);
const char* versionChoiceText(TextId id);   // 0x1CEB400
const char* autoTuningModeText(TextId id);  // 0x1FFB000
const char* machineLayoutText(TextId id);   // 0x1364000
const char* inverterFieldText(TextId id);   // 0x1792800
const char* phasorSourceText(TextId id);    // 0x10C3000
const char* channelFieldText(TextId id);    // 0x1DC4800
const std::uint32_t* channelFieldAttrs(TextId id);
const char* materialFieldText(TextId id);  // 0x1363800
const std::uint32_t* materialFieldAttrs(TextId id);
const char* contactFieldText(TextId id);      // 0x1D8C800
const char* infoFieldText(TextId id);         // 0x1796800
const char* limitFieldText(TextId id);        // 0x14BCC00
const char* accDecFieldText(TextId id);       // 0x1FEF400
const char* localConfigFieldText(TextId id);  // 0x1DD5000
const std::uint32_t* localConfigFieldAttrs(TextId id);
const char* engineParamsFieldText(TextId id);  // 0x1B96400
const std::uint32_t* engineParamsFieldAttrs(TextId id);
const char* driveFieldText(TextId id);  // 0x1C72800
const std::uint32_t* driveFieldAttrs(TextId id);
const char* configFieldText(TextId id);  // 0x1DD6400
const std::uint32_t* configFieldAttrs(TextId id);

// ---- Machine errors, inverters, welding remote --------------------------------
const char* machineErrorGroupText(TextId id);  // 0x1B73800, item code - 9000
const char* inverterModelText(TextId id);      // 0x1793000
// 0x1793000: {base of the make's fault group} of each model.
const std::uint32_t* inverterModelAttrs(TextId id);
const char* schneiderFaultText(TextId id);  // 0xDEE000, item = fault number
const char* toshibaFaultText(TextId id);    // 0xC8B400
const char* deltaFaultText(TextId id);      // 0x1CDD000
const char* danfossFaultText(TextId id);    // 0x1CFC800 (Russian in both languages)
const char* chintFaultText(TextId id);      // 0x1D96C00
const char* remoteStatusText(TextId id);    // 0x976C00, item = status value

// ---- Resources ------------------------------------------------------------------
// 0x179E400: the tint colours of image 0x179E43B.
const std::uint32_t* interfaceImageAttrs(TextId id);

// ---- Shared -----------------------------------------------------------------------
const char* noText(TextId id);
const std::uint32_t* noAttrs(TextId id);

// One entry of the program's catalogue of groups.
struct TextGroupEntry {
    TextId base;
    const char* (*text)(TextId id);
    const std::uint32_t* (*attrs)(TextId id);
    const char* name;  // for listings
};

// The program's groups in registration order (the protocol texts, registered
// by the protocols, are not among them).
const TextGroupEntry* programTextGroups(std::size_t* count);

// The text of a machine process's result code as the operator sees it.
struct MachineErrorText {
    const char* text;  // never null
    int shownCode;
};

// code 9000 and above: the machine-error text of the code, shown as it is.
// code below 9000: fault number f of the inverter of type inverterType; the
// text comes from that make's fault group and the code is shown as
// f + (inverterType + 10) x 100.  A code or fault without a text, an unknown
// inverter type or a fault number outside 1 to 1023 gives "Unknown error"
// (shown as the code itself when the inverter or fault is not known).
MachineErrorText machineErrorText(int code, std::uint32_t inverterType);
