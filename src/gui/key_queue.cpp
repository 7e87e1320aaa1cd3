#include "gui/key_queue.h"

#include <algorithm>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>  // key and action numbers only; nothing is linked

int KeyQueue::take(GuiKey key) {
    const auto n = std::count(keys_.begin(), keys_.end(), key);
    keys_.erase(std::remove(keys_.begin(), keys_.end(), key), keys_.end());
    return static_cast<int>(n);
}

std::vector<GuiKey> KeyQueue::takeAllBut(GuiKey kept) {
    std::vector<GuiKey> taken;
    std::deque<GuiKey> left;
    for (GuiKey k : keys_) (k == kept ? left.push_back(k) : taken.push_back(k));
    keys_.swap(left);
    return taken;
}

std::optional<GuiKey> guiKeyFromGlfw(int key, int action, int mods) {
    if (action != GLFW_PRESS && action != GLFW_REPEAT) return std::nullopt;
    switch (key) {
        case GLFW_KEY_F11: return GuiKey::FullScreen;
        case GLFW_KEY_ESCAPE: return GuiKey::Escape;
        case GLFW_KEY_ENTER:
        case GLFW_KEY_KP_ENTER: return GuiKey::Enter;
        case GLFW_KEY_BACKSPACE: return GuiKey::Backspace;
        case GLFW_KEY_V:
            if (mods & GLFW_MOD_CONTROL) return GuiKey::Paste;
            return std::nullopt;
        default: return std::nullopt;
    }
}
