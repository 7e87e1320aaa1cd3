#pragma once
// The least-squares fit of the first harmonic v = a sin t + b cos t + d over
// the samples of whole revolutions, where sample i of a revolution of n
// samples has the angle t = 2 pi i / n.  The measuring controller's driver
// fits the blocks it reads, the rotor the raw revolutions of the older
// controller and the demo device; each turns a and b into its own phase
// convention and scale.
//
// The sums run over every sample added since the last reset.  A caller may
// solve the 3x3 normal equations after every sample of a revolution (Cramer's
// rule) and learn whether the amplitude sqrt(a^2 + b^2) settled at one of them:
// moved by at most the tolerance, relative to the previous solve's.

#include <cstddef>
#include <vector>

#ifdef __FAST_MATH__
#error "the harmonic fit relies on IEEE arithmetic (a first relative change of x/0 is never valid)"
#endif

namespace harmonic {

// sin and cos of one sample angle.
struct SinCos {
    double s;
    double c;
};

// Appends the angles of one revolution of n samples: 2 pi i / n, i = 0 .. n-1.
void appendRevolutionAngles(std::size_t n, std::vector<SinCos>& table);
// The angle of sample i of a revolution of n samples.
SinCos revolutionAngle(std::size_t i, std::size_t n);

// When an amplitude counts as settled.
struct Settling {
    double tolerance = 0.1;       // largest relative change from the previous solve
    double startAmplitude = 0.0;  // what the first solve is compared with
    // An unchanged finite amplitude settles even where the relative change is
    // 0 / 0 (an amplitude of 0 after 0).
    bool unchangedSettles = false;
};

class FirstHarmonicFit {
public:
    explicit FirstHarmonicFit(const Settling& settling = {}) : settling_(settling) { reset(); }

    // Clears the sums, the coefficients and the previous amplitude.
    void reset();
    void setSettling(const Settling& settling) { settling_ = settling; }

    // Adds the n samples x[0], x[stride], x[2 stride], ..., each times
    // `scale`, with the angles trig[0 .. n).  With solveEach the fit is solved
    // after every sample; returns whether the amplitude settled at one of them
    // (false without solveEach).
    template <class T>
    bool add(const T* x, std::size_t stride, double scale, const SinCos* trig, std::size_t n,
             bool solveEach) {
        Sums s = sums_;
        bool settled = false;
        if (solveEach) {
            for (std::size_t i = 0; i < n; ++i) {
                s.add(static_cast<double>(x[i * stride]) * scale, trig[i]);
                if (settle(s)) settled = true;
            }
        } else {
            for (std::size_t i = 0; i < n; ++i) s.add(static_cast<double>(x[i * stride]) * scale, trig[i]);
        }
        sums_ = s;
        return settled;
    }

    // The last solve's coefficients of sin and cos and its amplitude.
    double a() const { return a_; }
    double b() const { return b_; }
    double amplitude() const;
    double count() const { return sums_.n; }

private:
    struct Sums {
        double ss = 0, cc = 0, sc = 0, vs = 0, vc = 0, v = 0, s = 0, c = 0, n = 0;
        void add(double value, const SinCos& t) {
            ss += t.s * t.s;
            cc += t.c * t.c;
            sc += t.s * t.c;
            vs += value * t.s;
            vc += value * t.c;
            v += value;
            s += t.s;
            c += t.c;
            n += 1.0;
        }
    };
    // Solves over the sums; true when the amplitude settled.
    bool settle(const Sums& s);

    Settling settling_;
    Sums sums_;
    double a_ = 0, b_ = 0, previous_ = 0;
};

}  // namespace harmonic
