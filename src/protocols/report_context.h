#pragma once
// The layout context of both protocols: made for one protocol and handed to
// every writer.  It owns the document; its sizes are page points (A4, y from
// the top), set once here and by the protocol's driver.

#include <ctime>
#include <memory>
#include <optional>

#include "protocols/doc.h"

class Rotor;
struct Config;

struct ReportContext {
    // Width of the A4 page in points.
    static constexpr float kPageWidth = 595.f;

    ReportContext(Rotor& reportingRotor, Config* settings, std::unique_ptr<Doc> document)
        : rotor(&reportingRotor), config(settings), doc(std::move(document)) {}

    Rotor* rotor;              // the rotor whose protocol is written
    Config* config;            // the machine's settings: machine, contact and limit texts
    std::unique_ptr<Doc> doc;  // the drawing target
    int protocolNumber = 0;    // verification protocol: seconds after local midnight of the last run
    float y = 0.f;             // running vertical position of the balancing protocol
    float rowHeight = 16.f;    // row of the balancing runs table
    float labelFontSize = 12.f;
    float valueFontSize = 12.f;
    float topMargin = 27.f;     // y of a page's top block
    float leftMargin = 46.f;
    float rightMargin = 32.f;
    float headerHeight = 50.f;  // from the top block to a page's first content line
    float column1Width = 100.f; // columns of the balancing protocol's blocks
    float column2Width = 140.f;
    float column3Width = 140.f;
    float groupGap = 10.f;      // before each plane group of the runs table
    float contentLeft = 0.f;    // set by the driver: leftMargin
    float contentWidth = 0.f;   // set by the driver: page width less both margins
    float cellPad = 0.f;        // set by the driver
    float cellWidth = 0.f;      // runs table: one value cell
    int maxRunRows = 10;        // runs table: most rows
    int runCount = 0;           // set by the writer that needs it
    const char* columnLayout = nullptr;  // runs table: one letter per column
    bool pageBreakPending = false;       // the balancing protocol adds a page at its end when set
    // Verification protocol: results one section hands to a later one.
    int umarOutliers = 0;
    int compensatorPlanesOk = 0;
    int torqueRunsOverLimit = 0;
    int urrClaimIndex = 0;
    int urrIndex = 0;
    bool urrComplete = false;  // every URR reading was made and could be judged
    // The compensator test was judged, against this limit (gmm).
    bool compensatorJudged = false;
    double compensatorLimit = 0;
    // The protocol's calendar time: dates and the protocol number read it.
    std::tm reportTime{};
};

// The context's settings; defaults when it has none.
const Config& settingsOf(const ReportContext& c);

// Loads the protocols' two faces of the resource store into the open
// document (regular into slot 0, bold into slot 1); false when one is missing
// or cannot be loaded.
bool loadProtocolFaces(Doc& doc);

// Sets the context's margins and widths as both drivers begin.
void setContentGeometry(ReportContext& c);

// reportTime from the time stamp of the rotor's last run in local time; the
// local time of writing when the rotor has no runs.
void setReportTime(ReportContext& c);

// Draws a left-aligned text of the program's own (a label, a formula: runs
// between '|' marks lowered) into the context's document; returns the box
// width used (the text's width plus 8 when w is 0).
float leftText(ReportContext& c, float x, float y, float w, float h, const char* text, int slot, float size);
// Draws a value the operator typed or the settings hold, left-aligned, as it
// stands and whole: smaller, or on more lines within the box, when it is too
// wide.
float valueText(ReportContext& c, float x, float y, float w, float h, const char* text, int slot, float size);

// dividend / divisor; none when the divisor is 0 or the result is not a
// finite number, so that no cell prints "inf" or "nan".
std::optional<double> quotient(double dividend, double divisor);
