#include "drivers/welding/welder_usb_ll.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "drivers/welding/welder_master.h"
#include "support/welding_env.h"

using namespace TamskWelder;
using simwelder::ReplyFault;
using simwelder::RequestFault;
using weldtest::WeldingEnv;

namespace {

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

void expectNothingHeld(const simwelder::SimWeldingController& s) {
    EXPECT_EQ(s.initCalls, s.exitCalls);
    EXPECT_EQ(s.listGets, s.listFrees);
    EXPECT_EQ(s.opens, s.closes);
    EXPECT_EQ(s.claims, s.releases);
}

std::vector<std::uint8_t> frameOf(std::initializer_list<int> bytes) {
    std::vector<std::uint8_t> f;
    for (int b : bytes) f.push_back(static_cast<std::uint8_t>(b));
    const std::uint16_t crc = crc16Modbus(f.data(), f.size());
    f.push_back(static_cast<std::uint8_t>(crc));
    f.push_back(static_cast<std::uint8_t>(crc >> 8));
    return f;
}

}  // namespace

// ---------------------------------------------------------------- frames

TEST(WelderFrame, Crc16ModbusCheckValue) {
    const char* check = "123456789";
    EXPECT_EQ(crc16Modbus(reinterpret_cast<const std::uint8_t*>(check), 9), 0x4B37);
    EXPECT_EQ(crc16Modbus(nullptr, 0), 0xFFFF);
    const std::uint8_t one[] = {0x01};
    EXPECT_EQ(crc16Modbus(one, 1), 0x807E);
}

TEST(WelderFrame, RequestBytes) {
    std::uint8_t frame[64] = {};
    WelderRegister read;
    read.address = 3 | 0x8000;
    EXPECT_EQ(buildWelderFrame(read, frame), 10u);
    const auto expectedRead = frameOf({0xF0, 0xA5, 0x03, 0x80, 0x00, 0x00, 0x00, 0x00});
    EXPECT_EQ(std::vector<std::uint8_t>(frame, frame + 10), expectedRead);

    WelderRegister write;
    write.address = 6;
    write.data = 0x41200000;  // 10.0f
    buildWelderFrame(write, frame);
    const auto expectedWrite = frameOf({0xF0, 0xA5, 0x06, 0x00, 0x00, 0x00, 0x20, 0x41});
    EXPECT_EQ(std::vector<std::uint8_t>(frame, frame + 10), expectedWrite);
}

TEST(WelderFrame, ParseResults) {
    WelderRegister r;
    std::uint8_t block[32];
    std::uint8_t n = 0;

    auto reply = frameOf({0xF0, 0x5A, 0x09, 0x00, 0x78, 0x56, 0x34, 0x12});
    EXPECT_EQ(parseWelderReply(r, block, &n, reply.data(), 10), kParseRegister);
    EXPECT_EQ(r.address, 9);
    EXPECT_EQ(r.data, 0x12345678u);
    EXPECT_EQ(parseWelderReply(r, block, &n, reply.data(), 9), kParseLength);
    reply.push_back(0);
    EXPECT_EQ(parseWelderReply(r, block, &n, reply.data(), 11), kParseLength);

    auto bad = frameOf({0xF0, 0x5A, 0x09, 0x00, 0x78, 0x56, 0x34, 0x12});
    bad[4] ^= 1;
    EXPECT_EQ(parseWelderReply(r, block, &n, bad.data(), 10), kParseCrc);

    auto a40 = frameOf({0xF0, 0x5A, 40, 0, 1, 0, 0, 0});
    auto a41 = frameOf({0xF0, 0x5A, 41, 0, 1, 0, 0, 0});
    EXPECT_EQ(parseWelderReply(r, block, &n, a40.data(), 10), kParseRegister);
    EXPECT_EQ(r.address, 40);
    r = WelderRegister{};
    EXPECT_EQ(parseWelderReply(r, block, &n, a41.data(), 10), kParseRange);
    EXPECT_EQ(r.address, 0);  // untouched

    std::vector<std::uint8_t> blk(35, 0);
    blk[0] = 0xF1;
    blk[1] = 0x5A;
    blk[2] = 3;
    blk[3] = 7;
    blk[4] = 8;
    blk[5] = 9;
    std::uint16_t crc = crc16Modbus(blk.data(), 35);
    blk.push_back(static_cast<std::uint8_t>(crc));
    blk.push_back(static_cast<std::uint8_t>(crc >> 8));
    EXPECT_EQ(parseWelderReply(r, block, &n, blk.data(), 37), kParseBlock);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(block[0], 7);
    EXPECT_EQ(block[2], 9);
    EXPECT_EQ(parseWelderReply(r, block, &n, blk.data(), 36), kParseLength);
    blk[2] = 33;
    crc = crc16Modbus(blk.data(), 35);
    blk[35] = static_cast<std::uint8_t>(crc);
    blk[36] = static_cast<std::uint8_t>(crc >> 8);
    EXPECT_EQ(parseWelderReply(r, block, &n, blk.data(), 37), kParseRange);
    blk[36] ^= 1;
    EXPECT_EQ(parseWelderReply(r, block, &n, blk.data(), 37), kParseCrc);

    const std::uint8_t err[] = {0xFE, 0x5A};
    EXPECT_EQ(parseWelderReply(r, block, &n, err, 2), kParseControllerError);
    const std::uint8_t unknown[10] = {0x34, 0x12};
    EXPECT_EQ(parseWelderReply(r, block, &n, unknown, 10), kParseUnknownHead);
    EXPECT_EQ(parseWelderReply(r, block, &n, unknown, 1), kParseUnknownHead);
    EXPECT_EQ(parseWelderReply(r, block, &n, unknown, 0), kParseUnknownHead);
}

// ---------------------------------------------------------------- constructor

TEST_F(WeldingEnv, WelderUSBLLConstructorSteps) {
    sim_.kernelActive[1] = 0;
    {
        WelderUSBLL link(logs_, 5);
        ASSERT_TRUE(link.isOpen());
        EXPECT_EQ(sim_.detaches[0], 1);
        EXPECT_EQ(sim_.detaches[1], 0);
        EXPECT_EQ(sim_.claims, 2);
        EXPECT_EQ(sim_.claimOrder, (std::vector<int>{0, 1}));
        EXPECT_EQ(sim_.listFrees, sim_.listGets);
        const auto c = sim_.lastControl();
        EXPECT_EQ(c.requestType, 0x21);
        EXPECT_EQ(c.request, 0x20);
        EXPECT_EQ(c.value, 0);
        EXPECT_EQ(c.index, 0);
        EXPECT_EQ(c.data, (std::vector<std::uint8_t>{0x80, 0x25, 0, 0, 0, 0, 8}));
        EXPECT_GT(c.timeoutMs, 0u);
    }
    expectNothingHeld(sim_);
    const std::string log = linkLog();
    EXPECT_NE(log.find("2023.01.25 14:03:07.045 Logger Start\n"), std::string::npos);
    EXPECT_NE(log.find("2023.01.25 14:03:07.045 [Information] WelderUSBLL::WelderUSBLL(), Connection successful.\n"),
              std::string::npos);
    EXPECT_NE(log.find("[Information] WelderUSBLL::~WelderUSBLL(), Disconnection successful.\n"), std::string::npos);
    EXPECT_NE(log.find(" Logger Stop\n"), std::string::npos);
}

TEST_F(WeldingEnv, WelderUSBLLConstructorFailures) {
    struct Case {
        const char* line;
        std::function<void(simwelder::SimWeldingController&)> arm;
    };
    const Case cases[] = {
        {"WelderUSBLL::WelderUSBLL(), Error initializing libusb: LIBUSB_ERROR_NO_MEM\n",
         [](auto& s) { s.initResult = USB10_ERROR_NO_MEM; }},
        {"WelderUSBLL::WelderUSBLL(), Error get devices list libusb!\n",
         [](auto& s) { s.listResult = USB10_ERROR_IO; }},
        {"WelderUSBLL::WelderUSBLL(), Error get device descriptor libusb: LIBUSB_ERROR_IO\n",
         [](auto& s) { s.descriptorFailAt = 1; }},
        {"WelderUSBLL::WelderUSBLL(), Error Tamsk Welder Mashine device not found!\n",
         [](auto& s) { s.devices = {{0x2E91, 0x7688}, {0x2E91, 0x76FF}, {0x1234, 0x7700}}; }},
        {"WelderUSBLL::WelderUSBLL(), Error openning device: LIBUSB_ERROR_ACCESS\n",
         [](auto& s) { s.openResult = USB10_ERROR_ACCESS; }},
        {"WelderUSBLL::WelderUSBLL(), Error claiming interface: LIBUSB_ERROR_BUSY\n",
         [](auto& s) { s.claimResult[1] = USB10_ERROR_BUSY; }},
        {"WelderUSBLL::WelderUSBLL(), Error during control transfer: LIBUSB_ERROR_TIMEOUT\n",
         [](auto& s) { s.controlResult = USB10_ERROR_TIMEOUT; }},
    };
    for (const Case& c : cases) {
        simwelder::SimWeldingController sim;
        simwelder::ScopedSimWelder install(sim);
        c.arm(sim);
        std::error_code ec;
        std::filesystem::remove_all(logs_, ec);
        {
            WelderUSBLL link(logs_, 2);
            EXPECT_FALSE(link.isOpen()) << c.line;
            // Everything acquired on the way is already given back.
            expectNothingHeld(sim);
            WelderRegister r;
            EXPECT_EQ(link.getReg(r), kWelderNotOpen);
        }
        expectNothingHeld(sim);
        const std::string log = linkLog();
        EXPECT_NE(log.find(std::string(" [Error]       ") + c.line), std::string::npos) << c.line << log;
        EXPECT_EQ(log.find("Connection successful"), std::string::npos);
    }
}

TEST_F(WeldingEnv, WelderUSBLLBootModeAndLevelZero) {
    sim_.devices = {{0x2E91, 0x7700}};
    {
        WelderUSBLL link(logs_, 0, true);  // boot identity only
        EXPECT_FALSE(link.isOpen());
    }
    // Level 0: no log file is made at all.
    EXPECT_FALSE(std::filesystem::exists(logs_ + "/2023.01.25_WelderUSBLL_Bl_Log.txt"));
    sim_.devices = {{0x2E91, 0x76FF}};
    {
        WelderUSBLL link(logs_, 1, true);
        EXPECT_TRUE(link.isOpen());
    }
    const std::string log = weldtest::readFile(logs_ + "/2023.01.25_WelderUSBLL_Bl_Log.txt");
    EXPECT_NE(log.find("Logger Start"), std::string::npos);
    EXPECT_EQ(log.find("[Information]"), std::string::npos);  // level 1: errors only
}

TEST_F(WeldingEnv, WelderUSBLLLogCannotBeOpened) {
    // A regular file where the log folder should be.
    const std::string blocked = (dir_ / "blocked").string();
    std::FILE* f = std::fopen(blocked.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    testing::internal::CaptureStderr();
    {
        WelderMaster master(blocked, 2);
        EXPECT_TRUE(master.isConnected());
        std::uint32_t status = 0;
        EXPECT_EQ(master.getStatus(&status), kWelderOk);
    }
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("WelderUSBLL::WelderUSBLL(), Log file creation error!\n"), std::string::npos);
    EXPECT_NE(err.find("WelderMaster::WelderMaster(), Log file creation error!\n"), std::string::npos);
    expectNothingHeld(sim_);
}

// ---------------------------------------------------------------- transactions

TEST_F(WeldingEnv, WelderUSBLLTransactions) {
    WelderUSBLL link(logs_, 2);
    ASSERT_TRUE(link.isOpen());
    sim_.setRegister(3, 0xE000);
    WelderRegister r;
    r.address = 3;
    r.data = 77;
    EXPECT_EQ(link.getReg(r), kWelderOk);
    EXPECT_EQ(r.address, 3);
    EXPECT_EQ(r.data, 0xE000u);
    EXPECT_EQ(sim_.readRequestData, (std::vector<std::uint32_t>{0}));  // not the caller's 77

    WelderRegister w;
    w.address = 7;
    w.data = 250;
    EXPECT_EQ(link.setReg(w), kWelderOk);
    EXPECT_EQ(sim_.reg(7), 250u);
    EXPECT_EQ(w.address, 7);  // the caller's record is not changed

    const auto j = sim_.journal();
    ASSERT_EQ(j.size(), 2u);
    EXPECT_FALSE(j[0].write);
    EXPECT_EQ(j[0].address, 3);
    EXPECT_TRUE(j[1].write);
    EXPECT_EQ(sim_.badRequests, 0);

    const std::string log = linkLog();
    EXPECT_NE(log.find("WelderUSBLL::usbWrite(), Written 10 bytes successfully.\n"), std::string::npos);
    EXPECT_NE(log.find("WelderUSBLL::usbRead(), Read 10 bytes successfully.\n"), std::string::npos);
    EXPECT_NE(log.find("WelderUSBLL::getReg(), Register address - 3 data - 0x0000e000 read successfully.\n"),
              std::string::npos);
    EXPECT_NE(log.find("WelderUSBLL::setReg(), Register address - 7 data - 0x000000fa written successfully.\n"),
              std::string::npos);
}

TEST_F(WeldingEnv, WelderUSBLLReplyErrorsKeepLinkOpen) {
    WelderUSBLL link(logs_, 2);
    ASSERT_TRUE(link.isOpen());
    const struct {
        ReplyFault fault;
        int parse;
    } cases[] = {
        {ReplyFault::badCrc, 226},    {ReplyFault::short9, 225},      {ReplyFault::long11, 225},
        {ReplyFault::errorReply, 255}, {ReplyFault::blockReply, 2},   {ReplyFault::address41, 227},
        {ReplyFault::otherAddress, 228}, {ReplyFault::unknownHead, 224}, {ReplyFault::zeroBytes, 224},
    };
    for (const auto& c : cases) {
        sim_.injectReply(c.fault);
        WelderRegister r;
        r.address = 4;
        r.data = 0xABCD;
        EXPECT_EQ(link.getReg(r), kWelderReplyError) << c.parse;
        EXPECT_EQ(r.data, 0xABCDu) << c.parse;  // a failed read leaves the data
        sim_.injectReply(c.fault);
        EXPECT_EQ(link.setReg(r), kWelderReplyError) << c.parse;
        EXPECT_TRUE(link.isOpen());
        const std::string log = linkLog();
        const std::string line = "Response parsing error: " + std::to_string(c.parse) + "\n";
        EXPECT_NE(log.find("WelderUSBLL::getReg(), " + line), std::string::npos) << line;
        EXPECT_NE(log.find("WelderUSBLL::setReg(), " + line), std::string::npos) << line;
    }
    // After all that, the link still works.
    WelderRegister ok;
    ok.address = 9;
    EXPECT_EQ(link.getReg(ok), kWelderOk);
}

TEST_F(WeldingEnv, WelderUSBLLTransferFailuresCloseForGood) {
    const struct {
        RequestFault request;
        ReplyFault reply;
        int code;
        const char* line;
    } cases[] = {
        {RequestFault::writeError, ReplyFault::none, kWelderWriteError, "Error while writing: LIBUSB_ERROR_IO\n"},
        {RequestFault::timeout, ReplyFault::none, kWelderWriteError, "Error while writing: LIBUSB_ERROR_TIMEOUT\n"},
        {RequestFault::shortWrite, ReplyFault::none, kWelderWriteError, "Error while writing: LIBUSB_SUCCESS"},
        {RequestFault::none, ReplyFault::timeout, kWelderReadError, "Error while reading: LIBUSB_ERROR_TIMEOUT\n"},
        {RequestFault::none, ReplyFault::unplug, kWelderReadError, "Error while reading: LIBUSB_ERROR_NO_DEVICE\n"},
    };
    for (const auto& c : cases) {
        simwelder::SimWeldingController sim;
        simwelder::ScopedSimWelder install(sim);
        std::error_code ec;
        std::filesystem::remove_all(logs_, ec);
        {
            WelderUSBLL link(logs_, 2);
            ASSERT_TRUE(link.isOpen());
            if (c.request != RequestFault::none) sim.injectRequest(c.request);
            if (c.reply != ReplyFault::none) sim.injectReply(c.reply);
            WelderRegister r;
            r.address = 3;
            EXPECT_EQ(link.getReg(r), c.code) << c.line;
            EXPECT_FALSE(link.isOpen());
            const int calls = sim.bulkCalls;
            EXPECT_EQ(link.getReg(r), kWelderNotOpen);
            EXPECT_EQ(link.setReg(r), kWelderNotOpen);
            EXPECT_EQ(sim.bulkCalls, calls);  // no bus traffic
        }
        expectNothingHeld(sim);
        const std::string log = linkLog();
        EXPECT_NE(log.find(c.line), std::string::npos) << c.line;
        EXPECT_NE(log.find(c.code == kWelderWriteError ? "WelderUSBLL::getReg(), Data write error.\n"
                                                       : "WelderUSBLL::getReg(), Data read error.\n"),
                  std::string::npos);
        EXPECT_NE(log.find("WelderUSBLL::getReg(), Error device not open.\n"), std::string::npos);
        EXPECT_NE(log.find("WelderUSBLL::setReg(), Error device not open.\n"), std::string::npos);
    }
}

TEST_F(WeldingEnv, WelderUSBLLRequestsNeverOverlap) {
    WelderUSBLL link(logs_, 0);
    ASSERT_TRUE(link.isOpen());
    std::atomic<int> failures{0};
    auto worker = [&](std::uint16_t address) {
        for (int i = 0; i < 300; ++i) {
            WelderRegister r;
            r.address = address;
            r.data = static_cast<std::uint32_t>(i);
            if (link.setReg(r) != kWelderOk) ++failures;
            WelderRegister g;
            g.address = address;
            if (link.getReg(g) != kWelderOk || g.address != address) ++failures;
        }
    };
    std::thread a(worker, 4), b(worker, 7);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(sim_.overlaps, 0);
    EXPECT_EQ(sim_.journal().size(), 1200u);
}

// ---------------------------------------------------------------- master

TEST_F(WeldingEnv, WelderMasterRegisters) {
    sim_.setRegister(0, 0x0102002A);
    {
        WelderMaster master(logs_, 2);
        ASSERT_TRUE(master.isConnected());
        WelderFirmwareVersion v;
        ASSERT_EQ(master.getFirmwareVersion(&v), kWelderOk);
        EXPECT_EQ(v.major, 1);
        EXPECT_EQ(v.minor, 2);
        EXPECT_EQ(v.build, 42);
        WelderFirmwareDate d;
        ASSERT_EQ(master.getFirmwareDate(&d), kWelderOk);
        EXPECT_EQ(d.year, 2023);
        EXPECT_EQ(d.month, 1);
        EXPECT_EQ(d.day, 9);
        EXPECT_EQ(d.hour, 10);
        EXPECT_EQ(d.minute, 5);

        EXPECT_EQ(master.setWeldingRotationFreq(10.0f), kWelderOk);
        EXPECT_EQ(sim_.reg(6), 0x41200000u);
        EXPECT_EQ(master.setFastRotationFreq(-3.5f), kWelderOk);
        EXPECT_EQ(floatFromBits(sim_.reg(5)), -3.5f);
        EXPECT_EQ(master.setStopAngle(250), kWelderOk);
        EXPECT_EQ(master.setWeldingMode(8), kWelderOk);
        EXPECT_EQ(master.setControl(0x8002), kWelderOk);
        EXPECT_EQ(sim_.reg(7), 250u);
        EXPECT_EQ(sim_.reg(4), 8u);
        std::uint32_t control = 0;
        EXPECT_EQ(master.getControl(&control), kWelderOk);
        EXPECT_EQ(control, 0x8002u);
        sim_.setRegister(8, 55);
        std::uint32_t progress = 0;
        EXPECT_EQ(master.getProgress(&progress), kWelderOk);
        EXPECT_EQ(progress, 55u);

        // A failed read leaves the value as it was.
        sim_.injectReply(ReplyFault::errorReply);
        std::uint32_t status = 1234;
        EXPECT_EQ(master.getStatus(&status), kWelderReplyError);
        EXPECT_EQ(status, 1234u);
        sim_.failNextWrite(7);
        EXPECT_EQ(master.setStopAngle(1), kWelderReplyError);
        EXPECT_EQ(sim_.reg(7), 250u);
    }
    expectNothingHeld(sim_);
    const std::string log = masterLog();
    for (const char* line : {
             "[Information] WelderMaster::WelderMaster(), Connection successful.\n",
             "[Information] WelderMaster::getFirmwareVersion(), Register address - 0 data - 0x0102002a read successfully.\n",
             "[Information] WelderMaster::getFirmwareVersion(), Firmware version - 1.2.42\n",
             "[Information] WelderMaster::getFirmwareDate(), Firmware date - 2023.01.09 10:05\n",
             "[Information] WelderMaster::setWeldingRotationFreq(), Register address - 6 data -     10.000 write successfully.\n",
             "[Information] WelderMaster::setFastRotationFreq(), Register address - 5 data -     -3.500 write successfully.\n",
             "[Information] WelderMaster::setStopAngle(), Register address - 7 data - 0x000000fa write successfully.\n",
             "[Information] WelderMaster::setControl(), Register address - 9 data - 0x00008002 write successfully.\n",
             "[Information] WelderMaster::getProgress(), Register address - 8 data - 0x00000037 read successfully.\n",
             "[Error]       WelderMaster::getStatus(), GetReg error, -103\n",
             "[Error]       WelderMaster::setStopAngle(), SetReg error, -103\n",
             "[Information] WelderMaster::~WelderMaster(), Disconnection successful.\n",
         }) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
}

TEST_F(WeldingEnv, WelderMasterWithoutDevice) {
    sim_.devices = {{0x2E91, 0x7688}};
    {
        WelderMaster master(logs_, 2);
        EXPECT_FALSE(master.isConnected());
        std::uint32_t v = 9;
        WelderFirmwareVersion fv;
        fv.major = 3;
        WelderFirmwareDate fd;
        EXPECT_EQ(master.getStatus(&v), kWelderNotOpen);
        EXPECT_EQ(master.getProgress(&v), kWelderNotOpen);
        EXPECT_EQ(master.getControl(&v), kWelderNotOpen);
        EXPECT_EQ(master.getFirmwareVersion(&fv), kWelderNotOpen);
        EXPECT_EQ(master.getFirmwareDate(&fd), kWelderNotOpen);
        EXPECT_EQ(master.setWeldingMode(1), kWelderNotOpen);
        EXPECT_EQ(master.setFastRotationFreq(1), kWelderNotOpen);
        EXPECT_EQ(master.setWeldingRotationFreq(1), kWelderNotOpen);
        EXPECT_EQ(master.setStopAngle(1), kWelderNotOpen);
        EXPECT_EQ(master.setControl(1), kWelderNotOpen);
        EXPECT_EQ(v, 9u);
        EXPECT_EQ(fv.major, 3);
    }
    expectNothingHeld(sim_);
    const std::string log = masterLog();
    EXPECT_NE(log.find("[Error]       WelderMaster::WelderMaster(), Device connection error!\n"), std::string::npos);
    EXPECT_EQ(count(log, "GetReg error, -100\n"), 5u);
    EXPECT_EQ(count(log, "SetReg error, -100\n"), 5u);
}

TEST_F(WeldingEnv, WelderMasterConnectedFlagStaysAsBuilt) {
    WelderMaster master(logs_, 2);
    ASSERT_TRUE(master.isConnected());
    sim_.injectReply(ReplyFault::timeout);
    std::uint32_t s = 0;
    EXPECT_EQ(master.getStatus(&s), kWelderReadError);
    EXPECT_EQ(master.getStatus(&s), kWelderNotOpen);
    EXPECT_TRUE(master.isConnected());
}
