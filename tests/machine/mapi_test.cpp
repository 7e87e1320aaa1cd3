// The demonstration device: simulation, operator keys, per-turn results and
// the replay of recorded samples.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "machine/mapi.h"
#include "support/hostile_files.h"
#include "support/machine_synth_rotor.h"
#include "support/machine_virtual_clock.h"
#include "support/watchdog.h"

namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    TempDir() {
        static int n = 0;
        path = fs::temp_directory_path() /
               ("ks_mapi_" + std::to_string(::getpid()) + "_" + std::to_string(++n));
        fs::create_directories(path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string file(const char* name) const { return (path / name).string(); }
};

ReadRequest request(int* table, int nChannels, int nRecorded, std::uint32_t rate = 15000, std::uint32_t blocks = 1000) {
    ReadRequest r;
    r.rate = rate;
    r.blocks = blocks;
    r.nChannels = static_cast<std::uint32_t>(nChannels);
    r.nRecorded = static_cast<std::uint32_t>(nRecorded);
    r.channelTable = table;
    return r;
}

TEST(MApiBasics, FixedAnswers) {
    VirtualClock clock;
    MApi api(clock, "no-such-dir/mapi.dmp");
    EXPECT_EQ(api.defaultCalibrationStep(), 500);
    EXPECT_EQ(api.getDemoParam(), 66);
    EXPECT_STREQ(api.getVersionString(), "Demo");
    EXPECT_TRUE(api.hasTurnData());
    EXPECT_TRUE(api.isConnected());
    EXPECT_TRUE(api.isRpmReached());
    EXPECT_TRUE(api.needsTrain());
    EXPECT_FALSE(api.isBlocked(0xFFFFFFFFu));
    EXPECT_FALSE(api.setMotorParams(MotorParams{}));
    EXPECT_EQ(api.setCurrentInverter(2, 3), 0);
    EXPECT_EQ(api.getChannelGain(0), -1);
    int type = 0;
    EXPECT_EQ(api.getErrorInfo(&type), 1);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(api.getErrorInfo(nullptr), 1);
    EXPECT_EQ(api.getWeldingProgress(), -1);
}

TEST(MApiRamp, SpeedFollowsTheFrequencyLinearlyOverTwoSeconds) {
    VirtualClock clock;
    MApi api(clock, "no-such-dir/mapi.dmp");
    EXPECT_EQ(api.getSpeed(), 0.0);
    ASSERT_TRUE(api.setSpeed(1000));
    EXPECT_EQ(api.getSpeed(), 0.0);
    clock.advanceMs(1000);
    EXPECT_EQ(api.getSpeed(), 500.0);
    clock.advanceMs(500);
    EXPECT_EQ(api.getSpeed(), 750.0);
    clock.advanceMs(500);
    EXPECT_EQ(api.getSpeed(), 1000.0);
    EXPECT_EQ(api.periodSamples(), 1000);
    clock.advanceMs(5000);
    EXPECT_EQ(api.getSpeed(), 1000.0);
    // Down again: the ramp runs the other way.
    api.setSpeed(200);
    clock.advanceMs(1000);
    EXPECT_EQ(api.getSpeed(), 600.0);
    clock.advanceMs(1000);
    EXPECT_EQ(api.getSpeed(), 200.0);
    api.setSpeed(0);
    clock.advanceMs(2000);
    EXPECT_EQ(api.getSpeed(), 0.0);
    EXPECT_EQ(api.periodSamples(), 0);
}

TEST(MApiKeys, AngleKeysAndTheMirroredNegativeAngle) {
    VirtualClock clock;
    MApi api(clock, "no-such-dir/mapi.dmp");
    double a = -1;
    api.onKey('A');  // angle -50
    ASSERT_TRUE(api.getAngle(&a));
    EXPECT_EQ(a, 50.0);
    EXPECT_EQ(api.angleValue(), 410);
    api.onKey('Q');
    api.onKey('q');
    api.onKey('q');
    api.onKey('a');
    ASSERT_TRUE(api.getAngle(&a));
    EXPECT_EQ(a, 101.0);  // 461 mod 360
    ASSERT_TRUE(api.getAngle(nullptr));
}

TEST(MApiKeys, FaultAndUnitKeys) {
    VirtualClock clock;
    MApi api(clock, "no-such-dir/mapi.dmp");
    EXPECT_FALSE(api.hasInverterError());
    api.onKey('e');
    EXPECT_TRUE(api.hasInverterError());
    EXPECT_TRUE(api.hasInverterError());
    int table[1] = {1};
    ReadRequest r = request(table, 2, 0);
    api.startReading(&r);
    EXPECT_FALSE(api.hasInverterError());

    api.onKey('c');
    EXPECT_TRUE(api.isWelderActive());
    api.onKey('c');
    EXPECT_FALSE(api.isWelderActive());
    api.onKey('f');
    EXPECT_TRUE(api.isFrezerActive());
    api.onKey('b');
    api.onKey('b');
    EXPECT_EQ(api.getWeldingProgress(), 1);
    api.onKey('v');
    EXPECT_EQ(api.getWeldingProgress(), 0);

    EXPECT_FALSE(api.hasRecentDataGap());
    api.onKey('l');
    EXPECT_TRUE(api.hasRecentDataGap());
    clock.advanceMs(999);
    EXPECT_TRUE(api.hasRecentDataGap());
    clock.advanceMs(1);
    EXPECT_FALSE(api.hasRecentDataGap());

    api.onKey('+');
    api.onKey('+');
    EXPECT_EQ(api.multiplier(0), 3);
    for (int i = 0; i < 5; ++i) api.onKey('*');
    EXPECT_EQ(api.multiplier(0), 0);  // not below 0
    api.onKey('Z');                   // other keys do nothing
    EXPECT_EQ(api.multiplier(0), 0);
}

TEST(MApiKeys, MarkAndSpikeKeys) {
    VirtualClock clock;
    MApi api(clock, "no-such-dir/mapi.dmp");
    int table[1] = {1};
    ReadRequest r = request(table, 2, 0);
    api.startReading(&r);
    ASSERT_TRUE(api.readData());
    ASSERT_TRUE(api.nextSample());
    EXPECT_FALSE(api.isMarkSample());  // not turning
    api.onKey('M');
    api.onKey('M');
    EXPECT_TRUE(api.isMarkSample());
    EXPECT_TRUE(api.isMarkSample());
    EXPECT_FALSE(api.isMarkSample());
    const int normal = api.getSampleValue(0);
    api.onKey('m');
    EXPECT_EQ(api.getSampleValue(0), 1000000);
    EXPECT_EQ(api.getSampleValue(0), normal);  // the spike is one sample
}

TEST(MApiKeys, SpeedKeysNeverWrapIntoReverse) {
    VirtualClock clock;
    MApi api(clock, "no-such-dir/mapi.dmp");
    api.onKey('s');  // at 0: stays 0
    clock.advanceMs(2000);
    EXPECT_EQ(api.getSpeed(), 0.0);
    api.onKey('w');  // dac 100, then a ramp to 1000
    clock.advanceMs(2000);
    EXPECT_EQ(api.getSpeed(), 1000.0);
    for (int i = 0; i < 40; ++i) {
        api.onKey('w');
        clock.advanceMs(2000);
        const double v = api.getSpeed();
        ASSERT_GE(v, 0.0) << "press " << i;
        ASSERT_LE(v, 32767.0);
    }
    EXPECT_EQ(api.getSpeed(), 32767.0);
    api.onKey('s');
    clock.advanceMs(2000);
    EXPECT_EQ(api.getSpeed(), 32767.0);  // (32767 - 100) x 10 saturates as well
}

TEST(MApiTurnData, FiveResultsOnePerDeviceChannelRepeatableAfterEachStart) {
    VirtualClock clock;
    MApi api(clock, "no-such-dir/mapi.dmp");
    int table[2] = {1, 2};
    ReadRequest r = request(table, 3, 0);
    ASSERT_TRUE(api.startReading(&r));
    std::vector<double> first;
    for (int pass = 0; pass < 3; ++pass) {
        TurnResults list;
        const std::int64_t before = clock.nowMs();
        ASSERT_TRUE(api.getData(&list));
        EXPECT_EQ(clock.nowMs() - before, 200);
        ASSERT_EQ(list.size(), 5u);
        for (const auto& t : list) {
            EXPECT_EQ(t.valid, 1);
            EXPECT_GE(t.amplitude, 1200000.0);
            EXPECT_LE(t.amplitude, 1232767.0);
            EXPECT_EQ(t.phase, 177.0);
            first.push_back(t.amplitude);
        }
    }
    std::set<double> distinct(first.begin(), first.end());
    EXPECT_GT(distinct.size(), 10u);  // a sequence, not a constant
    ASSERT_TRUE(api.startReading(&r));
    for (int pass = 0; pass < 3; ++pass) {
        TurnResults list;
        api.getData(&list);
        for (int c = 0; c < 5; ++c) EXPECT_EQ(list[c].amplitude, first[pass * 5 + c]);
    }
    // Without a list nothing is produced, the batch still ends.
    EXPECT_TRUE(api.getData(nullptr));
}

TEST(MApiTurnData, TestSourceReplacesTheBuiltInResults) {
    VirtualClock clock;
    MApi api(clock, "no-such-dir/mapi.dmp");
    SynthRotor rotor(1, 2);
    rotor.setInfluencePolar(0, 0, 2.0, 30.0);
    rotor.setInfluencePolar(0, 1, 1.0, 100.0);
    rotor.setUnbalancePolar(0, 50.0, 10.0);
    api.setTurnSource([&](std::array<TurnResult, 5>& out) { out = rotor.turnResults(); });
    TurnResults list;
    ASSERT_TRUE(api.getData(&list));
    ASSERT_EQ(list.size(), 5u);
    EXPECT_NEAR(list[0].amplitude, 100.0, 1e-9);
    EXPECT_NEAR(list[0].phase, 40.0, 1e-9);
    EXPECT_NEAR(list[1].amplitude, 50.0, 1e-9);
    EXPECT_NEAR(list[1].phase, 110.0, 1e-9);
    EXPECT_EQ(list[2].valid, 0);
}

TEST(MApiSimulation, ChannelMappingGainsAndBatchLength) {
    VirtualClock clock;
    MApi api(clock, "no-such-dir/mapi.dmp");
    const int steps[5] = {0, 1, 0, 3, 0};
    api.setBooster(steps);
    EXPECT_EQ(api.gain(3), 3);
    int table[4] = {2, 4, 7, 0};  // device channels 1 and 3, then a bad code
    ReadRequest r = request(table, 4, 0, 15000, 1000);
    ASSERT_TRUE(api.startReading(&r));
    EXPECT_EQ(api.readPeriodMs(), 0);
    ASSERT_TRUE(api.readData());
    int delivered = 0;
    while (api.nextSample()) ++delivered;
    EXPECT_EQ(delivered, 1000 / 4 - 1);
    ASSERT_TRUE(api.readData());
    ASSERT_TRUE(api.nextSample());
    // Not turning: P = 20000, a small phase; s = int((sin + 1) x 100).
    const int v0 = api.getSampleValue(0);  // code 2 -> device channel 1, step 1: x10
    const int v1 = api.getSampleValue(1);  // code 4 -> device channel 3, step 3: x1000, / 2
    const int v2 = api.getSampleValue(2);  // code 7: step 0, / 3
    ASSERT_GT(v0, 0);
    EXPECT_EQ(v0 % 100, 0);
    const int s = v0 / 100 / 10;
    EXPECT_EQ(v1, std::min(s * 1000 / 2, 32767) * 100);
    EXPECT_EQ(v2, (s * 1 / 3) * 100);
    EXPECT_EQ(api.getSampleValue(3), 0);   // outside the request
    EXPECT_EQ(api.getSampleValue(-1), 0);
    EXPECT_EQ(api.getSampleValue(99), 0);
}

TEST(MApiSimulation, MarksOncePerSimulatedTurn) {
    VirtualClock clock;
    MApi api(clock, "no-such-dir/mapi.dmp");
    api.setSpeed(1000);
    clock.advanceMs(2000);
    api.getSpeed();  // period 1000 samples
    int table[1] = {1};
    ReadRequest r = request(table, 2, 0, 15000, 10000);
    ASSERT_TRUE(api.startReading(&r));
    std::vector<int> marks;
    int n = 0;
    while (api.nextSample()) {
        if (api.isMarkSample()) marks.push_back(n);
        ++n;
    }
    ASSERT_GE(marks.size(), 4u);
    for (std::size_t i = 1; i < marks.size(); ++i) EXPECT_EQ(marks[i] - marks[i - 1], 1001);
}

class MApiReplay : public ::testing::Test {
protected:
    MApiReplay() : rotor(1, 3) {
        rotor.setInfluencePolar(0, 0, 1.0, 0.0);
        rotor.setInfluencePolar(0, 1, 0.5, 90.0);
        rotor.setInfluencePolar(0, 2, 0.25, 180.0);
        rotor.setUnbalancePolar(0, 4000.0, 30.0);
    }
    ReadRequest start(MApi& api, int recorded) {
        table[0] = 1;
        table[1] = 2;
        table[2] = 3;
        ReadRequest r = request(table, recorded + 1, recorded, 15000, 1000);
        EXPECT_TRUE(api.startReading(&r));
        return r;
    }
    TempDir dir;
    SynthRotor rotor;
    VirtualClock clock;
    int table[3] = {};
};

TEST_F(MApiReplay, StartsAtTheFirstMarkEndsAtTheLastAndLoopsForEver) {
    DumpOptions o;
    o.rpm = 18175.0 * 60 / 100;  // 100 samples per revolution
    o.recorded = 2;
    o.revolutions = 3;
    o.leadingUnmarked = 7;
    o.trailingUnmarked = 9;
    std::vector<SynthRotor::RawFrame> frames;
    ASSERT_TRUE(writeMapiDump(dir.file("mapi.dmp"), rotor, o, &frames));
    ASSERT_EQ(frames.size(), 317u);  // 7 + 3 x 100 + the closing mark + 9
    MApi api(clock, dir.file("mapi.dmp"));
    start(api, 2);
    ASSERT_TRUE(api.replaying());
    EXPECT_EQ(api.readPeriodMs(), 115);
    EXPECT_TRUE(api.nextBuffer());  // holds replay data, does not advance
    EXPECT_EQ(api.currentBufferIndex(), 0);

    ASSERT_TRUE(api.readData());
    // 700 samples: more than two loops of the 300 kept frames.
    for (int i = 0; i < 700; ++i) {
        ASSERT_TRUE(api.nextSample());
        const auto& f = frames[7 + (i % 300)];
        ASSERT_EQ(api.isMarkSample(), f.mark) << i;
        ASSERT_EQ(api.getSampleValue(0), f.values[0]) << i;
        ASSERT_EQ(api.getSampleValue(1), f.values[1]) << i;
    }
    EXPECT_EQ(api.getSampleValue(2), 0);  // not recorded
}

TEST_F(MApiReplay, BatchesOf2100SamplesWithoutRepeatsAndNegativeValues) {
    DumpOptions o;
    o.rpm = 18175.0 * 60 / 1000;  // 1000 samples per revolution
    o.recorded = 1;
    o.revolutions = 5;
    std::vector<SynthRotor::RawFrame> frames;
    ASSERT_TRUE(writeMapiDump(dir.file("mapi.dmp"), rotor, o, &frames));
    MApi api(clock, dir.file("mapi.dmp"));
    start(api, 1);
    ASSERT_TRUE(api.replaying());
    int index = 0;
    bool negative = false;
    for (int batch = 0; batch < 3; ++batch) {
        const std::int64_t before = clock.nowMs();
        ASSERT_TRUE(api.readData());
        if (batch > 0) {
            EXPECT_EQ(clock.nowMs() - before, 115);
        }
        int n = 0;
        while (api.nextSample()) {
            const auto& f = frames[index % (frames.size() - 1)];
            ASSERT_EQ(api.getSampleValue(0), f.values[0]) << index;
            negative |= f.values[0] < 0;
            ++index;
            ++n;
        }
        EXPECT_EQ(n, 2100);
    }
    EXPECT_TRUE(negative);
}

TEST_F(MApiReplay, FilesWithoutMarksOrWholeFramesAreNotReplayed) {
    DumpOptions o;
    o.rpm = 18175.0 * 60 / 100;
    o.recorded = 2;
    o.noMarks = true;
    ASSERT_TRUE(writeMapiDump(dir.file("nomarks.dmp"), rotor, o));
    MApi api(clock, dir.file("nomarks.dmp"));
    start(api, 2);
    EXPECT_FALSE(api.replaying());
    EXPECT_FALSE(api.nextBuffer());
    ASSERT_TRUE(api.readData());
    int n = 0;
    while (api.nextSample() && n < 10000) ++n;
    EXPECT_LT(n, 10000);  // simulation batches end

    { std::ofstream(dir.file("empty.dmp"), std::ios::binary); }
    MApi empty(clock, dir.file("empty.dmp"));
    start(empty, 2);
    EXPECT_FALSE(empty.replaying());

    { std::ofstream(dir.file("short.dmp"), std::ios::binary) << "\x01\x00\x05"; }  // 3 bytes: no whole frame
    MApi shortFile(clock, dir.file("short.dmp"));
    start(shortFile, 2);
    EXPECT_FALSE(shortFile.replaying());

    MApi missing(clock, dir.file("missing.dmp"));
    start(missing, 2);
    EXPECT_FALSE(missing.replaying());

    ASSERT_TRUE(testsupport::makeHostileFile(0, dir.file("mapi.dmp")));  // a named pipe
    MApi pipe(clock, dir.file("mapi.dmp"));
    testsupport::mustEnd("replay from a named pipe", [&] { start(pipe, 2); });
    EXPECT_FALSE(pipe.replaying());
}

TEST_F(MApiReplay, PartialTrailingFrameIsDropped) {
    DumpOptions o;
    o.rpm = 18175.0 * 60 / 50;
    o.recorded = 2;
    o.revolutions = 2;
    o.partialBytes = 3;
    std::vector<SynthRotor::RawFrame> frames;
    ASSERT_TRUE(writeMapiDump(dir.file("mapi.dmp"), rotor, o, &frames));
    MApi api(clock, dir.file("mapi.dmp"));
    start(api, 2);
    ASSERT_TRUE(api.replaying());
    EXPECT_EQ(api.bufferCount(api.currentBufferIndex()), 101 * 3);  // with the closing mark
    ASSERT_TRUE(api.readData());
    for (int i = 0; i < 250; ++i) {
        ASSERT_TRUE(api.nextSample());
        ASSERT_EQ(api.getSampleValue(1), frames[i % 100].values[1]);
    }
}

TEST_F(MApiReplay, NoReplayWithoutRecordedChannels) {
    DumpOptions o;
    o.rpm = 18175.0 * 60 / 100;
    ASSERT_TRUE(writeMapiDump(dir.file("mapi.dmp"), rotor, o));
    MApi api(clock, dir.file("mapi.dmp"));
    start(api, 0);
    EXPECT_FALSE(api.replaying());
}

}  // namespace
