// The rotor editing screen over a real Rotor and Config in a temporary
// folder: the toolbar by the rotor's state, typed values and the grade
// chooser, red marks and locked selectors, the correction panel, and Save.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gui/screens/editing.h"
#include "gui/screens/editing_fixture.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "support/gui_harness.h"
#include "support/work_dir.h"
#include "texts/record_tags.h"

namespace {

using namespace editingtest;

TEST(EditingScreen, ToolbarFollowsTheRotor) {
    struct Case {
        const char* name;
        Prepare prepare;
        const char* main;
        Gui::ScreenId pushes;
    };
    const auto factors = [](Gui& g) { rotorOf(g).data().factors.assign(4, Vector(1, 0)); };
    const auto drilledAt1 = [](Gui& g) {  // a drill angle earlier versions took, saved
        Plane& p = planeOf(g, 0);
        p.mode = kModeRemoval, p.mean = kMeanEndDrilling, p.drillAngle = 1;
        p.holeDiameter = p.wallThickness = p.maxDrillDepth = p.density = 10;
    };
    const Case cases[] = {
        {"no coefficients", {}, "Determine IC", Gui::ScreenId::Influence},
        {"coefficients", factors, "Balance", Gui::ScreenId::Balancing},
        {"rotor file, drill angle 1°", [&](Gui& g) {
             factors(g), drilledAt1(g);
             ASSERT_TRUE(rotorOf(g).loadRotor(nullptr, 0) && rotorOf(g).loadRotor("Shaft.rotor", 1));
         }, "Balance", Gui::ScreenId::Balancing},
        {"history, drill angle 1°", [&](Gui& g) {
             factors(g), drilledAt1(g), rotorOf(g).data().runs.resize(1);
             ASSERT_TRUE(rotorOf(g).loadRotor(nullptr, 0));
             std::filesystem::create_directory("history");
             std::filesystem::copy_file("db/Shaft.rotor", "history/Shaft_220230101120000.rotor");
             ASSERT_TRUE(rotorOf(g).loadRotor("Shaft_220230101120000.rotor", 2));
         }, "History", Gui::ScreenId::Balancing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Editor e(c.prepare);
        e.g._icFromBalancing = true;
        ASSERT_TRUE(e.h.tap(c.main));
        e.h.run(400);
        EXPECT_EQ(e.g.currentScreen(), c.pushes);
        EXPECT_EQ(e.g._icFromBalancing, c.pushes == Gui::ScreenId::Balancing);
    }
}

TEST(EditingScreen, LongNameEndsBeforeTheWindowEdge) {
    for (const bool english : {true, false}) {  // in the smallest window: whole in English, cut in Russian
        Editor e([](Gui& g) { rotorOf(g).setName("Shaft with a long rotor name 12345"); }, {}, english);
        e.h.resize(790, 540);
        e.h.run(100);
        EXPECT_TRUE(e.h.probe().shows(english ? "name 12345" : "name..."));
        for (const UiItem& i : e.h.probe().items())  // nothing of the bar past the window's margin
            if (i.max.y <= 80) {
                EXPECT_LE(i.max.x, 790 - e.g._margin) << i.text;
            }
    }
}

TEST(EditingScreen, EditAnswerClearsRunsOnlyOnYes) {
    for (const char* answer : {"Yes", "No"}) {
        SCOPED_TRACE(answer);
        Editor e([](Gui& g) { rotorOf(g).data().runs.resize(2); });
        ASSERT_TRUE(e.h.tap("Edit"));
        e.h.run(400);
        EXPECT_TRUE(e.h.probe().shows("Start editing rotor"));
        ASSERT_TRUE(e.h.tap(answer));
        e.h.frame();
        const bool yes = std::string(answer) == "Yes";
        EXPECT_EQ(rotorOf(e.g).runCount(), yes ? 0 : 2);
        EXPECT_EQ(e.h.probe().find("Save") != nullptr, yes);
    }
}

TEST(EditingScreen, TypedValuesAndTheGradeChooser) {
    struct Case {
        const char* name;
        std::string entry, grade, typed;
        std::function<double(Gui&)> read;
        std::function<double(Gui&)> expected;
        bool valid;
    };
    const auto tolerance = [](Gui& g) { return rotorOf(g).data().permissibleUnbalance; };
    const auto fromGrade = [](Gui& g) {  // what the rotor itself makes of G 6.3 at 3000 min^-1
        Rotor twin(g._config);
        twin.data() = rotorOf(g).data();
        int k = 0;
        while (twin.gradeTable()[k] != 6.3) ++k;
        twin.permissibleUnbalanceFromGrade(3000, k);
        return twin.data().permissibleUnbalance;
    };
    const Case cases[] = {
        {"decimal comma", "unbalance", "", "12,5", tolerance, [](Gui&) { return 12.5; }, true},
        {"grade and speed", "unbalance", "G 6.3", "3000", tolerance, fromGrade, true},
        {"no grade: the value", "unbalance", "", "3000", tolerance, [](Gui&) { return 3000.0; }, true},
        {"infinity is 0, red", "unbalance", "", "inf", tolerance, [](Gui&) { return 0.0; }, false},
        {"hexadecimal is 0", "unbalance", "", "0x1p3", tolerance, [](Gui&) { return 0.0; }, false},
        {"a second point is no number", "unbalance", "", "1.2.5", tolerance, [](Gui&) { return 0.0; }, false},
        {"speed", "Rotation", "", "1500", [](Gui& g) { return rotorOf(g).balancingSpeed(); },
         [](Gui&) { return 1500.0; }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Editor e;
        const double expected = c.expected(e.g);
        e.enter(c.entry, c.typed, c.grade);
        EXPECT_DOUBLE_EQ(c.read(e.g), expected);
        EXPECT_EQ(e.g._modalState, Gui::kHidden);
        EXPECT_EQ(e.data().editTarget, Editing::kNoEntry);
        EXPECT_EQ(e.data().valid, c.valid);
    }
}

TEST(EditingScreen, ControlRotorsResidualUnbalanceBoxHasItsLabelAndNoGrades) {
    Editor e([](Gui& g) { rotorOf(g).data().controlRotor = true; });
    ASSERT_TRUE(e.h.tap("residual unbalance"));
    e.h.run(400);
    EXPECT_EQ(e.g._modalText + "|" + e.g._modalButtons, "Minimum achievable residual unbalance|");
}

TEST(EditingScreen, PlaneFieldTargetsReachTheirPlane) {
    Editor e;
    e.data().editTarget = Editing::planeFieldTarget(1, kRadius);
    e.h.run(400);
    e.g._keyboardText = "150";
    e.h.key(GuiKey::Enter);
    e.h.frame();
    EXPECT_EQ(planeOf(e.g, 1).radius, 150.0);
    EXPECT_EQ(planeOf(e.g, 0).radius, 100.0);
}

TEST(EditingScreen, RedMarksAndLockedSelectors) {
    struct Case {
        const char* name;
        Prepare prepare, settings;
        bool valid;
        std::vector<std::string> shown, absent;
        std::vector<std::pair<std::string, std::string>> items;  // label, "disabled" or "marked"
    };
    const Case cases[] = {
        {"all within limits", {}, {}, true, {"Determined"}, {}, {{"End", "disabled"}}},
        {"belt with pulley 0",
         [](Gui& g) {
             set(g, {kDrive, kDriveBelt}, nullptr);
             set(g, {kRotorSurface}, "300");
             rotorOf(g).data().drivePulley = 0;
         },
         [](Gui& g) { g._config->beltDrive.active = true; }, false, {"Belt", "Drive pulley"}, {}, {}},
        {"inactive drive", [](Gui& g) { g._config->endDrive.active = false; }, {}, false, {}, {}, {{"End", "marked"}}},
        {"permanent coefficients", [](Gui& g) { rotorOf(g).data().internalFactors = true; }, {}, false, {}, {},
         {{"Permanent", "marked"}}},
        {"runs lock the selectors", [](Gui& g) { rotorOf(g).data().runs.resize(1); }, {}, true, {"Edit"}, {},
         {{"Å", "disabled"}, {"End", "disabled"}, {"Determined", "disabled"}}},
        {"control rotor: its label, its test planes unchecked",
         [](Gui& g) {
             auto& planes = rotorOf(g).data().planes;
             planes.resize(3);
             planes[1].channel2 = 0, planes[2].channel2 = 2;
             planes[0].radiusSmall = planes[0].radiusR1 = planes[0].massStation = planes[0].massTravel = 10;
             for (Plane& p : planes) p.distance1 = 100;  // the scheme's distances
             planes[2].distance2 = 100, planes[2].distance3 = 10;
             rotorOf(g).data().controlRotor = true;
         },
         {}, true, {"Minimum achievable", "residual unbalance"}, {}, {}},
        {"one support on a Vertical machine: 2 columns", {},
         [](Gui& g) {
             g._config->channels.at(1).active = false;
             g._config->machineInterface = settings_choice::kVertical;
         },
         true, {"Plane disengaged"}, {}, {}},
        {"one support on a Horizontal machine: 1 column", {},
         [](Gui& g) { g._config->channels.at(1).active = false; }, true, {}, {"Plane disengaged"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Editor e(c.prepare, c.settings);
        e.h.frame();
        EXPECT_EQ(e.data().valid, c.valid);
        for (const std::string& text : c.shown) EXPECT_TRUE(e.h.probe().shows(text)) << text;
        for (const std::string& text : c.absent) EXPECT_FALSE(e.h.probe().shows(text)) << text;
        for (const auto& [label, state] : c.items) EXPECT_EQ(e.item(label).text, state) << label;
        if (!c.valid) {  // the way on stays closed
            e.h.tap(rotorOf(e.g).hasFactors() ? "Balance" : "Determine IC");
            e.h.run(400);
            EXPECT_EQ(e.g.currentScreen(), Gui::ScreenId::Editing);
        }
    }
}

TEST(EditingScreen, LongLabelsSplitAfterTenCharacters) {
    const auto belt = [](Gui& g) { set(g, {kDrive, kDriveBelt}, nullptr); };
    Editor e(belt, [](Gui& g) { g._config->beltDrive.active = true; }, false);
    // "Приводной шкив": its blank is the 10th character (the 19th byte).
    EXPECT_TRUE(e.h.probe().find("Приводной шкив"));
    EXPECT_TRUE(e.h.probe().find("изделия"));  // "Поверхность" stands above it
    EXPECT_TRUE(e.h.probe().shows("Поверхность"));
}

TEST(EditingScreen, DensityNamesItsMaterialInTableAndPanel) {
    struct Case {
        double offset;
        const char* material;
    };
    for (const Case c : {Case{0, "Steel"}, Case{0.000005, "Steel"}, Case{0.00002, "[ Other ]"}}) {
        SCOPED_TRACE(c.offset);
        Editor e([&](Gui& g) {
            set(g, {kPlanes, 0, kMode, kModeRemoval}, nullptr);
            set(g, {kPlanes, 0, kMean, kMeanEndDrilling}, nullptr);
            planeOf(g, 0).density = 7.85 + c.offset;
        });
        EXPECT_TRUE(e.h.probe().shows(std::string(c.material) + " - 7.85"));
        e.openPanel(0);
        EXPECT_EQ(e.item(c.material).text, "selected");
    }
}

TEST(EditingScreen, AnyNumberOfMaterialsDrawsTheRowsInView) {
    const Prepare drilling = [](Gui& g) {
        set(g, {kPlanes, 0, kMode, kModeRemoval}, nullptr);
        set(g, {kPlanes, 0, kMean, kMeanEndDrilling}, nullptr);
    };
    Editor e(drilling, [](Gui& g) { g._config->materials.resize(20000, g._config->materials[1]); });
    e.openPanel(0);
    EXPECT_TRUE(e.h.probe().find("Steel") && e.h.probe().items().size() < 200);
}

TEST(EditingScreen, PanelStoresChoicesAndStartsEntries) {
    Editor e([](Gui& g) { set(g, {kPlanes, 0, kMode, kModeRemoval}, nullptr); });
    e.data().openPanel(e.g, 0, 500);
    e.h.frame();
    EXPECT_EQ(e.data().panelOffset, Editing::kPanelStep);
    e.h.run(400);
    EXPECT_EQ(e.data().panelState, Editing::kPanelShown);

    ASSERT_TRUE(e.h.tap("End drilling"));  // stored at once through the plane's path
    e.h.frame();
    EXPECT_EQ(planeOf(e.g, 0).mean, kMeanEndDrilling);
    EXPECT_TRUE(e.h.probe().find("Maximum depth of drilled hole, h~max"));

    const UiItem row = e.item("Correction radius, R");
    const ImVec2 at = row.centre();
    e.h.drag(at, ImVec2(at.x, at.y - 3), 1);  // a move of 3 px scrolls
    EXPECT_EQ(e.data().editTarget, Editing::kNoEntry);
    EXPECT_EQ(e.item("Correction radius, R").min.y, row.min.y - 3);
    e.h.drag(at, ImVec2(at.x, at.y - 300));

    ASSERT_TRUE(e.h.tap("[ Other ]"));
    EXPECT_EQ(e.data().editTarget, static_cast<int>(kDensity));
    e.g.closeKeyboard();
    e.h.run(400);
    e.enter("Wall thickness between adjacent holes, s", "4,5");
    EXPECT_EQ(planeOf(e.g, 0).wallThickness, 4.5);

    ASSERT_TRUE(e.h.tap("É"));
    e.h.run(400);
    EXPECT_EQ(e.data().panelState, Editing::kPanelHidden);
}

TEST(EditingScreen, SaveWritesTheDatabaseFileOrSaysWhy) {
    struct Case {
        const char* name;
        const char* typed;
        bool dbIsAFile;
        const char* file;              // null: nothing saved, "Error!" shown unless asked
        const char* answer = nullptr;  // to "Replace the existing file?"
    };
    const Case cases[] = {
        {"typed name, blanks cut", "  Rotor 7 ", false, "db/Rotor 7.rotor"},
        {"empty: the rotor's name", "", false, "db/Shaft.rotor"},
        {"dots only", "...", false, nullptr},
        {"db is a plain file", "Rotor 7", true, nullptr},
        {"another rotor's file, No keeps it", "Other", false, nullptr, "No"},
        {"another rotor's file, Yes replaces it", "Other", false, "db/Other.rotor", "Yes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Editor e;
        if (!c.dbIsAFile) std::filesystem::create_directory("db");
        testwd::writeFile(c.dbIsAFile ? "db" : "db/Other.rotor", "other");
        e.enter("Save", c.typed);
        e.h.run(400);  // the box follows the keyboard out
        if (c.answer && e.h.tap(c.answer)) e.h.run(400);
        EXPECT_EQ(e.h.probe().shows("Error!"), c.file == nullptr && !c.answer);
        if (c.file) {
            EXPECT_TRUE(std::filesystem::is_regular_file(c.file)) << c.file;
        }
        if (c.answer) { EXPECT_EQ(testwd::readFile("db/Other.rotor") == "other", c.file == nullptr); }
        EXPECT_EQ(e.g._keyboardState, Gui::kHidden);
    }
}

// The name entry stops at the name's byte limit, whole characters, typed or pasted.
TEST(EditingScreen, NameEntryStopsAtTheNameLimit) {
    std::string latin(200, 'a'), cyrillic;
    for (int i = 0; i < 100; ++i) cyrillic += "Я";
    const struct { bool paste; std::string text, kept; } cases[] = {
        {false, latin + "b", latin}, {true, cyrillic + "Ж", cyrillic}, {true, "a" + cyrillic, "a" + cyrillic.substr(0, 198)}};
    for (const auto& c : cases) {
        Editor e;
        ASSERT_TRUE(e.h.tap("Save"));
        e.h.run(400);
        e.h.setClipboard(c.text);
        c.paste ? e.h.key(GuiKey::Paste) : e.h.type(c.text.c_str());
        e.h.frame();
        EXPECT_EQ(e.g._keyboardText, c.kept);
        e.h.key(GuiKey::Enter);
        e.h.run(400);
        EXPECT_TRUE(std::filesystem::is_regular_file("db/" + c.kept + ".rotor"));
    }
}

}  // namespace
