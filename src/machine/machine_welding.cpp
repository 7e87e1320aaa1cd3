// The Machine's welding service (idle pass) and its welding remote.

#include "machine/machine.h"

void Machine::deleteWelder() {}

void Machine::weldingService() {}
