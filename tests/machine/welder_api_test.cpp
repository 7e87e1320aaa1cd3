// The welding remote over the real welding driver and the simulated
// controller (virtual driver time).

#include "machine/welder_api.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/welding_env.h"

using namespace TamskWelder;
using weldtest::eventually;

namespace {

const char* kFileValues =
    "[WelderParameters]\r\n"
    "encoderSamples = 4000\r\n"
    "encoderRatio = 2.500000\r\n"
    "seamOverlap = 30\r\n"
    "gearRatio = 40.000000\r\n"
    "motorNominalRPM = 1450\r\n"
    "weldingLinearSpeed = 800\r\n"
    "reverseRotationPermission = 0\r\n"
    "weldingDirectionRotation = 1\r\n";

class WelderRemote : public weldtest::WeldingEnv {
protected:
    std::unique_ptr<Welder> make() {
        testing::internal::CaptureStdout();  // the driver prints parameter-file notes
        auto w = std::make_unique<Welder>();
        testing::internal::GetCapturedStdout();
        return w;
    }
    // Lines of the remote's log without their time stamps.
    std::vector<std::string> logLines() const {
        std::vector<std::string> out;
        const std::string text = remoteLog();
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find("\r\n", pos);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(pos, end - pos);
            if (line.size() > 24 && line.find("Log was created") == std::string::npos)
                out.push_back(line.substr(24));
            pos = end + 2;
        }
        return out;
    }
};

}  // namespace

TEST_F(WelderRemote, WelderCommandsAreLoggedAndForwarded) {
    noController();
    auto w = make();
    ASSERT_FALSE(w->isConnected());
    EXPECT_FALSE(w->isError());

    w->setJogWelding(true);
    EXPECT_EQ(welderSetpoints().control & kControlWelding, kControlWelding);
    EXPECT_EQ(welderSetpoints().stopAngle, 65535u);
    w->setJogWelding(false);
    EXPECT_EQ(welderSetpoints().control & kControlWelding, 0u);

    w->setFastRotation(7);
    EXPECT_FLOAT_EQ(welderSetpoints().fastRotationFrequency, 3.5f);
    w->setFastRotation(101);  // refused by the driver, still logged
    EXPECT_FLOAT_EQ(welderSetpoints().fastRotationFrequency, 3.5f);

    w->setDiameter(100.0f);
    EXPECT_NEAR(welderSetpoints().diameterFrequency, 7.2451f, 1e-3);
    w->setJogRotation(-90);
    EXPECT_FLOAT_EQ(welderSetpoints().weldingRotationFrequency, -10.0f);
    EXPECT_EQ(welderSetpoints().motionMode, kMotionJog);

    w->setPipeThickness(3);
    EXPECT_EQ(welderSetpoints().weldingMode, 3u);
    w->setPipeThickness(9);
    w->setPipeThickness(-1);  // wraps to a huge mode: refused as well
    EXPECT_EQ(welderSetpoints().weldingMode, 3u);

    w->setWeldRotation(true);
    EXPECT_EQ(welderSetpoints().stopAngle, 10417u);
    EXPECT_TRUE(welderSetpoints().control & kControlWeldRotation);
    w->setWeldWelding(true);
    EXPECT_EQ(welderSetpoints().motionMode, kMotionWelding);
    w->setWeldWelding(false);
    w->setWeldRotation(false);
    EXPECT_EQ(welderSetpoints().control & (kControlWeldRotation | kControlWelding), 0u);
    EXPECT_EQ(w->getState(), 0u);

    // Only the five commands log; diameter and pattern stay silent.
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "setJogWelding: activated",
                              "setJogWelding: deactivated",
                              "setFastRotation: 7",
                              "setFastRotation: 101",
                              "setJogRotation: -90",
                              "setWeldRotation: activated",
                              "setWeldWelding: activated",
                              "setWeldWelding: deactivated",
                              "setWeldRotation: deactivated",
                          }));
}

TEST_F(WelderRemote, WelderLogLineComesBeforeTheCommand) {
    sim_.setReady(false);  // the driver writes nothing until the controller is ready
    auto w = make();
    ASSERT_TRUE(w->isConnected());
    std::mutex lock;
    std::vector<bool> logSeenAtWrite;
    sim_.onWrite = [&](const simwelder::JournalEntry& e) {
        if (e.address == kRegControl && (e.data & kControlWelding)) {
            std::lock_guard<std::mutex> g(lock);
            logSeenAtWrite.push_back(remoteLog().find("setJogWelding: activated") != std::string::npos);
        }
    };
    w->setJogWelding(true);
    EXPECT_NE(remoteLog().find("setJogWelding: activated"), std::string::npos);
    sim_.setReady(true);
    ASSERT_TRUE(eventually([&] {
        std::lock_guard<std::mutex> g(lock);
        return !logSeenAtWrite.empty();
    }));
    {
        std::lock_guard<std::mutex> g(lock);
        EXPECT_TRUE(logSeenAtWrite.front());
    }
    EXPECT_EQ(sim_.reg(kRegControl) & (kControlWelding | kControlAttached),
              kControlWelding | kControlAttached);
    EXPECT_EQ(w->getState() & 7u, 7u);  // ready
    w.reset();
    sim_.onWrite = nullptr;
    EXPECT_EQ(sim_.reg(kRegControl), 0u);  // destruction writes control word 0
}

TEST_F(WelderRemote, WelderParametersFromFileOrDefaults) {
    noController();
    {
        // No file: defaults, and the constructor writes them out.
        auto w = make();
        WeldingParameters p;
        p.encoderSamples = 1;
        p.gearRatio = 2.0f;
        ASSERT_TRUE(w->getParameters(&p));
        EXPECT_EQ(p.encoderSamples, 10000u);
        EXPECT_FLOAT_EQ(p.encoderRatio, 1.0f);
        EXPECT_EQ(p.seamOverlap, 15u);
        EXPECT_FLOAT_EQ(p.gearRatio, 61.0f);
        EXPECT_EQ(p.motorNominalRPM, 1340u);
        EXPECT_EQ(p.weldingLinearSpeed, 1000u);
        EXPECT_TRUE(p.reverseRotationPermission);
        EXPECT_FALSE(p.weldingDirectionRotation);
        EXPECT_FALSE(w->getParameters(nullptr));
        EXPECT_NE(parameterFile().find("gearRatio = 61.000000"), std::string::npos);
    }
    resetWelderDriverState();
    weldtest::writeFile("welderParameters.ini", kFileValues);
    {
        auto w = make();
        WeldingParameters p;
        ASSERT_TRUE(w->getParameters(&p));
        EXPECT_EQ(p.encoderSamples, 4000u);
        EXPECT_FLOAT_EQ(p.encoderRatio, 2.5f);
        EXPECT_EQ(p.seamOverlap, 30u);
        EXPECT_FLOAT_EQ(p.gearRatio, 40.0f);
        EXPECT_EQ(p.motorNominalRPM, 1450u);
        EXPECT_EQ(p.weldingLinearSpeed, 800u);
        EXPECT_FALSE(p.reverseRotationPermission);
        EXPECT_TRUE(p.weldingDirectionRotation);
    }
    resetWelderDriverState();
    // A file out of range is refused as a whole: defaults.
    std::string bad = kFileValues;
    bad.replace(bad.find("gearRatio = 40.000000"), 21, "gearRatio = 0.500000");
    weldtest::writeFile("welderParameters.ini", bad);
    {
        auto w = make();
        WeldingParameters p;
        p.encoderSamples = 7;
        ASSERT_TRUE(w->getParameters(&p));
        EXPECT_EQ(p.encoderSamples, 10000u);
        EXPECT_FLOAT_EQ(p.gearRatio, 61.0f);
    }
}

TEST_F(WelderRemote, WelderSetParametersValidatesTheWholeBlock) {
    noController();
    weldtest::writeFile("welderParameters.ini", kFileValues);
    auto w = make();
    const std::string before = parameterFile();

    WeldingParameters p;  // defaults
    p.seamOverlap = 361;
    EXPECT_FALSE(w->setParameters(p));
    EXPECT_EQ(parameterFile(), before);
    WeldingParameters now;
    ASSERT_TRUE(w->getParameters(&now));
    EXPECT_EQ(now.seamOverlap, 30u);
    EXPECT_EQ(now.encoderSamples, 4000u);

    p.seamOverlap = 360;
    p.motorNominalRPM = 2000;
    EXPECT_TRUE(w->setParameters(p));
    ASSERT_TRUE(w->getParameters(&now));
    EXPECT_EQ(now.seamOverlap, 360u);
    EXPECT_EQ(now.motorNominalRPM, 2000u);
    EXPECT_EQ(now.encoderSamples, 10000u);
    const std::string after = parameterFile();
    EXPECT_NE(after.find("seamOverlap = 360"), std::string::npos);
    EXPECT_NE(after.find("motorNominalRPM = 2000"), std::string::npos);

    // The new block governs the commands: seam overlap 360 doubles the turn.
    w->setWeldRotation(true);
    EXPECT_EQ(welderSetpoints().stopAngle, 20000u);
}

TEST_F(WelderRemote, WelderCallbacksRunOnTheDriversWorker) {
    sim_.jogFinishAfterStatusReads = 2;
    sim_.progressStep = 50;
    auto w = make();
    ASSERT_TRUE(w->isConnected());
    std::atomic<int> finished{0}, errors{0}, lastError{0};
    std::atomic<unsigned> lastProgress{0};
    w->setCallbacks([&](int* code) { errors.fetch_add(1), lastError.store(*code); },
                    [&] { finished.fetch_add(1); }, [&](unsigned* p) { lastProgress.store(*p); });

    w->setJogRotation(45);
    ASSERT_TRUE(eventually([&] { return finished.load() >= 1; }));

    w->setDiameter(60.0f);
    w->setWeldRotation(true);
    w->setWeldWelding(true);
    ASSERT_TRUE(eventually([&] { return lastProgress.load() == 100u && finished.load() >= 2; }));
    EXPECT_EQ(errors.load(), 0);

    sim_.injectReply(simwelder::ReplyFault::timeout);
    ASSERT_TRUE(eventually([&] { return errors.load() >= 1; }));
    EXPECT_EQ(lastError.load(), kWelderReadError);
    EXPECT_TRUE(w->isError());
    EXPECT_FALSE(w->isConnected());
    EXPECT_EQ(w->getState(), 0u);
    // Commands after the error still only change set-points.
    w->setFastRotation(10);
    EXPECT_FLOAT_EQ(welderSetpoints().fastRotationFrequency, 5.0f);
    EXPECT_EQ(errors.load(), 1);
}

TEST_F(WelderRemote, WelderOptionsInstallCallbacksBeforeTheWorker) {
    sim_.setReady(false);
    std::atomic<int> errors{0};
    WelderOptions o;
    o.onError = [&](int*) { errors.fetch_add(1); };
    testing::internal::CaptureStdout();
    Welder w("logs", 2, o);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(w.isConnected());
    sim_.injectReply(simwelder::ReplyFault::timeout);  // the next status read fails
    ASSERT_TRUE(eventually([&] { return errors.load() == 1; }));
    EXPECT_TRUE(w.isError());
}
