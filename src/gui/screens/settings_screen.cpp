// The settings screen's frame: data object, tab list and dispatch, title
// line, page stack, keyboard entry and its commit, the screen's message box,
// saving.

#include "gui/screens/settings_screen.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cfloat>
#include <ctime>
#include <filesystem>

#define IMGUI_DEFINE_MATH_OPERATORS
#include <imgui_internal.h>

#include "files/logger.h"
#include "files/removable_drive.h"
#include "gui/fonts.h"
#include "gui/frame_widgets.h"
#include "gui/scroll_drag.h"
#include "gui/ui_probe.h"
#include "machine/machine_base.h"
#include "platform/file_replace.h"
#include "records/settings_file.h"
#include "records/settings_limits.h"
#include "rotor/rotor_clock.h"
#include "rotor/rotor_files.h"
#include "texts/format.h"
#include "texts/system_reason.h"
#include "texts/text_ids.h"

namespace Settings {
namespace {

using settingtags::Config;
constexpr TextId kOperatorName = settingtags::Operator::kName;
constexpr TextId kMaterialName = settingtags::Material::kName;
constexpr TextId kMaterialDensity = settingtags::Material::kDensity;
constexpr TextId kOperatorPin = settingtags::Operator::kPin;
constexpr TextId kInverterAddress = settingtags::Inverter::kAddress;

constexpr TextId kTextBackGlyph = 0x195DC21;         // "É"
constexpr TextId kTextEnterName = 0xDDB01A;          // "Enter a name for the saving settings"
constexpr TextId kTextSaved = 0xDDB04A;              // "Settings saved!"
constexpr TextId kTextSavingError = 0xDDB04B;        // "Settings saving error!"
constexpr TextId kTextCopyingLogs = 0xDDB059;        // "Wait, log files copying in progress..."

// The tabs in list order: label, tab code, shown in the full view only,
// lowest access level, listed disabled.
struct TabRule {
    TextId label;
    int code;
    bool fullViewOnly;
    int level;
    bool disabled;
};
constexpr TabRule kTabs[] = {
    {0xDDB001, kGeneralTab, true, 0, false},    {0xDDB002, kSystemTab, true, 1, false},
    {0xDDB003, kDriveTab, false, 0, false},     {0xDDB004, kChannelsTab, false, 1, false},
    {0xDDB005, kProcessingTab, false, 1, false}, {0xDDB006, kDisplayTab, false, 1, false},
    {0xDDB007, kCorrectionTab, true, 1, false}, {0xDDB008, kAccessTab, true, 1, false},
    {0xDDB009, kUpdateTab, true, 1, false},     {0xDDB00A, kServiceTab, true, 1, true},
};

// Keyboard modes.
constexpr int kNoKeys = 0;
constexpr int kNumberKeypad = 1;
constexpr int kDigitKeypad = 5;
constexpr int kLetters = 7;

constexpr auto kDelayedClose = std::chrono::microseconds(201000);
constexpr float kKeyboardHeight = 280;
constexpr float kNameFieldWidth = 600;
constexpr float kPictureUnit = 80;
constexpr float kSelectorMargin = 40;
constexpr float kListPadding = 24;
constexpr float kListBottom = 40;
constexpr float kRowRoom = 10;  // below an edited row above the keyboard
constexpr float kTitleGap = 24;
constexpr float kTitleIcon = 60;
constexpr int kTitleFont = fontslot::kRegular28;
constexpr int kCaptionFont = fontslot::kLight28;
constexpr int kTabFont = fontslot::kSizesPerFace + 4;  // Regular 22
constexpr int kRowFont = fontslot::kRegular24;
constexpr ImU32 kBlack = 0xFF000000;
constexpr ImU32 kCaptionGrey = 0xFF777777;
constexpr ImU32 kListBackground = 0xFFF2F2F2;
constexpr ImU32 kWhite = 0xFFFFFFFF;

// The window's white at its sides, outside the clip rectangle that ImGui keeps
// inside them (half the window padding), from `top` to `bottom`.
void paintWindowSides(float top, float bottom) {
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    const ImRect clip = w->InnerClipRect;
    w->DrawList->PushClipRect(w->Pos, w->Pos + w->Size, false);
    w->DrawList->AddRectFilled(ImVec2(w->Pos.x, w->Pos.y + top), ImVec2(clip.Min.x, w->Pos.y + bottom),
                               kWhite);
    w->DrawList->AddRectFilled(ImVec2(clip.Max.x, w->Pos.y + top),
                               ImVec2(w->Pos.x + w->Size.x, w->Pos.y + bottom), kWhite);
    w->DrawList->PopClipRect();
}

// The settings data of the current screen, or null (the screen was left).
Data* current(Gui& g) { return dynamic_cast<Data*>(g._data); }

// The on-screen keyboard slides in with `mode` and commits into the screen.
void openKeyboard(Gui& g, int mode) {
    g._keyboardMode = mode;
    g._onEnter = [&g] {
        if (Data* d = current(g)) commitEntry(*d);
    };
    if (g._keyboardState == Gui::kHidden || g._keyboardState == Gui::kLeaving) {
        g._transitionTime = g._frameTime;
        if (g._barState == Gui::kHidden) g._barState = Gui::kEntering;
        g._keyboardState = Gui::kEntering;
    }
}

// Ends the edit; a new list element not committed by now is dropped.
void endEntry(Data& d) {
    d.gui.closeKeyboard();
    d.pendingScroll = d.edit.scroll;
    d.edit = Edit{};
    if (d.newElement) dropNewElement(d);
}

// A PIN is decimal digits that fit in 32 bits (none: no PIN); anything else
// would be stored as another number and lock its operator out.
bool validPin(const std::string& text) {
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > UINT32_MAX) return false;
    }
    return true;
}

// Settings saved under a name: on the drive in "kestrune/configs/", else in
// the working directory.  The name must be one that stays a plain file name
// there; "" when it does not.
std::string namedSettingsPath(const std::string& typed) {
    const std::string name = rotorfiles::databaseFilePart(typed);
    if (name.empty()) {
        logLine("Settings saving error: no usable file name in \"" + typed + "\"");
        return {};
    }
    std::string folder;  // "" is the product folder on the drive
    return findRemovableDrive(folder) ? folder + "/configs/" + name + ".cfg" : name + ".cfg";
}

// Saves the settings to a path of namedSettingsPath; the drive's folder is
// made when missing (a path in the working directory has none).  Why it
// failed goes to d.resultError.
bool saveUnderName(Data& d, const std::string& target) {
    d.resultError = 0;
    if (target.empty()) return false;
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    std::error_code ec;
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    std::string error = ec ? "cannot make " + folder.string() + ": " + ec.message() : "";
    // A folder that cannot be made says why its file cannot be.
    const bool saved = !ec && saveSettingsFile(*d.config, target, &error);
    if (!saved) d.resultError = ec ? ec.value() : errno;
    if (!folder.empty()) flushVolume(target);
    if (!saved) logLine("Settings saving error: " + error);
    return saved;
}

bool lockedDrivePage(const Data& d) { return d.restricted && d.tabs.selected == 0 && d.pages.size() == 1; }

// Each frame: while a page is open, Back closes it.
void armPageBack(Data& d) {
    if (d.pages.empty() || lockedDrivePage(d) || d.newElement) return;
    Gui& g = d.gui;
    g._onBack = [&g] {
        if (Data* s = current(g))
            closePage(*s);
        else
            g._onBack = nullptr;
    };
}

void drawTitle(Data& d) {
    Gui& g = d.gui;
    ImGuiWindow* w = ImGui::GetCurrentWindow();
    const ImVec2 start = ImGui::GetCursorPos();
    const char* title = textOrEmpty(textid::kTextSettings);
    ImFont* font = uiFont(kTitleFont);
    drawSlotText(kTitleFont, title, w->Pos + start, kBlack);
    float x = start.x + font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, title).x + kTitleGap;
    std::string caption;
    if (d.pages.empty()) {
        if (d.tabs.selected >= 0 && d.tabs.selected < static_cast<int>(d.tabs.items.size()))
            caption = d.tabs.items[d.tabs.selected].label;
    } else {
        caption = d.pages.back().caption;
        if (!lockedDrivePage(d)) {
            ImGui::SetCursorPos(ImVec2(x - kTitleGap / 2, (Gui::kBarHeight - kTitleIcon) / 2));
            if (iconButton(textOrEmpty(kTextBackGlyph), kTitleIcon, kTitleIcon) && g._onBack) {
                Gui::Action back = g._onBack;
                back();
            }
            x += kTitleIcon;
        }
    }
    ImFont* captionFont = uiFont(kCaptionFont);
    const float room = g._screenWidth - g._margin - x;
    if (captionFont->CalcTextSizeA(captionFont->FontSize, FLT_MAX, 0, caption.c_str()).x > room)
        fitText(caption, captionFont, captionFont->FontSize, room);
    drawSlotText(kCaptionFont, caption.c_str(), w->Pos + ImVec2(x, start.y), kCaptionGrey);
}

void dispatch(Data& d) {
    switch (selectedTab(d)) {
        case kGeneralTab: generalTab(d); break;
        case kSystemTab: systemTab(d); break;
        case kDriveTab: driveTab(d); break;
        case kChannelsTab: channelsTab(d); break;
        case kProcessingTab: processingTab(d); break;
        case kDisplayTab: displayTab(d); break;
        case kCorrectionTab: correctionTab(d); break;
        case kAccessTab: accessTab(d); break;
        case kUpdateTab: updateTab(d); break;
        default: break;
    }
}

// A tab (or the language) chosen: its main page from the top.
void chooseTab(Data& d) {
    Gui& g = d.gui;
    d.pages.clear();
    d.pendingScroll = 0.0f;
    d.toggle = Toggle{};
    if (d.edit.active()) endEntry(d);
    g._onBack = nullptr;
    if (d.restricted && d.tabs.selected == 0) openRotorDrive(d);
}

// A keyboard-driven message box waits for the keyboard to be closed.
void openPendingBox(Data& d) {
    Gui& g = d.gui;
    if (d.pendingAction == kNoAction || g._keyboardState != Gui::kHidden) return;
    // The name entry is the one action: its box asks for the name.
    d.lastAction = d.pendingAction;
    d.pendingAction = kNoAction;
    d.resultShown = false;
    d.resultOk = false;
    g.messageBox("", "", "", [&g](int answer) {
        Data* s = current(g);
        return s ? showResult(*s, answer) : (answer < 0 ? answer : -2);
    });
    showResult(d, -1);
    g._keyboardText.clear();
    openKeyboard(g, kLetters);
}

// A pressed field gets the keyboard; a closed keyboard ends the edit.
void keyboardEntry(Data& d) {
    Gui& g = d.gui;
    if (d.lastAction == kSaveUnderName && !d.resultShown && d.replaceAsked.empty() &&
        g._keyboardState == Gui::kLeaving && g._modalState != Gui::kHidden) {
        g.closeModal();  // the name entry was left with Back: no box without buttons stays
        d.lastAction = kNoAction;
    }
    if (!d.edit.active()) return;
    if (d.edit.keyboardOpened) {
        if (g._keyboardState == Gui::kLeaving || g._keyboardState == Gui::kHidden) endEntry(d);
        return;
    }
    if (!d.edit.prefilled) g._keyboardText.clear();
    int mode = kLetters;
    if (d.edit.numeric) mode = d.edit.path[0] == Config::kOperators ? kDigitKeypad : kNumberKeypad;
    openKeyboard(g, mode);
    d.edit.keyboardOpened = true;
    // The edited row stays in sight above the keyboard.
    const float visible = g._screenHeight - 2 * Gui::kBarHeight - kKeyboardHeight;
    if (d.edit.rowBottom - d.scrollY > visible) d.pendingScroll = d.edit.rowBottom - visible + kRowRoom;
}

}  // namespace

Data::Data(Gui& owner)
    : gui(owner), config(owner._config), machine(owner._machine), rotor(owner._rotor) {
    pictureWidth = std::fabs(owner._scale) * kPictureUnit;
    restricted = owner._backStack.size() > 1;
    std::error_code ec;
    eventRegistration = std::filesystem::is_directory("logs", ec);
}

Data::~Data() {
    if (newElement) dropNewElement(*this);
}

void logLine(const std::string& line) { logOneLine("settings", line); }

int accessLevel(const Data& d) { return settingsAccessLevel(*d.config); }

void tabList(Data& d) {
    const int level = accessLevel(d);
    d.tabs.items.clear();
    d.tabCodes.clear();
    for (const TabRule& t : kTabs) {
        if ((t.fullViewOnly && d.restricted) || level < t.level) continue;
        d.tabs.items.push_back(SideSelectorItem{textOrEmpty(t.label), t.disabled});
        d.tabCodes.push_back(t.code);
    }
    d.tabs.selected = std::clamp(d.tabs.selected, 0, static_cast<int>(d.tabs.items.size()) - 1);
    d.tabsEnglish = isEnglish();
}

int selectedTab(const Data& d) {
    if (d.tabs.selected < 0 || d.tabs.selected >= static_cast<int>(d.tabCodes.size())) return kServiceTab;
    return d.tabCodes[d.tabs.selected];
}

bool saveConfig(Data& d) {
    std::string error;
    if (saveSettingsFile(*d.config, kSettingsFile, &error)) {
        d.saveErrorShown = false;
        return true;
    }
    const int err = errno;
    logLine("Settings saving error: " + error);
    if (!d.saveErrorShown) {
        d.saveErrorShown = true;
        notify(d, textOrEmpty(kTextSavingError), systemReasonText(err));
    }
    return false;
}

void notify(Data& d, const char* text, const std::string& details) { d.notice.emplace(text, details); }

std::string rangeText(const SettingRange& r) {
    return (r.zero ? "0; " : "") + std::string(r.aboveLowest ? "> " : "") +
           formatField(Tris::kAccessDouble, nullptr, r.lowest, 0) + " ... " + (r.belowHighest ? "< " : "") +
           formatField(Tris::kAccessDouble, nullptr, r.highest, 0);
}

void refuseNumber(Data& d, const std::string& typed, const std::string& details) {
    logLine(ks::format("\"{}\" refused for field 0x{:X}{}", typed, d.edit.tag,
                       details.empty() ? "" : ": " + details));
    notify(d, textOrEmpty(textid::kTextError), details);
}

void chooseLanguage(Data& d, int language) {
    const std::uint32_t path[] = {Config::kLanguage};
    d.config->accessField(path, 1, Tris::FieldReport(), language != 0 ? "1" : "0");
    saveConfig(d);
    setLanguage(language != 0);
    tabList(d);
}

void closePage(Data& d) {
    Gui& g = d.gui;
    if (g._keyboardState != Gui::kHidden) return;
    if (!d.pages.empty()) {
        d.pendingScroll = d.pages.back().scroll;
        d.pages.pop_back();
    }
    g._onBack = nullptr;
}

int showResult(Data& d, int answer) {
    Gui& g = d.gui;
    if (!d.replaceAsked.empty()) {
        // Another file of that name: replaced only on Yes; No, Back and Home keep it.
        if (answer == -1) {
            g._modalText = textOrEmpty(textid::kTextReplaceFile);
            g._modalDetails = std::filesystem::path(d.replaceAsked).filename().string();
            g._modalButtons = textOrEmpty(textid::kTextButtonsYesNo);
            return -1;
        }
        const std::string target = std::move(d.replaceAsked);
        d.replaceAsked.clear();
        if (answer != 0) return -2;
        d.resultOk = saveUnderName(d, target);
        d.resultShown = true;
        return answer;  // the box stays with the result
    }
    if (answer >= 0) return -2;  // any button closes the box
    g._modalDetails.clear();
    if (d.lastAction == kSaveUnderName && !d.resultShown) {
        g._modalText = textOrEmpty(kTextEnterName);
        g._modalButtons.clear();
        g._modalInputWidth = kNameFieldWidth;
    } else {
        g._modalText = textOrEmpty(d.resultOk ? kTextSaved : kTextSavingError);
        if (!d.resultOk) g._modalDetails = systemReasonText(d.resultError);
        g._modalButtons = textOrEmpty(textid::kTextButtonOk);
        g._modalInputWidth = 0;
    }
    return answer;
}

void commitEntry(Data& d) {
    Gui& g = d.gui;
    std::string text = g._keyboardText;
    if (!d.edit.active()) {
        if (d.lastAction == kSaveUnderName && !d.resultShown) {
            const std::string target = namedSettingsPath(text);
            if (platform::replacesAnotherFile(target)) {
                d.replaceAsked = target;  // the box asks in place of the name
            } else {
                d.resultOk = saveUnderName(d, target);
                d.resultShown = true;
            }
            g.closeKeyboard();
            // The box came in with the keyboard; it stays when the keyboard goes.
            g._modalState = Gui::kShown;
        }
        return;
    }
    if (d.edit.tag == kOperatorPin && !validPin(text)) {
        notify(d, textOrEmpty(textid::kTextError), "");  // the old PIN stays
        endEntry(d);
        return;
    }
    if (d.edit.numeric && d.edit.tag != kOperatorPin) {  // a PIN is checked above ("" is none)
        // The whole text one number, within the field's range; the old value stays otherwise.
        double value = 0;
        std::optional<SettingRange> range;
        const bool clock = d.edit.outer() == kClockMarker;
        if (!ks::parseTypedNumber(text, value) ||
            (!clock && !settingNumberFits(*d.config, d.edit.path, d.edit.depth, value, &range))) {
            refuseNumber(d, text, range ? rangeText(*range) : "");
            endEntry(d);
            return;
        }
        if (clock) {
            setClockPart(d, d.edit.tag, text, value);
            endEntry(d);
            return;
        }
        text = settingNumberText(value);
    }
    const TextId tag = d.edit.tag;
    if (tag == kMaterialName && d.newElement && text.empty()) {
        endEntry(d);  // a nameless new material goes as by Back
        return;
    }
    d.config->accessField(d.edit.path, d.edit.depth, Tris::FieldReport(), text.c_str());
    if (tag == kOperatorName && d.edit.depth == 3) makeUniqueName(d, static_cast<int>(d.edit.path[1]));
    if (d.edit.outer() == Config::kOperators) g.operatorsChanged();  // his name at once
    if (tag == kMaterialName && d.newElement) {
        // A new material goes on to its density; it is saved with it.
        d.edit.tag = kMaterialDensity;
        d.edit.path[d.edit.depth - 1] = kMaterialDensity;
        d.edit.numeric = true;
        d.edit.prefilled = false;
        g._keyboardText.clear();
        g._keyboardMode = kNumberKeypad;
        return;
    }
    if (tag == kInverterAddress) g._settingsChanged = true;
    if (d.newElement) {  // named: it stays
        d.newElement = false;
        g._onBack = nullptr;
    }
    saveConfig(d);
    endEntry(d);
}

}  // namespace Settings

void Gui::settings() {
    using namespace Settings;
    if (!_data) {
        Data* created = new Data(*this);
        _data = created;
        tabList(*created);
        if (created->restricted) openRotorDrive(*created);
        _onBack = nullptr;
    }
    Data& d = static_cast<Data&>(*_data);
    d.config = _config;
    d.machine = _machine;
    d.rotor = _rotor;
    if (d.tabsEnglish != isEnglish()) {  // the 'l' key too: pages keep no captions of the old language
        tabList(d);
        chooseTab(d);
    }
    std::tm now{};
    d.clockText = rotorclock::localTime(_wallTime, &now)
                      ? ks::format("{:02}:{:02} {:04}-{:02}-{:02}", now.tm_hour, now.tm_min, now.tm_year + 1900,
                                   now.tm_mon + 1, now.tm_mday)
                      : std::string("00:00 0000-00-00");

    // A page that asked to be closed after a moment.
    if (d.delayedClose && _frameTime - d.delayedCloseStart >= kDelayedClose) {
        if (!d.pages.empty() && _onBack) {
            Action back = _onBack;
            back();
        }
        d.delayedClose = false;
    }
    // A keyboard-driven message box, or a message waiting for the keyboard.
    openPendingBox(d);
    if (d.notice && _keyboardState == kHidden) {
        messageBox(d.notice->first.c_str(), d.notice->second.c_str());
        d.notice.reset();
    }
    // Settings changed on another screen (the drive's autosetting run).
    if (_resultsExpected) {
        _resultsExpected = false;
        if (_machine) _machine->saveCalibration(false);
        saveConfig(d);
    }

    // The tab column and the chosen tab's rows.  The rows' grey is what most
    // of the window shows: it is the window's clear colour while the bars
    // hide the screen's top and bottom, and the tab column paints its white.
    const int background = screenBackground(kListBackground, false);
    ImGui::PushStyleColor(ImGuiCol_WindowBg, kWhite);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::Begin("screen", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus | background);
    const int before = d.tabs.selected;
    ImGui::PushFont(uiFont(kTabFont));
    SideSelector(d.tabs, kSelectorMargin, _screenHeight - Gui::kBarHeight,
                 kSelectorBesideList | (background ? kSelectorPaintColumn : 0));
    if (background) paintWindowSides(Gui::kBarHeight, _screenHeight - Gui::kBarHeight);
    ImGui::PopFont();
    if (d.tabs.selected != before) chooseTab(d);

    ImGui::SetCursorPos(ImVec2(d.tabs.width, Gui::kBarHeight));
    ImGui::PushStyleColor(ImGuiCol_ChildBg, kListBackground);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(kListPadding, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0, 0));
    ImGui::BeginChild("items", ImVec2(_screenWidth - d.tabs.width, _screenHeight - 2 * Gui::kBarHeight), false,
                      ImGuiWindowFlags_AlwaysUseWindowPadding | ImGuiWindowFlags_NoScrollbar | background);
    scrollByDrag();
    ImGui::PushFont(uiFont(kRowFont));
    d.scrollY = ImGui::GetScrollY();
    d.contentWidth = ImGui::GetContentRegionAvail().x;
    armPageBack(d);
    dispatch(d);
    // Room below the last row, and for the keyboard while it is up.
    ImGui::ItemSize(ImVec2(0, kListBottom + (_keyboardState != kHidden ? kKeyboardHeight : 0.0f)));
    if (d.pendingScroll) {
        ImGui::SetScrollY(*d.pendingScroll);
        d.pendingScroll.reset();
    }
    ImGui::PopFont();
    ImGui::EndChild();
    ImGui::PopStyleVar(2);
    ImGui::PopStyleColor();
    ImGui::End();
    ImGui::PopStyleVar();
    ImGui::PopStyleColor();

    // Keyboard entry.
    keyboardEntry(d);
    drawFrame(false, [&d] { drawTitle(d); });
    // Log files on their way to the drive.
    const int copied = _machine ? _machine->getCopyLogsProgress() : -1;
    if (copied >= 0) {
        _progressText = textOrEmpty(kTextCopyingLogs);
        _progressValue = copied;
        drawProgress(_screenWidth, _screenHeight);
    }
}
