#include "gui/scroll_drag.h"

#include <cmath>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

void scrollByDrag(float threshold) {
    ImGuiContext& g = *GImGui;
    ImGuiWindow* window = g.CurrentWindow;
    if (window->SkipItems) return;
    const ImGuiID id = window->GetID("##scrolldraggingoverlay");
    const ImRect visible = window->InnerRect;
    if (ImGui::ItemAdd(visible, id)) {
        bool hovered = false, held = false;
        ImGui::ButtonBehavior(visible, id, &hovered, &held);
        ImGui::SetItemAllowOverlap();
    }

    // The drag's start, kept in the window's own storage between frames.
    ImGuiStorage* storage = window->DC.StateStorage;
    const ImGuiID pressedKey = id + 1, draggingKey = id + 2, startKey = id + 3, scrollKey = id + 4;
    const ImGuiIO& io = g.IO;
    if (io.MouseClicked[0] && g.HoveredWindow == window && visible.Contains(io.MousePos)) {
        storage->SetBool(pressedKey, true);
        storage->SetBool(draggingKey, false);
        storage->SetFloat(startKey, io.MousePos.y);
        storage->SetFloat(scrollKey, window->Scroll.y);
    }
    if (!io.MouseDown[0]) {
        storage->SetBool(pressedKey, false);
        storage->SetBool(draggingKey, false);
        return;
    }
    if (!storage->GetBool(pressedKey)) return;
    const float moved = io.MousePos.y - storage->GetFloat(startKey);
    if (!storage->GetBool(draggingKey) && std::fabs(moved) > (threshold >= 0 ? threshold : io.MouseDragThreshold))
        storage->SetBool(draggingKey, true);
    if (!storage->GetBool(draggingKey)) return;
    ImGui::SetScrollY(storage->GetFloat(scrollKey) - moved);
    if (g.ActiveId != 0 && g.ActiveIdWindow == window) ImGui::ClearActiveID();
}
