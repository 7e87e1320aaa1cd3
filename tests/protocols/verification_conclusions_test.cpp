// Sections 8 and 9 of the verification-test protocol: the moment test below
// the compensator test on page 7, and the conclusions with the overall
// verdict on page 8.
#include <gtest/gtest.h>

#include <complex>
#include <functional>
#include <string>
#include <vector>

#include "protocols/report_texts.h"
#include "rotor/rotor_report.h"
#include "support/verification_fixture.h"
#include "support/verification_walk.h"
#include "texts/format.h"

using namespace reporttext;
using verification::Readings;

namespace {

// The proving rotor of a sound test's first `runs` runs, changed where asked;
// the compensator saved from runs 31 and 32.
verification::ProvingRotor provingRotor(int runs, const std::function<void(int, Readings&)>& change) {
    // The test masses made for r 30: m|travel| 208.33 g stands for U|travel| 6250.
    verification::ProvingRotor pr;
    pr.r = pr.r1 = 30, pr.massUmar = 8.33, pr.massStation = 41.67, pr.massTravel = 208.33;
    std::vector<Readings> u;
    for (int t = 0; t < runs; ++t) {
        u.push_back(verification::testReadings(t));
        if (change) change(t, u.back());
        const auto deg = [](std::complex<double> v) { return rotortest::degreesOf(v); };
        pr.runs.push_back({std::abs(u[t][0]), deg(u[t][0]), std::abs(u[t][1]), deg(u[t][1])});
    }
    if (runs > 32)
        for (int p : {0, 1}) {
            const std::complex<double> mean = (u[31][p] + u[32][p]) / 2.0;
            pr.saved.resize(3);
            pr.saved[2 * p] = Vector(std::abs(mean), std::arg(mean));
        }
    return pr;
}

class VerificationConclusions : public verification::Fixture {};

TEST_F(VerificationConclusions, MomentTestAndVerdict) {
    auto scale = [](std::vector<int> runs, int p, double f) {
        return [=](int t, Readings& u) {
            for (int r : runs) u[p] *= r == t ? f : 1.0;
        };
    };
    const auto oneOutlier = scale({7}, 0, 1.5);
    struct Case {
        const char* what;
        int runs;
        std::function<void(int, Readings&)> change;
        std::string section8;            // the note of section 8 or its sheet's title
        std::vector<std::string> lines;  // the compensator's and the moment's lines in 9.1, when given
        bool approved;
        double r1 = 30;  // the compensator's radius; the test masses' r is 30
    };
    setLanguage(true);
    const std::string comp = textOrEmpty(kS91CompensatorPassed),
                      compNot = textOrEmpty(kS91CompensatorNotTested),
                      allPlanes = "0.05 × U|station| во всех плоскостях.";
    // clang-format off
    const Case cases[] = {
        {"30 runs", 30, oneOutlier, textOrEmpty(kS81NotCarriedOut), {compNot, "<none>", textOrEmpty(kS91TorqueNotTested), "<none>"}, false},
        {"31 runs: no moment run yet", 31, oneOutlier, textOrEmpty(kS81NotCarriedOut), {compNot, "<none>"}, false},
        {"35 runs", 35, oneOutlier, textOrEmpty(kS81NotCompleted), {comp, allPlanes, textOrEmpty(kS91TorqueNotTested), "<none>"}, false},
        {"all claims met", 39, oneOutlier, textOrEmpty(kS81Title), {comp, allPlanes, textOrEmpty(kS91TorquePassed),
          "U|mar| + I|sc| × U|travel|, что соответствует заявленной величине I|sс| = 10 %."}, true},
        {"a resultant equal to L", 39, [&](int t, Readings& u) { oneOutlier(t, u); if (t == 35) u = {650, 0}; }, textOrEmpty(kS81Title), {}, true},
        {"two U|mar| outliers", 39, scale({7, 8}, 0, 1.5), textOrEmpty(kS81Title), {}, false},
        {"URR one step below", 39, [&](int t, Readings& u) { oneOutlier(t, u); scale({20, 21}, 0, 1.075)(t, u); }, textOrEmpty(kS81Title), {}, false},
        {"a compensator plane over L", 39, [&](int t, Readings& u) { oneOutlier(t, u); if (t == 33) u[1] += 100.0; },
         textOrEmpty(kS81Title), {textOrEmpty(kS91CompensatorFailed), "0.05 × U|station| в одной из плоскостей."}, false},
        // Section 7 judged against m|station| × r|1| × 5 % = 50.00 gmm, not 0.05 × U|station|; without r|1|, no limit.
        {"r|1| apart from r", 39, oneOutlier, textOrEmpty(kS81Title), {comp, "50.00 гмм во всех плоскостях."}, true, 24},
        {"r|1| never typed", 39, oneOutlier, textOrEmpty(kS81Title), {compNot, "<none>"}, false, 0},
        {"a torque run over L", 39, [&](int t, Readings& u) { oneOutlier(t, u); if (t == 35) u = {650.01, 0}; }, textOrEmpty(kS81Title),
         {comp, allPlanes, textOrEmpty(kS91TorqueFailed), "U|mar| + I|sc| × U|travel|, что не соответствует заявленной величине I|sс| = 10 %."}, false},
    };
    // clang-format on
    cfg_.get()->reductionRatio = 95;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        verification::ProvingRotor p = provingRotor(c.runs, c.change);
        p.r1 = c.r1;
        ASSERT_EQ(write(p), reportresult::kWritten);
        // Section 8 starts 24 below section 7: its note or its sheet 25 below the heading.
        const bool compensatorSheet = c.runs >= 34 && c.r1 > 0;
        const float v = compensatorSheet ? 441.5f : 185;
        EXPECT_EQ(at(7, c.section8 == textOrEmpty(kS81Title) ? 46 : 51, v), c.section8);
        for (std::size_t i = 0; i < c.lines.size(); ++i)
            EXPECT_EQ(at(8, 51, std::vector<float>{208.2f, 220.2f, 234.6f, 246.6f}[i]), c.lines[i]) << i;
        EXPECT_EQ(at(8, 51, 275.4f), textOrEmpty(c.approved ? kVerdictApproved : kVerdictNotApproved));
        if (c.runs < 39 || !compensatorSheet) continue;
        // The split heads; the rows of the check and the torque runs with their positions.
        EXPECT_EQ(at(7, {{390, 465.5f}, {390, 477.5f}, {480, 465.5f}, {480, 477.5f}}),
                  (std::vector<std::string>{"Unbalance,", "plane 1", "Unbalance,", "plane 2"}));
        auto starts = [&](float y, const std::string& prefix) { return row(7, y).rfind(prefix, 0) == 0; };
        EXPECT_TRUE(starts(531.5f, "1 | Proving rotor | - | - | "));
        const char* positions[] = {"0 | 180", "90 | 270", "180 | 0", "270 | 90"};
        for (int k = 1; k <= 4; ++k)
            EXPECT_TRUE(starts(555.5f + 18 * k,
                               ks::format("{} | Step {} torque run | {} | ", k + 1, k, positions[k - 1])));
    }
}

}  // namespace
