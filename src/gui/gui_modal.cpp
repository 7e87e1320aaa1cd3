// The message box's content: the veil, its texts, the entry field, the
// buttons, and the answers by the box protocol.

#include <algorithm>
#include <cfloat>
#include <string_view>
#include <vector>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/gui.h"
#include "gui/ui_probe.h"
#include "gui/utf8.h"
#include "gui/widgets.h"

namespace {

constexpr float kMaxContentHeight = 300;
constexpr ImU32 kVeil = 0xDD000000;
constexpr ImU32 kWhite = 0xFFFFFFFF;
constexpr ImU32 kBlack = 0xFF000000;

constexpr float kFieldHeight = 44;
constexpr float kFieldLabelGap = 16;
constexpr float kFieldTextInset = 5;
constexpr float kFieldRoom = 15;  // kept free after the text, for the caret
constexpr float kCaretWidth = 2;

constexpr float kButtonWidth = 200;
constexpr float kManyButtonWidth = 100;  // more than three buttons
constexpr float kTightButtonWidth = 60;  // a row too wide for the box
constexpr std::size_t kManyButtons = 3;
constexpr float kButtonGap = 50;
constexpr float kMinButtonGap = 4;
constexpr float kLabelPadding = 8;  // each side of a button's label
// Labels take the first of these fonts in which every label of the row fits.
constexpr int kButtonFonts[] = {fontslot::kRegular28, fontslot::kRegular24, fontslot::kRegular20,
                                fontslot::kRegular17};

std::vector<std::string_view> splitLabels(std::string_view labels) {
    std::vector<std::string_view> out;
    if (labels.empty()) return out;
    for (std::size_t start = 0;;) {
        const std::size_t bar = labels.find('|', start);
        out.push_back(labels.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
        if (bar == std::string_view::npos) return out;
        start = bar + 1;
    }
}

float textWidth(ImFont* font, std::string_view text) {
    return font->CalcTextSizeA(font->FontSize, FLT_MAX, 0.0f, text.data(), text.data() + text.size()).x;
}
}  // namespace

DialogButtonRow dialogButtonRow(const std::vector<std::string_view>& labels, float areaWidth) {
    const float n = static_cast<float>(labels.size());
    const float width = labels.size() > kManyButtons ? kManyButtonWidth : kButtonWidth;
    if (n * (width + kButtonGap) + kButtonGap > areaWidth) {
        // Every button stays on the screen: a long row (the balance grades in
        // a small window) closes up.
        const float fitting = (areaWidth - n * kTightButtonWidth) / (n + 1);
        return {kTightButtonWidth, fontslot::kRegular17, std::clamp(fitting, kMinButtonGap, kButtonGap)};
    }
    for (int slot : kButtonFonts) {
        ImFont* font = uiFont(slot);
        const bool fits = std::all_of(labels.begin(), labels.end(), [&](std::string_view label) {
            return textWidth(font, label) + 2 * kLabelPadding <= width;
        });
        if (fits) return {width, slot, kButtonGap};
    }
    return {width, kButtonFonts[std::size(kButtonFonts) - 1], kButtonGap};
}

void Gui::drawModal() {
    const ImVec2 origin = ImGui::GetWindowPos();
    const ImVec2 area = ImGui::GetWindowSize();
    // The veil ends where the bottom bar stands in front of the box's last row.
    ImVec2 veilEnd = origin + area;
    if (_barState == kShown) veilEnd.y = std::min(veilEnd.y, _screenHeight - kBarHeight);
    veilUnder(origin, veilEnd, kVeil);

    // A copy: the callback may open another box, which replaces `_answer`
    // and the texts; what is drawn below is read after this call.
    const Answer answer = _answer;
    int chosen = answer ? answer(-1) : -1;

    const bool hasDetails = !_modalDetails.empty();
    const bool hasField = _modalInputWidth > 0;
    const std::vector<std::string_view> labels = splitLabels(_modalButtons);
    const int rows = 1 + int{hasDetails} + int{hasField} + int{!labels.empty()};
    const float block = std::min(area.y, kMaxContentHeight);
    const float rowHeight = block / static_cast<float>(rows);
    float rowTop = origin.y + (area.y - block) / 2;
    const float left = origin.x + _margin;
    const float right = origin.x + area.x - _margin;

    drawCentredText(fontslot::kLight28, _modalText.c_str(), left, right, rowTop, rowHeight, kWhite);
    rowTop += rowHeight;
    if (hasDetails) {
        drawCentredText(fontslot::kLight28, _modalDetails.c_str(), left, right, rowTop, rowHeight, kWhite);
        rowTop += rowHeight;
    }
    if (hasField) {
        ImFont* font = uiFont(fontslot::kLight28);
        // The label may be a unit with marked runs ("min^-1").
        ImGui::PushFont(font);
        ImGui::PushStyleColor(ImGuiCol_Text, kWhite);
        ImVec2 labelSize;
        drawLabel(labelSize, nullptr, 0, 0, uiFont(fontslot::kRegular17), _modalInputLabel.c_str());
        const float labelWidth = labelSize.x;
        const float gap = _modalInputLabel.empty() ? 0.0f : kFieldLabelGap;
        // A long label in a small window narrows the field, never pushes the label out.
        const float fieldWidth = std::max(std::min(_modalInputWidth, right - left - labelWidth - gap), kFieldRoom);
        // The field keeps only what fits, whole characters from the end.
        while (!_keyboardText.empty() && textWidth(font, _keyboardText) + kFieldRoom > fieldWidth)
            utf8Backspace(_keyboardText);
        const float x = origin.x + (area.x - labelWidth - gap - fieldWidth) / 2;
        const float mid = rowTop + rowHeight / 2;
        drawLabel(labelSize, ImGui::GetWindowDrawList(), x, mid - font->FontSize / 2, uiFont(fontslot::kRegular17),
                  _modalInputLabel.c_str());
        ImGui::PopStyleColor();
        ImGui::PopFont();
        const ImVec2 fieldMin(x + labelWidth + gap, mid - kFieldHeight / 2);
        const ImVec2 fieldMax(fieldMin.x + fieldWidth, mid + kFieldHeight / 2);
        ImDrawList* list = ImGui::GetWindowDrawList();
        list->AddRectFilled(fieldMin, fieldMax, kWhite);
        const ImVec2 textAt(fieldMin.x + kFieldTextInset, mid - font->FontSize / 2);
        list->AddText(font, font->FontSize, textAt, kBlack, _keyboardText.c_str());
        if (blink()) {
            const float caretX = textAt.x + textWidth(font, _keyboardText) + 1;
            list->AddRectFilled(ImVec2(caretX, textAt.y), ImVec2(caretX + kCaretWidth, textAt.y + font->FontSize),
                                kBlack);
        }
        UiProbe::report(ImGui::GetID("##modalfield"), _modalInputLabel.c_str(), fieldMin, fieldMax,
                        _keyboardText.c_str());
        rowTop += rowHeight;
    }
    if (!labels.empty()) {
        const std::size_t n = labels.size();
        const auto [width, slot, gap] = dialogButtonRow(labels, area.x);
        const float rowWidth = static_cast<float>(n) * (width + gap) - gap;
        float x = origin.x + (area.x - rowWidth) / 2;
        const float y = rowTop + (rowHeight - framesize::kDialogButtonHeight) / 2;
        ImGui::PushFont(uiFont(slot));
        for (std::size_t i = 0; i < n; ++i, x += width + gap) {
            ImGui::PushID(static_cast<int>(i));
            const std::string_view label = labels[i];
            if (dialogButtons(label.data(), label.data() + label.size(), x, y, width, chosen == static_cast<int>(i)))
                chosen = static_cast<int>(i);
            ImGui::PopID();
        }
        ImGui::PopFont();
    }

    // A leaving box takes no more answers: its callback has closed it.
    if (_modalState == kLeaving) return;
    if (answer) {
        if (chosen >= 0 && answer(chosen) == -2) closeModal();
    } else if (chosen == 0) {
        closeModal();
    }
}
