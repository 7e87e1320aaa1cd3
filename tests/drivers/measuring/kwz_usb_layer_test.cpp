#include "drivers/measuring/kwz_usb_layer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <future>
#include <limits>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "drivers/measuring/measuring_test_env.h"
#include "support/sim_measuring.h"

namespace {

using namespace TamskKWZv2;
using mtest::HangGuard;
using sim::JournalEntry;
using sim::SimMeasuringController;

// A gate the simulated controller's hooks wait on, so a test can hold the
// worker inside one exchange while callers post their requests.
class Gate {
public:
    void wait() {
        std::unique_lock<std::mutex> l(m_);
        entered_ = true;
        cv_.notify_all();
        cv_.wait(l, [this] { return open_; });
    }
    void waitEntered() {
        std::unique_lock<std::mutex> l(m_);
        cv_.wait(l, [this] { return entered_; });
    }
    void open() {
        std::lock_guard<std::mutex> l(m_);
        open_ = true;
        cv_.notify_all();
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool entered_ = false, open_ = false;
};

class KWZUSBLayerT2Test : public ::testing::Test {
protected:
    KWZUSBLayerT2Test() : timing_(mtest::fastTiming()), usb_(sim_) {}
    void makeLayer() {
        layer_.reset(new KWZUSBLayerT2([this] { ++polls_; }, msg_.errorSink(), msg_.infoSink()));
    }
    void SetUp() override {
        makeLayer();
        ASSERT_TRUE(layer_->connect()) << msg_.dump();
        sim_.clearJournal();
    }
    std::vector<JournalEntry> journalOf(std::uint32_t reg) const {
        std::vector<JournalEntry> v;
        for (auto& e : sim_.journal())
            if (e.reg == reg) v.push_back(e);
        return v;
    }

    HangGuard guard_{60};
    drivers::ScopedDriverTiming timing_;
    SimMeasuringController sim_;
    sim::ScopedUsb01 usb_;
    mtest::Messages msg_;
    std::atomic<int> polls_{0};
    std::unique_ptr<KWZUSBLayerT2> layer_;
};

TEST_F(KWZUSBLayerT2Test, SlotTableMatchesTheRegisterMap) {
    EXPECT_EQ(44u, static_cast<unsigned>(KWZUSBLayerT2::slotCount));
    std::uint32_t previous = 100;
    for (unsigned s = 0; s < KWZUSBLayerT2::slotCount; ++s) {
        const auto& i = KWZUSBLayerT2::slotInfo(s);
        EXPECT_GE(i.reg, previous) << i.name;  // served in register order
        previous = i.reg;
        EXPECT_EQ(s <= KWZUSBLayerT2::s_ADCDataGet, i.informs) << i.name;
    }
    EXPECT_STREQ("_invertorManagerSetCurrentInvertor",
                 KWZUSBLayerT2::slotInfo(KWZUSBLayerT2::s_invertorManagerSetCurrentInvertor).name);
    EXPECT_EQ(125u, KWZUSBLayerT2::slotInfo(KWZUSBLayerT2::s_marker2EncoderAngleDeg).reg);
}

TEST_F(KWZUSBLayerT2Test, GetAndSetRoundTripsForEverySlotKind) {
    KWZUSBLayerT2& l = *layer_;
    std::uint32_t u = 0;
    double d = 0;
    sim_.setFirmware(sim::firmwareVersionWord(6, 3, 0x1234), sim::firmwareDateWord(2024, 5, 6, 7, 8));
    EXPECT_TRUE(l.getFWversion(u));
    EXPECT_EQ(0x06031234u, u);
    EXPECT_TRUE(msg_.hasInfo("getFWversion(), Read"));
    EXPECT_TRUE(msg_.hasInfo("getFWversion(), Read ok 0x06031234"));
    EXPECT_TRUE(msg_.hasInfo("threadProc(), _fwVersion get"));
    EXPECT_TRUE(l.getFWdate(u));
    EXPECT_EQ(sim::firmwareDateWord(2024, 5, 6, 7, 8), u);

    EXPECT_TRUE(l.setInvertorFrequency(49.99));
    EXPECT_EQ(499u, sim_.reg(103));
    EXPECT_TRUE(msg_.hasInfo("setInvertorFrequency(), Write     49.990"));
    EXPECT_TRUE(msg_.hasInfo("setInvertorFrequency(), Write ok"));
    EXPECT_TRUE(msg_.hasInfo("threadProc(), _invertorFrequency set"));
    EXPECT_TRUE(l.setInvertorAcceleration(12.5));
    EXPECT_EQ(125u, sim_.reg(105));
    EXPECT_TRUE(l.setInvertorDeceleration(3.0));
    EXPECT_EQ(30u, sim_.reg(106));
    EXPECT_TRUE(l.setInvertorRampType(2));
    EXPECT_TRUE(l.setInvertorRelay(5));
    EXPECT_EQ(5u, sim_.reg(107));

    sim_.setMarkerSpeed(1, true, 2999.5f);
    EXPECT_TRUE(l.getMarker2OpticalSpeed(d));
    EXPECT_DOUBLE_EQ(2999.5, d);
    EXPECT_TRUE(msg_.hasInfo("getMarker2OpticalSpeed(), Read ok   2999.500"));
    sim_.setMarkerSpeed(0, false, 600.0f);
    EXPECT_TRUE(l.getMarker1EncoderSpeed(d));
    EXPECT_DOUBLE_EQ(600.0, d);
    sim_.setMarkerAngleTurns(0, 0.25f);
    EXPECT_TRUE(l.getMarker1EncoderAngleDeg(d));
    EXPECT_NEAR(90.0, d, 1e-9);

    EXPECT_TRUE(l.setADCChannelGain(1, 2, 3, 0, 7));
    EXPECT_EQ(1u | 2u << 2 | 3u << 4 | 0u << 6 | 3u << 8, sim_.reg(132));
    std::uint8_t c[5];
    EXPECT_TRUE(l.getADCChannelGain(c[0], c[1], c[2], c[3], c[4]));
    EXPECT_EQ(1, c[0]);
    EXPECT_EQ(2, c[1]);
    EXPECT_EQ(3, c[2]);
    EXPECT_EQ(0, c[3]);
    EXPECT_EQ(3, c[4]);
    EXPECT_TRUE(l.setADCFilterGain(6, true));
    EXPECT_EQ(0x106u, sim_.reg(132));
    std::uint8_t filter = 0;
    bool gain = false;
    EXPECT_TRUE(l.getADCFilterGain(filter, gain));
    EXPECT_EQ(6, filter);
    EXPECT_TRUE(gain);

    EXPECT_TRUE(l.setADCSampleRate(1800));
    EXPECT_TRUE(l.getADCSampleRate(u));
    EXPECT_EQ(1800u, u);

    sim_.setRegister(113, 0x0A21);
    std::uint32_t type = 0, address = 0;
    sim_.clearJournal();
    EXPECT_TRUE(l.getInvertorManagerCurrentInvertor(3, type, address));
    EXPECT_EQ(0x0Au, type);
    EXPECT_EQ(0x21u, address);
    EXPECT_EQ((std::vector<JournalEntry>{{113, false, 0x0A21, 3u << 16}}), sim_.journal());

    EXPECT_TRUE(l.setInvertorManagerAddInvertor(1, 5, 0x20));
    EXPECT_EQ(0x010520u, sim_.reg(111));
    EXPECT_TRUE(l.setInvertorManagerDeleteInvertor(2));
    EXPECT_EQ(0x20000u, sim_.reg(112));
    std::int32_t status = 0;
    sim_.setManagerBusyReads(0, -3);
    EXPECT_TRUE(l.getInvertorManagerAddInvertorStatus(status));
    EXPECT_EQ(-3, status);

    sim_.setStatusBits(0x0101);
    EXPECT_TRUE(l.getStatus(u));
    EXPECT_EQ(0x0101u, u);
    EXPECT_TRUE(l.setControl(0x0008));
    EXPECT_EQ(0x0008, sim_.controlWord());
    sim_.setWelderStatus(0x0581);
    EXPECT_TRUE(l.getWelderStatus(u));
    EXPECT_EQ(0x0581u, u);
    EXPECT_TRUE(l.setWelderControl(0x8000));
    EXPECT_EQ(0x8000, sim_.welderControl());
    EXPECT_FALSE(msg_.hasInfo("threadProc(), _status get"));

    EXPECT_TRUE(l.setMarker2EncoderMarkerType(1));
    EXPECT_EQ(1u, sim_.reg(128));
    EXPECT_GT(polls_.load(), 0);  // the poll callback ran during the waits
}

TEST_F(KWZUSBLayerT2Test, MotorParametersGoOutAsEightWritesEndingWithCommit) {
    EXPECT_TRUE(layer_->setInvertorMotorParameters(220, 3800, 50, 5000, 4, 2900, 1));
    const std::vector<JournalEntry> expected = {
        {136, true, 220, 0},           {136, true, 3800 | 1u << 16, 0}, {136, true, 50 | 2u << 16, 0},
        {136, true, 5000 | 3u << 16, 0}, {136, true, 4 | 4u << 16, 0},  {136, true, 2900 | 5u << 16, 0},
        {136, true, 1 | 6u << 16, 0},  {136, true, 0x70000, 0},
    };
    EXPECT_EQ(expected, sim_.journal()) << sim_.journalText();
    EXPECT_TRUE(msg_.hasInfo("setInvertorMotorParameters(), Write, motorPower 0x000000DC"));
    EXPECT_TRUE(msg_.hasInfo("setInvertorMotorParameters(), Write, motorSpeed 0x00000B54"));
    sim_.setMotorParametersBusyReads(0);
    std::uint32_t v = 9;
    EXPECT_TRUE(layer_->getInvertorMotorParameters(v));
    EXPECT_EQ(0u, v);
}

TEST_F(KWZUSBLayerT2Test, RequestsPostedBeforeAPassAreServedInTableOrder) {
    Gate gate;
    sim_.setReadHook([&](std::uint32_t reg, std::uint32_t) -> std::optional<std::uint32_t> {
        if (reg == 100) gate.wait();
        return std::nullopt;
    });
    std::uint32_t fw = 0;
    auto first = std::async(std::launch::async, [&] { return layer_->getFWversion(fw); });
    gate.waitEntered();
    // Posted in reverse order while the worker is held inside the first exchange.
    std::uint32_t a = 0, b = 0, c = 0;
    double f = 0;
    auto r1 = std::async(std::launch::async, [&] { return layer_->getWelderStatus(a); });
    ASSERT_TRUE(msg_.waitInfo("getWelderStatus(), Read"));
    auto r2 = std::async(std::launch::async, [&] { return layer_->getADCSampleRate(b); });
    ASSERT_TRUE(msg_.waitInfo("getADCSampleRate(), Read"));
    auto r3 = std::async(std::launch::async, [&] { return layer_->setInvertorFrequency(10.0); });
    ASSERT_TRUE(msg_.waitInfo("setInvertorFrequency(), Write     10.000"));
    auto r4 = std::async(std::launch::async, [&] { return layer_->getInvertorState(c); });
    ASSERT_TRUE(msg_.waitInfo("getInvertorState(), Read"));
    auto r5 = std::async(std::launch::async, [&] { return layer_->getMarker1OpticalSpeed(f); });
    ASSERT_TRUE(msg_.waitInfo("getMarker1OpticalSpeed(), Read"));
    gate.open();
    EXPECT_TRUE(first.get());
    EXPECT_TRUE(r1.get());
    EXPECT_TRUE(r2.get());
    EXPECT_TRUE(r3.get());
    EXPECT_TRUE(r4.get());
    EXPECT_TRUE(r5.get());
    std::vector<std::uint32_t> order;
    for (auto& e : sim_.journal()) order.push_back(e.reg);
    // The frequency is read back after its write.
    EXPECT_EQ((std::vector<std::uint32_t>{100, 102, 103, 103, 114, 131, 135}), order) << sim_.journalText();
}

TEST_F(KWZUSBLayerT2Test, ConversionControlRefusesBadArgumentsWithoutTouchingTheSlot) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Bad {
        std::uint32_t packets, trigger;
        double timeout;
    } bad[] = {{99, 0, 100}, {1001, 0, 100}, {100, static_cast<std::uint32_t>(-1), 100}, {100, 5, 100},
               {100, 0, nan}, {100, 0, inf}, {100, 0, -1}};
    for (const Bad& b : bad) {
        msg_.clear();
        EXPECT_FALSE(layer_->setADCConversionControl(b.packets, b.trigger, true, b.timeout));
        EXPECT_TRUE(msg_.hasError("setADCConversionControl(), Invalid parameters!"));
        EXPECT_EQ(0u, layer_->adcState());
        EXPECT_EQ(0u, layer_->armedPacketCount());
    }
    EXPECT_TRUE(sim_.journal().empty());
    EXPECT_TRUE(layer_->setADCConversionControl(100, 4, false, 0));
    EXPECT_TRUE(layer_->setADCConversionControl(1000, 0, false, 0));
    EXPECT_EQ((std::vector<JournalEntry>{{133, true, 0x40064, 0}, {133, true, 1000, 0}}), sim_.journal());
    std::uint32_t count = 0, trigger = 0;
    bool start = true, ready = true;
    EXPECT_TRUE(layer_->getADCConversionControl(count, trigger, start, ready));
    EXPECT_FALSE(start);
    EXPECT_FALSE(ready);
}

TEST_F(KWZUSBLayerT2Test, BlockHandOverAndCountChecks) {
    std::vector<std::uint8_t> block(1000 * 64, 0xEE);
    ASSERT_TRUE(layer_->setADCConversionControl(200, marker1Optical, true, 50.0));
    EXPECT_TRUE(msg_.hasInfo("setADCConversionControl(), Write 0x010100C8"));
    EXPECT_TRUE(layer_->getADCData(block.data(), 200));
    EXPECT_TRUE(msg_.hasInfo("getADCData(), Read ok 0x000000C8"));
    EXPECT_TRUE(msg_.hasInfo("threadProc(), _ADCDataGet start, data waiting time is     50.000"));
    EXPECT_TRUE(msg_.hasInfo("threadProc(), _ADCDataGet data ready ok"));
    for (std::uint32_t p = 0; p < 200; ++p)
        ASSERT_EQ(p, ADCDataPacket::decode(block.data() + p * 64).sequence);
    EXPECT_EQ(0xEE, block[200 * 64]);  // nothing beyond the block
    EXPECT_EQ(1, sim_.blocksRead());

    // Nothing armed any more.
    msg_.clear();
    EXPECT_FALSE(layer_->getADCData(block.data(), 200));
    EXPECT_TRUE(msg_.hasError("getADCData(), Invalid parameters!"));
    EXPECT_TRUE(msg_.hasError("getADCData(), localPacketCount is - 200, globalPacketCount is - 0"));

    // Another count than the armed one.
    ASSERT_TRUE(layer_->setADCConversionControl(300, 0, true, 10.0));
    msg_.clear();
    EXPECT_FALSE(layer_->getADCData(block.data(), 299));
    EXPECT_TRUE(msg_.hasError("getADCData(), localPacketCount is - 299, globalPacketCount is - 300"));
    EXPECT_TRUE(layer_->getADCData(block.data(), 300));
}

TEST_F(KWZUSBLayerT2Test, DataReadyNeverComesRestartsTheConversion) {
    sim_.setDataReady(sim::DataReady::never);
    std::vector<std::uint8_t> block(100 * 64);
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(layer_->setADCConversionControl(100, 0, true, 1000.0));
    EXPECT_FALSE(layer_->getADCData(block.data(), 100));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    EXPECT_TRUE(msg_.hasError("threadProc(), _ADCDataGet data ready no timeout error"));
    EXPECT_TRUE(msg_.hasError("reniamationModbus(), execute"));
    EXPECT_TRUE(msg_.hasError("getADCData(), Invalid parameters!"));
    EXPECT_TRUE(msg_.hasError("getADCData(), localPacketCount is - 100, globalPacketCount is - 0"));
    EXPECT_EQ(51, msg_.infoCount("threadProc(), _ADCDataGet data ready no"));
    const auto j = sim_.journal();
    ASSERT_GE(j.size(), 3u);
    EXPECT_EQ((JournalEntry{133, true, 0x01000064, 0}), j[0]);  // the conversion itself
    EXPECT_EQ(51u, journalOf(133).size() - 2);                  // 51 polls
    EXPECT_EQ((JournalEntry{131, true, 30000, 0}), j[j.size() - 2]);
    EXPECT_EQ((JournalEntry{133, true, 0x01000064, 0}), j[j.size() - 1]);
    EXPECT_TRUE(layer_->isConnected());
}

// ---------------------------------------------------------------- transfer errors

// Three callers blocked on different slots while the worker fails.
void blockedCallersReturnFalse(KWZUSBLayerT2Test* t, SimMeasuringController& sim, KWZUSBLayerT2& layer,
                               mtest::Messages& msg, const std::function<void()>& inject) {
    (void)t;
    Gate gate;
    sim.setReadHook([&](std::uint32_t reg, std::uint32_t) -> std::optional<std::uint32_t> {
        if (reg == 100) gate.wait();
        return std::nullopt;
    });
    std::uint32_t fw = 0, state = 0, rate = 0;
    inject();  // takes effect in the held exchange
    auto held = std::async(std::launch::async, [&] { return layer.getFWversion(fw); });
    gate.waitEntered();
    auto a = std::async(std::launch::async, [&] { return layer.getInvertorState(state); });
    auto b = std::async(std::launch::async, [&] { return layer.setADCSampleRate(2000); });
    auto c = std::async(std::launch::async, [&] { return layer.getStatus(rate); });
    ASSERT_TRUE(msg.waitInfo("getInvertorState(), Read"));
    ASSERT_TRUE(msg.waitInfo("setADCSampleRate(), Write 0x000007D0"));
    ASSERT_TRUE(msg.waitInfo("getStatus(), Read"));
    gate.open();
    held.get();
    EXPECT_FALSE(a.get());
    EXPECT_FALSE(b.get());
    EXPECT_FALSE(c.get());
    EXPECT_FALSE(layer.isConnected());
    EXPECT_TRUE(msg.hasError("threadProc(), USB data transfer error!"));
    EXPECT_TRUE(msg.waitInfo("disconnect(), Disconnection ok"));
    sim.setReadHook(nullptr);
}

TEST_F(KWZUSBLayerT2Test, TransferErrorInAGetReleasesEveryCallerAndIsNotReplayed) {
    blockedCallersReturnFalse(this, sim_, *layer_, msg_, [&] { sim_.injectReadTimeout(); });
    EXPECT_TRUE(msg_.hasError("getInvertorState(), USB broken connection!"));
    EXPECT_FALSE(sim_.isHandleOpen());
    // Reconnect at once: the failed and the waiting requests are not replayed.
    ASSERT_TRUE(layer_->connect());
    sim_.clearJournal();
    std::uint32_t v = 0;
    EXPECT_TRUE(layer_->getInvertorInput(v));
    EXPECT_EQ((std::vector<JournalEntry>{{108, false, 0, 0}}), sim_.journal()) << sim_.journalText();
}

TEST_F(KWZUSBLayerT2Test, TransferErrorInASetThenImmediateDestruction) {
    blockedCallersReturnFalse(this, sim_, *layer_, msg_, [&] { sim_.unplugFromCall(2); });
    layer_.reset();  // clean under the sanitizers
    EXPECT_EQ(sim_.openCount(), sim_.closeCount());
}

TEST_F(KWZUSBLayerT2Test, TransferErrorInTheWriteOfASet) {
    sim_.injectWriteError(-EIO);
    EXPECT_FALSE(layer_->setInvertorRelay(1));
    EXPECT_TRUE(msg_.hasError("setInvertorRelay(), USB broken connection!"));
    EXPECT_TRUE(msg_.waitInfo("disconnect(), Disconnection ok"));
    EXPECT_FALSE(layer_->disconnect());  // already torn down
    std::uint32_t v = 0;
    EXPECT_FALSE(layer_->getFWversion(v));
    EXPECT_TRUE(msg_.hasError("getFWversion(), USB not connected!"));
    ASSERT_TRUE(layer_->connect());
    sim_.clearJournal();
    EXPECT_TRUE(layer_->getFWversion(v));
    EXPECT_TRUE(journalOf(107).empty());
}

TEST_F(KWZUSBLayerT2Test, TransferErrorInTheDataReadyPollOrTheBlock) {
    std::vector<std::uint8_t> block(100 * 64);
    // The worker may tear the connection down before the reader's first look
    // (the reader then finds no connection) or while it waits (a broken one).
    auto readerSawTheLoss = [this] {
        return msg_.hasError("getADCData(), USB broken connection!") ||
               msg_.hasError("getADCData(), USB not connected!");
    };
    sim_.setDataReady(sim::DataReady::never);
    // Armed before the conversion starts: the worker polls 133 within 5 ms
    // (driver time) of the start and, after 50 polls, gives up on the block
    // without a transfer error, so a reply made late only after the start may
    // come too late for the poll it is meant for.
    sim_.injectReadTimeout();  // the first 133 poll
    ASSERT_TRUE(layer_->setADCConversionControl(100, 0, true, 5.0));
    EXPECT_FALSE(layer_->getADCData(block.data(), 100));
    EXPECT_TRUE(readerSawTheLoss()) << msg_.dump();
    EXPECT_TRUE(msg_.waitInfo("disconnect(), Disconnection ok"));

    ASSERT_TRUE(layer_->connect());
    sim_.setDataReady(sim::DataReady::immediately);
    sim_.injectShortBlock(64 * 99);
    msg_.clear();
    ASSERT_TRUE(layer_->setADCConversionControl(100, 0, true, 5.0));
    EXPECT_FALSE(layer_->getADCData(block.data(), 100));
    EXPECT_TRUE(msg_.waitInfo("disconnect(), Disconnection ok"));
    EXPECT_TRUE(msg_.hasError("threadProc(), USB data transfer error!")) << msg_.dump();
    EXPECT_TRUE(readerSawTheLoss()) << msg_.dump();
    // The armed block does not survive into the next connection.
    ASSERT_TRUE(layer_->connect());
    EXPECT_EQ(0u, layer_->armedPacketCount());
    EXPECT_EQ(0u, layer_->adcState());
}

TEST_F(KWZUSBLayerT2Test, ConnectTwiceAndDisconnectWithoutConnection) {
    EXPECT_FALSE(layer_->connect());
    std::uint32_t v = 0;
    EXPECT_TRUE(layer_->getFWversion(v));
    EXPECT_EQ(1, sim_.openCount());
    EXPECT_TRUE(layer_->disconnect());
    EXPECT_TRUE(msg_.hasInfo("disconnect(), Disconnection ok"));
    EXPECT_FALSE(layer_->disconnect());
    EXPECT_FALSE(layer_->getFWversion(v));
    EXPECT_FALSE(sim_.isHandleOpen());
}

TEST_F(KWZUSBLayerT2Test, ConnectFailsWithoutAController) {
    layer_.reset();
    sim_.clearBus();
    makeLayer();
    msg_.clear();
    EXPECT_FALSE(layer_->connect());
    EXPECT_TRUE(msg_.hasError("KWZUSBHardT2(), Device not found!"));
    EXPECT_TRUE(msg_.hasError("connect(), USB Connection error!"));
    EXPECT_FALSE(layer_->isConnected());
    EXPECT_FALSE(layer_->disconnect());
    // A refused controller's handle is closed again.
    sim_.addDevice(0, 1, 0x2E91, 0x7688);
    sim_.setRegister(19, 1);
    EXPECT_FALSE(layer_->connect());
    EXPECT_FALSE(sim_.isHandleOpen());
}

// ---------------------------------------------------------------- stress

TEST_F(KWZUSBLayerT2Test, StressThousandsOfStartReadCycles) {
    std::vector<std::uint8_t> block(1000 * 64);
    for (int i = 0; i < 2000; ++i) {
        const std::uint32_t count = 100 + static_cast<std::uint32_t>(i % 901);
        ASSERT_TRUE(layer_->setADCConversionControl(count, 0, true, 0.0)) << i;
        ASSERT_TRUE(layer_->getADCData(block.data(), count)) << i;
        ASSERT_EQ(count - 1, ADCDataPacket::decode(block.data() + (count - 1) * 64).sequence);
    }
    EXPECT_EQ(2000, sim_.blocksRead());
}

TEST_F(KWZUSBLayerT2Test, StressUnplugReconnectRacingDisconnect) {
    std::mt19937 rng(7);
    for (int i = 0; i < 300; ++i) {
        if (!layer_->isConnected()) {
            sim_.replug();
            layer_->disconnect();  // joins a teardown by the worker
            ASSERT_TRUE(layer_->connect()) << i << msg_.dump();
        }
        std::atomic<bool> stop{false};
        std::thread caller([&] {
            std::uint32_t v = 0;
            while (!stop.load() && layer_->getInvertorState(v)) {
            }
        });
        sim_.unplugFromCall(1 + static_cast<int>(rng() % 6));
        // A pause of up to 0.2 ms measured by the clock, not by scheduler
        // turns, so that a crowded machine cannot stretch the rounds.
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(rng() % 200);
        while (std::chrono::steady_clock::now() < until) {
        }
        layer_->disconnect();  // races the worker's own teardown
        stop = true;
        caller.join();
        EXPECT_FALSE(layer_->isConnected());
        EXPECT_FALSE(layer_->hasLink());
    }
    EXPECT_EQ(sim_.openCount(), sim_.closeCount());
}

}  // namespace
