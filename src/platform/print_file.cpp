#include "platform/print_file.h"

#include <fstream>

#include "platform/run_program.h"

namespace platform {
namespace {
constexpr const char* kPrintLog = "logs/lp.log";
}  // namespace

std::vector<std::string> printCommand(const std::filesystem::path& file) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    return {"lp", (ec ? file : absolute).string()};
}

bool printFile(const std::filesystem::path& file) {
    std::string reason;
    const int code = runProgram(printCommand(file), kPrintLog, &reason);
    // Why lp did not run at all (not installed, ended by a signal) goes
    // beside its own messages.
    if (code < 0) std::ofstream(kPrintLog, std::ios::app) << reason << '\n';
    return code == 0;
}

}  // namespace platform
