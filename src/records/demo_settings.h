#pragma once
// The settings of the demonstration machine: what a first start in a fresh
// working folder runs on (scripts/run writes them to ".cfg" through
// `cfgtool demo`), and what the end-to-end road's fixture adds its operator to.
// The program's own defaults stay the factory settings.

#include "records/settings_records.h"

// English, the end drive on inverter 1, measuring channels 1 to 3 active, no
// operator (every tile shows without a login), and one measurement cycle per
// result, so that a result key of the demo device decides a run alone.
Config demoSettings();
