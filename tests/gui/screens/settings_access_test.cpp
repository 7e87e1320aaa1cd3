// The correction and access tabs: unique operator names, new list elements
// that stay only when named, deleting materials and operators, PIN entry, and
// the operators' changes at the next login.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/gui_settings_rig.h"

namespace {

const char* const kBack = "\xC3\x89";
const char* const kHome = "\xC3\x88";
constexpr float kDeleteIcon = 28;  // from the row's right end
constexpr float kPinIcon = 68;
constexpr float kRightZone = 200;

Operator op(const char* name, std::uint32_t pin, bool access) {
    Operator o;
    o.name = name;
    o.pin = pin;
    o.access = access;
    return o;
}

Material material(const char* name, double density) {
    Material m;
    m.name = name;
    m.density = density;
    return m;
}

void twoOfEach(Config& c) {
    c.operators = {op("Shift", 1234, false), op("Boss", 0, true)};
    c.materials = {material("Steel", 7.85), material("Brass", 8.5)};
}

TEST(SettingsAccess, MakeUniqueNameNumbersPastTheHighest) {
    struct Case {
        std::vector<std::string> others;
        const char* name;
        const char* expected;
    } cases[] = {
        {{"Shift", "Shift (4)"}, "Shift", "Shift (5)"}, {{"Shift", "Shift (4)"}, "Shif", "Shif (2)"},
        {{"Operator"}, "", "Operator (2)"},             {{"Operator", "Operator (2)"}, "Operator", "Operator (3)"},
        {{"Op", "Op (x)"}, "Op", "Op (2)"},             {{"Op", "Op (99999999999)"}, "Op", "Op (2)"},
        {{"Op (7)"}, "Op", "Op (8)"},                   {{"Other"}, "Op", "Op"},
    };
    SettingsRig rig(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rig.c.operators.clear();
        for (const std::string& name : c.others) rig.c.operators.push_back(op(name.c_str(), 0, false));
        rig.c.operators.push_back(op(c.name, 0, false));
        Settings::makeUniqueName(rig.d(), static_cast<int>(c.others.size()));
        EXPECT_EQ(rig.c.operators.back().name, c.expected);
    }
}

// A new material stays only when named and given a density; nothing is
// saved before.
TEST(SettingsAccess, ANewMaterialLeftAnyOtherWayIsGone) {
    struct Case {
        const char* name;
        std::function<void(SettingsRig&)> steps;
        std::size_t materials;
    } cases[] = {
        {"named", [](SettingsRig& r) { r.enter("Lead"), r.enter("11,3"); }, 3},
        {"back", [](SettingsRig& r) { r.taps({kBack}); }, 2},
        {"home", [](SettingsRig& r) { r.taps({kHome}); }, 2},
        {"escape", [](SettingsRig& r) { r.h.key(GuiKey::Escape), r.h.run(300); }, 2},
        {"empty name", [](SettingsRig& r) { r.enter(""); }, 2},
        {"density 0", [](SettingsRig& r) { r.enter("Lead"), r.enter("0"); }, 2},
        {"back at the density", [](SettingsRig& r) { r.enter("Lead"), r.taps({kBack}); }, 2},
        {"another row", [](SettingsRig& r) { r.taps({"Included angle of the drill bit"}); }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsRig rig(1, twoOfEach);
        rig.taps({"Unbalance correction", "+ New"});
        ASSERT_EQ(rig.c.materials.size(), 3u);
        c.steps(rig);
        rig.h.run(400);
        EXPECT_EQ(rig.c.materials.size(), c.materials);
        EXPECT_EQ(std::filesystem::exists(".cfg"), c.materials == 3);
        if (c.materials == 3) {
            EXPECT_EQ(rig.c.materials[2].density, 11.3);
            EXPECT_TRUE(rig.saved());
        }
    }
}

TEST(SettingsAccess, MaterialsGoAtOnceOperatorsOnlyOnYes) {
    SettingsRig rig(1, twoOfEach);
    rig.taps({"Unbalance correction"});
    rig.tapAt("Steel", kDeleteIcon);
    ASSERT_EQ(rig.c.materials.size(), 1u);
    EXPECT_EQ(rig.c.materials[0].name, "Brass");
    EXPECT_TRUE(rig.saved());

    rig.taps({"Access settings"});
    rig.tapAt("Shift", kDeleteIcon);
    EXPECT_EQ(rig.g._modalText, "Are you sure you want to delete the operator?");
    rig.g.pressModalButton(1);  // "No"
    rig.h.run(300);
    EXPECT_EQ(rig.c.operators.size(), 2u);
    rig.tapAt("Shift", kDeleteIcon);
    rig.g.pressModalButton(0);  // "Yes"
    rig.h.run(300);
    ASSERT_EQ(rig.c.operators.size(), 1u);
    EXPECT_EQ(rig.c.operators[0].name, "Boss");
    EXPECT_TRUE(rig.saved());
}

TEST(SettingsAccess, ThePinKeypadOpensEmptyAndRefusesPinsBeyond32Bits) {
    struct Case {
        const char* typed;
        std::uint32_t pin;
        bool refused;
    } cases[] = {{"4321", 4321, false}, {"4294967295", 4294967295u, false}, {"", 0, false},
                 {"4294967296", 1234, true}, {"12a", 1234, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        SettingsRig rig(1, twoOfEach);
        rig.taps({"Access settings"});
        rig.g._keyboardText = "99";
        rig.tapAt("Shift", kPinIcon);
        EXPECT_EQ(rig.g._keyboardMode, 5);
        EXPECT_EQ(rig.g._keyboardText, "");
        rig.enter(c.typed);
        rig.h.run(400);  // the keyboard slides out, then a box in
        EXPECT_EQ(rig.c.operators[0].pin, c.pin);
        EXPECT_EQ(rig.g._modalState != 0 && rig.g._modalText == "Error!", c.refused);
        EXPECT_EQ(std::filesystem::exists(".cfg"), !c.refused);
    }
}

TEST(SettingsAccess, TheAccessFlagAndANewOperatorCountAtTheNextLogin) {
    SettingsRig rig(1, twoOfEach);
    rig.taps({"Access settings"});
    rig.tapAt("Shift", kRightZone);
    EXPECT_TRUE(rig.c.operators[0].access);
    EXPECT_EQ(rig.value("Shift"), "Specialist");
    rig.taps({"+ New"});
    rig.enter("Ann");
    EXPECT_TRUE(rig.saved());

    // The home screen, nobody logged in: Ann (no PIN) with one tap, then Shift.
    rig.g._config->local.operatorAccess = false;
    rig.taps({kHome});
    rig.h.run(400);  // the bars slide out first
    rig.taps({"Ann"});
    EXPECT_EQ(rig.c.local.operatorName, "Ann");
    EXPECT_EQ(settingsAccessLevel(rig.c), 0);
    rig.taps({"Logout", "Shift"});
    rig.h.type("1234");
    rig.h.frame();
    rig.h.key(GuiKey::Enter);
    rig.h.run(300);
    EXPECT_EQ(rig.c.local.operatorName, "Shift");
    EXPECT_EQ(settingsAccessLevel(rig.c), 1);
}

}  // namespace
