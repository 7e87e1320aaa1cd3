#pragma once
// What the operator does on the screens of a run, as the harness does it:
// slide the start switch, type a number into an entry, place a trial mass.

#include <gtest/gtest.h>

#include <string>

#include "gui/gui.h"
#include "support/gui_harness.h"

namespace influencesteps {

// Slides the start switch in the top bar (`label`) to its end; true when the
// Measuring screen opened.
inline bool slideStart(GuiHarness& h, const char* label = "Start") {
    const UiItem* start = h.probe().find(label);
    if (!start) return false;
    const ImVec2 from(start->min.x + 10, start->centre().y);
    h.drag(from, ImVec2(from.x + 120, from.y));
    h.run(100);
    return h.gui().currentScreen() == Gui::ScreenId::Measuring;
}

// Taps the entry labelled `entry`, types `text` on the keypad and presses Enter.
inline void enter(GuiHarness& h, const std::string& entry, const std::string& text) {
    ASSERT_TRUE(h.tap(entry)) << entry;
    h.run(400);
    ASSERT_EQ(h.gui()._keyboardState, Gui::kShown);
    h.gui()._keyboardText = text;
    h.key(GuiKey::Enter);
    h.run(400);
}

// Enters the trial mass (and the angle, unless empty) and taps "Ready".
inline void placeTrialMass(GuiHarness& h, const std::string& mass, const std::string& angle = "") {
    enter(h, "Trial mass", mass);
    if (!angle.empty()) enter(h, "Trial mass setting angle", angle);
    ASSERT_TRUE(h.tap("Ready"));
    h.run(100);
}

}  // namespace influencesteps
