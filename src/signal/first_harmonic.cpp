#include "signal/first_harmonic.h"

#include <cmath>

namespace harmonic {

namespace {
constexpr double kTwoPi = 2.0 * 3.14159265358979323846;
}  // namespace

SinCos revolutionAngle(std::size_t i, std::size_t n) {
    const double t = kTwoPi * static_cast<double>(i) / static_cast<double>(n);
    return {std::sin(t), std::cos(t)};
}

void appendRevolutionAngles(std::size_t n, std::vector<SinCos>& table) {
    for (std::size_t i = 0; i < n; ++i) table.push_back(revolutionAngle(i, n));
}

void FirstHarmonicFit::reset() {
    sums_ = Sums();
    a_ = b_ = 0.0;
    previous_ = settling_.startAmplitude;
}

double FirstHarmonicFit::amplitude() const {
    return std::sqrt(a_ * a_ + b_ * b_);
}

// Cramer's rule on
//   | ss sc s |   |a|   |vs|
//   | sc cc c | x |b| = |vc|
//   | s  c  n |   |d|   |v |
bool FirstHarmonicFit::settle(const Sums& s) {
    const double m11 = s.cc * s.n - s.c * s.c;
    const double m12 = s.sc * s.n - s.c * s.s;
    const double m13 = s.sc * s.c - s.cc * s.s;
    const double det = s.ss * m11 - s.sc * m12 + s.s * m13;
    const double detA = s.vs * m11 - s.sc * (s.vc * s.n - s.c * s.v) + s.s * (s.vc * s.c - s.cc * s.v);
    const double detB = s.ss * (s.vc * s.n - s.c * s.v) - s.vs * m12 + s.s * (s.sc * s.v - s.vc * s.s);
    a_ = detA / det;
    b_ = detB / det;

    const double amp = amplitude();
    const double previous = previous_;
    previous_ = amp;
    if (!std::isfinite(amp)) return false;
    if (settling_.unchangedSettles && amp == previous) return true;
    // IEEE: a change relative to 0 is infinite or NaN, never settled.
    return std::fabs(previous - amp) / previous <= settling_.tolerance;
}

}  // namespace harmonic
