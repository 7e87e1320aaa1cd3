// The settings tabs that are drawn elsewhere later: drive, channels,
// processing, display, correction, access, update and debug.  Until then they
// draw nothing.

#include "gui/screens/settings_screen.h"

namespace Settings {

void driveTab(Data&) {}
void channelsTab(Data&) {}
void processingTab(Data&) {}
void displayTab(Data&) {}
void correctionTab(Data&) {}
void accessTab(Data&) {}
void updateTab(Data&) {}
void openRotorDrive(Data&) {}
void makeUniqueName(Data&, int) {}

}  // namespace Settings
