#pragma once
// UiProbe: what the interface drew in the last frame, for tests.
//
// Widgets report each item they register: its ImGui id, its label (the part
// before "##"), its rectangle on the screen and the text it shows.  While no
// UiProbe object exists the reports cost one pointer test and record nothing,
// so the program runs with the probe idle.  A test creates one UiProbe (the
// GuiHarness owns it), runs frames, and finds items by label to tap them or
// check what they show.
//
// A widget reports right after registering its item:
//     if (ImGui::Button(label)) ...;  UiProbe::reportLastItem(label);
//     UiProbe::reportText(text, min, max);     // a plain text at a place

#include <string>
#include <string_view>
#include <vector>

#include <imgui.h>

struct UiItem {
    unsigned id = 0;    // ImGui id, 0 for plain texts
    std::string label;  // visible label, without its "##" suffix
    std::string text;   // what the item shows besides its label
    ImVec2 min{0, 0};
    ImVec2 max{0, 0};
    ImVec2 centre() const { return ImVec2((min.x + max.x) / 2, (min.y + max.y) / 2); }
};

class UiProbe {
public:
    UiProbe();   // becomes the recorder
    ~UiProbe();  // stops recording
    UiProbe(const UiProbe&) = delete;
    UiProbe& operator=(const UiProbe&) = delete;

    // Forgets the items reported so far (the harness calls it before a frame).
    void clear() { items_.clear(); }
    const std::vector<UiItem>& items() const { return items_; }
    // The first item with this visible label; null when none was drawn.
    const UiItem* find(std::string_view label) const;
    // True when some item's label or text contains `text`.
    bool shows(std::string_view text) const;

    static bool recording() { return active_ != nullptr; }
    static void report(unsigned id, const char* label, ImVec2 min, ImVec2 max, const char* text = nullptr);
    // The item ImGui registered last (a button, a selectable, ...).
    static void reportLastItem(const char* label, const char* text = nullptr);
    static void reportText(const char* text, ImVec2 min, ImVec2 max);

private:
    static UiProbe* active_;
    UiProbe* previous_;
    std::vector<UiItem> items_;
};

// The visible part of an ImGui label (up to "##").
std::string_view visibleLabel(std::string_view label);
