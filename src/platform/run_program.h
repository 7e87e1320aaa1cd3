#pragma once
// Running an outside program (the firmware writer, the printing tool) and
// waiting for its end.
//
// The program is started directly with its argument list, found on PATH,
// never through a command interpreter: a file name from the removable drive
// is one argument whatever characters it holds.  Its standard input is
// /dev/null; its standard output and error are appended to a log file.
// Tests install a runner of their own (setProgramRunner).

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Runs argv[0] with the arguments argv[1..] and waits for it.  Output goes to
// `outputLog` (appended; "" or a file that cannot be opened: discarded), and
// what this run appended there (its first kOutputRead bytes) to `output`
// (when given).  Returns the program's exit code; -1 when it could not be
// started or was ended by a signal, with the reason in `error` (when given).
// Never throws.
int runProgram(const std::vector<std::string>& argv, const std::string& outputLog = {},
               std::string* error = nullptr, std::string* output = nullptr);
// Enough of a program's output for the lines that say why it failed.
constexpr std::size_t kOutputRead = 4096;

// The test seam: runProgram calls this runner instead (empty: the real one).
// Install it before the program's threads may run one.
using ProgramRunner =
    std::function<int(const std::vector<std::string>& argv, const std::string& outputLog, std::string* error)>;
void setProgramRunner(ProgramRunner runner);

}  // namespace platform
