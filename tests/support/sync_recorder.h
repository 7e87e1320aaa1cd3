#pragma once
// Records the flushes a test program asks of the system: the paths fsynced
// and the whole file systems flushed (syncfs).  Linking sync_recorder.cpp
// replaces fsync and syncfs of the whole program by recording versions that
// still make the real call.

#include <string>
#include <vector>

namespace testsupport {

struct SyncRecord {
    std::vector<std::string> fsynced;  // absolute paths, in call order
    int fileSystemFlushes = 0;
};

void startSyncRecord();
SyncRecord syncRecord();
// True when `path` (relative to the working folder) was fsynced.
bool wasFsynced(const SyncRecord& record, const std::string& path);

}  // namespace testsupport
