// The older controller's device over a simulated controller behind the USB
// seam, in virtual time.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "machine/eapi.h"
#include "support/sim_older.h"
#include "support/machine_synth_rotor.h"
#include "support/machine_virtual_clock.h"

namespace {

using sim::SimOlderController;

class EApiTest : public ::testing::Test {
protected:
    EApiTest() : use(sim), factory(clock) {}

    std::unique_ptr<EApi> open() {
        std::unique_ptr<EApi> api(factory.createEApi());
        if (api == nullptr) ADD_FAILURE() << "the simulated controller did not open";
        sim.clearRegisterJournal();
        return api;
    }

    SimOlderController sim;
    sim::ScopedUsb01 use;
    VirtualClock clock;
    EApiFactory factory;
};

// ------------------------------------------------------------------ factory

TEST_F(EApiTest, FactoryOpensInitialisesAndTriesAtEveryCall) {
    std::unique_ptr<EApi> api(factory.createEApi());  // at virtual time 0
    ASSERT_NE(api, nullptr);
    EXPECT_STREQ(api->getVersionString(), "TKWZ 3.6 (2021/06/15)");
    EXPECT_EQ(api->firmwareNumber(), 306);
    EXPECT_EQ(api->startupInverterType(), 2);
    int type = -1;
    EXPECT_EQ(api->getErrorInfo(&type), 0);
    EXPECT_EQ(type, 2);
    EXPECT_EQ(sim.openedDevice(), 1);  // the hub before it is skipped
    api.reset();
    EXPECT_EQ(sim.closeCount(), 1);

    sim.failOpen(true);
    EXPECT_EQ(factory.createEApi(), nullptr);
    sim.failOpen(false);
    api.reset(factory.createEApi());  // at once: a failed attempt holds back no other
    EXPECT_NE(api, nullptr);
}

TEST_F(EApiTest, FactoryBannerWithDebugBuild) {
    sim.setFirmware(3, 4, true, 2019, 11, 2);
    std::unique_ptr<EApi> api(factory.createEApi());
    ASSERT_NE(api, nullptr);
    EXPECT_STREQ(api->getVersionString(), "TKWZ 3.4d (2019/11/02)");
}

TEST_F(EApiTest, FactoryFailures) {
    sim.clearBus();
    sim.addDevice(0, 1, 0x2E91, 0x7688);  // the current controller is not this device
    EXPECT_EQ(factory.createEApi(), nullptr);
    EXPECT_EQ(sim.openCount(), 0);

    sim.addDevice(1, 2, 0x2E91, 0x7687);
    sim.failOpen(true);
    EXPECT_EQ(factory.createEApi(), nullptr);
    sim.failOpen(false);

    sim.setConfigurationResult(-5);
    EXPECT_EQ(factory.createEApi(), nullptr);
    EXPECT_EQ(sim.closeCount(), 1);
    sim.setConfigurationResult(0);

    sim.setClaimResult(-16);
    EXPECT_EQ(factory.createEApi(), nullptr);
    EXPECT_EQ(sim.closeCount(), 2);
    sim.setClaimResult(0);

    sim.failReads(1, true);  // the status register does not answer: not connected
    EXPECT_EQ(factory.createEApi(), nullptr);
    EXPECT_EQ(sim.closeCount(), 3);
    EXPECT_FALSE(sim.isHandleOpen());
}

// ------------------------------------------------------------------ registers

TEST_F(EApiTest, SetSpeedScalesToTenthsOfHertzWithinLimits) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    EXPECT_TRUE(api->setSpeed(32767));
    EXPECT_TRUE(api->setSpeed(-32768));
    EXPECT_TRUE(api->setSpeed(5055));
    EXPECT_TRUE(api->setSpeed(0));
    EXPECT_TRUE(api->setSpeed(-1));
    const auto w = sim.writesOf(2);
    ASSERT_EQ(w.size(), 5u);
    EXPECT_EQ(static_cast<std::int32_t>(w[0]), 3270);
    EXPECT_EQ(static_cast<std::int32_t>(w[1]), -3270);
    EXPECT_EQ(static_cast<std::int32_t>(w[2]), 505);
    EXPECT_EQ(static_cast<std::int32_t>(w[3]), 0);
    EXPECT_EQ(static_cast<std::int32_t>(w[4]), 0);
    sim.injectPacketShortWrite(10);
    sim.injectPacketShortWrite(10);
    EXPECT_FALSE(api->setSpeed(1000));  // a write failed twice is not reported as done
}

TEST_F(EApiTest, GainsPackedTwoBitsPerChannel) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    const int gains[5] = {1, 2, 3, 0, 7};
    api->setBooster(gains);
    ASSERT_EQ(sim.writesOf(9).size(), 1u);
    EXPECT_EQ(sim.writesOf(9)[0], 1u + 4u * 2 + 16u * 3 + 64u * 0 + 256u * 3);
}

TEST_F(EApiTest, ControlFlagsAreReadModifiedAndWritten) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    sim.setReg(0, 0x400u | 0x1u);
    api->setRelay(true, 1);
    EXPECT_EQ(sim.regValue(0), 0x20401u);
    api->setRelay(true, 0);
    EXPECT_EQ(sim.regValue(0), 0x30401u);
    api->setRelay(false, 5);  // any non-zero number is relay 1
    EXPECT_EQ(sim.regValue(0), 0x10401u);
    api->setMiscParams(false, 4, 100);
    EXPECT_EQ(sim.regValue(0), 0x10001u);
    api->setMiscParams(true, 0, 100);
    EXPECT_EQ(sim.regValue(0), 0x10401u);
    EXPECT_TRUE(api->setUpdateMode());
    EXPECT_EQ(sim.regValue(0), 0x10C01u);

    // An unreadable control word is not written back as 0.
    sim.clearRegisterJournal();
    sim.failReads(0, true);
    api->setRelay(true, 1);
    EXPECT_FALSE(api->setUpdateMode());
    api->setMiscParams(false, 0, 0);
    EXPECT_TRUE(sim.writesOf(0).empty());
    EXPECT_EQ(sim.regValue(0), 0x10C01u);
}

TEST_F(EApiTest, AccelerationAccuracyBrakeAndTraining) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    api->setAccTime(12345, 2000, 2);
    EXPECT_EQ(sim.writesOf(5), std::vector<std::uint32_t>{123});
    EXPECT_EQ(sim.writesOf(6), std::vector<std::uint32_t>{20});
    EXPECT_EQ(sim.writesOf(7), std::vector<std::uint32_t>{2});
    sim.clearRegisterJournal();
    api->setAccuracy(1, 2, 3);
    const auto w = sim.registerWrites();
    ASSERT_EQ(w.size(), 3u);
    EXPECT_EQ(w[0].reg, 10u);
    EXPECT_EQ(w[0].value, 2u);
    EXPECT_EQ(w[1].reg, 11u);
    EXPECT_EQ(w[1].value, 1u);
    EXPECT_EQ(w[2].reg, 12u);
    EXPECT_EQ(w[2].value, 3u);
    api->setBrake(true);
    api->setBrake(false);
    EXPECT_EQ(sim.writesOf(18), (std::vector<std::uint32_t>{1, 0}));
    api->startTraining();
    EXPECT_EQ(sim.trainingCommands(), 1);
}

TEST_F(EApiTest, InverterTypeSentOncePerConnection) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    const std::int64_t t0 = clock.nowMs();
    api->setInverterType(3, 7);
    EXPECT_EQ(clock.nowMs() - t0, 1500);
    api->setInverterType(3, 7);
    EXPECT_EQ(clock.nowMs() - t0, 1500);
    EXPECT_EQ(sim.writesOf(24), std::vector<std::uint32_t>{(3u << 8) + 7});
    int type = 0;
    api->getErrorInfo(&type);
    EXPECT_EQ(type, 3);  // faults are shown with the make in use
    api->setInverterType(130, 300);  // type & 127, address & 255
    EXPECT_EQ(sim.writesOf(24).back(), (2u << 8) + 44);
    // Read back once the controller has switched over, not while it does.
    const std::int64_t t1 = clock.nowMs();
    for (int i = 0; i < 2; ++i)
        sim.injectFault(SimOlderController::Fault::damagedFrame, [&](const SimOlderController::Transfer& t) {
            return t.kind == t.read && t.reg == 24 && clock.nowMs() - t1 < 1500;
        });
    EXPECT_TRUE(api->setInverterType(4, 5));
    sim.clearFaults();

    // A new connection sends the type again.
    api.reset();
    auto again = open();
    ASSERT_NE(again, nullptr);
    again->setInverterType(2, 44);
    EXPECT_EQ(sim.writesOf(24).size(), 1u);

    // A failed write is tried again next time.
    again.reset();
    auto third = open();
    ASSERT_NE(third, nullptr);
    sim.injectPacketShortWrite(3);
    third->setInverterType(1, 1);
    third->setInverterType(1, 1);
    EXPECT_EQ(sim.writesOf(24).size(), 1u);
}

TEST_F(EApiTest, WelderMillingAndProgress) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    EXPECT_FALSE(api->isWelderActive());
    sim.setReg(1, sim.regValue(1) | 0x1C000000u);
    sim.clearRegisterJournal();
    EXPECT_TRUE(api->isWelderActive());
    EXPECT_EQ(sim.writesOf(18), std::vector<std::uint32_t>{0});  // the brake is released
    EXPECT_TRUE(api->isWelderActive());
    EXPECT_EQ(sim.writesOf(18).size(), 1u);  // only on a change
    sim.setReg(1, sim.regValue(1) & ~0x04000000u);
    EXPECT_FALSE(api->isWelderActive());
    EXPECT_EQ(sim.writesOf(18).size(), 1u);

    sim.setReg(20, 0x45);  // low six bits 5: no progress
    EXPECT_EQ(api->getWeldingProgress(), -1);
    sim.setReg(20, 0x46);
    sim.setReg(21, 37);
    EXPECT_EQ(api->getWeldingProgress(), 37);
    sim.failReads(20, true);
    EXPECT_EQ(api->getWeldingProgress(), -1);

    EXPECT_FALSE(api->isFrezerActive());
    sim.setInputs(0xFFFFFFFDu);
    EXPECT_TRUE(api->isFrezerActive());
    sim.failReads(22, true);
    EXPECT_FALSE(api->isFrezerActive());
}

// ------------------------------------------------------------------ firmware paths

TEST_F(EApiTest, AngleByFirmware) {
    sim.setFirmware(3, 3);
    auto old = open();
    ASSERT_NE(old, nullptr);
    sim.setReg(4, 16384);  // a quarter turn of 65535
    double a = -1;
    ASSERT_TRUE(old->getAngle(&a));
    EXPECT_NEAR(a, 90.0, 0.011);
    old.reset();

    sim.setFirmware(3, 4);
    auto api = open();
    ASSERT_NE(api, nullptr);
    sim.setReg(16, sim::floatBits(0.75f));
    ASSERT_TRUE(api->getAngle(&a));
    EXPECT_EQ(a, 270.0);
    sim.setReg(16, sim::floatBits(-0.25f));  // reduced into [0, 360)
    ASSERT_TRUE(api->getAngle(&a));
    EXPECT_EQ(a, 270.0);
    sim.setReg(16, sim::floatBits(2.5f));
    ASSERT_TRUE(api->getAngle(&a));
    EXPECT_EQ(a, 180.0);
    sim.failReads(16, true);
    EXPECT_FALSE(api->getAngle(&a));
    EXPECT_EQ(a, 0.0);
    api.reset();
    sim.failReads(16, false);

    for (int minor : {5, 6}) {  // later firmware keeps the float register
        sim.setFirmware(3, minor);
        auto later = open();
        ASSERT_NE(later, nullptr);
        sim.setReg(4, 0);
        sim.setReg(16, sim::floatBits(0.125f));
        ASSERT_TRUE(later->getAngle(&a));
        EXPECT_EQ(a, 45.0) << minor;
    }
}

TEST_F(EApiTest, SpeedByFirmware) {
    sim.setFirmware(3, 3);
    auto v303 = open();
    ASSERT_NE(v303, nullptr);
    sim.setReg(3, 600);
    EXPECT_DOUBLE_EQ(v303->getSpeed(), 1000.0);
    v303.reset();

    sim.setFirmware(3, 4);
    auto v304 = open();
    ASSERT_NE(v304, nullptr);
    sim.setReg(3, 400);  // period: 10000 / 400 x 60
    EXPECT_DOUBLE_EQ(v304->getSpeed(), 1500.0);
    sim.setReg(3, 0);
    EXPECT_EQ(v304->getSpeed(), 0.0);
    v304.reset();

    sim.setFirmware(3, 5);
    auto v305 = open();
    ASSERT_NE(v305, nullptr);
    sim.setReg(17, sim::floatBits(1234.5f));
    EXPECT_DOUBLE_EQ(v305->getSpeed(), 1234.5);
    v305.reset();

    sim.setFirmware(3, 6);
    auto v306 = open();
    ASSERT_NE(v306, nullptr);
    EXPECT_EQ(v306->getSpeed(), 0.0);  // block speed, none yet
    EXPECT_TRUE(sim.registerJournal().empty());
}

// ------------------------------------------------------------------ error tables

TEST_F(EApiTest, BlockedCodesBySafetyBitsAndInputs) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    const std::uint32_t inputs4 = 2u | (4u << 5);  // inputs on bits 2..5
    struct Row {
        unsigned safety;
        int code;
    } rows[] = {{3, 0}, {2, 9995}, {1, 9996}, {0, 9996}};
    for (const auto& r : rows) {
        sim.setSafety(r.safety);
        EXPECT_EQ(api->isBlocked(inputs4), r.code != 0) << r.safety;
        EXPECT_EQ(api->getErrorInfo(nullptr), r.code) << r.safety;
    }
    sim.setSafety(3);
    sim.setInputs(~(1u << 4));
    EXPECT_TRUE(api->isBlocked(inputs4));
    EXPECT_EQ(api->getErrorInfo(nullptr), 9983);
    sim.setSafety(2);  // an external input replaces the safety code
    EXPECT_TRUE(api->isBlocked(inputs4));
    EXPECT_EQ(api->getErrorInfo(nullptr), 9983);
    sim.setInputs(0xFFFFFFFFu);
    sim.setSafety(3);
    sim.failReads(22, true);  // an unreadable input word counts as no error
    EXPECT_FALSE(api->isBlocked(inputs4));
    sim.failReads(1, true);
    EXPECT_TRUE(api->isBlocked(inputs4));
    EXPECT_EQ(api->getErrorInfo(nullptr), 9999);
}

TEST_F(EApiTest, InverterErrorCodes) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    const std::uint32_t inputs = 0u | (2u << 5);
    api->isBlocked(inputs);  // keeps the input configuration
    EXPECT_FALSE(api->hasInverterError());
    sim.setSafety(2);  // bit 0 clear: emergency stop
    EXPECT_TRUE(api->hasInverterError());
    EXPECT_EQ(api->getErrorInfo(nullptr), 9995);
    sim.setSafety(1);  // bit 0 set: no error here (isBlocked says 9996)
    EXPECT_FALSE(api->hasInverterError());
    sim.setSafety(3);
    sim.setInverterFault(42);
    EXPECT_TRUE(api->hasInverterError());
    EXPECT_EQ(api->getErrorInfo(nullptr), 42);
    sim.failReads(8, true);
    EXPECT_TRUE(api->hasInverterError());
    EXPECT_EQ(api->getErrorInfo(nullptr), 9997);
    sim.setInverterFault(0);
    sim.setInputs(~2u);
    EXPECT_TRUE(api->hasInverterError());
    EXPECT_EQ(api->getErrorInfo(nullptr), 9982);
    sim.setInputs(0xFFFFFFFFu);
    sim.failReads(1, true);
    EXPECT_TRUE(api->hasInverterError());
    EXPECT_EQ(api->getErrorInfo(nullptr), 9999);
    EXPECT_FALSE(api->isConnected());
}

// ------------------------------------------------------------------ acquisition

class EApiAcquisition : public EApiTest {
protected:
    EApiAcquisition() : rotor(1, 3) {
        rotor.setInfluencePolar(0, 0, 1.0, 0.0);
        rotor.setInfluencePolar(0, 1, 0.5, 90.0);
        rotor.setInfluencePolar(0, 2, 2.0, 200.0);
        rotor.setUnbalancePolar(0, 3000.0, 60.0);
        SynthRotor::RawOptions o;
        o.samplesPerRevolution = 50;
        frames = rotor.rawSamples(4, o);
        sim.setFrames(frames);
    }
    ReadRequest request(int nChannels, int nRecorded, std::uint32_t blocks = 10) {
        ReadRequest r;
        r.rate = 18175;
        r.blocks = blocks;
        r.nChannels = static_cast<std::uint32_t>(nChannels);
        r.nRecorded = static_cast<std::uint32_t>(nRecorded);
        r.channelTable = table;
        return r;
    }
    SynthRotor rotor;
    std::vector<SynthRotor::RawFrame> frames;
    int table[8] = {1, 3, 2, 0, 0, 0, 0, 0};
};

TEST_F(EApiAcquisition, StartReadingProgramsTheController) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    ReadRequest r = request(4, 0, 12);
    r.speedFlag = 1;
    sim.setReg(0, 0x400);
    const std::int64_t t0 = clock.nowMs();
    ASSERT_TRUE(api->startReading(&r));
    EXPECT_EQ(clock.nowMs() - t0, 5);
    EXPECT_EQ(sim.regValue(0), 0x4400u);
    EXPECT_EQ(sim.writesOf(26), std::vector<std::uint32_t>{18175});
    EXPECT_EQ(sim.writesOf(27), std::vector<std::uint32_t>{0x8000000Cu});
    EXPECT_EQ(api->getSampleRate(), 18175.0);
}

TEST_F(EApiAcquisition, BadTablesAreRefusedBeforeAnyWrite) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    table[1] = 6;
    ReadRequest r = request(4, 0);
    EXPECT_FALSE(api->startReading(&r));
    table[1] = 0;
    EXPECT_FALSE(api->startReading(&r));
    table[1] = -1;
    EXPECT_FALSE(api->startReading(&r));
    EXPECT_TRUE(sim.registerWrites().empty());
    table[1] = 3;
    ReadRequest noBlocks = request(4, 0, 0);
    EXPECT_FALSE(api->startReading(&noBlocks));
    EXPECT_TRUE(sim.registerWrites().empty());
    // The speed acquisition of the drive control copies no entry.
    int speedTable[1] = {0};
    ReadRequest speed = request(1, 0, 1000);
    speed.channelTable = speedTable;
    EXPECT_TRUE(api->startReading(&speed));
}

TEST_F(EApiAcquisition, ReadyBitClearLeavesTheDataAsItWas) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    ReadRequest r = request(4, 0, 2);
    ASSERT_TRUE(api->startReading(&r));
    sim.holdData(true);
    EXPECT_TRUE(api->readData());
    EXPECT_FALSE(api->nextSample());
    EXPECT_EQ(sim.blocksServed(), 0);
    sim.holdData(false);
    ASSERT_TRUE(api->readData());
    int n = 0;
    while (api->nextSample()) ++n;
    EXPECT_EQ(n, 10);
    EXPECT_EQ(sim.conversionsStarted(), 2);  // the next conversion was started
    sim.holdData(true);
    EXPECT_TRUE(api->readData());  // nothing new: the previous blocks stay
    n = 0;
    while (api->nextSample()) ++n;
    EXPECT_EQ(n, 0);  // already read through
}

TEST_F(EApiAcquisition, SeveralRevolutionsYieldTheRotorsMarksAndSamples) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    ReadRequest r = request(4, 0, 10);  // 50 samples per read
    ASSERT_TRUE(api->startReading(&r));
    std::size_t index = 0;
    for (int read = 0; read < 4; ++read) {
        ASSERT_TRUE(api->readData());
        while (api->nextSample()) {
            const auto& f = frames[index % frames.size()];
            ASSERT_EQ(api->isMarkSample(), f.mark) << index;
            ASSERT_EQ(api->getSampleValue(0), f.values[0]) << index;  // code 1
            ASSERT_EQ(api->getSampleValue(1), f.values[2]) << index;  // code 3
            ASSERT_EQ(api->getSampleValue(2), f.values[1]) << index;  // code 2
            ASSERT_EQ(api->getSampleValue(3), 0);                     // not in the request
            ++index;
        }
    }
    EXPECT_EQ(index, 200u);
    EXPECT_FALSE(api->hasRecentDataGap());
}

TEST_F(EApiAcquisition, BlockSpeedAndReachedBit) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    ReadRequest r = request(2, 0, 10);
    ASSERT_TRUE(api->startReading(&r));
    sim.setSpeed(1500);
    sim.setReachedDelayBlocks(3);
    api->setSpeed(2500);  // the reached bit drops for three blocks
    ASSERT_TRUE(api->readData());
    std::vector<bool> reached;
    int sample = 0;
    while (api->nextSample()) {
        if (sample++ % 5 == 0) reached.push_back(api->isRpmReached());
    }
    EXPECT_EQ(reached, (std::vector<bool>{false, false, false, true, true, true, true, true, true, true}));
    EXPECT_EQ(api->getSpeed(), 1500.0);  // one mark in the first 50 samples, speed taken
    sim.setSpeed(1500 + 1);
    ASSERT_TRUE(api->readData());
    while (api->nextSample()) {
    }
    EXPECT_EQ(api->getSpeed(), 1500.5);  // within 1.0: the mean
    sim.setSpeed(-300);
    ASSERT_TRUE(api->readData());
    while (api->nextSample()) {
    }
    EXPECT_EQ(api->getSpeed(), -300.0);
    // A new frequency waits for the bit to drop and rise again.
    api->setSpeed(2600);
    sim.setReachedDelayBlocks(0);
    EXPECT_FALSE(api->isRpmReached());
}

TEST_F(EApiAcquisition, SpeedAveragingWithResetPeriodInVirtualTime) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    api->setMiscParams(false, 3, 500);
    ReadRequest r = request(2, 0, 10);
    ASSERT_TRUE(api->startReading(&r));
    EXPECT_EQ(api->getSpeed(), 0.0);  // first call resets: nothing stored yet
    sim.setSpeed(1000);
    ASSERT_TRUE(api->readData());
    while (api->nextSample()) {
    }
    sim.setSpeed(1300);
    ASSERT_TRUE(api->readData());
    while (api->nextSample()) {
    }
    clock.advanceMs(500);
    EXPECT_EQ(api->getSpeed(), 0.0);  // not more than 500 ms: the kept value
    clock.advanceMs(1);
    EXPECT_EQ(api->getSpeed(), 1150.0);
    clock.advanceMs(100);
    EXPECT_EQ(api->getSpeed(), 1150.0);
    clock.advanceMs(500);
    EXPECT_EQ(api->getSpeed(), 0.0);  // nothing new since the reset

    // Sizes the settings may hold: negative switches averaging off.
    api->setMiscParams(false, -5, 500);
    sim.setSpeed(700);
    ASSERT_TRUE(api->readData());
    while (api->nextSample()) {
    }
    EXPECT_EQ(api->getSpeed(), 700.0);
    api->setMiscParams(false, 1 << 30, 500);  // limited, no huge allocation
    EXPECT_EQ(api->getSpeed(), 0.0);
}

TEST_F(EApiAcquisition, PacketGapsInVirtualTime) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    ReadRequest r = request(2, 0, 10);
    ASSERT_TRUE(api->startReading(&r));
    ASSERT_TRUE(api->readData());
    while (api->nextSample()) {
    }
    EXPECT_FALSE(api->hasRecentDataGap());
    sim.injectPacketJump(2);
    ASSERT_TRUE(api->readData());
    while (api->nextSample()) {
    }
    EXPECT_TRUE(api->hasRecentDataGap());
    clock.advanceMs(1000);
    EXPECT_FALSE(api->hasRecentDataGap());
    // After a reset the next packet is not compared.
    api->resetPacketCounter();
    sim.injectPacketJump(100);
    ASSERT_TRUE(api->readData());
    while (api->nextSample()) {
    }
    EXPECT_FALSE(api->hasRecentDataGap());
}

TEST_F(EApiAcquisition, PacketCountWrapAfter10000IsNoGap) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    ReadRequest r = request(2, 0, 1000);
    ASSERT_TRUE(api->startReading(&r));
    for (int i = 0; i < 11; ++i) {
        ASSERT_TRUE(api->readData());
        while (api->nextSample()) {
        }
    }
    EXPECT_GT(sim.blocksServed(), 10001);
    EXPECT_FALSE(api->hasRecentDataGap());
}

TEST_F(EApiAcquisition, FramesRecordedUpToCapacity) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    ReadRequest r = request(4, 2, 10);
    r.rate = 1;  // capacity (2 + 1) x 1 x 150 = 450 values: 150 frames
    ASSERT_TRUE(api->startReading(&r));
    EXPECT_EQ(api->bufferCapacity(), 450);
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(api->readData());
        while (api->nextSample()) {
        }
    }
    const int b = api->currentBufferIndex();
    EXPECT_EQ(api->bufferCount(b), 450);
    const std::uint16_t* d = api->bufferData(b);
    for (int i = 0; i < 150; ++i) {
        ASSERT_EQ(d[3 * i], frames[i].mark ? 1 : 0);
        ASSERT_EQ(static_cast<std::int16_t>(d[3 * i + 1]), frames[i].values[0]);  // code 1
        ASSERT_EQ(static_cast<std::int16_t>(d[3 * i + 2]), frames[i].values[2]);  // code 3
    }
    std::FILE* f = std::tmpfile();
    EXPECT_TRUE(api->saveBuffer(f));
    EXPECT_EQ(std::ftell(f), 900);
    std::fclose(f);

    // More recorded channels than table entries: only the entries are recorded.
    ReadRequest wide = request(2, 5, 10);
    wide.rate = 1;
    ASSERT_TRUE(api->startReading(&wide));
    EXPECT_EQ(api->recordedChannels(), 1);
    EXPECT_EQ(api->bufferCapacity(), 300);
}

TEST_F(EApiAcquisition, MalformedBlocks) {
    auto api = open();
    ASSERT_NE(api, nullptr);
    ReadRequest r = request(2, 0, 4);
    ASSERT_TRUE(api->startReading(&r));

    sim.injectSampleCount(9);  // more than five samples claimed: five are read
    ASSERT_TRUE(api->readData());
    int n = 0;
    while (api->nextSample()) ++n;
    EXPECT_EQ(n, 20);

    sim.injectForeignBlock();  // another block type is skipped
    ASSERT_TRUE(api->readData());
    n = 0;
    while (api->nextSample()) ++n;
    EXPECT_EQ(n, 15);

    sim.injectShortBulk(64 * 2 + 30);  // only the two whole blocks count
    ASSERT_TRUE(api->readData());
    n = 0;
    while (api->nextSample()) ++n;
    EXPECT_EQ(n, 10);

    sim.injectEmptyBulk();
    EXPECT_FALSE(api->readData());
    EXPECT_FALSE(api->nextSample());
    ASSERT_TRUE(api->startReading(&r));  // the caller starts again after a failed read

    sim.injectSampleCount(0);  // an empty block gives no sample
    ASSERT_TRUE(api->readData());
    n = 0;
    while (api->nextSample()) ++n;
    EXPECT_EQ(n, 15);

    sim.failReads(28, true);
    EXPECT_FALSE(api->readData());
    EXPECT_FALSE(api->isMarkSample());
    EXPECT_EQ(api->getSampleValue(0), 0);
}

}  // namespace
