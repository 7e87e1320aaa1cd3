#pragma once
// The screens of the interface, each brought up in a GuiHarness (1280 x 960,
// English) over its FakeMachine the way an operator finds it: for measures
// taken of every screen's frame.  Stops that need files write them into the
// working folder (History: "history/"), so run them in a temporary one.
//
//   for (const screentour::Stop& stop : screentour::stops()) {
//       GuiHarness h;
//       if (!stop.open(h)) ...;  // the state was not reached
//       h.frame();  // ImGui::GetDrawData() holds the stop's frame
//   }

#include <string>
#include <vector>

#include "support/gui_harness.h"

namespace screentour {

struct Stop {
    std::string name;
    // Brings the stop up; false when a step of the way was not found.
    bool (*open)(GuiHarness&);
};

// Home, Editing, Balancing (three planes, after a run), influence, Measuring
// (during a run), History (100 entries), Settings (each page), Welding, the
// Editing screen under a message box; then what an entry brings up over a
// screen: the keyboards of Editing (a number, the name, a plane panel's
// value) and of the influence screen (the trial mass), the plane panel, the
// name prompt over Settings and a question over History.
const std::vector<Stop>& stops();

}  // namespace screentour
