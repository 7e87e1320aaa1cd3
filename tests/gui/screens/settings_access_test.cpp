// The correction and access tabs: unique operator names, new elements that
// stay only when named, deletes, PINs, the operators at the next login.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "records/settings_limits.h"
#include "support/gui_settings_rig.h"

namespace {

const char* const kBack = "\xC3\x89";
const char* const kHome = "\xC3\x88";
constexpr float kDeleteIcon = 28;  // from the row's right end
constexpr float kPinIcon = 68;
constexpr float kRightZone = 200;

Operator op(const std::string& name, std::uint32_t pin = 0, bool access = false) {
    Operator o;
    o.name = name, o.pin = pin, o.access = access;
    return o;
}

void twoOfEach(Config& c) {
    c.operators = {op("Shift", 1234), op("Boss", 0, true)};
    c.materials.resize(2);
    c.materials[0].name = "Steel", c.materials[1].name = "Brass";
    c.materials[0].density = 7.85, c.materials[1].density = 8.5;
}

TEST(SettingsAccess, MakeUniqueNameNumbersPastTheHighest) {
    struct Case {
        std::vector<std::string> others;
        const char* name;
        const char* expected;
    } cases[] = {
        {{"Shift", "Shift (4)"}, "Shift", "Shift (5)"},
        {{"Shift", "Shift (4)"}, "Shif", "Shif (2)"},
        {{"Operator"}, "", "Operator (2)"},
        {{"Operator", "Operator (2)"}, "Operator", "Operator (3)"},
        {{"Op", "Op (x)"}, "Op", "Op (2)"},
        {{"Op", "Op (99999999999)"}, "Op", "Op (2)"},
        {{"Op (7)"}, "Op", "Op (8)"},
        {{"Other"}, "Op", "Op"},
    };
    SettingsRig rig(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rig.c.operators.clear();
        for (const std::string& name : c.others) rig.c.operators.push_back(op(name));
        rig.c.operators.push_back(op(c.name));
        Settings::makeUniqueName(rig.d(), static_cast<int>(c.others.size()));
        EXPECT_EQ(rig.c.operators.back().name, c.expected);
    }
}

// A new material stays only when named and given a density; nothing is saved before.
TEST(SettingsAccess, ANewMaterialLeftAnyOtherWayIsGone) {
    struct Case {
        const char* name;
        std::function<void(SettingsRig&)> steps;
        std::size_t materials;
        const char* said = "";  // a box's text and details
    } cases[] = {
        {"named", [](SettingsRig& r) { r.enter("Lead"), r.enter("11,3"); }, 3},
        {"back", [](SettingsRig& r) { r.taps({kBack}); }, 2},
        {"home", [](SettingsRig& r) { r.taps({kHome}); }, 2},
        {"escape", [](SettingsRig& r) { r.h.key(GuiKey::Escape), r.h.run(300); }, 2},
        {"empty name", [](SettingsRig& r) { r.enter(""); }, 2},
        {"density 0", [](SettingsRig& r) { r.enter("Lead"), r.enter("0"); }, 2, "Error!0.001 ... 100"},
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
        EXPECT_TRUE(rig.c.materials.size() == c.materials &&
                    std::filesystem::exists(".cfg") == (c.materials == 3));
        EXPECT_TRUE(c.materials == 2 || (rig.c.materials[2].density == 11.3 && rig.saved()));
        EXPECT_EQ(rig.g._modalState ? rig.g._modalText + rig.g._modalDetails : "", c.said);
    }
}

TEST(SettingsAccess, MaterialsGoAtOnceOperatorsOnlyOnYes) {
    SettingsRig rig(1, twoOfEach);
    rig.taps({"Unbalance correction"});
    rig.tapAt("Steel", kDeleteIcon);
    EXPECT_TRUE(rig.c.materials.size() == 1 && rig.c.materials[0].name == "Brass" && rig.saved());
    rig.taps({"Access settings"});
    for (int answer : {1, 0}) {  // "No", then "Yes"
        rig.tapAt("Shift", kDeleteIcon);
        EXPECT_EQ(rig.g._modalText, "Are you sure you want to delete the operator?");
        rig.g.pressModalButton(answer);
        rig.h.run(300);
        EXPECT_EQ(rig.c.operators.size(), answer == 1 ? 2u : 1u);
    }
    EXPECT_TRUE(rig.c.operators[0].name == "Boss" && rig.saved());
}

TEST(SettingsAccess, NoNewOperatorBeyondTheBound) {
    SettingsRig rig(1, [](Config& c) { c.operators.resize(kMaxOperators); });
    rig.h.resize(1280, 12000);  // "+ New" in view
    rig.taps({"Access settings", "+ New"});
    EXPECT_TRUE(rig.g._modalText == "Error!" && rig.c.operators.size() == kMaxOperators);
}

TEST(SettingsAccess, PinsBeyond32BitsOrWithOtherCharactersAreRefused) {
    struct Case {
        const char* typed;
        std::uint32_t pin;  // Shift's was 1234
    } cases[] = {{"4294967295", 4294967295u}, {"", 0}, {"4294967296", 1234}, {"12a", 1234}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        SettingsRig rig(1, twoOfEach);
        rig.taps({"Access settings"});
        rig.tapAt("Shift", kPinIcon);
        rig.enter(c.typed);
        rig.h.run(400);  // the keyboard slides out, then a box in
        const bool refused = c.pin == 1234, box = rig.g._modalState != 0 && rig.g._modalText == "Error!";
        EXPECT_TRUE(rig.c.operators[0].pin == c.pin && box == refused &&
                    std::filesystem::exists(".cfg") != refused);
    }
}

TEST(SettingsAccess, TheAccessFlagTheNewPinAndANewOperatorCountAtTheNextLogin) {
    SettingsRig rig(1, twoOfEach);
    rig.taps({"Access settings"});
    rig.tapAt("Shift", kRightZone);
    EXPECT_TRUE(rig.c.operators[0].access && rig.value("Shift") == "Specialist");
    rig.g._keyboardText = "99";
    rig.tapAt("Shift", kPinIcon);
    EXPECT_TRUE(rig.g._keyboardMode == 5 && rig.g._keyboardText.empty());  // the PIN keypad, empty
    rig.enter("4321");
    rig.taps({"+ New"});
    rig.enter("Ann");
    EXPECT_TRUE(rig.saved());

    // The home screen, nobody logged in: Ann (no PIN) with one tap, then Shift.
    rig.c.local.operatorAccess = false;
    rig.taps({kHome});
    rig.h.run(400);  // the bars slide out first
    rig.taps({"Ann"});
    EXPECT_TRUE(rig.c.local.operatorName == "Ann" && settingsAccessLevel(rig.c) == 0);
    rig.taps({"Logout", "Shift"});
    rig.h.type("4321"), rig.h.frame(), rig.h.key(GuiKey::Enter), rig.h.run(300);
    EXPECT_TRUE(rig.c.local.operatorName == "Shift" && settingsAccessLevel(rig.c) == 1);
}

// Boss logged in: his entry erased logs him out (home), an earlier one moves
// his index, his right taken counts at once.
TEST(SettingsAccess, TheLoggedInOperatorFollowsHisEntryAtOnce) {
    struct Case {
        const char* row;
        float at;
        int op, level;
    } cases[] = {{"Boss", kDeleteIcon, -1, 1}, {"Shift", kDeleteIcon, 0, 1}, {"Boss", kRightZone, 1, 0}};
    for (const Case& c : cases) {
        SettingsRig rig(1, twoOfEach);
        rig.g._operator = 1, rig.c.local.operatorName = "Boss";
        rig.taps({"Access settings"});
        rig.tapAt(c.row, c.at);
        if (rig.g._modalState != 0) rig.g.pressModalButton(0), rig.h.run(400);
        EXPECT_TRUE(rig.g._operator == c.op && rig.g.onHomeScreen() == (c.op < 0) && rig.g.loggedIn() == (c.op >= 0));
        EXPECT_TRUE(c.op < 0 || (rig.c.operators[c.op].name == "Boss" && settingsAccessLevel(rig.c) == c.level));
    }
}

}  // namespace
