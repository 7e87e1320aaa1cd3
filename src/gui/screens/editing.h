#pragma once
// The rotor editing screen (`Gui::editing`): its data, its toolbar, the value
// rows and selectors, the correction-plane panel, and the hooks through which
// the rotor picture, the supports and the plane list take part.
//
// Edit target.  -1 nothing is entered, -2 the rotor's name; otherwise the tag
// of the field being entered: a `RotorData` tag, or a `Plane` tag with the
// plane in the high bits, ((plane index + 1) << 25) | tag.  While the
// correction panel is open its plane is the selected plane and the target is
// the bare `Plane` tag.
//
// Red marks.  Every element that shows a value the rotor finds out of its
// limits clears `Data::valid` while it is drawn; the toolbar reads the flag
// of the frame before (it is drawn first), and the way on to balancing stays
// closed while it is false.
//
// Positions of the content are window-local (as ImGui::SetCursorPos takes
// them) in the scrolling content window "supports".

#include <array>
#include <bitset>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <imgui.h>

#include "gui/gui.h"
#include "gui/machine_scheme.h"
#include "gui/rotor_picture.h"
#include "rotor/plane_limits.h"
#include "texts/texts.h"

class Rotor;
struct Config;
struct Material;

namespace Editing {

using u32 = std::uint32_t;

constexpr int kMaxPlanes = kMaxPlaneChannel;  // plane states and engaged channels

// ---- the edit target ------------------------------------------------------------
constexpr int kNoEntry = -1;
constexpr int kNameEntry = -2;
constexpr int kPlaneShift = 25;
constexpr u32 kTagMask = 0x1FFFFFF;
constexpr int planeFieldTarget(int planeIndex, TextId tag) {
    return static_cast<int>((static_cast<u32>(planeIndex + 1) << kPlaneShift) | (tag & kTagMask));
}
constexpr TextId targetTag(int target) { return static_cast<u32>(target) & kTagMask; }
// The plane index of a target; -1 for a rotor value.
constexpr int targetPlane(int target) { return (target >> kPlaneShift) - 1; }

// A control rotor's permissible unbalance: what its proving rotor reaches.
constexpr TextId kTextMinimumResidual = 0x1EFD034;  // "Minimum achievable residual unbalance"

// ---- the screen's windows ------------------------------------------------------------
constexpr const char* kContentWindow = "supports";  // the scrolling content
constexpr const char* kShadowWindow = "##shadow";   // over the content while it rests
constexpr const char* kPanelWindow = "panel";       // the correction panel

// ---- the correction panel ---------------------------------------------------------
enum PanelState : int { kPanelHidden = 0, kPanelEntering = 1, kPanelLeaving = 2, kPanelShown = 3 };
constexpr float kPanelWidth = 790;
constexpr float kPanelStep = 79;  // per frame

struct Data final : Gui::ActiveData {
    explicit Data(Gui& gui);

    Rotor* rotor;
    int editTarget = kNoEntry;
    float scroll = 0;         // what the content scrolls to above the keyboard
    float scrollBefore = -1;  // the operator's scroll while the keyboard is followed
    bool valid = true;
    // The rotor picture's block: its layout and the plane marks (the channel
    // marks of the supports, `collectPlaneMarks`).
    PlaneView view;
    Config* config;
    std::array<float, kMaxPlanes> planeStates;  // +1 engaged, -1 disengaged
    float controlRotorState;                    // +1 a control rotor, -1 not
    std::bitset<kMaxPlanes> engagedChannels;    // bit c-1: channel c is a support
    std::vector<u32> visibleTags;               // scratch of the parameter table
    int selectedPlane = -1;
    int panelState = kPanelHidden;
    float panelOffset = -1;
    float panelOverlap = 0;
    int selectedGrade = -1;

    // The content below the toolbar, laid out by `scaleRotorPicture`: the
    // picture band's top (the drive row stands 45 px below it; the picture,
    // the plane list and the table follow), the table's top and the
    // content's size.
    float bandTop = 0;
    float tableTop = 0;
    float tableHeight = 0;   // of the longest plane's rows as last drawn
    float contentWidth = 0;  // of the picture's columns; the drive row may be wider
    float contentHeight = 0;
    // The name entry's file is another rotor's: the name typed, asked about
    // once the keyboard has slid out.
    std::optional<std::string> replaceAsked;
    // The drive row's width with its margins as last drawn: long captions
    // can make it wider than its base.
    float driveRowDrawn = 0;

    // Opens the correction panel of plane index `plane` whose column's right
    // edge stands at `columnRight` (screen x): it slides in from offset 0,
    // and covers the content by the overlap fraction.
    void openPanel(Gui& gui, int plane, float columnRight);
    // The panel is sliding in or shown.
    bool panelOpen() const { return panelState == kPanelEntering || panelState == kPanelShown; }
    int engagedCount() const { return static_cast<int>(engagedChannels.count()); }
};

// The top bar of the screen (the frame calls it with the cursor at the bar's
// content start).
Gui::Action toolbar(Gui& gui, Data& data);

// ---- value rows and selectors (editing_rows.cpp) ------------------------------------
// A field of the rotor as the rows read it.
struct FieldValue {
    static constexpr int kOutOfLimits = 6;  // of a number; a cleared flag answers it too
    static constexpr int kFirstChoice = 8;  // a choice answers its value's TextId
    int result = 0;                         // `Rotor::readParameter`'s answer
    std::string text;                       // "N/A" for an unknown field
    double value = 0;
    bool numeric = false;                   // a number was read
    bool choice() const { return result >= kFirstChoice; }
    bool outOfLimits() const { return numeric && result == kOutOfLimits; }
};
// Reads the field at `path` ({tag}, or {plane list, plane index, tag}).
FieldValue readField(Rotor& rotor, std::initializer_list<u32> path);
// The label of a field tag: its text after ", " when it has one, "???" when
// its group has no text for it, "" when no group owns it.
std::string fieldLabel(TextId tag);
// A value and its unit as one text: "12 mm"; a unit "prefix|unit" puts the
// prefix before the value ("À8 mm").
std::string valueWithUnit(const std::string& value, const char* unit);
// The first material of the settings whose density differs from `density` by
// less than 0.00001; null when none does.
const Material* materialOf(const Config& config, double density);

// One row of the parameter table at `pos`: the label, the value 60 px to its
// right, and a red mark under the value when not `ok`; `pos` moves 30 px down.
void parameterRow(ImVec2& pos, const char* label, const std::string& value, bool ok);
// The rows of plane index `plane` from `pos` down.
void planeParameterRows(Data& data, int plane, ImVec2& pos);
// One column of rows per plane, `columnWidth` apart.
void parameterTable(Data& data, int columns, float columnWidth);
// The entry of a rotor value at `pos`, `width` x 50 px, `room` px before the
// row's next element; `grade`: the permissible unbalance with its grade
// chooser.  Returns the right end (x) of its captions.
float rotorValueEntry(Data& data, TextId tag, bool grade, ImVec2 pos, float width, float room);
// The width of a caption above a field of the row.
float captionWidth(std::string_view text);
// The row of rotor values and selectors under the picture band.
void driveRow(Gui& gui, Data& data);
// The row's width: its base, 759 px for an end drive, 989 for a belt drive,
// each 290 more on a Horizontal machine, or as drawn when that was wider.
float driveRowWidth(const Data& data);

// ---- the rotor's layout: picture, supports and plane list (editing_layout.cpp) --------
// Lays out the content for `columns` plane columns: the picture band, the
// picture below the drive row, the plane list and the table under it.
void scaleRotorPicture(Gui& gui, Data& data, int columns);
// Rebuilds the plane marks from the rotor's planes.
void collectPlaneMarks(Data& data);
// The rotor drawing of the plane columns, and the machine scheme with its
// dimension boxes.
void drawRotorPicture(Gui& gui, Data& data);
void machineScheme(Gui& gui, Data& data);
// One dimension box of the machine scheme: the distance entered by the
// keyboard, red when out of limits on a Horizontal machine.
void dimensionBox(Gui& gui, Data& data, const SchemeBox& box);
// The draggable channel marks of the supports (Horizontal machines); locked
// while the rotor has runs or is a control rotor.
void channelDragLists(Gui& gui, Data& data);
// One check per plane column: it follows the rotor, engages or disengages a
// plane where the plane scheme allows it, and a tap on an engaged plane's
// label opens its correction panel.
void planeList(Gui& gui, Data& data, int columns);
// Whether plane index `plane`'s check may be turned.
bool planeToggles(const Data& data, int plane, int columns);
// The control-rotor switch (plane scheme 1).
void controlRotorCheck(Gui& gui, Data& data);
// The support buttons at `pos` in the drive row; `pos` moves past them.  A
// pressed one engages or frees its channel and rebuilds the planes.
// `captionFrom`: where a caption before them ends, with its gap; their own
// caption gives way inside the block, the block moves on only when it must.
void supports(Gui& gui, Data& data, ImVec2& pos, float captionFrom);
// Toggles channel `channel` (from 1) as a support and rebuilds the planes:
// one plane per engaged channel, the first channel of each but the last, the
// second channel of the last.
void toggleSupport(Data& data, int channel);
// The content shadow while a value or the panel is edited, in a window of its
// own over the content; true when tapped without dragging.
bool contentShadow(Gui& gui, Data& data);
// The shadow that dims the content (and keeps taps off it) while the keyboard
// is shown, the more the further the keyboard has come in.
void keyboardShadow(Gui& gui, Data& data);
// Keeps the screen's windows in order: the content, its shadow, the panel.
void orderWindows();

}  // namespace Editing

// ---- the correction-plane panel (plane_panel.cpp) --------------------------------------
// The correction parameters of plane index `plane` of the active rotor in the
// current window, as wide as it.  Choices are stored at once; a tapped value
// row becomes `*entryTarget` (its `Plane` tag, -1 none) and its lower edge
// (screen y) `*fieldBottom`, for the caller to open the keyboard.
void correctionPlanePanel(int plane, int* entryTarget, float* fieldBottom);
