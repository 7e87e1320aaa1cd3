#pragma once
// The ranges within which a correction plane's numbers are usable.  A typed
// value outside its range is refused; a value read from a rotor file is
// brought into it.  The ranges are far wider than any machine needs: what
// they keep out are the values (from a damaged or hand-made rotor file, or a
// slip on the keypad) that make the corrections allocate without bound or
// never finish.

#include <cstdint>
#include <vector>

#include "records/field_limits.h"
#include "records/job_records.h"

// Positions per plane: one per tenth of a degree, the finest angle the
// correction display tells apart, and more than the holes around the largest
// drilled rotor a machine takes (2π × 2000 mm / 3.5 mm pitch ≈ 3590).  The
// one bound for typed and loaded position counts and the computed hole count.
constexpr int kMaxPlanePositions = 3600;

// The rotor's planes at most: the editing screen makes one per support it
// offers, and the protocol's runs table has a layout for each count up to
// it.  A rotor file with more planes is damaged: it is refused at load and
// listed without a plane count.
constexpr int kMaxRotorPlanes = 5;

// The highest measuring channel a plane of a loaded file keeps (channels
// count from 1 into the settings' channel list).
constexpr int kMaxPlaneChannel = 128;

using PlaneLimit = FieldLimit<Plane>;

// The range of a plane field, or null for a field without one.
const PlaneLimit* planeLimit(std::uint32_t field);

// Brings every ranged field of the plane into its range and an angle of more
// than a turn either way (or not a number) into [0, 360); returns what it
// changed.  A drill angle brought in is the machine's, as a 0 typed makes it.
std::vector<RangeFix> bringPlaneIntoRange(Plane& plane, double machineDrillAngle);
