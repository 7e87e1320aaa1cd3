// The balancing protocol's driver, its header and its rotor-data block.  The
// runs table and the evaluation are in balancing_runs.cpp.
#include "protocols/balancing_protocol.h"

#include <algorithm>
#include <string>

#include "protocols/report_context.h"
#include "protocols/report_texts.h"
#include "records/settings_records.h"
#include "rotor/plane_limits.h"
#include "rotor/rotor.h"
#include "rotor/rotor_report.h"
#include "texts/format.h"

using namespace reporttext;

namespace {

constexpr int kRegular = Doc::kRegularSlot;
constexpr int kBold = Doc::kBoldSlot;

// Header: the owner's contact blocks, the title and the machine rows.
constexpr float kContactRowHeight = 12.f;
constexpr float kContactFontSize = 9.f;
constexpr float kContactBlockShift = 25.f;  // the address block's left edge from W / 3, the phones' width from it
constexpr float kTitleY = 74.f;
constexpr float kTitleHeight = 38.f;
constexpr float kTitleFontSize = 33.f;
constexpr float kHeadingY = 124.f;
constexpr float kHeadingHeight = 25.f;
constexpr float kHeadingFontSize = 19.8f;
constexpr float kHeadingRuleY = 156.f;
constexpr float kMachineRowY = 164.f;
constexpr float kInstrumentRowY = 180.f;
constexpr float kDeviceRowHeight = 16.f;
constexpr float kSerialHeight = 14.f;

// Rotor data.
constexpr float kRotorHeadingY = 210.f;
constexpr float kRotorHeadingHeight = 20.f;
constexpr float kRotorHeadingFontSize = 12.f;
constexpr float kCustomerRowY = 225.f;
constexpr float kCompanyRowY = 240.f;
constexpr float kCustomerRuleY = 263.f;
constexpr float kRotorRow1Y = 270.f;
constexpr float kRotorRow2Y = 285.f;
constexpr float kRotorRow3Y = 300.f;
constexpr float kRotorRuleY = 323.f;
constexpr float kPlaneHeadY = 330.f;
constexpr float kPlaneRowsStartY = 334.f;
constexpr float kDataRowHeight = 15.f;
constexpr float kAfterPlaneRows = 28.f;  // from the last plane row to the runs table
constexpr int kUnitTextBytes = 16;
// The header and rotor rows grow by what their typed values need to be
// printed whole, the rest of the page moving down: into the room a table of
// five planes and ten runs leaves above the page's end, then into the planes
// and runs the rotor does not have.  Never into runs: a value that needs
// more is printed as far as its box holds, ending in an ellipsis.
constexpr float kMostGrowth = 30.f;

float runRowHeight(const ReportContext& c) { return c.cellPad + c.rowHeight + c.cellPad; }

// The room the page leaves below a full runs table and the rotor's planes.
float spareRoom(const ReportContext& c) {
    Rotor& rotor = *c.rotor;
    const int planes = std::min(rotor.planeCount(false), kMaxRotorPlanes);
    const int runs = std::min(rotor.runCount(), c.maxRunRows);
    return kMostGrowth + kDataRowHeight * float(kMaxRotorPlanes - planes) +
           runRowHeight(c) * float(c.maxRunRows - runs);
}

// The room rows of typed values take: each row grows by the most any of its
// values needs beyond its box, while the page has room.
struct Growth {
    ReportContext& c;
    float left = spareRoom(c);
    float shift = 0.f;  // what the rows so far grew by
    // The height of a value's box in a row of height h: what it needs, within the room left.
    float box(float w, float h, const std::string& text, float size) const {
        return h + std::min(left, c.doc->wholeHeight(w, h, text.c_str(), Doc::kRegularSlot, size) - h);
    }
    void grow(float by) {
        by = std::clamp(by, 0.f, left);
        left -= by;
        shift += by;
    }
};

// One row per shown run: the first runs, and the last run in the last row
// when there are more runs than rows.
void writeRunRows(ReportContext& c) {
    const float X = c.contentLeft;
    const int rows = std::min(c.runCount, c.maxRunRows);
    for (int i = 0; i < rows; ++i) {
        const bool lastRow = i == c.maxRunRows - 1;
        const int run = (lastRow && c.runCount > c.maxRunRows) ? c.runCount - 1 : i;
        leftText(c, X + c.cellPad, c.y, kRunNumberWidth - 2 * c.cellPad - kLabelInset, c.rowHeight,
                 ks::format("{}", run + 1).c_str(), kRegular, c.labelFontSize);
        writeRunCells(c, run, X + kRunNumberWidth - c.groupGap, c.y);
        c.y += c.cellPad + c.rowHeight + c.cellPad;
    }
}

}  // namespace

std::optional<double> inToleranceUnit(double unbalance, double divisor) { return quotient(unbalance, divisor); }

int writeBalancingProtocol(ReportContext& c) {
    Doc& doc = *c.doc;
    Rotor& rotor = *c.rotor;
    setContentGeometry(c);
    // The runs table has a column layout for each plane count a rotor can
    // have; a table without value columns would be a record of nothing.
    if (rotor.planeCount(false) > kMaxRotorPlanes) return reportresult::kNotWritten;
    if (!doc.begin()) return reportresult::kBeginFailed;
    if (!loadProtocolFaces(doc)) {
        doc.discard();
        return reportresult::kNotWritten;
    }
    writeProtocolHeader(c);
    writeRotorData(c);

    c.runCount = rotor.runCount();
    const int remembered = rotor.currentRun();
    writeRunsTable(c);
    writeRunRows(c);
    writeEvaluation(c);
    rotor.selectRun(remembered);

    if (c.pageBreakPending) doc.newPage();
    return doc.save() ? reportresult::kWritten : reportresult::kNotWritten;
}

void writeProtocolHeader(ReportContext& c) {
    const Config& settings = settingsOf(c);
    const Contact& company = settings.company;
    const float X = c.contentLeft;
    const float W = c.contentWidth;
    const float top = c.topMargin;
    const float h = kContactRowHeight;

    if (!company.address.empty()) {
        const float x = X + W / 3 - kContactBlockShift;
        const float w = W / 3 + kContactBlockShift;
        const bool second = !company.address2.empty();
        leftText(c, x, top, w, h, textOrEmpty(kAddressLabel), kRegular, kContactFontSize);
        valueText(c, x, top + h, 2 * w, h, company.address.c_str(), kRegular, kContactFontSize);
        valueText(c, x, top + 2 * h, 2 * w, h, (second ? company.address2 : company.emailWeb).c_str(),
                  kRegular, kContactFontSize);
        valueText(c, x, top + 3 * h, 2 * w, h, second ? company.emailWeb.c_str() : "", kRegular,
                  kContactFontSize);
    }
    if (!company.phones.empty()) {
        const float w = W / 3 - kContactBlockShift;
        leftText(c, X, top, w, h, textOrEmpty(kPhonesLabel), kRegular, kContactFontSize);
        valueText(c, X, top + h, w, h, company.phones.c_str(), kRegular, kContactFontSize);
        valueText(c, X, top + 2 * h, w, h, company.phones2.c_str(), kRegular, kContactFontSize);
    }

    leftText(c, X, kTitleY, W, kTitleHeight, textOrEmpty(kBalancingProtocolTitle), kBold, kTitleFontSize);
    leftText(c, X, kHeadingY, W, kHeadingHeight, textOrEmpty(kMachineDataHeading), kRegular, kHeadingFontSize);
    c.doc->line(X, kHeadingRuleY, X + W, kHeadingRuleY);

    const float c1 = c.column1Width, c2 = c.column2Width, c3 = c.column3Width;
    const float c4 = W - c1 - c2 - c3;
    struct DeviceRow {
        float y;
        TextId label;
        TextId serialLabel;
        const Info& info;
    };
    const DeviceRow rows[] = {
        {kMachineRowY, kMachineLabel, kMachineSerialLabel, settings.machineInfo},
        {kInstrumentRowY, kInstrumentLabel, kInstrumentSerialLabel, settings.instrumentInfo},
    };
    Growth growth{c};
    for (const DeviceRow& r : rows) {
        const float y = r.y + growth.shift;
        const float modelH = growth.box(c2, kDeviceRowHeight, r.info.model, c.valueFontSize);
        const float serialH = growth.box(c4, kSerialHeight, r.info.serialNumber, c.valueFontSize);
        leftText(c, X, y, c1 - kLabelInset, kDeviceRowHeight, textOrEmpty(r.label), kRegular, c.labelFontSize);
        valueText(c, X + c1, y, c2, modelH, r.info.model.c_str(), kRegular, c.valueFontSize);
        leftText(c, X + c1 + c2, y, c3 - kLabelInset, kDeviceRowHeight, textOrEmpty(r.serialLabel), kRegular,
                 c.labelFontSize);
        valueText(c, X + c1 + c2 + c3, y, c4, serialH, r.info.serialNumber.c_str(), kRegular, c.valueFontSize);
        growth.grow(std::max(modelH - kDeviceRowHeight, serialH - kSerialHeight));
    }
    c.y = kRotorHeadingY + growth.shift;
}

void writeRotorData(ReportContext& c) {
    Rotor& rotor = *c.rotor;
    const Config& settings = settingsOf(c);
    const LocalConfig& report = settings.local;
    const float X = c.contentLeft;
    const float W = c.contentWidth;
    const float c1 = c.column1Width, c2 = c.column2Width, c3 = c.column3Width;
    const float c4 = W - c1 - c2 - c3;
    const float h = kDataRowHeight;
    auto label = [&](float x, float y, float w, const char* text) {
        leftText(c, x, y, w, h, text, kRegular, c.labelFontSize);
    };
    auto value = [&](float x, float y, float w, const std::string& text) {
        valueText(c, x, y, w, h, text.c_str(), kRegular, c.valueFontSize);
    };

    // The header leaves y where this block starts; rows below a taller one move down.
    Growth growth{c};
    growth.grow(c.y - kRotorHeadingY);
    auto at = [&](float y) { return y + growth.shift; };
    leftText(c, X, at(kRotorHeadingY), W, kRotorHeadingHeight, textOrEmpty(kRotorDataHeading), kBold,
             kRotorHeadingFontSize);
    // A row of labels and typed values; its values' boxes as tall as they need.
    struct Cell {
        float x, w;
        std::string text;
    };
    auto valueRow = [&](float rowY, std::initializer_list<Cell> cells) {
        const float y = at(rowY);
        float grown = 0.f;
        for (const Cell& cell : cells) {
            const float box = growth.box(cell.w, h, cell.text, c.valueFontSize);
            valueText(c, cell.x, y, cell.w, box, cell.text.c_str(), kRegular, c.valueFontSize);
            grown = std::max(grown, box - h);
        }
        return grown;
    };
    label(X, at(kCustomerRowY), c1 - kLabelInset, textOrEmpty(kCustomerLabel));
    growth.grow(valueRow(kCustomerRowY, {{X + c1, W - c1, report.header2}}));
    label(X, at(kCompanyRowY), c1 - kLabelInset, textOrEmpty(kCompanyLabel));
    growth.grow(valueRow(kCompanyRowY, {{X + c1, W - c1, settings.company.company}}));
    c.doc->line(X, at(kCustomerRuleY), X + W, at(kCustomerRuleY));

    const float x3 = X + c1 + c2;
    const float x4 = x3 + c3;
    // The speed's label takes two lines beside the name, its value beside the second; the rows
    // on the left below the name move down by what the name needs.
    label(x3, at(kRotorRow1Y), c3 - kLabelInset, textOrEmpty(kBalancingSpeedLabel));
    label(x3, at(kRotorRow2Y), c3 - kLabelInset, textOrEmpty(kBalancingSpeedLabel2));
    value(x4, at(kRotorRow2Y), c4, ks::format("{}", rotor.balancingSpeed()));
    label(X, at(kRotorRow1Y), c1 - kLabelInset, textOrEmpty(kRotorNameLabel));
    growth.grow(valueRow(kRotorRow1Y, {{X + c1, c2, report.header3}}));
    label(X, at(kRotorRow2Y), c1 - kLabelInset, textOrEmpty(kRotorNumberLabel));
    growth.grow(valueRow(kRotorRow2Y, {{X + c1, c2, report.header4}}));
    label(X, at(kRotorRow3Y), c1 - kLabelInset, textOrEmpty(kRotorMassLabel));
    label(x3, at(kRotorRow3Y), c3 - kLabelInset, textOrEmpty(kPlaneCountLabel));
    valueRow(kRotorRow3Y, {{X + c1, c2, ks::format("{}", rotor.rotorMass())},
                           {x4, c4, ks::format("{}", rotor.planeCount(false))}});
    c.doc->line(X, at(kRotorRuleY), X + W, at(kRotorRuleY));

    char unit[kUnitTextBytes] = {};
    const double divisor = rotor.unbalanceUnit(unit, kUnitTextBytes);
    label(X + c1, at(kPlaneHeadY), c2 - kLabelInset, textOrEmpty(kCorrectionRadiusHead));
    label(x3, at(kPlaneHeadY), c3 - kLabelInset, ks::format("{} ({})", textOrEmpty(kToleranceHead), unit).c_str());
    label(x4, at(kPlaneHeadY), c4 - kLabelInset, textOrEmpty(kCorrectionMethodHead));

    float y = at(kPlaneRowsStartY);
    int n = 1;
    for (int p = rotor.nextPlane(0, false); p != 0; p = rotor.nextPlane(p, false), ++n) {
        y += h;
        const float row = y + c.cellPad;
        label(X, row, c1 - kLabelInset, ks::format("{} {}", textOrEmpty(kPlane), n).c_str());
        value(X + c1, row, c2, ks::format("{}", rotor.correctionRadius(p)));
        const std::optional<double> tolerance = inToleranceUnit(rotor.permissibleUnbalance(p), divisor);
        value(x3, row, c3, tolerance ? ks::format("{}", *tolerance) : std::string("-"));
        leftText(c, x4, row, c4, h, rotor.correctionModeLabel(p), kRegular, c.valueFontSize);
    }
    c.y = y + kAfterPlaneRows;
}
