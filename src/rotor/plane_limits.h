#pragma once
// The ranges within which a correction plane's numbers are usable.  A typed
// value outside its range is refused; a value read from a rotor file is
// brought into it.  The ranges are far wider than any machine needs: what
// they keep out are the values (from a damaged or hand-made rotor file, or a
// slip on the keypad) that make the corrections allocate without bound or
// never finish.

#include <cmath>
#include <cstdint>
#include <vector>

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

// The range of one number of a record (a Plane, or the RotorData itself).
template <class R>
struct FieldLimit {
    std::uint32_t field = 0;  // the field's tag
    double lowest = 0.0;
    double highest = 0.0;
    // The field: a double or a count (exactly one is set).
    double R::*real = nullptr;
    std::uint32_t R::*count = nullptr;

    double valueIn(const R& record) const { return real ? record.*real : static_cast<double>(record.*count); }
    bool holds(double v) const { return lowest <= v && v <= highest; }  // false for NaN
};
using PlaneLimit = FieldLimit<Plane>;

// The range of a double field of R, and of a count.
template <class R>
FieldLimit<R> realLimit(std::uint32_t field, double lowest, double highest, double R::*member) {
    FieldLimit<R> l;
    l.field = field, l.lowest = lowest, l.highest = highest, l.real = member;
    return l;
}
template <class R>
FieldLimit<R> countLimit(std::uint32_t field, double highest, std::uint32_t R::*member) {
    FieldLimit<R> l;
    l.field = field, l.highest = highest, l.count = member;
    return l;
}

// The range of a plane field, or null for a field without one.
const PlaneLimit* planeLimit(std::uint32_t field);

// One loaded value that was brought into range.
struct RangeFix {
    std::uint32_t field = 0;
    double was = 0.0;
    double now = 0.0;
};

// Brings each field of the table into its range: a value that is not finite
// becomes the field's default, a finite one outside the range the nearer end.
template <class R>
void bringFieldsIntoRange(R& record, const std::vector<FieldLimit<R>>& table, std::vector<RangeFix>& fixes) {
    static const R defaults;
    for (const FieldLimit<R>& l : table) {
        const double was = l.valueIn(record);
        if (l.holds(was)) continue;
        double now = l.valueIn(defaults);
        if (std::isfinite(was)) now = was < l.lowest ? l.lowest : l.highest;
        if (l.real)
            record.*l.real = now;
        else
            record.*l.count = static_cast<std::uint32_t>(now);
        fixes.push_back({l.field, was, now});
    }
}

// Brings every ranged field of the plane into its range and an angle of more
// than a turn either way (or not a number) into [0, 360); returns what it
// changed.
std::vector<RangeFix> bringPlaneIntoRange(Plane& plane);
