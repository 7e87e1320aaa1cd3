#pragma once
// Making written files durable without flushing the whole file system.
//
// A file of the working folder is on the disk once the file itself is
// flushed, and its folder too when the file was created, renamed or removed.
// Flushing the whole volume (syncVolume, removable.h) waits for every dirty
// page of every program on it; it is kept for the removable drive, which the
// operator may pull at any moment.

#include <string>

namespace platform {

// fsync of an open file; false when the system reports a failure.
bool syncOpenFile(int fd);

// fsync of the folder that holds `path` ("." for a bare name); false on failure.
bool syncFolderOf(const std::string& path);

}  // namespace platform
