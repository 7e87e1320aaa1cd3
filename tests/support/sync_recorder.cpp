#include "support/sync_recorder.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>

namespace {

std::mutex g_lock;
testsupport::SyncRecord g_record;
std::atomic<int> g_syncsBeforeCut{0};  // 0: no cut

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

void cutAfterSyncs(int n) { g_syncsBeforeCut = n; }

bool wasFsynced(const SyncRecord& record, const std::string& path) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return false;
    const std::string made = std::string(resolved) + ".tmp";
    return std::any_of(record.fsynced.begin(), record.fsynced.end(),
                       [&](const std::string& f) { return f == resolved || f.rfind(made, 0) == 0; });
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
    const int rc = call(fd);
    if (g_syncsBeforeCut > 0 && --g_syncsBeforeCut == 0) ::_exit(testsupport::kCutExit);
    return rc;
}

extern "C" int syncfs(int fd) {
    static const auto call = real<int (*)(int)>("syncfs");
    {
        std::lock_guard<std::mutex> guard(g_lock);
        ++g_record.fileSystemFlushes;
    }
    return call(fd);
}
