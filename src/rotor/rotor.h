#pragma once
// Rotor: the balancing job over one RotorData record, the only implementation
// of RotorBase.  It adds to the stored record the working state of a job:
// measured vectors, the measuring channels' result ring, the per-speed result
// lists, the correction-limit mask, the position table and the open history
// file.  One Rotor is active at a time; it reads, never owns, the machine's
// Config, which outlives it.
//
// Threads: the operator interface uses the rotor; the machine worker calls
// the intake operations (session, channel, revolution and result writers).
// Nothing here locks; the result counter hands ring rows over.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "rotor/channel_result.h"
#include "rotor/intake.h"
#include "rotor/position_table.h"
#include "rotor/rotor_base.h"
#include "rotor/test_progress.h"

struct Config;
struct RotorData;
struct Measurement;
struct Result;
struct Vector;
class LoggerBase;

class Rotor : public RotorBase {
public:
    // The name of the rotor's log ("logs/calcs.log").
    static constexpr const char* kLogName = "calcs";

    explicit Rotor(Config* config);
    ~Rotor() override;
    Rotor(const Rotor&) = delete;
    Rotor& operator=(const Rotor&) = delete;

    /*   1 */ bool loadRotor(const char* name, int mode) override;
    /*   2 */ void reserved2(u32) override;
    /*   3 */ bool computeDisbalance() override;
    /*   4 */ bool computeInfluenceFactors(bool accumulate) override;
    /*   5 */ void updateInternalFactors(double* K) override;
    /*   6 */ void reserved6() override;
    /*   7 */ void saveResult(bool all) override;
    /*   8 */ void permissibleUnbalanceFromGrade(double speed, int grade) override;
    /*   9 */ double reserved9(u32, u32, u32) override;
    /*  10 */ bool forceToUnbalance(int k, double* value, bool) override;
    /*  11 */ void computeCorrections(bool subtractSaved, bool reserved, bool zeroAll, bool machining) override;
    /*  12 */ void computeArcCorrections() override;
    /*  13 */ int nextPlane(int p, bool measuringOnly) override;
    /*  14 */ int prevPlane(int p, bool measuringOnly) override;
    /*  15 */ int lastPlane(bool measuringOnly) override;
    /*  16 */ void reserved16(u32, u32, u32) override;
    /*  17 */ void reserved17(u32) override;
    /*  18 */ void positionEntry(int i) override;
    /*  19 */ void setTrialAngle(int i, double degrees) override;
    /*  20 */ void splitToPositions(int i, bool force) override;
    /*  21 */ void nextPositionSplit(int i, bool force) override;
    /*  22 */ void shareToPositions(int i, bool force) override;
    /*  23 */ void clearRuns(bool alsoResults) override;
    /*  24 */ void setRecordedText(u32 fieldId, const char* text) override;
    /*  25 */ bool rotorParameter(u32 fieldId, std::string* text) override;
    /*  26 */ void reserved26() override;
    /*  27 */ void closeHistory() override;
    /*  28 */ void selectRun(int run) override;
    /*  29 */ void stepRun(bool forward) override;
    /*  30 */ void removeCurrentRun() override;
    /*  31 */ void setRunFlag(int run, bool flag) override;
    /*  32 */ double driveRatio() override;
    /*  33 */ double inertiaQuotient(double x) override;
    /*  34 */ void setTrialMass(double mass, int fromIndex) override;
    /*  35 */ u32 buildPositionTable() override;
    /*  36 */ void clearTrialAngles() override;
    /*  37 */ void keepTrialAngles() override;
    /*  38 */ void resetPlane(int p) override;
    /*  39 */ void insertPlane(int p) override;
    /*  40 */ void removePlane(int p) override;
    /*  41 */ void clearPlanes() override;
    /*  42 */ int readParameter(const u32* path, int depth, std::string* text, double* value) override;
    /*  43 */ bool setParameter(const u32* path, int depth, const char* text) override;
    /*  44 */ void clearCorrectionLimits() override;
    /*  45 */ int makeReport(u32, const char* fileName, u32, u32) override;
    /*  46 */ bool isPlaneIndex(int p) override;
    /*  47 */ bool hasChannel(int p) override;
    /*  48 */ bool hasNoChannel(int p) override;
    /*  49 */ bool isOutOfTolerance(int p) override;
    /*  50 */ bool isAddition(int p) override;
    /*  51 */ bool isRemoval(int p) override;
    /*  52 */ bool isCentering(int p) override;
    /*  53 */ bool reserved53(u32) override;
    /*  54 */ bool isRemovalArbitrary(int p) override;
    /*  55 */ bool isAdditionIndexed(int p) override;
    /*  56 */ bool isAdditionArc(int p) override;
    /*  57 */ bool isDrilling(int p) override;
    /*  58 */ bool isRadialDrilling(int p) override;
    /*  59 */ bool isFlatMilling(int p) override;
    /*  60 */ bool isArcMilling(int p) override;
    /*  61 */ bool hasArcMilling() override;
    /*  62 */ bool hasFlaggedChannel() override;
    /*  63 */ int planeScheme() override;
    /*  64 */ bool isControlRotor() override;
    /*  65 */ bool usesInternalFactors() override;
    /*  66 */ bool hasResults() override;
    /*  67 */ void supportDistances(double* a, double* b, double* c) override;
    /*  68 */ bool reserved68() override;
    /*  69 */ bool reserved69() override;
    /*  70 */ bool isPlaneIndex2(int p) override;
    /*  71 */ bool hasNoResults() override;
    /*  72 */ bool isCorrectionLimited(int i) override;
    /*  73 */ void setCorrectionLimited(int p) override;
    /*  74 */ bool isHistoryActive() override;
    /*  75 */ bool hasPositions(int i) override;
    /*  76 */ bool hasUsedPositions(int i) override;
    /*  77 */ bool isBeltDrive() override;
    /*  78 */ bool rotationDirection() override;
    /*  79 */ bool hasFactors() override;
    /*  80 */ bool flag80() override;
    /*  81 */ bool flag81() override;
    /*  82 */ bool isComputed() override;
    /*  83 */ bool reserved83() override;
    /*  84 */ double balancingSpeed() override;
    /*  85 */ double rotorMass() override;
    /*  86 */ double correctionRadius(int p) override;
    /*  87 */ double permissibleUnbalance(int p) override;
    /*  88 */ double minMass(int p) override;
    /*  89 */ double maxMass(int p) override;
    /*  90 */ int positionCount(int p) override;
    /*  91 */ double drillAngle(int p) override;
    /*  92 */ int additionalHoles(int p) override;
    /*  93 */ double drillDiameter(int p) override;
    /*  94 */ double wallThickness(int p) override;
    /*  95 */ double maxDrillDepth(int p) override;
    /*  96 */ double materialDensity(int p) override;
    /*  97 */ void setMaterialDensity(int p, double density) override;
    /*  98 */ int planeCount(bool reduce) override;
    /*  99 */ double trialMass(int i) override;
    /* 100 */ double reserved100(u32) override;
    /* 101 */ double reserved101(u32) override;
    /* 102 */ double correctionAmount(int i, bool unbalance) override;
    /* 103 */ double roundedCorrectionMass(int i, bool exact) override;
    /* 104 */ double correctionAngle(int i, bool unbalance) override;
    /* 105 */ double trialAngle(int i) override;
    /* 106 */ u32 positionLookup(int i) override;
    /* 107 */ int runCount() override;
    /* 108 */ int currentRun() override;
    /* 109 */ const char* runName(int run) override;
    /* 110 */ double runCorrection(int run, int i, double* angle, bool unbalance, bool* flag) override;
    /* 111 */ double runResultant(int run, int a, int b, double* angle) override;
    /* 112 */ double runVibration(int run, int i, double* angle) override;
    /* 113 */ double runUnbalance(int run, int i, double* angle) override;
    /* 114 */ void setName(const char* name) override;
    /* 115 */ const char* nameText(bool historyFile) override;
    /* 116 */ unsigned averagingCount() override;
    /* 117 */ const double* gradeTable() override;
    /* 118 */ double pulleyDiameter(bool drive) override;
    /* 119 */ double unbalanceUnit(char* out, int size) override;
    /* 120 */ bool takeMeasurement() override;
    /* 121 */ void reserved121(u32, u32, u32) override;
    /* 122 */ void setConfigFlag(bool flag) override;
    /* 123 */ bool reserved123() override;
    /* 124 */ void reserved124() override;
    /* 125 */ int reserved125(u32) override;
    /* 126 */ void splitTolerance(double* out, double a, double b, double L) override;
    /* 127 */ void logToleranceFactors(const double* data) override;
    /* 128 */ void reserved128() override;
    /* 129 */ void setPositionValue(int i, double value) override;
    /* 130 */ void reserved130(u32, u32, u32) override;
    /* 131 */ void startSession() override;
    /* 132 */ bool processRevolution(const std::vector<std::int32_t>& samples, bool accumulateOnly) override;
    /* 133 */ void initChannel(unsigned k, int scale, int channel) override;
    /* 134 */ void addMeasureResult(double amplitude, double angleRad, double angleDeg, u32 scale, int channel) override;
    /* 135 */ void storeResult(int speed, bool last) override;
    /* 136 */ void setDriveCalibration(double value) override;
    /* 137 */ double driveCalibration() override;
    /* 138 */ const ChannelResult* measureResult(int index) override;
    /* 139 */ const ChannelResult* finalResults() override;
    /* 140 */ void reserved140(u32, u32) override;
    /* 141 */ bool hasNewResults() override;
    /* 142 */ void keepResults(unsigned i) override;
    /* 143 */ void keptResult(int channel, double* amplitude, double* angle) override;
    /* 144 */ double reserved144(u32, u32, u32) override;
    /* 145 */ void reserved145(u32, u32, u32) override;
    /* 146 */ void reserved146(u32) override;
    /* 147 */ const char* correctionModeLabel(int p) override;
    /* 148 */ std::vector<u32>* usedChannels(std::vector<u32>* out) override;
    /* 149 */ int channelCount() override;
    /* 150 */ Plane plane(int p) override;
    /* 151 */ void setPlaneChannels(int p, u32 first, u32 second) override;
    /* 152 */ int nextVerificationStep(int runs) override;
    /* 153 */ int verificationStage(int run, int* first, int* size) override;
    /* 154 */ bool* verificationRunAllowed(bool* out, bool forNext, bool b) override;
    /* 155 */ double testMass(int p, int kind) override;
    /* 156 */ bool isMachiningRemoval(int p) override;
    /* 157 */ void visibleParameters(std::vector<u32>* out, int p, u32 fieldId) override;
    /* 158 */ u32 measuringPlaneMask() override;
    /* 159 */ bool reloadAndCompute() override;
    /* 160 */ void takeTrialMeasurement(int run) override;
    /* 161 */ void factorData(int op, int i, int j, double* value, double* angle) override;
    /* 162 */ void setLogEnabled(bool enabled) override;
    /* 163 */ bool isHistoryOpen() override;
    /* 164 */ bool startFlag() override;
    /* 165 */ void clearStartFlag() override;
    /* 166 */ bool closeHistoryFile() override;
    /* 167 */ void openHistory() override;

    // Not in the interface.
    // Appends default planes or drops planes at the end until the rotor has
    // `count` (at least 0); an unchanged count changes nothing, so a control
    // rotor stays one.
    void setPlaneCount(int count);
    // Records a copy of the current run as a new run (now, the logged-in
    // operator, appended to the history file) and makes it current; nothing
    // without runs.
    void addRun();
    // After a determination of the influence coefficients: keeps a copy of
    // the trial angles (keepTrialAngles).  Nothing is copied back over them:
    // the indexed positions and holes are laid out from the angle at which
    // the trial mass was fixed.
    void restorePlaneValues() { keepTrialAngles(); }
    // Number of planes measured by a channel (hasChannel); the size of the
    // measured-vector blocks and of the run results.
    int measuringCount();
    // The check of a numeric parameter against the machine's limits (true:
    // acceptable), as readParameter applies it.
    bool validateRotorParameter(const u32* path, int depth, double value);
    // Plane 1's "Correction radius, r" (mm), the radius a control rotor's test
    // masses are made for; 0 without planes.
    double testMassRadius();
    // Test masses of a control rotor from its permissible unbalance.
    void computeTestMasses();
    // The kinds of testMass: the U|mar| test mass, the stationary and the
    // travelling one.
    static constexpr int kUmarMass = 0, kStationMass = 1, kTravelMass = 2;
    // The test unbalance each test mass is made for, in multiples of U|mar|,
    // by kind.
    static constexpr double kTestUnbalanceFactor[3] = {10, 50, 250};
    // The tolerance the certificate states for each kind's mass, in percent.
    static constexpr double kTestMassTolerance[3] = {1, 0.5, 0.5};
    // The test mass of a kind that computeTestMasses suggests for U|mar| and
    // the test-mass radius r: the kind's unbalance / r, stated to 0.01 g or
    // to as many more decimals as keep it within its tolerance of that
    // quotient (a light rotor's 0.0571 g reads 0.057 g, never 0.06 g); 0 when
    // r is 0.
    static double suggestedTestMass(int kind, double umar, double r);
    // A mass to mount for `exact`: rounded to the fewest decimals, at least
    // `fewest`, that keep it within `percent` of it.
    static double statedMass(double exact, double percent, int fewest);
    // The test's first step adds 7.5 × U|mar|, the middle of 5 ... 10 × U|mar|,
    // in both test planes at plane 1's test-mass radius r.
    static constexpr double kAddedUnbalanceFactor = 7.5;
    // That added unbalance as a mass at r, stated so that it still adds
    // 7.5 × U|mar| to the protocol's 0.1: what the screen asks for and the
    // protocol states; 0 when r is 0.
    double addedTestMass();
    // The decimals a test mass is shown with: the digits it holds, at least
    // 2 (0.01 g), at most 6; the added unbalance's mass at least 1.
    static int statedMassDecimals(double mass);
    static int addedMassDecimals(double mass);
    // The decimals a control rotor's corrections are shown with: those its
    // test masses are stated with.  A correction that rounds to 0 at them is
    // nothing to mount.
    int correctionMassDecimals();
    // The radii and test masses of a control rotor's test: one value for all
    // its planes, since its certificate states one.
    static bool isTestSetField(u32 field);
    // Gives every plane plane 1's radii and test masses; false when they held them already.
    static bool holdOneTestSet(RotorData& data);
    // What a control rotor's test planes are asked to carry after the current run.
    PositionTable::TestMasses testMassesNow() const { return positions_.testMasses(); }
    // A control rotor's run that takes its verification test no step further:
    // it missed its step's limit (a rotor to balance below 5 × U|mar|, a
    // residual above 0.5 × U|mar| before the U|mar| test, a check run above its
    // limit), and the step is made again.
    bool missesItsStep(int run);
    // A control rotor's runs have met every step of its verification test:
    // a further run would take the place of the last with what is then on
    // the rotor, so none is made but a repeat of the last.
    bool verificationComplete();
    // The next run of a completed test repeats its last: the test planes are
    // asked to carry the last run's masses again, from the bare rotor its
    // asks left, while the last run is the current one, until a run is
    // recorded or the runs are cleared.  Asking for it starts its asks afresh.
    void repeatLastRun();
    bool repeatsLastRun() const;
    // What the operator has marked done toward the next run of a control
    // rotor's test: read with its history record and kept beside it at every
    // change (test_progress.h), so that a rotor loaded from the record later,
    // in this run of the program or the next, finds it.
    const TestProgress& testProgress() const { return progress_; }
    // Marks these plane indexes done ("Ready") toward the next run.
    void setTestAcknowledged(u32 planes);
    // A control rotor opened from a history record that was left for a newer
    // one: a run made after it had been opened before, added or in the last
    // one's place, went into a newer record, where the test goes on; or a new
    // test of the rotor made its first run.  This record then asks nothing and
    // takes no run.  It stays so when the newer record is deleted, for the
    // rotor holds what that record asked.
    TestLeft testLeft() const { return progress_.left; }
    bool recordLeft() const { return progress_.left != TestLeft::kTakesRuns; }
    // What the operator is told of the test's progress file, once: a change
    // that could not be kept (the system's errno), a file refused when the
    // record was opened (every ask is asked again).
    struct TestProgressNotice {
        int writeError = 0;
        bool refused = false;
    };
    TestProgressNotice takeTestProgressNotice() { return std::exchange(progressNotice_, TestProgressNotice{}); }
    // The current run is the last one recorded.
    bool onLastRun() const;
    // Whether an unbalance u in a test plane meets the limit of run `run`'s
    // verification step (true for a run whose step sets none).
    bool withinStepLimit(int run, double u);
    // Before the next run of a control rotor: plane index i has nothing to
    // do (no test mass comes off or goes on, its correction is not needed,
    // or an earlier run than the last is chosen), and the mass it shows is
    // one to take off.
    bool asksNothing(int i);
    bool asksRemoval(int i) { return positions_.removalShown(i); }
    // The decimals plane index i's mass is shown with: a test mass and the
    // added unbalance's mass with the digits they hold; a correction with
    // those of the test masses, or as many more as let the mass asked bring
    // the plane within the limit of the step it is for.
    int askedMassDecimals(int i, double mass);

    // Corrections (rotor_corrections.cpp).  Plane numbers p count from 1.
    // The steps of computeCorrections after the plane results of the run:
    // the saved result subtracted, the static/couple split of a three-plane
    // rotor, the machining cuts, the drill layout of every plane.
    void finishCorrections(bool subtractSaved, bool machining);
    // Static part at the middle plane, couple at the outer planes.
    void splitStaticCouple();
    // Flat milling: depth of the cut in mm (negative: the width of a cut at
    // the maximum depth) into the plane's correction quantity.
    void millingDepth(int p);
    // Arc milling: angle of the cut in degrees into the correction quantity.
    void arcMillingAngle(int p);
    // The run of a control rotor measured against the saved result, and the
    // run before it, which saves that result and carries it in its own write.
    static constexpr int kSavedResultRun = 33;
    static constexpr int kResultSavingRun = kSavedResultRun - 1;

    // Copies the final values into block `block` of the measured vectors;
    // channels beyond the block's size add up in its last vector.  False when
    // there are no final values or the block is outside the list.
    bool copyFinalResults(int block);
    const std::vector<ChannelResult>& measuredVectors() const { return measured_; }
    // The fit's convergence tolerance of the running session (a fraction).
    double sessionTolerance() const { return sessionTolerance_; }
    // Number of kept speed lists (keepResults indexes below it).
    static constexpr unsigned kKeptLists = 10;
    const std::vector<SpeedResult>& keptList(unsigned i) const { return kept_[i < kKeptLists ? i : 0]; }
    const std::vector<SpeedResult>& currentSpeedList() const { return currentSpeed_; }

    // The file the rotor was last loaded from or saved to; "" for a new rotor.
    const std::string& filePath() const { return filePath_; }
    // The rotor no longer owns its file (another rotor was put in its place):
    // nothing is written there without the operator's word.
    void releaseFile() {
        filePath_.clear();
        database_ = false;
    }
    RotorData& data() { return *data_; }
    const RotorData& data() const { return *data_; }
    Config* config() const { return config_; }

    // Runs, history file, rotor files, unbalance solution and influence
    // coefficients (rotor_runs.cpp, rotor_history.cpp, rotor_files.cpp,
    // rotor_solution.cpp, rotor_factors.cpp).
    // Plane index i gets unbalance D at lambda (radians) and its correction.
    void computePlaneResult(int i, double D, double lambda);
    // Plane results of the current run from its record.
    void recalcRun();
    // Appends a run (time and operator filled in here), or puts it in the
    // last run's place, makes it current and records it in the history
    // record, whole or not at all: appended to the open record, or a new
    // record of every run (the first run, or the first after a record was
    // opened).  A plain rotor keeps a run its record could not take; a
    // control rotor's run is a row of its certificate and is then not made:
    // the test stands as it stood before it (runNotKept).
    void recordRun(const Measurement& run, bool replacesLast = false);
    // Why the last run or recorded text is not in the history record (the
    // system's errno), given once; 0 when it was written.  `runNotKept`: a
    // control rotor's run was not made, and is to be made again.
    struct HistoryError {
        int err = 0;
        bool runNotKept = false;
    };
    HistoryError takeHistoryError() { return std::exchange(historyError_, HistoryError{}); }
    // Why the last save to the rotor's file failed (the system's errno),
    // given once; 0 when it was written.
    int takeSaveError() { return std::exchange(saveError_, 0); }
    // The time stamp of a run (seconds since 1970); 0 when there is no such run.
    std::int64_t runTime(int run) const;
    // Local time at which the job started (first run or last clearRuns).
    std::int64_t jobStartTime() const { return startTime_; }
    // Factors {K1, K2, K3, K4} that move the support planes' results onto the
    // correction planes (identity without a distance between the supports).
    void calcPlanesK(double* K);
    // True when the m x m coefficients (entry m*r + c is K(r, c)) determine
    // an unbalance from any vibration: their system is not singular.
    static bool determinesUnbalance(const std::vector<Vector>& factors, int m);
    // Moves the results of the two measuring planes (supports) to the two
    // correction planes; nothing with fewer or more than two.
    void recalcPlanes();
    // Internal factors {K0, K1, K2, K3} of plane index `plane` on channel 0
    // or 1 from kept speed lists 0 and plane + 1; zeros when they cannot be fitted.
    void computeInternalFactors(double* K, int plane, int channel);

private:
    // The plane of number p (from 1), or null when p is out of range.
    Plane* planeAt(int p);
    const Plane* planeAt(int p) const;
    // The run a control rotor's correction is asked for: a missed step's
    // again, else the next.
    int correctedRun();
    // Plane p's correction mode and mean as the corrections take them.
    bool modeIs(int p, u32 mode) const;
    bool meanIs(int p, u32 mean) const;

    bool distanceAcceptable(int i, int k, double v);
    bool setPlaneField(const u32* path, int depth, const char* text);
    bool setRotorField(const u32* path, int depth, const char* text);

    LoggerBase* logger_ = nullptr;
    std::string name_;
    std::string historyName_;
    std::string filePath_;
    std::vector<ChannelResult> measured_;
    Config* config_ = nullptr;
    std::unique_ptr<RotorData> data_;
    std::uint64_t limitMask_ = 0;

    // Position table: fixed correction positions of the planes (rotor_positions.cpp).
    PositionTable::Hooks positionHooks();
    PositionTable positions_{this, positionHooks()};
    bool flag80_ = false;
    bool historyActive_ = false;
    bool database_ = false;
    bool flag81_ = false;
    bool start_ = true;
    TestProgress progress_;
    TestProgressNotice progressNotice_;
    int currentRun_ = 0;
    std::FILE* history_ = nullptr;
    HistoryError historyError_;
    int saveError_ = 0;
    bool computed_ = false;

    // Runs, history file and rotor files.
    const Result* runResult(int run, int place) const;
    const Result* planeRunResult(int run, int i);
    // Appends items to the open history file in one write.  A file that keeps
    // a piece of them (it could not be cut back) is closed, so that the next
    // run makes a record of every run.
    bool appendToHistory(const std::string& bytes);
    // "history/" and the history file's name.
    std::string historyPath() const;
    // The test's progress: one ask more or back on plane index i, nothing
    // marked any more, and kept beside the history record.
    void stepTestProgress(int i, int by);
    void restartTestProgress();
    void saveTestProgress();
    TestProgressRuns testProgressRuns();
    // After a history record was loaded: its test's progress, and whether it
    // was left for a newer record.
    void readTestState();
    // A record a new history record leaves, as it stood before the run: its
    // file, runs and progress.  It is marked as being left for the new record
    // before that is made, left once it stands, and taken back when it could
    // not be made.
    struct LeftRecord {
        std::string path;
        TestProgressRuns runs;
        TestProgress progress;
    };
    // The records a control rotor's run into a new record leaves: the one its
    // runs were read from, or, for a new test's first run, every earlier
    // record of the rotor that still takes runs.
    std::vector<LeftRecord> recordsLeftByRun();
    // Marks the records as left `how` (kTakesRuns: as they stood), for the
    // record named `leavingFor` while it is being made; false, with errno in
    // `err`, when one could not be marked.
    bool markLeft(const std::vector<LeftRecord>& records, TestLeft how, const std::string& leavingFor, int* err);
    // The run's new history record, made whole, then opened for the runs after it.
    bool createHistoryFile(const std::vector<LeftRecord>& left, TestLeft how);
    // The last run appended, or in the last one's place (its erase in the
    // same write), with the items `carried` in the same write.
    bool appendRun(bool replacesLast, const std::string& carried);
    // The saved result of the current run: each plane's mean of its and the
    // previous run's unbalance (zero for a plane without a channel, and for
    // every plane with `all`).
    std::vector<Vector> savedResultOfRuns(bool all);
    // The saved result appended to the open record in one write; `replaces`:
    // the record holds an earlier one, cleared in the same write.
    void appendSavedResult(bool replaces);
    bool saveRotorFile(const std::string& path);
    bool loadOrSaveRotor(const char* name, int mode);
    std::int64_t startTime_ = 0;

    // Measurement intake.  The ring, the accumulators and the final values
    // keep their storage across sessions; it is made anew only when the
    // session's channel count changes.
    void calcfin();
    int sessionChannels_ = 0;  // channels of the session's ring rows; 0: no ring
    std::vector<ChannelAccumulator> accumulators_;
    std::vector<harmonic::SinCos> revolutionAngles_;  // of the revolution being fitted
    std::vector<ChannelResult> ring_;  // 100 rows of sessionChannels_ entries
    std::vector<ChannelResult> final_;
    std::atomic<bool> finalBuilt_{false};
    std::atomic<std::int32_t> counter_{0};
    std::atomic<bool> newResults_{false};
    double sessionTolerance_ = 0.03;
    std::vector<int> phaseShifts_;  // per settings channel, taken at session start
    std::vector<SpeedResult> currentSpeed_;
    std::atomic<std::size_t> currentSpeedSize_{0};
    std::vector<SpeedResult> kept_[kKeptLists];
};
