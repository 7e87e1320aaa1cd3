// The frame: slides, the keyboard window, the message box protocol through
// taps, the bottom bar's buttons, the progress dialog and what the machine's
// status puts over the screens.

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <string>
#include <tuple>
#include <vector>

#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "machine/machine_codes.h"
#include "records/settings_records.h"
#include "support/gui_harness.h"
#include "support/work_dir.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {

const char* const kBack = "É";
const char* const kHome = "È";
const char* const kHint = "Ç";

// A screen with the frame (the Balancing screen's stand-in), its bars shown.
void openScreen(GuiHarness& h, Gui::Screen screen = &Gui::balancing) {
    h.gui().setScreen(true, std::move(screen));
    h.run(400);
}

// A box whose callback records every answer but -1 and closes on `closesOn`.
struct RecordedBox {
    std::vector<int> answers;
    void open(Gui& g, const char* buttons, int closesOn, int defaultIndex = -1) {
        g.messageBox("Delete?", nullptr, buttons, [this, closesOn, defaultIndex](int i) {
            if (i == -1) return defaultIndex;
            answers.push_back(i);
            return i == closesOn || i == -2 ? -2 : i;
        });
    }
};

TEST(GuiFrameSlides, OffsetAndStateAfterEachTime) {
    struct Case {
        int state, ms;
        float offset;
        int stateAfter;
        int boxBefore, boxAfter;
    };
    const Case cases[] = {
        {1, 0, 1.0f, 1, 0, 0},           {1, 150, 0.5f, 1, 0, 0},          {1, 299, 1 / 300.0f, 1, 0, 0},
        {1, 300, 0.0f, 2, 0, 0},         {3, 0, 0.0f, 3, 3, 3},            {3, 150, 0.5f, 3, 3, 3},
        {3, 299, 299 / 300.0f, 3, 3, 3}, {3, 300, 1.0f, 0, 3, 0},          {3, 300, 1.0f, 0, 2, 2},
        {2, 500, 0.0f, 2, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.state << " at " << c.ms << " ms, box " << c.boxBefore);
        GuiHarness h;
        Gui& g = h.gui();
        g.startFrame();
        g._transitionTime = g._frameTime;
        h.advance(c.ms);
        g.startFrame();
        int state = c.state;
        g._modalState = c.boxBefore;
        EXPECT_NEAR(g.barOffset(state), c.offset, 1e-6);
        EXPECT_EQ(state, c.stateAfter);
        EXPECT_EQ(g._modalState, c.boxAfter);
    }
}

TEST(GuiFrameSlides, ClosingABoxOnTheHomeScreenTakesTheBarsOut) {
    GuiHarness h;
    h.frame();
    EXPECT_EQ(h.probe().find(kBack), nullptr);
    h.gui().messageBox("Note");
    h.run(400);
    EXPECT_EQ(h.gui()._barState, 2);
    EXPECT_NE(h.probe().find(kBack), nullptr);
    ASSERT_TRUE(h.tap("OK"));
    EXPECT_EQ(h.gui()._barState, 3);
    h.run(400);
    EXPECT_EQ(h.gui()._barState, 0);
    EXPECT_EQ(h.gui()._modalState, 0);
    EXPECT_EQ(h.probe().find(kBack), nullptr);
}

TEST(GuiFrameKeyboard, WindowSitsAboveTheBottomBarByMode) {
    struct Case {
        int mode, state, ms;
        float top;  // in a 960 px window
    };
    const Case cases[] = {{0, 2, 0, 880}, {7, 2, 0, 600}, {7, 1, 150, 600 + 360 * 0.5f}, {0, 1, 150, 880 + 80 * 0.5f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " state " << c.state);
        GuiHarness h;
        openScreen(h);
        Gui& g = h.gui();
        g._keyboardMode = c.mode;
        g._keyboardState = c.state;
        g._transitionTime = g._frameTime + std::chrono::milliseconds(GuiHarness::kFrameMs - c.ms);
        h.frame();
        EXPECT_FLOAT_EQ(g._keyboardTop, c.top);
    }
}

TEST(GuiFrameBox, AnswersByTheBoxProtocol) {
    struct Case {
        const char* name;
        const char* buttons;
        int closesOn, defaultIndex;
        const char* tapped;  // null: no tap, one frame
        std::vector<int> answers;
        bool closing;
        bool home;  // on the home screen 400 ms later
    };
    const Case cases[] = {
        {"No leaves a box open that closes on Yes", "Yes|No", 0, -1, "No", {1}, false, false},
        {"Yes closes it", "Yes|No", 0, -1, "Yes", {0}, true, false},
        {"default index 1 presses the second button", "Yes|No", 1, 1, nullptr, {1}, true, false},
        {"Home gives -2, closes and goes home", "Yes|No", 0, -1, kHome, {-2}, true, true},
        {"Back gives -2 and closes", "Yes|No", 0, -1, kBack, {-2}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuiHarness h;
        openScreen(h);
        RecordedBox box;
        box.open(h.gui(), c.buttons, c.closesOn, c.defaultIndex);
        if (c.tapped) {
            h.run(400);
            ASSERT_TRUE(h.tap(c.tapped));
        } else {
            h.frame();
        }
        EXPECT_EQ(h.gui()._modalState == 3, c.closing);
        h.run(400);
        EXPECT_EQ(box.answers, c.answers);  // a leaving box is answered no more
        EXPECT_EQ(h.gui().onHomeScreen(), c.home);
        EXPECT_EQ(h.machine().count("stop"), 0);
    }
}

TEST(GuiFrameBox, DamagedSettingsWarnAboveTheStartUpProgressBeforeTheDeviceBox) {
    for (const bool shortPause : {true, false}) {  // ready before the warning is read, or long after
        SCOPED_TRACE(shortPause);
        testwd::WorkDir dir("ks_frame_start");
        testwd::writeFile(".cfg", "damaged");
        GuiHarness h;
        Gui& g = h.gui();
        h.machine().demo = true;
        g.startMachine(&h.machine());
        h.machine().state = MachineState::kInitializing;
        h.run(400);
        if (shortPause) h.machine().state = MachineState::kIdle;
        h.run(400);
        EXPECT_TRUE(h.probe().shows(textOrEmpty(textid::kTextSettingsLoadError)));
        EXPECT_TRUE(g._modalDetails.rfind(".cfg.bad-", 0) == 0 && std::filesystem::exists(g._modalDetails));
        ASSERT_TRUE(h.tap("OK"));
        h.run(400);
        EXPECT_EQ(h.probe().shows(textOrEmpty(textid::kTextInitializing)), !shortPause);
        h.machine().state = MachineState::kIdle;
        h.run(400);
        EXPECT_EQ(g._modalText, textOrEmpty(textid::kTextUsbDeviceNotFound));
    }
}

TEST(GuiFrameBox, ButtonRowWidthsAndFonts) {
    struct Case {
        float windowWidth;
        std::vector<std::string_view> labels;
        float width;
        int font;
    };
    const Case cases[] = {
        {1280, {"Yes", "No"}, 200, fontslot::kRegular28},
        {1280, {"A", "B", "C", "D"}, 100, fontslot::kRegular28},
        {1280, {"Yes", "No", "Подключить", "Отмена"}, 100, fontslot::kRegular17},
        {790, {"Yes", "No", "Save"}, 60, fontslot::kRegular17},
        {1280, {"1", "2", "3", "4", "5", "6", "7", "8"}, 100, fontslot::kRegular28},
        {1280, {"1", "2", "3", "4", "5", "6", "7", "8", "9"}, 60, fontslot::kRegular17},
        {790, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}, 60, fontslot::kRegular17},
    };
    for (const Case& c : cases) {
        std::string buttons;
        for (std::string_view label : c.labels) buttons += (buttons.empty() ? "" : "|") + std::string(label);
        SCOPED_TRACE(buttons);
        GuiHarness h(c.windowWidth, 540);
        openScreen(h);
        h.gui().messageBox("?", nullptr, buttons.c_str());
        h.run(400);
        const UiItem* first = h.probe().find(c.labels[0]);
        ASSERT_NE(first, nullptr);
        EXPECT_FLOAT_EQ(first->max.x - first->min.x, c.width);
        EXPECT_EQ(dialogButtonRow(c.labels, c.windowWidth).fontSlot, c.font);
        const UiItem* last = h.probe().find(c.labels.back());
        ASSERT_NE(last, nullptr);
        EXPECT_GE(first->min.x, 0.0f);
        EXPECT_LE(last->max.x, c.windowWidth);
    }
}

TEST(GuiFrameBox, TextsDrawLoweredAndRaisedRunsSmall) {
    GuiHarness h;
    openScreen(h);
    h.gui().messageBox("Permissible residual unbalance, D~tol", "at 800 min^-1");
    h.run(400);
    const auto run = [&h](const char* text) {
        for (const UiItem& i : h.probe().items())
            if (i.label.empty() && i.text == text) return i;
        return UiItem{};
    };
    for (const auto& [whole, marked, lowered] :
         {std::tuple{"Permissible residual unbalance, D", "tol", true}, std::tuple{"at 800 min", "-1", false}}) {
        SCOPED_TRACE(marked);
        const UiItem line = run(whole), small = run(marked);
        ASSERT_TRUE(line.max.x > 0 && small.max.x > 0);  // both drawn
        EXPECT_NEAR(small.min.x, line.max.x, 1.0f);  // on the same line, right after it
        EXPECT_LT(small.max.y - small.min.y, line.max.y - line.min.y);
        EXPECT_EQ(small.max.y > line.max.y - 1, lowered);  // lowered to the base line, raised above it
    }
}

TEST(GuiFrameBox, EntryFieldKeepsWholeCharactersThatFit) {
    GuiHarness h;
    openScreen(h);
    Gui& g = h.gui();
    g.messageBox("Name", nullptr, "OK");
    g._modalInputWidth = 120;
    g._modalInputLabel = "Name";
    g._keyboardText = "ЖЖЖЖЖЖЖЖЖЖЖЖ";
    h.frame();
    ImFont* font = g._fonts[fontslot::kLight28];
    auto width = [font](const std::string& s) { return font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, s.c_str()).x; };
    ASSERT_FALSE(g._keyboardText.empty());
    EXPECT_EQ(g._keyboardText.size() % 2, 0u);  // two bytes per letter: none cut
    EXPECT_LE(width(g._keyboardText) + 15, 120);
    EXPECT_GT(width(g._keyboardText + "Ж") + 15, 120);
    const UiItem* field = h.probe().find("Name");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text, g._keyboardText);
    g.messageBox("Save as", nullptr, "OK");  // the next entry box shows no label of the last one
    g._modalInputWidth = 120;
    h.frame();
    EXPECT_EQ(h.probe().find("Name"), nullptr);
}

TEST(GuiFrameBottomBar, ButtonsByMachineStateBusyAndKeyboard) {
    struct Case {
        const char* name;
        int state;
        bool busy, keyboard;
        bool back, home, hint;
    };
    const Case cases[] = {
        {"idle", MachineState::kIdle, false, false, true, true, true},
        {"initializing", MachineState::kInitializing, false, false, true, true, true},
        {"configuring", MachineState::kConfiguring, false, false, true, true, true},
        {"measuring", MachineState::kMeasuring, false, false, false, false, false},
        {"measuring, keyboard up", MachineState::kMeasuring, false, true, true, false, false},
        {"busy screen", MachineState::kIdle, true, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuiHarness h;
        openScreen(h, [busy = c.busy](Gui& g) { g.drawFrame(busy, nullptr); });
        h.machine().state = c.state;
        if (c.keyboard) {
            h.gui()._keyboardMode = 7;
            h.gui()._keyboardState = 2;
        }
        h.frame();
        EXPECT_EQ(h.probe().find(kBack) != nullptr, c.back);
        EXPECT_EQ(h.probe().find(kHome) != nullptr, c.home);
        EXPECT_EQ(h.probe().find(kHint) != nullptr, c.hint);
    }
}

TEST(GuiFrameBottomBar, BackWithTheKeyboardUpRunsTheScreensBackAndStays) {
    GuiHarness h;
    openScreen(h);
    Gui& g = h.gui();
    int backs = 0;
    g._onBack = [&] { ++backs; };
    g._keyboardMode = 7;
    g._keyboardState = 2;
    ASSERT_TRUE(h.tap(kBack));
    EXPECT_EQ(backs, 1);
    EXPECT_EQ(g._keyboardState, 3);
    h.run(400);
    EXPECT_EQ(g.currentScreen(), Gui::ScreenId::Balancing);
    EXPECT_EQ(h.machine().count("stop"), 0);
}

TEST(GuiFrameTopBar, ApplyBannerHidesTheToolbarUnderIt) {
    GuiHarness h;
    openScreen(h, [](Gui& g) {
        g.drawFrame(false, [] { ImGui::TextColored(ImVec4(0, 0, 0, 1), "A long page caption under the banner"); });
    });
    h.gui()._settingsChanged = true;
    h.frame();
    const ImDrawList* bar = nullptr;
    const ImDrawData* data = ImGui::GetDrawData();
    for (const ImDrawList* list : std::vector<const ImDrawList*>(data->CmdLists, data->CmdLists + data->CmdListsCount))
        if (std::string(list->_OwnerName ? list->_OwnerName : "").rfind("bar-top", 0) == 0) bar = list;
    ASSERT_NE(bar, nullptr);
    // The caption's vertices come before the banner: one opaque dark quad over the whole bar.
    const ImVector<ImDrawVert>& v = bar->VtxBuffer;
    int banner = 0;
    while (banner < v.Size && !(v[banner].pos.x == 0 && v[banner].pos.y == 0 && v[banner].col != 0xFFFFFFFFu))
        ++banner;
    ASSERT_TRUE(banner + 4 <= v.Size && banner > 0);
    for (int i = banner; i < banner + 4; ++i) EXPECT_EQ(v[i].col, 0xFF3E3E3Eu) << i;
    EXPECT_EQ(v[banner + 2].pos.x, 1280);
    EXPECT_EQ(v[banner + 2].pos.y, 80);
    EXPECT_TRUE(
        std::any_of(v.begin(), v.begin() + banner, [](const ImDrawVert& x) { return x.col != 0xFFFFFFFFu; }));
}

TEST(GuiFrameTopBar, ServiceLinesOnlyAfterTheServiceLogin) {
    for (const bool service : {false, true}) {
        GuiHarness h;
        openScreen(h);
        h.gui()._config->local.serviceAccess = service;
        h.machine().state = MachineState::kMeasuring;
        h.frame();
        EXPECT_EQ(h.probe().shows("ms/frame"), service);
        const std::string state = std::string(textOrEmpty(0x1EFB808)) +
                                  textOrEmpty(textid::kMachineStateFirst + MachineState::kMeasuring);
        EXPECT_EQ(h.probe().shows(state), service) << state;
    }
}

TEST(GuiFrameTopBar, ApplyReconnectsOnceAndHidesUnderABox) {
    GuiHarness h;
    openScreen(h);
    Gui& g = h.gui();
    const char* apply = textOrEmpty(0xDDB05D);
    g._settingsChanged = true;
    g.messageBox("Wait");
    h.run(400);
    EXPECT_EQ(h.probe().find(apply), nullptr);
    g.closeModal();
    h.run(400);
    ASSERT_TRUE(h.tap(apply));
    EXPECT_EQ(h.machine().count("requestReconnect"), 1);
    EXPECT_FALSE(g._settingsChanged);
    h.frame();
    EXPECT_EQ(h.probe().find(apply), nullptr);
}

TEST(GuiFrameProgress, ValueIsClampedAndDrawnAsABar) {
    struct Case {
        int value, stored;
        float barWidth;  // 0: no bar
    };
    const Case cases[] = {{150, 100, 400}, {-5, 0, 0}, {40, 40, 160}, {0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        GuiHarness h;
        openScreen(h, [](Gui& g) { g.drawProgress(g._screenWidth, g._screenHeight); });
        h.gui()._progressText = "Copying";
        h.gui()._progressValue = c.value;
        h.frame();
        EXPECT_EQ(h.gui()._progressValue, c.stored);
        EXPECT_TRUE(h.probe().shows("Copying"));
        const UiItem* bar = h.probe().find("progress-bar");
        EXPECT_EQ(bar != nullptr, c.barWidth > 0);
        if (bar) {
            EXPECT_FLOAT_EQ(bar->max.x - bar->min.x, c.barWidth);
        }
    }
}

TEST(GuiFrameStatus, DeviceBoxesOncePerConnection) {
    struct Case {
        bool demo, invertersOk;
        std::vector<TextId> boxes;  // in the order they come, each closed with OK
    };
    const Case cases[] = {
        {true, true, {textid::kTextUsbDeviceNotFound}},
        {false, false, {textid::kTextInvertersError}},
        {false, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.demo << c.invertersOk);
        GuiHarness h;
        h.machine().demo = c.demo;
        h.machine().invertersOk = c.invertersOk;
        for (int connection = 0; connection < 2; ++connection) {
            if (connection == 1) {  // a reconnection: the progress until the machine is ready again
                h.machine().reconnect();
                h.machine().state = MachineState::kInitializing;
                h.frame();
                EXPECT_TRUE(h.probe().shows(textOrEmpty(textid::kTextInitializing)));
                h.machine().state = MachineState::kIdle;
            }
            for (TextId box : c.boxes) {
                h.run(400);
                EXPECT_EQ(h.gui()._modalText, textOrEmpty(box));
                ASSERT_TRUE(h.tap("OK"));
            }
            h.run(1000);
            EXPECT_EQ(h.gui()._modalState, 0);
        }
    }
}

TEST(GuiFrameStatus, WeldingOverlayButNotOverTheWeldingScreen) {
    struct Case {
        Gui::Screen screen;
        bool overlay;
    };
    const Case cases[] = {{Gui::Screen{}, true}, {&Gui::balancing, true}, {&Gui::welding, false}};
    for (const Case& c : cases) {
        GuiHarness h;
        openScreen(h, c.screen);
        h.machine().welderActive = true;
        h.machine().weldValue = 30;
        h.frame();
        EXPECT_EQ(h.probe().shows(textOrEmpty(0x9DD008)), c.overlay) << static_cast<int>(h.gui().currentScreen());
    }
}

}  // namespace
