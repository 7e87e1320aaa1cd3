// Section 9 of the verification-test protocol, the conclusions (page 8): what
// sections 5 to 8 found, one block each, and the overall verdict.  A test that
// was not made says so in one line and is not passed.
#include <string>

#include "protocols/report_context.h"
#include "protocols/report_texts.h"
#include "protocols/verification_protocol.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "texts/format.h"

using namespace reporttext;

namespace {

constexpr int kTorqueRuns = 39;       // and the moment test
constexpr int kUmarOutliersAllowed = 1;
constexpr int kTestPlanes = 2;
constexpr double kPercent = 100;

constexpr float kHeadingShift = 10;  // below the page's header
constexpr float kAfterHeading = 30, kBoxAbove = 5, kBoxH = 180;
constexpr float kLineX = 51, kLineW = 507, kLineStep = 12, kBlockStep = 14.4f, kVerdictShift = 28.8f;

// The conclusion lines, each moving the next down by its step; an empty
// line (the second of a test that was not made) keeps its place.
struct Lines {
    ReportContext& c;
    float y;
    void add(const std::string& s, float step) {
        if (!s.empty()) sectionText(c, kLineX, y, kLineW, s);
        y += step;
    }
};

// The limit section 7 judged against, m|station| × r|1| × deviation: the
// deviation times U|station| where the compensator radius r|1| is the test
// masses' r, else its value.
std::string compensatorLimitText(const ReportContext& c, const ProvingUnbalances& u, double deviation) {
    const bool onePlane = c.compensatorPlanesOk == 1;
    if (u.r1 == u.r)
        return ks::format("{} {}", deviation,
                          textOrEmpty(onePlane ? kS91StationInOnePlane : kS91StationInAllPlanes));
    return ks::format(textOrEmpty(onePlane ? kS91LimitInOnePlane : kS91LimitInAllPlanes), c.compensatorLimit);
}

}  // namespace

void writeConclusions(ReportContext& c) {
    c.doc->newPage();
    writeVerificationPageFrame(c, kVerificationPages);
    const Config& cfg = settingsOf(c);
    Lines lines{c, c.topMargin + c.headerHeight + kHeadingShift};
    sectionHeading(c, lines.y, kSection9Title);
    lines.y += kAfterHeading;
    verdictBox(c, lines.y - kBoxAbove, kBoxH);

    lines.add(textOrEmpty(kS91Title), kLineStep);
    // The machine's model and serial number are printed whole.
    valueText(
        c, kLineX, lines.y, kLineW, kSectionRowHeight,
        ks::format(textOrEmpty(kS91Machine), cfg.machineInfo.model, cfg.machineInfo.serialNumber).c_str(),
        Doc::kRegularSlot, kSectionFontSize);
    lines.y += kLineStep;
    lines.add(textOrEmpty(kS91Standard), kBlockStep);

    // The accuracy the test ran at, as section 4 works it out.
    const ProvingUnbalances u = provingUnbalances(*c.rotor);
    const bool umarConfirmed = c.umarOutliers <= kUmarOutliersAllowed;
    lines.add(ks::format(textOrEmpty(umarConfirmed ? kS91UmarConfirmed : kS91UmarNotConfirmed), u.umarText),
              kLineStep);
    lines.add(ks::format(textOrEmpty(umarConfirmed ? kS91UmarConfirmed2 : kS91UmarNotConfirmed2), u.emarText),
              kBlockStep);

    // A URR test that measured nothing states no URR.
    const bool urrPassed = urrTestPassed(c);
    lines.add(c.urrComplete ? ks::format(textOrEmpty(kS91Urr), urrLimitSteps[c.urrIndex],
                                         textOrEmpty(urrPassed ? kS91UrrConforms : kS91UrrDoesNotConform))
                            : std::string(textOrEmpty(kS91UrrNotTested)),
              kLineStep);
    lines.add(c.urrComplete ? ks::format(textOrEmpty(kS91Urr2), cfg.reductionRatio) : std::string(),
              kBlockStep);

    // A test that was not made says so in its first line; its second would claim a result.
    const bool compensatorTested = c.compensatorJudged;
    const bool compensatorPassed = compensatorTested && c.compensatorPlanesOk == kTestPlanes;
    lines.add(textOrEmpty(!compensatorTested  ? kS91CompensatorNotTested
                          : compensatorPassed ? kS91CompensatorPassed
                                              : kS91CompensatorFailed),
              kLineStep);
    lines.add(
        compensatorTested ? compensatorLimitText(c, u, cfg.compensatorDeviation / kPercent) : std::string(),
        kBlockStep);

    const bool torqueTested = c.runCount >= kTorqueRuns;
    const bool torquePassed = torqueTested && c.torqueRunsOverLimit == 0;
    lines.add(textOrEmpty(!torqueTested  ? kS91TorqueNotTested
                          : torquePassed ? kS91TorquePassed
                                         : kS91TorqueFailed),
              kLineStep);
    lines.add(torqueTested ? ks::format(textOrEmpty(torquePassed ? kS91IscConforms : kS91IscDoesNotConform),
                                        cfg.torqueInfluence)
                           : std::string(),
              0);

    const bool approved = umarConfirmed && urrPassed && compensatorPassed && torquePassed;
    sectionText(c, kLineX, lines.y + kVerdictShift, kLineW,
                textOrEmpty(approved ? kVerdictApproved : kVerdictNotApproved));
}
