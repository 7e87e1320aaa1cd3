#pragma once
// RecordingRunner: stands in for every outside program (platform::runProgram)
// while it lives.  It records each argument list and answers the exit codes
// queued in `codes`, in turn (0 once they are used up).  The programs may be
// run on another thread; read `calls` after the caller has taken the result.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/run_program.h"

class RecordingRunner {
public:
    std::vector<std::vector<std::string>> calls;
    std::vector<int> codes;

    RecordingRunner() {
        platform::setProgramRunner([this](const std::vector<std::string>& argv, const std::string&, std::string*) {
            calls.push_back(argv);
            return next_ < codes.size() ? codes[next_++] : 0;
        });
    }
    ~RecordingRunner() { platform::setProgramRunner(nullptr); }
    RecordingRunner(const RecordingRunner&) = delete;
    RecordingRunner& operator=(const RecordingRunner&) = delete;

private:
    std::size_t next_ = 0;
};
