// The measuring controller's link over faults of the controller: the
// inverter frequency (the stop among them) is read back after its write, a
// write the controller did not take is written once more, then reported
// (the layer hands the refusal to its caller without losing the link); a
// late or stale reply answers no later request.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "drivers/measuring/kwz_usb_hard.h"
#include "drivers/measuring/kwz_usb_layer.h"
#include "drivers/measuring/measuring_test_env.h"
#include "support/sim_measuring.h"

namespace {

using namespace TamskKWZv2;
using sim::SimMeasuringController;

int framesTo(const SimMeasuringController& sim, std::uint32_t reg, bool write) {
    int n = 0;
    for (const auto& e : sim.journal()) n += e.reg == reg && e.write == write;
    return n;
}

TEST(KwzWriteVerify, AFrequencyIsReadBackWrittenAgainThenReported) {
    struct Case {
        const char* name;
        double hz;
        std::function<void(SimMeasuringController&)> inject;
        int rc;      // of the write
        bool taken;  // the register holds the frequency afterwards
        int reads;   // read-backs
    };
    auto dropped = [](int n) {
        return [n](SimMeasuringController& s) {
            for (int i = 0; i < n; ++i) s.injectDroppedWrite();
        };
    };
    const Case cases[] = {
        {"stop taken", 0.0, {}, 64, true, 1},
        {"stop lost once: written again", 0.0, dropped(1), 64, true, 2},
        {"stop lost twice: reported", 0.0, dropped(2), KWZUSBHardT2::kWriteNotConfirmed, false, 2},
        {"stop's read-back late: a transfer error", 0.0, [](auto& s) { s.injectReadTimeout(); }, -1, true, 1},
        {"50 Hz lost once: written again", 50.0, dropped(1), 64, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimMeasuringController sim;
        KWZUSBHardT2 link(nullptr, &sim);
        ASSERT_TRUE(link.isOpen());
        ASSERT_EQ(link.writeInvertorFrequency(33.3), 64);
        sim.clearJournal();
        if (c.inject) c.inject(sim);
        EXPECT_EQ(link.writeInvertorFrequency(c.hz), c.rc);
        EXPECT_EQ(sim.reg(REG_INVERTOR_FREQUENCY), c.taken ? static_cast<std::uint32_t>(c.hz * 10) : 333u);
        EXPECT_EQ(framesTo(sim, REG_INVERTOR_FREQUENCY, false), c.reads);
    }
    // So are the acceleration and the marker type a measurement depends on; a relay is not.
    const std::uint32_t regs[] = {REG_INVERTOR_ACCELERATION, markerRegister(REG_MARKER_ENCODER_MARKER_TYPE, 1),
                                  REG_INVERTOR_RELAY};
    for (const std::uint32_t reg : regs) {
        SimMeasuringController sim;
        KWZUSBHardT2 link(nullptr, &sim);
        sim.injectDroppedWrite();
        sim.injectDroppedWrite();
        EXPECT_EQ(link.WriteRegister(reg, 1), reg == REG_INVERTOR_RELAY ? 64 : KWZUSBHardT2::kWriteNotConfirmed);
    }
}

TEST(KwzWriteVerify, ARefusedStopFailsItsCallerAndKeepsTheLink) {
    mtest::HangGuard guard(60);
    drivers::ScopedDriverTiming timing(mtest::fastTiming());
    SimMeasuringController sim;
    sim::ScopedUsb01 use(sim);
    mtest::Messages msg;
    KWZUSBLayerT2 layer(nullptr, msg.errorSink(), msg.infoSink());
    ASSERT_TRUE(layer.connect());
    ASSERT_TRUE(layer.setInvertorFrequency(20.0));
    sim.injectDroppedWrite();
    sim.injectDroppedWrite();
    EXPECT_FALSE(layer.setInvertorFrequency(0.0));
    EXPECT_TRUE(msg.hasError("setInvertorFrequency(), Write not confirmed!")) << msg.dump();
    EXPECT_TRUE(layer.isConnected());
    EXPECT_EQ(sim.reg(REG_INVERTOR_FREQUENCY), 200u);  // the motor would still turn: the caller knows
    EXPECT_TRUE(layer.setInvertorFrequency(0.0));
    EXPECT_EQ(sim.reg(REG_INVERTOR_FREQUENCY), 0u);
}

TEST(StaleRepliesKwzLink, ALateReplyAnswersNoLaterRequest) {
    struct Case {
        const char* name;
        std::function<void(SimMeasuringController&)> beforeOpen, afterOpen;
        bool firstAnswered;  // the read of 131 right after the fault
    };
    const Case cases[] = {
        {"late: drained before the next request", {}, [](auto& s) { s.injectReadTimeout(); }, false},
        {"later than the drain: dropped by the next read",
         {},
         [](auto& s) {
             s.injectReadTimeout();
             s.injectReadTimeout();
         },
         false},
        {"left from an earlier link: drained on opening",
         [](auto& s) { s.queueStaleReply(132, 7); },
         {},
         true},
        {"another register's ahead of the answer: dropped",
         {},
         [](auto& s) { s.queueStaleReply(132, 7); },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimMeasuringController sim;
        sim.setRegister(131, 1800);
        sim.setRegister(132, 0x155);
        if (c.beforeOpen) c.beforeOpen(sim);
        KWZUSBHardT2 link(nullptr, &sim);
        ASSERT_TRUE(link.isOpen());
        if (c.afterOpen) c.afterOpen(sim);
        std::uint32_t v = 0;
        EXPECT_EQ(link.ReadRegister(131, v), c.firstAnswered ? 64 : -1);
        if (c.firstAnswered) {
            EXPECT_EQ(v, 1800u);
        }
        EXPECT_EQ(link.ReadRegister(132, v), 64);
        EXPECT_EQ(v, 0x155u);
        EXPECT_EQ(link.ReadRegister(131, v), 64);
        EXPECT_EQ(v, 1800u);
    }
}

}  // namespace
