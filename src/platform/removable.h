#pragma once
// Removable volumes and the volume flush (Linux).
//
// The operator exchanges files on a USB stick carrying the folder "kestrune".
// removableRoots() lists the mount points that may be such a stick, in the
// order of the mount table: mounts of a removable or USB-attached block device,
// or mounted under /media, /run/media or /mnt; never the root file system nor
// the one holding the working directory; pseudo, network, optical and RAM file
// systems are left out.  Tests and tools replace the scan by a fixed list of
// folders (setRemovableRoots).
//
// All functions are re-entrant and never throw.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One line of /proc/self/mountinfo.
struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    std::string mountPoint;  // unescaped
    std::string fsType;
    std::string source;  // unescaped, e.g. "/dev/sdb1"
};

// Reads the text of a mountinfo file; malformed lines are skipped.
std::vector<MountEntry> parseMountInfo(std::string_view text);

// Undoes the kernel's octal escapes ("\040" blank, "\011" tab, "\012" newline,
// "\134" backslash) of a mountinfo field.
std::string unescapeMountField(std::string_view field);

// What the choice among the mounts needs to know of the system.
struct MountContext {
    std::vector<std::pair<unsigned, unsigned>> excludedDevices;  // root fs, working directory
    std::vector<std::string> rootFolders{"/media", "/run/media", "/mnt"};
    std::function<bool(unsigned major, unsigned minor)> isRemovableDevice;  // may be empty
};

// The mount points that may hold the operator's removable drive, table order kept.
std::vector<std::string> chooseRemovableMounts(const std::vector<MountEntry>& mounts,
                                               const MountContext& context);

// The candidate folders: the injected list when set, otherwise a scan of this
// process's mount table.
std::vector<std::string> removableRoots();

// Test and tool seam: use these folders (in this order) instead of the scan.
void setRemovableRoots(std::vector<std::string> roots);
// Back to the scan of the mount table.
void clearRemovableRoots();

// Forces what was written onto the volume that holds `path` (a file just
// written, or any folder of the volume): fsync of a regular file, then syncfs.
// Every error is ignored.  It waits for every dirty page of the file system:
// for the removable drive only (durable_files.h serves the working folder).
void syncVolume(const std::filesystem::path& path);

}  // namespace platform
