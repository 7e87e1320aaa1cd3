#include "files/update_unpack.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <vector>

#include "files/logger.h"
#include "files/lzma_alone.h"
#include "platform/bounded_read.h"
#include "platform/file_replace.h"

namespace {

bool refuse(std::string* reason, const std::string& text) {
    if (reason) *reason = text;
    return false;
}

// The process's file-creation mask, read without changing it.
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            unsigned v = 0;
            if (std::sscanf(line.c_str() + 6, "%o", &v) == 1) return static_cast<mode_t>(v & 0777);
        }
    }
    return 022;
}

constexpr std::size_t kMinFile = 13 + 5;  // header and the least LZMA data

bool unpack(const char* path, std::string* reason) {
    if (!path || !*path) return refuse(reason, "no file name");
    std::string refusal;
    std::uint64_t size = 0;
    struct Fd {
        int fd;
        ~Fd() {
            if (fd >= 0) ::close(fd);
        }
    } in{platform::openBoundedFile(path, kUpdateMaxPacked, &refusal, &size)};
    if (in.fd < 0) return refuse(reason, "update file: " + refusal);
    if (size < kMinFile) return refuse(reason, "update file too short");
    std::vector<unsigned char> packed(static_cast<std::size_t>(size));
    std::size_t got = 0;
    while (got < packed.size()) {
        const ssize_t n = ::read(in.fd, packed.data() + got, packed.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (got != packed.size()) return refuse(reason, "short read of the update file");

    std::vector<unsigned char> program;
    std::string why;
    if (!lzmaAloneDecode(packed.data(), packed.size(), kUpdateMaxUnpacked, program, &why))
        return refuse(reason, "update file damaged: " + why);
    packed = std::vector<unsigned char>();

    std::string error;
    if (!platform::replaceFile(
            kUpdateTarget, std::string_view(reinterpret_cast<const char*>(program.data()), program.size()),
            &error))
        return refuse(reason, "cannot write " + std::string(kUpdateTarget) + ": " + error);
    if (::chmod(kUpdateTarget, 0777 & ~currentUmask()) != 0)
        return refuse(reason, "cannot make " + std::string(kUpdateTarget) + " executable");
    return true;
}

}  // namespace

bool unpackUpdateFile(const char* path, std::string* reason) {
    std::string why;
    bool ok = false;
    try {
        ok = unpack(path, &why);
    } catch (...) {  // out of memory: the update is refused, the program goes on
        why = "out of memory";
    }
    if (!ok) {
        // The unpacking belongs to no component with a log of its own.
        LoggerBase* log = createLogger("dbr");
        logPrintf(&log, "Unpack update %s error: %s", path ? path : "", why.c_str());
        delete log;
    }
    if (reason && !ok) reason->swap(why);
    return ok;
}

bool unpackUpdateFile(const char* path) {
    return unpackUpdateFile(path, nullptr);
}
