#pragma once
// The verification-test protocol of the balancing machine: eight pages
// written from the runs of the machine's proving rotor (a control rotor).
// Run 0 is the initial unbalance, runs 1 to 6 balance the proving rotor, 7 to
// 18 are the U|mar| test, 19 to 29 the URR test, 30 to 33 the compensator test
// and 34 to 38 the moment test.  Test plane 1 is the rotor's plane index 0,
// test plane 2 its plane index 2.
//
// The driver writes the sections in order; each section writer that starts a
// page calls Doc::newPage and then writeVerificationPageFrame.  Sections hand
// results on through the context (runCount, umarOutliers, ...).

#include <optional>
#include <string>

#include "protocols/doc.h"
#include "texts/text_ids.h"

class Rotor;
struct ReportContext;

// The number of pages the frame names on every page.
constexpr int kVerificationPages = 8;

// Writes and saves the whole protocol: reportresult::kWritten, kBeginFailed
// (nothing drawn), or kNotWritten when a face is missing from the resource
// store or cannot be loaded (the document is dropped) or the save fails.  The
// rotor's current run is the same afterwards as before.
int writeVerificationProtocol(ReportContext& c);

// The logo, the owner's address and phones, and the footer of one page.
void writeVerificationPageFrame(ReportContext& c, int page);

// What a row's value is: one the operator typed or the settings hold, drawn
// as it stands and whole; or the program's own text (a claim, a formula),
// drawn as its labels are, runs between '|' marks lowered.
enum class RowValue { typed, own };

// One numbered label-and-value row: "section.item." before the label when
// both are non-zero; section 0 draws no number and no indent, item 0 a
// continuation of the label above.  The underline runs 14 below y.
void writeNumberedRow(ReportContext& c, float x, float y, float totalWidth, float labelWidth,
                      const char* label, const char* value, RowValue kind, bool underline, int section,
                      int item);

// The section writers, in the driver's order.
void writeVerificationTitlePage(ReportContext& c);  // title, sections 1 to 4: page 1
void writeUmarDataSheets(ReportContext& c);         // sections 5.1 to 5.3: page 2
void writeUmarEvaluation(ReportContext& c);         // sections 5.4 to 5.6: pages 3 and 4
void writeUrrTest(ReportContext& c);                // section 6: pages 5 and 6
void writeCompensatorTest(ReportContext& c);        // section 7: page 7
void writeTorqueTest(ReportContext& c);             // section 8: page 7, below section 7
void writeConclusions(ReportContext& c);            // section 9: page 8

// ---- Shared by the section writers -----------------------------------------

// The class of a claimed balancing accuracy E|mar| (g·mm/kg): high below 0.2,
// increased below 0.5, else standard.
TextId accuracyClass(double emar);

// A number for a cell through ks::format's pattern; "-" for none.
std::string numberText(const char* pattern, std::optional<double> value);

// The layout of the pages after the first: 9-point texts in 12-point rows,
// section headings in bold 15 point, rules across the content, verdicts on a
// light blue box.
constexpr float kSectionFontSize = 9.f;
constexpr float kSectionRowHeight = 12.f;
void sectionText(ReportContext& c, float x, float y, float w, const std::string& s,
                 int slot = Doc::kRegularSlot, float h = kSectionRowHeight, float size = kSectionFontSize);
void sectionHeading(ReportContext& c, float y, TextId title);
void sectionRule(ReportContext& c, float y);
void verdictBox(ReportContext& c, float y, float h);

// The compensator and moment sheets (sections 7 and 8): the x of each test
// plane's value column (its angle column follows 44 to the right), and their
// shared column heads from y: run, test-mass positions, each plane's
// unbalance head split at its first blank over two lines, and 36 below the
// heads the plane, value with its unit, and angle sub-heads.
constexpr float kRunSheetPlaneX[2] = {390, 480};
void writeTwoPlaneRunHead(ReportContext& c, float y, float planeHeadW);

// ---- What the test used, stated alike on every page -------------------------

// The proving rotor's test unbalances as the test used them: U|mar| as
// stored, e|mar| = U|mar| / m, and each test mass the rotor holds at the
// radius it sits at (U = m × r).  A mass that is the program's suggestion
// stands for the unbalance it was made for (10, 50 or 250 × U|mar|).  r1 is
// the radius the compensator test mounts its stationary masses at.
struct ProvingUnbalances {
    double umar = 0, rotorMass = 0, r = 0, r1 = 0;         // g·mm, kg, mm, mm
    double umarMass = 0, stationMass = 0, travelMass = 0;  // g
    double umarTest = 0, station = 0, travel = 0;          // g·mm
    std::string umarText;        // U|mar| as printed
    std::string emarText = "-";  // e|mar| as printed, with the decimals that give U|mar| back
    std::optional<double> emar;  // e|mar| as printed; none for a rotor without mass
};
ProvingUnbalances provingUnbalances(Rotor& rotor);
// The class of the e|mar| the test ran at, which 1.10 claims and 5.6 and 9.1
// confirm; "-" without one.
const char* testedAccuracyClass(const ProvingUnbalances& u);

// An unbalance as an equation prints it: its shortest form to four decimals.
std::string unbalanceText(double v);
// A factor of an equation "factor × base = product": with the fewest
// decimals (up to six) whose product with base lies within half a unit of
// the printed product's last digit; "-" for none.
std::string factorText(std::optional<double> factor, double base, const std::string& product);

// ---- The URR test (section 6), read again by the conclusions ---------------

// The URR in percent that each limit circle stands for, innermost first; the
// diagram's index i stands for 95 - 5 i.
constexpr int kUrrSteps = 20;
constexpr double urrLimitSteps[kUrrSteps] = {95, 90, 85, 80, 75, 70, 65, 60, 55, 50,
                                             45, 40, 35, 30, 25, 20, 15, 10, 5,  0};
// The highest index the test reports (URR 5 %).
constexpr int kUrrIndexLimit = 18;

// Which ring round its target a URR reading lies in, from the measurement:
// e = |reading - target| / |target|, the target being U|station| and U|travel|
// of the masses mounted, at their angles, and the ring floor(e / 5 %): 0 for
// URR 95 %, 1 for 90 % and so on.  q is the reading in multiples of
// U|station|, angle its angle in degrees, plane the test plane (0 or 1), run
// the URR run (0 to 10) and travelling U|travel| / U|station|.
int urrCircleIndex(double q, double angle, int plane, int run, double travelling);

// The index of the first step not above a claimed URR (%): 0 for 95 and
// more, 19 (URR 0 %) below 0.
int urrClaimIndex(double claim);

// True when the URR test was complete and reached the claimed step.
bool urrTestPassed(const ReportContext& c);
