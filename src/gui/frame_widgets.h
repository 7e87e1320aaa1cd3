#pragma once
// The frame's own widgets, also for screens that want the same look.
// All of them register an ImGui item (or draw a text) and report it to UiProbe.

#include <string_view>
#include <vector>

#include <imgui.h>

// One button of the message box (and the Apply banner) at (x, y) in screen
// coordinates, 60 px high, in the current font: a white frame with the label
// centred; filled white with a black label while held or highlighted, a white
// label otherwise.  The label is [label, labelEnd) (labelEnd null: to its
// end).  True when pressed.
bool dialogButtons(const char* label, const char* labelEnd, float x, float y, float width, bool highlighted);

// How a box `areaWidth` wide lays out a row of buttons: 200 px each, 100 px
// for more than three, with 50 px gaps; when the row with a gap at each end
// does not fit, 60 px in Regular 17, the gaps narrowed (to 4 px at least)
// while the row is still too wide.  Otherwise the labels take Regular 28, or
// the largest smaller Regular size in which all of them fit.
struct DialogButtonRow {
    float width;
    int fontSlot;
    float gap;
};
DialogButtonRow dialogButtonRow(const std::vector<std::string_view>& labels, float areaWidth);

// A button at the cursor showing one icon glyph (Regular 52 px, grey
// 0xFF777777) centred, without a background.  True when pressed.
bool iconButton(const char* glyph, float width, float height);

// Draws `text` at `at` (screen coordinates) in the font of a slot (fonts.h)
// and reports it.
void drawSlotText(int slot, const char* text, ImVec2 at, ImU32 colour);

// Draws `text` centred between x0 and x1 and in [top, top + height], broken
// into lines at spaces where it is wider than the span; reports it whole.
void drawCentredText(int slot, const char* text, float x0, float x1, float top, float height, ImU32 colour);

// Begins one of the frame's windows at a place and size: no title bar,
// scroll bars, padding or border, not movable or resizable, drawn in front of
// the windows begun before it.  End it with ImGui::End.
void beginFrameWindow(const char* name, ImVec2 at, ImVec2 size, ImGuiWindowFlags extraFlags = 0);

namespace framesize {
constexpr float kDialogButtonHeight = 60;
}
