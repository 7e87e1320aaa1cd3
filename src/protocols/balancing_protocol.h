#pragma once
// The balancing protocol: the one-page record of one rotor's balancing.  Its
// header (owner's contacts, machine and instrument), the rotor's data with a
// row per correction plane, the table of balancing runs (the first nine and
// the last when there are more than ten) and the evaluation with the verdict,
// the date and who did the work.
//
// The writers draw into the context's document with the rotor's own readers;
// writeRunCells makes runs current while it reads them, and the driver gives
// the rotor its current run back before it saves.

#include <optional>

struct ReportContext;

// Width of the runs table's first column, the run numbers.
constexpr float kRunNumberWidth = 33.f;
// A label keeps this much off its column's right edge.
constexpr float kLabelInset = 1.5f;

// Writes and saves the whole protocol: reportresult::kWritten, kBeginFailed
// (nothing drawn), or kNotWritten when the rotor has more planes than the
// runs table can show (nothing is begun), a face is missing from the resource
// store or cannot be loaded (the document is dropped: a protocol without
// fonts would be blank) or the save fails.
int writeBalancingProtocol(ReportContext& c);

// The header block, y from the top margin to 196, lower by what its typed
// values need to be printed whole; leaves the context's y where the rotor
// data begin.
void writeProtocolHeader(ReportContext& c);
// The rotor-data block from the context's y, its rows as tall as their typed
// values need; leaves the context's y where the runs table begins, and the
// table fewer rows where the rows above took the room of some.
void writeRotorData(ReportContext& c);

// The runs table's heading, plane titles and column heads; chooses the column
// layout and leaves the context's y at the first run row.
void writeRunsTable(ReportContext& c);
// The value cells of one run row at (x, y); run -1 draws the column heads.
void writeRunCells(ReportContext& c, int run, float x, float y);
// The verdict, the date of balancing and who did the work, below the table.
void writeEvaluation(ReportContext& c);

// An unbalance in the tolerance's unit (the rotor's unit divisor); none when
// the divisor gives no finite number (g·mm/kg of a rotor without mass).
std::optional<double> inToleranceUnit(double unbalance, double divisor);
