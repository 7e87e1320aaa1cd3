#pragma once
// The editing screen over a real Rotor and Config in a temporary folder, for
// the screen's tests: two active supports, an active end drive, two materials
// and a rotor whose every shown value is within the limits.

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "gui/screens/editing.h"
#include "records/job_records.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "support/gui_harness.h"
#include "support/work_dir.h"
#include "texts/record_tags.h"

namespace editingtest {

using namespace jobrec;

using Prepare = std::function<void(Gui&)>;

inline Rotor& rotorOf(Gui& g) { return *g._rotor; }
inline Plane& planeOf(Gui& g, int i) { return rotorOf(g).data().planes.at(static_cast<std::size_t>(i)); }
inline void set(Gui& g, std::initializer_list<std::uint32_t> path, const char* text) {
    rotorOf(g).setParameter(path.begin(), static_cast<int>(path.size()), text);
}

// Two supports, an active end drive, two materials, and a rotor whose every
// shown value is within the limits; `prepare` changes that before the screen opens.
struct Editor {
    testwd::WorkDir dir{"ks_editing"};
    GuiHarness h;
    Gui& g;
    explicit Editor(const Prepare& prepare = {}, const Prepare& settings = {}, bool english = true)
        : h(1280, 960, english), g(h.gui()) {
        Config& c = *g._config;
        c.channels.at(0).active = c.channels.at(1).active = true;
        c.endDrive.active = true;
        c.endDrive.maxSpeed = 3000;
        c.materials.resize(2);
        c.materials[0].name = "Steel", c.materials[0].density = 7.85;
        c.materials[1].name = "Brass", c.materials[1].density = 8.5;
        if (settings) settings(g);
        g.newRotor();
        rotorOf(g).setName("Shaft");
        set(g, {kRotation}, "1000");
        set(g, {kRotorMass}, "50");
        set(g, {kPermissibleUnbalance}, "100");
        for (u32 i : {0u, 1u}) set(g, {kPlanes, i, kRadius}, "100");
        if (prepare) prepare(g);
        g.setScreen(true, &Gui::editing);
        h.run(400);
    }
    using u32 = std::uint32_t;
    Editing::Data& data() { return dynamic_cast<Editing::Data&>(*g._data); }
    const UiItem& item(const std::string& label) {
        const UiItem* found = h.probe().find(label);
        static const UiItem none;
        EXPECT_TRUE(found) << label;
        return found ? *found : none;
    }
    // Taps `entry`, optionally a grade in the box, types `text`, presses Enter.
    void enter(const std::string& entry, const std::string& text, const std::string& grade = "") {
        ASSERT_TRUE(h.tap(entry));
        h.run(400);
        if (!grade.empty()) {
            ASSERT_TRUE(h.tap(grade));
        }
        g._keyboardText = text;
        h.key(GuiKey::Enter);
        h.run(400);
    }
    void openPanel(int plane) {
        data().openPanel(g, plane, 500);
        h.run(400);
    }
};

}  // namespace editingtest
