// Rotor::makeReport with the protocols registered: the header texts it
// copies into the settings, the file it writes, the failures that leave no
// file, and the whole protocol page read back with poppler in both languages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "protocols/protocols.h"
#include "protocols/report_context.h"
#include "protocols/report_writer.h"
#include "records/record.h"
#include "resources/resource_store.h"
#include "rotor/rotor_report.h"
#include "rotor/rotor_test_config.h"
#include "support/protocols_pdf_inspect.h"
#include "support/rotor_builder.h"
#include "texts/text_ids.h"

namespace fs = std::filesystem;
using rotorbuild::RotorBuilder;

namespace {

class MakeReport : public rotortest::TempWorkDir {
protected:
    void SetUp() override {
        TempWorkDir::SetUp();
        registerProtocols();
        ASSERT_TRUE(indexEmbeddedResources());
        setLanguage(true);
    }
    void TearDown() override {
        setLanguage(false);
        restore();
        TempWorkDir::TearDown();
    }
    // The real writer and the whole resource store again.
    static void restore() {
        registerProtocols();
        reportwriter_testing::setBalancingWriter(nullptr);
        resources_testing::clearIndex();
        indexEmbeddedResources();
    }
    TestConfig cfg_;
};

std::int64_t march5(int minute) { return rotortest::localSeconds(2023, 3, 5, 9, minute, 0); }

// Two planes, twelve runs by two operators; run k has unbalance 7.25 * (k + 1).
RotorBuilder pump() {
    RotorBuilder b("Pump");
    b.planes(2).mass(12.5).speed(1450).tolerance(40).customer("Nord Pumps").documentNumber("DN-42");
    b.operatorName("Rotor Op");
    b.runs(11, march5(0), "I. Ivanov", [](int k) { return 725.0 * (k + 1); });
    b.runs(1, march5(30), "P. Petrov", [](int) { return 12.5; });
    return b;
}

TEST_F(MakeReport, CopiesTheHeaderTextsIntoTheSettings) {
    struct Case {
        const char* what;
        RotorBuilder rotor;
        const char* operatorName;
    };
    RotorBuilder noRuns("Pump");
    noRuns.planes(2).customer("Nord Pumps").documentNumber("DN-42").operatorName("Rotor Op");
    const Case cases[] = {{"runs", pump(), "P. Petrov"}, {"no runs", noRuns, "Rotor Op"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto rotor = c.rotor.load(cfg_.get());
        ASSERT_EQ(rotor->makeReport(0, "copies.pdf", 0, 0), reportresult::kWritten);
        const LocalConfig& local = cfg_.get()->local;
        EXPECT_EQ(local.header3, "Pump");
        EXPECT_EQ(local.header4, "DN-42");
        EXPECT_EQ(local.header2, "Nord Pumps");
        EXPECT_EQ(local.header1, c.operatorName);
    }
}

TEST_F(MakeReport, WritesTmpPdfWithoutANameAndNothingWithoutAWriter) {
    auto rotor = pump().load(cfg_.get());
    ASSERT_EQ(rotor->makeReport(0, nullptr, 0, 0), reportresult::kWritten);
    EXPECT_GT(fs::file_size("tmp.pdf"), 0u);
    fs::remove("tmp.pdf");
    setReportWriter(nullptr);
    EXPECT_EQ(rotor->makeReport(0, nullptr, 0, 0), reportresult::kBeginFailed);
    EXPECT_FALSE(fs::exists("tmp.pdf"));
}

int throwingWriter(ReportContext& c) {
    c.doc->begin();
    c.doc->text(46, 100, 200, 20, "half", Doc::kRegularSlot, 12, Doc::kAlignLeft);
    throw std::runtime_error("writer failed");
}

TEST_F(MakeReport, FailuresLeaveNoFileBehind) {
    struct Case {
        const char* what;
        std::string target;
        void (*arrange)(RotorBuilder& rotor);
        int planes = 0;  // set on the loaded rotor: no rotor file holds more than five
    };
    const Case cases[] = {
        // "blocked" is a file where the folder should be: nothing can be written there.
        {"unwritable folder", "blocked/tmp.pdf", [](RotorBuilder&) { testwd::writeFile("blocked", "x"); }},
        {"store without the faces", "tmp.pdf",
         [](RotorBuilder&) {
             resources_testing::clearIndex();
             const std::uint32_t block[] = {Tris::makeHeader(textid::kProtocolImagePageFrame, false, 1), 0};
             indexResourceStore(block, sizeof block);
         }},
        {"writer throws", "tmp.pdf",
         [](RotorBuilder&) { reportwriter_testing::setBalancingWriter(&throwingWriter); }},
        {"six planes: no runs table for them", "tmp.pdf", [](RotorBuilder&) {}, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RotorBuilder b = pump();
        testwd::writeFile("tmp.pdf", "an older protocol");
        c.arrange(b);
        auto rotor = b.load(cfg_.get());
        ASSERT_TRUE(rotor);
        if (c.planes > 0) rotor->setPlaneCount(c.planes);
        int result = -1;
        EXPECT_NO_THROW(result = rotor->makeReport(0, c.target.c_str(), 0, 0));
        EXPECT_EQ(result, reportresult::kNotWritten);
        std::error_code ec;
        EXPECT_FALSE(fs::exists(c.target, ec));
        EXPECT_FALSE(fs::exists("tmp.pdf") && c.target == "tmp.pdf");
        restore();
    }
}

// A page of the protocol in one language, read back with poppler.
struct Page {
    std::string text;
    std::vector<pdfinspect::Word> words;
    std::vector<std::string> runNumbers;  // the words of the run-number column, top down
};

class MakeReportPage : public MakeReport {
protected:
    void SetUp() override {
        if (!pdfinspect::toolsPresent()) GTEST_SKIP() << "poppler-utils not installed";
        MakeReport::SetUp();
        Config& c = *cfg_.get();
        c.company.company = "Balance Works";
        c.company.address = "12 Mill Road";
        c.company.emailWeb = "office@works.example";
        c.company.phones = "+7 495 000 00 00";
        c.machineInfo.model = "KBM-2";
        c.machineInfo.serialNumber = "M-17";
        c.instrumentInfo.model = "KW-5";
        c.instrumentInfo.serialNumber = "I-9";
    }
    Page write(bool english, const std::string& pdf) {
        setLanguage(english);
        auto rotor = pump().load(cfg_.get());
        EXPECT_EQ(rotor->makeReport(0, pdf.c_str(), 0, 0), reportresult::kWritten);
        EXPECT_EQ(pdfinspect::info(pdf)["Pages"], "1");
        Page p{pdfinspect::text(pdf), pdfinspect::words(pdf), {}};
        for (const auto& w : p.words)
            if (w.xMin < 60 && w.yMin > 450 && w.yMin < 720) p.runNumbers.push_back(w.text);
        return p;
    }
};

TEST_F(MakeReportPage, TwoPlanesTwelveRunsInBothLanguages) {
    struct Case {
        bool english;
        std::vector<std::string> texts;
        char decimal, otherDecimal;
    };
    const Case cases[] = {
        {true,
         {"Balancing protocol", "Address:", "12 Mill Road", "Contact phone numbers:", "KBM-2", "M-17", "I-9",
          "Nord Pumps", "Balance Works", "Pump", "DN-42", "12.5", "1450", "Plane 1", "Plane P2",
          "Addition of masses", "Unbal.", "(gmm)", "IN TOLERANCE", "March 5, 2023", "P. Petrov", "7.250", "65.25"},
         '.', ','},
        {false,
         {"Протокол балансировки", "Адрес:", "Контактные телефоны:", "Данные изделия", "Масса изделия, кг:",
          "12,5", "Плоскость 1", "Плоскость P2", "Добавлением масс", "Дисб. (гмм)", "В ДОПУСКЕ", "5 марта 2023",
          "Исполнитель:", "7,250", "65,25"},
         ',', '.'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.english ? "English" : "Russian");
        const std::string pdf = c.english ? "en.pdf" : "ru.pdf";
        const Page page = write(c.english, pdf);
        for (const std::string& t : c.texts) EXPECT_NE(page.text.find(t), std::string::npos) << t;
        EXPECT_EQ(page.runNumbers, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "12"}));
        // Numbers carry the language's decimal separator only (the e-mail's
        // dots stand between letters).
        auto between = [](char separator) { return std::regex(std::string("[0-9][") + separator + "][0-9]"); };
        EXPECT_FALSE(std::regex_search(page.text, between(c.otherDecimal)));
        EXPECT_TRUE(std::regex_search(page.text, between(c.decimal)));

        Pgm ink;
        ASSERT_TRUE(pdfinspect::render(pdf, ink));
        for (const auto& w : page.words)
            EXPECT_TRUE(ink.inkIn(int(w.xMin), int(w.yMin), int(std::ceil(w.xMax)), int(std::ceil(w.yMax))))
                << "blank word " << w.text;
    }
}

// Every number of the rotor itself, and a proving rotor's test masses, damaged: no protocol prints them.
TEST_F(MakeReportPage, DamagedNumbersPrintNoNanOrInf) {
    for (const bool control : {false, true}) {
        for (const double v : {std::nan(""), -HUGE_VAL, 1e308}) {
            RotorBuilder b = pump();
            if (control) (b = RotorBuilder("Proving")).plane({100, 100, 100, v, v, v, 1, 0}).planes(2).control();
            RotorData& d = b.data();
            d.mass = d.permissibleUnbalance = d.driveCalibration = d.calibrationRatio = d.unbalanceUnit = v;
            d.speed = d.drivePulley = d.rotorSurface = UINT32_MAX;
            ASSERT_EQ(b.load(cfg_.get())->makeReport(0, "damaged.pdf", 0, 0), reportresult::kWritten);
            const std::string text = pdfinspect::text("damaged.pdf");
            EXPECT_FALSE(std::regex_search(text, std::regex("\\b(nan|inf)\\b", std::regex::icase))) << text;
        }
    }
}

#ifdef KS_PROTOCOLPDF
TEST_F(MakeReportPage, ProtocolPdfToolWritesAPage) {
    const std::string file = "history/" + pump().write();
    const fs::path out = fs::current_path() / "tool.pdf";
    const pdfinspect::ToolRun run = pdfinspect::runTool({KS_PROTOCOLPDF, file, out.string(), "--ru"});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(pdfinspect::info(out.string())["Pages"], "1");
}
#endif

}  // namespace
