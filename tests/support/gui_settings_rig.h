#pragma once
// SettingsRig: the settings screen over the harness's live Config, in a
// temporary working directory, at an access level; opened from the home
// screen (full view) or from the balancing screen (restricted view).  The
// window is tall, so that a whole page is drawn without scrolling.
//
//   SettingsRig rig(1, [](Config& c) { c.endDrive.active = true; });
//   rig.taps({"Drive, acceleration and deceleration", "End drive"});
//   EXPECT_TRUE(rig.saved());   // ".cfg" holds the live Config

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gui/screens/settings_screen.h"
#include "records/settings_file.h"
#include "support/gui_harness.h"
#include "support/work_dir.h"

struct SettingsRig {
    testwd::WorkDir dir;
    GuiHarness h;
    Gui& g;
    Config& c;

    explicit SettingsRig(int level, const std::function<void(Config&)>& setup = {}, bool restricted = false,
                         bool english = true)
        : h(1280, 3200, english), g(h.gui()), c(*h.gui()._config) {
        c.local.operatorAccess = level >= 1;
        c.local.serviceAccess = level >= 2;
        if (setup) setup(c);
        if (restricted) {  // from the balancing screen, which came from editing
            go(&Gui::editing);
            go(&Gui::balancing);
        }
        go(&Gui::settings);
    }
    void go(void (Gui::*screen)()) {
        g.setScreen(true, screen);
        h.run(400);
    }
    Settings::Data& d() { return static_cast<Settings::Data&>(*g._data); }
    // Taps each label and lets the slides end.
    void taps(const std::vector<std::string>& labels) {
        for (const std::string& label : labels) {
            ASSERT_TRUE(h.tap(label)) << label;
            h.run(300);
        }
    }
    // Presses the row `label` at `fromRight` pixels from its right end.
    void tapAt(const std::string& label, float fromRight) {
        const UiItem* row = h.probe().find(label);
        ASSERT_TRUE(row) << label;
        h.press(ImVec2(row->max.x - fromRight, row->centre().y));
        h.frame(2);
        h.release();
        h.run(300);
    }
    // Types into the open keyboard and presses Enter.
    void enter(const std::string& text) {
        g._keyboardText = text;
        h.key(GuiKey::Enter);
        h.run(300);
    }
    bool shows(const std::string& label) const { return h.probe().find(label) != nullptr; }
    int count(const std::string& label) const {
        int n = 0;
        for (const UiItem& item : h.probe().items()) n += item.label == label;
        return n;
    }
    std::string value(const std::string& label) const {
        const UiItem* row = h.probe().find(label);
        return row ? row->text : "<none>";
    }
    // ".cfg" holds exactly the live settings.
    bool saved() {
        EXPECT_TRUE(saveSettingsFile(c, "expected.cfg"));
        return std::filesystem::exists(".cfg") && testwd::readFile(".cfg") == testwd::readFile("expected.cfg");
    }
};
