// The verification-test protocol's driver, page frame and page 1, written
// from proving rotors loaded from history files: into a recording document for
// the layout and the values, into a PDF file for what a reader sees.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "protocols/pdf_doc.h"
#include "rotor/rotor_report.h"
#include "support/protocols_pdf_inspect.h"
#include "support/verification_fixture.h"
#include "texts/format.h"

namespace {

constexpr float kX = 46.f;
constexpr float kAddressX = kX + 517.f / 3 - 25;

verification::ProvingRotor provingRotor(int runs) {
    verification::ProvingRotor p;
    p.lastRunTime = rotortest::localSeconds(2023, 3, 5, 14, 3, 7);
    p.runs.assign(static_cast<std::size_t>(runs), {20, 10, 30, 100});
    return p;
}

class VerificationFrame : public verification::Fixture {};
class VerificationPage1 : public verification::Fixture {};

TEST_F(VerificationFrame, FooterNumberDateAndAddressOfEveryPage) {
    struct Case {
        bool english;
        int runs;
        const char* address2;
        std::string footer1, footer2, numberLine;  // the footer rows with the page number as {}
        std::vector<std::string> address;          // the address block's rows
        std::vector<int> printed;                  // the page numbers printed, page by page
    };
    // clang-format off
    const Case cases[] = {
        {true, 19, "", "Protocol number: 50587 | Expert’s full name: A. Ex | Page: {}",
         "Test date: 03/05/2023 | Company: Lab | Pages: 8", "№ 50587 of 03/05/2023 in accordance with ISO 21940-21-2012",
         {"Address:", "Main St", "a@b.example", "<none>"}, {1, 2, 3, 4, 5, 6, 7, 8}},
        // Without runs the time of writing: the test clock's 5 March 2025, 14:07:09.
        {false, 0, "Bldg 2", "Номер протокола: 50829 | ФИО эксперта: A. Ex | Страница: {}",
         "Дата испытаний: 05.03.2025 | Организация: Lab | Всего страниц: 8",
         "№ 50829 от 05.03.2025 согласно ГОСТ 20076-2007", {"Адрес:", "Main St", "Bldg 2", "a@b.example"},
         {1, 2, 3, 5, 6, 7, 8}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.numberLine);
        cfg_.get()->company.address = "Main St", cfg_.get()->company.address2 = c.address2;
        cfg_.get()->company.emailWeb = "a@b.example";
        verification::ProvingRotor p = provingRotor(c.runs);
        p.expert = "A. Ex", p.testCompany = "Lab";
        ASSERT_EQ(write(p, c.english), reportresult::kWritten);
        EXPECT_EQ(at(1, kX, 109), c.numberLine);
        ASSERT_EQ(doc_->pages(), static_cast<int>(c.printed.size()));
        for (int page = 1; page <= doc_->pages(); ++page) {
            SCOPED_TRACE(page);
            EXPECT_EQ(row(page, 790), ks::format(c.footer1, c.printed[page - 1]));
            EXPECT_EQ(row(page, 802), c.footer2);
            for (int i = 0; i < 4; ++i) EXPECT_EQ(at(page, kAddressX, 29.f + 10 * i), c.address[i]) << i;
            EXPECT_NE(at(page, kX, 29), "<none>");  // the phones' label, with no phones too
            int logos = 0;
            for (const DocCall* i : doc_->of(DocOp::image))
                logos += i->page == page && near(i->x, kX + 517 * 4 / 5.f) && near(i->y, 29) && i->h == 40;
            EXPECT_EQ(logos, 1);
        }
    }
}

TEST_F(VerificationFrame, ResultsKeepTheCurrentRun) {
    const int results[] = {reportresult::kWritten, reportresult::kBeginFailed, reportresult::kNotWritten};
    for (int result : results) {
        rotor_ = provingRotor(39).builder().load(cfg_.get());  // sections 7 and 8 make runs current
        rotor_->selectRun(4);
        auto doc = std::make_unique<RecordingDoc>();
        doc->beginResult = result != reportresult::kBeginFailed;
        doc->saveResult = result != reportresult::kNotWritten;
        doc_ = doc.get();
        ReportContext ctx(*rotor_, cfg_.get(), std::move(doc));
        EXPECT_EQ(writeVerificationProtocol(ctx), result);
        EXPECT_EQ(rotor_->currentRun(), 4);
        EXPECT_EQ(doc_->calls.size() == 1, result == reportresult::kBeginFailed);
    }
}

TEST_F(VerificationPage1, ClaimsAndTestMassLines) {
    struct Case {
        bool english;
        double emar, umar, R, r;
        std::vector<std::string> lines;  // 1.10, 3.4, 3.9, 3.10, then 4.1 and 4.3 to 4.8
        double mass = 62.5, massUmar = 2.5, massStation = 12.5, massTravel = 62.5;
    };
    // clang-format off
    const Case cases[] = {
        {true, 0.19, 25, 100, 100,
         {"e|mar| = 0.4 gmm/kg (increased)", "62.5 kg", "R = 100 mm", "r = 100 mm", "U|mar| = e|mar| × m = 0.4 × 62.5 = 25 gmm",
          "U = 10 × U|mar| = 10 × 25 = 250 gmm", "m|umar| = U / r = 250 / 100 = 2.50 g ± 1 %",
          "U|station| = 50 × U|mar| = 50 × 25 = 1250 gmm", "m|station| = U|station| / r = 1250 / 100 = 12.50 g ± 0.5 %",
          "U|travel| = 5 × U|station| = 5 × 1250 = 6250.00 gmm", "m|travel| = U|travel| / r = 6250.00 / 100 = 62.50 g ± 0.5 %"}},
        {true, 0.2, 25, 100, 80,
         {"e|mar| = 0.4 gmm/kg (increased)", "62.5 kg", "R = 100 mm", "r = 80 mm", "U|mar| = e|mar| × m = 0.4 × 62.5 = 25 gmm",
          "U = 8 × U|mar| = 8 × 25 = 200 gmm", "m|umar| = U / r = 200 / 80 = 2.50 g ± 1 %",
          "U|station| = 40 × U|mar| = 40 × 25 = 1000 gmm", "m|station| = U|station| / r = 1000 / 80 = 12.50 g ± 0.5 %",
          "U|travel| = 5 × U|station| = 5 × 1000 = 5000.00 gmm", "m|travel| = U|travel| / r = 5000.00 / 80 = 62.50 g ± 0.5 %"}},
        {false, 0.5, 22.5, 100, 100,
         {"e|mar| = 0,36 гмм/кг (повышенная)", "62,5 кг", "R = 100 мм", "r = 100 мм", "U|mar| = e|mar| × m = 0,36 × 62,5 = 22,5 гмм",
          "U = 11,1 × U|mar| = 11,1 × 22,5 = 250 гмм", "m|umar| = U / r = 250 / 100 = 2,50 г ± 1 %",
          "U|station| = 55,56 × U|mar| = 55,56 × 22,5 = 1250 гмм", "m|station| = U|station| / r = 1250 / 100 = 12,50 г ± 0,5 %",
          "U|travel| = 5 × U|station| = 5 × 1250 = 6250,00 гмм", "m|travel| = U|travel| / r = 6250,00 / 100 = 62,50 г ± 0,5 %"}},
        {true, 0.4, 0, 100, 0,
         {"e|mar| = 0 gmm/kg (high)", "62.5 kg", "R = 100 mm", "r = 0 mm", "U|mar| = e|mar| × m = 0 × 62.5 = 0 gmm",
          "U = - × U|mar| = - × 0 = 0 gmm", "m|umar| = U / r = 0 / 0 = - g ± 1 %", "U|station| = - × U|mar| = - × 0 = 0 gmm",
          "m|station| = U|station| / r = 0 / 0 = - g ± 0.5 %", "U|travel| = - × U|station| = - × 0 = 0.00 gmm",
          "m|travel| = U|travel| / r = 0.00 / 0 = - g ± 0.5 %"}},
        // U|mar| and the three masses typed away from their suggestions: the equations of what was mounted.
        {false, 0.4, 1500, 100, 140,
         {"e|mar| = 125 гмм/кг (нормальная)", "12 кг", "R = 100 мм", "r = 140 мм", "U|mar| = e|mar| × m = 125 × 12 = 1500 гмм",
          "U = 9,3333 × U|mar| = 9,3333 × 1500 = 14000 гмм", "m|umar| = U / r = 14000 / 140 = 100,00 г ± 1 %",
          "U|station| = 0,9333 × U|mar| = 0,9333 × 1500 = 1400 гмм", "m|station| = U|station| / r = 1400 / 140 = 10,00 г ± 0,5 %",
          "U|travel| = 0,5 × U|station| = 0,5 × 1400 = 700,00 гмм", "m|travel| = U|travel| / r = 700,00 / 140 = 5,00 г ± 0,5 %"},
         12, 100, 10, 5},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines[0]);
        cfg_.get()->balancingAccuracy = c.emar;
        verification::ProvingRotor p = provingRotor(7);
        p.umar = c.umar, p.R = c.R, p.r = c.r, p.mass = c.mass;
        p.massUmar = c.massUmar, p.massStation = c.massStation, p.massTravel = c.massTravel;
        ASSERT_EQ(write(p, c.english), reportresult::kWritten);
        // Its file's planes 2 and 3 hold no masses: opened, every plane holds plane 1's, which page 1 states.
        EXPECT_EQ(rotor_->data().planes[2].massStation, c.massStation);
        // 1.10, 3.4 and 3.9, 3.10, the formulas of 4.1 and 4.3 to 4.8; the fixed rotor type, number and planes.
        // clang-format off
        EXPECT_EQ(at(1, {{443, 189}, {366, 483.8f}, {451, 483.8f}, {451, 499.8f}, {366, 580.8f}, {366, 622.8f},
                         {366, 649.8f}, {366, 676.8f}, {366, 703.8f}, {366, 730.8f}, {366, 757.8f}}), c.lines);
        EXPECT_EQ(at(1, {{366, 435.8f}, {366, 451.8f}, {366, 499.8f}}), (std::vector<std::string>{"B", "4", "3"}));
        // clang-format on
        EXPECT_EQ(at(1, kX, 298.8f), "2.1. Организация, проводящая испытания:");
        EXPECT_EQ(at(1, kX + 15, 650.8f).empty(), c.english);
        // Numbered rows: 1.8 indented 20, 1.3 by 15, a continuation by 20 without number, the 4.5
        // formula row (section 0) without indent; item numbers keep their dots in both languages.
        EXPECT_EQ(at(1, {{303, 157}, {46, 189}, {303, 232}, {46, 676.8f}, {46, 666.8f}}),
                  (std::vector<std::string>{"1.8.", "1.3.", "<none>", "", "4.5."}));
        for (const std::string& label : at(1, {{323, 157}, {61, 189}, {323, 232}}))
            EXPECT_NE(label, "<none>");
        EXPECT_FALSE(printsNanOrInf());
    }
}

// The driver into a real PDF file: page 1 as a reader gets it.
TEST_F(VerificationPage1, PdfPageOneInBothLanguages) {
    if (!pdfinspect::toolsPresent()) GTEST_SKIP() << "poppler-utils not installed";
    cfg_.get()->machineInfo.model = "KBM-2";
    cfg_.get()->local.operatorName = "I. Ivanov";
    const std::vector<std::string> expected[] = {
        {"Verification tests protocol of balancing machine", "№ 50587 of 03/05/2023", "KBM-2", "I. Ivanov",
         "2.1. Организация", "4.8. Travelling test mass", "Pages: 8"},
        {"Протокол проверки балансировочного станка", "№ 50587 от 05.03.2023", "KBM-2", "I. Ivanov",
         "4. Расчёт испытательных грузов", "Всего страниц: 8"}};
    for (bool english : {true, false}) {
        SCOPED_TRACE(english);
        setLanguage(english);
        const std::string pdf = english ? "en.pdf" : "ru.pdf";
        rotor_ = provingRotor(19).builder().load(cfg_.get());
        ReportContext ctx(*rotor_, cfg_.get(), std::make_unique<PdfDoc>(pdf.c_str()));
        ASSERT_EQ(writeVerificationProtocol(ctx), reportresult::kWritten);
        const std::string text = pdfinspect::text(pdf, 1);
        for (const std::string& t : expected[english ? 0 : 1])
            EXPECT_NE(text.find(t), std::string::npos) << t;
        int logo = 0, drawing = 0;
        for (const auto& i : pdfinspect::images(pdf)) {
            logo += i.page == 1 && i.encoding == "jpeg" && i.width == 1034;
            drawing += i.page == 1 && i.type == "image" && i.width == 680 && i.height == 600;
        }
        EXPECT_EQ(logo + drawing, 2);
        Pgm ink;
        ASSERT_TRUE(pdfinspect::render(pdf, ink, 1));
        for (const auto& w : pdfinspect::words(pdf, 1))  // a thin "=" or "-" has no dark pixel at 72 dpi
            EXPECT_TRUE(w.text.size() < 3 ||
                        ink.inkIn(int(w.xMin), int(w.yMin), int(std::ceil(w.xMax)), int(std::ceil(w.yMax))))
                << "blank word " << w.text;
    }
}

}  // namespace
