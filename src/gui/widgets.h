#pragma once
// The touch-sized widgets that the screens share.
//
// Every widget is a free function called once per frame inside an ImGui
// window: it registers its item, draws into the window's draw list and
// reports the item to UiProbe.  State that must outlive the frame (a
// selection, a switch or knob position, the keyboard's text) belongs to the
// caller or to the Gui; the widgets keep none of their own.
//
// Positions.  Widgets that take x and y place their item there in the current
// window's local coordinates, as ImGui::SetCursorPos takes them (from the
// window's top-left corner, moving with its scroll).  The drawing helpers
// that take a draw list (drawLabel, drawFontText, drawImage) take screen
// coordinates, as the draw list does.
//
// Labels.  A label may carry an id suffix after "##", which is never shown.
// Marked runs: in a label or unit '^' opens a raised run and '~' a lowered
// run in a smaller font, the next marker closes it ("min^-1", "m~station").
//
// The widgets read the Gui through the GUI context's user data (fonts,
// textures, the caret's blink, the keyboard's text, the settings); without a
// Gui they draw in the current font and without images.

#include <string>
#include <vector>

#include <imgui.h>

class Gui;
struct Texture;

// ---- the Gui's resources ------------------------------------------------------

// The Gui of the current GUI context (its user data); null when none.
Gui* currentGui();
// The Gui's texture in a slot (texture.h); null when the slot is empty.
const Texture* uiTexture(int slot);

// Drops whole UTF-8 characters from the end of `text` until it is at most
// `width` pixels wide in `font` at `size`.  True when something was dropped.
bool fitText(std::string& text, ImFont* font, float size, float width);

// ---- texts and images ---------------------------------------------------------

// Measures `text` (up to "##") in the current font with its marked runs in
// `markedFont` (the current font when null) and writes the size into `size`;
// draws it at (x, y) in the style's text colour when `drawList` is given.
void drawLabel(ImVec2& size, ImDrawList* drawList, float x, float y, ImFont* markedFont, const char* text);

// The caption above a field whose top-left corner is (x, y): Regular 17 px,
// dark grey, at (x + 2, y - 26).  `end` null: up to the terminating zero.
void drawFontText(ImDrawList* drawList, const char* begin, float x, float y, const char* end = nullptr);

// The texture's first image at its natural size, top-left at (x, y).
void drawImage(ImDrawList* drawList, const Texture& texture, float x, float y);

// ---- buttons and fields ---------------------------------------------------------

enum TabButtonFlags { kTabPlaceholder = 1 };  // the text is a grey placeholder

// A framed text field with a blinking caret (the keyboard's text while it is
// typed); `icon` (optional) stands at its right.  It does not react to taps.
void tabButton(const Texture* icon, const char* text, int flags, float x, float y, float width, float height);

// A button of width x height (a square of the height when width is 0) with the
// label up to its first '#' centred; `caption` (optional) stands above it.
// Disabled: grey label, never true.  Marked: red label (wins over disabled).
bool optionButton(const char* label, float x, float y, float width, float height, const char* caption = nullptr,
                  bool disabled = false, bool marked = false);

struct SideSelectorItem {
    std::string label;
    bool disabled = false;
};

struct SideSelectorState {
    int selected = 0;
    float width = 0;  // as last drawn, written by the widget
    std::vector<SideSelectorItem> items;
};

// How the selection column meets what lies around it.
enum SideSelectorFlags : int {
    kSelectorPaintColumn = 1,  // its white is painted here: the window paints none
    kSelectorBesideList = 2,   // a list stands at its right edge: the edge line stays inside
};

// The selection column at the window's left edge, from 80 px below the top to
// `bottom`; as wide as the widest label plus `margin`.  A tap selects the item
// under the finger unless it is disabled.  The selected item is grey-blue, the
// rest of the column white: the window's own unless kSelectorPaintColumn.
void SideSelector(SideSelectorState& state, float margin, float bottom, int flags = 0);

enum ToolbarFlags {
    kToolbarFromRight = 0x01,     // from the window's right edge, inside the margin
    kToolbarContentRight = 0x02,  // at the right of the content region, 10 px in
    kToolbarLower = 0x04,         // 20 px from the top instead of 15
    kToolbarFilter = 0x08,        // the name filter: funnel icon and the filter text
    kToolbarPlaceMask = 0x30,     // one field:
    kToolbarAtCursor = 0x10,      //   at the layout cursor
    kToolbarLeftOfCursor = 0x20,  //   90 px left of the layout cursor
    kToolbarSmallFont = 0x30,     //   the label in Regular 20 px, placed as usual
    kToolbarGreyLabel = 0x40,     // grey label: locked, the caller ignores its taps
};

// A button 50 px high in the top toolbar, as wide as its label plus 40 px,
// on the bar's white (grey-blue while held).
// Nothing reacts while the "System settings changed" banner is shown.  The
// probe reports its shown text, or "locked" for a grey label.
bool toolbarButton(const char* label, int flags = 0);
// The width toolbarButton gives this label with these flags, in the current font.
float toolbarButtonWidth(const char* label, int flags = 0);

// How a top bar's title and buttons fit the `room` they have (from the bar's
// start to where its last button must end, before the start switch): whole;
// else with the buttons' labels in the small font; else that and no title.
struct ToolbarFit {
    bool title = true;
    int buttonFlags = 0;  // 0 or kToolbarSmallFont, for every button of the bar
};
// `titleWidth`: the title with the space after it; `gap`: between buttons.
ToolbarFit fitToolbar(float room, float titleWidth, const std::vector<std::string>& labels, float gap);

enum PlaneButtonFlags { kPlaneButtonImage = 0x80 };  // an image instead of the label

// A filled, framed button with its label centred in white, or with
// kPlaneButtonImage a picture: warning for a label beginning with '!',
// crosshair for '@', else the back arrow.
bool planeButton(const char* label, ImU32 fill, int flags, float x, float y, float width, float height);

enum EntryState { kEntryNormal = 0, kEntryEditing = 1, kEntryInvalid = 2, kEntryDisabled = 3 };

// A numeric field with its label and unit.  The label [labelBegin, labelEnd)
// (end null: to the terminating zero): one character stands in a grey square
// at the field's left, followed by `indexDigit` when not 0; a longer label is
// a caption above.  `unit`: "prefix|unit" puts a prefix at the left; the unit
// (with marked runs) stands at the right.  The value reads "{}" with the
// language's decimal point; while editing it is the keyboard's text, which is
// shortened to what fits.  True when tapped, never in kEntryDisabled.
bool numericEntry(int displayState, const char* unit, const char* labelBegin, const char* labelEnd, int indexDigit,
                  float x, float y, float width, float height, double value);

enum CheckListFlags {
    kCheckWide = 1,         // 365 px wide (620 in a window wider than 1100 px) and 50 px high
    kCheckRightAligned = 2,  // at the right edge of the content region
    kCheckLocked = 4,        // the switch does not turn (the label still reacts)
};

// The drag-and-drop payload type of a switch's knob.  Nothing accepts it; it
// is its own so that no drop target takes a knob for something else.
constexpr const char* kSwitchKnobPayload = "KS_SWITCH_KNOB";

// One row at the layout cursor: the label and an on/off switch.  `state`'s
// sign is the switch position (positive on), its magnitude (1 to 10) the
// knob's slide.  `width`: the label column's width (0: the label's own);
// `height`: the row's height (0: 50); both are fixed by kCheckWide.
// A tap on the switch, or its knob dragged across the middle, turns `state`
// over.  With `dragTarget`, a press held over 0.6 s (without moving) writes
// the row's item id into it, ends the press and leaves the switch as it was.
// True when the label was tapped.
bool checkList(float& state, const char* label, int flags, ImGuiID* dragTarget, float width, float height);

constexpr float kStartButtonWidth = 180;

// The start switch at the right of the top bar, kStartButtonWidth wide.  `knob` is the caller's: 0 at
// rest, following the finger up to 73, 74..77 running, negative while it
// slides back after a stop.  Locked (`locked`, or `knob` negative at the
// frame's start) it neither starts nor stops.  True in the frame in which it
// was slid to its end (knob 74) or, running, touched (knob -72).
bool startButton(float& knob, const char* caption, bool locked);
// Where startButton stands in the current window (local x): what the bar
// holds left of it ends before this.
float startButtonLeft();
