#include "rotor/polar.h"

#include <cmath>

namespace polar {

Polar toPolar(double x, double y) {
    Polar p;
    p.amplitude = std::sqrt(x * x + y * y);
    if (!(p.amplitude > 0.0) || !std::isfinite(p.amplitude)) return p;
    double c = x / p.amplitude;
    // Rounding may push the quotient a hair outside [-1, 1].
    if (c > 1.0) c = 1.0;
    if (c < -1.0) c = -1.0;
    const double a = std::acos(c);
    if (y > 0.0)
        p.angle = a;
    else if (y < 0.0)
        p.angle = -a;
    else
        p.angle = (x < 0.0) ? kPi : 0.0;
    return p;
}

Polar add(double a, double alpha, double b, double beta) {
    return toPolar(a * std::cos(alpha) + b * std::cos(beta), a * std::sin(alpha) + b * std::sin(beta));
}

double reduceDegrees(double degrees) {
    if (!std::isfinite(degrees)) return 0.0;
    double r = std::fmod(degrees, 360.0);
    if (r < 0.0) r += 360.0;
    if (r >= 360.0) r = 0.0;  // -tiny + 360 rounds to 360
    return r;
}

}  // namespace polar
