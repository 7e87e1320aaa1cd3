#include "support/sync_recorder.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <mutex>
#include <string>

namespace testsupport {
namespace {

std::mutex g_lock;
SyncRecord g_record;

std::string pathOf(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

template <class F>
F realCall(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

void startSyncRecord() {
    std::lock_guard<std::mutex> guard(g_lock);
    g_record = SyncRecord();
}

SyncRecord syncRecord() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_record;
}

bool wasFsynced(const SyncRecord& record, const std::string& path) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return false;
    for (const std::string& p : record.fsynced)
        if (p == resolved) return true;
    return false;
}

}  // namespace testsupport

extern "C" int fsync(int fd) {
    static const auto real = testsupport::realCall<int (*)(int)>("fsync");
    {
        std::lock_guard<std::mutex> guard(testsupport::g_lock);
        testsupport::g_record.fsynced.push_back(testsupport::pathOf(fd));
    }
    return real(fd);
}

extern "C" int syncfs(int fd) {
    static const auto real = testsupport::realCall<int (*)(int)>("syncfs");
    {
        std::lock_guard<std::mutex> guard(testsupport::g_lock);
        ++testsupport::g_record.fileSystemFlushes;
    }
    return real(fd);
}
