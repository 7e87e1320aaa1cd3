#include "support/gui_widget_window.h"

namespace {
bool inside(ImVec2 p, ImVec2 min, ImVec2 max) { return p.x >= min.x && p.x <= max.x && p.y >= min.y && p.y <= max.y; }
}  // namespace

void showWidgets(GuiHarness& h, std::function<void()> body) {
    h.gui().setScreen(false, [body](Gui&) {
        ImGui::Begin("widgets", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                             ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollWithMouse);
        body();
        ImGui::End();
    });
    h.frame();
}

bool drewColour(ImVec2 min, ImVec2 max, ImU32 colour, bool foregroundOnly) {
    const ImDrawData* data = ImGui::GetDrawData();
    for (int i = 0; data && i < data->CmdListsCount; ++i) {
        const ImDrawList* list = data->CmdLists[i];
        if (foregroundOnly && list != ImGui::GetForegroundDrawList()) continue;
        for (const ImDrawVert& v : list->VtxBuffer)
            if (v.col == colour && inside(v.pos, min, max)) return true;
    }
    return false;
}

bool drewTexture(ImTextureID id) {
    const ImDrawData* data = ImGui::GetDrawData();
    for (int i = 0; data && i < data->CmdListsCount; ++i)
        for (const ImDrawCmd& cmd : data->CmdLists[i]->CmdBuffer)
            if (cmd.TextureId == id && cmd.ElemCount > 0) return true;
    return false;
}
