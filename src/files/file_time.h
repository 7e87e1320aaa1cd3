#pragma once
// File times as seconds since 1970-01-01 (UTC), signed: a file dated before
// 1970 gives a negative value.

#include <cstdint>
#include <filesystem>

// The last-write time of `path` (whole seconds, rounded down).  Returns false
// (seconds untouched) when the file's status cannot be read.
bool fileTimeToTime(const std::filesystem::path& path, std::int64_t& seconds);

// A time counted in 100-ns ticks from 1601-01-01 (the form some file systems
// and archive formats use) as seconds since 1970; earlier times are negative.
std::int64_t fileTimeToTime(std::uint64_t fileTime);
