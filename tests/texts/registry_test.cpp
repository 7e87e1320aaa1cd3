#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "texts/text_groups.h"
#include "texts/texts.h"

namespace {

// Test groups.  Each text function answers only its own items, as the
// program's groups do.
constexpr TextId kTestBase = 0x1F00000;  // no program group has this base

const char* testText(TextId id) {
    switch (id) {
        case kTestBase + 1:
            return isEnglish() ? "Speed" : "Скорость";
        case kTestBase + 2:
            return isEnglish() ? "Length" : "Длина";
        case kTestBase + 3:
            return "OK";
        default:
            return nullptr;
    }
}

constexpr std::uint32_t kNonUnitThenUnit[] = {0xC66801, 14, 0xB95C03, 0};  // face, size, then "mm"
constexpr std::uint32_t kOnlyNonUnits[] = {0xC66802, 64, 0};

const std::uint32_t* testAttrs(TextId id) {
    switch (id) {
        case kTestBase + 1:
            return kNonUnitThenUnit;
        case kTestBase + 3:
            return kOnlyNonUnits;
        default:
            return kNoAttrs;
    }
}

const char* firstText(TextId) {
    return "first";
}
const char* secondText(TextId) {
    return "second";
}
const char* thirdText(TextId) {
    return "third";
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        texts_testing::resetRegistry(true);
        setLanguage(false);
    }
    void TearDown() override {
        texts_testing::resetRegistry(true);
        setLanguage(false);
        decimalPoint = '.';
    }
};

TEST_F(Registry, IdsOfUnregisteredGroupsHaveNoGroupNoTextAndNoAttributes) {
    texts_testing::resetRegistry(false);
    TextGroup test{kTestBase, testText, testAttrs, nullptr};
    registerGroup(&test);

    for (TextId id : {0x0u, 0x1u, 0x3FFu, 0xB95C01u, 0x1F00400u, 0x1EFFFFFu}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(tr(id), nullptr);
        EXPECT_STREQ(textOf(id), "");
        ASSERT_NE(attrsOf(id), nullptr);
        EXPECT_EQ(attrsOf(id)[0], 0u);
        EXPECT_EQ(unitTextOf(id), nullptr);
    }
    // Bits 25-31 are not part of the base: such an id still finds its group.
    EXPECT_EQ(tr(0xFE000000u | (kTestBase + 2)), &test);
}

TEST_F(Registry, GroupBaseAndUnknownItemsGiveNullFromTheTextFunction) {
    // The program's common captions: the base names the group but has no text.
    const TextGroup* common = tr(0x195DC00);
    ASSERT_NE(common, nullptr);
    EXPECT_EQ(common->base, 0x195DC00u);
    EXPECT_EQ(common->text(0x195DC00), nullptr);
    EXPECT_EQ(textOf(0x195DC00), nullptr);
    EXPECT_STREQ(textOrEmpty(0x195DC00), "");
    EXPECT_EQ(textOf(0x195DC04), nullptr);       // a gap
    EXPECT_EQ(textOf(0x195DC41), nullptr);       // past the last item
    EXPECT_EQ(common->text(0xB95C01), nullptr);  // an id of another group
    ASSERT_NE(textOf(0x195DC01), nullptr);
}

TEST_F(Registry, LanguageFlagAloneSwitchesTheNextLookupAndTheDecimalPoint) {
    texts_testing::resetRegistry(false);
    TextGroup test{kTestBase, testText, testAttrs, nullptr};
    registerGroup(&test);

    setLanguage(false);
    EXPECT_STREQ(textOf(kTestBase + 1), "Скорость");
    EXPECT_EQ(decimalPoint.load(), static_cast<std::uint32_t>(','));
    setLanguage(true);
    EXPECT_STREQ(textOf(kTestBase + 1), "Speed");
    EXPECT_EQ(decimalPoint.load(), static_cast<std::uint32_t>('.'));
    EXPECT_STREQ(textOf(kTestBase + 3), "OK");
    setLanguage(false);
    EXPECT_STREQ(textOf(kTestBase + 3), "OK");
    EXPECT_STREQ(textOf(kTestBase + 2), "Длина");
}

TEST_F(Registry, OfTwoGroupsWithOneBaseTheOneRegisteredLaterWins) {
    texts_testing::resetRegistry(false);
    TextGroup first{kTestBase, firstText, noAttrs, nullptr};
    TextGroup second{kTestBase, secondText, noAttrs, nullptr};
    registerGroup(&first);
    registerGroup(&second);
    EXPECT_EQ(tr(kTestBase + 1), &second);
    EXPECT_STREQ(textOf(kTestBase + 5), "second");
    // The losing node left the list.
    EXPECT_EQ(first.next, nullptr);

    // A group registered after the first lookup still takes over the base.
    TextGroup third{kTestBase, thirdText, noAttrs, nullptr};
    registerGroup(&third);
    EXPECT_STREQ(textOf(kTestBase + 5), "third");
}

TEST_F(Registry, RegisteringOneGroupTwiceKeepsTheListFinite) {
    texts_testing::resetRegistry(false);
    TextGroup test{kTestBase, testText, testAttrs, nullptr};
    TextGroup other{0x1F00400, firstText, noAttrs, nullptr};
    registerGroup(&test);
    registerGroup(&other);
    registerGroup(&test);
    registerGroup(nullptr);
    EXPECT_EQ(tr(kTestBase + 1), &test);
    EXPECT_EQ(tr(0x1F00401), &other);
}

TEST_F(Registry, UnitIsTheFirstAttributeOfTheUnitsGroup) {
    TextGroup test{kTestBase, testText, testAttrs, nullptr};
    registerGroup(&test);

    setLanguage(true);
    // A face and a size stand before the unit; the unit is still found.
    ASSERT_NE(unitTextOf(kTestBase + 1), nullptr);
    EXPECT_STREQ(unitTextOf(kTestBase + 1), "mm");
    setLanguage(false);
    EXPECT_STREQ(unitTextOf(kTestBase + 1), "мм");
    // An empty list and a list without a unit give no unit.
    EXPECT_EQ(unitTextOf(kTestBase + 2), nullptr);
    EXPECT_EQ(unitTextOf(kTestBase + 3), nullptr);
}

TEST_F(Registry, ValueWithUnitUsesTheLanguageDecimalSeparator) {
    setLanguage(false);
    EXPECT_EQ(formatValueUnit(1.5, "мм"), "1,5 мм");
    EXPECT_EQ(formatValueUnit(-12.25, "g"), "-12,25 g");
    setLanguage(true);
    EXPECT_EQ(formatValueUnit(1.5, "mm"), "1.5 mm");
    EXPECT_EQ(formatValueUnit(3, ""), "3 ");
    EXPECT_EQ(formatValueUnit(3, nullptr), "3 ");
}

TEST_F(Registry, MapIsBuiltOnceForManyLookups) {
    EXPECT_EQ(texts_testing::mapBuildCount(), 0);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_NE(tr(0xB95C01 + static_cast<TextId>(i % 27)), nullptr);
    }
    EXPECT_EQ(texts_testing::mapBuildCount(), 1);
    EXPECT_EQ(tr(0x3FF), nullptr);
    EXPECT_EQ(texts_testing::mapBuildCount(), 1);
}

TEST_F(Registry, GroupOwnedElsewhereJoinsTheProgramGroupsBeforeTheFirstLookup) {
    // What the protocols do at start-up with their texts.
    TextGroup protocol{0x1074400, firstText, noAttrs, nullptr};
    registerGroup(&protocol);
    EXPECT_EQ(tr(0x1074401), &protocol);
    EXPECT_NE(tr(0xB95C01), nullptr);
    EXPECT_NE(tr(0xDDB001), nullptr);
    EXPECT_EQ(texts_testing::mapBuildCount(), 1);
}

TEST_F(Registry, EveryProgramGroupIsFoundFromTheFirstLookup) {
    std::size_t count = 0;
    const TextGroupEntry* groups = programTextGroups(&count);
    ASSERT_EQ(count, 53u);
    for (std::size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(groups[i].name);
        const TextGroup* g = tr(groups[i].base + 1);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->base, groups[i].base);
        EXPECT_EQ(g->text, groups[i].text);
        EXPECT_EQ(g->attrs, groups[i].attrs);
    }
}

}  // namespace
