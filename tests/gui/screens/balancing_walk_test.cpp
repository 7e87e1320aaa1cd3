// A proving rotor walked through its verification test on the Balancing
// screen as an engineer walks it on a sound machine: after each run he does
// what the screen asks, position by position ("Attach mass" put on at the
// plane's r, "Remove mass" taken off where it sits), and the next run reads
// the rotor's own unbalance plus what is then on it.

#include <gtest/gtest.h>

#include <array>
#include <complex>
#include <regex>
#include <string>
#include <vector>

#include "gui/screens/balancing.h"
#include "protocols/report_texts.h"
#include "rotor/rotor_report.h"
#include "support/gui_harness.h"
#include "support/protocols_pdf_inspect.h"
#include "support/verification_walk.h"
#include "support/work_dir.h"
#include "texts/format.h"

namespace {

using verification::Complex;
using verification::at;

struct Mass {
    std::string grams, degrees;  // as the screen states them
    double g, deg;
};

class Engineer {
public:
    explicit Engineer(const verification::ProvingSet& set) : h(1280, 960, true), g(h.gui()) {
        Config& c = *g._config;
        c.channels.at(0).active = c.channels.at(1).active = true;
        c.endDrive.active = true;
        c.endDrive.maxSpeed = 3000;
        c.measurementCycles = 3;
        g.newRotor();
        verification::setUpProvingRotor(rotor(), set);
        rotor().data().speed = 800;
        g.setScreen(true, &Gui::balancing);
        h.run(400);
    }
    Rotor& rotor() { return *g._rotor; }
    double umar() { return rotor().permissibleUnbalance(1); }

    // What test planes 1 and 2 read: the rotor's own unbalance and every mass
    // on it at its plane's r, the middle plane's read in both.
    std::array<Complex, 2> readings() {
        std::array<Complex, 2> u = own;
        for (int i = 0; i < 3; ++i)
            for (const Mass& m : on[static_cast<std::size_t>(i)]) {
                const Complex v = at(m.g * rotor().data().planes[static_cast<std::size_t>(i)].radiusSmall, m.deg);
                if (i != 2) u[0] += v;
                if (i != 0) u[1] += v;
            }
        return u;
    }

    // One run on the machine: Start, the readings measured, back on the screen.
    void run() {
        const UiItem* start = h.probe().find("Start");
        ASSERT_TRUE(start);
        h.drag(ImVec2(start->min.x + 20, start->centre().y), ImVec2(start->min.x + 140, start->centre().y));
        h.frame();
        ASSERT_EQ(g.currentScreen(), Gui::ScreenId::Measuring) << "Start is locked";
        const std::array<Complex, 2> u = readings();
        rotortest::feedSession(rotor(), {u[0], u[1]});
        h.machine().resultCount = 1;
        g.back();
        h.frame(2);
    }

    // Does what the screen asks of every plane, position by position; the asks
    // said, as "P2 Remove mass 0.67 g 0.0°".
    std::vector<std::string> doAsks() {
        std::vector<std::string> said;
        for (int p = 1; p <= 3; ++p) {
            for (int step = 0; step < 8; ++step) {
                const UiItem* ask = h.probe().find(ks::format("instruction{}", p));
                if (!ask) break;
                std::smatch m;
                const std::regex form(R"(([^|]+)\|(-?[0-9.]+) g\|([0-9.]+)°)");
                EXPECT_TRUE(std::regex_match(ask->text, m, form)) << ask->text;
                if (m.empty()) break;
                said.push_back(ks::format("P{} {} {} g {}°", p, m[1].str(), m[2].str(), m[3].str()));
                mount(p - 1, m[1] == "Remove mass", {m[2], m[3], std::stod(m[2]), std::stod(m[3])});
                const bool next = inColumn("Next", p - 1) != nullptr;
                tapIn(next ? "Next" : "Ready", p - 1);
                if (!next) break;
            }
        }
        return said;
    }

    bool badge(const char* text) {
        const UiItem* b = h.probe().find("badge");
        return b && b->text == text;
    }

    std::array<Complex, 2> own;
    std::array<std::vector<Mass>, 3> on;  // by plane index
    GuiHarness h;
    Gui& g;

private:
    testwd::WorkDir dir_{"ks_proving", testwd::Logs::folder};

    void mount(int i, bool removes, const Mass& mass) {
        std::vector<Mass>& masses = on[static_cast<std::size_t>(i)];
        if (!removes) return masses.push_back(mass);
        for (auto it = masses.begin(); it != masses.end(); ++it)
            if (it->grams == mass.grams && it->degrees == mass.degrees) return void(masses.erase(it));
        ADD_FAILURE() << "P" << i + 1 << " holds no " << mass.grams << " g at " << mass.degrees << "°";
    }
    const UiItem* inColumn(const std::string& label, int plane) {
        auto& d = dynamic_cast<BalancingData::Data&>(*g._data);
        const float left = d._view.left + 248 * static_cast<float>(plane);
        for (const UiItem& item : h.probe().items())
            if (item.label == label && item.min.x >= left && item.max.x <= left + 248) return &item;
        return nullptr;
    }
    void tapIn(const std::string& label, int plane) {
        const UiItem* item = inColumn(label, plane);
        ASSERT_TRUE(item) << label << " in P" << plane + 1;
        h.tapAt(item->centre());
        h.frame();
    }
};

// The README's proving rotor (25 kg, R and r 150, r|1| 100: 0.67 / 3.33 /
// 16.67 g) on a sound machine: doing what the screen asks, every step is
// met once, the test masses come off again, and the certificate approves.
TEST(BalancingWalk, DoingWhatTheScreenAsksApprovesASoundMachine) {
    if (!pdfinspect::toolsPresent()) GTEST_SKIP() << "poppler-utils not installed";
    Engineer e({"25", "150", "100"});
    e.own = {at(3 * e.umar(), 40), at(2 * e.umar(), 200)};
    std::vector<std::string> said;
    for (int run = 0; run < 39; ++run) {
        SCOPED_TRACE(run + 1);
        e.run();
        ASSERT_EQ(e.rotor().runCount(), run + 1) << "a step repeated";
        EXPECT_FALSE(e.badge("Balancing required"));
        for (const std::string& s : e.doAsks()) said.push_back(ks::format("{}: {}", run + 1, s));
    }
    // The U|mar| test mass moves, comes off before the URR test; a travelling
    // mass moves while its stationary one stays; the last come off.
    for (const char* ask : {"8: P2 Remove mass 0.67 g 0.0°", "8: P2 Attach mass 0.67 g 30.0°",
                            "19: P2 Remove mass 0.67 g 330.0°", "19: P1 Attach mass 3.33 g 0.0°",
                            "20: P3 Remove mass 16.67 g 60.0°", "34: P1 Remove mass 3.33 g 30.0°",
                            "39: P3 Remove mass 16.67 g 90.0°"})
        EXPECT_NE(std::find(said.begin(), said.end(), ask), said.end()) << ask;
    EXPECT_EQ(std::count_if(said.begin(), said.end(), [](auto& s) { return s.find("20: P1 ") == 0; }), 2);
    for (const auto& masses : e.on)
        for (const Mass& m : masses) EXPECT_NE(m.grams, "16.67") << "a travelling mass left on";
    for (const Complex& u : e.readings()) EXPECT_LE(std::abs(u), 0.5 * e.umar());

    EXPECT_EQ(e.rotor().makeReport(0, "walk.pdf", 0, 0), reportresult::kWritten);
    const std::string text = pdfinspect::text("walk.pdf");
    for (const std::string& t : {std::string("URR = 95 %, which exceeds or conforms to"),
                                 std::string(textOrEmpty(reporttext::kVerdictApproved))})
        EXPECT_NE(text.find(t), std::string::npos) << t;
}

// A light proving rotor (2.1 kg at r 140: 0.06 / 0.30 / 1.50 g) whose run 6
// reads 0.6 × U|mar| misses its step; the correction it is asked brings the
// next run within 0.5 × U|mar|, and the test goes on.
TEST(BalancingWalk, AMissedStepAsksWhatPassesIt) {
    Engineer e({"2.1", "140", "140"});
    e.own = {at(2 * e.umar(), 40), at(1.5 * e.umar(), 200)};
    for (int run = 0; run < 5; ++run) e.run(), e.doAsks();
    // Plane 1 reads 0.6 × U|mar|, plane 2 0.3 × U|mar|.
    const std::array<Complex, 2> read = e.readings(), wanted = {at(0.6 * e.umar(), 75), at(0.3 * e.umar(), 200)};
    for (int k : {0, 1}) e.own[k] += wanted[k] - read[k];
    e.run();
    ASSERT_TRUE(e.badge("Balancing required"));
    const std::vector<std::string> said = e.doAsks();
    EXPECT_EQ(said, std::vector<std::string>{"P1 Attach mass 0.004 g 255.0°"});
    e.run();
    EXPECT_EQ(e.rotor().runCount(), 6);
    EXPECT_FALSE(e.badge("Balancing required"));
    EXPECT_LE(std::abs(e.readings()[0]), 0.5 * e.umar());
}

}  // namespace
