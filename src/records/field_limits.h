#pragma once
// The range within which one number of a record is usable, the one home for
// making such a range, and bringing a loaded record's numbers into range.  A
// typed value outside its range is refused; a value read from a file is
// brought into it.

#include <cmath>
#include <cstdint>
#include <vector>

// The quantities that a rotor's fields and the machine's settings share.
namespace fieldrange {
constexpr double kFastest = 1.0e6;        // rpm
constexpr double kHeaviestRotor = 1.0e6;  // kg
constexpr double kLongest = 100000.0;     // mm: a pulley or rotor surface of 100 m
constexpr double kDensest = 100.0;        // g/cm³: over four times osmium
constexpr double kNarrowestDrillBit = 30.0;  // ° included: narrower points are no drill bit's
}  // namespace fieldrange

// What a value read from a file becomes when it lies beyond its range.
enum class Beyond {
    kNearerEnd,  // the end: it works as the value did (a count, a time, a threshold, a limit)
    kDefault,    // the default: results are computed from it, and no end computes what it did
    kSameAngle,  // the same angle within the range (a range a turn wide)
    kZeroBelow,  // below the range 0, the meaning of its own such values stood for; above it the default
};

// The range of one number of a record (a rotor's or a plane's, a setting).
template <class R>
struct FieldLimit {
    std::uint32_t field = 0;  // the field's tag
    double lowest = 0.0;
    double highest = 0.0;
    // The field: a double, a count or a signed whole number (exactly one is set).
    double R::*real = nullptr;
    std::uint32_t R::*count = nullptr;
    std::int32_t R::*whole = nullptr;
    Beyond beyond = Beyond::kNearerEnd;
    bool zeroUnset = false;  // a 0 read from a file means "not set" and stays
    bool zeroTyped = false;  // and a 0 typed is taken: it has a meaning of its own

    FieldLimit with(Beyond b, bool keepsZero = false) const {
        FieldLimit l = *this;
        l.beyond = b;
        l.zeroUnset = keepsZero;
        return l;
    }
    // The same, 0 taken besides the range whether read or typed.
    FieldLimit withZero(Beyond b) const {
        FieldLimit l = with(b, true);
        l.zeroTyped = true;
        return l;
    }

    double valueIn(const R& record) const {
        if (real) return record.*real;
        return count ? static_cast<double>(record.*count) : static_cast<double>(record.*whole);
    }
    bool holds(double v) const { return lowest <= v && v <= highest; }  // false for NaN
    bool takesTyped(double v) const { return holds(v) || (zeroTyped && v == 0.0); }
    bool wholeNumbers() const { return real == nullptr; }
    // Stores v, a value of the range, in the field.
    void assign(R& record, double v) const {
        if (real)
            record.*real = v;
        else if (count)
            record.*count = static_cast<std::uint32_t>(v);
        else
            record.*whole = static_cast<std::int32_t>(v);
    }
};

// Two fields of one record of which the first may not exceed the second (a
// minimum and its maximum); with `apart` it stays below it (a window).
struct FieldPair {
    std::uint32_t lower = 0;
    std::uint32_t upper = 0;
    bool apart = false;

    bool inOrder(double lowerValue, double upperValue) const {
        return apart ? lowerValue < upperValue : lowerValue <= upperValue;
    }
};

// The range of a double field of R, of a count (from 0, or from `lowest`),
// and of a signed whole number.
template <class R>
FieldLimit<R> realLimit(std::uint32_t field, double lowest, double highest, double R::*member) {
    return {field, lowest, highest, member, nullptr, nullptr};
}
template <class R>
FieldLimit<R> countLimit(std::uint32_t field, double lowest, double highest, std::uint32_t R::*member) {
    return {field, lowest, highest, nullptr, member, nullptr};
}
template <class R>
FieldLimit<R> countLimit(std::uint32_t field, double highest, std::uint32_t R::*member) {
    return countLimit(field, 0.0, highest, member);
}
template <class R>
FieldLimit<R> wholeLimit(std::uint32_t field, double lowest, double highest, std::int32_t R::*member) {
    return {field, lowest, highest, nullptr, nullptr, member};
}

// The range of `field` in the table, or null.
template <class R>
const FieldLimit<R>* findLimit(const std::vector<FieldLimit<R>>& table, std::uint32_t field) {
    for (const FieldLimit<R>& l : table)
        if (l.field == field) return &l;
    return nullptr;
}

// One loaded value that was brought into range.
struct RangeFix {
    std::uint32_t field = 0;
    double was = 0.0;
    double now = 0.0;
};

// Brings each field of the table into its range: a value that is not finite
// becomes the field's value in `defaults`, a finite one outside the range
// what the field's Beyond says.
template <class R>
void bringFieldsIntoRange(R& record, const R& defaults, const std::vector<FieldLimit<R>>& table,
                          std::vector<RangeFix>& fixes) {
    constexpr double kTurn = 360.0;
    for (const FieldLimit<R>& l : table) {
        const double was = l.valueIn(record);
        if (l.holds(was) || (l.zeroUnset && was == 0.0)) continue;
        double now = l.valueIn(defaults);
        if (std::isfinite(was) && l.beyond == Beyond::kNearerEnd) now = was < l.lowest ? l.lowest : l.highest;
        if (std::isfinite(was) && l.beyond == Beyond::kSameAngle) {
            now = std::fmod(was, kTurn);
            if (now < l.lowest) now += kTurn;
        }
        if (l.beyond == Beyond::kZeroBelow && was < l.lowest) now = 0.0;
        l.assign(record, now);
        fixes.push_back({l.field, was, now});
    }
}

// The same with a default-constructed R as the defaults.
template <class R>
void bringFieldsIntoRange(R& record, const std::vector<FieldLimit<R>>& table, std::vector<RangeFix>& fixes) {
    static const R defaults;
    bringFieldsIntoRange(record, defaults, table, fixes);
}

// Gives both fields of a pair out of order their values in `defaults`:
// either end brought to the other would leave a window of one value.
template <class R>
void bringPairsInOrder(R& record, const R& defaults, const std::vector<FieldLimit<R>>& table,
                       const std::vector<FieldPair>& pairs, std::vector<RangeFix>& fixes) {
    for (const FieldPair& p : pairs) {
        const FieldLimit<R>* lower = findLimit(table, p.lower);
        const FieldLimit<R>* upper = findLimit(table, p.upper);
        if (!lower || !upper || p.inOrder(lower->valueIn(record), upper->valueIn(record))) continue;
        for (const FieldLimit<R>* l : {lower, upper}) {
            if (l->valueIn(record) == l->valueIn(defaults)) continue;
            fixes.push_back({l->field, l->valueIn(record), l->valueIn(defaults)});
            l->assign(record, l->valueIn(defaults));
        }
    }
}
