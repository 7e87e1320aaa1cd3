#pragma once
// Reading a whole file whose size has an upper bound, without ever blocking.
//
// Every file the program reads whole (settings, rotor files, the welding
// parameters, update packages) may have been put there by someone else: a
// named pipe would block the opening thread for ever, a link to a device
// never ends, and a huge file exhausts the memory.  These calls open without
// blocking, refuse what is not a regular file and refuse a file larger than
// the reader's cap, with a short reason for the caller's log.  They never
// throw (an allocation failure is a refusal too).

#include <cstdint>
#include <string>

namespace platform {

// Opens `path` for reading when it is a regular file of at most maxBytes
// bytes; returns the descriptor (close-on-exec, blocking reads) or -1 with
// `reason` set.  `size`, when given, receives the file's size.
int openBoundedFile(const std::string& path, std::uint64_t maxBytes, std::string* reason,
                    std::uint64_t* size = nullptr);

// Reads the whole file into `out` (replaced).  False, with `reason` set and
// `out` empty, when it cannot be opened, is not a regular file, holds more
// than maxBytes bytes (also when it grows past them while being read) or a
// read fails.
bool readBoundedFile(const std::string& path, std::uint64_t maxBytes, std::string& out, std::string* reason);

}  // namespace platform
