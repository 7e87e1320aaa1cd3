// Sections 6 and 7 of the verification-test protocol: the URR test (pages 5
// and 6) and the compensator test (top of page 7).
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <string>
#include <vector>

#include "rotor/rotor_report.h"
#include "support/verification_fixture.h"
#include "texts/format.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
using Vec = std::complex<double>;

// URR run j's ideal reading in test plane p in multiples of U|station|: the
// stationary test mass plus the travelling one, `times` as heavy.
Vec targetOf(int p, int j, double times) {
    const double stationary = p == 0 ? 0 : 90, travelling = p == 0 ? 30 * (j + 1) : (420 - 30 * j) % 360;
    return std::polar(1.0, stationary * kPi / 180) + std::polar(times, travelling * kPi / 180);
}
Vec target(int p, int j) {
    return targetOf(p, j, 5);
}
double degrees(Vec v) {
    return std::fmod(std::arg(v) * 180 / kPi + 360, 360);
}

// A proving rotor with `runs` runs; the URR runs carry their readings (U|station| 1250 gmm), the others 20.
verification::ProvingRotor provingRotor(int runs, const std::function<Vec(int p, int j)>& urr = target) {
    verification::ProvingRotor pr;
    for (int k = 0, j = -19; k < runs; ++k, ++j) {
        const Vec a = j >= 0 && j < 11 ? 1250.0 * urr(0, j) : 20,
                  b = j >= 0 && j < 11 ? 1250.0 * urr(1, j) : 20;
        pr.runs.push_back({std::abs(a), degrees(a), std::abs(b), degrees(b)});
    }
    return pr;
}
// A reading moved off its target by fraction f of the target's length, direction turned by `turn` degrees.
Vec moved(int p, int j, double f, double turn) {
    return target(p, j) * (1.0 + std::polar(f, turn * kPi / 180));
}

class VerificationUrr : public verification::Fixture {};

TEST_F(VerificationUrr, CircleIndexAndClaimIndex) {
    // Exact readings in the 95 % circle; half-way between two steps (92.5 % in the 90 % ring, 87.5 % in the
    // 85 % one ...) on every target, the shortest (run 5, 4 × U|station|) with the narrowest steps too.
    for (int p = 0; p < 2; ++p)
        for (int j = 0; j < 11; ++j)
            for (int ring = 0; ring <= 4; ++ring) {
                const Vec v = moved(p, j, ring == 0 ? 0 : 0.05 * ring + 0.025, 90.0 * ring + 45 * p + j);
                EXPECT_EQ(urrCircleIndex(std::abs(v), degrees(v), p, j, 5), ring) << p << " " << j;
            }
    const std::pair<double, int> claims[] = {{100, 0}, {95, 0},   {92, 1}, {90, 1},
                                             {5, 18},  {4.9, 19}, {-1, 19}};
    for (const auto& [claim, index] : claims) EXPECT_EQ(urrClaimIndex(claim), index) << claim;
}

TEST_F(VerificationUrr, SheetDiagramAndVerdict) {
    // n1 readings of plane 1 from run `from` and n2 of plane 2 from run from + 4 moved off by fraction f,
    // turned by `turn` from the target's direction.
    auto far = [](int from, int n1, int n2, double f, double turn = 0) {
        return [=](int p, int j) {
            const int k = j - from - 4 * p;
            return k >= 0 && k < (p ? n2 : n1) ? moved(p, j, f, turn) : target(p, j);
        };
    };
    struct Case {
        const char* what;
        int runs;
        double massStation, claim;
        std::function<Vec(int, int)> urr;
        int step;                         // the URR reached, %; 0: not completed, no URR stated
        const char *comparison, *result;  // the verdict's words
        double massTravel = 62.5;
    };
    // clang-format off
    const Case cases[] = {
        {"exact", 30, 12.5, 90, target, 95, "exceeds", "passed"},
        {"one far point per plane", 30, 12.5, 90, far(3, 1, 1, 0.9), 95, "exceeds", "passed"},
        {"two in plane 1", 30, 12.5, 90, far(3, 2, 1, 0.125), 85, "does not correspond to", "failed"},
        // Graded on the readings, wherever the sheet draws them: e = 5.9 % and 4.3 % of the target.
        {"two 5.9 % off", 30, 12.5, 95, far(6, 2, 0, 0.059), 90, "does not correspond to", "failed"},
        {"two 4.3 % off", 30, 12.5, 95, far(1, 2, 0, 0.043, 180), 95, "corresponds to", "passed"},
        {"claim 95", 30, 12.5, 95, target, 95, "corresponds to", "passed"},
        {"29 runs", 29, 12.5, 90, target, 0, "", ""},
        {"U|station| 0", 30, 0, 4, target, 0, "", ""},
        {"all at 0°", 30, 12.5, 90, [](int, int) { return Vec(1, 0); }, 5, "does not correspond to", "failed"},
        // Graded against the masses mounted: U|travel| 4 × U|station|.
        {"travelling mass 50 g", 30, 12.5, 95, [](int p, int j) { return targetOf(p, j, 4); }, 95, "corresponds to", "passed", 50},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cfg_.get()->reductionRatio = c.claim;
        verification::ProvingRotor pr = provingRotor(c.runs, c.urr);
        pr.massStation = c.massStation, pr.massTravel = c.massTravel;
        ASSERT_EQ(write(pr), reportresult::kWritten);
        EXPECT_EQ(at(6, 51, 700), c.step ? "6.3. All test points on a URR evaluation diagram are within the"
                                         : "6.3. URR test was not completed");
        EXPECT_EQ(at(6, 51, 712),
                  !c.step ? "<none>"
                          : ks::format("URR = {} % limit circles, with one exception per correction plane "
                                       "allowed. This {} claimed URR.",
                                       c.step, c.comparison));
        EXPECT_EQ(at(6, 51, 724),
                  !c.step ? "<none>"
                          : ks::format("coefficient URRclaim ={} %. Balancing machine {} URR test.", c.claim,
                                       c.result));
        EXPECT_FALSE(printsNanOrInf());
        std::vector<const DocCall*> marks;
        for (const DocCall* i : doc_->of(DocOp::image))
            if (i->page == 6 && i->w == 5) marks.push_back(i);
        ASSERT_EQ(marks.size(), c.massStation == 0 ? 2u : 24u);  // the legend's two, then one per reading
        if (c.urr(0, 0) != Vec(1, 0)) {  // run 6 of the data sheet: the shortest targets
            const double times = c.massTravel / c.massStation - 1;
            const std::string q = c.massStation == 0 ? "-" : ks::format("{:.2f}", times),
                              u = ks::format("{:.2f}", 1250 * (c.massStation == 0 ? 4 : times));
            EXPECT_EQ(row(5, 336), ks::format("6 | 0 | 180 | 90 | 270 | {0} | 180.00 | {1} | {0} | 270.00 | {1}", u, q));
            continue;
        }
        // 0° of plane 1 straight above the origin, of plane 2 to its left.
        const float s = 517.f / 1893, cx = 46 + 935 * s, cy = 117 + 1052 * s, unit = 117 * s;
        EXPECT_LT(std::hypot(marks[2]->x - cx, marks[2]->y - (cy - unit)), 1e-3);
        EXPECT_LT(std::hypot(marks[3]->x - (cx - unit), marks[3]->y - cy), 1e-3);
    }
}

class VerificationCompensator : public verification::Fixture {};

TEST_F(VerificationCompensator, SheetLimitAndVerdict) {
    struct Case {
        int runs;
        double r1, u1, u2;          // the readings of run 33
        std::vector<Vector> saved;  // the saved result the compensator subtracts
        int planesOk;
        std::string line1, line2, row4;  // the box's text or the verdict's lines, the row of run 33
    };
    const std::string fails = "7.2. The compensator fails the test,",
                      passes = "7.2. The compensator passes the test,";
    const std::vector<Vector> none, saved = {Vector(90, 0), Vector(), Vector(90, 0)};
    // clang-format off
    const Case cases[] = {
        {30, 100, 10, 10, none, 0, "7.1. Compensator test was not carried out", "", ""},
        {33, 100, 10, 10, none, 0, "7.1. Compensator test was not completed", "", ""},
        {34, 100, 62.5, 10, none, 1, fails, "as the reading in one plane exceeds 62.50 gmm.", "62.50 | 0.00 | 10.00"},
        {34, 100, 50, 10, none, 2, passes, "as the reading in each plane does not exceed 62.50 gmm.", "50.00 | 0.00 | 10.00"},
        // At the compensator test's own radius r|1| 50, not r 100: L = 12.5 × 50 × 5 % = 31.25.
        {39, 50, 30, 40, none, 1, fails, "as the reading in one plane exceeds 31.25 gmm.", "30.00 | 0.00 | 40.00"},
        {34, 100, 100, 100, saved, 2, passes, "as the reading in each plane does not exceed 62.50 gmm.", "10.00 | 0.00 | 10.00"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line2);
        verification::ProvingRotor pr = provingRotor(c.runs);
        for (std::size_t k = 30; k < pr.runs.size(); ++k)
            pr.runs[k] = {1000, 0, 1000, 0};  // runs 30 to 32 not judged
        if (c.runs > 33) pr.runs[33] = {c.u1, 0, c.u2, 0};
        pr.r1 = c.r1, pr.saved = c.saved;
        ASSERT_EQ(write(pr), reportresult::kWritten);
        EXPECT_EQ(ctx_->compensatorPlanesOk, c.planesOk);
        const bool sheet = c.runs > 33;
        EXPECT_EQ(at(7, 51, sheet ? 356.5f : 112), c.line1);
        EXPECT_EQ(at(7, 46, sheet ? 416.5f : 160),
                  "8. Coefficient of influence of moment unbalance");  // y + 24
        if (!sheet) continue;
        EXPECT_EQ(row(7, 310), "4 | Run without travelling | 30 | - | 150 | - | " + c.row4 + " | 0.00");
        EXPECT_EQ(at(7, 51, 368.5f), c.line2);
    }
}

}  // namespace
