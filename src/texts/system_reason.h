#pragma once
// The system's reason for a failure (an errno), as the operator reads it
// under a message's title: a full drive is "Not enough space!", a read-only
// one "Read-only file system", in the interface's language.

#include <string>

// True when `err` says the drive (or the user's share of it) has no room left.
bool noRoomLeft(int err);

// The reason's text in the current language, "System error N" for one the
// texts do not hold; "" for 0 (no reason known).
std::string systemReasonText(int err);
