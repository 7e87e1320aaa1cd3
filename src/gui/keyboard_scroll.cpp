#include "gui/keyboard_scroll.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>

#include "gui/gui.h"

float followKeyboard(const Gui& gui, const char* window, float windowHeight, float contentHeight, float keptY,
                     bool follow, float& scrollBefore) {
    if (follow && gui._keyboardState == Gui::kShown) {
        if (scrollBefore < 0) {
            const ImGuiWindow* w = ImGui::FindWindowByName(window);
            scrollBefore = w ? w->Scroll.y : 0.0f;
        }
        const float scroll = std::max(0.0f, keptY - gui._keyboardTop);
        ImGui::SetNextWindowScroll(ImVec2(-1.0f, scroll));
        // The room is there only while the keyboard needs it: a content that
        // fits its window shows nothing to scroll.
        return std::max(contentHeight, scroll + windowHeight);
    }
    if (scrollBefore >= 0) {
        ImGui::SetNextWindowScroll(ImVec2(-1.0f, scrollBefore));
        scrollBefore = -1;
    }
    return contentHeight;
}
