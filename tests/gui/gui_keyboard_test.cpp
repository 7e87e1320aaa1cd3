// The on-screen keyboard: what tapped and held keys type, the automatic case,
// layouts by language, the PIN pad's limit and the enter handler.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <imgui.h>

#include "support/gui_harness.h"

namespace {

const std::string kBackspace = "Ä";

// A screen with the frame and the keyboard shown in `mode` (the PIN pad in a
// column as tall as the home screen's); Enter counts.
void openKeyboard(GuiHarness& h, int mode, int& enters) {
    Gui& g = h.gui();
    g.setScreen(false, [](Gui& gui) {
        if (gui._keyboardMode != 4) return gui.drawFrame(false, nullptr);
        ImGui::SetNextWindowSize(ImVec2(200, 920));
        ImGui::Begin("pin", nullptr, ImGuiWindowFlags_NoDecoration);
        gui.drawKeyboard();
        ImGui::End();
    });
    h.frame();
    g._keyboardMode = mode;
    g._keyboardState = Gui::kShown;
    g._barState = Gui::kShown;
    g._onEnter = [&enters] { ++enters; };
    h.frame();
}

// Steps: a key's label is tapped, "hold:X" holds X for 0.7 s, "Enter" is the physical key.
void play(GuiHarness& h, const std::vector<std::string>& steps) {
    for (const std::string& step : steps) {
        SCOPED_TRACE(step);
        if (step == "Enter") {
            h.key(GuiKey::Enter);
            h.frame();
        } else if (step.rfind("hold:", 0) == 0) {
            ASSERT_TRUE(h.hold(step.substr(5), 700));
        } else {
            ASSERT_TRUE(h.tap(step));
        }
        h.frame();  // the keys as the step left them
    }
}

std::vector<std::string> letters(const std::string& utf8) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = static_cast<unsigned char>(utf8[i]) < 0x80 ? 1 : 2;
        out.push_back(utf8.substr(i, n));
        i += n;
    }
    return out;
}

TEST(GuiKeyboard, KeysTypeAndSwitchPages) {
    struct Case {
        const char* name;
        bool english;
        int mode;
        std::vector<std::string> steps;
        std::string text;
        int modeAfter;
        int enters;
    };
    const std::string ruSmall = "йцукенгшщзхъфывапролджэячсмитьбю";
    const std::string latinSmall = "qwertyuiopasdfghjklzxcvbnm";
    const Case cases[] = {
        {"a name starts with a capital", true, 7, {"A", "b"}, "Ab", 9, 0},
        {"deleting it all gives capitals again", true, 7, {"A", "b", kBackspace, kBackspace}, "", 7, 0},
        {"Q held types its digit", true, 7, {"hold:Q"}, "1", 9, 0},
        {"backspace held clears", true, 9, {"a", "b", "c", "hold:" + kBackspace}, "", 7, 0},
        {"shift and back", true, 7, {"shift", "shift"}, "", 7, 0},
        {"symbols and letters", true, 9, {"123", "(", "ABC"}, "(", 7, 0},
        {"Russian language key keeps small letters", false, 9, {"language"}, "", 10, 0},
        {"Russian language key keeps capitals", false, 8, {"language"}, "", 7, 0},
        {"Russian keypad's decimal key", false, 1, {"1", ",", "0"}, "1,0", 1, 0},
        {"Russian symbol row offers the point", false, 6, {".", ","}, ".,", 6, 0},
        {"English symbol row offers the comma", true, 6, {",", "."}, ",.", 6, 0},
        {"integer keypad's second backspace", true, 3, {"4", "2", kBackspace}, "4", 3, 0},
        {"enter key", true, 7, {"enter"}, "", 7, 1},
        {"Login key", true, 4, {"Login"}, "", 4, 1},
        {"physical Enter", true, 1, {"Enter"}, "", 1, 1},
    };
    std::vector<Case> all(std::begin(cases), std::end(cases));
    // Every letter of the three layouts in small-letter modes.
    all.push_back({"English small letters", true, 9, letters(latinSmall), latinSmall, 9, 0});
    all.push_back({"Cyrillic small letters", false, 9, letters(ruSmall), ruSmall, 9, 0});
    all.push_back({"Latin small letters in Russian", false, 10, letters(latinSmall), latinSmall, 10, 0});
    for (const Case& c : all) {
        SCOPED_TRACE(c.name);
        GuiHarness h(1280, 960, c.english);
        int enters = 0;
        openKeyboard(h, c.mode, enters);
        play(h, c.steps);
        EXPECT_EQ(h.gui()._keyboardText, c.text);
        EXPECT_EQ(h.gui()._keyboardMode, c.modeAfter);
        EXPECT_EQ(enters, c.enters);
    }
}

TEST(GuiKeyboard, LanguageKeyOnlyWithASecondLayout) {
    for (bool english : {true, false})
        for (int mode = 7; mode <= 10; ++mode) {
            GuiHarness h(1280, 960, english);
            int enters = 0;
            openKeyboard(h, mode, enters);
            EXPECT_EQ(h.probe().find("language") != nullptr, !english) << mode;
        }
}

TEST(GuiKeyboard, PinPadKeepsSixteenCharactersAndItsBackKeyClosesThePanel) {
    GuiHarness h;
    int enters = 0;
    openKeyboard(h, 4, enters);
    Gui& g = h.gui();
    g._selectedOperator = 2;
    g._keypadSlide = 100;
    play(h, std::vector<std::string>(17, "7"));
    EXPECT_EQ(g._keyboardText, std::string(16, '7'));
    EXPECT_EQ(h.probe().find("pin-display")->text, std::string(16, '*'));
    play(h, {"<"});
    EXPECT_EQ(g._selectedOperator, -1);
    EXPECT_EQ(g._keypadSlide, 99);
    EXPECT_EQ(enters, 0);
}

}  // namespace
