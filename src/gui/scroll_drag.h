#pragma once
// Touch scrolling of a list window.

// Call first inside a scrolling window, before its rows: an invisible
// overlay "##scrolldraggingoverlay" over the window's visible area turns a
// vertical drag that starts in it into scrolling of the window.  The overlay
// allows overlap, so a tap still reaches the row under it; once the finger
// has moved further than the drag threshold the row's press is dropped and
// its release opens nothing.  `threshold`: how far (px) the finger moves
// before it scrolls; negative: the GUI's drag threshold.
void scrollByDrag(float threshold = -1.0f);
