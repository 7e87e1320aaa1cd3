#pragma once
// Real rotors for the protocol tests.  A RotorData with chosen planes,
// tolerance, unit and runs (their results, time stamps and operators) is
// written as a history file of the working directory, named as the rotor
// names its own, and loaded back as the history browser loads it, so that the
// rotor's own readers feed the protocol writers.  Use it inside
// rotortest::TempWorkDir.

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "records/job_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"
#include "rotor/rotor_clock.h"
#include "rotor/rotor_files_fixture.h"
#include "texts/format.h"

namespace rotorbuild {

struct PlaneSetup {
    double R = 100.0;   // "Correction radius, R", mm
    double r = 0.0;     // "Correction radius, r"
    double r1 = 0.0;    // "Correction radius, r~1"
    double massUmar = 0.0, massStation = 0.0, massTravel = 0.0;  // test masses, g
    std::uint32_t channel1 = 0, channel2 = 0;  // measuring channels from 1; 0 none
    TextId mode = jobrec::kModeAddition;
};

// One measuring plane's result in a run, amplitudes with angles in degrees.
struct PlaneResult {
    double vibration = 0.0, vibrationDeg = 0.0;
    double unbalance = 0.0, unbalanceDeg = 0.0;
};

struct RunSetup {
    std::vector<PlaneResult> results;  // one per plane with a measuring channel, in plane order
    std::int64_t time = 0;             // seconds since 1970
    std::string operatorName;
    std::string name;
};

class RotorBuilder {
public:
    explicit RotorBuilder(std::string name) : name_(std::move(name)) {}

    RotorBuilder& plane(const PlaneSetup& setup) {
        Plane p;
        p.radius = setup.R;
        p.radiusSmall = setup.r;
        p.radiusR1 = setup.r1;
        p.massUmar = setup.massUmar;
        p.massStation = setup.massStation;
        p.massTravel = setup.massTravel;
        p.channel1 = setup.channel1;
        p.channel2 = setup.channel2;
        p.mode = setup.mode;
        data_.planes.push_back(p);
        return *this;
    }
    // n planes of radius R, plane p measured on channel p.
    RotorBuilder& planes(int n, double R = 100.0) {
        for (int p = 1; p <= n; ++p) plane({R, 0, 0, 0, 0, 0, static_cast<std::uint32_t>(p), 0});
        return *this;
    }
    RotorBuilder& tolerance(double gmm) { data_.permissibleUnbalance = gmm; return *this; }
    RotorBuilder& unitFactor(double factor) { data_.unbalanceUnit = factor; return *this; }
    RotorBuilder& control(bool on = true) { data_.controlRotor = on; return *this; }
    RotorBuilder& mass(double kg) { data_.mass = kg; return *this; }
    RotorBuilder& speed(std::uint32_t rpm) { data_.speed = rpm; return *this; }
    RotorBuilder& customer(std::string s) { data_.customer = std::move(s); return *this; }
    RotorBuilder& documentNumber(std::string s) { data_.documentNumber = std::move(s); return *this; }
    RotorBuilder& operatorName(std::string s) { data_.operatorName = std::move(s); return *this; }

    RotorBuilder& run(const RunSetup& setup) {
        Measurement m;
        m.name = setup.name;
        m.operatorName = setup.operatorName;
        m.time = setup.time;
        for (const PlaneResult& r : setup.results) {
            Result res;
            res.measured = Vector(r.vibration, polar::toRadians(r.vibrationDeg));
            res.unbalance = Vector(r.unbalance, polar::toRadians(r.unbalanceDeg));
            m.results.push_back(res);
        }
        data_.runs.push_back(m);
        return *this;
    }
    // count runs one minute apart from `first`; run k (from 0) has in every
    // measuring plane the unbalance unbalanceOf(k) at 30 degrees and a
    // vibration of a tenth of it at 60 degrees.
    template <class F>
    RotorBuilder& runs(int count, std::int64_t first, const std::string& operatorName, F unbalanceOf) {
        const std::size_t measuring = measuringPlanes();
        for (int k = 0; k < count; ++k) {
            const double u = unbalanceOf(k);
            run({std::vector<PlaneResult>(measuring, PlaneResult{u / 10, 60.0, u, 30.0}), first + 60 * k,
                 operatorName, ks::format("run {}", k + 1)});
        }
        return *this;
    }

    RotorData& data() { return data_; }

    // NAME_<planes><YYYYMMDDhhmmss>.rotor, timed by the first run (by the
    // rotor clock without runs).
    std::string fileName() const {
        const std::int64_t t = data_.runs.empty() ? rotorclock::now() : data_.runs.front().time;
        std::tm tm{};
        rotorclock::localTime(t, &tm);
        return ks::format("{}_{}{:04d}{:02d}{:02d}{:02d}{:02d}{:02d}.rotor", name_, data_.planes.size(),
                          tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    }

    // Writes history/<fileName()> in the working directory; returns the file name.
    std::string write() const {
        std::filesystem::create_directories("history");
        const std::string file = fileName();
        testwd::writeFile("history/" + file, data_.serialize());
        return file;
    }

    // Writes the file and loads it into a new rotor over config, as the
    // history browser does; null (and a failed expectation) when the load fails.
    std::unique_ptr<Rotor> load(Config* config) const {
        const std::string file = write();
        auto rotor = std::make_unique<Rotor>(config);
        const bool loaded = rotor->loadRotor(file.c_str(), 2);
        EXPECT_TRUE(loaded) << file;
        if (!loaded) return nullptr;
        return rotor;
    }

private:
    // Planes with a measuring channel: the first, the last and those with a channel.
    std::size_t measuringPlanes() const {
        const std::size_t n = data_.planes.size();
        std::size_t m = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const Plane& p = data_.planes[i];
            if (i == 0 || i + 1 == n || p.channel1 != 0 || p.channel2 != 0) ++m;
        }
        return m;
    }

    std::string name_;
    RotorData data_;
};

}  // namespace rotorbuild
