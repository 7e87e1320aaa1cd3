// Section 8 of the verification-test protocol, the coefficient of influence
// of moment unbalance (page 7, below section 7): the unbalance check of run
// 34 and the resultant of both test planes in the four torque runs 35 to 38,
// each judged against U|mar| + I|sc| × U|travel|.
#include <string>

#include "protocols/report_context.h"
#include "protocols/report_texts.h"
#include "protocols/verification_protocol.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "texts/format.h"

using namespace reporttext;

namespace {

constexpr int kRegular = Doc::kRegularSlot;

constexpr int kCheckRun = 34;  // the unbalance check; the torque runs follow
constexpr int kRows = 5;
constexpr int kRunsNeeded = kCheckRun + kRows;
constexpr int kTestPlanes = 2;
constexpr int kTestPlaneIndex[kTestPlanes] = {0, 2};
constexpr double kPercent = 100;
constexpr int kQuarterTurn = 90, kFullTurn = 360;

constexpr float kHeadingShift = 24, kAfterHeading = 25;
constexpr float kNoteBoxAbove = 5, kNoteBoxH = 22, kNoteX = 51, kAfterNote = 24;
constexpr float kAfterSheetTitle = 24, kRuleAbove = 6, kHeadH = 36, kSubHeadH = 30;
constexpr float kPlaneHeadW = 130;
constexpr float kLeftX = 46, kNumberW = 41, kPositionsX = 220, kPositionW = 82, kCellW = 44;
constexpr float kRowH = 18, kRowRuleAbove = 3, kCaptionX = 62, kCaptionW = 220;
constexpr float kVerdictGap = 4.5f, kVerdictBoxAbove = 5, kVerdictBoxH = 34;
constexpr float kVerdictX = 51, kVerdictW = 507, kVerdictStep = 12, kAfterVerdict = 24;

// The test-mass position of a plane in torque run k (1 to 4): plane 1 from 0°,
// plane 2 opposite it.
std::string position(int plane, int k) {
    return ks::format("{}", (plane == 0 ? (k - 1) * kQuarterTurn : (k + 1) * kQuarterTurn) % kFullTurn);
}

void cell(ReportContext& c, float x, float y, const std::string& s) {
    sectionText(c, x, y, kCellW, s, kRegular, kRowH);
}

// Draws the five rows from v; answers the y below them and counts the torque
// runs whose resultant exceeds the limit.
float writeRows(ReportContext& c, float v, double limit) {
    Rotor& rotor = *c.rotor;
    for (int k = 0; k < kRows; ++k) {
        sectionRule(c, v - kRowRuleAbove);
        sectionText(c, kLeftX, v, kNumberW, ks::format("{}", k + 1), kRegular, kRowH);
        for (int p = 0; p < kTestPlanes; ++p)
            sectionText(c, kPositionsX + kPositionW * p, v, kPositionW, k == 0 ? "-" : position(p, k),
                        kRegular, kRowH);
        if (k == 0) {
            for (int p = 0; p < kTestPlanes; ++p) {
                double angle = 0;
                const double u = rotor.runUnbalance(kCheckRun, kTestPlaneIndex[p], &angle);
                cell(c, kRunSheetPlaneX[p], v, ks::format("{:.2f}", u));
                cell(c, kRunSheetPlaneX[p] + kCellW, v, ks::format("{:.2f}", angle));
            }
            sectionText(c, kCaptionX, v, kCaptionW, textOrEmpty(kProvingRotorCheck), kRegular, kRowH);
            sectionText(c, kCaptionX, v + kSectionRowHeight, kCaptionW, textOrEmpty(kProvingRotorCheck2),
                        kRegular, kRowH);
            sectionText(c, kCaptionX, v + 2 * kSectionRowHeight, kCaptionW,
                        textOrEmpty(kProvingRotorCheckUmar), kRegular, kRowH);
            v += 2 * kSectionRowHeight;
        } else {
            double angle = 0;
            const double resultant =
                rotor.runResultant(kCheckRun + k, kTestPlaneIndex[0], kTestPlaneIndex[1], &angle);
            cell(c, kRunSheetPlaneX[0], v, ks::format("{:.2f}", resultant));
            cell(c, kRunSheetPlaneX[0] + kCellW, v, ks::format("{:.2f}", angle));
            cell(c, kRunSheetPlaneX[1], v, "-");
            cell(c, kRunSheetPlaneX[1] + kCellW, v, "-");
            if (resultant > limit) ++c.torqueRunsOverLimit;
            sectionText(c, kCaptionX, v, kCaptionW, ks::format(textOrEmpty(kTorqueStepRun), k), kRegular,
                        kRowH);
        }
        v += kRowH;
    }
    return v;
}

}  // namespace

void writeTorqueTest(ReportContext& c) {
    float v = c.y + kHeadingShift;
    sectionHeading(c, v, kSection8Title);
    v += kAfterHeading;
    if (c.runCount < kRunsNeeded) {
        // Without run 34 no moment run was made; with some of them the test was begun.
        verdictBox(c, v - kNoteBoxAbove, kNoteBoxH);
        sectionText(c, kNoteX, v, c.contentWidth,
                    textOrEmpty(c.runCount <= kCheckRun ? kS81NotCarriedOut : kS81NotCompleted));
        c.y = v + kAfterNote;
        return;
    }
    sectionText(c, kLeftX, v, c.contentWidth, textOrEmpty(kS81Title));
    v += kAfterSheetTitle;
    sectionRule(c, v - kRuleAbove);
    writeTwoPlaneRunHead(c, v, kPlaneHeadW);
    v += kHeadH;
    sectionRule(c, v - kRuleAbove);
    v += kSubHeadH;

    c.torqueRunsOverLimit = 0;
    const ProvingUnbalances u = provingUnbalances(*c.rotor);
    const double limit = u.umar + settingsOf(c).torqueInfluence * u.travel / kPercent;
    v = writeRows(c, v, limit) + kVerdictGap;

    const bool over = c.torqueRunsOverLimit != 0;
    verdictBox(c, v - kVerdictBoxAbove, kVerdictBoxH);
    sectionText(c, kVerdictX, v, kVerdictW, textOrEmpty(over ? kS82Failed : kS82Passed));
    v += kVerdictStep;
    sectionText(c, kVerdictX, v, kVerdictW,
                ks::format("{} {:.2f} {}.", textOrEmpty(over ? kS82Exceeded : kS82NotExceeded), limit,
                           textOrEmpty(textid::kUnitGmm)));
    c.y = v + kAfterVerdict;
}
