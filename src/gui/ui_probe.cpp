#include "gui/ui_probe.h"

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

UiProbe* UiProbe::active_ = nullptr;

UiProbe::UiProbe() : previous_(active_) { active_ = this; }

UiProbe::~UiProbe() { active_ = previous_; }

std::string_view visibleLabel(std::string_view label) {
    const auto cut = label.find("##");
    return cut == std::string_view::npos ? label : label.substr(0, cut);
}

const UiItem* UiProbe::find(std::string_view label) const {
    for (const UiItem& item : items_)
        if (item.label == label) return &item;
    return nullptr;
}

bool UiProbe::shows(std::string_view text) const {
    for (const UiItem& item : items_)
        if (item.label.find(text) != std::string::npos || item.text.find(text) != std::string::npos)
            return true;
    return false;
}

void UiProbe::report(unsigned id, const char* label, ImVec2 min, ImVec2 max, const char* text) {
    if (!active_) return;
    UiItem item;
    item.id = id;
    item.label = std::string(visibleLabel(label ? label : ""));
    item.text = text ? text : "";
    item.min = min;
    item.max = max;
    active_->items_.push_back(std::move(item));
}

void UiProbe::reportLastItem(const char* label, const char* text) {
    if (!active_) return;
    report(ImGui::GetItemID(), label, ImGui::GetItemRectMin(), ImGui::GetItemRectMax(), text);
}

void UiProbe::reportText(const char* text, ImVec2 min, ImVec2 max) {
    if (!active_) return;
    report(0, "", min, max, text);
}
