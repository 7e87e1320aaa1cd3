#include "support/machine_synth_rotor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
constexpr double kPi = 3.14159265358979323846;

int clamp16(double v) {
    const double r = std::round(v);
    if (r > 32767.0) return 32767;
    if (r < -32768.0) return -32768;
    return static_cast<int>(r);
}
}  // namespace

SynthRotor::SynthRotor(int planes, int channels)
    : planes_(planes), channels_(std::min(channels, 5)), k_(static_cast<std::size_t>(planes * channels)),
      u_(static_cast<std::size_t>(planes)) {}

void SynthRotor::setInfluence(int plane, int channel, Complex k) {
    if (plane >= 0 && plane < planes_ && channel >= 0 && channel < channels_) k_[plane * channels_ + channel] = k;
}

void SynthRotor::setInfluencePolar(int plane, int channel, double amplitude, double degrees) {
    setInfluence(plane, channel, std::polar(amplitude, degrees * kPi / 180.0));
}

void SynthRotor::setUnbalance(int plane, Complex u) {
    if (plane >= 0 && plane < planes_) u_[plane] = u;
}

void SynthRotor::setUnbalancePolar(int plane, double amplitude, double degrees) {
    setUnbalance(plane, std::polar(amplitude, degrees * kPi / 180.0));
}

void SynthRotor::setNoise(double sigma, std::uint32_t seed) {
    sigma_ = sigma;
    rng_.seed(seed);
}

SynthRotor::Complex SynthRotor::vibration(int channel) const {
    Complex v{};
    if (channel < 0 || channel >= channels_) return v;
    for (int p = 0; p < planes_; ++p) v += k_[p * channels_ + channel] * u_[p];
    return v;
}

double SynthRotor::angleDegrees(int channel) const {
    const Complex v = vibration(channel);
    if (std::abs(v) == 0.0) return 0.0;
    double deg = std::arg(v) * 180.0 / kPi;
    if (deg < 0) deg += 360.0;
    if (deg >= 360.0) deg -= 360.0;
    return deg;
}

std::array<TurnResult, 5> SynthRotor::turnResults() {
    std::array<TurnResult, 5> out{};
    std::normal_distribution<double> noise(0.0, sigma_ > 0 ? sigma_ : 1.0);
    for (int c = 0; c < channels_; ++c) {
        Complex v = vibration(c);
        if (sigma_ > 0) v += Complex(noise(rng_), noise(rng_));
        double deg = std::abs(v) == 0.0 ? 0.0 : std::arg(v) * 180.0 / kPi;
        if (deg < 0) deg += 360.0;
        out[c].valid = 1;
        out[c].amplitude = std::abs(v);
        out[c].phase = deg;
    }
    return out;
}

std::vector<SynthRotor::RawFrame> SynthRotor::rawSamples(int revolutions, const RawOptions& o) {
    std::vector<RawFrame> frames;
    const int n = std::max(o.samplesPerRevolution, 1);
    frames.reserve(static_cast<std::size_t>(revolutions) * n);
    std::normal_distribution<double> noise(0.0, sigma_ > 0 ? sigma_ : 1.0);
    std::array<double, 5> amp{}, ang{};
    for (int c = 0; c < channels_; ++c) {
        amp[c] = std::abs(vibration(c));
        ang[c] = std::arg(vibration(c));
    }
    for (int r = 0; r < revolutions; ++r) {
        for (int j = 0; j < n; ++j) {
            RawFrame f;
            f.mark = j < o.markWidth;
            const double phi = 2.0 * kPi * j / n;
            for (int c = 0; c < channels_; ++c) {
                double y = o.offset + amp[c] * std::sin(phi - ang[c]) + o.secondHarmonic * amp[c] * std::sin(2.0 * phi);
                if (sigma_ > 0) y += noise(rng_);
                f.values[c] = clamp16(y);
            }
            frames.push_back(f);
        }
    }
    return frames;
}

int dumpSamplesPerRevolution(const DumpOptions& o) {
    return static_cast<int>(std::lround(o.sampleRate * 60.0 / o.rpm));
}

bool writeMapiDump(const std::string& path, SynthRotor& rotor, const DumpOptions& o,
                   std::vector<SynthRotor::RawFrame>* written) {
    SynthRotor::RawOptions ro;
    ro.samplesPerRevolution = dumpSamplesPerRevolution(o);
    ro.offset = o.offset;
    ro.secondHarmonic = o.secondHarmonic;
    ro.markWidth = o.markWidth;
    std::vector<SynthRotor::RawFrame> body = rotor.rawSamples(o.revolutions, ro);
    if (!body.empty()) {
        // The mark that closes the last revolution: the replay loops back from it.
        SynthRotor::RawFrame closing = body.front();
        body.push_back(closing);
    }
    std::vector<SynthRotor::RawFrame> frames;
    for (int i = 0; i < o.leadingUnmarked && !body.empty(); ++i) {
        SynthRotor::RawFrame f = body[body.size() - 2 - (i % (body.size() - 1))];
        f.mark = false;
        frames.insert(frames.begin(), f);
    }
    frames.insert(frames.end(), body.begin(), body.end());
    for (int i = 0; i < o.trailingUnmarked && !body.empty(); ++i) {
        SynthRotor::RawFrame f = body[1 + static_cast<std::size_t>(i) % (body.size() - 1)];
        f.mark = false;
        frames.push_back(f);
    }
    if (o.noMarks) {
        for (auto& f : frames) f.mark = false;
    }
    std::vector<unsigned char> bytes;
    auto put = [&](int v) {
        const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(v));
        bytes.push_back(static_cast<unsigned char>(u & 0xFF));
        bytes.push_back(static_cast<unsigned char>(u >> 8));
    };
    for (const auto& f : frames) {
        put(f.mark ? 1 : 0);
        for (int c = 0; c < o.recorded; ++c) put(c < 5 ? f.values[c] : 0);
    }
    for (int i = 0; i < o.partialBytes; ++i) bytes.push_back(0x11);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (written) *written = frames;
    return ok && closed;
}
