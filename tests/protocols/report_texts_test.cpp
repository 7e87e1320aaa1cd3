#include "protocols/report_texts.h"

#include <fmt/args.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "protocols/protocols.h"
#include "support/format_fields.h"
#include "texts/format.h"
#include "texts/texts.h"

namespace {

using namespace reporttext;

class ReportTexts : public ::testing::Test {
protected:
    void SetUp() override { registerProtocols(); }
    void TearDown() override { setLanguage(false); }

    static std::string text(bool english, TextId id) {
        setLanguage(english);
        const char* t = getReportText(id);
        return t ? t : "<null>";
    }
};

const std::set<TextId> kRussianOnly = {0x107444A, 0x107446D, 0x1074482, 0x1074483, 0x1074484, 0x1074485,
                                       0x1074486, 0x10744AC, 0x10744AD, 0x10744AE, 0x10744B1, 0x10744B2,
                                       0x10744B3, 0x10744B4, 0x10744C1, 0x10744C2, 0x10744C3, 0x10744C4,
                                       0x10744C5, 0x10744C6, 0x10744C7, 0x10744C8, 0x10744C9, 0x10744CA,
                                       0x10744D9, 0x10744DA};

// What the writers fill into the texts that are patterns, in the order they
// pass it: i an integer, d a number, s a text.  Every other item is drawn as
// it stands or is itself an argument of the writer's own pattern.
const std::map<TextId, std::string> kWriterArguments = {
    {kBalancingDate, "isi"},            // day, month name, year
    {kTestDate, "iii"},                 // day, month, year
    {kVerificationNumberLine, "iiii"},  // protocol number, day, month, year
    {kS56Accuracy, "ds"},
    {kS63Line2, "ds"},
    {kS63Line3, "ds"},
    {kCompensatorStepRun, "i"},
    {kTorqueStepRun, "i"},
    {kS91Machine, "ss"},
    {kS91UmarConfirmed, "d"},
    {kS91UmarConfirmed2, "d"},
    {kS91UmarNotConfirmed, "d"},
    {kS91UmarNotConfirmed2, "d"},
    {kS91Urr, "ds"},
    {kS91Urr2, "d"},
    {kS91IscConforms, "d"},
    {kS91IscDoesNotConform, "d"},
    {kS56PassButOne2, "ds"},
    {kS91LimitInOnePlane, "d"},
    {kS91LimitInAllPlanes, "d"},
};

// Formats pattern with sample arguments of the kinds given, through the
// program's formatting helper; also returns what each argument prints as.
std::string formatWithKinds(const std::string& pattern, const std::string& kinds,
                            std::vector<std::string>& printed) {
    fmt::dynamic_format_arg_store<fmt::format_context> args;
    const int ints[] = {41, 7, 3, 2023};
    const char* const words[] = {"alpha", "beta"};
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        if (kinds[i] == 'i') {
            args.push_back(ints[i]);
            printed.push_back(std::to_string(ints[i]));
        } else if (kinds[i] == 'd') {
            args.push_back(ks::localizeArg(12.5));
            printed.push_back(ks::format("{}", 12.5));
        } else {
            args.push_back(words[i % 2]);
            printed.push_back(words[i % 2]);
        }
    }
    return ks::vformat(pattern, args);
}

bool validUtf8WithoutControls(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = s[i];
        const int extra = c < 0x80             ? 0
                          : (c & 0xE0) == 0xC0 ? 1
                          : (c & 0xF0) == 0xE0 ? 2
                          : (c & 0xF8) == 0xF0 ? 3
                                               : -1;
        if (extra < 0 || c < 0x20 || c == 0x7F || i + extra >= s.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += extra + 1;
    }
    return true;
}

// The runs between '|' marks.
std::vector<std::string> loweredRuns(const std::string& s) {
    std::vector<std::string> runs;
    std::size_t open = s.find('|');
    while (open != std::string::npos) {
        const std::size_t close = s.find('|', open + 1);
        if (close == std::string::npos) break;
        runs.push_back(s.substr(open + 1, close - open - 1));
        open = s.find('|', close + 1);
    }
    return runs;
}

TEST_F(ReportTexts, RangeLanguagesAndRegistration) {
    for (bool english : {false, true}) {
        setLanguage(english);
        EXPECT_EQ(getReportText(0x1074400), nullptr);
        EXPECT_EQ(getReportText(kLast + 1), nullptr);
        EXPECT_EQ(getReportText(0x1074800), nullptr);
        EXPECT_EQ(textOf(0x1074400), nullptr) << "the registered group answers for its base";
    }
    ASSERT_NE(tr(kFirst), nullptr);
    EXPECT_EQ(tr(kFirst)->text, getReportText);
    int russianOnly = 0;
    for (TextId id = kFirst; id <= kLast; ++id) {
        SCOPED_TRACE(::testing::Message() << std::hex << id);
        const std::string en = text(true, id), ru = text(false, id);
        EXPECT_NE(en, "<null>");
        EXPECT_NE(ru, "<null>");
        EXPECT_EQ(textOf(id), getReportText(id));
        EXPECT_EQ(reportTextAttrs(id)[0], 0u);
        EXPECT_EQ(en.empty(), id == kS4UmarTestMass2);
        EXPECT_FALSE(ru.empty());
        if (kRussianOnly.count(id)) {
            ++russianOnly;
            EXPECT_EQ(en, ru);
        }
    }
    EXPECT_EQ(russianOnly, 26);
    EXPECT_EQ(kLast - kFirst + 1, 218u);
}

TEST_F(ReportTexts, GivenTextsByteForByte) {
    struct Sample {
        TextId id;
        const char* en;
        const char* ru;
    };
    const Sample samples[] = {
        {0x1074401, "Balancing protocol", "Протокол балансировки"},
        {0x107441C, "Evalution of balancing results:", nullptr},
        {0x107442C, "Expert\u2019s full name:", nullptr},
        {0x1074435, "Machine serial number", nullptr},
        {0x1074448, "standart", nullptr},
        {0x1074493, "coefficient URRclaim ={} %. Balancing machine {} URR test.", nullptr},
        {0x107444A, "2.1. Организация, проводящая испытания:", "2.1. Организация, проводящая испытания:"},
        {0x107445A, "", "достижимого остаточного дисбаланса U|mar|:"},
        {0x10744BD, "• unbalance reduction ratio in each correction plane URR = {} %, which {}",
         "• коэффициент уменьшения дисбаланса в каждой из плоскостей коррекции URR = {} %, что {}"},
        // A Cyrillic "с" in the last subscript, as the system has it.
        {0x10744C9, "U|mar| + I|sc| × U|travel|, что соответствует заявленной величине I|s\xD1\x81| = {} %.",
         "U|mar| + I|sc| × U|travel|, что соответствует заявленной величине I|s\xD1\x81| = {} %."},
        {0x10744CA,
         "U|mar| + I|sc| × U|travel|, что не соответствует заявленной величине I|s\xD1\x81| = {} %.",
         "U|mar| + I|sc| × U|travel|, что не соответствует заявленной величине I|s\xD1\x81| = {} %."},
        {0x1074463, "Unbalance, plane", "Дисбаланс, плоскость"},
        {0x10744D2, "#", "\xC3\x83"},
        {0x1074421, ".,", ".,"},
    };
    for (const Sample& s : samples) {
        SCOPED_TRACE(::testing::Message() << std::hex << s.id);
        EXPECT_EQ(text(true, s.id), s.en);
        if (s.ru) {
            EXPECT_EQ(text(false, s.id), s.ru);
        }
    }
}

TEST_F(ReportTexts, ReorderedItemsFillInEachLanguagesOrder) {
    // 5 March 2023, protocol number 50587; the month's name from the months group.
    struct Case {
        bool english;
        std::string date, testDate, numberLine;
    };
    const Case cases[] = {
        {true, "March 5, 2023", "Test date: 03/05/2023",
         "№ 50587 of 03/05/2023 in accordance with ISO 21940-21-2012"},
        {false, "5 марта 2023", "Дата испытаний: 05.03.2023",
         "№ 50587 от 05.03.2023 согласно ГОСТ 20076-2007"},
    };
    for (const Case& c : cases) {
        setLanguage(c.english);
        EXPECT_EQ(ks::format(getReportText(kBalancingDate), 5, textOrEmpty(0x138C803), 2023), c.date);
        EXPECT_EQ(ks::format(getReportText(kTestDate), 5, 3, 2023), c.testDate);
        EXPECT_EQ(ks::format(getReportText(kVerificationNumberLine), 50587, 5, 3, 2023), c.numberLine);
    }
}

TEST_F(ReportTexts, EveryItemFormatsWithItsWritersArguments) {
    for (TextId id = kFirst; id <= kLast; ++id) {
        const auto found = kWriterArguments.find(id);
        const std::string kinds = found == kWriterArguments.end() ? "" : found->second;
        const std::string en = text(true, id), ru = text(false, id);
        SCOPED_TRACE(::testing::Message() << std::hex << id << " " << en);
        EXPECT_EQ(textcheck::fmtFieldSet(en), textcheck::fmtFieldSet(ru));
        for (bool english : {true, false}) {
            setLanguage(english);
            const std::string pattern = english ? en : ru;
            if (pattern.empty()) continue;
            std::vector<std::string> printed;
            const std::string out = formatWithKinds(pattern, kinds, printed);
            if (kinds.empty()) {
                EXPECT_TRUE(textcheck::fmtFields(pattern).empty()) << pattern;
                EXPECT_EQ(out, pattern);
                continue;
            }
            // A failed format gives the pattern back.
            EXPECT_NE(out, pattern);
            EXPECT_EQ(out.find_first_of("{}"), std::string::npos) << out;
            for (const std::string& p : printed)
                EXPECT_NE(out.find(p), std::string::npos) << out << " lacks " << p;
        }
    }
}

TEST_F(ReportTexts, MarksUtf8AndTranslations) {
    const std::set<TextId> sameInBoth = {kDotComma};
    const std::set<TextId> noCyrillic = {kDotComma, kBalancingDate, kNumberSign};
    for (TextId id = kFirst; id <= kLast; ++id) {
        const std::string en = text(true, id), ru = text(false, id);
        SCOPED_TRACE(::testing::Message() << std::hex << id << " " << en << " / " << ru);
        EXPECT_TRUE(validUtf8WithoutControls(en));
        EXPECT_TRUE(validUtf8WithoutControls(ru));
        EXPECT_LE(ru.size(), 511u);
        for (const std::string& s : {en, ru}) EXPECT_EQ(std::count(s.begin(), s.end(), '|') % 2, 0);
        for (const std::string& run : loweredRuns(en)) {
            EXPECT_NE(ru.find("|" + run + "|"), std::string::npos) << run;
        }
        if (kRussianOnly.count(id)) continue;
        EXPECT_EQ(en == ru, sameInBoth.count(id) == 1);
        EXPECT_EQ(ru.find_first_of("\xD0\xD1") != std::string::npos, noCyrillic.count(id) == 0);
    }
}

TEST_F(ReportTexts, PlaneHeadingSplitsAfterItsFirstWord) {
    // Sections 7 and 8 draw "{} {}" of the heading and the plane number in two
    // lines, split at the first blank.
    for (bool english : {true, false}) {
        setLanguage(english);
        const std::string heading = ks::format("{} {}", getReportText(kUnbalancePlaneHead), 2);
        const std::size_t blank = heading.find(' ');
        ASSERT_NE(blank, std::string::npos);
        EXPECT_EQ(heading[blank - 1], ',') << heading;
        EXPECT_EQ(heading.substr(blank + 1).find(','), std::string::npos) << heading;
        EXPECT_EQ(heading.back(), '2');
    }
}

}  // namespace
