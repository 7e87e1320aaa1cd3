// The value rows of the editing screen: the plane parameter table, the
// entries of the rotor's own values, and the drive and influence-coefficient
// row with its selectors.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/screens/editing.h"
#include "gui/utf8.h"
#include "gui/widgets.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "texts/record_tags.h"
#include "texts/text_ids.h"

using namespace jobrec;

namespace Editing {
namespace {

constexpr TextId kTextOther = 0x195DC09;            // "[ Other ]"
constexpr TextId kTextPlaneDisengaged = 0x1CFB00B;  // "Plane disengaged"
constexpr TextId kTextDrive = 0x1CFB00E;            // "Drive"
constexpr TextId kTextBelt = 0x1CFB00F;             // "Belt"
constexpr TextId kTextEnd = 0x1CFB010;              // "End"
constexpr TextId kTextIcCaption = 0x1CFB011;        // "Influence Coefficients:"
constexpr TextId kTextDetermined = 0x1CFB012;       // "Determined"
constexpr TextId kTextPermanent = 0x1CFB013;        // "Permanent"
constexpr TextId kTextClockwise = 0x195DC1D;        // "Å"
constexpr TextId kTextAnticlockwise = 0x195DC1C;    // "Æ"

constexpr double kSameDensity = 0.00001;
constexpr float kValueColumn = 60;   // the value's offset in a parameter row
constexpr float kRowStep = 30;
constexpr float kMarkFrom = 58;      // the red mark under the value's start
constexpr float kMarkTo = 68;
constexpr float kMarkDrop = 22;
constexpr float kMarkThickness = 2;
constexpr float kTableLeft = 20;
const ImU32 kRed = IM_COL32(255, 0, 0, 255);

// The drive row: entries 50 px high, the steps between its elements.
constexpr float kRowTop = 45;       // below the picture band's top
constexpr float kRowMargin = 10;    // at the left in a narrow window
constexpr float kEntryHeight = 50;
constexpr float kSpeedWidth = 120;
constexpr float kValueWidth = 110;
constexpr float kToleranceWidth = 130;
constexpr float kToleranceStep = 140;
constexpr float kToggleWidth = 50;
constexpr float kDriveWidth = 110;
constexpr float kIcWidth = 150;
constexpr float kEndDriveRow = 759;
constexpr float kBeltDriveRow = 989;
constexpr float kSupportsRoom = 290;  // the supports on a Horizontal machine
// A label whose first blank stands further in is split: the words before it
// form a caption line above the entry's own.
constexpr std::size_t kLongLabel = 10;
constexpr float kCaptionLine = 18;
constexpr float kCaptionInset = 2;  // of a caption from its field's left edge
constexpr float kCaptionGap = 12;

// The screen position of the current window's local point (0, 0).
ImVec2 windowOrigin() { return ImGui::GetWindowPos() - ImVec2(ImGui::GetScrollX(), ImGui::GetScrollY()); }

// The character index of the first blank at or after character `from`;
// npos when none.
std::size_t blankAfter(std::string_view text, std::size_t from, std::size_t& byte) {
    std::size_t index = 0;
    for (byte = 0; byte < text.size(); ++byte) {
        const auto c = static_cast<unsigned char>(text[byte]);
        if ((c & 0xC0) == 0x80) continue;  // inside a character
        if (c == ' ' && index >= from) return index;
        ++index;
    }
    return std::string_view::npos;
}

// The byte of the blank that parts `text` into its two narrowest lines;
// npos when it has no blank.
std::size_t balancedBlank(std::string_view text) {
    std::size_t best = std::string_view::npos;
    float narrowest = FLT_MAX;
    for (std::size_t at = text.find(' '); at != std::string_view::npos; at = text.find(' ', at + 1)) {
        const float wider = std::max(captionWidth(text.substr(0, at)), captionWidth(text.substr(at + 1)));
        if (wider < narrowest) narrowest = wider, best = at;
    }
    return best;
}

}  // namespace

// ---- reading and labels ---------------------------------------------------------------

// In drawFontText's font.
float captionWidth(std::string_view text) {
    ImFont* font = uiFont(fontslot::kRegular17);
    return font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, text.data(), text.data() + text.size()).x;
}

FieldValue readField(Rotor& rotor, std::initializer_list<u32> path) {
    FieldValue f;
    // A number is read when the value is written: a flag leaves it alone.
    double value = std::numeric_limits<double>::quiet_NaN();
    f.result = rotor.readParameter(path.begin(), static_cast<int>(path.size()), &f.text, &value);
    f.numeric = !std::isnan(value);
    if (f.numeric) f.value = value;
    return f;
}

std::string fieldLabel(TextId tag) {
    const char* text = textOf(tag);
    if (!text) return "???";
    const std::string_view label(text);
    const std::size_t comma = label.find(", ");
    return std::string(comma == std::string_view::npos ? label : label.substr(comma + 2));
}

std::string valueWithUnit(const std::string& value, const char* unit) {
    if (!unit || !*unit) return value;
    const std::string_view u(unit);
    const std::size_t bar = u.find('|');
    if (bar == std::string_view::npos) return value + " " + unit;
    return std::string(u.substr(0, bar)) + value + " " + std::string(u.substr(bar + 1));
}

const Material* materialOf(const Config& config, double density) {
    for (const Material& m : config.materials)
        if (std::fabs(m.density - density) < kSameDensity) return &m;
    return nullptr;
}

// ---- the parameter table ----------------------------------------------------------------

void parameterRow(ImVec2& pos, const char* label, const std::string& value, bool ok) {
    ImDrawList* list = ImGui::GetWindowDrawList();
    const ImVec2 at = windowOrigin() + pos;
    ImFont* marked = uiFont(fontslot::kRegular14);
    ImVec2 size;
    drawLabel(size, list, at.x, at.y, marked, label);
    if (!value.empty()) drawLabel(size, list, at.x + kValueColumn, at.y, marked, value.c_str());
    if (!ok)
        list->AddLine(at + ImVec2(kMarkFrom, kMarkDrop), at + ImVec2(kMarkTo, kMarkDrop), kRed, kMarkThickness);
    pos.y += kRowStep;
}

void planeParameterRows(Data& d, int plane, ImVec2& pos) {
    Rotor& rotor = *d.rotor;
    rotor.visibleParameters(&d.visibleTags, plane + 1, 0);
    // The planes after the first of a control rotor are the test planes: their
    // values are not the operator's to correct.
    const bool checked = !(rotor.isControlRotor() && plane > 0);
    for (const u32 tag : d.visibleTags) {
        const FieldValue f = readField(rotor, {kPlanes, static_cast<u32>(plane), tag});
        if (f.choice()) {
            parameterRow(pos, textOrEmpty(static_cast<TextId>(f.result)), std::string(), true);
        } else if (tag == kDensity) {
            const Material* m = materialOf(*d.config, f.value);
            const std::string row = std::string(m ? m->name : textOrEmpty(kTextOther)) + " - " +
                                    valueWithUnit(f.text, unitTextOf(tag));
            parameterRow(pos, row.c_str(), std::string(), true);
        } else {
            const bool ok = !(checked && f.outOfLimits());
            if (!ok) d.valid = false;
            parameterRow(pos, fieldLabel(tag).c_str(), valueWithUnit(f.text, unitTextOf(tag)), ok);
        }
    }
}

void parameterTable(Data& d, int columns, float columnWidth) {
    ImGui::PushFont(uiFont(fontslot::kRegular20));
    d.tableHeight = 0;
    for (int i = 0; i < columns && i < kMaxPlanes; ++i) {
        ImVec2 pos(d.view.left + kTableLeft + static_cast<float>(i) * columnWidth, d.tableTop);
        if (d.planeStates[static_cast<std::size_t>(i)] > 0)
            planeParameterRows(d, i, pos);
        else
            parameterRow(pos, textOrEmpty(kTextPlaneDisengaged), std::string(), true);
        d.tableHeight = std::max(d.tableHeight, pos.y - d.tableTop);
    }
    ImGui::PopFont();
}

// ---- the drive row ----------------------------------------------------------------------

float rotorValueEntry(Data& d, TextId tag, bool grade, ImVec2 pos, float width, float room) {
    Rotor& rotor = *d.rotor;
    const FieldValue f = readField(rotor, {tag});
    std::string label = textOrEmpty(tag);
    bool red = f.outOfLimits();
    std::size_t splitFrom = 0;
    if (grade && rotor.isControlRotor()) {
        // What the proving rotor reaches is not a tolerance the operator sets.
        label = textOrEmpty(kTextMinimumResidual);
        red = false;
        splitFrom = kLongLabel;
    }
    std::size_t byte = 0;
    const std::size_t blank = blankAfter(label, splitFrom, byte);
    // A label wider than its room in the row also takes two lines, so that
    // the row keeps its steps in the longer language.
    if (blank == std::string_view::npos || blank <= kLongLabel)
        byte = captionWidth(label) > room - kCaptionGap ? balancedBlank(label) : std::string::npos;
    std::string caption;
    if (byte != std::string::npos) {
        caption = label.substr(0, byte);
        label.erase(0, byte + 1);
    }
    if (red) d.valid = false;

    // The grade chooser's box shows the typed value itself.
    const Gui* gui = currentGui();
    const bool chooser = grade && gui && gui->_modalState != Gui::kHidden;
    const bool editing = d.editTarget == static_cast<int>(tag) && !chooser;
    const char* unit = unitTextOf(tag);
    const int state = editing ? kEntryEditing : red ? kEntryInvalid : kEntryNormal;
    if (!caption.empty()) {
        const ImVec2 at = windowOrigin() + pos;
        drawFontText(ImGui::GetWindowDrawList(), caption.c_str(), at.x, at.y - kCaptionLine);
    }
    if (numericEntry(state, unit, label.c_str(), nullptr, 0, pos.x, pos.y, width, kEntryHeight, f.value)) {
        d.editTarget = static_cast<int>(tag);
        if (grade) d.selectedGrade = -1;
        d.scroll = 0;
    }
    const float words = std::max(captionWidth(caption), utf8Length(label) > 1 ? captionWidth(label) : 0);
    return pos.x + kCaptionInset + words;
}

float driveRowWidth(const Data& d) {
    float base = d.rotor->isBeltDrive() ? kBeltDriveRow : kEndDriveRow;
    if (d.config->machineInterface == settings_choice::kHorizontal) base += kSupportsRoom;
    return std::max(base, d.driveRowDrawn);
}

void driveRow(Gui& gui, Data& d) {
    Rotor& rotor = *d.rotor;
    const Config& config = *d.config;
    const bool runs = rotor.runCount() != 0;
    const float base = driveRowWidth(d);
    const float start = gui._screenWidth > base + 2 * kRowMargin ? (gui._screenWidth - base) / 2 : kRowMargin;
    ImVec2 pos(start, d.bandTop + kRowTop);

    // After an entry the row moves on by its step, or further when the
    // entry's caption would otherwise run into the next element's.
    const auto entry = [&](float step, TextId tag, bool grade, float width) {
        const float end = rotorValueEntry(d, tag, grade, pos, width, step);
        pos.x = std::max(pos.x + step, end + kCaptionGap);
    };
    entry(129, kRotation, false, kSpeedWidth);
    const bool direction = rotor.rotationDirection();
    const std::string glyph =
        std::string(textOrEmpty(direction ? kTextAnticlockwise : kTextClockwise)) + "##direction";
    if (optionButton(glyph.c_str(), pos.x, pos.y, kToggleWidth, kEntryHeight, nullptr, runs)) {
        const u32 path[] = {kDirection, direction ? 0u : 1u};
        rotor.setParameter(path, 2, nullptr);
    }
    pos.x += 70;
    entry(120, kRotorMass, false, kValueWidth);

    const bool belt = rotor.isBeltDrive();
    const bool ownActive = belt ? config.beltDrive.active : config.endDrive.active;
    const bool otherActive = belt ? config.endDrive.active : config.beltDrive.active;
    if (!ownActive) d.valid = false;
    const std::string drive = std::string(textOrEmpty(belt ? kTextBelt : kTextEnd)) + "##drive";
    if (optionButton(drive.c_str(), pos.x, pos.y, kDriveWidth, kEntryHeight, textOrEmpty(kTextDrive),
                     runs || !otherActive, !ownActive)) {
        const u32 path[] = {kDrive, belt ? kDriveEnd : kDriveBelt};
        rotor.setParameter(path, 2, nullptr);
    }
    pos.x += 110;
    if (belt) {
        pos.x += 5;
        entry(115, kDrivePulley, false, kValueWidth);
        entry(110, kRotorSurface, false, kValueWidth);
    }
    pos.x += 20;
    if (config.machineInterface == settings_choice::kHorizontal) {
        // A long tolerance caption runs on over the supports' wide block,
        // whose own caption gives way inside it.
        const float end = rotorValueEntry(d, kPermissibleUnbalance, true, pos, kToleranceWidth, kToleranceStep);
        pos.x += kToleranceStep;
        supports(gui, d, pos, end + kCaptionGap);
    } else {
        entry(kToleranceStep, kPermissibleUnbalance, true, kToleranceWidth);
    }

    // Coefficients built into the machine are not for a rotor of its own.
    const bool permanent = rotor.usesInternalFactors();
    if (permanent) d.valid = false;
    const std::string ic = std::string(textOrEmpty(permanent ? kTextPermanent : kTextDetermined)) + "##ic";
    if (optionButton(ic.c_str(), pos.x, pos.y, kIcWidth, kEntryHeight, textOrEmpty(kTextIcCaption), runs,
                     permanent)) {
        const u32 path[] = {kInternalFactors, permanent ? 0u : 1u};
        rotor.setParameter(path, 2, nullptr);
    }
    const float end = std::max(pos.x + kIcWidth, pos.x + kCaptionInset + captionWidth(textOrEmpty(kTextIcCaption)));
    d.driveRowDrawn = end - start + 2 * kRowMargin;
}

}  // namespace Editing
