#include "gui/widgets.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <string_view>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/gui.h"
#include "gui/texture.h"
#include "gui/ui_probe.h"
#include "gui/utf8.h"
#include "records/settings_records.h"
#include "texts/format.h"
#include "texts/texts.h"

namespace {

constexpr int kCaptionFont = fontslot::kRegular17;
constexpr int kSmallFont = fontslot::kRegular14;  // marked runs of units, index digits
constexpr int kToolbarLabelFont = fontslot::kRegular20;
constexpr const char* kLockedText = "locked";  // the probe's text of a locked toolbar button

constexpr TextId kTextStop = 0x195DC0C;  // "Stop"

// Colours (0xAABBGGRR).
constexpr ImU32 kBlack = 0xFF000000;
constexpr ImU32 kWhite = 0xFFFFFFFF;
constexpr ImU32 kDarkGrey = 0xFF333333;
constexpr ImU32 kRed = 0xFF0000FF;
constexpr ImU32 kBlue = 0xFFCD933C;
constexpr ImU32 kGreen = 0xFF7AD645;
const ImU32 kPressed = IM_COL32(134, 134, 149, 255);  // grey-blue (0.525, 0.525, 0.584)
const ImU32 kDisabledText = IM_COL32(170, 170, 170, 255);  // grey 0.667
const ImU32 kFieldGrey = IM_COL32(238, 238, 238, 255);     // light grey 0.933
const ImU32 kDisabledField = IM_COL32(221, 221, 221, 255);  // grey 0.867
const ImU32 kUnitGrey = IM_COL32(51, 51, 51, 255);          // dark grey 0.2
const ImU32 kSelectorDisabled = IM_COL32(204, 204, 204, 255);  // light grey 0.8
constexpr ImU32 kSelectorEdge = 0xFFDDDDDD;
constexpr ImU32 kToolbarGrey = 0xFF888888;
constexpr ImU32 kPlaneInner = 0xFFD5D5D5;
constexpr ImU32 kPlaneOuter = 0xFFE6E6E6;
constexpr ImU32 kPlaneHeld = 0x30000000;
constexpr ImU32 kEntryOuter = 0xFFBCBCBC;
constexpr ImU32 kEntryInner = 0xFFE9E9E9;
constexpr ImU32 kTrackOff = 0x00E6E6E6;  // alpha follows the slide
constexpr ImU32 kKnobEdge = 0xFFBBBBBB;
constexpr ImU32 kKnobLocked = 0xFFD8D8D8;
const ImU32 kStartRunning = IM_COL32(205, 87, 64, 255);  // red-brown (0.804, 0.341, 0.251)
const ImU32 kStartHeld = IM_COL32(230, 230, 128, 255);   // pale yellow (0.902, 0.902, 0.502)
constexpr ImU32 kStartLocked = 0x80C4C4C4;

// Layout (pixels).
constexpr float kCaptionDx = 2;
constexpr float kCaptionDy = -26;
constexpr float kTabTextInset = 12;
constexpr float kTabIconInset = 20;
constexpr float kTabFrame = 2;
constexpr float kSelectorTop = 80;
constexpr float kSelectorMaxItem = 60;
constexpr float kToolbarHeight = 50;
constexpr float kToolbarTop = 15;
constexpr float kToolbarTopLower = 20;
constexpr float kToolbarPadding = 40;
constexpr float kToolbarContentInset = 10;
constexpr float kToolbarCursorShift = 90;
constexpr float kToolbarIconGap = 20;
constexpr float kToolbarIconOnlyMax = 50;
constexpr std::size_t kFilterShown = 6;
constexpr const char* kEllipsis = "...";
constexpr float kEntryTextInset = 8;
constexpr float kEntryPrefixWidth = 23;
constexpr float kEntryUnitInset = 10;
constexpr float kEntryUnitGap = 5;
constexpr float kEntryDigitDrop = 5;
constexpr float kUnderline = 2;
constexpr float kCheckTail = 87.5f;  // gap, switch and the space after it
constexpr float kCheckWideNarrow = 365;
constexpr float kCheckWideWide = 620;
constexpr float kCheckWideWindow = 1100;
constexpr float kCheckHeight = 50;
constexpr float kTrackWidth = 60;
constexpr float kTrackHeight = 32;
constexpr float kTrackRightGap = 10;
constexpr float kCheckHitMargin = 8;
constexpr float kLongPressSeconds = 0.6f;
constexpr float kSlideSteps = 10;  // magnitude of a switch that just turned
constexpr float kDraggedMinimum = 2;
constexpr float kStartWidth = kStartButtonWidth;
constexpr float kStartHeight = 50;
constexpr float kStartTop = 15;
constexpr float kStartTravel = 73;
constexpr float kStartStarted = 74;
constexpr float kStartRunningEnd = 77;
constexpr float kStartStopped = -72;
constexpr float kStartReturnStep = 5;
constexpr float kStartInset = 2;

ImGuiWindow* window() { return ImGui::GetCurrentWindow(); }

float roundUp(float width) { return static_cast<float>(static_cast<int>(width + 0.99999f)); }

ImVec2 textSize(ImFont* font, float size, std::string_view text) {
    return font->CalcTextSizeA(size, FLT_MAX, 0, text.data(), text.data() + text.size());
}

void addText(ImDrawList* list, ImFont* font, float size, ImVec2 at, ImU32 colour, std::string_view text) {
    list->AddText(font, size, at, colour, text.data(), text.data() + text.size());
}

// Text centred in a rectangle.
void addCentredText(ImDrawList* list, ImFont* font, float size, const ImRect& r, ImU32 colour,
                    std::string_view text) {
    const ImVec2 s = textSize(font, size, text);
    addText(list, font, size, ImVec2(r.Min.x + (r.GetWidth() - s.x) / 2, r.Min.y + (r.GetHeight() - s.y) / 2),
            colour, text);
}

void addImage(ImDrawList* list, const Texture& texture, std::size_t variant, ImVec2 min, ImVec2 max) {
    if (void* id = texture.id(variant)) list->AddImage(id, min, max);
}

// The texture's first image centred in a rectangle at its natural size.
void addCentredImage(ImDrawList* list, const Texture* texture, const ImRect& r) {
    if (!texture) return;
    const ImVec2 size(static_cast<float>(texture->width), static_cast<float>(texture->height));
    const ImVec2 at = r.GetCenter() - size * 0.5f;
    addImage(list, *texture, 0, at, at + size);
}

// Places an item of `size` at the window-local position and registers it.
ImRect placeItem(float x, float y, ImVec2 size, ImGuiID id) {
    ImGui::SetCursorPos(ImVec2(x, y));
    const ImVec2 at = window()->DC.CursorPos;
    const ImRect bb(at, at + size);
    ImGui::ItemSize(bb);
    ImGui::ItemAdd(bb, id);
    return bb;
}

void reportItem(ImGuiID id, std::string_view label, const ImRect& bb, const std::string& text = std::string()) {
    UiProbe::report(id, std::string(label).c_str(), bb.Min, bb.Max, text.c_str());
}

std::string_view upTo(std::string_view text, std::string_view marker) {
    return text.substr(0, std::min(text.find(marker), text.size()));
}

float windowMargin() {
    const Gui* gui = currentGui();
    return gui ? gui->_margin : 0.0f;
}

}  // namespace

// ---- the Gui's resources ------------------------------------------------------

Gui* currentGui() {
    return ImGui::GetCurrentContext() ? static_cast<Gui*>(ImGui::GetIO().UserData) : nullptr;
}

const Texture* uiTexture(int slot) {
    const Gui* gui = currentGui();
    if (!gui || slot < 0 || static_cast<std::size_t>(slot) >= gui->_textures.size()) return nullptr;
    const Texture& texture = gui->_textures[slot];
    return texture.empty() ? nullptr : &texture;
}

bool fitText(std::string& text, ImFont* font, float size, float width) {
    bool cut = false;
    while (!text.empty() && textSize(font, size, text).x > width) {
        utf8Backspace(text);
        cut = true;
    }
    return cut;
}

// ---- texts and images ---------------------------------------------------------

void drawLabel(ImVec2& size, ImDrawList* drawList, float x, float y, ImFont* markedFont, const char* text) {
    ImFont* font = ImGui::GetFont();
    const float fontSize = ImGui::GetFontSize();
    const float markedSize = markedFont ? markedFont->FontSize : fontSize;
    if (!markedFont) markedFont = font;
    const ImU32 colour = ImGui::GetColorU32(ImGuiCol_Text);

    std::string_view rest = upTo(text ? text : "", "##");
    bool marked = false;
    float dy = 0;
    size = ImVec2(0, 0);
    while (true) {
        // '~' counts only when the rest holds no '^' at all.
        std::size_t cut = rest.find('^');
        if (cut == std::string_view::npos) cut = rest.find('~');
        const std::string_view run = rest.substr(0, cut);
        ImFont* runFont = marked ? markedFont : font;
        const float runSize = marked ? markedSize : fontSize;
        const float width = roundUp(textSize(runFont, runSize, run).x);
        if (drawList && !run.empty()) {
            const ImVec2 at(x + size.x, y + dy);
            addText(drawList, runFont, runSize, at, colour, run);
            UiProbe::reportText(std::string(run).c_str(), at, at + ImVec2(width, runSize));
        }
        size.x += width;
        if (!run.empty() || !marked) size.y = std::max(size.y, runSize);
        if (cut == std::string_view::npos) break;
        marked = !marked;
        if (!marked)
            dy = 0;
        else if (rest[cut] == '^')
            dy = -(fontSize - markedSize) / 2;
        else
            dy = fontSize - markedSize;
        rest.remove_prefix(cut + 1);
    }
}

void drawFontText(ImDrawList* drawList, const char* begin, float x, float y, const char* end) {
    if (!drawList || !begin) return;
    if (!end) end = begin + std::strlen(begin);
    ImFont* font = uiFont(kCaptionFont);
    const ImVec2 at(x + kCaptionDx, y + kCaptionDy);
    drawList->AddText(font, font->FontSize, at, kDarkGrey, begin, end);
    UiProbe::reportText(std::string(begin, end).c_str(), at,
                        at + font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, begin, end));
}

void drawImage(ImDrawList* drawList, const Texture& texture, float x, float y) {
    if (!drawList) return;
    const ImVec2 at(x, y);
    addImage(drawList, texture, 0, at, at + ImVec2(static_cast<float>(texture.width), static_cast<float>(texture.height)));
}

// ---- buttons and fields ---------------------------------------------------------

void tabButton(const Texture* icon, const char* text, int flags, float x, float y, float width, float height) {
    ImGuiWindow* w = window();
    if (w->SkipItems) return;
    ImGui::PushID(static_cast<int>(x * 10000 + y));
    const ImGuiID id = w->GetID("#tab");
    ImGui::PopID();
    const ImRect bb = placeItem(x, y, ImVec2(width, height), id);
    ImDrawList* list = w->DrawList;
    list->AddRectFilled(bb.Min, bb.Max, kFieldGrey);
    list->AddRect(bb.Min + ImVec2(1, 1), bb.Max - ImVec2(1, 1), kBlue, 0, 0, kTabFrame);

    const bool placeholder = (flags & kTabPlaceholder) != 0;
    ImFont* font = ImGui::GetFont();
    const float size = ImGui::GetFontSize();
    const std::string_view shown = text ? text : "";
    const float textX = bb.Min.x + kTabTextInset;
    const float textY = bb.Min.y + (height - size) / 2;
    const float iconRoom = icon ? icon->width + kTabIconInset : 0;
    list->PushClipRect(bb.Min, ImVec2(bb.Max.x - iconRoom, bb.Max.y), true);
    addText(list, font, size, ImVec2(textX, textY), placeholder ? kDarkGrey : kBlack, shown);
    const Gui* gui = currentGui();
    if (gui && gui->blink()) {
        const float caretX = placeholder ? textX : textX + textSize(font, size, shown).x;
        list->AddLine(ImVec2(caretX, textY), ImVec2(caretX, textY + size), kBlack);
    }
    list->PopClipRect();
    if (icon) {
        const ImVec2 at(bb.Max.x - kTabIconInset - icon->width, bb.Min.y + (height - icon->height) / 2);
        addImage(list, *icon, 0, at, at + ImVec2(static_cast<float>(icon->width), static_cast<float>(icon->height)));
    }
    reportItem(id, "", bb, std::string(shown));
}

bool optionButton(const char* label, float x, float y, float width, float height, const char* caption,
                  bool disabled, bool marked) {
    ImGuiWindow* w = window();
    if (w->SkipItems) return false;
    const ImGuiID id = w->GetID(label);
    const ImRect bb = placeItem(x, y, ImVec2(width == 0 ? height : width, height), id);
    bool hovered = false, held = false, pressed = false;
    if (!disabled) pressed = ImGui::ButtonBehavior(bb, id, &hovered, &held);
    const bool heldLook = held && width != 0;

    ImDrawList* list = w->DrawList;
    list->AddRectFilled(bb.Min, bb.Max, heldLook ? kPressed : kWhite);
    ImU32 colour = heldLook ? kWhite : kBlack;
    if (disabled) colour = kDisabledText;
    if (marked) colour = IM_COL32(255, 0, 0, 255);
    const std::string_view shown = upTo(label, "#");
    addCentredText(list, ImGui::GetFont(), ImGui::GetFontSize(), bb, colour, shown);
    if (caption) drawFontText(list, caption, bb.Min.x, bb.Min.y);
    reportItem(id, shown, bb, marked ? "marked" : (disabled ? "disabled" : ""));
    return pressed && !disabled;
}

void SideSelector(SideSelectorState& state, float margin, float bottom, int flags) {
    ImGuiWindow* w = window();
    if (w->SkipItems || state.items.empty()) return;
    ImFont* font = ImGui::GetFont();
    const float size = ImGui::GetFontSize();
    float widest = 0;
    for (const SideSelectorItem& item : state.items)
        widest = std::max(widest, roundUp(textSize(font, size, visibleLabel(item.label)).x));
    state.width = widest + margin;
    const float count = static_cast<float>(state.items.size());
    const float itemHeight = std::min((bottom - kSelectorTop) / count, kSelectorMaxItem);

    const ImGuiID id = w->GetID("SideSelector");
    const ImRect bb = placeItem(0, kSelectorTop, ImVec2(state.width, itemHeight * count), id);
    bool hovered = false, held = false;
    if (ImGui::ButtonBehavior(bb, id, &hovered, &held)) {
        const int index = static_cast<int>((ImGui::GetIO().MousePos.y - bb.Min.y) / itemHeight);
        if (index >= 0 && index < static_cast<int>(state.items.size()) && !state.items[index].disabled)
            state.selected = index;
    }

    ImDrawList* list = w->DrawList;
    auto itemRect = [&](std::size_t i) {
        return ImRect(ImVec2(bb.Min.x, bb.Min.y + itemHeight * i),
                      ImVec2(bb.Max.x, bb.Min.y + itemHeight * (i + 1)));
    };
    // Each pixel once: the column's white around the selected item, which is painted alone.
    const bool anySelected = state.selected >= 0 && state.selected < static_cast<int>(state.items.size());
    const ImRect chosen =
        anySelected ? itemRect(static_cast<std::size_t>(state.selected)) : ImRect(bb.Min, bb.Min);
    if (flags & kSelectorPaintColumn) {
        list->AddRectFilled(bb.Min, ImVec2(bb.Max.x, chosen.Min.y), kWhite);
        list->AddRectFilled(ImVec2(bb.Min.x, chosen.Max.y), ImVec2(bb.Max.x, w->Pos.y + bottom), kWhite);
    }
    if (anySelected) list->AddRectFilled(chosen.Min, chosen.Max, kPressed);
    for (std::size_t i = 0; i < state.items.size(); ++i) {
        const SideSelectorItem& item = state.items[i];
        const bool selected = static_cast<int>(i) == state.selected;
        const ImRect r = itemRect(i);
        const ImU32 colour = selected ? kWhite : (item.disabled ? kSelectorDisabled : kBlack);
        const std::string_view shown = visibleLabel(item.label);
        addText(list, font, size, ImVec2(r.Min.x + margin / 2, r.Min.y + (itemHeight - size) / 2), colour, shown);
        reportItem(id, shown, r, selected ? "selected" : (item.disabled ? "disabled" : ""));
    }
    const float edge = bb.Max.x - 0.5f;
    if (flags & kSelectorBesideList) list->PushClipRect(w->Pos, ImVec2(bb.Max.x, w->Pos.y + w->Size.y), true);
    list->AddLine(ImVec2(edge, bb.Min.y), ImVec2(edge, w->Pos.y + bottom), kSelectorEdge);
    if (flags & kSelectorBesideList) list->PopClipRect();
}

namespace {

// The filter button's text: the name filter cut to six characters.
std::string filterText() {
    const Gui* gui = currentGui();
    if (!gui || !gui->_config) return std::string();
    const std::string& filter = gui->_config->local.text2;
    std::string shown(utf8Head(filter, kFilterShown));
    if (shown.size() < filter.size()) shown += kEllipsis;
    return shown;
}

ImVec2 toolbarPosition(int flags, float width) {
    const float top = (flags & kToolbarLower) ? kToolbarTopLower : kToolbarTop;
    const ImVec2 cursor = ImGui::GetCursorPos();
    if (flags & kToolbarFromRight) return ImVec2(ImGui::GetWindowWidth() - windowMargin() - width, top);
    if (flags & kToolbarContentRight)
        return ImVec2(ImGui::GetWindowContentRegionMax().x - kToolbarContentInset - width, top);
    switch (flags & kToolbarPlaceMask) {
        case kToolbarAtCursor: return cursor;
        case kToolbarLeftOfCursor: return ImVec2(cursor.x - kToolbarCursorShift, top);
        default: return ImVec2(cursor.x, top);
    }
}

// What a toolbar button shows and how wide it is.
struct ToolbarLook {
    ImFont* font;
    float size;
    std::string text;
    const Texture* icon;
    float textWidth;
    float iconWidth;
    float width;
};

ToolbarLook toolbarLook(const char* label, int flags) {
    const bool smallFont = (flags & kToolbarPlaceMask) == kToolbarSmallFont;
    ToolbarLook look{};
    look.font = smallFont ? uiFont(kToolbarLabelFont) : ImGui::GetFont();
    look.size = smallFont ? look.font->FontSize : ImGui::GetFontSize();
    const bool filter = (flags & kToolbarFilter) != 0;
    look.text = filter ? filterText() : std::string(visibleLabel(label));
    look.icon = filter ? uiTexture(textureslot::kFilter) : nullptr;
    look.textWidth = look.text.empty() ? 0 : textSize(look.font, look.size, look.text).x;
    look.iconWidth = look.icon ? static_cast<float>(look.icon->width) : 0;
    look.width = look.textWidth + (look.icon && !look.text.empty() ? kToolbarIconGap : 0) + look.iconWidth +
                 kToolbarPadding;
    if (filter && look.text.empty()) look.width = std::min(look.width, kToolbarIconOnlyMax);
    return look;
}

}  // namespace

float toolbarButtonWidth(const char* label, int flags) { return toolbarLook(label, flags).width; }

ToolbarFit fitToolbar(float room, float titleWidth, const std::vector<std::string>& labels, float gap) {
    const auto buttons = [&](int flags) {
        float width = 0;
        for (const std::string& label : labels) width += toolbarButtonWidth(label.c_str(), flags) + gap;
        return labels.empty() ? 0 : width - gap;
    };
    if (titleWidth + buttons(0) <= room) return ToolbarFit{true, 0};
    return ToolbarFit{titleWidth + buttons(kToolbarSmallFont) <= room, kToolbarSmallFont};
}

bool toolbarButton(const char* label, int flags) {
    ImGuiWindow* w = window();
    if (w->SkipItems) return false;
    const ToolbarLook look = toolbarLook(label, flags);

    const ImGuiID id = w->GetID(label);
    const ImVec2 at = toolbarPosition(flags, look.width);
    const ImRect bb = placeItem(at.x, at.y, ImVec2(look.width, kToolbarHeight), id);
    bool hovered = false, held = false, pressed = false;
    const Gui* gui = currentGui();
    // While the "System settings changed" banner covers the bar nothing here reacts.
    if (!(gui && gui->_settingsChanged)) pressed = ImGui::ButtonBehavior(bb, id, &hovered, &held);

    ImDrawList* list = w->DrawList;
    if (held) list->AddRectFilled(bb.Min, bb.Max, kPressed);  // else the bar's white
    const ImU32 colour = held ? kWhite : ((flags & kToolbarGreyLabel) ? kToolbarGrey : kBlack);
    const float contentWidth = look.width - kToolbarPadding;
    float x = bb.Min.x + (bb.GetWidth() - std::min(contentWidth, bb.GetWidth())) / 2;
    if (!look.text.empty()) {
        addText(list, look.font, look.size, ImVec2(x, bb.Min.y + (kToolbarHeight - look.size) / 2), colour, look.text);
        x += look.textWidth + kToolbarIconGap;
    }
    if (const Texture* icon = look.icon) {
        const ImVec2 iconAt(x, bb.Min.y + (kToolbarHeight - icon->height) / 2);
        addImage(list, *icon, 0, iconAt, iconAt + ImVec2(look.iconWidth, static_cast<float>(icon->height)));
    }
    reportItem(id, visibleLabel(label), bb, (flags & kToolbarGreyLabel) ? kLockedText : look.text);
    return pressed;
}

bool planeButton(const char* label, ImU32 fill, int flags, float x, float y, float width, float height) {
    ImGuiWindow* w = window();
    if (w->SkipItems) return false;
    const ImGuiID id = w->GetID(label);
    const ImRect bb = placeItem(x, y, ImVec2(width, height), id);
    bool hovered = false, held = false;
    const bool pressed = ImGui::ButtonBehavior(bb, id, &hovered, &held);

    ImDrawList* list = w->DrawList;
    list->AddRectFilled(bb.Min, bb.Max, fill);
    if (held) list->AddRectFilled(bb.Min, bb.Max, kPlaneHeld);
    list->AddRect(bb.Min + ImVec2(0.5f, 0.5f), bb.Max - ImVec2(0.5f, 0.5f), kPlaneOuter);
    list->AddRect(bb.Min + ImVec2(1.5f, 1.5f), bb.Max - ImVec2(1.5f, 1.5f), kPlaneInner);
    const std::string_view shown = visibleLabel(label);
    if (flags & kPlaneButtonImage) {
        int slot = textureslot::kBackArrow;
        if (!shown.empty() && shown[0] == '!') slot = textureslot::kWarning;
        if (!shown.empty() && shown[0] == '@') slot = textureslot::kCrosshair;
        addCentredImage(list, uiTexture(slot), bb);
    } else {
        addCentredText(list, ImGui::GetFont(), ImGui::GetFontSize(), bb, kWhite, shown);
    }
    reportItem(id, shown, bb);
    return pressed;
}

bool numericEntry(int displayState, const char* unit, const char* labelBegin, const char* labelEnd, int indexDigit,
                  float x, float y, float width, float height, double value) {
    ImGuiWindow* w = window();
    if (w->SkipItems) return false;
    ImGui::PushID(static_cast<int>(x * 10000 + y));
    const ImGuiID id = w->GetID("#entry");
    ImGui::PopID();
    const ImRect bb = placeItem(x, y, ImVec2(width, height), id);
    const bool disabled = displayState == kEntryDisabled;
    bool hovered = false, held = false, pressed = false;
    if (!disabled) pressed = ImGui::ButtonBehavior(bb, id, &hovered, &held);

    // While it is edited the field stays above the keyboard.
    ImDrawList* list = displayState == kEntryEditing ? ImGui::GetForegroundDrawList() : w->DrawList;
    list->AddRectFilled(bb.Min, bb.Max, disabled ? kDisabledField : kWhite);
    list->AddRect(bb.Min, bb.Max, kEntryOuter);
    list->AddRect(bb.Min + ImVec2(1, 1), bb.Max - ImVec2(1, 1), kEntryInner);

    ImFont* font = ImGui::GetFont();
    const float size = ImGui::GetFontSize();
    const float textY = bb.Min.y + (height - size) / 2;
    float textLeft = bb.Min.x + kEntryTextInset;

    const std::string_view label = labelBegin ? std::string_view(labelBegin, labelEnd ? labelEnd - labelBegin
                                                                                     : std::strlen(labelBegin))
                                              : std::string_view();
    if (utf8Length(label) == 1) {
        const ImRect square(bb.Min, bb.Min + ImVec2(height, height));
        list->AddRectFilled(square.Min + ImVec2(1, 1), square.Max - ImVec2(0, 1), kFieldGrey);
        ImVec2 at(square.Min.x + (height - textSize(font, size, label).x) / 2, textY);
        ImFont* small = uiFont(kSmallFont);
        if (indexDigit != 0) at.x -= small->FontSize / 4;
        addText(list, font, size, at, kBlack, label);
        if (indexDigit != 0) {
            const std::string digit = std::to_string(indexDigit);
            addText(list, small, small->FontSize,
                    ImVec2(at.x + textSize(font, size, label).x, textY + kEntryDigitDrop + size - small->FontSize),
                    kBlack, digit);
        }
        textLeft = square.Max.x + kEntryTextInset;
    } else if (!label.empty()) {
        drawFontText(list, label.data(), bb.Min.x, bb.Min.y, label.data() + label.size());
    }

    std::string_view unitText = unit ? unit : "";
    const std::size_t bar = unitText.find('|');
    if (bar != std::string_view::npos) {
        addText(list, font, size, ImVec2(textLeft, textY), kDarkGrey, unitText.substr(0, bar));
        textLeft += kEntryPrefixWidth;
        unitText.remove_prefix(bar + 1);
    }
    float valueRight = bb.Max.x - kEntryUnitInset;
    if (!unitText.empty()) {
        const std::string unitString(unitText);
        ImGui::PushStyleColor(ImGuiCol_Text, kUnitGrey);
        ImVec2 unitSize;
        drawLabel(unitSize, nullptr, 0, 0, uiFont(kSmallFont), unitString.c_str());
        drawLabel(unitSize, list, valueRight - unitSize.x, textY, uiFont(kSmallFont), unitString.c_str());
        ImGui::PopStyleColor();
        valueRight -= unitSize.x + kEntryUnitGap;
    }

    std::string text = displayState == kEntryEditing && currentGui() ? currentGui()->_keyboardText
                                                                      : ks::format("{}", value);
    if (fitText(text, font, size, valueRight - textLeft) && displayState == kEntryEditing && currentGui())
        currentGui()->_keyboardText = text;
    const float textWidth = textSize(font, size, text).x;
    addText(list, font, size, ImVec2(valueRight - textWidth, textY), kBlack, text);

    const Gui* gui = currentGui();
    if (displayState == kEntryEditing) {
        list->AddRectFilled(ImVec2(bb.Min.x, bb.Max.y - kUnderline), bb.Max, kBlue);
        if (gui && gui->blink()) list->AddLine(ImVec2(valueRight + 1, textY), ImVec2(valueRight + 1, textY + size), kBlack);
    } else if (displayState == kEntryInvalid) {
        list->AddRectFilled(ImVec2(valueRight - textWidth, bb.Max.y - kUnderline - 1), ImVec2(valueRight, bb.Max.y - 1),
                            kRed);
    }
    reportItem(id, label, bb, text);
    return pressed && !disabled;
}

namespace {

// Where a switch's knob stands from 0 (off end) to 1 (on end): a turned switch
// starts in the middle (magnitude 10) and slides to its end (magnitude 1).
float knobPlace(float state) {
    const float magnitude = std::clamp(std::fabs(state), 1.0f, kSlideSteps);
    const float fromEnd = (magnitude - 1) / (2 * (kSlideSteps - 1));
    return state > 0 ? 1 - fromEnd : fromEnd;
}

// The state of a knob dragged to `place` (0 off end, 1 on end).
float stateAt(float place) {
    const float magnitude = std::max(kSlideSteps - 2 * (kSlideSteps - 1) * std::fabs(place - 0.5f), kDraggedMinimum);
    return place >= 0.5f ? magnitude : -magnitude;
}

bool draggedPastThreshold() {
    const ImGuiIO& io = ImGui::GetIO();
    return io.MouseDragMaxDistanceSqr[0] >= io.MouseDragThreshold * io.MouseDragThreshold;
}

void drawSwitch(ImDrawList* list, const ImRect& track, float state, bool locked) {
    const float radius = track.GetHeight() / 2;
    const float place = knobPlace(state);
    ImU32 colour = kGreen;
    if (state <= 0) colour = kTrackOff | (static_cast<ImU32>(255 * (1 - place)) << IM_COL32_A_SHIFT);
    // A locked switch is paler: its green at half strength, its knob grey.
    if (locked && state > 0) colour = (colour & ~IM_COL32_A_MASK) | (0x80u << IM_COL32_A_SHIFT);
    list->AddRectFilled(track.Min, track.Max, colour, radius);
    const ImVec2 knob(track.Min.x + radius + place * (track.GetWidth() - 2 * radius), track.GetCenter().y);
    list->AddCircleFilled(knob, radius - 2, locked ? kKnobLocked : kWhite, 24);
    list->AddCircle(knob, radius - 2, kKnobEdge, 24);
}

}  // namespace

bool checkList(float& state, const char* label, int flags, ImGuiID* dragTarget, float width, float height) {
    ImGuiWindow* w = window();
    if (w->SkipItems) return false;
    ImFont* font = ImGui::GetFont();
    const float size = ImGui::GetFontSize();
    const std::string_view shown = visibleLabel(label);
    const float labelWidth = width > 0 ? width : roundUp(textSize(font, size, shown).x);
    float rowWidth = labelWidth + kCheckTail;
    float rowHeight = height > 0 ? height : kCheckHeight;
    if (flags & kCheckWide) {
        rowWidth = ImGui::GetWindowWidth() > kCheckWideWindow ? kCheckWideWide : kCheckWideNarrow;
        rowHeight = kCheckHeight;
    }
    ImVec2 at = w->DC.CursorPos;
    if (flags & kCheckRightAligned) at.x = w->Pos.x + ImGui::GetWindowContentRegionMax().x - rowWidth;
    const ImRect row(at, at + ImVec2(rowWidth, rowHeight));
    const ImVec2 trackMin(row.Max.x - kTrackRightGap - kTrackWidth, row.GetCenter().y - kTrackHeight / 2);
    const ImRect track(trackMin, trackMin + ImVec2(kTrackWidth, kTrackHeight));
    const ImRect checkBox(ImVec2(track.Min.x - kCheckHitMargin, row.Min.y), row.Max);
    const ImRect itemBox(row.Min, ImVec2(checkBox.Min.x, row.Max.y));

    ImGui::PushID(label);
    const ImGuiID itemId = w->GetID("#item");
    const ImGuiID checkId = w->GetID("#check");
    ImGui::PopID();
    ImGui::ItemSize(row);
    ImGui::ItemAdd(itemBox, itemId);
    bool hovered = false, held = false;
    bool tapped = ImGui::ButtonBehavior(itemBox, itemId, &hovered, &held);
    bool heldItem = held;

    const bool locked = (flags & kCheckLocked) != 0;
    ImGui::ItemAdd(checkBox, checkId);
    bool heldCheck = false;
    bool turned = false;
    if (!locked) {
        const bool switchTapped = ImGui::ButtonBehavior(checkBox, checkId, &hovered, &heldCheck);
        if (switchTapped && !draggedPastThreshold()) {
            state = state > 0 ? -kSlideSteps : kSlideSteps;
            turned = true;
        }
        if (heldCheck && draggedPastThreshold()) {
            const float travel = track.GetWidth() - track.GetHeight();
            const float place = (ImGui::GetIO().MousePos.x - track.Min.x - track.GetHeight() / 2) / travel;
            state = stateAt(std::clamp(place, 0.0f, 1.0f));
        }
        if (ImGui::BeginDragDropSource(ImGuiDragDropFlags_SourceNoPreviewTooltip)) {
            ImGui::SetDragDropPayload(kSwitchKnobPayload, &checkId, sizeof checkId);
            ImGui::EndDragDropSource();
        }
    }
    // A long press without moving hands the row over to the caller's target.
    if (dragTarget && (heldItem || heldCheck) && ImGui::GetIO().MouseDownDuration[0] > kLongPressSeconds &&
        !draggedPastThreshold()) {
        *dragTarget = itemId;
        ImGui::ClearActiveID();
        heldItem = heldCheck = false;
        tapped = false;
    }
    if (!heldCheck && !turned) {
        const float magnitude = std::fabs(state);
        if (magnitude > 1) state = (state > 0 ? 1.0f : -1.0f) * std::max(magnitude - 1, 1.0f);
    }

    ImDrawList* list = w->DrawList;
    addText(list, font, size, ImVec2(row.Min.x, row.GetCenter().y - size / 2), kBlack, shown);
    drawSwitch(list, track, state, locked);
    const std::string position = state > 0 ? "on" : "off";
    reportItem(itemId, shown, itemBox, position);
    reportItem(checkId, shown, checkBox, position);
    return tapped;
}

float startButtonLeft() { return ImGui::GetWindowWidth() - windowMargin() - kStartWidth; }

bool startButton(float& knob, const char* caption, bool locked) {
    ImGuiWindow* w = window();
    if (w->SkipItems) return false;
    const bool lockedAtStart = locked || knob < 0;
    const ImGuiID id = w->GetID("start_button");
    const ImRect bb = placeItem(startButtonLeft(), kStartTop, ImVec2(kStartWidth, kStartHeight), id);
    bool hovered = false, held = false;
    ImGui::ButtonBehavior(bb, id, &hovered, &held);

    bool reported = false;
    if (held && !lockedAtStart) {
        if (knob > kStartTravel) {
            knob = kStartStopped;
            reported = true;
        } else {
            knob = std::clamp(ImGui::GetMouseDragDelta(0, 0.0f).x, 0.0f, kStartTravel);
        }
    } else if (knob == kStartTravel) {
        knob = kStartStarted;
        reported = true;
    } else if (knob < kStartTravel) {
        knob = std::fabs(knob) <= kStartReturnStep ? 0 : knob - std::copysign(kStartReturnStep, knob);
    }
    const bool running = knob > kStartTravel;
    if (running && !reported) knob = std::min(knob + 1, kStartRunningEnd);

    ImU32 track = kGreen;
    if (running)
        track = kStartRunning;
    else if (held && !lockedAtStart)
        track = kStartHeld;
    else if (lockedAtStart)
        track = kStartLocked;
    ImDrawList* list = w->DrawList;
    const float rounding = 6;
    list->AddRectFilled(bb.Min, bb.Max, track, rounding);
    const float knobWidth = kStartWidth - 2 * kStartInset - kStartRunningEnd;
    const ImVec2 knobMin(bb.Min.x + kStartInset + std::min(std::fabs(knob), kStartRunningEnd), bb.Min.y + kStartInset);
    const ImRect knobBox(knobMin, knobMin + ImVec2(knobWidth, kStartHeight - 2 * kStartInset));
    list->AddRectFilled(knobBox.Min, knobBox.Max, kWhite, rounding - 2);
    const std::string text = running ? textOrEmpty(kTextStop) : std::string(visibleLabel(caption ? caption : ""));
    addCentredText(list, ImGui::GetFont(), ImGui::GetFontSize(), knobBox, kBlack, text);
    reportItem(id, visibleLabel(caption ? caption : ""), bb, text);
    return reported && !lockedAtStart;
}
