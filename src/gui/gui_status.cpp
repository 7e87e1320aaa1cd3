// What the interface shows over every screen: the progress dialog, the
// start-up progress, the once-only device boxes and the welding overlay.

#include <algorithm>
#include <string>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/gui.h"
#include "gui/ui_probe.h"
#include "machine/machine_base.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {

constexpr TextId kTextWelding = 0x9DD008;  // "Welding is in use..."

constexpr ImU32 kVeil = 0xDD000000;
constexpr ImU32 kWhite = 0xFFFFFFFF;
constexpr ImU32 kBarGrey = 0xFF333333;
const ImVec2 kBarSize(400, 42);
constexpr float kTextAboveMiddle = 60;  // the text's row ends this far above the middle
constexpr float kBarBelowMiddle = 10;
constexpr float kTextMargin = 32;
constexpr int kFullBar = 100;

}  // namespace

void Gui::drawProgress(float width, float height) {
    _progressValue = std::clamp(_progressValue, 0, kFullBar);
    ImGui::SetNextWindowFocus();
    beginFrameWindow("progress", ImVec2(0, 0), ImVec2(width, height), ImGuiWindowFlags_NoBackground);
    ImDrawList* list = ImGui::GetWindowDrawList();
    list->AddRectFilled(ImVec2(0, 0), ImVec2(width, height), kVeil);
    const float middle = height / 2;
    drawCentredText(fontslot::kLight28, _progressText.c_str(), kTextMargin, width - kTextMargin,
                    middle - kTextAboveMiddle - uiFont(fontslot::kLight28)->FontSize, uiFont(fontslot::kLight28)->FontSize,
                    kWhite);
    if (_progressValue > 0) {
        const ImVec2 barMin((width - kBarSize.x) / 2, middle + kBarBelowMiddle);
        list->AddRectFilled(barMin, barMin + kBarSize, kBarGrey);
        const float filled = static_cast<float>(_progressValue) * kBarSize.x / kFullBar;
        list->AddRectFilled(barMin, barMin + ImVec2(filled, kBarSize.y), kWhite);
        UiProbe::report(ImGui::GetID("progress-bar"), "progress-bar", barMin, barMin + ImVec2(filled, kBarSize.y),
                        std::to_string(_progressValue).c_str());
    }
    ImGui::End();
}

void Gui::drawMachineStatus(bool silent) {
    if (!_machine) return;
    // While a start is pending (also one held behind a reconnection) the
    // rotor may turn: nothing here covers its screen's Stop, Home and Back;
    // the boxes wait until the run has ended.
    const bool mayTurn = _machine->isStartPending();
    if (!_machine->getConnectFlag()) {
        // Until the machine is ready: the boxes may come again for this connection.
        _demoShown = false;
        _invertersShown = false;
        // A box of the program's own (the settings warning) stands in the
        // progress's place and takes its taps; the progress comes back after
        // it (drawn under the box, its text would show through the veil).
        if (silent || boxInTurnShown() || mayTurn) return;
        _progressText = textOrEmpty(textid::kTextInitializing);
        _progressValue = _machine->getConnectAttempt();
        drawProgress(_screenWidth, _screenHeight);
        return;
    }
    if (mayTurn) return;
    if (!_machine->isInvertersOk() && !_invertersShown) {
        _invertersShown = true;
        queueMessageBox(textOrEmpty(textid::kTextInvertersError), textOrEmpty(textid::kTextCheckSettings));
    } else if (_machine->isDemo() && !_demoShown) {
        _demoShown = true;
        queueMessageBox(textOrEmpty(textid::kTextUsbDeviceNotFound), textOrEmpty(textid::kTextDemoContinues));
    } else if (_machine->isWelderActive() && !silent && _screenId != ScreenId::Welding) {
        // The Welding screen shows its own Stop switch; an overlay there would cover it.
        _progressText = textOrEmpty(kTextWelding);
        _progressValue = _machine->getWeldValue();
        drawProgress(_screenWidth, _screenHeight);
    }
}
