#pragma once
// Dials: the round gauge of the interface.
//
// A ring drawn from the dial-face image with a value in large digits in its
// middle.  In angle mode it shows an angle in degrees with the fixed
// triangular reading mark (at `zeroOffset`) and round plane markers that turn
// with the value; in speed mode a speed with the unit "min^-1".  `DialTarget`
// lets the operator set an angle by touching the ring.
//
// Screen angles.  A screen angle a (degrees) stands for the point
// (cx - r cos a, cy + r sin a): -90 is the top, -180 the right.  Angles shown
// on the dial run clockwise from the top, or counter-clockwise for markers and
// touch when `reversed`.
//
// The geometry is kept in pure functions (dialRing, dialPoint,
// dialPointerCorners, dialMarkerCentre, dialTouchAngle) that the drawing
// functions use and tests call.  The functions keep no state of their own;
// `dialLayout` fills a DialLayout once per frame in the current window.

#include <array>
#include <optional>
#include <string>

#include <imgui.h>

struct DialLayout {
    ImDrawList* drawList = nullptr;  // null: the window is collapsed, nothing is drawn
    double zeroOffset = 0;           // the reading mark's angle (degrees)
    bool reversed = false;           // markers and touch run counter-clockwise
    double value = 0;                // shown in this frame (set by drawDial)
    ImVec2 centre{0, 0};             // screen coordinates
    float innerRadius = 0;
    float outerRadius = 0;
};

enum DialFlags {
    kDialHighlight = 1,    // the face in its third colour
    kDialTwoDecimals = 2,  // angles with two decimals instead of one
    kDialSpeed = 4,        // speed mode
    kDialInTolerance = 8,  // "IN TOLERANCE" above the value
};

// ---- geometry -------------------------------------------------------------------

struct DialRing {
    ImVec2 centre;
    float inner = 0;
    float outer = 0;
};

// The ring in a window at `origin` of `size`: left <= 0 the default ring
// (radii 110 and 85) centred across the window, `top` below its top (12 px
// lower in a window at least 700 px high); left > 0 a ring sized from the
// window's height, centred in the width right of `left`.
DialRing dialRing(ImVec2 origin, ImVec2 size, float left, float top);

// The point of screen angle `screenAngle` (degrees) on a circle.
ImVec2 dialPoint(ImVec2 centre, float radius, double screenAngle);

// The reading mark's tip and two base corners for `angle` (0 top, 90 right).
std::array<ImVec2, 3> dialPointerCorners(ImVec2 centre, double angle, float radius);

// Where the marker of `angle` stands on the ring's middle circle, each
// coordinate cut to a whole pixel: at the top when the shown value equals it.
ImVec2 dialMarkerCentre(const DialLayout& layout, double angle);

// The angle whose marker stands under a touch at `touch`, with the dial
// showing `reference`; none when the touch is off the ring.
std::optional<double> dialTouchAngle(const DialLayout& layout, double reference, ImVec2 touch);

// ---- drawing ----------------------------------------------------------------------

// Lays the dial out in the current window and moves the layout cursor to its centre.
void dialLayout(DialLayout& layout, float left, float top);
// The black triangular reading mark at `angle`, its tip on the circle of `radius`.
void drawDialPointer(float cx, float cy, double angle, float radius);
// A round marker on the ring (flag 1: green around a smaller black disc),
// numbered when `number` >= 0.
void drawDialMarker(const DialLayout& layout, int number, int flags, double angle);
// The face, the reading mark (angle mode) and the value.
void drawDial(DialLayout& layout, double value, int flags);
// The dial showing `reference` with a green marker at *angle; holding the
// finger on the ring moves *angle there.  True when *angle changed.
bool DialTarget(DialLayout& layout, double reference, double* angle);
// "{:.{}f}{}" of the value, its decimals and the unit, with the language's decimal point.
std::string dialValueLabel(const double* value, const int* decimals, const char* const* unit);
