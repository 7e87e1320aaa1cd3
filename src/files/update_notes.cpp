#include "files/update_notes.h"

#include <filesystem>
#include <system_error>

#include "files/logger.h"
#include "platform/bounded_read.h"
#include "platform/file_replace.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kNoteMaxBytes = 4096;

// The note's line `index` (from 0), without its line end.
std::string lineOf(const std::string& text, int index) {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = text.find('\n', start);
        if (start == std::string::npos) return {};
        ++start;
    }
    std::string line = text.substr(start, text.find('\n', start) - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

bool plainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

}  // namespace

bool noteUpdatePackage(const std::string& packageName, std::string* reason) {
    std::string error;
    if (platform::replaceFile(kUpdatePackageNote, packageName + "\n", &error)) return true;
    std::error_code ignored;
    fs::remove(kUpdatePackageNote, ignored);
    if (reason) *reason = std::string("cannot write ") + kUpdatePackageNote + ": " + error;
    return false;
}

std::optional<FailedUpdate> takeFailedUpdate() {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(kUpdateFailedNote, ec))) return std::nullopt;
    FailedUpdate failed;
    std::string text, why;
    if (platform::readBoundedFile(kUpdateFailedNote, kNoteMaxBytes, text, &why)) {
        failed.package = lineOf(text, 0);
        failed.what = lineOf(text, 1);
        if (!plainFileName(failed.package)) failed.package.clear();
    } else {
        failed.what = std::string(kUpdateFailedNote) + " unreadable: " + why;
    }
    fs::remove(kUpdateFailedNote, ec);
    if (ec) logOneLine("dbr", std::string("Remove ") + kUpdateFailedNote + " error: " + ec.message());
    return failed;
}
