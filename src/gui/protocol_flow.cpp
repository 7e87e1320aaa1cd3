#include "gui/protocol_flow.h"

#include "gui/gui.h"
#include "gui/widgets.h"
#include "rotor/rotor.h"

void protocolButtons(Rotor* rotor, bool print) {
    (void)print;
    // No prompts yet: the flow ends at once, and a temporary rotor with it.
    const Gui* gui = currentGui();
    if (rotor && (!gui || rotor != gui->_rotor)) delete rotor;
}
