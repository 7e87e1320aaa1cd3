#pragma once
// Records the flushes a test program asks of the system: which files were
// fsynced (by path) and how many whole file systems were flushed (syncfs).
// Linking sync_recorder.cpp replaces fsync and syncfs of the whole test
// program by recording versions that still do the real call.

#include <string>
#include <vector>

namespace testsupport {

struct SyncRecord {
    std::vector<std::string> fsynced;  // absolute paths, in call order
    int fileSystemFlushes = 0;
};

// Clears the record; the calls from now on are recorded.
void startSyncRecord();
SyncRecord syncRecord();

// True when `path` (relative to the working folder) is among the fsynced.
bool wasFsynced(const SyncRecord& record, const std::string& path);

}  // namespace testsupport
