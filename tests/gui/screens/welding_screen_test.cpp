// The Welding screen: entries and the keyboard chain, the mode controls, the
// start switch by mode, completion and the busy frame, machine errors.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gui/screens/welding.h"
#include "records/settings_records.h"
#include "support/gui_harness.h"
#include "support/work_dir.h"

namespace {

using Strings = std::vector<std::string>;
const char* const kModes[] = {"Fast rotation", "JOG", "Auto JOG", "Welding"};

struct Rig {
    testwd::WorkDir dir{"ks_weld", testwd::Logs::folder};
    GuiHarness h;
    FakeMachine& m = h.machine();

    explicit Rig(double diameter = 0, unsigned thickness = 0) {
        h.frame();
        h.gui().setScreen(true, &Gui::welding);
        h.run(400);
        d().pipeDiameter = diameter;
        d().wallThickness = thickness;
    }
    Welding::Data& d() { return dynamic_cast<Welding::Data&>(*h.gui()._data); }
    const UiItem* item(const std::string& label, const std::string& text) const {
        for (const UiItem& i : h.probe().items())
            if (i.label == label && i.text == text) return &i;
        return nullptr;
    }
    void enter(const char* entry, const char* text) {  // null: the keyboard is up already
        if (entry) h.tap(entry);
        h.run(400);
        h.type(text);
        h.frame();
        h.key(GuiKey::Enter);
        h.frame();
    }
    void select(int mode) {
        if (d().mode() != mode) h.tap(kModes[mode], "");
    }
    void toggleSwitch() {  // slid to its end, or touched while running
        const ImVec2 at(h.probe().find("Start")->min.x + 40, h.probe().find("Start")->centre().y);
        for (float dx = 0; dx <= 80; dx += 10) {
            h.press(ImVec2(at.x + dx, at.y));
            h.frame();
        }
        h.release();
        h.frame(2);
    }
    Strings sent() {  // the welding set-points since the last call
        Strings out;
        for (const std::string& c : m.calls)
            for (const char* p : {"setPipe", "setFast", "setJog", "setWeld"})
                if (c.rfind(p, 0) == 0) out.push_back(c);
        m.calls.clear();
        return out;
    }
    int logged(const std::string& line) const {
        const std::string log = testwd::readFile(dir.path() / "logs" / "welding.log");
        int n = 0;
        for (auto at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
        return n;
    }
};

TEST(WeldingScreenEntries, RangesThicknessModesAndTheChain) {
    struct Case {
        const char *entry, *typed, *sent;
    } cases[] = {
        {"Pipe diameter", "300", "setPipeDiameter(250)"}, {"Pipe diameter", "5", "setPipeDiameter(20)"},
        {"Pipe diameter", "nan", "setPipeDiameter(20)"},  {"Pipe diameter", "112,5", "setPipeDiameter(112.5)"},
        {"Wall thickness", "7", "setPipeThickness(6)"},   {"Wall thickness", "8", "setPipeThickness(6)"},
        {"Wall thickness", "40", "setPipeThickness(8)"},  {"Wall thickness", "6.9", "setPipeThickness(5)"},
        {"Wall thickness", "0", "setPipeThickness(0)"},   {"Wall thickness", "-5", "setPipeThickness(0)"},
    };
    for (const Case& c : cases) {
        Rig r(0, 3);  // with a thickness: no chain
        r.enter(c.entry, c.typed);
        EXPECT_EQ(r.sent(), Strings{c.sent}) << c.typed;
    }
    EXPECT_EQ(Welding::clampDiameter(NAN), 20);
    EXPECT_EQ(Welding::clampThickness(NAN), 1u);

    Rig r;
    r.enter("Pipe diameter", "100");
    r.h.tap("JOG", "");  // the screen does not react while typing
    EXPECT_EQ(r.d().mode(), Welding::kFastRotation);
    EXPECT_EQ(r.d().entry, Welding::kThicknessEntry);  // on to the thickness
    r.enter(nullptr, "4");
    r.h.run(400);
    r.enter("Pipe diameter", "80");  // with a thickness: the keyboard closes
    r.h.run(400);
    EXPECT_EQ(r.sent(), (Strings{"setPipeDiameter(100)", "setPipeThickness(3)", "setPipeDiameter(80)"}));
    EXPECT_EQ(r.d().entry, Welding::kNoEntry);
    EXPECT_EQ(r.h.gui()._keyboardState, Gui::kHidden);
}

TEST(WeldingScreenControls, SliderStepperAndWeldingButtons) {
    Rig r(100, 0);
    const UiItem slider = *r.h.probe().find("Rotational speed");
    ASSERT_EQ(slider.max.x - slider.min.x, 260);  // whole pixels: v = px x 200 / 260
    const std::pair<float, int> slides[] = {{125, 100}, {124, 95}, {-125, -100}, {-124, -95}, {6, 0},
                                            {-6, 0},    {7, 5},    {-7, -5},     {-78, -60}};
    for (bool started : {false, true}) {
        if (started) r.toggleSwitch();
        r.sent();
        for (auto [px, value] : slides) {
            r.h.press(ImVec2(slider.centre().x + px, slider.centre().y));
            r.h.frame(2);
            r.h.release();
            r.h.frame();
            EXPECT_EQ(r.h.probe().find("Rotational speed")->text, std::to_string(value) + "%") << px;
        }
        EXPECT_EQ(r.sent().size(), started ? 8u : 0u);  // each change (not 0 to 0), only while started
    }
    r.toggleSwitch();
    r.sent();

    r.select(Welding::kAutoJog);
    for (auto [from, key, to] : {std::tuple{4, "-", 2}, {2, "-", 2}, {96, "+", 98}, {98, "+", 98}}) {
        r.d().tackWelds = from;
        r.h.tap(key);
        EXPECT_EQ(r.h.probe().find("Number of tack welds")->text, std::to_string(to)) << from << key;
    }

    r.select(Welding::kJog);  // held kind: disabled without a thickness, then follows the finger
    EXPECT_NE(r.item("Welding", "disabled"), nullptr);
    r.d().wallThickness = 4;
    r.h.frame();
    r.h.press(r.item("Welding", "off")->centre());
    r.h.frame(2);
    EXPECT_NE(r.item("Welding", "on"), nullptr);
    r.h.release();
    r.h.frame();
    EXPECT_EQ(r.sent(), (Strings{"setJogWelding(1)", "setJogWelding(0)"}));

    r.select(Welding::kWeldingMode);  // toggle kind: only once started
    EXPECT_NE(r.item("Welding", "disabled"), nullptr);
    r.toggleSwitch();
    r.m.angle = 123;
    r.m.weldValue = 42;
    r.sent();
    r.h.tap("Welding", "off");
    r.h.frame();
    EXPECT_EQ(r.sent(), Strings{"setWeldWelding(1)"});
    EXPECT_EQ(r.d().targetAngle, 123);
    EXPECT_EQ(r.h.probe().find("Progress")->text, "42%");
}

TEST(WeldingScreenSwitch, StartStopByModeLockAndCompletion) {
    struct Case {
        int mode;
        double diameter, angle, target;
        Strings onStart, onStop;  // no start: locked
    } cases[] = {
        {Welding::kFastRotation, 0, 0, 0, {"setFastRotation(35)"}, {"setFastRotation(0)"}},
        {Welding::kJog, 100, 350, 10, {"setJogRotation(-20,0)"}, {"setJogRotation(0,0)"}},
        {Welding::kJog, 100, 10, 350, {"setJogRotation(20,0)"}, {"setJogRotation(0,0)"}},
        {Welding::kJog, 100, 90.2, 90.9, {"setJogRotation(1,0)"}, {"setJogRotation(0,0)"}},
        {Welding::kAutoJog, 100, 100, 10.5, {"setJogRotation(89,8)"}, {"setJogRotation(0,0)"}},
        {Welding::kWeldingMode, 100, 0, 0, {"setWeldRotation(1)"}, {"setWeldRotation(0)", "setWeldWelding(0)"}},
        {Welding::kJog, 0, 0, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(kModes[c.mode]) + " " + std::to_string(c.angle));
        Rig r(c.diameter, 4);
        r.d().rotationSpeed = 35;
        r.d().tackWelds = 8;
        r.select(c.mode);
        EXPECT_EQ(Welding::entryState(r.d(), Welding::kDiameterEntry) == kEntryInvalid, c.onStart.empty());
        r.d().targetAngle = c.target;
        r.m.angle = c.angle;
        r.sent();
        r.toggleSwitch();
        EXPECT_EQ(r.sent(), c.onStart);
        if (c.onStart.empty()) continue;
        EXPECT_EQ(r.h.probe().find(kModes[(c.mode + 1) % 4])->text, "disabled");
        EXPECT_EQ(r.h.probe().find("\xC3\x89"), nullptr);  // no back button while started
        r.toggleSwitch();
        EXPECT_EQ(r.sent(), c.onStop);
        EXPECT_EQ(r.h.probe().find(kModes[(c.mode + 1) % 4])->text, "");
    }
    Rig r(100, 4);
    r.select(Welding::kWeldingMode);
    r.toggleSwitch();
    r.h.tap("Welding", "off");
    r.m.welderActive = true;
    r.h.frame();
    EXPECT_FALSE(r.h.probe().shows("Welding is in use..."));  // nothing over the switch
    r.m.weldingReady = true;
    r.h.frame(2);
    EXPECT_FALSE(r.d().started || r.d().welding);
    EXPECT_EQ(r.h.probe().find("Start")->text, "Start");
    EXPECT_EQ(r.logged("starting") + r.logged("quiting on complete"), 2);
    // No controller to turn the pipe: Start says so and sends nothing.
    Rig demo(100, 4);
    demo.m.demo = true;
    demo.h.run(400);
    demo.h.gui().pressModalButton(0);  // the demonstration notice read
    demo.h.run(400);
    demo.toggleSwitch();
    EXPECT_EQ(demo.sent(), Strings{});
    EXPECT_NE(demo.h.gui()._modalState, Gui::kHidden);
    EXPECT_EQ(demo.h.gui()._modalText + demo.h.gui()._modalDetails, "USB device not found!");
}

TEST(WeldingScreenErrors, ReportedOnceOutputsOffEachFrameStaleCodeIgnored) {
    for (auto [mode, off] : {std::pair{0, Strings{"setFastRotation(0)"}},
                             {1, Strings{"setJogRotation(0,0)", "setJogWelding(0)"}},
                             {3, Strings{"setWeldRotation(0)", "setWeldWelding(0)"}}}) {
        Rig r(100, 4);
        r.d().rotationSpeed = 50;
        r.select(mode);
        r.toggleSwitch();
        r.m.result = 9905;
        r.sent();
        r.h.run(400);  // the box slides in and stays
        const Strings sent = r.sent();  // 25 frames, the mode's outputs off in each
        ASSERT_EQ(sent.size(), off.size() * 25) << kModes[mode];
        EXPECT_EQ(Strings(sent.end() - static_cast<long>(off.size()), sent.end()), off);
        EXPECT_EQ(r.h.gui()._modalState, Gui::kShown);
        r.m.result = 0;  // cleared and raised again: a new occurrence
        r.h.frame();
        r.m.result = 9905;
        r.h.frame();
        EXPECT_EQ(r.logged("error activated!"), 2);
    }
    Rig r;
    r.m.result = 9905;  // left by an earlier process; a start at speed 0 keeps it
    r.toggleSwitch();
    r.sent();
    r.h.frame(3);
    EXPECT_EQ(r.sent(), Strings{});
    EXPECT_EQ(r.logged("error activated!"), 0);
}

}  // namespace
