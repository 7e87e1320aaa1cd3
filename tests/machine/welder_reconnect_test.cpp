// The welding remote's failure reaches the machine's result, which the
// welding screens show, also when no welding value is set.

#include <gtest/gtest.h>

#include <functional>
#include <mutex>

#include "texts/text_ids.h"
#include "welding_rig.h"

namespace {

class WelderReconnectMachine : public weldrig::WeldingRig {};

TEST_F(WelderReconnectMachine, AFailedRemoteIsShownAsLost) {
    cfg->externalWeldingControl = true;
    start();
    std::function<void(int*)> onError;
    {
        std::lock_guard<std::mutex> g(remote.lock);
        onError = remote.onError;
    }
    ASSERT_TRUE(static_cast<bool>(onError));
    int code = TamskWelder::kWelderReadError;
    remote.connected.store(false);
    onError(&code);  // as from the driver's worker
    ASSERT_TRUE(clock.step());
    EXPECT_EQ(machine->getResult(), static_cast<int>(textid::kRemoteNoWelder));
    EXPECT_NE(machineLog().find("callback remote error: -102"), std::string::npos);
}

}  // namespace
