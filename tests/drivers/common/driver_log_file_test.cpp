#include "drivers/common/driver_log_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "drivers/common/driver_timing.h"
#include "support/work_dir.h"

namespace {

namespace fs = std::filesystem;
using drivers::DriverLogFile;
using drivers::LocalTime;

using testwd::readFile;

class DriverLogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        drivers::DriverTiming t;
        t.wallClockHook = [this] { return now_; };
        timing_.reset(new drivers::ScopedDriverTiming(t));
    }
    void TearDown() override { timing_.reset(); }
    std::string path(const char* name) const { return dir_.file(name); }

    testwd::ScratchDir dir_{"ks_drvlog"};
    LocalTime now_{2023, 1, 25, 14, 3, 7, 45};
    std::unique_ptr<drivers::ScopedDriverTiming> timing_;
};

TEST_F(DriverLogFileTest, TimestampTagsAndStartStopLines) {
    char date[11];
    DriverLogFile::dateString(date);
    EXPECT_STREQ("2023.01.25", date);
    EXPECT_EQ("2023.01.25 14:03:07.045", DriverLogFile::timestamp());

    DriverLogFile log;
    log.start(path("a.txt"), 2);
    ASSERT_TRUE(log.isOpen());
    log.writeError("[KWZUSB] getFWversion(), USB not connected!\n");
    now_.millisecond = 999;
    log.writeInformation("[KWZUSB] connect(), begin\n");
    now_.second = 8;
    now_.millisecond = 0;
    log.stop();
    EXPECT_FALSE(log.isOpen());
    EXPECT_EQ("2023.01.25 14:03:07.045 Logger Start\n"
              "2023.01.25 14:03:07.045 [Error]       [KWZUSB] getFWversion(), USB not connected!\n"
              "2023.01.25 14:03:07.999 [Information] [KWZUSB] connect(), begin\n"
              "2023.01.25 14:03:08.000 Logger Stop\n",
              readFile(path("a.txt")));
}

TEST_F(DriverLogFileTest, LevelsFilterErrorAndInformationLines) {
    for (unsigned level : {0u, 1u, 2u, 3u}) {
        const std::string p = path(("l" + std::to_string(level)).c_str());
        DriverLogFile log;
        log.start(p, level);
        log.writeError("E\n");
        log.writeInformation("I\n");
        log.stop();
        const std::string text = readFile(p);
        EXPECT_NE(std::string::npos, text.find("Logger Start")) << level;
        EXPECT_NE(std::string::npos, text.find("Logger Stop")) << level;
        EXPECT_EQ(level >= 1, text.find("[Error]       E\n") != std::string::npos) << level;
        EXPECT_EQ(level >= 2, text.find("[Information] I\n") != std::string::npos) << level;
    }
}

TEST_F(DriverLogFileTest, TwoStartsOfOnePathAppend) {
    {
        DriverLogFile log;
        log.start(path("b.txt"), 1);
        log.writeError("first\n");
        log.stop();
    }
    DriverLogFile log;
    log.start(path("b.txt"), 1);
    log.writeError("second\n");
    log.stop();
    const std::string text = readFile(path("b.txt"));
    const auto first = text.find("Logger Start");
    ASSERT_NE(std::string::npos, first);
    EXPECT_NE(std::string::npos, text.find("Logger Start", first + 1));
    EXPECT_LT(text.find("first"), text.find("second"));
}

TEST_F(DriverLogFileTest, LongTextIsCutAndStillEndsTheLine) {
    DriverLogFile log;
    log.start(path("c.txt"), 2);
    const std::string fits(DriverLogFile::maxTextLength - 1, 'x');
    log.writeError(fits + "\n");  // 217 characters: whole
    const std::string tooLong(400, 'y');
    log.writeInformation(tooLong + "\n");
    log.stop();
    std::istringstream lines(readFile(path("c.txt")));
    std::string line;
    std::getline(lines, line);  // start
    std::getline(lines, line);
    EXPECT_EQ(23u + 15u + fits.size(), line.size());
    std::getline(lines, line);
    EXPECT_EQ(255u, line.size() + 1);  // 255 bytes including its line feed
    EXPECT_EQ(std::string(217 - 1, 'y'), line.substr(38));
    std::getline(lines, line);
    EXPECT_NE(std::string::npos, line.find("Logger Stop"));
}

TEST_F(DriverLogFileTest, WeldingFormOpensNothingAtLevelZeroAndFlushesEveryLine) {
    DriverLogFile quiet(DriverLogFile::Form::welding);
    quiet.start(path("w0.txt"), 0);
    EXPECT_FALSE(quiet.isOpen());
    quiet.writeError("x\n");
    quiet.stop();
    EXPECT_FALSE(fs::exists(path("w0.txt")));

    DriverLogFile log(DriverLogFile::Form::welding);
    log.start(path("w1.txt"), 1);
    ASSERT_TRUE(log.isOpen());
    log.writeError("WelderUSBLL::usbWrite(), Error while writing: LIBUSB_ERROR_IO\n");
    // Readable before stop: every line is flushed.
    EXPECT_NE(std::string::npos, readFile(path("w1.txt")).find("Error while writing"));
    log.stop();

    // The measuring form opens at level 0 and writes start and stop.
    DriverLogFile m;
    m.start(path("m0.txt"), 0);
    EXPECT_TRUE(m.isOpen());
    m.stop();
    EXPECT_NE(std::string::npos, readFile(path("m0.txt")).find("Logger Stop"));
}

TEST_F(DriverLogFileTest, UnopenablePathLeavesTheLogClosedAndSilent) {
    DriverLogFile log;
    log.start(path("no/such/folder/x.txt"), 3);
    EXPECT_FALSE(log.isOpen());
    log.writeError("E\n");
    log.writeInformation("I\n");
    log.stop();
    EXPECT_FALSE(fs::exists(path("no")));
}

TEST(DriverLogFileFormat, NumbersUseTheDecimalPoint) {
    EXPECT_EQ("Frequency =     49.990", drivers::cformat("Frequency = %10.3f", 49.99));
    EXPECT_EQ("0x01000064", drivers::cformat("0x%08X", 0x01000064u));
    const std::string longText(1000, 'z');
    EXPECT_EQ(longText + "!", drivers::cformat("%s!", longText.c_str()));
}

TEST(DriverTimingTest, FastTimeScalesSleepsAndClockTogether) {
    const drivers::DriverTiming fast = drivers::fastDriverTiming(1000.0);
    const double t0 = fast.nowMs();
    fast.sleepMs(200);  // 0.2 ms of real time
    EXPECT_GE(fast.nowMs() - t0, 200.0);
    drivers::DriverTiming manual;
    double now = 5;
    manual.nowHook = [&] { return now; };
    manual.sleepHook = [&](double ms) { now += ms; };
    manual.sleepMs(100);
    EXPECT_EQ(105.0, manual.nowMs());
}

}  // namespace
