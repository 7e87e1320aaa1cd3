#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "records/job_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"
#include "rotor_test_config.h"

namespace {

constexpr double kPi = polar::kPi;
constexpr double rad(double deg) { return deg * kPi / 180.0; }

struct Wave {
    double amplitude;
    double phaseDeg;  // psi of y = A sin(phi + psi)
    double offset;
};

// One revolution of M samples per channel, interleaved channel by channel.
std::vector<std::int32_t> revolution(const std::vector<Wave>& waves, int M) {
    std::vector<std::int32_t> s;
    for (int j = 0; j < M; ++j) {
        const double phi = 2 * kPi * j / M;
        for (const Wave& w : waves)
            s.push_back(static_cast<std::int32_t>(std::lround(w.offset + w.amplitude * std::sin(phi + rad(w.phaseDeg)))));
    }
    return s;
}

// The angle the fit gives a wave of phase psi: 2 pi - psi, in degrees [0, 360).
double fitDegrees(double psiDeg) {
    double d = 360.0 - psiDeg;
    while (d >= 360.0) d -= 360.0;
    while (d < 0.0) d += 360.0;
    return d;
}

// A rotor whose planes use channels 1 and 2 (settings channels 0 and 1).
struct TwoChannels {
    TestConfig cfg;
    std::unique_ptr<Rotor> rotor;
    explicit TwoChannels(unsigned averaging = 3, double deviation = 3.0, int shift0 = 0, int shift1 = 0) {
        cfg.channel(true, false, shift0).channel(true, false, shift1).channel(false).channel(false).channel(false);
        cfg.u32(0x1DD641E, averaging).real(0x1DD641F, deviation);
        rotor = std::make_unique<Rotor>(cfg.get());
    }
    Rotor& r() { return *rotor; }
    void session() {
        r().startSession();
        r().initChannel(0, 1, 0);
        r().initChannel(1, 1, 1);
    }
    // Writes one whole row, both channels at the given amplitude and angle.
    void row(double amplitude, double deg) {
        r().addMeasureResult(amplitude, rad(deg), deg, 1, 0);
        r().addMeasureResult(amplitude, rad(deg), deg, 1, 1);
    }
};

}  // namespace

TEST(RotorIntake, FitOfKnownSines) {
    TwoChannels t(1, 50.0);
    t.session();
    const std::vector<Wave> waves{{8000.0, 30.0, 2000.0}, {5000.0, -100.0, -700.0}};
    ASSERT_TRUE(t.r().processRevolution(revolution(waves, 128), false));
    const ChannelResult* row = t.r().measureResult(-1);
    ASSERT_NE(row, nullptr);
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(row[k].amplitude, waves[k].amplitude, waves[k].amplitude * 1e-3);
        EXPECT_NEAR(row[k].angleDeg, fitDegrees(waves[k].phaseDeg), 0.02);
        EXPECT_NEAR(polar::reduceDegrees(polar::toDegrees(row[k].angleRad)), fitDegrees(waves[k].phaseDeg), 0.02);
        EXPECT_EQ(row[k].scale, 1u);
    }
    // The sums go on: a second revolution refines the same fit.
    ASSERT_TRUE(t.r().processRevolution(revolution(waves, 128), false));
    EXPECT_EQ(t.r().measureResult(1), t.r().measureResult(-1));
    EXPECT_NE(t.r().measureResult(0), t.r().measureResult(1));
}

TEST(RotorIntake, ScaleMultipliesSamples) {
    TwoChannels t(1, 50.0);
    t.r().startSession();
    t.r().initChannel(0, 4, 0);
    t.r().initChannel(1, 1, 1);
    const std::vector<Wave> waves{{1000.0, 0.0, 0.0}, {1000.0, 90.0, 0.0}};
    ASSERT_TRUE(t.r().processRevolution(revolution(waves, 64), false));
    const ChannelResult* row = t.r().measureResult(-1);
    ASSERT_NE(row, nullptr);
    EXPECT_NEAR(row[0].amplitude, 4000.0, 4.0);
    EXPECT_EQ(row[0].scale, 4u);
    EXPECT_NEAR(row[1].amplitude, 1000.0, 1.0);
    EXPECT_NEAR(row[1].angleDeg, 270.0, 0.05);
}

TEST(RotorIntake, NoRowUntilEveryChannelConverged) {
    // A tolerance no noisy channel can meet within one revolution.
    TwoChannels t(1, 1e-12);
    t.session();
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> noise(-30000, 30000);
    std::vector<std::int32_t> s = revolution({{8000.0, 30.0, 0.0}, {0.0, 0.0, 0.0}}, 64);
    for (std::size_t j = 1; j < s.size(); j += 2) s[j] = noise(rng);
    EXPECT_FALSE(t.r().processRevolution(s, false));
    EXPECT_EQ(t.r().measureResult(-1), nullptr);
    EXPECT_FALSE(t.r().hasNewResults());

    // Accumulating only never adds a row.
    TwoChannels u(1, 50.0);
    u.session();
    const auto clean = revolution({{8000.0, 30.0, 0.0}, {4000.0, 60.0, 0.0}}, 64);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(u.r().processRevolution(clean, true));
    EXPECT_EQ(u.r().measureResult(-1), nullptr);
    // The sums gathered while accumulating count when solving starts.
    EXPECT_TRUE(u.r().processRevolution(clean, false));
    EXPECT_NEAR(u.r().measureResult(-1)[1].angleDeg, 300.0, 0.05);
}

TEST(RotorIntake, ZeroChannelConvergesWithAngleZero) {
    TwoChannels t(1, 3.0);
    t.session();
    const auto s = revolution({{8000.0, 45.0, 100.0}, {0.0, 0.0, 0.0}}, 64);
    ASSERT_TRUE(t.r().processRevolution(s, false));
    const ChannelResult* row = t.r().measureResult(-1);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row[1].amplitude, 0.0);
    EXPECT_FALSE(std::isnan(row[1].angleRad));
    EXPECT_EQ(row[1].angleDeg, 0.0);
}

TEST(RotorIntake, DeviationIsAPercentageAboveOneTenth) {
    TwoChannels five(1, 5.0);
    five.session();
    EXPECT_DOUBLE_EQ(five.r().sessionTolerance(), 0.05);
    TwoChannels small(1, 0.05);
    small.session();
    EXPECT_DOUBLE_EQ(small.r().sessionTolerance(), 0.05);
    TwoChannels edge(1, 0.1);
    edge.session();
    EXPECT_DOUBLE_EQ(edge.r().sessionTolerance(), 0.1);
}

TEST(RotorIntake, RingOf100Rows) {
    TwoChannels t;
    // No session yet: nothing is written, nothing is read.
    t.row(1.0, 10.0);
    EXPECT_EQ(t.r().measureResult(0), nullptr);
    EXPECT_EQ(t.r().measureResult(-1), nullptr);
    EXPECT_FALSE(t.r().hasNewResults());

    t.session();
    EXPECT_EQ(t.r().measureResult(-1), nullptr);
    for (int i = 0; i < 250; ++i) t.row(static_cast<double>(i), 0.0);
    EXPECT_TRUE(t.r().hasNewResults());
    const ChannelResult* newest = t.r().measureResult(-1);
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(newest[0].amplitude, 249.0);
    EXPECT_EQ(newest[1].amplitude, 249.0);
    EXPECT_EQ(newest, t.r().measureResult(49));   // stored in ring row 49
    EXPECT_EQ(newest, t.r().measureResult(149));  // an older index reads its slot
    EXPECT_EQ(t.r().measureResult(-100)[0].amplitude, 150.0);
    EXPECT_EQ(t.r().measureResult(-250)[0].amplitude, 200.0);
    EXPECT_EQ(t.r().measureResult(250), nullptr);
    EXPECT_EQ(t.r().measureResult(-251), nullptr);

    // Half a row is not a row.
    t.r().addMeasureResult(999.0, 0.0, 0.0, 1, 0);
    EXPECT_EQ(t.r().measureResult(-1)[0].amplitude, 249.0);
    EXPECT_EQ(t.r().measureResult(250), nullptr);

    // A new session starts over.
    t.session();
    EXPECT_FALSE(t.r().hasNewResults());
    EXPECT_EQ(t.r().measureResult(-1), nullptr);
    EXPECT_EQ(t.r().finalResults(), nullptr);
}

TEST(RotorIntake, PhaseShiftOfTheSettingsChannel) {
    TwoChannels t(3, 3.0, 20, -20);
    t.session();
    t.r().addMeasureResult(5.0, rad(350.0), 350.0, 1, 0);
    t.r().addMeasureResult(5.0, rad(10.0), 10.0, 1, 1);
    const ChannelResult* row = t.r().measureResult(-1);
    ASSERT_NE(row, nullptr);
    EXPECT_NEAR(row[0].angleDeg, 10.0, 1e-9);
    EXPECT_NEAR(row[0].angleRad, rad(10.0), 1e-12);
    EXPECT_NEAR(row[1].angleDeg, -10.0, 1e-9);  // the sign of the sum stays
    EXPECT_NEAR(row[1].angleRad, rad(-10.0), 1e-12);

    // A channel outside the settings' list takes no shift.
    t.r().addMeasureResult(5.0, rad(40.0), 40.0, 1, 7);
    t.r().addMeasureResult(5.0, rad(40.0), 40.0, 1, -1);
    row = t.r().measureResult(-1);
    EXPECT_NEAR(row[0].angleDeg, 40.0, 1e-9);
    EXPECT_NEAR(row[1].angleDeg, 40.0, 1e-9);
}

TEST(RotorIntake, FinalValuesMirrorTheMean) {
    TwoChannels t(3);
    t.session();
    for (int i = 0; i < 5; ++i) t.row(2.0, 30.0);
    const ChannelResult* f = t.r().finalResults();
    ASSERT_NE(f, nullptr);
    EXPECT_NEAR(f[0].amplitude, 2.0, 1e-12);
    EXPECT_NEAR(f[0].angleDeg, 330.0, 1e-9);
    EXPECT_NEAR(f[0].angleRad, 2 * kPi - kPi / 6, 1e-12);

    TwoChannels u(3);
    u.session();
    for (int i = 0; i < 3; ++i) u.row(2.0, 330.0);
    f = u.r().finalResults();
    ASSERT_NE(f, nullptr);
    EXPECT_NEAR(f[1].angleDeg, 30.0, 1e-9);
    EXPECT_NEAR(f[1].angleRad, 2 * kPi + kPi / 6, 1e-12);

    // Vector mean: 0 degrees and 90 degrees give 45 degrees, mirrored to 315.
    TwoChannels v(2);
    v.session();
    v.row(1.0, 0.0);
    v.row(1.0, 90.0);
    f = v.r().finalResults();
    ASSERT_NE(f, nullptr);
    EXPECT_NEAR(f[0].amplitude, std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(f[0].angleDeg, 315.0, 1e-9);
}

TEST(RotorIntake, FewerRowsThanTheCountUseTheSameFrame) {
    TwoChannels t(3);
    t.session();
    t.row(2.0, 30.0);
    t.row(4.0, 30.0);
    const ChannelResult* f = t.r().finalResults();
    ASSERT_NE(f, nullptr);
    EXPECT_NEAR(f[0].amplitude, 3.0, 1e-12);
    EXPECT_NEAR(f[0].angleDeg, 330.0, 1e-9);  // mirrored like a full set

    // A count of 0 counts as 1: the newest row, mirrored.
    TwoChannels z(0);
    z.session();
    z.row(1.0, 10.0);
    z.row(7.0, 20.0);
    f = z.r().finalResults();
    ASSERT_NE(f, nullptr);
    EXPECT_NEAR(f[0].amplitude, 7.0, 1e-12);
    EXPECT_NEAR(f[0].angleDeg, 340.0, 1e-9);
}

TEST(RotorIntake, CountAbove100NeverCountsARowTwice) {
    TwoChannels t(150);
    t.session();
    for (int i = 0; i < 20; ++i) t.row(1000.0, 0.0);
    for (int i = 0; i < 100; ++i) t.row(1.0, 0.0);
    const ChannelResult* f = t.r().finalResults();
    ASSERT_NE(f, nullptr);
    EXPECT_NEAR(f[0].amplitude, 1.0, 1e-12);
}

TEST(RotorIntake, FinalValuesStayUntilTheNextSession) {
    TwoChannels t(2);
    t.session();
    EXPECT_EQ(t.r().finalResults(), nullptr);  // no row yet
    t.row(1.0, 0.0);
    const ChannelResult* f = t.r().finalResults();
    ASSERT_NE(f, nullptr);
    const double before = f[0].amplitude;
    t.row(9.0, 180.0);
    t.row(9.0, 180.0);
    f = t.r().finalResults();
    EXPECT_EQ(f[0].amplitude, before);
    t.session();
    t.row(9.0, 180.0);
    EXPECT_NEAR(t.r().finalResults()[0].amplitude, 9.0, 1e-12);
}

TEST(RotorIntake, SpeedSeries) {
    TwoChannels t(1);
    double amp = -1, ang = -1;
    t.r().keptResult(0, &amp, &ang);  // nothing kept
    EXPECT_EQ(amp, 0.0);
    EXPECT_EQ(ang, 0.0);

    // Reference series of two steps.
    for (int speed : {500, 550}) {
        t.session();
        t.row(speed / 100.0, 30.0);
        t.r().storeResult(speed, speed == 550);
    }
    EXPECT_TRUE(t.r().hasNewResults());
    ASSERT_EQ(t.r().currentSpeedList().size(), 2u);
    EXPECT_EQ(t.r().currentSpeedList()[1].speed, 550);
    EXPECT_NEAR(t.r().currentSpeedList()[1].amplitude0, 5.5, 1e-12);
    EXPECT_NEAR(t.r().currentSpeedList()[1].angle1, 2 * kPi - kPi / 6, 1e-12);
    t.r().keepResults(0);
    EXPECT_TRUE(t.r().currentSpeedList().empty());
    EXPECT_EQ(t.r().keptList(0).size(), 2u);

    // The next series reads the reference for the step it measures.
    t.r().keptResult(0, &amp, &ang);
    EXPECT_NEAR(amp, 5.0, 1e-12);
    EXPECT_NEAR(ang, 330.0, 1e-9);
    t.session();
    t.row(1.0, 0.0);
    t.r().storeResult(500, false);
    EXPECT_FALSE(t.r().hasNewResults());
    t.r().keptResult(1, &amp, &ang);
    EXPECT_NEAR(amp, 5.5, 1e-12);
    EXPECT_NEAR(ang, 330.0, 1e-9);
    t.r().keptResult(2, &amp, &ang);  // only two channels are kept
    EXPECT_EQ(amp, 0.0);
    EXPECT_EQ(ang, 0.0);
    t.r().keptResult(0, nullptr, nullptr);  // no crash

    t.session();
    t.row(1.0, 0.0);
    t.r().storeResult(550, false);
    t.r().keptResult(0, &amp, &ang);  // beyond the reference series
    EXPECT_EQ(amp, 0.0);

    t.r().storeResult(0, true);
    EXPECT_TRUE(t.r().currentSpeedList().empty());
    EXPECT_TRUE(t.r().hasNewResults());
    t.r().keepResults(10);  // no such list: nothing moves
    EXPECT_EQ(t.r().keptList(0).size(), 2u);

    // No final values: nothing is appended.
    t.session();
    t.r().storeResult(600, false);
    EXPECT_TRUE(t.r().currentSpeedList().empty());
}

TEST(RotorIntake, OneChannelSpeedSeriesReadsZeroForTheSecond) {
    TestConfig cfg;
    cfg.channel(true);
    Rotor r(cfg.get());
    r.startSession();
    r.addMeasureResult(3.0, 0.5, polar::toDegrees(0.5), 1, 0);
    r.storeResult(400, true);
    ASSERT_EQ(r.currentSpeedList().size(), 1u);
    EXPECT_EQ(r.currentSpeedList()[0].amplitude1, 0.0);
    EXPECT_EQ(r.currentSpeedList()[0].angle1, 0.0);
}

TEST(RotorIntake, DriveCalibrationFollowsTheRatio) {
    TestConfig cfg;
    cfg.endDrive({true, 2.0, 1000.0, false, 70});
    Rotor r(cfg.get());
    EXPECT_EQ(r.driveCalibration(), 0.0);
    r.setDriveCalibration(45.5);
    EXPECT_EQ(r.data().driveCalibration, 45.5);
    EXPECT_EQ(r.data().calibrationRatio, 2.0);
    EXPECT_EQ(r.driveCalibration(), 45.5);
    cfg.endDrive({true, 2.0009, 1000.0, false, 70});
    EXPECT_EQ(r.driveCalibration(), 45.5);
    cfg.endDrive({true, 2.002, 1000.0, false, 70});
    EXPECT_EQ(r.driveCalibration(), 0.0);
    cfg.endDrive({true, 1.998, 1000.0, false, 70});
    EXPECT_EQ(r.driveCalibration(), 0.0);
    r.setDriveCalibration(std::nan(""));
    EXPECT_EQ(r.data().driveCalibration, 45.5);
}

TEST(RotorIntake, TakeMeasurementFillsTheMeasuredVectors) {
    TwoChannels t(1);
    EXPECT_FALSE(t.r().takeMeasurement());  // no session
    t.session();
    EXPECT_FALSE(t.r().takeMeasurement());  // no row
    EXPECT_TRUE(t.r().measuredVectors().empty());
    t.row(2.0, 30.0);
    ASSERT_TRUE(t.r().takeMeasurement());
    ASSERT_EQ(t.r().measuredVectors().size(), 2u);
    EXPECT_NEAR(t.r().measuredVectors()[1].angleDeg, 330.0, 1e-9);
    EXPECT_FALSE(t.r().copyFinalResults(1));  // block beyond the list
    EXPECT_FALSE(t.r().copyFinalResults(-1));
}

TEST(RotorIntake, TwoChannelPlaneAddsUpInTheLastVector) {
    TestConfig cfg;
    cfg.channel(true).channel(true);
    Rotor r(cfg.get());
    r.clearPlanes();
    r.insertPlane(1);
    r.setPlaneChannels(1, 1, 2);
    ASSERT_EQ(r.measuringCount(), 1);
    ASSERT_EQ(r.channelCount(), 2);
    cfg.u32(0x1DD641E, 1);
    r.startSession();
    r.addMeasureResult(1.0, rad(30.0), 30.0, 1, 0);   // final: 1 at 330
    r.addMeasureResult(1.0, rad(300.0), 300.0, 1, 1); // final: 1 at 60
    ASSERT_TRUE(r.takeMeasurement());
    ASSERT_EQ(r.measuredVectors().size(), 1u);
    const ChannelResult& v = r.measuredVectors()[0];
    // 330 + 60 degrees, both of amplitude 1: sqrt(2) at 15 degrees.
    EXPECT_NEAR(v.amplitude, std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(v.angleDeg, 15.0, 1e-9);
    EXPECT_NEAR(v.angleRad, rad(15.0), 1e-12);
}

TEST(RotorIntake, PlanesWithoutTheirOwnChannelReadZero) {
    // Three planes, channel only on plane 1: the last plane counts as
    // measured, so there are two vectors and the second stays zero.
    TestConfig cfg;
    cfg.channel(true).u32(0x1DD641E, 1);
    Rotor r(cfg.get());
    r.insertPlane(2);
    r.insertPlane(3);
    ASSERT_EQ(r.channelCount(), 1);
    ASSERT_EQ(r.measuringCount(), 2);
    r.startSession();
    r.addMeasureResult(4.0, rad(90.0), 90.0, 1, 0);
    ASSERT_TRUE(r.takeMeasurement());
    ASSERT_EQ(r.measuredVectors().size(), 2u);
    EXPECT_NEAR(r.measuredVectors()[0].amplitude, 4.0, 1e-12);
    EXPECT_EQ(r.measuredVectors()[1].amplitude, 0.0);
    EXPECT_EQ(r.measuredVectors()[1].angleDeg, 0.0);
}

TEST(RotorIntake, RotorWithoutChannels) {
    TestConfig cfg;
    cfg.channels(5);
    Rotor r(cfg.get());
    ASSERT_EQ(r.channelCount(), 0);
    r.startSession();
    r.initChannel(0, 1, 0);
    EXPECT_FALSE(r.processRevolution({1, 2, 3, 4}, false));
    r.addMeasureResult(1.0, 0.0, 0.0, 1, 0);
    EXPECT_EQ(r.measureResult(-1), nullptr);
    EXPECT_EQ(r.measureResult(0), nullptr);
    EXPECT_EQ(r.finalResults(), nullptr);
    EXPECT_FALSE(r.hasNewResults());
    EXPECT_FALSE(r.takeMeasurement());
    EXPECT_FALSE(r.copyFinalResults(0));
    r.storeResult(500, false);
    EXPECT_TRUE(r.currentSpeedList().empty());
}

TEST(RotorIntake, OutOfRangeArguments) {
    TwoChannels t(1);
    t.session();
    t.r().initChannel(2, 5, 0);  // no accumulator 2
    t.r().initChannel(99, 5, 0);
    EXPECT_FALSE(t.r().processRevolution({}, false));
    EXPECT_FALSE(t.r().processRevolution({1}, false));  // less than one sample per channel
    EXPECT_EQ(t.r().measureResult(-1), nullptr);
    EXPECT_EQ(t.r().averagingCount(), 1u);
}

// Run under ThreadSanitizer to check the hand-over (see the report).
TEST(RotorIntake, WorkerWritesWhileTheInterfaceReads) {
    TwoChannels t(5);
    t.session();
    constexpr int kRows = 99;  // within one turn of the ring
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < kRows; ++i) t.row(static_cast<double>(i + 1), 10.0);
        done.store(true);
    });
    int seen = 0;
    bool consistent = true;
    double last = 0.0;
    while (!done.load() || seen < kRows) {
        if (!t.r().hasNewResults()) continue;
        const ChannelResult* row = t.r().measureResult(-1);
        if (!row) continue;
        // Both entries of a complete row were written before it was published.
        if (row[0].amplitude != row[1].amplitude || row[0].amplitude < last) consistent = false;
        last = row[0].amplitude;
        seen = static_cast<int>(last);
    }
    worker.join();
    EXPECT_TRUE(consistent);
    EXPECT_EQ(seen, kRows);
}
