#pragma once
// Rotor files with values a damaged or hand-made file may carry: written as a
// history file with one measured run, loaded into a fresh rotor, and taken
// through what the balancing screen does with a loaded rotor.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "records/job_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"
#include "rotor_files_fixture.h"
#include "rotor_test_config.h"
#include "support/watchdog.h"

namespace rotortest {

class HostileRotorFile : public TempWorkDir {
protected:
    // One plane with channel 1, radius 100, a run measuring 400 g·mm at 30°
    // on it; `shape` makes it the plane under test.
    static RotorData oneMeasuredPlane(const std::function<void(Plane&)>& shape) {
        RotorData d;
        d.permissibleUnbalance = 1;
        d.planes.assign(1, Plane());
        Plane& p = d.planes[0];
        p.channel1 = 1;
        p.radius = 100;
        shape(p);
        Measurement run;
        run.results.resize(1);
        run.results[0].unbalance = Vector(400, polar::toRadians(30));
        d.runs = {run};
        return d;
    }

    // Writes the record as "history/HOSTILE_1.rotor" and loads it.
    std::unique_ptr<Rotor> load(const RotorData& d, bool* loaded = nullptr) {
        std::filesystem::create_directories("history");
        EXPECT_TRUE(d.save("history/HOSTILE_1.rotor"));
        auto rotor = std::make_unique<Rotor>((cfg_.channels(5), cfg_.get()));
        const bool ok = rotor->loadRotor("HOSTILE_1.rotor", 2);
        if (loaded) *loaded = ok;
        return rotor;
    }

    // What the balancing screen does after a load: the position table, the
    // corrections of the run and the sharing over every plane's positions.
    static void balance(Rotor& rotor, const char* what) {
        testsupport::mustEnd(what, [&] {
            rotor.buildPositionTable();
            rotor.computeCorrections(false, false, false, true);
            for (int i = 0; i < rotor.planeCount(false); ++i) rotor.shareToPositions(i, true);
        });
    }

    static std::string calcsLog() { return testwd::readFile("logs/calcs.log"); }

private:
    TestConfig cfg_;
};

}  // namespace rotortest
