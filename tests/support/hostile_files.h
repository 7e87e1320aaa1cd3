#pragma once
// Files someone else may put where the program reads a whole file: a named
// pipe without a writer (opening it waits for ever), a link to /dev/zero
// (reading it never ends) and a sparse 200 MB file.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace testsupport {

inline const char* const kHostileFiles[] = {"a named pipe", "a link to /dev/zero", "a 200 MB file"};

// Puts hostile file k (an index into kHostileFiles) at `path`.
inline bool makeHostileFile(int k, const std::string& path) {
    ::unlink(path.c_str());
    if (k == 0) return ::mkfifo(path.c_str(), 0600) == 0;
    if (k == 1) return ::symlink("/dev/zero", path.c_str()) == 0;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const bool ok = fd >= 0 && ::ftruncate(fd, 200L << 20) == 0;
    if (fd >= 0) ::close(fd);
    return ok;
}

}  // namespace testsupport
