// Stand-in until the on-screen keyboard is built: the keyboard window stays
// empty, while the frame slides it in and out as it will.

#include "gui/gui.h"

void Gui::drawKeyboard() {}
