#include "platform/bounded_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

bool fail(std::string* reason, const std::string& text) {
    if (reason) *reason = text;
    return false;
}

int refuseOpen(std::string* reason, const std::string& text) {
    fail(reason, text);
    return -1;
}

// The open, check and size of openBoundedFile; may throw while making a reason.
int openChecked(const std::string& path, std::uint64_t maxBytes, std::string* reason, std::uint64_t* size) {
    // O_NONBLOCK: opening a named pipe that has no writer returns at once.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return refuseOpen(reason, std::string("cannot open: ") + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return refuseOpen(reason, "not a regular file");
    }
    const auto bytes = static_cast<std::uint64_t>(st.st_size);
    if (bytes > maxBytes) {
        ::close(fd);
        return refuseOpen(reason, "too large (" + std::to_string(bytes) + " bytes, at most " +
                                      std::to_string(maxBytes) + ")");
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (size) *size = bytes;
    return fd;
}

// Appends the rest of the file to `out`; false past maxBytes or on a read error.
bool readRest(int fd, std::uint64_t maxBytes, std::string& out, std::string* reason) {
    char buffer[65536];
    for (;;) {
        // One byte more than the limit leaves room for is asked for, so that a
        // file that grew meanwhile is refused rather than read on.
        const std::uint64_t room = maxBytes - out.size() + 1;
        const std::size_t want = room < sizeof buffer ? static_cast<std::size_t>(room) : sizeof buffer;
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(reason, std::string("read error: ") + std::strerror(errno));
        if (n == 0) return true;
        if (out.size() + static_cast<std::uint64_t>(n) > maxBytes)
            return fail(reason, "grew too large (more than " + std::to_string(maxBytes) + " bytes)");
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

int openBoundedFile(const std::string& path, std::uint64_t maxBytes, std::string* reason, std::uint64_t* size) {
    try {
        return openChecked(path, maxBytes, reason, size);
    } catch (...) {  // no memory for the reason text; the descriptor was closed before it was made
        return -1;
    }
}

bool readBoundedFile(const std::string& path, std::uint64_t maxBytes, std::string& out, std::string* reason) {
    out.clear();
    std::uint64_t size = 0;
    const int fd = openBoundedFile(path, maxBytes, reason, &size);
    if (fd < 0) return false;
    bool ok = false;
    try {
        out.reserve(static_cast<std::size_t>(size));
        ok = readRest(fd, maxBytes, out, reason);
    } catch (...) {  // out of memory
        ok = false;
    }
    ::close(fd);
    if (!ok) std::string().swap(out);
    return ok;
}

}  // namespace platform
