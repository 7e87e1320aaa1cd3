#include "gui/gui_style.h"

#include <imgui.h>

namespace {
constexpr float kWindowColour = 0.933f;
}  // namespace

void applyInterfaceStyle() {
    ImGui::StyleColorsLight();
    ImGuiStyle& style = ImGui::GetStyle();
    style.ScrollbarSize = 32;
    style.TouchExtraPadding = ImVec2(2, 2);
    style.WindowRounding = 0;
    style.Colors[ImGuiCol_WindowBg] = ImVec4(kWindowColour, kWindowColour, kWindowColour, 1.0f);
}
