// The editing screen's rotor layout: the rotor picture with the machine
// scheme, the channel marks, the supports, the plane list, the control-rotor
// check and the shadow panels.
//
// STAND-INS: the picture, the scheme, the channel marks, the supports, the
// control-rotor check and the shadows draw nothing yet; the plane list only
// follows the rotor's planes and opens a plane's correction panel from its
// label, its switches locked.  The full layout replaces this file.

#include <algorithm>
#include <string>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/screens/editing.h"
#include "gui/widgets.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "texts/format.h"

namespace Editing {
namespace {
constexpr TextId kTextPlane = 0x1EFD00E;  // "Plane"
constexpr float kColumnWidth = 248;
constexpr float kSmallWindow = 740;  // at most this high: no margin above the picture
constexpr float kPictureMargin = 20;
constexpr float kPlaneListTop = 240;
constexpr int kSupportButtons = 5;
constexpr float kSupportPitch = 55;
constexpr float kSupportsAfter = 15;
}  // namespace

void scaleRotorPicture(Gui& gui, Data& data, int columns) {
    data.pictureTop = gui._screenHeight <= kSmallWindow ? 0.0f : kPictureMargin;
    data.columnsLeft = std::max(0.0f, (gui._screenWidth - static_cast<float>(columns) * kColumnWidth) / 2);
}

void collectPlaneMarks(Data& data) { data.planeMarks.clear(); }

void drawRotorPicture(Gui&, Data&) {}

void machineScheme(Gui&, Data&) {}

void channelDragLists(Gui&, Data&) {}

void planeList(Gui& gui, Data& data, int columns) {
    Rotor& rotor = *data.rotor;
    const ImVec2 origin = ImGui::GetWindowPos() - ImVec2(ImGui::GetScrollX(), ImGui::GetScrollY());
    for (int i = 0; i < columns && i < kMaxPlanes; ++i) {
        float& state = data.planeStates[static_cast<std::size_t>(i)];
        const bool engaged = rotor.isPlaneIndex(i + 1);
        if (state > 0 && !engaged) state = -1;
        if (state < 0 && engaged) state = 1;
        const float left = data.columnsLeft + kColumnWidth * static_cast<float>(i);
        ImGui::SetCursorPos(ImVec2(left, data.pictureTop + kPlaneListTop));
        const std::string label = ks::format("{} P{}##plane{}", textOrEmpty(kTextPlane), i + 1, i);
        const bool open = checkList(state, label.c_str(), kCheckLocked, nullptr, 0, 0);
        if (open && state > 0 && rotor.runCount() == 0 && (!rotor.isControlRotor() || i == 0))
            data.openPanel(gui, i, origin.x + left + kColumnWidth);
    }
}

void controlRotorCheck(Gui&, Data&) {}

void supports(Gui&, Data& data, ImVec2& pos) {
    const int buttons = std::min(kSupportButtons, static_cast<int>(data.config->channels.size()));
    if (buttons > 0) pos.x += static_cast<float>(buttons) * kSupportPitch + kSupportsAfter;
}

bool contentShadow(Gui&, Data&) { return false; }

void keyboardShadow(Gui&, Data&) {}

}  // namespace Editing
