#pragma once
// Records the flushes a test program asks of the system: the paths fsynced
// and the whole file systems flushed (syncfs).  Linking sync_recorder.cpp
// replaces fsync and syncfs of the whole program by recording versions that
// still make the real call.  It also cuts a program short right after a
// chosen flush, as a power cut or a kill would, for tests that look at what
// such a cut leaves on the disk.

#include <string>
#include <vector>

namespace testsupport {

struct SyncRecord {
    std::vector<std::string> fsynced;  // absolute paths, in call order
    int fileSystemFlushes = 0;
};

void startSyncRecord();
SyncRecord syncRecord();
// True when `path` (relative to the working folder) was fsynced, or the
// temporary file beside it that it was made whole from.
bool wasFsynced(const SyncRecord& record, const std::string& path);

// The exit status of a program that cutAfterSyncs ended.
constexpr int kCutExit = 77;
// The program ends (_exit: nothing more written, no buffer flushed, no
// destructor run) right after its n-th fsync from now on; meant for a child
// process.
void cutAfterSyncs(int n);

}  // namespace testsupport
