// The rotor's tolerance: the permissible unbalance from a balance quality
// grade, the out-of-tolerance test, the unit unbalance is shown in, and the
// auxiliary tolerance calculations of the interface.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "records/job_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"
#include "texts/format.h"
#include "texts/texts.h"

namespace {

// Balance quality grades G in mm/s (ISO 1940-1), coarse to fine, closed by 0.
const double kBalanceGrades[12] = {4000, 1600, 630, 250, 100, 40, 16, 6.3, 2.5, 1, 0.4, 0};
constexpr int kGradeCount = 11;

}  // namespace

const double* Rotor::gradeTable() { return kBalanceGrades; }

void Rotor::permissibleUnbalanceFromGrade(double speed, int grade) {
    const int planes = planeCount(false);
    if (grade < 0 || grade >= kGradeCount || !(speed > 0.0) || planes <= 0) return;
    const double U = rotorMass() * kBalanceGrades[grade] * 30.0 * 1000.0 / (planes * speed * polar::kPi);
    if (!std::isfinite(U)) return;
    data_->permissibleUnbalance = U > 10.0 ? std::floor(U) : std::floor(10.0 * U) / 10.0;
}

bool Rotor::isOutOfTolerance(int p) {
    if (!isPlaneIndex(p)) return false;
    if (correctionAmount(p - 1, true) > permissibleUnbalance(p)) return true;
    return isControlRotor();
}

double Rotor::unbalanceUnit(char* out, int size) {
    const double factor = data_->unbalanceUnit;
    const bool english = isEnglish();
    std::string text;
    double divisor = factor;
    if (factor == 0.0) {
        text = english ? "gmm/kg" : "гмм/кг";
        divisor = rotorMass();
    } else if (factor == 1.0) {
        text = english ? "gmm" : "гмм";
    } else if (factor == 10.0) {
        text = english ? "gcm" : "гсм";
    } else if (factor == 1000.0) {
        text = english ? "gm" : "гм";
    } else {
        text = ks::format("{}", factor);
    }
    if (out && size >= 1) {
        // At most size - 1 bytes, never half a character.
        std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
        while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
        std::memcpy(out, text.data(), n);
        out[n] = '\0';
        out[size - 1] = '\0';
    }
    return divisor;
}

void Rotor::splitTolerance(double* out, double a, double b, double L) {
    if (!out) return;
    const double rest = L - a - b;
    if (L == 0.0 || rest == 0.0) {
        for (int k = 0; k < 5; ++k) out[k] = 0.0;
        return;
    }
    const double v = a / L;
    const double f1 = std::fabs(1.0 - 2.0 * v * v + v * v * v) * v * 25.0 / 6.0;
    const double w = b / L;
    const double f2 = std::fabs(1.0 - 2.0 * w * w + w * w * w) * w * 25.0 / 6.0;
    const double g1 = L / 2.0 - a / rest;
    const double g2 = L / 2.0 - b / rest;
    const double h = 1.0 - g2 * f1 - f2 * g1;
    out[0] = f1;
    out[1] = g1;
    out[2] = f2;
    out[3] = g2;
    out[4] = h;
}

void Rotor::logToleranceFactors(const double* data) {
    if (!data) return;
    const double k27 = data[27], k28 = data[28], k29 = data[29], k30 = data[30], k31 = data[31];
    for (int set = 0; set < 2; ++set) {
        const double* s = data + 12 * set;
        const int N = static_cast<int>(data[24 + set]);
        double x[2], y[2];
        for (int j = 0; j < 2; ++j) {
            const double p = s[6 * j], q = s[6 * j + 2], r = s[6 * j + 4];
            const double d = r - p * k30 - q * k28;
            x[j] = p - (k27 / k31) * d;
            y[j] = q - (k29 / k31) * d;
        }
        const double A = k28 * y[0] + k30 * x[0];
        const double B = k28 * y[1] + k30 * x[1];
        const double E = s[4] - A;
        const double d1 = y[1] * x[0] - x[1] * y[0];
        const double G = (s[4] * B - s[10] * A) / ((s[10] - B) * (x[0] - y[0]) + (y[1] - x[1]) * E);
        const double F = E / ((x[0] - y[0]) * G + A);
        const double Nkr = N * std::sqrt((F + 1.0) / F);
        std::printf("G = %lg, F = %lg, Nkr = %lg, d1 = %lg, D = %lg\n", G, F, Nkr, d1, 0.0);
    }
    std::fflush(stdout);
}

double Rotor::inertiaQuotient(double x) {
    if (x == 0.0) return 0.0;
    double R = 0.0;
    const int n = planeCount(false);
    for (int p = 1; p <= n; ++p)
        if (hasChannel(p) && correctionRadius(p) > R) R = correctionRadius(p);
    return rotorMass() * polar::kPi * R * R * 1000.0 / (x * 30000.0 * driveRatio());
}
