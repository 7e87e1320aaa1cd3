#include "files/removable_drive.h"

#include "platform/removable.h"

bool findRemovableDrive(std::string& path) {
    if (path.empty()) path = "kestrune";
    const std::string sub = path;
    for (std::string root : platform::removableRoots()) {
        while (root.size() > 1 && root.back() == '/') root.pop_back();
        std::string candidate = (root == "/" ? root : root + "/") + sub;
        std::error_code ec;
        if (std::filesystem::is_directory(candidate, ec)) {
            path = candidate;
            return true;
        }
    }
    return false;
}

void flushVolume(const std::filesystem::path& path) {
    platform::syncVolume(path);
}
