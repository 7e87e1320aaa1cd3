#pragma once
// RecordingRunner: stands in for every outside program (platform::runProgram)
// while it lives: records each argument list and answers the exit codes in
// `codes` in turn (then 0).  Read `calls` after the caller took the result.

#include <string>
#include <vector>

#include "platform/run_program.h"

struct RecordingRunner {
    std::vector<std::vector<std::string>> calls;
    std::vector<int> codes;

    RecordingRunner() {
        platform::setProgramRunner([this](const std::vector<std::string>& argv, const std::string&, std::string*) {
            calls.push_back(argv);
            return calls.size() <= codes.size() ? codes[calls.size() - 1] : 0;
        });
    }
    ~RecordingRunner() { platform::setProgramRunner(nullptr); }
};
