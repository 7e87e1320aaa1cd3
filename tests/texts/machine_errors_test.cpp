#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "texts/text_groups.h"
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

TEST(machine_errors, MachineCodesTakeTheirTextsAndShowTheCode) {
    LanguageGuard guard;
    setLanguage(true);
    MachineErrorText e = machineErrorText(9903, 0);
    EXPECT_STREQ(e.text, "Unable to reach set speed");
    EXPECT_EQ(e.shownCode, 9903);
    e = machineErrorText(9900, 3);
    EXPECT_STREQ(e.text, "Wait, initialization in process...");
    e = machineErrorText(9913, 0);
    EXPECT_STREQ(e.text, "Rotor speed under balancing exceeds\nlimitation for selected drive");
    e = machineErrorText(9999, 0);
    EXPECT_STREQ(e.text, "USB connection fault");
    EXPECT_EQ(e.shownCode, 9999);
    setLanguage(false);
    EXPECT_STREQ(machineErrorText(9903, 0).text, "Невозможно выйти на заданную частоту вращения");
    EXPECT_STREQ(machineErrorText(9998, 0).text, "Потеря связи с преобразователем частоты");
}

TEST(machine_errors, CodesWithoutTextGiveUnknownError) {
    LanguageGuard guard;
    setLanguage(true);
    for (int code : {9904, 9000, 9001, 9899, 9994, 9981, 10000, 10023, 10024, 20000, INT_MAX}) {
        const MachineErrorText e = machineErrorText(code, 0);
        EXPECT_STREQ(e.text, "Unknown error") << code;
        EXPECT_EQ(e.shownCode, code);
    }
    setLanguage(false);
    EXPECT_STREQ(machineErrorText(9904, 0).text, "Неизвестная ошибка");
    EXPECT_STREQ(machineErrorText(10024, 0).text, "Неизвестная ошибка");
}

TEST(machine_errors, InverterFaultsUseTheMakesGroupAndCompositeCode) {
    LanguageGuard guard;
    setLanguage(true);
    // Delta VFD, type 5, fault 2.
    MachineErrorText e = machineErrorText(2, 5);
    EXPECT_STREQ(e.text, "Over voltage (ov)");
    EXPECT_EQ(e.shownCode, 1502);
    EXPECT_EQ(attrsOf(textid::kInverterModelFirst + 5)[0], 0x1CDD000u);
    // Toshiba, type 1, fault 5.
    e = machineErrorText(5, 1);
    EXPECT_STREQ(e.text, "Ground overload under initialization");
    EXPECT_EQ(e.shownCode, 1105);
    // Both Schneider models share one group.
    EXPECT_STREQ(machineErrorText(106, 0).text, "AI current lost fault (LFF1)");
    EXPECT_EQ(machineErrorText(106, 0).shownCode, 1106);
    EXPECT_STREQ(machineErrorText(106, 4).text, "AI current lost fault (LFF1)");
    EXPECT_EQ(machineErrorText(106, 4).shownCode, 1506);
    // Chint, type 6.
    e = machineErrorText(42, 6);
    EXPECT_STREQ(e.text, "Motor Over Speed-E.OS");
    EXPECT_EQ(e.shownCode, 1642);
    setLanguage(false);
    EXPECT_STREQ(machineErrorText(42, 6).text, "Превышение скорости двигателя");
    EXPECT_STREQ(machineErrorText(2, 5).text, "Перегрузка по напряжению (ov)");
}

TEST(machine_errors, DanfossFaultIsRussianInBothLanguages) {
    LanguageGuard guard;
    setLanguage(true);
    const std::string en = machineErrorText(9, 3).text;
    setLanguage(false);
    const std::string ru = machineErrorText(9, 3).text;
    EXPECT_EQ(en, "Перегрузка инвертора");
    EXPECT_EQ(ru, en);
    EXPECT_EQ(machineErrorText(9, 3).shownCode, 1309);
}

TEST(machine_errors, FaultsWithoutTextOrOutOfRangeGiveUnknownError) {
    LanguageGuard guard;
    setLanguage(true);
    // A gap of the make's group keeps the composite code.
    MachineErrorText e = machineErrorText(2, 0);
    EXPECT_STREQ(e.text, "Unknown error");
    EXPECT_EQ(e.shownCode, 1002);
    // Unknown inverter types never reach another group and never overflow.
    for (std::uint32_t t : {7u, 8u, 100u, 1016u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        e = machineErrorText(5, t);
        EXPECT_STREQ(e.text, "Unknown error") << t;
        EXPECT_EQ(e.shownCode, 5) << t;
    }
    // Fault numbers outside the item range.
    for (int f : {0, -1, -5000, 1024, 1100, 8999, INT_MIN}) {
        e = machineErrorText(f, 1);
        EXPECT_STREQ(e.text, "Unknown error") << f;
        EXPECT_EQ(e.shownCode, f) << f;
    }
    setLanguage(false);
    EXPECT_STREQ(machineErrorText(1100, 7).text, "Неизвестная ошибка");
}

TEST(machine_errors, RemoteStatusMessagesByStatusValue) {
    LanguageGuard guard;
    setLanguage(true);
    EXPECT_STREQ(textOf(textid::kRemoteStatusGroup + 1), "No connection to inverter!");
    EXPECT_STREQ(textOf(textid::kRemoteStatusGroup + 2), "Emergency Stop!");
    EXPECT_STREQ(textOf(textid::kRemoteStatusGroup + 3), "No connection to external welding machine!");
    EXPECT_STREQ(textOf(textid::kRemoteStatusGroup + 64), "Remote control active!");
    EXPECT_EQ(textOf(textid::kRemoteStatusGroup + 4), nullptr);
    setLanguage(false);
    EXPECT_STREQ(textOf(textid::kRemoteStatusGroup + 2), "Аварийный останов!");
}

}  // namespace
