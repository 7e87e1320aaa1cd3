#pragma once
// Stand-ins for the screens that are not built yet: each shows its title and
// a Back button, and keeps the slides and the message box working so that
// switching, keys and boxes behave as they will with the real frame.  A
// screen's file replaces its placeholder call when the screen is built.

#include "gui/gui.h"

// The title, a Back button (the icon glyph of the bottom bar) and the frame.
void drawPlaceholderScreen(Gui& gui, const char* title);
// Advances the slides and draws an open message box.
void drawPlaceholderFrame(Gui& gui);
