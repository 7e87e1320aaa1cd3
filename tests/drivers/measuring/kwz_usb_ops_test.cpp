#include "drivers/measuring/kwz_usb.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <unistd.h>

#include "drivers/measuring/measuring_test_env.h"
#include "support/work_dir.h"
#include "support/sim_measuring.h"

namespace {

namespace fs = std::filesystem;
using namespace TamskKWZv2;
using sim::JournalEntry;
using sim::SimMeasuringController;

// ---------------------------------------------------------------- pure rules

TEST(GainRules, ChannelFormAtEachBoundary) {
    struct Case {
        std::uint8_t code;
        double amplitude;
        std::uint8_t expectCode;
        bool valid;
    } cases[] = {
        {2, 500, 2, true},        {0, 30000.5, 0, false}, {0, 30000, 0, true},  {3, 500, 3, true},
        {1, 999.9, 2, false},     {0, 999, 1, false},     {1, 1000, 1, true},   {3, 30001, 2, false},
        {2, 40000, 1, false},     {1, -5, 2, false},      {2, std::nan(""), 2, true},
    };
    for (const Case& c : cases) {
        std::uint8_t code = c.code;
        EXPECT_EQ(c.valid, calcAGC(code, c.amplitude)) << int(c.code) << " " << c.amplitude;
        EXPECT_EQ(c.expectCode, code) << int(c.code) << " " << c.amplitude;
    }
}

TEST(GainRules, FilterFormAtEachBoundary) {
    struct Case {
        std::uint8_t code;
        double amplitude;
        std::uint8_t expectCode;
        bool valid, write;
    } cases[] = {
        {0, 32000, 0, true, false}, {0, 32000.5, 1, false, true}, {1, 3000, 0, false, true},
        {1, 3000.5, 1, true, false}, {1, 32000, 1, true, false},  {1, 32000.5, 1, false, true},
        {0, 0, 0, true, false},
    };
    for (const Case& c : cases) {
        std::uint8_t code = c.code;
        const FilterAGCResult r = calcFilterAGC(code, c.amplitude);
        EXPECT_EQ(c.valid, r.valid) << int(c.code) << " " << c.amplitude;
        EXPECT_EQ(c.write, r.write) << int(c.code) << " " << c.amplitude;
        EXPECT_EQ(c.expectCode, code) << int(c.code) << " " << c.amplitude;
    }
}

TEST(GainRules, SpeedBandTable) {
    const std::pair<double, int> cases[] = {
        {0, 0},     {60, 0},     {60.01, 6},   {360, 6},   {360.5, 1},  {690, 1},    {690.1, 5},
        {1200, 5},  {1200.1, 2}, {1980, 2},    {1981, 4},  {3600, 4},   {3600.1, 3}, {5400, 3},
        {5401, 7},  {12000, 7},  {12000.1, 0}, {-100, 0},  {std::nan(""), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, filterCodeForSpeed(c.first)) << c.first;
}

TEST(GainRules, CodeNames) {
    EXPECT_STREQ("1x", channelGainName(0));
    EXPECT_STREQ("1000x", channelGainName(3));
    EXPECT_STREQ("?", channelGainName(4));
    EXPECT_STREQ("10x", filterGainName(0));
    EXPECT_STREQ("1x", filterGainName(1));
    EXPECT_STREQ("Filter8 (FULL)", filterName(0));
    EXPECT_STREQ("Filter3 (690-1200)", filterName(5));
    EXPECT_STREQ("Filter7 (5400-12000)", filterName(7));
    EXPECT_STREQ("?", filterName(8));
}

// ---------------------------------------------------------------- the driver

using testwd::readFile;

class KWZUSBOps : public ::testing::Test {
protected:
    KWZUSBOps() : timing_(pinned()), usb_(sim_) {
        KWZUSB::resetMarkerTypes();
    }
    ~KWZUSBOps() override {
        driver_.reset();
    }
    static drivers::DriverTiming pinned() {
        drivers::DriverTiming t = mtest::fastTiming();
        t.wallClockHook = [] { return drivers::LocalTime{2023, 1, 25, 14, 3, 7, 45}; };
        return t;
    }
    void make(const std::string& folder) {
        driver_.reset(new KWZUSB(nullptr, msg_.errorSink(), folder, 3));
    }
    void connect() {
        make((dir_ / "logs").string());
        ASSERT_TRUE(driver_->connect()) << msg_.dump();
        sim_.clearJournal();
    }
    // Ends the driver and returns its high-level log.
    std::string finish() {
        driver_.reset();
        return readFile(dir_ / "logs" / "2023.01.25 KWZUSB_HighLevel_Log.txt");
    }
    std::vector<JournalEntry> writesTo(std::uint32_t reg) const {
        std::vector<JournalEntry> v;
        for (auto& e : sim_.writes())
            if (e.reg == reg) v.push_back(e);
        return v;
    }
    int readsOf(std::uint32_t reg) const {
        int n = 0;
        for (auto& e : sim_.journal())
            if (e.reg == reg && !e.write) ++n;
        return n;
    }
    static bool has(const std::string& log, const std::string& text) { return log.find(text) != std::string::npos; }

    mtest::HangGuard guard_{60};
    drivers::ScopedDriverTiming timing_;
    SimMeasuringController sim_;
    sim::ScopedUsb01 usb_;
    mtest::Messages msg_;
    testwd::ScratchDir scratch_{"ks_kwzusb"};
    const fs::path dir_ = scratch_.path();
    std::unique_ptr<KWZUSB> driver_;
};

TEST_F(KWZUSBOps, ConnectFirmwareAndLogFormat) {
    connect();
    FirmwareVersionDate f;
    sim_.setFirmware(sim::firmwareVersionWord(6, 4, 321), sim::firmwareDateWord(2023, 11, 30, 23, 59));
    ASSERT_TRUE(driver_->getFirmwareVersionDate(&f));
    EXPECT_EQ(6, f.major);
    EXPECT_EQ(4, f.minor);
    EXPECT_EQ(321, f.build);
    EXPECT_EQ(2023, f.year);
    EXPECT_EQ(11, f.month);
    EXPECT_EQ(30, f.day);
    EXPECT_EQ(23, f.hour);
    EXPECT_EQ(59, f.minute);
    sim_.clearJournal();
    EXPECT_TRUE(driver_->getFirmwareVersionDate(nullptr));  // reads both, fills nothing
    EXPECT_EQ(1, readsOf(100));
    EXPECT_EQ(1, readsOf(101));
    EXPECT_TRUE(driver_->disconnect());
    const std::string log = finish();
    EXPECT_TRUE(has(log, "2023.01.25 14:03:07.045 Logger Start\n"));
    EXPECT_TRUE(has(log, "2023.01.25 14:03:07.045 [Information] [KWZUSB] connect(), begin\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getFirmwareVersionDate(), version - 6.4.321\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getFirmwareVersionDate(), date - 2023.11.30 23:59\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getFirmwareVersionDate(), end, return Ok\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] ~KWZUSB(), Application stop\n"));
    const std::string low = readFile(dir_ / "logs" / "2023.01.25 KWZUSB_LowLevel_Log.txt");
    EXPECT_TRUE(has(low, "[Information] [KWZUSBLayerT2] threadProc(), _fwVersion get\n"));
    EXPECT_TRUE(has(low, "[KWZUSBLayerT2] ~KWZUSBLayerT2(), Application stop\n"));
}

TEST_F(KWZUSBOps, InverterCommandsWhenNotReadyOrBusy) {
    connect();
    sim_.setInvertorReadyBits(3);
    EXPECT_TRUE(driver_->setInvertorFrequency(49.99));
    const auto j = sim_.journal();
    ASSERT_EQ(3u, j.size());
    EXPECT_EQ((JournalEntry{102, false, 3, 0}), j[0]);
    EXPECT_EQ((JournalEntry{103, true, 499, 0}), j[1]);
    EXPECT_EQ((JournalEntry{103, false, 499, 0}), j[2]);  // read back

    // ADC in progress is only logged.
    driver_->setADCMode(ADC_Mode::test, false);
    ASSERT_TRUE(driver_->setADCStartConversionTestMode(100));
    EXPECT_TRUE(driver_->adcInProgress());
    EXPECT_TRUE(driver_->setInvertorRelay(2));
    EXPECT_TRUE(msg_.hasError("setInvertorRelay(), ADC in progress"));
    EXPECT_EQ(1u, writesTo(107).size());
    EXPECT_TRUE(driver_->setInvertorRampType(1));
    EXPECT_TRUE(driver_->setInvertorAcceleration(2.5));
    EXPECT_TRUE(driver_->setInvertorDeceleration(3.25));
    EXPECT_EQ(32u, sim_.reg(106));
    std::uint32_t input = 0;
    sim_.setRegister(108, 0x1F);
    EXPECT_TRUE(driver_->getInvertorInput(input));
    EXPECT_EQ(0x1Fu, input);

    // Values the register cannot hold are refused before any exchange.
    sim_.clearJournal();
    EXPECT_FALSE(driver_->setInvertorFrequency(std::nan("")));
    EXPECT_FALSE(driver_->setInvertorAcceleration(1e300));
    EXPECT_FALSE(driver_->setInvertorDeceleration(-std::numeric_limits<double>::infinity()));
    EXPECT_TRUE(msg_.hasError("setInvertorFrequency(), parameter 'frequency' invalid!"));
    EXPECT_TRUE(msg_.hasError("setInvertorAcceleration(), parameter 'acceleration' invalid!"));
    EXPECT_TRUE(sim_.journal().empty());
    EXPECT_TRUE(driver_->isConnected());

    const std::string log = finish();
    EXPECT_TRUE(has(log, "[KWZUSB] setInvertorFrequency(), Invertor don't ready!\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setInvertorFrequency(), State - 00000003\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setInvertorFrequency(), Frequency =     49.990\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setInvertorRelay(), Relay - 00000002\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setInvertorDeceleration(), Deceleration -      3.250\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getInvertorInput(), Input - 0000001f\n"));
}

TEST_F(KWZUSBOps, InverterStateReadFailureClearsConnected) {
    connect();
    sim_.injectReadTimeout();
    EXPECT_FALSE(driver_->setInvertorRampType(2));
    EXPECT_TRUE(msg_.hasError("setInvertorRampType(), getInvertorState() return error!"));
    EXPECT_TRUE(writesTo(104).empty());
    EXPECT_FALSE(driver_->isConnected());
    std::uint32_t state = 0;
    EXPECT_FALSE(driver_->getInvertorState(state));
    EXPECT_TRUE(msg_.hasError("getInvertorState(), USB device not connected!"));
    // Worker and link lines reach the error callback with their own source.
    const auto errors = msg_.errors();
    EXPECT_NE(errors.end(), std::find(errors.begin(), errors.end(),
                                      "KWZUSBLayerT2: threadProc(), USB data transfer error!"));
    EXPECT_NE(errors.end(), std::find(errors.begin(), errors.end(),
                                      "KWZUSBHardT2: ReadRegister(), USB data transfer error!"));
    EXPECT_TRUE(driver_->connect());
    EXPECT_TRUE(driver_->getInvertorState(state));
}

TEST_F(KWZUSBOps, MotorParametersByInverterType) {
    connect();
    EXPECT_TRUE(driver_->setInvertorMotorParameters(2.2f, 380.0f, 5.0f, 50.0f, 4, 2900, 1, 5));
    const std::vector<JournalEntry> expected = {
        {136, true, 220, 0},             {136, true, 3800 | 1u << 16, 0}, {136, true, 50 | 2u << 16, 0},
        {136, true, 5000 | 3u << 16, 0}, {136, true, 4 | 4u << 16, 0},    {136, true, 2900 | 5u << 16, 0},
        {136, true, 1 | 6u << 16, 0},    {136, true, 0x70000, 0},
    };
    EXPECT_EQ(expected, writesTo(136)) << sim_.journalText();

    struct Case {
        std::uint32_t type;
        std::uint32_t p, v, c, f;
    } cases[] = {{0, 75, 230, 13, 500}, {4, 75, 230, 125, 500}, {6, 8, 230, 125, 5000}};
    for (const Case& c : cases) {
        sim_.clearJournal();
        ASSERT_TRUE(driver_->setInvertorMotorParameters(0.75f, 230.0f, 1.25f, 50.0f, 2, 1450, 0, c.type));
        const auto w = writesTo(136);
        ASSERT_EQ(8u, w.size());
        EXPECT_EQ(c.p, w[0].value & 0xFFFF) << c.type;
        EXPECT_EQ(c.v, w[1].value & 0xFFFF) << c.type;
        EXPECT_EQ(c.c, w[2].value & 0xFFFF) << c.type;  // 12.5 rounds half away from zero
        EXPECT_EQ(c.f, w[3].value & 0xFFFF) << c.type;
    }

    sim_.clearJournal();
    EXPECT_FALSE(driver_->setInvertorMotorParameters(2.2f, 380.0f, 5.0f, 50.0f, 4, 2900, 1, 1));
    EXPECT_TRUE(msg_.hasError("setInvertorMotorParameters(), this function unsupported in current invertor!"));
    EXPECT_TRUE(msg_.hasError("setInvertorMotorParameters(), invertor type - 1"));
    EXPECT_FALSE(driver_->setInvertorMotorParameters(700.0f, 380.0f, 5.0f, 50.0f, 4, 2900, 1, 0));
    EXPECT_TRUE(msg_.hasError("setInvertorMotorParameters(), parameter 'power' invalid!"));
    EXPECT_FALSE(driver_->setInvertorMotorParameters(2.2f, 380.0f, std::nanf(""), 50.0f, 4, 2900, 1, 0));
    EXPECT_TRUE(msg_.hasError("setInvertorMotorParameters(), parameter 'current' invalid!"));
    EXPECT_FALSE(driver_->setInvertorMotorParameters(2.2f, -1.0f, 5.0f, 50.0f, 4, 2900, 1, 0));
    EXPECT_FALSE(driver_->setInvertorMotorParameters(2.2f, 380.0f, 5.0f, 50.0f, 4, 70000, 1, 0));
    EXPECT_TRUE(msg_.hasError("setInvertorMotorParameters(), parameter 'speed' invalid!"));
    EXPECT_TRUE(sim_.journal().empty());
}

TEST_F(KWZUSBOps, MotorParameterCommitPollingAndItsBound) {
    connect();
    sim_.setMotorParametersBusyReads(3);
    EXPECT_TRUE(driver_->setInvertorMotorParameters(2.2f, 380.0f, 5.0f, 50.0f, 4, 2900, 1, 0));
    EXPECT_EQ(4, readsOf(136));

    drivers::DriverTiming t = drivers::driverTiming();
    t.maxDevicePolls = 5;
    drivers::ScopedDriverTiming bounded(t);
    sim_.setMotorParametersBusyReads(1000);
    sim_.clearJournal();
    EXPECT_FALSE(driver_->setInvertorMotorParameters(2.2f, 380.0f, 5.0f, 50.0f, 4, 2900, 1, 0));
    EXPECT_TRUE(msg_.hasError("setInvertorMotorParameters(), timeout error!"));
    EXPECT_EQ(5, readsOf(136));
    EXPECT_TRUE(driver_->isConnected());
}

TEST_F(KWZUSBOps, SpeedThresholdsSetOnceAndClearBelow1000) {
    connect();
    ASSERT_TRUE(driver_->setMarkerEncoderMarkerType(0, 1));  // marker 1 optical
    EXPECT_EQ(1u, KWZUSB::markerType(0));
    sim_.setStatusBits(0x8001);
    sim_.clearJournal();
    double rpm = 0;
    sim_.setMarkerSpeed(0, true, 3000.5f);
    ASSERT_TRUE(driver_->getMarkerOpticalSpeed(0, rpm));
    EXPECT_DOUBLE_EQ(3000.5, rpm);
    EXPECT_EQ((std::vector<JournalEntry>{{134, true, 0x0009, 0}}), writesTo(134));  // masked with 0x7FFF
    EXPECT_TRUE(driver_->thresholdFlag(0, 0));
    ASSERT_TRUE(driver_->getMarkerOpticalSpeed(0, rpm));  // still above: no second write
    sim_.setMarkerSpeed(0, true, 1000.0f);
    ASSERT_TRUE(driver_->getMarkerOpticalSpeed(0, rpm));  // between: nothing
    EXPECT_EQ(1u, writesTo(134).size());
    sim_.setMarkerSpeed(0, true, 999.0f);
    ASSERT_TRUE(driver_->getMarkerOpticalSpeed(0, rpm));
    ASSERT_EQ(2u, writesTo(134).size());
    EXPECT_EQ(0x0001u, writesTo(134)[1].value);
    EXPECT_FALSE(driver_->thresholdFlag(0, 0));

    // The encoder variant does nothing for a marker remembered as optical.
    sim_.clearJournal();
    sim_.setMarkerSpeed(0, false, 5000.0f);
    ASSERT_TRUE(driver_->getMarkerEncoderSpeed(0, rpm));
    EXPECT_EQ(0, readsOf(134));
    // Marker 2 (type 0, encoder) uses bit 4.
    sim_.setMarkerSpeed(1, false, 4000.0f);
    ASSERT_TRUE(driver_->getMarkerEncoderSpeed(1, rpm));
    EXPECT_EQ((std::vector<JournalEntry>{{134, true, 0x0011, 0}}), writesTo(134));
    EXPECT_TRUE(driver_->thresholdFlag(1, 1));
}

TEST_F(KWZUSBOps, FailedSetControlStillReturnsTheSpeed) {
    connect();
    ASSERT_TRUE(driver_->setMarkerEncoderMarkerType(1, 1));
    sim_.setMarkerSpeed(1, true, 3500.0f);
    sim_.unplugFromCall(5);  // speed read (2 calls), status read (2), the control write
    double rpm = 0;
    EXPECT_TRUE(driver_->getMarkerOpticalSpeed(1, rpm));
    EXPECT_DOUBLE_EQ(3500.0, rpm);
    EXPECT_TRUE(msg_.hasError("getMarkerOpticalSpeed(), setControl() return error!"));
    EXPECT_FALSE(driver_->isConnected());
}

TEST_F(KWZUSBOps, InverterManagerPolling) {
    connect();
    sim_.setManagerBusyReads(2, 0);
    EXPECT_TRUE(driver_->setInvertorManagerAddInvertor(1, 5, 32));
    EXPECT_EQ((std::vector<JournalEntry>{{111, true, 0x010520, 0}}), writesTo(111));
    EXPECT_EQ(3, readsOf(111));

    sim_.setManagerBusyReads(1, -2);
    EXPECT_FALSE(driver_->setInvertorManagerDeleteInvertor(3));
    EXPECT_EQ(0x30000u, writesTo(112).at(0).value);

    drivers::DriverTiming t = drivers::driverTiming();
    t.maxDevicePolls = 3;
    drivers::ScopedDriverTiming bounded(t);
    sim_.setManagerBusyReads(100, 0);
    EXPECT_FALSE(driver_->setInvertorManagerAddInvertor(0, 1, 1));
    EXPECT_TRUE(msg_.hasError("setInvertorManagerAddInvertor(), timeout error!"));

    sim_.clearJournal();
    EXPECT_FALSE(driver_->setInvertorManagerAddInvertor(256, 1, 1));
    EXPECT_TRUE(msg_.hasError("setInvertorManagerAddInvertor(), parameter 'index' invalid!"));
    EXPECT_FALSE(driver_->setInvertorManagerAddInvertor(1, 1, 300));
    EXPECT_TRUE(msg_.hasError("setInvertorManagerAddInvertor(), parameter 'address' invalid!"));
    EXPECT_TRUE(sim_.journal().empty());

    // Status read failure.
    sim_.setManagerBusyReads(0, 0);
    sim_.unplugFromCall(2);  // the write goes out, the status read request fails... on its reply
    EXPECT_FALSE(driver_->setInvertorManagerDeleteInvertor(1));

    const std::string log = finish();
    EXPECT_TRUE(has(log, "[KWZUSB] setInvertorManagerAddInvertor(), index - 1, type - 5, addr - 32\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setInvertorManagerAddInvertor(), Status = 0\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setInvertorManagerDeleteInvertor(), "
                         "getInvertorManagerDeleteInvertorStatus() return status error!\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setInvertorManagerDeleteInvertor(), Status = -2\n"));
    EXPECT_TRUE(has(log, "[Error]       [KWZUSB] setInvertorManagerDeleteInvertor(), "
                         "getInvertorManagerDeleteInvertorStatus() return error!\n"));
}

TEST_F(KWZUSBOps, CurrentInverterAndCount) {
    connect();
    sim_.setRegister(113, 0x0603);
    sim_.setRegister(110, 2);
    std::uint32_t type = 0, address = 0, count = 0;
    EXPECT_TRUE(driver_->setInvertorManagerCurrentInvertor(2, type, address));
    EXPECT_EQ(6u, type);
    EXPECT_EQ(3u, address);
    EXPECT_EQ((std::vector<JournalEntry>{{113, false, 0x0603, 2u << 16}}), sim_.journal());
    EXPECT_TRUE(driver_->getInvertorManagerCountInvertors(count));
    EXPECT_EQ(2u, count);
    const std::string log = finish();
    EXPECT_TRUE(has(log, "[KWZUSB] setInvertorManagerCurrentInvertor(), index - 2, type - 6, addr - 3\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getInvertorManagerCountInvertors(), count Invertors - 2\n"));
}

TEST_F(KWZUSBOps, EncoderTraining) {
    connect();
    sim_.setTraining(4, 3, 8192);
    EXPECT_TRUE(driver_->setMarkerEncoderTrainStart(1));
    EXPECT_EQ((std::vector<JournalEntry>{{129, true, 0, 0}}), writesTo(129));
    EXPECT_EQ(5, readsOf(129));  // 1, 2, 1, 2, then the final state
    EXPECT_EQ(1, readsOf(127));
    std::uint32_t turn = 0;
    EXPECT_TRUE(driver_->getMarkerEncoderFullTurn(1, turn));
    EXPECT_EQ(8192u, turn);

    sim_.setTraining(2, 0, 0);
    EXPECT_FALSE(driver_->setMarkerEncoderTrainStart(0));
    EXPECT_TRUE(msg_.hasError("setMarkerEncoderTrainStart(), getMarker1EncoderTrainState() or "
                              "getMarker2EncoderTrainState() return status error!"));
    std::uint32_t state = 9;
    EXPECT_TRUE(driver_->getMarkerEncoderTrainState(0, state));
    EXPECT_EQ(0u, state);

    drivers::DriverTiming t = drivers::driverTiming();
    t.maxDevicePolls = 4;
    drivers::ScopedDriverTiming bounded(t);
    sim_.setTraining(1000, 3, 1);
    EXPECT_FALSE(driver_->setMarkerEncoderTrainStart(0));
    EXPECT_TRUE(msg_.hasError("setMarkerEncoderTrainStart(), timeout error!"));
    const std::string log = finish();
    EXPECT_TRUE(has(log, "[KWZUSB] setMarkerEncoderTrainStart(), encoderFullTurn - 8192\n"));
}

TEST_F(KWZUSBOps, Gates) {
    make((dir_ / "logs").string());
    std::uint32_t u = 0;
    EXPECT_FALSE(driver_->getInvertorState(u));
    EXPECT_TRUE(msg_.hasError("getInvertorState(), USB device not connected!"));
    EXPECT_FALSE(driver_->getFirmwareVersionDate(nullptr));
    EXPECT_TRUE(msg_.hasError("getFirmwareVersionDate(), USB device not connected!"));
    ASSERT_TRUE(driver_->connect());

    double rpm = 0;
    EXPECT_FALSE(driver_->getMarkerOpticalSpeed(2, rpm));
    EXPECT_TRUE(msg_.hasError("getMarkerOpticalSpeed(), parameter 'index' invalid!"));
    EXPECT_FALSE(driver_->setMarkerEncoderMarkerType(2, 1));
    EXPECT_FALSE(driver_->setMarkerEncoderTrainStart(7));
    EXPECT_FALSE(driver_->getMarkerEncoderAngleDeg(2, rpm));

    driver_->setADCMode(ADC_Mode::balancing, true);
    EXPECT_FALSE(driver_->setADCSampleRateTestMode(1000));
    EXPECT_TRUE(msg_.hasError("setADCSampleRateTestMode(), _ADCMode != ADC_Mode::test"));
    EXPECT_FALSE(driver_->setADCStartConversionTestMode(100));
    EXPECT_FALSE(driver_->adcInProgress());
    EXPECT_FALSE(driver_->setADCChannelGainTestMode(1, 1, 1, 1, 1));
    driver_->setADCMode(ADC_Mode::test, false);
    EXPECT_FALSE(driver_->setADCChannelGainTestMode(1, 1, 4, 1, 1));
    EXPECT_TRUE(msg_.hasError("setADCChannelGainTestMode(), parameter 'channel3' invalid!"));
    EXPECT_TRUE(driver_->setADCChannelGainTestMode(0, 1, 2, 3, 0));
    std::uint8_t c[5];
    EXPECT_TRUE(driver_->getADCChannelGain(c[0], c[1], c[2], c[3], c[4]));
    EXPECT_EQ(3, c[3]);

    double angle = 0;
    sim_.setMarkerAngleTurns(1, 0.5f);
    EXPECT_TRUE(driver_->getMarkerEncoderAngleDeg(1, angle));
    EXPECT_NEAR(180.0, angle, 1e-9);

    const std::string log = finish();
    EXPECT_TRUE(has(log, "[KWZUSB] setADCMode(), _ADCMode = balancing\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setADCMode(), _instFilter = true\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setADCChannelGainTestMode(), new gain in code\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setADCChannelGainTestMode(), channel1 - 1x, channel2 - 10x, channel3 - 100x, "
                         "channel4 - 1000x, channel5 - 1x\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCChannelGain(), channel1 - 0, channel2 - 1, channel3 - 2, channel4 - 3, "
                         "channel5 - 0\n"));
}

TEST_F(KWZUSBOps, TestModeConversionAndTheRateGuard) {
    connect();
    driver_->setADCMode(ADC_Mode::test, false);
    ASSERT_TRUE(driver_->setADCSampleRateTestMode(1800));
    sim_.clearJournal();
    ASSERT_TRUE(driver_->setADCStartConversionTestMode(360));
    EXPECT_EQ((JournalEntry{133, true, 0x01000000 | 360, 0}), writesTo(133).at(0));

    sim_.setRegister(131, 0);
    EXPECT_FALSE(driver_->setADCStartConversionTestMode(360));
    EXPECT_TRUE(msg_.hasError("setADCStartConversionTestMode(), parameter 'rate' invalid!"));
    EXPECT_FALSE(driver_->adcInProgress());
    const std::string log = finish();
    EXPECT_TRUE(has(log, "[KWZUSB] setADCStartConversionTestMode(), packetCount - 360, ADC_TriggerSource - "
                         "woMarker, start - true, getADCDataTimeoutMs -   1000.000\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setADCSampleRateTestMode(), 1800\n"));
}

TEST_F(KWZUSBOps, WelderStatusAndControl) {
    connect();
    sim_.setWelderStatus(0x4281);  // progress 0x42, active, flag
    std::uint32_t v = 0;
    EXPECT_TRUE(driver_->getWelderStatusFlag(v));
    EXPECT_EQ(1u, v);
    EXPECT_TRUE(driver_->isWelderActive(v));
    EXPECT_EQ(1u, v);
    EXPECT_TRUE(driver_->getWeldingProgress(v));
    EXPECT_EQ(0x42u, v);
    EXPECT_TRUE(driver_->restartWelder());
    EXPECT_EQ(1, sim_.welderControl());
    EXPECT_TRUE(driver_->setWelderBlock(true));
    EXPECT_EQ(0x8000, sim_.welderControl());
    EXPECT_TRUE(driver_->setWelderBlock(false));
    EXPECT_EQ(0, sim_.welderControl());
    EXPECT_TRUE(driver_->setControl(0x8000));
    EXPECT_EQ(0x8000, sim_.controlWord());
}

TEST_F(KWZUSBOps, MissingLogFolderIsCreated) {
    make((dir_ / "new" / "logs").string());
    EXPECT_TRUE(driver_->lowLevelLogOpen());
    EXPECT_TRUE(driver_->highLevelLogOpen());
    EXPECT_TRUE(fs::exists(dir_ / "new" / "logs" / "2023.01.25 KWZUSB_HighLevel_Log.txt"));
    EXPECT_TRUE(msg_.errors().empty());
}

TEST_F(KWZUSBOps, UnopenableLogsLeaveTheDriverWorking) {
    fs::create_directories(dir_);
    { std::ofstream(dir_ / "logs") << "a file where the folder should be"; }
    make((dir_ / "logs").string());
    EXPECT_FALSE(driver_->lowLevelLogOpen());
    EXPECT_FALSE(driver_->highLevelLogOpen());
    EXPECT_TRUE(msg_.hasError("KWZUSB(), Logger invalid path!"));
    EXPECT_TRUE(msg_.hasError("KWZUSB(), Logger2 invalid path!"));
    const auto errors = msg_.errors();
    EXPECT_NE(errors.end(), std::find(errors.begin(), errors.end(),
                                      "Logger: " + (dir_ / "logs").string() + "/2023.01.25 KWZUSB_LowLevel_Log.txt"));
    ASSERT_TRUE(driver_->connect());
    std::uint32_t state = 0;
    EXPECT_TRUE(driver_->getInvertorState(state));
    EXPECT_EQ(7u, state);
}

}  // namespace

namespace {

TEST_F(KWZUSBOps, EmptyFolderMeansTheWorkingDirectory) {
    fs::create_directories(dir_ / "cwd");
    std::error_code ec;
    const fs::path previous = fs::current_path(ec);
    fs::current_path(dir_ / "cwd");
    make("");
    EXPECT_TRUE(driver_->highLevelLogOpen());
    EXPECT_EQ("2023.01.25 KWZUSB_HighLevel_Log.txt", driver_->highLevelLogPath());
    driver_.reset();
    fs::current_path(previous);
    EXPECT_TRUE(fs::exists(dir_ / "cwd" / "2023.01.25 KWZUSB_LowLevel_Log.txt"));
    EXPECT_NE(std::string::npos,
              readFile(dir_ / "cwd" / "2023.01.25 KWZUSB_HighLevel_Log.txt").find("[KWZUSB] ~KWZUSB(), Application stop"));
}

}  // namespace
