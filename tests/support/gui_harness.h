#pragma once
// GuiHarness: the interface without a window, for tests.
//
// It makes an ImGui context (no backends; the font atlas, built once per
// process from the embedded faces by `Gui::loadFonts`, is shared by all
// harnesses), a Gui over a FakeMachine, and a manual
// clock: a VirtualClock for monotonic time and a fixed wall time for
// rotorclock, both moved only by the test.  Each `frame` advances the clock
// by the frame time, feeds io.DeltaTime from it, applies the held touch and
// draws one frame with a UiProbe recording what was drawn.
//
//   GuiHarness h;                   // 1280 x 960, English
//   h.frame();                      // home screen
//   h.tap("History");               // press and release on the item's centre
//   h.key(GuiKey::Escape); h.frame();
//   h.type("Ротор"); h.frame();     // typed text, UTF-8
//
// The settings load has run with no file (defaults, a fresh active rotor).
// One harness per test; it restores rotorclock and the language on exit.

#include <cstdint>
#include <optional>
#include <string>

#include <imgui.h>

#include "gui/gui.h"
#include "gui/ui_probe.h"
#include "support/machine_fake_machine.h"
#include "support/machine_virtual_clock.h"

class GuiHarness {
public:
    static constexpr std::int64_t kFrameMs = 16;
    static constexpr std::int64_t kStartWall = 1674648000;  // 2023-01-25 12:00:00 UTC

    explicit GuiHarness(float width = 1280, float height = 960, bool english = true);
    ~GuiHarness();
    GuiHarness(const GuiHarness&) = delete;
    GuiHarness& operator=(const GuiHarness&) = delete;

    Gui& gui() { return *gui_; }
    // The program closed and started again in the same folder: a new Gui over
    // the machine's ".cfg" (the live settings saved there first, as the
    // settings screen saves each change); nothing of the old one stays.
    // References to gui() stay valid.
    void restart();
    FakeMachine& machine() { return machine_; }
    VirtualClock& clock() { return clock_; }
    const UiProbe& probe() const { return probe_; }

    // Draws `count` frames, each kFrameMs later than the one before.
    void frame(int count = 1);
    // Draws frames until `ms` have passed.
    void run(std::int64_t ms);
    // Moves both clocks without drawing.
    void advance(std::int64_t ms);
    void setWallTime(std::int64_t secondsSince1970);
    void resize(float width, float height);

    // Touches: a press held at a point until release().
    void press(ImVec2 at);
    void release();
    // Taps the item drawn last frame with this label (a frame to hover, one
    // pressed, one released); false when no such item was drawn.
    bool tap(const std::string& label);
    // Taps the item with this label that shows `text`.
    bool tap(const std::string& label, const std::string& text);
    // Hover, press and release at a point.
    void tapAt(ImVec2 at);
    // Presses the item with this label, keeps it pressed for `ms`, releases.
    bool hold(const std::string& label, std::int64_t ms);
    // Presses at `from`, moves to `to` in `steps` frames and releases there.
    void drag(ImVec2 from, ImVec2 to, int steps = 8);

    // A physical key, acted on in the next frame.
    void key(GuiKey key) { gui_->keys().push(key); }
    // Typed text (UTF-8), acted on in the next frame.
    void type(const char* utf8) { ImGui::GetIO().AddInputCharactersUTF8(utf8); }
    void setClipboard(const std::string& text) { clipboard_ = text; }

private:
    static const char* clipboardText(void* self);

    VirtualClock clock_;
    FakeMachine machine_;
    UiProbe probe_;
    std::optional<Gui> gui_;  // in place, so that a restart's Gui is reached through the old references
    ImGuiContext* context_ = nullptr;
    ImVec2 size_;
    ImVec2 touch_{-1, -1};
    bool touching_ = false;
    Clock::time_point lastFrame_{};
    std::string clipboard_;
    std::int64_t wallBase_ = kStartWall;
    std::int64_t wallMs_ = 0;
    bool wasEnglish_;
};
