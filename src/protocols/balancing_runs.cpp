// The balancing protocol's lower half: the table of balancing runs, a group
// of columns per correction plane, and the evaluation below it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "protocols/balancing_protocol.h"
#include "protocols/report_context.h"
#include "protocols/report_texts.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "texts/format.h"
#include "texts/text_ids.h"

using namespace reporttext;

namespace {

constexpr int kRegular = Doc::kRegularSlot;
constexpr int kBold = Doc::kBoldSlot;

// Runs table.
constexpr float kHeadingHeight = 25.f;
constexpr float kHeadingFontSize = 19.8f;
constexpr float kTitleFontSize = 12.f;  // "#" and the plane titles
constexpr float kColumnHeadFontSize = 9.f;
constexpr int kUnitTextBytes = 16;
constexpr double kNoDecimalsAbove = 10000.0;

// Evaluation.
constexpr float kEvaluationGap = 50.f;   // below the last run row
constexpr float kEvaluationLowest = 750.f;  // where the gap is not taken further
constexpr float kEvaluationLeastGap = 10.f;  // below a table that the rotor data moved down
constexpr float kEvaluationRowHeight = 20.f;
constexpr float kEvaluationFontSize = 12.f;
constexpr float kVerdictWidth = 120.f;
constexpr float kValueWidthLess = 100.f;  // date and operator: the content width less this

// Column letters: one per column, repeated per plane.
constexpr char kMass = 'm';
constexpr char kAngle = 'l';
constexpr char kAmplitude = 'a';
constexpr char kPhase = 'p';
constexpr char kUnbalance = 'd';

const char* layoutFor(int planes) {
    switch (planes) {
        case 1: return "mlapd";
        case 2: return "mlapdmlapd";
        case 3: return "mldmldmld";
        case 4: return "mldmldmldmld";
        case 5: return "mlmlmlmlml";
        default: return "";
    }
}

// The plane indexes (from 0) in the order of the plane walk.
std::vector<int> walkedPlanes(Rotor& rotor) {
    std::vector<int> out;
    for (int p = rotor.nextPlane(0, false); p != 0; p = rotor.nextPlane(p, false)) out.push_back(p - 1);
    return out;
}

std::string columnHead(Rotor& rotor, char letter, int plane) {
    switch (letter) {
        case kMass: return textOrEmpty(kMassHead);
        case kAngle: return textOrEmpty(kAngleHead);
        case kPhase: return textOrEmpty(kPhaseHead);
        case kAmplitude: {
            double one = 1.0;
            const bool converts = rotor.forceToUnbalance(plane, &one, true);
            return ks::format("{}({})", textOrEmpty(kAmplitudeHead),
                              textOrEmpty(converts ? textid::kUnitUnit : textid::kUnitMkm));
        }
        case kUnbalance: {
            char unit[kUnitTextBytes] = {};
            rotor.unbalanceUnit(unit, kUnitTextBytes);
            return std::string(textOrEmpty(kUnbalanceHeadOpen)) + unit + ")";
        }
        default: return std::string();
    }
}

struct CellValue {
    std::optional<double> value;  // none: "-"
    int decimals = 1;
};

// The run's value in one column of a plane; makes the run current.
CellValue cellValue(Rotor& rotor, char letter, int run, int plane) {
    switch (letter) {
        case kMass: {
            const double m = rotor.runCorrection(run, plane, nullptr, false, nullptr);
            return {m, m < 10.0 ? 3 : m < 100.0 ? 2 : 1};
        }
        case kAngle: {
            double angle = 0.0;
            rotor.runCorrection(run, plane, &angle, false, nullptr);
            return {angle, 1};
        }
        case kAmplitude: return {rotor.runVibration(run, plane, nullptr), 0};
        case kPhase: {
            // A phase of exactly 0 was not measured: the unbalance angle stands for it.
            double angle = 0.0;
            rotor.runVibration(run, plane, &angle);
            if (angle == 0.0) rotor.runCorrection(run, plane, &angle, true, nullptr);
            return {angle, 1};
        }
        case kUnbalance: {
            const double u = rotor.runCorrection(run, plane, nullptr, true, nullptr);
            return {inToleranceUnit(u, rotor.unbalanceUnit(nullptr, 0)), 1};
        }
        default: return {std::nullopt, 0};
    }
}

std::string cellText(const CellValue& cell) {
    if (!cell.value || !std::isfinite(*cell.value)) return "-";
    const int decimals = *cell.value > kNoDecimalsAbove ? 0 : cell.decimals;
    return ks::format("{:.{}f}", *cell.value, decimals);
}

// The date of balancing: day, month name (genitive in Russian) and year in
// each language's order.
std::string balancingDate(const std::tm& t) {
    const TextId month = textid::kMonthsGroup + static_cast<TextId>(t.tm_mon + 1);
    return ks::format(textOrEmpty(kBalancingDate), t.tm_mday, textOrEmpty(month), t.tm_year + 1900);
}

// In tolerance when every plane of the last run is.  The last run is made
// current with its corrections first, so the verdict never reads whatever run
// a cell happened to compute last.  Without runs nothing was measured, and
// nothing is in tolerance.
bool lastRunInTolerance(Rotor& rotor) {
    const int runs = rotor.runCount();
    if (runs == 0) return false;
    rotor.runCorrection(runs - 1, 0, nullptr, true, nullptr);
    for (int p = rotor.nextPlane(0, false); p != 0; p = rotor.nextPlane(p, false))
        if (rotor.isOutOfTolerance(p)) return false;
    return true;
}

}  // namespace

void writeRunsTable(ReportContext& c) {
    Rotor& rotor = *c.rotor;
    Doc& doc = *c.doc;
    const float X = c.contentLeft;
    const float W = c.contentWidth;
    float y = c.y;

    doc.line(X, y - 5, X + W, y - 4);
    leftText(c, X, y, W, kHeadingHeight, textOrEmpty(kBalancingRunsHeading), kRegular, kHeadingFontSize);
    y += 33;
    doc.line(X, y, X + W, y);
    y += 7;

    const int n = rotor.planeCount(false);
    c.columnLayout = layoutFor(n);
    const int letters = static_cast<int>(std::strlen(c.columnLayout));
    c.cellWidth = letters > 0 ? (W - kRunNumberWidth - (n - 1) * c.groupGap) / letters : 0.f;

    leftText(c, X, y, kRunNumberWidth, c.rowHeight, textOrEmpty(kNumberSign), kBold, kTitleFontSize);
    if (n > 0) {
        const float groupWidth = (W - kRunNumberWidth + c.groupGap) / n;
        for (int i = 0; i < n; ++i)
            leftText(c, X + kRunNumberWidth + i * groupWidth, y, groupWidth, c.rowHeight,
                     ks::format("{} P{}", textOrEmpty(kPlane), i + 1).c_str(), kBold, kTitleFontSize);
    }
    y += c.rowHeight + 8;
    doc.line(X, y + 5, X + W, y + 5);
    y += 8;

    writeRunCells(c, -1, X + kRunNumberWidth - c.groupGap, y);
    c.y = y + c.rowHeight + 9;
}

void writeRunCells(ReportContext& c, int run, float x, float y) {
    Rotor& rotor = *c.rotor;
    const char* layout = c.columnLayout ? c.columnLayout : "";
    const std::vector<int> planes = walkedPlanes(rotor);
    const bool scheme2 = rotor.planeScheme() == 2;
    const float width = c.cellWidth - c.cellPad;

    for (const char* letter = layout; *letter; ++letter) {
        // The n-th occurrence of a letter belongs to the n-th plane.
        const int k = static_cast<int>(std::count(layout, letter, *letter));
        const int plane = k < static_cast<int>(planes.size()) ? planes[static_cast<std::size_t>(k)] : k;
        if (*letter == kMass) x += c.groupGap;
        if (run < 0) {
            leftText(c, x, y, width, 2 * c.rowHeight, columnHead(rotor, *letter, plane).c_str(), kBold,
                     kColumnHeadFontSize);
        } else {
            const bool dashed = scheme2 && (*letter == kAmplitude || *letter == kPhase);
            const std::string text = dashed ? std::string("-") : cellText(cellValue(rotor, *letter, run, plane));
            leftText(c, x, y, width, c.rowHeight, text.c_str(), kRegular, c.valueFontSize);
        }
        x += c.cellWidth;
    }
}

void writeEvaluation(ReportContext& c) {
    Rotor& rotor = *c.rotor;
    setReportTime(c);
    const std::string date = balancingDate(c.reportTime);
    const TextId verdict = lastRunInTolerance(rotor) ? kInTolerance : kNotInTolerance;
    const std::string worker = c.config ? c.config->local.header1 : std::string();

    const float X = c.contentLeft;
    const float W = c.contentWidth;
    const float ye = std::max(std::min(c.y + kEvaluationGap, kEvaluationLowest), c.y + kEvaluationLeastGap);
    struct Row {
        TextId label;
        const char* value;
        float width;
    };
    const Row rows[] = {
        {kEvaluationLabel, textOrEmpty(verdict), kVerdictWidth},
        {kBalancingDateLabel, date.c_str(), W - kValueWidthLess},
        {kWorkDoneByLabel, worker.c_str(), W - kValueWidthLess},
    };
    float y = ye;
    for (const Row& r : rows) {
        const float labelWidth =
            leftText(c, X, y, 0.f, kEvaluationRowHeight, textOrEmpty(r.label), kBold, kEvaluationFontSize);
        valueText(c, X + labelWidth, y, r.width, kEvaluationRowHeight, r.value, kRegular,
                  kEvaluationFontSize);
        y += kEvaluationRowHeight;
    }
}
