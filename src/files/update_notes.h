#pragma once
// The notes an application update leaves for what comes after it.  The
// program that unpacks a package into "kestrune.new" names the package in
// "update-package.txt".  The launcher (scripts/kestrune-run) exchanges the
// program file; when the new program shows no frame it puts the previous one
// back and renames the note to "update-failed.txt", adding what happened on a
// second line.  The next start takes that note and says the update was not
// installed, once.

#include <optional>
#include <string>

inline constexpr const char* kUpdatePackageNote = "update-package.txt";
inline constexpr const char* kUpdateFailedNote = "update-failed.txt";

// Names the package (its file name) beside "kestrune.new".  On false `reason`
// says why, and an older note is gone, so that none names the wrong package.
bool noteUpdatePackage(const std::string& packageName, std::string* reason);

struct FailedUpdate {
    std::string package;  // its file name; "" when the note names no plain file name
    std::string what;     // what the launcher saw, e.g. "no frame shown within 60 s"
};

// The update the launcher rolled back, taken once: the note is removed (a
// removal that fails is logged in "dbr").  Nothing when there is no note.
std::optional<FailedUpdate> takeFailedUpdate();
