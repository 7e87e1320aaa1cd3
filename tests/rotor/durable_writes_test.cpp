// What the rotor writes into the working folder is on the disk when the call
// returns, through a flush of that file (and of its folder when a file is
// created), never through a flush of the whole file system, which would wait
// for every other program's writes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "records/job_records.h"
#include "rotor/rotor.h"
#include "rotor_files_fixture.h"
#include "rotor_test_config.h"
#include "support/sync_recorder.h"

namespace {

class DurableWrites : public rotortest::TempWorkDir {};

std::string historyFile(Rotor& r) { return std::string("history/") + r.nameText(true); }

}  // namespace

TEST_F(DurableWrites, RotorFilesAreSyncedWithoutFlushingTheFileSystem) {
    const struct Case {
        const char* what;
        std::function<void(Rotor&)> prepare;
        std::function<void(Rotor&)> write;
        std::function<std::vector<std::string>(Rotor&)> synced;
    } cases[] = {
        {"the history file made by the first run", [](Rotor&) {},
         [](Rotor& r) { r.recordRun(Measurement()); },
         [](Rotor& r) { return std::vector<std::string>{historyFile(r), "history", "."}; }},
        {"a run appended to the history file", [](Rotor& r) { r.recordRun(Measurement()); },
         [](Rotor& r) { r.recordRun(Measurement()); },
         [](Rotor& r) { return std::vector<std::string>{historyFile(r)}; }},
        {"a text change appended to the history file", [](Rotor& r) { r.recordRun(Measurement()); },
         [](Rotor& r) { r.setRecordedText(jobrec::kCustomer, "ACME"); },
         [](Rotor& r) { return std::vector<std::string>{historyFile(r)}; }},
        {"a rotor saved into the database", [](Rotor&) {}, [](Rotor& r) { r.loadRotor("SAVED", 0); },
         [](Rotor&) { return std::vector<std::string>{"db", "."}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestConfig cfg;
        auto rotor = std::make_unique<Rotor>((cfg.channels(5), cfg.get()));
        rotor->setName("JOB");
        rotor->data().planes.assign(1, Plane());
        c.prepare(*rotor);
        testsupport::startSyncRecord();
        c.write(*rotor);
        const testsupport::SyncRecord record = testsupport::syncRecord();
        EXPECT_EQ(record.fileSystemFlushes, 0);
        for (const std::string& path : c.synced(*rotor)) EXPECT_TRUE(testsupport::wasFsynced(record, path)) << path;
        rotor.reset();
        std::filesystem::remove_all("history");
        std::filesystem::remove_all("db");
    }
}
