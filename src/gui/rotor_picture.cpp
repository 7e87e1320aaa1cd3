#include "gui/rotor_picture.h"

#include <cmath>
#include <cstring>
#include <string>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/texture.h"
#include "gui/ui_probe.h"
#include "gui/widgets.h"
#include "protocols/report_texts.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "texts/format.h"
#include "texts/record_tags.h"
#include "texts/texts.h"

namespace {

using u32 = std::uint32_t;

constexpr u32 kFirstImageKey = 0x179E404;
constexpr u32 kSensorImage = 0x179E433;
constexpr u32 kConsoleMachine = 0x179E434;   // the two-plane picture one key higher
constexpr u32 kVerticalMachine = 0x179E436;  // likewise
constexpr u32 kControlRotorOverlay = 0x179E438;
constexpr TextId kTextInTolerance = 0x1EFD026;  // "IN TOLERANCE"
constexpr TextId kTextTestComplete = 0x1EFD042;  // "Verification test complete"
constexpr TextId kTextTestContinued = 0x1EFD045;  // "Test continued in a newer record"
constexpr TextId kTextTestBegunAgain = 0x1EFD049;  // "A new test of the rotor was begun"

// The segment codes and their pictures.
struct Segment {
    int code;
    u32 key;
};
constexpr Segment kSegments[] = {
    {0x85, 0x179E431}, {0x41, 0x179E42D}, {0x02, 0x179E42B}, {0x00, 0x179E42A},  {0x04, 0x179E429}, {0x44, 0x179E42E},
    {0x01, 0x179E428}, {0x81, 0x179E427}, {0x84, 0x179E426}, {0x51, 0x179E425},  {0x54, 0x179E424}, {0x151, 0x179E423},
    {0x10, 0x179E421}, {0x20, 0x179E420}, {0x21, 0x179E41F}, {0x61, 0x179E430},
};

// Segment codes by situation.
namespace code {
constexpr int kOnlyEnd = 0x21, kOnlyBelt = 0x85;
constexpr int kFirstEnd = 0x10, kFirstBelt = 0x81, kLastEnd = 0x20, kLastBelt = 0x84;
constexpr int kManyFirstEnd = 0x51, kManyFirstBelt = 0x54, kControlFirst = 0x151;
constexpr int kManyMiddle = 0x41, kManyMiddleUnmeasured = 0x44, kManyLast = 0x61;
constexpr int kUprightOnly = 0x04, kUprightUpper = 0x01, kUprightLower = 0x02, kUprightUnmeasured = 0x00;
}  // namespace code
constexpr int kUprightStations = 2;  // the upright machines show two spindle stations

constexpr float kSmallWindow = 740;  // at most this high: the small heights
constexpr float kColumnInset = 16;   // the column origin inside the column
constexpr float kCentredSpare = 30;  // columns of the rotor centred with this to spare
constexpr float kPairStep = 64;      // the second of a plane's two marks
constexpr float kSecondAlone = 184;  // a plane's second channel alone
constexpr float kLoneFirst = 83;     // a lone plane's two marks
constexpr float kLoneStep = 128;
constexpr float kMarkHit = 60;       // touch area of a mark
constexpr float kDropMargin = 24;    // the drop row reaches this far above and below the marks
// The badge over the shaft: its text on its own white ground in a frame, so
// that the shaft and the discs do not show through; dark green in green for
// "IN TOLERANCE", dark red in light red for "Balancing required", dark grey
// in grey-blue for a verification test that is complete.
constexpr float kToleranceDrop = 60;
constexpr float kBadgePadX = 14, kBadgePadY = 4, kBadgeRounding = 6, kBadgeFrame = 2;
constexpr ImU32 kToleranceGreen = 0xFF7AD645;
constexpr ImU32 kToleranceText = IM_COL32(21, 166, 74, 255);
constexpr ImU32 kRequiredRed = IM_COL32(255, 128, 128, 255);
constexpr ImU32 kRequiredText = IM_COL32(192, 32, 32, 255);
constexpr ImU32 kCompleteFrame = IM_COL32(134, 134, 149, 255);
constexpr ImU32 kCompleteText = IM_COL32(64, 64, 64, 255);
constexpr ImU32 kBadgeGround = 0xFFFFFFFF;
constexpr ImU32 kMarkText = 0xFF333333;
constexpr float kDraggedAlpha = 0.35f;

ImVec2 windowOrigin() { return ImGui::GetWindowPos() - ImVec2(ImGui::GetScrollX(), ImGui::GetScrollY()); }

// An interface image at its natural size, top-left at `at` (screen); reported
// as "picture" with its key.
void drawPicture(ImDrawList* list, u32 key, ImVec2 at) {
    const Texture* texture = uiTexture(static_cast<int>(key - kFirstImageKey));
    ImVec2 size(0, 0);
    if (texture) {
        drawImage(list, *texture, at.x, at.y);
        size = ImVec2(static_cast<float>(texture->width), static_cast<float>(texture->height));
    }
    UiProbe::report(0, "picture", at, at + size, ks::format("{:X}", key).c_str());
}

// The sensor image with the channel number, its top centre at `at` (screen).
void drawSensorMark(ImDrawList* list, ImVec2 at, int channel, float alpha) {
    const ImVec2 min(at.x - kSensorSize / 2, at.y);
    const ImVec2 max = min + ImVec2(kSensorSize, kSensorSize);
    const ImU32 tint = ImGui::GetColorU32(ImVec4(1, 1, 1, alpha));
    if (const Texture* texture = uiTexture(static_cast<int>(kSensorImage - kFirstImageKey)))
        if (void* id = texture->id()) list->AddImage(id, min, max, ImVec2(0, 0), ImVec2(1, 1), tint);
    ImFont* font = uiFont(fontslot::kRegular24);
    const std::string number = ks::format("{}", channel);
    const ImVec2 size = font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, number.c_str());
    const ImU32 colour = (kMarkText & 0x00FFFFFF) | (static_cast<ImU32>(alpha * 255) << 24);
    list->AddText(font, font->FontSize, (min + max - size) * 0.5f, colour, number.c_str());
}

// The plane and slot (0 first, 1 second channel) holding `channel`; plane 0
// when none does.
struct Slot {
    int plane = 0;
    int slot = 0;
};
Slot slotOf(Rotor& rotor, int channel) {
    if (channel <= 0) return {};
    const auto c = static_cast<u32>(channel);
    for (int p = rotor.nextPlane(0, false); p != 0; p = rotor.nextPlane(p, false)) {
        const Plane plane = rotor.plane(p);
        if (plane.channel1 == c) return {p, 0};
        if (plane.channel2 == c) return {p, 1};
    }
    return {};
}

u32 channelIn(const Plane& plane, int slot) { return slot == 0 ? plane.channel1 : plane.channel2; }
void setChannelIn(Plane& plane, int slot, u32 channel) { (slot == 0 ? plane.channel1 : plane.channel2) = channel; }

}  // namespace

MachineLayout machineLayout(const Config& config) {
    if (config.machineInterface == settings_choice::kHorizontal) return MachineLayout::Horizontal;
    if (config.machineInterface == settings_choice::kVertical) return MachineLayout::Vertical;
    return MachineLayout::Console;
}

MachineLayout machineLayout(const Rotor& rotor) {
    const Config* config = rotor.config();
    return config ? machineLayout(*config) : MachineLayout::Horizontal;
}

void rotorPictureScale(PlaneView& view, int columns, float width, float height, float left) {
    const bool small = height <= kSmallWindow;
    view.lowerHeight = small ? 115.0f : 130.0f;
    if (columns != 0)
        view.pictureHeight = small ? 115.0f : 210.0f;
    else
        view.pictureHeight = small ? 250.0f : 270.0f;
    view.topMargin = small ? 0.0f : 20.0f;

    if (columns == 0) {
        const float span = static_cast<float>(view.rotor ? view.rotor->planeCount(false) : 0) * kPlaneColumnWidth;
        if (span + kCentredSpare < width) left = (width - span) / 2;
    } else {
        const float span = static_cast<float>(columns) * kPlaneColumnWidth;
        if (span < width - 2 * left) left = (width - span) / 2 + left;
    }
    view.left = left;
    view.origin = std::floor(left + kColumnInset);

    switch (view.rotor ? machineLayout(*view.rotor) : MachineLayout::Horizontal) {
    case MachineLayout::Horizontal:
        break;
    case MachineLayout::Vertical:
        view.pictureHeight -= 15;
        break;
    case MachineLayout::Console:
        view.pictureHeight -= 40;
        view.lowerHeight -= 10;
        break;
    }
}

void collectPlaneMarks(PlaneView& view) {
    view.marks.clear();
    if (!view.rotor) return;
    Rotor& rotor = *view.rotor;
    view.controlRotor = rotor.isControlRotor();
    const bool lone = rotor.planeCount(false) == 1;
    for (int p = rotor.nextPlane(0, false); p != 0; p = rotor.nextPlane(p, false)) {
        const Plane plane = rotor.plane(p);
        const float x = view.origin + kPlaneColumnWidth * static_cast<float>(p - 1);
        const bool first = p == 1;
        const int c1 = static_cast<int>(plane.channel1), c2 = static_cast<int>(plane.channel2);
        if (c1 != 0 && c2 != 0) {
            if (lone) {
                view.marks.push_back({c1, x + kLoneFirst, first, kRightSupport});
                view.marks.push_back({c2, x + kLoneFirst + kLoneStep, first, kRightSupport});
            } else {
                view.marks.push_back({c1, x, first, kLeftSupport});
                view.marks.push_back({c2, x + kPairStep, first, kRightSupport});
            }
        } else if (c1 != 0) {
            view.marks.push_back({c1, x, first, kLeftSupport});
        } else if (c2 != 0) {
            view.marks.push_back({c2, x + kSecondAlone, first, kRightSupport});
        }
    }
}

// ---- shaft segments ----------------------------------------------------------

int segmentCode(const PlaneView& view, int column, int planeCount) {
    if (!view.rotor || column < 0 || column >= planeCount) return kNoSegment;
    Rotor& rotor = *view.rotor;
    const int plane = column + 1;
    if (machineLayout(rotor) != MachineLayout::Horizontal) {
        if (column >= kUprightStations) return kNoSegment;
        if (rotor.hasNoChannel(plane)) return code::kUprightUnmeasured;
        if (planeCount == 1) return code::kUprightOnly;
        return column == 0 ? code::kUprightUpper : code::kUprightLower;
    }
    const bool belt = rotor.isBeltDrive();
    const bool first = column == 0;
    if (planeCount == 1) return belt ? code::kOnlyBelt : code::kOnlyEnd;
    if (planeCount == 2) {
        if (first) return belt ? code::kFirstBelt : code::kFirstEnd;
        return belt ? code::kLastBelt : code::kLastEnd;
    }
    if (first) return view.controlRotor ? code::kControlFirst : belt ? code::kManyFirstBelt : code::kManyFirstEnd;
    if (column == planeCount - 1) return code::kManyLast;
    return rotor.hasNoChannel(plane) ? code::kManyMiddleUnmeasured : code::kManyMiddle;
}

std::uint32_t segmentImage(int code) {
    for (const Segment& s : kSegments)
        if (s.code == code) return s.key;
    return 0;
}

void drawMachinePicture(const PlaneView& view, int planeCount, MachineBadge badge) {
    if (!view.rotor || planeCount <= 0) return;
    ImDrawList* list = ImGui::GetWindowDrawList();
    const ImVec2 at = windowOrigin() + ImVec2(view.left, view.top);
    const MachineLayout layout = machineLayout(*view.rotor);
    if (layout != MachineLayout::Horizontal) {
        // One plane: the machine's middle under the single column's middle.
        const bool two = planeCount >= 2;
        const u32 key = (layout == MachineLayout::Vertical ? kVerticalMachine : kConsoleMachine) + (two ? 1 : 0);
        drawPicture(list, key, two ? at : at - ImVec2(kPlaneColumnWidth / 2, 0));
    } else if (view.controlRotor) {
        drawPicture(list, kControlRotorOverlay, at);
    }
    for (int column = 0; column < planeCount; ++column)
        if (const u32 key = segmentImage(segmentCode(view, column, planeCount)))
            drawPicture(list, key, at + ImVec2(kPlaneColumnWidth * static_cast<float>(column), 0));
    if (badge != MachineBadge::kNone) {
        const char* text = "";
        ImU32 frame = kRequiredRed, ink = kRequiredText;
        if (badge == MachineBadge::kInTolerance) {
            text = textOrEmpty(kTextInTolerance), frame = kToleranceGreen, ink = kToleranceText;
        } else if (badge == MachineBadge::kTestComplete || badge == MachineBadge::kTestContinued ||
                   badge == MachineBadge::kTestBegunAgain) {
            text = textOrEmpty(badge == MachineBadge::kTestComplete    ? kTextTestComplete
                               : badge == MachineBadge::kTestContinued ? kTextTestContinued
                                                                       : kTextTestBegunAgain);
            frame = kCompleteFrame, ink = kCompleteText;
        } else if (const char* required = getReportText(reporttext::kBalancingRequired)) {
            text = required;
        }
        ImFont* font = uiFont(fontslot::kRegular40);
        const float width = font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, text).x;
        const float span = kPlaneColumnWidth * static_cast<float>(planeCount);
        const ImVec2 textAt = at + ImVec2((span - width) / 2, kToleranceDrop);
        const ImVec2 pad(kBadgePadX, kBadgePadY);
        const ImVec2 min = textAt - pad, max = textAt + ImVec2(width, font->FontSize) + pad;
        list->AddRectFilled(min, max, kBadgeGround, kBadgeRounding);
        list->AddRect(min, max, frame, kBadgeRounding, 0, kBadgeFrame);
        UiProbe::report(0, "badge", min, max, text);
        drawSlotText(fontslot::kRegular40, text, textAt, ink);
    }
}

// ---- channel marks ----------------------------------------------------------

void channelDragList(PlaneView& view, int mark, bool locked) {
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    if (w->SkipItems || mark < 0 || mark >= static_cast<int>(view.marks.size())) return;
    const PlaneMark m = view.marks[static_cast<std::size_t>(mark)];
    ImGui::PushID(mark);
    const ImGuiID id = w->GetID("#support");
    ImGui::PopID();
    const float centreY = view.top + kSensorDrop + kSensorSize / 2;
    ImGui::SetCursorPos(ImVec2(m.x - kMarkHit / 2, centreY - kMarkHit / 2));
    const ImRect bb(w->DC.CursorPos, w->DC.CursorPos + ImVec2(kMarkHit, kMarkHit));
    ImGui::ItemSize(bb);
    ImGui::ItemAdd(bb, id);
    bool dragged = false;
    if (!locked) {
        bool hovered = false, held = false;
        ImGui::ButtonBehavior(bb, id, &hovered, &held);
        if (ImGui::BeginDragDropSource(ImGuiDragDropFlags_SourceNoPreviewTooltip)) {
            ImGui::SetDragDropPayload(kChannelMarkPayload, &mark, sizeof mark);
            ImGui::EndDragDropSource();
            dragged = true;
        }
    }
    const ImVec2 top(bb.GetCenter().x, bb.GetCenter().y - kSensorSize / 2);
    drawSensorMark(w->DrawList, top, m.channel, dragged ? kDraggedAlpha : 1.0f);
    // Dragged along the row, under the finger.
    if (dragged) drawSensorMark(ImGui::GetForegroundDrawList(), ImVec2(ImGui::GetIO().MousePos.x, top.y), m.channel, 1);
    UiProbe::report(id, "support", bb.Min, bb.Max, ks::format("{}", m.channel).c_str());
}

bool channelDropTarget(PlaneView& view) {
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    if (w->SkipItems || !view.rotor) return false;
    const float rowTop = windowOrigin().y + view.top + kSensorDrop;
    const ImRect row(ImVec2(w->Pos.x, rowTop - kDropMargin),
                     ImVec2(w->Pos.x + w->Size.x, rowTop + kSensorSize + kDropMargin));
    if (!ImGui::BeginDragDropTargetCustom(row, w->GetID("#supports"))) return false;
    bool changed = false;
    if (const ImGuiPayload* payload =
            ImGui::AcceptDragDropPayload(kChannelMarkPayload, ImGuiDragDropFlags_AcceptNoDrawDefaultRect)) {
        // Another source of the same type, or a list changed since the drag
        // began, must not index past the marks.
        int index = -1;
        if (payload->Data && payload->DataSize == static_cast<int>(sizeof index))
            std::memcpy(&index, payload->Data, sizeof index);
        if (index >= 0 && index < static_cast<int>(view.marks.size())) {
            const ImGuiIO& io = ImGui::GetIO();
            changed = moveChannelMark(*view.rotor, view.marks[static_cast<std::size_t>(index)],
                                      io.MousePos.x - io.MouseClickedPos[0].x);
        }
    }
    ImGui::EndDragDropTarget();
    return changed;
}

bool moveChannelMark(Rotor& rotor, const PlaneMark& mark, float offset) {
    const Slot from = slotOf(rotor, mark.channel);
    if (from.plane == 0) return false;
    const int direction = offset > 0 ? 1 : -1;
    Slot to = from;
    if (mark.kind == kLeftSupport) {
        if (std::fabs(offset) <= kSlotStep) return false;
        // The slots along the shaft: each plane's first, then its second.
        const int along = (from.plane - 1) * 2 + from.slot + direction;
        if (along < 0) return false;
        to = {along / 2 + 1, along % 2};
    } else {
        if (std::fabs(offset) <= kPlaneStep) return false;
        to.plane = from.plane + direction;
    }
    if (!rotor.isPlaneIndex(to.plane)) return false;

    Plane source = rotor.plane(from.plane);
    const u32 moving = channelIn(source, from.slot);
    if (to.plane == from.plane) {
        setChannelIn(source, from.slot, channelIn(source, to.slot));
        setChannelIn(source, to.slot, moving);
        rotor.setPlaneChannels(from.plane, source.channel1, source.channel2);
        return true;
    }
    Plane target = rotor.plane(to.plane);
    // A channel standing at the new place goes to the old one; else that stays empty.
    setChannelIn(source, from.slot, channelIn(target, to.slot));
    setChannelIn(target, to.slot, moving);
    rotor.setPlaneChannels(to.plane, target.channel1, target.channel2);
    rotor.setPlaneChannels(from.plane, source.channel1, source.channel2);
    return true;
}

void BalancingData::rotorPicture(PlaneView& view) {
    collectPlaneMarks(view);
    ImDrawList* list = ImGui::GetWindowDrawList();
    const ImVec2 origin = windowOrigin();
    for (const PlaneMark& m : view.marks) {
        const ImVec2 top = origin + ImVec2(m.x, view.top + kSensorDrop);
        drawSensorMark(list, top, m.channel, 1);
        UiProbe::report(0, "sensor", ImVec2(top.x - kSensorSize / 2, top.y),
                        ImVec2(top.x + kSensorSize / 2, top.y + kSensorSize), ks::format("{}", m.channel).c_str());
    }
}
