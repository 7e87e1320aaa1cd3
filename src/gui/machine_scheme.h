#pragma once
// The machine scheme over the rotor picture: the plane labels "P1", "P2", ...
// under the planes and the places of the dimension boxes, whose content the
// calling screen draws (the Editing screen enters the distances, the
// Balancing screen shows them).
//
// Dimensions: each plane's first distance (from the support or the plane
// before it), the last plane's second (to the right support), and a control
// rotor's third plane's third (its test planes' offset); a one-plane rotor has
// none.  Horizontal machines show the chain along the shaft between the
// supports' places; the upright machines (Vertical and Console) show only the
// distances between planes, beside the machine picture.

#include <cstdint>
#include <functional>
#include <vector>

#include <imgui.h>

struct PlaneView;

enum SchemeSide : int { kSideNone = 0, kSideRight = 1, kSideLeft = 2 };

// One dimension box.  `at` is window-local: y is the box's top; x is the
// middle of the dimension on a Horizontal machine, the box's left edge left
// of the picture of an upright one.
struct SchemeBox {
    ImVec2 at;
    int letter = 0;           // counts the boxes from 1; 0 no letter
    std::uint32_t field = 0;  // plane field tag + (plane number << 25)
    int side = kSideNone;     // where a control rotor's box gives way
};

// The row of the boxes below the picture's top (Horizontal), and the second
// row of a control rotor's offset box.
constexpr float kSchemeBoxDrop = 164;
// The boxes' room: wide enough for four digits and the unit beside the letter.
constexpr float kSchemeBoxWidth = 140;
constexpr float kSchemeBoxHeight = 42;
constexpr float kSchemeSecondRow = 48;

using SchemeCallback = std::function<void(const SchemeBox&)>;

// The dimension boxes of the active rotor of `view`, moved by `xOffset`.
std::vector<SchemeBox> schemeBoxes(const PlaneView& view, float xOffset);

// Draws the plane labels and hands each dimension box to `box`.
void drawMachineScheme(const PlaneView& view, float xOffset, const SchemeCallback& box);
