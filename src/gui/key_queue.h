#pragma once
// The physical keys that the interface acts on, queued as they arrive.
//
// Dear ImGui 1.86 keeps only the state of a key, so a key pressed and
// released between two frames is never seen.  The program's own key callback
// (installed on the window before the GUI backend's, both run) pushes every
// press and repeat of these keys here; the frame loop takes F11 and
// `Gui::draw` takes the rest, in the order they came.  Typed text is not
// queued here: it stays in ImGui's character queue.

#include <deque>
#include <optional>
#include <vector>

enum class GuiKey {
    FullScreen,   // F11
    Escape,
    Enter,        // Enter or keypad Enter
    Backspace,    // repeats included
    Paste,        // Ctrl+V
};

class KeyQueue {
public:
    void push(GuiKey key) { keys_.push_back(key); }
    bool empty() const { return keys_.empty(); }
    // Removes every queued `key`; returns how many there were.
    int take(GuiKey key);
    // Removes and returns every queued key except `kept`, in order.
    std::vector<GuiKey> takeAllBut(GuiKey kept);

private:
    std::deque<GuiKey> keys_;
};

// The queued key of a GLFW key event (key, action, modifier bits), if any:
// presses and repeats of F11, Escape, Enter, keypad Enter, Backspace and V
// with Control.
std::optional<GuiKey> guiKeyFromGlfw(int key, int action, int mods);
