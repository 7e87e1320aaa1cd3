#pragma once
// The screens of the interface, each brought up in a GuiHarness (1280 x 960,
// English) over its FakeMachine the way an operator finds it: for measures
// taken of every screen's frame.  Stops that need files write them into the
// working folder (History: "history/"), so run them in a temporary one.
//
//   for (const screentour::Stop& stop : screentour::stops()) {
//       GuiHarness h;
//       stop.open(h);
//       h.frame();  // ImGui::GetDrawData() holds the stop's frame
//   }

#include <string>
#include <vector>

#include "support/gui_harness.h"

namespace screentour {

struct Stop {
    std::string name;
    void (*open)(GuiHarness&);
};

// Home, Editing, Balancing (three planes, after a run), influence, Measuring
// (during a run), History (100 entries), Settings (each page), Welding, and
// the Editing screen under a message box.
const std::vector<Stop>& stops();

}  // namespace screentour
