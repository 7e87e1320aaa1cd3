#pragma once
// Printing a file on the default printer through the CUPS client (`lp`).
// `lp` returns as soon as the job is queued; what the printer does later is
// the printing system's (`lpstat`).  Tests replace the program through
// platform::setProgramRunner.

#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// The argument list that prints `file`: lp and the file's absolute path.
std::vector<std::string> printCommand(const std::filesystem::path& file);

// Queues `file` for the default printer and waits for lp; true on its exit
// code 0.  lp's own output, or why it could not run, goes to "logs/lp.log";
// on a failure `reason` gets the first line lp wrote there this time ("lp:
// Error - No default destination."), or why it could not run; "" when
// neither is known (no "logs" folder).
bool printFile(const std::filesystem::path& file, std::string* reason = nullptr);

}  // namespace platform
