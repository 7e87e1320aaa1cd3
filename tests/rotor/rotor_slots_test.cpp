// The interface keeps its slot order: every operation sits at the place the
// operator interface, machine control and protocols were built against.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "records/job_records.h"
#include "rotor/rotor.h"
#include "rotor_test_config.h"

namespace {

// Index of a virtual function in the vtable (Itanium C++ ABI: a pointer to a
// virtual member holds 1 + the byte offset of its vtable entry).  The virtual
// destructor takes the first two entries, so slot s sits at entry s + 1.
template <class F>
long vtableEntry(F f) {
    static_assert(sizeof(F) == 2 * sizeof(std::uintptr_t), "Itanium member pointer");
    std::uintptr_t raw[2];
    std::memcpy(raw, &f, sizeof raw);
    if ((raw[0] & 1) == 0) return -1;  // not virtual
    return static_cast<long>((raw[0] - 1) / sizeof(void*));
}

struct Slot {
    const char* name;
    long entry;
    int slot;
};

#define SLOT(name, n) Slot{#name, vtableEntry(&RotorBase::name), n}

const Slot kSlots[] = {
    SLOT(loadRotor, 1),
    SLOT(reserved2, 2),
    SLOT(computeDisbalance, 3),
    SLOT(computeInfluenceFactors, 4),
    SLOT(updateInternalFactors, 5),
    SLOT(reserved6, 6),
    SLOT(saveResult, 7),
    SLOT(permissibleUnbalanceFromGrade, 8),
    SLOT(reserved9, 9),
    SLOT(forceToUnbalance, 10),
    SLOT(computeCorrections, 11),
    SLOT(computeArcCorrections, 12),
    SLOT(nextPlane, 13),
    SLOT(prevPlane, 14),
    SLOT(lastPlane, 15),
    SLOT(reserved16, 16),
    SLOT(reserved17, 17),
    SLOT(positionEntry, 18),
    SLOT(setTrialAngle, 19),
    SLOT(splitToPositions, 20),
    SLOT(nextPositionSplit, 21),
    SLOT(shareToPositions, 22),
    SLOT(clearRuns, 23),
    SLOT(setRecordedText, 24),
    SLOT(rotorParameter, 25),
    SLOT(reserved26, 26),
    SLOT(closeHistory, 27),
    SLOT(selectRun, 28),
    SLOT(stepRun, 29),
    SLOT(removeCurrentRun, 30),
    SLOT(setRunFlag, 31),
    SLOT(driveRatio, 32),
    SLOT(inertiaQuotient, 33),
    SLOT(setTrialMass, 34),
    SLOT(buildPositionTable, 35),
    SLOT(clearTrialAngles, 36),
    SLOT(keepTrialAngles, 37),
    SLOT(resetPlane, 38),
    SLOT(insertPlane, 39),
    SLOT(removePlane, 40),
    SLOT(clearPlanes, 41),
    SLOT(readParameter, 42),
    SLOT(setParameter, 43),
    SLOT(clearCorrectionLimits, 44),
    SLOT(makeReport, 45),
    SLOT(isPlaneIndex, 46),
    SLOT(hasChannel, 47),
    SLOT(hasNoChannel, 48),
    SLOT(isOutOfTolerance, 49),
    SLOT(isAddition, 50),
    SLOT(isRemoval, 51),
    SLOT(isCentering, 52),
    SLOT(reserved53, 53),
    SLOT(isRemovalArbitrary, 54),
    SLOT(isAdditionIndexed, 55),
    SLOT(isAdditionArc, 56),
    SLOT(isDrilling, 57),
    SLOT(isRadialDrilling, 58),
    SLOT(isFlatMilling, 59),
    SLOT(isArcMilling, 60),
    SLOT(hasArcMilling, 61),
    SLOT(hasFlaggedChannel, 62),
    SLOT(planeScheme, 63),
    SLOT(isControlRotor, 64),
    SLOT(usesInternalFactors, 65),
    SLOT(hasResults, 66),
    SLOT(supportDistances, 67),
    SLOT(reserved68, 68),
    SLOT(reserved69, 69),
    SLOT(isPlaneIndex2, 70),
    SLOT(hasNoResults, 71),
    SLOT(isCorrectionLimited, 72),
    SLOT(setCorrectionLimited, 73),
    SLOT(isHistoryActive, 74),
    SLOT(hasPositions, 75),
    SLOT(hasUsedPositions, 76),
    SLOT(isBeltDrive, 77),
    SLOT(rotationDirection, 78),
    SLOT(hasFactors, 79),
    SLOT(flag80, 80),
    SLOT(flag81, 81),
    SLOT(isComputed, 82),
    SLOT(reserved83, 83),
    SLOT(balancingSpeed, 84),
    SLOT(rotorMass, 85),
    SLOT(correctionRadius, 86),
    SLOT(permissibleUnbalance, 87),
    SLOT(minMass, 88),
    SLOT(maxMass, 89),
    SLOT(positionCount, 90),
    SLOT(drillAngle, 91),
    SLOT(additionalHoles, 92),
    SLOT(drillDiameter, 93),
    SLOT(wallThickness, 94),
    SLOT(maxDrillDepth, 95),
    SLOT(materialDensity, 96),
    SLOT(setMaterialDensity, 97),
    SLOT(planeCount, 98),
    SLOT(trialMass, 99),
    SLOT(reserved100, 100),
    SLOT(reserved101, 101),
    SLOT(correctionAmount, 102),
    SLOT(roundedCorrectionMass, 103),
    SLOT(correctionAngle, 104),
    SLOT(trialAngle, 105),
    SLOT(positionLookup, 106),
    SLOT(runCount, 107),
    SLOT(currentRun, 108),
    SLOT(runName, 109),
    SLOT(runCorrection, 110),
    SLOT(runResultant, 111),
    SLOT(runVibration, 112),
    SLOT(runUnbalance, 113),
    SLOT(setName, 114),
    SLOT(nameText, 115),
    SLOT(averagingCount, 116),
    SLOT(gradeTable, 117),
    SLOT(pulleyDiameter, 118),
    SLOT(unbalanceUnit, 119),
    SLOT(takeMeasurement, 120),
    SLOT(reserved121, 121),
    SLOT(setConfigFlag, 122),
    SLOT(reserved123, 123),
    SLOT(reserved124, 124),
    SLOT(reserved125, 125),
    SLOT(splitTolerance, 126),
    SLOT(logToleranceFactors, 127),
    SLOT(reserved128, 128),
    SLOT(setPositionValue, 129),
    SLOT(reserved130, 130),
    SLOT(startSession, 131),
    SLOT(processRevolution, 132),
    SLOT(initChannel, 133),
    SLOT(addMeasureResult, 134),
    SLOT(storeResult, 135),
    SLOT(setDriveCalibration, 136),
    SLOT(driveCalibration, 137),
    SLOT(measureResult, 138),
    SLOT(finalResults, 139),
    SLOT(reserved140, 140),
    SLOT(hasNewResults, 141),
    SLOT(keepResults, 142),
    SLOT(keptResult, 143),
    SLOT(reserved144, 144),
    SLOT(reserved145, 145),
    SLOT(reserved146, 146),
    SLOT(correctionModeLabel, 147),
    SLOT(usedChannels, 148),
    SLOT(channelCount, 149),
    SLOT(plane, 150),
    SLOT(setPlaneChannels, 151),
    SLOT(nextVerificationStep, 152),
    SLOT(verificationStage, 153),
    SLOT(verificationRunAllowed, 154),
    SLOT(testMass, 155),
    SLOT(isMachiningRemoval, 156),
    SLOT(visibleParameters, 157),
    SLOT(measuringPlaneMask, 158),
    SLOT(reloadAndCompute, 159),
    SLOT(takeTrialMeasurement, 160),
    SLOT(factorData, 161),
    SLOT(setLogEnabled, 162),
    SLOT(isHistoryOpen, 163),
    SLOT(startFlag, 164),
    SLOT(clearStartFlag, 165),
    SLOT(closeHistoryFile, 166),
    SLOT(openHistory, 167),
};

// A class one step below Rotor with one more virtual: its entry tells how many
// entries Rotor's table has.
struct Probe : Rotor {
    using Rotor::Rotor;
    virtual int probe() { return 0; }
};

}  // namespace

TEST(RotorStructure, SlotsInTableOrder) {
    ASSERT_EQ(sizeof(kSlots) / sizeof(kSlots[0]), 167u);
    for (const Slot& s : kSlots) EXPECT_EQ(s.entry, s.slot + 1) << s.name;
    // 168 slots, no more: the destructor's two entries and 167 operations,
    // and Rotor adds none of its own.
    EXPECT_EQ(vtableEntry(&Probe::probe), 169);
}

TEST(RotorStructure, ReservedSlotsResults) {
    TestConfig cfg;
    Rotor r(cfg.get());
    RotorBase& b = r;
    EXPECT_EQ(b.reserved9(1, 2, 3), 0.0);
    EXPECT_FALSE(b.reserved53(7));
    EXPECT_FALSE(b.reserved68());
    EXPECT_FALSE(b.reserved69());
    EXPECT_FALSE(b.reserved83());
    EXPECT_EQ(b.reserved100(5), 10.0);
    EXPECT_EQ(b.reserved101(5), 0.0);
    EXPECT_FALSE(b.reserved123());
    EXPECT_EQ(b.reserved125(9), 0);
    EXPECT_EQ(b.reserved144(1, 2, 3), 0.0);
    // The empty ones change nothing.
    RotorData before = r.data();
    b.reserved2(1);
    b.reserved6();
    b.reserved16(1, 2, 3);
    b.reserved17(1);
    b.reserved26();
    b.reserved121(1, 2, 3);
    b.reserved124();
    b.reserved128();
    b.reserved130(1, 2, 3);
    b.reserved140(1, 2);
    b.reserved145(1, 2, 3);
    b.reserved146(1);
    EXPECT_TRUE(Tris::equalRecords(before, r.data()));
    EXPECT_FALSE(b.flag80());
    EXPECT_FALSE(b.flag81());
}

TEST(RotorStructure, MakeReportWritesNothingAndSaysSo) {
    TestConfig cfg;
    Rotor r(cfg.get());
    std::string path = std::string(::testing::TempDir()) + "report_probe.pdf";
    std::remove(path.c_str());
    EXPECT_EQ(r.makeReport(0, path.c_str(), 0, 0), 1);
    EXPECT_EQ(std::fopen(path.c_str(), "rb"), nullptr);
    EXPECT_EQ(r.makeReport(0, nullptr, 0, 0), 1);
}
