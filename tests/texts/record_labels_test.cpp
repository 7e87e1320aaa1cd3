#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "texts/format.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {

struct LanguageGuard {
    LanguageGuard() { texts_testing::resetRegistry(true); }
    ~LanguageGuard() {
        setLanguage(false);
        decimalPoint = '.';
    }
};

std::string textIn(bool english, TextId id) {
    setLanguage(english);
    const char* t = textOf(id);
    return t ? std::string(t) : std::string("<null>");
}

std::string unitIn(bool english, TextId id) {
    setLanguage(english);
    const char* u = unitTextOf(id);
    return u ? std::string(u) : std::string("<none>");
}

TEST(texts_catalogue, RecordFieldLabelsAndUnits) {
    LanguageGuard guard;
    // Plane.
    EXPECT_EQ(textIn(true, 0x10A4803), "Correction radius, R");
    EXPECT_EQ(textIn(false, 0x10A4803), "Радиус корректировки, R");
    EXPECT_EQ(unitIn(true, 0x10A4803), "mm");
    EXPECT_EQ(textIn(false, 0x10A4819), "Масса , m~station");
    EXPECT_EQ(unitIn(false, 0x10A480A), "À|мм");
    EXPECT_EQ(unitIn(true, 0x10A4812), "g/cm^3");
    EXPECT_EQ(textIn(true, 0x10A4801), "<null>");  // unlabelled fields
    EXPECT_EQ(textIn(true, 0x10A4814), "<null>");
    EXPECT_EQ(unitIn(true, 0x10A4814), "mm");  // ... may still have a unit
    EXPECT_EQ(unitIn(true, 0x10A4808), "<none>");
    // RotorData, with the Cyrillic first letter of "Control rotor" kept.
    EXPECT_EQ(textIn(true, 0xE63801), "Rotation");
    EXPECT_EQ(unitIn(true, 0xE63801), "min^-1");
    EXPECT_EQ(unitIn(false, 0xE63807), "гмм");
    EXPECT_EQ(textIn(true, 0xE63814), "\xD0\xA1ontrol rotor");
    EXPECT_EQ(textIn(false, 0xE63814), "Контрольный ротор");
    EXPECT_EQ(textIn(true, 0xE63808), "<null>");
    // Choices of a plane and a rotor.
    EXPECT_EQ(textIn(true, 0x1D9C402), "Removing of masses");
    EXPECT_EQ(textIn(false, 0x1D9C807), "Фрезеровкой дуги");
    EXPECT_EQ(textIn(true, 0x1D9C808), "<null>");
    EXPECT_EQ(textIn(false, 0x1C73002), "Ременный");
    // Vector, Result and Measurement have no texts.
    EXPECT_EQ(textIn(true, 0xAEB001), "<null>");
    EXPECT_EQ(textIn(true, 0xEDB401), "<null>");
    EXPECT_EQ(textIn(true, 0x136CC04), "<null>");
}

TEST(texts_catalogue, SettingsLabelsUnitsAndChoices) {
    LanguageGuard guard;
    EXPECT_EQ(textIn(false, 0x1DD641E), "Количество усреднений");
    EXPECT_EQ(textIn(true, 0x1DD641E), "Number of measurement cycles (accuracy level)");
    EXPECT_EQ(unitIn(true, 0x1DD641E), "<none>");
    EXPECT_EQ(unitIn(true, 0x1DD640C), "min^-1");
    EXPECT_EQ(unitIn(false, 0x1DD640C), "мин^-1");
    EXPECT_EQ(unitIn(true, 0x1DD5001), "parts");
    EXPECT_EQ(unitIn(true, 0x1363802), "g/cm^3");
    EXPECT_EQ(textIn(true, 0x1363802), "<null>");
    EXPECT_EQ(textIn(false, 0x1363800), "Материал");
    // Tags without a text.
    for (TextId id : {0x1DD6402u, 0x1DD64C8u, 0x1C7283Eu, 0x1183801u, 0x1183803u, 0x1BDB801u, 0x1F6F001u}) {
        EXPECT_EQ(textIn(true, id), "<null>") << std::hex << id;
        EXPECT_EQ(textIn(false, id), "<null>") << std::hex << id;
    }
    // Titles and pair patterns on the group bases.
    EXPECT_EQ(textIn(true, 0x1DC4800), "Channel");
    EXPECT_EQ(textIn(false, 0x1B96400), "Параметры двигателя");
    EXPECT_EQ(textIn(false, 0x14BCC00), "{} Â {}");
    setLanguage(false);
    EXPECT_EQ(ks::format(textOf(0x1FEF400), 1.5, 2.5), "1,5 Â 2,5");
    // Drive and engine fields with their units.
    EXPECT_EQ(textIn(true, 0x1C72805), "Drive max speed");
    EXPECT_EQ(unitIn(true, 0x1C72806), "Nm");
    EXPECT_EQ(textIn(false, 0x1C72810), "Минимальное время разгона и торможения изделия (для 1000 мин^-1^)");
    EXPECT_EQ(unitIn(true, 0x1C7283F), "mm/min");
    EXPECT_EQ(unitIn(false, 0x1B96401), "кВт");
    EXPECT_EQ(unitIn(true, 0x1DC4804), "mV/G");
    EXPECT_EQ(unitIn(true, 0x1DC4807), "°");
    // Choices.
    EXPECT_EQ(textIn(true, 0x1CEB402), "Version 2");
    EXPECT_EQ(textIn(false, 0x1FFB002), "Статическая");
    EXPECT_EQ(textIn(true, 0x1364003), "Console");
    EXPECT_EQ(textIn(false, 0x10C3003), "Энкодер Ã  1");
    EXPECT_EQ(textIn(true, 0x10C3003), "Encoder #1");
    EXPECT_EQ(textIn(true, 0x10C3006), "<null>");
    EXPECT_EQ(textIn(true, 0x1364004), "<null>");
    EXPECT_EQ(attrsOf(0x1793005)[0], 0xDEE000u);
    EXPECT_EQ(attrsOf(0x1793005)[1], 0u);
    EXPECT_EQ(attrsOf(0x1793008)[0], 0u);
}

}  // namespace

namespace {

TEST(texts_catalogue, NamedIdsNameTheRightTexts) {
    LanguageGuard guard;
    EXPECT_EQ(textIn(true, textid::kUnitRpm), "min^-1");
    EXPECT_EQ(textIn(true, textid::kUnitDiameterMm), "À|mm");
    EXPECT_EQ(textIn(true, textid::kUnitMbyte), "Mbyte");
    EXPECT_EQ(textIn(true, textid::kMachineStateFirst + textid::kMachineStateCount - 1), "Copying logs");
    EXPECT_EQ(textIn(true, textid::kTextSettingsLoadError), "Attention! Error loading settings!");
    EXPECT_EQ(textIn(false, textid::kTextRotorNamePrefix), "ИЗДЕЛИЕ ");
    EXPECT_EQ(textIn(true, textid::kTextUpdateFileDamaged), "Error! Update file damaged! (9908)");
    EXPECT_EQ(textIn(true, textid::kInverterModelFirst + textid::kInverterModelCount - 1), "Chint NVF5");
    EXPECT_EQ(textIn(true, textid::kMachineErrorsGroup + textid::kMachineErrorUnknownCode - 9000),
              "Unknown error");
    EXPECT_EQ(textIn(true, settings_choice::kEncoder2), "Encoder #2");
    EXPECT_EQ(textIn(true, jobrec::kMeanArcMilling), "Arc milling");
    EXPECT_EQ(textIn(true, settings_choice::kVersion2), "Version 2");
    EXPECT_EQ(textIn(true, textid::kLanguageEnglish), "English");
    EXPECT_EQ(textIn(true, textid::kRemoteControlActive), "Remote control active!");
    EXPECT_EQ(attrsOf(textid::kTintedImage)[0], 0xDDDDDDu);
    EXPECT_EQ(attrsOf(textid::kFontStyleFirst)[0], textid::kFontFace1);
}

}  // namespace
