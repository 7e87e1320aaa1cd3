// The influence-coefficient screen over a real Rotor and Config in a
// temporary folder and the FakeMachine.

#include <gtest/gtest.h>

#include <imgui_internal.h>

#include <cfloat>
#include <complex>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gui/fonts.h"
#include "gui/screens/influence.h"
#include "records/job_records.h"
#include "rotor/rotor.h"
#include "rotor/rotor_measure_feed.h"
#include "support/gui_harness.h"
#include "support/gui_influence_steps.h"
#include "support/gui_widget_window.h"
#include "support/work_dir.h"
#include "texts/format.h"
#include "texts/texts.h"

namespace {

using rotortest::fromPolarDeg;
using Complex = std::complex<double>;

struct Influence {
    testwd::WorkDir dir{"ks_influence"};
    GuiHarness h;
    Gui& g;
    Rotor* rotor = nullptr;
    Gui::ActiveData* under = nullptr;  // the Balancing screen's data

    // `channels`: the first channel of each plane (0 none); `from` the
    // screen that opens this one.
    explicit Influence(std::vector<std::uint32_t> channels = {1, 2}, bool factors = false,
                       Gui::ScreenId from = Gui::ScreenId::Editing, const std::function<void(Rotor&)>& shape = {})
        : g(h.gui()) {
        for (std::size_t i = 0; i < 3; ++i) g._config->channels.at(i).active = true;
        g.newRotor();
        rotor = g._rotor;
        rotor->setName("Shaft");
        rotor->setPlaneCount(static_cast<int>(channels.size()));
        for (std::size_t p = 0; p < channels.size(); ++p) {
            rotor->setPlaneChannels(static_cast<int>(p) + 1, channels[p], 0);
            rotor->data().planes[p].radius = 100;
            rotor->data().planes[p].trialMass = 7;  // a stale trial the screen clears
            rotor->data().planes[p].trialAngle = 33;
        }
        if (factors) rotor->data().factors.assign(channels.size() * channels.size(), Vector(0.5, 0));
        if (shape) shape(*rotor);
        const bool balancing = from == Gui::ScreenId::Balancing;
        g.setScreen(true, balancing ? &Gui::balancing : &Gui::editing);
        h.run(400);
        if (balancing) under = g._data;
        g._icFromBalancing = balancing;
        g.setScreen(true, &Gui::influenceCoefficients);
        h.run(400);
    }

    InfluenceData::Data& data() { return dynamic_cast<InfluenceData::Data&>(*g._data); }
    const UiItem* item(const std::string& label) { return h.probe().find(label); }

    bool start() { return influencesteps::slideStart(h); }
    // The Measuring screen returns after `results` results whose final
    // vectors (one per measuring plane) are `values`.
    void comeBack(const std::vector<Complex>& values, int results = 3) {
        if (!values.empty()) rotortest::feedSession(*rotor, values);
        h.machine().resultCount = results;
        g.back();
        h.run(100);
    }
    // A measured run: Start, results, back.
    void measure(const std::vector<Complex>& values) {
        ASSERT_TRUE(start());
        comeBack(values);
    }
    void enter(const std::string& entry, const std::string& text) { influencesteps::enter(h, entry, text); }
    // Enters and confirms the trial mass of the current plane.
    void confirmTrialMass(const std::string& mass) {
        influencesteps::placeTrialMass(h, mass);
        ASSERT_TRUE(data().massConfirmed);
    }
    void tap(const std::string& label, int frames = 100) {
        ASSERT_TRUE(h.tap(label)) << label;
        h.run(frames);
    }
    // Types `text` on the open keypad and presses Enter.
    void type(const std::string& text) {
        g._keyboardText = text;
        h.key(GuiKey::Enter);
        h.run(400);
    }
    std::string shown(const std::string& label) {
        const UiItem* i = item(label);
        return i ? i->text : "<none>";
    }
};

const std::vector<Complex> kReference = {fromPolarDeg(10, 30), fromPolarDeg(8, 75)};
const std::vector<Complex> kTrialOne = {fromPolarDeg(20, 60), fromPolarDeg(16, 255)};
const std::vector<Complex> kTrialTwo = {fromPolarDeg(30, 90), fromPolarDeg(24, 90)};

TEST(InfluenceScreen, FirstFrameByTheRotorsCoefficients) {
    for (const bool factors : {false, true}) {
        SCOPED_TRACE(factors);
        Influence f({1, 2}, factors);
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(std::pair(f.rotor->trialMass(i), f.rotor->trialAngle(i)), std::pair(0.0, 0.0));
        EXPECT_EQ(f.data().factorView, factors);
        EXPECT_EQ(f.item("P1") == nullptr, factors);  // run buttons only while determining
        EXPECT_EQ(f.item("K12") != nullptr, factors);
        EXPECT_EQ(f.h.machine().count("requestDriveSetup"), 1);
        f.tap("Save IC", 400);
        EXPECT_EQ(f.g.currentScreen(), factors ? Gui::ScreenId::Balancing : Gui::ScreenId::Influence);
    }
}

// Three planes, the middle one without a channel: runs 0, 1 and 3; then
// "Save IC" from either screen that opens this one.
TEST(InfluenceScreen, RunsFollowThePlanesWithChannelsAndSaveIcRoutes) {
    for (const bool balancing : {false, true}) {
        SCOPED_TRACE(balancing);
        Influence f({1, 0, 2}, false, balancing ? Gui::ScreenId::Balancing : Gui::ScreenId::Editing, [](Rotor& r) {
            Plane& p = r.data().planes[0];  // drilled: the first frame after Save IC shows its depth
            p.mode = jobrec::kModeRemoval, p.mean = jobrec::kMeanRadialDrilling, p.holeDiameter = 8;
            p.maxDrillDepth = 60, r.data().permissibleUnbalance = 20;
        });
        ASSERT_TRUE(f.rotor->loadRotor(nullptr, 0));  // in the rotor database
        for (const auto& [run, state] : {std::pair{"0", ""}, {"P1", ""}, {"P2", "disabled"}, {"P3", ""}})
            EXPECT_EQ(f.shown(run), state) << run;
        EXPECT_EQ(f.g._hintDetails, "Start measuring without trial mass");
        struct Step {
            const std::vector<Complex>* values;
            int doneMask, nextRun;
        };
        for (const Step& s :
             {Step{&kReference, 0b0001, 1}, {&kTrialOne, 0b0011, 3}, {&kTrialTwo, 0b1011, 3}}) {
            SCOPED_TRACE(s.doneMask);
            if (f.data().currentRun != 0) f.confirmTrialMass("10");
            f.measure(*s.values);
            EXPECT_EQ(f.g._measuringMode, 0);
            EXPECT_EQ(f.data().doneMask, s.doneMask);
            EXPECT_EQ(f.g._icRunMask, s.doneMask);
            EXPECT_EQ(f.data().currentRun, s.nextRun);
            EXPECT_FALSE(f.data().massConfirmed);
        }
        // All runs done: the coefficients are computed (their values: InfluenceRoad).
        EXPECT_TRUE(f.rotor->hasFactors());
        EXPECT_FALSE(f.data().autoAdvance);
        ASSERT_TRUE(f.data().allRunsDone());
        f.tap("Save IC", GuiHarness::kFrameMs);
        const double depth = f.rotor->correctionAmount(0, false), mass = f.rotor->correctionAmount(0, true) / 100;
        const std::string shown = ks::format("{:.1f} mm", depth);  // drawn as "7" and ".3 mm"
        EXPECT_TRUE(depth != mass && f.h.probe().shows(shown.substr(shown.find('.')))) << shown;
        EXPECT_EQ(f.g.currentScreen(), Gui::ScreenId::Balancing);
        // Opened from Editing the Balancing screen is new and the data gone;
        // from Balancing it is the same screen with its data.
        const std::size_t kept = balancing ? 0 : 1;
        EXPECT_EQ(std::pair(f.g._backStack.size(), f.g._dataStack.size()), std::pair(kept, kept));
        EXPECT_TRUE(!balancing || f.g._data == f.under);
        // The coefficients went into the database file.
        Rotor stored(f.g._config);
        ASSERT_TRUE(stored.loadRotor("Shaft.rotor", 1));
        EXPECT_TRUE(stored.hasFactors());
    }
}

// Trial runs alike in both planes: no coefficients, nothing stored, still here; a repeated run gives them.
TEST(InfluenceScreen, AFailedDeterminationLocksSaveIcUntilARunIsRepeated) {
    Influence f;
    ASSERT_TRUE(f.rotor->loadRotor(nullptr, 0));  // in the rotor database
    f.measure(kReference);
    for (int k = 0; k < 2; ++k) f.confirmTrialMass("10"), f.measure(kTrialOne);
    EXPECT_TRUE(f.h.probe().shows("Imbalance calculation error") && f.h.probe().shows("Failed Gaussian Test"));
    f.g.pressModalButton(0), f.tap("Save IC", 400);
    Rotor stored(f.g._config);
    EXPECT_FALSE(!stored.loadRotor("Shaft.rotor", 1) || stored.hasFactors() || f.rotor->hasFactors());
    f.tap("P2"), f.confirmTrialMass("10"), f.measure(kTrialTwo), f.tap("Save IC", 400);
    EXPECT_EQ(f.g.currentScreen(), Gui::ScreenId::Balancing);
}

// Save IC records the run and saves the rotor: a file that does not take it is said with the reason.
TEST(InfluenceScreen, ASaveIcTheHistoryFileCannotTakeIsAnError) {
    for (const bool database : {false, true}) {  // the history's file (a name too long), the database's
        Influence f({1, 2}, false, Gui::ScreenId::Editing, [database](Rotor& r) {
            if (!database) r.setName(std::string(240, 'L').c_str());
            if (database) r.loadRotor(nullptr, 0), std::filesystem::remove_all("db"), testwd::writeFile("db", "");
        });
        f.measure(kReference);
        f.confirmTrialMass("10"), f.measure(kTrialOne), f.confirmTrialMass("10"), f.measure(kTrialTwo);
        f.tap("Save IC", 400);
        EXPECT_EQ(f.rotor->runCount(), 1);
        EXPECT_EQ(f.g._modalText + "|" + f.g._modalDetails, database ? "Error!|Not a directory" : "Error!|File name too long");
    }
}

TEST(InfluenceScreen, ARunButtonStopsTheAutomaticAdvance) {
    Influence f;
    f.measure(kReference);
    ASSERT_EQ(f.data().currentRun, 1);
    f.tap("0");
    EXPECT_FALSE(f.data().autoAdvance);
    f.measure(kReference);
    EXPECT_EQ(f.data().currentRun, 0);
    f.tap("P2");
    f.confirmTrialMass("5");
    f.measure(kTrialTwo);
    EXPECT_EQ(f.data().currentRun, 2);
    EXPECT_EQ(f.data().doneMask, 0b101);
}

// At the road's size nothing scrolls and no edge is shaded.
TEST(InfluenceScreen, TrialPlanePanel) {
    Influence f;
    f.h.machine().angle = 123;
    f.measure(kReference);
    ASSERT_EQ(f.data().currentRun, 1);
    EXPECT_EQ(f.g._hintDetails, "Move the trial mass to the selected plane and start measuring");
    const ImGuiWindow* content = ImGui::FindWindowByName(InfluenceData::kContentWindow);
    EXPECT_EQ(content->ScrollMax.y, 0);
    EXPECT_FALSE(drewColour(ImVec2(1278, 90), ImVec2(1280, 100), IM_COL32(0, 0, 0, 40)));
    // Until an angle is entered the entry shows the machine's angle.
    EXPECT_EQ(f.shown("Trial mass setting angle"), "123");
    f.h.machine().angle = 124.5;
    f.h.frame();
    EXPECT_EQ(f.shown("Trial mass setting angle"), "124.5");

    // "Ready" without a mass opens the keypad for it; Start stays locked.
    f.tap("Ready", 400);
    EXPECT_EQ(f.data().editTarget, InfluenceData::kMassEntry);
    EXPECT_EQ(f.g._keyboardState, Gui::kShown);
    f.type("12,5");
    EXPECT_EQ(f.rotor->trialMass(0), 12.5);
    EXPECT_EQ(f.rotor->trialMass(1), 12.5);  // the planes after it take it too
    EXPECT_FALSE(f.start());

    // "Ready" without an angle keeps the shown one.
    f.tap("Ready");
    EXPECT_TRUE(f.data().massConfirmed);
    EXPECT_EQ(f.rotor->trialAngle(0), 124.5);
    f.h.machine().angle = 200;
    f.h.frame();
    EXPECT_EQ(f.shown("Trial mass setting angle"), "124.5");

    // A mass of 0, typed in the entry above the keypad, withdraws the
    // confirmation and locks Start; the content comes back as the keypad closes.
    f.tap("Trial mass", 400);
    EXPECT_GT(content->Scroll.y, 0);
    EXPECT_LE(f.item("Trial mass")->max.y, f.g._keyboardTop);
    f.type("0");
    EXPECT_EQ(content->Scroll.y, 0);
    EXPECT_FALSE(f.data().massConfirmed);
    EXPECT_FALSE(f.start());

    // An entered angle is shown and confirms nothing; text that is no number is 0.
    for (const auto& [typed, angle] : {std::pair{"30", 30.0}, {"1e999", 0.0}, {"abc", 0.0}}) {
        SCOPED_TRACE(typed);
        f.enter("Trial mass setting angle", typed);
        EXPECT_EQ(f.rotor->trialAngle(0), angle);
        EXPECT_TRUE(f.data().angleEntered);
        EXPECT_EQ(f.shown("Trial mass setting angle"), ks::format("{}", angle));
    }
    f.confirmTrialMass("3");
    EXPECT_EQ(f.rotor->trialAngle(0), 0.0);
    EXPECT_TRUE(f.start());
}

TEST(InfluenceScreen, UnmeasuredRunsLeaveTheMaskAndTheRun) {
    struct Case {
        bool test;
        int results;
        std::vector<Complex> values;
    };
    for (const Case& c : {Case{true, 3, kReference}, {false, 0, {}}, {false, 1, {}}}) {
        SCOPED_TRACE(c.results);
        Influence f;
        if (c.test)
            f.tap("Test");
        else
            ASSERT_TRUE(f.start());
        ASSERT_EQ(f.g.currentScreen(), Gui::ScreenId::Measuring);
        EXPECT_EQ(f.g._measuringMode, c.test ? 1 : 0);
        EXPECT_EQ(f.g._resultsExpected, !c.test);
        EXPECT_EQ(f.h.machine().count("resetResults"), 1);
        f.comeBack(c.values, c.results);
        EXPECT_EQ(std::pair(f.data().doneMask, f.data().currentRun), std::pair(0, 0));
        EXPECT_FALSE(f.g._resultsExpected);
    }
}

TEST(InfluenceScreen, CoefficientView) {
    Influence f({1, 2}, true);
    f.rotor->data().references = {Vector(1.5, 0), Vector(2, 0), Vector(3, 0), Vector(4, 0), Vector(5, 0),
                                  Vector(6, 0)};
    f.h.frame();
    for (const char* k : {"K11", "K12", "K21", "K22"}) EXPECT_EQ(f.shown(k), "0.5") << k;
    EXPECT_TRUE(f.h.probe().shows("A02 = 2 / 0 °"));
    EXPECT_TRUE(f.h.probe().shows("A22 = 6 / 0 °"));

    f.enter("K12", "2,5");
    // The angle entries carry no label: K21's follows its modulus.
    const auto& items = f.h.probe().items();
    std::size_t k = 0;
    while (k + 1 < items.size() && items[k].label != "K21") ++k;
    ASSERT_LT(k + 1, items.size());
    f.h.tapAt(items[k + 1].centre());
    f.h.run(400);
    f.type("45");
    struct Case {
        int i, j;
        double modulus, angle;
    };
    for (const Case& c : {Case{1, 2, 2.5, 0}, {2, 1, 0.5, 45}}) {
        double modulus = 0, angle = 0;
        f.rotor->factorData(InfluenceData::kReadFactor, c.i, c.j, &modulus, &angle);
        EXPECT_NEAR(modulus, c.modulus, 1e-12) << c.i << c.j;
        EXPECT_NEAR(angle, c.angle, 1e-9) << c.i << c.j;
    }

    // The determination view: the measured values cut before their runs.
    f.tap("Measurements");
    EXPECT_TRUE(f.h.probe().shows("A01 ="));
    EXPECT_FALSE(f.h.probe().shows("A01 = "));
    EXPECT_EQ(InfluenceData::measuredLine(*f.rotor, 12, 10, false), "A1210 =");
}

TEST(InfluenceScreen, ShadowTapClosesNothingAndWithoutARotorOnlyTheFrame) {
    Influence f;
    const UiItem* shadow = f.item("shadow");
    ASSERT_NE(shadow, nullptr);
    f.h.tapAt(ImVec2(shadow->min.x + 5, shadow->max.y - 5));
    f.h.run(100);
    EXPECT_EQ(f.g.currentScreen(), Gui::ScreenId::Influence);
    EXPECT_FALSE(f.g._onBack);
    f.g._rotor = nullptr;  // the harness's Gui still owns it
    f.h.run(100);
    EXPECT_EQ(f.g._data, nullptr);
    EXPECT_EQ(f.item("Save IC"), nullptr);
    f.g._rotor = f.rotor;
}

TEST(InfluenceScreen, DisplaySelectorHoldsItsLabels) {
    const char* const labels[] = {"Measurements", "Influence Coefficients", "Измерения", "Коэффициенты влияния"};
    for (const float width : {790.0f, 1280.0f})
        for (int i = 0; i < 4; ++i) {
            Influence f;
            setLanguage(i < 2);
            f.h.resize(width, 960);
            f.h.run(100);
            const UiItem* option = f.item(labels[i]);
            ASSERT_NE(option, nullptr) << labels[i];
            ImFont* font = uiFont(fontslot::kRegular24);
            EXPECT_LT(font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, labels[i]).x, option->max.x - option->min.x)
                << labels[i] << " " << width;
        }
}

}  // namespace
