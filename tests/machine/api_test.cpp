// The device interface's shared behaviour, through a minimal device.

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "machine/api.h"
#include "support/machine_virtual_clock.h"

namespace {

class BareApi : public Api {
public:
    using Api::Api;
    bool getAngle(double*) override { return false; }
    bool hasInverterError() override { return false; }
    bool isBlocked(std::uint32_t) override { return false; }
    int getErrorInfo(int*) override { return 0; }
    int defaultCalibrationStep() override { return 0; }
    bool setBooster(const int[5]) override { return true; }
    void setBrake(bool) override {}
    void setRelay(bool, int) override {}
    void setMiscParams(bool, int, int) override {}
    void startTraining() override {}
    bool setAccTime(int, int, int) override { return true; }
    bool setAccuracy(int, int, int) override { return true; }
    bool setInverterType(int, int) override { return true; }
    bool setSpeed(std::int16_t) override { return true; }
    bool startReading(const ReadRequest* r) override {
        nRecorded = static_cast<int>(r->nRecorded);
        sampleRate = static_cast<int>(r->rate);
        return nRecorded <= 0 || allocateCurrentBuffer();
    }
    void stopReading() override {}
    bool isMarkSample() override { return false; }
    int getSampleValue(int) override { return 0; }
    bool nextSample() override { return false; }
    void onKey(int) override {}
    int getDemoParam() override { return 0; }
    const char* getVersionString() override { return ""; }
    void openLog(bool) override {}

    using Api::notePacketNumber;
    using Api::saveCurrentBuffer;
    using Api::storeFrame;
};

TEST(ApiBase, FreshObjectHasNoBuffersAndCyclesThroughFive) {
    VirtualClock clock;
    BareApi api(clock);
    std::vector<int> order;
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(api.nextBuffer());
        order.push_back(api.currentBufferIndex());
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 0}));
}

TEST(ApiBase, BufferAllocatedOnceRecordedAndFoundAgainAfterFiveSteps) {
    VirtualClock clock;
    BareApi api(clock);
    int table[2] = {1, 2};
    ReadRequest r;
    r.rate = 10;
    r.nChannels = 3;
    r.nRecorded = 2;
    r.channelTable = table;
    ASSERT_TRUE(api.startReading(&r));
    EXPECT_EQ(api.bufferCapacity(), 3 * 10 * 150);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(api.nextBuffer());
    EXPECT_TRUE(api.nextBuffer());  // back at buffer 0
    EXPECT_EQ(api.currentBufferIndex(), 0);
}

TEST(ApiBase, FrameThatDoesNotFitBelowCapacityIsDropped) {
    VirtualClock clock;
    BareApi api(clock);
    ReadRequest r;
    r.rate = 1;
    r.nRecorded = 2;
    ASSERT_TRUE(api.startReading(&r));
    ASSERT_EQ(api.bufferCapacity(), 450);  // 150 frames of 3 values
    const int values[2] = {-2, 7};
    for (int i = 0; i < 150; ++i) ASSERT_TRUE(api.storeFrame(i == 0, values));
    EXPECT_FALSE(api.storeFrame(true, values));
    EXPECT_EQ(api.bufferCount(0), 450);
    const std::uint16_t* d = api.bufferData(0);
    EXPECT_EQ(d[0], 1);
    EXPECT_EQ(d[1], 0xFFFE);  // signed value kept as u16
    EXPECT_EQ(d[2], 7);
    EXPECT_EQ(d[3], 0);
}

TEST(ApiBase, ImpossibleBufferSizesAreRefused) {
    VirtualClock clock;
    BareApi api(clock);
    ReadRequest r;
    r.rate = 2000000000u;  // would overflow an int
    r.nRecorded = 5;
    EXPECT_FALSE(api.startReading(&r));
    EXPECT_EQ(api.bufferCapacity(), 0);
    EXPECT_EQ(api.bufferData(0), nullptr);
    const int values[5] = {};
    EXPECT_FALSE(api.storeFrame(false, values));
}

TEST(ApiBase, PacketGapsAndTheirOneSecondWindow) {
    VirtualClock clock;
    BareApi api(clock);
    EXPECT_FALSE(api.hasRecentDataGap());
    EXPECT_FALSE(api.notePacketNumber(10000));  // first packet: nothing to compare
    EXPECT_TRUE(api.notePacketNumber(0));        // 10000 -> 0: the count wraps, no gap
    EXPECT_FALSE(api.hasRecentDataGap());
    EXPECT_FALSE(api.notePacketNumber(1));
    EXPECT_FALSE(api.notePacketNumber(2));
    api.notePacketNumber(5);
    EXPECT_TRUE(api.notePacketNumber(7));        // 5 -> 7
    EXPECT_TRUE(api.hasRecentDataGap());
    clock.advanceMs(999);
    EXPECT_TRUE(api.hasRecentDataGap());
    clock.advanceMs(1);
    EXPECT_FALSE(api.hasRecentDataGap());
}

TEST(ApiBase, SaveBufferWritesLittleEndianAndReportsFailure) {
    VirtualClock clock;
    BareApi api(clock);
    ReadRequest r;
    r.rate = 1;
    r.nRecorded = 1;
    ASSERT_TRUE(api.startReading(&r));
    const int v[1] = {0x1234};
    api.storeFrame(true, v);

    std::FILE* ok = std::tmpfile();
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(api.saveCurrentBuffer(ok, nullptr));
    std::rewind(ok);
    unsigned char bytes[8] = {};
    ASSERT_EQ(std::fread(bytes, 1, sizeof bytes, ok), 4u);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[2], 0x34);
    EXPECT_EQ(bytes[3], 0x12);
    std::fclose(ok);

    std::FILE* readOnly = std::fopen("/dev/null", "rb");  // every write fails
    ASSERT_NE(readOnly, nullptr);
    EXPECT_FALSE(api.saveCurrentBuffer(readOnly, nullptr));
    std::fclose(readOnly);
    EXPECT_FALSE(api.saveCurrentBuffer(nullptr, nullptr));
    // The interface's own slot stays "false" for devices that keep no recording.
    EXPECT_FALSE(api.saveBuffer(nullptr));
}

TEST(ApiBase, BaseResultsOfTheOptionalOperations) {
    VirtualClock clock;
    BareApi api(clock);
    EXPECT_EQ(api.getChannelGain(0), -1);
    EXPECT_EQ(api.getChannelGain(5), -1);
    EXPECT_TRUE(api.isConnected());
    EXPECT_FALSE(api.hasTurnData());
    EXPECT_TRUE(api.needsTrain());
    EXPECT_TRUE(api.setMotorParams(MotorParams{}));
    EXPECT_TRUE(api.setInverters({}));
    EXPECT_EQ(api.setCurrentInverter(1, 2), 0);
    EXPECT_EQ(api.getTurnScale(), 0);
    EXPECT_FALSE(api.getData(nullptr));
    EXPECT_FALSE(api.readData());
    EXPECT_EQ(api.getWeldingProgress(), -1);
    EXPECT_TRUE(api.setUpdateMode());
    EXPECT_FALSE(api.isRpmReached());
    EXPECT_EQ(api.getDriver(), nullptr);
    EXPECT_EQ(api.getSampleRate(), 0.0);
}

TEST(ApiBase, ExternalInputTable) {
    // First input bit 3, four inputs (bits 3..6).
    const std::uint32_t config = 3u | (4u << 5);
    int bit = -1;
    EXPECT_EQ(Api::externalInputError(config, 0xFFFFFFFFu), 0);
    EXPECT_EQ(Api::externalInputError(config, ~(1u << 3), &bit), 9981);
    EXPECT_EQ(bit, 3);
    EXPECT_EQ(Api::externalInputError(config, ~((1u << 5) | (1u << 6))), 9983);  // first open input wins
    EXPECT_EQ(Api::externalInputError(config, ~(1u << 7)), 0);                 // outside the range
    EXPECT_EQ(Api::externalInputError(0u | (20u << 5), 0xFFu), 0);  // at most 8 inputs: bit 8 not looked at
    EXPECT_EQ(Api::externalInputError(0u | (20u << 5), 0x7Fu), 9988);          // input 8 (bit 7)
    EXPECT_EQ(Api::externalInputError(30u | (8u << 5), 0x7FFFFFFFu), 9982);    // range ends at bit 32
    EXPECT_EQ(Api::externalInputError(30u | (8u << 5), 0xFFFFFFFFu), 0);
    EXPECT_EQ(Api::externalInputError(5u, 0u), 0);  // no inputs configured
}

TEST(ApiBase, RequestEntriesFollowTheChannelTableContract) {
    int table[8] = {1, 3, 0, 0, 0, 0, 0, 0};
    ReadRequest r;
    r.channelTable = table;
    r.nChannels = 3;
    EXPECT_EQ(Api::requestEntries(r), 2);
    r.nChannels = 1;
    EXPECT_EQ(Api::requestEntries(r), 0);  // the drive control's speed acquisition
    r.nChannels = 0;
    EXPECT_EQ(Api::requestEntries(r), 0);
    r.nChannels = 9;
    EXPECT_EQ(Api::requestEntries(r), 5);
    r.channelTable = nullptr;
    EXPECT_EQ(Api::requestEntries(r), 0);
}

}  // namespace
