#include "drivers/measuring/acquisition.h"

#include "support/acquisition_block.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace TamskKWZv2;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Revolutions of the given lengths, each a full turn of
// offset + amp sin(t - phase), t = 2 pi i / length; marks at each start.
struct Trace {
    std::vector<double> samples;
    std::vector<std::uint32_t> marks;
};

Trace revolutions(const std::vector<std::uint32_t>& lengths, double amp, double phaseDeg,
                  double offset = 0.0, std::size_t lead = 0, double leadValue = 0.0) {
    Trace t;
    t.samples.assign(lead, leadValue);
    for (std::uint32_t n : lengths) {
        t.marks.push_back(static_cast<std::uint32_t>(t.samples.size()));
        for (std::uint32_t i = 0; i < n; ++i)
            t.samples.push_back(offset + amp * std::sin(2 * kPi * i / n - phaseDeg * kPi / 180.0));
    }
    t.marks.push_back(static_cast<std::uint32_t>(t.samples.size()));
    t.samples.push_back(offset);  // the marked sample that ends the last revolution
    return t;
}

double angleDiff(double a, double b) {
    double d = std::fmod(a - b, 360.0);
    if (d > 180) d -= 360;
    if (d < -180) d += 360;
    return d;
}

// The textbook form of the phase: (2 pi - sg(b) acos(a / A)) in degrees, wrapped.
double textbookPhase(double a, double b) {
    const double amp = std::sqrt(a * a + b * b);
    const double sg = b > 0 ? 1.0 : (b < 0 ? -1.0 : 0.0);
    double p = (2 * kPi - sg * std::acos(a / amp)) * 180.0 / kPi;
    if (p >= 360) p -= 360;
    if (p < 0) p += 360;
    return p;
}

}  // namespace

TEST(HarmonicFit, CosineExamples) {
    // 1000 counts, maximum at the first sample of each revolution, gain code 2.
    Trace t = revolutions({180, 180, 180, 180, 180}, 1000.0, 270.0);
    double amp = 0, phase = 0;
    ASSERT_TRUE(fitRevolutions(t.samples, t.marks, 2, amp, phase));
    EXPECT_NEAR(amp, 10000.0, 1e-6);
    EXPECT_NEAR(phase, 270.0, 1e-9);

    for (double& v : t.samples) v = -v;
    ASSERT_TRUE(fitRevolutions(t.samples, t.marks, 2, amp, phase));
    EXPECT_NEAR(amp, 10000.0, 1e-6);
    EXPECT_NEAR(phase, 90.0, 1e-9);

    // The coefficients themselves: a = 0, b = 10000.
    Trace c = revolutions({180, 180}, 1000.0, 270.0);
    HarmonicFit fit(fitScale(2));
    fit.fitFirstHarmonic(c.samples.data(), 180, true, amp, phase);
    fit.fitFirstHarmonic(c.samples.data() + 180, 180, false, amp, phase);
    EXPECT_NEAR(fit.a(), 0.0, 1e-6);
    EXPECT_NEAR(fit.b(), 10000.0, 1e-6);
}

TEST(HarmonicFit, NoiseFreeSinesOfAnyPhase) {
    for (double phaseDeg = 0.0; phaseDeg < 360.0; phaseDeg += 7.5) {
        Trace t = revolutions({180, 180, 180, 180}, 1234.5, phaseDeg, 321.0);
        double amp = 0, phase = 0;
        ASSERT_TRUE(fitRevolutions(t.samples, t.marks, 3, amp, phase)) << phaseDeg;
        EXPECT_NEAR(amp, 1234.5, 1e-8) << phaseDeg;
        EXPECT_NEAR(angleDiff(phase, phaseDeg), 0.0, 1e-9) << phaseDeg;
        EXPECT_GE(phase, 0.0);
        EXPECT_LT(phase, 360.0);
    }
}

TEST(HarmonicFit, RoundedSamplesRecoveredToRounding) {
    // Integer counts as the controller delivers: error of the order of 0.5 / sqrt(N).
    for (double phaseDeg : {0.0, 33.0, 90.0, 181.0, 359.0}) {
        Trace t = revolutions({180, 180, 180, 180, 180, 180}, 2500.0, phaseDeg, -40.0);
        for (double& v : t.samples) v = std::round(v);
        double amp = 0, phase = 0;
        ASSERT_TRUE(fitRevolutions(t.samples, t.marks, 1, amp, phase));
        EXPECT_NEAR(amp, 250000.0, 100.0 * 0.5);  // within half a count (x scale 100)
        EXPECT_NEAR(angleDiff(phase, phaseDeg), 0.0, 0.01);
    }
}

TEST(HarmonicFit, ScaleFollowsTheGainCode) {
    Trace t = revolutions({100, 100, 100}, 10.0, 45.0);
    const double expected[] = {10000.0, 1000.0, 100.0, 10.0, 10.0};
    for (unsigned code = 0; code < 5; ++code) {
        double amp = 0, phase = 0;
        ASSERT_TRUE(fitRevolutions(t.samples, t.marks, code, amp, phase));
        EXPECT_NEAR(amp, expected[code], expected[code] * 1e-12) << code;
        EXPECT_NEAR(phase, 45.0, 1e-9);
    }
    EXPECT_EQ(fitScale(0), 1000.0);
    EXPECT_EQ(fitScale(1), 100.0);
    EXPECT_EQ(fitScale(2), 10.0);
    EXPECT_EQ(fitScale(3), 1.0);
    EXPECT_EQ(fitScale(255), 1.0);
}

TEST(HarmonicFit, NoisySinesWithinStandardErrors) {
    // Through the block generator: same physical amplitude (counts at 1x) at
    // every gain code; the fit gives amplitude x 1000 whatever the code.
    const double sigma = 3.0;
    for (std::uint8_t code = 0; code < 4; ++code) {
        simacq::BlockSetup blockSetup;  // 600 rpm, 1800 per second, 720 packets: 20 turns of 180
        blockSetup.gainCodes = {code, code, code, code, code};
        blockSetup.noise = sigma;
        blockSetup.seed = 11 + code;
        for (unsigned c = 0; c < 5; ++c) blockSetup.channels[c] = {25.0 + c, 60.0 * c + 10.0, 100.0};
        std::vector<std::uint8_t> block = simacq::makeBlock(blockSetup);

        std::vector<double> traces[5];
        std::vector<std::uint32_t> marks;
        TraceOutputs out;
        for (unsigned c = 0; c < 5; ++c) out.channel[c] = &traces[c];
        out.markerIndices = &marks;
        ASSERT_EQ(parseADCBlock(block.data(), block.size(), blockSetup.packetCount, out).status, ParseStatus::ok);
        ASSERT_EQ(marks.size(), 20u);

        for (unsigned c = 0; c < 5; ++c) {
            double amp = 0, phase = 0;
            ASSERT_TRUE(fitRevolutions(traces[c], marks, code, amp, phase));
            const double n = 19 * 180.0;
            // Standard error of a coefficient in raw counts, then in fit units.
            const double seRaw = sigma * std::sqrt(2.0 / n);
            const double se = seRaw * fitScale(code);
            const double rawAmp = blockSetup.channels[c].amplitude * simacq::gainFactor(blockSetup, c);
            EXPECT_NEAR(amp, blockSetup.channels[c].amplitude * 1000.0, 4 * se + 0.5 * fitScale(code) / std::sqrt(n))
                << "code " << int(code) << " channel " << c;
            EXPECT_NEAR(angleDiff(phase, blockSetup.channels[c].phaseDeg), 0.0,
                        4 * seRaw / rawAmp * 180 / kPi + 0.05)
                << "code " << int(code) << " channel " << c;
        }
    }
}

TEST(HarmonicFit, RevolutionsOfUnequalLength) {
    // Each revolution spans a full turn over its own sample count.
    Trace t = revolutions({180, 181, 179, 183, 180, 177}, 700.0, 123.0, 50.0);
    double amp = 0, phase = 0;
    ASSERT_TRUE(fitRevolutions(t.samples, t.marks, 3, amp, phase));
    EXPECT_NEAR(amp, 700.0, 1e-8);
    EXPECT_NEAR(phase, 123.0, 1e-9);

    // A speed whose turn is not a whole number of samples (rate 1831 at 610 rpm:
    // 180.1 samples), marks at the rounded positions.
    simacq::BlockSetup blockSetup;
    blockSetup.speedRpm = 610;
    blockSetup.sampleRate = 1831;
    blockSetup.packetCount = 720;
    blockSetup.gainCodes = {0, 0, 0, 0, 0};  // factor 1, fit scale 1000
    blockSetup.channels[0] = {2000.0, 200.0, 0.0};
    std::vector<std::uint8_t> block = simacq::makeBlock(blockSetup);
    std::vector<double> trace;
    std::vector<std::uint32_t> marks;
    TraceOutputs out;
    out.channel[0] = &trace;
    out.markerIndices = &marks;
    parseADCBlock(block.data(), block.size(), blockSetup.packetCount, out);
    ASSERT_EQ(marks, simacq::expectedMarks(blockSetup));
    ASSERT_TRUE(fitRevolutions(trace, marks, 0, amp, phase));
    EXPECT_NEAR(amp, 2e6, 2e6 * 0.002);
    EXPECT_NEAR(angleDiff(phase, 200.0), 0.0, 0.5);  // marks rounded to half a sample (1 degree)
}

TEST(HarmonicFit, FirstMarkAfterSampleZero) {
    // 97 samples of something else before the first mark must not enter the fit.
    Trace t = revolutions({180, 180, 180}, 400.0, 10.0, 0.0, 97, 30000.0);
    double amp = 0, phase = 0;
    ASSERT_TRUE(fitRevolutions(t.samples, t.marks, 3, amp, phase));
    EXPECT_NEAR(amp, 400.0, 1e-8);
    EXPECT_NEAR(phase, 10.0, 1e-9);

    // The same through the generator with the trigger's first mark shifted.
    simacq::BlockSetup blockSetup;
    blockSetup.firstMark = 57;
    blockSetup.gainCodes = {2, 2, 2, 2, 2};
    blockSetup.channels[0] = {30.0, 300.0, 0.0};
    std::vector<std::uint8_t> block = simacq::makeBlock(blockSetup);
    std::vector<double> trace;
    std::vector<std::uint32_t> marks;
    TraceOutputs out;
    out.channel[0] = &trace;
    out.markerIndices = &marks;
    parseADCBlock(block.data(), block.size(), blockSetup.packetCount, out);
    ASSERT_EQ(marks.front(), 57u);
    ASSERT_TRUE(fitRevolutions(trace, marks, 2, amp, phase));
    EXPECT_NEAR(amp, 30000.0, 30000.0 * 1e-3);
    EXPECT_NEAR(angleDiff(phase, 300.0), 0.0, 0.05);
}

TEST(HarmonicFit, FewerThanTwoMarksIsInvalid) {
    Trace t = revolutions({180, 180}, 400.0, 10.0);
    double amp = -1, phase = -2;
    EXPECT_FALSE(fitRevolutions(t.samples, {}, 3, amp, phase));
    EXPECT_FALSE(fitRevolutions(t.samples, {0}, 3, amp, phase));
    EXPECT_FALSE(fitRevolutions(t.samples, {100}, 3, amp, phase));
    EXPECT_EQ(amp, -1);  // untouched
    EXPECT_EQ(phase, -2);
    EXPECT_TRUE(fitRevolutions(t.samples, {0, 180}, 3, amp, phase));  // one revolution is enough
    EXPECT_NEAR(amp, 400.0, 1e-8);
}

TEST(HarmonicFit, MalformedMarksAreInvalid) {
    Trace t = revolutions({180, 180}, 400.0, 10.0);
    double amp = -1, phase = -2;
    EXPECT_FALSE(fitRevolutions(t.samples, {0, 180, 180}, 3, amp, phase));  // repeated
    EXPECT_FALSE(fitRevolutions(t.samples, {180, 0}, 3, amp, phase));       // backwards
    EXPECT_FALSE(fitRevolutions(t.samples, {0, 361}, 3, amp, phase));       // beyond the trace
    EXPECT_FALSE(fitRevolutions({}, {0, 1}, 3, amp, phase));
    EXPECT_EQ(amp, -1);
    RevolutionTable table;
    EXPECT_FALSE(table.build({0, 500}, 360));
    EXPECT_FALSE(table.usable());
    EXPECT_FALSE(table.fit(t.samples, 3, amp, phase));
    EXPECT_EQ(amp, -1);
}

TEST(HarmonicFit, ValidityNeedsASettledLastRevolution) {
    Trace t = revolutions({180, 180, 180}, 400.0, 10.0);
    double amp = -1, phase = -2;
    // A last revolution of one sample: its only solve compares against 0.
    std::vector<std::uint32_t> marks = {0, 180, 360, 361};
    t.samples.push_back(0.0);
    EXPECT_FALSE(fitRevolutions(t.samples, marks, 3, amp, phase));
    EXPECT_EQ(amp, -1);
    // Two samples: the second solve compares with the first and has settled.
    marks.back() = 362;
    t.samples.push_back(0.0);
    EXPECT_TRUE(fitRevolutions(t.samples, marks, 3, amp, phase));

    // A flat trace has amplitude 0 at every sample: 0 / 0 never counts as settled.
    std::vector<double> flat(541, 0.0);
    EXPECT_FALSE(fitRevolutions(flat, {0, 180, 360, 540}, 3, amp, phase));

    // The accumulator directly: an empty revolution is invalid and writes nothing.
    HarmonicFit fit(1.0);
    double a2 = 5, p2 = 6;
    EXPECT_FALSE(fit.fitFirstHarmonic(nullptr, 0, false, a2, p2));
    EXPECT_EQ(a2, 5);
    EXPECT_EQ(p2, 6);
    // A revolution that is not the last never reports valid, even when settled.
    Trace one = revolutions({90, 90}, 100.0, 0.0);
    EXPECT_FALSE(fit.fitFirstHarmonic(one.samples.data(), 90, true, a2, p2));
    EXPECT_TRUE(fit.fitFirstHarmonic(one.samples.data() + 90, 90, false, a2, p2));
    EXPECT_NEAR(a2, 100.0, 1e-9);
}

TEST(HarmonicFit, PhaseFromCoefficients) {
    EXPECT_DOUBLE_EQ(fitPhaseDegrees(0, 1), 270.0);
    EXPECT_DOUBLE_EQ(fitPhaseDegrees(0, -1), 90.0);
    EXPECT_DOUBLE_EQ(fitPhaseDegrees(1, 0), 0.0);
    EXPECT_DOUBLE_EQ(fitPhaseDegrees(1, -0.0), 0.0);
    EXPECT_FALSE(std::signbit(fitPhaseDegrees(1, 0)));
    // A negative pure sine is the sine turned by half a turn.
    EXPECT_DOUBLE_EQ(fitPhaseDegrees(-1, 0), 180.0);
    EXPECT_DOUBLE_EQ(fitPhaseDegrees(-1, -0.0), 180.0);
    EXPECT_DOUBLE_EQ(fitPhaseDegrees(1, 1), 315.0);
    EXPECT_DOUBLE_EQ(fitPhaseDegrees(1, -1), 45.0);
    // Equal to the acos form wherever b is not 0.
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-1e4, 1e4);
    for (int i = 0; i < 2000; ++i) {
        const double a = u(rng), b = u(rng);
        const double p = fitPhaseDegrees(a, b);
        EXPECT_NEAR(angleDiff(p, textbookPhase(a, b)), 0.0, 1e-6) << a << " " << b;
        EXPECT_GE(p, 0.0);
        EXPECT_LT(p, 360.0);
    }
}

TEST(HarmonicFit, TableFitMatchesDirectFit) {
    std::mt19937 rng(9);
    std::normal_distribution<double> noise(0, 40);
    std::uniform_int_distribution<int> len(60, 250);
    RevolutionTable table;
    for (int round = 0; round < 20; ++round) {
        std::vector<std::uint32_t> lengths;
        for (int r = 0; r < 2 + round % 7; ++r) lengths.push_back(static_cast<std::uint32_t>(len(rng)));
        if (round % 3 == 0) lengths.push_back(lengths.front());  // shared angle table
        Trace t = revolutions(lengths, 900.0, round * 17.0, 25.0, round % 4 * 13, -300.0);
        for (double& v : t.samples) v = std::round(v + noise(rng));
        ASSERT_TRUE(table.build(t.marks, t.samples.size()));
        EXPECT_EQ(table.revolutionCount(), lengths.size());
        for (unsigned code = 0; code < 4; ++code) {
            double a1 = 0, p1 = 0, a2 = 0, p2 = 0;
            const bool v1 = fitRevolutions(t.samples, t.marks, code, a1, p1);
            const bool v2 = table.fit(t.samples, code, a2, p2);
            ASSERT_EQ(v1, v2);
            EXPECT_NEAR(a1, a2, std::fabs(a1) * 1e-12);
            EXPECT_NEAR(angleDiff(p1, p2), 0.0, 1e-9);
        }
    }
}
