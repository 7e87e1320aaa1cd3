#pragma once
// The shadow beside a side panel: an invisible item over the rest of the
// window that takes the taps meant to close the panel, with a shading
// gradient where the panel's edge stands.

// In the current window, full height: an item "shadow" `width` px wide, from
// the window's left edge when `fromLeft` (the panel stands right of it), else
// from its right edge (the panel left of it).  When the width is above 400 px
// the 250 px next to the panel are left clear.  A window higher than 100 px
// gets a 100 px wide gradient at the panel's edge, darkest at the edge.  The
// item is placed on the visible part of the window (scrolling does not move
// it) and, drawn after the window's other items, never takes a tap from them.
// True when it is tapped.
bool drawShadowPanel(float width, bool fromLeft);
