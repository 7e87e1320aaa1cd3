#include "gui/screens/placeholder.h"

#include <imgui.h>

#include "gui/fonts.h"
#include "gui/frame_widgets.h"

namespace {
constexpr ImU32 kTitleColour = 0xFF000000;
}  // namespace

void drawPlaceholderScreen(Gui& gui, const char* title) {
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::Begin("screen", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus);
    ImGui::End();
    ImGui::PopStyleVar();
    gui.drawFrame(false, [title] {
        drawSlotText(fontslot::kRegular28, title, ImGui::GetCursorScreenPos(), kTitleColour);
    });
}
