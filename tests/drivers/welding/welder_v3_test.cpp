#include "drivers/welding/welder_v3.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <map>
#include <thread>

#include "drivers/welding/ini_file.h"
#include "support/welding_env.h"

using namespace TamskWelder;
using simwelder::JournalEntry;
using simwelder::ReplyFault;
using weldtest::eventually;

namespace {

constexpr std::uint32_t kReady = 0xE000;

const char* kDefaultFile =
    "[WelderParameters]\r\n"
    "encoderSamples = 10000\r\n"
    "encoderRatio = 1.000000\r\n"
    "seamOverlap = 15\r\n"
    "gearRatio = 61.000000\r\n"
    "motorNominalRPM = 1340\r\n"
    "weldingLinearSpeed = 1000\r\n"
    "reverseRotationPermission = 1\r\n"
    "weldingDirectionRotation = 0";

class WelderDriver : public weldtest::WeldingEnv {
protected:
    void SetUp() override {
        WeldingEnv::SetUp();
        file_ = (dir_ / "welderParameters.ini").string();
    }
    WelderOptions options() {
        WelderOptions o;
        o.parameterFile = file_;
        o.onError = [this](int* code) {
            errors_.fetch_add(1);
            lastError_.store(*code);
        };
        o.onFinished = [this] { finished_.fetch_add(1); };
        o.onProgress = [this](unsigned* p) {
            std::lock_guard<std::mutex> lock(progressLock_);
            progress_.push_back(*p);
        };
        return o;
    }
    std::unique_ptr<Welder_v3> make() { return std::make_unique<Welder_v3>(logs_, 2, options()); }
    void putFile(const std::string& content) { weldtest::writeFile(file_, content); }
    std::string fileContent() { return weldtest::readFile(file_); }
    std::vector<unsigned> progress() {
        std::lock_guard<std::mutex> lock(progressLock_);
        return progress_;
    }

    std::string file_;
    std::atomic<int> errors_{0};
    std::atomic<int> lastError_{0};
    std::atomic<int> finished_{0};
    std::mutex progressLock_;
    std::vector<unsigned> progress_;
};

// A driver without a controller: commands only change set-points.
class WelderSetpointsTest : public WelderDriver {
protected:
    void SetUp() override {
        WelderDriver::SetUp();
        sim_.devices = {{0x2E91, 0x7688}};
        testing::internal::CaptureStdout();
        welder_ = make();
        testing::internal::GetCapturedStdout();
        ASSERT_FALSE(welder_->isConnected());
    }
    void TearDown() override {
        welder_.reset();
        WelderDriver::TearDown();
    }
    std::unique_ptr<Welder_v3> welder_;
};

}  // namespace

// ---------------------------------------------------------------- set-points

TEST_F(WelderSetpointsTest, Welder_v3FastRotation) {
    welder_->setFastRotation(7);
    EXPECT_EQ(welderSetpoints().fastRotationFrequency, 3.5f);
    EXPECT_TRUE(welderSetpoints().control & kControlFastRotation);
    welder_->setFastRotation(101);
    welder_->setFastRotation(-101);
    EXPECT_EQ(welderSetpoints().fastRotationFrequency, 3.5f);
    welder_->setFastRotation(-100);
    EXPECT_EQ(welderSetpoints().fastRotationFrequency, -50.0f);
    welder_->setFastRotation(0);
    EXPECT_EQ(welderSetpoints().fastRotationFrequency, 0.0f);
    EXPECT_FALSE(welderSetpoints().control & kControlFastRotation);

    WelderParameters p;
    p.reverseRotationPermission = false;
    ASSERT_TRUE(welder_->setParameters(p));
    welder_->setFastRotation(100);
    EXPECT_EQ(welderSetpoints().fastRotationFrequency, 50.0f);
    welder_->setFastRotation(-20);
    EXPECT_EQ(welderSetpoints().fastRotationFrequency, 0.0f);
    EXPECT_FALSE(welderSetpoints().control & kControlFastRotation);
}

TEST_F(WelderSetpointsTest, Welder_v3JogRotation) {
    welder_->setJogRotation(9);
    WelderSetpoints s = welderSetpoints();
    EXPECT_EQ(s.stopAngle, 250u);
    EXPECT_EQ(s.weldingRotationFrequency, 2.5f);
    EXPECT_TRUE(s.control & kControlJogRotation);
    EXPECT_EQ(s.motionMode, kMotionJog);

    welder_->setJogRotation(-90);
    s = welderSetpoints();
    EXPECT_EQ(s.weldingRotationFrequency, -10.0f);
    EXPECT_EQ(s.stopAngle, 2500u);
    welder_->setJogRotation(1);
    EXPECT_EQ(welderSetpoints().stopAngle, 28u);  // 27.78 rounded
    EXPECT_EQ(welderSetpoints().weldingRotationFrequency, 2.5f);

    welder_->setDiameter(100.0f);
    welder_->setJogRotation(180);
    s = welderSetpoints();
    EXPECT_EQ(s.stopAngle, 5000u);
    EXPECT_EQ(s.weldingRotationFrequency, s.diameterFrequency);
    EXPECT_NEAR(s.weldingRotationFrequency, 7.2451, 1e-3);

    welder_->setJogRotation(361);
    welder_->setJogRotation(-361);
    EXPECT_EQ(welderSetpoints().stopAngle, 5000u);

    welder_->setJogRotation(0);
    s = welderSetpoints();
    EXPECT_FALSE(s.control & kControlJogRotation);
    EXPECT_EQ(s.weldingRotationFrequency, 0.0f);
    EXPECT_EQ(s.motionMode, kMotionNone);

    WelderParameters p;
    p.reverseRotationPermission = false;
    p.encoderRatio = 2.0f;
    ASSERT_TRUE(welder_->setParameters(p));
    welder_->setJogRotation(45);
    EXPECT_EQ(welderSetpoints().stopAngle, 2500u);
    EXPECT_EQ(welderSetpoints().weldingRotationFrequency, 10.0f);
    welder_->setJogRotation(-45);
    EXPECT_FALSE(welderSetpoints().control & kControlJogRotation);
}

TEST_F(WelderSetpointsTest, Welder_v3WeldRotationAndWelding) {
    welder_->setDiameter(100.0f);
    welder_->setWeldRotation(true);
    WelderSetpoints s = welderSetpoints();
    EXPECT_EQ(s.stopAngle, 10417u);
    EXPECT_TRUE(s.control & kControlWeldRotation);
    EXPECT_EQ(s.weldingRotationFrequency, s.diameterFrequency);

    welder_->setWeldWelding(true);
    s = welderSetpoints();
    EXPECT_TRUE(s.control & kControlWelding);
    EXPECT_EQ(s.motionMode, kMotionWelding);
    welder_->setWeldWelding(false);
    s = welderSetpoints();
    EXPECT_FALSE(s.control & kControlWelding);
    EXPECT_EQ(s.motionMode, kMotionNone);

    welder_->setWeldWelding(true);
    welder_->setWeldRotation(false);
    s = welderSetpoints();
    EXPECT_FALSE(s.control & (kControlWeldRotation | kControlWelding));

    welder_->setJogWelding(true);
    s = welderSetpoints();
    EXPECT_TRUE(s.control & kControlWelding);
    EXPECT_EQ(s.stopAngle, 0xFFFFu);
    welder_->setJogWelding(false);
    EXPECT_FALSE(welderSetpoints().control & kControlWelding);
    EXPECT_EQ(welderSetpoints().stopAngle, 0xFFFFu);
}

TEST_F(WelderSetpointsTest, Welder_v3DiameterAndMode) {
    welder_->setDiameter(19.9f);
    welder_->setDiameter(250.1f);
    welder_->setDiameter(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(welderSetpoints().diameterFrequency, 0.0f);
    welder_->setDiameter(100.0f);
    const float f = welderSetpoints().diameterFrequency;
    EXPECT_NEAR(f, 1000.0 / (100.0 * M_PI) * 61.0 * 50.0 / 1340.0, 1e-4);
    EXPECT_NEAR(f, 7.2451, 1e-4);
    EXPECT_EQ(welderSetpoints().weldingRotationFrequency, f);
    welder_->setDiameter(20.0f);
    welder_->setDiameter(250.0f);
    EXPECT_LT(welderSetpoints().diameterFrequency, f);

    WelderParameters p;
    p.weldingDirectionRotation = true;
    ASSERT_TRUE(welder_->setParameters(p));
    welder_->setDiameter(100.0f);
    EXPECT_EQ(welderSetpoints().diameterFrequency, -f);

    welder_->setWeldingMode(8);
    EXPECT_EQ(welderSetpoints().weldingMode, 8u);
    welder_->setWeldingMode(9);
    EXPECT_EQ(welderSetpoints().weldingMode, 8u);
    welder_->setWeldingMode(0);
    EXPECT_EQ(welderSetpoints().weldingMode, 0u);
}

// ---------------------------------------------------------------- parameters

TEST(WelderParameters, Bounds) {
    const WelderParameters defaults;
    EXPECT_TRUE(checkWelderParameters(defaults));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto with = [&](auto member, auto value) {
        WelderParameters p;
        p.*member = value;
        return checkWelderParameters(p);
    };
    EXPECT_FALSE(with(&WelderParameters::encoderSamples, 0u));
    EXPECT_TRUE(with(&WelderParameters::encoderSamples, 1u));
    EXPECT_TRUE(with(&WelderParameters::encoderSamples, 20000u));
    EXPECT_FALSE(with(&WelderParameters::encoderSamples, 20001u));
    EXPECT_FALSE(with(&WelderParameters::encoderSamples, 0xFFFFFFFFu));
    EXPECT_FALSE(with(&WelderParameters::encoderRatio, 0.999f));
    EXPECT_TRUE(with(&WelderParameters::encoderRatio, 1.0f));
    EXPECT_TRUE(with(&WelderParameters::encoderRatio, 100.0f));
    EXPECT_FALSE(with(&WelderParameters::encoderRatio, 100.01f));
    EXPECT_FALSE(with(&WelderParameters::encoderRatio, nan));
    EXPECT_FALSE(with(&WelderParameters::encoderRatio, inf));
    EXPECT_TRUE(with(&WelderParameters::seamOverlap, 0u));
    EXPECT_TRUE(with(&WelderParameters::seamOverlap, 360u));
    EXPECT_FALSE(with(&WelderParameters::seamOverlap, 361u));
    EXPECT_FALSE(with(&WelderParameters::gearRatio, 0.5f));
    EXPECT_TRUE(with(&WelderParameters::gearRatio, 1.0f));
    EXPECT_TRUE(with(&WelderParameters::gearRatio, 100.0f));
    EXPECT_FALSE(with(&WelderParameters::gearRatio, 100.5f));
    EXPECT_FALSE(with(&WelderParameters::gearRatio, nan));
    EXPECT_FALSE(with(&WelderParameters::gearRatio, -inf));
    EXPECT_FALSE(with(&WelderParameters::motorNominalRPM, 99u));
    EXPECT_TRUE(with(&WelderParameters::motorNominalRPM, 100u));
    EXPECT_TRUE(with(&WelderParameters::motorNominalRPM, 10000u));
    EXPECT_FALSE(with(&WelderParameters::motorNominalRPM, 10001u));
    EXPECT_FALSE(with(&WelderParameters::weldingLinearSpeed, 99u));
    EXPECT_TRUE(with(&WelderParameters::weldingLinearSpeed, 100u));
    EXPECT_TRUE(with(&WelderParameters::weldingLinearSpeed, 10000u));
    EXPECT_FALSE(with(&WelderParameters::weldingLinearSpeed, 10001u));
}

TEST(WelderParameters, NumberReading) {
    std::uint32_t u = 7;
    EXPECT_TRUE(parseWelderUnsigned(" \t+12abc", u));
    EXPECT_EQ(u, 12u);
    EXPECT_TRUE(parseWelderUnsigned("-1", u));
    EXPECT_EQ(u, 0xFFFFFFFFu);
    EXPECT_TRUE(parseWelderUnsigned("-5", u));
    EXPECT_EQ(u, 4294967291u);
    EXPECT_TRUE(parseWelderUnsigned("4294967295", u));
    EXPECT_EQ(u, 4294967295u);
    u = 7;
    EXPECT_FALSE(parseWelderUnsigned("4294967296", u));
    EXPECT_FALSE(parseWelderUnsigned("99999999999999999999999", u));
    EXPECT_FALSE(parseWelderUnsigned("", u));
    EXPECT_FALSE(parseWelderUnsigned("abc", u));
    EXPECT_FALSE(parseWelderUnsigned("-", u));
    EXPECT_FALSE(parseWelderUnsigned("- 5", u));
    EXPECT_EQ(u, 7u);

    float f = 3;
    EXPECT_TRUE(parseWelderFloat("  1.5e1x", f));
    EXPECT_EQ(f, 15.0f);
    EXPECT_TRUE(parseWelderFloat("-2.5", f));
    EXPECT_EQ(f, -2.5f);
    EXPECT_TRUE(parseWelderFloat("+61.000000", f));
    EXPECT_EQ(f, 61.0f);
    EXPECT_TRUE(parseWelderFloat("1,5", f));  // stops at the comma, whatever the locale
    EXPECT_EQ(f, 1.0f);
    EXPECT_TRUE(parseWelderFloat("nan", f));
    EXPECT_TRUE(std::isnan(f));
    f = 3;
    EXPECT_FALSE(parseWelderFloat("", f));
    EXPECT_FALSE(parseWelderFloat("x1", f));
    EXPECT_FALSE(parseWelderFloat("+-1", f));
    EXPECT_FALSE(parseWelderFloat("--1", f));
    EXPECT_EQ(f, 3.0f);
}

TEST_F(WelderSetpointsTest, WelderParametersSaveBytesAndSetParameters) {
    // No file at the start: the constructor wrote the defaults as a new file.
    EXPECT_EQ(fileContent(), kDefaultFile);
    WelderParameters p;
    EXPECT_TRUE(welder_->getParameters(&p));
    EXPECT_FALSE(welder_->getParameters(nullptr));

    p.seamOverlap = 361;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(welder_->setParameters(p));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(fileContent(), kDefaultFile);

    p.seamOverlap = 20;
    p.gearRatio = 12.25f;
    p.reverseRotationPermission = false;
    p.weldingDirectionRotation = true;
    ASSERT_TRUE(welder_->setParameters(p));
    EXPECT_EQ(fileContent(),
              "[WelderParameters]\r\n"
              "encoderSamples = 10000\r\n"
              "encoderRatio = 1.000000\r\n"
              "seamOverlap = 20\r\n"
              "gearRatio = 12.250000\r\n"
              "motorNominalRPM = 1340\r\n"
              "weldingLinearSpeed = 1000\r\n"
              "reverseRotationPermission = 0\r\n"
              "weldingDirectionRotation = 1");
    WelderParameters back;
    welder_->loadParameters();
    welder_->getParameters(&back);
    EXPECT_EQ(back.seamOverlap, 20u);
    EXPECT_EQ(back.gearRatio, 12.25f);
    EXPECT_FALSE(back.reverseRotationPermission);
    EXPECT_TRUE(back.weldingDirectionRotation);
}

TEST_F(WelderDriver, WelderParametersFiles) {
    sim_.devices = {};
    const std::string commented =
        "; welding parameters\r\n"
        "[WelderParameters]\r\n"
        "encoderSamples=5000   ; pulses\r\n"
        "encoderRatio = 2.5\r\n"
        "seamOverlap = 30\r\n"
        "; gear\r\n"
        "gearRatio = GEAR\r\n"
        "motorNominalRPM = 1500\r\n"
        "weldingLinearSpeed = 900\r\n"
        "reverseRotationPermission = 0\r\n"
        "weldingDirectionRotation = 7\r\n"
        "\r\n"
        "[Other]\r\n"
        "x = 1\r\n";
    auto withGear = [&](const std::string& gear) {
        std::string c = commented;
        c.replace(c.find("GEAR"), 4, gear);
        return c;
    };
    const std::string loadFailed = "Failed to load welding parameters from file! " + file_ +
                                   "\nDefault settings applied.\n";
    const std::string rangeFailed =
        "The welding parameters loaded from the file do not correspond to the allowable range!\n"
        "Default settings applied.\n";
    const struct {
        std::string content;
        std::string printed;
        bool loaded;
    } cases[] = {
        {withGear("3.5"), "", true},
        {withGear("0.5"), rangeFailed, false},
        {withGear("nan"), rangeFailed, false},
        {withGear("inf"), rangeFailed, false},
        {withGear(""), loadFailed, false},
        {withGear("x"), loadFailed, false},
    };
    for (const auto& c : cases) {
        putFile(c.content);
        testing::internal::CaptureStdout();
        WelderParameters p;
        {
            Welder_v3 welder(logs_, 0, options());
            welder.getParameters(&p);
        }
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed) << c.content;
        if (c.loaded) {
            EXPECT_EQ(p.encoderSamples, 5000u);
            EXPECT_EQ(p.encoderRatio, 2.5f);
            EXPECT_EQ(p.seamOverlap, 30u);
            EXPECT_EQ(p.gearRatio, 3.5f);
            EXPECT_EQ(p.motorNominalRPM, 1500u);
            EXPECT_EQ(p.weldingLinearSpeed, 900u);
            EXPECT_FALSE(p.reverseRotationPermission);
            EXPECT_TRUE(p.weldingDirectionRotation);
        } else {
            EXPECT_EQ(p.encoderSamples, 10000u);
            EXPECT_EQ(p.gearRatio, 61.0f);
            EXPECT_TRUE(p.reverseRotationPermission);
        }
        // The file now holds the values in use, with its comments and other section.
        const std::string expected =
            std::string("; welding parameters\r\n[WelderParameters]\r\n") +
            (c.loaded ? "encoderSamples= 5000\r\nencoderRatio = 2.500000\r\nseamOverlap = 30\r\n"
                        "; gear\r\ngearRatio = 3.500000\r\nmotorNominalRPM = 1500\r\nweldingLinearSpeed = 900\r\n"
                        "reverseRotationPermission = 0\r\nweldingDirectionRotation = 1"
                      : "encoderSamples= 10000\r\nencoderRatio = 1.000000\r\nseamOverlap = 15\r\n"
                        "; gear\r\ngearRatio = 61.000000\r\nmotorNominalRPM = 1340\r\nweldingLinearSpeed = 1000\r\n"
                        "reverseRotationPermission = 1\r\nweldingDirectionRotation = 0") +
            // The blank line stays; the section the driver does not keep goes.
            "\r\n";
        EXPECT_EQ(fileContent(), expected) << c.content;
    }
}

TEST_F(WelderDriver, WelderParametersOddFiles) {
    sim_.devices = {};
    const std::string rangeFailed =
        "The welding parameters loaded from the file do not correspond to the allowable range!\n"
        "Default settings applied.\n";
    const std::string loadFailed = "Failed to load welding parameters from file! " + file_ +
                                   "\nDefault settings applied.\n";
    std::string valid(kDefaultFile);
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string c = valid;
        c.replace(c.find(from), from.size(), to);
        return c;
    };
    const struct {
        std::string content;
        std::string printed;
    } cases[] = {
        {replaced("encoderSamples = 10000", "encoderSamples = -5"), rangeFailed},
        {replaced("encoderSamples = 10000", "encoderSamples = 4294977296"), loadFailed},
        {replaced("motorNominalRPM = 1340\r\n", ""), loadFailed},
        {replaced("[WelderParameters]", "[Other]"), loadFailed},
        {"", loadFailed},
    };
    for (const auto& c : cases) {
        putFile(c.content);
        testing::internal::CaptureStdout();
        { Welder_v3 welder(logs_, 0, options()); }
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed) << c.content;
        IniDocument doc;
        IniFileReader reader(file_);
        ASSERT_TRUE(reader.read(doc));
        EXPECT_EQ(*doc["WelderParameters"].find("encoderSamples"), "10000") << c.content;
        EXPECT_EQ(*doc["WelderParameters"].find("motorNominalRPM"), "1340") << c.content;
    }

    // No file at all.
    std::remove(file_.c_str());
    testing::internal::CaptureStdout();
    { Welder_v3 welder(logs_, 0, options()); }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), loadFailed + "A new file will be created!\n");
    EXPECT_EQ(fileContent(), kDefaultFile);

    // A folder in place of the file: nothing can be read or saved.
    std::remove(file_.c_str());
    std::filesystem::create_directories(file_);
    testing::internal::CaptureStdout();
    { Welder_v3 welder(logs_, 0, options()); }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), loadFailed + "Failed to save welding parameters to file!\n");
    EXPECT_TRUE(std::filesystem::is_directory(file_));
}

// ---------------------------------------------------------------- worker

TEST_F(WelderDriver, Welder_v3ConstructorAndNotReady) {
    sim_.setRegister(kRegControl, 0x0001);
    sim_.setRegister(kRegStatus, 0x6000 | 0x15);  // not ready: bit 15 missing
    testing::internal::CaptureStdout();
    auto welder = make();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(welder->isConnected());
    EXPECT_EQ(welder->firmwareVersion().major, 1);
    EXPECT_EQ(welder->firmwareDate().year, 2023);
    ASSERT_TRUE(eventually([&] { return statusReads() >= 30; }));
    welder->setWeldingMode(3);
    welder->setFastRotation(10);
    const std::size_t before = statusReads();
    ASSERT_TRUE(eventually([&] { return statusReads() >= before + 30; }));
    // bits 0-2 = status 13-15 (011), 3-5 = status 0-2 (101), 6 = status 4 (1).
    EXPECT_EQ(welder->getState(), 0x3u | (0x5u << 3) | (1u << 6));
    const auto journal = sim_.journal();
    ASSERT_GE(journal.size(), 4u);
    EXPECT_EQ(journal[0].address, kRegFirmwareVersion);
    EXPECT_EQ(journal[1].address, kRegFirmwareDate);
    EXPECT_EQ(journal[2].address, kRegControl);
    EXPECT_FALSE(journal[2].write);
    EXPECT_TRUE(journal[3].write);
    EXPECT_EQ(journal[3].address, kRegControl);
    EXPECT_EQ(journal[3].data, 0x8000u);  // attached, the fast rotation found running not resumed
    for (std::size_t i = 4; i < journal.size(); ++i) {
        EXPECT_FALSE(journal[i].write);
        EXPECT_EQ(journal[i].address, kRegStatus);
    }
    EXPECT_EQ(errors_.load() + finished_.load(), 0);
    EXPECT_TRUE(progress().empty());
    EXPECT_EQ(welderSetpoints().control, 0x8000u | kControlFastRotation);
    welder.reset();
    const auto last = sim_.journal().back();
    EXPECT_TRUE(last.write);
    EXPECT_EQ(last.address, kRegControl);
    EXPECT_EQ(last.data, 0u);
}

TEST_F(WelderDriver, Welder_v3WritesOnlyChangedSetpointsControlLast) {
    sim_.setReady(false);
    sim_.jogFinishAfterStatusReads = 1000000;
    testing::internal::CaptureStdout();
    auto welder = make();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(welder->isConnected());
    welder->setWeldingMode(3);
    welder->setFastRotation(10);
    welder->setDiameter(100.0f);
    welder->setJogRotation(9);
    sim_.clearJournal();
    sim_.setReady(true);
    ASSERT_TRUE(eventually([&] { return sim_.writes().size() >= 5; }));
    ASSERT_TRUE(eventually([&] { return statusReads() >= 10; }));
    auto w = sim_.writes();
    ASSERT_EQ(w.size(), 5u);
    EXPECT_EQ(w[0].address, kRegWeldingMode);
    EXPECT_EQ(w[0].data, 3u);
    EXPECT_EQ(w[1].address, kRegFastRotationFreq);
    EXPECT_EQ(floatFromBits(w[1].data), 5.0f);
    EXPECT_EQ(w[2].address, kRegWeldingRotationFreq);
    EXPECT_EQ(floatFromBits(w[2].data), 2.5f);
    EXPECT_EQ(w[3].address, kRegStopAngle);
    EXPECT_EQ(w[3].data, 250u);
    EXPECT_EQ(w[4].address, kRegControl);
    EXPECT_EQ(w[4].data, 0x8000u | kControlFastRotation | kControlJogRotation);

    // One change: one write, then the control word only when it changed.
    sim_.clearJournal();
    welder->setWeldingMode(5);
    ASSERT_TRUE(eventually([&] { return !sim_.writes().empty(); }));
    ASSERT_TRUE(eventually([&] { return statusReads() >= 5; }));
    w = sim_.writes();
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].address, kRegWeldingMode);
    EXPECT_EQ(w[0].data, 5u);
}

TEST_F(WelderDriver, Welder_v3JogEndsWithFinished) {
    sim_.jogFinishAfterStatusReads = 3;
    testing::internal::CaptureStdout();
    auto welder = make();
    testing::internal::GetCapturedStdout();
    welder->setJogRotation(45);
    ASSERT_TRUE(eventually([&] { return finished_.load() >= 1; }));
    ASSERT_TRUE(eventually([&] { return !(sim_.reg(kRegControl) & kControlJogRotation) && statusReads() > 10; }));
    EXPECT_EQ(finished_.load(), 1);  // bit 12 cleared with the motion bit: no repeat
    EXPECT_FALSE(welderSetpoints().control & kControlJogRotation);
    const auto w = sim_.writes();
    ASSERT_GE(w.size(), 2u);
    EXPECT_EQ(w.back().address, kRegControl);
    EXPECT_EQ(w.back().data, 0x8000u);
    EXPECT_EQ(errors_.load(), 0);
}

TEST_F(WelderDriver, Welder_v3FinishedRepeatsWhileBit12Stays) {
    sim_.jogFinishAfterStatusReads = 1;
    sim_.keepFinished = true;
    testing::internal::CaptureStdout();
    auto welder = make();
    testing::internal::GetCapturedStdout();
    welder->setJogRotation(5);
    ASSERT_TRUE(eventually([&] { return finished_.load() >= 4; }));
    welder->setJogRotation(0);  // motion mode 0: no more finished calls
    const std::size_t r0 = statusReads();
    ASSERT_TRUE(eventually([&] { return statusReads() >= r0 + 3; }));
    const int seen = finished_.load();
    const std::size_t r1 = statusReads();
    ASSERT_TRUE(eventually([&] { return statusReads() >= r1 + 10; }));
    EXPECT_EQ(finished_.load(), seen);
}

TEST_F(WelderDriver, Welder_v3ProgressWhileWelding) {
    sim_.progressStep = 30;
    testing::internal::CaptureStdout();
    auto welder = make();
    testing::internal::GetCapturedStdout();
    welder->setDiameter(60.0f);
    welder->setWeldRotation(true);
    welder->setWeldWelding(true);
    ASSERT_TRUE(eventually([&] { return finished_.load() >= 1; }));
    const auto p = progress();
    ASSERT_GE(p.size(), 4u);
    // The first progress read may come before the weld bits reach the controller.
    // After the end the controller keeps reporting 100.
    std::vector<unsigned> moving;
    for (unsigned v : p)
        if (v != 0 && (moving.empty() || moving.back() != v)) moving.push_back(v);
    EXPECT_EQ(moving, (std::vector<unsigned>{30, 60, 90, 100}));
    EXPECT_EQ(welderProgress(), 100u);
    ASSERT_TRUE(eventually([&] { return !(sim_.reg(kRegControl) & (kControlWeldRotation | kControlWelding)); }));
    EXPECT_EQ(welderSetpoints().motionMode, kMotionWelding);
    EXPECT_EQ(errors_.load(), 0);
}

TEST_F(WelderDriver, Welder_v3FailureEndsWorker) {
    testing::internal::CaptureStdout();
    auto welder = make();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(eventually([&] { return statusReads() >= 3; }));
    sim_.injectReply(ReplyFault::timeout);
    ASSERT_TRUE(eventually([&] { return errors_.load() >= 1; }));
    EXPECT_EQ(lastError_.load(), kWelderReadError);
    EXPECT_TRUE(welder->isError());
    EXPECT_FALSE(welder->isConnected());
    EXPECT_EQ(welder->getState(), 0u);
    const int calls = sim_.bulkCalls;
    welder->setWeldingMode(4);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // a stray worker would show
    EXPECT_EQ(errors_.load(), 1);
    EXPECT_EQ(sim_.bulkCalls, calls);
}

TEST_F(WelderDriver, Welder_v3EarlyWriteErrorIsReported) {
    sim_.setReady(false);
    testing::internal::CaptureStdout();
    auto welder = make();
    testing::internal::GetCapturedStdout();
    welder->setWeldingMode(6);
    welder->setFastRotation(20);
    sim_.failNextWrite(kRegWeldingMode);
    sim_.clearJournal();
    sim_.setReady(true);
    ASSERT_TRUE(eventually([&] { return errors_.load() >= 1; }));
    EXPECT_EQ(lastError_.load(), kWelderReplyError);
    EXPECT_TRUE(welder->isError());
    const auto w = sim_.writes();
    ASSERT_EQ(w.size(), 2u);  // nothing after the failed write but the stop on a fresh link
    EXPECT_EQ(w[0].address, kRegWeldingMode);
    EXPECT_EQ(w[1].address, kRegControl);
    EXPECT_EQ(sim_.reg(kRegControl), 0u);
}

TEST_F(WelderDriver, Welder_v3RebuiltDriverResendsSetpoints) {
    testing::internal::CaptureStdout();
    auto welder = make();
    welder->setWeldingMode(2);
    welder->setDiameter(100.0f);
    welder->setJogWelding(true);
    ASSERT_TRUE(eventually([&] { return sim_.writes().size() >= 4; }));
    sim_.injectReply(ReplyFault::timeout);
    ASSERT_TRUE(eventually([&] { return welder->isError(); }));
    welder.reset();
    // The controller was power-cycled meanwhile.
    for (std::uint16_t a = 4; a <= 9; ++a) sim_.setRegister(a, 0);
    sim_.clearJournal();
    welder = make();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(welder->isConnected());
    ASSERT_TRUE(eventually([&] { return sim_.reg(kRegStopAngle) == 0xFFFFu; }));
    EXPECT_EQ(sim_.reg(kRegWeldingMode), 2u);
    EXPECT_NEAR(floatFromBits(sim_.reg(kRegWeldingRotationFreq)), 7.2451, 1e-3);
    // The control word starts again from the controller's own, with bit 15.
    EXPECT_EQ(sim_.reg(kRegControl), 0x8000u);
    EXPECT_EQ(welderSetpoints().control, 0x8000u);
}

TEST_F(WelderDriver, Welder_v3ErrorBeforeCallbacksAndDestructor) {
    WelderOptions o;
    o.parameterFile = file_;
    testing::internal::CaptureStdout();
    auto welder = std::make_unique<Welder_v3>(logs_, 2, o);
    testing::internal::GetCapturedStdout();
    sim_.unplug();
    ASSERT_TRUE(eventually([&] { return welder->isError(); }));
    EXPECT_FALSE(welder->isConnected());
    // The stop was tried on a fresh link, which found no controller.
    EXPECT_NE(masterLog().find("WelderMaster::WelderMaster(), Device connection error!\n"),
              std::string::npos);
    welder.reset();
}

TEST_F(WelderDriver, Welder_v3DestructorCutsTheWaitShort) {
    // A period no test could wait out: the destructor must cut the wait short.
    drivers::DriverTiming timing = weldtest::virtualTiming();
    timing.welderPollPeriodMs = 1e12;
    drivers::ScopedDriverTiming longPeriod(timing);
    testing::internal::CaptureStdout();
    auto welder = make();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(eventually([&] { return statusReads() >= 1; }));
    const long long before = weldtest::virtualMicros().load();
    welder.reset();
    const long long spent = weldtest::virtualMicros().load() - before;
    EXPECT_LT(spent, 1000LL * 1000 * 1000);
    const auto last = sim_.journal().back();
    EXPECT_TRUE(last.write);
    EXPECT_EQ(last.address, kRegControl);
    EXPECT_EQ(last.data, 0u);
}

// ---------------------------------------------------------------- concurrency

TEST_F(WelderDriver, Welder_v3SetCallbacksWhileRunning) {
    sim_.jogFinishAfterStatusReads = 1;
    sim_.keepFinished = true;
    testing::internal::CaptureStdout();
    auto welder = make();
    testing::internal::GetCapturedStdout();
    welder->setJogRotation(5);
    std::atomic<int> calls{0};
    for (int i = 0; i < 2000; ++i) {
        welder->setCallbacks([](int*) {}, [&calls] { calls.fetch_add(1); }, [](unsigned*) {});
    }
    ASSERT_TRUE(eventually([&] { return calls.load() >= 3; }));
    EXPECT_FALSE(welder->isError());
    welder.reset();
}

TEST_F(WelderDriver, Welder_v3JogCommandsStayConsistent) {
    sim_.jogFinishAfterStatusReads = 1000000;
    // Every jog angle gives its own stop angle and speed.
    std::map<std::uint32_t, float> speedOfAngle;
    const int angles[] = {3, 7, 15, 40, 80, 120, 250, -5, -50, -300};
    std::atomic<int> checked{0}, mismatches{0};
    std::uint32_t lastStop = 0;
    float lastSpeed = 0;
    // Watched from the driver's first write: a speed written before the
    // watcher came in would look unchanged to the driver but unseen here.
    {
        std::lock_guard<std::mutex> lock(sim_.mutex());
        sim_.onWrite = [&](const JournalEntry& e) {
            if (e.address == kRegStopAngle) lastStop = e.data;
            if (e.address == kRegWeldingRotationFreq) lastSpeed = floatFromBits(e.data);
            if (e.address == kRegControl && (e.data & kControlJogRotation)) {
                ++checked;
                const auto it = speedOfAngle.find(lastStop);
                if (it == speedOfAngle.end() || !(it->second == lastSpeed)) ++mismatches;
            }
        };
    }
    testing::internal::CaptureStdout();
    auto welder = make();
    testing::internal::GetCapturedStdout();
    welder->setDiameter(100.0f);
    const float diameterFrequency = welderSetpoints().diameterFrequency;
    for (int d : angles) {
        const int a = d < 0 ? -d : d;
        const float speed = a < 10 ? 2.5f : (a < 100 ? 10.0f : diameterFrequency);
        speedOfAngle[static_cast<std::uint32_t>(std::lround(10000.0f * a / 360.0f))] = d < 0 ? -speed : speed;
    }
    std::thread commander([&] {
        for (int i = 0; i < 4000; ++i) {
            welder->setJogRotation(angles[i % 10]);
            if (i % 3 == 0) welder->setJogRotation(0);
            if (i % 50 == 0) std::this_thread::yield();
        }
        welder->setJogRotation(120);
    });
    commander.join();
    ASSERT_TRUE(eventually([&] { return checked.load() >= 1 && sim_.reg(kRegStopAngle) == 3333u; }));
    welder.reset();
    {
        std::lock_guard<std::mutex> lock(sim_.mutex());
        sim_.onWrite = nullptr;
    }
    EXPECT_GT(checked.load(), 0);
    EXPECT_EQ(mismatches.load(), 0);
}

// ---------------------------------------------------------------- a controller in one state

// A controller that stays in one state is polled once a pass period, and its
// status logged once in both logs, with the count of repeats when it changes.
namespace {
class WelderNotReady : public WelderDriver {};
}  // namespace

TEST_F(WelderNotReady, OneStatusIsPolledOncePerPeriodAndLoggedOnce) {
    const std::uint32_t notReady = 0x6015;
    const double period = weldtest::virtualTiming().welderPollPeriodMs;
    for (const auto& [first, then] : {std::pair{notReady, kReady}, std::pair{kReady, notReady}}) {
        SCOPED_TRACE(first);
        resetWelderDriverState();
        sim_.clearJournal();
        std::filesystem::remove_all(logs_);
        sim_.setRegister(kRegStatus, first);
        testing::internal::CaptureStdout();
        auto welder = make();
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(eventually([&] { return statusReads() >= 2; }));
        // The worker keeps polling while the test reads: the clock is read
        // before the first count and after the last, so every read counted
        // lies inside the time measured.
        const long long t0 = weldtest::virtualMicros().load();
        const std::size_t reads0 = statusReads();
        ASSERT_TRUE(eventually([&] { return statusReads() >= reads0 + 20; }));
        const std::size_t readsAtEnd = statusReads();
        const double elapsedMs = static_cast<double>(weldtest::virtualMicros().load() - t0) / 1000.0;
        EXPECT_GE(elapsedMs, (static_cast<double>(readsAtEnd - reads0) - 2) * period);
        sim_.setRegister(kRegStatus, then);
        const std::size_t reads1 = statusReads();
        ASSERT_TRUE(eventually([&] { return statusReads() >= reads1 + 3; }));
        welder.reset();

        const std::string master = masterLog(), link = linkLog();
        auto count = [](const std::string& log, const std::string& text) {
            std::size_t n = 0;
            for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
            return n;
        };
        for (const std::uint32_t status : {first, then}) {
            std::size_t answered = 0;
            for (const auto& e : sim_.journal()) answered += !e.write && e.address == kRegStatus && e.data == status;
            const std::string read = drivers::cformat("Register address - 3 data - 0x%08x read ", status);
            EXPECT_EQ(count(master, read + "successfully"), 1u) << master;
            EXPECT_EQ(count(link, read + "successfully"), 1u) << link;
            EXPECT_EQ(count(master, read + std::to_string(answered - 1) + " more times"), 1u) << master;
        }
    }
}
