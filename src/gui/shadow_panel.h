#pragma once
// The shadow beside a side panel: an invisible item over the rest of the
// window that takes the taps meant to close the panel, with a shading
// gradient where the panel's edge stands.

#include <imgui.h>

// In the current window, full height: an item "shadow" `width` px wide, from
// the window's left edge when `fromLeft` (the panel stands right of it), else
// from its right edge (the panel left of it).  When the width is above 400 px
// the 250 px next to the panel are left clear.  A window higher than 100 px
// gets a 100 px wide gradient at the panel's edge, darkest at the edge (none
// when the shadow spans the window: no panel stands beside it).  The
// item is placed on the visible part of the window (scrolling does not move
// it) and, drawn after the window's other items, never takes a tap from them.
// True when it is tapped.
bool drawShadowPanel(float width, bool fromLeft);

// The veil's light grey at its fullest.
constexpr float kVeilAlpha = 0.753f;

// The veil over a screen's content while it is not to be touched: a window
// `name` of its own over the current window (same place, drawn above it) with
// an item "shadow" `extent` large from the top left, light grey at `alpha`.
// `keepPlace`: a tap does not bring the window to the front (the screen orders
// its windows itself).  True when the item was pressed.
bool drawContentVeil(const char* name, ImVec2 extent, float alpha, bool keepPlace);
