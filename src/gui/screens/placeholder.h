#pragma once
// Stand-ins for the screens that are not built yet: each shows its title in
// the top bar and draws the frame, so that switching, the bars and boxes
// behave as they will with the real screen.  A screen's file replaces its
// placeholder call when the screen is built.

#include "gui/gui.h"

// An empty screen window, the title in the top bar, and the frame.
void drawPlaceholderScreen(Gui& gui, const char* title);
