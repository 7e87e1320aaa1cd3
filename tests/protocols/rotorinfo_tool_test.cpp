// rotorinfo on history files: the coefficients' verdict, and the corrections
// of the last run as the rotor model computes them for the Balancing screen.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "rotor/polar.h"
#include "rotor/rotor_files_fixture.h"
#include "rotor/rotor_test_config.h"
#include "support/protocols_pdf_inspect.h"
#include "support/rotor_builder.h"

#ifdef KS_ROTORINFO
namespace {

using rotorbuild::RotorBuilder;
using Factors = std::vector<std::pair<double, double>>;  // K(i, j) as modulus and degrees, row by row
const Factors kApart = {{2, 0}, {0.5, 90}, {0.4, 45}, {1.5, 10}};

RotorBuilder twoPlanes(const Factors& factors) {
    RotorBuilder b("Fan");
    b.planes(2).mass(8).speed(900).tolerance(30);
    for (const auto& [modulus, degrees] : factors) b.data().factors.emplace_back(modulus, polar::toRadians(degrees));
    b.runs(2, 1741183629, "A. Fischer", [](int k) { return 300.0 + 100 * k; });
    return b;
}

std::string line(const std::string& out, const std::string& start) {
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);)
        if (l.rfind(start, 0) == 0) return l;
    return "";
}

class RotorInfoTool : public rotortest::TempWorkDir {};

TEST_F(RotorInfoTool, CoefficientsVerdictAndNothingOutsideTheRotorFolders) {
    const std::pair<Factors, const char*> cases[] = {
        {kApart, "factors 2x2 finite yes singular no"},
        {{{1, 30}, {2, 30}, {2, 30}, {4, 30}}, "factors 2x2 finite yes singular yes"},  // one plane twice
        {{}, "factors none"},
    };
    for (const auto& [factors, verdict] : cases) {
        SCOPED_TRACE(verdict);
        const pdfinspect::ToolRun run = pdfinspect::runTool({KS_ROTORINFO, "history/" + twoPlanes(factors).write()});
        ASSERT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(line(run.out, "name ") + "|" + line(run.out, "planes "), "name Fan|planes 2 runs 2");
        EXPECT_EQ(line(run.out, "factors"), verdict);
    }
    EXPECT_EQ(pdfinspect::runTool({KS_ROTORINFO, "elsewhere.rotor"}).status, 1);
}

TEST_F(RotorInfoTool, CorrectionsAreTheRotorsOwn) {
    TestConfig config;
    const RotorBuilder fan = twoPlanes(kApart);
    const pdfinspect::ToolRun run = pdfinspect::runTool({KS_ROTORINFO, "history/" + fan.write()});
    ASSERT_EQ(run.status, 0) << run.out;
    std::unique_ptr<Rotor> rotor = fan.load(config.get());
    ASSERT_NE(rotor, nullptr);
    rotor->computeArcCorrections();
    rotor->computeCorrections(false, false, false, true);
    for (int i = 0; i < 2; ++i) {
        char expected[160];
        std::snprintf(expected, sizeof expected, "plane %d unbalance %.4f %.4f correction %.4f %.4f", i + 1,
                      rotor->correctionAmount(i, true), rotor->correctionAngle(i, true),
                      rotor->correctionAmount(i, false), rotor->correctionAngle(i, false));
        EXPECT_EQ(line(run.out, "plane " + std::to_string(i + 1)), expected);
        EXPECT_GT(rotor->correctionAmount(i, false), 0.0);  // a run with an unbalance needs a correction
    }
}

}  // namespace
#endif
