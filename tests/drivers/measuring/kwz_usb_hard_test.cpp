#include "drivers/measuring/kwz_usb_hard.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/sim_measuring.h"

namespace {

using namespace TamskKWZv2;
using sim::JournalEntry;
using sim::SimMeasuringController;

struct Messages {
    std::vector<std::string> lines;
    MessageSink sink() {
        return [this](const char* source, const char* text) {
            EXPECT_STREQ("KWZUSBHardT2", source);
            lines.push_back(text);
        };
    }
    bool has(const std::string& s) const {
        for (const auto& l : lines)
            if (l == s) return true;
        return false;
    }
};

// ---------------------------------------------------------------- wire format

TEST(KWZUSBHardT2Frames, RegisterFrameBytes) {
    RegisterFrame f;
    f.command = RegisterFrame::commandRead;
    f.registerNumber = 133;
    f.value = 0x01000064;
    std::uint8_t b[64];
    std::fill(b, b + 64, 0xEE);
    f.encode(b);
    const std::uint8_t head[10] = {0x12, 0x00, 0x85, 0x00, 0x00, 0x00, 0x64, 0x00, 0x00, 0x01};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(head[i], b[i]) << i;
    for (int i = 10; i < 64; ++i) EXPECT_EQ(0, b[i]) << i;
    b[0] = 0x82;
    b[5] = 0x80;  // register 0x80000085
    const RegisterFrame d = RegisterFrame::decode(b);
    EXPECT_EQ(0x0082, d.command);
    EXPECT_EQ(0x80000085u, d.registerNumber);
    EXPECT_EQ(0x01000064u, d.value);
}

TEST(KWZUSBHardT2Frames, ADCDataPacketBytes) {
    ADCDataPacket p;
    p.marker[3] = 1;
    p.sequence = 0x1234;
    p.sample[2][2] = -2;      // sample 2, channel 3: offset 9 + 20 + 4 = 33
    p.sample[4][4] = 0x7FFF;  // sample 4, channel 5: offset 9 + 40 + 8 = 57
    p.sample[0][0] = 0x0102;  // offset 9
    std::uint8_t b[64];
    p.encode(b);
    EXPECT_EQ(0x81, b[0]);
    EXPECT_EQ(0x00, b[1]);
    EXPECT_EQ(1, b[5]);
    EXPECT_EQ(0x34, b[7]);
    EXPECT_EQ(0x12, b[8]);
    EXPECT_EQ(0x02, b[9]);
    EXPECT_EQ(0x01, b[10]);
    EXPECT_EQ(0xFE, b[33]);
    EXPECT_EQ(0xFF, b[34]);
    EXPECT_EQ(0xFF, b[57]);
    EXPECT_EQ(0x7F, b[58]);
    for (int i = 59; i < 64; ++i) EXPECT_EQ(0, b[i]);
    const ADCDataPacket d = ADCDataPacket::decode(b);
    EXPECT_EQ(ADCDataPacket::DATA_PACKET, d.type);
    EXPECT_EQ(0x1234, d.sequence);
    EXPECT_EQ(1, d.marker[3]);
    EXPECT_EQ(0, d.marker[2]);
    EXPECT_EQ(-2, d.sample[2][2]);
    EXPECT_EQ(0x7FFF, d.sample[4][4]);
    EXPECT_EQ(0x0102, d.sample[0][0]);
}

// ---------------------------------------------------------------- open

TEST(KWZUSBHardT2Open, FirstMatchInBusOrderDecoysSkipped) {
    SimMeasuringController sim;
    sim.clearBus();
    sim.addDevice(0, 1, 0x2E91, 0x7687);  // older controller
    sim.addDevice(0, 2, 0x1234, 0x7688);  // other vendor
    sim.addDevice(1, 3, 0x2E91, 0x7700);  // welding controller
    const int first = sim.addDevice(1, 4, 0x2E91, 0x7688);
    sim.addDevice(2, 1, 0x2E91, 0x7688);
    Messages m;
    KWZUSBHardT2 link(m.sink(), &sim);
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(first, sim.openedDevice());
    EXPECT_TRUE(m.lines.empty());
    // The firmware gate read 19, then 100.
    const auto j = sim.journal();
    ASSERT_EQ(2u, j.size());
    EXPECT_EQ(19u, j[0].reg);
    EXPECT_EQ(100u, j[1].reg);
    link.close();
    link.close();  // twice is harmless
    EXPECT_FALSE(sim.isHandleOpen());
    EXPECT_EQ(1, sim.closeCount());
}

TEST(KWZUSBHardT2Open, EachFailingStepReportsItsMessage) {
    {
        SimMeasuringController sim;
        sim.clearBus();
        sim.addDevice(0, 1, 0x2E91, 0x7687);
        Messages m;
        KWZUSBHardT2 link(m.sink(), &sim);
        EXPECT_FALSE(link.isOpen());
        EXPECT_FALSE(link.hasHandle());
        EXPECT_TRUE(m.has("KWZUSBHardT2(), Device not found!"));
    }
    {
        SimMeasuringController sim;
        sim.failOpen(true);
        Messages m;
        KWZUSBHardT2 link(m.sink(), &sim);
        EXPECT_FALSE(link.isOpen());
        EXPECT_TRUE(m.has("KWZUSBHardT2(), Device not found!"));
    }
    {
        SimMeasuringController sim;
        sim.setConfigurationResult(-EIO);
        Messages m;
        KWZUSBHardT2 link(m.sink(), &sim);
        EXPECT_FALSE(link.isOpen());
        EXPECT_FALSE(link.hasHandle());
        EXPECT_EQ(1, sim.closeCount());
        EXPECT_EQ(std::vector<std::string>{"KWZUSBHardT2(), Config setting error!"}, m.lines);
    }
    {
        SimMeasuringController sim;
        sim.setClaimResult(-EACCES);
        Messages m;
        KWZUSBHardT2 link(m.sink(), &sim);
        EXPECT_FALSE(link.isOpen());
        EXPECT_FALSE(link.hasHandle());
        EXPECT_EQ(std::vector<std::string>{"KWZUSBHardT2(), Error claiming interface!"}, m.lines);
    }
}

TEST(KWZUSBHardT2Open, BusyInterfaceIsDetachedOnceAndRetried) {
    SimMeasuringController sim;
    sim.busyOnce();
    Messages m;
    KWZUSBHardT2 link(m.sink(), &sim);
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(1, sim.detachCount());
    EXPECT_TRUE(m.lines.empty());
}

TEST(KWZUSBHardT2Open, FirmwareGate) {
    struct Case {
        std::uint32_t reg19;
        unsigned major;
        bool timeout19;
        bool accepted;
    } cases[] = {{0, 6, false, true}, {1, 6, false, false}, {0, 5, false, false},
                 {0, 7, false, false}, {0, 6, true, false}};
    for (const Case& c : cases) {
        SimMeasuringController sim;
        sim.setRegister(19, c.reg19);
        sim.setFirmware(sim::firmwareVersionWord(c.major, 1, 2), 0);
        if (c.timeout19) sim.injectReadTimeout();
        Messages m;
        KWZUSBHardT2 link(m.sink(), &sim);
        EXPECT_EQ(c.accepted, link.isOpen()) << c.reg19 << " " << c.major;
        EXPECT_EQ(!c.accepted, m.has("KWZUSBHardT2(), KWZ Firmware version up to 6.xxx!"));
        // A refused controller keeps its handle for the caller to close.
        EXPECT_TRUE(link.hasHandle());
        EXPECT_TRUE(sim.isHandleOpen());
        link.close();
        EXPECT_FALSE(sim.isHandleOpen());
    }
}

TEST(KWZUSBHardT2Open, StaleReplyIsDrainedBeforeTheFirstRequest) {
    SimMeasuringController sim;
    sim.queueStaleReply(131, 1800);
    Messages m;
    KWZUSBHardT2 link(m.sink(), &sim);
    EXPECT_TRUE(link.isOpen());
    EXPECT_TRUE(m.has("ReadRegister(), Late replies dropped!"));
}

// ---------------------------------------------------------------- exchanges

class KWZUSBHardT2Exchange : public ::testing::Test {
protected:
    void SetUp() override {
        link_.reset(new KWZUSBHardT2(m_.sink(), &sim_));
        ASSERT_TRUE(link_->isOpen());
        sim_.clearJournal();
    }
    SimMeasuringController sim_;
    Messages m_;
    std::unique_ptr<KWZUSBHardT2> link_;
};

TEST_F(KWZUSBHardT2Exchange, WrongReplyCommandGivesZeroAndMinusOne) {
    sim_.setRegister(131, 1800);
    sim_.injectWrongReplyCommand(0x0012);
    std::uint32_t v = 77;
    EXPECT_EQ(-1, link_->ReadRegister(131, v));
    EXPECT_EQ(0u, v);
    EXPECT_EQ(64, link_->ReadRegister(131, v));
    EXPECT_EQ(1800u, v);
}

TEST_F(KWZUSBHardT2Exchange, ShortOrForeignRepliesAndShortWritesFail) {
    sim_.setRegister(131, 1800);
    std::uint32_t v = 0;
    for (int n : {1, 10, 63}) {
        sim_.injectShortReply(n);
        EXPECT_EQ(-1, link_->ReadRegister(131, v)) << n;
    }
    EXPECT_TRUE(m_.has("ReadRegister(), USB data transfer error!"));
    m_.lines.clear();
    sim_.injectShortWrite(32);
    EXPECT_EQ(-1, link_->ReadRegister(131, v));
    EXPECT_TRUE(m_.has("WriteRegister(), USB data transfer error!"));
    sim_.injectShortWrite(10);
    EXPECT_EQ(-1, link_->WriteRegister(131, 5));
    EXPECT_NE(5u, sim_.reg(131));
    sim_.injectForeignRegister(132);
    EXPECT_EQ(-1, link_->ReadRegister(131, v));
    sim_.injectReadTimeout();
    EXPECT_EQ(-1, link_->ReadRegister(131, v));
    sim_.injectWriteError(-ETIMEDOUT);
    EXPECT_EQ(-ETIMEDOUT, link_->WriteRegister(131, 5));
}

TEST_F(KWZUSBHardT2Exchange, UnplugFailsEveryLaterCall) {
    sim_.unplugFromCall(2);  // the read request goes out, its reply is lost
    std::uint32_t v = 0;
    EXPECT_EQ(-1, link_->ReadRegister(131, v));
    EXPECT_TRUE(m_.has("ReadRegister(), USB data transfer error!"));
    EXPECT_EQ(-ENODEV, link_->WriteRegister(131, 5));
    std::vector<std::uint8_t> block(100 * 64);
    EXPECT_EQ(-ENODEV, link_->getADCData(block.data(), 100));
    EXPECT_TRUE(m_.has("getADCData(), USB data transfer error!"));
}

TEST_F(KWZUSBHardT2Exchange, ADCBlockReadAndShortBlock) {
    ASSERT_EQ(64, link_->WriteRegister(133, 0x01000000 | 100));
    std::vector<std::uint8_t> block(100 * 64);
    EXPECT_EQ(6400, link_->getADCData(block.data(), 100));
    EXPECT_EQ(99, ADCDataPacket::decode(block.data() + 99 * 64).sequence);
    ASSERT_EQ(64, link_->WriteRegister(133, 0x01000000 | 100));
    sim_.injectShortBlock(640);
    EXPECT_EQ(640, link_->getADCData(block.data(), 100));
    EXPECT_TRUE(m_.has("getADCData(), USB data transfer error!"));
}

// One table over the register map: each accessor's frame and decoded value.
TEST_F(KWZUSBHardT2Exchange, RegisterMapAccessors) {
    KWZUSBHardT2& l = *link_;
    std::uint32_t u = 0;
    double d = 0;

    struct ReadCase {
        const char* name;
        std::uint32_t reg;
        std::uint32_t wire;
        std::function<int()> call;
        std::function<void()> check;
    };
    const float pi = 3.14159265f;
    (void)pi;
    std::vector<ReadCase> reads = {
        {"fwVersion", 100, 0x06020011, [&] { return l.readFwVersion(u); }, [&] { EXPECT_EQ(0x06020011u, u); }},
        {"fwDate", 101, 0x7E71B0C3, [&] { return l.readFwDate(u); }, [&] { EXPECT_EQ(0x7E71B0C3u, u); }},
        {"frequency", 103, 499, [&] { return l.readInvertorFrequency(d); }, [&] { EXPECT_DOUBLE_EQ(49.9, d); }},
        {"frequencyNegative", 103, static_cast<std::uint32_t>(-5), [&] { return l.readInvertorFrequency(d); },
         [&] { EXPECT_DOUBLE_EQ(-0.5, d); }},
        {"input", 108, 0xA5, [&] { return l.readInvertorInput(u); }, [&] { EXPECT_EQ(0xA5u, u); }},
        {"errors", 109, 3, [&] { return l.readInvertorErrors(u); }, [&] { EXPECT_EQ(3u, u); }},
        {"count", 110, 2, [&] { return l.readInvertorManagerCountInvertors(u); }, [&] { EXPECT_EQ(2u, u); }},
        {"optical2", 122, sim::floatBits(1234.5f), [&] { return l.readMarkerOpticalSpeed(1, d); },
         [&] { EXPECT_DOUBLE_EQ(1234.5, d); }},
        {"encoder1", 115, sim::floatBits(-60.25f), [&] { return l.readMarkerEncoderSpeed(0, d); },
         [&] { EXPECT_DOUBLE_EQ(-60.25, d); }},
        {"angle1", 117, sim::floatBits(0.25f), [&] { return l.readMarkerEncoderAngleDeg(0, d); },
         [&] { EXPECT_NEAR(M_PI / 2, d, 1e-12); }},
        {"angle2", 125, sim::floatBits(0.5f), [&] { return l.readMarkerEncoderAngleDeg(1, d); },
         [&] { EXPECT_NEAR(M_PI, d, 1e-12); }},
        {"fullTurn2", 127, 4096, [&] { return l.readMarkerEncoderFullTurn(1, u); }, [&] { EXPECT_EQ(4096u, u); }},
        {"angleCnt1", 116, 77, [&] { return l.readMarkerEncoderAngleCnt(0, u); }, [&] { EXPECT_EQ(77u, u); }},
        {"direction2", 126, 1, [&] { return l.readMarkerEncoderDirection(1, u); }, [&] { EXPECT_EQ(1u, u); }},
        {"markerType2", 128, 1, [&] { return l.readMarkerEncoderMarkerType(1, u); }, [&] { EXPECT_EQ(1u, u); }},
        {"expansion", 130, 0x55, [&] { return l.readExpansionPort(u); }, [&] { EXPECT_EQ(0x55u, u); }},
        {"rate", 131, 36000, [&] { return l.readADCSampleRate(u); }, [&] { EXPECT_EQ(36000u, u); }},
        {"gain", 132, 0x2AA, [&] { return l.readADCChannelGain(u); }, [&] { EXPECT_EQ(0x2AAu, u); }},
    };
    for (auto& c : reads) {
        sim_.setRegister(c.reg, c.wire);
        sim_.clearJournal();
        EXPECT_EQ(64, c.call()) << c.name;
        c.check();
        const auto j = sim_.journal();
        ASSERT_EQ(1u, j.size()) << c.name;
        EXPECT_EQ((JournalEntry{c.reg, false, c.wire, 0}), j[0]) << c.name;
    }

    // Shifted reads: status and welder status.
    sim_.setStatusBits(0x0101);
    EXPECT_EQ(64, l.readStatus(u));
    EXPECT_EQ(0x0101u, u);
    sim_.setWelderStatus(0x3281);
    EXPECT_EQ(64, l.readWelderStatus(u));
    EXPECT_EQ(0x3281u, u);

    // 113 and 137 carry the caller's argument.
    sim_.clearJournal();
    sim_.setRegister(113, 0x0512);
    EXPECT_EQ(64, l.readInvertorManagerSetCurrentInvertor(1u << 16, u));
    EXPECT_EQ(0x0512u, u);
    sim_.setRegister(137, 9);
    EXPECT_EQ(64, l.readRegister137(0xABCD, u));
    auto j = sim_.journal();
    ASSERT_EQ(2u, j.size());
    EXPECT_EQ((JournalEntry{113, false, 0x0512, 1u << 16}), j[0]);
    EXPECT_EQ((JournalEntry{137, false, 9, 0xABCD}), j[1]);

    // Writes.
    sim_.clearJournal();
    EXPECT_EQ(64, l.writeInvertorFrequency(49.99));
    EXPECT_EQ(64, l.writeInvertorFrequency(-0.05));
    EXPECT_EQ(64, l.writeInvertorFrequency(-12.34));
    EXPECT_EQ(64, l.writeInvertorAcceleration(2.5));
    EXPECT_EQ(64, l.writeInvertorDeceleration(10.09));
    EXPECT_EQ(64, l.writeInvertorRampType(2));
    EXPECT_EQ(64, l.writeInvertorRelay(0x3));
    EXPECT_EQ(64, l.writeInvertorManagerAddInvertor(0x010203));
    EXPECT_EQ(64, l.writeInvertorManagerDeleteInvertor(0x10000));
    EXPECT_EQ(64, l.writeMarkerEncoderMarkerType(1, 1));
    EXPECT_EQ(64, l.writeMarkerEncoderTrain(0, 0));
    EXPECT_EQ(64, l.writeADCSampleRate(1800));
    EXPECT_EQ(64, l.writeADCChannelGain(0x155));
    EXPECT_EQ(64, l.writeControl(0x8000));
    EXPECT_EQ(64, l.writeWelderControl(1));
    EXPECT_EQ(64, l.writeMotorParameters(0x70000));
    EXPECT_EQ(64, l.writeRegister137(4));
    EXPECT_EQ(64, l.writeExpansionPort(6));
    // Every frequency, ramp and marker type is read back.
    const std::uint32_t minus123 = static_cast<std::uint32_t>(-123);
    const std::vector<JournalEntry> expected = {
        {103, true, 499, 0},     {103, false, 499, 0},     {103, true, 0, 0},
        {103, false, 0, 0},      {103, true, minus123, 0}, {103, false, minus123, 0},
        {105, true, 25, 0},      {105, false, 25, 0},      {106, true, 100, 0},   {106, false, 100, 0},
        {104, true, 2, 0},       {104, false, 2, 0},
        {107, true, 3, 0},       {111, true, 0x010203, 0}, {112, true, 0x10000, 0},
        {128, true, 1, 0},       {128, false, 1, 0},       {121, true, 0, 0},     {131, true, 1800, 0},
        {132, true, 0x155, 0},   {134, true, 0x8000, 0},   {135, true, 1, 0},
        {136, true, 0x70000, 0}, {137, true, 4, 0},        {130, true, 6, 0},
    };
    EXPECT_EQ(expected, sim_.journal()) << sim_.journalText();
}

TEST_F(KWZUSBHardT2Exchange, UnrepresentableTenthsAreRefusedWithoutAFrame) {
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity(), 3e8, -3e8}) {
        m_.lines.clear();
        EXPECT_EQ(-1, link_->writeInvertorFrequency(bad)) << bad;
        EXPECT_EQ(-1, link_->writeInvertorAcceleration(bad)) << bad;
        EXPECT_EQ(-1, link_->writeInvertorDeceleration(bad)) << bad;
        EXPECT_TRUE(m_.has("WriteRegister(), Invalid parameters!"));
    }
    EXPECT_TRUE(sim_.journal().empty());
    // The extremes of i32 still go out.
    EXPECT_EQ(64, link_->writeInvertorFrequency(214748364.7));
    EXPECT_EQ(64, link_->writeInvertorFrequency(-214748364.8));
}

}  // namespace
