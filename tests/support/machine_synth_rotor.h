#pragma once
// A synthetic rotor for machine-control tests.
//
// From influence coefficients K(plane, channel) and plane unbalances U_p
// (complex numbers) it gives the vibration of each measuring channel,
// V_c = sum over p of K(p, c) x U_p, optionally with seeded noise, either as
// per-turn results of a device ({1, |V_c|, arg V_c in degrees 0..360}) or as
// raw samples: per revolution of N samples, sample j of channel c is
//     offset + |V_c| x sin(2 pi j / N - arg V_c)
//            + h2 x |V_c| x sin(2 x 2 pi j / N) + noise,
// rounded and limited to the signed 16-bit range, with the phase mark on the
// first sample of every revolution (optionally a wider pulse).  With this
// convention a least-squares fit y = a sin(phi) + b cos(phi) + c0 over a
// revolution finds amplitude |V_c| and the rotor's angle arg V_c.

#include <array>
#include <complex>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "machine/api.h"
#include "support/raw_frame.h"

class SynthRotor {
public:
    using Complex = std::complex<double>;

    SynthRotor(int planes, int channels);

    int planes() const { return planes_; }
    int channels() const { return channels_; }

    void setInfluence(int plane, int channel, Complex k);
    // Sets K from amplitude and angle in degrees.
    void setInfluencePolar(int plane, int channel, double amplitude, double degrees);
    void setUnbalance(int plane, Complex u);
    void setUnbalancePolar(int plane, double amplitude, double degrees);
    // Gaussian noise of the given standard deviation (per-turn amplitude and
    // raw samples), from a generator seeded with `seed`.
    void setNoise(double sigma, std::uint32_t seed);

    // Noise-free vibration of a channel.
    Complex vibration(int channel) const;
    // Amplitude and angle (degrees, 0..360) of a channel's vibration.
    double amplitude(int channel) const { return std::abs(vibration(channel)); }
    double angleDegrees(int channel) const;

    // One set of per-turn results, index = channel (five entries; channels
    // beyond the rotor's are invalid and zero).
    std::array<TurnResult, 5> turnResults();

    struct RawOptions {
        int samplesPerRevolution = 1000;
        double offset = 0.0;
        double secondHarmonic = 0.0;  // relative to each channel's amplitude
        int markWidth = 1;            // samples of each mark pulse
    };
    using RawFrame = sim::RawFrame;
    // Whole revolutions of raw samples.
    std::vector<RawFrame> rawSamples(int revolutions, const RawOptions& options);

private:
    int planes_;
    int channels_;
    std::vector<Complex> k_;  // plane-major
    std::vector<Complex> u_;
    double sigma_ = 0.0;
    std::mt19937 rng_{1};
};

// Writes a demonstration replay file: little-endian u16 frames of
// (recorded + 1) values, the mark word first, then the signed raw values of
// the first `recorded` channels.  The revolutions are whole and followed by
// one marked frame (the start of the next revolution, the same as the first),
// so the replay, which loops back from that closing frame to the first marked
// one, runs on smoothly.  Leading and
// trailing unmarked frames (copies of revolution samples without the mark)
// may be added to test trimming; `partialBytes` appends bytes of an
// incomplete frame.  Returns false when the file cannot be written.
struct DumpOptions {
    int sampleRate = 18175;
    double rpm = 1000.0;
    int recorded = 2;
    int revolutions = 3;
    int markWidth = 1;
    double offset = 0.0;
    double secondHarmonic = 0.0;
    int leadingUnmarked = 0;
    int trailingUnmarked = 0;
    int partialBytes = 0;
    bool noMarks = false;
};
int dumpSamplesPerRevolution(const DumpOptions& options);
bool writeMapiDump(const std::string& path, SynthRotor& rotor, const DumpOptions& options,
                   std::vector<SynthRotor::RawFrame>* written = nullptr);
