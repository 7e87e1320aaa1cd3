// The protocols end to end: a proving rotor walked through the verification
// test by its own operations, and a balancing rotor, written by
// Rotor::makeReport and read back with poppler as a reader gets them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "protocols/pdf_doc.h"
#include "protocols/report_texts.h"
#include "records/job_records.h"
#include "rotor/rotor_report.h"
#include "support/protocols_pdf_inspect.h"
#include "support/verification_fixture.h"
#include "support/verification_walk.h"
#include "texts/format.h"

namespace fs = std::filesystem;
using namespace reporttext;

namespace {

// A text as pdftotext gives it: lowered runs without their marks.
std::string plain(const std::string& s) {
    return std::regex_replace(s, std::regex("\\|"), "");
}
std::string withoutBlanks(const std::string& s) {
    return std::regex_replace(s, std::regex(" "), "");
}

class ProtocolEndToEnd : public verification::Fixture {
protected:
    void SetUp() override {
        if (!pdfinspect::toolsPresent()) GTEST_SKIP() << "poppler-utils not installed";
        Fixture::SetUp();
    }
    // The rotor's protocol into pdf, in a language; answers its text after
    // checking each page's number (a one-page protocol has none), no inf or
    // nan, and, when asked, ink in some words of every page.
    std::string write(Rotor& rotor, bool english, const std::string& pdf, const std::vector<int>& printed,
                      bool ink) {
        setLanguage(english);
        EXPECT_EQ(rotor.makeReport(0, pdf.c_str(), 0, 0), reportresult::kWritten);
        EXPECT_EQ(pdfinspect::info(pdf)["Pages"], std::to_string(printed.size()));
        const std::string text = pdfinspect::text(pdf);
        EXPECT_FALSE(std::regex_search(text, std::regex(R"(\b(inf|nan)\b)")));
        std::size_t pageStart = 0;
        for (int page = 1; page <= int(printed.size()); ++page) {
            const std::size_t end = text.find('\f', pageStart);
            const std::string pageText = text.substr(pageStart, end - pageStart);
            pageStart = end + 1;
            for (const std::string& frame : {ks::format("{}: {}", textOrEmpty(kPageLabel), printed[page - 1]),
                                             ks::format("{}: 8", textOrEmpty(kPagesLabel))})
                EXPECT_TRUE(printed.size() == 1 || pageText.find(frame) != std::string::npos)
                    << page << frame;
            Pgm pgm;
            if (!ink || !pdfinspect::render(pdf, pgm, page)) continue;
            const auto words = pdfinspect::words(pdf, page);
            for (std::size_t i = 0; i < words.size(); i += 5) {
                const pdfinspect::Word& w = words[i];
                EXPECT_TRUE(w.text.size() < 3 || pgm.inkIn(int(w.xMin), int(w.yMin), int(std::ceil(w.xMax)),
                                                           int(std::ceil(w.yMax))))
                    << "blank word " << w.text << " on page " << page;
            }
        }
        return text;
    }
};

TEST_F(ProtocolEndToEnd, ProvingRotorWalkedThroughTheVerificationTest) {
    const std::vector<int> all = {1, 2, 3, 4, 5, 6, 7, 8};
    struct Case {
        const char* what;
        int runs;
        bool urrMoved;
        std::vector<int> printed;                   // the page numbers printed, page by page
        std::vector<std::string> english, russian;  // besides the section titles and the verdict
        std::vector<std::string> missing;           // texts the protocol must not hold
    };
    setLanguage(true);
    const std::string umarFails = plain(ks::format(textOrEmpty(kS91UmarNotConfirmed), 25));
    // clang-format off
    const Case cases[] = {
        {"39 runs", 39, false, all, {"URR = 95 %, which exceeds or conforms to", "0.05 × Ustation"}, {"URR = 95 %, что не уступает"}, {}},
        {"8 runs", 8, false, all, {}, {}, {}},
        {"stage 0", 7, false, {1, 2, 3, 5, 6, 7, 8},
         {umarFails, "6.3. URR test was not carried out", "URR was not tested", "не проходила испытания",
          "не проходило испытания"}, {},
         {"во всех плоскостях", "заявленной величине", "URR = 5 %", "claimed value URR"}},
        {"two URR readings off", 39, true, all,
         {"URR = 85 % limit circles", "This does not correspond to", "URR = 85 %, which does not conform to"}, {}, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        verification::Walk walk(cfg_);
        for (int t = 0; t < c.runs; ++t) {
            verification::Readings u = verification::testReadings(t);
            if (c.urrMoved && (t == 20 || t == 21)) u[0] *= 1.125;  // plane 1 in its 85 % rings
            walk.run(u);
        }
        ASSERT_EQ(walk.rotor().runCount(), c.runs);
        walk.rotor().selectRun(c.runs / 2);
        const bool approved = c.runs == 39 && !c.urrMoved;
        for (bool english : {true, false}) {
            if (!english && c.russian.empty()) continue;
            const std::string text = write(walk.rotor(), english, "walk.pdf", c.printed, !c.russian.empty());
            EXPECT_EQ(walk.rotor().currentRun(), c.runs / 2);
            std::vector<std::string> expected = english ? c.english : c.russian;
            for (TextId t : {kSection1Title, kSection2Title, kSection3Title, kSection4Title, kSection5Title,
                             kSection6Title, kSection7Title, kSection8Title, kSection9Title,
                             approved ? kVerdictApproved : kVerdictNotApproved})
                expected.push_back(plain(textOrEmpty(t)));
            for (const std::string& t : expected) EXPECT_NE(text.find(t), std::string::npos) << t;
            for (const std::string& t : c.missing) EXPECT_EQ(text.find(t), std::string::npos) << t;
            if (!english) continue;
            std::vector<std::string> images;  // page:width of every image
            for (const auto& i : pdfinspect::images("walk.pdf"))
                if (i.type == "image") images.push_back(ks::format("{}:{}", i.page, i.width));
            const auto uses = [&](const char* i) { return std::count(images.begin(), images.end(), i); };
            EXPECT_EQ(uses("4:400"), c.runs == 8 ? 4 : c.runs < 8 ? 0 : 26);  // 0° drawn again at 360°
            if (c.russian.empty()) continue;
            // The logo, the drawing, both sheets with their marks; the file's size.
            for (const char* i : {"1:1034", "1:680", "4:1805", "6:1893"}) EXPECT_EQ(uses(i), 1) << i;
            EXPECT_EQ(uses("6:400"), 24);
            EXPECT_LT(fs::file_size("walk.pdf"), 2u << 20);
            // The history file gives the same protocol, loaded into a new rotor and through protocolpdf.
            const std::string history = testwd::filesIn("history").at(0);
            Rotor reloaded(cfg_.get());
            ASSERT_TRUE(reloaded.loadRotor(history.c_str(), 2));
            EXPECT_EQ(write(reloaded, true, "reloaded.pdf", all, false), text);
#ifdef KS_PROTOCOLPDF
            const auto run = pdfinspect::runTool({KS_PROTOCOLPDF, "history/" + history, "tool.pdf", "--en"});
            EXPECT_EQ(run.status, 0) << run.out;
            EXPECT_EQ(pdfinspect::text("tool.pdf"), text);
#endif
        }
    }
}

// A sound machine that reads the masses the rotor asks for, each mounted at
// its own plane's radius, is approved whatever plane a radius or a mass was
// typed in: the screen asks for, and page 1 states, one set.
TEST_F(ProtocolEndToEnd, ASoundMachineReadingTheMassesAskedForIsApproved) {
    const struct {
        std::uint32_t plane, field;
        const char *typed, *stated;
    } cases[] = {{2, jobrec::kRadiusSmall, "110", "m|station| = U|station| / r = 1250 / 110 = 11.36 g"},
                 {1, jobrec::kMassUmar, "2.125", "m|umar| = U / r = 212.5 / 100 = 2.125 g"}};  // all its digits
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stated);
        verification::Walk walk(cfg_);
        walk.plane(c.plane, c.field, c.typed);
        for (int t = 0; t < 39; ++t) walk.runMounted(t);
        const std::string text = write(walk.rotor(), true, "mounted.pdf", {1, 2, 3, 4, 5, 6, 7, 8}, false);
        for (const std::string& t : {plain(c.stated), std::string("URR = 95 %, which exceeds or conforms to"),
                                     plain(textOrEmpty(kVerdictApproved))})
            EXPECT_NE(text.find(t), std::string::npos) << t;
    }
}

// U|mar| and the three test masses typed away from their suggestions: every equation of page 1 holds as
// printed, the accuracy confirmed is U|mar| / m, and the verdicts follow the masses mounted.
TEST_F(ProtocolEndToEnd, TypedTestMassesHoldTheirEquations) {
    verification::Walk walk(cfg_);
    const std::uint32_t umar[] = {jobrec::kPermissibleUnbalance};
    EXPECT_TRUE(walk.rotor().setParameter(umar, 1, "30"));  // e|mar| 30 / 62.5 = 0.48
    walk.plane(0, jobrec::kMassUmar, "2"), walk.plane(0, jobrec::kMassStation, "10");
    walk.plane(0, jobrec::kMassTravel, "40");  // r 100: U 200, U|station| 1000, U|travel| 4 × U|station|
    for (int t = 0; t < 39; ++t) walk.run(verification::testReadings(t, {30, 200, 1000, 4000}));
    const std::regex equation(R"((-?\d+(?:[.,]\d+)?) (×|/) (-?\d+(?:[.,]\d+)?) = (-?\d+(?:[.,](\d+))?))");
    auto number = [](std::string s) { return std::stod(std::regex_replace(s, std::regex(","), ".")); };
    for (bool english : {true, false}) {
        const std::string text = write(walk.rotor(), english, "typed.pdf", {1, 2, 3, 4, 5, 6, 7, 8}, false);
        const std::string page1 = text.substr(0, text.find('\f'));
        int equations = 0;
        for (std::sregex_iterator m(page1.begin(), page1.end(), equation), end; m != end; ++m, ++equations) {
            const double a = number((*m)[1]), b = number((*m)[3]);
            const double product = (*m)[2] == "×" ? a * b : a / b;
            EXPECT_EQ(ks::fixed(product, int((*m)[5].length())), ks::fixed(number((*m)[4]), int((*m)[5].length())))
                << m->str();
        }
        EXPECT_EQ(equations, 8);  // 4.1 to 4.8
        for (const char* claim : {english ? "emar = 0.48 gmm/kg (increased)" : "emar = 0,48 гмм/кг (повышенная)",
                                  english ? "emar = 0.48 гмм / кг (increased)." : "emar = 0,48 гмм / кг (повышенная).",
                                  english ? "emar = 0.48 gmm / kg." : "emar = 0,48 гмм / кг."})
            EXPECT_NE(text.find(claim), std::string::npos) << claim;
        EXPECT_NE(text.find(plain(textOrEmpty(kVerdictApproved))), std::string::npos);
    }
}

// The longest name the entry takes (100 Cyrillic letters) and a long model, customer and company are printed
// whole, never below 60 % of their rows' size: on more lines, the page below them moving down.
TEST_F(ProtocolEndToEnd, LongValuesStayLegible) {
    std::string name, expert, company = "ООО «Северный турбинный сервис»";
    for (int i = 0; i < 100; ++i) name += "Ж", expert += i % 12 == 11 ? " " : "Щ", company += i % 10 ? "Ы" : " ";
    const std::string model = "Horizontal balancing machine HB|2000 S with a drive of 22 kW";
    cfg_.get()->machineInfo.model = model, cfg_.get()->company.company = company;
    auto baseline = [](const pdfinspect::Word& a) { return a.yMax - (a.yMax - a.yMin) * 244 / 1171; };
    auto find = [](const auto& words, auto t) {
        return *std::find_if(words.begin(), words.end(), [&](auto& a) { return a.text == t; });
    };
    // A value's words below its label in x..x + w: 60 % as tall as it, the first on its line in a balancing protocol.
    auto legible = [&](const std::string& pdf, const std::string& label, float x, float w, const std::string& value) {
        std::string out;
        const auto words = pdfinspect::words(pdf, 1);
        const pdfinspect::Word l = find(words, label);
        for (const pdfinspect::Word& a : words) {
            if (a.xMin > x - 2 && a.xMax < x + w + 2 && a.yMin > l.yMin - 3 && a.yMin < l.yMin + 45 &&
                withoutBlanks(value).find(a.text) != std::string::npos) {
                EXPECT_GE(a.yMax - a.yMin, 0.6 * (l.yMax - l.yMin) - 0.01) << a.text;
                EXPECT_TRUE(pdf == "walk.pdf" || !out.empty() || std::abs(baseline(a) - baseline(l)) < 0.1) << a.text;
                out += a.text;
            }
        }
        return out;
    };
    rotorbuild::RotorBuilder b(name);
    b.planes(1).customer(expert).tolerance(40).runs(12, rotortest::localSeconds(2023, 3, 5, 9, 0, 0), "I. Ivanov",
                                                    [](int k) { return 725.0 * (k + 1); });
    auto rotor = b.load(cfg_.get());
    for (bool english : {true, false}) {
        const std::string text = write(*rotor, english, "pump.pdf", {1}, true);
        const std::string values[][3] = {{"name:", "Изделие:", name}, {"Machine:", "Станок:", model},
                                         {"Customer:", "Заказчик:", expert}, {"Company:", "Организация:", company}};
        for (const auto& v : values)
            EXPECT_EQ(legible("pump.pdf", v[english ? 0 : 1], 146, 417, v[2]), withoutBlanks(v[2]));
        EXPECT_NE(text.find(textOrEmpty(kNotInTolerance)), std::string::npos);
        const auto words = pdfinspect::words("pump.pdf", 1);  // the speed's label: its second line under its first
        const double second = find(words, english ? "during" : "балансировке,").yMin;
        EXPECT_NEAR(second - find(words, english ? "speed" : "Частота").yMin, 15, .5);
        for (const pdfinspect::Word& a : words)  // no line crowds another
            for (const pdfinspect::Word& o : words)
                EXPECT_FALSE(&a != &o && a.xMin < o.xMax && o.xMin < a.xMax && std::max(a.yMin, o.yMin) + .01 <
                             std::min(a.yMax, o.yMax)) << a.text;
    }
    verification::Walk walk(cfg_);  // page 1: the company and the model of section 1, the expert of section 2
    const std::uint32_t examiner[] = {jobrec::kCustomer};
    EXPECT_TRUE(walk.rotor().setParameter(examiner, 1, expert.c_str()));
    write(walk.rotor(), false, "walk.pdf", {1, 2, 3, 5, 6, 7, 8}, false);
    EXPECT_EQ(legible("walk.pdf", "2.4.", 246, 149, expert), withoutBlanks(expert));
    EXPECT_EQ(legible("walk.pdf", "1.3.", 166, 129, model), withoutBlanks(model));
    // The form's rows give no more room: what two lines cannot hold ends in an ellipsis.
    const std::string cut = legible("walk.pdf", "1.1.", 166, 129, company + "…");
    EXPECT_EQ(cut.substr(cut.size() - 3), "…");
    EXPECT_EQ(withoutBlanks(company).rfind(cut.substr(0, cut.size() - 3), 0), 0u) << cut;
}

}  // namespace
