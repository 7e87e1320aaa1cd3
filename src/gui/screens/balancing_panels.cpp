// The Balancing screen's controls: the toolbar, the display-mode panel with
// the run strip and the three switches, and the plane columns with their
// buttons.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/screens/balancing.h"
#include "gui/ui_probe.h"
#include "gui/widgets.h"
#include "machine/machine_base.h"
#include "rotor/rotor.h"
#include "rotor/verification_rows.h"
#include "texts/format.h"
#include "texts/text_ids.h"

namespace BalancingData {
namespace {

constexpr TextId kTextBalancing = 0x195DC05;      // "Balancing"
constexpr TextId kTextMeasure = 0x195DC27;        // "Measure"
constexpr TextId kTextRedetermineIc = 0x195DC1A;  // "Redetermine IC"
constexpr TextId kTextNew = 0x1EFD027;            // "New"
constexpr TextId kTextStartAgain = 0x1EFD028;     // "Start balancing again"
constexpr TextId kTextDeleteRuns = 0x1EFD029;     // "Are you sure you want to delete all measurements?"
constexpr TextId kTextDisplayMode = 0x1EFD00A;    // "Display mode"
constexpr TextId kTextCorrection = 0x1EFD012;     // "Correction"
constexpr TextId kTextUnbalances = 0x1EFD013;     // "Unbalances"
constexpr TextId kTextMeasurements = 0x1EFD009;   // "Measurements"
constexpr TextId kTextCompensator = 0x1EFD014;    // "Compensator"
constexpr TextId kTextTestTable = 0x1EFD037;      // "Test table"
constexpr TextId kTextAccuracy = 0x1EFD016;       // "Increased accuracy"
constexpr TextId kTextPlane = 0x1EFD00E;          // "Plane"
constexpr TextId kTextReady = 0x1EFD00F;          // "Ready"
constexpr TextId kTextNext = 0x1EFD02F;           // "Next"
constexpr TextId kTextCancel = 0x1EFD03E;         // "Cancel"
constexpr TextId kTextRepeatRun = 0x1EFD043;      // "Repeat run {}"
constexpr TextId kTextBackToRun = 0x1EFD044;      // "Back to run {}"

constexpr int kMeasuringRun = 0;
constexpr int kTestRun = 1;
constexpr int kFromBalancing = -1;  // `Gui::_icRunMask` of a request from this screen

constexpr float kToolbarGap = 10;
constexpr float kToolbarMiddle = 40;
constexpr const char* kEllipsis = "...";
constexpr float kNameInset = 10;
const ImU32 kTitleGrey = IM_COL32(84, 84, 84, 255);  // 0.33
const ImU32 kNameGrey = IM_COL32(140, 140, 140, 255);  // 0.55

constexpr float kWideWindow = 1100;
constexpr float kOptionHeight = 50;
constexpr float kOptionGap = 3;
constexpr float kSwitchesAboveBottom = 28;
constexpr float kSwitchHeight = 50;
constexpr float kRowGap = 16;
constexpr float kPanelInset = 20;
constexpr float kCaptionRoom = 26;
constexpr float kChosenBar = 4;
const ImU32 kPanelBack = 0xFFFFFFFF;     // the caption above the option buttons
constexpr float kStripHeight = 50;

// The run strip.
constexpr float kTapSlack = 3;       // px a tap may move
constexpr float kPullDown = 12;      // px down before the box appears
constexpr float kPlusBox = 50;
constexpr float kPlusGap = 2;
const ImU32 kPlusRed = IM_COL32(255, 80, 80, 255);
const ImU32 kStripFrame = IM_COL32(188, 188, 188, 255);
const ImU32 kStripCurrent = IM_COL32(134, 134, 149, 255);

// The plane columns.
constexpr float kHeaderHeight = 30;
constexpr float kButtonTop = 34;
constexpr float kButtonHeight = 50;
constexpr float kSmallButton = 50;
constexpr float kMainButton = 130;
constexpr float kColumnInset = 12;
const ImU32 kButtonGreen = IM_COL32(68, 215, 123, 255);
const ImU32 kButtonGreyBlue = IM_COL32(134, 134, 149, 255);
const ImU32 kHeaderGreen = IM_COL32(69, 214, 122, 255);
const ImU32 kSeparator = IM_COL32(187, 187, 187, 255);
const ImU32 kBlack = 0xFF000000;

ImVec2 windowOrigin() { return ImGui::GetWindowPos() - ImVec2(ImGui::GetScrollX(), ImGui::GetScrollY()); }

float textWidth(int slot, const std::string& text) {
    ImFont* font = uiFont(slot);
    return font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, text.c_str()).x;
}

// A grey text at the toolbar's cursor on the buttons' middle line.
void toolbarCaption(const std::string& text, ImU32 colour, float x) {
    ImFont* font = uiFont(fontslot::kRegular24);
    drawSlotText(fontslot::kRegular24, text.c_str(), ImGui::GetWindowPos() + ImVec2(x, kToolbarMiddle - font->FontSize / 2),
                 colour);
}

// Sends the operator to the Measuring screen for a run or a test.
void askMeasuring(Data& d, int mode, bool results) {
    Gui& g = *d.gui;
    if (g._machine) g._machine->resetResults();
    ImGui::ClearActiveID();  // a drag in progress ends here
    d.dropBackAction();
    d.measuringAsked = results;
    g._resultsExpected = results;
    g._measuringMode = mode;
    g.setScreen(true, &Gui::measuring);
}

}  // namespace

// ---- toolbar ------------------------------------------------------------------------

void Data::toolbar() {
    Gui& g = *gui;
    Rotor& r = *_rotor;
    g._icRunMask = kFromBalancing;
    ImGui::PushFont(uiFont(fontslot::kRegular24));
    // On a narrow window the buttons take smaller labels, then the title gives way,
    // so that nothing reaches under the start switch.
    const std::string title = textOrEmpty(kTextBalancing);
    const std::vector<std::string> labels = {
        ks::format("{}##test", textOrEmpty(textid::kTextTest)), ks::format("{}##ic", textOrEmpty(kTextRedetermineIc)),
        ks::format("{}##new", textOrEmpty(kTextNew)), ks::format("{}##settings", textOrEmpty(textid::kTextSettings))};
    const float nameEnd = startButtonLeft() - kNameInset;
    const float titleWidth = textWidth(fontslot::kRegular24, title) + 2 * kToolbarGap;
    const ToolbarFit fit = fitToolbar(nameEnd - ImGui::GetCursorPosX(), titleWidth, labels, kToolbarGap);
    if (fit.title) {
        toolbarCaption(title, kTitleGrey, ImGui::GetCursorPosX());
        ImGui::SetCursorPosX(ImGui::GetCursorPosX() + titleWidth);
    }

    if (toolbarButton(labels[0].c_str(), fit.buttonFlags)) askMeasuring(*this, kTestRun, false);
    ImGui::SameLine(0, kToolbarGap);
    if (toolbarButton(labels[1].c_str(), fit.buttonFlags)) {
        dropBackAction();
        g._icFromBalancing = true;
        g.setScreen(true, &Gui::influenceCoefficients);
    }
    ImGui::SameLine(0, kToolbarGap);
    if (toolbarButton(labels[2].c_str(), fit.buttonFlags))
        g.messageBox(textOrEmpty(kTextStartAgain), textOrEmpty(kTextDeleteRuns), textOrEmpty(textid::kTextButtonsYesNo),
                     [this](int answer) { return confirmNewBalancing(answer); });
    ImGui::SameLine(0, kToolbarGap);
    if (toolbarButton(labels[3].c_str(), fit.buttonFlags)) {
        dropBackAction();
        g.setScreen(true, &Gui::settings);
    }
    ImGui::SameLine(0, 2 * kToolbarGap);

    // The rotor's name in what is left before the start switch.
    std::string name = r.nameText(false);
    const float left = ImGui::GetCursorPosX();
    ImFont* font = uiFont(fontslot::kRegular24);
    const float ellipsis = textWidth(fontslot::kRegular24, kEllipsis);
    if (nameEnd - left > ellipsis) {
        if (fitText(name, font, font->FontSize, nameEnd - left - ellipsis)) name += kEllipsis;
        toolbarCaption(name, kNameGrey, nameEnd - textWidth(fontslot::kRegular24, name));
    }
    // Under the "System settings changed" banner nothing of the bar reacts;
    // the switch would take the banner's touches.
    if (g._settingsChanged) {
        ImGui::PopFont();
        return;
    }
    const bool external = g._machine && g._machine->isExternalDrive();
    const std::string start = ks::format("{}##start", textOrEmpty(external ? kTextMeasure : textid::kTextStart));
    if (startButton(_startButtonState, start.c_str(), startLocked()) && _startButtonState > 0)
        askMeasuring(*this, kMeasuringRun, true);
    ImGui::PopFont();
}

// ---- display-mode panel ------------------------------------------------------------------

namespace {

// The panel: the option buttons at the left and the run strip at the right,
// each over one of the switches, which stand 28 px above the bottom; the
// middle stays free for the picture.
struct PanelLayout {
    bool wide;
    float buttonWidth, listWidth;
    int font;
    float leftSwitch, rightSwitch;  // the switch rows' widths
    float leftEnd, rightStart;      // the blocks' inner edges
    float rightBlock;               // the right block's width from the edge
    float right;                    // the seen width, left of a scroll bar
};

constexpr float kSwitchTrack = 87.5f;  // a switch row's width beyond its label
constexpr float kBlockMargin = 10;

PanelLayout panelLayout(const Data& d, bool wide) {
    PanelLayout l;
    const float width = d.gui->_screenWidth;
    l.wide = wide;
    l.buttonWidth = l.wide ? 181 : 121;
    l.listWidth = l.wide ? 360 : 245;
    l.font = l.wide ? fontslot::kRegular24 : fontslot::kRegular17;
    const TextId first = d._rotor->isControlRotor() ? kTextTestTable : kTextCompensator;
    l.leftSwitch = textWidth(l.font, textOrEmpty(first)) + kSwitchTrack;
    l.rightSwitch = textWidth(l.font, textOrEmpty(kTextAccuracy)) + kSwitchTrack;
    l.leftEnd = kPanelInset + std::max(2 * l.buttonWidth + kOptionGap, l.leftSwitch) + kBlockMargin;
    l.rightBlock = kPanelInset + std::max(l.listWidth, l.rightSwitch) + kBlockMargin;
    l.rightStart = width - l.rightBlock;
    // The right block is drawn clear of the content's scroll bar, when it shows.
    const ImGuiWindow* w = ImGui::GetCurrentWindow();
    l.right = std::min(width, w->Size.x - w->ScrollbarSizes.x);
    return l;
}

// The panel's blocks leave the plane columns free.
bool besideColumns(const Data& d, const PanelLayout& l) {
    const float columnsEnd = d._view.left + kPlaneColumnWidth * static_cast<float>(d.planeCount());
    return l.leftEnd - kBlockMargin <= d._view.left + kColumnInset &&
           l.rightStart + kBlockMargin >= columnsEnd - kColumnInset;
}

// A wide window takes the large panel, or the small one where only that
// stands beside the columns: the content then ends with the picture, and
// three planes fit the largest window without scrolling.
PanelLayout panelLayout(const Data& d) {
    const PanelLayout l = panelLayout(d, d.gui->_screenWidth > kWideWindow);
    if (!l.wide || besideColumns(d, l)) return l;
    const PanelLayout small = panelLayout(d, false);
    return besideColumns(d, small) ? small : l;
}

}  // namespace

bool Data::panelBesideColumns() const { return besideColumns(*this, panelLayout(*this)); }

float Data::displayModePanelHeight() const {
    if (!hasRuns() || _selectedColumn != 0) return 0;
    return kCaptionRoom + kOptionHeight + kRowGap + kSwitchHeight + kSwitchesAboveBottom;
}

void Data::displayModePanel() {
    Rotor& r = *_rotor;
    if (!hasRuns()) return;
    const PanelLayout l = panelLayout(*this);
    ImGui::PushFont(uiFont(l.font));
    const ImVec2 origin = windowOrigin();
    ImDrawList* list = ImGui::GetWindowDrawList();
    const float bottom = panelTop + panelHeight;
    // Beside the plane columns nothing passes under the panel: a background
    // there would only cut into the picture's edge and its sensor marks.
    if (!panelBesideColumns()) {
        list->AddRectFilled(origin + ImVec2(0, panelTop), origin + ImVec2(l.leftEnd, bottom), kPanelBack);
        list->AddRectFilled(origin + ImVec2(l.right - l.rightBlock, panelTop), origin + ImVec2(l.right, bottom),
                            kPanelBack);
    }

    const float switchesY = bottom - kSwitchesAboveBottom - kSwitchHeight;
    const float rowY = switchesY - kRowGap - kOptionHeight;
    const std::string caption = textOrEmpty(kTextDisplayMode);
    const std::string correction = ks::format("{}##mode0", textOrEmpty(kTextCorrection));
    const std::string unbalances = ks::format("{}##mode1", textOrEmpty(kTextUnbalances));
    bool pressed = false;
    if (optionButton(correction.c_str(), kPanelInset, rowY, l.buttonWidth, kOptionHeight, caption.c_str()) &&
        _displayUnbalances) {
        _displayUnbalances = false;
        pressed = true;
    }
    if (optionButton(unbalances.c_str(), kPanelInset + l.buttonWidth + kOptionGap, rowY, l.buttonWidth, kOptionHeight,
                     nullptr) &&
        !_displayUnbalances) {
        _displayUnbalances = true;
        pressed = true;
    }
    if (pressed) prepare(false);
    // The chosen mode is underlined.
    const float chosenX = kPanelInset + (_displayUnbalances ? l.buttonWidth + kOptionGap : 0);
    list->AddRectFilled(origin + ImVec2(chosenX, rowY + kOptionHeight - kChosenBar),
                        origin + ImVec2(chosenX + l.buttonWidth, rowY + kOptionHeight), kStripCurrent);

    const int runs = r.runCount();
    const int current = r.currentRun();
    const int chosen = measurementList(textOrEmpty(kTextMeasurements), _listOpen, l.right - kPanelInset - l.listWidth,
                                       rowY, l.listWidth, kStripHeight, runs, current);
    if (chosen >= 0 && chosen != current) {
        r.selectRun(chosen);
        prepare(false);
        forgetAcknowledgements();
    } else if (chosen < 0 && _listOpen) {
        _listOpen = false;
        r.addRun();
        prepare(false);
        gui->sayWriteError(r);
    }

    // The switches.
    ImGui::SetCursorPos(ImVec2(kPanelInset, switchesY));
    if (!r.isControlRotor()) {
        const float was = _compensator;
        compensatorHold = 0;
        const bool label = checkList(_compensator, textOrEmpty(kTextCompensator), 0, &compensatorHold, 0, kSwitchHeight);
        if (label) _compensator = _compensator > 0 ? -10.0f : 10.0f;  // the row turns over as the switch does
        const bool turned = (was > 0) != (_compensator > 0);
        if (compensatorHold != 0 || (turned && !r.hasResults())) {
            _compensator = std::fabs(_compensator);
            _compensatorPending = true;
        } else if (turned) {
            prepare(false);
        }
    } else if (checkList(_testTable, textOrEmpty(kTextTestTable), 0, nullptr, 0, kSwitchHeight)) {
        _testTable = _testTable > 0 ? -10.0f : 10.0f;
    }
    ImGui::SetCursorPos(ImVec2(l.right - kPanelInset - l.rightSwitch, switchesY));
    const float was = _increasedAccuracy;
    if (checkList(_increasedAccuracy, textOrEmpty(kTextAccuracy), 0, nullptr, 0, kSwitchHeight))
        _increasedAccuracy = _increasedAccuracy > 0 ? -10.0f : 10.0f;
    if ((was > 0) != (_increasedAccuracy > 0)) prepare(true);
    ImGui::PopFont();
}

// ---- the run strip ------------------------------------------------------------------------

int Data::measurementList(const char* title, bool& listOpen, float x, float y, float width, float height,
                          int runCount, int currentRun) {
    if (runCount < 1) return -1;
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    if (w->SkipItems) return -1;
    const ImGuiID id = w->GetID("measurement");
    const ImVec2 origin = windowOrigin();
    const ImRect bb(origin + ImVec2(x, y), origin + ImVec2(x + width, y + height));
    ImGui::SetCursorPos(ImVec2(x, y));
    ImGui::ItemSize(bb);
    if (!ImGui::ItemAdd(bb, id)) return -1;
    bool hovered = false, held = false;
    const bool released = ImGui::ButtonBehavior(bb, id, &hovered, &held);
    const ImGuiIO& io = ImGui::GetIO();
    const float item = 1.5f * height;
    const ImVec2 pressAt = io.MouseClickedPos[0];
    const ImVec2 travel = io.MousePos - pressAt;
    const bool pressedInMiddle = pressAt.x >= bb.Min.x + 0.4f * width && pressAt.x <= bb.Max.x - 0.4f * width;
    int chosen = -1;
    const auto wrap = [runCount](int run) { return (run % runCount + runCount) % runCount; };

    if (held) {
        const bool sideways = std::fabs(travel.x) >= kTapSlack && std::fabs(travel.x) >= std::fabs(travel.y);
        if (sideways) {
            // Each half item passed moves the choice one run further.
            stripScroll = travel.x - stripTaken;
            if (stripScroll > item / 2 && currentRun > 0) {
                chosen = currentRun - 1;
                stripTaken += item;
                stripScroll -= item;
            } else if (stripScroll < -item / 2 && currentRun < runCount - 1) {
                chosen = currentRun + 1;
                stripTaken -= item;
                stripScroll += item;
            }
            stripShortDrag = std::fabs(travel.x) < item;
        }
        // The middle item pulled down shows the box that adds a run.
        listOpen = false;
        // A control rotor's runs are measured ones only: no copy is offered.
        if (pressedInMiddle && travel.y > kPullDown && !sideways && !_rotor->isControlRotor()) {
            const ImRect box(ImVec2(bb.GetCenter().x - kPlusBox / 2, bb.Max.y + kPlusGap),
                             ImVec2(bb.GetCenter().x + kPlusBox / 2, bb.Max.y + kPlusGap + kPlusBox));
            ImDrawList* fg = ImGui::GetForegroundDrawList();
            fg->AddRectFilled(box.Min, box.Max, kPlusRed);
            const ImVec2 c = box.GetCenter();
            fg->AddLine(c - ImVec2(14, 0), c + ImVec2(14, 0), 0xFFFFFFFF, 4);
            fg->AddLine(c - ImVec2(0, 14), c + ImVec2(0, 14), 0xFFFFFFFF, 4);
            UiProbe::report(0, "+", box.Min, box.Max);
            // One run per press, however long the finger rests in the box.
            if (box.Contains(io.MousePos) && !stripAdded) {
                listOpen = true;
                stripAdded = true;
            }
        }
    } else {
        stripTaken = 0;
        stripAdded = false;
        const float ease = item / (stripShortDrag ? 40.0f : 20.0f);
        stripScroll = std::fabs(stripScroll) <= ease ? 0.0f : stripScroll - std::copysign(ease, stripScroll);
    }
    if (released && io.MouseDragMaxDistanceSqr[0] < kTapSlack * kTapSlack) {
        if (io.MousePos.x < bb.Min.x + width / 5)
            chosen = wrap(currentRun - 1);
        else if (io.MousePos.x > bb.Max.x - width / 5)
            chosen = wrap(currentRun + 1);
    }

    // The numbers, the current one in the middle.
    ImDrawList* list = w->DrawList;
    list->PushClipRect(bb.Min, bb.Max, true);
    list->AddRectFilled(bb.Min, bb.Max, 0xFFFFFFFF);
    const float middle = bb.GetCenter().x + stripScroll;
    ImFont* font = ImGui::GetFont();
    const float size = ImGui::GetFontSize();
    for (int run = 0; run < runCount; ++run) {
        const float cx = middle + static_cast<float>(run - currentRun) * item;
        if (cx + item / 2 < bb.Min.x || cx - item / 2 > bb.Max.x) continue;
        const bool current = run == currentRun;
        if (current)
            list->AddRectFilled(ImVec2(cx - item / 2, bb.Min.y), ImVec2(cx + item / 2, bb.Max.y), kStripCurrent);
        const std::string number = ks::format("{}", run + 1);
        const float tw = font->CalcTextSizeA(size, FLT_MAX, 0, number.c_str()).x;
        list->AddText(font, size, ImVec2(cx - tw / 2, bb.GetCenter().y - size / 2), current ? 0xFFFFFFFF : kBlack,
                      number.c_str());
    }
    list->PopClipRect();
    list->AddRect(bb.Min, bb.Max, kStripFrame);
    drawFontText(list, title, bb.Min.x, bb.Min.y);
    UiProbe::report(id, "measurement", bb.Min, bb.Max, ks::format("{}", currentRun + 1).c_str());
    return chosen;
}

// ---- plane columns -------------------------------------------------------------------------

void Data::planeColumns(u32 target) {
    ImGui::PushFont(uiFont(fontslot::kRegular24));
    struct PopFont {
        ~PopFont() { ImGui::PopFont(); }
    } popFont;
    Rotor& r = *_rotor;
    ImDrawList* list = ImGui::GetWindowDrawList();
    const ImVec2 origin = windowOrigin();
    const int n = planeCount();
    const bool correctionMode = !_displayUnbalances;
    for (int i = 0; i < n; ++i) {
        const float x = _view.left + kPlaneColumnWidth * static_cast<float>(i);
        const ImVec2 top = origin + ImVec2(x, columnsTop);
        if (i > 0) list->AddLine(top, top + ImVec2(0, kInstructionsBelowHeader + kInstructionsHeight), kSeparator);
        if (target & planeBit(i))
            list->AddRectFilled(top + ImVec2(1, 0), top + ImVec2(kPlaneColumnWidth, kHeaderHeight), kHeaderGreen);
        const std::string header = ks::format("{} P{}", textOrEmpty(kTextPlane), i + 1);
        drawSlotText(fontslot::kRegular24, header.c_str(),
                     top + ImVec2((kPlaneColumnWidth - textWidth(fontslot::kRegular24, header)) / 2, 4), kBlack);

        if (testTable()) {
            planeValueTable(i);
            continue;
        }
        if (!hasRuns() || (_selectedColumn != 0 && _selectedColumn != i + 1)) continue;
        ImGui::PushID(i);
        const float by = columnsTop + kButtonTop;
        // Once a completed test's last asks are done, the middle plane's
        // place offers the one further run there is: the last one again.
        // While an earlier run is chosen, nothing is asked: the place leads
        // back to the last run, which the next one follows.
        const bool middle = i == verificationrows::kMiddlePlane && r.isControlRotor();
        if (middle && testComplete() && !recordLeft() && outstanding() == 0 && r.onLastRun()) {
            const std::string repeat = ks::format(textOrEmpty(kTextRepeatRun), r.runCount());
            if (planeButton(ks::format("{}##repeat", repeat).c_str(), kButtonGreen, 0, x + kColumnInset, by,
                            kPlaneColumnWidth - 2 * kColumnInset, kButtonHeight)) {
                r.repeatLastRun();
                prepare(false);
            }
        } else if (middle && !r.onLastRun()) {
            const std::string back = ks::format(textOrEmpty(kTextBackToRun), r.runCount());
            if (planeButton(ks::format("{}##last", back).c_str(), kButtonGreen, 0, x + kColumnInset, by,
                            kPlaneColumnWidth - 2 * kColumnInset, kButtonHeight)) {
                r.selectRun(r.runCount() - 1);
                prepare(false);
            }
        }
        const float mainX = x + kPlaneColumnWidth - kColumnInset - kMainButton;
        const u32 bit = planeBit(i);
        if (_selectedColumn == i + 1) {
            // Setting up the indexed positions.
            if (planeButton(ks::format("{}##cancel", textOrEmpty(kTextCancel)).c_str(), kButtonGreyBlue, 0,
                            x + kColumnInset, by, kMainButton - 30, kButtonHeight))
                _selectedColumn = 0;
            if (planeButton(ks::format("{}##set", textOrEmpty(kTextReady)).c_str(), kButtonGreen, 0, mainX + 30, by,
                            kMainButton - 30, kButtonHeight)) {
                r.setTrialAngle(i, _rotorAngle);
                r.positionEntry(i);
                prepare(false);
                _selectedColumn = 0;
            }
            ImGui::PopID();
            continue;
        }
        if (correctionMode && r.isAdditionIndexed(i + 1) &&
            planeButton("!##indexed", kButtonGreyBlue, kPlaneButtonImage, x + kColumnInset, by, kSmallButton,
                        kButtonHeight)) {
            _selectedColumn = i + 1;
            setAcknowledged(acknowledged() & ~bit);
            for (int step = 0; step < 64 && r.hasUsedPositions(i); ++step) r.nextPositionSplit(i, increasedAccuracy());
        }
        if (correctionMode && (_shownPlanes & bit) && !r.isCorrectionLimited(i)) {
            const bool stepped = r.hasPositions(i) || r.hasUsedPositions(i);
            const bool done = (acknowledged() & bit) != 0;
            if (stepped && !done &&
                planeButton("<##back", kButtonGreyBlue, kPlaneButtonImage, mainX - kSmallButton - 8, by, kSmallButton,
                            kButtonHeight))
                r.nextPositionSplit(i, increasedAccuracy());
            const bool next = r.hasPositions(i);
            const ImU32 fill = (inPosition & bit) || done ? kButtonGreyBlue : kButtonGreen;
            const std::string label = ks::format("{}##main", textOrEmpty(next ? kTextNext : kTextReady));
            if (planeButton(label.c_str(), fill, 0, mainX, by, kMainButton, kButtonHeight)) {
                if (next) {
                    r.splitToPositions(i, increasedAccuracy());
                } else {
                    setAcknowledged(acknowledged() ^ bit);
                    if (done) prepare(false);
                }
            }
        }
        ImGui::PopID();
    }
}

}  // namespace BalancingData
