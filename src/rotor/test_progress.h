#pragma once
// What the operator has marked done toward the next run of a control rotor's
// verification test, and the file that keeps it beside the test's history
// record.  It belongs to the test, not to a screen's visit nor to one run of
// the program: the Balancing screen opened afresh, the record opened again or
// the program started again ask only what is left.  A run recorded or
// removed, or the runs cleared, starts it afresh.
//
// The file ("history/NAME.progress" beside "history/NAME.rotor") is a few
// text lines ending in a checksum, replaced whole at every change, and names
// the runs it leads on from.  Anything it cannot vouch for (cut short,
// garbled, kept for other runs) reads as nothing marked: the screen then asks
// every ask of the run again, never one less.  A missing file is nothing
// marked yet.
//
// It also says when the record was left for a newer one: the test went on in
// a newer record (a run was made after this record was opened), or a new test
// of the rotor was begun.  That holds for good, whatever then becomes of the
// newer record, and is decided when the newer record is made, not from the
// records' clocks, which may have gone back.  While the newer record is being
// made the mark names it: the record is left once a file of that name stands
// (it appears whole or not at all), and takes runs as before when none does.

#include <cstdint>
#include <string>
#include <vector>

struct RotorData;

// How a record stands toward the newer records of its rotor.
enum class TestLeft { kTakesRuns, kContinued, kBegunAgain };

struct TestProgress {
    std::uint32_t acknowledged = 0;  // planes marked "Ready" (bit i = plane index i)
    std::vector<int> steps;          // per plane index: the asks passed with "Next"
    bool repeat = false;             // the next run repeats a completed test's last
    TestLeft left = TestLeft::kTakesRuns;  // left for a newer record: nothing more here
    std::string leavingFor;          // the newer record's file while it is being made, else ""

    int stepsOf(int i) const;
    // One ask more (`by` 1) or back (-1) on plane index i; never below the first.
    void step(int i, int by);
    // Nothing is marked.
    bool empty() const;
};

// The runs a progress leads on from: the record's run count and the time
// stamp of its last run, and its plane count.
struct TestProgressRuns {
    int runs = 0;
    std::int64_t lastRunTime = 0;
    int planes = 0;
};

// The runs of a record.
TestProgressRuns testProgressRuns(const RotorData& record);

// The progress file of the history record at `historyPath`.
std::string testProgressPath(const std::string& historyPath);
// The progress kept for the record; nothing marked when the file is missing,
// unreadable, damaged or kept for other runs (`why` then says so, when given
// and a file was there; not for one kept before the record's last run, which
// a run's end leaves when the program ends before it clears the file).
TestProgress readTestProgress(const std::string& historyPath, const TestProgressRuns& runs,
                              std::string* why = nullptr);
// Keeps the progress for the record: the file is replaced whole, so that a
// cut leaves the old or the new one; with nothing marked it is removed.
// False, with the system's errno in `error`, when that failed; an older file
// that says more was done than `progress` is then removed where the disk
// lets it (a full one does), so that it is never read back as done.
bool keepTestProgress(const std::string& historyPath, const TestProgressRuns& runs, const TestProgress& progress,
                      int* error = nullptr);

// Settles a mark that names a newer record being made: left once the file
// `leavingFor` names stands beside the record, taking runs as before when it
// does not.  True when the mark was one to settle.
bool settleLeaving(const std::string& historyPath, TestProgress& progress);
// Before the history record at `historyPath` is deleted: every record marked
// as being left for it is left for good, as it would be had its mark been
// settled before.
void keepRecordsLeftFor(const std::string& historyPath);
