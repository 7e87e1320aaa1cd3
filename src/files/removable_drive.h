#pragma once
// The operator's removable drive (a USB stick carrying the folder "kestrune")
// and the flush of written data onto a volume.
//
//   std::string path = "kestrune/";
//   if (findRemovableDrive(path)) { ... write below path ...; flushVolume(path); }
//
// The candidate mount points come from platform::removableRoots() (tests set
// them with platform::setRemovableRoots).

#include <filesystem>
#include <string>

// `path` is a sub-path below the drive's root ("" means "kestrune"); the first
// candidate in mount-table order where root + "/" + path is an existing folder
// wins and `path` becomes that absolute path.  None: false (path unusable).
bool findRemovableDrive(std::string& path);

// Forces the data written so far onto the volume holding `path` (the file just
// written or a folder on the stick), since the operator may pull the stick at
// any moment.  It waits for the whole file system: files of the working
// folder are made durable by themselves (platform/durable_files.h).  Errors
// are ignored.
void flushVolume(const std::filesystem::path& path);
