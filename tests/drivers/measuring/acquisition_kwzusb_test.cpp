// Balancing acquisition end to end: KWZUSB over the request-slot layer against
// the simulated controller, whose blocks come from the block generator.

#include "drivers/measuring/kwz_usb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "drivers/measuring/measuring_test_env.h"
#include "support/work_dir.h"
#include "support/acquisition_block.h"
#include "support/sim_measuring.h"

namespace {

namespace fs = std::filesystem;
using namespace TamskKWZv2;
using sim::JournalEntry;

double angleDiff(double a, double b) {
    double d = std::fmod(a - b, 360.0);
    if (d > 180) d -= 360;
    if (d < -180) d += 360;
    return d;
}

using testwd::readFile;

// Five channels of distinct amplitude (counts at 1x), phase and offset.
simacq::BlockSetup fiveChannels(double scale = 1.0) {
    simacq::BlockSetup blockSetup;
    blockSetup.speedRpm = 600;
    const double amps[5] = {2000, 5000, 12000, 1500, 25000};
    const double phases[5] = {0, 75, 181, 270, 333};
    for (unsigned c = 0; c < 5; ++c) blockSetup.channels[c] = {amps[c] * scale, phases[c], 10.0 * c - 20};
    blockSetup.noise = 2.0;
    blockSetup.seed = 77;
    return blockSetup;
}

class BalancingAcquisition : public ::testing::Test {
protected:
    BalancingAcquisition() : timing_(pinned()), usb_(sim_) {
        KWZUSB::resetMarkerTypes();
        sim_.setDataReady(sim::DataReady::immediately);
    }
    ~BalancingAcquisition() override {
        source_.reset();
        driver_.reset();
    }
    static drivers::DriverTiming pinned() {
        drivers::DriverTiming t = mtest::fastTiming();
        t.wallClockHook = [] { return drivers::LocalTime{2023, 1, 25, 14, 3, 7, 45}; };
        return t;
    }
    // Connects with register 132 preset to `gainRegister`.
    void connect(const simacq::BlockSetup& blockSetup, std::uint32_t gainRegister = 0) {
        sim_.setRegister(132, gainRegister);
        source_.reset(new simacq::SimBlockSource(sim_, blockSetup));
        driver_.reset(new KWZUSB(nullptr, msg_.errorSink(), (dir_ / "logs").string(), 3));
        ASSERT_TRUE(driver_->connect()) << msg_.dump();
        sim_.clearJournal();
    }
    bool read() {
        return driver_->getADCDataBalancingMode(traces_, marker_, marks_, results_, gains_);
    }
    bool startAndRead(double rpm = 600, std::uint32_t trigger = marker1Optical) {
        if (!driver_->setADCStartConversionBalancingMode(rpm, trigger, 0, &interval_)) return false;
        return read();
    }
    std::vector<JournalEntry> writesTo(std::uint32_t reg) const {
        std::vector<JournalEntry> v;
        for (auto& e : sim_.writes())
            if (e.reg == reg) v.push_back(e);
        return v;
    }
    std::string highLog() {
        driver_.reset();
        return readFile(dir_ / "logs" / "2023.01.25 KWZUSB_HighLevel_Log.txt");
    }
    static bool has(const std::string& log, const std::string& text) { return log.find(text) != std::string::npos; }
    static int occurrences(const std::string& log, const std::string& text) {
        int n = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
        return n;
    }
    void expectMatches(const simacq::BlockSetup& blockSetup, unsigned c) {
        const ChannelResult& r = results_[c];
        ASSERT_TRUE(r.valid) << "channel " << c + 1;
        EXPECT_NEAR(r.amplitude, blockSetup.channels[c].amplitude * 1000.0, blockSetup.channels[c].amplitude * 1000.0 * 2e-3)
            << "channel " << c + 1;
        EXPECT_NEAR(angleDiff(r.phase, blockSetup.channels[c].phaseDeg), 0.0, 0.2) << "channel " << c + 1;
    }

    mtest::HangGuard guard_{60};
    drivers::ScopedDriverTiming timing_;
    sim::SimMeasuringController sim_;
    sim::ScopedUsb01 usb_;
    mtest::Messages msg_;
    testwd::ScratchDir scratch_{"ks_acq"};
    const fs::path dir_ = scratch_.path();
    std::unique_ptr<simacq::SimBlockSource> source_;
    std::unique_ptr<KWZUSB> driver_;

    std::array<std::vector<double>, kAdcChannelCount> traces_;
    std::vector<double> marker_;
    std::vector<std::uint32_t> marks_;
    std::array<ChannelResult, kAdcChannelCount> results_;
    GainReport gains_;
    double interval_ = -1;
};

TEST_F(BalancingAcquisition, StartThenReadGivesTheFiveResults) {
    const simacq::BlockSetup blockSetup = fiveChannels();
    connect(blockSetup);
    driver_->setADCMode(ADC_Mode::balancing, false);
    ASSERT_TRUE(driver_->setADCStartConversionBalancingMode(600, marker1Optical, 0, &interval_)) << msg_.dump();
    EXPECT_TRUE(driver_->adcInProgress());
    EXPECT_DOUBLE_EQ(interval_, 100.0);
    ASSERT_EQ(writesTo(131).size(), 1u);
    EXPECT_EQ(writesTo(131)[0].value, 1800u);
    ASSERT_EQ(writesTo(133).size(), 1u);
    EXPECT_EQ(writesTo(133)[0].value, (1u << 24) | (1u << 16) | 720u);

    ASSERT_TRUE(read()) << msg_.dump();
    EXPECT_FALSE(driver_->adcInProgress());
    for (unsigned c = 0; c < 5; ++c) {
        EXPECT_EQ(traces_[c].size(), 3600u);
        expectMatches(blockSetup, c);
    }
    EXPECT_EQ(marker_.size(), 3600u);
    EXPECT_EQ(marks_.size(), 20u);
    EXPECT_EQ(marker_[0], 32767.0);
    EXPECT_EQ(gains_.channelGain, (std::array<std::uint8_t, 5>{0, 0, 0, 0, 0}));
    // All five gains were fine: the same codes are written back.
    ASSERT_EQ(writesTo(132).size(), 1u);
    EXPECT_EQ(writesTo(132)[0].value, 0u);

    const std::string log = highLog();
    EXPECT_TRUE(has(log, "[KWZUSB] setADCStartConversionBalancingMode(), sampleRate - 1800\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setADCStartConversionBalancingMode(), _instFilter = false\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setADCStartConversionBalancingMode(), packetCount - 720, triggerSource - 1, "
                         "start - true, getADCDataTimeoutMs -   2000.000\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setADCStartConversionBalancingMode(), countSignalPeriods - 20, "
                         "dataPeriodInterval -    100.000\n"));
    // Start and data-ready bits depend on whether the worker has fetched the block yet.
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataBalancingMode(), getADCConversionControl() -> packetCount - 720, "
                         "triggerSource - 1, start - "));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataBalancingMode(), packetCount - 720, data read - 3600\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] calcAGC(), amplitude in channel 5 - "));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataBalancingMode(), setADCChannelGain(), new gains set is OK\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataBalancingMode(), MNK result channel 3, valid - 1, amp - "));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataBalancingMode(), end, return Ok\n"));
}

TEST_F(BalancingAcquisition, TooLargeSignalLowersTheGainThenMeasuresTheSameAmplitude) {
    simacq::BlockSetup blockSetup = fiveChannels(0.02);  // 40 .. 500 counts at 1x
    blockSetup.channels[1].amplitude = 400;            // 40000 at 100x: clipped, too large
    blockSetup.channels[4].amplitude = 200;
    connect(blockSetup, 0x2AA);                         // all five at code 2 (100x)
    driver_->setADCMode(ADC_Mode::balancing, false);

    ASSERT_TRUE(startAndRead()) << msg_.dump();
    EXPECT_EQ(gains_.channelGain, (std::array<std::uint8_t, 5>{2, 2, 2, 2, 2}));
    EXPECT_FALSE(results_[1].valid);
    EXPECT_EQ(results_[1].amplitude, 0.0);
    EXPECT_EQ(sim_.reg(132), 0x2A6u);  // channel 2 lowered to code 1
    for (unsigned c : {0u, 2u, 3u, 4u}) expectMatches(blockSetup, c);

    ASSERT_TRUE(startAndRead()) << msg_.dump();
    EXPECT_EQ(gains_.channelGain, (std::array<std::uint8_t, 5>{2, 1, 2, 2, 2}));
    for (unsigned c = 0; c < 5; ++c) expectMatches(blockSetup, c);
    EXPECT_NEAR(results_[1].amplitude, 400000.0, 400.0);

    const std::string log = highLog();
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataBalancingMode(), gainValid2 is false!\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataBalancingMode(), new gain in code\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataBalancingMode(), channel1 - 2, channel2 - 1, channel3 - 2, "
                         "channel4 - 2, channel5 - 2\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataBalancingMode(), channel1 - 100x, channel2 - 10x, channel3 - 100x, "
                         "channel4 - 100x, channel5 - 100x\n"));
}

TEST_F(BalancingAcquisition, SmallSignalRaisesTheGain) {
    simacq::BlockSetup blockSetup = fiveChannels(0.1);
    blockSetup.channels[3].amplitude = 50;  // 50 counts at 1x: below 1000
    connect(blockSetup, 0);
    driver_->setADCMode(ADC_Mode::balancing, false);
    ASSERT_TRUE(startAndRead());
    EXPECT_FALSE(results_[3].valid);
    EXPECT_EQ((sim_.reg(132) >> 6) & 3, 1u);
    ASSERT_TRUE(startAndRead());
    EXPECT_FALSE(results_[3].valid);  // 500 at 10x: still small
    EXPECT_EQ((sim_.reg(132) >> 6) & 3, 2u);
    ASSERT_TRUE(startAndRead());
    expectMatches(blockSetup, 3);  // 5000 at 100x
    EXPECT_EQ((sim_.reg(132) >> 6) & 3, 2u);
}

TEST_F(BalancingAcquisition, FilterFormChangeInvalidatesAllFive) {
    simacq::BlockSetup blockSetup = fiveChannels(0.2);  // up to 5000 counts at 1x
    blockSetup.filterForm = true;
    connect(blockSetup, 0x005);  // filter 5, gain 10x: 50000 counts, clipped
    driver_->setADCMode(ADC_Mode::balancing, true);

    ASSERT_TRUE(driver_->setADCStartConversionBalancingMode(600, marker2Encoder, 0, nullptr)) << msg_.dump();
    // The start chose the band filter for 600 rpm and kept the filter gain.
    EXPECT_EQ(sim_.reg(132), 0x001u);
    ASSERT_TRUE(read());
    EXPECT_EQ(gains_.filterCode, 1);
    EXPECT_EQ(gains_.filterGain, 0);
    for (unsigned c = 0; c < 5; ++c) EXPECT_FALSE(results_[c].valid) << c;
    EXPECT_EQ(sim_.reg(132), 0x101u);  // now 1x

    ASSERT_TRUE(driver_->setADCStartConversionBalancingMode(600, marker2Encoder, 0, nullptr));
    EXPECT_EQ(sim_.reg(132), 0x101u);
    ASSERT_TRUE(read());
    EXPECT_EQ(gains_.filterGain, 1);
    EXPECT_EQ(gains_.channelGain, (std::array<std::uint8_t, 5>{0, 0, 0, 0, 0}));
    for (unsigned c = 0; c < 5; ++c) expectMatches(blockSetup, c);

    // 1x with the largest peak at or below 3000: back to 10x, all invalid again.
    blockSetup.channels[4].amplitude = 2900;
    for (unsigned c = 0; c < 4; ++c) blockSetup.channels[c].amplitude = 100;
    source_->setSetup(blockSetup);
    ASSERT_TRUE(driver_->setADCStartConversionBalancingMode(600, marker2Encoder, 0, nullptr));
    ASSERT_TRUE(read());
    for (unsigned c = 0; c < 5; ++c) EXPECT_FALSE(results_[c].valid) << c;
    EXPECT_EQ(sim_.reg(132), 0x001u);
    ASSERT_TRUE(driver_->setADCStartConversionBalancingMode(600, marker2Encoder, 0, nullptr));
    ASSERT_TRUE(read());
    for (unsigned c = 0; c < 5; ++c) expectMatches(blockSetup, c);

    const std::string log = highLog();
    EXPECT_TRUE(has(log, "[KWZUSB] setADCStartConversionBalancingMode(), _instFilter = true\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCFilterGain(), current filter code - 5, current gain code - 0\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCFilterGain(), current filter name - Filter3 (690-1200), current gain "
                         "factor - 10x\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setADCStartConversionBalancingMode(), new filter code - 1, new gain code - 0, "
                         "current speed -    600.000\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] setADCStartConversionBalancingMode(), new filter name - Filter2 (360-690), "
                         "new gain factor - 10x\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataBalancingMode(), calcAGC(), amplitude all -  32767.000\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataBalancingMode(), new gain code - 1\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataBalancingMode(), new gain factor - 1x\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataBalancingMode(), setADCFilterGain(), new gain set is OK\n"));
    EXPECT_EQ(occurrences(log, "gainValid1 is false!"), 2);
}

TEST_F(BalancingAcquisition, SpeedAndTriggerRefusals) {
    connect(fiveChannels());
    driver_->setADCMode(ADC_Mode::balancing, false);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double rpm : {59.9, 30000.1, nan, inf, -inf, 0.0}) {
        msg_.clear();
        EXPECT_FALSE(driver_->setADCStartConversionBalancingMode(rpm, marker1Optical, 0, nullptr)) << rpm;
        EXPECT_TRUE(msg_.hasError("setADCStartConversionBalancingMode(), parameter 'speed' invalid!")) << rpm;
    }
    for (std::uint32_t trigger : {0u, 0xFFFFFFFFu, 5u, 256u}) {
        msg_.clear();
        EXPECT_FALSE(driver_->setADCStartConversionBalancingMode(600, trigger, 0, nullptr)) << trigger;
        EXPECT_TRUE(msg_.hasError("setADCStartConversionBalancingMode(), parameter 'triggerSource' invalid!"));
    }
    EXPECT_TRUE(sim_.writes().empty());  // nothing reached the controller
    EXPECT_FALSE(driver_->adcInProgress());

    ASSERT_TRUE(driver_->setADCStartConversionBalancingMode(60, marker1Encoder, 10, nullptr));
    EXPECT_EQ(writesTo(131).back().value, 180u);
    EXPECT_EQ(writesTo(133).back().value, (1u << 24) | (2u << 16) | 360u);
    ASSERT_TRUE(read());
    ASSERT_TRUE(driver_->setADCStartConversionBalancingMode(30000, marker2Optical, 0, nullptr));
    EXPECT_EQ(writesTo(131).back().value, 36000u);
    EXPECT_EQ(writesTo(133).back().value, (1u << 24) | (3u << 16) | 288u);
    ASSERT_TRUE(read());
}

TEST_F(BalancingAcquisition, Gates) {
    connect(fiveChannels());
    // Test mode: both balancing operations refuse.
    driver_->setADCMode(ADC_Mode::test, false);
    EXPECT_FALSE(driver_->setADCStartConversionBalancingMode(600, marker1Optical, 0, nullptr));
    EXPECT_TRUE(msg_.hasError("setADCStartConversionBalancingMode(), _ADCMode != ADC_Mode::balancing"));
    EXPECT_FALSE(read());
    EXPECT_TRUE(msg_.hasError("getADCDataBalancingMode(), _ADCMode != ADC_Mode::balancing"));
    driver_->setADCMode(ADC_Mode::balancing, false);
    std::array<double, 5> amplitudes{};
    EXPECT_FALSE(driver_->getADCDataTestMode(traces_, marker_, amplitudes, gains_));
    EXPECT_TRUE(msg_.hasError("getADCDataTestMode(), _ADCMode != ADC_Mode::test"));

    driver_->disconnect();
    EXPECT_FALSE(driver_->setADCStartConversionBalancingMode(600, marker1Optical, 0, nullptr));
    EXPECT_TRUE(msg_.hasError("setADCStartConversionBalancingMode(), USB device not connected!"));
    EXPECT_FALSE(read());
    EXPECT_TRUE(msg_.hasError("getADCDataBalancingMode(), USB device not connected!"));
    EXPECT_FALSE(driver_->adcInProgress());
}

TEST_F(BalancingAcquisition, PeriodsAndInterval) {
    connect(fiveChannels());
    driver_->setADCMode(ADC_Mode::balancing, false);
    // 10 periods: 360 packets, 1000 ms, 100 ms per period.
    ASSERT_TRUE(driver_->setADCStartConversionBalancingMode(600, marker1Optical, 10, &interval_));
    EXPECT_EQ(writesTo(133).back().value & 0xFFFF, 360u);
    EXPECT_DOUBLE_EQ(interval_, 100.0);
    ASSERT_TRUE(read());
    EXPECT_EQ(marks_.size(), 10u);
    // 5 periods are sampled as 20, but the interval divides by the 5 asked for.
    ASSERT_TRUE(driver_->setADCStartConversionBalancingMode(600, marker1Optical, 5, &interval_));
    EXPECT_EQ(writesTo(133).back().value & 0xFFFF, 720u);
    EXPECT_DOUBLE_EQ(interval_, 400.0);
    ASSERT_TRUE(read());
}

TEST_F(BalancingAcquisition, ResultsAreResetOnEveryRead) {
    simacq::BlockSetup blockSetup = fiveChannels();
    connect(blockSetup);
    driver_->setADCMode(ADC_Mode::balancing, false);
    ASSERT_TRUE(startAndRead());
    for (unsigned c = 0; c < 5; ++c) ASSERT_TRUE(results_[c].valid);

    // No marks at all: the read succeeds, every result is zero and invalid.
    blockSetup.firstMark = 1e9;
    source_->setSetup(blockSetup);
    ASSERT_TRUE(startAndRead());
    EXPECT_TRUE(marks_.empty());
    for (unsigned c = 0; c < 5; ++c) {
        EXPECT_FALSE(results_[c].valid);
        EXPECT_EQ(results_[c].amplitude, 0.0);
        EXPECT_EQ(results_[c].phase, 0.0);
    }

    // A failed read leaves no old result either.
    blockSetup.firstMark = 0;
    source_->setSetup(blockSetup);
    ASSERT_TRUE(startAndRead());
    ASSERT_TRUE(results_[0].valid);
    blockSetup.wrongTypePacket = 100;
    source_->setSetup(blockSetup);
    EXPECT_FALSE(startAndRead());
    EXPECT_TRUE(msg_.hasError("getADCDataBalancingMode(), packetType != DATA_PACKET"));
    EXPECT_FALSE(driver_->adcInProgress());
    for (unsigned c = 0; c < 5; ++c) EXPECT_FALSE(results_[c].valid);
    EXPECT_EQ(traces_[0].size(), 500u);  // what was parsed before the bad packet
}

TEST_F(BalancingAcquisition, FirstMarkAfterSampleZero) {
    simacq::BlockSetup blockSetup = fiveChannels();
    blockSetup.firstMark = 61;
    connect(blockSetup);
    driver_->setADCMode(ADC_Mode::balancing, false);
    ASSERT_TRUE(startAndRead());
    EXPECT_EQ(marks_.front(), 61u);
    for (unsigned c = 0; c < 5; ++c) expectMatches(blockSetup, c);
}

TEST_F(BalancingAcquisition, SequenceJumpIsOnlyLogged) {
    simacq::BlockSetup blockSetup = fiveChannels();
    blockSetup.skipSequenceAt = 717;
    connect(blockSetup);
    driver_->setADCMode(ADC_Mode::balancing, false);
    ASSERT_TRUE(startAndRead());
    EXPECT_EQ(msg_.errorCount("getADCDataBalancingMode(), Out of order of packets! There should be 717, but there "
                              "is 718."),
              1);
    EXPECT_EQ(msg_.errorCount("getADCDataBalancingMode(), Out of order of packets! There should be 719, but there "
                              "is 720."),
              1);
    for (unsigned c = 0; c < 5; ++c) expectMatches(blockSetup, c);
}

TEST_F(BalancingAcquisition, TransferFailuresEndTheReadCleanly) {
    connect(fiveChannels());
    driver_->setADCMode(ADC_Mode::balancing, false);
    // Data never ready: the layer restarts the conversion and the read fails.
    sim_.setDataReady(sim::DataReady::never);
    ASSERT_TRUE(driver_->setADCStartConversionBalancingMode(600, marker1Optical, 0, nullptr));
    EXPECT_FALSE(read());
    EXPECT_TRUE(msg_.hasError("getADCDataBalancingMode(), getADCData() return error!"));
    EXPECT_FALSE(driver_->adcInProgress());
    EXPECT_TRUE(driver_->isConnected());

    // A controller reporting an impossible packet count: refused before the transfer.
    sim_.setDataReady(sim::DataReady::immediately);
    const int blocks = sim_.blocksRead();
    ASSERT_TRUE(driver_->setADCStartConversionBalancingMode(600, marker1Optical, 0, nullptr));
    sim_.setReadHook([](std::uint32_t reg, std::uint32_t) -> std::optional<std::uint32_t> {
        if (reg == 133) return 0x81000000u | 5000u;
        return std::nullopt;
    });
    EXPECT_FALSE(read());
    EXPECT_TRUE(msg_.hasError("getADCDataBalancingMode(), parameter 'packetCount' invalid!"));
    // The worker still fetches that block; let it, so the injection below
    // meets the next one (bounded real-time wait).
    for (int i = 0; i < 20000 && sim_.blocksRead() == blocks; ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    ASSERT_GT(sim_.blocksRead(), blocks);
    sim_.setReadHook(nullptr);

    // The device unplugged during the block: false, and the driver is no longer connected.
    sim_.injectShortBlock(100);
    ASSERT_TRUE(driver_->setADCStartConversionBalancingMode(600, marker1Optical, 0, nullptr));
    EXPECT_FALSE(read());
    EXPECT_FALSE(driver_->adcInProgress());
    EXPECT_FALSE(driver_->isConnected());
}

TEST_F(BalancingAcquisition, TestModeReadGivesThePeaks) {
    simacq::BlockSetup blockSetup = fiveChannels(0.5);
    connect(blockSetup, 0x1E4);  // codes 0, 1, 2, 3, 1
    driver_->setADCMode(ADC_Mode::test, false);
    ASSERT_TRUE(driver_->setADCSampleRateTestMode(1800));
    ASSERT_TRUE(driver_->setADCStartConversionTestMode(360));
    std::array<double, 5> amplitudes{};
    marker_ = {1, 2, 3};
    ASSERT_TRUE(driver_->getADCDataTestMode(traces_, marker_, amplitudes, gains_)) << msg_.dump();
    EXPECT_FALSE(driver_->adcInProgress());
    EXPECT_TRUE(marker_.empty());
    EXPECT_EQ(gains_.channelGain, (std::array<std::uint8_t, 5>{0, 1, 2, 3, 1}));
    for (unsigned c = 0; c < 5; ++c) {
        ASSERT_EQ(traces_[c].size(), 1800u);
        double peak = 0;
        for (double v : traces_[c]) peak = std::max(peak, v);
        EXPECT_EQ(amplitudes[c], peak);
        const double expected = std::min(32767.0, blockSetup.channels[c].offset +
                                                      blockSetup.channels[c].amplitude * simacq::gainFactor(source_->lastBlock(), c));
        EXPECT_NEAR(amplitudes[c], expected, 20.0) << c;
    }
    EXPECT_EQ(sim_.reg(132), 0x1E4u);  // no gain adjustment in test mode

    // Filter form: the filter code and gain are reported.
    driver_->setADCMode(ADC_Mode::test, true);
    sim_.setRegister(132, 0x106);
    ASSERT_TRUE(driver_->setADCStartConversionTestMode(205));
    ASSERT_TRUE(driver_->getADCDataTestMode(traces_, marker_, amplitudes, gains_));
    EXPECT_EQ(gains_.filterCode, 6);
    EXPECT_EQ(gains_.filterGain, 1);
    EXPECT_EQ(gains_.channelGain, (std::array<std::uint8_t, 5>{0, 0, 0, 0, 0}));  // nothing left from before

    const std::string log = highLog();
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataTestMode(), packetCount - 360, data read - 1800\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataTestMode(), current gain in code\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataTestMode(), current gain code - 1\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataTestMode(), current gain factor - 1x\n"));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataTestMode(), ampl ch.1 - "));
    EXPECT_TRUE(has(log, "[KWZUSB] getADCDataTestMode(), end, return Ok\n"));
}

}  // namespace
