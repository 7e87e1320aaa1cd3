// A late or stale reply of the measuring controller answers no later
// request: it is drained after a time-out and when the link opens, or
// dropped when it comes after the drain.

#include <gtest/gtest.h>

#include <functional>

#include "drivers/measuring/kwz_usb_hard.h"
#include "support/sim_measuring.h"

namespace {

using namespace TamskKWZv2;
using sim::SimMeasuringController;

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
