// The Balancing screen: its data, the frame's steps, the evaluation of a new
// run, the recomputation of the corrections, the shown planes and the
// in-position mask, the dial with its markers, and the scheme's values.

#include "gui/screens/balancing.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/dial.h"
#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/screens/rotor_screen_data.h"
#include "gui/ui_probe.h"
#include "gui/widgets.h"
#include "machine/machine_base.h"
#include "machine/machine_codes.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "rotor/verification_rows.h"
#include "texts/format.h"
#include "texts/record_tags.h"
#include "texts/text_ids.h"

namespace BalancingData {
namespace {

constexpr TextId kTextHint = 0x18A4008;            // "Correct unbalances on the rotor"

constexpr float kDialTop = 120;
constexpr float kPictureLeft = 20;
constexpr float kColumnsBelowDial = 4;
constexpr int kMaxSplitSteps = 64;  // a position walk never takes more

using verificationrows::kMiddlePlane;

constexpr ImU32 kSchemeText = 0xFF000000;

}  // namespace

Data::Data(Gui& g) : _rotor(g._rotor), gui(&g) {
    _view.rotor = _rotor;
    _compensator = _rotor->hasResults() ? 1.0f : -1.0f;
    _positionPlanes = _rotor->buildPositionTable();
    prepare(false);
    computeShownPlanes();
}

int Data::planeCount() const { return _rotor->planeCount(false); }
bool Data::hasRuns() const { return _rotor->runCount() > 0; }

bool Data::inTolerance() const {
    return outOfTolerance == 0 && !increasedAccuracy() && hasRuns() && !_rotor->isControlRotor();
}

bool Data::stepMissed() const {
    return hasRuns() && _rotor->missesItsStep(_rotor->currentRun());
}

void Data::prepare(bool keepAngles) {
    Rotor& r = *_rotor;
    const int n = planeCount();
    std::vector<double> before;
    if (keepAngles)
        for (int i = 0; i < n; ++i) before.push_back(r.correctionAngle(i, false));
    r.computeArcCorrections();
    r.computeCorrections(compensator() && !_compensatorPending && !r.hasNoResults(), false, false, true);
    if (_compensatorPending) {
        r.saveResult(false);  // from the current and the previous run
        _compensator = std::fabs(_compensator);
        _compensatorPending = false;
        dropBackAction();
        r.computeCorrections(true, false, false, true);
    }
    const bool force = increasedAccuracy() || r.isControlRotor();
    for (int i = 0; i < n; ++i) r.positionEntry(i);
    for (int i = 0; i < n; ++i) {
        if (!(_positionPlanes & planeBit(i))) continue;
        if (!r.isOutOfTolerance(i + 1) && !force) continue;
        r.shareToPositions(i, force);
        // A control rotor's planes stand at the asks they reached, not near an angle.
        if (!keepAngles || !r.hasPositions(i) || r.isControlRotor()) continue;
        // The split whose angle lies nearest the one the operator worked with.
        const double kept = before[static_cast<std::size_t>(i)];
        double d = angleDistance(r.correctionAngle(i, false), kept);
        for (int step = 0; step < kMaxSplitSteps && r.hasPositions(i); ++step) {
            r.splitToPositions(i, force);
            const double next = angleDistance(r.correctionAngle(i, false), kept);
            if (next > d) {
                r.nextPositionSplit(i, force);
                break;
            }
            d = next;
        }
    }
    preparedRun = r.currentRun();
    preparedRuns = r.runCount();
}

void Data::prepareNewRun() {
    if (!hasRuns() || (preparedRun == _rotor->currentRun() && preparedRuns == _rotor->runCount())) return;
    prepare(false);
    forgetAcknowledgements();
}

void Data::evaluate() {
    Gui& g = *gui;
    g._resultsExpected = false;
    _startButtonState = kKnobAtRest;
    // A request this data object did not send (the run was left by Home, and
    // the screen opened afresh) is stale: its results are no run of this job.
    if (!measuringAsked) return;
    measuringAsked = false;
    if (!g._machine || g._machine->getResultCount() == 0) return;
    Rotor& r = *_rotor;
    if (r.takeMeasurement()) {
        r.clearCorrectionLimits();
        if (!r.computeDisbalance()) {
            g.messageBox(textOrEmpty(textid::kTextCalculationError), textOrEmpty(textid::kTextGaussFailed));
        } else {
            prepare(false);
            g.sayWriteError(r);
        }
    }
    forgetAcknowledgements();
}

void Data::computeShownPlanes() {
    outOfTolerance = 0;
    _shownPlanes = shownPlanes(_displayUnbalances, &outOfTolerance);
}

u32 Data::shownPlanes(bool unbalances, int* outOfTolerance) const {
    Rotor& r = *_rotor;
    const int n = std::min(planeCount(), kMaskPlanes);
    const bool control = r.isControlRotor();
    u32 shown = 0;
    for (int i = 0; i < n; ++i) {
        // A control rotor's plane is worked on when the test asks something
        // of it; its unbalances are those of the measured test planes.
        if (control && (unbalances ? i == kMiddlePlane : r.asksNothing(i))) continue;
        // A plane beyond its correction limit is out of tolerance as much as
        // any, as the protocol judges it; it is only not shown for a correction
        // the operator cannot make, so that it holds no Start back.
        const bool limited = r.isCorrectionLimited(i);
        const bool out = r.isOutOfTolerance(i + 1);
        if (out && outOfTolerance) ++*outOfTolerance;
        if (!limited && out) {
            shown |= planeBit(i);
        } else if (!limited && increasedAccuracy()) {
            shown |= planeBit(i);
        } else if (unbalances && !r.hasNoChannel(i + 1)) {
            shown |= planeBit(i);
        }
    }
    return shown;
}

u32 Data::computeInPosition() const {
    if (!hasRuns()) return 0;
    const double accuracy = gui->_config->angleAccuracy;
    u32 mask = 0;
    for (int i = std::min(planeCount(), kMaskPlanes) - 1; i >= 0; --i) {
        const double d = std::fabs(_rotorAngle - _rotor->correctionAngle(i, _displayUnbalances));
        if (d < accuracy || std::fabs(d - 360) < accuracy) mask |= planeBit(i);
    }
    return mask;
}

bool Data::testComplete() const { return _rotor->verificationComplete() && !_rotor->repeatsLastRun(); }

bool Data::recordLeft() const { return _rotor->recordLeft(); }

bool Data::startLocked() const {
    if (testComplete() || recordLeft()) return true;
    if (_rotor->isControlRotor())
        return hasRuns() && (!_rotor->onLastRun() || (shownPlanes(false, nullptr) & ~acknowledged()) != 0);
    return outstanding() != 0 && !_displayUnbalances && !_compensatorPending &&
           hasRuns() && !testTable();
}

u32 Data::acknowledged() const {
    return _rotor->isControlRotor() ? _rotor->testProgress().acknowledged : _acknowledgedPlanes;
}

void Data::setAcknowledged(u32 planes) {
    if (_rotor->isControlRotor())
        _rotor->setTestAcknowledged(planes);
    else
        _acknowledgedPlanes = planes;
}

void Data::forgetAcknowledgements() {
    _acknowledgedPlanes = 0;
}

void Data::cancelCompensator() {
    _compensatorPending = false;
    _compensator = _rotor->hasResults() ? 1.0f : -1.0f;
    dropBackAction();
}

int Data::confirmNewBalancing(int answer) {
    if (answer == 0) _rotor->clearRuns(false);
    return answer >= 0 ? -2 : answer;
}

void Data::dropBackAction() {
    if (!backActionSet) return;
    backActionSet = false;
    gui->_onBack = nullptr;
}

void Data::formatSchemeValue(const SchemeBox& box) {
    constexpr int kPlaneShift = 25;
    constexpr u32 kTagMask = (u32{1} << kPlaneShift) - 1;
    const u32 plane = box.field >> kPlaneShift;
    if (plane == 0) return;
    const u32 path[] = {jobrec::kPlanes, plane - 1, box.field & kTagMask};
    double value = 0;
    _rotor->readParameter(path, 3, nullptr, &value);
    if (!(value >= 0.0001)) return;
    const std::string text = ks::format("{:g} {}", value, textOrEmpty(textid::kUnitMm));
    ImFont* font = uiFont(fontslot::kRegular20);
    const float width = font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, text.c_str()).x;
    const bool centred = machineLayout(*_rotor) == MachineLayout::Horizontal;
    const ImVec2 origin = ImGui::GetWindowPos() - ImVec2(ImGui::GetScrollX(), ImGui::GetScrollY());
    const ImVec2 at(box.at.x - (centred ? width / 2 : 0), box.at.y + (kSchemeBoxHeight - font->FontSize) / 2);
    drawSlotText(fontslot::kRegular20, text.c_str(), origin + at, kSchemeText);
}

double angleDistance(double a, double b) {
    double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180 ? 360 - d : d;
}

namespace {

// Begins the content region; true when its items are shielded from touches.
bool beginContent(Gui& g, Data& d) {
    ImGuiWindowFlags flags = ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus;
    if (d._compensatorPending) flags |= ImGuiWindowFlags_NoScrollWithMouse | ImGuiWindowFlags_NoScrollbar;
    ImGui::SetCursorScreenPos(ImVec2(0, Gui::kBarHeight));
    // The panel takes room under the picture only where it cannot stand
    // beside the plane columns; beside them it covers the seen bottom.
    const float panelRoom = d.panelBeside ? 0 : d.panelHeight;
    const float content = std::max(d.contentBottom + panelRoom, g._screenHeight - 2 * Gui::kBarHeight);
    ImGui::SetNextWindowContentSize(ImVec2(0, content));
    ImGui::BeginChild("supports", ImVec2(g._screenWidth, g._screenHeight - 2 * Gui::kBarHeight), false, flags);
    // Nothing under the compensator's hint can be touched.
    if (d._compensatorPending) ImGui::PushItemFlag(ImGuiItemFlags_Disabled, true);
    return d._compensatorPending;
}

// On a Horizontal machine the sensor marks are the picture's lowest row; its
// band, laid out for other screens, ends a little below or above them.
float pictureDrawnHeight(const PlaneView& view) {
    if (machineLayout(*view.rotor) != MachineLayout::Horizontal) return view.pictureHeight;
    return kSensorDrop + kSensorSize;
}

// Window-local places of the dial, the columns, the instructions, the
// picture and the panel.
void layOut(Data& d, const DialLayout& dial) {
    const float scroll = ImGui::GetScrollY();
    const float dialBottom = dial.centre.y - ImGui::GetWindowPos().y + scroll + dial.outerRadius;
    d.columnsTop = dialBottom + kColumnsBelowDial;
    d.instructionsTop = d.columnsTop + kInstructionsBelowHeader;
    d._view.top = d.instructionsTop + kInstructionsHeight;
    d.contentBottom = d._view.top + pictureDrawnHeight(d._view);
    // The panel stays at the bottom of what is seen; the content scrolls above it.
    d.panelHeight = d.displayModePanelHeight();
    d.panelBeside = d.panelBesideColumns();
    const float pinned = scroll + ImGui::GetWindowHeight() - d.panelHeight;
    d.panelTop = d.panelBeside ? pinned : std::max(pinned, d.contentBottom);
}

void drawDialAndMarkers(Gui& g, Data& d) {
    Rotor& r = *d._rotor;
    DialLayout layout;
    layout.zeroOffset = g._config->angleMarkPosition;
    layout.reversed = g._config->interfaceRotation;
    dialLayout(layout, 0, kDialTop);
    // Laid out from the region's corner, the dial scrolls with the content
    // the rows below it are placed from.
    layout.centre.y -= ImGui::GetScrollY();
    layOut(d, layout);

    d.inPosition = d.computeInPosition();
    d.targetMask = d._selectedColumn == 0 ? d.inPosition & d.outstanding() : 0;
    int flags = d.increasedAccuracy() ? kDialTwoDecimals : 0;
    if (d.inTolerance() || (d.targetMask != 0 && d._selectedColumn == 0)) flags |= kDialHighlight;
    d.dialFlags = flags;
    drawDial(layout, d._rotorAngle, flags);

    if (d._selectedColumn != 0 || !d.hasRuns()) return;
    for (int i = std::min(d.planeCount(), kMaskPlanes) - 1; i >= 0; --i) {
        if (!(d._shownPlanes & planeBit(i)) || (d.acknowledged() & planeBit(i))) continue;
        const double angle = r.correctionAngle(i, d._displayUnbalances);
        drawDialMarker(layout, i + 1, 0, angle);
        const ImVec2 c = dialMarkerCentre(layout, angle);
        const float half = (layout.outerRadius - layout.innerRadius) / 2;
        UiProbe::report(0, "marker", c - ImVec2(half, half), c + ImVec2(half, half), ks::format("{}", i + 1).c_str());
    }
}

void drawPictureAndInstructions(Gui& g, Data& d) {
    if (d.testTable()) return;
    const bool missed = d.stepMissed();
    const MachineBadge left = d._rotor->testLeft() == TestLeft::kContinued ? MachineBadge::kTestContinued
                                                                           : MachineBadge::kTestBegunAgain;
    drawMachinePicture(d._view, d.planeCount(),
                       d.inTolerance()    ? MachineBadge::kInTolerance
                       : d.recordLeft()   ? left
                       : missed           ? MachineBadge::kBalancingRequired
                       : d.testComplete() ? MachineBadge::kTestComplete
                                          : MachineBadge::kNone);
    drawMachineScheme(d._view, 0, [&d](const SchemeBox& box) { d.formatSchemeValue(box); });
    if (g._config->machineInterface == settings_choice::kHorizontal) BalancingData::rotorPicture(d._view);
    if (d.hasRuns())
        d.correctionInstructions((d.inTolerance() ? kRunInTolerance : 0) | (missed ? kRunMissedStep : 0));
}

void showProgress(Gui& g) {
    if (!g._machine || g._machine->getState() != MachineState::kConfiguring) return;
    g._progressText = textOrEmpty(textid::kTextInitializing);
    g._progressValue = 0;
    g.drawProgress(g._screenWidth, g._screenHeight);
}

}  // namespace
}  // namespace BalancingData

void Gui::balancing() {
    using namespace BalancingData;
    if (frameAloneWithoutRotor(*this)) return;
    bool made = false;
    Data& d = rotorScreenData(*this, &Data::_rotor, &made);
    d.gui = this;
    if (_screenChanged && _machine) {
        _machine->setRotor(_rotor);
        _machine->requestDriveSetup();
    }
    // Back from another screen (the IC screen's runs and computations, the
    // settings), a control rotor's asks are worked out again from its test's
    // progress, as a fresh visit works them out.
    if (_screenChanged && !made && _rotor->isControlRotor()) d.prepare(false);
    rotorPictureScale(d._view, 0, _screenWidth, _screenHeight, kPictureLeft);
    _hint = textOrEmpty(kTextHint);
    _hintDetails.clear();
    if (_resultsExpected) d.evaluate();
    d.prepareNewRun();

    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(ImVec2(_screenWidth, _screenHeight));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::Begin("Balancing", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus | screenBackground(IM_COL32_WHITE, true));
    drawFrame(false, [&d] { d.toolbar(); });
    const bool shielded = beginContent(*this, d);
    collectPlaneMarks(d._view);
    d._rotorAngle = _machine ? _machine->getAngle() : 0.0;
    d.computeShownPlanes();
    drawDialAndMarkers(*this, d);
    d.planeColumns(d.targetMask);
    drawPictureAndInstructions(*this, d);
    if (d._selectedColumn == 0) d.displayModePanel();
    if (shielded) ImGui::PopItemFlag();
    if (d._compensatorPending) {
        d.compensatorHint();
        _onBack = [&d] { d.cancelCompensator(); };
        d.backActionSet = true;
    } else {
        d.dropBackAction();
    }
    ImGui::EndChild();
    ImGui::End();
    ImGui::PopStyleVar(2);
    showProgress(*this);
}
