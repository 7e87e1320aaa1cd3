#include "gui/dial.h"

#include <cfloat>
#include <cmath>
#include <string_view>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/gui.h"
#include "gui/texture.h"
#include "gui/ui_probe.h"
#include "gui/widgets.h"
#include "rotor/polar.h"
#include "texts/format.h"
#include "texts/text_ids.h"
#include "texts/texts.h"

namespace {

// The default ring and the ring sized from the window.
constexpr float kDefaultOuter = 110;
constexpr float kDefaultInner = 85;
constexpr float kTallWindow = 700;
constexpr float kTallDrop = 12;
constexpr float kSizedReserve = 168;  // window height the sized ring leaves free
constexpr float kSizedDrop = 84;
constexpr float kRingShare = 25.0f / 110.0f;  // ring width per outer radius

constexpr float kPointerDepth = 15;
constexpr float kPointerInset = 3;  // the mark's tip inside the inner radius
constexpr int kDiscSegments = 30;
constexpr float kSmallestDisc = 0.5f;

// The face's colour variants.
constexpr std::size_t kFacePlain = 0;
constexpr std::size_t kFaceBlink = 1;
constexpr std::size_t kFaceHighlight = 2;

constexpr int kMarkerFont = fontslot::kBold18;
constexpr int kValueFont = fontslot::kRegular64;
constexpr int kFractionFont = fontslot::kRegular48;
constexpr int kToleranceFont = fontslot::kRegular40;
constexpr int kUnitFont = fontslot::kRegular28;
constexpr int kUnitMarkedFont = fontslot::kRegular17;
constexpr float kFractionGap = 4;

constexpr TextId kTextInTolerance = 0x1EFD026;  // "IN TOLERANCE"
constexpr const char* kDegree = "\xC2\xB0";
constexpr double kStandingSpeed = 0.001;

constexpr ImU32 kBlack = 0xFF000000;
constexpr ImU32 kWhite = 0xFFFFFFFF;
const ImU32 kMarkerGreen = IM_COL32(69, 214, 122, 255);
const ImU32 kToleranceGreen = IM_COL32(21, 166, 74, 255);

float cut(float v) { return std::trunc(v); }

ImVec2 textSize(int slot, std::string_view text) {
    ImFont* font = uiFont(slot);
    return font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, text.data(), text.data() + text.size());
}

void addText(ImDrawList* list, int slot, ImVec2 at, ImU32 colour, std::string_view text) {
    ImFont* font = uiFont(slot);
    list->AddText(font, font->FontSize, at, colour, text.data(), text.data() + text.size());
    UiProbe::reportText(std::string(text).c_str(), at, at + textSize(slot, text));
}

float fontSize(int slot) { return uiFont(slot)->FontSize; }

// The value's digits, the part before the decimal point large and the rest
// smaller beside it, centred on the dial with their top at `top`.
void drawValue(ImDrawList* list, float cx, float top, const std::string& text) {
    const auto point = text.find(static_cast<char>(decimalPoint.load(std::memory_order_relaxed)));
    const std::string_view whole = std::string_view(text).substr(0, point);
    const std::string_view rest = point == std::string::npos ? std::string_view() : std::string_view(text).substr(point);
    const float wholeWidth = textSize(kValueFont, whole).x;
    const float restWidth = rest.empty() ? 0 : kFractionGap + textSize(kFractionFont, rest).x;
    const float left = cx - (wholeWidth + restWidth) / 2;
    addText(list, kValueFont, ImVec2(left, top), kBlack, whole);
    if (rest.empty()) return;
    // Both parts stand on one baseline.
    const float drop = uiFont(kValueFont)->Ascent - uiFont(kFractionFont)->Ascent;
    addText(list, kFractionFont, ImVec2(left + wholeWidth + kFractionGap, top + drop), kBlack, rest);
}

void drawSpeedUnit(ImDrawList* list, float cx, float top) {
    const char* unit = textOrEmpty(textid::kUnitRpm);
    ImGui::PushFont(uiFont(kUnitFont));
    ImVec2 size;
    drawLabel(size, nullptr, 0, 0, uiFont(kUnitMarkedFont), unit);
    ImGui::PushStyleColor(ImGuiCol_Text, kBlack);
    drawLabel(size, list, cx - size.x / 2, top, uiFont(kUnitMarkedFont), unit);
    ImGui::PopStyleColor();
    ImGui::PopFont();
    UiProbe::reportText(unit, ImVec2(cx - size.x / 2, top), ImVec2(cx + size.x / 2, top + size.y));
}

}  // namespace

// ---- geometry -------------------------------------------------------------------

DialRing dialRing(ImVec2 origin, ImVec2 size, float left, float top) {
    DialRing ring;
    if (left <= 0) {
        ring.outer = kDefaultOuter;
        ring.inner = kDefaultInner;
        ring.centre = ImVec2(origin.x + size.x / 2, origin.y + top + (size.y >= kTallWindow ? kTallDrop : 0));
    } else {
        ring.outer = ((size.y - kSizedReserve) - top) / 2;
        ring.inner = ring.outer - kRingShare * ring.outer;
        ring.centre = ImVec2(origin.x + left + (size.x - left) / 2, origin.y + top + ring.outer + kSizedDrop);
    }
    return ring;
}

ImVec2 dialPoint(ImVec2 centre, float radius, double screenAngle) {
    const double a = polar::toRadians(screenAngle);
    return ImVec2(static_cast<float>(centre.x - radius * std::cos(a)), static_cast<float>(centre.y + radius * std::sin(a)));
}

std::array<ImVec2, 3> dialPointerCorners(ImVec2 centre, double angle, float radius) {
    const double a = 270 - angle;
    const double halfBase = polar::toDegrees(3 * polar::kPi / radius);
    return {dialPoint(centre, radius, a), dialPoint(centre, radius - kPointerDepth, a - halfBase),
            dialPoint(centre, radius - kPointerDepth, a + halfBase)};
}

ImVec2 dialMarkerCentre(const DialLayout& layout, double angle) {
    const float halfWidth = (layout.outerRadius - layout.innerRadius) / 2;
    const double sign = layout.reversed ? -1 : 1;
    const ImVec2 p = dialPoint(layout.centre, layout.innerRadius + halfWidth, sign * (layout.value - angle) - 90);
    return ImVec2(cut(p.x), cut(p.y));
}

std::optional<double> dialTouchAngle(const DialLayout& layout, double reference, ImVec2 touch) {
    const ImVec2 c = layout.centre;
    const float r = layout.outerRadius;
    if (touch.x < c.x - r || touch.x > c.x + r || touch.y < c.y - r || touch.y > c.y + r) return std::nullopt;
    const double dx = c.x - touch.x;
    const double dy = c.y - touch.y;
    const double distance = std::sqrt(dx * dx + dy * dy);
    if (distance < layout.innerRadius || distance > layout.outerRadius) return std::nullopt;
    const double t = std::trunc(polar::toDegrees(std::atan2(dy, dx)));
    return polar::reduceDegrees(layout.reversed ? reference + 90 - t : reference + t - 90);
}

// ---- drawing ----------------------------------------------------------------------

void dialLayout(DialLayout& layout, float left, float top) {
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    layout.drawList = window->SkipItems ? nullptr : window->DrawList;
    const DialRing ring = dialRing(window->Pos, window->Size, left, top);
    layout.centre = ring.centre;
    layout.innerRadius = ring.inner;
    layout.outerRadius = ring.outer;
    ImGui::SetCursorScreenPos(ring.centre);
}

void drawDialPointer(float cx, float cy, double angle, float radius) {
    const std::array<ImVec2, 3> p = dialPointerCorners(ImVec2(cx, cy), angle, radius);
    ImGui::GetWindowDrawList()->AddTriangleFilled(p[0], p[1], p[2], kBlack);
}

void drawDialMarker(const DialLayout& layout, int number, int flags, double angle) {
    if (!layout.drawList) return;
    const float halfWidth = (layout.outerRadius - layout.innerRadius) / 2;
    const ImVec2 at = dialMarkerCentre(layout, angle);
    float black = halfWidth - 1;
    if (flags & 1) {
        if (halfWidth - 1 >= kSmallestDisc) layout.drawList->AddCircleFilled(at, halfWidth - 1, kMarkerGreen, kDiscSegments);
        black = halfWidth / 2 - 1;
    }
    if (black >= kSmallestDisc) layout.drawList->AddCircleFilled(at, black, kBlack, kDiscSegments);
    if (number < 0) return;
    // Planes above 9 show their number in the same font.
    const std::string digits = std::to_string(number);
    const ImVec2 size = textSize(kMarkerFont, digits);
    addText(layout.drawList, kMarkerFont, at - size * 0.5f, kWhite, digits);
}

void drawDial(DialLayout& layout, double value, int flags) {
    layout.value = value;
    ImDrawList* list = layout.drawList;
    if (!list) return;
    const Gui* gui = currentGui();
    const bool speed = (flags & kDialSpeed) != 0;
    const bool blink = gui && gui->blink();

    if (const Texture* face = uiTexture(textureslot::kDialFace)) {
        std::size_t variant = (flags & kDialHighlight) ? kFaceHighlight : kFacePlain;
        if (speed && blink) variant = kFaceBlink;
        const ImVec2 half(layout.outerRadius, layout.outerRadius);
        if (void* id = face->id(variant)) list->AddImage(id, layout.centre - half, layout.centre + half);
    }

    int decimals = 0;
    const char* unit = "";
    if (!speed) {
        drawDialPointer(layout.centre.x, layout.centre.y, layout.zeroOffset, layout.innerRadius - kPointerInset);
        decimals = (flags & kDialTwoDecimals) ? 2 : 1;
        unit = kDegree;
    } else if (!blink && value < kStandingSpeed) {
        return;  // a standing rotor shows the face alone
    }

    float top = layout.centre.y - fontSize(kValueFont) / 2;
    if (flags & kDialInTolerance) {
        const char* text = textOrEmpty(kTextInTolerance);
        const ImVec2 size = textSize(kToleranceFont, text);
        addText(list, kToleranceFont, ImVec2(layout.centre.x - size.x / 2, top), kToleranceGreen, text);
        top += fontSize(kToleranceFont);
    }
    drawValue(list, layout.centre.x, top, dialValueLabel(&value, &decimals, &unit));
    if (speed) drawSpeedUnit(list, layout.centre.x, top + fontSize(kValueFont));
}

bool DialTarget(DialLayout& layout, double reference, double* angle) {
    const ImGuiID id = ImGui::GetID("DialTarget");
    const ImVec2 half(layout.outerRadius, layout.outerRadius);
    const ImRect bb(layout.centre - half, layout.centre + half);
    if (!ImGui::ItemAdd(bb, id)) return false;
    UiProbe::report(id, "DialTarget", bb.Min, bb.Max);
    const double before = *angle;
    drawDial(layout, reference, 0);
    drawDialMarker(layout, -1, 1, *angle);
    bool hovered = false, held = false;
    ImGui::ButtonBehavior(bb, id, &hovered, &held);
    if (held) {
        if (const auto touched = dialTouchAngle(layout, reference, ImGui::GetIO().MousePos)) *angle = *touched;
    }
    return *angle != before;
}

std::string dialValueLabel(const double* value, const int* decimals, const char* const* unit) {
    return ks::format("{:.{}f}{}", *value, *decimals, *unit);
}
