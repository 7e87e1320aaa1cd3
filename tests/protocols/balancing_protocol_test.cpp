// The balancing protocol written into a recording document by real rotors
// loaded from history files: the layout's positions and widths, the values
// and their decimals, the verdict and the date.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "protocols/balancing_protocol.h"
#include "protocols/protocols.h"
#include "protocols/report_context.h"
#include "resources/resource_store.h"
#include "rotor/rotor_report.h"
#include "rotor/rotor_test_config.h"
#include "support/protocols_recording_doc.h"
#include "support/rotor_builder.h"

using rotorbuild::PlaneResult;
using rotorbuild::RotorBuilder;

namespace {

constexpr float kX = 46.f;  // the content's left edge

class BalancingProtocol : public rotortest::TempWorkDir {
protected:
    void SetUp() override {
        TempWorkDir::SetUp();
        registerProtocols();
        ASSERT_TRUE(indexEmbeddedResources());
        setLanguage(true);
    }
    void TearDown() override {
        setLanguage(false);
        TempWorkDir::TearDown();
    }

    // Loads the built rotor and writes its protocol into a recording document.
    int write(const RotorBuilder& b, int currentRun = -1, bool beginResult = true) {
        rotor_ = b.load(cfg_.get());
        if (!rotor_) return -1;
        if (currentRun >= 0) rotor_->selectRun(currentRun);
        auto doc = std::make_unique<RecordingDoc>();
        doc->beginResult = beginResult;
        doc_ = doc.get();
        ctx_ = std::make_unique<ReportContext>(*rotor_, cfg_.get(), std::move(doc));
        return writeBalancingProtocol(*ctx_);
    }
    // The texts drawn at this y from x on, in drawing order.
    std::vector<std::string> row(float y, float fromX = 0.f) const {
        std::vector<std::string> out;
        for (const DocCall* c : doc_->of(DocOp::text))
            if (std::fabs(c->y - y) < 0.01f && c->x >= fromX) out.push_back(c->text);
        return out;
    }
    // The y of the row that shows this run number, -1 when none does.
    float runRow(int number) const {
        for (const DocCall* c : doc_->of(DocOp::text))
            if (c->x == kX + 2 && c->text == std::to_string(number)) return c->y;
        return -1.f;
    }
    // The value cells of the row of a run number.
    std::vector<std::string> cells(int number) const { return row(runRow(number), kX + 33); }
    float yOf(const std::string& text) const {
        const DocCall* c = doc_->findText(text);
        return c ? c->y : -1.f;
    }

    TestConfig cfg_;
    std::unique_ptr<Rotor> rotor_;
    RecordingDoc* doc_ = nullptr;
    std::unique_ptr<ReportContext> ctx_;
};

// The first runs' time stamp: 5 March 2023, 09:30 local time.
std::int64_t march5() { return rotortest::localSeconds(2023, 3, 5, 9, 30, 0); }

TEST_F(BalancingProtocol, ContactBlocksOfTheHeader) {
    struct Case {
        const char* what;
        Contact contact;
        std::vector<std::string> addressRows;  // empty: no address block
        std::vector<std::string> phoneRows;    // empty: no phone block
    };
    Contact noAddress2;
    noAddress2.address = "Main St 1";
    noAddress2.emailWeb = "mail@works.example";
    Contact withAddress2 = noAddress2;
    withAddress2.address2 = "Building 2";
    Contact onlyPhones2;
    onlyPhones2.phones2 = "+7 000 2";
    Contact phones = onlyPhones2;
    phones.phones = "+7 000 1";
    const Case cases[] = {
        {"no Address 2", noAddress2, {"Address:", "Main St 1", "mail@works.example", ""}, {}},
        {"Address 2", withAddress2, {"Address:", "Main St 1", "Building 2", "mail@works.example"}, {}},
        {"Phones 2 alone", onlyPhones2, {}, {}},
        {"Phones", phones, {}, {"Contact phone numbers:", "+7 000 1", "+7 000 2"}},
    };
    const float addressX = kX + 517.f / 3 - 25;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cfg_.get()->company = c.contact;
        ASSERT_EQ(write(RotorBuilder("R").planes(2)), reportresult::kWritten);
        std::vector<std::string> address, phone;
        for (float y = 27; y < 70; y += 12) {
            for (const DocCall* t : doc_->of(DocOp::text)) {
                if (std::fabs(t->y - y) > 0.01f) continue;
                if (std::fabs(t->x - addressX) < 0.01f) address.push_back(t->text);
                if (t->x == kX) phone.push_back(t->text);
            }
        }
        EXPECT_EQ(address, c.addressRows);
        EXPECT_EQ(phone, c.phoneRows);
    }
}

TEST_F(BalancingProtocol, PlaneRowsPlaceTheRunsTable) {
    struct Case {
        int planes;
        std::vector<float> rowYs;
        float tableY;
    };
    const Case cases[] = {{3, {351, 366, 381}, 407}, {0, {}, 362}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.planes);
        ASSERT_EQ(write(RotorBuilder("R").planes(c.planes).runs(1, march5(), "Op", [](int) { return 10.0; })),
                  reportresult::kWritten);
        std::vector<float> ys;
        for (int n = 1; n <= c.planes; ++n) ys.push_back(yOf("Plane " + std::to_string(n)));
        EXPECT_EQ(ys, c.rowYs);
        EXPECT_EQ(yOf("Balancing runs"), c.tableY);
    }
}

TEST_F(BalancingProtocol, TwelveRunsShowTheFirstNineAndTheLastAndKeepTheCurrentRun) {
    ASSERT_EQ(write(RotorBuilder("R").planes(2).runs(12, march5(), "Op", [](int k) { return 10.0 * (k + 1); }),
                    /*currentRun=*/4),
              reportresult::kWritten);
    std::vector<std::string> numbers;
    for (const DocCall* t : doc_->of(DocOp::text))
        if (t->x == kX + 2) numbers.push_back(t->text);
    EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "12"}));
    // The last row shows run 12: its unbalance in both planes' d columns.
    EXPECT_EQ(cells(12).back(), "120.0");
    EXPECT_EQ(rotor_->currentRun(), 4);
    EXPECT_EQ(doc_->calls.back().op, DocOp::save);
}

// Values too long for the room the page has never cost runs.
TEST_F(BalancingProtocol, LongValuesLeaveEveryRunRow) {
    cfg_.get()->local.header2 = std::string(400, 'C'), cfg_.get()->local.header3 = std::string(200, 'W');
    ASSERT_EQ(write(RotorBuilder("R").planes(5).runs(10, march5(), "Op", [](int) { return 10.0; })),
              reportresult::kWritten);
    for (int n = 1; n <= 10; ++n) EXPECT_GT(runRow(n), 0) << n;
}

TEST_F(BalancingProtocol, CellValuesAndDecimals) {
    struct Case {
        double unbalance, vibration, phase;
        std::vector<std::string> cells;  // m l a p d
    };
    const Case cases[] = {
        {725, 12.4, 60, {"7.250", "210.0", "12", "60.0", "725.0"}},
        {4550, 3, 0, {"45.50", "210.0", "3", "30.0", "4550.0"}},  // phase 0: the unbalance angle
        {15000, 0, 45, {"150.0", "210.0", "0", "45.0", "15000"}},
        {1200000, 0, 45, {"12000", "210.0", "0", "45.0", "1200000"}},
    };
    RotorBuilder b("R");
    b.planes(1);
    for (const Case& c : cases) b.run({{PlaneResult{c.vibration, c.phase, c.unbalance, 30}}, march5(), "Op", "run"});
    ASSERT_EQ(write(b), reportresult::kWritten);
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(cells(static_cast<int>(k) + 1), cases[k].cells);
    }
}

TEST_F(BalancingProtocol, LayoutsWidthsAndHeads) {
    struct Case {
        const char* what;
        RotorBuilder rotor;
        bool converting;  // the channels convert amplitudes into unbalance
        float cellWidth;
        std::vector<std::string> heads;
        std::vector<std::string> firstRow;
    };
    rotorbuild::PlaneSetup twoChannels;
    twoChannels.channel1 = 1;
    twoChannels.channel2 = 2;
    auto oneRun = [](RotorBuilder b) { return b.runs(1, march5(), "Op", [](int) { return 730.0; }); };
    const std::vector<std::string> oneGroup = {"Mass (g)", "Angle (°)", "Ampl.(mkm)", "Phase (°)", "Unbal. (gmm)"};
    std::vector<std::string> fiveGroups;
    for (int i = 0; i < 5; ++i) fiveGroups.insert(fiveGroups.end(), {"Mass (g)", "Angle (°)"});
    const Case cases[] = {
        {"one plane", oneRun(RotorBuilder("R").planes(1)), false, 96.8f, oneGroup,
         {"7.300", "210.0", "73", "60.0", "730.0"}},
        {"converting channel", oneRun(RotorBuilder("R").planes(1)), true, 96.8f,
         {"Mass (g)", "Angle (°)", "Ampl.(unit)", "Phase (°)", "Unbal. (gmm)"}, {"7.300", "210.0", "73", "60.0", "730.0"}},
        {"scheme 2", oneRun(RotorBuilder("R").plane(twoChannels)), false, 96.8f, oneGroup,
         {"7.300", "210.0", "-", "-", "730.0"}},
        {"five planes", oneRun(RotorBuilder("R").planes(5)), false, 44.4f, fiveGroups, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.converting) {
            cfg_.get()->channels.resize(1);
            cfg_.get()->channels[0].sensitivity = 10.0;
        }
        RotorBuilder b = c.rotor;
        b.speed(600);
        ASSERT_EQ(write(b), reportresult::kWritten);
        cfg_.get()->channels.clear();
        EXPECT_NEAR(ctx_->cellWidth, c.cellWidth, 1e-4);
        const DocCall* mass = doc_->findText("Mass (g)");
        ASSERT_NE(mass, nullptr);
        EXPECT_EQ(row(mass->y), c.heads);
        EXPECT_NEAR(mass->w, c.cellWidth - 2, 1e-4);
        if (!c.firstRow.empty()) {
            EXPECT_EQ(cells(1), c.firstRow);
        }
    }
}

TEST_F(BalancingProtocol, VerdictDateAndEvaluationPlace) {
    struct Case {
        const char* what;
        RotorBuilder rotor;
        int currentRun;
        std::string verdict, date;
        float evaluationY;
    };
    const std::int64_t may = rotortest::localSeconds(2024, 5, 17, 8, 0, 0);
    auto last = [&](std::vector<double> u) {
        std::vector<PlaneResult> r;
        for (double v : u) r.push_back({v / 10, 60, v, 30});
        return rotorbuild::RunSetup{r, may + 3600, "Op", "last"};
    };
    const Case cases[] = {
        {"second of three out", RotorBuilder("R").planes(3).tolerance(100).run(last({50, 150, 50})), -1,
         "NOT IN TOLERANCE", "May 17, 2024", 0},
        {"three in", RotorBuilder("R").planes(3).tolerance(100).run(last({50, 99, 50})), -1, "IN TOLERANCE",
         "May 17, 2024", 0},
        // The first run is current: the verdict is the last run's.
        {"five planes: last run is in", RotorBuilder("R").planes(5).tolerance(100)
                                            .runs(1, may, "Op", [](int) { return 500.0; })
                                            .run(last({1, 1, 1, 1, 1})),
         0, "IN TOLERANCE", "May 17, 2024", 0},
        {"ten runs, three planes", RotorBuilder("R").planes(3).tolerance(100).runs(10, may, "Op", [](int) { return 5.0; }),
         -1, "IN TOLERANCE", "May 17, 2024", 750},
        {"no runs", RotorBuilder("R").planes(2).tolerance(100), -1, "NOT IN TOLERANCE", "March 5, 2025", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cfg_.get()->local.header1 = "A. Smith";
        ASSERT_EQ(write(c.rotor, c.currentRun), reportresult::kWritten);
        const DocCall* label = doc_->findText("Evalution of balancing results:");
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(row(label->y), (std::vector<std::string>{label->text, c.verdict}));
        EXPECT_EQ(row(label->y + 20), (std::vector<std::string>{"Date of balancing:", c.date}));
        EXPECT_EQ(row(label->y + 40), (std::vector<std::string>{"Work done by:", "A. Smith"}));
        const DocCall* verdict = doc_->findText(c.verdict);
        ASSERT_NE(verdict, nullptr);
        EXPECT_EQ(verdict->x, kX + label->result);
        if (c.evaluationY > 0) {
            EXPECT_EQ(label->y, c.evaluationY);
        }
    }
}

TEST_F(BalancingProtocol, UnitWithoutDivisorPrintsDashes) {
    ASSERT_EQ(write(RotorBuilder("R").planes(1).mass(0).unitFactor(0).tolerance(100).runs(
                  1, march5(), "Op", [](int) { return 725.0; })),
              reportresult::kWritten);
    EXPECT_EQ(row(yOf("Plane 1")), (std::vector<std::string>{"Plane 1", "100", "-", "Addition of masses"}));
    EXPECT_EQ(cells(1).back(), "-");
    EXPECT_NE(doc_->findText("Unbal. (gmm/kg)"), nullptr);
}

TEST_F(BalancingProtocol, FailedBeginDrawsNothing) {
    ASSERT_EQ(write(RotorBuilder("R").planes(2), -1, /*beginResult=*/false), reportresult::kBeginFailed);
    ASSERT_EQ(doc_->calls.size(), 1u);
    EXPECT_EQ(doc_->calls[0].op, DocOp::begin);
}

}  // namespace
