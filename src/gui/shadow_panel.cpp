#include "gui/shadow_panel.h"

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui.h>
#include <imgui_internal.h>

#include "gui/gui.h"
#include "gui/ui_probe.h"
#include "gui/widgets.h"

namespace {
constexpr float kWideShadow = 400;    // a wider shadow leaves room by the panel
constexpr float kClearByPanel = 250;
constexpr float kGradientWidth = 100;
constexpr float kGradientMinHeight = 100;
constexpr ImU32 kEdgeShade = IM_COL32(0, 0, 0, 40);
constexpr ImU32 kNoShade = IM_COL32(0, 0, 0, 0);
constexpr float kVeilGrey = 0.933f;
}  // namespace

bool drawShadowPanel(float width, bool fromLeft) {
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    if (w->SkipItems || !(width > 0)) return false;
    const float top = w->Pos.y;
    const float bottom = w->Pos.y + w->Size.y;
    const float left = fromLeft ? w->Pos.x : w->Pos.x + w->Size.x - width;
    ImRect bb(ImVec2(left, top), ImVec2(left + width, bottom));
    if (width > kWideShadow) {
        if (fromLeft)
            bb.Max.x -= kClearByPanel;
        else
            bb.Min.x += kClearByPanel;
    }
    const ImGuiID id = w->GetID("shadow");
    ImGui::ItemAdd(bb, id);
    bool hovered = false, held = false;
    const bool pressed = ImGui::ButtonBehavior(bb, id, &hovered, &held);

    // A shadow over the whole width has no panel beside it: no edge to shade.
    const float edge = fromLeft ? left + width : left;
    const bool panelBeside = edge > w->Pos.x && edge < w->Pos.x + w->Size.x;
    if (w->Size.y > kGradientMinHeight && panelBeside) {
        if (fromLeft)
            w->DrawList->AddRectFilledMultiColor(ImVec2(edge - kGradientWidth, top), ImVec2(edge, bottom), kNoShade,
                                                 kEdgeShade, kEdgeShade, kNoShade);
        else
            w->DrawList->AddRectFilledMultiColor(ImVec2(edge, top), ImVec2(edge + kGradientWidth, bottom), kEdgeShade,
                                                 kNoShade, kNoShade, kEdgeShade);
    }
    UiProbe::report(id, "shadow", bb.Min, bb.Max);
    return pressed;
}

bool drawContentVeil(const char* name, ImVec2 extent, float alpha, bool keepPlace) {
    const ImVec2 pos = ImGui::GetWindowPos();
    ImGui::SetNextWindowPos(pos);
    ImGui::SetNextWindowSize(ImGui::GetWindowSize());
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::Begin(name, nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     (keepPlace ? ImGuiWindowFlags_NoBringToFrontOnFocus : 0) |
                     ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoBackground |
                     ImGuiWindowFlags_NoScrollWithMouse | ImGuiWindowFlags_NoNav);
    ImGui::PopStyleVar(2);
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    const ImGuiID id = w->GetID("shadow");
    const ImRect bb(pos, pos + extent);
    ImGui::ItemAdd(bb, id);
    bool hovered = false, held = false;
    const bool pressed = ImGui::ButtonBehavior(bb, id, &hovered, &held);
    const ImU32 colour = ImGui::GetColorU32(ImVec4(kVeilGrey, kVeilGrey, kVeilGrey, alpha));
    if (Gui* gui = currentGui())
        gui->veilUnder(bb.Min, bb.Max, colour);  // painted where something is drawn under it
    else
        w->DrawList->AddRectFilled(bb.Min, bb.Max, colour);
    UiProbe::report(id, "shadow", bb.Min, bb.Max);
    ImGui::End();
    return pressed;
}
