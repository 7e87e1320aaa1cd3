#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/format_fields.h"
#include "texts/format.h"
#include "texts/system_reason.h"
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

std::string textIn(bool english, TextId id) {
    setLanguage(english);
    const char* t = textOf(id);
    return t ? std::string(t) : std::string("<null>");
}

// The catalogue in registration order.
const std::vector<TextId> kExpectedOrder = {
    0xB95C00,  0x1496400, 0x138C800, 0x1C8A400, 0x195DC00, 0x1EFB800, 0x1073000, 0x1EFD000, 0x1CFB000,
    0x9DD000,  0x1CA6400, 0x18A4000, 0x13DFC00, 0x176C400, 0x1A93000, 0x1D9C400, 0x1D9C800, 0x10A4800,
    0x1C73000, 0xAEB000,  0xEDB400,  0x136CC00, 0xE63800,  0x1CEB400, 0x1793000, 0x1FFB000, 0x1364000,
    0x1792800, 0x10C3000, 0x1DC4800, 0x1183800, 0x1363800, 0x1D8C800, 0x1796800, 0x14BCC00, 0x1FEF400,
    0x1DD5000, 0x1BDB800, 0x1F6F000, 0x1B96400, 0x1C72800, 0x1DD6400, 0x1B73800, 0xDEE000,  0xC8B400,
    0x1CDD000, 0x1CFC800, 0x1D96C00, 0x976C00,  0x179E400, 0x179DC00, 0xC66800,  0xDDB000,
};

// Groups whose texts are complete here: base, number of items with a text.
struct GroupCount {
    TextId base;
    int items;
};
const GroupCount kFilledGroups[] = {
    {0xB95C00, 27},
    {0x1496400, 2},
    {0x138C800, 12},
    {0x1C8A400, 7},
    {0x195DC00, 62},
    {0x1EFB800, 8},
    {0x1073000, 17},
    {0x1EFD000, 75},
    {0x1CFB000, 29},
    {0x9DD000, 12},
    {0x1CA6400, 3},
    {0x18A4000, 8},
    {0x13DFC00, 8},
    {0x176C400, 11},
    {0x1A93000, 0},
    {0xAEB000, 0},
    {0xEDB400, 0},
    {0x136CC00, 0},
    {0x1793000, 7},
    {0x1183800, 0},
    {0x1BDB800, 0},
    {0x1F6F000, 0},
    {0x1B73800, 14},
    {0xDEE000, 34},
    {0xC8B400, 52},
    {0x1CDD000, 36},
    {0x1CFC800, 19},
    {0x1D96C00, 29},
    {0x976C00, 4},
    {0x179E400, 0},
    {0x179DC00, 0},
    {0xC66800, 0},
    {0xDDB000, 89},
    // Record field labels and settings choices.
    {0x1D9C400, 3},
    {0x1D9C800, 7},
    {0x10A4800, 21},
    {0x1C73000, 2},
    {0xE63800, 7},
    {0x1CEB400, 2},
    {0x1FFB000, 3},
    {0x1364000, 3},
    {0x1792800, 2},
    {0x10C3000, 5},
    {0x1DC4800, 8},
    {0x1363800, 0},
    {0x1D8C800, 6},
    {0x1796800, 4},
    {0x14BCC00, 2},
    {0x1FEF400, 2},
    {0x1DD5000, 1},
    {0x1B96400, 8},
    {0x1C72800, 43},
    {0x1DD6400, 46},
};

TEST(texts_catalogue, FiftyThreeGroupsInOrderWithSoundUniqueBases) {
    LanguageGuard guard;
    std::size_t count = 0;
    const TextGroupEntry* groups = programTextGroups(&count);
    ASSERT_EQ(count, kExpectedOrder.size());
    std::set<TextId> seen;
    for (std::size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(groups[i].name);
        EXPECT_EQ(groups[i].base, kExpectedOrder[i]);
        EXPECT_EQ(groups[i].base % 1024, 0u);
        EXPECT_LT(groups[i].base, 0x2000000u);
        EXPECT_NE(groups[i].base, 0u);
        EXPECT_TRUE(seen.insert(groups[i].base).second) << "duplicate base";
        ASSERT_NE(groups[i].text, nullptr);
        ASSERT_NE(groups[i].attrs, nullptr);
        const TextGroup* g = tr(groups[i].base);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->text, groups[i].text);
        // The base has no text, except in the groups that give it a
        // record's title or the pattern of a pair.
        const bool titled = groups[i].base == 0x14BCC00 || groups[i].base == 0x1FEF400 ||
                            groups[i].base == 0x1B96400 || groups[i].base == 0x1DC4800 ||
                            groups[i].base == 0x1363800;
        EXPECT_EQ(groups[i].text(groups[i].base) != nullptr, titled);
        // No group has attributes for its base.
        ASSERT_NE(groups[i].attrs(groups[i].base), nullptr);
        EXPECT_EQ(groups[i].attrs(groups[i].base)[0], 0u);
    }
}

TEST(texts_catalogue, EveryGroupAnswersForItsItemsInBothLanguages) {
    // Items 1 to 1023 of every group; the titles of the bases are checked elsewhere.
    LanguageGuard guard;
    for (const GroupCount& gc : kFilledGroups) {
        SCOPED_TRACE(::testing::Message() << std::hex << gc.base);
        const TextGroup* g = tr(gc.base);
        ASSERT_NE(g, nullptr);
        int withText = 0;
        for (TextId item = 1; item <= kItemMask; ++item) {
            const TextId id = gc.base + item;
            setLanguage(true);
            const char* en = g->text(id);
            setLanguage(false);
            const char* ru = g->text(id);
            ASSERT_EQ(en == nullptr, ru == nullptr) << std::hex << id;
            if (!en) continue;
            ++withText;
            const bool emptyInEnglish = id >= 0x1EFB804 && id <= 0x1EFB806;
            EXPECT_EQ(*en == '\0', emptyInEnglish) << std::hex << id;
            EXPECT_NE(*ru, '\0') << std::hex << id;
            // Texts of one group never answer for ids of another.
            EXPECT_EQ(g->text(id + 0x400), nullptr) << std::hex << id;
        }
        EXPECT_EQ(withText, gc.items);
    }
}

TEST(texts_catalogue, GapsAndItemsPastTheLastOneHaveNoText) {
    LanguageGuard guard;
    const TextId none[] = {0xB95C1C,  0x1496403, 0x138C80D, 0x1C8A408, 0x195DC04, 0x195DC22, 0x195DC41,
                           0x1EFB809, 0x1073012, 0x1EFD04C, 0x1CFB01E, 0x9DD00D,  0x1CA6404, 0x18A4009,
                           0x13DFC09, 0x176C40C, 0xDDB00B,  0xDDB016,  0xDDB019,  0xDDB02B,  0xDDB04D,
                           0xDDB061,  0x1793008, 0x1B73B88, 0x1B73BE2, 0x1B73BE8, 0xDEE002,  0xDEE06B,
                           0xC8B406,  0xC8B458,  0x1CDD021, 0x1CDD02B, 0x1CFC801, 0x1CFC825, 0x1D96C07,
                           0x1D96C2B, 0x976C04,  0x976C41,  0x179E43B, 0xC66801};
    for (bool english : {false, true}) {
        setLanguage(english);
        for (TextId id : none) EXPECT_EQ(textOf(id), nullptr) << std::hex << id;
    }
}

TEST(texts_catalogue, SampleTextsInBothLanguages) {
    LanguageGuard guard;
    struct Sample {
        TextId id;
        const char* en;
        const char* ru;
    };
    const Sample samples[] = {
        {0xB95C01, "g", "г"},
        {0xB95C05, "°", "°"},
        {0xB95C0A, "min^-1", "мин^-1"},
        {0xB95C12, "À|mm", "À|мм"},
        {0xB95C1B, "Mbyte", "Мбайт"},
        {0x1496401, "Русский", "Русский"},
        {0x1496402, "English", "English"},
        {0x138C801, "January", "января"},
        {0x138C80C, "December", "декабря"},
        {0x1C8A401, "Sunday", "Воскресенье"},
        {0x1C8A407, "Saturday", "Суббота"},
        {0x195DC01, "Error!", "Ошибка!"},
        {0x195DC11, "Ä", "Ä"},
        {0x195DC12, "{0}, {2} {1}", "{0}, {1} {2}"},
        {0x195DC24, "Attention! Error loading settings!", "Внимание! Ошибка загрузки настроек!"},
        {0x195DC29, "×", "×"},
        {0x195DC2E, "Check settings and restart machine.", nullptr},
        {0x1EFB801, "QWERTYUIOP", "ЙЦУКЕНГШЩЗХЪ"},
        {0x1EFB804, "", "QWERTYUIOP"},
        {0x1EFB806, "", "ZXCVBNM"},
        {0x1EFB807, ".", ","},
        {0x1EFB808, "State: ", "Статус: "},
        {0x1073001, "Idle", "Бездействие"},
        {0x1073011, "Copying logs", "Копирование логов"},
        {0x1EFD007, "%s in P%d plane", "%s в плоскости P%d"},
        {0x1EFD024, "Ошибка инвертора (23)", "Ошибка инвертора (23)"},
        {0x1EFD025, "{:.2f} × D~tol", "{:.2f} × D~tol"},
        {0x1EFD030, "Unbalance exceeds\ncorrection limit!", nullptr},
        {0x1EFD032, "Drill À{0} to depth", "Высверлите À{0} на глубину"},
        {0x1EFD033, "Drill {1}×À{0} to depth", "Высверлите {1}×À{0} на глубину"},
        {0x1EFD03C, "Set up\nangles", nullptr},
        {0x1EFD03E, "Cancel", nullptr},
        {0x1CFB00A, "ROTOR ", "ИЗДЕЛИЕ "},
        {0x1CFB00D, "Permissible residual unbalance, D~tol", "Допустимый остаточный дисбаланс, D~tol"},
        {0x1CFB01C, "Unable to delete active history", "Невозможно удалить активную историю"},
        {0x9DD002, "JOG", "JOG"},
        {0x9DD00C, "Wall thickness", "Толщина стенки"},
        {0x1CA6401, "OK", "OK"},
        {0x1CA6402, "Yes|No", "Да|Нет"},
        {0x1CA6403, "Connect|Cancel", "Подключить|Отмена"},
        {0x18A4004,
         "Achieve the absence of red marks, then store the rotor in the database and / or start balancing",
         "Добейтесь отсутствия красных пометок, затем сохраните изделие в базе и/или начните балансировку"},
        {0x13DFC05, "Calibrate##{}", "Калибровка##{}"},
        {0x176C401, "Проверка начального дисбаланса (< 5 ° U|mar|)",
         "Проверка начального дисбаланса (< 5 ° U|mar|)"},
        {0x176C40B, "Проверка дисбаланса ({}/4)", "Проверка дисбаланса ({}/4)"},
        {0xDDB001, "General", nullptr},
        {0xDDB02A, "Drive #{}", "Привод Ã  {}"},
        {0xDDB051, "Error! Update file damaged! (9908)", "Ошибка! Файл обновления повреждён! (9908)"},
        {0xDDB052, "{}-bit", "{}-й бит"},
        {0xDDB05E, "Autosetting", nullptr},
        {0x1793001, "Schneider ATV12", "Schneider ATV12"},
        {0x1793007, "Chint NVF5", "Chint NVF5"},
        {0x1B73B87, "Unable to reach set speed", "Невозможно выйти на заданную частоту вращения"},
        {0x1B73B91, "Rotor speed under balancing exceeds\nlimitation for selected drive",
         "Частота вращения изделия при балансировке\nвыше ограничения для выбранного привода"},
        {0x1B73BE7, "USB connection fault", "Обрыв USB-соединения"},
        {0xDEE001, "Configuration error", "Ошибка настройки"},
        {0xDEE06A, "AI current lost fault (LFF1)", "Обрыв задания на аналоговом входе"},
        {0xC8B401, "Overcurrent during acceleration (OC1)", nullptr},
        {0xC8B457, "Inverter internal circuit fault", nullptr},
        {0x1CDD001, "Over curent (oc)", "Перегрузка по току (oc)"},
        {0x1CDD02A, "ACL (Abnormal Communication Loop)", "Сбой в коммуникационной петле (ACL)"},
        {0x1CFC802, "Низкий уровень сигнала внешнего источника задания частоты",
         "Низкий уровень сигнала внешнего источника задания частоты"},
        {0x1CFC824, "Перегрев частотного преобразователя", "Перегрев частотного преобразователя"},
        {0x1D96C01, "Accel. Overcurrent-E.OC1", "Перегрузка по току при ускорении"},
        {0x1D96C2A, "Motor Over Speed-E.OS", "Превышение скорости двигателя"},
        {0x976C01, "No connection to inverter!", "Нет соединения с инвертером!"},
        {0x976C40, "Remote control active!", "Активировано управление через пульт!"},
    };
    for (const Sample& s : samples) {
        SCOPED_TRACE(::testing::Message() << std::hex << s.id);
        EXPECT_EQ(textIn(true, s.id), s.en);
        if (s.ru) {
            EXPECT_EQ(textIn(false, s.id), s.ru);
        } else {
            // Our own translation: present, Cyrillic, and not the English text.
            const std::string ru = textIn(false, s.id);
            EXPECT_NE(ru, s.en);
            EXPECT_NE(ru.find("\xD0"), std::string::npos);
        }
    }
    // Whatever the system says when a file cannot be written, a Russian box says in Russian.
    setLanguage(false);
    for (int err = 1; err < 134; ++err) EXPECT_FALSE(std::regex_search(systemReasonText(err), std::regex("[A-Za-z]")));
}

TEST(texts_catalogue, OdditiesOfTheGivenTextsAreKeptByteForByte) {
    LanguageGuard guard;
    // A Latin 'c' inside the Russian word.
    EXPECT_EQ(textIn(false, 0x1B73B85), "От\x63утствует сигнал от отметчика оборотов");
    // A Cyrillic 'Е' in the Toshiba code E-20 of fault 52, a Latin one in fault 65.
    EXPECT_EQ(textIn(true, 0xC8B434), "Over torque boost fault (\xD0\x95-20)");
    EXPECT_EQ(textIn(true, 0xC8B441), "Over torque boost fault (E-20)");
    // Delta 31 reads "WRITE" in English and "reading" in Russian.
    EXPECT_EQ(textIn(true, 0x1CDD01F), "Control Board CPU WRITE failure (cF2.1)");
    EXPECT_EQ(textIn(false, 0x1CDD01F), "Сбой при чтении CPU платы управления (cF2.1)");
    // Trailing and double blanks.
    EXPECT_EQ(textIn(true, 0x1CDD003), "IGBT Overheat (oH1) ");
    EXPECT_EQ(textIn(true, 0x1CDD01A), "W-phase error (cF3.2) ");
    EXPECT_EQ(textIn(true, 0x1CDD01B), "DCBUS error  (cF3.3)");
    EXPECT_EQ(textIn(false, 0x1CDD01B), "Ошибка в DCBUS(cF3.3)");
    EXPECT_EQ(textIn(true, 0xC8B404), "Overcurrent  (An overcurrent on the load side at start-up) (OCL)");
    EXPECT_EQ(textIn(true, 0xC8B412), "EEPROM fault  1 (EEP1)");
    EXPECT_EQ(textIn(true, 0xC8B413), "EEPROM fault  2 (EEP2)");
    // Spellings as the makers write them.
    EXPECT_EQ(textIn(true, 0xDEE01B), "Unknow or incompatible power card (InF2)");
    EXPECT_EQ(textIn(true, 0x1D96C18), "Motor Tuning Abnorma-E.tE");
    EXPECT_EQ(textIn(true, 0xC8B433), "CPU comunication error (E-19)");
    EXPECT_EQ(textIn(true, 0xC8B448), "Torque/currentovermassfault");
    EXPECT_EQ(textIn(true, 0xDEE04D), "Download invalid configuration (CFI2)");
    // The keyboard's Latin rows are empty in English, not missing.
    setLanguage(true);
    ASSERT_NE(textOf(0x1EFB805), nullptr);
    EXPECT_STREQ(textOf(0x1EFB805), "");
    // Fault codes in parentheses stay in the Russian Toshiba texts.
    EXPECT_NE(textIn(false, 0xC8B401).find("(OC1)"), std::string::npos);
    EXPECT_NE(textIn(false, 0xC8B434).find("(\xD0\x95-20)"), std::string::npos);
    EXPECT_NE(textIn(false, 0xC8B428).find("(Etn, Etn1, Etn2, Etn3)"), std::string::npos);
}

TEST(texts_catalogue, LanguageFlagAloneSwitchesTexts) {
    LanguageGuard guard;
    setLanguage(false);
    EXPECT_STREQ(textOf(0x1073001), "Бездействие");
    EXPECT_STREQ(textOf(0x1EFB807), ",");
    uiEnglish = 1;
    EXPECT_STREQ(textOf(0x1073001), "Idle");
    EXPECT_STREQ(textOf(0x1EFB807), ".");
    uiEnglish = 0;
    EXPECT_STREQ(textOf(0x1073001), "Бездействие");
    EXPECT_STREQ(machineStateText(0x1073001), "Бездействие");
}

TEST(texts_catalogue, NamedGroupFunctionsAreTheRegisteredOnes) {
    LanguageGuard guard;
    EXPECT_EQ(tr(0xB95C01)->text, unitsText);
    EXPECT_EQ(tr(0x195DC01)->text, commonText);
    EXPECT_EQ(tr(0x1EFB801)->text, keyboardText);
    EXPECT_EQ(tr(0x1073001)->text, machineStateText);
    EXPECT_EQ(tr(0x138C801)->text, monthsText);
    EXPECT_EQ(tr(0x1C8A401)->text, weekdaysText);
    EXPECT_EQ(tr(0x1EFD001)->text, balancingText);
    EXPECT_EQ(tr(0x1CFB001)->text, historyText);
    EXPECT_EQ(tr(0x1CA6401)->text, buttonsText);
    EXPECT_EQ(tr(0x13DFC01)->text, measureModeText);
    EXPECT_EQ(tr(0x9DD001)->text, weldingText);
    EXPECT_EQ(tr(0xDDB001)->text, settingsText);
    EXPECT_EQ(tr(0x1A9300A)->attrs, fontStyleAttrs);
}

TEST(texts_catalogue, FontStylesGiveFaceAndPixelSize) {
    LanguageGuard guard;
    const std::uint32_t* a = attrsOf(0x1A9301F);
    EXPECT_EQ(a[0], 0xC66802u);
    EXPECT_EQ(a[1], 64u);
    EXPECT_EQ(a[2], 0u);
    a = attrsOf(0x1A93020);
    EXPECT_EQ(a[0], 0xC66803u);
    EXPECT_EQ(a[1], 14u);
    EXPECT_EQ(a[2], 0u);
    EXPECT_EQ(attrsOf(0x1A93009)[0], 0u);
    EXPECT_EQ(attrsOf(0x1A9302B)[0], 0u);
    EXPECT_EQ(attrsOf(0x1A93000)[0], 0u);

    const std::uint32_t sizes[] = {14, 17, 18, 20, 22, 24, 28, 40, 48, 52, 64};
    int styled = 0;
    for (TextId id = 0x1A93001; id <= 0x1A933FF; ++id) {
        a = attrsOf(id);
        if (a[0] == 0) continue;
        ++styled;
        const unsigned k = id - 0x1A9300A;
        EXPECT_EQ(a[0], 0xC66801u + k / 11) << std::hex << id;
        EXPECT_EQ(a[1], sizes[k % 11]) << std::hex << id;
        EXPECT_EQ(a[2], 0u);
        EXPECT_EQ(textOf(id), nullptr);
    }
    EXPECT_EQ(styled, 33);
}

TEST(texts_catalogue, OnlyTheTintedImageHasColours) {
    LanguageGuard guard;
    const std::uint32_t* a = attrsOf(0x179E43B);
    EXPECT_EQ(a[0], 0xDDDDDDu);
    EXPECT_EQ(a[1], 0x4057CDu);
    EXPECT_EQ(a[2], 0x7AD645u);
    EXPECT_EQ(a[3], 0u);
    for (TextId id = 0x179E401; id <= 0x179E43F; ++id) {
        if (id != 0x179E43B) {
            EXPECT_EQ(attrsOf(id)[0], 0u) << std::hex << id;
        }
    }
    EXPECT_EQ(attrsOf(0x179DC03)[0], 0u);
    EXPECT_EQ(attrsOf(0xC66801)[0], 0u);
    // Colours are not units.
    EXPECT_EQ(unitTextOf(0x179E43B), nullptr);
}

TEST(texts_catalogue, InverterModelsLinkTheirMakesFaultGroups) {
    LanguageGuard guard;
    const TextId expected[] = {0xDEE000, 0xC8B400, 0x1CDD000, 0x1CFC800, 0xDEE000, 0x1CDD000, 0x1D96C00};
    for (unsigned t = 0; t < 7; ++t) {
        const std::uint32_t* a = attrsOf(0x1793001 + t);
        EXPECT_EQ(a[0], expected[t]) << t;
        EXPECT_EQ(a[1], 0u) << t;
        EXPECT_NE(tr(a[0]), nullptr);
    }
    EXPECT_EQ(attrsOf(0x1793008)[0], 0u);
}

// ---- Format texts ------------------------------------------------------------------

// The conversions "%..." of a printf text, in order.
std::vector<std::string> printfConversions(const std::string& text) {
    std::vector<std::string> conv;
    static const std::regex conversion(R"(%[-+ #0]*[0-9]*(\.[0-9]+)?[a-zA-Z%])");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), conversion); it != std::sregex_iterator();
         ++it) {
        conv.push_back(it->str());
    }
    return conv;
}

TEST(texts_catalogue, FormatTextsHaveTheSameFieldsInBothLanguages) {
    LanguageGuard guard;
    std::size_t count = 0;
    const TextGroupEntry* groups = programTextGroups(&count);
    int fmtTexts = 0, printfTexts = 0;
    for (std::size_t i = 0; i < count; ++i) {
        for (TextId item = 1; item <= kItemMask; ++item) {
            const TextId id = groups[i].base + item;
            setLanguage(true);
            const char* enp = groups[i].text(id);
            if (!enp) continue;
            const std::string en = enp;
            setLanguage(false);
            const std::string ru = groups[i].text(id);
            SCOPED_TRACE(::testing::Message() << std::hex << id << " " << en);
            const std::vector<std::string> fe = textcheck::fmtFieldSet(en), fr = textcheck::fmtFieldSet(ru);
            if (!fe.empty() || !fr.empty()) ++fmtTexts;
            EXPECT_EQ(fe, fr);
            const std::vector<std::string> pe = printfConversions(en), pr = printfConversions(ru);
            if (!pe.empty()) ++printfTexts;
            EXPECT_EQ(pe, pr);
        }
    }
    EXPECT_EQ(fmtTexts, 19);
    EXPECT_EQ(printfTexts, 1);
}

TEST(texts_catalogue, FormatTextsFormatInBothLanguages) {
    LanguageGuard guard;
    struct Case {
        TextId id;
        std::string (*run)(const char* pattern);
        const char* en;
        const char* ru;
    };
    const Case cases[] = {
        {0x195DC12, [](const char* p) { return ks::format(p, "Monday", "March", 7); }, "Monday, 7 March",
         "Monday, March 7"},
        {0x195DC13, [](const char* p) { return ks::format(p, 5, "May", 9, 3); }, "May 5, 09:03",
         "5 May, 09:03"},
        {0x195DC14, [](const char* p) { return ks::format(p, 5, "May", 2024); }, "May 5 2024", "5 May 2024"},
        {0x1EFD025, [](const char* p) { return ks::format(p, 1.5); }, "1.50 × D~tol", "1,50 × D~tol"},
        {0x1EFD032, [](const char* p) { return ks::format(p, 8); }, "Drill À8 to depth",
         "Высверлите À8 на глубину"},
        {0x1EFD033, [](const char* p) { return ks::format(p, 8, 3); }, "Drill 3×À8 to depth",
         "Высверлите 3×À8 на глубину"},
        {0xDDB02A, [](const char* p) { return ks::format(p, 2); }, "Drive #2", "Привод Ã  2"},
        {0xDDB052, [](const char* p) { return ks::format(p, 4); }, "4-bit", "4-й бит"},
        {0x13DFC04, [](const char* p) { return ks::format(p, 12.5); }, "Is frequency 12.5 Hz set?",
         "Частота 12,5 Гц установлена?"},
        {0x13DFC05, [](const char* p) { return ks::format(p, 3); }, "Calibrate##3", "Калибровка##3"},
        {0x176C403, [](const char* p) { return ks::format(p, 2); }, "Балансировка U|mar| (2/4)",
         "Балансировка U|mar| (2/4)"},
        {0x176C406, [](const char* p) { return ks::format(p, 11); }, "Замеры для оценки U|mar| (11/12)",
         "Замеры для оценки U|mar| (11/12)"},
        {0x176C407, [](const char* p) { return ks::format(p, 1); }, "Замеры коэффициента URR (1/12)",
         "Замеры коэффициента URR (1/12)"},
        {0x176C409, [](const char* p) { return ks::format(p, 3); }, "Компенсационные пуски (3/3)",
         "Компенсационные пуски (3/3)"},
        {0x176C40B, [](const char* p) { return ks::format(p, 4); }, "Проверка дисбаланса (4/4)",
         "Проверка дисбаланса (4/4)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.id);
        setLanguage(true);
        EXPECT_EQ(c.run(textOf(c.id)), c.en);
        setLanguage(false);
        EXPECT_EQ(c.run(textOf(c.id)), c.ru);
    }
    // The one printf text.
    char buf[128];
    setLanguage(true);
    std::snprintf(buf, sizeof buf, textOf(0x1EFD007), "Trial mass", 2);
    EXPECT_STREQ(buf, "Trial mass in P2 plane");
    setLanguage(false);
    std::snprintf(buf, sizeof buf, textOf(0x1EFD007), "Пробный груз", 2);
    EXPECT_STREQ(buf, "Пробный груз в плоскости P2");
}

TEST(texts_catalogue, MalformedFormatTextComesBackWithoutThrowing) {
    LanguageGuard guard;
    EXPECT_NO_THROW({
        EXPECT_EQ(ks::format("Drive #{", 2), "Drive #{");
        EXPECT_EQ(ks::format("{1}×À{0}", 8), "{1}×À{0}");
        EXPECT_EQ(ks::format("{:.2q} × D~tol", 1.5), "{:.2q} × D~tol");
        // A text read with the arguments of another: too few arguments.
        EXPECT_EQ(ks::format(textOrEmpty(0x195DC13), 5, "May"), textOrEmpty(0x195DC13));
    });
}

}  // namespace
