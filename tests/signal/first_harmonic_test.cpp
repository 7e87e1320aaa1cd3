// The one first-harmonic fit: interleaved samples and the settling rules
// that the measuring driver and the rotor choose.

#include "signal/first_harmonic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

using harmonic::FirstHarmonicFit;
using harmonic::Settling;
using harmonic::SinCos;

constexpr double kPi = 3.14159265358979323846;

TEST(FirstHarmonic, InterleavedChannelsFitAsIfAlone) {
    const std::size_t n = 120, channels = 3;
    std::vector<SinCos> angles;
    harmonic::appendRevolutionAngles(n, angles);
    std::vector<std::int32_t> interleaved(n * channels);
    for (std::size_t j = 0; j < n; ++j)
        for (std::size_t k = 0; k < channels; ++k)
            interleaved[j * channels + k] = static_cast<std::int32_t>(
                std::lround(50.0 * k + (100.0 + 300.0 * k) * std::sin(2 * kPi * j / n - 0.7 * k)));
    for (std::size_t k = 0; k < channels; ++k) {
        std::vector<double> alone(n);
        for (std::size_t j = 0; j < n; ++j) alone[j] = interleaved[j * channels + k];
        FirstHarmonicFit a, b;
        a.add(interleaved.data() + k, channels, 3.0, angles.data(), n, true);
        b.add(alone.data(), 1, 3.0, angles.data(), n, true);
        EXPECT_EQ(a.a(), b.a());
        EXPECT_EQ(a.b(), b.b());
        EXPECT_NEAR(a.amplitude(), 3.0 * (100.0 + 300.0 * k), 2.0);
        EXPECT_NEAR(std::atan2(-a.b(), a.a()), 0.7 * k, 1e-2);
    }
}

TEST(FirstHarmonic, SettlingRules) {
    const double huge = std::numeric_limits<double>::max();
    struct Case {
        Settling settling;
        double level;  // amplitude of the sine (0: a flat trace)
        std::size_t samples;
        bool settled;
    } cases[] = {
        {{0.1, 0.0, false}, 0.0, 40, false},   // 0 after 0 is 0 / 0
        {{0.1, huge, true}, 0.0, 40, true},    // unless unchanged counts
        {{0.1, 0.0, false}, 100.0, 1, false},  // one sample solves nothing
        {{0.1, 0.0, false}, 100.0, 40, true},  // a sine settles either way
        {{0.1, huge, true}, 100.0, 40, true},
    };
    for (const Case& c : cases) {
        std::vector<SinCos> angles;
        harmonic::appendRevolutionAngles(40, angles);
        std::vector<double> x(40);
        for (std::size_t i = 0; i < x.size(); ++i) x[i] = c.level * std::sin(2 * kPi * i / 40.0);
        FirstHarmonicFit fit(c.settling);
        EXPECT_EQ(fit.add(x.data(), 1, 1.0, angles.data(), c.samples, true), c.settled)
            << c.settling.tolerance << " " << c.level << " " << c.samples;
        EXPECT_FALSE(fit.add(x.data(), 1, 1.0, angles.data(), c.samples, false));  // no solve, no verdict
    }
}

}  // namespace
