// Page 1 of the verification-test protocol: the title with the protocol's
// number and date, the machine and its claimed accuracy (1), who tests where
// (2), the proving rotor (3) and the test masses worked out as formula lines
// (4).
#include <cstddef>
#include <iterator>
#include <string>

#include "protocols/report_context.h"
#include "protocols/report_texts.h"
#include "protocols/verification_protocol.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "resources/resource_store.h"
#include "rotor/rotor.h"
#include "texts/format.h"

using namespace reporttext;

namespace {

constexpr int kRegular = Doc::kRegularSlot;
constexpr int kBold = Doc::kBoldSlot;
constexpr const char* kTimes = "×";
constexpr const char* kPlusMinus = "±";

// Title.
constexpr float kTitleY = 77.f;
constexpr float kTitleHeight = 56.f;
constexpr float kTitleFontSize = 24.f;
constexpr float kNumberLineY = 109.f;
constexpr float kNumberLineFontSize = 9.f;

// Section titles and rows.
constexpr float kSectionTitleHeight = 20.f;
constexpr float kSectionTitleFontSize = 15.f;
constexpr float kRowFontSize = 9.f;
constexpr float kRowHeight = 12.f;
constexpr float kUnderline = 14.f;

// Section 1: two columns of numbered rows.
constexpr float kSection1TitleY = 132.f;
constexpr float kLeftTotal = 250.f, kLeftLabel = 120.f;
constexpr float kRightTotal = 260.f, kRightLabel = 140.f;

// Section 2.
constexpr float kSection2TitleY = 273.8f;
constexpr float kSection2RowY = 298.8f;
constexpr float kSection2RowStep = 16.f;
constexpr float kSection2LabelW = 199.f;
constexpr float kSection2ValueX = 200.f;
constexpr float kSection2ValueW = 149.f;
constexpr float kSection2RuleW = 350.f;

// Section 3: the drawing on the left, two parts of rows beside it.
constexpr float kSection3TitleY = 370.8f;
constexpr float kDrawingY = 395.8f, kDrawingW = 170.f, kDrawingH = 150.f;
constexpr float kSection3RowY = 435.8f;
constexpr float kSection3RowStep = 16.f;
constexpr float kS3LabelX = 200.f, kS3LabelW = 119.f;
constexpr float kS3ValueX = 320.f, kS3ValueW = 44.f;
constexpr float kS3LeftRuleEnd = 365.f;
constexpr float kS3NumberX = 385.f, kS3NumberW = 19.f;
constexpr float kS3RightValueX = 405.f;
constexpr float kS3RightRuleEnd = 450.f;

// Section 4: numbered rows with formula lines.
constexpr float kSection4TitleY = 555.8f;
constexpr float kSection4RowY = 580.8f;
constexpr float kS4LabelW = 320.f;
constexpr float kS4Step = 16.f;      // from one item to the next
constexpr float kS4LongStep = 27.f;  // past an item with a continuation row
constexpr float kS4FormulaShift = 26.f;
constexpr float kS4ContinuationShift = 27.f;

struct Section1Row {
    float y;
    bool right;  // the right column
    int item;
    TextId label;
    std::string value;
    RowValue kind;
    bool underline;
};
constexpr RowValue kTyped = RowValue::typed, kOwn = RowValue::own;

void sectionTitle(ReportContext& c, float y, TextId title) {
    leftText(c, c.contentLeft, y, c.contentWidth, kSectionTitleHeight, textOrEmpty(title), kBold,
             kSectionTitleFontSize);
}

void writeTitle(ReportContext& c) {
    const std::tm& t = c.reportTime;
    leftText(c, c.contentLeft, kTitleY, c.contentWidth, kTitleHeight, textOrEmpty(kVerificationTitle),
             kRegular, kTitleFontSize);
    const std::string line = ks::format(textOrEmpty(kVerificationNumberLine), c.protocolNumber, t.tm_mday,
                                        t.tm_mon + 1, t.tm_year + 1900);
    leftText(c, c.contentLeft, kNumberLineY, c.contentWidth, kTitleHeight, line.c_str(), kBold,
             kNumberLineFontSize);
}

void writeMachineSection(ReportContext& c) {
    const Config& settings = settingsOf(c);
    Rotor& rotor = *c.rotor;
    // The accuracy claimed is the one the test runs at, as 4.1, 5.6 and 9.1 state it: U|mar| / m.
    const ProvingUnbalances u = provingUnbalances(rotor);
    const std::string accuracy = ks::format("e|mar| = {} {} ({})", u.emarText,
                                            textOrEmpty(textid::kUnitGmmPerKg), testedAccuracyClass(u));
    const Section1Row rows[] = {
        {157, false, 1, kS1Customer, settings.company.company, kTyped, true},
        {157, true, 8, kS1DriveType, textOrEmpty(rotor.isBeltDrive() ? kBeltDrive : kEndDrive), kOwn, true},
        {173, false, 2, kS1Manufacturer, settings.machineInfo.manufacturer.company, kTyped, true},
        {173, true, 9, kS1RotationDirection,
         textOrEmpty(rotor.rotationDirection() ? kRotationReverse : kRotationNormal), kOwn, true},
        {189, false, 3, kS1MachineModel, settings.machineInfo.model, kTyped, true},
        {189, true, 10, kS1BalancingAccuracy, accuracy, kOwn, true},
        {205, false, 4, kS1MachineSerial, settings.machineInfo.serialNumber, kTyped, true},
        {205, true, 11, kS1UnbalanceReductionRatio, ks::format("URR|claim| = {}%", settings.reductionRatio),
         kOwn, true},
        {221, false, 6, kS1InstrumentSerial, settings.instrumentInfo.serialNumber, kTyped, true},
        {221, true, 12, kS1CompensatorDeviation, "", kOwn, false},
        {232, true, 0, kS1CompensatorDeviation2, ks::format("{}%", settings.compensatorDeviation), kOwn,
         true},
        {237, false, 7, kS1MachineType,
         textOrEmpty(rotor.hasFlaggedChannel() ? kSoftBearingHorizontal : kHardBearingHorizontal), kOwn,
         false},
        {248, true, 13, kS1TorqueCoefficient, "", kOwn, false},
        {259, true, 0, kS1TorqueCoefficient2, ks::format("I|sc| = {}%", settings.torqueInfluence), kOwn,
         false},
    };
    sectionTitle(c, kSection1TitleY, kSection1Title);
    const float rightX = c.contentLeft + c.contentWidth - kRightTotal;
    for (const Section1Row& r : rows) {
        writeNumberedRow(c, r.right ? rightX : c.contentLeft, r.y, r.right ? kRightTotal : kLeftTotal,
                         r.right ? kRightLabel : kLeftLabel, textOrEmpty(r.label), r.value.c_str(), r.kind,
                         r.underline, 1, r.item);
    }
}

void writeTestSection(ReportContext& c) {
    const Config& settings = settingsOf(c);
    Rotor& rotor = *c.rotor;
    auto field = [&](TextId id) {
        std::string text;
        return rotor.rotorParameter(id, &text) ? text : std::string();
    };
    struct Row {
        TextId label;
        std::string value;
    };
    const Row rows[] = {
        {kS2TestCompany, field(jobrec::kTestCompany)},
        {kS2TestingSite, field(jobrec::kTestLocation)},
        {kS2MachineOperator, settings.local.operatorName},
        {kS2Examiner, field(jobrec::kCustomer)},
    };
    constexpr std::size_t kUnderlinedRows = 3;
    sectionTitle(c, kSection2TitleY, kSection2Title);
    const float X = c.contentLeft;
    float y = kSection2RowY;
    for (std::size_t i = 0; i < std::size(rows); ++i, y += kSection2RowStep) {
        // The last row, the examiner's name, may take the room down to section 3.
        const float box = i + 1 < std::size(rows) ? kRowHeight : kSection3TitleY - y;
        leftText(c, X, y, kSection2LabelW, kRowHeight, textOrEmpty(rows[i].label), kRegular, kRowFontSize);
        valueText(c, X + kSection2ValueX, y, kSection2ValueW, box, rows[i].value.c_str(), kRegular, kRowFontSize);
        if (i < kUnderlinedRows) c.doc->line(X, y + kUnderline, X + kSection2RuleW, y + kUnderline);
    }
}

void writeProvingRotorSection(ReportContext& c) {
    Rotor& rotor = *c.rotor;
    const float X = c.contentLeft;
    sectionTitle(c, kSection3TitleY, kSection3Title);
    const ResourceEntry drawing = findResource(textid::kProtocolImageProvingRotor);
    if (drawing.size > 0)
        c.doc->image(X, kDrawingY, kDrawingW, kDrawingH, drawing.data, static_cast<int>(drawing.size));

    double a = 0, b = 0, cDistance = 0;
    rotor.supportDistances(&a, &b, &cDistance);
    const char* mm = textOrEmpty(textid::kUnitMm);
    struct Row {
        TextId label;
        std::string value;
        const char* number;
        std::string right;
    };
    // The proving rotor of the verification test is always a three-plane
    // rotor of type B, No. 4.
    const Row rows[] = {
        {kS3RotorType, "B", "3.6.", ks::format("A = {} {}", a, mm)},
        {kS3RotorNumber, "4", "3.7.", ks::format("B = {} {}", b, mm)},
        {kS3RotorSerial, settingsOf(c).local.header4, "3.8.", ks::format("C = {} {}", cDistance, mm)},
        {kS3RotorMass, ks::format("{} {}", rotor.rotorMass(), textOrEmpty(textid::kUnitKg)), "3.9.",
         ks::format("R = {} {}", rotor.correctionRadius(1), mm)},
        {kS3PlaneCount, "3", "3.10.", ks::format("r = {} {}", rotor.testMassRadius(), mm)},
    };
    float y = kSection3RowY;
    for (const Row& r : rows) {
        leftText(c, X + kS3LabelX, y, kS3LabelW, kRowHeight, textOrEmpty(r.label), kRegular, kRowFontSize);
        valueText(c, X + kS3ValueX, y, kS3ValueW, kRowHeight, r.value.c_str(), kRegular, kRowFontSize);
        c.doc->line(X + kS3LabelX, y + kUnderline, X + kS3LeftRuleEnd, y + kUnderline);
        leftText(c, X + kS3NumberX, y, kS3NumberW, kRowHeight, r.number, kRegular, kRowFontSize);
        valueText(c, X + kS3RightValueX, y, kS3ValueW, kRowHeight, r.right.c_str(), kRegular, kRowFontSize);
        c.doc->line(X + kS3NumberX, y + kUnderline, X + kS3RightRuleEnd, y + kUnderline);
        y += kSection3RowStep;
    }
}

// Section 4: every line is an equation of the values the test used, each
// factor printed as it is, so that a reader who redoes it gets the printed
// result.  The test masses are made for plane 1's r (the radius of their
// holes), so every mass line divides by r; R is the surface radius.
void writeTestMassSection(ReportContext& c) {
    const ProvingUnbalances u = provingUnbalances(*c.rotor);
    const char* gmm = textOrEmpty(textid::kUnitGmm);
    const char* g = textOrEmpty(textid::kUnitGram);
    const float X = c.contentLeft;
    const float W = c.contentWidth;
    auto row = [&](float y, int item, TextId label, const std::string& value, bool underline) {
        writeNumberedRow(c, X, y, W, kS4LabelW, textOrEmpty(label), value.c_str(), kOwn, underline, 4, item);
    };
    auto formula = [&](float y, const std::string& text) {
        leftText(c, X + kS4LabelW, y, W - kS4LabelW - 1, kRowHeight, text.c_str(), kRegular, kRowFontSize);
    };
    // An item whose label goes on in a continuation row, its formula between.
    auto twoLineItem = [&](float y, int item, TextId label, TextId continuation, bool underline) {
        row(y + kS4Step, item, label, "", false);
        row(y + kS4ContinuationShift, 0, continuation, "", underline);
    };
    // "m = U / r = U / r = m": the mass the rotor holds.
    auto massLine = [&](const char* symbols, const std::string& unbalance, double mass, double tolerance) {
        return ks::format("{} = {} / {} = {} {} {} {} %", symbols, unbalance, u.r,
                          u.r != 0.0 ? ks::fixed(mass, Rotor::statedMassDecimals(mass)) : std::string("-"), g,
                          kPlusMinus, tolerance);
    };
    const std::string umarTest = unbalanceText(u.umarTest), station = unbalanceText(u.station);
    const std::string travel = ks::fixed(u.travel, 2);
    const std::string umarFactor = factorText(quotient(u.umarTest, u.umar), u.umar, umarTest);
    const std::string stationFactor = factorText(quotient(u.station, u.umar), u.umar, station);
    const std::string travelFactor = factorText(quotient(u.travel, u.station), u.station, travel);

    sectionTitle(c, kSection4TitleY, kSection4Title);
    float y = kSection4RowY;
    row(y, 1, kS4MinimumResidual,
        ks::format("U|mar| = e|mar| {} m = {} {} {} = {} {}", kTimes, u.emarText, kTimes, u.rotorMass,
                   u.umarText, gmm),
        true);
    y += kS4Step;
    row(y, 2, kS4MinimumResidualPerPlane,
        ks::format("U|mar per plane| = U|mar| / 2 = {} / 2 = {} {}", u.umarText, unbalanceText(u.umar * 0.5),
                   gmm),
        true);

    twoLineItem(y, 3, kS4UmarUnbalance, kS4UmarUnbalance2, true);
    formula(y + kS4FormulaShift, ks::format("U = {} {} U|mar| = {} {} {} = {} {}", umarFactor, kTimes,
                                            umarFactor, kTimes, u.umarText, umarTest, gmm));

    y += kS4LongStep;
    twoLineItem(y, 4, kS4UmarTestMass, kS4UmarTestMass2, true);
    formula(y + kS4FormulaShift,
            massLine("m|umar| = U / r", umarTest, u.umarMass, Rotor::kTestMassTolerance[Rotor::kUmarMass]));

    y += kS4LongStep;
    twoLineItem(y, 5, kS4StationaryUnbalance, kS4UrrContinuation, true);
    // This formula line is a label-less row of its own.
    writeNumberedRow(c, X, y + kS4FormulaShift, W, kS4LabelW, "",
                     ks::format("U|station| = {} {} U|mar| = {} {} {} = {} {}", stationFactor, kTimes,
                                stationFactor, kTimes, u.umarText, station, gmm)
                         .c_str(),
                     kOwn, false, 0, 0);

    y += kS4LongStep;
    twoLineItem(y, 6, kS4StationaryTestMass, kS4UrrTestMassContinuation, true);
    formula(y + kS4FormulaShift, massLine("m|station| = U|station| / r", station, u.stationMass,
                                          Rotor::kTestMassTolerance[Rotor::kStationMass]));

    y += kS4LongStep;
    twoLineItem(y, 7, kS4TravellingUnbalance, kS4UrrContinuation, true);
    formula(y + kS4FormulaShift, ks::format("U|travel| = {} {} U|station| = {} {} {} = {} {}", travelFactor,
                                            kTimes, travelFactor, kTimes, station, travel, gmm));

    y += kS4LongStep;
    twoLineItem(y, 8, kS4TravellingTestMass, kS4UrrTestMassContinuation, false);
    formula(y + kS4FormulaShift, massLine("m|travel| = U|travel| / r", travel, u.travelMass,
                                          Rotor::kTestMassTolerance[Rotor::kTravelMass]));
}

}  // namespace

void writeVerificationTitlePage(ReportContext& c) {
    writeVerificationPageFrame(c, 1);
    writeTitle(c);
    writeMachineSection(c);
    writeTestSection(c);
    writeProvingRotorSection(c);
    writeTestMassSection(c);
}
