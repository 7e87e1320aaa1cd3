// The rotor editing screen: its data, the steps of each frame, the toolbar,
// the correction panel's slide, and the keyboard entry of the name and of
// numbers with their handlers and the grade chooser.

#include "gui/screens/editing.h"

#include <algorithm>
#include <cfloat>
#include <filesystem>
#include <iterator>
#include <string>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <fmt/format.h>
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/keyboard_scroll.h"
#include "gui/screens/rotor_screen_data.h"
#include "gui/widgets.h"
#include "platform/file_replace.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "rotor/rotor_files.h"
#include "texts/format.h"
#include "texts/record_tags.h"
#include "texts/text_ids.h"

using namespace jobrec;

namespace Editing {
namespace {

constexpr TextId kTextHint = 0x18A4003;         // "View/edit rotor parameters"
constexpr TextId kTextHintDetails = 0x18A4004;  // "Achieve the absence of red marks, ..."
constexpr TextId kTextParameters = 0x1CFB017;   // "Parameters"
constexpr TextId kTextHistory = 0x195DC06;      // "History"
constexpr TextId kTextBalance = 0x195DC0D;      // "Balance"
constexpr TextId kTextDetermineIc = 0x195DC19;  // "Determine IC"
constexpr TextId kTextSave = 0x195DC0E;         // "Save"
constexpr TextId kTextEdit = 0x195DC1B;         // "Edit"
constexpr TextId kTextBackGlyph = 0x195DC21;    // "É"
constexpr TextId kTextPlane = 0x1EFD00E;        // "Plane"
constexpr TextId kTextStartEditing = 0x1CFB019;  // "Start editing rotor"
constexpr TextId kTextDeleteRuns = 0x1EFD029;    // "Are you sure you want to delete all measurements?"
constexpr TextId kTextTolerance = 0x1CFB00D;     // "Permissible residual unbalance, D~tol"
constexpr TextId kTextServiceSpeed = 0x1CFB00C;  // "Rotor maximum service speed"

constexpr int kLetterKeys = 7;   // keyboard: capitals of the interface language
constexpr int kNumberKeys = 1;   // keyboard: digits with the decimal point
constexpr float kGradeFieldWidth = 240;
constexpr float kColumnWidth = 248;
constexpr int kWideToolbar = 900;       // wider windows space the toolbar more
constexpr float kToolbarGap = 10;
constexpr float kWideToolbarGap = 20;
constexpr float kToolbarMiddle = 40;     // the toolbar buttons' middle line
constexpr float kTabTop = 15;
constexpr float kTabHeight = 50;
constexpr const char* kEllipsis = "...";
const ImU32 kCaptionGrey = IM_COL32(84, 84, 84, 255);   // grey 0.33
const ImU32 kNameGrey = IM_COL32(140, 140, 140, 255);   // grey 0.55

// The number of plane columns the screen lays out.
int columnCount(Gui& gui, Data& d) {
    Rotor& rotor = *d.rotor;
    int n = d.engagedCount();
    if (n == 2) {
        n = rotor.lastPlane(true) + 1;
        if (rotor.planeScheme() == 1)
            n = 3;
        else if (rotor.runCount() != 0)
            n -= 1;
    } else if (rotor.runCount() != 0 && rotor.planeScheme() == 2) {
        n = 1;
    }
    if (gui._config->machineInterface != settings_choice::kHorizontal) return 2;
    return std::min(n, kMaxPlanes);
}

bool keyboardComing(const Gui& gui) {
    return gui._keyboardState == Gui::kEntering || gui._keyboardState == Gui::kShown;
}

void openKeyboard(Gui& gui, int mode, Gui::Action onEnter, std::size_t limit = 0) {
    gui._keyboardText.clear();
    gui._keyboardLimit = limit;
    gui._keyboardMode = mode;
    gui._transitionTime = gui._frameTime;
    if (gui._barState == Gui::kHidden) gui._barState = Gui::kEntering;
    gui._keyboardState = Gui::kEntering;
    gui._onEnter = std::move(onEnter);
}

// Leading and trailing spaces cut; other blanks stay.
std::string trimSpaces(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// ---- keyboard handlers and the box's answers ------------------------------------------

// Saves the rotor into "db/" under the typed name (none: its own).
void saveUnder(Gui& gui, Data& d, const std::string& name) {
    if (!name.empty()) d.rotor->setName(name.c_str());
    // A name the rotor cannot store (none, or dots only) or a failed write is
    // said, not passed over: the operator would take the rotor for saved.
    d.rotor->loadRotor(nullptr, 0);
    gui.sayWriteError(*d.rotor);  // once the keyboard or the question has gone
}

void nameEntered(Gui& gui, Data& d) {
    const std::string name = trimSpaces(gui._keyboardText);
    const std::string target = rotorfiles::databaseFilePath(name.empty() ? d.rotor->nameText(false) : name);
    if (platform::replacesAnotherFile(target, d.rotor->filePath()))
        d.replaceAsked = name;
    else
        saveUnder(gui, d, name);
    gui.closeKeyboard();
}

// Another rotor's file is replaced only on Yes; No, Back and Escape keep both.
void askReplace(Gui& gui, Data& d) {
    const std::string name = *d.replaceAsked;
    d.replaceAsked.reset();
    const std::string target = rotorfiles::databaseFilePath(name.empty() ? d.rotor->nameText(false) : name);
    gui.messageBox(textOrEmpty(textid::kTextReplaceFile), std::filesystem::path(target).filename().c_str(),
                   textOrEmpty(textid::kTextButtonsYesNo), [&gui, name](int answer) {
                       if (answer == -1) return -1;
                       Data* s = dynamic_cast<Data*>(gui._data);
                       if (answer == 0 && s) saveUnder(gui, *s, name);
                       gui._answer = nullptr;  // the screen reads a set answer as a box still asking
                       return -2;
                   });
}

// Stores a typed number in the field of the edit target, as the decimal text
// the records read (C locale, shortest form).
void storeNumber(Data& d, double value) {
    std::string text;
    fmt::format_to(std::back_inserter(text), FMT_STRING("{}"), value);
    const TextId tag = targetTag(d.editTarget);
    const int plane = d.panelState != kPanelHidden ? d.selectedPlane : targetPlane(d.editTarget);
    if (plane >= 0) {
        const u32 path[] = {kPlanes, static_cast<u32>(plane), tag};
        d.rotor->setParameter(path, 3, text.c_str());
    } else {
        const u32 path[] = {tag};
        d.rotor->setParameter(path, 1, text.c_str());
    }
}

void numberEntered(Gui& gui, Data& d) {
    // Text that is not one finite decimal number ("inf", "1.2.5", "1 000", a
    // paste) counts as 0, never as the number it begins with.
    double value = 0;
    if (!ks::parseTypedNumber(gui._keyboardText, value)) value = 0;
    if (d.selectedGrade >= 0 && d.editTarget == static_cast<int>(kPermissibleUnbalance))
        d.rotor->permissibleUnbalanceFromGrade(value, d.selectedGrade);
    else
        storeNumber(d, value);
    gui.closeKeyboard();
    if (gui._modalState != Gui::kHidden) {
        gui.closeModal();
        gui._answer = nullptr;  // the chooser is done with this entry
    }
}

std::string gradeButtons(const double* grades) {
    std::string labels;
    for (int i = 0; grades && grades[i] != 0; ++i) labels += ks::format("{}G {}", i == 0 ? "" : "|", grades[i]);
    return labels;
}

// The box's answer while the permissible unbalance is entered: the grades as
// buttons; a chosen grade turns the entry into the rotor's service speed.  A
// control rotor's entry is what its proving rotor reaches, no grade's
// tolerance: its box bears the entry's label and no grades.
Gui::Answer gradeChooser(Gui& gui, Data& d) {
    return [&gui, &d](int index) {
        const bool control = d.rotor->isControlRotor();
        if (index < 0) {
            gui._modalText = textOrEmpty(control                 ? kTextMinimumResidual
                                         : d.selectedGrade < 0 ? kTextTolerance
                                                               : kTextServiceSpeed);
            gui._modalDetails.clear();
            gui._modalInputLabel = textOrEmpty(d.selectedGrade < 0 ? textid::kUnitGmm : textid::kUnitRpm);
            gui._modalButtons = control ? std::string() : gradeButtons(d.rotor->gradeTable());
            return d.selectedGrade;
        }
        if (control) return d.selectedGrade;
        if (d.selectedGrade < 0) gui._keyboardText.clear();
        d.selectedGrade = index;
        return index;
    };
}

// ---- toolbar ------------------------------------------------------------------------------

// A grey caption at the toolbar's cursor, on the buttons' middle line; the
// cursor moves past it by `gap`.
void toolbarCaption(const std::string& text, ImU32 colour, float gap) {
    ImFont* font = uiFont(fontslot::kRegular28);
    const ImVec2 at(ImGui::GetCursorPosX(), kToolbarMiddle - font->FontSize / 2);
    drawSlotText(fontslot::kRegular28, text.c_str(), ImGui::GetWindowPos() + at, colour);
    ImGui::SetCursorPosX(at.x + font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, text.c_str()).x + gap);
}

// The rotor's name at the cursor; a name too long for the room left before
// `end` loses its last characters to "...".
void nameCaption(std::string name, float end) {
    ImFont* font = uiFont(fontslot::kRegular28);
    const auto width = [font](const std::string& text) {
        return font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, text.c_str()).x;
    };
    const float room = end - ImGui::GetCursorPosX();
    if (width(name) > room) {
        if (room <= width(kEllipsis)) return;
        fitText(name, font, font->FontSize, room - width(kEllipsis));
        name += kEllipsis;
    }
    toolbarCaption(name, kNameGrey, 0);
}

void panelToolbar(Gui& gui, Data& d, float gap) {
    gui._onBack = [&gui, &d] {
        if (gui._keyboardState != Gui::kHidden) return;
        d.panelState = kPanelLeaving;
        gui._onBack = nullptr;
    };
    if (toolbarButton(ks::format("{}##panel", textOrEmpty(kTextBackGlyph)).c_str())) {
        const Gui::Action back = gui._onBack;
        back();
    }
    ImGui::SameLine(0, gap);
    toolbarCaption(ks::format("{} P{}", textOrEmpty(kTextPlane), d.selectedPlane + 1), kCaptionGrey, gap);
}

void rotorToolbar(Gui& gui, Data& d, float gap) {
    gui._onBack = nullptr;
    Rotor& rotor = *d.rotor;
    const bool keyboard = keyboardComing(gui);

    const bool determine = !rotor.hasFactors() && !rotor.usesInternalFactors();
    const TextId main = determine ? kTextDetermineIc : rotor.isHistoryActive() ? kTextHistory : kTextBalance;
    const bool mainLocked = d.engagedCount() == 0 || !d.valid || keyboard;
    const std::string mainLabel = ks::format("{}##main", textOrEmpty(main));
    if (toolbarButton(mainLabel.c_str(), mainLocked ? kToolbarGreyLabel : 0) && !mainLocked) {
        if (determine) {
            gui._icFromBalancing = false;
            gui.setScreen(true, &Gui::influenceCoefficients);
        } else {
            gui.setScreen(true, &Gui::balancing);
        }
    }

    ImGui::SameLine(0, gap);
    const bool runs = rotor.runCount() != 0;
    const std::string storeLabel = ks::format("{}##store", textOrEmpty(runs ? kTextEdit : kTextSave));
    if (toolbarButton(storeLabel.c_str(), keyboard ? kToolbarGreyLabel : 0) && !keyboard) {
        if (!runs) {
            d.editTarget = kNameEntry;
        } else {
            Rotor* target = d.rotor;
            gui.messageBox(textOrEmpty(kTextStartEditing), textOrEmpty(kTextDeleteRuns),
                           textOrEmpty(textid::kTextButtonsYesNo), [target](int answer) {
                               if (answer == 0) target->clearRuns(true);
                               return answer >= 0 ? -2 : answer;
                           });
        }
    }
    ImGui::SameLine(0, gap);
}

void drawToolbar(Gui& gui, Data& d) {
    ImGui::PushFont(uiFont(fontslot::kRegular24));
    if (keyboardComing(gui) && d.editTarget == kNameEntry) {
        const bool typed = !gui._keyboardText.empty();
        tabButton(nullptr, typed ? gui._keyboardText.c_str() : d.rotor->nameText(false), typed ? 0 : kTabPlaceholder,
                  gui._margin, kTabTop, gui._screenWidth - 2 * gui._margin, kTabHeight);
        ImGui::PopFont();
        return;
    }
    const float gap = gui._screenWidth > kWideToolbar ? kWideToolbarGap : kToolbarGap;
    toolbarCaption(textOrEmpty(kTextParameters), kCaptionGrey, gap);
    if (d.panelOpen())
        panelToolbar(gui, d, gap);
    else
        rotorToolbar(gui, d, gap);
    nameCaption(d.rotor->nameText(false), gui._screenWidth - gui._margin);
    ImGui::PopFont();
}

// ---- the content ----------------------------------------------------------------------

// `background`: the flags of the content's background (Gui::screenBackground).
void beginContent(Gui& gui, Data& d, int background) {
    const bool entering = d.editTarget != kNoEntry || d.panelState != kPanelHidden;
    ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                             ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings |
                             ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_HorizontalScrollbar;
    if (entering) flags |= ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse;
    const float shift = d.panelState != kPanelHidden ? d.panelOffset * d.panelOverlap : 0.0f;
    const float height = gui._screenHeight - 2 * Gui::kBarHeight;
    ImGui::SetNextWindowPos(ImVec2(-shift, Gui::kBarHeight));
    ImGui::SetNextWindowSize(ImVec2(gui._screenWidth, height));
    // The content is laid out from the window's corner, while ImGui adds its
    // padding on both sides of the size given here.
    const float padding = 2 * ImGui::GetStyle().WindowPadding.x;
    const bool follow = !gui._answer && d.panelState == kPanelHidden;
    const float content =
        followKeyboard(gui, kContentWindow, height, d.contentHeight, d.scroll, follow, d.scrollBefore);
    ImGui::SetNextWindowContentSize(ImVec2(std::max(driveRowWidth(d), d.contentWidth) - padding, content));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::Begin(kContentWindow, nullptr,
                 flags | background);
    ImGui::PopStyleVar();
}

void drawContent(Gui& gui, Data& d, int columns) {
    ImGui::PushFont(uiFont(fontslot::kRegular24));
    d.valid = true;
    collectPlaneMarks(d);
    if (d.engagedCount() == 0) {
        d.valid = false;
    } else {
        drawRotorPicture(gui, d);
        machineScheme(gui, d);
        if (gui._config->machineInterface == settings_choice::kHorizontal) channelDragLists(gui, d);
        parameterTable(d, columns, kColumnWidth);
        planeList(gui, d, columns);
        if (d.rotor->planeScheme() == 1) controlRotorCheck(gui, d);
    }
    driveRow(gui, d);

    const bool keyboard = gui._keyboardState != Gui::kHidden;
    if (keyboard && !gui._answer) keyboardShadow(gui, d);
    if ((d.editTarget != kNoEntry || d.panelState != kPanelHidden) && !keyboard && !gui._answer &&
        contentShadow(gui, d) && gui._onBack) {
        const Gui::Action back = gui._onBack;
        back();
    }
    ImGui::PopFont();
}

// The panel slides 79 px a frame; while it is on screen it stands at the
// right edge under the top bar.
void correctionPanel(Gui& gui, Data& d) {
    if (d.panelState == kPanelEntering) {
        d.panelOffset = std::min(d.panelOffset + kPanelStep, kPanelWidth);
        if (d.panelOffset >= kPanelWidth) d.panelState = kPanelShown;
    } else if (d.panelState == kPanelLeaving) {
        d.panelOffset -= kPanelStep;
        if (d.panelOffset < 0) d.panelState = kPanelHidden;
    }
    if (d.panelState == kPanelHidden) return;
    const float width = std::min(d.panelOffset, gui._screenWidth);
    ImGui::SetNextWindowPos(ImVec2(gui._screenWidth - width, Gui::kBarHeight));
    ImGui::SetNextWindowSize(ImVec2(width, gui._screenHeight - 2 * Gui::kBarHeight));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    // The panel paints its whole window itself.
    ImGui::Begin(kPanelWindow, nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_NoScrollWithMouse |
                     ImGuiWindowFlags_NoBackground);
    ImGui::PopStyleVar(2);
    gui.coverWithWindow();
    correctionPlanePanel(d.selectedPlane, &d.editTarget, &d.scroll);
    ImGui::End();
}

// Opens the keyboard for the edit target, and forgets the target once the
// keyboard closes.
void keyboardEntry(Gui& gui, Data& d) {
    if (d.replaceAsked && gui._keyboardState == Gui::kHidden) askReplace(gui, d);
    if (d.editTarget == kNoEntry) return;
    if (gui._keyboardState == Gui::kLeaving) {
        // The grade chooser goes with the entry it belongs to.
        if (d.editTarget == static_cast<int>(kPermissibleUnbalance) && gui._modalState != Gui::kHidden &&
            gui._modalState != Gui::kLeaving) {
            gui.closeModal();
            gui._answer = nullptr;
        }
        d.editTarget = kNoEntry;
        return;
    }
    if (gui._keyboardState != Gui::kHidden) return;
    if (d.editTarget == kNameEntry) {
        openKeyboard(gui, kLetterKeys, [&gui, &d] { nameEntered(gui, d); }, rotorfiles::kMaxRotorNameBytes);
        return;
    }
    openKeyboard(gui, kNumberKeys, [&gui, &d] { numberEntered(gui, d); });
    if (d.editTarget == static_cast<int>(kPermissibleUnbalance)) {
        // The box covers the screen: the typed value is shown in its field.
        gui._modalInputWidth = kGradeFieldWidth;
        gui._modalState = Gui::kEntering;
    }
}

}  // namespace

Data::Data(Gui& gui) : rotor(gui._rotor), config(gui._config) {
    view.rotor = rotor;
    planeStates.fill(-1.0f);
    controlRotorState = rotor->isControlRotor() ? 1.0f : -1.0f;
    std::vector<u32> channels;
    rotor->usedChannels(&channels);
    for (u32 c : channels)
        if (c >= 1 && c <= static_cast<u32>(kMaxPlanes)) engagedChannels.set(c - 1);
}

void Data::openPanel(Gui& gui, int plane, float columnRight) {
    if (gui._modalState != Gui::kShown) gui._modalState = Gui::kHidden;
    selectedPlane = plane;
    panelOffset = 0;
    panelState = kPanelEntering;
    const float width = gui._screenWidth;
    if (width <= kPanelWidth)
        panelOverlap = 1;
    else if (width - columnRight >= kPanelWidth)
        panelOverlap = 0;
    else
        panelOverlap = (kPanelWidth - width + columnRight - 20) / kPanelWidth;
}

Gui::Action toolbar(Gui& gui, Data& data) {
    return [&gui, &data] { drawToolbar(gui, data); };
}

}  // namespace Editing

void Gui::editing() {
    using namespace Editing;
    Data& d = rotorScreenData(*this, &Data::rotor);
    _hint = textOrEmpty(kTextHint);
    _hintDetails = textOrEmpty(kTextHintDetails);

    const int columns = columnCount(*this, d);
    scaleRotorPicture(*this, d, columns);
    if (d.editTarget != kNoEntry)
        _answer = d.editTarget == static_cast<int>(kPermissibleUnbalance) ? gradeChooser(*this, d) : Answer{};
    // Before the frame, which lets the clear colour show for its background.
    const int background = screenBackground(ImGui::GetColorU32(ImGuiCol_WindowBg), false);
    drawFrame(false, toolbar(*this, d));
    beginContent(*this, d, background);
    drawContent(*this, d, columns);
    ImGui::End();
    correctionPanel(*this, d);
    orderWindows();
    keyboardEntry(*this, d);
}
