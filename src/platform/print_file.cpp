#include "platform/print_file.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/run_program.h"

namespace platform {
namespace {
constexpr const char* kPrintLog = "logs/lp.log";
constexpr std::size_t kReasonRead = 4096;  // of lp's output, enough for its first line

std::uintmax_t logSize() {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(kPrintLog, ec);
    return ec ? 0 : size;
}

// The first line that is not blank of what the log holds after `offset`.
std::string firstLineAfter(std::uintmax_t offset) {
    std::ifstream in(kPrintLog, std::ios::binary);
    if (!in.seekg(static_cast<std::streamoff>(offset))) return {};
    std::string text(kReasonRead, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
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
    const std::uintmax_t before = logSize();
    std::string why;
    const int code = runProgram(printCommand(file), kPrintLog, &why);
    // Why lp did not run at all (not installed, ended by a signal) goes
    // beside its own messages.
    if (code < 0) std::ofstream(kPrintLog, std::ios::app) << why << '\n';
    if (code != 0 && reason) *reason = code < 0 ? why : firstLineAfter(before);
    return code == 0;
}

}  // namespace platform
