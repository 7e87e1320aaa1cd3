#pragma once
// Feeds a rotor with channel results through its measurement intake, so that
// its final values come out as the given vectors (amplitude, degrees).  The
// intake's averaging stores the mirror image of the angles it averages, so
// the rows carry 360 - angle.

#include <complex>
#include <vector>

#include "rotor/polar.h"
#include "rotor/rotor.h"

namespace rotortest {

using Complex = std::complex<double>;

inline Complex fromPolarDeg(double amplitude, double degrees) {
    return std::polar(amplitude, polar::toRadians(degrees));
}
inline double degreesOf(Complex c) { return polar::reduceDegrees(polar::toDegrees(std::arg(c))); }

// One session whose final value of channel position k is values[k].
inline void feedSession(Rotor& r, const std::vector<Complex>& values, int rows = 3) {
    r.startSession();
    for (std::size_t k = 0; k < values.size(); ++k) r.initChannel(static_cast<unsigned>(k), 1, static_cast<int>(k));
    for (int row = 0; row < rows; ++row) {
        for (std::size_t k = 0; k < values.size(); ++k) {
            const double deg = polar::reduceDegrees(360.0 - degreesOf(values[k]));
            r.addMeasureResult(std::abs(values[k]), polar::toRadians(deg), deg, 1, static_cast<int>(k));
        }
    }
}

}  // namespace rotortest
