#include "texts/texts.h"

// Registers every text group of the program, in catalogue order.  Each group
// lives in its own source file and exposes one TextGroup object.
void registerProgramGroups() {}
