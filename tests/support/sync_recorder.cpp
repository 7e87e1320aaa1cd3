#include "support/sync_recorder.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <string>

namespace {

std::mutex g_lock;
testsupport::SyncRecord g_record;

template <class F>
F real(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

namespace testsupport {

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
    return ::realpath(path.c_str(), resolved) &&
           std::find(record.fsynced.begin(), record.fsynced.end(), resolved) != record.fsynced.end();
}

}  // namespace testsupport

extern "C" int fsync(int fd) {
    static const auto call = real<int (*)(int)>("fsync");
    char target[PATH_MAX];
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target - 1);
    {
        std::lock_guard<std::mutex> guard(g_lock);
        g_record.fsynced.push_back(n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string());
    }
    return call(fd);
}

extern "C" int syncfs(int fd) {
    static const auto call = real<int (*)(int)>("syncfs");
    {
        std::lock_guard<std::mutex> guard(g_lock);
        ++g_record.fileSystemFlushes;
    }
    return call(fd);
}
