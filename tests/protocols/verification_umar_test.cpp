// Section 5 of the verification-test protocol, the U|mar| test: the data
// sheets of page 2, the table of page 3, the diagram and verdict of page 4.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "protocols/diagram_sheets.h"
#include "protocols/pdf_doc.h"
#include "protocols/report_texts.h"
#include "rotor/rotor_report.h"
#include "support/protocols_pdf_inspect.h"
#include "support/verification_fixture.h"
#include "texts/format.h"

using namespace reporttext;

using verification::Reading;

namespace {

namespace ds = diagram_sheets;
constexpr double kPi = 3.14159265358979323846;
constexpr float kScale = 517.f / 1805;  // sheet pixels to points
// The document's y axis starts a little below the A4 page's top edge.
constexpr float kRenderShift = PdfDoc::kFlipY - 841.89f;

class VerificationUmar : public verification::Fixture {
protected:
    // A proving rotor whose runs 7 on carry these readings at position i.
    static verification::ProvingRotor rotor(int runs, const std::function<Reading(int i)>& test) {
        verification::ProvingRotor p;
        p.lastRunTime = rotortest::localSeconds(2023, 3, 5, 14, 3, 7);
        for (int k = 0; k < runs; ++k)
            p.runs.push_back(k < 7 ? Reading{40.0 / (k + 1), 30.5, 30, 300} : test(k - 7));
        return p;
    }
    // The marks drawn on page 4 (the images of 10 × 10).
    std::vector<const DocCall*> marks() const {
        std::vector<const DocCall*> out;
        for (const DocCall* c : doc_->of(DocOp::image))
            if (c->page == 4 && c->w == 10) out.push_back(c);
        return out;
    }
    bool markAt(float x, float y) const {
        for (const DocCall* m : marks())
            if (std::fabs(m->x - x) < 0.01f && std::fabs(m->y - y) < 0.01f) return true;
        return false;
    }
};

// Where the sheet's geometry puts the mark of multiple v at position i of a plane.
float markX(int plane, int i) {
    return 46 + kScale * (ds::kUmarGraphs[plane].x0 + 117 * i) - 5;
}
float markY(int plane, float v) {
    return 159 + kScale * (ds::kUmarGraphs[plane].y0 + (1 - v) * 1760) - 5;
}

TEST_F(VerificationUmar, DataSheetsOfPage2) {
    struct Case {
        bool english;
        int runs;
        double r;
        std::string initial, added, run1, run6;  // the rows of 5.1, 5.2, run 1 and run 6's values
    };
    // clang-format off
    const Case cases[] = {  // the added mass to 0.1 g, or finer where 0.1 g would not add 7.5 × U|mar|
        {true, 7, 100, "1 | 1.60 | 30.5 | 1.20 | 300.0 | In tolerance (< 5 × U|mar|)",
         "7.5 | 10 | 1.88 | 7.5 | 100 | 1.88", "Run 1 | 0.80 | 30.5 | 1.20 | 300.0 | 1 | Balancing required",
         "0.23 | 30.5 | 1.20 | 300.0 | Not allowed | In tolerance (< 0.5 × U|mar| / pl.)"},
        // Runs 3 to 6 missing; with R = 100 the mass of 5.2 is made for r = 50.
        {false, 3, 50, "1 | 1,60 | 30,5 | 1,20 | 300,0 | В допуске (< 5 × U|mar|)",
         "7,5 | 10 | 3,75 | 7,5 | 100 | 3,75",
         "Пуск 1 | 0,80 | 30,5 | 1,20 | 300,0 | 1 | Требуется балансировка",
         "0,00 | 0,0 | 0,00 | 0,0 | Запрещена | В допуске (< 0,5 × U|mar| / пл.)"},
        {true, 2, 0, "1 | 1.60 | 30.5 | 1.20 | 300.0 | In tolerance (< 5 × U|mar|)",
         "- | 10 | - | - | 100 | -", "Run 1 | 0.80 | 30.5 | 1.20 | 300.0 | 1 | Balancing required",
         "0.00 | 0.0 | 0.00 | 0.0 | Not allowed | In tolerance (< 0.5 × U|mar| / pl.)"},
    };
    // clang-format on
    std::vector<std::string> englishLabels;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.added);
        verification::ProvingRotor p = rotor(c.runs, nullptr);
        p.r = c.r;
        ASSERT_EQ(write(p, c.english), reportresult::kWritten);
        EXPECT_EQ(row(2, 195), c.initial);
        EXPECT_EQ(row(2, 363), c.added);
        EXPECT_EQ(row(2, 483), c.run1);
        EXPECT_EQ(row(2, 594), c.run6);
        EXPECT_EQ(at(2, 46, 399), "5.3. Балансировка контрольного ротора");
        // Labels, correction numbers and assessments depend on the row only.
        std::vector<std::string> labels;
        for (const DocCall* t : doc_->of(DocOp::text))
            if (t->page == 2 && t->y > 400 && t->y < 700 && (t->x == 46 || t->x >= 361))
                labels.push_back(t->text);
        EXPECT_EQ(labels.size(), 27u);
        if (!c.english) continue;
        if (englishLabels.empty()) englishLabels = labels;
        EXPECT_EQ(labels, englishLabels);
    }
}

TEST_F(VerificationUmar, TableDiagramAndVerdict) {
    auto even = [](int) { return Reading{25, 0, 50, 0}; };
    auto wave = [](double a1, double a2) {
        return [=](int i) {
            const double s = std::sin(i * kPi / 6);
            return Reading{25 * (1 + a1 * s), 0, 50 * (1 + a2 * s), 0};
        };
    };
    struct Mark {
        int plane, position;
        float v;
    };
    struct Case {
        const char* what;
        int runs;
        double umar, emar;
        std::function<Reading(int)> test;
        int outliers;
        std::string sum, mean, accuracy;  // the sums' and means' rows ("" without a table), the class word
        std::vector<Mark> marks;          // some of the marks
    };
    const std::string sums = "Sum | 12.00 | 24.00 | 12.00 | 12.00",
                      means = "Mean value | 1.00 | 2.00 | 1.00 | 1.00";
    // clang-format off
    const Case cases[] = {
        {"no test run", 7, 25, 0.4, even, 24, "", "", "", {}},
        {"small wave", 19, 25, 0.2, wave(0.05, 0.1), 0, sums, means, "increased",
         {{0, 0, 1}, {0, 6, 1}, {0, 12, 1}, {1, 0, 1}, {1, 6, 1}, {1, 12, 1}}},
        {"large wave in plane 2", 19, 25, 0.5, wave(0.05, 0.13), 2, sums, means, "standart", {{1, 3, 1.13f}, {1, 9, 0.87f}}},
        // 40 among 25s: k 1.52, drawn at 1.2.
        {"one point out", 19, 25, 0.4, [](int i) { return Reading{i == 0 ? 40.0 : 25.0, 0, 50, 0}; }, 1,
         "Sum | 12.60 | 24.00 | 12.00 | 12.00", "Mean value | 1.05 | 2.00 | 1.00 | 1.00", "increased",
         {{0, 0, 1.2f}, {0, 12, 1.2f}}},
        // k exactly 1.12 and 0.88; a 20th run is not read.
        {"band edges", 20, 25, 0.4,
         [](int i) { return Reading{i == 0 ? 28.0 : i == 6 ? 22.0 : i == 12 ? 500.0 : 25.0, 0, 50, 0}; }, 0, sums,
         means, "increased", {{0, 0, 1.12f}, {0, 6, 0.88f}}},
        {"five positions", 12, 25, 0.19, even, 14, "Sum | 5.00 | 10.00 | 5.00 | 5.00", means, "high", {}},
        {"U|mar| 0", 19, 0, 0.4, even, 24, "Sum | - | - | - | -", "Mean value | - | - | - | -", "increased", {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The accuracy tested is U|mar| / m, whatever the settings claim.
        cfg_.get()->balancingAccuracy = 1;
        verification::ProvingRotor p = rotor(c.runs, c.test);
        p.umar = c.umar, p.mass = c.umar / c.emar;
        ASSERT_EQ(write(p), reportresult::kWritten);
        EXPECT_EQ(ctx_->runCount, c.runs);
        EXPECT_EQ(ctx_->umarOutliers, c.outliers);
        EXPECT_FALSE(printsNanOrInf());
        if (c.sum.empty()) {  // page 3 keeps its head; the next page is section 6's, page 5
            EXPECT_EQ(row(3, 201), "");
            EXPECT_EQ(doc_->pages(), 7);
            EXPECT_EQ(at(4, 496, 790), "Page: 5");
            continue;
        }
        const int n = std::min(c.runs - 7, 12);
        EXPECT_EQ(at(3, 46, 201.f + 18 * (n - 1)), std::to_string(30 * (n - 1)));
        EXPECT_EQ(row(3, 201.f + 18 * n), c.sum);
        EXPECT_EQ(row(3, 219.f + 18 * n), c.mean);
        // Missing points are not points outside the band; one point outside passes, and is named.
        const TextId first = n < 12 || c.umar == 0 ? kS56NotCompleted
                             : c.outliers == 1     ? kS56PassButOne
                                                   : (c.outliers == 0 ? kS56Pass : kS56Fail);
        const bool passed = first == kS56Pass, full = passed || first == kS56Fail;
        EXPECT_EQ(at(4, 51, 700), textOrEmpty(first));
        EXPECT_EQ(at(4, 51, 712), full ? textOrEmpty(passed ? kS56Pass2 : kS56Fail2)
                                  : first == kS56PassButOne ? ks::format(textOrEmpty(kS56PassButOne2), c.emar, c.accuracy)
                                                            : "<none>");
        EXPECT_EQ(at(4, 51, 724), full ? ks::format("балансировки e|mar| = {} гмм / кг ({}).", c.emar, c.accuracy) : "<none>");
        // The sheet, then a mark per point that has a multiple, the 0° point again at 360°.
        std::vector<const DocCall*> images;
        for (const DocCall* i : doc_->of(DocOp::image))
            if (i->page == 4) images.push_back(i);
        const std::size_t marks = c.umar == 0 ? 0 : 2 * (n + 1);
        ASSERT_EQ(images.size(), 2 + marks);
        EXPECT_EQ(images[1]->w, 517.f);
        for (const Mark& m : c.marks)
            EXPECT_TRUE(markAt(markX(m.plane, m.position), markY(m.plane, m.v))) << m.position;
    }
}

// The driver into a PDF file: the sheet and the mark stored once, the table
// and the verdict readable, the marks inked where the geometry puts them.
TEST_F(VerificationUmar, PdfPagesThreeAndFour) {
    if (!pdfinspect::toolsPresent()) GTEST_SKIP() << "poppler-utils not installed";
    setLanguage(true);
    // k = 1 ± 0.06 at positions 0 and 6: off the grid's lines.
    rotor_ = rotor(19,
                   [](int i) {
                       const double c = std::cos(i * kPi / 6);
                       return Reading{25 * (1 + 0.06 * c), 0, 50 * (1 + 0.06 * c), 0};
                   })
                 .builder()
                 .load(cfg_.get());
    {
        ReportContext ctx(*rotor_, cfg_.get(), std::make_unique<PdfDoc>("umar.pdf"));
        ASSERT_EQ(writeVerificationProtocol(ctx), reportresult::kWritten);
    }
    std::set<int> sheets, markObjects;
    int markUses = 0;
    for (const auto& i : pdfinspect::images("umar.pdf")) {
        if (i.type != "image" || i.page != 4) continue;
        if (i.width == 1805) sheets.insert(i.object);
        if (i.width == 400) markObjects.insert(i.object), ++markUses;
    }
    EXPECT_EQ(sheets.size(), 1u);
    EXPECT_EQ(markObjects.size(), 1u);
    EXPECT_EQ(markUses, 26);
    const std::string table = pdfinspect::text("umar.pdf", 3), verdict = pdfinspect::text("umar.pdf", 4);
    for (const char* t : {"5.4. Test data sheet", "330", "Sum", "Mean value", "12.00", "24.00", "2.00"})
        EXPECT_NE(table.find(t), std::string::npos) << t;
    for (const char* t : {"5.5. Diagram", "5.6. Так как все точки", "(increased)"})
        EXPECT_NE(verdict.find(t), std::string::npos) << t;
    Pgm page;
    ASSERT_TRUE(pdfinspect::render("umar.pdf", page, 4));
    // Inside each mark's disc beside the position's grid line, and clear half way to the next position.
    for (int plane = 0; plane < 2; ++plane)
        for (int i : {0, 6, 12}) {
            const float v = i == 6 ? 0.94f : 1.06f;
            const int x = int(markX(plane, i) + 5), y = int(markY(plane, v) + 5 - kRenderShift);
            EXPECT_LT(page.at(x + 3, y), 170) << plane << " " << i;
            EXPECT_GT(page.at(x + 16, y), 170) << plane << " " << i;
        }
}

}  // namespace
