// The correction-plane panel of the editing screen: one plane's correction
// mode and mean, its material and its numeric correction parameters.  Choices
// are stored at once; a tapped value row becomes the caller's entry target.

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/gui.h"
#include "gui/screens/editing.h"
#include "gui/scroll_drag.h"
#include "gui/ui_probe.h"
#include "gui/visible_rows.h"
#include "gui/widgets.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "texts/format.h"
#include "texts/record_tags.h"
#include "texts/text_ids.h"

using namespace jobrec;
using Editing::u32;

namespace {

constexpr TextId kTextOther = 0x195DC09;     // "[ Other ]"

constexpr float kInset = 12;          // content from the region's left and top
constexpr float kCaptionHeight = 44;
constexpr float kRowHeight = 50;
constexpr float kRadius = 9;          // of a choice row's circle
constexpr float kTextGap = 16;        // after the circle
constexpr float kTapSlop = 2;         // a finger that moved further scrolls
constexpr float kEntryRoom = 60;      // an edited row ends this far above the keyboard
constexpr float kBars = 80;           // the bottom bar, and the keyboard's keys above it
constexpr float kKeys = 280;
constexpr float kUnderline = 2;
constexpr float kEdgeHeight = 6;

const ImU32 kBackground = IM_COL32(255, 255, 255, 255);
const ImU32 kCaptionColour = IM_COL32(51, 51, 51, 255);
const ImU32 kText = IM_COL32(0, 0, 0, 255);
const ImU32 kLockedText = IM_COL32(170, 170, 170, 255);  // grey 0.667
const ImU32 kSeparator = IM_COL32(230, 230, 230, 255);
const ImU32 kBlue = 0xFFCD933C;
const ImU32 kSelectedFill = IM_COL32(134, 134, 149, 255);  // grey-blue
const ImU32 kEdgeShade = IM_COL32(0, 0, 0, 40);

// What every row of one panel shares.
struct Rows {
    Gui& gui;
    float width;   // for rows, the region less both insets
    bool locked;   // a row is being edited: none reacts
};

// A row's item at the cursor; true when it was tapped without the finger
// moving over 2 px.
bool rowItem(const Rows& rows, const char* id, float height, ImRect& bb) {
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    const ImVec2 at = window->DC.CursorPos;
    bb = ImRect(at, at + ImVec2(rows.width, height));
    const ImGuiID itemId = window->GetID(id);
    ImGui::ItemSize(bb);
    if (!ImGui::ItemAdd(bb, itemId)) return false;
    bool hovered = false, held = false;
    const bool pressed = ImGui::ButtonBehavior(bb, itemId, &hovered, &held);
    const bool still = ImGui::GetIO().MouseDragMaxDistanceSqr[0] <= kTapSlop * kTapSlop;
    return pressed && still && !rows.locked;
}

float textWidth(ImFont* font, const std::string& text) {
    return font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, text.c_str()).x;
}

void captionRow(const Rows& rows, const char* text) {
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    const ImVec2 at = window->DC.CursorPos;
    ImFont* font = uiFont(fontslot::kRegular20);
    const ImVec2 textAt(at.x, at.y + kCaptionHeight - font->FontSize - 6);
    window->DrawList->AddText(font, font->FontSize, textAt, kCaptionColour, text);
    UiProbe::reportText(text, textAt, textAt + ImVec2(textWidth(font, text), font->FontSize));
    ImGui::ItemSize(ImVec2(rows.width, kCaptionHeight));
}

// One radio row; `detail` (may be empty) stands at its right.
bool choiceRow(const Rows& rows, const char* label, bool selected, int row, const std::string& detail) {
    ImGui::PushID(row);
    ImRect bb;
    const bool tapped = rowItem(rows, "#choice", kRowHeight, bb);
    ImGui::PopID();
    ImDrawList* list = ImGui::GetWindowDrawList();
    const ImVec2 centre(bb.Min.x + kRadius + 2, bb.GetCenter().y);
    list->AddCircle(centre, kRadius, selected ? kBlue : kSelectedFill, 24, 2);
    if (selected) list->AddCircleFilled(centre, kRadius - 4, kBlue, 24);
    ImFont* font = ImGui::GetFont();
    const float y = bb.GetCenter().y - font->FontSize / 2;
    const ImU32 colour = rows.locked ? kLockedText : kText;
    list->AddText(font, font->FontSize, ImVec2(centre.x + kRadius + kTextGap, y), colour, label);
    if (!detail.empty()) {
        ImVec2 size;
        drawLabel(size, nullptr, 0, 0, uiFont(fontslot::kRegular14), detail.c_str());
        drawLabel(size, list, bb.Max.x - size.x, y, uiFont(fontslot::kRegular14), detail.c_str());
    }
    list->AddLine(ImVec2(bb.Min.x, bb.Max.y - 0.5f), ImVec2(bb.Max.x, bb.Max.y - 0.5f), kSeparator);
    UiProbe::report(ImGui::GetItemID(), label, bb.Min, bb.Max, selected ? "selected" : "");
    return tapped;
}

// One value row: the label at the left, the value and its unit at the right,
// or the keyboard's text with a caret while it is edited.
bool valueRow(const Rows& rows, const char* label, const std::string& value, const char* unit, bool editing,
              ImRect& bb) {
    const bool tapped = rowItem(rows, label, kRowHeight, bb);
    ImDrawList* list = ImGui::GetWindowDrawList();
    ImFont* font = ImGui::GetFont();
    ImFont* marked = uiFont(fontslot::kRegular14);
    const float y = bb.GetCenter().y - font->FontSize / 2;
    const std::string shown(visibleLabel(label));
    ImVec2 size;
    drawLabel(size, list, bb.Min.x, y, marked, shown.c_str());

    const std::string text = editing ? rows.gui._keyboardText : value;
    const std::string full = Editing::valueWithUnit(text, unit);
    drawLabel(size, nullptr, 0, 0, marked, full.c_str());
    const float right = bb.Max.x - (editing ? 4.0f : 0.0f);
    drawLabel(size, list, right - size.x, y, marked, full.c_str());
    if (editing) {
        list->AddRectFilled(ImVec2(bb.Min.x, bb.Max.y - kUnderline), bb.Max, kBlue);
        if (rows.gui.blink()) {
            // The caret after the typed text, before the unit.
            const std::string unitPart = Editing::valueWithUnit(std::string(), unit);
            ImVec2 unitSize{0, 0};
            if (!unitPart.empty()) drawLabel(unitSize, nullptr, 0, 0, marked, unitPart.c_str());
            const float caret = right - unitSize.x + 1;
            list->AddLine(ImVec2(caret, y), ImVec2(caret, y + font->FontSize), kText);
        }
    } else {
        list->AddLine(ImVec2(bb.Min.x, bb.Max.y - 0.5f), ImVec2(bb.Max.x, bb.Max.y - 0.5f), kSeparator);
    }
    UiProbe::report(ImGui::GetItemID(), shown.c_str(), bb.Min, bb.Max, text.c_str());
    return tapped;
}

// The region white within its clip rectangle.  The strips at its sides that
// ImGui keeps outside that (half the padding) show the colour of the window
// the panel stands in, which paints nothing itself: they go into that
// window's list, under what it draws after the region.
void fillBackground() {
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    const ImVec2 min = window->Pos, max = window->Pos + window->Size;
    const ImRect clip = window->InnerClipRect;
    window->DrawList->AddRectFilled(min, max, kBackground);
    ImDrawList* host = window->ParentWindow ? window->ParentWindow->DrawList : window->DrawList;
    const ImU32 sides = ImGui::GetColorU32(ImGuiCol_WindowBg);
    host->AddRectFilled(min, ImVec2(clip.Min.x, max.y), sides);
    host->AddRectFilled(ImVec2(clip.Max.x, min.y), max, sides);
}

// A shade along the visible region's lower edge, where rows go on below.
void fillLowerEdge(ImVec2 min, ImVec2 max) {
    ImDrawList* list = ImGui::GetWindowDrawList();
    list->AddRectFilledMultiColor(ImVec2(min.x, max.y - kEdgeHeight), max, 0, 0, kEdgeShade, kEdgeShade);
}

// Scrolls the region so that the edited row ends 60 px above the keyboard
// that opens for it.
void keepAboveKeyboard(const Gui& gui, const ImRect& row, float* fieldBottom) {
    *fieldBottom = row.Max.y;
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    const float visibleBottom = std::min(window->InnerRect.Max.y, gui._screenHeight - kBars - kKeys);
    const float limit = visibleBottom - kEntryRoom;
    if (row.Max.y > limit) ImGui::SetScrollY(window, window->Scroll.y + row.Max.y - limit);
}

void startEntry(const Gui& gui, TextId tag, const ImRect& row, int* entryTarget, float* fieldBottom) {
    *entryTarget = static_cast<int>(tag);
    keepAboveKeyboard(gui, row, fieldBottom);
}

std::string densityText(double density) {
    return Editing::valueWithUnit(ks::format("{}", density), textOrEmpty(textid::kUnitDensity));
}

void materialRows(const Rows& rows, Rotor& rotor, const Config& config, int plane, int* entryTarget,
                  float* fieldBottom) {
    captionRow(rows, textOrEmpty(settingtags::Material::kType));
    const double density = rotor.materialDensity(plane + 1);
    const Material* current = Editing::materialOf(config, density);
    const std::vector<Material>& materials = config.materials;
    drawVisibleRows(materials.size(), kRowHeight, [&](std::size_t i) {
        const Material& m = materials[i];
        if (choiceRow(rows, m.name.c_str(), &m == current, static_cast<int>(i), densityText(m.density)) &&
            &m != current)
            rotor.setMaterialDensity(plane + 1, m.density);
        return true;
    });
    const bool other =
        choiceRow(rows, textOrEmpty(kTextOther), current == nullptr, static_cast<int>(materials.size()),
                  current ? std::string() : densityText(density));
    if (other) startEntry(rows.gui, kDensity, ImRect(ImGui::GetItemRectMin(), ImGui::GetItemRectMax()), entryTarget,
                          fieldBottom);
}

}  // namespace

void correctionPlanePanel(int plane, int* entryTarget, float* fieldBottom) {
    Gui* gui = currentGui();
    if (!gui || !gui->_rotor || !gui->_config || !entryTarget || !fieldBottom) return;
    Rotor& rotor = *gui->_rotor;

    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(kInset, kInset));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0, 0));
    ImGui::BeginChild("plane", ImVec2(0, 0), false,
                      ImGuiWindowFlags_AlwaysUseWindowPadding | ImGuiWindowFlags_NoScrollbar |
                          ImGuiWindowFlags_NoScrollWithMouse | ImGuiWindowFlags_NoBackground);
    fillBackground();
    scrollByDrag(kTapSlop);
    ImGui::PushFont(uiFont(fontslot::kRegular24));
    const Rows rows{*gui, ImGui::GetWindowWidth() - 2 * kInset, *entryTarget >= 0};

    std::vector<u32> tags;
    rotor.visibleParameters(&tags, plane + 1, 0);
    bool settingsShown = false;
    for (const u32 tag : tags) {
        const Editing::FieldValue f = Editing::readField(rotor, {kPlanes, static_cast<u32>(plane), tag});
        if (f.choice()) {
            captionRow(rows, textOrEmpty(tag));
            ImGui::PushID(static_cast<int>(tag));
            std::vector<u32> choices;
            rotor.visibleParameters(&choices, plane + 1, tag);
            int row = 0;
            for (const u32 choice : choices) {
                const bool selected = choice == static_cast<u32>(f.result);
                if (choiceRow(rows, textOrEmpty(choice), selected, row++, std::string()) && !selected) {
                    const u32 path[] = {kPlanes, static_cast<u32>(plane), tag, choice};
                    rotor.setParameter(path, 4, nullptr);
                }
            }
            ImGui::PopID();
            continue;
        }
        if (!settingsShown) {
            captionRow(rows, textOrEmpty(textid::kTextSettings));
            settingsShown = true;
        }
        if (tag == kDensity && *entryTarget != static_cast<int>(kDensity)) {
            ImGui::PushID(static_cast<int>(tag));
            materialRows(rows, rotor, *gui->_config, plane, entryTarget, fieldBottom);
            ImGui::PopID();
            continue;
        }
        const char* label = textOf(tag);
        const std::string id = std::string(label ? label : "???") + "##" + std::to_string(tag);
        ImRect bb;
        const bool editing = *entryTarget == static_cast<int>(tag);
        if (valueRow(rows, id.c_str(), f.text, unitTextOf(tag), editing, bb))
            startEntry(*gui, tag, bb, entryTarget, fieldBottom);
        // The row can move (the density's row takes the materials' place).
        if (editing) keepAboveKeyboard(*gui, bb, fieldBottom);
    }
    // Room to scroll the last rows above the keyboard while one is edited.
    ImGui::Dummy(ImVec2(rows.width, rows.locked ? kBars + kKeys : kInset));
    ImGui::PopFont();
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    const ImRect visible = window->InnerRect;
    ImGui::EndChild();
    ImGui::PopStyleVar(2);
    fillLowerEdge(visible.Min, visible.Max);
}
