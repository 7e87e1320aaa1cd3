// Section 6 of the verification-test protocol, the test for the unbalance
// reduction ratio URR: the readings of the eleven two-plane runs (page 5),
// each reading plotted against the limit circles of its target (page 6) and
// the URR the machine reaches against the claimed one, graded from the
// readings themselves against the masses mounted: the sheet only shows them.
#include <algorithm>
#include <cmath>
#include <complex>
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

namespace ds = diagram_sheets;

constexpr int kBold = Doc::kBoldSlot;
constexpr double kPi = 3.14159265358979323846;

// The test: runs 19 to 29, test planes 1 and 2 being the rotor's plane indexes 0 and 2.
constexpr int kFirstRun = 19;
constexpr int kRuns = 11;
constexpr int kTestPlanes = 2;
constexpr int kTestPlaneIndex[kTestPlanes] = {0, 2};
constexpr int kDegreesPerRun = 30;
constexpr int kStationaryDeg[kTestPlanes] = {0, 90};
constexpr int kPlane2TravelStart = 420;  // plane 2's travelling mass: (420 - 30 j) mod 360
constexpr int kFullTurn = 360;
constexpr double kRingWidth = 0.05;  // of the target: each ring is 5 % of URR

// Page 5: the data sheet.
constexpr float kTitleShift = 12;  // the section heading below the page's header
constexpr float kSheetTitleY = 126, kSheetTitleRule = 144;
constexpr float kHeadY = 150, kHeadRule = 168, kSubHeadY = 174, kSubHeadRule = 212, kMassHeadY = 216;
constexpr float kFirstRowY = 246, kRowStep = 18, kRowRuleAbove = 3;
constexpr float kLeftX = 46, kRunHeadW = 435, kPlaneHeadW = 132;
constexpr float kGroupX[kTestPlanes] = {275, 436};
constexpr float kCellW = 44, kAngleShift = 44, kMultipleShift = 88;
constexpr float kPositionsX = 82, kPositionGroupW = 85, kPositionW = 42.5f;

// Page 6: the diagram sheet with the vectors from its origin, the verdict.
constexpr double kSheetX = 46, kSheetY = 117, kSheetSide = 517;
constexpr double kScale = kSheetSide / ds::kUrrSide;  // points per sheet pixel
constexpr float kDiagramTitleH = 18;
constexpr float kMarkSide = 5;
constexpr float kVerdictBoxY = 695, kVerdictBoxH = 46;
constexpr float kVerdictX = 51, kVerdictW = 507, kVerdictY = 700, kVerdictStep = 12;

// The sheet's limit circles stand round targets of a travelling test mass
// five times the stationary one.
constexpr double kSheetTravelling = 5.0;

std::complex<double> polarDeg(double amplitude, double degrees) {
    return std::polar(amplitude, degrees * kPi / 180.0);
}

int travellingDeg(int plane, int run) {
    return plane == 0 ? kDegreesPerRun * (run + 1) : (kPlane2TravelStart - kDegreesPerRun * run) % kFullTurn;
}

// Run j's target in plane p in multiples of U|station|: the stationary test
// unbalance plus the travelling one, `travelling` times as large.
std::complex<double> urrTarget(int plane, int run, double travelling) {
    return polarDeg(1.0, kStationaryDeg[plane]) + polarDeg(travelling, travellingDeg(plane, run));
}

// The top-left corner of a reading's mark on the page: the vector from the
// sheet's origin, drawn towards the negative axes, plane 1 turned by 90°.
// Its offset from its target is drawn at the sheet's target, in the same
// share of the target's length, so that it lies in the ring it is graded in.
struct Point {
    double x, y;
};
Point markCorner(double q, double angle, int plane, int run, double travelling) {
    const std::complex<double> target = urrTarget(plane, run, travelling),
                               onSheet = urrTarget(plane, run, kSheetTravelling);
    const std::complex<double> reading = polarDeg(q, angle);
    const std::complex<double> v =
        std::abs(target) > 0 ? onSheet + (reading - target) * std::abs(onSheet) / std::abs(target) : reading;
    const double theta = std::arg(v) + (plane == 0 ? kPi / 2 : 0.0);
    const double k = -ds::kUrrPixelsPerStation * kScale;
    return {kSheetX + ds::kUrrOriginX * kScale + k * std::abs(v) * std::cos(theta),
            kSheetY + ds::kUrrOriginY * kScale + k * std::abs(v) * std::sin(theta)};
}

// The readings of the test, in multiples of U|station| where they can be formed.
struct UrrTest {
    double u[kRuns][kTestPlanes] = {}, angle[kRuns][kTestPlanes] = {};
    std::optional<double> q[kRuns][kTestPlanes];
    double travelling = 0;  // U|travel| / U|station|, of the masses mounted
    bool begun = false;     // a URR run was made
    bool complete = false;  // every run made and U|station| not 0
};

UrrTest readUrrTest(ReportContext& c) {
    Rotor& rotor = *c.rotor;
    UrrTest t;
    const ProvingUnbalances mounted = provingUnbalances(rotor);
    const double station = mounted.station;
    t.travelling = quotient(mounted.travel, station).value_or(0.0);
    t.begun = c.runCount > kFirstRun;
    t.complete = c.runCount >= kFirstRun + kRuns && quotient(1.0, station).has_value();
    for (int j = 0; j < kRuns; ++j)
        for (int p = 0; p < kTestPlanes; ++p) {
            t.u[j][p] = rotor.runUnbalance(kFirstRun + j, kTestPlaneIndex[p], &t.angle[j][p]);
            t.q[j][p] = quotient(t.u[j][p], station);
        }
    return t;
}

void writeDataSheetHead(ReportContext& c) {
    const char* gmm = textOrEmpty(textid::kUnitGmm);
    sectionText(c, kLeftX, kSheetTitleY, c.contentWidth, textOrEmpty(kS61Title));
    sectionRule(c, kSheetTitleRule);
    sectionText(c, kLeftX, kHeadY, kRunHeadW, textOrEmpty(kRun), kBold);
    sectionText(c, kPositionsX, kHeadY, kRunHeadW, textOrEmpty(kTestMassPositionsHead), kBold);
    for (int p = 0; p < kTestPlanes; ++p) {
        const float x = kGroupX[p];
        const float positionsX = kPositionsX + kPositionGroupW * p;
        sectionText(c, x, kHeadY, kPlaneHeadW, ks::format("{} {}", textOrEmpty(kUnbalancePlaneHead), p + 1),
                    kBold);
        sectionText(c, positionsX, kSubHeadY, kPositionGroupW,
                    ks::format("{} {}", textOrEmpty(kPlane), p + 1), kBold);
        sectionText(c, x, kSubHeadY, kCellW, textOrEmpty(kValueHead), kBold);
        sectionText(c, x, kSubHeadY + kSectionRowHeight, kCellW, ks::format("({})", gmm), kBold);
        sectionText(c, x + kAngleShift, kSubHeadY, kCellW, textOrEmpty(kAngleHead), kBold);
        sectionText(c, x + kMultipleShift, kSubHeadY, kCellW, textOrEmpty(kMultipleOfMeanShort), kBold);
        sectionText(c, x + kMultipleShift, kSubHeadY + kSectionRowHeight, kCellW,
                    textOrEmpty(kMultipleOfMeanShort2), kBold);
        sectionText(c, x + kMultipleShift, kSubHeadY + 2 * kSectionRowHeight, kCellW, "(U|station|)", kBold);
        const TextId lines[2][2] = {{kStationary, kStationary2}, {kTravelling, kTravelling2}};
        for (int m = 0; m < 2; ++m)
            for (int l = 0; l < 2; ++l)
                sectionText(c, positionsX + kPositionW * m, kMassHeadY + kSectionRowHeight * l, kPositionW,
                            textOrEmpty(lines[m][l]));
    }
    sectionRule(c, kHeadRule);
    sectionRule(c, kSubHeadRule);
}

void writeDataSheet(ReportContext& c, const UrrTest& t) {
    writeDataSheetHead(c);
    float y = kFirstRowY;
    for (int j = 0; j < kRuns; ++j, y += kRowStep) {
        sectionRule(c, y - kRowRuleAbove);
        sectionText(c, kLeftX, y, kPositionW, ks::format("{}", j + 1), Doc::kRegularSlot, kRowStep);
        for (int p = 0; p < kTestPlanes; ++p) {
            const float positionsX = kPositionsX + kPositionGroupW * p;
            sectionText(c, positionsX, y, kPositionW, ks::format("{}", kStationaryDeg[p]), Doc::kRegularSlot,
                        kRowStep);
            sectionText(c, positionsX + kPositionW, y, kPositionW, ks::format("{}", travellingDeg(p, j)),
                        Doc::kRegularSlot, kRowStep);
            const float x = kGroupX[p];
            sectionText(c, x, y, kCellW, ks::format("{:.2f}", t.u[j][p]), Doc::kRegularSlot, kRowStep);
            sectionText(c, x + kAngleShift, y, kCellW, ks::format("{:.2f}", t.angle[j][p]), Doc::kRegularSlot,
                        kRowStep);
            sectionText(c, x + kMultipleShift, y, kCellW, numberText("{:.2f}", t.q[j][p]), Doc::kRegularSlot,
                        kRowStep);
        }
    }
}

void drawMark(ReportContext& c, TextId image, double x, double y) {
    const ResourceEntry mark = findResource(image);
    if (mark.size > 0)
        c.doc->image(static_cast<float>(x), static_cast<float>(y), kMarkSide, kMarkSide, mark.data,
                     static_cast<int>(mark.size));
}

// Plots every reading that has a multiple; answers the achieved index: per
// plane the second-largest ring (one point per plane may lie beyond the
// others), the larger of the two planes', at most 18.  An incomplete test
// reports 18.
int plotReadings(ReportContext& c, const UrrTest& t) {
    const TextId marks[kTestPlanes] = {textid::kProtocolImagePlane1Mark, textid::kProtocolImagePlane2Mark};
    for (int p = 0; p < kTestPlanes; ++p)
        drawMark(c, marks[p], kSheetX + ds::kUrrLegendX * kScale, kSheetY + ds::kUrrLegendY[p] * kScale);
    int largest[kTestPlanes] = {}, second[kTestPlanes] = {};
    for (int j = 0; j < kRuns; ++j)
        for (int p = 0; p < kTestPlanes; ++p) {
            if (!t.q[j][p]) continue;
            const Point m = markCorner(*t.q[j][p], t.angle[j][p], p, j, t.travelling);
            drawMark(c, marks[p], m.x, m.y);
            const int i = urrCircleIndex(*t.q[j][p], t.angle[j][p], p, j, t.travelling);
            if (i >= largest[p]) {
                second[p] = largest[p];
                largest[p] = i;
            } else if (i > second[p]) {
                second[p] = i;
            }
        }
    if (!t.complete) return kUrrIndexLimit;
    return std::min(std::max(second[0], second[1]), kUrrIndexLimit);
}

void writeUrrVerdict(ReportContext& c, const UrrTest& t) {
    verdictBox(c, kVerdictBoxY, kVerdictBoxH);
    if (!t.complete) {
        // No URR was measured: the test is named as not made, never a step.
        sectionText(c, kVerdictX, kVerdictY, kVerdictW,
                    textOrEmpty(t.begun ? kS63NotCompleted : kS63NotCarriedOut));
        return;
    }
    const double claim = settingsOf(c).reductionRatio;
    TextId comparison = kUrrDoesNotCorrespond;
    if (c.urrComplete && c.urrIndex < c.urrClaimIndex) comparison = kUrrExceeds;
    if (c.urrComplete && c.urrIndex == c.urrClaimIndex) comparison = kUrrCorresponds;
    sectionText(c, kVerdictX, kVerdictY, kVerdictW, textOrEmpty(kS63Line1));
    sectionText(c, kVerdictX, kVerdictY + kVerdictStep, kVerdictW,
                ks::format(textOrEmpty(kS63Line2), urrLimitSteps[c.urrIndex], textOrEmpty(comparison)));
    sectionText(c, kVerdictX, kVerdictY + 2 * kVerdictStep, kVerdictW,
                ks::format(textOrEmpty(kS63Line3), claim,
                           textOrEmpty(urrTestPassed(c) ? kUrrTestPassed : kUrrTestFailed)));
}

}  // namespace

int urrCircleIndex(double q, double angle, int plane, int run, double travelling) {
    // In multiples of U|station|, as in g·mm.
    const std::complex<double> target = urrTarget(plane, run, travelling);
    const double rings = std::abs(polarDeg(q, angle) - target) / std::abs(target) / kRingWidth;
    // Beyond the last step every point is alike; the bound keeps the cast defined.
    return rings < kUrrSteps - 1 ? static_cast<int>(rings) : kUrrSteps - 1;
}

int urrClaimIndex(double claim) {
    if (claim >= urrLimitSteps[0]) return 0;
    int i = 1;
    while (i < kUrrSteps - 1 && !(urrLimitSteps[i] <= claim)) ++i;
    return i;
}

bool urrTestPassed(const ReportContext& c) {
    return c.urrComplete && c.urrIndex <= c.urrClaimIndex;
}

void writeUrrTest(ReportContext& c) {
    const UrrTest t = readUrrTest(c);
    c.doc->newPage();
    writeVerificationPageFrame(c, 5);
    sectionHeading(c, c.topMargin + c.headerHeight + kTitleShift, kSection6Title);
    writeDataSheet(c, t);

    c.doc->newPage();
    writeVerificationPageFrame(c, 6);
    sectionText(c, kLeftX, static_cast<float>(kSheetY), c.contentWidth, textOrEmpty(kS62Title),
                Doc::kRegularSlot, kDiagramTitleH);
    const ResourceEntry sheet = findResource(textid::kProtocolImageUrrDiagram);
    if (sheet.size > 0)
        c.doc->image(static_cast<float>(kSheetX), static_cast<float>(kSheetY), static_cast<float>(kSheetSide),
                     static_cast<float>(kSheetSide), sheet.data, static_cast<int>(sheet.size));
    c.urrComplete = t.complete;
    c.urrIndex = plotReadings(c, t);
    c.urrClaimIndex = urrClaimIndex(settingsOf(c).reductionRatio);
    writeUrrVerdict(c, t);
}
