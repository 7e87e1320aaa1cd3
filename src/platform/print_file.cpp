#include "platform/print_file.h"

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

bool printFile(const std::filesystem::path& file) { return runProgram(printCommand(file), kPrintLog) == 0; }

}  // namespace platform
