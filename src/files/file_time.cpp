#include "files/file_time.h"

#include <sys/stat.h>

bool fileTimeToTime(const std::filesystem::path& path, std::int64_t& seconds) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    // tv_nsec is always in [0, 1e9), so tv_sec is already the floor.
    seconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    return true;
}

std::int64_t fileTimeToTime(std::uint64_t fileTime) {
    constexpr std::int64_t kTicksPerSecond = 10000000;
    constexpr std::int64_t kEpochOffset = 11644473600;  // seconds from 1601 to 1970
    const std::int64_t secs = static_cast<std::int64_t>(fileTime / kTicksPerSecond);
    return secs - kEpochOffset;
}
