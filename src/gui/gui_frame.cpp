// The frame around a screen: top bar, keyboard window, message box window and
// bottom bar, each sliding in and out over 300 ms.

#include <algorithm>
#include <cfloat>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/gui.h"
#include "machine/machine_base.h"
#include "machine/machine_codes.h"
#include "records/settings_records.h"
#include "texts/format.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {

constexpr TextId kTextHintGlyph = 0x195DC1F;  // "Ç"
constexpr TextId kTextHomeGlyph = 0x195DC20;  // "È"
constexpr TextId kTextBackGlyph = 0x195DC21;  // "É"
constexpr TextId kTextClose = 0x18A4001;      // "Close"
constexpr TextId kTextSettingsChanged = 0xDDB05C;
constexpr TextId kTextApply = 0xDDB05D;
constexpr TextId kTextState = 0x1EFB808;  // "State: "

constexpr float kKeyboardHeight = 280;
constexpr float kIconSize = 60;
constexpr float kIconInset = 10;  // from the bar's edges
const ImVec2 kServiceLine(10, 10);
constexpr float kToolbarTop = 28;
constexpr float kApplyButtonWidth = 200;
constexpr float kBannerGap = 20;  // between the banner's text and its button
constexpr ImU32 kWhite = 0xFFFFFFFF;
constexpr ImU32 kBlack = 0xFF000000;
constexpr ImU32 kBanner = 0xDD202020;

// A translucent colour as it shows over white: one opaque fill instead of two.
constexpr ImU32 overWhite(ImU32 colour) {
    const ImU32 alpha = colour >> IM_COL32_A_SHIFT;
    ImU32 out = IM_COL32_A_MASK;
    for (const int shift : {IM_COL32_R_SHIFT, IM_COL32_G_SHIFT, IM_COL32_B_SHIFT}) {
        const ImU32 channel = (colour >> shift) & 0xFF;
        out |= ((channel * alpha + 0xFF * (0xFF - alpha) + 0x7F) / 0xFF) << shift;
    }
    return out;
}

// The banner's text font: Regular 40, smaller when the text would reach the button.
constexpr int kBannerFonts[] = {fontslot::kRegular40, fontslot::kRegular28, fontslot::kRegular24,
                                fontslot::kRegular20};

// A frame window across the window's width from one of its edges (the bars;
// the keyboard while the bottom bar stands under it) covers what is drawn
// under it, which is cut from the frame (gui_covers.cpp): where the clear
// colour is its own white, it shows in place of the window's background.
// Not below a box that stands still: its veil may take the clear colour.
int clearBehind(bool fromEdge, std::uint32_t clearColour) {
    return fromEdge && clearColour == kWhite ? ImGuiWindowFlags_NoBackground : 0;
}

void keepPopupsInFront() {
    for (ImGuiPopupData& popup : GImGui->OpenPopupStack)
        if (popup.Window) ImGui::BringWindowToDisplayFront(popup.Window);
}

}  // namespace

void Gui::drawFrame(bool busy, const Action& top) {
    _frameDrawn = true;
    ImGui::PushStyleColor(ImGuiCol_WindowBg, kWhite);
    const float bars = barOffset(_barState);  // once: both bars move together
    drawTopBar(bars, top);
    float keyboardOffset = 1.0f, keysHeight = 0.0f;
    if (_keyboardState != kHidden) drawKeyboardWindow(keyboardOffset, keysHeight);
    if (_modalState != kHidden) drawModalWindow(keyboardOffset, keysHeight);
    drawBottomBar(bars, busy);
    ImGui::PopStyleColor();
    keepPopupsInFront();
}

void Gui::drawTopBar(float offset, const Action& top) {
    beginFrameWindow("bar-top", ImVec2(0, -kBarHeight * offset), ImVec2(_screenWidth, kBarHeight),
                     clearBehind(true, _clearColour));
    coverWithWindow();
    const ImVec2 origin = ImGui::GetWindowPos();
    const bool service = _config->local.serviceAccess;
    if (service) {
        const float rate = ImGui::GetIO().Framerate;
        const std::string line = ks::format("{:.3f} ms/frame ({:.1f} FPS) {} x {}", rate > 0 ? 1000.0f / rate : 0.0f,
                                            rate, _screenWidth, _screenHeight);
        drawSlotText(fontslot::kLight14, line.c_str(), origin + kServiceLine, kBlack);
    }
    ImGui::SetCursorPos(ImVec2(_margin, kToolbarTop));
    if (top) top();
    if (service && _machine) {
        const std::string state =
            std::string(textOrEmpty(kTextState)) +
            textOrEmpty(textid::kMachineStateFirst + static_cast<TextId>(_machine->getState()));
        ImFont* font = uiFont(fontslot::kRegular20);
        const float width = font->CalcTextSizeA(font->FontSize, FLT_MAX, 0.0f, state.c_str()).x;
        drawSlotText(fontslot::kRegular20, state.c_str(), origin + ImVec2((_screenWidth - width) / 2, 0), kBlack);
    }
    if (_settingsChanged && _modalState == kHidden &&
        applyButton(textOrEmpty(kTextSettingsChanged), textOrEmpty(kTextApply))) {
        if (_machine) _machine->requestReconnect();
        _settingsChanged = false;
    }
    ImGui::End();
}

bool Gui::applyButton(const char* text, const char* label) {
    const ImVec2 origin = ImGui::GetWindowPos();
    const float width = ImGui::GetWindowWidth();
    // The banner's dark veil over the bar's white, opaque: the screen's
    // toolbar under it does not show through.
    ImGui::GetWindowDrawList()->AddRectFilled(origin, origin + ImVec2(width, kBarHeight), overWhite(kBanner));
    const float buttonX = width - _margin - kApplyButtonWidth;
    int slot = kBannerFonts[0];
    for (int candidate : kBannerFonts) {
        slot = candidate;
        ImFont* font = uiFont(slot);
        if (_margin + font->CalcTextSizeA(font->FontSize, FLT_MAX, 0.0f, text).x + kBannerGap <= buttonX) break;
    }
    const float textHeight = uiFont(slot)->FontSize;
    drawSlotText(slot, text, origin + ImVec2(_margin, (kBarHeight - textHeight) / 2), kWhite);
    ImGui::PushFont(uiFont(fontslot::kRegular28));
    const bool pressed = dialogButtons(label, nullptr, origin.x + buttonX,
                                       origin.y + (kBarHeight - framesize::kDialogButtonHeight) / 2,
                                       kApplyButtonWidth, false);
    ImGui::PopFont();
    return pressed;
}

void Gui::drawKeyboardWindow(float& keyboardOffset, float& keysHeight) {
    keysHeight = _keyboardMode != 0 ? kKeyboardHeight : 0.0f;
    keyboardOffset = barOffset(_keyboardState);
    _keyboardTop = (_screenHeight - kBarHeight - keysHeight) + (keysHeight + kBarHeight) * keyboardOffset;
    beginFrameWindow("keyboard", ImVec2(0, _keyboardTop), ImVec2(_screenWidth, kKeyboardHeight),
                     clearBehind(_barState == kShown && _modalState != kShown, _clearColour));
    coverWithWindow();
    drawKeyboard();
    ImGui::End();
}

void Gui::drawModalWindow(float keyboardOffset, float keysHeight) {
    const bool keyboardOn = _keyboardState != kHidden;
    float top = 0;
    float height = _screenHeight - kBarHeight + 1;
    if (_modalState == kShown) {
        if (keyboardOn) height = std::min(height, _keyboardTop + 1);
    } else {
        const float fraction = keyboardOn ? keyboardOffset : barOffset(_modalState);
        top = -fraction * _screenHeight;
        height = _screenHeight - kBarHeight - keysHeight + 1;
    }
    if (_modalState == kHidden) return;  // its slide has just ended
    beginFrameWindow("modal", ImVec2(0, top), ImVec2(_screenWidth, height), ImGuiWindowFlags_NoBackground);
    drawModal();
    ImGui::End();
}

void Gui::veilScreen(std::uint32_t colour) {
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    ImVec2 min = w->Pos, max = w->Pos + w->Size;
    if (_barState == kShown) {
        min.y = std::max(min.y, kBarHeight);
        max.y = std::min(max.y, _screenHeight - kBarHeight);
    }
    w->DrawList->AddRectFilled(min, max, colour);
}

bool Gui::navigationAllowed(bool busy) {
    if (busy || _modalBusy) return false;
    if (!_machine) return true;
    const int state = _machine->getState();
    // The states in which the operator may leave a screen.
    return state == MachineState::kIdle || state == MachineState::kInitializing ||
           state == MachineState::kConfiguring;
}

void Gui::drawBottomBar(float offset, bool busy) {
    if (_keyboardState == kEntering) ImGui::SetNextWindowFocus();
    beginFrameWindow("bar-bottom", ImVec2(0, _screenHeight - kBarHeight + kBarHeight * offset),
                     ImVec2(_screenWidth, kBarHeight), clearBehind(_modalState != kShown, _clearColour));
    coverWithWindow();
    const bool navigation = navigationAllowed(busy);
    if (navigation || _keyboardState != kHidden) {
        ImGui::SetCursorPos(ImVec2(_screenWidth - kIconSize - kIconInset, kIconInset));
        if (iconButton(textOrEmpty(kTextBackGlyph), kIconSize, kIconSize)) pressBack();
    }
    if (navigation) {
        ImGui::SetCursorPos(ImVec2((_screenWidth - kIconSize) / 2, kIconInset));
        if (iconButton(textOrEmpty(kTextHomeGlyph), kIconSize, kIconSize)) pressHome();
        ImGui::SetCursorPos(ImVec2(kIconInset, kIconInset));
        if (iconButton(textOrEmpty(kTextHintGlyph), kIconSize, kIconSize))
            messageBox(_hint.c_str(), _hintDetails.c_str(), textOrEmpty(kTextClose));
    }
    ImGui::End();
}

void Gui::pressHome() {
    if (_modalBusy) return;
    _onBack = nullptr;
    if (_keyboardState == kEntering || _keyboardState == kShown) closeKeyboard();
    if (_modalState != kHidden) modalBack();
    setScreen(true, Screen{});
}
