#include "gui/machine_scheme.h"

#include <algorithm>
#include <cfloat>
#include <string>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/rotor_picture.h"
#include "rotor/rotor.h"
#include "texts/format.h"
#include "texts/record_tags.h"

namespace {

using u32 = std::uint32_t;

constexpr int kPlaneShift = 25;
constexpr float kDiscMiddle = 124;        // of the plane's disc in its column
constexpr float kRightSupportPlace = 184;  // in the last column
constexpr float kLabelDrop = 144;         // plane labels under the discs (Horizontal)
constexpr float kUprightLabelDrop = 240;  // under the machine picture
constexpr float kUprightBoxGap = 16;      // between the machine picture and its box
constexpr float kUprightBoxDrop = 40;
constexpr int kUprightStations = 2;  // the upright machines label two spindle stations
constexpr int kControlTestPlane = 3;      // the plane whose third distance is the test planes' offset
constexpr ImU32 kBlack = 0xFF000000;

u32 field(u32 tag, int plane) { return tag + (static_cast<u32>(plane) << kPlaneShift); }

float discX(const PlaneView& view, int column) {
    return view.left + kPlaneColumnWidth * static_cast<float>(column) + kDiscMiddle;
}

}  // namespace

std::vector<SchemeBox> schemeBoxes(const PlaneView& view, float xOffset) {
    std::vector<SchemeBox> boxes;
    if (!view.rotor) return boxes;
    const int planes = view.rotor->planeCount(false);
    if (planes < 2) return boxes;
    const auto add = [&boxes](float x, float y, u32 f, int side) {
        boxes.push_back({ImVec2(x, y), static_cast<int>(boxes.size()) + 1, f, side});
    };
    if (machineLayout(*view.rotor) != MachineLayout::Horizontal) {
        // Left of the machine: the columns are centred in the window.
        const float x = view.left + xOffset - kUprightBoxGap - kSchemeBoxWidth;
        add(x, view.top + kUprightBoxDrop, field(jobrec::kDistance1, 2), kSideNone);
        return boxes;
    }
    // The chain along the shaft: left support, the planes, right support.
    const float y = view.top + kSchemeBoxDrop;
    float from = view.origin;
    for (int column = 0; column < planes; ++column) {
        const float to = discX(view, column);
        add((from + to) / 2 + xOffset, y, field(jobrec::kDistance1, column + 1), kSideNone);
        from = to;
    }
    const float rightSupport = view.origin + kPlaneColumnWidth * static_cast<float>(planes - 1) + kRightSupportPlace;
    add((from + rightSupport) / 2 + xOffset, y, field(jobrec::kDistance2, planes), kSideNone);
    if (view.controlRotor && planes >= kControlTestPlane)
        add(discX(view, kControlTestPlane - 1) + xOffset, y + kSchemeSecondRow,
            field(jobrec::kDistance3, kControlTestPlane), kSideLeft);
    return boxes;
}

void drawMachineScheme(const PlaneView& view, float xOffset, const SchemeCallback& box) {
    if (!view.rotor) return;
    const int planes = view.rotor->planeCount(false);
    const bool upright = machineLayout(*view.rotor) != MachineLayout::Horizontal;
    const int labelled = upright ? std::min(planes, kUprightStations) : planes;
    const ImVec2 origin = ImGui::GetWindowPos() - ImVec2(ImGui::GetScrollX(), ImGui::GetScrollY());
    ImFont* font = uiFont(fontslot::kRegular17);
    for (int column = 0; column < labelled; ++column) {
        const std::string label = ks::format("P{}", column + 1);
        const float width = font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, label.c_str()).x;
        const float y = view.top + (upright ? kUprightLabelDrop : kLabelDrop);
        drawSlotText(fontslot::kRegular17, label.c_str(),
                     origin + ImVec2(discX(view, column) + xOffset - width / 2, y), kBlack);
    }
    if (!box) return;
    for (const SchemeBox& b : schemeBoxes(view, xOffset)) box(b);
}
