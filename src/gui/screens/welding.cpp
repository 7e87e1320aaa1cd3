// The Welding screen: its data, the value rules, its widgets, the top bar
// with the start switch, the keyboard entry, the error watch and the frame.

#include "gui/screens/welding.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <string>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "files/logger.h"
#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/ui_probe.h"
#include "machine/machine_base.h"
#include "records/settings_records.h"
#include "texts/format.h"
#include "texts/text_ids.h"

namespace Welding {
namespace {

constexpr TextId kTextFirstMode = 0x9DD001;  // "Fast rotation", "JOG", "Auto JOG", "Welding"
constexpr TextId kTextWelding = 0x9DD004;
constexpr TextId kTextTackWelds = 0x9DD006;
constexpr TextId kTextRotationalSpeed = 0x9DD007;
constexpr TextId kTextProgress = 0x9DD00B;
constexpr TextId kTextTitle = 0x195DC10;        // "Welding"
constexpr TextId kTextDiameterUnit = 0xB95C12;  // "À|mm"
constexpr TextId kTextMm = 0xB95C03;            // "mm"
constexpr int kModeCount = 4;

constexpr int kDigitKeypad = 1;
constexpr int kTitleFont = fontslot::kRegular28;
constexpr int kSelectorFont = fontslot::kSizesPerFace + 4;  // Regular 22
constexpr int kControlFont = fontslot::kRegular24;
constexpr int kCaptionFont = fontslot::kRegular17;

// Layout (pixels).
constexpr float kSelectorBottomGap = 160;
constexpr float kDialTop = 110;
constexpr float kControlsTop = 120;
constexpr float kEntryWidth = 120;
constexpr float kControlHeight = 50;
constexpr float kControlInset = 140;  // from the diameter entry's left edge
constexpr float kControlNarrowing = 40;
constexpr float kControlRoom = 280;   // kept beside the controls' middle span
constexpr float kMaxControlSpan = 300;
constexpr float kCaptionDx = 2;
constexpr float kCaptionDy = -26;
constexpr float kTickHeight = 10;
constexpr float kMarkerHalf = 6;
constexpr float kMarkSize = 16;  // the stepper's minus and plus
constexpr float kFillInset = 2;
constexpr float kFillSlack = 3;
constexpr float kPlatePadding = 6;

// Colours (0xAABBGGRR).
constexpr ImU32 kBlack = 0xFF000000;
constexpr ImU32 kWhite = 0xFFFFFFFF;
constexpr ImU32 kVeil = 0x40FFFFFF;
const ImU32 kTitleGrey = IM_COL32(84, 84, 84, 255);        // 0.33
const ImU32 kCaptionGrey = IM_COL32(84, 84, 84, 255);
const ImU32 kOffGreen = IM_COL32(69, 214, 122, 255);
const ImU32 kOnRed = IM_COL32(205, 87, 64, 255);
const ImU32 kDisabledGrey = IM_COL32(170, 170, 170, 255);  // 0.667
const ImU32 kFieldGrey = IM_COL32(221, 221, 221, 255);     // 0.867
const ImU32 kTrackGrey = IM_COL32(238, 238, 238, 255);
const ImU32 kLineGrey = IM_COL32(136, 136, 136, 255);
const ImU32 kMarkerBlue = IM_COL32(60, 147, 205, 255);

// ---- small drawing helpers ----------------------------------------------------------------

ImRect placeItem(float x, float y, float width, float height, ImGuiID id) {
    ImGui::SetCursorPos(ImVec2(x, y));
    const ImVec2 at = ImGui::GetCurrentWindow()->DC.CursorPos;
    const ImRect bb(at, at + ImVec2(width, height));
    ImGui::ItemSize(bb);
    ImGui::ItemAdd(bb, id);
    return bb;
}

void centredText(ImDrawList* list, const ImRect& r, ImU32 colour, const std::string& text) {
    ImFont* font = ImGui::GetFont();
    const float size = ImGui::GetFontSize();
    const ImVec2 extent = font->CalcTextSizeA(size, FLT_MAX, 0, text.c_str());
    list->AddText(font, size, r.GetCenter() - extent * 0.5f, colour, text.c_str());
}

void caption(ImDrawList* list, const ImRect& r, const char* text) {
    ImFont* font = uiFont(kCaptionFont);
    list->AddText(font, font->FontSize, r.Min + ImVec2(kCaptionDx, kCaptionDy), kCaptionGrey, text);
}

// ---- the screen's steps ------------------------------------------------------------------

// Opens the keypad while an entry is chosen; a keyboard on its way out ends it.
void keyboardEntry(Gui& g, Data& d) {
    if (d.entry == kNoEntry) return;
    if (g._keyboardState == Gui::kHidden) {
        g._keyboardText.clear();
        g._keyboardMode = kDigitKeypad;
        g._transitionTime = g._frameTime;
        if (g._barState == Gui::kHidden) g._barState = Gui::kEntering;
        g._keyboardState = Gui::kEntering;
        g._onEnter = [&g] {
            if (auto* data = dynamic_cast<Data*>(g._data)) commitEntry(g, *data);
        };
    } else if (g._keyboardState == Gui::kLeaving) {
        d.entry = kNoEntry;
    }
}

void drawAngleDial(Gui& g, Data& d, double angle) {
    d.dialLayout.zeroOffset = g._config->angleMarkPosition;
    d.dialLayout.reversed = g._config->interfaceRotation;
    dialLayout(d.dialLayout, d.modeSelector.width, kDialTop);
    const Mode mode = d.mode();
    if (mode == kJog || mode == kAutoJog) {
        DialTarget(d.dialLayout, angle, &d.targetAngle);
    } else if (mode == kWeldingMode && d.welding) {
        double shown = d.targetAngle;  // shown, not changed, while welding
        DialTarget(d.dialLayout, angle, &shown);
    } else {
        drawDial(d.dialLayout, angle, 0);
    }
}

// Switches off what the selected mode drives.
void switchOutputsOff(Data& d) {
    MachineBase& m = *d.machine;
    switch (d.mode()) {
        case kFastRotation: m.setFastRotation(0); break;
        case kJog:
        case kAutoJog:
            m.setJogRotation(0, 0);
            m.setJogWelding(false);
            break;
        case kWeldingMode:
            m.setWeldRotation(false);
            m.setWeldWelding(false);
            break;
    }
}

// While the switch or the welding output is on, a machine error switches the
// outputs off in every frame; the box and the log line come once.
void watchErrors(Gui& g, Data& d) {
    const int result = d.machine->getResult();
    if (result == 0) {
        d.staleResult = false;
        d.errorReported = false;
        return;
    }
    if ((!d.started && !d.welding) || d.staleResult) return;
    switchOutputsOff(d);
    if (d.errorReported) return;
    d.errorReported = true;
    d.log("error activated!");
    g.messageBox(textOrEmpty(textid::kTextError), textOrEmpty(static_cast<TextId>(result)));
}

void modeControl(Data& d, double angle, float x, float y, float width) {
    MachineBase& m = *d.machine;
    switch (d.mode()) {
        case kFastRotation:
            if (speedSlider(textOrEmpty(kTextRotationalSpeed), d.rotationSpeed, x, y, width, kControlHeight) &&
                d.started)
                m.setFastRotation(d.rotationSpeed);
            break;
        case kJog:
            if (toggleButton(textOrEmpty(kTextWelding), d.welding, true, d.wallThickness == 0, x, y, width,
                             kControlHeight))
                m.setJogWelding(d.welding);
            break;
        case kAutoJog:
            countStepper(textOrEmpty(kTextTackWelds), d.tackWelds, x, y, width, kControlHeight);
            break;
        case kWeldingMode:
            if (!d.welding) {
                if (toggleButton(textOrEmpty(kTextWelding), d.welding, false, !d.started, x, y, width,
                                 kControlHeight)) {
                    m.setWeldWelding(d.welding);
                    if (d.welding) d.targetAngle = angle;
                }
            } else if (d.started) {
                progressBar(textOrEmpty(kTextProgress), m.getWeldValue(), x, y, width, kControlHeight);
            }
            break;
    }
}

// The two entries and the mode's control between them, centred right of the
// mode column.
void controls(Gui& g, Data& d, double angle) {
    const float column = d.modeSelector.width;
    const float room = g._screenWidth - column;
    const float span = std::min(room - kControlRoom, kMaxControlSpan);
    const float x1 = std::floor(room / 2 + column - (span / 2 + kEntryWidth));  // whole pixels, as the pointer
    if (parameterEntry(d, kDiameterEntry, x1, kControlsTop)) d.entry = kDiameterEntry;
    if (parameterEntry(d, kThicknessEntry, x1 + span + kEntryWidth, kControlsTop)) d.entry = kThicknessEntry;
    modeControl(d, angle, x1 + kControlInset, kControlsTop, span - kControlNarrowing);
}

void switchPressed(Data& d) {
    MachineBase& m = *d.machine;
    d.started = d.buttonState > 0;
    d.lockModes(d.started);
    if (d.started)
        d.staleResult = m.getResult() != 0;
    else
        d.errorReported = false;
    switch (d.mode()) {
        case kFastRotation: m.setFastRotation(d.started ? d.rotationSpeed : 0); break;
        case kJog:
        case kAutoJog:
            if (!d.started)
                m.setJogRotation(0, 0);
            else
                m.setJogRotation(jogDistance(m.getAngle(), d.targetAngle), d.mode() == kJog ? 0 : d.tackWelds);
            break;
        case kWeldingMode:
            m.setWeldRotation(d.started);
            if (!d.started) {
                m.setWeldWelding(false);
                d.welding = false;
            }
            break;
    }
}

void complete(Data& d) {
    d.log("quiting on complete");
    d.started = false;
    d.welding = false;
    d.buttonState = 0;
    d.lockModes(false);
}

}  // namespace

// ---- data ------------------------------------------------------------------------------

Data::Data(Gui& gui) : machine(gui._machine) {
    logger = createLogger("welding");
    log("starting");
    modeSelector.items.resize(kModeCount);
    targetAngle = machine->getAngle();
}

Data::~Data() { delete logger; }

void Data::log(const char* line) {
    if (!logger) return;
    logger->open(true);
    logPrintf(&logger, "%s", line);
    logger->open(false);
}

void Data::lockModes(bool locked) {
    for (int i = 0; i < static_cast<int>(modeSelector.items.size()); ++i)
        modeSelector.items[i].disabled = locked && i != modeSelector.selected;
}

// ---- rules -----------------------------------------------------------------------------

double clampDiameter(double mm) {
    if (!(mm >= kMinDiameter)) return kMinDiameter;  // NaN too
    return std::min(mm, kMaxDiameter);
}

unsigned clampThickness(double mm) {
    if (!(mm >= kMinThickness)) return kMinThickness;  // NaN and negative too
    return static_cast<unsigned>(std::min(mm, static_cast<double>(kMaxThickness)));
}

int thicknessMode(unsigned mm) {
    if (mm <= 6) return mm > 0 ? static_cast<int>(mm) - 1 : 0;
    return std::min(6 + static_cast<int>(mm - 7) / 2, 8);
}

int jogDistance(double angle, double target) {
    double d = angle - target;
    if (std::fabs(d) < 1)
        d = 1;
    else if (d > 180)
        d -= 360;
    else if (d < -180)
        d += 360;
    return static_cast<int>(d);
}

int sliderPercent(float offset, float width) {
    if (!(width > 0)) return 0;
    const int v = static_cast<int>(offset * 200 / width);
    if (v > 95) return 100;
    if (v < -95) return -100;
    if (v >= -4 && v <= 4) return 0;
    return v;
}

// ---- the top bar and the keyboard ---------------------------------------------------------

void startStop(Gui& gui, Data& d) {
    drawSlotText(kTitleFont, textOrEmpty(kTextTitle), ImGui::GetCursorScreenPos(), kTitleGrey);
    const bool locked = (d.pipeDiameter == 0 || d.wallThickness == 0) && d.mode() != kFastRotation;
    ImGui::PushFont(uiFont(kTitleFont));
    const bool pressed = startButton(d.buttonState, textOrEmpty(textid::kTextStart), locked);
    ImGui::PopFont();
    // Without a welding remote the pipe turns through the measuring
    // controller's weld drive: the demo device has none to turn it with.
    const bool noController = !gui._config->externalWeldingControl && d.machine->isDemo();
    if (pressed && noController && d.buttonState > 0) {
        d.log("no welding controller");
        d.buttonState = 0;
        gui.messageBox(textOrEmpty(textid::kTextUsbDeviceNotFound));
    } else if (pressed) {
        switchPressed(d);
    } else if (d.started && d.machine->isWeldingReady()) {
        complete(d);
    }
}

void commitEntry(Gui& gui, Data& d) {
    double value = 0;
    if (!ks::parseTypedNumber(gui._keyboardText, value)) value = 0;  // not one number: the lower bound
    if (d.entry == kDiameterEntry) {
        d.pipeDiameter = clampDiameter(value);
        d.machine->setPipeDiameter(static_cast<float>(d.pipeDiameter));
        if (d.wallThickness == 0) {  // straight on to the thickness
            d.entry = kThicknessEntry;
            gui._keyboardText.clear();
            return;
        }
    } else if (d.entry == kThicknessEntry) {
        d.wallThickness = clampThickness(value);
        d.machine->setPipeThickness(thicknessMode(d.wallThickness));
    }
    gui.closeKeyboard();
}

// ---- widgets ---------------------------------------------------------------------------

int entryState(const Data& d, TextId id) {
    const bool missing = id == kDiameterEntry ? d.pipeDiameter == 0 : d.wallThickness == 0;
    if (d.entry == id) return kEntryEditing;
    return missing && d.mode() != kFastRotation ? kEntryInvalid : kEntryNormal;
}

bool parameterEntry(Data& d, TextId id, float x, float y) {
    const bool diameter = id == kDiameterEntry;
    const double value = diameter ? d.pipeDiameter : static_cast<double>(d.wallThickness);
    return numericEntry(entryState(d, id), textOrEmpty(diameter ? kTextDiameterUnit : kTextMm), textOrEmpty(id), nullptr, 0, x, y,
                        kEntryWidth, kControlHeight, value);
}

bool speedSlider(const char* label, int& value, float x, float y, float width, float height) {
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    if (w->SkipItems) return false;
    const ImGuiID id = w->GetID("speed_slider");
    const ImRect bb = placeItem(x, y, width, height, id);
    bool hovered = false, held = false;
    ImGui::ButtonBehavior(bb, id, &hovered, &held);
    const int before = value;
    if (held) value = sliderPercent(ImGui::GetIO().MousePos.x - bb.Min.x - width / 2, width);

    ImDrawList* list = w->DrawList;
    list->AddRectFilled(bb.Min, bb.Max, kTrackGrey);
    const float middleY = bb.GetCenter().y;
    list->AddLine(ImVec2(bb.Min.x, middleY), ImVec2(bb.Max.x, middleY), kLineGrey);
    for (float tickX : {bb.Min.x + 0.5f, bb.GetCenter().x, bb.Max.x - 0.5f})
        list->AddLine(ImVec2(tickX, middleY - kTickHeight), ImVec2(tickX, middleY + kTickHeight), kLineGrey);
    const float markerX = bb.Min.x + width / 2 + static_cast<float>(value) * width / 200;
    list->AddRectFilled(ImVec2(markerX - kMarkerHalf, bb.Min.y), ImVec2(markerX + kMarkerHalf, bb.Max.y), kMarkerBlue);
    char shown[16];
    std::snprintf(shown, sizeof shown, "%d%%", value);
    // The value on a white plate, readable over the marker.
    ImFont* font = ImGui::GetFont();
    const ImVec2 extent = font->CalcTextSizeA(ImGui::GetFontSize(), FLT_MAX, 0, shown);
    const ImVec2 plate = extent * 0.5f + ImVec2(kPlatePadding, 0);
    list->AddRectFilled(bb.GetCenter() - plate, bb.GetCenter() + plate, kWhite, kPlatePadding);
    centredText(list, bb, kBlack, shown);
    caption(list, bb, label);
    UiProbe::report(id, label, bb.Min, bb.Max, shown);
    return value != before;
}

bool toggleButton(const char* label, bool& state, bool heldKind, bool disabled, float x, float y, float width,
                  float height) {
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    if (w->SkipItems) return false;
    ImGui::PushID(label);
    const ImGuiID id = w->GetID("toggle");
    ImGui::PopID();
    const ImRect bb = placeItem(x, y, width, height, id);
    bool hovered = false, held = false, tapped = false;
    if (!disabled) tapped = ImGui::ButtonBehavior(bb, id, &hovered, &held);
    const bool before = state;
    if (heldKind)
        state = held;
    else if (tapped)
        state = !state;

    ImDrawList* list = w->DrawList;
    list->AddRectFilled(bb.Min, bb.Max, disabled ? kDisabledGrey : (state ? kOnRed : kOffGreen));
    centredText(list, bb, state ? kWhite : kBlack, label);
    UiProbe::report(id, label, bb.Min, bb.Max, disabled ? "disabled" : (state ? "on" : "off"));
    return state != before;
}

bool countStepper(const char* label, int& value, float x, float y, float width, float height) {
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    if (w->SkipItems) return false;
    const ImGuiID minusId = w->GetID("stepper_minus");
    const ImGuiID plusId = w->GetID("stepper_plus");
    const ImRect minus = placeItem(x, y, height, height, minusId);
    const ImRect plus = placeItem(x + width - height, y, height, height, plusId);
    const ImRect field(ImVec2(minus.Max.x, minus.Min.y), ImVec2(plus.Min.x, plus.Max.y));
    bool hovered = false, held = false;
    const int before = value;
    if (ImGui::ButtonBehavior(minus, minusId, &hovered, &held)) value -= kTackWeldStep;
    if (ImGui::ButtonBehavior(plus, plusId, &hovered, &held)) value += kTackWeldStep;
    value = std::clamp(value, kMinTackWelds, kMaxTackWelds);

    ImDrawList* list = w->DrawList;
    list->AddRectFilled(minus.Min, plus.Max, kTrackGrey);
    list->AddRectFilled(field.Min, field.Max, kWhite);
    list->AddRect(minus.Min, plus.Max, kLineGrey);
    const float half = kMarkSize / 2;
    list->AddLine(minus.GetCenter() - ImVec2(half, 0), minus.GetCenter() + ImVec2(half, 0), kBlack, 2);
    list->AddLine(plus.GetCenter() - ImVec2(half, 0), plus.GetCenter() + ImVec2(half, 0), kBlack, 2);
    list->AddLine(plus.GetCenter() - ImVec2(0, half), plus.GetCenter() + ImVec2(0, half), kBlack, 2);
    const std::string shown = std::to_string(value);
    centredText(list, field, kBlack, shown);
    caption(list, minus, label);
    UiProbe::report(minusId, "-", minus.Min, minus.Max);
    UiProbe::report(plusId, "+", plus.Min, plus.Max);
    UiProbe::report(0, label, minus.Min, plus.Max, shown.c_str());
    return value != before;
}

void progressBar(const char* label, int percent, float x, float y, float width, float height) {
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    if (w->SkipItems) return;
    const ImGuiID id = w->GetID("progress");
    const ImRect bb = placeItem(x, y, width, height, id);
    const int p = std::clamp(percent, 0, 100);
    ImDrawList* list = w->DrawList;
    list->AddRectFilled(bb.Min, bb.Max, kFieldGrey);
    const float right = bb.Min.x + static_cast<float>(p) / 100 * (width - kFillSlack);
    if (right > bb.Min.x + kFillInset)
        list->AddRectFilled(ImVec2(bb.Min.x + kFillInset, bb.Min.y + kFillInset),
                            ImVec2(right, bb.Max.y - kFillInset), kWhite);
    const std::string shown = ks::format("{}%", p);
    centredText(list, bb, kBlack, shown);
    caption(list, bb, label);
    UiProbe::report(id, label, bb.Min, bb.Max, shown.c_str());
}

}  // namespace Welding

void Gui::welding() {
    using namespace Welding;
    auto* data = dynamic_cast<Data*>(_data);
    if (!data) {
        delete _data;
        _data = data = new Data(*this);
    }
    Data& d = *data;
    for (int i = 0; i < kModeCount; ++i)  // the language may change meanwhile
        d.modeSelector.items[i].label = textOrEmpty(kTextFirstMode + static_cast<TextId>(i));
    keyboardEntry(*this, d);

    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::Begin("Welding", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus | screenBackground(IM_COL32_WHITE, true));
    const bool entering = d.entry != kNoEntry;
    ImGui::BeginDisabled(entering);
    ImGui::PushFont(uiFont(kSelectorFont));
    SideSelector(d.modeSelector, 2 * _margin, _screenHeight - kSelectorBottomGap);
    ImGui::PopFont();
    const double angle = _machine->getAngle();
    drawAngleDial(*this, d, angle);
    watchErrors(*this, d);
    ImGui::PushFont(uiFont(kControlFont));
    controls(*this, d, angle);
    ImGui::PopFont();
    ImGui::EndDisabled();
    if (entering && _modalState == kHidden) veilScreen(kVeil);
    ImGui::End();
    ImGui::PopStyleVar();

    drawFrame(d.started, [this, &d] { startStop(*this, d); });
}
