// IApi over the real measuring-controller driver and the simulated controller
// behind the USB seam: connection and banner, the inverter manager, the
// frequency, and a balancing measurement whose five results are the ones the
// block generator was given.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "drivers/measuring/kwz_usb.h"
#include "drivers/measuring/kwz_usb_hard.h"
#include "drivers/measuring/measuring_test_env.h"
#include "machine/iapi.h"
#include "support/acquisition_block.h"
#include "support/machine_iapi_fake.h"
#include "support/machine_synth_rotor.h"
#include "support/machine_virtual_clock.h"
#include "support/sim_measuring.h"

namespace {

namespace fs = std::filesystem;
using sim::JournalEntry;

double angleDiff(double a, double b) {
    double d = std::fmod(a - b, 360.0);
    if (d > 180) d -= 360;
    if (d < -180) d += 360;
    return d;
}

class IApiSim : public ::testing::Test {
protected:
    IApiSim() : timing_(mtest::fastTiming()), usb_(sim_) {
        dir_ = fs::temp_directory_path() / ("ks_iapi_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        TamskKWZv2::KWZUSB::resetMarkerTypes();
        resetCreateIApiThrottle();
        sim_.setDataReady(sim::DataReady::immediately);
        // The inverter manager: the current inverter answers the type and
        // address of the last add at its index.
        sim_.setReadHook([this](std::uint32_t reg, std::uint32_t argument) -> std::optional<std::uint32_t> {
            if (reg != TamskKWZv2::REG_INVERTOR_MANAGER_CURRENT) return std::nullopt;
            const std::uint32_t index = argument >> 16;
            std::uint32_t answer = 0;
            for (const JournalEntry& e : sim_.writes()) {
                if (e.reg == TamskKWZv2::REG_INVERTOR_MANAGER_ADD && (e.value >> 16) == index)
                    answer = e.value & 0xFFFF;
                if (e.reg == TamskKWZv2::REG_INVERTOR_MANAGER_DELETE && (e.value >> 16) == index) answer = 0;
            }
            return answer;
        });
    }
    ~IApiSim() override {
        api_.reset();
        source_.reset();
        resetCreateIApiThrottle();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    IApiEnvironment environment() {
        IApiEnvironment env;
        env.makeDriver = [this](std::function<void()> poll,
                                std::function<void(const char*, const char*)> error,
                                const std::string& folder) {
            passedFolder_ = folder;
            // The driver's dated logs go to a folder of the test's own.
            return makeKwzIApiDriver(std::move(poll), std::move(error), (dir_ / "logs").string());
        };
        env.makeLogger = book_.factory();
        return env;
    }
    void open() {
        api_.reset(createIApi(clock_, environment()));
        ASSERT_NE(api_, nullptr) << ::testing::PrintToString(book_.lines());
    }
    std::vector<JournalEntry> writesTo(std::uint32_t reg) const {
        std::vector<JournalEntry> v;
        for (auto& e : sim_.writes())
            if (e.reg == reg) v.push_back(e);
        return v;
    }

    mtest::HangGuard guard_{60};
    drivers::ScopedDriverTiming timing_;
    sim::SimMeasuringController sim_;
    sim::ScopedUsb01 usb_;
    VirtualClock clock_;
    iapitest::LogBook book_;
    fs::path dir_;
    std::string passedFolder_ = "unset";
    std::unique_ptr<simacq::SimBlockSource> source_;
    std::unique_ptr<IApi> api_;
};

TEST_F(IApiSim, ConnectsAndBuildsTheBanner) {
    sim_.setFirmware(sim::firmwareVersionWord(6, 3, 120), sim::firmwareDateWord(2025, 4, 9, 10, 20));
    open();
    EXPECT_STREQ(api_->getVersionString(), "KWZ 6.3.120 09.04.2025");
    EXPECT_TRUE(book_.has("api", "Firmware version: KWZ 6.3.120 09.04.2025"));
    ASSERT_NE(api_->getDriver(), nullptr);
    EXPECT_TRUE(api_->getDriver()->isConnected());
    std::error_code ec;
    EXPECT_EQ(passedFolder_, fs::is_directory("./logs", ec) ? "./logs" : "");
    EXPECT_EQ(sim_.openCount(), 1);
    api_.reset();
    EXPECT_EQ(sim_.closeCount(), 1);
    EXPECT_TRUE(book_.has("api_i", "Disconnected!"));
}

TEST_F(IApiSim, NoControllerNoDevice) {
    sim_.clearBus();
    EXPECT_EQ(createIApi(clock_, environment()), nullptr);
    EXPECT_TRUE(book_.has("api", "Connection error! Exiting..."));
    // The driver's errors reach the error sink in the "api" log.
    bool sunk = false;
    for (const auto& l : book_.linesOf("api")) sunk = sunk || l.rfind("KWZAPI error: ", 0) == 0;
    EXPECT_TRUE(sunk) << ::testing::PrintToString(book_.lines());
}

TEST_F(IApiSim, InvertersFrequencyAndRelayReachTheController) {
    open();
    sim_.clearJournal();
    EXPECT_TRUE(api_->setInverters({{11, 4}, {12, 5}}));
    const auto deletes = writesTo(TamskKWZv2::REG_INVERTOR_MANAGER_DELETE);
    ASSERT_EQ(deletes.size(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(deletes[i].value, static_cast<std::uint32_t>(3 - i) << 16);
    const auto adds = writesTo(TamskKWZv2::REG_INVERTOR_MANAGER_ADD);
    ASSERT_EQ(adds.size(), 2u);
    EXPECT_EQ(adds[0].value, (0u << 16) | (4u << 8) | 11u);
    EXPECT_EQ(adds[1].value, (1u << 16) | (5u << 8) | 12u);

    EXPECT_EQ(api_->setCurrentInverter(1, 2), 12);
    EXPECT_EQ(api_->currentInverterType(), 5);
    EXPECT_TRUE(api_->isConnected());

    EXPECT_TRUE(api_->setSpeed(2550));
    EXPECT_EQ(sim_.reg(TamskKWZv2::REG_INVERTOR_FREQUENCY), 255u);  // tenths of a hertz
    EXPECT_TRUE(api_->isRpmReached());
    EXPECT_FALSE(api_->hasInverterError());
    EXPECT_TRUE(api_->setSpeed(0));
    EXPECT_EQ(sim_.reg(TamskKWZv2::REG_INVERTOR_FREQUENCY), 0u);

    api_->setBrake(true);
    EXPECT_EQ(sim_.reg(TamskKWZv2::REG_INVERTOR_RELAY), 1u);
    api_->setRelay(false, 1);
    EXPECT_EQ(sim_.reg(TamskKWZv2::REG_INVERTOR_RELAY), 0u);

    // An inverter that is not ready is seen by the check.
    api_->setSpeed(1000);
    sim_.setInvertorReadyBits(3);
    EXPECT_TRUE(api_->hasInverterError());
    EXPECT_EQ(api_->getErrorInfo(nullptr), 9998);
}

TEST_F(IApiSim, BalancingMeasurementGivesTheGeneratorsResults) {
    SynthRotor rotor(2, 5);
    const double k[2][5][2] = {{{40, 10}, {25, 80}, {60, 200}, {18, 300}, {90, 45}},
                               {{30, 150}, {70, 20}, {20, 95}, {35, 190}, {15, 260}}};
    for (int p = 0; p < 2; ++p)
        for (int c = 0; c < 5; ++c) rotor.setInfluencePolar(p, c, k[p][c][0], k[p][c][1]);
    rotor.setUnbalancePolar(0, 120, 35);
    rotor.setUnbalancePolar(1, 80, 210);

    simacq::BlockSetup blockSetup;
    blockSetup.speedRpm = 600;
    for (int c = 0; c < 5; ++c) {
        blockSetup.channels[c] = {rotor.amplitude(c), rotor.angleDegrees(c), 5.0 * c};
        ASSERT_GT(rotor.amplitude(c), 1500.0) << c;  // within the controller's gain window
        ASSERT_LT(rotor.amplitude(c), 29000.0) << c;
    }
    blockSetup.noise = 1.0;
    source_.reset(new simacq::SimBlockSource(sim_, blockSetup));
    sim_.setMarkerSpeed(0, true, 600.0f);

    open();
    EXPECT_TRUE(api_->setInverters({{11, 4}}));
    EXPECT_EQ(api_->setCurrentInverter(0, 1), 11);
    ASSERT_TRUE(api_->setSpeed(2000));

    int table[4] = {1, 2, 3, 0};
    ReadRequest request;
    request.rate = 15000;
    request.blocks = 1000;
    request.nChannels = 4;
    request.extra = 3;
    request.channelTable = table;
    ASSERT_TRUE(api_->startReading(&request)) << ::testing::PrintToString(book_.lines());
    EXPECT_EQ(api_->getTurnScale(), 200);  // 2 x the 100 ms per revolution at 600 rpm
    EXPECT_EQ(sim_.conversionsStarted(), 1);

    for (int round = 0; round < 2; ++round) {
        TurnResults results;
        ASSERT_TRUE(api_->getData(&results)) << ::testing::PrintToString(book_.lines());
        ASSERT_EQ(results.size(), 5u);
        for (int c = 0; c < 5; ++c) {
            ASSERT_EQ(results[c].valid, 1) << "channel " << c;
            const double expected = rotor.amplitude(c) * 1000.0;  // counts at gain code 0, in the fit's units
            EXPECT_NEAR(results[c].amplitude, expected, expected * 2e-3) << "channel " << c;
            EXPECT_NEAR(angleDiff(results[c].phase, rotor.angleDegrees(c)), 0.0, 0.3) << "channel " << c;
            EXPECT_EQ(api_->getChannelGain(c), 0) << c;
        }
        EXPECT_GE(api_->lastTurnCount(), 20u);
        EXPECT_EQ(sim_.conversionsStarted(), 2 + round);  // every fetch restarts the conversion
    }
    // Each fetch took a block of its own; the conversion restarted by the last
    // fetch may already have been read by the driver's worker as well.
    EXPECT_GE(source_->blocksServed(), 2);
    EXPECT_LE(source_->blocksServed(), 3);
}

TEST_F(IApiSim, TestModeSamplesAndRefusedBalancingStart) {
    simacq::BlockSetup blockSetup;
    blockSetup.channels[1] = {3000, 90, 0};
    source_.reset(new simacq::SimBlockSource(sim_, blockSetup));
    sim_.setMarkerSpeed(0, true, 600.0f);
    open();
    api_->setCurrentInverter(0, 0);  // a drive without phasor
    int table[2] = {2, 0};
    ReadRequest request;
    request.rate = 1800;
    request.blocks = 205;
    request.nChannels = 2;
    request.channelTable = table;
    EXPECT_FALSE(api_->startReading(&request));  // trigger source 0 is refused by the driver
    EXPECT_TRUE(book_.has("api",
                          "KWZAPI error: KWZUSB setADCStartConversionBalancingMode(), parameter "
                          "'triggerSource' invalid!"))
        << ::testing::PrintToString(book_.linesOf("api"));

    request.testMode = 1;
    ASSERT_TRUE(api_->startReading(&request)) << ::testing::PrintToString(book_.lines());
    ASSERT_TRUE(api_->getData(nullptr)) << ::testing::PrintToString(book_.lines());
    EXPECT_EQ(api_->rawSampleCount(), 205u * 5u);
    int n = 0, peak = 0;
    while (api_->nextSample()) {
        ++n;
        peak = std::max(peak, api_->getSampleValue(0));
        EXPECT_EQ(api_->getSampleValue(1), 0);
    }
    EXPECT_EQ(n, 205 * 5);
    EXPECT_NEAR(peak, 3000, 2);
}

}  // namespace
