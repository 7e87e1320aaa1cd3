// Section 7 of the verification-test protocol, the compensator test (top of
// page 7): the readings of runs 30 to 33 and the verdict on the last one, the
// residual with the compensator enabled, against the allowed deviation of
// the stationary mass mounted at the compensator test's own radius r|1|:
// m|station| × r|1| × deviation.  Also the column heads that section 8 shares.
#include <cstddef>
#include <string>

#include "protocols/report_context.h"
#include "protocols/report_texts.h"
#include "protocols/verification_protocol.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "texts/format.h"

using namespace reporttext;

namespace {

constexpr int kRegular = Doc::kRegularSlot;
constexpr int kBold = Doc::kBoldSlot;

constexpr int kFirstRun = 30;
constexpr int kCompensatedRun = 33;  // the run judged, read as its compensated residual
constexpr int kRows = 4;
constexpr int kTestPlanes = 2;
constexpr int kTestPlaneIndex[kTestPlanes] = {0, 2};
constexpr double kPercent = 100;

// The shared column heads: from their y, the heads' second line, the sub-heads and their unit line.
constexpr float kHeadLine2 = 12, kSubHeadShift = 36, kSubHeadLine2 = 48;
constexpr float kLeftX = 46, kPositionsX = 220, kHeadW = 297, kPlaneGroupW = 82, kCellW = 44;

// Page 7's section 7.
constexpr float kTitleShift = 10;  // the section heading below the page's header
constexpr float kNoteY = 112, kNoteBoxY = 107, kNoteBoxH = 22, kNoteX = 51, kAfterNoteY = 136;
constexpr float kSheetTitleRule = 130, kHeadY = 136, kHeadRule = 166, kSubHeadRule = 198, kMassHeadY = 202;
constexpr float kPlaneHeadW = 132;
constexpr float kPositionW = 41;
constexpr float kFirstRowY = 232, kRowH = 18, kRowRuleAbove = 3, kCaptionX = 62, kCaptionW = 220;
constexpr float kVerdictGap = 4.5f, kVerdictBoxAbove = 5, kVerdictBoxH = 34;
constexpr float kVerdictX = 51, kVerdictW = 507, kVerdictStep = 12, kAfterVerdict = 24;

// Test-mass positions of each row: plane 1 stationary and travelling, plane 2 likewise.
constexpr const char* kPositions[kRows][4] = {
    {"-", "-", "-", "-"}, {"30", "150", "150", "30"}, {"30", "330", "150", "210"}, {"30", "-", "150", "-"}};

void writeCaption(ReportContext& c, float y, TextId line1, TextId line2, TextId line3) {
    sectionText(c, kCaptionX, y, kCaptionW, textOrEmpty(line1), kRegular, kRowH);
    sectionText(c, kCaptionX, y + kSectionRowHeight, kCaptionW, textOrEmpty(line2), kRegular, kRowH);
    sectionText(c, kCaptionX, y + 2 * kSectionRowHeight, kCaptionW, textOrEmpty(line3), kRegular, kRowH);
}

// Draws the four rows from kFirstRowY; answers the y below them and counts
// the planes whose compensated residual lies below the limit.
float writeRows(ReportContext& c, double limit) {
    Rotor& rotor = *c.rotor;
    float y = kFirstRowY;
    for (int k = 0; k < kRows; ++k) {
        sectionRule(c, y - kRowRuleAbove);
        sectionText(c, kLeftX, y, kPositionW, ks::format("{}", k + 1), kRegular, kRowH);
        for (int i = 0; i < 4; ++i)
            sectionText(c, kPositionsX + kPositionW * i, y, kPositionW, kPositions[k][i], kRegular, kRowH);
        for (int p = 0; p < kTestPlanes; ++p) {
            double angle = 0;
            const double u = k < kRows - 1 ? rotor.runUnbalance(kFirstRun + k, kTestPlaneIndex[p], &angle)
                                           : rotor.runCorrection(kCompensatedRun, kTestPlaneIndex[p], &angle,
                                                                 true, nullptr);
            sectionText(c, kRunSheetPlaneX[p], y, kCellW, ks::format("{:.2f}", u), kRegular, kRowH);
            sectionText(c, kRunSheetPlaneX[p] + kCellW, y, kCellW, ks::format("{:.2f}", angle), kRegular,
                        kRowH);
            if (k == kRows - 1 && u < limit) ++c.compensatorPlanesOk;
        }
        if (k == 0) {
            writeCaption(c, y, kProvingRotorCheck, kProvingRotorCheck2, kProvingRotorCheckFiveUmar);
            y += 2 * kSectionRowHeight;
        } else if (k == kRows - 1) {
            writeCaption(c, y, kCompensatorOnlyRun, kCompensatorOnlyRun2, kCompensatorOnlyRun3);
            y += 2 * kSectionRowHeight;
        } else {
            sectionText(c, kCaptionX, y, kCaptionW, ks::format(textOrEmpty(kCompensatorStepRun), k), kRegular,
                        kRowH);
        }
        y += kRowH;
    }
    return y;
}

void writeVerdict(ReportContext& c, float y, double limit) {
    verdictBox(c, y - kVerdictBoxAbove, kVerdictBoxH);
    const int ok = c.compensatorPlanesOk;
    const TextId reasons[kTestPlanes + 1] = {kS72BothPlanesExceed, kS72OnePlaneExceeds, kS72NoPlaneExceeds};
    sectionText(c, kVerdictX, y, kVerdictW, textOrEmpty(ok == kTestPlanes ? kS72Passes : kS72Fails));
    sectionText(c, kVerdictX, y + kVerdictStep, kVerdictW,
                ks::format("{} {:.2f} {}.", textOrEmpty(reasons[ok]), limit, textOrEmpty(textid::kUnitGmm)));
    c.y = y + kVerdictStep + kAfterVerdict;
}

}  // namespace

void writeTwoPlaneRunHead(ReportContext& c, float y, float planeHeadW) {
    sectionText(c, kLeftX, y, kHeadW, textOrEmpty(kRun), kBold);
    sectionText(c, kPositionsX, y, kHeadW, textOrEmpty(kTestMassHead), kBold);
    sectionText(c, kPositionsX, y + kHeadLine2, kHeadW, textOrEmpty(kTestMassHead2), kBold);
    for (int p = 0; p < kTestPlanes; ++p) {
        const float x = kRunSheetPlaneX[p];
        // "Unbalance," above, "plane 1" below.
        const std::string head = ks::format("{} {}", textOrEmpty(kUnbalancePlaneHead), p + 1);
        const std::size_t blank = head.find(' ');
        sectionText(c, x, y, planeHeadW, head.substr(0, blank), kBold);
        sectionText(c, x, y + kHeadLine2, planeHeadW,
                    blank == std::string::npos ? std::string() : head.substr(blank + 1), kBold);
        sectionText(c, kPositionsX + kPlaneGroupW * p, y + kSubHeadShift, kPlaneGroupW,
                    ks::format("{} {}", textOrEmpty(kPlane), p + 1), kBold);
        sectionText(c, x, y + kSubHeadShift, kCellW, textOrEmpty(kValueHead), kBold);
        sectionText(c, x, y + kSubHeadLine2, kCellW, ks::format("({})", textOrEmpty(textid::kUnitGmm)),
                    kBold);
        sectionText(c, x + kCellW, y + kSubHeadShift, kCellW, textOrEmpty(kAngleHead), kBold);
    }
}

void writeCompensatorTest(ReportContext& c) {
    c.doc->newPage();
    writeVerificationPageFrame(c, 7);
    sectionHeading(c, c.topMargin + c.headerHeight + kTitleShift, kSection7Title);
    c.compensatorPlanesOk = 0;
    const ProvingUnbalances u = provingUnbalances(*c.rotor);
    const double limit = u.stationMass * u.r1 * settingsOf(c).compensatorDeviation / kPercent;
    // Without the compensator radius r|1| (or a mass or a deviation) there is
    // no limit to judge against: the test is not complete.
    c.compensatorJudged = c.runCount > kCompensatedRun && limit > 0;
    c.compensatorLimit = limit;
    if (!c.compensatorJudged) {
        verdictBox(c, kNoteBoxY, kNoteBoxH);
        sectionText(c, kNoteX, kNoteY, c.contentWidth,
                    textOrEmpty(c.runCount <= kFirstRun ? kS71NotCarriedOut : kS71NotCompleted));
        c.y = kAfterNoteY;
        return;
    }
    sectionText(c, kLeftX, kNoteY, c.contentWidth, textOrEmpty(kS71Title));
    sectionRule(c, kSheetTitleRule);
    writeTwoPlaneRunHead(c, kHeadY, kPlaneHeadW);
    sectionRule(c, kHeadRule);
    sectionRule(c, kSubHeadRule);
    const TextId massHeads[2][2] = {{kStationary, kStationary2}, {kTravelling, kTravelling2}};
    for (int p = 0; p < kTestPlanes; ++p)
        for (int m = 0; m < 2; ++m)
            for (int l = 0; l < 2; ++l)
                sectionText(c, kPositionsX + kPlaneGroupW * p + kPositionW * m,
                            kMassHeadY + kSectionRowHeight * l, kPositionW, textOrEmpty(massHeads[m][l]));
    writeVerdict(c, writeRows(c, limit) + kVerdictGap, limit);
}
