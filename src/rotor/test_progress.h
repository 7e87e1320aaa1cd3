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
// It also says when the test went on in a newer record (a run was made after
// this record was opened): that holds for good, whatever then becomes of the
// newer record, and is decided when the run is made, not from the records'
// clocks, which may have gone back.

#include <cstdint>
#include <string>
#include <vector>

struct TestProgress {
    std::uint32_t acknowledged = 0;  // planes marked "Ready" (bit i = plane index i)
    std::vector<int> steps;          // per plane index: the asks passed with "Next"
    bool repeat = false;             // the next run repeats a completed test's last
    bool continued = false;          // the test went on in a newer record: nothing more here

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

// The progress file of the history record at `historyPath`.
std::string testProgressPath(const std::string& historyPath);
// The progress kept for the record; nothing marked when the file is missing,
// unreadable, damaged or kept for other runs (`why` then says so, when given
// and a file was there).
TestProgress readTestProgress(const std::string& historyPath, const TestProgressRuns& runs,
                              std::string* why = nullptr);
// Keeps the progress for the record: the file is replaced whole, so that a
// cut leaves the old or the new one; with nothing marked it is removed.
// False, with the system's errno in `error`, when that failed; an older file
// that says more was done than `progress` is then removed where the disk
// lets it (a full one does), so that it is never read back as done.
bool keepTestProgress(const std::string& historyPath, const TestProgressRuns& runs, const TestProgress& progress,
                      int* error = nullptr);
