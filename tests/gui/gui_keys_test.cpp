// The physical keyboard: typed characters, Backspace, Ctrl+V, Escape and
// Enter as the frame sees them, and callbacks that replace themselves.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "support/gui_harness.h"
#include "texts/texts.h"

namespace {

void showKeyboard(Gui& g, int mode = 7) {
    g._keyboardMode = mode;
    g._keyboardState = 2;
}

TEST(GuiCoreKeys, TypedCharacters) {
    struct Case {
        const char* name;
        bool keyboard;
        const char* typed;
        const char* text;        // _keyboardText afterwards
        int onKeyCalls;
        bool languageSwitched;
        float scale;
    };
    const Case cases[] = {
        {"'l' switches the language", false, "l", "", 1, true, 1.0f},
        {"only the first of a frame counts", false, "lab", "", 1, true, 1.0f},
        {"another key only reaches the machine", false, "x", "", 1, false, 1.0f},
        {"'o' flips the scale", false, "o", "", 1, false, -1.0f},
        {"keyboard up: 'l' is typed", true, "l", "l", 0, false, 1.0f},
        {"keyboard up: all of it, UTF-8", true, "Ротор 7", "Ротор 7", 0, false, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuiHarness h;
        if (c.keyboard) showKeyboard(h.gui());
        h.type(c.typed);
        h.frame();
        EXPECT_EQ(h.gui()._keyboardText, c.text);
        EXPECT_EQ(h.machine().count("onKey"), c.onKeyCalls);
        if (c.onKeyCalls) {
            EXPECT_EQ(h.machine().count("onKey(" + std::to_string(int(c.typed[0])) + ")"), 1);
        }
        EXPECT_EQ(isEnglish(), !c.languageSwitched);
        EXPECT_EQ(decimalPoint.load(), c.languageSwitched ? ',' : '.');
        EXPECT_EQ(h.gui()._scale, c.scale);
        h.frame();  // the queue was emptied
        EXPECT_EQ(h.machine().count("onKey"), c.onKeyCalls);
    }
}

TEST(GuiCoreKeys, BackspaceAndPasteEditOnlyWithAnEnterHandler) {
    struct Case {
        const char* name;
        bool handler;
        GuiKey key;
        const char* clipboard;
        const char* text;
    };
    const Case cases[] = {
        {"Backspace removes one UTF-8 character", true, GuiKey::Backspace, "", "Рото"},
        {"Backspace without a handler", false, GuiKey::Backspace, "", "Ротор"},
        {"Ctrl+V appends the clipboard", true, GuiKey::Paste, " 12,5", "Ротор 12,5"},
        {"Ctrl+V with a line feed adds nothing", true, GuiKey::Paste, "a\nb", "Ротор"},
        {"Ctrl+V without a handler", false, GuiKey::Paste, "x", "Ротор"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuiHarness h;
        showKeyboard(h.gui());
        h.gui()._keyboardText = "Ротор";
        if (c.handler) h.gui()._onEnter = [] {};
        h.setClipboard(c.clipboard);
        h.key(c.key);
        h.frame();  // one frame: a tap shorter than a frame still counts
        EXPECT_EQ(h.gui()._keyboardText, c.text);
    }
}

TEST(GuiCoreKeys, GlfwEventsThatAreQueued) {
    struct Case {
        int key, action, mods;
        bool queued;
        GuiKey as;
    };
    const Case cases[] = {
        {GLFW_KEY_F11, GLFW_PRESS, 0, true, GuiKey::FullScreen},
        {GLFW_KEY_ESCAPE, GLFW_PRESS, 0, true, GuiKey::Escape},
        {GLFW_KEY_KP_ENTER, GLFW_PRESS, 0, true, GuiKey::Enter},
        {GLFW_KEY_BACKSPACE, GLFW_REPEAT, 0, true, GuiKey::Backspace},
        {GLFW_KEY_V, GLFW_PRESS, GLFW_MOD_CONTROL, true, GuiKey::Paste},
        {GLFW_KEY_V, GLFW_PRESS, 0, false, GuiKey::Paste},
        {GLFW_KEY_ENTER, GLFW_RELEASE, 0, false, GuiKey::Enter},
        {GLFW_KEY_A, GLFW_PRESS, 0, false, GuiKey::Enter},
    };
    for (const Case& c : cases) {
        const auto k = guiKeyFromGlfw(c.key, c.action, c.mods);
        EXPECT_EQ(k.has_value(), c.queued) << c.key << " " << c.action;
        if (k && c.queued) {
            EXPECT_EQ(*k, c.as);
        }
    }
    KeyQueue q;
    q.push(GuiKey::Enter);
    q.push(GuiKey::FullScreen);
    q.push(GuiKey::Escape);
    q.push(GuiKey::FullScreen);
    EXPECT_EQ(q.takeAllBut(GuiKey::FullScreen), (std::vector<GuiKey>{GuiKey::Enter, GuiKey::Escape}));
    EXPECT_EQ(q.take(GuiKey::FullScreen), 2);
    EXPECT_TRUE(q.empty());
}

// Escape acts as Back while the keyboard or a box is up, else not at all;
// Enter presses the only button of a box by the box protocol.
TEST(GuiCoreKeys, EscapeAndEnterOnBoxesAndKeyboard) {
    struct Case {
        const char* name;
        const char* buttons;  // null: no box
        bool keyboard;
        GuiKey key;
        std::vector<int> answers;  // what the box callback received (besides -1)
        bool boxClosing;
        int onBackCalls;
        int onEnterCalls;
    };
    const Case cases[] = {
        {"Escape on a box: its callback gets -2", "Yes|No", false, GuiKey::Escape, {-2}, true, 0, 0},
        {"Escape on the keyboard: the screen's back", nullptr, true, GuiKey::Escape, {}, false, 1, 0},
        {"Escape with neither does nothing", nullptr, false, GuiKey::Escape, {}, false, 0, 0},
        {"Enter on one button presses it", "OK", false, GuiKey::Enter, {0}, true, 0, 0},
        {"Enter on two buttons does nothing", "Yes|No", false, GuiKey::Enter, {}, false, 0, 0},
        {"Enter on the keyboard commits", nullptr, true, GuiKey::Enter, {}, false, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuiHarness h;
        Gui& g = h.gui();
        g.setScreen(true, [](Gui& gui) { gui.barOffset(gui._barState); gui.barOffset(gui._modalState); });
        h.run(400);
        std::vector<int> answers;
        int onBack = 0, onEnter = 0;
        if (c.buttons) {
            g.messageBox("Delete?", nullptr, c.buttons, [&](int a) {
                if (a != -1) answers.push_back(a);
                return a >= 0 || a == -2 ? -2 : a;
            });
            h.run(400);
        }
        if (c.keyboard) showKeyboard(g);
        g._onBack = [&] { ++onBack; };
        g._onEnter = [&] { ++onEnter; };
        h.key(c.key);
        g.startFrame();
        ImGui::NewFrame();
        g.draw(1280, 960);
        ImGui::Render();
        EXPECT_EQ(answers, c.answers);
        EXPECT_EQ(g._modalState == 3, c.boxClosing);
        EXPECT_EQ(onBack, c.onBackCalls);
        EXPECT_EQ(onEnter, c.onEnterCalls);
        EXPECT_EQ(h.machine().count("stop"), 0);
        EXPECT_FALSE(g.onHomeScreen());
        if (c.keyboard && c.key == GuiKey::Escape) {
            EXPECT_EQ(g._keyboardState, 3);
        }
    }
}

// Callbacks replace themselves from inside: the Gui calls a copy, so the
// running one is not destroyed under its own feet (AddressSanitizer).
TEST(GuiCoreKeys, SelfReplacingCallbacks) {
    GuiHarness h;
    Gui& g = h.gui();
    showKeyboard(g);
    std::string committed;
    const std::string big(200, 'x');  // captured by value: freed if the running lambda died
    g._onEnter = [&g, &committed, big] {
        g._onEnter = [&committed] { committed += "second"; };
        committed += big.substr(0, 5);
    };
    h.key(GuiKey::Enter);
    h.key(GuiKey::Enter);
    h.frame();
    EXPECT_EQ(committed, "xxxxxsecond");

    g._keyboardState = 0;
    int opened = 0;
    g.messageBox("first", nullptr, nullptr, [&g, &opened, big](int a) {
        if (a < 0) return a;
        g.messageBox("second", nullptr, nullptr, [&opened](int b) { return b < 0 ? b : (++opened, -2); });
        ++opened;
        return static_cast<int>(big.size()) == 200 ? 0 : -2;
    });
    h.run(400);
    h.key(GuiKey::Enter);
    h.frame();
    EXPECT_EQ(g._modalText, "second");
    h.run(400);
    h.key(GuiKey::Enter);
    h.frame();
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(g._modalState, 3);
}

}  // namespace
