#pragma once
// The program's sign to its launcher that it has shown its first frame.
//
// The launcher (scripts/kestrune-run) starts a freshly installed program on
// trial: unless the program shows a frame in time, it is ended and the one it
// replaced comes back.  The launcher asks for the sign by putting its process
// id into KESTRUNE_LAUNCHER; the sign is SIGUSR1 sent to it, which needs no
// writable folder (as the removal of "kestrune.old" does).

#include <string>

namespace platform {

enum class LauncherSign {
    kNotAsked,  // no launcher asked for it (started by hand, by a test, or not on trial)
    kGiven,
    kFailed,    // `reason` says why: the launcher would end this program
};

// Gives the sign when it was asked for; only to the process that started
// this one (a launcher that has gone may have passed its id on).
LauncherSign signFirstFrame(std::string* reason);

}  // namespace platform
