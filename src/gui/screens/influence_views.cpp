// The views of the influence-coefficient screen: the display selector, the
// run buttons, the trial-plane panel, the measured values of the runs and
// the coefficient table with the stored run vectors.

#include <algorithm>
#include <cmath>
#include <string>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui.h>
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/screens/influence.h"
#include "gui/widgets.h"
#include "rotor/rotor.h"
#include "texts/format.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace InfluenceData {
namespace {

constexpr TextId kTextFactors = 0x1EFD008;        // "Influence Coefficients"
constexpr TextId kTextMeasurements = 0x1EFD009;   // "Measurements"
constexpr TextId kTextDisplayMode = 0x1EFD00A;    // "Display mode"
constexpr TextId kTextTrialRun = 0x1EFD00B;       // "Measurement with a trial mass in the plane"
constexpr TextId kTextReferenceRun = 0x1EFD00C;   // "No trial mass measurement"
constexpr TextId kTextTurn = 0x1EFD00D;           // "Turn"
constexpr TextId kTextPlane = 0x1EFD00E;          // "Plane"
constexpr TextId kTextReady = 0x1EFD00F;          // "Ready"
constexpr TextId kTextTrialMass = 0x1EFD003;      // "Trial mass"
constexpr TextId kTextTrialAngle = 0x1EFD004;     // "Trial mass setting angle"

// Display selector.
constexpr float kWideWindow = 1200;
constexpr float kFactorsWidth = 160, kFactorsWideWidth = 260;
constexpr float kMeasurementsWidth = 100, kMeasurementsWideWidth = 140;
constexpr float kSelectorGap = 3;
constexpr float kSelectorPadding = 20;  // an option never narrower than its label and this
constexpr float kButtonHeight = 50;

// Run buttons.
constexpr float kRunButtonWidth = 50;
constexpr float kRunButtonPitch = 52;

// Trial-plane panel, from its title row and the column's left edge.
constexpr float kSeparatorAbove = 20, kSeparatorBelow = 280;
constexpr float kEntryLeft = 30, kEntryWidth = 80;
constexpr float kButtonLeft = 115, kButtonWidth = 103;
constexpr float kAngleRow = 80, kMassRow = 170;
constexpr float kAngleScroll = 140;

// Measured values, under the trial-plane panel.
constexpr float kValuesDrop = kPanelDrop + 260;
constexpr float kLinePitch = 30;

// Coefficient table.
constexpr float kTableTitleDrop = 80;  // the titles under the selector row
constexpr float kFirstRow = 80;
constexpr float kRowPitch = 90;
constexpr float kFactorWidth = 91.5f;
constexpr float kFactorAngleLeft = 126.5f;
constexpr float kFactorScroll = 140;
constexpr float kTopSlack = 30;       // a tapped row nearer the top scrolls into view
constexpr float kStoredDrop = 100;    // the stored vectors under the longest column

constexpr ImU32 kBlack = 0xFF000000;
constexpr ImU32 kWhite = 0xFFFFFFFF;
const ImU32 kSeparator = IM_COL32(221, 221, 221, 255);
const ImU32 kSelected = IM_COL32(134, 134, 149, 255);   // grey-blue
const ImU32 kReadyGreen = IM_COL32(68, 215, 123, 255);

ImVec2 windowOrigin() { return ImGui::GetWindowPos() - ImVec2(ImGui::GetScrollX(), ImGui::GetScrollY()); }

float columnLeft(const Data& d, int plane) { return d.view.left + kPlaneColumnWidth * static_cast<float>(plane - 1); }

// An option button drawn selected: grey-blue with its label in white.
bool selectableOption(const std::string& label, float x, float y, float width, const char* caption, bool disabled,
                      bool selected) {
    const bool pressed = optionButton(label.c_str(), x, y, width, kButtonHeight, caption, disabled);
    if (selected) {
        ImDrawList* list = ImGui::GetWindowDrawList();
        const ImVec2 min = windowOrigin() + ImVec2(x, y);
        const ImVec2 max = min + ImVec2(width, kButtonHeight);
        list->AddRectFilled(min, max, kSelected);
        const std::string shown = label.substr(0, label.find('#'));
        const ImVec2 size = ImGui::CalcTextSize(shown.c_str());
        list->AddText(min + (max - min - size) * 0.5f, kWhite, shown.c_str());
    }
    return pressed;
}

// A text at a window-local place, reported to the probe.
void text(const std::string& s, float x, float y, ImU32 colour = kBlack) {
    drawSlotText(fontslot::kRegular24, s.c_str(), windowOrigin() + ImVec2(x, y), colour);
}

void columnTitle(int plane, float left, float y) {
    const std::string title = ks::format("{} P{}", textOrEmpty(kTextPlane), plane);
    ImFont* font = uiFont(fontslot::kRegular24);
    const float width = font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, title.c_str()).x;
    text(title, left + (kPlaneColumnWidth - width) / 2, y);
}

void separator(float x, float top, float bottom) {
    const ImVec2 o = windowOrigin();
    ImGui::GetWindowDrawList()->AddLine(o + ImVec2(x, top), o + ImVec2(x, bottom), kSeparator);
}

// The content y of a window-local row as the keyboard scroll reads it.
float scrollFor(float row, float below) { return ImGui::GetWindowPos().y + row + below; }

int entryState(const Data& d, int target) { return d.editTarget == target ? kEntryEditing : kEntryNormal; }

// ---- trial-plane panel ------------------------------------------------------------

void currentPlaneEntries(Data& d, int plane, float left, float row) {
    Rotor& rotor = *d.rotor;
    const int index = plane - 1;
    const char* degree = textOrEmpty(textid::kUnitDegree);
    const char* angleLabel = textOrEmpty(kTextTrialAngle);
    if (numericEntry(entryState(d, kAngleEntry), degree, angleLabel, nullptr, 0, left + kEntryLeft, row + kAngleRow,
                     kEntryWidth, kButtonHeight, d.shownAngle)) {
        d.editTarget = kAngleEntry;
        d.scroll = scrollFor(row, kAngleScroll);
    }
    const std::string turn = ks::format("{}##turn", textOrEmpty(kTextTurn));
    planeButton(turn.c_str(), kSelected, 0, left + kButtonLeft, row + kAngleRow, kButtonWidth, kButtonHeight);

    const char* massLabel = textOrEmpty(kTextTrialMass);
    if (numericEntry(entryState(d, kMassEntry), textOrEmpty(textid::kUnitGram), massLabel, nullptr, 0,
                     left + kEntryLeft, row + kMassRow, kEntryWidth, kButtonHeight, rotor.trialMass(index))) {
        d.editTarget = kMassEntry;
        d.scroll = scrollFor(row, kMassScroll);
    }
    const std::string ready = ks::format("{}##ready", textOrEmpty(kTextReady));
    if (!planeButton(ready.c_str(), d.massConfirmed ? kSelected : kReadyGreen, 0, left + kButtonLeft, row + kMassRow,
                     kButtonWidth, kButtonHeight))
        return;
    if (rotor.trialMass(index) < kMinTrialMass) {
        d.editTarget = kMassEntry;
        d.scroll = scrollFor(row, kMassScroll);
        return;
    }
    d.massConfirmed = !d.massConfirmed;
    if (d.massConfirmed && !d.angleEntered) rotor.setTrialAngle(index, d.shownAngle);
    d.angleEntered = d.massConfirmed;
}

}  // namespace

std::string measuredLine(Rotor& rotor, int run, int plane, bool measured) {
    double amplitude = 0, angle = 0;
    rotor.factorData(kReadMeasured, run, plane, &amplitude, &angle);
    std::string line = ks::format("A{}{} = {:.1f} / {:.1f}{}", run, plane, amplitude, angle,
                                  textOrEmpty(textid::kUnitDegree));
    if (!measured) line.resize(line.find(" =") + 2);
    return line;
}

namespace {
// The option's width: its own, or its label's with padding when that is more.
float optionWidth(const std::string& label, float width) {
    const std::string shown = label.substr(0, label.find('#'));
    return std::max(width, ImGui::CalcTextSize(shown.c_str()).x + kSelectorPadding);
}
}  // namespace

void displaySelector(Gui& gui, Data& d) {
    const bool wide = gui._screenWidth > kWideWindow;
    const std::string factors = ks::format("{}##factorview", textOrEmpty(kTextFactors));
    const std::string measurements = ks::format("{}##runview", textOrEmpty(kTextMeasurements));
    const float factorsWidth = optionWidth(factors, wide ? kFactorsWideWidth : kFactorsWidth);
    const float measurementsWidth = optionWidth(measurements, wide ? kMeasurementsWideWidth : kMeasurementsWidth);
    const float factorsX = ImGui::GetWindowWidth() - gui._margin - factorsWidth;
    const float measurementsX = factorsX - kSelectorGap - measurementsWidth;
    if (selectableOption(factors, factorsX, d.selectorTop, factorsWidth, nullptr, false, d.factorView))
        d.factorView = true;
    if (selectableOption(measurements, measurementsX, d.selectorTop, measurementsWidth, textOrEmpty(kTextDisplayMode),
                         false, !d.factorView))
        d.factorView = false;
}

void runButtons(Gui& gui, Data& d) {
    Rotor& rotor = *d.rotor;
    const int planes = rotor.planeCount(false);
    for (int r = 0; r <= planes; ++r) {
        const std::string label = r == 0 ? std::string("0##run0") : ks::format("P{}##run{}", r, r);
        const char* caption = nullptr;
        if (r == 0) caption = textOrEmpty(d.currentRun == 0 ? kTextReferenceRun : kTextTrialRun);
        const float x = gui._margin + kRunButtonPitch * static_cast<float>(r);
        const bool disabled = r > 0 && rotor.hasNoChannel(r);
        if (selectableOption(label, x, d.selectorTop, kRunButtonWidth, caption, disabled, r == d.currentRun)) {
            d.currentRun = r;
            d.angleEntered = false;
            d.massConfirmed = false;
            d.autoAdvance = false;
        }
    }
}

void trialPlanePanel(Gui&, Data& d) {
    const int planes = d.rotor->planeCount(false);
    const float row = d.bandTop + kPanelDrop;
    for (int p = 1; p <= planes; ++p) {
        const float left = columnLeft(d, p);
        columnTitle(p, left, row);
        if (p > 1) separator(left, row - kSeparatorAbove, row + kSeparatorBelow);
        if (p == d.currentRun) currentPlaneEntries(d, p, left, row);
    }
}

void measuredValues(Gui&, Data& d) {
    Rotor& rotor = *d.rotor;
    const int planes = rotor.planeCount(false);
    const float y = d.bandTop + kValuesDrop;
    for (int j = 1; j <= planes; ++j) {
        if (rotor.hasNoChannel(j)) continue;
        const float x = columnLeft(d, j) + kEntryLeft;
        text(measuredLine(rotor, 0, j, (d.doneMask & runBit(0)) != 0), x, y);
        if (d.currentRun != 0)
            text(measuredLine(rotor, d.currentRun, j, (d.doneMask & runBit(d.currentRun)) != 0), x, y + kLinePitch);
    }
}

void factorTable(Gui&, Data& d) {
    Rotor& rotor = *d.rotor;
    const int planes = rotor.planeCount(false);
    const float title = d.selectorTop + kTableTitleDrop;
    const char* degree = textOrEmpty(textid::kUnitDegree);
    int rows = 0;
    bool first = true;
    for (int i = 1; i <= planes; ++i) {
        if (rotor.hasNoChannel(i)) continue;
        const float left = columnLeft(d, i);
        columnTitle(i, left, title);
        if (!first) separator(left, title - kSeparatorAbove, title + kFirstRow + kRowPitch * static_cast<float>(planes));
        first = false;
        int row = 0;
        for (int j = 1; j <= planes; ++j) {
            if (rotor.hasNoChannel(j)) continue;
            const float y = title + kFirstRow + kRowPitch * static_cast<float>(row++);
            double modulus = 0, angle = 0;
            rotor.factorData(kReadFactor, i, j, &modulus, &angle);
            const std::string label = ks::format("K{}{}", i, j);
            int tapped = kNoEntry;
            if (numericEntry(entryState(d, factorTarget(i, j, false)), nullptr, label.c_str(), nullptr, 0,
                             left + kEntryLeft, y, kFactorWidth, kButtonHeight, modulus))
                tapped = factorTarget(i, j, false);
            if (numericEntry(entryState(d, factorTarget(i, j, true)), degree, nullptr, nullptr, 0,
                             left + kFactorAngleLeft, y, kFactorWidth, kButtonHeight, angle))
                tapped = factorTarget(i, j, true);
            if (tapped != kNoEntry) {
                d.editTarget = tapped;
                d.scroll = scrollFor(y, kFactorScroll);
                const float below = y - ImGui::GetScrollY();
                if (below < kTopSlack) ImGui::SetScrollY(ImGui::GetScrollY() - (kTopSlack - below));
            }
        }
        rows = std::max(rows, row);
    }

    // The stored run vectors.
    const float top = title + kFirstRow + kRowPitch * static_cast<float>(rows) + kStoredDrop;
    for (int j = 1; j <= planes; ++j) {
        if (rotor.hasNoChannel(j)) continue;
        const float x = columnLeft(d, j) + kEntryLeft;
        int line = 0;
        for (int r = 0; r <= planes; ++r) {
            if (r != 0 && rotor.hasNoChannel(r)) continue;
            double amplitude = 0, angle = 0;
            rotor.factorData(kReadStored, r, j, &amplitude, &angle);
            text(ks::format("A{}{} = {:g} / {:g} {}", r, j, amplitude, angle, degree), x,
                 top + kLinePitch * static_cast<float>(line++));
        }
    }
}

}  // namespace InfluenceData
