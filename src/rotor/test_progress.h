#pragma once
// What the operator has marked done toward the next run of a control rotor's
// verification test.  It belongs to the test, not to a screen's visit nor to
// one Rotor object: it is kept by the test's history file for as long as the
// program runs, so that the Balancing screen opened afresh, or the rotor
// loaded again from its history record, asks only what is left.  A run
// recorded or removed, or the runs cleared, starts it afresh.

#include <cstdint>
#include <string>
#include <vector>

struct TestProgress {
    std::uint32_t acknowledged = 0;  // planes marked "Ready" (bit i = plane index i)
    std::vector<int> steps;          // per plane index: the asks passed with "Next"
    bool repeat = false;             // the next run repeats a completed test's last

    int stepsOf(int i) const;
    // One ask more (`by` 1) or back (-1) on plane index i; never below the first.
    void step(int i, int by);
};

// The progress of the test recorded in the history file at `path` (made
// absolute, so that a rotor loaded again from it finds it).
TestProgress& sharedTestProgress(const std::string& path);
