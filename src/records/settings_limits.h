#pragma once
// The ranges of the settings numbers that have one: the counts a run divides
// by or loops over, the percentages, the years of manufacture.  A typed value
// outside its field's range, or one its field cannot hold, is refused; a
// loaded count is brought to at least 1.  Other numbers take what is typed.
// The length of the operator list is bounded too.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "records/field_limits.h"
#include "records/settings_records.h"

// A field's lowest and highest value.
struct SettingRange {
    double lowest = 0.0;
    double highest = 0.0;
};

// True when the settings number at path[0..depth-1] takes `text`, a number,
// as its new value (a path that names no number takes anything: its setting
// fails anyway).  False when the value the field would take lies outside its
// range (`range` then holds it) or is not the number typed (an integer field
// would keep another: a count typed below 0, a number beyond its type).
bool settingNumberFits(const Config& config, const std::uint32_t* path, int depth, const char* text,
                       std::optional<SettingRange>* range);

// Brings the counts a run divides by or loops over (measurement cycles, test
// measurements) into their range; what it changed.
std::vector<RangeFix> bringSettingCountsIntoRange(Config& config);

// The most operators the settings hold: a machine has a handful, a shop
// with several shifts some tens.  "+ New" adds none beyond it, and a
// settings file that lists more is refused whole.
constexpr std::size_t kMaxOperators = 200;
