// The synthetic rotor and the replay-file writer of the test support,
// checked independently of the program's code.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "support/machine_synth_rotor.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(SynthRotor, TwoPlanesTwoChannelsByHand) {
    SynthRotor r(2, 2);
    r.setInfluence(0, 0, {1, 0});
    r.setInfluence(1, 0, {0, 1});
    r.setInfluence(0, 1, {2, 0});
    r.setInfluence(1, 1, {0.5, 0});
    r.setUnbalance(0, {3, 0});
    r.setUnbalance(1, {1, 1});
    // V0 = 1 x 3 + i x (1 + i) = 2 + i;  V1 = 2 x 3 + 0.5 x (1 + i) = 6.5 + 0.5i
    EXPECT_NEAR(r.vibration(0).real(), 2.0, 1e-12);
    EXPECT_NEAR(r.vibration(0).imag(), 1.0, 1e-12);
    EXPECT_NEAR(r.vibration(1).real(), 6.5, 1e-12);
    EXPECT_NEAR(r.vibration(1).imag(), 0.5, 1e-12);
    const auto t = r.turnResults();
    EXPECT_NEAR(t[0].amplitude, std::sqrt(5.0), 1e-12);
    EXPECT_NEAR(t[0].phase, std::atan2(1.0, 2.0) * 180 / kPi, 1e-9);
    EXPECT_NEAR(t[1].amplitude, std::hypot(6.5, 0.5), 1e-12);
    EXPECT_EQ(t[0].valid, 1);
    EXPECT_EQ(t[2].valid, 0);
    // A vibration in the third quadrant gives an angle in 180..270.
    r.setUnbalance(0, {-3, 0});
    r.setUnbalance(1, {0, 0});
    EXPECT_NEAR(r.angleDegrees(0), 180.0, 1e-9);
    EXPECT_NEAR(r.angleDegrees(1), 180.0, 1e-9);
}

TEST(SynthRotor, NoiseIsSeededAndReproducible) {
    SynthRotor a(1, 1), b(1, 1);
    for (auto* r : {&a, &b}) {
        r->setInfluence(0, 0, {1, 0});
        r->setUnbalance(0, {100, 0});
        r->setNoise(2.0, 42);
    }
    const auto ta = a.turnResults(), tb = b.turnResults();
    EXPECT_EQ(ta[0].amplitude, tb[0].amplitude);
    EXPECT_NE(ta[0].amplitude, 100.0);
    EXPECT_NEAR(ta[0].amplitude, 100.0, 20.0);
}

// Reads a replay file back and fits the first harmonic per revolution with a
// plain DFT over the samples between two marks.
TEST(SynthRotor, ReplayFileCarriesEachChannelsAmplitudeAndPhase) {
    SynthRotor r(1, 3);
    r.setInfluencePolar(0, 0, 1.0, 0.0);
    r.setInfluencePolar(0, 1, 0.5, 120.0);
    r.setInfluencePolar(0, 2, 2.0, 250.0);
    r.setUnbalancePolar(0, 5000.0, 40.0);
    DumpOptions o;
    o.sampleRate = 18175;
    o.rpm = 1500;
    o.recorded = 3;
    o.revolutions = 4;
    o.offset = 300.0;
    o.secondHarmonic = 0.2;
    o.markWidth = 3;
    const std::string path =
        (std::filesystem::temp_directory_path() / ("ks_synth_" + std::to_string(::getpid()) + ".dmp")).string();
    ASSERT_TRUE(writeMapiDump(path, r, o));

    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<int> words;
    int lo, hi;
    while ((lo = std::fgetc(f)) != EOF && (hi = std::fgetc(f)) != EOF) {
        words.push_back(static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8))));
    }
    std::fclose(f);
    std::remove(path.c_str());
    const int frame = 4;
    ASSERT_EQ(words.size() % frame, 0u);
    const int frames = static_cast<int>(words.size()) / frame;
    std::vector<int> starts;  // first sample of each mark pulse
    for (int i = 0; i < frames; ++i)
        if (words[i * frame] != 0 && (i == 0 || words[(i - 1) * frame] == 0)) starts.push_back(i);
    ASSERT_EQ(starts.size(), 5u);  // four revolutions and the closing mark
    const int n = dumpSamplesPerRevolution(o);
    EXPECT_EQ(n, 727);
    for (std::size_t rev = 0; rev + 1 < starts.size(); ++rev) {
        ASSERT_EQ(starts[rev + 1] - starts[rev], n);
        for (int c = 0; c < 3; ++c) {
            double a = 0, b = 0;
            for (int j = 0; j < n; ++j) {
                const double y = words[(starts[rev] + j) * frame + 1 + c];
                a += y * std::sin(2 * kPi * j / n);
                b += y * std::cos(2 * kPi * j / n);
            }
            a *= 2.0 / n;
            b *= 2.0 / n;
            double angle = std::atan2(-b, a) * 180 / kPi;
            if (angle < 0) angle += 360;
            EXPECT_NEAR(std::hypot(a, b), r.amplitude(c), 1.0) << "channel " << c;
            EXPECT_NEAR(angle, r.angleDegrees(c), 0.05) << "channel " << c;
        }
    }
}

}  // namespace
