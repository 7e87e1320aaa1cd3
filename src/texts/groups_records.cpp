// Labels and units of the record fields and the texts of the settings'
// choices.  The label of a field is the text of its tag.

#include "texts/text_groups.h"
#include "texts/text_table.h"

const char* correctionModeText(TextId) { return nullptr; }
const char* correctionMeanText(TextId) { return nullptr; }
const char* planeFieldText(TextId) { return nullptr; }
const std::uint32_t* planeFieldAttrs(TextId) { return kNoAttrs; }
const char* driveKindText(TextId) { return nullptr; }
const char* rotorDataFieldText(TextId) { return nullptr; }
const std::uint32_t* rotorDataFieldAttrs(TextId) { return kNoAttrs; }
const char* versionChoiceText(TextId) { return nullptr; }
const char* brakeChoiceText(TextId) { return nullptr; }
const char* machineLayoutText(TextId) { return nullptr; }
const char* inverterFieldText(TextId) { return nullptr; }
const char* phasorSourceText(TextId) { return nullptr; }
const char* channelFieldText(TextId) { return nullptr; }
const std::uint32_t* channelFieldAttrs(TextId) { return kNoAttrs; }
const char* materialFieldText(TextId) { return nullptr; }
const std::uint32_t* materialFieldAttrs(TextId) { return kNoAttrs; }
const char* contactFieldText(TextId) { return nullptr; }
const char* infoFieldText(TextId) { return nullptr; }
const char* limitFieldText(TextId) { return nullptr; }
const char* accDecFieldText(TextId) { return nullptr; }
const char* localConfigFieldText(TextId) { return nullptr; }
const std::uint32_t* localConfigFieldAttrs(TextId) { return kNoAttrs; }
const char* engineParamsFieldText(TextId) { return nullptr; }
const std::uint32_t* engineParamsFieldAttrs(TextId) { return kNoAttrs; }
const char* driveFieldText(TextId) { return nullptr; }
const std::uint32_t* driveFieldAttrs(TextId) { return kNoAttrs; }
const char* configFieldText(TextId) { return nullptr; }
const std::uint32_t* configFieldAttrs(TextId) { return kNoAttrs; }
