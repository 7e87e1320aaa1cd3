// The editing screen's rotor layout: the content's vertical layout, the rotor
// picture with the machine scheme and its dimension boxes, the channel marks,
// the supports, the plane list, the control-rotor check and the two shadow
// panels.
//
// Content layout from the band's top (0, or 20 in a window over 740 px high):
// the drive row with the supports, the picture 105 px down (the plane labels,
// dimension boxes and channel marks under it), the plane list, on a rotor of
// plane scheme 1 the control-rotor check, then the parameter table.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/machine_scheme.h"
#include "gui/rotor_picture.h"
#include "gui/screens/editing.h"
#include "gui/shadow_panel.h"
#include "gui/widgets.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "texts/format.h"
#include "texts/record_tags.h"

using namespace jobrec;

namespace Editing {
namespace {

constexpr TextId kTextPlane = 0x1EFD00E;     // "Plane"
constexpr TextId kTextEngaged = 0x1CFB015;   // "Engaged"
constexpr TextId kTextSupports = 0x1CFB016;  // "supports"
constexpr const char* kBoxLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kLetterCount = 52;

// Vertical layout (window-local, from the band's top or the picture's top).
constexpr float kColumnsLeft = 24;          // the columns' left edge when they do not fit centred
constexpr float kPictureBelowBand = 105;    // under the drive row
constexpr float kPlaneListDrop = 266;       // below the picture's top: under the channel marks
constexpr float kControlCheckDrop = 322;    // the control-rotor check's row
constexpr float kControlCheckLeft = 362;    // from the columns' left edge
constexpr float kTableDrop = 330;
constexpr float kControlRow = 56;           // the table's shift under the control-rotor check
constexpr float kTableMargin = 40;          // under the longest plane's rows
constexpr float kContentMinHeight = 750;

// Supports.
constexpr int kSupportButtons = kMaxRotorPlanes;  // a plane per support, as many as a rotor has
constexpr float kSupportWidth = 50;
constexpr float kSupportHeight = 50;
constexpr float kSupportPitch = 55;
constexpr float kSupportsAfter = 15;
constexpr float kEngagedAbove = 16;  // the "Engaged" line over the first button's caption
const ImU32 kSelected = IM_COL32(134, 134, 149, 255);          // grey-blue (0.525, 0.525, 0.584)
const ImU32 kEngagedDisabled = IM_COL32(204, 204, 204, 255);  // light grey on the selected colour
constexpr ImU32 kWhite = 0xFFFFFFFF;
constexpr ImU32 kRed = 0xFF0000FF;

// Dimension boxes.
// In Regular 20, so that four digits and the unit fit beside the letter.
constexpr float kBoxWidth = kSchemeBoxWidth;
constexpr float kBoxHeight = kSchemeBoxHeight;
constexpr float kBoxCentring = kBoxWidth / 2 + 2;
constexpr float kBoxGiveWay = 38;      // a control rotor's box moving aside
constexpr float kEntryScroll = 90;     // the edited box stands this far above the keyboard's top
constexpr float kFullScreenScroll = 30;

// Shadows.
constexpr float kShadowWidth = 1920;
constexpr float kShadowHeight = 1080;
constexpr float kKeyboardTravel = 360;  // the keyboard's slide that darkens the shadow fully
constexpr float kTapSlack = 6;          // a tap that moved further is a drag

ImVec2 windowOrigin() { return ImGui::GetWindowPos() - ImVec2(ImGui::GetScrollX(), ImGui::GetScrollY()); }

// An engaged support is drawn selected: grey-blue with its number in `colour`.
void drawEngaged(ImVec2 min, int channel, ImU32 colour) {
    ImDrawList* list = ImGui::GetWindowDrawList();
    list->AddRectFilled(min, min + ImVec2(kSupportWidth, kSupportHeight), kSelected);
    const std::string number = ks::format("{}", channel);
    const ImVec2 size = ImGui::CalcTextSize(number.c_str());
    list->AddText(min + (ImVec2(kSupportWidth, kSupportHeight) - size) * 0.5f, colour, number.c_str());
}

bool horizontal(const Data& d) { return d.config->machineInterface == settings_choice::kHorizontal; }

float sign(float state) { return state > 0 ? 1.0f : -1.0f; }

// Sets a flag of the rotor record: {tag, value} at depth 2.
void setRotorFlag(Rotor& rotor, u32 tag, u32 value) {
    const u32 path[] = {tag, value};
    rotor.setParameter(path, 2, nullptr);
}

int markChannel(const Data& d, std::size_t i) { return i < d.view.marks.size() ? d.view.marks[i].channel : 0; }

// A plane was engaged or disengaged at its check: the rotor takes the new
// shape from the first two channel marks.
void changePlane(Data& d, int plane, bool engaged) {
    Rotor& rotor = *d.rotor;
    const int scheme = rotor.planeScheme();
    const auto first = static_cast<u32>(markChannel(d, 0));
    const auto second = static_cast<u32>(markChannel(d, 1));
    setRotorFlag(rotor, kControlRotor, 0);
    if (engaged) {
        // The planes between the first and the engaged one measure nothing.
        rotor.setPlaneCount(plane + 1);
        for (int p = 2; p <= plane; ++p) rotor.setPlaneChannels(p, 0, 0);
        rotor.setPlaneChannels(1, first, 0);
        rotor.setPlaneChannels(plane + 1, 0, second);
    } else {
        if (scheme == 0) rotor.setPlaneChannels(1, first, second);
        rotor.removePlane(2);
    }
    collectPlaneMarks(d);
    d.controlRotorState = rotor.isControlRotor() ? 1.0f : -1.0f;
}

// Scrolls the content so that [left, right] (window-local x) is in view.
void scrollIntoView(float left, float right) {
    const float scroll = ImGui::GetScrollX();
    const float width = ImGui::GetWindowWidth();
    if (right > scroll + width) ImGui::SetScrollX(right - width);
    if (left < ImGui::GetScrollX()) ImGui::SetScrollX(left);
}

// The veil over the content; `alpha` of its grey.  True when it was tapped
// without dragging.
bool shadowPanel(float alpha) {
    const bool pressed = drawContentVeil(kShadowWindow, ImVec2(kShadowWidth, kShadowHeight), alpha, true);
    return pressed && ImGui::GetIO().MouseDragMaxDistanceSqr[0] <= kTapSlack * kTapSlack;
}

}  // namespace

// ---- layout and picture ----------------------------------------------------------------

void scaleRotorPicture(Gui& gui, Data& d, int columns) {
    d.view.rotor = d.rotor;
    // A rotor may have more planes than columns (planes without a channel):
    // its whole picture is laid out.
    const int shown = horizontal(d) ? std::max(columns, d.rotor->planeCount(false)) : columns;
    rotorPictureScale(d.view, shown, gui._screenWidth, gui._screenHeight, kColumnsLeft);
    d.contentWidth = d.view.left + kPlaneColumnWidth * static_cast<float>(shown) + gui._margin / 2;
    d.bandTop = d.view.topMargin;
    d.view.top = d.bandTop + kPictureBelowBand;
    const bool controlRow = d.rotor->planeScheme() == 1;
    d.tableTop = d.view.top + kTableDrop + (controlRow ? kControlRow : 0.0f);
    // The content ends under the rows drawn: no scroll bar takes the drive
    // row's width for rows a rotor does not have.
    d.contentHeight = std::max(kContentMinHeight, d.tableTop + d.tableHeight + kTableMargin);
}

void collectPlaneMarks(Data& d) {
    d.view.rotor = d.rotor;
    ::collectPlaneMarks(d.view);
}

void drawRotorPicture(Gui&, Data& d) {
    drawMachinePicture(d.view, d.rotor->planeCount(false), MachineBadge::kNone);
}

void machineScheme(Gui& gui, Data& d) {
    drawMachineScheme(d.view, 0, [&gui, &d](const SchemeBox& box) { dimensionBox(gui, d, box); });
}

void dimensionBox(Gui& gui, Data& d, const SchemeBox& box) {
    Rotor& rotor = *d.rotor;
    float x = box.at.x;
    if (rotor.isControlRotor() && box.side != kSideNone) x += box.side == kSideRight ? kBoxGiveWay : -kBoxGiveWay;
    const bool onHorizontal = horizontal(d);
    // Boxes stand centred on their dimension, but for one past the right
    // support, which reads from its start.
    if (onHorizontal && !d.view.marks.empty()) {
        const PlaneMark& last = d.view.marks.back();
        const bool takesPart = box.letter != 1 || (last.kind == kRightSupport && box.side == kSideNone);
        if (takesPart && (x < last.x || last.kind == kLeftSupport)) x -= kBoxCentring;
    }
    const std::string letter =
        box.letter >= 1 && box.letter <= kLetterCount ? std::string(1, kBoxLetters[box.letter - 1]) : std::string();
    const int field = static_cast<int>(box.field);
    const FieldValue f = readField(rotor, {kPlanes, static_cast<u32>(targetPlane(field)), targetTag(field)});
    const bool red = onHorizontal && f.result == FieldValue::kOutOfLimits;
    if (red) d.valid = false;
    const int state = d.editTarget == field ? kEntryEditing : red ? kEntryInvalid : kEntryNormal;
    ImGui::PushFont(uiFont(fontslot::kRegular20));
    const bool tapped = numericEntry(state, unitTextOf(kDistance1), letter.c_str(), nullptr, 0, x, box.at.y,
                                     kBoxWidth, kBoxHeight, f.value);
    ImGui::PopFont();
    if (tapped) {
        d.editTarget = field;
        d.scroll = ImGui::GetWindowPos().y + box.at.y + kEntryScroll + (gui._fullScreen ? kFullScreenScroll : 0.0f);
    }
}

void channelDragLists(Gui&, Data& d) {
    Rotor& rotor = *d.rotor;
    const bool locked = rotor.runCount() != 0 || rotor.isControlRotor();
    for (int i = 0; i < static_cast<int>(d.view.marks.size()); ++i) channelDragList(d.view, i, locked);
    if (!locked) channelDropTarget(d.view);
    collectPlaneMarks(d);
}

// ---- plane list and control-rotor check ---------------------------------------------------

bool planeToggles(const Data& d, int plane, int columns) {
    Rotor& rotor = *d.rotor;
    if (rotor.runCount() != 0 || rotor.isControlRotor()) return false;
    if (rotor.planeScheme() != 0) return plane == columns - 1;
    if (d.engagedCount() != 2) return false;
    if (plane == 1) return true;
    const auto kindOf = [&d](std::size_t i) { return i < d.view.marks.size() ? d.view.marks[i].kind : 0; };
    return plane == 2 && kindOf(0) + kindOf(1) <= 2;
}

void planeList(Gui& gui, Data& d, int columns) {
    Rotor& rotor = *d.rotor;
    const ImVec2 origin = windowOrigin();
    for (int i = 0; i < columns && i < kMaxPlanes; ++i) {
        float& state = d.planeStates[static_cast<std::size_t>(i)];
        const bool engaged = rotor.isPlaneIndex(i + 1);
        if (state > 0 && !engaged) state = -1;
        if (state < 0 && engaged) state = 1;
        const float before = state;
        const float left = d.view.left + kPlaneColumnWidth * static_cast<float>(i);
        ImGui::SetCursorPos(ImVec2(left, d.view.top + kPlaneListDrop));
        const std::string label = ks::format("{} P{}##plane{}", textOrEmpty(kTextPlane), i + 1, i);
        const bool tapped = checkList(state, label.c_str(), planeToggles(d, i, columns) ? 0 : kCheckLocked, nullptr, 0, 0);
        if (tapped && before > 0 && rotor.runCount() == 0 && (!rotor.isControlRotor() || i == 0)) {
            d.openPanel(gui, i, origin.x + left + kPlaneColumnWidth);
            scrollIntoView(left, left + kPlaneColumnWidth);
        }
        if (sign(before) != sign(state)) {
            changePlane(d, i, state > 0);
            // The walk goes on after the planes the rotor has now.
            i = std::max(i, rotor.planeCount(true) - 1);
        }
    }
}

void controlRotorCheck(Gui&, Data& d) {
    Rotor& rotor = *d.rotor;
    if ((d.controlRotorState > 0) != rotor.isControlRotor()) d.controlRotorState = rotor.isControlRotor() ? 1.0f : -1.0f;
    const float before = d.controlRotorState;
    ImGui::SetCursorPos(ImVec2(d.view.left + kControlCheckLeft, d.view.top + kControlCheckDrop));
    const std::string label = std::string(textOrEmpty(kControlRotor)) + "##control";
    checkList(d.controlRotorState, label.c_str(), rotor.runCount() != 0 ? kCheckLocked : 0, nullptr, 0, 0);
    if (sign(before) != sign(d.controlRotorState)) setRotorFlag(rotor, kControlRotor, before < 0 ? 1u : 0u);
}

// ---- supports ----------------------------------------------------------------------------

void toggleSupport(Data& d, int channel) {
    Rotor& rotor = *d.rotor;
    d.engagedChannels.flip(static_cast<std::size_t>(channel - 1));
    rotor.clearPlanes();
    d.controlRotorState = rotor.isControlRotor() ? 1.0f : -1.0f;
    d.planeStates.fill(-1.0f);
    const int total = d.engagedCount();
    int k = 0;
    for (int c = 1; c <= kMaxPlanes; ++c) {
        if (!d.engagedChannels.test(static_cast<std::size_t>(c - 1))) continue;
        ++k;
        d.planeStates[static_cast<std::size_t>(k - 1)] = 1.0f;
        rotor.setPlaneCount(k);
        if (k < total)
            rotor.setPlaneChannels(k, static_cast<u32>(c), 0);
        else
            rotor.setPlaneChannels(k, 0, static_cast<u32>(c));
    }
    collectPlaneMarks(d);
}

void supports(Gui&, Data& d, ImVec2& pos, float captionFrom) {
    const auto& channels = d.config->channels;
    const int buttons = std::min(kSupportButtons, static_cast<int>(channels.size()));
    if (buttons <= 0) {
        pos.x = std::max(pos.x, captionFrom);
        return;
    }
    const bool runs = d.rotor->runCount() != 0;
    const float blockEnd = pos.x + static_cast<float>(buttons) * kSupportPitch - (kSupportPitch - kSupportWidth);
    const float words = std::max(captionWidth(textOrEmpty(kTextEngaged)), captionWidth(textOrEmpty(kTextSupports)));
    const float captionX = std::max(pos.x, captionFrom);
    if (captionX + words > blockEnd) pos.x = captionX;
    const ImVec2 at = windowOrigin() + ImVec2(captionX, pos.y);
    ImDrawList* list = ImGui::GetWindowDrawList();
    drawFontText(list, textOrEmpty(kTextEngaged), at.x, at.y - kEngagedAbove);
    drawFontText(list, textOrEmpty(kTextSupports), at.x, at.y);
    for (int c = 1; c <= buttons; ++c) {
        const bool engaged = d.engagedChannels.test(static_cast<std::size_t>(c - 1));
        const bool active = channels[static_cast<std::size_t>(c - 1)].active;
        const bool red = engaged && !active;
        if (red) d.valid = false;
        const bool disabled = (!engaged && !active) || runs;
        const std::string label = ks::format("{}##support{}", c, c);
        if (optionButton(label.c_str(), pos.x, pos.y, kSupportWidth, kSupportHeight, nullptr, disabled, red))
            toggleSupport(d, c);
        if (engaged) drawEngaged(windowOrigin() + pos, c, red ? kRed : disabled ? kEngagedDisabled : kWhite);
        pos.x += kSupportPitch;
    }
    pos.x += kSupportsAfter;
}

// ---- shadows -----------------------------------------------------------------------------

bool contentShadow(Gui&, Data&) {
    return shadowPanel(kVeilAlpha);
}

void keyboardShadow(Gui& gui, Data&) {
    const float slid = std::clamp((gui._screenHeight - gui._keyboardTop) / kKeyboardTravel, 0.0f, 1.0f);
    shadowPanel(kVeilAlpha * slid);
}

void orderWindows() {
    ImGuiWindow* content = ImGui::FindWindowByName(kContentWindow);
    ImGuiWindow* shadow = ImGui::FindWindowByName(kShadowWindow);
    ImGuiWindow* panel = ImGui::FindWindowByName(kPanelWindow);
    // Windows that never come to the front by a tap start behind all others.
    const auto keepBehind = [](ImGuiWindow* lower, ImGuiWindow* upper) {
        if (lower && upper && ImGui::FindWindowDisplayIndex(lower) > ImGui::FindWindowDisplayIndex(upper))
            ImGui::BringWindowToDisplayBehind(lower, upper);
    };
    keepBehind(shadow, panel);
    keepBehind(content, shadow);
    keepBehind(content, panel);
}

}  // namespace Editing
