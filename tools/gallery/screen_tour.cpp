#include "gallery/screen_tour.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "gui/screens/measuring.h"
#include "machine/machine_codes.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/polar.h"
#include "rotor/rotor.h"
#include "rotor/rotor_measure_feed.h"
#include "support/gui_influence_steps.h"
#include "texts/format.h"

namespace screentour {
namespace {

constexpr std::int64_t kSettle = 400;  // every slide has ended
constexpr int kHistoryEntries = 100;
constexpr std::int64_t kHistorySpacing = 3300;  // seconds between two balancings
constexpr int kMeasuringPoints = 256, kMeasuringBlocks = 3, kMeasuringRows = 100;

void open(GuiHarness& h, Gui::Screen screen) {
    h.gui().setScreen(true, std::move(screen));
    h.run(kSettle);
}

// An item tapped, and every slide it starts ended; false when none was drawn.
bool tapped(GuiHarness& h, const char* label) {
    if (!h.tap(label)) return false;
    h.run(kSettle);
    return true;
}

// A rotor of `planes` planes, plane p measured on channel p, radius 100 mm.
Rotor& rotorOf(GuiHarness& h, int planes) {
    Gui& g = h.gui();
    Config& c = *g._config;
    for (std::size_t i = 0; i < c.channels.size(); ++i) c.channels[i].active = i < static_cast<std::size_t>(planes);
    c.endDrive.active = true;
    g.newRotor();
    Rotor& r = *g._rotor;
    r.setName("Shaft");
    r.setPlaneCount(planes);
    r.data().speed = 1000;
    r.data().permissibleUnbalance = 50;
    for (int p = 1; p <= planes; ++p) {
        r.setPlaneChannels(p, static_cast<RotorBase::u32>(p), 0);
        r.data().planes[static_cast<std::size_t>(p - 1)].radius = 100;
    }
    return r;
}

bool home(GuiHarness& h) {
    h.run(kSettle);
    return true;
}

bool editing(GuiHarness& h) {
    rotorOf(h, 2);
    open(h, &Gui::editing);
    return true;
}

bool balancing(GuiHarness& h) {
    Rotor& r = rotorOf(h, 3);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) {
            double amplitude = i == j ? 0.01 : 0.002, degrees = 0;
            r.factorData(1, i, j, &amplitude, nullptr);
            r.factorData(2, i, j, nullptr, &degrees);
        }
    rotortest::feedSession(r, {rotortest::fromPolarDeg(4, 30), rotortest::fromPolarDeg(3, 200),
                               rotortest::fromPolarDeg(2, 120)});
    h.machine().resultCount = 1;
    r.takeMeasurement();
    r.computeDisbalance();
    open(h, &Gui::balancing);
    return true;
}

bool influence(GuiHarness& h) {
    rotorOf(h, 2);
    open(h, &Gui::editing);
    open(h, &Gui::influenceCoefficients);
    return true;
}

// Five channels measuring: signals of three blocks, the result table full.
bool measuring(GuiHarness& h) {
    constexpr int kChannels = 5;
    Rotor& r = rotorOf(h, kChannels);
    FakeMachine& m = h.machine();
    r.startSession();
    for (int row = 0; row < kMeasuringRows; ++row) {
        for (int c = 0; c < kChannels; ++c)
            r.addMeasureResult(10 + row * 0.01, polar::toRadians(45.0 + c), 45.0 + c, 1, c);
        ++m.resultCount;
    }
    const int stride = kChannels + 1;  // a leading value, then one sample per channel
    m.samples.assign(static_cast<std::size_t>(kMeasuringPoints * kMeasuringBlocks * stride), 0);
    for (int f = 0; f < kMeasuringPoints * kMeasuringBlocks; ++f)
        for (int c = 0; c < kChannels; ++c)
            m.samples[static_cast<std::size_t>(f * stride + 1 + c)] = static_cast<int>(8000 * std::sin(f * 0.05 + c));
    m.samplePoints = kMeasuringPoints;
    m.sampleBlocks = kMeasuringBlocks;
    m.speed = 0;
    m.state = MachineState::kIdle;
    h.gui()._measuringMode = MeasuringMode::kRun;
    h.gui()._icRunMask = -1;
    h.gui().setScreen(true, &Gui::measuring);
    h.frame();  // the run starts
    m.state = MachineState::kMeasuring;
    h.run(kSettle);
    return true;
}

bool history(GuiHarness& h) {
    std::error_code ec;
    std::filesystem::create_directories("history", ec);
    for (int i = 0; i < kHistoryEntries; ++i) {
        const std::time_t t = static_cast<std::time_t>(GuiHarness::kStartWall - i * kHistorySpacing);
        std::tm tm{};
        localtime_r(&t, &tm);
        const std::string name =
            ks::format("history/Rotor {}_{}{:04}{:02}{:02}{:02}{:02}{:02}.rotor", i % 7, 1 + i % 3, tm.tm_year + 1900,
                       tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
        if (std::FILE* f = std::fopen(name.c_str(), "w")) std::fclose(f);
    }
    open(h, &Gui::history);
    return true;
}

const char* const kSettingsPages[] = {
    "General",        "System", "Drive, acceleration and deceleration", "Vibration measurement channels",
    "Receiving and processing data", "Display and data output", "Unbalance correction", "Access settings",
    "Update and debug",
};

template <int Page>
bool settings(GuiHarness& h) {
    h.gui()._config->local.operatorAccess = h.gui()._config->local.serviceAccess = true;
    open(h, &Gui::settings);
    return tapped(h, kSettingsPages[Page]);
}

bool welding(GuiHarness& h) {
    open(h, &Gui::welding);
    return true;
}

bool messageBox(GuiHarness& h) {
    editing(h);
    h.gui().messageBox("Save the changes?", "The rotor was changed.", "Yes|No");
    h.run(kSettle);
    return true;
}

bool editingNumberKeys(GuiHarness& h) { return editing(h) && tapped(h, "Rotation"); }

bool editingNameKeys(GuiHarness& h) { return editing(h) && tapped(h, "Save"); }

bool planePanel(GuiHarness& h) { return editing(h) && tapped(h, "Plane P1"); }

bool planePanelKeys(GuiHarness& h) { return planePanel(h) && tapped(h, "Correction radius, R"); }

// After the reference run: the trial mass's keypad.
bool influenceKeys(GuiHarness& h) {
    influence(h);
    if (!influencesteps::slideStart(h)) return false;
    rotortest::feedSession(*h.gui()._rotor, {rotortest::fromPolarDeg(10, 30), rotortest::fromPolarDeg(8, 75)});
    h.machine().resultCount = 3;
    h.gui().back();
    h.run(kSettle);
    return tapped(h, "Trial mass");
}

// "Save machine settings": the name prompt over its keyboard.
bool settingsPrompt(GuiHarness& h) { return settings<8>(h) && tapped(h, "Save machine settings"); }

// "Delete" on the newest entry: the question whether to.
bool historyQuestion(GuiHarness& h) {
    history(h);
    const UiItem* row = h.probe().find("delete");
    if (!row) return false;
    h.tapAt(row->centre());
    h.run(kSettle);
    return h.gui()._modalState == Gui::kShown;
}

}  // namespace

const std::vector<Stop>& stops() {
    static const std::vector<Stop> all = {
        {"Home", &home},
        {"Editing", &editing},
        {"Balancing", &balancing},
        {"Influence", &influence},
        {"Measuring", &measuring},
        {"History", &history},
        {"Settings: General", &settings<0>},
        {"Settings: System", &settings<1>},
        {"Settings: Drive", &settings<2>},
        {"Settings: Channels", &settings<3>},
        {"Settings: Data", &settings<4>},
        {"Settings: Display", &settings<5>},
        {"Settings: Correction", &settings<6>},
        {"Settings: Access", &settings<7>},
        {"Settings: Update", &settings<8>},
        {"Welding", &welding},
        {"Message box", &messageBox},
        {"Editing: number keys", &editingNumberKeys},
        {"Editing: name keys", &editingNameKeys},
        {"Editing: plane panel", &planePanel},
        {"Editing: panel keys", &planePanelKeys},
        {"Influence: keys", &influenceKeys},
        {"Settings: name prompt", &settingsPrompt},
        {"History: question", &historyQuestion},
    };
    return all;
}

}  // namespace screentour
