#pragma once
// The rotor's position table: for every plane whose correction is made on
// fixed positions (indexed mass positions, or the holes of a drilling
// pattern), the positions with their angles and the amount each receives,
// the position the operator is working on, and the walk over the used ones.

#include <cstdint>
#include <functional>
#include <vector>

class RotorBase;

struct PositionValue {
    double amount = 0.0;  // mass (g) or, for drilling, depth (mm)
    double angle = 0.0;   // degrees, [0, 360)
    double value = 0.0;   // set by setPositionValue
    // A control rotor's test mass the operator takes off where it sits,
    // not one he mounts.
    bool removes = false;
};

struct PositionEntry {
    int first = 0;      // index of the plane's first position in the values
    int previous = -1;  // -1: none
    int current = -1;   // relative to first; -1: none
    int count = 0;      // number of positions
    int steps = -1;     // -1: none
};

class PositionTable {
public:
    // What the table needs of its rotor beyond the rotor interface: setting a
    // plane's correction mass and angle, and the machine's drill point angle.
    struct Hooks {
        std::function<void(int planeIndex, double mass, double angle)> setCorrection;
        std::function<double()> machineDrillAngle;
        // The mass of the unbalance a control rotor's test adds at its first step.
        std::function<double()> addedTestMass = {};
        // A control rotor's run that missed its verification step.
        std::function<bool(int run)> missesItsStep = {};
        // The next run repeats a completed test's last, on the bare rotor.
        std::function<bool()> repeatsLastRun = {};
    };

    PositionTable(RotorBase* owner, Hooks hooks);

    // Rebuilds entries (one per plane) and values.  Returns the mask of plane
    // indexes that have at least one position.
    std::uint32_t buildPositionTable();

    bool hasPositions(int i) const;
    bool hasUsedPositions(int i) const;
    void setPositionValue(int i, double x);
    std::uint32_t positionLookup(int i);
    void positionEntry(int i);
    void layoutDrillPositions(int i, double angle);
    bool sharePlaneToPositions(int i, bool force, double U, double angle);
    int nextUsedPosition(int i, bool force, double angle);
    void splitToPositions(int i, bool force);
    void nextPositionSplit(int i, bool force);
    void shareToPositions(int i, bool force);
    // What a control rotor's planes are asked for after the current run: the
    // test masses that come off and go on for the next run's row, the
    // unbalance added at the test's first step, or the correction that
    // balances the proving rotor (also when a run missed its step).
    enum class TestMasses { kRows, kAddedUnbalance, kCorrection };
    TestMasses testMasses() const;
    // A control rotor's planes hold their asks on four positions: the
    // stationary and the travelling mass that come off, then the two that go on.
    static constexpr int kTestPositions = 4;
    // The correction shown for plane index i is a mass to take off.
    bool removalShown(int i) const;
    // Plane index i of a control rotor has a test mass to take off or put on.
    bool asksTestMasses(int i) const;

    const std::vector<PositionEntry>& entries() const { return entries_; }
    const std::vector<PositionValue>& values() const { return values_; }
    // Bit p - 1 for every plane p (1 to 32) that has an entry.
    std::uint32_t planeMask() const { return planeMask_; }
    // Position k of plane index i, or null.
    const PositionValue* position(int i, int k) const;
    PositionValue* position(int i, int k);

private:
    PositionEntry* entry(int i);
    const PositionEntry* entry(int i) const;
    double drillStepDegrees(int p) const;
    int planePositionCount(int p) const;

    RotorBase* owner_;
    Hooks hooks_;
    std::vector<PositionValue> values_;
    std::vector<PositionEntry> entries_;
    std::uint32_t planeMask_ = 0;
};
