#pragma once
// The ranges of the settings numbers: every number typed on the settings
// screen has one (a quantity positive or at least 0, an angle within a turn,
// a count within what the machine loops over or the devices take), and each
// minimum stays no more than its maximum.  A typed value outside its range,
// or a fraction in a whole-number field, is refused; a loaded value is
// brought into its range.  Choices and indexes into the settings' lists (the
// language, a gain step, a curve type, the inverter of a drive) have no range
// here: where they are used they are checked against what exists.  The
// length of the operator list is bounded too.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "records/field_limits.h"
#include "records/settings_records.h"

// The years a date may have (of manufacture; the computer's clock takes none
// before its own earliest).
constexpr double kEarliestYear = 1900;
constexpr double kLatestYear = 2100;

// A field's lowest and highest value as the settings stand (a minimum up to
// its maximum's value, a maximum from its minimum's; a window's ends
// themselves left out), and whether it holds whole numbers only.
struct SettingRange {
    double lowest = 0.0;
    double highest = 0.0;
    bool whole = false;
    bool aboveLowest = false;   // the lowest itself is not taken
    bool belowHighest = false;  // nor the highest
    bool zero = false;          // 0 is taken besides the range (it has a meaning of its own)

    bool takes(double v) const {
        return (zero && v == 0.0) ||
               ((aboveLowest ? lowest < v : lowest <= v) && (belowHighest ? v < highest : v <= highest));
    }
};

// The range of the settings number at path[0..depth-1], or none: the path
// names no ranged number.
std::optional<SettingRange> settingRange(const Config& config, const std::uint32_t* path, int depth);

// True when the settings number at path[0..depth-1] takes `value`.  False
// when the value lies outside the field's range or is a fraction in a
// whole-number field (`range` then holds the range), or when the field would
// keep another number (beyond its type).
bool settingNumberFits(const Config& config, const std::uint32_t* path, int depth, double value,
                       std::optional<SettingRange>* range);

// The text a settings field is set from for `value` (the decimal point '.',
// the shortest form that reads back as the same number).
std::string settingNumberText(double value);

// One loaded value that was brought into range, at its path; or a material
// left out for its density (`leftOut`, `name` the material's).
struct SettingFix {
    std::vector<std::uint32_t> path;
    double was = 0.0;
    double now = 0.0;
    bool leftOut = false;
    std::string name;
};

// Brings every ranged settings number into its range (one that is not finite
// becomes its default, one beyond it what its Beyond says), gives a minimum
// above its maximum (in a window, at it too) and the maximum their defaults,
// and leaves out a material
// whose density lies beyond its range; what it changed.
std::vector<SettingFix> bringSettingsIntoRange(Config& config);

// The most operators the settings hold: a machine has a handful, a shop
// with several shifts some tens.  "+ New" adds none beyond it; a settings
// file from a drive that lists more is refused whole, one of the machine's
// own keeps the first ones.
constexpr std::size_t kMaxOperators = 200;
