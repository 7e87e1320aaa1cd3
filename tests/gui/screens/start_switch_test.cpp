// The start switch at the right of the top bar, on the screens that start a
// run: in the smallest windows and in both languages nothing else of the bar
// reaches under it, and sliding it opens the Measuring screen.

#include <gtest/gtest.h>

#include "records/settings_records.h"
#include "support/gui_harness.h"
#include "support/gui_influence_steps.h"
#include "support/rotor_builder.h"
#include "support/work_dir.h"

namespace {

TEST(StartSwitch, FreeAndSlidInEveryWindowAndLanguage) {
    for (const Gui::Screen& open : {Gui::Screen(&Gui::balancing), Gui::Screen(&Gui::influenceCoefficients)})
        for (const ImVec2 window : {ImVec2(790, 540), ImVec2(800, 600), ImVec2(1280, 960)})
            for (const bool english : {true, false}) {
                testwd::WorkDir dir{"ks_start_switch", testwd::Logs::folder};
                GuiHarness h(window.x, window.y, english);
                Gui& g = h.gui();
                g._config->channels.at(0).active = g._config->channels.at(1).active = true;
                g.replaceRotor(rotorbuild::RotorBuilder("Shaft").planes(2).load(g._config).release());
                g.setScreen(true, open);
                h.run(400);
                const char* label = english ? "Start" : "Пуск";
                const UiItem* start = h.probe().find(label);
                ASSERT_NE(start, nullptr);
                for (const UiItem& i : h.probe().items())  // the bar's other items, left or right of it
                    if (i.id != start->id && i.max.y <= start->max.y) {
                        EXPECT_TRUE(i.max.x <= start->min.x || i.min.x >= start->max.x)
                            << i.label << i.text << " " << window.x;
                    }
                EXPECT_TRUE(influencesteps::slideStart(h, label)) << window.x << " english " << english;
            }
}

}  // namespace
