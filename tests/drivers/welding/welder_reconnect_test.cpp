// A welding controller is never left moving by a link that broke: with a
// time-out at any transfer of a jog and a weld, the driver stops the
// controller on a fresh link, and the next driver attaches it stopped.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "drivers/welding/welder_master.h"
#include "drivers/welding/welder_v3.h"
#include "support/welding_env.h"

namespace {

using namespace TamskWelder;

class WelderReconnect : public weldtest::WeldingEnv {
protected:
    // A jog of 90 degrees, then (commanded from the jog's finished callback on
    // the driver's worker, so the transfers come in one order) a weld; ends
    // when the weld finished or the driver failed.  Returns the transfers
    // from the first set-point write up to the weld's end.
    int jogThenWeld(int timeoutAt) {
        resetWelderDriverState();
        sim_.setRegister(kRegControl, 0);
        sim_.setRegister(kRegProgress, 0);
        sim_.timeoutAtTransfer(timeoutAt);
        std::atomic<int> finished{0};
        std::atomic<int> transfers{0};
        Welder_v3* driver = nullptr;
        WelderOptions o;
        o.parameterFile = (dir_ / "welderParameters.ini").string();
        o.onFinished = [&] {
            if (finished.fetch_add(1) > 0) {
                transfers.store(sim_.sequenceTransfers());
                return;
            }
            driver->setDiameter(100.0f);
            driver->setWeldRotation(true);
            driver->setWeldWelding(true);
        };
        testing::internal::CaptureStdout();
        auto welder = std::make_unique<Welder_v3>(logs_, 0, o);
        testing::internal::GetCapturedStdout();
        driver = welder.get();
        driver->setJogRotation(90);
        EXPECT_TRUE(weldtest::eventually([&] { return finished.load() == 2 || driver->isError(); }));
        EXPECT_EQ(driver->isError(), timeoutAt > 0);
        welder.reset();
        return transfers.load();
    }
};

TEST_F(WelderReconnect, AFaultAtAnyTransferOfAJogAndAWeldLeavesTheControllerStopped) {
    const int transfers = jogThenWeld(0);
    ASSERT_GT(transfers, 10);
    for (int k = 1; k <= transfers; ++k) {
        SCOPED_TRACE(k);
        jogThenWeld(k);
        EXPECT_EQ(sim_.reg(kRegControl) & kControlMotionBits, 0u);  // stopped on a fresh link
    }
    // A controller found moving (a driver's stop lost too) is attached stopped.
    sim_.setRegister(kRegControl, kControlAttached | kControlJogRotation | kControlWelding);
    sim_.timeoutAtTransfer(0);
    resetWelderDriverState();
    testing::internal::CaptureStdout();
    Welder_v3 again(logs_, 0, WelderOptions{(dir_ / "welderParameters.ini").string(), {}, {}, {}});
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(again.isConnected());
    EXPECT_EQ(sim_.reg(kRegControl), kControlAttached);
    EXPECT_EQ(welderSetpoints().control, kControlAttached);
}

// Given up after its first control word (its answer lost) or at a refused closing control 0.
TEST_F(WelderReconnect, AControllerGivenUpGetsControlZeroOnAFreshLink) {
    for (const bool atStart : {true, false}) {
        resetWelderDriverState();
        sim_.setRegister(kRegControl, 0);
        for (int read = 0; atStart && read < 3; ++read) sim_.injectReply(simwelder::ReplyFault::none);
        if (atStart) sim_.injectReply(simwelder::ReplyFault::timeout);  // the first control word's
        testing::internal::CaptureStdout();
        auto welder = std::make_unique<Welder_v3>(logs_, 0, WelderOptions{(dir_ / "p.ini").string(), {}, {}, {}});
        testing::internal::GetCapturedStdout();
        EXPECT_NE(welder->isConnected(), atStart);
        if (!atStart) sim_.failNextWrite(kRegControl);
        welder.reset();
        EXPECT_EQ(sim_.reg(kRegControl), 0u) << atStart;
    }
}

}  // namespace
