// A late reply of the older controller answers no later request: it is
// drained after the time-out and on a new link, or dropped when it comes
// after the drain.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "drivers/older/older_link.h"
#include "support/sim_older.h"

namespace {

using namespace older;
using Fault = sim::SimOlderController::Fault;

TEST(StaleRepliesOlderLink, ALateReplyAnswersNoLaterRequest) {
    struct Case {
        const char* name;
        int lateReads;   // reads the late reply lets pass
        bool reconnect;  // a new link between the two reads
    };
    const Case cases[] = {
        {"late: drained before the next request", 1, false},
        {"later than the drain: dropped by the next read", 2, false},
        {"late across a reconnect: drained by the new link", 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimOlderController sim;
        sim::ScopedUsb01 use(sim);
        sim.setReg(5, 55);
        sim.setReg(6, 66);
        sim.setLateReplyReads(c.lateReads);
        sim.injectFault(Fault::lateReply, [](const auto& t) { return t.kind == t.read && t.reg == 5; });
        auto link = std::make_unique<Link>(openController({}), nullptr);
        std::uint32_t v = 0;
        EXPECT_FALSE(link->readRegister(5, &v));
        if (c.reconnect) {
            link.reset();  // closes the old handle first: one link at a time
            link = std::make_unique<Link>(openController({}), nullptr);
        }
        EXPECT_TRUE(link->readRegister(6, &v));
        EXPECT_EQ(v, 66u);
        EXPECT_TRUE(link->readRegister(5, &v));
        EXPECT_EQ(v, 55u);
    }
}

}  // namespace
