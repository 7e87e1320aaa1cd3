#pragma once
// RotorBase: the one interface through which the operator interface, machine
// control and the protocols work on the rotor being balanced.  Rotor is its
// only implementation.  The virtual operations stand in a fixed slot order
// (the number before each declaration); the reserved slots keep their place,
// do nothing and return the value written beside them.
//
// Index conventions
//   plane number p, from 1 (0 = no plane in the results of 13-15):
//       slots 13-15, 38-40, 46-61, 73, 86-97, 147, 150, 151, 155-157
//   plane index i, from 0: slots 18-22, 34, 72, 75, 76, 99, 102-106, 110-113, 129
//   runs from 0; a negative run is the last run in slot 112 and counts from
//   the end (-1 = last) in 113 and 138; slot 152 takes a run count, negative = all.
//   measuringPlaneMask: bit p for plane p, bit 0 always set.
//   Channel numbers of planes and of usedChannels count from 1; the device
//   channel of initChannel/addMeasureResult counts from 0.
//   Every plane, run, channel and result index is checked: out of range gives
//   false / 0 / null / a default Plane and changes nothing.
//
// Other names the operator interface uses for some of these slots:
//   appendRunToHistory   -> 24 setRecordedText
//   readRotorParameter   -> 42 readParameter
//   setPlaneParameter    -> 43 setParameter (also {0xE63808, i, field, value}
//                           at depth 4, and {tag, value} at depth 2, with no text)
//   specificUnbalance    -> 119 unbalanceUnit
//   correctionModeText   -> 147 correctionModeLabel
//   splitAllToPositions  -> 22 shareToPositions
// Results wider than the bare slot table: takeMeasurement -> bool (false when
// nothing could be taken), computeInfluenceFactors -> bool (false when the
// measured vectors or trial masses give no coefficients; nothing changed),
// finalResults -> null when there is nothing,
// forceToUnbalance -> bool (true when it converted), buildPositionTable -> mask
// of the plane indexes with positions, setParameter -> bool, makeReport -> int
// (0 written, 1 not begun or no writer, 2 not written: see rotor_report.h),
// gradeTable ends with an extra 0 entry.
//
// readParameter answers the field's kind: 0 unknown, 1 text, 2 double,
// 3 integer (4 does not occur; treat 3 and 4 alike), 6 a number outside the
// machine's limits; a bool field answers 5 (set) or 6 (clear: not a limit
// failure), a choice field its TextId (8 or more).

#include <cstdint>
#include <string>
#include <vector>

#include "rotor/channel_result.h"

struct Plane;

class RotorBase {
public:
    using u32 = std::uint32_t;

    /*   0 */ virtual ~RotorBase() = default;
    /*   1 */ virtual bool loadRotor(const char* name, int mode) = 0;
    /*   2 */ virtual void reserved2(u32) = 0;
    /*   3 */ virtual bool computeDisbalance() = 0;
    /*   4 */ virtual bool computeInfluenceFactors(bool accumulate) = 0;
    /*   5 */ virtual void updateInternalFactors(double* K) = 0;
    /*   6 */ virtual void reserved6() = 0;
    /*   7 */ virtual void saveResult(bool all) = 0;
    /*   8 */ virtual void permissibleUnbalanceFromGrade(double speed, int grade) = 0;
    /*   9 */ virtual double reserved9(u32, u32, u32) = 0;  // 0.0
    /*  10 */ virtual bool forceToUnbalance(int k, double* value, bool) = 0;
    /*  11 */ virtual void computeCorrections(bool subtractSaved, bool reserved, bool zeroAll,
                                              bool machining) = 0;
    /*  12 */ virtual void computeArcCorrections() = 0;
    /*  13 */ virtual int nextPlane(int p, bool measuringOnly) = 0;
    /*  14 */ virtual int prevPlane(int p, bool measuringOnly) = 0;
    /*  15 */ virtual int lastPlane(bool measuringOnly) = 0;
    /*  16 */ virtual void reserved16(u32, u32, u32) = 0;
    /*  17 */ virtual void reserved17(u32) = 0;
    /*  18 */ virtual void positionEntry(int i) = 0;
    /*  19 */ virtual void setTrialAngle(int i, double degrees) = 0;
    /*  20 */ virtual void splitToPositions(int i, bool force) = 0;
    /*  21 */ virtual void nextPositionSplit(int i, bool force) = 0;
    /*  22 */ virtual void shareToPositions(int i, bool force) = 0;
    /*  23 */ virtual void clearRuns(bool alsoResults) = 0;
    /*  24 */ virtual void setRecordedText(u32 fieldId, const char* text) = 0;
    /*  25 */ virtual bool rotorParameter(u32 fieldId, std::string* text) = 0;
    /*  26 */ virtual void reserved26() = 0;
    /*  27 */ virtual void closeHistory() = 0;
    /*  28 */ virtual void selectRun(int run) = 0;
    /*  29 */ virtual void stepRun(bool forward) = 0;
    /*  30 */ virtual void removeCurrentRun() = 0;
    /*  31 */ virtual void setRunFlag(int run, bool flag) = 0;
    /*  32 */ virtual double driveRatio() = 0;
    /*  33 */ virtual double inertiaQuotient(double x) = 0;
    /*  34 */ virtual void setTrialMass(double mass, int fromIndex) = 0;
    /*  35 */ virtual u32 buildPositionTable() = 0;
    /*  36 */ virtual void clearTrialAngles() = 0;
    /*  37 */ virtual void keepTrialAngles() = 0;
    /*  38 */ virtual void resetPlane(int p) = 0;
    /*  39 */ virtual void insertPlane(int p) = 0;
    /*  40 */ virtual void removePlane(int p) = 0;
    /*  41 */ virtual void clearPlanes() = 0;
    /*  42 */ virtual int readParameter(const u32* path, int depth, std::string* text,
                                        double* value) = 0;
    /*  43 */ virtual bool setParameter(const u32* path, int depth, const char* text) = 0;
    /*  44 */ virtual void clearCorrectionLimits() = 0;
    /*  45 */ virtual int makeReport(u32, const char* fileName, u32, u32) = 0;
    /*  46 */ virtual bool isPlaneIndex(int p) = 0;
    /*  47 */ virtual bool hasChannel(int p) = 0;
    /*  48 */ virtual bool hasNoChannel(int p) = 0;
    /*  49 */ virtual bool isOutOfTolerance(int p) = 0;
    /*  50 */ virtual bool isAddition(int p) = 0;
    /*  51 */ virtual bool isRemoval(int p) = 0;
    /*  52 */ virtual bool isCentering(int p) = 0;
    /*  53 */ virtual bool reserved53(u32) = 0;  // false
    /*  54 */ virtual bool isRemovalArbitrary(int p) = 0;
    /*  55 */ virtual bool isAdditionIndexed(int p) = 0;
    /*  56 */ virtual bool isAdditionArc(int p) = 0;
    /*  57 */ virtual bool isDrilling(int p) = 0;
    /*  58 */ virtual bool isRadialDrilling(int p) = 0;
    /*  59 */ virtual bool isFlatMilling(int p) = 0;
    /*  60 */ virtual bool isArcMilling(int p) = 0;
    /*  61 */ virtual bool hasArcMilling() = 0;
    /*  62 */ virtual bool hasFlaggedChannel() = 0;
    /*  63 */ virtual int planeScheme() = 0;
    /*  64 */ virtual bool isControlRotor() = 0;
    /*  65 */ virtual bool usesInternalFactors() = 0;
    /*  66 */ virtual bool hasResults() = 0;
    /*  67 */ virtual void supportDistances(double* a, double* b, double* c) = 0;
    /*  68 */ virtual bool reserved68() = 0;  // false
    /*  69 */ virtual bool reserved69() = 0;  // false
    /*  70 */ virtual bool isPlaneIndex2(int p) = 0;
    /*  71 */ virtual bool hasNoResults() = 0;
    /*  72 */ virtual bool isCorrectionLimited(int i) = 0;
    /*  73 */ virtual void setCorrectionLimited(int p) = 0;
    /*  74 */ virtual bool isHistoryActive() = 0;
    /*  75 */ virtual bool hasPositions(int i) = 0;
    /*  76 */ virtual bool hasUsedPositions(int i) = 0;
    /*  77 */ virtual bool isBeltDrive() = 0;
    /*  78 */ virtual bool rotationDirection() = 0;
    /*  79 */ virtual bool hasFactors() = 0;
    /*  80 */ virtual bool flag80() = 0;
    /*  81 */ virtual bool flag81() = 0;
    /*  82 */ virtual bool isComputed() = 0;
    /*  83 */ virtual bool reserved83() = 0;  // false
    /*  84 */ virtual double balancingSpeed() = 0;
    /*  85 */ virtual double rotorMass() = 0;
    /*  86 */ virtual double correctionRadius(int p) = 0;
    /*  87 */ virtual double permissibleUnbalance(int p) = 0;
    /*  88 */ virtual double minMass(int p) = 0;
    /*  89 */ virtual double maxMass(int p) = 0;
    /*  90 */ virtual int positionCount(int p) = 0;
    /*  91 */ virtual double drillAngle(int p) = 0;
    /*  92 */ virtual int additionalHoles(int p) = 0;
    /*  93 */ virtual double drillDiameter(int p) = 0;
    /*  94 */ virtual double wallThickness(int p) = 0;
    /*  95 */ virtual double maxDrillDepth(int p) = 0;
    /*  96 */ virtual double materialDensity(int p) = 0;
    /*  97 */ virtual void setMaterialDensity(int p, double density) = 0;
    /*  98 */ virtual int planeCount(bool reduce) = 0;
    /*  99 */ virtual double trialMass(int i) = 0;
    /* 100 */ virtual double reserved100(u32) = 0;  // 10.0
    /* 101 */ virtual double reserved101(u32) = 0;  // 0.0
    /* 102 */ virtual double correctionAmount(int i, bool unbalance) = 0;
    /* 103 */ virtual double roundedCorrectionMass(int i, bool exact) = 0;
    /* 104 */ virtual double correctionAngle(int i, bool unbalance) = 0;
    /* 105 */ virtual double trialAngle(int i) = 0;
    /* 106 */ virtual u32 positionLookup(int i) = 0;
    /* 107 */ virtual int runCount() = 0;
    /* 108 */ virtual int currentRun() = 0;
    /* 109 */ virtual const char* runName(int run) = 0;
    /* 110 */ virtual double runCorrection(int run, int i, double* angle, bool unbalance,
                                           bool* flag) = 0;
    /* 111 */ virtual double runResultant(int run, int a, int b, double* angle) = 0;
    /* 112 */ virtual double runVibration(int run, int i, double* angle) = 0;
    /* 113 */ virtual double runUnbalance(int run, int i, double* angle) = 0;
    /* 114 */ virtual void setName(const char* name) = 0;
    /* 115 */ virtual const char* nameText(bool historyFile) = 0;
    /* 116 */ virtual unsigned averagingCount() = 0;
    /* 117 */ virtual const double* gradeTable() = 0;
    /* 118 */ virtual double pulleyDiameter(bool drive) = 0;
    /* 119 */ virtual double unbalanceUnit(char* out, int size) = 0;
    /* 120 */ virtual bool takeMeasurement() = 0;
    /* 121 */ virtual void reserved121(u32, u32, u32) = 0;
    /* 122 */ virtual void setConfigFlag(bool flag) = 0;
    /* 123 */ virtual bool reserved123() = 0;  // false
    /* 124 */ virtual void reserved124() = 0;
    /* 125 */ virtual int reserved125(u32) = 0;  // 0
    /* 126 */ virtual void splitTolerance(double* out, double a, double b, double L) = 0;
    /* 127 */ virtual void logToleranceFactors(const double* data) = 0;
    /* 128 */ virtual void reserved128() = 0;
    /* 129 */ virtual void setPositionValue(int i, double value) = 0;
    /* 130 */ virtual void reserved130(u32, u32, u32) = 0;
    /* 131 */ virtual void startSession() = 0;
    /* 132 */ virtual bool processRevolution(const std::vector<std::int32_t>& samples,
                                             bool accumulateOnly) = 0;
    /* 133 */ virtual void initChannel(unsigned k, int scale, int channel) = 0;
    /* 134 */ virtual void addMeasureResult(double amplitude, double angleRad, double angleDeg,
                                            u32 scale, int channel) = 0;
    /* 135 */ virtual void storeResult(int speed, bool last) = 0;
    /* 136 */ virtual void setDriveCalibration(double value) = 0;
    /* 137 */ virtual double driveCalibration() = 0;
    /* 138 */ virtual const ChannelResult* measureResult(int index) = 0;
    /* 139 */ virtual const ChannelResult* finalResults() = 0;
    /* 140 */ virtual void reserved140(u32, u32) = 0;
    /* 141 */ virtual bool hasNewResults() = 0;
    /* 142 */ virtual void keepResults(unsigned i) = 0;
    /* 143 */ virtual void keptResult(int channel, double* amplitude, double* angle) = 0;
    /* 144 */ virtual double reserved144(u32, u32, u32) = 0;  // 0.0
    /* 145 */ virtual void reserved145(u32, u32, u32) = 0;
    /* 146 */ virtual void reserved146(u32) = 0;
    /* 147 */ virtual const char* correctionModeLabel(int p) = 0;
    /* 148 */ virtual std::vector<u32>* usedChannels(std::vector<u32>* out) = 0;
    /* 149 */ virtual int channelCount() = 0;
    /* 150 */ virtual Plane plane(int p) = 0;
    /* 151 */ virtual void setPlaneChannels(int p, u32 first, u32 second) = 0;
    /* 152 */ virtual int nextVerificationStep(int runs) = 0;
    /* 153 */ virtual int verificationStage(int run, int* first, int* size) = 0;
    /* 154 */ virtual bool* verificationRunAllowed(bool* out, bool forNext, bool b) = 0;
    /* 155 */ virtual double testMass(int p, int kind) = 0;
    /* 156 */ virtual bool isMachiningRemoval(int p) = 0;
    /* 157 */ virtual void visibleParameters(std::vector<u32>* out, int p, u32 fieldId) = 0;
    /* 158 */ virtual u32 measuringPlaneMask() = 0;
    /* 159 */ virtual bool reloadAndCompute() = 0;
    /* 160 */ virtual void takeTrialMeasurement(int run) = 0;
    /* 161 */ virtual void factorData(int op, int i, int j, double* value, double* angle) = 0;
    /* 162 */ virtual void setLogEnabled(bool enabled) = 0;
    /* 163 */ virtual bool isHistoryOpen() = 0;
    /* 164 */ virtual bool startFlag() = 0;
    /* 165 */ virtual void clearStartFlag() = 0;
    /* 166 */ virtual bool closeHistoryFile() = 0;
    /* 167 */ virtual void openHistory() = 0;
};
