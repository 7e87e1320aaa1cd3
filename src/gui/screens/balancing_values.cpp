// The values the Balancing screen shows per plane: the correction
// instructions with their tolerance verdict, the Test table of a control
// rotor, the number label, and the compensator's hint.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/screens/balancing.h"
#include "gui/ui_probe.h"
#include "gui/widgets.h"
#include "rotor/rotor.h"
#include "rotor/splitters.h"
#include "rotor/verification_rows.h"
#include "texts/format.h"
#include "texts/text_ids.h"

namespace BalancingData {
namespace {

constexpr TextId kTextDoneMark = 0x195DC1E;          // "Â": the long dash of the faces
constexpr TextId kTextCorrectionAngle = 0x1EFD02A;   // "Correction angle"
constexpr TextId kTextUnbalanceAngle = 0x1EFD02C;    // "Unbalance angle"
constexpr TextId kTextIndexedPosition = 0x1EFD03D;   // "Indexed position"
constexpr TextId kTextAttachMass = 0x1EFD02B;        // "Attach mass"
constexpr TextId kTextUnbalanceAmount = 0x1EFD02D;   // "Unbalance amount"
constexpr TextId kTextRemoveMass = 0x1EFD031;        // "Remove mass"
constexpr TextId kTextDrill = 0x1EFD032;             // "Drill À{0} to depth"
constexpr TextId kTextDrillRadial = 0x1EFD033;       // "Drill {1}×À{0} to depth"
constexpr TextId kTextMillDepth = 0x1EFD03F;         // "Mill to depth"
constexpr TextId kTextMillWidth = 0x1EFD040;         // "Mill full depth, width"
constexpr TextId kTextMillArc = 0x1EFD041;           // "Mill an arc of"
constexpr TextId kTextLimited = 0x1EFD030;           // "Unbalance exceeds\ncorrection limit!"
constexpr TextId kTextAngleColumn = 0x1EFD038;       // "Angle, °"
constexpr TextId kTextMassColumn = 0x1EFD039;        // "Mass, g"
constexpr TextId kTextMultipleColumn = 0x1EFD03A;    // "U mult."
constexpr TextId kTextUnbalanceColumn = 0x1EFD03B;   // "Unbal., gmm"
constexpr TextId kHintLines[] = {0x1EFD018, 0, 0x1EFD019, 0x1EFD01A, 0x1EFD01B};  // 0: an empty line

constexpr const char* kToleranceLabel = "D~tol";
constexpr const char* kResidualLabel = "D";

constexpr float kColumnInset = 12;
constexpr float kNumberDrop = 12;  // the smaller remainder of a number label
constexpr float kAmountTop = 64;
constexpr float kValueBelowCaption = 18;
constexpr float kToleranceTop = 128;
constexpr float kResidualTop = 154;
constexpr float kLeaderGap = 6;
constexpr int kDecimalsPlain = 1;
constexpr int kDecimalsAccurate = 4;
constexpr double kExponentFrom = 10000;

using verificationrows::kMiddlePlane;
constexpr double kBand = 0.12;  // of the Test table: the stage's mean +- 12 %
constexpr int kUnbalanceStage = 1;
constexpr int kMixedStage = 2;
constexpr int kTestMassStep = 30;  // degrees between the U|mar| test mass's positions

constexpr float kTableTop = 44;
constexpr float kTableRow = 28;
constexpr float kSecondColumn = 124;

const ImU32 kBlack = 0xFF000000;
const ImU32 kWhite = 0xFFFFFFFF;
const ImU32 kCaptionGrey = 0xFF333333;
const ImU32 kGoGreen = IM_COL32(69, 214, 122, 255);
const ImU32 kLeaderGrey = IM_COL32(204, 204, 204, 255);
const ImU32 kOutsideBand = IM_COL32(255, 176, 176, 255);
const ImU32 kMarkedRow = IM_COL32(64, 64, 64, 255);
const ImU32 kShadow = IM_COL32(255, 255, 255, 215);

ImVec2 windowOrigin() { return ImGui::GetWindowPos() - ImVec2(ImGui::GetScrollX(), ImGui::GetScrollY()); }

ImVec2 textSize(int slot, const std::string& text) {
    ImFont* font = uiFont(slot);
    return font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, text.c_str());
}

// The slot of the next smaller size of the same face.
int smallerSlot(int slot) { return slot % fontslot::kSizesPerFace == 0 ? slot : slot - 1; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// What plane index i's correction amount is and how the operator carries it
// out: the caption over the amount and the amount's unit.  A flat milling cut
// that the full depth cannot make is a width (the rotor gives it negated).
struct AmountKind {
    std::string caption;
    TextId unit;
    double shown;
};
AmountKind amountKind(Rotor& r, int i, bool unbalances, double amount) {
    if (unbalances) return {textOrEmpty(kTextUnbalanceAmount), textid::kUnitGmm, amount};
    const int p = i + 1;
    if (r.isDrilling(p)) {
        const bool radial = r.isRadialDrilling(p);
        const int holes = drillHoleCount(radial, r.additionalHoles(p));
        return {ks::format(textOrEmpty(radial ? kTextDrillRadial : kTextDrill), r.drillDiameter(p), holes),
                textid::kUnitMm, amount};
    }
    if (r.isArcMilling(p)) return {textOrEmpty(kTextMillArc), textid::kUnitDegree, amount};
    if (r.isFlatMilling(p))
        return {textOrEmpty(amount < 0 ? kTextMillWidth : kTextMillDepth), textid::kUnitMm, std::fabs(amount)};
    const bool removes = r.isRemoval(p) || r.asksRemoval(i);
    return {textOrEmpty(removes ? kTextRemoveMass : kTextAttachMass), textid::kUnitGram, amount};
}

// Two lines of the tolerance: the label, a leader line and the value at the
// column's right.
void toleranceLine(ImVec2 left, float right, const char* label, const std::string& value, ImU32 colour) {
    ImDrawList* list = ImGui::GetWindowDrawList();
    ImGui::PushFont(uiFont(fontslot::kRegular20));
    ImVec2 labelSize;
    drawLabel(labelSize, list, left.x, left.y, uiFont(fontslot::kRegular14), label);
    ImGui::PopFont();
    const float width = textSize(fontslot::kRegular20, value).x;
    const float lineY = left.y + 15;
    if (right - width - kLeaderGap > left.x + labelSize.x + kLeaderGap)
        list->AddLine(ImVec2(left.x + labelSize.x + kLeaderGap, lineY), ImVec2(right - width - kLeaderGap, lineY),
                      kLeaderGrey);
    drawSlotText(fontslot::kRegular20, value.c_str(), ImVec2(right - width, left.y), colour);
}

}  // namespace

// ---- texts ----------------------------------------------------------------------------------

const char* doneMark() { return textOrEmpty(kTextDoneMark); }

std::string angleText(double degrees, int decimals) {
    std::string text = ks::format("{:.{}f}", degrees, decimals);
    if (text.compare(0, 3, "360") == 0) text.erase(0, 2);
    return text + textOrEmpty(textid::kUnitDegree);
}

// The decimals of plane index i's amount.  A control rotor's masses read as
// its certificate states them (the rotor knows the digits each holds).
int amountDecimals(Rotor& r, int i, double amount, bool unbalances, bool accurate) {
    if (accurate) return kDecimalsAccurate;
    if (unbalances || !r.isControlRotor()) return kDecimalsPlain;
    return r.askedMassDecimals(i, amount);
}

std::string amountText(double amount, const char* unit, int decimals, float width) {
    const bool exponent = std::fabs(amount) >= kExponentFrom;
    // An arc in degrees is written as the angles are, its sign against the number.
    const bool degrees = std::strcmp(unit, textOrEmpty(textid::kUnitDegree)) == 0;
    for (int d = decimals;; --d) {
        const std::string text = ks::format(exponent ? "{:.{}e}{}{}" : "{:.{}f}{}{}", amount, d, degrees ? "" : " ", unit);
        if (d == 0 || numberLabel(text, ImVec2(0, 0), 0, false, width, fontslot::kRegular40)) return text;
    }
}

std::string residualText(double u, double permissible, bool stepMissed, bool& green) {
    const char* gmm = textOrEmpty(textid::kUnitGmm);
    // Without a permissible unbalance (a control rotor's may be 0) there is no ratio.
    if (!(permissible > 0)) {
        green = false;
        return ks::format("{:.1f} ({}) {}", u, doneMark(), gmm);
    }
    const double ratio = u / permissible;
    // A run that missed its verification step is not good, whatever its ratio.
    green = ratio < 1 && !stepMissed;
    return ks::format("{:.1f} ({:.2f}) {}", u, ratio, gmm);
}

bool numberLabel(const std::string& text, ImVec2 at, ImU32 colour, bool replace, float limit, int slot) {
    const std::string shown = replace ? std::string(doneMark()) : text;
    std::size_t split = 0;
    if (!shown.empty() && shown[0] == '-') split = 1;
    while (split < shown.size() && isDigit(shown[split])) ++split;
    const std::string head = shown.substr(0, split), tail = shown.substr(split);
    const int small = smallerSlot(slot);
    const float headWidth = textSize(slot, head).x;
    const float width = headWidth + textSize(small, tail).x;
    if (limit > 0) return width < limit;
    drawSlotText(slot, head.c_str(), at, colour);
    if (!tail.empty()) drawSlotText(small, tail.c_str(), at + ImVec2(headWidth, kNumberDrop), colour);
    return true;
}

// ---- the instructions -----------------------------------------------------------------------

void Data::correctionInstructions(int flags) {
    Rotor& r = *_rotor;
    const ImVec2 origin = windowOrigin();
    const bool accurate = increasedAccuracy();
    const bool unbalances = _displayUnbalances;
    const int n = planeCount();
    for (int i = 0; i < n; ++i) {
        const bool selected = _selectedColumn == i + 1;
        if (_selectedColumn != 0 && !selected) continue;
        const int p = i + 1;
        bool done = (flags & kRunInTolerance) != 0;
        bool limited = false;
        double amount = 0;
        const double unbalance = r.correctionAmount(i, true);
        if (!unbalances) {
            limited = r.isCorrectionLimited(i);
            // Depths, widths and arcs are no masses, and a control rotor's masses are
            // the test's as its protocol states them: the mass step rounds none of them.
            amount = r.roundedCorrectionMass(i, accurate || r.isMachiningRemoval(p) || r.isControlRotor());
            // Done only in tolerance: a limited plane shows its angle and its limit.
            if (!accurate && !r.isOutOfTolerance(p)) done = true;
        } else {
            amount = unbalance;
            done = false;
        }
        const AmountKind kind = amountKind(r, i, unbalances, amount);
        if (r.isControlRotor()) done = unbalances ? i == kMiddlePlane : r.asksNothing(i);

        const float x = _view.left + kPlaneColumnWidth * static_cast<float>(i) + kColumnInset;
        const float right = x + kPlaneColumnWidth - 2 * kColumnInset;
        const ImVec2 top = origin + ImVec2(x, instructionsTop);
        const double angle = selected ? _rotorAngle : r.correctionAngle(i, unbalances);
        const TextId angleCaption = selected ? kTextIndexedPosition
                                             : unbalances ? kTextUnbalanceAngle : kTextCorrectionAngle;
        drawSlotText(fontslot::kRegular17, textOrEmpty(angleCaption), top, kCaptionGrey);
        const bool markDone = done && !selected;
        numberLabel(angleText(angle, accurate ? 2 : 1), top + ImVec2(0, kValueBelowCaption), kBlack, markDone, 0,
                    fontslot::kRegular40);
        if (selected) continue;

        const ImVec2 amountAt = top + ImVec2(0, kAmountTop);
        drawSlotText(fontslot::kRegular17, kind.caption.c_str(), amountAt, kCaptionGrey);
        if (limited) {
            drawSlotText(fontslot::kRegular20, textOrEmpty(kTextLimited), amountAt + ImVec2(0, kValueBelowCaption),
                         kBlack);
        } else {
            const std::string text =
                amountText(kind.shown, textOrEmpty(kind.unit),
                           amountDecimals(r, i, kind.shown, unbalances, accurate), right - x);
            numberLabel(text, amountAt + ImVec2(0, kValueBelowCaption), kBlack, done, 0, fontslot::kRegular40);
            // The whole instruction as one item, for a reader of the probe.
            if (!done && UiProbe::recording())
                UiProbe::report(
                    0, ks::format("instruction{}", p).c_str(), top, ImVec2(origin.x + right, amountAt.y),
                    ks::format("{}|{}|{}", kind.caption, text, angleText(angle, accurate ? 2 : 1)).c_str());
        }

        const double permissible = r.permissibleUnbalance(p);
        toleranceLine(top + ImVec2(0, kToleranceTop), origin.x + right, kToleranceLabel,
                      ks::format("{:.1f} {}", permissible, textOrEmpty(textid::kUnitGmm)), kBlack);
        bool green = false;
        const std::string residual =
            residualText(unbalance, permissible, (flags & kRunMissedStep) != 0, green);
        toleranceLine(top + ImVec2(0, kResidualTop), origin.x + right, kResidualLabel, residual,
                      green ? kGoGreen : kBlack);
    }
}

// ---- the Test table ------------------------------------------------------------------------

void Data::planeValueTable(int plane) {
    Rotor& r = *_rotor;
    const int runs = r.runCount();
    int step = r.nextVerificationStep(-1);
    if (step > runs - 1) step -= 1;
    int first = 0, size = 0;
    int kind = r.verificationStage(std::max(step, 0), &first, &size);
    int marked = -1;
    if (runs > 0 && r.currentRun() != runs - 1) {
        kind = r.verificationStage(r.currentRun(), &first, &size);
        marked = r.currentRun();
    }
    const bool middle = plane == kMiddlePlane;
    // A plane without a channel has no readings.  In the U|mar| test it
    // carries the test mass: its rows say where and how much; else it lists nothing.
    const bool measured = r.hasChannel(plane + 1);
    if (!measured && kind != kUnbalanceStage) return;
    const bool twoColumns = kind == kUnbalanceStage || (kind == kMixedStage && !middle);
    const bool unbalanceCaptions = measured && (!middle || (kind != kUnbalanceStage && kind != kMixedStage));
    const TextId captions[2] = {unbalanceCaptions ? kTextUnbalanceColumn : kTextAngleColumn,
                                unbalanceCaptions ? kTextMultipleColumn : kTextMassColumn};

    const int last = std::min(first + size, runs);
    // The stage's mean of the plane: the 12 % band is measured from it.
    double mean = 0;
    int count = 0;
    for (int run = first; run < last && measured; ++run, ++count) mean += r.runUnbalance(run, plane, nullptr);
    mean = count > 0 ? mean / count : 0;

    ImDrawList* list = ImGui::GetWindowDrawList();
    const ImVec2 origin = windowOrigin();
    const float x = _view.left + kPlaneColumnWidth * static_cast<float>(plane) + kColumnInset;
    const ImVec2 top = origin + ImVec2(x, columnsTop + kTableTop);
    const int columns = twoColumns ? 2 : 1;
    for (int c = 0; c < columns; ++c)
        drawSlotText(fontslot::kRegular17, textOrEmpty(captions[c]), top + ImVec2(kSecondColumn * c, 0), kCaptionGrey);
    const int decimals = 1;
    for (int run = first, row = 0; run < last; ++run, ++row) {
        const ImVec2 at = top + ImVec2(0, kTableRow * static_cast<float>(row + 1));
        const bool isMarked = run == marked;
        const ImVec2 rowEnd = at + ImVec2(kPlaneColumnWidth - 2 * kColumnInset, kTableRow);
        const double value = measured ? r.runUnbalance(run, plane, nullptr) : 0;
        const bool known = mean != 0 && std::isfinite(value / mean);
        const bool outside = unbalanceCaptions && known && std::fabs(1 - value / mean) > kBand;
        if (isMarked)
            list->AddRectFilled(at, rowEnd, kMarkedRow);
        else if (outside)
            list->AddRectFilled(at, rowEnd, kOutsideBand);
        const ImU32 ink = isMarked ? kWhite : kBlack;
        const bool testMass = kind == kUnbalanceStage && middle;
        const double umarMass = r.testMass(plane + 1, Rotor::kUmarMass);
        const int massDecimals = Rotor::statedMassDecimals(umarMass);
        const std::string firstCell = !measured ? ks::format("{}", kTestMassStep * (run - first))
                                                : ks::format("{:.{}f}", testMass ? umarMass : value,
                                                             testMass ? massDecimals : decimals);
        drawSlotText(fontslot::kRegular20, firstCell.c_str(), at, ink);
        std::string second;
        if (twoColumns) {
            if (!measured)
                second = ks::format("{:.{}f}", umarMass, massDecimals);
            else if (!unbalanceCaptions)
                second = ks::format("{:.{}f}", value, decimals);
            else
                second = known ? ks::format("{:.2f}", value / mean) : std::string(doneMark());
            drawSlotText(fontslot::kRegular20, second.c_str(), at + ImVec2(kSecondColumn, 0), ink);
        }
        UiProbe::report(0, isMarked ? "test row marked" : outside ? "test row outside" : "test row", at, rowEnd,
                        ks::format("{}|{}", firstCell, second).c_str());
    }
}

// ---- the compensator's hint ----------------------------------------------------------------

void Data::compensatorHint() {
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    const ImRect area = w->InnerRect;
    const ImGuiID id = w->GetID("shadow");
    ImGui::SetCursorScreenPos(area.Min);
    ImGui::ItemSize(area);
    ImGui::ItemAdd(area, id);
    w->DrawList->AddRectFilled(area.Min, area.Max, kShadow);
    UiProbe::report(id, "shadow", area.Min, area.Max);
    const float line = uiFont(fontslot::kRegular28)->FontSize * 1.3f;
    float y = area.GetCenter().y - line * static_cast<float>(std::size(kHintLines)) / 2;
    for (TextId id : kHintLines) {
        if (id != 0) {
            const std::string text = textOrEmpty(id);
            const float width = textSize(fontslot::kRegular28, text).x;
            drawSlotText(fontslot::kRegular28, text.c_str(), ImVec2(area.GetCenter().x - width / 2, y), kBlack);
        }
        y += line;
    }
}

}  // namespace BalancingData
