// What the rotor writes into the working folder is on the disk when the call
// returns, through a flush of that file (and of its folder when a file is
// created), never of the whole file system, which waits for every program.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "records/job_records.h"
#include "rotor/rotor.h"
#include "rotor_files_fixture.h"
#include "rotor_test_config.h"
#include "support/sync_recorder.h"

namespace {

class DurableWrites : public rotortest::TempWorkDir {};

}  // namespace

TEST_F(DurableWrites, RotorFilesAreSyncedWithoutFlushingTheFileSystem) {
    const auto run = [](Rotor& r) { r.recordRun(Measurement()); };
    const struct Case {
        const char* what;
        std::function<void(Rotor&)> before, write;
        std::vector<std::string> synced;  // "*" stands for the history file
    } cases[] = {
        {"the history file made by the first run", [](Rotor&) {}, run, {"*", "history", "."}},
        {"a run appended to the history file", run, run, {"*"}},
        {"a text change appended to it", run, [](Rotor& r) { r.setRecordedText(jobrec::kCustomer, "ACME"); },
         {"*"}},
        {"a rotor saved into the database", [](Rotor&) {}, [](Rotor& r) { r.loadRotor("SAVED", 0); }, {"db", "."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestConfig cfg;
        Rotor rotor((cfg.channels(5), cfg.get()));
        rotor.setName("JOB");
        c.before(rotor);
        testsupport::startSyncRecord();
        c.write(rotor);
        const testsupport::SyncRecord record = testsupport::syncRecord();
        EXPECT_EQ(record.fileSystemFlushes, 0);
        for (const std::string& p : c.synced) {
            const std::string path = p == "*" ? std::string("history/") + rotor.nameText(true) : p;
            EXPECT_TRUE(testsupport::wasFsynced(record, path)) << path;
        }
        rotor.closeHistoryFile();
        std::filesystem::remove_all("history");
        std::filesystem::remove_all("db");
    }
}
