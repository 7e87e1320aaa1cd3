#pragma once
// Printing and saving the protocol of a rotor from the History list.

class Rotor;

// Starts the prompts for the protocol of `rotor`: printed when `print`, else
// saved to the removable drive.  `rotor` is the Gui's active rotor or a
// temporary one loaded from a history file; a temporary rotor belongs to the
// flow from here on and is deleted when it ends, the active rotor never.
void protocolButtons(Rotor* rotor, bool print);
