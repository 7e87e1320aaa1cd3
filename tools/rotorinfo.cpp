// rotorinfo FILE.rotor: what a rotor file holds for balancing, read through
// the rotor model as the program reads it: the name, the planes and runs, the
// influence coefficients (modulus and angle per plane and channel, and
// whether they solve at all), and for the last run each plane's unbalance
// and correction as the Balancing screen computes them.  FILE lies in a
// "history/" or "db/" folder; that folder's parent and its ".cfg" are used.
//
// Output lines (numbers with "." and four decimals):
//   name ROTOR 1
//   planes 2 runs 5
//   factors 2x2 finite yes singular no
//   K 1 1 <modulus> <angle>
//   plane 1 unbalance <gmm> <deg> correction <g> <deg>
#include <unistd.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "texts/texts.h"
#include "tool_options.h"

namespace fs = std::filesystem;

namespace {

constexpr int kDatabaseMode = 1;
constexpr int kHistoryMode = 2;
constexpr double kDegrees = 3.14159265358979323846 / 180.0;
constexpr const char* kUsage = "usage: rotorinfo FILE.rotor\n";
// Coefficients whose determinant is this small against the product of their
// rows' lengths (its largest possible size) cannot separate the planes.
constexpr double kSingularRatio = 1e-9;

using Complex = std::complex<double>;

// The determinant of a square complex matrix by elimination with pivoting.
Complex determinant(std::vector<Complex> a, int n) {
    Complex det = 1.0;
    for (int c = 0; c < n; ++c) {
        int pivot = c;
        for (int r = c + 1; r < n; ++r)
            if (std::abs(a[r * n + c]) > std::abs(a[pivot * n + c])) pivot = r;
        if (std::abs(a[pivot * n + c]) == 0.0) return 0.0;
        if (pivot != c) {
            for (int k = 0; k < n; ++k) std::swap(a[c * n + k], a[pivot * n + k]);
            det = -det;
        }
        det *= a[c * n + c];
        for (int r = c + 1; r < n; ++r) {
            const Complex f = a[r * n + c] / a[c * n + c];
            for (int k = c; k < n; ++k) a[r * n + k] -= f * a[c * n + k];
        }
    }
    return det;
}

void printFactors(Rotor& rotor) {
    std::vector<int> planes;  // plane numbers with a channel
    for (int p = 1; p <= rotor.planeCount(false); ++p)
        if (rotor.hasChannel(p)) planes.push_back(p);
    const int m = static_cast<int>(planes.size());
    if (!rotor.hasFactors() || m == 0) {
        std::printf("factors none\n");
        return;
    }
    std::vector<Complex> k(static_cast<std::size_t>(m * m));
    bool finite = true;
    std::string lines;
    for (int r = 0; r < m; ++r)
        for (int c = 0; c < m; ++c) {
            double modulus = 0, angle = 0;
            rotor.factorData(0, planes[r], planes[c], &modulus, &angle);
            finite = finite && std::isfinite(modulus) && std::isfinite(angle);
            k[r * m + c] = std::polar(modulus, angle * kDegrees);
            char line[128];
            std::snprintf(line, sizeof line, "K %d %d %.6g %.4f\n", planes[r], planes[c], modulus, angle);
            lines += line;
        }
    double bound = 1.0;
    for (int r = 0; r < m; ++r) {
        double row = 0;
        for (int c = 0; c < m; ++c) row += std::norm(k[r * m + c]);
        bound *= std::sqrt(row);
    }
    const bool singular = !finite || std::abs(determinant(k, m)) <= kSingularRatio * bound;
    std::printf("factors %dx%d finite %s singular %s\n%s", m, m, finite ? "yes" : "no", singular ? "yes" : "no",
                lines.c_str());
}

void printCorrections(Rotor& rotor) {
    if (rotor.runCount() == 0) return;
    // As the Balancing screen prepares a run's instructions.
    rotor.computeArcCorrections();
    rotor.computeCorrections(false, false, false, true);
    for (int i = 0; i < rotor.planeCount(false); ++i)
        std::printf("plane %d unbalance %.4f %.4f correction %.4f %.4f\n", i + 1, rotor.correctionAmount(i, true),
                    rotor.correctionAngle(i, true), rotor.correctionAmount(i, false), rotor.correctionAngle(i, false));
}

}  // namespace

int main(int argc, char** argv) {
    if (const int rc = tooloptions::helpOnly(argc, argv, kUsage); rc >= 0) return rc;
    if (argc - optind != 1) return tooloptions::usage(kUsage, false);
    std::error_code ec;
    const fs::path file = fs::absolute(argv[optind], ec);
    const std::string folder = file.parent_path().filename().string();
    const int mode = folder == "history" ? kHistoryMode : folder == "db" ? kDatabaseMode : 0;
    if (mode == 0) {
        std::fprintf(stderr, "rotorinfo: %s does not lie in a history/ or db/ folder\n", argv[optind]);
        return 1;
    }
    if (::chdir(file.parent_path().parent_path().c_str()) != 0) {
        std::fprintf(stderr, "rotorinfo: cannot change into the folder of %s\n", argv[optind]);
        return 1;
    }
    Config config;
    if (fs::exists(".cfg", ec) && !config.load(".cfg"))
        std::fprintf(stderr, "rotorinfo: .cfg could not be read, the default settings are used\n");
    setLanguage(config.language != 0);
    Rotor rotor(&config);
    rotor.setLogEnabled(false);
    const std::string name = file.filename().string();
    if (!rotor.loadRotor(name.c_str(), mode)) {
        std::fprintf(stderr, "rotorinfo: %s could not be loaded\n", argv[optind]);
        return 1;
    }
    std::printf("name %s\nplanes %d runs %d\n", rotor.nameText(false), rotor.planeCount(false), rotor.runCount());
    printFactors(rotor);
    printCorrections(rotor);
    return 0;
}
