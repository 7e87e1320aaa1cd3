#pragma once
// The crash handler: what stands in for the crash dumps of Windows.
//
// On a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) the handler
// runs on its own stack and, using only async-signal-safe calls, writes
// "logs/crash-YYYYmmdd-HHMMSS.txt" (local time) in the working folder: the
// signal, the faulting address (or the sending process) and a backtrace.
// Then the signal's default action ends the process, so the parent still
// sees the signal.  Every failure (a full disk, no rights) is ignored; a
// missing logs folder is made.

namespace platform {

// Installs the handler; the crash files go into `folder` (relative paths are
// taken from the working directory now).  False when a handler could not be
// installed.
bool installCrashHandler(const char* folder = "logs");

}  // namespace platform
