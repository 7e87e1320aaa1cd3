#include "gui/gui.h"

#include <algorithm>
#include <cfloat>
#include <utility>

#include <imgui.h>
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/ui_probe.h"
#include "machine/machine_base.h"
#include "records/settings_records.h"
#include "resources/resource_store.h"
#include "rotor/rotor.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {

constexpr TextId kTextHintUndefined = 0x18A4002;  // "Hint isn't defined"
constexpr std::size_t kTextBufferSize = 500;
constexpr std::int64_t kSlideMs = 300;

// Layout of the screens (pixels).
constexpr float kWideScreen = 1000;
constexpr float kWideMargin = 60;
constexpr float kNarrowMargin = 32;
constexpr float kBandHeight = 334;
constexpr float kRowHeight = 46;
constexpr float kFooterHeight = 123;
constexpr float kColumnGap = 50;
constexpr int kUprightColumns = 2;

// The "Demo" badge: Bold 64 px, red at a quarter alpha, in the bottom bar
// between its home and back buttons, 20 px left of the back button, its
// letters ending where the buttons end: there it covers no control of any
// screen, nor the home screen's tiles in the smallest window.
constexpr float kBadgeSize = 64;
constexpr float kBadgeRightGap = 20;
constexpr float kBadgeBackButton = 70;  // the back button's left edge from the right
constexpr float kBadgeBottomGap = 10;   // the bar's buttons end this far above the bottom
constexpr ImU32 kBadgeColour = 0x400000FF;

constexpr const char* kDeviceSeparator = " / ";
constexpr std::uint32_t kClearWhite = 0xFFFFFFFF;

// The screen a function object holds, when it holds one of the Gui's own.
Gui::ScreenId screenIdOf(const Gui::Screen& screen) {
    using Id = Gui::ScreenId;
    using Member = void (Gui::*)();
    static const std::pair<Member, Id> kScreens[] = {
        {&Gui::editing, Id::Editing},     {&Gui::balancing, Id::Balancing}, {&Gui::influenceCoefficients, Id::Influence},
        {&Gui::measuring, Id::Measuring}, {&Gui::history, Id::History},     {&Gui::database, Id::Database},
        {&Gui::settings, Id::Settings},   {&Gui::welding, Id::Welding},
    };
    if (!screen) return Id::Home;
    const Member* member = screen.target<Member>();
    if (!member) return Id::Other;
    for (const auto& [function, id] : kScreens)
        if (*member == function) return id;
    return Id::Other;
}

}  // namespace

Gui::Gui(GuiClock clock) : _clock(clock) {
    _config = new Config();
    _textBuffer.assign(kTextBufferSize, 0);
    indexEmbeddedResources();
}

Gui::~Gui() {
    // Callbacks may own what a flow holds (a temporary rotor): they end
    // first, while the Gui they refer to is whole.
    _answer = nullptr;
    _waitingBoxes.clear();
    _onEnter = nullptr;
    _onBack = nullptr;
    delete _data;
    for (auto it = _dataStack.rbegin(); it != _dataStack.rend(); ++it) delete *it;
    if (_machine && _machine->getRotor() == _rotor) _machine->setRotor(nullptr);
    delete _rotor;
    for (RetiredRotor& r : _retired) delete r.rotor;
    releaseTextures();
    delete _config;
}

void Gui::startFrame() {
    _frameTime = _clock.monotonicNow();
    _wallTime = _clock.wallNow();
}

bool Gui::blink() const {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(_frameTime.time_since_epoch()).count();
    return ms % 1000 < 500;
}

void Gui::draw(float width, float height) {
    _clearColour = kClearWhite;
    _frameDrawn = false;
    _covers.clear();
    _veils.clear();
    collectRetiredRotors();
    sayTestProgressNotice();
    if (_machine) {
        machineReadyHook();
        if (_machine->isDemo() && !_devMode) drawDemoBadge(width, height);
    }
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(ImVec2(width, height));
    computeLayout(width, height);
    handleKeys();
    showWaitingBox();
    applyScreen();
    if (_screen) {
        // A copy: the screen may request a switch that replaces _screen later.
        Screen screen = _screen;
        screen(*this);
    } else {
        home();
    }
    drawMachineStatus(false);
}

void Gui::machineReadyHook() {
    if (!_machine->setConnectFlag()) return;
    _machine->resetBooster();
    _machine->applyMiscParams();
    std::string& version = _config->local.banner;
    const auto cut = version.find(kDeviceSeparator);
    if (cut != std::string::npos) version.resize(cut);
    version += kDeviceSeparator;
    const char* device = _machine->getDeviceName();
    version += device ? device : "";
}

void Gui::drawDemoBadge(float width, float height) {
    const char* text = textOrEmpty(textid::kTextDemo);
    ImFont* font = uiFont(fontslot::kBold64);
    const ImVec2 size = font->CalcTextSizeA(kBadgeSize, FLT_MAX, 0, text);
    // The rows its letters' ink takes in the line.
    const float scale = kBadgeSize / font->FontSize;
    float inkTop = size.y, inkBottom = 0;
    for (const char* c = text; *c;) {
        unsigned int code = 0;
        c += ImTextCharFromUtf8(&code, c, nullptr);
        if (const ImFontGlyph* glyph = font->FindGlyph(static_cast<ImWchar>(code))) {
            inkTop = std::min(inkTop, glyph->Y0 * scale);
            inkBottom = std::max(inkBottom, glyph->Y1 * scale);
        }
    }
    if (inkTop > inkBottom) inkTop = inkBottom = 0;
    const ImVec2 at(width - kBadgeBackButton - kBadgeRightGap - size.x, height - kBadgeBottomGap - inkBottom);
    ImGui::GetForegroundDrawList()->AddText(font, kBadgeSize, at, kBadgeColour, text);
    UiProbe::reportText(text, ImVec2(at.x, at.y + inkTop), ImVec2(at.x + size.x, at.y + inkBottom));
}

void Gui::computeLayout(float width, float height) {
    _screenWidth = width;
    _screenHeight = height;
    _margin = width > kWideScreen ? kWideMargin : kNarrowMargin;
    _bandHeight = kBandHeight;
    _rowHeight = kRowHeight;
    _footerHeight = kFooterHeight;
    _upperHeight = height - kBandHeight;
    float freeWidth = 0;
    if (_config->machineInterface != settings_choice::kHorizontal) {
        _columnCount = kUprightColumns;
        _midHeight = (height - kFooterHeight) / 2;
        _columnWidth = (width - 2 * _margin) / 3;
        _columnPitch = _columnWidth + kColumnGap;
        freeWidth = width - 3 * _columnWidth;
    } else {
        _columnCount = _rotor ? _rotor->planeCount(false) : 0;
        _columnWidth = width - 2 * _margin;
        if (_columnCount != 0) _columnWidth /= static_cast<float>(_columnCount);
        freeWidth = width - static_cast<float>(_columnCount) * _columnWidth;
    }
    _leftRest = freeWidth / 2;
    _rightRest = freeWidth - _leftRest;
}

int Gui::screenBackground(std::uint32_t colour, bool whole) {
    // The bars are opaque white: over them the clear colour never shows, but
    // while they slide what they uncover must stay as a window between them
    // left it.
    if (colour != kClearWhite && !whole && _barState != kShown) return 0;
    // The frame drawn already lets the clear colour it found show for its
    // background: that colour stays.
    if (_frameDrawn && colour != _clearColour) return 0;
    _clearColour = colour;
    return ImGuiWindowFlags_NoBackground;
}

// ---- screens ------------------------------------------------------------

void Gui::setScreen(bool push, Screen screen) {
    _transitionTime = _frameTime;
    _hint = textOrEmpty(kTextHintUndefined);
    _hintDetails.clear();
    if (!screen) {
        _barState = kLeaving;
    } else if (!_screen) {
        _barState = kEntering;
    } else if (push) {
        _backStack.push_back(_screen);
        _dataStack.push_back(_data);
    }
    _pendingScreenId = screenIdOf(screen);
    _pendingScreen = std::move(screen);
}

void Gui::back() {
    Screen previous;
    if (!_backStack.empty()) {
        previous = std::move(_backStack.back());
        _backStack.pop_back();
    }
    setScreen(false, std::move(previous));
}

void Gui::applyScreen() {
    _screenChanged = false;
    if (!_pendingScreen) return;
    if (_keyboardState != kHidden && _keyboardMode != 0) return;
    const bool toHome = !*_pendingScreen;
    if (toHome && _barState != kHidden) return;

    ActiveData* next = nullptr;
    if (!toHome) {
        if (_dataStack.size() > _backStack.size()) {
            next = _dataStack.back();
            _dataStack.pop_back();
        } else if (!_dataStack.empty() && _data == _dataStack.back()) {
            _data = nullptr;  // just remembered: the stack owns it now
        }
    } else {
        _backStack.clear();
        for (auto it = _dataStack.rbegin(); it != _dataStack.rend(); ++it) delete *it;
        _dataStack.clear();
    }
    delete _data;
    _data = next;
    _screen = std::move(*_pendingScreen);
    _screenId = _pendingScreenId;
    _pendingScreen.reset();
    _screenChanged = true;
}

// ---- message box, keyboard, slides ---------------------------------------

void Gui::messageBox(const char* text, const char* details, const char* buttons, Answer answer) {
    _modalText = text ? text : "";
    _modalDetails = details ? details : "";
    _modalButtons = buttons ? buttons : textOrEmpty(textid::kTextButtonOk);
    _answer = std::move(answer);
    _modalInTurn = false;
    _modalBusy = false;
    _modalInputWidth = 0;
    _modalInputLabel.clear();  // a field's unit belongs to the box that set it
    _keyboardMode = 0;
    _modalState = kEntering;
    _transitionTime = _frameTime;
    if (_barState == kHidden) _barState = kEntering;
}

void Gui::queueMessageBox(const char* text, const char* details, const char* buttons, Answer answer) {
    WaitingBox box{text ? text : "", details ? details : "",
                   buttons ? buttons : textOrEmpty(textid::kTextButtonOk), std::move(answer)};
    const auto same = [&box](const WaitingBox& other) {
        return other.text == box.text && other.details == box.details && other.buttons == box.buttons;
    };
    if (boxInTurnShown() && same(WaitingBox{_modalText, _modalDetails, _modalButtons, {}})) return;
    if (std::any_of(_waitingBoxes.begin(), _waitingBoxes.end(), same)) return;
    if (_waitingBoxes.size() >= kMaxWaitingBoxes) return;
    _waitingBoxes.push_back(std::move(box));
    showWaitingBox();
}

void Gui::showWaitingBox() {
    if (_waitingBoxes.empty() || _modalState != kHidden || _keyboardState != kHidden) return;
    // On its way home the screen waits for hidden bars, which a box would hold.
    if (_pendingScreen && !*_pendingScreen) return;
    WaitingBox box = std::move(_waitingBoxes.front());
    _waitingBoxes.pop_front();
    messageBox(box.text.c_str(), box.details.c_str(), box.buttons.c_str(), std::move(box.answer));
    _modalInTurn = true;
}

bool Gui::boxInTurnShown() const {
    return _modalInTurn && (_modalState == kEntering || _modalState == kShown);
}

void Gui::closeModal() {
    if (_barState == kShown) {
        _transitionTime = _frameTime;
        if (onHomeScreen()) _barState = kLeaving;
    }
    _modalState = kLeaving;
    _modalBusy = false;
    if (_keyboardState != kHidden) {
        _keyboardState = kLeaving;
        _editId = 0;
        _onEnter = nullptr;
        _keyboardLimit = 0;
    }
}

void Gui::closeKeyboard() {
    if (_barState == kShown) _transitionTime = _frameTime;
    _keyboardState = kLeaving;
    _editId = 0;
    _onEnter = nullptr;
    _keyboardLimit = 0;
}

float Gui::barOffset(int& state) {
    if (state != kEntering && state != kLeaving) return 0.0f;
    const std::int64_t t =
        std::chrono::duration_cast<std::chrono::milliseconds>(_frameTime - _transitionTime).count();
    if (t >= kSlideMs) {
        if (state == kEntering) {
            state = kShown;
            return 0.0f;
        }
        state = kHidden;
        if (_modalState != kShown) _modalState = kHidden;
        return 1.0f;
    }
    const float f = static_cast<float>(t) / static_cast<float>(kSlideMs);
    return state == kLeaving ? f : 1.0f - f;
}

bool Gui::backFromOverlay() {
    if (keyboardShown()) {
        keyboardBack();
        return true;
    }
    if (_modalState != kHidden) {
        if (!_modalBusy) modalBack();
        return true;
    }
    return false;
}

void Gui::keyboardBack() {
    Action onBack = _onBack;
    if (onBack) onBack();
    closeKeyboard();
}

void Gui::modalBack() {
    Answer answer = _answer;
    if (answer) answer(-2);
    closeModal();
}

void Gui::pressBack() {
    if (backFromOverlay()) return;
    if (_onBack) {
        Action onBack = _onBack;
        onBack();
        return;
    }
    if (_machine) _machine->stop();
    back();
}

void Gui::pressModalButton(int index) {
    Answer answer = _answer;
    if (answer) {
        if (answer(index) == -2) closeModal();
    } else if (index == 0) {
        closeModal();
    }
}
