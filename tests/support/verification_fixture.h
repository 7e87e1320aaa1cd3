#pragma once
// The verification-test protocol's tests: a proving rotor (three planes,
// test planes 1 and 3 measured) with chosen runs, loaded from its history
// file and written into a RecordingDoc, and lookups of what a page drew.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "protocols/protocols.h"
#include "protocols/report_context.h"
#include "protocols/verification_protocol.h"
#include "resources/resource_store.h"
#include "rotor/rotor_test_config.h"
#include "support/protocols_recording_doc.h"
#include "support/rotor_builder.h"

namespace verification {

// The unbalances of test planes 1 and 2 in one run, g·mm and degrees.
struct Reading {
    double u1 = 0, deg1 = 0, u2 = 0, deg2 = 0;
};

struct ProvingRotor {
    double umar = 25;  // the rotor's permissible unbalance, g·mm
    double R = 100, r = 100, r1 = 100, mass = 62.5;
    double massUmar = 2.5, massStation = 12.5, massTravel = 62.5;
    std::vector<Vector> saved;  // the saved result, one per plane
    std::string expert, testCompany;
    std::vector<Reading> runs;  // one minute apart, the last at lastRunTime
    std::int64_t lastRunTime = 0;

    rotorbuild::RotorBuilder builder() const {
        rotorbuild::RotorBuilder b("Proving");
        b.plane({R, r, r1, massUmar, massStation, massTravel, 1, 0}).plane({R, r, 0, 2.5, 0, 0, 0, 0});
        b.plane({R, r, 0, 2.5, 0, 0, 2, 0}).control().tolerance(umar).mass(mass).customer(expert);
        b.data().testCompany = testCompany;
        b.data().results = saved;
        const auto n = static_cast<std::int64_t>(runs.size());
        for (std::int64_t k = 0; k < n; ++k) {
            const Reading& u = runs[static_cast<std::size_t>(k)];
            b.run({{{u.u1, 0, u.u1, u.deg1}, {u.u2, 0, u.u2, u.deg2}},
                   lastRunTime - 60 * (n - 1 - k),
                   "Op",
                   ""});
        }
        return b;
    }
};

class Fixture : public rotortest::TempWorkDir {
protected:
    void SetUp() override {
        TempWorkDir::SetUp();
        registerProtocols();
        ASSERT_TRUE(indexEmbeddedResources());
    }
    void TearDown() override {
        setLanguage(false);
        TempWorkDir::TearDown();
    }
    // Loads the proving rotor and writes the protocol into a recording document.
    int write(const ProvingRotor& setup, bool english = true) {
        setLanguage(english);
        rotor_ = setup.builder().load(cfg_.get());
        if (!rotor_) return -1;
        auto doc = std::make_unique<RecordingDoc>();
        doc_ = doc.get();
        ctx_ = std::make_unique<ReportContext>(*rotor_, cfg_.get(), std::move(doc));
        return writeVerificationProtocol(*ctx_);
    }
    // The text drawn at (x, y) of a page; "<none>" when none is.
    std::string at(int page, float x, float y) const {
        for (const DocCall* c : doc_->of(DocOp::text))
            if (c->page == page && near(c->x, x) && near(c->y, y)) return c->text;
        return "<none>";
    }
    std::vector<std::string> at(int page, const std::vector<std::pair<float, float>>& points) const {
        std::vector<std::string> out;
        for (const auto& [x, y] : points) out.push_back(at(page, x, y));
        return out;
    }
    // The texts drawn at this y of a page, left to right, joined by " | ".
    std::string row(int page, float y) const {
        std::vector<const DocCall*> hits;
        for (const DocCall* c : doc_->of(DocOp::text))
            if (c->page == page && near(c->y, y)) hits.push_back(c);
        std::stable_sort(hits.begin(), hits.end(),
                         [](const DocCall* a, const DocCall* b) { return a->x < b->x; });
        std::string out;
        for (const DocCall* c : hits) out += (out.empty() ? "" : " | ") + c->text;
        return out;
    }
    // True when a drawn text holds "inf" or "nan" as a word.
    bool printsNanOrInf() const {
        for (const std::string& t : doc_->texts())
            if (std::regex_search(t, std::regex(R"(\b(inf|nan)\b)"))) return true;
        return false;
    }
    static bool near(float a, float b) { return std::fabs(a - b) < 0.01f; }

    TestConfig cfg_;
    std::unique_ptr<Rotor> rotor_;
    RecordingDoc* doc_ = nullptr;
    std::unique_ptr<ReportContext> ctx_;
};

}  // namespace verification
