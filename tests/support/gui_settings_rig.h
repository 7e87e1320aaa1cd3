#pragma once
// SettingsRig: the settings screen over the harness's live Config at an access
// level in a temporary working directory, opened from the home screen or
// (restricted) from the balancing screen; the window holds a whole page.

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
        for (auto screen : {&Gui::editing, &Gui::balancing, &Gui::settings})
            if (restricted || screen == &Gui::settings) g.setScreen(true, screen), h.run(400);
    }
    Settings::Data& d() { return static_cast<Settings::Data&>(*g._data); }
    void taps(const std::vector<std::string>& labels) {  // each slide ends
        for (const std::string& label : labels) {
            ASSERT_TRUE(h.tap(label)) << label;
            h.run(300);
        }
    }
    void tapAt(const std::string& label, float fromRight) {  // the row, from its right end
        const UiItem* row = h.probe().find(label);
        ASSERT_TRUE(row) << label;
        h.press(ImVec2(row->max.x - fromRight, row->centre().y));
        h.frame(2);
        h.release();
        h.run(300);
    }
    void enter(const std::string& text) {  // into the open keyboard, then Enter
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
        return shows(label) ? h.probe().find(label)->text : "-none-";
    }
    bool saved() {  // ".cfg" holds exactly the live settings
        EXPECT_TRUE(saveSettingsFile(c, "expected.cfg"));
        return std::filesystem::exists(".cfg") &&
               testwd::readFile(".cfg") == testwd::readFile("expected.cfg");
    }
};
