#include "drivers/measuring/acquisition.h"

#include "drivers/common/little_endian.h"
#include "support/acquisition_block.h"

#include <gtest/gtest.h>

#include <utility>

using namespace TamskKWZv2;

namespace {

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) { drivers::putU16(b.data() + at, v); }

// packets with type 0x0081, sequence p, sample k of channel c = 1000 p + 10 k + c.
std::vector<std::uint8_t> handBlock(std::uint32_t packets) {
    std::vector<std::uint8_t> b(packets * 64, 0xEE);  // unused bytes hold junk
    for (std::uint32_t p = 0; p < packets; ++p) {
        const std::size_t base = p * 64;
        put16(b, base + 0, 0x0081);
        for (unsigned k = 0; k < 5; ++k) b[base + 2 + k] = 0;
        put16(b, base + 7, static_cast<std::uint16_t>(p));
        for (unsigned k = 0; k < 5; ++k)
            for (unsigned c = 1; c <= 5; ++c)
                put16(b, base + 9 + 10 * k + 2 * (c - 1), static_cast<std::uint16_t>(1000 * p + 10 * k + c));
    }
    return b;
}

struct Outputs {
    std::vector<double> traces[5];
    std::vector<double> marker;
    std::vector<std::uint32_t> marks;
    TraceOutputs out() {
        TraceOutputs o;
        for (unsigned c = 0; c < 5; ++c) o.channel[c] = &traces[c];
        o.marker = &marker;
        o.markerIndices = &marks;
        return o;
    }
};

}  // namespace

TEST(PacketParse, SamplesInTimeOrderPerChannel) {
    std::vector<std::uint8_t> b = handBlock(3);
    Outputs o;
    ParseReport r = parseADCBlock(b.data(), b.size(), 3, o.out());
    EXPECT_EQ(r.status, ParseStatus::ok);
    EXPECT_EQ(r.packetsParsed, 3u);
    EXPECT_EQ(r.sequenceErrors, 0u);
    for (unsigned c = 0; c < 5; ++c) {
        ASSERT_EQ(o.traces[c].size(), 15u);
        for (std::uint32_t i = 0; i < 15; ++i)
            EXPECT_EQ(o.traces[c][i], 1000.0 * (i / 5) + 10.0 * (i % 5) + (c + 1)) << c << " " << i;
    }
    EXPECT_EQ(o.marker, std::vector<double>(15, 0.0));
    EXPECT_TRUE(o.marks.empty());
}

TEST(PacketParse, SignedLittleEndianSamples) {
    std::vector<std::uint8_t> b = handBlock(1);
    put16(b, 9, 0xFFFF);             // sample 0, channel 1: -1
    put16(b, 9 + 2, 0x8000);         // channel 2: -32768
    put16(b, 9 + 4, 0x7FFF);         // channel 3: 32767
    put16(b, 9 + 10 * 4 + 8, 0x1234);  // sample 4, channel 5
    Outputs o;
    ASSERT_EQ(parseADCBlock(b.data(), b.size(), 1, o.out()).status, ParseStatus::ok);
    EXPECT_EQ(o.traces[0][0], -1.0);
    EXPECT_EQ(o.traces[1][0], -32768.0);
    EXPECT_EQ(o.traces[2][0], 32767.0);
    EXPECT_EQ(o.traces[4][4], 0x1234);
}

TEST(PacketParse, MarkerTraceAndIndices) {
    std::vector<std::uint8_t> b = handBlock(4);
    b[0 * 64 + 2 + 0] = 1;  // packet 0, sample 0
    b[1 * 64 + 2 + 3] = 1;  // packet 1, sample 3 -> 8
    b[3 * 64 + 2 + 4] = 2;  // packet 3, sample 4 -> 19, a byte of 2
    Outputs o;
    ASSERT_EQ(parseADCBlock(b.data(), b.size(), 4, o.out()).status, ParseStatus::ok);
    EXPECT_EQ(o.marks, (std::vector<std::uint32_t>{0, 8, 19}));
    ASSERT_EQ(o.marker.size(), 20u);
    EXPECT_EQ(o.marker[0], 32767.0);
    EXPECT_EQ(o.marker[8], 32767.0);
    EXPECT_EQ(o.marker[19], 65534.0);
    EXPECT_EQ(o.marker[1], 0.0);
}

TEST(PacketParse, GeneratedMarksMatch) {
    simacq::BlockSetup blockSetup;
    blockSetup.speedRpm = 30000;
    blockSetup.sampleRate = 36000;  // 72 per turn
    blockSetup.packetCount = 288;
    blockSetup.firstMark = 3;
    std::vector<std::uint8_t> b = simacq::makeBlock(blockSetup);
    Outputs o;
    ASSERT_EQ(parseADCBlock(b.data(), b.size(), blockSetup.packetCount, o.out()).status, ParseStatus::ok);
    EXPECT_EQ(o.marks, simacq::expectedMarks(blockSetup));
    ASSERT_EQ(o.marks.size(), 20u);
    EXPECT_EQ(o.marks[1], 75u);

    blockSetup.triggerSource = 0;  // free running: nothing marked
    b = simacq::makeBlock(blockSetup);
    parseADCBlock(b.data(), b.size(), blockSetup.packetCount, o.out());
    EXPECT_TRUE(o.marks.empty());
}

TEST(PacketParse, WrongTypeEndsTheParse) {
    std::vector<std::uint8_t> b = handBlock(6);
    put16(b, 3 * 64, 0x0082);
    Outputs o;
    ParseReport r = parseADCBlock(b.data(), b.size(), 6, o.out());
    EXPECT_EQ(r.status, ParseStatus::wrongType);
    EXPECT_EQ(r.badPacket, 3u);
    EXPECT_EQ(r.badType, 0x0082);
    EXPECT_EQ(r.packetsParsed, 3u);
    EXPECT_EQ(o.traces[0].size(), 15u);  // what came before stays

    simacq::BlockSetup blockSetup;
    blockSetup.wrongTypePacket = 0;
    b = simacq::makeBlock(blockSetup);
    r = parseADCBlock(b.data(), b.size(), blockSetup.packetCount, o.out());
    EXPECT_EQ(r.status, ParseStatus::wrongType);
    EXPECT_EQ(r.badPacket, 0u);
    EXPECT_TRUE(o.traces[0].empty());
}

TEST(PacketParse, SequenceErrorsAreOnlyReported) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> seen;
    auto sink = [&](std::uint32_t expected, std::uint32_t actual) { seen.emplace_back(expected, actual); };

    // One packet skipped at 2: the numbers run one ahead from there on, the
    // expectation does not resynchronise, so every later packet is reported.
    simacq::BlockSetup blockSetup;
    blockSetup.packetCount = 205;
    blockSetup.skipSequenceAt = 202;
    std::vector<std::uint8_t> b = simacq::makeBlock(blockSetup);
    Outputs o;
    ParseReport r = parseADCBlock(b.data(), b.size(), blockSetup.packetCount, o.out(), sink);
    EXPECT_EQ(r.status, ParseStatus::ok);
    EXPECT_EQ(r.packetsParsed, 205u);
    EXPECT_EQ(r.sequenceErrors, 3u);
    EXPECT_EQ(seen, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{202, 203}, {203, 204}, {204, 205}}));
    EXPECT_EQ(o.traces[2].size(), 1025u);

    // A single wrong number: one report.
    seen.clear();
    b = handBlock(5);
    put16(b, 2 * 64 + 7, 7);
    r = parseADCBlock(b.data(), b.size(), 5, o.out(), sink);
    EXPECT_EQ(r.status, ParseStatus::ok);
    EXPECT_EQ(seen, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{2, 7}}));

    // A repeated packet number, without a sink: counted only.
    blockSetup.skipSequenceAt = -1;
    blockSetup.repeatSequenceAt = 204;
    b = simacq::makeBlock(blockSetup);
    r = parseADCBlock(b.data(), b.size(), blockSetup.packetCount, o.out());
    EXPECT_EQ(r.sequenceErrors, 1u);
}

TEST(PacketParse, ShortOrEmptyBlocksRejected) {
    std::vector<std::uint8_t> b = handBlock(4);
    Outputs o;
    o.traces[0] = {1, 2, 3};
    EXPECT_EQ(parseADCBlock(b.data(), b.size() - 1, 4, o.out()).status, ParseStatus::shortBlock);
    EXPECT_TRUE(o.traces[0].empty());  // cleared all the same
    EXPECT_EQ(parseADCBlock(b.data(), b.size(), 5, o.out()).status, ParseStatus::shortBlock);
    EXPECT_EQ(parseADCBlock(b.data(), b.size(), 0, o.out()).status, ParseStatus::shortBlock);
    EXPECT_EQ(parseADCBlock(nullptr, 0, 4, o.out()).status, ParseStatus::shortBlock);
    // Longer than needed is fine: only the counted packets are read.
    EXPECT_EQ(parseADCBlock(b.data(), b.size(), 3, o.out()).status, ParseStatus::ok);
    EXPECT_EQ(o.traces[0].size(), 15u);
}

TEST(PacketParse, OptionalOutputsAndReusedStorage) {
    std::vector<std::uint8_t> b = handBlock(1000);
    b[5 * 64 + 2] = 1;
    std::vector<double> only3;
    TraceOutputs o;
    o.channel[2] = &only3;
    ASSERT_EQ(parseADCBlock(b.data(), b.size(), 1000, o).status, ParseStatus::ok);
    ASSERT_EQ(only3.size(), 5000u);
    EXPECT_EQ(only3[7], 1000.0 + 20 + 3);

    // A second block into the same storage does not reallocate.
    Outputs full;
    parseADCBlock(b.data(), b.size(), 1000, full.out());
    const double* data = full.traces[4].data();
    const std::uint32_t* marks = full.marks.data();
    parseADCBlock(b.data(), b.size(), 1000, full.out());
    EXPECT_EQ(full.traces[4].data(), data);
    EXPECT_EQ(full.marks.data(), marks);
    EXPECT_EQ(full.marks, std::vector<std::uint32_t>{25});
}

TEST(PacketParse, TracePeakIsTheLargestPositiveSample) {
    EXPECT_EQ(tracePeak({}), 0.0);
    EXPECT_EQ(tracePeak({-5, -1, -30000}), 0.0);
    EXPECT_EQ(tracePeak({-32768, 12, 7}), 12.0);
    EXPECT_EQ(tracePeak({32767, -32768}), 32767.0);
}
