#pragma once
// Unpacking of a program update: an LZMA "alone" file (".kst" in
// "kestrune/updates" on the stick) is decoded in memory and written as
// "kestrune.new" in the working directory (executable), ready for the swap
// outside the program.  An existing "kestrune.new" is replaced only after a
// complete, checked decode and a durable write, and only by an executable that
// this machine runs (an ELF program of the running program's class, byte order
// and processor): anything else would leave the machine without a program.

#include <cstdint>
#include <string>

inline constexpr std::uint64_t kUpdateMaxPacked = 16777216;    // 16 MiB
inline constexpr std::uint64_t kUpdateMaxUnpacked = 33554432;  // 32 MiB
inline constexpr const char* kUpdateTarget = "kestrune.new";

// True when "kestrune.new" was written.  On false `reason` (when given) tells
// why: unreadable, not a regular file, too large, too short, damaged, not a
// program of this machine, or not writable; the reason is also logged in "dbr".  Never blocks on a pipe.
// `systemError` (when given) gets the system's reason (errno) when the
// failure was this machine's, not the package's (no room for the program, a
// read-only working folder, no memory); 0 otherwise.
bool unpackUpdateFile(const char* path, std::string* reason, int* systemError = nullptr);
bool unpackUpdateFile(const char* path);
