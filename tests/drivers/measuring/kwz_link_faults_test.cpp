// The measuring controller's link over faults of the controller: the
// inverter frequency (the stop among them) and the measuring set-up are read
// back after their write, a write the controller did not take is written
// once more, then reported
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
    // A frequency, or a set-up value a measurement depends on, written over
    // the value 333.
    using Write = std::function<int(KWZUSBHardT2&, std::uint32_t value)>;
    const Write frequency = [](KWZUSBHardT2& l, std::uint32_t v) { return l.writeInvertorFrequency(v / 10.0); };
    const Write acceleration = [](KWZUSBHardT2& l, std::uint32_t v) { return l.writeInvertorAcceleration(v / 10.0); };
    const Write markerType = [](KWZUSBHardT2& l, std::uint32_t v) { return l.writeMarkerEncoderMarkerType(1, v); };
    struct Case {
        const char* name;
        Write write;
        std::uint32_t reg, value;
        std::function<void(SimMeasuringController&)> inject;
        int rc;      // of the write
        bool taken;  // the register holds the value afterwards
        int reads;   // read-backs
    };
    auto dropped = [](int n) {
        return [n](SimMeasuringController& s) {
            for (int i = 0; i < n; ++i) s.injectDroppedWrite();
        };
    };
    const std::uint32_t f = REG_INVERTOR_FREQUENCY, marker2 = markerRegister(REG_MARKER_ENCODER_MARKER_TYPE, 1);
    const int refused = KWZUSBHardT2::kWriteNotConfirmed;
    const Case cases[] = {
        {"stop taken", frequency, f, 0, {}, 64, true, 1},
        {"stop lost once: written again", frequency, f, 0, dropped(1), 64, true, 2},
        {"stop lost twice: reported", frequency, f, 0, dropped(2), refused, false, 2},
        {"stop's read-back late: a transfer error", frequency, f, 0, [](auto& s) { s.injectReadTimeout(); }, -1,
         true, 1},
        {"50 Hz lost once: written again", frequency, f, 500, dropped(1), 64, true, 2},
        {"acceleration lost twice: reported", acceleration, REG_INVERTOR_ACCELERATION, 25, dropped(2), refused,
         false, 2},
        {"marker type lost twice: reported", markerType, marker2, 1, dropped(2), refused, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimMeasuringController sim;
        KWZUSBHardT2 link(nullptr, &sim);
        ASSERT_TRUE(link.isOpen());
        ASSERT_EQ(link.WriteRegister(c.reg, 333), 64);
        sim.clearJournal();
        if (c.inject) c.inject(sim);
        EXPECT_EQ(c.write(link, c.value), c.rc);
        EXPECT_EQ(sim.reg(c.reg), c.taken ? c.value : 333u);
        EXPECT_EQ(framesTo(sim, c.reg, false), c.reads);
    }
    // Other writes are not read back.
    SimMeasuringController sim;
    KWZUSBHardT2 link(nullptr, &sim);
    ASSERT_EQ(link.writeInvertorRelay(1), 64);
    EXPECT_EQ(framesTo(sim, REG_INVERTOR_RELAY, false), 0);
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
