#pragma once
// gui_gallery --coverage [--most R]: every screen of the tour (screen_tour.h)
// in the headless harness with the interface's pictures loaded, in a temporary
// working folder, and the area its frame paints over the window's area, one
// line per screen:
//
//   Settings: General   0.756   screen 0.217, screen/items 0.367, bar-top 0.087, bar-bottom 0.085
//
// (the screen, the figure, each window's share).  Exit code 1 when a screen
// covers more than R or a stop was not reached, 2 when the folder could not
// be made, else 0.

int coveragePage(double most);
