#include "gui/frame_widgets.h"

#include <cfloat>
#include <string>
#include <string_view>
#include <vector>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/ui_probe.h"
#include "gui/widgets.h"

namespace {
constexpr ImU32 kWhite = 0xFFFFFFFF;
constexpr ImU32 kBlack = 0xFF000000;
constexpr ImU32 kIconGrey = 0xFF777777;
constexpr float kFrameThickness = 2;

struct Line {
    const char* begin;
    const char* end;
};

// The text's lines when broken at spaces to fit `width`.
std::vector<Line> wrapLines(ImFont* font, const char* text, float width) {
    std::vector<Line> lines;
    const char* end = text + std::char_traits<char>::length(text);
    const char* at = text;
    while (at < end) {
        const char* cut = font->CalcWordWrapPositionA(1.0f, at, end, width);
        if (cut == at) cut = at + 1;  // a word wider than the span still advances
        const char* lineEnd = cut;
        while (lineEnd > at && lineEnd[-1] == ' ') --lineEnd;
        lines.push_back({at, lineEnd});
        at = cut;
        while (at < end && *at == ' ') ++at;
    }
    if (lines.empty()) lines.push_back({text, text});
    return lines;
}
// A line with lowered or raised runs ("D~tol"), centred between x0 and x1;
// the runs in the small font of the marked runs of units.
ImRect drawMarkedLine(ImFont* font, const std::string& line, float x0, float x1, float y, ImU32 colour) {
    ImGui::PushFont(font);
    ImGui::PushStyleColor(ImGuiCol_Text, colour);
    ImFont* marked = uiFont(fontslot::kRegular17);
    ImVec2 size;
    drawLabel(size, nullptr, 0, 0, marked, line.c_str());
    const ImVec2 at(x0 + (x1 - x0 - size.x) / 2, y);
    drawLabel(size, ImGui::GetWindowDrawList(), at.x, at.y, marked, line.c_str());
    ImGui::PopStyleColor();
    ImGui::PopFont();
    return ImRect(at, at + size);
}

}  // namespace

bool dialogButtons(const char* label, const char* labelEnd, float x, float y, float width, bool highlighted) {
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    if (window->SkipItems) return false;
    if (!labelEnd) labelEnd = label + std::char_traits<char>::length(label);
    const ImGuiID id = window->GetID(label, labelEnd);
    const ImRect box(ImVec2(x, y), ImVec2(x + width, y + framesize::kDialogButtonHeight));
    if (!ImGui::ItemAdd(box, id)) return false;
    bool hovered = false, held = false;
    const bool pressed = ImGui::ButtonBehavior(box, id, &hovered, &held);
    const bool filled = held || highlighted;
    if (filled)
        window->DrawList->AddRectFilled(box.Min, box.Max, kWhite);
    else
        window->DrawList->AddRect(box.Min, box.Max, kWhite, 0.0f, 0, kFrameThickness);
    ImGui::PushStyleColor(ImGuiCol_Text, filled ? kBlack : kWhite);
    ImGui::RenderTextClipped(box.Min, box.Max, label, labelEnd, nullptr, ImVec2(0.5f, 0.5f), &box);
    ImGui::PopStyleColor();
    if (UiProbe::recording()) UiProbe::report(id, std::string(label, labelEnd).c_str(), box.Min, box.Max);
    return pressed;
}

bool iconButton(const char* glyph, float width, float height) {
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    if (window->SkipItems) return false;
    const ImGuiID id = window->GetID(glyph);
    const ImVec2 at = window->DC.CursorPos;
    const ImRect box(at, at + ImVec2(width, height));
    ImGui::ItemSize(box);
    if (!ImGui::ItemAdd(box, id)) return false;
    bool hovered = false, held = false;
    const bool pressed = ImGui::ButtonBehavior(box, id, &hovered, &held);
    ImFont* font = uiFont(fontslot::kRegular52);
    const ImVec2 size = font->CalcTextSizeA(font->FontSize, FLT_MAX, 0.0f, glyph);
    window->DrawList->AddText(font, font->FontSize, box.GetCenter() - size * 0.5f, kIconGrey, glyph);
    UiProbe::report(id, glyph, box.Min, box.Max);
    return pressed;
}

void drawSlotText(int slot, const char* text, ImVec2 at, ImU32 colour) {
    ImFont* font = uiFont(slot);
    ImGui::GetWindowDrawList()->AddText(font, font->FontSize, at, colour, text);
    if (UiProbe::recording())
        UiProbe::reportText(text, at, at + font->CalcTextSizeA(font->FontSize, FLT_MAX, 0.0f, text));
}

void drawCentredText(int slot, const char* text, float x0, float x1, float top, float height, ImU32 colour) {
    ImFont* font = uiFont(slot);
    const std::vector<Line> lines = wrapLines(font, text, x1 - x0);
    const float firstTop = top + (height - font->FontSize * static_cast<float>(lines.size())) / 2;
    ImRect drawn(ImVec2(FLT_MAX, firstTop), ImVec2(-FLT_MAX, firstTop));
    ImDrawList* list = ImGui::GetWindowDrawList();
    float y = firstTop;
    for (const Line& line : lines) {
        const std::string_view view(line.begin, static_cast<std::size_t>(line.end - line.begin));
        if (view.find_first_of("~^") != std::string_view::npos) {
            drawn.Add(drawMarkedLine(font, std::string(view), x0, x1, y, colour));
        } else {
            const ImVec2 size = font->CalcTextSizeA(font->FontSize, FLT_MAX, 0.0f, line.begin, line.end);
            const ImVec2 at(x0 + (x1 - x0 - size.x) / 2, y);
            list->AddText(font, font->FontSize, at, colour, line.begin, line.end);
            drawn.Add(ImRect(at, at + size));
        }
        y += font->FontSize;
    }
    UiProbe::reportText(text, drawn.Min, drawn.Max);  // the whole text, as one item
}

void beginFrameWindow(const char* name, ImVec2 at, ImVec2 size, ImGuiWindowFlags extraFlags) {
    constexpr ImGuiWindowFlags kFlags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                        ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollWithMouse;
    ImGui::SetNextWindowPos(at);
    ImGui::SetNextWindowSize(size);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::Begin(name, nullptr, kFlags | extraFlags);
    ImGui::PopStyleVar(2);
    // The screen's window may have been brought up by a tap; the frame stays above it.
    ImGui::BringWindowToDisplayFront(ImGui::GetCurrentWindow());
}
