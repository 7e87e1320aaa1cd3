// The older controller's wire protocol: register packets, the device search
// and the raw data blocks, against the simulated older controller.

#include "drivers/older/older_link.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/sim_older.h"

namespace {

using namespace older;
using sim::SimOlderController;

class OlderLink : public ::testing::Test {
protected:
    OlderLink() : use(sim) {}

    std::unique_ptr<Link> open() {
        drivers::Usb01Handle* h = openController(sink());
        if (h == nullptr) {
            ADD_FAILURE() << "the simulated controller did not open";
            return nullptr;
        }
        sim.clearRegisterJournal();
        lines.clear();
        return std::make_unique<Link>(h, sink());
    }
    MessageSink sink() {
        return [this](const std::string& text) { lines.push_back(text); };
    }

    SimOlderController sim;
    sim::ScopedUsb01 use;
    std::vector<std::string> lines;
};

TEST_F(OlderLink, RegistersReadAndWritten) {
    auto link = open();
    ASSERT_NE(link, nullptr);
    std::uint32_t v = 0;
    ASSERT_TRUE(link->readRegister(kRegFirmware, &v));
    EXPECT_EQ(decodeFirmware(v).number(), 306);
    EXPECT_TRUE(link->writeRegister(kRegFrequency, 0xFFFFFF9Cu));
    EXPECT_EQ(sim.writesOf(kRegFrequency), std::vector<std::uint32_t>{0xFFFFFF9Cu});
    EXPECT_TRUE(link->startTraining());
    EXPECT_EQ(sim.trainingCommands(), 1);
    EXPECT_TRUE(lines.empty());
    link.reset();
    EXPECT_FALSE(sim.isHandleOpen());
}

TEST_F(OlderLink, MalformedRepliesFailWithTheirLine) {
    auto link = open();
    ASSERT_NE(link, nullptr);
    sim.setReg(5, 17);
    struct Case {
        std::function<void()> inject;
        const char* line;
    };
    const Case cases[] = {
        {[&] { sim.injectReplyCommand(0x83); }, "ERROR invalid packet: 131 or register 5 != 5"},
        {[&] { sim.injectReplyRegister(6); }, "ERROR invalid packet: 130 or register 6 != 5"},
        {[&] { sim.injectShortReply(4); }, "ERROR invalid packet: 130 or register -1 != 5"},
        {[&] { sim.injectShortReply(1); }, "ERROR invalid packet: 1 or register -1 != 5"},
        {[&] { sim.injectPacketShortWrite(63); }, "ERROR 63 request register: 5"},
    };
    // A bad reply is dropped; no other comes, so the read times out.
    const std::string timedOut = "ERROR invalid packet: -110 or register -1 != 5";
    for (const Case& c : cases) {
        lines.clear();
        c.inject();
        std::uint32_t v = 99;
        EXPECT_FALSE(link->readRegister(5, &v)) << c.line;
        EXPECT_EQ(v, 0u) << c.line;
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), c.line);
        if (lines.size() > 1) {
            EXPECT_EQ(lines, (std::vector<std::string>{c.line, timedOut}));
        }
    }
    sim.injectPacketShortWrite(10);
    EXPECT_FALSE(link->writeRegister(5, 1));
    EXPECT_EQ(lines.back(), "set register error: 5");
    std::uint32_t v = 0;
    EXPECT_TRUE(link->readRegister(5, &v));
    EXPECT_EQ(v, 17u);
}

TEST_F(OlderLink, DeviceSearchAndItsFailures) {
    sim.clearBus();
    sim.addDevice(0, 1, 0x2E91, 0x7688);  // the current controller is not this device
    EXPECT_EQ(openController(sink()), nullptr);
    EXPECT_EQ(sim.openCount(), 0);

    sim.addDevice(1, 2, 0x2E91, 0x7687);
    sim.failOpen(true);
    EXPECT_EQ(openController(sink()), nullptr);
    EXPECT_TRUE(lines.empty());
    sim.failOpen(false);

    sim.setConfigurationResult(-5);
    EXPECT_EQ(openController(sink()), nullptr);
    EXPECT_EQ(lines.back(), "Can't set config (error: -5). Exiting...");
    sim.setConfigurationResult(0);

    sim.setClaimResult(-16);
    EXPECT_EQ(openController(sink()), nullptr);
    EXPECT_EQ(lines.back(), "Can't claim interface (error: -16). Exiting...");
    EXPECT_EQ(sim.closeCount(), 2);
    sim.setClaimResult(0);

    lines.clear();
    drivers::Usb01Handle* h = openController(sink());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(sim.openedDevice(), 1);
    EXPECT_EQ(lines, std::vector<std::string>{"Libusb connected successfully. Initialiating..."});
    Link closing(h, {});
}

TEST_F(OlderLink, DataBlocksCarrySamplesMarksSpeedAndPacketNumbers) {
    auto link = open();
    ASSERT_NE(link, nullptr);
    std::vector<sim::RawFrame> frames(7);
    for (int i = 0; i < 7; ++i) {
        frames[static_cast<std::size_t>(i)].mark = i == 1 || i == 5;
        for (int c = 0; c < 5; ++c)
            frames[static_cast<std::size_t>(i)].values[static_cast<std::size_t>(c)] = 100 * i - 10 * c - 250;
    }
    sim.setFrames(frames);
    sim.setSpeed(-1234);
    sim.setReachedDelayBlocks(1);
    ASSERT_TRUE(link->writeRegister(kRegFrequency, 100));  // the reached bit drops for one block
    ASSERT_TRUE(link->writeRegister(kRegStartConversion, startConversionWord(2)));
    std::uint32_t ready = 0;
    ASSERT_TRUE(link->readRegister(kRegDataReady, &ready));
    EXPECT_NE(ready & kConversionBit, 0u);

    std::vector<std::uint8_t> bytes(3 * kBlockSize);
    ASSERT_EQ(link->readBlocks(bytes.data(), static_cast<int>(bytes.size())), 2 * kBlockSize);
    for (int b = 0; b < 2; ++b) {
        const DataBlock block(bytes.data() + b * kBlockSize);
        EXPECT_TRUE(block.isData());
        EXPECT_EQ(block.samples(), 5);
        EXPECT_EQ(block.speed(), -1234);
        EXPECT_EQ(block.packetNumber(), b);
        EXPECT_EQ(block.speedReached(), b == 1);
        for (int i = 0; i < 5; ++i) {
            const int frame = (5 * b + i) % 7;
            EXPECT_EQ(block.marked(i), frame == 1 || frame == 5) << b << " " << i;
            for (int c = 1; c <= 5; ++c) EXPECT_EQ(block.value(c, i), 100 * frame - 10 * (c - 1) - 250);
        }
    }
}

TEST(OlderProtocol, FirmwareWordRoundTrip) {
    const Firmware cases[] = {
        {3, 6, false, 2021, 6, 15}, {3, 4, true, 2019, 11, 2}, {127, 255, true, 2127, 15, 31}};
    for (const Firmware& f : cases) {
        const Firmware d = decodeFirmware(encodeFirmware(f));
        EXPECT_EQ(d.major, f.major);
        EXPECT_EQ(d.minor, f.minor);
        EXPECT_EQ(d.debugBuild, f.debugBuild);
        EXPECT_EQ(d.year, f.year);
        EXPECT_EQ(d.month, f.month);
        EXPECT_EQ(d.day, f.day);
    }
    EXPECT_EQ(decodeFirmware((21u << 25) | (6u << 21) | (15u << 16) | (3u << 8) | 6u).number(), 306);
}

// A late reply answers no later request: drained after the time-out and
// by a new link, or dropped when it comes after the drain.
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
        SimOlderController sim;
        sim::ScopedUsb01 use(sim);
        sim.setReg(5, 55);
        sim.setReg(6, 66);
        sim.setLateReplyReads(c.lateReads);
        sim.injectFault(SimOlderController::Fault::lateReply,
                        [](const auto& t) { return t.kind == t.read && t.reg == 5; });
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
