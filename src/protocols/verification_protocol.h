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

// One numbered label-and-value row: "section.item." before the label when
// both are non-zero; section 0 draws no number and no indent, item 0 a
// continuation of the label above.  The underline runs 14 below y.
void writeNumberedRow(ReportContext& c, float x, float y, float totalWidth, float labelWidth,
                      const char* label, const char* value, bool underline, int section, int item);

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

// Plane 1's "Correction radius, r" (mm), the radius the test masses are made
// for; 0 without planes.
double testMassRadius(Rotor& rotor);

// A number for a cell through ks::format's pattern; "-" for none.
std::string numberText(const char* pattern, std::optional<double> value);
