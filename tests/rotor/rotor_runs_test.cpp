// Runs of a balancing job: recording with the history file, stepping, the
// readers, the plane results of a run and the verification test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"
#include "rotor_files_fixture.h"
#include "rotor_test_config.h"

namespace {


using testwd::filesIn;
using testwd::readFile;

constexpr double kPi = polar::kPi;

Result makeResult(double vib, double vibDeg, double unb, double unbDeg) {
    Result r;
    r.measured = Vector(vib, vibDeg * kPi / 180.0);
    r.unbalance = Vector(unb, unbDeg * kPi / 180.0);
    r.converted = vib * 2;
    return r;
}

Measurement makeRun(std::initializer_list<Result> results) {
    Measurement m;
    m.results = results;
    return m;
}

// A two-plane rotor over channels 1 and 2, named.
struct Job {
    TestConfig cfg;
    std::unique_ptr<Rotor> rotor;
    explicit Job(const char* name = "R1") {
        TestConfig::Drive end;
        end.active = true;
        cfg.channel(true).channel(true).channel(false).channel(false).channel(false).endDrive(end);
        rotor = std::make_unique<Rotor>(cfg.get());
        rotor->setName(name);
        rotor->data().planes[0].radius = 100;
        rotor->data().planes[1].radius = 50;
        rotor->data().planes[1].mode = jobrec::kModeRemoval;
    }
    Rotor& r() { return *rotor; }
};

class RotorRuns : public rotortest::TempWorkDir {};

RotorData loadHistory(const std::string& name) {
    RotorData d;
    EXPECT_TRUE(d.load("history/" + name));
    return d;
}

// The file holds the planes as they were at the first run; every other field
// equals the rotor's record.
void expectFileMatches(Rotor& r) {
    RotorData file = loadHistory(r.nameText(true));
    ASSERT_EQ(file.runs.size(), r.data().runs.size());
    for (std::size_t k = 0; k < file.runs.size(); ++k) EXPECT_TRUE(Tris::equalRecords(file.runs[k], r.data().runs[k])) << k;
    file.planes = r.data().planes;
    EXPECT_TRUE(Tris::equalRecords(file, r.data()));
}

TEST_F(RotorRuns, FirstRunCreatesTheNamedHistoryFileAndLogsIt) {
    Job job;
    job.cfg.get()->local.operatorName = "Ivanov";
    job.r().recordRun(makeRun({makeResult(1, 10, 200, 30), makeResult(2, 20, 300, 40)}));

    EXPECT_STREQ(job.r().nameText(true), "R1_220250305140709.rotor");
    EXPECT_EQ(filesIn("history"), std::vector<std::string>{"R1_220250305140709.rotor"});
    EXPECT_TRUE(job.r().isHistoryOpen());
    EXPECT_NE(readFile("logs/calcs.log").find("Create history file: R1_220250305140709.rotor (year: 2025, month: 3, day: 5)"),
              std::string::npos);
    EXPECT_EQ(job.r().jobStartTime(), rotortest::g_fixedTime);

    // The run carries the time and the operator, is current and sets the planes.
    ASSERT_EQ(job.r().runCount(), 1);
    EXPECT_EQ(job.r().data().runs[0].time, rotortest::g_fixedTime);
    EXPECT_EQ(job.r().data().runs[0].operatorName, "Ivanov");
    EXPECT_EQ(job.r().currentRun(), 0);
    EXPECT_DOUBLE_EQ(job.r().correctionAmount(0, true), 200);
    EXPECT_NEAR(job.r().correctionAngle(0, true), 30, 1e-9);
    EXPECT_DOUBLE_EQ(job.r().correctionAmount(0, false), 2);             // 200 / R 100
    EXPECT_NEAR(job.r().correctionAngle(0, false), 210, 1e-9);           // addition: opposite
    EXPECT_NEAR(job.r().correctionAngle(1, false), 40, 1e-9);            // removal: same angle
    expectFileMatches(job.r());
}

TEST_F(RotorRuns, LaterRunsAndARemovalAreAppendedAndReplayTheJob) {
    Job job;
    job.r().recordRun(makeRun({makeResult(1, 10, 200, 30), makeResult(2, 20, 300, 40)}));
    const std::string first = readFile("history/" + std::string(job.r().nameText(true)));
    rotortest::g_fixedTime += 65;
    job.r().recordRun(makeRun({makeResult(3, 10, 100, 50), makeResult(4, 20, 150, 60)}));
    expectFileMatches(job.r());
    job.r().recordRun(makeRun({makeResult(5, 10, 10, 70), makeResult(6, 20, 15, 80)}));
    expectFileMatches(job.r());
    EXPECT_EQ(filesIn("history").size(), 1u);  // one file for the job
    const std::string grown = readFile("history/" + std::string(job.r().nameText(true)));
    EXPECT_EQ(grown.compare(0, first.size(), first), 0);  // earlier content kept as it was

    // Remove the middle run: three raw words appended, the next run current.
    job.r().selectRun(1);
    job.r().removeCurrentRun();
    ASSERT_EQ(job.r().runCount(), 2);
    EXPECT_EQ(job.r().currentRun(), 1);
    EXPECT_DOUBLE_EQ(job.r().correctionAmount(0, true), 10);
    const std::string after = readFile("history/" + std::string(job.r().nameText(true)));
    ASSERT_EQ(after.size(), grown.size() + 12);
    const unsigned char tail[12] = {0x02, 0x09, 0x1C, 0x73, 0x81, 0x19, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(after.substr(grown.size()), std::string(reinterpret_cast<const char*>(tail), 12));
    expectFileMatches(job.r());

    // Removing the last run selects the one before it.
    job.r().removeCurrentRun();
    EXPECT_EQ(job.r().runCount(), 1);
    EXPECT_EQ(job.r().currentRun(), 0);
    job.r().removeCurrentRun();  // needs two runs
    EXPECT_EQ(job.r().runCount(), 1);
    expectFileMatches(job.r());
}

TEST_F(RotorRuns, ASecondJobInTheSameSecondKeepsTheFirstFile) {
    Job a;
    a.r().recordRun(makeRun({makeResult(1, 10, 200, 30), makeResult(2, 20, 300, 40)}));
    const std::string firstBytes = readFile("history/R1_220250305140709.rotor");
    Job b;
    b.r().recordRun(makeRun({makeResult(7, 10, 9, 30), makeResult(8, 20, 9, 40)}));
    EXPECT_STREQ(b.r().nameText(true), "R1_220250305140710.rotor");
    EXPECT_EQ(readFile("history/R1_220250305140709.rotor"), firstBytes);
    EXPECT_EQ(loadHistory("R1_220250305140710.rotor").runs.size(), 1u);
}

TEST_F(RotorRuns, NameWithSlashesStaysInsideHistory) {
    Job job("../up/x");
    job.r().recordRun(makeRun({makeResult(1, 10, 200, 30), makeResult(2, 20, 300, 40)}));
    EXPECT_STREQ(job.r().nameText(true), ".._up_x_220250305140709.rotor");
    EXPECT_EQ(filesIn("history"), std::vector<std::string>{".._up_x_220250305140709.rotor"});
    EXPECT_STREQ(job.r().nameText(false), "../up/x");  // the rotor's name stays as typed
}

TEST_F(RotorRuns, ClearRunsClosesTheFileAndTheNextRunStartsANewJob) {
    Job job;
    job.r().recordRun(makeRun({makeResult(1, 10, 200, 30), makeResult(2, 20, 300, 40)}));
    job.r().data().results.push_back(Vector(1, 2));
    job.r().clearStartFlag();
    rotortest::g_fixedTime += 3600;
    job.r().clearRuns(false);
    EXPECT_FALSE(job.r().isHistoryOpen());
    EXPECT_EQ(job.r().runCount(), 0);
    EXPECT_STREQ(job.r().nameText(true), "");
    EXPECT_TRUE(job.r().startFlag());
    EXPECT_EQ(job.r().data().results.size(), 1u);
    EXPECT_EQ(job.r().jobStartTime(), rotortest::g_fixedTime);
    job.r().clearRuns(true);
    EXPECT_TRUE(job.r().data().results.empty());

    job.r().recordRun(makeRun({makeResult(1, 10, 200, 30), makeResult(2, 20, 300, 40)}));
    EXPECT_STREQ(job.r().nameText(true), "R1_220250305150709.rotor");
    EXPECT_EQ(filesIn("history").size(), 2u);
}

TEST_F(RotorRuns, CloseAndReopenTheHistoryFile) {
    Job job;
    job.r().openHistory();  // no history file name yet: nothing opened
    EXPECT_FALSE(job.r().isHistoryOpen());
    job.r().recordRun(makeRun({makeResult(1, 10, 200, 30), makeResult(2, 20, 300, 40)}));
    EXPECT_TRUE(job.r().closeHistoryFile());
    EXPECT_FALSE(job.r().closeHistoryFile());
    job.r().openHistory();
    EXPECT_TRUE(job.r().isHistoryOpen());
    job.r().recordRun(makeRun({makeResult(3, 10, 100, 50), makeResult(4, 20, 150, 60)}));
    expectFileMatches(job.r());
    job.r().closeHistory();
    EXPECT_FALSE(job.r().isHistoryOpen());
    EXPECT_FALSE(job.r().isHistoryActive());
}

TEST_F(RotorRuns, SetRecordedTextGoesToTheOpenHistoryFile) {
    Job job;
    // A rotor never saved or loaded: the field changes, no file is written.
    job.r().setRecordedText(jobrec::kCustomer, "ACME");
    EXPECT_EQ(job.r().data().customer, "ACME");
    EXPECT_FALSE(std::filesystem::exists("history"));
    EXPECT_FALSE(std::filesystem::exists("db"));

    job.r().recordRun(makeRun({makeResult(1, 10, 200, 30), makeResult(2, 20, 300, 40)}));
    job.r().setRecordedText(jobrec::kCustomer, "Globex");
    job.r().setRecordedText(jobrec::kDocumentNumber, "N-17");
    job.r().setRecordedText(jobrec::kCustomer, "");  // an empty text is recorded too
    EXPECT_EQ(job.r().data().customer, "");
    expectFileMatches(job.r());
    EXPECT_EQ(loadHistory(job.r().nameText(true)).documentNumber, "N-17");

    // Not a text field: nothing changes.
    job.r().setRecordedText(jobrec::kRotorMass, "12");
    EXPECT_DOUBLE_EQ(job.r().rotorMass(), 0.0);
}

TEST_F(RotorRuns, SteppingSelectingAndFlags) {
    Job job;
    job.r().recordRun(makeRun({makeResult(1, 10, 200, 30), makeResult(2, 20, 300, 40)}));
    job.r().recordRun(makeRun({makeResult(3, 10, 100, 50), makeResult(4, 20, 150, 60)}));
    ASSERT_EQ(job.r().currentRun(), 1);

    // On the last run stepRun(true) stays and still recomputes.
    job.r().data().planes[0].unbalanceAmount = 999;
    job.r().stepRun(true);
    EXPECT_EQ(job.r().currentRun(), 1);
    EXPECT_DOUBLE_EQ(job.r().correctionAmount(0, true), 100);
    job.r().stepRun(false);
    EXPECT_EQ(job.r().currentRun(), 0);
    EXPECT_DOUBLE_EQ(job.r().correctionAmount(0, true), 200);
    job.r().stepRun(false);
    EXPECT_EQ(job.r().currentRun(), 0);

    job.r().selectRun(5);
    EXPECT_EQ(job.r().currentRun(), 0);
    job.r().selectRun(1);
    EXPECT_EQ(job.r().currentRun(), 1);

    job.r().setRunFlag(0, true);
    job.r().setRunFlag(7, true);
    EXPECT_TRUE(job.r().data().runs[0].flag);
    EXPECT_FALSE(job.r().data().runs[1].flag);
    EXPECT_EQ(job.r().runName(2), nullptr);
    EXPECT_EQ(job.r().runName(-1), nullptr);
    ASSERT_NE(job.r().runName(1), nullptr);
}

TEST_F(RotorRuns, ReadersOfARun) {
    Job job;
    job.r().recordRun(makeRun({makeResult(1, 10, 200, 30), makeResult(2, -20, 300, 400)}));
    job.r().recordRun(makeRun({makeResult(3, 50, 100, 50), makeResult(4, 20, 150, 60)}));
    double angle = -1;

    EXPECT_DOUBLE_EQ(job.r().runVibration(0, 1, &angle), 2);
    EXPECT_NEAR(angle, 340, 1e-9);
    EXPECT_DOUBLE_EQ(job.r().runUnbalance(0, 1, &angle), 300);
    EXPECT_NEAR(angle, 40, 1e-9);

    // A negative run: the last run for the vibration, counted from the end
    // for the unbalance.
    EXPECT_DOUBLE_EQ(job.r().runVibration(-2, 0, &angle), 3);
    EXPECT_NEAR(angle, 50, 1e-9);
    EXPECT_DOUBLE_EQ(job.r().runUnbalance(-1, 0, nullptr), 100);
    EXPECT_DOUBLE_EQ(job.r().runUnbalance(-2, 0, nullptr), 200);
    angle = -1;
    EXPECT_DOUBLE_EQ(job.r().runUnbalance(-3, 0, &angle), 0.0);
    EXPECT_DOUBLE_EQ(job.r().runUnbalance(2, 0, &angle), 0.0);
    EXPECT_DOUBLE_EQ(job.r().runVibration(0, 2, &angle), 0.0);
    EXPECT_DOUBLE_EQ(job.r().runVibration(0, -1, &angle), 0.0);
    EXPECT_EQ(angle, -1);

    // runCorrection makes the run current and answers the correction.
    bool flag = true;
    job.r().setRunFlag(0, false);
    EXPECT_DOUBLE_EQ(job.r().runCorrection(0, 0, &angle, false, &flag), 2);
    EXPECT_NEAR(angle, 210, 1e-9);
    EXPECT_FALSE(flag);
    EXPECT_EQ(job.r().currentRun(), 0);
    EXPECT_DOUBLE_EQ(job.r().runCorrection(0, 1, &angle, true, nullptr), 300);
    EXPECT_NEAR(angle, 40, 1e-9);
    EXPECT_DOUBLE_EQ(job.r().runCorrection(3, 1, &angle, true, nullptr), 0.0);

    // The resultant of the two planes' unbalance, computed here from the
    // same vectors.
    const double x = 100 * std::cos(50 * kPi / 180) + 150 * std::cos(60 * kPi / 180);
    const double y = 100 * std::sin(50 * kPi / 180) + 150 * std::sin(60 * kPi / 180);
    EXPECT_NEAR(job.r().runResultant(1, 0, 1, &angle), std::hypot(x, y), 1e-9);
    EXPECT_NEAR(angle, std::atan2(y, x) * 180 / kPi, 1e-9);
    EXPECT_EQ(job.r().currentRun(), 1);
    EXPECT_DOUBLE_EQ(job.r().runResultant(1, 0, 2, &angle), 0.0);
}

TEST_F(RotorRuns, RunsWithFewerResultsThanPlanes) {
    Job job;
    job.r().recordRun(makeRun({makeResult(1, 10, 200, 30)}));  // recorded before plane 2 existed
    double angle = -1;
    EXPECT_DOUBLE_EQ(job.r().runUnbalance(0, 1, &angle), 0.0);
    EXPECT_EQ(angle, -1);
    EXPECT_DOUBLE_EQ(job.r().correctionAmount(1, true), 0.0);
    job.r().data().planes[1].unbalanceAmount = 5;
    job.r().computeCorrections(false, false, false, false);
    EXPECT_DOUBLE_EQ(job.r().correctionAmount(1, true), 0.0);
    EXPECT_DOUBLE_EQ(job.r().correctionAmount(0, true), 200);
    EXPECT_EQ(job.r().nextVerificationStep(-1), 0);  // P = 0: every run counts as before the test
    job.r().data().permissibleUnbalance = 100;
    EXPECT_EQ(job.r().nextVerificationStep(5), 1);  // the missing second result reads as 0
}

TEST_F(RotorRuns, ComputeCorrectionsTakesTheCurrentRunOrZeroes) {
    Job job;
    job.r().computeCorrections(false, false, true, false);  // no run: nothing changes
    job.r().setCorrectionLimited(1);
    job.r().recordRun(makeRun({makeResult(1, 10, 200, 30), makeResult(2, 20, 300, 40)}));
    job.r().setCorrectionLimited(2);
    job.r().data().planes[0].unbalanceAmount = 1;
    job.r().computeCorrections(false, false, false, false);
    EXPECT_FALSE(job.r().isCorrectionLimited(1));
    EXPECT_DOUBLE_EQ(job.r().correctionAmount(0, true), 200);
    job.r().computeCorrections(false, false, true, false);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(job.r().correctionAmount(i, true), 0.0);
        EXPECT_EQ(job.r().correctionAmount(i, false), 0.0);
    }
}

TEST_F(RotorRuns, PlaneResultOfAZeroRadiusIsNoMass) {
    Job job;
    job.r().data().planes[0].radius = 0;
    job.r().computePlaneResult(0, 100, kPi / 2);
    EXPECT_DOUBLE_EQ(job.r().correctionAmount(0, true), 100);
    EXPECT_NEAR(job.r().correctionAngle(0, true), 90, 1e-9);
    EXPECT_EQ(job.r().correctionAmount(0, false), 0.0);
    EXPECT_NEAR(job.r().correctionAngle(0, false), 270, 1e-9);
    job.r().computePlaneResult(5, 1, 1);  // no such plane: nothing
    job.r().computePlaneResult(1, 10, -kPi / 2);
    EXPECT_NEAR(job.r().correctionAngle(1, true), 270, 1e-9);
}

TEST_F(RotorRuns, SetConfigFlagSetsTheOptionAndRecomputes) {
    Job job;
    job.r().recordRun(makeRun({makeResult(1, 10, 200, 30), makeResult(2, 20, 300, 40)}));
    job.r().data().planes[0].unbalanceAmount = 1;
    job.r().setConfigFlag(true);
    EXPECT_TRUE(job.cfg.get()->local.correctionOption);
    EXPECT_DOUBLE_EQ(job.r().correctionAmount(0, true), 200);
    job.r().setConfigFlag(false);
    EXPECT_FALSE(job.cfg.get()->local.correctionOption);
}

TEST_F(RotorRuns, ControlRotorMiddlePlaneGetsTheTestMassInStageOne) {
    TestConfig cfg;
    cfg.channel(true).channel(true).channels(3);
    Rotor r(cfg.get());
    r.insertPlane(2);  // a middle plane without channel
    r.data().controlRotor = true;
    r.data().planes[1].massUmar = 4.5;
    for (int k = 0; k < 10; ++k) r.data().runs.push_back(makeRun({makeResult(1, 0, 1, 0), makeResult(1, 0, 1, 0)}));
    r.selectRun(8);  // run 9: stage 1, second run of the stage
    EXPECT_DOUBLE_EQ(r.correctionAmount(1, false), 4.5);
    EXPECT_DOUBLE_EQ(r.correctionAngle(1, false), 60.0);
    r.data().planes[1].massAmount = 0;
    r.selectRun(3);  // stage 0: left alone
    EXPECT_DOUBLE_EQ(r.correctionAmount(1, false), 0.0);
}

TEST(RotorVerification, Stages) {
    TestConfig cfg;
    Rotor r(cfg.get());
    int first = -1, size = -1;
    EXPECT_EQ(r.verificationStage(18, &first, &size), 1);
    EXPECT_EQ(first, 7);
    EXPECT_EQ(size, 12);
    EXPECT_EQ(r.verificationStage(39, &first, &size), 4);
    EXPECT_EQ(first, 34);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(r.verificationStage(0, &first, &size), 0);
    EXPECT_EQ(size, 7);
    EXPECT_EQ(r.verificationStage(30, &first, nullptr), 3);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(r.verificationStage(36, &first, nullptr), 4);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(r.verificationStage(29, nullptr, nullptr), 2);
}

struct ControlJob {
    TestConfig cfg;
    std::unique_ptr<Rotor> rotor;
    ControlJob() {
        cfg.channel(true).channel(true).channels(3);
        rotor = std::make_unique<Rotor>(cfg.get());
        rotor->data().permissibleUnbalance = 10;
    }
    void run(double u1, double u2) {
        rotor->data().runs.push_back(makeRun({makeResult(1, 0, u1, 0), makeResult(1, 0, u2, 0)}));
    }
    int next(int runs = -1) { return rotor->nextVerificationStep(runs); }
};

TEST(RotorVerification, NextStep) {
    ControlJob j;
    EXPECT_EQ(j.next(), 0);
    j.run(60, 1);
    j.run(1, 60);
    EXPECT_EQ(j.next(), 0);  // still being balanced
    for (int k = 0; k < 5; ++k) j.run(1, 1);
    EXPECT_EQ(j.next(), 5);
    j.run(6, 1);  // the sixth counted run above 0.5 P
    EXPECT_EQ(j.next(), -1);
    EXPECT_EQ(j.next(7), 5);
    EXPECT_EQ(j.next(100), -1);  // clamped to the runs there are
    j.rotor->data().runs.back().results[0].unbalance.amplitude = 5;  // exactly 0.5 P
    EXPECT_EQ(j.next(), 6);
}

TEST(RotorVerification, NextStepLateStages) {
    ControlJob j;
    j.run(100, 0);  // before the test
    for (int k = 0; k < 30; ++k) j.run(1, 1);
    EXPECT_EQ(j.next(), 30);
    j.run(50, 1);  // counted run 31, 5P: does not count in the stage 3 tail
    j.run(60, 1);
    EXPECT_EQ(j.next(), 30);
    j.run(1, 1);
    EXPECT_EQ(j.next(), 31);  // 33 less the two coarse runs from k + 30 on
    j.run(1, 1);
    j.run(10, 1);  // s = 35: from run k + 34 on, runs not below P are taken off
    EXPECT_EQ(j.next(), 32);
    j.run(1, 1);  // below P: the count from k + 34 stops at it
    EXPECT_EQ(j.next(), 33);
}

TEST(RotorVerification, RunAllowed) {
    ControlJob j;
    bool out = true;
    EXPECT_EQ(j.rotor->verificationRunAllowed(nullptr, false, true), nullptr);
    // v = 1 (current run 0): not b.
    EXPECT_EQ(j.rotor->verificationRunAllowed(&out, false, true), &out);
    EXPECT_FALSE(out);
    // forNext outside 7..18: b.
    j.rotor->verificationRunAllowed(&out, true, true);
    EXPECT_TRUE(out);

    for (int k = 0; k < 12; ++k) j.run(1, 1);
    j.rotor->selectRun(2);  // v = 3, s = 12: left as it was
    out = true;
    j.rotor->verificationRunAllowed(&out, false, false);
    EXPECT_TRUE(out);
    out = false;
    j.rotor->verificationRunAllowed(&out, false, true);
    EXPECT_FALSE(out);
    j.rotor->selectRun(9);  // v = 10: b
    j.rotor->verificationRunAllowed(&out, false, true);
    EXPECT_TRUE(out);
    // forNext with 7 <= v < 19 and a positive next step: not b.
    j.rotor->verificationRunAllowed(&out, true, true);
    EXPECT_FALSE(out);
}

}  // namespace
