// The settings tab that is drawn elsewhere later: update and debug.  Until
// then it draws nothing.

#include "gui/screens/settings_screen.h"

namespace Settings {

void updateTab(Data&) {}

}  // namespace Settings
