// The settings screen's generic rows: section headers, field rows, switches,
// number, text, choice, clock and page rows, and the value texts they show.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/screens/settings_screen.h"
#include "gui/texture.h"
#include "gui/ui_probe.h"
#include "gui/visible_rows.h"
#include "records/settings_records.h"
#include "texts/format.h"

namespace Settings {
namespace {

constexpr float kRowHeight = 50;
constexpr float kRowGap = 4;
constexpr float kTitledHeader = 65;
constexpr float kPlainHeader = 32.5f;
const ImVec2 kHeaderTitle(20, 40);
constexpr float kInset = 16;       // texts from the row's ends
constexpr float kIconBox = 40;     // each icon at the right end
constexpr float kTextGap = 16;     // between the label and the value
constexpr float kUnitGap = 6;      // between the value and its unit
constexpr float kUnderline = 2;
constexpr int kLabelFont = fontslot::kRegular24;
constexpr int kEmphasisFont = fontslot::kSizesPerFace * 2 + 5;  // Bold 24
constexpr int kMarkedFont = fontslot::kRegular14;
constexpr int kHeaderFont = fontslot::kRegular20;
constexpr const char* kEllipsis = "...";
constexpr TextId kTextClockwise = 0x195DC1D;      // "Å"
constexpr TextId kTextAnticlockwise = 0x195DC1C;  // "Æ"
constexpr TextId kTextErrorBit = 0xDDB052;        // "{}-bit"

// Pictures (texture slots: key - 0x179E404).
constexpr int kChevron = 0x179E40D - 0x179E404;
constexpr int kDeleteIcon = 0x179E417 - 0x179E404;
constexpr int kOpenPadlock = 0x179E40E - 0x179E404;
constexpr int kClosedPadlock = 0x179E40F - 0x179E404;
constexpr int kRadioOff = 0x179E41B - 0x179E404;
constexpr int kRadioOnPicture = 0x179E41C - 0x179E404;

constexpr ImU32 kWhite = 0xFFFFFFFF;
constexpr ImU32 kBlack = 0xFF000000;
constexpr ImU32 kValueGrey = 0xFF555555;
constexpr ImU32 kUnitGrey = 0xFF777777;
constexpr ImU32 kHeaderGrey = 0xFF777777;
constexpr ImU32 kBlue = 0xFFCD933C;
const ImU32 kPressed = IM_COL32(134, 134, 149, 255);  // grey-blue (0.525, 0.525, 0.584)

float textWidth(ImFont* font, const std::string& text) {
    return font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, text.c_str()).x;
}

// Width of a text with marked runs in the current font.
float labelWidth(const std::string& text) {
    ImVec2 size;
    drawLabel(size, nullptr, 0, 0, uiFont(kMarkedFont), text.c_str());
    return size.x;
}

// Cuts `text` to `width` with "..." at its end.
void cutToWidth(std::string& text, ImFont* font, float width) {
    if (textWidth(font, text) <= width) return;
    fitText(text, font, font->FontSize, std::max(0.0f, width - textWidth(font, kEllipsis)));
    text += kEllipsis;
}

void drawPicture(ImDrawList* list, int slot, ImVec2 centre) {
    const Texture* t = uiTexture(slot);
    if (!t) return;
    drawImage(list, *t, std::floor(centre.x - t->width / 2.0f), std::floor(centre.y - t->height / 2.0f));
}

bool samePath(const std::uint32_t* a, int depthA, const std::uint32_t* b, int depthB) {
    return depthA == depthB && std::equal(a, a + depthA, b);
}

bool keyboardOpen(const Data& d) { return d.gui._keyboardState != Gui::kHidden; }

}  // namespace

bool isEdited(const Data& d, int depth) {
    return d.edit.active() && samePath(d.edit.path, d.edit.depth, d.path, depth);
}

void sectionHeader(Data& d, const char* title) {
    (void)d;
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    const ImVec2 at = w->DC.CursorPos;
    if (title && *title) {
        if (ImGui::IsRectVisible(at, at + ImVec2(w->Size.x, kTitledHeader)))
            drawSlotText(kHeaderFont, title, at + kHeaderTitle, kHeaderGrey);
        ImGui::ItemSize(ImVec2(0, kTitledHeader));
    } else {
        ImGui::ItemSize(ImVec2(0, kPlainHeader));
    }
}

int fieldRow(Data& d, const char* label, const char* value, const Texture* picture, int flags, const char* unit,
             float width) {
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    if (w->SkipItems) return kNotPressed;
    const float rowWidth = width > 0 ? width : ImGui::GetContentRegionAvail().x;
    const ImVec2 at = w->DC.CursorPos;
    const ImRect row(at, at + ImVec2(rowWidth, kRowHeight));
    ImGui::ItemSize(ImVec2(rowWidth, kRowHeight + kRowGap));
    // Rows of one page may share a label ("Model"): the place makes the id.
    ImGui::PushID(static_cast<int>(at.y - w->Pos.y + w->Scroll.y));
    const ImGuiID id = w->GetID(label);
    ImGui::PopID();
    if (!ImGui::ItemAdd(row, id)) return kNotPressed;  // outside the visible part
    bool hovered = false, held = false;
    const bool pressed = ImGui::ButtonBehavior(row, id, &hovered, &held);

    // The icons at the right end, from the right.
    const bool editing = (flags & kEditing) != 0;
    float right = row.Max.x - kInset / 2;
    ImRect deleteBox, secondBox;
    std::vector<std::pair<int, ImVec2>> icons;
    const float midY = row.GetCenter().y;
    if (flags & kRadio) {
        icons.push_back({(flags & kRadioOn) ? kRadioOnPicture : kRadioOff, ImVec2(right - kIconBox / 2, midY)});
        right -= kIconBox;
    }
    if (flags & kOpensPage) {
        icons.push_back({kChevron, ImVec2(right - kIconBox / 2, midY)});
        right -= kIconBox;
    }
    if ((flags & kDelete) && !editing) {
        deleteBox = ImRect(ImVec2(right - kIconBox, row.Min.y), ImVec2(right, row.Max.y));
        icons.push_back({kDeleteIcon, deleteBox.GetCenter()});
        right -= kIconBox;
    }
    if (flags & (kSecondIconA | kSecondIconB)) {
        secondBox = ImRect(ImVec2(right - kIconBox, row.Min.y), ImVec2(right, row.Max.y));
        icons.push_back({(flags & kSecondIconB) ? kClosedPadlock : kOpenPadlock, secondBox.GetCenter()});
        right -= kIconBox;
    }
    if (icons.empty()) right = row.Max.x - kInset;

    ImDrawList* list = w->DrawList;
    list->AddRectFilled(row.Min, row.Max, held ? kPressed : kWhite);
    float left = row.Min.x + kInset;
    if (picture) {
        const ImVec2 size(static_cast<float>(picture->width), static_cast<float>(picture->height));
        const float column = std::max(d.pictureWidth, size.x + kInset);
        drawImage(list, *picture, std::floor(row.Min.x + (column - size.x) / 2), std::floor(midY - size.y / 2));
        left = row.Min.x + column;
    }
    for (const auto& icon : icons) drawPicture(list, icon.first, icon.second);

    // What the row shows: while the keyboard edits it, the keyboard's text
    // stands in the value (or, with kDelete, in the label).
    const bool typing = editing && keyboardOpen(d);
    std::string labelText(visibleLabel(label ? label : ""));
    std::string valueText = value ? value : "";
    if (typing) ((flags & kDelete) ? labelText : valueText) = d.gui._keyboardText;
    const std::string unitText = (unit && *unit) ? unit : "";

    ImFont* font = ImGui::GetFont();
    ImFont* valueFont = (flags & kEmphasis) ? uiFont(kEmphasisFont) : font;
    const float textTop = midY - font->FontSize / 2;
    const float unitWidth = unitText.empty() ? 0.0f : labelWidth(unitText) + kUnitGap;
    const float room = right - left;
    float valueWidth = textWidth(valueFont, valueText);
    float nameWidth = labelWidth(labelText);
    if (nameWidth + kTextGap + valueWidth + unitWidth > room) {
        // The label keeps at least 60 % of the room; the value gets the rest.
        const float labelRoom = std::max(room * 0.6f, room - kTextGap - valueWidth - unitWidth);
        if (nameWidth > labelRoom) {
            if (typing && (flags & kDelete)) {
                fitText(d.gui._keyboardText, font, font->FontSize, labelRoom);
                labelText = d.gui._keyboardText;
            } else {
                cutToWidth(labelText, font, labelRoom);
            }
            nameWidth = labelWidth(labelText);
        }
        const float valueRoom = room - nameWidth - kTextGap - unitWidth;
        if (valueWidth > valueRoom) {
            if (typing && !(flags & kDelete)) {
                fitText(d.gui._keyboardText, valueFont, valueFont->FontSize, valueRoom);
                valueText = d.gui._keyboardText;
            } else {
                cutToWidth(valueText, valueFont, valueRoom);
            }
            valueWidth = textWidth(valueFont, valueText);
        }
    }

    ImGui::PushStyleColor(ImGuiCol_Text, held ? kWhite : kBlack);
    ImVec2 size;
    drawLabel(size, list, left, textTop, uiFont(kMarkedFont), labelText.c_str());
    ImGui::PopStyleColor();
    const float unitLeft = right - unitWidth + kUnitGap;
    const float valueLeft = right - unitWidth - valueWidth;
    list->AddText(valueFont, valueFont->FontSize, ImVec2(valueLeft, textTop),
                  held ? kWhite : ((flags & kEmphasis) || typing ? kBlack : kValueGrey), valueText.c_str());
    if (!unitText.empty()) {
        ImGui::PushStyleColor(ImGuiCol_Text, held ? kWhite : kUnitGrey);
        drawLabel(size, list, unitLeft, textTop, uiFont(kMarkedFont), unitText.c_str());
        ImGui::PopStyleColor();
    }
    if (editing) {
        list->AddRectFilled(ImVec2(row.Min.x, row.Max.y - kUnderline), row.Max, kBlue);
        if (typing && d.gui.blink()) {
            const float caret = (flags & kDelete) ? left + nameWidth + 1 : valueLeft + valueWidth + 1;
            list->AddLine(ImVec2(caret, textTop), ImVec2(caret, textTop + font->FontSize), kBlack);
        }
    }
    UiProbe::report(id, labelText.c_str(), row.Min, row.Max, valueText.c_str());

    if (!pressed) return kNotPressed;
    d.pressedRowBottom = row.Max.y - w->Pos.y + w->Scroll.y;
    const ImVec2 touch = ImGui::GetIO().MousePos;
    if ((flags & kDelete) && !editing && deleteBox.Contains(touch)) return kDeleteZone;
    if ((flags & (kSecondIconA | kSecondIconB)) && secondBox.Contains(touch)) return kSecondIconZone;
    return touch.x < row.Min.x + row.GetWidth() * 0.6f ? kLeftZone : kRightZone;
}

void listRows(std::size_t count, const std::function<bool(std::size_t)>& row) {
    drawVisibleRows(count, kRowHeight + kRowGap, row);
}

bool boolRow(Data& d, TextId tag, int depth) {
    d.path[depth - 1] = tag;
    const bool on = d.config->accessField(d.path, depth, Tris::FieldReport(), nullptr) == Tris::kAccessFlagSet;
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    const float rowWidth = ImGui::GetContentRegionAvail().x;
    const ImVec2 at = w->DC.CursorPos;
    const ImRect row(at, at + ImVec2(rowWidth, kRowHeight));
    if (!ImGui::IsRectVisible(row.Min, row.Max)) {
        ImGui::ItemSize(ImVec2(rowWidth, kRowHeight + kRowGap));
        return false;
    }
    const bool moving = samePath(d.toggle.path, d.toggle.depth, d.path, depth);
    // A knob in motion keeps its place; otherwise the record tells the end.
    float state = moving && (d.toggle.knob > 0) == on ? d.toggle.knob : (on ? 1.0f : -1.0f);
    const float before = state;

    w->DrawList->AddRectFilled(row.Min, row.Max, kWhite);
    ImGui::SetCursorScreenPos(ImVec2(row.Min.x + kInset, row.Min.y));
    const std::string label = std::string(textOrEmpty(tag)) + "##" + std::to_string(tag);
    constexpr float kSwitchTail = 87.5f;  // the switch part of a switch row
    const float labelColumn = std::max(0.0f, rowWidth - 2 * kInset - kSwitchTail);
    // A tap on the label turns the switch as a tap on the switch does.
    if (checkList(state, label.c_str(), 0, nullptr, labelColumn, kRowHeight))
        state = state > 0 ? -10.0f : 10.0f;
    ImGui::SetCursorScreenPos(ImVec2(row.Min.x, row.Max.y + kRowGap));
    ImGui::ItemSize(ImVec2(0, 0));

    if (std::fabs(state) > 1) {
        d.toggle = Toggle{};
        std::copy(d.path, d.path + depth, d.toggle.path);
        d.toggle.depth = depth;
        d.toggle.knob = state;
    } else if (moving) {
        d.toggle = Toggle{};
    }
    if ((state > 0) == (before > 0)) return false;
    // The knob has crossed the middle: the new value is written now.
    d.path[depth] = state > 0 ? 1 : 0;
    d.config->accessField(d.path, depth + 1, Tris::FieldReport(), "");
    saveConfig(d);
    return true;
}

std::string formatField(unsigned kind, const char* text, double number, std::uint64_t integer) {
    switch (kind) {
        case Tris::kAccessText: return text ? text : "";
        case Tris::kAccessDouble: return ks::format("{}", number);
        case Tris::kAccessInteger: return ks::format("{}", static_cast<std::int64_t>(integer));
        case 4: return ks::format("{}", integer);
        default: return std::string();
    }
}

std::string fieldText(Data& d, int depth) {
    std::string out;
    d.config->accessField(d.path, depth,
                          [&out](unsigned kind, const char* text, double number, std::uint64_t integer) {
                              out = formatField(kind, text, number, integer);
                              return kind;
                          },
                          nullptr);
    return out;
}

const char* rowUnit(const std::uint32_t* path, int depth) {
    const char* unit = unitTextOf(path[depth - 1]);
    // A value of a record inherits the unit of the nearest field holding the
    // record (words up to 100 are list indices).
    for (int i = depth - 2; !unit && i >= 0; --i)
        if (path[i] > 100) unit = unitTextOf(path[i]);
    return unit;
}

void startEntry(Data& d, int depth, bool numeric, bool prefilled) {
    if (d.newElement) dropNewElement(d);  // the keyboard moves on: the new element was not named
    Edit e;
    e.tag = d.path[depth - 1];
    e.numeric = numeric;
    std::copy(d.path, d.path + depth, e.path);
    e.depth = depth;
    e.scroll = d.scrollY;
    e.rowBottom = d.pressedRowBottom;
    e.prefilled = prefilled;
    if (prefilled) d.gui._keyboardText = fieldText(d, depth);
    d.edit = e;
}

void numberRow(Data& d, TextId tag, int depth) {
    d.path[depth - 1] = tag;
    const std::string value = fieldText(d, depth);
    if (fieldRow(d, textOrEmpty(tag), value.c_str(), nullptr, isEdited(d, depth) ? kEditing : 0,
                 rowUnit(d.path, depth)) != kNotPressed)
        startEntry(d, depth, true, false);
}

void textRow(Data& d, TextId tag, int depth) {
    d.path[depth - 1] = tag;
    const std::string value = fieldText(d, depth);
    if (fieldRow(d, textOrEmpty(tag), value.c_str(), nullptr, isEdited(d, depth) ? kEditing : 0) != kNotPressed)
        startEntry(d, depth, false, true);
}

bool choiceRow(Data& d, TextId tag, int depth, TextId choice, const Texture* picture) {
    d.path[depth - 1] = tag;
    const unsigned current = d.config->accessField(d.path, depth, Tris::FieldReport(), nullptr);
    const int flags = kRadio | (current == choice ? kRadioOn : 0);
    if (fieldRow(d, textOrEmpty(choice), "", picture, flags) == kNotPressed || current == choice) return false;
    d.path[depth] = choice;
    d.config->accessField(d.path, depth + 1, Tris::FieldReport(), "");
    saveConfig(d);
    return true;
}

void clockRow(Data& d, TextId tag, const std::string& text) {
    d.path[0] = kClockMarker;
    d.path[1] = tag;
    if (fieldRow(d, textOrEmpty(tag), text.c_str(), nullptr, isEdited(d, 2) ? kEditing : 0) != kNotPressed)
        startEntry(d, 2, true, false);
}

bool radioRow(Data& d, const char* label, bool chosen) {
    return fieldRow(d, label, "", nullptr, kRadio | (chosen ? kRadioOn : 0)) != kNotPressed;
}

bool directionRow(Data& d, TextId tag, int depth) {
    d.path[depth - 1] = tag;
    const bool set = d.config->accessField(d.path, depth, Tris::FieldReport(), nullptr) == Tris::kAccessFlagSet;
    const char* glyph = textOrEmpty(set ? kTextAnticlockwise : kTextClockwise);
    if (fieldRow(d, textOrEmpty(tag), glyph, nullptr, kEmphasis) == kNotPressed) return false;
    d.path[depth] = set ? 0 : 1;
    d.config->accessField(d.path, depth + 1, Tris::FieldReport(), "");
    saveConfig(d);
    return true;
}

void errorMessageRows(Data& d, std::uint32_t startBit, std::uint32_t count, std::size_t listSize, int depth) {
    sectionHeader(d, nullptr);
    d.path[depth - 1] = settingtags::ExtError::kMessage;
    listRows(std::min<std::size_t>(count, listSize), [&](std::size_t i) {
        d.path[depth - 2] = static_cast<std::uint32_t>(i);
        const std::string label = ks::format(textOrEmpty(kTextErrorBit), std::uint64_t{startBit} + i);
        const std::string value = fieldText(d, depth);
        if (fieldRow(d, label.c_str(), value.c_str(), nullptr, isEdited(d, depth) ? kEditing : 0) != kNotPressed)
            startEntry(d, depth, false, true);
        return true;
    });
}

bool pageRow(Data& d, const char* label, const char* value, TextId page, const char* unit) {
    if (fieldRow(d, label, value, nullptr, kOpensPage, unit) == kNotPressed) return false;
    d.pages.push_back(Page{page, std::string(visibleLabel(label)), d.scrollY});
    d.pendingScroll = 0.0f;  // a new page starts at its top
    return true;
}

}  // namespace Settings
