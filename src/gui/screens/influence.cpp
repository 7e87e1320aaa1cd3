// The influence-coefficient screen: its data, the steps of each frame, the
// intake of a run back from the Measuring screen, the toolbar with its
// routes, and the keyboard entry of trial values and coefficients.

#include "gui/screens/influence.h"

#include <algorithm>
#include <cfloat>
#include <string>
#include <vector>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui.h>
#include <imgui_internal.h>

#include "gui/dial.h"
#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/keyboard_scroll.h"
#include "gui/machine_scheme.h"
#include "gui/screens/rotor_screen_data.h"
#include "gui/shadow_panel.h"
#include "gui/widgets.h"
#include "machine/machine_base.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "texts/format.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace InfluenceData {
namespace {

constexpr TextId kTextHint = 0x18A4005;          // "Influence Coefficients determination"
constexpr TextId kTextHintReference = 0x18A4006;  // "Start measuring without trial mass"
constexpr TextId kTextHintTrial = 0x18A4007;     // "Move the trial mass to the selected plane and start measuring"
constexpr TextId kTextCaption = 0x1EFD010;       // "Determining IC"
constexpr TextId kTextSaveIc = 0x1EFD011;        // "Save IC"
constexpr TextId kTextMeasure = 0x195DC27;       // "Measure"
constexpr TextId kTextWaitSetup = 0x195DC26;     // "Wait, initialization in process ..."

constexpr int kDigitKeys = 1;        // keyboard: the digit keypad
constexpr int kMeasuringRun = 0;     // `Gui::_measuringMode`
constexpr int kTestRun = 1;
constexpr int kDriveSetupState = 15;  // `Machine::getState` while the drive is set up
constexpr float kColumnsLeft = 32;     // the columns' left edge when they do not fit centred
constexpr float kSelectorDrop = 40;    // the selector row under the top gap (0, or 20 in a high window)
constexpr float kDeterminationHeight = 800;
constexpr float kTableWidthExtra = 20;
constexpr float kTableRowHeight = 100;
constexpr float kTableHeightExtra = 400;
constexpr float kDialRoom = 240;       // beside the columns: the ring and its margin
constexpr float kDialDrop = 120;       // the dial's centre below the band's top
constexpr int kWideToolbar = 900;
constexpr float kToolbarGap = 10;
constexpr float kWideToolbarGap = 20;
constexpr float kToolbarMiddle = 40;
const ImU32 kCaptionGrey = IM_COL32(84, 84, 84, 255);  // grey 0.33
const ImU32 kNameGrey = IM_COL32(140, 140, 140, 255);  // grey 0.55

// ---- layout --------------------------------------------------------------------

void layOut(Gui& gui, Data& d) {
    d.view.rotor = d.rotor;
    rotorPictureScale(d.view, 0, gui._screenWidth, gui._screenHeight, kColumnsLeft);
    d.bandTop = d.view.lowerHeight;
    d.view.top = d.bandTop;
    d.selectorTop = d.view.topMargin + kSelectorDrop;
    const float planes = static_cast<float>(d.rotor->planeCount(false));
    if (d.factorView) {
        d.contentWidth = planes * kPlaneColumnWidth + kTableWidthExtra;
        d.contentHeight = planes * kTableRowHeight + kTableHeightExtra;
    } else {
        d.contentWidth = 2 * gui._margin + planes * kPlaneColumnWidth;
        d.contentHeight = kDeterminationHeight;
        // The dial stands right of the columns: where the centred columns
        // leave it no room they are laid out in the window without it, and
        // where that does not fit either the content goes on to the right.
        if (gui._screenWidth - (d.view.left + planes * kPlaneColumnWidth) < kDialRoom)
            rotorPictureScale(d.view, 0, gui._screenWidth - kDialRoom, gui._screenHeight, kColumnsLeft);
        const float columnsRight = d.view.left + planes * kPlaneColumnWidth;
        const float room = gui._screenWidth - columnsRight;
        d.dialX = room >= kDialRoom ? columnsRight + room / 2 : columnsRight + kDialRoom / 2;
        d.contentWidth = std::max(d.contentWidth, d.dialX + kDialRoom / 2);
    }
}

// ---- keyboard --------------------------------------------------------------------

void openKeyboard(Gui& gui, Data& d) {
    gui._keyboardText.clear();
    gui._keyboardMode = kDigitKeys;
    gui._transitionTime = gui._frameTime;
    if (gui._barState == Gui::kHidden) gui._barState = Gui::kEntering;
    gui._keyboardState = Gui::kEntering;
    gui._onEnter = [&gui, &d] { enterValue(gui, d); };
}

void keyboardEntry(Gui& gui, Data& d) {
    if (d.editTarget == kNoEntry) return;
    if (gui._keyboardState == Gui::kLeaving) {
        d.editTarget = kNoEntry;
        return;
    }
    if (gui._keyboardState == Gui::kHidden) openKeyboard(gui, d);
}

// ---- toolbar -----------------------------------------------------------------------

void toolbarCaption(const std::string& text, ImU32 colour, float gap) {
    ImFont* font = uiFont(fontslot::kRegular28);
    const ImVec2 at(ImGui::GetCursorPosX(), kToolbarMiddle - font->FontSize / 2);
    drawSlotText(fontslot::kRegular28, text.c_str(), ImGui::GetWindowPos() + at, colour);
    ImGui::SetCursorPosX(at.x + font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, text.c_str()).x + gap);
}

void requestRun(Gui& gui, bool measuring) {
    gui._machine->resetResults();
    gui._resultsExpected = measuring;
    gui._measuringMode = measuring ? kMeasuringRun : kTestRun;
    gui.setScreen(true, &Gui::measuring);
}

void saveFactors(Gui& gui, Data& d) {
    if (d.allRunsDone()) {
        d.rotor->reloadAndCompute();
        gui.sayWriteError(*d.rotor);  // said over the screen that follows
        d.doneMask = 0;
        d.currentRun = 0;
    }
    if (!gui._icFromBalancing)
        gui.setScreen(false, &Gui::balancing);
    else
        gui.back();
}

// The caption's width in the bar, with the gap after it.
float captionWidth(const std::string& text, float gap) {
    ImFont* font = uiFont(fontslot::kRegular28);
    return font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, text.c_str()).x + gap;
}

// The rotor's name in `room`, cut with "..." when longer; nothing when even that does not fit.
void nameCaption(std::string name, float room) {
    ImFont* font = uiFont(fontslot::kRegular28);
    std::string whole = name;
    if (fitText(whole, font, font->FontSize, room)) {
        const float dots = font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, "...").x;
        if (room < dots) return;
        fitText(name, font, font->FontSize, room - dots);
        name += "...";
    }
    toolbarCaption(name, kNameGrey, 0);
}

void drawToolbar(Gui& gui, Data& d) {
    ImGui::PushFont(uiFont(fontslot::kRegular24));
    const float gap = gui._screenWidth > kWideToolbar ? kWideToolbarGap : kToolbarGap;
    gui._onBack = nullptr;
    gui._icRunMask = d.doneMask;

    // On a narrow window the buttons take smaller labels, then the caption gives
    // way, so that nothing reaches under the start switch.
    Rotor& rotor = *d.rotor;
    std::vector<std::string> labels;
    if (!d.factorView) {
        labels.push_back(ks::format("{}##settings", textOrEmpty(textid::kTextSettings)));
        labels.push_back(ks::format("{}##test", textOrEmpty(textid::kTextTest)));
    }
    labels.push_back(ks::format("{}##saveic", textOrEmpty(kTextSaveIc)));
    const std::string caption = textOrEmpty(kTextCaption);
    const float end = startButtonLeft() - gap;
    const ToolbarFit fit = fitToolbar(end - ImGui::GetCursorPosX(), captionWidth(caption, gap), labels, gap);
    if (fit.title) toolbarCaption(caption, kCaptionGrey, gap);

    if (!d.factorView) {
        if (toolbarButton(labels[0].c_str(), fit.buttonFlags)) gui.setScreen(true, &Gui::settings);
        ImGui::SameLine(0, gap);
        if (toolbarButton(labels[1].c_str(), fit.buttonFlags)) requestRun(gui, false);
        ImGui::SameLine(0, gap);
    }
    const bool saveEnabled = (d.allRunsDone() && d.factorsDetermined) || (d.doneMask == 0 && rotor.hasFactors());
    if (toolbarButton(labels.back().c_str(), fit.buttonFlags | (saveEnabled ? 0 : kToolbarGreyLabel)) && saveEnabled)
        saveFactors(gui, d);
    ImGui::SameLine(0, gap);
    // The name gives way to the start button.
    nameCaption(rotor.nameText(false), end - ImGui::GetCursorPosX());

    // At the bar's right end.
    const bool startLocked = (d.currentRun != 0 && !d.massConfirmed) || d.factorView;
    const char* start = textOrEmpty(gui._machine->isExternalDrive() ? kTextMeasure : textid::kTextStart);
    if (startButton(d.startKnob, start, startLocked)) requestRun(gui, true);
    ImGui::PopFont();
}

// ---- content -------------------------------------------------------------------------

// `background`: the flags of the content's background (Gui::screenBackground).
void beginContent(Gui& gui, Data& d, int background) {
    ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                             ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings |
                             ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_HorizontalScrollbar;
    if (d.editTarget != kNoEntry) flags |= ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse;
    const float height = gui._screenHeight - 2 * Gui::kBarHeight;
    ImGui::SetNextWindowPos(ImVec2(0, Gui::kBarHeight));
    ImGui::SetNextWindowSize(ImVec2(gui._screenWidth, height));
    const bool follow = d.editTarget != kNoEntry;
    const float content =
        followKeyboard(gui, kContentWindow, height, d.contentHeight, d.scroll, follow, d.scrollBefore);
    ImGui::SetNextWindowContentSize(ImVec2(d.contentWidth, content));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::Begin(kContentWindow, nullptr,
                 flags | background);
    ImGui::PopStyleVar(2);
}

// The angle dial beside the plane columns, at the height of the machine picture.
void angleDial(Gui& gui, Data& d) {
    const Config& config = *gui._config;
    DialLayout dial;
    dial.zeroOffset = config.angleMarkPosition;
    dial.reversed = config.interfaceRotation;
    dialLayout(dial, 0, 0);
    dial.centre = ImGui::GetWindowPos() - ImVec2(ImGui::GetScrollX(), ImGui::GetScrollY()) +
                  ImVec2(std::floor(d.dialX), d.bandTop + kDialDrop);
    drawDial(dial, d.shownAngle, 0);
}

void determinationView(Gui& gui, Data& d) {
    Rotor& rotor = *d.rotor;
    collectPlaneMarks(d.view);
    const double machineAngle = gui._machine->getAngle();
    d.shownAngle = d.angleEntered && d.currentRun > 0 ? rotor.trialAngle(d.planeIndex()) : machineAngle;
    angleDial(gui, d);
    drawMachinePicture(d.view, rotor.planeCount(false), MachineBadge::kNone);
    drawMachineScheme(d.view, 0, [](const SchemeBox&) {});
    trialPlanePanel(gui, d);
    measuredValues(gui, d);
    if (machineLayout(*gui._config) == MachineLayout::Horizontal) BalancingData::rotorPicture(d.view);
    runButtons(gui, d);
}

void drawContent(Gui& gui, Data& d) {
    ImGui::PushFont(uiFont(fontslot::kRegular24));
    if (d.factorView)
        factorTable(gui, d);
    else
        determinationView(gui, d);
    displaySelector(gui, d);
    if (d.editTarget == kNoEntry) {
        // The toolbar has emptied the back handler this frame: a tap here
        // has nothing to close.
        if (gui._modalState == Gui::kHidden && drawShadowPanel(ImGui::GetWindowWidth(), true) && gui._onBack) {
            const Gui::Action back = gui._onBack;
            back();
        }
    } else {
        drawContentVeil("##shadow", ImGui::GetWindowSize(), kVeilAlpha, false);  // keeps taps off the content
    }
    ImGui::PopFont();
}

}  // namespace

Data::Data(Gui& gui) : rotor(gui._rotor), factorView(gui._rotor->hasFactors()) { view.rotor = rotor; }

bool Data::allRunsDone() const { return static_cast<unsigned>(doneMask) == rotor->measuringPlaneMask(); }

Gui::Action toolbar(Gui& gui, Data& data) {
    return [&gui, &data] { drawToolbar(gui, data); };
}

void enterValue(Gui& gui, Data& d) {
    // Text that is not one finite decimal number counts as 0.
    double value = 0;
    if (!ks::parseTypedNumber(gui._keyboardText, value)) value = 0;
    Rotor& rotor = *d.rotor;
    const int plane = d.planeIndex();
    if (d.editTarget == kAngleEntry && plane >= 0) {
        rotor.setTrialAngle(plane, value);
        d.angleEntered = true;
        d.massConfirmed = false;
    } else if (d.editTarget == kMassEntry && plane >= 0) {
        rotor.setTrialMass(value, plane);
        if (value < kMinTrialMass) d.massConfirmed = false;
    } else if (d.editTarget >= kFactorEntries) {
        const FactorEntry e = factorEntry(d.editTarget);
        double angle = value;
        rotor.factorData(e.op, e.i, e.j, &value, &angle);
    }
    gui.closeKeyboard();
}

void takeResults(Gui& gui, Data& d) {
    if (!gui._resultsExpected) return;
    gui._resultsExpected = false;
    d.startKnob = 0;
    Rotor& rotor = *d.rotor;
    if (gui._machine->getResultCount() == 0 || !rotor.finalResults()) return;
    d.doneMask |= static_cast<int>(runBit(d.currentRun));
    rotor.takeTrialMeasurement(d.currentRun);
    if (d.allRunsDone()) {
        d.autoAdvance = false;
        // Runs that determine no coefficients stay, so that one can be measured again.
        d.factorsDetermined = rotor.computeInfluenceFactors(false);
        if (d.factorsDetermined)
            rotor.restorePlaneValues();
        else
            gui.messageBox(textOrEmpty(textid::kTextCalculationError), textOrEmpty(textid::kTextGaussFailed));
    }
    d.angleEntered = false;
    d.massConfirmed = false;
    if (d.autoAdvance) d.currentRun = rotor.nextPlane(d.currentRun, true);
}

}  // namespace InfluenceData

void Gui::influenceCoefficients() {
    using namespace InfluenceData;
    if (frameAloneWithoutRotor(*this)) return;
    bool made = false;
    Data& d = rotorScreenData(*this, &Data::rotor, &made);
    if (made) {  // a determination starts without trial masses
        _rotor->setTrialMass(0.0, 0);
        for (int i = 0; i < _rotor->planeCount(false); ++i) _rotor->setTrialAngle(i, 0.0);
    }
    if (_screenChanged) {
        _machine->setRotor(d.rotor);
        _machine->requestDriveSetup();
    }
    _hint = textOrEmpty(kTextHint);
    layOut(*this, d);
    takeResults(*this, d);
    // Before the frame, which lets the clear colour show for its background.
    const int background = screenBackground(ImGui::GetColorU32(ImGuiCol_WindowBg), false);
    drawFrame(false, toolbar(*this, d));
    if (d.factorView)
        _hintDetails.clear();
    else
        _hintDetails = textOrEmpty(d.currentRun == 0 ? kTextHintReference : kTextHintTrial);
    beginContent(*this, d, background);
    drawContent(*this, d);
    ImGui::End();
    keyboardEntry(*this, d);
    if (_machine->getState() == kDriveSetupState) {
        _progressText = textOrEmpty(kTextWaitSetup);
        _progressValue = -1;
        drawProgress(_screenWidth, _screenHeight);
    }
}
