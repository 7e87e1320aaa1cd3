// The physical keyboard: queued keys and typed text, once per frame.

#include <imgui.h>

#include "gui/gui.h"
#include "gui/utf8.h"
#include "machine/machine_base.h"
#include "texts/texts.h"

namespace {
constexpr unsigned kLanguageKey = 'l';
constexpr unsigned kScaleKey = 'o';
constexpr unsigned kFirstPrintable = 0x20;

bool isSingleButton(const std::string& buttons) {
    return !buttons.empty() && buttons.find('|') == std::string::npos;
}
}  // namespace

void Gui::handleKeys() {
    for (GuiKey key : _keys.takeAllBut(GuiKey::FullScreen)) handleKey(key);
    handleTypedText();
}

void Gui::handleKey(GuiKey key) {
    switch (key) {
        case GuiKey::Backspace:
            if (_onEnter) utf8Backspace(_keyboardText);
            break;
        case GuiKey::Paste:
            if (_onEnter) {
                const char* clip = ImGui::GetClipboardText();
                if (clip && !std::string(clip).empty() && std::string(clip).find('\n') == std::string::npos)
                    appendWithin(_keyboardText, clip, _keyboardLimit);
            }
            break;
        case GuiKey::Escape:
            // As the bottom bar's Back while the keyboard or the box is up.
            if (_keyboardState == kEntering || _keyboardState == kShown) {
                keyboardBack();
            } else if (_modalState == kShown && !_modalBusy) {
                modalBack();
            }
            break;
        case GuiKey::Enter:
            if (_modalState == kShown && !_modalBusy && isSingleButton(_modalButtons)) {
                pressModalButton(0);
            } else if ((keyboardShown() || loginKeypadShown()) && _onEnter) {
                Action onEnter = _onEnter;
                onEnter();
            }
            break;
        case GuiKey::FullScreen:
            break;  // the frame loop's
    }
}

void Gui::handleTypedText() {
    ImGuiIO& io = ImGui::GetIO();
    if (io.InputQueueCharacters.empty()) return;
    if (keyboardShown() || loginKeypadShown()) {
        for (ImWchar c : io.InputQueueCharacters) {
            if (c < kFirstPrintable) continue;
            std::string typed;
            appendUtf8(typed, c);
            appendWithin(_keyboardText, typed, _keyboardLimit);
        }
    } else {
        const unsigned c = io.InputQueueCharacters[0];
        if (c == kLanguageKey) setLanguage(!isEnglish());
        if (c == kScaleKey) _scale = _scale > 0 ? -1.0f : 1.0f;
        if (_machine) _machine->onKey(static_cast<int>(c));
    }
    io.InputQueueCharacters.resize(0);
}
