// The Balancing screen over a real two-plane Rotor and Config in a temporary
// folder, with runs measured through the rotor's intake.

#include <gtest/gtest.h>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include <cerrno>
#include <cmath>
#include <complex>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>

#include "gui/dial.h"
#include "gui/fonts.h"
#include "gui/screens/balancing.h"
#include "platform/file_replace.h"
#include "protocols/report_texts.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "rotor/rotor_measure_feed.h"
#include "rotor/rotor_report.h"
#include "rotor/test_progress.h"
#include "support/gui_harness.h"
#include "support/gui_influence_steps.h"
#include "support/protocols_pdf_inspect.h"
#include "support/sync_recorder.h"
#include "support/verification_walk.h"
#include "support/work_dir.h"
#include "texts/format.h"
#include "texts/record_tags.h"

namespace {

using BalancingData::Data;
using rotortest::Complex;
using rotortest::fromPolarDeg;

constexpr double kTolerance = 50;  // gmm
// Influence coefficients K(i, j), planes from 1: mostly direct.
const Complex kK[2][2] = {{fromPolarDeg(0.01, 0), fromPolarDeg(0.002, 90)},
                          {fromPolarDeg(0.002, 0), fromPolarDeg(0.01, 0)}};

struct Bench {
    testwd::WorkDir dir{"ks_balancing", testwd::Logs::folder};
    GuiHarness h;
    Gui& g;
    FakeMachine& m;

    explicit Bench(const std::function<void(Bench&)>& prepare = {}, bool english = true)
        : h(1280, 960, english), g(h.gui()), m(h.machine()) {
        Config& c = *g._config;
        c.channels.at(0).active = c.channels.at(1).active = true;
        c.endDrive.active = true;
        c.endDrive.maxSpeed = 3000;
        g.newRotor();
        Rotor& r = rotor();
        r.setName("Shaft");
        r.data().speed = 1000;
        r.data().permissibleUnbalance = kTolerance;
        for (auto& p : r.data().planes) p.radius = 100;
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) setK(i, j, kK[i][j]);
        if (prepare) prepare(*this);
        g.setScreen(true, &Gui::balancing);
        h.run(400);
    }
    Rotor& rotor() { return *g._rotor; }
    Data& data() { return dynamic_cast<Data&>(*g._data); }
    void setK(int i, int j, Complex k) {
        double amp = std::abs(k), deg = std::arg(k) * 180 / M_PI;
        rotor().factorData(1, i + 1, j + 1, &amp, nullptr);
        rotor().factorData(2, i + 1, j + 1, nullptr, &deg);
    }
    // The rotor's intake gets the vibration of the unbalances u0, u1 (gmm).
    void feed(Complex u0, Complex u1) {
        rotortest::feedSession(rotor(), {kK[0][0] * u0 + kK[1][0] * u1, kK[0][1] * u0 + kK[1][1] * u1});
        m.resultCount = 1;
    }
    // A run recorded straight into the rotor, as an earlier visit left it.
    void recordRun(Complex u0, Complex u1) {
        feed(u0, u1);
        ASSERT_TRUE(rotor().takeMeasurement());
        ASSERT_TRUE(rotor().computeDisbalance());
    }
    const UiItem* find(const std::string& label) { return h.probe().find(label); }
    int count(const std::string& label) {
        int n = 0;
        for (const UiItem& item : h.probe().items()) n += item.label == label;
        return n;
    }
    // Slides the start switch to its end; true when the Measuring screen opened.
    bool slideStart(const char* label = "Start") {
        const UiItem* s = find(label);
        if (!s) return false;
        const ImVec2 from(s->min.x + 20, s->centre().y);
        h.drag(from, ImVec2(from.x + 120, from.y));
        h.frame();
        return g.currentScreen() == Gui::ScreenId::Measuring;
    }
    // One run through the screen: measured, the Measuring screen returns.
    void measureRun(Complex u0, Complex u1, const char* start = "Start") {
        ASSERT_TRUE(slideStart(start));
        feed(u0, u1);  // the machine measured
        g.back();
        h.frame(2);
    }
    // The item with this label in the column of plane index `plane`.
    const UiItem* inColumn(const std::string& label, int plane) {
        const float left = data()._view.left + 248 * static_cast<float>(plane);
        for (const UiItem& item : h.probe().items())
            if (item.label == label && item.min.x >= left && item.max.x <= left + 248) return &item;
        return nullptr;
    }
    void tapIn(const std::string& label, int plane) {
        const UiItem* item = inColumn(label, plane);
        ASSERT_TRUE(item) << label << " in column " << plane;
        h.tapAt(item->centre());
        h.frame();
    }
    void ready(int plane) { tapIn("Ready", plane); }
};

const Complex kOut0 = fromPolarDeg(400, 30), kOut1 = fromPolarDeg(300, 200);  // both out of tolerance

// No file grows above `bytes` (RLIM_INFINITY: as before), as on a nearly full disk: "File too large".
void limitFileSize(rlim_t bytes) {
    rlimit limit{};
    ::signal(SIGXFSZ, SIG_IGN), ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = std::min(bytes, limit.rlim_max);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

int runsInHistoryFile(Rotor& r, Config* config) {
    Rotor copy(config);
    const std::string name = std::filesystem::path(r.nameText(true)).filename().string();
    if (!copy.loadRotor(name.c_str(), 2)) return -1;
    return copy.runCount();
}

TEST(BalancingScreen, EvaluationOfAReturnedRun) {
    struct Case {
        const char* name;
        int resultCount;
        bool fed;       // the intake holds a measurement
        bool singular;  // the coefficients cannot be solved
        int runsAdded;
        bool acknowledgementsCleared;
        bool box;
    };
    const Case cases[] = {
        {"no result from the machine", 0, true, false, 0, false, false},
        {"a measurement the rotor refuses", 1, false, false, 0, true, false},
        {"a singular coefficient matrix", 1, true, true, 0, true, true},
        {"a good run", 1, true, false, 1, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b([](Bench& b) { b.recordRun(kOut0, kOut1); });
        const double before = b.rotor().correctionAmount(0, true);
        b.data()._acknowledgedPlanes = 3;
        b.rotor().startSession();  // the intake holds nothing
        if (c.fed) b.feed(fromPolarDeg(100, 90), fromPolarDeg(80, 10));
        if (c.singular)
            for (int i = 0; i < 2; ++i)
                for (int j = 0; j < 2; ++j) b.setK(i, j, fromPolarDeg(0.01, 0));
        ASSERT_TRUE(b.slideStart());
        b.m.resultCount = c.resultCount;
        b.g.back();
        b.h.frame(3);
        EXPECT_FALSE(b.g._resultsExpected);
        EXPECT_EQ(b.rotor().runCount(), 1 + c.runsAdded);
        EXPECT_EQ(b.data()._acknowledgedPlanes == 0, c.acknowledgementsCleared);
        EXPECT_EQ(b.h.probe().shows("Imbalance calculation error"), c.box);
        EXPECT_EQ(b.h.probe().shows("Failed Gaussian Test"), c.box);
        if (c.runsAdded == 0) EXPECT_EQ(b.rotor().correctionAmount(0, true), before);
        else EXPECT_NEAR(b.rotor().correctionAmount(0, true), 100, 1e-6);
    }
}

TEST(BalancingScreen, OneEvaluationPerReturnAndNoneForAStaleRequest) {
    Bench b;
    b.measureRun(kOut0, kOut1);
    b.h.frame(5);
    EXPECT_EQ(b.rotor().runCount(), 1);
    EXPECT_EQ(runsInHistoryFile(b.rotor(), b.g._config), 1);

    // Home while measuring drops the request (the Measuring screen's part);
    // a stale one, however it came, is not taken by a fresh screen either.
    for (int i = 0; i < 2; ++i) b.data()._acknowledgedPlanes |= 1u << i;
    ASSERT_TRUE(b.slideStart());
    b.feed(kOut0, kOut1);
    b.g.pressHome();
    b.h.run(400);
    ASSERT_TRUE(b.g.onHomeScreen());
    EXPECT_FALSE(b.g._resultsExpected);
    b.g._resultsExpected = true;
    b.g.setScreen(true, &Gui::balancing);
    b.h.frame(3);
    EXPECT_FALSE(b.g._resultsExpected);
    EXPECT_EQ(b.rotor().runCount(), 1);
}

// A name from a file too long for a history file name: the run is kept, the screen says why.
TEST(BalancingScreen, ARunTheHistoryFileCannotTakeIsAnError) {
    Bench b([](Bench& b) { b.rotor().setName(std::string(240, 'L').c_str()); });
    b.measureRun(kOut0, kOut1);
    b.h.frame(5);
    EXPECT_EQ(b.rotor().runCount(), 1);
    EXPECT_TRUE(b.h.probe().shows("Error!"));
    EXPECT_EQ(b.g._modalDetails, "File name too long");
    EXPECT_STREQ(b.rotor().nameText(true), "");  // no record holds the run: the next one makes one
    b.g.pressModalButton(0), b.h.run(400);
    ASSERT_FALSE(b.h.probe().shows("Error!"));
    b.data()._listOpen = true, b.h.frame(2);  // a run added on the strip
    EXPECT_EQ(b.rotor().runCount(), 2);
    EXPECT_TRUE(b.h.probe().shows("Error!"));
}

// A plain rotor's run that its open record cannot take stays on the screen, said in the screen's
// language; the runs after it go into a new record of every run, never one that misses it.
TEST(BalancingScreen, APlainRotorsRunsAfterARefusedOneGoIntoARecordOfEveryRun) {
    Bench b({}, false);
    for (const rlim_t room : {RLIM_INFINITY, rlim_t{100}, RLIM_INFINITY}) {
        limitFileSize(room), b.data()._acknowledgedPlanes = 3;
        b.measureRun(kOut1, kOut0, "Пуск"), limitFileSize(RLIM_INFINITY), b.h.run(400);
        EXPECT_EQ(b.g._modalState == Gui::kShown ? b.g._modalText + b.g._modalDetails : "",
                  room == 100 ? "Ошибка!Файл слишком велик" : "");
        b.g.pressModalButton(0), b.h.run(400);
    }
    RotorData record;
    ASSERT_TRUE(record.load(ks::format("history/{}", b.rotor().nameText(true))));
    EXPECT_EQ(record.runs.size(), 3u);
}

TEST(BalancingScreen, AControlRotorStoresItsResultListAtRun32) {
    for (int runs : {31, 32}) {
        SCOPED_TRACE(runs);
        Bench b([runs](Bench& b) {
            b.rotor().data().controlRotor = true;
            for (int k = 0; k < runs; ++k) {
                Measurement m;
                m.results.resize(2);
                b.rotor().data().runs.push_back(m);
            }
            b.rotor().selectRun(runs - 1);  // without test masses nothing is asked
        });
        ASSERT_FALSE(b.rotor().hasResults());
        b.measureRun(kOut0, kOut1);
        EXPECT_EQ(b.rotor().currentRun(), runs);
        EXPECT_EQ(b.rotor().hasResults(), runs == 32);
    }
}

TEST(BalancingScreen, StartLockFollowsTheShownPlanes) {
    struct Case {
        const char* name;
        std::function<void(Bench&)> act;
        bool opens;
    };
    const Case cases[] = {
        {"one plane not ready", [](Bench& b) { b.ready(0); }, false},
        {"every plane ready", [](Bench& b) { b.ready(0); b.h.frame(); b.ready(1); }, true},
        {"unbalances shown", [](Bench& b) { ASSERT_TRUE(b.h.tap("Unbalances")); }, true},
        {"compensator pending", [](Bench& b) { ASSERT_TRUE(b.h.hold("Compensator", 700)); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b([](Bench& b) { b.recordRun(kOut0, kOut1); });
        ASSERT_EQ(b.data()._shownPlanes, 3u);
        c.act(b);
        b.h.frame(2);
        EXPECT_EQ(b.slideStart(), c.opens);
    }
}

// Radial drilling 1 mm deep at most: a plane beyond its limit is out of tolerance (no badge, no green
// dial, no done mark of its own) and holds no Start back.
TEST(BalancingScreen, PlanesBeyondTheirCorrectionLimit) {
    for (const Complex u0 : {kOut0, fromPolarDeg(20, 30)}) {  // plane 1 beyond its limit too, or in tolerance
        Bench b([u0](Bench& b) {
            for (Plane& p : b.rotor().data().planes)
                p.mode = jobrec::kModeRemoval, p.mean = jobrec::kMeanRadialDrilling, p.holeDiameter = 8, p.maxDrillDepth = 1;
            b.recordRun(u0, kOut1);
        });
        EXPECT_FALSE(b.find("badge") || (b.data().dialFlags & kDialHighlight) || !b.h.probe().shows("correction limit!"));
        for (const UiItem& item : b.h.probe().items())
            EXPECT_FALSE(item.text == "Â" && item.min.x >= b.data()._view.left + 248) << "a done mark in plane 2";
        EXPECT_TRUE(b.slideStart()) << std::abs(u0);
    }
}

TEST(BalancingScreen, ToolbarRequests) {
    struct Case {
        const char* name;
        bool external;
        std::function<void(Bench&)> act;
        Gui::ScreenId screen;
        int mode;
        bool expected;
    };
    const Case cases[] = {
        {"Start", false, [](Bench& b) { ASSERT_TRUE(b.slideStart("Start")); }, Gui::ScreenId::Measuring, 0, true},
        {"Measure", true, [](Bench& b) { ASSERT_TRUE(b.slideStart("Measure")); }, Gui::ScreenId::Measuring, 0, true},
        {"Test", false, [](Bench& b) { ASSERT_TRUE(b.h.tap("Test")); }, Gui::ScreenId::Measuring, 1, false},
        {"Redetermine IC", false, [](Bench& b) { ASSERT_TRUE(b.h.tap("Redetermine IC")); }, Gui::ScreenId::Influence,
         7, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b([&c](Bench& b) { b.m.external = c.external; });
        b.g._measuringMode = 7;
        b.g._icFromBalancing = false;
        const int resets = b.m.count("resetResults");
        c.act(b);
        b.h.frame(2);
        EXPECT_EQ(b.g.currentScreen(), c.screen);
        EXPECT_EQ(b.g._measuringMode, c.mode);
        EXPECT_EQ(b.g._resultsExpected, c.expected);
        // The influence-coefficient screen shows its own mask of done runs.
        EXPECT_EQ(b.g._icRunMask, c.screen == Gui::ScreenId::Influence ? 0 : -1);
        EXPECT_EQ(b.g._icFromBalancing, c.screen == Gui::ScreenId::Influence);
        EXPECT_EQ(b.m.count("resetResults") - resets, c.screen == Gui::ScreenId::Measuring ? 1 : 0);
    }
}

TEST(BalancingScreen, NewBalancingClearsRunsOnlyOnYes) {
    const std::function<void(Bench&)> answers[] = {
        [](Bench& b) { ASSERT_TRUE(b.h.tap("Yes")); },
        [](Bench& b) { ASSERT_TRUE(b.h.tap("No")); },
        [](Bench& b) { b.g.pressBack(); },
        [](Bench& b) { b.h.key(GuiKey::Escape); },
    };
    int k = 0;
    for (const auto& answer : answers) {
        SCOPED_TRACE(k);
        Bench b([](Bench& b) { b.recordRun(kOut0, kOut1); });
        ASSERT_TRUE(b.h.tap("New"));
        b.h.run(400);
        ASSERT_TRUE(b.h.probe().shows("Start balancing again"));
        answer(b);
        b.h.run(400);
        EXPECT_EQ(b.rotor().runCount(), k == 0 ? 0 : 1);
        EXPECT_EQ(b.g._modalState, Gui::kHidden);
        EXPECT_EQ(b.g.currentScreen(), Gui::ScreenId::Balancing);
        ++k;
    }
}

TEST(BalancingScreen, DialMarkersAndTheTarget) {
    {
        Bench b;
        EXPECT_EQ(b.count("marker"), 0);
        EXPECT_FALSE(b.h.probe().shows("Correction angle"));
        EXPECT_FALSE(b.find("measurement"));
    }
    struct Case {
        double rotorAngle;
        bool inPosition;
    };
    const Case cases[] = {{0.5, true}, {357.5, true}, {1.5, false}, {356.5, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rotorAngle);
        Bench b([](Bench& b) {
            b.g._config->angleAccuracy = 2;
            b.recordRun(kOut0, kOut1);
        });
        b.rotor().data().planes[0].massAngle = 359;
        b.m.angle = c.rotorAngle;
        b.h.frame();
        EXPECT_EQ((b.data().targetMask & 1) != 0, c.inPosition);
        EXPECT_EQ((b.data().dialFlags & kDialHighlight) != 0, c.inPosition);
    }
    Bench b([](Bench& b) { b.recordRun(kOut0, kOut1); });
    EXPECT_EQ(b.count("marker"), 2);
    b.ready(0);
    b.h.frame();
    EXPECT_EQ(b.count("marker"), 1);
    EXPECT_TRUE(b.h.probe().shows("Ready"));
    b.ready(0);
    b.h.frame();
    EXPECT_EQ(b.count("marker"), 2);
}

TEST(BalancingScreen, InstructionTexts) {
    struct Case {
        const char* name;
        bool english;
        std::function<void(Bench&)> set;
        std::vector<std::string> shown;
        bool ready = true;  // plane 1 may have its Ready
    };
    const auto plane0 = [](Bench& b) -> Plane& { return b.rotor().data().planes[0]; };
    const auto mill = [&](Bench& b, TextId mean, double depth) {
        plane0(b).mode = jobrec::kModeRemoval, plane0(b).mean = mean, plane0(b).maxMillDepth = depth;
        plane0(b).millWidth = 10, b.data().prepare(false);
    };
    const Case cases[] = {
        {"correction", true, {}, {"Correction angle", "Attach mass", " g", "D", "tol"}},
        {"unbalances", true, [](Bench& b) { ASSERT_TRUE(b.h.tap("Unbalances")); },
         {"Unbalance angle", "Unbalance amount", " gmm"}},
        {"Russian", false, {}, {"Угол корректировки", "Установите массу", " г"}},
        {"removal", true, [&](Bench& b) { plane0(b).mode = jobrec::kModeRemoval; }, {"Remove mass"}},
        {"end drilling", true, [&](Bench& b) {
             plane0(b).mode = jobrec::kModeRemoval;
             plane0(b).mean = jobrec::kMeanEndDrilling;
             plane0(b).holeDiameter = 8;
         }, {"Drill À8 to depth", " mm"}},
        {"radial drilling", true, [&](Bench& b) {
             plane0(b).mode = jobrec::kModeRemoval;
             plane0(b).mean = jobrec::kMeanRadialDrilling;
             plane0(b).holeDiameter = 6.5;
             plane0(b).additionalHoles = 3;
         }, {"Drill 4×À6.5 to depth"}},
        {"flat milling", true, [&](Bench& b) { mill(b, jobrec::kMeanFlatMilling, 5); }, {"Mill to depth", " mm"}},
        {"a deeper cut", true, [&](Bench& b) { mill(b, jobrec::kMeanFlatMilling, 0.5); }, {"Mill full depth, width"}},
        {"more than a flat removes", true, [&](Bench& b) { mill(b, jobrec::kMeanFlatMilling, 0.05); },
         {"Unbalance exceeds\ncorrection limit!"}, false},
        {"arc milling", true, [&](Bench& b) { mill(b, jobrec::kMeanArcMilling, 5); }, {"Mill an arc of"}},
        {"limited", true, [](Bench& b) { b.rotor().setCorrectionLimited(1); }, {"Unbalance exceeds\ncorrection limit!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b([](Bench& b) { b.recordRun(kOut0, kOut1); }, c.english);
        if (c.set) c.set(b);
        b.h.frame(2);
        for (const std::string& text : c.shown) EXPECT_TRUE(b.h.probe().shows(text)) << text;
        if (!c.ready) { EXPECT_FALSE(b.inColumn("Ready", 0)); }
    }
}

TEST(BalancingScreen, NumberFormats) {
    Bench b;
    ImGui::NewFrame();  // the fonts of a frame measure the texts
    struct Amount {
        double amount;
        int decimals;
        const char* form;  // the text's form at a wide column
    };
    const Amount amounts[] = {
        {12.345, 1, "12.3 g"}, {12.345, 4, "12.3450 g"}, {12345.6, 1, "1.2e+04 g"}, {9999.94, 1, "9999.9 g"},
        {123.4567, 4, "123.4567 g"},
    };
    EXPECT_EQ(BalancingData::amountText(39.14, "°", 1, 224), "39.1°");  // an arc, written as the angles are
    for (const Amount& a : amounts) {
        SCOPED_TRACE(a.amount);
        EXPECT_EQ(BalancingData::amountText(a.amount, "g", a.decimals, 224), a.form);
        // Narrower columns take the most decimals that still fit, down to none.
        const char* format = a.amount >= 10000 ? "{:.{}e} g" : "{:.{}f} g";
        for (float width : {150.0f, 120.0f, 90.0f, 5.0f}) {
            const std::string text = BalancingData::amountText(a.amount, "g", a.decimals, width);
            int d = a.decimals;
            while (d > 0 && ks::format(format, a.amount, d) != text) --d;
            ASSERT_EQ(ks::format(format, a.amount, d), text) << width;
            EXPECT_TRUE(d == 0 || BalancingData::numberLabel(text, ImVec2(), 0, false, width, fontslot::kRegular40));
            if (d < a.decimals) {
                EXPECT_FALSE(BalancingData::numberLabel(ks::format(format, a.amount, d + 1), ImVec2(), 0, false, width,
                                                        fontslot::kRegular40));
            }
        }
    }
    EXPECT_EQ(BalancingData::angleText(359.96, 1), "0.0°");
    EXPECT_EQ(BalancingData::angleText(359.96, 2), "359.96°");
    EXPECT_EQ(BalancingData::angleText(12.34, 2), "12.34°");
    ImGui::EndFrame();

    struct Residual {
        double u, permissible;
        bool stepMissed;  // a control rotor's verification run
        const char* text;
        bool green;
    };
    const Residual residuals[] = {
        {50, 50, false, "50.0 (1.00) gmm", false}, {49.99, 50, false, "50.0 (1.00) gmm", true},
        {25, 50, false, "25.0 (0.50) gmm", true},  {7, 0, false, "7.0 (Â) gmm", false},
        {7, -1, false, "7.0 (Â) gmm", false},      {6.9, 10, true, "6.9 (0.69) gmm", false},
    };
    for (const Residual& r : residuals) {
        bool green = !r.green;
        EXPECT_EQ(BalancingData::residualText(r.u, r.permissible, r.stepMissed, green), r.text);
        EXPECT_EQ(green, r.green) << r.u;
    }
}

TEST(BalancingScreen, DoneMarksAndGreenVerdicts) {
    // Plane 1 just inside the tolerance, plane 2 outside: one done mark, one green line.
    Bench b([](Bench& b) { b.recordRun(fromPolarDeg(49.99, 30), kOut1); });
    int done = 0;
    for (const UiItem& item : b.h.probe().items()) done += item.text == "Â" || item.label == "Â";
    EXPECT_EQ(done, 2);  // angle and amount of plane 1
    EXPECT_TRUE(b.h.probe().shows("(1.00) gmm"));
    EXPECT_EQ(b.count("marker"), 1);
}

TEST(BalancingScreen, InToleranceOnTheBadgesOwnGround) {
    Bench b([](Bench& b) { b.recordRun(fromPolarDeg(20, 30), fromPolarDeg(30, 200)); });
    EXPECT_TRUE(b.find("badge") && b.find("badge")->text == "IN TOLERANCE");
}

TEST(BalancingScreen, RunStrip) {
    Bench b([](Bench& b) {
        for (int k = 0; k < 3; ++k) b.recordRun(kOut0, kOut1);
        b.rotor().selectRun(0);
    });
    const UiItem* strip = b.find("measurement");
    ASSERT_TRUE(strip);
    const ImVec2 min = strip->min, max = strip->max;
    const float width = max.x - min.x, height = max.y - min.y, y = (min.y + max.y) / 2;

    b.h.tapAt(ImVec2(min.x + width / 10, y));
    b.h.frame();
    EXPECT_EQ(b.rotor().currentRun(), 2);  // from the first run to the last
    b.h.tapAt(ImVec2(max.x - width / 10, y));
    b.h.frame();
    EXPECT_EQ(b.rotor().currentRun(), 0);

    b.h.drag(ImVec2(min.x + width / 2, y), ImVec2(min.x + width / 2 - 0.8f * height, y));  // over half an item
    b.h.frame();
    EXPECT_EQ(b.rotor().currentRun(), 1);
    b.h.drag(ImVec2(min.x + width / 2, y), ImVec2(min.x + width / 2 - 0.6f * height, y));  // under half an item
    b.h.frame();
    EXPECT_EQ(b.rotor().currentRun(), 1);

    // Pulled down into the red box: one run more, in the history file too.
    const int files = runsInHistoryFile(b.rotor(), b.g._config);
    ASSERT_EQ(files, 3);
    b.h.press(ImVec2(min.x + width / 2, y));
    b.h.frame(2);
    for (float dy : {10.0f, 20.0f, 40.0f, 60.0f}) {
        b.h.press(ImVec2(min.x + width / 2, y + dy));
        b.h.frame();
    }
    EXPECT_TRUE(b.find("+"));
    b.h.frame(5);  // resting in the box adds no more
    b.h.release();
    b.h.frame(2);
    EXPECT_EQ(b.rotor().runCount(), 4);
    EXPECT_EQ(b.rotor().currentRun(), 3);
    EXPECT_EQ(runsInHistoryFile(b.rotor(), b.g._config), 4);
}

TEST(BalancingScreen, Compensator) {
    {
        // A short touch with a stored result recomputes at once.
        Bench b([](Bench& b) {
            b.recordRun(kOut0, kOut1);
            b.recordRun(fromPolarDeg(200, 30), kOut1);
            b.rotor().saveResult(false);
        });
        ASSERT_TRUE(b.data().compensator());
        const double with = b.rotor().correctionAmount(0, false);
        ASSERT_TRUE(b.h.tap("Compensator"));
        b.h.frame();
        EXPECT_FALSE(b.data().compensator());
        EXPECT_FALSE(b.data()._compensatorPending);
        EXPECT_NE(b.rotor().correctionAmount(0, false), with);
    }
    Bench b([](Bench& b) { b.recordRun(kOut0, kOut1); });
    ASSERT_TRUE(b.h.hold("Compensator", 700));
    b.h.frame();
    EXPECT_TRUE(b.data()._compensatorPending);
    EXPECT_TRUE(b.h.probe().shows("Compensator mode enabled."));
    b.g.pressBack();  // cancels the determination, stays on the screen
    b.h.frame(2);
    EXPECT_FALSE(b.data()._compensatorPending);
    EXPECT_FALSE(b.data().compensator());
    EXPECT_EQ(b.g.currentScreen(), Gui::ScreenId::Balancing);
    EXPECT_FALSE(b.g._onBack);

    ASSERT_TRUE(b.h.hold("Compensator", 700));
    b.h.frame();
    ASSERT_TRUE(b.data()._compensatorPending);
    b.measureRun(fromPolarDeg(200, 30), kOut1);
    EXPECT_TRUE(b.rotor().hasResults());
    EXPECT_TRUE(b.data().compensator());
    EXPECT_FALSE(b.data()._compensatorPending);
    EXPECT_FALSE(b.h.probe().shows("Compensator mode enabled."));
    EXPECT_FALSE(b.g._onBack);  // a later Back is the screen's own again
}


// Plane 1 corrects on three indexed positions.
void indexedFirstPlane(Bench& b) {
    Plane& p = b.rotor().data().planes[0];
    p.mean = jobrec::kMeanIndexed;
    p.positions = 3;
    b.recordRun(kOut0, kOut1);
}

TEST(BalancingScreen, IndexedPositions) {
    Bench b(indexedFirstPlane);
    ASSERT_EQ(b.data()._positionPlanes & 1, 1u);
    ASSERT_TRUE(b.rotor().hasPositions(0));

    // The set-up: Cancel leaves the trial angle, Ready takes the rotor angle.
    const double angle = b.rotor().trialAngle(0);
    EXPECT_FALSE(b.inColumn("!", 1));
    b.tapIn("!", 0);
    EXPECT_EQ(b.data()._selectedColumn, 1);
    EXPECT_TRUE(b.h.probe().shows("Indexed position"));
    EXPECT_FALSE(b.find("measurement"));
    ASSERT_TRUE(b.h.tap("Cancel"));
    b.h.frame();
    EXPECT_EQ(b.data()._selectedColumn, 0);
    EXPECT_EQ(b.rotor().trialAngle(0), angle);
    b.tapIn("!", 0);
    b.m.angle = 42.5;
    b.h.frame();
    b.ready(0);
    EXPECT_EQ(b.data()._selectedColumn, 0);
    EXPECT_DOUBLE_EQ(b.rotor().trialAngle(0), 42.5);

    // "Next" walks the position pairs, "<" steps back.
    EXPECT_FALSE(b.inColumn("Next", 1));  // a plane without positions reads Ready
    const double first = b.rotor().correctionAngle(0, false);
    b.tapIn("Next", 0);
    EXPECT_TRUE(b.rotor().hasUsedPositions(0));
    b.tapIn("<", 0);
    EXPECT_FALSE(b.rotor().hasUsedPositions(0));
    EXPECT_DOUBLE_EQ(b.rotor().correctionAngle(0, false), first);
}

TEST(BalancingScreen, IncreasedAccuracyKeepsTheNearestSplit) {
    Bench b(indexedFirstPlane);
    const double before = b.rotor().correctionAngle(0, false);
    ASSERT_TRUE(b.h.tap("Increased accuracy"));
    b.h.frame();
    ASSERT_TRUE(b.data().increasedAccuracy());
    const double kept = BalancingData::angleDistance(b.rotor().correctionAngle(0, false), before);
    // No later split of the walk lies nearer the angle worked with before.
    for (int step = 0; step < 6 && b.rotor().hasPositions(0); ++step) {
        b.rotor().splitToPositions(0, true);
        EXPECT_GE(BalancingData::angleDistance(b.rotor().correctionAngle(0, false), before) + 1e-9, kept) << step;
    }
}

TEST(BalancingScreen, ControlRotorTestTable) {
    struct Case {
        const char* name;
        std::vector<double> stage;  // plane 1's unbalance in runs 7, 8, 9
        int selected;               // the current run
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"the band", {100, 100, 130}, 9, {"test row", "test row", "test row outside"}},
        {"a marked row", {100, 100, 130}, 8, {"test row", "test row marked", "test row outside"}},
        {"no mean", {0, 0, 0}, 9, {"test row", "test row", "test row"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b([&c](Bench& b) {
            b.rotor().setPlaneCount(3), b.rotor().setPlaneChannels(2, 0, 0);  // P2 without a channel
            for (Plane& p : b.rotor().data().planes) p.massUmar = 3.75, p.minMass = 10;
            b.rotor().data().controlRotor = true;
            for (int run = 0; run < 10; ++run) {
                Measurement m;
                m.results.resize(2);
                const double u = run >= 7 ? c.stage[static_cast<std::size_t>(run - 7)] : 50;
                m.results[0].unbalance = Vector(u, 0), m.results[1].unbalance = Vector(77, 0);
                b.rotor().data().runs.push_back(m);
            }
            b.rotor().selectRun(c.selected);
        });
        // P2's U|mar| test mass as typed, whatever the mass step; asked after the last run only
        EXPECT_EQ(b.h.probe().shows(".75 g"), c.selected == 9);
        ASSERT_TRUE(b.h.tap("Test table"));
        b.h.frame();
        ASSERT_TRUE(b.data().testTable());
        std::vector<std::string> rows;
        for (const UiItem& item : b.h.probe().items())
            if (item.label.rfind("test row", 0) == 0 && item.min.x < b.data()._view.left + 248) rows.push_back(item.label);
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(b.h.probe().shows("|Â"), c.stage[0] == 0);
        EXPECT_FALSE(b.h.probe().shows("nan"));
        EXPECT_FALSE(b.h.probe().shows("|77.0"));  // P2 lists none of P3's readings
        EXPECT_FALSE(b.h.probe().shows("Correction angle"));  // no instructions under the table
    }
}

// A control rotor's steps as the screen asks for them: a 2 kg proving rotor's
// added unbalance as a mass above 0, a run that missed its step said, a
// correction that rounds to nothing not asked, and the compensated run
// followed by the stationary masses' removal.
TEST(BalancingScreen, ControlRotorVerificationSteps) {
    struct Case {
        double umar;
        int runs;
        double last, saved;  // the test planes' unbalance in the last run, and as saved (gmm)
        std::uint32_t shownPlanes;
        const char *shown, *badge;
    };
    const Case cases[] = {{0.8, 1, 0.24, 0, 5, ".043 g", ""},  // at 10° and 100°; "0.0 g" before
                          {10, 6, 6.9, 0, 5, "D", "Balancing required"},  // above 0.5 × U|mar| before the U|mar| test
                          {10, 3, 0.6, 0, 0, "Â", ""},  // "0.00 g" before
                          {10, 3, 8, 0, 5, ".06 g", ""},
                          {10, 34, 3.5, 3, 5, "Remove mass", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        Bench b([&c](Bench& b) {
            Rotor& r = b.rotor();
            r.setPlaneCount(3), r.setPlaneChannels(2, 0, 0);
            r.data().controlRotor = true, r.data().permissibleUnbalance = c.umar;
            for (Plane& p : r.data().planes) p.radiusSmall = 140;
            r.computeTestMasses();
            r.data().results = {Vector(c.saved, 0), Vector(), Vector(c.saved, 0)};
            r.data().runs.resize(static_cast<std::size_t>(c.runs));
            for (Measurement& m : r.data().runs) {
                m.results.resize(2);
                const double u = &m == &r.data().runs.back() ? c.last : 0.3 * c.umar;
                m.results[0].unbalance = m.results[1].unbalance = Vector(u, 0);
            }
            r.selectRun(c.runs - 1);
        });
        EXPECT_EQ(b.data()._shownPlanes, c.shownPlanes);
        EXPECT_TRUE(b.h.probe().shows(c.shown));
        EXPECT_EQ(b.find("badge") ? b.find("badge")->text : "", c.badge);
    }
}

// A proving rotor walked on a sound machine by an engineer who does what the
// screen asks after each run, position by position ("Attach mass" put on at
// the plane's r, "Remove mass" taken off where it sits): the next run reads
// the rotor's own unbalance plus what is then on it.
struct ProvingWalk : Bench {
    std::array<Complex, 2> own;
    Complex misread;  // what the machine adds in plane 1 to the moment test's last couple
    std::vector<std::array<std::string, 3>> on;  // plane index, grams, degrees as the screen says them
    int at = 0;  // the run whose asks are done
    // What the engineer does besides the asks at run `run`: before them (plane -1), or after one of
    // a plane's (its last or not). Done, it leaves the asks and markers as they stood.
    struct Step { int run, plane; bool last; std::function<void(ProvingWalk&)> act; };
    std::vector<Step> road;
    std::vector<std::string> opening;  // the asks as the run's asks began

    explicit ProvingWalk(const verification::ProvingSet& set)
        : Bench([&set](Bench& b) {
              verification::setUpProvingRotor(b.rotor(), set);
              // Its layout's zeros are no fault on a Vertical machine: Editing lets it on.
              b.g._config->machineInterface = settings_choice::kVertical;
          }) {}
    double umar() { return rotor().permissibleUnbalance(1); }
    std::array<Complex, 2> readings() {  // the middle plane's masses read in both test planes
        std::array<Complex, 2> u = own;
        const double radius = rotor().data().planes[0].radiusSmall;  // one r for every plane
        for (const auto& m : on)
            for (int k : {0, 1})
                if (m[0] != std::to_string(2 - 2 * k))
                    u[k] += fromPolarDeg(std::stod(m[1]) * radius, std::stod(m[2]));
        return u;
    }
    void run() {
        ASSERT_TRUE(slideStart()) << "Start is locked";
        std::array<Complex, 2> u = readings();
        if (rotor().runCount() >= 38) u[0] += misread;  // run 39, or a run after it
        rotortest::feedSession(rotor(), {u[0], u[1]});
        m.resultCount = 1;
        g.back();
        h.frame(2);
    }
    // Does every ask of every plane whose marker is on the dial; answers them as
    // "P2 Remove mass 0.67 g 0.0°".
    std::vector<std::string> doAsks() {
        std::vector<std::string> said;
        std::smatch a;
        opening = asks();
        take(-1, true);
        for (int i = 0; i < 3; ++i)
            for (const UiItem* ask; said.size() < 64 && asked(i) && (ask = find(ks::format("instruction{}", i + 1)));) {
                const std::string text = ask->text;
                EXPECT_TRUE(std::regex_match(text, a, std::regex(R"(([^|]+)\|([0-9.]+) g\|([0-9.]+)°)"))) << text;
                said.push_back(ks::format("P{} {} {} g {}°", i + 1, a[1].str(), a[2].str(), a[3].str()));
                const std::array<std::string, 3> mass = {std::to_string(i), a[2], a[3]};
                const auto it = std::find(on.begin(), on.end(), mass);
                EXPECT_FALSE(a[1] != "Remove mass" && it != on.end()) << said.back() << ": on already";
                if (a[1] != "Remove mass") on.push_back(mass);
                else if (it != on.end()) on.erase(it);
                else ADD_FAILURE() << said.back() << ": no such mass on";
                const bool last = !inColumn("Next", i);
                tapIn(last ? "Ready" : "Next", i);
                take(i, last);
                if (last) break;
            }
        return said;
    }
    bool missed() { return find("badge") && find("badge")->text == "Balancing required"; }
    // The 39 runs, then the one more the complete test offers: run 39 again, its masses on again.
    void walkThrough(std::vector<std::string>& said, int first = 1) {
        for (int run = first; run <= 40; ++run) {
            at = run;
            if (run == 40) {
                ASSERT_FALSE(slideStart()) << "a run on the bare rotor would take run 39's place";
                tapIn("Repeat run 39", 1);  // in P2's place
                for (const std::string& s : doAsks()) said.push_back(ks::format("again: {}", s));
            }
            const auto own =
                std::find_if(road.begin(), road.end(), [&](const Step& s) { return s.run == run && s.plane == kRun; });
            own == road.end() ? this->run() : own->act(*this);
            ASSERT_EQ(rotor().runCount(), std::min(run, 39)) << "a step repeated";
            for (const std::string& s : doAsks()) said.push_back(ks::format("{}: {}", run, s));
        }
    }

    // ---- roads besides the asks -------------------------------------------------------------
    void take(int plane, bool last) {
        for (const Step& step : road)
            if (step.run == at && step.plane == plane && step.last == last) {
                const std::vector<std::string> before = asks();
                step.act(*this);
                EXPECT_EQ(asks(), before) << at;
            }
    }
    bool asked(int i) {  // plane index i's marker stands on the dial: its asks are not all done
        for (const UiItem& m : h.probe().items())
            if (m.label == "marker" && m.text == std::to_string(i + 1)) return true;
        return false;
    }
    std::vector<std::string> asks() {  // each plane's ask, "*" after it while its marker stands
        std::vector<std::string> shown(3);
        for (int i = 0; i < 3; ++i)
            if (const UiItem* ask = find(ks::format("instruction{}", i + 1))) shown[i] = ask->text + (asked(i) ? "*" : "");
        return shown;
    }
    void roam(std::initializer_list<const char*> labels) {  // taps these in turn (È is Home)
        for (const char* label : labels) {
            ASSERT_TRUE(h.tap(label)) << label;
            h.run(400);
        }
    }
    // The program closed and started again, its clock from the same moment as every start's, then
    // the record `file` (the one the test is in when empty) opened from the History; the box that
    // the record brought as it opened, closed, in `said`.
    std::string said;
    void restart(std::string file = {}) {
        if (file.empty()) file = rotor().nameText(true);
        h.restart(), h.setWallTime(GuiHarness::kStartWall), h.run(400);
        roam({"History"});
        ASSERT_TRUE(h.tap("Proving", file)) << file;
        h.run(400), said = g._modalState == Gui::kShown ? g._modalText + "|" + g._modalDetails : "";
        if (!said.empty()) g.pressModalButton(0), h.run(400);
        roam({"History"});
        ASSERT_EQ(g.currentScreen(), Gui::ScreenId::Balancing);
    }
    // The record `older` opened after a restart takes no run; then the record `back` (if any) again.
    void visitOlder(const std::string& older, const std::string& back,
                    const char* badge = "Test continued in a newer record") {
        restart(older);
        EXPECT_FALSE(slideStart()) << older << " took a run";
        EXPECT_EQ(find("badge") ? find("badge")->text : "", badge);
        if (!back.empty()) restart(back);
    }

    // ---- a run whose writing is cut or refused --------------------------------------------------
    static constexpr int kRun = -2;  // a road step that makes the run in the Start slide's place
    // In a child process: `act`, then the child's end (0 when nothing failed).
    template <class Act> static int inChild(Act act) {
        int status = -1;
        if (const pid_t child = ::fork(); child == 0) act(), ::_exit(::testing::Test::HasFailure());
        else ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // The run made in a child process that ends after its first durable write, then in another
    // after its second, ... until one runs through. Started again after each (in a child too),
    // the program stands before the run (the record takes it, its asks as marked) or after it (a
    // record holding the runs the screen showed, a replaced run gone, the record it left locked,
    // also once that record is deleted).
    // The disk is set back each time; the walk then makes the run itself.
    void cutRun() {
        const std::string record = rotor().nameText(true);
        const std::vector<Measurement> runs = rotor().data().runs;
        const std::vector<std::string> marked = asks();
        std::filesystem::copy("history", "before");  // the disk as it stood
        for (int n = 1;; ++n) {
            SCOPED_TRACE(ks::format("cut after write {}", n));
            const int end = inChild([&] { testsupport::cutAfterSyncs(n), run(); });
            std::string made;  // a record the run made
            for (const std::string& file : testwd::filesIn("history"))
                if (!std::filesystem::exists("before/" + file) && std::filesystem::path(file).extension() == ".rotor")
                    made = file;
            const int checked = inChild([&] {
                restart(made.empty() ? record : made);
                EXPECT_EQ(said, "") << "a box as the record opened";
                const std::vector<Measurement>& now = rotor().data().runs;
                if (made.empty() && std::equal(runs.begin(), runs.end(), now.begin(), now.end(), Tris::equalRecords)) {
                    EXPECT_TRUE(asks() == marked && !data().startLocked()) << "not as it stood";
                    return;
                }
                const long kept = static_cast<long>(runs.size()) - (runs.size() == 39);  // a repeat replaces run 39
                EXPECT_EQ(now.size(), kept + 1u);
                EXPECT_TRUE(std::equal(runs.data(), runs.data() + kept, now.data(), Tris::equalRecords));
                std::vector<std::string> rest;  // the rest of the test walked on approves a sound machine
                road.clear(), doAsks(), walkThrough(rest, at + 1), rotor().makeReport(0, "walk.pdf", 0, 0);
                EXPECT_NE(pdfinspect::text("walk.pdf").find(textOrEmpty(reporttext::kVerdictApproved)), std::string::npos);
                if (made.empty()) return;
                h.restart(), h.run(400), roam({"History"});  // the record made deleted before the other opens
                ASSERT_TRUE(h.tap("delete", made));
                h.run(400), roam({"Yes"}), visitOlder(record, {});
            });
            EXPECT_EQ(checked, 0) << "started again after the cut";
            // The disk as it stood, for the next cut or the walk.
            std::filesystem::remove_all("history"), std::filesystem::copy("before", "history");
            if (rotor().closeHistoryFile()) rotor().openHistory();  // the record set back is another file
            if (end != testsupport::kCutExit) return std::filesystem::remove_all("before"), run();
        }
    }
    // The run refused by a disk that takes no file above `limit` bytes, as a nearly full one: said
    // in a box, the screen as it stood, Start free once there is room (after a restart, if asked).
    void refusedRun(rlim_t limit, bool restartAfter) {
        const std::vector<std::string> marked = asks();
        limitFileSize(limit), run(), limitFileSize(RLIM_INFINITY), h.run(400);
        EXPECT_EQ(g._modalText + "|" + g._modalDetails, "The run was not saved!|File too large\nMake the run again.");
        g.pressModalButton(0), h.run(400);
        if (restartAfter) restart();
        EXPECT_TRUE(asks() == marked && !data().startLocked()) << "not as it stood";
        run();
    }
    // "Redetermine IC": a reference run, 10 g at 0° in P1 and in P3, "Save IC".
    void redetermineIc() {
        roam({"Redetermine IC", "Measurements"});
        for (int p : {0, 1, 3}) {
            if (p != 0) influencesteps::placeTrialMass(h, "10", "0");
            ASSERT_TRUE(influencesteps::slideStart(h));
            std::array<Complex, 2> u = readings();
            if (p != 0) u[p / 2] += 10 * rotor().data().planes[0].radius;
            rotortest::feedSession(rotor(), {u[0], u[1]});
            m.resultCount = 1, g.back(), h.run(100);
        }
        roam({"Save IC"});
    }
    // An earlier run chosen on the strip asks nothing and locks Start; P2's "Back to run" returns.
    void chooseAndReturn() {
        const int last = rotor().runCount() - 1;
        const UiItem strip = *find("measurement");
        h.tapAt(ImVec2(strip.min.x + 0.1f * (strip.max.x - strip.min.x), strip.centre().y)), h.frame();
        EXPECT_FALSE(rotor().onLastRun() || asks() != std::vector<std::string>(3) || slideStart());
        tapIn(ks::format("Back to run {}", last + 1), 1);
        EXPECT_EQ(rotor().currentRun(), last);
    }
};

// The README's proving rotor (25 kg at r 150: 0.67 / 3.33 / 16.67 g): each
// step met at once, the test masses off again at the end, and approved.
TEST(BalancingScreen, ProvingRotorWalkedAsTheScreenAsksIsApproved) {
    if (!pdfinspect::toolsPresent()) GTEST_SKIP() << "poppler-utils not installed";
    ProvingWalk w({"25", "150", "100"});
    w.own = {fromPolarDeg(3 * w.umar(), 40), fromPolarDeg(2 * w.umar(), 200)};
    std::vector<std::string> said;
    w.walkThrough(said);
    // The U|mar| test mass moves and comes off; a travelling mass moves while its stationary one stays.
    for (const char* ask : {"8: P2 Remove mass 0.67 g 0.0°", "8: P2 Attach mass 0.67 g 30.0°",
                            "19: P2 Remove mass 0.67 g 330.0°", "19: P1 Attach mass 3.33 g 0.0°",
                            "20: P3 Remove mass 16.67 g 60.0°", "34: P1 Remove mass 3.33 g 30.0°",
                            "again: P1 Attach mass 16.67 g 270.0°", "40: P3 Remove mass 16.67 g 90.0°"})
        EXPECT_NE(std::find(said.begin(), said.end(), ask), said.end()) << ask;
    EXPECT_EQ(std::count_if(said.begin(), said.end(), [](auto& s) { return s.rfind("20: P1", 0) == 0; }), 2);
    for (const Complex& u : w.readings()) EXPECT_LE(std::abs(u), 0.5 * w.umar());  // no test mass left on
    EXPECT_EQ(w.rotor().makeReport(0, "walk.pdf", 0, 0), reportresult::kWritten);
    const std::string text = pdfinspect::text("walk.pdf");
    for (const char* t : {"URR = 95 %, which exceeds or conforms to", textOrEmpty(reporttext::kVerdictApproved)})
        EXPECT_NE(text.find(t), std::string::npos) << t;
}

// Walked the same way: plane 1 set to removing before the tick, a machine that misreads the
// last couple, light rotors whose corrections before runs 6 and 7 need finer digits; and the
// README's rotor taking the other roads an operator takes, each leaving the asks as they stood.
TEST(BalancingScreen, ProvingRotorsWalkedAsTheScreenAsks) {
    if (!pdfinspect::toolsPresent()) GTEST_SKIP() << "poppler-utils not installed";
    using Road = std::vector<ProvingWalk::Step>;
    using Act = std::function<void(ProvingWalk&)>;
    const Act views = [](ProvingWalk& w) {  // Start stays locked in the other views
        for (auto [on, off] : {std::pair{"Unbalances", "Correction"}, std::pair{"Test table", "Test table"}}) {
            w.roam({on});
            EXPECT_FALSE(w.slideStart()) << on;
            w.roam({off});
        }
    };
    const Act pulled = [](ProvingWalk& w) {  // the strip pulled down where a plain rotor's "+" is
        const ImVec2 middle = w.find("measurement")->centre();
        for (float dy : {0.0f, 10.0f, 20.0f, 40.0f, 60.0f}) w.h.press(ImVec2(middle.x, middle.y + dy)), w.h.frame(2);
        EXPECT_FALSE(w.find("+"));
        w.h.release(), w.h.frame(2);
    };
    // Restarts read the progress back as a new process reads it. At run 12 the progress cut short,
    // then with P2's "Ready" garbled away, says so and asks every ask again, as does P2's "Ready"
    // taken back on a full disk; at run 14 the record of 12 runs, which run 13 went on from, takes
    // no run, also once the newer record is gone, nor does the record before "Repeat run 39".
    // IC saves with the asks outstanding. Start stays locked in the other views, on an earlier
    // run, and no "+" copies a run.
    std::string older;
    const Act restart = [](ProvingWalk& w) { w.restart(); }, ic = [](ProvingWalk& w) { w.redetermineIc(); };
    const Act cut = [](ProvingWalk& w) { w.cutRun(); };
    const Road roads = {
        {25, -1, true, views}, {21, -1, true, pulled}, {22, 0, true, [](ProvingWalk& w) { w.chooseAndReturn(); }},
        {19, 2, false, [](ProvingWalk& w) {  // P3 at its second ask, P1's "Ready" tapped again
             std::vector<std::string> taken = w.asks();
             w.tapIn("Ready", 0);
             EXPECT_EQ(w.asks(), (taken[0] += "*", taken));
             w.tapIn("Ready", 0);
         }},
        {12, -1, true, ic}, {21, -1, true, ic}, {39, -1, true, ic}, {40, 0, true, ic},
        {12, 1, true, [&older](ProvingWalk& w) {
             older = w.rotor().nameText(true);
             const std::string file = testProgressPath("history/" + older), kept = testwd::readFile(file);
             for (std::string bad : {kept.substr(0, kept.size() / 2), std::string(kept).replace(kept.find("ready ") + 6, 1, "0")}) {
                 testwd::writeFile(file, bad), w.restart();
                 EXPECT_EQ(w.asks(), w.opening);
                 EXPECT_EQ(w.said, "Test progress reading error!|Every ask of the run is asked again: check what is on the rotor first.");
             }
             testwd::writeFile(file, kept), w.restart();
             platform::setReplaceFileWriter([](int, const void*, std::size_t) -> long { return (errno = ENOSPC, -1); });
             w.tapIn("Ready", 1), platform::setReplaceFileWriter(nullptr), w.h.run(400);
             EXPECT_EQ(w.g._modalText + "|" + w.g._modalDetails, "Test progress saving error!|Not enough space!");
             w.g.pressModalButton(0), w.restart();
             EXPECT_EQ(w.asks(), w.opening) << "a Ready taken back on a full disk came back";
             testwd::writeFile(file, kept), w.restart();
         }},
        {14, 1, true, [&older](ProvingWalk& w) {  // also once the record it went on in is gone
             const std::string newer = w.rotor().nameText(true), path = "history/" + newer;
             std::filesystem::rename(path, path + "~"), w.visitOlder(older, {});
             std::filesystem::rename(path + "~", path), w.restart(newer);
         }},
        {12, 1, false, [](ProvingWalk& w) {  // "New", then "Edit", answered Yes: the record keeps its marks
             const std::string record = w.rotor().nameText(true);
             w.roam({"New", "Yes"}), w.restart(record), w.g.back(), w.h.run(400), w.roam({"Edit", "Yes"}), w.restart(record);
         }},
        {19, 2, false, restart}, {26, 2, true, restart},
        // Runs cut after each durable write: the first after a reopen, one in the open record, the
        // repeat after a reopen; runs refused by a full disk: the first after a reopen, then one in
        // the open record.
        {13, ProvingWalk::kRun, true, cut}, {24, ProvingWalk::kRun, true, cut}, {40, ProvingWalk::kRun, true, cut},
        {27, ProvingWalk::kRun, true, [](ProvingWalk& w) { w.refusedRun(1000, true); }},
        {30, ProvingWalk::kRun, true, [](ProvingWalk& w) { w.refusedRun(1000, false); }},
        {40, 0, true, [&older](ProvingWalk& w) {  // "Repeat run 39" after a restart; then the record before it
             if (!w.rotor().testProgress().repeat) return w.visitOlder(older, w.rotor().nameText(true));
             older = w.rotor().nameText(true), w.restart();
         }}};
    struct Case { const char* name; verification::ProvingSet set; double misread; TextId verdict; Road road = {}; };
    // Run 33 (it saves the result run 34 is measured against) and "Repeat run 39" cut or refused.
    for (const Case& c : {Case{"removing", {"25", "150", "100", true}, 0, reporttext::kVerdictApproved,
                               {{33, ProvingWalk::kRun, true, cut}, {40, ProvingWalk::kRun, true, cut}}},
                          Case{"misread", {"25", "150", "100"}, 290, reporttext::kVerdictNotApproved},
                          Case{"2.1 kg", {"2.1", "140", "140"}, 0, reporttext::kVerdictApproved,
                               {{8, ProvingWalk::kRun, true,
                                 [](ProvingWalk& w) { w.restart(), w.refusedRun(0, false); }},
                                {33, ProvingWalk::kRun, true, [](ProvingWalk& w) { w.restart(), w.cutRun(); }}}},
                          Case{"1.25 kg", {"1.25", "100", "100"}, 0, reporttext::kVerdictApproved,
                               {{33, ProvingWalk::kRun, true, [](ProvingWalk& w) {  // room for its run, none for its result
                                    std::size_t words = 0;  // as many as run 32's
                                    Tris::writeRecordItem(nullptr, words, jobrec::kRuns, w.rotor().data().runs.back(), Measurement(), true);
                                    w.refusedRun(std::filesystem::file_size("history/" + std::string(w.rotor().nameText(true))) + 4 * words, true);
                                }},
                                {40, ProvingWalk::kRun, true, [](ProvingWalk& w) { w.refusedRun(1000, true); }}}},
                          Case{"roads", {"25", "150", "100"}, 0, reporttext::kVerdictApproved, roads}}) {
        SCOPED_TRACE(c.name);
        ProvingWalk w(c.set);
        w.own = {fromPolarDeg(3 * w.umar(), 40), fromPolarDeg(2 * w.umar(), 200)};
        w.misread = fromPolarDeg(c.misread, 0);
        w.road = c.road;
        std::vector<std::string> said;
        w.walkThrough(said);
        EXPECT_EQ(w.rotor().makeReport(0, "walk.pdf", 0, 0), reportresult::kWritten);
        EXPECT_NE(pdfinspect::text("walk.pdf").find(textOrEmpty(c.verdict)), std::string::npos);
    }
}

// A 2.1 kg proving rotor at r 140 (0.06 / 0.30 / 1.50 g) whose run 6 reads 0.6 × U|mar|
// in plane 1 is asked the correction that brings the next run within 0.5 × U|mar|; then begun again.
TEST(BalancingScreen, ProvingRotorsMissedStepAsksWhatPassesIt) {
    ProvingWalk w({"2.1", "140", "140"});
    w.own = {fromPolarDeg(2 * w.umar(), 40), fromPolarDeg(1.5 * w.umar(), 200)};
    for (int run = 0; run < 5; ++run) w.run(), w.doAsks();
    const std::array<Complex, 2> read = w.readings();
    w.own[0] += fromPolarDeg(0.6 * w.umar(), 75) - read[0];  // plane 1 at 0.6 × U|mar|, plane 2 within
    w.own[1] += fromPolarDeg(0.3 * w.umar(), 200) - read[1];
    w.run();
    ASSERT_TRUE(w.missed());
    const std::string missedIn = w.rotor().nameText(true);
    w.restart();  // the step made again in the record opened again
    EXPECT_EQ(w.doAsks(), std::vector<std::string>{"P1 Attach mass 0.004 g 255.0°"});  // "0.00 g", hidden, before
    w.run();
    EXPECT_EQ(w.rotor().runCount(), 6);
    EXPECT_FALSE(w.missed());
    w.visitOlder(missedIn, w.rotor().nameText(true));
    // "New" answered Yes, the test masses taken off and the test begun again: once it has made its
    // first run, the record before takes none (opened after its run 5).
    const std::string old = w.rotor().nameText(true);
    w.roam({"New", "Yes"}), w.on.clear();
    for (int run = 0; run < 5; ++run) w.run(), w.doAsks();
    w.visitOlder(old, {}, "A new test of the rotor was begun");
}

static_assert(BalancingData::planeBit(0) == 1u && BalancingData::planeBit(31) == 0x80000000u);
static_assert(BalancingData::planeBit(32) == 0 && BalancingData::planeBit(-1) == 0, "no bit outside the mask");

TEST(BalancingScreen, MachineAndSchemeValues) {
    Bench b([](Bench& b) {
        b.rotor().data().planes[0].distance1 = 120;
        b.rotor().data().planes[1].distance1 = 0;  // no value: no text
        b.recordRun(kOut0, kOut1);
    });
    // The switch hands the rotor over and asks for the drive's set-up, once.
    EXPECT_EQ(b.m.count("requestDriveSetup"), 1);
    EXPECT_EQ(b.m.rotor, &b.rotor());
    std::vector<std::string> distances;
    for (const UiItem& item : b.h.probe().items())
        if (item.text.size() > 3 && item.text.compare(item.text.size() - 3, 3, " mm") == 0) distances.push_back(item.text);
    EXPECT_EQ(distances, std::vector<std::string>{"120 mm"});

    b.m.state = 15;  // the drive is being set up
    b.h.frame();
    EXPECT_TRUE(b.h.probe().shows("Wait, initialization in process ..."));
    b.m.state = 0;
    b.h.frame();
    EXPECT_FALSE(b.h.probe().shows("Wait, initialization in process ..."));
    EXPECT_EQ(b.m.count("requestDriveSetup"), 1);
}

// Content that fits shows no scroll bar; taller content scrolls, and its top
// and bottom show every item whole, clear of the scroll bar.
TEST(BalancingScreen, ContentScrollsOnlyWhereItIsTallerThanTheWindow) {
    // Width, height, English (2, 3: three planes, Russian or English), scrolls.
    for (const ImVec4 c : {ImVec4(1280, 960, 1, 0), ImVec4(1280, 960, 0, 0), ImVec4(1280, 720, 1, 1),
                           ImVec4(800, 600, 1, 1), ImVec4(1280, 960, 3, 0), ImVec4(790, 540, 2, 1)}) {
        Bench b([&c](Bench& b) {
            Rotor& r = b.rotor();  // three planes: the middle one takes the static part
            if (c.z > 1) r.setPlaneCount(3), r.setPlaneChannels(2, 0, 0), r.setPlaneChannels(3, 2, 0);
            for (Plane& p : r.data().planes) p.distance1 = 100;
            b.recordRun(kOut0, kOut1);
        }, c.z != 0 && c.z != 2);
        b.h.resize(c.x, c.y);
        b.h.frame(2);
        ImGuiWindow* content = nullptr;
        for (ImGuiWindow* w : ImGui::GetCurrentContext()->Windows)
            if (std::string(w->Name).rfind("Balancing/supports", 0) == 0) content = w;
        ASSERT_TRUE(content);
        EXPECT_EQ(content->ScrollMax.y > 0, c.w > 0) << c.x << "x" << c.y;
        const ImRect seen(content->Pos, content->Pos + content->Size - content->ScrollbarSizes);
        std::string shown;
        for (const float scroll : {0.0f, content->ScrollMax.y}) {
            ImGui::SetScrollY(content, scroll);
            b.h.frame(2);
            for (const UiItem& i : b.h.probe().items())
                if (seen.Contains(ImRect(i.min, i.max))) shown += "|" + i.label + i.text + "|";
        }
        for (const char* item : {"|marker1|", "|marker2|", "|sensor1|", "|sensor2|", "|measurement1|"})
            EXPECT_NE(shown.find(item), std::string::npos) << item << " " << c.x << "x" << c.y;
    }
}

}  // namespace
