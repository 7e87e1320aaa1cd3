// Section 5 of the verification-test protocol, the test for the minimum
// achievable residual unbalance U|mar|: the data sheets of the proving rotor's
// first seven runs (page 2), the table of the twelve test-mass runs (page 3),
// their diagram and the verdict (page 4).
#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "protocols/diagram_sheets.h"
#include "protocols/report_context.h"
#include "protocols/report_texts.h"
#include "protocols/verification_protocol.h"
#include "records/settings_records.h"
#include "resources/resource_store.h"
#include "rotor/rotor.h"
#include "texts/format.h"

using namespace reporttext;

namespace {

constexpr int kRegular = Doc::kRegularSlot;
constexpr int kBold = Doc::kBoldSlot;
constexpr float kTitleShift = 9.f;  // the section title below the page's header
constexpr const char* kUmarHead = "(U|mar|)";

// The two test planes: the rotor's plane indexes and the columns of page 2.
constexpr int kTestPlanes = 2;
constexpr std::array<int, kTestPlanes> kTestPlaneIndex = {0, 2};
constexpr std::array<float, kTestPlanes> kGroupX = {123, 260};
constexpr float kLabelX = 46;
constexpr float kAngleOffset = 44;  // from a group's value column
constexpr float kMassOffset = 100;
constexpr float kCellW = 44;
constexpr float kCorrectionX = 361, kAssessmentX = 436;
constexpr float kHeadRight = 517;                           // a head box reaches from its x to here
constexpr float kHeadValueShift = 24, kHeadUnitShift = 36;  // "Value" and "(U|mar|)" below a group's heading

// Page 2's rows.
constexpr float k51TitleY = 111, k51HeadY = 135, k51ValuesY = 195;
constexpr float k52TitleY = 279, k52HeadY = 303, k52ValuesY = 363;
constexpr float k53TitleY = 399, k53HeadY = 423, k53FirstRunY = 483;
constexpr float kTitleRule = 18;                   // below a sheet's title
constexpr float kHeadRule1 = 18, kHeadRule2 = 54;  // below a head's first row and below the head
constexpr float kCorrectionHeadW = 81;
constexpr float kRunLabelW = 123, kAssessmentW = 120, kAllowedW = 100, kCorrectionCellW = 60, kNoteW = 120;
constexpr float kRunRowHeight = 14;
constexpr float kRunRowStep = 18;
constexpr float kNoteRowShift = 7;  // before and after a row with a two-line note
constexpr float kNoteFontSize = 7;
constexpr float kNoteLine1 = 3, kNoteLine2 = 10;
constexpr int kRunsToBalance = 6;
constexpr int kRunsBeforeTolerance = 4;  // balancing runs that still need a correction

// The added unbalance of 5.2 is set at 10° and 100°.
constexpr int kSettingAngle[kTestPlanes] = {10, 100};

// Page 3's table.
constexpr float k54TitleY = 40;  // below the page's header
constexpr float k54Rule = 18;
constexpr float k54HeadY = 141, k54SubHeadY = 177, k54FirstRowY = 201;
constexpr float k54Rule1 = 171, k54Rule2 = 195;
constexpr float kPositionHeadW = 232, kAmountX = 232, kAmountHeadW = 285;
constexpr float kMultipleX = 434, kMultipleHeadW = 200, kMultipleHead2W = 83;
constexpr float kColumnW = 64;
constexpr float kMeanLabelW = 200;
constexpr int kFirstTestRun = 7;
constexpr int kPositions = 12;
constexpr int kDegreesPerPosition = 30;

// Page 4: the diagram sheet, its marks and the verdict box.
constexpr float kSheetX = 46, kSheetY = 159, kSheetSide = 517;
constexpr float kDiagramTitleHeight = 14;
constexpr float kMarkSide = 10;
constexpr float kVerdictBoxY = 695, kVerdictBoxH = 46;
constexpr float kVerdictX = 51, kVerdictW = 507, kVerdictY = 700, kVerdictStep = 12;
constexpr int kOutliersAllowed = 1;

// The unbalance of a test plane in a run as a multiple of U|mar|, with its
// angle; a run the rotor does not hold reads 0 at 0°.
struct Relative {
    std::optional<double> value;
    double angle = 0;
};
Relative relativeUnbalance(Rotor& rotor, int run, int plane, double umar) {
    Relative r;
    r.value = quotient(rotor.runUnbalance(run, kTestPlaneIndex[plane], &r.angle), umar);
    return r;
}

// The shared head of tables 5.1 and 5.3: plane headings, value and angle heads.
void writeValueAngleHead(ReportContext& c, float y, const std::string (&headings)[kTestPlanes]) {
    for (int p = 0; p < kTestPlanes; ++p) {
        const float x = kGroupX[p];
        sectionText(c, x, y, kHeadRight - x, headings[p], kBold);
        sectionText(c, x, y + kHeadValueShift, kCellW, textOrEmpty(kValueHead), kBold);
        sectionText(c, x, y + kHeadUnitShift, kCellW, kUmarHead, kBold);
        sectionText(c, x + kAngleOffset, y + kHeadValueShift, kHeadRight - x - kAngleOffset,
                    textOrEmpty(kAngleHead), kBold);
    }
    sectionText(c, kAssessmentX, y, kHeadRight - kAssessmentX, textOrEmpty(kAssessmentHead), kBold);
    sectionRule(c, y + kHeadRule1);
    sectionText(c, kLabelX, y + kHeadValueShift, kGroupX[0] - kLabelX, textOrEmpty(kBalancingRunsHead),
                kBold);
    sectionText(c, kLabelX, y + kHeadUnitShift, kGroupX[0] - kLabelX, textOrEmpty(kBalancingRunsHead2),
                kBold);
    sectionRule(c, y + kHeadRule2);
}

void writeRunValues(ReportContext& c, float y, int run, double umar) {
    for (int p = 0; p < kTestPlanes; ++p) {
        const Relative r = relativeUnbalance(*c.rotor, run, p, umar);
        sectionText(c, kGroupX[p], y, kCellW, numberText("{:.2f}", r.value));
        sectionText(c, kGroupX[p] + kAngleOffset, y, kCellW, ks::format("{:.1f}", r.angle));
    }
}

void writeInitialRun(ReportContext& c, const std::string (&headings)[kTestPlanes], double umar) {
    sectionText(c, kLabelX, k51TitleY, c.contentWidth, textOrEmpty(kS51Title));
    sectionRule(c, k51TitleY + kTitleRule);
    writeValueAngleHead(c, k51HeadY, headings);
    sectionText(c, kLabelX, k51ValuesY, c.contentWidth, "1");
    writeRunValues(c, k51ValuesY, 0, umar);
    sectionText(c, kAssessmentX, k51ValuesY, c.contentWidth, textOrEmpty(kInToleranceFiveUmar));
}

// 5.2: the same added unbalance in both test planes, made with plane 1's r.
void writeAddedUnbalances(ReportContext& c, const std::string (&headings)[kTestPlanes], double umar) {
    const double r = c.rotor->testMassRadius();
    const std::optional<double> mass = r != 0.0 ? std::optional<double>(c.rotor->addedTestMass()) : std::nullopt;
    const std::optional<double> value = mass ? quotient(r * *mass, umar) : std::nullopt;
    const std::string massText = mass ? ks::fixed(*mass, Rotor::addedMassDecimals(*mass)) : std::string("-");
    sectionText(c, kLabelX, k52TitleY, c.contentWidth, textOrEmpty(kS52Title));
    sectionRule(c, k52TitleY + kTitleRule);
    const float y = k52HeadY;
    for (int p = 0; p < kTestPlanes; ++p) {
        const float x = kGroupX[p];
        sectionText(c, x, y, kHeadRight - x, headings[p], kBold);
        sectionText(c, x, y + kHeadValueShift, kCellW, textOrEmpty(kValueHead), kBold);
        sectionText(c, x, y + kHeadUnitShift, kCellW, kUmarHead, kBold);
        sectionText(c, x + kAngleOffset, y + kHeadValueShift, kHeadRight - x - kAngleOffset,
                    textOrEmpty(kSettingAngleHead), kBold);
        sectionText(c, x + kAngleOffset, y + kHeadUnitShift, kHeadRight - x - kAngleOffset,
                    textOrEmpty(kSettingAngleHead2), kBold);
        sectionText(c, x + kMassOffset, y + kHeadValueShift, kHeadRight - x - kMassOffset,
                    textOrEmpty(kMassColumnHead), kBold);
        sectionText(c, x + kMassOffset, y + kHeadUnitShift, kHeadRight - x - kMassOffset,
                    ks::format("m|{}| ({})", p + 1, textOrEmpty(textid::kUnitGram)), kBold);
    }
    sectionRule(c, y + kHeadRule1);
    sectionRule(c, y + kHeadRule2);
    for (int p = 0; p < kTestPlanes; ++p) {
        const float x = kGroupX[p];
        sectionText(c, x, k52ValuesY, kCellW, numberText("{:.1f}", value));
        sectionText(c, x + kAngleOffset, k52ValuesY, kCellW, ks::format("{}", kSettingAngle[p]));
        sectionText(c, x + kMassOffset, k52ValuesY, kCellW, massText);
    }
}

// 5.3: the six balancing runs; their texts depend on the row only.
void writeBalancingRuns(ReportContext& c, const std::string (&headings)[kTestPlanes], double umar) {
    sectionText(c, kLabelX, k53TitleY, c.contentWidth, textOrEmpty(kS53Title));
    sectionRule(c, k53TitleY + kTitleRule);
    writeValueAngleHead(c, k53HeadY, headings);
    sectionText(c, kCorrectionX, k53HeadY, kCorrectionHeadW, textOrEmpty(kCorrectionNumberHead), kBold);

    struct Note {
        TextId line1, line2;
    };
    const Note notes[] = {{kResidualNote, kResidualNote2}, {kReferenceNote, kReferenceNote90}};
    float y = k53FirstRunY;
    for (int k = 0; k < kRunsToBalance; ++k) {
        const int run = k + 1;
        const bool inTolerance = k >= kRunsBeforeTolerance;
        const bool last = k == kRunsToBalance - 1;
        sectionText(c, kLabelX, y, kRunLabelW, ks::format("{} {}", textOrEmpty(kRun), run), kRegular,
                    kRunRowHeight);
        if (!inTolerance) {
            sectionText(c, kAssessmentX, y, kAssessmentW, textOrEmpty(kBalancingRequired), kRegular,
                        kRunRowHeight);
        } else {
            y += kNoteRowShift;
            sectionText(c, kAssessmentX, y, kAssessmentW, textOrEmpty(kInToleranceHalfUmar), kRegular,
                        kRunRowHeight);
            if (last)
                sectionText(c, kAssessmentX, y + kNoteLine2, kAllowedW, textOrEmpty(kUmarTestAllowed),
                            kRegular, kRunRowHeight);
            const Note& note = notes[k - kRunsBeforeTolerance];
            sectionText(c, kLabelX, y + kNoteLine1, kNoteW, textOrEmpty(note.line1), kRegular, kRunRowHeight,
                        kNoteFontSize);
            sectionText(c, kLabelX, y + kNoteLine2, kNoteW, textOrEmpty(note.line2), kRegular, kRunRowHeight,
                        kNoteFontSize);
        }
        sectionText(c, kCorrectionX, y, kCorrectionCellW,
                    inTolerance ? std::string(textOrEmpty(kNotAllowed)) : ks::format("{}", run), kRegular,
                    kRunRowHeight);
        writeRunValues(c, y, run, umar);
        if (inTolerance) y += kNoteRowShift;
        if (!last) sectionRule(c, y + kRunRowHeight);
        y += kRunRowStep;
    }
}

// ---- Pages 3 and 4 ---------------------------------------------------------

float planeColumn(float x, int p) {
    return x + kColumnW * p;
}

// The readings of the test-mass runs and what the table and the diagram make of them.
struct UmarTest {
    int n = 0;  // positions measured
    double umar = 0;
    double u[kPositions][kTestPlanes] = {};
    double sum[kTestPlanes] = {};
    // k(i, p), u over its plane's mean; none against a claimed U|mar| of 0,
    // which leaves nothing to test.
    std::optional<double> multiple(int i, int p) const {
        return umar == 0 ? std::nullopt : quotient(n * u[i][p], sum[p]);
    }
};

UmarTest readUmarTest(Rotor& rotor, int n) {
    UmarTest t;
    t.n = n;
    t.umar = rotor.permissibleUnbalance(1);
    for (int i = 0; i < n; ++i)
        for (int p = 0; p < kTestPlanes; ++p) {
            t.u[i][p] = rotor.runUnbalance(kFirstTestRun + i, kTestPlaneIndex[p], nullptr);
            t.sum[p] += t.u[i][p];
        }
    return t;
}

void writeUmarTableHead(ReportContext& c) {
    const float y = c.topMargin + c.headerHeight + k54TitleY;
    sectionText(c, kLabelX, y, c.contentWidth, textOrEmpty(kS54Title));
    sectionRule(c, y + k54Rule);
    const float y2 = k54HeadY + kSectionRowHeight;
    sectionText(c, kLabelX, k54HeadY, kPositionHeadW, textOrEmpty(kTestPositionHead), kBold);
    sectionText(c, kLabelX, y2, kPositionHeadW, textOrEmpty(kTestPositionHead2), kBold);
    sectionText(c, kAmountX, k54HeadY, kAmountHeadW, textOrEmpty(kUnbalanceAmountHead), kBold);
    sectionText(c, kAmountX, y2, kAmountHeadW, kUmarHead, kBold);
    sectionText(c, kMultipleX, k54HeadY, kMultipleHeadW, textOrEmpty(kMultipleOfMeanHead), kBold);
    sectionText(c, kMultipleX, y2, kMultipleHead2W, textOrEmpty(kMultipleOfMeanHead2), kBold);
    sectionRule(c, k54Rule1);
    for (int p = 0; p < kTestPlanes; ++p) {
        const std::string plane = ks::format("{} {}", textOrEmpty(kPlane), p + 1);
        sectionText(c, planeColumn(kAmountX, p), k54SubHeadY, kColumnW, plane, kBold);
        sectionText(c, planeColumn(kMultipleX, p), k54SubHeadY, kColumnW, plane, kBold);
    }
    sectionRule(c, k54Rule2);
}

void writeUmarTableRows(ReportContext& c, const UmarTest& t) {
    std::optional<double> total[kTestPlanes] = {0.0, 0.0};
    float y = k54FirstRowY;
    for (int i = 0; i < t.n; ++i, y += kRunRowStep) {
        sectionText(c, kLabelX, y, kColumnW, ks::format("{}", kDegreesPerPosition * i), kRegular,
                    kRunRowHeight);
        for (int p = 0; p < kTestPlanes; ++p) {
            const std::optional<double> k = t.multiple(i, p);
            sectionText(c, planeColumn(kAmountX, p), y, kColumnW,
                        numberText("{:.2f}", quotient(t.u[i][p], t.umar)), kRegular, kRunRowHeight);
            sectionText(c, planeColumn(kMultipleX, p), y, kColumnW, numberText("{:.2f}", k), kRegular,
                        kRunRowHeight);
            total[p] = (total[p] && k) ? std::optional<double>(*total[p] + *k) : std::nullopt;
        }
        sectionRule(c, y + kRunRowHeight);
    }
    sectionText(c, kLabelX, y, kColumnW, textOrEmpty(kSum), kBold, kRunRowHeight);
    sectionText(c, kLabelX, y + kRunRowStep, kMeanLabelW, textOrEmpty(kMeanValue), kBold, kRunRowHeight);
    for (int p = 0; p < kTestPlanes; ++p) {
        const std::optional<double> sum = quotient(t.sum[p], t.umar);
        sectionText(c, planeColumn(kAmountX, p), y, kColumnW, numberText("{:.2f}", sum), kBold,
                    kRunRowHeight);
        sectionText(c, planeColumn(kMultipleX, p), y, kColumnW, numberText("{:.2f}", total[p]), kBold,
                    kRunRowHeight);
        sectionText(c, planeColumn(kAmountX, p), y + kRunRowStep, kColumnW,
                    numberText("{:.2f}", sum ? quotient(*sum, t.n) : std::nullopt), kBold, kRunRowHeight);
        sectionText(c, planeColumn(kMultipleX, p), y + kRunRowStep, kColumnW,
                    numberText("{:.2f}", total[p] ? quotient(*total[p], t.n) : std::nullopt), kBold,
                    kRunRowHeight);
    }
    sectionRule(c, y + kRunRowHeight);
}

// Plots every multiple over the sheet; answers the points outside the band.
// A multiple that cannot be formed (U|mar| or the plane's sum 0) and a
// position that was not measured count as outside: the test is incomplete.
int plotMultiples(ReportContext& c, const UmarTest& t, bool& complete) {
    namespace ds = diagram_sheets;
    const float s = kSheetSide / ds::kUmarSide;
    const ResourceEntry mark = findResource(textid::kProtocolImagePlane1Mark);
    int outside = kTestPlanes * (kPositions - t.n);
    complete = t.n == kPositions;
    for (int i = 0; i < t.n; ++i)
        for (int p = 0; p < kTestPlanes; ++p) {
            const std::optional<double> k = t.multiple(i, p);
            if (!k) {
                ++outside;
                complete = false;
                continue;
            }
            const float v = std::clamp(static_cast<float>(*k), ds::kUmarAxisLow, ds::kUmarAxisHigh);
            if (*k < ds::kUmarBandLow || *k > ds::kUmarBandHigh) ++outside;
            if (mark.size == 0) continue;
            const ds::UmarGraph& g = ds::kUmarGraphs[p];
            auto draw = [&](int position) {
                c.doc->image(kSheetX + s * ds::umarX(g, position) - kMarkSide / 2,
                             kSheetY + s * ds::umarY(g, v) - kMarkSide / 2, kMarkSide, kMarkSide, mark.data,
                             static_cast<int>(mark.size));
            };
            draw(i);
            if (i == 0) draw(kPositions);  // 360° is 0° again
        }
    return outside;
}

// The verdict says what the diagram shows: a test with points missing was
// not completed; one point outside the band passes, but is not hidden.  The
// accuracy it confirms is the one the test ran at, e|mar| = U|mar| / m.
void writeUmarVerdict(ReportContext& c, bool complete) {
    const ProvingUnbalances u = provingUnbalances(*c.rotor);
    const std::string& emar = u.emarText;
    const char* accuracy = testedAccuracyClass(u);
    verdictBox(c, kVerdictBoxY, kVerdictBoxH);
    if (!complete) {
        sectionText(c, kVerdictX, kVerdictY, kVerdictW, textOrEmpty(kS56NotCompleted));
        return;
    }
    if (c.umarOutliers == kOutliersAllowed) {
        sectionText(c, kVerdictX, kVerdictY, kVerdictW, textOrEmpty(kS56PassButOne));
        sectionText(c, kVerdictX, kVerdictY + kVerdictStep, kVerdictW,
                    ks::format(textOrEmpty(kS56PassButOne2), emar, accuracy));
        return;
    }
    const bool passed = c.umarOutliers < kOutliersAllowed;
    sectionText(c, kVerdictX, kVerdictY, kVerdictW, textOrEmpty(passed ? kS56Pass : kS56Fail));
    sectionText(c, kVerdictX, kVerdictY + kVerdictStep, kVerdictW,
                textOrEmpty(passed ? kS56Pass2 : kS56Fail2));
    sectionText(c, kVerdictX, kVerdictY + 2 * kVerdictStep, kVerdictW,
                ks::format(textOrEmpty(kS56Accuracy), emar, accuracy));
}

}  // namespace

void writeUmarDataSheets(ReportContext& c) {
    c.doc->newPage();
    writeVerificationPageFrame(c, 2);
    const double umar = c.rotor->permissibleUnbalance(1);
    const std::string headings[kTestPlanes] = {ks::format("{} {}", textOrEmpty(kUnbalancePlaneHead), 1),
                                               ks::format("{} {}", textOrEmpty(kUnbalancePlaneHead), 2)};
    sectionHeading(c, c.topMargin + c.headerHeight + kTitleShift, kSection5Title);
    writeInitialRun(c, headings, umar);
    writeAddedUnbalances(c, headings, umar);
    writeBalancingRuns(c, headings, umar);
}

void writeUmarEvaluation(ReportContext& c) {
    c.doc->newPage();
    writeVerificationPageFrame(c, 3);
    writeUmarTableHead(c);
    c.runCount = c.rotor->runCount();
    const int n = std::min(c.runCount - kFirstTestRun, kPositions);
    if (n <= 0) {
        // No test-mass run: no diagram, and a test that did not take place is not passed.
        c.umarOutliers = kTestPlanes * kPositions;
        return;
    }
    const UmarTest t = readUmarTest(*c.rotor, n);
    writeUmarTableRows(c, t);

    c.doc->newPage();
    writeVerificationPageFrame(c, 4);
    sectionText(c, kLabelX, c.topMargin + c.headerHeight + k54TitleY, c.contentWidth, textOrEmpty(kS55Title),
                kRegular, kDiagramTitleHeight);
    const ResourceEntry sheet = findResource(textid::kProtocolImageUmarSheet);
    if (sheet.size > 0)
        c.doc->image(kSheetX, kSheetY, kSheetSide, kSheetSide, sheet.data, static_cast<int>(sheet.size));
    bool complete = false;
    c.umarOutliers = plotMultiples(c, t, complete);
    writeUmarVerdict(c, complete);
}
