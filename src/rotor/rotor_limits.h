#pragma once
// The ranges of a rotor's own numbers (its planes' are in plane_limits.h),
// applied when a rotor file is loaded.  Typed values have the settings' own
// limits; these only keep out what a damaged or hand-made file may hold: a
// rotor mass that is not a number, a tolerance of 1e308, an unbalance unit of
// infinity, which the protocols and the corrections cannot work with.

#include <vector>

#include "records/job_records.h"
#include "rotor/plane_limits.h"

// Brings the rotor's numbers outside its planes into range: a value that is
// not finite becomes the field's default, a finite one outside its range the
// nearer end.  The vectors of its lists and runs (influence coefficients,
// references, saved results, measured results) lose a number that is not
// finite (0) or beyond any measurement (the nearer end); they are counted in
// `vectorFixes`, the rest returned one by one.
std::vector<RangeFix> bringRotorIntoRange(RotorData& data, int& vectorFixes);
