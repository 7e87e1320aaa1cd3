// Measuring sessions: the Measurer alone over a scripted device, a real Rotor,
// an atomic wake and virtual time.

#include "machine/measurer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <complex>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "support/machine_fake_api.h"
#include "support/machine_synth_rotor.h"
#include "support/machine_turn_rows.h"
#include "support/machine_virtual_clock.h"
#include "support/work_dir.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::unique_ptr<Config> filledConfig() {
    auto c = std::make_unique<Config>();
    c->inverters.resize(2);
    c->channels.resize(5);
    c->extErrors.resize(8);
    c->endDrive.extErrors.resize(8);
    c->beltDrive.extErrors.resize(8);
    c->measurementCycles = 3;
    return c;
}

// The row every turn test reads unless it says otherwise.
const TurnRow kGood = uniformTurnRow(5.0, 90.0);

struct Bench {
    VirtualClock clock;
    std::unique_ptr<Config> cfg = filledConfig();
    std::unique_ptr<Rotor> rotor;
    FakeApi api{clock};
    std::atomic<bool> wake{false};
    Measurer ms{clock};
    int callbacks = 0;

    // Planes with the given (first) channel numbers, counted from 1.
    explicit Bench(std::vector<std::uint32_t> planeChannels = {1, 2}) {
        rotor = std::make_unique<Rotor>(cfg.get());
        rotor->clearPlanes();
        for (std::size_t p = 0; p < planeChannels.size(); ++p) {
            rotor->insertPlane(static_cast<int>(p) + 1);
            rotor->setPlaneChannels(static_cast<int>(p) + 1, planeChannels[p], 0);
        }
        ms.setDevice(&api, &wake);
        ms.onResult = [this] { ++callbacks; };
    }
    // What initProcess and runProcess do before Machine::measure.
    bool prepare(int process = MachineProcess::kBalancing, double commanded = 1000.0, int testMode = 0) {
        if (!ms.setup(*cfg, rotor.get(), process)) return false;
        rotor->startSession();
        ms.rotor = rotor.get();
        ms.commandedSpeed.store(commanded);
        ms.toleranceFactor = 1.01;
        ms.speedTolerance = std::max(commanded * 0.01, 1.0);
        ms.testMode = testMode;
        return true;
    }
    // The same on a device with per-turn data.
    bool prepareTurns(double commanded = 1000.0) {
        api.setValue("hasTurnData", 1);
        return prepare(MachineProcess::kBalancing, commanded);
    }
    int rows() {
        int n = 0;
        while (rotor->measureResult(n) != nullptr) ++n;
        return n;
    }
};

// ---------------------------------------------------------------- per-turn path

TEST(MeasurerTurns, RowsAfterOneSkippedSession) {
    Bench b;
    SynthRotor synth = directSynthRotor(40.0, 30.0, 25.0, 200.0);
    ASSERT_TRUE(b.prepareTurns());
    queueTurns(b.api, synth, 4);
    EXPECT_EQ(b.ms.measure(), RunStatus::kOk);
    EXPECT_EQ(b.callbacks, 3);
    EXPECT_EQ(b.rows(), 3);
    EXPECT_EQ(b.api.count("getData"), 4);
    EXPECT_EQ(b.api.count("startReading"), 1);
    EXPECT_EQ(b.api.count("stopReading"), 1);
    const ChannelResult* row = b.rotor->measureResult(-1);
    ASSERT_NE(row, nullptr);
    EXPECT_NEAR(row[0].amplitude, 40.0, 1e-9);
    EXPECT_NEAR(row[0].angleDeg, 30.0, 1e-9);
    EXPECT_NEAR(row[0].angleRad, 30.0 * kPi / 180.0, 1e-12);
    EXPECT_EQ(row[0].scale, 1u);
    EXPECT_NEAR(row[1].amplitude, 25.0, 1e-9);
    EXPECT_NEAR(row[1].angleDeg, 200.0, 1e-9);
    // The read request: two channels, codes 1 and 2, the mark column.
    EXPECT_EQ(b.api.lastRequest.nChannels, 3u);
    EXPECT_EQ(b.api.lastTable, (std::vector<int>{1, 2}));
    EXPECT_EQ(b.api.lastRequest.rate, 18150u);
    EXPECT_EQ(b.api.lastRequest.blocks, 1000u);
    EXPECT_EQ(b.api.lastRequest.extra, 12u);
    EXPECT_EQ(b.api.lastRequest.speedFlag, 1);
    EXPECT_EQ(b.api.lastRequest.testMode, 0);
    // A balancing run makes one pass and changes no gain.
    EXPECT_EQ(b.api.count("setBooster"), 1);  // the set-up's
    EXPECT_EQ(b.ms.gainStep(0), 3);
}

TEST(MeasurerTurns, InvalidListedChannelAddsNothing) {
    Bench b;
    ASSERT_TRUE(b.prepareTurns());
    TurnRow bad = kGood;
    bad[1].valid = 0;
    TurnRow unlistedBad = kGood;
    unlistedBad[3].valid = 0;  // not a listed channel: does not matter
    b.api.turnBatches = {turnList(kGood), turnList(bad), turnList(kGood), turnList(unlistedBad),
                         turnList(kGood)};
    EXPECT_EQ(b.ms.measure(), RunStatus::kOk);
    EXPECT_EQ(b.callbacks, 3);
    EXPECT_EQ(b.rows(), 3);
    EXPECT_EQ(b.api.count("getData"), 5);
}

TEST(MeasurerTurns, ShortListFromTheDeviceCountsAsInvalid) {
    Bench b;
    ASSERT_TRUE(b.prepareTurns());
    TurnResults shortList(kGood.begin(), kGood.begin() + 1);
    b.api.turnBatches = {turnList(kGood), shortList, turnList(kGood), turnList(kGood), turnList(kGood)};
    EXPECT_EQ(b.ms.measure(), RunStatus::kOk);
    EXPECT_EQ(b.callbacks, 3);
    EXPECT_EQ(b.api.count("getData"), 5);
}

TEST(MeasurerTurns, InverterFaultStopsTheDrive) {
    Bench b;
    b.api.setValue("hasInverterError", 1);
    ASSERT_TRUE(b.prepareTurns());
    queueTurns(b.api, kGood, 2);
    EXPECT_EQ(b.ms.measure(), RunStatus::kDeviceError);
    const auto speeds = b.api.callsOf("setSpeed");
    ASSERT_EQ(speeds.size(), 1u);
    EXPECT_EQ(speeds[0].args[0], 0);
    EXPECT_EQ(b.callbacks, 0);
}

TEST(MeasurerTurns, ExternalDriveIgnoresTheInverter) {
    Bench b;
    b.api.setValue("hasInverterError", 1);
    ASSERT_TRUE(b.prepareTurns());
    b.ms.externalDrive = true;
    queueTurns(b.api, kGood, 4);
    EXPECT_EQ(b.ms.measure(), RunStatus::kOk);
    EXPECT_EQ(b.callbacks, 3);
    EXPECT_EQ(b.api.count("hasInverterError"), 0);
}

TEST(MeasurerTurns, FailedFetchEndsWithStatusTwo) {
    Bench b;
    b.api.script("getData", {1, 0});
    ASSERT_TRUE(b.prepareTurns());
    queueTurns(b.api, kGood, 3);
    EXPECT_EQ(b.ms.measure(), RunStatus::kDeviceError);
    EXPECT_EQ(b.api.count("getData"), 2);
    EXPECT_EQ(b.callbacks, 0);
    EXPECT_EQ(b.api.count("stopReading"), 1);
}

TEST(MeasurerTurns, FailedReadingStartGivesStatusTwo) {
    Bench b;
    b.api.setValue("startReading", 0);
    ASSERT_TRUE(b.prepareTurns());
    EXPECT_EQ(b.ms.measure(), RunStatus::kDeviceError);
    EXPECT_EQ(b.api.count("getData"), 0);
}

TEST(MeasurerTurns, CancelBeforeTheFirstSession) {
    Bench b;
    ASSERT_TRUE(b.prepareTurns());
    b.wake.store(true);
    EXPECT_EQ(b.ms.measure(), RunStatus::kOk);
    EXPECT_EQ(b.api.count("getData"), 0);
    EXPECT_EQ(b.api.count("stopReading"), 1);
}

TEST(MeasurerTurns, SessionLogLines) {
    const auto old = std::filesystem::current_path();
    char tmpl[] = "/tmp/ks_measurer_log_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    std::filesystem::current_path(tmpl);
    std::filesystem::create_directory("logs");
    {
        Bench b;
        b.api.script("getData", {1, 0});
        ASSERT_TRUE(b.prepareTurns());
        queueTurns(b.api, kGood, 2);
        EXPECT_EQ(b.ms.measure(), RunStatus::kDeviceError);
    }
    std::ifstream in("logs/measurer.log");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::current_path(old);
    std::error_code ec;
    std::filesystem::remove_all(tmpl, ec);
    for (const char* line : {"start measuring", "start process", "init result: y", "New session: 0/3",
                             "initPlaneData: 1 x1 map: 1", "1 valid 5 90", "readWait error!",
                             "end process (error = 2) (cancel = N)", "finish measuring"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
}

// ---------------------------------------------------------------- channel order

TEST(MeasurerChannels, PlanesKeepTheirOwnChannels) {
    Bench b({2, 1});
    SynthRotor synth = directSynthRotor(11.0, 10.0, 22.0, 20.0);  // 11 on device channel 0, 22 on 1
    ASSERT_TRUE(b.prepareTurns());
    EXPECT_EQ(b.ms.listedChannel(0), 1);
    EXPECT_EQ(b.ms.listedChannel(1), 0);
    queueTurns(b.api, synth, 4);
    EXPECT_EQ(b.ms.measure(), RunStatus::kOk);
    EXPECT_EQ(b.api.lastTable, (std::vector<int>{2, 1}));
    const ChannelResult* row = b.rotor->measureResult(-1);
    ASSERT_NE(row, nullptr);
    EXPECT_NEAR(row[0].amplitude, 22.0, 1e-9);  // plane 1 measures channel 2
    EXPECT_NEAR(row[1].amplitude, 11.0, 1e-9);
}

TEST(MeasurerChannels, SharedChannelFillsEveryPosition) {
    Bench b({1, 1});
    ASSERT_TRUE(b.prepareTurns());
    ASSERT_EQ(b.ms.listedCount(), 2);
    TurnRow r{};
    r[0] = {1, 7.0, 45.0};
    r[1] = {1, 99.0, 300.0};
    queueTurns(b.api, r, 4);
    EXPECT_EQ(b.ms.measure(), RunStatus::kOk);
    EXPECT_EQ(b.rows(), 3);
    const ChannelResult* row = b.rotor->measureResult(-1);
    ASSERT_NE(row, nullptr);
    EXPECT_NEAR(row[0].amplitude, 7.0, 1e-9);
    EXPECT_NEAR(row[1].amplitude, 7.0, 1e-9);
}

TEST(MeasurerChannels, SetUpRefusals) {
    {
        Bench b({0, 0});  // no channel at all
        EXPECT_FALSE(b.ms.setup(*b.cfg, b.rotor.get(), MachineProcess::kBalancing));
    }
    {
        Bench b({1, 6});  // channel 6 is not in the settings' list of five
        EXPECT_FALSE(b.ms.setup(*b.cfg, b.rotor.get(), MachineProcess::kBalancing));
    }
    {
        Bench b({1, 2, 3, 4, 5});  // five planes with channels: more than four
        EXPECT_FALSE(b.ms.setup(*b.cfg, b.rotor.get(), MachineProcess::kBalancing));
    }
    {
        Bench b;
        EXPECT_FALSE(b.ms.setup(*b.cfg, nullptr, MachineProcess::kBalancing));
        EXPECT_TRUE(b.ms.setup(*b.cfg, b.rotor.get(), MachineProcess::kBalancing));
        EXPECT_EQ(b.ms.sessions, 3);
        EXPECT_TRUE(b.ms.setup(*b.cfg, b.rotor.get(), MachineProcess::kSampledTest));
        EXPECT_EQ(b.ms.sessions, 100000);
    }
}

// ---------------------------------------------------------------- raw path

struct RawFeed {
    std::vector<SynthRotor::RawFrame> frames;
    std::size_t cursor = 0;
    int perRead = 1500;
    // Fills one read of FakeApi's batch, looping over the frames.
    void operator()(std::vector<FakeApi::Sample>& batch) {
        for (int i = 0; i < perRead; ++i) {
            const auto& f = frames[cursor];
            cursor = (cursor + 1) % frames.size();
            FakeApi::Sample s;
            s.mark = f.mark;
            for (int c = 0; c < 5; ++c) s.values[c] = f.values[static_cast<std::size_t>(c)];
            batch.push_back(s);
        }
    }
};

// Raw frames give rows only through the rotor's revolution fit.
TEST(MeasurerRaw, RowsComeFromTheRevolutionFit) {
    Bench b;
    SynthRotor synth = directSynthRotor(3000.0, 60.0, 2000.0, 250.0);
    SynthRotor::RawOptions opt;
    opt.samplesPerRevolution = 1000;
    auto feed = std::make_shared<RawFeed>();
    feed->frames = synth.rawSamples(1, opt);
    b.api.rawHook = [feed](std::vector<FakeApi::Sample>& batch) { (*feed)(batch); };
    b.api.recordSamples = false;
    // 18150 samples a second (the request's rate) over 1000 per turn.
    const double rpm = 18150.0 * 60.0 / 1000.0;
    ASSERT_TRUE(b.prepare(MachineProcess::kBalancing, rpm));
    EXPECT_EQ(b.ms.measure(), RunStatus::kOk);
    EXPECT_EQ(b.callbacks, 3);
    // The skipped session's fit is in the ring as well.
    EXPECT_EQ(b.rows(), 4);
    const ChannelResult* row = b.rotor->measureResult(-1);
    ASSERT_NE(row, nullptr);
    EXPECT_NEAR(row[0].amplitude, 3000.0, 3000.0 * 0.01);
    EXPECT_NEAR(row[0].angleDeg, 60.0, 0.5);
    EXPECT_NEAR(row[1].amplitude, 2000.0, 2000.0 * 0.01);
    EXPECT_NEAR(row[1].angleDeg, 250.0, 0.5);
    EXPECT_NEAR(b.ms.speed(), 0.0, 1e-12);  // 0 outside the pass
    // The revolutions went to the ring in blocks of 256 rows of three values.
    int points = 0, blocks = 0;
    int* s = b.ms.copySamples(&points, &blocks);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(points, Measurer::kRingPoints);
    EXPECT_EQ(blocks, 3);
    // Row i of a block: point index i, then the channels.
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(s[3], 1);
    std::free(s);
    std::vector<float> traces[16];
    EXPECT_EQ(b.ms.copyBlock(traces, 1), Measurer::kRingPoints);
    ASSERT_EQ(traces[0].size(), static_cast<std::size_t>(Measurer::kRingPoints));
    float peak = 0;
    for (float v : traces[0]) peak = std::max(peak, v);
    EXPECT_NEAR(peak, 3000.0f, 40.0f);
    EXPECT_EQ(b.ms.copyBlock(traces, 100000), 0);
}

TEST(MeasurerRaw, SpeedFarOffAbortsTheSession) {
    Bench b;
    SynthRotor synth = directSynthRotor(1000.0, 0.0, 0.0, 0.0);
    SynthRotor::RawOptions opt;
    auto feed = std::make_shared<RawFeed>();
    feed->frames = synth.rawSamples(1, opt);
    b.api.rawHook = [feed](std::vector<FakeApi::Sample>& batch) { (*feed)(batch); };
    b.api.recordSamples = false;
    ASSERT_TRUE(b.prepare(MachineProcess::kBalancing, 500.0));  // the rotor turns at 1089 rpm
    EXPECT_EQ(b.ms.measure(), RunStatus::kOk);
    EXPECT_EQ(b.callbacks, 0);
    EXPECT_EQ(b.rows(), 0);
    EXPECT_LE(b.api.count("readData"), 2);
}

TEST(MeasurerRaw, DeviceSpeedIsUsedAsAMagnitude) {
    Bench b;
    SynthRotor synth = directSynthRotor(1000.0, 0.0, 1000.0, 0.0);
    auto feed = std::make_shared<RawFeed>();
    feed->frames = synth.rawSamples(1, SynthRotor::RawOptions{});
    b.api.rawHook = [feed](std::vector<FakeApi::Sample>& batch) { (*feed)(batch); };
    b.api.recordSamples = false;
    b.api.setValue("getSpeed", -800.0);  // a signed reading
    ASSERT_TRUE(b.prepare(MachineProcess::kBalancing, 800.0));
    EXPECT_EQ(b.ms.measure(), RunStatus::kOk);
    EXPECT_EQ(b.callbacks, 3);
}

TEST(MeasurerRaw, PerTurnDeviceNeverFitsRevolutions) {
    Bench b;
    SynthRotor synth = directSynthRotor(10.0, 0.0, 10.0, 90.0);
    // Per-turn results that are never all valid, raw samples beside them.
    auto feed = std::make_shared<RawFeed>();
    feed->frames = synth.rawSamples(1, SynthRotor::RawOptions{});
    b.api.recordSamples = false;
    ASSERT_TRUE(b.prepareTurns(1089.0));
    queueTurns(b.api, TurnRow{}, 30);
    int fetches = 0;
    b.ms.pollHook = [&] {
        // Feed the raw samples the per-turn device also delivers.
        if (++fetches > 30) b.wake.store(true);
    };
    b.api.rawHook = [feed](std::vector<FakeApi::Sample>& batch) { (*feed)(batch); };
    EXPECT_EQ(b.ms.measure(), RunStatus::kOk);
    EXPECT_EQ(b.rows(), 0);  // the fit would have converged on these revolutions
    EXPECT_EQ(b.callbacks, 0);
}

// ---------------------------------------------------------------- gains

struct Loud {
    std::shared_ptr<RawFeed> feed = std::make_shared<RawFeed>();
    explicit Loud(int amplitude) {
        SynthRotor synth(1, 2);
        synth.setInfluencePolar(0, 0, 1.0, 0.0);
        synth.setInfluencePolar(0, 1, 0.01, 0.0);
        synth.setUnbalancePolar(0, amplitude, 0.0);
        feed->frames = synth.rawSamples(2, SynthRotor::RawOptions{});
        feed->perRead = 500;
    }
};

TEST(MeasurerGain, StepsGoDownOncePerSecondAndStopAtZero) {
    Bench b;
    Loud loud(30000);
    b.api.rawHook = [f = loud.feed](std::vector<FakeApi::Sample>& batch) { (*f)(batch); };
    b.api.recordSamples = false;
    ASSERT_TRUE(b.prepare(MachineProcess::kTest, 0.0, 1));
    // Thresholds: 85 % and 2 % of 32768.
    EXPECT_EQ(b.ms.reductionThreshold, 27852);
    EXPECT_EQ(b.ms.increaseThreshold, 655);
    std::vector<std::pair<std::int64_t, int>> changes;
    int last = b.ms.gainStep(0);
    b.ms.pollHook = [&] {
        b.clock.advanceMs(100);
        const int now = b.ms.gainStep(0);
        if (now != last) changes.push_back({b.clock.nowMs(), now});
        last = now;
        if (b.clock.nowMs() > 8000) b.wake.store(true);
    };
    EXPECT_EQ(b.ms.measure(), RunStatus::kOk);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].second, 2);
    EXPECT_EQ(changes[1].second, 1);
    EXPECT_EQ(changes[2].second, 0);
    EXPECT_GE(changes[1].first - changes[0].first, 1000);
    EXPECT_GE(changes[2].first - changes[1].first, 1000);
    EXPECT_EQ(b.ms.gainStep(0), 0);
    EXPECT_EQ(b.ms.gainStep(1), 3);  // the quiet channel is never raised
    EXPECT_EQ(b.ms.inTestMode(), true);
}

TEST(MeasurerGain, OverflowAtStepZeroStopsTheRun) {
    Bench b;
    b.cfg->channels[0].gain = 0;
    Loud loud(32000);
    b.api.rawHook = [f = loud.feed](std::vector<FakeApi::Sample>& batch) { (*f)(batch); };
    b.api.recordSamples = false;
    ASSERT_TRUE(b.prepare(MachineProcess::kTest, 700.0, 1));
    b.ms.pollHook = [&] {
        b.clock.advanceMs(100);
        if (b.clock.nowMs() > 20000) b.wake.store(true);  // guard
    };
    EXPECT_EQ(b.ms.measure(), RunStatus::kVibrationTooHigh);
    EXPECT_TRUE(b.wake.load());
    EXPECT_LT(b.clock.nowMs(), 20000);
    EXPECT_EQ(b.ms.gainStep(0), 0);
}

TEST(MeasurerGain, ProcessTwelveAndBoosterLevelsHaveNoOverflowStop) {
    Bench b;
    b.cfg->channels[0].gain = 0;
    Loud loud(32000);
    b.api.rawHook = [f = loud.feed](std::vector<FakeApi::Sample>& batch) { (*f)(batch); };
    b.api.recordSamples = false;
    ASSERT_TRUE(b.prepare(MachineProcess::kSampledTest, 700.0, 1));
    b.ms.pollHook = [&] {
        b.clock.advanceMs(100);
        if (b.clock.nowMs() > 5000) b.wake.store(true);
    };
    EXPECT_EQ(b.ms.measure(), RunStatus::kOk);
    // A booster level sets every channel to one step without automatic gain.
    b.ms.applyBooster(*b.cfg, 2, MachineProcess::kTest, 700.0);
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(b.ms.gainStep(c), 1);
        EXPECT_FALSE(b.ms.autoGain(c));
    }
    EXPECT_FALSE(b.ms.overflowStop);
    b.ms.applyBooster(*b.cfg, 9, MachineProcess::kTest, 700.0);
    EXPECT_EQ(b.ms.gainStep(0), 3);
    // Level 0 again: the settings' steps; automatic gain on two channels for
    // a machine that is not horizontal.
    b.cfg->machineInterface = 0x1364002;
    b.ms.applyBooster(*b.cfg, 0, MachineProcess::kTest, 700.0);
    EXPECT_EQ(b.ms.gainStep(0), 0);
    EXPECT_TRUE(b.ms.autoGain(1));
    EXPECT_FALSE(b.ms.autoGain(2));
}

TEST(MeasurerGain, PeakRule) {
    VirtualClock clock;
    Measurer ms(clock);
    ms.clearPeaks();
    ms.notePeak(0, 100);
    ms.notePeak(0, -200);
    EXPECT_EQ(ms.peak(0), 200);
    ms.notePeak(0, 50);
    ms.notePeak(0, 32767);  // a single full-scale sample after a smaller one
    EXPECT_EQ(ms.peak(0), 200);
    ms.notePeak(0, 150);
    ms.notePeak(0, -32768);  // full scale again, previous was small
    EXPECT_EQ(ms.peak(0), 200);
    ms.notePeak(0, 32767);  // two full-scale samples in a row count
    EXPECT_EQ(ms.peak(0), 32767);
    ms.clearPeaks();
    EXPECT_EQ(ms.peak(0), 0);
    ms.notePeak(1, -32767);  // previous of channel 1 is 0 >= peak 0: counts
    EXPECT_EQ(ms.peak(1), 32767);
    ms.notePeak(7, 5);  // outside the list: ignored
    EXPECT_EQ(ms.peak(7), 0);
}

// ---------------------------------------------------------------- sample ring

struct Counting {
    int next = 0;
    int perRead = 100;
    void operator()(std::vector<FakeApi::Sample>& batch) {
        for (int i = 0; i < perRead; ++i) {
            FakeApi::Sample s;
            s.values[0] = next;
            s.values[1] = -next;
            ++next;
            batch.push_back(s);
        }
    }
};

TEST(MeasurerRing, TestModeRowsPartlyFilledAndWrapped) {
    Bench b;
    auto feed = std::make_shared<Counting>();
    b.api.rawHook = [feed](std::vector<FakeApi::Sample>& batch) { (*feed)(batch); };
    b.api.recordSamples = false;
    ASSERT_TRUE(b.prepare(MachineProcess::kTest, 0.0, 1));
    int reads = 0;
    b.ms.pollHook = [&] {
        if (++reads > 1) b.wake.store(true);  // one read of 100 samples
    };
    b.ms.measure();  // the read of the poll that woke it still counts
    const int m = feed->next;
    ASSERT_LT(m, Measurer::kRingPoints);
    int points = 0, vps = 0;
    int* s = b.ms.copySamples(&points, &vps);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(points, Measurer::kRingPoints);
    EXPECT_EQ(vps, 1);
    const int n = 3 * Measurer::kRingPoints;
    // m rows at the end, zeros in front.
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(s[n - 3 * m - 1], 0);
    EXPECT_EQ(s[n - 3 * m], 1);     // the first row's sample number
    EXPECT_EQ(s[n - 3], m);         // sample number of the last row
    EXPECT_EQ(s[n - 2], m - 1);     // channel 1's value
    EXPECT_EQ(s[n - 1], -(m - 1));  // channel 2's value
    std::free(s);

    // Past the ring's end: the newest rows, oldest first.
    b.wake.store(false);
    feed->perRead = 1000;
    reads = 0;
    b.ms.pollHook = [&] {
        if (++reads > 20) b.wake.store(true);
    };
    b.ms.measure();
    ASSERT_GT(b.ms.ringWrites(), b.ms.ringCapacity());
    s = b.ms.copySamples(&points, &vps);
    ASSERT_NE(s, nullptr);
    for (int r = 1; r < Measurer::kRingPoints; ++r) EXPECT_EQ(s[r * 3], s[(r - 1) * 3] + 1);
    EXPECT_EQ(s[n - 2], feed->next - 1);
    std::free(s);

    b.ms.clearRing();
    EXPECT_EQ(b.ms.copySamples(&points, &vps), nullptr);
}

TEST(MeasurerRing, TooFewValuesForThreeBlocks) {
    Bench b;
    SynthRotor synth = directSynthRotor(1000.0, 0.0, 0.0, 0.0);
    auto feed = std::make_shared<RawFeed>();
    feed->frames = synth.rawSamples(1, SynthRotor::RawOptions{});
    feed->perRead = 1250;  // two reads: two and a half revolutions
    b.api.rawHook = [feed](std::vector<FakeApi::Sample>& batch) { (*feed)(batch); };
    b.api.recordSamples = false;
    ASSERT_TRUE(b.prepare(MachineProcess::kBalancing, 1089.0));
    int reads = 0;
    std::vector<float> traces[16];
    int before = -1;
    b.ms.pollHook = [&] {
        if (reads == 0) before = b.ms.copyBlock(traces, 0);
        if (++reads > 1) b.wake.store(true);
    };
    b.ms.measure();
    EXPECT_EQ(before, 0);  // the block did not exist yet
    int points = 0, vps = 0;
    EXPECT_EQ(b.ms.copySamples(&points, &vps), nullptr);
    EXPECT_EQ(b.ms.copyBlock(traces, 0), Measurer::kRingPoints);
}

TEST(MeasurerRing, ClearingWhileATestRuns) {
    Bench b;
    auto feed = std::make_shared<Counting>();
    b.api.rawHook = [feed](std::vector<FakeApi::Sample>& batch) { (*feed)(batch); };
    b.api.recordSamples = false;
    ASSERT_TRUE(b.prepare(MachineProcess::kTest, 0.0, 1));
    std::atomic<int> reads{0};
    b.ms.pollHook = [&] {
        if (reads.fetch_add(1) > 3000) b.wake.store(true);  // guard
    };
    std::thread worker([&] { b.ms.measure(); });
    int copies = 0;
    while (reads.load() < 200) {
        int points = 0, vps = 0;
        int* s = b.ms.copySamples(&points, &vps);
        if (s) ++copies;
        std::free(s);
        std::vector<float> traces[16];
        b.ms.copyBlock(traces, 0);
        b.ms.clearRing();
    }
    b.wake.store(true);
    worker.join();
    EXPECT_GE(reads.load(), 200);
    (void)copies;
}

TEST(MeasurerRing, ChangedPlaneValuesAreSentInTestMode) {
    Bench b;
    auto feed = std::make_shared<Counting>();
    b.api.rawHook = [feed](std::vector<FakeApi::Sample>& batch) { (*feed)(batch); };
    b.api.recordSamples = false;
    std::atomic<int> values[2] = {{4}, {250}};
    b.ms.planeValues = values;
    b.ms.sentPlaneValues[0] = 4;
    b.ms.sentPlaneValues[1] = 250;
    b.ms.externalPhasor = true;
    ASSERT_TRUE(b.prepare(MachineProcess::kTest, 0.0, 1));
    int reads = 0;
    b.ms.pollHook = [&] {
        ++reads;
        if (reads == 2) values[1].store(500);
        if (reads > 3) b.wake.store(true);
    };
    b.ms.measure();
    const auto misc = b.api.callsOf("setMiscParams");
    ASSERT_EQ(misc.size(), 1u);
    EXPECT_EQ(misc[0].args, (std::vector<double>{1, 4, 500}));
}

// ---------------------------------------------------------------- injection

TEST(MeasurerInject, RowsReachTheRotorWithScaleHundred) {
    Bench b;
    ASSERT_TRUE(b.prepare());
    b.ms.injectResults(0);
    const ChannelResult* row = b.rotor->measureResult(0);
    ASSERT_NE(row, nullptr);
    EXPECT_DOUBLE_EQ(row[0].amplitude, 43.1);
    EXPECT_DOUBLE_EQ(row[0].angleDeg, 262.63);
    EXPECT_NEAR(row[0].angleRad, 262.63 * kPi / 180.0, 1e-12);
    EXPECT_EQ(row[0].scale, 100u);
    EXPECT_DOUBLE_EQ(row[1].amplitude, 42.63);
    EXPECT_DOUBLE_EQ(row[1].angleDeg, 313.75);
    // 45 rows, then row 0 again.
    for (int i = 1; i < 45; ++i) b.ms.injectResults(0);
    b.ms.injectResults(0);
    row = b.rotor->measureResult(45);
    ASSERT_NE(row, nullptr);
    EXPECT_DOUBLE_EQ(row[0].amplitude, 43.1);
    EXPECT_NE(b.rotor->measureResult(44)[0].amplitude, 43.1);
    // Keys 1-9 take the second table.
    b.ms.injectResults(5);
    row = b.rotor->measureResult(-1);
    ASSERT_NE(row, nullptr);
    EXPECT_DOUBLE_EQ(row[0].amplitude, 22.1);
    EXPECT_DOUBLE_EQ(row[0].angleDeg, 48.0);
    b.ms.injectResults(12);  // no such key
    EXPECT_EQ(b.rows(), 47);
}

// Keys 1 to m + 1 determine m planes (reference run, then trial mass in plane 1, 2, ...); each trial mass
// moves its own plane's channel more than twice as much as the others together, which keeps the coefficients
// far from singular. Key m + 2 is a balancing run asking for corrections of about one size in every plane.
TEST(MeasurerInject, KeyRowsDetermineWellConditionedCoefficients) {
    testwd::WorkDir dir;  // the balancing run starts a history file
    const std::vector<std::uint32_t> cases[] = {{1}, {1, 2}, {1, 2, 3}};  // the planes' channels
    for (const auto& channels : cases) {
        Bench b(channels);
        const int m = static_cast<int>(channels.size());
        for (auto& plane : b.rotor->data().planes) plane.radius = 100;
        b.rotor->setTrialMass(10, 0);
        for (int key = 1; key <= m + 2; ++key) {
            if (key == m + 2) { ASSERT_TRUE(b.rotor->computeInfluenceFactors(false)); }
            ASSERT_TRUE(b.prepare());
            b.ms.injectResults(key);
            if (key <= m + 1) b.rotor->takeTrialMeasurement(key - 1);
        }
        for (int r = 1; r <= m; ++r) {
            double own = 0, others = 0, modulus = 0, degrees = 0;
            for (int c = 1; c <= m; ++c) {
                b.rotor->factorData(0, r, c, &modulus, &degrees);
                (r == c ? own : others) += modulus;
            }
            EXPECT_GT(own, 2 * others) << m << " planes, the trial mass in plane " << r;
        }
        ASSERT_TRUE(b.rotor->takeMeasurement() && b.rotor->computeDisbalance());
        const auto& planes = b.rotor->data().planes;
        const auto [least, most] = std::minmax_element(
            planes.begin(), planes.end(), [](auto& x, auto& y) { return x.massAmount < y.massAmount; });
        EXPECT_LT(most->massAmount, 1.5 * least->massAmount) << m << " planes";
    }
}

}  // namespace
