#pragma once
// Files that someone else may have put where the program reads a whole file:
// a named pipe without a writer (opening it waits for ever), a link to
// /dev/zero (reading it never ends) and a 200 MB file (made sparse, so it
// costs no disk).  Each test reader must refuse them at once.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace testsupport {

enum class Hostile { pipe, endlessDevice, hugeFile };

struct HostileCase {
    Hostile kind;
    const char* what;
};

inline const std::vector<HostileCase>& hostileFiles() {
    static const std::vector<HostileCase> cases = {
        {Hostile::pipe, "a named pipe"},
        {Hostile::endlessDevice, "a link to /dev/zero"},
        {Hostile::hugeFile, "a 200 MB file"},
    };
    return cases;
}

// Puts the hostile file at `path` (replacing whatever is there); false when
// the system refuses.
inline bool makeHostileFile(Hostile kind, const std::string& path) {
    ::unlink(path.c_str());
    switch (kind) {
        case Hostile::pipe:
            return ::mkfifo(path.c_str(), 0600) == 0;
        case Hostile::endlessDevice:
            return ::symlink("/dev/zero", path.c_str()) == 0;
        case Hostile::hugeFile: {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd < 0) return false;
            const bool ok = ::ftruncate(fd, 200L << 20) == 0;
            ::close(fd);
            return ok;
        }
    }
    return false;
}

}  // namespace testsupport
