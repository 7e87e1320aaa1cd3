#pragma once
// Machine settings for rotor tests, built the way a settings file gives them:
// each call parses the items of one setting into the Config.

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "records/settings_records.h"
#include "records/record.h"

class TestConfig {
public:
    using Words = std::vector<std::uint32_t>;

    TestConfig() : config_(std::make_unique<Config>()) {}

    Config* get() { return config_.get(); }

    // Appends one element to "Vibration measurement channels".
    TestConfig& channel(bool active, bool softBearing = false, int phaseShift = 0) {
        Words e;
        if (active) e.push_back(Tris::makeHeader(0x1DC4801, true, 0));
        if (phaseShift != 0) {
            e.push_back(Tris::makeHeader(0x1DC4807, false, 1));
            e.push_back(static_cast<std::uint32_t>(phaseShift));
        }
        if (softBearing) e.push_back(Tris::makeHeader(0x1DC4808, true, 0));
        return item(0x1DD6410, e);
    }
    TestConfig& channels(int count) {
        for (int i = 0; i < count; ++i) channel(false);
        return *this;
    }

    struct Drive {
        bool active = false;
        double ratio = 1.0;
        double maxSpeed = 1000.0;
        bool direction = false;
        std::uint32_t pulley = 70;
    };
    TestConfig& endDrive(const Drive& d) { return drive(0x1DD640D, d); }
    TestConfig& beltDrive(const Drive& d) { return drive(0x1DD640E, d); }

    TestConfig& real(std::uint32_t tag, double v) { return item(tag, doubleWords(v)); }
    TestConfig& u32(std::uint32_t tag, std::uint32_t v) { return item(tag, Words{v}); }
    TestConfig& limit(std::uint32_t tag, double lo, double hi) {
        Words e{Tris::makeHeader(0x14BCC01, false, 2)};
        append(e, doubleWords(lo));
        e.push_back(Tris::makeHeader(0x14BCC02, false, 2));
        append(e, doubleWords(hi));
        return item(tag, e);
    }

private:
    static Words doubleWords(double v) {
        std::uint64_t b;
        std::memcpy(&b, &v, 8);
        return Words{static_cast<std::uint32_t>(b), static_cast<std::uint32_t>(b >> 32)};
    }
    static void append(Words& to, const Words& w) { to.insert(to.end(), w.begin(), w.end()); }

    TestConfig& drive(std::uint32_t tag, const Drive& d) {
        Words e;
        e.push_back(Tris::makeHeader(0x1C72801, d.active, 0));
        e.push_back(Tris::makeHeader(0x1C72804, false, 2));
        append(e, doubleWords(d.ratio));
        e.push_back(Tris::makeHeader(0x1C72805, false, 2));
        append(e, doubleWords(d.maxSpeed));
        e.push_back(Tris::makeHeader(0x1C7280A, d.direction, 0));
        e.push_back(Tris::makeHeader(0x1C7280C, false, 1));
        e.push_back(d.pulley);
        return item(tag, e);
    }

    TestConfig& item(std::uint32_t tag, const Words& payload) {
        Words w{Tris::makeHeader(tag, false, static_cast<std::uint32_t>(payload.size()))};
        append(w, payload);
        config_->parse(w);
        return *this;
    }

    std::unique_ptr<Config> config_;
};
