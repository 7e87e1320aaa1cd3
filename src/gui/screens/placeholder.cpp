#include "gui/screens/placeholder.h"

#include <string>
#include <vector>

#include <imgui.h>

#include "gui/ui_probe.h"
#include "texts/texts.h"

namespace {
constexpr TextId kBackGlyph = 0x195DC21;  // the bottom bar's back icon
constexpr float kBarHeight = 80;
constexpr float kButtonWidth = 200;
constexpr float kButtonHeight = 60;
constexpr float kButtonGap = 50;
constexpr ImU32 kVeil = 0xDD000000;
constexpr ImGuiWindowFlags kPlainWindow = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                          ImGuiWindowFlags_NoSavedSettings |
                                          ImGuiWindowFlags_NoBringToFrontOnFocus;

void textAt(const char* text, ImVec2 at, ImU32 colour) {
    ImDrawList* list = ImGui::GetWindowDrawList();
    list->AddText(at, colour, text);
    const ImVec2 size = ImGui::CalcTextSize(text);
    UiProbe::reportText(text, at, ImVec2(at.x + size.x, at.y + size.y));
}

std::vector<std::string> splitButtons(const std::string& labels) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (!labels.empty()) {
        const std::size_t bar = labels.find('|', start);
        out.push_back(labels.substr(start, bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return out;
}

void drawBox(Gui& gui) {
    const float w = gui._screenWidth;
    const float h = gui._screenHeight - kBarHeight + 1;
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(ImVec2(w, h));
    ImGui::SetNextWindowFocus();
    ImGui::Begin("modal", nullptr, (kPlainWindow & ~ImGuiWindowFlags_NoBringToFrontOnFocus) | ImGuiWindowFlags_NoBackground);
    ImGui::PushClipRect(ImVec2(0, 0), ImVec2(w, h), false);
    ImGui::GetWindowDrawList()->AddRectFilled(ImVec2(0, 0), ImVec2(w, h), kVeil);
    ImGui::PopClipRect();
    const float mid = h / 2;
    const ImVec2 textSize = ImGui::CalcTextSize(gui._modalText.c_str());
    textAt(gui._modalText.c_str(), ImVec2((w - textSize.x) / 2, mid - 80), IM_COL32_WHITE);
    if (!gui._modalDetails.empty()) {
        const ImVec2 size = ImGui::CalcTextSize(gui._modalDetails.c_str());
        textAt(gui._modalDetails.c_str(), ImVec2((w - size.x) / 2, mid - 40), IM_COL32_WHITE);
    }
    const std::vector<std::string> labels = splitButtons(gui._modalButtons);
    const float rowWidth = labels.size() * (kButtonWidth + kButtonGap) - kButtonGap;
    float x = (w - rowWidth) / 2;
    int pressed = -1;
    for (std::size_t i = 0; i < labels.size(); ++i, x += kButtonWidth + kButtonGap) {
        ImGui::SetCursorPos(ImVec2(x, mid + 20));
        ImGui::PushID(static_cast<int>(i));
        if (ImGui::Button(labels[i].c_str(), ImVec2(kButtonWidth, kButtonHeight))) pressed = static_cast<int>(i);
        UiProbe::reportLastItem(labels[i].c_str());
        ImGui::PopID();
    }
    ImGui::End();
    if (pressed >= 0 && gui._modalState == 2) gui.pressModalButton(pressed);
}

}  // namespace

void drawPlaceholderFrame(Gui& gui) {
    gui.barOffset(gui._barState);
    gui.barOffset(gui._keyboardState);
    if (gui._modalState == 0) return;
    gui.barOffset(gui._modalState);
    drawBox(gui);
}

void drawPlaceholderScreen(Gui& gui, const char* title) {
    ImGui::Begin("screen", nullptr, kPlainWindow);
    textAt(title, ImVec2(gui._margin, 28), IM_COL32_BLACK);
    const char* back = textOrEmpty(kBackGlyph);
    ImGui::SetCursorPos(ImVec2(gui._screenWidth - 70, gui._screenHeight - kBarHeight + 10));
    if (ImGui::Button(back, ImVec2(60, 60))) gui.pressBack();
    UiProbe::reportLastItem(back);
    ImGui::End();
    drawPlaceholderFrame(gui);
}
