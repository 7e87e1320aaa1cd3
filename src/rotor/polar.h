#pragma once
// Polar vectors of the balancing calculations: (amplitude, angle).  Sums and
// differences go through Cartesian components and come back through
// toPolar, the one conversion all rotor code uses.

namespace polar {

struct Polar {
    double amplitude = 0.0;
    double angle = 0.0;  // radians, in [-pi, pi]
};

// amplitude = sqrt(x^2 + y^2), angle = sg(y) * acos(x / amplitude).
// The angle is 0 at amplitude 0, pi on the negative x axis (y exactly 0),
// and 0 whenever the components are not finite: no NaN angle comes out.
Polar toPolar(double x, double y);

// Sum of two polar vectors (angles in radians).
Polar add(double a, double alpha, double b, double beta);

// Degrees brought into [0, 360); a non-finite value gives 0.
double reduceDegrees(double degrees);

constexpr double kPi = 3.14159265358979323846;
inline double toDegrees(double radians) { return radians * 180.0 / kPi; }
inline double toRadians(double degrees) { return degrees * kPi / 180.0; }

}  // namespace polar
