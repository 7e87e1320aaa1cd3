// The measuring-controller device IApi on a scripted stand-in of its driver,
// in virtual time.

#include "machine/iapi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/machine_iapi_fake.h"
#include "support/machine_virtual_clock.h"

namespace {

using iapitest::FakeKwz;
using iapitest::FakeKwzDriver;
using iapitest::LogBook;
using Calls = std::vector<std::string>;

class IApiTestBase : public ::testing::Test {
protected:
    IApiTestBase() : kwz(&clock) {}

    std::unique_ptr<IApi> make() {
        LoggerBase* log = book.make("api_i");
        log->open(true);
        return std::make_unique<IApi>(clock, std::make_unique<FakeKwzDriver>(kwz), "KWZ test", log);
    }
    IApiEnvironment environment() {
        IApiEnvironment env;
        env.makeDriver = [this](std::function<void()> poll,
                                std::function<void(const char*, const char*)> error,
                                const std::string& folder) -> std::unique_ptr<IApiDriver> {
            pollCallback = std::move(poll);
            errorCallback = std::move(error);
            driverFolder = folder;
            ++driversMade;
            return std::make_unique<FakeKwzDriver>(kwz);
        };
        env.makeLogger = book.factory();
        return env;
    }
    bool logged(const std::string& text) const { return book.has("api_i", text); }
    std::vector<std::string> log() const { return book.linesOf("api_i"); }

    VirtualClock clock;
    LogBook book;
    FakeKwz kwz;
    std::function<void()> pollCallback;
    std::function<void(const char*, const char*)> errorCallback;
    std::string driverFolder = "unset";
    int driversMade = 0;
};

// ================================================================== factory

class IApiFactory : public IApiTestBase {
protected:
    void SetUp() override { resetCreateIApiThrottle(); }
    void TearDown() override { resetCreateIApiThrottle(); }
};

TEST_F(IApiFactory, ConnectsReadsTheVersionAndBuildsTheBanner) {
    std::unique_ptr<IApi> api(createIApi(clock, environment()));  // a first attempt at virtual time 0
    ASSERT_NE(api, nullptr);
    EXPECT_EQ(kwz.calls(), (Calls{"connect()", "getFirmwareVersionDate()"}));
    EXPECT_STREQ(api->getVersionString(), "KWZ 6.2.345 07.12.2026");
    EXPECT_EQ(book.linesOf("api"), (std::vector<std::string>{"Object was created successfully. Connecting...",
                                                             "Firmware version: KWZ 6.2.345 07.12.2026"}));
    EXPECT_EQ(book.made("api"), 1);
    EXPECT_EQ(book.deleted("api"), 1);  // the factory's logger lives for the call only
    EXPECT_EQ(log(),
              (std::vector<std::string>{"Initialized: KWZ 6.2.345 07.12.2026", "Initialized inverter: 0"}));
    std::error_code ec;
    EXPECT_EQ(driverFolder, std::filesystem::is_directory("./logs", ec) ? "./logs" : "");
    EXPECT_TRUE(api->hasTurnData());
    EXPECT_EQ(api->getDriver(), nullptr);  // a stand-in, not the real driver
    EXPECT_EQ(api->defaultCalibrationStep(), 1000);
    int type = -1;
    EXPECT_EQ(api->getErrorInfo(&type), 0);
    EXPECT_EQ(type, 0);

    kwz.clear();
    api.reset();
    EXPECT_EQ(kwz.calls(), (Calls{"disconnect()"}));
    EXPECT_TRUE(kwz.driverDeleted);
    const auto lines = log();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ((std::vector<std::string>(lines.end() - 2, lines.end())),
              (std::vector<std::string>{"stopReading", "Disconnected!"}));
    EXPECT_EQ(book.deleted("api_i"), 1);
}

TEST_F(IApiFactory, FailedDisconnectIsLogged) {
    std::unique_ptr<IApi> api(createIApi(clock, environment()));
    ASSERT_NE(api, nullptr);
    kwz.fail("disconnect");
    api.reset();
    const auto lines = log();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ((std::vector<std::string>(lines.end() - 3, lines.end())),
              (std::vector<std::string>{"stopReading", "Disconnect error!", "Disconnected!"}));
    EXPECT_TRUE(kwz.driverDeleted);
}

TEST_F(IApiFactory, BannerPadsDayMonthAndShowsTheFullYear) {
    TamskKWZv2::FirmwareVersionDate f{1, 0, 7, 2019, 3, 4, 0, 0};
    EXPECT_EQ(iapiVersionText(f), "KWZ 1.0.7 04.03.2019");
    f = {6, 12, 65535, 5, 11, 30, 0, 0};
    EXPECT_EQ(iapiVersionText(f), "KWZ 6.12.65535 30.11.05");
}

TEST_F(IApiFactory, ThrottleRefusesAttemptsWithinTenSeconds) {
    std::unique_ptr<IApi> first(createIApi(clock, environment()));
    ASSERT_NE(first, nullptr);
    clock.advanceMs(9999);
    EXPECT_EQ(createIApi(clock, environment()), nullptr);
    EXPECT_TRUE(book.has("api", "Waiting..."));
    EXPECT_EQ(driversMade, 1);
    clock.advanceMs(1);
    std::unique_ptr<IApi> second(createIApi(clock, environment()));
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(driversMade, 2);
    // A refused attempt does not move the window.
    clock.advanceMs(5000);
    EXPECT_EQ(createIApi(clock, environment()), nullptr);
    clock.advanceMs(5000);
    std::unique_ptr<IApi> third(createIApi(clock, environment()));
    EXPECT_NE(third, nullptr);
}

TEST_F(IApiFactory, ConnectFailureDeletesTheDriver) {
    kwz.connectResult = false;
    EXPECT_EQ(createIApi(clock, environment()), nullptr);
    EXPECT_EQ(kwz.calls(), (Calls{"connect()"}));
    EXPECT_TRUE(kwz.driverDeleted);
    EXPECT_TRUE(book.has("api", "Connection error! Exiting..."));
    EXPECT_EQ(book.made("api_i"), 0);
    // A failed attempt still counts for the throttle.
    EXPECT_EQ(createIApi(clock, environment()), nullptr);
    EXPECT_TRUE(book.has("api", "Waiting..."));
}

TEST_F(IApiFactory, VersionFailureDisconnectsAndDeletes) {
    kwz.fail("getFirmwareVersionDate");
    EXPECT_EQ(createIApi(clock, environment()), nullptr);
    EXPECT_EQ(kwz.calls(), (Calls{"connect()", "getFirmwareVersionDate()", "disconnect()"}));
    EXPECT_TRUE(kwz.driverDeleted);
    EXPECT_TRUE(book.has("api", "Get version error! Exiting..."));
    EXPECT_FALSE(book.has("api", "Connection error! Exiting..."));
}

TEST_F(IApiFactory, DriverCallbacks) {
    std::unique_ptr<IApi> api(createIApi(clock, environment()));
    ASSERT_NE(api, nullptr);
    ASSERT_TRUE(pollCallback);
    ASSERT_TRUE(errorCallback);
    pollCallback();  // does nothing
    const int before = book.made("api");
    errorCallback("KWZUSB", "connect(), return error!");
    errorCallback(nullptr, nullptr);
    EXPECT_TRUE(book.has("api", "KWZAPI error: KWZUSB connect(), return error!"));
    EXPECT_TRUE(book.has("api", "KWZAPI error:  "));
    EXPECT_EQ(book.made("api"), before + 2);  // one short-lived logger per error
    EXPECT_EQ(book.deleted("api"), book.made("api"));
}

// ================================================================== simple operations

class IApiOps : public IApiTestBase {};

TEST_F(IApiOps, PhasorGivesMarkerIndexAndType) {
    EXPECT_EQ(IApi::markerIndexOf(1), 0u);
    EXPECT_EQ(IApi::markerIndexOf(2), 0u);
    EXPECT_EQ(IApi::markerIndexOf(3), 1u);
    EXPECT_EQ(IApi::markerIndexOf(4), 1u);
    EXPECT_TRUE(IApi::isOpticalPhasor(1));
    EXPECT_FALSE(IApi::isOpticalPhasor(2));
    EXPECT_TRUE(IApi::isOpticalPhasor(3));
    EXPECT_FALSE(IApi::isOpticalPhasor(4));

    auto api = make();
    const char* expected[5] = {"", "setMarkerEncoderMarkerType(0, 1)", "setMarkerEncoderMarkerType(0, 0)",
                               "setMarkerEncoderMarkerType(1, 1)", "setMarkerEncoderMarkerType(1, 0)"};
    const char* speed[5] = {"", "getMarkerOpticalSpeed(0)", "getMarkerEncoderSpeed(0)",
                            "getMarkerOpticalSpeed(1)", "getMarkerEncoderSpeed(1)"};
    for (int p = 1; p <= 4; ++p) {
        api->setCurrentInverter(0, p);
        kwz.clear();
        api->startTraining();  // the marker type comes first
        ASSERT_FALSE(kwz.journal.empty());
        EXPECT_EQ(kwz.journal[0].text, expected[p]) << p;
        kwz.clear();
        api->getSpeed();
        EXPECT_EQ(kwz.calls(), (Calls{speed[p]})) << p;
    }
}

TEST_F(IApiOps, AngleReadAndItsFailure) {
    auto api = make();
    api->setCurrentInverter(0, 4);
    kwz.angle = 123.5;
    double a = -1;
    EXPECT_TRUE(api->getAngle(&a));
    EXPECT_DOUBLE_EQ(a, 123.5);
    EXPECT_EQ(kwz.callsOf("getMarkerEncoderAngleDeg"), (Calls{"getMarkerEncoderAngleDeg(1)"}));
    kwz.angle = 360.0;
    EXPECT_TRUE(api->getAngle(&a));
    EXPECT_DOUBLE_EQ(a, 0.0);
    kwz.angle = -90.0;
    EXPECT_TRUE(api->getAngle(&a));
    EXPECT_DOUBLE_EQ(a, 270.0);

    kwz.fail("getMarkerEncoderAngleDeg", 1);
    EXPECT_FALSE(api->getAngle(&a));
    EXPECT_TRUE(logged("Read angle error!"));
    EXPECT_FALSE(api->angleIsValid());
    kwz.clear();
    EXPECT_FALSE(api->getAngle(&a));  // no more reads until training succeeds
    EXPECT_TRUE(kwz.calls().empty());
}

TEST_F(IApiOps, SpeedFailureGivesZero) {
    auto api = make();
    api->setCurrentInverter(0, 1);
    kwz.opticalSpeed = 750;
    EXPECT_DOUBLE_EQ(api->getSpeed(), 750.0);
    kwz.fail("getMarkerOpticalSpeed", 1);
    EXPECT_DOUBLE_EQ(api->getSpeed(), 0.0);
    EXPECT_TRUE(logged("getSpeed Error for phasor: 1"));
}

TEST_F(IApiOps, SetSpeedSleepsAndReleasesTheWelderOnStop) {
    auto api = make();
    const auto t0 = clock.nowMs();
    EXPECT_TRUE(api->setSpeed(2550));
    EXPECT_EQ(kwz.calls(), (Calls{"setInvertorFrequency(25.5)"}));
    EXPECT_EQ(clock.nowMs() - t0, 500);
    EXPECT_TRUE(logged("setSpeed: 25.500000 Hz"));
    EXPECT_TRUE(api->speedWasSet());

    kwz.clear();
    EXPECT_TRUE(api->setSpeed(-100));
    EXPECT_EQ(kwz.calls(), (Calls{"setInvertorFrequency(-1)"}));

    kwz.clear();
    const auto t1 = clock.nowMs();
    EXPECT_TRUE(api->setSpeed(0));
    EXPECT_EQ(kwz.calls(), (Calls{"setInvertorFrequency(0)", "setWelderBlock(0)"}));
    EXPECT_EQ(kwz.timeOf("setWelderBlock") - t1, 500);  // after the pause
    EXPECT_TRUE(logged("setWelderBlock(0): y"));

    kwz.clear();
    kwz.fail("setInvertorFrequency", 1);
    const auto t2 = clock.nowMs();
    EXPECT_FALSE(api->setSpeed(1000));
    EXPECT_EQ(clock.nowMs(), t2);
    EXPECT_TRUE(logged("setSpeed: 10.000000 Hz Error!"));
}

TEST_F(IApiOps, BoosterGainsBrakeRelayAndRamps) {
    auto api = make();
    const int g[5] = {0, 1, 2, 3, 3};
    EXPECT_TRUE(api->setBooster(g));
    EXPECT_EQ(kwz.calls(), (Calls{"setADCChannelGainTestMode(0, 1, 2, 3, 0)"}));
    EXPECT_TRUE(logged("setBooster: (0, 1, 2, 3) result: Success"));
    kwz.fail("setADCChannelGainTestMode", 1);
    const int h[5] = {-4, 9, 1, 1, 0};  // outside 0..3: limited
    EXPECT_FALSE(api->setBooster(h));
    EXPECT_EQ(kwz.journal.back().text, "setADCChannelGainTestMode(0, 3, 1, 1, 0)");
    EXPECT_TRUE(logged("setBooster: (0, 3, 1, 1) result: Error"));

    for (int c : {-1, 5, 6, -100}) EXPECT_EQ(api->getChannelGain(c), -1) << c;
    EXPECT_EQ(api->getChannelGain(0), 0);

    kwz.clear();
    api->setBrake(true);
    api->setRelay(false, 2);
    api->setRelay(true, 1);
    EXPECT_EQ(kwz.calls(), (Calls{"setInvertorRelay(1)", "setInvertorRelay(0)", "setInvertorRelay(1)"}));
    EXPECT_TRUE(logged("set brake: y"));
    EXPECT_TRUE(logged("set relay(2): n"));
    kwz.fail("setInvertorRelay");
    api->setBrake(false);
    api->setRelay(true, 3);
    EXPECT_TRUE(logged("set brake error"));
    EXPECT_TRUE(logged("set relay(3): y ERROR!!!"));
    kwz.succeed("setInvertorRelay");

    kwz.clear();
    api->setAccTime(2500, 1500, 2);
    EXPECT_EQ(kwz.calls(), (Calls{"setInvertorAcceleration(2.5)", "setInvertorDeceleration(1.5)",
                                  "setInvertorRampType(2)"}));
    EXPECT_TRUE(logged("setAccTime(start: 2500ms, stop: 1500ms, type: 2)"));
}

TEST_F(IApiOps, MotorParametersWithTheCurrentInverterType) {
    auto api = make();
    kwz.currentType = 5;
    api->setCurrentInverter(1, 1);
    kwz.clear();
    MotorParams p;
    p.power = 2.2;
    p.voltage = 380;
    p.current = 5.0;
    p.frequency = 50;
    p.speed = 1450.9;
    p.poles = 4;
    p.autoTune = 1;
    EXPECT_TRUE(api->setMotorParams(p));
    EXPECT_EQ(kwz.calls(), (Calls{"setInvertorMotorParameters(2.2, 380, 5, 50, 4, 1450, 1, 5)"}));
    EXPECT_TRUE(logged(
        "setMotorParams: power: 2.2, voltage: 380, current: 5, frequency: 50, speed: 1450.9, poles: 4, "
        "autoTun: 1"));
    kwz.fail("setInvertorMotorParameters", 1);
    p.speed = -3;  // nothing negative reaches the 16-bit register
    EXPECT_FALSE(api->setMotorParams(p));
    EXPECT_EQ(kwz.journal.back().text, "setInvertorMotorParameters(2.2, 380, 5, 50, 4, 0, 1, 5)");
    EXPECT_TRUE(logged("setMotorParams: ERROR!"));
}

TEST_F(IApiOps, CurrentInverterAndConnection) {
    auto api = make();
    EXPECT_TRUE(api->isConnected());  // no inverter chosen: the device is not asked
    EXPECT_TRUE(kwz.calls().empty());
    kwz.currentType = 6;
    kwz.currentAddress = 17;
    const auto t0 = clock.nowMs();
    EXPECT_EQ(api->setCurrentInverter(2, 3), 17);
    EXPECT_EQ(clock.nowMs() - t0, 100);
    EXPECT_EQ(kwz.calls(), (Calls{"setInvertorManagerCurrentInvertor(2)"}));
    EXPECT_TRUE(logged("set current inverter 2, type: 6, addr: 17, phasor: 3"));
    EXPECT_EQ(api->currentInverterType(), 6);
    int type = 0;
    api->getErrorInfo(&type);
    EXPECT_EQ(type, 6);
    EXPECT_TRUE(logged("get error info 0, inverter type: 6, "));

    kwz.clear();
    EXPECT_TRUE(api->isConnected());
    EXPECT_EQ(kwz.calls(), (Calls{"getInvertorState()"}));
    kwz.fail("getInvertorState", 1);
    EXPECT_FALSE(api->isConnected());

    kwz.fail("setInvertorManagerCurrentInvertor", 1);
    const auto t1 = clock.nowMs();
    EXPECT_EQ(api->setCurrentInverter(0, 1), 0);
    EXPECT_EQ(clock.nowMs(), t1);
    EXPECT_TRUE(logged("setup current inverter error"));
    EXPECT_EQ(api->phasorInput(), 1);  // the phasor is taken even so
    EXPECT_EQ(api->currentInverterType(), 6);
}

TEST_F(IApiOps, TrainStateRpmReachedWelderAndUpdateMode) {
    auto api = make();
    api->setCurrentInverter(0, 4);
    kwz.clear();
    kwz.trainState = 0;
    EXPECT_TRUE(api->needsTrain());
    EXPECT_EQ(kwz.calls(), (Calls{"getMarkerEncoderTrainState(1)"}));
    EXPECT_TRUE(logged("needTrain: idx = 1 -> 0"));
    kwz.trainState = 3;
    EXPECT_FALSE(api->needsTrain());
    kwz.fail("getMarkerEncoderTrainState", 1);
    EXPECT_FALSE(api->needsTrain());
    EXPECT_TRUE(logged("needsTrain: Error!"));

    kwz.state = 0x80000007u;
    EXPECT_TRUE(api->isRpmReached());
    EXPECT_TRUE(logged("isRpmReached: on"));
    kwz.state = 0x7u;
    EXPECT_FALSE(api->isRpmReached());
    EXPECT_TRUE(logged("isRpmReached: off"));
    kwz.fail("getInvertorState", 1);
    EXPECT_FALSE(api->isRpmReached());
    EXPECT_TRUE(logged("isRpmReached: get inverter state error!"));

    kwz.welderFlag = 1;
    EXPECT_TRUE(api->getWelderStatusFlag());
    kwz.fail("getWelderStatusFlag", 1);
    EXPECT_FALSE(api->getWelderStatusFlag());
    kwz.welderFlag = 0;
    EXPECT_FALSE(api->getWelderStatusFlag());

    kwz.weldingProgress = 42;
    EXPECT_EQ(api->getWeldingProgress(), 42);
    EXPECT_TRUE(logged("getWeldingProgress: 42"));
    kwz.fail("getWeldingProgress", 1);
    EXPECT_EQ(api->getWeldingProgress(), -1);
    EXPECT_TRUE(logged("getWeldingProgress: error"));

    api->restartWelder();
    EXPECT_TRUE(logged("restartWelder: y"));

    kwz.clear();
    EXPECT_TRUE(api->setUpdateMode());
    EXPECT_EQ(kwz.calls(), (Calls{"setControl(32768)"}));
    EXPECT_TRUE(logged("set update mode: y"));
    kwz.fail("setControl", 1);
    EXPECT_FALSE(api->setUpdateMode());
    EXPECT_TRUE(logged("set update mode: n"));
}

TEST_F(IApiOps, WelderActivityReleasesTheBrakeOnChange) {
    auto api = make();
    kwz.welderActive = 0;
    EXPECT_FALSE(api->isWelderActive());
    EXPECT_EQ(kwz.countOf("setInvertorRelay"), 0);  // same as the starting answer: nothing
    EXPECT_FALSE(logged("isWelderActive: n"));
    kwz.welderActive = 1;
    EXPECT_TRUE(api->isWelderActive());
    EXPECT_EQ(kwz.callsOf("setInvertorRelay"), (Calls{"setInvertorRelay(0)"}));
    EXPECT_TRUE(logged("isWelderActive: y"));
    EXPECT_TRUE(api->isWelderActive());
    EXPECT_EQ(kwz.countOf("setInvertorRelay"), 1);
    kwz.fail("isWelderActive", 1);
    EXPECT_FALSE(api->isWelderActive());  // a failed read counts as inactive
    EXPECT_TRUE(logged("isWelderActive: n"));
    EXPECT_EQ(kwz.countOf("setInvertorRelay"), 1);

    // The answer is kept per device object.
    auto other = make();
    kwz.clear();
    EXPECT_TRUE(other->isWelderActive());
    EXPECT_EQ(kwz.countOf("setInvertorRelay"), 1);
}

TEST_F(IApiOps, FixedAnswersAndBuffers) {
    auto api = make();
    EXPECT_FALSE(api->hasRecentDataGap());
    EXPECT_FALSE(api->readData());
    EXPECT_FALSE(api->isFrezerActive());
    EXPECT_EQ(api->getDemoParam(), 0);
    EXPECT_FALSE(api->saveBuffer(nullptr));
    for (int i = 1; i <= 5; ++i) {
        EXPECT_FALSE(api->nextBuffer());
        EXPECT_EQ(api->currentBufferIndex(), i % 5);
    }
    api->setAccuracy(1, 2, 3);
    api->setInverterType(1, 2);
    api->onKey('a');
    api->resetPacketCounter();
    EXPECT_TRUE(kwz.calls().empty());
    int* none = nullptr;
    EXPECT_EQ(api->getErrorInfo(none), 0);

    api->openLog(false);
    book.clear();
    api->stopReading();
    EXPECT_TRUE(log().empty());
    api->openLog(true);
    api->stopReading();
    EXPECT_EQ(log(), (std::vector<std::string>{"stopReading"}));
}

// ================================================================== inverter check

class IApiInverterCheck : public IApiTestBase {};

TEST_F(IApiInverterCheck, NoErrorUntilANonZeroFrequencyWasSent) {
    auto api = make();
    kwz.state = 0;  // would be invalid
    EXPECT_FALSE(api->hasInverterError());
    EXPECT_TRUE(kwz.calls().empty());
    api->setSpeed(0);
    EXPECT_FALSE(api->hasInverterError());
    api->setSpeed(500);
    kwz.clear();
    EXPECT_TRUE(api->hasInverterError());
    EXPECT_EQ(kwz.calls(), (Calls{"getInvertorState()"}));
    EXPECT_TRUE(logged("Error! Invalid invertor state: 0x0"));
    EXPECT_EQ(api->getErrorInfo(nullptr), 9998);
    EXPECT_EQ(kwz.countOf("setInvertorFrequency"), 0);  // an invalid state does not stop the drive
}

TEST_F(IApiInverterCheck, StateLowBitsMustAllBeSet) {
    auto api = make();
    api->setSpeed(500);
    for (std::uint32_t s : {0x3u, 0x5u, 0x6u, 0x80000006u}) {
        kwz.state = s;
        EXPECT_TRUE(api->hasInverterError()) << s;
    }
    kwz.state = 0x80000007u;
    EXPECT_FALSE(api->hasInverterError());
    kwz.state = 0xFu;
    EXPECT_FALSE(api->hasInverterError());
    kwz.fail("getInvertorState", 1);
    EXPECT_TRUE(api->hasInverterError());
    EXPECT_EQ(api->getErrorInfo(nullptr), 9998);
}

TEST_F(IApiInverterCheck, ExternalInputsGiveTheirCodeAndStopTheDrive) {
    auto api = make();
    // First input bit 4, three inputs: bits 4, 5, 6.
    const std::uint32_t config = 4u | (3u << 5);
    kwz.input = ~(1u << 5);
    kwz.clear();
    EXPECT_TRUE(api->isBlocked(config));
    EXPECT_EQ(kwz.calls(), (Calls{"setWelderBlock(1)", "getInvertorState()", "getInvertorInput()",
                                  "setInvertorFrequency(0)", "setWelderBlock(0)"}));
    EXPECT_TRUE(logged("setWelderBlock(1): y"));
    EXPECT_TRUE(logged("ext bits: error bit 5 for FFFFFFDF"));
    EXPECT_EQ(api->getErrorInfo(nullptr), 9982);

    kwz.input = 0xFFFFFFFFu;
    EXPECT_FALSE(api->isBlocked(config));
    kwz.input = ~(1u << 4) & ~(1u << 6);
    EXPECT_TRUE(api->isBlocked(config));
    EXPECT_EQ(api->getErrorInfo(nullptr), 9981);  // the first open input counts

    // The kept configuration also serves hasInverterError.
    api->setSpeed(1000);
    kwz.input = ~(1u << 6);
    kwz.clear();
    EXPECT_TRUE(api->hasInverterError());
    EXPECT_EQ(api->getErrorInfo(nullptr), 9983);
    EXPECT_EQ(kwz.callsOf("setInvertorFrequency"), (Calls{"setInvertorFrequency(0)"}));
    // The stop cleared the non-zero mark: no further check.
    kwz.clear();
    EXPECT_FALSE(api->hasInverterError());
    EXPECT_TRUE(kwz.calls().empty());
}

TEST_F(IApiInverterCheck, FailedInputReadAndRanges) {
    auto api = make();
    kwz.fail("getInvertorInput", 1);
    EXPECT_TRUE(api->isBlocked(0u | (8u << 5)));
    EXPECT_TRUE(logged("ext bits: error"));
    EXPECT_EQ(api->getErrorInfo(nullptr), 9999);
    EXPECT_EQ(kwz.callsOf("setInvertorFrequency"), (Calls{"setInvertorFrequency(0)"}));

    // No inputs configured: the input word is not read.
    kwz.clear();
    EXPECT_FALSE(api->isBlocked(7u));
    EXPECT_EQ(kwz.countOf("getInvertorInput"), 0);
    // More than eight inputs count as eight; the range ends at bit 31.
    kwz.input = ~(1u << 8);
    EXPECT_FALSE(api->isBlocked(0u | (20u << 5)));
    kwz.input = ~(1u << 31);
    EXPECT_TRUE(api->isBlocked(30u | (8u << 5)));
    EXPECT_EQ(api->getErrorInfo(nullptr), 9982);
}

// ================================================================== speed averaging

class IApiAveraging : public IApiTestBase {
protected:
    std::vector<double> readings(IApi& api, std::vector<double> values) {
        std::vector<double> out;
        for (double v : values) {
            kwz.opticalSpeeds.push_back(v);
            out.push_back(api.getSpeed());
        }
        return out;
    }
};

TEST_F(IApiAveraging, ExamplesOfTheRing) {
    auto api = make();
    api->setMiscParams(false, 3, 250);
    EXPECT_EQ(api->speedPeriodMs(), 250);
    EXPECT_EQ(readings(*api, {0, 100, 102}).back(), 100.0);  // 0 ignored, nothing between 100 and 102
    EXPECT_EQ(readings(*api, {100, 101, 102}).back(), 101.0);
    // 99 replaces 100 (the oldest): 101, 102, 99 -> 101 alone between.
    EXPECT_EQ(readings(*api, {99}).back(), 101.0);
}

TEST_F(IApiAveraging, FirstReadingsAndLowValues) {
    auto api = make();
    api->setMiscParams(false, 5, 0);
    // The ring starts with zeros, which do not count.
    EXPECT_EQ(readings(*api, {300}), (std::vector<double>{300}));
    EXPECT_EQ(readings(*api, {310}), (std::vector<double>{300}));  // smallest when nothing lies between
    EXPECT_EQ(readings(*api, {305}), (std::vector<double>{305}));
    EXPECT_DOUBLE_EQ(readings(*api, {320, 304}).back(), (305 + 310 + 304) / 3.0);

    api->setMiscParams(false, 3, 0);
    EXPECT_EQ(readings(*api, {0.05, 0.0, 0.09}), (std::vector<double>{0, 0, 0}));  // all below 0.1
    EXPECT_EQ(readings(*api, {0.1}).back(), 0.1);
}

TEST_F(IApiAveraging, OffAndOutOfRangeSizes) {
    auto api = make();
    EXPECT_EQ(readings(*api, {100, 50, 0.05}), (std::vector<double>{100, 50, 0.05}));  // off at creation
    api->setMiscParams(true, 0, 0);
    EXPECT_EQ(api->speedBufferLength(), 0);
    EXPECT_EQ(readings(*api, {7, 9}), (std::vector<double>{7, 9}));
    api->setMiscParams(false, -5, 0);
    EXPECT_EQ(api->speedBufferLength(), 0);
    EXPECT_TRUE(logged("setMiscParams: speed buffer size -5, averaging off"));
    EXPECT_EQ(readings(*api, {7}), (std::vector<double>{7}));
    api->setMiscParams(false, 1000000, 0);
    EXPECT_EQ(api->speedBufferLength(), IApi::kMaxSpeedBuffer);
    EXPECT_TRUE(logged("setMiscParams: speed buffer size 1000000 limited to 10000"));
    EXPECT_EQ(readings(*api, {42}), (std::vector<double>{42}));
    api->setMiscParams(false, 1, 0);
    EXPECT_EQ(readings(*api, {5, 6}), (std::vector<double>{5, 6}));
}

// ================================================================== startReading

class IApiReading : public IApiTestBase {
protected:
    ReadRequest request(bool test) {
        ReadRequest r;
        r.rate = 15000;
        r.blocks = 1000;
        r.nChannels = 3;
        r.nRecorded = 0;
        r.extra = 7;
        r.channelTable = table;
        r.testMode = test ? 1 : 0;
        r.filter = 0;
        return r;
    }
    int table[4] = {2, 5, 0, 0};
};

TEST_F(IApiReading, BalancingModeReadsTheSpeedTwiceAndStarts) {
    auto api = make();
    api->setCurrentInverter(0, 3);
    kwz.clear();
    kwz.opticalSpeeds = {590, 600};
    kwz.dataPeriod = 100.4;
    ReadRequest r = request(false);
    r.filter = 1;
    const auto t0 = clock.nowMs();
    ASSERT_TRUE(api->startReading(&r));
    EXPECT_EQ(kwz.calls(), (Calls{"setADCMode(balancing, 1)", "setMarkerEncoderMarkerType(1, 1)",
                                  "getMarkerOpticalSpeed(1)", "getMarkerOpticalSpeed(1)",
                                  "setADCStartConversionBalancingMode(600, 3, 0, out)"}));
    EXPECT_EQ(kwz.timeOf("getMarkerOpticalSpeed") - t0, 20);
    EXPECT_EQ(clock.nowMs() - t0, 25);
    EXPECT_EQ(api->getTurnScale(), 200);  // 2 x 100.4, whole ms
    EXPECT_EQ(api->getSampleRate(), 15000.0);
    EXPECT_EQ(api->channelCount(), 3);
    EXPECT_EQ(api->blockCount(), 1000);
    EXPECT_EQ(api->requestValue(), 7u);
    EXPECT_FALSE(api->inTestMode());
    EXPECT_EQ(api->channelTableEntries(), 2);
    EXPECT_EQ(api->channelTableEntry(0), 2);
    EXPECT_EQ(api->channelTableEntry(1), 5);
    const auto lines = log();
    EXPECT_EQ((std::vector<std::string>(lines.end() - 4, lines.end())),
              (std::vector<std::string>{"stopReading", "startReading: nChannels = 3", "chTable: [0] = 2",
                                        "chTable: [1] = 5"}));
}

TEST_F(IApiReading, TestModeSetsRateAndStarts) {
    auto api = make();
    api->setCurrentInverter(0, 2);
    api->setSpeed(1000);
    EXPECT_TRUE(api->speedWasSet());
    kwz.clear();
    ReadRequest r = request(true);
    r.nRecorded = 2;
    ASSERT_TRUE(api->startReading(&r));
    EXPECT_FALSE(api->speedWasSet());
    EXPECT_EQ(kwz.calls(), (Calls{"setADCMode(test, 0)", "setMarkerEncoderMarkerType(0, 0)",
                                  "setADCSampleRateTestMode(15000)", "setADCStartConversionTestMode(1000)"}));
    EXPECT_TRUE(api->inTestMode());
    EXPECT_EQ(api->bufferCapacity(), 3 * 15000 * 150);
    EXPECT_TRUE(api->nextBuffer() == false);  // the next buffer was never made
    EXPECT_EQ(api->bufferCapacity(), 3 * 15000 * 150);
}

TEST_F(IApiReading, FailuresOfTheSetUp) {
    auto api = make();
    api->setCurrentInverter(0, 1);
    ReadRequest r = request(false);

    kwz.fail("setMarkerEncoderMarkerType", 1);  // no reading without it
    EXPECT_FALSE(api->startReading(&r));
    EXPECT_TRUE(logged("startReading: setMarkerEncoderMarkerType Error!"));

    kwz.opticalSpeed = 450;
    kwz.fail("setADCStartConversionBalancingMode", 1);
    EXPECT_FALSE(api->startReading(&r));
    EXPECT_TRUE(logged("start balancing conversion error! for speed: 450, phasor: 1"));
    const int gains[5] = {1, 1, 1, 1, 1};
    kwz.fail("setADCChannelGainTestMode", 1);  // in balancing mode the controller sets its gains
    EXPECT_TRUE(api->setBooster(gains));

    r = request(true);
    kwz.fail("setADCSampleRateTestMode", 1);
    EXPECT_FALSE(api->startReading(&r));
    EXPECT_TRUE(logged("set rate error: 15000"));
    kwz.fail("setADCStartConversionTestMode", 1);
    EXPECT_FALSE(api->startReading(&r));
    EXPECT_TRUE(logged("start testing conversion error!"));

    EXPECT_FALSE(api->startReading(nullptr));
}

TEST_F(IApiReading, WithoutPhasorTheBalancingStartIsRefused) {
    auto api = make();
    api->setCurrentInverter(0, 0);  // "Without phasor"
    kwz.clear();
    kwz.fail("setADCStartConversionBalancingMode");  // as the driver refuses trigger source 0
    ReadRequest r = request(false);
    EXPECT_FALSE(api->startReading(&r));
    EXPECT_EQ(kwz.callsOf("setADCStartConversionBalancingMode"),
              (Calls{"setADCStartConversionBalancingMode(0, 0, 0, out)"}));
    // No inverter chosen at all: trigger 0 too.
    auto fresh = make();
    kwz.clear();
    EXPECT_FALSE(fresh->startReading(&r));
    EXPECT_EQ(kwz.journal.back().text, "setADCStartConversionBalancingMode(0, 0, 0, out)");
}

TEST_F(IApiReading, BadTableEntryIsRefusedBeforeTheControllerStarts) {
    auto api = make();
    api->setCurrentInverter(0, 1);
    ReadRequest good = request(false);
    ASSERT_TRUE(api->startReading(&good));
    kwz.clear();
    for (int bad : {6, 0, -1}) {
        table[1] = bad;
        ReadRequest r = request(false);
        EXPECT_FALSE(api->startReading(&r)) << bad;
        EXPECT_TRUE(kwz.calls().empty()) << bad;
        EXPECT_EQ(api->channelTableEntries(), 0);
        EXPECT_EQ(api->getSampleValue(0), 0);
    }
    EXPECT_TRUE(logged("chTable: [1] = 6: not a channel, reading not started"));
    // Entries beyond the copied range are not looked at.
    table[1] = 5;
    table[2] = 99;
    ReadRequest r = request(false);
    EXPECT_TRUE(api->startReading(&r));
    // At most five entries are copied.
    int wide[8] = {1, 2, 3, 4, 5, 9, 9, 9};
    r.channelTable = wide;
    r.nChannels = 8;
    EXPECT_TRUE(api->startReading(&r));
    EXPECT_EQ(api->channelTableEntries(), 5);
    // The speed acquisition of the drive control copies nothing.
    int none[1] = {0};
    r.channelTable = none;
    r.nChannels = 1;
    EXPECT_TRUE(api->startReading(&r));
    EXPECT_EQ(api->channelTableEntries(), 0);
}

// ================================================================== getData

class IApiGetData : public IApiReading {
protected:
    void fillTraces(int n) {
        for (int c = 0; c < 5; ++c) {
            kwz.traces[c].clear();
            for (int i = 0; i < n; ++i) kwz.traces[c].push_back((c + 1) * 1000 + i + 0.75);
        }
        kwz.marker.assign(n, 0.0);
        kwz.markerIndices.clear();
        for (int i = 0; i < n; i += 4) {
            kwz.marker[i] = 32767.0;
            kwz.markerIndices.push_back(i);
        }
    }
};

TEST_F(IApiGetData, BalancingFetchGivesFiveResultsAndRestarts) {
    auto api = make();
    api->setCurrentInverter(0, 1);
    api->setSpeed(2000);
    kwz.opticalSpeed = 1200;
    ReadRequest r = request(false);
    ASSERT_TRUE(api->startReading(&r));
    fillTraces(10);
    for (int c = 0; c < 5; ++c) kwz.results[c] = {100.0 * (c + 1), 10.0 * c, c != 3};
    kwz.gainCodes = {1, 2, 3, 0, 2};
    kwz.clear();
    TurnResults results;
    const auto t0 = clock.nowMs();
    ASSERT_TRUE(api->getData(&results));
    EXPECT_EQ(kwz.calls(),
              (Calls{"getADCDataBalancingMode()", "getADCChannelGain()", "getInvertorState()",
                     "getMarkerOpticalSpeed(0)", "setADCStartConversionBalancingMode(1200, 1, 0, null)"}));
    EXPECT_EQ(kwz.timeOf("getMarkerOpticalSpeed") - t0, 500);
    EXPECT_EQ(clock.nowMs() - t0, 505);
    ASSERT_EQ(results.size(), 5u);
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(results[c].valid, c != 3 ? 1 : 0) << c;
        EXPECT_DOUBLE_EQ(results[c].amplitude, 100.0 * (c + 1));
        EXPECT_DOUBLE_EQ(results[c].phase, 10.0 * c);
    }
    for (int c = 0; c < 5; ++c) EXPECT_EQ(api->getChannelGain(c), kwz.gainCodes[c]);
    EXPECT_EQ(api->lastTurnCount(), 3u);
    EXPECT_TRUE(logged("got balancing mode data, turns: 3"));
    EXPECT_TRUE(logged("getting ADC data channel1: 10, channel2: 10"));
    EXPECT_TRUE(logged("start conversion"));
    EXPECT_EQ(api->getTurnScale(), 0);  // the restart does not change the data period
}

TEST_F(IApiGetData, TestModeFetchIteratesTheRawSamples) {
    auto api = make();
    api->setCurrentInverter(0, 1);
    table[0] = 3;
    table[1] = 1;
    ReadRequest r = request(true);
    ASSERT_TRUE(api->startReading(&r));
    fillTraces(6);
    kwz.clear();
    ASSERT_TRUE(api->getData(nullptr));
    EXPECT_EQ(kwz.calls(),
              (Calls{"getADCDataTestMode()", "getADCChannelGain()", "setADCStartConversionTestMode(1000)"}));
    EXPECT_EQ(api->rawSampleCount(), 6u);
    // Before the first step there is no current sample.
    EXPECT_FALSE(api->isMarkSample());
    EXPECT_EQ(api->getSampleValue(0), 0);
    std::vector<int> marks, first, second, outside;
    while (api->nextSample()) {
        marks.push_back(api->isMarkSample());
        first.push_back(api->getSampleValue(0));
        second.push_back(api->getSampleValue(1));
        outside.push_back(api->getSampleValue(2) + api->getSampleValue(-1) + api->getSampleValue(5));
    }
    EXPECT_EQ(marks, (std::vector<int>{1, 0, 0, 0, 1, 0}));
    EXPECT_EQ(first, (std::vector<int>{3000, 3001, 3002, 3003, 3004, 3005}));   // channel 3, integer part
    EXPECT_EQ(second, (std::vector<int>{1000, 1001, 1002, 1003, 1004, 1005}));  // channel 1
    EXPECT_EQ(outside, (std::vector<int>(6, 0)));
    EXPECT_FALSE(api->nextSample());  // stays used up
    EXPECT_FALSE(api->isMarkSample());
    EXPECT_EQ(api->getSampleValue(0), 0);

    // A new fetch starts the iteration again; a negative sample keeps its integer part.
    kwz.traces[2] = {-12.9};
    kwz.traces[0] = {4.2};
    kwz.marker = {0.0};
    ASSERT_TRUE(api->getData(nullptr));
    ASSERT_TRUE(api->nextSample());
    EXPECT_EQ(api->getSampleValue(0), -12);
    EXPECT_FALSE(api->nextSample());

    // A new acquisition has no samples until its first fetch.
    ASSERT_TRUE(api->getData(nullptr));
    ASSERT_TRUE(api->startReading(&r));
    EXPECT_EQ(api->rawSampleCount(), 0u);
    EXPECT_FALSE(api->nextSample());
}

TEST_F(IApiGetData, FailedFetchWaitsAndChecksTheInverter) {
    auto api = make();
    api->setCurrentInverter(0, 1);
    ReadRequest r = request(false);
    ASSERT_TRUE(api->startReading(&r));
    kwz.fail("getADCDataBalancingMode", 1);
    kwz.clear();
    TurnResults results;
    auto t0 = clock.nowMs();
    EXPECT_FALSE(api->getData(&results));
    EXPECT_EQ(clock.nowMs() - t0, 500);
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(kwz.calls(), (Calls{"getADCDataBalancingMode()"}));  // no frequency sent: no check
    EXPECT_TRUE(logged("getADCData error!"));

    api->setSpeed(1500);
    kwz.state = 0x1;
    kwz.fail("getADCDataBalancingMode", 1);
    kwz.clear();
    EXPECT_FALSE(api->getData(&results));
    EXPECT_EQ(kwz.calls(), (Calls{"getADCDataBalancingMode()", "getInvertorState()"}));
    EXPECT_EQ(api->getErrorInfo(nullptr), 9998);
}

TEST_F(IApiGetData, FaultAfterTheFetchSkipsTheRestart) {
    auto api = make();
    api->setCurrentInverter(0, 1);
    ReadRequest r = request(false);
    ASSERT_TRUE(api->startReading(&r));
    api->setSpeed(1500);
    api->isBlocked(0u | (1u << 5));
    kwz.input = 0;
    kwz.clear();
    TurnResults results;
    EXPECT_FALSE(api->getData(&results));
    EXPECT_EQ(results.size(), 5u);  // the results were handed over before the check
    EXPECT_EQ(kwz.calls(), (Calls{"getADCDataBalancingMode()", "getADCChannelGain()", "getInvertorState()",
                                  "getInvertorInput()", "setInvertorFrequency(0)", "setWelderBlock(0)"}));
    EXPECT_EQ(api->getErrorInfo(nullptr), 9981);
    EXPECT_FALSE(logged("start conversion"));
}

TEST_F(IApiGetData, GainReadFailureKeepsTheGainsAndRestartFailures) {
    auto api = make();
    api->setCurrentInverter(0, 1);
    ReadRequest r = request(false);
    ASSERT_TRUE(api->startReading(&r));
    kwz.gainCodes = {2, 2, 2, 2, 2};
    TurnResults results;
    ASSERT_TRUE(api->getData(&results));
    kwz.gainCodes = {0, 0, 0, 0, 0};
    kwz.fail("getADCChannelGain", 1);
    results.clear();
    ASSERT_TRUE(api->getData(&results));
    EXPECT_TRUE(logged("getADCChannelGain error!"));
    EXPECT_EQ(api->getChannelGain(4), 2);

    kwz.opticalSpeed = 333;
    kwz.fail("setADCStartConversionBalancingMode", 1);
    results.clear();
    EXPECT_FALSE(api->getData(&results));
    EXPECT_TRUE(logged("start balancing conversion error! for speed: 333, phasor: 1"));

    ReadRequest t = request(true);
    ASSERT_TRUE(api->startReading(&t));
    kwz.fail("setADCStartConversionTestMode", 1);
    book.clear();
    EXPECT_FALSE(api->getData(nullptr));
    EXPECT_TRUE(logged("start testing conversion error!"));
}

// ================================================================== training

class IApiTraining : public IApiTestBase {
protected:
    std::unique_ptr<IApi> trainer(int phasor = 2) {
        auto api = make();
        api->setCurrentInverter(0, phasor);
        api->driveRatio = 1.25;
        kwz.clear();
        book.clear();
        return api;
    }
};

TEST_F(IApiTraining, MatchOnTheFirstAttempt) {
    auto api = trainer(4);
    kwz.encoderSpeed = 1000;
    kwz.opticalSpeed = 800;  // ratio 12500
    kwz.fullTurn = 12450;    // within 125
    api->startTraining();
    EXPECT_EQ(kwz.calls(), (Calls{"setMarkerEncoderMarkerType(1, 0)", "getInvertorState()",
                                  "setMarkerEncoderTrainStart(1)", "getMarkerEncoderSpeed(1)",
                                  "getMarkerOpticalSpeed(1)", "getMarkerEncoderFullTurn(1)"}));
    EXPECT_EQ(log(), (std::vector<std::string>{
                         "startTraining: start waiting for the inverter state", "inverter state: 80000007",
                         "startTraining: phasor = 4, idx = 1, result = true",
                         "calc ratio 12500 (encoder speed: 1000, optical speed: 800)",
                         "getMarkerEncoderFullTurn: value = 12450 / 12500, result = true"}));
    EXPECT_TRUE(api->angleIsValid());
}

TEST_F(IApiTraining, MatchAtALaterAttemptAfterWaitingForTheInverter) {
    auto api = trainer();
    kwz.encoderSpeeds = {1000, 1000, 1000};
    kwz.opticalSpeeds = {500, 400, 800};  // ratios 20000, 25000, 12500
    kwz.fullTurn = 12376;                 // |12500 - 12376| = 124 <= 125
    kwz.states = {0x7, 0x80000007u, 0x80000007u, 0x3, 0x7, 0x80000007u};
    const auto t0 = clock.nowMs();
    api->startTraining();
    EXPECT_EQ(kwz.countOf("setMarkerEncoderTrainStart"), 3);
    EXPECT_EQ(kwz.countOf("getInvertorState"), 6);
    EXPECT_EQ(clock.nowMs() - t0, 300);  // three 100 ms waits for the ready state
    EXPECT_EQ(book.count("api_i", "startTraining: start waiting for the inverter state"), 3);
    EXPECT_TRUE(logged("ratio doesn't match 20000 <> 12376"));
    EXPECT_TRUE(logged("ratio doesn't match 25000 <> 12376"));
    EXPECT_FALSE(logged("can't repeat training anymore!"));
}

TEST_F(IApiTraining, SevenMismatchesGiveUp) {
    auto api = trainer();
    kwz.encoderSpeed = 1000;
    kwz.opticalSpeed = 1000;  // ratio 10000
    kwz.fullTurn = 10101;     // 101 > 100
    api->startTraining();
    EXPECT_EQ(kwz.countOf("setMarkerEncoderTrainStart"), 7);
    EXPECT_EQ(book.count("api_i", "ratio doesn't match 10000 <> 10101"), 7);
    EXPECT_EQ(book.count("api_i", "can't repeat training anymore!"), 1);
    EXPECT_EQ(log().back(), "can't repeat training anymore!");
    kwz.fullTurn = 10100;  // exactly 1 %: trained
    kwz.clear();
    api->startTraining();
    EXPECT_EQ(kwz.countOf("setMarkerEncoderTrainStart"), 1);
}

TEST_F(IApiTraining, InverterNeverReadyOrUnreadable) {
    auto api = trainer();
    kwz.state = 0x7;
    const auto t0 = clock.nowMs();
    api->startTraining();
    EXPECT_EQ(kwz.countOf("getInvertorState"), 100);
    EXPECT_EQ(kwz.countOf("setMarkerEncoderTrainStart"), 0);
    EXPECT_EQ(clock.nowMs() - t0, 99 * 100);
    EXPECT_EQ(log().back(), "can't wait anymore, exiting...");

    // Ready at the hundredth poll still trains.
    kwz.clear();
    for (int i = 0; i < 99; ++i) kwz.states.push_back(0x7);
    kwz.states.push_back(0x80000007u);
    kwz.encoderSpeed = kwz.opticalSpeed = 1000;
    kwz.fullTurn = 10000;
    api->startTraining();
    EXPECT_EQ(kwz.countOf("setMarkerEncoderTrainStart"), 1);

    kwz.clear();
    kwz.fail("getInvertorState", 1);
    api->startTraining();
    EXPECT_EQ(kwz.countOf("setMarkerEncoderTrainStart"), 0);
    EXPECT_EQ(log().back(), "get inverter state error, exiting...");
}

TEST_F(IApiTraining, FailuresEndTheTraining) {
    auto api = trainer();
    kwz.fail("setMarkerEncoderMarkerType", 1);
    api->startTraining();
    EXPECT_EQ(kwz.calls(), (Calls{"setMarkerEncoderMarkerType(0, 0)"}));
    EXPECT_EQ(log().back(), "startTraining: setMarkerEncoderMarkerType Error!");

    kwz.fail("setMarkerEncoderTrainStart", 1);
    kwz.clear();
    api->startTraining();
    EXPECT_EQ(kwz.calls().back(), "setMarkerEncoderTrainStart(0)");
    EXPECT_EQ(log().back(), "startTraining: phasor = 2, idx = 0, result = false");
    EXPECT_FALSE(api->angleIsValid());
    double a;
    EXPECT_FALSE(api->getAngle(&a));

    kwz.fail("getMarkerEncoderSpeed", 1);
    api->startTraining();
    EXPECT_EQ(log().back(), "getMarkerEncoderSpeed Error");
    EXPECT_TRUE(api->angleIsValid());  // the training itself started
    kwz.fail("getMarkerOpticalSpeed", 1);
    api->startTraining();
    EXPECT_EQ(log().back(), "getMarkerOpticalSpeed Error");
    kwz.opticalSpeed = 100;
    kwz.fail("getMarkerEncoderFullTurn", 1);
    api->startTraining();
    EXPECT_EQ(log().back(), "getMarkerEncoderFullTurn: value = 0 / 12500, result = false");
}

TEST_F(IApiTraining, OpticalSpeedZeroIsAMismatch) {
    auto api = trainer();
    kwz.encoderSpeed = 1000;
    kwz.opticalSpeed = 0.0;
    kwz.fullTurn = 0;  // would "match" a ratio of 0
    api->startTraining();
    EXPECT_EQ(kwz.countOf("setMarkerEncoderTrainStart"), 7);
    EXPECT_EQ(
        book.count("api_i", "calc ratio: optical speed too low (encoder speed: 1000, optical speed: 0)"), 7);
    EXPECT_TRUE(logged("can't repeat training anymore!"));
}

TEST_F(IApiTraining, CancelGivesUp) {
    auto api = trainer();
    std::atomic<bool> cancel{false};
    api->setCancelFlag(&cancel);
    kwz.state = 0x7;
    int polls = 0;
    kwz.onCall = [&](const std::string& op) {
        if (op == "getInvertorState" && ++polls == 5) cancel = true;
    };
    api->startTraining();
    EXPECT_EQ(polls, 5);
    EXPECT_EQ(log().back(), "startTraining: cancelled");

    // Cancel between attempts.
    kwz.onCall = [&](const std::string& op) {
        if (op == "getMarkerEncoderFullTurn") cancel = true;
    };
    cancel = false;
    kwz.state = 0x80000007u;
    kwz.encoderSpeed = kwz.opticalSpeed = 1000;
    kwz.fullTurn = 5;
    kwz.clear();
    api->startTraining();
    EXPECT_EQ(kwz.countOf("setMarkerEncoderTrainStart"), 1);
    EXPECT_EQ(log().back(), "startTraining: cancelled");

    // The factory hands the Machine's flag over.
    resetCreateIApiThrottle();
    IApiEnvironment env = environment();
    env.cancel = &cancel;
    std::unique_ptr<IApi> made(createIApi(clock, env));
    resetCreateIApiThrottle();
    ASSERT_NE(made, nullptr);
    cancel = true;
    kwz.onCall = nullptr;
    kwz.clear();
    made->startTraining();
    EXPECT_EQ(kwz.countOf("getInvertorState"), 0);
    EXPECT_EQ(log().back(), "startTraining: cancelled");

    // Without a flag it runs as before.
    api->setCancelFlag(nullptr);
    kwz.clear();
    api->startTraining();
    EXPECT_EQ(kwz.countOf("setMarkerEncoderTrainStart"), 7);
}

// ================================================================== inverter list

class IApiInverters : public IApiTestBase {};

TEST_F(IApiInverters, DeletesAllThenAddsTheList) {
    auto api = make();
    kwz.inverterCount = 0;
    const auto t0 = clock.nowMs();
    EXPECT_TRUE(api->setInverters({{3, 1}, {7, 4}}));
    EXPECT_EQ(kwz.calls(),
              (Calls{"setInvertorManagerCurrentInvertor(2)", "setInvertorManagerDeleteInvertor(3)",
                     "setInvertorManagerCurrentInvertor(1)", "setInvertorManagerDeleteInvertor(2)",
                     "setInvertorManagerCurrentInvertor(0)", "setInvertorManagerDeleteInvertor(1)",
                     "setInvertorManagerCurrentInvertor(3)", "setInvertorManagerDeleteInvertor(0)",
                     "getInvertorManagerCountInvertors()", "setInvertorManagerAddInvertor(0, 1, 3)",
                     "setInvertorManagerAddInvertor(1, 4, 7)"}));
    EXPECT_EQ(clock.nowMs() - t0, 400);
    EXPECT_TRUE(logged("Deleting inverter 3"));
    EXPECT_TRUE(logged("Deleting inverter 0"));
    EXPECT_TRUE(logged("Number of inverters: 0"));
    EXPECT_TRUE(logged("Adding inverter 1, 3"));
    EXPECT_TRUE(logged("Adding inverter 4, 7"));
    EXPECT_EQ(api->phasorInput(), -1);
    kwz.clear();
    EXPECT_TRUE(api->isConnected());  // still no inverter chosen for a drive
    EXPECT_TRUE(kwz.calls().empty());
}

TEST_F(IApiInverters, FailuresAreLoggedAndOneAddIsEnough) {
    auto api = make();
    kwz.fail("setInvertorManagerDeleteInvertor", 2);
    kwz.fail("getInvertorManagerCountInvertors", 1);
    kwz.fail("setInvertorManagerAddInvertor", 1);
    kwz.fail("setInvertorManagerCurrentInvertor");
    EXPECT_TRUE(api->setInverters({{3, 1}, {7, 4}}));
    EXPECT_TRUE(logged("Delete inverter 3 error!"));
    EXPECT_TRUE(logged("Delete inverter 2 error!"));
    EXPECT_FALSE(logged("Delete inverter 1 error!"));
    EXPECT_TRUE(logged("Number of inverters: 0(error)"));
    EXPECT_TRUE(logged("Add inverter 0 error!"));
    EXPECT_EQ(kwz.countOf("setInvertorManagerAddInvertor"), 2);
    kwz.succeed("setInvertorManagerCurrentInvertor");

    kwz.fail("setInvertorManagerAddInvertor");
    EXPECT_FALSE(api->setInverters({{3, 1}}));
    EXPECT_TRUE(logged("Add inverter 0 error!"));
}

TEST_F(IApiInverters, EmptyListStillClearsTheManager) {
    auto api = make();
    kwz.inverterCount = 2;
    EXPECT_FALSE(api->setInverters({}));
    EXPECT_EQ(kwz.countOf("setInvertorManagerDeleteInvertor"), 4);
    EXPECT_EQ(kwz.countOf("setInvertorManagerAddInvertor"), 0);
    EXPECT_TRUE(logged("Number of inverters: 2"));
}

}  // namespace
