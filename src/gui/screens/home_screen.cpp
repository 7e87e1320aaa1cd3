// The home screen's stand-in: one button per screen, the program's version
// line at the bottom; the frame only while a message box is open.

#include <imgui.h>

#include "gui/fonts.h"
#include "gui/gui.h"
#include "gui/ui_probe.h"
#include "records/settings_records.h"
#include "texts/texts.h"

namespace {
struct Tile {
    TextId title;
    void (Gui::*screen)();
};
constexpr Tile kTiles[] = {
    {0x195DC05, &Gui::balancing},              // "Balancing"
    {0x195DC1B, &Gui::editing},                // "Edit"
    {0x1EFD008, &Gui::influenceCoefficients},  // "Influence Coefficients"
    {0x1073008, &Gui::measuring},              // "Measuring"
    {0x195DC06, &Gui::history},                // "History"
    {0x195DC07, &Gui::database},               // "Database"
    {0x195DC08, &Gui::settings},               // "Settings"
    {0x195DC10, &Gui::welding},                // "Welding"
};
constexpr float kTileWidth = 360;
constexpr float kTileHeight = 64;
constexpr float kTileGap = 16;
constexpr float kTop = 120;
constexpr float kFootLine = 50;
}  // namespace

void Gui::home() {
    ImGui::Begin("screen", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus);
    const char* title = "KESTRUNE";
    ImGui::GetWindowDrawList()->AddText(ImVec2(_margin, 40), IM_COL32_BLACK, title);
    float y = kTop;
    ImGui::PushFont(uiFont(fontslot::kLight28));
    for (const Tile& tile : kTiles) {
        const char* label = textOrEmpty(tile.title);
        ImGui::SetCursorPos(ImVec2(_margin, y));
        if (ImGui::Button(label, ImVec2(kTileWidth, kTileHeight))) setScreen(true, tile.screen);
        UiProbe::reportLastItem(label);
        y += kTileHeight + kTileGap;
    }
    ImGui::PopFont();
    const std::string& version = _config->local.banner;
    const ImVec2 at(_margin, _screenHeight - kFootLine);
    ImGui::GetWindowDrawList()->AddText(at, IM_COL32_BLACK, version.c_str());
    UiProbe::reportText(version.c_str(), at, ImVec2(at.x + ImGui::CalcTextSize(version.c_str()).x, at.y + 22));
    ImGui::End();
    if (_modalState != 0) drawFrame(false, nullptr);
}
