// The history and database browser: the screen body, its header in the top
// bar, the rows with their action icons, the add button, and what the
// actions do (open, delete, copy, protocol).

#include "gui/screens/rotor_list.h"

#include <algorithm>
#include <cfloat>
#include <filesystem>
#include <system_error>
#include <string_view>
#include <utility>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/protocol_flow.h"
#include "gui/scroll_drag.h"
#include "gui/texture.h"
#include "gui/ui_probe.h"
#include "gui/visible_rows.h"
#include "records/settings_records.h"
#include "rotor/rotor.h"
#include "rotor/rotor_files.h"
#include "texts/text_ids.h"

namespace HistoryData {
namespace {

constexpr TextId kTextHistory = 0x195DC06;
constexpr TextId kTextDatabase = 0x195DC07;
constexpr TextId kTextName = 0x1CFB006;
constexpr TextId kTextPlanes = 0x1CFB007;
constexpr TextId kTextChangeDate = 0x1CFB008;
constexpr TextId kTextDeleteRotor = 0x1CFB01A;
constexpr TextId kTextDeleteHistory = 0x1CFB01B;
constexpr TextId kTextActiveHistory = 0x1CFB01C;

constexpr int kLetterKeys = 7;  // keyboard: capitals of the interface language
constexpr float kRowHeight = 54;
constexpr float kIconPitch = 50;
constexpr float kIconSize = 36;
constexpr float kIconsRight = 12;  // the rightmost icon's right edge from the row's
constexpr float kNameGap = 12;     // a name cut short ends this far before the next column
constexpr float kAddButtonSize = 144;
constexpr float kAddButtonTop = 120;
constexpr float kSelectorMargin = 40;
constexpr float kTabTop = 15;
constexpr float kTabHeight = 50;
constexpr float kCaptionLine = 40;  // the middle line of the bar's texts
constexpr float kKeyboardRoom = 280;
constexpr float kWideList = 600;
constexpr float kWidestList = 850;
constexpr const char* kEllipsis = "...";

constexpr int kTitleFont = fontslot::kRegular28;
constexpr int kCaptionFont = fontslot::kRegular20;
constexpr int kRowFont = fontslot::kRegular24;
constexpr int kToolbarFont = fontslot::kRegular24;

const ImU32 kBlack = 0xFF000000;
const ImU32 kWhite = 0xFFFFFFFF;
const ImU32 kTitleGrey = IM_COL32(84, 84, 84, 255);       // grey 0.33
const ImU32 kCaptionGrey = IM_COL32(153, 153, 153, 255);  // grey 0.6
const ImU32 kValueGrey = IM_COL32(128, 128, 128, 255);
const ImU32 kPressed = IM_COL32(134, 134, 149, 255);  // grey-blue (0.525, 0.525, 0.584)
const ImU32 kRowLine = 0xFFEEEEEE;

// Texture slots (key - 0x179E404) of the row icons and the add button.
constexpr int kIconCopy = 1;
constexpr int kIconSave = 2;
constexpr int kIconPrint = 18;
constexpr int kIconDelete = 19;
constexpr int kImageAddRotor = 58;

bool keyboardUp(const Gui& gui) {
    return gui._keyboardState == Gui::kEntering || gui._keyboardState == Gui::kShown;
}

void openKeyboard(Gui& gui, int target, const std::string& text, Gui::Action onEnter, std::size_t limit = 0) {
    gui._keyboardText = text;
    gui._keyboardLimit = limit;
    gui._keyboardMode = kLetterKeys;
    gui._transitionTime = gui._frameTime;
    if (gui._barState == Gui::kHidden) gui._barState = Gui::kEntering;
    gui._keyboardState = Gui::kEntering;
    gui._editId = target;
    gui._onEnter = std::move(onEnter);
}

// The name filter in force: the keyboard's text while it is typed (or the
// screen is being left with it up), else the stored filter.
std::string_view nameFilter(const Gui& gui, const Data& d) {
    if ((keyboardUp(gui) && gui._editId == kFilterTarget) || d.keyboardFlag) return gui._keyboardText;
    return gui._config->local.text2;
}

bool isActiveHistory(const Gui& gui, const Data& d, const RotorListEntry& e) {
    if (!d.history) return false;
    return e.isActiveHistory || (gui._rotor && e.fileName == gui._rotor->nameText(true));
}

float textWidth(ImFont* font, std::string_view text) {
    return font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, text.data(), text.data() + text.size()).x;
}

// `text` cut by whole characters, with "...", to at most `width` pixels.
std::string fitted(std::string text, ImFont* font, float width) {
    if (textWidth(font, text) <= width) return text;
    fitText(text, font, font->FontSize, std::max(0.0f, width - textWidth(font, kEllipsis)));
    return text + kEllipsis;
}

// One action icon of a row; true when tapped.
bool rowIcon(ImGuiWindow* w, const char* label, int slot, const RotorListEntry& e, ImVec2 at) {
    const ImGuiID id = w->GetID(label);
    const ImRect bb(at, at + ImVec2(kIconPitch, kRowHeight));
    if (!ImGui::ItemAdd(bb, id)) return false;
    bool hovered = false, held = false;
    const bool pressed = ImGui::ButtonBehavior(bb, id, &hovered, &held);
    if (held) w->DrawList->AddRectFilled(bb.Min, bb.Max, kPressed);
    if (const Texture* icon = uiTexture(slot))
        drawImage(w->DrawList, *icon, bb.Min.x + (kIconPitch - kIconSize) / 2,
                  bb.Min.y + (kRowHeight - kIconSize) / 2);
    UiProbe::report(id, label, bb.Min, bb.Max, e.fileName.c_str());
    return pressed;
}

}  // namespace

ListColumns listColumns(float width) {
    if (width > kWidestList) return {20, width - 500, width - 400};
    if (width > kWideList) return {20, width - 300, -1};
    return {10, -1, -1};
}

int rotorListRow(const RotorListEntry& e, bool history, float width) {
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    if (w->SkipItems) return kRowNone;
    const ImVec2 origin = w->DC.CursorPos;
    ImGui::PushID(e.fileName.c_str());
    int answer = kRowNone;

    // The icons from the right: delete, then save or copy, then print.
    struct Icon {
        const char* label;
        int slot;
        RowAnswer answer;
    };
    const Icon historyIcons[] = {{"delete", kIconDelete, kRowDelete},
                                 {"save", kIconSave, kRowSecond},
                                 {"print", kIconPrint, kRowThird}};
    const Icon databaseIcons[] = {{"delete", kIconDelete, kRowDelete}, {"copy", kIconCopy, kRowSecond}};
    const Icon* icons = history ? historyIcons : databaseIcons;
    const int iconCount = history ? 3 : 2;
    const float iconsLeft = width - kIconsRight - static_cast<float>(iconCount) * kIconPitch;
    for (int i = 0; i < iconCount; ++i) {
        const ImVec2 at(origin.x + iconsLeft + static_cast<float>(iconCount - 1 - i) * kIconPitch, origin.y);
        if (rowIcon(w, icons[i].label, icons[i].slot, e, at)) answer = icons[i].answer;
    }

    // The row itself, left of the icons.
    const ImGuiID id = w->GetID("row");
    const ImRect bb(origin, origin + ImVec2(std::max(iconsLeft, 0.0f), kRowHeight));
    ImGui::ItemSize(ImVec2(width, kRowHeight), 0.0f);
    if (ImGui::ItemAdd(bb, id)) {
        bool hovered = false, held = false;
        if (ImGui::ButtonBehavior(bb, id, &hovered, &held)) answer = kRowOpen;
        ImDrawList* list = w->DrawList;
        if (held) list->AddRectFilled(bb.Min, bb.Max, kPressed);
        const ListColumns col = listColumns(width);
        ImFont* font = uiFont(kRowFont);
        const float y = origin.y + (kRowHeight - font->FontSize) / 2;
        const float nameEnd = (col.planes >= 0 ? col.planes : iconsLeft) - kNameGap;
        const std::string name = fitted(e.name, font, nameEnd - col.name);
        drawSlotText(kRowFont, name.c_str(), ImVec2(origin.x + col.name, y), held ? kWhite : kBlack);
        if (col.planes >= 0)
            drawSlotText(kRowFont, e.planesText.c_str(), ImVec2(origin.x + col.planes, y),
                         held ? kWhite : kValueGrey);
        if (col.date >= 0) {
            const std::string date = fitted(e.dateText, font, iconsLeft - kNameGap - col.date);
            drawSlotText(kRowFont, date.c_str(), ImVec2(origin.x + col.date, y), held ? kWhite : kValueGrey);
        }
        UiProbe::report(id, e.name.c_str(), bb.Min, bb.Max, e.fileName.c_str());
    }
    w->DrawList->AddLine(ImVec2(origin.x, origin.y + kRowHeight - 0.5f),
                         ImVec2(origin.x + width, origin.y + kRowHeight - 0.5f), kRowLine);
    ImGui::PopID();
    return answer;
}

void rotorListHeader(Gui& gui, Data& d, float listLeft, float listWidth) {
    ImGui::PushFont(uiFont(kToolbarFont));
    if (keyboardUp(gui) && (gui._editId == kFilterTarget || gui._editId == kCopyTarget)) {
        tabButton(nullptr, gui._keyboardText.c_str(), 0, gui._margin, kTabTop,
                  gui._screenWidth - 2 * gui._margin, kTabHeight);
        ImGui::PopFont();
        return;
    }
    const ImVec2 origin = ImGui::GetWindowPos();
    ImFont* titleFont = uiFont(kTitleFont);
    const char* title = textOrEmpty(d.history ? kTextHistory : kTextDatabase);
    drawSlotText(kTitleFont, title, origin + ImVec2(gui._margin, kCaptionLine - titleFont->FontSize / 2),
                 kTitleGrey);

    // The column captions stand over their columns, below the title's line.
    ImFont* captionFont = uiFont(kCaptionFont);
    const float captionY = Gui::kBarHeight - captionFont->FontSize - 4;
    const ListColumns col = listColumns(listWidth);
    const std::pair<float, TextId> captions[] = {
        {col.name, kTextName}, {col.planes, kTextPlanes}, {col.date, kTextChangeDate}};
    for (const auto& [x, text] : captions)
        if (x >= 0)
            drawSlotText(kCaptionFont, textOrEmpty(text), origin + ImVec2(listLeft + x, captionY),
                         kCaptionGrey);

    if (toolbarButton("filter", kToolbarFilter | kToolbarFromRight) && !keyboardUp(gui)) {
        openKeyboard(gui, kFilterTarget, gui._config->local.text2, [&gui] {
            gui._config->local.text2 = gui._keyboardText;
            gui.closeKeyboard();
        });
    }
    ImGui::PopFont();
}

bool addButton(Gui& gui) {
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    if (w->SkipItems) return false;
    const ImGuiID id = w->GetID("add");
    const ImVec2 at = w->Pos + ImVec2(gui._margin, kAddButtonTop);
    const ImRect bb(at, at + ImVec2(kAddButtonSize, kAddButtonSize));
    if (!ImGui::ItemAdd(bb, id)) return false;
    bool hovered = false, held = false;
    const bool pressed = ImGui::ButtonBehavior(bb, id, &hovered, &held);
    if (const Texture* image = uiTexture(kImageAddRotor)) drawImage(w->DrawList, *image, at.x, at.y);
    if (held) w->DrawList->AddRectFilled(bb.Min, bb.Max, 0x30000000);
    UiProbe::report(id, "add", bb.Min, bb.Max);
    return pressed;
}

namespace {

// ---- what the actions do ------------------------------------------------------------

// The rotor of a file of the folder (Rotor::loadRotor's mode), loaded
// afresh; null when the file does not load (damaged, removed meanwhile).
Rotor* loadFileRotor(Gui& gui, const std::string& fileName, int mode) {
    Rotor* fresh = new Rotor(gui._config);
    if (fresh->loadRotor(fileName.c_str(), mode)) return fresh;
    delete fresh;
    return nullptr;
}

// The entry's rotor, loaded afresh; null, and "Opening file error!" with the
// file's name said, when the file does not load.
Rotor* loadEntryRotor(Gui& gui, const Data& d, const RotorListEntry& e) {
    if (Rotor* fresh = loadFileRotor(gui, e.fileName, d.history ? 2 : 1)) return fresh;
    gui.messageBox(textOrEmpty(textid::kTextOpeningFileError), e.fileName.c_str());
    return nullptr;
}

// Opens the entry's rotor as the active rotor; false when it cannot be loaded.
bool openEntry(Gui& gui, Data& d, const RotorListEntry& e) {
    if (isActiveHistory(gui, d, e)) return true;
    Rotor* fresh = loadEntryRotor(gui, d, e);
    if (!fresh) return false;
    gui.replaceRotor(fresh);
    // The opened history file is the one the active rotor writes now.
    const std::string active = fresh->nameText(true);
    for (RotorListEntry& other : d.entries) other.isActiveHistory = d.history && other.fileName == active;
    return true;
}

void askDelete(Gui& gui, Data& d, RotorListEntry& e) {
    if (isActiveHistory(gui, d, e)) {
        gui.messageBox(textOrEmpty(kTextActiveHistory));
        return;
    }
    for (RotorListEntry& other : d.entries) other.markedForDeletion = false;
    e.markedForDeletion = true;
    Data* data = &d;
    gui.messageBox(textOrEmpty(d.history ? kTextDeleteHistory : kTextDeleteRotor), e.name.c_str(),
                   textOrEmpty(textid::kTextButtonsYesNo),
                   [&gui, data](int answer) { return answerDelete(gui, *data, answer); });
}

// A copy made at the path of the active rotor's own file (replaced on Yes,
// or made anew after the file was deleted): the active rotor becomes what
// the file holds, so that its next save (Save IC, a recorded text, Editing's
// Save) cannot silently write the rotor before back over it.  A file that
// does not load leaves the active rotor without a file: its next save asks
// before it replaces anything.
void followCopyOverActiveFile(Gui& gui, const std::string& path) {
    if (path.empty()) return;
    Rotor* active = gui._rotor;
    std::error_code ec;
    if (!active || active->filePath().empty() || !std::filesystem::equivalent(path, active->filePath(), ec))
        return;
    if (Rotor* fresh = loadFileRotor(gui, std::filesystem::path(path).filename().string(), 1))
        gui.replaceRotor(fresh);
    else
        active->releaseFile();
}

void askCopyName(Gui& gui, Data& d, const RotorListEntry& e) {
    if (keyboardUp(gui) && gui._editId == kCopyTarget) return;
    Data* data = &d;
    openKeyboard(gui, kCopyTarget, e.name, [&gui, data, source = e] {
        const std::string typed = gui._keyboardText;
        std::string made;
        const std::string existing = copyEntry(*data, source, typed, gui._wallTime, false, &made);
        if (!existing.empty()) data->replaceAsked = Data::ReplaceQuestion{source, typed, existing};
        followCopyOverActiveFile(gui, made);
        gui.closeKeyboard();
    }, rotorfiles::kMaxRotorNameBytes);
}

// Another rotor's file is replaced only on Yes; No, Back and Escape keep both.
void askReplace(Gui& gui, Data& d) {
    const Data::ReplaceQuestion question = *d.replaceAsked;
    d.replaceAsked.reset();
    gui.messageBox(textOrEmpty(textid::kTextReplaceFile), question.fileName.c_str(),
                   textOrEmpty(textid::kTextButtonsYesNo), [&gui, question](int answer) {
                       if (answer == -1) return -1;
                       Data* s = dynamic_cast<Data*>(gui._data);
                       std::string made;
                       if (answer == 0 && s)
                           copyEntry(*s, question.source, question.typedName, gui._wallTime, true, &made);
                       followCopyOverActiveFile(gui, made);
                       return -2;
                   });
}

void protocol(Gui& gui, const Data& d, const RotorListEntry& e, bool print) {
    Rotor* rotor = gui._rotor;
    if (!rotor || e.fileName != rotor->nameText(true)) rotor = loadEntryRotor(gui, d, e);
    if (rotor) protocolButtons(rotor, print);
}

// Acts on a row's answer; true when the Editing screen follows.
bool act(Gui& gui, Data& d, std::size_t index, int answer) {
    RotorListEntry& e = d.entries[index];
    switch (answer) {
        case kRowOpen:
            return openEntry(gui, d, e);
        case kRowDelete:
            askDelete(gui, d, e);
            return false;
        case kRowSecond:
            if (d.history)
                protocol(gui, d, e, false);
            else
                askCopyName(gui, d, e);
            return false;
        case kRowThird:
            if (d.history) protocol(gui, d, e, true);
            return false;
        default:
            return false;
    }
}

// ---- the screen's parts -------------------------------------------------------------

int selectorFont(float height) {
    if (height < 600) return fontslot::kLight14 + 2;  // Light 18
    if (height > 760) return fontslot::kLight28;
    return fontslot::kLight22;
}

// The rows that pass the filters, those in view drawn; the first row tapped
// and its answer are returned.
std::pair<std::size_t, int> drawList(Gui& gui, Data& d, float left) {
    const std::string filter(nameFilter(gui, d));
    std::vector<std::size_t> shown;
    shown.reserve(d.entries.size());
    for (std::size_t i = 0; i < d.entries.size(); ++i)
        if (entryShown(d, d.entries[i], filter, gui._wallTime)) shown.push_back(i);

    ImGui::SetCursorPos(ImVec2(left, Gui::kBarHeight));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0, 0));
    // The rows stand on the screen's white.
    ImGui::BeginChild("items", ImVec2(gui._screenWidth - left, gui._screenHeight - 2 * Gui::kBarHeight), false,
                      ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoBackground);
    scrollByDrag();
    const float width = ImGui::GetWindowWidth();
    std::pair<std::size_t, int> tapped{0, kRowNone};
    drawVisibleRows(shown.size(), kRowHeight, [&](std::size_t row) {
        const std::size_t index = shown[row];
        const int answer = rotorListRow(d.entries[index], d.history, width);
        if (answer != kRowNone && tapped.second == kRowNone) tapped = {index, answer};
        return true;
    });
    // Room to scroll the last rows above the keyboard.
    if (gui._keyboardState != Gui::kHidden) ImGui::ItemSize(ImVec2(0, kKeyboardRoom));
    ImGui::EndChild();
    ImGui::PopStyleVar(2);
    return tapped;
}

}  // namespace
}  // namespace HistoryData

void Gui::history() {
    rotorList(true);
}

void Gui::database() {
    rotorList(false);
}

void Gui::rotorList(bool history) {
    using namespace HistoryData;
    auto* data = dynamic_cast<Data*>(_data);
    if (!data || data->history != history) {
        delete _data;
        _data = data = new Data(history);
        readRotorFolder(*data, _wallTime, _rotor ? _rotor->nameText(true) : "");
        _onBack = nullptr;
    } else if (_screenChanged) {
        // Back from the Editing screen: the keyboard it was left with is gone.
        data->keyboardFlag = false;
        _onBack = nullptr;
    }
    Data& d = *data;
    if (d.english != isEnglish()) relabel(d, _wallTime);
    if (!d.pendingError.empty() && _keyboardState == kHidden && _modalState == kHidden) {
        messageBox(textOrEmpty(textid::kTextError), d.pendingError.c_str());
        d.pendingError.clear();
    }
    if (d.replaceAsked && _keyboardState == kHidden && _modalState == kHidden) askReplace(*this, d);

    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::Begin("screen", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus | screenBackground(kWhite, true));
    bool toEditing = false;
    float left = 2 * _margin + kAddButtonSize;
    if (history) {
        ImGui::PushFont(uiFont(selectorFont(_screenHeight)));
        SideSelector(d.periods, kSelectorMargin, _screenHeight - Gui::kBarHeight, kSelectorBesideList);
        ImGui::PopFont();
        left = d.periods.width;
    } else if (addButton(*this) && !_pendingScreen) {
        newRotor();
        toEditing = true;
    }
    const auto [index, answer] = drawList(*this, d, left);
    ImGui::End();
    ImGui::PopStyleVar();

    // One switch at a time: a second open before the first has taken effect
    // (the keyboard holds it back) would remember this screen twice.
    if (answer != kRowNone && !(answer == kRowOpen && _pendingScreen)) {
        const bool opened = act(*this, d, index, answer);
        if (opened) d.keyboardFlag = keyboardUp(*this) && _editId == kFilterTarget;
        toEditing = toEditing || opened;
    }
    drawFrame(false, [this, &d, left] { rotorListHeader(*this, d, left, _screenWidth - left); });
    if (toEditing) setScreen(history, &Gui::editing);
}
