#include "platform/print_file.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/run_program.h"

namespace platform {
namespace {
constexpr const char* kPrintLog = "logs/lp.log";

// The first line of `text` that is not blank.
std::string firstLine(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        line.erase(line.find_last_not_of(" \t\r") + 1);
        if (!line.empty()) return line;
        start = end + 1;
    }
    return {};
}
}  // namespace

std::vector<std::string> printCommand(const std::filesystem::path& file) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    return {"lp", (ec ? file : absolute).string()};
}

bool printFile(const std::filesystem::path& file, std::string* reason) {
    std::string why, said;
    const int code = runProgram(printCommand(file), kPrintLog, &why, &said);
    // Why lp did not run at all (not installed, ended by a signal) goes
    // beside its own messages.
    if (code < 0) std::ofstream(kPrintLog, std::ios::app) << why << '\n';
    if (code != 0 && reason) *reason = code < 0 ? why : firstLine(said);
    return code == 0;
}

}  // namespace platform
