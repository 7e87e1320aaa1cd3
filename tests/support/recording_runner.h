#pragma once
// RecordingRunner: stands in for every outside program (platform::runProgram)
// while it lives: records each argument list, appends `output` to the
// program's output log and answers the exit codes in `codes` in turn (then
// 0).  Read `calls` after the caller took the result.

#include <fstream>
#include <string>
#include <vector>

#include "platform/run_program.h"

struct RecordingRunner {
    std::vector<std::vector<std::string>> calls;
    std::vector<int> codes;
    std::string output;

    RecordingRunner() {
        platform::setProgramRunner([this](const auto& argv, const std::string& log, std::string*) {
            calls.push_back(argv);
            if (!log.empty()) std::ofstream(log, std::ios::app) << output;
            return calls.size() <= codes.size() ? codes[calls.size() - 1] : 0;
        });
    }
    ~RecordingRunner() { platform::setProgramRunner(nullptr); }
};
